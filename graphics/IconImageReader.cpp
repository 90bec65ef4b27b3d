#include "graphics/IconImageReader.h"

#include "graphics/BmpReader.h"
#include "graphics/QvIcon.h"
#include "settings/ByteReader.h"

#include <bit>

namespace vellora {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitFields = 3;

// A channel under a bit mask, scaled to 0..255.
int channelOf(std::uint32_t value, std::uint32_t mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const std::uint32_t top = mask >> shift;
    const std::uint32_t v = (value & mask) >> shift;
    return static_cast<int>((static_cast<std::uint64_t>(v) * 255 + top / 2) / top);
}

bool bitAt(const std::uint8_t *row, int x)
{
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

} // namespace

int IconSide(std::uint8_t byte)
{
    return byte == 0 ? kMaxIconSide : byte;
}

TIconLayout IconLayout(std::span<const std::uint8_t> data, int entryWidth, int entryHeight)
{
    ByteReader in(data, QStringLiteral("icon image"));
    if (!in.has(0, 4))
        throw EQvGraphic(3);
    if (in.u32() != kIconHeaderSize)
        throw EQvGraphic(2);
    if (!in.has(0, kIconHeaderSize))
        throw EQvGraphic(3);
    TIconLayout l;
    const std::int32_t width = in.i32();
    const std::int32_t height = in.i32();
    in.skip(2);   // planes
    l.bits = in.u16();
    const std::uint32_t compression = in.u32();
    in.skip(12);  // image size, resolution
    const std::uint32_t used = in.u32();
    in.skip(4);   // important colours

    if (width != entryWidth || height != 2 * entryHeight)
        throw EQvGraphic(3);
    if (l.bits != 1 && l.bits != 4 && l.bits != 8 && l.bits != 16 && l.bits != 24 && l.bits != 32)
        throw EQvGraphic(3);
    l.bitFields = compression == kBiBitFields && (l.bits == 16 || l.bits == 32);
    if (compression != kBiRgb && !l.bitFields)
        throw EQvGraphic(2);
    if (l.bits == 32 && !l.bitFields) {
        l.masks[0] = 0x00FF0000;
        l.masks[1] = 0x0000FF00;
        l.masks[2] = 0x000000FF;
    }
    if (l.bitFields) {
        if (!in.has(in.pos(), 12))
            throw EQvGraphic(3);
        for (std::uint32_t &mask : l.masks)
            mask = in.u32();
    }
    if (used > 256 || (l.bits <= 8 && used > (1u << l.bits)))
        throw EQvGraphic(3);
    l.colours = used ? static_cast<int>(used) : l.bits <= 8 ? 1 << l.bits : 0;
    l.width = width;
    l.height = entryHeight;
    l.paletteAt = in.pos();
    l.xorAt = l.paletteAt + 4 * static_cast<std::size_t>(l.colours);
    l.xorStride = static_cast<std::size_t>(DibStride(static_cast<std::uint64_t>(l.bits), static_cast<std::uint64_t>(width)));
    l.andAt = l.xorAt + l.xorStride * static_cast<std::size_t>(l.height);
    l.andStride = static_cast<std::size_t>(DibStride(1, static_cast<std::uint64_t>(width)));
    if (!in.has(l.andAt, l.andStride * static_cast<std::size_t>(l.height)))
        throw EQvGraphic(3);
    return l;
}

TPalette IconPalette(std::span<const std::uint8_t> data, const TIconLayout &l)
{
    TPalette palette;
    for (int i = 0; i < l.colours; ++i) {
        const std::uint8_t *p = data.data() + l.paletteAt + 4 * static_cast<std::size_t>(i);
        palette.append(qRgb(p[2], p[1], p[0]));
    }
    return palette;
}

QImage DecodeIconImage(std::span<const std::uint8_t> data, const TIconLayout &l)
{
    QImage image(l.width, l.height, QImage::Format_ARGB32);
    if (image.isNull())
        throw EQvGraphic(5);
    const TPalette palette = IconPalette(data, l);
    const auto colourAt = [&palette](int index) { return index < palette.size() ? palette[index] : qRgb(0, 0, 0); };
    // A 32-bit image with any alpha carries its own transparency; the mask is
    // for readers that cannot blend.
    bool ownAlpha = false;
    if (l.bits == 32) {
        for (int y = 0; y < l.height && !ownAlpha; ++y) {
            const std::uint8_t *row = data.data() + l.xorAt + static_cast<std::size_t>(y) * l.xorStride;
            for (int x = 0; x < l.width && !ownAlpha; ++x)
                ownAlpha = row[4 * x + 3] != 0;
        }
    }
    for (int y = 0; y < l.height; ++y) {
        const std::size_t fileRow = static_cast<std::size_t>(l.height - 1 - y);
        const std::uint8_t *row = data.data() + l.xorAt + fileRow * l.xorStride;
        const std::uint8_t *mask = data.data() + l.andAt + fileRow * l.andStride;
        QRgb *out = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < l.width; ++x) {
            QRgb c = 0;
            int alpha = bitAt(mask, x) ? 0 : 255;
            switch (l.bits) {
            case 1:
                c = colourAt(bitAt(row, x));
                break;
            case 4:
                c = colourAt((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F);
                break;
            case 8:
                c = colourAt(row[x]);
                break;
            case 16: {
                const std::uint32_t v = row[2 * x] | (row[2 * x + 1] << 8);
                c = qRgb(channelOf(v, l.masks[0]), channelOf(v, l.masks[1]), channelOf(v, l.masks[2]));
                break;
            }
            case 24:
                c = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                break;
            default: {
                const std::uint8_t *p = row + 4 * x;
                const std::uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
                c = qRgb(channelOf(v, l.masks[0]), channelOf(v, l.masks[1]), channelOf(v, l.masks[2]));
                if (ownAlpha)
                    alpha = p[3];
                break;
            }
            }
            out[x] = qRgba(qRed(c), qGreen(c), qBlue(c), alpha);
        }
    }
    return image;
}


} // namespace vellora
