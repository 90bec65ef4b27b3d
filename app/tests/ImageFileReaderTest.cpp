#include "app/ImageFileReader.h"
#include "model/ImageInfo.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vellora;

namespace {

// Takes what the reader gives until it finishes or the time is up.
std::vector<TImageFileReader::TEntry> takeAll(TImageFileReader &reader, int ms)
{
    std::vector<TImageFileReader::TEntry> all;
    QElapsedTimer timer;
    timer.start();
    while (!reader.Finished() && timer.elapsed() < ms) {
        for (auto &entry : reader.Take(16))
            all.push_back(std::move(entry));
        reader.Wait(10);
    }
    return all;
}

} // namespace

// A FIFO (or a device) named like a photo blocks whoever opens it for as
// long as no one writes to it: the worker must pass it over, or adding the
// folder never ends and neither a cancel nor closing the window can end it.
TEST(ImageFileReader, PassesOverFifosAmongAFoldersPhotos)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString photo = vellora::test::testDataPath(QStringLiteral("images/gradient-65x49.jpg"));
    ASSERT_TRUE(QFile::copy(photo, dir.filePath(QStringLiteral("1.jpg"))));
    ASSERT_TRUE(QFile::copy(photo, dir.filePath(QStringLiteral("3.jpg"))));
    const QString fifo = dir.filePath(QStringLiteral("2.jpg"));
    ASSERT_TRUE(vellora::test::makeFifo(fifo));

    TGraphicClassList classes;
    classes.AddBuiltInFormats();
    std::vector<TImageFileReader::TEntry> entries;
    {
        auto reader = TImageFileReader::ForFolder(dir.path(), classes);
        entries = takeAll(*reader, 10000);
        EXPECT_TRUE(reader->Finished()) << "the reader is stuck on the FIFO";
        // A worker stuck in opening the FIFO (each time it opens it) is let
        // go while the reader is destroyed, so that a failure ends.
        const vellora::test::FifoRelease release({fifo});
        reader.reset();
    }
    ASSERT_EQ(entries.size(), 3u);
    for (const std::size_t i : {0u, 2u}) {
        ASSERT_TRUE(entries[i].Info) << i;
        EXPECT_EQ(entries[i].Info->FileName(), entries[i].FileName);
        EXPECT_EQ(entries[i].ImageSize.cx, 65);
        EXPECT_EQ(entries[i].ImageSize.cy, 49);
    }
    EXPECT_TRUE(entries[1].FileName.endsWith(QStringLiteral("2.jpg")));
    EXPECT_FALSE(entries[1].Info);
}
