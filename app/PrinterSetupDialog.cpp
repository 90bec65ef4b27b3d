#include "app/PrinterSetupDialog.h"

#include "app/controls/DropDst.h"
#include "app/print/DriverOptionsPanel.h"
#include "app/print/PrinterFaults.h"
#include "print/DevicePrint.h"
#include "print/JwPrinter.h"
#include "settings/Errors.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace vellora {

TJwPrinterSetupDialog::TJwPrinterSetupDialog(TJwPrinter &printer, QWidget *parent)
    : QDialog(parent),
      cmbPrinter(new QComboBox(this)),
      cmbPaper(new QComboBox(this)),
      cmbSource(new QComboBox(this)),
      radPortrait(new QRadioButton(tr("縦(&O)"), this)),
      radLandscape(new QRadioButton(tr("横(&A)"), this)),
      lblPrinterState(new QLabel(this)),
      lblPrinterStatus(new QLabel(this)),
      FPrinter(printer) {
    setObjectName(QStringLiteral("dlgPrinter"));
    setWindowTitle(tr("プリンタの設定"));
    cmbPrinter->setObjectName(QStringLiteral("cmbPrinter"));
    cmbPaper->setObjectName(QStringLiteral("cmbPaper"));
    cmbSource->setObjectName(QStringLiteral("cmbSource"));
    radPortrait->setObjectName(QStringLiteral("radPortrait"));
    radLandscape->setObjectName(QStringLiteral("radLandscape"));
    lblPrinterState->setObjectName(QStringLiteral("lblPrinterState"));
    lblPrinterStatus->setObjectName(QStringLiteral("lblPrinterStatus"));
    lblPrinterStatus->setWordWrap(true);

    auto *printerBox = new QGroupBox(tr("プリンタ"), this);
    auto *printerForm = new QFormLayout(printerBox);
    printerForm->addRow(tr("プリンタ名(&N):"), cmbPrinter);
    printerForm->addRow(tr("場所:"), lblPrinterState);
    printerForm->addRow(tr("状態:"), lblPrinterStatus);
    cmbPrinter->setMinimumWidth(280);

    auto *paperBox = new QGroupBox(tr("用紙"), this);
    auto *paperForm = new QFormLayout(paperBox);
    paperForm->addRow(tr("サイズ(&Z):"), cmbPaper);
    paperForm->addRow(tr("給紙方法(&S):"), cmbSource);

    auto *orientBox = new QGroupBox(tr("印刷の向き"), this);
    auto *orientLayout = new QVBoxLayout(orientBox);
    orientLayout->addWidget(radPortrait);
    orientLayout->addWidget(radLandscape);

    auto *row = new QHBoxLayout;
    row->addWidget(paperBox, 1);
    row->addWidget(orientBox);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));
    // Our own caption: Qt's translations may not be installed.
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *main = new QVBoxLayout(this);
    main->addWidget(printerBox);
    main->addLayout(row);
    main->addWidget(buttons);

    connect(cmbPrinter, &QComboBox::currentIndexChanged, this, &TJwPrinterSetupDialog::printerChosen);
    connect(cmbPaper, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!FFilling && i >= 0) {
            guarded([this, i] { FPrinter.SetPaperSizeIndex(i); });
            RefreshConstraints();
        }
    });
    connect(cmbSource, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!FFilling && i >= 0) {
            guarded([this, i] { FPrinter.SetBinIndex(i); });
            RefreshConstraints();
        }
    });
    connect(radPortrait, &QRadioButton::toggled, this, [this](bool on) {
        if (!FFilling && on)
            guarded([this] { FPrinter.SetOrientation(TJwPaperOrientation::jwOrPortrait); });
    });
    connect(radLandscape, &QRadioButton::toggled, this, [this](bool on) {
        if (!FFilling && on)
            guarded([this] { FPrinter.SetOrientation(TJwPaperOrientation::jwOrLandScape); });
    });

    guarded([this] { FStartIndex = FPrinter.Index(); });
    guarded([this] { fillPrinters(); });
    guarded([this] { fillSettings(); });
}

QString TJwPrinterSetupDialog::printerName() const {
    return cmbPrinter->currentText();
}

bool TJwPrinterSetupDialog::guarded(const std::function<void()> &command) {
    return RunPrinterCommand(this, printerName(), command);
}

void TJwPrinterSetupDialog::SetPrinterFixed(bool fixed) {
    cmbPrinter->setEnabled(!fixed);
    cmbPrinter->setToolTip(fixed ? tr("印刷ダイアログで選んだプリンタの設定です。") : QString());
}

void TJwPrinterSetupDialog::RefreshConstraints() {
    TDriverOptions options;
    try {
        options = FPrinter.DriverOptions();
    } catch (const std::exception &) {
        return;
    }
    if (options.constraints.empty())
        return;
    // Each paper and tray is checked as if chosen, with the other values of now.
    auto check = [&](QComboBox *combo, const char *keyword, auto numberOf, bool paper) {
        auto *model = qobject_cast<QStandardItemModel *>(combo->model());
        for (int i = 0; model && i < combo->count(); ++i) {
            QString reason;
            try {
                const int number = numberOf(i);
                const TDriverValues values = paper ? FPrinter.ConstraintValuesWith(number, -1)
                                                   : FPrinter.ConstraintValuesWith(-1, number);
                const auto it = values.find(QLatin1String(keyword));
                if (it != values.end()) {
                    const auto conflicts = DriverConflicts(options, values, it->first, it->second);
                    if (!conflicts.empty())
                        reason = DriverConflictText(options, conflicts);
                }
            } catch (const std::exception &) {
            }
            QStandardItem *item = model->item(i);
            item->setEnabled(reason.isEmpty() || i == combo->currentIndex());
            item->setToolTip(reason);
        }
    };
    if (cmbPaper->count() > 0)
        check(cmbPaper, "PageSize", [this](int i) { return FPrinter.PaperSizeNumbers(i); }, true);
    if (cmbSource->count() > 0) {
        std::vector<TBinEntry> bins;
        try {
            bins = FPrinter.Bins();
        } catch (const std::exception &) {
        }
        check(cmbSource, "InputSlot",
              [&bins](int i) { return i < static_cast<int>(bins.size()) ? bins[static_cast<size_t>(i)].number : -1; },
              false);
    }
}

