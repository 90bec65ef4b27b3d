#include "model/ImageInfos.h"
#include "testsupport/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace vellora;

namespace {

struct ImageRecord {
    std::uint32_t length = 0;
    std::uint8_t kind = 0;
    QByteArray data;
};

// The image record at an entry's position, read straight from the bytes.
ImageRecord imageRecordAt(const QByteArray &document, std::int64_t position)
{
    ImageRecord r;
    r.length = qFromLittleEndian<std::uint32_t>(document.constData() + position);
    r.kind = static_cast<std::uint8_t>(document.at(position + 4));
    r.data = document.mid(position + 5, r.length - 5);
    return r;
}

// The facts an entry keeps, in a form that compares and prints.
std::string facts(const TImageInfo &i)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7x%8|%9|%10|%11|%12")
        .arg(i.FileName())
        .arg(Ord(i.LogMode()))
        .arg(i.Checked())
        .arg(i.Descriptin(), i.ExifComment())
        .arg(i.FileSize())
        .arg(i.FileTime(), 0, 'g', 17)
        .arg(i.ImageWidth())
        .arg(i.ImageHeight())
        .arg(i.ShotTime(), 0, 'g', 17)
        .arg(Ord(i.Orientation()))
        .arg(i.Options().Comment().join(QLatin1Char('/')))
        .toStdString();
}

QString saveImage(const QString &dir, const QString &name, const QImage &image, const char *format)
{
    const QString path = QDir(dir).filePath(name);
    EXPECT_TRUE(image.save(path, format)) << path.toStdString();
    return path;
}

QImage testPattern(QImage::Format format)
{
    QImage image(6, 4, format);
    image.fill(Qt::transparent);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((x + y) % 2)
                image.setPixelColor(x, y, QColor(20 * x, 40 * y, 200));
    return image;
}

QString missingFile(const QString &dir)
{
    return QDir(dir).filePath(QStringLiteral("not-there.jpg"));
}

} // namespace

TEST(ImageInfoEmbedding, BitmapsAndPngBecomeOpaquePngOverWhite)
{
    const QString dir = test::scratchDir(QStringLiteral("embed"));
    const struct {
        const char *name;
        const char *format;
        QImage::Format pixels;
    } cases[] = {
        {"pattern.bmp", "BMP", QImage::Format_RGB888},
        {"pattern.DIB", "BMP", QImage::Format_RGB888},
        {"pattern.png", "PNG", QImage::Format_ARGB32},
        {"pattern", "PNG", QImage::Format_ARGB32},   // no extension: handled like the three
    };
    for (const auto &c : cases) {
        const QImage source = testPattern(c.pixels);
        TImageInfo info;
        info.SetFileName(saveImage(dir, QString::fromLatin1(c.name), source, c.format), TImageLogging::iloLink);
        TMemoryStream out;
        out.WriteBytes(QByteArray("paper"));
        info.SaveToStream(out, nullptr, TFileSaveType::fstStream);
        EXPECT_EQ(info.LogMode(), TImageLogging::iloStream);
        const ImageRecord r = imageRecordAt(out.Data(), info.Position());
        EXPECT_EQ(r.kind, 1) << c.name;
        EXPECT_EQ(r.length, 5 + r.data.size());
        EXPECT_EQ(info.Position() + r.length, out.Size()) << "the record ends the entry";
        ASSERT_TRUE(r.data.startsWith("\x89PNG")) << c.name;
        const QImage stored = QImage::fromData(r.data, "PNG");
        ASSERT_EQ(stored.size(), source.size());
        EXPECT_FALSE(stored.hasAlphaChannel());
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x) {
                const QColor expected = source.pixelColor(x, y).alpha() == 0 ? QColor(Qt::white)
                                                                             : source.pixelColor(x, y);
                EXPECT_EQ(stored.pixelColor(x, y).rgb(), expected.rgb()) << c.name << " at " << x << "," << y;
            }
    }
}

