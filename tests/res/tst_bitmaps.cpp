// The pictures compiled into the program: every bitmap number with its size
// and exact file format (read independently of Qt and compared with what
// QImage makes of it), and the facts the skin painting relies on.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QtEndian>
#include <QtTest>

namespace {

QByteArray resource(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

quint32 u32(const QByteArray &b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
qint32 s32(const QByteArray &b, int at) { return qFromLittleEndian<qint32>(b.constData() + at); }
quint16 u16(const QByteArray &b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }

struct Bmp {
    int width = 0, height = 0, bits = 0, compression = -1, colours = 0;
    bool bottomUp = false;
    QList<QRgb> palette;
    // Pixels as stored: for 16-bit the 5-bit channels, else 8-bit channels.
    QList<QList<QRgb>> rows;
    QString error;
};

// A reader for exactly the formats the program carries, written from the
// format itself so that it can check Qt's reading.
Bmp parseBmp(const QByteArray &b)
{
    Bmp r;
    if (b.size() < 54 || b.left(2) != "BM" || u32(b, 2) != quint32(b.size()) || u32(b, 14) != 40) {
        r.error = QStringLiteral("bad file or info header");
        return r;
    }
    r.width = s32(b, 18);
    const qint32 h = s32(b, 22);
    r.bottomUp = h > 0;
    r.height = std::abs(h);
    r.bits = u16(b, 28);
    r.compression = int(u32(b, 30));
    r.colours = int(u32(b, 46));
    const int paletteEntries = r.bits == 8 ? (r.colours ? r.colours : 256) : r.colours;
    const quint32 offset = u32(b, 10);
    if (u16(b, 26) != 1 || offset != quint32(54 + 4 * paletteEntries)) {
        r.error = QStringLiteral("bad planes or pixel offset");
        return r;
    }
    for (int i = 0; i < paletteEntries; ++i) {
        const int at = 54 + 4 * i;
        r.palette.append(qRgb(uchar(b[at + 2]), uchar(b[at + 1]), uchar(b[at])));
    }
    const int stride = ((r.width * r.bits + 31) / 32) * 4;
    if (qint64(offset) + qint64(stride) * r.height != b.size()) {
        r.error = QStringLiteral("pixel data size does not match");
        return r;
    }
    for (int y = 0; y < r.height; ++y) {
        const int stored = r.bottomUp ? r.height - 1 - y : y;
        const int at = int(offset) + stored * stride;
        QList<QRgb> row;
        for (int x = 0; x < r.width; ++x) {
            if (r.bits == 16) {
                const quint16 v = u16(b, at + 2 * x);
                row.append(qRgb((v >> 10) & 31, (v >> 5) & 31, v & 31));
            } else if (r.bits == 24) {
                const int p = at + 3 * x;
                row.append(qRgb(uchar(b[p + 2]), uchar(b[p + 1]), uchar(b[p])));
            } else {
                row.append(r.palette.value(uchar(b[at + x])));
            }
        }
        r.rows.append(row);
    }
    return r;
}

QImage bitmap(int n)
{
    return QImage(QStringLiteral(":/bmp/%1.bmp").arg(n)).convertToFormat(QImage::Format_RGB32);
}

int maxChannelDiff(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

bool near(QRgb c, int r, int g, int b, int tolerance)
{
    return maxChannelDiff(c, qRgb(r, g, b)) <= tolerance;
}

int brightness(QRgb c) { return (qRed(c) + qGreen(c) + qBlue(c)) / 3; }

// The bounding box of the pixels in which two equally sized images differ.
QRect differing(const QImage &a, const QImage &b, int threshold)
{
    QRect box;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (maxChannelDiff(a.pixel(x, y), b.pixel(x, y)) > threshold)
                box |= QRect(x, y, 1, 1);
    return box;
}

// A push-button face composed the way the program paints one: left cap at
// 0, tiles from 13 while x <= width - 9, right cap at width - 9.
QImage composeFace(const QImage &left, const QImage &tile, const QImage &right, int width)
{
    QImage face(width, 21, QImage::Format_RGB32);
    face.fill(Qt::black);
    QPainter p(&face);
    p.drawImage(0, 0, left);
    for (int x = 13; x <= width - 9; x += 6)
        p.drawImage(x, 0, tile);
    p.drawImage(width - 9, 0, right);
    return face;
}

QList<QRgb> column(const QImage &img, int x)
{
    QList<QRgb> c;
    for (int y = 0; y < img.height(); ++y)
        c.append(img.pixel(x, y));
    return c;
}

} // namespace

class TestBitmaps : public QObject
{
    Q_OBJECT

private slots:
    void formats_data();
    void formats();
    void onlyKnownNumbersExist();
    void capsulePieces_data();
    void capsulePieces();
    void titleBars_data();
    void titleBars();
    void bottomStrips_data();
    void bottomStrips();
    void captionButtons_data();
    void captionButtons();
    void titleIcon();
};

void TestBitmaps::formats_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("bits");
    const struct { int n, w, h, bits; } rows[] = {
        {101, 21, 20, 16}, {102, 17, 19, 16}, {109, 17, 19, 16}, {104, 18, 19, 16}, {105, 18, 19, 16},
        {111, 380, 24, 8}, {112, 380, 24, 8}, {106, 380, 7, 8},   {107, 380, 7, 8},
        {113, 13, 21, 16}, {114, 6, 21, 24},  {115, 9, 21, 16},   {116, 13, 21, 16}, {117, 6, 21, 16},
        {118, 9, 21, 16},
    };
    for (const auto &r : rows)
        QTest::addRow("%d", r.n) << r.n << r.w << r.h << r.bits;
    QTest::addRow("about") << 0 << 306 << 177 << 24;
}

void TestBitmaps::formats()
{
    QFETCH(int, number);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, bits);
    const QString path = number ? QStringLiteral(":/bmp/%1.bmp").arg(number) : QStringLiteral(":/layout/about.bmp");
    const QByteArray bytes = resource(path);
    QVERIFY2(!bytes.isEmpty(), qPrintable(path));

    const Bmp bmp = parseBmp(bytes);
    QVERIFY2(bmp.error.isEmpty(), qPrintable(bmp.error));
    QCOMPARE(bmp.width, width);
    QCOMPARE(bmp.height, height);
    QCOMPARE(bmp.bits, bits);
    QCOMPARE(bmp.compression, 0);       // BI_RGB: uncompressed, and for 16 bits 5-5-5
    QVERIFY(bmp.bottomUp);
    QCOMPARE(bmp.palette.size(), bits == 8 ? 256 : 0);

    // What the toolkit gets: QImage must read the same pixels as the format
    // says, rows the right way up and 16-bit pixels as 5-5-5, not 5-6-5.
    const QImage img(path);
    QVERIFY(!img.isNull());
    QCOMPARE(img.size(), QSize(width, height));
    if (bits == 8) {
        QCOMPARE(img.format(), QImage::Format_Indexed8);
        QCOMPARE(img.colorCount(), 256);
    }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const QRgb read = img.pixel(x, y), stored = bmp.rows[y][x];
            if (bits == 16) {
                QVERIFY2(qRed(read) >> 3 == qRed(stored) && qGreen(read) >> 3 == qGreen(stored) && qBlue(read) >> 3 == qBlue(stored),
                         qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            } else {
                QVERIFY2((read & 0xffffff) == (stored & 0xffffff), qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            }
        }

    // The twice-size copy for high-DPI screens.
    const QString twice = number ? QStringLiteral(":/bmp/%1@2x.png").arg(number) : QStringLiteral(":/layout/about@2x.png");
    const QImage big(twice);
    QVERIFY2(!big.isNull(), qPrintable(twice));
    QCOMPARE(big.size(), QSize(2 * width, 2 * height));
}

void TestBitmaps::onlyKnownNumbersExist()
{
    QStringList expected;
    for (int n : {101, 102, 104, 105, 106, 107, 109, 111, 112, 113, 114, 115, 116, 117, 118})
        expected << QStringLiteral("%1.bmp").arg(n) << QStringLiteral("%1@2x.png").arg(n);
    expected.sort();
    QStringList present = QDir(QStringLiteral(":/bmp")).entryList(QDir::Files);
    present.sort();
    QCOMPARE(present, expected);
    for (int n : {103, 108, 110})
        QVERIFY(!QFile::exists(QStringLiteral(":/bmp/%1.bmp").arg(n)));
}

void TestBitmaps::capsulePieces_data()
{
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("tile");
    QTest::addColumn<int>("right");
    QTest::addColumn<bool>("hover");
    QTest::newRow("normal") << 113 << 114 << 115 << false;
    QTest::newRow("hover") << 116 << 117 << 118 << true;
}

void TestBitmaps::capsulePieces()
{
    QFETCH(int, left);
    QFETCH(int, tile);
    QFETCH(int, right);
    QFETCH(bool, hover);
    // Loaded as the toolkit loads them, in whatever format QImage picks.
    const QImage l(QStringLiteral(":/bmp/%1.bmp").arg(left));
    const QImage t(QStringLiteral(":/bmp/%1.bmp").arg(tile));
    const QImage r(QStringLiteral(":/bmp/%1.bmp").arg(right));
    QVERIFY(!l.isNull() && !t.isNull() && !r.isNull());

    // Outer corners filled with light grey, close to the buttons' back colour.
    for (QPoint p : {QPoint(0, 0), QPoint(0, 20)})
        QVERIFY2(near(l.pixel(p), 230, 230, 230, 8), qPrintable(QString::number(l.pixel(p), 16)));
    for (QPoint p : {QPoint(8, 0), QPoint(8, 20)})
        QVERIFY2(near(r.pixel(p), 230, 230, 230, 8), qPrintable(QString::number(r.pixel(p), 16)));

    for (int width : {177, 105}) {
        const QImage face = composeFace(l, t, r, width);
        // Every copied tile keeps its pixels (the 24-bit tile included).
        for (int x = 13; x <= width - 9; x += 6)
            for (int dx = 0; dx < 6 && x + dx < width - 9; ++dx)
                QCOMPARE(column(face, x + dx), column(t.convertToFormat(QImage::Format_RGB32), dx));
        // No seams: the straight middle, which begins inside the left cap,
        // is the same in every column, and the right cap's rounding starts
        // from it without a step.
        const QList<QRgb> middle = column(face, 13);
        for (int x = 9; x <= width - 10; ++x)
            QVERIFY2(column(face, x) == middle, qPrintable(QStringLiteral("width %1, column %2").arg(width).arg(x)));
        for (int y = 0; y < 21; ++y)
            QVERIFY2(maxChannelDiff(face.pixel(width - 9, y), middle[y]) <= 24, qPrintable(QStringLiteral("width %1, row %2").arg(width).arg(y)));
    }

    // The look: a pale, near-white capsule, or a blue one.
    const QImage face = composeFace(l, t, r, 177);
    for (int y = 3; y <= 17; ++y) {
        const QRgb c = face.pixel(88, y);
        if (hover && y >= 10)
            QVERIFY2(qBlue(c) > qRed(c) + 40 && qBlue(c) > 180, qPrintable(QStringLiteral("row %1").arg(y)));
        else if (!hover)
            QVERIFY2(brightness(c) >= 225 && maxChannelDiff(c, qRgb(qBlue(c), qBlue(c), qBlue(c))) <= 8,
                     qPrintable(QStringLiteral("row %1").arg(y)));
    }
}

void TestBitmaps::titleBars_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("active");
    QTest::newRow("111 active") << 111 << true;
    QTest::newRow("112 inactive") << 112 << false;
}

void TestBitmaps::titleBars()
{
    QFETCH(int, number);
    QFETCH(bool, active);
    const QImage img = bitmap(number);
    QCOMPARE(img.size(), QSize(380, 24));
    const QRgb outline = img.pixel(190, 0);

    // One-pixel outline all round, the top corners cut diagonally by three
    // pixels, outside the cut the window's back colour.
    for (int x = 3; x <= 376; ++x) {
        QCOMPARE(img.pixel(x, 0), outline);
        QCOMPARE(img.pixel(x, 23), outline);
    }
    for (int y = 3; y <= 23; ++y) {
        QCOMPARE(img.pixel(0, y), outline);
        QCOMPARE(img.pixel(379, y), outline);
    }
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3 - y; ++x) {
            QVERIFY(near(img.pixel(x, y), 224, 224, 224, 0));
            QVERIFY(near(img.pixel(379 - x, y), 224, 224, 224, 0));
        }
    for (int k = 0; k <= 3; ++k) {
        QCOMPARE(img.pixel(k, 3 - k), outline);
        QCOMPARE(img.pixel(379 - k, 3 - k), outline);
    }

