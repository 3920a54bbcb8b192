"""What the pointer lights up: each push button turns into the blue
capsule under the pointer, each caption button shows its symbol, and the
window's free area puts everything back to normal."""

from lunivar_e2e import (Session, check, eventually, is_blue, is_pale, load_bitmap, luma, mismatches)

# Push buttons (index: left, top), 177 x 21, in the window's pixels.
BUTTONS = {0: (8, 120), 2: (8, 144), 1: (8, 168)}
BUTTON_W, BUTTON_H = 177, 21
PROBE_X = 30            # inside the tiles, left of every caption
FREE_AREA = (100, 28)   # between the title bar and the lists
# Caption buttons at the design width: (left, top) of the picture.
MIN_AT, CLOSE_AT = (318, 4), (358, 4)

NORMAL = {"left": 113, "tile": 114, "right": 115}
HOVER = {"left": 116, "tile": 117, "right": 118}


def face_mismatches(shot, origin, pieces):
    """Where the button's caps and first tile differ from the pieces.
    The caption lies in the middle, clear of these parts."""
    ox, oy = origin
    left, tile, right = (load_bitmap(pieces[k]) for k in ("left", "tile", "right"))
    bad = mismatches(shot, ox, oy, left)
    bad += mismatches(shot, ox + 13, oy, tile)
    bad += mismatches(shot, ox + BUTTON_W - 9, oy, right)
    return bad


def dark_pixels(normal, hover):
    """Pixels that the hover face shows much darker than the normal one."""
    out = []
    for y in range(normal.height):
        for x in range(normal.width):
            if luma(normal.px(x, y)) - luma(hover.px(x, y)) > 60:
                out.append((x, y))
    return out


