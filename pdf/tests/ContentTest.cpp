#include "pdf/Content.h"
#include "pdf/PdfText.h"
#include "pdf/QvPDF.h"
#include "pdf/tests/PdfCheck.h"

#include "testsupport/TestSupport.h"

#include <QBuffer>
#include <QImage>
#include <cmath>
#include <gtest/gtest.h>

using namespace vellora;
using namespace vellora::pdf;

namespace {

// A document open on a memory stream, with the first page's canvas at hand.
class ContentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        page = doc.BeginDoc(output);
        canvas = page->Canvas();
        // Every glyph of Courier (Liberation Mono) is 600/1000 em wide.
        canvas->Font().SetName(TPDFFontType::pfoCourier);
    }
    // Whatever a test drew must still make a file every reader accepts.
    void TearDown() override
    {
        if (!doc.Printing())
            return;
        // The media box is written in whole points.
        const double width = std::floor(page->PageWidth() + 0.5), height = std::floor(page->PageHeight() + 0.5);
        doc.EndDoc();
        const QString path = vellora::test::scratchDir(QStringLiteral("content")) + QStringLiteral("/page.pdf");
        output.SaveToFile(path);
        vellora::pdf::test::checkPdf(path, doc.PageCount(), width, height);
    }

    // The lines written since the last call.
    QStringList take()
    {
        const QByteArray &bytes = canvas->Bytes();
        const QByteArray fresh = bytes.mid(seen);
        seen = bytes.size();
        QStringList lines = QString::fromLatin1(fresh).split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.back().isEmpty())
            lines.pop_back();
        return lines;
    }

    TMemoryStream output;
    TQvPDF doc;
    TPDFPage *page = nullptr;
    TPDFContent *canvas = nullptr;
    qsizetype seen = 0;
};

double MMToPoint(double mm)
{
    return mm * 72.0 / 25.4;
}

QByteArray smallJpeg()
{
    QImage image(8, 8, QImage::Format_RGB888);
    image.fill(Qt::red);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return jpeg;
}

QByteArray written(const QString &s, int mode = 0)
{
    QByteArray out;
    ByteArraySink sink(out);
    WriteString(sink, s, false, nullptr, mode);
    return out;
}

} // namespace

TEST_F(ContentTest, FrameRectangleWritesOnlyTheStateThatChanged)
{
    canvas->SetPenWidth(0.5);
    canvas->Rectangle(10, 20, 110, 70);
    EXPECT_EQ(take(), (QStringList{"0.50 w", "3.86 M", "10.00 20.00 100.00 50.00 re", "S"}));
    canvas->Rectangle(0, 0, 5, 5);
    EXPECT_EQ(take(), (QStringList{"0.00 0.00 5.00 5.00 re", "S"}));
}

TEST_F(ContentTest, RectanglePaintOperatorFollowsPenAndBrush)
{
    struct Case {
        TColor pen;
        TPDFBrushStyle brush;
        const char *op;
    };
    const Case cases[] = {
        {clBlack, TPDFBrushStyle::pbsSolid, "S"},   // outlined; the fill is not painted
        {clNone, TPDFBrushStyle::pbsSolid, "f"},
        {clNone, TPDFBrushStyle::pbsClear, "n"},
    };
    for (const Case &c : cases) {
        canvas->SetPenColor(c.pen);
        canvas->SetBrushStyle(c.brush);
        canvas->Rectangle(0, 0, 1, 1);
        EXPECT_EQ(take().back().toStdString(), c.op);
    }
}

