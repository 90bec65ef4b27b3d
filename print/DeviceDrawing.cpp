// The printer's drawing and text operations on its current canvas.
#include "print/DevicePrint.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRawFont>
#include <algorithm>
#include <cmath>

namespace vellora {

namespace {

// Widths and heights with a font on the canvas's device, rounded to units.
class FontMeasurer : public TTextMeasurer {
public:
    FontMeasurer(const QFont &font, QPaintDevice *device) : FMetrics(font, device) {}
    int textWidth(const QString &s) const override
    {
        return static_cast<int>(std::lround(FMetrics.horizontalAdvance(s)));
    }
    int textHeight(const QString &) const override
    {
        return static_cast<int>(std::lround(FMetrics.ascent() + FMetrics.descent()));
    }
    double ascent() const { return FMetrics.ascent(); }

private:
    QFontMetricsF FMetrics;
};

// The font's em size in pixels of the device.
double emPixels(const QFont &font, const QPaintDevice *device)
{
    if (font.pixelSize() > 0)
        return font.pixelSize();
    const int dpi = device ? device->logicalDpiY() : 96;
    return font.pointSizeF() * dpi / 72.0;
}

void setEm(QFont &font, double em)
{
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(em))));
}

// The font of rotated text. The rotated font is made from the negated
// height, so the character height becomes the cell height (ascent +
// descent): em = height x unitsPerEm / (ascent + descent).
QFont rotatedFont(const QFont &font, const QPaintDevice *device)
{
    QFont rotated = font;
    const double em = emPixels(font, device);
    const QRawFont raw = QRawFont::fromFont(font);
    const double cell = raw.isValid() ? raw.ascent() + raw.descent() : 0;
    if (cell > 0)
        setEm(rotated, em * raw.pixelSize() / cell);
    else
        setEm(rotated, em);
    return rotated;
}

QFont fontFor(const QFont &font, TTextAngle angle, const QPaintDevice *device)
{
    return angle == TTextAngle::taNone ? font : rotatedFont(font, device);
}

// Draws one line whose cell's top-left is `origin`, turned counter-clockwise.
void drawLine(QPainter &c, const QPoint &origin, TTextAngle angle, const QFont &font, const QString &text)
{
    c.save();
    c.setFont(font);
    const QFontMetricsF m(font, c.device());
    c.translate(origin);
    c.rotate(-AngleDegrees(angle));
    c.drawText(QPointF(0, m.ascent()), text);
    c.restore();
}

QRect toQRect(const TEdgeRect &r)
{
    return QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1));
}

} // namespace

// --- helpers of the operations ---

namespace {

struct Shift {
    int dx, dy;
    QPoint operator()(int x, int y) const { return {x + dx, y + dy}; }
    TEdgeRect operator()(const TEdgeRect &r) const { return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }
};

} // namespace

#define VELLORA_CANVAS()                                                                                   \
    QPainter *canvasPtr = Canvas();                                                                        \
    if (!canvasPtr)                                                                                        \
        throw EJwPrinter(std::string("TQvPrint: neither recording nor printing, there is no canvas"));   \
    QPainter &c = *canvasPtr;                                                                              \
    const Shift shift{DeviceOffsetX(), DeviceOffsetY()};

void TDevicePrint::Draw(int x, int y, const QImage &graphic)
{
    VELLORA_CANVAS();
    c.drawImage(shift(x, y), graphic);
}

void TDevicePrint::Draw(int x, int y, const QPicture &graphic)
{
    VELLORA_CANVAS();
    c.drawPicture(shift(x, y), graphic);
}

void TDevicePrint::DrawMM(double x, double y, const QImage &graphic)
{
    Draw(MMToDevice(DPI().cx, x), MMToDevice(DPI().cy, y), graphic);
}

void TDevicePrint::DrawMM(double x, double y, const QPicture &graphic)
{
    Draw(MMToDevice(DPI().cx, x), MMToDevice(DPI().cy, y), graphic);
}

