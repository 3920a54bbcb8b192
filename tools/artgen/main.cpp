// lunivar_artgen: draws every picture of the program's skin, its icon and
// its About panel, and writes them in the formats the program carries.
//
//   lunivar_artgen --out <dir> [--sheet <file.png>]
//
// <dir> receives bmp/, layout/ and icon/ exactly as committed under
// src/res/. The optional contact sheet shows every picture enlarged, plus
// the pieces composed the way the program composes them, for looking at.
// Output depends only on this code, Qt and the DejaVu Sans font: running it
// twice gives the same bytes.

#include "bmpcodec.h"
#include "painting.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>
#include <map>
#include <vector>

using namespace artgen;

namespace {

enum class Depth { Bits16, Bits8, Bits24 };

struct Bitmap {
    int number;
    Depth depth;
    QImage (*draw)(int s);
};

const std::vector<Bitmap> &bitmaps()
{
    static const std::vector<Bitmap> table = {
        {101, Depth::Bits16, [](int s) { return titleIcon(s); }},
        {102, Depth::Bits16, [](int s) { return captionButton(s, Caption::Minimise, false); }},
        {104, Depth::Bits16, [](int s) { return captionButton(s, Caption::Close, false); }},
        {105, Depth::Bits16, [](int s) { return captionButton(s, Caption::Close, true); }},
        {106, Depth::Bits8, [](int s) { return bottomStrip(s, true); }},
        {107, Depth::Bits8, [](int s) { return bottomStrip(s, false); }},
        {109, Depth::Bits16, [](int s) { return captionButton(s, Caption::Minimise, true); }},
        {111, Depth::Bits8, [](int s) { return titleBar(s, true); }},
        {112, Depth::Bits8, [](int s) { return titleBar(s, false); }},
        {113, Depth::Bits16, [](int s) { return capsulePiece(s, false, Piece::LeftCap); }},
        {114, Depth::Bits24, [](int s) { return capsulePiece(s, false, Piece::Tile); }},
        {115, Depth::Bits16, [](int s) { return capsulePiece(s, false, Piece::RightCap); }},
        {116, Depth::Bits16, [](int s) { return capsulePiece(s, true, Piece::LeftCap); }},
        {117, Depth::Bits16, [](int s) { return capsulePiece(s, true, Piece::Tile); }},
        {118, Depth::Bits16, [](int s) { return capsulePiece(s, true, Piece::RightCap); }},
    };
    return table;
}

const int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// The 5-bit expansion of the BMP reader the program uses, measured rather
// than assumed: the middle tile of the pale capsule is 24-bit, and it has to
// meet its 16-bit caps without a visible step.
QRgb asReadFrom16(QRgb c)
{
    static const std::vector<int> table = [] {
        QImage ramp(32, 1, QImage::Format_RGB32);
        for (int v = 0; v < 32; ++v)
            ramp.setPixel(v, 0, qRgb(from5(v), from5(v), from5(v)));
        QImage back;
        back.loadFromData(encodeBmp16(ramp), "BMP");
        std::vector<int> t(32);
        for (int v = 0; v < 32; ++v)
            t[size_t(v)] = qRed(back.pixel(v, 0));
        return t;
    }();
    return qRgb(table[size_t(to5(qRed(c)))], table[size_t(to5(qGreen(c)))], table[size_t(to5(qBlue(c)))]);
}

QImage asReadFrom16(const QImage &src)
{
    QImage img = src.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            line[x] = asReadFrom16(line[x]);
    }
    return img;
}

