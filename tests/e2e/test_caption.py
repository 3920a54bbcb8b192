"""The title bar's own caption buttons: minimise iconifies the window (and
it comes back where it was), close ends the program with status 0."""

from lunivar_e2e import Session, check, load_bitmap, mismatches, wait_until

MIN_CENTRE = (326, 13)      # minimise button: x 318-334, y 4-22
CLOSE_CENTRE = (366, 13)    # close button: x 358-375, y 4-22


def main():
    with Session.from_args("e2e_caption") as s:
        r = s.results
        w = s.start_program()
        before = s.position(w)

        with r.case("a click on the minimise button iconifies the window"):
            s.click_in(w, *MIN_CENTRE)
            wait_until(lambda: s.iconified(w), 5, 0.05, "the window to be iconified")
            check(not s.is_viewable(w), "the iconified window is still shown")
            check(s.alive(), "the program ended")

        with r.case("restored by the window manager: same place, same size, minimise still lit"):
            s.activate(w)
            wait_until(lambda: s.is_viewable(w) and not s.iconified(w), 5, 0.05, "the window to come back")
            s.settle(0.4)
            x, y, width, height = s.geometry(w)
            check((x, y) == before, "window moved from %r to %r" % (before, (x, y)))
            check((width, height) == (380, 202), "window size %dx%d" % (width, height))
            # No pointer move has reached the window since the click, so the
            # minimise button still shows its hover face.
            shot = s.grab_window(w)
            check(not mismatches(shot, 318, 4, load_bitmap(109)), "minimise button not in its hover face")

        with r.case("a click on the close button ends the program with status 0 within 5 s"):
            s.click_in(w, *CLOSE_CENTRE, settle=0)
            rc = s.wait_exit(5)
            check(rc == 0, "exit status %r" % rc)


if __name__ == "__main__":
    main()
