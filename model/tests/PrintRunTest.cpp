// The print run: image slots, the page loop with its events, page ranges,
// cancel, and the three destinations checked through a fake printer and
// independent readers of the exported files.
#include "model/Document.h"
#include "model/ImageInfo.h"
#include "model/ImageInfos.h"
#include "model/ImageListItems.h"
#include "model/PhotoPaper.h"
#include "model/PicturePrefetcher.h"
#include "model/PrintRun.h"
#include "model/ResolutionCheck.h"
#include "model/TextArea.h"
#include "print/DevicePrint.h"
#include "print/MemoryPrint.h"
#include "print/MemoryService.h"
#include "print/tests/PrintTestSupport.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <memory>

using namespace vellora;
using namespace vellora::test;

namespace {

// Photos are solid colours; a page is read back as one letter per cell:
// the colour found at the cell's centre, '.' for white.
struct Swatch {
    char letter;
    QColor color;
};
const Swatch kSwatches[] = {
    {'A', QColor(220, 30, 30)}, {'B', QColor(30, 180, 40)}, {'C', QColor(30, 40, 220)},
    {'D', QColor(230, 200, 20)}, {'E', QColor(150, 30, 160)}, {'.', QColor(255, 255, 255)},
};

char classify(QRgb pixel)
{
    for (const Swatch &s : kSwatches) {
        if (std::abs(qRed(pixel) - s.color.red()) < 40 && std::abs(qGreen(pixel) - s.color.green()) < 40
            && std::abs(qBlue(pixel) - s.color.blue()) < 40)
            return s.letter;
    }
    return '?';
}

QString photoFile(char letter)
{
    const QString path = scratchDir(QStringLiteral("print-run-photos")) + QStringLiteral("/%1.jpg").arg(letter);
    if (!QFile::exists(path)) {
        for (const Swatch &s : kSwatches) {
            if (s.letter == letter) {
                QImage image(160, 120, QImage::Format_RGB32);
                image.fill(s.color);
                image.save(path, "JPEG", 95);
            }
        }
    }
    return path;
}

// A photo with detail at every scale (a wrong decode size shows), of the
// given pixel size.
QString detailedPhoto(int width, int height)
{
    const QString path = scratchDir(QStringLiteral("print-run-photos")) + QStringLiteral("/detail-%1x%2.jpg").arg(width).arg(height);
    if (!QFile::exists(path)) {
        QImage image(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, qRgb((x * 7) & 0xFF, (y * 5) & 0xFF, ((x ^ y) * 3) & 0xFF));
        image.save(path, "JPEG", 90);
    }
    return path;
}

// A fake printer (A4 with margins, 72 dpi) installed as the program's printer
// abstraction, and a 2 × 2 paper with a print list.
class PrintRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        FSystem = std::make_shared<TFakeSystem>();
        FSystem->devices.push_back(TMemoryService::StandardDevice(QStringLiteral("Fake")));
        auto device = std::make_unique<TDevicePrint>(std::make_unique<TJwPrinter>(std::make_unique<TMemoryService>(FSystem)));
        FDevice = device.get();
        FOld = SetQvPrint(std::move(device));
        paper = std::make_unique<TPhotoPaper>();
        paper->SetDivide({2, 2});
        paper->SetSpace(FloatSize(4, 4));
        paper->PhotoAreas().AdjustAreas();
        paper->SetInfos(&list);
        FOut = scratchDir(QStringLiteral("print-run-out"));
        QDir(FOut).removeRecursively();
        QDir().mkpath(FOut);
    }
    void TearDown() override
    {
        paper.reset();
        SetQvPrint(std::move(FOld));
    }

    // Adds an entry for the photo of that letter.
    TImageInfo *add(char letter, int copies = 1, bool checked = true)
    {
        infos.push_back(std::make_unique<TImageInfo>());
        TImageInfo *info = infos.back().get();
        info->SetFileName(photoFile(letter), TImageLogging::iloLink);
        info->Options().SetCopies(static_cast<std::uint8_t>(copies));
        list.Add(info, checked);
        return info;
    }
    // One entry per letter: "ABCDE" ×2 gives ten images, three pages of 2 × 2.
    void addAll(const char *letters)
    {
        for (const char *c = letters; *c; ++c)
            add(*c);
    }

    // The cells of a page image whose pixel (0, 0) is the paper point
    // (originX, originY) mm.
    QString cells(const QImage &page, int dpi, double originX = 0, double originY = 0) const
    {
        QString out;
        for (int i = 0; i < paper->PhotoAreas().Count(); ++i) {
            const TFloatRect &b = paper->PhotoAreas().Items(i)->Bounds();
            const double x = static_cast<double>(b.Left + b.Right) / 2 - originX;
            const double y = static_cast<double>(b.Top + b.Bottom) / 2 - originY;
            out += QLatin1Char(classify(page.pixel(MMToDevice(dpi, x), MMToDevice(dpi, y))));
        }
        return out;
    }
    QStringList jobPages(const TFakeJob &job) const
    {
        QStringList pages;
        for (const QImage &page : job.pages)
            pages << cells(page, 72);
        return pages;
    }
    QString out(const QString &name) const { return FOut + QLatin1Char('/') + name; }
    QStringList outputFiles() const { return QDir(FOut).entryList(QDir::Files, QDir::Name); }

    std::vector<std::unique_ptr<TImageInfo>> infos;
    TImageListItems list;
    std::unique_ptr<TPhotoPaper> paper;
    std::shared_ptr<TFakeSystem> FSystem;
    TDevicePrint *FDevice = nullptr;
    std::unique_ptr<TQvPrint> FOld;
    QString FOut;
};

