#include "graphics/BmpReader.h"

#include "settings/ByteReader.h"

#include <limits>

namespace vellora {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitFields = 3;

[[noreturn]] void dibError(const char *text) { throw EDIBUtilsError(std::string(text)); }
[[noreturn]] void bigBitmapError(const char *text) { throw EBigBitmapError(std::string(text)); }

struct Header {
    std::int64_t width = 0;
    std::int64_t height = 0;
    int bits = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t masks[3] = {0, 0, 0};
    bool hasMasks = false;
};

std::vector<QRgb> readColours(ByteReader &in, std::uint32_t count, int entrySize)
{
    // A table of more than 256 entries is cut to its first 256.
    const std::uint32_t kept = std::min<std::uint32_t>(count, 256);
    std::vector<QRgb> colours;
    colours.reserve(kept);
    for (std::uint32_t i = 0; i < kept; ++i) {
        const auto entry = in.bytes(static_cast<std::size_t>(entrySize));
        colours.push_back(qRgb(entry[2], entry[1], entry[0]));
    }
    return colours;
}

// A mask brought into 128 … 255 by shifting; the channel value is the masked
// pixel shifted alike, scaled by 255 over the shifted mask.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;            // > 0: right, < 0: left
    std::uint32_t full = 0;   // the shifted mask

    explicit Channel(std::uint32_t m) : mask(m)
    {
        if (m == 0)
            bigBitmapError("TBigBitmap.LoadFromStream: Invalid Masks");
        full = m;
        while (full >= 256) {
            full >>= 1;
            ++shift;
        }
        while (full < 128) {
            full <<= 1;
            --shift;
        }
    }
    std::uint8_t operator()(std::uint32_t pixel) const
    {
        const std::uint32_t v = pixel & mask;
        const std::uint32_t shifted = shift >= 0 ? v >> shift : v << -shift;
        return static_cast<std::uint8_t>(shifted * 255u / full);
    }
};

QByteArray convertToRgb(const Header &h, std::span<const std::uint8_t> data, std::size_t width,
                        std::size_t height, std::size_t outStride)
{
    const bool sixteen = h.bits == 16;
    std::uint32_t m[3];
    if (h.hasMasks) {
        std::copy(std::begin(h.masks), std::end(h.masks), m);
    } else if (sixteen) {
        m[0] = 0x7C00; m[1] = 0x03E0; m[2] = 0x001F;
    } else {
        m[0] = 0xFF0000; m[1] = 0x00FF00; m[2] = 0x0000FF;
    }
    const Channel red(m[0]), green(m[1]), blue(m[2]);
    const std::size_t inStride = static_cast<std::size_t>(DibStride(static_cast<std::uint64_t>(h.bits), width));
    QByteArray out(static_cast<qsizetype>(outStride * height), '\0');
    auto *dst = reinterpret_cast<std::uint8_t *>(out.data());
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t *src = data.data() + y * inStride;
        std::uint8_t *row = dst + y * outStride;
        for (std::size_t x = 0; x < width; ++x) {
            std::uint32_t pixel;
            if (sixteen) {
                pixel = std::uint32_t(src[2 * x]) | (std::uint32_t(src[2 * x + 1]) << 8);
            } else {
                const std::uint8_t *p = src + 4 * x;
                pixel = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
                    | (std::uint32_t(p[3]) << 24);
            }
            row[3 * x] = blue(pixel);
            row[3 * x + 1] = green(pixel);
            row[3 * x + 2] = red(pixel);
        }
    }
    return out;
}

