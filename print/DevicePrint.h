// The printer abstraction over TJwPrinter: the selected printer in
// millimetres and device pixels, a page recorder (TPrintPreview) for export
// and later replay, and direct print jobs. This is the program's TQvPrint
// whenever a printing system is there; model/ sees it through QvPrint().
// Device errors (EJwPrinter...) pass through, except that the model-facing
// queries answer like a machine without printers (A4 portrait, no margins)
// when no printer is installed. UI thread only.
#pragma once

#include "print/JwPrinter.h"
#include "print/PrintPreview.h"
#include "print/QvPrint.h"
#include "print/TextBox.h"

#include <QBrush>
#include <QFont>
#include <QPen>
#include <QPicture>

namespace vellora {

enum class TQvPrintRange : std::uint8_t { prAllPages, prPageNums };
enum class TPrintQuality : std::uint8_t { quoNone, quoNumber, quoDPI };
enum class TQvDuplex : std::uint8_t { qdSimplex, qdHorizontal, qdVertical };

// The capability and list sets are TJwPrinter's, element for element.
using TQvPrintCaps = TJwPrintCaps;
using TQvHaveInfos = TJwAvailInfos;

struct TDoubleSize {
    double Width = 0, Height = 0;
};

struct TDrawInfo {
    int Width = 0, Height = 0;       // printable area, device pixels (scaled)
    double MMWidth = 0, MMHeight = 0;
};

// Round(dpi × mm ÷ 25.4), exact halves to the even integer.
int MMToDevice(int dpi, double mm);
double DeviceToMM(int units, int dpi);

class TDevicePrint : public TQvPrint {
public:
    explicit TDevicePrint(std::unique_ptr<TJwPrinter> printer);
    ~TDevicePrint() override;

    TJwPrinter &JwPrinter() noexcept { return *FJw; }

    // --- what the document model asks (TQvPrint) ---
    QStringList PrinterNames() const override;
    void SetPrinterIndex(int index) override;
    QString CurrentPrinterName() const override;
    QString CurrentPaperName() const override;
    TQvOrientation Orientation() const override;
    double MMPaperWidth() const override;
    double MMPaperHeight() const override;
    double MMLeftMargin() const override;
    double MMTopMargin() const override;
    double MMRightMargin() const override;
    double MMBottomMargin() const override;
    int PaperSizeNumber() const override;
    void SetPaperSizeNumber(int number) override;
    int PaperSizeCount() const override;
    int PaperSizeNumbers(int index) const override;
    QStringList PaperSizeNames() const override;
    int PaperSizeIndex() const override;
    void SetPaperSizeIndex(int index) override;
    void SetMMUserPaperSize(double widthMM, double heightMM) override;
    bool HasPaperSizeNumber(int number) const override;
    bool HasOrientation() const override;
    bool HasPaperNames() const override;
    bool TrySetOrientation(TQvOrientation orientation) override;
    void ApplySettings() override;

    // --- geometry ---
    TSize DPI() const;
    TSize RealDPI() const;
    int Scale() const;
    void SetScale(int percent);
    int PageWidth() const;
    int PageHeight() const;
    int PaperWidth() const;
    int PaperHeight() const;
    int RealPageWidth() const;
    int RealPageHeight() const;
    int RealPaperWidth() const;
    int RealPaperHeight() const;
    int LeftMargin() const;
    int TopMargin() const;
    int RightMargin() const;
    int BottomMargin() const;
    double MMPageWidth() const;
    double MMPageHeight() const;
    double RealMMPageWidth() const;
    double RealMMPageHeight() const;
    double RealMMPaperWidth() const;
    double RealMMPaperHeight() const;
    int AdjustLeft() const noexcept { return FAdjust.cx; }
    int AdjustTop() const noexcept { return FAdjust.cy; }
    void SetAdjustLeft(int value);
    void SetAdjustTop(int value);
    double MMAdjustLeft() const noexcept { return FMMAdjust.Width; }
    double MMAdjustTop() const noexcept { return FMMAdjust.Height; }
    void SetMMAdjustLeft(double mm);
    void SetMMAdjustTop(double mm);
    int DeviceOffsetX() const noexcept { return FAdjust.cx - FMargin.cx; }
    int DeviceOffsetY() const noexcept { return FAdjust.cy - FMargin.cy; }
    const TDrawInfo &DrawInfo() const noexcept { return FDrawInfo; }