    // Pinstripes: each row one colour, alternating between two, everywhere
    // but the grey square, which covers exactly x 336..353, y 4..21.
    const QRgb light = img.pixel(10, 1), dark = img.pixel(10, 2);
    QVERIFY(light != dark);
    QRect square;
    for (int y = 1; y <= 22; ++y) {
        const QRgb stripe = (y % 2) ? light : dark;
        for (int x = 1; x <= 378; ++x)
            if (std::min(x, 379 - x) + y >= 4 && img.pixel(x, y) != stripe)
                square |= QRect(x, y, 1, 1);
    }
    QCOMPARE(square, QRect(QPoint(336, 4), QPoint(353, 21)));

    // The square is grey in both looks, and the same in both.
    const QImage other = bitmap(active ? 112 : 111);
    for (int y = 6; y <= 19; ++y)
        for (int x = 338; x <= 351; ++x) {
            const QRgb c = img.pixel(x, y);
            QVERIFY(std::abs(qRed(c) - qGreen(c)) <= 12 && std::abs(qGreen(c) - qBlue(c)) <= 16);
            QVERIFY(maxChannelDiff(c, other.pixel(x, y)) <= 8);
        }

    if (active) {
        // White and light grey stripes inside a grey-blue outline.
        QVERIFY(near(light, 255, 255, 255, 6));
        QVERIFY(brightness(dark) >= 220 && brightness(dark) < brightness(light) && maxChannelDiff(dark, qRgb(qRed(dark), qRed(dark), qRed(dark))) <= 6);
        QVERIFY(qBlue(outline) > qRed(outline) + 20 && brightness(outline) < 160);
    } else {
        // Blue-lilac stripes inside a blue outline.
        for (QRgb c : {light, dark})
            QVERIFY(qBlue(c) > qGreen(c) + 10 && qRed(c) >= qGreen(c) && brightness(c) >= 190);
        QVERIFY(qBlue(outline) > qRed(outline) + 80);
    }
}

