#include "model/ImageInfo.h"
#include "testsupport/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

using namespace vellora;

namespace {

const QLocale kJapanese(QLocale::Japanese, QLocale::Japan);

// Little-endian pieces for building records by hand.
QByteArray le16(std::uint16_t v)
{
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}
QByteArray le32(std::uint32_t v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}
QByteArray le64(std::uint64_t v)
{
    QByteArray b(8, '\0');
    qToLittleEndian(v, b.data());
    return b;
}
QByteArray f64(double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, 8);
    return le64(bits);
}
QByteArray utf16z(const QString &s)
{
    QByteArray b;
    for (QChar c : s)
        b += le16(c.unicode());
    return b + le16(0);
}

TDateTime localTime(int y, int mo, int d, int h, int mi, int s, int ms = 0)
{
    return DateTimeFromQt(QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms)));
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(data), data.size());
}

// A small JPEG with an Exif block made of the given IFD0 and Exif IFD entries
// (little-endian TIFF). Values up to 4 bytes are stored in the entry.
struct IfdEntry {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    QByteArray value;
};

QByteArray ascii(const char *text) { return QByteArray(text, static_cast<qsizetype>(std::strlen(text) + 1)); }

QByteArray exifJpeg(std::vector<IfdEntry> ifd0, const std::vector<IfdEntry> &exifIfd)
{
    ifd0.push_back({0x8769, 4, 1, {}});   // Exif IFD pointer, filled below
    const auto ifdSize = [](std::size_t n) { return static_cast<std::uint32_t>(2 + 12 * n + 4); };
    const std::uint32_t exifOffset = 8 + ifdSize(ifd0.size());
    std::uint32_t dataOffset = exifOffset + ifdSize(exifIfd.size());
    QByteArray data;
    const auto writeIfd = [&](const std::vector<IfdEntry> &entries) {
        QByteArray ifd = le16(static_cast<std::uint16_t>(entries.size()));
        for (const IfdEntry &e : entries) {
            ifd += le16(e.tag) + le16(e.type) + le32(e.count);
            QByteArray value = e.tag == 0x8769 ? le32(exifOffset) : e.value;
            if (value.size() <= 4) {
                ifd += value + QByteArray(4 - value.size(), '\0');
            } else {
                ifd += le32(dataOffset + static_cast<std::uint32_t>(data.size()));
                data += value;
            }
        }
        return ifd + le32(0);
    };
    QByteArray tiff = QByteArray("II*\0", 4) + le32(8);
    tiff += writeIfd(ifd0);
    tiff += writeIfd(exifIfd);
    tiff += data;

    QImage image(8, 8, QImage::Format_RGB888);
    image.fill(Qt::darkCyan);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray app1("\xFF\xE1", 2);
    app1 += static_cast<char>((payload.size() + 2) >> 8);
    app1 += static_cast<char>((payload.size() + 2) & 0xFF);
    return jpeg.left(2) + app1 + payload + jpeg.mid(2);
}

} // namespace

TEST(ImageInfoTexts, FileSizeUsesThreeUnitsWithGroupedDigits)
{
    const struct {
        std::int64_t size;
        const char *japanese;
        const char *german;
    } cases[] = {
        {0, "0 バイト", "0 バイト"},
        {2047, "2,047 バイト", "2.047 バイト"},
        {2048, "2.0 KB", "2,0 KB"},
        {1234567, "1,205.6 KB", "1.205,6 KB"},
        {2097151, "2,048.0 KB", "2.048,0 KB"},
        {2097152, "2.00 MB", "2,00 MB"},
        {5368709120, "5,120.00 MB", "5.120,00 MB"},
    };
    const QLocale german(QLocale::German, QLocale::Germany);
    for (const auto &c : cases) {
        EXPECT_EQ(FileSizeText(c.size, kJapanese), QString::fromUtf8(c.japanese)) << c.size;
        EXPECT_EQ(FileSizeText(c.size, german), QString::fromUtf8(c.german)) << c.size;
    }
}

TEST(ImageInfoTexts, ImageSizeNeedsBothSides)
{
    EXPECT_EQ(ImageSizeText({3000, 2000}), QStringLiteral("3000×2000 ピクセル"));
    EXPECT_EQ(ImageSizeText({0, 0}), QStringLiteral("(なし)"));
    EXPECT_EQ(ImageSizeText({3000, 0}), QStringLiteral("(なし)"));
}

