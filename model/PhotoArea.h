// One cell of the paper's grid. Each placement setting is either inherited
// from the paper (the cell keeps a copy, refreshed by AdjustProperties) or the
// cell's own. Bounds are millimetres on the paper.
#pragma once

#include "graphics/Geometry.h"
#include "model/Areas.h"
#include "model/Background.h"
#include "model/PhotoTurn.h"
#include "model/Types.h"

#include <QFont>
#include <QImage>
#include <QRect>
#include <QTransform>
#include <functional>
#include <optional>

class QPainter;

namespace vellora {

class TPhotoAreas;
class TImageInfo;
struct TGraphicClass;
struct TPhotoPlacement;
struct TPlacementInput;

// A picture as loaded for drawing: the decoded image on white, the pixel size
// of the whole image it stands for and the reduction (1, 2, 4 or 8) it was
// decoded at. An entry that cannot be loaded gives a null image.
struct TLoadedPicture {
    QImage image;
    QSize fullSize;
    int reduction = 1;
    // Why the picture could not be read, or (with an image) why it is only
    // partly there; empty when all is well.
    QString problem;
    // The Exif orientation of the bytes the image came from (1 to 8; 1 when
    // they say nothing usable). The image itself is as stored.
    int orientation = 1;
    // Why the picture's colour profile was refused (the picture is then
    // taken as sRGB); empty when all is well.
    QString colorProblem{};
};

// Given the full pixel size of an image, the pixels the drawing needs of it
// (same orientation); an empty size asks for the whole image.
using TNeededPixels = std::function<QSize(QSize fullSize)>;

// Loads the image of a print-list entry: an embedded one from its record in
// the document file (which must open: IoError otherwise; a damaged record is
// a FormatError), a linked one from its file (missing: null image). JPEG data
// is decoded at the smallest DCT reduction that still has the needed pixels.
TLoadedPicture LoadAreaPicture(const TImageInfo &info, const QString &documentFileName,
                               const TNeededPixels &needed = {});

// The bytes of a print-list entry's picture as stored, the class that reads
// them and a key that names the source (the same file gives the same key);
// `problem` says why a linked file cannot be read. Throws like LoadAreaPicture.
struct TPictureBytes {
    QByteArray data;
    const TGraphicClass *graphicClass = nullptr;
    QString key;
    QString problem;
};
TPictureBytes ReadAreaPictureBytes(const TImageInfo &info, const QString &documentFileName);
// The key of ReadAreaPictureBytes without reading anything.
QString AreaPictureKey(const TImageInfo &info, const QString &documentFileName);

// A canvas that places a photo's file as it is (a PDF page) instead of its
// decoded pixels. The cell asks it first; without a source it decodes.
class TPhotoPassThrough {
public:
    struct Source {
        QSize size;            // the stored pixels
        int orientation = 1;   // Exif, 1 to 8
        int handle = -1;       // the canvas's own name for the source
    };
    virtual ~TPhotoPassThrough() = default;
    // The entry's picture when its bytes can be placed as they are.
    virtual std::optional<Source> PassThroughSource(const TImageInfo &info, const QString &documentFileName) = 0;
    // Fills `cell` (canvas pixels) white and, when given, draws the source
    // mapped by `sourceToCanvas` (stored pixels to canvas pixels), cut to `cell`.
    virtual void PlacePassThrough(QPainter &canvas, const Source &source, const QRect &cell,
                                  const std::optional<QTransform> &sourceToCanvas) = 0;
};

class TPhotoArea {
public:
    explicit TPhotoArea(TPhotoAreas *parent);
    TPhotoArea(const TPhotoArea &) = delete;
    TPhotoArea &operator=(const TPhotoArea &) = delete;

    TAreas &Areas() noexcept { return FAreas; }
    const TAreas &Areas() const noexcept { return FAreas; }
    const TFloatRect &Bounds() const noexcept { return FBounds; }
    TPhotoAreas *Parent() const noexcept { return FParent; }
    TObjectStates State() const noexcept { return FState; }
    Extended Left() const { return FBounds.Left; }
    Extended Top() const { return FBounds.Top; }
    Extended Right() const { return FBounds.Right; }
    Extended Bottom() const { return FBounds.Bottom; }
    Extended Width() const { return FBounds.Right - FBounds.Left; }
    Extended Height() const { return FBounds.Bottom - FBounds.Top; }
    int Index() const;

    TBackground &Background() noexcept { return FBackground; }
    const TBackground &Background() const noexcept { return FBackground; }
    void SetBackground(const TBackground &background) { FBackground.Assign(background); }

