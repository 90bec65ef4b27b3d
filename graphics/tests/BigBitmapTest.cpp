#include "graphics/BigBitmap.h"
#include "graphics/tests/BmpBuilder.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <cstring>
#include <gtest/gtest.h>

using namespace vellora;
using vellora::test::BmpSpec;
using vellora::test::buildBmp;

namespace {

// A picture of blocks×blocks squares of `side` pixels, each its own colour.
QImage blocks(int blocksX, int blocksY, int side)
{
    QImage image(blocksX * side, blocksY * side, QImage::Format_RGB888);
    QPainter p(&image);
    for (int j = 0; j < blocksY; ++j)
        for (int i = 0; i < blocksX; ++i)
            p.fillRect(i * side, j * side, side, side, QColor(20 * i + 10, 20 * j + 10, (i * 7 + j * 13) % 256));
    return image;
}

QImage canvas(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    return image;
}

QImage drawn(TBigBitmap &bitmap, QSize size, TPixelRect rect)
{
    QImage out = canvas(size.width(), size.height());
    QPainter p(&out);
    bitmap.Draw(p, rect);
    return out;
}

bool samePixels(const QImage &a, const QImage &b)
{
    return a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(BigBitmap, SplitsImagesIntoBandsOfAtMost8MiB)
{
    // 6000 × 4000 at 24 bits: stride 18000, 8388608 div 18000 = 466 rows a band.
    BmpSpec s;
    s.width = 6000;
    s.height = 4000;
    s.pixels = QByteArray(18000 * 4000, '\0');
    // Bottom-up rows: image row r is file row 3999 − r. Mark rows 465, 466 and 3999.
    for (int r : {465, 466, 3999})
        s.pixels[(3999 - r) * 18000] = static_cast<char>(r % 251);
    TBigBitmap bitmap;
    bitmap.LoadFromBytes(buildBmp(s));
    ASSERT_EQ(bitmap.BandCount(), 9);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(bitmap.BandHeight(i), 466);
    EXPECT_EQ(bitmap.BandHeight(8), 272);
    EXPECT_EQ(bitmap.Stride(), 18000u);
    for (int r : {465, 466, 3999})
        EXPECT_EQ(bitmap.Scanline(r)[0], r % 251) << r;
    EXPECT_EQ(bitmap.Scanline(464)[0], 0);
}

TEST(BigBitmap, ScanlineAndDrawModeErrors)
{
    TBigBitmap bitmap;
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.PixelFormat(), TBigBitmapPixelFormat::bbpf8bit);
    EXPECT_EQ(bitmap.DrawMode(), TBigBitmapDrawMode::dmUseOriginalDraw);
    EXPECT_TRUE(bitmap.Palette().isEmpty());
    auto message = [&](auto call) {
        try {
            call();
        } catch (const EBigBitmapError &e) {
            return e.message();
        }
        return QStringLiteral("(no error)");
    };
    EXPECT_EQ(message([&] { bitmap.Scanline(0); }), "TBigBitmap.GetScanline: No Bitomaps");
    bitmap.Assign(blocks(2, 2, 3));
    EXPECT_EQ(message([&] { bitmap.Scanline(6); }), "TBigBitmap.GetScanline: Index is out of Range");
    EXPECT_EQ(message([&] { bitmap.Scanline(-1); }), "TBigBitmap.GetScanline: Index is out of Range");
    EXPECT_EQ(message([&] { TBigBitmap::PixelBits(static_cast<TBigBitmapPixelFormat>(7)); }),
              "TBigBitmap.GetPixelBits: Invalid Pixel Format");
    bitmap.SetDrawMode(static_cast<TBigBitmapDrawMode>(5));
    QImage out = canvas(6, 6);
    QPainter p(&out);
    EXPECT_EQ(message([&] { bitmap.Draw(p, {0, 0, 6, 6}); }), "TBigBitmap.Draw: Unknown Mode");
}

TEST(BigBitmap, AFailedLoadKeepsTheOldImage)
{
    TBigBitmap bitmap;
    bitmap.Assign(blocks(2, 1, 4));
    const QImage before = bitmap.ToImage();
    EXPECT_THROW(bitmap.LoadFromBytes(QByteArray("BM-not-a-bitmap")), Error);
    EXPECT_EQ(bitmap.Width(), 8);
    EXPECT_TRUE(samePixels(bitmap.ToImage(), before));
}

TEST(BigBitmap, AssignFromImagesKeepsPixelsAndDepth)
{
    QImage rgb = blocks(6, 3, 7);
    QImage indexed = rgb.convertToFormat(QImage::Format_Indexed8);
    QImage indexed4 = rgb.copy(0, 0, 35, 21).convertToFormat(QImage::Format_Indexed8);  // 15 colours
    QImage mono = rgb.convertToFormat(QImage::Format_Mono);
    QImage argb = rgb.convertToFormat(QImage::Format_ARGB32);
    const struct {
        const char *name;
        QImage image;
        TBigBitmapPixelFormat format;
    } cases[] = {
        {"rgb888", rgb, TBigBitmapPixelFormat::bbpf24bit},
        {"indexed8", indexed, TBigBitmapPixelFormat::bbpf8bit},
        {"indexed, 15 colours", indexed4, TBigBitmapPixelFormat::bbpf4bit},  // Qt writes 4 bits
        {"mono", mono, TBigBitmapPixelFormat::bbpf1bit},
        {"argb32", argb, TBigBitmapPixelFormat::bbpf24bit},
    };
    for (const auto &c : cases) {
        TBigBitmap bitmap;
        bitmap.Assign(c.image);
        EXPECT_EQ(bitmap.PixelFormat(), c.format) << c.name;
        EXPECT_TRUE(samePixels(bitmap.ToImage(), c.image)) << c.name;
    }
    TBigBitmap bitmap;
    bitmap.Assign(rgb);
    bitmap.Assign(QImage());
    EXPECT_TRUE(bitmap.Empty());
}

// RGB32 images skip the BMP round trip; the bands must come out the same,
// padding bytes included: widths with each padding, and the widest rows the
// reader takes, split into bands of 128 rows. One pixel wider fails both ways.
TEST(BigBitmap, AssignFromRgb32GivesTheBandsOfTheBmpRoundTrip)
{
    const QSize sizes[] = {{1, 3}, {2, 2}, {3, 5}, {4, 1}, {5, 4}, {21758, 130}, {21759, 2}};
    std::uint32_t seed = 7;
    for (const QSize size : sizes) {
        QImage image(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y) {
            auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < size.width(); ++x) {
                seed = seed * 1664525u + 1013904223u;
                row[x] = 0xFF000000u | (seed >> 8);
            }
        }
        QByteArray bmp;
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(image.save(&buffer, "BMP"));
        SCOPED_TRACE(testing::Message() << size.width() << " x " << size.height());
        TBigBitmap expected, actual;
        if (size.width() > 21758) {
            EXPECT_THROW(expected.LoadFromBytes(bmp), EBigBitmapError);
            EXPECT_THROW(actual.Assign(image), EBigBitmapError);
            continue;
        }
        expected.LoadFromBytes(bmp);
        actual.SetDrawMode(TBigBitmapDrawMode::dmUseBanding);
        actual.Assign(image);
        EXPECT_EQ(actual.DrawMode(), TBigBitmapDrawMode::dmUseBanding);
        ASSERT_EQ(actual.PixelFormat(), expected.PixelFormat());
        ASSERT_EQ(actual.Width(), expected.Width());
        ASSERT_EQ(actual.Height(), expected.Height());
        ASSERT_EQ(actual.Stride(), expected.Stride());
        EXPECT_TRUE(actual.Palette().isEmpty());
        ASSERT_EQ(actual.BandCount(), expected.BandCount());
        for (int band = 0; band < actual.BandCount(); ++band)
            EXPECT_EQ(actual.BandHeight(band), expected.BandHeight(band)) << "band " << band;
        for (int y = 0; y < actual.Height(); ++y)
            ASSERT_EQ(std::memcmp(actual.Scanline(y), expected.Scanline(y), actual.Stride()), 0) << "row " << y;
    }
}

