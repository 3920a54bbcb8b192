# The program by keyboard and screen reader, and the icon's menu: the
# names the accessibility bus reads, real keys reaching the window (a list
# key, Tab, the focus mark, Space, Enter, Alt with an access key); the frame's
# inactive face while the menu and its command run, the modal About window
# with the version, and Exit.

from harness import (ACCESSIBLE, BUTTONS, FIELD_NAMES, SHORTCUTS, TOOLTIPS, Session, about_faults, check,
                     close_colour, eventually, load_bitmap, text_faults, wait_until)

ICON = (18, 12)
W, H = 380, 202
ACTIVE = (111, 106, (192, 192, 192))
INACTIVE = (112, 107, (128, 128, 255))


def keyboard(s, w):
    # What the toolkit does with keys is the model test's; here: that real
    # keys reach it, what the bus reads, and the focus mark on the screen.
    ps = s.atspi
    r = s.results
    fields = {f: s.find(role=[ps.ROLE_TEXT, ps.ROLE_ENTRY], name=n) for f, n in FIELD_NAMES.items()}
    lists = [ps.ROLE_LIST, ps.ROLE_LIST_BOX]
    month = s.find(role=lists, name="Месяц")
    buttons = {n: s.find(role=ps.ROLE_PUSH_BUTTON, name=n) for n in ("Проверить", "Закрыть", "О программе...")}

    def focused(acc):
        return acc.getState().contains(ps.STATE_FOCUSED)

    def sign():
        return s.text_of(fields["txtSign"])

    s.activate(w)
    with r.case("the bus reads the window's controls by role and name, decorations and shadows left out"):
        window = s.find(role=ps.ROLE_FRAME, name="Lunivar 5.3")
        roles = {ps.ROLE_LABEL: "label", ps.ROLE_STATIC: "label", ps.ROLE_PUSH_BUTTON: "button", ps.ROLE_LIST: "list",
                 ps.ROLE_LIST_BOX: "list", ps.ROLE_TEXT: "text", ps.ROLE_ENTRY: "text"}
        kids = [window.getChildAtIndex(i) for i in range(window.childCount)]
        read = [(roles.get(a.getRole(), a.getRoleName()), a.name) for a in kids]
        check(read == ACCESSIBLE, "read %r" % read)
        for a in kids:
            if a.getRole() == ps.ROLE_PUSH_BUTTON:
                act = a.queryAction()
                check(act.getKeyBinding(0) == SHORTCUTS.get(a.name, ""), "%s's key %r" % (a.name, act.getKeyBinding(0)))
                check(a.description == TOOLTIPS.get(a.name, ""), "%s's description %r" % (a.name, a.description))
    with r.case("keys reach the window: End in the month list, Tab to Проверить, Space and Enter"):
        wait_until(lambda: focused(month), 5, 0.1, "focus on the month list")
        s.key("End")
        check(eventually(lambda: s.selected_items(month), lambda v: v == ["Декабрь"]) == ["Декабрь"], "End: %r" %
              s.selected_items(month))
        s.key("Tab", "Tab", settle=0.2)
        check(focused(buttons["Проверить"]), "focus not on Проверить")
        s.key("space")
        check(eventually(sign, lambda v: v == "Стрелец") == "Стрелец", "Space on Проверить, 1 December: %r" % sign())
        s.key("shift+Tab", "shift+Tab", "Home", "Tab", "Tab", "Return")
        check(eventually(sign, lambda v: v == "Козеог") == "Козеог", "Enter on Проверить, 1 January: %r" % sign())
    with r.case("Alt+З ends the program with status 0"):
        s.activate(w)
        s.key("alt+Cyrillic_ze")
        check(s.wait_exit(10) == 0, "exit status")


