#include "imagelist/ThumbnailCache.h"

#include "graphics/GraphicClass.h"

#include "testsupport/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace vellora;
using namespace vellora::test;

namespace {

QImage thumb(int w, int h, QColor c = Qt::red)
{
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(c);
    return image;
}

QString cacheIn(const QString &scratch)
{
    return scratchDir(scratch) + QStringLiteral("/cache.tmp");
}

QByteArray recordBytes(const TDigest &key, std::int32_t length, const QByteArray &data)
{
    QByteArray b(reinterpret_cast<const char *>(key.data()), 16);
    for (int i = 0; i < 4; ++i)
        b.append(char((static_cast<std::uint32_t>(length) >> (8 * i)) & 0xFF));
    return b + data;
}

const TThumbFileStamp kStamp{100, 1000};

} // namespace

TEST(ThumbnailCache, RecordIsKeyLengthAndBmpFile)
{
    TThumbnailCache cache;
    cache.SetFileName(cacheIn(QStringLiteral("cache-record")));
    const QString path = QStringLiteral("/photos/夏休み_001.jpg");
    const std::int64_t pos = cache.Store(path, EncodeThumbnailBmp(thumb(160, 120)), kStamp);
    EXPECT_EQ(pos, 20);
    cache.Close();
    const QByteArray file = readFile(cache.FileName());
    ASSERT_EQ(file.size(), 20 + 57654);
    const TDigest key = ThumbnailKey(path);
    EXPECT_EQ(file.left(16), QByteArray(reinterpret_cast<const char *>(key.data()), 16));
    EXPECT_EQ(file.mid(16, 4), QByteArray("\x36\xE1\x00\x00", 4));   // 57654
    EXPECT_EQ(file.mid(20, 2), QByteArray("BM"));
    EXPECT_EQ(QFileInfo(cache.FileName()).permissions() & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());
}

TEST(ThumbnailCache, KeyIsMd5OfTheAsciiUpperCasedPathInUtf16)
{
    for (const QString &path : {QStringLiteral("/tmp/夏休み/abc.jpg"), QStringLiteral("/x/äb_ß.Jpg")}) {
        QString upper = path;
        for (QChar &c : upper)
            if (c >= u'a' && c <= u'z')
                c = c.toUpper();
        QProcess sh;
        sh.start(QStringLiteral("/bin/sh"),
                 {QStringLiteral("-c"), QStringLiteral("printf '%s' \"$1\" | iconv -f UTF-8 -t UTF-16LE | md5sum"),
                  QStringLiteral("sh"), upper});
        ASSERT_TRUE(sh.waitForFinished());
        const QByteArray expected = sh.readAllStandardOutput().left(32);
        const TDigest key = ThumbnailKey(path);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(key.data()), 16).toHex(), expected) << path.toStdString();
    }
    // Only a–z change: "ä" and "ß" stay as they are.
    EXPECT_NE(ThumbnailKey(QStringLiteral("/x/ä.jpg")), ThumbnailKey(QStringLiteral("/x/Ä.jpg")));
    EXPECT_EQ(ThumbnailKey(QStringLiteral("/x/a.jpg")), ThumbnailKey(QStringLiteral("/X/A.JPG")));
}

TEST(ThumbnailCache, ReopenFindsTheNewestRecordOfEachKey)
{
    TThumbnailCache cache;
    cache.SetFileName(cacheIn(QStringLiteral("cache-reopen")));
    const std::int64_t oldA = cache.Store(QStringLiteral("/a.jpg"), EncodeThumbnailBmp(thumb(4, 4, Qt::red)), kStamp);
    const std::int64_t b = cache.Store(QStringLiteral("/b.jpg"), EncodeThumbnailBmp(thumb(4, 4, Qt::green)), kStamp);
    const std::int64_t newA = cache.Store(QStringLiteral("/a.jpg"), EncodeThumbnailBmp(thumb(4, 4, Qt::blue)), kStamp);
    EXPECT_EQ(cache.Find(QStringLiteral("/a.jpg"), kStamp), newA);
    cache.Close();
    EXPECT_FALSE(cache.Active());
    ASSERT_TRUE(cache.Open());
    EXPECT_EQ(cache.RecordCount(), 3);
    EXPECT_EQ(cache.Find(QStringLiteral("/a.jpg"), kStamp), newA);
    EXPECT_NE(newA, oldA);
    EXPECT_EQ(cache.Find(QStringLiteral("/B.JPG"), kStamp), b);   // a key from the file says nothing about case
    EXPECT_EQ(DecodeThumbnail(cache.Read(newA), &BitmapClass()).pixelColor(1, 1), QColor(Qt::blue));
    EXPECT_EQ(DecodeThumbnail(cache.Read(b), &BitmapClass()).pixelColor(3, 0), QColor(Qt::green));
    EXPECT_TRUE(cache.Read(newA + 1).isEmpty());   // not a record start

    ASSERT_TRUE(cache.Clear());
    EXPECT_EQ(QFileInfo(cache.FileName()).size(), 0);
    EXPECT_EQ(cache.Find(QStringLiteral("/a.jpg"), kStamp), 0);
    EXPECT_EQ(cache.RecordCount(), 0);
}