TEST(ImageInfoEmbedding, OtherFormatsKeepTheirOwnBytes)
{
    const QString dir = test::scratchDir(QStringLiteral("embed"));
    const QString jpeg = saveImage(dir, QStringLiteral("photo.jpg"), testPattern(QImage::Format_RGB888), "JPEG");
    // The bytes are copied whatever they hold; only the extension decides.
    const QString tiff = saveImage(dir, QStringLiteral("scan.tif"), testPattern(QImage::Format_RGB888), "PNG");
    for (const QString &path : {jpeg, tiff}) {
        TImageInfo info;
        info.SetFileName(path, TImageLogging::iloLink);
        TMemoryStream out;
        info.SaveToStream(out, nullptr, TFileSaveType::fstStream);
        const ImageRecord r = imageRecordAt(out.Data(), info.Position());
        EXPECT_EQ(r.kind, 0);
        EXPECT_EQ(r.data, test::readFile(path)) << path.toStdString();
    }
}

TEST(ImageInfoEmbedding, UndecodableBitmapFailsTheSave)
{
    const QString dir = test::scratchDir(QStringLiteral("embed"));
    const QString path = QDir(dir).filePath(QStringLiteral("broken.bmp"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("BM not really a bitmap");
    f.close();
    TImageInfo info;
    info.SetFileName(path, TImageLogging::iloLink);
    TMemoryStream out;
    EXPECT_THROW(info.SaveToStream(out, nullptr, TFileSaveType::fstStream), Error);
}

TEST(ImageInfoEmbedding, MissingFileGivesAnEmptyRecord)
{
    TImageInfo info;
    info.SetFileName(missingFile(test::scratchDir(QStringLiteral("embed"))), TImageLogging::iloLink);
    TMemoryStream out;
    info.SaveToStream(out, nullptr, TFileSaveType::fstStream);
    EXPECT_EQ(out.Data().right(5).toHex(), QByteArray("0500000000"));
    EXPECT_EQ(info.Position(), out.Size() - 5);
}

TEST(ImageInfoEmbedding, LinkSaveLeavesLinkedEntriesWithoutRecord)
{
    const QString dir = test::scratchDir(QStringLiteral("embed"));
    TImageInfo info;
    info.SetFileName(saveImage(dir, QStringLiteral("a.png"), testPattern(QImage::Format_ARGB32), "PNG"),
                     TImageLogging::iloLink);
    TMemoryStream link, layout;
    info.SaveToStream(link, nullptr, TFileSaveType::fstLink);
    info.SaveToStream(layout, nullptr, TFileSaveType::fstLayout);
    EXPECT_EQ(info.LogMode(), TImageLogging::iloLink);
    EXPECT_EQ(link.Data(), layout.Data());
    TMemoryStream in(link.Data());
    TImageInfo back;
    back.LoadFromStream(in);
    EXPECT_EQ(in.Remaining(), 0);
    EXPECT_EQ(facts(back), facts(info));
}

TEST(ImageInfoEmbedding, BackupWithABadPositionFails)
{
    TMemoryStream in;
    {
        TImageInfo source;
        source.SetFileName(QStringLiteral("/x/y.jpg"), TImageLogging::iloStream);
        TMemoryStream first;
        source.SaveToStream(first, nullptr, TFileSaveType::fstStream);
        in.SetData(first.Data());
    }
    TImageInfo info;
    info.LoadFromStream(in);
    // The "previous document" is shorter than the recorded position.
    TMemoryStream backup(QByteArray(3, '\0'));
    TMemoryStream out;
    EXPECT_THROW(info.SaveToStream(out, &backup, TFileSaveType::fstStream), EReadError);
    // Or holds a record whose length runs past its end.
    QByteArray longer = in.Data();
    qToLittleEndian<std::uint32_t>(500, longer.data() + info.Position());
    TMemoryStream backup2(longer);
    EXPECT_THROW(info.SaveToStream(out, &backup2, TFileSaveType::fstStream), EReadError);
}

// ---------------------------------------------------------------------------

namespace {

// Three entries: a PNG, a JPEG and a missing file, with comments and marks.
void fillList(TImageInfos &list, const QString &dir)
{
    const QStringList paths = {
        saveImage(dir, QStringLiteral("one.png"), testPattern(QImage::Format_ARGB32), "PNG"),
        saveImage(dir, QStringLiteral("two.jpg"), testPattern(QImage::Format_RGB888), "JPEG"),
        missingFile(dir),
    };
    for (int i = 0; i < paths.size(); ++i) {
        TImageInfo *info = list.Add();
        info->SetFileName(paths[i], TImageLogging::iloLink);
        info->SetChecked(i != 1);
        info->SetImageSize({6, 4});
        info->Options().SetComment({QStringLiteral("entry %1").arg(i)});
        info->Options().SetCopies(static_cast<std::uint8_t>(i + 1));
    }
}

} // namespace

TEST(ImageInfos, LayoutSaveWritesOnlyTypeAndZeroCount)
{
    TImageInfos list;
    fillList(list, test::scratchDir(QStringLiteral("list")));
    list.SetSaveType(TFileSaveType::fstLayout);
    TMemoryStream out;
    list.SaveToStream(out, nullptr);
    EXPECT_EQ(out.Data().toHex(), QByteArray("0000000000"));
}

TEST(ImageInfos, LoadFiresEventsAndAppendsEntries)
{
    const QString dir = test::scratchDir(QStringLiteral("list"));
    TImageInfos list;
    fillList(list, dir);
    list.SetSaveType(TFileSaveType::fstLink);
    TMemoryStream out;
    list.SaveToStream(out, nullptr);

    for (const bool deleteMissing : {false, true}) {
        TImageInfos loaded;
        std::vector<std::int32_t> starts;
        std::vector<TImageInfo *> optionLoads;
        QStringList missing;
        loaded.SetOnLoadStart([&](void *sender, std::int32_t n) {
            EXPECT_EQ(sender, &loaded);
            starts.push_back(n);
        });
        loaded.SetOnLoadOption([&](void *sender, TImageInfo *dest) {
            EXPECT_EQ(sender, &loaded);
            EXPECT_EQ(loaded.IndexOf(dest), loaded.Count() - 1) << "fired for the entry being read";
            optionLoads.push_back(dest);
        });
        loaded.SetOnImageExist([&](void *sender, const QString &fileName, bool &deletion) {
            EXPECT_EQ(sender, &loaded);
            EXPECT_FALSE(deletion);
            missing << fileName;
            deletion = deleteMissing;
        });
        TMemoryStream in(out.Data());
        loaded.LoadFromStream(in);
        EXPECT_EQ(in.Remaining(), 0);
        EXPECT_EQ(loaded.SaveType(), TFileSaveType::fstLink);
        EXPECT_EQ(starts, std::vector<std::int32_t>{3});
        EXPECT_EQ(optionLoads.size(), 3u);
        EXPECT_EQ(missing, QStringList{missingFile(dir)});
        ASSERT_EQ(loaded.Count(), deleteMissing ? 2 : 3);
        for (int i = 0; i < loaded.Count(); ++i) {
            EXPECT_EQ(facts(*loaded[i]), facts(*list[i]));
            EXPECT_EQ(loaded[i]->Options().Copies(), i + 1);
            EXPECT_EQ(loaded[i]->IsExist(), i < 2);
        }
    }
}

TEST(ImageInfos, SecondEmbeddedSaveCopiesRecordsFromTheFirst)
{
    const QString dir = test::scratchDir(QStringLiteral("list"));
    TImageInfos list;
    fillList(list, dir);
    list.SetSaveType(TFileSaveType::fstStream);
    TMemoryStream first;
    first.WriteBytes(QByteArray("paper part"));
    list.SaveToStream(first, nullptr);

    // The image files go away; the document alone carries the images now.
    for (const QString &name : QDir(dir).entryList(QDir::Files))
        QFile::remove(QDir(dir).filePath(name));

    TImageInfos reopened;
    TMemoryStream in(first.Data());
    in.SetPosition(10);
    reopened.LoadFromStream(in);
    ASSERT_EQ(reopened.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(reopened[i]->LogMode(), TImageLogging::iloStream);
        EXPECT_EQ(reopened[i]->Position(), list[i]->Position());
    }

    TMemoryStream second;
    second.WriteBytes(QByteArray("paper part"));
    reopened.SaveToStream(second, &in);
    EXPECT_EQ(second.Data(), first.Data());

    // A link save keeps them embedded and still copies the images.
    reopened.SetSaveType(TFileSaveType::fstLink);
    TMemoryStream third;
    third.WriteBytes(QByteArray("paper part"));
    reopened.SaveToStream(third, &in);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(imageRecordAt(third.Data(), reopened[i]->Position()).data,
                  imageRecordAt(first.Data(), list[i]->Position()).data);
    EXPECT_EQ(imageRecordAt(first.Data(), list[0]->Position()).kind, 1);
    EXPECT_EQ(imageRecordAt(first.Data(), list[1]->Position()).kind, 0);
    EXPECT_EQ(imageRecordAt(first.Data(), list[2]->Position()).length, 5u);

    // Without the previous file there is nothing to copy.
    TMemoryStream fourth;
    reopened.SaveToStream(fourth, nullptr);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(imageRecordAt(fourth.Data(), reopened[i]->Position()).length, 5u);
}

TEST(ImageInfos, FailedSaveLeavesEntriesPointingAtTheOldDocument)
{
    const QString dir = test::scratchDir(QStringLiteral("list"));
    TImageInfos list;
    fillList(list, dir);
    list.SetSaveType(TFileSaveType::fstStream);
    TMemoryStream old;
    list.SaveToStream(old, nullptr);
    std::vector<std::int64_t> positions;
    for (int i = 0; i < list.Count(); ++i)
        positions.push_back(list[i]->Position());

    // A newly added file that cannot be decoded makes the next save fail.
    const QString broken = QDir(dir).filePath(QStringLiteral("broken.bmp"));
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("BM not really a bitmap");
    f.close();
    list.Add()->SetFileName(broken, TImageLogging::iloLink);
    TMemoryStream failed;
    failed.WriteBytes(QByteArray(100, 'x'));
    EXPECT_THROW(list.SaveToStream(failed, &old), Error);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(list[i]->LogMode(), TImageLogging::iloStream);
        EXPECT_EQ(list[i]->Position(), positions[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(list[3]->LogMode(), TImageLogging::iloLink);

    // So a later save still copies the right images from the old document.
    list.Remove(list[3]);
    TMemoryStream next;
    list.SaveToStream(next, &old);
    EXPECT_EQ(next.Data(), old.Data());
}

TEST(ImageInfos, DamagedListsFailWithAReadError)
{
    TImageInfos list;
    fillList(list, test::scratchDir(QStringLiteral("list")));
    list.SetSaveType(TFileSaveType::fstStream);
    TMemoryStream out;
    list.SaveToStream(out, nullptr);
    const QByteArray good = out.Data();

    for (qsizetype n = 0; n < good.size(); ++n) {
        TImageInfos loaded;
        TMemoryStream in(good.left(n));
        EXPECT_THROW(loaded.LoadFromStream(in), EReadError) << "prefix of " << n << " bytes";
        EXPECT_LE(loaded.Count(), 2) << "no half-read entry stays";
    }
    for (const std::uint32_t count : {0x7FFFFFFFu, 0xFFFFFFFFu, 4u}) {
        QByteArray bad = good;
        qToLittleEndian(count, bad.data() + 1);
        TImageInfos loaded;
        bool started = false;
        loaded.SetOnLoadStart([&](void *, std::int32_t) { started = true; });
        TMemoryStream in(bad);
        EXPECT_THROW(loaded.LoadFromStream(in), EReadError) << count;
        EXPECT_EQ(started, count == 4u) << "an impossible count is refused before anything starts";
    }
}

TEST(ImageInfos, ContainerKeepsOrderAndOwnsEntries)
{
    TImageInfos list;
    TImageInfo *a = list.Add();
    TImageInfo *c = list.Add();
    TImageInfo *b = list.Insert(1);
    EXPECT_EQ(list.IndexOf(a), 0);
    EXPECT_EQ(list.IndexOf(b), 1);
    EXPECT_EQ(list.IndexOf(c), 2);
    list.Move(0, 2);
    EXPECT_EQ(list[0], b);
    EXPECT_EQ(list[2], a);
    EXPECT_EQ(list.Remove(b), 0);
    EXPECT_EQ(list.IndexOf(b), -1);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_THROW(list.Insert(5), std::out_of_range);

    // Entries made by Insert report their option loads like those made by Add.
    int reports = 0;
    list.SetOnLoadOption([&](void *, TImageInfo *dest) {
        EXPECT_EQ(dest, list[0]);
        ++reports;
    });
    TMemoryStream options;
    TPhotoOption().SaveToStream(options);
    options.SetPosition(0);
    list.Insert(0)->Options().LoadFromStream(options);
    EXPECT_EQ(reports, 1);
}

TEST(ImageInfos, ReorderTakesAWholePermutationOrNothing)
{
    TImageInfos list;
    TImageInfo *a = list.Add();
    TImageInfo *b = list.Add();
    TImageInfo *c = list.Add();
    TImageInfo other;
    const struct {
        std::vector<TImageInfo *> order;
        bool valid;
    } cases[] = {
        {{c, a, b}, true},  {{b, a, c}, true},
        {{a, a, b}, false},   // one twice, one missing
        {{a, b}, false},      // too short
        {{a, b, c, c}, false},
        {{a, b, &other}, false},
        {{a, nullptr, c}, false},
    };
    for (const auto &cs : cases) {
        const std::vector<TImageInfo *> before{list[0], list[1], list[2]};
        if (cs.valid) {
            list.Reorder(cs.order);
            EXPECT_EQ((std::vector<TImageInfo *>{list[0], list[1], list[2]}), cs.order);
        } else {
            EXPECT_THROW(list.Reorder(cs.order), std::invalid_argument);
            EXPECT_EQ((std::vector<TImageInfo *>{list[0], list[1], list[2]}), before);
        }
    }
}

// ---------------------------------------------------------------------------

namespace {

// Saves the photos linked and embedded and checks that both read back with
// the same facts, and the embedded one with the file's own bytes.
void roundTripPhotos(const QStringList &paths)
{
    TImageInfos list;
    for (const QString &path : paths)
        list.Add()->SetFileName(path, TImageLogging::iloLink);

    for (const TFileSaveType type : {TFileSaveType::fstLink, TFileSaveType::fstStream}) {
        list.SetSaveType(type);
        TMemoryStream out;
        list.SaveToStream(out, nullptr);
        TImageInfos loaded;
        TMemoryStream in(out.Data());
        loaded.LoadFromStream(in);
        EXPECT_EQ(in.Remaining(), 0);
        ASSERT_EQ(loaded.Count(), list.Count());
        for (int i = 0; i < loaded.Count(); ++i) {
            SCOPED_TRACE(paths[i].toStdString());
            EXPECT_EQ(facts(*loaded[i]), facts(*list[i]));
            if (type == TFileSaveType::fstStream) {
                const ImageRecord r = imageRecordAt(out.Data(), loaded[i]->Position());
                EXPECT_EQ(r.kind, 0);
                EXPECT_EQ(r.data, test::readFile(paths[i]));
            }
        }
    }
}

} // namespace

TEST(ImageInfoPhotos, CameraPhotoRoundTripsLinkedAndEmbedded)
{
    const QString path = test::testDataPath(QStringLiteral("photos/Canon_40D.jpg"));
    TImageInfo probe;
    probe.SetFileName(path, TImageLogging::iloLink);
    ASSERT_TRUE(probe.IsExif());
    EXPECT_EQ(probe.ShotTimeText(), QStringLiteral("2008/05/30 15:56:01.0"));
    roundTripPhotos({path});
}

TEST(ImageInfoPhotos, EverySharedSamplePhotoRoundTrips)
{
    VELLORA_REQUIRE_SHARED_PHOTOS();
    QStringList paths;
    const QDir dir(test::sharedPhotosDir());
    for (const QString &name : dir.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name))
        paths << dir.filePath(name);
    ASSERT_FALSE(paths.isEmpty());
    roundTripPhotos(paths);
}