void TestBitmaps::bottomStrips_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("active");
    QTest::newRow("106 active") << 106 << true;
    QTest::newRow("107 inactive") << 107 << false;
}

void TestBitmaps::bottomStrips()
{
    QFETCH(int, number);
    QFETCH(bool, active);
    const QImage img = bitmap(number);
    QCOMPARE(img.size(), QSize(380, 7));
    const QRgb line = img.pixel(190, 0);
    // A band between two lines along the whole strip...
    for (int x = 3; x <= 376; ++x) {
        QCOMPARE(img.pixel(x, 0), line);
        QCOMPARE(img.pixel(x, 6), line);
    }
    const QRgb band = img.pixel(190, 3);
    QVERIFY(brightness(band) > brightness(line) + 40);
    if (active)
        QVERIFY(brightness(band) >= 215 && maxChannelDiff(band, qRgb(qRed(band), qRed(band), qRed(band))) <= 8);
    else
        QVERIFY(qBlue(band) > qRed(band) + 12);
    QVERIFY(qBlue(line) > qRed(line) + 20);
    // ...with bevelled ends: the bottom corners cut, the ends shaded.
    for (int y = 4; y < 7; ++y)
        for (int x = 0; x < y - 3; ++x) {
            QVERIFY(near(img.pixel(x, y), 224, 224, 224, 0));
            QVERIFY(near(img.pixel(379 - x, y), 224, 224, 224, 0));
        }
    QVERIFY(img.pixel(1, 3) != band);
    QVERIFY(img.pixel(378, 3) != band);
}

