// The application icon (the .ico and the theme PNGs) and the About panel,
// as compiled into the program.

#include <QFile>
#include <QImage>
#include <QtEndian>
#include <QtTest>

namespace {

quint32 u32(const QByteArray &b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
quint16 u16(const QByteArray &b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }

int brightness(QRgb c) { return (qRed(c) + qGreen(c) + qBlue(c)) / 3; }

QImage about() { return QImage(QStringLiteral(":/layout/about.bmp")).convertToFormat(QImage::Format_RGB32); }

// The bounding box of the pixels clearly darker than `background`: ink.
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
    void themeIcons();
    void aboutFrameAndHeader();
    void aboutLines_data();
    void aboutLines();
};

void TestPictures::icoStructure()
{
    QFile f(QStringLiteral(":/icon/lunivar.ico"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray ico = f.readAll();
    QCOMPARE(ico.size(), 6 + 16 + 2216);
    // Header: type 1, one entry of 32 x 32, 256 colours, 1 plane, 8 bits,
    // 2216 bytes at offset 22.
    QCOMPARE(QList<quint16>({u16(ico, 0), u16(ico, 2), u16(ico, 4)}), QList<quint16>({0, 1, 1}));
    QCOMPARE(QByteArray(ico.constData() + 6, 3), QByteArray("\x20\x20\x00", 3));
    QCOMPARE(QList<quint32>({u16(ico, 10), u16(ico, 12), u32(ico, 14), u32(ico, 18)}), QList<quint32>({1, 8, 2216, 22}));
    // The image: 40-byte header (height counting the mask), 256-colour
    // palette, 8-bit pixels and a 1-bit AND mask: 40 + 1024 + 1024 + 128.
    QCOMPARE(QList<quint32>({u32(ico, 22), u32(ico, 26), u32(ico, 30), u16(ico, 34), u16(ico, 36), u32(ico, 38)}),
             QList<quint32>({40, 32, 64, 1, 8, 0}));
    QVERIFY(u32(ico, 54) == 0 || u32(ico, 54) == 256);
    // The mask (rows bottom-up) leaves the corner transparent, the middle not.
    const int mask = 22 + 40 + 1024 + 1024;
    QVERIFY(uchar(ico[mask + 31 * 4]) & 0x80);
    QCOMPARE(uchar(ico[mask + 16 * 4 + 2]), uchar(0));
}

void TestPictures::themeIcons()
{
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QImage img = QImage(QStringLiteral(LUNIVAR_RES_DIR "/icon/lunivar-%1.png").arg(size)).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(img.size(), QSize(size, size));
        // A rounded square: the corners cut off, the edges' middles not.
        QVERIFY(qAlpha(img.pixel(0, 0)) < 128 && qAlpha(img.pixel(size / 2, 0)) > 200);
    }
}

void TestPictures::aboutFrameAndHeader()
{
    const QImage img = about();
    QCOMPARE(img.size(), QSize(306, 177));
    // Magenta only outside the rounded corners: three pixels at each.
    int magenta = 0;
    for (int y = 0; y < 177; ++y)
        for (int x = 0; x < 306; ++x)
            magenta += (img.pixel(x, y) & 0xffffff) == 0xff00ff;
    QCOMPARE(magenta, 12);
    for (QPoint p : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(305, 0), QPoint(0, 176), QPoint(305, 176)})
        QCOMPARE(img.pixel(p) & 0xffffff, 0xff00ffu);
    // Rows 1 to 22 near-white around the heading (black, centred, rows 4 to
    // 18), a grey-blue rule across row 23.
    for (int y = 1; y <= 22; ++y)
        for (int x = 3; x <= 302; ++x)
            if (y < 4 || y > 18)
                QVERIFY2(brightness(img.pixel(x, y)) >= 235, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    const QRect heading = ink(img, QRect(3, 1, 300, 22), 245);
    QCOMPARE(heading.top(), 4);
    QCOMPARE(heading.bottom(), 18);
    QVERIFY(qAbs((heading.left() + heading.right()) / 2.0 - 152.5) <= 2.0);
    const QRgb rule = img.pixel(1, 23);
    QVERIFY(qBlue(rule) > qRed(rule) + 20);
    for (int x = 1; x <= 304; ++x)
        QCOMPARE(img.pixel(x, 23), rule);
    // Nothing where the program writes the version (text and shadow).
    for (int y = 72; y <= 90; ++y)
        for (int x = 100; x <= 304; ++x)
            QCOMPARE(img.pixel(x, y), qRgb(224, 224, 224));
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
    const QImage img = about();
    // The text keeps to its rows and begins at x = 34; the label ends before
    // the value column at 105, which holds a value on all lines but one.
    const QRect around = ink(img, QRect(1, top - 3, 304, bottom - top + 7), 224);
    QVERIFY(around.top() >= top && around.top() <= top + 1);
    QVERIFY(around.bottom() <= bottom && around.bottom() >= bottom - 3);
    QCOMPARE(around.left(), 34);
    QVERIFY(ink(img, QRect(1, top, 99, bottom - top + 1), 224).right() <= 100);
    const QRect value = ink(img, QRect(101, top, 204, bottom - top + 1), 224);
    QCOMPARE(!value.isEmpty(), hasValue);
    QVERIFY(!hasValue || qAbs(value.left() - 106) <= 2);
}

QTEST_GUILESS_MAIN(TestPictures)
#include "tst_pictures.moc"
