// The paper layout dialog on an in-memory printer: loading from a paper,
// the area-size display and calculator, the printer actions, OK writing the
// model and Cancel leaving document and printer as they were.
#include "app/layout/AdjustDialog.h"
#include "app/layout/AreaSizeDialog.h"
#include "app/layout/BackgroundDialog.h"
#include "app/layout/DialogParts.h"
#include "app/layout/LayoutDialog.h"
#include "app/layout/LayoutWindows.h"
#include "app/MainForm.h"
#include "app/designer/Designer.h"
#include "model/Areas.h"
#include <QAction>
#include "app/layout/SelAreaDialog.h"
#include "app/FormSettings.h"
#include "app/PrinterSetupDialog.h"
#include "app/layout/AreaPropDialog.h"
#include "model/Document.h"
#include "model/DocumentFormat.h"
#include "model/ImageInfos.h"
#include "model/PaperPrinter.h"
#include "model/StandardPapers.h"
#include "model/TextArea.h"
#include "print/DevicePrint.h"
#include "print/MemoryService.h"
#include "settings/IniFile.h"
#include "settings/Stream.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include "app/controls/NumberEdit.h"
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace vellora;

namespace {

// The program-wide printer replaced by a device over the in-memory service
// for one test: A4, A5, Letter, postcard and a user-defined size.
struct PrinterFixture {
    std::shared_ptr<TFakeSystem> system = std::make_shared<TFakeSystem>();
    TDevicePrint *print = nullptr;
    std::unique_ptr<TQvPrint> previous;

    PrinterFixture()
    {
        TFakeDevice d = TMemoryService::StandardDevice(QStringLiteral("Desk"));
        d.lists.papers.push_back({256, QStringLiteral("ユーザー定義サイズ"), QStringLiteral("custom"), 0, 0, 0, 0, 0, 0});
        d.entry.isDefault = true;
        system->devices = {d, TMemoryService::StandardDevice(QStringLiteral("Other"))};
        auto device = std::make_unique<TDevicePrint>(
            std::make_unique<TJwPrinter>(std::make_unique<TMemoryService>(system)));
        print = device.get();
        previous = SetQvPrint(std::move(device));
        SetMessageHook([](const QString &, const QString &) { return true; });
    }
    ~PrinterFixture()
    {
        SetMessageHook({});
        SetPrinterSetupFunc({});
        PaperPrinter().SetPaper(nullptr);
        SetQvPrint(std::move(previous));
    }
    TDeviceSettings applied() { return print->JwPrinter().DeviceSettings(); }
};

QByteArray bytesOf(const TPhotoPaper &paper)
{
    TMemoryStream stream;
    SavePaperToStream(stream, paper);
    return stream.Data();
}

template <typename T>
T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

void clickButton(QWidget &w, const char *name)
{
    child<QAbstractButton>(w, name)->click();
}

void choose(QWidget &w, const char *name, int index)
{
    auto *box = child<QComboBox>(w, name);
    box->setCurrentIndex(index);
    emit box->activated(index);
}

QString pngPath(const QString &name)
{
    const QString dir = QStringLiteral(VELLORA_DIALOG_PNG_DIR);
    QDir().mkpath(dir);
    return dir + QLatin1Char('/') + name + QStringLiteral(".png");
}

} // namespace

