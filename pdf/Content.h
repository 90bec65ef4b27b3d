// TPDFContent: the drawing surface of one PDF page and that page's content
// stream object. Drawing calls append operator lines (CR LF) to the stream;
// state operators are written only when the value differs from the one last
// written (tracked per q/Q level). Coordinates are points, origin lower left;
// x is written as x + MarginLeft, y as y - MarginBottom. The bytes live in
// memory until the page is finished, then in a temporary file until written.
// Throws IoError for the temporary file, FormatError for a bad JPEG.
#pragma once

#include "pdf/PdfFont.h"
#include "pdf/PdfObject.h"
#include "pdf/PdfTypes.h"
#include "settings/Font.h"

#include <QByteArray>
#include <QImage>
#include <QPointF>
#include <functional>
#include <vector>

namespace vellora::pdf {

class TPDFPage;
class TPDFXImage;

enum class TPDFBrushStyle : std::uint8_t { pbsSolid, pbsClear };
enum class TPDFPenStyle : std::uint8_t { plsSolid, plsDot, plsDash, plsClear, plsCustom };
enum class TPDFLineCap : std::uint8_t { plcButt, plcRound, plcSquare };
enum class TPDFLineJoinStyle : std::uint8_t { pjsMiter, pjsRound, pjsBevel };
enum class TPDFHorzTextAlign : std::uint8_t { htLeft, htCenter, htRight, htEven };
enum class TPDFVertTextAlign : std::uint8_t { vtTop, vtCenter, vtBottom };
enum class TPDFTextFit : std::uint8_t { ptfNone, ptfScale, ptfWordWrap };

// A dash pattern in whole units: on, off and the phase.
class TPDFCustomPen {
public:
    std::function<void()> OnChange;

    std::uint8_t OnCount() const noexcept { return FOnCount; }
    std::uint8_t OffCount() const noexcept { return FOffCount; }
    std::uint8_t StartCount() const noexcept { return FStartCount; }
    TPDFPenStyle Style() const noexcept { return FStyle; }
    void SetOnCount(std::uint8_t v);     // a new value makes the style plsCustom
    void SetOffCount(std::uint8_t v);    // likewise
    void SetStartCount(std::uint8_t v);  // a new non-zero value likewise
    void SetStyle(TPDFPenStyle v);       // solid 0/0, dot 1/1, dash 3/1; others keep the counts
    void Assign(const TPDFCustomPen &source);
    // "[3 1] 0", "[1] 0", "[] 0".
    QString DashText() const;

private:
    void changed();

    std::uint8_t FOffCount = 0;
    std::uint8_t FOnCount = 0;
    std::uint8_t FStartCount = 0;
    TPDFPenStyle FStyle = TPDFPenStyle::plsSolid;
};

class TPDFContent : public TPDFObject {
public:
    TPDFContent(TQvPDFObjects *AOwner, TPDFPage *APage);
    ~TPDFContent() override;

    // --- drawing state
    TColor BrushColor() const noexcept { return FBrushColor; }
    void SetBrushColor(TColor v) { FBrushColor = v; }
    TPDFBrushStyle BrushStyle() const noexcept { return FBrushStyle; }
    void SetBrushStyle(TPDFBrushStyle v) { FBrushStyle = v; }
    double CharSpace() const noexcept { return FCharSpace; }
    void SetCharSpace(double v) { FCharSpace = v; }
    TPDFCustomPen &CustomPenStyle() { return FCustomPenStyle; }
    void SetCustomPenStyle(const TPDFCustomPen &v) { FCustomPenStyle.Assign(v); }
    bool FillEnabled() const noexcept;
    TCanvasFont &Font() { return FFont; }
    void SetFont(const TCanvasFont &v) { FFont.Assign(v); }
    TPDFLineCap LineCap() const noexcept { return FLineCap; }
    void SetLineCap(TPDFLineCap v) { FLineCap = v; }
    TPDFLineJoinStyle LineJoinStyle() const noexcept { return FLineJoinStyle; }
    void SetLineJoinStyle(TPDFLineJoinStyle v) { FLineJoinStyle = v; }
    double MiterLimit() const noexcept { return FMiterLimit; }
    void SetMiterLimit(double v) { FMiterLimit = v < 0 ? 0 : v; }
    TColor PenColor() const noexcept { return FPenColor; }
    void SetPenColor(TColor v) { FPenColor = v; }
    TPDFPenStyle PenStyle() const noexcept { return FPenStyle; }
    void SetPenStyle(TPDFPenStyle v);
    double PenWidth() const noexcept { return FPenWidth; }
    void SetPenWidth(double v) { FPenWidth = v < 0 ? 0 : v; }
    double RowSpace() const noexcept { return FRowSpace; }
    void SetRowSpace(double v) { FRowSpace = v; }
    bool StrokeEnabled() const noexcept;
    double WordSpace() const noexcept { return FWordSpace; }
    void SetWordSpace(double v) { FWordSpace = v; }
    TPDFPage *Page() const noexcept { return FPage; }

