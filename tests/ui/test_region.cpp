// Rounding to whole pixels and the rounded-rectangle window outline. The
// outline must come out exactly as the Windows GDI gives it: right and bottom
// are one pixel further in than a plain rectangle, and each corner is cut
// along the rasterised ellipse.
#include "ui/platform.h"

#include <QElapsedTimer>
#include <QRegion>
#include <QtTest>

#include <cmath>
#include <limits>
#include <map>
#include <vector>

namespace {

// A run of rows that all cover the same x range; all bounds inclusive.
struct Span {
    int rowFrom, rowTo, xFrom, xTo;
    bool operator==(const Span &) const = default;
};
using Spans = QList<Span>;

QString toString(const Spans &spans)
{
    QStringList out;
    for (const Span &s : spans)
        out << QStringLiteral("rows %1-%2 x %3-%4").arg(s.rowFrom).arg(s.rowTo).arg(s.xFrom).arg(s.xTo);
    return out.join(QStringLiteral("; "));
}

// The covered pixels of a region, read back row by row. A row covering two
// separate ranges shows as two entries for the same row.
Spans spansOf(const QRegion &region)
{
    std::map<int, std::vector<std::pair<int, int>>> rows;
    for (const QRect &r : region)
        for (int y = r.top(); y <= r.bottom(); ++y)
            rows[y].emplace_back(r.left(), r.right());
    Spans out;
    for (auto &[y, ranges] : rows) {
        std::sort(ranges.begin(), ranges.end());
        std::vector<std::pair<int, int>> merged;
        for (const auto &range : ranges) {
            if (!merged.empty() && range.first <= merged.back().second + 1)
                merged.back().second = std::max(merged.back().second, range.second);
            else
                merged.push_back(range);
        }
        for (const auto &[from, to] : merged) {
            if (merged.size() == 1 && !out.isEmpty() && out.back().rowTo == y - 1
                && out.back().xFrom == from && out.back().xTo == to)
                out.back().rowTo = y;
            else
                out.append(Span{y, y, from, to});
        }
    }
    return out;
}

// The same pixels as a region built the plain way, one rectangle per row.
QRegion regionOf(const Spans &spans)
{
    QRegion region;
    for (const Span &s : spans)
        for (int y = s.rowFrom; y <= s.rowTo; ++y)
            region += QRect(QPoint(s.xFrom, y), QPoint(s.xTo, y));
    return region;
}

// One span per row, top to bottom, as (first x, last x); empty rows absent.
std::vector<std::pair<int, int>> rowRanges(const QRegion &region, int &firstRow)
{
    const Spans spans = spansOf(region);
    std::vector<std::pair<int, int>> rows;
    firstRow = spans.isEmpty() ? 0 : spans.first().rowFrom;
    for (const Span &s : spans)
        for (int y = s.rowFrom; y <= s.rowTo; ++y)
            rows.emplace_back(s.xFrom, s.xTo);
    return rows;
}

} // namespace

Q_DECLARE_METATYPE(Spans)

class TestRegion : public QObject {
    Q_OBJECT

private slots:
    void clng_data();
    void clng();

    void knownSpans_data();
    void knownSpans();
    void sameAsNormalised_data();
    void sameAsNormalised();
    void empty_data();
    void empty();

    void shape_data();
    void shape();
    void followsTheEllipse_data();
    void followsTheEllipse();
    void movesWithItsOrigin();
    void largeIsQuickAndCompact();
};

