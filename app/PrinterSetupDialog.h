// TJwPrinterSetupDialog: "プリンタの設定", our own printer setup over
// TJwPrinter (printer, paper size, paper source, orientation). Changes go to
// the printer's working copy; OK applies them and makes TJwPrinter re-read
// what the printer took (ForceUpdate), Cancel discards them and returns to
// the printer that was selected before. UI thread only.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QRadioButton;

namespace vellora {

class TJwPrinter;

class TJwPrinterSetupDialog : public QDialog {
    Q_OBJECT
public:
    TJwPrinterSetupDialog(TJwPrinter &printer, QWidget *parent = nullptr);

    // Shows the dialog modally; true on OK (the settings are then applied).
    bool Execute();

    QComboBox *cmbPrinter;
    QComboBox *cmbPaper;
    QComboBox *cmbSource;
    QRadioButton *radPortrait;
    QRadioButton *radLandscape;
    QLabel *lblPrinterState;

    void accept() override;
    void reject() override;

    // Paper size and orientation shown but not changed, for whichever
    // printer is chosen (the caller's layout owns them).
    void SetPaperFixed(bool fixed);

private:
    void fillPrinters();
    void fillSettings();
    void printerChosen(int index);

    TJwPrinter &FPrinter;
    int FStartIndex = -1;
    bool FFilling = false;
    bool FPaperFixed = false;
};

// Runs the printer setup on the program's printer (QvPrint()). Shows the
// no-printer message and returns false when there is no printer to set up;
// on OK the printer abstraction has re-read its device.
bool ExecuteSystemPrinterSetup(QWidget *parent);

} // namespace vellora
