#include "print/JwPrinter.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace vellora {

using Cap = TJwPrintCap;
using Avail = TJwAvailInfo;

TJwPrinter::TJwPrinter(std::unique_ptr<TPrinterService> service) : FService(std::move(service))
{
    FAllInfo = FService->Printers();
    FReachable = FService->Reachable();
}

TJwPrinter::~TJwPrinter()
{
    if (FJob) {
        try {
            FJob->Abort();
        } catch (...) {
            // Nothing more can be done for a job left open at exit.
        }
    }
}

void TJwPrinter::checkNoPrinter()
{
    for (const auto &p : FAllInfo) {
        if (!p.hidden)
            return;
    }
    FIndex = -1;
    if (!FReachable)
        throw EJwPrinterServerDown(std::string("TJwPrinter.CheckNoPrinter: Print Server Unreachable"));
    throw EJwPrinterNoPrinter(std::string("TJwPrinter.CheckNoPrinter: No Printer"));
}

void TJwPrinter::checkSupported(TJwPrintCap cap, const char *message)
{
    if (!PrintCaps().contains(cap))
        throw EJwPrinterNotSupported(std::string(message));
}

void TJwPrinter::checkAvail(TJwAvailInfo info, const char *message)
{
    updateLists();
    if (!FLists.avail.contains(info))
        throw EJwPrinterNoInfo(std::string(message));
}

int TJwPrinter::devicePosition()
{
    if (FDevice >= 0 && FDevice < static_cast<int>(FAllInfo.size()))
        return FDevice;
    // The default printer, or the first visible one when the system has none.
    int first = -1;
    for (int i = 0; i < static_cast<int>(FAllInfo.size()); ++i) {
        const auto &p = FAllInfo[static_cast<size_t>(i)];
        if (p.hidden)
            continue;
        if (p.isDefault)
            return FDevice = i;
        if (first < 0)
            first = i;
    }
    return FDevice = first;
}

const TPrinterEntry &TJwPrinter::device()
{
    checkNoPrinter();
    const int pos = devicePosition();
    if (pos < 0)
        throw std::logic_error("TJwPrinter: no device selected");
    return FAllInfo[static_cast<size_t>(pos)];
}

TDeviceSettings &TJwPrinter::deviceSettings()
{
    if (!FDeviceSettings)
        FDeviceSettings = FService->DefaultSettings(device().name);
    return *FDeviceSettings;
}

TDeviceSettings &TJwPrinter::settings()
{
    checkNoPrinter();
    if (!FWorking)
        FWorking = deviceSettings();
    return *FWorking;
}

TDeviceSettings TJwPrinter::DeviceSettings()
{
    checkNoPrinter();
    return deviceSettings();
}

void TJwPrinter::updateLists()
{
    checkNoPrinter();
    const int pos = devicePosition();
    if (pos == FIndex)
        return;
    FIndex = pos;
    FLists = FService->Lists(device().name, settings());
}

int TJwPrinter::Index()
{
    const int pos = devicePosition();
    if (pos < 0)
        return -1;
    if (FAllInfo[static_cast<size_t>(pos)].hidden)
        throw EJwPrinterIllegalIndex(std::string("TJwPrinter.GetIndex: Printers.PrinterIndex is Illegal"));
    int index = 0;
    for (int i = 0; i < pos; ++i)
        index += FAllInfo[static_cast<size_t>(i)].hidden ? 0 : 1;
    return index;
}

void TJwPrinter::SetIndex(int index)
{
    static const std::string kRange = "TJwPrinter.SetIndex: Index is out of Range";
    checkNoPrinter();
    if (index < -1)
        throw EJWPrinterRangeError(kRange);
    if (index == Index())
        return;
    int pos = -1;
    if (index == -1) {
        FDevice = -1;
        pos = devicePosition();
    } else {
        int visible = 0;
        for (int i = 0; i < static_cast<int>(FAllInfo.size()); ++i) {
            if (FAllInfo[static_cast<size_t>(i)].hidden)
                continue;
            if (visible++ == index) {
                pos = i;
                break;
            }
        }
    }
    if (pos < 0)
        throw EJWPrinterRangeError(kRange);
    FDevice = pos;
    FDeviceSettings.reset();     // the printer's own defaults load on next use
    FIndex = -1;
    DiscardModification();
    updateLists();
}

