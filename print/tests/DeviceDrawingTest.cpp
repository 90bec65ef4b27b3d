// The printer's drawing and text operations: the layout rules with a fake
// measurer, and shapes and texts drawn into a fake printer's job pages.
#include "print/DevicePrint.h"
#include "print/MemoryService.h"
#include "print/TextBox.h"
#include "testsupport/TestSupport.h"

#include <QImage>
#include <QRawFont>
#include <gtest/gtest.h>

using namespace vellora;
using namespace vellora::test;

namespace {

constexpr TTextAngle kAngles[] = {TTextAngle::taNone, TTextAngle::taAngle90, TTextAngle::taAngle180,
                                  TTextAngle::taAngle270};

// Every character is 10 units wide, except 'i' (0) and 'W' (5).
class FakeMeasurer : public TTextMeasurer {
public:
    int textWidth(const QString &s) const override
    {
        int w = 0;
        for (const QString &ch : SplitChars(s))
            w += ch == QLatin1String("i") ? 0 : ch == QLatin1String("W") ? 5 : 10;
        return w;
    }
    int textHeight(const QString &) const override { return 12; }
};

} // namespace

TEST(TextBox, OriginInRectForEveryAngleAndAlignment)
{
    // Rectangle 100 x 50 at (10, 20); a line 30 long and 10 high.
    const TEdgeRect r{10, 20, 110, 70};
    using H = THorzAlignment;
    using V = TVertAlignment;
    const H aligns[] = {H::haLeft, H::haCenter, H::haRight};
    const V layouts[] = {V::vaTop, V::vaCenter, V::vaBottom};
    // [angle][align][layout] -> (x, y)
    const QPoint expected[4][3][3] = {
        {{{10, 20}, {10, 40}, {10, 60}}, {{45, 20}, {45, 40}, {45, 60}}, {{80, 20}, {80, 40}, {80, 60}}},
        {{{10, 70}, {55, 70}, {100, 70}}, {{10, 60}, {55, 60}, {100, 60}}, {{10, 50}, {55, 50}, {100, 50}}},
        {{{110, 70}, {110, 50}, {110, 30}}, {{75, 70}, {75, 50}, {75, 30}}, {{40, 70}, {40, 50}, {40, 30}}},
        {{{110, 20}, {65, 20}, {20, 20}}, {{110, 30}, {65, 30}, {20, 30}}, {{110, 40}, {65, 40}, {20, 40}}},
    };
    for (int a = 0; a < 4; ++a)
        for (int h = 0; h < 3; ++h)
            for (int v = 0; v < 3; ++v)
                EXPECT_EQ(TextOriginInRect(r, kAngles[a], aligns[h], layouts[v], 30, 10), expected[a][h][v])
                    << "angle " << a * 90 << " align " << h << " layout " << v;
    // Halving truncates toward zero, also for a text longer than the rectangle.
    EXPECT_EQ(TextOriginInRect(r, TTextAngle::taNone, H::haCenter, V::vaCenter, 131, 11), QPoint(10 - 15, 20 + 19));
}

TEST(TextBox, PitchAndAlignedPoints)
{
    const QPoint third[] = {{40, 100}, {20, 80}, {0, 100}, {20, 120}};
    for (int a = 0; a < 4; ++a)
        EXPECT_EQ(PitchPosition(20, 100, 2, 10, kAngles[a]), third[a]) << a;
    EXPECT_EQ(AlignedTextPoint(100, 100, 31, 11, THorzAlignment::haCenter, TVertAlignment::vaCenter), QPoint(85, 95));
    EXPECT_EQ(AlignedTextPoint(100, 100, 31, 11, THorzAlignment::haRight, TVertAlignment::vaBottom), QPoint(69, 89));
    EXPECT_EQ(EvenGaps(4, 100, 70), (std::vector<int>{10, 10, 10}));
    EXPECT_EQ(EvenGaps(4, 100, 68), (std::vector<int>{11, 11, 10}));
    EXPECT_TRUE(EvenGaps(1, 100, 10).empty());
}

