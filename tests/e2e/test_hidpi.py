"""Two device pixels per pixel (QT_SCALE_FACTOR=2): the window, its outline
and its skin keep the layout's pixel arithmetic in logical pixels, and the
skin is drawn from the twice-size artwork, not blown up."""

import os
import subprocess

from lunivar_e2e import Image, SOURCE_DIR, Session, check, close_colour

BUTTON1 = (8, 168, 177, 21)   # "Закрыть", never hovered in this test


def load_png(name):
    path = os.path.join(SOURCE_DIR, "src", "res", "bmp", name)
    w, h = (int(v) for v in subprocess.run(["/usr/bin/identify", "-format", "%w %h", path],
                                            capture_output=True, check=True, timeout=20).stdout.split())
    data = subprocess.run(["/usr/bin/convert", path, "-depth", "8", "rgb:-"],
                          capture_output=True, check=True, timeout=20).stdout
    return Image(w, h, data)


def main():
    with Session.from_args("e2e_hidpi") as s:
        w = s.start_program({"QT_SCALE_FACTOR": "2"})
        r = s.results
        with r.case("the window is 380 x 202 pixels, twice that on the screen"):
            _, _, width, height = s.geometry(w)
            check((width, height) == (760, 404), "window %dx%d" % (width, height))

        with r.case("the outline is the rounded region, at twice the size"):
            rows, _ = s.shape_spans(w)
            # Logical rows 0..2 cut 3, 2, 1 pixels at each end; rows 3..198 are whole.
            for logical_row, cut in ((0, 3), (1, 2), (2, 1), (3, 0), (100, 0), (199, 1), (200, 2), (201, 3)):
                for dy in (0, 1):
                    xs = rows.get(2 * logical_row + dy, set())
                    want = set(range(2 * cut, 760 - 2 * cut))
                    check(xs == want, "device row %d: %s..%s, want %d..%d" % (
                        2 * logical_row + dy, min(xs, default=None), max(xs, default=None), 2 * cut, 759 - 2 * cut))
            check(not any(y >= 404 for y in rows), "shape reaches below the window")

        with r.case("the push button's face is the twice-size artwork, pixel for pixel"):
            shot = s.screenshot(w, "lunivar-hidpi.png")
            left, tile, right = load_png("113@2x.png"), load_png("114@2x.png"), load_png("115@2x.png")
            bx, by, bw, bh = (2 * v for v in BUTTON1)
            bad = []
            for ref, ox, region in ((left, bx, (0, 0, 26, 42)), (tile, bx + 2 * 19, (0, 0, 12, 42)),
                                    (right, bx + 2 * 168, (0, 0, 18, 42))):
                rx, ry, rw, rh = region
                for y in range(ry, ry + rh):
                    for x in range(rx, rx + rw):
                        # The caption lies in the middle of the button, clear of these pieces.
                        if not close_colour(shot.px(ox + x, by + y), ref.px(x, y), 12):
                            bad.append((ox + x - bx, y))
            check(len(bad) <= 4, "%d pixels differ from the 2x artwork, e.g. %r" % (len(bad), bad[:5]))


if __name__ == "__main__":
    main()
