// The printing system through libcups: destinations, their media (with
// margins), trays, resolutions and job options, and jobs whose pages we draw
// into a PDF document, or PDF documents made elsewhere, and send to the
// destination.
//
// How the desktop notions map onto CUPS:
// - The printers are the CUPS destinations without instances, sorted by name.
//   A destination that does not accept jobs is listed with its state; a job
//   for it is refused with the reason.
// - The port of a printer is its device URI.
// - Paper numbers come from PaperNumbers.h; a destination that accepts custom
//   sizes lists the user-defined size (256), sent as a "custom_..." media.
// - Bins are the media sources; resolutions are "printer-resolution".
// - Orientation is applied to the pages we draw; the sheet stays the media.
// UI thread only; throws vellora::Error when the server refuses a request.
#pragma once

#include "print/PrinterService.h"

#include <chrono>
#include <map>
#include <optional>

namespace vellora {

struct CupsJobOptions;

class TCupsService : public TPrinterService {
public:
    // An empty server keeps libcups' own choice (CUPS_SERVER, client.conf).
    explicit TCupsService(const QString &server = {});

    std::vector<TPrinterEntry> Printers() override;
    bool Reachable() override { return FReachable; }
    QStringList Ports() override;
    TDeviceSettings DefaultSettings(const QString &printer) override;
    TDeviceLists Lists(const QString &printer, const TDeviceSettings &settings) override;
    TDeviceSettings Merge(const QString &printer, const TDeviceSettings &settings) override;
    TDeviceGeometry Geometry(const QString &printer, const TDeviceSettings &settings) override;
    std::unique_ptr<TPrinterJob> StartJob(const QString &printer, const TDeviceSettings &settings,
                                          const QString &title) override;
    bool TakesPdf() const override { return true; }
    void PrintPdf(const QString &printer, const TDeviceSettings &settings, const QString &title,
                  QIODevice &pdf) override;
    TDriverOptions DriverOptions(const QString &printer) override;
    TDriverValues StandardChoices(const QString &printer, const TDeviceSettings &settings) override;
    QStringList StateReasons(const QString &printer) override;

    // The id of the last job this service sent, 0 before the first.
    int LastJobId() const noexcept { return FLastJobId; }

    // Facts read with the lists that the settings do not hold.
    struct Details {
        TDeviceLists lists;
        TDeviceSettings defaults;
        TResolution defaultResolution;
        TDriverOptions driverOptions;
        std::map<QString, QString> inputSlotForSource;
        // The PPD's PageSize choice of each paper number.
        std::map<int, QString> pageSizeForPaper;
        // When the network printer behind a queue without a driver was asked.
        std::optional<std::chrono::steady_clock::time_point> deviceAsked;
    };

private:
    const Details &details(const QString &printer);
    // Paper, tray, copies and the printer's own options of a job; throws
    // when the printer's constraints forbid the paper or tray.
    std::unique_ptr<CupsJobOptions> jobOptions(const QString &printer, const TDeviceSettings &settings);
    friend class CupsJob;

    std::map<QString, Details> FCache;
    int FLastJobId = 0;
    bool FReachable = true;
};

} // namespace vellora
