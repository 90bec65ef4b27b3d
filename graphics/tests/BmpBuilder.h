// Builds BMP file images for tests, including broken ones: every header
// field can be set to a lie.
#pragma once

#include <QByteArray>
#include <QList>
#include <cstdint>

namespace vellora::test {

struct BmpSpec {
    std::uint32_t headerSize = 40;     // 12 for an OS/2 core header
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t colourCount = 0;     // the header's count; the table below is written as given
    QList<std::uint32_t> colours;      // 0x00RRGGBB; 3 bytes each in core headers
    QList<std::uint32_t> masks;        // written after a 40-byte header
    QByteArray pixels;
    std::int64_t fileSize = -1;        // -1: the real size
    std::int64_t dataOffset = -1;      // -1: right after the table
};

inline void putLE(QByteArray &out, std::uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

inline QByteArray buildBmp(const BmpSpec &s)
{
    QByteArray info;
    putLE(info, s.headerSize, 4);
    if (s.headerSize == 12) {
        putLE(info, static_cast<std::uint16_t>(s.width), 2);
        putLE(info, static_cast<std::uint16_t>(s.height), 2);
        putLE(info, 1, 2);
        putLE(info, s.bits, 2);
    } else {
        putLE(info, static_cast<std::uint32_t>(s.width), 4);
        putLE(info, static_cast<std::uint32_t>(s.height), 4);
        putLE(info, 1, 2);
        putLE(info, s.bits, 2);
        putLE(info, s.compression, 4);
        putLE(info, static_cast<std::uint32_t>(s.pixels.size()), 4);
        putLE(info, 2835, 4);
        putLE(info, 2835, 4);
        putLE(info, s.colourCount, 4);
        putLE(info, 0, 4);
        while (info.size() < static_cast<qsizetype>(s.headerSize))
            info.append('\0');
    }
    for (auto m : s.masks)
        putLE(info, m, 4);
    for (auto c : s.colours)
        putLE(info, c, s.headerSize == 12 ? 3 : 4);

    const std::int64_t offset = s.dataOffset >= 0 ? s.dataOffset : 14 + info.size();
    const std::int64_t size = s.fileSize >= 0 ? s.fileSize : 14 + info.size() + s.pixels.size();
    QByteArray out("BM");
    putLE(out, static_cast<std::uint64_t>(size), 4);
    putLE(out, 0, 4);
    putLE(out, static_cast<std::uint64_t>(offset), 4);
    out += info;
    out += s.pixels;
    return out;
}

} // namespace vellora::test
