// What TJwPrinter asks of a printing system: the installed printers, the
// default device settings of one printer, its capabilities and lists, its
// geometry under given settings, and print jobs. Two implementations exist:
// TCupsService (the real program) and TMemoryService (tests). Stateless about
// the selected printer: TJwPrinter keeps the device settings.
// UI thread only. Errors of the system are thrown as vellora::Error.
#pragma once

#include "print/DriverOptions.h"

#include <QIODevice>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

namespace vellora {

// Capabilities of a printer: each element stands for one field of the device
// settings that the printer honours (ordinals are bit positions in TJwPrintCaps).
enum class TJwPrintCap : std::uint8_t {
    jwPcOrientation, jwPcPaperSize, jwPcPaperlength, jwPcPaperWidth, jwPcScale, jwPcCopies,
    jwPcDefaultSource, jwPcPrintQuality, jwPcColor, jwPcDuplex, jwPcYResolution, jwPcTTOption,
    jwPcCollate, jwPcFormName, jwPcLogPixels, jwPcMediaType, jwPcDitherType
};

// Which lists a printer provides.
enum class TJwAvailInfo : std::uint8_t { jwAvPaperSize, jwAvBin, jwAvQuality, jwAvMaxCopies };

// A small set over an enumeration's ordinals.
template <typename E>
class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<E> items)
    {
        for (E e : items)
            include(e);
    }
    constexpr bool contains(E e) const noexcept { return (FBits & bit(e)) != 0; }
    constexpr void include(E e) noexcept { FBits |= bit(e); }
    constexpr void exclude(E e) noexcept { FBits &= ~bit(e); }
    constexpr std::uint32_t bits() const noexcept { return FBits; }
    constexpr bool operator==(const TEnumSet &) const = default;

private:
    static constexpr std::uint32_t bit(E e) { return 1u << static_cast<unsigned>(e); }
    std::uint32_t FBits = 0;
};

using TJwPrintCaps = TEnumSet<TJwPrintCap>;
using TJwAvailInfos = TEnumSet<TJwAvailInfo>;

// The device settings record of one printer. The presence flags say which
// fields the printer honours; the codes follow the common desktop numbering.
struct TDeviceSettings {
    TJwPrintCaps fields;
    int orientation = 1;        // 1 portrait, 2 landscape
    int paperSize = 9;          // paper size number, 256 = user-defined
    int paperLength = 0;        // user-defined size, tenths of a millimetre
    int paperWidth = 0;
    int scale = 100;            // percent
    int copies = 1;
    int defaultSource = 0;      // bin number
    int printQuality = 0;       // dots per inch, or a negative quality code
    int color = 1;              // 1 monochrome, 2 colour
    int duplex = 1;             // 1 simplex, 2 vertical (long edge), 3 horizontal (short edge)
    int yResolution = 0;        // dots per inch
    int collate = 0;            // 0 off, 1 on
    QString port;
    // The printer's own options, keyword -> choice (see DriverOptions.h).
    TDriverValues driverOptions;

    bool operator==(const TDeviceSettings &) const = default;
};

// A printer as listed by the system.
struct TPrinterEntry {
    QString name;
    bool hidden = false;        // not offered to the user
    bool isDefault = false;
    QString port;
    // The queue's state: whether it takes jobs now, the server's message
    // about it (printer-state-message) and where it stands.
    bool accepting = true;
    QString stateMessage;
    QString location;
    bool operator==(const TPrinterEntry &) const = default;
    // The same queue as far as the settings are concerned (the state aside).
    bool sameQueue(const TPrinterEntry &o) const
    {
        return name == o.name && hidden == o.hidden && isDefault == o.isDefault && port == o.port;
    }
};

