#include "settings/Helpers.h"

#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdlib>

using namespace vellora;

namespace {

TDigest digestOf(std::initializer_list<int> bytes)
{
    TDigest d{};
    std::size_t i = 0;
    for (int b : bytes)
        d[i++] = static_cast<std::uint8_t>(b);
    return d;
}

QString hex(const TDigest &d)
{
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(d.data()), 16).toHex());
}

THashItem key(std::int64_t u, std::int64_t l, std::uint32_t data = 0)
{
    THashItem item;
    item.UInt = u;
    item.LInt = l;
    item.Data = data;
    return item;
}

void touch(const QString &path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

} // namespace

TEST(StringMD5, MatchesDigestsOfUtf16LeBytesComputedByIconvAndMd5sum)
{
    // printf '%s' TEXT | iconv -f UTF-8 -t UTF-16LE | md5sum
    const struct {
        const char *text;
        const char *md5;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "4144e195f46de78a3623da7364d04f11"},
        {"abc", "ce1473cf80c6b3fda8e3dfc006adc315"},
        {"message digest", "6f9ab83227f65f9b86c380e2c9c33031"},
        {"/HOME/USER/写真.JPG", "6c70d5ea8eee965dbae45e6803ee899f"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(hex(StringMD5(QString::fromUtf8(c.text))), QLatin1String(c.md5)) << c.text;
}

TEST(HashItem, DigestHalvesAreSignedBigEndian)
{
    const THashItem item = THashItem::FromDigest(
        digestOf({0x80, 0, 0, 0, 0, 0, 0, 0x01, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08}));
    EXPECT_EQ(item.UInt, std::numeric_limits<std::int64_t>::min() + 1);
    EXPECT_EQ(item.LInt, 0x0102030405060708LL);
    EXPECT_EQ(item.Data, 0u);
}

TEST(HashList, KeepsSignedOrderAndInsertionOrderOfEqualKeys)
{
    THashList list;
    EXPECT_EQ(list.Add(key(5, 0, 1)), 0);
    EXPECT_EQ(list.Add(key(-3, 7, 2)), 0);       // negative sorts first
    EXPECT_EQ(list.Add(key(5, -1, 3)), 1);
    EXPECT_EQ(list.Add(key(5, 0, 4)), 3);        // behind its equal
    EXPECT_EQ(list.Insert(0, key(9, 9, 5)), 4);  // the index is ignored
    const std::uint32_t expected[] = {2, 3, 1, 4, 5};
    for (int i = 0; i < list.Count(); ++i)
        EXPECT_EQ(list.Data(i), expected[i]) << i;
    EXPECT_EQ(list.IndexOf(key(5, 0)), 2);
    EXPECT_EQ(list.Find(key(5, 0), 2, false), 3);
    EXPECT_EQ(list.Find(key(5, 0), 2, true), 2);
    EXPECT_EQ(list.Find(key(5, 0), 3, false), -1);
    EXPECT_TRUE(list.IsDuplication(key(5, 0)));
    EXPECT_FALSE(list.IsDuplication(key(9, 9)));
}

TEST(HashList, AddStringHonoursTheDuplicatesFlag)
{
    THashList list;
    EXPECT_GE(list.AddString(QStringLiteral("photo.jpg")), 0);
    list.SetData(0, 42);
    EXPECT_GE(list.AddString(QStringLiteral("photo.jpg")), 0);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.IndexOfString(QStringLiteral("photo.jpg")), 0);
    EXPECT_EQ(list.Data(0), 42u);
    EXPECT_TRUE(list.IsDuplication(THashItem::FromDigest(StringMD5(QStringLiteral("photo.jpg")))));
    EXPECT_EQ(list.IndexOfString(QStringLiteral("other.jpg")), -1);

    THashList unique(false);
    EXPECT_EQ(unique.AddString(QStringLiteral("photo.jpg")), 0);
    EXPECT_EQ(unique.AddString(QStringLiteral("photo.jpg")), -1);
    EXPECT_EQ(unique.Count(), 1);
}

