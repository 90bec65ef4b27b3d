// Pictures through the sample plug-in and the helper: ImageMagick's files
// decode to ImageMagick's pixels; MacBinary headers, the bitmap class for
// ".bmp", progress and cancelling. And the sample's parser on its own.
#include "PluginTestSupport.h"

#include "Netpbm.h"
#include "graphics/GraphicClassList.h"
#include "plugins/SPIBmp.h"
#include "testsupport/TestSupport.h"

#include <QFile>
#include <QImage>
#include <QtEndian>
#include <atomic>
#include <functional>
#include <thread>
#include <gtest/gtest.h>

namespace vellora {
namespace {

using test::Magick;

int bitCount(const TSPIGraphic &g)
{
    return g.Data()->BMInfo()[14];
}

// The largest difference of any channel between the images (-1: sizes differ).
int maxDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return -1;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

class NetpbmPluginTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        test::UseTestHost();
        spis = new TSPIs;
        spis->SetSearchOptions({});
        folder = test::PluginFolder(QStringLiteral("netpbm"), {QStringLiteral("sample")});
        spis->Search(folder + QStringLiteral("/*.spi"));
    }
    static void TearDownTestSuite()
    {
        delete spis;
        spis = nullptr;
    }
    void SetUp() override { ASSERT_EQ(spis->Count(), 1); }

    static TSPIs *spis;
    static QString folder;
};

TSPIs *NetpbmPluginTest::spis = nullptr;
QString NetpbmPluginTest::folder;

