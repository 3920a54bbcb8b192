// The zodiac rules without any window: the tables as the user sees them, the
// sign of every date of the year, and the rule that keeps the day valid.
//
// The expectations here are written from the calendar (which sign runs from
// which date to which) and from what each sign shows, not from the month
// boundary table the code works with.
#include "zodiac/signs.h"

#include <QtTest>

#include <optional>

using namespace zodiac;

namespace {

// What the five fields show for each sign, in sign-index order 1..12.
struct Shown {
    const char16_t *name;
    char16_t glyph;
    const char16_t *pairs;
    const char16_t *stone;
    const char16_t *talisman;
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
    int sign;
    int fromMonth, fromDay, toMonth, toDay;
};

const Range calendar[] = {
    {Capricorn, 12, 22, 1, 19}, {Aquarius, 1, 20, 2, 18},    {Pisces, 2, 19, 3, 20},
    {Aries, 3, 21, 4, 20},      {Taurus, 4, 21, 5, 20},      {Gemini, 5, 21, 6, 22},
    {Cancer, 6, 23, 7, 22},     {Leo, 7, 23, 8, 22},         {Virgo, 8, 23, 9, 22},
    {Libra, 9, 23, 10, 23},     {Scorpio, 10, 24, 11, 21},   {Sagittarius, 11, 22, 12, 21},
};

// Days per month (1..12) the date lists allow; there is no year, so
// February always has 29.
const int monthLength[13] = {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

const char *const monthName[13] = {"",    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool inRange(const Range &r, int month, int day)
{
    const int date = month * 100 + day;
    const int from = r.fromMonth * 100 + r.fromDay;
    const int to = r.toMonth * 100 + r.toDay;
    if (from <= to)
        return from <= date && date <= to;
    return date >= from || date <= to; // runs over the new year
}

// The signs whose range holds the date (exactly one, if the calendar is right).
QList<int> signsOfDate(int month, int day)
{
    QList<int> found;
    for (const Range &r : calendar)
        if (inRange(r, month, day))
            found.append(r.sign);
    return found;
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
    // The calendar of the test itself: 366 dates, each in exactly one range.
    void calendarCoversTheYearOnce();

    void everyDate_data();
    void everyDate();

    void monthWithoutDay_data();
    void monthWithoutDay();
    void dayBeyondTheMonth_data();
    void dayBeyondTheMonth();
    void noMonth_data();
    void noMonth();

    void nameTables_data();
    void nameTables();
    void slotZeroIsNeverFilled();
    void glyphs_data();
    void glyphs();
    void pairTextShape_data();
    void pairTextShape();
    void pairTextReadsTheGivenTable();

    void fixedDayForEveryListIndex();
    void fixedDaySettles();
    void fixedDayOutsideTheLists_data();
    void fixedDayOutsideTheLists();

    void failureMessage();
};

void TestZodiacRules::calendarCoversTheYearOnce()
{
    int dates = 0;
    for (int m = 1; m <= 12; ++m) {
        for (int d = 1; d <= monthLength[m]; ++d) {
            const QList<int> found = signsOfDate(m, d);
            QVERIFY2(found.size() == 1, qPrintable(QStringLiteral("%1 %2: %3 signs")
                                                        .arg(monthName[m])
                                                        .arg(d)
                                                        .arg(found.size())));
            ++dates;
        }
    }
    QCOMPARE(dates, 366);
}

void TestZodiacRules::everyDate_data()
{
    QTest::addColumn<int>("month"); // 1..12
    QTest::addColumn<int>("day");   // 1..31
    QTest::addColumn<int>("sign");
    for (int m = 1; m <= 12; ++m) {
        for (int d = 1; d <= monthLength[m]; ++d) {
            const QList<int> found = signsOfDate(m, d);
            QTest::addRow("%s %d", monthName[m], d) << m << d << (found.isEmpty() ? -1 : found.first());
        }
    }
}

void TestZodiacRules::everyDate()
{
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(int, sign);
    QVERIFY(sign >= 1 && sign <= 12);

    const int got = signFor(std::int16_t(month - 1), std::int16_t(day - 1));
    QCOMPARE(got, sign);

    const Tables t;
    const FieldTexts f = fieldTexts(got, t.names, t.stones, t.talismans);
    const Shown &e = shown[sign];
    QCOMPARE(f.sign, str(e.name));
    QCOMPARE(f.glyph, QString(QChar(e.glyph)));
    QCOMPARE(f.pair, str(e.pairs));
    QCOMPARE(f.stone, str(e.stone));
    QCOMPARE(f.talisman, str(e.talisman));
}

void TestZodiacRules::monthWithoutDay_data()
{
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("sign");
    // No day selected counts as an early day: the sign of the 1st.
    for (int m = 1; m <= 12; ++m)
        QTest::addRow("%s", monthName[m]) << m << signsOfDate(m, 1).value(0, -1);
}

void TestZodiacRules::monthWithoutDay()
{
    QFETCH(int, month);
    QFETCH(int, sign);
    QCOMPARE(signFor(std::int16_t(month - 1), -1), sign);
}

void TestZodiacRules::dayBeyondTheMonth_data()
{
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("dayIndex");
    QTest::addColumn<int>("sign");
    // The lookup does not know month lengths: past the end is still the
    // month's second sign, which is the sign of its last day.
    for (int m = 1; m <= 12; ++m) {
        const int last = signsOfDate(m, monthLength[m]).value(0, -1);
        for (int d = monthLength[m]; d <= 30; ++d)
            QTest::addRow("%s index %d", monthName[m], d) << m << d << last;
        QTest::addRow("%s index 32767", monthName[m]) << m << 32767 << last;
    }
}

void TestZodiacRules::dayBeyondTheMonth()
{
    QFETCH(int, month);
    QFETCH(int, dayIndex);
    QFETCH(int, sign);
    QCOMPARE(signFor(std::int16_t(month - 1), std::int16_t(dayIndex)), sign);
}

void TestZodiacRules::noMonth_data()
{
    QTest::addColumn<int>("monthIndex");
    QTest::addColumn<int>("dayIndex");
    QTest::newRow("none selected") << -1 << 0;
    QTest::newRow("none selected, no day") << -1 << -1;
    QTest::newRow("past December") << 12 << 0;
    QTest::newRow("far past") << 100 << 20;
    QTest::newRow("most negative") << -32768 << 0;
    QTest::newRow("largest") << 32767 << 30;
}

void TestZodiacRules::noMonth()
{
    QFETCH(int, monthIndex);
    QFETCH(int, dayIndex);
    QCOMPARE(signFor(std::int16_t(monthIndex), std::int16_t(dayIndex)), int(NoSign));
}

void TestZodiacRules::nameTables_data()
{
    QTest::addColumn<int>("table"); // 0 signs, 1 stones, 2 talismans
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("text");
    const char16_t *const signs[] = {u"Козеог", u"Водолей", u"Рыбы", u"Овен",
                                     u"Телец",  u"Близнецы", u"Рак", u"Лев",
                                     u"Дева",   u"Весы",    u"Скорпион", u"Стрелец"};
    const char16_t *const stones[] = {u"Альмандин", u"Сапфир", u"Хризолит",
                                      u"Алмаз",     u"Изумруд", u"Берилл",
                                      u"Рубин",     u"Карбункул", u"Бирюза"};
    const char16_t *const talismans[] = {u"Опал",  u"Аметист", u"Александрит",
                                         u"Аквамарин", u"Агат", u"Яшма",
                                         u"Серодолик", u"Топаз", u"Хризопраз"};
    for (int i = 0; i < 12; ++i)
        QTest::addRow("sign %d", i + 1) << 0 << i + 1 << str(signs[i]);
    for (int i = 0; i < 9; ++i)
        QTest::addRow("stone %d", i + 1) << 1 << i + 1 << str(stones[i]);
    for (int i = 0; i < 9; ++i)
        QTest::addRow("talisman %d", i + 1) << 2 << i + 1 << str(talismans[i]);
}

void TestZodiacRules::nameTables()
{
    QFETCH(int, table);
    QFETCH(int, slot);
    QFETCH(QString, text);
    const Tables t;
    const QString got = table == 0 ? t.names[std::size_t(slot)]
                        : table == 1 ? t.stones[std::size_t(slot)]
                                     : t.talismans[std::size_t(slot)];
    QCOMPARE(got, text);
}

void TestZodiacRules::slotZeroIsNeverFilled()
{
    const Tables fresh;
    QVERIFY(fresh.names[0].isNull());
    QVERIFY(fresh.stones[0].isNull());
    QVERIFY(fresh.talismans[0].isNull());

    // Filling again over a table leaves slot 0 alone and gives the same texts.
    SignNameTable names;
    StoneNameTable stones;
    TalismanNameTable talismans;
    names.fill(QStringLiteral("old"));
    stones.fill(QStringLiteral("old"));
    talismans.fill(QStringLiteral("old"));
    fillZodiacSignTable(names);
    fillPreciousStoneTable(stones);
    fillTalismanTable(talismans);
    QCOMPARE(names[0], QStringLiteral("old"));
    QCOMPARE(stones[0], QStringLiteral("old"));
    QCOMPARE(talismans[0], QStringLiteral("old"));
    for (std::size_t i = 1; i < names.size(); ++i)
        QCOMPARE(names[i], fresh.names[i]);
    for (std::size_t i = 1; i < stones.size(); ++i)
        QCOMPARE(stones[i], fresh.stones[i]);
    for (std::size_t i = 1; i < talismans.size(); ++i)
        QCOMPARE(talismans[i], fresh.talismans[i]);

    // No sign names slot 0 as a pair, stone or talisman.
    for (int s = 1; s <= 12; ++s) {
        const SignAttributes &row = SignAttributeTable[std::size_t(s)];
        QVERIFY(row.stone >= 1 && row.stone <= 9);
        QVERIFY(row.talisman >= 1 && row.talisman <= 9);
        for (std::int16_t p : row.pairs())
            QVERIFY(p >= 1 && p <= 12);
    }
}

void TestZodiacRules::glyphs_data()
{
    QTest::addColumn<int>("sign");
    QTest::addColumn<int>("code");
    // The symbol font runs Aries to Pisces over 0x5E..0x69.
    QTest::newRow("Aries") << int(Aries) << 0x5E;
    QTest::newRow("Taurus") << int(Taurus) << 0x5F;
    QTest::newRow("Gemini") << int(Gemini) << 0x60;
    QTest::newRow("Cancer") << int(Cancer) << 0x61;
    QTest::newRow("Leo") << int(Leo) << 0x62;
    QTest::newRow("Virgo") << int(Virgo) << 0x63;
    QTest::newRow("Libra") << int(Libra) << 0x64;
    QTest::newRow("Scorpio") << int(Scorpio) << 0x65;
    QTest::newRow("Sagittarius") << int(Sagittarius) << 0x66;
    QTest::newRow("Capricorn") << int(Capricorn) << 0x67;
    QTest::newRow("Aquarius") << int(Aquarius) << 0x68;
    QTest::newRow("Pisces") << int(Pisces) << 0x69;
}

void TestZodiacRules::glyphs()
{
    QFETCH(int, sign);
    QFETCH(int, code);
    QCOMPARE(int(SignAttributeTable[std::size_t(sign)].glyph), code);
    const QString text = glyphText(sign);
    QCOMPARE(text.size(), 1);
    QCOMPARE(int(text.at(0).unicode()), code);
}

void TestZodiacRules::pairTextShape_data()
{
    QTest::addColumn<int>("sign");
    QTest::addColumn<int>("separators");
    for (int s = 1; s <= 12; ++s)
        QTest::addRow("%s", qPrintable(str(shown[s].name))) << s << (s == Capricorn ? 1 : s == Taurus ? 3 : 2);
}

void TestZodiacRules::pairTextShape()
{
    QFETCH(int, sign);
    QFETCH(int, separators);
    const Tables t;
    const QString text = pairText(sign, t.names);
    const QString separator = QStringLiteral(", ");
    QCOMPARE(QString::fromUtf16(PairSeparator), separator);

    QCOMPARE(text.count(separator), separators);
    QVERIFY(!text.startsWith(QLatin1Char(',')) && !text.startsWith(QLatin1Char(' ')));
    QVERIFY(!text.endsWith(QLatin1Char(',')) && !text.endsWith(QLatin1Char(' ')));
    QCOMPARE(text.count(QLatin1Char(',')), separators);

    // Every part is some other sign's name, each named once.
    const QStringList parts = text.split(separator);
    QCOMPARE(parts.size(), separators + 1);
    QCOMPARE(QSet<QString>(parts.begin(), parts.end()).size(), parts.size());
    for (const QString &part : parts) {
        QVERIFY2(std::find(t.names.begin() + 1, t.names.end(), part) != t.names.end(), qPrintable(part));
        QVERIFY(part != t.names[std::size_t(sign)]);
    }
}

void TestZodiacRules::pairTextReadsTheGivenTable()
{
    SignNameTable names;
    for (int s = 1; s <= 12; ++s)
        names[std::size_t(s)] = QStringLiteral("S%1").arg(s);
    QCOMPARE(pairText(Taurus, names), QStringLiteral("S7, S9, S1, S3"));
    QCOMPARE(pairText(Capricorn, names), QStringLiteral("S9, S3"));
    QCOMPARE(pairText(Sagittarius, names), QStringLiteral("S4, S8, S10"));
}

void TestZodiacRules::fixedDayForEveryListIndex()
{
    // Every selection the two lists can hold: month -1..11, day -1..30. A day
    // the month does not have moves to the month's last day; everything else
    // stands, and nothing moves without a month or without a day.
    for (int m = -1; m <= 11; ++m) {
        for (int d = -1; d <= 30; ++d) {
            std::optional<std::int16_t> expected;
            if (m >= 0 && d >= 0 && d >= monthLength[m + 1])
                expected = std::int16_t(monthLength[m + 1] - 1);
            const std::optional<std::int16_t> got = fixedDay(std::int16_t(m), std::int16_t(d));
            const auto show = [](std::optional<std::int16_t> v) {
                return v ? QString::number(*v) : QStringLiteral("nothing");
            };
            QVERIFY2(got == expected, qPrintable(QStringLiteral("month %1 day %2: got %3, expected %4")
                                                     .arg(m)
                                                     .arg(d)
                                                     .arg(show(got), show(expected))));
        }
    }
}

void TestZodiacRules::fixedDaySettles()
{
    // Moving the day raises the rule once more; that run must leave it alone.
    for (int m = -1; m <= 11; ++m) {
        for (int d = -1; d <= 30; ++d) {
            const std::optional<std::int16_t> moved = fixedDay(std::int16_t(m), std::int16_t(d));
            if (moved)
                QVERIFY2(!fixedDay(std::int16_t(m), *moved),
                         qPrintable(QStringLiteral("month %1 day %2").arg(m).arg(d)));
        }
    }
}

void TestZodiacRules::fixedDayOutsideTheLists_data()
{
    QTest::addColumn<int>("monthIndex");
    QTest::addColumn<int>("dayIndex");
    QTest::addColumn<int>("expected"); // -2: nothing moves
    // The lists never hold these, but the rule is exact about them:
    // February moves anything past 28, the 30-day months only 30 itself.
    QTest::newRow("February, index 31") << 1 << 31 << 28;
    QTest::newRow("February, index 32767") << 1 << 32767 << 28;
    QTest::newRow("April, index 31") << 3 << 31 << -2;
    QTest::newRow("November, index 100") << 10 << 100 << -2;
    QTest::newRow("January, index 40") << 0 << 40 << -2;
    QTest::newRow("month 12, index 30") << 12 << 30 << -2;
    QTest::newRow("month -2, index 30") << -2 << 30 << -2;
    QTest::newRow("February, index -32768") << 1 << -32768 << -2;
}

void TestZodiacRules::fixedDayOutsideTheLists()
{
    QFETCH(int, monthIndex);
    QFETCH(int, dayIndex);
    QFETCH(int, expected);
    const std::optional<std::int16_t> got = fixedDay(std::int16_t(monthIndex), std::int16_t(dayIndex));
    QCOMPARE(got ? int(*got) : -2, expected);
}

void TestZodiacRules::failureMessage()
{
    const QString text = failureMessageText();
    QCOMPARE(text,
             QString::fromUtf16(u"Программа вызвала внутренний збой из за неправельно введённых данных!\r\n"
                                u"Закройте её и запустите заного.\r\n"
                                u"Пожалуста сообшите об ошибке автору если она будет поаторятся."));
    QCOMPARE(text.count(QStringLiteral("\r\n")), 2);
    QCOMPARE(text.count(QLatin1Char('\n')), 2);
    QCOMPARE(text.count(QLatin1Char('\r')), 2);
    QVERIFY(!text.endsWith(QLatin1Char('\n')));
    QCOMPARE(failureMessageTitle(), QString::fromUtf16(u"Внутренний збой в программе"));
    QCOMPARE(FailureMessageStyle, 16);
}

QTEST_APPLESS_MAIN(TestZodiacRules)
#include "test_zodiac_rules.moc"
