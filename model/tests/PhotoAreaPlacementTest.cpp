#include "model/PhotoPlacement.h"

#include <QImage>
#include <cmath>
#include <limits>
#include <gtest/gtest.h>

using namespace vellora;

TEST(PhotoAreaPlacement, AutoRotationTurnsOnlyAgainstTheCellsOrientation)
{
    struct Case {
        double w, h;
        std::int32_t iw, ih;
        TPhotoRotate rule, expected;
    };
    const Case cases[] = {
        {50, 80, 3000, 2000, TPhotoRotate::prAuto, TPhotoRotate::pr90},    // landscape photo, portrait cell
        {80, 50, 2000, 3000, TPhotoRotate::prAuto, TPhotoRotate::pr90},    // portrait photo, landscape cell
        {80, 50, 3000, 2000, TPhotoRotate::prAuto, TPhotoRotate::prAuto},
        {50, 80, 2000, 3000, TPhotoRotate::prAuto, TPhotoRotate::prAuto},
        {60, 60, 3000, 2000, TPhotoRotate::prAuto, TPhotoRotate::prAuto},  // square cell
        {50, 80, 2000, 2000, TPhotoRotate::prAuto, TPhotoRotate::prAuto},  // square photo
        {50, 80, 0, 0, TPhotoRotate::prAuto, TPhotoRotate::prAuto},        // size not known yet
        {50, 80, 3000, 2000, TPhotoRotate::pr180, TPhotoRotate::pr180},    // fixed rules pass through
        {50, 80, 3000, 2000, TPhotoRotate::prNone, TPhotoRotate::prNone},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " mm, " << c.iw << "x" << c.ih << " px");
        EXPECT_EQ(ResolveAutoRotate(c.rule, c.w, c.h, c.iw, c.ih), c.expected);
    }
}

namespace {

TPlacementInput cell100(std::int32_t pw, std::int32_t ph, TPhotoSize size)
{
    TPlacementInput in;
    in.cellRect = FloatRect(0, 0, 100, 100);   // 1181 px at 300 dpi
    in.resolution = 300;
    in.pictureWidth = pw;
    in.pictureHeight = ph;
    in.photoSize = size;
    return in;
}

} // namespace

TEST(PhotoAreaPlacement, SizeRulesLimitsAlignmentAndBorderGiveTheCellsRectangles)
{
    struct Case {
        const char *name;
        TPlacementInput in;
        std::int32_t photoW, photoH;
        TPixelRect output;
        std::int32_t x, y;
    };
    auto with = [](TPlacementInput in, auto change) { change(in); return in; };
    const Case cases[] = {
        // The whole photo fits: white bands of 197 px above and below.
        {"photo fits", cell100(3000, 2000, TPhotoSize::psPhoto), 1181, 787, {0, 0, 1181, 1181}, 0, 197},
        // The photo covers: 295 px cut on the left, 296 on the right.
        {"paper covers", cell100(3000, 2000, TPhotoSize::psPaper), 1772, 1181, {0, 0, 1181, 1181}, -295, 0},
        // The band is cut from a photo still scaled for 1181 px.
        {"border band", with(cell100(3000, 2000, TPhotoSize::psPaper), [](TPlacementInput &i) {
             i.border = true;
             i.borderWidth = 5;
         }),
         1772, 1181, {59, 59, 1122, 1122}, -354, -59},
        // Protruding 5 mm on every side; a 1-px overhang centres at 0 (div truncates toward zero).
        {"large protrudes", with(cell100(3000, 2000, TPhotoSize::psLarge), [](TPlacementInput &i) {
             i.protrudeWidth = 5;
         }),
         1949, 1299, {-58, -58, 1240, 1240}, -325, 0},
        {"scale, left top", with(cell100(3000, 2000, TPhotoSize::psScale), [](TPlacementInput &i) {
             i.photoScale = 0.5;
             i.horizontalAlign = TPhotoAlign::paLeftTop;
             i.verticalAlign = TPhotoAlign::paLeftTop;
         }),
         1500, 1000, {0, 0, 1181, 1181}, 0, 0},
        {"scale, right bottom", with(cell100(3000, 2000, TPhotoSize::psScale), [](TPlacementInput &i) {
             i.photoScale = 0.5;
             i.horizontalAlign = TPhotoAlign::paRightBottom;
             i.verticalAlign = TPhotoAlign::paRightBottom;
         }),
         1500, 1000, {0, 0, 1181, 1181}, -319, 181},
        // Up-only keeps an enlargement and refuses a reduction.
        {"up only enlarges", with(cell100(500, 400, TPhotoSize::psPhoto), [](TPlacementInput &i) {
             i.scaleLimit = TPhotoLimitMode::plmUpOnly;
         }),
         1181, 945, {0, 0, 1181, 1181}, 0, 118},
        {"up only keeps size", with(cell100(3000, 2000, TPhotoSize::psPhoto), [](TPlacementInput &i) {
             i.scaleLimit = TPhotoLimitMode::plmUpOnly;
         }),
         3000, 2000, {0, 0, 1181, 1181}, -909, -409},
        // Down-only never enlarges.
        {"down only", with(cell100(500, 400, TPhotoSize::psPhoto), [](TPlacementInput &i) {
             i.scaleLimit = TPhotoLimitMode::plmDownOnly;
         }),
         500, 400, {0, 0, 1181, 1181}, 340, 390},
        {"down only reduces", with(cell100(3000, 2000, TPhotoSize::psPhoto), [](TPlacementInput &i) {
             i.scaleLimit = TPhotoLimitMode::plmDownOnly;
         }),
         1181, 787, {0, 0, 1181, 1181}, 0, 197},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const TPhotoPlacement p = ComputePlacement(c.in);
        EXPECT_EQ(p.photoWidth, c.photoW);
        EXPECT_EQ(p.photoHeight, c.photoH);
        EXPECT_EQ(p.output, c.output);
        EXPECT_EQ(p.offsetX, c.x);
        EXPECT_EQ(p.offsetY, c.y);
    }
}

