#include "graphics/TextLayout.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vellora;

namespace {

// Every character 10 pixels wide and every string 20 pixels high.
class FixedMeasurer final : public TTextMeasurer {
public:
    int textWidth(const QString &s) const override
    {
        return 10 * static_cast<int>(SplitChars(s).size());
    }
    int textHeight(const QString &) const override { return height; }
    int height = 20;
};

// Soft breaks shown as '|' so that expectations stay readable.
QString visible(const QString &prepared)
{
    QString s = prepared;
    s.replace(QChar(kSoftBreak), QLatin1Char('|'));
    return s;
}

std::vector<int> offsets(const TPlacedLine &line)
{
    std::vector<int> out;
    for (const TPlacedChar &c : line)
        out.push_back(c.offset);
    return out;
}

QString chars(const TPlacedLine &line)
{
    QString out;
    for (const TPlacedChar &c : line)
        out += c.ch;
    return out;
}

} // namespace

TEST(TextLayout, SplitReturnsCutsOnlyAtPairs)
{
    struct Case {
        QString text;
        QString prepared;
        int count;
        int drawnLines;
    };
    const Case cases[] = {
        {"a\r\nb\r\n", "a\rb", 2, 2},         // a final pair makes no extra line
        {"\r\nab", "\rab", 2, 2},             // leading pair: empty first line
        {"a\rb", "a\rb", 1, 2},               // lone CR: one line to size, two to draw
        {"a\nb", "a\nb", 1, 1},               // lone LF stays in its line
        {"a\r\n\r\nb", "a\r\rb", 3, 3},
        {"", "", 0, 1},
    };
    for (const Case &c : cases) {
        const TPreparedText p = SplitReturns(c.text);
        EXPECT_EQ(p.text, c.prepared) << c.text.toStdString();
        EXPECT_EQ(p.lineCount, c.count) << c.text.toStdString();
        EXPECT_EQ(static_cast<int>(DrawnLines(p.text, true).size()), c.drawnLines)
            << c.text.toStdString();
    }
}

TEST(TextLayout, SplitNoneRemovesPairsAlsoThoseFormedByRemoval)
{
    EXPECT_EQ(SplitNone("a\r\nb").text, "ab");
    EXPECT_EQ(SplitNone("a\r\r\n\nb").text, "ab");
    EXPECT_EQ(SplitNone("a\rb").text, "a\rb");
    EXPECT_EQ(SplitNone("a\r\r\nb").lineCount, 1);
}

TEST(TextLayout, WrapLinesBreaksByWidthAndRules)
{
    struct Case {
        const char *name;
        QString text;
        int length;
        bool wordWrap;
        bool wideWordWrap;
        QString expected;
        int count;
    };
    const Case cases[] = {
        // The running width must stay strictly below the length.
        {"exact five", "abcdefghij", 50, false, false, "abcd|efgh|ij", 3},
        {"narrower than a character", "あいう", 5, false, false, "あ|い|う", 3},
        {"zero length", "ab", 0, false, false, "a|b", 2},
        {"rules off keep head-prohibited", "あいうえお。", 55, false, false, "あいうえお|。", 2},
        {"full stop moves with the character before it", "あいうえお。", 55, false, true,
         "あいうえ|お。", 2},
        {"opening bracket does not end a line", "あいう「えお", 45, false, true,
         "あいう|「えお", 2},
        {"word moves to the next line", "abc defghij", 75, true, false, "abc |defghij", 2},
        {"word longer than the line breaks inside", "abcdefghijkl", 75, true, false,
         "abcdefg|hijkl", 2},
        {"word starting near the line start stays", "a bcdefghij", 75, true, false,
         "a bcdef|ghij", 2},
        {"a comma inside a number keeps it whole", "abcd 1,234", 75, true, false,
         "abcd |1,234", 2},
        {"hard breaks reset the width", "abc\rdefg", 45, false, false, "abc\rdefg", 2},
        {"hard break then wrap", "ab\rabcdef", 45, false, false, "ab\rabcd|ef", 3},
        {"forced character before a hard break", "abc\rd", 10, false, false, "a|b|c\rd", 4},
    };
    const FixedMeasurer m;
    for (const Case &c : cases) {
        TTextLayoutSettings s;
        s.wrapOptions.SetWordWrap(c.wordWrap);
        s.wrapOptions.SetWideWordWrap(c.wideWordWrap);
        const TPreparedText p = WrapLines(c.text, c.length, s, m);
        EXPECT_EQ(visible(p.text), c.expected) << c.name;
        EXPECT_EQ(p.lineCount, c.count) << c.name;
    }
}

