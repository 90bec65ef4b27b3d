// The document: one sheet of a given size and orientation divided into a grid
// of photo areas, with margins, spacing, default placement settings that the
// cells inherit, a background, a default font, free areas and the options of
// the next print run. Lengths in millimetres. Lives on the UI thread.
#pragma once

#include "graphics/Geometry.h"
#include "model/Areas.h"
#include "model/Background.h"
#include "model/PhotoAreas.h"
#include "model/PrintOptions.h"
#include "model/Types.h"
#include "print/QvPrint.h"
#include "settings/Font.h"

#include <QString>
#include <vector>

class QPainter;

namespace vellora {

class TImageInfo;
class TImageListItems;

// What a cell did with its entry's photo.
struct TPhotoDrawReport {
    const TImageInfo *info = nullptr;
    int cell = 0;              // 0-based index of the photo area on the page
    QString problem;           // why it is missing or partly drawn; empty when all is well
    bool drawn = false;        // the photo (or the part that was read) is on the page
    double effectivePpi = 0;   // source pixels per printed inch, when drawn
    QString colorProblem{};    // why its colour profile was refused (drawn as sRGB)
};
using TPhotoDrawnEvent = std::function<void(const TPhotoDrawReport &report)>;

// Loads the picture of a cell's entry in place of LoadAreaPicture (a print
// run decoding ahead on worker threads); it must give what LoadAreaPicture
// would, and calls `needed` as that does. A linked image area asks with
// kLinkedAreaCell and no needed pixels: it is no cell's own drawing, so a
// loader learns nothing of a cell from it. A null picture without a problem
// leaves the area showing what it had.
constexpr int kLinkedAreaCell = -1;
using TPictureLoader = std::function<TLoadedPicture(const TImageInfo &info, int cell, const TNeededPixels &needed)>;

class TPhotoPaper {
public:
    TPhotoPaper();
    TPhotoPaper(const TPhotoPaper &) = delete;
    TPhotoPaper &operator=(const TPhotoPaper &) = delete;
    ~TPhotoPaper();

    // Resets the layout to a new document's defaults.
    void NewPaper();
    // Takes the printer's current paper into the document.
    void AdjustPaper();
    void Assign(const TPhotoPaper &source);

    // One page of the print run on a canvas whose pixel (0, 0) is the paper
    // point `origin` (mm): the paper's own background over the whole sheet
    // when PrintBackground is set, every cell with the image of its slot,
    // then the paper's free areas, which so see this page's images. Without
    // PrintBackground the paper's background reaches the page only through
    // the cells that inherit it.
    void Draw(QPainter &canvas, double resolution, const TFloatSize &origin);
    // The print run (model/PrintRun.h); Options null takes the paper's own. Returns the pages produced.
    int Print(TPrintDest dest, const TPrintOptions *options, const QString &filePath, int startNum);

    // The schematic layout preview fitted into a canvas of that many pixels:
    // sheet, cells with their numbers, and the free areas as outlines (filled
    // where their fill is a colour). The sheet shows the paper's fill and
    // frame only when they print (PrintBackground); otherwise it is white, as
    // the page will be.
    void DrawLayout(QPainter &canvas, int canvasWidth, int canvasHeight) const;
    // Magnification (px/mm) and sheet rectangle of the layout preview.
    double LayoutMagnification(int canvasWidth, int canvasHeight) const;
    QRect LayoutSheetRect(int canvasWidth, int canvasHeight) const;

    TAreas &Areas() noexcept { return FAreas; }
    const TAreas &Areas() const noexcept { return FAreas; }
    TPhotoAreas &PhotoAreas() noexcept { return FPhotoAreas; }
    const TPhotoAreas &PhotoAreas() const noexcept { return FPhotoAreas; }
    std::vector<TImageInfo *> &PhotoList() noexcept { return FPhotoList; }
    TPrintOptions &PrintOptions() noexcept { return FPrintOptions; }
    const TPrintOptions &PrintOptions() const noexcept { return FPrintOptions; }