TEST(LayoutDialog, PaperSizeEntryIsFoundByNameThenNumberThenUserSize)
{
    const QStringList names{QStringLiteral("A4"), QStringLiteral("A5"), QStringLiteral("ユーザー定義サイズ")};
    const std::vector<int> numbers{9, 11, 256};
    const std::vector<int> noUser{9, 11, 13};
    struct Case {
        const char *what;
        QString name;
        int number;
        const std::vector<int> &numbers;
        int expected;
    } const cases[] = {
        {"name wins over number", QStringLiteral("A5"), 9, numbers, 1},
        {"unknown name, known number", QStringLiteral("ISO A4"), 9, numbers, 0},
        {"neither: the user-defined entry", QStringLiteral("B4"), 12, numbers, 2},
        {"neither and no user size", QStringLiteral("B4"), 12, noUser, -1},
        {"an empty name is no match", QString(), 11, numbers, 1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FindPaperSizeEntry(names, c.numbers, c.name, c.number), c.expected) << c.what;
}

TEST(LayoutDialog, LoadingShowsTheDocumentOrThePrinterPaperAndTouchesNoPrinter)
{
    PrinterFixture f;
    TPhotoPaper paper;
    paper.SetPaperSizeName(QStringLiteral("Unknown"));
    paper.SetPaperSizeNumber(11);   // A5 by number
    paper.SetPaperSize(FloatSize(148, 210));
    const TDeviceSettings before = f.applied();
    const int merges = f.system->mergeCount;
    {
        TfrmLayout dialog;
        dialog.SetPaper(paper);
        EXPECT_EQ(child<QComboBox>(dialog, "cmbPaperSize")->currentText(), QStringLiteral("A5"));
        EXPECT_DOUBLE_EQ(child<TUpdownNumberEdit>(dialog, "edtPaperWidth")->Value(), 148.0);
        EXPECT_FALSE(child<TUpdownNumberEdit>(dialog, "edtPaperWidth")->isEnabled());
        EXPECT_EQ(child<QLineEdit>(dialog, "edtCurrentPrinter")->text(), QStringLiteral("Desk"));
        dialog.reject();
    }
    EXPECT_EQ(f.applied(), before);
    EXPECT_EQ(f.system->mergeCount, merges);

    // A printer without the document's name or number and without a user
    // size: the printer's own paper is shown.
    TFakeDevice plain = TMemoryService::StandardDevice(QStringLiteral("Plain"));
    f.system->devices = {plain};
    f.print->JwPrinter().CheckSystemChanged();
    paper.SetPaperSizeName(QStringLiteral("B4"));
    paper.SetPaperSizeNumber(12);
    paper.SetPaperSize(FloatSize(257, 364));
    TfrmLayout dialog;
    dialog.SetPaper(paper);
    EXPECT_EQ(child<QComboBox>(dialog, "cmbPaperSize")->currentText(), QStringLiteral("A4"));
    EXPECT_NEAR(child<TUpdownNumberEdit>(dialog, "edtPaperWidth")->Value(), 210.0, 0.2);   // device pixels at 72 dpi
}

TEST(LayoutDialog, AreaSizeFollowsMarginsDivisionsAndSpacing)
{
    PrinterFixture f;
    TPhotoPaper paper;
    TfrmLayout dialog;
    dialog.SetPaper(paper);
    child<TUpdownNumberEdit>(dialog, "edtMarginLeft")->SetValue(10);
    child<TUpdownNumberEdit>(dialog, "edtMarginRight")->SetValue(10);
    auto *spaceHorz = child<TUpdownNumberEdit>(dialog, "edtSpaceHorz");
    EXPECT_FALSE(spaceHorz->isEnabled());
    child<TUpdownNumberEdit>(dialog, "edtDivHorz")->SetValue(3);
    EXPECT_TRUE(spaceHorz->isEnabled());
    spaceHorz->SetValue(5);
    EXPECT_EQ(child<TNumberEdit>(dialog, "edtAreaWidth")->text(), QStringLiteral("60.0"));
    // The edits alone do not change the paper.
    EXPECT_EQ(dialog.Paper().HorzDivide(), 1);
    // Typing counts before the edit is left.
    auto *left = child<TUpdownNumberEdit>(dialog, "edtMarginLeft");
    left->selectAll();
    QTest::keyClicks(left, QStringLiteral("20"));
    EXPECT_NEAR(child<TNumberEdit>(dialog, "edtAreaWidth")->Value(), (209.9 - 20 - 10 - 10) / 3, 0.1);

    // A negative result is shown as it is, and OK refuses it.
    child<TUpdownNumberEdit>(dialog, "edtMarginLeft")->SetValue(300);
    EXPECT_LT(child<TNumberEdit>(dialog, "edtAreaWidth")->Value(), 0);
    QString message;
    SetMessageHook([&](const QString &, const QString &text) {
        message = text;
        return true;
    });
    dialog.show();
    clickButton(dialog, "btnOk");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(message.isEmpty());
    EXPECT_EQ(dialog.Paper().HorzDivide(), 1);
}

TEST(LayoutDialog, AreaSizeCalculatorCentresTheAreas)
{
    struct Case {
        bool keepSpacing;
        double margin;   // both margins before
        TAreaFit h, v;
    } const cases[] = {
        {false, 0, {5, 0}, {8.5, 0}},
        // Spacing first: 10 − 20 would be −10, so no spacing and the rest goes to the margins.
        {true, 10, {5, 0}, {8.5, 0}},
    };
    for (const auto &c : cases) {
        const TAreaFit h = FitAreaSize(210, 2, 100, c.margin, c.margin, c.keepSpacing);
        const TAreaFit v = FitAreaSize(297, 2, 140, c.margin, c.margin, c.keepSpacing);
        EXPECT_DOUBLE_EQ(h.margin, c.h.margin);
        EXPECT_DOUBLE_EQ(h.space, c.h.space);
        EXPECT_DOUBLE_EQ(v.margin, c.v.margin);
        EXPECT_DOUBLE_EQ(v.space, c.v.space);
    }
    // Where the rest allows it, spacing takes what the margins leave.
    const TAreaFit wide = FitAreaSize(210, 2, 90, 5, 5, true);
    EXPECT_DOUBLE_EQ(wide.space, 20);
    EXPECT_DOUBLE_EQ(wide.margin, 5);
}

TEST(LayoutDialog, AreaSizeCalculatorKeepsSpacingAndATitleBandByDefault)
{
    struct Case {
        double paper;
        int divisions;
        double wanted, marginA, marginB, space;
        TAreaFitKept expected;
    } const cases[] = {
        // A4 height, 3 rows, a 30 mm title band over a 10 mm margin: rows of
        // 82.3 mm made 80 free 7 mm, shared by both margins; the band stays
        // 20 mm deeper than the bottom margin and the spacing stays 5.
        {297, 3, 80, 30, 10, 5, {33.5, 13.5}},
        // One column: no spacing counts.
        {210, 1, 190, 10, 10, 99, {10, 10}},
        // The size the areas already have: nothing moves.
        {210, 2, 100, 8, 2, 0, {8, 2}},
    };
    for (const Case &c : cases) {
        const TAreaFitKept fit = FitAreaSizeKeeping(c.paper, c.divisions, c.wanted, c.marginA, c.marginB,
                                                    c.divisions > 1 ? c.space : 0.0);
        EXPECT_DOUBLE_EQ(fit.marginA, c.expected.marginA) << c.paper << " " << c.wanted;
        EXPECT_DOUBLE_EQ(fit.marginB, c.expected.marginB) << c.paper << " " << c.wanted;
    }
}

TEST(LayoutDialog, AreaSizeDialogWritesMarginsAndTheLayoutReloadsThem)
{
    PrinterFixture f;
    TPhotoPaper paper;
    TfrmLayout dialog;
    dialog.SetPaper(paper);
    // The calculator reads the divisions typed but not yet applied.
    child<TUpdownNumberEdit>(dialog, "edtDivHorz")->SetValue(2);
    child<TUpdownNumberEdit>(dialog, "edtDivVert")->SetValue(2);
    QTimer::singleShot(0, [] {
        auto *calc = qobject_cast<TfrmAreaSize *>(QApplication::activeModalWidget());
        ASSERT_NE(calc, nullptr);
        EXPECT_TRUE(calc->findChild<QWidget *>(QStringLiteral("rdgAdjust"))->isEnabled());
        calc->findChild<TUpdownNumberEdit *>(QStringLiteral("edtWidth"))->SetValue(100);
        calc->findChild<TUpdownNumberEdit *>(QStringLiteral("edtHeight"))->SetValue(140);
        calc->grab().save(pngPath(QStringLiteral("frmAreaSize")));
        calc->accept();
    });
    clickButton(dialog, "btnSetAreaSize");
    EXPECT_DOUBLE_EQ(child<TUpdownNumberEdit>(dialog, "edtMarginLeft")->Value(), 5.0);
    EXPECT_DOUBLE_EQ(child<TUpdownNumberEdit>(dialog, "edtMarginTop")->Value(), 8.5);
    EXPECT_EQ(child<TNumberEdit>(dialog, "edtAreaWidth")->text(), QStringLiteral("100.0"));
    EXPECT_EQ(child<TNumberEdit>(dialog, "edtAreaHeight")->text(), QStringLiteral("140.0"));
}

TEST(LayoutDialog, TypingABorderWidthTicksTheBoxOnlyWhileFocused)
{
    PrinterFixture f;
    TPhotoPaper paper;
    paper.SetBorder(true);
    paper.SetBorderWidth(2);
    TfrmLayout dialog;
    dialog.SetPaper(paper);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    child<QTreeWidget>(dialog, "tvPages")->setCurrentItem(child<QTreeWidget>(dialog, "tvPages")->topLevelItem(2));
    auto *frame = child<QCheckBox>(dialog, "chkFrame");
    auto *width = child<TUpdownNumberEdit>(dialog, "edtBorderWidth");

    width->SetValue(0);   // not focused: the box stays
    EXPECT_TRUE(frame->isChecked());
    width->SetValue(2);

    width->setFocus();
    ASSERT_TRUE(width->hasFocus());
    width->selectAll();
    QTest::keyClicks(width, QStringLiteral("0"));
    EXPECT_FALSE(frame->isChecked());
    width->selectAll();
    QTest::keyClicks(width, QStringLiteral("3"));
    EXPECT_TRUE(frame->isChecked());
}

TEST(LayoutDialog, OkWritesEveryControlIntoThePaper)
{
    PrinterFixture f;
    TPhotoPaper paper;
    TfrmLayout dialog;
    dialog.SetPaper(paper);
    child<TUpdownNumberEdit>(dialog, "edtMarginLeft")->SetValue(11);
    child<TUpdownNumberEdit>(dialog, "edtMarginTop")->SetValue(12);
    child<TUpdownNumberEdit>(dialog, "edtMarginRight")->SetValue(13);
    child<TUpdownNumberEdit>(dialog, "edtMarginBottom")->SetValue(14);
    child<TUpdownNumberEdit>(dialog, "edtDivHorz")->SetValue(2);
    child<TUpdownNumberEdit>(dialog, "edtDivVert")->SetValue(3);
    child<TUpdownNumberEdit>(dialog, "edtSpaceHorz")->SetValue(4);
    child<TUpdownNumberEdit>(dialog, "edtSpaceVert")->SetValue(6);
    child<QComboBox>(dialog, "cmbFonts")->setCurrentText(QStringLiteral("IPAMincho"));
    child<QComboBox>(dialog, "cmbFontSize")->setCurrentText(QStringLiteral("18"));
    child<TColorBox>(dialog, "cmbFontColor")->SetColor(0x0000FF);
    choose(dialog, "cmbRotateAngle", 1);   // picks "指定" as well
    EXPECT_TRUE(child<QRadioButton>(dialog, "rdoRotateAngle")->isChecked());
    child<QComboBox>(dialog, "cmbPhotoSize")->setCurrentIndex(Ord(TPhotoSize::psScale));
    EXPECT_TRUE(child<TUpdownNumberEdit>(dialog, "edtPhotoScale")->isEnabled());
    EXPECT_FALSE(child<TUpdownNumberEdit>(dialog, "edtProtrudeWidth")->isEnabled());
    child<TUpdownNumberEdit>(dialog, "edtPhotoScale")->SetValue(150);
    child<TUpdownNumberEdit>(dialog, "edtProtrudeWidth")->SetValue(2.5);
    child<QComboBox>(dialog, "cmbSizeLimit")->setCurrentIndex(2);
    child<QComboBox>(dialog, "cmbHorzAlign")->setCurrentIndex(0);
    child<QComboBox>(dialog, "cmbVertAlign")->setCurrentIndex(2);
    child<QCheckBox>(dialog, "chkFrame")->setChecked(true);
    child<TUpdownNumberEdit>(dialog, "edtBorderWidth")->SetValue(1.5);
    EXPECT_DOUBLE_EQ(child<TUpdownNumberEdit>(dialog, "edtPhotoScale")->Min(), 10.0);
    // An exact 0 does not slip through the scale's limit.
    child<TUpdownNumberEdit>(dialog, "edtPhotoScale")->SetValue(0);
    EXPECT_DOUBLE_EQ(child<TUpdownNumberEdit>(dialog, "edtPhotoScale")->Value(), 10.0);
    child<TUpdownNumberEdit>(dialog, "edtPhotoScale")->SetValue(150);

    dialog.show();
    clickButton(dialog, "btnOk");
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    const TPhotoPaper &p = dialog.Paper();
    EXPECT_EQ(p.Margins(), FloatRect(11, 12, 13, 14));
    EXPECT_EQ(p.HorzDivide(), 2);
    EXPECT_EQ(p.VertDivide(), 3);
    EXPECT_EQ(p.Space(), FloatSize(4, 6));
    // The spacing re-gridded the cells after the division.
    ASSERT_EQ(p.PhotoAreas().Count(), 6);
    EXPECT_DOUBLE_EQ(static_cast<double>(p.PhotoAreas().Items(1)->Left()),
                     static_cast<double>(11 + p.PhotoAreas().Items(0)->Width() + 4));
    EXPECT_EQ(p.Font().Name, QStringLiteral("IPAMincho"));
    EXPECT_EQ(p.Font().Size(), 18);
    EXPECT_EQ(p.Font().Color, 0x0000FFu);
    EXPECT_EQ(p.Rotate(), TPhotoRotate::pr180);
    EXPECT_EQ(p.PhotoSize(), TPhotoSize::psScale);
    EXPECT_DOUBLE_EQ(p.PhotoScale(), 1.5);
    EXPECT_DOUBLE_EQ(p.ProtrudeWidth(), 2.5);
    EXPECT_EQ(p.ScaleLimit(), TPhotoLimitMode::plmDownOnly);
    EXPECT_EQ(p.HorizontalAlign(), TPhotoAlign::paLeftTop);
    EXPECT_EQ(p.VerticalAlign(), TPhotoAlign::paRightBottom);
    EXPECT_TRUE(p.Border());
    EXPECT_DOUBLE_EQ(p.BorderWidth(), 1.5);

    // The command takes the copy back.
    TPhotoPaper main;
    main.Assign(p);
    EXPECT_EQ(bytesOf(main), bytesOf(p));
}

TEST(LayoutDialog, ALayoutMadeThroughTheDialogsSurvivesSaveAndOpen)
{
    PrinterFixture f;
    TPhotoPaper main;
    TfrmLayout dialog;
    dialog.SetPaper(main);
    dialog.show();
    child<TUpdownNumberEdit>(dialog, "edtDivHorz")->SetValue(2);
    child<TUpdownNumberEdit>(dialog, "edtDivVert")->SetValue(2);
    child<TUpdownNumberEdit>(dialog, "edtSpaceHorz")->SetValue(3);
    child<QCheckBox>(dialog, "chkFrame")->setChecked(true);
    child<TUpdownNumberEdit>(dialog, "edtBorderWidth")->SetValue(2);
    dialog.ApplyControls();
    {
        // The paper's background: a vertical gradient with a frame.
        TfrmBackground back;
        back.SetBackground(&dialog.Paper().Background());
        child<QComboBox>(back, "cmbFillStyle")->setCurrentIndex(Ord(TFillStyle::fisGradient));
        child<TColorBox>(back, "cmbStartColor")->SetColor(0x00FFFF);
        child<TColorBox>(back, "cmbEndColor")->SetColor(0xFF0000);
        child<QAbstractButton>(back, "rdoGradVert")->click();
        child<QComboBox>(back, "cmbFrameStyle")->setCurrentIndex(Ord(TFrameStyle::frsSolid));
        child<TUpdownNumberEdit>(back, "edtFrameWidth")->SetValue(0.5);
        back.accept();
    }
    {
        // One cell's own rotation and size.
        TfrmAreaProp prop;
        prop.SetArea(dialog.Paper().PhotoAreas().Items(3));
        child<QCheckBox>(prop, "chkParentRotate")->setChecked(false);
        child<QComboBox>(prop, "cmbRotate")->setCurrentIndex(Ord(TPhotoRotate::pr90));
        child<QCheckBox>(prop, "chkParentSize")->setChecked(false);
        child<QComboBox>(prop, "cmbPhotoSize")->setCurrentIndex(Ord(TPhotoSize::psPhoto));
        prop.accept();
    }
    clickButton(dialog, "btnOk");
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    main.Assign(dialog.Paper());
    EXPECT_EQ(main.PhotoAreas().Count(), 4);
    EXPECT_EQ(main.PhotoAreas().Items(0)->Background().Fill().Style(), TFillStyle::fisGradient);

    QTemporaryDir tmp;
    const QString file = tmp.filePath(QStringLiteral("layout.vlpf"));
    TImageInfos images;
    SaveDocumentFile(file, main, images);
    TPhotoPaper opened;
    TImageInfos openedImages;
    OpenDocumentFile(file, opened, openedImages);
    EXPECT_EQ(bytesOf(opened), bytesOf(main));
    const TPhotoArea *cell = opened.PhotoAreas().Items(3);
    EXPECT_FALSE(cell->ParentRotate());
    EXPECT_EQ(cell->Rotate(), TPhotoRotate::pr90);
    EXPECT_EQ(cell->PhotoSize(), TPhotoSize::psPhoto);
    EXPECT_TRUE(opened.PhotoAreas().Items(0)->ParentRotate());
    EXPECT_EQ(opened.Background().Fill().GradientDirection(), TGradientDirection::gdVertical);
    EXPECT_TRUE(opened.Border());
    EXPECT_DOUBLE_EQ(opened.BorderWidth(), 2.0);
    PaperPrinter().SetPaper(nullptr);
}

TEST(LayoutDialog, RotationRadiosAndAngleKeepEachOtherConsistent)
{
    PrinterFixture f;
    TPhotoPaper paper;
    paper.SetRotate(TPhotoRotate::pr270);
    TfrmLayout dialog;
    dialog.SetPaper(paper);
    auto *angle = child<QComboBox>(dialog, "cmbRotateAngle");
    EXPECT_EQ(angle->currentIndex(), 2);
    clickButton(dialog, "rdoRotateNone");
    EXPECT_EQ(angle->currentIndex(), -1);
    clickButton(dialog, "rdoRotateAngle");
    EXPECT_EQ(angle->currentIndex(), 0);
}

TEST(LayoutDialog, PrinterActionsActAtOnceAndCancelPutsThePrinterBack)
{
    PrinterFixture f;
    TPhotoPaper main;
    main.SetDivide({2, 2});
    main.SetMargins(FloatRect(5, 5, 5, 5));
    main.Areas().AddText();
    const QByteArray mainBytes = bytesOf(main);
    const TDeviceSettings printerBefore = f.applied();
    ASSERT_EQ(printerBefore.paperSize, 9);
    {
        TfrmLayout dialog;
        dialog.SetPaper(main);
        dialog.show();
        // Paper size: A5 reaches the printer and the copy at once.
        choose(dialog, "cmbPaperSize", 1);
        EXPECT_EQ(f.applied().paperSize, 11);
        EXPECT_NEAR(static_cast<double>(dialog.Paper().PaperWidth()), 148.0, 0.2);   // device pixels at 72 dpi
        EXPECT_NEAR(child<TUpdownNumberEdit>(dialog, "edtPaperWidth")->Value(), 148.0, 0.2);   // device pixels at 72 dpi
        // Orientation.
        child<QButtonGroup>(dialog, "rdgOrientation")->button(1)->click();
        EXPECT_EQ(f.applied().orientation, 2);
        EXPECT_EQ(dialog.Paper().Orientation(), TQvOrientation::qotLandscape);
        EXPECT_NEAR(static_cast<double>(dialog.Paper().PaperWidth()), 210.0, 0.2);   // device pixels at 72 dpi
        // Another printer.
        SetPrinterSetupFunc([&](QWidget *) {
            f.print->JwPrinter().SetIndex(1);
            return true;
        });
        clickButton(dialog, "btnChangePrinter");
        EXPECT_EQ(f.print->CurrentPrinterName(), QStringLiteral("Other"));
        // Grid, paste, clear, per-area and background edits on the copy.
        child<TUpdownNumberEdit>(dialog, "edtDivHorz")->SetValue(3);
        dialog.ApplyControls();
        TfrmSelArea chooser;
        chooser.SetSelectionMode(TSelectionMode::smSelect);
        chooser.SetPaper(&dialog.Paper());
        dialog.Paper().PhotoAreas().Items(0)->Areas().AddText();
        chooser.SetSelected(0);
        chooser.Copy();
        chooser.Paste(TPasteKind::pkAll);
        chooser.SetSelected(1);
        chooser.Clear();
        dialog.Paper().PhotoAreas().Items(2)->SetRotate(TPhotoRotate::pr90);
        dialog.Paper().Background().Fill().SetStyle(TFillStyle::fisSolid);
        clickButton(dialog, "btnCancel");
    }
    EXPECT_EQ(bytesOf(main), mainBytes);
    EXPECT_EQ(f.print->CurrentPrinterName(), QStringLiteral("Desk"));
    EXPECT_EQ(f.applied(), printerBefore);
    EXPECT_EQ(PaperPrinter().Paper(), &main);
}

TEST(LayoutDialog, UserSizeAndPrinterChangeReachThePrinter)
{
    PrinterFixture f;
    TPhotoPaper main;
    TfrmLayout dialog;
    dialog.SetPaper(main);
    dialog.show();
    choose(dialog, "cmbPaperSize", 4);   // the user-defined entry
    auto *w = child<TUpdownNumberEdit>(dialog, "edtPaperWidth");
    ASSERT_TRUE(w->isEnabled());
    w->SetValue(120);
    child<TUpdownNumberEdit>(dialog, "edtPaperHeight")->SetValue(180);
    emit w->editingFinished();
    EXPECT_DOUBLE_EQ(static_cast<double>(dialog.Paper().PaperWidth()), 120.0);
    EXPECT_EQ(f.applied().paperSize, 256);
    EXPECT_EQ(f.applied().paperWidth, 1200);
    EXPECT_EQ(f.applied().paperLength, 1800);

    // Another printer through the printer setup dialog.
    SetPrinterSetupFunc([&](QWidget *) {
        f.print->JwPrinter().SetIndex(1);
        return true;
    });
    clickButton(dialog, "btnChangePrinter");
    EXPECT_EQ(child<QLineEdit>(dialog, "edtCurrentPrinter")->text(), QStringLiteral("Other"));
    EXPECT_EQ(dialog.Paper().PrinterName(), QStringLiteral("Other"));
    EXPECT_EQ(child<QComboBox>(dialog, "cmbPaperSize")->count(), 4);
    EXPECT_EQ(child<QComboBox>(dialog, "cmbPaperSize")->currentText(), QStringLiteral("A4"));

    // OK keeps the printer as the dialog left it.
    clickButton(dialog, "btnOk");
    EXPECT_EQ(f.print->CurrentPrinterName(), QStringLiteral("Other"));
}

TEST(LayoutDialog, PrinterChangeRunsTheProgramsPrinterSetup)
{
    PrinterFixture f;
    TPhotoPaper main;
    TfrmLayout dialog;
    dialog.SetPaper(main);
    dialog.show();
    QTimer::singleShot(0, [] {
        auto *setup = qobject_cast<TJwPrinterSetupDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(setup, nullptr);
        EXPECT_EQ(setup->windowTitle(), QStringLiteral("プリンタの設定"));
        setup->cmbPrinter->setCurrentIndex(1);
        setup->accept();
    });
    clickButton(dialog, "btnChangePrinter");
    EXPECT_EQ(child<QLineEdit>(dialog, "edtCurrentPrinter")->text(), QStringLiteral("Other"));
    EXPECT_EQ(f.print->CurrentPrinterName(), QStringLiteral("Other"));
}

TEST(LayoutDialog, WithoutPrinterTheLayoutStaysEditable)
{
    std::unique_ptr<TQvPrint> previous = SetQvPrint(std::make_unique<TDevicePrint>(
        std::make_unique<TJwPrinter>(std::make_unique<TMemoryService>(std::make_shared<TFakeSystem>()))));
    QString message;
    SetMessageHook([&](const QString &, const QString &text) {
        message = text;
        return true;
    });
    {
        TPhotoPaper main;
        main.SetPaperSize(FloatSize(100, 150));
        main.SetPaperSizeName(QStringLiteral("A4"));
        main.SetPaperSizeNumber(9);
        TfrmLayout dialog;
        dialog.SetPaper(main);
        auto *w = child<TUpdownNumberEdit>(dialog, "edtPaperWidth");
        EXPECT_TRUE(w->isEnabled());
        EXPECT_DOUBLE_EQ(w->Value(), 100.0);
        clickButton(dialog, "btnChangePrinter");
        EXPECT_FALSE(message.isEmpty());
        // Leaving the edit unchanged keeps the size and its name.
        emit w->editingFinished();
        EXPECT_EQ(dialog.Paper().PaperSizeName(), QStringLiteral("A4"));
        w->SetValue(90);
        emit w->editingFinished();
        dialog.show();
        clickButton(dialog, "btnOk");
        EXPECT_DOUBLE_EQ(static_cast<double>(dialog.Paper().PaperWidth()), 90.0);
        // The typed size is no longer the named one.
        EXPECT_EQ(dialog.Paper().PaperSizeName(), QStringLiteral("ユーザー定義サイズ"));
        EXPECT_EQ(dialog.Paper().PaperSizeNumber(), kUserPaperSizeNumber);
        PaperPrinter().SetPaper(nullptr);
    }
    SetMessageHook({});
    SetQvPrint(std::move(previous));
}

TEST(AdjustDialog, SignedValuesShowAsDirectionAndDistance)
{
    TfrmAdjust dialog;
    dialog.SetAdjustLeft(-1.5);
    dialog.SetAdjustTop(2);
    EXPECT_EQ(child<QComboBox>(dialog, "cmbHorzDir")->currentText(), QStringLiteral("左に"));
    EXPECT_EQ(child<TUpdownNumberEdit>(dialog, "edtAdjustLeft")->text(), QStringLiteral("1.50"));
    EXPECT_EQ(child<QComboBox>(dialog, "cmbVertDir")->currentText(), QStringLiteral("下に"));
    EXPECT_EQ(child<TUpdownNumberEdit>(dialog, "edtAdjustTop")->text(), QStringLiteral("2.00"));
    EXPECT_DOUBLE_EQ(dialog.AdjustLeft(), -1.5);
    EXPECT_DOUBLE_EQ(dialog.AdjustTop(), 2.0);
    child<QComboBox>(dialog, "cmbVertDir")->setCurrentIndex(0);
    EXPECT_DOUBLE_EQ(dialog.AdjustTop(), -2.0);
    dialog.grab().save(pngPath(QStringLiteral("frmAdjust")));
}

TEST(AdjustDialog, TheCommandStoresTheShiftInPrintOptionsAndSettings)
{
    PrinterFixture f;
    QTemporaryDir tmp;
    TExtIniFile ini;
    ini.SetAutoUpdate(false);
    ini.SetDefaultFolder(TDefaultFolder::dfUser);
    ini.SetFileName(tmp.filePath(QStringLiteral("adjust.ini")));
    TPhotoPaper paper;
    paper.PrintOptions().Adjusts = FloatSize(-1.5, 2);
    QTimer::singleShot(0, [] {
        auto *dialog = qobject_cast<TfrmAdjust *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_DOUBLE_EQ(dialog->AdjustLeft(), -1.5);
        dialog->findChild<QComboBox *>(QStringLiteral("cmbVertDir"))->setCurrentIndex(0);
        dialog->findChild<TNumberEdit *>(QStringLiteral("edtAdjustLeft"))->setText(QStringLiteral("0.75"));
        dialog->accept();
    });
    ASSERT_TRUE(ExecuteAdjust(paper, nullptr, &ini));
    EXPECT_EQ(paper.PrintOptions().Adjusts, FloatSize(-0.75, -2));
    EXPECT_DOUBLE_EQ(ini.ReadFloat(QStringLiteral("Restore"), QStringLiteral("AdjustLeft"), 0), -0.75);
    EXPECT_DOUBLE_EQ(ini.ReadFloat(QStringLiteral("Restore"), QStringLiteral("AdjustTop"), 0), -2);
}

TEST(LayoutDialog, PlacementIsKeptUnderForms)
{
    PrinterFixture f;
    QTemporaryDir tmp;
    TExtIniFile ini;
    ini.SetAutoUpdate(false);
    ini.SetDefaultFolder(TDefaultFolder::dfUser);
    ini.SetFileName(tmp.filePath(QStringLiteral("forms.ini")));
    TPhotoPaper paper;
    {
        TfrmLayout dialog(nullptr, &ini);
        dialog.SetPaper(paper);
        dialog.setGeometry(40, 50, 820, 560);
        dialog.reject();
    }
    EXPECT_EQ(ini.ReadStr(QStringLiteral("Forms"), QStringLiteral("frmLayout"), QString()), QStringLiteral("FORM"));
    EXPECT_EQ(ini.ReadInt(QStringLiteral("Forms"), QStringLiteral("frmLayout.left"), -1), 40);
    TfrmLayout again(nullptr, &ini);
    EXPECT_EQ(again.geometry(), QRect(40, 50, 820, 560));
}

TEST(LayoutDialog, EveryPageRendersToPng)
{
    PrinterFixture f;
    vellora::test::testFontFamily();
    TPhotoPaper paper;
    paper.SetDivide({2, 3});
    paper.SetSpace(FloatSize(4, 4));
    paper.Background().Fill().SetStyle(TFillStyle::fisGradient);
    paper.Background().Fill().SetEndColor(0xFF8000);
    paper.Background().Frame().SetStyle(TFrameStyle::frsSolid);
    paper.Background().Frame().SetWidth(0.8);
    TfrmLayout dialog;
    dialog.SetPaper(paper);
    dialog.resize(860, 560);
    dialog.show();
    auto *tree = child<QTreeWidget>(dialog, "tvPages");
    for (int i = 0; i < 3; ++i) {
        tree->setCurrentItem(tree->topLevelItem(i));
        QApplication::processEvents();
        const QImage shot = dialog.grab().toImage();
        EXPECT_FALSE(shot.isNull());
        shot.save(pngPath(QStringLiteral("frmLayout_page%1").arg(i + 1)));
    }
}

// The main window's Ctrl+L runs the layout dialog on a copy: OK takes the
// copy back and marks the document, Cancel after edits (designer included)
// leaves the window's paper byte for byte.
TEST(LayoutDialog, MainWindowLayoutCommandTakesTheCopyOnlyOnOk)
{
    PrinterFixture f;
    QTemporaryDir config;
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    {
        TfrmMain w;
        InstallLayoutWindows(w);
        QAction *layout = w.Action(QStringLiteral("actLayout"));
        ASSERT_NE(layout, nullptr);
        EXPECT_FALSE(w.ActionPending(layout));
        EXPECT_FALSE(w.ActionPending(w.Action(QStringLiteral("mitAdjustPos"))));

        // Cancel after a grid edit and a text area added in the designer.
        const QByteArray before = bytesOf(w.Paper());
        int designerAreas = -1;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<TfrmLayout *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            child<TUpdownNumberEdit>(*dialog, "edtDivHorz")->SetValue(3);
            QTimer::singleShot(0, [&] {
                auto *designer = qobject_cast<TfrmDesigner *>(QApplication::activeModalWidget());
                ASSERT_NE(designer, nullptr);
                child<QAction>(*designer, "actAddText")->trigger();
                designerAreas = designer->Paper()->Areas().Count();
                child<QAction>(*designer, "actApply")->trigger();
            });
            auto *designerButton = child<QPushButton>(*dialog, "btnDesigner");
            EXPECT_TRUE(designerButton->isEnabled());
            designerButton->click();
            dialog->reject();
        });
        layout->trigger();
        EXPECT_EQ(designerAreas, 1);
        EXPECT_EQ(bytesOf(w.Paper()), before);
        EXPECT_FALSE(w.DocumentModified());

        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<TfrmLayout *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            child<TUpdownNumberEdit>(*dialog, "edtDivHorz")->SetValue(3);
            clickButton(*dialog, "btnOk");
        });
        layout->trigger();
        EXPECT_EQ(w.Paper().HorzDivide(), 3);
        EXPECT_TRUE(w.DocumentModified());
    }
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

