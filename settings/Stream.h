// Binary streams in the manner of the class library the document format was
// designed around: a position, a size, reads and writes of raw bytes, and
// typed little-endian reads that throw EReadError when the stream ends early.
//
// Every typed read is bounds-checked; a count read from a stream must be
// checked against Remaining() before anything is allocated for it.
#pragma once

#include "settings/Errors.h"
#include "settings/Extended.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <memory>

namespace vellora {

enum class SeekOrigin { Begin, Current, End };

class TStream {
public:
    virtual ~TStream() = default;

    // Raw transfer; return the number of bytes moved (may be short).
    virtual std::int64_t Read(void *buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void *buffer, std::int64_t count) = 0;
    virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;
    virtual std::int64_t Size() const = 0;

    std::int64_t Position() { return Seek(0, SeekOrigin::Current); }
    void SetPosition(std::int64_t position) { Seek(position, SeekOrigin::Begin); }
    std::int64_t Remaining() { return Size() - Position(); }

    // Whole transfers: EReadError / EWriteError when short.
    void ReadBuffer(void *buffer, std::int64_t count);
    void WriteBuffer(const void *buffer, std::int64_t count);
    QByteArray ReadBytes(std::int64_t count);   // checks count against Remaining() first
    void WriteBytes(const QByteArray &bytes) { WriteBuffer(bytes.constData(), bytes.size()); }
    // Copies count bytes from source (count 0: from its start to its end, as the class library does).
    std::int64_t CopyFrom(TStream &source, std::int64_t count);

    std::uint8_t ReadU8();
    bool ReadBool() { return ReadU8() != 0; }
    std::uint16_t ReadU16();
    std::int16_t ReadI16() { return static_cast<std::int16_t>(ReadU16()); }
    std::uint32_t ReadU32();
    std::int32_t ReadI32() { return static_cast<std::int32_t>(ReadU32()); }
    std::uint64_t ReadU64();
    std::int64_t ReadI64() { return static_cast<std::int64_t>(ReadU64()); }
    double ReadDouble();
    Extended ReadExtended();

    void WriteU8(std::uint8_t v) { WriteBuffer(&v, 1); }
    void WriteBool(bool v) { WriteU8(v ? 1 : 0); }
    void WriteU16(std::uint16_t v);
    void WriteI16(std::int16_t v) { WriteU16(static_cast<std::uint16_t>(v)); }
    void WriteU32(std::uint32_t v);
    void WriteI32(std::int32_t v) { WriteU32(static_cast<std::uint32_t>(v)); }
    void WriteU64(std::uint64_t v);
    void WriteI64(std::int64_t v) { WriteU64(static_cast<std::uint64_t>(v)); }
    void WriteDouble(double v);
    void WriteExtended(Extended v);
};

// A stream over bytes in memory; grows on write.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(QByteArray data) : FData(std::move(data)) {}

    std::int64_t Read(void *buffer, std::int64_t count) override;
    std::int64_t Write(const void *buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t Size() const override { return FData.size(); }

    const QByteArray &Data() const noexcept { return FData; }
    void SetData(QByteArray data) { FData = std::move(data); FPosition = 0; }
    void Clear() { FData.clear(); FPosition = 0; }
    void LoadFromFile(const QString &path);   // throws IoError
    void SaveToFile(const QString &path) const; // throws IoError

private:
    QByteArray FData;
    std::int64_t FPosition = 0;
};

// A stream over a file. Opening fails with IoError.
class TFileStream : public TStream {
public:
    enum class Mode { Read, Create, ReadWrite };
    TFileStream(const QString &path, Mode mode);

    std::int64_t Read(void *buffer, std::int64_t count) override;
    std::int64_t Write(const void *buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t Size() const override { return FFile.size(); }

    const QString &FileName() const noexcept { return FPath; }
    // Flushes Qt's and the system's buffers to the disk; throws IoError.
    void Flush();

private:
    QString FPath;
    QFile FFile;
};

} // namespace vellora
