#include "bmpcodec.h"

#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

namespace artgen {

namespace {

void put16(QByteArray &b, quint16 v)
{
    char d[2];
    qToLittleEndian(v, d);
    b.append(d, 2);
}

void put32(QByteArray &b, quint32 v)
{
    char d[4];
    qToLittleEndian(v, d);
    b.append(d, 4);
}

int rowStride(int width, int bits)
{
    return ((width * bits + 31) / 32) * 4;
}

// BITMAPINFOHEADER; a positive height means the rows are stored bottom-up.
void putInfoHeader(QByteArray &b, int w, int h, int bits, quint32 imageSize, quint32 coloursUsed)
{
    put32(b, 40);
    put32(b, quint32(w));
    put32(b, quint32(h));
    put16(b, 1);
    put16(b, quint16(bits));
    put32(b, 0);                 // BI_RGB: uncompressed
    put32(b, imageSize);
    put32(b, 2835);              // 72 dpi
    put32(b, 2835);
    put32(b, coloursUsed);
    put32(b, 0);
}

QByteArray fileWithHeaders(const QImage &img, int bits, const QList<QRgb> &palette)
{
    const int w = img.width(), h = img.height();
    const quint32 imageSize = quint32(rowStride(w, bits) * h);
    const quint32 offset = 14 + 40 + quint32(palette.size()) * 4;
    QByteArray b;
    b.append("BM", 2);
    put32(b, offset + imageSize);
    put16(b, 0);
    put16(b, 0);
    put32(b, offset);
    putInfoHeader(b, w, h, bits, imageSize, quint32(palette.size()));
    for (QRgb c : palette) {
        b.append(char(qBlue(c)));
        b.append(char(qGreen(c)));
        b.append(char(qRed(c)));
        b.append(char(0));
    }
    return b;
}

void padRow(QByteArray &b, int written, int stride)
{
    b.append(QByteArray(stride - written, '\0'));
}

struct Bucket {
    QRgb colour;
    quint64 count;
};

int channel(QRgb c, int ch)
{
    return ch == 0 ? qRed(c) : ch == 1 ? qGreen(c) : qBlue(c);
}

} // namespace

int to5(int v)
{
    return (v * 31 + 127) / 255;
}

int from5(int v)
{
    return (v << 3) | (v >> 2);
}

QRgb through555(QRgb c)
{
    return qRgb(from5(to5(qRed(c))), from5(to5(qGreen(c))), from5(to5(qBlue(c))));
}

QImage through555(const QImage &src)
{
    QImage img = src.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            line[x] = through555(line[x]);
    }
    return img;
}

QByteArray encodeBmp16(const QImage &src)
{
    const QImage img = src.convertToFormat(QImage::Format_RGB32);
    QByteArray b = fileWithHeaders(img, 16, {});
    const int stride = rowStride(img.width(), 16);
    for (int y = img.height() - 1; y >= 0; --y) {
        const auto *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = line[x];
            put16(b, quint16((to5(qRed(c)) << 10) | (to5(qGreen(c)) << 5) | to5(qBlue(c))));
        }
        padRow(b, img.width() * 2, stride);
    }
    return b;
}

QByteArray encodeBmp24(const QImage &src)
{
    const QImage img = src.convertToFormat(QImage::Format_RGB32);
    QByteArray b = fileWithHeaders(img, 24, {});
    const int stride = rowStride(img.width(), 24);
    for (int y = img.height() - 1; y >= 0; --y) {
        const auto *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            b.append(char(qBlue(line[x])));
            b.append(char(qGreen(line[x])));
            b.append(char(qRed(line[x])));
        }
        padRow(b, img.width() * 3, stride);
    }
    return b;
}