    // --- graphics-state writers (only on change)
    void PG_SetLineCap(TPDFLineCap cap);
    void PG_SetLineJoin(TPDFLineJoinStyle join);
    void PG_SetMiterLimit(double limit);
    void PG_SetPenWidth(double width);
    void PG_SetPenStyle(TPDFPenStyle style);
    void PG_SetPenColor(TColor color);
    void PG_SetBrushColor(TColor color);

    // --- path and painting primitives
    void PG_MoveTo(double X, double Y);
    void PG_LineTo(double X, double Y);
    void PG_BezierC(double X1, double Y1, double X2, double Y2, double X3, double Y3);
    void PG_BezierV(double X2, double Y2, double X3, double Y3);
    void PG_BezierY(double X1, double Y1, double X3, double Y3);
    void PG_Rectangle(double X, double Y, double Width, double Height);
    void PG_Clip();
    void PG_Push();
    void PG_Pop();
    void PG_Stroke(bool AStroke, bool AClose, bool AFill);
    void PG_CTM(double Angle);
    void PG_CTM(double X, double Y, double XScale, double YScale);
    void PG_Do(const TPDFXImage &AImage);

    // --- drawing operations
    void MoveTo(double X, double Y);
    void LineTo(double X, double Y);
    void DrawLine(double X1, double Y1, double X2, double Y2);
    void Rectangle(double X1, double Y1, double X2, double Y2);
    void Polygon(const std::vector<QPointF> &Points);
    void PolyLine(const std::vector<QPointF> &Points);
    void Bezier(double StartX, double StartY, double EndX, double EndY, double ContX1, double ContY1,
                double ContX2, double ContY2);
    void Bezier(double EndX, double EndY, double ContX1, double ContY1, double ContX2, double ContY2);
    void Circle(double cx, double cy, double r);

    // --- images. The DPI forms size the image by its pixels at that resolution,
    // the rectangle forms fill the rectangle, the scale forms take the size in points.
    TPDFXImage *DrawImage(double X, double Y, int HorzDPI, int VertDPI, const QImage &Image,
                          bool Interpolate = false, double Angle = 0);
    TPDFXImage *DrawImage(const TPDFRect &ARect, const QImage &Image, bool Interpolate = false, double Angle = 0);
    TPDFXImage *DrawImage(double X, double Y, double HorzScale, double VertScale, const QImage &Image,
                          bool Interpolate = false, double Angle = 0);
    // The JPEG file's bytes go into the document unchanged.
    TPDFXImage *DrawJPEGImage(double X, double Y, int HorzDPI, int VertDPI, const QByteArray &Jpeg,
                              bool Interpolate = false, double Angle = 0);
    TPDFXImage *DrawJPEGImage(const TPDFRect &ARect, const QByteArray &Jpeg, bool Interpolate = false,
                              double Angle = 0);
    TPDFXImage *DrawJPEGImage(double X, double Y, double HorzScale, double VertScale, const QByteArray &Jpeg,
                              bool Interpolate = false, double Angle = 0);

