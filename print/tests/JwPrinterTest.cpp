// Device settings on the in-memory printing system: hidden printers, missing
// capabilities and lists, the working copy, and printer-list changes.
#include "print/JwPrinter.h"
#include "print/MemoryService.h"

#include <gtest/gtest.h>

using namespace vellora;

namespace {

struct Fixture {
    std::shared_ptr<TFakeSystem> system = std::make_shared<TFakeSystem>();
    std::unique_ptr<TJwPrinter> printer;

    explicit Fixture(std::vector<TFakeDevice> devices)
    {
        system->devices = std::move(devices);
        printer = std::make_unique<TJwPrinter>(std::make_unique<TMemoryService>(system));
    }
};

TFakeDevice hidden(const QString &name)
{
    TFakeDevice d = TMemoryService::StandardDevice(name);
    d.entry.hidden = true;
    return d;
}

template <typename E, typename F>
void expectThrows(F &&f, const char *message)
{
    try {
        f();
        ADD_FAILURE() << "nothing thrown, expected: " << message;
    } catch (const E &e) {
        EXPECT_STREQ(e.what(), message);
    } catch (const std::exception &e) {
        ADD_FAILURE() << "wrong exception: " << e.what() << ", expected: " << message;
    }
}

} // namespace

TEST(JwPrinter, OnlyHiddenPrintersMeansNoPrinter)
{
    Fixture f({hidden(QStringLiteral("A")), hidden(QStringLiteral("B"))});
    TJwPrinter &p = *f.printer;
    const std::function<void()> queries[] = {
        [&] { p.PrinterNames(); }, [&] { p.PaperSizeNumber(); }, [&] { p.NumPaperSizes(); },
        [&] { p.Orientation(); },  [&] { p.DPI(); },             [&] { p.SetCopies(2); },
        [&] { p.Port(); },         [&] { p.MMPaperExtent(); },   [&] { p.SetIndex(0); },
    };
    for (const auto &q : queries)
        expectThrows<EJwPrinterNoPrinter>(q, "TJwPrinter.CheckNoPrinter: No Printer");
    EXPECT_FALSE(p.Modified());
}

TEST(JwPrinter, IndexCountsVisiblePrintersOnly)
{
    Fixture f({hidden(QStringLiteral("A")), TMemoryService::StandardDevice(QStringLiteral("B")),
               TMemoryService::StandardDevice(QStringLiteral("C"))});
    TJwPrinter &p = *f.printer;
    EXPECT_EQ(p.PrinterNames(), (QStringList{QStringLiteral("B"), QStringLiteral("C")}));
    EXPECT_EQ(p.Index(), 0);
    p.SetIndex(1);
    EXPECT_EQ(p.Index(), 1);
    EXPECT_EQ(p.Port(), QStringLiteral("mem:C"));
    expectThrows<EJWPrinterRangeError>([&] { p.SetIndex(2); }, "TJwPrinter.SetIndex: Index is out of Range");
    expectThrows<EJWPrinterRangeError>([&] { p.SetIndex(-2); }, "TJwPrinter.SetIndex: Index is out of Range");
    EXPECT_EQ(p.Index(), 1);
}

TEST(JwPrinter, SelectingAnotherPrinterDropsTheWorkingCopy)
{
    Fixture f({TMemoryService::StandardDevice(QStringLiteral("B")), TMemoryService::StandardDevice(QStringLiteral("C"))});
    TJwPrinter &p = *f.printer;
    p.SetPaperSizeNumber(11);
    p.ApplySettings();
    p.SetCopies(5);
    p.SetIndex(1);
    EXPECT_FALSE(p.Modified());
    EXPECT_EQ(p.Copies(), 1);
    EXPECT_EQ(p.PaperSizeNumber(), 9);   // C's own default
}

TEST(JwPrinter, WorkingCopyReachesThePrinterOnlyOnApply)
{
    Fixture f({TMemoryService::StandardDevice(QStringLiteral("P"))});
    TJwPrinter &p = *f.printer;
    const TDeviceSettings device = p.DeviceSettings();

    p.ApplySettings();                        // nothing changed: the printer is not asked
    EXPECT_EQ(f.system->mergeCount, 0);

    p.SetOrientation(TJwPaperOrientation::jwOrLandScape);
    p.SetCopies(3);
    p.SetDuplex(TJwDuplex::jwDupHorizontal);
    p.SetColor(false);
    EXPECT_TRUE(p.Modified());
    EXPECT_EQ(p.Copies(), 3);
    p.DiscardModification();
    EXPECT_FALSE(p.Modified());
    EXPECT_EQ(p.DeviceSettings(), device);
    EXPECT_EQ(p.Copies(), 1);
    EXPECT_EQ(f.system->mergeCount, 0);

    p.SetOrientation(TJwPaperOrientation::jwOrLandScape);
    p.SetDuplex(TJwDuplex::jwDupHorizontal);
    p.ApplySettings();
    EXPECT_EQ(f.system->mergeCount, 1);
    EXPECT_FALSE(p.Modified());
    EXPECT_EQ(p.DeviceSettings().orientation, 2);
    EXPECT_EQ(p.DeviceSettings().duplex, 3);
    EXPECT_EQ(p.Duplex(), TJwDuplex::jwDupHorizontal);
    // Landscape A4 at 72 dpi: the sheet is turned, margins go round with it.
    EXPECT_EQ(p.PaperExtent(), (TSize{842, 595}));
    EXPECT_EQ(p.Offset(), (TSize{14, 9}));
}

