// Real jobs through the private print server: what arrives at the queue.
#include "print/CupsService.h"
#include "print/DevicePrint.h"
#include "print/PaperNumbers.h"
#include "print/tests/PrintTestSupport.h"
#include "settings/Errors.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

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

TEST(CupsPrint, ListsTheQueuesWithOneThatRejectsJobsAndRefusesItsJob)
{
    VELLORA_REQUIRE_CUPS();
    auto print = cupsPrint();
    const QStringList names = print->PrinterNames();
    EXPECT_TRUE(names.contains(QStringLiteral("VelloraPDF")));
    EXPECT_TRUE(names.contains(QStringLiteral("VelloraPS")));
    // Listed with its state, so that the user learns why it does not print.
    ASSERT_TRUE(names.contains(QStringLiteral("VelloraClosed")));
    ASSERT_NE(print->JwPrinter().Entry(QStringLiteral("VelloraClosed")), nullptr);
    EXPECT_FALSE(print->JwPrinter().Entry(QStringLiteral("VelloraClosed"))->accepting);
    ASSERT_TRUE(print->TrySetPrinter(QStringLiteral("VelloraClosed")));
    print->BeginPrint();
    print->Canvas()->drawRect(0, 0, 10, 10);
    EXPECT_THROW(print->EndPrint(), Error);
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

TEST(CupsPrint, PagesAreSpooledToAFileThatGoesWithTheJob)
{
    VELLORA_REQUIRE_CUPS();
    // The spool files land in a folder of the test's own.
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp.path().toUtf8());
    // The spool file may have no name (O_TMPFILE): the process's open files
    // in that folder, with their sizes.
    auto spooled = [&] {
        std::vector<qint64> sizes;
        for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files)) {
            struct stat st {};
            if (fd.symLinkTarget().startsWith(temp.path()) && ::stat(fd.filePath().toLocal8Bit().constData(), &st) == 0)
                sizes.push_back(static_cast<qint64>(st.st_size));
        }
        return sizes;
    };
    // A picture that does not compress, drawn on each page.
    QImage noise(200, 200, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < noise.height(); ++y) {
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, random.generate() | 0xFF000000u);
    }
    for (const bool refused : {false, true}) {
        TestQueue queue(QStringLiteral("VelloraSpool%1").arg(refused ? 1 : 0));
        ASSERT_TRUE(queue.ok());
        auto print = cupsPrint();
        ASSERT_TRUE(print->TrySetPrinter(queue.name()));
        if (refused)
            runTool(QStringLiteral("cupsreject"), {queue.name()});
        print->BeginPrint();
        for (int page = 1; page <= 2; ++page) {
            drawNumber(*print, page);
            print->Canvas()->drawImage(QRect(0, 0, 300, 300), noise);
            print->NewPage();
        }
        // The finished pages are in a file, not in memory.
        const std::vector<qint64> files = spooled();
        ASSERT_EQ(files.size(), 1u) << refused;
        EXPECT_GT(files[0], 30000) << refused;   // two pictures, past any write buffer
        drawNumber(*print, 3);
        if (refused) {
            EXPECT_THROW(print->EndPrint(), Error);
        } else {
            print->EndPrint();
            ASSERT_TRUE(queue.waitIdle());
            EXPECT_EQ(pageOrder(queue.output()).join(QLatin1Char(' ')), QStringLiteral("1 2 3"));
        }
        EXPECT_TRUE(spooled().empty()) << refused;
    }
    if (oldTemp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTemp);
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