TEST(ImageInfoTexts, ShotTimeShowsMillisecondsWithoutLeadingZeros)
{
    EXPECT_EQ(ShotTimeText(localTime(2010, 5, 1, 12, 34, 56, 50)), QStringLiteral("2010/05/01 12:34:56.50"));
    EXPECT_EQ(ShotTimeText(localTime(2010, 5, 1, 12, 34, 56, 7)), QStringLiteral("2010/05/01 12:34:56.7"));
    EXPECT_EQ(ShotTimeText(localTime(2010, 5, 1, 8, 4, 5)), QStringLiteral("2010/05/01 08:04:05.0"));
    EXPECT_EQ(ShotTimeText(0), QStringLiteral("(なし)"));
    // Values from a damaged document that are no date at all.
    for (const double bad : {std::nan(""), 1e300, -1e9, 2958466.0}) {
        EXPECT_EQ(ShotTimeText(bad), QStringLiteral("(なし)")) << bad;
        EXPECT_EQ(FileTimeText(bad, kJapanese), QStringLiteral("-")) << bad;
    }
    EXPECT_EQ(ShotTimeText(2958465.5), QStringLiteral("9999/12/31 12:00:00.0"));
}

TEST(ImageInfoTexts, FileTimeLeavesOutMidnightAndZeroZone)
{
    EXPECT_EQ(FileTimeText(localTime(2010, 5, 1, 9, 5, 7), kJapanese), QStringLiteral("2010/05/01 9時05分07秒"));
    EXPECT_EQ(FileTimeText(localTime(2010, 5, 1, 0, 0, 0), kJapanese), QStringLiteral("2010/05/01"));
    EXPECT_EQ(FileTimeText(0, kJapanese), QStringLiteral("-"));
}

TEST(ImageInfoDateTime, CountsDaysFromTheEpochWithTheTimeAsFraction)
{
    // 40299 is 1 May 2010 in the document format's day count.
    EXPECT_DOUBLE_EQ(localTime(2010, 5, 1, 0, 0, 0), 40299.0);
    EXPECT_DOUBLE_EQ(localTime(2010, 5, 1, 18, 0, 0), 40299.75);
    EXPECT_DOUBLE_EQ(localTime(1899, 12, 30, 0, 0, 0), 0.0);
    // Milliseconds survive the round trip through the double.
    const QDateTime t(QDate(2023, 12, 31), QTime(23, 59, 59, 999));
    EXPECT_EQ(DateTimeToQt(DateTimeFromQt(t)), t);
}

// ---------------------------------------------------------------------------

namespace {

QByteArray optionRecord()
{
    return le32(2) + utf16z(QStringLiteral("一行目")) + utf16z(QString()) //
        + QByteArray("\x03\x01\x02", 3) + f64(1.5)                        // copies, aligns, scale
        + QByteArray("\x03\x02\x04\x02\x01\x00", 6);                      // size, limit, rotate, parents
}

} // namespace

TEST(PhotoOption, NewOptionHasOneCopyAndZeroes)
{
    TPhotoOption o;
    EXPECT_EQ(o.Copies(), 1);
    EXPECT_TRUE(o.Comment().isEmpty());
    EXPECT_EQ(o.ParentAlign(), TParentMode::pamArea);
    EXPECT_EQ(o.PhotoSize(), TPhotoSize::psPhoto);
    EXPECT_EQ(o.Rotate(), TPhotoRotate::prNone);
    EXPECT_EQ(o.ScaleLimit(), TPhotoLimitMode::plmNone);
    EXPECT_EQ(o.HorizontalAlign(), TPhotoAlign::paLeftTop);
    EXPECT_EQ(o.PhotoScale(), 0.0);
}

TEST(PhotoOption, RecordReadsFieldsInFileOrderAndWritesTheSameBytes)
{
    TMemoryStream in(optionRecord());
    TPhotoOption o;
    o.SetComment({QStringLiteral("old line")});
    int loads = 0;
    o.SetOnLoad([&](void *sender) {
        ++loads;
        EXPECT_EQ(sender, &o);
    });
    o.LoadFromStream(in);
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(in.Remaining(), 0);
    EXPECT_EQ(o.Comment(), QStringList({QStringLiteral("一行目"), QString()}));   // replaced, not appended
    EXPECT_EQ(o.Copies(), 3);
    EXPECT_EQ(o.HorizontalAlign(), TPhotoAlign::paCenter);
    EXPECT_EQ(o.VerticalAlign(), TPhotoAlign::paRightBottom);
    EXPECT_EQ(o.PhotoScale(), 1.5);
    EXPECT_EQ(o.PhotoSize(), TPhotoSize::psScale);
    EXPECT_EQ(o.ScaleLimit(), TPhotoLimitMode::plmDownOnly);
    EXPECT_EQ(o.Rotate(), TPhotoRotate::pr270);
    EXPECT_EQ(o.ParentAlign(), TParentMode::pamOrigin);
    EXPECT_EQ(o.ParentRotate(), TParentMode::pamPaper);
    EXPECT_EQ(o.ParentSize(), TParentMode::pamArea);

    TMemoryStream out;
    o.SaveToStream(out);
    EXPECT_EQ(out.Data().toHex(), optionRecord().toHex());
}

