#include "app/layout/PropImageDialog.h"

#include "app/layout/BackgroundDialog.h"
#include "app/layout/DialogParts.h"
#include "app/layout/SelAreaDialog.h"
#include "app/layout/SelImageDialog.h"
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

namespace {

QComboBox *combo(QWidget *parent, const QString &name, const QStringList &items)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(items);
    return box;
}

} // namespace

TfrmPropImage::TfrmPropImage(QWidget *parent, TExtIniFile *ini) : QDialog(parent), FIni(ini)
{
    setObjectName(QStringLiteral("frmPropImage"));
    setWindowTitle(QStringLiteral("イメージ領域のプロパティ"));
    auto *tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("pgcPropImage"));

    // "イメージ"
    auto *image = new QWidget;
    image->setObjectName(QStringLiteral("tabImage"));
    imgPicture = new QLabel(image);
    imgPicture->setObjectName(QStringLiteral("imgPicture"));
    imgPicture->setFixedSize(140, 100);
    imgPicture->setFrameShape(QFrame::StyledPanel);
    imgPicture->setAlignment(Qt::AlignCenter);
    imgPicture->installEventFilter(this);
    auto *btnLoad = new QPushButton(QStringLiteral("画像の読み込み(&L)..."), image);
    btnLoad->setObjectName(QStringLiteral("btnLoad"));
    cmbColor = new TColorBox(image, QStringLiteral("cmbColor"));
    edtClear = makeNumberEdit(image, QStringLiteral("edtClear"), 0, 0, 100);
    chkTransparent = new QCheckBox(QStringLiteral("背景を透過する"), image);
    chkTransparent->setObjectName(QStringLiteral("chkTransparent"));
    shpTransparent = new QLabel(image);
    shpTransparent->setObjectName(QStringLiteral("shpTransparent"));
    shpTransparent->setFixedSize(24, 16);
    shpTransparent->setToolTip(QStringLiteral("透過色"));
    auto *btnTransparent = new QPushButton(QStringLiteral("透過色の選択"), image);
    btnTransparent->setObjectName(QStringLiteral("btnTransparentColor"));
    cmbAngle = combo(image, QStringLiteral("cmbAngle"),
                     {QStringLiteral("そのまま"), QStringLiteral("90度回転"), QStringLiteral("180度回転"), QStringLiteral("270度回転")});
    cmbDrawStyle = combo(image, QStringLiteral("cmbDrawStyle"),
                         {QStringLiteral("オリジナル"), QStringLiteral("領域に合わせて拡大・縮小"),
                          QStringLiteral("縦横比を保持して拡大・縮小"), QStringLiteral("タイル状に並べる")});
    chkLink = new QCheckBox(QStringLiteral("画像を写真エリアから取得する"), image);
    chkLink->setObjectName(QStringLiteral("chkLink"));
    edtLinkArea = makeNumberEdit(image, QStringLiteral("edtLinkArea"), 0, 1, 1);
    btnSelArea = new QPushButton(QStringLiteral("エリア選択(&A)..."), image);
    btnSelArea->setObjectName(QStringLiteral("btnSelArea"));
    auto *il = new QGridLayout(image);
    il->addWidget(imgPicture, 0, 0, 3, 1);
    il->addWidget(btnLoad, 0, 1, 1, 2);
    il->addWidget(new QLabel(QStringLiteral("背景色"), image), 1, 1);
    il->addWidget(cmbColor, 1, 2);
    il->addWidget(new QLabel(QStringLiteral("透明度"), image), 2, 1);
    il->addWidget(edtClear, 2, 2);
    il->addWidget(chkTransparent, 3, 0);
    auto *tl = new QHBoxLayout;
    tl->addWidget(new QLabel(QStringLiteral("透過色"), image));
    tl->addWidget(shpTransparent);
    tl->addWidget(btnTransparent);
    il->addLayout(tl, 3, 1, 1, 2);
    il->addWidget(new QLabel(QStringLiteral("回転"), image), 4, 0);
    il->addWidget(cmbAngle, 4, 1, 1, 2);
    il->addWidget(new QLabel(QStringLiteral("描画方法"), image), 5, 0);
    il->addWidget(cmbDrawStyle, 5, 1, 1, 2);
    il->addWidget(chkLink, 6, 0, 1, 3);
    il->addWidget(edtLinkArea, 7, 1);
    il->addWidget(btnSelArea, 7, 2);
    tabs->addTab(image, QStringLiteral("イメージ"));

    // "枠"
    auto *frame = new QWidget;
    frame->setObjectName(QStringLiteral("tabFrame"));
    cmbFrameStyle = combo(frame, QStringLiteral("cmbFrameStyle"), FrameStyleNames());
    cmbFrameColor = new TColorBox(frame, QStringLiteral("cmbFrameColor"));
    edtFrameWidth = makeNumberEdit(frame, QStringLiteral("edtFrameWidth"), 2, 0, 10, 0.25);
    cmbFrameJoin = combo(frame, QStringLiteral("cmbFrameJoin"), JoinStyleNames());
    cmbFrameEndCap = combo(frame, QStringLiteral("cmbFrameEndCap"), EndCapNames());
    auto *fl = new QGridLayout(frame);
    fl->addWidget(new QLabel(QStringLiteral("線の種類"), frame), 0, 0);
    fl->addWidget(cmbFrameStyle, 0, 1);
    fl->addWidget(new QLabel(QStringLiteral("色"), frame), 1, 0);
    fl->addWidget(cmbFrameColor, 1, 1);
    fl->addWidget(new QLabel(QStringLiteral("線幅"), frame), 2, 0);
    fl->addWidget(edtFrameWidth, 2, 1);
    fl->addWidget(new QLabel(QStringLiteral("mm"), frame), 2, 2);
    fl->addWidget(new QLabel(QStringLiteral("結合部"), frame), 3, 0);
    fl->addWidget(cmbFrameJoin, 3, 1);
    fl->addWidget(new QLabel(QStringLiteral("端点"), frame), 4, 0);
    fl->addWidget(cmbFrameEndCap, 4, 1);
    fl->setRowStretch(5, 1);
    tabs->addTab(frame, QStringLiteral("枠"));

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("btnOk"));
    buttons->addButton(QStringLiteral("キャンセル(&C)"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmPropImage::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmPropImage::reject);
    auto *l = new QVBoxLayout(this);
    l->addWidget(tabs);
    l->addWidget(buttons);

    connect(btnLoad, &QPushButton::clicked, this, &TfrmPropImage::chooseImage);
    connect(btnTransparent, &QPushButton::clicked, this, &TfrmPropImage::chooseImage);
    connect(chkLink, &QCheckBox::toggled, this, &TfrmPropImage::updateEnabling);
    connect(btnSelArea, &QPushButton::clicked, this, &TfrmPropImage::selectArea);
    TFormPlacement(this, FIni).Restore();
}

