// TfrmProgress: the progress window of every long operation of the main
// window (adding a folder, printing, exporting). A bar, a prompt, a
// percentage and two buttons: "中止(&C)" (cancel) and "中断(&S)" (stop, the
// default). The operation polls Canceled / Stopped; the handlers OnCancel /
// OnStop may refuse. No title-bar buttons, window-modal over its owner and
// centred on it. Moving the bar lets pending input through now and then, so
// the buttons work inside the operation's loop. UI thread only.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace vellora {

class TfrmProgress : public QDialog {
    Q_OBJECT
public:
    // TRunCancelEvent(Sender, var Accept)
    using TRunCancelEvent = std::function<void(TfrmProgress &sender, bool &accept)>;

    explicit TfrmProgress(QWidget *owner = nullptr);

    int Max() const;
    // Sets the maximum, resets the position to 0 and clears both flags.
    void SetMax(int value);
    int Position() const;
    void SetPosition(int value);
    void StepIt();
    QString Prompt() const;
    void SetPrompt(const QString &text);

    bool Canceled() const noexcept { return FCanceled; }
    bool Stopped() const noexcept { return FStopped; }

    bool EnabledCancel() const;
    void SetEnabledCancel(bool value);
    bool EnabledStop() const;
    void SetEnabledStop(bool value);
    bool VisibleCancel() const;
    void SetVisibleCancel(bool value);
    bool VisibleStop() const;
    void SetVisibleStop(bool value);

    void SetOnCancel(TRunCancelEvent handler) { FOnCancel = std::move(handler); }
    void SetOnStop(TRunCancelEvent handler) { FOnStop = std::move(handler); }

    // The percentage text: rounded whole percent, empty at maximum 0.
    QString PercentText() const;

    // Shows the window (window-modal, centred on the owner) without blocking.
    void Start();
    // Lets pending input reach the window; throttled, so a tight loop may
    // call it on every step.
    void ProcessMessages(bool force = false);
    // How often ProcessMessages lets input through, in milliseconds (tests
    // set 0 to make every step a point where a click can arrive).
    static void SetPumpInterval(int ms);
    // Hides the window at the end of the operation (a close request from the
    // user only cancels).
    void Finish();

    QProgressBar *pbarRun;
    QLabel *lblPrompt;
    QLabel *lblPercent;
    QPushButton *btnCancel;
    QPushButton *btnStop;

public slots:
    void cancelClicked();
    void stopClicked();

protected:
    void reject() override;                   // Esc and close requests cancel
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void refreshPercent();
    void repaintNow(QWidget *w);

    bool FCanceled = false;
    bool FStopped = false;
    bool FClosing = false;
    bool FIsVista = true;   // the toolkit repaints changed controls by itself
    TRunCancelEvent FOnCancel;
    TRunCancelEvent FOnStop;
    QElapsedTimer FLastPump;
};

} // namespace vellora
