// TJwPrinterSetupDialog: "プリンタの設定", our own printer setup over
// TJwPrinter (printer, paper size, paper source, orientation). Changes go to
// the printer's working copy; OK applies them and makes TJwPrinter re-read
// what the printer took (ForceUpdate), Cancel discards them and returns to
// the printer that was selected before. Faults of the printer (gone, server
// down) are shown as messages and leave the dialog usable. UI thread only.
#pragma once

#include <QDialog>
#include <functional>

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
    QLabel *lblPrinterState;     // "場所": the queue's location
    QLabel *lblPrinterStatus;    // whether it takes jobs

    void accept() override;
    void reject() override;

    // Paper size and orientation shown but not changed, for whichever
    // printer is chosen (the caller's layout owns them).
    void SetPaperFixed(bool fixed);
    // The printer shown but not changed: the dialog edits the printer its
    // caller chose (the print dialog's "詳細設定").
    void SetPrinterFixed(bool fixed);
    // Papers and trays that the printer's constraints forbid with the
    // values of now are disabled, with the reason.
    void RefreshConstraints();

private:
    void fillPrinters();
    void fillSettings();
    void printerChosen(int index);
    QString printerName() const;
    // Runs a command on the printer; a fault is shown and false returned.
    bool guarded(const std::function<void()> &command);

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
