#include "model/Background.h"

#include "graphics/BigBitmap.h"
#include "graphics/Gradation.h"
#include "settings/Stream.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>

#include <cmath>

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

// Rows of an RGB888 image as (r, g, b) triples.
inline uchar *pixelAt(QImage &image, int x, int y) { return image.scanLine(y) + 3 * x; }

bool isColour(const uchar *p, TColor c)
{
    return p[0] == (c & 0xFF) && p[1] == ((c >> 8) & 0xFF) && p[2] == ((c >> 16) & 0xFF);
}

// A copy of image in which the pixels of `key` are fully transparent and
// the others have the given alpha.
QImage keyed(const QImage &image, TColor key, int alpha)
{
    QImage out(image.size(), QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        const uchar *src = image.constScanLine(y);
        auto *dst = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < image.width(); ++x, src += 3)
            dst[x] = isColour(src, key) ? qRgba(0, 0, 0, 0) : qRgba(src[0], src[1], src[2], alpha);
    }
    return out;
}

// The QImage under the painter, when it can be read back pixel for pixel.
QImage *readableImage(QPainter &canvas)
{
    QPaintDevice *device = canvas.device();
    if (!device || device->devType() != QInternal::Image)
        return nullptr;
    if (canvas.deviceTransform().type() > QTransform::TxTranslate)
        return nullptr;
    return static_cast<QImage *>(device);
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

Qt::PenCapStyle capStyle(TFrameEndCap cap)
{
    switch (cap) {
    case TFrameEndCap::fecRound: return Qt::RoundCap;
    case TFrameEndCap::fecSquare: return Qt::SquareCap;
    case TFrameEndCap::fecFlat: return Qt::FlatCap;
    }
    return Qt::RoundCap;
}

Qt::PenJoinStyle joinStyle(TFrameJoinStyle join)
{
    switch (join) {
    case TFrameJoinStyle::fjsBevel: return Qt::BevelJoin;
    case TFrameJoinStyle::fjsMiter: return Qt::MiterJoin;
    case TFrameJoinStyle::fjsRound: return Qt::RoundJoin;
    }
    return Qt::BevelJoin;
}

TGradientDirection decodeDirection(std::uint8_t ordinal)
{
    if (ordinal > Ord(TGradientDirection::gdVertical))
        throw FormatError(QStringLiteral("TGradientDirection: unknown value %1").arg(ordinal));
    return static_cast<TGradientDirection>(ordinal);
}

} // namespace

std::uint8_t ClearLevelAlpha(std::uint8_t level)
{
    const int l = std::min<int>(level, 100);
    return static_cast<std::uint8_t>(RoundHalfEven(Extended(100 - l) * 2.55L));
}

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

void TBackFill::Draw(QPainter &canvas, double resolution, const TFloatRect &rect, bool preview) const
{
    const bool invisible = FStyle == TFillStyle::fisNone || FClearLevel == 100;
    if (!preview && invisible)
        return;
    const TPixelRect r = MMRectToPixelRect(rect, FloatSize(resolution, resolution));
    if (invisible) {
        DrawTransparencyMark(canvas, r);
        return;
    }
    const int w = r.Width(), h = r.Height();
    if (w <= 0 || h <= 0)
        return;
    const int alpha = ClearLevelAlpha(FClearLevel);

    switch (FStyle) {
    case TFillStyle::fisNone:
        break;
    case TFillStyle::fisSolid:
        canvas.save();
        canvas.setOpacity(alpha / 255.0);
        canvas.fillRect(r.toQRect(), ToQColor(FColor));
        canvas.restore();
        break;
    case TFillStyle::fisGradient: {
        TDrawGradation gradation;
        gradation.SetStartColor(FColor);
        gradation.SetEndColor(FEndColor);
        gradation.SetDirection(FGradientDirection);
        gradation.SetMode(TGradientMode::gmTwo);
        canvas.save();
        if (FClearLevel == 0) {
            // The painter covers Right and Bottom too; keep it inside R.
            canvas.setClipRect(r.toQRect(), Qt::IntersectClip);
            gradation.Draw(canvas, r);
        } else {
            QImage band(w, h, QImage::Format_RGB32);
            {
                QPainter p(&band);
                gradation.Draw(p, 0, 0, w, h);
            }
            canvas.setOpacity(alpha / 255.0);
            canvas.drawImage(QPoint(r.Left, r.Top), band);
        }
        canvas.restore();
        break;
    }
    case TFillStyle::fisImage:
        if (!FBitmap.isNull())
            DrawPicture(canvas, r);
        break;
    }
}

