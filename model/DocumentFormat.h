// The document file's records: the font record, the paper with its free
// areas and cells in the current layout, and the format detection that sends
// files without the signature to the legacy reader. Readers throw EReadError
// on short input and FormatError on values no writer produces; counts are
// checked against what remains of the stream before anything is made for
// them. UI thread (the paper is bound to the printer after loading).
#pragma once

#include "graphics/Geometry.h"
#include "print/QvPrint.h"
#include "settings/Font.h"
#include "settings/Stream.h"

#include <QByteArray>
#include <cstdint>

namespace vellora {

class TAreas;
class TCustomArea;
class TPhotoArea;
class TPhotoPaper;

// The 12 ASCII bytes a current-format document begins with.
inline constexpr char kDocumentSignature[] = "$VELLORADOC_";
inline constexpr int kDocumentSignatureSize = 12;

// A file names at most this many cells: the layout dialog offers 1 to 99
// divisions each way. More is a damaged file, not a layout to allocate.
inline constexpr std::int64_t kMaxDocumentCells = 99 * 99;

// Tag of the reserved-value pair that says the paper's background prints
// over the whole page ("PBG1" in file order); its value's bit 0 is the flag.
inline constexpr std::uint32_t kPageBackgroundTag = 0x31474250;

// Kind byte of a free area in the lists.
inline constexpr std::uint8_t kTextAreaKind = 0;
inline constexpr std::uint8_t kImageAreaKind = 1;

void WriteFontToStream(TStream &stream, const TFont &font);
// Name, charset, colour, height, pitch and style; the rest of `font` stays.
void ReadFontFromStream(TStream &stream, TFont &font);
// The same record with a CP932 name ending in a zero byte.
void ReadLegacyFontFromStream(TStream &stream, TFont &font);

// Count, then per area its kind byte and record.
void SaveAreasToStream(TStream &stream, const TAreas &areas);
// Clears the list first. Loaded areas keep a new area's link index.
void LoadAreasFromStream(TStream &stream, TAreas &areas);
// Reads an area record's kind byte and adds an area of that kind (both formats
// share the kinds); an unknown kind is a format error.
TCustomArea *ReadAreaKind(TStream &stream, TAreas &areas);

// One cell's settings, inheritance flags, background and free areas.
void SavePhotoAreaToStream(TStream &stream, const TPhotoArea &cell);
void LoadPhotoAreaFromStream(TStream &stream, TPhotoArea &cell);

// The paper part of a document: signature, reserved values, the paper's own
// fields, background, free areas and cells.
void SavePaperToStream(TStream &stream, const TPhotoPaper &paper);
// Detects the format from the first 12 bytes and reads the paper part in it
// (the legacy reader when the signature is missing), then binds the printer
// to the paper. Properties a legacy file lacks keep their values.
void LoadPaperFromStream(TStream &stream, TPhotoPaper &paper);

// True when the bytes begin with the whole signature.
bool HasDocumentSignature(const QByteArray &head);

// --- Checks shared by the current and the legacy reader ---------------------

// The fewest bytes one record can take, for checking counts before reading.
inline constexpr std::int64_t kMinAreaRecordBytes = 1 + 37 + 40 + 1;            // kind, background, bounds, angle
inline constexpr std::int64_t kMinLegacyAreaRecordBytes = 1 + 25 + 40;          // kind, background, bounds
inline constexpr std::int64_t kMinCellRecordBytes = 2 + 8 + 2 + 8 + 1 + 6 + 37 + 4;  // ..., background, area count

// FormatError when `count` records of at least minRecordBytes each cannot fit
// in what remains of the stream (or count is negative).
void CheckRecordCount(TStream &stream, std::int64_t count, std::int64_t minRecordBytes, const char *what);
// A stored division: 0 or less becomes 1; a grid above kMaxDocumentCells is a FormatError.
TIntSize CheckedDivide(TStream &stream, std::int32_t cx, std::int32_t cy);
TQvOrientation DecodeOrientation(std::uint8_t ordinal);
// The stored paper size; FormatError (with the user's message) beyond the
// sizes the layout dialog allows.
TFloatSize CheckedPaperSize(const TFloatSize &size);

// A file byte as a value of an enumeration with `count` values; FormatError otherwise.
template <typename E>
E DecodeByte(std::uint8_t ordinal, std::uint8_t count, const char *typeName)
{
    if (ordinal >= count)
        throw FormatError(QStringLiteral("%1: unknown value %2").arg(QLatin1String(typeName)).arg(ordinal));
    return static_cast<E>(ordinal);
}

} // namespace vellora
