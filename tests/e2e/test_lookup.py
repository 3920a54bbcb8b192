"""A user picks a date with the mouse and the keyboard, presses the check
button and reads the answer; the day list keeps the day valid for the
month; the check button also works through the accessibility action."""

from lunivar_e2e import Session, check, eventually

# Main window layout, in the window's pixels.
DAY_LIST = (8, 32, 49, 82)
MONTH_LIST = (64, 32, 121, 82)
LIST_BORDER, ROW = 2, 13
CHECK_BUTTON = (8, 120, 177, 21)

FIELDS = ("Ваш знак зодиака", "Символ знака", "Пары по зодиаку", "Драгоценный камень", "Телисман")


def row_centre(lst, row):
    """Centre of a visible row of a list box (row 0 = topmost shown)."""
    x, y, w, h = lst
    return (x + w // 2, y + LIST_BORDER + ROW * row + ROW // 2)


def main():
    with Session.from_args("e2e_lookup") as s:
        w = s.start_program()
        ps = s.atspi
        day = s.find(role=[ps.ROLE_LIST, ps.ROLE_LIST_BOX], name="День (число)")
        month = s.find(role=[ps.ROLE_LIST, ps.ROLE_LIST_BOX], name="Месяц")
        fields = {n: s.find(role=[ps.ROLE_TEXT, ps.ROLE_ENTRY], name=n) for n in FIELDS}
        check_button = s.find(role=ps.ROLE_PUSH_BUTTON, name="Проверить")

        def read_fields(until=None):
            read = lambda: tuple(s.text_of(fields[n]) for n in FIELDS)
            return eventually(read, until) if until else read()

        def selected(lst, want):
            return eventually(lambda: s.selected_items(lst), lambda v: v == want)

        r = s.results
        with r.case("start-up: day 1 and January selected, twelve month names, fields empty"):
            sel = selected(day, ["1"])
            check(sel == ["1"], "day list selection %r" % sel)
            sel = selected(month, ["Январь"])
            check(sel == ["Январь"], "month list selection %r" % sel)
            names = [month.getChildAtIndex(i).name for i in range(month.childCount)]
            check(names == ["Январь", "Февраль", "Март", "Апрель", "Май", "Июнь", "Июль", "Август",
                            "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"], "month items %r" % names)
            days = [day.getChildAtIndex(i).name for i in range(day.childCount)]
            check(days == [str(d) for d in range(1, 32)], "day items %r" % days)
            check(read_fields() == ("",) * 5, "fields at start-up %r" % (read_fields(),))

        with r.case("25 May picked by pointer and keys, checked by a click: Gemini"):
            s.click_in(w, *row_centre(MONTH_LIST, 4))          # May is the fifth row
            sel = selected(month, ["Май"])
            check(sel == ["Май"], "month selection %r" % sel)
            s.click_in(w, *row_centre(DAY_LIST, 0))            # day 1, gives the list the focus
            sel = selected(day, ["1"])
            check(sel == ["1"], "day selection after click %r" % sel)
            s.key(*(["Down"] * 24))
            sel = selected(day, ["25"])
            check(sel == ["25"], "day selection after 24 x Down %r" % sel)
            check(read_fields() == ("",) * 5, "picking a date changed the fields: %r" % (read_fields(),))
            bx, by, bw, bh = CHECK_BUTTON
            s.click_in(w, bx + 30, by + bh // 2)
            got = read_fields(until=lambda v: v[0] != "")
            check(got[0] == "Близнецы", "sign %r" % got[0])
            check(got[1] in ("`", "\u264A"), "glyph %r" % got[1])
            check(got[2:] == ("Овен, Весы, Водолей", "Берилл", "Агат"), "pairs/stone/talisman %r" % (got[2:],))
            s.move_in(w, 100, 28)   # free area: the button returns to normal
            s.settle(0.2)
            s.screenshot(w, "lunivar-main.png")

        with r.case("February then day 31: the day list jumps back to 29"):
            s.click_in(w, *row_centre(MONTH_LIST, 1))
            sel = selected(month, ["Февраль"])
            check(sel == ["Февраль"], "month selection %r" % sel)
            sel = selected(day, ["25"])
            check(sel == ["25"], "day 25 is valid in February, got %r" % sel)
            s.click_in(w, *row_centre(DAY_LIST, 0))
            s.key("End")
            sel = selected(day, ["29"])
            check(sel == ["29"], "after End (31) in February: %r" % sel)
            # Now a real click on the item "31", wherever the list shows it.
            item31 = day.getChildAtIndex(30)
            lx, ly, lw, lh = s.extents(day)
            x, y, iw, ih = s.extents(item31)
            check(ly <= y and y + ih <= ly + lh, "item 31 not shown after End: %r in %r" % ((x, y, iw, ih), (lx, ly, lw, lh)))
            wx, wy = s.position(w)
            s.click_in(w, x + iw // 2 - wx, y + ih // 2 - wy)
            sel = selected(day, ["29"])
            check(sel == ["29"], "after a click on 31 in February: %r" % sel)

        with r.case("check button pressed through the accessibility action: 29 February is Pisces"):
            s.press(check_button)
            got = read_fields(until=lambda v: v[0] not in ("", "Близнецы"))
            check(got[0] == "Рыбы", "sign %r" % got[0])
            check(got[1] in ("i", "\u2653"), "glyph %r" % got[1])
            check(got[2:] == ("Рак, Скорпион, Козеог", "Хризолит", "Александрит"),
                  "pairs/stone/talisman %r" % (got[2:],))
            check(s.alive(), "the program ended")


if __name__ == "__main__":
    main()
