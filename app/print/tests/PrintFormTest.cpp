// The print dialog: loading and writing the print options, page count and
// page-edit corrections, copies per printer, the printer choice reaching the
// job, a vanished printer, and the printer's own options in the setup dialog.
#include "app/PrinterSetupDialog.h"
#include "app/controls/NumberEdit.h"
#include "app/layout/LayoutDialog.h"
#include "app/print/DriverOptionsPanel.h"
#include "app/MainForm.h"
#include "app/print/PrintForm.h"
#include "app/print/PrintWindows.h"
#include "app/print/PreviewForm.h"
#include "model/ImageInfo.h"
#include "model/ImageListItems.h"
#include "model/PhotoPaper.h"
#include "print/CupsService.h"
#include "print/DevicePrint.h"
#include "print/MemoryService.h"
#include "print/tests/FakeIppPrinter.h"
#include "print/tests/PrintTestSupport.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <string_view>

using namespace vellora;
using namespace vellora::test;

namespace {

class PrintDialog : public TfrmPrint {
public:
    QStringList boxes;
    int chosenArea = -1;
    int askedArea = -2;

protected:
    void ShowErrorBox(const QString &instruction, const QString &text) override
    {
        boxes << instruction + QLatin1Char('|') + text;
    }
    int ChooseArea(int area) override
    {
        askedArea = area;
        return chosenArea;
    }
};

TDriverOptions fakeOptions()
{
    TDriverOptions o;
    o.options.push_back({QStringLiteral("Finish"), QStringLiteral("仕上げ"), QString(), TDriverOptionKind::dokPickOne,
                         {{QStringLiteral("None"), QStringLiteral("なし")}, {QStringLiteral("Staple"), QStringLiteral("ホチキス")}},
                         QStringLiteral("None"), false});
    o.options.push_back({QStringLiteral("Tray"), QStringLiteral("排紙"), QString(), TDriverOptionKind::dokPickOne,
                         {{QStringLiteral("Upper"), QStringLiteral("上")}, {QStringLiteral("Lower"), QStringLiteral("下")}},
                         QStringLiteral("Lower"), false});
    o.options.push_back({QStringLiteral("Toner"), QStringLiteral("トナー節約"), QString(), TDriverOptionKind::dokBoolean,
                         {{QStringLiteral("False"), QStringLiteral("いいえ")}, {QStringLiteral("True"), QStringLiteral("はい")}},
                         QStringLiteral("False"), false});
    o.options.push_back({QStringLiteral("Option1"), QStringLiteral("両面ユニット"), QString(), TDriverOptionKind::dokBoolean,
                         {{QStringLiteral("False"), QStringLiteral("なし")}, {QStringLiteral("True"), QStringLiteral("あり")}},
                         QStringLiteral("False"), true});
    o.constraints.push_back({QStringLiteral("Finish"), QStringLiteral("Staple"), QStringLiteral("Tray"), QStringLiteral("Lower")});
    return o;
}

class PrintForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        QApplication::setFont(QFont(testFontFamily(), 9));
        system = std::make_shared<TFakeSystem>();
        system->devices.push_back(TMemoryService::StandardDevice(QStringLiteral("Office")));
        system->devices.push_back(TMemoryService::StandardDevice(QStringLiteral("Photo")));
        system->devices[1].lists.maxCopies = 9999;
        system->devices[0].driverOptions = fakeOptions();
        system->devices[0].defaults.driverOptions = CheckedDriverValues(fakeOptions(), {});
        install();
        paper.SetDivide({2, 2});
        paper.PhotoAreas().AdjustAreas();
        paper.SetInfos(&list);
    }
    void install()
    {
        auto print = std::make_unique<TDevicePrint>(std::make_unique<TJwPrinter>(std::make_unique<TMemoryService>(system)));
        devicePrint = print.get();
        auto previous = SetQvPrint(std::move(print));
        if (!old)
            old = std::move(previous);
    }
    void TearDown() override { SetQvPrint(std::move(old)); }
    void add(int count, bool checked = true)
    {
        for (int i = 0; i < count; ++i) {
            infos.push_back(std::make_unique<TImageInfo>());
            list.Add(infos.back().get(), checked);
        }
    }
    static void render(QWidget &w, const char *name)
    {
        w.show();
        QApplication::processEvents();
        QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
        EXPECT_TRUE(w.grab().save(QStringLiteral(VELLORA_RENDER_DIR "/%1.png").arg(QLatin1String(name))));
    }

    std::shared_ptr<TFakeSystem> system;
    std::unique_ptr<TQvPrint> old;
    TDevicePrint *devicePrint = nullptr;
    std::vector<std::unique_ptr<TImageInfo>> infos;
    TImageListItems list;
    TPhotoPaper paper;
};

} // namespace

