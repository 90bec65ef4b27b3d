// TfrmAreaProp, the settings of one photo area: each group either follows
// the paper ("ドキュメントの設定に合わせる") or holds the area's own values.
// Writes the area on OK; Cancel puts the area's background and its
// inheritance flag back as they were. UI thread only.
#pragma once

#include "model/Background.h"

#include "app/controls/NumberEdit.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QWidget;

namespace vellora {

class TBackgroundSample;
class TExtIniFile;
class TPhotoArea;

class TfrmAreaProp : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAreaProp(QWidget *parent = nullptr, TExtIniFile *ini = nullptr);

    TPhotoArea *Area() const noexcept { return FArea; }
    void SetArea(TPhotoArea *area);

    void accept() override;
    void reject() override;
    void done(int result) override;

private:
    void updateEnabling();
    void editBackground();

    TExtIniFile *FIni;
    TPhotoArea *FArea = nullptr;
    TBackground FBackSave;
    bool FParentBackSave = true;

    QCheckBox *chkParentAlign, *chkParentRotate, *chkParentSize, *chkParentProtrude, *chkParentBack;
    QWidget *pnlAlign, *pnlRotate, *pnlSize, *pnlProtrude, *pnlBack;
    QGroupBox *grpProtrude;
    QButtonGroup *rdgHorzAlign, *rdgVertAlign;
    QComboBox *cmbRotate, *cmbPhotoSize, *cmbScaleLimit;
    TUpdownNumberEdit *edtPhotoScale, *edtProtrudeWidth;
    TBackgroundSample *imgBackground;
};

} // namespace vellora
