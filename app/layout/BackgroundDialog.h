// TfrmBackground, the frame-and-fill editor of papers, photo areas and text
// areas. Edits a TBackground in place on OK; Cancel leaves it untouched.
// UI thread only.
#pragma once

#include "model/Background.h"

#include "app/controls/NumberEdit.h"

#include <QDialog>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QStackedWidget;
class QTabWidget;

namespace vellora {

class TBackgroundSample;
class TFramePage;
class TPictureControls;
class TColorBox;
class TExtIniFile;

// Items of the frame lists (index = ordinal of the model enumeration).
const QStringList &FrameStyleNames();
const QStringList &JoinStyleNames();
const QStringList &EndCapNames();

class TfrmBackground : public QDialog {
    Q_OBJECT
public:
    explicit TfrmBackground(QWidget *parent = nullptr, TExtIniFile *ini = nullptr);
    ~TfrmBackground() override;

    TBackground *Background() const noexcept { return FBackground; }
    // Loads the controls from the background that OK will write.
    void SetBackground(TBackground *background);

    void accept() override;
    void done(int result) override;

private:
    void setClearLevel(int level);
    void fillStyleChosen(int index);
    void updateGradientSample();
    void updateEnabling();

    TExtIniFile *FIni;
    TBackground *FBackground = nullptr;
    TBackground FGradientSample;

    QTabWidget *pgcBackground;
    std::unique_ptr<TFramePage> FFramePage;
    TPictureControls *FPicture;
    QComboBox *cmbFillStyle;
    QStackedWidget *pgcFill;
    TColorBox *cmbSolidColor, *cmbStartColor, *cmbEndColor, *cmbImageColor;
    TUpdownNumberEdit *edtSolidClear, *edtGradientClear, *edtImageClear;
    QButtonGroup *rdgDirection;
    TBackgroundSample *imgGradient;
    QCheckBox *chkTransparent, *chkOverAll;
    QComboBox *cmbImageDraw;
};

} // namespace vellora
