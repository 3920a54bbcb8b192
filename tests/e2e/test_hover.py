"""What the pointer lights up: a push button turns into the blue capsule, a
caption button shows its hover symbol, the free area puts all back."""

from lunivar_e2e import Session, check, eventually, is_blue, load_bitmap, mismatches

BUTTONS = {0: (8, 120), 2: (8, 144), 1: (8, 168)}   # 177 x 21, top to bottom
FREE_AREA = (100, 28)
NORMAL, HOVER = (113, 114, 115), (116, 117, 118)     # left cap, tile, right cap
CAPTION = {"min": ((318, 4), 102, 109), "close": ((358, 4), 104, 105)}


def face_faults(shot, origin, pieces):
    """Where the button's caps and first tile (clear of the caption) differ from the pieces."""
    (ox, oy), (left, tile, right) = origin, (load_bitmap(p) for p in pieces)
    return mismatches(shot, ox, oy, left) + mismatches(shot, ox + 13, oy, tile) + mismatches(shot, ox + 168, oy, right)


def all_normal(img):
    return not any(face_faults(img, o, NORMAL) for o in BUTTONS.values()) and \
        not any(mismatches(img, *at, load_bitmap(n)) for at, n, _ in CAPTION.values())


def main():
    with Session.from_args("e2e_hover") as s:
        r = s.results
        w = s.start_program()
        s.move_in(w, *FREE_AREA)
        s.settle(0.3)
        normal = s.screenshot(w, "lunivar-normal.png")

        with r.case("normal look: pale capsules 113-115, caption buttons 102 and 104"):
            check(all_normal(normal), "the window does not start in its normal look")

        for i, (x, y) in BUTTONS.items():
            with r.case("pointer on push button %d: blue capsule 116-118, the others normal" % i):
                s.move_in(w, x + 30, y + 10)
                shot = s.screenshot(w, "lunivar-hover-button%d.png" % i,
                                    until=lambda img: not face_faults(img, (x, y), HOVER))
                check(is_blue(shot.px(x + 30, y + 10)), "probe %r is not blue" % (shot.px(x + 30, y + 10),))
                bad = face_faults(shot, (x, y), HOVER)
                check(not bad, "%d pixels differ from the hover pieces, e.g. %r" % (len(bad), bad[:3]))
                check(not any(face_faults(shot, o, NORMAL) for j, o in BUTTONS.items() if j != i), "another button is lit")

        with r.case("free area: all push buttons normal again"):
            s.move_in(w, *FREE_AREA)
            check(all_normal(eventually(lambda: s.grab_window(w), all_normal)), "not back to normal")

        for name, ((x, y), _, hover) in CAPTION.items():
            with r.case("pointer on the %s button: its hover symbol %d, the rest normal" % (name, hover)):
                s.move_in(w, x + 8, y + 9)
                shot = s.screenshot(w, "lunivar-hover-%s.png" % name,
                                    until=lambda img: not mismatches(img, x, y, load_bitmap(hover)))
                check(not mismatches(shot, x, y, load_bitmap(hover)), "no hover face")
                other = CAPTION["close" if name == "min" else "min"]
                check(not mismatches(shot, *other[0], load_bitmap(other[1])), "the other caption button is lit")

        with r.case("free area again: the window is exactly its first normal look"):
            s.move_in(w, *FREE_AREA)
            shot = eventually(lambda: s.grab_window(w), lambda img: img.rgb == normal.rgb)
            check(shot.rgb == normal.rgb, "the window differs from its first normal look")


if __name__ == "__main__":
    main()