TEST_F(PrintForm, LoadsAndWritesTheOptionsOnEveryClose)
{
    add(12);
    TPrintOptions &o = paper.PrintOptions();
    o.CheckOnly = false;
    o.Copies = 3;
    o.Collate = true;
    o.StartArea = 2;
    o.PrintMode = TPrintMode::pmBanding;
    o.AllPage = false;
    o.StartPage = 2;
    o.LastPage = 3;
    struct Close {
        const char *name;
        std::function<void(PrintDialog &)> close;
        int result;
    } const closes[] = {
        {"閉じる", [](PrintDialog &d) { d.btnClose->click(); }, kPrintDialogClose},
        {"Esc", [](PrintDialog &d) { QTest::keyClick(&d, Qt::Key_Escape); }, kPrintDialogClose},
        {"印刷", [](PrintDialog &d) { d.btnPrint->click(); }, kPrintDialogPrint},
        {"プレビュー", [](PrintDialog &d) { d.btnPreview->click(); }, kPrintDialogPreview},
    };
    for (const Close &c : closes) {
        PrintDialog d;
        d.SetPaper(&paper);
        EXPECT_TRUE(d.rdoTargetAll->isChecked()) << c.name;
        EXPECT_EQ(d.edtCopies->AsInteger(), o.Copies) << c.name;
        EXPECT_EQ(d.chkCollate->isChecked(), o.Collate) << c.name;
        EXPECT_EQ(d.edtStartArea->AsInteger(), o.StartArea) << c.name;
        EXPECT_TRUE(d.rdoModeBanding->isChecked()) << c.name;
        EXPECT_TRUE(d.rdoRangePages->isChecked()) << c.name;
        EXPECT_EQ(d.edtStartPage->AsInteger(), o.StartPage) << c.name;
        EXPECT_EQ(d.edtLastPage->AsInteger(), o.LastPage) << c.name;
        // Change every control, then close.
        d.edtCopies->SetValue(o.Copies + 1);
        d.chkCollate->setChecked(!o.Collate);
        d.rdoModeNormal->setChecked(true);
        d.rdoAllPages->setChecked(true);
        d.show();
        c.close(d);
        EXPECT_EQ(d.result(), c.result) << c.name;
        EXPECT_FALSE(d.isVisible()) << c.name;
        EXPECT_EQ(o.PrintMode, TPrintMode::pmNormal) << c.name;
        EXPECT_TRUE(o.AllPage) << c.name;
        o.PrintMode = TPrintMode::pmBanding;
        o.AllPage = false;
    }
    EXPECT_EQ(o.Copies, 7);
}

TEST_F(PrintForm, PageCountFollowsTargetAndStartAreaAndEditsCorrectEachOther)
{
    add(3);
    add(3, false);
    PrintDialog d;
    d.SetPaper(&paper);
    // Six images on 2 x 2 cells: two pages; the three checked: one.
    EXPECT_EQ(d.edtLastPage->Max(), 2);
    d.rdoTargetChecked->setChecked(true);
    EXPECT_EQ(d.edtLastPage->Max(), 1);
    EXPECT_EQ(d.edtLastPage->AsInteger(), 1);
    d.edtStartArea->SetValue(3);   // positions 3, 4, 5
    EXPECT_EQ(d.edtLastPage->Max(), 2);
    EXPECT_EQ(d.edtLastPage->AsInteger(), 2) << "an end at the last page follows it";
    d.chosenArea = 3;
    d.btnSelArea->click();
    EXPECT_EQ(d.askedArea, 2);
    EXPECT_EQ(d.edtStartArea->AsInteger(), 4);
    d.edtStartArea->SetValue(99);
    EXPECT_EQ(d.edtStartArea->AsInteger(), 4) << "clamped to the cells";

    d.show();
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    d.rdoAllPages->setChecked(true);
    d.edtStartPage->SetValue(2);
    d.edtLastPage->setFocus();
    d.edtLastPage->selectAll();
    QTest::keyClicks(d.edtLastPage, QStringLiteral("1"));
    EXPECT_TRUE(d.rdoRangePages->isChecked()) << "typing a page selects 指定";
    d.edtStartPage->setFocus();   // leaving the last edit
    EXPECT_EQ(d.edtStartPage->AsInteger(), 1);
    d.edtStartPage->SetValue(2);
    d.edtLastPage->setFocus();    // leaving the start edit
    EXPECT_EQ(d.edtLastPage->AsInteger(), 2);
}

