#include "app/layout/AreaPropDialog.h"

#include "app/layout/BackgroundDialog.h"
#include "app/layout/DialogParts.h"
#include "model/PhotoArea.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vellora {

namespace {

QCheckBox *parentBox(QWidget *parent, const QString &name)
{
    auto *c = new QCheckBox(QCoreApplication::translate("vellora::TfrmAreaProp", "ドキュメントの設定に合わせる"), parent);
    c->setObjectName(name);
    return c;
}

QButtonGroup *radioGroup(QWidget *owner, QGroupBox *box, const QString &prefix, const QStringList &texts)
{
    auto *group = new QButtonGroup(owner);
    group->setObjectName(QStringLiteral("rdg") + prefix);
    auto *l = new QHBoxLayout(box);
    for (int i = 0; i < texts.size(); ++i) {
        auto *r = new QRadioButton(texts[i], box);
        r->setObjectName(QStringLiteral("rdo%1%2").arg(prefix).arg(i));
        group->addButton(r, i);
        l->addWidget(r);
    }
    return group;
}

} // namespace

TfrmAreaProp::TfrmAreaProp(QWidget *parent, TExtIniFile *ini) : QDialog(parent), FIni(ini)
{
    setObjectName(QStringLiteral("frmAreaProp"));
    setWindowTitle(tr("エリア別設定"));
    auto *tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("pgcAreaProp"));

    // "配置"
    auto *place = new QWidget;
    place->setObjectName(QStringLiteral("tabPlace"));
    auto *grpAlign = new QGroupBox(tr("位置"), place);
    chkParentAlign = parentBox(grpAlign, QStringLiteral("chkParentAlign"));
    pnlAlign = new QWidget(grpAlign);
    auto *grpHorz = new QGroupBox(tr("水平位置"), pnlAlign);
    rdgHorzAlign = radioGroup(this, grpHorz, QStringLiteral("HorzAlign"),
                              {tr("左"), tr("中央"), tr("右")});
    auto *grpVert = new QGroupBox(tr("垂直位置"), pnlAlign);
    rdgVertAlign = radioGroup(this, grpVert, QStringLiteral("VertAlign"),
                              {tr("上"), tr("中央"), tr("下")});
    auto *pal = new QVBoxLayout(pnlAlign);
    pal->addWidget(grpHorz);
    pal->addWidget(grpVert);
    auto *gal = new QVBoxLayout(grpAlign);
    gal->addWidget(chkParentAlign);
    gal->addWidget(pnlAlign);

    auto *grpRotate = new QGroupBox(tr("画像の回転"), place);
    chkParentRotate = parentBox(grpRotate, QStringLiteral("chkParentRotate"));
    pnlRotate = new QWidget(grpRotate);
    cmbRotate = new QComboBox(pnlRotate);
    cmbRotate->setObjectName(QStringLiteral("cmbRotate"));
    cmbRotate->addItems({tr("回転しない"), tr("エリアの向きに合わせる"), tr("90度回転"),
                         tr("180度回転"), tr("270度回転")});
    auto *prl = new QHBoxLayout(pnlRotate);
    prl->addWidget(new QLabel(tr("回転方法"), pnlRotate));
    prl->addWidget(cmbRotate, 1);
    auto *grl = new QVBoxLayout(grpRotate);
    grl->addWidget(chkParentRotate);
    grl->addWidget(pnlRotate);
    auto *placeLayout = new QVBoxLayout(place);
    placeLayout->addWidget(grpAlign);
    placeLayout->addWidget(grpRotate);
    placeLayout->addStretch(1);
    tabs->addTab(place, tr("配置"));

    // "サイズ"
    auto *sizePage = new QWidget;
    sizePage->setObjectName(QStringLiteral("tabSize"));
    auto *grpSize = new QGroupBox(tr("写真のサイズ"), sizePage);
    chkParentSize = parentBox(grpSize, QStringLiteral("chkParentSize"));
    pnlSize = new QWidget(grpSize);
    cmbPhotoSize = new QComboBox(pnlSize);
    cmbPhotoSize->setObjectName(QStringLiteral("cmbPhotoSize"));
    cmbPhotoSize->addItems({tr("写真全体を印刷する"), tr("エリア全体に印刷する"),
                            tr("エリアより一回り大きく印刷する"), tr("倍率を指定する")});
    // 0 % would make the photo vanish; the same range as the layout dialog's.
    edtPhotoScale = makeNumberEdit(pnlSize, QStringLiteral("edtPhotoScale"), 2, 10, 1000, 10);
    cmbScaleLimit = new QComboBox(pnlSize);
    cmbScaleLimit->setObjectName(QStringLiteral("cmbScaleLimit"));
    cmbScaleLimit->addItems({tr("拡大・縮小を許可"), tr("拡大だけ許可"), tr("縮小だけ許可")});
    grpProtrude = new QGroupBox(tr("はみ出し量"), pnlSize);
    grpProtrude->setObjectName(QStringLiteral("grpProtrude"));
    chkParentProtrude = parentBox(grpProtrude, QStringLiteral("chkParentProtrude"));
    pnlProtrude = new QWidget(grpProtrude);
    edtProtrudeWidth = makeNumberEdit(pnlProtrude, QStringLiteral("edtProtrudeWidth"), 2, 0, 10, 0.5);
    auto *ppl = new QHBoxLayout(pnlProtrude);
    ppl->addWidget(new QLabel(tr("エリアからのはみ出し量"), pnlProtrude));
    ppl->addWidget(edtProtrudeWidth);
    ppl->addWidget(new QLabel(QStringLiteral("mm"), pnlProtrude));
    auto *gpl = new QVBoxLayout(grpProtrude);
    gpl->addWidget(chkParentProtrude);
    gpl->addWidget(pnlProtrude);
    auto *psl = new QGridLayout(pnlSize);
    psl->addWidget(new QLabel(tr("サイズ"), pnlSize), 0, 0);
    psl->addWidget(cmbPhotoSize, 0, 1, 1, 2);
    psl->addWidget(new QLabel(tr("倍率"), pnlSize), 1, 0);
    psl->addWidget(edtPhotoScale, 1, 1);
    psl->addWidget(new QLabel(QStringLiteral("%"), pnlSize), 1, 2);
    psl->addWidget(new QLabel(tr("倍率制限"), pnlSize), 2, 0);
    psl->addWidget(cmbScaleLimit, 2, 1, 1, 2);
    psl->addWidget(grpProtrude, 3, 0, 1, 3);
    auto *gsl = new QVBoxLayout(grpSize);
    gsl->addWidget(chkParentSize);
    gsl->addWidget(pnlSize);
    auto *sizeLayout = new QVBoxLayout(sizePage);
    sizeLayout->addWidget(grpSize);
    sizeLayout->addStretch(1);
    tabs->addTab(sizePage, tr("サイズ"));

    // "枠と背景"
    auto *backPage = new QWidget;
    backPage->setObjectName(QStringLiteral("tabBack"));
    auto *grpBack = new QGroupBox(tr("枠と背景の設定"), backPage);
    chkParentBack = parentBox(grpBack, QStringLiteral("chkParentBack"));
    pnlBack = new QWidget(grpBack);
    imgBackground = new TBackgroundSample(pnlBack, QStringLiteral("imgBackground"));
    imgBackground->setFixedSize(140, 100);
    auto *btnBackground = new QPushButton(tr("設定(&F)..."), pnlBack);
    btnBackground->setObjectName(QStringLiteral("btnBackground"));
    auto *pbl = new QHBoxLayout(pnlBack);
    pbl->addWidget(imgBackground);
    pbl->addWidget(btnBackground, 0, Qt::AlignBottom);
    pbl->addStretch(1);
    auto *gbl = new QVBoxLayout(grpBack);
    gbl->addWidget(chkParentBack);
    gbl->addWidget(pnlBack);
    auto *backLayout = new QVBoxLayout(backPage);
    backLayout->addWidget(grpBack);
    backLayout->addStretch(1);
    tabs->addTab(backPage, tr("枠と背景"));

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("btnOk"));
    buttons->addButton(tr("キャンセル(&C)"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmAreaProp::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmAreaProp::reject);
    auto *l = new QVBoxLayout(this);
    l->addWidget(tabs);
    l->addWidget(buttons);

    for (QCheckBox *c : {chkParentAlign, chkParentRotate, chkParentSize, chkParentProtrude, chkParentBack})
        connect(c, &QCheckBox::toggled, this, &TfrmAreaProp::updateEnabling);
    connect(cmbPhotoSize, &QComboBox::currentIndexChanged, this, &TfrmAreaProp::updateEnabling);
    connect(btnBackground, &QPushButton::clicked, this, &TfrmAreaProp::editBackground);
    connect(imgBackground, &TBackgroundSample::doubleClicked, this, [this] {
        if (pnlBack->isEnabled())
            editBackground();
    });
    TFormPlacement(this, FIni).Restore();
}

