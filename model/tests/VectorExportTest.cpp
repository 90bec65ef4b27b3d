// PDF pages drawn as PDF graphics: compared with the bitmap pages of the same
// run by an independent renderer, and read back by independent tools for
// their photos, text and soundness.
#include "model/Captions.h"
#include "model/ImageInfo.h"
#include "model/ImageListItems.h"
#include "model/PhotoPaper.h"
#include "model/PrintRun.h"
#include "graphics/ColorManagement.h"
#include "print/CupsService.h"
#include "print/DevicePrint.h"
#include "print/MemoryPrint.h"
#include "print/QvPrint.h"
#include "print/tests/PrintTestSupport.h"
#include "testsupport/OrientedPhoto.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

using namespace vellora;
using namespace vellora::test;

namespace {

struct ToolResult {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolResult tool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000))
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

// Root mean square difference of two pages, 0 (same) to 1, after both are
// reduced fourfold: a hard edge half a pixel off (two resamplings against
// one) does not count, a photo turned or placed wrongly does.
double rmse(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.isNull())
        return 1.0;
    const QSize small(std::max(1, a.width() / 4), std::max(1, a.height() / 4));
    const QImage x = a.convertToFormat(QImage::Format_RGB32).scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage y = b.convertToFormat(QImage::Format_RGB32).scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            const double dr = qRed(p[col]) - qRed(q[col]);
            const double dg = qGreen(p[col]) - qGreen(q[col]);
            const double db = qBlue(p[col]) - qBlue(q[col]);
            sum += dr * dr + dg * dg + db * db;
        }
    }
    return std::sqrt(sum / (3.0 * x.width() * x.height())) / 255.0;
}

// The pages of a PDF as poppler renders them.
std::vector<QImage> renderPages(const QString &pdf, int dpi)
{
    const QString prefix = pdf + QStringLiteral("-page");
    const ToolResult r = tool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi),
                                                           QStringLiteral("-png"), pdf, prefix});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    std::vector<QImage> pages;
    const QFileInfo info(prefix);
    const QStringList files = QDir(info.absolutePath())
                                  .entryList({info.fileName() + QStringLiteral("-*.png")}, QDir::Files, QDir::Name);
    for (const QString &f : files) {
        pages.emplace_back(info.absolutePath() + QLatin1Char('/') + f);
        QFile::remove(info.absolutePath() + QLatin1Char('/') + f);
    }
    return pages;
}

// A photo with detail and no symmetry, stored for an Exif orientation.
QString photo(const QString &dir, const QString &name, int width, int height, int orientation)
{
    const QString path = dir + QLatin1Char('/') + name;
    if (!QFile::exists(path))
        EXPECT_TRUE(writeOrientedMarker(path, width, height, orientation));
    return path;
}

// A photo of some weight: the marker picture under fine noise, as a
// camera's JPEG is mostly detail.
QString detailedPhoto(const QString &dir, const QString &name, int width, int height, quint32 seed)
{
    const QString path = dir + QLatin1Char('/') + name;
    QImage image = markerPicture(width, height).convertToFormat(QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const auto noisy = [&](int c) { return std::clamp(c + random.bounded(-24, 25), 0, 255); };
            line[x] = qRgb(noisy(qRed(line[x])), noisy(qGreen(line[x])), noisy(qBlue(line[x])));
        }
    }
    EXPECT_TRUE(image.save(path, "JPEG", 90));
    return path;
}

// Image objects of a PDF as pdfimages lists them: object number -> encoding.
QMap<QString, QString> imageObjects(const QString &pdf)
{
    const ToolResult list = tool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    EXPECT_EQ(list.exitCode, 0);
    QMap<QString, QString> objects;
    for (const QString &row : list.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2)) {
        const QStringList f = row.simplified().split(QLatin1Char(' '));
        if (f.size() >= 12)
            objects[f[10]] = f[8];
    }
    return objects;
}

// The in-memory printing service (no printer: pages are the paper's own)
// and a paper with a print list, for one test.
class VectorExport : public ::testing::Test {
protected:
    void SetUp() override
    {
        FOld = SetQvPrint(std::make_unique<TMemoryPrint>());
        FDir = scratchDir(QStringLiteral("vector-export"));
        paper = std::make_unique<TPhotoPaper>();
        paper->SetPaperSize(FloatSize(148, 210));
        paper->SetDivide({2, 2});
        paper->SetMargins(FloatRect(8, 8, 8, 8));
        paper->PhotoAreas().AdjustAreas();
    }
    void TearDown() override
    {
        paper.reset();
        infos.clear();
        SetQvPrint(std::move(FOld));
    }

