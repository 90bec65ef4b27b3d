// The layout rules of the printer's text operations, kept apart from any
// canvas: where a line starts in a rectangle for each angle and alignment,
// where pitched characters go, and how a text is broken into lines with the
// Japanese line-break rules. Lengths are device units; every width comes from
// a TTextMeasurer, so the rules can be checked with a fake measurer.
#pragma once

#include "graphics/Geometry.h"
#include "graphics/TextLayout.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace vellora {

enum class TTextFitOption : std::uint8_t { tfoNone, tfoSize, tfoTrans, tfoWrap };
enum class TTextDrawOption : std::uint8_t { doAdjustRect, doWordWrap, doWideWordWrap };

struct TTextDrawOptions {
    bool adjustRect = false;
    bool wordWrap = false;
    bool wideWordWrap = false;
};

// A rectangle in millimetres.
struct TRealRect {
    double Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TRealRect &) const = default;
};

// Edges as GDI keeps them: Right and Bottom lie just outside the rectangle.
struct TEdgeRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int width() const noexcept { return Right - Left; }
    int height() const noexcept { return Bottom - Top; }
    bool operator==(const TEdgeRect &) const = default;
};

// Degrees of a text angle, counter-clockwise.
int AngleDegrees(TTextAngle angle);
bool IsVerticalAngle(TTextAngle angle);

// Length along the text and extent across it.
int AlongLength(const TEdgeRect &r, TTextAngle angle);
int AcrossExtent(const TEdgeRect &r, TTextAngle angle);

// The reference point (the top-left of the first character's cell, turned
// with the text) of a line of width w and height h placed in r.
QPoint TextOriginInRect(const TEdgeRect &r, TTextAngle angle, THorzAlignment align, TVertAlignment layout, int w,
                        int h);

// Where character i (from 0) of a pitched line starting at (x, y) goes.
QPoint PitchPosition(int x, int y, int i, int pitch, TTextAngle angle);

// TextOutAlign's reference shift: halves truncate toward zero.
QPoint AlignedTextPoint(int x, int y, int w, int h, THorzAlignment horz, TVertAlignment vert);

// Breaks s into lines that fit `length`: carriage returns (with a following
// line feed) end lines, word wrap keeps letters and numbers together, wide
// word wrap keeps the characters that may not begin or end a line where
// they belong. Characters are code points: a surrogate pair is never split.
QStringList WrapTextLines(const QString &s, int length, const TTextDrawOptions &options, const TTextMeasurer &m);

// Rectangle grown across the text by `grow` units on the side that angle
// grows (0°: bottom, 90°: right, 180°: top, 270°: left).
TEdgeRect GrowAcross(const TEdgeRect &r, TTextAngle angle, int grow);

// The gap list of an evenly spread line: `count` characters of total width
// `textWidth` in `length`. The first (length - textWidth) mod (count - 1)
// gaps are one unit wider.
std::vector<int> EvenGaps(int count, int length, int textWidth);

} // namespace vellora
