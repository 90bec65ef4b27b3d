#include "pdf/QvPDF.h"
#include "pdf/XImage.h"
#include "pdf/tests/PdfCheck.h"

#include "testsupport/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace vellora;
using namespace vellora::pdf;
using vellora::pdf::test::checkPdf;
using vellora::pdf::test::renderPage;

namespace {

QByteArray jpegOf(const QImage &image, int quality = 90)
{
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", quality);
    return jpeg;
}

// A smooth picture: what the renderers decode differs from ours by rounding only.
QImage gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, QColor(x * 255 / width, y * 255 / height, 128));
    return image;
}

// Blocks of solid colour, so that each block's centre renders exactly.
QImage blocks()
{
    QImage image(32, 16, QImage::Format_ARGB32);
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::black, Qt::cyan, Qt::magenta,
                              QColor(0, 0, 0, 0)};
    for (int i = 0; i < 8; ++i)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                image.setPixelColor((i % 4) * 8 + x, (i / 4) * 8 + y, colours[i]);
    return image;
}

// The byte offset of each "n 0 obj" line, by object number.
std::map<int, qsizetype> objectOffsets(const QByteArray &pdf)
{
    std::map<int, qsizetype> offsets;
    const QRegularExpression re(QStringLiteral("(?:^|\\n)(\\d+) 0 obj\\r\\n"));
    const QString text = QString::fromLatin1(pdf);
    for (auto it = re.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        offsets[m.captured(1).toInt()] = m.capturedStart(1);
    }
    return offsets;
}

QByteArray objectText(const QByteArray &pdf, int number)
{
    const QByteArray head = QByteArray::number(number) + " 0 obj\r\n";
    qsizetype start = pdf.startsWith(head) ? 0 : pdf.indexOf("\n" + head) + 1;
    return pdf.mid(start, pdf.indexOf("endobj\r\n", start) - start);
}

// The cross-reference entries after the free entry 0.
QList<QByteArray> xrefEntries(const QByteArray &pdf)
{
    const qsizetype start = pdf.lastIndexOf("\nxref\r\n") + 1;
    const qsizetype end = pdf.indexOf("trailer\r\n", start);
    QList<QByteArray> lines = pdf.mid(start, end - start).split('\n');
    lines = lines.mid(3);   // "xref", "0 n", the free entry 0
    lines.removeAll(QByteArray());
    return lines;
}

QStringList tempFiles(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("QvPDF.*")}, QDir::Files);
}

class DocumentTest : public ::testing::Test {
protected:
    QString dir = vellora::test::scratchDir(QStringLiteral("pdf"));
    QString file(const char *name) const { return dir + QLatin1Char('/') + QLatin1String(name); }
};

} // namespace

