#include "graphics/Gradation.h"

#include <QColor>
#include <QPainter>

namespace vellora {

namespace {

int channel(TColor c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

QColor toQColor(TColor c) { return QColor(channel(c, 0), channel(c, 8), channel(c, 16)); }

} // namespace

TColor TDrawGradation::BandColor(TColor c0, TColor c1, std::int64_t i, std::int64_t n)
{
    TColor result = 0;
    for (int shift : {0, 8, 16}) {
        const int from = channel(c0, shift);
        // The step is a real number; the product is rounded, not accumulated,
        // so that no drift builds up over wide bands.
        const Extended step = n == 0 ? Extended(0) : Extended(channel(c1, shift) - from) / Extended(n);
        const std::int64_t value = from + RoundHalfEven(Extended(i) * step);
        result |= static_cast<TColor>(value & 0xFF) << shift;
    }
    return result;
}

void TDrawGradation::Draw(QPainter &canvas, const TPixelRect &rect) const
{
    Draw(canvas, rect.Left, rect.Top, rect.Right, rect.Bottom);
}

void TDrawGradation::Draw(QPainter &canvas, int left, int top, int right, int bottom) const
{
    if (FMode == TGradientMode::gmTwo) {
        DrawBand(canvas, left, top, right, bottom, FStartColor, FEndColor);
        return;
    }
    // Three colours: two bands that share the split line, which is drawn twice.
    if (FDirection == TGradientDirection::gdHorizontal) {
        const int split = left + (right + 1 - left) / 2;
        DrawBand(canvas, left, top, split, bottom, FStartColor, FMidiumColor);
        DrawBand(canvas, split, top, right, bottom, FMidiumColor, FEndColor);
    } else {
        const int split = top + (bottom + 1 - top) / 2;
        DrawBand(canvas, left, top, right, split, FStartColor, FMidiumColor);
        DrawBand(canvas, left, split, right, bottom, FMidiumColor, FEndColor);
    }
}

void TDrawGradation::DrawBand(QPainter &canvas, int left, int top, int right, int bottom, TColor c0,
                              TColor c1) const
{
    const bool horizontal = FDirection == TGradientDirection::gdHorizontal;
    const std::int64_t n = horizontal ? std::int64_t(right) - left + 1 : std::int64_t(bottom) - top + 1;
    const std::int64_t across = horizontal ? std::int64_t(bottom) - top + 1 : std::int64_t(right) - left + 1;
    if (n <= 0 || across <= 0)
        return;
    // One-pixel lines with both ends included, painted as exact pixel spans so
    // that no pen cap or antialiasing can widen them.
    for (std::int64_t i = 0; i < n; ++i) {
        const QColor colour = toQColor(BandColor(c0, c1, i, n));
        if (horizontal)
            canvas.fillRect(QRect(static_cast<int>(left + i), top, 1, static_cast<int>(across)), colour);
        else
            canvas.fillRect(QRect(left, static_cast<int>(top + i), static_cast<int>(across), 1), colour);
    }
}

} // namespace vellora