TEST_F(PrintForm, CopiesFollowThePrinterAndTheChoiceReachesTheJob)
{
    add(2);
    system->devices.push_back(TMemoryService::StandardDevice(QStringLiteral("Simple")));
    system->devices.back().defaults.fields.exclude(TJwPrintCap::jwPcCopies);
    system->devices.back().lists.avail.exclude(TJwAvailInfo::jwAvMaxCopies);
    install();
    PrintDialog d;
    d.SetPaper(&paper);
    ASSERT_EQ(d.cmbPrinter->count(), 3);
    // A printer without copies keeps the count: the run repeats the pages.
    struct Case {
        const char *printer;
        int max;
        bool note;
    } const cases[] = {{"Office", 50, false}, {"Photo", kMaxRunCopies, false}, {"Simple", kMaxRunCopies, true}};
    for (const Case &c : cases) {
        const int index = d.cmbPrinter->findText(QLatin1String(c.printer));
        d.cmbPrinter->setCurrentIndex(index);
        emit d.cmbPrinter->activated(index);
        EXPECT_EQ(d.edtCopies->Max(), c.max) << c.printer;
        EXPECT_TRUE(d.edtCopies->isEnabled()) << c.printer;
        EXPECT_EQ(!d.lblPrinterNote->text().isEmpty(), c.note) << c.printer;
        EXPECT_EQ(paper.PrinterName(), QLatin1String(c.printer));
    }
    d.edtCopies->SetValue(3);
    d.chkCollate->setChecked(false);
    d.btnClose->click();
    EXPECT_EQ(paper.PrintOptions().Copies, 3) << "never silently one copy";
    // Uncollated: each page three times; collated: the range three times.
    // Four red photos fill page 1, one blue photo starts page 2.
    const QString dir = scratchDir(QStringLiteral("print-form-copies"));
    list.Clear();
    infos.clear();
    for (int i = 0; i < 5; ++i) {
        const QString photo = dir + QStringLiteral("/%1.jpg").arg(i);
        QImage image(60, 40, QImage::Format_RGB32);
        image.fill(i < 4 ? Qt::red : Qt::blue);
        ASSERT_TRUE(image.save(photo, "JPEG"));
        infos.push_back(std::make_unique<TImageInfo>());
        infos.back()->SetFileName(photo, TImageLogging::iloLink);
        list.Add(infos.back().get(), true);
    }
    for (const bool collate : {false, true}) {
        system->jobs.clear();
        TPrintOptions o = paper.PrintOptions();
        o.Collate = collate;
        EXPECT_EQ(paper.Print(TPrintDest::pdPrinter, &o, QString(), 1), 2) << "pages of the document";
        ASSERT_EQ(system->jobs.size(), 1u);
        EXPECT_EQ(system->jobs[0].printer, QStringLiteral("Simple"));
        EXPECT_EQ(system->jobs[0].title, QStringLiteral("0.jpg")) << "a new document is named by its first photo";
        const auto &pages = system->jobs[0].pages;
        ASSERT_EQ(pages.size(), 6u) << collate;
        QString order;
        for (const QImage &page : pages)
            order += page == pages[0] ? QLatin1Char('1') : QLatin1Char('2');
        EXPECT_EQ(order, collate ? QStringLiteral("121212") : QStringLiteral("111222"));
    }
    PrintDialog again;
    again.SetPaper(&paper);
    again.cmbPrinter->setCurrentIndex(1);
    emit again.cmbPrinter->activated(1);
    again.btnPrint->click();
    ASSERT_EQ(again.result(), kPrintDialogPrint);
    // The run binds the paper's printer: the dialog's choice.
    system->jobs.clear();
    EXPECT_EQ(paper.Print(TPrintDest::pdPrinter, nullptr, QString(), 1), 2);
    ASSERT_EQ(system->jobs.size(), 1u);
    EXPECT_EQ(system->jobs[0].printer, QStringLiteral("Photo"));
}

TEST_F(PrintForm, PrinterStateUnderThePrinterChoice)
{
    system->devices[1].stateReasons = {QStringLiteral("media-empty-error"), QStringLiteral("toner-low-warning"),
                                       QStringLiteral("vendor-thing")};
    add(1);
    PrintDialog d;
    d.SetPaper(&paper);
    EXPECT_TRUE(d.lblPrinterState->isHidden()) << "a ready printer shows no state";
    d.cmbPrinter->setCurrentIndex(1);
    emit d.cmbPrinter->activated(1);
    EXPECT_EQ(d.lblPrinterState->text(), QStringLiteral("状態: 用紙がありません、トナーが少なくなっています、vendor-thing"));
    EXPECT_FALSE(d.lblPrinterState->isHidden());
    EXPECT_EQ(PrinterStateText({QStringLiteral("paused"), QStringLiteral("offline-report")}),
              QStringLiteral("状態: 停止しています、オフラインです"));
}

TEST_F(PrintForm, NothingToPrintOrAVanishedPrinterStopsWithAMessage)
{
    add(2, false);
    {
        PrintDialog d;
        paper.PrintOptions().CheckOnly = true;
        d.SetPaper(&paper);
        d.show();
        d.btnPrint->click();
        EXPECT_TRUE(d.isVisible());
        ASSERT_EQ(d.boxes.size(), 1);
        EXPECT_TRUE(d.boxes[0].startsWith(QStringLiteral("印刷するページがありません|")));
    }
    PrintDialog d;
    paper.PrintOptions().CheckOnly = false;
    d.SetPaper(&paper);
    d.cmbPrinter->setCurrentIndex(1);
    emit d.cmbPrinter->activated(1);
    d.show();
    system->devices.erase(system->devices.begin() + 1);   // "Photo" is removed
    d.btnPrint->click();
    EXPECT_TRUE(d.isVisible());
    ASSERT_EQ(d.boxes.size(), 1);
    EXPECT_TRUE(d.boxes[0].contains(QStringLiteral("Photo"))) << d.boxes[0].toStdString();
    EXPECT_TRUE(system->jobs.empty());
    render(d, "frmPrint");
}