TEST(TextLayout, WrapLinesAdvancesByPitchOrWidthPlusSpace)
{
    const FixedMeasurer m;
    TTextLayoutSettings s;
    s.colStyle = TTextPitchStyle::psPitch;
    s.colPitch = 20;
    EXPECT_EQ(visible(WrapLines("abcdef", 70, s, m).text), "abc|def");

    // Centred text keeps the pitch; spread text measures and adds the space.
    s.horzAlignment = THorzAlignment::haEven;
    s.colSpace = 5;
    EXPECT_EQ(visible(WrapLines("abcdef", 70, s, m).text), "abcd|ef");

    s.horzAlignment = THorzAlignment::haLeft;
    s.colStyle = TTextPitchStyle::psSpace;
    EXPECT_EQ(visible(WrapLines("abcdef", 70, s, m).text), "abcd|ef");
}

TEST(TextLayout, SurrogatePairsStayTogether)
{
    const QString pair = QString::fromUcs4(U"𠮷");
    const FixedMeasurer m;
    TTextLayoutSettings s;
    const TPreparedText p = WrapLines(pair + pair + pair, 25, s, m);
    EXPECT_EQ(p.text, pair + pair + QChar(kSoftBreak) + pair);
}

TEST(TextLayout, LayoutRowsPlacesLinesAcross)
{
    struct Case {
        const char *name;
        TVertAlignment align;
        TTextPitchStyle style;
        int rowPitch;
        int rowSpace;
        int lines;
        int across;
        TRowLayout expected;
    };
    const Case cases[] = {
        {"even, one line is centred", TVertAlignment::vaEven, TTextPitchStyle::psSpace, 0, 0, 1, 70,
         {25, 0, 0}},
        {"even, 10 spare over 3 lines", TVertAlignment::vaEven, TTextPitchStyle::psSpace, 0, 0, 3,
         70, {0, 5, 0}},
        {"even with a remainder", TVertAlignment::vaEven, TTextPitchStyle::psSpace, 0, 0, 3, 71,
         {0, 5, 1}},
        {"even ignores the pitch", TVertAlignment::vaEven, TTextPitchStyle::psPitch, 50, 0, 3, 70,
         {0, 5, 0}},
        {"even overfull truncates toward zero", TVertAlignment::vaEven, TTextPitchStyle::psSpace, 0,
         0, 3, 49, {0, -5, -1}},
        {"top with space", TVertAlignment::vaTop, TTextPitchStyle::psSpace, 0, 4, 2, 100,
         {0, 4, 0}},
        {"centre with space", TVertAlignment::vaCenter, TTextPitchStyle::psSpace, 0, 4, 2, 100,
         {28, 4, 0}},
        {"bottom with space", TVertAlignment::vaBottom, TTextPitchStyle::psSpace, 0, 4, 2, 100,
         {56, 4, 0}},
        {"pitch: lines in the middle of their cells", TVertAlignment::vaTop,
         TTextPitchStyle::psPitch, 30, 0, 2, 100, {5, 10, 0}},
        {"pitch, centred", TVertAlignment::vaCenter, TTextPitchStyle::psPitch, 30, 0, 2, 100,
         {25, 10, 0}},
        {"pitch, bottom", TVertAlignment::vaBottom, TTextPitchStyle::psPitch, 30, 0, 2, 100,
         {45, 10, 0}},
    };
    for (const Case &c : cases) {
        TTextLayoutSettings s;
        s.vertAlignment = c.align;
        s.rowStyle = c.style;
        s.rowPitch = c.rowPitch;
        s.rowSpace = c.rowSpace;
        EXPECT_EQ(LayoutRows(c.lines, c.across, 20, s), c.expected) << c.name;
    }
}

