// TBigBitmap: a large image kept as a vertical stack of bands of at most
// 8 MiB of pixel data each, drawn onto a QPainter band by band or, in banding
// mode, through one work tile of at most 1024 × 1024 pixels with
// nearest-neighbour resampling. Pixels are stored at 1, 4, 8 or 24 bits
// (24: B, G, R), rows padded to 4 bytes. Loads Windows BMP file images.
// UI thread; throws EBigBitmapError (and its EDIBUtilsError) with the class
// texts.
#pragma once

#include "graphics/BmpReader.h"
#include "graphics/Geometry.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRgb>
#include <cstdint>
#include <vector>

class QPainter;

namespace vellora {

class TStream;

enum class TBigBitmapPixelFormat : std::uint8_t { bbpf1bit, bbpf4bit, bbpf8bit, bbpf24bit };
enum class TBigBitmapDrawMode : std::uint8_t { dmUseOriginalDraw, dmUseBanding };

// Pixel data per band.
inline constexpr std::size_t kBigBitmapBandBytes = 8388608;
// Side of the banding work bitmap before reduction.
inline constexpr int kBigBitmapTile = 1024;

// How a banding draw covers its destination: reduction factors, work bitmap
// size and the number of tiles across and down.
struct TBandingPlan {
    int c = 1, d = 1;                 // horizontal and vertical reduction
    int workWidth = 0, workHeight = 0;
    int tilesX = 0, tilesY = 0;
    friend bool operator==(const TBandingPlan &, const TBandingPlan &) = default;
};

class TBigBitmap {
public:
    TBigBitmap() = default;
    TBigBitmap(const TBigBitmap &) = delete;
    TBigBitmap &operator=(const TBigBitmap &) = delete;

    TBigBitmapPixelFormat PixelFormat() const noexcept { return FPixelFormat; }
    TBigBitmapDrawMode DrawMode() const noexcept { return FDrawMode; }
    void SetDrawMode(TBigBitmapDrawMode mode) noexcept { FDrawMode = mode; }
    bool Preview() const noexcept { return FPreview; }
    void SetPreview(bool preview) noexcept { FPreview = preview; }
    std::int32_t Width() const noexcept { return FWidth; }
    std::int32_t Height() const noexcept { return FHeight; }
    bool Empty() const noexcept { return FWidth == 0 || FHeight == 0; }
    // The first band's palette; empty without bands or at 24 bits.
    QList<QRgb> Palette() const;

    int BandCount() const noexcept { return static_cast<int>(FBitmaps.size()); }
    int BandHeight(int band) const { return FBitmaps.at(static_cast<std::size_t>(band)).height; }
    std::size_t Stride() const noexcept { return FStride; }

    // Copies every band, the size, pixel format and draw mode.
    void Assign(const TBigBitmap &source);
    // Writes the image as a BMP file image and loads that.
    void Assign(const QImage &source);
    // Back to an empty image.
    void Clear();

    // Loads a BMP file image; on error the old image stays.
    void LoadFromBytes(const QByteArray &bmp, const QString &source = QString());
    // Loads from the stream's position to its end.
    void LoadFromStream(TStream &stream);

    const std::uint8_t *Scanline(std::int32_t row) const;
    std::uint8_t *Scanline(std::int32_t row);
    static int PixelBits(TBigBitmapPixelFormat format);

    // Draws into rect (exclusive right/bottom); a rect given right to left or
    // bottom to top mirrors the image.
    void Draw(QPainter &canvas, const TPixelRect &rect);
    void DrawAt(QPainter &canvas, int x, int y) { Draw(canvas, {x, y, x + FWidth, y + FHeight}); }

    static TBandingPlan PlanBanding(std::int32_t width, std::int32_t height, int a, int b, bool preview);
    // Work tiles filled and drawn by the last banding draw (tiles outside the
    // clip box are skipped).
    int LastTilesDrawn() const noexcept { return FLastTilesDrawn; }

    // The whole image as a QImage (8-bit indexed for 1 to 8 bits, else RGB888).
    QImage ToImage() const;

private:
    struct Band {
        QByteArray pixels;   // height × stride bytes, top row first
        int height = 0;
    };

    QImage BandImage(const Band &band) const;
    void DrawOriginal(QPainter &canvas, const TPixelRect &rect);
    void DrawBanding(QPainter &canvas, const TPixelRect &rect);

    std::vector<Band> FBitmaps;
    TBigBitmapPixelFormat FPixelFormat = TBigBitmapPixelFormat::bbpf8bit;
    std::int32_t FWidth = 0;
    std::int32_t FHeight = 0;
    std::size_t FStride = 0;
    QList<QRgb> FPalette;   // padded to 2^bits entries below 24 bits
    TBigBitmapDrawMode FDrawMode = TBigBitmapDrawMode::dmUseOriginalDraw;
    bool FPreview = false;
    int FLastTilesDrawn = 0;
};

} // namespace vellora
