#include "graphics/BigBitmap.h"
#include "graphics/BmpReader.h"
#include "graphics/tests/BmpBuilder.h"
#include "testsupport/TestSupport.h"

#include <QImage>
#include <gtest/gtest.h>

#include <limits>

using namespace vellora;
using vellora::test::BmpSpec;
using vellora::test::buildBmp;

namespace {

QImage load(const QByteArray &bmp)
{
    TBigBitmap bitmap;
    bitmap.LoadFromBytes(bmp);
    return bitmap.ToImage();
}

// Largest channel difference over the whole image; -1 when the sizes differ.
int maxDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return -1;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

QString errorOf(const QByteArray &bmp)
{
    try {
        load(bmp);
    } catch (const EBigBitmapError &e) {
        return e.message();
    } catch (const std::exception &e) {
        return QStringLiteral("(other error) ") + QString::fromUtf8(e.what());
    }
    return QStringLiteral("(no error)");
}

struct Fixture {
    const char *file;
    TBigBitmapPixelFormat format;
    // Read by Qt as the reference, unless a decoded copy is named.
    const char *reference;
    // 5- and 6-bit channels are widened by v × 255 div max here and rounded
    // by ImageMagick.
    int tolerance;
};

const Fixture kFixtures[] = {
    {"rgb24-core.bmp", TBigBitmapPixelFormat::bbpf24bit, nullptr, 0},
    {"pal8-core.bmp", TBigBitmapPixelFormat::bbpf8bit, nullptr, 0},
    {"rgb24.bmp", TBigBitmapPixelFormat::bbpf24bit, nullptr, 0},
    {"pal8.bmp", TBigBitmapPixelFormat::bbpf8bit, nullptr, 0},
    {"pal4.bmp", TBigBitmapPixelFormat::bbpf4bit, nullptr, 0},
    {"mono.bmp", TBigBitmapPixelFormat::bbpf1bit, nullptr, 0},
    {"rle8.bmp", TBigBitmapPixelFormat::bbpf8bit, nullptr, 0},
    {"rle4.bmp", TBigBitmapPixelFormat::bbpf4bit, nullptr, 0},
    {"bitfields555.bmp", TBigBitmapPixelFormat::bbpf24bit, "bitfields555-decoded.bmp", 1},
    {"bitfields565.bmp", TBigBitmapPixelFormat::bbpf24bit, "bitfields565-decoded.bmp", 1},
    {"bitfields32.bmp", TBigBitmapPixelFormat::bbpf24bit, nullptr, 0},
};

} // namespace

TEST(BmpReader, ReadsEveryFixtureWithTheSamePixelsAsQtsReader)
{
    for (const Fixture &f : kFixtures) {
        SCOPED_TRACE(f.file);
        const QString path = test::testDataPath(QStringLiteral("bmp/") + QLatin1String(f.file));
        const QImage reference(f.reference ? test::testDataPath(QStringLiteral("bmp/") + QLatin1String(f.reference))
                                           : path);
        ASSERT_FALSE(reference.isNull());
        TBigBitmap bitmap;
        bitmap.LoadFromBytes(test::readFile(path));
        EXPECT_EQ(bitmap.PixelFormat(), f.format);
        EXPECT_EQ(bitmap.Width(), 37);
        EXPECT_EQ(bitmap.Height(), 21);
        const int difference = maxDifference(bitmap.ToImage(), reference);
        EXPECT_GE(difference, 0);
        EXPECT_LE(difference, f.tolerance);
    }
}

TEST(BmpReader, WidensMaskedChannelsToTheFullRange)
{
    // 16-bit default masks 7C00/03E0/001F: 31 → 255, 16 → 131 (128 × 255 div 248), 1 → 8.
    BmpSpec s;
    s.bits = 16;
    s.width = 2;
    s.pixels = QByteArray::fromHex("ff7f" "4141");  // (31,31,31), (16,10,1)
    QImage image = load(buildBmp(s));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(1, 0), qRgb(131, 82, 8));

    // Bit fields after a 40-byte header: 4-4-4 masks at 16 bits (shifted
    // left into 128 … 255: 0xF → 255, 0x8 → 136) and 10-bit masks at 32 bits.
    s.compression = 3;
    s.masks = {0x0F00, 0x00F0, 0x000F};
    s.pixels = QByteArray::fromHex("ff0f" "8f03");
    image = load(buildBmp(s));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(1, 0), qRgb(51, 136, 255));
    s.bits = 32;
    s.width = 1;
    s.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};
    s.pixels = QByteArray::fromHex("ff03f03f");  // 0x3FF003FF: red 1023, green 0, blue 1023
    image = load(buildBmp(s));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 255));
}

