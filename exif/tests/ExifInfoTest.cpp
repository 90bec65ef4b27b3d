#include "exif/ExifInfo.h"
#include "exif/JpegEncoder.h"
#include "exif/tests/ExifFixture.h"
#include "settings/Stream.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <map>

using namespace vellora;
using namespace vellora::test;

namespace {

constexpr std::uint16_t kOrientation = 274;
constexpr std::uint16_t kDateTimeOriginal = 36867;
constexpr std::uint16_t kSubsec = 37521;
constexpr std::uint16_t kUserComment = 37510;

// Reads data with a fresh reader; errors are kept instead of thrown.
struct Read {
    TExifInfo info;
    std::vector<int> errors;
    int updates = 0;

    explicit Read(const QByteArray &jpeg, bool suppress = true)
    {
        info.OnError = [this, suppress](TExifInfo &, int code, bool &allow) {
            errors.push_back(code);
            allow = !suppress;
        };
        info.OnUpdate = [this](TExifInfo &) { ++updates; };
        TMemoryStream stream(jpeg);
        info.ReadExifData(stream);
    }
};

QByteArray exifJpeg(const TiffFixture &fixture)
{
    return buildJpeg(buildTiff(fixture));
}

// A stream that remembers the furthest byte anybody read.
class WatchedStream : public TMemoryStream {
public:
    using TMemoryStream::TMemoryStream;
    std::int64_t Read(void *buffer, std::int64_t count) override
    {
        const std::int64_t n = TMemoryStream::Read(buffer, count);
        furthest = std::max(furthest, Position());
        return n;
    }
    std::int64_t furthest = 0;
};

QByteArray realJpeg(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    jpeg::Pixels pixels;
    pixels.width = width;
    pixels.height = height;
    for (int i = 0; i < width * height; ++i)
        pixels.data.append(static_cast<char>(r)).append(static_cast<char>(g)).append(static_cast<char>(b));
    return jpeg::Encode(pixels, 90);
}

} // namespace

TEST(ExifInfo, OrientationInBothByteOrders)
{
    struct Case {
        const char *what;
        std::optional<FixtureEntry> entry;
        TExifOrientation expected;
    };
    const Case cases[] = {
        {"6 is right-top", shortEntry(kOrientation, {6}), TExifOrientation::eoRightTop},
        {"8 is left-bottom", shortEntry(kOrientation, {8}), TExifOrientation::eoLeftBottom},
        {"missing tag defaults to top-left", std::nullopt, TExifOrientation::eoTopLeft},
        {"9 is reserved", shortEntry(kOrientation, {9}), TExifOrientation::eoReserved},
        {"0 is reserved", shortEntry(kOrientation, {0}), TExifOrientation::eoReserved},
        {"a LONG read as SHORT gives 0", longEntry(kOrientation, {6}), TExifOrientation::eoReserved},
    };
    for (bool little : {true, false}) {
        for (const Case &c : cases) {
            TiffFixture f;
            f.littleEndian = little;
            f.ifd0.push_back(asciiEntry(271, "Maker"));
            if (c.entry)
                f.ifd0.push_back(*c.entry);
            Read read(exifJpeg(f));
            EXPECT_TRUE(read.errors.empty()) << c.what;
            EXPECT_EQ(read.info.ByteOrder(), little ? 0x4949 : 0x4D4D);
            EXPECT_EQ(read.info.Orientation(), c.expected) << c.what << (little ? " (II)" : " (MM)");
        }
    }
}

