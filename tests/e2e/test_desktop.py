# What a desktop user sees around the lookup: every text whole at scales 1
# and 2, size hints that keep the frame as drawn, one look under a dark desktop
# theme, a visible focus mark on the lists, Qt's own texts in Russian, and whole scales for the
# fractional ones. Screenshots go to the artefacts.

import subprocess

from harness import (BUTTONS, FIELDS, FIELD_NAMES, LIST_DAY, LIST_MONTH, Session, check, eventually,
                         is_blue, signs, wait_until)

WIDTH, HEIGHT = 380, 202
TEXT_FIELDS = ("txtSign", "txtPair", "txtPercStone", "txtTalis")


def ink(c):
    return sum(c) < 3 * 150


def text_extent(shot, field, scale):
    # First and last columns of dark pixels inside a field, in its pixels.
    x, y, w, h = (v * scale for v in FIELDS[field])
    cols = [cx for cx in range(x + 2 * scale, x + w - 2 * scale)
            if any(ink(shot.px(cx, cy)) for cy in range(y + 2 * scale, y + h - 2 * scale))]
    return (cols[0] - x, cols[-1] - x) if cols else None


def texts_whole(s, scale):
    # Each sign's four texts, read over the bus, end at least 3 pixels before
    # the end of the field's text area (the box less its 2-pixel border and
    # 2-pixel margin), so a text cut at that edge fails; and start at its start.
    w = s.start_program({"QT_SCALE_FACTOR": str(scale)})
    ps = s.atspi
    fields = {f: s.find(role=[ps.ROLE_TEXT, ps.ROLE_ENTRY], name=FIELD_NAMES[f]) for f in TEXT_FIELDS}
    widest = {}
    for sign in signs():
        with s.results.case("scale %d, %s: the four texts whole" % (scale, sign["name"])):
            s.pick_date(w, *sign["first"], scale=scale)
            s.check_button(w, scale)
            want = {"txtSign": sign["name"], "txtPair": sign["pairs"], "txtPercStone": sign["stone"],
                    "txtTalis": sign["talisman"]}
            got = eventually(lambda: {f: s.text_of(a) for f, a in fields.items()}, lambda v: v == want)
            check(got == want, "fields %r" % got)
            shot = s.grab_window(w)
            for f in TEXT_FIELDS:
                ext = text_extent(shot, f, scale)
                check(ext is not None, "%s shows nothing" % f)
                area_end = (FIELDS[f][2] - 4) * scale - 1
                check(ext[0] <= 6 * scale, "%s starts at %d" % (f, ext[0]))
                check(ext[1] <= area_end - 3 * scale, "%s: %r ends at %d, its text area at %d" % (
                    f, want[f], ext[1], area_end))
                widest[f] = max(widest.get(f, (0, "")), (ext[1] - ext[0] + 1, want[f]))
            # The glyph box shows the sign's symbol (the symbol font stood in for).
            gx, gy, gw, gh = (v * scale for v in FIELDS["txtZ"])
            check(sum(ink(shot.px(x, y)) for y in range(gy + 3, gy + gh - 3) for x in range(gx + 3, gx + gw - 3)) > 30,
                  "the glyph box shows no symbol")
    print("widest texts at scale %d: %r" % (scale, widest))
    return w


def labels_fit(s, scale):
    with s.results.case("scale %d: every label as high as its layout at most" % scale):
        ps = s.atspi
        heights = {"Lunivar 5.3": 19}
        for caption in ("Ваш знак зодиака:", "Пары по зодиаку:", "Драгоценный камень:", "Телисман:",
                        "Проверить", "Закрыть", "О программе..."):
            heights[caption] = 13
        for name, most in heights.items():
            for a in s.find_all(lambda a: a.getRole() in (ps.ROLE_LABEL, ps.ROLE_STATIC) and a.name == name):
                h = s.extents(a)[3]
                check(0 < h <= most * scale, "label %r is %d pixels high" % (name, h))


def size_hints(s, w, scale):
    with s.results.case("scale %d: size hints fix the window, a resize request changes nothing" % scale):
        hints = w.get_wm_normal_hints()
        size = (WIDTH * scale, HEIGHT * scale)
        check((hints.min_width, hints.min_height) == size and (hints.max_width, hints.max_height) == size,
              "hints min %dx%d max %dx%d" % (hints.min_width, hints.min_height, hints.max_width, hints.max_height))
        s.xdo("windowsize", w.id, 700, 450)
        s.settle(0.4)
        check(s.geometry(w)[2:] == size, "after a resize request the window is %r" % (s.geometry(w)[2:],))
        actions = w.get_full_property(s.atom("_NET_WM_ALLOWED_ACTIONS"), 0)
        offered = set(actions.value) if actions else set()
        check(not offered & {s.atom("_NET_WM_ACTION_RESIZE"), s.atom("_NET_WM_ACTION_MAXIMIZE_HORZ")},
              "the window manager offers resizing or maximising")


