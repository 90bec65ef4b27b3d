// Binds the paper to the printer abstraction: copies the printer's paper into
// the document (AdjustPaper) and the document's paper into the printer
// (AdjustPrinter), with a search for a paper that holds the sheet when the
// printer does not know the document's paper. One program-wide instance,
// bound to whichever paper asks just before it is used.
#pragma once

namespace vellora {

class TPhotoPaper;

class TPaperPrinter {
public:
    explicit TPaperPrinter(TPhotoPaper *paper = nullptr) : FPaper(paper) {}

    TPhotoPaper *Paper() const noexcept { return FPaper; }
    void SetPaper(TPhotoPaper *paper) noexcept { FPaper = paper; }

    void AdjustPaper();
    void AdjustPrinter();

private:
    void fallback();

    TPhotoPaper *FPaper = nullptr;
};

// The program-wide binding.
TPaperPrinter &PaperPrinter();

} // namespace vellora