TEST(TextBox, WrapTextLines)
{
    struct Case {
        const char *name;
        QString text;
        int length;
        TTextDrawOptions options;
        QStringList lines;
    };
    const TTextDrawOptions plain, word{false, true, false}, wide{false, false, true};
    const Case cases[] = {
        {"fitting prefix", QStringLiteral("abcdef"), 35, plain, {"abc", "def"}},
        {"exact fit stays", QStringLiteral("abcdef"), 30, plain, {"abc", "def"}},
        {"CR LF ends a line, none after the last", QStringLiteral("ab\r\ncd\r\n"), 100, plain, {"ab", "cd"}},
        {"lone CR in the middle", QStringLiteral("ab\rcd"), 100, plain, {"ab", "cd"}},
        {"no room for one character", QStringLiteral("abc"), 5, plain, {"a", "b", "c"}},
        {"word wrap keeps digits together", QStringLiteral("abc123456"), 50, word, {"abc", "123", "456"}},
        {"a full stop may not begin a line", QStringLiteral("あいう。えお"), 30, wide, {"あい", "う。え", "お"}},
        {"an opening bracket may not end a line", QStringLiteral("あい「うえお"), 30, wide, {"あい", "「うえ", "お"}},
        {"narrow text guesses without dividing by zero", QStringLiteral("iiiiiiiiiW"), 3, plain, {"iiiiiiiii", "W"}},
        {"surrogate pairs stay whole", QStringLiteral("😀😀😀"), 25, plain, {"😀😀", "😀"}},
    };
    const FakeMeasurer m;
    for (const Case &c : cases)
        EXPECT_EQ(WrapTextLines(c.text, c.length, c.options, m), c.lines) << c.name;
}

namespace {

// A fake 72-dpi printer whose job pages are the whole sheet: pixel (x, y) of a
// page is the sheet point (x, y) in device units.
class DeviceDrawing : public ::testing::Test {
protected:
    void SetUp() override
    {
        system = std::make_shared<TFakeSystem>();
        system->devices.push_back(TMemoryService::StandardDevice(QStringLiteral("Fake")));
        print = std::make_unique<TDevicePrint>(std::make_unique<TJwPrinter>(std::make_unique<TMemoryService>(system)));
    }
    void begin()
    {
        QFont font(testFontFamily());
        font.setPixelSize(20);
        print->SetFont(font);
        print->SetPen(QPen(Qt::black, 0));
        print->SetBrush(QBrush(Qt::red));
        print->BeginPrint();
    }
    QImage end()
    {
        print->EndPrint();
        return system->jobs.back().pages.at(0);
    }
    // The bounding box of non-white pixels inside `within`.
    static QRect ink(const QImage &page, const QRect &within)
    {
        QRect box;
        for (int y = within.top(); y <= within.bottom(); ++y)
            for (int x = within.left(); x <= within.right(); ++x)
                if (page.pixel(x, y) != qRgb(255, 255, 255))
                    box |= QRect(x, y, 1, 1);
        return box;
    }
    static bool red(QRgb p) { return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60; }
    static bool black(QRgb p) { return qRed(p) < 60 && qGreen(p) < 60 && qBlue(p) < 60; }

    std::shared_ptr<TFakeSystem> system;
    std::unique_ptr<TDevicePrint> print;
};

} // namespace

