#include "rules/zodiac.h"

namespace zodiac {

void fillZodiacSignTable(SignNameTable &table)
{
    // "Козеог" is how the program has always spelt Capricorn; it is shown as is.
    table[1] = "Козеог";
    table[2] = "Водолей";
    table[3] = "Рыбы";
    table[4] = "Овен";
    table[5] = "Телец";
    table[6] = "Близнецы";
    table[7] = "Рак";
    table[8] = "Лев";
    table[9] = "Дева";
    table[10] = "Весы";
    table[11] = "Скорпион";
    table[12] = "Стрелец";
}

void fillPreciousStoneTable(StoneNameTable &table)
{
    table[1] = "Альмандин";
    table[2] = "Сапфир";
    table[3] = "Хризолит";
    table[4] = "Алмаз";
    table[5] = "Изумруд";
    table[6] = "Берилл";
    table[7] = "Рубин";
    table[8] = "Карбункул";
    table[9] = "Бирюза";
}

void fillTalismanTable(TalismanNameTable &table)
{
    table[1] = "Опал";
    table[2] = "Аметист";
    table[3] = "Александрит";
    table[4] = "Аквамарин";
    table[5] = "Агат";
    table[6] = "Яшма";
    table[7] = "Серодолик"; // spelt as it has always been shown
    table[8] = "Топаз";
    table[9] = "Хризопраз";
}

int signFor(std::int16_t monthIndex, std::int16_t dayIndex)
{
    if (!validMonth(monthIndex))
        return NoSign;
    // The two tests are complementary: a day that is not on the first sign
    // is on the second.
    const SignBoundary &row = SignBoundaryTable[std::size_t(monthIndex)];
    return onFirstSign(row, dayIndex) ? row.first : row.second;
}

FieldTexts fieldTexts(int sign, const SignNameTable &names, const StoneNameTable &stones,
                      const TalismanNameTable &talismans)
{
    const SignAttributes &row = SignAttributeTable.at(std::size_t(sign));
    std::string pair;
    for (std::int16_t p : row.pairs()) {
        if (!pair.empty())
            pair += PairSeparator;
        pair += names.at(std::size_t(p));
    }
    return FieldTexts{names.at(std::size_t(sign)), std::string(1, row.glyph), pair,
                      stones.at(std::size_t(row.stone)), talismans.at(std::size_t(row.talisman))};
}

std::optional<std::int16_t> fixedDay(std::int16_t monthIndex, std::int16_t dayIndex)
{
    // January has every day of the list.
    if (monthIndex == 0)
        return std::nullopt;
    // February: days 30 and 31 fall back to 29.
    if (monthIndex == 1) {
        if (dayIndex > 28)
            return std::int16_t(28);
        return std::nullopt;
    }
    // The 30-day months: day 31 falls back to 30.
    if (monthIndex == 3 || monthIndex == 5 || monthIndex == 8 || monthIndex == 10) {
        if (dayIndex == 30)
            return std::int16_t(29);
    }
    return std::nullopt;
}

std::string failureMessageText()
{
    return "Программа вызвала внутренний збой из за неправельно введённых данных!\r\n"
           "Закройте её и запустите заного.\r\n"
           "Пожалуста сообшите об ошибке автору если она будет поаторятся.";
}

std::string failureMessageTitle()
{
    return "Внутренний збой в программе";
}

} // namespace zodiac
