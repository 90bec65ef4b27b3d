// The bytes of one icon image as icon files store them: a 16-byte directory
// entry, then a bitmap with a 40-byte header, its colour table, the colour
// (XOR) bits and the 1-bit mask (AND) bits, rows bottom to top. Reading
// checks every part against the data and throws EQvGraphic; any thread.
#pragma once

#include "graphics/MedianColor.h"

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vellora {

inline constexpr std::size_t kIconEntrySize = 16;
inline constexpr std::size_t kIconHeaderSize = 40;
inline constexpr int kMaxIconSide = 256;

// Where the parts of one image's data lie; checked against the data's size.
struct TIconLayout {
    int width = 0;
    int height = 0;              // of the image: half the header's
    int bits = 0;                // as in the header: 1, 4, 8, 16, 24 or 32
    bool bitFields = false;
    std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};   // 16-bit BI_RGB is 5-5-5
    int colours = 0;
    std::size_t paletteAt = 0;
    std::size_t xorAt = 0;
    std::size_t xorStride = 0;
    std::size_t andAt = 0;
    std::size_t andStride = 0;
};


// An entry's size byte: 0 means 256.
int IconSide(std::uint8_t byte);

// Checks an image's data (what follows its directory entry) against the
// entry's size: EQvGraphic 2 for data that is not a bitmap (PNG, another
// header, compression), 3 for broken bitmaps.
TIconLayout IconLayout(std::span<const std::uint8_t> data, int entryWidth, int entryHeight);

TPalette IconPalette(std::span<const std::uint8_t> data, const TIconLayout &layout);

// The picture with alpha from the mask, or from a 32-bit image's own alpha
// when it has any. EQvGraphic 5 when no image can be made.
QImage DecodeIconImage(std::span<const std::uint8_t> data, const TIconLayout &layout);

} // namespace vellora
