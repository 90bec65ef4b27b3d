#include "model/PrintRun.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "graphics/ColorManagement.h"
#include "graphics/JpegImage.h"
#include "model/ImageListItems.h"
#include "model/ImageInfo.h"
#include "model/PaperPrinter.h"
#include "model/PhotoPaper.h"
#include "model/PicturePrefetcher.h"
#include "model/VectorPage.h"
#include "pdf/QvPDF.h"
#include "print/DevicePrint.h"
#include "settings/Errors.h"
#include "settings/Version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryFile>
#include <QPainter>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <future>
#include <stdexcept>

namespace vellora {

namespace {

// The printer abstraction when it can print or record: a device with at least
// one printer. The in-memory service of a machine without printers is not one.
TDevicePrint *printingDevice()
{
    auto *device = dynamic_cast<TDevicePrint *>(&QvPrint());
    if (device && device->PrinterNames().isEmpty())
        return nullptr;
    return device;
}

// The JFIF header that libjpeg writes carries no unit; page images say their
// resolution so that viewers and printers size them right.
void setJfifDensity(QByteArray &jpeg, int dpi)
{
    static const char kSignature[] = "\xFF\xD8\xFF\xE0";
    if (jpeg.size() < 18 || !jpeg.startsWith(QByteArray::fromRawData(kSignature, 4))
        || jpeg.mid(6, 5) != QByteArray("JFIF\0", 5) || dpi > 0xFFFF)
        return;
    jpeg[13] = 1;   // dots per inch
    for (int at : {14, 16}) {
        jpeg[at] = static_cast<char>((dpi >> 8) & 0xFF);
        jpeg[at + 1] = static_cast<char>(dpi & 0xFF);
    }
}

// Pages are drawn in sRGB; with colour management on they say so (a PDF
// says it once for all its pages, see PdfFile).
QByteArray encodePage(const QImage &image, int dpi, bool tagged)
{
    TJpegImage jpeg;
    if (tagged)
        jpeg.SetIccProfile(SRgbProfileData());
    jpeg.SetImage(image);
    QByteArray data = jpeg.SaveToData();
    setJfifDensity(data, dpi);
    return data;
}

// Where encoded page images go, in page order.
class PageTarget {
public:
    virtual ~PageTarget() = default;
    virtual void add(const QByteArray &jpeg) = 0;
    // Whether page images carry the sRGB profile themselves.
    virtual bool tagsPages() const { return false; }
    // Closes what was begun after a normal end or a cancel.
    virtual void finish() = 0;
    // Closes what was begun while an error passes; must not throw.
    virtual void abandon() noexcept = 0;
};

class JpegFiles : public PageTarget {
public:
    JpegFiles(QString prefix, int startNum) : FPrefix(std::move(prefix)), FNum(startNum) {}

    void add(const QByteArray &jpeg) override
    {
        const QString path = FPrefix + QString::number(FNum) + QStringLiteral(".jpg");
        std::FILE *file = std::fopen(QFile::encodeName(path).constData(), "wb");
        if (!file)
            throw IoError(path, errno, QStringLiteral("cannot create the file"));
        const bool written = std::fwrite(jpeg.constData(), 1, static_cast<std::size_t>(jpeg.size()), file)
                             == static_cast<std::size_t>(jpeg.size());
        const int writeErrno = errno;
        const bool closed = std::fclose(file) == 0;
        if (!written || !closed) {
            const int err = written ? errno : writeErrno;
            std::remove(QFile::encodeName(path).constData());   // no half-written page stays behind
            throw IoError(path, err, QStringLiteral("cannot write the file"));
        }
        ++FNum;
    }
    bool tagsPages() const override { return ColorManage(); }
    void finish() override {}
    void abandon() noexcept override {}

private:
    QString FPrefix;
    int FNum;
};

class PdfFile : public PageTarget {
public:
    // Pages of sheetWidth x sheetHeight mm with the printable area of `g`.
    PdfFile(Extended sheetWidth, Extended sheetHeight, const TPageGeometry &g, QString path, bool vector = false)
        : FPath(std::move(path))
    {
        // Vector pages carry real text: its faces go into the file where
        // their licence allows.
        if (vector)
            FPdf.SetBuryFonts(true);
        FPdf.SetCreator(QString::fromUtf8(version::kProductName));
        FPdf.SetCreator(FPdf.Creator() + QLatin1Char(' ') + QString::fromUtf8(version::kProductVersion));
        FPdf.SetDefaultPageWidth(MMToPoint(sheetWidth));
        FPdf.SetDefaultPageHeight(MMToPoint(sheetHeight));
        FRect.prLeft = MMToPoint(g.left);
        FRect.prTop = MMToPoint(g.top);
        FRect.prRight = MMToPoint(g.paperWidth - g.right);
        FRect.prBottom = MMToPoint(g.paperHeight - g.bottom);
        if (ColorManage())
            FPdf.SetRgbProfile(SRgbProfileData());
    }

