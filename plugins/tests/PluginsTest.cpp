// Finding, loading and registering plug-ins, and what happens when plug-ins
// crash, abort, exit, hang or return garbage.
#include "PluginTestSupport.h"

#include "graphics/GraphicClassList.h"
#include "plugins/PluginSetup.h"
#include "plugins/SPIBmp.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace vellora {
namespace {

using test::LogCapture;
using test::PluginFolder;

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

// A small PAM picture: 3 × 2 RGB.
QByteArray smallPam()
{
    QByteArray pam("P7\nWIDTH 3\nHEIGHT 2\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n");
    const char pixels[] = "\xff\x00\x00\x00\xff\x00\x00\x00\xff"
                          "\x10\x20\x30\x40\x50\x60\x70\x80\x90";
    pam.append(pixels, 18);
    return pam;
}

class PluginsTest : public ::testing::Test {
protected:
    void SetUp() override { test::UseTestHost(); }
};

TEST_F(PluginsTest, SearchLoadsPluginsByKindAndSkipsTheRest)
{
    const QString folder = PluginFolder(QStringLiteral("search"),
                                        {QStringLiteral("sample"), QStringLiteral("sample=copy.spi"),
                                         QStringLiteral("no-get-picture"), QStringLiteral("archive"),
                                         QStringLiteral("exporter")});
    writeFile(folder + QStringLiteral("/notes.spi"), "just some text\n");
    QByteArray pe("MZ\x90\x00", 4);
    pe.append(QByteArray(60, '\0')).append("PE\0\0", 4);
    writeFile(folder + QStringLiteral("/windows.spi"), pe);

    LogCapture log;
    TSPIs spis;
    spis.SetSearchOptions({});
    EXPECT_EQ(spis.Search(folder + QStringLiteral("/*.spi")), 4);

    struct Expected {
        const char *file;
        const char *version;
        bool enabled;
        bool isIn, isAm, isXn;
    } expected[] = {
        {"archive.spi", "00AM", true, false, true, false},
        {"copy.spi", "00IN", true, true, false, false},
        {"exporter.spi", "00XN", false, false, false, true},
        {"vellora-netpbm.spi", "00IN", true, true, false, false},
    };
    ASSERT_EQ(spis.Count(), 4);
    for (int i = 0; i < 4; ++i) {
        const Expected &e = expected[i];
        SCOPED_TRACE(e.file);
        TSPI *p = spis.Plugin(i);
        EXPECT_EQ(p->FileName(), QDir(folder).canonicalPath() + QLatin1Char('/') + QLatin1String(e.file));
        EXPECT_EQ(p->Version(), QLatin1String(e.version));
        EXPECT_EQ(p->Enabled(), e.enabled);
        EXPECT_EQ(dynamic_cast<TInSPI *>(p) != nullptr, e.isIn);
        EXPECT_EQ(dynamic_cast<TAmSPI *>(p) != nullptr, e.isAm);
        EXPECT_EQ(dynamic_cast<TXnSPI *>(p) != nullptr, e.isXn);
    }
    TSPI &sample = *spis.Plugin(3);
    EXPECT_EQ(sample.Infomation(), QStringLiteral("Netpbm reader (sample plug-in of Vellora)"));
    EXPECT_EQ(sample.ExtNames(), QStringList({QStringLiteral("*.pam"), QStringLiteral("*.pnm;*.ppm;*.pgm;*.pbm")}));
    EXPECT_EQ(sample.FileTypes(), QStringList({QStringLiteral("Portable Arbitrary Map"), QStringLiteral("Portable anymap")}));
    EXPECT_TRUE(sample.ProcAddress("GetPicture"));
    EXPECT_FALSE(sample.ProcAddress("GetPreview"));

    // The skipped files are named with their reason.
    const QString canonicalFolder = QDir(folder).canonicalPath();
    EXPECT_EQ(log.Count(canonicalFolder + QStringLiteral("/notes.spi:Susie Pluginがロードできませんでした")), 1);
    EXPECT_EQ(log.Count(canonicalFolder + QStringLiteral("/windows.spi:Susie Pluginがロードできませんでした")), 1);
    EXPECT_EQ(log.Count(QStringLiteral("GetPictureは[") + canonicalFolder
                        + QStringLiteral("/no-get-picture.spi]では使えないSusie Plugin APIです")),
              1);

    try {
        TSPI direct(folder + QStringLiteral("/notes.spi"));
        FAIL() << "a text file was loaded";
    } catch (const ESPIFOpenErrorSPI &e) {
        EXPECT_EQ(e.message(), canonicalFolder + QStringLiteral("/notes.spi:Susie Pluginがロードできませんでした"));
    }

    // A second search of the folder loads nothing again.
    EXPECT_EQ(spis.Search(folder + QStringLiteral("/*.spi")), 0);
    EXPECT_EQ(spis.Count(), 4);
    EXPECT_GE(spis.IndexOfSPIName(folder + QStringLiteral("/copy.spi")), 0);
    EXPECT_LT(spis.IndexOfSPIName(folder + QStringLiteral("/COPY.spi")), 0);

    // Only one manager per process.
    try {
        TSPIs second;
        FAIL() << "a second TSPIs was made";
    } catch (const ESPIDupCreateSPIs &e) {
        EXPECT_EQ(e.message(), QStringLiteral("TSPIs は複数生成できません"));
    }
}

TEST_F(PluginsTest, FormatsAreRegisteredOnceAndListed)
{
    EXPECT_EQ(ExtensionsOfFilter(QStringLiteral("*.pic;*.pi")), QStringList({QStringLiteral("pi"), QStringLiteral("pic")}));
    EXPECT_EQ(ExtensionsOfFilter(QStringLiteral("*.*")), QStringList());

    const QString folder =
        PluginFolder(QStringLiteral("formats"), {QStringLiteral("sample"), QStringLiteral("sample=second.spi")});
    TSPIs spis;
    std::vector<QString> registered;
    spis.SetOnPictureRegister([&](TSPIs &, TSPI &, const QString &ext, const QString &, const TGraphicClass *&cls) {
        registered.push_back(ext);
        if (ext == QLatin1String("pnm"))
            cls = nullptr;   // a handler may refuse a format
    });
    spis.Search(folder + QStringLiteral("/*.spi"));
    EXPECT_EQ(registered.size(), 10u);
    EXPECT_EQ(PictureClassForExtension(QStringLiteral(".PAM")), &SPIBitmapClass());
    EXPECT_EQ(PictureClassForExtension(QStringLiteral(".pbm")), &SPIBitmapClass());
    int pamEntries = 0;
    for (const TRegisteredPictureFormat &f : PictureFormats())
        pamEntries += f.Extension == QLatin1String("pam") ? 1 : 0;
    EXPECT_EQ(pamEntries, 1);

    // Every loaded plug-in's formats, once each, in Qt filter syntax.
    EXPECT_EQ(SusieFilterEntries(),
              QStringList({QStringLiteral("Portable Arbitrary Map (*.pam)"), QStringLiteral("Portable anymap (*.pbm)"),
                           QStringLiteral("Portable anymap (*.pgm)"), QStringLiteral("Portable anymap (*.ppm)"),
                           QStringLiteral("Portable anymap (*.pnm)")}));
    EXPECT_TRUE(SusieExtensionPatterns().contains(QStringLiteral("*.pam")));
}

// As the main window rebuilds its filter after the options change: the
// folder of the settings adds its plug-ins' formats to what is listed.
TEST_F(PluginsTest, ANewPluginFolderAddsItsFormatsToTheFilter)
{
    const QString first = PluginFolder(QStringLiteral("filter-first"), {QStringLiteral("sample")});
    const QString second = PluginFolder(QStringLiteral("filter-second"), {QStringLiteral("other-format")});
    TSPIs spis;
    EXPECT_EQ(SearchSusieFolder(spis, first), 1);
    EXPECT_FALSE(SusieExtensionPatterns().contains(QStringLiteral("*.qqq")));
    EXPECT_EQ(SearchSusieFolder(spis, QString()), 0);
    EXPECT_EQ(SearchSusieFolder(spis, second), 1);
    const QStringList entries = SusieFilterEntries();
    EXPECT_EQ(entries.first(), QStringLiteral("Portable Arbitrary Map (*.pam)"));
    EXPECT_EQ(entries.last(), QStringLiteral("Q picture (*.qqq)"));
    EXPECT_TRUE(SusieExtensionPatterns().contains(QStringLiteral("*.qqq")));
    EXPECT_EQ(PictureClassForExtension(QStringLiteral(".qqq")), &SPIBitmapClass());
}

TEST_F(PluginsTest, CandidatesPutMatchingPluginsFirstAndHonourTheForcedLoader)
{
    const QString folder = PluginFolder(QStringLiteral("candidates"),
                                        {QStringLiteral("crash=a-crash.spi"), QStringLiteral("sample=b-sample.spi"),
                                         QStringLiteral("garbage=c-garbage.spi")});
    TSPIs spis;
    spis.Search(folder + QStringLiteral("/*.spi"));
    ASSERT_EQ(spis.Count(), 3);
    auto *a = dynamic_cast<TInSPI *>(spis.Plugin(0));
    auto *b = dynamic_cast<TInSPI *>(spis.Plugin(1));
    auto *c = dynamic_cast<TInSPI *>(spis.Plugin(2));
    using List = std::vector<TInSPI *>;
    // All three claim .pam: the last match comes first.
    EXPECT_EQ(spis.CandidatePlugins(QStringLiteral("/x/photo.PAM")), (List{c, b, a}));
    // Only the sample names .ppm (in the middle of its filter).
    EXPECT_EQ(spis.CandidatePlugins(QStringLiteral("/x/photo.ppm")), (List{b, a, c}));
    EXPECT_EQ(spis.CandidatePlugins(QStringLiteral("/x/photo")), (List{a, b, c}));
    spis.SetGraphicForcedLoader(c);
    EXPECT_EQ(spis.CandidatePlugins(QStringLiteral("/x/photo.ppm")), (List{c}));
}

// Each faulty plug-in comes first for a .pam file; the sample after it must
// still decode, the fault be named once, and the program go on.
TEST_F(PluginsTest, FaultyPluginsAreNamedAndTheNextOneDecodes)
{
    struct Case {
        const char *plugin;
        const char *logged;
        bool disabled;
    } cases[] = {
        {"crash", "the plug-in ended its helper process (", true},
        {"abort", "the plug-in ended its helper process (signal 6", true},
        {"exit", "the plug-in ended its helper process (exit status", true},
        {"hang", "no answer within 1 s", true},
        {"garbage", "picture rejected: bitmap size -5 x 3", false},
        {"short-bits", "picture rejected: pixel block of 10 bytes, 192 needed", false},
        {"foreign-memory", "memory not allocated with SpiAlloc", false},
    };
    test::UseTestHost(1000);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.plugin);
        // Sorted by name, the faulty one is loaded before the sample; both claim .pam.
        const QString folder = PluginFolder(QLatin1String(c.plugin),
                                            {QLatin1String(c.plugin) + QStringLiteral("=z-faulty.spi"),
                                             QStringLiteral("sample=a-sample.spi")});
        const QString picture = writeFile(folder + QStringLiteral("/picture.pam"), smallPam());
        LogCapture log;
        TSPIs spis;
        spis.Search(folder + QStringLiteral("/*.spi"));
        ASSERT_EQ(spis.Count(), 2);
        const QString faulty = spis.Plugin(1)->FileName();
        ASSERT_EQ(spis.CandidatePlugins(picture).front(), spis.Plugin(1));

