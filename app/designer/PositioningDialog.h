// TfrmPositioning, the align dialog: one horizontal and one vertical choice
// (each "指定なし" when nothing is pressed) with a sample picture of the
// result. The designer aligns its selection on OK. UI thread only.
#pragma once

#include "app/designer/DesignerGeometry.h"

#include <QDialog>

class QButtonGroup;
class QLabel;

namespace vellora {

class TfrmPositioning : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPositioning(QWidget *parent = nullptr);

    THorzAlign HorzAlign() const;
    void SetHorzAlign(THorzAlign value);
    TVertAlign VertAlign() const;
    void SetVertAlign(TVertAlign value);

private:
    void updateSample();

    QButtonGroup *grpHorz, *grpVert;
    QLabel *imgSample;
};

} // namespace vellora