void TDevicePrint::DrawLine(int x1, int y1, int x2, int y2)
{
    MoveTo(x1, y1);
    LineTo(x2, y2);
}

void TDevicePrint::DrawLineMM(double x1, double y1, double x2, double y2)
{
    const TSize dpi = DPI();
    DrawLine(MMToDevice(dpi.cx, x1), MMToDevice(dpi.cy, y1), MMToDevice(dpi.cx, x2), MMToDevice(dpi.cy, y2));
}

void TDevicePrint::MoveTo(int x, int y)
{
    FPenPos = QPoint(x, y);
}

void TDevicePrint::LineTo(int x, int y)
{
    VELLORA_CANVAS();
    const QPoint from = FPenPos;
    FPenPos = QPoint(x, y);
    // The end point is not drawn: the line stops one step before it along
    // its longer axis.
    const int dx = x - from.x(), dy = y - from.y();
    const int steps = std::max(std::abs(dx), std::abs(dy));
    if (steps == 0)
        return;
    const QPoint last(from.x() + static_cast<int>(std::lround(static_cast<double>(dx) * (steps - 1) / steps)),
                      from.y() + static_cast<int>(std::lround(static_cast<double>(dy) * (steps - 1) / steps)));
    c.drawLine(shift(from.x(), from.y()), shift(last.x(), last.y()));
}

void TDevicePrint::MMMoveTo(double x, double y)
{
    MoveTo(MMToDevice(DPI().cx, x), MMToDevice(DPI().cy, y));
}

void TDevicePrint::MMLineTo(double x, double y)
{
    LineTo(MMToDevice(DPI().cx, x), MMToDevice(DPI().cy, y));
}

void TDevicePrint::Rectangle(int x1, int y1, int x2, int y2)
{
    VELLORA_CANVAS();
    if (x2 - x1 < 1 || y2 - y1 < 1)
        return;
    // QPainter's outline covers width + 1 pixels; the shape ends before x2, y2.
    c.drawRect(QRect(shift(x1, y1), QSize(x2 - x1 - 1, y2 - y1 - 1)));
}

void TDevicePrint::RectangleMM(double x1, double y1, double x2, double y2)
{
    const TSize dpi = DPI();
    Rectangle(MMToDevice(dpi.cx, x1), MMToDevice(dpi.cy, y1), MMToDevice(dpi.cx, x2), MMToDevice(dpi.cy, y2));
}

void TDevicePrint::FillRect(int x1, int y1, int x2, int y2)
{
    VELLORA_CANVAS();
    if (x2 > x1 && y2 > y1)
        c.fillRect(QRect(shift(x1, y1), QSize(x2 - x1, y2 - y1)), c.brush());
}

void TDevicePrint::FillRectMM(double x1, double y1, double x2, double y2)
{
    const TSize dpi = DPI();
    FillRect(MMToDevice(dpi.cx, x1), MMToDevice(dpi.cy, y1), MMToDevice(dpi.cx, x2), MMToDevice(dpi.cy, y2));
}

void TDevicePrint::FrameRect(int x1, int y1, int x2, int y2)
{
    VELLORA_CANVAS();
    if (x2 <= x1 || y2 <= y1)
        return;
    // One unit wide, painted with the brush, inside the rectangle.
    const QBrush brush = c.brush();
    const QPoint p = shift(x1, y1);
    const int w = x2 - x1, h = y2 - y1;
    c.fillRect(QRect(p.x(), p.y(), w, 1), brush);
    c.fillRect(QRect(p.x(), p.y() + h - 1, w, 1), brush);
    c.fillRect(QRect(p.x(), p.y(), 1, h), brush);
    c.fillRect(QRect(p.x() + w - 1, p.y(), 1, h), brush);
}