// Expands RLE8 (four == false) or RLE4 data into rows of stride bytes, in file
// row order. Pixels the data does not reach stay 0.
QByteArray expandRle(std::span<const std::uint8_t> data, bool four, std::size_t height,
                     std::size_t stride)
{
    // Error texts 1 … 4 for RLE8 and 5 … 8 for RLE4, in the same order:
    // an encoded run past the row, an absolute run past the row, a position
    // past the image, data that ends inside a code.
    static const char *const kRle8[] = {"Convert8BitRLETo8BitRGB: Bad RLE Data 1",
                                        "Convert8BitRLETo8BitRGB: Bad RLE Data 2",
                                        "Convert8BitRLETo8BitRGB: Bad RLE Data 3",
                                        "Convert8BitRLETo8BitRGB: Bad RLE Data 4"};
    static const char *const kRle4[] = {"Convert4BitRLETo4BitRGB: Bad RLE Data 5",
                                        "Convert4BitRLETo4BitRGB: Bad RLE Data 6",
                                        "Convert4BitRLETo4BitRGB: Bad RLE Data 7",
                                        "Convert4BitRLETo4BitRGB: Bad RLE Data 8"};
    const char *const *errors = four ? kRle4 : kRle8;

    if (stride != 0 && height > kMaxExpandedDibBytes / stride)
        dibError("LoadDIBFromStream: Image is too large");
    // Some encoders also code the row's padding bytes, so a row is as long
    // as its stride holds pixels; only what goes past that is malformed.
    const std::size_t rowPixels = four ? 2 * stride : stride;
    if (rowPixels != 0 && height > kMaxRleDibPixels / rowPixels)
        dibError("LoadDIBFromStream: Image is too large");
    QByteArray out(static_cast<qsizetype>(stride * height), '\0');
    auto *dst = reinterpret_cast<std::uint8_t *>(out.data());
    std::size_t x = 0, y = 0, pos = 0;
    const std::size_t n = data.size();

    auto put = [&](std::uint8_t value) {
        std::uint8_t *row = dst + y * stride;
        if (!four) {
            row[x] = value;
        } else if (x % 2 == 0) {
            row[x / 2] = static_cast<std::uint8_t>((row[x / 2] & 0x0F) | (value << 4));
        } else {
            row[x / 2] = static_cast<std::uint8_t>((row[x / 2] & 0xF0) | (value & 0x0F));
        }
        ++x;
    };

    while (pos < n) {
        if (pos + 2 > n)
            dibError(errors[3]);
        const std::uint8_t count = data[pos];
        const std::uint8_t value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            if (y >= height)
                dibError(errors[2]);
            if (count > rowPixels - x)
                dibError(errors[0]);
            for (std::uint8_t i = 0; i < count; ++i)
                put(four ? static_cast<std::uint8_t>(i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
            continue;
        }
        switch (value) {
        case 0:  // end of line
            x = 0;
            ++y;
            if (y > height)
                dibError(errors[2]);
            break;
        case 1:  // end of bitmap
            return out;
        case 2: {  // delta
            if (pos + 2 > n)
                dibError(errors[3]);
            const std::size_t dx = data[pos], dy = data[pos + 1];
            pos += 2;
            x += dx;
            y += dy;
            if (x > rowPixels || y > height || (y == height && x > 0))
                dibError(errors[2]);
            break;
        }
        default: {  // absolute run of `value` pixels, padded to an even byte count
            const std::size_t bytes = four ? (value + 1u) / 2u : value;
            const std::size_t padded = (bytes + 1u) & ~std::size_t(1);
            if (pos + bytes > n)
                dibError(errors[3]);
            if (y >= height)
                dibError(errors[2]);
            if (value > rowPixels - x)
                dibError(errors[1]);
            for (std::size_t i = 0; i < value; ++i) {
                const std::uint8_t b = data[pos + (four ? i / 2 : i)];
                put(four ? static_cast<std::uint8_t>(i % 2 == 0 ? b >> 4 : b & 0x0F) : b);
            }
            pos += std::min(padded, n - pos);
            break;
        }
        }
    }
    // Data that stops without an end-of-bitmap code leaves the rest blank.
    return out;
}

} // namespace