    // The document is begun with its first produced page and each further
    // page only when it is produced, so a cancel or an empty page range
    // leaves no blank page behind.
    void add(const QByteArray &jpeg) override { addTo(beginPage(), jpeg); }
    pdf::TPDFPage *beginPage() { return FPdf.Printing() ? FPdf.NewPage() : FPdf.BeginDoc(FPath); }
    void addTo(pdf::TPDFPage *page, const QByteArray &jpeg) { page->Canvas()->DrawJPEGImage(FRect, jpeg, true, 0); }
    pdf::TQvPDF &document() noexcept { return FPdf; }
    void finish() override
    {
        if (FPdf.Printing())
            FPdf.EndDoc();
    }
    void abandon() noexcept override
    {
        try {
            finish();
        } catch (...) {
            // The first error is the one the caller hears of.
        }
    }

private:
    pdf::TQvPDF FPdf;
    QString FPath;
    pdf::TPDFRect FRect;
};

// Compresses page images and hands them to the target in page order; with
// pipelining, the previous page is compressed while the next one is drawn.
class PageEncoder {
public:
    PageEncoder(PageTarget &target, int dpi, bool pipelined)
        : FTarget(target), FDpi(dpi), FPipelined(pipelined), FTagged(target.tagsPages())
    {
    }
    ~PageEncoder()
    {
        if (FPending.valid())
            FPending.wait();
    }

