// Backgrounds of papers, photo areas and free areas: a fill (nothing, a solid
// colour, a two-colour gradient or a picture, optionally partly transparent)
// and a frame (a rectangle outline). Setters store only changed values and
// notify the owning TBackground, whose OnChange then fires. Lengths in mm.
#pragma once

#include "graphics/Geometry.h"
#include "model/Types.h"
#include "settings/Font.h"

#include <QImage>
#include <QRect>

class QPainter;

namespace vellora {

class TBackground;

class TBackFill {
public:
    explicit TBackFill(TBackground *owner = nullptr) : FOwner(owner) {}

    const QImage &Bitmap() const noexcept { return FBitmap; }
    void SetBitmap(const QImage &bitmap);
    std::uint8_t ClearLevel() const noexcept { return FClearLevel; }
    void SetClearLevel(std::uint8_t level);     // above 100 becomes 100
    TColor Color() const noexcept { return FColor; }
    void SetColor(TColor color);
    TColor StartColor() const noexcept { return FColor; }
    void SetStartColor(TColor color) { SetColor(color); }
    TColor EndColor() const noexcept { return FEndColor; }
    void SetEndColor(TColor color);
    TGradientDirection GradientDirection() const noexcept { return FGradientDirection; }
    void SetGradientDirection(TGradientDirection direction);
    TImageDrawMode ImageDrawStyle() const noexcept { return FImageDrawStyle; }
    void SetImageDrawStyle(TImageDrawMode mode);
    bool OverAll() const noexcept { return FOverAll; }
    void SetOverAll(bool value);
    TFillStyle Style() const noexcept { return FStyle; }
    void SetStyle(TFillStyle style);
    bool Transparent() const noexcept { return FTransparent; }
    void SetTransparent(bool value);
    TColor TransparentColor() const noexcept { return FTransparentColor; }
    void SetTransparentColor(TColor color);

    void Assign(const TBackFill &source);
    // Schematic preview: a flat colour (white for no fill and pictures).
    void DrawLayout(QPainter &canvas, const QRect &rect) const;

private:
    void Changed();

    QImage FBitmap;
    std::uint8_t FClearLevel = 0;
    TColor FColor = clWhite;
    TColor FEndColor = clWhite;
    TGradientDirection FGradientDirection = TGradientDirection::gdHorizontal;
    TImageDrawMode FImageDrawStyle = TImageDrawMode::idmOrigin;
    bool FOverAll = false;
    TBackground *FOwner = nullptr;
    TFillStyle FStyle = TFillStyle::fisNone;
    bool FTransparent = false;
    TColor FTransparentColor = clBlack;
};

class TFrames {
public:
    explicit TFrames(TBackground *owner = nullptr) : FOwner(owner) {}

    TColor Color() const noexcept { return FColor; }
    void SetColor(TColor color);
    TFrameEndCap EndCap() const noexcept { return FEndCap; }
    void SetEndCap(TFrameEndCap cap);
    TFrameJoinStyle JoinStyle() const noexcept { return FJoinStyle; }
    void SetJoinStyle(TFrameJoinStyle join);
    TFrameStyle Style() const noexcept { return FStyle; }
    void SetStyle(TFrameStyle style);
    double Width() const noexcept { return FWidth; }
    void SetWidth(double mm);                   // negative becomes 0

    void Assign(const TFrames &source);
    // Schematic preview: a 1-pixel outline (light grey for no frame).
    void DrawLayout(QPainter &canvas, const QRect &rect) const;

private:
    void Changed();

    TColor FColor = clBlack;
    TFrameEndCap FEndCap = TFrameEndCap::fecRound;
    TFrameJoinStyle FJoinStyle = TFrameJoinStyle::fjsBevel;
    TBackground *FOwner = nullptr;
    TFrameStyle FStyle = TFrameStyle::frsNone;
    double FWidth = 0;
};

class TBackground {
public:
    TBackground() = default;
    TBackground(const TBackground &) = delete;
    TBackground &operator=(const TBackground &) = delete;

    TBackFill &Fill() noexcept { return FFill; }
    const TBackFill &Fill() const noexcept { return FFill; }
    void SetFill(const TBackFill &fill) { FFill.Assign(fill); }
    TFrames &Frame() noexcept { return FFrame; }
    const TFrames &Frame() const noexcept { return FFrame; }
    void SetFrame(const TFrames &frame) { FFrame.Assign(frame); }

    const TNotifyEvent &OnChange() const noexcept { return FOnChange; }
    void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

    void Assign(const TBackground &source);

    // Fires OnChange; called by the fill and the frame.
    void Changed();

private:
    TBackFill FFill{this};
    TFrames FFrame{this};
    TNotifyEvent FOnChange;
};

// $00BBGGRR as a Qt colour.
QColor ToQColor(TColor color);

} // namespace vellora