TEST(BmpReader, TopDownAndThirtyTwoBitVariantsMatchTheTwentyFourBitFile)
{
    const QByteArray file = test::readFile(test::testDataPath(QStringLiteral("bmp/rgb24.bmp")));
    const QImage expected = load(file);
    const int w = 37, h = 21, stride = 112;
    const QByteArray rows = file.mid(54, stride * h);

    // Negative height: rows stored top first.
    BmpSpec topDown;
    topDown.width = w;
    topDown.height = -h;
    for (int r = h - 1; r >= 0; --r)
        topDown.pixels += rows.mid(r * stride, stride);
    EXPECT_EQ(maxDifference(load(buildBmp(topDown)), expected), 0);

    // 32 bits without masks: B, G, R, unused.
    BmpSpec wide;
    wide.width = w;
    wide.height = h;
    wide.bits = 32;
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x)
            wide.pixels += rows.mid(r * stride + 3 * x, 3) + QByteArray(1, '\x5a');
    EXPECT_EQ(maxDifference(load(buildBmp(wide)), expected), 0);
}

TEST(BmpReader, CutsColourTablesOfMoreThan256Entries)
{
    BmpSpec s;
    s.bits = 8;
    s.width = 2;
    s.colourCount = 300;
    for (std::uint32_t i = 0; i < 256; ++i)
        s.colours.append(i << 8);  // green = index
    s.pixels = QByteArray::fromHex("00ff0000");
    const QImage image = load(buildBmp(s));
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 255, 0));
}

TEST(BmpReader, IndicesPastAShortColourTableAreBlack)
{
    BmpSpec s;
    s.bits = 8;
    s.width = 2;
    s.colourCount = 1;
    s.colours = {0xFF0000};
    s.pixels = QByteArray::fromHex("00070000");
    const QImage image = load(buildBmp(s));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 0, 0));
}

TEST(BmpReader, ExpandsRunLengthCodes)
{
    // RLE8, 4 × 3: an absolute run, end of line, a delta over one row and one
    // column, a run, end of bitmap. Rows are stored bottom-up.
    BmpSpec rle8;
    rle8.bits = 8;
    rle8.compression = 1;
    rle8.width = 4;
    rle8.height = 3;
    rle8.colourCount = 4;
    rle8.colours = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000};
    rle8.pixels = QByteArray::fromHex("000401010302" "0000" "00020101" "0103" "0001");
    const QImage a = load(buildBmp(rle8));
    const QRgb k = qRgb(0, 0, 0), b = qRgb(0, 0, 255), g = qRgb(0, 255, 0), r = qRgb(255, 0, 0);
    const QRgb expected8[3][4] = {{k, r, k, k}, {k, k, k, k}, {b, b, r, g}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(a.pixel(x, y), expected8[y][x]) << x << "," << y;

    // RLE4, 7 × 1: an encoded run alternates the two nibbles, then an
    // absolute run of five pixels in three bytes padded to four.
    BmpSpec rle4 = rle8;
    rle4.bits = 4;
    rle4.compression = 2;
    rle4.width = 7;
    rle4.height = 1;
    rle4.pixels = QByteArray::fromHex("0213" "0005" "32100000" "0001");
    const QImage c = load(buildBmp(rle4));
    const QRgb expected4[7] = {b, r, r, g, b, k, k};
    for (int x = 0; x < 7; ++x)
        EXPECT_EQ(c.pixel(x, 0), expected4[x]) << x;
}

