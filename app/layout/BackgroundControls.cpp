#include "app/layout/BackgroundControls.h"

#include "app/controls/NumberEdit.h"
#include "app/layout/BackgroundDialog.h"
#include "app/layout/DialogParts.h"
#include "app/layout/SelImageDialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace vellora {

TFramePage::TFramePage(QWidget *page, const TFramePageCaptions &captions)
{
    cmbFrameStyle = makeComboBox(page, QStringLiteral("cmbFrameStyle"), FrameStyleNames());
    cmbFrameColor = new TColorBox(page, QStringLiteral("cmbFrameColor"));
    edtFrameWidth = makeNumberEdit(page, QStringLiteral("edtFrameWidth"), captions.widthDecimals, 0, 10,
                                   captions.widthStep);
    cmbFrameJoin = makeComboBox(page, QStringLiteral("cmbFrameJoin"), JoinStyleNames());
    cmbFrameEndCap = makeComboBox(page, QStringLiteral("cmbFrameEndCap"), EndCapNames());
    auto *fl = new QGridLayout(page);
    fl->addWidget(new QLabel(QCoreApplication::translate("vellora::TPictureControls", "線の種類"), page), 0, 0);
    fl->addWidget(cmbFrameStyle, 0, 1);
    fl->addWidget(new QLabel(QCoreApplication::translate("vellora::TPictureControls", "色"), page), 1, 0);
    fl->addWidget(cmbFrameColor, 1, 1);
    fl->addWidget(new QLabel(QCoreApplication::translate("vellora::TPictureControls", "線幅"), page), 2, 0);
    fl->addWidget(edtFrameWidth, 2, 1);
    fl->addWidget(new QLabel(QStringLiteral("mm"), page), 2, 2);
    fl->addWidget(new QLabel(captions.join, page), 3, 0);
    fl->addWidget(cmbFrameJoin, 3, 1);
    fl->addWidget(new QLabel(captions.endCap, page), 4, 0);
    fl->addWidget(cmbFrameEndCap, 4, 1);
    fl->setRowStretch(5, 1);
    fl->setColumnStretch(3, 1);
}

void TFramePage::Load(const TFrames &frame)
{
    cmbFrameStyle->setCurrentIndex(Ord(frame.Style()));
    cmbFrameColor->SetColor(frame.Color());
    edtFrameWidth->SetValue(frame.Width());
    cmbFrameJoin->setCurrentIndex(Ord(frame.JoinStyle()));
    cmbFrameEndCap->setCurrentIndex(Ord(frame.EndCap()));
}

void TFramePage::Store(TFrames &frame) const
{
    frame.SetStyle(static_cast<TFrameStyle>(cmbFrameStyle->currentIndex()));
    frame.SetColor(cmbFrameColor->Color());
    frame.SetWidth(edtFrameWidth->Value());
    frame.SetJoinStyle(static_cast<TFrameJoinStyle>(cmbFrameJoin->currentIndex()));
    frame.SetEndCap(static_cast<TFrameEndCap>(cmbFrameEndCap->currentIndex()));
}

TPictureControls::TPictureControls(QWidget *parent, QSize previewSize, const QString &transparentButtonCaption,
                                   TExtIniFile *ini)
    : QObject(parent), FParent(parent), FIni(ini)
{
    imgPicture = new QLabel(parent);
    imgPicture->setObjectName(QStringLiteral("imgPicture"));
    imgPicture->setFixedSize(previewSize);
    imgPicture->setFrameShape(QFrame::StyledPanel);
    imgPicture->setAlignment(Qt::AlignCenter);
    imgPicture->installEventFilter(this);
    shpTransparent = new QLabel(parent);
    shpTransparent->setObjectName(QStringLiteral("shpTransparent"));
    shpTransparent->setFixedSize(24, 16);
    shpTransparent->setToolTip(tr("透過色"));
    btnTransparentColor = new QPushButton(transparentButtonCaption, parent);
    btnTransparentColor->setObjectName(QStringLiteral("btnTransparentColor"));
    connect(btnTransparentColor, &QPushButton::clicked, this, &TPictureControls::Choose);
}

void TPictureControls::Load(const QImage &bitmap, TColor transparentColor)
{
    FBitmap = bitmap;
    FTransparentColor = transparentColor;
    update();
}

void TPictureControls::Choose()
{
    TfrmSelImage dialog(FParent->window(), FIni);
    dialog.SetBitmap(FBitmap);
    dialog.SetBackgroundColor(FTransparentColor);
    if (dialog.exec() != QDialog::Accepted)
        return;
    FBitmap = dialog.Bitmap();
    FTransparentColor = dialog.BackgroundColor();
    update();
}

bool TPictureControls::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == imgPicture && event->type() == QEvent::MouseButtonDblClick) {
        Choose();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void TPictureControls::update()
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

QDialogButtonBox *makeOkCancelButtons(QDialog *dialog)
{
    auto *buttons = new QDialogButtonBox(dialog);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("btnOk"));
    buttons->addButton(QCoreApplication::translate("vellora::TPictureControls", "キャンセル(&C)"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("btnCancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

} // namespace vellora