TEST(ThumbnailCache, RecordsOfThisRunKnowTheirPathAndFile)
{
    TThumbnailCache cache;
    cache.SetFileName(cacheIn(QStringLiteral("cache-exact")));
    const std::int64_t upper = cache.Store(QStringLiteral("/p/X.jpg"), EncodeThumbnailBmp(thumb(2, 2)), kStamp);
    // Another file on Linux: same key, no thumbnail of its own yet.
    EXPECT_EQ(cache.Find(QStringLiteral("/p/x.jpg"), kStamp), 0);
    const std::int64_t lower = cache.Store(QStringLiteral("/p/x.jpg"), EncodeThumbnailBmp(thumb(2, 2)), kStamp);
    EXPECT_EQ(cache.Find(QStringLiteral("/p/X.jpg"), kStamp), upper);
    EXPECT_EQ(cache.Find(QStringLiteral("/p/x.jpg"), kStamp), lower);
    // The file changed since: its old thumbnail is not offered.
    EXPECT_EQ(cache.Find(QStringLiteral("/p/X.jpg"), TThumbFileStamp{101, 1000}), 0);
    EXPECT_EQ(cache.Find(QStringLiteral("/p/X.jpg"), TThumbFileStamp{100, 2000}), 0);
}

TEST(ThumbnailCache, DeleteDropsEveryRecordOfTheKeyAndKeepsTheOthers)
{
    TThumbnailCache cache;
    cache.SetFileName(cacheIn(QStringLiteral("cache-delete")));
    cache.Store(QStringLiteral("/a.jpg"), EncodeThumbnailBmp(thumb(3, 3, Qt::red)), kStamp);
    cache.Store(QStringLiteral("/b.jpg"), EncodeThumbnailBmp(thumb(5, 5, Qt::green)), kStamp);
    cache.Store(QStringLiteral("/A.JPG"), EncodeThumbnailBmp(thumb(3, 3, Qt::red)), kStamp);
    cache.Store(QStringLiteral("/c.jpg"), EncodeThumbnailBmp(thumb(7, 7, Qt::blue)), kStamp);
    ASSERT_TRUE(cache.Delete(ThumbnailKey(QStringLiteral("/a.jpg"))));
    EXPECT_EQ(cache.RecordCount(), 2);
    EXPECT_FALSE(cache.HasKey(ThumbnailKey(QStringLiteral("/a.jpg"))));
    const std::int64_t b = cache.Find(QStringLiteral("/b.jpg"), kStamp);
    const std::int64_t c = cache.Find(QStringLiteral("/c.jpg"), kStamp);
    EXPECT_EQ(b, 20);
    EXPECT_GT(c, b);
    EXPECT_EQ(DecodeThumbnail(cache.Read(c), nullptr).pixelColor(6, 6), QColor(Qt::blue));
    // The file holds exactly the two remaining records, and reads back the same.
    const qint64 size = QFileInfo(cache.FileName()).size();
    cache.Close();
    ASSERT_TRUE(cache.Open());
    EXPECT_EQ(cache.RecordCount(), 2);
    EXPECT_EQ(cache.ValidEnd(), size);
    EXPECT_EQ(cache.Find(QStringLiteral("/c.jpg"), kStamp), c);
}

TEST(ThumbnailCache, CorruptTailsAreNotIndexedAndAreCutBeforeAppending)
{
    const TDigest key = ThumbnailKey(QStringLiteral("/good.jpg"));
    const QByteArray good = recordBytes(key, 58, EncodeThumbnailBmp(thumb(1, 1)));
    ASSERT_EQ(good.size(), 20 + 58);
    const TDigest other = ThumbnailKey(QStringLiteral("/bad.jpg"));
    struct Case {
        const char *name;
        QByteArray tail;
    } cases[] = {
        {"short header", QByteArray(10, 'x')},
        {"length 0", recordBytes(other, 0, QByteArray(30, 'y'))},
        {"length -1", recordBytes(other, -1, QByteArray())},
        {"negative length", recordBytes(other, -500, QByteArray(600, 'y'))},
        {"length past the end", recordBytes(other, 1000, QByteArray(999, 'y'))},
        {"torn header of a second record", recordBytes(other, 58, QByteArray()).left(19)},
    };
    for (const Case &c : cases) {
        const QString name = cacheIn(QStringLiteral("cache-tail"));
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(good + c.tail);
        file.close();
        TThumbnailCache cache;
        cache.SetFileName(name);
        ASSERT_TRUE(cache.Open()) << c.name;
        EXPECT_EQ(cache.RecordCount(), 1) << c.name;
        EXPECT_FALSE(cache.HasKey(other)) << c.name;
        EXPECT_EQ(cache.ValidEnd(), good.size()) << c.name;
        const std::int64_t pos = cache.Store(QStringLiteral("/new.jpg"), EncodeThumbnailBmp(thumb(1, 1)), kStamp);
        EXPECT_EQ(pos, good.size() + 20) << c.name;
        cache.Close();
        EXPECT_EQ(QFileInfo(name).size(), 2 * good.size()) << c.name;
        ASSERT_TRUE(cache.Open());
        EXPECT_EQ(cache.RecordCount(), 2) << c.name;
    }
}