QByteArray png(QImage img)
{
    img.setDotsPerMeterX(2835);
    img.setDotsPerMeterY(2835);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "lunivar_artgen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QString loadFont()
{
    // The font file itself, not whatever the font configuration picks.
    const char *candidates[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"};
    QString family;
    for (const char *path : candidates) {
        const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(path));
        if (id >= 0 && family.isEmpty())
            family = QFontDatabase::applicationFontFamilies(id).value(0);
    }
    return family;
}

AboutTexts aboutTexts()
{
    AboutTexts t;
    t.heading = QStringLiteral("О программе");
    t.program = QStringLiteral("Программа:");
    t.author = QStringLiteral("Автор:");
    t.version = QStringLiteral("Версия:");
    t.site = QStringLiteral("Сайт:");
    t.mail = QStringLiteral("e-Mail:");
    t.programValue = QStringLiteral("Lunivar");
    t.authorValue = QStringLiteral("Команда Lunivar");
    t.siteValue = QStringLiteral("lunivar.example.org");
    t.mailValue = QStringLiteral("team@lunivar.example.org");
    return t;
}

// ---- contact sheet -------------------------------------------------------

class Sheet
{
public:
    explicit Sheet(const QString &family) : m_family(family), m_img(1500, 6000, QImage::Format_RGB32)
    {
        m_img.fill(QColor(96, 100, 108));
    }

    void heading(const QString &text)
    {
        newRow();
        m_y += 8;
        QPainter p(&m_img);
        QFont f(m_family);
        f.setPixelSize(18);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(16, m_y + 18, text);
        m_y += 28;
    }

    void add(const QImage &picture, int zoom, const QString &caption)
    {
        const QImage big = picture.scaled(picture.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        if (m_x + big.width() + 16 > m_img.width())
            newRow();
        QPainter p(&m_img);
        p.fillRect(QRect(m_x - 2, m_y - 2, big.width() + 4, big.height() + 4), QColor(40, 40, 44));
        p.drawImage(m_x, m_y, big);
        QFont f(m_family);
        f.setPixelSize(12);
        p.setFont(f);
        p.setPen(QColor(235, 235, 235));
        p.drawText(m_x, m_y + big.height() + 16, caption);
        m_x += std::max(big.width(), 150) + 24;
        m_rowHeight = std::max(m_rowHeight, big.height() + 24);
    }

    void newRow()
    {
        if (m_x > 16)
            m_y += m_rowHeight + 8;
        m_x = 16;
        m_rowHeight = 0;
    }

    QImage finished()
    {
        newRow();
        return m_img.copy(0, 0, m_img.width(), m_y + 16);
    }

private:
    QString m_family;
    QImage m_img;
    int m_x = 16, m_y = 8, m_rowHeight = 0;
};

// A face composed the way the program paints a push button: left cap at 0,
// tiles from 13 while they fit before the right cap, right cap at width - 9.
QImage composeButton(const QImage &left, const QImage &tile, const QImage &right, int width, int s)
{
    QImage face(width * s, 21 * s, QImage::Format_RGB32);
    face.fill(kWindowBack);
    QPainter p(&face);
    p.drawImage(0, 0, left);
    for (int x = kLeftCapWidth; x <= width - kRightCapWidth; x += kTileWidth)
        p.drawImage(x * s, 0, tile);
    p.drawImage((width - kRightCapWidth) * s, 0, right);
    return face;
}

QImage composeTitle(const QImage &title, const QImage &icon, const QImage &min, const QImage &close,
                    const QImage &bottom, const QString &family, const QImage &minHover)
{
    QImage frame(380, 60, QImage::Format_RGB32);
    frame.fill(kWindowBack);
    QPainter p(&frame);
    p.drawImage(0, 0, title);
    p.drawImage(8, 3, icon);
    p.drawImage(318, 4, minHover.isNull() ? min : minHover);
    p.drawImage(358, 4, close);
    QFont f(family);
    f.setPixelSize(16);
    p.setFont(f);
    p.setPen(QColor(128, 128, 128));
    p.drawText(QRect(2, 2, 380, 19), Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("Lunivar 5.3"));
    p.setPen(Qt::black);
    p.drawText(QRect(0, 0, 380, 19), Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("Lunivar 5.3"));
    p.fillRect(0, 24, 2, 29, QColor(192, 192, 192));
    p.fillRect(378, 24, 2, 29, QColor(192, 192, 192));
    p.drawImage(0, 53, bottom);
    return frame;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QString outDir, sheetPath;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--out") && i + 1 < args.size())
            outDir = args[++i];
        else if (args[i] == QLatin1String("--sheet") && i + 1 < args.size())
            sheetPath = args[++i];
        else {
            std::fprintf(stderr, "usage: lunivar_artgen --out <dir> [--sheet <file.png>]\n");
            return 2;
        }
    }
    if (outDir.isEmpty()) {
        std::fprintf(stderr, "usage: lunivar_artgen --out <dir> [--sheet <file.png>]\n");
        return 2;
    }
    const QString family = loadFont();
    if (family.isEmpty()) {
        std::fprintf(stderr, "lunivar_artgen: DejaVu Sans (fonts-dejavu-core) is missing\n");
        return 1;
    }

    bool ok = true;
    Sheet sheet(family);
    sheet.heading(QStringLiteral("Bitmaps, as the program reads them (x6, titles x3)"));
    std::map<int, QImage> read;   // what QImage makes of each written bitmap
    std::map<int, QImage> twice;
    for (const Bitmap &b : bitmaps()) {
        QImage one = b.draw(1);
        QByteArray bytes;
        switch (b.depth) {
        case Depth::Bits16:
            bytes = encodeBmp16(one);
            break;
        case Depth::Bits8:
            bytes = encodeBmp8(one);
            break;
        case Depth::Bits24:
            bytes = encodeBmp24(asReadFrom16(one));
            break;
        }
        ok &= writeFile(QStringLiteral("%1/bmp/%2.bmp").arg(outDir).arg(b.number), bytes);
        QImage back;
        back.loadFromData(bytes, "BMP");
        read[b.number] = back;
        twice[b.number] = b.draw(2);
        ok &= writeFile(QStringLiteral("%1/bmp/%2@2x.png").arg(outDir).arg(b.number), png(twice[b.number]));
        const int zoom = back.width() > 100 ? 3 : 6;
        const char *depth = b.depth == Depth::Bits16 ? "16" : b.depth == Depth::Bits8 ? "8" : "24";
        sheet.add(back, zoom, QStringLiteral("%1  %2x%3  %4-bit").arg(b.number).arg(back.width()).arg(back.height()).arg(QLatin1String(depth)));
    }

    const QImage about = aboutPicture(1, aboutTexts(), family);
    ok &= writeFile(outDir + QStringLiteral("/layout/about.png"), png(about));
    const QImage about2 = aboutPicture(2, aboutTexts(), family);
    ok &= writeFile(outDir + QStringLiteral("/layout/about@2x.png"), png(about2));
    const QImage back = backStrip(1);
    ok &= writeFile(outDir + QStringLiteral("/layout/back.png"), png(back));

    const QImage icon32 = appIcon(32);
    const QByteArray ico = encodeIco8(icon32);
    ok &= writeFile(outDir + QStringLiteral("/icon/lunivar.ico"), ico);
    std::map<int, QImage> icons;
    for (int size : kIconSizes) {
        icons[size] = appIcon(size);
        ok &= writeFile(QStringLiteral("%1/icon/lunivar-%2.png").arg(outDir).arg(size), png(icons[size]));
    }

    if (!sheetPath.isEmpty()) {
        sheet.heading(QStringLiteral("Composed as the program composes them (x4)"));
        const QImage normal = composeButton(read[113], read[114], read[115], 177, 1);
        const QImage hover = composeButton(read[116], read[117], read[118], 177, 1);
        sheet.add(normal, 4, QStringLiteral("177 px normal: 113 + 26 x 114 + 115"));
        sheet.add(hover, 4, QStringLiteral("177 px hover: 116 + 26 x 117 + 118"));
        sheet.add(composeButton(read[113], read[114], read[115], 105, 1), 4, QStringLiteral("105 px normal"));
        sheet.add(composeButton(read[116], read[117], read[118], 105, 1), 4, QStringLiteral("105 px hover"));
        sheet.add(composeTitle(read[111], read[101], read[102], read[104], read[106], family, {}), 3,
                  QStringLiteral("active frame: 111, 101, 102, 104, 106"));
        sheet.add(composeTitle(read[112], read[101], read[102], read[105], read[107], family, read[109]), 3,
                  QStringLiteral("inactive frame: 112, 107, hover faces 109 and 105"));
        sheet.heading(QStringLiteral("About panel (x2) and background strip (x6)"));
        sheet.add(about, 2, QStringLiteral("about.png 306x177 24-bit"));
        sheet.add(back, 6, QStringLiteral("back.png 6x24"));
        sheet.add(about2, 1, QStringLiteral("about@2x.png"));
        sheet.heading(QStringLiteral("Icon: lunivar.ico as read (x8) and the theme sizes (x1)"));
        QImage icoRead;
        icoRead.loadFromData(ico, "ICO");
        if (!icoRead.isNull())
            sheet.add(icoRead, 8, QStringLiteral("lunivar.ico 32x32 8-bit"));
        for (int size : kIconSizes)
            sheet.add(icons[size], 1, QStringLiteral("%1").arg(size));
        sheet.heading(QStringLiteral("High-DPI copies (x3, titles x1)"));
        for (const Bitmap &b : bitmaps())
            sheet.add(twice[b.number], twice[b.number].width() > 200 ? 1 : 3, QStringLiteral("%1@2x").arg(b.number));
        QDir().mkpath(QFileInfo(sheetPath).path());
        ok &= sheet.finished().save(sheetPath, "PNG");
    }
    return ok ? 0 : 1;
}
