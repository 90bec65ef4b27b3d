#include "app/controls/ProgressForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>

namespace vellora {

namespace {
int gPumpInterval = 40;
} // namespace

void TfrmProgress::SetPumpInterval(int ms) { gPumpInterval = std::max(0, ms); }

TfrmProgress::TfrmProgress(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      pbarRun(new QProgressBar(this)),
      lblPrompt(new QLabel(this)),
      lblPercent(new QLabel(this)),
      btnCancel(new QPushButton(tr("中止(&C)"), this)),
      btnStop(new QPushButton(tr("中断(&S)"), this)) {
    setObjectName(QStringLiteral("frmProgress"));
    setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    setWindowTitle(QApplication::applicationName());
    pbarRun->setObjectName(QStringLiteral("pbarRun"));
    lblPrompt->setObjectName(QStringLiteral("lblPrompt"));
    lblPercent->setObjectName(QStringLiteral("lblPercent"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnStop->setObjectName(QStringLiteral("btnStop"));
    pbarRun->setRange(0, 100);
    pbarRun->setValue(0);
    pbarRun->setTextVisible(false);
    lblPercent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblPercent->setMinimumWidth(48);
    btnStop->setDefault(true);
    btnCancel->setAutoDefault(false);

    auto *bar = new QHBoxLayout;
    bar->addWidget(pbarRun, 1);
    bar->addWidget(lblPercent);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnStop);
    buttons->addWidget(btnCancel);
    auto *main = new QVBoxLayout(this);
    main->addWidget(lblPrompt);
    main->addLayout(bar);
    main->addLayout(buttons);
    setMinimumWidth(360);

    connect(btnCancel, &QPushButton::clicked, this, &TfrmProgress::cancelClicked);
    connect(btnStop, &QPushButton::clicked, this, &TfrmProgress::stopClicked);
    refreshPercent();
}

int TfrmProgress::Max() const { return pbarRun->maximum(); }

void TfrmProgress::SetMax(int value) {
    value = std::max(0, value);
    pbarRun->setRange(0, value);
    pbarRun->setValue(0);
    FCanceled = false;
    FStopped = false;
    refreshPercent();
}

int TfrmProgress::Position() const { return pbarRun->value(); }

void TfrmProgress::SetPosition(int value) {
    pbarRun->setValue(std::clamp(value, 0, pbarRun->maximum()));
    refreshPercent();
    ProcessMessages();
}

void TfrmProgress::StepIt() { SetPosition(Position() + 1); }

QString TfrmProgress::Prompt() const { return lblPrompt->text(); }

void TfrmProgress::SetPrompt(const QString &text) {
    lblPrompt->setText(text);
    repaintNow(lblPrompt);
    ProcessMessages();
}

bool TfrmProgress::EnabledCancel() const { return btnCancel->isEnabled(); }
void TfrmProgress::SetEnabledCancel(bool value) {
    btnCancel->setEnabled(value);
    repaintNow(btnCancel);
}
bool TfrmProgress::EnabledStop() const { return btnStop->isEnabled(); }
void TfrmProgress::SetEnabledStop(bool value) {
    btnStop->setEnabled(value);
    repaintNow(btnStop);
}
bool TfrmProgress::VisibleCancel() const { return !btnCancel->isHidden(); }
void TfrmProgress::SetVisibleCancel(bool value) {
    btnCancel->setVisible(value);
    repaintNow(this);
}
bool TfrmProgress::VisibleStop() const { return !btnStop->isHidden(); }
void TfrmProgress::SetVisibleStop(bool value) {
    btnStop->setVisible(value);
    // With the default button gone, Enter must not fall on cancel.
    if (!value)
        btnCancel->setDefault(false);
    repaintNow(this);
}

QString TfrmProgress::PercentText() const {
    const int max = pbarRun->maximum();
    if (max <= 0)
        return {};
    const double percent = double(pbarRun->value()) * 100.0 / double(max);
    return QString::number(std::lround(percent)) + QLatin1Char('%');
}

void TfrmProgress::refreshPercent() {
    lblPercent->setText(PercentText());
    repaintNow(lblPercent);
}

void TfrmProgress::repaintNow(QWidget *w) {
    if (!isVisible())
        return;
    (FIsVista ? w : static_cast<QWidget *>(this))->repaint();
}

void TfrmProgress::cancelClicked() {
    bool accept = true;
    if (FOnCancel)
        FOnCancel(*this, accept);
    FCanceled = accept;
}

void TfrmProgress::stopClicked() {
    bool accept = true;
    if (FOnStop)
        FOnStop(*this, accept);
    FStopped = accept;
}

void TfrmProgress::reject() {
    // Esc cancels the operation; the operation closes the window itself.
    if (btnCancel->isVisible() && btnCancel->isEnabled())
        cancelClicked();
}

void TfrmProgress::closeEvent(QCloseEvent *event) {
    if (isVisible() && !FClosing) {
        event->ignore();
        reject();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmProgress::Finish() {
    FClosing = true;
    hide();
}

void TfrmProgress::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    adjustSize();
    QRect area;
    if (QWidget *owner = parentWidget(); owner && owner->isVisible())
        area = owner->window()->frameGeometry();
    else if (QScreen *s = screen())
        area = s->availableGeometry();
    if (area.isValid()) {
        QRect r = frameGeometry();
        r.moveCenter(area.center());
        move(r.topLeft());
    }
}

void TfrmProgress::Start() {
    show();
    raise();
    ProcessMessages(true);
}

void TfrmProgress::ProcessMessages(bool force) {
    if (!force && FLastPump.isValid() && FLastPump.elapsed() < gPumpInterval)
        return;
    FLastPump.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace vellora
