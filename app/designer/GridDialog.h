// TfrmGrid, the designer's grid settings: display, snapping, step (mm),
// line colour and origin. Loads the "Designer" keys when created and writes
// all but "GridVisible" on OK (the designer keeps that one). UI thread only.
#pragma once

#include "app/designer/Designer.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QPushButton;

namespace vellora {

class TExtIniFile;
class TUpdownNumberEdit;

class TfrmGrid : public QDialog {
    Q_OBJECT
public:
    explicit TfrmGrid(QWidget *parent = nullptr, TExtIniFile *ini = nullptr);

    bool GridVisible() const;
    void SetGridVisible(bool value);
    TColor GridColor() const noexcept { return FColor; }
    void SetGridColor(TColor color);
    // The values of the controls.
    TDesignerSettings Settings() const;

    void accept() override;

private:
    void chooseColor();

    TExtIniFile *FIni;
    TColor FColor;
    QCheckBox *chkGridVisible, *chkGridAdsorp;
    TUpdownNumberEdit *edtGridStep;
    QPushButton *btnGridColor;
    QButtonGroup *rdgGridOrigin;
};

} // namespace vellora