TEST(ExifInfo, ValuesAreReadInPlaceOrAtTheirOffset)
{
    for (bool little : {true, false}) {
        TiffFixture f;
        f.littleEndian = little;
        f.ifd0 = {longEntry(256, {0x12345678}), shortEntry(258, {8, 16, 0xFFFF}), shortEntry(259, {7}),
                  rationalEntry(282, 72, 1, false), rationalEntry(283, 3, -4, true)};
        Read read(exifJpeg(f));
        const TExifInfo &info = read.info;
        ASSERT_TRUE(read.errors.empty());
        EXPECT_EQ(info.ReadLong(256, TExifIFD::eiTIFF), 0x12345678u);
        EXPECT_EQ(info.Entrys().Items(0).Offset(), 0u) << "a 4-byte value sits in the entry";
        EXPECT_EQ(info.ReadShort(258, TExifIFD::eiTIFF, 0), 8);
        EXPECT_EQ(info.ReadShort(258, TExifIFD::eiTIFF, 2), 0xFFFF);
        EXPECT_NE(info.Entrys().Items(1).Offset(), 0u) << "6 bytes are stored at an offset";
        EXPECT_EQ(info.ReadShort(259, TExifIFD::eiTIFF), 7) << "the entry after the offset one";
        // Wrong type or index: 0.
        EXPECT_EQ(info.ReadShort(256, TExifIFD::eiTIFF), 0);
        EXPECT_EQ(info.ReadLong(258, TExifIFD::eiTIFF), 0u);
        EXPECT_EQ(info.ReadShort(258, TExifIFD::eiTIFF, 3), 0);
        EXPECT_EQ(info.ReadShort(258, TExifIFD::eiTIFF, -1), 0);
        EXPECT_EQ(info.ReadAscii(256, TExifIFD::eiTIFF), QString());
        EXPECT_EQ(info.ReadShort(259, TExifIFD::eiExif), 0) << "same tag, other IFD";
    }
}

TEST(ExifInfo, RationalTextAndValue)
{
    struct Case {
        std::int32_t num, den;
        bool isSigned;
        const char *text;
        double value;
    };
    const Case cases[] = {
        {3, -4, true, "-3/4", -0.75},
        {-3, -4, true, "3/4", 0.75},
        {-3, 4, true, "-3/4", -0.75},
        {72, 1, false, "72/1", 72.0},
        // An unsigned RATIONAL keeps values above 2^31.
        {static_cast<std::int32_t>(3000000000u), 1, false, "3000000000/1", 3e9},
    };
    for (const Case &c : cases) {
        TiffFixture f;
        f.ifd0 = {rationalEntry(282, c.num, c.den, c.isSigned)};
        Read read(exifJpeg(f));
        const TExifRational &r = read.info.ReadRational(282, TExifIFD::eiTIFF);
        EXPECT_EQ(r.Text(), QLatin1String(c.text));
        EXPECT_DOUBLE_EQ(r.Value(), c.value) << c.text;
    }
}

TEST(ExifInfo, IfdsOfTheMainImageAndTheThumbnail)
{
    TiffFixture f;
    f.ifd0 = {shortEntry(kOrientation, {3}), asciiEntry(271, "first"), asciiEntry(271, "second")};
    f.exif = {asciiEntry(kDateTimeOriginal, "2010:05:01 12:34:56")};
    f.gps = {asciiEntry(1, "N")};
    f.interop = {asciiEntry(1, "R98")};
    f.ifd1 = {shortEntry(kOrientation, {1})};
    f.thumbnail = realJpeg(8, 6, 0, 0, 255);
    Read read(exifJpeg(f));
    const TExifInfo &info = read.info;
    ASSERT_TRUE(read.errors.empty());
    EXPECT_EQ(read.updates, 2) << "once on clearing, once after reading";
    EXPECT_EQ(info.Entrys().IFDEntryCount(TExifIFD::eiTIFF), 5);   // with the Exif and GPS pointers
    EXPECT_EQ(info.Entrys().IFDEntryCount(TExifIFD::eiExif), 2);
    EXPECT_EQ(info.ReadAscii(1, TExifIFD::eiGPS), "N");
    EXPECT_EQ(info.ReadAscii(1, TExifIFD::eiInteroperability), "R98");
    EXPECT_EQ(info.ReadAscii(271, TExifIFD::eiTIFF), "first") << "a tag read twice answers with its first copy";
    EXPECT_EQ(info.Orientation(), TExifOrientation::eoBottomRight);
    EXPECT_TRUE(info.ThmTagExists(kOrientation, TExifIFD::eiTIFF));
    EXPECT_FALSE(info.ThmTagExists(271, TExifIFD::eiTIFF));
    EXPECT_FALSE(info.TagExists(259, TExifIFD::eiTIFF));
    EXPECT_TRUE(info.hasEmbeddedThumbnail());
    EXPECT_EQ(info.OffsetCardinalPoint(), info.App1Position() + 10) << "marker, length and Exif\\0\\0";
}