TEST(TextLayout, PlaceCharactersAlongTheLine)
{
    struct Case {
        const char *name;
        THorzAlignment align;
        TTextPitchStyle style;
        int colPitch;
        int colSpace;
        QString line;
        int length;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"left", THorzAlignment::haLeft, TTextPitchStyle::psSpace, 0, 0, "ABC", 50, {0, 10, 20}},
        {"centre", THorzAlignment::haCenter, TTextPitchStyle::psSpace, 0, 0, "ABC", 50, {10, 20, 30}},
        {"right with column space", THorzAlignment::haRight, TTextPitchStyle::psSpace, 0, 2, "ABC",
         50, {16, 28, 40}},
        {"left with pitch", THorzAlignment::haLeft, TTextPitchStyle::psPitch, 15, 0, "ABC", 50,
         {0, 15, 30}},
        {"right with pitch", THorzAlignment::haRight, TTextPitchStyle::psPitch, 15, 0, "ABC", 50,
         {5, 20, 35}},
        {"even: 6 spare pixels, 3 after A and after B", THorzAlignment::haEven,
         TTextPitchStyle::psSpace, 0, 0, "ABC", 36, {0, 13, 26}},
        {"even: the remainder goes to the first gaps", THorzAlignment::haEven,
         TTextPitchStyle::psSpace, 0, 0, "ABC", 37, {0, 14, 27}},
        {"even ignores pitch and space", THorzAlignment::haEven, TTextPitchStyle::psPitch, 15, 7,
         "ABC", 36, {0, 13, 26}},
        {"even: one character is centred", THorzAlignment::haEven, TTextPitchStyle::psSpace, 0, 0,
         "A", 36, {13}},
        {"even: nothing to draw", THorzAlignment::haEven, TTextPitchStyle::psSpace, 0, 0, "", 36, {}},
    };
    const FixedMeasurer m;
    for (const Case &c : cases) {
        TTextLayoutSettings s;
        s.horzAlignment = c.align;
        s.colStyle = c.style;
        s.colPitch = c.colPitch;
        s.colSpace = c.colSpace;
        EXPECT_EQ(offsets(PlaceLine({c.line, false}, c.length, s, m)), c.expected) << c.name;
    }
}

TEST(TextLayout, JustifiedLinesSpreadTheSpaces)
{
    const FixedMeasurer m;
    TTextLayoutSettings s;
    s.horzAlignment = THorzAlignment::haBoth;

    const TPlacedLine soft = PlaceLine({"ab cd", true}, 70, s, m);
    EXPECT_EQ(chars(soft), "abcd");
    EXPECT_EQ(offsets(soft), (std::vector<int>{0, 10, 50, 60}));

    // Two spaces share 5 pixels: the first gets the extra one.
    EXPECT_EQ(offsets(PlaceLine({"a b c", true}, 35, s, m)), (std::vector<int>{0, 13, 25}));
    // No space: spread like haEven.
    EXPECT_EQ(offsets(PlaceLine({"abc", true}, 36, s, m)), (std::vector<int>{0, 13, 26}));
    // A line that ended a paragraph is left-aligned, its spaces drawn as characters.
    const TPlacedLine hard = PlaceLine({"ab cd", false}, 70, s, m);
    EXPECT_EQ(chars(hard), "ab cd");
    EXPECT_EQ(offsets(hard), (std::vector<int>{0, 10, 20, 30, 40}));
}

TEST(TextLayout, LayoutLinesJustifiesOnlySoftLinesAndDrawsLoneReturns)
{
    const FixedMeasurer m;
    TTextLayoutSettings s;
    s.horzAlignment = THorzAlignment::haBoth;
    s.wrapStyle = TTextWrapStyle::wsWrap;
    TPixelRect r{0, 0, 65, 200};
    const TPreparedText p = PrepareText("ab cd ef\r\ngh ij", r, s, m);
    ASSERT_EQ(visible(p.text), "ab cd |ef\rgh ij");

    const std::vector<TLinePlacement> lines = LayoutLines(p.text, r, s, m);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(offsets(lines[0].chars), (std::vector<int>{0, 10, 33, 43}));   // soft: justified
    EXPECT_EQ(offsets(lines[1].chars), (std::vector<int>{0, 10}));           // paragraph end
    EXPECT_EQ(offsets(lines[2].chars), (std::vector<int>{0, 10, 20, 30, 40}));
    EXPECT_EQ(lines[1].origin, QPoint(0, 20));
    EXPECT_EQ(lines[2].origin, QPoint(0, 40));

    // A lone CR in unwrapped text still starts a new line.
    s.wrapStyle = TTextWrapStyle::wsNone;
    EXPECT_EQ(LayoutLines(SplitNone("ab\rcd").text, r, s, m).size(), 2u);
}