TEST_F(NetpbmPluginTest, ImageMagickFilesDecodeToImageMagicksPixels)
{
    const QString src = folder + QStringLiteral("/src.png");
    ASSERT_TRUE(Magick({QStringLiteral("-size"), QStringLiteral("41x29"), QStringLiteral("-seed"), QStringLiteral("7"),
                        QStringLiteral("plasma:"), src}));
    struct Case {
        const char *file;
        const char *args;
        int bits;
        int tolerance;
    } cases[] = {
        {"raw.pbm", "-monochrome", 1, 0},
        {"plain.pbm", "-monochrome -compress none", 1, 0},
        {"grey4.pgm", "-colorspace Gray -depth 4", 4, 0},
        {"grey4.pam", "-colorspace Gray -depth 4", 4, 0},
        {"grey8.pgm", "-colorspace Gray -depth 8", 8, 0},
        {"grey8.pam", "-colorspace Gray -depth 8", 8, 0},
        {"plain8.pgm", "-colorspace Gray -depth 8 -compress none", 8, 0},
        {"rgb8.ppm", "-depth 8", 24, 0},
        {"rgb8.pam", "-depth 8", 24, 0},
        {"plain.ppm", "-depth 8 -compress none", 24, 0},
        {"rgb16.ppm", "-depth 16", 24, 1},
        {"rgba16.pam", "-alpha set -channel A -fx i/w +channel -depth 16", 24, 1},
        {"greyalpha.pam", "-colorspace Gray -alpha set -channel A -fx j/h +channel -depth 8", 24, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        const QString file = folder + QLatin1Char('/') + QLatin1String(c.file);
        const QString reference = file + QStringLiteral(".ref.png");
        QStringList args{src};
        args << QString::fromLatin1(c.args).split(QLatin1Char(' ')) << file;
        ASSERT_TRUE(Magick(args));
        ASSERT_TRUE(Magick({file, QStringLiteral("-background"), QStringLiteral("white"), QStringLiteral("-alpha"),
                            QStringLiteral("remove"), QStringLiteral("-alpha"), QStringLiteral("off"),
                            QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("-type"),
                            QStringLiteral("TrueColor"), reference}));
        const QImage expected(reference);
        ASSERT_FALSE(expected.isNull());

        TSPIGraphic graphic;
        graphic.LoadFromFile(file);
        EXPECT_EQ(bitCount(graphic), c.bits);
        EXPECT_EQ(graphic.Width(), 41);
        EXPECT_EQ(graphic.Height(), 29);
        EXPECT_LE(maxDifference(graphic.ToImage(), expected), c.tolerance);

        // The picture loader's class for the extension reads it too, from memory.
        const TGraphicClass *cls = PictureClassForExtension(ExtractFileExt(file));
        ASSERT_EQ(cls, &SPIBitmapClass());
        std::unique_ptr<TGraphic> viaLoader = cls->Create();
        viaLoader->LoadFromData(test::readFile(file));
        EXPECT_LE(maxDifference(viaLoader->Image(), expected), c.tolerance);
    }
}

// Large pictures come back in the memory the plug-in wrote them into: the
// pixels begin at the second page of the BMP file image.
TEST_F(NetpbmPluginTest, LargePicturesArriveWithoutACopy)
{
    const QString file = folder + QStringLiteral("/large.ppm");
    const QString reference = file + QStringLiteral(".ref.png");
    ASSERT_TRUE(Magick({QStringLiteral("-size"), QStringLiteral("700x500"), QStringLiteral("-seed"),
                        QStringLiteral("3"), QStringLiteral("plasma:"), QStringLiteral("-depth"), QStringLiteral("8"),
                        file}));
    ASSERT_TRUE(Magick({file, reference}));
    for (const bool fromMemory : {false, true}) {
        TSPIGraphic graphic;
        if (fromMemory)
            graphic.LoadFromData(test::readFile(file), file);
        else
            graphic.LoadFromFile(file);
        const auto bmp = graphic.Data()->BMFile();
        ASSERT_GT(bmp.size(), 4096u + 700u * 500u * 3u - 1u);
        EXPECT_EQ(qFromLittleEndian<quint32>(bmp.data() + 10), 4096u);
        EXPECT_EQ(maxDifference(graphic.ToImage(), QImage(reference)), 0);
    }
}

TEST_F(NetpbmPluginTest, SavesAsABmpFileWithItsColourTable)
{
    const QString file = folder + QStringLiteral("/save.pgm");
    ASSERT_TRUE(Magick({QStringLiteral("-size"), QStringLiteral("5x3"), QStringLiteral("gradient:"),
                        QStringLiteral("-depth"), QStringLiteral("4"), file}));
    TSPIGraphic graphic;
    graphic.LoadFromFile(file);
    EXPECT_TRUE(graphic.PixelFormatIs4bit());
    EXPECT_EQ(graphic.ColorCount(), 16);
    EXPECT_EQ(graphic.GetPalette().value(15), qRgb(255, 255, 255));
    const QByteArray bmp = graphic.SaveToData();
    ASSERT_GE(bmp.size(), 54 + 64);
    EXPECT_EQ(bmp.left(2), QByteArray("BM"));
    // The bits begin after the header and its 16 colours.
    const auto u32 = [&bmp](int at) { return qFromLittleEndian<quint32>(bmp.constData() + at); };
    EXPECT_EQ(u32(10), 14u + 40u + 64u);
    EXPECT_EQ(u32(2), static_cast<quint32>(bmp.size()));
    QImage viaQt;
    ASSERT_TRUE(viaQt.loadFromData(bmp, "BMP"));
    EXPECT_EQ(maxDifference(viaQt, graphic.ToImage()), 0);
    std::unique_ptr<TGraphic> bitmap = graphic.CreateAndConvertToDIBFileReadableGraphic(BitmapClass());
    EXPECT_EQ(bitmap->Width(), 5);
    EXPECT_TRUE(graphic.Empty());
}

TEST_F(NetpbmPluginTest, MacBinaryHeadersAreSkippedWhenAllowed)
{
    QByteArray pam("P7\nWIDTH 2\nHEIGHT 1\nDEPTH 1\nMAXVAL 255\nENDHDR\n\x20\xE0");
    const QByteArray wrapped = QByteArray(128, '\x01') + pam;
    const QString file = folder + QStringLiteral("/mac.pam");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(wrapped);
    f.close();
    for (bool fromFile : {true, false}) {
        SCOPED_TRACE(fromFile ? "file" : "memory");
        TSPIGraphic graphic;
        if (fromFile)
            graphic.LoadFromFile(file);
        else
            graphic.LoadFromData(wrapped, QStringLiteral("mac.pam"));
        EXPECT_EQ(graphic.ToImage().pixel(1, 0), qRgb(0xE0, 0xE0, 0xE0));
    }
    spis->SetMacBinary(false);
    TSPIGraphic graphic;
    EXPECT_THROW(graphic.LoadFromFile(file), EInvalidGraphic);
    spis->SetMacBinary(true);
    try {
        TSPIGraphic().LoadFromData(QByteArray("not a picture"));
        FAIL() << "decoded text";
    } catch (const EGraphicError &e) {
        EXPECT_STREQ(e.what(), "Susie Plugins could not decode");
    }
}

TEST_F(NetpbmPluginTest, BmpFilesGoToTheBitmapClassFirst)
{
    // A test plug-in that crashes on any picture would be named if it were tried.
    const QString crashFolder = test::PluginFolder(QStringLiteral("bmp"), {QStringLiteral("crash")});
    spis->Search(crashFolder + QStringLiteral("/*.spi"));
    spis->Exchange(0, 1);   // the crashing one first
    test::LogCapture log;
    const QString bmp = crashFolder + QStringLiteral("/picture.bmp");
    QImage source(4, 3, QImage::Format_RGB888);
    source.fill(qRgb(10, 200, 30));
    ASSERT_TRUE(source.save(bmp, "BMP"));
    std::unique_ptr<TGraphic> g = SPIBitmapClass().Create();
    g->LoadFromFile(bmp);
    EXPECT_EQ(g->Image().pixel(3, 2), qRgb(10, 200, 30));
    EXPECT_TRUE(log.Lines().isEmpty());
    spis->Delete(0);
}

TEST_F(NetpbmPluginTest, ProgressIsReportedInStagesAndCancels)
{
    const QString file = folder + QStringLiteral("/progress.pgm");
    ASSERT_TRUE(Magick({QStringLiteral("-size"), QStringLiteral("20x300"), QStringLiteral("gradient:"),
                        QStringLiteral("-depth"), QStringLiteral("8"), file}));
    struct Event {
        TProgressStage stage;
        int percent;
        QString message;
    };
    std::vector<Event> events;
    TSPIGraphic graphic;
    graphic.SetOnProgress([&](TProgressStage stage, int percent, const QString &message) {
        events.push_back({stage, percent, message});
    });
    graphic.LoadFromFile(file);
    ASSERT_GE(events.size(), 6u);
    EXPECT_EQ(events[0].stage, TProgressStage::psStarting);
    EXPECT_EQ(events[0].percent, 0);
    EXPECT_EQ(events[0].message, QStringLiteral("Loading Graphic by Susie Plugin"));
    EXPECT_EQ(events[1].percent, 1);
    EXPECT_EQ(events[1].message, QStringLiteral("Seeking enabled Susie Plugins"));
    EXPECT_EQ(events[2].message, QStringLiteral("Loading by [vellora-netpbm.spi]"));
    // 2 + Num × 97 / Done: from 2 at the first row to 99 at the end, never back.
    EXPECT_EQ(events[3].percent, 2);
    EXPECT_EQ(events[events.size() - 2].percent, 99);
    for (std::size_t i = 4; i + 1 < events.size(); ++i) {
        EXPECT_EQ(events[i].stage, TProgressStage::psRunning);
        EXPECT_GE(events[i].percent, events[i - 1].percent);
    }
    EXPECT_EQ(events.back().stage, TProgressStage::psEnding);
    EXPECT_EQ(events.back().percent, 100);
    EXPECT_EQ(events.back().message, QStringLiteral("Loaded Graphic by Susie Plugin"));

    // Cancelling half-way stops the attempt; the plug-in stays usable.
    TSPIGraphic cancelled;
    cancelled.SetOnProgress([](TProgressStage stage, int percent, const QString &) {
        if (stage == TProgressStage::psRunning && percent >= 50)
            throw EAbort();
    });
    EXPECT_THROW(cancelled.LoadFromFile(file), EAbort);
    EXPECT_TRUE(cancelled.Empty());
    // Another error of the handler passes on once the call has finished.
    TSPIGraphic failing;
    failing.SetOnProgress([](TProgressStage stage, int percent, const QString &) {
        if (stage == TProgressStage::psRunning && percent >= 50)
            throw std::runtime_error("handler failed");
    });
    EXPECT_THROW(failing.LoadFromFile(file), std::runtime_error);
    TSPIGraphic again;
    again.LoadFromFile(file);
    EXPECT_EQ(again.Height(), 300);
}

// The thumbnail workers decode on their own threads; calls are serialized.
TEST_F(NetpbmPluginTest, DecodesFromSeveralThreadsAtOnce)
{
    const QString file = folder + QStringLiteral("/threads.pgm");
    ASSERT_TRUE(Magick({QStringLiteral("-size"), QStringLiteral("30x20"), QStringLiteral("gradient:"),
                        QStringLiteral("-depth"), QStringLiteral("8"), file}));
    spis->SetGraphicPreview(true);   // the sample has no preview: the picture is asked for
    std::atomic<int> decoded{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 15; ++i) {
                std::unique_ptr<TGraphic> g = SPIBitmapClass().Create();
                g->LoadFromFile(file);
                if (g->Width() == 30 && g->Height() == 20)
                    ++decoded;
            }
        });
    for (std::thread &t : threads)
        t.join();
    spis->SetGraphicPreview(false);
    EXPECT_EQ(decoded.load(), 45);
}