TEST(ExifInfo, App1IsSearchedWithinSearchBytes)
{
    // SOI, then a DQT segment (not APPn) whose body holds no marker, then
    // APP1 at the given offset.
    const auto file = [](int app1Offset) {
        QByteArray jpeg("\xFF\xD8\xFF\xDB", 4);
        const int length = app1Offset - 4;
        jpeg.append(static_cast<char>(length >> 8)).append(static_cast<char>(length & 0xFF));
        jpeg.append(QByteArray(app1Offset - jpeg.size(), '\x01'));
        TiffFixture f;
        f.ifd0 = {shortEntry(kOrientation, {6})};
        // The template starts with SOI (2 bytes) and APP0 (18 bytes).
        return jpeg + buildJpeg(buildTiff(f)).mid(20);
    };
    struct Case {
        int offset;
        std::int32_t searchBytes;
        bool found;
    };
    const Case cases[] = {{20, 16, true}, {21, 16, false}, {20, 32, true}, {21, 32, true}};
    for (const Case &c : cases) {
        const QByteArray jpeg = file(c.offset);
        ASSERT_EQ(jpeg.mid(c.offset, 2), QByteArray("\xFF\xE1", 2));
        TExifInfo info;
        info.SetSearchBytes(c.searchBytes);
        TMemoryStream stream(jpeg);
        EXPECT_EQ(info.IsExif(stream), c.found) << "offset " << c.offset << ", search " << c.searchBytes;
        EXPECT_EQ(stream.Position(), 0) << "the position is restored";
        if (c.found) {
            info.ReadExifData(stream);
            EXPECT_EQ(info.App1Position(), c.offset);
            EXPECT_EQ(info.Orientation(), TExifOrientation::eoRightTop);
            EXPECT_EQ(info.JpegWidth(), 640);
        }
    }
    TExifInfo info;
    info.SetSearchBytes(-5);
    EXPECT_EQ(info.SearchBytes(), 0);
}

TEST(ExifInfo, ExifSegmentAfterAnXmpSegmentIsFound)
{
    TiffFixture f;
    f.ifd0 = {asciiEntry(270, "Der Goalie")};
    QByteArray jpeg = exifJpeg(f);
    const QByteArray payload("http://ns.adobe.com/xap/1.0/\0<x/>", 33);
    const QByteArray xmp = QByteArray("\xFF\xE1\x00", 3) + char(payload.size() + 2) + payload;
    jpeg.insert(2, xmp);
    Read read(jpeg);
    EXPECT_TRUE(read.errors.empty());
    EXPECT_EQ(read.info.App1Position(), 2 + xmp.size() + 18);
    EXPECT_EQ(read.info.ImageDescription(), "Der Goalie");
}

TEST(ExifInfo, DateTimeOriginal)
{
    const auto reader = [](const QByteArray &text) {
        TiffFixture f;
        f.exif = {asciiEntry(kDateTimeOriginal, text)};
        return std::make_unique<Read>(exifJpeg(f));
    };
    auto good = reader("2010:05:01 12:34:56");
    EXPECT_EQ(good->info.DateTimeOriginal(), QDateTime(QDate(2010, 5, 1), QTime(12, 34, 56, 0), Qt::UTC));

    for (const char *unknown : {"    :  :     :  :  ", "2010-05-01 12-34-56", "", "2010:05:01 12:34"}) {
        auto r = reader(unknown);
        try {
            r->info.DateTimeOriginal();
            ADD_FAILURE() << "no error for '" << unknown << "'";
        } catch (const EExifError &e) {
            EXPECT_EQ(e.message(), QStringLiteral("TExifInfo: 日時は不明です")) << unknown;
            EXPECT_TRUE(r->errors.empty()) << "raised without OnError";
        }
    }
    auto impossible = reader("2010:00:01 12:34:56");
    EXPECT_THROW(impossible->info.DateTimeOriginal(), Error);
    try {
        impossible->info.DateTimeOriginal();
    } catch (const EExifError &) {
        ADD_FAILURE() << "an impossible date is a conversion error, not an unknown date";
    } catch (const Error &) {
    }
}

