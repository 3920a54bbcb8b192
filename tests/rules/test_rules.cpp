// The program's rules, without a window: the sign of every date and what the
// five fields show for it, the day-fixing rule, the outline's spans, rounding,
// the tiling of a push-button face, wave files, the bitmap reader and access
// keys. Expected values come from the reference tables (tests/support) and
// the examples the program was specified with.
#include "support/fake_platform.h"
#include "rules/outline.h"
#include "rules/tiling.h"
#include "ui/controls.h"
#include "ui/image.h"
#include "ui/platform.h"
#include "ui/backend.h"
#include "ui/wave.h"
#include "rules/zodiac.h"

#include <QDir>
#include <QElapsedTimer>
#include <QtEndian>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>
#include <sys/stat.h>

using fake::signTable;

namespace {
// Month lengths the date lists allow: no year, so February has 29 days.
const int kMonthDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// The sign whose dates (from the table) hold month m (1-12), day d.
int tableSign(int m, int d) {
    const int md = m * 100 + d;
    for (const auto &s : signTable())
        if (s.first <= s.last ? md >= s.first && md <= s.last : md >= s.first || md <= s.last) return s.index;
    return 0;
}

QString q(const std::string &s) { return QString::fromStdString(s); }

std::vector<std::uint8_t> fileBytes(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray b = f.readAll();
    return std::vector<std::uint8_t>(b.begin(), b.end());
}

// A wave image: format tag, channels, rate, bits, and `frames` frames of data.
QByteArray wave(int tag, int channels, int rate, int bits, int frames, int dataBytes = -1) {
    QByteArray fmt, data(dataBytes >= 0 ? dataBytes : frames * channels * (bits / 8), '\x11');
    QDataStream f(&fmt, QIODevice::WriteOnly);
    f.setByteOrder(QDataStream::LittleEndian);
    f << quint16(tag) << quint16(channels) << quint32(rate) << quint32(rate * channels * bits / 8)
      << quint16(channels * bits / 8) << quint16(bits);
    QByteArray out;
    QDataStream o(&out, QIODevice::WriteOnly);
    o.setByteOrder(QDataStream::LittleEndian);
    o.writeRawData("RIFF", 4);
    o << quint32(4 + 8 + fmt.size() + 8 + data.size());
    o.writeRawData("WAVEfmt ", 8);
    o << quint32(fmt.size());
    o.writeRawData(fmt.constData(), int(fmt.size()));
    o.writeRawData("data", 4);
    o << quint32(data.size());
    o.writeRawData(data.constData(), int(data.size()));
    return out;
}

std::span<const std::uint8_t> bytes(const QByteArray &b) {
    return std::span(reinterpret_cast<const std::uint8_t *>(b.constData()), std::size_t(b.size()));
}

std::optional<ui::sound::Wave> parse(const QByteArray &b) {
    return ui::sound::parseWave(bytes(b));
}
} // namespace

class TestRules : public QObject {
    Q_OBJECT

private slots:
    void signOfEveryListIndex()
    {
        // Month and day as the lists give them: every index pair, no day
        // (-1) counting as the first sign, a day past the month's end as its last day.
        QCOMPARE(int(signTable().size()), 12);
        for (int m = 0; m < 12; ++m)
            for (int d = -1; d < 31; ++d) {
                const int day = std::clamp(d + 1, 1, kMonthDays[m]);
                QVERIFY2(zodiac::signFor(std::int16_t(m), std::int16_t(d)) == tableSign(m + 1, day),
                         qPrintable(QStringLiteral("month %1, day index %2").arg(m).arg(d)));
            }
        QCOMPARE(zodiac::signFor(-1, 5), 0);
        QCOMPARE(zodiac::signFor(12, 5), 0);
    }