QList<QRgb> medianCut(const QImage &src, int maxColours)
{
    const QImage img = src.convertToFormat(QImage::Format_ARGB32);
    std::map<QRgb, quint64> histogram;
    for (int y = 0; y < img.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(line[x]) >= 128)
                ++histogram[line[x] | 0xff000000u];
    }
    QList<QRgb> palette;
    if (int(histogram.size()) <= maxColours) {
        for (const auto &[c, n] : histogram)
            palette.append(c);
        return palette;
    }

    std::vector<Bucket> all;
    for (const auto &[c, n] : histogram)
        all.push_back({c, n});
    // A box is a range [begin, end) of `all`.
    std::vector<std::pair<size_t, size_t>> boxes{{0, all.size()}};
    auto widestChannel = [&](std::pair<size_t, size_t> box, int *range) {
        int best = 0, bestRange = -1;
        for (int ch = 0; ch < 3; ++ch) {
            int lo = 255, hi = 0;
            for (size_t i = box.first; i < box.second; ++i) {
                lo = std::min(lo, channel(all[i].colour, ch));
                hi = std::max(hi, channel(all[i].colour, ch));
            }
            if (hi - lo > bestRange) {
                bestRange = hi - lo;
                best = ch;
            }
        }
        *range = bestRange;
        return best;
    };
    while (int(boxes.size()) < maxColours) {
        int pick = -1, pickRange = 0, pickChannel = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].second - boxes[i].first < 2)
                continue;
            int range = 0;
            const int ch = widestChannel(boxes[i], &range);
            if (range > pickRange) {
                pick = int(i);
                pickRange = range;
                pickChannel = ch;
            }
        }
        if (pick < 0)
            break;
        auto [b, e] = boxes[size_t(pick)];
        std::stable_sort(all.begin() + long(b), all.begin() + long(e), [&](const Bucket &l, const Bucket &r) {
            const int a = channel(l.colour, pickChannel), c = channel(r.colour, pickChannel);
            return a != c ? a < c : l.colour < r.colour;
        });
        quint64 total = 0;
        for (size_t i = b; i < e; ++i)
            total += all[i].count;
        quint64 run = 0;
        size_t cut = b + 1;
        for (size_t i = b; i < e - 1; ++i) {
            run += all[i].count;
            cut = i + 1;
            if (run * 2 >= total)
                break;
        }
        boxes[size_t(pick)] = {b, cut};
        boxes.push_back({cut, e});
    }
    for (auto [b, e] : boxes) {
        quint64 n = 0, r = 0, g = 0, bl = 0;
        for (size_t i = b; i < e; ++i) {
            n += all[i].count;
            r += quint64(qRed(all[i].colour)) * all[i].count;
            g += quint64(qGreen(all[i].colour)) * all[i].count;
            bl += quint64(qBlue(all[i].colour)) * all[i].count;
        }
        palette.append(qRgb(int((r + n / 2) / n), int((g + n / 2) / n), int((bl + n / 2) / n)));
    }
    std::sort(palette.begin(), palette.end());
    palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
    return palette;
}

int nearestIndex(const QList<QRgb> &palette, QRgb c)
{
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < palette.size(); ++i) {
        const long dr = qRed(palette[i]) - qRed(c);
        const long dg = qGreen(palette[i]) - qGreen(c);
        const long db = qBlue(palette[i]) - qBlue(c);
        const long d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
        if (bestDistance < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

QByteArray encodeBmp8(const QImage &src)
{
    const QImage img = src.convertToFormat(QImage::Format_RGB32);
    QList<QRgb> palette = medianCut(img, 256);
    while (palette.size() < 256)
        palette.append(qRgb(0, 0, 0));
    QByteArray b = fileWithHeaders(img, 8, palette);
    const int stride = rowStride(img.width(), 8);
    std::map<QRgb, int> cache;
    for (int y = img.height() - 1; y >= 0; --y) {
        const auto *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            auto it = cache.find(line[x]);
            if (it == cache.end())
                it = cache.emplace(line[x], nearestIndex(palette, line[x])).first;
            b.append(char(it->second));
        }
        padRow(b, img.width(), stride);
    }
    return b;
}

QByteArray encodeIco8(const QImage &src)
{
    const QImage img = src.convertToFormat(QImage::Format_ARGB32);
    const int w = img.width(), h = img.height();
    // Entry 0 is black: the colour of transparent pixels under the mask.
    QList<QRgb> palette{qRgb(0, 0, 0)};
    for (QRgb c : medianCut(img, 255))
        if (c != palette.first())
            palette.append(c);
    while (palette.size() < 256)
        palette.append(qRgb(0, 0, 0));

    const int xorStride = rowStride(w, 8), andStride = rowStride(w, 1);
    const quint32 imageSize = quint32((xorStride + andStride) * h);
    QByteArray image;
    putInfoHeader(image, w, h * 2, 8, imageSize, 0);
    for (QRgb c : palette) {
        image.append(char(qBlue(c)));
        image.append(char(qGreen(c)));
        image.append(char(qRed(c)));
        image.append(char(0));
    }
    std::map<QRgb, int> cache;
    for (int y = h - 1; y >= 0; --y) {
        const auto *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            int index = 0;
            if (qAlpha(line[x]) >= 128) {
                const QRgb c = line[x] | 0xff000000u;
                auto it = cache.find(c);
                if (it == cache.end())
                    it = cache.emplace(c, nearestIndex(palette, c)).first;
                index = it->second;
            }
            image.append(char(index));
        }
        padRow(image, w, xorStride);
    }
    for (int y = h - 1; y >= 0; --y) {
        const auto *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        QByteArray row(andStride, '\0');
        for (int x = 0; x < w; ++x)
            if (qAlpha(line[x]) < 128)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        image.append(row);
    }

    QByteArray b;
    put16(b, 0);
    put16(b, 1);                 // icon
    put16(b, 1);                 // one image
    b.append(char(w));
    b.append(char(h));
    b.append(char(0));           // colour count 0: 256 colours
    b.append(char(0));
    put16(b, 1);                 // planes
    put16(b, 8);                 // bits per pixel
    put32(b, quint32(image.size()));
    put32(b, 6 + 16);
    b.append(image);
    return b;
}

} // namespace artgen