QStringList TJwPrinter::PrinterNames()
{
    checkNoPrinter();
    QStringList names;
    for (const auto &p : FAllInfo) {
        if (!p.hidden)
            names << p.name;
    }
    return names;
}

QString TJwPrinter::DefaultPrinterName()
{
    for (const auto &p : FAllInfo) {
        if (p.isDefault && !p.hidden)
            return p.name;
    }
    return {};
}

const TPrinterEntry *TJwPrinter::Entry(const QString &name) const
{
    for (const auto &p : FAllInfo) {
        if (!p.hidden && p.name == name)
            return &p;
    }
    return nullptr;
}

QStringList TJwPrinter::PortNames()
{
    FPorts = FService->Ports();
    FPorts.removeDuplicates();
    return FPorts;
}

QString TJwPrinter::Port()
{
    return settings().port;
}

void TJwPrinter::SetPort(const QString &port)
{
    TDeviceSettings &s = settings();
    if (s.port != port) {
        s.port = port;
        modify();
    }
}

TJwPrintCaps TJwPrinter::PrintCaps()
{
    return settings().fields;
}

TJwAvailInfos TJwPrinter::AvailInfos()
{
    if (FAllInfo.empty())
        return {};
    updateLists();
    return FLists.avail;
}

TJwPaperOrientation TJwPrinter::Orientation()
{
    checkSupported(Cap::jwPcOrientation, "TJwPrinter.GetOrientation: Orientation is not Supported");
    return settings().orientation == 1 ? TJwPaperOrientation::jwOrPortrait : TJwPaperOrientation::jwOrLandScape;
}

void TJwPrinter::SetOrientation(TJwPaperOrientation value)
{
    checkSupported(Cap::jwPcOrientation, "TJwPrinter.SetOrientation: Orientation is not Supported");
    const int code = value == TJwPaperOrientation::jwOrPortrait ? 1 : 2;
    if (settings().orientation != code) {
        settings().orientation = code;
        modify();
    }
}

int TJwPrinter::PaperSizeNumber()
{
    checkSupported(Cap::jwPcPaperSize, "TJwPrinter.GetPaperSizeNumber: PaperSize is not Supported");
    return settings().paperSize;
}

void TJwPrinter::SetPaperSizeNumber(int number)
{
    checkSupported(Cap::jwPcPaperSize, "TJwPrinter.SetPaperSizeNumber: PaperSize is not Supported");
    updateLists();
    TDeviceSettings &s = settings();
    if (s.paperSize != number) {
        s.paperSize = number;
        if (number != 256) {
            s.fields.exclude(Cap::jwPcPaperlength);
            s.fields.exclude(Cap::jwPcPaperWidth);
        }
    }
    modify();
}

QStringList TJwPrinter::PaperSizeNames()
{
    checkSupported(Cap::jwPcPaperSize, "TJwPrinter.GetPaperSizeNames: PaperSize is not Supported");
    checkAvail(Avail::jwAvPaperSize, "TJwPrinter.GetPaperSizeNames: No Papersize Info Available");
    QStringList names;
    for (const auto &p : FLists.papers)
        names << p.name;
    return names;
}

std::vector<TPaperEntry> TJwPrinter::Papers()
{
    checkSupported(Cap::jwPcPaperSize, "TJwPrinter.GetPaperSizeNames: PaperSize is not Supported");
    checkAvail(Avail::jwAvPaperSize, "TJwPrinter.GetPaperSizeNames: No Papersize Info Available");
    return FLists.papers;
}

std::vector<TBinEntry> TJwPrinter::Bins()
{
    checkSupported(Cap::jwPcDefaultSource, "TJwPrinter.GetBinNames: Bin is not Supported");
    checkAvail(Avail::jwAvBin, "TJwPrinter.GetBinNames: No Bin Info Available");
    return FLists.bins;
}

int TJwPrinter::NumPaperSizes()
{
    checkSupported(Cap::jwPcPaperSize, "TJwPrinter.GetNumPaperSize: PaperSize is not Supported");
    checkAvail(Avail::jwAvPaperSize, "TJwPrinter.GetNumPaperSizes: No Papersize Info Available");
    return static_cast<int>(FLists.papers.size());
}

