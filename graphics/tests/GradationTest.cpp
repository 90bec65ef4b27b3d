#include "graphics/Gradation.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace vellora;

namespace {

TColor rgb(int r, int g, int b) { return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16); }

QImage canvasImage(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    return image;
}

} // namespace

TEST(Gradation, BandColoursRoundTheStepProductHalfToEven)
{
    const struct {
        TColor c0, c1;
        std::int64_t i, n;
        TColor expected;
    } cases[] = {
        {rgb(0, 0, 0), rgb(5, 0, 0), 2, 4, rgb(2, 0, 0)},          // 2.5 → 2
        {rgb(0, 0, 0), rgb(3, 0, 0), 1, 2, rgb(2, 0, 0)},          // 1.5 → 2
        {rgb(0, 0, 0), rgb(0, 0, 7), 1, 2, rgb(0, 0, 4)},          // 3.5 → 4
        {rgb(10, 10, 10), rgb(0, 5, 20), 1, 2, rgb(5, 8, 15)},     // −5, −2.5 → −2, +5
        {rgb(0, 0, 0), rgb(255, 255, 255), 2, 3, rgb(170, 170, 170)},  // never reaches the end colour
        {rgb(9, 9, 9), rgb(200, 0, 0), 0, 0, rgb(9, 9, 9)},        // no band: step 0
    };
    for (const auto &c : cases)
        EXPECT_EQ(TDrawGradation::BandColor(c.c0, c.c1, c.i, c.n), c.expected)
            << std::hex << c.c0 << " → " << c.c1 << " i=" << std::dec << c.i << " n=" << c.n;
}

TEST(Gradation, TwoColoursPaintOneLinePerColumnOrRowIncludingRightAndBottom)
{
    TDrawGradation g;
    g.SetStartColor(rgb(0, 0, 0));
    g.SetEndColor(rgb(4, 40, 0));

    QImage image = canvasImage(8, 6);
    {
        QPainter p(&image);
        g.Draw(p, 1, 1, 4, 3);  // 4 columns, 3 rows
    }
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 6; ++y) {
            const bool inside = x >= 1 && x <= 4 && y >= 1 && y <= 3;
            const QRgb expected = inside ? qRgb(x - 1, 10 * (x - 1), 0) : QColor(Qt::magenta).rgb();
            EXPECT_EQ(image.pixel(x, y), expected) << x << "," << y;
        }

    g.SetDirection(TGradientDirection::gdVertical);
    image = canvasImage(8, 6);
    {
        QPainter p(&image);
        g.Draw(p, TPixelRect{0, 0, 2, 4});  // 5 rows: step 0.8 and 8
    }
    const int reds[5] = {0, 1, 2, 2, 3};      // 0.8 → 1, 1.6 → 2, 2.4 → 2, 3.2 → 3
    for (int y = 0; y < 5; ++y) {
        EXPECT_EQ(image.pixel(2, y), qRgb(reds[y], 8 * y, 0)) << y;
        EXPECT_EQ(image.pixel(3, y), QColor(Qt::magenta).rgb());
    }
    EXPECT_EQ(image.pixel(0, 5), QColor(Qt::magenta).rgb());
}

TEST(Gradation, ThreeColoursMeetAtTheMiddleLineWhichTheSecondBandPaints)
{
    TDrawGradation g;
    g.SetMode(TGradientMode::gmThree);
    g.SetStartColor(rgb(0, 0, 0));
    g.SetMidiumColor(rgb(100, 0, 0));
    g.SetEndColor(rgb(100, 0, 200));
    QImage image = canvasImage(10, 1);
    {
        QPainter p(&image);
        g.Draw(p, 0, 0, 9, 0);  // split at 0 + 10 div 2 = 5; bands 0..5 and 5..9
    }
    // First band: 6 columns, step 100/6; second: 5 columns, step 40 of blue.
    const int red[5] = {0, 17, 33, 50, 67};
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(image.pixel(x, 0), qRgb(red[x], 0, 0)) << x;
    for (int x = 5; x < 10; ++x)
        EXPECT_EQ(image.pixel(x, 0), qRgb(100, 0, 40 * (x - 5))) << x;
}

TEST(Gradation, AnEmptyOrReversedRectanglePaintsNothing)
{
    TDrawGradation g;
    QImage image = canvasImage(4, 4);
    QImage before = image;
    {
        QPainter p(&image);
        g.Draw(p, 3, 0, 1, 3);
        g.SetDirection(TGradientDirection::gdVertical);
        g.Draw(p, 0, 3, 3, 1);
    }
    EXPECT_EQ(image, before);
}
