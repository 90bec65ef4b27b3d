#include "model/PrintRun.h"

#include "graphics/JpegImage.h"
#include "model/ImageListItems.h"
#include "model/ImageInfo.h"
#include "model/PaperPrinter.h"
#include "model/PhotoPaper.h"
#include "pdf/QvPDF.h"
#include "print/DevicePrint.h"
#include "settings/Errors.h"
#include "settings/Version.h"

#include <QFile>
#include <QImage>
#include <QPainter>

#include <cerrno>
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

// Resolution and printable page of exported page images.
struct PageGeometry {
    int dpi = kExportDefaultDpi;
    double paperWidth = 0, paperHeight = 0;            // mm
    double left = 0, top = 0, right = 0, bottom = 0;   // unprintable margins, mm
    int widthPx = 0, heightPx = 0;                     // printable area
};

PageGeometry exportGeometry(const TPhotoPaper &paper, int dpiOverride)
{
    PageGeometry g;
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
    if (device && dpiOverride <= 0) {
        g.dpi = device->DPI().cy;
        g.widthPx = device->PageWidth();
        g.heightPx = device->PageHeight();
    } else {
        g.dpi = dpiOverride > 0 ? dpiOverride : kExportDefaultDpi;
        g.widthPx = MMToDevice(g.dpi, g.paperWidth - g.left - g.right);
        g.heightPx = MMToDevice(g.dpi, g.paperHeight - g.top - g.bottom);
    }
    if (g.dpi <= 0 || g.widthPx <= 0 || g.heightPx <= 0)
        throw Error(QStringLiteral("The printable page is empty (%1 x %2 pixels at %3 dpi)")
                        .arg(g.widthPx).arg(g.heightPx).arg(g.dpi));
    return g;
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

QByteArray encodePage(const QImage &image, int dpi)
{
    TJpegImage jpeg;
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
    void finish() override {}
    void abandon() noexcept override {}

private:
    QString FPrefix;
    int FNum;
};

class PdfFile : public PageTarget {
public:
    PdfFile(const TPhotoPaper &paper, const PageGeometry &g, QString path) : FPath(std::move(path))
    {
        FPdf.SetCreator(QString::fromUtf8(version::kProductName));
        FPdf.SetCreator(FPdf.Creator() + QLatin1Char(' ') + QString::fromUtf8(version::kProductVersion));
        FPdf.SetDefaultPageWidth(MMToPoint(paper.PaperWidth()));
        FPdf.SetDefaultPageHeight(MMToPoint(paper.PaperHeight()));
        FRect.prLeft = MMToPoint(g.left);
        FRect.prTop = MMToPoint(g.top);
        FRect.prRight = MMToPoint(g.paperWidth - g.right);
        FRect.prBottom = MMToPoint(g.paperHeight - g.bottom);
    }

    // The document is begun with its first produced page and each further
    // page only when it is produced, so a cancel or an empty page range
    // leaves no blank page behind.
    void add(const QByteArray &jpeg) override
    {
        pdf::TPDFPage *page = FPdf.Printing() ? FPdf.NewPage() : FPdf.BeginDoc(FPath);
        page->Canvas()->DrawJPEGImage(FRect, jpeg, true, 0);
    }
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
    PageEncoder(PageTarget &target, int dpi, bool pipelined) : FTarget(target), FDpi(dpi), FPipelined(pipelined) {}
    ~PageEncoder()
    {
        if (FPending.valid())
            FPending.wait();
    }

    void add(QImage image)
    {
        if (!FPipelined) {
            FTarget.add(encodePage(image, FDpi));
            return;
        }
        flush();
        const int dpi = FDpi;
        FPending = std::async(std::launch::async, [page = std::move(image), dpi] { return encodePage(page, dpi); });
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
    std::future<QByteArray> FPending;
};

struct RunState {
    TPhotoPaper &paper;
    const TPrintOptions &opts;
    int firstPage = 1, lastPage = 65535;
    int slotCount = 0;
    int cells = 1;
    bool canceled = false;
    int produced = 0;
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
            run.paper.PhotoAreas().SetImageIndex(static_cast<std::int32_t>(idx));
            produce();
            ++run.produced;
        }
        idx += run.cells;
        setNowPage(run.paper, ++page);
    }
}

