#include "model/PaperPrinter.h"
#include "model/PhotoPaper.h"
#include "model/TextArea.h"
#include "model/ImageArea.h"
#include "print/MemoryPrint.h"
#include "testsupport/TestSupport.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace vellora;

namespace {

// Installs an in-memory printing service for one test and restores the old one.
class PaperTest : public ::testing::Test {
protected:
    void install(std::vector<TMemoryPrinter> printers)
    {
        auto print = std::make_unique<TMemoryPrint>(std::move(printers));
        FPrint = print.get();
        FOld = SetQvPrint(std::move(print));
    }
    void TearDown() override
    {
        if (FOld)
            SetQvPrint(std::move(FOld));
    }
    static TMemoryPrinter printerWithMargins()
    {
        TMemoryPrinter p = TMemoryPrint::StandardPrinter(QStringLiteral("Office"));
        const double m[4] = {3, 5, 3, 5};
        std::copy(std::begin(m), std::end(m), p.margins);
        return p;
    }

    TMemoryPrint *FPrint = nullptr;
    std::unique_ptr<TQvPrint> FOld;
};

} // namespace

TEST_F(PaperTest, NewPaperTakesThePrintersPaperAndMargins)
{
    install({printerWithMargins()});
    TPhotoPaper paper;
    EXPECT_EQ(paper.PrinterName(), QStringLiteral("Office"));
    EXPECT_EQ(paper.PaperSizeNumber(), 9);
    EXPECT_EQ(paper.PaperSize(), FloatSize(210, 297));
    EXPECT_EQ(paper.PaperName(), QStringLiteral("新規の用紙"));
    EXPECT_EQ(paper.BorderWidth(), 5.0);
    EXPECT_FALSE(paper.State().contains(TObjectState::obsCreating));
    ASSERT_EQ(paper.PhotoAreas().Count(), 1);
    EXPECT_EQ(paper.PhotoAreas().Items(0)->Bounds(), FloatRect(3, 5, 207, 292));
    EXPECT_EQ(paper.PhotoSize(), TPhotoSize::psPaper);
    EXPECT_EQ(paper.Rotate(), TPhotoRotate::prAuto);
    EXPECT_EQ(paper.PrintOptions().LastPage, 999);
}

TEST_F(PaperTest, GridCellsTileThePrintableArea)
{
    install({TMemoryPrint::StandardPrinter(QStringLiteral("P"))});
    TPhotoPaper paper;
    paper.SetMargins(FloatRect(10, 10, 10, 10));
    paper.SetDivide({2, 3});
    paper.SetSpace(FloatSize(5, 5));
    ASSERT_EQ(paper.PhotoAreas().Count(), 6);
    const TPhotoArea *cell3 = paper.PhotoAreas().Items(3);
    EXPECT_EQ(cell3->Width(), 92.5L);
    EXPECT_EQ(cell3->Height(), 89.0L);
    EXPECT_EQ(cell3->Bounds(), FloatRect(107.5L, 104, 200, 193));
    EXPECT_EQ(paper.PhotoAreas().Items(4)->Bounds(), FloatRect(10, 198, 102.5L, 287));

    // Shrinking the grid deletes the last cells.
    paper.SetDivide({1, 2});
    paper.PhotoAreas().AdjustAreas();
    EXPECT_EQ(paper.PhotoAreas().Count(), 2);
}

TEST_F(PaperTest, DivideIsClampedAndResetsTheStartArea)
{
    install({});
    TPhotoPaper paper;
    paper.SetDivide({0, 4});
    EXPECT_EQ(paper.Divide(), (TIntSize{1, 4}));
    paper.PrintOptions().StartArea = 3;
    paper.SetDivide({1, 1});
    EXPECT_EQ(paper.PrintOptions().StartArea, 1);
    paper.SetHorzDivide(-5);
    EXPECT_EQ(paper.HorzDivide(), 1);
    paper.SetBorderWidth(-2);
    EXPECT_EQ(paper.BorderWidth(), 0.0);
    EXPECT_EQ(paper.Margin(7), 0.0L);
}