namespace {

// The program-wide printer replaced by one whose system has no printers.
struct NoPrinterFixture {
    std::unique_ptr<TQvPrint> previous = SetQvPrint(std::make_unique<TDevicePrint>(
        std::make_unique<TJwPrinter>(std::make_unique<TMemoryService>(std::make_shared<TFakeSystem>()))));
    QStringList messages;
    NoPrinterFixture()
    {
        SetMessageHook([this](const QString &, const QString &text) {
            messages << text;
            return true;
        });
    }
    ~NoPrinterFixture()
    {
        SetMessageHook({});
        PaperPrinter().SetPaper(nullptr);
        SetQvPrint(std::move(previous));
    }
};

int entryOf(QWidget &dialog, const QString &caption)
{
    return child<QComboBox>(dialog, "cmbPaperSize")->findText(caption);
}

} // namespace

TEST(LayoutDialog, WithoutPrinterTheStandardPapersAreOffered)
{
    NoPrinterFixture f;
    TPhotoPaper main;
    main.SetPaperSize(FloatSize(100, 150));
    TfrmLayout dialog;
    dialog.SetPaper(main);
    auto *box = child<QComboBox>(dialog, "cmbPaperSize");
    ASSERT_EQ(box->count(), static_cast<int>(StandardPapers().size()) + 1);
    EXPECT_EQ(box->itemText(box->count() - 1), QStringLiteral("ユーザー定義サイズ"));
    // A size no standard paper has is the user-defined one, typed in the edits.
    EXPECT_EQ(box->currentIndex(), box->count() - 1);
    EXPECT_TRUE(child<TUpdownNumberEdit>(dialog, "edtPaperWidth")->isEnabled());

    choose(dialog, "cmbPaperSize", entryOf(dialog, QStringLiteral("A4 (210 × 297 mm)")));
    EXPECT_EQ(dialog.Paper().PaperSize(), FloatSize(210, 297));
    EXPECT_EQ(dialog.Paper().PaperSizeName(), QStringLiteral("A4"));
    EXPECT_EQ(dialog.Paper().PaperSizeNumber(), 9);
    EXPECT_FALSE(child<TUpdownNumberEdit>(dialog, "edtPaperWidth")->isEnabled());
    EXPECT_EQ(child<TNumberEdit>(dialog, "edtAreaWidth")->text(),
              QString::number(static_cast<double>(210 - dialog.Paper().MarginLeft() - dialog.Paper().MarginRight()), 'f', 1));
    clickButton(dialog, "rdoLandscape");
    EXPECT_EQ(dialog.Paper().PaperSize(), FloatSize(297, 210));
    choose(dialog, "cmbPaperSize", entryOf(dialog, QStringLiteral("L判 (89 × 127 mm)")));
    EXPECT_EQ(dialog.Paper().PaperSize(), FloatSize(127, 89));   // still landscape
    EXPECT_EQ(dialog.Paper().PaperSizeNumber(), kUserPaperSizeNumber);
    QApplication::processEvents();   // the preview follows
    dialog.grab().save(pngPath(QStringLiteral("frmLayout-standard-papers")));
    dialog.show();
    clickButton(dialog, "btnOk");
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Paper().PaperSizeName(), QStringLiteral("L判"));

    // Opened again, the document's paper is the entry shown.
    TfrmLayout again;
    again.SetPaper(dialog.Paper());
    EXPECT_EQ(child<QComboBox>(again, "cmbPaperSize")->currentText(), QStringLiteral("L判 (89 × 127 mm)"));
}