TEST_F(ContentTest, DashLines)
{
    struct Step {
        std::function<void()> change;
        const char *line;
    };
    const Step steps[] = {
        {[&] { canvas->SetPenStyle(TPDFPenStyle::plsDash); }, "[3 1] 0 d"},
        {[&] { canvas->SetPenStyle(TPDFPenStyle::plsDot); }, "[1] 0 d"},
        {[&] {
             canvas->CustomPenStyle().SetOnCount(2);
             canvas->CustomPenStyle().SetOffCount(2);
             canvas->CustomPenStyle().SetStartCount(1);
             canvas->SetPenStyle(TPDFPenStyle::plsCustom);
         },
         "[2] 1 d"},
        {[&] { canvas->SetPenStyle(TPDFPenStyle::plsSolid); }, "[] 0 d"},
    };
    for (const Step &s : steps) {
        s.change();
        canvas->DrawLine(0, 0, 10, 0);
        EXPECT_EQ(take().front().toStdString(), s.line);
    }
    // A custom pen is written again each time, and follows a changed pattern.
    canvas->SetPenStyle(TPDFPenStyle::plsCustom);
    canvas->DrawLine(0, 0, 10, 0);
    EXPECT_EQ(take().front().toStdString(), "[2] 1 d");
    canvas->CustomPenStyle().SetOffCount(4);
    canvas->DrawLine(0, 0, 10, 0);
    EXPECT_EQ(take().front().toStdString(), "[2 4] 1 d");
}

TEST_F(ContentTest, CoordinatesTakeThePageMargins)
{
    page->SetMarginLeft(10);
    page->SetMarginBottom(4);
    canvas->PG_MoveTo(1, 1);
    canvas->PG_LineTo(2.345, -3);
    canvas->PG_Rectangle(0, 0, 7, 8);
    EXPECT_EQ(take(), (QStringList{"11.00 -3.00 m", "12.35 -7.00 l", "10.00 -4.00 7.00 8.00 re"}));
    EXPECT_EQ(doc.MarginLeft(), 10);   // passed on to the pages that follow
}

TEST_F(ContentTest, ColoursAreWrittenAsRgbFractions)
{
    canvas->SetPenColor(0x0000FF);          // $00BBGGRR: red
    canvas->SetBrushColor(0x80FF00);
    canvas->SetPenWidth(1);
    canvas->MoveTo(0, 0);
    const QStringList lines = take();
    EXPECT_TRUE(lines.contains("0.00 1.00 0.50 rg"));
    EXPECT_TRUE(lines.contains("1.00 0.00 0.00 RG"));
}

TEST_F(ContentTest, CircleUsesHalfRadiusControlPoints)
{
    canvas->Circle(50, 50, 10);
    const QStringList lines = take();
    ASSERT_EQ(lines.size(), 7);   // 3.86 M, m, four arcs, paint
    EXPECT_EQ(lines[1], "50.00 60.00 m");
    EXPECT_EQ(lines[2], "55.00 60.00 60.00 55.00 60.00 50.00 c");
    EXPECT_EQ(lines[5], "40.00 55.00 45.00 60.00 50.00 60.00 c");
    EXPECT_EQ(lines[6], "b");
}

TEST_F(ContentTest, ExportImagePlacementOnA4)
{
    doc.EndDoc();
    output.Clear();
    doc.SetDefaultPageWidth(MMToPoint(210));
    doc.SetDefaultPageHeight(MMToPoint(297));
    page = doc.BeginDoc(output);
    canvas = page->Canvas();
    seen = 0;
    TPDFRect rect{MMToPoint(5), MMToPoint(5), MMToPoint(205), MMToPoint(292)};
    canvas->DrawJPEGImage(rect, smallJpeg(), true);
    EXPECT_EQ(take(), (QStringList{"q", "566.93 0 0 813.54 14.17 14.17 cm", "/Im1 Do", "Q"}));
}

TEST_F(ContentTest, RotatedImageWritesTheRotationFirst)
{
    canvas->DrawJPEGImage(10.0, 20.0, 30.0, 40.0, smallJpeg(), false, 90);
    EXPECT_EQ(take(), (QStringList{"q", "0.0000 1.0000 -1.0000 0.0000 0 0 cm", "30.00 0 0 40.00 10.00 20.00 cm",
                                   "/Im1 Do", "Q"}));
    // The DPI form sizes by pixels: 8 px at 144 dpi are 4 points.
    canvas->DrawJPEGImage(0.0, 0.0, 144, 144, smallJpeg());
    EXPECT_EQ(take()[1], "4.00 0 0 4.00 0.00 0.00 cm");
}

