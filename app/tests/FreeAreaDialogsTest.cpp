// The text-area and image-area property dialogs: what OK writes, what the
// lists cannot show is kept, and linking follows the designer's mode.
#include "app/layout/DialogParts.h"
#include "app/layout/PropImageDialog.h"
#include "app/layout/PropTextDialog.h"
#include "model/ImageArea.h"
#include "model/PaperPrinter.h"
#include "model/PhotoPaper.h"
#include "model/TextArea.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include "app/controls/NumberEdit.h"
#include <QPlainTextEdit>
#include <QTabWidget>
#include <gtest/gtest.h>

using namespace vellora;

namespace {

template <typename T>
T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

void renderPages(QDialog &dialog, const char *tabs, const QString &name)
{
    dialog.show();
    auto *t = child<QTabWidget>(dialog, tabs);
    const QString dir = QStringLiteral(VELLORA_DIALOG_PNG_DIR);
    QDir().mkpath(dir);
    for (int i = 0; i < t->count(); ++i) {
        t->setCurrentIndex(i);
        QApplication::processEvents();
        dialog.grab().save(dir + QStringLiteral("/%1_page%2.png").arg(name).arg(i + 1));
    }
}

struct Paper2x2 {
    TPhotoPaper paper;
    Paper2x2() { paper.SetDivide({2, 2}); paper.SetMargins(FloatRect(5, 5, 5, 5)); }
    ~Paper2x2() { PaperPrinter().SetPaper(nullptr); }
};

} // namespace

TEST(PropTextDialog, OkWritesEverySettingAndTheWorkingBackground)
{
    Paper2x2 g;
    TTextArea *text = g.paper.Areas().AddText();
    TfrmPropText dialog;
    dialog.SetEditMode(TEditMode::emPaper);
    dialog.SetArea(text);
    EXPECT_TRUE(child<QPlainTextEdit>(dialog, "memText")->isEnabled());
    EXPECT_FALSE(child<TUpdownNumberEdit>(dialog, "edtLinkArea")->isEnabled());
    child<QComboBox>(dialog, "cmbSource")->setCurrentIndex(Ord(TTextSourceType::tstExifDate));
    EXPECT_FALSE(child<QPlainTextEdit>(dialog, "memText")->isEnabled());
    EXPECT_TRUE(child<TUpdownNumberEdit>(dialog, "edtLinkArea")->isEnabled());
    EXPECT_EQ(child<TUpdownNumberEdit>(dialog, "edtLinkArea")->Max(), 4);
    child<TUpdownNumberEdit>(dialog, "edtLinkArea")->SetValue(3);
    child<QCheckBox>(dialog, "chkParentFont")->click();   // own font now
    EXPECT_TRUE(child<QComboBox>(dialog, "cmbFonts")->isEnabled());
    child<QComboBox>(dialog, "cmbFonts")->setCurrentText(QStringLiteral("IPAMincho"));
    child<QComboBox>(dialog, "cmbFontSize")->setCurrentText(QStringLiteral("20"));
    child<QComboBox>(dialog, "cmbHorzAlign")->setCurrentIndex(3);
    child<QComboBox>(dialog, "cmbVertAlign")->setCurrentIndex(2);
    child<QComboBox>(dialog, "cmbFitMode")->setCurrentIndex(Ord(TTextFitMode::tfmSize));
    child<TUpdownNumberEdit>(dialog, "edtRowPitch")->SetValue(1.25);
    child<QAbstractButton>(dialog, "rdoAngle3")->click();
    child<QCheckBox>(dialog, "chkAdjustAngle")->setChecked(true);
    child<TUpdownNumberEdit>(dialog, "edtPadLeft")->SetValue(2.5);
    child<QAbstractButton>(dialog, "btnPadAll")->click();
    EXPECT_DOUBLE_EQ(child<TUpdownNumberEdit>(dialog, "edtPadBottom")->Value(), 2.5);
    renderPages(dialog, "pgcPropText", QStringLiteral("frmPropText"));
    dialog.accept();

    EXPECT_EQ(text->Source(), TTextSourceType::tstExifDate);
    EXPECT_EQ(text->LinkAreaIndex(), 2);
    EXPECT_FALSE(text->ParentFont());
    EXPECT_EQ(text->OwnFont().Name, QStringLiteral("IPAMincho"));
    EXPECT_EQ(text->OwnFont().Size(), 20);
    EXPECT_EQ(text->HorzAlignment(), THorzAlignment::haEven);
    EXPECT_EQ(text->VertAlignment(), TVertAlignment::vaBottom);
    EXPECT_EQ(text->FitMode(), TTextFitMode::tfmSize);
    EXPECT_DOUBLE_EQ(static_cast<double>(text->RowPitch()), 1.25);
    EXPECT_EQ(text->Angle(), TTextAngle::taAngle270);
    EXPECT_TRUE(text->AdjustmentAngle());
    EXPECT_EQ(text->Paddings(), FloatRect(2.5, 2.5, 2.5, 2.5));
}