TEST(ExifInfo, SubsecTimeAndDescriptionReportMissingTags)
{
    struct Case {
        const char *what;
        std::optional<QByteArray> subsec;
        std::int32_t value;
        std::vector<int> errors;
    };
    const Case cases[] = {
        {"digits", QByteArray("050"), 50, {}},
        {"missing", std::nullopt, 0, {-7}},
        {"not a number", QByteArray("5x"), 0, {-8}},
    };
    for (const Case &c : cases) {
        TiffFixture f;
        f.ifd0 = {asciiEntry(271, "x")};
        if (c.subsec)
            f.exif = {asciiEntry(kSubsec, *c.subsec)};
        Read read(exifJpeg(f));
        EXPECT_EQ(read.info.SubsecTimeOriginal(), c.value) << c.what;
        EXPECT_EQ(read.errors, c.errors) << c.what;
    }

    TiffFixture f;
    f.ifd0 = {asciiEntry(271, "x")};
    Read read(exifJpeg(f), false);
    try {
        read.info.ImageDescription();
        ADD_FAILURE() << "a missing description is reported";
    } catch (const EExifError &e) {
        EXPECT_EQ(e.code(), -7);
        EXPECT_EQ(e.message(), QStringLiteral("TExifInfo: タグが見つかりません"));
    }
}

TEST(ExifInfo, StringsUseTheLegacyCodePage)
{
    TiffFixture f;
    f.ifd0 = {asciiEntry(270, "\x93\xFA\x96\x7B\x82\xCC\x8E\x52")};   // 日本の山 in CP932
    Read read(exifJpeg(f));
    EXPECT_EQ(read.info.ImageDescription(), QStringLiteral("日本の山"));
}

TEST(ExifInfo, UserCommentStyles)
{
    struct Case {
        const char *what;
        QByteArray bytes;
        TExifUserCommentStyle style;
        QString text;
    };
    const QByteArray zeros(8, '\0');
    const Case cases[] = {
        {"ascii", QByteArray("ASCII\0\0\0hello", 13), TExifUserCommentStyle::ucAscii, "hello"},
        {"ascii in lower case", QByteArray("ascii\0\0\0hi", 10), TExifUserCommentStyle::ucAscii, "hi"},
        {"jis", QByteArray("JIS\0\0\0\0\0\x1B$B$3$s$K$A$O\x1B(B", 24), TExifUserCommentStyle::ucJIS,
         QStringLiteral("こんにちは")},
        {"unicode big-endian", QByteArray("UNICODE\0\x65\xE5\x00\x41", 12), TExifUserCommentStyle::ucUnicode,
         QStringLiteral("日A")},
        {"unicode with a little-endian mark", QByteArray("UNICODE\0\xFF\xFE\xE5\x65\x41\x00", 14),
         TExifUserCommentStyle::ucUnicode, QStringLiteral("日A")},
        {"unicode with a big-endian mark", QByteArray("UNICODE\0\xFE\xFF\x00\x41", 12),
         TExifUserCommentStyle::ucUnicode, QStringLiteral("A")},
        {"undefined takes 8-bit text", zeros + QByteArray("\x93\xFA\x96\x7B"), TExifUserCommentStyle::ucUndefined,
         QStringLiteral("日本")},
        {"zeros are kept", zeros + QByteArray("a\0b", 3), TExifUserCommentStyle::ucUndefined,
         QString::fromUtf16(u"a\0b", 3)},
        {"other code", QByteArray("XYZ\0\0\0\0\0abc", 11), TExifUserCommentStyle::ucUnknown, "abc"},
        {"shorter than its code", QByteArray("ASC", 3), TExifUserCommentStyle::ucUnknown, ""},
    };
    for (const Case &c : cases) {
        TiffFixture f;
        f.exif = {undefinedEntry(kUserComment, c.bytes)};
        Read read(exifJpeg(f));
        EXPECT_EQ(read.info.UserCommentStyle(), c.style) << c.what;
        EXPECT_EQ(read.info.UserComment(), c.text) << c.what;
    }

    TiffFixture typedAscii;
    typedAscii.exif = {asciiEntry(kUserComment, QByteArray("ASCII\0\0\0hey", 11))};
    Read read(exifJpeg(typedAscii));
    EXPECT_EQ(read.info.Entrys().Items(read.info.Entrys().IndexOfTag(kUserComment, TExifIFD::eiExif)).Format(), 7);
    EXPECT_EQ(read.info.UserComment(), QString::fromUtf16(u"hey\0", 4));

    TiffFixture none;
    none.ifd0 = {asciiEntry(271, "x")};
    Read without(exifJpeg(none));
    EXPECT_EQ(without.info.UserCommentStyle(), TExifUserCommentStyle::ucUnknown);
    EXPECT_EQ(without.info.UserComment(), QString());
}