TEST_F(ContentTest, MalformedJpegAddsNothing)
{
    const int before = doc.Objects().Count();
    EXPECT_THROW(canvas->DrawJPEGImage(0.0, 0.0, 1.0, 1.0, QByteArray("not a jpeg")), FormatError);
    EXPECT_THROW(canvas->DrawJPEGImage(0.0, 0.0, 1.0, 1.0, smallJpeg().left(20)), FormatError);
    EXPECT_EQ(doc.Objects().Count(), before);
    EXPECT_TRUE(canvas->Bytes().isEmpty());
}

TEST(StringForms, LiteralStrings)
{
    struct Case {
        QString text;
        int mode;
        const char *hex;   // the bytes written
    };
    const Case cases[] = {
        {"A(B)", 0, "28 41 5c 28 42 5c 29 29"},                       // (A\(B\))
        {"a\\b", 0, "28 61 5c 5c 62 29"},                             // (a\\b)
        {"x\r\ny", 0, "28 78 5c 72 5c 6e 79 29"},                     // (x\r\ny)
        {"", 0, "28 29"},
        {"AB", 1, "28 00 41 00 42 29"},                               // wide font codes, no mark
        {"x\ty", 0, "28 fe ff 00 78 00 5c 74 00 79 29"},              // a tab is not plain text
        {QString::fromUtf8("日本"), 0, "28 fe ff 65 e5 67 2c 29"},
        {QString(QChar(0x2829)), 0, "28 fe ff 5c 28 5c 29 29"},       // both halves escaped
    };
    for (const Case &c : cases)
        EXPECT_EQ(written(c.text, c.mode).toHex(' ').toStdString(), c.hex) << c.text.toStdString();
}

TEST(StringForms, LongStringsContinueOnNewLines)
{
    const QByteArray ascii = written(QString(kStringChunk * 2 + 1, QChar('a')));
    EXPECT_EQ(ascii.count("\\\r\n"), 2);
    EXPECT_EQ(ascii.indexOf("\\\r\n"), 1 + kStringChunk);

    // 16-bit: every 32,700 bytes, that is every 16,350 units.
    const QByteArray wide = written(QString(kStringChunk, QChar(0x3042)));
    EXPECT_EQ(wide.count("\\\r\n"), 2);
    EXPECT_EQ(wide.indexOf("\\\r\n"), 3 + kStringChunk);
}

TEST(StringForms, WriteTextMapsUnitsToBytes)
{
    QByteArray out;
    ByteArraySink sink(out);
    EXPECT_EQ(WriteText(sink, QString::fromUtf8("a~\x01\x12\x13é日"), false, true), 9);
    EXPECT_EQ(out, QByteArray("a~\x01\x12\x1F\x1F\x1F\r\n"));
}

TEST_F(ContentTest, TextOutputWritesTheTextObject)
{
    canvas->TextOut(10, 20, QStringLiteral("Hi"));
    const QStringList lines = take();
    EXPECT_EQ(lines.front(), "BT");
    EXPECT_TRUE(lines.contains("10.00 TL"));
    EXPECT_TRUE(lines.contains("/F0 10.00 Tf"));
    EXPECT_TRUE(lines.contains("10.00 23.00 Td"));   // the baseline sits the descent (300/1000 em) above y
    EXPECT_TRUE(lines.contains("(Hi) Tj"));
    EXPECT_EQ(lines.back(), "ET");
    EXPECT_TRUE(page->Resources().ProcSet().contains(TPDFProcSet::ppsText));
    // A second text in the same font writes no text state again.
    canvas->TextOut(10, 40, QStringLiteral("Yo"));
    EXPECT_EQ(take(), (QStringList{"BT", "/F0 10.00 Tf", "10.00 43.00 Td", "(Yo) Tj", "ET"}));
}

