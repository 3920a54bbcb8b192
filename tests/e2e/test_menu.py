"""The icon's menu and the About window: while they are open the frame shows
its inactive face (title 112, bottom 107, blue side strips); About is modal
and shows 5.3; OK and Escape bring the active face back; Exit ends the program."""

from lunivar_e2e import Session, check, close_colour, eventually, load_bitmap, wait_until

ICON = (18, 12)
CHECK_FACE = (18, 130)      # left cap of "Проверить", clear of the About window
W, H = 380, 202
ACTIVE = (111, 106, (192, 192, 192))
INACTIVE = (112, 107, (128, 128, 255))


def main():
    with Session.from_args("e2e_menu") as s:
        r = s.results
        w = s.start_program()
        ps = s.atspi
        sign = s.find(role=[ps.ROLE_TEXT, ps.ROLE_ENTRY], name="Ваш знак зодиака")
        wx, wy = s.position(w)
        caption = [s.extents(a) for a in s.find_all(lambda a: a.getRole() in (ps.ROLE_LABEL, ps.ROLE_STATIC)
                                                   and a.name == "Lunivar 5.3")]
        x0, y0 = min(e[0] for e in caption) - wx, min(e[1] for e in caption) - wy
        # Icon, caption buttons, caption and shadow cover parts of the title bar.
        covered = [(8, 3, 21, 20), (318, 4, 17, 19), (358, 4, 18, 19),
                   (x0, y0, max(e[0] + e[2] for e in caption) - wx - x0, max(e[1] + e[3] for e in caption) - wy - y0)]

        def faults(shot, face, hidden=()):
            """Title bar, bottom strip and side strips that differ from the face,
            leaving out the covered parts, the corners and what lies under hidden."""
            title, bottom, strip = load_bitmap(face[0]), load_bitmap(face[1]), face[2]
            skip = lambda x, y, rects: any(rx <= x < rx + rw and ry <= y < ry + rh for rx, ry, rw, rh in rects)
            out = [(x, y) for y in range(3, 24) for x in range(4, W - 4) if not skip(x, y, covered + list(hidden))
                   and not close_colour(shot.px(x, y), title.px(x, y))]
            out += [(x, y) for y in range(195, H) for x in range(4, W - 4) if not skip(x, y, hidden)
                    and not close_colour(shot.px(x, y), bottom.px(x, y - 195))]
            return out + [(x, y) for y in range(24, 195) for x in (0, 1, W - 2, W - 1)
                          if not skip(x, y, hidden) and shot.px(x, y) != strip]

        def look(face, hidden=(), name=None):
            grab = lambda: s.grab(wx, wy, W + 200, H + 100)
            shot = eventually(grab, lambda img: not faults(img, face, hidden))
            if name:
                shot.save_png(s.artifacts + "/" + name)
            f = faults(shot, face, hidden)
            check(not f, "%d pixels differ from the face %d, e.g. %r" % (len(f), face[0], f[:3]))

        def open_menu():
            s.click_in(w, *ICON, settle=0.4)
            x, y, pw, ph = s.geometry(wait_until(s.popup_windows, 3, 0.05, "the menu to open")[0])
            return (x - wx, y - wy, pw, ph)

        def about_window():
            return [a for a in s.program_windows() if a.id != w.id and s.is_viewable(a)]

        with r.case("the open menu turns the frame inactive: 112, 107, blue strips"):
            look(ACTIVE)
            look(INACTIVE, [open_menu()], "lunivar-menu.png")

        with r.case("About from the menu: 5.3, an OK button, the frame stays inactive, the main window takes no input"):
            s.key("Down", "Return", settle=0.3)
            about = wait_until(about_window, 5, 0.05, "the About window")[0]
            s.settle(0.4)
            s.find(role=[ps.ROLE_LABEL, ps.ROLE_STATIC], name="5.3")
            s.find(role=ps.ROLE_PUSH_BUTTON, name="OK")
            ax, ay, aw, ah = s.geometry(about)
            s.screenshot(w, "lunivar-about.png")
            look(INACTIVE, [(ax - wx, ay - wy, aw, ah)])
            s.click_in(w, *CHECK_FACE, settle=0.5)
            check(s.text_of(sign) == "" and about_window(), "the main window took a click under About")

        with r.case("a click on OK closes About, the active face is back and the window takes input"):
            x, y, _, bh = s.extents(s.find(role=ps.ROLE_PUSH_BUTTON, name="OK"))
            s.move_to(x + 10, y + bh // 2)
            s.xdo("click", 1)
            wait_until(lambda: not about_window(), 5, 0.05, "the About window to close")
            s.move_in(w, 100, 28)
            look(ACTIVE)
            s.click_in(w, *CHECK_FACE, settle=0.4)
            got = eventually(lambda: s.text_of(sign), lambda v: v != "")
            check(got == "Козеог", "the check button does not work again: %r" % got)

        with r.case("Escape on the open menu dismisses it and restores the active face"):
            look(INACTIVE, [open_menu()])
            s.key("Escape", settle=0.4)
            wait_until(lambda: not s.popup_windows(), 3, 0.05, "the menu to close")
            look(ACTIVE)
            check(not about_window(), "an About window appeared")

        with r.case("\"Выход\" clicked on the menu ends the program with status 0"):
            # The menu is not on the accessibility bus: its last item lies at its bottom edge.
            mx, my, mw, mh = open_menu()
            s.move_in(w, mx + mw // 2, my + mh - 8)
            s.settle(0.1)
            s.xdo("click", 1)
            check(s.wait_exit(5) == 0, "exit status")


if __name__ == "__main__":
    main()
