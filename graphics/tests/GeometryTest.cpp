#include "graphics/Geometry.h"
#include "settings/Stream.h"

#include <gtest/gtest.h>

using namespace vellora;

TEST(Geometry, MMToPixelRoundsHalfUpAndTruncatesTowardZero)
{
    struct Case {
        long double mm;
        double dpi;
        int pixels;
    } const cases[] = {
        {0.5L * 25.4L / 300.0L, 300, 1},   // exactly half a pixel
        {-0.1L, 300, 0},
        {-1.0L, 300, -11},                 // -11.31 truncated toward zero
        {100.0L, 300, 1181},
        {25.4L, 96, 96},
        {0.0L, 600, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MMToPixel(c.mm, c.dpi), c.pixels) << static_cast<double>(c.mm) << " mm at " << c.dpi;
}

TEST(Geometry, ConversionsUseTheirOwnAxis)
{
    const TFloatSize res = FloatSize(300, 600);
    const TPixelRect r = MMRectToPixelRect(FloatRect(25.4L, 25.4L, 50.8L, 50.8L), res);
    EXPECT_EQ(r, (TPixelRect{300, 600, 600, 1200}));
    EXPECT_EQ(MMSizeToPixelSize(FloatSize(25.4L, 25.4L), res), QSize(300, 600));
    EXPECT_EQ(MMPointToPixelPoint(FloatPoint(25.4L, 25.4L), res), QPoint(300, 600));
    const TFloatRect back = PixelRectToMMRect(r, res);
    EXPECT_EQ(back.Right, 600 * 25.4L / 300);
    EXPECT_EQ(PixelPointToMMSize(QPoint(300, 600), res).cy, 600 * 25.4L / 600);
    EXPECT_EQ(PixelToMM(300, 300), 25.4L);
    EXPECT_EQ(MMToPoint(25.4L), 72.0);
    EXPECT_EQ(OffsetFloatRect(FloatRect(1, 2, 3, 4), 10, 20), FloatRect(11, 22, 13, 24));
}

TEST(Geometry, RoundHalfEvenForThePreview)
{
    EXPECT_EQ(RoundHalfEven(0.5L), 0);
    EXPECT_EQ(RoundHalfEven(1.5L), 2);
    EXPECT_EQ(RoundHalfEven(2.5L), 2);
    EXPECT_EQ(RoundHalfEven(-2.5L), -2);
    EXPECT_EQ(RoundHalfEven(2.6L), 3);
}

TEST(Geometry, RectangleRecordIsFortyBytesAndBitIdentical)
{
    const TFloatRect r = FloatRect(1.0L / 3.0L, -107.5L, 200.0000001L, 1e-300L);
    TMemoryStream s;
    WriteFloatRect(s, r);
    WriteFloatSize(s, FloatSize(210, 297));
    ASSERT_EQ(s.Size(), 60);
    s.SetPosition(0);
    const TFloatRect back = ReadFloatRect(s);
    EXPECT_EQ(std::memcmp(&back.Left, &r.Left, 10), 0);
    EXPECT_EQ(back, r);
    EXPECT_EQ(ReadFloatSize(s), FloatSize(210, 297));
    EXPECT_THROW(ReadFloatSize(s), EReadError);
}
