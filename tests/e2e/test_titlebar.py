"""The title bar does a system caption's work: a left drag on it or on the
caption moves the window, a middle press iconifies it, a right press does
nothing; presses on the shadow, the caption buttons or the icon start no drag."""

from lunivar_e2e import Session, check, wait_until

TITLE_FREE = (60, 12)
DX, DY = 100, 40


def main():
    with Session.from_args("e2e_titlebar") as s:
        r = s.results
        w = s.start_program()
        ps = s.atspi
        # The caption and, 2 px right of and below it, its shadow.
        cap = min((s.extents(a) for a in s.find_all(lambda a: a.getRole() in (ps.ROLE_LABEL, ps.ROLE_STATIC)
                                                     and a.name == "Lunivar 5.3")), key=lambda e: e[0])
        wx, wy = s.position(w)
        cx, cy, cw, ch = cap[0] - wx, cap[1] - wy, cap[2], cap[3]

        def moved_by(x, y, dx, dy, button=1):
            start = s.position(w)
            s.drag(w, x, y, dx, dy, button=button)
            check(s.alive() and not s.iconified(w), "press at (%d, %d): program ended or iconified" % (x, y))
            got = s.position(w)
            return (got[0] - start[0], got[1] - start[1])

        with r.case("left drags on the title bar and on the caption move the window by exactly 100/40"):
            check(moved_by(*TITLE_FREE, DX, DY) == (DX, DY), "title bar drag")
            check(moved_by(cx + cw // 2, cy + ch // 2, -DX, -DY) == (-DX, -DY), "caption drag")

        with r.case("right press and drag, presses on the shadow and on the caption buttons start no drag"):
            s.click_in(w, *TITLE_FREE, button=3)
            for x, y, button in ((*TITLE_FREE, 3), (cx + cw, cy + ch // 2, 1), (cx + cw // 2, cy + ch + 1, 1),
                                 (326, 13, 1), (366, 13, 1)):
                check(moved_by(x, y, -DX, DY, button) == (0, 0), "press at (%d, %d) button %d moved it" % (x, y, button))

        with r.case("a press on the icon opens the menu and starts no drag"):
            start = s.position(w)
            s.move_in(w, 18, 12)
            s.xdo("mousedown", 1)
            wait_until(s.popup_windows, 3, 0.05, "the menu to open")
            moves = []
            for i in range(1, 11):
                moves += ["mousemove", start[0] + 18 + DX * i // 10, start[1] + 12 + 150 * i // 10, "sleep", "0.03"]
            s.xdo(*moves, "mouseup", 1)
            s.settle(0.3)
            check(s.position(w) == start, "the window moved")
            if s.popup_windows():
                s.key("Escape")
            wait_until(lambda: not s.popup_windows(), 3, 0.05, "the menu to close")

        with r.case("a middle press on the title bar, and on the caption, iconifies the window"):
            for x, y in (TITLE_FREE, (cx + cw // 2, cy + ch // 2)):
                s.activate(w)
                wait_until(lambda: s.is_viewable(w) and not s.iconified(w), 5, 0.05, "the window to be shown")
                s.settle(0.3)
                s.click_in(w, x, y, button=2)
                wait_until(lambda: s.iconified(w), 5, 0.05, "the window to be iconified")
                check(s.alive(), "the program ended")


if __name__ == "__main__":
    main()