void TestRegion::clng_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("-0.5") << -0.5 << 0;
    QTest::newRow("0.5") << 0.5 << 0;
    QTest::newRow("1.5") << 1.5 << 2;
    QTest::newRow("2.5") << 2.5 << 2;
    QTest::newRow("3.5") << 3.5 << 4;
    QTest::newRow("-1.5") << -1.5 << -2;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("168.5") << 168.5 << 168;
    QTest::newRow("169.5") << 169.5 << 170;
    QTest::newRow("380.5") << 380.5 << 380;
    QTest::newRow("0") << 0.0 << 0;
    QTest::newRow("-0") << -0.0 << 0;
    QTest::newRow("0.49999999") << 0.49999999 << 0;
    QTest::newRow("0.50000001") << 0.50000001 << 1;
    QTest::newRow("-0.50000001") << -0.50000001 << -1;
    QTest::newRow("2.4999999999999996") << 2.4999999999999996 << 2;
    QTest::newRow("1.4") << 1.4 << 1;
    QTest::newRow("1.6") << 1.6 << 2;
    QTest::newRow("-1.4") << -1.4 << -1;
    QTest::newRow("-1.6") << -1.6 << -2;
    QTest::newRow("381 from single 5700/15+1") << double(5700.0f / 15.0f + 1.0f) << 381;
    QTest::newRow("largest") << 2147483647.0 << 2147483647;
    QTest::newRow("smallest") << -2147483648.0 << -2147483647 - 1;
    QTest::newRow("2147483646.5") << 2147483646.5 << 2147483646;
    QTest::newRow("-2147483647.5") << -2147483647.5 << -2147483647 - 1;
    // Beyond the range there is nothing right to give: it saturates.
    QTest::newRow("too large") << 1e12 << 2147483647;
    QTest::newRow("too small") << -1e12 << -2147483647 - 1;
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << 2147483647;
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << 0;
}

void TestRegion::clng()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(ui::CLng(value), std::int32_t(expected));
}

void TestRegion::knownSpans_data()
{
    QTest::addColumn<QList<int>>("args");
    QTest::addColumn<Spans>("expected");

    // The main window at its design size, 380 x 202 pixels.
    QTest::newRow("window 0,0,381,203,10,10")
        << QList<int>{0, 0, 381, 203, 10, 10}
        << Spans{{0, 0, 3, 376},     {1, 1, 2, 377},     {2, 2, 1, 378}, {3, 198, 0, 379},
                 {199, 199, 1, 378}, {200, 200, 2, 377}, {201, 201, 3, 376}};
    QTest::newRow("offset 1,1,320,191,10,10")
        << QList<int>{1, 1, 320, 191, 10, 10}
        << Spans{{1, 1, 4, 315},     {2, 2, 3, 316},     {3, 3, 2, 317}, {4, 186, 1, 318},
                 {187, 187, 2, 317}, {188, 188, 3, 316}, {189, 189, 4, 315}};

    // Small ellipses, odd and even, each in a box of its own size.
    QTest::newRow("2x2 in 2x2") << QList<int>{0, 0, 3, 3, 2, 2} << Spans{{0, 1, 0, 1}};
    QTest::newRow("3x3 in 3x3") << QList<int>{0, 0, 4, 4, 3, 3}
                                << Spans{{0, 0, 1, 1}, {1, 1, 0, 2}, {2, 2, 1, 1}};
    QTest::newRow("4x4 in 4x4") << QList<int>{0, 0, 5, 5, 4, 4}
                                << Spans{{0, 0, 1, 2}, {1, 2, 0, 3}, {3, 3, 1, 2}};
    QTest::newRow("5x5 in 5x5") << QList<int>{0, 0, 6, 6, 5, 5}
                                << Spans{{0, 0, 1, 3}, {1, 3, 0, 4}, {4, 4, 1, 3}};
    QTest::newRow("6x6 in 6x6") << QList<int>{0, 0, 7, 7, 6, 6}
                                << Spans{{0, 0, 2, 3}, {1, 1, 1, 4}, {2, 3, 0, 5}, {4, 4, 1, 4},
                                         {5, 5, 2, 3}};
    QTest::newRow("10x10 in 10x10") << QList<int>{0, 0, 11, 11, 10, 10}
                                    << Spans{{0, 0, 3, 6}, {1, 1, 2, 7}, {2, 2, 1, 8}, {3, 6, 0, 9},
                                             {7, 7, 1, 8}, {8, 8, 2, 7}, {9, 9, 3, 6}};
    QTest::newRow("7x5 in 7x5") << QList<int>{0, 0, 8, 6, 7, 5}
                                << Spans{{0, 0, 2, 4}, {1, 1, 1, 5}, {2, 2, 0, 6}, {3, 3, 1, 5},
                                         {4, 4, 2, 4}};
    QTest::newRow("7x4 in 7x4") << QList<int>{0, 0, 8, 5, 7, 4}
                                << Spans{{0, 0, 1, 5}, {1, 2, 0, 6}, {3, 3, 1, 5}};
    QTest::newRow("4x7 in 4x7") << QList<int>{0, 0, 5, 8, 4, 7}
                                << Spans{{0, 1, 1, 2}, {2, 4, 0, 3}, {5, 6, 1, 2}};
    QTest::newRow("8x3 in 8x3") << QList<int>{0, 0, 9, 4, 8, 3}
                                << Spans{{0, 0, 2, 5}, {1, 1, 0, 7}, {2, 2, 2, 5}};
    QTest::newRow("3x3 in 8x5") << QList<int>{0, 0, 9, 6, 3, 3}
                                << Spans{{0, 0, 1, 6}, {1, 3, 0, 7}, {4, 4, 1, 6}};

    // An ellipse of 0 or 1 in either direction leaves the corners square.
    QTest::newRow("w 1") << QList<int>{0, 0, 11, 6, 1, 10} << Spans{{0, 4, 0, 9}};
    QTest::newRow("h 1") << QList<int>{0, 0, 11, 6, 10, 1} << Spans{{0, 4, 0, 9}};
    QTest::newRow("w 0 h 0") << QList<int>{2, 3, 13, 9, 0, 0} << Spans{{3, 7, 2, 11}};
    QTest::newRow("one pixel") << QList<int>{0, 0, 2, 2, 10, 10} << Spans{{0, 0, 0, 0}};
    QTest::newRow("one row") << QList<int>{0, 0, 20, 2, 10, 10} << Spans{{0, 0, 0, 18}};
    QTest::newRow("one column") << QList<int>{4, 0, 6, 20, 10, 10} << Spans{{0, 18, 4, 4}};
    QTest::newRow("negative coordinates") << QList<int>{-10, -20, 1, -9, 0, 0} << Spans{{-20, -11, -10, -1}};
}