    void fieldsOfEverySign()
    {
        zodiac::SignNameTable names;
        zodiac::StoneNameTable stones;
        zodiac::TalismanNameTable talismans;
        zodiac::fillZodiacSignTable(names);
        zodiac::fillPreciousStoneTable(stones);
        zodiac::fillTalismanTable(talismans);
        for (const auto &s : signTable()) {
            const zodiac::FieldTexts t = zodiac::fieldTexts(s.index, names, stones, talismans);
            QCOMPARE(q(t.sign), s.name);
            QCOMPARE(q(t.glyph), s.glyph);
            QCOMPARE(q(t.pair), s.pairs);
            QCOMPARE(q(t.stone), s.stone);
            QCOMPARE(q(t.talisman), s.talisman);
        }
        QCOMPARE(q(zodiac::failureMessageTitle()), QStringLiteral("Внутренний збой в программе"));
        QCOMPARE(q(zodiac::failureMessageText()),
                 QStringLiteral("Программа вызвала внутренний збой из за неправельно введённых данных!\r\n"
                                "Закройте её и запустите заного.\r\n"
                                "Пожалуста сообшите об ошибке автору если она будет поаторятся."));
    }

    void dayFixing()
    {
        // A day the chosen month does not have moves back to the month's last
        // day; with no month, January, or no day selected nothing moves.
        for (int m = -1; m < 12; ++m)
            for (int d = -1; d < 31; ++d) {
                const bool moves = m >= 1 && d >= 0 && d + 1 > kMonthDays[m];
                const auto got = zodiac::fixedDay(std::int16_t(m), std::int16_t(d));
                QVERIFY2(moves ? got && *got == kMonthDays[m] - 1 : !got,
                         qPrintable(QStringLiteral("month %1, day index %2").arg(m).arg(d)));
            }
    }

    void outlineSpans_data()
    {
        // Rows rowFrom..rowTo each covering xFrom..xTo, all inclusive.
        QTest::addColumn<QList<int>>("args");
        QTest::addColumn<QList<QRect>>("rows");
        auto span = [](int r0, int r1, int x0, int x1) { return QRect(QPoint(x0, r0), QPoint(x1, r1)); };
        QTest::newRow("main window 0,0,381,203") << QList<int>{0, 0, 381, 203, 10, 10}
            << QList<QRect>{span(0, 0, 3, 376), span(1, 1, 2, 377), span(2, 2, 1, 378), span(3, 198, 0, 379),
                            span(199, 199, 1, 378), span(200, 200, 2, 377), span(201, 201, 3, 376)};
        QTest::newRow("About window 1,1,320,191") << QList<int>{1, 1, 320, 191, 10, 10}
            << QList<QRect>{span(1, 1, 4, 315), span(2, 2, 3, 316), span(3, 3, 2, 317), span(4, 186, 1, 318),
                            span(187, 187, 2, 317), span(188, 188, 3, 316), span(189, 189, 4, 315)};
        QTest::newRow("corners given swapped") << QList<int>{381, 203, 0, 0, 10, 10}
            << QList<QRect>{span(0, 0, 3, 376), span(1, 1, 2, 377), span(2, 2, 1, 378), span(3, 198, 0, 379),
                            span(199, 199, 1, 378), span(200, 200, 2, 377), span(201, 201, 3, 376)};
        QTest::newRow("ellipse 1 wide: square") << QList<int>{0, 0, 11, 6, 1, 10} << QList<QRect>{span(0, 4, 0, 9)};
        QTest::newRow("one pixel") << QList<int>{0, 0, 2, 2, 10, 10} << QList<QRect>{span(0, 0, 0, 0)};
        QTest::newRow("nothing") << QList<int>{5, 5, 6, 50, 10, 10} << QList<QRect>{};
    }

    void outlineSpans()
    {
        QFETCH(QList<int>, args);
        QFETCH(QList<QRect>, rows);
        QRegion want, got;
        for (const QRect &r : rows) want += r;
        for (const ui::Rect &r : outline::roundRectSpans(args[0], args[1], args[2], args[3], args[4], args[5]))
            got += QRect(r.x, r.y, r.w, r.h);
        QVERIFY((want ^ got).isEmpty());
    }