    TImageInfo &add(const QString &path, int copies = 1)
    {
        infos.push_back(std::make_unique<TImageInfo>());
        TImageInfo &info = *infos.back();
        info.SetFileName(path, TImageLogging::iloLink);
        info.Options().SetCopies(static_cast<std::uint8_t>(copies));
        list.Add(&info, true);
        paper->SetInfos(&list);
        return info;
    }

    QString run(const QString &name, TPdfMode mode, int dpi = 100)
    {
        TPrintRunSettings settings;
        settings.exportDpi = dpi;
        settings.pdfMode = mode;
        const QString prefix = FDir + QLatin1Char('/') + name;
        QFile::remove(prefix + QStringLiteral(".pdf"));
        EXPECT_GT(RunPrint(*paper, TPrintDest::pdPDF, nullptr, prefix, 1, settings), 0);
        return prefix + QStringLiteral(".pdf");
    }

    // Both ways of the same run render alike, page by page; returns the
    // raster pages.
    std::vector<QImage> expectLikeRaster(const QString &name, double limit = 0.05)
    {
        const QString vector = run(name + QStringLiteral("-vector"), TPdfMode::pmVector);
        const QString raster = run(name + QStringLiteral("-raster"), TPdfMode::pmRaster);
        const std::vector<QImage> v = renderPages(vector, 40);
        const std::vector<QImage> r = renderPages(raster, 40);
        EXPECT_EQ(v.size(), r.size());
        if (v.size() != r.size() || v.empty())
            return {};
        for (std::size_t i = 0; i < v.size(); ++i)
            EXPECT_LT(rmse(v[i], r[i]), limit) << "page " << i + 1;
        const ToolResult check = tool(QStringLiteral("qpdf"), {QStringLiteral("--check"), vector});
        EXPECT_EQ(check.exitCode, 0) << check.out.toStdString();
        const ToolResult draw = tool(QStringLiteral("mutool"), {QStringLiteral("draw"), QStringLiteral("-o"),
                                                               FDir + QStringLiteral("/mutool-%d.png"), QStringLiteral("-r"),
                                                               QStringLiteral("20"), vector});
        EXPECT_EQ(draw.exitCode, 0);
        EXPECT_FALSE(draw.err.contains(QStringLiteral("error"))) << draw.err.toStdString();
        FLastVector = v;
        return r;
    }

    std::vector<QImage> FLastVector;

    std::unique_ptr<TPhotoPaper> paper;
    std::vector<std::unique_ptr<TImageInfo>> infos;
    TImageListItems list;
    QString FDir;

private:
    std::unique_ptr<TQvPrint> FOld;
};

} // namespace

TEST_F(VectorExport, PagesLookLikeTheBitmapPagesForEveryPlacementRule)
{
    struct Case {
        const char *name;
        std::function<void(TPhotoPaper &)> layout;
    };
    const TExifRotateScope upright(true);
    const Case cases[] = {
        {"fit", [](TPhotoPaper &p) { p.SetPhotoSize(TPhotoSize::psPhoto); }},
        {"fill", [](TPhotoPaper &p) { p.SetPhotoSize(TPhotoSize::psPaper); }},
        {"scale-left-top",
         [](TPhotoPaper &p) {
             p.SetPhotoSize(TPhotoSize::psScale);
             p.SetPhotoScale(0.4);
             p.SetHorizontalAlign(TPhotoAlign::paLeftTop);
             p.SetVerticalAlign(TPhotoAlign::paRightBottom);
         }},
        {"turned-180", [](TPhotoPaper &p) { p.SetRotate(TPhotoRotate::pr180); }},
        {"border-frame-fill",
         [](TPhotoPaper &p) {
             p.SetBorder(true);
             p.SetBorderWidth(3);
             p.SetPhotoSize(TPhotoSize::psPhoto);
             p.Background().Fill().SetStyle(TFillStyle::fisSolid);
             p.Background().Fill().SetColor(0x00B0E0F8);
             p.Background().Frame().SetStyle(TFrameStyle::frsSolid);
             p.Background().Frame().SetColor(0x00400000);
             p.Background().Frame().SetWidth(1.5);
         }},
        {"gradient",
         [](TPhotoPaper &p) {
             p.SetPhotoSize(TPhotoSize::psPhoto);
             p.Background().Fill().SetStyle(TFillStyle::fisGradient);
             p.Background().Fill().SetColor(0x000000FF);
             p.Background().Fill().SetEndColor(0x00FF0000);
         }},
        // A translucent fill cannot be a PDF 1.3 path: that page is a bitmap.
        {"translucent-fill",
         [](TPhotoPaper &p) {
             p.Background().Fill().SetStyle(TFillStyle::fisSolid);
             p.Background().Fill().SetColor(0x000080FF);
             p.Background().Fill().SetClearLevel(50);
         }},
    };
    // Landscape and portrait photos, upright by Exif including the mirrored
    // orientations, one of them as two copies.
    for (const int o : {1, 2, 5, 6, 7, 8})
        add(photo(FDir, QStringLiteral("o%1.jpg").arg(o), 240, 160, o), o == 6 ? 2 : 1);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.layout(*paper);
        paper->PhotoAreas().AdjustAreas();
        const std::vector<QImage> raster = expectLikeRaster(QString::fromLatin1(c.name), 0.07);
        // The measure sees a page whose photos are mirrored.
        if (!raster.empty() && !FLastVector.empty())
            EXPECT_GT(rmse(FLastVector[0], raster[0].mirrored(true, false)), 0.1);
    }
}

