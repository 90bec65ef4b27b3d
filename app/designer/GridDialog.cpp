#include "app/designer/GridDialog.h"

#include "app/controls/NumberEdit.h"
#include "app/layout/DialogParts.h"
#include "model/Background.h"
#include "settings/IniFile.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vellora {

namespace {

const QString kSection = QStringLiteral("Designer");

TColor toTColor(const QColor &c)
{
    return static_cast<TColor>(c.red()) | static_cast<TColor>(c.green()) << 8 | static_cast<TColor>(c.blue()) << 16;
}

} // namespace

TfrmGrid::TfrmGrid(QWidget *parent, TExtIniFile *ini) : QDialog(parent), FIni(ini)
{
    setObjectName(QStringLiteral("frmGrid"));
    setWindowTitle(tr("グリッドの設定"));
    const TDesignerSettings s = ReadDesignerSettings(ini);
    FColor = s.GridColor;

    chkGridVisible = new QCheckBox(tr("グリッドを表示する"), this);
    chkGridVisible->setObjectName(QStringLiteral("chkGridVisible"));
    chkGridVisible->setChecked(s.GridVisible);
    chkGridAdsorp = new QCheckBox(tr("グリッドにスナップ"), this);
    chkGridAdsorp->setObjectName(QStringLiteral("chkGridAdsorp"));
    chkGridAdsorp->setChecked(s.GridAdsorp);

    edtGridStep = new TUpdownNumberEdit(this);
    edtGridStep->setObjectName(QStringLiteral("edtGridStep"));
    edtGridStep->SetFigure(2);
    edtGridStep->SetFixed(true);
    edtGridStep->SetIncrement(0.5);
    edtGridStep->SetMin(kMinGridStep);
    edtGridStep->SetMax(kMaxGridStep);
    edtGridStep->SetZeroEnabled(false);
    edtGridStep->SetLimit(true);
    edtGridStep->SetValue(static_cast<double>(s.GridStep));
    edtGridStep->SetValidMinus(false);
    edtGridStep->SetRefuseInvalid(true);
    edtGridStep->setFixedWidth(90);

    btnGridColor = new QPushButton(this);
    btnGridColor->setObjectName(QStringLiteral("btnGridColor"));
    btnGridColor->setFixedSize(48, 22);
    connect(btnGridColor, &QPushButton::clicked, this, &TfrmGrid::chooseColor);
    SetGridColor(FColor);

    auto *origin = new QGroupBox(tr("原点の位置(用紙全体時のみ)"), this);
    origin->setObjectName(QStringLiteral("grpGridOrigin"));
    rdgGridOrigin = new QButtonGroup(this);
    rdgGridOrigin->setObjectName(QStringLiteral("rdgGridOrigin"));
    auto *ol = new QVBoxLayout(origin);
    const QString names[] = {tr("用紙端"), tr("写真エリア端")};
    for (int i = 0; i < 2; ++i) {
        auto *r = new QRadioButton(names[i], origin);
        r->setObjectName(i == 0 ? QStringLiteral("rdoOriginPaper") : QStringLiteral("rdoOriginArea"));
        rdgGridOrigin->addButton(r, i);
        ol->addWidget(r);
    }
    rdgGridOrigin->button(static_cast<int>(s.GridOrigin))->setChecked(true);

    auto *form = new QGridLayout;
    auto *stepLabel = new QLabel(tr("グリッド間隔"), this);
    stepLabel->setBuddy(edtGridStep);
    form->addWidget(stepLabel, 0, 0);
    auto *stepRow = new QHBoxLayout;
    stepRow->addWidget(edtGridStep);
    stepRow->addWidget(new QLabel(QStringLiteral("mm"), this));
    stepRow->addStretch(1);
    form->addLayout(stepRow, 0, 1);
    auto *colorLabel = new QLabel(tr("表示色"), this);
    colorLabel->setBuddy(btnGridColor);
    form->addWidget(colorLabel, 1, 0);
    auto *colorRow = new QHBoxLayout;
    colorRow->addWidget(btnGridColor);
    colorRow->addStretch(1);
    form->addLayout(colorRow, 1, 1);

    auto *btnOk = new QPushButton(QStringLiteral("&OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    auto *btnCancel = new QPushButton(tr("キャンセル(&C)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOk, &QPushButton::clicked, this, &TfrmGrid::accept);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmGrid::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);

    auto *main = new QVBoxLayout(this);
    main->addWidget(chkGridVisible);
    main->addWidget(chkGridAdsorp);
    main->addLayout(form);
    main->addWidget(origin);
    main->addStretch(1);
    main->addLayout(buttons);
}

bool TfrmGrid::GridVisible() const
{
    return chkGridVisible->isChecked();
}

void TfrmGrid::SetGridVisible(bool value)
{
    chkGridVisible->setChecked(value);
}

void TfrmGrid::SetGridColor(TColor color)
{
    FColor = color;
    btnGridColor->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid black;")
                                    .arg(ToQColor(color).name()));
}

void TfrmGrid::chooseColor()
{
    const QColor c = QColorDialog::getColor(ToQColor(FColor), this, QString(), QColorDialog::DontUseNativeDialog);
    if (c.isValid())
        SetGridColor(toTColor(c));
}

TDesignerSettings TfrmGrid::Settings() const
{
    TDesignerSettings s;
    s.GridVisible = chkGridVisible->isChecked();
    s.GridAdsorp = chkGridAdsorp->isChecked();
    s.GridStep = SaneGridStep(edtGridStep->Value());
    s.GridColor = FColor;
    s.GridOrigin = SaneGridOrigin(rdgGridOrigin->checkedId());
    return s;
}

void TfrmGrid::accept()
{
    // A typed step below 0.5 mm (or negative) is refused, not changed.
    edtGridStep->CommitText();
    if (!CheckNumberEdits(this))
        return;
    if (FIni) {
        const TDesignerSettings s = Settings();
        FIni->WriteBool(kSection, QStringLiteral("GridAdsorp"), s.GridAdsorp);
        FIni->WriteFloat(kSection, QStringLiteral("GridStep"), static_cast<double>(s.GridStep));
        FIni->WriteInt(kSection, QStringLiteral("GridOrigin"), static_cast<int>(s.GridOrigin));
        FIni->WriteColor(kSection, QStringLiteral("GridColor"), s.GridColor);
    }
    QDialog::accept();
}

} // namespace vellora
