// The zodiac rules without any window. The expectations are written from the
// calendar and from what each sign shows, not from the code's own tables.
#include "zodiac/signs.h"

#include <QtTest>

#include <optional>

using namespace zodiac;

namespace {

// What the five fields show for each sign, in sign-index order 1..12.
struct Shown {
    const char16_t *name;
    char16_t glyph;
    const char16_t *pairs, *stone, *talisman;
};

const Shown shown[13] = {
    {u"", 0, u"", u"", u""},
    {u"Козеог", 0x67, u"Дева, Рыбы", u"Альмандин", u"Опал"},
    {u"Водолей", 0x68, u"Весы, Рыбы, Овен", u"Сапфир", u"Аметист"},
    {u"Рыбы", 0x69, u"Рак, Скорпион, Козеог", u"Хризолит", u"Александрит"},
    {u"Овен", 0x5E, u"Лев, Стрелец, Близнецы", u"Алмаз", u"Аквамарин"},
    {u"Телец", 0x5F, u"Рак, Дева, Козеог, Рыбы", u"Изумруд", u"Агат"},
    {u"Близнецы", 0x60, u"Овен, Весы, Водолей", u"Берилл", u"Агат"},
    {u"Рак", 0x61, u"Рыбы, Скорпион, Телец", u"Изумруд", u"Яшма"},
    {u"Лев", 0x62, u"Овен, Стрелец, Весы", u"Рубин", u"Серодолик"},
    {u"Дева", 0x63, u"Телец, Козеог, Скорпион", u"Хризолит", u"Яшма"},
    {u"Весы", 0x64, u"Водолей, Близнецы, Стрелец", u"Алмаз", u"Аквамарин"},
    {u"Скорпион", 0x65, u"Рак, Рыбы, Дева", u"Карбункул", u"Топаз"},
    {u"Стрелец", 0x66, u"Овен, Лев, Весы", u"Бирюза", u"Хризопраз"},
};

// The calendar: each sign from (month, day) to (month, day), inclusive.
struct Range {
    int sign, fromMonth, fromDay, toMonth, toDay;
};

const Range calendar[] = {
    {Capricorn, 12, 22, 1, 19}, {Aquarius, 1, 20, 2, 18},  {Pisces, 2, 19, 3, 20},
    {Aries, 3, 21, 4, 20},      {Taurus, 4, 21, 5, 20},    {Gemini, 5, 21, 6, 22},
    {Cancer, 6, 23, 7, 22},     {Leo, 7, 23, 8, 22},       {Virgo, 8, 23, 9, 22},
    {Libra, 9, 23, 10, 23},     {Scorpio, 10, 24, 11, 21}, {Sagittarius, 11, 22, 12, 21},
};

// No year: February always has 29 days.
const int monthLength[13] = {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// The one sign whose range holds the date; -1 if the calendar above is wrong.
int signOfDate(int month, int day)
{
    const int date = month * 100 + day;
    QList<int> found;
    for (const Range &r : calendar) {
        const int from = r.fromMonth * 100 + r.fromDay, to = r.toMonth * 100 + r.toDay;
        if (from <= to ? (from <= date && date <= to) : (date >= from || date <= to))
            found.append(r.sign);
    }
    return found.size() == 1 ? found.first() : -1;
}

struct Tables {
    SignNameTable names;
    StoneNameTable stones;
    TalismanNameTable talismans;
    Tables()
    {
        fillZodiacSignTable(names);
        fillPreciousStoneTable(stones);
        fillTalismanTable(talismans);
    }
};

QString str(const char16_t *s) { return QString::fromUtf16(s); }

} // namespace

class TestZodiacRules : public QObject {
    Q_OBJECT

private slots:
    void everyDate_data();
    void everyDate();
    void selectionEdges_data();
    void selectionEdges();
    void nameTables();
    void pairTextShape();
    void fixedDayForEveryListIndex();
    void failureMessage();
};

void TestZodiacRules::everyDate_data()
{
    QTest::addColumn<int>("month"); // 1..12
    QTest::addColumn<int>("day");   // 1..31
    for (int m = 1; m <= 12; ++m)
        for (int d = 1; d <= monthLength[m]; ++d)
            QTest::addRow("%d-%d", m, d) << m << d;
}

void TestZodiacRules::everyDate()
{
    QFETCH(int, month);
    QFETCH(int, day);
    const int sign = signOfDate(month, day);
    QVERIFY(sign >= 1 && sign <= 12);
    const int got = signFor(std::int16_t(month - 1), std::int16_t(day - 1));
    QCOMPARE(got, sign);

    const Tables t;
    const FieldTexts f = fieldTexts(got, t.names, t.stones, t.talismans);
    QCOMPARE(f.sign, str(shown[sign].name));
    QCOMPARE(f.glyph, QString(QChar(shown[sign].glyph)));
    QCOMPARE(f.pair, str(shown[sign].pairs));
    QCOMPARE(f.stone, str(shown[sign].stone));
    QCOMPARE(f.talisman, str(shown[sign].talisman));
}

void TestZodiacRules::selectionEdges_data()
{
    QTest::addColumn<int>("monthIndex");
    QTest::addColumn<int>("dayIndex");
    QTest::addColumn<int>("sign");
    // No day counts as the 1st; a day past the month's end as its last day.
    for (int m = 1; m <= 12; ++m) {
        QTest::addRow("%d no day", m) << m - 1 << -1 << signOfDate(m, 1);
        QTest::addRow("%d index 30", m) << m - 1 << 30 << signOfDate(m, monthLength[m]);
    }
    QTest::newRow("no month") << -1 << 0 << int(NoSign);
    QTest::newRow("past December") << 12 << 0 << int(NoSign);
    QTest::newRow("most negative") << -32768 << 0 << int(NoSign);
}

void TestZodiacRules::selectionEdges()
{
    QFETCH(int, monthIndex);
    QFETCH(int, dayIndex);
    QFETCH(int, sign);
    QCOMPARE(signFor(std::int16_t(monthIndex), std::int16_t(dayIndex)), sign);
}

void TestZodiacRules::nameTables()
{
    const Tables t;
    const QStringList signs = str(u"Козеог Водолей Рыбы Овен Телец Близнецы Рак Лев Дева Весы Скорпион Стрелец").split(u' ');
    const QStringList stones = str(u"Альмандин Сапфир Хризолит Алмаз Изумруд Берилл Рубин Карбункул Бирюза").split(u' ');
    const QStringList talismans = str(u"Опал Аметист Александрит Аквамарин Агат Яшма Серодолик Топаз Хризопраз").split(u' ');
    QCOMPARE(QStringList(t.names.begin() + 1, t.names.end()), signs);
    QCOMPARE(QStringList(t.stones.begin() + 1, t.stones.end()), stones);
    QCOMPARE(QStringList(t.talismans.begin() + 1, t.talismans.end()), talismans);
    QVERIFY(t.names[0].isNull() && t.stones[0].isNull() && t.talismans[0].isNull());
}

void TestZodiacRules::pairTextShape()
{
    QCOMPARE(QString::fromUtf16(PairSeparator), QStringLiteral(", "));
    const Tables t;
    for (int s = 1; s <= 12; ++s) {
        const QStringList parts = pairText(s, t.names).split(QStringLiteral(", "));
        QCOMPARE(parts.size(), s == Capricorn ? 2 : s == Taurus ? 4 : 3);
        QCOMPARE(QSet<QString>(parts.begin(), parts.end()).size(), parts.size());
        for (const QString &part : parts)
            QVERIFY2(part != t.names[std::size_t(s)] && t.names.end() != std::find(t.names.begin() + 1, t.names.end(), part),
                     qPrintable(part));
    }
    // The text is made from the table it is given.
    SignNameTable names;
    for (int s = 1; s <= 12; ++s)
        names[std::size_t(s)] = QStringLiteral("S%1").arg(s);
    QCOMPARE(pairText(Taurus, names), QStringLiteral("S7, S9, S1, S3"));
}

void TestZodiacRules::fixedDayForEveryListIndex()
{
    // Every selection the lists can hold: a day the month lacks moves to the
    // month's last day, nothing else moves, and a moved day stays put.
    for (int m = -1; m <= 11; ++m)
        for (int d = -1; d <= 30; ++d) {
            std::optional<std::int16_t> expected;
            if (m >= 0 && d >= monthLength[m + 1])
                expected = std::int16_t(monthLength[m + 1] - 1);
            const auto got = fixedDay(std::int16_t(m), std::int16_t(d));
            QVERIFY2(got == expected, qPrintable(QStringLiteral("month %1 day %2").arg(m).arg(d)));
            QVERIFY(!got || !fixedDay(std::int16_t(m), *got));
        }
    QCOMPARE(fixedDay(1, 32767), std::optional<std::int16_t>(28));
    QCOMPARE(fixedDay(12, 30), std::optional<std::int16_t>());
}

void TestZodiacRules::failureMessage()
{
    QCOMPARE(failureMessageText(),
             QString::fromUtf16(u"Программа вызвала внутренний збой из за неправельно введённых данных!\r\n"
                                u"Закройте её и запустите заного.\r\n"
                                u"Пожалуста сообшите об ошибке автору если она будет поаторятся."));
    QCOMPARE(failureMessageTitle(), QString::fromUtf16(u"Внутренний збой в программе"));
    QCOMPARE(FailureMessageStyle, 16);
}

QTEST_APPLESS_MAIN(TestZodiacRules)
#include "test_zodiac_rules.moc"