TEST_F(PaperTest, OrientationSwapsTheSizeOnlyWhenItChanges)
{
    install({});
    TPhotoPaper paper;
    EXPECT_EQ(paper.PaperSize(), FloatSize(210, 297));   // A4 without printers
    paper.SetOrientation(TQvOrientation::qotPortrait);
    EXPECT_EQ(paper.PaperSize(), FloatSize(210, 297));
    paper.SetOrientation(TQvOrientation::qotLandscape);
    EXPECT_EQ(paper.PaperSize(), FloatSize(297, 210));
    EXPECT_EQ(paper.PhotoAreas().Items(0)->Bounds(), FloatRect(0, 0, 297, 210));
}

TEST_F(PaperTest, UnknownPrinterNameIsNotTaken)
{
    install({TMemoryPrint::StandardPrinter(QStringLiteral("A")), TMemoryPrint::StandardPrinter(QStringLiteral("B"))});
    TPhotoPaper paper;
    paper.SetPrinterName(QStringLiteral("B"));
    EXPECT_EQ(paper.PrinterName(), QStringLiteral("B"));
    paper.SetPrinterName(QStringLiteral("Gone"));
    EXPECT_EQ(paper.PrinterName(), QStringLiteral("B"));
}

TEST_F(PaperTest, InheritedSettingsFollowThePaperOwnOnesStay)
{
    install({});
    TPhotoPaper paper;
    paper.SetDivide({2, 1});
    paper.PhotoAreas().AdjustAreas();
    TPhotoArea *own = paper.PhotoAreas().Items(1);
    own->SetPhotoSize(TPhotoSize::psPhoto);
    own->Background().Fill().SetStyle(TFillStyle::fisSolid);
    EXPECT_FALSE(own->ParentPhotoSize());
    EXPECT_FALSE(own->ParentBackground());

    paper.SetPhotoSize(TPhotoSize::psScale);
    paper.Background().Fill().SetColor(0x0000FF);
    const TPhotoArea *inheriting = paper.PhotoAreas().Items(0);
    EXPECT_EQ(inheriting->PhotoSize(), TPhotoSize::psScale);
    EXPECT_EQ(inheriting->Background().Fill().Color(), 0x0000FFu);
    EXPECT_TRUE(inheriting->ParentBackground());
    EXPECT_EQ(own->PhotoSize(), TPhotoSize::psPhoto);
    EXPECT_EQ(own->Background().Fill().Color(), clWhite);

    // A dialog may change values inside Begin/EndParentChange without losing inheritance.
    TPhotoArea *cell = paper.PhotoAreas().Items(0);
    cell->BeginParentChange();
    cell->SetRotate(TPhotoRotate::pr90);
    cell->EndParentChange();
    EXPECT_TRUE(cell->ParentRotate());
    own->SetParentPhotoSize(true);
    EXPECT_EQ(own->PhotoSize(), TPhotoSize::psScale);
}

TEST_F(PaperTest, AssignCopiesTheLayout)
{
    install({});
    TPhotoPaper source;
    source.SetDivide({3, 2});
    source.SetMargins(FloatRect(4, 4, 4, 4));
    source.PhotoAreas().Items(2)->SetHorizontalAlign(TPhotoAlign::paRightBottom);
    source.SetOrientation(TQvOrientation::qotLandscape);
    source.SetPaperName(QStringLiteral("二列"));

    TPhotoPaper copy;
    copy.Assign(source);
    EXPECT_EQ(copy.PaperName(), QStringLiteral("二列"));
    EXPECT_EQ(copy.PaperSize(), FloatSize(297, 210));
    ASSERT_EQ(copy.PhotoAreas().Count(), 6);
    EXPECT_EQ(copy.PhotoAreas().Items(5)->Bounds(), source.PhotoAreas().Items(5)->Bounds());
    EXPECT_EQ(copy.PhotoAreas().Items(2)->HorizontalAlign(), TPhotoAlign::paRightBottom);
    EXPECT_FALSE(copy.PhotoAreas().Items(2)->ParentHorizontalAlign());
    EXPECT_TRUE(copy.PhotoAreas().Items(1)->ParentHorizontalAlign());
}