TEST(JwPrinter, PaperNumberClearsTheUserSizeFlags)
{
    Fixture f({TMemoryService::StandardDevice(QStringLiteral("P"))});
    TJwPrinter &p = *f.printer;
    p.SetUserPaperExtent({1000, 1500});
    EXPECT_EQ(p.PaperSizeNumber(), 256);
    EXPECT_EQ(p.UserPaperExtent(), (TSize{1000, 1500}));
    p.SetPaperSizeNumber(9);
    EXPECT_FALSE(p.PrintCaps().contains(TJwPrintCap::jwPcPaperlength));
    EXPECT_FALSE(p.PrintCaps().contains(TJwPrintCap::jwPcPaperWidth));
    expectThrows<EJwPrinterNoUserPaperExtent>([&] { p.UserPaperExtent(); },
                                              "TJwPrinter.GetUserpaperExtent: Cannot Get User paper Extent");
}

TEST(JwPrinter, QualityKeepsTheYResolutionFlagInStep)
{
    Fixture f({TMemoryService::StandardDevice(QStringLiteral("P"))});
    TJwPrinter &p = *f.printer;
    p.SetQuality({300, 600});
    EXPECT_TRUE(p.PrintCaps().contains(TJwPrintCap::jwPcYResolution));
    EXPECT_EQ(p.Quality(), (TSize{300, 600}));
    p.SetQuality({-4, 0});
    EXPECT_FALSE(p.PrintCaps().contains(TJwPrintCap::jwPcYResolution));
    EXPECT_EQ(p.Quality(), (TSize{-4, 0}));
    EXPECT_EQ(p.NumQualities(), 2);
}

TEST(JwPrinter, ListsAndTheirIndexErrors)
{
    TFakeDevice d = TMemoryService::StandardDevice(QStringLiteral("P"));
    d.lists.bins.push_back({7, QStringLiteral("Auto again"), QStringLiteral("auto2")});
    Fixture f({d});
    TJwPrinter &p = *f.printer;
    EXPECT_EQ(p.NumPaperSizes(), 4);
    EXPECT_EQ(p.PaperSizeNumbers(3), 43);
    EXPECT_TRUE(p.HasPaperSizeNumber(43));
    EXPECT_FALSE(p.HasPaperSizeNumber(8));
    p.SetPaperSizeIndex(2);
    EXPECT_EQ(p.PaperSizeNumber(), 1);
    EXPECT_EQ(p.PaperSizeIndex(), 2);
    EXPECT_EQ(p.BinIndex(), 2);               // the last tray with the number
    expectThrows<EJWPrinterRangeError>([&] { p.PaperSizeNumbers(4); },
                                       "TJwPrinter.GetPaperNumbers: Index is our of range");
    expectThrows<EJWPrinterPaperSizeError>([&] { p.SetPaperSizeIndex(-1); },
                                           "TJwPrinter:SetPaperSizeIndex: No such PaperSize Index");
    expectThrows<EJwPrinterBinError>([&] { p.SetBinIndex(3); }, "TJwPrinter:SetBinIndex: No such Bin Index");
    p.SetPaperSizeNumber(70);
    expectThrows<EJWPrinterPaperSizeError>([&] { p.PaperSizeIndex(); },
                                           "TJwPrinter.GetPaperSizeIndex: Cannot Get Paper Index");
    p.SetBinNumber(99);
    expectThrows<EJwPrinterBinError>([&] { p.BinIndex(); }, "TJwPrinter.GetBinIndex: Cannot Get Bin Index");
    expectThrows<EJWPrinterRangeError>([&] { p.SetCopies(0); }, "TJwPrinter.SetCopies: Too Small Copies");
}