void TestRegion::knownSpans()
{
    QFETCH(QList<int>, args);
    QFETCH(Spans, expected);
    const QRegion region = ui::CreateRoundRectRgn(args[0], args[1], args[2], args[3], args[4], args[5]);
    const Spans got = spansOf(region);
    QVERIFY2(got == expected, qPrintable(QStringLiteral("got %1\nexpected %2").arg(toString(got), toString(expected))));
    // Compared as regions too, so that a region built another way equals it.
    QCOMPARE(region, regionOf(expected));
}

void TestRegion::sameAsNormalised_data()
{
    QTest::addColumn<QList<int>>("args");
    QTest::addColumn<QList<int>>("same");
    QTest::newRow("x swapped") << QList<int>{381, 0, 0, 203, 10, 10} << QList<int>{0, 0, 381, 203, 10, 10};
    QTest::newRow("y swapped") << QList<int>{0, 203, 381, 0, 10, 10} << QList<int>{0, 0, 381, 203, 10, 10};
    QTest::newRow("both swapped") << QList<int>{320, 191, 1, 1, 10, 10} << QList<int>{1, 1, 320, 191, 10, 10};
    QTest::newRow("swapped, odd ellipse") << QList<int>{50, 40, 3, 7, 9, 7} << QList<int>{3, 7, 50, 40, 9, 7};
    // The ellipse is clamped to the rectangle's size (10 x 10 pixels here).
    QTest::newRow("ellipse larger") << QList<int>{0, 0, 11, 11, 50, 50} << QList<int>{0, 0, 11, 11, 10, 10};
    QTest::newRow("ellipse wider") << QList<int>{0, 0, 11, 31, 50, 8} << QList<int>{0, 0, 11, 31, 10, 8};
    QTest::newRow("ellipse taller") << QList<int>{0, 0, 31, 11, 8, 999} << QList<int>{0, 0, 31, 11, 8, 10};
    QTest::newRow("ellipse huge") << QList<int>{0, 0, 8, 12, 1 << 30, 1 << 30} << QList<int>{0, 0, 8, 12, 7, 11};
    // Negative sizes count by their magnitude.
    QTest::newRow("negative ellipse") << QList<int>{0, 0, 381, 203, -10, -10} << QList<int>{0, 0, 381, 203, 10, 10};
    QTest::newRow("negative width") << QList<int>{0, 0, 40, 30, -7, 6} << QList<int>{0, 0, 40, 30, 7, 6};
}