TEST(ExifInfo, BadInputEndsInAnErrorOrNotExif)
{
    TiffFixture good;
    good.ifd0 = {shortEntry(kOrientation, {6}), asciiEntry(271, "maker")};
    good.exif = {asciiEntry(kDateTimeOriginal, "2010:05:01 12:34:56")};
    const QByteArray tiff = buildTiff(good);
    const QByteArray jpeg = buildJpeg(tiff);
    const qsizetype tiffAt = jpeg.indexOf("Exif") + 6;

    const auto withEntry = [](FixtureEntry entry) {
        TiffFixture f;
        f.ifd0 = {asciiEntry(271, "maker"), std::move(entry)};
        return exifJpeg(f);
    };
    FixtureEntry farOffset = asciiEntry(270, "a description that needs an offset");
    farOffset.offset = 0x7FFFFFF0;
    FixtureEntry hugeCount = rationalEntry(282, 1, 1, false);
    hugeCount.count = 0xFFFFFFFF;
    FixtureEntry hugeAscii = asciiEntry(270, "abcdefgh");
    hugeAscii.count = 0xFFFFFFFF;

    QByteArray garbageHeader = jpeg;
    garbageHeader.replace(tiffAt, 8, QByteArray("\x12\x34\xFF\xFF\xFF\xFF\xFF\xFF", 8));
    QByteArray entryCountTooLarge = jpeg;
    entryCountTooLarge[tiffAt + 8] = '\xFF';
    entryCountTooLarge[tiffAt + 9] = '\xFF';

    struct Case {
        const char *what;
        QByteArray data;
        int error;   // 0: none
    };
    const Case cases[] = {
        {"zero-length file", QByteArray(), -2},
        {"not a JPEG", QByteArray("\x89PNG\r\n\x1A\n....", 12), -2},
        {"no APP1", buildJpeg(QByteArray()), -2},
        {"garbage TIFF header", garbageHeader, -5},
        {"offset outside the data", withEntry(farOffset), -5},
        {"2^32 count of rationals", withEntry(hugeCount), -5},
        {"2^32 count of characters", withEntry(hugeAscii), -5},
        {"more entries than bytes", entryCountTooLarge, -5},
        {"APP1 with nothing after Exif", buildJpeg(QByteArray("\0", 1)), -5},
    };
    for (const Case &c : cases) {
        Read read(c.data);
        EXPECT_EQ(read.errors, std::vector<int>{c.error}) << c.what;
        EXPECT_EQ(read.info.Entrys().Count(), 0) << c.what << ": entries read before the failure are dropped";
        EXPECT_EQ(read.info.Orientation(), TExifOrientation::eoTopLeft) << c.what;
    }

    // Without a handler the error is raised with its text.
    TExifInfo info;
    TMemoryStream stream(buildJpeg(QByteArray()));
    try {
        info.ReadExifData(stream);
        ADD_FAILURE() << "no error for a file without APP1";
    } catch (const EExifError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("TExifInfo: Exif、またはDCF形式ではありません"));
    }
}