TEST(HashList, IndexOfAgreesWithALinearSearchOnRandomLists)
{
    QRandomGenerator rng(1234);
    for (int size : {0, 1, 2, 3, 7, 8, 9, 16, 17, 100, 1000}) {
        THashList list;
        std::vector<THashItem> added;
        for (int i = 0; i < size; ++i) {
            // Few distinct keys, so runs of equal keys cross the halving points.
            const THashItem item = key(static_cast<std::int64_t>(rng.bounded(size / 3 + 1)) - size / 6,
                                       rng.bounded(2), static_cast<std::uint32_t>(i));
            list.Add(item);
            added.push_back(item);
        }
        for (int i = 1; i < list.Count(); ++i) {
            const THashItem &a = list.Item(i - 1), &b = list.Item(i);
            ASSERT_TRUE(a.UInt < b.UInt || (a.UInt == b.UInt && a.LInt <= b.LInt)) << size << " at " << i;
        }
        for (std::int64_t u = -size / 6 - 1; u <= size / 3 - size / 6 + 1; ++u) {
            for (std::int64_t l = 0; l < 2; ++l) {
                int linear = -1;
                for (int i = 0; i < list.Count() && linear < 0; ++i)
                    if (list.Item(i).SameKey(key(u, l)))
                        linear = i;
                ASSERT_EQ(list.IndexOf(key(u, l)), linear) << "size " << size << " key " << u << "," << l;
            }
        }
    }
}