QString pdfInfo(const QString &pdf, const QString &key)
{
    const QString info = runTool(QStringLiteral("pdfinfo"), {pdf});
    const QRegularExpression re(QStringLiteral("^") + key + QStringLiteral(":\\s*(.*)$"),
                                QRegularExpression::MultilineOption);
    return re.match(info).captured(1).trimmed();
}

} // namespace

TEST_F(PrintRun, ImageSlotsSkipCellsAndRepeatCopies)
{
    struct Case {
        const char *name;
        int startArea;
        bool checkOnly;
        std::vector<int> copies;
        std::vector<bool> checked;
        const char *expected;// '.' an empty slot
    };
    const Case cases[] = {
        {"start area 3, copies 1 2 1", 3, false, {1, 2, 1}, {true, true, true}, "..ABBC"},
        {"checked only", 1, true, {1, 2, 1}, {false, true, false}, "BB"},
        {"nothing checked keeps the skipped cells", 2, true, {1, 1, 1}, {false, false, false}, "."},
        {"unchecked counts without checked-only", 1, false, {1, 1, 1}, {false, false, false}, "ABC"},
        {"zero copies adds nothing", 1, false, {0, 3, 0}, {true, true, true}, "BBB"},
    };
    for (const Case &c : cases) {
        list.Clear();
        infos.clear();
        for (std::size_t i = 0; i < c.copies.size(); ++i)
            add(static_cast<char>('A' + i), c.copies[i], c.checked[i]);
        TPrintOptions opts;
        opts.StartArea = c.startArea;
        opts.CheckOnly = c.checkOnly;
        BuildImageSlots(*paper, opts);
        QString got;
        for (TImageInfo *slot : paper->PhotoList()) {
            const auto it = std::find_if(infos.begin(), infos.end(), [&](const auto &p) { return p.get() == slot; });
            got += slot ? QLatin1Char(static_cast<char>('A' + (it - infos.begin()))) : QLatin1Char('.');
        }
        EXPECT_EQ(got, QLatin1String(c.expected)) << c.name;
    }
}

TEST_F(PrintRun, PrinterJobPlacesSlotsPageByPage)
{
    add('A');
    add('B', 2);
    add('C');
    paper->PrintOptions().StartArea = 3;
    paper->PrintOptions().Copies = 3;
    paper->PrintOptions().Collate = true;
    std::vector<std::pair<int, int>> events;
    int countMax = -1;
    paper->SetOnBeginPrint([&](void *, std::int32_t count) { countMax = count; });
    paper->SetOnPrint([&](void *, std::int32_t page, std::int32_t index, bool &) { events.emplace_back(page, index); });

    EXPECT_EQ(paper->Print(TPrintDest::pdPrinter, nullptr, QString(), 1), 2);

    EXPECT_EQ(countMax, 6);
    EXPECT_EQ(events, (std::vector<std::pair<int, int>>{{1, 0}, {2, 4}}));
    ASSERT_EQ(FSystem->jobs.size(), 1u);
    const TFakeJob &job = FSystem->jobs[0];
    EXPECT_TRUE(job.ended);
    EXPECT_FALSE(job.aborted);
    EXPECT_EQ(job.settings.copies, 3);
    EXPECT_EQ(job.settings.collate, 1);
    EXPECT_EQ(jobPages(job), (QStringList{QStringLiteral("..AB"), QStringLiteral("BC..")}));
    // The run leaves its state for the preview to rebuild.
    EXPECT_EQ(paper->PrintingInfo().piNowPage, 3);
    EXPECT_EQ(paper->PhotoAreas().ImageIndex(), 4);
}

TEST_F(PrintRun, PrinterAdjustmentMovesThePage)
{
    add('A');
    paper->SetDivide({1, 1});
    paper->PhotoAreas().AdjustAreas();
    TPrintOptions plain;
    paper->Print(TPrintDest::pdPrinter, &plain, QString(), 1);
    TPrintOptions moved;
    // The adjustment is added to the origin (the paper point at the canvas
    // corner), so a negative one moves the drawing right and down.
    moved.Adjusts = FloatSize(-10, -20);
    paper->Print(TPrintDest::pdPrinter, &moved, QString(), 1);
    ASSERT_EQ(FSystem->jobs.size(), 2u);
    const QImage a = FSystem->jobs[0].pages.at(0);
    const QImage b = FSystem->jobs[1].pages.at(0);
    auto corner = [](const QImage &page) {
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if (classify(page.pixel(x, y)) == 'A')
                    return QPoint(x, y);
        return QPoint(-1, -1);
    };
    const QPoint shift = corner(b) - corner(a);
    EXPECT_NEAR(shift.x(), 10 * 72 / 25.4, 1.0);
    EXPECT_NEAR(shift.y(), 20 * 72 / 25.4, 1.0);
}