    // --- device selection ---
    int PrinterIndex() const;
    bool TrySetPrinter(const QString &name);
    QString Port() const;
    void SetPort(const QString &port);
    QStringList PortNames() const;
    void SetCurrentPaperName(const QString &name);
    int IndexOfSizeNumber(int number) const;
    TSize UserPaperSize() const;                 // tenths of a millimetre
    void SetUserPaperSize(TSize tenths);
    TDoubleSize MMUserPaperSize() const;
    bool TrySetPaperIndex(int index);
    bool TrySetPaperSize(int number);
    bool TrySetUserPaperSize(int widthTenths, int heightTenths);
    bool TrySetMMUserPaperSize(double widthMM, double heightMM);
    int BinCount() const;
    int BinIndex() const;
    void SetBinIndex(int index);
    QStringList BinNames() const;
    int BinNumber() const;
    void SetBinNumber(int number);
    bool TrySetBinIndex(int index);
    bool TrySetBinNumber(int number);
    int Quality() const;
    void SetQuality(int number);
    int QualityCount() const;
    TSize QualityDPI() const;
    void SetQualityDPI(TSize dpi);
    TPrintQuality HasQuality() const;
    bool TrySetQuality(int qualityNumber, int dpiX, int dpiY);
    TQvPrintCaps PrintCaps() const;
    TQvHaveInfos HaveInfos() const;
    bool HasBinNames() const;
    bool HasBinNumber(int number) const;
    bool HasCollate() const;
    bool HasColor() const;
    bool HasCopies() const;
    bool HasDuplex() const;
    bool HasMaxCopies() const;
    bool HasQualities() const;
    bool Modified() const { return FJw->Modified(); }
    void CancelSettings();
    void Update();

    // --- job settings ---
    bool Collate() const noexcept { return FCollate; }
    void SetCollate(bool value) noexcept { FCollate = value; }
    bool Color() const;
    void SetColor(bool value);
    int Copies() const noexcept { return FCopies; }
    void SetCopies(int copies);
    int MaxCopies() const noexcept { return FMaxCopies; }
    TQvDuplex Duplex() const;
    void SetDuplex(TQvDuplex value);
    int FromPage() const noexcept { return FFromPage; }
    void SetFromPage(int page);
    int ToPage() const noexcept { return FToPage; }
    void SetToPage(int page);
    TQvPrintRange PrintRange() const noexcept { return FPrintRange; }
    void SetPrintRange(TQvPrintRange range) noexcept { FPrintRange = range; }
    QString Title() const { return FTitle; }
    void SetTitle(const QString &title) { FTitle = title; }

    // --- drawing objects given to every new canvas ---
    QPen Pen() const;
    void SetPen(const QPen &pen);
    QBrush Brush() const;
    void SetBrush(const QBrush &brush);
    QFont Font() const;
    void SetFont(const QFont &font);

    // --- recording and printing ---
    void BeginDoc();
    void NewPage();
    void EndDoc();
    void BeginPrint();
    void EndPrint();
    void Abort();
    QPainter *Canvas();                          // null when neither recording nor printing
    // A job made elsewhere as a PDF document of whole sheets, sent with the
    // job settings BeginPrint uses (copies, collation, title); only where
    // the printer takes PDF documents.
    bool TakesPdf() const { return FJw->TakesPdf(); }
    void PrintPdf(QIODevice &pdf);
    bool Printing() const noexcept { return FPrinting || FJw->Printing(); }
    bool Drawing() const noexcept { return FDrawing; }
    int PageCount() const noexcept { return FMeta ? FMeta->PageCount() : 0; }
    const QPicture &Pages(int index) const;
    void PrintOut(bool useSetting) { PrintOutOffset(0, 0, useSetting); }
    void PrintOutOffset(int offsetX, int offsetY, bool useSetting);
    void PrintOutOffsetMM(double offsetX, double offsetY, bool useSetting);