    void add(QImage image)
    {
        if (!FPipelined) {
            FTarget.add(encodePage(image, FDpi, FTagged));
            return;
        }
        flush();
        const int dpi = FDpi;
        const bool tagged = FTagged;
        FPending = std::async(std::launch::async,
                              [page = std::move(image), dpi, tagged] { return encodePage(page, dpi, tagged); });
    }
    void flush()
    {
        if (FPending.valid())
            FTarget.add(FPending.get());
    }

private:
    PageTarget &FTarget;
    int FDpi;
    bool FPipelined;
    bool FTagged;
    std::future<QByteArray> FPending;
};

struct RunState {
    TPhotoPaper &paper;
    const TPrintOptions &opts;
    PicturePrefetcher &prefetch;
    int firstPage = 1, lastPage = 65535;
    int slotCount = 0;
    int cells = 1;
    bool canceled = false;
    int produced = 0;
};

// Installs the prefetcher as the paper's picture loader for one run.
class LoaderGuard {
public:
    LoaderGuard(TPhotoPaper &paper, PicturePrefetcher &prefetch) : FPaper(paper)
    {
        paper.SetPictureLoader([&prefetch](const TImageInfo &info, int cell, const TNeededPixels &needed) {
            return prefetch.load(info, cell, needed);
        });
    }
    ~LoaderGuard() { FPaper.SetPictureLoader({}); }
    LoaderGuard(const LoaderGuard &) = delete;
    LoaderGuard &operator=(const LoaderGuard &) = delete;

private:
    TPhotoPaper &FPaper;
};

void setNowPage(TPhotoPaper &paper, std::int32_t page)
{
    TPrintingInfo info = paper.PrintingInfo();
    info.piNowPage = page;
    paper.SetPrintingInfo(info);
}

// The page loop shared by all destinations: OnPrint before each page, a
// cancel stops before the page is drawn, pages outside the range are counted
// but not produced.
template <typename Produce>
void pageLoop(RunState &run, Produce produce)
{
    std::int64_t idx = 0;
    std::int32_t page = 1;
    setNowPage(run.paper, page);
    while (idx < run.slotCount && !run.canceled) {
        if (const auto &onPrint = run.paper.OnPrint())
            onPrint(&run.paper, page, static_cast<std::int32_t>(idx), run.canceled);
        if (run.canceled)
            break;
        if (page >= run.firstPage && page <= run.lastPage) {
            run.prefetch.prepare(page);
            produce(page);
            ++run.produced;
        }
        idx += run.cells;
        setNowPage(run.paper, ++page);
    }
}

// The job's name: the document's title, or for a document not saved yet
// the name of its first photo; empty (the spooler's own name) otherwise.
QString jobTitle(TPhotoPaper &paper)
{
    if (!paper.DocumentFileName().isEmpty())
        return QFileInfo(paper.DocumentFileName()).completeBaseName();
    for (const TImageInfo *info : paper.PhotoList()) {
        if (info && !info->FileName().isEmpty())
            return QFileInfo(info->FileName()).fileName();
    }
    return {};
}

// The page rendered (at the device's resolution, over the canvas's own
// pixel grid), converted and drawn 1:1.
void drawConvertedPage(RunState &run, int page, QPainter &canvas, const TPageGeometry &device,
                       const TColorTransform &toPrinter)
{
    const QRect area = canvas.viewport();
    TPageGeometry g = device;
    g.widthPx = area.width();
    g.heightPx = area.height();
    QImage image(g.widthPx, g.heightPx, QImage::Format_RGB32);
    if (image.isNull())
        throw Error(QCoreApplication::translate("vellora", "ページ (%1 × %2 ピクセル) を作るメモリが足りません。用紙サイズか解像度を小さくしてください。")
                        .arg(g.widthPx)
                        .arg(g.heightPx));
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        DrawPrintPage(run.paper, page, painter, g, run.opts.Adjusts);
    }
    toPrinter.Apply(image);
    canvas.drawImage(0, 0, image);
}

// Calls sheet(page) for each sheet of a print job in the order the printer
// gets them: each page `each` times, the whole range `passes` times. The
// pages of the document are counted once.
template <typename Sheet>
void jobSheets(RunState &run, int passes, int each, Sheet sheet)
{
    int produced = 0;
    for (int pass = 0; pass < passes && !run.canceled; ++pass) {
        if (pass == 1)
            produced = run.produced;
        pageLoop(run, [&](int page) {
            for (int i = 0; i < each; ++i)
                sheet(page);
        });
    }
    if (passes > 1 && produced > 0)
        run.produced = produced;
}

// Page `page` as PDF graphics on a new page of `target`; a page that uses
// what such a page cannot express is drawn again as a bitmap page, so every
// page looks as on paper.
void addVectorPage(RunState &run, PdfFile &target, TVectorCanvas &canvas, int page, const TPageGeometry &g,
                   const TFloatSize &adjust = {})
{
    pdf::TPDFPage *pdfPage = target.beginPage();
    canvas.BeginPage(pdfPage);
    {
        QPainter painter(&canvas);
        DrawPrintPage(run.paper, page, painter, g, adjust);
    }
    const bool bitmap = canvas.Unsupported();
    canvas.EndPage();
    if (!bitmap)
        return;
    // The photos were reported with the first drawing.
    const TPhotoDrawnEvent reports = run.paper.OnPhotoDrawn();
    run.paper.SetOnPhotoDrawn({});
    QImage image;
    try {
        image = RenderPrintPage(run.paper, page, g, adjust);
    } catch (...) {
        run.paper.SetOnPhotoDrawn(reports);
        throw;
    }
    run.paper.SetOnPhotoDrawn(reports);
    target.addTo(pdfPage, encodePage(image, g.dpiY, false));
}

// A print job of PDF graphics: the sheets go into a PDF document of the
// printer's paper, spooled to a temporary file and handed to the printer as
// it is. Each photo that can be placed from its own bytes is in it once, at
// its own resolution, where a drawn job carries every sheet's pixels at the
// printer's resolution. A cancel or a range without pages sends nothing.
void printVectorJob(RunState &run, TDevicePrint &device, int passes, int each)
{
    // The printer's sheet and margins in square pixels at its vertical
    // resolution; only pages drawn as bitmaps depend on it.
    const TPageGeometry g = ExportPageGeometry(run.paper);
    QTemporaryFile spool(QDir::tempPath() + QStringLiteral("/vellora-job-XXXXXX.pdf"));
    if (!spool.open())
        throw Error(QStringLiteral("cannot create the print job's spool file: %1").arg(spool.errorString()));
    PdfFile target(g.paperWidth, g.paperHeight, g, spool.fileName(), true);
    bool started = false;
    try {
        TVectorCanvas canvas(target.document(), g);
        jobSheets(run, passes, each, [&](int page) {
            addVectorPage(run, target, canvas, page, g, run.opts.Adjusts);
            started = true;
        });
    } catch (...) {
        target.abandon();
        throw;
    }
    target.finish();
    if (!started || run.canceled)
        return;
    // The document was written through its own handle: read it from the start.
    if (!spool.seek(0))
        throw Error(QStringLiteral("cannot read the print job's spool file: %1").arg(spool.errorString()));
    device.PrintPdf(spool);
}

void printToPrinter(RunState &run)
{
    TDevicePrint *device = printingDevice();
    if (!device)
        throw EJwPrinterNoPrinter(std::string(kNoPrinterMessage));
    device->SetCopies(run.opts.Copies);
    device->SetCollate(run.opts.Collate);
    device->SetTitle(jobTitle(run.paper));
    // A printer that cannot make copies gets the pages as often as asked:
    // each page again (uncollated) or the whole range again (collated).
    const int repeat = device->HasCopies() ? 1 : std::max<int>(1, run.opts.Copies);
    const int passes = run.opts.Collate ? repeat : 1;
    const int each = run.opts.Collate ? 1 : repeat;
    // With an output profile the page is drawn in sRGB first, converted into
    // the printer's colours and handed over as one picture.
    QString profileProblem;
    const TColorTransformPtr toPrinter = PrinterTransform(PrinterColorFor(device->CurrentPrinterName()), &profileProblem);
    if (!profileProblem.isEmpty())
        throw Error(profileProblem);
    // Pixels are needed where the pages are converted into the printer's
    // profile (the conversion works on the drawn sRGB pixels), and where
    // the printing service draws its jobs' pages itself.
    if (!toPrinter && device->TakesPdf()) {
        printVectorJob(run, *device, passes, each);
        return;
    }
    // The job starts with the first produced page: a range without pages
    // sends no blank sheet.
    bool started = false;
    try {
        jobSheets(run, passes, each, [&](int page) {
            if (!started) {
                device->BeginPrint();
                started = true;
            } else {
                device->NewPage();
            }
            QPainter *canvas = device->Canvas();
            if (!canvas)
                throw std::logic_error("print job without a canvas");
            TPageGeometry g;
            g.dpiX = device->DPI().cx;
            g.dpiY = device->DPI().cy;
            g.left = device->MMLeftMargin();
            g.top = device->MMTopMargin();
            if (toPrinter)
                drawConvertedPage(run, page, *canvas, g, *toPrinter);
            else
                DrawPrintPage(run.paper, page, *canvas, g, run.opts.Adjusts);
        });
    } catch (...) {
        if (started)
            device->Abort();
        throw;
    }
    if (!started)
        return;
    if (run.canceled)
        device->Abort();
    else
        device->EndPrint();
}

void exportPages(RunState &run, PageTarget &target, const TPageGeometry &g, bool pipelined)
{
    try {
        PageEncoder encoder(target, g.dpiY, pipelined);
        pageLoop(run, [&](int page) { encoder.add(RenderPrintPage(run.paper, page, g)); });
        encoder.flush();
    } catch (...) {
        target.abandon();
        throw;
    }
    target.finish();
}

// Pages as PDF graphics (see addVectorPage).
void exportVectorPages(RunState &run, PdfFile &target, const TPageGeometry &g)
{
    try {
        TVectorCanvas canvas(target.document(), g);
        pageLoop(run, [&](int page) { addVectorPage(run, target, canvas, page, g); });
    } catch (...) {
        target.abandon();
        throw;
    }
    target.finish();
}

} // namespace