TEST_F(PrintRun, NothingCheckedProducesNothingAndFiresNothing)
{
    add('A', 1, false);
    add('B', 1, false);
    paper->PrintOptions().CheckOnly = true;
    int fired = 0;
    paper->SetOnBeginPrint([&](void *, std::int32_t) { ++fired; });
    paper->SetOnPrint([&](void *, std::int32_t, std::int32_t, bool &) { ++fired; });
    for (TPrintDest dest : {TPrintDest::pdPrinter, TPrintDest::pdJpeg, TPrintDest::pdPDF})
        EXPECT_EQ(paper->Print(dest, nullptr, out(QStringLiteral("none")), 1), 0);
    EXPECT_EQ(fired, 0);
    EXPECT_TRUE(FSystem->jobs.empty());
    EXPECT_TRUE(outputFiles().isEmpty());
}

TEST_F(PrintRun, PageRangeCountsSkippedPages)
{
    addAll("ABCDEABCDEABCDEABCDE");   // five pages
    TTextArea *number = paper->Areas().AddText();
    number->SetSource(TTextSourceType::tstPageNumber);
    number->SetBounds(FloatRect(60, 130, 150, 170));   // across the middle, over the photos
    TPrintOptions opts;
    opts.AllPage = false;
    opts.StartPage = 2;
    opts.LastPage = 3;
    std::vector<int> pages;
    paper->SetOnPrint([&](void *, std::int32_t page, std::int32_t, bool &) { pages.push_back(page); });

    EXPECT_EQ(paper->Print(TPrintDest::pdPrinter, &opts, QString(), 1), 2);
    EXPECT_EQ(pages, (std::vector<int>{1, 2, 3, 4, 5}));
    ASSERT_EQ(FSystem->jobs.size(), 1u);
    const TFakeJob &job = FSystem->jobs[0];
    ASSERT_EQ(job.pages.size(), 2u);
    EXPECT_EQ(jobPages(job), (QStringList{QStringLiteral("EABC"), QStringLiteral("DEAB")}));

    // The first page printed is page 2 and says so: it matches the page drawn
    // by hand with the page number 2, not 1 or 3.
    auto byHand = [&](std::int32_t pageNumber) {
        QImage image(job.pages[0].size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.translate(FDevice->LeftMargin(), FDevice->TopMargin());
        paper->PhotoAreas().SetImageIndex(4);
        TPrintingInfo info;
        info.piNowPage = pageNumber;
        paper->SetPrintingInfo(info);
        paper->Draw(painter, FDevice->DPI().cy, FloatSize(FDevice->MMLeftMargin(), FDevice->MMTopMargin()));
        return image;
    };
    EXPECT_TRUE(job.pages[0] == byHand(2));
    EXPECT_FALSE(job.pages[0] == byHand(1));
    EXPECT_FALSE(job.pages[0] == byHand(3));

    EXPECT_EQ(paper->Print(TPrintDest::pdJpeg, &opts, out(QStringLiteral("page")), 1), 2);
    EXPECT_EQ(outputFiles(), (QStringList{QStringLiteral("page1.jpg"), QStringLiteral("page2.jpg")}));
    const double left = FDevice->MMLeftMargin(), top = FDevice->MMTopMargin();
    EXPECT_EQ(cells(QImage(out(QStringLiteral("page1.jpg"))), 72, left, top), QStringLiteral("EABC"));
    EXPECT_EQ(cells(QImage(out(QStringLiteral("page2.jpg"))), 72, left, top), QStringLiteral("DEAB"));

    EXPECT_EQ(paper->Print(TPrintDest::pdPDF, &opts, out(QStringLiteral("range")), 1), 2);
    EXPECT_EQ(pdfInfo(out(QStringLiteral("range.pdf")), QStringLiteral("Pages")), QStringLiteral("2"));

    // A range past the last page produces nothing at all: no blank sheet, no empty file.
    opts.StartPage = 7;
    opts.LastPage = 9;
    EXPECT_EQ(paper->Print(TPrintDest::pdPDF, &opts, out(QStringLiteral("past")), 1), 0);
    EXPECT_EQ(paper->Print(TPrintDest::pdPrinter, &opts, QString(), 1), 0);
    EXPECT_FALSE(QFile::exists(out(QStringLiteral("past.pdf"))));
    EXPECT_EQ(FSystem->jobs.size(), 1u);
}

TEST_F(PrintRun, CancelStopsBeforeThePageIsDrawn)
{
    addAll("ABCDEABCDEAB");   // three pages
    struct Case {
        TPrintDest dest;
        int cancelAt;
        int produced;
    };
    const Case cases[] = {
        {TPrintDest::pdPrinter, 3, 2}, {TPrintDest::pdJpeg, 3, 2}, {TPrintDest::pdPDF, 3, 2},
        {TPrintDest::pdPDF, 1, 0},
    };
    for (const Case &c : cases) {
        QDir(FOut).removeRecursively();
        QDir().mkpath(FOut);
        FSystem->jobs.clear();
        int lastIndex = -1;
        paper->SetOnPrint([&](void *, std::int32_t page, std::int32_t index, bool &canceled) {
            lastIndex = index;
            canceled = page == c.cancelAt;
        });
        const int dest = static_cast<int>(c.dest);
        EXPECT_EQ(paper->Print(c.dest, nullptr, out(QStringLiteral("cancel")), 1), c.produced) << dest;
        EXPECT_EQ(lastIndex, (c.cancelAt - 1) * 4) << dest;
        switch (c.dest) {
        case TPrintDest::pdPrinter:
            ASSERT_EQ(FSystem->jobs.size(), 1u);
            EXPECT_TRUE(FSystem->jobs[0].aborted);
            EXPECT_FALSE(FSystem->jobs[0].ended);
            break;
        case TPrintDest::pdJpeg:
            EXPECT_EQ(outputFiles(), (QStringList{QStringLiteral("cancel1.jpg"), QStringLiteral("cancel2.jpg")}));
            break;
        case TPrintDest::pdPDF:
            if (c.produced == 0) {
                EXPECT_TRUE(outputFiles().isEmpty());
            } else {
                // Exactly the pages drawn: no blank page begun before the cancel.
                const QString pdf = out(QStringLiteral("cancel.pdf"));
                runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf});
                EXPECT_EQ(pdfInfo(pdf, QStringLiteral("Pages")), QString::number(c.produced));
            }
            break;
        }
    }
}

