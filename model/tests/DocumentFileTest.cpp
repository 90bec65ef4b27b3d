#include "model/Document.h"
#include "model/DocumentFormat.h"
#include "model/ImageInfos.h"
#include "model/PhotoArea.h"
#include "model/PhotoPaper.h"
#include "model/TextArea.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <chrono>
#include <csignal>
#include <random>
#include <sys/wait.h>
#include <unistd.h>
#include <functional>
#include <optional>
#include <sys/resource.h>

using namespace vellora;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Copies two sample photos into `folder` and lists them with options.
void addPhotos(const QString &folder, TImageInfos &images)
{
    const char *names[] = {"Canon_40D.jpg", "Olympus_C8080WZ.jpg"};
    int n = 0;
    for (const char *name : names) {
        const QString target = folder + QLatin1Char('/') + QLatin1String(name);
        QFile::copy(test::testDataPath(QStringLiteral("photos/") + QLatin1String(name)), target);
        TImageInfo *info = images.Add();
        info->SetFileName(target, TImageLogging::iloLink);
        info->SetChecked(n == 0);
        info->Options().SetCopies(static_cast<std::uint8_t>(2 + n));
        info->Options().SetComment({QStringLiteral("コメント %1").arg(n)});
        ++n;
    }
}

} // namespace

TEST(DocumentFile, EachSaveTypeRoundTripsPaperAndPrintList)
{
    const struct {
        TFileSaveType type;
        int entries;
        TImageLogging mode;
    } cases[] = {
        {TFileSaveType::fstLayout, 0, TImageLogging::iloLink},
        {TFileSaveType::fstLink, 2, TImageLogging::iloLink},
        {TFileSaveType::fstStream, 2, TImageLogging::iloStream},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(int(Ord(c.type)));
        const QString dir = test::scratchDir(QStringLiteral("doc-types"));
        TPhotoPaper paper;
        paper.SetDivide({2, 1});
        paper.PhotoAreas().AdjustAreas();
        paper.Areas().AddText()->SetText(QStringLiteral("見出し"));
        TImageInfos images;
        addPhotos(dir, images);
        images.SetSaveType(c.type);
        const QString doc = dir + QStringLiteral("/album.vlpf");
        SaveDocumentFile(doc, paper, images);
        EXPECT_EQ(paper.DocumentFileName(), doc);
        EXPECT_FALSE(QFileInfo::exists(DocumentTempFileName(doc)));

        TPhotoPaper opened;
        TImageInfos list;
        OpenDocumentFile(doc, opened, list);
        EXPECT_EQ(opened.DocumentFileName(), doc);
        EXPECT_EQ(opened.PhotoAreas().Count(), 2);
        ASSERT_EQ(opened.Areas().Count(), 1);
        EXPECT_EQ(list.SaveType(), c.type);
        ASSERT_EQ(list.Count(), c.entries);
        for (int i = 0; i < c.entries; ++i) {
            EXPECT_EQ(list[i]->FileName(), images[i]->FileName());
            EXPECT_EQ(list[i]->LogMode(), c.mode);
            EXPECT_EQ(list[i]->Checked(), images[i]->Checked());
            EXPECT_EQ(list[i]->Options().Copies(), images[i]->Options().Copies());
            EXPECT_EQ(list[i]->Options().Comment(), images[i]->Options().Comment());
            EXPECT_EQ(list[i]->ImageSize().cx, images[i]->ImageSize().cx);
        }
    }
}

TEST(DocumentFile, SavingAnEmbeddedDocumentAgainKeepsItsImageRecords)
{
    const QString dir = test::scratchDir(QStringLiteral("doc-twice"));
    TPhotoPaper paper;
    TImageInfos images;
    addPhotos(dir, images);
    images.SetSaveType(TFileSaveType::fstStream);
    const QString doc = dir + QStringLiteral("/twice.vlpf");
    SaveDocumentFile(doc, paper, images);
    const QByteArray first = fileBytes(doc);
    // The photos are gone: the second save can only copy from the first file.
    for (int i = 0; i < images.Count(); ++i)
        QFile::remove(images[i]->FileName());
    SaveDocumentFile(doc, paper, images);
    EXPECT_EQ(fileBytes(doc), first);

    // Saved under a new name, the records come from the document the entries live in.
    const QString copy = dir + QStringLiteral("/copy.vlpf");
    SaveDocumentFile(copy, paper, images);
    EXPECT_EQ(fileBytes(copy), first);
}

