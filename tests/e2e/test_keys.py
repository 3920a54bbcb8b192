# The program by keyboard and screen reader, and the icon's menu: names
# for every control, the tab order, the focus mark, Enter, Space and the
# access keys; the frame's inactive face while the menu and its command run,
# the modal About window with the version, and Exit.

from harness import BUTTONS, FIELD_NAMES, Session, check, close_colour, eventually, load_bitmap, wait_until

ICON = (18, 12)
W, H = 380, 202
ACTIVE = (111, 106, (192, 192, 192))
INACTIVE = (112, 107, (128, 128, 255))


def keyboard(s, w):
    ps = s.atspi
    r = s.results
    fields = {f: s.find(role=[ps.ROLE_TEXT, ps.ROLE_ENTRY], name=n) for f, n in FIELD_NAMES.items()}
    lists = [ps.ROLE_LIST, ps.ROLE_LIST_BOX]
    day, month = s.find(role=lists, name="День (число)"), s.find(role=lists, name="Месяц")
    buttons = {n: s.find(role=ps.ROLE_PUSH_BUTTON, name=n) for n in ("Проверить", "Закрыть", "О программе...")}

    def focused(acc):
        return acc.getState().contains(ps.STATE_FOCUSED)

    def sign():
        return s.text_of(fields["txtSign"])

    s.activate(w)
    with r.case("every control shown has a name a screen reader can say"):
        unnamed = [a.getRoleName() for a in s.walk(s.app())
                   if a.getRole() not in (ps.ROLE_APPLICATION, ps.ROLE_LIST_ITEM, ps.ROLE_TABLE_CELL)
                   and a.getState().contains(ps.STATE_SHOWING) and not (a.name or "").strip()]
        check(not unnamed, "controls without a name: %r" % unnamed)
        names = {a.name for a in s.walk(s.app())}
        for n in ("Lunivar 5.3", "Заголовок окна", "Меню программы", "Свернуть окно", "Закрыть окно", "Проверить",
                  "О программе...", "День (число)", "Месяц", "Ваш знак зодиака:", "Телисман:"):
            check(n in names, "no control named %r" % n)
    with r.case("the focus starts on the month list; Tab follows the layout's tab order round"):
        wait_until(lambda: focused(month), 5, 0.1, "focus on the month list")
        order = [day, buttons["Проверить"], fields["txtSign"], fields["txtPair"], fields["txtPercStone"],
                 fields["txtTalis"], buttons["Закрыть"], buttons["О программе..."], fields["txtZ"], month]
        for i, acc in enumerate(order):
            s.key("Tab", settle=0.1)
            check(focused(acc), "Tab %d did not reach %r" % (i + 1, acc.name))
        s.key("Tab", "shift+Tab", settle=0.1)
        check(focused(month), "Shift+Tab did not go back to the month list")
    with r.case("a focused push button shows a mark inside its face; Enter and Space press it"):
        s.key("Tab", "Tab", settle=0.2)
        check(focused(buttons["Проверить"]), "focus not on Проверить")
        img = s.screenshot(w, "lunivar-focus.png")
        bx, by, bw, bh = BUTTONS[0]
        check(any(min(img.px(bx + x, by + 3)) < 120 for x in range(10, 60)), "no focus mark")
        for x, y in ((1, 10), (bw - 2, 10), (bw // 2, 1), (bw // 2, bh - 2)):
            check(min(img.px(bx + x, by + y)) >= 150, "face broken at (%d, %d)" % (x, y))
        s.key("Return")
        check(eventually(sign, lambda v: v == "Козеог") == "Козеог", "Enter on Проверить: %r" % sign())
        s.click_in(w, 64 + 40, 32 + 2 + 13 * 5 + 6)  # June
        s.key("Tab", "Tab", "space")
        check(eventually(sign, lambda v: v == "Близнецы") == "Близнецы", "Space on Проверить in June: %r" % sign())
    with r.case("Alt+П looks up from anywhere in the window"):
        s.click_in(w, 64 + 40, 32 + 2 + 13 * 2 + 6)  # March
        s.key("End", "alt+Cyrillic_pe")              # December
        check(eventually(sign, lambda v: v == "Стрелец") == "Стрелец", "Alt+П with 1 December: %r" % sign())
    with r.case("Alt+О opens the About window with 5.3; Return closes it"):
        s.key("alt+Cyrillic_o")
        s.find(role=ps.ROLE_PUSH_BUTTON, name="OK", timeout=5, showing=True)
        s.find(name="5.3", timeout=5)
        s.key("Return", settle=0.4)
        wait_until(lambda: not [a for a in s.program_windows() if a.id != w.id and s.is_viewable(a)], 5, 0.05,
                   "the About window to close")
    with r.case("Alt+З ends the program with status 0"):
        s.activate(w)
        s.key("alt+Cyrillic_ze")
        check(s.wait_exit(5) == 0, "exit status")


def menu(s):
    w = s.start_program()
    ps = s.atspi
    r = s.results
    sign = s.find(role=[ps.ROLE_TEXT, ps.ROLE_ENTRY], name=FIELD_NAMES["txtSign"])
    wx, wy = s.position(w)
    caption = [s.extents(a) for a in s.find_all(lambda a: a.getRole() in (ps.ROLE_LABEL, ps.ROLE_STATIC)
                                               and a.name == "Lunivar 5.3")]
    x0, y0 = min(e[0] for e in caption) - wx, min(e[1] for e in caption) - wy
    covered = [(8, 3, 21, 20), (318, 4, 17, 19), (358, 4, 18, 19),
               (x0, y0, max(e[0] + e[2] for e in caption) - wx - x0, max(e[1] + e[3] for e in caption) - wy - y0)]

    def faults(shot, face, hidden=()):
        # The title bar, bottom strip and side strips where they differ from the face.
        title, bottom, strip = load_bitmap(face[0]), load_bitmap(face[1]), face[2]
        skip = lambda x, y, rects: any(rx <= x < rx + rw and ry <= y < ry + rh for rx, ry, rw, rh in rects)
        out = [(x, y) for y in range(3, 24) for x in range(4, W - 4) if not skip(x, y, covered + list(hidden))
               and not close_colour(shot.px(x, y), title.px(x, y))]
        out += [(x, y) for y in range(195, H) for x in range(4, W - 4) if not skip(x, y, hidden)
                and not close_colour(shot.px(x, y), bottom.px(x, y - 195))]
        return out + [(x, y) for y in range(24, 195) for x in (0, 1, W - 2, W - 1)
                      if not skip(x, y, hidden) and shot.px(x, y) != strip]

    def look(face, hidden=(), name=None):
        shot = eventually(lambda: s.grab(wx, wy, W + 200, H + 100), lambda img: not faults(img, face, hidden))
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
    with r.case("О chooses About: 5.3, the frame stays inactive, the main window takes no click"):
        s.key("Cyrillic_o", settle=0.3)
        about = wait_until(about_window, 5, 0.05, "the About window")[0]
        s.find(role=[ps.ROLE_LABEL, ps.ROLE_STATIC], name="5.3")
        ax, ay, aw, ah = s.geometry(about)
        s.screenshot(about, "lunivar-about.png")
        look(INACTIVE, [(ax - wx, ay - wy, aw, ah)])
        s.click_in(w, 18, 130, settle=0.5)
        check(s.text_of(sign) == "" and about_window(), "the main window took a click under About")
    with r.case("a click on OK closes About; the active face is back and the window takes clicks"):
        x, y, _, bh = s.extents(s.find(role=ps.ROLE_PUSH_BUTTON, name="OK"))
        s.move_to(x + 10, y + bh // 2)
        s.xdo("click", 1)
        wait_until(lambda: not about_window(), 5, 0.05, "the About window to close")
        s.move_in(w, 100, 28)
        look(ACTIVE)
        s.click_in(w, 18, 130, settle=0.4)
        check(eventually(lambda: s.text_of(sign), lambda v: v != "") == "Козеог", "no lookup after About")
    with r.case("Escape dismisses the menu: the active face"):
        look(INACTIVE, [open_menu()])
        s.key("Escape", settle=0.4)
        wait_until(lambda: not s.popup_windows(), 3, 0.05, "the menu to close")
        look(ACTIVE)
    with r.case("ы chooses Выход: status 0"):
        open_menu()
        s.key("Cyrillic_yeru")
        check(s.wait_exit(5) == 0, "exit status")


def main():
    with Session.from_args("e2e_keys", timeout=120) as s:
        keyboard(s, s.start_program())
        menu(s)


if __name__ == "__main__":
    main()