TEST_F(PaperTest, LayoutPreviewFitsTheSheetIntoTheCanvas)
{
    install({});
    TPhotoPaper paper;
    EXPECT_DOUBLE_EQ(paper.LayoutMagnification(410, 310), 300.0 / 297.0);
    const QRect sheet = paper.LayoutSheetRect(410, 310);
    EXPECT_EQ(sheet, QRect((410 - 212) / 2, (310 - 300) / 2, 212, 300));
    EXPECT_EQ(TPhotoArea::LayoutLabelHeight(40, 13, QFont(vellora::test::testFontFamily())), 6);
}

TEST_F(PaperTest, LayoutPreviewDrawsSheetCellsAndNumbers)
{
    install({printerWithMargins()});
    const QString family = vellora::test::testFontFamily();
    ASSERT_FALSE(family.isEmpty());
    TPhotoPaper paper;
    paper.SetDivide({3, 2});
    paper.SetSpace(FloatSize(4, 4));
    paper.SetOrientation(TQvOrientation::qotLandscape);
    paper.Background().Fill().SetStyle(TFillStyle::fisSolid);
    paper.Background().Fill().SetColor(0x00E0FF);          // orange-yellow ($00BBGGRR)
    paper.PhotoAreas().Items(4)->Background().Frame().SetStyle(TFrameStyle::frsDash);

    QImage image(410, 310, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setFont(QFont(family));
        paper.DrawLayout(painter, image.width(), image.height());
    }
    const QString out = vellora::test::scratchDir(QStringLiteral("layout")) + QStringLiteral("/grid3x2.png");
    ASSERT_TRUE(image.save(out));

    const QRect sheet = paper.LayoutSheetRect(410, 310);
    const double bai = paper.LayoutMagnification(410, 310);
    // Shadow below right, grey outline, the fill colour inside cells, and the
    // complement-coloured label in the middle of cell 1.
    EXPECT_EQ(image.pixelColor(sheet.right() + 2, sheet.bottom() + 2), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(image.pixelColor(sheet.left(), sheet.top() + 50), QColor(0x80, 0x80, 0x80));
    const TFloatRect c0 = paper.PhotoAreas().Items(0)->Bounds();
    const QPoint inCell(sheet.left() + int(double(c0.Left) * bai) + 4, sheet.top() + int(double(c0.Top) * bai) + 4);
    EXPECT_EQ(image.pixelColor(inCell), QColor(0xFF, 0xE0, 0x00));
    bool sawLabel = false;
    const int cx = sheet.left() + int(double((c0.Left + c0.Right) / 2) * bai);
    const int cy = sheet.top() + int(double((c0.Top + c0.Bottom) / 2) * bai);
    for (int y = cy - 10; y <= cy + 10; ++y)
        for (int x = cx - 10; x <= cx + 10; ++x)
            sawLabel |= image.pixelColor(x, y).blue() > 0x80;   // complement of the fill is blue
    EXPECT_TRUE(sawLabel);
}

namespace {

// The schematic drawn the plain way, one cell at a time by the cells
// themselves: what the preview must look like, pixel for pixel.
QImage plainLayout(const TPhotoPaper &paper, QSize size, const QFont &font, Qt::LayoutDirection direction)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setFont(font);
    p.setLayoutDirection(direction);
    const QRect sheet = paper.LayoutSheetRect(size.width(), size.height());
    p.fillRect(sheet.translated(2, 2), QColor(0x80, 0x80, 0x80));
    paper.Background().Fill().DrawLayout(p, sheet);
    paper.Background().Frame().DrawLayout(p, sheet);
    paper.PhotoAreas().DrawLayout(p, sheet, paper.LayoutMagnification(size.width(), size.height()));
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.setBrush(Qt::NoBrush);
    p.drawRect(sheet.adjusted(0, 0, -1, -1));
    return image;
}

} // namespace