TEST_F(DocumentTest, OneSheetExportLayout)
{
    const QByteArray jpeg = jpegOf(gradient(120, 80));
    const QString path = file("one.pdf");
    {
        TQvPDF doc;
        doc.SetCreator(QStringLiteral("Vellora 9.0.0"));
        doc.SetDefaultPageWidth(300);
        doc.SetDefaultPageHeight(200);
        TPDFPage *page = doc.BeginDoc(path);
        page->Canvas()->DrawJPEGImage(TPDFRect{10, 10, 290, 190}, jpeg, true);
        doc.EndDoc();
    }
    const QByteArray pdf = vellora::test::readFile(path);
    EXPECT_TRUE(pdf.startsWith("%PDF-1.3\r\n1 0 obj\r\n"));
    EXPECT_TRUE(pdf.endsWith("\r\n%%EOF"));

    const auto offsets = objectOffsets(pdf);
    ASSERT_EQ(offsets.size(), 6u);
    const char *types[] = {"/Pages", "/Catalog", "/Producer", "/Length", "/Page\r\n", "/XObject"};
    for (int n = 1; n <= 6; ++n)
        EXPECT_TRUE(objectText(pdf, n).contains(types[n - 1])) << n;
    EXPECT_TRUE(pdf.contains("trailer\r\n<<\r\n/Size 7\r\n/Root 2 0 R\r\n/Info 3 0 R\r\n/ID [<"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("/ID \\[<([0-9A-F]{32})><\\1>\\]\\r\\n>>\\r\\nstartxref\\r\\n"))
                    .match(QString::fromLatin1(pdf)).hasMatch());

    // Every entry keeps its trailing space and points at its object's line.
    const QList<QByteArray> entries = xrefEntries(pdf);
    ASSERT_EQ(entries.size(), 6);
    for (int n = 1; n <= 6; ++n) {
        const QByteArray &entry = entries[n - 1];
        EXPECT_TRUE(entry.endsWith(" 00000 n ")) << entry.toStdString();
        EXPECT_EQ(entry.size(), 19);   // 20 bytes with the line feed
        EXPECT_EQ(entry.left(10).toLongLong(), offsets.at(n));
    }
    const qsizetype xref = pdf.lastIndexOf("\nxref\r\n") + 1;
    EXPECT_TRUE(pdf.mid(xref).startsWith("xref\r\n0 7\r\n0000000000 65535 f \n"));
    EXPECT_TRUE(pdf.endsWith("startxref\r\n" + QByteArray::number(xref) + "\r\n%%EOF"));

    EXPECT_TRUE(pdf.contains("/QvPDF (TQvPDF ver.1.6.1)\r\n"));
    const QByteArray info = objectText(pdf, 3);
    EXPECT_TRUE(info.contains("/Title ()\r\n"));
    EXPECT_TRUE(info.contains("/Creator (Vellora 9.0.0)\r\n"));
    EXPECT_TRUE(info.contains("/Producer (TQvPDF ver.1.6.1)\r\n"));
    EXPECT_TRUE(info.contains("/Trapped /False\r\n"));

    const QByteArray pageObject = objectText(pdf, 5);
    EXPECT_TRUE(pageObject.contains("/MediaBox [0 0 300 200]\r\n"));
    EXPECT_TRUE(pageObject.contains("/Resources << /ProcSet [/PDF /ImageC]\r\n/XObject << /Im1 6 0 R\r\n>>\r\n>>\r\n"));
    EXPECT_TRUE(pageObject.contains("/Contents 4 0 R\r\n"));
    EXPECT_FALSE(pageObject.contains("Box [") && (pageObject.contains("/CropBox") || pageObject.contains("/TrimBox")
                                                 || pageObject.contains("/BleedBox")));

    const QByteArray image = objectText(pdf, 6);
    EXPECT_TRUE(image.contains("/Filter [/DCTDecode]\r\n"));
    EXPECT_TRUE(image.contains("/ColorSpace /DeviceRGB\r\n"));
    EXPECT_TRUE(image.contains("/BitsPerComponent 8\r\n"));
    EXPECT_TRUE(image.contains("/Interpolate true\r\n"));
    EXPECT_TRUE(image.contains("/Width 120\r\n/Height 80\r\n"));
    EXPECT_TRUE(image.contains("/Length " + QByteArray::number(jpeg.size()) + "\r\n"));
    EXPECT_TRUE(image.contains("stream\r\n" + jpeg + "\r\nendstream"));

    checkPdf(path, 1, 300, 200);
}

TEST_F(DocumentTest, SecondSheetNumbersAndNames)
{
    const QByteArray jpeg = jpegOf(gradient(40, 40));
    const QString path = file("two.pdf");
    QByteArray firstContent;
    {
        TQvPDF doc;
        TPDFPage *page = doc.BeginDoc(path);
        page->Canvas()->DrawJPEGImage(TPDFRect{0, 0, 595, 842}, jpeg);
        firstContent = page->Canvas()->Bytes();
        page = doc.NewPage();
        EXPECT_EQ(page->PageNumber(), 2);
        page->Canvas()->DrawJPEGImage(TPDFRect{0, 0, 100, 100}, jpeg);
        doc.EndDoc();
        EXPECT_EQ(doc.PageCount(), 2);
    }
    const QByteArray pdf = vellora::test::readFile(path);
    EXPECT_TRUE(objectText(pdf, 1).contains("/Kids [ 5 0 R\r\n8 0 R\r\n]\r\n/Count 2\r\n"));
    EXPECT_TRUE(objectText(pdf, 7).contains("/Length"));
    EXPECT_TRUE(objectText(pdf, 8).contains("/XObject << /Im1 9 0 R\r\n"));
    EXPECT_TRUE(objectText(pdf, 8).contains("/Contents 7 0 R\r\n"));
    EXPECT_TRUE(objectText(pdf, 9).contains("/Name /Im1\r\n"));
    EXPECT_TRUE(pdf.contains("trailer\r\n<<\r\n/Size 10\r\n"));
    // The first page's content came back from its temporary file unchanged.
    EXPECT_TRUE(objectText(pdf, 4).contains("stream\r\n" + firstContent + "endstream"));
    EXPECT_EQ(firstContent.count("\r\n"), 4);
    EXPECT_TRUE(tempFiles(dir).isEmpty()) << tempFiles(dir).join(' ').toStdString();

    checkPdf(path, 2, 595, 842);
}

