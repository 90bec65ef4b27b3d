// The sheet without a printer: the built-in papers and the one size limit,
// the paper background that prints over the whole page and how documents
// keep it, and captions made for every cell in one step.
#include "model/Captions.h"
#include "model/DocumentFormat.h"
#include "model/ImageInfo.h"
#include "model/PaperPrinter.h"
#include "model/PhotoPaper.h"
#include "model/StandardPapers.h"
#include "model/TextArea.h"
#include "print/MemoryPrint.h"
#include "settings/Errors.h"
#include "settings/Stream.h"
#include "testsupport/TestSupport.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <memory>

using namespace vellora;

namespace {

// The program-wide printer is one without printers for each test.
struct NoPrinter {
    std::unique_ptr<TQvPrint> previous = SetQvPrint(std::make_unique<TMemoryPrint>());
    ~NoPrinter()
    {
        PaperPrinter().SetPaper(nullptr);
        SetQvPrint(std::move(previous));
    }
};

QByteArray saved(const TPhotoPaper &paper)
{
    TMemoryStream stream;
    SavePaperToStream(stream, paper);
    return stream.Data();
}

void load(const QByteArray &bytes, TPhotoPaper &paper)
{
    TMemoryStream stream(bytes);
    LoadPaperFromStream(stream, paper);
}

} // namespace

TEST(StandardPapers, NamesAndAliasesFindTheSheet)
{
    struct Case {
        const char *name;
        double width, height;
        int number;
    } const cases[] = {
        {"A4", 210, 297, 9},          {"a3", 297, 420, 8},        {"L判", 89, 127, 256},
        {"L", 89, 127, 256},          {"2l", 127, 178, 256},      {"KG", 102, 152, 256},
        {"はがき", 100, 148, 43},      {"Postcard", 100, 148, 43}, {"hagaki", 100, 148, 43},
        {"B5 (JIS)", 182, 257, 13},   {"B5", 182, 257, 13},       {"A3ノビ", 329, 483, 256},
        {"六切", 203, 254, 256},       {"四切", 254, 305, 256},     {"Letter", 215.9, 279.4, 1},
        {"Legal", 215.9, 355.6, 5},   {"4x6in", 101.6, 152.4, 89}, {"5 × 7 インチ", 127, 177.8, 256},
        {"8x10in", 203.2, 254, 256},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const TStandardPaper *p = FindStandardPaper(QString::fromUtf8(c.name));
        ASSERT_NE(p, nullptr);
        EXPECT_DOUBLE_EQ(p->width, c.width);
        EXPECT_DOUBLE_EQ(p->height, c.height);
        EXPECT_EQ(p->number, c.number);
    }
    for (const char *unknown : {"", "Z9", "A7", "100x150"})
        EXPECT_EQ(FindStandardPaper(QString::fromUtf8(unknown)), nullptr) << unknown;
    EXPECT_EQ(StandardPaperCaption(*FindStandardPaper(QStringLiteral("A4"))), QStringLiteral("A4 (210 × 297 mm)"));
    EXPECT_EQ(StandardPaperCaption(*FindStandardPaper(QStringLiteral("Letter"))),
              QStringLiteral("レター (215.9 × 279.4 mm)"));
}

TEST(StandardPapers, OneSizeLimitForEverySheet)
{
    struct Case {
        double w, h;
        bool allowed;
    } const cases[] = {{210, 297, true}, {1, 1, true},       {1200, 1200, true}, {1200.1, 10, false},
                       {10, 10000, false}, {0.5, 100, false}, {-50, 100, false}};
    for (const Case &c : cases)
        EXPECT_EQ(PaperSizeAllowed(c.w, c.h), c.allowed) << c.w << " x " << c.h;
    EXPECT_TRUE(PaperSizeLimitMessage().contains(QStringLiteral("1200 mm")));
}