TEST(PhotoOption, AssignCopiesTrueRotateButNotTheEvent)
{
    TMemoryStream in(optionRecord());
    TPhotoOption source;
    source.LoadFromStream(in);
    source.SetTrueRotate(TPhotoRotate::pr90);
    TPhotoOption copy;
    bool fired = false;
    copy.SetOnLoad([&](void *) { fired = true; });
    copy.Assign(source);
    TMemoryStream a, b;
    source.SaveToStream(a);
    copy.SaveToStream(b);
    EXPECT_EQ(a.Data(), b.Data());
    EXPECT_EQ(copy.TrueRotate(), TPhotoRotate::pr90);
    TMemoryStream again(optionRecord());
    copy.LoadFromStream(again);
    EXPECT_TRUE(fired);
}

TEST(PhotoOption, BadRecordsFailAndLeaveTheOptionsAlone)
{
    const QByteArray good = optionRecord();
    for (qsizetype n = 0; n < good.size(); ++n) {
        TMemoryStream in(good.left(n));
        TPhotoOption o;
        EXPECT_THROW(o.LoadFromStream(in), EReadError) << "prefix of " << n << " bytes";
        EXPECT_EQ(o.Copies(), 1);
        EXPECT_TRUE(o.Comment().isEmpty());
    }
    // A line count far beyond the record must not be trusted.
    TMemoryStream huge(le32(0xFFFFFFF0) + good.mid(4));
    TPhotoOption o;
    EXPECT_THROW(o.LoadFromStream(huge), EReadError);

    QByteArray badRotate = good;
    badRotate[badRotate.size() - 4] = 9;
    TMemoryStream in(badRotate);
    EXPECT_THROW(o.LoadFromStream(in), FormatError);
}

// ---------------------------------------------------------------------------

namespace {

// An entry record with distinct values in every field.
QByteArray entryRecord(std::uint8_t logMode, const QString &fileName, const QByteArray &imageRecord = {})
{
    return QByteArray(1, static_cast<char>(logMode)) + utf16z(fileName) + QByteArray(1, 1)   // Checked
        + utf16z(QStringLiteral("説明")) + utf16z(QStringLiteral("comment"))               //
        + le64(123456) + f64(40299.5)                                                     // size, file time
        + le32(3000) + le32(2000) + f64(40299.25)                                         // image size, shot
        + QByteArray(1, 6)                                                                // eoRightTop
        + optionRecord() + imageRecord;
}

QString missingFile()
{
    return QDir(test::scratchDir(QStringLiteral("missing"))).filePath(QStringLiteral("gone.jpg"));
}

} // namespace

TEST(ImageInfo, LinkedRecordReadsStoredFactsAndWritesTheSameBytes)
{
    const QByteArray record = entryRecord(0, missingFile());
    TMemoryStream in(record);
    TImageInfo info;
    int optionLoads = 0;
    info.SetOnOptionLoad([&](void *sender) {
        ++optionLoads;
        EXPECT_EQ(sender, &info);
    });
    info.LoadFromStream(in);
    EXPECT_EQ(in.Remaining(), 0);
    EXPECT_EQ(optionLoads, 1);
    EXPECT_EQ(info.LogMode(), TImageLogging::iloLink);
    EXPECT_TRUE(info.Checked());
    EXPECT_FALSE(info.IsExist());
    EXPECT_EQ(info.Descriptin(), QStringLiteral("説明"));
    EXPECT_EQ(info.ExifComment(), QStringLiteral("comment"));
    EXPECT_EQ(info.FileSize(), 123456);
    EXPECT_EQ(info.FileTime(), 40299.5);
    EXPECT_EQ(info.ImageWidth(), 3000);
    EXPECT_EQ(info.ImageHeight(), 2000);
    EXPECT_EQ(info.ShotTime(), 40299.25);
    EXPECT_EQ(info.Orientation(), TExifOrientation::eoRightTop);
    EXPECT_EQ(info.Options().Copies(), 3);
    EXPECT_EQ(info.ImageSizeText(), QStringLiteral("3000×2000 ピクセル"));
    EXPECT_EQ(info.ShotTimeText(), QStringLiteral("2010/05/01 06:00:00.0"));

    TMemoryStream out;
    info.SaveToStream(out, nullptr, TFileSaveType::fstLink);
    EXPECT_EQ(out.Data().toHex(), record.toHex());
}

