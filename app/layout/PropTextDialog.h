// TfrmPropText, the properties of a text area: where its text comes from,
// the linked photo area, font, alignment, fitting, direction, paddings and
// background (edited on a working copy until OK). Set EditMode before Area.
// UI thread only.
#pragma once

#include "model/Background.h"
#include "model/Types.h"

#include "app/controls/NumberEdit.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QPlainTextEdit;
class QPushButton;

namespace vellora {

class TBackgroundSample;
class TColorBox;
class TExtIniFile;
class TFontControls;
class TTextArea;

class TfrmPropText : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPropText(QWidget *parent = nullptr, TExtIniFile *ini = nullptr);

    TEditMode EditMode() const noexcept { return FEditMode; }
    void SetEditMode(TEditMode mode) noexcept { FEditMode = mode; }
    TTextArea *Area() const noexcept { return FArea; }
    void SetArea(TTextArea *area);

    void accept() override;
    void done(int result) override;

private:
    void updateEnabling();
    void parentFontToggled(bool parent);
    void selectArea();
    void editBackground();

    TExtIniFile *FIni;
    TTextArea *FArea = nullptr;
    TBackground FBackground;
    TEditMode FEditMode = TEditMode::emPaper;

    QComboBox *cmbSource;
    QPlainTextEdit *memText;
    TUpdownNumberEdit *edtLinkArea;
    QPushButton *btnSelArea;
    QCheckBox *chkParentFont;
    QComboBox *cmbFonts, *cmbFontSize;
    TColorBox *cmbFontColor;
    QPushButton *btnFont;
    TFontControls *FFontControls;
    QComboBox *cmbHorzAlign, *cmbVertAlign, *cmbFitMode;
    TUpdownNumberEdit *edtRowPitch;
    QButtonGroup *rdgAngle;
    QCheckBox *chkAdjustAngle;
    TUpdownNumberEdit *edtPadLeft, *edtPadRight, *edtPadTop, *edtPadBottom;
    TBackgroundSample *imgBackground;
};

} // namespace vellora
