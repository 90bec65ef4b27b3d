// Reader of Windows BMP file images (OS/2 core and 40-byte or longer info
// headers; 1, 4, 8, 16, 24 and 32 bits; RLE4, RLE8 and bit fields) for the
// banded bitmap. 16- and 32-bit images come out as 24-bit, run-length data
// expanded. Reads outside bytes through ByteReader only; throws
// EBigBitmapError / EDIBUtilsError with the class texts, FormatError on
// truncated headers. Any thread; no shared state.
#pragma once

#include "settings/Errors.h"

#include <QByteArray>
#include <QRgb>
#include <QString>
#include <cstdint>
#include <span>
#include <vector>

namespace vellora {

// The banded bitmap's own checks.
class EBigBitmapError : public Error {
public:
    using Error::Error;
};

// Malformed BMP data.
class EDIBUtilsError : public EBigBitmapError {
public:
    using EBigBitmapError::EBigBitmapError;
};

// A decoded BMP: rows of Stride bytes at Bits per pixel (1, 4, 8 or 24, BGR
// order for 24). Rows stay in file order; Row() maps image rows to them.
struct TDibImage {
    std::int32_t Width = 0;
    std::int32_t Height = 0;          // rows, always ≥ 0
    int Bits = 0;
    bool BottomUp = true;             // a positive header height
    std::size_t Stride = 0;           // ((Bits × Width + 31) div 32) × 4
    std::vector<QRgb> Palette;        // the colour table, at most 256 entries
    std::span<const std::uint8_t> Rows;  // Height × Stride bytes, in the input or in Decoded
    QByteArray Decoded;               // owns Rows when the data was converted or expanded

    bool Empty() const noexcept { return Width == 0 || Height == 0; }
    // Image row r (0 = top).
    const std::uint8_t *Row(std::int32_t r) const noexcept
    {
        const std::int32_t fileRow = BottomUp ? Height - 1 - r : r;
        return Rows.data() + static_cast<std::size_t>(fileRow) * Stride;
    }
};

// Row stride of a bitmap: rows are padded to 4 bytes. 64-bit so that no
// width from a file can overflow it.
constexpr std::uint64_t DibStride(std::uint64_t bits, std::uint64_t width)
{
    return ((bits * width + 31) / 32) * 4;
}

// Limit of expanded run-length data; uncompressed images are bounded by the
// input itself.
inline constexpr std::size_t kMaxExpandedDibBytes = std::size_t(256) << 20;
// Limit of the pixels a run-length image may expand to. A few bytes of codes
// can claim any size, and every pixel later costs several bytes in the bands
// and in the drawn image, so the byte limit alone lets a tiny file take
// gigabytes and minutes; no real run-length picture comes near this.
inline constexpr std::size_t kMaxRleDibPixels = std::size_t(16) << 20;

// Parses a whole BMP file image. The result may point into bytes, which must
// outlive it.
TDibImage LoadDIB(std::span<const std::uint8_t> bytes, const QString &source = QString());

} // namespace vellora