TEST(PageBackground, DrawnOverTheWholeSheetOnlyWhenItPrints)
{
    NoPrinter none;
    TPhotoPaper paper;
    paper.SetPaperSize(FloatSize(100, 100));
    paper.SetMargins(FloatRect(20, 20, 20, 20));
    paper.PhotoAreas().AdjustAreas();
    paper.Background().Fill().SetStyle(TFillStyle::fisSolid);
    paper.Background().Fill().SetColor(0x000000FF);   // red
    for (const bool on : {false, true}) {
        SCOPED_TRACE(on);
        paper.SetPrintBackground(on);
        const QColor expected = on ? QColor(Qt::red) : QColor(Qt::white);
        // The page, drawn in a band that starts 30 mm down the sheet.
        QImage page(100, 50, QImage::Format_RGB32);
        page.fill(Qt::white);
        {
            QPainter p(&page);
            paper.Draw(p, 25.4, FloatSize(0, 30));
        }
        EXPECT_EQ(page.pixelColor(5, 5), expected);
        EXPECT_EQ(page.pixelColor(95, 45), expected);
        // The schematic shows the sheet as it will print.
        QImage layout(220, 220, QImage::Format_RGB32);
        layout.fill(Qt::gray);
        {
            QPainter p(&layout);
            paper.DrawLayout(p, 220, 220);
        }
        const QRect sheet = paper.LayoutSheetRect(220, 220);
        EXPECT_EQ(layout.pixelColor(sheet.left() + 5, sheet.top() + 5), expected);
    }
}

TEST(PageBackground, DocumentsKeepTheFlagWhereReadersSkipIt)
{
    NoPrinter none;
    TPhotoPaper off;
    off.SetPaperSize(FloatSize(100, 148));
    off.Background().Fill().SetStyle(TFillStyle::fisSolid);
    const QByteArray plain = saved(off);
    // Off, the file is what it always was: no reserved values.
    ASSERT_GE(plain.size(), kDocumentSignatureSize + 2);
    EXPECT_EQ(plain.mid(kDocumentSignatureSize, 2), QByteArray(2, '\0'));

    TPhotoPaper on;
    on.Assign(off);
    on.SetPrintBackground(true);
    const QByteArray flagged = saved(on);
    // On, two reserved values follow the signature: the tag and the flag.
    TMemoryStream head(flagged);
    head.SetPosition(kDocumentSignatureSize);
    ASSERT_EQ(head.ReadU16(), 2);
    EXPECT_EQ(head.ReadU32(), kPageBackgroundTag);
    EXPECT_EQ(head.ReadU32(), 1u);
    // A reader that skips reserved values, as every reader of this format
    // does, reads the very same paper as from the file without the flag.
    EXPECT_EQ(flagged.mid(kDocumentSignatureSize + 2 + 8), plain.mid(kDocumentSignatureSize + 2));

    TPhotoPaper read;
    load(flagged, read);
    EXPECT_TRUE(read.PrintBackground());
    load(plain, read);
    EXPECT_FALSE(read.PrintBackground());
    // Values of a later version that this one does not know are skipped.
    QByteArray unknown = plain;
    unknown.replace(kDocumentSignatureSize, 2, QByteArray("\x02\x00" "ABCD" "\x01\x00\x00\x00", 10));
    read.SetPrintBackground(true);
    load(unknown, read);
    EXPECT_FALSE(read.PrintBackground());
    EXPECT_DOUBLE_EQ(static_cast<double>(read.PaperHeight()), 148.0);
}

TEST(PageBackground, ASheetBeyondTheLimitIsRefusedWhenRead)
{
    NoPrinter none;
    TPhotoPaper huge;
    huge.SetPaperSize(FloatSize(10000, 10000));
    TPhotoPaper read;
    try {
        load(saved(huge), read);
        ADD_FAILURE() << "a 10 m sheet was read";
    } catch (const Error &e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("mm までで指定してください")));
    }
}

namespace {

// A 2 × 2 postcard with four photo entries, drawn as a page of a run.
struct CaptionPage {
    NoPrinter none;
    TPhotoPaper paper;
    std::vector<std::unique_ptr<TImageInfo>> infos;