    bool ParentBackground() const noexcept { return FParentBackground; }
    void SetParentBackground(bool value);
    bool ParentHorizontalAlign() const noexcept { return FParentHorizontalAlign; }
    void SetParentHorizontalAlign(bool value);
    bool ParentPhotoSize() const noexcept { return FParentPhotoSize; }
    void SetParentPhotoSize(bool value);
    bool ParentProtrudeWidth() const noexcept { return FParentProtrudeWidth; }
    void SetParentProtrudeWidth(bool value);
    bool ParentRotate() const noexcept { return FParentRotate; }
    void SetParentRotate(bool value);
    bool ParentVerticalAlign() const noexcept { return FParentVerticalAlign; }
    void SetParentVerticalAlign(bool value);

    TPhotoAlign HorizontalAlign() const noexcept { return FHorizontalAlign; }
    void SetHorizontalAlign(TPhotoAlign value);
    TPhotoAlign VerticalAlign() const noexcept { return FVerticalAlign; }
    void SetVerticalAlign(TPhotoAlign value);
    double ProtrudeWidth() const noexcept { return FProtrudeWidth; }
    void SetProtrudeWidth(double value);
    TPhotoRotate Rotate() const noexcept { return FRotate; }
    void SetRotate(TPhotoRotate value);
    TPhotoSize PhotoSize() const noexcept { return FPhotoSize; }
    void SetPhotoSize(TPhotoSize value);
    double PhotoScale() const noexcept { return FPhotoScale; }
    void SetPhotoScale(double value);
    TPhotoLimitMode ScaleLimit() const noexcept { return FScaleLimit; }
    void SetScaleLimit(TPhotoLimitMode value);

    TImageInfo *ImageInfo() const noexcept { return FImageInfo; }
    void SetImageInfo(TImageInfo *info) noexcept { FImageInfo = info; }

    void AdjustBounds(const TFloatRect &bounds) { FBounds = bounds; }
    // Copies every inherited setting from the paper, clearing no flag.
    void AdjustProperties();
    void BeginParentChange() { FState.include(TObjectState::obsParentChanging); }
    void EndParentChange() { FState.exclude(TObjectState::obsParentChanging); }

    // Settings, inheritance and free areas of another cell.
    void Assign(const TPhotoArea &source);
    // Inheritance flags and own settings only.
    void CopyFrom(const TPhotoArea &source);

    // Draws the cell with `item` on a canvas whose pixel (0, 0) is the paper
    // point `origin` (mm): fill, photo, frame, then the cell's free areas. A
    // picture that cannot be loaded leaves the photo out; the rest is drawn.
    void Draw(QPainter &canvas, double resolution, bool preview, TImageInfo *item, const TFloatSize &origin);

    // How finely `item` prints in this cell: its source pixels per inch of
    // paper after the rotation (upright first while ExifRotate() is on), the
    // size rule and the scale limit; 0 while
    // its pixel size is unknown. The print preview and the layout dialog show
    // it. `resolution` is the device's: a fixed scale counts in its pixels.
    double PhotoResolution(const TImageInfo &item, double resolution) const;

    // Schematic preview: fill, frame and the cell number, scaled by bai px/mm
    // into the sheet rectangle.
    void DrawLayout(QPainter &canvas, const QRect &sheet, double bai) const;
    // Pixel height of the preview's cell number label in a cell of that size.
    static int LayoutLabelHeight(int cellWidth, int cellHeight, const QFont &base);

private:
    friend class TPhotoAreas;

    // Steps 12 to 15 of drawing: the white cell bitmap with the photo
    // stretched into it, put on the canvas.
    // `turn` is applied to the picture while it is stretched.
    // Takes the picture over and lets it go as soon as the cell is drawn from
    // it: a photo at printer resolution is tens of megabytes.
    static void drawPhoto(QPainter &canvas, bool preview, QImage picture, const TPhotoPlacement &place,
                          bool banding, TPixelTurn turn = {});
    void Changed();
    void ownChange(bool &parentFlag);
    // The placement settings for `item` in the cell at cellRect, the picture
    // size left empty.
    TPlacementInput placementInput(const TImageInfo &item, const TFloatRect &cellRect, double resolution) const;

    TAreas FAreas{this};
    TBackground FBackground;
    TFloatRect FBounds;
    TPhotoAlign FHorizontalAlign = TPhotoAlign::paCenter;
    TImageInfo *FImageInfo = nullptr;
    TPhotoAreas *FParent = nullptr;
    // Where TPhotoAreas last found this cell; checked before it is trusted.
    mutable int FIndexHint = -1;
    bool FParentBackground = true;
    bool FParentHorizontalAlign = true;
    bool FParentPhotoSize = true;
    bool FParentProtrudeWidth = true;
    bool FParentRotate = true;
    bool FParentVerticalAlign = true;
    double FPhotoScale = 1.0;
    TPhotoSize FPhotoSize = TPhotoSize::psPaper;
    double FProtrudeWidth = 0;
    TPhotoRotate FRotate = TPhotoRotate::prAuto;
    TPhotoLimitMode FScaleLimit = TPhotoLimitMode::plmNone;
    TObjectStates FState;
    TPhotoAlign FVerticalAlign = TPhotoAlign::paCenter;
};

} // namespace vellora