    TBackground &Background() noexcept { return FBackground; }
    const TBackground &Background() const noexcept { return FBackground; }
    void SetBackground(const TBackground &background) { FBackground.Assign(background); }
    const TFont &Font() const noexcept { return FFont; }
    void SetFont(const TFont &font) { FFont = font; }

    // "用紙全体に背景を印刷する": the paper's background is drawn over the
    // whole page before the cells. Off for documents made before it existed.
    bool PrintBackground() const noexcept { return FPrintBackground; }
    void SetPrintBackground(bool value) { FPrintBackground = value; }
    bool Border() const noexcept { return FBorder; }
    void SetBorder(bool value) { FBorder = value; }
    double BorderWidth() const noexcept { return FBorderWidth; }
    void SetBorderWidth(double mm) { FBorderWidth = mm < 0 ? 0 : mm; }   // negative becomes 0
    const QString &DocumentFileName() const noexcept { return FDocumentFileName; }
    void SetDocumentFileName(const QString &name) { FDocumentFileName = name; }
    TImageListItems *Infos() const noexcept { return FInfos; }
    void SetInfos(TImageListItems *infos) noexcept { FInfos = infos; }
    const QString &PaperName() const noexcept { return FPaperName; }
    void SetPaperName(const QString &name) { FPaperName = name; }
    const QString &PaperSizeName() const noexcept { return FPaperSizeName; }
    void SetPaperSizeName(const QString &name) { FPaperSizeName = name; }
    std::int32_t PaperSizeNumber() const noexcept { return FPaperSizeNumber; }
    void SetPaperSizeNumber(std::int32_t number) { FPaperSizeNumber = number; }
    const TPrintingInfo &PrintingInfo() const noexcept { return FPrintingInfo; }
    void SetPrintingInfo(const TPrintingInfo &info) { FPrintingInfo = info; }
    TObjectStates State() const noexcept { return FState; }
    void SetState(TObjectStates state) { FState = state; }

    const TIntSize &Divide() const noexcept { return FDivide; }
    void SetDivide(TIntSize divide);              // each below 1 becomes 1; does not adjust areas
    std::int32_t HorzDivide() const noexcept { return FDivide.cx; }
    void SetHorzDivide(std::int32_t value) { FDivide.cx = value < 1 ? 1 : value; }
    std::int32_t VertDivide() const noexcept { return FDivide.cy; }
    void SetVertDivide(std::int32_t value) { FDivide.cy = value < 1 ? 1 : value; }

    const TFloatRect &Margins() const noexcept { return FMargins; }
    void SetMargins(const TFloatRect &margins);
    // Index 0..3: left, top, right, bottom; any other index reads 0.
    Extended Margin(int index) const;
    void SetMargin(int index, Extended value);
    Extended MarginLeft() const { return FMargins.Left; }
    Extended MarginTop() const { return FMargins.Top; }
    Extended MarginRight() const { return FMargins.Right; }
    Extended MarginBottom() const { return FMargins.Bottom; }
    void SetMarginLeft(Extended v) { SetMargin(0, v); }
    void SetMarginTop(Extended v) { SetMargin(1, v); }
    void SetMarginRight(Extended v) { SetMargin(2, v); }
    void SetMarginBottom(Extended v) { SetMargin(3, v); }

    const TFloatSize &PaperSize() const noexcept { return FPaperSize; }
    void SetPaperSize(const TFloatSize &size);
    Extended PaperWidth() const { return FPaperSize.cx; }
    Extended PaperHeight() const { return FPaperSize.cy; }
    void SetPaperWidth(Extended value);
    void SetPaperHeight(Extended value);
    TQvOrientation Orientation() const noexcept { return FOrientation; }
    void SetOrientation(TQvOrientation orientation);
    // Stores the orientation without swapping the size (the printer fallback needs this).
    void StoreOrientation(TQvOrientation orientation) { FOrientation = orientation; }
    const TFloatSize &Space() const noexcept { return FSpace; }
    void SetSpace(const TFloatSize &space);

