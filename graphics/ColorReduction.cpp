#include "graphics/ColorReduction.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vellora {

int PixelDepth(const QImage &image)
{
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return 1;
    case QImage::Format_Indexed8:
        return image.colorCount() <= 16 ? 4 : 8;
    case QImage::Format_RGB555:
        return 15;
    case QImage::Format_RGB16:
        return 16;
    case QImage::Format_RGB888:
    case QImage::Format_BGR888:
        return 24;
    default:
        return 32;
    }
}

int ReducedDepth(int bits)
{
    for (const int depth : {1, 4, 8, 15, 16, 24})
        if (depth >= bits)
            return depth;
    return 32;
}

namespace {

QImage::Format directFormat(int depth)
{
    switch (depth) {
    case 15:
        return QImage::Format_RGB555;
    case 16:
        return QImage::Format_RGB16;
    case 24:
        return QImage::Format_RGB888;
    default:
        return QImage::Format_RGB32;
    }
}

// An indexed image's table padded with black to 2^depth entries, so that its
// depth reads back as the one it was made for.
TPalette paddedTable(TPalette table, int depth)
{
    const qsizetype entries = qsizetype(1) << depth;
    if (table.size() > entries)
        table.resize(entries);
    while (table.size() < entries)
        table.append(qRgb(0, 0, 0));
    return table;
}

QImage toRgb888(const QImage &image)
{
    return image.format() == QImage::Format_RGB888 ? image : image.convertToFormat(QImage::Format_RGB888);
}

// A palette search that remembers recent answers: photos repeat colours, and
// a full search per pixel costs up to 256 distances. Slots are picked by the
// colour's top 5 bits per channel and hold the exact colour they answer for.
class CachedFinder {
public:
    CachedFinder(const TPalette &palette, int termCount) : FSlots(std::size_t(1) << 15)
    {
        FFinder.SetPalette(palette);
        FFinder.SetTermCount(termCount);
    }

    int nearestIndex(std::uint8_t b, std::uint8_t g, std::uint8_t r)
    {
        const std::uint32_t colour = (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | b;
        Slot &slot = FSlots[((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)];
        if (slot.index < 0 || slot.colour != colour)
            slot = {colour, FFinder.NearestIndex(b, g, r)};
        return slot.index;
    }

private:
    struct Slot {
        std::uint32_t colour = 0;
        int index = -1;
    };
    TPaletteFinder FFinder;
    std::vector<Slot> FSlots;
};

// Nearest entries of palette for every pixel, packed at depth (1, 4 or 8).
QImage quantize(const QImage &rgb, int depth, const TPalette &palette, int termCount)
{
    CachedFinder finder(palette, termCount);
    const QImage::Format format = depth == 1 ? QImage::Format_Mono : QImage::Format_Indexed8;
    QImage dest(rgb.size(), format);
    if (dest.isNull())
        return dest;
    dest.setColorTable(paddedTable(palette, depth));
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar *in = rgb.constScanLine(y);
        uchar *out = dest.scanLine(y);
        if (depth == 1)
            std::fill(out, out + dest.bytesPerLine(), uchar(0));
        for (int x = 0; x < rgb.width(); ++x) {
            const uchar *p = in + 3 * x;
            const int index = std::max(finder.nearestIndex(p[2], p[1], p[0]), 0);
            if (depth == 1) {
                if (index)
                    out[x >> 3] = static_cast<uchar>(out[x >> 3] | (0x80 >> (x & 7)));
            } else {
                out[x] = static_cast<uchar>(index);
            }
        }
    }
    return dest;
}

} // namespace

QImage ReduceColors(const QImage &source, int bits, const TPalette &palette, bool usePalette, bool dither)
{
    if (source.isNull())
        return {};
    bits = std::clamp(bits, 1, 32);
    const int target = ReducedDepth(bits);
    const int depth = PixelDepth(source);
    if (depth == target)
        return source.copy();

    if (depth < target) {
        if (target <= 8) {
            QImage dest = source.convertToFormat(QImage::Format_Indexed8);
            dest.setColorTable(paddedTable(source.colorTable(), target));
            return dest;
        }
        return source.convertToFormat(directFormat(target));
    }
    if (target > 8)
        return source.convertToFormat(directFormat(target));

    QImage rgb = toRgb888(source);
    TMedianColor median;
    median.SetBitCount(bits);
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar *p = rgb.constScanLine(y);
        for (int x = 0; x < rgb.width(); ++x, p += 3)
            median.Add(p[0], p[1], p[2]);
    }
    median.Execute();
    // A given palette longer than the target depth holds is searched only as
    // far as the indices fit; the mean-cut palette only as far as it has cubes.
    const TPalette used = usePalette ? palette.mid(0, qsizetype(1) << target) : median.Palette();
    const int termCount = usePalette ? 0 : median.Count();
    if (used.isEmpty())
        return {};
    if (dither)
        DiffuseToPalette(rgb, used, termCount);
    return quantize(rgb, target, used, termCount);
}

