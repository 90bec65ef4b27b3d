#include "model/ImageArea.h"

#include "model/PhotoArea.h"
#include "model/PhotoPaper.h"
#include "model/PhotoPlacement.h"
#include "model/PhotoTurn.h"

namespace vellora {

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
        // Kept in the fill, so the picture survives into a saved document.
        TLoadedPicture loaded = LoadAreaPicture(*info, paper ? paper->DocumentFileName() : QString());
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
