#include "model/ImageArea.h"

#include "model/ImageInfo.h"
#include "model/PhotoArea.h"
#include "model/PhotoPaper.h"
#include "model/PhotoPlacement.h"
#include "model/PhotoTurn.h"
#include "plugins/SPIBmp.h"

#include <QCoreApplication>
#include <QThread>

namespace vellora {

namespace {

bool onUiThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

TImageArea::TImageArea(TAreas *owner) : TCustomArea(owner)
{
    Background().Fill().SetStyle(TFillStyle::fisImage);
}

std::unique_ptr<TCustomArea> TImageArea::CreateSameClass(TAreas *owner) const
{
    return std::make_unique<TImageArea>(owner);
}

void TImageArea::Assign(const TCustomArea &source)
{
    if (&source == this)
        return;
    TCustomArea::Assign(source);
    if (const auto *image = dynamic_cast<const TImageArea *>(&source))
        FLink = image->FLink;
}

void TImageArea::PreparePicture()
{
    if (FLink) {
        // A linked area turns each photo it loads and keeps its angle for the
        // next page. When the linked cell is empty it keeps the picture it
        // showed last as it is: turning that again would show it on its side.
        const TImageInfo *info = LinkedImage();
        if (!info)
            return;
        const TPhotoPaper *paper = Paper();
        TLoadedPicture loaded;
        if (paper && paper->PictureLoader()) {
            // A print run, export or preview reads it as it reads the cells',
            // off the UI thread where a plug-in may be involved.
            loaded = paper->PictureLoader()(*info, kLinkedAreaCell, {});
            if (loaded.image.isNull() && loaded.problem.isEmpty())
                return;
        } else if (onUiThread() && MayReadThroughPlugin(info->FileName())) {
            // A plug-in may take as long as it likes; a paint (the designer)
            // must not wait for it, so the area shows what it had.
            return;
        } else {
            loaded = LoadAreaPicture(*info, paper ? paper->DocumentFileName() : QString());
        }
        // Kept in the fill, so the picture survives into a saved document.
        QImage picture = std::move(loaded.image);
        if (ExifRotate() && !picture.isNull()) {
            // Upright, then the area's angle, in one turn.
            picture = TurnImage(picture, ThenQuarters(UprightTurn(loaded.orientation), QuarterTurnsOf(Angle())));
        } else if (Angle() != TTextAngle::taNone && !picture.isNull()) {
            picture = RotateBitmap(picture, QuarterTurnsOf(Angle()) * 90);
        }
        SetBitmap(picture);
        return;
    }
    if (Angle() == TTextAngle::taNone)
        return;
    // A fixed picture is turned once and stays turned.
    if (!Bitmap().isNull())
        SetBitmap(RotateBitmap(Bitmap(), QuarterTurnsOf(Angle()) * 90));
    SetAngle(TTextAngle::taNone);
}

void TImageArea::Draw(QPainter &canvas, double resolution, bool preview, const TFloatPoint &origin)
{
    const TFloatRect rect = CanvasRect(origin);
    PreparePicture();
    Background().Fill().Draw(canvas, resolution, rect, preview);
    Background().Frame().Draw(canvas, resolution, rect, preview);
}

} // namespace vellora