int TJwPrinter::PaperSizeNumbers(int index)
{
    checkSupported(Cap::jwPcPaperSize, "TJwPrinter.GetPaperSizeNumber: PaperSize is not Supported");
    checkAvail(Avail::jwAvPaperSize, "TJwPrinter.GetNumPaperSizeNumbers: No Papersize Info Available");
    if (index < 0 || index >= static_cast<int>(FLists.papers.size()))
        throw EJWPrinterRangeError(std::string("TJwPrinter.GetPaperNumbers: Index is our of range"));
    return FLists.papers[static_cast<size_t>(index)].number;
}

int TJwPrinter::PaperSizeIndex()
{
    checkSupported(Cap::jwPcPaperSize, "TJwPrinter.GetPaperSizeIndex: PaperSize is not Supported");
    checkAvail(Avail::jwAvPaperSize, "TJwPrinter.GetPaperSizeIndex: No Papersize Info Available");
    const int number = settings().paperSize;
    for (size_t i = 0; i < FLists.papers.size(); ++i) {
        if (FLists.papers[i].number == number)
            return static_cast<int>(i);
    }
    throw EJWPrinterPaperSizeError(std::string("TJwPrinter.GetPaperSizeIndex: Cannot Get Paper Index"));
}

void TJwPrinter::SetPaperSizeIndex(int index)
{
    checkSupported(Cap::jwPcPaperSize, "TJwPrinter.SetPaperSizeIndex: PaperSize is not Supported");
    checkAvail(Avail::jwAvPaperSize, "TJwPrinter.SetPaperSizeIndex: No Papersize Info Available");
    if (index < 0 || index >= static_cast<int>(FLists.papers.size()))
        throw EJWPrinterPaperSizeError(std::string("TJwPrinter:SetPaperSizeIndex: No such PaperSize Index"));
    SetPaperSizeNumber(FLists.papers[static_cast<size_t>(index)].number);
}

bool TJwPrinter::HasPaperSizeNumber(int number)
{
    checkSupported(Cap::jwPcPaperSize, "TJwPrinter.HasPaperNumber: PaperSize is not Supported");
    checkAvail(Avail::jwAvPaperSize, "TJwPrinter.HasPapserSizeNumber: No PaperSize Info Available");
    for (const auto &p : FLists.papers) {
        if (p.number == number)
            return true;
    }
    return false;
}

TSize TJwPrinter::UserPaperExtent()
{
    const TJwPrintCaps caps = PrintCaps();
    const TDeviceSettings &s = settings();
    if (!caps.contains(Cap::jwPcPaperSize) || !caps.contains(Cap::jwPcPaperlength)
        || !caps.contains(Cap::jwPcPaperWidth) || s.paperSize != 256)
        throw EJwPrinterNoUserPaperExtent(std::string("TJwPrinter.GetUserpaperExtent: Cannot Get User paper Extent"));
    return {s.paperWidth, s.paperLength};
}

void TJwPrinter::SetUserPaperExtent(TSize extent)
{
    checkSupported(Cap::jwPcPaperSize, "TJwPrinter.SetpaperExtent: PaperSize is not Supported");
    updateLists();
    TDeviceSettings &s = settings();
    s.paperSize = 256;
    s.paperWidth = extent.cx;
    s.paperLength = extent.cy;
    s.fields.include(Cap::jwPcPaperlength);
    s.fields.include(Cap::jwPcPaperWidth);
    modify();
}

int TJwPrinter::BinNumber()
{
    checkSupported(Cap::jwPcDefaultSource, "TJwPrinter.GetBinNumber: Bin is not Supported");
    return settings().defaultSource;
}

void TJwPrinter::SetBinNumber(int number)
{
    checkSupported(Cap::jwPcDefaultSource, "TJwPrinter.SetBinNumber: Bin is not Supported");
    if (settings().defaultSource != number) {
        settings().defaultSource = number;
        modify();
    }
}

QStringList TJwPrinter::BinNames()
{
    checkSupported(Cap::jwPcDefaultSource, "TJwPrinter.GetBinNames: Bin is not Supported");
    checkAvail(Avail::jwAvBin, "TJwPrinter.GetBinNames: No Bin Info Available");
    QStringList names;
    for (const auto &b : FLists.bins)
        names << b.name;
    return names;
}

int TJwPrinter::NumBins()
{
    checkSupported(Cap::jwPcDefaultSource, "TJwPrinter.GetNumBins: Bin is not Supported");
    checkAvail(Avail::jwAvBin, "TJwPrinter.GetNumBins: No Bin Info Available");
    return static_cast<int>(FLists.bins.size());
}

