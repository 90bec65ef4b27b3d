#include "graphics/ColorReduction.h"

#include "testsupport/TestSupport.h"

#include <QDir>
#include <QImageReader>
#include <gtest/gtest.h>

using namespace vellora;

namespace {

// A grey 24-bit image, rows of width pixels.
QImage greys(int width, const std::vector<int> &values)
{
    QImage image(width, static_cast<int>(values.size()) / width, QImage::Format_RGB888);
    for (std::size_t i = 0; i < values.size(); ++i)
        image.setPixel(static_cast<int>(i) % width, static_cast<int>(i) / width, qRgb(values[i], values[i], values[i]));
    return image;
}

QImage greyRow(const std::vector<int> &values)
{
    return greys(static_cast<int>(values.size()), values);
}

QImage gradient(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 255 / (w - 1), y * 255 / (h - 1), (x + y) * 255 / (w + h - 2)));
    return image;
}

} // namespace

TEST(PalHistgram, StartsWithOneInEveryBinAndAveragesTruncated)
{
    TPalHistgram h;
    EXPECT_EQ(h.Count(0, 255), 256u);
    EXPECT_EQ(h.Count(5, 4), 0u);
    EXPECT_EQ(h.Average(5, 4), 0);
    for (int i = 0; i < 10; ++i)
        h.Add(200);
    // (sum of i - 128 over 0..255 = -128, plus 10 x 72) / 266 = 2.2 -> 130
    EXPECT_EQ(h.Average(0, 255), 130);
    // Below the centre the quotient truncates toward zero: -8256 / 128 = -64.5 -> -64
    EXPECT_EQ(h.Average(0, 127), 64);
    EXPECT_EQ(h.Max(10, 20), 20);
    EXPECT_EQ(h.Min(10, 20), 10);
}

TEST(MedianColor, OneBitOnBlackAndWhiteCutsRedAtItsMean)
{
    TMedianColor median;
    median.SetBitCount(0);
    EXPECT_EQ(median.BitCount(), 1);
    for (int i = 0; i < 50; ++i) {
        median.Add(TRGBTriple{0, 0, 0});
        median.Add(TRGBTriple{255, 255, 255});
    }
    median.Execute();
    // Equal ranges cut red; its mean (-178 / 356 -> 0) + 128 = 128 splits
    // 0..127 from 128..255. Each entry averages the channel histograms over
    // its cube: red -14656 / 178 -> -82 and 14478 / 178 -> 81.
    ASSERT_EQ(median.Count(), 2);
    ASSERT_EQ(median.Palette().size(), 2);
    EXPECT_EQ(median.Palette()[0], qRgb(46, 128, 128));
    EXPECT_EQ(median.Palette()[1], qRgb(209, 128, 128));
    EXPECT_EQ(median.GetPaletteIndex({0, 0, 0}), 0);
    EXPECT_EQ(median.GetPaletteIndex({255, 255, 255}), 1);
}

TEST(MedianColor, PaletteSizeFollowsBitCountAndCubesNeverOverlap)
{
    const QImage image = gradient(40, 30);
    for (const auto &[bits, entries] : {std::pair{2, 16}, {4, 16}, {5, 256}, {8, 256}, {9, 256}}) {
        SCOPED_TRACE(bits);
        TMedianColor median;
        median.SetBitCount(bits);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                median.Add(static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
                           static_cast<std::uint8_t>(qBlue(c)));
            }
        median.Execute();
        EXPECT_EQ(median.Palette().size(), entries);
        EXPECT_LE(median.Count(), 1 << median.BitCount());
        // Every colour lies in exactly one cube.
        for (const TRGBTriple c : {TRGBTriple{0, 0, 0}, TRGBTriple{255, 255, 255}, TRGBTriple{10, 200, 90}}) {
            int holders = 0;
            for (const TMedianCube &cube : median.Cubes())
                holders += cube.Contains(c.rgbtRed, c.rgbtGreen, c.rgbtBlue);
            EXPECT_EQ(holders, 1);
        }
    }
}