TEST_F(PrintForm, ARefusingQueueOrAServerThatStopsAnsweringGivesAMessageAndTheDialogStays)
{
    add(2);
    PrintDialog d;
    d.SetPaper(&paper);
    d.show();
    // "Photo" starts refusing jobs while the dialog is open.
    d.cmbPrinter->setCurrentIndex(1);
    emit d.cmbPrinter->activated(1);
    system->devices[1].entry.accepting = false;
    system->devices[1].entry.stateMessage = QStringLiteral("Maintenance until noon");
    d.btnPrint->click();
    EXPECT_TRUE(d.isVisible());
    ASSERT_EQ(d.boxes.size(), 1);
    EXPECT_TRUE(d.boxes[0].startsWith(QStringLiteral("プリンタが印刷を受け付けていません|"))) << d.boxes[0].toStdString();
    EXPECT_TRUE(d.boxes[0].contains(QStringLiteral("Photo")) && d.boxes[0].contains(QStringLiteral("Maintenance until noon")))
        << d.boxes[0].toStdString();
    // Still listed, with its state, and still chosen.
    EXPECT_EQ(d.cmbPrinter->currentData().toString(), QStringLiteral("Photo"));
    EXPECT_TRUE(d.cmbPrinter->currentText().contains(QStringLiteral("受付停止")));
    EXPECT_TRUE(d.lblPrinterState->text().contains(QStringLiteral("Maintenance until noon")));
    EXPECT_TRUE(system->jobs.empty());

    // The server stops answering: said so, not "no printer installed".
    system->devices[1].entry.accepting = true;
    system->unreachable = true;
    d.boxes.clear();
    d.btnPrint->click();
    EXPECT_TRUE(d.isVisible());
    ASSERT_EQ(d.boxes.size(), 1);
    EXPECT_TRUE(d.boxes[0].startsWith(QStringLiteral("印刷サーバーに接続できません|"))) << d.boxes[0].toStdString();
    EXPECT_FALSE(d.btnPrint->isEnabled());
    EXPECT_TRUE(d.lblPrinterNote->text().contains(QStringLiteral("印刷サーバー"))) << d.lblPrinterNote->text().toStdString();
    d.btnProperty->click();   // disabled: nothing happens, nothing thrown
    render(d, "frmPrint-server-down");

    // It answers again: the next poll brings the printers back.
    system->unreachable = false;
    auto *poll = d.findChild<QTimer *>(QStringLiteral("tmrPrinters"));
    ASSERT_NE(poll, nullptr);
    ASSERT_TRUE(QMetaObject::invokeMethod(poll, "timeout", Qt::DirectConnection));
    EXPECT_TRUE(d.btnPrint->isEnabled());
    EXPECT_EQ(d.cmbPrinter->count(), 2);
    d.boxes.clear();
    d.btnPrint->click();
    EXPECT_TRUE(d.boxes.isEmpty()) << d.boxes.join(QLatin1Char(';')).toStdString();
    EXPECT_EQ(d.result(), kPrintDialogPrint);
}

TEST_F(PrintForm, DetailedSettingsEditTheChosenPrinterAndTheJobGetsThem)
{
    add(2);
    PrintDialog d;
    d.SetPaper(&paper);
    int changes = 0;
    QObject::connect(&d, &TfrmPrint::printerChanged, [&] { ++changes; });
    d.cmbPrinter->setCurrentIndex(0);
    emit d.cmbPrinter->activated(0);   // "Office", the printer with options
    QStringList seen;
    QTimer::singleShot(0, [&] {
        auto *setup = qobject_cast<TJwPrinterSetupDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(setup, nullptr);
        // No printer list of its own: it edits the print dialog's printer.
        EXPECT_FALSE(setup->cmbPrinter->isEnabled());
        seen << setup->cmbPrinter->currentText();
        auto *toner = setup->findChild<QCheckBox *>(QStringLiteral("drv_Toner"));
        ASSERT_NE(toner, nullptr);
        toner->setChecked(true);
        setup->accept();
    });
    d.btnProperty->click();
    EXPECT_EQ(seen, QStringList{QStringLiteral("Office")});
    d.btnPrint->click();
    ASSERT_EQ(d.result(), kPrintDialogPrint);
    EXPECT_EQ(paper.PrinterName(), QStringLiteral("Office"));
    EXPECT_EQ(paper.Print(TPrintDest::pdPrinter, nullptr, QString(), 1), 1);
    ASSERT_EQ(system->jobs.size(), 1u);
    EXPECT_EQ(system->jobs[0].printer, QStringLiteral("Office"));
    EXPECT_EQ(system->jobs[0].settings.driverOptions.at(QStringLiteral("Toner")), QStringLiteral("True"));
    EXPECT_GE(changes, 0);
}

TEST_F(PrintForm, ChoosingAnotherPrinterMarksTheDocumentAndTheStatusBarFollows)
{
    QTemporaryDir config;
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    {
        TfrmMain w;
        InstallPrintWindows(w);
        w.SetDocumentModified(false);
        const QString before = w.StatusText(2);
        QTimer closer;
        closer.setInterval(20);
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (auto *dialog = qobject_cast<TfrmPrint *>(QApplication::activeModalWidget())) {
                const int other = dialog->cmbPrinter->currentIndex() == 0 ? 1 : 0;
                dialog->cmbPrinter->setCurrentIndex(other);
                emit dialog->cmbPrinter->activated(other);
                dialog->btnClose->click();
            } else if (auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                box->done(0);
            }
        });
        closer.start();
        w.RunPrintCommands(false);
        EXPECT_TRUE(w.DocumentModified());
        EXPECT_NE(w.StatusText(2), before);
        EXPECT_EQ(w.StatusText(2), w.Paper().PrinterName());
    }
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

