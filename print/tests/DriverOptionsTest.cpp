// The printer's own options: constraints and checking on a fake printer,
// the working copy in TJwPrinter, and real queues of the private print
// server (their PPD options, and options arriving with a job).
#include "print/CupsService.h"
#include "print/DevicePrint.h"
#include "print/DriverOptions.h"
#include "print/MemoryService.h"
#include "print/CupsDriverOptions.h"
#include "print/tests/FakeIppPrinter.h"
#include "print/tests/PrintTestSupport.h"
#include "settings/Errors.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <cups/cups.h>
#include <gtest/gtest.h>

using namespace vellora;
using namespace vellora::test;

namespace {

// A printer with a vendor pick-one option, a Boolean, an installable
// duplexer and a constraint: "Finish" "Staple" needs the "Tray" "Upper".
TDriverOptions fakeOptions()
{
    TDriverOptions o;
    o.options.push_back({QStringLiteral("Finish"), QStringLiteral("仕上げ"), QStringLiteral("General"),
                         TDriverOptionKind::dokPickOne,
                         {{QStringLiteral("None"), QStringLiteral("なし")}, {QStringLiteral("Staple"), QStringLiteral("ホチキス")}},
                         QStringLiteral("None"), false});
    o.options.push_back({QStringLiteral("Tray"), QStringLiteral("排紙"), QStringLiteral("General"),
                         TDriverOptionKind::dokPickOne,
                         {{QStringLiteral("Upper"), QStringLiteral("上")}, {QStringLiteral("Lower"), QStringLiteral("下")}},
                         QStringLiteral("Lower"), false});
    o.options.push_back({QStringLiteral("Toner"), QStringLiteral("節約"), QStringLiteral("General"),
                         TDriverOptionKind::dokBoolean,
                         {{QStringLiteral("False"), QStringLiteral("いいえ")}, {QStringLiteral("True"), QStringLiteral("はい")}},
                         QStringLiteral("False"), false});
    o.options.push_back({QStringLiteral("Option1"), QStringLiteral("Duplexer"), QStringLiteral("Installable Options"),
                         TDriverOptionKind::dokBoolean,
                         {{QStringLiteral("False"), QStringLiteral("Not Installed")}, {QStringLiteral("True"), QStringLiteral("Installed")}},
                         QStringLiteral("False"), true});
    o.constraints.push_back({QStringLiteral("Finish"), QStringLiteral("Staple"), QStringLiteral("Tray"), QStringLiteral("Lower")});
    o.constraints.push_back({QStringLiteral("Toner"), QString(), QStringLiteral("Option1"), QStringLiteral("True")});
    return o;
}

} // namespace

