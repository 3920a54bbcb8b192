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
    void pieces();
    void layout_data();
    void layout();
    void rightCapRounding_data();
    void rightCapRounding();
    void coversTheWholeWidth();
};

void TestTiling::pieces()
{
    QCOMPARE(skin::LeftCapWidth, 13);
    QCOMPARE(skin::TileWidth, 6);
    QCOMPARE(skin::RightCapWidth, 9);
    QCOMPARE(skin::PieceHeight, 21);
}

void TestTiling::layout_data()
{
    QTest::addColumn<float>("scaleWidth");
    QTest::addColumn<float>("width");
    QTest::addColumn<int>("tiles");
    QTest::addColumn<int>("lastTile"); // -1: none
    QTest::addColumn<int>("rightCap");

    // The main window's buttons and the About window's.
    QTest::newRow("177") << 177.f << 177.f << 26 << 163 << 168;
    QTest::newRow("105") << 105.f << 105.f << 14 << 91 << 96;

    // Too narrow for a tile: the right cap still goes to width - 9, over the
    // left cap, and off the left edge for the tiniest widths.
    QTest::newRow("21") << 21.f << 21.f << 0 << -1 << 12;
    QTest::newRow("14") << 14.f << 14.f << 0 << -1 << 5;
    QTest::newRow("9") << 9.f << 9.f << 0 << -1 << 0;
    QTest::newRow("5") << 5.f << 5.f << 0 << -1 << -4;
    QTest::newRow("0") << 0.f << 0.f << 0 << -1 << -9;
    QTest::newRow("negative") << -3.f << -3.f << 0 << -1 << -12;

    // From 22 on, one tile more every 6 pixels.
    QTest::newRow("22") << 22.f << 22.f << 1 << 13 << 13;
    QTest::newRow("27") << 27.f << 27.f << 1 << 13 << 18;
    QTest::newRow("28") << 28.f << 28.f << 2 << 19 << 19;
    QTest::newRow("33") << 33.f << 33.f << 2 << 19 << 24;
    QTest::newRow("34") << 34.f << 34.f << 3 << 25 << 25;

    // (width - 22) not a multiple of 6: the last tile runs under the cap.
    QTest::newRow("100") << 100.f << 100.f << 14 << 91 << 91;
    QTest::newRow("104") << 104.f << 104.f << 14 << 91 << 95;
    QTest::newRow("176") << 176.f << 176.f << 26 << 163 << 167;
    QTest::newRow("178") << 178.f << 178.f << 27 << 169 << 169;
    QTest::newRow("380") << 380.f << 380.f << 60 << 367 << 371;

    // Fractional inner widths: the end is compared unrounded.
    QTest::newRow("21.99") << 21.99f << 21.99f << 0 << -1 << 13;
    QTest::newRow("27.99") << 27.99f << 27.99f << 1 << 13 << 19;
    QTest::newRow("28.01") << 28.01f << 28.01f << 2 << 19 << 19;
    QTest::newRow("177.5") << 177.5f << 177.5f << 26 << 163 << 168;
    QTest::newRow("178.5") << 178.5f << 178.5f << 27 << 169 << 170;

    // The tiles follow the inner width, the cap the outer width.
    QTest::newRow("inner 177, outer 181") << 177.f << 181.f << 26 << 163 << 172;
    QTest::newRow("inner 170, outer 177") << 170.f << 177.f << 25 << 157 << 168;
    QTest::newRow("inner 20, outer 177") << 20.f << 177.f << 0 << -1 << 168;
}

void TestTiling::layout()
{
    QFETCH(float, scaleWidth);
    QFETCH(float, width);
    QFETCH(int, tiles);
    QFETCH(int, lastTile);
    QFETCH(int, rightCap);

    const FacePlan plan = faceLayout(scaleWidth, width);
    QCOMPARE(int(plan.tileXs.size()), tiles);
    QCOMPARE(plan.rightCapX, rightCap);
    if (tiles == 0)
        return;
    QCOMPARE(plan.tileXs.back(), lastTile);
    // Left to right from 13, every 6 pixels, without a gap.
    for (std::size_t i = 0; i < plan.tileXs.size(); ++i)
        QCOMPARE(plan.tileXs[i], 13 + 6 * int(i));
}

void TestTiling::rightCapRounding_data()
{
    QTest::addColumn<float>("width");
    QTest::addColumn<int>("rightCap");
    // Width - 9 rounded to the nearest pixel, halves to the even one.
    QTest::newRow("177.5 -> 168.5") << 177.5f << 168;
    QTest::newRow("178.5 -> 169.5") << 178.5f << 170;
    QTest::newRow("177.4") << 177.4f << 168;
    QTest::newRow("177.6") << 177.6f << 169;
    QTest::newRow("9.5 -> 0.5") << 9.5f << 0;
    QTest::newRow("10.5 -> 1.5") << 10.5f << 2;
    QTest::newRow("8.5 -> -0.5") << 8.5f << 0;
    QTest::newRow("7.5 -> -1.5") << 7.5f << -2;
    QTest::newRow("6.5 -> -2.5") << 6.5f << -2;
    QTest::newRow("105.25") << 105.25f << 96;
    QTest::newRow("105.75") << 105.75f << 97;
}

void TestTiling::rightCapRounding()
{
    QFETCH(float, width);
    QFETCH(int, rightCap);
    QCOMPARE(faceLayout(width, width).rightCapX, rightCap);
}

void TestTiling::coversTheWholeWidth()
{
    // For every whole width a face can be tiled at (22 px and more), the
    // pieces cover every column from 0 to width - 1 and none beyond.
    for (int width = 22; width <= 600; ++width) {
        const FacePlan plan = faceLayout(float(width), float(width));
        std::vector<int> cover(std::size_t(width + 20), 0);
        auto paint = [&](int x, int w) {
            for (int i = x; i < x + w; ++i)
                if (i >= 0 && i < int(cover.size()))
                    ++cover[std::size_t(i)];
        };
        paint(0, skin::LeftCapWidth);
        for (int x : plan.tileXs)
            paint(x, skin::TileWidth);
        paint(plan.rightCapX, skin::RightCapWidth);
        for (int x = 0; x < int(cover.size()); ++x) {
            const bool inside = x < width;
            QVERIFY2((cover[std::size_t(x)] > 0) == inside,
                     qPrintable(QStringLiteral("width %1, column %2").arg(width).arg(x)));
        }
        QVERIFY2(!plan.tileXs.empty(), qPrintable(QStringLiteral("width %1").arg(width)));
        // The cap always lies over part of the last tile, at most all of it.
        const int overlap = plan.tileXs.back() + skin::TileWidth - plan.rightCapX;
        QVERIFY2(overlap >= 1 && overlap <= 6, qPrintable(QStringLiteral("width %1").arg(width)));
    }
}

QTEST_APPLESS_MAIN(TestTiling)
#include "test_tiling.moc"