TEST(ExifInfo, HeaderCutBeforeTheFrameIsAReadError)
{
    TiffFixture f;
    f.ifd0 = {shortEntry(kOrientation, {6})};
    const QByteArray jpeg = exifJpeg(f);
    for (const qsizetype cut : {qsizetype(2), jpeg.indexOf("Exif") + 20, jpeg.indexOf("\xFF\xC0") + 3}) {
        TExifInfo info;
        TMemoryStream stream(jpeg.left(cut));
        EXPECT_THROW(info.ReadExifData(stream), EReadError) << "cut at " << cut;
    }
}

TEST(ExifInfo, FileErrors)
{
    TExifInfo info;
    std::vector<int> errors;
    int updates = 0;
    info.OnError = [&](TExifInfo &, int code, bool &) { errors.push_back(code); };
    info.OnUpdate = [&](TExifInfo &) { ++updates; };
    const QString missing = scratchDir(QStringLiteral("exif-missing")) + QStringLiteral("/nothing.jpg");
    try {
        info.SetImageFileName(missing);
        ADD_FAILURE() << "no error for a missing file";
    } catch (const EExifError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("TExifInfo: ファイルが見つかりません"));
    }
    EXPECT_EQ(errors, std::vector<int>{-1});
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(info.ImageFileName(), missing);
    EXPECT_EQ(info.JpegWidth(), 0);
    EXPECT_THROW(info.IsExif(missing), IoError);
}

TEST(ExifInfo, OnlyTheHeaderSegmentsAreRead)
{
    TiffFixture f;
    f.ifd0 = {shortEntry(kOrientation, {6})};
    f.exif = {asciiEntry(kDateTimeOriginal, "2010:05:01 12:34:56")};
    const QByteArray jpeg = buildJpeg(buildTiff(f), 4000, 3000, 1 << 20);
    const qsizetype scan = jpeg.indexOf("\xFF\xDA");
    WatchedStream stream(jpeg);
    TExifInfo info;
    info.ReadExifData(stream);
    EXPECT_EQ(info.JpegWidth(), 4000);
    EXPECT_EQ(info.JpegHeight(), 3000);
    EXPECT_EQ(info.Orientation(), TExifOrientation::eoRightTop);
    EXPECT_LE(stream.furthest, scan + 4) << "read up to " << stream.furthest << " of " << jpeg.size();
}

TEST(ExifInfo, EmbeddedThumbnail)
{
    const QByteArray thumb = realJpeg(16, 12, 255, 0, 0);
    TiffFixture f;
    f.littleEndian = false;
    f.ifd0 = {shortEntry(kOrientation, {1})};
    f.thumbnail = thumb;
    const QByteArray jpeg = exifJpeg(f);
    Read read(jpeg);
    ASSERT_TRUE(read.info.hasEmbeddedThumbnail());
    EXPECT_EQ(read.info.ThmCompression(), 6);

    TMemoryStream stream(jpeg);
    TJPEGImage image;
    read.info.GetThumbnail(image, &stream);
    EXPECT_EQ(image.Data, thumb);
    EXPECT_EQ(image.Width, 16);
    EXPECT_EQ(image.Height, 12);

    TRgbBitmap bitmap;
    read.info.GetThumbnail(bitmap, &stream);
    ASSERT_EQ(bitmap.Width, 16);
    ASSERT_EQ(bitmap.Height, 12);
    ASSERT_EQ(bitmap.Pixels.size(), 16 * 12 * 3);
    EXPECT_GT(static_cast<std::uint8_t>(bitmap.Pixels[0]), 200);
    EXPECT_LT(static_cast<std::uint8_t>(bitmap.Pixels[1]), 60);
}

