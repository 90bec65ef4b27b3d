// The reader of documents from before the signature: CP932 strings, extended
// lengths, one cell record that every cell copies, and free areas with their
// own picture records. Only reading; documents are always written in the
// current layout. Throws EReadError on short input and FormatError on values
// no writer produced. UI thread.
#pragma once

#include <cstdint>

namespace vellora {

// The one cell record's free areas are copied into every cell. More copies in
// total than this (ten per cell of the largest grid) is a damaged file, not a
// layout: a few kilobytes would otherwise build millions of areas.
inline constexpr std::int64_t kMaxLegacyCopiedAreas = 99 * 99 * 10;

class TAreas;
class TPhotoArea;
class TPhotoPaper;
class TStream;

// The paper part from the stream's position. Properties the old layout lacks
// keep the values they had.
void LoadLegacyPaperFromStream(TStream &stream, TPhotoPaper &paper);
// The one stored cell record into `cell` (whose paper gets the border width).
void LoadLegacyPhotoAreaFromStream(TStream &stream, TPhotoArea &cell);
// Clears the list, then reads the stored areas.
void LoadLegacyAreasFromStream(TStream &stream, TAreas &areas);

} // namespace vellora
