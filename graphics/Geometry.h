// Millimetre geometry: points, sizes and rectangles whose coordinates are
// extended-precision millimetres, and the conversions between millimetres,
// device pixels and PDF points. Also the enumerations that text and fill
// drawing share with the document model.
//
// A TFloatRect is not normalised: Right may be smaller than Left.
#pragma once

#include "settings/Extended.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <cstdint>

namespace vellora {

class TStream;

struct TFloatPoint {
    Extended X = 0;
    Extended Y = 0;
    friend bool operator==(const TFloatPoint &, const TFloatPoint &) = default;
};

struct TFloatSize {
    Extended cx = 0;
    Extended cy = 0;
    friend bool operator==(const TFloatSize &, const TFloatSize &) = default;
};

struct TFloatRect {
    Extended Left = 0;
    Extended Top = 0;
    Extended Right = 0;
    Extended Bottom = 0;

    TFloatPoint TopLeft() const { return {Left, Top}; }
    TFloatPoint BottomRight() const { return {Right, Bottom}; }
    Extended Width() const { return Right - Left; }
    Extended Height() const { return Bottom - Top; }
    friend bool operator==(const TFloatRect &, const TFloatRect &) = default;
};

// Integer sizes of the model (Divide, ImageSize): two signed 32-bit values.
struct TIntSize {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    friend bool operator==(const TIntSize &, const TIntSize &) = default;
};

inline TFloatPoint FloatPoint(Extended x, Extended y) { return {x, y}; }
inline TFloatSize FloatSize(Extended cx, Extended cy) { return {cx, cy}; }
inline TFloatRect FloatRect(Extended l, Extended t, Extended r, Extended b) { return {l, t, r, b}; }
TFloatRect OffsetFloatRect(const TFloatRect &r, Extended dx, Extended dy);

// Trunc((mm × dpi + 12.7) / 25.4): half a pixel rounds up, and every value
// strictly between −1.5 and 0.5 pixels gives 0.
std::int32_t MMToPixel(Extended mm, Extended dpi);
Extended PixelToMM(Extended pixels, Extended dpi);
// Integer rectangle as (left, top, right, bottom); QRect's inclusive corners
// are avoided so that Right and Bottom keep their exact values.
struct TPixelRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    std::int32_t Width() const { return Right - Left; }
    std::int32_t Height() const { return Bottom - Top; }
    QRect toQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    friend bool operator==(const TPixelRect &, const TPixelRect &) = default;
};
TPixelRect MMRectToPixelRect(const TFloatRect &r, const TFloatSize &res);
TFloatRect PixelRectToMMRect(const TPixelRect &r, const TFloatSize &res);
QSize MMSizeToPixelSize(const TFloatSize &s, const TFloatSize &res);
QPoint MMPointToPixelPoint(const TFloatPoint &p, const TFloatSize &res);
TFloatSize PixelPointToMMSize(const QPoint &p, const TFloatSize &res);
double MMToPoint(Extended mm);

// Round half to even, as the layout preview rounds its plain scale factors.
std::int32_t RoundHalfEven(Extended value);

// Stream records: 20 and 40 bytes of extended values in field order.
void WriteFloatSize(TStream &s, const TFloatSize &v);
TFloatSize ReadFloatSize(TStream &s);
void WriteFloatRect(TStream &s, const TFloatRect &v);
TFloatRect ReadFloatRect(TStream &s);

enum class TGradientDirection : std::uint8_t { gdHorizontal, gdVertical };
enum class TTextAngle : std::uint8_t { taNone, taAngle90, taAngle180, taAngle270 };
enum class THorzAlignment : std::uint8_t { haLeft, haCenter, haRight, haEven, haBoth };
enum class TVertAlignment : std::uint8_t { vaTop, vaCenter, vaBottom, vaEven };

} // namespace vellora
