// The printer abstraction on the in-memory printing system: copies,
// collation and page ranges of a replayed recording, the recorder's rules,
// and the arithmetic between device pixels and millimetres.
#include "print/DevicePrint.h"
#include "print/MemoryService.h"

#include <gtest/gtest.h>

using namespace vellora;

namespace {

using C = TJwPrintCap;

struct Fixture {
    std::shared_ptr<TFakeSystem> system = std::make_shared<TFakeSystem>();
    std::unique_ptr<TDevicePrint> print;

    explicit Fixture(std::vector<TFakeDevice> devices)
    {
        system->devices = std::move(devices);
        print = std::make_unique<TDevicePrint>(
            std::make_unique<TJwPrinter>(std::make_unique<TMemoryService>(system)));
    }
    explicit Fixture(TFakeDevice device) : Fixture(std::vector<TFakeDevice>{std::move(device)}) {}
};

TFakeDevice device(bool copies, bool collate, const QString &name = QStringLiteral("P"))
{
    TFakeDevice d = TMemoryService::StandardDevice(name);
    if (!copies)
        d.defaults.fields.exclude(C::jwPcCopies);
    if (!collate)
        d.defaults.fields.exclude(C::jwPcCollate);
    return d;
}

// Page n is filled with grey level 10 × n, so a received page says which it is.
void record(TDevicePrint &print, int pages)
{
    print.BeginDoc();
    for (int n = 1; n <= pages; ++n) {
        if (n > 1)
            print.NewPage();
        print.Canvas()->fillRect(0, 0, 20, 20, QColor(10 * n, 10 * n, 10 * n));
    }
    print.EndDoc();
}

std::vector<int> received(const TFakeJob &job, int offsetX, int offsetY)
{
    std::vector<int> pages;
    for (const QImage &page : job.pages)
        pages.push_back(qRed(page.pixel(offsetX + 5, offsetY + 5)) / 10);
    return pages;
}

} // namespace

TEST(DevicePrint, PrintOutMakesTheCopiesTheDeviceCannot)
{
    struct Case {
        const char *what;
        bool hasCopies, hasCollate, collate, useSetting;
        std::vector<int> pages;
        int deviceCopiesInJob;
    } const cases[] = {
        {"collate on a device without collation", true, false, true, true, {1, 2, 1, 2, 1, 2}, 3},
        {"no collation on a device without copies", false, false, false, true, {1, 1, 1, 2, 2, 2}, 1},
        {"the device makes collated copies itself", true, true, true, true, {1, 2}, 3},
        {"without the settings each page once, device copies 1", true, true, true, false, {1, 2}, 1},
    };
    for (const auto &c : cases) {
        Fixture f(device(c.hasCopies, c.hasCollate));
        TDevicePrint &p = *f.print;
        record(p, 2);
        p.SetCopies(3);
        p.SetCollate(c.collate);
        if (c.hasCopies) {
            p.JwPrinter().SetCopies(3);
            p.ApplySettings();
        }
        p.PrintOut(c.useSetting);
        ASSERT_EQ(f.system->jobs.size(), 1u) << c.what;
        const TFakeJob &job = f.system->jobs[0];
        EXPECT_TRUE(job.ended) << c.what;
        EXPECT_EQ(job.title, QStringLiteral("Unknown")) << c.what;
        EXPECT_EQ(received(job, p.LeftMargin(), p.TopMargin()), c.pages) << c.what;
        EXPECT_EQ(job.settings.copies, c.deviceCopiesInJob) << c.what;
        if (c.hasCopies) {
            EXPECT_EQ(p.JwPrinter().DeviceSettings().copies, 3) << c.what << ": device copies after the job";
        }
        EXPECT_FALSE(p.Printing()) << c.what;
    }
}