def dark_theme(s):
    with s.results.case("a dark desktop theme: white fields and lists, black text, blue selection"):
        w = s.start_program({"QT_QPA_PLATFORMTHEME": "gtk3", "GTK_THEME": "Adwaita:dark"})
        shot = s.screenshot(w, "lunivar-dark-theme.png")
        for f in FIELDS:
            x, y, fw, fh = FIELDS[f]
            inside = {shot.px(cx, cy) for cx in range(x + 3, x + fw - 3) for cy in range(y + 3, y + fh - 3)}
            check(inside == {(255, 255, 255)}, "%s is not white inside: %r" % (f, sorted(inside)[:3]))
        x, y, lw, _ = LIST_DAY
        check(shot.px(x + 10, y + 2 + 13 + 6) == (255, 255, 255), "the day list's second row is not white")
        check(is_blue(shot.px(x + 20, y + 2 + 6)), "the selected day is not blue")
        check(ink(shot.px(x + 6, y + 2 + 13 + 6)) or any(ink(shot.px(cx, y + 2 + 13 + 6)) for cx in range(x + 2, x + 12)),
              "no dark text in the day list")


def focus_mark(s, w):
    with s.results.case("the focused list marks its current row with a dotted frame"):
        s.activate(w)
        # Focus starts on the month list; January is its current, selected row.
        shot = s.screenshot(w, "lunivar-list-focus.png")

        def white_on_row_edge(lst):
            x, y, lw, _ = lst
            return sum(1 for cx in range(x + 4, x + lw - 20) if shot.px(cx, y + 2) == (255, 255, 255))

        focused, other = white_on_row_edge(LIST_MONTH), white_on_row_edge(LIST_DAY)
        check(focused >= 20 and other == 0, "white dots on the top edge of the current row: month list %d, "
              "day list %d" % (focused, other))


def qt_texts_russian(s, w):
    with s.results.case("a field's context menu speaks Russian: its item &Копировать copies"):
        x, y, fw, fh = FIELDS["txtPair"]
        s.click_in(w, x + 20, y + fh // 2, settle=0.2)
        s.key("ctrl+a")
        s.click_in(w, x + 20, y + fh // 2, button=3, settle=0.4)
        s.key("Cyrillic_ka", settle=0.3)  # the access key of "&Копировать"; "&Copy" has none such
        copied = subprocess.run(["xclip", "-selection", "clipboard", "-o"], env=s.env, capture_output=True,
                                timeout=5).stdout.decode()
        want = signs()[-1]["pairs"]  # the last lookup before
        check(copied == want, "the clipboard holds %r, want %r" % (copied, want))


def fractional_scales(s):
    for factor, whole in (("1.25", 1), ("1.5", 2), ("1.75", 2)):
        with s.results.case("scale %s: drawn at %dx, icon inside the title bar, even stripes" % (factor, whole)):
            w = s.start_program({"QT_SCALE_FACTOR": factor})
            shot = s.screenshot(w, "lunivar-scale-%s.png" % factor)
            check((shot.width, shot.height) == (WIDTH * whole, HEIGHT * whole), "window %dx%d" % (shot.width, shot.height))
            red = [(x, y) for y in range(shot.height) for x in range(40 * whole)
                   if shot.px(x, y)[0] > 150 and shot.px(x, y)[1] < 90]
            check(red and max(y for _, y in red) < 24 * whole - whole, "the apple reaches row %d of %d" % (
                max((y for _, y in red), default=-1), 24 * whole))
            # Between the icon and the caption every title row is drawn `whole` times.
            for y in range(0, 24 * whole, whole):
                rows = {tuple(shot.px(x, y + k) for x in range(40 * whole, 100 * whole)) for k in range(whole)}
                check(len(rows) == 1, "title rows %d..%d differ" % (y, y + whole - 1))


def main():
    with Session.from_args("e2e_desktop", timeout=170) as s:
        w = texts_whole(s, 1)
        s.screenshot(w, "lunivar-scale-1.png")
        labels_fit(s, 1)
        size_hints(s, w, 1)
        qt_texts_russian(s, w)
        w = s.start_program()
        focus_mark(s, w)
        w = texts_whole(s, 2)
        s.screenshot(w, "lunivar-scale-2.png")
        labels_fit(s, 2)
        size_hints(s, w, 2)
        dark_theme(s)
        fractional_scales(s)


if __name__ == "__main__":
    main()
