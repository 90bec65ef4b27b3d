#include "model/PhotoArea.h"

#include "exif/ExifInfo.h"
#include "graphics/BigBitmap.h"
#include "graphics/GraphicClassList.h"
#include "graphics/JpegImage.h"
#include "model/ImageInfo.h"
#include "model/PhotoAreas.h"
#include "model/PhotoPaper.h"
#include "model/PhotoPlacement.h"
#include "settings/Stream.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>

namespace vellora {

TPhotoArea::TPhotoArea(TPhotoAreas *parent) : FParent(parent)
{
    FBackground.SetOnChange([this](void *) {
        if (!FState.contains(TObjectState::obsParentChanging))
            FParentBackground = false;
        Changed();
    });
    AdjustProperties();
}

int TPhotoArea::Index() const
{
    return FParent ? FParent->IndexOf(this) : -1;
}

void TPhotoArea::Changed()
{
    if (FParent)
        FParent->Changed(this);
}

void TPhotoArea::ownChange(bool &parentFlag)
{
    if (!FState.contains(TObjectState::obsParentChanging))
        parentFlag = false;
    Changed();
}

#define VELLORA_PARENT_FLAG_SETTER(Name)           \
    void TPhotoArea::Set##Name(bool value)         \
    {                                              \
        if (F##Name == value)                      \
            return;                                \
        F##Name = value;                           \
        if (value)                                 \
            AdjustProperties();                    \
    }
VELLORA_PARENT_FLAG_SETTER(ParentBackground)
VELLORA_PARENT_FLAG_SETTER(ParentHorizontalAlign)
VELLORA_PARENT_FLAG_SETTER(ParentPhotoSize)
VELLORA_PARENT_FLAG_SETTER(ParentProtrudeWidth)
VELLORA_PARENT_FLAG_SETTER(ParentRotate)
VELLORA_PARENT_FLAG_SETTER(ParentVerticalAlign)
#undef VELLORA_PARENT_FLAG_SETTER

#define VELLORA_OWN_SETTER(Name, Type, Flag)       \
    void TPhotoArea::Set##Name(Type value)         \
    {                                              \
        if (F##Name == value)                      \
            return;                                \
        F##Name = value;                           \
        ownChange(F##Flag);                        \
    }
VELLORA_OWN_SETTER(HorizontalAlign, TPhotoAlign, ParentHorizontalAlign)
VELLORA_OWN_SETTER(VerticalAlign, TPhotoAlign, ParentVerticalAlign)
VELLORA_OWN_SETTER(ProtrudeWidth, double, ParentProtrudeWidth)
VELLORA_OWN_SETTER(Rotate, TPhotoRotate, ParentRotate)
VELLORA_OWN_SETTER(PhotoSize, TPhotoSize, ParentPhotoSize)
VELLORA_OWN_SETTER(PhotoScale, double, ParentPhotoSize)
VELLORA_OWN_SETTER(ScaleLimit, TPhotoLimitMode, ParentPhotoSize)
#undef VELLORA_OWN_SETTER

void TPhotoArea::AdjustProperties()
{
    const TPhotoPaper *paper = FParent ? FParent->Paper() : nullptr;
    if (!paper)
        return;
    if (FParentBackground) {
        FState = {TObjectState::obsParentChanging};
        FBackground.Assign(paper->Background());
        FState = {};
    }
    if (FParentHorizontalAlign)
        FHorizontalAlign = paper->HorizontalAlign();
    if (FParentPhotoSize) {
        FPhotoSize = paper->PhotoSize();
        FPhotoScale = paper->PhotoScale();
        FScaleLimit = paper->ScaleLimit();
    }
    if (FParentProtrudeWidth)
        FProtrudeWidth = paper->ProtrudeWidth();
    if (FParentVerticalAlign)
        FVerticalAlign = paper->VerticalAlign();
    if (FParentRotate)
        FRotate = paper->Rotate();
}

void TPhotoArea::Assign(const TPhotoArea &source)
{
    if (&source == this)
        return;
    if (source.FParentBackground)
        SetParentBackground(true);
    else
        SetBackground(source.FBackground);
    if (source.FParentHorizontalAlign)
        SetParentHorizontalAlign(true);
    else
        SetHorizontalAlign(source.FHorizontalAlign);
    if (source.FParentPhotoSize) {
        SetParentPhotoSize(true);
    } else {
        SetPhotoSize(source.FPhotoSize);
        SetPhotoScale(source.FPhotoScale);
        SetScaleLimit(source.FScaleLimit);
    }
    if (source.FParentProtrudeWidth)
        SetParentProtrudeWidth(true);
    else
        SetProtrudeWidth(source.FProtrudeWidth);
    if (source.FParentVerticalAlign)
        SetParentVerticalAlign(true);
    else
        SetVerticalAlign(source.FVerticalAlign);
    if (source.FParentRotate)
        SetParentRotate(true);
    else
        SetRotate(source.FRotate);
    FAreas.Assign(source.FAreas);
}

void TPhotoArea::CopyFrom(const TPhotoArea &source)
{
    if (&source == this)
        return;
    SetParentBackground(source.FParentBackground);
    if (!source.FParentBackground)
        SetBackground(source.FBackground);
    SetParentHorizontalAlign(source.FParentHorizontalAlign);
    if (!source.FParentHorizontalAlign)
        SetHorizontalAlign(source.FHorizontalAlign);
    SetParentPhotoSize(source.FParentPhotoSize);
    if (!source.FParentPhotoSize) {
        SetPhotoSize(source.FPhotoSize);
        SetPhotoScale(source.FPhotoScale);
        SetScaleLimit(source.FScaleLimit);
    }
    SetParentProtrudeWidth(source.FParentProtrudeWidth);
    if (!source.FParentProtrudeWidth)
        SetProtrudeWidth(source.FProtrudeWidth);
    SetParentVerticalAlign(source.FParentVerticalAlign);
    if (!source.FParentVerticalAlign)
        SetVerticalAlign(source.FVerticalAlign);
    SetParentRotate(source.FParentRotate);
    if (!source.FParentRotate)
        SetRotate(source.FRotate);
}

namespace {

// Pictures are drawn on white: transparent parts of PNG or GIF images show
// white on the page, as on the screen.
QImage onWhite(const QImage &image)
{
    if (image.isNull())
        return image;
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage result(image.size(), QImage::Format_RGB32);
    result.fill(Qt::white);
    QPainter painter(&result);
    painter.drawImage(0, 0, image);
    return result;
}

TJPEGScale jpegScale(int reduction)
{
    switch (reduction) {
    case 2: return TJPEGScale::jsHalf;
    case 4: return TJPEGScale::jsQuarter;
    case 8: return TJPEGScale::jsEighth;
    default: return TJPEGScale::jsFullSize;
    }
}

// Decodes image bytes with the class picked for them. A JPEG is decoded by
// the codec at the smallest DCT reduction that still has the needed pixels.
// Data no decoder can read gives a null picture with the reason: the cell
// then shows no photo.
TLoadedPicture decodePicture(const QByteArray &data, const TGraphicClass *graphicClass, const TNeededPixels &needed)
{
    TLoadedPicture out;
    if (data.isEmpty()) {
        out.problem = QStringLiteral("empty file");
        return out;
    }
    if (!graphicClass) {
        out.problem = QStringLiteral("not an image file");
        return out;
    }
    try {
        QImage image;
        if (graphicClass == &JpegImageClass()) {
            QSize full;
            if (!TJpegImage::probeSize(data, full)) {
                out.problem = data.startsWith("\xFF\xD8") ? QStringLiteral("damaged JPEG header")
                                                            : QStringLiteral("not a JPEG file");
                return out;
            }
            int reduction = 1;
            if (needed) {
                const QSize need = needed(full);
                if (!need.isEmpty())
                    reduction = ChooseDecodeReduction(full.width(), full.height(), need.width(), need.height());
            }
            image = TJpegImage::decodeJpeg(data, jpegScale(reduction), &out.problem, &out.colorProblem);
            out.fullSize = full;
            out.reduction = reduction;
        } else {
            std::unique_ptr<TGraphic> graphic = graphicClass->Create();
            graphic->LoadFromData(data);
            image = graphic->Image();
            out.colorProblem = graphic->ColorProblem();
            out.fullSize = image.size();
        }
        out.image = onWhite(image);
        out.orientation = ExifOrientationOf(data);
    } catch (const EGraphicError &e) {
        return TLoadedPicture{{}, {}, 1, QString::fromUtf8(e.what())};
    }
    if (out.image.isNull())
        return TLoadedPicture{{}, {}, 1, out.problem.isEmpty() ? QStringLiteral("cannot be decoded") : out.problem};
    return out;
}

} // namespace

QString AreaPictureKey(const TImageInfo &info, const QString &documentFileName)
{
    if (info.LogMode() == TImageLogging::iloStream) {
        const QString &source = info.SourceFile().isEmpty() ? documentFileName : info.SourceFile();
        return QFileInfo(source).absoluteFilePath() + QStringLiteral("#") + QString::number(info.Position());
    }
    return QFileInfo(info.FileName()).absoluteFilePath();
}

TPictureBytes ReadAreaPictureBytes(const TImageInfo &info, const QString &documentFileName)
{
    TPictureBytes out;
    if (info.LogMode() == TImageLogging::iloStream) {
        // An entry merged in from another document keeps its record there
        // until the list is saved.
        const QString &source = info.SourceFile().isEmpty() ? documentFileName : info.SourceFile();
        TFileStream stream(source, TFileStream::Mode::Read);
        stream.SetPosition(info.Position());
        const std::int64_t at = stream.Position();
        const std::uint32_t length = stream.ReadU32();
        const std::uint8_t kind = stream.ReadU8();
        if (length < 5)
            throw FormatError(source, at, QStringLiteral("image record length %1 is below 5").arg(length));
        out.data = stream.ReadBytes(static_cast<std::int64_t>(length) - 5);
        out.key = AreaPictureKey(info, documentFileName);
        // Kind 1 is PNG; kind 0 is in the format of the file's extension.
        // When no class is registered for it, the data itself decides (the
        // file it came from may be long gone).
        out.graphicClass = &PngImageClass();
        if (kind != 1) {
            out.graphicClass = FindGraphicClass(info.FileName(), false);
            if (!out.graphicClass)
                out.graphicClass = DetectGraphicClass(out.data.left(4096));
        }
        return out;
    }
    // The general picture loader: the file's extension, else its content.
    // A document may link any name: a FIFO would block the reader for good
    // and a device such as /dev/zero would be read until memory runs out.
    const QFileInfo fileInfo(info.FileName());
    if (fileInfo.exists() && !fileInfo.isFile()) {
        out.problem = QStringLiteral("not a regular file");
        return out;
    }
    QFile file(info.FileName());
    if (!file.open(QIODevice::ReadOnly)) {
        out.problem = file.errorString();
        return out;
    }
    out.data = file.readAll();
    out.key = AreaPictureKey(info, documentFileName);
    out.graphicClass = PictureClassForExtension(ExtractFileExt(info.FileName()).toLower());
    if (!out.graphicClass)
        out.graphicClass = FindGraphicClass(info.FileName(), false);
    if (!out.graphicClass)
        out.graphicClass = DetectGraphicClass(out.data.left(4096));
    return out;
}

TLoadedPicture LoadAreaPicture(const TImageInfo &info, const QString &documentFileName, const TNeededPixels &needed)
{
    TPictureBytes bytes = ReadAreaPictureBytes(info, documentFileName);
    if (!bytes.problem.isEmpty())
        return TLoadedPicture{{}, {}, 1, bytes.problem};
    return decodePicture(bytes.data, bytes.graphicClass, needed);
}

TPlacementInput TPhotoArea::placementInput(const TImageInfo &item, const TFloatRect &cellRect, double resolution) const
{
    const TPhotoOption &options = item.Options();
    const TPhotoPaper *paper = FParent ? FParent->Paper() : nullptr;
    TPlacementInput in;
    in.cellRect = cellRect;
    in.resolution = resolution;
    const bool ownSize = options.ParentSize() == TParentMode::pamOrigin;
    in.photoSize = ownSize ? options.PhotoSize() : FPhotoSize;
    in.photoScale = ownSize ? options.PhotoScale() : FPhotoScale;
    in.scaleLimit = ownSize ? options.ScaleLimit() : FScaleLimit;
    in.protrudeWidth = FProtrudeWidth;
    const bool ownAlign = options.ParentAlign() == TParentMode::pamOrigin;
    in.horizontalAlign = ownAlign ? options.HorizontalAlign() : FHorizontalAlign;
    in.verticalAlign = ownAlign ? options.VerticalAlign() : FVerticalAlign;
    in.border = paper && paper->Border();
    in.borderWidth = paper ? paper->BorderWidth() : 0;
    return in;
}

double TPhotoArea::PhotoResolution(const TImageInfo &item, double resolution) const
{
    if (item.ImageWidth() <= 0 || item.ImageHeight() <= 0)
        return 0;
    const TPhotoOption &options = item.Options();
    const TPhotoRotate rule = options.ParentRotate() == TParentMode::pamOrigin ? options.Rotate() : FRotate;
    const TPixelTurn upright = UprightTurn(ExifRotate() ? static_cast<int>(Ord(item.Orientation())) : 1);
    const QSize size = TurnedSize(QSize(item.ImageWidth(), item.ImageHeight()), upright);
    const TPhotoRotate rotate = ResolveAutoRotate(rule, FBounds.Width(), FBounds.Height(), size.width(), size.height());
    const QSize placed = TurnedSize(size, ThenQuarters({}, QuarterTurns(rotate)));
    TPlacementInput in = placementInput(item, FBounds, resolution);
    in.pictureWidth = placed.width();
    in.pictureHeight = placed.height();
    return EffectiveResolution(in, ComputePlacement(in));
}

void TPhotoArea::Draw(QPainter &canvas, double resolution, bool preview, TImageInfo *item, const TFloatSize &origin)
{
    FImageInfo = item;
    const TFloatRect cellRect = OffsetFloatRect(FBounds, -origin.cx, -origin.cy);
    FBackground.Fill().Draw(canvas, resolution, cellRect, preview);

    if (item) {
        const TPhotoOption &options = item->Options();
        const TPhotoPaper *paper = FParent ? FParent->Paper() : nullptr;
        TPlacementInput in = placementInput(*item, cellRect, resolution);

        // An entry whose pixel size nobody has read yet (the command line, or
        // a print started before the list made its thumbnails) takes it from
        // the picture's header here, before the automatic rotation needs it.
        const TPhotoRotate rule = options.ParentRotate() == TParentMode::pamOrigin ? options.Rotate() : FRotate;
        auto learnSize = [item](QSize fullSize) {
            if ((item->ImageWidth() <= 0 || item->ImageHeight() <= 0) && !fullSize.isEmpty())
                item->SetImageSize({fullSize.width(), fullSize.height()});
        };
        // Upright photos are placed by their upright size: the rotation rule
        // (and TrueRotate) then turns the upright photo. The entry's recorded
        // orientation serves until the picture's own bytes have been read.
        const bool upright = ExifRotate();
        int orientation = upright ? static_cast<int>(Ord(item->Orientation())) : 1;
        TPixelTurn turn;
        auto turnsFor = [&]() {
            const TPixelTurn toUpright = UprightTurn(orientation);
            const QSize size = TurnedSize(QSize(item->ImageWidth(), item->ImageHeight()), toUpright);
            const TPhotoRotate rotate =
                ResolveAutoRotate(rule, cellRect.Width(), cellRect.Height(), size.width(), size.height());
            item->Options().SetTrueRotate(rotate);
            turn = ThenQuarters(toUpright, QuarterTurns(rotate));
        };
        turnsFor();

        // The placement comes from the full pixel size; the decode only needs
        // as many pixels as the placed photo has.
        auto turned = [&turn](QSize size) { return TurnedSize(size, turn); };
        TNeededPixels needed;
        if (!FParent || FParent->ScaledDecode()) {
            needed = [&](QSize fullSize) {
                if (fullSize.isEmpty())
                    return QSize();
                learnSize(fullSize);
                turnsFor();
                const QSize t = turned(fullSize);
                TPlacementInput probe = in;
                probe.pictureWidth = t.width();
                probe.pictureHeight = t.height();
                const TPhotoPlacement p = ComputePlacement(probe);
                return turned(QSize(std::max(1, p.photoWidth), std::max(1, p.photoHeight)));
            };
        }
        // A canvas that writes PDF places a JPEG's own bytes: nothing is
        // decoded, and the same rectangle, turn and cut as below apply.
        if (auto *pass = dynamic_cast<TPhotoPassThrough *>(canvas.device())) {
            if (const std::optional<TPhotoPassThrough::Source> source =
                    pass->PassThroughSource(*item, paper ? paper->DocumentFileName() : QString())) {
                learnSize(source->size);
                if (upright)
                    orientation = source->orientation;
                turnsFor();
                const QSize full = turned(source->size);
                in.pictureWidth = full.width();
                in.pictureHeight = full.height();
                const TPhotoPlacement place = ComputePlacement(in);
                const TPixelRect &r = place.output;
                if (r.Width() > 0 && r.Height() > 0) {
                    const QRect target(r.Left + place.offsetX, r.Top + place.offsetY, place.photoWidth,
                                       place.photoHeight);
                    pass->PlacePassThrough(canvas, *source, r.toQRect(),
                                           place.photoWidth > 0 && place.photoHeight > 0
                                               ? std::optional<QTransform>(TurnedTargetTransform(source->size, target, turn))
                                               : std::nullopt);
                }
                const TPhotoDrawReport report{item, Index(), QString(), true, EffectiveResolution(in, place), QString()};
                if (paper && paper->OnPhotoDrawn())
                    paper->OnPhotoDrawn()(report);
                FBackground.Frame().Draw(canvas, resolution, cellRect, preview);
                FAreas.Draw(canvas, resolution, preview, cellRect.TopLeft());
                return;
            }
        }
        TLoadedPicture picture = paper && paper->PictureLoader()
                                     ? paper->PictureLoader()(*item, Index(), needed)
                                     : LoadAreaPicture(*item, paper ? paper->DocumentFileName() : QString(), needed);
        learnSize(picture.fullSize);
        if (upright)
            orientation = picture.orientation;
        turnsFor();
        TPhotoDrawReport report{item, Index(), picture.problem, false, 0.0, picture.colorProblem};
        // Nothing to place for a picture that could not be loaded; the fill,
        // frame and free areas are still drawn.
        if (!picture.image.isNull() && !picture.fullSize.isEmpty()) {
            const QSize full = turned(picture.fullSize);
            in.pictureWidth = full.width();
            in.pictureHeight = full.height();
            const TPhotoPlacement place = ComputePlacement(in);
            report.drawn = true;
            report.effectivePpi = EffectiveResolution(in, place);
            const bool banding = paper && paper->PrintOptions().PrintMode == TPrintMode::pmBanding;
            if (upright && !turn.IsIdentity()) {
                // Turned while stretched: no turned copy of a large photo.
                drawPhoto(canvas, preview, std::move(picture.image), place, banding, turn);
            } else {
                QImage image = std::move(picture.image);
                if (turn.quarters)
                    image = RotateBitmap(image, turn.quarters * 90);
                drawPhoto(canvas, preview, std::move(image), place, banding);
            }
        }
        if (paper && paper->OnPhotoDrawn())
            paper->OnPhotoDrawn()(report);
    }

    FBackground.Frame().Draw(canvas, resolution, cellRect, preview);
    FAreas.Draw(canvas, resolution, preview, cellRect.TopLeft());
}

void TPhotoArea::drawPhoto(QPainter &canvas, bool preview, QImage picture, const TPhotoPlacement &place,
                           bool banding, TPixelTurn turn)
{
    const TPixelRect &r = place.output;
    if (r.Width() <= 0 || r.Height() <= 0)
        return;
    QImage cell(r.Width(), r.Height(), QImage::Format_RGB32);
    if (cell.isNull())
        throw Error(QStringLiteral("Not enough memory for a %1 × %2 pixel photo area").arg(r.Width()).arg(r.Height()));
    cell.fill(Qt::white);
    if (place.photoWidth > 0 && place.photoHeight > 0) {
        const TPixelRect target{place.offsetX, place.offsetY, place.offsetX + place.photoWidth,
                                place.offsetY + place.photoHeight};
        if (turn.IsIdentity()) {
            QPainter painter(&cell);
            if (preview) {
                painter.setRenderHint(QPainter::SmoothPixmapTransform);
                painter.drawImage(target.toQRect(), picture);
            } else {
                TBigBitmap big;
                big.Assign(picture);
                picture = QImage();
                big.Draw(painter, target);
            }
        } else if (preview) {
            QPainter painter(&cell);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.setTransform(TurnedTargetTransform(picture.size(), target.toQRect(), turn));
            painter.drawImage(0, 0, picture);
        } else {
            StretchTurned(cell, target.toQRect(), picture, turn);
        }
    }
    // The cell holds what is printed; the picture is not needed while the
    // cell goes to the device (a PDF writer makes copies of its own).
    picture = QImage();
    if (banding) {
        TBigBitmap big;
        big.Assign(cell);
        big.SetDrawMode(TBigBitmapDrawMode::dmUseBanding);
        big.DrawAt(canvas, r.Left, r.Top);
    } else {
        canvas.drawImage(r.Left, r.Top, cell);
    }
}

void TPhotoArea::DrawLayout(QPainter &canvas, const QRect &sheet, double bai) const
{
    const int left = RoundHalfEven(FBounds.Left * bai) + sheet.left();
    const int top = RoundHalfEven(FBounds.Top * bai) + sheet.top();
    const int right = RoundHalfEven(FBounds.Right * bai) + sheet.left();
    const int bottom = RoundHalfEven(FBounds.Bottom * bai) + sheet.top();
    const QRect cell(left, top, right - left, bottom - top);

    FBackground.Fill().DrawLayout(canvas, cell);
    FBackground.Frame().DrawLayout(canvas, cell);

    QFont font = canvas.font();
    font.setPixelSize(std::max(1, LayoutLabelHeight(cell.width(), cell.height(), font)));
    canvas.save();
    canvas.setFont(font);
    const QFontMetrics metrics(font);
    const QString label = QString::number(Index() + 1);
    const int x = cell.left() + (cell.width() - metrics.horizontalAdvance(label)) / 2;
    const int y = cell.top() + (cell.height() - metrics.height()) / 2;
    const TFillStyle style = FBackground.Fill().Style();
    QColor colour(Qt::black);
    if (style == TFillStyle::fisSolid || style == TFillStyle::fisGradient) {
        const QColor fill = ToQColor(FBackground.Fill().Color());
        colour = QColor(255 - fill.red(), 255 - fill.green(), 255 - fill.blue());
    }
    canvas.setPen(colour);
    canvas.setBrush(Qt::NoBrush);
    canvas.drawText(x, y + metrics.ascent(), label);
    canvas.restore();
}

int TPhotoArea::LayoutLabelHeight(int cellWidth, int cellHeight, const QFont &base)
{
    // Halve the height until "0000" fits the cell's width or it is tiny.
    QFont font = base;
    int a = cellHeight / 2;
    for (;;) {
        font.setPixelSize(std::max(1, a));
        if (cellWidth > QFontMetrics(font).horizontalAdvance(QStringLiteral("0000")) || a <= 6)
            return a;
        a /= 2;
    }
}

} // namespace vellora
