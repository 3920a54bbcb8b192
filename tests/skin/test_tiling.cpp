// Where the pieces of a push-button face go: left cap at 0, middle tiles
// every 6 pixels from 13 while they start no further right than the inner
// width less 9, and the right cap at the outer width less 9, rounded.
#include "skin/tiling.h"

#include <QtTest>

#include <vector>

using skin::faceLayout;
using skin::FacePlan;

class TestTiling : public QObject {
    Q_OBJECT

private slots:
    void layout_data();
    void layout();
    void coversTheWholeWidth();
};

void TestTiling::layout_data()
{
    QTest::addColumn<float>("scaleWidth");
    QTest::addColumn<float>("width");
    QTest::addColumn<int>("tiles");
    QTest::addColumn<int>("rightCap");

    QTest::newRow("177") << 177.f << 177.f << 26 << 168;
    QTest::newRow("105") << 105.f << 105.f << 14 << 96;
    // Below 22 no tile fits; the cap still goes to width - 9, even off the edge.
    QTest::newRow("21") << 21.f << 21.f << 0 << 12;
    QTest::newRow("5") << 5.f << 5.f << 0 << -4;
    QTest::newRow("22") << 22.f << 22.f << 1 << 13;
    // (width - 22) not a multiple of 6: the last tile runs under the cap.
    QTest::newRow("27") << 27.f << 27.f << 1 << 18;
    QTest::newRow("104") << 104.f << 104.f << 14 << 95;
    QTest::newRow("178") << 178.f << 178.f << 27 << 169;
    // Fractional widths: the tile end is compared unrounded, the cap rounded
    // to the nearest pixel, halves to the even one.
    QTest::newRow("21.99") << 21.99f << 21.99f << 0 << 13;
    QTest::newRow("177.5") << 177.5f << 177.5f << 26 << 168;
    QTest::newRow("178.5") << 178.5f << 178.5f << 27 << 170;
    QTest::newRow("177.6") << 177.6f << 177.6f << 26 << 169;
    QTest::newRow("7.5") << 7.5f << 7.5f << 0 << -2;
    // The tiles follow the inner width, the cap the outer width.
    QTest::newRow("inner 170, outer 177") << 170.f << 177.f << 25 << 168;
    QTest::newRow("inner 20, outer 177") << 20.f << 177.f << 0 << 168;
}

void TestTiling::layout()
{
    QFETCH(float, scaleWidth);
    QFETCH(float, width);
    QFETCH(int, tiles);
    QFETCH(int, rightCap);
    const FacePlan plan = faceLayout(scaleWidth, width);
    QCOMPARE(plan.rightCapX, rightCap);
    std::vector<int> expected;
    for (int i = 0; i < tiles; ++i)
        expected.push_back(13 + 6 * i);
    QVERIFY(plan.tileXs == expected);
}

void TestTiling::coversTheWholeWidth()
{
    // From 22 px on, the pieces cover every column from 0 to width - 1 and
    // none beyond, and the cap lies over 1 to 6 columns of the last tile.
    for (int width = 22; width <= 600; ++width) {
        const FacePlan plan = faceLayout(float(width), float(width));
        std::vector<int> cover(std::size_t(width + 20), 0);
        auto paint = [&](int x, int w) {
            for (int i = std::max(x, 0); i < x + w; ++i)
                ++cover[std::size_t(i)];
        };
        paint(0, skin::LeftCapWidth);
        for (int x : plan.tileXs)
            paint(x, skin::TileWidth);
        paint(plan.rightCapX, skin::RightCapWidth);
        for (int x = 0; x < int(cover.size()); ++x)
            QVERIFY2((cover[std::size_t(x)] > 0) == (x < width), qPrintable(QStringLiteral("width %1, column %2").arg(width).arg(x)));
        QVERIFY(!plan.tileXs.empty());
        const int overlap = plan.tileXs.back() + skin::TileWidth - plan.rightCapX;
        QVERIFY2(overlap >= 1 && overlap <= 6, qPrintable(QString::number(width)));
    }
}

QTEST_APPLESS_MAIN(TestTiling)
#include "test_tiling.moc"