int TJwPrinter::BinIndex()
{
    checkSupported(Cap::jwPcDefaultSource, "TJwPrinter.GetBinIndex: Bin is not Supported");
    checkAvail(Avail::jwAvBin, "TJwPrinter.GetBinIndex: No Bin Info Available");
    const int number = settings().defaultSource;
    for (size_t i = FLists.bins.size(); i-- > 0;) {
        if (FLists.bins[i].number == number)
            return static_cast<int>(i);
    }
    throw EJwPrinterBinError(std::string("TJwPrinter.GetBinIndex: Cannot Get Bin Index"));
}

void TJwPrinter::SetBinIndex(int index)
{
    checkSupported(Cap::jwPcDefaultSource, "TJwPrinter.SetBinIndex: Bin is not Supported");
    checkAvail(Avail::jwAvBin, "TJwPrinter.SetBinIndex: No Bin Info Available");
    if (index < 0 || index >= static_cast<int>(FLists.bins.size()))
        throw EJwPrinterBinError(std::string("TJwPrinter:SetBinIndex: No such Bin Index"));
    SetBinNumber(FLists.bins[static_cast<size_t>(index)].number);
}

bool TJwPrinter::HasBinNumber(int number)
{
    checkSupported(Cap::jwPcDefaultSource, "TJwPrinter.SetBin: Bin is not Supported");
    checkAvail(Avail::jwAvBin, "TJwPrinter.HasBinNumber: No Bin Info Available");
    for (const auto &b : FLists.bins) {
        if (b.number == number)
            return true;
    }
    return false;
}

TSize TJwPrinter::Quality()
{
    checkSupported(Cap::jwPcPrintQuality, "TJwPrinter.GetQuality: PrintQuality is not Supported");
    const TDeviceSettings &s = settings();
    const bool hasY = s.printQuality > 0 && s.fields.contains(Cap::jwPcYResolution);
    return {s.printQuality, hasY ? s.yResolution : 0};
}

void TJwPrinter::SetQuality(TSize quality)
{
    checkSupported(Cap::jwPcPrintQuality, "TJwPrinter.SetQuality: PrintQuality is not Supported");
    TDeviceSettings &s = settings();
    s.printQuality = quality.cx;
    if (quality.cx <= 0) {
        s.yResolution = 0;
        s.fields.exclude(Cap::jwPcYResolution);
    } else {
        s.yResolution = quality.cy;
        s.fields.include(Cap::jwPcYResolution);
    }
    modify();
}

int TJwPrinter::NumQualities()
{
    checkSupported(Cap::jwPcPrintQuality, "TJwPrinter.GetNumQualities: PrintQuality is not Supported");
    checkAvail(Avail::jwAvQuality, "TJwPrinter.GetNumQualities: No Quality Info Available");
    return static_cast<int>(FLists.resolutions.size());
}

std::vector<TResolution> TJwPrinter::Resolutions()
{
    checkSupported(Cap::jwPcPrintQuality, "TJwPrinter.GetNumQualities: PrintQuality is not Supported");
    checkAvail(Avail::jwAvQuality, "TJwPrinter.GetNumQualities: No Quality Info Available");
    return FLists.resolutions;
}

int TJwPrinter::MaxCopies()
{
    checkSupported(Cap::jwPcCopies, "TJwPrinter.GetMaxCopies: Copies is not Supported");
    checkAvail(Avail::jwAvMaxCopies, "TJwPrinter.GetMaxCopies: No MaxCopies Info Available");
    return FLists.maxCopies;
}

int TJwPrinter::Copies()
{
    checkSupported(Cap::jwPcCopies, "TJwPrinter.GetCopies: Copies not Supported");
    return settings().copies;
}

void TJwPrinter::SetCopies(int copies)
{
    checkSupported(Cap::jwPcCopies, "TJwPrinter.SetCopies: Copies not Supported");
    if (copies <= 0)
        throw EJWPrinterRangeError(std::string("TJwPrinter.SetCopies: Too Small Copies"));
    if (settings().copies != copies) {
        settings().copies = copies;
        modify();
    }
}

bool TJwPrinter::Collate()
{
    checkSupported(Cap::jwPcCollate, "TJwPrinter.GetCollate: Collate is not Supported");
    return settings().collate == 1;
}