TEST(TextLayout, LayoutLinesSpreadsEvenRows)
{
    const FixedMeasurer m;
    TTextLayoutSettings s;
    s.vertAlignment = TVertAlignment::vaEven;
    const std::vector<TLinePlacement> lines = LayoutLines("a\rb\rc", {0, 0, 100, 71}, s, m);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].origin, QPoint(0, 0));
    EXPECT_EQ(lines[1].origin, QPoint(0, 26));   // 20 + 5 + the remainder pixel
    EXPECT_EQ(lines[2].origin, QPoint(0, 51));
}

TEST(TextLayout, RotatedTextRunsFromItsCorner)
{
    struct Case {
        TTextAngle angle;
        QPoint firstLine;
        QPoint secondChar;
        QPoint secondLine;
    };
    // P = (10, 20)-(110, 70); "ab" then "c", lines 20 apart (no resolution difference).
    const Case cases[] = {
        {TTextAngle::taNone, {10, 20}, {20, 20}, {10, 40}},
        {TTextAngle::taAngle90, {10, 70}, {10, 60}, {30, 70}},
        {TTextAngle::taAngle180, {110, 70}, {100, 70}, {110, 50}},
        {TTextAngle::taAngle270, {110, 20}, {110, 30}, {90, 20}},
    };
    const FixedMeasurer m;
    for (const Case &c : cases) {
        TTextLayoutSettings s;
        s.angle = c.angle;
        s.resolution = {300, 300};
        const std::vector<TLinePlacement> lines = LayoutLines("ab\rc", {10, 20, 110, 70}, s, m);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].origin, c.firstLine) << static_cast<int>(c.angle);
        QPoint second = lines[0].origin;
        IncCol(second, lines[0].chars[1].offset, c.angle);
        EXPECT_EQ(second, c.secondChar) << static_cast<int>(c.angle);
        // At 90° and 270° the line height carries 2 extra pixels, which a
        // top-aligned block does not show; the advance is the plain height.
        EXPECT_EQ(lines[1].origin, c.secondLine) << static_cast<int>(c.angle);
    }
}

TEST(TextLayout, RotatedLengthsFollowTheResolutions)
{
    FixedMeasurer m;
    m.height = 40;
    TTextLayoutSettings s;
    s.resolution = {300, 600};
    EXPECT_EQ(LineHeight(s, m), 40);
    EXPECT_EQ(TextSize("abcdefghij", s, m), QSize(100, 40));

    for (TTextAngle angle : {TTextAngle::taAngle90, TTextAngle::taAngle270}) {
        s.angle = angle;
        EXPECT_EQ(LineHeight(s, m), 22);   // Round((40 × 300 + 1200) ÷ 600)
        EXPECT_EQ(TextSize("abcdefghij", s, m), QSize(202, 22));
    }
    s.resolution = {300, 300};
    EXPECT_EQ(LineHeight(s, m), 42);
    EXPECT_EQ(TextSize("abcdefghij", s, m), QSize(100, 40));

    EXPECT_EQ(RotatedLength(41, 300, 600), 22);   // 22.5: half to even
    EXPECT_EQ(RotatedLength(43, 300, 600), 24);   // 23.5
}