void TestRegion::sameAsNormalised()
{
    QFETCH(QList<int>, args);
    QFETCH(QList<int>, same);
    const QRegion a = ui::CreateRoundRectRgn(args[0], args[1], args[2], args[3], args[4], args[5]);
    const QRegion b = ui::CreateRoundRectRgn(same[0], same[1], same[2], same[3], same[4], same[5]);
    QVERIFY(!b.isEmpty());
    QCOMPARE(spansOf(a), spansOf(b));
    QCOMPARE(a, b);
}

void TestRegion::empty_data()
{
    QTest::addColumn<QList<int>>("args");
    QTest::newRow("all zero") << QList<int>{0, 0, 0, 0, 0, 0};
    QTest::newRow("zero width") << QList<int>{5, 5, 5, 50, 10, 10};
    QTest::newRow("zero height") << QList<int>{5, 5, 50, 5, 10, 10};
    QTest::newRow("one wide") << QList<int>{5, 5, 6, 50, 10, 10};
    QTest::newRow("one high") << QList<int>{5, 5, 50, 6, 10, 10};
    QTest::newRow("one wide, swapped") << QList<int>{6, 50, 5, 5, 0, 0};
}

void TestRegion::empty()
{
    QFETCH(QList<int>, args);
    const QRegion region = ui::CreateRoundRectRgn(args[0], args[1], args[2], args[3], args[4], args[5]);
    QVERIFY(region.isEmpty());
    QCOMPARE(region.rectCount(), 0);
}

void TestRegion::shape_data()
{
    QTest::addColumn<int>("width"); // of the covered area
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("ew");
    QTest::addColumn<int>("eh");
    const int sizes[][4] = {
        {380, 202, 10, 10}, {318, 190, 10, 10}, {100, 60, 2, 2},   {100, 60, 3, 3},   {100, 60, 4, 5},
        {100, 60, 5, 4},    {100, 60, 7, 7},    {100, 60, 8, 8},   {100, 60, 9, 13},  {100, 60, 16, 3},
        {100, 60, 2, 30},   {100, 60, 40, 2},   {100, 60, 99, 59}, {100, 60, 100, 60}, {101, 61, 101, 61},
        {21, 21, 21, 21},   {20, 20, 20, 20},   {7, 50, 7, 12},    {50, 7, 12, 7},    {64, 64, 63, 64},
        {300, 40, 300, 40}, {40, 300, 40, 300}, {600, 400, 255, 127},
    };
    for (const auto &s : sizes)
        QTest::addRow("%dx%d, ellipse %dx%d", s[0], s[1], s[2], s[3]) << s[0] << s[1] << s[2] << s[3];
}

void TestRegion::shape()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, ew);
    QFETCH(int, eh);
    const int left = 7, top = 3;
    const QRegion region = ui::CreateRoundRectRgn(left, top, left + width + 1, top + height + 1, ew, eh);
    QCOMPARE(region.boundingRect(), QRect(left, top, width, height));

    int firstRow = 0;
    const auto rows = rowRanges(region, firstRow);
    QCOMPARE(firstRow, top);
    QCOMPARE(int(rows.size()), height); // every row covered, once, by one range

    for (int i = 0; i < height; ++i) {
        const int cutLeft = rows[std::size_t(i)].first - left;
        const int cutRight = left + width - 1 - rows[std::size_t(i)].second;
        const auto where = qPrintable(QStringLiteral("row %1").arg(i));
        // Left and right mirror each other, top and bottom too.
        QVERIFY2(cutLeft == cutRight, where);
        QVERIFY2(rows[std::size_t(i)] == rows[std::size_t(height - 1 - i)], where);
        // Only the corners are cut, by no more than half the ellipse.
        QVERIFY2(cutLeft >= 0 && 2 * cutLeft < ew, where);
        if (i >= eh / 2 && i < height - eh / 2)
            QVERIFY2(cutLeft == 0, where);
        // The cut shrinks, never grows, from the top row towards the middle.
        if (i > 0 && i <= height / 2)
            QVERIFY2(cutLeft <= rows[std::size_t(i - 1)].first - left, where);
    }
    // Some row runs across the full width.
    QCOMPARE(rows[std::size_t(height / 2)], std::make_pair(left, left + width - 1));
    // Ellipses of at least 3 x 3 take the corner pixels off.
    if (ew >= 3 && eh >= 3)
        QVERIFY(!region.contains(QPoint(left, top)));
}

