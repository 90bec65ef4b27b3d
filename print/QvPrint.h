// The printer abstraction as the document model sees it: the selected
// printer's paper in millimetres, its unprintable margins, the paper list and
// the settings that take effect on ApplySettings. The model reaches the one
// program-wide instance through QvPrint(); a CUPS-backed implementation serves
// the real program and an in-memory one (TMemoryPrint) serves tests.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

namespace vellora {

enum class TQvOrientation : std::uint8_t { qotPortrait, qotLandscape };

// The paper size number of a user-defined size.
inline constexpr int kUserPaperSizeNumber = 256;

class TQvPrint {
public:
    virtual ~TQvPrint() = default;

    virtual QStringList PrinterNames() const = 0;
    virtual void SetPrinterIndex(int index) = 0;
    virtual QString CurrentPrinterName() const = 0;

    // Effective (applied) paper, in the current orientation.
    virtual QString CurrentPaperName() const = 0;
    virtual TQvOrientation Orientation() const = 0;
    virtual double MMPaperWidth() const = 0;
    virtual double MMPaperHeight() const = 0;
    virtual double MMLeftMargin() const = 0;
    virtual double MMTopMargin() const = 0;
    virtual double MMRightMargin() const = 0;
    virtual double MMBottomMargin() const = 0;

    // Paper list of the selected printer.
    virtual int PaperSizeNumber() const = 0;
    virtual void SetPaperSizeNumber(int number) = 0;
    virtual int PaperSizeCount() const = 0;
    virtual int PaperSizeNumbers(int index) const = 0;
    // Names of the paper list, in list order (empty without a printer or names).
    virtual QStringList PaperSizeNames() const = 0;
    // List position of the working paper; -1 when it is not listed.
    virtual int PaperSizeIndex() const = 0;
    virtual void SetPaperSizeIndex(int index) = 0;
    virtual void SetMMUserPaperSize(double widthMM, double heightMM) = 0;
    virtual bool HasPaperSizeNumber(int number) const = 0;
    virtual bool HasOrientation() const = 0;
    virtual bool HasPaperNames() const = 0;
    // Asks for an orientation; returns whether the printer accepted it.
    virtual bool TrySetOrientation(TQvOrientation orientation) = 0;

    // Makes the written settings take effect.
    virtual void ApplySettings() = 0;
};

// The program-wide printer abstraction. Until one is installed this is an
// in-memory printing service without printers (A4 portrait, no margins).
TQvPrint &QvPrint();
// Installs the program-wide instance; returns the previous one.
std::unique_ptr<TQvPrint> SetQvPrint(std::unique_ptr<TQvPrint> print);

} // namespace vellora
