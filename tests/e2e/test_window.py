# The main window by pointer, on X11 under a window manager: a date picked
# and looked up (the five fields read over the accessibility bus, the glyph
# box showing the sign's symbol), the looks under the pointer against the
# bitmap files, the outlines read back from the X server, the title bar's drag
# and middle press, the window manager's close, and the window
# at twice the pixels.

import os
import subprocess

from harness import (BUTTONS, FIELD_NAMES, Image, LIST_DAY, LIST_MONTH, SOURCE_DIR, Session, check,
                     close_colour, eventually, load_bitmap, mismatches, wait_until)

NORMAL, HOVER = (113, 114, 115), (116, 117, 118)  # left cap, tile, right cap
FREE_AREA = (186, 100)
TITLE_FREE = (60, 12)


def row(lst, n):
    # The centre of the n-th visible row of a list.
    x, y, _, _ = lst
    return (x + 24, y + 2 + 13 * n + 6)


def face_faults(shot, origin, pieces):
    # Where a push button's caps and first tile differ from the pieces.
    (ox, oy), (left, tile, right) = origin, (load_bitmap(p) for p in pieces)
    return mismatches(shot, ox, oy, left) + mismatches(shot, ox + 13, oy, tile) + mismatches(shot, ox + 168, oy, right)


def rounded(w, h, inset):
    # {row: set of x} of the outline (inset, inset, w + 1, h + 1) with 10 x 10 corners.
    cut = {0: 3, 1: 2, 2: 1, h - 3: 1, h - 2: 2, h - 1: 3}
    return {y + inset: set(range(inset + cut.get(y, 0), inset + w - cut.get(y, 0))) for y in range(h)}