TEST_F(PaperTest, LayoutPreviewMatchesTheCellByCellDrawing)
{
    install({printerWithMargins()});
    const QFont ipa(vellora::test::testFontFamily());
    QFont underlined = ipa;
    underlined.setUnderline(true);
    QFont boldItalic;
    boldItalic.setBold(true);
    boldItalic.setItalic(true);
    struct Case {
        int cols, rows;
        double space;
        QSize canvas;
        QFont font;
        Qt::LayoutDirection direction;
    };
    const Case cases[] = {
        {1, 1, 0, {410, 310}, ipa, Qt::LayoutDirectionAuto},          // one big number
        {3, 2, 4, {410, 310}, ipa, Qt::LeftToRight},
        {12, 9, 1.5, {600, 450}, QFont(), Qt::LayoutDirectionAuto},    // two-digit numbers, the default font
        {40, 30, 0.5, {600, 800}, boldItalic, Qt::LayoutDirectionAuto},
        {99, 99, 0.5, {240, 320}, ipa, Qt::LayoutDirectionAuto},       // the dialog's largest grid
        {99, 99, 0, {900, 1200}, QFont(), Qt::LayoutDirectionAuto},    // four-digit numbers that can be read
        {20, 20, 1, {500, 700}, underlined, Qt::LayoutDirectionAuto},  // decorations are drawn as text
        {20, 20, 1, {500, 700}, ipa, Qt::RightToLeft},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.cols << " x " << c.rows << " on " << c.canvas.width() << " x "
                                        << c.canvas.height() << ", " << c.font.family().toStdString());
        TPhotoPaper paper;
        paper.SetDivide({c.cols, c.rows});
        paper.SetSpace(FloatSize(c.space, c.space));
        const int count = paper.PhotoAreas().Count();
        // Cells of their own: a dark solid fill (light number), a gradient, a dashed frame.
        TBackground &dark = paper.PhotoAreas().Items(count / 2)->Background();
        dark.Fill().SetStyle(TFillStyle::fisSolid);
        dark.Fill().SetColor(0x402010);
        TBackground &gradient = paper.PhotoAreas().Items(count - 1)->Background();
        gradient.Fill().SetStyle(TFillStyle::fisGradient);
        gradient.Fill().SetColor(0x00C0FF);
        paper.PhotoAreas().Items(0)->Background().Frame().SetStyle(TFrameStyle::frsDash);

        QImage image(c.canvas, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            p.setFont(c.font);
            p.setLayoutDirection(c.direction);
            paper.DrawLayout(p, image.width(), image.height());
        }
        const QImage expected = plainLayout(paper, c.canvas, c.font, c.direction);
        int differing = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                differing += image.pixel(x, y) != expected.pixel(x, y);
        EXPECT_EQ(differing, 0);
        if (differing) {
            const QString dir = vellora::test::scratchDir(QStringLiteral("layout-diff"));
            image.save(dir + QStringLiteral("/drawn.png"));
            expected.save(dir + QStringLiteral("/expected.png"));
        }
    }
}

TEST_F(PaperTest, LayoutPreviewShowsFreeAreasAsOutlinesAndColourFills)
{
    install({printerWithMargins()});
    TPhotoPaper paper;
    paper.SetDivide({2, 1});
    paper.PhotoAreas().AdjustAreas();
    TPhotoArea &cell = *paper.PhotoAreas().Items(1);
    cell.Background().Fill().SetStyle(TFillStyle::fisSolid);
    cell.Background().Fill().SetColor(0xFF0000);                  // blue
    // On the paper: a red text area with no frame; a clear one running off the right edge.
    TTextArea *red = paper.Areas().AddText();
    red->SetBounds(FloatRect(20, 20, 80, 60));
    red->Background().Fill().SetStyle(TFillStyle::fisSolid);
    red->Background().Fill().SetColor(0x0000FF);
    TTextArea *off = paper.Areas().AddText();
    off->SetBounds(FloatRect(150, 200, 260, 240));
    // In the blue cell, relative to its corner: a clear area with a green frame.
    TCustomArea *inCell = cell.Areas().AddImage();
    inCell->SetBounds(FloatRect(10, 100, 60, 160));
    inCell->Background().Fill().SetStyle(TFillStyle::fisNone);
    inCell->Background().Frame().SetStyle(TFrameStyle::frsSolid);
    inCell->Background().Frame().SetColor(0x00FF00);

    QImage image(410, 310, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        paper.DrawLayout(p, image.width(), image.height());
    }
    image.save(vellora::test::scratchDir(QStringLiteral("layout")) + QStringLiteral("/free-areas.png"));
    const QRect sheet = paper.LayoutSheetRect(410, 310);
    const double bai = paper.LayoutMagnification(410, 310);
    auto at = [&](double xmm, double ymm) {
        return image.pixelColor(sheet.left() + RoundHalfEven(xmm * bai), sheet.top() + RoundHalfEven(ymm * bai));
    };
    EXPECT_EQ(at(50, 40), QColor(0xFF, 0, 0));                    // colour fill
    EXPECT_EQ(at(20, 40), QColor(0xC0, 0xC0, 0xC0));              // unframed: grey outline
    EXPECT_EQ(at(200, 200), QColor(0xC0, 0xC0, 0xC0));
    const double cx = static_cast<double>(cell.Left()), cy = static_cast<double>(cell.Top());
    EXPECT_EQ(at(cx + 10, cy + 130), QColor(0, 0xFF, 0));         // its own frame
    EXPECT_EQ(at(cx + 35, cy + 130), QColor(0, 0, 0xFF));         // the cell shows through
    // Nothing beyond the sheet and its shadow.
    const int y = sheet.top() + RoundHalfEven(200 * bai);
    for (int x = sheet.right() + 3; x < image.width(); ++x)
        ASSERT_EQ(image.pixelColor(x, y), QColor(Qt::white)) << x;
}

