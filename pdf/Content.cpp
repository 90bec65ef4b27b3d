#include "pdf/Content.h"

#include "pdf/DocumentObjects.h"
#include "pdf/PdfText.h"
#include "pdf/QvPDF.h"
#include "pdf/XImage.h"

#include <QFile>
#include <cmath>
#include <numbers>

namespace vellora::pdf {

// --- TPDFCustomPen

void TPDFCustomPen::changed()
{
    if (OnChange)
        OnChange();
}

void TPDFCustomPen::SetOnCount(std::uint8_t v)
{
    if (v == FOnCount)
        return;
    FOnCount = v;
    FStyle = TPDFPenStyle::plsCustom;
    changed();
}

void TPDFCustomPen::SetOffCount(std::uint8_t v)
{
    if (v == FOffCount)
        return;
    FOffCount = v;
    FStyle = TPDFPenStyle::plsCustom;
    changed();
}

void TPDFCustomPen::SetStartCount(std::uint8_t v)
{
    if (v == FStartCount)
        return;
    FStartCount = v;
    if (v != 0)
        FStyle = TPDFPenStyle::plsCustom;
    changed();
}

void TPDFCustomPen::SetStyle(TPDFPenStyle v)
{
    FStyle = v;
    switch (v) {
    case TPDFPenStyle::plsSolid: FOnCount = 0; FOffCount = 0; break;
    case TPDFPenStyle::plsDot: FOnCount = 1; FOffCount = 1; break;
    case TPDFPenStyle::plsDash: FOnCount = 3; FOffCount = 1; break;
    default: break;
    }
    changed();
}

void TPDFCustomPen::Assign(const TPDFCustomPen &source)
{
    FOffCount = source.FOffCount;
    FOnCount = source.FOnCount;
    FStartCount = source.FStartCount;
    FStyle = source.FStyle;
    changed();
}

QString TPDFCustomPen::DashText() const
{
    if (FStyle != TPDFPenStyle::plsSolid && FOffCount != FOnCount)
        return QStringLiteral("[%1 %2] %3").arg(FOnCount).arg(FOffCount).arg(FStartCount);
    if (FOffCount == FOnCount && FOnCount != 0)
        return QStringLiteral("[%1] %2").arg(FOnCount).arg(FStartCount);
    return QStringLiteral("[] 0");
}

// --- TPDFContent: construction and state

TPDFContent::TPDFContent(TQvPDFObjects *AOwner, TPDFPage *APage) : TPDFObject(AOwner), FPage(APage)
{
    FCustomPenStyle.OnChange = [this] {
        if (FPenStyle == TPDFPenStyle::plsCustom)
            FInnerPenStyle.Assign(FCustomPenStyle);
    };
    FCurrent.horzScale = FFont.Scale();
}

TPDFContent::~TPDFContent()
{
    ReleaseData();
}

bool TPDFContent::FillEnabled() const noexcept
{
    return FBrushStyle != TPDFBrushStyle::pbsClear && FBrushColor != clNone;
}

bool TPDFContent::StrokeEnabled() const noexcept
{
    return FPenStyle != TPDFPenStyle::plsClear && FPenColor != clNone;
}

void TPDFContent::SetPenStyle(TPDFPenStyle v)
{
    if (v == FPenStyle)
        return;
    FPenStyle = v;
    FInnerPenStyle.SetStyle(v);
    if (v == TPDFPenStyle::plsCustom)
        FInnerPenStyle.Assign(FCustomPenStyle);
}

void TPDFContent::line(const QString &text)
{
    WriteLine(FSink, text);
}

void TPDFContent::line(std::string_view text)
{
    WriteLine(FSink, text);
}

double TPDFContent::X(double x) const
{
    return x + (FPage ? FPage->MarginLeft() : 0.0);
}

double TPDFContent::Y(double y) const
{
    return y - (FPage ? FPage->MarginBottom() : 0.0);
}

static std::string rgb(TColor color)
{
    // System colours (high byte set) are not ours to look up: take the RGB part.
    const auto r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
    return f2(r / 255.0) + ' ' + f2(g / 255.0) + ' ' + f2(b / 255.0);
}

// --- graphics-state writers

void TPDFContent::PG_SetLineCap(TPDFLineCap cap)
{
    if (cap == FCurrent.lineCap)
        return;
    line(formatInt(static_cast<int>(cap)) + " J");
    FCurrent.lineCap = cap;
}

void TPDFContent::PG_SetLineJoin(TPDFLineJoinStyle join)
{
    if (join == FCurrent.lineJoin)
        return;
    line(formatInt(static_cast<int>(join)) + " j");
    FCurrent.lineJoin = join;
}

void TPDFContent::PG_SetMiterLimit(double limit)
{
    if (limit == FCurrent.miterLimit || FLineJoinStyle != TPDFLineJoinStyle::pjsMiter)
        return;
    line(f2(limit) + " M");
    FCurrent.miterLimit = limit;
}

void TPDFContent::PG_SetPenWidth(double width)
{
    if (width == FCurrent.penWidth)
        return;
    line(f2(width) + " w");
    FCurrent.penWidth = width;
}

void TPDFContent::PG_SetPenStyle(TPDFPenStyle style)
{
    if ((style == FCurrent.penStyle && style != TPDFPenStyle::plsCustom) || style == TPDFPenStyle::plsClear)
        return;
    line(FInnerPenStyle.DashText() + QStringLiteral(" d"));
    FCurrent.penStyle = style;
}

void TPDFContent::PG_SetPenColor(TColor color)
{
    if (color == FCurrent.stroke || color == clNone || FPenStyle == TPDFPenStyle::plsClear)
        return;
    line(rgb(color) + " RG");
    FCurrent.stroke = color;
}

void TPDFContent::PG_SetBrushColor(TColor color)
{
    if (color == FCurrent.fill || color == clNone || FBrushStyle == TPDFBrushStyle::pbsClear)
        return;
    line(rgb(color) + " rg");
    FCurrent.fill = color;
}

// --- path and painting primitives

void TPDFContent::PG_MoveTo(double x, double y)
{
    line(f2(X(x)) + ' ' + f2(Y(y)) + " m");
}

void TPDFContent::PG_LineTo(double x, double y)
{
    line(f2(X(x)) + ' ' + f2(Y(y)) + " l");
}

void TPDFContent::PG_BezierC(double X1, double Y1, double X2, double Y2, double X3, double Y3)
{
    line(f2(X(X1)) + ' ' + f2(Y(Y1)) + ' ' + f2(X(X2)) + ' ' + f2(Y(Y2)) + ' ' + f2(X(X3)) + ' ' + f2(Y(Y3)) + " c");
}

void TPDFContent::PG_BezierV(double X2, double Y2, double X3, double Y3)
{
    line(f2(X(X2)) + ' ' + f2(Y(Y2)) + ' ' + f2(X(X3)) + ' ' + f2(Y(Y3)) + " v");
}

void TPDFContent::PG_BezierY(double X1, double Y1, double X3, double Y3)
{
    line(f2(X(X1)) + ' ' + f2(Y(Y1)) + ' ' + f2(X(X3)) + ' ' + f2(Y(Y3)) + " y");
}

void TPDFContent::PG_Rectangle(double x, double y, double Width, double Height)
{
    line(f2(X(x)) + ' ' + f2(Y(y)) + ' ' + f2(Width) + ' ' + f2(Height) + " re");
}

void TPDFContent::PG_Clip()
{
    line(std::string_view("W n"));
}

// What was written inside q ... Q is undone by Q, so the recorded values
// return with it; otherwise an operator the restored state needs is skipped.
void TPDFContent::PG_Push()
{
    line(std::string_view("q"));
    FSaved.push_back(FCurrent);
}

void TPDFContent::PG_Pop()
{
    line(std::string_view("Q"));
    if (!FSaved.empty()) {
        FCurrent = FSaved.back();
        FSaved.pop_back();
    }
}

void TPDFContent::PG_Stroke(bool AStroke, bool AClose, bool AFill)
{
    if (AStroke)
        line(std::string_view(!AClose ? "S" : AFill ? "b" : "s"));
    else
        line(std::string_view(AFill ? "f" : "n"));
}

void TPDFContent::PG_CTM(double Angle)
{
    const double a = Angle * std::numbers::pi / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    line(formatFixed(c, 4) + ' ' + formatFixed(s, 4) + ' ' + formatFixed(-s, 4) + ' ' + formatFixed(c, 4) + " 0 0 cm");
}

void TPDFContent::PG_CTM(double x, double y, double XScale, double YScale)
{
    line(f2(XScale) + " 0 0 " + f2(YScale) + ' ' + f2(X(x)) + ' ' + f2(Y(y)) + " cm");
}

void TPDFContent::PG_Do(const TPDFXImage &AImage)
{
    line(AImage.Name() + QStringLiteral(" Do"));
}

// --- drawing operations

void TPDFContent::MoveTo(double x, double y)
{
    PG_SetLineCap(FLineCap);
    PG_SetPenStyle(FPenStyle);
    PG_SetPenWidth(FPenWidth);
    PG_SetLineJoin(FLineJoinStyle);
    PG_SetMiterLimit(FMiterLimit);
    PG_SetBrushColor(FBrushColor);
    PG_SetPenColor(FPenColor);
    PG_MoveTo(x, y);
}

void TPDFContent::LineTo(double x, double y)
{
    PG_LineTo(x, y);
    PG_Stroke(StrokeEnabled(), false, false);
}

void TPDFContent::DrawLine(double X1, double Y1, double X2, double Y2)
{
    PG_SetLineCap(FLineCap);
    PG_SetPenStyle(FPenStyle);
    PG_SetPenWidth(FPenWidth);
    PG_SetLineJoin(FLineJoinStyle);
    PG_SetMiterLimit(FMiterLimit);
    PG_SetPenColor(FPenColor);
    PG_MoveTo(X1, Y1);
    PG_LineTo(X2, Y2);
    PG_Stroke(StrokeEnabled(), false, false);
}

void TPDFContent::Rectangle(double X1, double Y1, double X2, double Y2)
{
    PG_SetPenStyle(FPenStyle);
    PG_SetPenWidth(FPenWidth);
    PG_SetLineJoin(FLineJoinStyle);
    PG_SetMiterLimit(FMiterLimit);
    PG_SetPenColor(FPenColor);
    PG_SetBrushColor(FBrushColor);
    PG_Rectangle(X1, Y1, X2 - X1, Y2 - Y1);
    PG_Stroke(StrokeEnabled(), false, FillEnabled());
}

void TPDFContent::Polygon(const std::vector<QPointF> &Points)
{
    if (Points.empty())
        return;
    MoveTo(Points.front().x(), Points.front().y());
    for (std::size_t i = 1; i < Points.size(); ++i)
        PG_LineTo(Points[i].x(), Points[i].y());
    PG_Stroke(StrokeEnabled(), true, FillEnabled());
}

void TPDFContent::PolyLine(const std::vector<QPointF> &Points)
{
    if (Points.empty())
        return;
    MoveTo(Points.front().x(), Points.front().y());
    for (std::size_t i = 1; i < Points.size(); ++i)
        PG_LineTo(Points[i].x(), Points[i].y());
    PG_Stroke(StrokeEnabled(), false, false);
}

void TPDFContent::Bezier(double StartX, double StartY, double EndX, double EndY, double ContX1, double ContY1,
                         double ContX2, double ContY2)
{
    MoveTo(StartX, StartY);
    Bezier(EndX, EndY, ContX1, ContY1, ContX2, ContY2);
}

void TPDFContent::Bezier(double EndX, double EndY, double ContX1, double ContY1, double ContX2, double ContY2)
{
    PG_BezierC(ContX1, ContY1, ContX2, ContY2, EndX, EndY);
    PG_Stroke(StrokeEnabled(), false, false);
}

void TPDFContent::Circle(double cx, double cy, double r)
{
    const double h = r / 2;
    MoveTo(cx, cy + r);
    PG_BezierC(cx + h, cy + r, cx + r, cy + h, cx + r, cy);
    PG_BezierC(cx + r, cy - h, cx + h, cy - r, cx, cy - r);
    PG_BezierC(cx - h, cy - r, cx - r, cy - h, cx - r, cy);
    PG_BezierC(cx - r, cy + h, cx - h, cy + r, cx, cy + r);
    PG_Stroke(StrokeEnabled(), true, FillEnabled());
}

// --- images

TPDFXImage *TPDFContent::addImage()
{
    auto *image = FOwner->Add<TPDFXImage>();
    FPage->Resources().AddImage(image);
    return image;
}

void TPDFContent::placeImage(const TPDFXImage &image, double x, double y, double width, double height, double angle)
{
    PG_Push();
    if (angle != 0)
        PG_CTM(angle);
    PG_CTM(x, y, width, height);
    PG_Do(image);
    PG_Pop();
}

TPDFXImage *TPDFContent::DrawImage(double x, double y, int HorzDPI, int VertDPI, const QImage &Image,
                                   bool Interpolate, double Angle)
{
    if (HorzDPI <= 0 || VertDPI <= 0)
        throw Error(std::string("DrawImage: the resolution must be positive"));
    TPDFXImage *image = addImage();
    image->WriteImage(Image);
    image->SetInterpolate(Interpolate);
    placeImage(*image, x, y, Image.width() * 72.0 / HorzDPI, Image.height() * 72.0 / VertDPI, Angle);
    return image;
}

TPDFXImage *TPDFContent::DrawImage(const TPDFRect &ARect, const QImage &Image, bool Interpolate, double Angle)
{
    return DrawImage(ARect.Left(), ARect.Lower(), ARect.Width(), ARect.Height(), Image, Interpolate, Angle);
}

TPDFXImage *TPDFContent::DrawImage(double x, double y, double HorzScale, double VertScale, const QImage &Image,
                                   bool Interpolate, double Angle)
{
    TPDFXImage *image = addImage();
    image->WriteImage(Image);
    image->SetInterpolate(Interpolate);
    placeImage(*image, x, y, HorzScale, VertScale, Angle);
    return image;
}

TPDFXImage *TPDFContent::DrawJPEGImage(double x, double y, int HorzDPI, int VertDPI, const QByteArray &Jpeg,
                                       bool Interpolate, double Angle)
{
    if (HorzDPI <= 0 || VertDPI <= 0)
        throw Error(std::string("DrawJPEGImage: the resolution must be positive"));
    const JpegInfo info = ReadJpegInfo(Jpeg);   // before anything is added
    TPDFXImage *image = addImage();
    image->WriteJPEG(Jpeg, info);
    image->SetBitsPerComponent(8);
    image->SetInterpolate(Interpolate);
    placeImage(*image, x, y, info.width * 72.0 / HorzDPI, info.height * 72.0 / VertDPI, Angle);
    return image;
}

TPDFXImage *TPDFContent::DrawJPEGImage(const TPDFRect &ARect, const QByteArray &Jpeg, bool Interpolate, double Angle)
{
    return DrawJPEGImage(ARect.Left(), ARect.Lower(), ARect.Width(), ARect.Height(), Jpeg, Interpolate, Angle);
}

TPDFXImage *TPDFContent::DrawJPEGImage(double x, double y, double HorzScale, double VertScale, const QByteArray &Jpeg,
                                       bool Interpolate, double Angle)
{
    const JpegInfo info = ReadJpegInfo(Jpeg);
    TPDFXImage *image = addImage();
    image->WriteJPEG(Jpeg, info);
    image->SetInterpolate(Interpolate);
    placeImage(*image, x, y, HorzScale, VertScale, Angle);
    return image;
}

// --- text operators

void TPDFContent::PT_BeginText()
{
    line(std::string_view("BT"));
}

void TPDFContent::PT_EndText()
{
    line(std::string_view("ET"));
}

void TPDFContent::PT_AddTextResource()
{
    FPage->Resources().AddResource(TPDFProcSet::ppsText);
}

void TPDFContent::PT_SetCharSpace(double ASpace)
{
    if (ASpace == FCurrent.charSpace)
        return;
    line(f2(ASpace) + " Tc");
    FCurrent.charSpace = ASpace;
}

void TPDFContent::PT_SetWordSpace(double ASpace)
{
    if (ASpace == FCurrent.wordSpace)
        return;
    line(f2(ASpace) + " Tw");
    FCurrent.wordSpace = ASpace;
}

void TPDFContent::PT_SetScaling(double Scale)
{
    if (Scale == FCurrent.horzScale)
        return;
    line(f2(Scale) + " Tz");
    FCurrent.horzScale = Scale;
}

void TPDFContent::PT_SetRowPitch(double APitch)
{
    if (APitch == FCurrent.rowPitch)
        return;
    line(f2(APitch) + " TL");
    FCurrent.rowPitch = APitch;
}

void TPDFContent::PT_TextRise(double ARise)
{
    if (ARise == FCurrent.textRise)
        return;
    line(f2(ARise) + " Ts");
    FCurrent.textRise = ARise;
}

void TPDFContent::PT_SelectTextRender(TPDFTextRenderMode mode)
{
    if (mode == FCurrent.textRender)
        return;
    line(formatInt(static_cast<int>(mode)) + " Tr");
    FCurrent.textRender = mode;
}

void TPDFContent::PT_SelectFontColor()
{
    const int mode = static_cast<int>(FFont.RenderMode());
    const bool fills = mode == 0 || mode == 2 || mode == 4 || mode == 6;
    const bool strokes = mode == 1 || mode == 2 || mode == 5 || mode == 6;
    if (fills && FFont.Color() != FCurrent.fill && FFont.Color() != clNone) {
        line(rgb(FFont.Color()) + " rg");
        FCurrent.fill = FFont.Color();
    }
    if (strokes && FFont.StrokeColor() != FCurrent.stroke && FFont.StrokeColor() != clNone) {
        line(rgb(FFont.StrokeColor()) + " RG");
        FCurrent.stroke = FFont.StrokeColor();
    }
}

TPDFFont *TPDFContent::fontFor()
{
    TPDFFont *font = FPage->Resources().FindFont(FFont);
    if (!font)
        font = Document()->FindOrMakeFont(FFont);
    font->SetCanvasFont(&FFont);
    return font;
}

TPDFFont *TPDFContent::PT_SelectFont()
{
    FUseFont = fontFor();
    if (FPage->Resources().IndexOf(FUseFont) < 0)
        FPage->Resources().Add(FUseFont);
    return FUseFont;
}

void TPDFContent::PT_WriteFont()
{
    if (!FUseFont)
        PT_SelectFont();
    FUseFont->WriteStream(FSink);
}

void TPDFContent::PT_MoveCursor(double x, double y)
{
    const int descent = FUseFont ? FUseFont->Descent() : 0;
    const double size = FUseFont && FUseFont->CanvasFont() ? FUseFont->CanvasFont()->Size() : FFont.Size();
    line(f2(X(x)) + ' ' + f2(Y(y - descent * size / 1000.0)) + " Td");
}

QStringList TPDFContent::splitLines(const QString &S)
{
    QStringList lines = S.split(QStringLiteral("\r\n"));
    if (lines.size() > 1 && lines.back().isEmpty())
        lines.pop_back();   // a final CR LF ends the text, it opens no line
    return lines;
}

void TPDFContent::PT_TextOut(const QString &S)
{
    if (!FUseFont)
        PT_SelectFont();
    const QStringList pieces = splitLines(S);
    for (int i = 0; i < pieces.size(); ++i) {
        FUseFont->WriteTextString(FSink, pieces[i]);
        line(std::string_view(i == 0 ? " Tj" : " '"));
    }
}

// --- text

void TPDFContent::textState(bool fontColor)
{
    PT_SelectTextRender(FFont.RenderMode());
    if (fontColor)
        PT_SelectFontColor();
    PT_SelectFont();
    PT_WriteFont();
}

void TPDFContent::TextOut(double x, double y, const QString &S)
{
    PT_AddTextResource();
    PT_BeginText();
    PT_SetCharSpace(FCharSpace);
    PT_SetWordSpace(FWordSpace);
    PT_SetScaling(FFont.Scale());
    PT_SetRowPitch(FFont.Size() + FRowSpace);
    textState(true);
    PT_MoveCursor(x, y);
    PT_TextOut(S);
    PT_EndText();
}

void TPDFContent::SubScriptOut(double x, double y, const QString &S)
{
    PT_AddTextResource();
    PT_BeginText();
    PT_SetCharSpace(FCharSpace);
    PT_SetWordSpace(FWordSpace);
    PT_SetScaling(FFont.Scale());
    PT_SetRowPitch(FFont.Size() + FRowSpace);
    PT_SelectTextRender(FFont.RenderMode());
    PT_SelectFont();
    FFont.SetSize(FFont.Size() / 3);
    PT_WriteFont();
    PT_MoveCursor(x, y);
    PT_TextRise(-0.5 * FFont.Size());
    PT_TextOut(S);
    PT_EndText();
}

void TPDFContent::SuperScriptOut(double x, double y, const QString &S)
{
    PT_AddTextResource();
    PT_BeginText();
    PT_SetCharSpace(FCharSpace);
    PT_SetWordSpace(FWordSpace);
    PT_SetScaling(FFont.Scale());
    PT_SetRowPitch(FFont.Size() + FRowSpace);
    PT_SelectTextRender(FFont.RenderMode());
    PT_SelectFont();
    FFont.SetSize(FFont.Size() / 3);
    PT_WriteFont();
    PT_MoveCursor(x, y);
    PT_TextRise(2.5 * FFont.Size());
    PT_TextOut(S);
    PT_EndText();
}

double TPDFContent::TextWidthEx(const QString &S, bool ACharSpace, bool AWordSpace, bool AScale)
{
    const TPDFFont *font = fontFor();
    double units = 0;
    int spaces = 0;
    for (const char32_t c : S.toUcs4()) {   // a surrogate pair is one character
        units += font->CharWidth(c);
        if (c == U' ')
            ++spaces;
    }
    double width = units / 1000.0 * FFont.Size();
    if (AScale)
        width = width * FFont.Scale() / 100.0;
    if (ACharSpace)
        width += static_cast<double>(S.size()) * FCharSpace;
    if (AWordSpace)
        width += spaces * FWordSpace;
    return width;
}

void TPDFContent::TextAlign(double x, double y, const QString &S, TPDFHorzTextAlign HorzAlign,
                            TPDFVertTextAlign VertAlign)
{
    const double width = TextWidth(S);
    if (HorzAlign == TPDFHorzTextAlign::htCenter)
        x -= width / 2;
    else if (HorzAlign == TPDFHorzTextAlign::htRight)
        x -= width;
    if (VertAlign == TPDFVertTextAlign::vtTop)
        y -= TextHeight();
    else if (VertAlign == TPDFVertTextAlign::vtCenter)
        y -= TextHeight() / 2;
    TextOut(x, y, S);
}

void TPDFContent::TextRect(const TPDFRect &ARect, double x, double y, const QString &S)
{
    PG_Push();
    PG_Rectangle(ARect.Left(), ARect.Lower(), ARect.Width(), ARect.Height());
    PG_Clip();
    TextOut(x, y, S);
    PG_Pop();
}

int TPDFContent::DrawText(const TPDFRect &ARect, const QString &S, TPDFHorzTextAlign HorzAlign,
                          TPDFVertTextAlign VertAlign, TPDFTextFit Fit)
{
    if (S.isEmpty())
        return 0;
    switch (Fit) {
    case TPDFTextFit::ptfNone: return TextRect2(ARect, S, HorzAlign, VertAlign);
    case TPDFTextFit::ptfScale: return TextRect3(ARect, S, HorzAlign, VertAlign);
    case TPDFTextFit::ptfWordWrap: return TextRect2(ARect, TextWrap(S, ARect.Width()), HorzAlign, VertAlign);
    }
    return 0;
}

int TPDFContent::TextRect2(const TPDFRect &ARect, const QString &S, TPDFHorzTextAlign HorzAlign,
                           TPDFVertTextAlign VertAlign)
{
    const QStringList lines = splitLines(S);
    const int n = static_cast<int>(lines.size());
    const double size = FFont.Size();
    const double h = n == 1 ? size : n * size + (n - 1) * FRowSpace;
    double y = 0;
    switch (VertAlign) {
    case TPDFVertTextAlign::vtTop: y = ARect.Upper() - size; break;
    case TPDFVertTextAlign::vtCenter: y = ARect.Upper() - (ARect.Height() - h) / 2 - size; break;
    case TPDFVertTextAlign::vtBottom: y = ARect.Lower() + h - size; break;
    }
    PG_Push();
    PG_Rectangle(ARect.Left(), ARect.Lower(), ARect.Width(), ARect.Height());
    PG_Clip();
    PT_AddTextResource();
    for (const QString &text : lines) {
        const double width = TextWidth(text);
        double x = ARect.Left();
        double extra = 0;
        if (HorzAlign == TPDFHorzTextAlign::htCenter
            || (HorzAlign == TPDFHorzTextAlign::htEven && text.size() <= 1))
            x = ARect.Left() + (ARect.Width() - width) / 2;
        else if (HorzAlign == TPDFHorzTextAlign::htRight)
            x = ARect.Right() - width;
        else if (HorzAlign == TPDFHorzTextAlign::htEven)
            extra = (ARect.Width() - width) / static_cast<double>(text.size() - 1);
        PT_BeginText();
        PT_SetWordSpace(FWordSpace);
        PT_SetScaling(FFont.Scale());
        PT_SetRowPitch(size + FRowSpace);
        textState(true);
        PT_SetCharSpace(FCharSpace + extra);
        PT_MoveCursor(x, y);
        PT_TextOut(text);
        PT_EndText();
        y -= size + FRowSpace;
    }
    PG_Pop();
    return n;
}

int TPDFContent::TextRect3(const TPDFRect &ARect, const QString &S, TPDFHorzTextAlign HorzAlign,
                           TPDFVertTextAlign VertAlign)
{
    const QStringList all = splitLines(S);
    QStringList lines;
    std::vector<double> natural;
    for (const QString &text : all) {
        const double w = TextWidthEx(text, false, false, false);
        if (w <= 0)
            continue;   // an empty line takes no space
        lines.push_back(text);
        natural.push_back(w);
    }
    const int n = static_cast<int>(lines.size());
    const double size = FFont.Size();
    const double h = n <= 1 ? size : n * size + (n - 1) * FRowSpace;
    double y = 0;
    switch (VertAlign) {
    case TPDFVertTextAlign::vtTop: y = ARect.Upper() - size; break;
    case TPDFVertTextAlign::vtCenter: y = ARect.Upper() - (ARect.Height() - h) / 2 - size; break;
    case TPDFVertTextAlign::vtBottom: y = ARect.Lower() + h - size; break;
    }
    PG_Push();
    PG_Rectangle(ARect.Left(), ARect.Lower(), ARect.Width(), ARect.Height());
    PG_Clip();
    PT_AddTextResource();
    for (int i = 0; i < n; ++i) {
        const QString &text = lines[i];
        const double scale = std::min(100.0 * ARect.Width() / natural[static_cast<std::size_t>(i)], FFont.Scale());
        const double width = natural[static_cast<std::size_t>(i)] * scale / 100.0;
        double x = ARect.Left();
        double extra = 0;
        if (HorzAlign == TPDFHorzTextAlign::htCenter
            || (HorzAlign == TPDFHorzTextAlign::htEven && text.size() <= 1))
            x = ARect.Left() + (ARect.Width() - width) / 2;
        else if (HorzAlign == TPDFHorzTextAlign::htRight)
            x = ARect.Right() - TextWidth(text);
        else if (HorzAlign == TPDFHorzTextAlign::htEven)
            extra = (ARect.Width() - width) / static_cast<double>(text.size() - 1);
        PT_BeginText();
        PT_SetWordSpace(0);
        PT_SetRowPitch(size + FRowSpace);
        textState(true);
        PT_SetScaling(scale);
        PT_SetCharSpace(FCharSpace + extra);
        PT_MoveCursor(x, y);
        PT_TextOut(text);
        PT_EndText();
        y -= size + FRowSpace;
    }
    PG_Pop();
    return n;
}

// Characters that may not begin a line, and those that may not end one.
static const QString kNoLineStart = QStringLiteral(
    "!?)}];.,>」、。）〕］｝〉》』】’”～ー，．；ゎゃゅょっぁぃぅぇぉャュョッァィゥェォ");
static const QString kNoLineEnd = QStringLiteral("「（｛『〈〔［《【‘“＜(<{[");

static int breakClass(const QString &S, qsizetype i)
{
    const QChar c = S[i];
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return 1;
    if ((c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z')))
        return 2;
    if (kNoLineStart.contains(c) || (i > 0 && kNoLineEnd.contains(S[i - 1])))
        return 3;
    return 0;
}

QString TPDFContent::TextWrap(const QString &S, double Width)
{
    QString result;
    QString current;
    double currentWidth = 0;
    qsizetype i = 0;
    while (i < S.size()) {
        if (S[i] == QLatin1Char('\r') && i + 1 < S.size() && S[i + 1] == QLatin1Char('\n')) {
            result += current + QStringLiteral("\r\n");
            current.clear();
            currentWidth = 0;
            i += 2;
            continue;
        }
        const double w = TextWidth(QString(S[i]));
        if (current.isEmpty() || currentWidth + w <= Width) {
            current += S[i];
            currentWidth += w;
            ++i;
            continue;
        }
        // S[i] does not fit: a run of digits or letters, or a character that
        // may not begin a line, moves on together with the one before it.
        const int k = breakClass(S, i);
        while (k != 0 && breakClass(S, i) == k && current.size() >= 3) {
            current.chop(1);
            --i;
        }
        result += current + QStringLiteral("\r\n");
        current.clear();
        currentWidth = 0;
    }
    return result + current;
}

// --- the stream

void TPDFContent::AppendOperators(const QByteArray &lines)
{
    FSink.write(lines);
}

void TPDFContent::SaveToTempFile(const QString &path)
{
    writeTempFile(path, FStream);
    FTempFile = path;
    FLength = FStream.size();
    FStream = QByteArray();
}

void TPDFContent::WriteBody(Sink &out)
{
    const std::int64_t length = FTempFile.isEmpty() ? FStream.size() : FLength;
    WriteLine(out, std::string_view("<<"));
    WriteLine(out, "/Length " + formatInt(length));
    WriteLine(out, std::string_view(">>"));
    WriteLine(out, std::string_view("stream"));
    if (FTempFile.isEmpty())
        out.write(FStream);
    else
        copyFileToSink(FTempFile, FLength, out);
    WriteLine(out, std::string_view("endstream"));
}

void TPDFContent::ReleaseData()
{
    FStream = QByteArray();
    if (!FTempFile.isEmpty()) {
        QFile::remove(FTempFile);
        FTempFile.clear();
    }
}

} // namespace vellora::pdf
