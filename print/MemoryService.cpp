#include "print/MemoryService.h"

#include "settings/Errors.h"

namespace vellora {

namespace {

class MemoryJob : public TPrinterJob {
public:
    MemoryJob(std::shared_ptr<TFakeSystem> system, size_t job, TDeviceGeometry geometry)
        : FSystem(std::move(system)), FJob(job), FGeometry(geometry)
    {
        startPage();
    }
    ~MemoryJob() override
    {
        if (FPainter.isActive())
            FPainter.end();
    }
    QPainter &Canvas() override { return FPainter; }
    void NewPage() override
    {
        finishPage();
        startPage();
    }
    void End() override
    {
        finishPage();
        job().ended = true;
    }
    void Abort() override
    {
        if (FPainter.isActive())
            FPainter.end();
        job().aborted = true;
    }

private:
    TFakeJob &job() { return FSystem->jobs[FJob]; }
    void startPage()
    {
        FPage = QImage(FGeometry.paperWidth, FGeometry.paperHeight, QImage::Format_RGB32);
        FPage.fill(Qt::white);
        FPainter.begin(&FPage);
        // The canvas origin is the printable area's corner, as on a printer.
        FPainter.translate(FGeometry.offsetX, FGeometry.offsetY);
    }
    void finishPage()
    {
        if (FPainter.isActive())
            FPainter.end();
        job().pages.push_back(FPage);
    }

    std::shared_ptr<TFakeSystem> FSystem;
    size_t FJob;
    TDeviceGeometry FGeometry;
    QImage FPage;
    QPainter FPainter;
};

} // namespace

TFakeDevice TMemoryService::StandardDevice(const QString &name)
{
    using C = TJwPrintCap;
    TFakeDevice d;
    d.entry.name = name;
    d.entry.port = QStringLiteral("mem:") + name;
    d.defaults.fields = {C::jwPcOrientation, C::jwPcPaperSize, C::jwPcCopies, C::jwPcDefaultSource,
                         C::jwPcPrintQuality, C::jwPcColor, C::jwPcDuplex, C::jwPcYResolution,
                         C::jwPcCollate, C::jwPcFormName};
    d.defaults.paperSize = 9;
    d.defaults.defaultSource = 7;
    d.defaults.printQuality = 72;
    d.defaults.yResolution = 72;
    d.defaults.color = 2;
    d.defaults.port = d.entry.port;
    d.lists.avail = {TJwAvailInfo::jwAvPaperSize, TJwAvailInfo::jwAvBin, TJwAvailInfo::jwAvQuality,
                     TJwAvailInfo::jwAvMaxCopies};
    d.lists.papers = {
        {9, QStringLiteral("A4"), QStringLiteral("iso_a4_210x297mm"), 2100, 2970, 300, 500, 300, 500},
        {11, QStringLiteral("A5"), QStringLiteral("iso_a5_148x210mm"), 1480, 2100, 300, 500, 300, 500},
        {1, QStringLiteral("Letter"), QStringLiteral("na_letter_8.5x11in"), 2159, 2794, 300, 500, 300, 500},
        {43, QStringLiteral("はがき"), QStringLiteral("jpn_hagaki_100x148mm"), 1000, 1480, 0, 0, 0, 0},
    };
    d.lists.bins = {{7, QStringLiteral("Auto"), QStringLiteral("auto")},
                    {4, QStringLiteral("Manual"), QStringLiteral("manual")}};
    d.lists.resolutions = {{72, 72}, {144, 144}};
    d.lists.maxCopies = 50;
    return d;
}

const TFakeDevice &TMemoryService::device(const QString &name) const
{
    if (FSystem->unreachable)
        throw Error(QStringLiteral("the print server cannot be reached"));
    for (const auto &d : FSystem->devices) {
        if (d.entry.name == name)
            return d;
    }
    throw Error(QStringLiteral("no printer named ") + name);
}

std::vector<TPrinterEntry> TMemoryService::Printers()
{
    std::vector<TPrinterEntry> list;
    if (FSystem->unreachable)
        return list;
    for (const auto &d : FSystem->devices)
        list.push_back(d.entry);
    return list;
}

QStringList TMemoryService::Ports()
{
    QStringList ports;
    for (const auto &d : FSystem->devices)
        ports << d.entry.port;
    return ports + FSystem->extraPorts;
}

TDeviceSettings TMemoryService::DefaultSettings(const QString &printer)
{
    return device(printer).defaults;
}

TDeviceLists TMemoryService::Lists(const QString &printer, const TDeviceSettings &)
{
    return device(printer).lists;
}

TDeviceSettings TMemoryService::Merge(const QString &printer, const TDeviceSettings &settings)
{
    const TFakeDevice &d = device(printer);
    ++FSystem->mergeCount;
    TDeviceSettings merged = settings;
    if (!d.driverOptions.options.empty())
        merged.driverOptions = CheckedDriverValues(d.driverOptions, settings.driverOptions);
    return merged;
}

TDeviceGeometry TMemoryService::Geometry(const QString &printer, const TDeviceSettings &settings)
{
    const TFakeDevice &d = device(printer);
    TPaperEntry paper;
    for (const auto &p : d.lists.papers) {
        if (p.number == settings.paperSize)
            paper = p;
    }
    if (paper.number == 0 && !d.lists.papers.empty())
        paper = d.lists.papers.front();
    int dpiX = d.dpiX, dpiY = d.dpiY;
    if (settings.printQuality > 0) {
        dpiX = settings.printQuality;
        dpiY = settings.yResolution > 0 ? settings.yResolution : dpiX;
    }
    return geometryFor(paper, settings, dpiX, dpiY);
}

std::unique_ptr<TPrinterJob> TMemoryService::StartJob(const QString &printer, const TDeviceSettings &settings,
                                                      const QString &title)
{
    if (!device(printer).entry.accepting)
        throw Error(QStringLiteral("the printer %1 is not accepting jobs").arg(printer));
    const TDeviceGeometry g = Geometry(printer, settings);
    FSystem->jobs.push_back({printer, title, settings, {}, false, false});
    return std::make_unique<MemoryJob>(FSystem, FSystem->jobs.size() - 1, g);
}

TDriverOptions TMemoryService::DriverOptions(const QString &printer)
{
    return device(printer).driverOptions;
}

QStringList TMemoryService::StateReasons(const QString &printer)
{
    return device(printer).stateReasons;
}

} // namespace vellora
