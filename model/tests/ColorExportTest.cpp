// Exported pages of colour-managed photos: a photo tagged with a wide-gamut
// profile (made by LittleCMS's jpgicc from an sRGB original) exports in the
// original's colours, pages say they are sRGB (JPEG APP2, PDF /ICCBased),
// and with colour management off the pages are today's pixels exactly.
#include "exif/JpegProfile.h"
#include "graphics/ColorManagement.h"
#include "model/ImageInfo.h"
#include "model/ImageListItems.h"
#include "model/PhotoPaper.h"
#include "model/PrintRun.h"
#include "print/DevicePrint.h"
#include "print/JwPrinter.h"
#include "print/MemoryPrint.h"
#include "print/MemoryService.h"
#include "print/tests/PrintTestSupport.h"
#include "testsupport/TestSupport.h"

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QProcess>
#include <gtest/gtest.h>

#include <cmath>

using namespace vellora;
using namespace vellora::test;

namespace {

// One folder for the whole run: the tagged copies are made once.
const QString &dir()
{
    static const QString d = scratchDir(QStringLiteral("color-export"));
    return d;
}

void run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    ASSERT_TRUE(p.waitForFinished(30000)) << program.toStdString();
    ASSERT_EQ(p.exitCode(), 0) << program.toStdString() << ": " << p.readAllStandardError().toStdString();
}

// An sRGB original, its copy converted to ProPhoto and tagged so, and that
// copy with its profile taken out (the same stored numbers, untagged).
struct Photos {
    QString original, tagged, stripped;
};

const Photos &photos()
{
    static const Photos p = [] {
        Photos out{dir() + QStringLiteral("/original.jpg"), dir() + QStringLiteral("/prophoto.jpg"),
                   dir() + QStringLiteral("/stripped.jpg")};
        for (const QString &f : {out.original, out.tagged, out.stripped})
            QFile::remove(f);
        QImage image(240, 160, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb(x * 255 / 239, y * 255 / 159, 255 - (x + y) * 255 / 398));
        QImageWriter writer(out.original, "jpeg");
        writer.setQuality(98);
        EXPECT_TRUE(writer.write(image));
        run(QStringLiteral("jpgicc"), {QStringLiteral("-q98"), QStringLiteral("-o/usr/share/color/icc/colord/ProPhotoRGB.icc"),
                                       QStringLiteral("-e"), out.original, out.tagged});
        QFile::copy(out.tagged, out.stripped);
        run(QStringLiteral("exiftool"), {QStringLiteral("-q"), QStringLiteral("-overwrite_original"), QStringLiteral("-icc_profile:all="),
                                         out.stripped});
        return out;
    }();
    return p;
}

double rmse(const QImage &a, const QImage &b)
{
    EXPECT_EQ(a.size(), b.size());
    if (a.size() != b.size() || a.isNull())
        return 1;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const double dr = qRed(p) - qRed(q), dg = qGreen(p) - qGreen(q), db = qBlue(p) - qBlue(q);
            sum += dr * dr + dg * dg + db * db;
        }
    return std::sqrt(sum / (3.0 * a.width() * a.height())) / 255.0;
}

// The same pixels, whatever colour space the reader of the page noted.
bool samePixels(QImage a, QImage b)
{
    a.setColorSpace(QColorSpace());
    b.setColorSpace(QColorSpace());
    return a == b;
}

// One photo per page on a small sheet, exported at 100 dpi without a printer.
class ColorExport : public ::testing::Test {
protected:
    void SetUp() override { FOld = SetQvPrint(std::make_unique<TMemoryPrint>()); }
    void TearDown() override { SetQvPrint(std::move(FOld)); }