TEST(DocumentFile, MovedEmbeddedDocumentDrawsItsPhotos)
{
    const QString dir = test::scratchDir(QStringLiteral("doc-moved"));
    const QString elsewhere = test::scratchDir(QStringLiteral("doc-moved-to"));
    TPhotoPaper paper;
    TImageInfos images;
    addPhotos(dir, images);
    images.SetSaveType(TFileSaveType::fstStream);
    SaveDocumentFile(dir + QStringLiteral("/moved.vlpf"), paper, images);
    const QString doc = elsewhere + QStringLiteral("/moved.vlpf");
    ASSERT_TRUE(QFile::rename(dir + QStringLiteral("/moved.vlpf"), doc));
    ASSERT_TRUE(QDir(dir).removeRecursively());   // the photos go with the old folder

    TPhotoPaper opened;
    TImageInfos list;
    OpenDocumentFile(doc, opened, list);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_FALSE(list[0]->IsExist());

    // One page with the first photo in the only cell, at 20 dpi.
    const auto render = [&](TImageInfo *info) {
        QImage page(200, 240, QImage::Format_RGB32);
        page.fill(Qt::white);
        opened.PhotoList() = {info};
        opened.PhotoAreas().SetImageIndex(0);
        QPainter canvas(&page);
        opened.Draw(canvas, 20, FloatSize(0, 0));
        return page;
    };
    const QImage withPhoto = render(list[0]);
    int coloured = 0;
    for (int y = 0; y < withPhoto.height(); ++y)
        for (int x = 0; x < withPhoto.width(); ++x)
            coloured += withPhoto.pixel(x, y) != qRgb(255, 255, 255);
    EXPECT_GT(coloured, 1000);
    const TLoadedPicture picture = LoadAreaPicture(*list[1], doc);
    EXPECT_FALSE(picture.image.isNull());
    // Merged into a list whose paper belongs to another document, the entry
    // still reads its record from the document it was opened from.
    EXPECT_EQ(list[1]->SourceFile(), doc);
    EXPECT_FALSE(LoadAreaPicture(*list[1], dir + QStringLiteral("/other.vlpf")).image.isNull());
}

TEST(DocumentFile, FailedSaveLeavesThePreviousDocument)
{
    const QString dir = test::scratchDir(QStringLiteral("doc-fail"));
    TPhotoPaper paper;
    TImageInfos images;
    addPhotos(dir, images);
    images.SetSaveType(TFileSaveType::fstStream);
    const QString doc = dir + QStringLiteral("/keep.vlpf");
    SaveDocumentFile(doc, paper, images);
    const QByteArray before = fileBytes(doc);
    ASSERT_GT(before.size(), 8000);
    paper.Areas().AddText()->SetText(QStringLiteral("changed"));

    const struct {
        const char *name;
        std::function<void()> arrange, restore;
    } failures[] = {
        {"the temporary name is taken by a folder",
         [&] { QDir().mkpath(DocumentTempFileName(doc)); },
         [&] { QDir(DocumentTempFileName(doc)).removeRecursively(); }},
        {"the disk fills up halfway through",
         [] {
             std::signal(SIGXFSZ, SIG_IGN);
             const rlimit small{4096, RLIM_INFINITY};
             setrlimit(RLIMIT_FSIZE, &small);
         },
         [] {
             const rlimit none{RLIM_INFINITY, RLIM_INFINITY};
             setrlimit(RLIMIT_FSIZE, &none);
         }},
    };
    for (const auto &f : failures) {
        SCOPED_TRACE(f.name);
        f.arrange();
        try {
            SaveDocumentFile(doc, paper, images);
            ADD_FAILURE() << "the save succeeded";
        } catch (const EDocumentError &e) {
            EXPECT_EQ(e.message(), QString::fromUtf16(kDocumentSaveErrorText));
            EXPECT_FALSE(e.detail().isEmpty());
        }
        f.restore();
        EXPECT_EQ(fileBytes(doc), before);
        EXPECT_EQ(QDir(dir).entryList({QStringLiteral("*.$vlf")}, QDir::Files).size(), 0);
    }
    // The entries still point into the intact document: saving now works
    // and copies the same image records.
    for (int i = 0; i < images.Count(); ++i)
        QFile::remove(images[i]->FileName());
    try {
        SaveDocumentFile(doc, paper, images);
    } catch (const EDocumentError &e) {
        FAIL() << e.detail().toStdString();
    }
    TPhotoPaper opened;
    TImageInfos list;
    OpenDocumentFile(doc, opened, list);
    EXPECT_EQ(opened.Areas().Count(), 1);
    ASSERT_EQ(list.Count(), 2);
    for (int i = 0; i < list.Count(); ++i) {
        EXPECT_EQ(list[i]->LogMode(), TImageLogging::iloStream);
        EXPECT_FALSE(LoadAreaPicture(*list[i], doc).image.isNull()) << i;
    }
}

