// Line breaking and placement for the text writer: how a text is cut into
// lines, where the lines sit across a rectangle and where each character sits
// along its line. Nothing here draws; every length comes from a TTextMeasurer,
// so the rules can be checked with a fake measurer as well as a real font.
// All lengths are device pixels. Nothing here throws.
#pragma once

#include "graphics/Geometry.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

namespace vellora {

enum class TTextFitStyle : std::uint8_t { fsNone, fsSize, fsTrans };
enum class TTextPitchStyle : std::uint8_t { psSpace, psPitch };
enum class TTextWrapStyle : std::uint8_t { wsNone, wsReturnOnly, wsWrap };

// In a prepared text, CR is a hard line break and U+0003 a break made by wrapping.
inline constexpr char16_t kHardBreak = u'\r';
inline constexpr char16_t kSoftBreak = u'\x0003';

// Width and height of a string in the font currently in use.
class TTextMeasurer {
public:
    virtual ~TTextMeasurer() = default;
    virtual int textWidth(const QString &s) const = 0;
    virtual int textHeight(const QString &s) const = 0;
};

// The Japanese line-break rules and the word-wrap switches.
class TQvTextWrapOptions {
public:
    const QString &EndProhibit() const noexcept { return FEndProhibit; }
    void SetEndProhibit(const QString &v) { FEndProhibit = v; }
    const QString &HeadProhibit() const noexcept { return FHeadProhibit; }
    void SetHeadProhibit(const QString &v) { FHeadProhibit = v; }
    bool WideWordWrap() const noexcept { return FWideWordWrap; }
    void SetWideWordWrap(bool v) noexcept { FWideWordWrap = v; }
    bool WordWrap() const noexcept { return FWordWrap; }
    void SetWordWrap(bool v) noexcept { FWordWrap = v; }
    void Assign(const TQvTextWrapOptions &source) { *this = source; }

    friend bool operator==(const TQvTextWrapOptions &, const TQvTextWrapOptions &) = default;

private:
    // Characters that may not end a line.
    QString FEndProhibit = QStringLiteral("（｛「〔［〈《『【‘“({[");
    // Characters that may not begin a line.
    QString FHeadProhibit = QStringLiteral(
        "、。）｝」』’”】》〉］，．？！ヽヾゝゞ〃々)}]ぁぃぅぇぉっゃゅょ゛゜ァィゥェォッャュョ");
    bool FWideWordWrap = false;
    bool FWordWrap = false;
};

// Everything of the writer that decides the layout, in device pixels.
struct TTextLayoutSettings {
    TTextAngle angle = TTextAngle::taNone;
    bool autoSize = false;
    TTextPitchStyle colStyle = TTextPitchStyle::psSpace;
    int colPitch = 0;
    int colSpace = 0;
    THorzAlignment horzAlignment = THorzAlignment::haLeft;
    TTextPitchStyle rowStyle = TTextPitchStyle::psSpace;
    int rowPitch = 0;
    int rowSpace = 0;
    TVertAlignment vertAlignment = TVertAlignment::vaTop;
    TTextWrapStyle wrapStyle = TTextWrapStyle::wsNone;
    TQvTextWrapOptions wrapOptions;
    TPixelRect padding;                 // inner margins: Left, Top, Right, Bottom
    TFloatSize resolution{96, 96};      // dots per inch, for the rotated-length correction

