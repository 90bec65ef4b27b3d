#include "app/ImageOptionDialog.h"

#include "app/CommentDialog.h"
#include "app/FormSettings.h"
#include "model/ImageInfo.h"
#include "settings/IniFile.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>

namespace vellora {

namespace {

constexpr int kIndividual = 2;   // "個別に指定する" = pamOrigin

QComboBox *combo(QWidget *parent, const char *name, std::initializer_list<const char *> items) {
    auto *c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    for (const char *i : items)
        c->addItem(QCoreApplication::translate("vellora::TfrmImageOpt", i));
    return c;
}

QComboBox *parentCombo(QWidget *parent, const char *name) {
    return combo(parent, name, {QT_TRANSLATE_NOOP("vellora::TfrmImageOpt", "ドキュメントの設定に合わせる"), QT_TRANSLATE_NOOP("vellora::TfrmImageOpt", "写真エリアの設定に合わせる"), QT_TRANSLATE_NOOP("vellora::TfrmImageOpt", "個別に指定する")});
}

} // namespace

TfrmImageOpt::TfrmImageOpt(QWidget *parent, TExtIniFile *ini) : QDialog(parent), FIni(ini) {
    setObjectName(QStringLiteral("frmImageOpt"));
    setWindowTitle(tr("画像のプロパティ"));
    auto *box = new QVBoxLayout(this);
    pgcMain = new QTabWidget(this);
    pgcMain->setObjectName(QStringLiteral("pgcMain"));
    box->addWidget(pgcMain, 1);

    // Page "配置".
    auto *place = new QWidget(pgcMain);
    place->setObjectName(QStringLiteral("tabPlace"));
    auto *placeBox = new QVBoxLayout(place);

    auto *grpAlign = new QGroupBox(tr("位置揃え"), place);
    auto *alignForm = new QFormLayout(grpAlign);
    cmbParentAlign = parentCombo(grpAlign, "cmbParentAlign");
    alignForm->addRow(tr("基準"), cmbParentAlign);
    pnlAlign = new QWidget(grpAlign);
    pnlAlign->setObjectName(QStringLiteral("pnlAlign"));
    auto *alignPanel = new QFormLayout(pnlAlign);
    alignPanel->setContentsMargins(0, 0, 0, 0);
    cmbHorzAlign = combo(pnlAlign, "cmbHorzAlign", {QT_TR_NOOP("左"), QT_TR_NOOP("中央"), QT_TR_NOOP("右")});
    cmbVertAlign = combo(pnlAlign, "cmbVertAlign", {QT_TR_NOOP("上"), QT_TR_NOOP("中央"), QT_TR_NOOP("下")});
    alignPanel->addRow(tr("水平位置"), cmbHorzAlign);
    alignPanel->addRow(tr("垂直位置"), cmbVertAlign);
    alignForm->addRow(pnlAlign);
    placeBox->addWidget(grpAlign);

    auto *grpSize = new QGroupBox(tr("サイズ"), place);
    auto *sizeForm = new QFormLayout(grpSize);
    cmbParentSize = parentCombo(grpSize, "cmbParentSize");
    sizeForm->addRow(tr("基準"), cmbParentSize);
    pnlSize = new QWidget(grpSize);
    pnlSize->setObjectName(QStringLiteral("pnlSize"));
    auto *sizePanel = new QFormLayout(pnlSize);
    sizePanel->setContentsMargins(0, 0, 0, 0);
    cmbPhotoSize = combo(pnlSize, "cmbPhotoSize",
                         {QT_TR_NOOP("写真全体が印刷されるようにする"), QT_TR_NOOP("エリア全体に印刷する"), QT_TR_NOOP("エリアより一回り大きく印刷する"),
                          QT_TR_NOOP("倍率を指定する")});
    sizePanel->addRow(tr("印刷方法"), cmbPhotoSize);
    auto *scaleRow = new QWidget(pnlSize);
    auto *scaleBox = new QHBoxLayout(scaleRow);
    scaleBox->setContentsMargins(0, 0, 0, 0);
    edtScale = new QDoubleSpinBox(scaleRow);
    edtScale->setObjectName(QStringLiteral("edtScale"));
    edtScale->setDecimals(2);
    edtScale->setSingleStep(10);
    // The same range as the layout dialog's scale: 0 would print nothing.
    edtScale->setRange(10, 1000);
    auto *percent = new QLabel(QStringLiteral("%"), scaleRow);
    scaleBox->addWidget(edtScale);
    scaleBox->addWidget(percent);
    scaleBox->addStretch();
    auto *lblScale = new QLabel(tr("倍率"), pnlSize);
    sizePanel->addRow(lblScale, scaleRow);
    FScaleWidgets = {lblScale, edtScale, percent};
    cmbSizeLimit = combo(pnlSize, "cmbSizeLimit", {QT_TR_NOOP("制限なし"), QT_TR_NOOP("拡大だけ許可"), QT_TR_NOOP("縮小だけ許可")});
    auto *lblLimit = new QLabel(tr("サイズ制限"), pnlSize);
    sizePanel->addRow(lblLimit, cmbSizeLimit);
    FLimitWidgets = {lblLimit, cmbSizeLimit};
    sizeForm->addRow(pnlSize);
    placeBox->addWidget(grpSize);

    auto *grpRotate = new QGroupBox(tr("向き"), place);
    auto *rotateForm = new QFormLayout(grpRotate);
    cmbParentRotate = parentCombo(grpRotate, "cmbParentRotate");
    rotateForm->addRow(tr("基準"), cmbParentRotate);
    cmbRotate = combo(grpRotate, "cmbRotate",
                      {QT_TR_NOOP("回転しない"), QT_TR_NOOP("エリアの向きに合わせる"), QT_TR_NOOP("90度回転する"), QT_TR_NOOP("180度回転する"), QT_TR_NOOP("270度回転する")});
    auto *lblRotate = new QLabel(tr("回転方法"), grpRotate);
    rotateForm->addRow(lblRotate, cmbRotate);
    FRotateWidgets = {lblRotate, cmbRotate};
    placeBox->addWidget(grpRotate);
    placeBox->addStretch();
    pgcMain->addTab(place, tr("配置"));

    // Page "印刷枚数".
    auto *copies = new QWidget(pgcMain);
    copies->setObjectName(QStringLiteral("tabCopies"));
    auto *copiesBox = new QVBoxLayout(copies);
    auto *grpCopies = new QGroupBox(tr("印刷枚数"), copies);
    auto *copiesRow = new QHBoxLayout(grpCopies);
    edtCopies = new QSpinBox(grpCopies);
    edtCopies->setObjectName(QStringLiteral("edtCopies"));
    edtCopies->setRange(0, 99);
    copiesRow->addWidget(edtCopies);
    copiesRow->addWidget(new QLabel(tr("部"), grpCopies));
    copiesRow->addStretch();
    copiesBox->addWidget(grpCopies);
    auto *grpComment = new QGroupBox(tr("コメント"), copies);
    auto *commentRow = new QHBoxLayout(grpComment);
    btnComment = new QPushButton(tr("コメントの設定(&M)..."), grpComment);
    btnComment->setObjectName(QStringLiteral("btnComment"));
    commentRow->addWidget(btnComment);
    commentRow->addStretch();
    copiesBox->addWidget(grpComment);
    copiesBox->addStretch();
    pgcMain->addTab(copies, tr("印刷枚数"));

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    QPushButton *cancel = buttons->addButton(tr("キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    box->addWidget(buttons);

    for (QComboBox *c : {cmbParentAlign, cmbParentSize, cmbPhotoSize, cmbParentRotate})
        connect(c, &QComboBox::currentIndexChanged, this, &TfrmImageOpt::updateEnabling);
    connect(btnComment, &QPushButton::clicked, this, &TfrmImageOpt::editComment);
    updateEnabling();
    if (FIni)
        ReadForm2(*FIni, QStringLiteral("Forms"), this);
}

TfrmImageOpt::~TfrmImageOpt() {
    if (FIni)
        WriteForm2(*FIni, QStringLiteral("Forms"), this);
}

void TfrmImageOpt::SetOption(const TPhotoOption &option) {
    cmbParentAlign->setCurrentIndex(int(option.ParentAlign()));
    cmbHorzAlign->setCurrentIndex(int(option.HorizontalAlign()));
    cmbVertAlign->setCurrentIndex(int(option.VerticalAlign()));
    cmbParentSize->setCurrentIndex(int(option.ParentSize()));
    cmbPhotoSize->setCurrentIndex(int(option.PhotoSize()));
    // A new option's scale is 0: offer 100 % rather than a scale that prints nothing.
    const double scale = option.PhotoScale() * 100;
    edtScale->setValue(scale > 0 ? scale : 100);
    cmbSizeLimit->setCurrentIndex(int(option.ScaleLimit()));
    cmbParentRotate->setCurrentIndex(int(option.ParentRotate()));
    cmbRotate->setCurrentIndex(int(option.Rotate()));
    edtCopies->setValue(option.Copies());
    FComment = option.Comment();
    FCommentEdited = false;
    updateEnabling();
}

void TfrmImageOpt::GetOption(TPhotoOption &option) const {
    option.SetParentAlign(TParentMode(cmbParentAlign->currentIndex()));
    if (cmbParentAlign->currentIndex() == kIndividual) {
        option.SetHorizontalAlign(TPhotoAlign(cmbHorzAlign->currentIndex()));
        option.SetVerticalAlign(TPhotoAlign(cmbVertAlign->currentIndex()));
    }
    option.SetParentSize(TParentMode(cmbParentSize->currentIndex()));
    if (cmbParentSize->currentIndex() == kIndividual) {
        option.SetPhotoSize(TPhotoSize(cmbPhotoSize->currentIndex()));
        option.SetPhotoScale(edtScale->value() / 100);
        option.SetScaleLimit(TPhotoLimitMode(cmbSizeLimit->currentIndex()));
    }
    option.SetParentRotate(TParentMode(cmbParentRotate->currentIndex()));
    if (cmbParentRotate->currentIndex() == kIndividual)
        option.SetRotate(TPhotoRotate(cmbRotate->currentIndex()));
    option.SetCopies(std::uint8_t(edtCopies->value()));
    option.SetComment(FComment);
}

void TfrmImageOpt::SetPage(int page) { pgcMain->setCurrentIndex(page); }

void TfrmImageOpt::updateEnabling() {
    pnlAlign->setEnabled(cmbParentAlign->currentIndex() == kIndividual);
    pnlSize->setEnabled(cmbParentSize->currentIndex() == kIndividual);
    const bool byScale = cmbPhotoSize->currentIndex() == int(TPhotoSize::psScale);
    for (QWidget *w : std::as_const(FScaleWidgets))
        w->setEnabled(byScale);
    for (QWidget *w : std::as_const(FLimitWidgets))
        w->setEnabled(!byScale);
    const bool rotate = cmbParentRotate->currentIndex() == kIndividual;
    for (QWidget *w : std::as_const(FRotateWidgets))
        w->setEnabled(rotate);
}

void TfrmImageOpt::editComment() {
    TfrmComment dialog(this, FIni);
    dialog.SetLines(FComment);
    if (dialog.exec() != QDialog::Accepted)
        return;
    FComment = dialog.Lines();
    FCommentEdited = true;
}

} // namespace vellora