TEST(HashList, ReplaceValueMovesTheItemToItsPlaceEitherWay)
{
    THashList list;
    for (int i = 0; i < 5; ++i)
        list.Add(key(0, i * 10, static_cast<std::uint32_t>(i)));
    // Digest of (0, 35): bytes 8..15 big-endian.
    list.ReplaceValue(0, digestOf({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 35}));
    EXPECT_EQ(list.IndexOf(key(0, 35)), 3);
    EXPECT_EQ(list.Data(3), 0u);
    list.ReplaceValue(4, digestOf({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(list.IndexOf(key(0, 1)), 0);
    EXPECT_EQ(list.Data(0), 4u);
    for (int i = 1; i < list.Count(); ++i)
        EXPECT_LT(list.Item(i - 1).LInt, list.Item(i).LInt);
}

TEST(HashList, RemovalAssignAndRefusedReordering)
{
    THashList list;
    list.Add(key(1, 0, 10));
    list.Add(key(2, 0, 20));
    list.Add(key(3, 0, 30));
    EXPECT_EQ(list.Remove(key(2, 0)), 1);
    EXPECT_EQ(list.Remove(key(2, 0)), -1);
    const auto extracted = list.Extract(key(3, 0));
    ASSERT_TRUE(extracted.has_value());
    EXPECT_EQ(extracted->Data, 30u);
    EXPECT_FALSE(list.Extract(key(3, 0)).has_value());
    EXPECT_THROW(list.Delete(5), std::out_of_range);

    THashList copy(true);
    list.SetDuplicates(false);
    copy.Assign(list);
    EXPECT_FALSE(copy.Duplicates());
    ASSERT_EQ(copy.Count(), 1);
    EXPECT_EQ(copy.Data(0), 10u);

    try {
        list.Exchange(0, 0);
        ADD_FAILURE() << "Exchange did not throw";
    } catch (const Error &e) {
        EXPECT_STREQ(e.what(), "THashList: Can't exchange.");
    }
    try {
        list.Move(0, 0);
        ADD_FAILURE() << "Move did not throw";
    } catch (const Error &e) {
        EXPECT_STREQ(e.what(), "THashList: Can't move.");
    }
}

TEST(StreamStrings, WriteAndReadUtf16WithTerminator)
{
    TMemoryStream s;
    EXPECT_EQ(WriteStringToStream(s, QString()), 2);
    EXPECT_EQ(WriteStringToStream(s, QStringLiteral("写真A")), 8);
    EXPECT_EQ(s.Data(), QByteArray("\0\0\x99\x51\x1f\x77\x41\0\0\0", 10));
    s.SetPosition(0);
    EXPECT_EQ(ReadStringFromStream(s), QString());
    EXPECT_EQ(ReadStringFromStream(s), QStringLiteral("写真A"));
    EXPECT_EQ(ReadStringFromStream(s), QString());   // at the end

    TMemoryStream unterminated(QByteArray("a\0b\0c", 5));
    EXPECT_EQ(ReadStringFromStream(unterminated), QStringLiteral("ab"));
}

TEST(StreamStrings, ListsRoundTripAndAppend)
{
    TMemoryStream s;
    const QStringList written{QStringLiteral("one"), QString(), QStringLiteral("三")};
    EXPECT_EQ(WriteStringsToStream(s, written), 4 + 8 + 2 + 4);
    EXPECT_EQ(s.Size(), 18);
    s.SetPosition(0);
    QStringList list{QStringLiteral("kept")};
    EXPECT_EQ(ReadStringsFromStream(s, list), 18);
    EXPECT_EQ(list, QStringList({QStringLiteral("kept")}) + written);
}

TEST(StreamStrings, ImpossibleCountsAndMissingTerminatorsAreReadErrors)
{
    // A count of 0xFFFFFFFF with 4 bytes behind it must fail before reserving.
    TMemoryStream huge(QByteArray("\xFF\xFF\xFF\xFF" "a\0\0\0", 8));
    QStringList list;
    EXPECT_THROW(ReadStringsFromStream(huge, list), EReadError);
    EXPECT_TRUE(list.isEmpty());

    TMemoryStream exact(QByteArray("\x02\0\0\0" "\0\0\0\0", 8));
    EXPECT_EQ(ReadStringsFromStream(exact, list), 8);
    EXPECT_EQ(list, QStringList({QString(), QString()}));

    TMemoryStream tooMany(QByteArray("\x03\0\0\0" "\0\0\0\0", 8));
    EXPECT_THROW(ReadStringsFromStream(tooMany, list), EReadError);

    // CP932 bytes of "写真=ｶﾒﾗ" (iconv -t CP932), then a zero.
    TMemoryStream legacy(QByteArray("\x8e\xca\x90\x5e\x3d\xb6\xd2\xd7\0rest", 13));
    EXPECT_EQ(ReadLegacyStringFromStream(legacy), QStringLiteral("写真=ｶﾒﾗ"));
    EXPECT_EQ(legacy.Position(), 9);
    TMemoryStream cut(QByteArray("abc", 3));
    EXPECT_THROW(ReadLegacyStringFromStream(cut), EReadError);
}

TEST(FileHelpers, MakeUniqueFileNameCountsPastTakenNames)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString dir = tmp.path() + QStringLiteral("/my.photos");
    ASSERT_TRUE(QDir().mkpath(dir));
    const QString name = dir + QStringLiteral("/a.vlf");
    EXPECT_EQ(MakeUniqueFileName(name), name);
    touch(name);
    EXPECT_EQ(MakeUniqueFileName(name), dir + QStringLiteral("/a1.vlf"));
    touch(dir + QStringLiteral("/a1.vlf"));
    EXPECT_EQ(MakeUniqueFileName(name), dir + QStringLiteral("/a2.vlf"));
    EXPECT_EQ(MakeUniqueFileName(name, QStringLiteral(" ("), QStringLiteral(")")), dir + QStringLiteral("/a (1).vlf"));
    // No extension: the dot of the folder name is not one.
    touch(dir + QStringLiteral("/noext"));
    EXPECT_EQ(MakeUniqueFileName(dir + QStringLiteral("/noext")), dir + QStringLiteral("/noext1"));
}

TEST(FileHelpers, CreateTempFileNameMakesANewFileWithThePrefix)
{
    QTemporaryDir tmp;
    QString first, second;
    ASSERT_TRUE(CreateTempFileName(tmp.path(), QStringLiteral("vlt"), first));
    ASSERT_TRUE(CreateTempFileName(tmp.path() + QLatin1Char('/'), QStringLiteral("vlt"), second));
    EXPECT_NE(first, second);
    for (const QString &f : {first, second}) {
        const QFileInfo fi(f);
        EXPECT_TRUE(fi.isFile());
        EXPECT_EQ(fi.size(), 0);
        EXPECT_TRUE(fi.fileName().startsWith(QLatin1String("vlt")));
        EXPECT_EQ(fi.absolutePath(), QFileInfo(tmp.path()).absoluteFilePath());
    }
    QString missing;
    EXPECT_FALSE(CreateTempFileName(tmp.path() + QStringLiteral("/absent"), QStringLiteral("vlt"), missing));
}

TEST(FileHelpers, GetFileInformationReportsFullSizeAndLocalTimes)
{
    QTemporaryDir tmp;
    const QString path = tmp.path() + QStringLiteral("/big.bin");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(5LL * 1024 * 1024 * 1024 + 3));   // sparse, beyond 32 bits
    }
    TFileInfo info;
    ASSERT_TRUE(GetFileInformation(path, info));
    EXPECT_EQ(info.Size, 5LL * 1024 * 1024 * 1024 + 3);
    EXPECT_EQ(info.FileName, QFileInfo(path).absoluteFilePath());
    EXPECT_TRUE(info.Attr & faArchive);
    EXPECT_FALSE(info.Attr & faDirectory);
    EXPECT_EQ(info.LastWriteTime.timeSpec(), Qt::LocalTime);
    EXPECT_LE(std::llabs(info.LastWriteTime.secsTo(QDateTime::currentDateTime())), 60);
    EXPECT_TRUE(info.CreateTime.isValid());

    ASSERT_TRUE(GetFileInformation(tmp.path(), info));
    EXPECT_TRUE(info.Attr & faDirectory);
    EXPECT_FALSE(GetFileInformation(tmp.path() + QStringLiteral("/none"), info));
}

