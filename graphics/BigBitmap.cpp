#include "graphics/BigBitmap.h"

#include "settings/Stream.h"

#include <QBuffer>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cstring>

namespace vellora {

namespace {

[[noreturn]] void fail(const char *text) { throw EBigBitmapError(std::string(text)); }

// Rows this long or longer are refused by the BMP reader.
constexpr std::size_t kMaxBigBitmapStride = 65280;

TBigBitmapPixelFormat formatOfBits(int bits)
{
    switch (bits) {
    case 1: return TBigBitmapPixelFormat::bbpf1bit;
    case 4: return TBigBitmapPixelFormat::bbpf4bit;
    case 8: return TBigBitmapPixelFormat::bbpf8bit;
    default: return TBigBitmapPixelFormat::bbpf24bit;
    }
}

// Pixel x of a row at the given depth; 1- and 4-bit pixels are packed from
// the high bits down, as in BMP rows.
std::uint32_t getPixel(const std::uint8_t *row, std::int64_t x, int bits)
{
    switch (bits) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1u;
    case 4: return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0Fu;
    case 8: return row[x];
    default: {
        const std::uint8_t *p = row + 3 * x;
        return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
    }
    }
}

// Sets pixel x of a zeroed row.
void setPixel(std::uint8_t *row, std::int64_t x, int bits, std::uint32_t v)
{
    switch (bits) {
    case 1: row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | (v << (7 - x % 8))); break;
    case 4: row[x / 2] = static_cast<std::uint8_t>(row[x / 2] | (x % 2 == 0 ? v << 4 : v)); break;
    case 8: row[x] = static_cast<std::uint8_t>(v); break;
    default:
        row[3 * x] = static_cast<std::uint8_t>(v);
        row[3 * x + 1] = static_cast<std::uint8_t>(v >> 8);
        row[3 * x + 2] = static_cast<std::uint8_t>(v >> 16);
    }
}

// Rows of the given depth as a QImage for drawing. The returned image may
// share `pixels`, which must stay alive and unchanged while it is used.
QImage rowsImage(const std::uint8_t *pixels, int width, int height, std::size_t stride, int bits,
                 const QList<QRgb> &palette)
{
    const auto bpl = static_cast<qsizetype>(stride);
    // Only read through these images; the non-const constructor keeps Qt from
    // copying the rows when the colour table is set.
    auto *data = const_cast<uchar *>(pixels);
    switch (bits) {
    case 1: {
        QImage image(data, width, height, bpl, QImage::Format_Mono);
        image.setColorTable(palette);
        return image;
    }
    case 4: {
        QImage image(width, height, QImage::Format_Indexed8);
        image.setColorTable(palette);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t *src = pixels + static_cast<std::size_t>(y) * stride;
            uchar *dst = image.scanLine(y);
            for (int x = 0; x < width; ++x)
                dst[x] = static_cast<uchar>(getPixel(src, x, 4));
        }
        return image;
    }
    case 8: {
        QImage image(data, width, height, bpl, QImage::Format_Indexed8);
        image.setColorTable(palette);
        return image;
    }
    default:
        return QImage(data, width, height, bpl, QImage::Format_BGR888);
    }
}

// StretchBlt-like drawing into (x0, y0)-(x1, y1); a negative extent mirrors.
void stretchImage(QPainter &canvas, const QImage &image, std::int64_t x0, std::int64_t y0,
                  std::int64_t x1, std::int64_t y1)
{
    if (x0 == x1 || y0 == y1 || image.isNull())
        return;
    const bool mirrorX = x1 < x0, mirrorY = y1 < y0;
    const QRect target(static_cast<int>(std::min(x0, x1)), static_cast<int>(std::min(y0, y1)),
                       static_cast<int>(mirrorX ? x0 - x1 : x1 - x0),
                       static_cast<int>(mirrorY ? y0 - y1 : y1 - y0));
    if (mirrorX || mirrorY)
        canvas.drawImage(target, image.mirrored(mirrorX, mirrorY));
    else
        canvas.drawImage(target, image);
}

QRect normalized(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1)
{
    return QRect(static_cast<int>(std::min(x0, x1)), static_cast<int>(std::min(y0, y1)),
                 static_cast<int>(x0 < x1 ? x1 - x0 : x0 - x1), static_cast<int>(y0 < y1 ? y1 - y0 : y0 - y1));
}

