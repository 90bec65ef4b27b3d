// TDrawGradation: the linear gradient painter of gradient fills. Paints
// one-pixel columns (horizontal) or rows (vertical) whose colours step from the
// start colour to the end colour, optionally through a middle colour. The
// rectangle's Right and Bottom are painted too (inclusive corners). Colours are
// $00BBGGRR. Lives on the UI thread; throws nothing.
#pragma once

#include "graphics/Geometry.h"
#include "settings/Font.h"

#include <QRect>
#include <cstdint>

class QPainter;

namespace vellora {

enum class TGradientMode : std::uint8_t { gmTwo, gmThree };

class TDrawGradation {
public:
    TGradientDirection Direction() const noexcept { return FDirection; }
    void SetDirection(TGradientDirection direction) noexcept { FDirection = direction; }
    TColor EndColor() const noexcept { return FEndColor; }
    void SetEndColor(TColor color) noexcept { FEndColor = color; }
    TColor MidiumColor() const noexcept { return FMidiumColor; }
    void SetMidiumColor(TColor color) noexcept { FMidiumColor = color; }
    TColor StartColor() const noexcept { return FStartColor; }
    void SetStartColor(TColor color) noexcept { FStartColor = color; }
    TGradientMode Mode() const noexcept { return FMode; }
    void SetMode(TGradientMode mode) noexcept { FMode = mode; }

    // rect is taken as (left, top, right, bottom) with right and bottom painted.
    void Draw(QPainter &canvas, const TPixelRect &rect) const;
    void Draw(QPainter &canvas, int left, int top, int right, int bottom) const;

    // Colour of column/row i of a band of n from c0 to c1: each channel is
    // c0 + Round(i × (c1 − c0) / n), halves to even.
    static TColor BandColor(TColor c0, TColor c1, std::int64_t i, std::int64_t n);

private:
    void DrawBand(QPainter &canvas, int left, int top, int right, int bottom, TColor c0,
                  TColor c1) const;

    TGradientDirection FDirection = TGradientDirection::gdHorizontal;
    TColor FEndColor = clWhite;
    TColor FMidiumColor = clWhite;
    TColor FStartColor = clBlack;
    TGradientMode FMode = TGradientMode::gmTwo;
};

} // namespace vellora