TEST(JwPrinter, MissingCapabilitiesAndListsSayWhich)
{
    TFakeDevice bare = TMemoryService::StandardDevice(QStringLiteral("Bare"));
    bare.defaults.fields = {};
    TFakeDevice noLists = TMemoryService::StandardDevice(QStringLiteral("NoLists"));
    noLists.lists.avail = {};
    Fixture f({bare, noLists});
    TJwPrinter &p = *f.printer;
    const struct {
        std::function<void()> call;
        const char *message;
    } unsupported[] = {
        {[&] { p.PaperSizeNumber(); }, "TJwPrinter.GetPaperSizeNumber: PaperSize is not Supported"},
        {[&] { p.SetPaperSizeNumber(9); }, "TJwPrinter.SetPaperSizeNumber: PaperSize is not Supported"},
        {[&] { p.HasPaperSizeNumber(9); }, "TJwPrinter.HasPaperNumber: PaperSize is not Supported"},
        {[&] { p.NumPaperSizes(); }, "TJwPrinter.GetNumPaperSize: PaperSize is not Supported"},
        {[&] { p.PaperSizeNames(); }, "TJwPrinter.GetPaperSizeNames: PaperSize is not Supported"},
        {[&] { p.SetPaperSizeIndex(0); }, "TJwPrinter.SetPaperSizeIndex: PaperSize is not Supported"},
        {[&] { p.SetUserPaperExtent({1, 1}); }, "TJwPrinter.SetpaperExtent: PaperSize is not Supported"},
        {[&] { p.BinNumber(); }, "TJwPrinter.GetBinNumber: Bin is not Supported"},
        {[&] { p.HasBinNumber(7); }, "TJwPrinter.SetBin: Bin is not Supported"},
        {[&] { p.Orientation(); }, "TJwPrinter.GetOrientation: Orientation is not Supported"},
        {[&] { p.MaxCopies(); }, "TJwPrinter.GetMaxCopies: Copies is not Supported"},
        {[&] { p.SetCopies(2); }, "TJwPrinter.SetCopies: Copies not Supported"},
        {[&] { p.Collate(); }, "TJwPrinter.GetCollate: Collate is not Supported"},
        {[&] { p.SetColor(true); }, "TJwPrinter.SetColor: Color is not Supported"},
        {[&] { p.Duplex(); }, "TJwPrinter.GetDuplex: Duplex is not Supported"},
        {[&] { p.SetScale(50); }, "TJwPrinter.SetScale: Scale is not Supported"},
        {[&] { p.Quality(); }, "TJwPrinter.GetQuality: PrintQuality is not Supported"},
        {[&] { p.NumQualities(); }, "TJwPrinter.GetNumQualities: PrintQuality is not Supported"},
    };
    for (const auto &c : unsupported)
        expectThrows<EJwPrinterNotSupported>(c.call, c.message);
    EXPECT_EQ(p.Scale(), 100);

    p.SetIndex(1);
    const struct {
        std::function<void()> call;
        const char *message;
    } noInfo[] = {
        {[&] { p.HasPaperSizeNumber(9); }, "TJwPrinter.HasPapserSizeNumber: No PaperSize Info Available"},
        {[&] { p.NumPaperSizes(); }, "TJwPrinter.GetNumPaperSizes: No Papersize Info Available"},
        {[&] { p.PaperSizeNumbers(0); }, "TJwPrinter.GetNumPaperSizeNumbers: No Papersize Info Available"},
        {[&] { p.PaperSizeIndex(); }, "TJwPrinter.GetPaperSizeIndex: No Papersize Info Available"},
        {[&] { p.NumBins(); }, "TJwPrinter.GetNumBins: No Bin Info Available"},
        {[&] { p.BinIndex(); }, "TJwPrinter.GetBinIndex: No Bin Info Available"},
        {[&] { p.MaxCopies(); }, "TJwPrinter.GetMaxCopies: No MaxCopies Info Available"},
        {[&] { p.NumQualities(); }, "TJwPrinter.GetNumQualities: No Quality Info Available"},
    };
    for (const auto &c : noInfo)
        expectThrows<EJwPrinterNoInfo>(c.call, c.message);
}

TEST(JwPrinter, NoticesPrintersAddedOrRemovedWhileRunning)
{
    Fixture f({TMemoryService::StandardDevice(QStringLiteral("A"))});
    TJwPrinter &p = *f.printer;
    int fired = 0;
    p.OnSystemChanged = [&] { ++fired; };
    p.PortNames();
    p.CheckSystemChanged();
    EXPECT_EQ(fired, 0);

    f.system->devices.push_back(TMemoryService::StandardDevice(QStringLiteral("B")));
    p.SetCopies(4);
    p.CheckSystemChanged();
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(p.PrinterNames(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_FALSE(p.Modified());

    f.system->extraPorts << QStringLiteral("usb://new");
    p.CheckSystemChanged();
    EXPECT_EQ(fired, 2);
    EXPECT_TRUE(p.PortNames().contains(QStringLiteral("usb://new")));
}
