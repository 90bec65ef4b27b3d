// Real jobs through the private print server: what arrives at the queue.
#include "print/CupsService.h"
#include "print/DevicePrint.h"
#include "print/PaperNumbers.h"
#include "print/tests/PrintTestSupport.h"
#include "testsupport/TestSupport.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace vellora;
using namespace vellora::test;

namespace {

std::unique_ptr<TDevicePrint> cupsPrint()
{
    return std::make_unique<TDevicePrint>(
        std::make_unique<TJwPrinter>(std::make_unique<TCupsService>(privateCupsServer())));
}

// Draws the page number large in the middle of the printable area.
void drawNumber(TDevicePrint &print, int page)
{
    QPainter *c = print.Canvas();
    ASSERT_NE(c, nullptr);
    QFont font(testFontFamily());
    font.setPixelSize(print.PageHeight() / 8);
    c->setFont(font);
    c->drawText(QRect(0, 0, print.PageWidth(), print.PageHeight()), Qt::AlignCenter,
                QStringLiteral("Page%1").arg(page));
}

// The page numbers in the order pdftotext finds them.
QStringList pageOrder(const QString &pdf)
{
    const QString text = runTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QStringList order;
    const QRegularExpression re(QStringLiteral("Page(\\d+)"));
    for (auto it = re.globalMatch(text); it.hasNext();)
        order << it.next().captured(1);
    return order;
}

QString pdfInfo(const QString &pdf, const QString &key)
{
    const QString info = runTool(QStringLiteral("pdfinfo"), {pdf});
    const QRegularExpression re(QStringLiteral("^") + key + QStringLiteral(":\\s*(.*)$"),
                                QRegularExpression::MultilineOption);
    return re.match(info).captured(1).trimmed();
}

} // namespace

TEST(CupsPrint, ListsTheQueuesAndHidesOneThatRejectsJobs)
{
    VELLORA_REQUIRE_CUPS();
    auto print = cupsPrint();
    const QStringList names = print->PrinterNames();
    EXPECT_TRUE(names.contains(QStringLiteral("VelloraPDF")));
    EXPECT_TRUE(names.contains(QStringLiteral("VelloraPS")));
    EXPECT_FALSE(names.contains(QStringLiteral("VelloraClosed")));
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(names, sorted);
    EXPECT_EQ(print->JwPrinter().DefaultPrinterName(), QStringLiteral("VelloraPDF"));

    ASSERT_TRUE(print->TrySetPrinter(QStringLiteral("VelloraPDF")));
    EXPECT_EQ(print->CurrentPrinterName(), QStringLiteral("VelloraPDF"));
    EXPECT_TRUE(print->HasPaperSizeNumber(9));
    EXPECT_TRUE(print->HasPaperSizeNumber(1));
    EXPECT_TRUE(print->PortNames().contains(QStringLiteral("file://") + QStringLiteral(VELLORA_BUILD_DIR)
                                            + QStringLiteral("/cups/out/VelloraPDF.pdf")));
    ASSERT_TRUE(print->TrySetPaperSize(9));
    print->ApplySettings();
    // A4 at the device's resolution, within the rounding of whole pixels.
    EXPECT_NEAR(print->MMPaperWidth(), 210.0, 0.2);
    EXPECT_NEAR(print->MMPaperHeight(), 297.0, 0.2);
    EXPECT_GT(print->MaxCopies(), 1);
}