    TPhotoAlign HorizontalAlign() const noexcept { return FHorizontalAlign; }
    void SetHorizontalAlign(TPhotoAlign value);
    TPhotoAlign VerticalAlign() const noexcept { return FVerticalAlign; }
    void SetVerticalAlign(TPhotoAlign value);
    double PhotoScale() const noexcept { return FPhotoScale; }
    void SetPhotoScale(double value);
    TPhotoSize PhotoSize() const noexcept { return FPhotoSize; }
    void SetPhotoSize(TPhotoSize value);
    double ProtrudeWidth() const noexcept { return FProtrudeWidth; }
    void SetProtrudeWidth(double value);
    TPhotoRotate Rotate() const noexcept { return FRotate; }
    void SetRotate(TPhotoRotate value);
    TPhotoLimitMode ScaleLimit() const noexcept { return FScaleLimit; }
    void SetScaleLimit(TPhotoLimitMode value);

    const QString &PrinterName() const noexcept { return FPrinterName; }
    // Takes the name only when the printer abstraction lists it.
    void SetPrinterName(const QString &name);
    // Stores the name as a document holds it, listed or not (loading needs this).
    void StorePrinterName(const QString &name) { FPrinterName = name; }

    const TBeginPrintEvent &OnBeginPrint() const noexcept { return FOnBeginPrint; }
    void SetOnBeginPrint(TBeginPrintEvent handler) { FOnBeginPrint = std::move(handler); }
    const TPaperPrintEvent &OnPrint() const noexcept { return FOnPrint; }
    void SetOnPrint(TPaperPrintEvent handler) { FOnPrint = std::move(handler); }
    // After each cell that has an entry is drawn: whether its photo could be
    // read and how finely it prints.
    const TPhotoDrawnEvent &OnPhotoDrawn() const noexcept { return FOnPhotoDrawn; }
    void SetOnPhotoDrawn(TPhotoDrawnEvent handler) { FOnPhotoDrawn = std::move(handler); }
    // Empty: cells load their pictures themselves.
    const TPictureLoader &PictureLoader() const noexcept { return FPictureLoader; }
    void SetPictureLoader(TPictureLoader loader) { FPictureLoader = std::move(loader); }

private:
    // The grid cells of the schematic preview: fill, frame and number of each.
    void drawLayoutCells(QPainter &canvas, const QRect &sheet, double bai) const;
    // Free areas of the schematic: colour fill and outline, placed from
    // `origin` (mm on the paper: the owner's top-left corner).
    void drawLayoutAreas(QPainter &canvas, const TAreas &areas, const TFloatPoint &origin, const QRect &sheet,
                         double bai) const;

    TAreas FAreas{this};
    TBackground FBackground;
    bool FBorder = false;
    double FBorderWidth = 0;
    TIntSize FDivide{1, 1};
    QString FDocumentFileName;
    TFont FFont;
    TPhotoAlign FHorizontalAlign = TPhotoAlign::paCenter;
    TImageListItems *FInfos = nullptr;
    TFloatRect FMargins;
    TBeginPrintEvent FOnBeginPrint;
    TPaperPrintEvent FOnPrint;
    TPhotoDrawnEvent FOnPhotoDrawn;
    TPictureLoader FPictureLoader;
    TQvOrientation FOrientation = TQvOrientation::qotPortrait;
    QString FPaperName;
    TFloatSize FPaperSize;
    QString FPaperSizeName;
    std::int32_t FPaperSizeNumber = 0;
    TPhotoAreas FPhotoAreas{this};
    std::vector<TImageInfo *> FPhotoList;
    bool FPrintBackground = false;
    double FPhotoScale = 1.0;
    TPhotoSize FPhotoSize = TPhotoSize::psPaper;
    QString FPrinterName;
    TPrintingInfo FPrintingInfo;
    TPrintOptions FPrintOptions;
    double FProtrudeWidth = 0;
    TPhotoRotate FRotate = TPhotoRotate::prAuto;
    TPhotoLimitMode FScaleLimit = TPhotoLimitMode::plmNone;
    TFloatSize FSpace;
    TObjectStates FState;
    TPhotoAlign FVerticalAlign = TPhotoAlign::paCenter;
};

} // namespace vellora