TEST_F(PrintRun, PdfHoldsOneJpegPerPageOverThePrintableArea)
{
    addAll("ABCDE");
    EXPECT_EQ(paper->Print(TPrintDest::pdPDF, nullptr, out(QStringLiteral("album")), 1), 2);
    const QString pdf = out(QStringLiteral("album.pdf"));
    const QString check = runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf});
    EXPECT_TRUE(check.contains(QStringLiteral("No syntax or stream encoding errors"))) << check.toStdString();
    EXPECT_EQ(pdfInfo(pdf, QStringLiteral("Creator")), QStringLiteral("Vellora 9.0.0"));
    // A4 in points, as pdfinfo rounds them.
    EXPECT_TRUE(pdfInfo(pdf, QStringLiteral("Page size")).contains(QRegularExpression(QStringLiteral("^595(\\.\\d+)? x 84[12]"))))
        << pdfInfo(pdf, QStringLiteral("Page size")).toStdString();
    EXPECT_EQ(pdfInfo(pdf, QStringLiteral("PDF version")), QStringLiteral("1.3"));

    // One DCT image per page, at the printer's resolution.
    const QString images = runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    const QStringList rows = images.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
    ASSERT_EQ(rows.size(), 2);
    for (const QString &row : rows) {
        const QStringList f = row.simplified().split(QLatin1Char(' '));
        EXPECT_EQ(f.at(8), QStringLiteral("jpeg")) << row.toStdString();
        EXPECT_EQ(f.at(3).toInt(), FDevice->PageWidth());
        EXPECT_EQ(f.at(4).toInt(), FDevice->PageHeight());
    }

    // Rendered by an independent reader, the photos sit in their cells.
    const QString prefix = out(QStringLiteral("render"));
    runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"), pdf, prefix});
    EXPECT_EQ(cells(QImage(prefix + QStringLiteral("-1.png")), 72), QStringLiteral("ABCD"));
    EXPECT_EQ(cells(QImage(prefix + QStringLiteral("-2.png")), 72), QStringLiteral("E..."));
}

TEST_F(PrintRun, JpegFilesAreNumberedFromStartNumberWithTheirResolution)
{
    addAll("ABCDEA");
    EXPECT_EQ(paper->Print(TPrintDest::pdJpeg, nullptr, out(QStringLiteral("shot-")), 7), 2);
    EXPECT_EQ(outputFiles(), (QStringList{QStringLiteral("shot-7.jpg"), QStringLiteral("shot-8.jpg")}));
    const QString facts = runTool(QStringLiteral("/usr/bin/identify"),
                                  {QStringLiteral("-format"), QStringLiteral("%m %w %h %x %U\n"), out(QStringLiteral("shot-8.jpg"))});
    EXPECT_EQ(facts.trimmed(), QStringLiteral("JPEG %1 %2 72 PixelsPerInch").arg(FDevice->PageWidth()).arg(FDevice->PageHeight()));
}