TEST(BigBitmap, AssignCopiesBandsThatThenChangeIndependently)
{
    TBigBitmap source;
    source.Assign(blocks(2, 2, 2));
    source.SetDrawMode(TBigBitmapDrawMode::dmUseBanding);
    TBigBitmap copy;
    copy.Assign(source);
    EXPECT_EQ(copy.DrawMode(), TBigBitmapDrawMode::dmUseBanding);
    EXPECT_TRUE(samePixels(copy.ToImage(), source.ToImage()));
    copy.Scanline(0)[0] = 0xAB;
    EXPECT_NE(source.Scanline(0)[0], 0xAB);
}

TEST(BigBitmap, BandingPlanFollowsTheReductionRule)
{
    const struct {
        int width, height, a, b;
        bool preview;
        TBandingPlan plan;
    } cases[] = {
        {500, 500, 2100, 2100, false, {4, 4, 256, 256, 3, 3}},      // 525 work pixels: 256 + 256 + 13
        {3000, 2000, 3000, 2000, false, {1, 1, 1024, 1024, 3, 2}},  // own size: copied one to one
        {500, 500, 1000, 1999, false, {2, 2, 512, 512, 1, 2}},
        {500, 500, 999, 999, false, {1, 1, 1024, 1024, 1, 1}},
        {100, 100, 256, 256, false, {2, 1, 512, 1024, 1, 1}},       // B = 256 is still small
        {100, 100, 255, 257, false, {1, 2, 1024, 512, 1, 1}},
        {4000, 4000, 300, 300, true, {4, 4, 256, 256, 1, 1}},       // previews always reduce
        {4000, 4000, 200, 300, true, {1, 4, 1024, 256, 1, 1}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TBigBitmap::PlanBanding(c.width, c.height, c.a, c.b, c.preview), c.plan)
            << c.width << "x" << c.height << " → " << c.a << "x" << c.b;
}

TEST(BigBitmap, BandingAtTheImagesOwnSizeCopiesEveryPixel)
{
    // Larger than one 1024 × 1024 tile in both directions.
    // Odd sizes put tile edges inside the bytes of packed 1- and 4-bit rows.
    const QImage picture = blocks(30, 22, 50).copy(0, 0, 1501, 1101);
    QList<QRgb> sixteen;
    for (int i = 0; i < 16; ++i)
        sixteen.append(qRgb(16 * i, 255 - 16 * i, (40 * i) % 256));
    const struct {
        QImage image;
        TBigBitmapPixelFormat format;
    } cases[] = {
        {picture, TBigBitmapPixelFormat::bbpf24bit},
        {picture.convertToFormat(QImage::Format_Indexed8), TBigBitmapPixelFormat::bbpf8bit},
        {picture.convertToFormat(QImage::Format_Indexed8, sixteen), TBigBitmapPixelFormat::bbpf4bit},
        {picture.convertToFormat(QImage::Format_Mono), TBigBitmapPixelFormat::bbpf1bit},
    };
    for (const auto &c : cases) {
        TBigBitmap bitmap;
        bitmap.Assign(c.image);
        ASSERT_EQ(bitmap.PixelFormat(), c.format);
        bitmap.SetDrawMode(TBigBitmapDrawMode::dmUseBanding);
        const QImage out = drawn(bitmap, {1501, 1101}, {0, 0, 1501, 1101});
        EXPECT_EQ(bitmap.LastTilesDrawn(), 4);
        EXPECT_TRUE(samePixels(out, c.image)) << int(c.format);
    }
}

TEST(BigBitmap, BandingEnlargesByFourAndCoversTheWholeRectangle)
{
    // 500 → 2100: c = d = 4, 525 work pixels per axis; the last block is cut
    // to end at 2100, so the last column and row are painted too.
    const QImage picture = blocks(10, 10, 50);
    TBigBitmap bitmap;
    bitmap.Assign(picture);
    bitmap.SetDrawMode(TBigBitmapDrawMode::dmUseBanding);
    const QImage out = drawn(bitmap, {2110, 2110}, {5, 5, 2105, 2105});
    EXPECT_EQ(bitmap.LastTilesDrawn(), 9);
    for (int j = 0; j < 10; ++j)
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(out.pixel(5 + 210 * i + 105, 5 + 210 * j + 105), picture.pixel(50 * i + 25, 50 * j + 25))
                << i << "," << j;
    EXPECT_EQ(out.pixel(2104, 2104), picture.pixel(499, 499));
    EXPECT_EQ(out.pixel(2105, 2104), QColor(Qt::magenta).rgb());
    EXPECT_EQ(out.pixel(4, 5), QColor(Qt::magenta).rgb());
}

TEST(BigBitmap, RectanglesGivenBackwardsMirrorTheImage)
{
    const QImage picture = blocks(3, 2, 1);  // 3 × 2 pixels
    for (auto mode : {TBigBitmapDrawMode::dmUseOriginalDraw, TBigBitmapDrawMode::dmUseBanding}) {
        TBigBitmap bitmap;
        bitmap.Assign(picture);
        bitmap.SetDrawMode(mode);
        const QImage x = drawn(bitmap, {3, 2}, {3, 0, 0, 2});
        const QImage y = drawn(bitmap, {3, 2}, {0, 2, 3, 0});
        EXPECT_TRUE(samePixels(x, picture.mirrored(true, false))) << int(mode);
        EXPECT_TRUE(samePixels(y, picture.mirrored(false, true))) << int(mode);
    }
}

TEST(BigBitmap, BandingSkipsTilesOutsideTheClipBox)
{
    TBigBitmap bitmap;
    bitmap.Assign(blocks(30, 30, 100));  // 3000 × 3000: 3 × 3 tiles at own size
    bitmap.SetDrawMode(TBigBitmapDrawMode::dmUseBanding);
    QImage out = canvas(3000, 3000);
    {
        QPainter p(&out);
        p.setClipRect(QRect(2100, 50, 10, 10));
        bitmap.Draw(p, {0, 0, 3000, 3000});
    }
    EXPECT_EQ(bitmap.LastTilesDrawn(), 1);
    EXPECT_EQ(out.pixel(2105, 55), bitmap.ToImage().pixel(2105, 55));
    EXPECT_EQ(out.pixel(2000, 55), QColor(Qt::magenta).rgb());
}

TEST(BigBitmap, OriginalDrawStretchesEachBandIntoItsShareOfTheRectangle)
{
    // 3000 × 1000 at 24 bits: stride 9000, bands of 932 and 68 rows.
    const QImage picture = blocks(30, 10, 100);
    TBigBitmap bitmap;
    bitmap.Assign(picture);
    ASSERT_EQ(bitmap.BandCount(), 2);
    const QImage out = drawn(bitmap, {1500, 500}, {0, 0, 1500, 500});
    for (int j = 0; j < 10; ++j)
        for (int i = 0; i < 30; ++i)
            EXPECT_EQ(out.pixel(50 * i + 25, 50 * j + 25), picture.pixel(100 * i + 50, 100 * j + 50))
                << i << "," << j;
    EXPECT_EQ(out.pixel(1499, 499), picture.pixel(2999, 999));
}