void TestBitmaps::captionButtons_data()
{
    QTest::addColumn<int>("normal");
    QTest::addColumn<int>("hover");
    QTest::addColumn<bool>("minimise");
    QTest::newRow("minimise 102/109") << 102 << 109 << true;
    QTest::newRow("close 104/105") << 104 << 105 << false;
}

void TestBitmaps::captionButtons()
{
    QFETCH(int, normal);
    QFETCH(int, hover);
    QFETCH(bool, minimise);
    const QImage n = bitmap(normal), h = bitmap(hover);
    QCOMPARE(n.size(), h.size());
    const int w = n.width();
    const QRgb centre = n.pixel(w / 2, 11);
    if (minimise)
        QVERIFY(qGreen(centre) > qRed(centre) + 40 && qGreen(centre) > qBlue(centre) + 40);
    else
        QVERIFY(qRed(centre) > qGreen(centre) + 30 && qGreen(centre) > qBlue(centre) + 30);
    // Glossy: a dark band along the top, lighter below it.
    QVERIFY(brightness(n.pixel(w / 2, 1)) + 40 < brightness(n.pixel(w / 2, 14)));

    // The corners show the active title's stripes of the rows they sit on
    // (the buttons stand 4 pixels below the top of the title bar), as close
    // as 5 bits a channel come to the title's 8-bit colours.
    const QImage title = bitmap(111);
    for (QPoint p : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, 18), QPoint(w - 1, 18)})
        QVERIFY(maxChannelDiff(n.pixel(p), title.pixel(10, 4 + p.y())) <= 12);

    // The hover face only adds its symbol, darker than the face below it.
    const QRect symbol = differing(n, h, 24);
    QVERIFY(!symbol.isEmpty());
    QVERIFY(QRect(2, 2, w - 4, 15).contains(symbol));
    QVERIFY(brightness(h.pixel(symbol.center())) + 60 < brightness(n.pixel(symbol.center())));
    if (minimise) {
        // A horizontal bar.
        QVERIFY(symbol.width() >= 7 && symbol.height() <= 4);
    } else {
        // A cross: both diagonals are dark, the middles of the sides are not.
        QVERIFY(symbol.width() >= 6 && symbol.height() >= 6);
        const QRect inner = symbol.adjusted(1, 1, -1, -1);
        for (QPoint p : {inner.topLeft(), inner.topRight(), inner.bottomLeft(), inner.bottomRight()})
            QVERIFY(brightness(h.pixel(p)) + 40 < brightness(n.pixel(p)));
        const QPoint top((symbol.left() + symbol.right()) / 2, symbol.top());
        QVERIFY(maxChannelDiff(h.pixel(top), n.pixel(top)) <= 40);
    }
}

void TestBitmaps::titleIcon()
{
    const QImage img = bitmap(101);
    // A red apple with a green leaf at the top, on near-white.
    for (QPoint p : {QPoint(0, 0), QPoint(20, 0), QPoint(0, 19), QPoint(20, 19)})
        QVERIFY(brightness(img.pixel(p)) >= 240);
    int red = 0, leaf = 0, leafBottom = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y);
            if (qRed(c) > 140 && qGreen(c) < 90 && qBlue(c) < 90)
                ++red;
            if (qGreen(c) > qRed(c) + 30 && qGreen(c) > qBlue(c) + 30) {
                ++leaf;
                leafBottom = std::max(leafBottom, y);
            }
        }
    QVERIFY2(red >= 120, qPrintable(QString::number(red)));
    QVERIFY(leaf >= 4);
    QVERIFY(leafBottom <= 6);
    const QRgb middle = img.pixel(10, 12);
    QVERIFY(qRed(middle) > 150 && qGreen(middle) < 80);
}

QTEST_GUILESS_MAIN(TestBitmaps)
#include "tst_bitmaps.moc"