TEST_F(DocumentTest, CreatorOutsideAsciiIsWrittenAsUtf16)
{
    struct Case {
        QString creator;
        QByteArray line;
    };
    const Case cases[] = {
        {QStringLiteral("Vellora 9.0.0"), "/Creator (Vellora 9.0.0)\r\n"},
        {QString::fromUtf8("ヴェローラ 9"),
         QByteArray::fromHex("2f43726561746f722028" "feff" "30f430a730ed30fc30e9" "0020" "0039" "290d0a")},
    };
    for (const Case &c : cases) {
        const QString path = file("creator.pdf");
        TQvPDF doc;
        doc.SetCreator(c.creator);
        doc.BeginDoc(path);
        doc.EndDoc();
        const QByteArray pdf = vellora::test::readFile(path);
        EXPECT_TRUE(pdf.contains(c.line)) << objectText(pdf, 3).toStdString();
        const auto info = vellora::pdf::test::runTool(QStringLiteral("pdfinfo"), {path});
        EXPECT_TRUE(QString::fromUtf8(info.out).contains(
            QRegularExpression(QStringLiteral("Creator:\\s+") + QRegularExpression::escape(c.creator) + QStringLiteral("\n"))))
            << info.out.toStdString();
    }
}

TEST_F(DocumentTest, PageSizeHasAMinimumAndBoxesFollowTheMediaBox)
{
    const QString path = file("narrow.pdf");
    TQvPDF doc;
    doc.SetDefaultPageWidth(1);
    EXPECT_EQ(doc.DefaultPageWidth(), 3);
    TPDFPage *page = doc.BeginDoc(path);
    EXPECT_EQ(page->PageWidth(), 3);
    EXPECT_TRUE(SameRect(page->CropBox(), page->MediaBox()));
    page = doc.NewPage();
    page->SetCropBox(TPDFRect{1, 1, 2, 800});
    doc.EndDoc();
    const QByteArray pdf = vellora::test::readFile(path);
    EXPECT_FALSE(objectText(pdf, 5).contains("/CropBox"));
    EXPECT_TRUE(objectText(pdf, 7).contains("/MediaBox [0 0 3 842]\r\n/CropBox [1 1 2 800]\r\n/Contents"));
    checkPdf(path, 2, 3, 842);
}

TEST_F(DocumentTest, PlacedJpegRendersAsTheJpeg)
{
    const QImage source = gradient(64, 48);
    const QByteArray jpeg = jpegOf(source, 95);
    const QString path = file("pixels.pdf");
    {
        TQvPDF doc;
        doc.SetDefaultPageWidth(64);
        doc.SetDefaultPageHeight(48);
        doc.BeginDoc(path)->Canvas()->DrawJPEGImage(TPDFRect{0, 0, 64, 48}, jpeg);
        doc.EndDoc();
    }
    checkPdf(path, 1, 64, 48);
    const QImage decoded = QImage::fromData(jpeg).convertToFormat(QImage::Format_RGB888);
    const QImage rendered = renderPage(path, 1, 72).convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(rendered.size(), decoded.size());
    // Decoders differ in rounding and chroma upsampling; a misplaced or
    // mirrored image differs by far more.
    const auto compare = [](const QImage &a, const QImage &b, int &worst) {
        long long total = 0;
        worst = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
                const int d = std::max({std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                                        std::abs(p.blue() - q.blue())});
                total += d;
                worst = std::max(worst, d);
            }
        return double(total) / (a.width() * a.height());
    };
    int worst = 0;
    EXPECT_LT(compare(decoded, rendered, worst), 6.0);
    EXPECT_LE(worst, 24);
    EXPECT_GT(compare(decoded.mirrored(false, true), rendered, worst), 30.0);
}