void TJwPrinter::SetCollate(bool value)
{
    checkSupported(Cap::jwPcCollate, "TJwPrinter.SetCollate: Collate is not Supported");
    const int code = value ? 1 : 0;
    if (settings().collate != code) {
        settings().collate = code;
        modify();
    }
}

bool TJwPrinter::Color()
{
    checkSupported(Cap::jwPcColor, "TJwPrinter.GetColor: Color is not Supported");
    return settings().color == 2;
}

void TJwPrinter::SetColor(bool value)
{
    checkSupported(Cap::jwPcColor, "TJwPrinter.SetColor: Color is not Supported");
    const int code = value ? 2 : 1;
    if (settings().color != code) {
        settings().color = code;
        modify();
    }
}

TJwDuplex TJwPrinter::Duplex()
{
    checkSupported(Cap::jwPcDuplex, "TJwPrinter.GetDuplex: Duplex is not Supported");
    switch (settings().duplex) {
    case 1: return TJwDuplex::jwDupSimplex;
    case 3: return TJwDuplex::jwDupHorizontal;
    default: return TJwDuplex::jwDupVertical;
    }
}

void TJwPrinter::SetDuplex(TJwDuplex value)
{
    checkSupported(Cap::jwPcDuplex, "TJwPrinter.SetDuplex: Duplex is not Supported");
    const int code = value == TJwDuplex::jwDupSimplex ? 1 : value == TJwDuplex::jwDupHorizontal ? 3 : 2;
    if (settings().duplex != code) {
        settings().duplex = code;
        modify();
    }
}

int TJwPrinter::Scale()
{
    return PrintCaps().contains(Cap::jwPcScale) ? settings().scale : 100;
}

void TJwPrinter::SetScale(int percent)
{
    checkSupported(Cap::jwPcScale, "TJwPrinter.SetScale: Scale is not Supported");
    if (settings().scale != percent) {
        settings().scale = percent;
        modify();
    }
}

int TJwPrinter::ColorBitCount()
{
    return FService->Geometry(device().name, deviceSettings()).colorBitCount;
}

TSize TJwPrinter::DPI()
{
    const TDeviceGeometry g = FService->Geometry(device().name, deviceSettings());
    return {g.dpiX, g.dpiY};
}

TSize TJwPrinter::PageExtent()
{
    const TDeviceGeometry g = FService->Geometry(device().name, deviceSettings());
    return {g.pageWidth, g.pageHeight};
}

TSize TJwPrinter::MMPageExtent()
{
    const TDeviceGeometry g = FService->Geometry(device().name, deviceSettings());
    return {g.mmPageWidth, g.mmPageHeight};
}

TSize TJwPrinter::PaperExtent()
{
    const TDeviceGeometry g = FService->Geometry(device().name, deviceSettings());
    return {g.paperWidth, g.paperHeight};
}

TSize TJwPrinter::MMPaperExtent()
{
    const TDeviceGeometry g = FService->Geometry(device().name, deviceSettings());
    const int scale = Scale();
    // Integer arithmetic in this order, as callers compare against it.
    auto tenths = [scale](int px, int dpi) { return dpi > 0 ? scale * px * 254 / dpi / 100 : 0; };
    return {tenths(g.paperWidth, g.dpiX), tenths(g.paperHeight, g.dpiY)};
}

TSize TJwPrinter::Offset()
{
    const TDeviceGeometry g = FService->Geometry(device().name, deviceSettings());
    return {g.offsetX, g.offsetY};
}

TDriverOptions TJwPrinter::DriverOptions()
{
    checkNoPrinter();
    return FService->DriverOptions(device().name);
}

TDriverValues TJwPrinter::DriverValues()
{
    return settings().driverOptions;
}

TDriverValues TJwPrinter::ConstraintValues()
{
    return ConstraintValuesWith(-1, -1);
}

TDriverValues TJwPrinter::ConstraintValuesWith(int paperNumber, int binNumber)
{
    TDeviceSettings s = settings();
    if (paperNumber >= 0)
        s.paperSize = paperNumber;
    if (binNumber >= 0)
        s.defaultSource = binNumber;
    TDriverValues values = s.driverOptions;
    for (const auto &[keyword, choice] : FService->StandardChoices(device().name, s))
        values[keyword] = choice;
    return values;
}

