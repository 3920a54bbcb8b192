"""The title bar does a system caption's work: a left drag on it or on the
caption moves the window with the pointer, a middle press minimises it, a
right press does nothing; presses on the shadow, the caption buttons or the
icon start no drag."""

from lunivar_e2e import Session, check, wait_until

TITLE_FREE = (60, 12)       # title bar, between the icon and the caption
MIN_CENTRE = (326, 13)
CLOSE_CENTRE = (366, 13)
ICON_CENTRE = (18, 12)      # icon: x 8-28, y 3-22
DX, DY = 100, 40


def main():
    with Session.from_args("e2e_titlebar") as s:
        r = s.results
        w = s.start_program()
        ps = s.atspi

        def labels():
            """The caption and its shadow, over the accessibility bus: the
            shadow is the one 2 px right of and below the other."""
            found = s.find_all(lambda a: a.getRole() in (ps.ROLE_LABEL, ps.ROLE_STATIC)
                               and a.name == "Lunivar 5.3")
            check(len(found) == 2, "expected the caption and its shadow, found %d" % len(found))
            ext = sorted((s.extents(a) for a in found), key=lambda e: e[0])
            return ext[0], ext[1]

        def in_window(ext):
            wx, wy = s.position(w)
            x, y, width, height = ext
            return (x - wx, y - wy, width, height)

        def unchanged(label, start):
            check(s.alive(), "%s: the program ended" % label)
            check(not s.iconified(w), "%s: the window was iconified" % label)
            check(s.position(w) == start, "%s: the window moved from %r to %r" % (label, start, s.position(w)))

        with r.case("caption and shadow: same text, the shadow 2 px right and 2 px down"):
            cap, shadow = labels()
            check((shadow[0] - cap[0], shadow[1] - cap[1]) == (2, 2), "offset %r" % ((shadow[0] - cap[0], shadow[1] - cap[1]),))
            check(cap[2:] == shadow[2:], "sizes differ: %r %r" % (cap, shadow))

        with r.case("left drag on the title bar moves the window by exactly (+100, +40)"):
            start = s.position(w)
            s.drag(w, TITLE_FREE[0], TITLE_FREE[1], DX, DY)
            got = s.position(w)
            check(got == (start[0] + DX, start[1] + DY), "from %r to %r" % (start, got))

        with r.case("left drag on the caption moves the window by exactly (-100, -40)"):
            cx, cy, cw, ch = in_window(labels()[0])
            start = s.position(w)
            s.drag(w, cx + cw // 2, cy + ch // 2, -DX, -DY)
            got = s.position(w)
            check(got == (start[0] - DX, start[1] - DY), "from %r to %r" % (start, got))

        with r.case("right press and right drag on the title bar change nothing"):
            start = s.position(w)
            s.click_in(w, TITLE_FREE[0], TITLE_FREE[1], button=3)
            unchanged("right press", start)
            s.drag(w, TITLE_FREE[0], TITLE_FREE[1], DX, DY, button=3)
            unchanged("right drag", start)

        with r.case("a press on the visible part of the shadow starts no drag"):
            cap, shadow = labels()
            cx, cy, cw, ch = in_window(cap)
            # The shadow shows only where the caption does not cover it: its
            # two right-most columns and its two bottom rows.
            start = s.position(w)
            s.drag(w, cx + cw, cy + ch // 2, DX, DY)
            unchanged("press on the shadow's right edge", start)
            s.drag(w, cx + cw // 2, cy + ch + 1, DX, DY)
            unchanged("press on the shadow's bottom edge", start)

        with r.case("a press on a caption button, dragged away, neither drags nor acts"):
            start = s.position(w)
            s.drag(w, MIN_CENTRE[0], MIN_CENTRE[1], -DX, DY)
            unchanged("drag from minimise", start)
            s.drag(w, CLOSE_CENTRE[0], CLOSE_CENTRE[1], -DX, DY)
            unchanged("drag from close", start)

        with r.case("a press on the icon opens the menu and starts no drag"):
            start = s.position(w)
            # Down on the icon: the menu opens at once; then away, below the
            # menu, and released there.
            s.move_in(w, *ICON_CENTRE)
            s.xdo("mousedown", 1)
            wait_until(s.popup_windows, 3, 0.05, "the menu to open")
            wx, wy = s.position(w)
            moves = []
            for i in range(1, 11):
                moves += ["mousemove", wx + ICON_CENTRE[0] + DX * i // 10, wy + ICON_CENTRE[1] + 150 * i // 10,
                          "sleep", "0.03"]
            s.xdo(*moves, "mouseup", 1)
            s.settle(0.3)
            unchanged("drag from the icon", start)
            if s.popup_windows():
                s.key("Escape")
            wait_until(lambda: not s.popup_windows(), 3, 0.05, "the menu to close")
            unchanged("menu dismissed", start)

        with r.case("a middle press on the title bar iconifies the window"):
            s.click_in(w, TITLE_FREE[0], TITLE_FREE[1], button=2)
            wait_until(lambda: s.iconified(w), 5, 0.05, "the window to be iconified")
            check(s.alive(), "the program ended")

        with r.case("a middle press on the caption iconifies the window too"):
            s.activate(w)
            wait_until(lambda: s.is_viewable(w) and not s.iconified(w), 5, 0.05, "the window to come back")
            s.settle(0.3)
            cx, cy, cw, ch = in_window(labels()[0])
            s.click_in(w, cx + cw // 2, cy + ch // 2, button=2)
            wait_until(lambda: s.iconified(w), 5, 0.05, "the window to be iconified")
            check(s.alive(), "the program ended")


if __name__ == "__main__":
    main()
