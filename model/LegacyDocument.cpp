#include "model/LegacyDocument.h"

#include "graphics/BigBitmap.h"
#include "model/DocumentFormat.h"
#include "model/ImageArea.h"
#include "model/PhotoPaper.h"
#include "model/TextArea.h"
#include "settings/Helpers.h"

namespace vellora {

namespace {

void skip(TStream &stream, std::int64_t count)
{
    stream.ReadBytes(count);
}

TTextAngle angleFromDegrees(std::uint16_t degrees)
{
    if (degrees == 0)
        return TTextAngle::taNone;
    if (degrees <= 90)
        return TTextAngle::taAngle90;
    if (degrees <= 180)
        return TTextAngle::taAngle180;
    return TTextAngle::taAngle270;
}

void loadLegacyText(TStream &stream, TTextArea &text)
{
    text.SetPaddings(ReadFloatRect(stream));
    text.SetText(ReadLegacyStringFromStream(stream));
    TFont font = text.OwnFont();
    ReadLegacyFontFromStream(stream, font);
    text.SetFont(font);
    text.SetHorzAlignment(DecodeByte<THorzAlignment>(stream.ReadU8(), 5, "THorzAlignment"));
    text.SetSource(DecodeEnum<TTextSourceType>(stream.ReadU8(), "TTextSourceType"));
    text.SetParentFont(stream.ReadBool());
    text.SetAngle(angleFromDegrees(stream.ReadU16()));
    text.SetRowPitch(stream.ReadExtended());
    text.SetFitMode(stream.ReadBool() ? TTextFitMode::tfmTrans : TTextFitMode::tfmNone);
    text.SetVertAlignment(DecodeByte<TVertAlignment>(stream.ReadU8(), 4, "TVertAlignment"));
    if (stream.ReadBool())
        text.SetFitMode(TTextFitMode::tfmWrap);
}

void loadLegacyImage(TStream &stream, TImageArea &image)
{
    skip(stream, 10);
    TImageDrawMode style = TImageDrawMode::idmProportional;
    const std::uint8_t mode = stream.ReadU8();
    if (mode == 0)
        style = TImageDrawMode::idmStretch;
    else if (mode == 1)
        style = TImageDrawMode::idmTile;
    if (stream.ReadU8() != 0 && style == TImageDrawMode::idmStretch)
        style = TImageDrawMode::idmProportional;
    image.SetDrawStyle(style);
    if (stream.ReadI32() <= 0) {
        image.SetTransparent(stream.ReadBool());
        image.SetTransparentColor(stream.ReadU32());
        image.Background().Fill().SetOverAll(stream.ReadBool());
    }
    const std::int32_t length = stream.ReadI32();
    if (length <= 0) {
        QImage white(1, 1, QImage::Format_RGB888);
        white.fill(Qt::white);
        image.SetBitmap(white);
        return;
    }
    TBigBitmap picture;
    // ReadBytes checks the length against what is left before allocating.
    picture.LoadFromBytes(stream.ReadBytes(length), QStringLiteral("legacy image area picture"));
    image.SetBitmap(picture.ToImage());
}

} // namespace

void LoadLegacyAreasFromStream(TStream &stream, TAreas &areas)
{
    areas.Clear();
    const std::int32_t count = stream.ReadI32();
    CheckRecordCount(stream, count, kMinLegacyAreaRecordBytes, "legacy area");
    for (std::int32_t i = 0; i < count; ++i) {
        TCustomArea *area = ReadAreaKind(stream, areas);
        area->Background().LoadFromStream(stream, false);
        const Extended left = stream.ReadExtended();
        const Extended top = stream.ReadExtended();
        const Extended width = stream.ReadExtended();
        const Extended height = stream.ReadExtended();
        area->SetBounds(FloatRect(left, top, left + width, top + height));
        area->SetAngle(TTextAngle::taNone);
        if (auto *text = dynamic_cast<TTextArea *>(area))
            loadLegacyText(stream, *text);
        else
            loadLegacyImage(stream, *static_cast<TImageArea *>(area));
    }
}

void LoadLegacyPhotoAreaFromStream(TStream &stream, TPhotoArea &cell)
{
    TPhotoPaper *paper = cell.Parent() ? cell.Parent()->Paper() : nullptr;
    const Extended borderWidth = stream.ReadExtended();
    if (paper)
        paper->SetBorderWidth(static_cast<double>(borderWidth));
    skip(stream, 10);
    cell.SetHorizontalAlign(DecodeEnum<TPhotoAlign>(stream.ReadU8(), "TPhotoAlign"));

    // The scale goes in as it is, leaving the size group's flag alone.
    const std::int32_t percent = stream.ReadI32();
    cell.BeginParentChange();
    cell.SetPhotoScale(percent / 100.0);
    cell.EndParentChange();

    const std::uint8_t rotation = stream.ReadU8();
    switch (rotation) {
    case 0: cell.SetRotate(TPhotoRotate::prAuto); break;
    case 1: cell.SetRotate(TPhotoRotate::prNone); break;
    case 2: cell.SetRotate(TPhotoRotate::pr90); break;
    case 3: cell.SetRotate(TPhotoRotate::pr180); break;
    case 4: cell.SetRotate(TPhotoRotate::pr270); break;
    default: cell.SetParentRotate(true); break;
    }
    const std::uint8_t size = stream.ReadU8();
    if (size <= Ord(TPhotoSize::psScale))
        cell.SetPhotoSize(static_cast<TPhotoSize>(size));
    else
        cell.SetParentPhotoSize(true);
    const std::uint8_t limit = stream.ReadU8();
    if (limit <= Ord(TPhotoLimitMode::plmDownOnly))
        cell.SetScaleLimit(static_cast<TPhotoLimitMode>(limit));
    cell.SetVerticalAlign(DecodeEnum<TPhotoAlign>(stream.ReadU8(), "TPhotoAlign"));
    skip(stream, 10);
    cell.Background().LoadFromStream(stream, false);
    LoadLegacyAreasFromStream(stream, cell.Areas());
}

void LoadLegacyPaperFromStream(TStream &stream, TPhotoPaper &paper)
{
    paper.SetPrintBackground(false);
    const std::int32_t cx = stream.ReadI32();
    const std::int32_t cy = stream.ReadI32();
    paper.SetDivide(CheckedDivide(stream, cx, cy));
    skip(stream, 8);
    TFont font = paper.Font();
    ReadLegacyFontFromStream(stream, font);
    paper.SetFont(font);
    paper.SetMargins(ReadFloatRect(stream));
    paper.StoreOrientation(DecodeOrientation(stream.ReadU8()));
    paper.SetPaperName(ReadLegacyStringFromStream(stream));
    paper.SetPaperSize(CheckedPaperSize(ReadFloatSize(stream)));
    paper.SetPaperSizeNumber(stream.ReadI32());
    skip(stream, 8);
    paper.SetProtrudeWidth(static_cast<double>(stream.ReadExtended()));
    paper.SetSpace(ReadFloatSize(stream));
    paper.Background().LoadFromStream(stream, false);

    TPhotoAreas &cells = paper.PhotoAreas();
    cells.AdjustAreas();
    TPhotoArea &first = *cells.Items(0);
    LoadLegacyPhotoAreaFromStream(stream, first);
    const std::int64_t copies = static_cast<std::int64_t>(first.Areas().Count()) * cells.Count();
    if (copies > kMaxLegacyCopiedAreas)
        throw FormatError(QStringLiteral("document"), stream.Position(),
                          QStringLiteral("%1 free areas copied into %2 cells are more than any layout holds")
                              .arg(first.Areas().Count())
                              .arg(cells.Count()));
    for (int i = 1; i < cells.Count(); ++i) {
        TPhotoArea &cell = *cells.Items(i);
        cell.Assign(first);
        // The copied free areas show this cell's photo, not the first cell's.
        cell.Areas().CopyFrom(first.Areas());
    }

    if (stream.Remaining() < 4)
        return;
    if (stream.ReadI32() >= 0) {
        // Not a marker: those bytes belong to the print list that follows.
        stream.Seek(-4, SeekOrigin::Current);
        return;
    }
    paper.StorePrinterName(ReadLegacyStringFromStream(stream));
    LoadLegacyAreasFromStream(stream, paper.Areas());
}

} // namespace vellora
