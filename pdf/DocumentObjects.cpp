#include "pdf/DocumentObjects.h"

#include <algorithm>

#include "pdf/PdfFont.h"
#include "pdf/PdfText.h"
#include "pdf/QvPDF.h"
#include "pdf/XImage.h"

#include <QDateTime>
#include <QFile>

namespace vellora::pdf {

static void writeLine(Sink &out, const char *text)
{
    WriteLine(out, std::string_view(text));
}

// --- TPDFAddress

QString TPDFAddress::Text() const
{
    auto n0 = [](double v) { return QString::fromLatin1(formatFixed(v, 0)); };
    QString fit;
    switch (FFit) {
    case TPDFPageFit::ppfXYZ: fit = QStringLiteral("/XYZ ") + n0(FLeft) + QLatin1Char(' ') + n0(FTop) + QLatin1Char(' ') + QString::number(FZoom); break;
    case TPDFPageFit::ppfFit: fit = QStringLiteral("/Fit"); break;
    case TPDFPageFit::ppfFitH: fit = QStringLiteral("/FitH ") + n0(FTop); break;
    case TPDFPageFit::ppfFitV: fit = QStringLiteral("/FitV ") + n0(FLeft); break;
    case TPDFPageFit::ppfFitR:
        fit = QStringLiteral("/FitR ") + n0(FLeft) + QLatin1Char(' ') + n0(FBottom) + QLatin1Char(' ') + n0(FRight)
            + QLatin1Char(' ') + n0(FTop);
        break;
    case TPDFPageFit::ppfFitB: fit = QStringLiteral("/FitB"); break;
    case TPDFPageFit::ppfFitBH: fit = QStringLiteral("/FitBH ") + n0(FTop); break;
    case TPDFPageFit::ppfFitBV: fit = QStringLiteral("/FitBV ") + n0(FLeft); break;
    }
    const QString page = FPage ? FPage->ReferenceString() : QStringLiteral("null");
    return QLatin1Char('[') + page + QLatin1Char(' ') + fit + QLatin1Char(']');
}

// --- TPDFResource

void TPDFResource::AddImage(TPDFXImage *AImage)
{
    if (std::find(FImages.begin(), FImages.end(), AImage) != FImages.end())
        return;
    FImages.push_back(AImage);
    // An image shared by several pages comes named by its owner, in a
    // namespace of its own, so that it keeps one name on every page.
    if (AImage->Name().isEmpty() || AImage->Name().startsWith(QStringLiteral("/Im")))
        AImage->SetName(QStringLiteral("/Im%1").arg(FImages.size()));
    FProcSet.include(TPDFProcSet::ppsImageC);
}

TPDFFont *TPDFResource::FindFont(const TCanvasFont &AFont) const
{
    for (int i = 0; i < Count(); ++i)
        if (auto *font = dynamic_cast<TPDFFont *>(Items(i)); font && font->Matches(AFont))
            return font;
    return nullptr;
}

QString TPDFResource::Text() const
{
    QString names;
    for (int i = 0; i <= static_cast<int>(TPDFProcSet::ppsImageI); ++i) {
        const auto set = static_cast<TPDFProcSet>(i);
        if (!FProcSet.contains(set))
            continue;
        if (!names.isEmpty())
            names += QLatin1Char(' ');
        names += QLatin1String(ProcSetName(set));
    }
    QString text = QStringLiteral("<< /ProcSet [") + names + QStringLiteral("]\r\n");
    if (Count() > 0) {
        text += QStringLiteral("/Font << ");
        for (int i = 0; i < Count(); ++i) {
            const auto *font = static_cast<const TPDFFont *>(Items(i));
            text += font->Name() + QLatin1Char(' ') + font->ReferenceString() + QStringLiteral("\r\n");
        }
        text += QStringLiteral(">>\r\n");
    }
    if (!FImages.empty()) {
        text += QStringLiteral("/XObject << ");
        for (const TPDFXImage *image : FImages)
            text += image->Name() + QLatin1Char(' ') + image->ReferenceString() + QStringLiteral("\r\n");
        text += QStringLiteral(">>\r\n");
    }
    return text + QStringLiteral(">>");
}

// --- TPDFPages

TPDFPages::TPDFPages(TQvPDFObjects *AOwner, TPDFPages *AParent) : TPDFObject(AOwner), FParent(AParent)
{
    FObjectType = QStringLiteral("/Pages");
}

void TPDFPages::WriteBody(Sink &out)
{
    writeLine(out, "<<");
    WriteLine(out, QStringLiteral("/Type ") + FObjectType);
    if (FParent)
        WriteLine(out, QStringLiteral("/Parent ") + FParent->ReferenceString());
    WriteLine(out, QStringLiteral("/Kids ") + FRefs.ObjectArrayString());
    int pages = 0;
    for (int i = 0; i < FRefs.Count(); ++i)
        if (dynamic_cast<TPDFPage *>(FRefs[i]))
            ++pages;
    WriteLine(out, "/Count " + formatInt(pages));
    writeLine(out, ">>");
}

// --- TPDFPage

static QString tempFileNameFor(int pageNumber)
{
    QString digits = QStringLiteral("%1").arg(pageNumber, 3, 10, QLatin1Char('0'));
    digits.replace(QLatin1Char('0'), QLatin1Char('$'));
    return QStringLiteral("QvPDF.") + digits;
}

TPDFPage::TPDFPage(TQvPDFObjects *AOwner, TPDFPages *AParent, int APageNumber)
    : TPDFObject(AOwner), FPageNumber(APageNumber), FParent(AParent), FResources(std::make_unique<TPDFResource>())
{
    FObjectType = QStringLiteral("/Page");
    // The content stream is added first and so takes the number below the page's.
    FCanvas = AOwner->Add<TPDFContent>(this);
    FContents = FRefs.Add(FCanvas);
    FCropBox = FBleedBox = FTrimBox = FMediaBox;
    FLastModified = DateTimeToPDFDateTime(QDateTime::currentDateTime());
    FTempFileName = tempFileNameFor(APageNumber);
}

TPDFPage::~TPDFPage()
{
    ReleaseData();
}

void TPDFPage::SetMediaBox(const TPDFRect &r)
{
    if (SameRect(FCropBox, FMediaBox))
        SetCropBox(r);
    FMediaBox = r;
}

void TPDFPage::SetCropBox(const TPDFRect &r)
{
    if (SameRect(FBleedBox, FCropBox))
        FBleedBox = r;
    if (SameRect(FTrimBox, FCropBox))
        FTrimBox = r;
    FCropBox = r;
}

void TPDFPage::SetPageWidth(double v)
{
    if (v < 3)
        v = 3;
    TPDFRect r = FMediaBox;
    if (r.prLeft <= r.prRight)
        r.prRight = r.prLeft + v;
    else
        r.prLeft = r.prRight + v;
    SetMediaBox(r);
}

void TPDFPage::SetPageHeight(double v)
{
    if (v < 3)
        v = 3;
    TPDFRect r = FMediaBox;
    if (r.prTop <= r.prBottom)
        r.prBottom = r.prTop + v;
    else
        r.prTop = r.prBottom + v;
    SetMediaBox(r);
}

void TPDFPage::SetMarginLeft(double v)
{
    FMarginLeft = v;
    if (TQvPDF *doc = Document(); doc && doc->MarginLeft() != v)
        doc->SetMarginLeft(v);
}

void TPDFPage::SetMarginBottom(double v)
{
    FMarginBottom = v;
    if (TQvPDF *doc = Document(); doc && doc->MarginBottom() != v)
        doc->SetMarginBottom(v);
}

void TPDFPage::SaveToTempFiles(const QString &folder)
{
    if (FTempPath.isEmpty()) {
        FCanvas->SaveToTempFile(folder + FTempFileName);
        FTempPath = folder + FTempFileName;
    }
    const auto &images = FResources->Images();
    for (std::size_t i = 0; i < images.size(); ++i)
        images[i]->SaveToTempFile(folder + FTempFileName + QStringLiteral(".Im%1").arg(i + 1));
}

void TPDFPage::ReleaseData()
{
    if (!FTempPath.isEmpty()) {
        QFile::remove(FTempPath);
        FTempPath.clear();
    }
}

void TPDFPage::WriteBody(Sink &out)
{
    writeLine(out, "<<");
    WriteLine(out, QStringLiteral("/Type ") + FObjectType);
    WriteLine(out, QStringLiteral("/Parent ") + FParent->ReferenceString());
    WriteLine(out, QStringLiteral("/Resources ") + FResources->Text());
    WriteLine(out, QStringLiteral("/MediaBox ") + RectToString(FMediaBox));
    if (!SameRect(FCropBox, FMediaBox))
        WriteLine(out, QStringLiteral("/CropBox ") + RectToString(FCropBox));
    if (!SameRect(FBleedBox, FCropBox))
        WriteLine(out, QStringLiteral("/BleedBox ") + RectToString(FBleedBox));
    if (!SameRect(FTrimBox, FCropBox))
        WriteLine(out, QStringLiteral("/TrimBox ") + RectToString(FTrimBox));
    if (FContents >= 0)
        WriteLine(out, QStringLiteral("/Contents ") + FRefs[FContents]->ReferenceString());
    if (FRotate != TPDFRotate::proAngle0)
        WriteLine(out, "/Rotate " + formatInt(static_cast<int>(FRotate) * 90));
    WriteLine(out, QStringLiteral("/LastModified ") + PDFDateTimeToString(FLastModified));
    writeLine(out, ">>");
}

// --- outlines

TPDFOutline *TPDFOutline::First() const
{
    return FRefs.Count() > 0 ? static_cast<TPDFOutline *>(FRefs[0]) : nullptr;
}

TPDFOutline *TPDFOutline::Last() const
{
    return FRefs.Count() > 0 ? static_cast<TPDFOutline *>(FRefs[FRefs.Count() - 1]) : nullptr;
}

void TPDFOutline::WriteBody(Sink &out)
{
    writeLine(out, "<<");
    WriteText(out, QStringLiteral("/Title "));
    WriteString(out, FTitle, true);
    if (FParent)
        WriteLine(out, QStringLiteral("/Parent ") + FParent->ReferenceString());
    if (FPrev)
        WriteLine(out, QStringLiteral("/Prev ") + FPrev->ReferenceString());
    if (FNext)
        WriteLine(out, QStringLiteral("/Next ") + FNext->ReferenceString());
    if (FRefs.Count() > 0) {
        WriteLine(out, QStringLiteral("/First ") + First()->ReferenceString());
        WriteLine(out, QStringLiteral("/Last ") + Last()->ReferenceString());
        WriteLine(out, "/Count " + formatInt(FRefs.Count()));
    }
    WriteLine(out, QStringLiteral("/Dest ") + FDest->Text());
    writeLine(out, ">>");
}

TPDFOutlines::TPDFOutlines(TQvPDFObjects *AOwner) : TPDFObject(AOwner)
{
    FObjectType = QStringLiteral("/Outlines");
}

TPDFOutline *TPDFOutlines::AddPage(TPDFPage *APage, TPDFOutline *Parent, const QString &ATitle)
{
    auto *item = FOwner->Add<TPDFOutline>();
    item->Dest().FPage = APage;
    item->FTitle = ATitle.isEmpty() && APage ? QStringLiteral("%1 ページ").arg(APage->PageNumber()) : ATitle;
    TPDFOutline *prev = nullptr;
    if (Parent) {
        prev = Parent->Last();
        Parent->FRefs.Add(item);
        item->FParent = Parent;
    } else {
        if (FChild.Count() > 0)
            prev = static_cast<TPDFOutline *>(FChild[FChild.Count() - 1]);
        FChild.Add(item);
        item->FParent = this;
    }
    item->FPrev = prev;
    if (prev)
        prev->FNext = item;
    FRefs.Add(item);
    return item;
}

TPDFOutline *TPDFOutlines::AddSibling(TPDFPage *APage, TPDFOutline *Sibling, const QString &ATitle)
{
    TPDFOutline *parent = Sibling && Sibling->FParent != this ? static_cast<TPDFOutline *>(Sibling->FParent) : nullptr;
    return AddPage(APage, parent, ATitle);
}

void TPDFOutlines::Remove(TPDFOutline *item)
{
    if (!item || FRefs.IndexOf(item) < 0)
        return;
    while (item->FRefs.Count() > 0)
        Remove(static_cast<TPDFOutline *>(item->FRefs[item->FRefs.Count() - 1]));
    if (item->FPrev)
        item->FPrev->FNext = item->FNext;
    if (item->FNext)
        item->FNext->FPrev = item->FPrev;
    if (item->FParent == this)
        FChild.Extract(item);
    else if (auto *parent = static_cast<TPDFOutline *>(item->FParent))
        parent->FRefs.Extract(item);
    FRefs.Extract(item);
    FOwner->Remove(item);
}

void TPDFOutlines::WriteBody(Sink &out)
{
    writeLine(out, "<<");
    WriteLine(out, QStringLiteral("/Type ") + FObjectType);
    if (FChild.Count() > 0) {
        WriteLine(out, QStringLiteral("/First ") + FChild[0]->ReferenceString());
        WriteLine(out, QStringLiteral("/Last ") + FChild[FChild.Count() - 1]->ReferenceString());
        WriteLine(out, "/Count " + formatInt(FRefs.Count()));
    }
    writeLine(out, ">>");
}

// --- TPDFInfo

TPDFInfo::TPDFInfo(TQvPDFObjects *AOwner) : TPDFObject(AOwner) {}

void TPDFInfo::WriteBody(Sink &out)
{
    writeLine(out, "<<");
    const std::pair<const char *, const QString *> strings[] = {
        {"/Title ", &FTitle},     {"/Author ", &FAuthor},   {"/Subject ", &FSubject},
        {"/Keywords ", &FKeywords}, {"/Creator ", &FCreator}, {"/Producer ", &FProducer},
    };
    for (const auto &[key, value] : strings) {
        WriteText(out, std::string_view(key));
        WriteString(out, *value, true);
    }
    WriteLine(out, QStringLiteral("/CreationDate ") + PDFDateTimeToString(FCreationDate));
    WriteLine(out, QStringLiteral("/ModDate ") + PDFDateTimeToString(FModDate));
    WriteLine(out, std::string("/Trapped ") + TrappedName(FTrapped));
    writeLine(out, ">>");
}

// --- TPDFCatalog

TPDFCatalog::TPDFCatalog(TQvPDFObjects *AOwner) : TPDFObject(AOwner)
{
    FObjectType = QStringLiteral("/Catalog");
    FPages = FRefs.Add(AOwner->Add<TPDFPages>(nullptr));
}

TPDFCatalog::~TPDFCatalog() = default;

TPDFPages *TPDFCatalog::Pages() const
{
    return static_cast<TPDFPages *>(FRefs[FPages]);
}

TPDFOutlines *TPDFCatalog::Outlines()
{
    if (FOutlines < 0)
        FOutlines = FRefs.Add(FOwner->Add<TPDFOutlines>());
    return static_cast<TPDFOutlines *>(FRefs[FOutlines]);
}

TPDFAddress *TPDFCatalog::OpenAction()
{
    if (!FOpenAction)
        FOpenAction = std::make_unique<TPDFAddress>();
    return FOpenAction.get();
}

void TPDFCatalog::WriteBody(Sink &out)
{
    writeLine(out, "<<");
    WriteLine(out, QStringLiteral("/Type ") + FObjectType);
    WriteLine(out, QStringLiteral("/Pages ") + Pages()->ReferenceString());
    if (FPageLayout != TPDFPageLayout::pplSinglePage)
        WriteLine(out, std::string("/PageLayout ") + PageLayoutName(FPageLayout));
    if (FPageMode != TPDFPageMode::ppmUseNone)
        WriteLine(out, std::string("/PageMode ") + PageModeName(FPageMode));
    if (FOutlines >= 0)
        WriteLine(out, QStringLiteral("/Outlines ") + FRefs[FOutlines]->ReferenceString());
    if (FOpenAction) {
        // A destination needs a page; without one the action opens the first.
        if (!FOpenAction->FPage && Pages()->Kids().Count() > 0)
            FOpenAction->FPage = dynamic_cast<TPDFPage *>(Pages()->Kids()[0]);
        if (FOpenAction->FPage)
            WriteLine(out, QStringLiteral("/OpenAction ") + FOpenAction->Text());
    }
    WriteLine(out, QStringLiteral("/QvPDF (") + FVersion + QLatin1Char(')'));
    writeLine(out, ">>");
}

} // namespace vellora::pdf
