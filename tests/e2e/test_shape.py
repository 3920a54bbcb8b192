"""The outline of both windows, read back from the X server's SHAPE
extension: rounded rectangles with 10 x 10 corners, right and bottom
exclusive as the skin's region routine makes them."""

from lunivar_e2e import Session, check, wait_until

ABOUT_BUTTON = (8, 144, 177, 21)


def expected(spans):
    """{row: set of x} from a list of (first row, last row, first x, last x)."""
    rows = {}
    for y0, y1, x0, x1 in spans:
        for y in range(y0, y1 + 1):
            rows[y] = set(range(x0, x1 + 1))
    return rows


# (0, 0, 381, 203) with 10 x 10 corners: the main window at 380 x 202.
MAIN_SPANS = expected([(0, 0, 3, 376), (1, 1, 2, 377), (2, 2, 1, 378), (3, 198, 0, 379),
                       (199, 199, 1, 378), (200, 200, 2, 377), (201, 201, 3, 376)])
# (1, 1, 320, 191) with 10 x 10 corners: the About window at 320 x 191.
ABOUT_SPANS = expected([(1, 1, 4, 315), (2, 2, 3, 316), (3, 3, 2, 317), (4, 186, 1, 318),
                        (187, 187, 2, 317), (188, 188, 3, 316), (189, 189, 4, 315)])


def compare(got, want):
    diffs = []
    for y in sorted(set(got) | set(want)):
        g, e = got.get(y, set()), want.get(y, set())
        if g != e:
            describe = lambda v: "%d-%d (%d px)" % (min(v), max(v), len(v)) if v else "none"
            diffs.append("row %d: got %s, want %s" % (y, describe(g), describe(e)))
    return diffs


def main():
    with Session.from_args("e2e_shape") as s:
        r = s.results
        w = s.start_program()
        with r.case("main window: 380 x 202 and its SHAPE region is the rounded (0,0,381,203,10,10)"):
            _, _, width, height = s.geometry(w)
            check((width, height) == (380, 202), "window size %dx%d" % (width, height))
            got, _ = s.shape_spans(w)
            diffs = compare(got, MAIN_SPANS)
            check(not diffs, "; ".join(diffs[:8]))

        with r.case("About window: 320 x 191 and its SHAPE region is the rounded (1,1,320,191,10,10)"):
            x, y, bw, bh = ABOUT_BUTTON
            s.click_in(w, x + 30, y + bh // 2)
            about = wait_until(lambda: [a for a in s.program_windows()
                                        if a.id != w.id and s.is_viewable(a)], 10, 0.05, "the About window")[0]
            s.settle(0.3)
            _, _, width, height = s.geometry(about)
            check((width, height) == (320, 191), "About window size %dx%d" % (width, height))
            got, _ = s.shape_spans(about)
            diffs = compare(got, ABOUT_SPANS)
            check(not diffs, "; ".join(diffs[:8]))

        with r.case("the main window keeps its shape while the About window is open"):
            got, _ = s.shape_spans(w)
            check(not compare(got, MAIN_SPANS), "; ".join(compare(got, MAIN_SPANS)[:8]))


if __name__ == "__main__":
    main()
