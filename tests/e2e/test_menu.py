"""The icon's menu and the About window: while the menu and the command
chosen from it run, the frame shows its inactive face (title 112, bottom
107, blue side strips); About opens a modal window showing the version;
OK and Escape bring the active face back; Exit ends the program."""

from lunivar_e2e import Session, check, close_colour, eventually, load_bitmap, wait_until

ICON_CENTRE = (18, 12)          # icon: x 8-28, y 3-22
CHECK_FACE = (18, 130)          # left cap of "Проверить", left of where the About window lies
ABOUT_BUTTON = (38, 154)        # "О программе..." push button
W, H = 380, 202
BLUE_STRIP, SILVER_STRIP = (128, 128, 255), (192, 192, 192)
# Parts of the title bar that other controls cover: icon and caption buttons.
TITLE_COVERED = [(8, 3, 21, 20), (318, 4, 17, 19), (358, 4, 18, 19)]


def inside(x, y, rect):
    rx, ry, rw, rh = rect
    return rx <= x < rx + rw and ry <= y < ry + rh


def main():
    with Session.from_args("e2e_menu") as s:
        r = s.results
        w = s.start_program()
        ps = s.atspi
        title_active, title_inactive = load_bitmap(111), load_bitmap(112)
        bottom_active, bottom_inactive = load_bitmap(106), load_bitmap(107)
        sign = s.find(role=[ps.ROLE_TEXT, ps.ROLE_ENTRY], name="Ваш знак зодиака")
        caption = [s.extents(a) for a in s.find_all(
            lambda a: a.getRole() in (ps.ROLE_LABEL, ps.ROLE_STATIC) and a.name == "Lunivar 5.3")]
        wx0, wy0 = s.position(w)
        # The caption and its shadow, in window pixels, one rectangle.
        cx = min(e[0] for e in caption) - wx0
        cy = min(e[1] for e in caption) - wy0
        cw = max(e[0] + e[2] for e in caption) - wx0 - cx
        ch = max(e[1] + e[3] for e in caption) - wy0 - cy
        covered_title = TITLE_COVERED + [(cx, cy, cw, ch)]

        def frame_faults(shot, title, bottom, strip, hidden=()):
            """What differs from the expected face: title bar, bottom strip
            and both side strips, leaving out the covered parts, the
            rounded corners and whatever lies under `hidden` rectangles."""
            out = []
            compared = 0
            for y in range(3, 24):
                for x in range(4, W - 4):
                    if any(inside(x, y, c) for c in covered_title) or any(inside(x, y, h) for h in hidden):
                        continue
                    compared += 1
                    if not close_colour(shot.px(x, y), title.px(x, y)):
                        out.append(("title", x, y, shot.px(x, y), title.px(x, y)))
            for y in range(195, 202):
                for x in range(4, W - 4):
                    if any(inside(x, y, h) for h in hidden):
                        continue
                    compared += 1
                    if not close_colour(shot.px(x, y), bottom.px(x, y - 195)):
                        out.append(("bottom", x, y, shot.px(x, y), bottom.px(x, y - 195)))
            for y in range(24, 195):
                for x in (0, 1, W - 2, W - 1):
                    if any(inside(x, y, h) for h in hidden):
                        continue
                    compared += 1
                    if shot.px(x, y) != strip:
                        out.append(("strip", x, y, shot.px(x, y), strip))
            check(compared > 3000, "too little of the frame was visible to compare (%d px)" % compared)
            return out

        def popup_rect():
            """The open menu, in window pixels."""
            p = wait_until(s.popup_windows, 3, 0.05, "the menu to open")[0]
            x, y, pw, ph = s.geometry(p)
            wx, wy = s.position(w)
            return (x - wx, y - wy, pw, ph)

        def about_window():
            return [a for a in s.program_windows() if a.id != w.id and s.is_viewable(a)]

        def active_look():
            return eventually(lambda: s.grab_window(w),
                              lambda img: not frame_faults(img, title_active, bottom_active, SILVER_STRIP))

        def faults_text(f):
            return "%d pixels differ, e.g. %r" % (len(f), f[:3])

        with r.case("before the menu: active faces (111, 106) and silver side strips"):
            f = frame_faults(s.grab_window(w), title_active, bottom_active, SILVER_STRIP)
            check(not f, faults_text(f))

        with r.case("a press on the icon opens the menu; the frame turns inactive (112, 107, blue strips)"):
            s.click_in(w, *ICON_CENTRE, settle=0.4)
            menu = popup_rect()
            mx, my, mw, mh = menu
            check(abs(mx - ICON_CENTRE[0]) <= 2 and abs(my - ICON_CENTRE[1]) <= 2,
                  "the menu is at %r, not at the pointer %r" % ((mx, my), ICON_CENTRE))
            wx, wy = s.position(w)
            shot = s.grab(wx, wy, max(W, mx + mw), max(H, my + mh))
            f = frame_faults(shot, title_inactive, bottom_inactive, BLUE_STRIP, hidden=[menu])
            if f:   # the frame may still be repainting
                shot = eventually(lambda: s.grab(wx, wy, max(W, mx + mw), max(H, my + mh)),
                                  lambda img: not frame_faults(img, title_inactive, bottom_inactive, BLUE_STRIP, hidden=[menu]))
                f = frame_faults(shot, title_inactive, bottom_inactive, BLUE_STRIP, hidden=[menu])
            shot.save_png(s.artifacts + "/lunivar-menu.png")
            check(not f, faults_text(f))

        with r.case("Down, Return on the open menu opens the About window: version 5.3, button OK, centred, frame stays inactive"):
            s.key("Down", "Return", settle=0.3)
            about = wait_until(about_window, 5, 0.05, "the About window")[0]
            s.settle(0.4)
            check(not s.popup_windows(), "the menu is still open")
            ver = s.find(role=[ps.ROLE_LABEL, ps.ROLE_STATIC], name="5.3")
            s.find(role=ps.ROLE_PUSH_BUTTON, name="OK")
            check(ver is not None, "no version label")
            ax, ay, aw, ah = s.geometry(about)
            wx, wy = s.position(w)
            check(abs(ax - (wx + (W - aw) / 2)) <= 1 and abs(ay - (wy + (H - ah) / 2)) <= 1,
                  "About at %r is not centred on the main window at %r" % ((ax, ay), (wx, wy)))
            shot = s.screenshot(w, "lunivar-about.png")
            s.screenshot(about, "lunivar-about-window.png")
            hidden = [(ax - wx, ay - wy, aw, ah)]
            f = frame_faults(shot, title_inactive, bottom_inactive, BLUE_STRIP, hidden=hidden)
            check(not f, "while About is open: " + faults_text(f))

        with r.case("while the About window is open the main window takes no input"):
            s.click_in(w, *CHECK_FACE, settle=0.5)
            check(s.text_of(sign) == "", "the check button worked under the About window: %r" % s.text_of(sign))
            check(about_window(), "the About window went away")

        with r.case("a click on OK closes the About window and the active faces are back"):
            ok = s.find(role=ps.ROLE_PUSH_BUTTON, name="OK")
            x, y, bw, bh = s.extents(ok)
            s.move_to(x + 10, y + bh // 2)
            s.xdo("click", 1)
            wait_until(lambda: not about_window(), 5, 0.05, "the About window to close")
            s.move_in(w, 100, 28)
            f = frame_faults(active_look(), title_active, bottom_active, SILVER_STRIP)
            check(not f, faults_text(f))
            s.click_in(w, *CHECK_FACE, settle=0.4)
            eventually(lambda: s.text_of(sign), lambda v: v != "")
            check(s.text_of(sign) == "Козеог", "the check button does not work again: %r" % s.text_of(sign))

        with r.case("Escape on the open menu dismisses it and restores the active faces"):
            s.click_in(w, *ICON_CENTRE, settle=0.4)
            menu = popup_rect()
            f = frame_faults(s.grab_window(w), title_inactive, bottom_inactive, BLUE_STRIP, hidden=[menu])
            check(not f, "menu open: " + faults_text(f))
            s.key("Escape", settle=0.4)
            wait_until(lambda: not s.popup_windows(), 3, 0.05, "the menu to close")
            f = frame_faults(active_look(), title_active, bottom_active, SILVER_STRIP)
            check(not f, faults_text(f))
            check(not about_window(), "an About window appeared")

        with r.case("the \"О программе...\" push button opens the About window too; OK pressed over the accessibility bus"):
            s.click_in(w, *ABOUT_BUTTON, settle=0.4)
            wait_until(about_window, 5, 0.05, "the About window")
            s.find(role=[ps.ROLE_LABEL, ps.ROLE_STATIC], name="5.3")
            s.press(s.find(role=ps.ROLE_PUSH_BUTTON, name="OK"))
            wait_until(lambda: not about_window(), 5, 0.05, "the About window to close")
            check(s.alive(), "the program ended")

        with r.case("\"Выход\" clicked on the menu ends the program with status 0"):
            s.click_in(w, *ICON_CENTRE, settle=0.4)
            # Popup menus are not among the application's children on the
            # accessibility bus: the last item lies at the menu's bottom edge.
            mx, my, mw, mh = popup_rect()
            s.move_in(w, mx + mw // 2, my + mh - 8)
            s.settle(0.1)
            s.xdo("click", 1)
            rc = s.wait_exit(5)
            check(rc == 0, "exit status %r" % rc)


if __name__ == "__main__":
    main()