TEST_F(DocumentTest, BitmapImagesDecodeThroughEveryFilterList)
{
    using F = TPDFFilter;
    const std::vector<std::vector<F>> lists = {
        {F::pfiFlateDecode},
        {F::pfiASCII85Decode},
        {F::pfiRunLengthDecode},
        {F::pfiASCIIHexDecode},   // not ours to encode: raw samples, "[]"
        {F::pfiASCII85Decode, F::pfiFlateDecode},
        {F::pfiASCII85Decode, F::pfiRunLengthDecode, F::pfiFlateDecode},
    };
    const QImage source = blocks();
    for (const auto &list : lists) {
        const QString path = file("bitmap.pdf");
        QString filterText;
        {
            TQvPDF doc;
            doc.DefaultFilters().Clear();
            for (F f : list)
                doc.DefaultFilters().Add(f);
            doc.SetDefaultPageWidth(32);
            doc.SetDefaultPageHeight(16);
            TPDFXImage *image = doc.BeginDoc(path)->Canvas()->DrawImage(0.0, 0.0, 72, 72, source);
            filterText = image->Filters().Text();
            doc.EndDoc();
        }
        SCOPED_TRACE(filterText.toStdString());
        const QByteArray pdf = vellora::test::readFile(path);
        EXPECT_TRUE(pdf.contains("/Filter " + filterText.toLatin1() + "\r\n"));
        checkPdf(path, 1, 32, 16);
        const QImage rendered = renderPage(path, 1, 72 * 4).convertToFormat(QImage::Format_RGB888);
        ASSERT_EQ(rendered.size(), QSize(128, 64));
        for (int i = 0; i < 8; ++i) {
            const QPoint centre((i % 4) * 32 + 16, (i / 4) * 32 + 16);
            QColor expected = source.pixelColor((i % 4) * 8 + 4, (i / 4) * 8 + 4);
            if (expected.alpha() == 0)
                expected = Qt::white;   // transparent parts are drawn on white
            EXPECT_EQ(rendered.pixelColor(centre).rgb(), expected.rgb()) << "block " << i;
        }
    }
}

TEST_F(DocumentTest, TextPagesOpenInEveryReader)
{
    const QString path = file("text.pdf");
    {
        TQvPDF doc;
        TPDFPage *page = doc.BeginDoc(path);
        TPDFContent *c = page->Canvas();
        c->TextOut(50, 700, QStringLiteral("Hello (PDF) \\ world"));
        c->Font().SetBold(true);
        c->DrawText(TPDFRect{50, 500, 250, 650}, QStringLiteral("A long line of words that wraps within the box"),
                    TPDFHorzTextAlign::htCenter, TPDFVertTextAlign::vtCenter, TPDFTextFit::ptfWordWrap);
        c->SuperScriptOut(300, 700, QStringLiteral("2"));
        c->SetPenStyle(TPDFPenStyle::plsDash);
        c->Circle(300, 300, 50);
        page = doc.NewPage();
        page->Canvas()->DrawText(TPDFRect{50, 500, 100, 520}, QStringLiteral("squeezed into fifty points"),
                                 TPDFHorzTextAlign::htRight, TPDFVertTextAlign::vtTop, TPDFTextFit::ptfScale);
        doc.EndDoc();
    }
    checkPdf(path, 2, 595, 842);
    const auto text = vellora::pdf::test::runTool(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    EXPECT_TRUE(text.out.contains("Hello (PDF) \\ world")) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("squeezed into fifty points")) << text.out.toStdString();
}

TEST_F(DocumentTest, FinishedPagesWaitInTemporaryFiles)
{
    const QByteArray jpeg = jpegOf(gradient(16, 16));
    const QString path = file("spool.pdf");
    TQvPDF doc;
    TPDFPage *first = doc.BeginDoc(path);
    EXPECT_EQ(doc.WorkFolder(), dir + QLatin1Char('/'));
    TPDFXImage *image = first->Canvas()->DrawJPEGImage(TPDFRect{0, 0, 10, 10}, jpeg);
    EXPECT_EQ(image->Data(), jpeg);
    doc.NewPage();
    EXPECT_TRUE(first->Canvas()->Bytes().isEmpty());
    EXPECT_TRUE(image->Data().isEmpty());
    EXPECT_EQ(tempFiles(dir), (QStringList{"QvPDF.$$1", "QvPDF.$$1.Im1"}));
    doc.EndDoc();
    EXPECT_TRUE(tempFiles(dir).isEmpty());
    EXPECT_TRUE(vellora::test::readFile(path).contains("stream\r\n" + jpeg + "\r\nendstream"));
}

