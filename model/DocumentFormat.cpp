#include "model/DocumentFormat.h"

#include "model/ImageArea.h"
#include "model/LegacyDocument.h"
#include "model/PaperPrinter.h"
#include "model/PhotoPaper.h"
#include "model/StandardPapers.h"
#include "model/TextArea.h"
#include "settings/Helpers.h"

#include <cstring>
#include <vector>

namespace vellora {

// --- Helpers shared with the legacy reader

void CheckRecordCount(TStream &stream, std::int64_t count, std::int64_t minRecordBytes, const char *what)
{
    const std::int64_t left = stream.Remaining();
    if (count < 0 || count > left / minRecordBytes)
        throw FormatError(QStringLiteral("document"), stream.Position(),
                          QStringLiteral("%1 count %2 exceeds the %3 bytes left").arg(QLatin1String(what)).arg(count).arg(left));
}

TIntSize CheckedDivide(TStream &stream, std::int32_t cx, std::int32_t cy)
{
    // A division of 0 or less becomes 1, as the paper's own setter makes it.
    const TIntSize divide{cx < 1 ? 1 : cx, cy < 1 ? 1 : cy};
    if (static_cast<std::int64_t>(divide.cx) * divide.cy > kMaxDocumentCells)
        throw FormatError(QStringLiteral("document"), stream.Position(),
                          QStringLiteral("grid of %1 x %2 cells is larger than any layout").arg(cx).arg(cy));
    return divide;
}

TFloatSize CheckedPaperSize(const TFloatSize &size)
{
    if (!PaperSizeAllowed(static_cast<double>(size.cx), static_cast<double>(size.cy)))
        throw FormatError(PaperSizeLimitMessage());
    return size;
}

TQvOrientation DecodeOrientation(std::uint8_t ordinal)
{
    if (ordinal > Ord(TQvOrientation::qotLandscape))
        throw FormatError(QStringLiteral("TQvOrientation: unknown value %1").arg(ordinal));
    return static_cast<TQvOrientation>(ordinal);
}

// --- Font record

namespace {

void readFontTail(TStream &stream, TFont &font)
{
    font.Charset = stream.ReadU8();
    font.Color = stream.ReadU32();
    font.Height = stream.ReadI32();
    const std::uint8_t pitch = stream.ReadU8();
    if (pitch > Ord(TFontPitch::fpFixed))
        throw FormatError(QStringLiteral("TFontPitch: unknown value %1").arg(pitch));
    font.Pitch = static_cast<TFontPitch>(pitch);
    TFontStyles style;
    for (TFontStyle s : {TFontStyle::fsBold, TFontStyle::fsItalic, TFontStyle::fsUnderline, TFontStyle::fsStrikeOut}) {
        if (stream.ReadBool())
            style.include(s);
    }
    font.Style = style;
}

} // namespace

void WriteFontToStream(TStream &stream, const TFont &font)
{
    WriteStringToStream(stream, font.Name);
    stream.WriteU8(font.Charset);
    stream.WriteU32(font.Color);
    stream.WriteI32(font.Height);
    stream.WriteU8(Ord(font.Pitch));
    for (TFontStyle s : {TFontStyle::fsBold, TFontStyle::fsItalic, TFontStyle::fsUnderline, TFontStyle::fsStrikeOut})
        stream.WriteBool(font.Style.contains(s));
}

void ReadFontFromStream(TStream &stream, TFont &font)
{
    font.Name = ReadStringFromStream(stream);
    readFontTail(stream, font);
}

void ReadLegacyFontFromStream(TStream &stream, TFont &font)
{
    font.Name = ReadLegacyStringFromStream(stream);
    readFontTail(stream, font);
}

// --- Free areas

void SaveAreasToStream(TStream &stream, const TAreas &areas)
{
    stream.WriteI32(areas.Count());
    for (int i = 0; i < areas.Count(); ++i) {
        const TCustomArea *area = areas.Items(i);
        const auto *text = dynamic_cast<const TTextArea *>(area);
        const auto *image = dynamic_cast<const TImageArea *>(area);
        if (!text && !image)
            throw std::logic_error("SaveAreasToStream: an area of unknown class");
        stream.WriteU8(text ? kTextAreaKind : kImageAreaKind);
        area->Background().SaveToStream(stream);
        WriteFloatRect(stream, area->Bounds());
        stream.WriteU8(Ord(area->Angle()));
        if (text) {
            WriteStringsToStream(stream, text->Lines());
            WriteFontToStream(stream, text->OwnFont());
            stream.WriteU8(Ord(text->HorzAlignment()));
            stream.WriteU8(Ord(text->Source()));
            stream.WriteBool(text->ParentFont());
            stream.WriteExtended(text->RowPitch());
            stream.WriteU8(Ord(text->FitMode()));
            stream.WriteU8(Ord(text->VertAlignment()));
        } else {
            image->Background().Fill().SaveToStream(stream);
        }
    }
}

TCustomArea *ReadAreaKind(TStream &stream, TAreas &areas)
{
    const std::int64_t at = stream.Position();
    const std::uint8_t kind = stream.ReadU8();
    if (kind == kTextAreaKind)
        return areas.AddText();
    if (kind == kImageAreaKind)
        return areas.AddImage();
    throw FormatError(QStringLiteral("document"), at, QStringLiteral("unknown area kind %1").arg(kind));
}

void LoadAreasFromStream(TStream &stream, TAreas &areas)
{
    areas.Clear();
    const std::int32_t count = stream.ReadI32();
    CheckRecordCount(stream, count, kMinAreaRecordBytes, "area");
    for (std::int32_t i = 0; i < count; ++i) {
        TCustomArea *area = ReadAreaKind(stream, areas);
        area->Background().LoadFromStream(stream, true);
        area->SetBounds(ReadFloatRect(stream));
        area->SetAngle(DecodeByte<TTextAngle>(stream.ReadU8(), 4, "TTextAngle"));
        if (auto *text = dynamic_cast<TTextArea *>(area)) {
            QStringList lines;
            ReadStringsFromStream(stream, lines);
            text->SetLines(lines);
            TFont font = text->OwnFont();
            ReadFontFromStream(stream, font);
            text->SetFont(font);
            text->SetHorzAlignment(DecodeByte<THorzAlignment>(stream.ReadU8(), 5, "THorzAlignment"));
            text->SetSource(DecodeEnum<TTextSourceType>(stream.ReadU8(), "TTextSourceType"));
            text->SetParentFont(stream.ReadBool());
            text->SetRowPitch(stream.ReadExtended());
            text->SetFitMode(DecodeEnum<TTextFitMode>(stream.ReadU8(), "TTextFitMode"));
            text->SetVertAlignment(DecodeByte<TVertAlignment>(stream.ReadU8(), 4, "TVertAlignment"));
        } else {
            area->Background().Fill().LoadFromStream(stream, true);
        }
    }
}

// --- Cells

void SavePhotoAreaToStream(TStream &stream, const TPhotoArea &cell)
{
    stream.WriteU8(Ord(cell.HorizontalAlign()));
    stream.WriteU8(Ord(cell.VerticalAlign()));
    stream.WriteDouble(cell.PhotoScale());
    stream.WriteU8(Ord(cell.PhotoSize()));
    stream.WriteU8(Ord(cell.ScaleLimit()));
    stream.WriteDouble(cell.ProtrudeWidth());
    stream.WriteU8(Ord(cell.Rotate()));
    stream.WriteBool(cell.ParentBackground());
    stream.WriteBool(cell.ParentHorizontalAlign());
    stream.WriteBool(cell.ParentPhotoSize());
    stream.WriteBool(cell.ParentProtrudeWidth());
    stream.WriteBool(cell.ParentRotate());
    stream.WriteBool(cell.ParentVerticalAlign());
    cell.Background().SaveToStream(stream);
    SaveAreasToStream(stream, cell.Areas());
}

void LoadPhotoAreaFromStream(TStream &stream, TPhotoArea &cell)
{
    const auto horizontal = DecodeEnum<TPhotoAlign>(stream.ReadU8(), "TPhotoAlign");
    const auto vertical = DecodeEnum<TPhotoAlign>(stream.ReadU8(), "TPhotoAlign");
    const double scale = stream.ReadDouble();
    const auto size = DecodeEnum<TPhotoSize>(stream.ReadU8(), "TPhotoSize");
    const auto limit = DecodeEnum<TPhotoLimitMode>(stream.ReadU8(), "TPhotoLimitMode");
    const double protrude = stream.ReadDouble();
    const auto rotate = DecodeEnum<TPhotoRotate>(stream.ReadU8(), "TPhotoRotate");
    bool flags[6];
    for (bool &flag : flags)
        flag = stream.ReadBool();

    // The stored values go in as they are; only the flags decide what is
    // inherited, so storing must not clear them.
    cell.BeginParentChange();
    cell.SetHorizontalAlign(horizontal);
    cell.SetVerticalAlign(vertical);
    cell.SetPhotoScale(scale);
    cell.SetPhotoSize(size);
    cell.SetScaleLimit(limit);
    cell.SetProtrudeWidth(protrude);
    cell.SetRotate(rotate);
    cell.EndParentChange();

    // A flag that turns true copies the paper's values over the stored ones.
    cell.SetParentBackground(flags[0]);
    cell.SetParentHorizontalAlign(flags[1]);
    cell.SetParentPhotoSize(flags[2]);
    cell.SetParentProtrudeWidth(flags[3]);
    cell.SetParentRotate(flags[4]);
    cell.SetParentVerticalAlign(flags[5]);

    cell.BeginParentChange();
    try {
        cell.Background().LoadFromStream(stream, true);
    } catch (...) {
        cell.EndParentChange();
        throw;
    }
    cell.EndParentChange();
    LoadAreasFromStream(stream, cell.Areas());
}

// --- Paper

bool HasDocumentSignature(const QByteArray &head)
{
    return head.size() >= kDocumentSignatureSize
        && std::memcmp(head.constData(), kDocumentSignature, kDocumentSignatureSize) == 0;
}

void SavePaperToStream(TStream &stream, const TPhotoPaper &paper)
{
    stream.WriteBuffer(kDocumentSignature, kDocumentSignatureSize);
    // Later settings ride in the reserved values as tag/value pairs, which a
    // reader that knows no tags skips; a document without them is unchanged.
    if (paper.PrintBackground()) {
        stream.WriteU16(2);
        stream.WriteU32(kPageBackgroundTag);
        stream.WriteU32(1);
    } else {
        stream.WriteU16(0);
    }
    stream.WriteBool(paper.Border());
    stream.WriteDouble(paper.BorderWidth());
    stream.WriteI32(paper.Divide().cx);
    stream.WriteI32(paper.Divide().cy);
    WriteFontToStream(stream, paper.Font());
    stream.WriteU8(Ord(paper.HorizontalAlign()));
    stream.WriteU8(Ord(paper.VerticalAlign()));
    WriteFloatRect(stream, paper.Margins());
    stream.WriteU8(Ord(paper.Orientation()));
    WriteStringToStream(stream, paper.PrinterName());
    WriteStringToStream(stream, paper.PaperName());
    WriteStringToStream(stream, paper.PaperSizeName());
    WriteFloatSize(stream, paper.PaperSize());
    stream.WriteI32(paper.PaperSizeNumber());
    stream.WriteDouble(paper.PhotoScale());
    stream.WriteU8(Ord(paper.PhotoSize()));
    stream.WriteU8(Ord(paper.ScaleLimit()));
    stream.WriteDouble(paper.ProtrudeWidth());
    stream.WriteU8(Ord(paper.Rotate()));
    WriteFloatSize(stream, paper.Space());
    paper.Background().SaveToStream(stream);
    SaveAreasToStream(stream, paper.Areas());
    const TPhotoAreas &cells = paper.PhotoAreas();
    stream.WriteI32(cells.Count());
    for (int i = 0; i < cells.Count(); ++i)
        SavePhotoAreaToStream(stream, *cells.Items(i));
}

namespace {

void loadCurrentPaper(TStream &stream, TPhotoPaper &paper)
{
    const std::uint16_t reserved = stream.ReadU16();
    CheckRecordCount(stream, reserved, 4, "reserved value");
    std::vector<std::uint32_t> values(reserved);
    for (std::uint32_t &v : values)
        v = stream.ReadU32();
    paper.SetPrintBackground(false);
    for (std::size_t i = 0; i + 1 < values.size(); i += 2) {
        if (values[i] == kPageBackgroundTag)
            paper.SetPrintBackground((values[i + 1] & 1) != 0);
    }

    paper.SetBorder(stream.ReadBool());
    paper.SetBorderWidth(stream.ReadDouble());
    const std::int32_t cx = stream.ReadI32();
    const std::int32_t cy = stream.ReadI32();
    paper.SetDivide(CheckedDivide(stream, cx, cy));
    TFont font = paper.Font();
    ReadFontFromStream(stream, font);
    paper.SetFont(font);
    paper.SetHorizontalAlign(DecodeEnum<TPhotoAlign>(stream.ReadU8(), "TPhotoAlign"));
    paper.SetVerticalAlign(DecodeEnum<TPhotoAlign>(stream.ReadU8(), "TPhotoAlign"));
    paper.SetMargins(ReadFloatRect(stream));
    // Stored as it is: the size that follows is already in this orientation.
    paper.StoreOrientation(DecodeOrientation(stream.ReadU8()));
    paper.StorePrinterName(ReadStringFromStream(stream));
    paper.SetPaperName(ReadStringFromStream(stream));
    paper.SetPaperSizeName(ReadStringFromStream(stream));
    paper.SetPaperSize(CheckedPaperSize(ReadFloatSize(stream)));
    paper.SetPaperSizeNumber(stream.ReadI32());
    paper.SetPhotoScale(stream.ReadDouble());
    paper.SetPhotoSize(DecodeEnum<TPhotoSize>(stream.ReadU8(), "TPhotoSize"));
    paper.SetScaleLimit(DecodeEnum<TPhotoLimitMode>(stream.ReadU8(), "TPhotoLimitMode"));
    paper.SetProtrudeWidth(stream.ReadDouble());
    paper.SetRotate(DecodeEnum<TPhotoRotate>(stream.ReadU8(), "TPhotoRotate"));
    paper.SetSpace(ReadFloatSize(stream));
    paper.Background().LoadFromStream(stream, true);
    LoadAreasFromStream(stream, paper.Areas());

    TPhotoAreas &cells = paper.PhotoAreas();
    cells.AdjustAreas();
    const std::int32_t stored = stream.ReadI32();
    CheckRecordCount(stream, stored, kMinCellRecordBytes, "cell");
    for (std::int32_t i = 0; i < stored; ++i) {
        if (i < cells.Count()) {
            LoadPhotoAreaFromStream(stream, *cells.Items(i));
        } else {
            // Records beyond the grid are read and dropped, so that the
            // print list after them is read from its own first byte.
            TPhotoArea surplus(nullptr);
            LoadPhotoAreaFromStream(stream, surplus);
        }
    }
}

} // namespace

void LoadPaperFromStream(TStream &stream, TPhotoPaper &paper)
{
    const std::int64_t start = stream.Position();
    char head[kDocumentSignatureSize];
    std::int64_t got = 0;
    while (got < kDocumentSignatureSize) {
        const std::int64_t n = stream.Read(head + got, kDocumentSignatureSize - got);
        if (n <= 0)
            break;
        got += n;
    }
    if (got == kDocumentSignatureSize && HasDocumentSignature(QByteArray(head, kDocumentSignatureSize))) {
        loadCurrentPaper(stream, paper);
    } else {
        stream.SetPosition(start);
        LoadLegacyPaperFromStream(stream, paper);
    }
    TPaperPrinter &binding = PaperPrinter();
    binding.SetPaper(&paper);
    binding.AdjustPrinter();
}

} // namespace vellora