void TDevicePrint::MMFrameRect(double x1, double y1, double x2, double y2)
{
    const TSize dpi = DPI();
    FrameRect(MMToDevice(dpi.cx, x1), MMToDevice(dpi.cy, y1), MMToDevice(dpi.cx, x2), MMToDevice(dpi.cy, y2));
}

void TDevicePrint::Ellipse(int x1, int y1, int x2, int y2)
{
    VELLORA_CANVAS();
    if (x2 - x1 < 1 || y2 - y1 < 1)
        return;
    c.drawEllipse(QRect(shift(x1, y1), QSize(x2 - x1 - 1, y2 - y1 - 1)));
}

void TDevicePrint::EllipseMM(double x1, double y1, double x2, double y2)
{
    const TSize dpi = DPI();
    Ellipse(MMToDevice(dpi.cx, x1), MMToDevice(dpi.cy, y1), MMToDevice(dpi.cx, x2), MMToDevice(dpi.cy, y2));
}

void TDevicePrint::EllipseMM(double x, double y, double radius)
{
    EllipseMM(x - radius, y - radius, x + radius, y + radius);
}

// --- text ---

void TDevicePrint::TextOut(int x, int y, const QString &text)
{
    TextOutA(x, y, TTextAngle::taNone, text);
}

void TDevicePrint::MMTextOut(double x, double y, const QString &text)
{
    TextOut(MMToDevice(DPI().cx, x), MMToDevice(DPI().cy, y), text);
}

void TDevicePrint::TextOutA(int x, int y, TTextAngle angle, const QString &text)
{
    VELLORA_CANVAS();
    drawLine(c, shift(x, y), angle, fontFor(c.font(), angle, c.device()), text);
}

void TDevicePrint::MMTextOutA(double x, double y, TTextAngle angle, const QString &text)
{
    TextOutA(MMToDevice(DPI().cx, x), MMToDevice(DPI().cy, y), angle, text);
}

void TDevicePrint::TextOutAlign(int x, int y, const QString &text, THorzAlignment horz, TVertAlignment vert)
{
    const QPoint p = AlignedTextPoint(x, y, TextWidth(text), TextHeight(text), horz, vert);
    TextOut(p.x(), p.y(), text);
}

void TDevicePrint::MMTextAlign(double x, double y, const QString &text, THorzAlignment horz, TVertAlignment vert)
{
    TextOutAlign(MMToDevice(DPI().cx, x), MMToDevice(DPI().cy, y), text, horz, vert);
}

void TDevicePrint::MMTextOutEx(double x, double y, double pitch, const QString &text)
{
    MMTextOutExA(x, y, pitch, TTextAngle::taNone, text);
}

void TDevicePrint::TextOutExA(int x, int y, int pitch, TTextAngle angle, const QString &text)
{
    VELLORA_CANVAS();
    const QFont font = fontFor(c.font(), angle, c.device());
    const QStringList chars = SplitChars(text);
    for (int i = 0; i < chars.size(); ++i) {
        const QPoint p = PitchPosition(x, y, i, pitch, angle);
        drawLine(c, shift(p.x(), p.y()), angle, font, chars[i]);
    }
}

void TDevicePrint::MMTextOutExA(double x, double y, double pitch, TTextAngle angle, const QString &text)
{
    const TSize dpi = DPI();
    // The pitch runs along the text: the resolution of that axis.
    const int along = IsVerticalAngle(angle) ? dpi.cy : dpi.cx;
    TextOutExA(MMToDevice(dpi.cx, x), MMToDevice(dpi.cy, y), MMToDevice(along, pitch), angle, text);
}

void TDevicePrint::TextRectA(const TEdgeRect &r, int x, int y, TTextAngle angle, const QString &text)
{
    VELLORA_CANVAS();
    c.save();
    c.setClipRect(toQRect(shift(r)), Qt::IntersectClip);
    drawLine(c, shift(x, y), angle, fontFor(c.font(), angle, c.device()), text);
    c.restore();
}

