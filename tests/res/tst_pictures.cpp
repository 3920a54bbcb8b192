// The application icon (the .ico and the theme PNGs), the About panel and
// the background strip, as compiled into the program.

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QtEndian>
#include <QtTest>

namespace {

QByteArray resource(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

quint32 u32(const QByteArray &b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
quint16 u16(const QByteArray &b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }

int brightness(QRgb c) { return (qRed(c) + qGreen(c) + qBlue(c)) / 3; }
bool isMagenta(QRgb c) { return (c & 0xffffff) == 0xff00ff; }
bool isRed(QRgb c) { return qRed(c) > 140 && qGreen(c) < 100 && qBlue(c) < 100; }

// Rows and columns of the pixels clearly darker than `background` inside a
// rectangle: the ink of black text.
QRect ink(const QImage &img, const QRect &area, int background)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (brightness(img.pixel(x, y)) < background - 48)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestPictures : public QObject
{
    Q_OBJECT

private slots:
    void icoStructure();
    void icoPicture();
    void themeIcons_data();
    void themeIcons();
    void aboutFrame();
    void aboutHeader();
    void aboutLines_data();
    void aboutLines();
    void aboutVersionValueIsEmpty();
    void backgroundStrip();
};

void TestPictures::icoStructure()
{
    const QByteArray ico = resource(QStringLiteral(":/icon/lunivar.ico"));
    QCOMPARE(ico.size(), 6 + 16 + 2216);
    // One entry: 32 x 32, colour count 0 (256), 1 plane, 8 bits, 2216 bytes.
    QCOMPARE(u16(ico, 0), quint16(0));
    QCOMPARE(u16(ico, 2), quint16(1));
    QCOMPARE(u16(ico, 4), quint16(1));
    QCOMPARE(uchar(ico[6]), uchar(32));
    QCOMPARE(uchar(ico[7]), uchar(32));
    QCOMPARE(uchar(ico[8]), uchar(0));
    QCOMPARE(u16(ico, 10), quint16(1));
    QCOMPARE(u16(ico, 12), quint16(8));
    QCOMPARE(u32(ico, 14), quint32(2216));
    QCOMPARE(u32(ico, 18), quint32(22));
    // The image: header, 256-colour palette, 8-bit pixels, 1-bit AND mask.
    const int at = 22;
    QCOMPARE(u32(ico, at), quint32(40));
    QCOMPARE(u32(ico, at + 4), quint32(32));
    QCOMPARE(u32(ico, at + 8), quint32(64));      // colour and mask together
    QCOMPARE(u16(ico, at + 12), quint16(1));
    QCOMPARE(u16(ico, at + 14), quint16(8));
    QCOMPARE(u32(ico, at + 16), quint32(0));
    const quint32 colours = u32(ico, at + 32);
    QVERIFY(colours == 0 || colours == 256);
    QCOMPARE(40 + 256 * 4 + 32 * 32 + 32 * 4, 2216);
    // The mask (rows bottom-up, 4 bytes each) leaves the middle opaque and
    // the rounded-off corner transparent.
    const int mask = at + 40 + 1024 + 1024;
    const int topRow = mask + 31 * 4;
    QVERIFY(uchar(ico[topRow]) & 0x80);               // pixel (0, 0)
    QCOMPARE(uchar(ico[mask + 16 * 4 + 2]), uchar(0)); // pixels 16..23 of row 15
}

void TestPictures::icoPicture()
{
    QImage ico(QStringLiteral(":/icon/lunivar.ico"));
    if (ico.isNull())
        QSKIP("Qt's ICO image plugin is not installed");
    ico = ico.convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(ico.size(), QSize(32, 32));
    QCOMPARE(qAlpha(ico.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(ico.pixel(16, 16)), 255);
    // The apple on a grey-to-white vertical gradient.
    QVERIFY(isRed(ico.pixel(16, 18)));
    QVERIFY(brightness(ico.pixel(2, 4)) + 40 < brightness(ico.pixel(2, 28)));
    QVERIFY(brightness(ico.pixel(2, 29)) >= 235);
    // The window icon at 32 pixels is the same picture, only not reduced to
    // 256 colours.
    const QImage png = QImage(QStringLiteral(":/icon/lunivar-32.png")).convertToFormat(QImage::Format_ARGB32);
    long total = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (qAlpha(ico.pixel(x, y)) == 255 && qAlpha(png.pixel(x, y)) == 255)
                total += std::abs(brightness(ico.pixel(x, y)) - brightness(png.pixel(x, y)));
    QVERIFY2(total / 1024 <= 6, qPrintable(QString::number(total / 1024)));
}

void TestPictures::themeIcons_data()
{
    QTest::addColumn<int>("size");
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        QTest::addRow("%d", size) << size;
}

void TestPictures::themeIcons()
{
    QFETCH(int, size);
    QImageReader reader(QStringLiteral(":/icon/lunivar-%1.png").arg(size));
    QCOMPARE(reader.format(), QByteArray("png"));
    const QImage img = reader.read().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(img.size(), QSize(size, size));
    QVERIFY(img.hasAlphaChannel());
    QVERIFY(isRed(img.pixel(size / 2, size * 9 / 16)));
    // A rounded square: the corners are cut off, the edges' middles are not.
    QVERIFY(qAlpha(img.pixel(0, 0)) < 128);
    QVERIFY(qAlpha(img.pixel(size / 2, 0)) > 200);
}

void TestPictures::aboutFrame()
{
    const QImage img = QImage(QStringLiteral(":/layout/about.bmp")).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(img.size(), QSize(306, 177));
    // Magenta only outside the slightly rounded corners: three pixels each.
    int magenta = 0;
    for (int y = 0; y < 177; ++y)
        for (int x = 0; x < 306; ++x)
            magenta += isMagenta(img.pixel(x, y));
    QCOMPARE(magenta, 12);
    for (QPoint p : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(305, 0), QPoint(304, 0), QPoint(305, 1)})
        QVERIFY(isMagenta(img.pixel(p)));
    // A one-pixel outline; the rounding shows at (1, 1) and its mirror.
    const QRgb outline = img.pixel(150, 0);
    QVERIFY(qBlue(outline) > qRed(outline) + 20 && brightness(outline) < 180);
    for (QPoint p : {QPoint(2, 0), QPoint(1, 1), QPoint(0, 2), QPoint(303, 0), QPoint(304, 1), QPoint(305, 2),
                     QPoint(0, 174), QPoint(1, 175), QPoint(2, 176), QPoint(305, 174)})
        QCOMPARE(img.pixel(p), outline);
    for (int x = 3; x <= 302; ++x) {
        QCOMPARE(img.pixel(x, 0), outline);
        QCOMPARE(img.pixel(x, 176), outline);
    }
    for (int y = 3; y <= 173; ++y) {
        QCOMPARE(img.pixel(0, y), outline);
        QCOMPARE(img.pixel(305, y), outline);
    }
    // The body is the window's light grey wherever there is no text.
    for (int y = 24; y <= 175; ++y)
        for (int x = 1; x <= 304; ++x)
            if (ink(img, QRect(x, y, 1, 1), 224).isEmpty() && (y < 40 || y > 122 || x < 30))
                QCOMPARE(img.pixel(x, y), qRgb(224, 224, 224));
}

void TestPictures::aboutHeader()
{
    const QImage img = QImage(QStringLiteral(":/layout/about.bmp")).convertToFormat(QImage::Format_RGB32);
    // Rows 1 to 22 near-white around the heading, a grey-blue rule at 23.
    for (int y = 1; y <= 22; ++y)
        for (int x = 3; x <= 302; ++x)
            if (y < 4 || y > 18)
                QVERIFY2(brightness(img.pixel(x, y)) >= 235, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    const QRgb rule = img.pixel(1, 23);
    QVERIFY(qBlue(rule) > qRed(rule) + 20);
    for (int x = 1; x <= 304; ++x)
        QCOMPARE(img.pixel(x, 23), rule);
    // The heading: black, centred, rows 4 to 18.
    const QRect heading = ink(img, QRect(3, 1, 300, 22), 245);
    QCOMPARE(heading.top(), 4);
    QCOMPARE(heading.bottom(), 18);
    QVERIFY(qAbs((heading.left() + heading.right()) / 2.0 - 152.5) <= 2.0);
    QVERIFY(heading.width() > 80);
}

void TestPictures::aboutLines_data()
{
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("bottom");
    QTest::addColumn<bool>("hasValue");
    QTest::newRow("Программа:") << 44 << 55 << true;
    QTest::newRow("Автор:") << 60 << 71 << true;
    QTest::newRow("Версия:") << 76 << 87 << false;
    QTest::newRow("Сайт:") << 91 << 103 << true;
    QTest::newRow("e-Mail:") << 107 << 119 << true;
}

void TestPictures::aboutLines()
{
    QFETCH(int, top);
    QFETCH(int, bottom);
    QFETCH(bool, hasValue);
    const QImage img = QImage(QStringLiteral(":/layout/about.bmp")).convertToFormat(QImage::Format_RGB32);
    // The line's text keeps to its rows and begins at x = 34...
    const QRect around = ink(img, QRect(1, top - 3, 304, bottom - top + 7), 224);
    QVERIFY(!around.isEmpty());
    QVERIFY2(around.top() >= top && around.top() <= top + 1, qPrintable(QString::number(around.top())));
    QVERIFY2(around.bottom() <= bottom && around.bottom() >= bottom - 3, qPrintable(QString::number(around.bottom())));
    QCOMPARE(around.left(), 34);
    // ...with the label left of the value column at x = 105, where the
    // program writes the version, and a value in that column.
    const QRect label = ink(img, QRect(1, top, 99, bottom - top + 1), 224);
    QVERIFY(label.right() <= 100);
    const QRect value = ink(img, QRect(101, top, 204, bottom - top + 1), 224);
    QCOMPARE(!value.isEmpty(), hasValue);
    if (hasValue)
        QVERIFY(qAbs(value.left() - 106) <= 2);
}

void TestPictures::aboutVersionValueIsEmpty()
{
    // The version labels (text at 105, 74 and its shadow at 107, 76) must
    // find nothing under them.
    const QImage img = QImage(QStringLiteral(":/layout/about.bmp")).convertToFormat(QImage::Format_RGB32);
    for (int y = 72; y <= 90; ++y)
        for (int x = 100; x <= 304; ++x)
            QCOMPARE(img.pixel(x, y), qRgb(224, 224, 224));
}

void TestPictures::backgroundStrip()
{
    const QByteArray bytes = resource(QStringLiteral(":/layout/back.bmp"));
    QVERIFY(bytes.startsWith("BM"));
    const QImage img = QImage::fromData(bytes, "BMP").convertToFormat(QImage::Format_RGB32);
    QCOMPARE(img.size(), QSize(6, 24));
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 6; ++x) {
            const QRgb c = img.pixel(x, y);
            QVERIFY(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c));
            QVERIFY(qRed(c) >= 215 && qRed(c) <= 245);
        }
}

QTEST_GUILESS_MAIN(TestPictures)
#include "tst_pictures.moc"