TEST(PhotoAreaPlacement, DamagedScalesGiveAnEmptyOrCappedPhoto)
{
    struct Case {
        double scale;
        std::int32_t expectedWidth;
    };
    const Case cases[] = {
        {std::nan(""), 0},
        {-2.0, 0},
        {0.0, 0},
        {1e300, 1 << 24},
        {std::numeric_limits<double>::infinity(), 1 << 24},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.scale);
        TPlacementInput in = cell100(3000, 2000, TPhotoSize::psScale);
        in.photoScale = c.scale;
        const TPhotoPlacement p = ComputePlacement(in);
        EXPECT_EQ(p.photoWidth, c.expectedWidth);
        EXPECT_EQ(p.output, (TPixelRect{0, 0, 1181, 1181}));
    }
}

TEST(PhotoAreaPlacement, ScaleFactorsFollowTheCellsPixels)
{
    EXPECT_NEAR(ComputePlacement(cell100(3000, 2000, TPhotoSize::psPhoto)).scale, 1181.0 / 3000, 1e-12);
    EXPECT_NEAR(ComputePlacement(cell100(3000, 2000, TPhotoSize::psPaper)).scale, 1181.0 / 2000, 1e-12);
    EXPECT_THROW(ComputePlacement(cell100(0, 0, TPhotoSize::psPhoto)), std::logic_error);
}

namespace {

// 3 × 2 pixels, each with its own colour.
QImage sample(QImage::Format format)
{
    QImage image(3, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            image.setPixel(x, y, qRgb(10 * x, 100 + 50 * y, 7));
    return image.convertToFormat(format);
}

} // namespace

TEST(PhotoAreaPlacement, RotateBitmapMovesEveryPixelByTheTable)
{
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_RGB888, QImage::Format_Indexed8}) {
        SCOPED_TRACE(format);
        const QImage src = sample(format);
        const int W = src.width();
        const int H = src.height();
        const QImage r90 = RotateBitmap(src, 90);
        const QImage r180 = RotateBitmap(src, 180);
        const QImage r270 = RotateBitmap(src, 270);
        ASSERT_EQ(r90.size(), QSize(H, W));
        ASSERT_EQ(r180.size(), QSize(W, H));
        ASSERT_EQ(r270.size(), QSize(H, W));
        EXPECT_EQ(r90.format(), format);
        EXPECT_EQ(r90.colorTable(), src.colorTable());
        for (int y = 0; y < W; ++y)
            for (int x = 0; x < H; ++x) {
                EXPECT_EQ(r90.pixel(x, y), src.pixel(y, H - 1 - x));
                EXPECT_EQ(r270.pixel(x, y), src.pixel(W - 1 - y, x));
            }
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                EXPECT_EQ(r180.pixel(x, y), src.pixel(W - 1 - x, H - 1 - y));
        // Four quarter turns come back to the start.
        EXPECT_EQ(RotateBitmap(RotateBitmap(r90, 90), 180), src);
    }
}

