#include "settings/ByteReader.h"

#include <cstring>
#include <limits>

namespace vellora {

void ByteReader::fail(const QString &what) const
{
    throw FormatError(FSource, static_cast<std::int64_t>(FPos), what);
}

void ByteReader::need(std::size_t count) const
{
    if (count > remaining())
        fail(QStringLiteral("%1 bytes needed, %2 left").arg(count).arg(remaining()));
}

void ByteReader::seek(std::size_t offset)
{
    if (offset > FData.size())
        fail(QStringLiteral("offset %1 is past the end (%2 bytes)").arg(offset).arg(FData.size()));
    FPos = offset;
}

void ByteReader::skip(std::size_t count)
{
    need(count);
    FPos += count;
}

std::uint8_t ByteReader::u8()
{
    need(1);
    return FData[FPos++];
}

std::uint16_t ByteReader::u16()
{
    need(2);
    const std::uint8_t *p = FData.data() + FPos;
    FPos += 2;
    return FEndian == Endian::Little ? static_cast<std::uint16_t>(p[0] | (p[1] << 8))
                                     : static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

std::uint32_t ByteReader::u32()
{
    need(4);
    const std::uint8_t *p = FData.data() + FPos;
    FPos += 4;
    if (FEndian == Endian::Little)
        return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
            | (std::uint32_t(p[3]) << 24);
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8)
        | std::uint32_t(p[3]);
}

std::uint64_t ByteReader::u64()
{
    const std::uint64_t a = u32();
    const std::uint64_t b = u32();
    return FEndian == Endian::Little ? (a | (b << 32)) : ((a << 32) | b);
}

double ByteReader::f64()
{
    const std::uint64_t bits = u64();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

Extended ByteReader::ext80()
{
    need(10);
    ExtendedBytes b;
    std::memcpy(b.data(), FData.data() + FPos, b.size());
    FPos += b.size();
    return extendedFromBytes(b);
}

std::span<const std::uint8_t> ByteReader::bytes(std::size_t count)
{
    need(count);
    auto view = FData.subspan(FPos, count);
    FPos += count;
    return view;
}

QByteArray ByteReader::byteArray(std::size_t count)
{
    const auto view = bytes(count);
    return QByteArray(reinterpret_cast<const char *>(view.data()), static_cast<qsizetype>(view.size()));
}

std::size_t checkedMultiply(std::size_t a, std::size_t b, std::size_t limit, const QString &what)
{
    if (a != 0 && b > std::numeric_limits<std::size_t>::max() / a)
        throw FormatError(what);
    const std::size_t product = a * b;
    if (product > limit)
        throw FormatError(what);
    return product;
}

} // namespace vellora