TEST_F(PrintForm, PrinterOptionsInTheSetupDialog)
{
    TJwPrinter &jw = devicePrint->JwPrinter();
    ASSERT_TRUE(devicePrint->TrySetPrinter(QStringLiteral("Office")));
    {
        TJwPrinterSetupDialog dialog(jw);
        TDriverOptionsPanel *panel = AddDriverOptions(dialog, jw);
        EXPECT_FALSE(dialog.cmbPaper->isEnabled());
        EXPECT_FALSE(dialog.radLandscape->isEnabled());
        auto *finish = qobject_cast<QComboBox *>(panel->Control(QStringLiteral("Finish")));
        auto *tray = qobject_cast<QComboBox *>(panel->Control(QStringLiteral("Tray")));
        auto *toner = qobject_cast<QCheckBox *>(panel->Control(QStringLiteral("Toner")));
        auto *installable = panel->Control(QStringLiteral("Option1"));
        ASSERT_TRUE(finish && tray && toner && installable);
        EXPECT_FALSE(installable->isEnabled());
        // Staple conflicts with the lower tray: disabled, with the reason.
        const auto *model = qobject_cast<QStandardItemModel *>(finish->model());
        EXPECT_FALSE(model->item(1)->isEnabled());
        EXPECT_EQ(model->item(1)->toolTip(), QStringLiteral("「排紙」が「下」のため選べません"));
        tray->setCurrentIndex(0);
        EXPECT_TRUE(model->item(1)->isEnabled());
        finish->setCurrentIndex(1);
        toner->setChecked(true);
        render(dialog, "dlgPrinter-options-fake");
        dialog.reject();
    }
    EXPECT_FALSE(jw.Modified());
    EXPECT_EQ(jw.DeviceSettings().driverOptions.at(QStringLiteral("Finish")), QStringLiteral("None"));
    {
        TJwPrinterSetupDialog dialog(jw);
        TDriverOptionsPanel *panel = AddDriverOptions(dialog, jw);
        qobject_cast<QCheckBox *>(panel->Control(QStringLiteral("Toner")))->setChecked(true);
        dialog.accept();
    }
    EXPECT_EQ(jw.DeviceSettings().driverOptions.at(QStringLiteral("Toner")), QStringLiteral("True"));
    {
        TJwPrinterSetupDialog dialog(jw);
        TDriverOptionsPanel *panel = AddDriverOptions(dialog, jw);
        panel->btnDefault->click();
        EXPECT_FALSE(qobject_cast<QCheckBox *>(panel->Control(QStringLiteral("Toner")))->isChecked());
        dialog.accept();
    }
    EXPECT_EQ(jw.DeviceSettings().driverOptions.at(QStringLiteral("Toner")), QStringLiteral("False"));
    {
        // Paper and orientation stay fixed whichever printer the dialog turns to.
        TJwPrinterSetupDialog dialog(jw);
        AddDriverOptions(dialog, jw);
        for (const char *name : {"Photo", "Office"}) {
            dialog.cmbPrinter->setCurrentIndex(dialog.cmbPrinter->findText(QLatin1String(name)));
            EXPECT_EQ(dialog.cmbPrinter->currentText(), QLatin1String(name));
            EXPECT_GT(dialog.cmbPaper->count(), 0) << name;
            EXPECT_FALSE(dialog.cmbPaper->isEnabled()) << name;
            EXPECT_FALSE(dialog.radPortrait->isEnabled()) << name;
            EXPECT_FALSE(dialog.radLandscape->isEnabled()) << name;
        }
        dialog.reject();
    }
}