TEST_F(DeviceDrawing, ShapesLeaveOutTheirRightAndBottomEdgesAndFollowTheOffset)
{
    for (int adjust : {0, 7}) {
        print->SetAdjustLeft(adjust);
        print->SetAdjustTop(adjust);
        begin();
        print->Rectangle(10, 10, 20, 20);
        print->FillRect(30, 10, 40, 20);
        print->FrameRect(50, 10, 60, 20);
        print->MoveTo(70, 10);
        print->LineTo(80, 10);
        print->Ellipse(100, 100, 10);
        const QImage page = end();
        const int d = adjust;
        EXPECT_EQ(ink(page, QRect(0 + d, 0 + d, 25, 25)), QRect(10 + d, 10 + d, 10, 10)) << adjust;
        EXPECT_TRUE(red(page.pixel(15 + d, 15 + d))) << "the rectangle is filled with the brush";
        EXPECT_TRUE(black(page.pixel(10 + d, 15 + d)));
        EXPECT_EQ(ink(page, QRect(25 + d, 0 + d, 20, 25)), QRect(30 + d, 10 + d, 10, 10));
        EXPECT_TRUE(red(page.pixel(39 + d, 19 + d)));
        // FrameRect paints one unit with the brush and leaves the inside.
        EXPECT_EQ(ink(page, QRect(45 + d, 0 + d, 20, 25)), QRect(50 + d, 10 + d, 10, 10));
        EXPECT_TRUE(red(page.pixel(50 + d, 15 + d)));
        EXPECT_TRUE(red(page.pixel(59 + d, 19 + d)));
        EXPECT_EQ(page.pixel(55 + d, 15 + d), qRgb(255, 255, 255));
        // The line stops before its end point.
        EXPECT_EQ(ink(page, QRect(65 + d, 5 + d, 20, 10)), QRect(70 + d, 10 + d, 10, 1));
        EXPECT_EQ(ink(page, QRect(85 + d, 85 + d, 30, 30)), QRect(90 + d, 90 + d, 20, 20));
    }
}

TEST_F(DeviceDrawing, MillimetresUseEachAxisResolution)
{
    system->devices[0].lists.resolutions = {{72, 72}, {600, 300}};
    ASSERT_TRUE(print->TrySetPaperSize(43));   // a postcard keeps the pages small
    ASSERT_TRUE(print->TrySetQuality(600, 600, 300));
    print->ApplySettings();
    ASSERT_EQ(print->DPI(), (TSize{600, 300}));
    begin();
    print->FillRectMM(10, 10, 20, 15);
    print->MMMoveTo(10, 20);
    print->MMLineTo(20, 20);
    EXPECT_NEAR(print->TextWidthMM(QStringLiteral("W")) * 600 / 25.4, print->TextWidth(QStringLiteral("W")), 0.5);
    EXPECT_NEAR(print->TextHeightMM(QStringLiteral("W")) * 300 / 25.4, print->TextHeight(QStringLiteral("W")), 0.5);
    const QImage page = end();
    EXPECT_EQ(ink(page, QRect(0, 0, 600, 200)), QRect(QPoint(236, 118), QPoint(472 - 1, 177 - 1)));
    EXPECT_EQ(ink(page, QRect(0, 200, 600, 100)), QRect(236, 236, 472 - 236, 1));
}

TEST_F(DeviceDrawing, TextPointIsTheCellCornerAndAnglesTurnCounterClockwise)
{
    begin();
    const QPoint at[] = {{60, 60}, {200, 100}, {340, 100}, {420, 40}};
    for (int a = 0; a < 4; ++a)
        print->TextOutA(at[a].x(), at[a].y(), kAngles[a], QStringLiteral("Ay"));
    const int h = print->TextHeight(QStringLiteral("Ay"));
    const int w = print->TextWidth(QStringLiteral("Ay"));
    const QImage page = end();
    page.save(scratchDir(QStringLiteral("device-drawing")) + QStringLiteral("/rotated-text.png"));
    const QRect cells[] = {
        QRect(at[0].x(), at[0].y(), w, h),                     // right and down
        QRect(at[1].x(), at[1].y() - w, h, w),                 // up, cell to the right
        QRect(at[2].x() - w, at[2].y() - h, w, h),             // left, cell above
        QRect(at[3].x() - h, at[3].y(), h, w),                 // down, cell to the left
    };
    for (int a = 0; a < 4; ++a) {
        const QRect found = ink(page, cells[a].adjusted(-30, -30, 30, 30));
        ASSERT_FALSE(found.isEmpty()) << a;
        EXPECT_TRUE(cells[a].adjusted(-1, -1, 1, 1).contains(found)) << a;
    }
    // A rotated font's height is a cell height: em x (ascent + descent) / unitsPerEm.
    QFont font(testFontFamily());
    font.setPixelSize(100);
    const QRawFont raw = QRawFont::fromFont(font);
    const double ratio = raw.pixelSize() / (raw.ascent() + raw.descent());
    const QRect flat = ink(page, cells[0].adjusted(-30, -30, 30, 30));
    const QRect turned = ink(page, cells[1].adjusted(-30, -30, 30, 30));
    EXPECT_NEAR(turned.width(), flat.height() * ratio, 1.5) << ratio;
    EXPECT_NEAR(turned.height(), flat.width() * ratio, 1.5) << ratio;
}