namespace {

TEdgeRect deviceRect(const TRealRect &r, TSize dpi)
{
    return {MMToDevice(dpi.cx, r.Left), MMToDevice(dpi.cy, r.Top), MMToDevice(dpi.cx, r.Right),
            MMToDevice(dpi.cy, r.Bottom)};
}

TRealRect mmRect(const TEdgeRect &r, TSize dpi)
{
    return {DeviceToMM(r.Left, dpi.cx), DeviceToMM(r.Top, dpi.cy), DeviceToMM(r.Right, dpi.cx),
            DeviceToMM(r.Bottom, dpi.cy)};
}

// The resolution of the axis along which lines follow each other.
int acrossDpi(TTextAngle angle, TSize dpi)
{
    return IsVerticalAngle(angle) ? dpi.cx : dpi.cy;
}

} // namespace

void TDevicePrint::MMTextRect(const TRealRect &r, double x, double y, const QString &text)
{
    MMTextRectA(r, x, y, TTextAngle::taNone, text);
}

void TDevicePrint::MMTextRectA(const TRealRect &r, double x, double y, TTextAngle angle, const QString &text)
{
    const TSize dpi = DPI();
    TextRectA(deviceRect(r, dpi), MMToDevice(dpi.cx, x), MMToDevice(dpi.cy, y), angle, text);
}

void TDevicePrint::TextRectExA(const QString &s, const TEdgeRect &r, THorzAlignment align, TVertAlignment layout,
                               TTextAngle angle)
{
    TEdgeRect box = r;
    DrawText(s, box, align, layout, angle, 0, TTextFitOption::tfoNone, {});
}

void TDevicePrint::MMTextRectEx(const QString &s, const TRealRect &r, THorzAlignment align, TVertAlignment layout)
{
    MMTextRectExA(s, r, align, layout, TTextAngle::taNone);
}

void TDevicePrint::MMTextRectExA(const QString &s, const TRealRect &r, THorzAlignment align, TVertAlignment layout,
                                 TTextAngle angle)
{
    TextRectExA(s, deviceRect(r, DPI()), align, layout, angle);
}

void TDevicePrint::TextRectEx2(const QString &s, const TEdgeRect &r, THorzAlignment align, TVertAlignment layout,
                               int pitch)
{
    VELLORA_CANVAS();
    const QStringList chars = SplitChars(s);
    const int n = static_cast<int>(chars.size());
    const int block = n * pitch;
    int x = r.Left;
    if (align == THorzAlignment::haCenter)
        x = r.Left + (r.width() - block) / 2;
    else if (align == THorzAlignment::haRight)
        x = r.Right - block;
    const int h = TextHeight(s);
    int y = r.Top;
    if (layout == TVertAlignment::vaCenter)
        y = r.Top + (r.height() - h) / 2;
    else if (layout == TVertAlignment::vaBottom)
        y = r.Bottom - h;
    c.save();
    c.setClipRect(toQRect(shift(r)), Qt::IntersectClip);
    for (int i = 0; i < n; ++i)
        drawLine(c, shift(x + i * pitch, y), TTextAngle::taNone, c.font(), chars[i]);
    c.restore();
}

void TDevicePrint::MMTextRectEx2(const QString &s, const TRealRect &r, THorzAlignment align, TVertAlignment layout,
                                 double pitch)
{
    TextRectEx2(s, deviceRect(r, DPI()), align, layout, MMToDevice(DPI().cx, pitch));
}