TEST(FileHelpers, ExpandLongFileNameResolvesWhatExistsAndKeepsTheRest)
{
    QTemporaryDir tmp;
    const QString real = QFileInfo(tmp.path()).canonicalFilePath();
    ASSERT_TRUE(QDir().mkpath(real + QStringLiteral("/Real Folder")));
    ASSERT_TRUE(QFile::link(real + QStringLiteral("/Real Folder"), real + QStringLiteral("/alias")));
    EXPECT_EQ(ExpandLongFileName(real + QStringLiteral("/alias/./x/../")), real + QStringLiteral("/Real Folder/"));
    EXPECT_EQ(ExpandLongFileName(real + QStringLiteral("/alias/Missing/File.JPG")),
              real + QStringLiteral("/Real Folder/Missing/File.JPG"));
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(real));
    EXPECT_EQ(ExpandLongFileName(QStringLiteral("alias")), real + QStringLiteral("/Real Folder"));
    QDir::setCurrent(cwd);
}

TEST(FileHelpers, SameFolderIgnoresTrailingDelimiterAndCase)
{
    const struct {
        const char *a, *b;
        bool same;
    } cases[] = {
        {"/photos", "/photos/", true},
        {"/Photos/", "/photos", true},
        {"/photos/a", "/photos", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SameFolder(QString::fromUtf8(c.a), QString::fromUtf8(c.b)), c.same) << c.a << " vs " << c.b;
}

TEST(FileHelpers, ListFolderFilesGivesFilesOnlyIncludingHiddenOnes)
{
    QTemporaryDir tmp;
    touch(tmp.filePath(QStringLiteral("b.JPG")));
    touch(tmp.filePath(QStringLiteral(".hidden.jpg")));
    touch(tmp.filePath(QStringLiteral("noext")));
    ASSERT_TRUE(QDir(tmp.path()).mkdir(QStringLiteral("sub.jpg")));

    QStringList list;
    ASSERT_TRUE(ListFolderFiles(tmp.path(), QStringLiteral("*.*"), list));
    list.sort();
    EXPECT_EQ(list, QStringList({tmp.filePath(QStringLiteral(".hidden.jpg")), tmp.filePath(QStringLiteral("b.JPG")),
                                 tmp.filePath(QStringLiteral("noext"))}));

    // A file path lists its folder; the mask matches letters in any case.
    ASSERT_TRUE(ListFolderFiles(tmp.filePath(QStringLiteral("noext")), QStringLiteral("*.jpg"), list));
    list.sort();
    EXPECT_EQ(list, QStringList({tmp.filePath(QStringLiteral(".hidden.jpg")), tmp.filePath(QStringLiteral("b.JPG"))}));

    EXPECT_FALSE(ListFolderFiles(tmp.filePath(QStringLiteral("none/x")), QStringLiteral("*.*"), list));
    EXPECT_TRUE(list.isEmpty());
}

TEST(FileHelpers, TemporaryFolderFollowsTmpdir)
{
    QTemporaryDir tmp;
    const QByteArray saved = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    EXPECT_EQ(GetSpecialFolder(TSpecialFolder::sfTemporary), QFileInfo(tmp.path()).canonicalFilePath() + QLatin1Char('/'));
    qunsetenv("TMPDIR");
    EXPECT_EQ(GetSpecialFolder(TSpecialFolder::sfTemporary), QStringLiteral("/tmp/"));
    if (!saved.isNull())
        qputenv("TMPDIR", saved);
}

TEST(ProgramInfo, VersionStringsOfTheRunningProgram)
{
    QString value;
    ASSERT_TRUE(GetVersionInfo(QCoreApplication::applicationFilePath(), 8, value));
    EXPECT_EQ(value, QStringLiteral("Vellora"));
    ASSERT_TRUE(GetVersionInfo(QString(), 9, value));
    EXPECT_EQ(value, QStringLiteral("9.0.0"));
    EXPECT_FALSE(GetVersionInfo(QString(), 10, value));
    EXPECT_FALSE(GetVersionInfo(QStringLiteral("/bin/sh"), 8, value));
    EXPECT_TRUE(value.isEmpty());
}

TEST(ProgramInfo, WindowsKindTableAndLinux)
{
    const struct {
        int major, minor;
        bool nt;
        int kind;
    } cases[] = {{6, 0, true, 0}, {6, 3, true, 0}, {5, 2, true, 1}, {5, 1, true, 2}, {5, 0, true, 3},
                 {4, 90, false, 4}, {4, 10, false, 5}, {4, 0, true, 6}, {4, 0, false, 7}, {10, 0, true, 8}};
    for (const auto &c : cases)
        EXPECT_EQ(WindowsKindOf(c.major, c.minor, c.nt), c.kind) << c.major << "." << c.minor;
    EXPECT_EQ(GetWindowsKind(), 8);
    EXPECT_FALSE(IsWindows6());
}