    // Exports the photos; returns the output path prefix.
    QString exportPages(const QStringList &files, TPrintDest dest, const QString &name)
    {
        TPhotoPaper paper;
        paper.SetPaperSize(FloatSize(89, 127));
        paper.PhotoAreas().AdjustAreas();
        TImageListItems list;
        std::vector<std::unique_ptr<TImageInfo>> infos;
        for (const QString &f : files) {
            infos.push_back(std::make_unique<TImageInfo>());
            infos.back()->SetFileName(f, TImageLogging::iloLink);
            list.Add(infos.back().get(), true);
        }
        paper.SetInfos(&list);
        const QString prefix = dir() + QLatin1Char('/') + name;
        for (const QString &old : QDir(dir()).entryList({name + QStringLiteral("*")}))
            QFile::remove(dir() + QLatin1Char('/') + old);
        TPrintRunSettings settings;
        settings.exportDpi = 100;
        EXPECT_EQ(RunPrint(paper, dest, nullptr, prefix, 1, settings), files.size());
        return prefix;
    }
    QImage page(const QString &file, TPrintDest dest, const QString &name)
    {
        return QImage(exportPages({file}, dest, name) + QStringLiteral("1.jpg")).convertToFormat(QImage::Format_RGB32);
    }

private:
    std::unique_ptr<TQvPrint> FOld;
};

} // namespace

TEST_F(ColorExport, ATaggedPhotoExportsInItsTrueColoursAndPagesAreTaggedSRgb)
{
    const Photos &p = photos();
    TColorManageScope on(true);
    const QImage original = page(p.original, TPrintDest::pdJpeg, QStringLiteral("on-original-"));
    const QImage tagged = page(p.tagged, TPrintDest::pdJpeg, QStringLiteral("on-tagged-"));
    EXPECT_LT(rmse(tagged, original), 0.012);
    // The page file says it is sRGB.
    const jpeg::ColorInfo info = jpeg::ReadColorInfo(readFile(dir() + QStringLiteral("/on-tagged-1.jpg")));
    EXPECT_EQ(info.iccProfile, SRgbProfileData());
    // An sRGB reader of the page (exiftool) sees the profile's description.
    QProcess exiftool;
    exiftool.start(QStringLiteral("exiftool"), {QStringLiteral("-s3"), QStringLiteral("-ProfileDescription"),
                                                dir() + QStringLiteral("/on-tagged-1.jpg")});
    ASSERT_TRUE(exiftool.waitForFinished(20000));
    EXPECT_TRUE(QString::fromUtf8(exiftool.readAllStandardOutput()).contains(QLatin1String("sRGB")));
}

TEST_F(ColorExport, OffGivesTodaysPixelsExactly)
{
    const Photos &p = photos();
    QImage onOriginal;
    {
        TColorManageScope on(true);
        onOriginal = page(p.original, TPrintDest::pdJpeg, QStringLiteral("on-untagged-"));
    }
    TColorManageScope off(false);
    // The profile is ignored: the tagged photo exports as its stored numbers.
    const QImage tagged = page(p.tagged, TPrintDest::pdJpeg, QStringLiteral("off-tagged-"));
    const QImage stripped = page(p.stripped, TPrintDest::pdJpeg, QStringLiteral("off-stripped-"));
    EXPECT_TRUE(samePixels(tagged, stripped));
    EXPECT_GT(rmse(tagged, page(p.original, TPrintDest::pdJpeg, QStringLiteral("off-original-"))), 0.02);
    EXPECT_TRUE(jpeg::ReadColorInfo(readFile(dir() + QStringLiteral("/off-tagged-1.jpg"))).iccProfile.isEmpty());
    // An untagged photo's page is the same with colour management on (the
    // page file differs only by its profile segment).
    EXPECT_TRUE(samePixels(page(p.original, TPrintDest::pdJpeg, QStringLiteral("off-untagged-")), onOriginal));
}