void TDevicePrint::DrawText(const QString &s, TEdgeRect &r, THorzAlignment align, TVertAlignment layout,
                            TTextAngle angle, int space, TTextFitOption fit, const TTextDrawOptions &options)
{
    VELLORA_CANVAS();
    const int along = AlongLength(r, angle);
    if (s.isEmpty() || along <= 0 || (AcrossExtent(r, angle) <= 0 && !options.adjustRect))
        return;
    const TSize dpi = DPI();
    const bool unequal = IsVerticalAngle(angle) && dpi.cx != dpi.cy && dpi.cx > 0 && dpi.cy > 0;
    QFont font = fontFor(c.font(), angle, c.device());
    int h = FontMeasurer(font, c.device()).textHeight(QStringLiteral("あ"));

    auto growToLine = [&](int lineHeight) {
        const int across = AcrossExtent(r, angle);
        if (options.adjustRect && across < lineHeight)
            r = GrowAcross(r, angle, lineHeight - across);
    };
    // One line (or, for haEven, its characters) placed in `box`.
    auto drawPlaced = [&](const TEdgeRect &box, const QString &line, const QFont &f, int lineHeight) {
        const FontMeasurer m(f, c.device());
        const QStringList chars = SplitChars(line);
        const int boxAlong = AlongLength(box, angle);
        if (align == THorzAlignment::haEven && chars.size() > 1) {
            const int width = m.textWidth(line);
            const std::vector<int> gaps = EvenGaps(static_cast<int>(chars.size()), boxAlong, width);
            QPoint p = TextOriginInRect(box, angle, THorzAlignment::haLeft, layout, width, lineHeight);
            for (int i = 0; i < chars.size(); ++i) {
                drawLine(c, shift(p.x(), p.y()), angle, f, chars[i]);
                if (i + 1 == chars.size())
                    break;
                const int step = (IsVerticalAngle(angle) ? lineHeight : m.textWidth(chars[i])) + gaps[static_cast<std::size_t>(i)];
                p = PitchPosition(p.x(), p.y(), 1, step, angle);
            }
            return;
        }
        const THorzAlignment a = align == THorzAlignment::haEven ? THorzAlignment::haCenter : align;
        const QPoint p = TextOriginInRect(box, angle, a, layout, m.textWidth(line), lineHeight);
        drawLine(c, shift(p.x(), p.y()), angle, f, line);
    };

    c.save();
    switch (fit) {
    case TTextFitOption::tfoNone:
        growToLine(h);
        c.setClipRect(toQRect(shift(r)), Qt::IntersectClip);
        drawPlaced(r, s, font, h);
        break;
    case TTextFitOption::tfoSize: {
        int w = FontMeasurer(font, c.device()).textWidth(s);
        if (unequal)
            w = static_cast<int>(std::lround(static_cast<double>(w) * dpi.cy / dpi.cx));
        if (w > along) {
            int em = static_cast<int>(std::lround(emPixels(font, c.device())));
            while (em >= 3 && FontMeasurer(font, c.device()).textWidth(s) > along)
                setEm(font, --em);
        }
        growToLine(h);
        c.setClipRect(toQRect(shift(r)), Qt::IntersectClip);
        drawPlaced(r, s, font, h);
        break;
    }
    case TTextFitOption::tfoTrans: {
        const FontMeasurer m(font, c.device());
        int w = m.textWidth(s), th = m.textHeight(s);
        if (unequal) {
            w = static_cast<int>(std::lround(static_cast<double>(w) * dpi.cy / dpi.cx));
            th = static_cast<int>(std::lround(static_cast<double>(th) * dpi.cx / dpi.cy));
        }
        int lineHeight = h;
        if (w > along) {
            // Narrower characters: a cell width of length / characters, less
            // one unit at a time while the line is still too long.
            const int count = static_cast<int>(std::max<qsizetype>(1, SplitChars(s).size()));
            const double natural = std::max(1.0, static_cast<double>(m.textWidth(s)) / count);
            int cell = along / count;
            auto widthAt = [&](int cellWidth) {
                font.setStretch(std::clamp(static_cast<int>(std::lround(cellWidth * 100.0 / natural)), 1, 4000));
                return FontMeasurer(font, c.device()).textWidth(s);
            };
            int width = widthAt(cell);
            while (cell >= 2 && width > along)
                width = widthAt(--cell);
            lineHeight = th;
        }
        growToLine(lineHeight);
        c.setClipRect(toQRect(shift(r)), Qt::IntersectClip);
        drawPlaced(r, s, font, lineHeight);
        break;
    }
    case TTextFitOption::tfoWrap: {
        const FontMeasurer m(font, c.device());
        h = m.textHeight(s);
        const QStringList lines = WrapTextLines(s, along, options, m);
        const int n = static_cast<int>(lines.size());
        const int block = n * (h + space) - space;
        growToLine(block);
        const int across = AcrossExtent(r, angle);
        int offset = 0;
        if (layout == TVertAlignment::vaCenter)
            offset = (across - block) / 2;
        else if (layout == TVertAlignment::vaBottom)
            offset = across - block;
        // Bands across the text, measured from the rectangle's first side.
        auto band = [&](int from) {
            TEdgeRect b = r;
            switch (angle) {
            case TTextAngle::taNone: b.Top = r.Top + from; b.Bottom = b.Top + h; break;
            case TTextAngle::taAngle90: b.Left = r.Left + from; b.Right = b.Left + h; break;
            case TTextAngle::taAngle180: b.Bottom = r.Bottom - from; b.Top = b.Bottom - h; break;
            case TTextAngle::taAngle270: b.Right = r.Right - from; b.Left = b.Right - h; break;
            }
            return b;
        };
        const TEdgeRect whole = shift(r);
        const QRect clip = toQRect(whole);
        c.fillRect(toQRect(shift(band(offset))).intersected(clip), c.brush());
        c.setBrush(Qt::NoBrush);
        for (int i = 0; i < n; ++i) {
            const int from = offset + i * (h + space);
            if (from >= across)
                break;
            const TEdgeRect b = band(from);
            c.save();
            c.setClipRect(toQRect(shift(b)).intersected(clip), Qt::IntersectClip);
            const FontMeasurer lm(font, c.device());
            if (align == THorzAlignment::haEven && SplitChars(lines[i]).size() > 1) {
                drawPlaced(b, lines[i], font, h);
            } else {
                const THorzAlignment a = align == THorzAlignment::haEven ? THorzAlignment::haCenter : align;
                const QPoint p = TextOriginInRect(b, angle, a, TVertAlignment::vaTop, lm.textWidth(lines[i]), h);
                drawLine(c, shift(p.x(), p.y()), angle, font, lines[i]);
            }
            c.restore();
        }
        break;
    }
    }
    c.restore();
}