TEST(CupsPrint, CollatedAndUncollatedCopiesArriveInOrder)
{
    VELLORA_REQUIRE_CUPS();
    struct Case {
        bool collate;
        const char *order;
    } const cases[] = {
        {true, "1 2 3 1 2 3"},
        {false, "1 1 2 2 3 3"},
    };
    for (const auto &c : cases) {
        TestQueue queue(QStringLiteral("VelloraCopies%1").arg(c.collate ? 1 : 0));
        ASSERT_TRUE(queue.ok());
        auto print = cupsPrint();
        ASSERT_TRUE(print->TrySetPrinter(queue.name()));
        ASSERT_TRUE(print->TrySetPaperSize(9));
        print->SetCopies(2);
        print->SetCollate(c.collate);
        print->SetTitle(QStringLiteral("copies"));
        print->BeginPrint();
        for (int page = 1; page <= 3; ++page) {
            if (page > 1)
                print->NewPage();
            drawNumber(*print, page);
        }
        print->EndPrint();
        ASSERT_TRUE(queue.waitIdle());
        ASSERT_TRUE(QFile::exists(queue.output()));
        EXPECT_EQ(pdfInfo(queue.output(), QStringLiteral("Pages")), QStringLiteral("6"));
        EXPECT_EQ(pageOrder(queue.output()).join(QLatin1Char(' ')), QLatin1String(c.order)) << c.collate;
        EXPECT_TRUE(pdfInfo(queue.output(), QStringLiteral("Page size")).startsWith(QStringLiteral("595")))
            << "A4 expected";
    }
}

TEST(CupsPrint, ReplayedRecordingHonoursRangeAndPaper)
{
    VELLORA_REQUIRE_CUPS();
    TestQueue queue(QStringLiteral("VelloraReplay"));
    ASSERT_TRUE(queue.ok());
    auto print = cupsPrint();
    ASSERT_TRUE(print->TrySetPrinter(queue.name()));
    ASSERT_TRUE(print->TrySetPaperSize(1));   // Letter
    print->BeginDoc();
    for (int page = 1; page <= 4; ++page) {
        if (page > 1)
            print->NewPage();
        drawNumber(*print, page);
    }
    print->EndDoc();
    print->SetPrintRange(TQvPrintRange::prPageNums);
    print->SetFromPage(2);
    print->SetToPage(3);
    print->PrintOut(true);
    ASSERT_TRUE(queue.waitIdle());
    EXPECT_EQ(pageOrder(queue.output()).join(QLatin1Char(' ')), QStringLiteral("2 3"));
    EXPECT_TRUE(pdfInfo(queue.output(), QStringLiteral("Page size")).startsWith(QStringLiteral("612 x 792")));
}

TEST(CupsPrint, WorkingCopyReachesTheQueueOnlyWhenApplied)
{
    VELLORA_REQUIRE_CUPS();
    auto print = cupsPrint();
    ASSERT_TRUE(print->TrySetPrinter(QStringLiteral("VelloraPDF")));
    TJwPrinter &jw = print->JwPrinter();
    const TDeviceSettings before = jw.DeviceSettings();
    jw.SetPaperSizeNumber(1);
    jw.SetOrientation(TJwPaperOrientation::jwOrLandScape);
    EXPECT_TRUE(jw.Modified());
    jw.DiscardModification();
    EXPECT_EQ(jw.DeviceSettings(), before);
    EXPECT_EQ(jw.PaperSizeNumber(), before.paperSize);

    if (print->HasPaperSizeNumber(kUserPaperSizeNumber)) {
        jw.SetUserPaperExtent({1000, 1500});
        EXPECT_EQ(jw.UserPaperExtent(), (TSize{1000, 1500}));
        jw.SetPaperSizeNumber(9);
        EXPECT_FALSE(jw.PrintCaps().contains(TJwPrintCap::jwPcPaperWidth));
        EXPECT_THROW(jw.UserPaperExtent(), EJwPrinterNoUserPaperExtent);
    }
    jw.SetPaperSizeNumber(11);
    jw.SetOrientation(TJwPaperOrientation::jwOrLandScape);
    print->ApplySettings();
    EXPECT_FALSE(jw.Modified());
    EXPECT_EQ(jw.DeviceSettings().paperSize, 11);
    EXPECT_NEAR(print->MMPaperWidth(), 210.0, 0.2);   // A5 turned
    EXPECT_NEAR(print->MMPaperHeight(), 148.0, 0.2);
}