std::int32_t EffectiveStartArea(const TPhotoPaper &paper, const TPrintOptions &options)
{
    const std::int64_t cells = static_cast<std::int64_t>(paper.Divide().cx) * paper.Divide().cy;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(options.StartArea, 1, std::max<std::int64_t>(cells, 1)));
}

void BuildImageSlots(TPhotoPaper &paper, const TPrintOptions &options)
{
    std::vector<TImageInfo *> &photoList = paper.PhotoList();
    photoList.clear();
    const std::int32_t startArea = EffectiveStartArea(paper, options);
    for (std::int32_t i = 1; i < startArea; ++i)
        photoList.push_back(nullptr);
    const TImageListItems *list = paper.Infos();
    if (!list)
        return;
    for (int i = 0; i < list->Count(); ++i) {
        if (options.CheckOnly && !list->Checked(i))
            continue;
        TImageInfo *info = list->Data(i);
        if (!info)
            continue;
        for (int c = 0; c < info->Options().Copies(); ++c)
            photoList.push_back(info);
    }
}

int CountPages(const TPhotoPaper &paper, const TPrintOptions &options)
{
    const TImageListItems *list = paper.Infos();
    if (!list)
        return 0;
    std::int64_t images = 0;
    for (int i = 0; i < list->Count(); ++i) {
        if (options.CheckOnly && !list->Checked(i))
            continue;
        if (const TImageInfo *info = list->Data(i))
            images += info->Options().Copies();
    }
    if (images == 0)
        return 0;
    const std::int64_t cells = std::max<std::int64_t>(static_cast<std::int64_t>(paper.Divide().cx) * paper.Divide().cy, 1);
    const std::int64_t positions = EffectiveStartArea(paper, options) - 1 + images;
    return static_cast<int>(std::min<std::int64_t>((positions + cells - 1) / cells, INT32_MAX));
}