void TJwPrinterSetupDialog::fillPrinters() {
    FFilling = true;
    cmbPrinter->clear();
    cmbPrinter->addItems(FPrinter.PrinterNames());
    cmbPrinter->setCurrentIndex(FPrinter.Index());
    FFilling = false;
}

void TJwPrinterSetupDialog::fillSettings() {
    FFilling = true;
    // Each part shows what the printer offers; a printer without the
    // capability leaves its control disabled.
    const TJwPrintCaps caps = FPrinter.PrintCaps();
    const TJwAvailInfos avail = FPrinter.AvailInfos();
    cmbPaper->clear();
    const bool paper = caps.contains(TJwPrintCap::jwPcPaperSize) && avail.contains(TJwAvailInfo::jwAvPaperSize);
    if (paper) {
        cmbPaper->addItems(FPrinter.PaperSizeNames());
        try {
            cmbPaper->setCurrentIndex(FPrinter.PaperSizeIndex());
        } catch (const EJwPrinter &) {
            cmbPaper->setCurrentIndex(-1);   // a size the list does not hold
        }
    }
    cmbPaper->setEnabled(paper && !FPaperFixed);
    cmbSource->clear();
    const bool bins = caps.contains(TJwPrintCap::jwPcDefaultSource) && avail.contains(TJwAvailInfo::jwAvBin);
    if (bins) {
        cmbSource->addItems(FPrinter.BinNames());
        try {
            cmbSource->setCurrentIndex(FPrinter.BinIndex());
        } catch (const EJwPrinter &) {
            cmbSource->setCurrentIndex(-1);
        }
    }
    cmbSource->setEnabled(bins);
    const bool orient = caps.contains(TJwPrintCap::jwPcOrientation);
    radPortrait->setEnabled(orient && !FPaperFixed);
    radLandscape->setEnabled(orient && !FPaperFixed);
    if (orient) {
        const bool landscape = FPrinter.Orientation() == TJwPaperOrientation::jwOrLandScape;
        radLandscape->setChecked(landscape);
        radPortrait->setChecked(!landscape);
    }
    // Where the printer stands, as the server says; and whether it takes jobs.
    const TPrinterEntry *entry = FPrinter.Entry(printerName());
    lblPrinterState->setText(entry ? entry->location : QString());
    lblPrinterStatus->setText(!entry            ? QString()
                              : entry->accepting ? tr("印刷を受け付けています")
                                                 : tr("印刷を受け付けていません（%1）").arg(RefusalReason(*entry)));
    FFilling = false;
    RefreshConstraints();
}

void TJwPrinterSetupDialog::SetPaperFixed(bool fixed) {
    FPaperFixed = fixed;
    fillSettings();
}

void TJwPrinterSetupDialog::printerChosen(int index) {
    if (FFilling || index < 0)
        return;
    // Settings made for the previous printer do not carry over.
    guarded([this, index] {
        FPrinter.DiscardModification();
        FPrinter.SetIndex(index);
        fillSettings();
    });
}

bool TJwPrinterSetupDialog::Execute() { return exec() == QDialog::Accepted; }

void TJwPrinterSetupDialog::accept() {
    // A printer that cannot take the settings any more keeps the dialog open.
    if (!guarded([this] {
            FPrinter.ApplySettings();
            FPrinter.ForceUpdate();
        }))
        return;
    QDialog::accept();
}

void TJwPrinterSetupDialog::reject() {
    guarded([this] {
        FPrinter.DiscardModification();
        if (FPrinter.Index() != FStartIndex)
            FPrinter.SetIndex(FStartIndex);
    });
    QDialog::reject();
}

bool ExecuteSystemPrinterSetup(QWidget *parent) {
    auto *device = dynamic_cast<TDevicePrint *>(&QvPrint());
    const bool serverDown = device ? device->PrinterNames().isEmpty() && !device->JwPrinter().ServerReachable()
                                   : !SystemPrintServerReachable();
    if (serverDown) {
        const TPrinterFault f = ServerDownFault({});
        throw Error(f.instruction + QLatin1Char('\n') + f.text);
    }
    if (!device || device->PrinterNames().isEmpty())
        throw EJwPrinterNoPrinter(QCoreApplication::translate("vellora::TJwPrinterSetupDialog", "プリンタがインストールされていません。").toStdString());
    TJwPrinterSetupDialog dialog(device->JwPrinter(), parent);
    // Duplex, resolution, colour mode and the printer's own options too.
    AddDriverOptions(dialog, device->JwPrinter(), false);
    if (!dialog.Execute())
        return false;
    device->Update();
    return true;
}

} // namespace vellora