TEST(ExifInfo, WithoutAnEmbeddedThumbnailTheImageIsReduced)
{
    struct Case {
        int width, height, thumbWidth, thumbHeight;
    };
    const Case cases[] = {{400, 300, 160, 120}, {1000, 100, 160, 16}, {100, 50, 100, 50}, {120, 480, 30, 120}};
    for (const Case &c : cases) {
        TiffFixture f;
        f.ifd0 = {shortEntry(kOrientation, {1})};
        f.ifd1 = {longEntry(513, {0})};   // no Compression 6: not an embedded JPEG
        const QByteArray jpeg = insertExif(realJpeg(c.width, c.height, 0, 200, 0), buildTiff(f));
        Read read(jpeg);
        ASSERT_TRUE(read.errors.empty());
        EXPECT_FALSE(read.info.hasEmbeddedThumbnail());
        EXPECT_EQ(read.info.JpegWidth(), c.width);

        TMemoryStream stream(jpeg);
        TRgbBitmap bitmap;
        read.info.GetThumbnail(bitmap, &stream);
        EXPECT_EQ(bitmap.Width, c.thumbWidth) << c.width << "x" << c.height;
        EXPECT_EQ(bitmap.Height, c.thumbHeight) << c.width << "x" << c.height;
        ASSERT_GE(bitmap.Pixels.size(), 3);
        EXPECT_GT(static_cast<std::uint8_t>(bitmap.Pixels[1]), 150) << "green survives";
    }
}

// --- against exiftool ------------------------------------------------------

namespace {

struct Expected {
    QJsonObject tags;
    std::optional<std::pair<int, int>> thumbnail;
};

std::map<QString, Expected> loadExpected()
{
    std::map<QString, Expected> result;
    const QJsonArray array = QJsonDocument::fromJson(readFile(testDataPath("exif/expected.json"))).array();
    for (const QJsonValue &v : array)
        result[v[QLatin1String("SourceFile")].toString()].tags = v.toObject();
    const QString thumbs = QString::fromUtf8(readFile(testDataPath("exif/thumbnails.txt")));
    for (const QString &line : thumbs.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.size() == 3)
            result[parts[0]].thumbnail = std::make_pair(parts[1].toInt(), parts[2].toInt());
    }
    return result;
}

QString trimmedComment(const QString &text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin] <= QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] <= QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

void compareWithExiftool(const QString &path, const Expected &expected)
{
    SCOPED_TRACE(path.toStdString());
    const QJsonObject &tags = expected.tags;
    TExifInfo info;
    info.OnError = [](TExifInfo &, int, bool &allow) { allow = false; };
    const bool isExif = tags.contains(QLatin1String("File:ExifByteOrder"));
    EXPECT_EQ(info.IsExif(path), isExif);
    info.SetImageFileName(path);
    EXPECT_EQ(info.JpegWidth(), tags[QLatin1String("File:ImageWidth")].toInt());
    EXPECT_EQ(info.JpegHeight(), tags[QLatin1String("File:ImageHeight")].toInt());
    if (!isExif)
        return;
    EXPECT_EQ(info.ByteOrder() == 0x4949 ? "II" : "MM", tags[QLatin1String("File:ExifByteOrder")].toString());
    EXPECT_EQ(info.DateTimeOriginalText(), tags[QLatin1String("ExifIFD:DateTimeOriginal")].toString());
    const QJsonValue subsec = tags[QLatin1String("ExifIFD:SubSecTimeOriginal")];
    EXPECT_EQ(info.TagExists(kSubsec, TExifIFD::eiExif), !subsec.isUndefined());
    if (!subsec.isUndefined()) {
        EXPECT_EQ(info.SubsecTimeOriginal(), subsec.toVariant().toString().toInt());
    }
    // Where exiftool has no orientation the reader answers top-left on purpose.
    EXPECT_EQ(static_cast<int>(info.Orientation()), tags[QLatin1String("IFD0:Orientation")].toInt(1));
    // exiftool reads 8-bit strings as Latin-1/UTF-8 and the reader as CP932;
    // the sample strings are plain ASCII, where both agree.
    EXPECT_EQ(info.TagExists(270, TExifIFD::eiTIFF), tags.contains(QLatin1String("IFD0:ImageDescription")));
    if (info.TagExists(270, TExifIFD::eiTIFF)) {
        EXPECT_EQ(info.ImageDescription(), tags[QLatin1String("IFD0:ImageDescription")].toString());
    }
    EXPECT_EQ(trimmedComment(info.UserComment()),
              trimmedComment(tags[QLatin1String("ExifIFD:UserComment")].toString()));
    // A thumbnail counts as embedded JPEG only with Compression 6; exiftool
    // also extracts one that lacks the tag, where the reader reduces the image.
    const bool embedded = expected.thumbnail && tags[QLatin1String("IFD1:Compression")].toInt() == 6;
    EXPECT_EQ(info.hasEmbeddedThumbnail(), embedded);
    if (embedded) {
        TJPEGImage thumb;
        info.GetThumbnail(thumb, nullptr);
        EXPECT_EQ(thumb.Width, expected.thumbnail->first);
        EXPECT_EQ(thumb.Height, expected.thumbnail->second);
        EXPECT_EQ(thumb.Data.size(), tags[QLatin1String("IFD1:ThumbnailLength")].toInt());
    }
}

} // namespace