TDibImage LoadDIB(std::span<const std::uint8_t> bytes, const QString &source)
{
    ByteReader in(bytes, source);

    // File header.
    if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M')
        dibError("LoadDIBFromStream: File type is invalid");
    in.skip(2);
    const std::uint32_t fileSize = in.u32();
    in.skip(4);
    const std::uint32_t dataOffset = in.u32();

    // Bitmap header.
    Header h;
    const std::uint32_t headerSize = in.u32();
    std::vector<QRgb> colours;
    if (headerSize < 40) {
        if (headerSize != 12)
            dibError("LoadDIBFromStream: Invalid Bitmap Header Size");
        h.width = in.u16();
        h.height = in.u16();
        in.skip(2);  // planes
        h.bits = in.u16();
        if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 24)
            bigBitmapError("TBigBitmap.LoadFromStream: Invalid BitCount");
        if (h.bits <= 8)
            colours = readColours(in, 1u << h.bits, 3);
    } else {
        h.width = in.i32();
        h.height = in.i32();
        in.skip(2);  // planes
        h.bits = in.u16();
        h.compression = in.u32();
        in.skip(12);  // image size, resolution
        std::uint32_t colourCount = in.u32();
        in.skip(4);   // important colours
        if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32)
            dibError("LoadDIBFromStream: Invalid BitCout");
        // Bit-field masks lie inside headers of 52 bytes or more and follow
        // shorter ones.
        const bool bitFields = h.compression == kBiBitFields;
        if (bitFields && headerSize >= 52) {
            for (auto &m : h.masks)
                m = in.u32();
            in.skip(headerSize - 52u);
        } else {
            in.skip(headerSize - 40u);
            if (bitFields)
                for (auto &m : h.masks)
                    m = in.u32();
        }
        h.hasMasks = bitFields;
        if (colourCount == 0 && h.bits <= 8)
            colourCount = 1u << h.bits;
        colours = readColours(in, colourCount, 4);
    }

    switch (h.compression) {
    case kBiRgb:
        break;
    case kBiRle8:
        if (h.bits != 8)
            dibError("Convert8BitRLETo8BitRGB: Invalid Bitcount & Compression Combination");
        break;
    case kBiRle4:
        if (h.bits != 4)
            dibError("Convert4BitRLETo4BitRGB: Invalid Bitcount & Compression Combination");
        break;
    case kBiBitFields:
        if (h.bits != 16 && h.bits != 32)
            dibError("LoadDIBFromStream: Bit fields need 16 or 32 bits per pixel");
        break;
    default:
        dibError("LoadDIBFromStream: Unsupported compression");
    }

    if (h.width < 0 || h.height == std::numeric_limits<std::int32_t>::min())
        dibError("LoadDIBFromStream: Invalid image size");
    TDibImage image;
    image.Width = static_cast<std::int32_t>(h.width);
    image.BottomUp = h.height > 0;
    image.Height = static_cast<std::int32_t>(h.height < 0 ? -h.height : h.height);
    image.Bits = h.bits == 16 || h.bits == 32 ? 24 : h.bits;
    const std::uint64_t stride = DibStride(static_cast<std::uint64_t>(image.Bits),
                                           static_cast<std::uint64_t>(image.Width));
    if (stride >= 65280)
        bigBitmapError("TBigBitmap.LoadFromStream: Too Big Width or Too Many Pixel Bits");
    image.Stride = static_cast<std::size_t>(stride);
    if (image.Bits <= 8) {
        image.Palette = std::move(colours);
    }
    if (image.Empty())
        return image;

    // Pixel data: from the offset to the recorded file size, or to the end of
    // the data when that size is missing or larger than what is there.
    if (dataOffset > bytes.size())
        dibError("LoadDIBFromStream: Pixel data offset is past the end of the file");
    std::size_t dataSize = bytes.size() - dataOffset;
    if (fileSize > dataOffset && fileSize <= bytes.size())
        dataSize = fileSize - dataOffset;
    const auto data = bytes.subspan(dataOffset, dataSize);
    const auto width = static_cast<std::size_t>(image.Width);
    const auto height = static_cast<std::size_t>(image.Height);

    if (h.compression == kBiRle8 || h.compression == kBiRle4) {
        image.Decoded = expandRle(data, h.compression == kBiRle4, height, image.Stride);
    } else {
        const std::uint64_t inStride = DibStride(static_cast<std::uint64_t>(h.bits), width);
        if (inStride * height > data.size())
            dibError("LoadDIBFromStream: Pixel data is truncated");
        if (h.bits == 16 || h.bits == 32)
            image.Decoded = convertToRgb(h, data, width, height, image.Stride);
        else
            image.Rows = data.first(image.Stride * height);
    }
    if (!image.Decoded.isNull())
        image.Rows = std::span<const std::uint8_t>(
            reinterpret_cast<const std::uint8_t *>(image.Decoded.constData()),
            static_cast<std::size_t>(image.Decoded.size()));
    return image;
}

} // namespace vellora