TEST_F(DeviceDrawing, DrawTextFitsCentresAndWraps)
{
    begin();
    // tfoSize on a text that fits draws it as tfoNone does.
    TEdgeRect fits{20, 20, 220, 60}, plain{20, 80, 220, 120};
    print->DrawText(QStringLiteral("Fit"), fits, THorzAlignment::haLeft, TVertAlignment::vaTop, TTextAngle::taNone, 0,
                    TTextFitOption::tfoSize, {});
    print->DrawText(QStringLiteral("Fit"), plain, THorzAlignment::haLeft, TVertAlignment::vaTop, TTextAngle::taNone, 0,
                    TTextFitOption::tfoNone, {});
    // A text too long shrinks into its rectangle.
    TEdgeRect narrow{20, 140, 80, 180};
    print->DrawText(QStringLiteral("Shrinking"), narrow, THorzAlignment::haLeft, TVertAlignment::vaTop,
                    TTextAngle::taNone, 0, TTextFitOption::tfoSize, {});
    // haEven with one character centres it.
    TEdgeRect even{20, 200, 220, 240};
    print->DrawText(QStringLiteral("M"), even, THorzAlignment::haEven, TVertAlignment::vaTop, TTextAngle::taNone, 0,
                    TTextFitOption::tfoNone, {});
    // A wrapped text grows its rectangle downward to hold every line.
    TEdgeRect wrap{250, 20, 330, 30};
    print->DrawText(QStringLiteral("one two three four"), wrap, THorzAlignment::haLeft, TVertAlignment::vaTop,
                    TTextAngle::taNone, 2, TTextFitOption::tfoWrap, {true, false, false});
    const int lineHeight = print->TextHeight(QStringLiteral("あ"));
    QStringList lines;
    TEdgeRect measured{250, 20, 330, 30};
    const int count = print->WrapText(QStringLiteral("one two three four"), measured, TTextAngle::taNone, 2, {}, lines);
    EXPECT_EQ(count, lines.size());
    const QImage page = end();
    page.save(scratchDir(QStringLiteral("device-drawing")) + QStringLiteral("/draw-text.png"));

    EXPECT_EQ(ink(page, QRect(20, 20, 200, 40)).translated(0, 60), ink(page, QRect(20, 80, 200, 40)));
    const QRect shrunk = ink(page, QRect(0, 130, 300, 60));
    EXPECT_GE(shrunk.left(), 20);
    EXPECT_LE(shrunk.right(), 79);
    const QRect centred = ink(page, QRect(20, 200, 200, 40));
    EXPECT_NEAR(centred.center().x(), 120, 2);
    EXPECT_GE(lines.size(), 2);
    EXPECT_EQ(wrap.Bottom, 20 + static_cast<int>(lines.size()) * (lineHeight + 2) - 2);
    EXPECT_GT(ink(page, QRect(250, 20, 80, wrap.Bottom - 20)).height(), lineHeight);
}

TEST_F(DeviceDrawing, FormattedTextReportsItsRectangleInSheetUnits)
{
    print->SetAdjustLeft(5);
    begin();
    TEdgeRect r{20, 20, 120, 30};
    const int height = print->DrawTextWin(QStringLiteral("several words that wrap"), r, dtWordBreak | dtCalcRect);
    const QImage page = end();
    EXPECT_EQ(r.Left, 20);
    EXPECT_EQ(r.Top, 20);
    EXPECT_EQ(r.Bottom - r.Top, height);
    EXPECT_GT(height, print->TextHeight(QStringLiteral("A")));
    EXPECT_TRUE(ink(page, QRect(0, 0, 200, 100)).isEmpty()) << "dtCalcRect draws nothing";
}
