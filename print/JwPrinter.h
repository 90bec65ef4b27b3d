// The installed printers and the selected printer's device settings. Changes
// go to a working copy of the settings and reach the printer only on
// ApplySettings; DiscardModification drops them. Every settings, list and
// geometry query checks that a visible printer exists and that the printer
// has the capability, and throws the EJwPrinter classes below otherwise.
// One program-wide instance (see DevicePrint.h); UI thread only.
#pragma once

#include "print/PrinterService.h"
#include "settings/Errors.h"

#include <functional>
#include <memory>
#include <optional>

namespace vellora {

class EJwPrinter : public Error {
public:
    using Error::Error;
};
#define VELLORA_JW_ERROR(Name)           \
    class Name : public EJwPrinter {     \
    public:                              \
        using EJwPrinter::EJwPrinter;    \
    };
VELLORA_JW_ERROR(EJWPrinterRangeError)
VELLORA_JW_ERROR(EJWPrinterPaperSizeError)
VELLORA_JW_ERROR(EJwPrinterBinError)
VELLORA_JW_ERROR(EJwPrinterNoPrinter)
// No printer because the printing system does not answer (not "none installed").
class EJwPrinterServerDown : public EJwPrinterNoPrinter {
public:
    using EJwPrinterNoPrinter::EJwPrinterNoPrinter;
};
VELLORA_JW_ERROR(EJwPrinterNotSupported)
VELLORA_JW_ERROR(EJwPrinterNoInfo)
VELLORA_JW_ERROR(EJwPrinterIllegalIndex)
VELLORA_JW_ERROR(EJwPrinterNoUserPaperExtent)
#undef VELLORA_JW_ERROR

enum class TJwPaperOrientation : std::uint8_t { jwOrPortrait, jwOrLandScape };
enum class TJwDuplex : std::uint8_t { jwDupSimplex, jwDupHorizontal, jwDupVertical };

class TJwPrinter {
public:
    explicit TJwPrinter(std::unique_ptr<TPrinterService> service);
    ~TJwPrinter();
    TJwPrinter(const TJwPrinter &) = delete;
    TJwPrinter &operator=(const TJwPrinter &) = delete;

    TPrinterService &Service() noexcept { return *FService; }

    // Printers and ports.
    int Index();
    void SetIndex(int index);
    QStringList PrinterNames();
    QString DefaultPrinterName();   // empty when no visible printer is the default
    // The listed state of a visible printer by name; null when it is not listed.
    const TPrinterEntry *Entry(const QString &name) const;
    // Whether the printing system answered when the printers were last read.
    bool ServerReachable() const { return FReachable; }
    QStringList PortNames();
    QString Port();
    void SetPort(const QString &port);

    TJwPrintCaps PrintCaps();
    TJwAvailInfos AvailInfos();
    bool Modified() const noexcept { return FModified; }

    TJwPaperOrientation Orientation();
    void SetOrientation(TJwPaperOrientation value);

    int PaperSizeNumber();
    void SetPaperSizeNumber(int number);
    QStringList PaperSizeNames();
    int NumPaperSizes();
    int PaperSizeNumbers(int index);
    int PaperSizeIndex();
    void SetPaperSizeIndex(int index);
    bool HasPaperSizeNumber(int number);
    TSize UserPaperExtent();                 // tenths of a millimetre
    void SetUserPaperExtent(TSize extent);
    std::vector<TPaperEntry> Papers();       // the paper list with sizes and margins

    int BinNumber();
    void SetBinNumber(int number);
    QStringList BinNames();
    std::vector<TBinEntry> Bins();           // the bin list with the system's names
    int NumBins();
    int BinIndex();
    void SetBinIndex(int index);
    bool HasBinNumber(int number);

    TSize Quality();                         // (print quality, Y resolution)
    void SetQuality(TSize quality);
    int NumQualities();
    std::vector<TResolution> Resolutions();

    int MaxCopies();
    int Copies();
    void SetCopies(int copies);
    bool Collate();
    void SetCollate(bool value);
    bool Color();
    void SetColor(bool value);
    TJwDuplex Duplex();
    void SetDuplex(TJwDuplex value);
    int Scale();
    void SetScale(int percent);

    // The printer's own options and their values in the working copy.
    TDriverOptions DriverOptions();
    TDriverValues DriverValues();
    // DriverValues with the choices the paper and the tray make ("PageSize",
    // "InputSlot"), for checking the constraints.
    TDriverValues ConstraintValues();
    // The same with another paper and tray (numbers; -1 keeps the current).
    TDriverValues ConstraintValuesWith(int paperNumber, int binNumber);
    // Sets one option's value; a read-only or unknown option, or an unknown
    // choice, throws EJwPrinterNotSupported. An empty choice of an option
    // without a default takes the choice back: the printer decides.
    void SetDriverValue(const QString &keyword, const QString &choice);
    // Back to the queue's saved defaults.
    void ResetDriverValues();

    // Geometry of the device under its applied settings.
    int ColorBitCount();
    TSize DPI();
    TSize PageExtent();
    TSize MMPageExtent();                    // tenths of a millimetre
    TSize PaperExtent();
    TSize MMPaperExtent();                   // tenths of a millimetre
    TSize Offset();

    void ApplySettings();
    void DiscardModification();
    void ForceUpdate();

    // The applied settings of the selected printer (what a job gets).
    TDeviceSettings DeviceSettings();

    // Print jobs on the selected printer with its applied settings.
    void BeginDoc(const QString &title);
    void NewPage();
    void EndDoc();
    void Abort();
    bool Printing() const noexcept { return FJob != nullptr; }
    QPainter *Canvas();                      // null unless a job is open
    // A finished PDF document as one job, where the service takes them
    // (TPrinterService::TakesPdf); not while a job is open.
    bool TakesPdf() const { return FService->TakesPdf(); }
    void PrintPdf(const QString &title, QIODevice &pdf);

    // Compares the system's printers with the snapshot taken before; on a
    // change takes the new list, forgets the working copy and fires
    // OnSystemChanged. The program calls it from a timer.
    void CheckSystemChanged();
    std::function<void()> OnSystemChanged;

private:
    void checkNoPrinter();
    void checkSupported(TJwPrintCap cap, const char *message);
    void checkAvail(TJwAvailInfo info, const char *message);
    int devicePosition();                    // position in FAllInfo, -1 when none
    const TPrinterEntry &device();
    TDeviceSettings &deviceSettings();
    TDeviceSettings &settings();             // the working copy, made on first use
    void updateLists();
    void modify() { FModified = true; }

    std::unique_ptr<TPrinterService> FService;
    std::vector<TPrinterEntry> FAllInfo;
    bool FReachable = true;
    QStringList FPorts;
    int FDevice = -1;                        // position in FAllInfo; -1 = the default printer
    std::optional<TDeviceSettings> FDeviceSettings;
    int FIndex = -1;                         // device position the lists belong to
    TDeviceLists FLists;
    std::optional<TDeviceSettings> FWorking;
    bool FModified = false;
    std::unique_ptr<TPrinterJob> FJob;
};

} // namespace vellora
