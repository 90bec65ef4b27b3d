// TfrmAdjust, the print-position adjustment: a signed shift of the output
// in millimetres, shown as a direction and a distance. UI thread only.
#pragma once

#include "app/controls/NumberEdit.h"

#include <QDialog>

class QComboBox;

namespace vellora {

class TExtIniFile;
class TPhotoPaper;

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

    void accept() override;
    void done(int result) override;

private:
    TExtIniFile *FIni;
    QComboBox *cmbHorzDir, *cmbVertDir;
    TUpdownNumberEdit *edtAdjustLeft, *edtAdjustTop;
};

// The print-position command: shows the dialog on the paper's print-option
// shift; on OK stores the two values there and in "Restore"/"AdjustLeft",
// "AdjustTop" (the document is not modified by this). True on OK.
bool ExecuteAdjust(TPhotoPaper &paper, QWidget *parent = nullptr, TExtIniFile *ini = nullptr);

} // namespace vellora
