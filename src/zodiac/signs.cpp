#include "zodiac/signs.h"

namespace zodiac {

void fillZodiacSignTable(SignNameTable &table)
{
    // "Козеог" is how the program has always spelt Capricorn; it is shown as is.
    table[1] = QStringLiteral("Козеог");
    table[2] = QStringLiteral("Водолей");
    table[3] = QStringLiteral("Рыбы");
    table[4] = QStringLiteral("Овен");
    table[5] = QStringLiteral("Телец");
    table[6] = QStringLiteral("Близнецы");
    table[7] = QStringLiteral("Рак");
    table[8] = QStringLiteral("Лев");
    table[9] = QStringLiteral("Дева");
    table[10] = QStringLiteral("Весы");
    table[11] = QStringLiteral("Скорпион");
    table[12] = QStringLiteral("Стрелец");
}

void fillPreciousStoneTable(StoneNameTable &table)
{
    table[1] = QStringLiteral("Альмандин");
    table[2] = QStringLiteral("Сапфир");
    table[3] = QStringLiteral("Хризолит");
    table[4] = QStringLiteral("Алмаз");
    table[5] = QStringLiteral("Изумруд");
    table[6] = QStringLiteral("Берилл");
    table[7] = QStringLiteral("Рубин");
    table[8] = QStringLiteral("Карбункул");
    table[9] = QStringLiteral("Бирюза");
}

void fillTalismanTable(TalismanNameTable &table)
{
    table[1] = QStringLiteral("Опал");
    table[2] = QStringLiteral("Аметист");
    table[3] = QStringLiteral("Александрит");
    table[4] = QStringLiteral("Аквамарин");
    table[5] = QStringLiteral("Агат");
    table[6] = QStringLiteral("Яшма");
    table[7] = QStringLiteral("Серодолик"); // spelt as it has always been shown
    table[8] = QStringLiteral("Топаз");
    table[9] = QStringLiteral("Хризопраз");
}

int signFor(std::int16_t monthIndex, std::int16_t dayIndex)
{
    if (monthIndex < 0 || monthIndex >= std::int16_t(SignBoundaryTable.size()))
        return NoSign;
    const SignBoundary &row = SignBoundaryTable[std::size_t(monthIndex)];
    return dayIndex <= row.lastDayOfFirst ? row.first : row.second;
}

QString glyphText(int sign)
{
    return QString(QChar(SignAttributeTable.at(std::size_t(sign)).glyph));
}

QString pairText(int sign, const SignNameTable &names)
{
    QString text;
    const QString separator = QString::fromUtf16(PairSeparator);
    bool first = true;
    for (std::int16_t pair : SignAttributeTable.at(std::size_t(sign)).pairs()) {
        if (!first)
            text += separator;
        text += names.at(std::size_t(pair));
        first = false;
    }
    return text;
}

FieldTexts fieldTexts(int sign, const SignNameTable &names, const StoneNameTable &stones,
                      const TalismanNameTable &talismans)
{
    const SignAttributes &row = SignAttributeTable.at(std::size_t(sign));
    return FieldTexts{
        names.at(std::size_t(sign)),
        glyphText(sign),
        pairText(sign, names),
        stones.at(std::size_t(row.stone)),
        talismans.at(std::size_t(row.talisman)),
    };
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

QString failureMessageText()
{
    return QStringLiteral("Программа вызвала внутренний збой из за неправельно введённых данных!")
        + QStringLiteral("\r\n") + QStringLiteral("Закройте её и запустите заного.")
        + QStringLiteral("\r\n")
        + QStringLiteral("Пожалуста сообшите об ошибке автору если она будет поаторятся.");
}

QString failureMessageTitle()
{
    return QStringLiteral("Внутренний збой в программе");
}

} // namespace zodiac
