#include "painting.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>

namespace artgen {

namespace {

QColor mix(const QColor &a, const QColor &b, double t)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

QColor darker(const QColor &c, double f) { return mix(c, Qt::black, 1.0 - f); }
QColor lighter(const QColor &c, double t) { return mix(c, Qt::white, t); }

// Text of the About panel.
constexpr int kHeadingPixels = 16;
constexpr int kBodyPixels = 12;
constexpr int kBodyStretch = 82;
constexpr int kValueColumn = 105;   // where the program writes the version, too

QColor withAlpha(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

QImage canvas(int w, int h, int s, const QColor &fill)
{
    QImage img(w * s, h * s, QImage::Format_RGB32);
    img.fill(fill);
    return img;
}

void beginPainter(QPainter &p, int s)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.scale(s, s);
}

// Pinstripes of the title bar, by logical row: odd rows are the light ones,
// so that the first row inside the outline is white.
struct TitleColours {
    QColor light, dark, outline;
};

TitleColours titleColours(bool active)
{
    if (active)
        return {QColor(255, 255, 255), QColor(234, 235, 238), kGreyBlue};
    return {QColor(236, 234, 252), QColor(214, 210, 246), QColor(72, 96, 196)};
}

QColor stripe(const TitleColours &c, int logicalRow)
{
    return (logicalRow % 2) ? c.light : c.dark;
}

// The apple, drawn into `box` (its own coordinates run 0..1 both ways).
void paintApple(QPainter &p, const QRectF &box, double outlineWidth)
{
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width(), box.height());

    QPainterPath body;
    body.moveTo(0.50, 0.27);
    body.cubicTo(0.38, 0.16, 0.03, 0.15, 0.04, 0.52);
    body.cubicTo(0.05, 0.80, 0.25, 1.00, 0.38, 0.985);
    body.cubicTo(0.45, 0.975, 0.55, 0.975, 0.62, 0.985);
    body.cubicTo(0.75, 1.00, 0.95, 0.80, 0.96, 0.52);
    body.cubicTo(0.97, 0.15, 0.62, 0.16, 0.50, 0.27);

    // Stem, behind the top of the body.
    QPainterPath stem;
    stem.moveTo(0.49, 0.30);
    stem.cubicTo(0.49, 0.20, 0.50, 0.10, 0.57, 0.03);
    p.setPen(QPen(QColor(96, 58, 24), 0.075, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(stem);

    QRadialGradient red(QPointF(0.36, 0.42), 0.72, QPointF(0.30, 0.36));
    red.setColorAt(0.00, QColor(255, 132, 118));
    red.setColorAt(0.22, QColor(240, 48, 44));
    red.setColorAt(0.62, QColor(200, 16, 26));
    red.setColorAt(1.00, QColor(128, 6, 14));
    p.setBrush(red);
    p.setPen(QPen(QColor(112, 0, 10), outlineWidth / box.width()));
    p.drawPath(body);

    // A soft reflection at the upper left.
    QRadialGradient shine(QPointF(0.30, 0.42), 0.16);
    shine.setColorAt(0.0, QColor(255, 255, 255, 235));
    shine.setColorAt(0.55, QColor(255, 255, 255, 120));
    shine.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawEllipse(QRectF(0.16, 0.28, 0.28, 0.28));

    // The leaf, to the right of the stem.
    QPainterPath leaf;
    leaf.moveTo(0.54, 0.20);
    leaf.cubicTo(0.60, 0.04, 0.80, -0.01, 0.95, 0.05);
    leaf.cubicTo(0.88, 0.20, 0.70, 0.28, 0.54, 0.20);
    QLinearGradient green(QPointF(0.60, 0.02), QPointF(0.80, 0.24));
    green.setColorAt(0.0, QColor(150, 218, 80));
    green.setColorAt(1.0, QColor(36, 128, 32));
    p.setBrush(green);
    p.setPen(QPen(QColor(26, 96, 22), outlineWidth * 0.8 / box.width()));
    p.drawPath(leaf);
    p.restore();
}

// A glossy rounded square: a darker band at the top, a soft white
// highlight over the upper half and a light glow at the bottom.
void paintGlossySquare(QPainter &p, const QRectF &r, const QColor &base)
{
    const double radius = 4.0;
    QPainterPath shape;
    shape.addRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);

    QLinearGradient body(r.topLeft(), r.bottomLeft());
    body.setColorAt(0.00, darker(base, 0.52));
    body.setColorAt(0.22, darker(base, 0.80));
    body.setColorAt(0.55, base);
    body.setColorAt(1.00, lighter(base, 0.42));
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawPath(shape);

    QRadialGradient glow(QPointF(r.center().x(), r.bottom() - 1.0), r.width() * 0.55);
    glow.setColorAt(0.0, withAlpha(lighter(base, 0.65), 170));
    glow.setColorAt(1.0, withAlpha(lighter(base, 0.65), 0));
    p.setBrush(glow);
    p.drawPath(shape);

    // The highlight sits below the dark band, which stays visible above it.
    const QRectF hl(r.left() + 2.0, r.top() + 2.6, r.width() - 4.0, r.height() * 0.40);
    QLinearGradient shine(hl.topLeft(), hl.bottomLeft());
    shine.setColorAt(0.0, QColor(255, 255, 255, 215));
    shine.setColorAt(1.0, QColor(255, 255, 255, 40));
    p.setBrush(shine);
    p.drawRoundedRect(hl, radius - 1.2, radius - 1.5);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(darker(base, 0.48), 1.0));
    p.drawPath(shape);
}

// Background of the pixels that lie under a caption button or the title's
// grey square: the active title's stripes at the rows it covers.
void fillTitleRows(QImage &img, int s, int firstTitleRow)
{
    const TitleColours c = titleColours(true);
    for (int y = 0; y < img.height(); ++y) {
        const QRgb v = stripe(c, firstTitleRow + y / s).rgb();
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        std::fill(line, line + img.width(), v);
    }
}

} // namespace