    void rounding()
    {
        // Halves to the even neighbour; beyond 32 bits, the nearest end.
        const std::pair<double, int> rows[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {168.5, 168},
                                               {169.5, 170}, {0.49999999, 0}, {1.6, 2}, {-1.4, -1}, {1e12, 2147483647},
                                               {-1e12, -2147483647 - 1}, {std::nan(""), 0}};
        for (const auto &[v, want] : rows) QCOMPARE(outline::CLng(v), want);
    }

    void buttonTiling()
    {
        // Tiles from 13 every 6 pixels while x <= inner width - 9; the right
        // cap at width - 9, rounded halves to even.
        struct Row { float scale, width; int tiles, first, last, cap; };
        const Row rows[] = {{177, 177, 26, 13, 163, 168}, {105, 105, 14, 13, 91, 96}, {21, 21, 0, 0, 0, 12},
                            {22, 22, 1, 13, 13, 13}, {100, 100, 14, 13, 91, 91}, {177.5f, 177.5f, 26, 13, 163, 168},
                            {178.5f, 178.5f, 27, 13, 169, 170}, {178, 178, 27, 13, 169, 169}};
        for (const Row &r : rows) {
            const skin::FacePlan p = skin::faceLayout(r.scale, r.width);
            QCOMPARE(int(p.tileXs.size()), r.tiles);
            for (std::size_t i = 0; i < p.tileXs.size(); ++i) QCOMPARE(p.tileXs[i], r.first + 6 * int(i));
            if (r.tiles) QCOMPARE(p.tileXs.back(), r.last);
            QCOMPARE(p.rightCapX, r.cap);
        }
    }