    // --- drawing and text operations (DeviceDrawing.cpp) ---
    // On the current canvas (recording, else printing; EJwPrinter when there
    // is none), in sheet coordinates shifted by DeviceOffsetX/Y. Device-unit
    // forms take pixels of the device's axes; the MM forms convert X with the
    // horizontal and Y with the vertical resolution, and a pitch or spacing
    // with the resolution of the axis it runs along. Shapes follow the
    // desktop convention: right and bottom edges lie outside the shape, a
    // line omits its end point, FrameRect paints with the brush. A text
    // point is the top-left of its cell; angles turn counter-clockwise.
    void Draw(int x, int y, const QImage &graphic);
    void Draw(int x, int y, const QPicture &graphic);
    void DrawMM(double x, double y, const QImage &graphic);
    void DrawMM(double x, double y, const QPicture &graphic);
    void DrawLine(int x1, int y1, int x2, int y2);
    void DrawLine(const TEdgeRect &r) { DrawLine(r.Left, r.Top, r.Right, r.Bottom); }
    void DrawLineMM(double x1, double y1, double x2, double y2);
    void DrawLineMM(const TRealRect &r) { DrawLineMM(r.Left, r.Top, r.Right, r.Bottom); }
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void MMMoveTo(double x, double y);
    void MMLineTo(double x, double y);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TEdgeRect &r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void RectangleMM(double x1, double y1, double x2, double y2);
    void RectangleMM(const TRealRect &r) { RectangleMM(r.Left, r.Top, r.Right, r.Bottom); }
    void FillRect(int x1, int y1, int x2, int y2);
    void FillRect(const TEdgeRect &r) { FillRect(r.Left, r.Top, r.Right, r.Bottom); }
    void FillRectMM(double x1, double y1, double x2, double y2);
    void FillRectMM(const TRealRect &r) { FillRectMM(r.Left, r.Top, r.Right, r.Bottom); }
    void FrameRect(int x1, int y1, int x2, int y2);
    void FrameRect(const TEdgeRect &r) { FrameRect(r.Left, r.Top, r.Right, r.Bottom); }
    void MMFrameRect(double x1, double y1, double x2, double y2);
    void MMFrameRect(const TRealRect &r) { MMFrameRect(r.Left, r.Top, r.Right, r.Bottom); }
    void Ellipse(int x1, int y1, int x2, int y2);
    void Ellipse(int x, int y, int radius) { Ellipse(x - radius, y - radius, x + radius, y + radius); }
    void EllipseMM(double x1, double y1, double x2, double y2);
    void EllipseMM(double x, double y, double radius);
    void TextOut(int x, int y, const QString &text);
    void MMTextOut(double x, double y, const QString &text);
    void TextOutA(int x, int y, TTextAngle angle, const QString &text);
    void MMTextOutA(double x, double y, TTextAngle angle, const QString &text);
    void TextOutAlign(int x, int y, const QString &text, THorzAlignment horz, TVertAlignment vert);
    void MMTextAlign(double x, double y, const QString &text, THorzAlignment horz, TVertAlignment vert);
    void TextOutEx(int x, int y, int pitch, const QString &text) { TextOutExA(x, y, pitch, TTextAngle::taNone, text); }
    void MMTextOutEx(double x, double y, double pitch, const QString &text);
    void TextOutExA(int x, int y, int pitch, TTextAngle angle, const QString &text);
    void MMTextOutExA(double x, double y, double pitch, TTextAngle angle, const QString &text);
    void TextRect(const TEdgeRect &r, int x, int y, const QString &text) { TextRectA(r, x, y, TTextAngle::taNone, text); }
    void TextRectA(const TEdgeRect &r, int x, int y, TTextAngle angle, const QString &text);
    void MMTextRect(const TRealRect &r, double x, double y, const QString &text);
    void MMTextRectA(const TRealRect &r, double x, double y, TTextAngle angle, const QString &text);
    void TextRectEx(const QString &s, const TEdgeRect &r, THorzAlignment align, TVertAlignment layout)
    {
        TextRectExA(s, r, align, layout, TTextAngle::taNone);
    }
    void TextRectExA(const QString &s, const TEdgeRect &r, THorzAlignment align, TVertAlignment layout, TTextAngle angle);
    void MMTextRectEx(const QString &s, const TRealRect &r, THorzAlignment align, TVertAlignment layout);
    void MMTextRectExA(const QString &s, const TRealRect &r, THorzAlignment align, TVertAlignment layout,
                       TTextAngle angle);
    void TextRectEx2(const QString &s, const TEdgeRect &r, THorzAlignment align, TVertAlignment layout, int pitch);
    void MMTextRectEx2(const QString &s, const TRealRect &r, THorzAlignment align, TVertAlignment layout, double pitch);
    void DrawText(const QString &s, TEdgeRect &r, THorzAlignment align, TVertAlignment layout, TTextAngle angle,
                  int space, TTextFitOption fit, const TTextDrawOptions &options);
    void DrawTextMM(const QString &s, TRealRect &r, THorzAlignment align, TVertAlignment layout, TTextAngle angle,
                    double space, TTextFitOption fit, const TTextDrawOptions &options);
    // Formatted text with the TDrawTextFormat flags; returns the text height.
    int DrawTextWin(const QString &s, TEdgeRect &r, unsigned format);
    double DrawTextWinMM(const QString &s, TRealRect &r, unsigned format);
    int WrapText(const QString &s, TEdgeRect &r, TTextAngle angle, int space, const TTextDrawOptions &options,
                 QStringList &lines);
    int WrapTextMM(const QString &s, TRealRect &r, TTextAngle angle, double space, const TTextDrawOptions &options,
                   QStringList &lines);
    int FitHeight(const QString &s, TEdgeRect &r, TTextAngle angle, int space, const TTextDrawOptions &options);
    double FitHeightMM(const QString &s, TRealRect &r, TTextAngle angle, double space, const TTextDrawOptions &options);
    int TextWidth(const QString &s);
    int TextHeight(const QString &s);
    double TextWidthMM(const QString &s);
    double TextHeightMM(const QString &s);

private:
    bool hasPrinter() const;
    void readDeviceInfo();
    void giveDrawingObjects(QPainter &canvas) const;
    void applyJobSettings();                     // copies and collation of a job, then ApplySettings

