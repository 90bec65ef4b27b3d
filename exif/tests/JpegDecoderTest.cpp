#include "exif/JpegDecoder.h"
#include "exif/JpegEncoder.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

using namespace vellora;

namespace {

// A left half of pure red and a right half of pure blue, 64 × 32 pixels.
QByteArray redBlue()
{
    jpeg::Pixels pixels;
    pixels.width = 64;
    pixels.height = 32;
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            pixels.data.append(x < 32 ? QByteArray("\xFF\x00\x00", 3) : QByteArray("\x00\x00\xFF", 3));
    return jpeg::Encode(pixels, 95);
}

struct Rgb {
    int r, g, b;
};

Rgb pixelAt(const jpeg::Pixels &p, int x, int y)
{
    const auto *at = reinterpret_cast<const std::uint8_t *>(p.data.constData())
                     + (std::size_t(y) * std::size_t(p.width) + std::size_t(x)) * std::size_t(jpeg::BytesPerPixel(p.layout));
    switch (p.layout) {
    case jpeg::PixelLayout::Rgb: return {at[0], at[1], at[2]};
    case jpeg::PixelLayout::Bgrx: EXPECT_EQ(at[3], 0xFF); return {at[2], at[1], at[0]};
    case jpeg::PixelLayout::Xrgb: EXPECT_EQ(at[0], 0xFF); return {at[1], at[2], at[3]};
    }
    return {};
}

} // namespace

TEST(JpegDecoder, EveryLayoutAndReductionKeepsColoursInPlace)
{
    const QByteArray data = redBlue();
    jpeg::JpegSize full;
    ASSERT_TRUE(jpeg::ProbeSize(data, full));
    EXPECT_EQ(full.width, 64);
    EXPECT_EQ(full.height, 32);
    for (const jpeg::PixelLayout layout : {jpeg::PixelLayout::Rgb, jpeg::PixelLayout::Bgrx, jpeg::PixelLayout::Xrgb}) {
        for (const int reduction : {1, 2, 4, 8}) {
            SCOPED_TRACE(testing::Message() << "layout " << int(layout) << " 1/" << reduction);
            jpeg::DecodeOptions options;
            options.layout = layout;
            options.reduction = reduction;
            const jpeg::Pixels p = jpeg::Decode(data, options);
            ASSERT_EQ(p.width, 64 / reduction);
            ASSERT_EQ(p.height, 32 / reduction);
            ASSERT_EQ(p.data.size(), qsizetype(p.width) * p.height * jpeg::BytesPerPixel(layout));
            const Rgb left = pixelAt(p, 0, p.height / 2);
            const Rgb right = pixelAt(p, p.width - 1, p.height / 2);
            EXPECT_GT(left.r, 230);
            EXPECT_LT(left.b, 25);
            EXPECT_LT(right.r, 25);
            EXPECT_GT(right.b, 230);
            EXPECT_TRUE(p.warning.isEmpty());
        }
    }
}

TEST(JpegDecoder, CmykDecodesToRgbInEveryLayout)
{
    // Adobe CMYK, 16 × 12: red at the top left, blue at the bottom right.
    const QByteArray data = test::readFile(test::testDataPath(QStringLiteral("images/halves-cmyk.jpg")));
    ASSERT_FALSE(data.isEmpty());
    for (const jpeg::PixelLayout layout : {jpeg::PixelLayout::Rgb, jpeg::PixelLayout::Bgrx, jpeg::PixelLayout::Xrgb}) {
        jpeg::DecodeOptions options;
        options.layout = layout;
        const jpeg::Pixels p = jpeg::Decode(data, options);
        ASSERT_EQ(p.width, 16);
        const Rgb red = pixelAt(p, 1, 1), blue = pixelAt(p, 14, 10);
        EXPECT_TRUE(red.r > 230 && red.g < 25 && red.b < 25) << int(layout);
        EXPECT_TRUE(blue.r < 25 && blue.g < 25 && blue.b > 230) << int(layout);
    }
}

TEST(JpegDecoder, ReductionIsTheLargestThatStillCoversTheMinimum)
{
    struct Case {
        int width, height, minWidth, minHeight, expected;
    } cases[] = {
        {4000, 3000, 160, 120, 8},   {4000, 3000, 1240, 1754, 1}, {4000, 3000, 1754, 1240, 2},
        {4000, 3000, 1000, 750, 4},  {4000, 3000, 1001, 750, 2},  {4001, 3001, 501, 376, 8},
        {10, 10, 20, 20, 1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(jpeg::ReductionFor({c.width, c.height}, c.minWidth, c.minHeight), c.expected)
            << c.width << "x" << c.height << " min " << c.minWidth << "x" << c.minHeight;
}

TEST(JpegDecoder, BoundsAndDamage)
{
    const QByteArray data = redBlue();
    jpeg::JpegSize size;
    EXPECT_FALSE(jpeg::ProbeSize(QByteArray(), size));
    EXPECT_FALSE(jpeg::ProbeSize(data.left(20), size));
    EXPECT_FALSE(jpeg::ProbeSize(QByteArray("GIF89a not a jpeg"), size));

    jpeg::DecodeOptions options;
    EXPECT_THROW(jpeg::Decode(QByteArray(), options), jpeg::JpegError);
    EXPECT_THROW(jpeg::Decode(QByteArray("GIF89a not a jpeg"), options), jpeg::JpegError);
    options.reduction = 3;
    EXPECT_THROW(jpeg::Decode(data, options), jpeg::JpegError);

    // The pixel limit applies to the decoded size, so a reduction lets a
    // large image through.
    options = {};
    options.maxPixels = 64 * 32 - 1;
    EXPECT_THROW(jpeg::Decode(data, options), jpeg::JpegError);
    options.reduction = 2;
    EXPECT_EQ(jpeg::Decode(data, options).width, 32);

    // Cut inside the scan: a warning and the rows that were there.
    const jpeg::Pixels cut = jpeg::Decode(data.left(data.size() - 40), {});
    EXPECT_EQ(cut.width, 64);
    EXPECT_FALSE(cut.warning.isEmpty());

    EXPECT_THROW(jpeg::Encode(jpeg::Pixels{QByteArray(10, 'x'), 4, 4, jpeg::PixelLayout::Rgb, {}}, 90), jpeg::JpegError);
}