TEST(PrintFormCups, OptionsOfTheTestQueuesRender)
{
    VELLORA_REQUIRE_CUPS();
    QApplication::setFont(QFont(testFontFamily(), 9));
    // A queue without a PPD: its options come from the server's IPP attributes.
    TestQueue noPpd(QStringLiteral("VelloraNoPpd"), false);
    ASSERT_TRUE(noPpd.ok());
    TJwPrinter jw(std::make_unique<TCupsService>(privateCupsServer()));
    const QStringList names = jw.PrinterNames();
    for (const QString &queue : {QStringLiteral("VelloraPDF"), QStringLiteral("VelloraPS"), noPpd.name(),
                                 QStringLiteral("VelloraColor"), QStringLiteral("VelloraNoDuplex"),
                                 QStringLiteral("VelloraOffice"), QStringLiteral("VelloraCupsPdf")}) {
        ASSERT_TRUE(names.contains(queue)) << queue.toStdString();
        jw.SetIndex(static_cast<int>(names.indexOf(queue)));
        TJwPrinterSetupDialog dialog(jw);
        TDriverOptionsPanel *panel = AddDriverOptions(dialog, jw);
        EXPECT_TRUE(panel->isVisibleTo(&dialog)) << queue.toStdString();
        dialog.show();
        QApplication::processEvents();
        QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
        EXPECT_TRUE(dialog.grab().save(QStringLiteral(VELLORA_RENDER_DIR "/dlgPrinter-options-%1.png").arg(queue)));
        if (queue == QLatin1String("VelloraColor") || queue == QLatin1String("VelloraNoDuplex")) {
            // Duplex, resolution and colour mode are offered; without the
            // duplexer two-sided printing is greyed, with the reason.
            auto *duplex = qobject_cast<QComboBox *>(panel->Control(QStringLiteral("Duplex")));
            ASSERT_TRUE(duplex && panel->Control(QStringLiteral("Resolution")) && panel->Control(QStringLiteral("ColorModel")));
            const auto *model = qobject_cast<QStandardItemModel *>(duplex->model());
            const QStandardItem *longEdge = model->item(duplex->findData(QStringLiteral("DuplexNoTumble")));
            const bool installed = queue == QLatin1String("VelloraColor");
            EXPECT_EQ(longEdge->isEnabled(), installed) << queue.toStdString();
            EXPECT_EQ(longEdge->toolTip().contains(QStringLiteral("Duplexer")), !installed) << longEdge->toolTip().toStdString();
        }
        if (queue == QLatin1String("VelloraOffice")) {
            // Trays by the PPD's names; the location of the queue, not its device.
            QStringList trays;
            for (int i = 0; i < dialog.cmbSource->count(); ++i)
                trays << dialog.cmbSource->itemText(i);
            EXPECT_TRUE(trays.contains(QStringLiteral("Tray 1"))) << trays.join(QLatin1Char(',')).toStdString();
            EXPECT_EQ(dialog.lblPrinterState->text(), QStringLiteral("2F office"));
            // Two-sided from the manual feeder is not free.
            auto *duplex = qobject_cast<QComboBox *>(panel->Control(QStringLiteral("Duplex")));
            ASSERT_NE(duplex, nullptr);
            duplex->setCurrentIndex(duplex->findData(QStringLiteral("DuplexNoTumble")));
            const auto *sources = qobject_cast<QStandardItemModel *>(dialog.cmbSource->model());
            const int manual = dialog.cmbSource->findText(QStringLiteral("Manual Feeder"));
            ASSERT_GE(manual, 0);
            EXPECT_FALSE(sources->item(manual)->isEnabled());
            EXPECT_FALSE(sources->item(manual)->toolTip().isEmpty());
        }
        if (queue == noPpd.name()) {
            // An option without a default starts at "the printer decides" and
            // goes back to it: then the job does not carry it.
            auto *delivery = qobject_cast<QComboBox *>(panel->Control(QStringLiteral("page-delivery")));
            ASSERT_NE(delivery, nullptr);
            EXPECT_EQ(delivery->currentIndex(), 0);
            EXPECT_EQ(delivery->currentText(), QStringLiteral("(プリンタの既定)"));
            delivery->setCurrentIndex(delivery->findData(QStringLiteral("same-order")));
            EXPECT_EQ(jw.DriverValues().at(QStringLiteral("page-delivery")), QStringLiteral("same-order"));
            delivery->setCurrentIndex(0);
            EXPECT_EQ(jw.DriverValues().count(QStringLiteral("page-delivery")), 0u);
        }
        dialog.reject();
    }
}

TEST(PrintFormCups, AQueueWithoutAPpdShowsItsPrintersPaperTextsAndConflicts)
{
    VELLORA_REQUIRE_CUPS();
    QApplication::setFont(QFont(testFontFamily(), 9));
    FakeIppPrinter device(DriverlessPrinterAttributes());
    ASSERT_TRUE(device.ok());
    TestQueue queue(QStringLiteral("VelloraNoPpdNet"), false, device.uri());
    ASSERT_TRUE(queue.ok());
    TJwPrinter jw(std::make_unique<TCupsService>(privateCupsServer()));
    const QStringList names = jw.PrinterNames();
    ASSERT_TRUE(names.contains(queue.name()));
    jw.SetIndex(static_cast<int>(names.indexOf(queue.name())));
    TJwPrinterSetupDialog dialog(jw);
    TDriverOptionsPanel *panel = AddDriverOptions(dialog, jw);

    // The printer's paper sizes, shown and fixed.
    QStringList papers;
    for (int i = 0; i < dialog.cmbPaper->count(); ++i)
        papers << dialog.cmbPaper->itemText(i);
    EXPECT_EQ(papers.size(), 4) << papers.join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(papers.contains(QStringLiteral("A4")) && papers.contains(QStringLiteral("A5")))
        << papers.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(dialog.cmbPaper->currentText(), QStringLiteral("A4"));
    EXPECT_FALSE(dialog.cmbPaper->isEnabled());

    // Texts, not keywords; "fill" gives way once the output goes face up.
    auto *scaling = qobject_cast<QComboBox *>(panel->Control(QStringLiteral("print-scaling")));
    auto *bin = qobject_cast<QComboBox *>(panel->Control(QStringLiteral("output-bin")));
    ASSERT_TRUE(scaling && bin);
    const int fill = scaling->findData(QStringLiteral("fill"));
    const int faceUp = bin->findData(QStringLiteral("face-up"));
    ASSERT_GE(fill, 0);
    ASSERT_GE(faceUp, 0);
    EXPECT_NE(scaling->itemText(fill), QStringLiteral("fill"));
    EXPECT_NE(bin->itemText(faceUp), QStringLiteral("face-up"));
    const auto *model = qobject_cast<QStandardItemModel *>(scaling->model());
    EXPECT_TRUE(model->item(fill)->isEnabled());
    bin->setCurrentIndex(faceUp);
    EXPECT_FALSE(model->item(fill)->isEnabled());
    EXPECT_TRUE(model->item(fill)->toolTip().contains(bin->itemText(faceUp))) << model->item(fill)->toolTip().toStdString();
    EXPECT_TRUE(model->item(scaling->findData(QStringLiteral("fit")))->isEnabled());
    dialog.show();
    QApplication::processEvents();
    QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
    EXPECT_TRUE(dialog.grab().save(QStringLiteral(VELLORA_RENDER_DIR "/dlgPrinter-options-VelloraNoPpdNet.png")));
    dialog.reject();
    EXPECT_FALSE(jw.Modified());
}