void TDevicePrint::DrawTextMM(const QString &s, TRealRect &r, THorzAlignment align, TVertAlignment layout,
                              TTextAngle angle, double space, TTextFitOption fit, const TTextDrawOptions &options)
{
    const TSize dpi = DPI();
    TEdgeRect box = deviceRect(r, dpi);
    DrawText(s, box, align, layout, angle, MMToDevice(acrossDpi(angle, dpi), space), fit, options);
    r = mmRect(box, dpi);
}

int TDevicePrint::DrawTextWin(const QString &s, TEdgeRect &r, unsigned format)
{
    VELLORA_CANVAS();
    int flags = 0;
    flags |= (format & dtCenter) ? Qt::AlignHCenter : (format & dtRight) ? Qt::AlignRight : Qt::AlignLeft;
    if (format & dtSingleLine)
        flags |= (format & dtVCenter) ? Qt::AlignVCenter : (format & dtBottom) ? Qt::AlignBottom : Qt::AlignTop;
    else
        flags |= Qt::AlignTop;
    if (format & dtWordBreak)
        flags |= Qt::TextWordWrap;
    if (format & dtSingleLine)
        flags |= Qt::TextSingleLine;
    if (format & dtExpandTabs)
        flags |= Qt::TextExpandTabs;
    if (!(format & dtNoPrefix))
        flags |= Qt::TextShowMnemonic;
    const QRect target = toQRect(shift(r));
    const QFontMetrics m(c.font(), c.device());
    QRect reported = m.boundingRect(target, flags, s);
    if (!(format & dtCalcRect)) {
        c.save();
        if (!(format & dtNoClip))
            c.setClipRect(target, Qt::IntersectClip);
        c.drawText(target, flags, s, &reported);
        c.restore();
    }
    r = {reported.left() - shift.dx, reported.top() - shift.dy, reported.right() + 1 - shift.dx,
         reported.bottom() + 1 - shift.dy};
    return reported.height();
}