TEST(PropTextDialog, UnlistedValuesAreKeptAndAreaModeCannotLink)
{
    Paper2x2 g;
    TTextArea *text = g.paper.PhotoAreas().Items(1)->Areas().AddText();
    text->SetSource(TTextSourceType::tstFileName);
    text->SetHorzAlignment(THorzAlignment::haBoth);
    text->SetVertAlignment(TVertAlignment::vaEven);
    text->SetLinkAreaIndex(9);   // beyond the 2 × 2 grid
    text->SetLines({QStringLiteral("a"), QString()});
    TfrmPropText dialog;
    dialog.SetEditMode(TEditMode::emArea);
    dialog.SetArea(text);
    EXPECT_FALSE(child<TUpdownNumberEdit>(dialog, "edtLinkArea")->isEnabled());
    EXPECT_FALSE(child<QAbstractButton>(dialog, "btnSelArea")->isEnabled());
    dialog.accept();
    EXPECT_EQ(text->HorzAlignment(), THorzAlignment::haBoth);
    EXPECT_EQ(text->VertAlignment(), TVertAlignment::vaEven);
    EXPECT_EQ(text->LinkAreaIndex(), 9);
    EXPECT_EQ(text->Lines(), (QStringList{QStringLiteral("a"), QString()}));
}

TEST(PropImageDialog, OkMakesThePictureTheFillAndWritesLinkAndFrame)
{
    Paper2x2 g;
    TImageArea *image = g.paper.Areas().AddImage();
    image->SetLinkAreaIndex(1);
    TfrmPropImage dialog;
    dialog.SetArea(image);
    EXPECT_FALSE(child<TUpdownNumberEdit>(dialog, "edtLinkArea")->isEnabled());
    child<QCheckBox>(dialog, "chkLink")->setChecked(true);
    EXPECT_TRUE(child<TUpdownNumberEdit>(dialog, "edtLinkArea")->isEnabled());
    child<TUpdownNumberEdit>(dialog, "edtLinkArea")->SetValue(4);
    child<QComboBox>(dialog, "cmbAngle")->setCurrentIndex(1);
    child<QComboBox>(dialog, "cmbDrawStyle")->setCurrentIndex(Ord(TImageDrawMode::idmProportional));
    child<TUpdownNumberEdit>(dialog, "edtClear")->SetValue(30);
    child<QCheckBox>(dialog, "chkTransparent")->setChecked(true);
    auto *width = child<TUpdownNumberEdit>(dialog, "edtFrameWidth");
    EXPECT_EQ(width->Figure(), 2);
    EXPECT_DOUBLE_EQ(width->Increment(), 0.25);
    width->SetValue(0.75);
    child<QComboBox>(dialog, "cmbFrameStyle")->setCurrentIndex(Ord(TFrameStyle::frsDashDotDot));
    renderPages(dialog, "pgcPropImage", QStringLiteral("frmPropImage"));
    dialog.accept();
    EXPECT_EQ(image->Background().Fill().Style(), TFillStyle::fisImage);
    EXPECT_TRUE(image->Link());
    EXPECT_EQ(image->LinkAreaIndex(), 3);
    EXPECT_EQ(image->Angle(), TTextAngle::taAngle90);
    EXPECT_EQ(image->DrawStyle(), TImageDrawMode::idmProportional);
    EXPECT_EQ(image->ClearLevel(), 30);
    EXPECT_TRUE(image->Transparent());
    EXPECT_DOUBLE_EQ(image->Background().Frame().Width(), 0.75);
    EXPECT_EQ(image->Background().Frame().Style(), TFrameStyle::frsDashDotDot);
}
