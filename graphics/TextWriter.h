// TQvTextWriter: lays a multi-line text out in a rectangle of a QPainter and
// draws it, one character at a time, clipped to the rectangle less the
// padding, rotated by 0°, 90°, 180° or 270°. Lengths are pixels of the target
// canvas unless a name starts with MM (millimetres, converted with the
// writer's Resolution). The painter is not owned. UI thread only; nothing is
// thrown of its own.
#pragma once

#include "graphics/Geometry.h"
#include "graphics/TextLayout.h"
#include "settings/Font.h"

#include <QBrush>
#include <QFont>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

class QPainter;

namespace vellora {

class TQvTextWriter {
public:
    TQvTextWriter();

    TTextAngle Angle() const noexcept { return FAngle; }
    void SetAngle(TTextAngle v) noexcept { FAngle = v; }
    bool AutoSize() const noexcept { return FAutoSize; }
    void SetAutoSize(bool v) noexcept { FAutoSize = v; }
    QPainter *Canvas() const noexcept { return FCanvas; }
    // Also takes the painter device's resolution (the screen's for none).
    void SetCanvas(QPainter *canvas);

    int ColPitch() const noexcept { return FColPitch; }
    void SetColPitch(int v);        // switches to pitch mode below haEven
    int ColSpace() const noexcept { return FColSpace; }
    void SetColSpace(int v);        // switches to space mode below haEven
    TTextPitchStyle ColStyle() const noexcept { return FColStyle; }
    void SetColStyle(TTextPitchStyle v) noexcept { FColStyle = v; }
    bool ColPitchEnabled() const noexcept;

    TTextFitStyle FitStyle() const noexcept { return FFitStyle; }
    void SetFitStyle(TTextFitStyle v) noexcept { FFitStyle = v; }
    const TFont &Font() const noexcept { return FFont; }
    void SetFont(const TFont &v) { FFont = v; }
    THorzAlignment HorzAlignment() const noexcept { return FHorzAlignment; }
    void SetHorzAlignment(THorzAlignment v) noexcept { FHorzAlignment = v; }

    QSize Offset() const noexcept { return FOffset; }
    void SetOffset(QSize v) noexcept { FOffset = v; }
    int OffsetLeft() const noexcept { return FOffset.width(); }
    void SetOffsetLeft(int v) noexcept { FOffset.setWidth(v); }
    int OffsetTop() const noexcept { return FOffset.height(); }
    void SetOffsetTop(int v) noexcept { FOffset.setHeight(v); }

    TPixelRect Padding() const noexcept { return FPadding; }
    void SetPadding(const TPixelRect &v) noexcept { FPadding = v; }
    int PaddingLeft() const noexcept { return FPadding.Left; }
    void SetPaddingLeft(int v) noexcept { FPadding.Left = v; }
    int PaddingTop() const noexcept { return FPadding.Top; }
    void SetPaddingTop(int v) noexcept { FPadding.Top = v; }
    int PaddingRight() const noexcept { return FPadding.Right; }
    void SetPaddingRight(int v) noexcept { FPadding.Right = v; }
    int PaddingBottom() const noexcept { return FPadding.Bottom; }
    void SetPaddingBottom(int v) noexcept { FPadding.Bottom = v; }

    // Text without its control characters.
    QString PrintableText() const;

    TFloatSize Resolution() const noexcept { return FResolution; }
    void SetResolution(const TFloatSize &v) noexcept { FResolution = v; }
    Extended XResolution() const noexcept { return FResolution.cx; }
    void SetXResolution(Extended v) noexcept { FResolution.cx = v; }
    Extended YResolution() const noexcept { return FResolution.cy; }
    void SetYResolution(Extended v) noexcept { FResolution.cy = v; }

    int RowPitch() const noexcept { return FRowPitch; }
    void SetRowPitch(int v);        // switches to pitch mode unless vaEven
    int RowSpace() const noexcept { return FRowSpace; }
    void SetRowSpace(int v);        // switches to space mode unless vaEven
    TTextPitchStyle RowStyle() const noexcept { return FRowStyle; }
    void SetRowStyle(TTextPitchStyle v) noexcept { FRowStyle = v; }
    bool RowPitchEnabled() const noexcept;

    const QString &Text() const noexcept { return FText; }
    void SetText(const QString &v) { FText = v; }
    TVertAlignment VertAlignment() const noexcept { return FVertAlignment; }
    void SetVertAlignment(TVertAlignment v) noexcept { FVertAlignment = v; }
    const TQvTextWrapOptions &WrapOption() const noexcept { return FWrapOption; }
    TQvTextWrapOptions &WrapOption() noexcept { return FWrapOption; }
    void SetWrapOption(const TQvTextWrapOptions &v) { FWrapOption.Assign(v); }
    TTextWrapStyle WrapStyle() const noexcept { return FWrapStyle; }
    void SetWrapStyle(TTextWrapStyle v) noexcept { FWrapStyle = v; }

