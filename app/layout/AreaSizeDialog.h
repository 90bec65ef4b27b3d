// TfrmAreaSize, the area-size calculator of the layout dialog: from a wanted
// photo-area size it sets the paper's margins (photos centred) and, when
// asked, the spacing. Works directly on the paper it is given. UI thread only.
#pragma once

#include "app/controls/NumberEdit.h"

#include <QDialog>

class QButtonGroup;
class QGroupBox;

namespace vellora {

class TExtIniFile;
class TPhotoPaper;

// The calculator's arithmetic on one axis: paper length, divisions, wanted
// area length and the two margins; gives the new margin (each side) and spacing.
struct TAreaFit {
    double margin = 0;
    double space = 0;
};
TAreaFit FitAreaSize(double paper, int divisions, double wanted, double marginA, double marginB, bool keepSpacing);

// The calculator's default: the spacing stays, and the length gained or lost
// is shared equally by the two margins, so that a band the user left at one
// edge (a title above the photos) stays as wide as it was against the other.
struct TAreaFitKept {
    double marginA = 0, marginB = 0;
};
TAreaFitKept FitAreaSizeKeeping(double paper, int divisions, double wanted, double marginA, double marginB,
                                double space);

class TfrmAreaSize : public QDialog {
    Q_OBJECT
public:
    TfrmAreaSize(TPhotoPaper &paper, QWidget *parent = nullptr, TExtIniFile *ini = nullptr);

    void accept() override;
    void done(int result) override;

private:
    TPhotoPaper &FPaper;
    TExtIniFile *FIni;
    TUpdownNumberEdit *edtWidth, *edtHeight;
    QGroupBox *grpAdjust;
    QButtonGroup *rdgAdjust;
};

} // namespace vellora
