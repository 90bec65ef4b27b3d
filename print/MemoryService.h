// A printing system in memory for tests: printers with any capabilities,
// lists and resolutions, and a log of every job (settings, pages as images).
// The test keeps the shared TFakeSystem to change printers and read the jobs.
#pragma once

#include "print/PrinterService.h"

#include <QImage>

namespace vellora {

struct TFakeDevice {
    TPrinterEntry entry;
    TDeviceSettings defaults;   // `fields` are the printer's capabilities
    TDeviceLists lists;
    int dpiX = 72, dpiY = 72;
    TDriverOptions driverOptions;   // defaults.driverOptions are the queue's saved values
    QStringList stateReasons;
};

struct TFakeJob {
    QString printer;
    QString title;
    TDeviceSettings settings;
    std::vector<QImage> pages;
    bool ended = false;
    bool aborted = false;
};

struct TFakeSystem {
    std::vector<TFakeDevice> devices;
    QStringList extraPorts;
    std::vector<TFakeJob> jobs;
    int mergeCount = 0;         // how often settings reached a printer
    bool unreachable = false;   // the printing system does not answer
};

class TMemoryService : public TPrinterService {
public:
    explicit TMemoryService(std::shared_ptr<TFakeSystem> system) : FSystem(std::move(system)) {}

    // A printer with every usual capability, A4/A5/Letter/postcard papers,
    // two trays and two resolutions.
    static TFakeDevice StandardDevice(const QString &name);

    std::vector<TPrinterEntry> Printers() override;
    bool Reachable() override { return !FSystem->unreachable; }
    QStringList Ports() override;
    TDeviceSettings DefaultSettings(const QString &printer) override;
    TDeviceLists Lists(const QString &printer, const TDeviceSettings &settings) override;
    TDeviceSettings Merge(const QString &printer, const TDeviceSettings &settings) override;
    TDeviceGeometry Geometry(const QString &printer, const TDeviceSettings &settings) override;
    std::unique_ptr<TPrinterJob> StartJob(const QString &printer, const TDeviceSettings &settings,
                                          const QString &title) override;
    TDriverOptions DriverOptions(const QString &printer) override;
    QStringList StateReasons(const QString &printer) override;

private:
    const TFakeDevice &device(const QString &name) const;
    std::shared_ptr<TFakeSystem> FSystem;
};

} // namespace vellora