TEST_F(PrintRun, ExportIsByteIdenticalWhateverTheThreads)
{
    // Photos of several sizes and both orientations, so that the decode size
    // a cell needs changes from page to page.
    const QSize sizes[] = {{1600, 1200}, {1200, 1600}, {900, 700}, {1600, 1200}, {160, 120}, {1200, 1600}, {1600, 1200},
                           {1600, 1200}, {1600, 1200}, {700, 900}, {1600, 1200}, {1600, 1200}, {1600, 1200}};
    for (const QSize &size : sizes) {
        infos.push_back(std::make_unique<TImageInfo>());
        infos.back()->SetFileName(detailedPhoto(size.width(), size.height()), TImageLogging::iloLink);
        list.Add(infos.back().get(), true);
    }
    infos[6]->Options().SetParentSize(TParentMode::pamOrigin);
    infos[6]->Options().SetPhotoSize(TPhotoSize::psScale);
    infos[6]->Options().SetPhotoScale(0.1);
    paper->SetRotate(TPhotoRotate::prAuto);
    TTextArea *number = paper->Areas().AddText();
    number->SetSource(TTextSourceType::tstPageNumber);
    TPrintRunSettings reference;
    reference.pipelined = false;
    reference.decodeThreads = 1;
    reference.exportDpi = 150;
    struct Variant {
        const char *name;
        bool pipelined;
        int threads;
    } variants[] = {{"pipelined", true, 1}, {"four decoders", false, 4}, {"all at once", true, 0}};
    ASSERT_EQ(RunPrint(*paper, TPrintDest::pdJpeg, nullptr, out(QStringLiteral("ref-")), 1, reference), 4);
    ASSERT_EQ(RunPrint(*paper, TPrintDest::pdPDF, nullptr, out(QStringLiteral("ref")), 1, reference), 4);
    // The PDF says when it and its pages were made; nothing else may differ.
    const auto pdfBody = [](QByteArray pdf) {
        static const QRegularExpression dated(QStringLiteral("/(CreationDate|ModDate|LastModified) *\\(D:[^)]*\\)|/ID *\\[[^\\]]*\\]"));
        return QString::fromLatin1(pdf).remove(dated);
    };
    const QString referencePdf = pdfBody(readFile(out(QStringLiteral("ref.pdf"))));
    ASSERT_GT(referencePdf.size(), 10000);
    for (const Variant &v : variants) {
        SCOPED_TRACE(v.name);
        TPrintRunSettings settings = reference;
        settings.pipelined = v.pipelined;
        settings.decodeThreads = v.threads;
        const QString prefix = QString::fromLatin1(v.name).replace(QLatin1Char(' '), QLatin1Char('-'));
        EXPECT_EQ(RunPrint(*paper, TPrintDest::pdJpeg, nullptr, out(prefix + QStringLiteral("-")), 1, settings), 4);
        for (int i = 1; i <= 4; ++i) {
            const QByteArray a = readFile(out(QStringLiteral("ref-%1.jpg").arg(i)));
            EXPECT_FALSE(a.isEmpty());
            EXPECT_TRUE(a == readFile(out(prefix + QStringLiteral("-%1.jpg").arg(i)))) << i;
        }
        EXPECT_EQ(RunPrint(*paper, TPrintDest::pdPDF, nullptr, out(prefix), 1, settings), 4);
        EXPECT_TRUE(referencePdf == pdfBody(readFile(out(prefix + QStringLiteral(".pdf")))));
    }
}

TEST_F(PrintRun, PrefetchedPhotosAreTheOnesTheCellsWouldLoad)
{
    // Same-sized photos are decoded ahead; one with its own small scale in
    // between makes a worker guess wrong, and the cell must then load it
    // itself at its own size.
    for (int i = 0; i < 12; ++i) {
        infos.push_back(std::make_unique<TImageInfo>());
        infos.back()->SetFileName(detailedPhoto(1600, 1200), TImageLogging::iloLink);
        list.Add(infos.back().get(), true);
    }
    infos[5]->Options().SetParentSize(TParentMode::pamOrigin);
    infos[5]->Options().SetPhotoSize(TPhotoSize::psScale);
    infos[5]->Options().SetPhotoScale(0.1);
    const TPageGeometry g = ExportPageGeometry(*paper, 150);
    ASSERT_EQ(PreparePages(*paper, paper->PrintOptions()), 12);
    std::vector<QImage> alone;
    for (int page = 1; page <= 3; ++page)
        alone.push_back(RenderPrintPage(*paper, page, g));

    PicturePrefetcher prefetch(*paper, 3);
    std::vector<std::pair<int, QString>> problems;
    paper->SetPictureLoader([&](const TImageInfo &info, int cell, const TNeededPixels &needed) {
        return prefetch.load(info, cell, needed);
    });
    for (int page = 1; page <= 3; ++page) {
        prefetch.prepare(page);
        EXPECT_TRUE(RenderPrintPage(*paper, page, g) == alone[static_cast<std::size_t>(page - 1)]) << page;
    }
    paper->SetPictureLoader({});
    // The first photo drawn tells the workers the size; most of the rest
    // then come from them.
    EXPECT_GE(prefetch.prefetchedCount(), 6);
    EXPECT_LT(prefetch.prefetchedCount(), 12);
}

