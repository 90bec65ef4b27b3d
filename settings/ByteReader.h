// The one bounds-checked reader for outside bytes held in memory (Exif blocks,
// BMP files, font tables, ...). Reads never go past the end: a short read
// throws FormatError naming the source and the offset. Little- or big-endian
// as the format says; the order can change mid-way (Exif's byte-order mark).
#pragma once

#include "settings/Errors.h"
#include "settings/Extended.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>

namespace vellora {

enum class Endian { Little, Big };

class ByteReader {
public:
    ByteReader(std::span<const std::uint8_t> data, QString source = QString(),
               Endian endian = Endian::Little)
        : FData(data), FSource(std::move(source)), FEndian(endian) {}
    ByteReader(const QByteArray &data, QString source = QString(), Endian endian = Endian::Little)
        : ByteReader(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t *>(data.constData()),
                                                   static_cast<size_t>(data.size())),
                     std::move(source), endian) {}

    Endian endian() const noexcept { return FEndian; }
    void setEndian(Endian e) noexcept { FEndian = e; }

    std::size_t size() const noexcept { return FData.size(); }
    std::size_t pos() const noexcept { return FPos; }
    std::size_t remaining() const noexcept { return FData.size() - FPos; }
    bool atEnd() const noexcept { return FPos >= FData.size(); }

    void seek(std::size_t offset);           // offset ≤ size(), else FormatError
    void skip(std::size_t count);            // count ≤ remaining(), else FormatError

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    std::uint64_t u64();
    std::int8_t i8() { return static_cast<std::int8_t>(u8()); }
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::int64_t i64() { return static_cast<std::int64_t>(u64()); }
    double f64();
    Extended ext80();
    std::span<const std::uint8_t> bytes(std::size_t count);  // a view, valid while the data lives
    QByteArray byteArray(std::size_t count);

    // True when count bytes are there from offset (no overflow).
    bool has(std::size_t offset, std::size_t count) const noexcept
    {
        return offset <= FData.size() && count <= FData.size() - offset;
    }

    [[noreturn]] void fail(const QString &what) const;

private:
    void need(std::size_t count) const;

    std::span<const std::uint8_t> FData;
    QString FSource;
    Endian FEndian;
    std::size_t FPos = 0;
};

// Multiplies sizes with an overflow check; throws FormatError(what) on overflow
// or when the product exceeds limit.
std::size_t checkedMultiply(std::size_t a, std::size_t b, std::size_t limit, const QString &what);

} // namespace vellora