void TBackFill::DrawPicture(QPainter &canvas, const TPixelRect &r) const
{
    const int w = r.Width(), h = r.Height();
    const int pw = FBitmap.width(), ph = FBitmap.height();
    QImage t(w, h, QImage::Format_RGB888);
    if (t.isNull())
        return;  // larger than Qt can allocate
    t.fill(ToQColor(FTransparent ? FTransparentColor : FColor));
    {
        QPainter p(&t);
        switch (FImageDrawStyle) {
        case TImageDrawMode::idmOrigin:
            p.drawImage(QPoint((w - pw) / 2, (h - ph) / 2), FBitmap);
            break;
        case TImageDrawMode::idmStretch:
            p.drawImage(QRect(0, 0, w, h), FBitmap);
            break;
        case TImageDrawMode::idmProportional: {
            const Extended sx = Extended(w) / pw, sy = Extended(h) / ph;
            const Extended factor = FOverAll ? std::max(sx, sy) : std::min(sx, sy);
            const int dw = RoundHalfEven(pw * factor), dh = RoundHalfEven(ph * factor);
            p.drawImage(QRect((w - dw) / 2, (h - dh) / 2, dw, dh), FBitmap);
            break;
        }
        case TImageDrawMode::idmTile:
            for (int i = 0; i < (h + ph - 1) / ph; ++i)
                for (int j = 0; j < (w + pw - 1) / pw; ++j)
                    p.drawImage(QPoint(j * pw, i * ph), FBitmap);
            break;
        }
    }

    const QPoint at(r.Left, r.Top);
    canvas.save();
    if (!FTransparent) {
        canvas.setOpacity(ClearLevelAlpha(FClearLevel) / 255.0);
        canvas.drawImage(at, t);
    } else if (FClearLevel == 0) {
        canvas.drawImage(at, keyed(t, FTransparentColor, 255));
    } else if (QImage *target = readableImage(canvas)) {
        // Mix with what the canvas holds: (D × level + T × (100 − level)) div 100.
        const QPoint origin = canvas.deviceTransform().map(at);
        QImage d = target->copy(origin.x(), origin.y(), w, h).convertToFormat(QImage::Format_RGB888);
        const int level = FClearLevel;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uchar *tp = t.constScanLine(y) + 3 * x;
                if (isColour(tp, FTransparentColor))
                    continue;
                uchar *dp = pixelAt(d, x, y);
                for (int c = 0; c < 3; ++c)
                    dp[c] = static_cast<uchar>((dp[c] * level + tp[c] * (100 - level)) / 100);
            }
        canvas.drawImage(at, d);
    } else {
        // A recording or a printer cannot be read back: let the device blend.
        canvas.drawImage(at, keyed(t, FTransparentColor, (255 * (100 - FClearLevel) + 50) / 100));
    }
    canvas.restore();
}

void TBackFill::DrawTransparencyMark(QPainter &canvas, const TPixelRect &r) const
{
    // kTransparentMark in the window's language (spelled out for lupdate).
    const QString mark = QCoreApplication::translate("vellora", "(透明)");
    const QRect box = r.toQRect();
    canvas.save();
    canvas.fillRect(box, Qt::white);
    canvas.setClipRect(box, Qt::IntersectClip);
    canvas.setPen(QColor(0xC0, 0xC0, 0xC0));
    const QFontMetrics metrics(canvas.font(), canvas.device());
    const int tw = metrics.horizontalAdvance(mark), th = metrics.height();
    canvas.drawText(r.Left + (box.width() - tw) / 2, r.Top + (box.height() - th) / 2 + metrics.ascent(), mark);
    canvas.restore();
}

void TBackFill::SaveToStream(TStream &stream) const
{
    stream.WriteU32(FColor);
    stream.WriteU32(FEndColor);
    stream.WriteU8(Ord(FStyle));
    QByteArray picture;
    if (!FBitmap.isNull()) {
        QBuffer buffer(&picture);
        buffer.open(QIODevice::WriteOnly);
        // 24 bits: what the picture shows, without an alpha channel to lose.
        const QImage opaque = FBitmap.hasAlphaChannel() ? FBitmap.convertToFormat(QImage::Format_RGB888) : FBitmap;
        if (!opaque.save(&buffer, "BMP"))
            throw EWriteError(std::string("The background picture cannot be written as BMP"));
    }
    stream.WriteU32(static_cast<std::uint32_t>(picture.size()));
    stream.WriteBytes(picture);
    stream.WriteU8(FClearLevel);
    stream.WriteU8(Ord(FGradientDirection));
    stream.WriteU8(Ord(FImageDrawStyle));
    stream.WriteBool(FTransparent);
    stream.WriteU32(FTransparentColor);
    stream.WriteBool(FOverAll);
}