QImage titleIcon(int s)
{
    QImage img = canvas(21, 20, s, QColor(250, 250, 250));
    QPainter p(&img);
    beginPainter(p, s);
    paintApple(p, QRectF(1.5, 0.8, 18.0, 18.7), 0.9);
    return img;
}

QImage captionButton(int s, Caption which, bool hover)
{
    const int w = which == Caption::Minimise ? 17 : 18, h = 19;
    QImage img(w * s, h * s, QImage::Format_RGB32);
    fillTitleRows(img, s, 4);
    QPainter p(&img);
    beginPainter(p, s);
    const QColor base = which == Caption::Minimise ? QColor(70, 178, 56) : QColor(248, 142, 28);
    paintGlossySquare(p, QRectF(0, 0, w, h), base);
    if (!hover)
        return img;
    const QColor ink = which == Caption::Minimise ? QColor(18, 64, 14) : QColor(98, 34, 0);
    if (which == Caption::Minimise) {
        p.setPen(Qt::NoPen);
        p.setBrush(withAlpha(Qt::white, 90));
        p.drawRoundedRect(QRectF(4.0, 10.0, w - 8.0, 2.2), 1.0, 1.0);
        p.setBrush(ink);
        p.drawRoundedRect(QRectF(4.0, 8.6, w - 8.0, 2.2), 1.0, 1.0);
    } else {
        const double m = 5.3;
        p.setPen(QPen(ink, 2.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(m, m + 0.2), QPointF(w - m, h - m - 0.2));
        p.drawLine(QPointF(w - m, m + 0.2), QPointF(m, h - m - 0.2));
    }
    return img;
}

QImage titleBar(int s, bool active)
{
    const int W = 380 * s, H = 24 * s, cut = 3 * s;
    const TitleColours c = titleColours(active);
    QImage img(W, H, QImage::Format_RGB32);
    for (int y = 0; y < H; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < W; ++x) {
            const int corner = std::min(x, W - 1 - x) + y;   // distance along the top corners
            QColor v;
            if (corner < cut)
                v = kWindowBack;
            else if (corner < cut + s || x < s || x >= W - s || y < s || y >= H - s)
                v = c.outline;
            else
                v = stripe(c, y / s);
            line[x] = v.rgb();
        }
    }
    // The inert grey square between the caption buttons.
    QPainter p(&img);
    beginPainter(p, s);
    paintGlossySquare(p, QRectF(336, 4, 18, 18), QColor(168, 170, 176));
    return img;
}

