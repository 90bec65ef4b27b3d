#include "imagelist/Thumbnail.h"
#include "imagelist/tests/JpegBuilder.h"

#include "graphics/GraphicClass.h"
#include "testsupport/TestSupport.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>

#include <optional>

using namespace vellora;
using namespace vellora::test;

namespace {

QImage filled(int w, int h, QColor c)
{
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(c);
    return image;
}

std::int64_t offsetOf(const QByteArray &bytes, int searchBytes = 32)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return FindExifOffset(buffer, searchBytes);
}

TThumbJob jobFor(const QString &path, int size = 160)
{
    TThumbJob job;
    job.Path = path;
    job.ThumbSize = size;
    job.Mode = TIVThumbnailMode::tmDraft;
    job.GraphicClass = &JpegImageClass();
    job.ThumbnailClass = &BitmapClass();
    return job;
}

} // namespace

TEST(ResampleThumbnail, ReducesToTheSquareAndNeverEnlarges)
{
    struct Case {
        int w, h, size;
        int ew, eh;
    } cases[] = {
        {4000, 3000, 160, 160, 120},
        {100, 80, 160, 100, 80},
        {1, 5000, 160, 1, 160},
        {320, 101, 160, 160, 50},   // 50.5 rounds to even
        {5000, 1, 160, 160, 1},
        {160, 160, 160, 160, 160},
    };
    for (const Case &c : cases) {
        for (TIVThumbnailMode mode : {TIVThumbnailMode::tmDraft, TIVThumbnailMode::tmFine}) {
            if (mode == TIVThumbnailMode::tmFine && c.w * c.h > 1000000)
                continue;   // area averaging of 12 Mpx is slow under the sanitizers and adds nothing here
            QImage image = filled(c.w, c.h, QColor(10, 200, 30));
            ResampleThumbnail(image, c.size, mode);
            EXPECT_EQ(image.size(), QSize(c.ew, c.eh)) << c.w << "x" << c.h;
            EXPECT_EQ(image.format(), QImage::Format_RGB888);
            EXPECT_EQ(image.pixelColor(image.width() - 1, image.height() - 1), QColor(10, 200, 30));
        }
    }
}

TEST(ResampleThumbnail, FineModeWeighsThePartialColumns)
{
    // 3 × 1 into 2: S = 2/3. Pixel 0 spans 0..1.5 and weighs columns 0, 1, 2
    // by 1, 1, 0.5; pixel 1 spans 1.5..3 and weighs columns 1, 2 by 0.5, 1.
    QImage image(3, 1, QImage::Format_RGB888);
    image.setPixelColor(0, 0, QColor(10, 0, 255));
    image.setPixelColor(1, 0, QColor(20, 0, 255));
    image.setPixelColor(2, 0, QColor(40, 0, 255));
    ResampleThumbnail(image, 2, TIVThumbnailMode::tmFine);
    ASSERT_EQ(image.size(), QSize(2, 1));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(20, 0, 255));   // (10 + 20 + 20) / 2.5
    EXPECT_EQ(image.pixelColor(1, 0), QColor(33, 0, 255));   // (10 + 40) / 1.5 = 33.3

    // Draft takes the pixel at Trunc(x / S): columns 0 and 1.
    QImage draft(3, 1, QImage::Format_RGB888);
    for (int x = 0; x < 3; ++x)
        draft.setPixelColor(x, 0, QColor(x * 100, 0, 0));
    ResampleThumbnail(draft, 2, TIVThumbnailMode::tmDraft);
    EXPECT_EQ(draft.pixelColor(0, 0).red(), 0);
    EXPECT_EQ(draft.pixelColor(1, 0).red(), 100);
}