void printToPrinter(RunState &run)
{
    TDevicePrint *device = printingDevice();
    if (!device)
        throw EJwPrinterNoPrinter(std::string(kNoPrinterMessage));
    device->SetCopies(run.opts.Copies);
    device->SetCollate(run.opts.Collate);
    // The job starts with the first produced page: a range without pages
    // sends no blank sheet.
    bool started = false;
    try {
        pageLoop(run, [&] {
            if (!started) {
                device->BeginPrint();
                started = true;
            } else {
                device->NewPage();
            }
            QPainter *canvas = device->Canvas();
            if (!canvas)
                throw std::logic_error("print job without a canvas");
            const double resolution = device->DPI().cy;
            const TFloatSize origin = FloatSize(device->MMLeftMargin() + static_cast<double>(run.opts.Adjusts.cx),
                                                device->MMTopMargin() + static_cast<double>(run.opts.Adjusts.cy));
            run.paper.Draw(*canvas, resolution, origin);
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

void exportPages(RunState &run, PageTarget &target, const PageGeometry &g, bool pipelined)
{
    const double resolution = g.dpi;
    const TFloatSize origin = FloatSize(g.left, g.top);
    const int dotsPerMeter = static_cast<int>(std::lround(g.dpi / 0.0254));
    try {
        PageEncoder encoder(target, g.dpi, pipelined);
        pageLoop(run, [&] {
            QImage image(g.widthPx, g.heightPx, QImage::Format_RGB32);
            if (image.isNull())
                throw Error(QStringLiteral("Not enough memory for a page of %1 x %2 pixels")
                                .arg(g.widthPx).arg(g.heightPx));
            image.setDotsPerMeterX(dotsPerMeter);
            image.setDotsPerMeterY(dotsPerMeter);
            image.fill(Qt::white);
            {
                QPainter canvas(&image);
                run.paper.Draw(canvas, resolution, origin);
            }
            encoder.add(std::move(image));
        });
        encoder.flush();
    } catch (...) {
        target.abandon();
        throw;
    }
    target.finish();
}

} // namespace

void BuildImageSlots(TPhotoPaper &paper, const TPrintOptions &options)
{
    std::vector<TImageInfo *> &photoList = paper.PhotoList();
    photoList.clear();
    for (std::int32_t i = 1; i < options.StartArea; ++i)
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
    RunState run{paper, opts};
    if (!opts.AllPage) {
        run.firstPage = opts.StartPage;
        run.lastPage = opts.LastPage;
    }
    BuildImageSlots(paper, opts);
    const std::int64_t skipped = opts.StartArea > 1 ? opts.StartArea - 1 : 0;
    if (static_cast<std::int64_t>(paper.PhotoList().size()) <= skipped)
        return 0;
    if (paper.PhotoList().size() > static_cast<std::size_t>(INT32_MAX))
        throw Error(QStringLiteral("Too many image slots for one print run"));
    run.slotCount = static_cast<int>(paper.PhotoList().size());
    run.cells = paper.Divide().cx * paper.Divide().cy;
    paper.PhotoAreas().SetImages(list);
    if (const auto &onBegin = paper.OnBeginPrint())
        onBegin(&paper, run.slotCount);

    switch (dest) {
    case TPrintDest::pdPrinter:
        printToPrinter(run);
        break;
    case TPrintDest::pdJpeg: {
        const PageGeometry g = exportGeometry(paper, settings.exportDpi);
        JpegFiles files(filePath, startNum);
        exportPages(run, files, g, settings.pipelined);
        break;
    }
    case TPrintDest::pdPDF: {
        const PageGeometry g = exportGeometry(paper, settings.exportDpi);
        PdfFile pdf(paper, g, filePath + QStringLiteral(".pdf"));
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