QImage bottomStrip(int s, bool active)
{
    const int W = 380 * s, H = 7 * s, cut = 3 * s;
    const QColor outline = active ? kGreyBlue : QColor(92, 108, 148);
    const QColor hi = active ? QColor(250, 250, 251) : QColor(226, 230, 240);
    const QColor band = active ? QColor(230, 231, 234) : QColor(198, 206, 224);
    const QColor shade = active ? QColor(212, 214, 219) : QColor(178, 188, 210);
    QImage img(W, H, QImage::Format_RGB32);
    for (int y = 0; y < H; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        const int row = y / s;
        for (int x = 0; x < W; ++x) {
            const int corner = std::min(x, W - 1 - x) + (H - 1 - y);  // bottom corners
            const int col = x / s;
            QColor v;
            if (corner < cut)
                v = kWindowBack;
            else if (corner < cut + s || x < s || x >= W - s || y < s || y >= H - s)
                v = outline;
            else if (row == 1 || col == 1)
                v = hi;
            else if (row == 5 || col == 378)
                v = shade;
            else
                v = band;
            line[x] = v.rgb();
        }
    }
    return img;
}

QImage capsule(int s, bool hover, int width)
{
    QImage img = canvas(width, 21, s, kCapsuleCorner);
    QPainter p(&img);
    beginPainter(p, s);
    // The ends are rounded with a radius that fits the 9-pixel right cap, so
    // every column between them is the same and the tiles join seamlessly.
    const double radius = 8.5;
    const QRectF r(0.5, 0.5, width - 1.0, 20.0);
    QLinearGradient body(QPointF(0, 0.5), QPointF(0, 20.5));
    QColor outline;
    int shineTop, shineBottom;
    if (hover) {
        body.setColorAt(0.00, QColor(126, 180, 244));
        body.setColorAt(0.48, QColor(66, 132, 226));
        body.setColorAt(0.52, QColor(48, 112, 212));
        body.setColorAt(1.00, QColor(118, 194, 252));
        outline = QColor(26, 64, 148);
        shineTop = 235;
        shineBottom = 70;
    } else {
        body.setColorAt(0.00, QColor(255, 255, 255));
        body.setColorAt(0.48, QColor(247, 247, 249));
        body.setColorAt(0.52, QColor(238, 239, 242));
        body.setColorAt(1.00, QColor(250, 250, 252));
        outline = QColor(150, 153, 162);
        shineTop = 220;
        shineBottom = 30;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawRoundedRect(r, radius, radius);

    const QRectF hl(2.5, 1.5, width - 5.0, 8.5);
    QLinearGradient shine(hl.topLeft(), hl.bottomLeft());
    shine.setColorAt(0.0, QColor(255, 255, 255, shineTop));
    shine.setColorAt(1.0, QColor(255, 255, 255, shineBottom));
    p.setBrush(shine);
    p.drawRoundedRect(hl, 6.0, 4.2);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(outline, 1.0));
    p.drawRoundedRect(r, radius, radius);
    return img;
}

QImage capsulePiece(int s, bool hover, Piece piece)
{
    const int width = kLeftCapWidth + kTileWidth + kRightCapWidth;
    const QImage whole = capsule(s, hover, width);
    switch (piece) {
    case Piece::LeftCap:
        return whole.copy(0, 0, kLeftCapWidth * s, 21 * s);
    case Piece::Tile:
        return whole.copy(kLeftCapWidth * s, 0, kTileWidth * s, 21 * s);
    case Piece::RightCap:
        break;
    }
    return whole.copy((width - kRightCapWidth) * s, 0, kRightCapWidth * s, 21 * s);
}

QImage appIcon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    const QRectF square(0.5, 0.5, 31.0, 31.0);
    QLinearGradient back(QPointF(0, 0), QPointF(0, 32));
    back.setColorAt(0.0, QColor(168, 170, 176));
    back.setColorAt(1.0, QColor(255, 255, 255));
    p.setBrush(back);
    p.setPen(QPen(QColor(128, 131, 140), 1.0));
    p.drawRoundedRect(square, 4.0, 4.0);
    paintApple(p, QRectF(3.5, 3.0, 25.0, 26.0), 1.0);
    p.end();
    return img.convertToFormat(QImage::Format_ARGB32);
}