// One axis of the reduction rule: 1 for small outputs, 4 in previews, else by
// how many times the output exceeds the image.
int reduction(std::int64_t output, std::int64_t image, bool small, bool preview)
{
    if (small)
        return 1;
    if (preview)
        return 4;
    if (image >= output)
        return 1;
    if (output >= 4 * image)
        return 4;
    if (output >= 2 * image)
        return 2;
    return 1;
}

} // namespace

int TBigBitmap::PixelBits(TBigBitmapPixelFormat format)
{
    switch (format) {
    case TBigBitmapPixelFormat::bbpf1bit: return 1;
    case TBigBitmapPixelFormat::bbpf4bit: return 4;
    case TBigBitmapPixelFormat::bbpf8bit: return 8;
    case TBigBitmapPixelFormat::bbpf24bit: return 24;
    }
    fail("TBigBitmap.GetPixelBits: Invalid Pixel Format");
}

QList<QRgb> TBigBitmap::Palette() const
{
    return FBitmaps.empty() ? QList<QRgb>() : FPalette;
}

void TBigBitmap::Assign(const TBigBitmap &source)
{
    if (&source == this)
        return;
    FBitmaps = source.FBitmaps;
    FPixelFormat = source.FPixelFormat;
    FWidth = source.FWidth;
    FHeight = source.FHeight;
    FStride = source.FStride;
    FPalette = source.FPalette;
    FDrawMode = source.FDrawMode;
}

void TBigBitmap::Assign(const QImage &source)
{
    if (source.isNull()) {
        Clear();
        return;
    }
    const auto stride = static_cast<std::size_t>(DibStride(24, static_cast<std::uint64_t>(source.width())));
    if (source.format() == QImage::Format_RGB32 && stride < kMaxBigBitmapStride) {
        // Every photo the print run draws comes here: straight into 24-bit
        // bands, the rows the BMP round trip below would give, without
        // writing and parsing a whole BMP file image per photo. Wider images
        // take the round trip and its error.
        const auto width = static_cast<std::size_t>(source.width());
        const auto height = static_cast<std::size_t>(source.height());
        const std::size_t h0 = std::min(height, kBigBitmapBandBytes / stride);
        std::vector<Band> bands;
        bands.reserve((height + h0 - 1) / h0);
        for (std::size_t top = 0; top < height; top += h0) {
            Band band;
            band.height = static_cast<int>(std::min(h0, height - top));
            band.pixels = QByteArray(static_cast<qsizetype>(stride) * band.height, Qt::Uninitialized);
            auto *dst = reinterpret_cast<std::uint8_t *>(band.pixels.data());
            for (int r = 0; r < band.height; ++r, dst += stride) {
                const auto *src = reinterpret_cast<const QRgb *>(source.constScanLine(static_cast<int>(top) + r));
                for (std::size_t x = 0; x < width; ++x) {
                    dst[3 * x] = static_cast<std::uint8_t>(qBlue(src[x]));
                    dst[3 * x + 1] = static_cast<std::uint8_t>(qGreen(src[x]));
                    dst[3 * x + 2] = static_cast<std::uint8_t>(qRed(src[x]));
                }
                // Row padding is zero, as in a written BMP.
                std::memset(dst + 3 * width, 0, stride - 3 * width);
            }
            bands.push_back(std::move(band));
        }
        FBitmaps = std::move(bands);
        FWidth = source.width();
        FHeight = source.height();
        FStride = stride;
        FPalette.clear();
        FPixelFormat = TBigBitmapPixelFormat::bbpf24bit;
        return;
    }
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    if (!source.save(&buffer, "BMP"))
        fail("TBigBitmap.Assign: the image cannot be written as BMP");
    LoadFromBytes(bmp);
}

void TBigBitmap::Clear()
{
    FBitmaps.clear();
    FWidth = 0;
    FHeight = 0;
    FStride = 0;
    FPalette.clear();
}

void TBigBitmap::LoadFromStream(TStream &stream)
{
    LoadFromBytes(stream.ReadBytes(stream.Remaining()));
}