void TfrmPropImage::SetArea(TImageArea *area)
{
    FArea = area;
    FBitmap = area->Bitmap();
    FTransparentColor = area->TransparentColor();
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
    const TFrames &frame = area->Background().Frame();
    cmbFrameStyle->setCurrentIndex(Ord(frame.Style()));
    cmbFrameColor->SetColor(frame.Color());
    edtFrameWidth->SetValue(frame.Width());
    cmbFrameJoin->setCurrentIndex(Ord(frame.JoinStyle()));
    cmbFrameEndCap->setCurrentIndex(Ord(frame.EndCap()));
    updatePicture();
    updateEnabling();
}

void TfrmPropImage::updatePicture()
{
    if (FBitmap.isNull())
        imgPicture->setPixmap(QPixmap());
    else
        imgPicture->setPixmap(QPixmap::fromImage(
            FBitmap.scaled(imgPicture->size() - QSize(4, 4), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    QPixmap swatch(shpTransparent->size());
    swatch.fill(ToQColor(FTransparentColor));
    shpTransparent->setPixmap(swatch);
}

void TfrmPropImage::updateEnabling()
{
    edtLinkArea->setEnabled(chkLink->isChecked());
    btnSelArea->setEnabled(chkLink->isChecked());
}

void TfrmPropImage::chooseImage()
{
    TfrmSelImage dialog(this, FIni);
    dialog.SetBitmap(FBitmap);
    dialog.SetBackgroundColor(FTransparentColor);
    if (dialog.exec() != QDialog::Accepted)
        return;
    FBitmap = dialog.Bitmap();
    FTransparentColor = dialog.BackgroundColor();
    updatePicture();
}

void TfrmPropImage::selectArea()
{
    if (!FArea || !FArea->Paper())
        return;
    TfrmSelArea dialog(this, FIni);
    dialog.SetSelectionMode(TSelectionMode::smSelectOnly);
    dialog.SetPaper(FArea->Paper());
    dialog.SetSelected(edtLinkArea->AsInteger() - 1);
    if (dialog.exec() == QDialog::Accepted)
        edtLinkArea->SetValue(dialog.Selected() + 1);
}

bool TfrmPropImage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == imgPicture && event->type() == QEvent::MouseButtonDblClick) {
        chooseImage();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmPropImage::accept()
{
    CommitNumberEdits(this);
    if (FArea) {
        TImageArea &a = *FArea;
        a.Background().Fill().SetStyle(TFillStyle::fisImage);
        a.SetColor(cmbColor->Color());
        a.SetClearLevel(static_cast<std::uint8_t>(edtClear->AsInteger()));
        a.SetTransparent(chkTransparent->isChecked());
        a.SetTransparentColor(FTransparentColor);
        a.SetAngle(static_cast<TTextAngle>(cmbAngle->currentIndex()));
        a.SetDrawStyle(static_cast<TImageDrawMode>(cmbDrawStyle->currentIndex()));
        a.SetLink(chkLink->isChecked());
        if (chkLink->isChecked())
            a.SetLinkAreaIndex(edtLinkArea->AsInteger() - 1);
        a.SetBitmap(FBitmap);
        TFrames &frame = a.Background().Frame();
        frame.SetStyle(static_cast<TFrameStyle>(cmbFrameStyle->currentIndex()));
        frame.SetColor(cmbFrameColor->Color());
        frame.SetWidth(edtFrameWidth->Value());
        frame.SetJoinStyle(static_cast<TFrameJoinStyle>(cmbFrameJoin->currentIndex()));
        frame.SetEndCap(static_cast<TFrameEndCap>(cmbFrameEndCap->currentIndex()));
    }
    QDialog::accept();
}

void TfrmPropImage::done(int result)
{
    TFormPlacement(this, FIni).Save();
    QDialog::done(result);
}

} // namespace vellora
