#include "pdf/QvPDF.h"

#include "pdf/PdfText.h"
#include "pdf/XImage.h"
#include "settings/Helpers.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <vector>

namespace vellora::pdf {

namespace {

const QString kNotWhilePrinting = QStringLiteral("印刷中は変更できません。");

// MD5 over the UTF-16LE code units of a string, as upper-case hex digits.
QString stringMD5(const QString &text)
{
    const TDigest digest = StringMD5(text);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(digest.data()), static_cast<qsizetype>(digest.size())).toHex().toUpper());
}

QString withSeparator(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

} // namespace

TQvPDF::TQvPDF()
{
    FCreationDate = FModDate = QDateTime::currentDateTime();
    FDefaultFilters.Add(TPDFFilter::pfiFlateDecode);
    FFont.OnChange = [this] {
        if (FDestroying || FFontChanging || !FCurrentPage)
            return;
        FCurrentPage->Canvas()->SetFont(FFont);
    };
}

TQvPDF::~TQvPDF()
{
    FDestroying = true;
    FCurrentPage = nullptr;
    FObjects.Clear();   // the objects' destructors delete their temporary files
}

// --- information properties: through to the open document's objects

const QString &TQvPDF::Author() const { return FInfo ? FInfo->FAuthor : FAuthor; }
void TQvPDF::SetAuthor(const QString &v) { (FInfo ? FInfo->FAuthor : FAuthor) = v; FAuthor = v; }
const QString &TQvPDF::Creator() const { return FInfo ? FInfo->FCreator : FCreator; }
void TQvPDF::SetCreator(const QString &v) { (FInfo ? FInfo->FCreator : FCreator) = v; FCreator = v; }
const QString &TQvPDF::Keywords() const { return FInfo ? FInfo->FKeywords : FKeywords; }
void TQvPDF::SetKeywords(const QString &v) { (FInfo ? FInfo->FKeywords : FKeywords) = v; FKeywords = v; }
const QString &TQvPDF::Subject() const { return FInfo ? FInfo->FSubject : FSubject; }
void TQvPDF::SetSubject(const QString &v) { (FInfo ? FInfo->FSubject : FSubject) = v; FSubject = v; }
const QString &TQvPDF::Title() const { return FInfo ? FInfo->FTitle : FTitle; }
void TQvPDF::SetTitle(const QString &v) { (FInfo ? FInfo->FTitle : FTitle) = v; FTitle = v; }
TPDFTrapped TQvPDF::Trapped() const { return FInfo ? FInfo->FTrapped : FTrapped; }
void TQvPDF::SetTrapped(TPDFTrapped v) { FTrapped = v; if (FInfo) FInfo->FTrapped = v; }

void TQvPDF::SetCreationDate(const QDateTime &v)
{
    FCreationDate = v;
    if (FInfo)
        FInfo->FCreationDate = DateTimeToPDFDateTime(v);
}

void TQvPDF::SetModDate(const QDateTime &v)
{
    FModDate = v;
    if (FInfo)
        FInfo->FModDate = DateTimeToPDFDateTime(v);
}

TPDFPageLayout TQvPDF::PageLayout() const { return FRoot ? FRoot->FPageLayout : FPageLayout; }
void TQvPDF::SetPageLayout(TPDFPageLayout v) { FPageLayout = v; if (FRoot) FRoot->FPageLayout = v; }
TPDFPageMode TQvPDF::PageMode() const { return FRoot ? FRoot->FPageMode : FPageMode; }
void TQvPDF::SetPageMode(TPDFPageMode v) { FPageMode = v; if (FRoot) FRoot->FPageMode = v; }

void TQvPDF::checkNotPrinting() const
{
    if (FPrinting)
        throw Error(kNotWhilePrinting);
}

void TQvPDF::SetBuryFonts(bool v)
{
    checkNotPrinting();
    FBuryFonts = v;
}

void TQvPDF::SetWorkFolder(const QString &v)
{
    checkNotPrinting();
    FWorkFolder = v;
}

TPDFAddress *TQvPDF::OpenAction()
{
    if (!FRoot)
        throw std::logic_error("TQvPDF::OpenAction: no document is open");
    return FRoot->OpenAction();
}

void TQvPDF::SetRgbProfile(const QByteArray &icc)
{
    checkNotPrinting();
    FRgbProfile = icc;
}

