// TQvPDF: a PDF 1.3 document written without any outside PDF library. It
// keeps every indirect object in one numbered list, hands out pages with a
// drawing surface and writes the whole file in one pass at EndDoc. Finished
// pages' content streams and image data wait in temporary files in
// WorkFolder, so a long document needs memory for about one page; the files
// are removed on every path. Single-threaded. Throws IoError / EWriteError
// for the output and the temporary files, vellora::Error for changes that are
// not allowed while printing.
#pragma once

#include "pdf/Content.h"
#include "pdf/DocumentObjects.h"
#include "pdf/Filters.h"
#include "pdf/PdfFont.h"
#include "pdf/PdfObject.h"
#include "pdf/PdfTypes.h"
#include "settings/Stream.h"

#include <QDateTime>
#include <QString>
#include <memory>

namespace vellora::pdf {

class TPDFIccProfile;

class TQvPDF {
public:
    TQvPDF();
    ~TQvPDF();
    TQvPDF(const TQvPDF &) = delete;
    TQvPDF &operator=(const TQvPDF &) = delete;

    // Opens (creates or truncates) the file and begins the first page. While a
    // document is open: returns the current page and does nothing else.
    TPDFPage *BeginDoc(const QString &FileName);
    // The same on the caller's stream, which EndDoc leaves open.
    TPDFPage *BeginDoc(TStream &Stream);
    // Finishes the current page and begins the next (none outside a document).
    TPDFPage *NewPage();
    // Writes the file; afterwards no document is open, whatever happened.
    void EndDoc();

    const QString &Author() const;
    void SetAuthor(const QString &v);
    bool BuryFonts() const noexcept { return FBuryFonts; }
    void SetBuryFonts(bool v);                 // not while printing
    const QDateTime &CreationDate() const noexcept { return FCreationDate; }
    void SetCreationDate(const QDateTime &v);
    const QString &Creator() const;
    void SetCreator(const QString &v);
    TPDFPage *CurrentPage() const noexcept { return FCurrentPage; }
    TPDFFilters &DefaultFilters() noexcept { return FDefaultFilters; }
    const TPDFFilters &DefaultFilters() const noexcept { return FDefaultFilters; }
    double DefaultPageHeight() const noexcept { return FDefaultPageHeight; }
    void SetDefaultPageHeight(double v) { FDefaultPageHeight = v < 3 ? 3 : v; }
    double DefaultPageWidth() const noexcept { return FDefaultPageWidth; }
    void SetDefaultPageWidth(double v) { FDefaultPageWidth = v < 3 ? 3 : v; }
    bool Destroying() const noexcept { return FDestroying; }
    TCanvasFont &Font() noexcept { return FFont; }
    void SetFont(const TCanvasFont &v) { FFont.Assign(v); }
    const QString &Keywords() const;
    void SetKeywords(const QString &v);
    double MarginBottom() const noexcept { return FMarginBottom; }
    void SetMarginBottom(double v) { FMarginBottom = v; }
    double MarginLeft() const noexcept { return FMarginLeft; }
    void SetMarginLeft(double v) { FMarginLeft = v; }
    const QDateTime &ModDate() const noexcept { return FModDate; }
    void SetModDate(const QDateTime &v);
    TPDFAddress *OpenAction();                 // the catalog's, made on first use; needs an open document
    TPDFOutlines *Outlines();                  // likewise
    // An ICC profile that says what the numbers of RGB images mean: while
    // set, RGB images use one shared /ICCBased colour space made of it
    // instead of /DeviceRGB. Empty (the default): /DeviceRGB.
    const QByteArray &RgbProfile() const noexcept { return FRgbProfile; }
    void SetRgbProfile(const QByteArray &icc);   // not while printing
    // The document's stream of RgbProfile(), made on first use; null when
    // there is no profile or no open document.
    TPDFIccProfile *RgbProfileObject();
    int PageCount() const noexcept { return FCurrentPageNumber; }
    TPDFPageLayout PageLayout() const;
    void SetPageLayout(TPDFPageLayout v);
    TPDFPageMode PageMode() const;
    void SetPageMode(TPDFPageMode v);
    const QString &PDFVersion() const noexcept { return FPDFVersion; }
    bool Printing() const noexcept { return FPrinting; }
    const QString &Subject() const;
    void SetSubject(const QString &v);
    const QString &Title() const;
    void SetTitle(const QString &v);
    TPDFTrapped Trapped() const;
    void SetTrapped(TPDFTrapped v);
    const QString &WorkFolder() const noexcept { return FWorkFolder; }
    void SetWorkFolder(const QString &v);      // not while printing

    TQvPDFObjects &Objects() noexcept { return FObjects; }
    const TPDFObjects &UseFonts() const noexcept { return FUseFonts; }
    TPDFCatalog *Root() const noexcept { return FRoot; }
    TPDFInfo *Info() const noexcept { return FInfo; }

    // The font object of the document for a canvas font: an existing one that
    // matches, or a new one.
    TPDFFont *FindOrMakeFont(TCanvasFont &font);

    // Bookkeeping called by the object list.
    void RegisterFont(TPDFFont *font);
    void UnregisterFont(TPDFFont *font);
    void ForgetObjects();

private:
    TPDFPage *startDocument();
    void writeFile(CountingSink &out);
    QString documentDigest() const;
    void checkNotPrinting() const;
    void releaseAll();

    QString FAuthor;
    bool FBuryFonts = false;
    QDateTime FCreationDate;
    QString FCreator;
    TPDFPage *FCurrentPage = nullptr;
    int FCurrentPageNumber = 0;
    TPDFFilters FDefaultFilters;
    double FDefaultPageHeight = 842;
    double FDefaultPageWidth = 595;
    bool FDestroying = false;
    TCanvasFont FFont;
    bool FFontChanging = false;
    TPDFInfo *FInfo = nullptr;
    QString FKeywords;
    double FMarginBottom = 0;
    double FMarginLeft = 0;
    QDateTime FModDate;
    bool FNeedCloseStream = false;
    TQvPDFObjects FObjects{this};
    std::unique_ptr<TFileStream> FOwnedOutput;
    TStream *FOutput = nullptr;
    TPDFPageLayout FPageLayout = TPDFPageLayout::pplSinglePage;
    TPDFPageMode FPageMode = TPDFPageMode::ppmUseNone;
    QString FPDFVersion = QStringLiteral("1.3");
    bool FPrinting = false;
    TPDFCatalog *FRoot = nullptr;
    QByteArray FRgbProfile;
    TPDFIccProfile *FRgbProfileObject = nullptr;
    QString FSubject;
    QString FTitle;
    TPDFTrapped FTrapped = TPDFTrapped::ptrFalse;
    TPDFObjects FUseFonts;
    QString FWorkFolder;
};

} // namespace vellora::pdf
