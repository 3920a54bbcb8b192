// Rounding to whole pixels and the rounded-rectangle window outline, as the
// Windows GDI gives it: right and bottom one pixel further in than a plain
// rectangle, each corner cut along the rasterised ellipse.
#include "ui/platform.h"

#include <QElapsedTimer>
#include <QRegion>
#include <QtTest>

#include <cmath>
#include <limits>
#include <map>
#include <vector>

namespace {

using Args = QList<int>;

QRegion rgn(const Args &a) { return ui::CreateRoundRectRgn(a[0], a[1], a[2], a[3], a[4], a[5]); }

// Each row of a region as its covered x ranges, merged, left to right.
std::map<int, std::vector<std::pair<int, int>>> rowsOf(const QRegion &region)
{
    std::map<int, std::vector<std::pair<int, int>>> rows;
    for (const QRect &r : region)
        for (int y = r.top(); y <= r.bottom(); ++y)
            rows[y].emplace_back(r.left(), r.right());
    for (auto &[y, ranges] : rows) {
        std::sort(ranges.begin(), ranges.end());
        std::vector<std::pair<int, int>> merged;
        for (const auto &range : ranges)
            if (!merged.empty() && range.first <= merged.back().second + 1)
                merged.back().second = std::max(merged.back().second, range.second);
            else
                merged.push_back(range);
        ranges = merged;
    }
    return rows;
}

} // namespace

class TestRegion : public QObject {
    Q_OBJECT

private slots:
    void clng_data();
    void clng();
    void knownSpans_data();
    void knownSpans();
    void sameAsNormalised_data();
    void sameAsNormalised();
    void symmetricAndConvex_data();
    void symmetricAndConvex();
    void followsTheEllipse();
    void largeIsQuick();
};

void TestRegion::clng_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    // Halves go to the even neighbour.
    const std::pair<double, int> rows[] = {
        {-0.5, 0},   {0.5, 0},   {1.5, 2},       {2.5, 2},        {-1.5, -2},     {-2.5, -2},
        {168.5, 168}, {169.5, 170}, {0.49999999, 0}, {0.50000001, 1}, {1.6, 2}, {-1.4, -1},
        {2147483647.0, 2147483647}, {-2147483648.0, -2147483647 - 1},
        {1e12, 2147483647}, {-1e12, -2147483647 - 1}, {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const auto &[v, e] : rows)
        QTest::addRow("%.9g", v) << v << e;
}

void TestRegion::clng()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(ui::CLng(value), std::int32_t(expected));
}

void TestRegion::knownSpans_data()
{
    // Rows rowFrom..rowTo each covering xFrom..xTo, all inclusive.
    QTest::addColumn<Args>("args");
    QTest::addColumn<QList<QRect>>("spans");
    const auto span = [](int rowFrom, int rowTo, int xFrom, int xTo) { return QRect(QPoint(xFrom, rowFrom), QPoint(xTo, rowTo)); };
    QTest::newRow("window 0,0,381,203,10,10")
        << Args{0, 0, 381, 203, 10, 10}
        << QList<QRect>{span(0, 0, 3, 376), span(1, 1, 2, 377), span(2, 2, 1, 378), span(3, 198, 0, 379),
                        span(199, 199, 1, 378), span(200, 200, 2, 377), span(201, 201, 3, 376)};
    QTest::newRow("offset 1,1,320,191,10,10")
        << Args{1, 1, 320, 191, 10, 10}
        << QList<QRect>{span(1, 1, 4, 315), span(2, 2, 3, 316), span(3, 3, 2, 317), span(4, 186, 1, 318),
                        span(187, 187, 2, 317), span(188, 188, 3, 316), span(189, 189, 4, 315)};
    // Degenerate: an ellipse of 0 or 1 leaves the corners square; tiny boxes.
    QTest::newRow("ellipse w 1") << Args{0, 0, 11, 6, 1, 10} << QList<QRect>{span(0, 4, 0, 9)};
    QTest::newRow("ellipse 0") << Args{2, 3, 13, 9, 0, 0} << QList<QRect>{span(3, 7, 2, 11)};
    QTest::newRow("one pixel") << Args{0, 0, 2, 2, 10, 10} << QList<QRect>{span(0, 0, 0, 0)};
    QTest::newRow("one row") << Args{0, 0, 20, 2, 10, 10} << QList<QRect>{span(0, 0, 0, 18)};
    QTest::newRow("negative coordinates") << Args{-10, -20, 1, -9, 0, 0} << QList<QRect>{span(-20, -11, -10, -1)};
    // Too small to cover anything.
    QTest::newRow("all zero") << Args{0, 0, 0, 0, 0, 0} << QList<QRect>{};
    QTest::newRow("one wide") << Args{5, 5, 6, 50, 10, 10} << QList<QRect>{};
    QTest::newRow("one high, swapped") << Args{50, 6, 5, 5, 0, 0} << QList<QRect>{};
}

void TestRegion::knownSpans()
{
    QFETCH(Args, args);
    QFETCH(QList<QRect>, spans);
    QRegion expected;
    for (const QRect &s : spans)
        expected += s;
    const QRegion got = rgn(args);
    QVERIFY((got ^ expected).isEmpty());
    QCOMPARE(got.isEmpty(), spans.isEmpty());
}