TEST(TextLayout, AutoSizeGrowsTheRectangleByDirection)
{
    struct Case {
        TTextAngle angle;
        TTextWrapStyle wrap;
        TPixelRect expected;
    };
    // Padding 1/2/3/4 around a 50 × 10 inner rectangle (along × across); the
    // widest line is 100 pixels, two lines are 40 pixels high.
    const Case cases[] = {
        {TTextAngle::taNone, TTextWrapStyle::wsReturnOnly, {0, 0, 104, 46}},
        {TTextAngle::taAngle180, TTextWrapStyle::wsReturnOnly, {-50, -30, 54, 16}},
        {TTextAngle::taAngle90, TTextWrapStyle::wsReturnOnly, {0, -50, 44, 56}},
        {TTextAngle::taAngle270, TTextWrapStyle::wsReturnOnly, {-30, 0, 14, 106}},
        {TTextAngle::taNone, TTextWrapStyle::wsNone, {0, 0, 124, 16}},   // pairs removed: 120 wide
    };
    const FixedMeasurer m;
    for (const Case &c : cases) {
        TTextLayoutSettings s;
        s.angle = c.angle;
        s.wrapStyle = c.wrap;
        s.autoSize = true;
        s.padding = {1, 2, 3, 4};
        TPixelRect r{0, 0, 54, 16};
        if (c.angle == TTextAngle::taAngle90 || c.angle == TTextAngle::taAngle270)
            r = {0, 0, 14, 56};   // the same 50 × 10 inner size across the text
        PrepareText("abcdefghij\r\nxy", r, s, m);
        EXPECT_EQ(r, c.expected) << static_cast<int>(c.angle) << " " << static_cast<int>(c.wrap);
    }
}

TEST(TextLayout, AutoSizeMeasuresPitchSpaceAndRows)
{
    const FixedMeasurer m;
    TTextLayoutSettings s;
    s.autoSize = true;
    s.wrapStyle = TTextWrapStyle::wsReturnOnly;

    s.colStyle = TTextPitchStyle::psPitch;
    s.colPitch = 30;
    s.rowStyle = TTextPitchStyle::psPitch;
    s.rowPitch = 50;
    TPixelRect r{0, 0, 10, 10};
    PrepareText("abc\r\nd", r, s, m);
    EXPECT_EQ(r, (TPixelRect{0, 0, 90, 100}));

    s.colStyle = TTextPitchStyle::psSpace;
    s.colSpace = 5;
    s.rowStyle = TTextPitchStyle::psSpace;
    s.rowSpace = 7;
    r = {0, 0, 10, 10};
    PrepareText("abc\r\nd", r, s, m);
    EXPECT_EQ(r, (TPixelRect{0, 0, 40, 47}));

    // Spread rows take no row space; wrapping never widens.
    s.vertAlignment = TVertAlignment::vaEven;
    s.wrapStyle = TTextWrapStyle::wsWrap;
    r = {0, 0, 10, 10};
    PrepareText("abc\r\nd", r, s, m);
    EXPECT_EQ(r, (TPixelRect{0, 0, 10, 80}));   // four one-character lines
}

TEST(TextLayout, FitHeightNeverEnlargesAndFindsTheLargestFit)
{
    // A 10-character line 5 pixels wide per unit of height.
    int calls = 0;
    auto width = [&](int h) {
        ++calls;
        return 50 * h;
    };
    EXPECT_EQ(FitHeight(20, 1000, width), 20);
    EXPECT_EQ(FitHeight(20, 5000, width), 20);
    EXPECT_EQ(FitHeight(20, 999, width), 19);
    EXPECT_EQ(FitHeight(20, 449, width), 8);
    EXPECT_EQ(FitHeight(20, 10, width), 1);
    EXPECT_GT(calls, 0);
}

TEST(TextLayout, FitCellWidthNarrowsUntilTheLineFits)
{
    std::vector<int> tried;
    auto width = [&](int cell) {
        tried.push_back(cell);
        return cell == 0 ? 200 : 10 * cell;
    };
    EXPECT_EQ(FitCellWidth(0, 100, width), 0);   // natural: measured once
    EXPECT_EQ(tried, (std::vector<int>{0}));

    tried.clear();
    EXPECT_EQ(FitCellWidth(12, 100, width), 10);
    EXPECT_EQ(tried, (std::vector<int>{12, 11, 10}));

    tried.clear();
    EXPECT_EQ(FitCellWidth(4, 5, width), 2);   // stops at a cell of 2
    EXPECT_EQ(tried, (std::vector<int>{4, 3, 2}));
}