TEST(LayoutDialog, WithAPrinterTheStandardPapersServeAnExportOnlyLayout)
{
    PrinterFixture f;
    TPhotoPaper paper;
    TfrmLayout dialog;
    dialog.SetPaper(paper);
    auto *standard = child<QCheckBox>(dialog, "chkStandardPapers");
    EXPECT_TRUE(standard->isEnabled());
    EXPECT_FALSE(standard->isChecked());
    const int printerPapers = child<QComboBox>(dialog, "cmbPaperSize")->count();
    const TDeviceSettings before = f.applied();
    standard->click();
    EXPECT_EQ(child<QComboBox>(dialog, "cmbPaperSize")->count(), static_cast<int>(StandardPapers().size()) + 1);
    choose(dialog, "cmbPaperSize", entryOf(dialog, QStringLiteral("2L判 (127 × 178 mm)")));
    EXPECT_EQ(dialog.Paper().PaperSize(), FloatSize(127, 178));
    // The printer is not asked to take a paper only the export needs.
    EXPECT_EQ(f.applied().paperSize, before.paperSize);
    standard->click();
    EXPECT_EQ(child<QComboBox>(dialog, "cmbPaperSize")->count(), printerPapers);
}

TEST(LayoutDialog, OkRefusesOutOfRangeValuesInRedAndSaysWhy)
{
    struct Case {
        const char *edit;
        QString typed;
    } const cases[] = {
        {"edtDivHorz", QStringLiteral("-3")},
        {"edtDivVert", QStringLiteral("100")},
        {"edtPaperWidth", QStringLiteral("10000")},
        {"edtPaperHeight", QStringLiteral("-50")},
        {"edtBorderWidth", QStringLiteral("11")},
        {"edtPhotoScale", QStringLiteral("5")},
        {"cmbFontSize", QStringLiteral("2000")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.edit);
        NoPrinterFixture f;
        TPhotoPaper main;
        main.SetPaperSize(FloatSize(100, 150));
        main.SetPhotoSize(TPhotoSize::psScale);
        TfrmLayout dialog;
        dialog.SetPaper(main);
        const QByteArray before = bytesOf(dialog.Paper());
        if (auto *box = dialog.findChild<QComboBox *>(QLatin1String(c.edit))) {
            box->setEditText(c.typed);
            EXPECT_TRUE(box->styleSheet().contains(QStringLiteral("red")));
        } else {
            auto *edit = child<TNumberEdit>(dialog, c.edit);
            edit->setText(c.typed);
            emit edit->editingFinished();
            EXPECT_EQ(edit->text(), c.typed);
            EXPECT_TRUE(edit->styleSheet().contains(QStringLiteral("red")));
        }
        dialog.show();
        clickButton(dialog, "btnOk");
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        ASSERT_EQ(f.messages.size(), 1);
        EXPECT_TRUE(f.messages[0].contains(QStringLiteral("入力してください")) ||
                    f.messages[0].contains(QStringLiteral("指定してください")))
            << f.messages[0].toStdString();
        // Nothing was silently changed into another value.
        EXPECT_EQ(bytesOf(dialog.Paper()), before);
        dialog.reject();
    }
}