TEST_F(VectorExport, EachPhotoIsEmbeddedOnceAsItsOwnJpeg)
{
    const QString a = photo(FDir, QStringLiteral("once-a.jpg"), 300, 200, 1);
    const QString b = photo(FDir, QStringLiteral("once-b.jpg"), 200, 300, 1);
    add(a, 5);   // two pages of it
    add(b, 1);
    const QString pdf = run(QStringLiteral("once"), TPdfMode::pmVector);
    const ToolResult list = tool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    ASSERT_EQ(list.exitCode, 0);
    QStringList rows = list.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
    // pdfimages lists an image on every page that shows it; the object
    // numbers say how many there are.
    QMap<QString, QStringList> objects;
    for (const QString &row : rows) {
        const QStringList f = row.simplified().split(QLatin1Char(' '));
        ASSERT_GE(f.size(), 12);
        objects[f[10]] = f;
    }
    ASSERT_EQ(objects.size(), 2);
    QStringList sizes;
    for (const QStringList &f : objects) {
        EXPECT_EQ(f[8], QStringLiteral("jpeg"));
        sizes << f[3] + QLatin1Char('x') + f[4];
    }
    sizes.sort();
    EXPECT_EQ(sizes, (QStringList{QStringLiteral("200x300"), QStringLiteral("300x200")}));
    // The file is about the photos' bytes, not the pages' pixels.
    EXPECT_LT(QFileInfo(pdf).size(), QFileInfo(a).size() + QFileInfo(b).size() + 20000);
}

TEST_F(VectorExport, CaptionsAreTextThatCanBeFound)
{
    add(photo(FDir, QStringLiteral("Harbour_Morning.jpg"), 240, 160, 1));
    add(photo(FDir, QStringLiteral("Garden_Gate.jpg"), 160, 240, 1));
    add(photo(FDir, QStringLiteral("港の朝.jpg"), 240, 160, 1));
    TCaptionSpec spec;
    spec.source = TTextSourceType::tstFileName;
    spec.height = 8;
    ASSERT_TRUE(ApplyCaptions(*paper, spec));
    const QString pdf = run(QStringLiteral("captions"), TPdfMode::pmVector);
    const ToolResult text = tool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_EQ(text.exitCode, 0);
    const QString found = QString(text.out).remove(QLatin1Char(' '));
    EXPECT_TRUE(found.contains(QStringLiteral("Harbour_Morning"))) << text.out.toStdString();
    EXPECT_TRUE(found.contains(QStringLiteral("Garden_Gate"))) << text.out.toStdString();
    EXPECT_TRUE(found.contains(QStringLiteral("港の朝"))) << text.out.toStdString();
    expectLikeRaster(QStringLiteral("captions"), 0.07);
}

TEST_F(VectorExport, JpegsUnfitToEmbedBecomePixelsOrAreLeftOut)
{
    const QByteArray good = readFile(photo(FDir, QStringLiteral("bad-source.jpg"), 240, 160, 1));
    ASSERT_FALSE(good.isEmpty());
    const qsizetype sof = good.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    struct Case {
        const char *name;
        std::function<QByteArray()> bytes;
    };
    const Case cases[] = {
        {"truncated", [&] { return good.left(good.size() * 2 / 3); }},
        {"arithmetic", [&] { QByteArray b = good; b[sof + 1] = '\xC9'; return b; }},
        {"twelve-bit", [&] { QByteArray b = good; b[sof + 4] = 12; return b; }},
        {"restart-damage", [&] { QByteArray b = good; b.insert(b.size() - 2, QByteArray("\xFF\xD3\xFF\xD0", 4)); return b; }},
        {"huge-frame", [&] { QByteArray b = good; b[sof + 5] = '\xFF'; b[sof + 6] = '\xF0'; b[sof + 7] = '\xFF'; b[sof + 8] = '\xF0'; return b; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = FDir + QStringLiteral("/bad-%1.jpg").arg(QLatin1String(c.name));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.bytes());
        f.close();
        list.Clear();
        infos.clear();
        add(path);
        add(photo(FDir, QStringLiteral("bad-neighbour.jpg"), 160, 240, 1));
        const QString pdf = run(QStringLiteral("bad-%1").arg(QLatin1String(c.name)), TPdfMode::pmVector);
        EXPECT_EQ(tool(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf}).exitCode, 0);
        const ToolResult list = tool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
        ASSERT_EQ(list.exitCode, 0);
        // Only the sound neighbour goes in as a JPEG.
        EXPECT_EQ(list.out.count(QStringLiteral(" jpeg ")), 1) << list.out.toStdString();
        const ToolResult draw = tool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("10"), pdf,
                                                                 FDir + QStringLiteral("/bad-render")});
        EXPECT_EQ(draw.exitCode, 0);
        EXPECT_FALSE(draw.err.contains(QStringLiteral("Error"))) << draw.err.toStdString();
    }
}

