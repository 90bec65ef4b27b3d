// TfrmPrint "印刷": chooses the printer and writes the paper's print options
// (which images, copies, collation, the start area, the page range and the
// print mode) whenever it closes. Closes with 100 (print), 101 (preview) or
// 11 (閉じる, Esc, close box). The printer choice takes effect at once and is
// written into the paper, so the run prints where the user chose. The
// printer list follows the print server while the dialog is open (queues
// that come, go or stop taking jobs, a server that stops answering and comes
// back); faults of the printer are shown as messages, never thrown out of
// the dialog's handlers. UI thread.
#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTimer;

namespace vellora {

class TDevicePrint;
class TPhotoPaper;
class TUpdownNumberEdit;

inline constexpr int kPrintDialogPrint = 100;
inline constexpr int kPrintDialogPreview = 101;
inline constexpr int kPrintDialogClose = 11;
// The copies of a run are kept in a signed byte.
inline constexpr int kMaxRunCopies = 127;

// "状態: " and the printer's state reasons in Japanese where known; empty
// when the printer is ready.
QString PrinterStateText(const QStringList &reasons);

class TfrmPrint : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPrint(QWidget *parent = nullptr);
    ~TfrmPrint() override;

    TPhotoPaper *Paper() const noexcept { return FPaper; }
    void SetPaper(TPhotoPaper *paper);
    // The pages the current choices give (0 without images).
    int PageCount() const;

    QComboBox *cmbPrinter;
    QLabel *lblPrinterNote;
    QLabel *lblPrinterState;
    QPushButton *btnProperty;
    QGroupBox *rdgTarget;
    QRadioButton *rdoTargetAll, *rdoTargetChecked;
    TUpdownNumberEdit *edtCopies;
    QCheckBox *chkCollate;
    TUpdownNumberEdit *edtStartArea;
    QPushButton *btnSelArea;
    QGroupBox *rdgPrintMode;
    QRadioButton *rdoModeNormal, *rdoModeBanding;
    QRadioButton *rdoAllPages, *rdoRangePages;
    TUpdownNumberEdit *edtStartPage, *edtLastPage;
    QPushButton *btnPrint, *btnPreview, *btnClose;

    void done(int result) override;

Q_SIGNALS:
    // The user chose another printer here (the paper's printer changed).
    void printerChanged(const QString &name);

protected:
    // The area chooser (mode smCheck) preselecting `area` (0-based); returns
    // the chosen area or -1 when cancelled.
    virtual int ChooseArea(int area);
    // The printer setup with the printer's own options; true on OK.
    virtual bool EditPrinterProperties();
    virtual void ShowErrorBox(const QString &instruction, const QString &text);

private:
    // Runs a command that talks to the printer; a fault is shown and false returned.
    bool guarded(const std::function<void()> &command);
    QString chosenPrinter() const;
    void fillPrinters();
    void pollPrinters();
    void printerChosen(int index);
    void updateCopies();
    void updateState();
    void updatePages();
    void leavePageEdit(bool start);
    void writeOptions();
    bool checkBeforePrint();

    TPhotoPaper *FPaper = nullptr;
    bool FLoading = false;
    QTimer *FPoll = nullptr;
};

} // namespace vellora