void TestRegion::followsTheEllipse_data()
{
    QTest::addColumn<int>("ew");
    QTest::addColumn<int>("eh");
    for (int ew = 2; ew <= 24; ++ew)
        for (int eh : {2, 3, 4, 5, 8, 11, 16, 24})
            QTest::addRow("%dx%d", ew, eh) << ew << eh;
    QTest::newRow("200x120") << 200 << 120;
    QTest::newRow("121x333") << 121 << 333;
}

void TestRegion::followsTheEllipse()
{
    QFETCH(int, ew);
    QFETCH(int, eh);
    // In a box just the ellipse's size the region is the ellipse itself. The
    // first pixel of each row lies on the rasterised outline, so its centre
    // must be within a pixel of the true ellipse through the centres of the
    // box's outer pixels.
    const QRegion region = ui::CreateRoundRectRgn(0, 0, ew + 1, eh + 1, ew, eh);
    int firstRow = 0;
    const auto rows = rowRanges(region, firstRow);
    QCOMPARE(int(rows.size()), eh);
    const double cx = (ew - 1) / 2.0, cy = (eh - 1) / 2.0;
    std::vector<QPointF> curve; // the left half, finely sampled
    const int samples = 4000;
    for (int i = 0; i <= samples; ++i) {
        const double angle = M_PI / 2 + M_PI * i / samples;
        curve.emplace_back(cx + cx * std::cos(angle), cy + cy * std::sin(angle));
    }
    for (int y = 0; y < eh; ++y) {
        const QPointF p(rows[std::size_t(y)].first, y);
        double nearest = 1e9;
        for (const QPointF &c : curve)
            nearest = std::min(nearest, std::hypot(c.x() - p.x(), c.y() - p.y()));
        QVERIFY2(nearest <= 1.0, qPrintable(QStringLiteral("row %1: first x %2 is %3 px off the ellipse")
                                                .arg(y)
                                                .arg(p.x())
                                                .arg(nearest)));
    }
}

void TestRegion::movesWithItsOrigin()
{
    const QRegion atZero = ui::CreateRoundRectRgn(0, 0, 121, 81, 17, 12);
    for (const QPoint offset : {QPoint(1, 1), QPoint(-50, 30), QPoint(1000, -7)}) {
        const QRegion moved = ui::CreateRoundRectRgn(offset.x(), offset.y(), offset.x() + 121, offset.y() + 81, 17, 12);
        QCOMPARE(moved, atZero.translated(offset));
    }
}

void TestRegion::largeIsQuickAndCompact()
{
    QElapsedTimer timer;
    timer.start();
    const QRegion region = ui::CreateRoundRectRgn(0, 0, 4001, 3001, 2000, 2000);
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(region.boundingRect(), QRect(0, 0, 4000, 3000));
    // At most one rectangle per corner row on either side, one for the middle.
    QVERIFY2(region.rectCount() <= 2 * 1000 + 1, qPrintable(QString::number(region.rectCount())));
    QVERIFY2(elapsed < 500, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));

    int firstRow = 0;
    const auto rows = rowRanges(region, firstRow);
    QCOMPARE(int(rows.size()), 3000);
    for (int i = 0; i < 3000; ++i)
        QCOMPARE(rows[std::size_t(i)].first, 3999 - rows[std::size_t(i)].second);
    QCOMPARE(rows[1500], std::make_pair(0, 3999));
    // The top row of a 2000-pixel circle is a short flat run in the middle.
    QVERIFY(rows[0].first > 900 && rows[0].first < 1000);
}

QTEST_APPLESS_MAIN(TestRegion)
#include "test_region.moc"