TEST(DocumentFile, UnreadableDocumentsGiveTheReadMessage)
{
    const QString dir = test::scratchDir(QStringLiteral("doc-bad"));
    TPhotoPaper paper;
    TImageInfos images;
    const QString doc = dir + QStringLiteral("/good.vlpf");
    SaveDocumentFile(doc, paper, images);
    const QByteArray good = fileBytes(doc);

    const struct {
        const char *name;
        QByteArray bytes;
        bool exists;
    } cases[] = {
        {"missing file", QByteArray(), false},
        {"empty file", QByteArray(), true},
        {"eleven bytes", good.left(11), true},
        {"truncated print list", good.left(good.size() - 2), true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir + QStringLiteral("/case.vlpf");
        QFile::remove(path);
        if (c.exists)
            writeFile(path, c.bytes);
        TPhotoPaper p;
        TImageInfos list;
        try {
            OpenDocumentFile(path, p, list);
            ADD_FAILURE() << "opened";
        } catch (const EDocumentError &e) {
            EXPECT_EQ(e.message(), QString::fromUtf16(kDocumentReadErrorText));
        }
        EXPECT_TRUE(p.DocumentFileName().isEmpty());
    }
}

TEST(DocumentFile, IsDocumentFileBySignatureOrExtension)
{
    const QString dir = test::scratchDir(QStringLiteral("doc-is"));
    const struct {
        const char *name;
        QByteArray bytes;
        bool exists, expected;
    } cases[] = {
        {"album.txt", QByteArray("$VELLORADOC_\0\0", 14), true, true},
        {"short.txt", QByteArray("$VELLORADOC"), true, false},
        {"ALBUM.VLPF", QByteArray("garbage"), true, true},
        {"missing.vlpf", QByteArray(), false, true},
        {"photo.jpg", QByteArray("\xff\xd8\xff"), true, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir + QLatin1Char('/') + QLatin1String(c.name);
        if (c.exists)
            writeFile(path, c.bytes);
        EXPECT_EQ(IsDocumentFile(path), c.expected);
    }
}

TEST(DocumentFile, TemporaryNameChangesOnlyTheExtension)
{
    EXPECT_EQ(DocumentTempFileName(QStringLiteral("/a/b.c/doc.vlpf")), QStringLiteral("/a/b.c/doc.$vlf"));
    EXPECT_EQ(DocumentTempFileName(QStringLiteral("/a/b.c/doc")), QStringLiteral("/a/b.c/doc.$vlf"));
    EXPECT_EQ(DocumentTempFileName(QStringLiteral("/a/x.tar.vlpf")), QStringLiteral("/a/x.tar.$vlf"));
}

namespace {

// Saves `variant` (0 or 1: a different layout text) of a document embedding
// `photos`, built afresh so that every save embeds them anew.
void saveVariant(const QString &doc, const QStringList &photos, int variant)
{
    TPhotoPaper paper;
    paper.Areas().AddText()->SetText(variant ? QStringLiteral("new") : QStringLiteral("old"));
    TImageInfos images;
    images.SetSaveType(TFileSaveType::fstStream);
    for (const QString &photo : photos) {
        TImageInfo *info = images.Add();
        info->SetFileName(photo, TImageLogging::iloLink);
        info->SetChecked(true);
    }
    SaveDocumentFile(doc, paper, images);
}

} // namespace

TEST(DocumentFile, AProcessKilledWhileSavingLeavesTheOldOrTheNewDocument)
{
    const QString dir = test::scratchDir(QStringLiteral("doc-kill"));
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    // Photos of noise compress poorly: a few hundred kilobytes to write.
    QStringList photos;
    std::uint32_t seed = 7;
    for (int n = 0; n < 3; ++n) {
        QImage image(500, 400, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                seed = seed * 1103515245u + 12345u;
                image.setPixel(x, y, 0xFF000000u | (seed >> 8));
            }
        }
        photos << dir + QStringLiteral("/photo%1.jpg").arg(n);
        ASSERT_TRUE(image.save(photos.back(), "JPEG", 95));
    }
    const QString doc = dir + QStringLiteral("/album.vlpf");
    QByteArray versions[2];
    QElapsedTimer timer;
    timer.start();
    for (int v : {1, 0}) {
        saveVariant(doc, photos, v);
        versions[v] = fileBytes(doc);
    }
    const qint64 saveMicros = std::max<qint64>(timer.nsecsElapsed() / 2000, 100);
    ASSERT_GT(versions[0].size(), 300000);
    ASSERT_NE(versions[0], versions[1]);

    std::mt19937 random(2026);
    int killedMidSave = 0;
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Save new and old in turn until killed.
            for (int i = 1;; ++i)
                saveVariant(doc, photos, i % 2);
        }
        std::uniform_int_distribution<qint64> delay(0, saveMicros * 3);
        ::usleep(static_cast<useconds_t>(delay(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        const QByteArray onDisk = fileBytes(doc);
        EXPECT_TRUE(onDisk == versions[0] || onDisk == versions[1]) << onDisk.size() << " bytes";
        if (QFile::exists(DocumentTempFileName(doc)))
            ++killedMidSave;
        // A temporary file left by the killed save does not stop the next
        // one, even when the old document was read-only.
        QFile::setPermissions(doc, QFileDevice::ReadOwner);
        if (QFile::exists(DocumentTempFileName(doc)))
            QFile::setPermissions(DocumentTempFileName(doc), QFileDevice::ReadOwner);
        saveVariant(doc, photos, round % 2);
        EXPECT_EQ(fileBytes(doc), versions[round % 2]);
        EXPECT_FALSE(QFile::exists(DocumentTempFileName(doc)));
        QFile::setPermissions(doc, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    // The kills did fall inside saves, not only between them.
    EXPECT_GT(killedMidSave, 5);
}

// A document may link any name. A FIFO blocks whoever opens it until someone
// writes to it (and a device such as /dev/zero never ends): the picture
// loader must refuse such a name at once instead of reading it.
TEST(DocumentFile, ALinkToAFifoIsRefusedNotRead)
{
    const QString dir = test::scratchDir(QStringLiteral("doc-fifo"));
    const QString path = dir + QStringLiteral("/photo.jpg");
    const QString named = dir + QStringLiteral("/photo.vlpf");
    ASSERT_TRUE(test::makeFifo(path));
    ASSERT_TRUE(test::makeFifo(named));
    TImageInfo info;
    info.SetFileName(path, TImageLogging::iloLink);

    // A blocked reader is let go after a while (it then reads an empty
    // file), so that a failure shows as time taken rather than as a hang.
    std::optional<test::FifoRelease> release(std::in_place, QStringList{path, named}, std::chrono::seconds(2));
    QElapsedTimer timer;
    timer.start();
    const TLoadedPicture picture = LoadAreaPicture(info, QString());
    const qint64 ms = timer.restart();
    // Nor is a FIFO taken for a document by its name (a drop asks).
    EXPECT_FALSE(IsDocumentFile(named));
    const qint64 documentMs = timer.elapsed();
    release.reset();
    EXPECT_LT(ms, 1000);
    EXPECT_LT(documentMs, 1000);
    EXPECT_TRUE(picture.image.isNull());
    EXPECT_FALSE(picture.problem.isEmpty());
}
