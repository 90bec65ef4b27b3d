#include "settings/Stream.h"

#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace vellora {

void TStream::ReadBuffer(void *buffer, std::int64_t count)
{
    if (count < 0 || (count != 0 && Read(buffer, count) != count))
        throw EReadError();
}

void TStream::WriteBuffer(const void *buffer, std::int64_t count)
{
    if (count < 0 || (count != 0 && Write(buffer, count) != count))
        throw EWriteError();
}

QByteArray TStream::ReadBytes(std::int64_t count)
{
    if (count < 0 || count > Remaining())
        throw EReadError();
    QByteArray bytes(static_cast<qsizetype>(count), Qt::Uninitialized);
    ReadBuffer(bytes.data(), count);
    return bytes;
}

std::int64_t TStream::CopyFrom(TStream &source, std::int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::int64_t left = count;
    char buffer[64 * 1024];
    while (left > 0) {
        const std::int64_t n = std::min<std::int64_t>(left, sizeof buffer);
        source.ReadBuffer(buffer, n);
        WriteBuffer(buffer, n);
        left -= n;
    }
    return count;
}

std::uint8_t TStream::ReadU8()
{
    std::uint8_t v;
    ReadBuffer(&v, 1);
    return v;
}

std::uint16_t TStream::ReadU16()
{
    std::uint8_t b[2];
    ReadBuffer(b, 2);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t TStream::ReadU32()
{
    std::uint8_t b[4];
    ReadBuffer(b, 4);
    return std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) | (std::uint32_t(b[2]) << 16)
        | (std::uint32_t(b[3]) << 24);
}

std::uint64_t TStream::ReadU64()
{
    const std::uint64_t lo = ReadU32();
    const std::uint64_t hi = ReadU32();
    return lo | (hi << 32);
}

double TStream::ReadDouble()
{
    const std::uint64_t bits = ReadU64();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

Extended TStream::ReadExtended()
{
    ExtendedBytes bytes;
    ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    return extendedFromBytes(bytes);
}

void TStream::WriteU16(std::uint16_t v)
{
    const std::uint8_t b[2] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
    WriteBuffer(b, 2);
}

void TStream::WriteU32(std::uint32_t v)
{
    const std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                               static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    WriteBuffer(b, 4);
}

void TStream::WriteU64(std::uint64_t v)
{
    WriteU32(static_cast<std::uint32_t>(v));
    WriteU32(static_cast<std::uint32_t>(v >> 32));
}

void TStream::WriteDouble(double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    WriteU64(bits);
}

void TStream::WriteExtended(Extended v)
{
    const ExtendedBytes bytes = extendedToBytes(v);
    WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

// --- TMemoryStream

std::int64_t TMemoryStream::Read(void *buffer, std::int64_t count)
{
    if (count <= 0 || FPosition >= FData.size())
        return 0;
    const std::int64_t n = std::min<std::int64_t>(count, FData.size() - FPosition);
    std::memcpy(buffer, FData.constData() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void *buffer, std::int64_t count)
{
    if (count <= 0)
        return 0;
    const std::int64_t end = FPosition + count;
    if (end > FData.size())
        FData.resize(static_cast<qsizetype>(end));
    std::memcpy(FData.data() + FPosition, buffer, static_cast<size_t>(count));
    FPosition = end;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, SeekOrigin origin)
{
    std::int64_t base = 0;
    if (origin == SeekOrigin::Current)
        base = FPosition;
    else if (origin == SeekOrigin::End)
        base = FData.size();
    FPosition = std::max<std::int64_t>(0, base + offset);
    return FPosition;
}

void TMemoryStream::LoadFromFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw IoError(path, errno, QStringLiteral("cannot open the file"));
    FData = f.readAll();
    FPosition = 0;
    if (f.error() != QFileDevice::NoError)
        throw IoError(path, errno, QStringLiteral("cannot read the file"));
}

void TMemoryStream::SaveToFile(const QString &path) const
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw IoError(path, errno, QStringLiteral("cannot create the file"));
    if (f.write(FData) != FData.size())
        throw IoError(path, errno, QStringLiteral("cannot write the file"));
}

// --- TFileStream

TFileStream::TFileStream(const QString &path, Mode mode) : FPath(path), FFile(path)
{
    QIODevice::OpenMode flags = QIODevice::ReadOnly;
    if (mode == Mode::Create)
        flags = QIODevice::ReadWrite | QIODevice::Truncate;
    else if (mode == Mode::ReadWrite)
        flags = QIODevice::ReadWrite;
    if (QFileInfo(path).isDir() || !FFile.open(flags))
        throw IoError(path, errno, mode == Mode::Read ? QStringLiteral("cannot open the file")
                                                      : QStringLiteral("cannot create the file"));
}

std::int64_t TFileStream::Read(void *buffer, std::int64_t count)
{
    if (count <= 0)
        return 0;
    const qint64 n = FFile.read(static_cast<char *>(buffer), count);
    return n < 0 ? 0 : n;
}

std::int64_t TFileStream::Write(const void *buffer, std::int64_t count)
{
    if (count <= 0)
        return 0;
    const qint64 n = FFile.write(static_cast<const char *>(buffer), count);
    return n < 0 ? 0 : n;
}

std::int64_t TFileStream::Seek(std::int64_t offset, SeekOrigin origin)
{
    std::int64_t base = 0;
    if (origin == SeekOrigin::Current)
        base = FFile.pos();
    else if (origin == SeekOrigin::End)
        base = FFile.size();
    FFile.seek(std::max<std::int64_t>(0, base + offset));
    return FFile.pos();
}

void TFileStream::Flush()
{
    if (!FFile.flush() || ::fsync(FFile.handle()) != 0)
        throw IoError(FPath, errno, QStringLiteral("cannot write the file"));
}

} // namespace vellora