struct TPaperEntry {
    int number = 0;
    QString name;               // shown to the user
    QString media;              // the system's own media name
    int widthTenthMM = 0;       // portrait
    int lengthTenthMM = 0;
    // Unprintable margins in portrait, hundredths of a millimetre.
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct TBinEntry {
    int number = 0;
    QString name;
    QString source;             // the system's own name
};

// Two integers (device pixels, tenths of a millimetre or dpi, as named).
struct TSize {
    int cx = 0, cy = 0;
    bool operator==(const TSize &) const = default;
};

struct TResolution {
    int x = 0, y = 0;
    bool operator==(const TResolution &) const = default;
};

struct TDeviceLists {
    TJwAvailInfos avail;
    std::vector<TPaperEntry> papers;
    std::vector<TBinEntry> bins;
    std::vector<TResolution> resolutions;
    int maxCopies = 0;
    // Smallest and largest user-defined size (tenths of a millimetre), when the
    // printer accepts user-defined sizes.
    int minUserWidth = 0, minUserLength = 0, maxUserWidth = 0, maxUserLength = 0;
};

// Geometry of the device context under some settings, device pixels unless named.
struct TDeviceGeometry {
    int dpiX = 300, dpiY = 300;
    int pageWidth = 0, pageHeight = 0;      // printable area
    int paperWidth = 0, paperHeight = 0;    // whole sheet
    int offsetX = 0, offsetY = 0;           // printable area from the sheet corner
    int mmPageWidth = 0, mmPageHeight = 0;  // printable area, tenths of a millimetre
    int colorBitCount = 24;
};

// One print job: a canvas whose origin is the top-left corner of the printable
// area, in device pixels.
class TPrinterJob {
public:
    virtual ~TPrinterJob() = default;
    virtual QPainter &Canvas() = 0;
    virtual void NewPage() = 0;
    virtual void End() = 0;     // sends the job; throws when the system refuses it
    virtual void Abort() = 0;   // drops the job
};

class TPrinterService {
public:
    virtual ~TPrinterService() = default;

    // Every printer, hidden ones included, in a stable order. Empty, with
    // Reachable() false, when the printing system cannot be asked.
    virtual std::vector<TPrinterEntry> Printers() = 0;
    // Whether the last Printers() reached the printing system.
    virtual bool Reachable() { return true; }
    virtual QStringList Ports() = 0;
    // The printer's own settings, as a job gets them when it asks for nothing.
    virtual TDeviceSettings DefaultSettings(const QString &printer) = 0;
    virtual TDeviceLists Lists(const QString &printer, const TDeviceSettings &settings) = 0;
    // What the printer makes of the settings (a driver's merge): unknown
    // values are replaced by the printer's own.
    virtual TDeviceSettings Merge(const QString &printer, const TDeviceSettings &settings) = 0;
    virtual TDeviceGeometry Geometry(const QString &printer, const TDeviceSettings &settings) = 0;
    virtual std::unique_ptr<TPrinterJob> StartJob(const QString &printer, const TDeviceSettings &settings,
                                                  const QString &title) = 0;
    // Why the printer is not simply ready (IPP printer-state-reasons such as
    // "media-empty-error", "paused"); empty when it is, or when unknown.
    virtual QStringList StateReasons(const QString &printer)
    {
        (void)printer;
        return {};
    }
    // The choices of the printer's own options that the standard settings
    // make (a PPD's "PageSize" and "InputSlot" for the paper and the tray),
    // for checking them against the options' constraints; none by default.
    virtual TDriverValues StandardChoices(const QString &printer, const TDeviceSettings &settings)
    {
        (void)printer;
        (void)settings;
        return {};
    }
    // Whether a job may be handed over as a finished PDF document
    // (PrintPdf) instead of pages drawn on a job's canvas; no by default.
    virtual bool TakesPdf() const { return false; }
    // Sends `pdf`, read from its current position to its end, as one job of
    // the printer under the settings; throws as TPrinterJob::End does.
    virtual void PrintPdf(const QString &printer, const TDeviceSettings &settings, const QString &title,
                          QIODevice &pdf)
    {
        (void)printer;
        (void)settings;
        (void)title;
        (void)pdf;
        throw std::logic_error("this printing service draws its jobs' pages itself");
    }
    // The printer's own options beyond the standard settings; none by default.
    virtual TDriverOptions DriverOptions(const QString &printer)
    {
        (void)printer;
        return {};
    }
};

// Geometry from a paper entry at a resolution; shared by the services.
TDeviceGeometry geometryFor(const TPaperEntry &paper, const TDeviceSettings &settings, int dpiX, int dpiY);

} // namespace vellora