TEST(ImageInfo, EmbeddedRecordSkipsTheImageAndRemembersWhereItStarts)
{
    const QByteArray image = le32(5 + 3) + QByteArray(1, 0) + QByteArray("abc");
    const QByteArray record = entryRecord(1, QStringLiteral("/photos/a.jpg"), image);
    TMemoryStream in(record + QByteArray("next"));
    TImageInfo info;
    info.LoadFromStream(in);
    EXPECT_EQ(info.LogMode(), TImageLogging::iloStream);
    EXPECT_EQ(info.Position(), record.size() - image.size());
    EXPECT_EQ(in.Position(), record.size());

    // Already embedded, saved with a link save type and no previous file: the
    // entry stays embedded, but with an empty image record.
    TMemoryStream out;
    out.WriteBytes(QByteArray("xy"));
    info.SaveToStream(out, nullptr, TFileSaveType::fstLink);
    EXPECT_EQ(out.Data().mid(2).toHex(), (record.left(record.size() - image.size()) + le32(5) + QByteArray(1, 0)).toHex());
    EXPECT_EQ(info.Position(), 2 + record.size() - image.size());
}

TEST(ImageInfo, TruncatedOrInconsistentRecordsFail)
{
    const QByteArray image = le32(5 + 3) + QByteArray(1, 1) + QByteArray("abc");
    const QByteArray good = entryRecord(1, QStringLiteral("/photos/a.png"), image);
    for (qsizetype n = 0; n < good.size(); ++n) {
        TMemoryStream in(good.left(n));
        TImageInfo info;
        EXPECT_THROW(info.LoadFromStream(in), EReadError) << "prefix of " << n << " bytes";
    }
    const qsizetype lengthAt = good.size() - image.size();
    const struct {
        std::uint32_t length;
        bool readError;   // otherwise a format error
    } lengths[] = {{9, true}, {0xFFFFFFFF, true}, {4, false}, {0, false}};
    for (const auto &c : lengths) {
        QByteArray bad = good;
        bad.replace(lengthAt, 4, le32(c.length));
        TMemoryStream in(bad);
        TImageInfo info;
        if (c.readError)
            EXPECT_THROW(info.LoadFromStream(in), EReadError) << c.length;
        else
            EXPECT_THROW(info.LoadFromStream(in), FormatError) << c.length;
    }
    QByteArray badMode = good;
    badMode[0] = 2;
    TMemoryStream in(badMode);
    TImageInfo info;
    EXPECT_THROW(info.LoadFromStream(in), FormatError);
}

TEST(ImageInfo, AssignCopiesStoredFactsAndOptions)
{
    TMemoryStream in(entryRecord(0, missingFile()));
    TImageInfo source;
    source.LoadFromStream(in);
    source.SetSelected(true);
    source.Options().SetTrueRotate(TPhotoRotate::pr180);
    TImageInfo copy;
    copy.Assign(source);
    TMemoryStream a, b;
    source.SaveToStream(a, nullptr, TFileSaveType::fstLink);
    copy.SaveToStream(b, nullptr, TFileSaveType::fstLink);
    EXPECT_EQ(a.Data(), b.Data());
    EXPECT_TRUE(copy.Selected());
    EXPECT_EQ(copy.IsExist(), source.IsExist());
    EXPECT_EQ(copy.Options().TrueRotate(), TPhotoRotate::pr180);
}

// ---------------------------------------------------------------------------