void TBigBitmap::LoadFromBytes(const QByteArray &bmp, const QString &source)
{
    const TDibImage dib = LoadDIB(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t *>(bmp.constData()),
                                      static_cast<std::size_t>(bmp.size())),
        source);

    // Built aside so that a failure leaves the old image as it was.
    std::vector<Band> bands;
    if (!dib.Empty()) {
        const std::size_t h0 = std::min<std::size_t>(static_cast<std::size_t>(dib.Height),
                                                     kBigBitmapBandBytes / dib.Stride);
        const std::size_t height = static_cast<std::size_t>(dib.Height);
        bands.reserve((height + h0 - 1) / h0);
        for (std::size_t top = 0; top < height; top += h0) {
            Band band;
            band.height = static_cast<int>(std::min(h0, height - top));
            band.pixels = QByteArray(static_cast<qsizetype>(dib.Stride) * band.height, Qt::Uninitialized);
            auto *dst = reinterpret_cast<std::uint8_t *>(band.pixels.data());
            for (int r = 0; r < band.height; ++r)
                std::memcpy(dst + static_cast<std::size_t>(r) * dib.Stride,
                            dib.Row(static_cast<std::int32_t>(top) + r), dib.Stride);
            bands.push_back(std::move(band));
        }
    }
    QList<QRgb> palette;
    if (dib.Bits <= 8) {
        // Indices past a short colour table draw black rather than whatever lies beyond it.
        palette = QList<QRgb>(dib.Palette.begin(), dib.Palette.end());
        palette.resize(qsizetype(1) << dib.Bits, qRgb(0, 0, 0));
    }

    FBitmaps = std::move(bands);
    FWidth = dib.Width;
    FHeight = dib.Height;
    FStride = dib.Stride;
    FPalette = std::move(palette);
    FPixelFormat = formatOfBits(dib.Bits);
}

const std::uint8_t *TBigBitmap::Scanline(std::int32_t row) const
{
    if (FBitmaps.empty())
        fail("TBigBitmap.GetScanline: No Bitomaps");
    if (row < 0 || row >= FHeight)
        fail("TBigBitmap.GetScanline: Index is out of Range");
    const auto h0 = FBitmaps.front().height;
    const Band &band = FBitmaps[static_cast<std::size_t>(row / h0)];
    return reinterpret_cast<const std::uint8_t *>(band.pixels.constData())
        + static_cast<std::size_t>(row % h0) * FStride;
}

std::uint8_t *TBigBitmap::Scanline(std::int32_t row)
{
    const std::uint8_t *p = std::as_const(*this).Scanline(row);
    Band &band = FBitmaps[static_cast<std::size_t>(row / FBitmaps.front().height)];
    const auto offset = p - reinterpret_cast<const std::uint8_t *>(band.pixels.constData());
    // data() detaches: bands may be shared with a copy made by Assign.
    return reinterpret_cast<std::uint8_t *>(band.pixels.data()) + offset;
}

QImage TBigBitmap::BandImage(const Band &band) const
{
    return rowsImage(reinterpret_cast<const std::uint8_t *>(band.pixels.constData()), FWidth,
                     band.height, FStride, PixelBits(FPixelFormat), FPalette);
}

QImage TBigBitmap::ToImage() const
{
    if (Empty())
        return QImage();
    const int bits = PixelBits(FPixelFormat);
    QImage image(FWidth, FHeight, bits <= 8 ? QImage::Format_Indexed8 : QImage::Format_RGB888);
    if (bits <= 8)
        image.setColorTable(FPalette);
    for (std::int32_t y = 0; y < FHeight; ++y) {
        const std::uint8_t *src = Scanline(y);
        uchar *dst = image.scanLine(y);
        for (std::int32_t x = 0; x < FWidth; ++x) {
            const std::uint32_t v = getPixel(src, x, bits);
            if (bits <= 8) {
                dst[x] = static_cast<uchar>(v);
            } else {
                dst[3 * x] = static_cast<uchar>(v >> 16);
                dst[3 * x + 1] = static_cast<uchar>(v >> 8);
                dst[3 * x + 2] = static_cast<uchar>(v);
            }
        }
    }
    return image;
}

void TBigBitmap::Draw(QPainter &canvas, const TPixelRect &rect)
{
    if (Empty())
        return;
    switch (FDrawMode) {
    case TBigBitmapDrawMode::dmUseOriginalDraw: DrawOriginal(canvas, rect); return;
    case TBigBitmapDrawMode::dmUseBanding: DrawBanding(canvas, rect); return;
    }
    fail("TBigBitmap.Draw: Unknown Mode");
}

void TBigBitmap::DrawOriginal(QPainter &canvas, const TPixelRect &rect)
{
    const std::int64_t h = std::int64_t(rect.Bottom) - rect.Top;
    std::int64_t y0 = 0;
    for (const Band &band : FBitmaps) {
        const std::int64_t y1 = y0 + band.height;
        stretchImage(canvas, BandImage(band), rect.Left, rect.Top + y0 * h / FHeight, rect.Right,
                     rect.Top + y1 * h / FHeight);
        y0 = y1;
    }
}

