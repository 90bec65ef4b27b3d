#include "app/InfoCommand.h"
#include "exif/tests/ExifFixture.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <gtest/gtest.h>

using namespace vellora::app;
using namespace vellora::test;

namespace {

QString writeFile(const QString &dir, const QString &name, const QByteArray &data)
{
    const QString path = QDir(dir).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

QByteArray exifFile(std::vector<FixtureEntry> ifd0, std::vector<FixtureEntry> exif)
{
    TiffFixture f;
    f.ifd0 = std::move(ifd0);
    f.ifd0.push_back(asciiEntry(271, "Maker"));
    f.exif = std::move(exif);
    return buildJpeg(buildTiff(f), 320, 240);
}

} // namespace

TEST(InfoCommand, FactsOfSamplePhotos)
{
    const QJsonObject canon = imageFacts(testDataPath("photos/Canon_40D.jpg"));
    EXPECT_FALSE(canon.contains("error")) << canon["error"].toString().toStdString();
    EXPECT_EQ(canon["isExif"], true);
    EXPECT_EQ(canon["shotTime"], "2008-05-30T15:56:01.000");   // SubSecTimeOriginal "00"
    EXPECT_EQ(canon["orientation"], 1);
    EXPECT_EQ(canon["jpegWidth"], 100);
    EXPECT_EQ(canon["jpegHeight"], 68);
    EXPECT_EQ(canon["fileSize"].toInteger(), QFileInfo(testDataPath("photos/Canon_40D.jpg")).size());
    EXPECT_EQ(canon["thumbnail"], QJsonObject({{"width", 68}, {"height", 46}}));
    EXPECT_EQ(canon["exifComment"], "");
    EXPECT_TRUE(QDateTime::fromString(canon["fileTime"].toString(), Qt::ISODate).isValid());

    const QJsonObject longText = imageFacts(testDataPath("photos/long_description.jpg"));
    EXPECT_TRUE(longText["description"].toString().startsWith("Operation Mountain Viper"));
    EXPECT_EQ(longText["shotTime"], QJsonValue::Null);
    EXPECT_EQ(longText["userCommentStyle"], "unknown");

    // IFD1 without Compression 6 is not an embedded JPEG thumbnail.
    EXPECT_EQ(imageFacts(testDataPath("photos/Olympus_C8080WZ.jpg"))["thumbnail"], QJsonValue::Null);
}

TEST(InfoCommand, ShotTimeCommentAndOrientation)
{
    const QString dir = scratchDir("info-facts");
    const FixtureEntry date = asciiEntry(36867, "2010:05:01 12:34:56");
    struct Case {
        const char *what;
        QByteArray data;
        QJsonValue shotTime;
        int orientation;
        int uprightWidth = 320;   // of the 320 × 240 pixels, turned by the orientation
    };
    const Case cases[] = {
        {"sub-second digits are milliseconds", exifFile({}, {date, asciiEntry(37521, "50")}),
         "2010-05-01T12:34:56.050", 1},
        {"sub-seconds of 1000 or more give no time", exifFile({}, {date, asciiEntry(37521, "1234")}),
         QJsonValue::Null, 1},
        {"sub-seconds that are no number give no time", exifFile({}, {date, asciiEntry(37521, "x")}),
         QJsonValue::Null, 1},
        {"no sub-seconds", exifFile({shortEntry(274, {8})}, {date}), "2010-05-01T12:34:56.000", 8, 240},
        {"impossible date", exifFile({}, {asciiEntry(36867, "2010:13:01 12:34:56")}), QJsonValue::Null, 1},
        {"no date", exifFile({shortEntry(274, {9})}, {}), QJsonValue::Null, 0},
        {"not Exif", buildJpeg(QByteArray(), 320, 240), QJsonValue::Null, 0},
    };
    for (const Case &c : cases) {
        const QJsonObject facts = imageFacts(writeFile(dir, "photo.jpg", c.data));
        EXPECT_FALSE(facts.contains("error")) << c.what;
        EXPECT_EQ(facts["shotTime"], c.shotTime) << c.what;
        EXPECT_EQ(facts["orientation"], c.orientation) << c.what;
        EXPECT_EQ(facts["jpegWidth"], 320) << c.what;
        EXPECT_EQ(facts["imageWidth"], 320) << c.what;
        EXPECT_EQ(facts["uprightWidth"], c.uprightWidth) << c.what;
        EXPECT_EQ(facts["uprightHeight"], 560 - c.uprightWidth) << c.what;
    }
    EXPECT_EQ(imageFacts(writeFile(dir, "plain.jpg", buildJpeg(QByteArray())))["isExif"], false);

    const QByteArray comment = QByteArray("ASCII\0\0\0  a comment \0\0\0", 22);
    const QJsonObject facts =
        imageFacts(writeFile(dir, "comment.jpg", exifFile({asciiEntry(270, "desc")}, {undefinedEntry(37510, comment)})));
    EXPECT_EQ(facts["exifComment"], "a comment");
    EXPECT_EQ(facts["userCommentStyle"], "ascii");
    EXPECT_EQ(facts["description"], "desc");
}

TEST(InfoCommand, FilesThatFailGiveTheirError)
{
    const QString dir = scratchDir("info-errors");
    FixtureEntry outside = asciiEntry(270, "a description stored at an offset");
    outside.offset = 0x10000000;
    const QByteArray good = exifFile({}, {});
    struct Case {
        const char *what;
        QString path;
        QString message;
    };
    const Case cases[] = {
        {"missing", QDir(dir).filePath("missing.jpg"), QStringLiteral("TExifInfo: ファイルが見つかりません")},
        {"offset outside", writeFile(dir, "outside.jpg", exifFile({outside}, {})),
         QStringLiteral("TExifInfo: 不正なストリーム")},
        {"truncated header", writeFile(dir, "cut.jpg", good.left(good.indexOf("\xFF\xC0"))),
         QStringLiteral("Stream read error")},
    };
    for (const Case &c : cases) {
        const QJsonObject facts = imageFacts(c.path);
        EXPECT_EQ(facts, QJsonObject({{"file", c.path}, {"error", c.message}})) << c.what;
    }
}

TEST(InfoCommand, FoldersExpandToTheirImageFilesByName)
{
    const QString dir = scratchDir("info-expand");
    for (const char *name : {"b.JPG", "a.jpeg", "c.png", "notes.txt"})
        writeFile(dir, name, "x");
    QDir(dir).mkdir("sub");
    writeFile(dir + "/sub", "d.jpg", "x");
    const QString single = QDir(dir).filePath("notes.txt");
    EXPECT_EQ(expandImagePaths({dir, single}),
              QStringList({dir + "/a.jpeg", dir + "/b.JPG", dir + "/c.png", single}));
}

TEST(InfoCommand, CommandPrintsOneJsonLinePerFileAndFailsWhenOneFails)
{
    const QString dir = scratchDir("info-run");
    QFile::copy(testDataPath("photos/Fujifilm_FinePix6900ZOOM.jpg"), dir + "/a.jpg");
    writeFile(dir, "b.jpg", QByteArray("\xFF\xD8\xFF\xE0", 4));

    QProcess p;
    p.start(QStringLiteral(VELLORA_EXE), {"--info", "--json", dir});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1);
    const QList<QByteArray> lines = p.readAllStandardOutput().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2);
    const QJsonObject first = QJsonDocument::fromJson(lines[0]).object();
    EXPECT_EQ(first["file"], dir + "/a.jpg");
    EXPECT_EQ(first["shotTime"], "2001-02-19T06:40:05.000");
    for (const char *key : {"isExif", "orientation", "description", "exifComment", "userCommentStyle", "jpegWidth",
                            "jpegHeight", "fileSize", "fileTime", "thumbnail"})
        EXPECT_TRUE(first.contains(key)) << key;
    const QJsonObject second = QJsonDocument::fromJson(lines[1]).object();
    EXPECT_EQ(second["file"], dir + "/b.jpg");
    EXPECT_TRUE(second.contains("error"));

    p.start(QStringLiteral(VELLORA_EXE), {"--info", dir + "/a.jpg"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    const QString text = QString::fromLocal8Bit(p.readAllStandardOutput());
    EXPECT_TRUE(text.contains("2001-02-19 06:40:05.000")) << text.toStdString();
    EXPECT_TRUE(text.contains("100 x 75")) << text.toStdString();
}