void TfrmAreaProp::SetArea(TPhotoArea *area)
{
    FArea = area;
    chkParentAlign->setChecked(area->ParentHorizontalAlign());
    rdgHorzAlign->button(Ord(area->HorizontalAlign()))->setChecked(true);
    rdgVertAlign->button(Ord(area->VerticalAlign()))->setChecked(true);
    chkParentRotate->setChecked(area->ParentRotate());
    cmbRotate->setCurrentIndex(Ord(area->Rotate()));
    chkParentSize->setChecked(area->ParentPhotoSize());
    cmbPhotoSize->setCurrentIndex(Ord(area->PhotoSize()));
    edtPhotoScale->SetValue(area->PhotoScale() * 100);
    cmbScaleLimit->setCurrentIndex(Ord(area->ScaleLimit()));
    chkParentProtrude->setChecked(area->ParentProtrudeWidth());
    edtProtrudeWidth->SetValue(area->ProtrudeWidth());
    chkParentBack->setChecked(area->ParentBackground());
    FBackSave.Assign(area->Background());
    FParentBackSave = area->ParentBackground();
    imgBackground->SetBackground(&area->Background());
    updateEnabling();
}

void TfrmAreaProp::updateEnabling()
{
    pnlAlign->setEnabled(!chkParentAlign->isChecked());
    pnlRotate->setEnabled(!chkParentRotate->isChecked());
    pnlSize->setEnabled(!chkParentSize->isChecked());
    const int size = cmbPhotoSize->currentIndex();
    edtPhotoScale->setEnabled(size == Ord(TPhotoSize::psScale));
    cmbScaleLimit->setEnabled(size != Ord(TPhotoSize::psScale));
    grpProtrude->setEnabled(size == Ord(TPhotoSize::psLarge));
    pnlProtrude->setEnabled(!chkParentProtrude->isChecked());
    pnlBack->setEnabled(!chkParentBack->isChecked());
}