TEST_F(DocumentTest, TemporaryFileNamesReplaceZeros)
{
    TMemoryStream out;
    TQvPDF doc;
    doc.SetWorkFolder(dir);
    doc.BeginDoc(out);
    std::map<int, QString> names;
    for (int n = 1; n <= 1000; ++n) {
        TPDFPage *page = n == 1 ? doc.CurrentPage() : doc.NewPage();
        if (n == 1 || n == 10 || n == 1000)
            names[n] = page->TempFileName();
    }
    EXPECT_EQ(names[1], "QvPDF.$$1");
    EXPECT_EQ(names[10], "QvPDF.$1$");
    EXPECT_EQ(names[1000], "QvPDF.1$$$");
    EXPECT_EQ(tempFiles(dir).size(), 999);
    doc.EndDoc();
    EXPECT_TRUE(tempFiles(dir).isEmpty());
}

namespace {

// A stream that fails once a number of bytes has been written.
class FailingStream : public TMemoryStream {
public:
    explicit FailingStream(std::int64_t limit) : FLimit(limit) {}
    std::int64_t Write(const void *buffer, std::int64_t count) override
    {
        if (Size() + count > FLimit)
            return 0;
        return TMemoryStream::Write(buffer, count);
    }

private:
    std::int64_t FLimit;
};

} // namespace

TEST_F(DocumentTest, WriteErrorsCloseTheDocumentAndRemoveTemporaryFiles)
{
    const QByteArray jpeg = jpegOf(gradient(16, 16));
    FailingStream out(300);
    TQvPDF doc;
    doc.SetWorkFolder(dir);
    doc.BeginDoc(out)->Canvas()->DrawJPEGImage(TPDFRect{0, 0, 10, 10}, jpeg);
    doc.NewPage();
    doc.NewPage();
    EXPECT_EQ(tempFiles(dir).size(), 3u);
    EXPECT_THROW(doc.EndDoc(), EWriteError);
    EXPECT_FALSE(doc.Printing());
    EXPECT_EQ(doc.CurrentPage(), nullptr);
    EXPECT_TRUE(tempFiles(dir).isEmpty());

    // And a document abandoned without EndDoc leaves nothing behind either.
    {
        TMemoryStream sink;
        TQvPDF abandoned;
        abandoned.SetWorkFolder(dir);
        abandoned.BeginDoc(sink);
        abandoned.NewPage();
        EXPECT_EQ(tempFiles(dir).size(), 1u);
    }
    EXPECT_TRUE(tempFiles(dir).isEmpty());
}

TEST_F(DocumentTest, SettingsLockedWhilePrinting)
{
    TMemoryStream out;
    TQvPDF doc;
    TPDFPage *page = doc.BeginDoc(out);
    EXPECT_EQ(doc.BeginDoc(out), page);   // already open: the current page
    for (const auto &change : std::vector<std::function<void()>>{[&] { doc.SetBuryFonts(true); },
                                                                  [&] { doc.SetWorkFolder(dir); }}) {
        try {
            change();
            ADD_FAILURE() << "no error";
        } catch (const Error &e) {
            EXPECT_EQ(e.message(), QString::fromUtf8("印刷中は変更できません。"));
        }
    }
    doc.EndDoc();
    EXPECT_NO_THROW(doc.SetBuryFonts(true));
    EXPECT_EQ(doc.NewPage(), nullptr);
}

TEST_F(DocumentTest, UnwritableOutputFails)
{
    TQvPDF doc;
    EXPECT_THROW(doc.BeginDoc(dir + QStringLiteral("/missing/out.pdf")), IoError);
    EXPECT_FALSE(doc.Printing());
}

