#include "model/PaperPrinter.h"

#include "model/PhotoPaper.h"
#include "print/QvPrint.h"

#include <stdexcept>

namespace vellora {

TPaperPrinter &PaperPrinter()
{
    static TPaperPrinter binding;
    return binding;
}

void TPaperPrinter::AdjustPaper()
{
    if (!FPaper)
        throw std::logic_error("TPaperPrinter: no paper bound");
    TQvPrint &print = QvPrint();
    FPaper->SetPrinterName(print.CurrentPrinterName());
    FPaper->SetPaperSizeName(print.CurrentPaperName());
    FPaper->SetOrientation(print.Orientation());
    FPaper->SetPaperSize(FloatSize(print.MMPaperWidth(), print.MMPaperHeight()));
    FPaper->SetPaperSizeNumber(print.PaperSizeNumber());
}

void TPaperPrinter::AdjustPrinter()
{
    if (!FPaper)
        throw std::logic_error("TPaperPrinter: no paper bound");
    TQvPrint &print = QvPrint();
    const int printerIndex = static_cast<int>(print.PrinterNames().indexOf(FPaper->PrinterName()));
    if (printerIndex >= 0) {
        print.SetPrinterIndex(printerIndex);
        print.ApplySettings();
    }
    if (!print.HasPaperSizeNumber(FPaper->PaperSizeNumber())) {
        fallback();
        return;
    }
    print.SetPaperSizeNumber(FPaper->PaperSizeNumber());
    print.ApplySettings();
    if (!print.TrySetOrientation(FPaper->Orientation()))
        fallback();
    if (FPaper->PaperSizeNumber() == kUserPaperSizeNumber)
        print.SetMMUserPaperSize(static_cast<double>(FPaper->PaperWidth()), static_cast<double>(FPaper->PaperHeight()));
    print.ApplySettings();
}

void TPaperPrinter::fallback()
{
    TQvPrint &print = QvPrint();
    double w = static_cast<double>(FPaper->PaperWidth());
    double h = static_cast<double>(FPaper->PaperHeight());
    if (print.HasOrientation()) {
        print.TrySetOrientation(FPaper->Orientation());
    } else if (FPaper->Orientation() == TQvOrientation::qotLandscape) {
        std::swap(w, h);
        FPaper->StoreOrientation(TQvOrientation::qotPortrait);
    }
    if (print.HasPaperSizeNumber(kUserPaperSizeNumber)) {
        print.SetMMUserPaperSize(w, h);
    } else if (print.HasPaperNames()) {
        int best = 0;
        double bestW = 99999, bestH = 99999;
        for (int i = 0; i < print.PaperSizeCount(); ++i) {
            print.SetPaperSizeNumber(print.PaperSizeNumbers(i));
            print.ApplySettings();
            const double pw = print.MMPaperWidth();
            const double ph = print.MMPaperHeight();
            if (w <= pw && h <= ph && pw <= bestW && ph <= bestH) {
                best = i;
                bestW = pw;
                bestH = ph;
            }
        }
        print.SetPaperSizeIndex(best);
    } else {
        return;
    }
    print.ApplySettings();
}

} // namespace vellora
