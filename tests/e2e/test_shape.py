"""The outline of both windows read back through SHAPE: rounded rectangles
with 10 x 10 corners, right and bottom exclusive."""

from lunivar_e2e import Session, check, wait_until


def rounded(w, h, inset):
    """{row: set of x} of the rounded region (inset, inset, w + 1, h + 1, 10, 10)."""
    cut = {0: 3, 1: 2, 2: 1, h - 3: 1, h - 2: 2, h - 1: 3}
    return {y + inset: set(range(inset + cut.get(y, 0), inset + w - cut.get(y, 0))) for y in range(h)}


def diff(got, want):
    return ["row %d: %s" % (y, sorted(got.get(y, set()) ^ want.get(y, set()))[:4])
            for y in sorted(set(got) | set(want)) if got.get(y) != want.get(y)][:8]


def main():
    with Session.from_args("e2e_shape") as s:
        r = s.results
        w = s.start_program()
        main_spans = rounded(380, 202, 0)
        with r.case("main window: 380 x 202, SHAPE the rounded (0,0,381,203,10,10)"):
            check(s.geometry(w)[2:] == (380, 202), "window size %r" % (s.geometry(w)[2:],))
            check(not diff(s.shape_spans(w)[0], main_spans), "; ".join(diff(s.shape_spans(w)[0], main_spans)))

        with r.case("About window: 320 x 191, SHAPE the rounded (1,1,320,191,10,10); the main one keeps its own"):
            s.click_in(w, 38, 154)
            about = wait_until(lambda: [a for a in s.program_windows() if a.id != w.id and s.is_viewable(a)],
                               10, 0.05, "the About window")[0]
            s.settle(0.3)
            check(s.geometry(about)[2:] == (320, 191), "About size %r" % (s.geometry(about)[2:],))
            d = diff(s.shape_spans(about)[0], rounded(318, 189, 1)) + diff(s.shape_spans(w)[0], main_spans)
            check(not d, "; ".join(d))


if __name__ == "__main__":
    main()