TEST_F(ColorExport, PdfImagesShareOneIccBasedSRgbProfileAndTheFileChecksClean)
{
    const Photos &p = photos();
    for (const bool manage : {true, false}) {
        TColorManageScope scope(manage);
        const QString name = manage ? QStringLiteral("managed") : QStringLiteral("plain");
        const QString pdf = exportPages({p.tagged, p.original, p.tagged}, TPrintDest::pdPDF, name) + QStringLiteral(".pdf");
        const QString check = runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf});
        EXPECT_TRUE(check.contains(QStringLiteral("No syntax or stream encoding errors"))) << check.toStdString();
        // Uncompressed object streams to count the references.
        const QString plain = dir() + QStringLiteral("/qdf-") + name + QStringLiteral(".pdf");
        runTool(QStringLiteral("qpdf"), {QStringLiteral("--qdf"), QStringLiteral("--object-streams=disable"), pdf, plain});
        const QByteArray bytes = readFile(plain);
        if (manage) {
            EXPECT_EQ(bytes.count("/ICCBased"), 3);         // one per page image
            EXPECT_EQ(bytes.count("/Alternate /DeviceRGB"), 1);   // one profile stream
            EXPECT_FALSE(bytes.contains("/ColorSpace /DeviceRGB"));
        } else {
            EXPECT_FALSE(bytes.contains("/ICCBased"));
            EXPECT_EQ(bytes.count("/ColorSpace /DeviceRGB"), 3);
        }
        // The images still render in their cells (poppler).
        const QString render = dir() + QStringLiteral("/render-") + name;
        runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("30"), QStringLiteral("-png"), QStringLiteral("-f"),
                                             QStringLiteral("2"), QStringLiteral("-l"), QStringLiteral("2"), pdf, render});
        const QImage rendered(render + QStringLiteral("-2.png"));
        ASSERT_FALSE(rendered.isNull());
        const QRgb centre = rendered.pixel(rendered.width() / 2, rendered.height() / 2);
        EXPECT_NE(centre, qRgb(255, 255, 255));
    }
}

TEST(PrinterColor, APrinterProfileConvertsPrintedPagesAsLittleCmsToolsDo)
{
    const Photos &p = photos();
    auto system = std::make_shared<TFakeSystem>();
    system->devices.push_back(TMemoryService::StandardDevice(QStringLiteral("Fake")));
    auto old = SetQvPrint(std::make_unique<TDevicePrint>(std::make_unique<TJwPrinter>(std::make_unique<TMemoryService>(system))));
    {
        TColorManageScope on(true);
        TPhotoPaper paper;
        paper.PhotoAreas().AdjustAreas();
        TImageListItems list;
        TImageInfo info;
        info.SetFileName(p.original, TImageLogging::iloLink);
        list.Add(&info, true);
        paper.SetInfos(&list);
        const QString printer = QvPrint().CurrentPrinterName();
        ASSERT_EQ(paper.Print(TPrintDest::pdPrinter, nullptr, QString(), 1), 1);
        // A "printer" whose profile swaps red and green: plain to see.
        const QString profile = QStringLiteral("/usr/share/color/icc/colord/SwappedRedAndGreen.icc");
        SetPrinterColorFor(printer, TPrinterColor{profile, TRenderIntent::riPerceptual, true});
        ASSERT_EQ(paper.Print(TPrintDest::pdPrinter, nullptr, QString(), 1), 1);
        SetPrinterColorFor(printer, {});
        ASSERT_EQ(system->jobs.size(), 2u);
        const QImage plain = system->jobs[0].pages.at(0).convertToFormat(QImage::Format_RGB32);
        const QImage converted = system->jobs[1].pages.at(0).convertToFormat(QImage::Format_RGB32);
        // The reference: LittleCMS's TIFF tool on the page printed without a
        // profile, same intent and black-point compensation.
        const QString in = dir() + QStringLiteral("/printed.tif"), out = dir() + QStringLiteral("/printed-ref.tif");
        ASSERT_TRUE(plain.convertToFormat(QImage::Format_RGB888).save(in, "TIFF"));
        run(QStringLiteral("tificc"), {QStringLiteral("-t0"), QStringLiteral("-b"), QStringLiteral("-o") + profile, in, out});
        const QImage reference = QImage(out).convertToFormat(QImage::Format_RGB32);
        EXPECT_LT(rmse(converted, reference), 0.004);
        EXPECT_GT(rmse(converted, plain), 0.05);
        // A profile that cannot be used stops the print with its reason.
        SetPrinterColorFor(printer, TPrinterColor{dir() + QStringLiteral("/missing.icc")});
        EXPECT_THROW(paper.Print(TPrintDest::pdPrinter, nullptr, QString(), 1), Error);
        SetPrinterColorFor(printer, {});
    }
    SetQvPrint(std::move(old));
}