TEST(FindExifOffset, FollowsTheSearchWindowRules)
{
    const QByteArray exif = JpegBuilder::exifBlock(JpegBuilder::smallJpeg(QSize(8, 8)), 6, QSize(640, 480));
    struct Case {
        const char *name;
        QByteArray file;
        int searchBytes;
        std::int64_t expected;
    } cases[] = {
        {"APP1 first", JpegBuilder::jpegWithSegments({JpegBuilder::app1Exif(exif)}), 32, 12},
        {"after an 18-byte APP0", JpegBuilder::jpegWithSegments({JpegBuilder::segment(0xE0, QByteArray(14, 'j')), JpegBuilder::app1Exif(exif)}), 32, 30},
        {"APP1 past the window after APP2", JpegBuilder::jpegWithSegments({JpegBuilder::segment(0xE2, QByteArray(100, 'i')), JpegBuilder::app1Exif(exif)}), 32, 0},
        {"wider window reaches it", JpegBuilder::jpegWithSegments({JpegBuilder::segment(0xE2, QByteArray(100, 'i')), JpegBuilder::app1Exif(exif)}), 200, 116},
        {"XMP APP1", JpegBuilder::jpegWithSegments({JpegBuilder::segment(0xE1, QByteArray("http://ns.adobe.com/xap/1.0/\0<x/>", 34))}), 32, 0},
        {"lower-case exif", JpegBuilder::jpegWithSegments({JpegBuilder::segment(0xE1, QByteArray("exif\0\0", 6) + exif)}), 32, 12},
        {"window 0 still sees the first marker", JpegBuilder::jpegWithSegments({JpegBuilder::app1Exif(exif)}), 0, 12},
        {"not a JPEG", QByteArray("BM\xFF\xE1\0\x10" "Exif\0\0", 12), 32, 0},
        {"empty", QByteArray(), 32, 0},
        {"only SOI", QByteArray("\xFF\xD8", 2), 32, 0},
        {"marker at the end", QByteArray("\xFF\xD8\xFF\xE1\x00", 5), 32, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(offsetOf(c.file, c.searchBytes), c.expected) << c.name;
}

TEST(MakeThumbnail, UsesTheExifThumbnailOnlyWithCompressionSix)
{
    const QString dir = scratchDir(QStringLiteral("imagelist-exifthumb"));
    const QImage big = filled(640, 480, Qt::blue);
    const QByteArray thumbJpeg = JpegBuilder::encode(filled(160, 120, Qt::red));
    struct Case {
        const char *name;
        int compression;
        bool fromExif;
    } cases[] = {{"JPEG thumbnail", 6, true}, {"uncompressed claim", 1, false}};
    for (const Case &c : cases) {
        const QString path = dir + QStringLiteral("/%1.jpg").arg(c.compression);
        JpegBuilder::write(path, JpegBuilder::jpegWithExif(big, JpegBuilder::exifBlock(thumbJpeg, c.compression, QSize(4000, 3000))));
        const TThumbJobResult r = RunThumbJob(jobFor(path));
        EXPECT_TRUE(r.Exists);
        EXPECT_EQ(r.ExifOffset, 12) << c.name;
        EXPECT_EQ(r.FromExif, c.fromExif) << c.name;
        ASSERT_FALSE(r.Thumb.isNull()) << c.name;
        EXPECT_EQ(r.Thumb.size(), QSize(160, 120)) << c.name;
        // The Exif thumbnail is red, the photo blue.
        const QColor centre = r.Thumb.pixelColor(80, 60);
        EXPECT_EQ(centre.red() > 200, c.fromExif) << c.name;
        // The frame header wins over the stale Exif pixel size.
        EXPECT_EQ(r.ImageSize.cx, 640) << c.name;
        EXPECT_EQ(r.ImageSize.cy, 480) << c.name;
        EXPECT_EQ(r.Encoded.size(), 57654) << c.name;   // a 24-bit BMP file of 160 × 120
    }
}

TEST(MakeThumbnail, CameraWithoutCompressionTagTakesTheFullDecode)
{
    const TThumbJobResult r = RunThumbJob(jobFor(testDataPath(QStringLiteral("photos/Olympus_C8080WZ.jpg"))));
    EXPECT_GT(r.ExifOffset, 0);
    EXPECT_FALSE(r.FromExif);
    ASSERT_FALSE(r.Thumb.isNull());
    EXPECT_GT(r.ImageSize.cx, 0);
    EXPECT_EQ(r.Thumb.size(), ThumbnailSizeFor(QSize(r.ImageSize.cx, r.ImageSize.cy), 160));

    const TThumbJobResult canon = RunThumbJob(jobFor(testDataPath(QStringLiteral("photos/Canon_40D.jpg"))));
    EXPECT_TRUE(canon.FromExif);
    EXPECT_FALSE(canon.Thumb.isNull());
}

TEST(MakeThumbnail, ReducedJpegDecodeGivesTheFullSizeThumbnail)
{
    // 1283 × 967 decodes at 1/4 (320 × 241 covers 160 × 121); the result still
    // has the size the full picture asks for, and its colours.
    const QString path = scratchDir(QStringLiteral("imagelist-dct")) + QStringLiteral("/big.jpg");
    QImage image = filled(1283, 967, QColor(0, 128, 255));
    JpegBuilder::write(path, JpegBuilder::encode(image));
    TThumbJob job = jobFor(path);
    job.Mode = TIVThumbnailMode::tmFine;
    const TThumbJobResult r = RunThumbJob(job);
    ASSERT_FALSE(r.Thumb.isNull());
    EXPECT_EQ(r.Thumb.size(), QSize(160, 121));
    EXPECT_EQ(r.ImageSize.cx, 1283);
    EXPECT_EQ(r.ImageSize.cy, 967);
    const QColor c = r.Thumb.pixelColor(80, 60);
    EXPECT_NEAR(c.blue(), 255, 3);
    EXPECT_NEAR(c.green(), 128, 3);
}

TEST(MakeThumbnail, TransparentImagesGoOnWhite)
{
    const QString path = scratchDir(QStringLiteral("imagelist-png")) + QStringLiteral("/clear.png");
    QImage image(20, 10, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setPixelColor(0, 0, QColor(255, 0, 0, 255));
    ASSERT_TRUE(image.save(path));
    TThumbJob job = jobFor(path);
    job.GraphicClass = &PngImageClass();
    const TThumbJobResult r = RunThumbJob(job);
    ASSERT_FALSE(r.Thumb.isNull());
    EXPECT_EQ(r.Thumb.pixelColor(10, 5), QColor(Qt::white));
    EXPECT_EQ(r.Thumb.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(r.ImageSize.cx, 20);
}

TEST(MakeThumbnail, DraftThumbnailsOfWholePicturesAreSmoothFromEverySource)
{
    // One-pixel stripes: a smooth reduction gives an even grey, a nearest-pixel
    // one from the full picture black and white bands.
    QImage stripes(1601, 1201, QImage::Format_RGB888);
    for (int y = 0; y < stripes.height(); ++y)
        for (int x = 0; x < stripes.width(); ++x)
            stripes.setPixelColor(x, y, (x + y) % 2 ? Qt::white : Qt::black);
    const QString path = scratchDir(QStringLiteral("imagelist-stripes")) + QStringLiteral("/stripes.png");
    ASSERT_TRUE(stripes.save(path));
    TThumbJob fromFile = jobFor(path);
    fromFile.GraphicClass = &PngImageClass();
    TThumbJob fromHost = jobFor(path);
    fromHost.Load = [stripes] { return stripes; };   // a picture kept in a document
    for (TThumbJob job : {fromFile, fromHost}) {
        job.Mode = TIVThumbnailMode::tmDraft;
        const TThumbJobResult r = RunThumbJob(job);
        ASSERT_EQ(r.Thumb.size(), QSize(160, 120));
        int far = 0;
        for (int y = 0; y < r.Thumb.height(); ++y)
            for (int x = 0; x < r.Thumb.width(); ++x)
                far += std::abs(qGray(r.Thumb.pixel(x, y)) - 128) > 40;
        EXPECT_EQ(far, 0) << (job.Load ? "host picture" : "file");
    }
}

TEST(MakeThumbnail, BadFilesGiveNoThumbnailQuickly)
{
    const QString dir = scratchDir(QStringLiteral("imagelist-bad"));
    const QByteArray good = JpegBuilder::jpegWithExif(filled(64, 48, Qt::green),
                                                      JpegBuilder::exifBlock(JpegBuilder::encode(filled(16, 12, Qt::red)), 6, QSize(64, 48)));
    QByteArray hugeFrame = JpegBuilder::encode(filled(16, 16, Qt::gray));
    {
        // The frame header claims 65000 × 65000.
        const qsizetype sof = hugeFrame.indexOf(QByteArray("\xFF\xC0", 2));
        ASSERT_GT(sof, 0);
        hugeFrame[sof + 5] = char(0xFD);
        hugeFrame[sof + 6] = char(0xE8);
        hugeFrame[sof + 7] = char(0xFD);
        hugeFrame[sof + 8] = char(0xE8);
    }
    QByteArray strayIfd = good;
    strayIfd[12 + 7] = char(0x7F);   // IFD0 offset far outside the block
    struct Case {
        const char *name;
        QByteArray bytes;
        bool thumb;
    } cases[] = {
        {"empty file", QByteArray(), false},
        {"truncated in the Exif block", good.left(40), false},
        {"stray IFD offset falls back to the photo", strayIfd, true},
        {"huge frame", hugeFrame, false},
        {"garbage", QByteArray(5000, '\xFF'), false},
    };
    for (const Case &c : cases) {
        const QString path = dir + QStringLiteral("/%1.jpg").arg(QString::fromLatin1(c.name).replace(u' ', u'_'));
        JpegBuilder::write(path, c.bytes);
        QElapsedTimer timer;
        timer.start();
        const TThumbJobResult r = RunThumbJob(jobFor(path));
        EXPECT_LT(timer.elapsed(), 5000) << c.name;
        EXPECT_TRUE(r.Exists) << c.name;
        EXPECT_EQ(!r.Thumb.isNull(), c.thumb) << c.name;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        TIntSize size;
        ReadJpegFrameSize(file, size);   // must simply not crash
    }
    const TThumbJobResult missing = RunThumbJob(jobFor(dir + QStringLiteral("/none.jpg")));
    EXPECT_FALSE(missing.Exists);
    EXPECT_TRUE(missing.Thumb.isNull());
}

TEST(MakeThumbnail, AFifoNamedLikeAPhotoIsNotOpened)
{
    const QString dir = scratchDir(QStringLiteral("imagelist-fifo"));
    const QString path = dir + QStringLiteral("/photo.jpg");
    ASSERT_TRUE(makeFifo(path));
    std::optional<FifoRelease> release(std::in_place, QStringList{path}, std::chrono::seconds(2));
    QElapsedTimer timer;
    timer.start();
    const TThumbJobResult r = RunThumbJob(jobFor(path));
    const qint64 job = timer.restart();
    const std::int64_t exif = FindExifOffset(path, 32);
    const qint64 search = timer.restart();
    const TIntSize size = ReadImageSize(path, &JpegImageClass());
    const qint64 read = timer.elapsed();
    release.reset();
    EXPECT_LT(job, 1000);
    EXPECT_LT(search, 1000);
    EXPECT_LT(read, 1000);
    EXPECT_TRUE(r.Thumb.isNull());
    EXPECT_EQ(exif, 0);
    EXPECT_EQ(size.cx, 0);
}

TEST(ReadImageSize, TakesSizesFromHeaders)
{
    const QString dir = scratchDir(QStringLiteral("imagelist-size"));
    // Exif says 4000 × 3000 (stale), the frame 64 × 48.
    const QString jpeg = dir + QStringLiteral("/edited.jpg");
    JpegBuilder::write(jpeg, JpegBuilder::jpegWithExif(filled(64, 48, Qt::green),
                                                       JpegBuilder::exifBlock(JpegBuilder::encode(filled(16, 12, Qt::red)), 6, QSize(4000, 3000))));
    TIntSize s = ReadImageSize(jpeg, &JpegImageClass());
    EXPECT_EQ(s.cx, 64);
    EXPECT_EQ(s.cy, 48);
    // A big-endian camera file.
    s = ReadImageSize(testDataPath(QStringLiteral("photos/Fujifilm_FinePix6900ZOOM.jpg")), &JpegImageClass());
    EXPECT_GT(s.cx, 0);
    const QString png = dir + QStringLiteral("/a.png");
    ASSERT_TRUE(filled(33, 21, Qt::red).save(png));
    s = ReadImageSize(png, &PngImageClass());
    EXPECT_EQ(s.cx, 33);
    EXPECT_EQ(s.cy, 21);
}