    CaptionPage()
    {
        paper.SetPaperSize(FloatSize(100, 148));
        paper.SetMargins(FloatRect(4, 4, 4, 4));
        paper.SetSpace(FloatSize(3, 3));
        paper.SetDivide({2, 2});
        paper.PhotoAreas().AdjustAreas();
        for (const char *name : {"canon-ixus.jpg", "landscape_1.jpg", "portrait_1.jpg", "landscape_3.jpg"}) {
            infos.push_back(std::make_unique<TImageInfo>());
            infos.back()->SetFileName(test::testDataPath(QStringLiteral("pages/photos/") + QLatin1String(name)),
                                      TImageLogging::iloLink);
            paper.PhotoList().push_back(infos.back().get());
        }
    }
    void draw()
    {
        paper.PhotoAreas().SetImageIndex(0);
        QImage image(MMToPixel(paper.PaperWidth(), 30), MMToPixel(paper.PaperHeight(), 30), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        paper.Draw(painter, 30, FloatSize(0, 0));
    }
};

} // namespace

TEST(Captions, OneLinkedTextAreaPerCellAndThePhotosMakeRoom)
{
    struct Case {
        TCaptionPosition position;
        double top, bottom;   // caption bounds relative to the cell, given the new cell height H
        bool shrinks;
    } const cases[] = {
        {TCaptionPosition::cpBelow, 0, 1, true},
        {TCaptionPosition::cpAbove, -1, 0, true},
        {TCaptionPosition::cpInsideBottom, -1, 0, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.position));
        CaptionPage t;
        const double before = static_cast<double>(t.paper.PhotoAreas().Items(0)->Height());   // 68.5
        TCaptionSpec spec;
        spec.source = TTextSourceType::tstFileName;
        spec.position = c.position;
        spec.height = 6;
        ASSERT_TRUE(ApplyCaptions(t.paper, spec));
        const double h = static_cast<double>(t.paper.PhotoAreas().Items(0)->Height());
        EXPECT_NEAR(h, c.shrinks ? before - 6 : before, 1e-9);
        t.draw();
        for (int i = 0; i < 4; ++i) {
            TPhotoArea &cell = *t.paper.PhotoAreas().Items(i);
            ASSERT_EQ(cell.Areas().Count(), 1);
            auto *caption = dynamic_cast<TTextArea *>(cell.Areas().Items(0));
            ASSERT_NE(caption, nullptr);
            EXPECT_EQ(caption->LinkAreaIndex(), i);
            EXPECT_EQ(caption->Source(), TTextSourceType::tstFileName);
            const TFloatRect b = caption->Bounds();
            EXPECT_NEAR(static_cast<double>(b.Right - b.Left), static_cast<double>(cell.Width()), 1e-9);
            const double top = c.position == TCaptionPosition::cpBelow ? h : c.position == TCaptionPosition::cpAbove ? -6 : h - 6;
            EXPECT_NEAR(static_cast<double>(b.Top), top, 1e-9);
            EXPECT_NEAR(static_cast<double>(b.Bottom), top + 6, 1e-9);
            // The page read back: each cell's caption names that cell's photo.
            EXPECT_EQ(caption->CurrentText(false), QFileInfo(t.infos[static_cast<size_t>(i)]->FileName()).fileName());
        }
        // Below or above, the caption lies between the cell and the next row,
        // inside the sheet.
        const TPhotoArea &last = *t.paper.PhotoAreas().Items(3);
        const double bottom = static_cast<double>(last.Bounds().Top + last.Areas().Items(0)->Bounds().Bottom);
        EXPECT_LE(bottom, 148.0 - 4 + 1e-9);
    }
}

TEST(Captions, ACaptionTooHighForTheCellsChangesNothing)
{
    CaptionPage t;
    const QByteArray before = saved(t.paper);
    TCaptionSpec spec;
    spec.height = 70;   // the cells are 68.5 mm high
    EXPECT_FALSE(CaptionFits(t.paper, spec));
    EXPECT_FALSE(ApplyCaptions(t.paper, spec));
    spec.position = TCaptionPosition::cpInsideBottom;
    EXPECT_FALSE(ApplyCaptions(t.paper, spec));
    EXPECT_EQ(saved(t.paper), before);
}