TEST(ImageInfoFile, ExifFactsWithSubSeconds)
{
    const QString dir = test::scratchDir(QStringLiteral("exif"));
    const struct {
        const char *subsec;   // nullptr: no sub-second tag
        const char *shotText;
    } cases[] = {
        {"50", "2010/05/01 12:34:56.50"},
        {"1234", "(なし)"},
        {nullptr, "2010/05/01 12:34:56.0"},
        {"7", "2010/05/01 12:34:56.7"},
    };
    for (const auto &c : cases) {
        std::vector<IfdEntry> exifIfd = {{0x9003, 2, 20, ascii("2010:05:01 12:34:56")}};
        if (c.subsec)
            exifIfd.push_back({0x9291, 2, static_cast<std::uint32_t>(std::strlen(c.subsec) + 1), ascii(c.subsec)});
        const QByteArray comment = QByteArray("ASCII\0\0\0", 8) + QByteArray(" \t hello world \r\n ");
        exifIfd.push_back({0x9286, 7, static_cast<std::uint32_t>(comment.size()), comment});
        const QByteArray jpeg = exifJpeg({{0x010E, 2, 9, ascii("Mt. Fuji")}, {0x0112, 3, 1, le16(6)}}, exifIfd);
        const QString path = dir + QStringLiteral("/photo.jpg");
        writeFile(path, jpeg);

        TImageInfo info;
        info.SetFileName(path, TImageLogging::iloLink);
        EXPECT_TRUE(info.IsExif());
        EXPECT_EQ(info.ShotTimeText(), QString::fromUtf8(c.shotText)) << (c.subsec ? c.subsec : "none");
        EXPECT_EQ(info.ExifComment(), QStringLiteral("hello world"));
        EXPECT_EQ(info.Descriptin(), QStringLiteral("Mt. Fuji"));
        EXPECT_EQ(info.Orientation(), TExifOrientation::eoRightTop);
        EXPECT_EQ(info.FileSize(), jpeg.size());
        EXPECT_EQ(DateTimeToQt(info.FileTime()), QFileInfo(path).lastModified().toLocalTime());
        EXPECT_EQ(info.ImageSize(), TIntSize{});   // the list view fills it in later
    }
}

TEST(ImageInfoFile, DescriptionOnlyChangesWhenTheTagExists)
{
    const QString dir = test::scratchDir(QStringLiteral("exif"));
    const QString with = dir + QStringLiteral("/with.jpg");
    const QString without = dir + QStringLiteral("/without.jpg");
    writeFile(with, exifJpeg({{0x010E, 2, 6, ascii("first")}}, {}));
    writeFile(without, exifJpeg({}, {}));

    TImageInfo info;
    info.SetFileName(with, TImageLogging::iloLink);
    info.SetFileName(without, TImageLogging::iloLink);
    EXPECT_EQ(info.Descriptin(), QStringLiteral("first"));
    EXPECT_EQ(info.ShotTime(), 0.0);   // no date tag: unknown, not an error
    EXPECT_EQ(info.Orientation(), TExifOrientation::eoTopLeft);
}

TEST(ImageInfoFile, NonExifEmbeddedAndMissingFilesClearTheFacts)
{
    const QString dir = test::scratchDir(QStringLiteral("plain"));
    const QString exifPath = dir + QStringLiteral("/e.jpg");
    writeFile(exifPath, exifJpeg({{0x010E, 2, 6, ascii("first")}, {0x0112, 3, 1, le16(3)}},
                                 {{0x9003, 2, 20, ascii("2010:05:01 12:34:56")}}));
    const QString bmpPath = dir + QStringLiteral("/plain.bmp");
    QImage(5, 4, QImage::Format_RGB888).save(bmpPath, "BMP");

    TImageInfo info;
    info.SetFileName(exifPath, TImageLogging::iloLink);
    ASSERT_NE(info.ShotTime(), 0.0);
    info.SetImageSize({5, 4});
    info.SetFileName(bmpPath, TImageLogging::iloLink);
    EXPECT_FALSE(info.IsExif());
    EXPECT_EQ(info.ShotTime(), 0.0);
    EXPECT_TRUE(info.Descriptin().isEmpty());
    EXPECT_EQ(info.Orientation(), TExifOrientation::eoReserved);
    EXPECT_EQ(info.FileSize(), QFileInfo(bmpPath).size());
    EXPECT_EQ(info.ImageSize(), (TIntSize{5, 4}));   // a file without Exif keeps the known size

    for (const auto &[path, mode] : {std::pair{exifPath, TImageLogging::iloStream},
                                     std::pair{missingFile(), TImageLogging::iloLink}}) {
        info.SetFileName(exifPath, TImageLogging::iloLink);
        info.SetImageSize({5, 4});
        info.SetFileName(path, mode);
        EXPECT_EQ(info.FileName(), path);
        EXPECT_EQ(info.LogMode(), mode);
        EXPECT_FALSE(info.IsExif());
        EXPECT_EQ(info.ShotTime(), 0.0);
        EXPECT_EQ(info.FileSize(), 0);
        EXPECT_EQ(info.FileTime(), 0.0);
        EXPECT_EQ(info.ImageSize(), TIntSize{});
        EXPECT_EQ(info.Orientation(), TExifOrientation::eoReserved);
    }
}