    // Millimetre forms: horizontal quantities use XResolution, vertical ones YResolution.
    Extended MMColPitch() const;
    void SetMMColPitch(Extended mm);
    Extended MMColSpace() const;
    void SetMMColSpace(Extended mm);
    TFloatSize MMOffset() const;
    void SetMMOffset(const TFloatSize &mm);
    Extended MMOffsetLeft() const;
    void SetMMOffsetLeft(Extended mm);
    Extended MMOffsetTop() const;
    void SetMMOffsetTop(Extended mm);
    TFloatRect MMPadding() const;
    void SetMMPadding(const TFloatRect &mm);
    Extended MMPaddingLeft() const;
    void SetMMPaddingLeft(Extended mm);
    Extended MMPaddingTop() const;
    void SetMMPaddingTop(Extended mm);
    Extended MMPaddingRight() const;
    void SetMMPaddingRight(Extended mm);
    Extended MMPaddingBottom() const;
    void SetMMPaddingBottom(Extended mm);
    Extended MMRowPitch() const;
    void SetMMRowPitch(Extended mm);
    Extended MMRowSpace() const;
    void SetMMRowSpace(Extended mm);

    // Lays out and draws Text in r; with AutoSize, r grows to the text. A null
    // canvas means the last one drawn on.
    void Draw(QPainter *canvas, TPixelRect &r);
    void MMDraw(QPainter *canvas, TFloatRect &r);
    // The prepared lines, as Draw would lay them out; returns their number.
    int TextWrap(QPainter *canvas, TPixelRect &r, QStringList &lines);
    int MMTextWrap(QPainter *canvas, TFloatRect &r, QStringList &lines);

    void TextOut(QPainter *canvas, int x, int y);
    void TextOutWithPitch(QPainter *canvas, int x, int y);
    void TextOutWithSpace(QPainter *canvas, int x, int y);
    void MMTextOut(QPainter *canvas, Extended x, Extended y);
    void MMTextOutWithPitch(QPainter *canvas, Extended x, Extended y);
    void MMTextOutWithSpace(QPainter *canvas, Extended x, Extended y);
    void DrawLine(QPainter *canvas, QPoint p1, QPoint p2);
    void MMDrawLine(QPainter *canvas, const TFloatPoint &p1, const TFloatPoint &p2);

    QSize GetCanvasSize(const TPixelRect &r) const { return vellora::GetCanvasSize(r, FAngle); }
    QPoint GetRectOrigin(const TPixelRect &r) const { return vellora::GetRectOrigin(r, FAngle); }
    // The extent of s in the canvas font, corrected at 90° and 270° when the
    // two resolutions differ.
    QSize GetTextSize(QPainter *canvas, const QString &s) const;
    void IncCol(QPoint &p, int n) const { vellora::IncCol(p, n, FAngle); }
    void IncRow(QPoint &p, int n) const { vellora::IncRow(p, n, FAngle); }
    TPixelRect PaddingRect(const TPixelRect &r) const { return vellora::PaddingRect(r, FPadding); }
    void SaveBrush(QPainter *canvas);
    void RestoreBrush(QPainter *canvas);

    // The canvas font with cell width w (0: natural); rotation is applied when
    // the characters are drawn.
    QFont CreateAngleFont(QPainter &canvas, int w) const;

private:
    TTextLayoutSettings layoutSettings() const;
    QFont canvasFont() const;
    void useFont(QPainter &canvas, const QFont &font) const;
    void drawChar(QPainter &canvas, QPoint at, const QString &ch) const;
    void drawPlaced(QPainter &canvas, QPoint origin, const TPlacedLine &line) const;
    void drawLines(QPainter &canvas, const QString &prepared, const TPixelRect &p);
    void drawCondensed(QPainter &canvas, const QString &prepared, const TPixelRect &p);
    void drawReduced(QPainter &canvas, const QString &prepared, const TPixelRect &p);
    void textOutStepped(QPainter *canvas, int x, int y, bool pitch);

    TTextAngle FAngle = TTextAngle::taNone;
    bool FAutoSize = false;
    QPainter *FCanvas = nullptr;
    int FColPitch = 0;
    int FColSpace = 0;
    TTextPitchStyle FColStyle = TTextPitchStyle::psSpace;
    TTextFitStyle FFitStyle = TTextFitStyle::fsNone;
    TFont FFont;
    THorzAlignment FHorzAlignment = THorzAlignment::haLeft;
    QSize FOffset{0, 0};
    TPixelRect FPadding;
    TFloatSize FResolution;
    int FRowPitch = 0;
    int FRowSpace = 0;
    TTextPitchStyle FRowStyle = TTextPitchStyle::psSpace;
    QBrush FSaveBrush;
    Qt::BGMode FSaveBackgroundMode = Qt::TransparentMode;
    QString FText;
    TVertAlignment FVertAlignment = TVertAlignment::vaTop;
    TQvTextWrapOptions FWrapOption;
    TTextWrapStyle FWrapStyle = TTextWrapStyle::wsNone;
};

} // namespace vellora