TBandingPlan TBigBitmap::PlanBanding(std::int32_t width, std::int32_t height, std::int64_t a, std::int64_t b,
                                     bool preview)
{
    TBandingPlan plan;
    plan.c = reduction(a, width, a < 256, preview);
    plan.d = reduction(b, height, b <= 256, preview);
    plan.workWidth = kBigBitmapTile / plan.c;
    plan.workHeight = kBigBitmapTile / plan.d;
    plan.tilesX = static_cast<int>((a / plan.c + plan.workWidth - 1) / plan.workWidth);
    plan.tilesY = static_cast<int>((b / plan.d + plan.workHeight - 1) / plan.workHeight);
    return plan;
}

void TBigBitmap::DrawBanding(QPainter &canvas, const TPixelRect &rect)
{
    FLastTilesDrawn = 0;
    const std::int64_t a = std::abs(std::int64_t(rect.Right) - rect.Left);
    const std::int64_t b = std::abs(std::int64_t(rect.Bottom) - rect.Top);
    if (a == 0 || b == 0)
        return;
    QRect clip = canvas.device() ? QRect(0, 0, canvas.device()->width(), canvas.device()->height()) : QRect();
    if (canvas.hasClipping())
        clip = clip.isNull() ? canvas.clipBoundingRect().toAlignedRect()
                             : clip.intersected(canvas.clipBoundingRect().toAlignedRect());

    const TBandingPlan plan = PlanBanding(FWidth, FHeight, a, b, FPreview);
    const int dirX = rect.Right < rect.Left ? -1 : 1;
    const int dirY = rect.Bottom < rect.Top ? -1 : 1;
    const int bits = PixelBits(FPixelFormat);
    const std::int64_t outW = a / plan.c, outH = b / plan.d;  // work pixels over the whole output
    const auto workStride = static_cast<std::size_t>(DibStride(static_cast<std::uint64_t>(bits),
                                                               static_cast<std::uint64_t>(plan.workWidth)));
    std::vector<std::uint8_t> work(workStride * static_cast<std::size_t>(plan.workHeight));

    canvas.save();
    const int deviceDepth = canvas.device() ? canvas.device()->depth() : 32;
    // Colour-on-colour (no filtering) unless a true-colour tile goes to a
    // palette device, where halftoning looks better.
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, !(deviceDepth > 8 || bits <= 8));

    for (int j = 0; j < plan.tilesY; ++j) {
        const std::int64_t th = std::min<std::int64_t>(plan.workHeight, outH - std::int64_t(j) * plan.workHeight);
        const std::int64_t y0 = rect.Top + std::int64_t(j) * plan.workHeight * plan.d * dirY;
        const std::int64_t y1 = j == plan.tilesY - 1 ? rect.Top + b * dirY : y0 + th * plan.d * dirY;
        for (int i = 0; i < plan.tilesX; ++i) {
            const std::int64_t tw = std::min<std::int64_t>(plan.workWidth, outW - std::int64_t(i) * plan.workWidth);
            const std::int64_t x0 = rect.Left + std::int64_t(i) * plan.workWidth * plan.c * dirX;
            const std::int64_t x1 = i == plan.tilesX - 1 ? rect.Left + a * dirX : x0 + tw * plan.c * dirX;
            if (!clip.isNull() && !normalized(x0, y0, x1, y1).intersects(clip))
                continue;

            std::fill(work.begin(), work.end(), std::uint8_t(0));
            for (std::int64_t r = 0; r < th; ++r) {
                const auto srcRow = static_cast<std::int32_t>((std::int64_t(j) * plan.workHeight + r) * FHeight / outH);
                const std::uint8_t *src = Scanline(srcRow);
                std::uint8_t *dst = work.data() + static_cast<std::size_t>(r) * workStride;
                for (std::int64_t x = 0; x < tw; ++x) {
                    const std::int64_t sx = (x + std::int64_t(i) * plan.workWidth) * FWidth / outW;
                    setPixel(dst, x, bits, getPixel(src, sx, bits));
                }
            }
            stretchImage(canvas,
                         rowsImage(work.data(), static_cast<int>(tw), static_cast<int>(th), workStride, bits, FPalette),
                         x0, y0, x1, y1);
            ++FLastTilesDrawn;
        }
    }
    canvas.restore();
}

} // namespace vellora