namespace {

TMemoryPrinter paperListPrinter()
{
    TMemoryPrinter p;
    p.name = QStringLiteral("List");
    p.papers = {
        {QStringLiteral("Big"), 8, 297, 420},
        {QStringLiteral("A4"), 9, 210, 297},
        {QStringLiteral("Small"), 11, 148, 210},
        {QStringLiteral("A4 again"), 70, 210, 297},
    };
    p.defaultPaperNumber = 11;
    return p;
}

} // namespace

TEST_F(PaperTest, FallbackPicksTheSmallestPaperThatHoldsTheSheet)
{
    struct Case {
        const char *what;
        double width, height;
        bool hasOrientation;
        bool landscape;
        int expectedNumber;
        TQvOrientation expectedPaperOrientation;
    } const cases[] = {
        {"later paper of equal size wins", 200, 280, true, false, 70, TQvOrientation::qotPortrait},
        {"smallest that holds", 140, 200, true, false, 11, TQvOrientation::qotPortrait},
        {"nothing fits gives index 0", 500, 500, true, false, 8, TQvOrientation::qotPortrait},
        {"landscape without orientation capability", 280, 200, false, true, 70, TQvOrientation::qotPortrait},
    };
    for (const auto &c : cases) {
        TMemoryPrinter printer = paperListPrinter();
        printer.hasOrientation = c.hasOrientation;
        install({printer});
        TPhotoPaper paper;
        paper.SetPaperSizeNumber(999);                 // unknown to the printer
        if (c.landscape) {
            paper.StoreOrientation(TQvOrientation::qotLandscape);
        }
        paper.SetPaperSize(FloatSize(c.width, c.height));
        PaperPrinter().SetPaper(&paper);
        PaperPrinter().AdjustPrinter();
        EXPECT_EQ(FPrint->PaperSizeNumber(), c.expectedNumber) << c.what;
        EXPECT_EQ(paper.Orientation(), c.expectedPaperOrientation) << c.what;
        TearDown();
    }
}

TEST_F(PaperTest, AdjustPrinterTakesAKnownPaperAndUserSizes)
{
    TMemoryPrinter printer = paperListPrinter();
    printer.userSize = true;
    install({printer});
    TPhotoPaper paper;
    paper.SetPaperSizeNumber(9);
    paper.SetOrientation(TQvOrientation::qotLandscape);
    PaperPrinter().SetPaper(&paper);
    PaperPrinter().AdjustPrinter();
    EXPECT_EQ(FPrint->PaperSizeNumber(), 9);
    EXPECT_EQ(FPrint->Orientation(), TQvOrientation::qotLandscape);
    EXPECT_EQ(FPrint->MMPaperWidth(), 297);   // A4 turned to landscape
    EXPECT_EQ(FPrint->MMPaperHeight(), 210);

    paper.SetPaperSizeNumber(kUserPaperSizeNumber);
    paper.SetOrientation(TQvOrientation::qotPortrait);
    paper.SetPaperSize(FloatSize(100, 150));
    PaperPrinter().AdjustPrinter();
    EXPECT_EQ(FPrint->PaperSizeNumber(), kUserPaperSizeNumber);
    EXPECT_EQ(FPrint->MMPaperWidth(), 100);
    EXPECT_EQ(FPrint->MMPaperHeight(), 150);
}