// The parser on its own, for what ImageMagick does not write.
TEST(NetpbmParserTest, ReadsHandWrittenFormsAndRefusesBrokenOnes)
{
    struct Case {
        const char *what;
        QByteArray bytes;
        bool header;
        netpbm::Result result;
        int bits;
        // Rows are bottom-up, 4-byte aligned; the colour table follows the 40-byte header.
        std::function<void(const netpbm::Bitmap &, const std::vector<std::uint8_t> &)> check = {};
    } cases[] = {
        {"PAM black and white (1 is white)", QByteArray("P7\nWIDTH 9\nHEIGHT 1\nDEPTH 1\nMAXVAL 1\nTUPLTYPE BLACKANDWHITE\nENDHDR\n")
                                                 + QByteArray("\1\0\1\0\1\0\1\0\1", 9),
         true, netpbm::Result::ok, 1,
         [](const netpbm::Bitmap &b, const std::vector<std::uint8_t> &rows) {
             EXPECT_EQ(b.info[40], 0x00);   // 0 is black, 1 white
             EXPECT_EQ(b.info[44], 0xFF);
             EXPECT_EQ(rows[0], 0xAA);
             EXPECT_EQ(rows[1], 0x80);
         }},
        {"comments in a PGM header", QByteArray("P5 # size\n2 # w\n1\n255\n\x10\x20"), true, netpbm::Result::ok, 8},
        {"plain PBM without separators", QByteArray("P1\n3 2\n010\n101\n"), true, netpbm::Result::ok, 1,
         [](const netpbm::Bitmap &b, const std::vector<std::uint8_t> &rows) {
             EXPECT_EQ(b.info[40], 0xFF);   // 0 is white, 1 black
             EXPECT_EQ(b.info[44], 0x00);
             EXPECT_EQ(rows[4], 0x40);      // the top row, "010"
             EXPECT_EQ(rows[0], 0xA0);
         }},
        {"PAM depth 5", QByteArray("P7\nWIDTH 1\nHEIGHT 1\nDEPTH 5\nMAXVAL 255\nENDHDR\n12345"), false,
         netpbm::Result::ok, 0},
        {"PAM without ENDHDR", QByteArray("P7\nWIDTH 1\nHEIGHT 1\nDEPTH 1\nMAXVAL 255\n"), false, netpbm::Result::ok, 0},
        {"maxval 0", QByteArray("P5 1 1 0\n\0", 9), false, netpbm::Result::ok, 0},
        {"maxval 65536", QByteArray("P5 1 1 65536\n\0\0", 14), false, netpbm::Result::ok, 0},
        {"width overflowing", QByteArray("P5 99999999999 1 255\n"), false, netpbm::Result::ok, 0},
        {"2^28 + 1 pixels", QByteArray("P5 268435457 1 255\n"), false, netpbm::Result::ok, 0},
        {"raw samples missing", QByteArray("P6 100 100 255\n\1\2\3"), true, netpbm::Result::brokenData, 0},
        {"plain sample missing", QByteArray("P2 2 1 255\n7"), true, netpbm::Result::brokenData, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const auto *data = reinterpret_cast<const std::uint8_t *>(c.bytes.constData());
        const auto size = static_cast<std::size_t>(c.bytes.size());
        netpbm::Header header;
        ASSERT_EQ(netpbm::ParseHeader(data, size, header), c.header);
        if (!c.header)
            continue;
        std::vector<std::uint8_t> storage;
        netpbm::Bitmap bitmap;
        const netpbm::Result r = netpbm::Decode(
            data, size, header, bitmap,
            [](std::size_t n, void *context) {
                auto *s = static_cast<std::vector<std::uint8_t> *>(context);
                s->resize(n);
                return s->data();
            },
            &storage, nullptr, nullptr);
        EXPECT_EQ(r, c.result);
        if (r == netpbm::Result::ok) {
            EXPECT_EQ(bitmap.info[14], c.bits);
        }
        if (c.check)
            c.check(bitmap, storage);
    }
}

} // namespace
} // namespace vellora
