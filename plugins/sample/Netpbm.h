// Reader of the Netpbm formats (PBM, PGM, PPM in their plain and raw forms,
// and PAM) into the bitmap the plug-in interface returns. Every read is
// bounded by the input; no exceptions. Used by the sample plug-in and its
// fuzz target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace netpbm {

// Largest picture accepted, in pixels (as the program's own check).
inline constexpr std::uint64_t kMaxPixels = std::uint64_t(1) << 28;

struct Header {
    char format = 0;              // '1'..'7' of the magic "P1".."P7"
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t depth = 0;      // samples per pixel
    std::uint32_t maxval = 0;
    bool blackAndWhite = false;   // PBM, or PAM tuple type BLACKANDWHITE
    bool alpha = false;           // PAM tuple types ending in _ALPHA
    std::size_t dataOffset = 0;   // where the samples begin
};

// True when the bytes begin like a Netpbm file ("P1".."P7" and white space).
bool HasMagic(const std::uint8_t *data, std::size_t size);

// Parses the header; false when the bytes are not a supported Netpbm picture.
bool ParseHeader(const std::uint8_t *data, std::size_t size, Header &header);

// The bitmap of a decoded picture: the 40-byte info header with its colour
// table, and the rows (bottom-up, 4-byte aligned).
struct Bitmap {
    std::vector<std::uint8_t> info;
    std::uint8_t *bits = nullptr;   // filled by Decode into memory from allocBits
    std::size_t bitsSize = 0;
};

// Called with (row, rows); a non-zero result stops decoding.
using Progress = int (*)(std::uint32_t row, std::uint32_t rows, void *context);
// Gives a block for the rows (nullptr: out of memory).
using Allocate = std::uint8_t *(*)(std::size_t size, void *context);

enum class Result { ok, aborted, unknownFormat, brokenData, noMemory };

// Decodes the picture: 1 bit for black-and-white, 4 bits for grey up to
// maxval 15, 8 bits for other grey, 24 bits for colour and for anything with
// alpha (composed over white); samples above 8 bits are scaled down.
Result Decode(const std::uint8_t *data, std::size_t size, const Header &header, Bitmap &out,
              Allocate allocate, void *allocContext, Progress progress, void *progressContext);

} // namespace netpbm
