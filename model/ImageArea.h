// A free area that shows a picture: a fixed one, or the photo of the linked
// cell on the current page. The picture lives in the background fill (style
// fisImage), so it is drawn, placed and blended as a picture fill is. A
// fixed picture with an angle is turned once and the angle then reads taNone.
#pragma once

#include "model/Areas.h"

namespace vellora {

class TImageArea : public TCustomArea {
public:
    explicit TImageArea(TAreas *owner);
    std::unique_ptr<TCustomArea> CreateSameClass(TAreas *owner) const override;

    bool Link() const noexcept { return FLink; }
    void SetLink(bool value) noexcept { FLink = value; }

    const QImage &Bitmap() const noexcept { return Background().Fill().Bitmap(); }
    void SetBitmap(const QImage &bitmap) { Background().Fill().SetBitmap(bitmap); }
    std::uint8_t ClearLevel() const noexcept { return Background().Fill().ClearLevel(); }
    void SetClearLevel(std::uint8_t level) { Background().Fill().SetClearLevel(level); }
    TColor Color() const noexcept { return Background().Fill().Color(); }
    void SetColor(TColor color) { Background().Fill().SetColor(color); }
    TImageDrawMode DrawStyle() const noexcept { return Background().Fill().ImageDrawStyle(); }
    void SetDrawStyle(TImageDrawMode mode) { Background().Fill().SetImageDrawStyle(mode); }
    bool Transparent() const noexcept { return Background().Fill().Transparent(); }
    void SetTransparent(bool value) { Background().Fill().SetTransparent(value); }
    TColor TransparentColor() const noexcept { return Background().Fill().TransparentColor(); }
    void SetTransparentColor(TColor color) { Background().Fill().SetTransparentColor(color); }

    void Assign(const TCustomArea &source) override;
    void Draw(QPainter &canvas, double resolution, bool preview, const TFloatPoint &origin) override;

    // Steps before the fill is drawn: takes the linked photo into the fill
    // and turns the picture by Angle. Split out so that it can be checked
    // without a canvas.
    void PreparePicture();

private:
    bool FLink = false;
};

} // namespace vellora
