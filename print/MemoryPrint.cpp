#include "print/MemoryPrint.h"

#include <utility>

namespace vellora {

namespace {
// A4 in millimetres: the paper of a machine without printers.
constexpr double kA4Width = 210.0;
constexpr double kA4Height = 297.0;
} // namespace

TMemoryPrint::TMemoryPrint(std::vector<TMemoryPrinter> printers) : FPrinters(std::move(printers))
{
    if (!FPrinters.empty())
        SetPrinterIndex(0);
}

TMemoryPrinter TMemoryPrint::StandardPrinter(const QString &name)
{
    TMemoryPrinter p;
    p.name = name;
    p.papers = {
        {QStringLiteral("A4"), 9, 210, 297},
        {QStringLiteral("A5"), 11, 148, 210},
        {QStringLiteral("B5 (JIS)"), 13, 182, 257},
        {QStringLiteral("Letter"), 1, 215.9, 279.4},
        {QStringLiteral("はがき"), 43, 100, 148},
        {QStringLiteral("L判"), 300, 89, 127},
    };
    p.defaultPaperNumber = 9;
    return p;
}

const TMemoryPrinter *TMemoryPrint::printer() const
{
    if (FPrinterIndex < 0 || FPrinterIndex >= static_cast<int>(FPrinters.size()))
        return nullptr;
    return &FPrinters[static_cast<size_t>(FPrinterIndex)];
}

const TMemoryPaper *TMemoryPrint::paper(int number) const
{
    if (const TMemoryPrinter *p = printer()) {
        for (const auto &paper : p->papers) {
            if (paper.number == number)
                return &paper;
        }
    }
    return nullptr;
}

QStringList TMemoryPrint::PrinterNames() const
{
    QStringList names;
    for (const auto &p : FPrinters)
        names << p.name;
    return names;
}

void TMemoryPrint::SetPrinterIndex(int index)
{
    if (index < 0 || index >= static_cast<int>(FPrinters.size()))
        return;
    FPrinterIndex = index;
    FPending = Settings{};
    FPending.paperNumber = FPrinters[static_cast<size_t>(index)].defaultPaperNumber;
    FApplied = FPending;
}

QString TMemoryPrint::CurrentPrinterName() const
{
    const TMemoryPrinter *p = printer();
    return p ? p->name : QString();
}

QString TMemoryPrint::CurrentPaperName() const
{
    if (!printer())
        return QStringLiteral("A4");
    if (FApplied.paperNumber == kUserPaperSizeNumber)
        return QStringLiteral("ユーザー定義サイズ");
    const TMemoryPaper *p = paper(FApplied.paperNumber);
    return p ? p->name : QString();
}

double TMemoryPrint::MMPaperWidth() const
{
    double w = kA4Width, h = kA4Height;
    if (printer()) {
        if (FApplied.paperNumber == kUserPaperSizeNumber) {
            w = FApplied.userWidthMM;
            h = FApplied.userHeightMM;
        } else if (const TMemoryPaper *p = paper(FApplied.paperNumber)) {
            w = p->widthMM;
            h = p->heightMM;
        }
    }
    return FApplied.orientation == TQvOrientation::qotLandscape ? h : w;
}

double TMemoryPrint::MMPaperHeight() const
{
    double w = kA4Width, h = kA4Height;
    if (printer()) {
        if (FApplied.paperNumber == kUserPaperSizeNumber) {
            w = FApplied.userWidthMM;
            h = FApplied.userHeightMM;
        } else if (const TMemoryPaper *p = paper(FApplied.paperNumber)) {
            w = p->widthMM;
            h = p->heightMM;
        }
    }
    return FApplied.orientation == TQvOrientation::qotLandscape ? w : h;
}

double TMemoryPrint::margin(int side) const
{
    const TMemoryPrinter *p = printer();
    if (!p)
        return 0;
    // Landscape turns the sheet a quarter to the left: the portrait top margin
    // becomes the left one, and so on round the sheet.
    if (FApplied.orientation == TQvOrientation::qotLandscape)
        side = (side + 1) % 4;
    return p->margins[side];
}

int TMemoryPrint::PaperSizeCount() const
{
    const TMemoryPrinter *p = printer();
    return p ? static_cast<int>(p->papers.size()) : 0;
}

int TMemoryPrint::PaperSizeNumbers(int index) const
{
    const TMemoryPrinter *p = printer();
    if (!p || index < 0 || index >= static_cast<int>(p->papers.size()))
        return 0;
    return p->papers[static_cast<size_t>(index)].number;
}

QStringList TMemoryPrint::PaperSizeNames() const
{
    QStringList names;
    if (const TMemoryPrinter *p = printer(); p && p->hasPaperNames) {
        for (const auto &paper : p->papers)
            names << paper.name;
    }
    return names;
}

int TMemoryPrint::PaperSizeIndex() const
{
    const TMemoryPrinter *p = printer();
    if (!p || !p->hasPaperNames)
        return -1;
    for (size_t i = 0; i < p->papers.size(); ++i) {
        if (p->papers[i].number == FPending.paperNumber)
            return static_cast<int>(i);
    }
    return -1;
}

void TMemoryPrint::SetPaperSizeIndex(int index)
{
    const int number = PaperSizeNumbers(index);
    if (number != 0)
        FPending.paperNumber = number;
}

void TMemoryPrint::SetMMUserPaperSize(double widthMM, double heightMM)
{
    FPending.paperNumber = kUserPaperSizeNumber;
    FPending.userWidthMM = widthMM;
    FPending.userHeightMM = heightMM;
}

bool TMemoryPrint::HasPaperSizeNumber(int number) const
{
    if (number == kUserPaperSizeNumber) {
        const TMemoryPrinter *p = printer();
        return p && p->userSize;
    }
    return paper(number) != nullptr;
}

bool TMemoryPrint::HasOrientation() const
{
    const TMemoryPrinter *p = printer();
    return p && p->hasOrientation;
}

bool TMemoryPrint::HasPaperNames() const
{
    const TMemoryPrinter *p = printer();
    return p && p->hasPaperNames;
}

bool TMemoryPrint::TrySetOrientation(TQvOrientation orientation)
{
    if (!HasOrientation() && orientation != TQvOrientation::qotPortrait)
        return false;
    FPending.orientation = orientation;
    return true;
}

} // namespace vellora