QImage backStrip(int s)
{
    QImage img(6 * s, 24 * s, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        const QColor c = mix(QColor(240, 240, 240), kWindowBack, double(y / s) / 23.0);
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        std::fill(line, line + img.width(), c.rgb());
    }
    return img;
}

namespace {

struct Run {
    QString text;
    int penX;   // device pixels, in the picture's coordinates; < 0: after the first run
};

// Ink bounds (alpha above a small threshold) of a picture.
QRect inkBounds(const QImage &img)
{
    int left = img.width(), right = -1, top = img.height(), bottom = -1;
    for (int y = 0; y < img.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(line[x]) > 40) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

QImage renderRuns(const QFont &font, const QList<Run> &runs, int width, int pad, int shiftX)
{
    const QFontMetrics fm(font);
    QImage scratch(width + 2 * pad, fm.height() + 2 * pad, QImage::Format_ARGB32_Premultiplied);
    scratch.fill(Qt::transparent);
    QPainter p(&scratch);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font);
    p.setPen(Qt::black);
    for (const Run &r : runs)
        p.drawText(r.penX < 0 ? pad : r.penX + shiftX, pad + fm.ascent(), r.text);
    return scratch;
}

// Draws one line of text so that the ink of its first run begins at
// `inkLeft` (or the line is centred on `inkCentre` when inkLeft < 0) and the
// topmost inked row of the whole line is `inkTop`. Later runs keep their pen
// positions in the picture, so values line up in a column.
void drawLine(QImage &img, const QFont &font, const QList<Run> &runs, int inkLeft, double inkCentre, int inkTop)
{
    const QFontMetrics fm(font);
    const int pad = 8 * 4;
    const QRect first = inkBounds(renderRuns(font, {runs.first()}, fm.horizontalAdvance(runs.first().text), pad, 0));
    if (first.isNull())
        return;
    int dx;   // picture x = scratch x + dx
    if (inkLeft >= 0)
        dx = inkLeft - first.left();
    else
        dx = int(inkCentre - (first.width()) / 2.0 + 0.5) - first.left();
    const QImage scratch = renderRuns(font, runs, img.width(), pad, -dx);
    const QRect all = inkBounds(scratch);
    QPainter p(&img);
    p.drawImage(QPoint(dx, inkTop - all.top()), scratch);
}

} // namespace

QImage aboutPicture(int s, const AboutTexts &t, const QString &family)
{
    const int W = 306 * s, H = 177 * s;
    QImage img(W, H, QImage::Format_RGB32);
    const QColor magenta(255, 0, 255);
    for (int y = 0; y < H; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        const int row = y / s;
        for (int x = 0; x < W; ++x) {
            const int corner = std::min(x, W - 1 - x) + std::min(y, H - 1 - y);
            QColor v;
            if (corner < 2 * s)
                v = magenta;
            else if (corner < 3 * s || x < s || x >= W - s || y < s || y >= H - s || row == 23)
                v = kGreyBlue;
            else if (row <= 22)
                v = mix(QColor(255, 255, 255), QColor(242, 243, 246), (row - 1) / 21.0);
            else
                v = kWindowBack;
            line[x] = v.rgb();
        }
    }

    QFont heading(family);
    heading.setPixelSize(kHeadingPixels * s);
    heading.setBold(true);
    heading.setHintingPreference(QFont::PreferFullHinting);
    drawLine(img, heading, {{t.heading, -1}}, -1, W / 2.0, 4 * s);

    QFont body(family);
    body.setPixelSize(kBodyPixels * s);
    body.setStretch(kBodyStretch);
    body.setHintingPreference(QFont::PreferFullHinting);
    struct Line {
        QString label, value;
        int top;
    };
    const Line lines[] = {{t.program, t.programValue, 44}, {t.author, t.authorValue, 60},
                          {t.version, QString(), 76},      {t.site, t.siteValue, 91},
                          {t.mail, t.mailValue, 107}};
    for (const Line &l : lines) {
        QList<Run> runs{{l.label, -1}};
        if (!l.value.isEmpty())
            runs.append({l.value, kValueColumn * s});
        drawLine(img, body, runs, 34 * s, 0, l.top * s);
    }
    return img;
}

} // namespace artgen
