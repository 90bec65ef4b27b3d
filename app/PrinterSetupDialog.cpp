#include "app/PrinterSetupDialog.h"

#include "app/controls/DropDst.h"
#include "print/DevicePrint.h"
#include "print/JwPrinter.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vellora {

TJwPrinterSetupDialog::TJwPrinterSetupDialog(TJwPrinter &printer, QWidget *parent)
    : QDialog(parent),
      cmbPrinter(new QComboBox(this)),
      cmbPaper(new QComboBox(this)),
      cmbSource(new QComboBox(this)),
      radPortrait(new QRadioButton(QStringLiteral("縦(&O)"), this)),
      radLandscape(new QRadioButton(QStringLiteral("横(&A)"), this)),
      lblPrinterState(new QLabel(this)),
      FPrinter(printer) {
    setObjectName(QStringLiteral("dlgPrinter"));
    setWindowTitle(QStringLiteral("プリンタの設定"));
    cmbPrinter->setObjectName(QStringLiteral("cmbPrinter"));
    cmbPaper->setObjectName(QStringLiteral("cmbPaper"));
    cmbSource->setObjectName(QStringLiteral("cmbSource"));
    radPortrait->setObjectName(QStringLiteral("radPortrait"));
    radLandscape->setObjectName(QStringLiteral("radLandscape"));
    lblPrinterState->setObjectName(QStringLiteral("lblPrinterState"));

    auto *printerBox = new QGroupBox(QStringLiteral("プリンタ"), this);
    auto *printerForm = new QFormLayout(printerBox);
    printerForm->addRow(QStringLiteral("プリンタ名(&N):"), cmbPrinter);
    printerForm->addRow(QStringLiteral("場所:"), lblPrinterState);
    cmbPrinter->setMinimumWidth(280);

    auto *paperBox = new QGroupBox(QStringLiteral("用紙"), this);
    auto *paperForm = new QFormLayout(paperBox);
    paperForm->addRow(QStringLiteral("サイズ(&Z):"), cmbPaper);
    paperForm->addRow(QStringLiteral("給紙方法(&S):"), cmbSource);

    auto *orientBox = new QGroupBox(QStringLiteral("印刷の向き"), this);
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
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *main = new QVBoxLayout(this);
    main->addWidget(printerBox);
    main->addLayout(row);
    main->addWidget(buttons);

    connect(cmbPrinter, &QComboBox::currentIndexChanged, this, &TJwPrinterSetupDialog::printerChosen);
    connect(cmbPaper, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!FFilling && i >= 0)
            FPrinter.SetPaperSizeIndex(i);
    });
    connect(cmbSource, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!FFilling && i >= 0)
            FPrinter.SetBinIndex(i);
    });
    connect(radPortrait, &QRadioButton::toggled, this, [this](bool on) {
        if (!FFilling && on)
            FPrinter.SetOrientation(TJwPaperOrientation::jwOrPortrait);
    });
    connect(radLandscape, &QRadioButton::toggled, this, [this](bool on) {
        if (!FFilling && on)
            FPrinter.SetOrientation(TJwPaperOrientation::jwOrLandScape);
    });

    FStartIndex = FPrinter.Index();
    fillPrinters();
    fillSettings();
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
    const QString port = FPrinter.Port();
    lblPrinterState->setText(port);
    FFilling = false;
}

void TJwPrinterSetupDialog::SetPaperFixed(bool fixed) {
    FPaperFixed = fixed;
    fillSettings();
}

void TJwPrinterSetupDialog::printerChosen(int index) {
    if (FFilling || index < 0)
        return;
    // Settings made for the previous printer do not carry over.
    FPrinter.DiscardModification();
    FPrinter.SetIndex(index);
    fillSettings();
}

bool TJwPrinterSetupDialog::Execute() { return exec() == QDialog::Accepted; }

void TJwPrinterSetupDialog::accept() {
    FPrinter.ApplySettings();
    FPrinter.ForceUpdate();
    QDialog::accept();
}

void TJwPrinterSetupDialog::reject() {
    FPrinter.DiscardModification();
    if (FPrinter.Index() != FStartIndex)
        FPrinter.SetIndex(FStartIndex);
    QDialog::reject();
}

bool ExecuteSystemPrinterSetup(QWidget *parent) {
    auto *device = dynamic_cast<TDevicePrint *>(&QvPrint());
    if (!device || device->PrinterNames().isEmpty())
        throw EJwPrinterNoPrinter(std::string("プリンタがインストールされていません。"));
    TJwPrinterSetupDialog dialog(device->JwPrinter(), parent);
    if (!dialog.Execute())
        return false;
    device->Update();
    return true;
}

} // namespace vellora