TEST(PrintFormCups, TheLayoutDialogOffersThePaperOfQueuesWithoutAPpd)
{
    VELLORA_REQUIRE_CUPS();
    FakeIppPrinter device(DriverlessPrinterAttributes());
    ASSERT_TRUE(device.ok());
    TestQueue net(QStringLiteral("VelloraLayoutNet"), false, device.uri());
    TestQueue bare(QStringLiteral("VelloraLayoutBare"), false);
    ASSERT_TRUE(net.ok() && bare.ok());
    auto owned = std::make_unique<TDevicePrint>(
        std::make_unique<TJwPrinter>(std::make_unique<TCupsService>(privateCupsServer())));
    TDevicePrint *print = owned.get();
    struct Restore {
        std::unique_ptr<TQvPrint> old;
        ~Restore() { SetQvPrint(std::move(old)); }
    } restore{SetQvPrint(std::move(owned))};

    // The network printer's media, as for a queue with a PPD.
    ASSERT_TRUE(print->TrySetPrinter(net.name()));
    TPhotoPaper paper;
    {
        TfrmLayout dialog;
        dialog.SetPaper(paper);
        auto *sizes = dialog.findChild<QComboBox *>(QStringLiteral("cmbPaperSize"));
        ASSERT_NE(sizes, nullptr);
        QStringList names;
        for (int i = 0; i < sizes->count(); ++i)
            names << sizes->itemText(i);
        EXPECT_EQ(names.size(), 4) << names.join(QLatin1Char(',')).toStdString();
        EXPECT_EQ(sizes->currentText(), QStringLiteral("A4"));
    }
    // A queue that knows no media: no list, the A4 sheet, and no failure.
    ASSERT_TRUE(print->TrySetPrinter(bare.name()));
    {
        TfrmLayout dialog;
        dialog.SetPaper(paper);
        auto *sizes = dialog.findChild<QComboBox *>(QStringLiteral("cmbPaperSize"));
        ASSERT_NE(sizes, nullptr);
        EXPECT_EQ(sizes->count(), 0);
        auto *width = dialog.findChild<TUpdownNumberEdit *>(QStringLiteral("edtPaperWidth"));
        ASSERT_NE(width, nullptr);
        EXPECT_NEAR(width->Value(), 210.0, 0.2);
    }
}