    bool colPitchEnabled() const noexcept
    {
        return colStyle == TTextPitchStyle::psPitch && horzAlignment < THorzAlignment::haEven;
    }
    bool rowPitchEnabled() const noexcept
    {
        return rowStyle == TTextPitchStyle::psPitch && vertAlignment != TVertAlignment::vaEven;
    }
    bool rotated() const noexcept
    {
        return angle == TTextAngle::taAngle90 || angle == TTextAngle::taAngle270;
    }
};

// The characters of a string, one entry per code point, so that a surrogate
// pair is never split between two draws or two lines.
QStringList SplitChars(const QString &s);

// Rectangle geometry by text direction.
TPixelRect PaddingRect(const TPixelRect &r, const TPixelRect &padding);
QSize GetCanvasSize(const TPixelRect &r, TTextAngle angle);   // (along, across), never negative
QPoint GetRectOrigin(const TPixelRect &r, TTextAngle angle);
void IncCol(QPoint &p, int n, TTextAngle angle);
void IncRow(QPoint &p, int n, TTextAngle angle);

// A length measured across the resolution `from`, expressed in `to`, plus
// the two pixels the rotated-text measurements carry:
// Round((value × from + 2 × to) ÷ to), halves to even.
int RotatedLength(int value, Extended from, Extended to);

// Text preparation. Each gives the prepared text and the number of lines.
struct TPreparedText {
    QString text;
    int lineCount = 0;
};
TPreparedText SplitNone(const QString &text);
TPreparedText SplitReturns(const QString &text);
TPreparedText WrapLines(const QString &splitText, int length, const TTextLayoutSettings &s,
                        const TTextMeasurer &m);

// Prepares Text for the rectangle r as the writer does before drawing; with
// autoSize, r grows to the text.
TPreparedText PrepareText(const QString &text, TPixelRect &r, const TTextLayoutSettings &s,
                          const TTextMeasurer &m);

// 1 + the breaks before the last character; an empty text is one line.
int LineCount(const QString &prepared);

// The lines that are drawn: LineCount lines, each cut at the first CR or, when
// softBreaks, U+0003; soft is set for a line that ended at U+0003.
struct TTextLine {
    QString text;
    bool soft = false;
};
std::vector<TTextLine> DrawnLines(const QString &prepared, bool softBreaks);

// The prepared text cut at every CR and U+0003; an empty text gives one empty line.
QStringList SplitAtBreaks(const QString &prepared);

// Placement across the rectangle: a first shift from the origin, a gap added
// to the line advance, and a remainder of one extra pixel for the first lines.
struct TRowLayout {
    int shift = 0;
    int gap = 0;
    int remainder = 0;
    friend bool operator==(const TRowLayout &, const TRowLayout &) = default;
};
TRowLayout LayoutRows(int lines, int across, int lineHeight, const TTextLayoutSettings &s);

// A character and its offset from the line's start, along the text.
struct TPlacedChar {
    QString ch;
    int offset = 0;
};
using TPlacedLine = std::vector<TPlacedChar>;

TPlacedLine PlaceAligned(const QString &line, int length, THorzAlignment alignment,
                         const TTextLayoutSettings &s, const TTextMeasurer &m);
TPlacedLine PlaceEven(const QString &line, int length, const TTextMeasurer &m);
TPlacedLine PlaceJustified(const QString &line, int length, const TTextMeasurer &m);
// The alignment choice of plain drawing: haBoth justifies only soft lines.
TPlacedLine PlaceLine(const TTextLine &line, int length, const TTextLayoutSettings &s,
                      const TTextMeasurer &m);
// The alignment choice of the fitted drawings: haBoth is drawn left-aligned.
TPlacedLine PlaceFittedLine(const QString &line, int length, const TTextLayoutSettings &s,
                            const TTextMeasurer &m);

// The lines of plain drawing inside p: where each line starts and its characters.
struct TLinePlacement {
    QPoint origin;
    TPlacedLine chars;
};
std::vector<TLinePlacement> LayoutLines(const QString &prepared, const TPixelRect &p,
                                        const TTextLayoutSettings &s, const TTextMeasurer &m);

// Height of a line for LayoutRows: the height of "あ", corrected at 90° and 270°.
int LineHeight(const TTextLayoutSettings &s, const TTextMeasurer &m);
// The text extent; at 90° and 270° on a canvas whose resolutions differ, both
// values are corrected for the other axis.
QSize TextSize(const QString &text, const TTextLayoutSettings &s, const TTextMeasurer &m);

// Condensing: starting at cell width `start` (0 = natural), narrows the cell
// one pixel at a time while the line is wider than `length` and the cell is
// above 1; lineWidthAt sets the cell width and measures. Returns the cell
// width last set.
int FitCellWidth(int start, int length, const std::function<int(int)> &lineWidthAt);
// Reducing: the largest height, at most `current` and not below 1, at which
// the line fits in `length`; a line that fits keeps `current`.
int FitHeight(int current, int length, const std::function<int(int)> &lineWidthAt);

} // namespace vellora
