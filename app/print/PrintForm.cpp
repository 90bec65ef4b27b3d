#include "app/print/PrintForm.h"

#include "app/PrinterSetupDialog.h"
#include "app/controls/NumberEdit.h"
#include "app/controls/QvTaskDialog.h"
#include "app/layout/SelAreaDialog.h"
#include "app/print/DriverOptionsPanel.h"
#include "model/PhotoPaper.h"
#include "model/PrintRun.h"
#include "print/DevicePrint.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vellora {

namespace {

TDevicePrint *device()
{
    auto *d = dynamic_cast<TDevicePrint *>(&QvPrint());
    return d && !d->PrinterNames().isEmpty() ? d : nullptr;
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
    setWindowTitle(QStringLiteral("印刷"));

    auto *printerBox = new QGroupBox(QStringLiteral("プリンタ"), this);
    cmbPrinter = new QComboBox(printerBox);
    cmbPrinter->setObjectName(QStringLiteral("cmbPrinter"));
    cmbPrinter->setMinimumWidth(240);
    btnProperty = new QPushButton(QStringLiteral("詳細設定(&R)..."), printerBox);
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

    rdgTarget = new QGroupBox(QStringLiteral("印刷対象"), this);
    rdgTarget->setObjectName(QStringLiteral("rdgTarget"));
    rdoTargetAll = new QRadioButton(QStringLiteral("すべて"), rdgTarget);
    rdoTargetChecked = new QRadioButton(QStringLiteral("チェックした画像"), rdgTarget);
    auto *tl = new QVBoxLayout(rdgTarget);
    tl->addWidget(rdoTargetAll);
    tl->addWidget(rdoTargetChecked);

    auto *copiesBox = new QGroupBox(QStringLiteral("印刷部数"), this);
    edtCopies = numberEdit(copiesBox, "edtCopies", 1, kMaxRunCopies);
    chkCollate = new QCheckBox(QStringLiteral("部単位で印刷"), copiesBox);
    chkCollate->setObjectName(QStringLiteral("chkCollate"));
    auto *cl = new QVBoxLayout(copiesBox);
    cl->addWidget(edtCopies);
    cl->addWidget(chkCollate);

    auto *startBox = new QGroupBox(QStringLiteral("印刷開始位置"), this);
    edtStartArea = numberEdit(startBox, "edtStartArea", 1, 1);
    btnSelArea = new QPushButton(QStringLiteral("選択(&S)..."), startBox);
    btnSelArea->setObjectName(QStringLiteral("btnSelArea"));
    auto *sl = new QHBoxLayout(startBox);
    sl->addWidget(edtStartArea);
    sl->addWidget(btnSelArea);

    rdgPrintMode = new QGroupBox(QStringLiteral("印刷モード"), this);
    rdgPrintMode->setObjectName(QStringLiteral("rdgPrintMode"));
    rdoModeNormal = new QRadioButton(QStringLiteral("通常"), rdgPrintMode);
    rdoModeBanding = new QRadioButton(QStringLiteral("分割"), rdgPrintMode);
    auto *ml = new QVBoxLayout(rdgPrintMode);
    ml->addWidget(rdoModeNormal);
    ml->addWidget(rdoModeBanding);

    auto *pagesBox = new QGroupBox(QStringLiteral("ページ"), this);
    rdoAllPages = new QRadioButton(QStringLiteral("すべて"), pagesBox);
    rdoAllPages->setObjectName(QStringLiteral("rdoAllPages"));
    rdoRangePages = new QRadioButton(QStringLiteral("指定"), pagesBox);
    rdoRangePages->setObjectName(QStringLiteral("rdoRangePages"));
    edtStartPage = numberEdit(pagesBox, "edtStartPage", 1, 1);
    edtLastPage = numberEdit(pagesBox, "edtLastPage", 1, 1);
    auto *gl = new QGridLayout(pagesBox);
    gl->addWidget(rdoAllPages, 0, 0);
    gl->addWidget(rdoRangePages, 1, 0);
    gl->addWidget(new QLabel(QStringLiteral("開始"), pagesBox), 1, 1);
    gl->addWidget(edtStartPage, 1, 2);
    gl->addWidget(new QLabel(QStringLiteral("終了"), pagesBox), 1, 3);
    gl->addWidget(edtLastPage, 1, 4);

    btnPrint = new QPushButton(QStringLiteral("印刷(&P)"), this);
    btnPrint->setObjectName(QStringLiteral("btnPrint"));
    btnPreview = new QPushButton(QStringLiteral("印刷プレビュー(&V)..."), this);
    btnPreview->setObjectName(QStringLiteral("btnPreview"));
    btnClose = new QPushButton(QStringLiteral("閉じる(&C)"), this);
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

    connect(cmbPrinter, &QComboBox::activated, this, &TfrmPrint::printerChosen);
    connect(btnProperty, &QPushButton::clicked, this, [this] {
        if (EditPrinterProperties())
            updateCopies();
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
        if (checkBeforePrint())
            done(kPrintDialogPrint);
    });
    connect(btnPreview, &QPushButton::clicked, this, [this] { done(kPrintDialogPreview); });
    connect(btnClose, &QPushButton::clicked, this, [this] { done(kPrintDialogClose); });
    fillPrinters();
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
        const QString why = QStringLiteral("プリンタがインストールされていないため、印刷できません。");
        cmbPrinter->setEnabled(false);
        btnProperty->setEnabled(false);
        btnPrint->setEnabled(false);
        btnPrint->setToolTip(why);
        lblPrinterNote->setText(why);
        lblPrinterState->hide();
        return;
    }
    cmbPrinter->addItems(d->PrinterNames());
    cmbPrinter->setCurrentIndex(d->PrinterIndex());
    updateState();
}