double TDevicePrint::DrawTextWinMM(const QString &s, TRealRect &r, unsigned format)
{
    const TSize dpi = DPI();
    TEdgeRect box = deviceRect(r, dpi);
    const int height = DrawTextWin(s, box, format);
    r = mmRect(box, dpi);
    return DeviceToMM(height, dpi.cy);
}

int TDevicePrint::WrapText(const QString &s, TEdgeRect &r, TTextAngle angle, int space,
                           const TTextDrawOptions &options, QStringList &lines)
{
    VELLORA_CANVAS();
    (void)shift;
    const QFont font = fontFor(c.font(), angle, c.device());
    const FontMeasurer m(font, c.device());
    lines = WrapTextLines(s, AlongLength(r, angle), options, m);
    const int n = static_cast<int>(lines.size());
    if (options.adjustRect) {
        const int need = n * (m.textHeight(s) + space) - space;
        r = GrowAcross(r, angle, need - AcrossExtent(r, angle));
    }
    return n;
}

int TDevicePrint::WrapTextMM(const QString &s, TRealRect &r, TTextAngle angle, double space,
                             const TTextDrawOptions &options, QStringList &lines)
{
    const TSize dpi = DPI();
    TEdgeRect box = deviceRect(r, dpi);
    const int n = WrapText(s, box, angle, MMToDevice(acrossDpi(angle, dpi), space), options, lines);
    r = mmRect(box, dpi);
    return n;
}

int TDevicePrint::FitHeight(const QString &s, TEdgeRect &r, TTextAngle angle, int space, const TTextDrawOptions &options)
{
    TTextDrawOptions grow = options;
    grow.adjustRect = true;
    QStringList lines;
    WrapText(s, r, angle, space, grow, lines);
    return AcrossExtent(r, angle);
}

double TDevicePrint::FitHeightMM(const QString &s, TRealRect &r, TTextAngle angle, double space,
                                 const TTextDrawOptions &options)
{
    const TSize dpi = DPI();
    TEdgeRect box = deviceRect(r, dpi);
    const int extent = FitHeight(s, box, angle, MMToDevice(acrossDpi(angle, dpi), space), options);
    r = mmRect(box, dpi);
    return DeviceToMM(extent, acrossDpi(angle, dpi));
}

int TDevicePrint::TextWidth(const QString &s)
{
    VELLORA_CANVAS();
    (void)shift;
    return FontMeasurer(c.font(), c.device()).textWidth(s);
}

int TDevicePrint::TextHeight(const QString &s)
{
    if (QPainter *c = Canvas())
        return FontMeasurer(c->font(), c->device()).textHeight(s);
    // Without a canvas: the font's height at its own resolution, scaled to the device.
    const QFont font = Font();
    const double height = font.pixelSize() > 0 ? font.pixelSize() * DPI().cy / 96.0 : font.pointSizeF() * DPI().cy / 72.0;
    return static_cast<int>(std::lround(std::abs(height)));
}

double TDevicePrint::TextWidthMM(const QString &s)
{
    return DeviceToMM(TextWidth(s), DPI().cx);
}

double TDevicePrint::TextHeightMM(const QString &s)
{
    return DeviceToMM(TextHeight(s), DPI().cy);
}

#undef VELLORA_CANVAS

} // namespace vellora