TPageGeometry ExportPageGeometry(const TPhotoPaper &paper, int dpiOverride)
{
    TPageGeometry g;
    TQvPrint &print = QvPrint();
    TDevicePrint *device = printingDevice();
    g.left = print.MMLeftMargin();
    g.top = print.MMTopMargin();
    g.right = print.MMRightMargin();
    g.bottom = print.MMBottomMargin();
    if (device) {
        g.paperWidth = device->MMPaperWidth();
        g.paperHeight = device->MMPaperHeight();
    } else {
        // Without a printer the page is the document's own paper.
        g.paperWidth = static_cast<double>(paper.PaperWidth());
        g.paperHeight = static_cast<double>(paper.PaperHeight());
    }
    const int dpi = dpiOverride > 0 ? dpiOverride : device ? device->DPI().cy : kExportDefaultDpi;
    g.dpiX = g.dpiY = dpi;
    if (device && dpiOverride <= 0 && device->DPI().cx == device->DPI().cy) {
        g.widthPx = device->PageWidth();
        g.heightPx = device->PageHeight();
    } else {
        // Square pixels at the vertical resolution: a page image has one density.
        g.widthPx = MMToDevice(dpi, g.paperWidth - g.left - g.right);
        g.heightPx = MMToDevice(dpi, g.paperHeight - g.top - g.bottom);
    }
    if (dpi <= 0 || g.widthPx <= 0 || g.heightPx <= 0)
        throw Error(QStringLiteral("The printable page is empty (%1 x %2 pixels at %3 dpi)")
                        .arg(g.widthPx).arg(g.heightPx).arg(dpi));
    return g;
}

TPageGeometry ScaledPageGeometry(const TPageGeometry &g, double scale)
{
    TPageGeometry s = g;
    s.dpiX = std::max(1, static_cast<int>(std::lround(g.dpiX * scale)));
    s.dpiY = std::max(1, static_cast<int>(std::lround(g.dpiY * scale)));
    s.widthPx = std::max(1, static_cast<int>(std::lround(g.widthPx * scale)));
    s.heightPx = std::max(1, static_cast<int>(std::lround(g.heightPx * scale)));
    return s;
}

int PreparePages(TPhotoPaper &paper, const TPrintOptions &options)
{
    BuildImageSlots(paper, options);
    paper.PhotoAreas().SetImages(paper.Infos());
    return static_cast<int>(std::min<std::size_t>(paper.PhotoList().size(), INT32_MAX));
}