    std::unique_ptr<TJwPrinter> FJw;
    TSize FAdjust;
    QBrush FBrush{Qt::white};
    bool FCollate = false;
    int FCopies = 0;
    TDrawInfo FDrawInfo;
    bool FDrawing = false;
    QFont FFont;
    int FFromPage = 1;
    std::unique_ptr<TPrintPreview> FMeta;
    TSize FMargin;
    int FMaxCopies = 99;
    TDoubleSize FMMAdjust;
    TDoubleSize FMMMargin;
    QPen FPen{Qt::black};
    bool FPrinting = false;
    TQvPrintRange FPrintRange = TQvPrintRange::prAllPages;
    QString FTitle;
    int FToPage = 1;
    QPoint FPenPos;                              // MoveTo / LineTo, sheet coordinates
};

// The format flags of TDevicePrint::DrawTextWin.
enum TDrawTextFormat : unsigned {
    dtLeft = 0x0, dtCenter = 0x1, dtRight = 0x2, dtVCenter = 0x4, dtBottom = 0x8, dtWordBreak = 0x10,
    dtSingleLine = 0x20, dtExpandTabs = 0x40, dtNoClip = 0x100, dtCalcRect = 0x400, dtNoPrefix = 0x800,
};

// The printing service of the real program: TDevicePrint over CUPS when the
// server lists at least one printer the user can print to, or when it does
// not answer (the device then has no printer until a later
// TJwPrinter::CheckSystemChanged reaches the server); otherwise the in-memory
// service without printers (A4 portrait, no margins), so that the program
// starts and exports; printing then reports that no printer is installed.
std::unique_ptr<TQvPrint> MakeSystemPrint();
// Whether the printing system answered when MakeSystemPrint last asked it
// (false: no printer because the print server cannot be reached).
bool SystemPrintServerReachable();

// The message printing commands show when there is no printer to print to.
inline constexpr const char *kNoPrinterMessage =
    "No printer is installed. Install a printer to print; exporting to PDF or JPEG works without one.";
// The same when the print server does not answer.
inline constexpr const char *kPrintServerDownMessage =
    "Cannot connect to the print server: it does not answer, so no printer can be listed or printed to. "
    "Start the print server (CUPS) or check CUPS_SERVER; exporting to PDF or JPEG works without it.";

} // namespace vellora