void TestRegion::sameAsNormalised_data()
{
    QTest::addColumn<Args>("args");
    QTest::addColumn<Args>("same");
    QTest::newRow("x swapped") << Args{381, 0, 0, 203, 10, 10} << Args{0, 0, 381, 203, 10, 10};
    QTest::newRow("both swapped") << Args{50, 40, 3, 7, 9, 7} << Args{3, 7, 50, 40, 9, 7};
    // The ellipse is clamped to the rectangle's size; negative sizes count
    // by their magnitude.
    QTest::newRow("ellipse larger") << Args{0, 0, 11, 31, 50, 8} << Args{0, 0, 11, 31, 10, 8};
    QTest::newRow("ellipse huge") << Args{0, 0, 8, 12, 1 << 30, 1 << 30} << Args{0, 0, 8, 12, 7, 11};
    QTest::newRow("negative ellipse") << Args{0, 0, 40, 30, -7, -6} << Args{0, 0, 40, 30, 7, 6};
    QTest::newRow("moved") << Args{-50, 30, 71, 111, 17, 12} << Args{0, 0, 121, 81, 17, 12};
}

void TestRegion::sameAsNormalised()
{
    QFETCH(Args, args);
    QFETCH(Args, same);
    const QRegion b = rgn(same);
    QVERIFY(!b.isEmpty());
    const QPoint shift(std::min(args[0], args[2]) - std::min(same[0], same[2]), std::min(args[1], args[3]) - std::min(same[1], same[3]));
    QVERIFY((rgn(args) ^ b.translated(shift)).isEmpty());
}

void TestRegion::symmetricAndConvex_data()
{
    QTest::addColumn<int>("width"); // of the covered area
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("ew");
    QTest::addColumn<int>("eh");
    const int sizes[][4] = {{380, 202, 10, 10}, {100, 60, 3, 3}, {100, 60, 4, 5}, {100, 60, 9, 13},
                            {100, 60, 40, 2},   {21, 21, 21, 21}, {20, 20, 20, 20}, {600, 400, 255, 127}};
    for (const auto &s : sizes)
        QTest::addRow("%dx%d, ellipse %dx%d", s[0], s[1], s[2], s[3]) << s[0] << s[1] << s[2] << s[3];
}

void TestRegion::symmetricAndConvex()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, ew);
    QFETCH(int, eh);
    const int left = 7, top = 3;
    const QRegion region = ui::CreateRoundRectRgn(left, top, left + width + 1, top + height + 1, ew, eh);
    QCOMPARE(region.boundingRect(), QRect(left, top, width, height));
    auto rows = rowsOf(region);
    QCOMPARE(int(rows.size()), height);
    for (int i = 0; i < height; ++i) {
        const auto &row = rows[top + i];
        QVERIFY(row.size() == 1);
        const int cut = row[0].first - left;
        const auto where = qPrintable(QStringLiteral("row %1").arg(i));
        // Mirrored left/right and top/bottom; only the corners cut, by at
        // most half the ellipse, the cut shrinking towards the middle.
        QVERIFY2(cut == left + width - 1 - row[0].second, where);
        QVERIFY2(row == rows[top + height - 1 - i], where);
        QVERIFY2(cut >= 0 && 2 * cut < ew, where);
        QVERIFY2(cut == 0 || i < eh / 2 || i >= height - eh / 2, where);
        if (i > 0 && i <= height / 2)
            QVERIFY2(cut <= rows[top + i - 1][0].first - left, where);
    }
    if (ew >= 3 && eh >= 3)
        QVERIFY(!region.contains(QPoint(left, top)));
}

void TestRegion::followsTheEllipse()
{
    // In a box the ellipse's size, the first pixel of each row lies within a
    // pixel of the true ellipse through the centres of the outer pixels.
    for (int ew : {2, 3, 5, 8, 13, 24, 121})
        for (int eh : {2, 4, 7, 16, 200}) {
            auto rows = rowsOf(ui::CreateRoundRectRgn(0, 0, ew + 1, eh + 1, ew, eh));
            QCOMPARE(int(rows.size()), eh);
            const double cx = (ew - 1) / 2.0, cy = (eh - 1) / 2.0;
            for (int y = 0; y < eh; ++y) {
                double nearest = 1e9;
                for (int i = 0; i <= 4000; ++i) {
                    const double angle = M_PI / 2 + M_PI * i / 4000;
                    nearest = std::min(nearest, std::hypot(cx + cx * std::cos(angle) - rows[y][0].first, cy + cy * std::sin(angle) - y));
                }
                QVERIFY2(nearest <= 1.0, qPrintable(QStringLiteral("%1x%2 row %3").arg(ew).arg(eh).arg(y)));
            }
        }
}

void TestRegion::largeIsQuick()
{
    QElapsedTimer timer;
    timer.start();
    const QRegion region = ui::CreateRoundRectRgn(0, 0, 4001, 3001, 2000, 2000);
    QVERIFY(timer.elapsed() < 500);
    QCOMPARE(region.boundingRect(), QRect(0, 0, 4000, 3000));
    QVERIFY(region.rectCount() <= 2 * 1000 + 1);
}

QTEST_APPLESS_MAIN(TestRegion)
#include "test_region.moc"