TEST(ThumbnailCache, PositionsPastTwoGibibytesStayExact)
{
    // A sparse file: two records of nearly 2 GiB each, then a real one.
    const QString name = cacheIn(QStringLiteral("cache-large"));
    const std::int32_t bigLength = 0x7FFFFF00;
    const std::int64_t bigRecord = 20 + std::int64_t(bigLength);
    const QByteArray small = EncodeThumbnailBmp(thumb(2, 2, Qt::green));
    {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(recordBytes(ThumbnailKey(QStringLiteral("/big.jpg")), bigLength, QByteArray()));
        ASSERT_TRUE(file.seek(bigRecord));
        file.write(recordBytes(ThumbnailKey(QStringLiteral("/big2.jpg")), bigLength, QByteArray()));
        ASSERT_TRUE(file.seek(2 * bigRecord));
        file.write(recordBytes(ThumbnailKey(QStringLiteral("/after.jpg")), std::int32_t(small.size()), small));
    }
    TThumbnailCache cache;
    cache.SetFileName(name);
    ASSERT_TRUE(cache.Open());
    const std::int64_t pos = cache.Find(QStringLiteral("/after.jpg"), kStamp);
    EXPECT_EQ(pos, 2 * bigRecord + 20);
    EXPECT_GT(pos, std::int64_t(INT32_MAX));   // a signed 32-bit position would have wrapped
    EXPECT_EQ(DecodeThumbnail(cache.Read(pos), nullptr).pixelColor(0, 0), QColor(Qt::green));
    const std::int64_t appended = cache.Store(QStringLiteral("/later.jpg"), small, kStamp);
    EXPECT_EQ(appended, pos + small.size() + 20);
    cache.Close();
    QFile::remove(name);
}

TEST(ThumbnailCache, RefusesLinksAndReportsUnwritableFiles)
{
    const QString dir = scratchDir(QStringLiteral("cache-link"));
    const QString target = dir + QStringLiteral("/target");
    QFile t(target);
    ASSERT_TRUE(t.open(QIODevice::WriteOnly));
    t.write("keep");
    t.close();
    ASSERT_TRUE(QFile::link(target, dir + QStringLiteral("/cache.tmp")));
    TThumbnailCache cache;
    cache.SetFileName(dir + QStringLiteral("/cache.tmp"));
    EXPECT_FALSE(cache.Open());
    EXPECT_FALSE(cache.LastError().isEmpty());
    EXPECT_EQ(cache.Store(QStringLiteral("/a.jpg"), EncodeThumbnailBmp(thumb(2, 2)), kStamp), 0);
    EXPECT_EQ(readFile(target), QByteArray("keep"));

    TThumbnailCache missing;
    missing.SetFileName(dir + QStringLiteral("/no/such/folder/cache.tmp"));
    EXPECT_EQ(missing.Store(QStringLiteral("/a.jpg"), EncodeThumbnailBmp(thumb(2, 2)), kStamp), 0);
    EXPECT_FALSE(missing.Active());
}

TEST(ThumbnailCache, AFailedWriteLeavesNoHalfRecord)
{
    TThumbnailCache cache;
    cache.SetFileName(cacheIn(QStringLiteral("cache-full")));
    ASSERT_GT(cache.Store(QStringLiteral("/a.jpg"), EncodeThumbnailBmp(thumb(4, 4)), kStamp), 0);
    const qint64 before = QFileInfo(cache.FileName()).size();
    // A full disk, as far as this process can tell: files may not grow past 1000 bytes.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = old;
    tight.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    const std::int64_t pos = cache.Store(QStringLiteral("/b.jpg"), EncodeThumbnailBmp(thumb(160, 120)), kStamp);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(pos, 0);
    EXPECT_FALSE(cache.LastError().isEmpty());
    EXPECT_EQ(QFileInfo(cache.FileName()).size(), before);
    // The next store goes where the failed one began.
    EXPECT_EQ(cache.Store(QStringLiteral("/c.jpg"), EncodeThumbnailBmp(thumb(4, 4)), kStamp), before + 20);
}