TPDFIccProfile *TQvPDF::RgbProfileObject()
{
    if (FRgbProfile.isEmpty() || !FRoot)
        return nullptr;
    if (!FRgbProfileObject)
        FRgbProfileObject = FObjects.Add<TPDFIccProfile>(FRgbProfile, 3);
    return FRgbProfileObject;
}

TPDFOutlines *TQvPDF::Outlines()
{
    if (!FRoot)
        throw std::logic_error("TQvPDF::Outlines: no document is open");
    return FRoot->Outlines();
}

// --- fonts

TPDFFont *TQvPDF::FindOrMakeFont(TCanvasFont &font)
{
    for (int i = 0; i < FUseFonts.Count(); ++i)
        if (auto *f = static_cast<TPDFFont *>(FUseFonts[i]); f->Matches(font))
            return f;
    return MakeFont(FObjects, font, FBuryFonts);
}

void TQvPDF::RegisterFont(TPDFFont *font)
{
    font->SetName(QStringLiteral("/F%1").arg(FUseFonts.Add(font)));
}

void TQvPDF::UnregisterFont(TPDFFont *font)
{
    FUseFonts.Extract(font);
}

void TQvPDF::ForgetObjects()
{
    FUseFonts.Clear();
    FCurrentPage = nullptr;
    FRoot = nullptr;
    FInfo = nullptr;
    FRgbProfileObject = nullptr;
}

// --- the document

TPDFPage *TQvPDF::BeginDoc(const QString &FileName)
{
    if (FPrinting)
        return FCurrentPage;
    auto output = std::make_unique<TFileStream>(FileName, TFileStream::Mode::Create);
    if (FWorkFolder.isEmpty())
        FWorkFolder = withSeparator(QFileInfo(FileName).absolutePath());
    FOwnedOutput = std::move(output);
    FOutput = FOwnedOutput.get();
    FNeedCloseStream = true;
    return startDocument();
}

TPDFPage *TQvPDF::BeginDoc(TStream &Stream)
{
    if (FPrinting)
        return FCurrentPage;
    if (FWorkFolder.isEmpty() || !QFileInfo(FWorkFolder).isDir())
        FWorkFolder = withSeparator(QDir::tempPath());
    FOutput = &Stream;
    FNeedCloseStream = false;
    return startDocument();
}

TPDFPage *TQvPDF::startDocument()
{
    FPrinting = true;
    try {
        FObjects.Clear();
        FRgbProfileObject = nullptr;
        FCreationDate = FModDate = QDateTime::currentDateTime();
        FRoot = FObjects.Add<TPDFCatalog>();
        FRoot->FPageLayout = FPageLayout;
        FRoot->FPageMode = FPageMode;
        FInfo = FObjects.Add<TPDFInfo>();
        FInfo->FAuthor = FAuthor;
        FInfo->FCreator = FCreator;
        FInfo->FKeywords = FKeywords;
        FInfo->FSubject = FSubject;
        FInfo->FTitle = FTitle;
        FInfo->FTrapped = FTrapped;
        FInfo->FCreationDate = DateTimeToPDFDateTime(FCreationDate);
        FInfo->FModDate = DateTimeToPDFDateTime(FModDate);
        FUseFonts.Clear();
        FCurrentPageNumber = 0;
        return NewPage();
    } catch (...) {
        releaseAll();
        throw;
    }
}

TPDFPage *TQvPDF::NewPage()
{
    TPDFPage *previous = FCurrentPage;
    if (previous) {
        previous->SaveToTempFiles(withSeparator(FWorkFolder));
        FFontChanging = true;
        FFont.Assign(previous->Canvas()->Font());
        FFontChanging = false;
    }
    if (!FPrinting) {
        FCurrentPage = nullptr;
        return nullptr;
    }
    ++FCurrentPageNumber;
    auto *page = FObjects.Add<TPDFPage>(FRoot->Pages(), FCurrentPageNumber);
    FRoot->Pages()->AddLeaf(page);
    FCurrentPage = page;
    TPDFContent *canvas = page->Canvas();
    canvas->SetFont(FFont);
    page->SetPageWidth(FDefaultPageWidth);
    page->SetPageHeight(FDefaultPageHeight);
    page->SetMarginLeft(FMarginLeft);
    page->SetMarginBottom(FMarginBottom);
    if (previous) {
        TPDFContent *old = previous->Canvas();
        canvas->SetPenWidth(old->PenWidth());
        canvas->SetPenStyle(old->PenStyle());
        canvas->SetCustomPenStyle(old->CustomPenStyle());
        canvas->SetLineCap(old->LineCap());
        canvas->SetLineJoinStyle(old->LineJoinStyle());
        canvas->SetMiterLimit(old->MiterLimit());
        canvas->SetBrushColor(old->BrushColor());
        canvas->SetPenColor(old->PenColor());
        canvas->SetBrushStyle(old->BrushStyle());
    }
    return page;
}

