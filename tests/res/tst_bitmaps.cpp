// The pictures compiled into the program: every bitmap number with its size
// and exact file format, and the facts the skin painting relies on.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QtEndian>
#include <QtTest>

namespace {

quint32 u32(const QByteArray &b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
qint32 s32(const QByteArray &b, int at) { return qFromLittleEndian<qint32>(b.constData() + at); }
quint16 u16(const QByteArray &b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }

QImage bitmap(int n)
{
    return QImage(QStringLiteral(":/bmp/%1.bmp").arg(n)).convertToFormat(QImage::Format_RGB32);
}

int maxChannelDiff(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
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
    void capsule_data();
    void capsule();
    void titleBars_data();
    void titleBars();
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
    QFile f(path);
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(path));
    const QByteArray b = f.readAll();

    // File and info headers: size, width, bottom-up height, one plane, the
    // depth, BI_RGB (uncompressed; for 16 bits that means 5-5-5), a full
    // 256-colour palette for 8 bits and none otherwise.
    QVERIFY(b.size() >= 54 && b.startsWith("BM") && u32(b, 2) == quint32(b.size()) && u32(b, 14) == 40);
    QCOMPARE(s32(b, 18), width);
    QCOMPARE(s32(b, 22), height);
    QCOMPARE(u16(b, 26), quint16(1));
    QCOMPARE(int(u16(b, 28)), bits);
    QCOMPARE(u32(b, 30), quint32(0));
    const int palette = bits == 8 ? (u32(b, 46) ? int(u32(b, 46)) : 256) : int(u32(b, 46));
    QCOMPARE(palette, bits == 8 ? 256 : 0);
    QCOMPARE(u32(b, 10), quint32(54 + 4 * palette));
    QCOMPARE(b.size(), int(u32(b, 10)) + ((width * bits + 31) / 32) * 4 * height);

    const QImage img(path);
    QCOMPARE(img.size(), QSize(width, height));
    if (bits == 8)
        QCOMPARE(img.colorCount(), 256);
    const QString twice = number ? QStringLiteral(":/bmp/%1@2x.png").arg(number) : QStringLiteral(":/layout/about@2x.png");
    QCOMPARE(QImage(twice).size(), QSize(2 * width, 2 * height));
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
}

void TestBitmaps::capsule_data()
{
    QTest::addColumn<int>("left");
    QTest::newRow("normal 113-115") << 113;
    QTest::newRow("hover 116-118") << 116;
}

void TestBitmaps::capsule()
{
    QFETCH(int, left);
    const QImage l = bitmap(left), t = bitmap(left + 1), r = bitmap(left + 2);
    // Outer corners light grey, close to the buttons' back colour.
    for (QRgb c : {l.pixel(0, 0), l.pixel(0, 20), r.pixel(8, 0), r.pixel(8, 20)})
        QVERIFY2(maxChannelDiff(c, qRgb(230, 230, 230)) <= 8, qPrintable(QString::number(c, 16)));

    // A face composed as the program paints one: left cap at 0, tiles from
    // 13 while x <= width - 9, right cap at width - 9.
    for (int width : {177, 105}) {
        QImage face(width, 21, QImage::Format_RGB32);
        QPainter p(&face);
        p.drawImage(0, 0, l);
        for (int x = 13; x <= width - 9; x += 6)
            p.drawImage(x, 0, t);
        p.drawImage(width - 9, 0, r);
        p.end();
        // No seams: the straight middle, which begins inside the left cap, is
        // the same in every column, and the right cap starts from it without
        // a step.
        const QList<QRgb> middle = column(face, 13);
        QCOMPARE(middle, column(t, 0));
        for (int x = 9; x <= width - 10; ++x)
            QVERIFY2(column(face, x) == middle, qPrintable(QStringLiteral("width %1, column %2").arg(width).arg(x)));
        for (int y = 0; y < 21; ++y)
            QVERIFY(maxChannelDiff(face.pixel(width - 9, y), middle[y]) <= 24);
    }
}

void TestBitmaps::titleBars_data()
{
    QTest::addColumn<int>("number");
    QTest::newRow("111 active") << 111;
    QTest::newRow("112 inactive") << 112;
}

void TestBitmaps::titleBars()
{
    QFETCH(int, number);
    const QImage img = bitmap(number);
    const QRgb outline = img.pixel(190, 0);
    // One-pixel outline, the top corners cut diagonally by three pixels with
    // the window's back colour outside the cut.
    for (int x = 3; x <= 376; ++x)
        QVERIFY(img.pixel(x, 0) == outline && img.pixel(x, 23) == outline);
    for (int y = 3; y <= 23; ++y)
        QVERIFY(img.pixel(0, y) == outline && img.pixel(379, y) == outline);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3 - y; ++x)
            QVERIFY(img.pixel(x, y) == qRgb(224, 224, 224) && img.pixel(379 - x, y) == qRgb(224, 224, 224));
    for (int k = 0; k <= 3; ++k)
        QVERIFY(img.pixel(k, 3 - k) == outline && img.pixel(379 - k, 3 - k) == outline);

    // Pinstripes alternating row by row everywhere but the grey square,
    // which covers exactly x 336..353, y 4..21.
    const QRgb light = img.pixel(10, 1), dark = img.pixel(10, 2);
    QVERIFY(light != dark);
    QRect square;
    for (int y = 1; y <= 22; ++y)
        for (int x = 1; x <= 378; ++x)
            if (std::min(x, 379 - x) + y >= 4 && img.pixel(x, y) != ((y % 2) ? light : dark))
                square |= QRect(x, y, 1, 1);
    QCOMPARE(square, QRect(QPoint(336, 4), QPoint(353, 21)));
    const QRgb grey = img.pixel(344, 12);
    QVERIFY(std::abs(qRed(grey) - qGreen(grey)) <= 12 && std::abs(qGreen(grey) - qBlue(grey)) <= 16);
}

QTEST_GUILESS_MAIN(TestBitmaps)
#include "tst_bitmaps.moc"