TEST_F(VectorExport, PrintJobsArePdfGraphicsUnlessAPrinterProfileNeedsPixels)
{
    VELLORA_REQUIRE_CUPS();
    TestQueue queue(QStringLiteral("VelloraVectorJob"));
    ASSERT_TRUE(queue.ok());
    // Margins inside the queue's printable area: a job drawn on the sheet
    // and pages of the printable area then show the same.
    paper->SetMargins(FloatRect(15, 15, 15, 15));
    paper->PhotoAreas().AdjustAreas();
    qint64 photoBytes = 0;
    for (int i = 0; i < 3; ++i) {
        const QString path = detailedPhoto(FDir, QStringLiteral("job-%1.jpg").arg(i), i == 1 ? 800 : 1200,
                                           i == 1 ? 1200 : 800, static_cast<quint32>(i + 1));
        photoBytes += QFileInfo(path).size();
        add(path, 3);   // nine cells of four: three pages
    }
    const std::unique_ptr<TQvPrint> memory = SetQvPrint(std::make_unique<TDevicePrint>(
        std::make_unique<TJwPrinter>(std::make_unique<TCupsService>(privateCupsServer()))));
    auto &device = dynamic_cast<TDevicePrint &>(QvPrint());
    ASSERT_TRUE(device.TrySetPrinter(queue.name()));
    const QString printer = device.CurrentPrinterName();
    struct ProfileReset {
        QString printer;
        ~ProfileReset() { SetPrinterColorFor(printer, {}); }
    } const reset{printer};
    TPrintOptions options;
    options.Copies = 2;
    options.Collate = true;
    // The printed document (after the queue's filter) and the size of the
    // document the program spooled, in KiB as the server counts it.
    auto printJob = [&](const QString &name, qint64 &spooledKiB) {
        QFile::remove(queue.output());
        EXPECT_EQ(paper->Print(TPrintDest::pdPrinter, &options, QString(), 1), 3);
        EXPECT_TRUE(queue.waitIdle());
        spooledKiB = jobAttribute(0, "job-k-octets", queue.name()).toLongLong();
        const QString kept = FDir + QLatin1Char('/') + name + QStringLiteral(".pdf");
        QFile::remove(kept);
        EXPECT_TRUE(QFile::copy(queue.output(), kept));
        return kept;
    };
    qint64 vectorKiB = 0, rasterKiB = 0;
    const QString vector = printJob(QStringLiteral("job-vector"), vectorKiB);
    // sRGB as the printer's profile: the pages are converted, so drawn as
    // pixels, and still look the same.
    SetPrinterColorFor(printer, TPrinterColor{QStringLiteral("/usr/share/color/icc/colord/sRGB.icc")});
    const QString raster = printJob(QStringLiteral("job-raster"), rasterKiB);

    EXPECT_GT(vectorKiB, 0);
    EXPECT_LE(vectorKiB * 1024, photoBytes * 3 / 2) << "photos " << photoBytes;
    EXPECT_GT(rasterKiB, vectorKiB * 3);
    // Each photo once, as its own JPEG, however often it is printed.
    const QMap<QString, QString> images = imageObjects(vector);
    EXPECT_EQ(images.size(), 3);
    EXPECT_EQ(images.values(), QStringList(images.size(), QStringLiteral("jpeg")));
    EXPECT_EQ(tool(QStringLiteral("qpdf"), {QStringLiteral("--check"), vector}).exitCode, 0);

    const std::vector<QImage> v = renderPages(vector, 40);
    const std::vector<QImage> r = renderPages(raster, 40);
    ASSERT_GE(v.size(), 3u);
    ASSERT_EQ(v.size(), r.size());
    for (std::size_t i = 0; i < v.size(); ++i)
        EXPECT_LT(rmse(v[i], r[i]), 0.05) << "page " << i + 1;
}