void TBackFill::LoadFromStream(TStream &stream, bool newVersion)
{
    const TColor color = stream.ReadU32();
    const TColor endColor = stream.ReadU32();
    const auto style = DecodeEnum<TFillStyle>(stream.ReadU8(), "TFillStyle");
    SetColor(color);
    SetEndColor(endColor);
    SetStyle(style);
    if (!newVersion)
        return;
    const std::uint32_t length = stream.ReadU32();
    if (length != 0) {
        TBigBitmap picture;
        picture.LoadFromBytes(stream.ReadBytes(length), QStringLiteral("background picture"));
        SetBitmap(picture.ToImage());
    }
    SetClearLevel(stream.ReadU8());
    SetGradientDirection(decodeDirection(stream.ReadU8()));
    SetImageDrawStyle(DecodeEnum<TImageDrawMode>(stream.ReadU8(), "TImageDrawMode"));
    SetTransparent(stream.ReadBool());
    SetTransparentColor(stream.ReadU32());
    SetOverAll(stream.ReadBool());
}

void TBackFill::LoadGradientDirection(TStream &stream)
{
    SetGradientDirection(decodeDirection(stream.ReadU8()));
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
void TFrames::SetWidth(double mm)
{
    // Not-a-number comes from damaged files only; it would poison every conversion.
    if (store(FWidth, mm < 0 || std::isnan(mm) ? 0.0 : mm))
        Changed();
}

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

void TFrames::Draw(QPainter &canvas, double resolution, const TFloatRect &rect, bool preview) const
{
    if (FStyle == TFrameStyle::frsNone && !preview)
        return;
    // No frame is wider than a metre; the limit keeps damaged widths from
    // overflowing the pixel conversion.
    int p = MMToPixel(std::min(FWidth, 1000.0), resolution);
    TPixelRect r = MMRectToPixelRect(rect, FloatSize(resolution, resolution));
    if (p == 0 || FStyle == TFrameStyle::frsNone)
        p = 1;

    canvas.save();
    canvas.setBrush(Qt::NoBrush);
    canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (p == 1) {
        QPen pen(FStyle == TFrameStyle::frsNone ? QColor(0xC0, 0xC0, 0xC0) : ToQColor(FColor));
        pen.setWidth(1);
        pen.setCosmetic(true);
        pen.setStyle(FStyle == TFrameStyle::frsNone ? Qt::DotLine : cosmeticPattern(FStyle));
        canvas.setPen(pen);
        // A one-pixel outline on the rectangle's edge pixels, right and bottom exclusive.
        canvas.drawRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
    } else {
        QPen pen(QBrush(ToQColor(FColor)), p, cosmeticPattern(FStyle), capStyle(FEndCap), joinStyle(FJoinStyle));
        canvas.setPen(pen);
        // The pen is centred on the outline of R shrunk by its width.
        r = {r.Left + p, r.Top + p, r.Right - p, r.Bottom - p};
        canvas.drawRect(QRectF(r.Left, r.Top, r.Width(), r.Height()));
    }
    canvas.restore();
}

void TFrames::SaveToStream(TStream &stream) const
{
    stream.WriteU32(FColor);
    stream.WriteU8(Ord(FStyle));
    stream.WriteDouble(FWidth);
    stream.WriteU8(Ord(FEndCap));
    stream.WriteU8(Ord(FJoinStyle));
}

void TFrames::LoadFromStream(TStream &stream, bool newVersion)
{
    SetColor(stream.ReadU32());
    SetStyle(DecodeEnum<TFrameStyle>(stream.ReadU8(), "TFrameStyle"));
    if (!newVersion) {
        SetWidth(static_cast<double>(stream.ReadExtended()));
        return;
    }
    SetWidth(stream.ReadDouble());
    SetEndCap(DecodeEnum<TFrameEndCap>(stream.ReadU8(), "TFrameEndCap"));
    SetJoinStyle(DecodeEnum<TFrameJoinStyle>(stream.ReadU8(), "TFrameJoinStyle"));
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

void TBackground::Draw(QPainter &canvas, double resolution, const TFloatRect &rect, bool preview) const
{
    FFill.Draw(canvas, resolution, rect, preview);
    FFrame.Draw(canvas, resolution, rect, preview);
}

void TBackground::SaveToStream(TStream &stream) const
{
    FFill.SaveToStream(stream);
    FFrame.SaveToStream(stream);
}

void TBackground::LoadFromStream(TStream &stream, bool newVersion)
{
    FFill.LoadFromStream(stream, newVersion);
    FFrame.LoadFromStream(stream, newVersion);
    if (!newVersion)
        FFill.LoadGradientDirection(stream);
}

void TBackground::Changed()
{
    if (FOnChange)
        FOnChange(this);
}

} // namespace vellora
