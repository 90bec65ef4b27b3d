// An in-memory printing service: fake printers with configurable paper lists,
// margins, orientation capability and user-defined sizes. Used by tests, and
// as the service of last resort when no printer is installed.
#pragma once

#include "print/QvPrint.h"

#include <vector>

namespace vellora {

struct TMemoryPaper {
    QString name;
    int number = 0;
    double widthMM = 0;    // portrait width
    double heightMM = 0;   // portrait height
};

struct TMemoryPrinter {
    QString name;
    std::vector<TMemoryPaper> papers;
    // Unprintable margins in portrait: left, top, right, bottom (mm).
    double margins[4] = {0, 0, 0, 0};
    bool hasOrientation = true;
    bool hasPaperNames = true;
    bool userSize = false;       // accepts user-defined sizes (paper number 256)
    int defaultPaperNumber = 9;
};

class TMemoryPrint : public TQvPrint {
public:
    TMemoryPrint() = default;
    explicit TMemoryPrint(std::vector<TMemoryPrinter> printers);

    // A ready-made printer with the usual papers (A4, A5, B5, Letter, postcard, L).
    static TMemoryPrinter StandardPrinter(const QString &name);

    QStringList PrinterNames() const override;
    void SetPrinterIndex(int index) override;
    QString CurrentPrinterName() const override;

    QString CurrentPaperName() const override;
    TQvOrientation Orientation() const override { return FApplied.orientation; }
    double MMPaperWidth() const override;
    double MMPaperHeight() const override;
    double MMLeftMargin() const override { return margin(0); }
    double MMTopMargin() const override { return margin(1); }
    double MMRightMargin() const override { return margin(2); }
    double MMBottomMargin() const override { return margin(3); }

    int PaperSizeNumber() const override { return FPending.paperNumber; }
    void SetPaperSizeNumber(int number) override { FPending.paperNumber = number; }
    int PaperSizeCount() const override;
    int PaperSizeNumbers(int index) const override;
    QStringList PaperSizeNames() const override;
    int PaperSizeIndex() const override;
    void SetPaperSizeIndex(int index) override;
    void SetMMUserPaperSize(double widthMM, double heightMM) override;
    bool HasPaperSizeNumber(int number) const override;
    bool HasOrientation() const override;
    bool HasPaperNames() const override;
    bool TrySetOrientation(TQvOrientation orientation) override;

    void ApplySettings() override { FApplied = FPending; }

    int selectedPrinter() const noexcept { return FPrinterIndex; }

private:
    struct Settings {
        int paperNumber = 9;
        TQvOrientation orientation = TQvOrientation::qotPortrait;
        double userWidthMM = 0;
        double userHeightMM = 0;
    };
    const TMemoryPrinter *printer() const;
    const TMemoryPaper *paper(int number) const;
    double margin(int side) const;

    std::vector<TMemoryPrinter> FPrinters;
    int FPrinterIndex = -1;
    Settings FPending;
    Settings FApplied;
};

} // namespace vellora
