"""Every way of closing the main window ends the program with status 0:
its "Закрыть" push button and the window manager's close command."""

from lunivar_e2e import Session, check

CLOSE_BUTTON = (8, 168, 177, 21)


def main():
    with Session.from_args("e2e_close") as s:
        r = s.results
        with r.case("a click on \"Закрыть\" ends the program with status 0 within 5 s"):
            w = s.start_program()
            s.find(role=s.atspi.ROLE_PUSH_BUTTON, name="Закрыть")
            x, y, bw, bh = CLOSE_BUTTON
            s.click_in(w, x + 30, y + bh // 2, settle=0)
            rc = s.wait_exit(5)
            check(rc == 0, "exit status %r" % rc)

        with r.case("a click on the caption \"Закрыть\" itself does the same"):
            w = s.start_program()
            cap = s.find(role=[s.atspi.ROLE_LABEL, s.atspi.ROLE_STATIC], name="Закрыть")
            cx, cy, cw, ch = s.extents(cap)
            wx, wy = s.position(w)
            s.click_in(w, cx + cw // 2 - wx, cy + ch // 2 - wy, settle=0)
            rc = s.wait_exit(5)
            check(rc == 0, "exit status %r" % rc)

        with r.case("the window manager's close command ends the program with status 0"):
            w = s.start_program()
            s.wm_close(w)
            rc = s.wait_exit(5)
            check(rc == 0, "exit status %r" % rc)


if __name__ == "__main__":
    main()
