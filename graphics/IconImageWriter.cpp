#include "graphics/IconImageWriter.h"

#include "graphics/BmpReader.h"
#include "graphics/IconImageReader.h"
#include "graphics/QvIcon.h"

namespace vellora {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitFields = 3;

bool bitAt(const uchar *row, int x)
{
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

void putU16(QByteArray &out, std::uint32_t v)
{
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}

void putU32(QByteArray &out, std::uint32_t v)
{
    putU16(out, v & 0xFFFF);
    putU16(out, v >> 16);
}

} // namespace

QByteArray EncodeIconImage(const QImage &colours, int depth, const std::vector<std::uint8_t> &transparent,
                       const std::vector<std::uint8_t> &alpha)
{
    const int w = colours.width();
    const int h = colours.height();
    if (w < 1 || h < 1 || w > kMaxIconSide || h > kMaxIconSide)
        throw EQvGraphic(3);
    // 5-5-5 pixels are stored as 16-bit BI_RGB, 5-6-5 ones with bit fields.
    const int bits = depth == 15 ? 16 : depth;
    const bool bitFields = depth == 16;
    const int tableSize = depth <= 8 ? 1 << depth : 0;
    const std::size_t xorStride = static_cast<std::size_t>(DibStride(static_cast<std::uint64_t>(bits), static_cast<std::uint64_t>(w)));
    const std::size_t andStride = static_cast<std::size_t>(DibStride(1, static_cast<std::uint64_t>(w)));
    const std::size_t pixelBytes = (xorStride + andStride) * static_cast<std::size_t>(h);
    const std::size_t dataSize = kIconHeaderSize + (bitFields ? 12 : 0) + 4 * static_cast<std::size_t>(tableSize) + pixelBytes;

    QByteArray m;
    m.reserve(static_cast<qsizetype>(kIconEntrySize + dataSize));
    m.append(static_cast<char>(w & 0xFF));
    m.append(static_cast<char>(h & 0xFF));
    m.append(static_cast<char>(depth < 8 ? 1 << depth : 0));   // 256 colours do not fit: 0
    m.append('\0');
    putU16(m, 1);
    putU16(m, static_cast<std::uint32_t>(bits));
    putU32(m, static_cast<std::uint32_t>(dataSize));
    putU32(m, 0);   // the offset is set when a file is written

    putU32(m, kIconHeaderSize);
    putU32(m, static_cast<std::uint32_t>(w));
    putU32(m, static_cast<std::uint32_t>(2 * h));
    putU16(m, 1);
    putU16(m, static_cast<std::uint32_t>(bits));
    putU32(m, bitFields ? kBiBitFields : kBiRgb);
    putU32(m, static_cast<std::uint32_t>(pixelBytes));
    putU32(m, 0);
    putU32(m, 0);
    putU32(m, 0);
    putU32(m, 0);
    if (bitFields) {
        putU32(m, 0xF800);
        putU32(m, 0x07E0);
        putU32(m, 0x001F);
    }
    const TPalette table = colours.colorTable();
    for (int i = 0; i < tableSize; ++i) {
        const QRgb c = i < table.size() ? table[i] : qRgb(0, 0, 0);
        m.append(static_cast<char>(qBlue(c)));
        m.append(static_cast<char>(qGreen(c)));
        m.append(static_cast<char>(qRed(c)));
        m.append('\0');
    }
    for (int y = h - 1; y >= 0; --y) {
        const uchar *in = colours.constScanLine(y);
        QByteArray row(static_cast<qsizetype>(xorStride), '\0');
        auto *out = reinterpret_cast<std::uint8_t *>(row.data());
        for (int x = 0; x < w; ++x) {
            switch (depth) {
            case 1:
                if (bitAt(in, x))
                    out[x >> 3] = static_cast<std::uint8_t>(out[x >> 3] | (0x80 >> (x & 7)));
                break;
            case 4:
                out[x >> 1] = static_cast<std::uint8_t>(out[x >> 1] | ((in[x] & 0x0F) << ((x & 1) ? 0 : 4)));
                break;
            case 8:
                out[x] = in[x];
                break;
            case 15:
            case 16:   // RGB555 and RGB16 hold little-endian 16-bit values as stored
                out[2 * x] = in[2 * x];
                out[2 * x + 1] = in[2 * x + 1];
                break;
            case 24:
                out[3 * x] = in[3 * x + 2];
                out[3 * x + 1] = in[3 * x + 1];
                out[3 * x + 2] = in[3 * x];
                break;
            default: {
                const QRgb c = reinterpret_cast<const QRgb *>(in)[x];
                out[4 * x] = static_cast<std::uint8_t>(qBlue(c));
                out[4 * x + 1] = static_cast<std::uint8_t>(qGreen(c));
                out[4 * x + 2] = static_cast<std::uint8_t>(qRed(c));
                out[4 * x + 3] = alpha[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + x];
                break;
            }
            }
        }
        m.append(row);
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(static_cast<qsizetype>(andStride), '\0');
        for (int x = 0; x < w; ++x)
            if (transparent[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + x])
                row[x >> 3] = static_cast<char>(row[x >> 3] | (0x80 >> (x & 7)));
        m.append(row);
    }
    return m;
}


} // namespace vellora
