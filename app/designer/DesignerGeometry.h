// The designer's arithmetic, free of widgets: millimetres to surface pixels at
// a display rate, the grid's drawing step, snapping, keeping a dragged item on
// the surface, resizing from an edge and aligning a selection. Millimetres are
// the truth; pixels are derived from them and never written back, and page,
// grid and items share one rounding so that a snapped edge sits on a grid line
// at every rate. Never throws.
#pragma once

#include "graphics/Geometry.h"

#include <QRect>
#include <cstdint>
#include <vector>

namespace vellora {

enum class TGridOrigin : std::uint8_t { goPaper, goArea };
enum class THorzAlign : std::uint8_t { haNone, haLeft, haCenter, haRight };
enum class TVertAlign : std::uint8_t { vaTop, vaNone, vaCenter, vaBottom };

inline constexpr int kMinShowRate = 20;
inline constexpr int kMaxShowRate = 300;
// What the position edits take; far beyond any sheet.
inline constexpr double kMaxDesignMM = 10000.0;
// The smallest width and height a typed size keeps, in mm: a smaller area
// can no longer be seen or grabbed.
inline constexpr double kMinAreaMM = 1.0;
// Pixels left free around the page when it is fitted into the window.
inline constexpr int kFitMargin = 8;
inline constexpr double kMinGridStep = 0.5;
inline constexpr double kMaxGridStep = 1000.0;
inline constexpr double kDefaultGridStep = 5.0;

// Pixels per millimetre at a screen resolution and a display rate (percent).
class TDesignScale {
public:
    TDesignScale(double ppi, int rate);
    double Ppi() const noexcept { return FPpi; }
    int Rate() const noexcept { return FRate; }
    // Rounded half up (also below zero), saturated to ±2^30.
    std::int32_t ToPixels(Extended mm) const noexcept;
    Extended ToMM(Extended pixels) const noexcept;
    // A rectangle of mm (relative to the page) as surface pixels, the page's
    // top-left at `offset`; right and bottom exclusive.
    QRect ToPixelRect(const TFloatRect &mm, QPoint offset) const noexcept;

private:
    double FPpi;
    int FRate;
};

// Pixels at rate 100, as the fitting commands measure the page.
std::int32_t MMToPixel100(Extended mm, double ppi) noexcept;
int ClampShowRate(long long rate) noexcept;

// The step the grid is drawn with: the step itself, or its smallest multiple
// k ≥ 2 whose lines are at least 3 pixels apart when they would crowd.
Extended GridDrawStep(Extended step, const TDesignScale &scale) noexcept;

// The correction that puts one edge on its nearest grid line.
Extended SnapEdge(Extended edge, Extended origin, Extended step) noexcept;
// The correction for a moved span: whichever of its two edges lies nearer to
// a grid line goes onto it (the lower edge wins a tie).
Extended SnapSpan(Extended low, Extended high, Extended origin, Extended step) noexcept;

// The offset a pixel span [pos, pos + size) may move by `delta` and stay on a
// surface of `limit` pixels (left at least 0, right at most limit − 1).
int ClampMove(int pos, int size, int delta, int limit) noexcept;

// Snapping as the designer sets it up: off when `on` is false or the step is
// below the minimum.
struct TSnap {
    bool on = false;
    Extended step = kDefaultGridStep;
    Extended originX = 0;
    Extended originY = 0;
    bool active() const noexcept { return on && step >= kMinGridStep; }
};

// One axis of a resize from the state at button-down: [low, high] in mm, the
// held edge (low or high) moved by `delta` mm, snapped, the other edge kept,
// the size not below 0.
struct TSpan {
    Extended low = 0;
    Extended high = 0;
};
TSpan ResizeSpan(TSpan start, bool lowHeld, bool highHeld, Extended delta, bool snap, Extended origin,
                 Extended step) noexcept;

// The edges of an item under a point inside it: 1 left, 2 top, 4 right,
// 8 bottom; right beats left and bottom beats top when the zones overlap.
unsigned MouseSidesAt(int x, int y, int width, int height) noexcept;

// The selection's bounds moved to its union as the two choices say.
std::vector<TFloatRect> AlignRects(const std::vector<TFloatRect> &rects, THorzAlign horz, TVertAlign vert);

// Settings values that cannot be used fall back to the defaults.
Extended SaneGridStep(double step) noexcept;
TGridOrigin SaneGridOrigin(int origin) noexcept;

// Whether a pixel rectangle (right and bottom exclusive) lies inside a band
// that is normalised first, so that it may be drawn in any direction.
bool InsideBand(const QRect &item, QPoint from, QPoint to) noexcept;

} // namespace vellora