QString TQvPDF::documentDigest() const
{
    const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss.zzz"));
    return stringMD5(now + FInfo->FAuthor + PDFDateTimeToString(FInfo->FCreationDate) + FInfo->FCreator
                     + FInfo->FKeywords + PDFDateTimeToString(FInfo->FModDate) + FInfo->FProducer
                     + FInfo->FSubject + FInfo->FTitle);
}

void TQvPDF::writeFile(CountingSink &out)
{
    // Objects made while preparing (embedded font programs) are prepared too.
    for (int i = 0; i < FObjects.Count(); ++i)
        FObjects[i]->Prepare();

    WriteText(out, QStringLiteral("%PDF-") + FPDFVersion, false, true);
    for (int i = 0; i < FObjects.Count(); ++i) {
        FObjects[i]->SaveToStream(out);
        FObjects[i]->ReleaseData();
    }

    const std::int64_t xref = out.count();
    // Numbers of removed objects stay in the table as free entries, so every
    // number still points at its own object.
    const std::uint32_t size = FObjects.LastObjectID() + 1;
    WriteLine(out, std::string_view("xref"));
    WriteLine(out, "0 " + formatInt(size));
    std::vector<std::uint32_t> freeNumbers;
    {
        int index = 0;
        for (std::uint32_t number = 1; number < size; ++number) {
            if (index < FObjects.Count() && FObjects[index]->ObjectID() == number)
                ++index;
            else
                freeNumbers.push_back(number);
        }
    }
    // Free entries form a chain from entry 0 through every unused number.
    auto nextFree = [&freeNumbers](std::uint32_t after) -> std::uint32_t {
        const auto it = std::upper_bound(freeNumbers.begin(), freeNumbers.end(), after);
        return it == freeNumbers.end() ? 0 : *it;
    };
    // Entries are exactly 20 bytes as readers step through them: the text with
    // its trailing space, then a line feed alone (a CR LF makes 21 bytes and
    // readers have to repair the table).
    auto entry = [&out](const std::string &text) { WriteText(out, text + '\n'); };
    entry(formatPadded(nextFree(0), 10) + " 65535 f ");
    int index = 0;
    for (std::uint32_t number = 1; number < size; ++number) {
        const TPDFObject *object = index < FObjects.Count() ? FObjects[index] : nullptr;
        if (object && object->ObjectID() == number) {
            entry(formatPadded(object->Position(), 10) + ' ' + formatPadded(object->Edition(), 5) + " n ");
            ++index;
        } else {
            entry(formatPadded(nextFree(number), 10) + " 00001 f ");
        }
    }
    WriteLine(out, std::string_view("trailer"));
    WriteLine(out, std::string_view("<<"));
    WriteLine(out, "/Size " + formatInt(size));
    WriteLine(out, QStringLiteral("/Root ") + FRoot->ReferenceString());
    WriteLine(out, QStringLiteral("/Info ") + FInfo->ReferenceString());
    const QString d = documentDigest();
    WriteLine(out, QStringLiteral("/ID [<") + d + QStringLiteral("><") + d + QStringLiteral(">]"));
    WriteLine(out, std::string_view(">>"));
    WriteLine(out, std::string_view("startxref"));
    WriteLine(out, formatInt(xref));
    WriteText(out, std::string_view("%%EOF"));
    out.finish();
}

void TQvPDF::releaseAll()
{
    for (int i = 0; i < FObjects.Count(); ++i)
        FObjects[i]->ReleaseData();
    FPrinting = false;
    FCurrentPage = nullptr;
    FInfo = nullptr;
    FRoot = nullptr;
    FRgbProfileObject = nullptr;
    FOutput = nullptr;
    FOwnedOutput.reset();
    FNeedCloseStream = false;
}

void TQvPDF::EndDoc()
{
    if (!FPrinting)
        return;
    try {
        StreamSink stream(*FOutput);
        CountingSink out(stream);
        writeFile(out);
        if (FNeedCloseStream)
            FOwnedOutput->Flush();
    } catch (...) {
        releaseAll();
        throw;
    }
    releaseAll();
}

} // namespace vellora::pdf