def lookup(s, w):
    ps = s.atspi
    lists = [ps.ROLE_LIST, ps.ROLE_LIST_BOX]
    day, month = s.find(role=lists, name="День (число)"), s.find(role=lists, name="Месяц")
    fields = [s.find(role=[ps.ROLE_TEXT, ps.ROLE_ENTRY], name=FIELD_NAMES[f])
              for f in ("txtSign", "txtZ", "txtPair", "txtPercStone", "txtTalis")]
    r = s.results

    def read(ok=lambda v: True):
        return eventually(lambda: tuple(s.text_of(f) for f in fields), ok)

    def expect(lst, want):
        got = eventually(lambda: s.selected_items(lst), lambda v: v == [want])
        check(got == [want], "%s selection %r, want %r" % (lst.name, got, want))

    with r.case("start-up: day 1 of 31 and January of twelve in rows of 13 pixels, fields empty"):
        expect(day, "1")
        expect(month, "Январь")
        check(month.childCount == 12 and day.childCount == 31, "%d months, %d days" % (month.childCount, day.childCount))
        tops = [s.extents(day.getChildAtIndex(i))[1] for i in range(3)]
        check(tops[1] - tops[0] == 13 and tops[2] - tops[1] == 13, "day rows at %r" % tops)
        check(read() == ("",) * 5, "fields %r" % (read(),))
    with r.case("February, then day 31 by End and by a click: the day list stays at 29; 29 February is Pisces"):
        s.click_in(w, *row(LIST_MONTH, 1))
        expect(month, "Февраль")
        s.click_in(w, *row(LIST_DAY, 0))
        s.key("End")
        expect(day, "29")
        x, y, iw, ih = s.extents(day.getChildAtIndex(30))
        wx, wy = s.position(w)
        s.click_in(w, x + iw // 2 - wx, y + ih // 2 - wy)
        expect(day, "29")
        s.press(s.find(role=ps.ROLE_PUSH_BUTTON, name="Проверить"))
        got = read(lambda v: v[0] != "")
        check(got[0] == "Рыбы" and got[2:] == ("Рак, Скорпион, Козеог", "Хризолит", "Александрит"), "fields %r" % (got,))


def looks(s, w):
    # Which face a control shows is the model test's; here, that the window presents it.
    with s.results.case("the pointer lights a push button (116-118); off it, the window is as it was"):
        x, y, _, _ = BUTTONS[1]
        s.move_in(w, *FREE_AREA)
        normal = eventually(lambda: s.grab_window(w), lambda img: not face_faults(img, (x, y), NORMAL))
        s.move_in(w, x + 30, y + 10)
        shot = s.screenshot(w, "lunivar-hover.png", until=lambda img: not face_faults(img, (x, y), HOVER))
        check(not face_faults(shot, (x, y), HOVER), "no hover face")
        s.move_in(w, *FREE_AREA)
        shot = eventually(lambda: s.grab_window(w), lambda img: img.rgb == normal.rgb)
        check(shot.rgb == normal.rgb, "the window differs from its first look")


def outlines(s, w):
    def diff(got, want):
        return ["row %d: %s" % (y, sorted(got.get(y, set()) ^ want.get(y, set()))[:4])
                for y in sorted(set(got) | set(want)) if got.get(y) != want.get(y)][:8]
    with s.results.case("the outline from the X server: (0,0,381,203) with 10 x 10 corners"):
        check(s.geometry(w)[2:] == (380, 202), "window size %r" % (s.geometry(w)[2:],))
        check(not diff(s.shape_spans(w)[0], rounded(380, 202, 0)), "; ".join(diff(s.shape_spans(w)[0], rounded(380, 202, 0))))


def title_bar(s, w):
    # Where a press on the title bar leads is the model test's; here, that
    # the window manager follows.
    r = s.results
    with r.case("a left drag on the title bar moves the window by exactly 100/40"):
        start = s.position(w)
        s.drag(w, *TITLE_FREE, 100, 40)
        got = s.position(w)
        check((got[0] - start[0], got[1] - start[1]) == (100, 40), "moved by %r" % ((got[0] - start[0], got[1] - start[1]),))
    with r.case("a middle press on the title bar iconifies the window"):
        s.click_in(w, *TITLE_FREE, button=2)
        wait_until(lambda: s.iconified(w), 5, 0.05, "the window to be iconified")
    s.activate(w)


def closing(s):
    # Which buttons end the program is the model test's; here, the window manager's close.
    with s.results.case("the window manager's close ends the program with status 0"):
        s.wm_close(s.start_program())
        check(s.wait_exit(10) == 0, "exit status")


def twice_the_pixels(s):
    with s.results.case("two device pixels per pixel: 760 x 404, the outline doubled, the face from the 2x artwork"):
        w = s.start_program({"QT_SCALE_FACTOR": "2"})
        check(s.geometry(w)[2:] == (760, 404), "window %r" % (s.geometry(w)[2:],))
        rows, _ = s.shape_spans(w)
        for logical, cut in ((0, 3), (1, 2), (2, 1), (3, 0), (100, 0), (201, 3)):
            for dy in (0, 1):
                check(rows.get(2 * logical + dy) == set(range(2 * cut, 760 - 2 * cut)), "device row %d" % (2 * logical + dy))
        shot = s.screenshot(w, "lunivar-hidpi.png")
        path = os.path.join(SOURCE_DIR, "src", "res", "bmp", "113@2x.png")
        data = subprocess.run(["/usr/bin/convert", path, "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
        left = Image(26, 42, data)
        bx, by = 2 * BUTTONS[1][0], 2 * BUTTONS[1][1]
        bad = [(x, y) for y in range(42) for x in range(26) if not close_colour(shot.px(bx + x, by + y), left.px(x, y), 12)]
        check(len(bad) <= 4, "%d pixels differ from the 2x artwork" % len(bad))


def main():
    with Session.from_args("e2e_window", timeout=150) as s:
        w = s.start_program()
        lookup(s, w)
        looks(s, w)
        outlines(s, w)
        title_bar(s, w)
        closing(s)
        twice_the_pixels(s)


if __name__ == "__main__":
    main()