TEST_F(PrintRun, PhotosDecodedAheadWaitWithinTheMemoryBudget)
{
    // A printer's resolution makes each decoded photo tens of megabytes: the
    // photos waiting for their cells are bounded by bytes, not by pages, and
    // the pages do not change with the bound.
    for (int i = 0; i < 12; ++i) {
        infos.push_back(std::make_unique<TImageInfo>());
        infos.back()->SetFileName(detailedPhoto(1600, 1200), TImageLogging::iloLink);
        list.Add(infos.back().get(), true);
    }
    const TPageGeometry g = ExportPageGeometry(*paper, 150);
    ASSERT_EQ(PreparePages(*paper, paper->PrintOptions()), 12);
    std::vector<QImage> alone;
    for (int page = 1; page <= 3; ++page)
        alone.push_back(RenderPrintPage(*paper, page, g));
    struct Case {
        const char *name;
        std::int64_t budget;
        int mostWaiting;   // 0: more than one
    } cases[] = {{"one photo's worth or less", 1, 1},
                 {"the default", PicturePrefetcher::kDefaultWaitingBudget, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PicturePrefetcher prefetch(*paper, 2, c.budget);
        paper->SetPictureLoader([&](const TImageInfo &info, int cell, const TNeededPixels &needed) {
            return prefetch.load(info, cell, needed);
        });
        for (int page = 1; page <= 3; ++page) {
            prefetch.prepare(page);
            EXPECT_TRUE(RenderPrintPage(*paper, page, g) == alone[static_cast<std::size_t>(page - 1)]) << page;
        }
        paper->SetPictureLoader({});
        // Still decoded ahead, one photo at a time when that is all the budget holds.
        EXPECT_GE(prefetch.prefetchedCount(), 6);
        if (c.mostWaiting)
            EXPECT_EQ(prefetch.mostWaiting(), c.mostWaiting);
        else
            EXPECT_GT(prefetch.mostWaiting(), 1);
    }
}

TEST_F(PrintRun, AnEmbeddedRecordDamagedAfterOpeningIsReportedAndTheRunGoesOn)
{
    const QString doc = out(QStringLiteral("album.vlpf"));
    {
        TPhotoPaper saved;
        saved.SetDivide({2, 2});
        saved.PhotoAreas().AdjustAreas();
        TImageInfos images;
        images.SetSaveType(TFileSaveType::fstStream);
        for (const char letter : {'A', 'B', 'C'}) {
            TImageInfo *entry = images.Add();
            entry->SetFileName(photoFile(letter), TImageLogging::iloLink);
            entry->SetChecked(true);
        }
        SaveDocumentFile(doc, saved, images);
    }
    TImageInfos opened;
    OpenDocumentFile(doc, *paper, opened);
    ASSERT_EQ(opened.Count(), 3);
    for (int i = 0; i < opened.Count(); ++i)
        list.Add(opened[i], true);
    paper->SetInfos(&list);
    const QByteArray good = readFile(doc);
    const qsizetype record = good.indexOf(readFile(photoFile('B'))) - 5;
    ASSERT_GT(record, 0);

    // The file changes under the open document: the middle record's length
    // becomes impossible, or the file ends inside it.
    const QByteArray badLength = good.left(record) + QByteArray("\x02\0\0\0", 4) + good.mid(record + 4);
    for (const QByteArray &damaged : {badLength, good.left(record + 100)}) {
        QFile file(doc);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(damaged);
        file.close();
        std::vector<TPhotoDrawReport> reports;
        paper->SetOnPhotoDrawn([&](const TPhotoDrawReport &r) { reports.push_back(r); });
        TPrintRunSettings settings;
        settings.exportDpi = 50;
        EXPECT_EQ(RunPrint(*paper, TPrintDest::pdJpeg, nullptr, out(QStringLiteral("damaged-")), 1, settings), 1);
        ASSERT_EQ(reports.size(), 3u);
        EXPECT_TRUE(reports[0].drawn && reports[0].problem.isEmpty());
        EXPECT_FALSE(reports[1].drawn);
        EXPECT_TRUE(reports[1].problem.startsWith(QLatin1String("unreadable image record"))) << reports[1].problem.toStdString();
        EXPECT_EQ(reports[2].drawn, damaged == badLength);
        const QImage page(out(QStringLiteral("damaged-1.jpg")));
        EXPECT_EQ(cells(page, 50), damaged == badLength ? QStringLiteral("A.C.") : QStringLiteral("A..."));
    }
}

TEST_F(PrintRun, WriteErrorsPassOnAfterClosing)
{
    addAll("ABCDEABCD");
    const QString missing = out(QStringLiteral("no-such-folder/x"));
    EXPECT_THROW(paper->Print(TPrintDest::pdJpeg, nullptr, missing, 1), IoError);
    EXPECT_THROW(paper->Print(TPrintDest::pdPDF, nullptr, missing, 1), Error);
    EXPECT_FALSE(QFileInfo::exists(out(QStringLiteral("no-such-folder"))));
}

TEST(PrintRunWithoutPrinter, ExportsThePapersOwnSizeAndPrintingSaysSo)
{
    auto old = SetQvPrint(std::make_unique<TMemoryPrint>());
    {
        TPhotoPaper paper;
        paper.SetPaperSize(FloatSize(89, 127));
        paper.PhotoAreas().AdjustAreas();
        TImageListItems list;
        TImageInfo info;
        info.SetFileName(photoFile('A'), TImageLogging::iloLink);
        list.Add(&info, true);
        paper.SetInfos(&list);
        const QString dir = scratchDir(QStringLiteral("print-run-noprinter"));
        QFile::remove(dir + QStringLiteral("/l1.jpg"));
        TPrintRunSettings settings;
        settings.exportDpi = 100;
        EXPECT_EQ(RunPrint(paper, TPrintDest::pdJpeg, nullptr, dir + QStringLiteral("/l"), 1, settings), 1);
        const QImage page(dir + QStringLiteral("/l1.jpg"));
        EXPECT_EQ(page.size(), QSize(MMToDevice(100, 89), MMToDevice(100, 127)));
        EXPECT_EQ(classify(page.pixel(page.width() / 2, page.height() / 2)), 'A');
        try {
            paper.Print(TPrintDest::pdPrinter, nullptr, QString(), 1);
            ADD_FAILURE() << "printing without a printer did not fail";
        } catch (const Error &e) {
            EXPECT_STREQ(e.what(), kNoPrinterMessage);
        }
    }
    SetQvPrint(std::move(old));
}

TEST(PrintRunWithoutPrinter, APageBackgroundPrintsOnlyWhenAsked)
{
    auto old = SetQvPrint(std::make_unique<TMemoryPrint>());
    {
        TPhotoPaper paper;
        paper.SetPaperSize(FloatSize(89, 127));
        paper.SetMargins(FloatRect(15, 15, 15, 15));
        paper.PhotoAreas().AdjustAreas();
        paper.Background().Fill().SetStyle(TFillStyle::fisSolid);
        paper.Background().Fill().SetColor(0x00B0E0F8);   // cream, $00BBGGRR
        TImageListItems list;
        TImageInfo info;
        info.SetFileName(photoFile('A'), TImageLogging::iloLink);
        list.Add(&info, true);
        paper.SetInfos(&list);
        const QString dir = scratchDir(QStringLiteral("print-run-page-background"));
        TPrintRunSettings settings;
        settings.exportDpi = 50;
        for (const bool on : {false, true}) {
            SCOPED_TRACE(on);
            paper.SetPrintBackground(on);
            const QString prefix = dir + (on ? QStringLiteral("/on") : QStringLiteral("/off"));
            QFile::remove(prefix + QStringLiteral("1.jpg"));
            ASSERT_EQ(RunPrint(paper, TPrintDest::pdJpeg, nullptr, prefix, 1, settings), 1);
            const QImage page(prefix + QStringLiteral("1.jpg"));
            // The margin shows the paper's background only when it prints;
            // the cell, which inherits it, shows the photo either way.
            const QColor margin = page.pixelColor(MMToDevice(50, 5), MMToDevice(50, 5));
            const QColor expected = on ? QColor(0xF8, 0xE0, 0xB0) : QColor(Qt::white);
            EXPECT_NEAR(margin.red(), expected.red(), 12);
            EXPECT_NEAR(margin.green(), expected.green(), 12);
            EXPECT_NEAR(margin.blue(), expected.blue(), 12);
            EXPECT_EQ(classify(page.pixel(page.width() / 2, page.height() / 2)), 'A');
        }
    }
    SetQvPrint(std::move(old));
}

TEST(PrintRunWithoutPrinter, PhotosPrintingBelow150PpiAreListedBeforeTheRun)
{
    auto old = SetQvPrint(std::make_unique<TMemoryPrint>());
    {
        // A 160 × 120 photo fitted whole: turned upright into an 89 × 127 mm
        // sheet its 120 pixels span 89 mm (34 ppi); 160 pixels over 20 mm are 203 ppi.
        struct Case {
            double width, height;
            std::size_t listed;
        } const cases[] = {{89, 127, 1}, {20, 15, 0}};
        for (const Case &c : cases) {
            SCOPED_TRACE(c.width);
            TPhotoPaper paper;
            paper.SetPaperSize(FloatSize(c.width, c.height));
            paper.SetMargins(FloatRect(0, 0, 0, 0));
            paper.SetPhotoSize(TPhotoSize::psPhoto);
            paper.PhotoAreas().AdjustAreas();
            TImageListItems list;
            TImageInfo info;
            info.SetFileName(photoFile('B'), TImageLogging::iloLink);
            list.Add(&info, true);
            paper.SetInfos(&list);
            int heard = 0;
            paper.SetOnPhotoDrawn([&](const TPhotoDrawReport &) { ++heard; });
            const auto photos = FindLowResolutionPhotos(paper, paper.PrintOptions());
            ASSERT_EQ(photos.size(), c.listed);
            EXPECT_EQ(heard, 0);   // the paper's own listener is not told of the check
            paper.SetOnPhotoDrawn(nullptr);
            if (c.listed) {
                EXPECT_EQ(photos[0].info, &info);
                EXPECT_EQ(photos[0].page, 1);
                EXPECT_EQ(photos[0].cell, 0);
                EXPECT_NEAR(photos[0].ppi, 120 / (89 / 25.4), 1.5);
                EXPECT_EQ(LowResolutionLine(photos[0]), QStringLiteral("B.jpg: 34 ppi (1 ページ、エリア 1)"));
            }
        }
    }
    SetQvPrint(std::move(old));
}

TEST_F(PrintRun, PageCountAgreesWithTheExportedPages)
{
    struct Case {
        const char *name;
        int cols, rows, startArea;
        bool checkOnly;
        std::vector<int> copies;
        std::vector<bool> checked;
        int pages;
        const char *firstPage;   // cells of page 1, empty when no page
    };
    const Case cases[] = {
        {"start area 3, three images", 2, 2, 3, false, {1, 1, 1}, {true, true, true}, 2, "..AB"},
        {"start area 1, four images", 2, 2, 1, false, {1, 1, 1, 1}, {true, true, true, true}, 1, "ABCD"},
        {"one image, ten copies", 2, 2, 1, false, {10}, {true}, 3, "AAAA"},
        {"checked only, none checked", 2, 2, 1, true, {1, 1}, {false, false}, 0, ""},
        {"checked only, none checked, start area 3", 2, 2, 3, true, {1}, {false}, 0, ""},
        {"zero copies everywhere", 2, 2, 1, false, {0, 0}, {true, true}, 0, ""},
        {"start area beyond a shrunken grid", 2, 2, 9, false, {1, 1}, {true, true}, 2, "...A"},
        {"start area below 1", 2, 2, -5, false, {1}, {true}, 1, "A..."},
    };
    for (const Case &c : cases) {
        list.Clear();
        infos.clear();
        paper->SetDivide({c.cols, c.rows});
        paper->PhotoAreas().AdjustAreas();
        for (std::size_t i = 0; i < c.copies.size(); ++i)
            add(static_cast<char>('A' + i), c.copies[i], c.checked[i]);
        TPrintOptions opts;
        opts.StartArea = c.startArea;
        opts.CheckOnly = c.checkOnly;
        EXPECT_EQ(CountPages(*paper, opts), c.pages) << c.name;
        QDir(FOut).removeRecursively();
        QDir().mkpath(FOut);
        EXPECT_EQ(paper->Print(TPrintDest::pdJpeg, &opts, out(QStringLiteral("p")), 1), c.pages) << c.name;
        EXPECT_EQ(outputFiles().size(), c.pages) << c.name;
        if (c.pages > 0) {
            EXPECT_EQ(cells(QImage(out(QStringLiteral("p1.jpg"))), 72, FDevice->MMLeftMargin(), FDevice->MMTopMargin()),
                      QLatin1String(c.firstPage))
                << c.name;
        }
    }
    TPhotoPaper withoutList;
    EXPECT_EQ(CountPages(withoutList, TPrintOptions()), 0);
}

TEST_F(PrintRun, RenderedPagesAreTheExportedPages)
{
    addAll("ABCDEABCDE");
    TTextArea *number = paper->Areas().AddText();
    number->SetSource(TTextSourceType::tstPageNumber);
    paper->PrintOptions().StartArea = 2;
    EXPECT_EQ(paper->Print(TPrintDest::pdJpeg, nullptr, out(QStringLiteral("e")), 1), 3);
    const TPageGeometry g = ExportPageGeometry(*paper);
    PreparePages(*paper, paper->PrintOptions());
    // Mean absolute difference per channel.
    auto difference = [](const QImage &a, const QImage &b) {
        const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
        double sum = 0;
        for (int row = 0; row < x.height(); ++row)
            for (int col = 0; col < x.width(); ++col) {
                const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
                sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
            }
        return sum / (3.0 * x.width() * x.height());
    };
    for (int page = 1; page <= 3; ++page) {
        const QImage rendered = RenderPrintPage(*paper, page, g);
        const QImage exported(out(QStringLiteral("e%1.jpg").arg(page)));
        ASSERT_EQ(rendered.size(), exported.size());
        EXPECT_LT(difference(rendered, exported), 2.0) << page;
        if (page < 3) {
            EXPECT_GT(difference(rendered, QImage(out(QStringLiteral("e%1.jpg").arg(page + 1)))), 20.0) << page;
        }
    }
    EXPECT_EQ(paper->PrintingInfo().piNowPage, 3);
}

TEST_F(PrintRun, EachAxisKeepsItsOwnResolution)
{
    // A printer of 144 x 72 dpi: its job canvas has twice as many pixels across.
    FSystem->devices[0].lists.resolutions = {{72, 72}, {144, 72}};
    ASSERT_TRUE(FDevice->TrySetQuality(144, 144, 72));
    FDevice->ApplySettings();
    ASSERT_EQ(FDevice->DPI(), (TSize{144, 72}));
    addAll("ABCD");
    paper->Print(TPrintDest::pdPrinter, nullptr, QString(), 1);
    ASSERT_EQ(FSystem->jobs.size(), 1u);
    const QImage page = FSystem->jobs[0].pages.at(0);
    QString got;
    for (int i = 0; i < 4; ++i) {
        const TFloatRect &b = paper->PhotoAreas().Items(i)->Bounds();
        // The fake job's page is the whole sheet in device pixels.
        got += QLatin1Char(classify(page.pixel(MMToDevice(144, static_cast<double>(b.Left + b.Right) / 2),
                                               MMToDevice(72, static_cast<double>(b.Top + b.Bottom) / 2))));
    }
    EXPECT_EQ(got, QStringLiteral("ABCD"));
    // Exported page images have square pixels at the vertical resolution.
    EXPECT_EQ(paper->Print(TPrintDest::pdJpeg, nullptr, out(QStringLiteral("sq")), 1), 1);
    const QImage exported(out(QStringLiteral("sq1.jpg")));
    EXPECT_EQ(exported.width(), MMToDevice(72, FDevice->MMPaperWidth() - FDevice->MMLeftMargin() - FDevice->MMRightMargin()));
    EXPECT_EQ(cells(exported, 72, FDevice->MMLeftMargin(), FDevice->MMTopMargin()), QStringLiteral("ABCD"));
}