    void waveFiles()
    {
        using F = ui::sound::Format;
        struct Row { const char *what; QByteArray bytes; bool plays; F::SampleFormat sample; std::size_t bytesOut; };
        QByteArray cut = wave(1, 1, 44100, 16, 100);
        cut.chop(51); // a data chunk cut short: the whole frames left play
        const Row rows[] = {
            {"8-bit mono", wave(1, 1, 22050, 8, 100), true, F::UInt8, 100},
            {"16-bit stereo", wave(1, 2, 44100, 16, 100), true, F::Int16, 400},
            {"24-bit, widened", wave(1, 1, 48000, 24, 10), true, F::Int32, 40},
            {"32-bit float", wave(3, 1, 48000, 32, 10), true, F::Float, 40},
            {"cut short", cut, true, F::Int16, 148},
            {"12-bit", wave(1, 1, 44100, 12, 10), false, F::Unknown, 0},
            {"no frames", wave(1, 1, 44100, 16, 0), false, F::Unknown, 0},
            {"rate 100", wave(1, 1, 100, 16, 10), false, F::Unknown, 0},
            {"nine channels", wave(1, 9, 44100, 16, 10), false, F::Unknown, 0},
            {"not RIFF", QByteArray("RIFX") + wave(1, 1, 44100, 16, 10).mid(4), false, F::Unknown, 0},
            {"header only", wave(1, 1, 44100, 16, 10).left(30), false, F::Unknown, 0},
            {"empty", QByteArray(), false, F::Unknown, 0},
        };
        for (const Row &r : rows) {
            const auto w = parse(r.bytes);
            QVERIFY2(bool(w) == r.plays, r.what);
            if (w) QVERIFY2(w->format.sample == r.sample && w->pcm.size() == r.bytesOut, r.what);
        }
        // Files: only plain files of a sensible size are read.
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("pipe.wav")), big = dir.filePath(QStringLiteral("big.wav"));
        QVERIFY(::mkfifo(fifo.toLocal8Bit().constData(), 0600) == 0);
        QFile f(big);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(wave(1, 1, 44100, 16, int(ui::sound::MaxFileBytes / 2) + 10));
        f.close();
        for (const QString &path : {fifo, big, dir.path(), dir.filePath(QStringLiteral("none.wav"))})
            QVERIFY2(!ui::readPlainFile(path.toStdString(), ui::sound::MaxFileBytes), qPrintable(path));
        QVERIFY(ui::readPlainFile(LUNIVAR_SOURCE_DIR "/src/res/wav/min.wav", ui::sound::MaxFileBytes));
    }

    void bitmapReader()
    {
        // Every bitmap the program carries reads as Qt reads it; 16-bit
        // channels widen by repeating their top bits where Qt only shifts.
        const QDir dir(QStringLiteral(LUNIVAR_SOURCE_DIR "/src/res"));
        QStringList names;
        for (const QString &n : QDir(dir.filePath(QStringLiteral("bmp"))).entryList({QStringLiteral("*.bmp")}))
            names << QStringLiteral("bmp/") + n;
        QCOMPARE(names.size(), 15);
        for (const QString &name : names) {
            const QImage want = QImage(dir.filePath(name)).convertToFormat(QImage::Format_RGB32);
            const auto got = ui::decodeBmp(fileBytes(dir.filePath(name)));
            QVERIFY2(got && got->width == want.width() && got->height == want.height(), qPrintable(name));
            for (int y = 0; y < want.height(); ++y)
                for (int x = 0; x < want.width(); ++x) {
                    const QRgb w = want.pixel(x, y), g = got->at(x, y);
                    for (int shift : {0, 8, 16})
                        QVERIFY2(int(g >> shift & 0xF8) == int(w >> shift & 0xF8), qPrintable(QStringLiteral("%1 at %2,%3").arg(name).arg(x).arg(y)));
                }
        }
        // Every PNG picture the program carries reads as Qt reads it.
        QStringList pngs;
        for (const QString &sub : {QStringLiteral("bmp"), QStringLiteral("layout")})
            for (const QString &n : QDir(dir.filePath(sub)).entryList({QStringLiteral("*.png")})) pngs << sub + "/" + n;
        QVERIFY(pngs.size() >= 16);
        for (const QString &name : pngs) {
            const QImage want = QImage(dir.filePath(name)).convertToFormat(QImage::Format_ARGB32);
            const auto got = ui::decodePng(fileBytes(dir.filePath(name)));
            QVERIFY2(got && got->width == want.width() && got->height == want.height(), qPrintable(name));
            for (int y = 0; y < want.height(); ++y)
                for (int x = 0; x < want.width(); ++x)
                    QVERIFY2(got->at(x, y) == want.pixel(x, y), qPrintable(QStringLiteral("%1 at %2,%3").arg(name).arg(x).arg(y)));
        }
        // Cut short: nothing.
        const std::vector<std::uint8_t> good = fileBytes(dir.filePath(pngs.first()));
        QVERIFY(!ui::decodePng(std::span(good).first(good.size() / 2)));
        const auto icon = ui::decodeIco(fileBytes(QStringLiteral(LUNIVAR_SOURCE_DIR "/src/res/icon/lunivar.ico")), 32);
        QVERIFY(icon && icon->width == 32 && icon->height == 32);
        QCOMPARE(icon->at(0, 0) >> 24, 0u);    // the mask leaves the corner out
        QCOMPARE(icon->at(16, 16) >> 24, 0xFFu);
        QVERIFY(!ui::decodeBmp(std::vector<std::uint8_t>(60, 0)));
    }

    void craftedBitmaps()
    {
        // A BMP file: 14-byte file header, a header of `headerSize` bytes,
        // `colours` palette entries, then the rows (all bytes 0x5A). Fields
        // can be spoilt afterwards.
        struct Crafted {
            const char *what;
            int width, height, bits;
            std::uint32_t compression = 0;
            int headerSize = 40, colours = 0;
            long rowBytes = -1;   // -1: exactly what the rows need
            long offset = -1;     // -1: where the rows start
            long fileBytes = -1;  // -1: all of it
            bool reads = false;
        };
        const Crafted files[] = {
            {"1 bit, 2 colours", 9, 2, 1, 0, 40, 2, -1, -1, -1, true},
            {"4 bits, 16 colours", 3, 3, 4, 0, 40, 16, -1, -1, -1, true},
            {"8 bits, 256 colours", 2, 2, 8, 0, 40, 256, -1, -1, -1, true},
            {"24 bits", 2, 2, 24, 0, 40, 0, -1, -1, -1, true},
            {"16 bits with masks after a 40-byte header", 2, 1, 16, 3, 40, 0, -1, -1, -1, true},
            {"2 bits", 4, 1, 2}, {"3 bits", 4, 1, 3}, {"5 bits", 4, 1, 5}, {"6 bits", 4, 1, 6},
            {"7 bits", 4, 1, 7}, {"0 bits", 4, 1, 0}, {"64 bits", 4, 1, 64},
            {"no width", 0, 1, 24}, {"negative width", -4, 1, 24}, {"too wide", 16385, 1, 24},
            {"height of the most negative number", 1, int(0x80000000u), 24},
            {"rows one byte short", 5, 3, 24, 0, 40, 0, -1, -1, 14 + 40 + 3 * 16 - 1},
            {"rows start past the end", 2, 2, 24, 0, 40, 0, -1, 100000},
            {"rows start inside the file header", 2, 2, 24, 0, 40, 0, -1, 10},
            {"masks cut off by the end of the file", 1, 1, 16, 3, 40, 0, 0, -1, 14 + 44},
            {"a 44-byte header with masks", 1, 1, 16, 3, 44},
            {"a header longer than the file", 1, 1, 24, 0, 4000},
            {"run-length compressed", 2, 2, 8, 1, 40, 256},
            {"palette past the end", 2, 2, 8, 0, 40, 256, -1, -1, 14 + 40 + 100},
        };
        for (const Crafted &sp : files) {
            const int bits = sp.bits > 0 && sp.bits <= 32 ? sp.bits : 8;
            const long stride = (long(std::max(sp.width, 1)) * bits + 31) / 32 * 4;
            const long rows = sp.rowBytes >= 0 ? sp.rowBytes : stride * std::max(1, std::abs(sp.height == int(0x80000000u) ? 1 : sp.height));
            const long masks = sp.compression == 3 && sp.headerSize == 40 ? 12 : 0;
            const long rowsAt = 14 + std::min(sp.headerSize, 200) + masks + 4L * sp.colours;
            QByteArray f(int(rowsAt + std::min(rows, 1L << 20)), '\x5A');
            auto put = [&](int at, std::uint32_t v, int n) {
                for (int i = 0; i < n && at + i < f.size(); ++i) f[at + i] = char(v >> (8 * i) & 0xFF);
            };
            put(0, 'B' | 'M' << 8, 2);
            put(2, std::uint32_t(f.size()), 4);
            put(10, std::uint32_t(sp.offset >= 0 ? sp.offset : rowsAt), 4);
            put(14, std::uint32_t(sp.headerSize), 4);
            put(18, std::uint32_t(sp.width), 4);
            put(22, std::uint32_t(sp.height), 4);
            put(26, 1, 2);
            put(28, std::uint32_t(sp.bits), 2);
            put(30, sp.compression, 4);
            put(46, std::uint32_t(sp.colours), 4);
            if (sp.compression == 3) put(54, 0x7C00, 4), put(58, 0x03E0, 4), put(62, 0x001F, 4);
            if (sp.fileBytes >= 0) f.truncate(int(sp.fileBytes));
            const auto got = ui::decodeBmp(std::span(reinterpret_cast<const std::uint8_t *>(f.constData()), std::size_t(f.size())));
            QVERIFY2(bool(got) == sp.reads, sp.what);
            if (got) QVERIFY2(got->width == sp.width && got->height == std::abs(sp.height), sp.what);
        }
    }

    void craftedPictures()
    {
        // Files made to trip the readers (tests/support/crafted): each is
        // refused, or read with exactly the pixels it holds: where read, the
        // alpha of its first pixel and the whole of its last.
        struct Row { const char *file; bool reads; int firstAlpha; quint32 lastPixel; };
        const Row rows[] = {
            {"rgb-key.png", true, 255, 0x00405060},      // an RGB colour key
            {"grey-key.png", true, 0, 0xFF808080},       // a grey key
            {"key-wrong-length.png", false, 0, 0},
            {"byte-flipped.png", false, 0, 0},           // a byte of a stored block, the chunk's CRC now wrong
            {"adler-spoilt.png", false, 0, 0},           // the chunk's CRC right for it
            {"huge-claim.png", false, 0, 0},             // 66 bytes claiming 16384 x 16384 RGBA
            {"bomb.png", false, 0, 0},                   // 32 kB inflating to 32 MB
            {"v5-alpha.bmp", true, 0x40, 0xFF445566},    // a V5 header with an alpha mask
            {"icon-alpha.ico", true, 0x80, 0x80FF0000},  // 32 bits with alpha
            {"icon-no-alpha.ico", true, 0xFF, 0xFFFF0000}, // alpha all zero: opaque
            {"icon-masked.ico", true, 0, 0},             // the mask leaves it all out
            {"icon-broken-then-good.ico", true, 0x80, 0x80FF0000},
        };
        for (const Row &r : rows) {
            const std::vector<std::uint8_t> file = fileBytes(QStringLiteral(LUNIVAR_SOURCE_DIR "/tests/support/crafted/") + r.file);
            QVERIFY2(!file.empty(), r.file);
            QElapsedTimer took;
            took.start();
            const QString name = QString::fromLatin1(r.file);
            const auto got = name.endsWith(".png") ? ui::decodePng(file) : name.endsWith(".bmp") ? ui::decodeBmp(file)
                                                                                                : ui::decodeIco(file, 32);
            QVERIFY2(took.elapsed() < 1000 && bool(got) == r.reads, r.file);
            if (got) QVERIFY2(int(got->px.front() >> 24) == r.firstAlpha && got->px.back() == r.lastPixel, r.file);
        }
        // A wave whose data chunk says 0x7FFFFFF0 bytes and holds 100: the
        // 100 bytes are kept, and a file written for them says 100.
        QByteArray claims = wave(1, 1, 44100, 16, 50);
        qToLittleEndian(quint32(0x7FFFFFF0), claims.data() + 40);
        const auto w = parse(claims);
        QVERIFY(w && w->pcm.size() == 100);
        const std::vector<std::uint8_t> file = ui::sound::waveFile(*w);
        QCOMPARE(file.size(), std::size_t(144));
        QCOMPARE(qFromLittleEndian<quint32>(file.data() + 40), 100u);
        QCOMPARE(qFromLittleEndian<quint32>(file.data() + 4), 136u);
        const auto again = ui::sound::parseWave(file);
        QVERIFY(again && again->pcm == w->pcm && again->format.rate == 44100 && again->format.channels == 1);
    }

    void accessKeys()
    {
        const char *rows[][3] = {{"&Проверить", "Проверить", "П"}, {"В&ыход", "Выход", "ы"}, {"&OK", "OK", "O"},
                                 {"a&&b", "a&b", ""},             {"Apple Mac", "Apple Mac", ""}, {"x&", "x", ""}};
        for (const auto &r : rows) {
            QCOMPARE(q(ui::withoutAccessKeys(r[0])), QString::fromUtf8(r[1]));
            QCOMPARE(q(ui::accessKeyOf(r[0])), QString::fromUtf8(r[2]));
        }
    }
};

QTEST_GUILESS_MAIN(TestRules)
#include "test_rules.moc"