TEST(DevicePrint, PrintOutHonoursThePageRangeAndAnEmptyRecording)
{
    Fixture f(device(true, true));
    TDevicePrint &p = *f.print;
    record(p, 5);
    p.SetPrintRange(TQvPrintRange::prPageNums);
    p.SetFromPage(2);
    p.SetToPage(9);
    p.PrintOut(true);
    p.PrintOut(false);     // the range is a setting too
    ASSERT_EQ(f.system->jobs.size(), 2u);
    EXPECT_EQ(received(f.system->jobs[0], p.LeftMargin(), p.TopMargin()), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(received(f.system->jobs[1], p.LeftMargin(), p.TopMargin()), (std::vector<int>{1, 2, 3, 4, 5}));

    p.BeginDoc();
    p.EndDoc();
    p.SetPrintRange(TQvPrintRange::prAllPages);
    p.PrintOut(true);      // one blank page recorded: a job with that page
    ASSERT_EQ(f.system->jobs.size(), 3u);
    EXPECT_TRUE(f.system->jobs[2].ended);
    EXPECT_EQ(f.system->jobs[2].pages.size(), 1u);
}

TEST(DevicePrint, BeginPrintGivesTheDeviceCopiesAndCollation)
{
    for (bool hasCopies : {true, false}) {
        Fixture f(device(hasCopies, hasCopies));
        TDevicePrint &p = *f.print;
        p.SetCopies(3);
        p.SetCollate(true);
        p.SetTitle(QStringLiteral("Album"));
        p.BeginPrint();
        p.Canvas()->fillRect(0, 0, 10, 10, Qt::black);
        p.NewPage();
        p.EndPrint();
        ASSERT_EQ(f.system->jobs.size(), 1u);
        const TFakeJob &job = f.system->jobs[0];
        EXPECT_EQ(job.title, QStringLiteral("Album"));
        EXPECT_EQ(job.pages.size(), 2u) << "a direct job is printed once, copies are the device's";
        EXPECT_EQ(job.settings.copies, hasCopies ? 3 : 1);
        EXPECT_EQ(job.settings.collate, hasCopies ? 1 : 0);
    }
}

TEST(DevicePrint, CopiesAndPageRangeRules)
{
    TFakeDevice noMax = device(true, true);
    noMax.lists.avail.exclude(TJwAvailInfo::jwAvMaxCopies);
    Fixture f({noMax, device(true, true, QStringLiteral("Q"))});
    TDevicePrint &p = *f.print;
    EXPECT_EQ(p.Copies(), 0);
    p.SetCopies(0);
    EXPECT_EQ(p.Copies(), 1);
    p.SetCopies(150);
    EXPECT_EQ(p.Copies(), 99);
    p.SetPrinterIndex(1);
    p.SetCopies(150);
    EXPECT_EQ(p.Copies(), 50);       // the device's maximum

    const struct {
        bool from;
        int value;
        int expectFrom, expectTo;
    } steps[] = {
        {false, 3, 1, 3}, {true, 5, 5, 5}, {false, 2, 2, 2}, {true, 0, 1, 2}, {false, -1, 1, 1},
    };
    for (const auto &s : steps) {
        if (s.from)
            p.SetFromPage(s.value);
        else
            p.SetToPage(s.value);
        EXPECT_EQ(p.FromPage(), s.expectFrom) << s.from << " " << s.value;
        EXPECT_EQ(p.ToPage(), s.expectTo) << s.from << " " << s.value;
    }
}

TEST(DevicePrint, RecorderMisuseMessages)
{
    Fixture f(device(true, true));
    TDevicePrint &p = *f.print;
    EXPECT_EQ(p.PageCount(), 0);
    auto message = [](const std::function<void()> &call) {
        try {
            call();
        } catch (const EPrintPreviewError &e) {
            return std::string(e.what());
        }
        return std::string("nothing thrown");
    };
    p.BeginDoc();
    EXPECT_EQ(message([&] { p.Pages(0); }), "TPrinterPreview.GetPage: Pages cannot be used when printing");
    p.NewPage();
    p.EndDoc();
    p.EndDoc();                      // closed already: nothing happens
    EXPECT_EQ(p.PageCount(), 2);
    EXPECT_EQ(message([&] { p.Pages(2); }), "TPrinterCanvas.GetPage: Index is out of Range");
    EXPECT_EQ(p.Canvas(), nullptr);

    TPrintPreview r;
    EXPECT_EQ(message([&] { r.NewPage(); }), "TPrintPreview.NewPage: not Printing");
    EXPECT_EQ(message([&] { r.EndDoc(); }), "TPrintPreview.EndDoc: not Printing");
    EXPECT_EQ(message([&] { r.Canvas(); }), "TPrintPreview.GetCanvas: not Printing");
    r.BeginDoc();
    EXPECT_EQ(message([&] { r.BeginDoc(); }), "TPrintPreview: BeginDoc: Already Printing");
    r.EndDoc();
}

TEST(DevicePrint, GeometryInPixelsAndMillimetres)
{
    TFakeDevice d = device(true, true);
    d.defaults.fields.include(C::jwPcScale);
    d.defaults.printQuality = 0;      // the device's own 72 dpi
    d.dpiX = d.dpiY = 600;
    Fixture f(d);
    TDevicePrint &p = *f.print;
    // A4, margins 3 / 5 mm at 600 dpi.
    EXPECT_EQ(p.DPI(), (TSize{600, 600}));
    EXPECT_EQ(p.PaperWidth(), 4961);
    EXPECT_EQ(p.LeftMargin(), 71);
    EXPECT_EQ(p.TopMargin(), 118);
    EXPECT_EQ(p.RightMargin(), 71);
    EXPECT_DOUBLE_EQ(p.MMLeftMargin(), 71 * 25.4 / 600);
    EXPECT_DOUBLE_EQ(p.MMPaperWidth(), 210.0);
    EXPECT_DOUBLE_EQ(p.MMPageWidth(), 204.0);

    p.SetScale(50);
    p.ApplySettings();
    EXPECT_EQ(p.RealDPI(), (TSize{1200, 1200}));
    EXPECT_EQ(p.PaperWidth(), 4961 / 2);
    EXPECT_EQ(p.RealPaperWidth(), 4961);
    EXPECT_DOUBLE_EQ(p.MMLeftMargin(), 71 * 25.4 / 1200);

    p.SetMMAdjustLeft(1.0);
    EXPECT_EQ(p.AdjustLeft(), 24);
    EXPECT_EQ(p.DeviceOffsetX(), 24 - 71);
    p.SetAdjustTop(600);
    EXPECT_DOUBLE_EQ(p.MMAdjustTop(), 25.4);
}

TEST(DevicePrint, MMToDeviceRoundsHalvesToEven)
{
    const struct {
        int dpi;
        double mm;
        int device;
    } cases[] = {
        {254, 0.25, 2}, {254, 0.35, 4}, {254, 0.15, 2}, {300, 25.4, 300}, {600, -0.0635, -2}, {100, 0, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MMToDevice(c.dpi, c.mm), c.device) << c.dpi << " " << c.mm;
}

TEST(DevicePrint, PaperSelectionThroughNamesAndCapabilities)
{
    TFakeDevice plain = device(true, true, QStringLiteral("Plain"));
    plain.defaults.fields.exclude(C::jwPcOrientation);
    plain.defaults.fields.exclude(C::jwPcPrintQuality);
    Fixture f({device(true, true), plain});
    TDevicePrint &p = *f.print;
    EXPECT_EQ(p.CurrentPaperName(), QStringLiteral("A4"));
    p.SetCurrentPaperName(QStringLiteral("B0"));
    EXPECT_EQ(p.PaperSizeNumber(), 9);
    p.SetCurrentPaperName(QStringLiteral("はがき"));
    EXPECT_EQ(p.PaperSizeNumber(), 43);
    EXPECT_EQ(p.IndexOfSizeNumber(43), 3);
    EXPECT_FALSE(p.TrySetPaperSize(8));
    EXPECT_TRUE(p.TrySetBinNumber(4));
    EXPECT_EQ(p.HasQuality(), TPrintQuality::quoDPI);
    EXPECT_TRUE(p.TrySetQuality(0, 144, 144));
    p.ApplySettings();
    EXPECT_EQ(p.DPI(), (TSize{144, 144}));

    p.SetPrinterIndex(1);
    EXPECT_FALSE(p.TrySetOrientation(TQvOrientation::qotLandscape));
    EXPECT_EQ(p.HasQuality(), TPrintQuality::quoNone);
    EXPECT_FALSE(p.TrySetQuality(1, 300, 300));
}

TEST(DevicePrint, WithoutPrintersTheProgramStillHasAPaper)
{
    Fixture f(std::vector<TFakeDevice>{});
    TDevicePrint &p = *f.print;
    EXPECT_TRUE(p.PrinterNames().isEmpty());
    EXPECT_EQ(p.MMPaperWidth(), 210.0);
    EXPECT_EQ(p.MMPaperHeight(), 297.0);
    EXPECT_EQ(p.MMLeftMargin(), 0.0);
    EXPECT_EQ(p.MMBottomMargin(), 0.0);
    EXPECT_EQ(p.Orientation(), TQvOrientation::qotPortrait);
    EXPECT_EQ(p.CurrentPaperName(), QStringLiteral("A4"));
    EXPECT_FALSE(p.HasPaperSizeNumber(9));
    try {
        p.BeginPrint();
        ADD_FAILURE() << "printing without a printer went on";
    } catch (const EJwPrinterNoPrinter &e) {
        EXPECT_STREQ(e.what(), kNoPrinterMessage);
    }
    EXPECT_FALSE(p.Printing());
}

TEST(DevicePrint, AFailingPrinterIsReportedNotPrinted)
{
    Fixture f(device(true, true));
    TDevicePrint &p = *f.print;
    record(p, 2);
    p.SetCopies(3);
    p.JwPrinter().SetCopies(3);
    p.ApplySettings();
    f.system->devices.clear();           // the printer disappears before the job
    EXPECT_THROW(p.PrintOut(false), Error);
    EXPECT_FALSE(p.Printing());
    EXPECT_TRUE(f.system->jobs.empty());
}
