// Builds small Exif JPEG files in memory for the reader's tests: a TIFF
// structure from entry lists, wrapped in an APP1 segment of a JPEG header.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vellora::test {

struct FixtureEntry {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::vector<std::uint64_t> values;   // numbers; rationals as numerator | denominator << 32
    QByteArray bytes;                    // ASCII and UNDEFINED values
    std::optional<std::uint32_t> count;  // written instead of the real count
    std::optional<std::uint32_t> offset; // written instead of the real value offset
};

FixtureEntry asciiEntry(std::uint16_t tag, const QByteArray &text);   // adds the zero byte
FixtureEntry undefinedEntry(std::uint16_t tag, const QByteArray &bytes);
FixtureEntry shortEntry(std::uint16_t tag, std::vector<std::uint64_t> values);
FixtureEntry longEntry(std::uint16_t tag, std::vector<std::uint64_t> values);
FixtureEntry rationalEntry(std::uint16_t tag, std::int32_t num, std::int32_t den, bool isSigned);

struct TiffFixture {
    bool littleEndian = true;
    std::vector<FixtureEntry> ifd0, exif, gps, interop, ifd1;
    QByteArray thumbnail;   // placed after the data; IFD1 gets Compression 6 and the pointer
};

QByteArray buildTiff(const TiffFixture &fixture);

// SOI, APP0, APP1 "Exif" with the TIFF data (when not empty), SOF0 of the
// given size, SOS and a few scan bytes, EOI.
QByteArray buildJpeg(const QByteArray &tiff, int width = 640, int height = 480, int scanBytes = 16);

// Inserts an APP1 "Exif" segment right after the SOI of a real JPEG.
QByteArray insertExif(const QByteArray &jpeg, const QByteArray &tiff);

} // namespace vellora::test