        for (int round = 0; round < 2; ++round) {
            TSPIGraphic graphic;
            graphic.LoadFromFile(picture);
            EXPECT_EQ(graphic.Data()->DecodedBy(), spis.Plugin(0)->FileName());
            EXPECT_EQ(graphic.ToImage().pixel(2, 1), qRgb(0x70, 0x80, 0x90));
        }
        if (!QLatin1String(c.logged).isEmpty()) {
            const QStringList lines = log.Lines();
            ASSERT_FALSE(lines.isEmpty());
            EXPECT_TRUE(lines.front().startsWith(faulty)) << lines.front().toStdString();
            EXPECT_TRUE(lines.front().contains(QLatin1String(c.logged))) << lines.front().toStdString();
        }
        // A disabled plug-in is named once and no longer tried.
        EXPECT_EQ(TSpiHost::Instance().IsDisabled(faulty), c.disabled);
        if (c.disabled) {
            EXPECT_EQ(log.Count(faulty), 1);
        }
    }
    test::UseTestHost();
}

// A stop aimed at one thread's call leaves other threads' calls alone.
TEST_F(PluginsTest, ACancelAimedAtAThreadStopsOnlyThatThreadsCall)
{
    test::UseTestHost(20000);
    const QString folder = PluginFolder(QStringLiteral("aimed-cancel"), {QStringLiteral("hang")});
    const QString picture = writeFile(folder + QStringLiteral("/picture.pam"), smallPam());
    TSPIs spis;
    spis.Search(folder + QStringLiteral("/*.spi"));
    ASSERT_EQ(spis.Count(), 1);
    std::atomic<bool> done{false};
    std::atomic<std::thread::id> reader;
    std::thread worker([&] {
        reader = std::this_thread::get_id();
        try {
            TSPIGraphic graphic;
            graphic.LoadFromFile(picture);
        } catch (...) {
            // Stopped: the picture is unreadable, nothing more.
        }
        done = true;
    });
    TSpiHost &host = TSpiHost::Instance();
    const auto keepCancelling = [&](std::thread::id caller, int ms) {
        for (int waited = 0; waited < ms && !done; waited += 20) {
            host.CancelCallOf(caller);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    };
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    keepCancelling(std::this_thread::get_id(), 500);
    EXPECT_FALSE(done.load()) << "another thread's call was stopped";
    QElapsedTimer stopping;
    stopping.start();
    keepCancelling(reader.load(), 5000);
    EXPECT_TRUE(done.load());
    EXPECT_LT(stopping.elapsed(), 1000);
    worker.join();
    EXPECT_FALSE(host.IsDisabled(spis.Plugin(0)->FileName()));
    test::UseTestHost();
}

TEST_F(PluginsTest, ProgressOfNothingDoneKeepsTheLastPercentage)
{
    const QString folder = PluginFolder(QStringLiteral("zero-done"), {QStringLiteral("zero-done")});
    const QString picture = writeFile(folder + QStringLiteral("/picture.pam"), smallPam());
    TSPIs spis;
    spis.Search(folder + QStringLiteral("/*.spi"));
    std::vector<int> running;
    TSPIGraphic graphic;
    graphic.SetOnProgress([&](TProgressStage stage, int percent, const QString &message) {
        if (stage == TProgressStage::psRunning && message.isEmpty())
            running.push_back(percent);
    });
    // The plug-in reads nothing, at either offset.
    EXPECT_THROW(graphic.LoadFromFile(picture), EInvalidGraphic);
    EXPECT_EQ(running, (std::vector<int>{1, 51, 1, 51}));
}

TEST_F(PluginsTest, APluginThatCrashesWhileLoadingIsNamedAndSkipped)
{
    const QString folder =
        PluginFolder(QStringLiteral("crash-on-load"), {QStringLiteral("crash-on-load"), QStringLiteral("sample")});
    LogCapture log;
    TSPIs spis;
    EXPECT_EQ(spis.Search(folder + QStringLiteral("/*.spi")), 1);
    EXPECT_EQ(spis.Plugin(0)->Version(), QStringLiteral("00IN"));
    EXPECT_EQ(log.Count(QStringLiteral("crash-on-load.spi: the plug-in ended its helper process")), 1);
}

TEST_F(PluginsTest, InformationTextsAreCutAtTheBuffer)
{
    const QString folder = PluginFolder(QStringLiteral("garbage-info"), {QStringLiteral("garbage-info")});
    TSPIs spis;
    ASSERT_EQ(spis.Search(folder + QStringLiteral("/*.spi")), 1);
    EXPECT_EQ(spis.Plugin(0)->Infomation(), QString(255, QLatin1Char('x')));
    EXPECT_EQ(spis.Plugin(0)->ExtNames(), QStringList({QStringLiteral("*.pam")}));
}

// What a plug-in hands back is checked before anything reads it.
TEST(PluginDibCheckTest, RejectsHeadersThatDoNotAgreeWithTheirPixels)
{
    struct Case {
        const char *what;
        std::uint32_t size;
        std::int32_t width, height;
        std::uint16_t bits;
        std::uint32_t compression, used;
        std::size_t infoBytes;
        std::uint64_t bitsBytes;
        bool ok;
    } cases[] = {
        {"sound 24-bit", 40, 3, 2, 24, 0, 0, 40, 24, true},
        {"top-down", 40, 3, -2, 24, 0, 0, 40, 24, true},
        {"short header", 40, 3, 2, 24, 0, 0, 39, 24, false},
        {"header size below 40", 12, 3, 2, 24, 0, 0, 40, 24, false},
        {"header size beyond the block", 124, 3, 2, 24, 0, 0, 100, 24, false},
        {"zero width", 40, 0, 2, 24, 0, 0, 40, 24, false},
        {"zero height", 40, 3, 0, 24, 0, 0, 40, 24, false},
        {"height of INT_MIN", 40, 3, INT32_MIN, 24, 0, 0, 40, 24, false},
        {"too many pixels", 40, 1 << 15, 1 << 14, 1, 0, 2, 48, std::uint64_t(1) << 30, false},
        {"7 bits", 40, 3, 2, 7, 0, 0, 40, 24, false},
        {"run-length", 40, 3, 2, 8, 1, 0, 40 + 1024, 24, false},
        {"bit fields with 24 bits", 40, 3, 2, 24, 3, 0, 52, 24, false},
        {"bit fields, masks missing", 40, 3, 2, 32, 3, 0, 40, 24, false},
        {"bit fields with masks", 40, 3, 2, 32, 3, 0, 52, 24, true},
        {"palette of 2^bits implied", 40, 3, 2, 8, 0, 0, 40 + 1020, 8, false},
        {"17 colours at 4 bits", 40, 3, 2, 4, 0, 17, 40 + 68, 8, false},
        {"300 colours at 24 bits", 40, 3, 2, 24, 0, 300, 40 + 1200, 24, false},
        {"2 colours at 1 bit", 40, 3, 2, 1, 0, 2, 48, 8, true},
        {"pixel block one byte short", 40, 3, 2, 24, 0, 0, 40, 23, false},
        {"widest row overflow", 40, INT32_MAX, 1, 32, 0, 0, 40, 1u << 20, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t> info(c.infoBytes, 0);
        const auto put = [&info](std::size_t at, std::uint64_t v, int n) {
            for (int i = 0; i < n && at + i < info.size(); ++i)
                info[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
        };
        put(0, c.size, 4);
        put(4, static_cast<std::uint32_t>(c.width), 4);
        put(8, static_cast<std::uint32_t>(c.height), 4);
        put(12, 1, 2);
        put(14, c.bits, 2);
        put(16, c.compression, 4);
        put(32, c.used, 4);
        const TDibCheck check = CheckPluginDib(info, c.bitsBytes);
        EXPECT_EQ(check.Ok, c.ok) << check.Problem.toStdString();
    }
    // The used header size counts the masks and the real header size.
    std::vector<std::uint8_t> v4(108 + 4 * 16, 0);
    v4[0] = 108;
    v4[4] = 5;
    v4[8] = 5;
    v4[14] = 4;
    EXPECT_EQ(CheckPluginDib(v4, 20).InfoSize, 108u + 64u);
}

} // namespace
} // namespace vellora