TEST_F(ContentTest, TextPiecesSplitAtLineBreaks)
{
    canvas->PT_BeginText();
    canvas->PT_SelectFont();
    canvas->PT_WriteFont();
    canvas->PT_SetRowPitch(12);
    take();
    canvas->PT_TextOut(QStringLiteral("A\r\nB(\r\n"));
    EXPECT_EQ(take(), (QStringList{"(A) Tj", "(B\\() '"}));
    canvas->PT_EndText();
}

TEST_F(ContentTest, StateWrittenInsideQIsForgottenAtQ)
{
    canvas->Font().SetColor(0x0000FF);
    canvas->TextRect(TPDFRect{0, 0, 100, 100}, 0, 0, QStringLiteral("x"));
    EXPECT_TRUE(take().contains("1.00 0.00 0.00 rg"));
    // The red fill ended with Q; a red rectangle must set it again.
    canvas->SetPenColor(clNone);
    canvas->SetBrushColor(0x0000FF);
    canvas->Rectangle(0, 0, 1, 1);
    EXPECT_TRUE(take().contains("1.00 0.00 0.00 rg"));
}

TEST_F(ContentTest, TextWrapKeepsRunsTogether)
{
    // Courier at 10 points: every character is 6 points wide.
    struct Case {
        QString text;
        double width;
        QString wrapped;
    };
    const Case cases[] = {
        {"abc 2009", 30, "abc\r\n 2009"},
        {"xxxx Label", 48, "xxxx\r\n Label"},
        {"a Label", 24, "a \r\nLa\r\nbel"},   // never below two characters
        {QString::fromUtf8("あいう。"), 18, QString::fromUtf8("あい\r\nう。")},
        {QString::fromUtf8("あい「う"), 18, QString::fromUtf8("あい\r\n「う")},
        {"ab\r\ncd", 100, "ab\r\ncd"},
        {"abc", 1, "a\r\nb\r\nc"},   // a line always takes one character
    };
    for (const Case &c : cases)
        EXPECT_EQ(canvas->TextWrap(c.text, c.width).toStdString(), c.wrapped.toStdString()) << c.text.toStdString();
}

TEST_F(ContentTest, DrawTextCountsLines)
{
    const TPDFRect rect{0, 0, 200, 100};
    EXPECT_EQ(canvas->DrawText(rect, QString(), TPDFHorzTextAlign::htLeft, TPDFVertTextAlign::vtTop,
                               TPDFTextFit::ptfNone), 0);
    EXPECT_TRUE(take().isEmpty());
    EXPECT_EQ(canvas->DrawText(rect, QStringLiteral("a\r\nb\r\n"), TPDFHorzTextAlign::htLeft,
                               TPDFVertTextAlign::vtTop, TPDFTextFit::ptfNone), 2);
    EXPECT_EQ(canvas->DrawText(TPDFRect{0, 0, 30, 100}, QStringLiteral("abc 2009"), TPDFHorzTextAlign::htRight,
                               TPDFVertTextAlign::vtBottom, TPDFTextFit::ptfWordWrap), 2);
}

TEST_F(ContentTest, EvenAlignmentSpreadsCharacters)
{
    // "abc" is 18 points wide; in 38 points two gaps take 10 points each.
    canvas->TextRect2(TPDFRect{0, 0, 38, 20}, QStringLiteral("abc"), TPDFHorzTextAlign::htEven,
                      TPDFVertTextAlign::vtTop);
    EXPECT_TRUE(take().contains("10.00 Tc"));
}

TEST_F(ContentTest, ScaledFitShrinksWideLines)
{
    // "abcdefghij" is 60 points wide; 30 points need 50 % scaling.
    canvas->TextRect3(TPDFRect{0, 0, 30, 20}, QStringLiteral("abcdefghij"), TPDFHorzTextAlign::htLeft,
                      TPDFVertTextAlign::vtTop);
    const QStringList lines = take();
    const qsizetype tf = lines.indexOf("/F0 10.00 Tf");
    ASSERT_GE(tf, 0);
    EXPECT_EQ(lines.value(tf + 1), "50.00 Tz");
}