def menu(s):
    w = s.start_program(s.unsmoothed_text())
    ps = s.atspi
    r = s.results
    sign = s.find(role=[ps.ROLE_TEXT, ps.ROLE_ENTRY], name=FIELD_NAMES["txtSign"])
    wx, wy = s.position(w)

    def faults(shot, face, hidden=()):
        # Which face shows is the model test's; here, that the window presents
        # it: a row of the title bar and of the bottom strip clear of what
        # covers them, and the side strips.
        title, bottom, strip = load_bitmap(face[0]), load_bitmap(face[1]), face[2]
        out = [(x, 2) for x in range(40, 120) if not close_colour(shot.px(x, 2), title.px(x, 2))]
        out += [(x, 198) for x in range(40, 300) if not close_colour(shot.px(x, 198), bottom.px(x, 3))]
        return out + [(x, y) for y in range(24, 195, 10) for x in (0, W - 1) if shot.px(x, y) != strip]

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
        bad = about_faults(s.screenshot(about, "lunivar-about.png"), 0, 0)
        check((aw, ah) == (320, 191) and not bad, "About %dx%d differs at %r" % (aw, ah, bad[:5]))
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
        shot = eventually(lambda: s.grab(wx, wy, W, H), lambda img: not text_faults(img, 0, 0, looked_up=True))
        bad = text_faults(shot, 0, 0, looked_up=True)
        check(not bad, "texts: %s" % "; ".join(bad))
    with r.case("Escape dismisses the menu: the active face"):
        look(INACTIVE, [open_menu()])
        s.key("Escape", settle=0.4)
        wait_until(lambda: not s.popup_windows(), 3, 0.05, "the menu to close")
        look(ACTIVE)
    with r.case("ы chooses Выход: status 0"):
        open_menu()
        s.key("Cyrillic_yeru")
        check(s.wait_exit(10) == 0, "exit status")


def about_closed(s, w):
    # Every way of closing the About window unloads it from inside its own
    # modal loop; in the sanitizer build a freed window touched would end
    # the program with a report.
    ps = s.atspi

    def about_window():
        return [a for a in s.program_windows() if a.id != w.id and s.is_viewable(a)]

    def open_about():
        x, y, _, _ = BUTTONS[2]
        s.click_in(w, x + 30, y + 10, settle=0.3)
        return wait_until(about_window, 5, 0.05, "the About window")[0]

    sign = s.find(role=[ps.ROLE_TEXT, ps.ROLE_ENTRY], name=FIELD_NAMES["txtSign"])
    with s.results.case("Escape closes the About window; the main window takes clicks again"):
        open_about()
        s.key("Escape", settle=0.3)
        wait_until(lambda: not about_window(), 5, 0.05, "the About window to close")
        s.pick_date(w, 5, 25)
        s.check_button(w)
        check(eventually(lambda: s.text_of(sign), lambda v: v == "Близнецы") == "Близнецы", "no lookup after Escape")
    with s.results.case("closed by the window manager, the next About window is new and centred on the main one"):
        s.wm_close(open_about())
        wait_until(lambda: not about_window(), 5, 0.05, "the About window to close")
        s.drag(w, 200, 10, 100, 40)
        mx, my, mw, mh = s.geometry(w)
        ax, ay, aw, ah = s.geometry(open_about())
        check(abs((ax + aw / 2) - (mx + mw / 2)) <= 1 and abs((ay + ah / 2) - (my + mh / 2)) <= 1,
              "About at %r, main window at %r" % ((ax, ay, aw, ah), (mx, my, mw, mh)))
        s.key("Return", settle=0.3)
        wait_until(lambda: not about_window(), 5, 0.05, "Enter to close the About window")


def main():
    with Session.from_args("e2e_keys", timeout=120) as s:
        keyboard(s, s.start_program())
        about_closed(s, s.start_program())
        menu(s)
        with s.results.case("no memory error reported by the program"):
            log = s.earlier_output + s.log_text("lunivar", tail=None)
            check("Sanitizer" not in log, log[-4000:])


if __name__ == "__main__":
    main()