TEST_F(DocumentTest, RemovedObjectsLeaveAValidCrossReferenceTable)
{
    const QString path = file("outlines.pdf");
    {
        TQvPDF doc;
        doc.SetPageMode(TPDFPageMode::ppmUseOutlines);
        TPDFPage *first = doc.BeginDoc(path);
        TPDFOutlines *outlines = doc.Outlines();
        TPDFOutline *a = outlines->AddPage(first);
        TPDFOutline *b = outlines->AddSibling(first, a, QStringLiteral("Second"));
        outlines->AddPage(first, b, QStringLiteral("child of second"));
        TPDFOutline *c = outlines->AddPage(first, nullptr, QStringLiteral("Third"));
        EXPECT_EQ(a->Title(), QString::fromUtf8("1 ページ"));
        EXPECT_EQ(b->Prev(), a);
        EXPECT_EQ(a->Next(), b);
        outlines->Remove(b);   // with its child
        EXPECT_EQ(a->Next(), c);
        EXPECT_EQ(c->Prev(), a);
        EXPECT_EQ(outlines->IndexOfChild(c), 1);

        // A replaced mask leaves the document; objects added afterwards get new numbers.
        TPDFXImage *image = first->Canvas()->DrawImage(0.0, 0.0, 10.0, 10.0, blocks());
        image->SetMask(doc.Objects().Add<TPDFXImage>());
        image->SetMask(doc.Objects().Add<TPDFXImage>());
        TPDFPage *second = doc.NewPage();
        outlines->AddPage(second);
        doc.EndDoc();
    }
    const QByteArray pdf = vellora::test::readFile(path);
    const auto offsets = objectOffsets(pdf);
    const QList<QByteArray> entries = xrefEntries(pdf);
    int used = 0;
    for (int n = 1; n <= entries.size(); ++n) {
        const QByteArray &entry = entries[n - 1];
        if (entry.endsWith(" n ")) {
            ++used;
            ASSERT_TRUE(offsets.count(n)) << n;
            EXPECT_EQ(entry.left(10).toLongLong(), offsets.at(n)) << n;
        } else {
            EXPECT_TRUE(entry.endsWith(" 00001 f ")) << entry.toStdString();
            EXPECT_FALSE(offsets.count(n)) << n;
        }
    }
    EXPECT_EQ(used, static_cast<int>(offsets.size()));
    EXPECT_LT(used, entries.size());   // the removed numbers are free entries
    EXPECT_TRUE(pdf.contains("/Size " + QByteArray::number(entries.size() + 1) + "\r\n"));
    checkPdf(path, 2, 595, 842);
    const auto outline = vellora::pdf::test::runTool(QStringLiteral("mutool"),
                                                     {QStringLiteral("show"), path, QStringLiteral("outline")});
    EXPECT_EQ(outline.out.count('\n'), 3) << outline.out.toStdString();
    EXPECT_FALSE(outline.out.contains("Second"));
}

TEST(PdfDates, TextWithTheUtcOffset)
{
    struct Case {
        std::int16_t hours;
        std::int16_t minutes;
        const char *text;
    };
    const Case cases[] = {
        {9, 0, "(D:20090305140709+09'00')"},
        {0, 0, "(D:20090305140709Z00'00')"},
        {-5, 0, "(D:20090305140709-05'00')"},
        {5, 30, "(D:20090305140709+05'30')"},
    };
    for (const Case &c : cases) {
        TPDFDateTime d{2009, 3, 5, 14, 7, 9, c.hours, c.minutes};
        EXPECT_EQ(PDFDateTimeToString(d).toStdString(), c.text);
        EXPECT_EQ(PDFDateTimeToDateTime(d), QDateTime(QDate(2009, 3, 5), QTime(14, 7, 9)));
    }
    const QDateTime india(QDate(2009, 3, 5), QTime(14, 7, 9), QTimeZone(5 * 3600 + 30 * 60));
    const TPDFDateTime d = DateTimeToPDFDateTime(india.toTimeZone(QTimeZone(5 * 3600 + 30 * 60)));
    const int offset = QDateTime(india).toLocalTime().offsetFromUtc() / 60;
    EXPECT_EQ(d.pdHourDifference * 60 + (offset < 0 ? -d.pdMinuteDifference : d.pdMinuteDifference), offset);
}

TEST(JpegHeader, ReadsTheFrameOrRejects)
{
    const QByteArray good = jpegOf(gradient(33, 17));
    const JpegInfo info = ReadJpegInfo(good);
    EXPECT_EQ(info.width, 33);
    EXPECT_EQ(info.height, 17);
    EXPECT_EQ(info.components, 3);

    QImage grey(5, 6, QImage::Format_Grayscale8);
    grey.fill(100);
    EXPECT_EQ(ReadJpegInfo(jpegOf(grey)).components, 1);

    const qsizetype sof = good.indexOf("\xFF\xC0");
    ASSERT_GT(sof, 0);
    QByteArray zeroWidth = good;
    zeroWidth[sof + 7] = 0;
    zeroWidth[sof + 8] = 0;
    const QByteArray bad[] = {QByteArray(), QByteArray("\xFF\xD8"), good.left(sof + 4), zeroWidth,
                              QByteArray("\xFF\xD8\xFF\xDA\x00\x02", 6), QByteArray("GIF89a")};
    for (const QByteArray &b : bad)
        EXPECT_THROW(ReadJpegInfo(b), FormatError) << b.toHex().toStdString();
}