def main():
    with Session.from_args("e2e_hover") as s:
        r = s.results
        w = s.start_program()
        s.move_in(w, *FREE_AREA)
        s.settle(0.3)
        normal = s.screenshot(w, "lunivar-normal.png")

        def probe(img, index):
            x, y = BUTTONS[index]
            return img.px(x + PROBE_X, y + BUTTON_H // 2)

        with r.case("normal look: every push button is the pale capsule of pieces 113-115"):
            for i, origin in BUTTONS.items():
                check(is_pale(probe(normal, i)), "button %d probe %r is not pale" % (i, probe(normal, i)))
                bad = face_mismatches(normal, origin, NORMAL)
                check(not bad, "button %d differs from the normal pieces at %d pixels, e.g. %r" % (i, len(bad), bad[:3]))

        order = [0, 2, 1]   # top to bottom, moving straight from one onto the next
        for k, i in enumerate(order):
            with r.case("pointer on button %d: it turns blue (pieces 116-118), the others stay normal" % i):
                x, y = BUTTONS[i]
                s.move_in(w, x + PROBE_X, y + BUTTON_H // 2)
                shot = s.screenshot(w, "lunivar-hover-button%d.png" % i,
                                    until=lambda img: not face_mismatches(img, (x, y), HOVER))
                check(is_blue(probe(shot, i)), "button %d probe %r is not blue (was %r)" % (i, probe(shot, i), probe(normal, i)))
                bad = face_mismatches(shot, (x, y), HOVER)
                check(not bad, "button %d differs from the hover pieces at %d pixels, e.g. %r" % (i, len(bad), bad[:3]))
                for j, other in BUTTONS.items():
                    if j != i:
                        bad = face_mismatches(shot, other, NORMAL)
                        check(not bad, "button %d is not normal while %d is lit (%d pixels)" % (j, i, len(bad)))

        with r.case("pointer on a caption keeps its button lit"):
            x, y = BUTTONS[1]
            cap = s.find(role=[s.atspi.ROLE_LABEL, s.atspi.ROLE_STATIC], name="Закрыть")
            cx, cy, cw, ch = s.extents(cap)
            wx, wy = s.position(w)
            s.move_in(w, cx - wx + cw // 2, cy - wy + ch // 2)
            s.settle(0.3)
            shot = s.grab_window(w)
            check(not face_mismatches(shot, (x, y), HOVER), "button 1 lost its hover look over its caption")

        with r.case("pointer back on the free area: all push buttons normal again"):
            s.move_in(w, *FREE_AREA)
            shot = eventually(lambda: s.grab_window(w),
                              lambda img: all(not face_mismatches(img, o, NORMAL) for o in BUTTONS.values()))
            for i, origin in BUTTONS.items():
                bad = face_mismatches(shot, origin, NORMAL)
                check(not bad, "button %d not back to normal (%d pixels)" % (i, len(bad)))

        def crop(img, at, size):
            return img.crop(at[0], at[1], size[0], size[1])

        with r.case("minimise button: normal face 102, hover face 109 with a dark bar"):
            bmp_normal, bmp_hover = load_bitmap(102), load_bitmap(109)
            size = (bmp_normal.width, bmp_normal.height)
            check(size == (17, 19), "minimise pictures are %dx%d" % size)
            bad = mismatches(normal, MIN_AT[0], MIN_AT[1], bmp_normal)
            check(not bad, "normal minimise face differs at %d pixels, e.g. %r" % (len(bad), bad[:3]))
            s.move_in(w, MIN_AT[0] + 8, MIN_AT[1] + 9)
            shot = s.screenshot(w, "lunivar-hover-min.png",
                                until=lambda img: not mismatches(img, MIN_AT[0], MIN_AT[1], bmp_hover))
            bad = mismatches(shot, MIN_AT[0], MIN_AT[1], bmp_hover)
            check(not bad, "hover minimise face differs at %d pixels, e.g. %r" % (len(bad), bad[:3]))
            dark = dark_pixels(crop(normal, MIN_AT, size), crop(shot, MIN_AT, size))
            check(dark, "the hover face shows nothing darker than the normal one")
            xs, ys = [p[0] for p in dark], [p[1] for p in dark]
            check(max(xs) - min(xs) >= 2 * (max(ys) - min(ys) + 1),
                  "the dark part is no horizontal bar: x %d-%d, y %d-%d" % (min(xs), max(xs), min(ys), max(ys)))
            bad = mismatches(shot, CLOSE_AT[0], CLOSE_AT[1], load_bitmap(104))
            check(not bad, "close button not normal while minimise is lit")

        with r.case("close button: normal face 104, hover face 105 with a dark cross; minimise back to normal"):
            bmp_normal, bmp_hover = load_bitmap(104), load_bitmap(105)
            size = (bmp_normal.width, bmp_normal.height)
            check(size == (18, 19), "close pictures are %dx%d" % size)
            bad = mismatches(normal, CLOSE_AT[0], CLOSE_AT[1], bmp_normal)
            check(not bad, "normal close face differs at %d pixels, e.g. %r" % (len(bad), bad[:3]))
            s.move_in(w, CLOSE_AT[0] + 9, CLOSE_AT[1] + 9)     # straight from the minimise button
            shot = s.screenshot(w, "lunivar-hover-close.png",
                                until=lambda img: not mismatches(img, CLOSE_AT[0], CLOSE_AT[1], bmp_hover))
            bad = mismatches(shot, CLOSE_AT[0], CLOSE_AT[1], bmp_hover)
            check(not bad, "hover close face differs at %d pixels, e.g. %r" % (len(bad), bad[:3]))
            bad = mismatches(shot, MIN_AT[0], MIN_AT[1], load_bitmap(102))
            check(not bad, "minimise button still lit while the pointer is on close (%d pixels)" % len(bad))
            dark = set(dark_pixels(crop(normal, CLOSE_AT, size), crop(shot, CLOSE_AT, size)))
            check(dark, "the hover face shows nothing darker than the normal one")
            cx = sum(p[0] for p in dark) / len(dark)
            cy = sum(p[1] for p in dark) / len(dark)
            quadrants = {(x < cx, y < cy) for x, y in dark if abs(x - cx) >= 2 and abs(y - cy) >= 2}
            check(len(quadrants) == 4, "the dark part is no cross (quadrants %r)" % (quadrants,))
            on_diagonals = [p for p in dark if abs(abs(p[0] - cx) - abs(p[1] - cy)) <= 1.5]
            check(len(on_diagonals) >= 0.6 * len(dark), "the dark part does not lie on two diagonals")

        with r.case("free area again: both caption buttons and all push buttons normal"):
            s.move_in(w, *FREE_AREA)
            shot = eventually(lambda: s.grab_window(w), lambda img: img.rgb == normal.rgb)
            check(not mismatches(shot, MIN_AT[0], MIN_AT[1], load_bitmap(102)), "minimise still lit")
            check(not mismatches(shot, CLOSE_AT[0], CLOSE_AT[1], load_bitmap(104)), "close still lit")
            same = sum(1 for y in range(shot.height) for x in range(shot.width) if shot.px(x, y) != normal.px(x, y))
            check(same == 0, "the window differs from its first normal look at %d pixels" % same)


if __name__ == "__main__":
    main()