void TJwPrinter::SetDriverValue(const QString &keyword, const QString &choice)
{
    const TDriverOptions options = DriverOptions();
    const TDriverOption *o = options.find(keyword);
    bool known = o && !o->readOnly;
    if (known && choice.isEmpty() && o->defaultChoice.isEmpty()) {
        if (settings().driverOptions.erase(keyword) > 0)
            modify();
        return;
    }
    if (known) {
        const QStringList parts = o->kind == TDriverOptionKind::dokPickMany ? choice.split(QLatin1Char(','))
                                                                              : QStringList{choice};
        for (const QString &p : parts)
            known = known && o->find(p);
    }
    if (!known)
        throw EJwPrinterNotSupported(std::string("TJwPrinter.SetDriverValue: Not Supported"));
    TDeviceSettings &s = settings();
    if (s.driverOptions[keyword] != choice) {
        s.driverOptions[keyword] = choice;
        modify();
    }
}

void TJwPrinter::ResetDriverValues()
{
    const TDriverValues defaults = CheckedDriverValues(DriverOptions(), {});
    TDeviceSettings &s = settings();
    if (s.driverOptions != defaults) {
        s.driverOptions = defaults;
        modify();
    }
}

void TJwPrinter::ApplySettings()
{
    if (!FModified)
        return;
    if (!FWorking)
        throw std::logic_error("TJwPrinter.ApplySettings; No Setteing Info");
    const TDeviceSettings merged = FService->Merge(device().name, *FWorking);
    DiscardModification();
    FIndex = -1;
    FDeviceSettings = merged;
}

void TJwPrinter::DiscardModification()
{
    FWorking.reset();
    FModified = false;
}

void TJwPrinter::ForceUpdate()
{
    DiscardModification();
    FIndex = -1;
    updateLists();
}

void TJwPrinter::BeginDoc(const QString &title)
{
    if (FJob)
        throw std::logic_error("TJwPrinter.BeginDoc: a job is already open");
    FJob = FService->StartJob(device().name, deviceSettings(), title);
}

void TJwPrinter::NewPage()
{
    if (FJob)
        FJob->NewPage();
}

void TJwPrinter::EndDoc()
{
    if (!FJob)
        return;
    std::unique_ptr<TPrinterJob> job = std::move(FJob);
    job->End();
}

void TJwPrinter::Abort()
{
    if (!FJob)
        return;
    std::unique_ptr<TPrinterJob> job = std::move(FJob);
    job->Abort();
}

void TJwPrinter::PrintPdf(const QString &title, QIODevice &pdf)
{
    if (FJob)
        throw std::logic_error("TJwPrinter.PrintPdf: a job is already open");
    FService->PrintPdf(device().name, deviceSettings(), title, pdf);
}

QPainter *TJwPrinter::Canvas()
{
    return FJob ? &FJob->Canvas() : nullptr;
}

void TJwPrinter::CheckSystemChanged()
{
    std::vector<TPrinterEntry> fresh = FService->Printers();
    FReachable = FService->Reachable();
    const bool sameQueues = std::equal(fresh.begin(), fresh.end(), FAllInfo.begin(), FAllInfo.end(),
                                       [](const TPrinterEntry &a, const TPrinterEntry &b) { return a.sameQueue(b); });
    if (sameQueues) {
        // A queue that starts or stops taking jobs keeps its settings.
        const bool stateChanged = fresh != FAllInfo;
        FAllInfo = std::move(fresh);
        const QStringList before = FPorts;
        const QStringList ports = PortNames();
        if ((stateChanged || ports != before) && OnSystemChanged)
            OnSystemChanged();
        return;
    }
    QString selected;
    if (FDevice >= 0 && FDevice < static_cast<int>(FAllInfo.size()))
        selected = FAllInfo[static_cast<size_t>(FDevice)].name;
    FAllInfo = std::move(fresh);
    // The device object is made anew: it keeps the printer it had when that
    // printer is still there, and falls back to the default otherwise.
    FDevice = -1;
    for (int i = 0; i < static_cast<int>(FAllInfo.size()); ++i) {
        if (FAllInfo[static_cast<size_t>(i)].name == selected && !FAllInfo[static_cast<size_t>(i)].hidden)
            FDevice = i;
    }
    // The settings made for a printer that is still there stay (another
    // queue coming or going is no reason to lose them).
    if (FDevice < 0)
        FDeviceSettings.reset();
    FIndex = -1;
    DiscardModification();
    if (OnSystemChanged)
        OnSystemChanged();
}

} // namespace vellora