TEST(LayoutDialog, CaptionsAndAPrintedPageBackgroundComeFromTheDialogAlone)
{
    NoPrinterFixture f;
    TPhotoPaper main;
    main.SetPaperSize(FloatSize(210, 297));
    main.SetMargins(FloatRect(10, 10, 10, 10));
    TfrmLayout dialog;
    dialog.SetPaper(main);
    child<TUpdownNumberEdit>(dialog, "edtDivHorz")->SetValue(2);
    child<TUpdownNumberEdit>(dialog, "edtDivVert")->SetValue(3);
    child<TUpdownNumberEdit>(dialog, "edtSpaceVert")->SetValue(5);
    auto *source = child<QComboBox>(dialog, "cmbCaptionSource");
    EXPECT_FALSE(child<QComboBox>(dialog, "cmbCaptionPosition")->isEnabled());
    source->setCurrentIndex(source->findText(QStringLiteral("(Exif)撮影日")));
    EXPECT_TRUE(child<QComboBox>(dialog, "cmbCaptionPosition")->isEnabled());
    child<TUpdownNumberEdit>(dialog, "edtCaptionHeight")->SetValue(8);
    child<QCheckBox>(dialog, "chkPrintBackground")->setChecked(true);
    QApplication::processEvents();   // the preview shows the captions to come
    dialog.grab().save(pngPath(QStringLiteral("frmLayout-caption")));
    dialog.show();
    clickButton(dialog, "btnOk");
    ASSERT_EQ(dialog.Paper().PhotoAreas().Count(), 6);
    const TPhotoPaper &p = dialog.Paper();
    EXPECT_TRUE(p.PrintBackground());
    // Three rows of (297 − 20 − 2 × 5) / 3 = 89 mm, less the 8 mm caption each.
    for (int i = 0; i < 6; ++i) {
        const TPhotoArea &cell = *p.PhotoAreas().Items(i);
        EXPECT_NEAR(static_cast<double>(cell.Height()), 81.0, 1e-9);
        ASSERT_EQ(cell.Areas().Count(), 1);
        const auto *text = dynamic_cast<const TTextArea *>(cell.Areas().Items(0));
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->Source(), TTextSourceType::tstExifDate);
        EXPECT_EQ(text->LinkAreaIndex(), i);
        EXPECT_NEAR(static_cast<double>(text->Bounds().Top), 81.0, 1e-9);
    }
    // Made once: the choice is back at "なし".
    EXPECT_EQ(source->currentIndex(), 0);
}