void TfrmAreaProp::editBackground()
{
    if (!FArea)
        return;
    TfrmBackground dialog(this, FIni);
    dialog.SetBackground(&FArea->Background());
    dialog.exec();
    imgBackground->Refresh();
}

void TfrmAreaProp::accept()
{
    CommitNumberEdits(this);
    if (!CheckNumberEdits(this))
        return;
    if (FArea) {
        TPhotoArea &a = *FArea;
        a.SetParentHorizontalAlign(chkParentAlign->isChecked());
        a.SetParentVerticalAlign(chkParentAlign->isChecked());
        if (!chkParentAlign->isChecked()) {
            a.SetHorizontalAlign(static_cast<TPhotoAlign>(rdgHorzAlign->checkedId()));
            a.SetVerticalAlign(static_cast<TPhotoAlign>(rdgVertAlign->checkedId()));
        }
        a.SetParentRotate(chkParentRotate->isChecked());
        if (!chkParentRotate->isChecked())
            a.SetRotate(static_cast<TPhotoRotate>(cmbRotate->currentIndex()));
        a.SetParentPhotoSize(chkParentSize->isChecked());
        if (!chkParentSize->isChecked()) {
            a.SetPhotoSize(static_cast<TPhotoSize>(cmbPhotoSize->currentIndex()));
            a.SetPhotoScale(edtPhotoScale->Value() / 100);
            a.SetScaleLimit(static_cast<TPhotoLimitMode>(cmbScaleLimit->currentIndex()));
            a.SetParentProtrudeWidth(chkParentProtrude->isChecked());
            if (!chkParentProtrude->isChecked())
                a.SetProtrudeWidth(edtProtrudeWidth->Value());
        }
        a.SetParentBackground(chkParentBack->isChecked());
    }
    QDialog::accept();
}

void TfrmAreaProp::reject()
{
    if (FArea) {
        // Editing the background cleared the inheritance flag; both go back.
        FArea->BeginParentChange();
        FArea->Background().Assign(FBackSave);
        FArea->EndParentChange();
        FArea->SetParentBackground(FParentBackSave);
    }
    QDialog::reject();
}

void TfrmAreaProp::done(int result)
{
    TFormPlacement(this, FIni).Save();
    QDialog::done(result);
}

} // namespace vellora
