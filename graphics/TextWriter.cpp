#include "graphics/TextWriter.h"

#include <QColor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QScreen>
#include <QThread>

#include <algorithm>
#include <cmath>

namespace vellora {

namespace {

// Measures with whatever font the painter holds at the moment of the call.
class TPainterMeasurer final : public TTextMeasurer {
public:
    explicit TPainterMeasurer(QPainter &painter) : FPainter(painter) {}
    int textWidth(const QString &s) const override
    {
        return FPainter.fontMetrics().horizontalAdvance(s);
    }
    int textHeight(const QString &) const override { return FPainter.fontMetrics().height(); }

private:
    QPainter &FPainter;
};

TFloatSize screenResolution()
{
    // The screen list belongs to the application's thread; pages may be
    // drawn on a helper thread, which then takes the standard resolution
    // (every page drawer sets its own anyway).
    const QCoreApplication *app = QCoreApplication::instance();
    if (qobject_cast<const QGuiApplication *>(app) != nullptr && app->thread() == QThread::currentThread()) {
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            return {screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY()};
    }
    return {TFont::kScreenDpi, TFont::kScreenDpi};
}

QColor toQColor(TColor c)
{
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

// The rotation that turns the painter's x axis into the text direction.
qreal rotationDegrees(TTextAngle angle)
{
    switch (angle) {
    case TTextAngle::taNone: return 0;
    case TTextAngle::taAngle90: return -90;
    case TTextAngle::taAngle180: return 180;
    case TTextAngle::taAngle270: return 90;
    }
    return 0;
}

int dotsPerMeter(Extended dpi)
{
    return static_cast<int>(std::lround(static_cast<double>(dpi) / 0.0254));
}

} // namespace

TQvTextWriter::TQvTextWriter() : FResolution(screenResolution()) {}

void TQvTextWriter::SetCanvas(QPainter *canvas)
{
    FCanvas = canvas;
    if (canvas != nullptr && canvas->device() != nullptr)
        FResolution = {static_cast<Extended>(canvas->device()->logicalDpiX()),
                       static_cast<Extended>(canvas->device()->logicalDpiY())};
    else
        FResolution = screenResolution();
}

void TQvTextWriter::SetColPitch(int v)
{
    FColPitch = v;
    if (FHorzAlignment < THorzAlignment::haEven)
        FColStyle = TTextPitchStyle::psPitch;
}

void TQvTextWriter::SetColSpace(int v)
{
    FColSpace = v;
    if (FHorzAlignment < THorzAlignment::haEven)
        FColStyle = TTextPitchStyle::psSpace;
}

bool TQvTextWriter::ColPitchEnabled() const noexcept
{
    return FColStyle == TTextPitchStyle::psPitch && FHorzAlignment < THorzAlignment::haEven;
}

void TQvTextWriter::SetRowPitch(int v)
{
    FRowPitch = v;
    if (FVertAlignment != TVertAlignment::vaEven)
        FRowStyle = TTextPitchStyle::psPitch;
}

void TQvTextWriter::SetRowSpace(int v)
{
    FRowSpace = v;
    if (FVertAlignment != TVertAlignment::vaEven)
        FRowStyle = TTextPitchStyle::psSpace;
}

bool TQvTextWriter::RowPitchEnabled() const noexcept
{
    return FRowStyle == TTextPitchStyle::psPitch && FVertAlignment != TVertAlignment::vaEven;
}

QString TQvTextWriter::PrintableText() const
{
    QString out;
    out.reserve(FText.size());
    for (const QChar c : FText)
        if (c.category() != QChar::Other_Control)
            out.append(c);
    return out;
}

Extended TQvTextWriter::MMColPitch() const { return PixelToMM(FColPitch, XResolution()); }
void TQvTextWriter::SetMMColPitch(Extended mm) { SetColPitch(MMToPixel(mm, XResolution())); }
Extended TQvTextWriter::MMColSpace() const { return PixelToMM(FColSpace, XResolution()); }
void TQvTextWriter::SetMMColSpace(Extended mm) { SetColSpace(MMToPixel(mm, XResolution())); }

TFloatSize TQvTextWriter::MMOffset() const { return {MMOffsetLeft(), MMOffsetTop()}; }
void TQvTextWriter::SetMMOffset(const TFloatSize &mm)
{
    SetMMOffsetLeft(mm.cx);
    SetMMOffsetTop(mm.cy);
}
Extended TQvTextWriter::MMOffsetLeft() const { return PixelToMM(FOffset.width(), XResolution()); }
void TQvTextWriter::SetMMOffsetLeft(Extended mm) { FOffset.setWidth(MMToPixel(mm, XResolution())); }
Extended TQvTextWriter::MMOffsetTop() const { return PixelToMM(FOffset.height(), YResolution()); }
void TQvTextWriter::SetMMOffsetTop(Extended mm) { FOffset.setHeight(MMToPixel(mm, YResolution())); }

TFloatRect TQvTextWriter::MMPadding() const
{
    return {MMPaddingLeft(), MMPaddingTop(), MMPaddingRight(), MMPaddingBottom()};
}
void TQvTextWriter::SetMMPadding(const TFloatRect &mm)
{
    SetMMPaddingLeft(mm.Left);
    SetMMPaddingTop(mm.Top);
    SetMMPaddingRight(mm.Right);
    SetMMPaddingBottom(mm.Bottom);
}
Extended TQvTextWriter::MMPaddingLeft() const { return PixelToMM(FPadding.Left, XResolution()); }
void TQvTextWriter::SetMMPaddingLeft(Extended mm) { FPadding.Left = MMToPixel(mm, XResolution()); }
Extended TQvTextWriter::MMPaddingTop() const { return PixelToMM(FPadding.Top, YResolution()); }
void TQvTextWriter::SetMMPaddingTop(Extended mm) { FPadding.Top = MMToPixel(mm, YResolution()); }
Extended TQvTextWriter::MMPaddingRight() const { return PixelToMM(FPadding.Right, XResolution()); }
void TQvTextWriter::SetMMPaddingRight(Extended mm) { FPadding.Right = MMToPixel(mm, XResolution()); }
Extended TQvTextWriter::MMPaddingBottom() const { return PixelToMM(FPadding.Bottom, YResolution()); }
void TQvTextWriter::SetMMPaddingBottom(Extended mm) { FPadding.Bottom = MMToPixel(mm, YResolution()); }

Extended TQvTextWriter::MMRowPitch() const { return PixelToMM(FRowPitch, YResolution()); }
void TQvTextWriter::SetMMRowPitch(Extended mm) { SetRowPitch(MMToPixel(mm, YResolution())); }
Extended TQvTextWriter::MMRowSpace() const { return PixelToMM(FRowSpace, YResolution()); }
void TQvTextWriter::SetMMRowSpace(Extended mm) { SetRowSpace(MMToPixel(mm, YResolution())); }

TTextLayoutSettings TQvTextWriter::layoutSettings() const
{
    TTextLayoutSettings s;
    s.angle = FAngle;
    s.autoSize = FAutoSize;
    s.colStyle = FColStyle;
    s.colPitch = FColPitch;
    s.colSpace = FColSpace;
    s.horzAlignment = FHorzAlignment;
    s.rowStyle = FRowStyle;
    s.rowPitch = FRowPitch;
    s.rowSpace = FRowSpace;
    s.vertAlignment = FVertAlignment;
    s.wrapStyle = FWrapStyle;
    s.wrapOptions = FWrapOption;
    s.padding = FPadding;
    s.resolution = FResolution;
    return s;
}

// The document font at the target's vertical resolution, so that a height
// given for 96 dpi keeps its physical size on any canvas.
QFont TQvTextWriter::canvasFont() const
{
    return FFont.toQFont(static_cast<double>(FResolution.cy));
}

void TQvTextWriter::useFont(QPainter &canvas, const QFont &font) const
{
    canvas.setFont(font);
    canvas.setPen(toQColor(FFont.Color));
}

QFont TQvTextWriter::CreateAngleFont(QPainter &canvas, int w) const
{
    QFont f = canvas.font();
    f.setStretch(QFont::Unstretched);
    if (w <= 0)
        return f;
    // A cell width is an average character width; the font is narrowed by
    // its ratio to the natural one.
    const int natural = QFontMetrics(f, canvas.device()).averageCharWidth();
    if (natural > 0)
        f.setStretch(std::clamp(static_cast<int>(std::lround(100.0 * w / natural)), 1, 4000));
    return f;
}

void TQvTextWriter::drawChar(QPainter &canvas, QPoint at, const QString &ch) const
{
    canvas.save();
    canvas.translate(at);
    canvas.rotate(rotationDegrees(FAngle));
    canvas.drawText(QPoint(0, canvas.fontMetrics().ascent()), ch);
    canvas.restore();
}

void TQvTextWriter::drawPlaced(QPainter &canvas, QPoint origin, const TPlacedLine &line) const
{
    for (const TPlacedChar &placed : line) {
        QPoint at = origin;
        IncCol(at, placed.offset);
        drawChar(canvas, at, placed.ch);
    }
}

void TQvTextWriter::drawLines(QPainter &canvas, const QString &prepared, const TPixelRect &p)
{
    const TPainterMeasurer m(canvas);
    for (const TLinePlacement &line : LayoutLines(prepared, p, layoutSettings(), m))
        drawPlaced(canvas, line.origin, line.chars);
}

void TQvTextWriter::drawCondensed(QPainter &canvas, const QString &prepared, const TPixelRect &p)
{
    const TTextLayoutSettings s = layoutSettings();
    const TPainterMeasurer m(canvas);
    const QSize size = vellora::GetCanvasSize(p, FAngle);
    const std::vector<TTextLine> lines = DrawnLines(prepared, false);
    const TRowLayout rows =
        LayoutRows(static_cast<int>(lines.size()), size.height(), LineHeight(s, m), s);
    const int advance = rows.gap + TextSize(QStringLiteral("A"), s, m).height();
    const QFont natural = canvasFont();

    QPoint origin = GetRectOrigin(p);
    IncRow(origin, rows.shift);
    int remainder = rows.remainder;
    for (const TTextLine &line : lines) {
        const int n = static_cast<int>(SplitChars(line.text).size());
        // Whether the line fits is judged with the natural font: judged with
        // the previous line's narrowed font, a line too wide for its natural
        // width could pass as fitting and be drawn cut off.
        useFont(canvas, natural);
        int w = 0;
        if (n > 0 && !s.colPitchEnabled() && m.textWidth(line.text) > size.width())
            w = std::max(1, (size.width() + n / 2 - (n - 1) * FColSpace) / n);
        FitCellWidth(w, size.width(), [&](int cell) {
            useFont(canvas, CreateAngleFont(canvas, cell));
            return m.textWidth(line.text);
        });
        drawPlaced(canvas, origin, PlaceFittedLine(line.text, size.width(), s, m));
        IncRow(origin, advance + (remainder > 0 ? 1 : 0));
        if (remainder > 0)
            --remainder;
    }
}

void TQvTextWriter::drawReduced(QPainter &canvas, const QString &prepared, const TPixelRect &p)
{
    const TTextLayoutSettings s = layoutSettings();
    const TPainterMeasurer m(canvas);
    QFont current = canvasFont();
    useFont(canvas, current);
    const QSize size = vellora::GetCanvasSize(p, FAngle);
    const std::vector<TTextLine> lines = DrawnLines(prepared, false);
    const TRowLayout rows =
        LayoutRows(static_cast<int>(lines.size()), size.height(), LineHeight(s, m), s);
    const int advance = rows.gap + TextSize(QStringLiteral("ふ"), s, m).height();

    QPoint origin = GetRectOrigin(p);
    IncRow(origin, rows.shift);
    int remainder = rows.remainder;
    for (const TTextLine &line : lines) {
        useFont(canvas, current);
        if (m.textWidth(line.text) > size.width()) {
            // The lowered height stays for the following lines.
            current.setPixelSize(FitHeight(current.pixelSize(), size.width(), [&](int h) {
                QFont f = current;
                f.setPixelSize(h);
                useFont(canvas, f);
                return m.textWidth(line.text);
            }));
            useFont(canvas, current);
        }
        drawPlaced(canvas, origin, PlaceFittedLine(line.text, size.width(), s, m));
        IncRow(origin, advance + (remainder > 0 ? 1 : 0));
        if (remainder > 0)
            --remainder;
    }
}

void TQvTextWriter::Draw(QPainter *canvas, TPixelRect &r)
{
    if (canvas != nullptr)
        FCanvas = canvas;
    if (FCanvas == nullptr) {
        // Nothing to draw on; still lay out so that AutoSize grows r.
        QStringList ignored;
        TextWrap(nullptr, r, ignored);
        return;
    }
    QPainter &c = *FCanvas;
    useFont(c, canvasFont());
    const TPreparedText prepared = PrepareText(FText, r, layoutSettings(), TPainterMeasurer(c));

    TPixelRect shifted = r;
    shifted.Left += FOffset.width();
    shifted.Right += FOffset.width();
    shifted.Top += FOffset.height();
    shifted.Bottom += FOffset.height();
    const TPixelRect p = PaddingRect(shifted);

    SaveBrush(&c);
    if (p.Width() > 0 && p.Height() > 0) {
        c.save();
        c.setClipRect(p.toQRect(), Qt::IntersectClip);
        if (FWrapStyle == TTextWrapStyle::wsReturnOnly && FFitStyle == TTextFitStyle::fsTrans)
            drawCondensed(c, prepared.text, p);
        else if (FWrapStyle == TTextWrapStyle::wsReturnOnly && FFitStyle == TTextFitStyle::fsSize)
            drawReduced(c, prepared.text, p);
        else
            drawLines(c, prepared.text, p);
        c.restore();
    }
    RestoreBrush(&c);
    useFont(c, canvasFont());
}

void TQvTextWriter::MMDraw(QPainter *canvas, TFloatRect &r)
{
    TPixelRect px = MMRectToPixelRect(r, FResolution);
    Draw(canvas, px);
    r = PixelRectToMMRect(px, FResolution);
}

int TQvTextWriter::TextWrap(QPainter *canvas, TPixelRect &r, QStringList &lines)
{
    if (canvas != nullptr)
        FCanvas = canvas;
    TPreparedText prepared;
    if (FCanvas != nullptr) {
        useFont(*FCanvas, canvasFont());
        prepared = PrepareText(FText, r, layoutSettings(), TPainterMeasurer(*FCanvas));
    } else {
        // Measure on a scratch image of the writer's resolution.
        QImage scratch(1, 1, QImage::Format_RGB32);
        scratch.setDotsPerMeterX(dotsPerMeter(FResolution.cx));
        scratch.setDotsPerMeterY(dotsPerMeter(FResolution.cy));
        QPainter painter(&scratch);
        useFont(painter, canvasFont());
        prepared = PrepareText(FText, r, layoutSettings(), TPainterMeasurer(painter));
    }
    lines = SplitAtBreaks(prepared.text);
    return static_cast<int>(lines.size());
}

int TQvTextWriter::MMTextWrap(QPainter *canvas, TFloatRect &r, QStringList &lines)
{
    TPixelRect px = MMRectToPixelRect(r, FResolution);
    const int count = TextWrap(canvas, px, lines);
    r = PixelRectToMMRect(px, FResolution);
    return count;
}

void TQvTextWriter::TextOut(QPainter *canvas, int x, int y)
{
    if (canvas == nullptr)
        return;
    useFont(*canvas, canvasFont());
    drawChar(*canvas, QPoint(x + FOffset.width(), y + FOffset.height()), FText);
}

void TQvTextWriter::textOutStepped(QPainter *canvas, int x, int y, bool pitch)
{
    if (canvas == nullptr)
        return;
    useFont(*canvas, canvasFont());
    SaveBrush(canvas);
    const TPainterMeasurer m(*canvas);
    QPoint at(x + FOffset.width(), y + FOffset.height());
    for (const QString &ch : SplitChars(PrintableText())) {
        drawChar(*canvas, at, ch);
        IncCol(at, pitch ? FColPitch : m.textWidth(ch) + FColSpace);
    }
    RestoreBrush(canvas);
}

void TQvTextWriter::TextOutWithPitch(QPainter *canvas, int x, int y)
{
    textOutStepped(canvas, x, y, true);
}

void TQvTextWriter::TextOutWithSpace(QPainter *canvas, int x, int y)
{
    textOutStepped(canvas, x, y, false);
}

void TQvTextWriter::MMTextOut(QPainter *canvas, Extended x, Extended y)
{
    TextOut(canvas, MMToPixel(x, XResolution()), MMToPixel(y, YResolution()));
}

void TQvTextWriter::MMTextOutWithPitch(QPainter *canvas, Extended x, Extended y)
{
    TextOutWithPitch(canvas, MMToPixel(x, XResolution()), MMToPixel(y, YResolution()));
}

void TQvTextWriter::MMTextOutWithSpace(QPainter *canvas, Extended x, Extended y)
{
    TextOutWithSpace(canvas, MMToPixel(x, XResolution()), MMToPixel(y, YResolution()));
}

void TQvTextWriter::DrawLine(QPainter *canvas, QPoint p1, QPoint p2)
{
    if (canvas == nullptr)
        return;
    const QPoint shift(FOffset.width(), FOffset.height());
    canvas->drawLine(p1 + shift, p2 + shift);
}

void TQvTextWriter::MMDrawLine(QPainter *canvas, const TFloatPoint &p1, const TFloatPoint &p2)
{
    DrawLine(canvas, MMPointToPixelPoint(p1, FResolution), MMPointToPixelPoint(p2, FResolution));
}

QSize TQvTextWriter::GetTextSize(QPainter *canvas, const QString &s) const
{
    QPainter *c = canvas != nullptr ? canvas : FCanvas;
    if (c != nullptr)
        return TextSize(s, layoutSettings(), TPainterMeasurer(*c));
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter painter(&scratch);
    painter.setFont(canvasFont());
    return TextSize(s, layoutSettings(), TPainterMeasurer(painter));
}

void TQvTextWriter::SaveBrush(QPainter *canvas)
{
    if (canvas == nullptr)
        return;
    FSaveBrush = canvas->brush();
    FSaveBackgroundMode = canvas->backgroundMode();
    canvas->setBrush(Qt::NoBrush);
    canvas->setBackgroundMode(Qt::TransparentMode);
}

void TQvTextWriter::RestoreBrush(QPainter *canvas)
{
    if (canvas == nullptr)
        return;
    canvas->setBrush(FSaveBrush);
    canvas->setBackgroundMode(FSaveBackgroundMode);
}

} // namespace vellora
