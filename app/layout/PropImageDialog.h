// TfrmPropImage, the properties of an image area: its picture (or the photo
// of a linked photo area), colour, transparency, rotation, draw style and
// frame. Writes the area on OK. UI thread only.
#pragma once

#include "settings/Font.h"

#include "app/controls/NumberEdit.h"

#include <QDialog>
#include <QImage>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace vellora {

class TColorBox;
class TFramePage;
class TPictureControls;
class TExtIniFile;
class TImageArea;

class TfrmPropImage : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPropImage(QWidget *parent = nullptr, TExtIniFile *ini = nullptr);
    ~TfrmPropImage() override;

    TImageArea *Area() const noexcept { return FArea; }
    void SetArea(TImageArea *area);

    void accept() override;
    void done(int result) override;

private:
    void selectArea();
    void updateEnabling();

    TExtIniFile *FIni;
    TImageArea *FArea = nullptr;

    TColorBox *cmbColor;
    TUpdownNumberEdit *edtClear;
    QCheckBox *chkTransparent, *chkLink;
    QComboBox *cmbAngle, *cmbDrawStyle;
    TUpdownNumberEdit *edtLinkArea;
    QPushButton *btnSelArea;
    std::unique_ptr<TFramePage> FFramePage;
    TPictureControls *FPicture;
};

} // namespace vellora
