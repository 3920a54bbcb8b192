"""A date picked by pointer and keys, the check button pressed, the answer
read over AT-SPI; the day list keeps the day valid for the month."""

from lunivar_e2e import Session, check, eventually

FIELDS = ("Ваш знак зодиака", "Символ знака", "Пары по зодиаку", "Драгоценный камень", "Телисман")


def row(list_x, n):
    """Centre of the n-th visible row of a list (day list at x 8, month list at x 64)."""
    return (list_x + 24, 32 + 2 + 13 * n + 6)


def main():
    with Session.from_args("e2e_lookup") as s:
        w = s.start_program()
        ps = s.atspi
        lists = [ps.ROLE_LIST, ps.ROLE_LIST_BOX]
        day, month = s.find(role=lists, name="День (число)"), s.find(role=lists, name="Месяц")
        fields = [s.find(role=[ps.ROLE_TEXT, ps.ROLE_ENTRY], name=n) for n in FIELDS]
        r = s.results

        def read(ok=lambda v: True):
            return eventually(lambda: tuple(s.text_of(f) for f in fields), ok)

        def expect(lst, want):
            got = eventually(lambda: s.selected_items(lst), lambda v: v == [want])
            check(got == [want], "%s selection %r, want %r" % (lst.name, got, want))

        with r.case("start-up: day 1 of 31 and January of twelve, fields empty"):
            expect(day, "1")
            expect(month, "Январь")
            check(month.childCount == 12 and day.childCount == 31, "%d months, %d days" % (month.childCount, day.childCount))
            check(read() == ("",) * 5, "fields %r" % (read(),))

        with r.case("25 May by pointer and keys, checked by a click: Gemini"):
            s.click_in(w, *row(64, 4))
            expect(month, "Май")
            s.click_in(w, *row(8, 0))
            s.key(*(["Down"] * 24))
            expect(day, "25")
            s.click_in(w, 38, 130)
            got = read(lambda v: v[0] != "")
            check(got[0] == "Близнецы" and got[2:] == ("Овен, Весы, Водолей", "Берилл", "Агат"), "fields %r" % (got,))
            s.move_in(w, 100, 28)
            s.settle(0.2)
            s.screenshot(w, "lunivar-main.png")

        with r.case("February then day 31, by End and by a click: the day list stays at 29"):
            s.click_in(w, *row(64, 1))
            expect(month, "Февраль")
            expect(day, "25")
            s.click_in(w, *row(8, 0))
            s.key("End")
            expect(day, "29")
            x, y, iw, ih = s.extents(day.getChildAtIndex(30))
            wx, wy = s.position(w)
            s.click_in(w, x + iw // 2 - wx, y + ih // 2 - wy)
            expect(day, "29")

        with r.case("check button pressed through the accessibility action: 29 February is Pisces"):
            s.press(s.find(role=ps.ROLE_PUSH_BUTTON, name="Проверить"))
            got = read(lambda v: v[0] not in ("", "Близнецы"))
            check(got[0] == "Рыбы" and got[2:] == ("Рак, Скорпион, Козеог", "Хризолит", "Александрит"),
                  "fields %r" % (got,))


if __name__ == "__main__":
    main()