TEST(PhotoAreaPlacement, RotateBitmapKeepsOneBitImages)
{
    QImage mono(9, 3, QImage::Format_Mono);
    mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    mono.fill(0);
    mono.setPixel(8, 0, 1);   // top-right corner
    const QImage turned = RotateBitmap(mono, 90);
    ASSERT_EQ(turned.size(), QSize(3, 9));
    EXPECT_EQ(turned.format(), QImage::Format_Mono);
    // Clockwise, the top-right corner goes to the bottom-right.
    EXPECT_EQ(turned.pixelIndex(2, 8), 1);
    EXPECT_EQ(turned.pixelIndex(0, 0), 0);
}

TEST(PhotoAreaPlacement, DecodeReductionIsTheSmallestThatStillHasTheNeededPixels)
{
    struct Case {
        std::int32_t fw, fh, nw, nh;
        int expected;
    };
    const Case cases[] = {
        {4000, 3000, 1181, 787, 2},    // 1/4 gives only 1000 px across
        {4000, 3000, 1000, 750, 4},
        {4000, 3000, 500, 375, 8},
        {4000, 3000, 4000, 3000, 1},
        {4000, 3000, 6000, 4000, 1},   // enlarged photos decode whole
        {4001, 3001, 1001, 751, 4},    // the decoder rounds its sizes up
        {4000, 3000, 400, 751, 2},     // both sides must have enough
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.fw << "x" << c.fh << " for " << c.nw << "x" << c.nh);
        EXPECT_EQ(ChooseDecodeReduction(c.fw, c.fh, c.nw, c.nh), c.expected);
    }
}

TEST(PhotoAreaPlacement, EffectiveResolutionIsSourcePixelsPerPrintedInch)
{
    // A 3000 × 2000 photo in a 127 × 200 mm cell (5 inches across).
    auto cell127 = [](TPhotoSize size, double dpi = 300) {
        TPlacementInput in;
        in.cellRect = FloatRect(0, 0, 127, 200);
        in.resolution = dpi;
        in.pictureWidth = 3000;
        in.pictureHeight = 2000;
        in.photoSize = size;
        return in;
    };
    struct Case {
        const char *name;
        TPlacementInput in;
        double ppi;
    };
    auto with = [](TPlacementInput in, auto change) { change(in); return in; };
    const Case cases[] = {
        {"fit across 5 in", cell127(TPhotoSize::psPhoto), 600},
        {"fit, another printer resolution", cell127(TPhotoSize::psPhoto, 600), 600},
        // Covers the height: 200 mm = 2362 px for 2000 source pixels.
        {"paper covers", cell127(TPhotoSize::psPaper), 300.0 * 2000 / 2362},
        // Protruding 5 mm each side, covering 137 × 210 mm: the height decides,
        // 2480 px for 2000 source pixels.
        {"large", with(cell127(TPhotoSize::psLarge), [](TPlacementInput &i) { i.protrudeWidth = 5; }),
         300.0 * 2000 / 2480},
        // A fixed scale counts in device pixels.
        {"scale 1/4", with(cell127(TPhotoSize::psScale), [](TPlacementInput &i) { i.photoScale = 0.25; }), 1200},
        {"scale 2", with(cell127(TPhotoSize::psScale), [](TPlacementInput &i) { i.photoScale = 2; }), 150},
        {"scale 2, never enlarged", with(cell127(TPhotoSize::psScale), [](TPlacementInput &i) {
             i.photoScale = 2;
             i.scaleLimit = TPhotoLimitMode::plmDownOnly;
         }),
         300},
        {"scale 0 places nothing", with(cell127(TPhotoSize::psScale), [](TPlacementInput &i) { i.photoScale = 0; }),
         0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(EffectiveResolution(c.in, ComputePlacement(c.in)), c.ppi, 1e-6);
    }
}
