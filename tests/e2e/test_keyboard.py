"""The program by keyboard and screen reader: access keys, Tab order, Enter
and Space on the push buttons, the focus mark, and names for every control."""

from lunivar_e2e import Session, check, wait_until

FIELDS = ("Ваш знак зодиака", "Символ знака", "Пары по зодиаку", "Драгоценный камень", "Телисман")
BUTTON0 = (8, 120, 177, 21)


def main():
    with Session.from_args("e2e_keyboard") as s:
        w = s.start_program()
        ps = s.atspi
        r = s.results
        fields = {n: s.find(role=[ps.ROLE_TEXT, ps.ROLE_ENTRY], name=n) for n in FIELDS}
        day = s.find(role=[ps.ROLE_LIST, ps.ROLE_LIST_BOX], name="День (число)")
        month = s.find(role=[ps.ROLE_LIST, ps.ROLE_LIST_BOX], name="Месяц")
        buttons = {n: s.find(role=ps.ROLE_PUSH_BUTTON, name=n) for n in ("Проверить", "Закрыть", "О программе...")}

        def focused(acc):
            return acc.getState().contains(ps.STATE_FOCUSED)

        def sign():
            return s.text_of(fields["Ваш знак зодиака"])

        s.activate(w)
        with r.case("every control has a name a screen reader can say"):
            app = s.app()
            unnamed = []
            for a in s.walk(app):
                role = a.getRole()
                if role in (ps.ROLE_APPLICATION, ps.ROLE_LIST_ITEM, ps.ROLE_TABLE_CELL):
                    continue
                if not a.getState().contains(ps.STATE_SHOWING):
                    continue
                if not (a.name or "").strip():
                    unnamed.append(a.getRoleName())
            check(not unnamed, "controls without a name: %r" % unnamed)
            names = {a.name for a in s.walk(app)}
            for n in ("Lunivar 5.3", "Заголовок окна", "Меню программы", "Свернуть окно", "Закрыть окно", "Проверить",
                      "О программе...", "День (число)", "Месяц", "Ваш знак зодиака:", "Телисман:") + FIELDS:
                check(n in names, "no control named %r; names %r" % (n, sorted(names)))

        with r.case("the window starts with the focus on the month list; Tab follows the tab order"):
            wait_until(lambda: focused(month), 5, 0.1, "focus on the month list")
            # The layout's tab indexes: lists, check button, the fields, the
            # close and About buttons, the glyph box, and round again.
            order = [day, buttons["Проверить"], fields["Ваш знак зодиака"], fields["Пары по зодиаку"],
                     fields["Драгоценный камень"], fields["Телисман"], buttons["Закрыть"],
                     buttons["О программе..."], fields["Символ знака"], month]
            for i, acc in enumerate(order):
                s.key("Tab", settle=0.1)
                check(focused(acc), "Tab %d did not reach %r" % (i + 1, acc.name))
            s.key("Tab", settle=0.1)
            s.key("shift+Tab", settle=0.1)
            check(focused(month), "Shift+Tab did not go back to the month list")
            s.key("Tab", "Tab", settle=0.2)
            check(focused(buttons["Проверить"]), "focus not on Проверить")

        with r.case("a focused push button shows a mark that leaves its face whole; Enter presses it"):
            img = s.screenshot(w, "lunivar-focus.png")
            bx, by, bw, bh = BUTTON0
            # The mark is a dotted line 3 px inside the capsule; its caps and
            # its top and bottom rows are the face as painted.
            for x, y in ((1, 10), (bw - 2, 10), (bw // 2, 1), (bw // 2, bh - 2), (6, 10), (bw - 5, 10)):
                c = img.px(bx + x, by + y)
                check(min(c) >= 150, "face broken at (%d, %d): %r" % (x, y, c))
            s.key("Return")
            check(sign() == "Козеог", "Enter on Проверить: sign %r" % sign())

        with r.case("Space presses the focused button too"):
            s.click_in(w, 64 + 40, 32 + 2 + 13 * 5 + 6)      # June in the month list
            s.key("Tab", "Tab")
            check(focused(buttons["Проверить"]), "focus not on Проверить")
            s.key("space")
            check(sign() == "Близнецы", "Space on Проверить in June: sign %r" % sign())

        with r.case("Alt+П runs the lookup from anywhere in the window"):
            s.click_in(w, 64 + 40, 32 + 2 + 13 * 2 + 6)      # March
            s.key("End")                                     # December
            s.key("alt+Cyrillic_pe")
            check(sign() == "Стрелец", "Alt+П with 1 December: sign %r" % sign())

        with r.case("Alt+О opens the About window; its OK button closes it"):
            s.key("alt+Cyrillic_o")
            ok = s.find(role=ps.ROLE_PUSH_BUTTON, name="OK", timeout=5, showing=True)
            ver = s.find(name="5.3", timeout=5)
            check(ver is not None, "no version label")
            s.press(ok)
            wait_until(lambda: not s.find_all(lambda a: a.getRole() == ps.ROLE_PUSH_BUTTON and a.name == "OK"
                                              and a.getState().contains(ps.STATE_SHOWING)),
                       5, 0.2, "the About window to close")

        def about_showing():
            return [a for a in s.find_all(lambda a: a.getRole() == ps.ROLE_PUSH_BUTTON and a.name == "OK")
                    if a.getState().contains(ps.STATE_SHOWING)]

        with r.case("in the icon's menu the key О chooses About"):
            s.click_in(w, 15, 10)                              # the apple icon
            s.settle(0.5)
            check(s.popup_windows(), "the menu did not open")
            s.key("Cyrillic_o", settle=0.5)
            ok = wait_until(about_showing, 5, 0.2, "the About window")[0]
            s.press(ok)
            wait_until(lambda: not about_showing(), 5, 0.2, "the About window to close")

        with r.case("Alt+З closes the program with status 0"):
            s.activate(w)
            s.key("alt+Cyrillic_ze")
            check(s.wait_exit(5) == 0, "exit status")

        with r.case("in the icon's menu the key ы chooses Exit: status 0"):
            w = s.start_program()
            s.activate(w)
            s.click_in(w, 15, 10)
            s.settle(0.5)
            check(s.popup_windows(), "the menu did not open")
            s.key("Cyrillic_yeru")
            check(s.wait_exit(5) == 0, "exit status")


if __name__ == "__main__":
    main()
