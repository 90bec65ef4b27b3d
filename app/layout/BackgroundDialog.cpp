#include "app/layout/BackgroundDialog.h"

#include "app/layout/BackgroundControls.h"
#include "app/layout/DialogParts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include "app/controls/NumberEdit.h"
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vellora {

namespace {

TUpdownNumberEdit *clearEdit(QWidget *parent, const QString &name)
{
    return makeNumberEdit(parent, name, 0, 0, 100);
}

QString clearHint() { return QCoreApplication::translate("vellora::TfrmBackground", "(0: 不透明 ～ 100: 透明)"); }

} // namespace

const QStringList &FrameStyleNames()
{
    static const QStringList names{QCoreApplication::translate("vellora::TfrmBackground", "なし"),     QCoreApplication::translate("vellora::TfrmBackground", "実線"),     QCoreApplication::translate("vellora::TfrmBackground", "破線"),
                                   QCoreApplication::translate("vellora::TfrmBackground", "点線"),     QCoreApplication::translate("vellora::TfrmBackground", "一点鎖線"), QCoreApplication::translate("vellora::TfrmBackground", "二点鎖線")};
    return names;
}
const QStringList &JoinStyleNames()
{
    static const QStringList names{QCoreApplication::translate("vellora::TfrmBackground", "ベベル"), QCoreApplication::translate("vellora::TfrmBackground", "マイター"), QCoreApplication::translate("vellora::TfrmBackground", "ラウンド")};
    return names;
}
const QStringList &EndCapNames()
{
    static const QStringList names{QCoreApplication::translate("vellora::TfrmBackground", "ラウンド"), QCoreApplication::translate("vellora::TfrmBackground", "スクエア"), QCoreApplication::translate("vellora::TfrmBackground", "フラット")};
    return names;
}

TfrmBackground::TfrmBackground(QWidget *parent, TExtIniFile *ini) : QDialog(parent), FIni(ini)
{
    setObjectName(QStringLiteral("frmBackground"));
    setWindowTitle(tr("枠と背景の設定"));
    pgcBackground = new QTabWidget(this);
    pgcBackground->setObjectName(QStringLiteral("pgcBackground"));

    // "枠"
    auto *frame = new QWidget;
    frame->setObjectName(QStringLiteral("tabFrame"));
    FFramePage = std::make_unique<TFramePage>(
        frame, TFramePageCaptions{tr("線の結合部"), tr("線の終端"), 1, 1.0});
    pgcBackground->addTab(frame, tr("枠"));

    // "背景"
    auto *back = new QWidget;
    back->setObjectName(QStringLiteral("tabBack"));
    cmbFillStyle = makeComboBox(back, QStringLiteral("cmbFillStyle"),
                         {tr("なし"), tr("単色塗りつぶし"), tr("グラデーション塗りつぶし"),
                          tr("イメージ")});
    pgcFill = new QStackedWidget(back);
    pgcFill->setObjectName(QStringLiteral("pgcFill"));
    pgcFill->addWidget(new QWidget);   // "なし" shows no page

    auto *solid = new QWidget;
    solid->setObjectName(QStringLiteral("tabSolid"));
    cmbSolidColor = new TColorBox(solid, QStringLiteral("cmbSolidColor"));
    edtSolidClear = clearEdit(solid, QStringLiteral("edtSolidClear"));
    auto *sl = new QGridLayout(solid);
    sl->addWidget(new QLabel(tr("塗りつぶしの色"), solid), 0, 0);
    sl->addWidget(cmbSolidColor, 0, 1);
    sl->addWidget(new QLabel(tr("透明度"), solid), 1, 0);
    sl->addWidget(edtSolidClear, 1, 1);
    sl->addWidget(new QLabel(clearHint(), solid), 1, 2);
    sl->setRowStretch(2, 1);
    pgcFill->addWidget(solid);

    auto *grad = new QWidget;
    grad->setObjectName(QStringLiteral("tabGradient"));
    cmbStartColor = new TColorBox(grad, QStringLiteral("cmbStartColor"));
    cmbEndColor = new TColorBox(grad, QStringLiteral("cmbEndColor"));
    rdgDirection = new QButtonGroup(this);
    auto *rh = new QRadioButton(tr("横"), grad);
    rh->setObjectName(QStringLiteral("rdoGradHorz"));
    auto *rv = new QRadioButton(tr("縦"), grad);
    rv->setObjectName(QStringLiteral("rdoGradVert"));
    rdgDirection->addButton(rh, 0);
    rdgDirection->addButton(rv, 1);
    imgGradient = new TBackgroundSample(grad, QStringLiteral("imgGradient"));
    imgGradient->setFixedSize(110, 70);
    edtGradientClear = clearEdit(grad, QStringLiteral("edtGradientClear"));
    auto *gl = new QGridLayout(grad);
    gl->addWidget(new QLabel(tr("開始色"), grad), 0, 0);
    gl->addWidget(cmbStartColor, 0, 1);
    gl->addWidget(new QLabel(tr("終了色"), grad), 1, 0);
    gl->addWidget(cmbEndColor, 1, 1);
    gl->addWidget(new QLabel(tr("方向"), grad), 2, 0);
    auto *dirs = new QHBoxLayout;
    dirs->addWidget(rh);
    dirs->addWidget(rv);
    gl->addLayout(dirs, 2, 1);
    gl->addWidget(new QLabel(tr("サンプル"), grad), 0, 2);
    gl->addWidget(imgGradient, 1, 2, 3, 1);
    gl->addWidget(new QLabel(tr("透明度"), grad), 4, 0);
    gl->addWidget(edtGradientClear, 4, 1);
    gl->addWidget(new QLabel(clearHint(), grad), 4, 2);
    gl->setRowStretch(5, 1);
    pgcFill->addWidget(grad);

    auto *image = new QWidget;
    image->setObjectName(QStringLiteral("tabImage"));
    FPicture = new TPictureControls(image, QSize(110, 80), tr("透過色の選択..."), FIni);
    auto *btnImage = new QPushButton(tr("画像の変更(&I)..."), image);
    btnImage->setObjectName(QStringLiteral("btnImage"));
    cmbImageColor = new TColorBox(image, QStringLiteral("cmbImageColor"));
    edtImageClear = clearEdit(image, QStringLiteral("edtImageClear"));
    chkTransparent = new QCheckBox(tr("指定の色を透過する"), image);
    chkTransparent->setObjectName(QStringLiteral("chkTransparent"));
    cmbImageDraw = makeComboBox(image, QStringLiteral("cmbImageDraw"),
                         {tr("実際のサイズで描画する"), tr("拡大・縮小して全体に描画する"),
                          tr("縦横比を保持したまま拡大・縮小する"), tr("タイリングする")});
    chkOverAll = new QCheckBox(tr("全体に描画されるようにする"), image);
    chkOverAll->setObjectName(QStringLiteral("chkOverAll"));
    auto *il = new QGridLayout(image);
    il->addWidget(FPicture->Preview(), 0, 0, 2, 1);
    il->addWidget(btnImage, 0, 1, 1, 2);
    il->addWidget(new QLabel(tr("背景色"), image), 1, 1);
    il->addWidget(cmbImageColor, 1, 2);
    il->addWidget(new QLabel(tr("透明度"), image), 2, 0);
    il->addWidget(edtImageClear, 2, 1);
    il->addWidget(new QLabel(clearHint(), image), 2, 2);
    il->addWidget(chkTransparent, 3, 0);
    il->addWidget(new QLabel(tr("透過色"), image), 3, 1);
    auto *tl = new QHBoxLayout;
    tl->addWidget(FPicture->Swatch());
    tl->addWidget(FPicture->TransparentButton());
    il->addLayout(tl, 3, 2);
    il->addWidget(cmbImageDraw, 4, 0, 1, 3);
    il->addWidget(chkOverAll, 5, 0, 1, 3);
    il->setRowStretch(6, 1);
    pgcFill->addWidget(image);

    auto *bl = new QGridLayout(back);
    bl->addWidget(new QLabel(tr("スタイル"), back), 0, 0);
    bl->addWidget(cmbFillStyle, 0, 1);
    bl->addWidget(pgcFill, 1, 0, 1, 3);
    bl->setColumnStretch(2, 1);
    pgcBackground->addTab(back, tr("背景"));

    auto *buttons = makeOkCancelButtons(this);
    auto *l = new QVBoxLayout(this);
    l->addWidget(pgcBackground);
    l->addWidget(buttons);

    for (TUpdownNumberEdit *e : {edtSolidClear, edtGradientClear, edtImageClear})
        connect(e, &TNumberEdit::valueChanged, this, &TfrmBackground::setClearLevel);
    connect(cmbFillStyle, &QComboBox::currentIndexChanged, this, &TfrmBackground::fillStyleChosen);
    connect(cmbStartColor, &TColorBox::colorChosen, this, &TfrmBackground::updateGradientSample);
    connect(cmbEndColor, &TColorBox::colorChosen, this, &TfrmBackground::updateGradientSample);
    connect(rdgDirection, &QButtonGroup::idClicked, this, &TfrmBackground::updateGradientSample);
    connect(cmbImageDraw, &QComboBox::currentIndexChanged, this, &TfrmBackground::updateEnabling);
    connect(btnImage, &QPushButton::clicked, FPicture, &TPictureControls::Choose);
    imgGradient->SetBackground(&FGradientSample);
    TFormPlacement(this, FIni).Restore();
}

TfrmBackground::~TfrmBackground()
{
    DisconnectChildren(this);
}

void TfrmBackground::SetBackground(TBackground *background)
{
    FBackground = background;
    const TBackFill &fill = background->Fill();
    FFramePage->Load(background->Frame());
    // Every page starts from the fill's own values, so switching styles
    // keeps what the fill already had.
    cmbSolidColor->SetColor(fill.Color());
    cmbStartColor->SetColor(fill.StartColor());
    cmbEndColor->SetColor(fill.EndColor());
    rdgDirection->button(fill.GradientDirection() == TGradientDirection::gdVertical ? 1 : 0)->setChecked(true);
    cmbImageColor->SetColor(fill.Color());
    setClearLevel(fill.ClearLevel());
    FPicture->Load(fill.Bitmap(), fill.TransparentColor());
    chkTransparent->setChecked(fill.Transparent());
    cmbImageDraw->setCurrentIndex(Ord(fill.ImageDrawStyle()));
    chkOverAll->setChecked(fill.OverAll());
    cmbFillStyle->setCurrentIndex(Ord(fill.Style()));
    fillStyleChosen(cmbFillStyle->currentIndex());
    updateGradientSample();
    updateEnabling();
}

void TfrmBackground::setClearLevel(int level)
{
    for (TUpdownNumberEdit *e : {edtSolidClear, edtGradientClear, edtImageClear}) {
        if (e->Value() != level) {
            const QSignalBlocker block(e);
            e->SetValue(level);
        }
    }
    updateGradientSample();
}

void TfrmBackground::fillStyleChosen(int index)
{
    pgcFill->setCurrentIndex(std::max(0, index));
}

void TfrmBackground::updateGradientSample()
{
    TBackFill &fill = FGradientSample.Fill();
    fill.SetStyle(TFillStyle::fisGradient);
    fill.SetStartColor(cmbStartColor->Color());
    fill.SetEndColor(cmbEndColor->Color());
    fill.SetGradientDirection(rdgDirection->checkedId() == 1 ? TGradientDirection::gdVertical
                                                             : TGradientDirection::gdHorizontal);
    fill.SetClearLevel(static_cast<std::uint8_t>(edtGradientClear->AsInteger()));
    imgGradient->Refresh();
}

void TfrmBackground::updateEnabling()
{
    chkOverAll->setEnabled(cmbImageDraw->currentIndex() == Ord(TImageDrawMode::idmProportional));
}

void TfrmBackground::accept()
{
    CommitNumberEdits(this);
    if (!CheckNumberEdits(this))
        return;
    if (FBackground) {
        FFramePage->Store(FBackground->Frame());
        TBackFill &fill = FBackground->Fill();
        const auto style = static_cast<TFillStyle>(cmbFillStyle->currentIndex());
        fill.SetStyle(style);
        const auto level = static_cast<std::uint8_t>(edtSolidClear->AsInteger());
        switch (style) {
        case TFillStyle::fisSolid:
            fill.SetColor(cmbSolidColor->Color());
            fill.SetClearLevel(level);
            break;
        case TFillStyle::fisGradient:
            fill.SetStartColor(cmbStartColor->Color());
            fill.SetEndColor(cmbEndColor->Color());
            fill.SetGradientDirection(rdgDirection->checkedId() == 1 ? TGradientDirection::gdVertical
                                                                     : TGradientDirection::gdHorizontal);
            fill.SetClearLevel(level);
            break;
        case TFillStyle::fisImage: {
            fill.SetBitmap(FPicture->Bitmap());
            fill.SetColor(cmbImageColor->Color());
            fill.SetClearLevel(level);
            fill.SetTransparent(chkTransparent->isChecked());
            fill.SetTransparentColor(FPicture->TransparentColor());
            const auto mode = static_cast<TImageDrawMode>(cmbImageDraw->currentIndex());
            fill.SetImageDrawStyle(mode);
            if (mode == TImageDrawMode::idmProportional)
                fill.SetOverAll(chkOverAll->isChecked());
            break;
        }
        case TFillStyle::fisNone:
            break;
        }
    }
    QDialog::accept();
}

void TfrmBackground::done(int result)
{
    TFormPlacement(this, FIni).Save();
    QDialog::done(result);
}

} // namespace vellora