void DiffuseToPalette(QImage &image, const TPalette &palette, int termCount)
{
    if (image.isNull() || palette.isEmpty())
        return;
    if (image.format() != QImage::Format_RGB888)
        image = image.convertToFormat(QImage::Format_RGB888);
    CachedFinder finder(palette, termCount);
    const TPalette entries = palette.mid(0, 256);
    const int width = image.width();
    const int height = image.height();
    // Takes weight/16 of the error off one channel, truncating toward zero.
    const auto spread = [](uchar &channel, int error, int weight) {
        channel = static_cast<uchar>(std::clamp(channel - error * weight / 16, 0, 255));
    };
    for (int y = 0; y < height; ++y) {
        uchar *row = image.scanLine(y);
        uchar *below = y + 1 < height ? image.scanLine(y + 1) : nullptr;
        for (int x = 0; x < width; ++x) {
            uchar *p = row + 3 * x;
            const QRgb nearest = entries[finder.nearestIndex(p[2], p[1], p[0])];
            const int error[3] = {qRed(nearest) - p[0], qGreen(nearest) - p[1], qBlue(nearest) - p[2]};
            p[0] = static_cast<uchar>(qRed(nearest));
            p[1] = static_cast<uchar>(qGreen(nearest));
            p[2] = static_cast<uchar>(qBlue(nearest));
            for (int c = 0; c < 3; ++c) {
                if (x + 1 < width)
                    spread(p[3 + c], error[c], 7);
                if (below) {
                    if (x > 0)
                        spread(below[3 * (x - 1) + c], error[c], 3);
                    spread(below[3 * x + c], error[c], 5);
                    if (x + 1 < width)
                        spread(below[3 * (x + 1) + c], error[c], 1);
                }
            }
        }
    }
}

namespace {

struct Tap {
    int index;
    double weight;
};

// For each destination index, the source indices its span covers with their
// weights: i/s to (i + 0.999)/s, partial first and last pixels.
std::vector<std::vector<Tap>> spans(int sourceSize, int destSize)
{
    std::vector<std::vector<Tap>> result(static_cast<std::size_t>(destSize));
    const double scale = double(destSize) / double(sourceSize);
    for (int i = 0; i < destSize; ++i) {
        const double start = i / scale;
        const double end = (i + 0.999) / scale;
        const int first = std::min(static_cast<int>(std::floor(start)), sourceSize - 1);
        const int last = std::min(static_cast<int>(std::floor(end)), sourceSize - 1);
        auto &taps = result[static_cast<std::size_t>(i)];
        if (first >= last) {
            taps.push_back({first, 1.0});
            continue;
        }
        taps.push_back({first, first + 1 - start});
        for (int j = first + 1; j < last; ++j)
            taps.push_back({j, 1.0});
        const double lastWeight = end - last;
        if (lastWeight > 0)
            taps.push_back({last, lastWeight});
    }
    return result;
}

} // namespace

QImage StretchBitmap(const QImage &source, int width, int height)
{
    if (source.isNull())
        return {};
    width = std::max(width, 1);
    height = std::max(height, 1);
    // Pictures with alpha are averaged premultiplied so that transparent
    // pixels lend no colour; everything else in a 24-bit copy.
    const bool alpha = source.hasAlphaChannel();
    const QImage work = alpha ? source.convertToFormat(QImage::Format_ARGB32_Premultiplied) : toRgb888(source);
    const int channels = alpha ? 4 : 3;
    QImage dest(width, height, work.format());
    if (dest.isNull())
        return dest;
    const auto xs = spans(work.width(), width);
    const auto ys = spans(work.height(), height);
    for (int y = 0; y < height; ++y) {
        uchar *out = dest.scanLine(y);
        for (int x = 0; x < width; ++x) {
            double sum[4] = {0, 0, 0, 0};
            double total = 0;
            for (const Tap &ty : ys[static_cast<std::size_t>(y)]) {
                const uchar *row = work.constScanLine(ty.index);
                for (const Tap &tx : xs[static_cast<std::size_t>(x)]) {
                    const double w = tx.weight * ty.weight;
                    const uchar *p = row + channels * tx.index;
                    for (int c = 0; c < channels; ++c)
                        sum[c] += w * p[c];
                    total += w;
                }
            }
            for (int c = 0; c < channels; ++c)
                out[channels * x + c] = static_cast<uchar>(std::clamp(std::lround(sum[c] / total), 0L, 255L));
        }
    }
    if (alpha)
        return dest.convertToFormat(source.format());
    const int depth = PixelDepth(source);
    if (depth == 24)
        return source.format() == QImage::Format_RGB888 ? dest : dest.convertToFormat(source.format());
    if (depth <= 8)
        return ReduceColors(dest, depth, source.colorTable(), true, false);
    return ReduceColors(dest, depth);
}

} // namespace vellora