TEST(PrintFormCups, APhotoPageTwoSidedInGreyAtTheBestResolutionFromTheWindow)
{
    VELLORA_REQUIRE_CUPS();
    QApplication::setFont(QFont(testFontFamily(), 9));
    auto owned = std::make_unique<TDevicePrint>(
        std::make_unique<TJwPrinter>(std::make_unique<TCupsService>(privateCupsServer())));
    TDevicePrint *print = owned.get();
    struct Restore {
        std::unique_ptr<TQvPrint> old;
        ~Restore() { SetQvPrint(std::move(old)); }
    } restore{SetQvPrint(std::move(owned))};
    TImageListItems list;
    TImageInfo info;
    const QString photo = scratchDir(QStringLiteral("print-form-cups-duplex")) + QStringLiteral("/photo.jpg");
    QImage image(120, 80, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    ASSERT_TRUE(image.save(photo, "JPEG"));
    info.SetFileName(photo, TImageLogging::iloLink);
    list.Add(&info, true);
    TPhotoPaper paper;
    paper.SetInfos(&list);

    TfrmPrint d;
    d.SetPaper(&paper);
    const int colour = d.cmbPrinter->findData(QStringLiteral("VelloraColor"));
    ASSERT_GE(colour, 0);
    d.cmbPrinter->setCurrentIndex(colour);
    emit d.cmbPrinter->activated(colour);
    QTimer::singleShot(0, [&] {
        auto *setup = qobject_cast<TJwPrinterSetupDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(setup, nullptr);
        EXPECT_EQ(setup->cmbPrinter->currentText(), QStringLiteral("VelloraColor"));
        const std::pair<const char *, const char *> choices[] = {
            {"drv_Duplex", "DuplexNoTumble"}, {"drv_ColorModel", "Gray"}, {"drv_Resolution", "1200dpi"}};
        for (const auto &[name, choice] : choices) {
            auto *combo = setup->findChild<QComboBox *>(QLatin1String(name));
            ASSERT_NE(combo, nullptr) << name;
            combo->setCurrentIndex(combo->findData(QLatin1String(choice)));
            EXPECT_EQ(combo->currentData().toString(), QLatin1String(choice)) << name;
        }
        setup->show();
        QApplication::processEvents();
        QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
        EXPECT_TRUE(setup->grab().save(QStringLiteral(VELLORA_RENDER_DIR "/dlgPrinter-details-VelloraColor.png")));
        setup->accept();
    });
    d.btnProperty->click();
    d.btnPrint->click();
    ASSERT_EQ(d.result(), kPrintDialogPrint);
    EXPECT_EQ(paper.Print(TPrintDest::pdPrinter, nullptr, QString(), 1), 1);
    auto *cups = dynamic_cast<TCupsService *>(&print->JwPrinter().Service());
    ASSERT_NE(cups, nullptr);
    const int job = cups->LastJobId();
    ASSERT_GT(job, 0);
    const std::pair<const char *, const char *> expected[] = {
        {"sides", "two-sided-long-edge"}, {"print-color-mode", "monochrome"}, {"printer-resolution", "1200dpi"},
        {"Duplex", "DuplexNoTumble"},     {"job-name", "photo.jpg"}};
    for (const auto &[name, value] : expected)
        EXPECT_EQ(jobAttribute(job, name), QLatin1String(value)) << name;
}

TEST(PrintFormCups, PrintersComeBackOnThePollAfterTheProgramStartedWithoutAServer)
{
    VELLORA_REQUIRE_CUPS();
    // The program looks for the server at an address where nothing answers
    // yet; the server "starts" when its socket appears there.
    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("cups.sock"));
    const QString real = privateCupsServer();
    QTemporaryDir config;
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    struct Restore {
        std::unique_ptr<TQvPrint> old;
        QString server;
        QByteArray config;
        ~Restore()
        {
            SetQvPrint(std::move(old));
            qputenv("CUPS_SERVER", server.toUtf8());
            cupsSetServer(server.toUtf8().constData());
            qputenv("XDG_CONFIG_HOME", config);
        }
    } restore{SetQvPrint(nullptr), real, oldConfig};

    // Either timer alone brings the printers back: the main window's and
    // the open print dialog's.
    for (const char *timer : {"tmrPrinter", "tmrPrinters"}) {
        SCOPED_TRACE(timer);
        QFile::remove(socket);
        qputenv("CUPS_SERVER", socket.toUtf8());
        cupsSetServer(socket.toUtf8().constData());
        SetQvPrint(MakeSystemPrint());
        EXPECT_FALSE(SystemPrintServerReachable());
        EXPECT_TRUE(QvPrint().PrinterNames().isEmpty());

        TfrmMain w;
        PrintDialog d;
        d.SetPaper(&w.Paper());
        d.show();
        QObject *poll = std::string_view(timer) == "tmrPrinter" ? static_cast<QObject *>(&w) : &d;
        auto *tick = poll->findChild<QTimer *>(QLatin1String(timer));
        ASSERT_NE(tick, nullptr);
        // Still away on a poll: said so, nothing to print to.
        ASSERT_TRUE(QMetaObject::invokeMethod(tick, "timeout", Qt::DirectConnection));
        EXPECT_FALSE(d.btnPrint->isEnabled());
        EXPECT_TRUE(d.lblPrinterNote->text().contains(QStringLiteral("印刷サーバー"))) << d.lblPrinterNote->text().toStdString();
        EXPECT_THROW(ExecuteSystemPrinterSetup(&d), Error);

        ASSERT_TRUE(QFile::link(real, socket));
        ASSERT_TRUE(QMetaObject::invokeMethod(tick, "timeout", Qt::DirectConnection));
        EXPECT_TRUE(QvPrint().PrinterNames().contains(QStringLiteral("VelloraPDF")))
            << QvPrint().PrinterNames().join(QLatin1Char(',')).toStdString();
        // The dialog shows them on its next tick (at once when it polled).
        auto *dialogTick = d.findChild<QTimer *>(QStringLiteral("tmrPrinters"));
        ASSERT_NE(dialogTick, nullptr);
        ASSERT_TRUE(QMetaObject::invokeMethod(dialogTick, "timeout", Qt::DirectConnection));
        EXPECT_TRUE(d.btnPrint->isEnabled());
        EXPECT_GE(d.cmbPrinter->findData(QStringLiteral("VelloraPDF")), 0);
        EXPECT_TRUE(d.lblPrinterNote->text().isEmpty()) << d.lblPrinterNote->text().toStdString();
        EXPECT_TRUE(d.boxes.isEmpty()) << d.boxes.join(QLatin1Char(';')).toStdString();
    }
}

TEST_F(PrintForm, MainWindowOpensTheDialogAndThePreview)
{
    QTemporaryDir config;
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    {
        TfrmMain w;
        InstallPrintWindows(w);
        const QString photo = scratchDir(QStringLiteral("print-form-main")) + QStringLiteral("/a.jpg");
        QImage image(120, 90, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        ASSERT_TRUE(image.save(photo, "JPEG"));
        w.AddImageFile(photo);
        EXPECT_FALSE(w.ActionPending(w.Action(QStringLiteral("actPrint"))));
        // The dialog opens on the window's paper; its preview button opens the
        // preview, whose 閉じる ends the command.
        QStringList seen;
        QTimer closer;
        closer.setInterval(20);
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (auto *dialog = qobject_cast<TfrmPrint *>(QApplication::activeModalWidget())) {
                seen << dialog->windowTitle();
                EXPECT_EQ(dialog->Paper(), &w.Paper());
                dialog->btnPreview->click();
            } else if (auto *preview = qobject_cast<TfrmPrev *>(QApplication::activeModalWidget())) {
                seen << preview->windowTitle();
                preview->actClose->trigger();
            } else if (auto *other = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                seen << other->windowTitle();   // not expected: a message box
                other->done(0);
            }
        });
        closer.start();
        w.RunPrintCommands(false);
        EXPECT_EQ(seen, (QStringList{QStringLiteral("印刷"), QStringLiteral("印刷プレビュー")}));
    }
    qputenv("XDG_CONFIG_HOME", oldConfig);
}
