#include "app/designer/DesignerGeometry.h"

#include <algorithm>
#include <cmath>

namespace vellora {

namespace {

constexpr Extended kPixelLimit = 1073741824.0L;   // 2^30: room for sums of two

std::int32_t saturate(Extended pixels) noexcept
{
    if (std::isnan(pixels))
        return 0;
    const Extended r = std::floor(pixels + 0.5L);
    if (r >= kPixelLimit)
        return static_cast<std::int32_t>(kPixelLimit);
    if (r <= -kPixelLimit)
        return -static_cast<std::int32_t>(kPixelLimit);
    return static_cast<std::int32_t>(r);
}

} // namespace

TDesignScale::TDesignScale(double ppi, int rate)
    : FPpi(std::isfinite(ppi) && ppi > 0 ? ppi : 96.0), FRate(ClampShowRate(rate))
{
}

std::int32_t TDesignScale::ToPixels(Extended mm) const noexcept
{
    return saturate(mm * FPpi * FRate / 2540.0L);
}

Extended TDesignScale::ToMM(Extended pixels) const noexcept
{
    return pixels * 100.0L / FRate * 25.4L / FPpi;
}

QRect TDesignScale::ToPixelRect(const TFloatRect &mm, QPoint offset) const noexcept
{
    const std::int32_t l = ToPixels(mm.Left);
    const std::int32_t t = ToPixels(mm.Top);
    const std::int32_t r = std::max(l, ToPixels(mm.Right));
    const std::int32_t b = std::max(t, ToPixels(mm.Bottom));
    return QRect(l + offset.x(), t + offset.y(), r - l, b - t);
}

std::int32_t MMToPixel100(Extended mm, double ppi) noexcept
{
    return TDesignScale(ppi, 100).ToPixels(mm);
}

int ClampShowRate(long long rate) noexcept
{
    return static_cast<int>(std::clamp<long long>(rate, kMinShowRate, kMaxShowRate));
}

Extended GridDrawStep(Extended step, const TDesignScale &scale) noexcept
{
    if (!(step > 0))
        return step;
    if (scale.ToPixels(step) > 2)
        return step;
    // Bounded: at the minimum step, rate and a sane resolution k stays small,
    // and a multiple of 2^20 steps is beyond any surface anyway.
    for (Extended k = 2; k < 1048576; ++k)
        if (scale.ToPixels(k * step) >= 3)
            return k * step;
    return step * 1048576;
}

Extended SnapEdge(Extended edge, Extended origin, Extended step) noexcept
{
    const Extended k = std::floor((edge - origin) / step);
    const Extended line = k * step + origin;
    const Extended below = edge - line;
    const Extended above = line + step - edge;
    return above > below ? -below : above;
}

Extended SnapSpan(Extended low, Extended high, Extended origin, Extended step) noexcept
{
    Extended c = SnapEdge(low, origin, step);
    const Extended h = SnapEdge(high, origin, step);
    if (std::fabs(h) < std::fabs(c))
        c = h;
    return c;
}

int ClampMove(int pos, int size, int delta, int limit) noexcept
{
    long long left = static_cast<long long>(pos) + delta;
    if (left < 0)
        left = 0;
    if (left + size >= limit)
        left = static_cast<long long>(limit) - 1 - size;
    return static_cast<int>(left - pos);
}

TSpan ResizeSpan(TSpan start, bool lowHeld, bool highHeld, Extended delta, bool snap, Extended origin,
                 Extended step) noexcept
{
    TSpan s = start;
    if (highHeld) {
        s.high = std::max(start.low, start.high + delta);
        if (snap) {
            s.high += SnapEdge(s.high, origin, step);
            s.high = std::max(s.low, s.high);
        }
    } else if (lowHeld) {
        s.low = std::min(start.high, start.low + delta);
        if (snap) {
            s.low += SnapEdge(s.low, origin, step);
            s.low = std::min(s.high, s.low);
        }
    }
    return s;
}

unsigned MouseSidesAt(int x, int y, int width, int height) noexcept
{
    unsigned sides = 0;
    if (x >= 0 && x <= 3)
        sides |= 1;
    if (y >= 0 && y <= 3)
        sides |= 2;
    if (x >= width - 4)
        sides |= 4;
    if (y >= height - 4)
        sides |= 8;
    if ((sides & 5) == 5)
        sides &= ~1u;
    if ((sides & 10) == 10)
        sides &= ~2u;
    return sides;
}

std::vector<TFloatRect> AlignRects(const std::vector<TFloatRect> &rects, THorzAlign horz, TVertAlign vert)
{
    Extended ul = 100000, ut = 100000, ur = -100000, ub = -100000;
    for (const TFloatRect &r : rects) {
        ul = std::min(ul, r.Left);
        ut = std::min(ut, r.Top);
        ur = std::max(ur, r.Right);
        ub = std::max(ub, r.Bottom);
    }
    std::vector<TFloatRect> out;
    out.reserve(rects.size());
    for (const TFloatRect &r : rects) {
        const Extended w = r.Width(), h = r.Height();
        Extended l = r.Left, t = r.Top;
        switch (horz) {
        case THorzAlign::haNone: break;
        case THorzAlign::haLeft: l = ul; break;
        case THorzAlign::haCenter: l = ul + (ur - ul - w) / 2; break;
        case THorzAlign::haRight: l = ur - w; break;
        }
        switch (vert) {
        case TVertAlign::vaNone: break;
        case TVertAlign::vaTop: t = ut; break;
        case TVertAlign::vaCenter: t = ut + (ub - ut - h) / 2; break;
        case TVertAlign::vaBottom: t = ub - h; break;
        }
        out.push_back(FloatRect(l, t, l + w, t + h));
    }
    return out;
}

Extended SaneGridStep(double step) noexcept
{
    return std::isfinite(step) && step >= kMinGridStep && step <= kMaxGridStep ? step : kDefaultGridStep;
}

TGridOrigin SaneGridOrigin(int origin) noexcept
{
    return origin == 1 ? TGridOrigin::goArea : TGridOrigin::goPaper;
}

bool InsideBand(const QRect &item, QPoint from, QPoint to) noexcept
{
    const int l = std::min(from.x(), to.x()), r = std::max(from.x(), to.x());
    const int t = std::min(from.y(), to.y()), b = std::max(from.y(), to.y());
    return item.left() >= l && item.top() >= t && item.left() + item.width() < r && item.top() + item.height() < b;
}

} // namespace vellora
