#include "app/layout/AdjustDialog.h"

#include "app/layout/DialogParts.h"
#include "model/PhotoPaper.h"
#include "settings/IniFile.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace vellora {

TfrmAdjust::TfrmAdjust(QWidget *parent, TExtIniFile *ini) : QDialog(parent), FIni(ini)
{
    setObjectName(QStringLiteral("frmAdjust"));
    setWindowTitle(tr("印刷位置の微調整"));
    cmbHorzDir = new QComboBox(this);
    cmbHorzDir->setObjectName(QStringLiteral("cmbHorzDir"));
    cmbHorzDir->addItems({tr("左に"), tr("右に")});
    cmbVertDir = new QComboBox(this);
    cmbVertDir->setObjectName(QStringLiteral("cmbVertDir"));
    cmbVertDir->addItems({tr("上に"), tr("下に")});
    // Directions carry the sign; the distances themselves are not limited.
    edtAdjustLeft = makeNumberEdit(this, QStringLiteral("edtAdjustLeft"), 2, 0, kUnlimitedMM, 0.5);
    edtAdjustTop = makeNumberEdit(this, QStringLiteral("edtAdjustTop"), 2, 0, kUnlimitedMM, 0.5);
    SetAdjustLeft(0);
    SetAdjustTop(0);

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("水平位置を"), this), 0, 0);
    grid->addWidget(cmbHorzDir, 0, 1);
    grid->addWidget(edtAdjustLeft, 0, 2);
    grid->addWidget(new QLabel(tr("mm移動する"), this), 0, 3);
    grid->addWidget(new QLabel(tr("垂直位置を"), this), 1, 0);
    grid->addWidget(cmbVertDir, 1, 1);
    grid->addWidget(edtAdjustTop, 1, 2);
    grid->addWidget(new QLabel(tr("mm移動する"), this), 1, 3);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("btnOk"));
    buttons->addButton(tr("キャンセル(&C)"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmAdjust::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmAdjust::reject);
    auto *l = new QVBoxLayout(this);
    l->addLayout(grid);
    l->addWidget(buttons);
    TFormPlacement(this, FIni).Restore();
}

double TfrmAdjust::AdjustLeft() const
{
    return cmbHorzDir->currentIndex() == 0 ? -edtAdjustLeft->Value() : edtAdjustLeft->Value();
}

void TfrmAdjust::SetAdjustLeft(double mm)
{
    cmbHorzDir->setCurrentIndex(mm >= 0 ? 1 : 0);
    edtAdjustLeft->SetValue(std::fabs(mm));
}

double TfrmAdjust::AdjustTop() const
{
    return cmbVertDir->currentIndex() == 0 ? -edtAdjustTop->Value() : edtAdjustTop->Value();
}

void TfrmAdjust::SetAdjustTop(double mm)
{
    cmbVertDir->setCurrentIndex(mm >= 0 ? 1 : 0);
    edtAdjustTop->SetValue(std::fabs(mm));
}

bool ExecuteAdjust(TPhotoPaper &paper, QWidget *parent, TExtIniFile *ini)
{
    TfrmAdjust dialog(parent, ini);
    TFloatSize &adjusts = paper.PrintOptions().Adjusts;
    dialog.SetAdjustLeft(static_cast<double>(adjusts.cx));
    dialog.SetAdjustTop(static_cast<double>(adjusts.cy));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    adjusts = FloatSize(dialog.AdjustLeft(), dialog.AdjustTop());
    if (ini) {
        ini->WriteFloat(QStringLiteral("Restore"), QStringLiteral("AdjustLeft"), dialog.AdjustLeft());
        ini->WriteFloat(QStringLiteral("Restore"), QStringLiteral("AdjustTop"), dialog.AdjustTop());
    }
    return true;
}

void TfrmAdjust::accept()
{
    CommitNumberEdits(this);
    if (!CheckNumberEdits(this))
        return;
    QDialog::accept();
}

void TfrmAdjust::done(int result)
{
    TFormPlacement(this, FIni).Save();
    QDialog::done(result);
}

} // namespace vellora