TEST(DriverOptions, ConstraintsAndCheckedValues)
{
    const TDriverOptions o = fakeOptions();
    using Values = TDriverValues;
    // Staple with the default tray (Lower) conflicts; with Upper it is free.
    EXPECT_EQ(DriverConflicts(o, {}, QStringLiteral("Finish"), QStringLiteral("Staple")),
              (std::vector<std::pair<QString, QString>>{{QStringLiteral("Tray"), QStringLiteral("Lower")}}));
    EXPECT_TRUE(DriverConflicts(o, {{QStringLiteral("Tray"), QStringLiteral("Upper")}}, QStringLiteral("Finish"),
                                QStringLiteral("Staple"))
                    .empty());
    // The constraint works both ways; an empty choice means "on".
    EXPECT_EQ(DriverConflicts(o, {{QStringLiteral("Finish"), QStringLiteral("Staple")}}, QStringLiteral("Tray"),
                              QStringLiteral("Lower"))
                  .size(),
              1u);
    EXPECT_TRUE(DriverConflicts(o, {}, QStringLiteral("Toner"), QStringLiteral("True")).empty());
    EXPECT_EQ(DriverConflicts(o, {{QStringLiteral("Option1"), QStringLiteral("True")}}, QStringLiteral("Toner"),
                              QStringLiteral("True"))
                  .size(),
              1u);
    EXPECT_TRUE(DriverConflicts(o, {{QStringLiteral("Option1"), QStringLiteral("True")}}, QStringLiteral("Toner"),
                                QStringLiteral("False"))
                    .empty());

    struct Case {
        const char *name;
        Values given, expected;
    } const cases[] = {
        {"nothing given is the defaults", {},
         {{"Finish", "None"}, {"Option1", "False"}, {"Toner", "False"}, {"Tray", "Lower"}}},
        {"unknown keyword and choice fall back",
         {{"Colour", "Red"}, {"Tray", "Middle"}, {"Toner", "True"}},
         {{"Finish", "None"}, {"Option1", "False"}, {"Toner", "True"}, {"Tray", "Lower"}}},
        {"installable hardware is not set per job", {{"Option1", "True"}},
         {{"Finish", "None"}, {"Option1", "False"}, {"Toner", "False"}, {"Tray", "Lower"}}},
        {"a default in conflict with a given value gives way",
         {{"Finish", "Staple"}},
         {{"Finish", "Staple"}, {"Option1", "False"}, {"Toner", "False"}, {"Tray", "Upper"}}},
        {"of two given values in conflict the later gives way",
         {{"Tray", "Lower"}, {"Finish", "Staple"}},
         {{"Finish", "Staple"}, {"Option1", "False"}, {"Toner", "False"}, {"Tray", "Upper"}}},
        {"staple with the upper tray stays", {{"Finish", "Staple"}, {"Tray", "Upper"}},
         {{"Finish", "Staple"}, {"Option1", "False"}, {"Toner", "False"}, {"Tray", "Upper"}}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CheckedDriverValues(o, c.given), c.expected) << c.name;
}

TEST(DriverOptions, WorkingCopyAppliesToJobsAndResetsWithThePrinter)
{
    auto system = std::make_shared<TFakeSystem>();
    system->devices.push_back(TMemoryService::StandardDevice(QStringLiteral("Office")));
    system->devices.push_back(TMemoryService::StandardDevice(QStringLiteral("Photo")));
    system->devices[0].driverOptions = fakeOptions();
    system->devices[0].defaults.driverOptions = CheckedDriverValues(fakeOptions(), {});
    TDevicePrint print(std::make_unique<TJwPrinter>(std::make_unique<TMemoryService>(system)));
    TJwPrinter &jw = print.JwPrinter();
    ASSERT_TRUE(print.TrySetPrinter(QStringLiteral("Office")));
    EXPECT_EQ(jw.DriverOptions(), fakeOptions());

    jw.SetDriverValue(QStringLiteral("Toner"), QStringLiteral("True"));
    EXPECT_TRUE(jw.Modified());
    EXPECT_THROW(jw.SetDriverValue(QStringLiteral("Option1"), QStringLiteral("True")), EJwPrinterNotSupported);
    EXPECT_THROW(jw.SetDriverValue(QStringLiteral("Tray"), QStringLiteral("Middle")), EJwPrinterNotSupported);
    EXPECT_THROW(jw.SetDriverValue(QStringLiteral("Nope"), QStringLiteral("x")), EJwPrinterNotSupported);
    // Not applied yet: a job gets the queue's defaults.
    EXPECT_EQ(jw.DeviceSettings().driverOptions.at(QStringLiteral("Toner")), QStringLiteral("False"));
    print.ApplySettings();
    EXPECT_FALSE(jw.Modified());
    print.BeginPrint();
    print.EndPrint();
    ASSERT_EQ(system->jobs.size(), 1u);
    EXPECT_EQ(system->jobs[0].settings.driverOptions.at(QStringLiteral("Toner")), QStringLiteral("True"));

    // Back to the defaults, discarded: nothing changes.
    jw.ResetDriverValues();
    EXPECT_TRUE(jw.Modified());
    print.CancelSettings();
    EXPECT_EQ(jw.DriverValues().at(QStringLiteral("Toner")), QStringLiteral("True"));

    // Another printer has other options; coming back gives the queue's defaults again.
    ASSERT_TRUE(print.TrySetPrinter(QStringLiteral("Photo")));
    EXPECT_TRUE(jw.DriverOptions().options.empty());
    EXPECT_TRUE(jw.DriverValues().empty());
    ASSERT_TRUE(print.TrySetPrinter(QStringLiteral("Office")));
    EXPECT_EQ(jw.DriverValues().at(QStringLiteral("Toner")), QStringLiteral("False"));
}

namespace {

std::unique_ptr<TDevicePrint> cupsPrint(TCupsService **service = nullptr)
{
    auto cups = std::make_unique<TCupsService>(privateCupsServer());
    if (service)
        *service = cups.get();
    return std::make_unique<TDevicePrint>(std::make_unique<TJwPrinter>(std::move(cups)));
}

bool hasKeyword(const TDriverOptions &o, const char *keyword)
{
    return o.find(QLatin1String(keyword)) != nullptr;
}

} // namespace

TEST(DriverOptionsCups, QueuesListTheirOwnOptionsOnce)
{
    VELLORA_REQUIRE_CUPS();
    TCupsService cups(privateCupsServer());
    const TDriverOptions ps = cups.DriverOptions(QStringLiteral("VelloraPS"));
    // Paper and tray have their own controls, not listed again; duplex is
    // an option like the vendor's, listed once.
    for (const char *standard : {"PageSize", "PageRegion", "InputSlot"})
        EXPECT_FALSE(hasKeyword(ps, standard)) << standard;
    EXPECT_EQ(std::count_if(ps.options.begin(), ps.options.end(),
                            [](const TDriverOption &o) { return o.keyword == QLatin1String("Duplex"); }),
              1);
    const TDriverOption *duplexer = ps.find(QStringLiteral("Option1"));
    ASSERT_NE(duplexer, nullptr);
    EXPECT_TRUE(duplexer->readOnly);
    EXPECT_EQ(duplexer->kind, TDriverOptionKind::dokBoolean);
    EXPECT_EQ(duplexer->defaultChoice, QStringLiteral("False"));
    EXPECT_FALSE(ps.constraints.empty());

    const TDriverOptions pdf = cups.DriverOptions(QStringLiteral("VelloraPDF"));
    EXPECT_FALSE(hasKeyword(pdf, "PageSize"));
    const TDriverOption *ret = pdf.find(QStringLiteral("ret"));
    ASSERT_NE(ret, nullptr);
    EXPECT_EQ(ret->text, QStringLiteral("Resolution Enhancement"));
    EXPECT_EQ(ret->defaultChoice, QStringLiteral("notset"));
    EXPECT_FALSE(ret->readOnly);
    EXPECT_EQ(cups.DefaultSettings(QStringLiteral("VelloraPDF")).driverOptions.at(QStringLiteral("ret")),
              QStringLiteral("notset"));
}

TEST(DriverOptionsCups, VendorOptionTravelsWithTheJob)
{
    VELLORA_REQUIRE_CUPS();
    TestQueue queue(QStringLiteral("VelloraVendor"));
    ASSERT_TRUE(queue.ok());
    TCupsService *service = nullptr;
    auto print = cupsPrint(&service);
    ASSERT_TRUE(print->TrySetPrinter(queue.name()));
    print->JwPrinter().SetDriverValue(QStringLiteral("ret"), QStringLiteral("dark"));
    print->ApplySettings();
    print->SetTitle(QStringLiteral("vendor option"));
    print->BeginPrint();
    print->Canvas()->drawRect(10, 10, 100, 100);
    print->EndPrint();
    ASSERT_TRUE(queue.waitIdle());
    ASSERT_GT(service->LastJobId(), 0);
    EXPECT_EQ(jobAttribute(service->LastJobId(), "ret"), QStringLiteral("dark"));
}

TEST(DriverOptionsCups, AQueueWithoutAPpdOffersItsIppOptions)
{
    VELLORA_REQUIRE_CUPS();
    TestQueue queue(QStringLiteral("VelloraNoPpd"), false);
    ASSERT_TRUE(queue.ok());
    TCupsService *service = nullptr;
    auto print = cupsPrint(&service);
    const TDriverOptions options = service->DriverOptions(queue.name());
    // The server's keyword lists that are no standard setting.
    const TDriverOption *scaling = options.find(QStringLiteral("print-scaling"));
    ASSERT_NE(scaling, nullptr);
    EXPECT_EQ(scaling->kind, TDriverOptionKind::dokPickOne);
    EXPECT_FALSE(scaling->readOnly);
    EXPECT_FALSE(scaling->text.isEmpty());
    QStringList choices;
    for (const auto &c : scaling->choices)
        choices << c.choice;
    EXPECT_TRUE(choices.contains(QStringLiteral("fit")) && choices.contains(QStringLiteral("none")))
        << choices.join(QLatin1Char(',')).toStdString();
    // The server's own default, or none: then the printer decides.
    const TDriverOption *hold = options.find(QStringLiteral("job-hold-until"));
    ASSERT_NE(hold, nullptr);
    EXPECT_EQ(hold->defaultChoice, QStringLiteral("no-hold"));
    const TDriverOption *delivery = options.find(QStringLiteral("page-delivery"));
    ASSERT_NE(delivery, nullptr);
    EXPECT_TRUE(delivery->defaultChoice.isEmpty()) << delivery->defaultChoice.toStdString();
    // Standard settings have their own controls; collections, numbers and
    // enumerations are no list of choices.
    for (const char *other : {"media", "media-col", "multiple-document-handling",
                              "copies", "number-up", "print-quality", "orientation-requested", "finishings-col"})
        EXPECT_FALSE(hasKeyword(options, other)) << other;

    // A choice travels with the job as its attribute.
    ASSERT_TRUE(print->TrySetPrinter(queue.name()));
    print->JwPrinter().SetDriverValue(QStringLiteral("print-scaling"), QStringLiteral("none"));
    print->ApplySettings();
    print->SetTitle(QStringLiteral("IPP option"));
    print->BeginPrint();
    print->Canvas()->drawRect(10, 10, 100, 100);
    print->EndPrint();
    ASSERT_TRUE(queue.waitIdle());
    ASSERT_GT(service->LastJobId(), 0);
    EXPECT_EQ(jobAttribute(service->LastJobId(), "print-scaling"), QStringLiteral("none"));
    EXPECT_EQ(jobAttribute(service->LastJobId(), "page-delivery"), QString()) << "not chosen, not sent";
}

TEST(DriverOptionsCups, AQueueThatKnowsNoMediaPrintsOnA4)
{
    VELLORA_REQUIRE_CUPS();
    // A queue without a driver whose device is a file: nobody can say
    // which paper it holds.
    TestQueue queue(QStringLiteral("VelloraNoMedia"), false);
    ASSERT_TRUE(queue.ok());
    auto print = cupsPrint();
    ASSERT_TRUE(print->TrySetPrinter(queue.name()));
    EXPECT_TRUE(print->PaperSizeNames().isEmpty());
    EXPECT_EQ(print->PaperSizeIndex(), -1);
    EXPECT_FALSE(print->HasPaperSizeNumber(9));
    EXPECT_EQ(print->PaperSizeNumber(), 9);
    EXPECT_NEAR(print->MMPaperWidth(), 210.0, 0.1);
    EXPECT_NEAR(print->MMPaperHeight(), 297.0, 0.1);
}

TEST(DriverOptionsCups, TextsFallBackToCupsEnglishThenTheKeyword)
{
    struct Row {
        const char *localized, *key, *raw, *expected;
    };
    const Row rows[] = {
        {"Skalierung", "print-scaling", "print-scaling", "Skalierung"},     // a real translation
        {"print-scaling", "print-scaling", "print-scaling", "Print Scaling"}, // untranslated: English
        {"", "print-scaling", "print-scaling", "Print Scaling"},
        {nullptr, "output-bin", "output-bin", "Output Tray"},
        {"fit", "print-scaling.fit", "fit", "Fit"},                          // a value given back as is
        {"print-scaling.fit", "print-scaling.fit", "fit", "Fit"},
        {"fit", "x-vendor-mode.fit", "fit", "fit"},                          // unknown anywhere: the keyword
        {nullptr, "media-source.x-drawer-9", "x-drawer-9", "x-drawer-9"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(CupsText(r.localized, r.key, r.raw), QString::fromUtf8(r.expected)) << r.key << " " << r.localized;

    // Sizes: CUPS's name where it has one, its measures otherwise. The
    // borderless mark follows the locale the tests run in.
    struct MediaRow {
        const char *media;
        bool borderless;
        const char *measured, *expected;
    };
    const MediaRow media[] = {
        {"iso_a4_210x297mm", false, "210 x 297 mm", "A4"},
        {"na_letter_8.5x11in", false, nullptr, "US Letter"},
        {"custom_68.79x95.25mm_68.79x95.25mm", false, "69 x 95 mm", "69 x 95 mm"},
        {"x-vendor-card", false, nullptr, "x-vendor-card"},
        {"x-vendor-card", false, "", "x-vendor-card"},
    };
    for (const MediaRow &r : media)
        EXPECT_EQ(CupsMediaText(r.media, r.borderless, r.measured), QString::fromUtf8(r.expected)) << r.media;
    const QString borderless = CupsMediaText("iso_a4_210x297mm_borderless", true, "210 x 297 mm (x)");
    EXPECT_TRUE(borderless.startsWith(QStringLiteral("A4 (")) && borderless.endsWith(QLatin1Char(')')))
        << borderless.toStdString();
}

namespace {

bool englishCups()
{
    const QByteArray language(cupsLangDefault()->language);
    return language.startsWith("en") || language == "C";
}

} // namespace

TEST(DriverOptionsCups, AQueueWithoutAPpdAsksTheNetworkPrinterBehindIt)
{
    VELLORA_REQUIRE_CUPS();
    FakeIppPrinter device(DriverlessPrinterAttributes());
    ASSERT_TRUE(device.ok());
    TestQueue queue(QStringLiteral("VelloraNoPpdNet"), false, device.uri());
    ASSERT_TRUE(queue.ok());
    TCupsService cups(privateCupsServer());
    const TDriverOptions options = cups.DriverOptions(queue.name());
    EXPECT_GT(device.requests(), 0) << "the printer itself was not asked";

    // Its own options with CUPS's texts, not keywords.
    const TDriverOption *scaling = options.find(QStringLiteral("print-scaling"));
    const TDriverOption *bin = options.find(QStringLiteral("output-bin"));
    ASSERT_NE(scaling, nullptr);
    ASSERT_NE(bin, nullptr);
    EXPECT_EQ(scaling->defaultChoice, QStringLiteral("auto"));
    ASSERT_NE(bin->find(QStringLiteral("face-up")), nullptr);
    ASSERT_NE(scaling->find(QStringLiteral("fill")), nullptr);
    EXPECT_NE(scaling->text, scaling->keyword);
    EXPECT_NE(bin->find(QStringLiteral("face-up"))->text, QStringLiteral("face-up"));
    if (englishCups()) {
        EXPECT_EQ(scaling->text, QStringLiteral("Print Scaling"));
        EXPECT_EQ(bin->text, QStringLiteral("Output Tray"));
        EXPECT_EQ(bin->find(QStringLiteral("face-up"))->text, QStringLiteral("Face Up"));
        EXPECT_EQ(scaling->find(QStringLiteral("fill"))->text, QStringLiteral("Fill"));
    }

    // The printer's constraint, as libcups judges it: filling the page and
    // delivering face up exclude each other, either way round; the rest is free.
    TDriverValues values = options.Defaults();
    values[QStringLiteral("output-bin")] = QStringLiteral("face-up");
    EXPECT_EQ(DriverConflicts(options, values, QStringLiteral("print-scaling"), QStringLiteral("fill")),
              (std::vector<std::pair<QString, QString>>{{QStringLiteral("output-bin"), QStringLiteral("face-up")}}));
    EXPECT_TRUE(DriverConflicts(options, values, QStringLiteral("print-scaling"), QStringLiteral("fit")).empty());
    values = options.Defaults();
    values[QStringLiteral("print-scaling")] = QStringLiteral("fill");
    EXPECT_FALSE(DriverConflicts(options, values, QStringLiteral("output-bin"), QStringLiteral("face-up")).empty());
    EXPECT_TRUE(DriverConflicts(options, values, QStringLiteral("output-bin"), QStringLiteral("face-down")).empty());
    EXPECT_EQ(options.constraints.size(), 1u);
    // A job asking for both gets the later keyword's default instead.
    const TDriverValues checked = CheckedDriverValues(
        options, {{QStringLiteral("output-bin"), QStringLiteral("face-up")}, {QStringLiteral("print-scaling"), QStringLiteral("fill")}});
    EXPECT_EQ(checked.at(QStringLiteral("output-bin")), QStringLiteral("face-up"));
    EXPECT_EQ(checked.at(QStringLiteral("print-scaling")), QStringLiteral("auto"));

    // Its media as paper sizes (portrait, tenths of a millimetre) and its trays.
    const TDeviceLists lists = cups.Lists(queue.name(), cups.DefaultSettings(queue.name()));
    EXPECT_TRUE(lists.avail.contains(TJwAvailInfo::jwAvPaperSize));
    struct Paper {
        const char *media;
        int number, width, length;
        const char *name;
    };
    const Paper papers[] = {{"iso_a4_210x297mm", 9, 2100, 2970, "A4"},
                            {"iso_a5_148x210mm", 11, 1480, 2100, "A5"},
                            {"na_letter_8.5x11in", 1, 2159, 2794, "US Letter"},
                            {"oe_photo-l_3.5x5in", -1, 889, 1270, nullptr}};
    ASSERT_EQ(lists.papers.size(), std::size(papers));
    for (const Paper &p : papers) {
        const auto it = std::find_if(lists.papers.begin(), lists.papers.end(),
                                     [&](const TPaperEntry &e) { return e.media == QLatin1String(p.media); });
        ASSERT_NE(it, lists.papers.end()) << p.media;
        if (p.number > 0) {
            EXPECT_EQ(it->number, p.number) << p.media;
        }
        EXPECT_EQ(it->widthTenthMM, p.width) << p.media;
        EXPECT_EQ(it->lengthTenthMM, p.length) << p.media;
        EXPECT_FALSE(it->name.isEmpty());
        EXPECT_NE(it->name, it->media) << "a keyword shown as the paper's name";
        if (p.name && englishCups()) {
            EXPECT_EQ(it->name, QString::fromUtf8(p.name)) << p.media;
        }
    }
    EXPECT_EQ(cups.DefaultSettings(queue.name()).paperSize, 9);
    QStringList bins;
    for (const TBinEntry &b : lists.bins)
        bins << b.source;
    EXPECT_EQ(bins, (QStringList{QStringLiteral("auto"), QStringLiteral("manual")}));
    EXPECT_EQ(lists.maxCopies, 99);

    // Polling the printer list does not send the printer a request each time.
    const int asked = device.requests();
    EXPECT_FALSE(cups.Printers().empty());
    EXPECT_EQ(cups.DriverOptions(queue.name()), options);
    EXPECT_EQ(device.requests(), asked);

    // The job goes to the queue with the printer's names for paper and tray.
    TCupsService *service = nullptr;
    auto print = cupsPrint(&service);
    ASSERT_TRUE(print->TrySetPrinter(queue.name()));
    ASSERT_TRUE(print->TrySetPaperSize(11));   // A5
    print->JwPrinter().SetDriverValue(QStringLiteral("output-bin"), QStringLiteral("face-up"));
    print->ApplySettings();
    print->BeginPrint();
    print->Canvas()->drawRect(10, 10, 100, 100);
    print->EndPrint();
    ASSERT_GT(service->LastJobId(), 0);
    EXPECT_EQ(jobAttribute(service->LastJobId(), "output-bin"), QStringLiteral("face-up"));
    EXPECT_EQ(jobAttribute(service->LastJobId(), "media"), QStringLiteral("iso_a5_148x210mm"));
}

TEST(DriverOptionsCups, ManualTrayA5AndCollatedCopiesReachThePostScript)
{
    VELLORA_REQUIRE_CUPS();
    TestQueue queue(QStringLiteral("VelloraPSJob"));
    ASSERT_TRUE(queue.ok());
    const QString ps = queue.output() + QStringLiteral(".ps");
    QFile::remove(ps);
    // The same queue as VelloraPS, writing to a file of this test's own.
    ASSERT_EQ(QProcess::execute(QStringLiteral("lpadmin"),
                                {QStringLiteral("-p"), queue.name(), QStringLiteral("-v"), QStringLiteral("file://") + ps,
                                 QStringLiteral("-m"), QStringLiteral("drv:///sample.drv/generic.ppd")}),
              0);
    TCupsService *service = nullptr;
    auto print = cupsPrint(&service);
    ASSERT_TRUE(print->TrySetPrinter(queue.name()));
    // The tray by its IPP keyword; the list shows CUPS's texts.
    const std::vector<TBinEntry> bins = service->Lists(queue.name(), {}).bins;
    const auto manual = std::find_if(bins.begin(), bins.end(),
                                     [](const TBinEntry &b) { return b.source == QLatin1String("manual"); });
    ASSERT_NE(manual, bins.end());
    ASSERT_TRUE(print->TrySetBinIndex(static_cast<int>(manual - bins.begin())));
    ASSERT_TRUE(print->TrySetPaperSize(11));   // A5
    print->SetCopies(2);
    print->SetCollate(true);
    print->BeginPrint();
    for (int page = 1; page <= 3; ++page) {
        if (page > 1)
            print->NewPage();
        print->Canvas()->drawRect(10, 10, 100, 100);
    }
    print->EndPrint();
    ASSERT_TRUE(queue.waitIdle());
    QFile file(ps);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    EXPECT_TRUE(data.contains("<</ManualFeed true>>setpagedevice"));
    // Two collated copies of three A5 pages (420 x 595 points).
    EXPECT_EQ(data.count("%%Page: "), 6);
    EXPECT_EQ(data.count("%%PageBoundingBox: 0 0 420 595"), 6);
}

TEST(DriverOptionsCups, StateReasonsOfAStoppedQueue)
{
    VELLORA_REQUIRE_CUPS();
    TestQueue queue(QStringLiteral("VelloraStopped"));
    ASSERT_TRUE(queue.ok());
    TCupsService cups(privateCupsServer());
    EXPECT_FALSE(cups.StateReasons(queue.name()).contains(QStringLiteral("paused")));
    ASSERT_EQ(QProcess::execute(QStringLiteral("cupsdisable"), {queue.name()}), 0);
    EXPECT_TRUE(cups.StateReasons(queue.name()).contains(QStringLiteral("paused")));
    EXPECT_TRUE(cups.StateReasons(QStringLiteral("NoSuchQueue")).isEmpty());
}

TEST(DriverOptions, DuplexColourAndResolutionByEitherName)
{
    // What the server makes of a PPD's choice.
    struct Equivalent {
        const char *keyword, *choice, *name, *value;
    } const equivalents[] = {
        {"Duplex", "None", "sides", "one-sided"},
        {"Duplex", "DuplexNoTumble", "sides", "two-sided-long-edge"},
        {"Duplex", "DuplexTumble", "sides", "two-sided-short-edge"},
        {"ColorModel", "Gray", "print-color-mode", "monochrome"},
        {"ColorModel", "KGray", "print-color-mode", "monochrome"},
        {"ColorModel", "RGB", "print-color-mode", "color"},
        {"Resolution", "1200dpi", "printer-resolution", "1200dpi"},
        {"Resolution", "600x1200dpi", "printer-resolution", "600x1200dpi"},
        {"Resolution", "Fine", "", ""},
        {"printer-resolution", "1200x1200dpi", "printer-resolution", "1200dpi"},
        {"sides", "two-sided-long-edge", "sides", "two-sided-long-edge"},
        {"ret", "dark", "", ""},
    };
    for (const auto &e : equivalents) {
        const auto [name, value] = IppEquivalent(QLatin1String(e.keyword), QLatin1String(e.choice));
        EXPECT_EQ(name, QLatin1String(e.name)) << e.keyword << '=' << e.choice;
        EXPECT_EQ(value, QLatin1String(e.value)) << e.keyword << '=' << e.choice;
    }

    // A PPD queue takes the IPP names; a queue without a PPD the PPD keywords.
    TDriverOptions ppd;
    ppd.options.push_back({QStringLiteral("Duplex"), QStringLiteral("Double-Sided"), {}, TDriverOptionKind::dokPickOne,
                           {{QStringLiteral("None"), {}}, {QStringLiteral("DuplexNoTumble"), {}}, {QStringLiteral("DuplexTumble"), {}}},
                           QStringLiteral("None"), false});
    ppd.options.push_back({QStringLiteral("ColorModel"), QStringLiteral("Output Mode"), {}, TDriverOptionKind::dokPickOne,
                           {{QStringLiteral("RGB"), {}}, {QStringLiteral("Gray"), {}}}, QStringLiteral("RGB"), false});
    ppd.options.push_back({QStringLiteral("Resolution"), QStringLiteral("Resolution"), {}, TDriverOptionKind::dokPickOne,
                           {{QStringLiteral("600dpi"), {}}, {QStringLiteral("1200dpi"), {}}}, QStringLiteral("600dpi"), false});
    TDriverOptions ipp;
    ipp.options.push_back({QStringLiteral("sides"), QStringLiteral("Sides"), {}, TDriverOptionKind::dokPickOne,
                           {{QStringLiteral("one-sided"), {}}, {QStringLiteral("two-sided-short-edge"), {}}},
                           QStringLiteral("one-sided"), false});
    struct Match {
        const TDriverOptions *options;
        const char *keyword, *choice, *foundKeyword, *foundChoice;
    } const matches[] = {
        {&ppd, "sides", "two-sided-long-edge", "Duplex", "DuplexNoTumble"},
        {&ppd, "print-color-mode", "monochrome", "ColorModel", "Gray"},
        {&ppd, "printer-resolution", "1200dpi", "Resolution", "1200dpi"},
        {&ppd, "printer-resolution", "1200x1200dpi", "Resolution", "1200dpi"},
        {&ppd, "printer-resolution", "300dpi", "Resolution", ""},      // not a choice: said so
        {&ppd, "Duplex", "DuplexTumble", "Duplex", "DuplexTumble"},
        {&ppd, "Duplex", "Sideways", "Duplex", ""},
        {&ipp, "Duplex", "DuplexTumble", "sides", "two-sided-short-edge"},
        {&ipp, "ColorModel", "Gray", "", ""},                          // no such option
        {&ppd, "nosuch", "x", "", ""},
    };
    for (const auto &m : matches) {
        const TDriverChoiceMatch found = MatchDriverChoice(*m.options, QLatin1String(m.keyword), QLatin1String(m.choice));
        EXPECT_EQ(found.keyword, QLatin1String(m.foundKeyword)) << m.keyword << '=' << m.choice;
        EXPECT_EQ(found.choice, QLatin1String(m.foundChoice)) << m.keyword << '=' << m.choice;
    }
}

TEST(DriverOptionsCups, DuplexResolutionAndColourModeAreChoicesWithTheirConstraints)
{
    VELLORA_REQUIRE_CUPS();
    TCupsService cups(privateCupsServer());
    const TDriverOptions colour = cups.DriverOptions(QStringLiteral("VelloraColor"));
    for (const char *keyword : {"Duplex", "Resolution", "ColorModel"})
        EXPECT_TRUE(hasKeyword(colour, keyword)) << keyword;
    const TDriverValues installed = CheckedDriverValues(colour, {});
    EXPECT_TRUE(DriverConflicts(colour, installed, QStringLiteral("Duplex"), QStringLiteral("DuplexNoTumble")).empty());
    // Without the duplexer, two-sided printing is not free, and says why.
    const TDriverOptions bare = cups.DriverOptions(QStringLiteral("VelloraNoDuplex"));
    const auto conflicts = DriverConflicts(bare, CheckedDriverValues(bare, {}), QStringLiteral("Duplex"),
                                           QStringLiteral("DuplexNoTumble"));
    ASSERT_EQ(conflicts.size(), 1u);
    EXPECT_EQ(conflicts[0].first, QStringLiteral("OptionDuplex"));
    // A choice that cannot be made falls back when the printer merges it.
    TDeviceSettings s = cups.DefaultSettings(QStringLiteral("VelloraNoDuplex"));
    s.driverOptions[QStringLiteral("Duplex")] = QStringLiteral("DuplexNoTumble");
    EXPECT_EQ(cups.Merge(QStringLiteral("VelloraNoDuplex"), s).driverOptions.at(QStringLiteral("Duplex")),
              QStringLiteral("None"));
    // The resolution chosen is the pages' resolution.
    s = cups.DefaultSettings(QStringLiteral("VelloraColor"));
    s.driverOptions[QStringLiteral("Resolution")] = QStringLiteral("1200dpi");
    s = cups.Merge(QStringLiteral("VelloraColor"), s);
    EXPECT_EQ(s.printQuality, 1200);
    EXPECT_EQ(cups.Geometry(QStringLiteral("VelloraColor"), s).dpiX, 1200);
}

TEST(DriverOptionsCups, TwoSidedGreyAtTheBestResolutionReachesTheJob)
{
    VELLORA_REQUIRE_CUPS();
    TCupsService *service = nullptr;
    auto print = cupsPrint(&service);
    ASSERT_TRUE(print->TrySetPrinter(QStringLiteral("VelloraColor")));
    TJwPrinter &jw = print->JwPrinter();
    jw.SetDriverValue(QStringLiteral("Duplex"), QStringLiteral("DuplexNoTumble"));
    jw.SetDriverValue(QStringLiteral("ColorModel"), QStringLiteral("Gray"));
    jw.SetDriverValue(QStringLiteral("Resolution"), QStringLiteral("1200dpi"));
    print->ApplySettings();
    EXPECT_EQ(print->DPI().cx, 1200);
    print->SetTitle(QStringLiteral("two-sided grey"));
    print->BeginPrint();
    print->Canvas()->drawRect(10, 10, 100, 100);
    print->EndPrint();
    const int job = service->LastJobId();
    ASSERT_GT(job, 0);
    // As the PPD keyword and as the IPP attribute the server maps it to.
    const std::pair<const char *, const char *> expected[] = {
        {"Duplex", "DuplexNoTumble"}, {"sides", "two-sided-long-edge"},
        {"ColorModel", "Gray"},       {"print-color-mode", "monochrome"},
        {"Resolution", "1200dpi"},    {"printer-resolution", "1200dpi"},
        {"job-name", "two-sided grey"},
    };
    for (const auto &[name, value] : expected)
        EXPECT_EQ(jobAttribute(job, name), QLatin1String(value)) << name;
}

TEST(DriverOptionsCups, DefaultPaperTrayNamesAndPaperTrayDuplexConstraints)
{
    VELLORA_REQUIRE_CUPS();
    TCupsService cups(privateCupsServer());
    // Every size of the cups-pdf queue is borderless; its default is A4.
    const TDeviceSettings pdf = cups.DefaultSettings(QStringLiteral("VelloraCupsPdf"));
    EXPECT_EQ(pdf.paperSize, 9);
    const TDeviceLists pdfLists = cups.Lists(QStringLiteral("VelloraCupsPdf"), pdf);
    QStringList paperNames;
    for (const auto &p : pdfLists.papers)
        paperNames << p.name;
    const QRegularExpression measured(QStringLiteral("^[0-9.]+ x [0-9.]+ mm"));
    EXPECT_TRUE(std::none_of(paperNames.begin(), paperNames.end(),
                             [&](const QString &n) { return measured.match(n).hasMatch(); }))
        << "a size the PPD names is not shown by its measures: " << paperNames.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(cups.DefaultSettings(QStringLiteral("VelloraOffice")).paperSize, 9);
    EXPECT_EQ(cups.DefaultSettings(QStringLiteral("VelloraColor")).paperSize, 1) << "Letter, the PPD's default";

    // Readable tray names, each tray once.
    for (const char *queue : {"VelloraOffice", "VelloraColor"}) {
        const TDeviceLists lists = cups.Lists(QLatin1String(queue), cups.DefaultSettings(QLatin1String(queue)));
        QStringList trays;
        for (const auto &b : lists.bins)
            trays << b.name;
        QStringList unique = trays;
        unique.removeDuplicates();
        EXPECT_EQ(unique, trays) << queue;
        for (const auto &b : lists.bins)
            EXPECT_NE(b.name, b.source) << queue << ": " << b.source.toStdString();
        if (QLatin1String(queue) == QLatin1String("VelloraOffice")) {
            EXPECT_TRUE(trays.contains(QStringLiteral("Tray 1")) && trays.contains(QStringLiteral("Manual Feeder")))
                << trays.join(QLatin1Char(',')).toStdString();
        }
    }

    // The office printer cannot print A5 two-sided, nor two-sided from the
    // manual feeder: the panel greys duplex, and a job is refused.
    TDeviceSettings office = cups.DefaultSettings(QStringLiteral("VelloraOffice"));
    office.paperSize = 11;
    office.driverOptions[QStringLiteral("Duplex")] = QStringLiteral("DuplexNoTumble");
    TDriverValues values = office.driverOptions;
    for (const auto &[k, v] : cups.StandardChoices(QStringLiteral("VelloraOffice"), office))
        values[k] = v;
    EXPECT_EQ(values.at(QStringLiteral("PageSize")), QStringLiteral("A5"));
    const TDriverOptions options = cups.DriverOptions(QStringLiteral("VelloraOffice"));
    EXPECT_FALSE(DriverConflicts(options, values, QStringLiteral("Duplex"), QStringLiteral("DuplexNoTumble")).empty());
    try {
        cups.StartJob(QStringLiteral("VelloraOffice"), office, QStringLiteral("refused"));
        ADD_FAILURE() << "A5 two-sided was accepted";
    } catch (const Error &e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("PageSize=A5"))) << e.what();
    }
}

TEST(DriverOptionsCups, RefusingQueuesAreListedAndAServerThatIsAwayIsNotNoPrinter)
{
    VELLORA_REQUIRE_CUPS();
    TCupsService cups(privateCupsServer());
    const auto printers = cups.Printers();
    EXPECT_TRUE(cups.Reachable());
    const auto closed = std::find_if(printers.begin(), printers.end(),
                                     [](const TPrinterEntry &e) { return e.name == QLatin1String("VelloraClosed"); });
    ASSERT_NE(closed, printers.end());
    EXPECT_FALSE(closed->accepting);
    EXPECT_FALSE(closed->hidden);
    EXPECT_FALSE(closed->stateMessage.isEmpty()) << "the server's reason, for the message";
    const auto office = std::find_if(printers.begin(), printers.end(),
                                     [](const TPrinterEntry &e) { return e.name == QLatin1String("VelloraOffice"); });
    ASSERT_NE(office, printers.end());
    EXPECT_EQ(office->location, QStringLiteral("2F office"));
    EXPECT_TRUE(office->accepting);

    // A server that is not there: no printers, and said so.
    const QString gone = QStringLiteral(VELLORA_BUILD_DIR "/cups/no-such.sock");
    TJwPrinter jw(std::make_unique<TCupsService>(gone));
    EXPECT_FALSE(jw.ServerReachable());
    EXPECT_THROW(jw.PrinterNames(), EJwPrinterServerDown);
    cupsSetServer(privateCupsServer().toUtf8().constData());
}