TEST(PaletteFinder, TermCountLimitsTheSearchAndTiesGoToTheFirst)
{
    TPalette greys;
    for (int i = 0; i < 256; ++i)
        greys.append(qRgb(i, i, i));
    TPaletteFinder finder;
    finder.SetPalette(greys);
    EXPECT_EQ(finder.NearestIndex(200, 200, 200), 200);
    finder.SetTermCount(16);
    EXPECT_EQ(finder.NearestIndex(200, 200, 200), 15);
    EXPECT_EQ(finder.NearestRGB(200, 200, 200), (TRGBTriple{15, 15, 15}));
    finder.SetTermCount(0);
    EXPECT_EQ(finder.NearestIndex(200, 200, 200), 200);

    // Blue, green, red order: (B 10, G 0, R 0) is nearest pure blue.
    finder.SetPalette({qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(0, 0, 255)});
    EXPECT_EQ(finder.NearestIndex(250, 0, 0), 2);
    EXPECT_EQ(finder.NearestIndex(TRGBTriple{0, 0, 250}), 1);
    finder.SetPalette({});
    EXPECT_EQ(finder.NearestIndex(1, 2, 3), -1);
}

TEST(DiffuseToPalette, HandComputedErrorsTruncateTowardZero)
{
    const struct {
        const char *name;
        QImage image;
        TPalette palette;
        std::vector<int> expected;   // grey values, row by row
    } cases[] = {
        // 100 -> 0, error -100: right 100 + 43 = 143, below 100 + 31 = 131,
        // below right 100 + 6 = 106; 143 -> 255, error 112: below left
        // 131 - 21 = 110, below 106 - 35 = 71; 110 -> 0, error -110:
        // right 71 + 48 = 119 -> 0.
        {"2x2 grey on black and white", greys(2, {100, 100, 100, 100}), {qRgb(0, 0, 0), qRgb(255, 255, 255)}, {0, 255, 0, 0}},
        // 100 is as near 0 as 200 (the first wins); the error -100 x 7 / 16
        // truncates to -43, so 57 becomes 100 and again goes to 0 (flooring
        // would give 101 and 200).
        {"tie and truncation", greyRow({100, 57}), {qRgb(0, 0, 0), qRgb(200, 200, 200)}, {0, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QImage image = c.image;
        DiffuseToPalette(image, c.palette);
        std::vector<int> got;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                got.push_back(qRed(image.pixel(x, y)));
        EXPECT_EQ(got, c.expected);
    }
}

TEST(StretchBitmap, AveragesTheSpanWithPartialEdgesAndKeepsTheFormat)
{
    // 4 -> 2: pixel 0 covers 0..1.998 (0 fully, 100 x 0.998), pixel 1 covers 2..3.998.
    const QImage row = greyRow({0, 100, 200, 255});
    const QImage half = StretchBitmap(row, 2, 1);
    ASSERT_EQ(half.format(), QImage::Format_RGB888);
    EXPECT_EQ(qRed(half.pixel(0, 0)), 50);
    EXPECT_EQ(qRed(half.pixel(1, 0)), 227);
    // Enlarging repeats pixels.
    const QImage twice = StretchBitmap(greyRow({10, 240}), 4, 2);
    EXPECT_EQ(qRed(twice.pixel(0, 1)), 10);
    EXPECT_EQ(qRed(twice.pixel(3, 0)), 240);

    QImage indexed = row.convertToFormat(QImage::Format_Indexed8);
    const QImage stretched = StretchBitmap(indexed, 2, 1);
    EXPECT_EQ(stretched.format(), QImage::Format_Indexed8);
    EXPECT_EQ(stretched.colorTable().mid(0, indexed.colorCount()), indexed.colorTable());
}

TEST(ReduceColors, EachBitCountGivesItsDepthAndFormat)
{
    const QImage source = gradient(64, 48);
    const struct {
        int bits;
        int depth;
        QImage::Format format;
        int colours;
    } cases[] = {
        {0, 1, QImage::Format_Mono, 2},           {1, 1, QImage::Format_Mono, 2},
        {2, 4, QImage::Format_Indexed8, 16},      {4, 4, QImage::Format_Indexed8, 16},
        {5, 8, QImage::Format_Indexed8, 256},     {8, 8, QImage::Format_Indexed8, 256},
        {9, 15, QImage::Format_RGB555, 0},        {16, 16, QImage::Format_RGB16, 0},
        {24, 24, QImage::Format_RGB888, 0},       {25, 32, QImage::Format_RGB32, 0},
        {40, 32, QImage::Format_RGB32, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.bits);
        const QImage reduced = ReduceColors(source, c.bits);
        EXPECT_EQ(reduced.format(), c.format);
        EXPECT_EQ(PixelDepth(reduced), c.depth);
        EXPECT_EQ(reduced.colorCount(), c.colours);
        EXPECT_EQ(reduced.size(), source.size());
    }
}

TEST(ReduceColors, RepacksShallowSourcesAndUsesAGivenPalette)
{
    QImage mono(9, 2, QImage::Format_Mono);
    mono.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 50)});
    mono.fill(0);
    mono.setPixel(8, 1, 1);
    // Indexed to indexed keeps indices and palette.
    const QImage eight = ReduceColors(mono, 8);
    ASSERT_EQ(eight.format(), QImage::Format_Indexed8);
    EXPECT_EQ(eight.colorCount(), 256);
    EXPECT_EQ(eight.pixelIndex(8, 1), 1);
    EXPECT_EQ(eight.color(1), qRgb(200, 100, 50));
    // Indexed to direct writes the palette colours; 16 bits keep 5-6-5 of them.
    const QImage direct = ReduceColors(mono, 16);
    ASSERT_EQ(direct.format(), QImage::Format_RGB16);
    EXPECT_EQ(direct.pixel(8, 1) & 0xF8FCF8, qRgb(200, 100, 50) & 0xF8FCF8);

    // A given palette: every pixel takes its nearest entry; a 1-bit target
    // only searches what one bit can index.
    const TPalette palette{qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 0, 0)};
    const QImage reds = ReduceColors(greyRow({0, 30, 220, 255}), 4, palette, true);
    EXPECT_EQ(reds.pixelIndex(1, 0), 0);
    EXPECT_EQ(reds.pixelIndex(2, 0), 1);
    QImage red(2, 1, QImage::Format_RGB888);
    red.fill(qRgb(250, 0, 0));
    EXPECT_EQ(ReduceColors(red, 4, palette, true).pixelIndex(0, 0), 2);
    EXPECT_EQ(ReduceColors(red, 1, palette, true).pixelIndex(0, 0), 0);
}

// Renders a sample photo reduced to 1, 4 and 8 bits, plain and dithered, into
// the build folder for a look; each result keeps the size and the depth.
TEST(ReduceColors, SamplePhotoAtOneFourAndEightBits)
{
    QImageReader reader(test::testDataPath(QStringLiteral("photos/Canon_40D.jpg")));
    reader.setScaledSize(QSize(320, 213));
    const QImage photo = reader.read().convertToFormat(QImage::Format_RGB888);
    ASSERT_FALSE(photo.isNull());
    const QDir out(test::scratchDir(QStringLiteral("reduced-photo")));
    for (const int bits : {1, 4, 8}) {
        for (const bool dither : {false, true}) {
            const QImage reduced = ReduceColors(photo, bits, {}, false, dither);
            EXPECT_EQ(reduced.size(), photo.size());
            EXPECT_EQ(PixelDepth(reduced), bits);
            EXPECT_TRUE(reduced.save(out.filePath(QStringLiteral("photo-%1bit%2.png").arg(bits).arg(dither ? "-dither" : ""))));
        }
    }
}