void DrawPrintPage(TPhotoPaper &paper, int page, QPainter &canvas, const TPageGeometry &g, const TFloatSize &adjust)
{
    const std::int64_t cells = static_cast<std::int64_t>(paper.Divide().cx) * paper.Divide().cy;
    const std::int64_t first = (static_cast<std::int64_t>(page) - 1) * cells;
    paper.PhotoAreas().SetImageIndex(static_cast<std::int32_t>(std::clamp<std::int64_t>(first, 0, INT32_MAX)));
    setNowPage(paper, page);
    const TFloatSize origin = FloatSize(g.left + static_cast<double>(adjust.cx), g.top + static_cast<double>(adjust.cy));
    canvas.save();
    // The paper draws at one resolution; the other axis is stretched to its own.
    if (g.dpiX != g.dpiY && g.dpiY > 0)
        canvas.scale(static_cast<double>(g.dpiX) / g.dpiY, 1.0);
    paper.Draw(canvas, g.dpiY, origin);
    canvas.restore();
}

QImage RenderPrintPage(TPhotoPaper &paper, int page, const TPageGeometry &g, const TFloatSize &adjust)
{
    QImage image(g.widthPx, g.heightPx, QImage::Format_RGB32);
    if (image.isNull())
        throw Error(QCoreApplication::translate("vellora", "ページ (%1 × %2 ピクセル) を作るメモリが足りません。用紙サイズか解像度を小さくしてください。")
                        .arg(g.widthPx)
                        .arg(g.heightPx));
    image.setDotsPerMeterX(static_cast<int>(std::lround(g.dpiX / 0.0254)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(g.dpiY / 0.0254)));
    image.fill(Qt::white);
    QPainter canvas(&image);
    DrawPrintPage(paper, page, canvas, g, adjust);
    return image;
}

int RunPrint(TPhotoPaper &paper, TPrintDest dest, const TPrintOptions *options, const QString &filePath,
             int startNum, const TPrintRunSettings &settings)
{
    TImageListItems *list = paper.Infos();
    if (!list || list->Count() == 0)
        return 0;
    TPaperPrinter &binding = PaperPrinter();
    binding.SetPaper(&paper);
    binding.AdjustPrinter();

    const TPrintOptions &opts = options ? *options : paper.PrintOptions();
    // Vector pages decode only the photos that cannot be placed as they are.
    const bool vectorPdf = dest == TPrintDest::pdPDF && settings.pdfMode == TPdfMode::pmVector;
    const TDevicePrint *device = dest == TPrintDest::pdPrinter ? printingDevice() : nullptr;
    const bool vectorJob = device && device->TakesPdf() && PrinterColorFor(device->CurrentPrinterName()).IsNone();
    PicturePrefetcher prefetch(paper, vectorPdf || vectorJob ? 1 : settings.decodeThreads);
    RunState run{paper, opts, prefetch};
    if (!opts.AllPage) {
        run.firstPage = opts.StartPage;
        run.lastPage = opts.LastPage;
    }
    BuildImageSlots(paper, opts);
    const std::int64_t skipped = EffectiveStartArea(paper, opts) - 1;
    if (static_cast<std::int64_t>(paper.PhotoList().size()) <= skipped)
        return 0;
    if (paper.PhotoList().size() > static_cast<std::size_t>(INT32_MAX))
        throw Error(QStringLiteral("Too many image slots for one print run"));
    run.slotCount = static_cast<int>(paper.PhotoList().size());
    run.cells = paper.Divide().cx * paper.Divide().cy;
    paper.PhotoAreas().SetImages(list);
    const LoaderGuard loader(paper, prefetch);
    if (const auto &onBegin = paper.OnBeginPrint())
        onBegin(&paper, run.slotCount);

    switch (dest) {
    case TPrintDest::pdPrinter:
        printToPrinter(run);
        break;
    case TPrintDest::pdJpeg: {
        const TPageGeometry g = ExportPageGeometry(paper, settings.exportDpi);
        JpegFiles files(filePath, startNum);
        exportPages(run, files, g, settings.pipelined);
        break;
    }
    case TPrintDest::pdPDF: {
        const TPageGeometry g = ExportPageGeometry(paper, settings.exportDpi);
        PdfFile pdf(paper.PaperWidth(), paper.PaperHeight(), g, filePath + QStringLiteral(".pdf"), vectorPdf);
        if (vectorPdf)
            exportVectorPages(run, pdf, g);
        else
            exportPages(run, pdf, g, settings.pipelined);
        break;
    }
    }
    return run.produced;
}

int TPhotoPaper::Print(TPrintDest dest, const TPrintOptions *options, const QString &filePath, int startNum)
{
    return RunPrint(*this, dest, options, filePath, startNum);
}

} // namespace vellora
