#include "app/print/PrintForm.h"

#include "app/PrinterSetupDialog.h"
#include "app/controls/NumberEdit.h"
#include "app/controls/QvTaskDialog.h"
#include "app/layout/SelAreaDialog.h"
#include "app/print/DriverOptionsPanel.h"
#include "app/print/PrinterFaults.h"
#include "model/PhotoPaper.h"
#include "model/PrintRun.h"
#include "print/DevicePrint.h"
#include "print/JwPrinter.h"
#include "settings/Errors.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace vellora {

namespace {

TDevicePrint *device()
{
    auto *d = dynamic_cast<TDevicePrint *>(&QvPrint());
    return d && !d->PrinterNames().isEmpty() ? d : nullptr;
}

// The printing system is there but does not answer (now, or when the
// program started and found no printer).
bool serverDown()
{
    auto *d = dynamic_cast<TDevicePrint *>(&QvPrint());
    return d ? !d->JwPrinter().ServerReachable() : !SystemPrintServerReachable();
}

// A queue's name in the list, with its state when it takes no jobs.
QString printerItemText(TDevicePrint &d, const QString &name)
{
    const TPrinterEntry *e = d.JwPrinter().Entry(name);
    return e && !e->accepting ? QCoreApplication::translate("TfrmPrint", "%1（受付停止中）").arg(name) : name;
}

TUpdownNumberEdit *numberEdit(QWidget *parent, const char *name, int min, int max)
{
    auto *e = new TUpdownNumberEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->SetLimit(true);
    e->SetMin(min);
    e->SetMax(max);
    e->SetIncrement(1);
    e->SetFigure(0);
    e->setFixedWidth(72);
    return e;
}

} // namespace