    // --- text operators
    void PT_BeginText();
    void PT_EndText();
    void PT_AddTextResource();
    void PT_SetCharSpace(double ASpace);
    void PT_SetWordSpace(double ASpace);
    void PT_SetScaling(double Scale);
    void PT_SetRowPitch(double APitch);
    void PT_TextRise(double ARise);
    void PT_SelectTextRender(TPDFTextRenderMode mode);
    void PT_SelectFontColor();
    // Picks (or makes) the font object for Font and adds it to the page.
    TPDFFont *PT_SelectFont();
    void PT_WriteFont();
    void PT_MoveCursor(double X, double Y);
    void PT_TextOut(const QString &S);

    // --- text
    void TextOut(double X, double Y, const QString &S);
    void SubScriptOut(double X, double Y, const QString &S);
    void SuperScriptOut(double X, double Y, const QString &S);
    double TextHeight() const { return FFont.Size(); }
    double TextWidth(const QString &S) { return TextWidthEx(S, true, true, true); }
    double TextWidthEx(const QString &S, bool ACharSpace, bool AWordSpace, bool AScale);
    void TextAlign(double X, double Y, const QString &S, TPDFHorzTextAlign HorzAlign, TPDFVertTextAlign VertAlign);
    void TextRect(const TPDFRect &ARect, double X, double Y, const QString &S);
    int DrawText(const TPDFRect &ARect, const QString &S, TPDFHorzTextAlign HorzAlign,
                 TPDFVertTextAlign VertAlign, TPDFTextFit Fit);
    int TextRect2(const TPDFRect &ARect, const QString &S, TPDFHorzTextAlign HorzAlign, TPDFVertTextAlign VertAlign);
    int TextRect3(const TPDFRect &ARect, const QString &S, TPDFHorzTextAlign HorzAlign, TPDFVertTextAlign VertAlign);
    QString TextWrap(const QString &S, double Width);

    // --- the stream
    // Operator lines made elsewhere (a page drawn by a painter); they must
    // leave the graphics state as they found it (balanced q/Q).
    void AppendOperators(const QByteArray &lines);
    const QByteArray &Bytes() const noexcept { return FStream; }   // empty once saved to its file
    void SaveToTempFile(const QString &path);   // moves the bytes out of memory
    void WriteBody(Sink &out) override;
    void ReleaseData() override;

private:
    struct State {
        TColor fill = 0;
        TColor stroke = 0;
        double charSpace = 0;
        double horzScale = 100;
        TPDFLineCap lineCap = TPDFLineCap::plcButt;
        TPDFLineJoinStyle lineJoin = TPDFLineJoinStyle::pjsMiter;
        double miterLimit = 0;
        TPDFPenStyle penStyle = TPDFPenStyle::plsSolid;
        double penWidth = 0;
        double rowPitch = 0;
        TPDFTextRenderMode textRender = TPDFTextRenderMode::ptrDefault;
        double textRise = 0;
        double wordSpace = 0;
    };

    void line(const QString &text);
    void line(std::string_view text);
    double X(double x) const;
    double Y(double y) const;
    TPDFFont *fontFor();
    TPDFXImage *addImage();
    void placeImage(const TPDFXImage &image, double x, double y, double width, double height, double angle);
    void textState(bool fontColor);
    static QStringList splitLines(const QString &S);

    TColor FBrushColor = 0;
    TPDFBrushStyle FBrushStyle = TPDFBrushStyle::pbsSolid;
    double FCharSpace = 0;
    State FCurrent;                 // the values last written
    std::vector<State> FSaved;      // one per open q
    TPDFCustomPen FCustomPenStyle;
    TCanvasFont FFont;
    TPDFCustomPen FInnerPenStyle;
    TPDFLineCap FLineCap = TPDFLineCap::plcButt;
    TPDFLineJoinStyle FLineJoinStyle = TPDFLineJoinStyle::pjsMiter;
    double FMiterLimit = 3.86;
    TPDFPage *FPage;
    TColor FPenColor = 0;
    TPDFPenStyle FPenStyle = TPDFPenStyle::plsSolid;
    double FPenWidth = 0;
    double FRowSpace = 0;
    QByteArray FStream;
    ByteArraySink FSink{FStream};
    TPDFFont *FUseFont = nullptr;
    double FWordSpace = 0;
    QString FTempFile;              // where the bytes are after SaveToTempFile
    std::int64_t FLength = 0;
};

} // namespace vellora::pdf
