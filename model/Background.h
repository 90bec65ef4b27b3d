// Backgrounds of papers, photo areas and free areas: a fill (nothing, a solid
// colour, a two-colour gradient or a picture, optionally partly transparent)
// and a frame (a rectangle outline). Setters store only changed values and
// notify the owning TBackground, whose OnChange then fires. Lengths in mm,
// resolutions in dots per inch. Stream records in the current and the legacy
// document layout; reading throws EReadError, FormatError or EBigBitmapError.
#pragma once

#include "graphics/Geometry.h"
#include "model/Types.h"
#include "settings/Font.h"

#include <QImage>
#include <QRect>

class QPainter;

namespace vellora {

class TBackground;
class TStream;

// Constant alpha of a clear level: Round((100 − level) × 2.55), halves to even.
std::uint8_t ClearLevelAlpha(std::uint8_t level);

// The mark drawn in previews where a fill is invisible.
inline constexpr char16_t kTransparentMark[] = u"(透明)";

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
    // Draws the fill into rect (mm) at resolution; a preview shows the
    // transparency mark where the fill is invisible.
    void Draw(QPainter &canvas, double resolution, const TFloatRect &rect, bool preview) const;
    // Schematic preview: a flat colour (white for no fill and pictures).
    void DrawLayout(QPainter &canvas, const QRect &rect) const;

    void SaveToStream(TStream &stream) const;
    // newVersion false: the legacy record (colours and style only).
    void LoadFromStream(TStream &stream, bool newVersion);
    // The byte that follows a legacy background record.
    void LoadGradientDirection(TStream &stream);

private:
    void Changed();
    void DrawTransparencyMark(QPainter &canvas, const TPixelRect &r) const;
    void DrawPicture(QPainter &canvas, const TPixelRect &r) const;

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
    void SetWidth(double mm);                   // negative (or not a number) becomes 0

    void Assign(const TFrames &source);
    // Draws the outline inside rect (mm) at resolution; a preview shows a
    // dotted silver outline where there is no frame.
    void Draw(QPainter &canvas, double resolution, const TFloatRect &rect, bool preview) const;
    // Schematic preview: a 1-pixel outline (light grey for no frame).
    void DrawLayout(QPainter &canvas, const QRect &rect) const;

    void SaveToStream(TStream &stream) const;
    // newVersion false: the legacy record (width as an extended, no cap or join).
    void LoadFromStream(TStream &stream, bool newVersion);

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
    // Fill, then frame.
    void Draw(QPainter &canvas, double resolution, const TFloatRect &rect, bool preview) const;
    void SaveToStream(TStream &stream) const;
    void LoadFromStream(TStream &stream, bool newVersion);

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
