#include "print/DevicePrint.h"

#include "print/CupsService.h"
#include "print/MemoryPrint.h"

#include <cmath>
#include <exception>
#include <stdexcept>

namespace vellora {

namespace {
constexpr double kA4Width = 210.0;
constexpr double kA4Height = 297.0;
} // namespace

int MMToDevice(int dpi, double mm)
{
    // nearbyint rounds exact halves to the even integer.
    return static_cast<int>(std::nearbyint(dpi * mm / 25.4));
}

double DeviceToMM(int units, int dpi)
{
    return dpi != 0 ? units * 25.4 / dpi : 0.0;
}

TDevicePrint::TDevicePrint(std::unique_ptr<TJwPrinter> printer) : FJw(std::move(printer))
{
    if (hasPrinter())
        readDeviceInfo();
}

TDevicePrint::~TDevicePrint()
{
    if (FJw->Printing())
        FJw->Abort();
}

bool TDevicePrint::hasPrinter() const
{
    try {
        return !FJw->PrinterNames().isEmpty();
    } catch (const EJwPrinterNoPrinter &) {
        return false;
    }
}

void TDevicePrint::readDeviceInfo()
{
    FMargin = FJw->Offset();
    FMMMargin = {MMLeftMargin(), MMTopMargin()};
    FMaxCopies = HasMaxCopies() ? FJw->MaxCopies() : 99;
    const TSize dpi = DPI();
    FMMAdjust = {DeviceToMM(FAdjust.cx, dpi.cx), DeviceToMM(FAdjust.cy, dpi.cy)};
}

// --- what the document model asks ---

QStringList TDevicePrint::PrinterNames() const
{
    return hasPrinter() ? FJw->PrinterNames() : QStringList();
}

void TDevicePrint::SetPrinterIndex(int index)
{
    FJw->SetIndex(index);
    readDeviceInfo();
}

QString TDevicePrint::CurrentPrinterName() const
{
    if (!hasPrinter())
        return {};
    const QStringList names = FJw->PrinterNames();
    const int index = FJw->Index();
    return index >= 0 && index < names.size() ? names[index] : QString();
}

QString TDevicePrint::CurrentPaperName() const
{
    if (!hasPrinter())
        return QStringLiteral("A4");
    if (!HasPaperNames())
        return {};
    const int index = IndexOfSizeNumber(FJw->PaperSizeNumber());
    return index >= 0 ? FJw->PaperSizeNames()[index] : QString();
}

void TDevicePrint::SetCurrentPaperName(const QString &name)
{
    const qsizetype index = PaperSizeNames().indexOf(name);
    if (index >= 0)
        FJw->SetPaperSizeIndex(static_cast<int>(index));
}

TQvOrientation TDevicePrint::Orientation() const
{
    if (!hasPrinter() || !HasOrientation())
        return TQvOrientation::qotPortrait;
    return FJw->Orientation() == TJwPaperOrientation::jwOrPortrait ? TQvOrientation::qotPortrait
                                                                   : TQvOrientation::qotLandscape;
}

double TDevicePrint::MMPaperWidth() const
{
    return hasPrinter() ? FJw->MMPaperExtent().cx * Scale() / 1000.0 : kA4Width;
}

double TDevicePrint::MMPaperHeight() const
{
    return hasPrinter() ? FJw->MMPaperExtent().cy * Scale() / 1000.0 : kA4Height;
}

double TDevicePrint::MMLeftMargin() const
{
    return hasPrinter() ? DeviceToMM(LeftMargin(), RealDPI().cx) : 0.0;
}

double TDevicePrint::MMTopMargin() const
{
    return hasPrinter() ? DeviceToMM(TopMargin(), RealDPI().cy) : 0.0;
}

double TDevicePrint::MMRightMargin() const
{
    return hasPrinter() ? DeviceToMM(RightMargin(), RealDPI().cx) : 0.0;
}

double TDevicePrint::MMBottomMargin() const
{
    return hasPrinter() ? DeviceToMM(BottomMargin(), RealDPI().cy) : 0.0;
}

int TDevicePrint::PaperSizeNumber() const
{
    // A printer that knows no paper sizes (a queue without a driver sending
    // to a file or socket) prints on the A4 sheet its geometry assumes.
    return hasPrinter() && FJw->PrintCaps().contains(TJwPrintCap::jwPcPaperSize) ? FJw->PaperSizeNumber() : 9;
}

void TDevicePrint::SetPaperSizeNumber(int number)
{
    FJw->SetPaperSizeNumber(number);
}

int TDevicePrint::PaperSizeCount() const
{
    return hasPrinter() && HasPaperNames() ? FJw->NumPaperSizes() : 0;
}

int TDevicePrint::PaperSizeNumbers(int index) const
{
    return FJw->PaperSizeNumbers(index);
}

void TDevicePrint::SetPaperSizeIndex(int index)
{
    FJw->SetPaperSizeIndex(index);
}

void TDevicePrint::SetMMUserPaperSize(double widthMM, double heightMM)
{
    SetUserPaperSize({static_cast<int>(std::lround(widthMM * 10)), static_cast<int>(std::lround(heightMM * 10))});
}

bool TDevicePrint::HasPaperSizeNumber(int number) const
{
    if (!hasPrinter() || !HasPaperNames())
        return false;
    return FJw->HasPaperSizeNumber(number);
}

bool TDevicePrint::HasOrientation() const
{
    return hasPrinter() && FJw->PrintCaps().contains(TJwPrintCap::jwPcOrientation);
}

bool TDevicePrint::HasPaperNames() const
{
    return hasPrinter() && FJw->PrintCaps().contains(TJwPrintCap::jwPcPaperSize)
           && FJw->AvailInfos().contains(TJwAvailInfo::jwAvPaperSize);
}

bool TDevicePrint::TrySetOrientation(TQvOrientation orientation)
{
    if (!HasOrientation())
        return false;
    FJw->SetOrientation(orientation == TQvOrientation::qotPortrait ? TJwPaperOrientation::jwOrPortrait
                                                                   : TJwPaperOrientation::jwOrLandScape);
    return true;
}

void TDevicePrint::ApplySettings()
{
    if (FJw->Modified()) {
        FJw->ApplySettings();
        readDeviceInfo();
    }
}

void TDevicePrint::CancelSettings()
{
    if (FJw->Modified())
        FJw->DiscardModification();
}

void TDevicePrint::Update()
{
    FJw->ForceUpdate();
    readDeviceInfo();
}

// --- geometry ---

TSize TDevicePrint::DPI() const
{
    return FJw->DPI();
}

int TDevicePrint::Scale() const
{
    return FJw->Scale();
}

void TDevicePrint::SetScale(int percent)
{
    FJw->SetScale(percent);
}

TSize TDevicePrint::RealDPI() const
{
    const TSize dpi = DPI();
    const int scale = Scale();
    return {dpi.cx * 100 / scale, dpi.cy * 100 / scale};
}

int TDevicePrint::PageWidth() const { return FJw->PageExtent().cx * Scale() / 100; }
int TDevicePrint::PageHeight() const { return FJw->PageExtent().cy * Scale() / 100; }
int TDevicePrint::PaperWidth() const { return FJw->PaperExtent().cx * Scale() / 100; }
int TDevicePrint::PaperHeight() const { return FJw->PaperExtent().cy * Scale() / 100; }
int TDevicePrint::RealPageWidth() const { return FJw->PageExtent().cx; }
int TDevicePrint::RealPageHeight() const { return FJw->PageExtent().cy; }
int TDevicePrint::RealPaperWidth() const { return FJw->PaperExtent().cx; }
int TDevicePrint::RealPaperHeight() const { return FJw->PaperExtent().cy; }
int TDevicePrint::LeftMargin() const { return FJw->Offset().cx; }
int TDevicePrint::TopMargin() const { return FJw->Offset().cy; }

int TDevicePrint::RightMargin() const
{
    return FJw->PaperExtent().cx - FJw->Offset().cx - FJw->PageExtent().cx;
}

int TDevicePrint::BottomMargin() const
{
    return FJw->PaperExtent().cy - FJw->Offset().cy - FJw->PageExtent().cy;
}

double TDevicePrint::MMPageWidth() const { return FJw->MMPageExtent().cx / 10.0; }
double TDevicePrint::MMPageHeight() const { return FJw->MMPageExtent().cy / 10.0; }
double TDevicePrint::RealMMPageWidth() const { return FJw->MMPageExtent().cx * 100.0 / (Scale() * 10.0); }
double TDevicePrint::RealMMPageHeight() const { return FJw->MMPageExtent().cy * 100.0 / (Scale() * 10.0); }
double TDevicePrint::RealMMPaperWidth() const { return FJw->MMPaperExtent().cx / 10.0; }
double TDevicePrint::RealMMPaperHeight() const { return FJw->MMPaperExtent().cy / 10.0; }

void TDevicePrint::SetAdjustLeft(int value)
{
    FAdjust.cx = value;
    FMMAdjust.Width = DeviceToMM(value, DPI().cx);
}

void TDevicePrint::SetAdjustTop(int value)
{
    FAdjust.cy = value;
    FMMAdjust.Height = DeviceToMM(value, DPI().cy);
}

void TDevicePrint::SetMMAdjustLeft(double mm)
{
    FMMAdjust.Width = mm;
    FAdjust.cx = MMToDevice(DPI().cx, mm);
}

void TDevicePrint::SetMMAdjustTop(double mm)
{
    FMMAdjust.Height = mm;
    FAdjust.cy = MMToDevice(DPI().cy, mm);
}

// --- device selection ---

int TDevicePrint::PrinterIndex() const { return FJw->Index(); }

bool TDevicePrint::TrySetPrinter(const QString &name)
{
    const qsizetype index = PrinterNames().indexOf(name);
    if (index < 0)
        return false;
    FJw->SetIndex(static_cast<int>(index));
    readDeviceInfo();
    return true;
}

QString TDevicePrint::Port() const { return FJw->Port(); }
void TDevicePrint::SetPort(const QString &port) { FJw->SetPort(port); }
QStringList TDevicePrint::PortNames() const { return FJw->PortNames(); }
QStringList TDevicePrint::PaperSizeNames() const
{
    return hasPrinter() && HasPaperNames() ? FJw->PaperSizeNames() : QStringList();
}

int TDevicePrint::PaperSizeIndex() const
{
    if (!hasPrinter() || !HasPaperNames())
        return -1;
    try {
        return FJw->PaperSizeIndex();
    } catch (const EJwPrinter &) {
        return -1;   // the working size is not in the list
    }
}

int TDevicePrint::IndexOfSizeNumber(int number) const
{
    if (!HasPaperNames())
        return -1;
    const int count = FJw->NumPaperSizes();
    for (int i = 0; i < count; ++i) {
        if (FJw->PaperSizeNumbers(i) == number)
            return i;
    }
    return -1;
}

TSize TDevicePrint::UserPaperSize() const { return FJw->UserPaperExtent(); }
void TDevicePrint::SetUserPaperSize(TSize tenths) { FJw->SetUserPaperExtent(tenths); }

TDoubleSize TDevicePrint::MMUserPaperSize() const
{
    const TSize s = UserPaperSize();
    return {s.cx / 10.0, s.cy / 10.0};
}

bool TDevicePrint::TrySetPaperIndex(int index)
{
    if (!HasPaperNames())
        return false;
    FJw->SetPaperSizeIndex(index);
    return true;
}

bool TDevicePrint::TrySetPaperSize(int number)
{
    if (!HasPaperSizeNumber(number))
        return false;
    FJw->SetPaperSizeNumber(number);
    return true;
}

bool TDevicePrint::TrySetUserPaperSize(int widthTenths, int heightTenths)
{
    if (!HasPaperSizeNumber(kUserPaperSizeNumber))
        return false;
    SetUserPaperSize({widthTenths, heightTenths});
    return true;
}

bool TDevicePrint::TrySetMMUserPaperSize(double widthMM, double heightMM)
{
    return TrySetUserPaperSize(static_cast<int>(std::lround(widthMM * 10)),
                               static_cast<int>(std::lround(heightMM * 10)));
}

int TDevicePrint::BinCount() const { return FJw->NumBins(); }
int TDevicePrint::BinIndex() const { return FJw->BinIndex(); }
void TDevicePrint::SetBinIndex(int index) { FJw->SetBinIndex(index); }
QStringList TDevicePrint::BinNames() const { return FJw->BinNames(); }
int TDevicePrint::BinNumber() const { return FJw->BinNumber(); }
void TDevicePrint::SetBinNumber(int number) { FJw->SetBinNumber(number); }

bool TDevicePrint::TrySetBinIndex(int index)
{
    if (!HasBinNames())
        return false;
    FJw->SetBinIndex(index);
    return true;
}

bool TDevicePrint::TrySetBinNumber(int number)
{
    if (!HasBinNumber(number))
        return false;
    FJw->SetBinNumber(number);
    return true;
}

int TDevicePrint::Quality() const
{
    const TSize q = FJw->Quality();
    return q.cy != 0 ? 0 : q.cx;
}

void TDevicePrint::SetQuality(int number) { FJw->SetQuality({number, 0}); }
int TDevicePrint::QualityCount() const { return FJw->NumQualities(); }

TSize TDevicePrint::QualityDPI() const
{
    const TSize q = FJw->Quality();
    return q.cy != 0 ? q : TSize{0, 0};
}

void TDevicePrint::SetQualityDPI(TSize dpi) { FJw->SetQuality(dpi); }

TPrintQuality TDevicePrint::HasQuality() const
{
    if (!PrintCaps().contains(TJwPrintCap::jwPcPrintQuality))
        return TPrintQuality::quoNone;
    return Quality() != 0 ? TPrintQuality::quoNumber : TPrintQuality::quoDPI;
}

bool TDevicePrint::TrySetQuality(int qualityNumber, int dpiX, int dpiY)
{
    switch (HasQuality()) {
    case TPrintQuality::quoNone: return false;
    case TPrintQuality::quoNumber: SetQuality(qualityNumber); return true;
    case TPrintQuality::quoDPI: SetQualityDPI({dpiX, dpiY}); return true;
    }
    return false;
}

TQvPrintCaps TDevicePrint::PrintCaps() const { return FJw->PrintCaps(); }
TQvHaveInfos TDevicePrint::HaveInfos() const { return FJw->AvailInfos(); }

bool TDevicePrint::HasBinNames() const
{
    return PrintCaps().contains(TJwPrintCap::jwPcDefaultSource) && HaveInfos().contains(TJwAvailInfo::jwAvBin);
}

bool TDevicePrint::HasBinNumber(int number) const
{
    return HasBinNames() && FJw->HasBinNumber(number);
}

bool TDevicePrint::HasCollate() const { return PrintCaps().contains(TJwPrintCap::jwPcCollate); }
bool TDevicePrint::HasColor() const { return PrintCaps().contains(TJwPrintCap::jwPcColor); }
bool TDevicePrint::HasCopies() const { return PrintCaps().contains(TJwPrintCap::jwPcCopies); }
bool TDevicePrint::HasDuplex() const { return PrintCaps().contains(TJwPrintCap::jwPcDuplex); }

bool TDevicePrint::HasMaxCopies() const
{
    return HaveInfos().contains(TJwAvailInfo::jwAvMaxCopies) && HasCopies();
}

bool TDevicePrint::HasQualities() const
{
    return PrintCaps().contains(TJwPrintCap::jwPcPrintQuality) && HaveInfos().contains(TJwAvailInfo::jwAvQuality);
}

// --- job settings ---

bool TDevicePrint::Color() const
{
    return HasColor() && FJw->Color();
}

void TDevicePrint::SetColor(bool value)
{
    if (HasColor())
        FJw->SetColor(value);
}

void TDevicePrint::SetCopies(int copies)
{
    if (copies <= 0)
        copies = 1;
    FCopies = std::min(copies, FMaxCopies);
}

TQvDuplex TDevicePrint::Duplex() const
{
    switch (FJw->Duplex()) {
    case TJwDuplex::jwDupSimplex: return TQvDuplex::qdSimplex;
    case TJwDuplex::jwDupHorizontal: return TQvDuplex::qdHorizontal;
    case TJwDuplex::jwDupVertical: return TQvDuplex::qdVertical;
    }
    return TQvDuplex::qdSimplex;
}

void TDevicePrint::SetDuplex(TQvDuplex value)
{
    FJw->SetDuplex(value == TQvDuplex::qdSimplex      ? TJwDuplex::jwDupSimplex
                   : value == TQvDuplex::qdHorizontal ? TJwDuplex::jwDupHorizontal
                                                      : TJwDuplex::jwDupVertical);
}

void TDevicePrint::SetFromPage(int page)
{
    if (page <= 0) {
        FFromPage = 1;
        return;
    }
    FFromPage = page;
    if (FToPage < page)
        FToPage = page;
}

void TDevicePrint::SetToPage(int page)
{
    if (page <= 0) {
        FToPage = 1;
        return;
    }
    FToPage = page;
    if (page < FFromPage)
        FFromPage = page;
}

// --- drawing objects ---

QPainter *TDevicePrint::Canvas()
{
    if (FDrawing)
        return &FMeta->Canvas();
    return FJw->Canvas();
}

QPen TDevicePrint::Pen() const
{
    if (auto *c = const_cast<TDevicePrint *>(this)->Canvas())
        return c->pen();
    return FPen;
}

void TDevicePrint::SetPen(const QPen &pen)
{
    FPen = pen;
    if (QPainter *c = Canvas())
        c->setPen(pen);
}

QBrush TDevicePrint::Brush() const
{
    if (auto *c = const_cast<TDevicePrint *>(this)->Canvas())
        return c->brush();
    return FBrush;
}

void TDevicePrint::SetBrush(const QBrush &brush)
{
    FBrush = brush;
    if (QPainter *c = Canvas())
        c->setBrush(brush);
}

QFont TDevicePrint::Font() const
{
    if (auto *c = const_cast<TDevicePrint *>(this)->Canvas())
        return c->font();
    return FFont;
}

void TDevicePrint::SetFont(const QFont &font)
{
    FFont = font;
    if (QPainter *c = Canvas())
        c->setFont(font);
}

void TDevicePrint::giveDrawingObjects(QPainter &canvas) const
{
    canvas.setPen(FPen);
    canvas.setBrush(FBrush);
    canvas.setFont(FFont);
}

// --- recording and printing ---

void TDevicePrint::BeginDoc()
{
    if (FDrawing)
        return;
    ApplySettings();
    if (!FMeta)
        FMeta = std::make_unique<TPrintPreview>();
    FMeta->SetDeviceDpiY(DPI().cy);
    FMeta->BeginDoc();
    FFont.setPixelSize(FMeta->Canvas().font().pixelSize());
    giveDrawingObjects(FMeta->Canvas());
    FDrawing = true;
    FDrawInfo = {PageWidth(), PageHeight(), MMPageWidth(), MMPageHeight()};
}

void TDevicePrint::NewPage()
{
    if (FDrawing) {
        FMeta->NewPage();
        giveDrawingObjects(FMeta->Canvas());
    } else if (Printing()) {
        FJw->NewPage();
        if (QPainter *c = FJw->Canvas())
            giveDrawingObjects(*c);
    }
}

void TDevicePrint::EndDoc()
{
    if (!FDrawing)
        return;
    FMeta->EndDoc();
    FDrawing = false;
}

const QPicture &TDevicePrint::Pages(int index) const
{
    if (!FMeta)
        throw EPrintPreviewError(std::string("TPrinterCanvas.GetPage: Index is out of Range"));
    return FMeta->Pages(index);
}

void TDevicePrint::BeginPrint()
{
    if (Printing())
        return;
    if (!hasPrinter())
        throw EJwPrinterNoPrinter(std::string(kNoPrinterMessage));
    applyJobSettings();
    FJw->BeginDoc(FTitle);
    FPrinting = true;
    if (QPainter *c = FJw->Canvas())
        giveDrawingObjects(*c);
}

void TDevicePrint::applyJobSettings()
{
    if (FCopies >= 1) {
        if (HasCopies())
            FJw->SetCopies(FCopies);
        if (HasCollate())
            FJw->SetCollate(FCollate);
    }
    ApplySettings();
}

void TDevicePrint::PrintPdf(QIODevice &pdf)
{
    if (Printing())
        throw std::logic_error("TDevicePrint.PrintPdf: a job is already open");
    if (!hasPrinter())
        throw EJwPrinterNoPrinter(std::string(kNoPrinterMessage));
    applyJobSettings();
    FJw->PrintPdf(FTitle, pdf);
}

void TDevicePrint::EndPrint()
{
    if (!Printing())
        return;
    FPrinting = false;
    FJw->EndDoc();
}

void TDevicePrint::Abort()
{
    if (FDrawing) {
        FMeta->EndDoc();
        FDrawing = false;
    }
    if (Printing()) {
        FJw->Abort();
        FPrinting = false;
    }
}

void TDevicePrint::PrintOutOffsetMM(double offsetX, double offsetY, bool useSetting)
{
    const TSize dpi = DPI();
    PrintOutOffset(MMToDevice(dpi.cx, offsetX), MMToDevice(dpi.cy, offsetY), useSetting);
}

void TDevicePrint::PrintOutOffset(int offsetX, int offsetY, bool useSetting)
{
    if (!hasPrinter())
        throw EJwPrinterNoPrinter(std::string(kNoPrinterMessage));
    ApplySettings();
    int outer = 1, inner = 1;
    bool deviceCopiesToOne = false;
    if (FCopies > 1) {
        if (useSetting) {
            if (FCollate && !HasCollate())
                outer = FCopies;
            if (!FCollate && !HasCopies())
                inner = FCopies;
        } else if (HasCopies()) {
            FJw->SetCopies(1);
            FJw->ApplySettings();
            deviceCopiesToOne = true;
        }
    }
    int first = 1, last = PageCount();
    if (useSetting && FPrintRange == TQvPrintRange::prPageNums) {
        first = std::max(first, FFromPage);
        last = std::min(last, FToPage);
    }
    FPrinting = true;
    const QString title = FTitle.isEmpty() ? QStringLiteral("Unknown") : FTitle;
    std::exception_ptr failure;
    try {
        FJw->BeginDoc(title);
        for (int o = 1; o <= outer; ++o) {
            for (int page = first; page <= last; ++page) {
                for (int i = 1; i <= inner; ++i) {
                    if (QPainter *c = FJw->Canvas())
                        TPrintPreview::Play(*c, FMeta->Pages(page - 1), QPoint(offsetX, offsetY));
                    if (!(o == outer && page == last && i == inner))
                        FJw->NewPage();
                }
            }
        }
        FJw->EndDoc();
    } catch (...) {
        // The job is dropped; the caller still hears of the failure, since a
        // job that never reached the printer must not look printed.
        FJw->Abort();
        failure = std::current_exception();
    }
    FPrinting = false;
    if (deviceCopiesToOne) {
        FJw->SetCopies(FCopies);
        FJw->ApplySettings();
    }
    if (failure)
        std::rethrow_exception(failure);
}

namespace {
bool gSystemReachable = true;
}

bool SystemPrintServerReachable()
{
    return gSystemReachable;
}

std::unique_ptr<TQvPrint> MakeSystemPrint()
{
    gSystemReachable = true;
    try {
        auto print = std::make_unique<TDevicePrint>(std::make_unique<TJwPrinter>(std::make_unique<TCupsService>()));
        gSystemReachable = print->JwPrinter().ServerReachable();
        // A server that does not answer yet keeps the device: the printer
        // polls ask it again, and its printers come back once it answers.
        if (!print->PrinterNames().isEmpty() || !gSystemReachable)
            return print;
    } catch (const Error &) {
        // A printing system that cannot be asked is treated as no printer.
    }
    return std::make_unique<TMemoryPrint>();
}

} // namespace vellora
