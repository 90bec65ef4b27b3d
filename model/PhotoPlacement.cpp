#include "model/PhotoPlacement.h"

#include "exif/JpegDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace vellora {

TPhotoRotate ResolveAutoRotate(TPhotoRotate rotate, Extended cellWidthMM, Extended cellHeightMM,
                               std::int32_t imageWidth, std::int32_t imageHeight)
{
    if (rotate != TPhotoRotate::prAuto)
        return rotate;
    const bool portraitCell = cellHeightMM > cellWidthMM;
    const bool landscapeCell = cellHeightMM < cellWidthMM;
    if ((portraitCell && imageWidth > imageHeight) || (landscapeCell && imageWidth < imageHeight))
        return TPhotoRotate::pr90;
    return TPhotoRotate::prAuto;
}

int QuarterTurns(TPhotoRotate rotate)
{
    switch (rotate) {
    case TPhotoRotate::pr90: return 1;
    case TPhotoRotate::pr180: return 2;
    case TPhotoRotate::pr270: return 3;
    default: return 0;
    }
}

int QuarterTurnsOf(TTextAngle angle)
{
    return static_cast<int>(Ord(angle));
}

namespace {

// Largest photo side in pixels: far beyond any page, small enough that the
// offsets and rectangles built from it cannot overflow.
constexpr double kMaxPhotoSide = 1 << 24;

// Trunc of a scaled length. A scale read from a damaged document may be
// negative, infinite or not a number; such photos become empty or are capped
// instead of overflowing the integer conversion.
std::int32_t scaledLength(double value)
{
    if (!(value > 0))
        return 0;
    return static_cast<std::int32_t>(std::trunc(std::min(value, kMaxPhotoSide)));
}

std::int32_t alignedOffset(TPhotoAlign align, std::int32_t room, std::int32_t size)
{
    switch (align) {
    case TPhotoAlign::paLeftTop: return 0;
    case TPhotoAlign::paCenter: return (room - size) / 2;   // truncates toward zero
    case TPhotoAlign::paRightBottom: return room - size;
    }
    return 0;
}

} // namespace

TPhotoPlacement ComputePlacement(const TPlacementInput &in)
{
    if (in.pictureWidth <= 0 || in.pictureHeight <= 0)
        throw std::logic_error("ComputePlacement: empty picture");

    const Extended w = in.cellRect.Width();
    const Extended h = in.cellRect.Height();
    const double pw = in.pictureWidth;
    const double ph = in.pictureHeight;
    TFloatRect dst = in.cellRect;
    double s = 1.0;

    auto fitScales = [&](Extended wMM, Extended hMM, double &sx, double &sy) {
        sx = MMToPixel(wMM, in.resolution) / pw;
        sy = MMToPixel(hMM, in.resolution) / ph;
    };
    double sx = 0;
    double sy = 0;
    switch (in.photoSize) {
    case TPhotoSize::psPhoto:
        fitScales(w, h, sx, sy);
        s = sx >= sy ? sy : sx;
        break;
    case TPhotoSize::psPaper:
        fitScales(w, h, sx, sy);
        s = sx >= sy ? sx : sy;
        break;
    case TPhotoSize::psLarge: {
        const Extended p = in.protrudeWidth;
        fitScales(w + 2 * p, h + 2 * p, sx, sy);
        s = sx >= sy ? sx : sy;
        dst = FloatRect(dst.Left - p, dst.Top - p, dst.Right + p, dst.Bottom + p);
        break;
    }
    case TPhotoSize::psScale:
        s = in.photoScale;
        break;
    }

    if (in.scaleLimit == TPhotoLimitMode::plmUpOnly && s < 1)
        s = 1;
    else if (in.scaleLimit == TPhotoLimitMode::plmDownOnly && s > 1)
        s = 1;

    TPhotoPlacement out;
    out.scale = s;
    out.photoWidth = in.pictureWidth;
    out.photoHeight = in.pictureHeight;
    if (s != 1) {
        out.photoWidth = scaledLength(pw * s + 0.5);
        out.photoHeight = scaledLength(ph * s + 0.5);
    }

    // The band is cut from the photo, so the scale above is not recomputed.
    if (in.border) {
        const Extended b = in.borderWidth;
        dst = FloatRect(dst.Left + b, dst.Top + b, dst.Right - b, dst.Bottom - b);
    }
    out.output = MMRectToPixelRect(dst, FloatSize(in.resolution, in.resolution));
    out.offsetX = alignedOffset(in.horizontalAlign, out.output.Width(), out.photoWidth);
    out.offsetY = alignedOffset(in.verticalAlign, out.output.Height(), out.photoHeight);
    return out;
}

double EffectiveResolution(const TPlacementInput &in, const TPhotoPlacement &place)
{
    return place.scale > 0 ? in.resolution / place.scale : 0.0;
}

namespace {

// Builds an image of the given size whose pixel (x, y) is the source pixel
// that `from` names; a position outside the source gives 0.
template <typename From>
QImage remapImage(const QImage &source, int width, int height, From from)
{
    QImage result(width, height, source.format());
    if (result.isNull())
        return result;
    result.setColorTable(source.colorTable());
    result.setDotsPerMeterX(source.dotsPerMeterX());
    result.setDotsPerMeterY(source.dotsPerMeterY());
    const int depth = source.depth();
    const QRect inside = source.rect();
    if (depth >= 8) {
        const int bytes = depth / 8;
        for (int y = 0; y < height; ++y) {
            uchar *line = result.scanLine(y);
            for (int x = 0; x < width; ++x) {
                const QPoint p = from(x, y);
                if (inside.contains(p))
                    std::memcpy(line + x * bytes, source.constScanLine(p.y()) + p.x() * bytes, bytes);
                else
                    std::memset(line + x * bytes, 0, bytes);
            }
        }
    } else {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const QPoint p = from(x, y);
                result.setPixel(x, y, inside.contains(p) ? source.pixelIndex(p) : 0u);
            }
        }
    }
    return result;
}

} // namespace

QImage RotateBitmap(const QImage &source, int angle)
{
    const int w = source.width();
    const int h = source.height();
    switch (angle) {
    case 90:
        return remapImage(source, h, w, [h](int x, int y) { return QPoint(y, h - 1 - x); });
    case 180:
        return remapImage(source, w, h, [w, h](int x, int y) { return QPoint(w - 1 - x, h - 1 - y); });
    case 270:
        return remapImage(source, h, w, [w](int x, int y) { return QPoint(w - 1 - y, x); });
    default:
        return source.copy();
    }
}

int ChooseDecodeReduction(std::int32_t fullWidth, std::int32_t fullHeight, std::int32_t needWidth,
                          std::int32_t needHeight)
{
    return jpeg::ReductionFor({fullWidth, fullHeight}, needWidth, needHeight);
}

} // namespace vellora
