// The structural objects of a PDF document: catalog, page tree, pages with
// their boxes and resources, outlines, the information dictionary and
// destinations (TPDFAddress). Lengths are points. Owned by the document's
// TQvPDFObjects; references between them are plain pointers into that list.
#pragma once

#include "pdf/Content.h"
#include "pdf/PdfObject.h"
#include "pdf/PdfTypes.h"

#include <QString>
#include <memory>
#include <vector>

namespace vellora::pdf {

class TPDFFont;
class TPDFPage;
class TPDFXImage;

// A destination: a page and how to fit it into the window.
class TPDFAddress {
public:
    double FBottom = 0;
    double FLeft = 0;
    TPDFPageFit FFit = TPDFPageFit::ppfFit;
    TPDFPage *FPage = nullptr;
    double FRight = 595;
    double FTop = 842;
    std::uint16_t FZoom = 100;

    // "[5 0 R /Fit]".
    QString Text() const;
};

// The page's resources: its fonts (the list itself), images and procedure sets.
class TPDFResource : public TPDFObjects {
public:
    TPDFResource() { FProcSet.include(TPDFProcSet::ppsPDF); }
    // Appends the image and names it "/Im" + its position on this page.
    void AddImage(TPDFXImage *AImage);
    void AddResource(TPDFProcSet AResource) { FProcSet.include(AResource); }
    TPDFFont *FindFont(const TCanvasFont &AFont) const;
    const std::vector<TPDFXImage *> &Images() const noexcept { return FImages; }
    TPDFProcSets ProcSet() const noexcept { return FProcSet; }
    // The resource dictionary, over several lines, ending with ">>".
    QString Text() const;

private:
    std::vector<TPDFXImage *> FImages;
    TPDFProcSets FProcSet;
};

class TPDFPages : public TPDFObject {
public:
    TPDFPages(TQvPDFObjects *AOwner, TPDFPages *AParent);
    void AddLeaf(TPDFObject *AKid) { FRefs.Add(AKid); }
    TPDFPages *Parent() const noexcept { return FParent; }
    const TPDFObjects &Kids() const noexcept { return FRefs; }
    void WriteBody(Sink &out) override;

private:
    TPDFPages *FParent;
};

class TPDFPage : public TPDFObject {
public:
    TPDFPage(TQvPDFObjects *AOwner, TPDFPages *AParent, int APageNumber);
    ~TPDFPage() override;

    const TPDFRect &BleedBox() const noexcept { return FBleedBox; }
    void SetBleedBox(const TPDFRect &r) { FBleedBox = r; }
    const TPDFRect &CropBox() const noexcept { return FCropBox; }
    void SetCropBox(const TPDFRect &r);    // bleed and trim boxes equal to the old crop box follow
    const TPDFRect &MediaBox() const noexcept { return FMediaBox; }
    void SetMediaBox(const TPDFRect &r);   // a crop box equal to the old media box follows
    const TPDFRect &TrimBox() const noexcept { return FTrimBox; }
    void SetTrimBox(const TPDFRect &r) { FTrimBox = r; }
    double PageWidth() const noexcept { return FMediaBox.Width(); }
    void SetPageWidth(double v);           // at least 3
    double PageHeight() const noexcept { return FMediaBox.Height(); }
    void SetPageHeight(double v);          // at least 3
    double MarginLeft() const noexcept { return FMarginLeft; }
    void SetMarginLeft(double v);
    double MarginBottom() const noexcept { return FMarginBottom; }
    void SetMarginBottom(double v);
    int PageNumber() const noexcept { return FPageNumber; }
    TPDFPages *Parent() const noexcept { return FParent; }
    TPDFRotate Rotate() const noexcept { return FRotate; }
    void SetRotate(TPDFRotate v) { FRotate = v; }
    TPDFContent *Canvas() const noexcept { return FCanvas; }
    TPDFResource &Resources() noexcept { return *FResources; }
    const QString &TempFileName() const noexcept { return FTempFileName; }
    const TPDFDateTime &LastModified() const noexcept { return FLastModified; }

    // The canvas's drawing state.
    TColor BrushColor() const { return FCanvas->BrushColor(); }
    void SetBrushColor(TColor v) { FCanvas->SetBrushColor(v); }
    TPDFBrushStyle BrushStyle() const { return FCanvas->BrushStyle(); }
    void SetBrushStyle(TPDFBrushStyle v) { FCanvas->SetBrushStyle(v); }
    double CharSpace() const { return FCanvas->CharSpace(); }
    void SetCharSpace(double v) { FCanvas->SetCharSpace(v); }
    TPDFCustomPen &CustomPenStyle() { return FCanvas->CustomPenStyle(); }
    TCanvasFont &Font() { return FCanvas->Font(); }
    TPDFLineCap LineCap() const { return FCanvas->LineCap(); }
    void SetLineCap(TPDFLineCap v) { FCanvas->SetLineCap(v); }
    TPDFLineJoinStyle LineJoinStyle() const { return FCanvas->LineJoinStyle(); }
    void SetLineJoinStyle(TPDFLineJoinStyle v) { FCanvas->SetLineJoinStyle(v); }
    double MiterLimit() const { return FCanvas->MiterLimit(); }
    void SetMiterLimit(double v) { FCanvas->SetMiterLimit(v); }
    TColor PenColor() const { return FCanvas->PenColor(); }
    void SetPenColor(TColor v) { FCanvas->SetPenColor(v); }
    TPDFPenStyle PenStyle() const { return FCanvas->PenStyle(); }
    void SetPenStyle(TPDFPenStyle v) { FCanvas->SetPenStyle(v); }
    double PenWidth() const { return FCanvas->PenWidth(); }
    void SetPenWidth(double v) { FCanvas->SetPenWidth(v); }
    double RowSpace() const { return FCanvas->RowSpace(); }
    void SetRowSpace(double v) { FCanvas->SetRowSpace(v); }
    double WordSpace() const { return FCanvas->WordSpace(); }
    void SetWordSpace(double v) { FCanvas->SetWordSpace(v); }