TEST(BmpReader, RejectsMalformedFilesWithTheirMessages)
{
    const QByteArray good = buildBmp(BmpSpec{});
    BmpSpec rle8;
    rle8.bits = 8;
    rle8.compression = 1;
    rle8.width = 4;
    rle8.height = 2;
    rle8.colourCount = 1;
    rle8.colours = {0};
    BmpSpec rle4 = rle8;
    rle4.bits = 4;
    rle4.compression = 2;
    auto with = [](BmpSpec s, auto change) {
        change(s);
        return buildBmp(s);
    };
    auto withPixels = [&](const BmpSpec &s, const char *hex) {
        return with(s, [hex](BmpSpec &x) { x.pixels = QByteArray::fromHex(hex); });
    };

    const struct {
        const char *name;
        QByteArray bmp;
        const char *message;
    } cases[] = {
        {"not BM", QByteArray("BX") + good.mid(2), "LoadDIBFromStream: File type is invalid"},
        {"empty", QByteArray(), "LoadDIBFromStream: File type is invalid"},
        {"header 20", with({}, [](BmpSpec &s) { s.headerSize = 20; }),
         "LoadDIBFromStream: Invalid Bitmap Header Size"},
        {"core 16 bits", with({}, [](BmpSpec &s) { s.headerSize = 12; s.bits = 16; }),
         "TBigBitmap.LoadFromStream: Invalid BitCount"},
        {"info 2 bits", with({}, [](BmpSpec &s) { s.bits = 2; }), "LoadDIBFromStream: Invalid BitCout"},
        {"zero mask", with({}, [](BmpSpec &s) {
             s.bits = 16; s.compression = 3; s.masks = {0xF800, 0, 0x1F}; s.pixels = QByteArray(4, 0); }),
         "TBigBitmap.LoadFromStream: Invalid Masks"},
        {"RLE8 at 4 bits", with(rle8, [](BmpSpec &s) { s.bits = 4; }),
         "Convert8BitRLETo8BitRGB: Invalid Bitcount & Compression Combination"},
        {"RLE4 at 8 bits", with(rle4, [](BmpSpec &s) { s.bits = 8; }),
         "Convert4BitRLETo4BitRGB: Invalid Bitcount & Compression Combination"},
        // A row holds as many pixels as its stride: 4 at 8 bits, 8 at 4 bits.
        {"RLE8 run past row", withPixels(rle8, "0501"), "Convert8BitRLETo8BitRGB: Bad RLE Data 1"},
        {"RLE8 absolute past row", withPixels(rle8, "0201" "000301020300"),
         "Convert8BitRLETo8BitRGB: Bad RLE Data 2"},
        {"RLE8 delta past image", withPixels(rle8, "00020003" "0001"), "Convert8BitRLETo8BitRGB: Bad RLE Data 3"},
        {"RLE8 rows past image", withPixels(rle8, "0000" "0000" "0101"), "Convert8BitRLETo8BitRGB: Bad RLE Data 3"},
        {"RLE8 cut absolute run", withPixels(rle8, "000401"), "Convert8BitRLETo8BitRGB: Bad RLE Data 4"},
        {"RLE4 run past row", withPixels(rle4, "0912"), "Convert4BitRLETo4BitRGB: Bad RLE Data 5"},
        {"RLE4 absolute past row", withPixels(rle4, "0601" "00031230"), "Convert4BitRLETo4BitRGB: Bad RLE Data 6"},
        {"RLE4 delta past image", withPixels(rle4, "00020900"), "Convert4BitRLETo4BitRGB: Bad RLE Data 7"},
        {"RLE4 cut delta", withPixels(rle4, "000201"), "Convert4BitRLETo4BitRGB: Bad RLE Data 8"},
        {"width 21759 at 24 bits", with({}, [](BmpSpec &s) { s.width = 21759; s.pixels = QByteArray(65280, 0); }),
         "TBigBitmap.LoadFromStream: Too Big Width or Too Many Pixel Bits"},
        {"width 65280 at 8 bits", with({}, [](BmpSpec &s) { s.bits = 8; s.width = 65280; s.colourCount = 1; s.colours = {0}; }),
         "TBigBitmap.LoadFromStream: Too Big Width or Too Many Pixel Bits"},
        {"huge width at 32 bits", with({}, [](BmpSpec &s) { s.bits = 32; s.width = 0x7FFFFFFF; }),
         "TBigBitmap.LoadFromStream: Too Big Width or Too Many Pixel Bits"},
        {"negative width", with({}, [](BmpSpec &s) { s.width = -5; }), "LoadDIBFromStream: Invalid image size"},
        {"height INT_MIN", with({}, [](BmpSpec &s) { s.height = std::numeric_limits<std::int32_t>::min(); }),
         "LoadDIBFromStream: Invalid image size"},
        {"short pixel data", with({}, [](BmpSpec &s) { s.height = 1000; s.pixels = QByteArray(40, 0); }),
         "LoadDIBFromStream: Pixel data is truncated"},
        {"offset past end", with({}, [](BmpSpec &s) { s.dataOffset = 1 << 30; s.pixels = QByteArray(4, 0); }),
         "LoadDIBFromStream: Pixel data offset is past the end of the file"},
        {"RLE of 4 GB", with(rle8, [](BmpSpec &s) { s.width = 60000; s.height = 70000; s.pixels = QByteArray::fromHex("0001"); }),
         "LoadDIBFromStream: Image is too large"},
        {"RLE4 of 533 megapixels in a few bytes",
         with(rle4, [](BmpSpec &s) { s.width = 130000; s.height = 4100; s.pixels = QByteArray::fromHex("0001"); }),
         "LoadDIBFromStream: Image is too large"},
        {"JPEG inside", with({}, [](BmpSpec &s) { s.compression = 4; }), "LoadDIBFromStream: Unsupported compression"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(errorOf(c.bmp), QString::fromUtf8(c.message)) << c.name;
}

TEST(BmpReader, TruncatedHeadersAreFormatErrors)
{
    BmpSpec s;
    s.bits = 8;
    s.colourCount = 256;
    s.colours = QList<std::uint32_t>(256, 0);
    s.pixels = QByteArray(4, 0);
    const QByteArray file = buildBmp(s);
    for (qsizetype cut : {qsizetype(3), qsizetype(14), qsizetype(30), qsizetype(54), qsizetype(600)}) {
        TBigBitmap bitmap;
        EXPECT_THROW(bitmap.LoadFromBytes(file.left(cut)), FormatError) << cut;
    }
    // A header size far beyond the file.
    QByteArray lying = file;
    lying[14] = '\xff';
    lying[17] = '\x7f';
    TBigBitmap bitmap;
    EXPECT_THROW(bitmap.LoadFromBytes(lying), FormatError);
}

TEST(BmpReader, AFileSizeOfZeroOrTooLargeReadsToTheEnd)
{
    BmpSpec s;
    s.width = 1;
    s.pixels = QByteArray::fromHex("0a141e00");
    for (std::int64_t fileSize : {std::int64_t(0), std::int64_t(99999)}) {
        s.fileSize = fileSize;
        EXPECT_EQ(load(buildBmp(s)).pixel(0, 0), qRgb(30, 20, 10)) << fileSize;
    }
}
