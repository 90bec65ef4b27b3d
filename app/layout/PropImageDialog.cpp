#include "app/layout/PropImageDialog.h"

#include "app/layout/BackgroundControls.h"
#include "app/layout/DialogParts.h"
#include "model/ImageArea.h"
#include "model/PhotoPaper.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include "app/controls/NumberEdit.h"
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace vellora {

TfrmPropImage::TfrmPropImage(QWidget *parent, TExtIniFile *ini) : QDialog(parent), FIni(ini)
{
    setObjectName(QStringLiteral("frmPropImage"));
    setWindowTitle(tr("イメージ領域のプロパティ"));
    auto *tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("pgcPropImage"));

    // "イメージ"
    auto *image = new QWidget;
    image->setObjectName(QStringLiteral("tabImage"));
    FPicture = new TPictureControls(image, QSize(140, 100), tr("透過色の選択"), FIni);
    auto *btnLoad = new QPushButton(tr("画像の読み込み(&L)..."), image);
    btnLoad->setObjectName(QStringLiteral("btnLoad"));
    cmbColor = new TColorBox(image, QStringLiteral("cmbColor"));
    edtClear = makeNumberEdit(image, QStringLiteral("edtClear"), 0, 0, 100);
    chkTransparent = new QCheckBox(tr("背景を透過する"), image);
    chkTransparent->setObjectName(QStringLiteral("chkTransparent"));
    cmbAngle = makeComboBox(image, QStringLiteral("cmbAngle"),
                     {tr("そのまま"), tr("90度回転"), tr("180度回転"), tr("270度回転")});
    cmbDrawStyle = makeComboBox(image, QStringLiteral("cmbDrawStyle"),
                         {tr("オリジナル"), tr("領域に合わせて拡大・縮小"),
                          tr("縦横比を保持して拡大・縮小"), tr("タイル状に並べる")});
    chkLink = new QCheckBox(tr("画像を写真エリアから取得する"), image);
    chkLink->setObjectName(QStringLiteral("chkLink"));
    edtLinkArea = makeNumberEdit(image, QStringLiteral("edtLinkArea"), 0, 1, 1);
    btnSelArea = new QPushButton(tr("エリア選択(&A)..."), image);
    btnSelArea->setObjectName(QStringLiteral("btnSelArea"));
    auto *il = new QGridLayout(image);
    il->addWidget(FPicture->Preview(), 0, 0, 3, 1);
    il->addWidget(btnLoad, 0, 1, 1, 2);
    il->addWidget(new QLabel(tr("背景色"), image), 1, 1);
    il->addWidget(cmbColor, 1, 2);
    il->addWidget(new QLabel(tr("透明度"), image), 2, 1);
    il->addWidget(edtClear, 2, 2);
    il->addWidget(chkTransparent, 3, 0);
    auto *tl = new QHBoxLayout;
    tl->addWidget(new QLabel(tr("透過色"), image));
    tl->addWidget(FPicture->Swatch());
    tl->addWidget(FPicture->TransparentButton());
    il->addLayout(tl, 3, 1, 1, 2);
    il->addWidget(new QLabel(tr("回転"), image), 4, 0);
    il->addWidget(cmbAngle, 4, 1, 1, 2);
    il->addWidget(new QLabel(tr("描画方法"), image), 5, 0);
    il->addWidget(cmbDrawStyle, 5, 1, 1, 2);
    il->addWidget(chkLink, 6, 0, 1, 3);
    il->addWidget(edtLinkArea, 7, 1);
    il->addWidget(btnSelArea, 7, 2);
    tabs->addTab(image, tr("イメージ"));

    // "枠"
    auto *frame = new QWidget;
    frame->setObjectName(QStringLiteral("tabFrame"));
    FFramePage = std::make_unique<TFramePage>(
        frame, TFramePageCaptions{tr("結合部"), tr("端点"), 2, 0.25});
    tabs->addTab(frame, tr("枠"));

    auto *buttons = makeOkCancelButtons(this);
    auto *l = new QVBoxLayout(this);
    l->addWidget(tabs);
    l->addWidget(buttons);

    connect(btnLoad, &QPushButton::clicked, FPicture, &TPictureControls::Choose);
    connect(chkLink, &QCheckBox::toggled, this, &TfrmPropImage::updateEnabling);
    connect(btnSelArea, &QPushButton::clicked, this, &TfrmPropImage::selectArea);
    TFormPlacement(this, FIni).Restore();
}

TfrmPropImage::~TfrmPropImage() = default;

void TfrmPropImage::SetArea(TImageArea *area)
{
    FArea = area;
    FPicture->Load(area->Bitmap(), area->TransparentColor());
    cmbColor->SetColor(area->Color());
    edtClear->SetValue(area->ClearLevel());
    chkTransparent->setChecked(area->Transparent());
    cmbAngle->setCurrentIndex(Ord(area->Angle()));
    cmbDrawStyle->setCurrentIndex(Ord(area->DrawStyle()));
    chkLink->setChecked(area->Link());
    const TPhotoPaper *paper = area->Paper();
    const int cells = paper ? paper->PhotoAreas().Count() : 1;
    edtLinkArea->SetMin(1);
    edtLinkArea->SetMax(std::max(cells, area->LinkAreaIndex() + 1));
    edtLinkArea->SetValue(area->LinkAreaIndex() + 1);
    FFramePage->Load(area->Background().Frame());
    updateEnabling();
}

void TfrmPropImage::updateEnabling()
{
    edtLinkArea->setEnabled(chkLink->isChecked());
    btnSelArea->setEnabled(chkLink->isChecked());
}

void TfrmPropImage::selectArea()
{
    if (FArea)
        ChooseLinkedArea(this, FIni, FArea->Paper(), edtLinkArea);
}

void TfrmPropImage::accept()
{
    CommitNumberEdits(this);
    if (!CheckNumberEdits(this))
        return;
    if (FArea) {
        TImageArea &a = *FArea;
        a.Background().Fill().SetStyle(TFillStyle::fisImage);
        a.SetColor(cmbColor->Color());
        a.SetClearLevel(static_cast<std::uint8_t>(edtClear->AsInteger()));
        a.SetTransparent(chkTransparent->isChecked());
        a.SetTransparentColor(FPicture->TransparentColor());
        a.SetAngle(static_cast<TTextAngle>(cmbAngle->currentIndex()));
        a.SetDrawStyle(static_cast<TImageDrawMode>(cmbDrawStyle->currentIndex()));
        a.SetLink(chkLink->isChecked());
        if (chkLink->isChecked())
            a.SetLinkAreaIndex(edtLinkArea->AsInteger() - 1);
        a.SetBitmap(FPicture->Bitmap());
        FFramePage->Store(a.Background().Frame());
    }
    QDialog::accept();
}

void TfrmPropImage::done(int result)
{
    TFormPlacement(this, FIni).Save();
    QDialog::done(result);
}

} // namespace vellora