    // Moves the finished page's content stream and image data to temporary
    // files in folder (which ends with a separator).
    void SaveToTempFiles(const QString &folder);
    void WriteBody(Sink &out) override;
    void ReleaseData() override;

private:
    TPDFRect FBleedBox;
    TPDFContent *FCanvas = nullptr;
    int FContents = -1;
    TPDFRect FCropBox;
    TPDFDateTime FLastModified;
    double FMarginBottom = 0;
    double FMarginLeft = 0;
    TPDFRect FMediaBox{0, 0, 595, 842};
    int FPageNumber;
    TPDFPages *FParent;
    std::unique_ptr<TPDFResource> FResources;
    TPDFRotate FRotate = TPDFRotate::proAngle0;
    QString FTempFileName;
    QString FTempPath;          // folder + FTempFileName once saved
    TPDFRect FTrimBox;
};

class TPDFOutlines;

class TPDFOutline : public TPDFObject {
public:
    explicit TPDFOutline(TQvPDFObjects *AOwner) : TPDFObject(AOwner) {}
    TPDFAddress &Dest() noexcept { return *FDest; }
    TPDFOutline *First() const;
    TPDFOutline *Last() const;
    TPDFOutline *Next() const noexcept { return FNext; }
    TPDFOutline *Prev() const noexcept { return FPrev; }
    TPDFObject *Parent() const noexcept { return FParent; }
    const QString &Title() const noexcept { return FTitle; }
    void SetTitle(const QString &t) { FTitle = t; }
    int ChildCount() const { return FRefs.Count(); }
    void WriteBody(Sink &out) override;

private:
    std::unique_ptr<TPDFAddress> FDest = std::make_unique<TPDFAddress>();
    TPDFOutline *FNext = nullptr;
    TPDFObject *FParent = nullptr;
    TPDFOutline *FPrev = nullptr;
    QString FTitle;

    friend class TPDFOutlines;
};

class TPDFOutlines : public TPDFObject {
public:
    explicit TPDFOutlines(TQvPDFObjects *AOwner);
    // Appends an item pointing at APage under Parent (top level when none);
    // an empty title becomes "<n> ページ".
    TPDFOutline *AddPage(TPDFPage *APage, TPDFOutline *Parent = nullptr, const QString &ATitle = QString());
    TPDFOutline *AddSibling(TPDFPage *APage, TPDFOutline *Sibling, const QString &ATitle = QString());
    int IndexOfChild(const TPDFOutline *item) const { return FChild.IndexOf(item); }
    const TPDFObjects &Children() const noexcept { return FChild; }
    // Unlinks the item and removes it and its children from the document.
    void Remove(TPDFOutline *item);
    void WriteBody(Sink &out) override;

private:
    TPDFObjects FChild;
};

class TPDFInfo : public TPDFObject {
public:
    explicit TPDFInfo(TQvPDFObjects *AOwner);
    QString FAuthor;
    TPDFDateTime FCreationDate;
    QString FCreator;
    QString FKeywords;
    TPDFDateTime FModDate;
    QString FProducer = QStringLiteral("TQvPDF ver.1.6.1");
    QString FSubject;
    TPDFTrapped FTrapped = TPDFTrapped::ptrFalse;
    QString FTitle;
    void WriteBody(Sink &out) override;
};

class TPDFCatalog : public TPDFObject {
public:
    explicit TPDFCatalog(TQvPDFObjects *AOwner);
    ~TPDFCatalog() override;
    TPDFPages *Pages() const;
    TPDFOutlines *Outlines();               // made on first use
    bool HasOutlines() const noexcept { return FOutlines >= 0; }
    TPDFAddress *OpenAction();              // made on first use
    TPDFPageLayout FPageLayout = TPDFPageLayout::pplSinglePage;
    TPDFPageMode FPageMode = TPDFPageMode::ppmUseNone;
    QString FVersion = QStringLiteral("TQvPDF ver.1.6.1");
    void WriteBody(Sink &out) override;

private:
    std::unique_ptr<TPDFAddress> FOpenAction;
    int FOutlines = -1;
    int FPages = -1;
};

} // namespace vellora::pdf
