// Enumerations of the Exif reader. Their ordinals are stored in documents and
// printed by the command line, so the order is fixed.
#pragma once

#include <cstdint>

namespace vellora {

// The IFD an entry was read from.
enum class TExifIFD : std::uint8_t { eiTIFF, eiExif, eiGPS, eiInteroperability };

// Exif orientation (tag 274): values 1 … 8; eoReserved for 0 and anything above 8.
enum class TExifOrientation : std::uint8_t {
    eoReserved,
    eoTopLeft,
    eoTopRight,
    eoBottomRight,
    eoBottomLeft,
    eoLeftTop,
    eoRightTop,
    eoRightBottom,
    eoLeftBottom,
};

// The character code named in the first 8 bytes of a user comment.
enum class TExifUserCommentStyle : std::uint8_t { ucAscii, ucJIS, ucUnicode, ucUndefined, ucUnknown };

} // namespace vellora