void TfrmPrint::SetPaper(TPhotoPaper *paper)
{
    FPaper = paper;
    FLoading = true;
    const TPrintOptions &o = paper->PrintOptions();
    if (TDevicePrint *d = device()) {
        const qsizetype index = d->PrinterNames().indexOf(paper->PrinterName());
        if (!paper->PrinterName().isEmpty() && index >= 0 && d->CurrentPrinterName() != paper->PrinterName()) {
            d->SetPrinterIndex(static_cast<int>(index));
            d->ApplySettings();
        }
        const QSignalBlocker block(cmbPrinter);
        cmbPrinter->setCurrentIndex(d->PrinterIndex());
    }
    (o.CheckOnly ? rdoTargetChecked : rdoTargetAll)->setChecked(true);
    updateCopies();
    edtCopies->SetValue(o.Copies);
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
    // Copies beyond a signed byte cannot be kept; a printer without copies
    // prints once, and says so.
    const bool copies = d && d->HasCopies();
    const int max = copies ? std::clamp(d->MaxCopies(), 1, kMaxRunCopies) : 1;
    edtCopies->SetMax(max);
    edtCopies->setEnabled(copies);
    if (!copies) {
        edtCopies->SetValue(1);
        edtCopies->setToolTip(QStringLiteral("このプリンタは部数の指定に対応していません。"));
    } else {
        edtCopies->setToolTip(QString());
    }
    if (d && !copies)
        lblPrinterNote->setText(QStringLiteral("このプリンタは部数の指定に対応していないため、1部だけ印刷します。"));
    else if (d)
        lblPrinterNote->clear();
    chkCollate->setEnabled(edtCopies->AsInteger() > 1);
}

QString PrinterStateText(const QStringList &reasons)
{
    static const std::pair<const char *, const char *> kTexts[] = {
        {"paused", "停止しています"},
        {"offline", "オフラインです"},
        {"media-empty", "用紙がありません"},
        {"media-needed", "用紙がありません"},
        {"media-jam", "紙詰まりです"},
        {"toner-low", "トナーが少なくなっています"},
        {"toner-empty", "トナーがありません"},
        {"marker-supply-low", "インクが少なくなっています"},
        {"marker-supply-empty", "インクがありません"},
        {"door-open", "カバーが開いています"},
        {"cover-open", "カバーが開いています"},
        {"connecting-to-device", "プリンタに接続しています"},
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
                text = QString::fromUtf8(japanese);
        }
        if (!texts.contains(text))
            texts << text;
    }
    return texts.isEmpty() ? QString() : QStringLiteral("状態: ") + texts.join(QStringLiteral("、"));
}

void TfrmPrint::updateState()
{
    TDevicePrint *d = device();
    QStringList reasons;
    if (d) {
        try {
            reasons = d->JwPrinter().Service().StateReasons(d->CurrentPrinterName());
        } catch (const std::exception &) {
            // The state is a hint; a printer that does not answer shows none.
        }
    }
    lblPrinterState->setText(PrinterStateText(reasons));
    lblPrinterState->setVisible(!lblPrinterState->text().isEmpty());
}

void TfrmPrint::printerChosen(int index)
{
    TDevicePrint *d = device();
    if (!d || index < 0)
        return;
    d->SetPrinterIndex(index);
    d->ApplySettings();
    // The run binds the paper's printer again: the choice must be the paper's.
    if (FPaper)
        FPaper->SetPrinterName(d->CurrentPrinterName());
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
        ShowErrorBox(QStringLiteral("印刷するページがありません"),
                     QStringLiteral("印刷データが存在しないため、印刷できません。"));
        return false;
    }
    // The printer may have gone while the dialog was open.
    TDevicePrint *d = device();
    const QString chosen = cmbPrinter->currentText();
    if (d) {
        d->JwPrinter().CheckSystemChanged();
        if (!d->PrinterNames().contains(chosen)) {
            ShowErrorBox(QStringLiteral("プリンタが見つかりません"),
                         QStringLiteral("プリンタ「%1」が見つからないため、印刷できません。").arg(chosen));
            fillPrinters();
            return false;
        }
    }
    return d != nullptr;
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
    TJwPrinterSetupDialog dialog(d->JwPrinter(), this);
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