TfrmPrint::TfrmPrint(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPrint"));
    setWindowTitle(tr("印刷"));

    auto *printerBox = new QGroupBox(tr("プリンタ"), this);
    cmbPrinter = new QComboBox(printerBox);
    cmbPrinter->setObjectName(QStringLiteral("cmbPrinter"));
    cmbPrinter->setMinimumWidth(240);
    btnProperty = new QPushButton(tr("詳細設定(&R)..."), printerBox);
    btnProperty->setObjectName(QStringLiteral("btnProperty"));
    lblPrinterNote = new QLabel(printerBox);
    lblPrinterNote->setObjectName(QStringLiteral("lblPrinterNote"));
    lblPrinterNote->setWordWrap(true);
    lblPrinterState = new QLabel(printerBox);
    lblPrinterState->setObjectName(QStringLiteral("lblPrinterState"));
    lblPrinterState->setWordWrap(true);
    auto *pl = new QGridLayout(printerBox);
    pl->addWidget(cmbPrinter, 0, 0);
    pl->addWidget(btnProperty, 0, 1);
    pl->addWidget(lblPrinterState, 1, 0, 1, 2);
    pl->addWidget(lblPrinterNote, 2, 0, 1, 2);

    rdgTarget = new QGroupBox(tr("印刷対象"), this);
    rdgTarget->setObjectName(QStringLiteral("rdgTarget"));
    rdoTargetAll = new QRadioButton(tr("すべて"), rdgTarget);
    rdoTargetChecked = new QRadioButton(tr("チェックした画像"), rdgTarget);
    auto *tl = new QVBoxLayout(rdgTarget);
    tl->addWidget(rdoTargetAll);
    tl->addWidget(rdoTargetChecked);

    auto *copiesBox = new QGroupBox(tr("印刷部数"), this);
    edtCopies = numberEdit(copiesBox, "edtCopies", 1, kMaxRunCopies);
    chkCollate = new QCheckBox(tr("部単位で印刷"), copiesBox);
    chkCollate->setObjectName(QStringLiteral("chkCollate"));
    auto *cl = new QVBoxLayout(copiesBox);
    cl->addWidget(edtCopies);
    cl->addWidget(chkCollate);

    auto *startBox = new QGroupBox(tr("印刷開始位置"), this);
    edtStartArea = numberEdit(startBox, "edtStartArea", 1, 1);
    btnSelArea = new QPushButton(tr("選択(&S)..."), startBox);
    btnSelArea->setObjectName(QStringLiteral("btnSelArea"));
    auto *sl = new QHBoxLayout(startBox);
    sl->addWidget(edtStartArea);
    sl->addWidget(btnSelArea);

    rdgPrintMode = new QGroupBox(tr("印刷モード"), this);
    rdgPrintMode->setObjectName(QStringLiteral("rdgPrintMode"));
    rdoModeNormal = new QRadioButton(tr("通常"), rdgPrintMode);
    rdoModeBanding = new QRadioButton(tr("分割"), rdgPrintMode);
    auto *ml = new QVBoxLayout(rdgPrintMode);
    ml->addWidget(rdoModeNormal);
    ml->addWidget(rdoModeBanding);

    auto *pagesBox = new QGroupBox(tr("ページ"), this);
    rdoAllPages = new QRadioButton(tr("すべて"), pagesBox);
    rdoAllPages->setObjectName(QStringLiteral("rdoAllPages"));
    rdoRangePages = new QRadioButton(tr("指定"), pagesBox);
    rdoRangePages->setObjectName(QStringLiteral("rdoRangePages"));
    edtStartPage = numberEdit(pagesBox, "edtStartPage", 1, 1);
    edtLastPage = numberEdit(pagesBox, "edtLastPage", 1, 1);
    auto *gl = new QGridLayout(pagesBox);
    gl->addWidget(rdoAllPages, 0, 0);
    gl->addWidget(rdoRangePages, 1, 0);
    gl->addWidget(new QLabel(tr("開始"), pagesBox), 1, 1);
    gl->addWidget(edtStartPage, 1, 2);
    gl->addWidget(new QLabel(tr("終了"), pagesBox), 1, 3);
    gl->addWidget(edtLastPage, 1, 4);

    btnPrint = new QPushButton(tr("印刷(&P)"), this);
    btnPrint->setObjectName(QStringLiteral("btnPrint"));
    btnPreview = new QPushButton(tr("印刷プレビュー(&V)..."), this);
    btnPreview->setObjectName(QStringLiteral("btnPreview"));
    btnClose = new QPushButton(tr("閉じる(&C)"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    for (QPushButton *b : {btnPrint, btnPreview})
        b->setAutoDefault(false);

    auto *grid = new QGridLayout;
    grid->addWidget(rdgTarget, 0, 0);
    grid->addWidget(copiesBox, 0, 1);
    grid->addWidget(startBox, 1, 0);
    grid->addWidget(rdgPrintMode, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnPrint);
    buttons->addWidget(btnPreview);
    buttons->addWidget(btnClose);
    auto *main = new QVBoxLayout(this);
    main->addWidget(printerBox);
    main->addLayout(grid);
    main->addWidget(pagesBox);
    main->addLayout(buttons);

    setTabOrder(cmbPrinter, btnProperty);
    setTabOrder(btnProperty, rdoTargetAll);
    setTabOrder(rdoTargetAll, rdoTargetChecked);
    setTabOrder(rdoTargetChecked, edtCopies);
    setTabOrder(edtCopies, chkCollate);
    setTabOrder(chkCollate, edtStartArea);
    setTabOrder(edtStartArea, btnSelArea);
    setTabOrder(btnSelArea, rdoModeNormal);
    setTabOrder(rdoModeNormal, rdoModeBanding);
    setTabOrder(rdoModeBanding, rdoAllPages);
    setTabOrder(rdoAllPages, rdoRangePages);
    setTabOrder(rdoRangePages, edtStartPage);
    setTabOrder(edtStartPage, edtLastPage);
    setTabOrder(edtLastPage, btnPrint);
    setTabOrder(btnPrint, btnPreview);
    setTabOrder(btnPreview, btnClose);

    connect(cmbPrinter, &QComboBox::activated, this, [this](int index) { guarded([this, index] { printerChosen(index); }); });
    connect(btnProperty, &QPushButton::clicked, this, [this] {
        guarded([this] {
            if (EditPrinterProperties())
                updateCopies();
        });
    });
    connect(rdoTargetAll, &QRadioButton::toggled, this, [this] { updatePages(); });
    connect(edtCopies, &TNumberEdit::valueChanged, this, [this] { chkCollate->setEnabled(edtCopies->AsInteger() > 1); });
    connect(edtStartArea, &TNumberEdit::valueChanged, this, [this] { updatePages(); });
    connect(btnSelArea, &QPushButton::clicked, this, [this] {
        const int chosen = ChooseArea(edtStartArea->AsInteger() - 1);
        if (chosen >= 0)
            edtStartArea->SetValue(chosen + 1);
    });
    for (TUpdownNumberEdit *e : {edtStartPage, edtLastPage}) {
        const bool start = e == edtStartPage;
        connect(e, &QLineEdit::textEdited, this, [this] { rdoRangePages->setChecked(true); });
        connect(e, &QLineEdit::editingFinished, this, [this, start] { leavePageEdit(start); });
        connect(e, &TUpdownNumberEdit::udChanged, this, [this, start] {
            rdoRangePages->setChecked(true);
            leavePageEdit(start);
        });
    }
    connect(btnPrint, &QPushButton::clicked, this, [this] {
        bool ok = false;
        guarded([this, &ok] { ok = checkBeforePrint(); });
        if (ok)
            done(kPrintDialogPrint);
    });
    connect(btnPreview, &QPushButton::clicked, this, [this] { done(kPrintDialogPreview); });
    connect(btnClose, &QPushButton::clicked, this, [this] { done(kPrintDialogClose); });
    guarded([this] { fillPrinters(); });
    // The list follows the server while the dialog is open.
    FPoll = new QTimer(this);
    FPoll->setObjectName(QStringLiteral("tmrPrinters"));
    FPoll->setInterval(3000);
    connect(FPoll, &QTimer::timeout, this, [this] { pollPrinters(); });
    FPoll->start();
}

bool TfrmPrint::guarded(const std::function<void()> &command)
{
    return RunPrinterCommand(this, chosenPrinter(), command,
                             [this](const TPrinterFault &f) { ShowErrorBox(f.instruction, f.text); });
}

QString TfrmPrint::chosenPrinter() const
{
    return cmbPrinter->currentData().toString();
}

TfrmPrint::~TfrmPrint()
{
    // Edits that lose focus while the window goes would call back into it.
    for (QWidget *w : {static_cast<QWidget *>(edtCopies), static_cast<QWidget *>(edtStartArea),
                       static_cast<QWidget *>(edtStartPage), static_cast<QWidget *>(edtLastPage)})
        w->disconnect(this);
}

void TfrmPrint::fillPrinters()
{
    const QSignalBlocker block(cmbPrinter);
    cmbPrinter->clear();
    TDevicePrint *d = device();
    if (!d) {
        const QString why = serverDown() ? ServerDownFault({}).text
                                         : tr("プリンタがインストールされていないため、印刷できません。");
        cmbPrinter->setEnabled(false);
        btnProperty->setEnabled(false);
        btnPrint->setEnabled(false);
        btnPrint->setToolTip(why);
        lblPrinterNote->setText(why);
        lblPrinterState->hide();
        return;
    }
    cmbPrinter->setEnabled(true);
    btnProperty->setEnabled(true);
    btnPrint->setEnabled(true);
    btnPrint->setToolTip(QString());
    lblPrinterNote->clear();
    for (const QString &name : d->PrinterNames())
        cmbPrinter->addItem(printerItemText(*d, name), name);
    cmbPrinter->setCurrentIndex(d->PrinterIndex());
    updateState();
}

void TfrmPrint::pollPrinters()
{
    auto *d = dynamic_cast<TDevicePrint *>(&QvPrint());
    // Not under a message box or the setup dialog: they work on what is shown.
    QWidget *modal = QApplication::activeModalWidget();
    if (!d || !isVisible() || (modal && modal != this))
        return;
    try {
        d->JwPrinter().CheckSystemChanged();
    } catch (const std::exception &) {
        // Asked again on the next tick.
    }
    // Refilled only when what it shows changed: the user may be choosing.
    QStringList shown, now;
    for (int i = 0; i < cmbPrinter->count(); ++i)
        shown << cmbPrinter->itemText(i);
    const bool wasEnabled = cmbPrinter->isEnabled();
    TDevicePrint *current = device();
    if (current) {
        for (const QString &name : current->PrinterNames())
            now << printerItemText(*current, name);
    }
    const QString before = chosenPrinter();
    if (shown != now || wasEnabled != (current != nullptr)) {
        guarded([this] {
            fillPrinters();
            updateCopies();
        });
        // The printer went and the system chose another: the paper follows.
        const QString after = chosenPrinter();
        if (FPaper && !after.isEmpty() && after != before) {
            FPaper->SetPrinterName(after);
            emit printerChanged(after);
        }
    } else if (current) {
        updateState();
    }
}

void TfrmPrint::SetPaper(TPhotoPaper *paper)
{
    FPaper = paper;
    FLoading = true;
    const TPrintOptions &o = paper->PrintOptions();
    guarded([this, paper] {
        if (TDevicePrint *d = device()) {
            const qsizetype index = d->PrinterNames().indexOf(paper->PrinterName());
            if (!paper->PrinterName().isEmpty() && index >= 0 && d->CurrentPrinterName() != paper->PrinterName()) {
                d->SetPrinterIndex(static_cast<int>(index));
                d->ApplySettings();
            }
            const QSignalBlocker block(cmbPrinter);
            cmbPrinter->setCurrentIndex(d->PrinterIndex());
            updateState();
        }
    });
    (o.CheckOnly ? rdoTargetChecked : rdoTargetAll)->setChecked(true);
    edtCopies->SetMax(kMaxRunCopies);
    edtCopies->SetValue(o.Copies);
    guarded([this] { updateCopies(); });
    chkCollate->setChecked(o.Collate);
    chkCollate->setEnabled(edtCopies->AsInteger() > 1);
    edtStartArea->SetMax(std::max(1, paper->HorzDivide() * paper->VertDivide()));
    edtStartArea->SetValue(o.StartArea);
    (o.PrintMode == TPrintMode::pmBanding ? rdoModeBanding : rdoModeNormal)->setChecked(true);
    (o.AllPage ? rdoAllPages : rdoRangePages)->setChecked(true);
    FLoading = false;
    updatePages();
    const int count = PageCount();
    if (o.LastPage != 0) {
        edtStartPage->SetValue(o.StartPage);
        edtLastPage->SetValue(o.LastPage);
    } else {
        edtStartPage->SetValue(1);
        edtLastPage->SetValue(count);
    }
}

int TfrmPrint::PageCount() const
{
    if (!FPaper)
        return 0;
    TPrintOptions o = FPaper->PrintOptions();
    o.CheckOnly = rdoTargetChecked->isChecked();
    o.StartArea = edtStartArea->AsInteger();
    return CountPages(*FPaper, o);
}

void TfrmPrint::updatePages()
{
    if (FLoading)
        return;
    const int count = std::max(1, PageCount());
    // An end page at the old last page keeps meaning "to the end".
    const bool toEnd = edtLastPage->AsInteger() >= static_cast<int>(edtLastPage->Max());
    edtStartPage->SetMax(count);
    edtLastPage->SetMax(count);
    if (toEnd)
        edtLastPage->SetValue(count);
}

void TfrmPrint::updateCopies()
{
    TDevicePrint *d = device();
    // Copies beyond a signed byte cannot be kept. A printer that cannot make
    // copies gets its pages repeated by the print run, so the count stays.
    const bool copies = d && d->HasCopies();
    const int max = copies ? std::clamp(d->MaxCopies(), 1, kMaxRunCopies) : kMaxRunCopies;
    edtCopies->SetMax(max);
    edtCopies->setEnabled(d != nullptr);
    edtCopies->setToolTip(QString());
    if (d && !copies)
        lblPrinterNote->setText(tr("このプリンタは部数の指定に対応していないため、ページを繰り返して部数分を印刷します。"));
    else if (d)
        lblPrinterNote->clear();
    chkCollate->setEnabled(edtCopies->AsInteger() > 1);
}

QString PrinterStateText(const QStringList &reasons)
{
    static const std::pair<const char *, const char *> kTexts[] = {
        {"paused", QT_TRANSLATE_NOOP("vellora::TfrmPrint", "停止しています")},
        {"offline", QT_TRANSLATE_NOOP("vellora::TfrmPrint", "オフラインです")},
        {"media-empty", QT_TRANSLATE_NOOP("vellora::TfrmPrint", "用紙がありません")},
        {"media-needed", QT_TRANSLATE_NOOP("vellora::TfrmPrint", "用紙がありません")},
        {"media-jam", QT_TRANSLATE_NOOP("vellora::TfrmPrint", "紙詰まりです")},
        {"toner-low", QT_TRANSLATE_NOOP("vellora::TfrmPrint", "トナーが少なくなっています")},
        {"toner-empty", QT_TRANSLATE_NOOP("vellora::TfrmPrint", "トナーがありません")},
        {"marker-supply-low", QT_TRANSLATE_NOOP("vellora::TfrmPrint", "インクが少なくなっています")},
        {"marker-supply-empty", QT_TRANSLATE_NOOP("vellora::TfrmPrint", "インクがありません")},
        {"door-open", QT_TRANSLATE_NOOP("vellora::TfrmPrint", "カバーが開いています")},
        {"cover-open", QT_TRANSLATE_NOOP("vellora::TfrmPrint", "カバーが開いています")},
        {"connecting-to-device", QT_TRANSLATE_NOOP("vellora::TfrmPrint", "プリンタに接続しています")},
    };
    QStringList texts;
    for (QString reason : reasons) {
        // "-error", "-warning" and "-report" say how serious, not what.
        for (const char *suffix : {"-error", "-warning", "-report"}) {
            if (reason.endsWith(QLatin1String(suffix)))
                reason.chop(static_cast<qsizetype>(qstrlen(suffix)));
        }
        QString text = reason;
        for (const auto &[keyword, japanese] : kTexts) {
            if (reason == QLatin1String(keyword))
                text = QCoreApplication::translate("vellora::TfrmPrint", japanese);
        }
        if (!texts.contains(text))
            texts << text;
    }
    return texts.isEmpty() ? QString() : QCoreApplication::translate("vellora::TfrmPrint", "状態: ") + texts.join(QCoreApplication::translate("vellora::TfrmPrint", "、"));
}

void TfrmPrint::updateState()
{
    TDevicePrint *d = device();
    QStringList reasons;
    QString refusal;
    if (d) {
        const QString name = chosenPrinter().isEmpty() ? d->CurrentPrinterName() : chosenPrinter();
        if (const TPrinterEntry *e = d->JwPrinter().Entry(name); e && !e->accepting)
            refusal = tr("状態: 印刷を受け付けていません（%1）").arg(RefusalReason(*e));
        try {
            reasons = d->JwPrinter().Service().StateReasons(name);
        } catch (const std::exception &) {
            // The state is a hint; a printer that does not answer shows none.
        }
    }
    lblPrinterState->setText(refusal.isEmpty() ? PrinterStateText(reasons) : refusal);
    lblPrinterState->setVisible(!lblPrinterState->text().isEmpty());
}

void TfrmPrint::printerChosen(int index)
{
    TDevicePrint *d = device();
    if (!d || index < 0)
        return;
    const QString name = cmbPrinter->itemData(index).toString();
    const qsizetype position = d->PrinterNames().indexOf(name);
    if (position < 0) {
        fillPrinters();
        throw Error(tr("プリンタ「%1」が見つかりません。").arg(name));
    }
    d->SetPrinterIndex(static_cast<int>(position));
    d->ApplySettings();
    // The run binds the paper's printer again: the choice must be the paper's.
    if (FPaper && FPaper->PrinterName() != d->CurrentPrinterName()) {
        FPaper->SetPrinterName(d->CurrentPrinterName());
        emit printerChanged(d->CurrentPrinterName());
    }
    updateCopies();
    updateState();
}

void TfrmPrint::leavePageEdit(bool start)
{
    if (edtLastPage->AsInteger() >= edtStartPage->AsInteger())
        return;
    if (start)
        edtLastPage->SetValue(edtStartPage->AsInteger());
    else
        edtStartPage->SetValue(edtLastPage->AsInteger());
}

void TfrmPrint::writeOptions()
{
    if (!FPaper)
        return;
    TPrintOptions &o = FPaper->PrintOptions();
    o.CheckOnly = rdoTargetChecked->isChecked();
    o.Copies = static_cast<std::int8_t>(std::clamp(edtCopies->AsInteger(), 1, kMaxRunCopies));
    o.Collate = chkCollate->isChecked();
    o.AllPage = rdoAllPages->isChecked();
    o.StartPage = edtStartPage->AsInteger();
    o.LastPage = edtLastPage->AsInteger();
    o.StartArea = edtStartArea->AsInteger();
    o.PrintMode = rdoModeBanding->isChecked() ? TPrintMode::pmBanding : TPrintMode::pmNormal;
}

bool TfrmPrint::checkBeforePrint()
{
    if (PageCount() == 0) {
        ShowErrorBox(tr("印刷するページがありません"), tr("印刷データが存在しないため、印刷できません。"));
        return false;
    }
    // The printer may have gone, stopped taking jobs or lost its server while
    // the dialog was open: asked afresh.
    const QString chosen = chosenPrinter();
    auto refill = [this] {
        fillPrinters();
        updateCopies();
    };
    if (auto *system = dynamic_cast<TDevicePrint *>(&QvPrint())) {
        system->JwPrinter().CheckSystemChanged();
        if (!system->JwPrinter().ServerReachable()) {
            const TPrinterFault f = ServerDownFault(chosen);
            ShowErrorBox(f.instruction, f.text);
            refill();
            return false;
        }
    }
    TDevicePrint *d = device();
    if (!d) {
        if (serverDown()) {
            const TPrinterFault f = ServerDownFault(chosen);
            ShowErrorBox(f.instruction, f.text);
        } else {
            ShowErrorBox(tr("プリンタがありません"), tr("プリンタがインストールされていないため、印刷できません。"));
        }
        refill();
        return false;
    }
    if (chosen.isEmpty() || !d->PrinterNames().contains(chosen)) {
        ShowErrorBox(tr("プリンタが見つかりません"),
                     tr("プリンタ「%1」が見つからないため、印刷できません。").arg(chosen));
        refill();
        return false;
    }
    if (const TPrinterEntry *e = d->JwPrinter().Entry(chosen); e && !e->accepting) {
        const TPrinterFault f = RefusalFault(*e);
        ShowErrorBox(f.instruction, f.text);
        refill();
        return false;
    }
    // The job goes to the printer shown, with its settings.
    if (d->CurrentPrinterName() != chosen) {
        d->SetPrinterIndex(static_cast<int>(d->PrinterNames().indexOf(chosen)));
        d->ApplySettings();
    }
    if (FPaper && FPaper->PrinterName() != chosen) {
        FPaper->SetPrinterName(chosen);
        emit printerChanged(chosen);
    }
    return true;
}

void TfrmPrint::done(int result)
{
    // Written back on every close, 閉じる and Esc included.
    writeOptions();
    QDialog::done(result == QDialog::Rejected ? kPrintDialogClose : result);
}

int TfrmPrint::ChooseArea(int area)
{
    TfrmSelArea dialog(this);
    dialog.SetSelectionMode(TSelectionMode::smCheck);
    dialog.SetPaper(FPaper);
    dialog.SetSelected(area);
    return dialog.exec() == QDialog::Accepted ? dialog.Selected() : -1;
}

bool TfrmPrint::EditPrinterProperties()
{
    TDevicePrint *d = device();
    if (!d)
        return false;
    // The settings of the printer this dialog prints to, and of no other.
    const QString chosen = chosenPrinter();
    if (!chosen.isEmpty() && d->CurrentPrinterName() != chosen) {
        const qsizetype index = d->PrinterNames().indexOf(chosen);
        if (index < 0)
            throw Error(tr("プリンタ「%1」が見つかりません。").arg(chosen));
        d->SetPrinterIndex(static_cast<int>(index));
        d->ApplySettings();
    }
    TJwPrinterSetupDialog dialog(d->JwPrinter(), this);
    dialog.SetPrinterFixed(true);
    AddDriverOptions(dialog, d->JwPrinter());
    if (!dialog.Execute())
        return false;
    d->Update();
    return true;
}

void TfrmPrint::ShowErrorBox(const QString &instruction, const QString &text)
{
    TQvTaskDialog box;
    box.Parent = this;
    box.Title = windowTitle();
    box.MainIcon = TTaskDialogIcon::tiError;
    box.SetInstruction(instruction);
    box.SetContent(text);
    box.Buttons = TQvCommonButtons{TQvCommonButton::cbOk};
    box.Execute();
}

} // namespace vellora
