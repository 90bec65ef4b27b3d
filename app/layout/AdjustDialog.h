// TfrmAdjust, the print-position adjustment: a signed shift of the output
// in millimetres, shown as a direction and a distance. UI thread only.
#pragma once

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;

namespace vellora {

class TExtIniFile;

class TfrmAdjust : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAdjust(QWidget *parent = nullptr, TExtIniFile *ini = nullptr);

    // Negative: to the left.
    double AdjustLeft() const;
    void SetAdjustLeft(double mm);
    // Negative: upwards.
    double AdjustTop() const;
    void SetAdjustTop(double mm);

    void done(int result) override;

private:
    TExtIniFile *FIni;
    QComboBox *cmbHorzDir, *cmbVertDir;
    QDoubleSpinBox *edtAdjustLeft, *edtAdjustTop;
};

} // namespace vellora
