#include "graphics/Geometry.h"

#include "settings/Stream.h"

#include <cmath>

namespace vellora {

TFloatRect OffsetFloatRect(const TFloatRect &r, Extended dx, Extended dy)
{
    return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

std::int32_t MMToPixel(Extended mm, Extended dpi)
{
    return static_cast<std::int32_t>(std::trunc((mm * dpi + 12.7L) / 25.4L));
}

Extended PixelToMM(Extended pixels, Extended dpi)
{
    return pixels * 25.4L / dpi;
}

TPixelRect MMRectToPixelRect(const TFloatRect &r, const TFloatSize &res)
{
    return {MMToPixel(r.Left, res.cx), MMToPixel(r.Top, res.cy), MMToPixel(r.Right, res.cx),
            MMToPixel(r.Bottom, res.cy)};
}

TFloatRect PixelRectToMMRect(const TPixelRect &r, const TFloatSize &res)
{
    return {PixelToMM(r.Left, res.cx), PixelToMM(r.Top, res.cy), PixelToMM(r.Right, res.cx),
            PixelToMM(r.Bottom, res.cy)};
}

QSize MMSizeToPixelSize(const TFloatSize &s, const TFloatSize &res)
{
    return QSize(MMToPixel(s.cx, res.cx), MMToPixel(s.cy, res.cy));
}

QPoint MMPointToPixelPoint(const TFloatPoint &p, const TFloatSize &res)
{
    return QPoint(MMToPixel(p.X, res.cx), MMToPixel(p.Y, res.cy));
}

TFloatSize PixelPointToMMSize(const QPoint &p, const TFloatSize &res)
{
    return {PixelToMM(p.x(), res.cx), PixelToMM(p.y(), res.cy)};
}

double MMToPoint(Extended mm)
{
    return static_cast<double>(mm * 72.0L / 25.4L);
}

std::int32_t RoundHalfEven(Extended value)
{
    return static_cast<std::int32_t>(std::nearbyint(value));  // default rounding mode: to nearest even
}

void WriteFloatSize(TStream &s, const TFloatSize &v)
{
    s.WriteExtended(v.cx);
    s.WriteExtended(v.cy);
}

TFloatSize ReadFloatSize(TStream &s)
{
    TFloatSize v;
    v.cx = s.ReadExtended();
    v.cy = s.ReadExtended();
    return v;
}

void WriteFloatRect(TStream &s, const TFloatRect &v)
{
    s.WriteExtended(v.Left);
    s.WriteExtended(v.Top);
    s.WriteExtended(v.Right);
    s.WriteExtended(v.Bottom);
}

TFloatRect ReadFloatRect(TStream &s)
{
    TFloatRect v;
    v.Left = s.ReadExtended();
    v.Top = s.ReadExtended();
    v.Right = s.ReadExtended();
    v.Bottom = s.ReadExtended();
    return v;
}

} // namespace vellora
