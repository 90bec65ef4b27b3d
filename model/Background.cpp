#include "model/Background.h"

#include <QPainter>
#include <QPen>

namespace vellora {

QColor ToQColor(TColor color)
{
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

namespace {

template <typename T>
bool store(T &field, const T &value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

Qt::PenStyle cosmeticPattern(TFrameStyle style)
{
    switch (style) {
    case TFrameStyle::frsNone: return Qt::NoPen;
    case TFrameStyle::frsSolid: return Qt::SolidLine;
    case TFrameStyle::frsDash: return Qt::DashLine;
    case TFrameStyle::frsDot: return Qt::DotLine;
    case TFrameStyle::frsDashDot: return Qt::DashDotLine;
    case TFrameStyle::frsDashDotDot: return Qt::DashDotDotLine;
    }
    return Qt::SolidLine;
}

} // namespace

// --- TBackFill

void TBackFill::Changed()
{
    if (FOwner)
        FOwner->Changed();
}

void TBackFill::SetBitmap(const QImage &bitmap)
{
    // Any new content counts as a change: pictures are not compared.
    FBitmap = bitmap;
    Changed();
}

void TBackFill::SetClearLevel(std::uint8_t level)
{
    if (store(FClearLevel, std::min<std::uint8_t>(level, 100)))
        Changed();
}

void TBackFill::SetColor(TColor color) { if (store(FColor, color)) Changed(); }
void TBackFill::SetEndColor(TColor color) { if (store(FEndColor, color)) Changed(); }
void TBackFill::SetGradientDirection(TGradientDirection d) { if (store(FGradientDirection, d)) Changed(); }
void TBackFill::SetImageDrawStyle(TImageDrawMode m) { if (store(FImageDrawStyle, m)) Changed(); }
void TBackFill::SetOverAll(bool v) { if (store(FOverAll, v)) Changed(); }
void TBackFill::SetStyle(TFillStyle s) { if (store(FStyle, s)) Changed(); }
void TBackFill::SetTransparent(bool v) { if (store(FTransparent, v)) Changed(); }
void TBackFill::SetTransparentColor(TColor c) { if (store(FTransparentColor, c)) Changed(); }

void TBackFill::Assign(const TBackFill &source)
{
    if (&source == this)
        return;
    SetBitmap(source.FBitmap);
    SetClearLevel(source.FClearLevel);
    SetColor(source.FColor);
    SetEndColor(source.FEndColor);
    SetGradientDirection(source.FGradientDirection);
    SetImageDrawStyle(source.FImageDrawStyle);
    SetOverAll(source.FOverAll);
    SetStyle(source.FStyle);
    SetTransparent(source.FTransparent);
    SetTransparentColor(source.FTransparentColor);
}

void TBackFill::DrawLayout(QPainter &canvas, const QRect &rect) const
{
    const bool coloured = FStyle == TFillStyle::fisSolid || FStyle == TFillStyle::fisGradient;
    canvas.fillRect(rect, coloured ? ToQColor(FColor) : QColor(Qt::white));
}

// --- TFrames

void TFrames::Changed()
{
    if (FOwner)
        FOwner->Changed();
}

void TFrames::SetColor(TColor c) { if (store(FColor, c)) Changed(); }
void TFrames::SetEndCap(TFrameEndCap c) { if (store(FEndCap, c)) Changed(); }
void TFrames::SetJoinStyle(TFrameJoinStyle j) { if (store(FJoinStyle, j)) Changed(); }
void TFrames::SetStyle(TFrameStyle s) { if (store(FStyle, s)) Changed(); }
void TFrames::SetWidth(double mm) { if (store(FWidth, mm < 0 ? 0.0 : mm)) Changed(); }

void TFrames::Assign(const TFrames &source)
{
    if (&source == this)
        return;
    SetColor(source.FColor);
    SetEndCap(source.FEndCap);
    SetJoinStyle(source.FJoinStyle);
    SetStyle(source.FStyle);
    SetWidth(source.FWidth);
}

void TFrames::DrawLayout(QPainter &canvas, const QRect &rect) const
{
    canvas.save();
    QPen pen(FStyle == TFrameStyle::frsNone ? QColor(0xC0, 0xC0, 0xC0) : ToQColor(FColor));
    pen.setWidth(1);
    pen.setCosmetic(true);
    pen.setStyle(FStyle == TFrameStyle::frsNone ? Qt::SolidLine : cosmeticPattern(FStyle));
    canvas.setPen(pen);
    canvas.setBrush(Qt::NoBrush);
    // The outline covers the rectangle's edge pixels, right and bottom exclusive.
    canvas.drawRect(rect.adjusted(0, 0, -1, -1));
    canvas.restore();
}

// --- TBackground

void TBackground::Assign(const TBackground &source)
{
    FFill.Assign(source.FFill);
    FFrame.Assign(source.FFrame);
}

void TBackground::Changed()
{
    if (FOnChange)
        FOnChange(this);
}

} // namespace vellora
