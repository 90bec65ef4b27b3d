// TfrmPropImage, the properties of an image area: its picture (or the photo
// of a linked photo area), colour, transparency, rotation, draw style and
// frame. Writes the area on OK. UI thread only.
#pragma once

#include "settings/Font.h"

#include "app/controls/NumberEdit.h"

#include <QDialog>
#include <QImage>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace vellora {

class TColorBox;
class TExtIniFile;
class TImageArea;

class TfrmPropImage : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPropImage(QWidget *parent = nullptr, TExtIniFile *ini = nullptr);

    TImageArea *Area() const noexcept { return FArea; }
    void SetArea(TImageArea *area);

    void accept() override;
    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void chooseImage();
    void selectArea();
    void updatePicture();
    void updateEnabling();

    TExtIniFile *FIni;
    TImageArea *FArea = nullptr;
    QImage FBitmap;
    TColor FTransparentColor = clBlack;

    QLabel *imgPicture, *shpTransparent;
    TColorBox *cmbColor;
    TUpdownNumberEdit *edtClear;
    QCheckBox *chkTransparent, *chkLink;
    QComboBox *cmbAngle, *cmbDrawStyle;
    TUpdownNumberEdit *edtLinkArea;
    QPushButton *btnSelArea;
    QComboBox *cmbFrameStyle, *cmbFrameJoin, *cmbFrameEndCap;
    TColorBox *cmbFrameColor;
    TUpdownNumberEdit *edtFrameWidth;
};

} // namespace vellora