TEST(ExifInfoAgainstExiftool, CopiedSamplePhotos)
{
    const auto expected = loadExpected();
    const QStringList copies = QDir(testDataPath("photos")).entryList({QStringLiteral("*.jpg")}, QDir::Files);
    ASSERT_FALSE(copies.isEmpty());
    for (const QString &name : copies) {
        const auto it = expected.find(name);
        ASSERT_NE(it, expected.end()) << name.toStdString() << " has no recorded answers";
        compareWithExiftool(testDataPath("photos/" + name), it->second);
    }
}

TEST(ExifInfoAgainstExiftool, EverySharedSamplePhoto)
{
    VELLORA_REQUIRE_SHARED_PHOTOS();
    const auto expected = loadExpected();
    int compared = 0;
    for (const auto &[relative, answers] : expected) {
        const QString path = sharedPhotosDir() + QLatin1Char('/') + relative;
        if (!QFileInfo::exists(path))
            continue;
        compareWithExiftool(path, answers);
        ++compared;
    }
    EXPECT_EQ(compared, static_cast<int>(expected.size())) << "recorded photos missing from the shared folder";
}

TEST(ExifOrientationOf, AnythingButAValueFrom1To8ReadsAs1)
{
    auto withOrientation = [](std::vector<FixtureEntry> ifd0, bool littleEndian = true) {
        TiffFixture f;
        f.littleEndian = littleEndian;
        f.ifd0 = std::move(ifd0);
        return buildJpeg(buildTiff(f));
    };
    const QByteArray six = withOrientation({shortEntry(kOrientation, {6})});
    EXPECT_EQ(ExifOrientationOf(six), 6);
    EXPECT_EQ(ExifOrientationOf(withOrientation({shortEntry(kOrientation, {8})}, false)), 8);
    const std::pair<const char *, QByteArray> ones[] = {
        {"0", withOrientation({shortEntry(kOrientation, {0})})},
        {"9", withOrientation({shortEntry(kOrientation, {9})})},
        {"65535", withOrientation({shortEntry(kOrientation, {65535})})},
        {"no tag", withOrientation({asciiEntry(270, "x")})},
        {"no Exif block", buildJpeg(QByteArray())},
        {"cut inside the Exif block", six.left(40)},
        {"IFD offset past the block", [&] {
             QByteArray b = six;
             const qsizetype tiff = b.indexOf("II*");
             b[tiff + 4] = char(0xF0);
             return b;
         }()},
        {"not a JPEG", QByteArray("\x89PNG\r\n\x1A\n", 8)},
        {"empty", QByteArray()},
    };
    for (const auto &[what, bytes] : ones)
        EXPECT_EQ(ExifOrientationOf(bytes), 1) << what;
}