TEST(ThumbnailCache, DecodeRejectsForeignBytes)
{
    EXPECT_TRUE(DecodeThumbnail(QByteArray(), nullptr).isNull());
    EXPECT_TRUE(DecodeThumbnail(QByteArray("BM\x10\0\0\0", 6), nullptr).isNull());
    QByteArray bmp = EncodeThumbnailBmp(thumb(4, 4));
    EXPECT_TRUE(DecodeThumbnail(bmp.left(60), nullptr).isNull());
    EXPECT_FALSE(DecodeThumbnail(bmp, nullptr).isNull());
}

TEST(ThumbnailCache, StartUpSweepTakesOnlyStaleCacheFilesOfOurOwn)
{
    const QString dir = scratchDir(QStringLiteral("cache-sweep"));
    const QByteArray records = recordBytes(ThumbnailKey(QStringLiteral("/a.jpg")), 3, "abc")
                               + recordBytes(ThumbnailKey(QStringLiteral("/b.jpg")), 2, "de");
    const QDateTime hourAgo = QDateTime::currentDateTime().addSecs(-3600);
    auto make = [&](const QString &name, const QByteArray &bytes, bool old) {
        const QString path = dir + QLatin1Char('/') + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        if (old) {
            EXPECT_TRUE(f.open(QIODevice::ReadWrite));
            EXPECT_TRUE(f.setFileTime(hourAgo, QFileDevice::FileModificationTime));
        }
        return path;
    };
    const struct {
        const char *name;
        QByteArray bytes;
        bool old;
        bool inUse;
        bool removed;
    } cases[] = {
        {"vltAb12Cd.tmp", records, true, false, true},          // left by a crashed run
        {"vltEmpty1.tmp", QByteArray(), true, false, true},     // made, never written
        {"VelloraBEEF2.tmp", records, true, false, true},       // the fallback name
        {"vltInUse1.tmp", records, true, true, false},          // another run holds it
        {"vltYoung1.tmp", records, false, false, false},        // a run that is starting
        {"vltNotOur.tmp", QByteArray("not a cache file at all, just text"), true, false, false},
        {"vlt.tmp", records, true, false, false},               // not a name we make
        {"photo.tmp", records, true, false, false},
    };
    TThumbnailCache user;   // holds its file as a running view does
    for (const auto &c : cases) {
        const QString path = make(QLatin1String(c.name), c.bytes, c.old);
        if (c.inUse)
            user.SetFileName(path);
    }
    EXPECT_EQ(SweepStaleThumbnailCaches(dir), 3);
    for (const auto &c : cases)
        EXPECT_EQ(QFileInfo::exists(dir + QLatin1Char('/') + QLatin1String(c.name)), !c.removed) << c.name;
    // Once its user lets it go, it is stale too.
    user.SetFileName(QString());
    EXPECT_EQ(SweepStaleThumbnailCaches(dir), 1);
    EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("/vltInUse1.tmp")));
}

TEST(ThumbnailCache, FileStampIsSizeAndModificationTimeInMilliseconds)
{
    const QString dir = scratchDir(QStringLiteral("cache-stamp"));
    const QString file = dir + QStringLiteral("/写真 ä.jpg");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(1234, 'x'));
        ASSERT_TRUE(f.flush());
        const QDateTime when = QDateTime::fromMSecsSinceEpoch(1'600'000'000'123LL, Qt::UTC);
        ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
    }
    const QString link = dir + QStringLiteral("/link.jpg");
    const QString dangling = dir + QStringLiteral("/dangling.jpg");
    QFile::remove(link);
    QFile::remove(dangling);
    ASSERT_TRUE(QFile::link(file, link));
    ASSERT_TRUE(QFile::link(dir + QStringLiteral("/gone.jpg"), dangling));

    const TThumbFileStamp exact{1234, 1'600'000'000'123LL};
    const QFileInfo dirInfo(dir);
    const TThumbFileStamp ofDir{dirInfo.size(), dirInfo.lastModified().toMSecsSinceEpoch()};
    const struct {
        QString path;
        TThumbFileStamp stamp;
    } cases[] = {
        {file, exact},
        {link, exact},   // the file the link points to
        {dangling, {}},
        {dir + QStringLiteral("/missing.jpg"), {}},
        {QString(), {}},
        {dir, ofDir},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(TThumbFileStamp::OfFile(c.path), c.stamp);
    }
    EXPECT_FALSE(TThumbFileStamp::OfFile(dangling).Known());
}
