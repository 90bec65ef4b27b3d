// Controls that the background dialog and the image-area dialog both carry:
// the frame page (line style, colour, width, join, end cap) and the picture
// with its transparent colour. The dialogs differ in some captions and in the
// frame width's precision; the object names are the same in both. UI thread only.
#pragma once

#include "model/Background.h"

#include <QImage>
#include <QObject>
#include <QString>

class QComboBox;
class QDialog;
class QDialogButtonBox;
class QLabel;
class QPushButton;
class QWidget;

namespace vellora {

class TColorBox;
class TExtIniFile;
class TUpdownNumberEdit;

// What differs between the dialogs' frame pages.
struct TFramePageCaptions {
    QString join;            // label of the join list
    QString endCap;          // label of the end-cap list
    int widthDecimals = 1;   // of "線幅", 0 to 10 mm
    double widthStep = 1.0;
};

// The frame page built on `page`: cmbFrameStyle, cmbFrameColor,
// edtFrameWidth, cmbFrameJoin, cmbFrameEndCap.
class TFramePage {
public:
    TFramePage(QWidget *page, const TFramePageCaptions &captions);
    void Load(const TFrames &frame);
    void Store(TFrames &frame) const;

private:
    QComboBox *cmbFrameStyle, *cmbFrameJoin, *cmbFrameEndCap;
    TColorBox *cmbFrameColor;
    TUpdownNumberEdit *edtFrameWidth;
};

// A picture preview (imgPicture; a double click chooses the picture), the
// swatch of its transparent colour (shpTransparent) and the button that
// chooses both (btnTransparentColor). The caller places the widgets.
class TPictureControls : public QObject {
    Q_OBJECT
public:
    TPictureControls(QWidget *parent, QSize previewSize, const QString &transparentButtonCaption, TExtIniFile *ini);

    QLabel *Preview() const noexcept { return imgPicture; }
    QLabel *Swatch() const noexcept { return shpTransparent; }
    QPushButton *TransparentButton() const noexcept { return btnTransparentColor; }

    const QImage &Bitmap() const noexcept { return FBitmap; }
    TColor TransparentColor() const noexcept { return FTransparentColor; }
    void Load(const QImage &bitmap, TColor transparentColor);
    // The picture dialog on the current picture and colour; takes both on OK.
    void Choose();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void update();

    QWidget *FParent;
    TExtIniFile *FIni;
    QImage FBitmap;
    TColor FTransparentColor = clBlack;
    QLabel *imgPicture, *shpTransparent;
    QPushButton *btnTransparentColor;
};

// "OK" (btnOk) and "キャンセル(&C)" (btnCancel) wired to the dialog's accept and reject.
QDialogButtonBox *makeOkCancelButtons(QDialog *dialog);

} // namespace vellora
