// Byte sinks that the PDF writer pushes its output through. A sink takes bytes
// with write() and is told with finish() that no more will come; filters are
// sinks that encode and pass the result to the next sink in the chain. Sinks
// do not own the sink they forward to. They throw what the final stream
// throws (EWriteError) and ECompressionError for zlib failures.
#pragma once

#include "settings/Stream.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vellora::pdf {

class Sink {
public:
    virtual ~Sink() = default;
    virtual void write(const char *data, std::size_t size) = 0;
    // Flushes whatever an encoder still holds and finishes the next sink.
    virtual void finish() {}

    void write(std::string_view text) { write(text.data(), text.size()); }
    void write(const char *text) { write(std::string_view(text)); }
    void write(const QByteArray &bytes) { write(bytes.constData(), static_cast<std::size_t>(bytes.size())); }
    void put(std::uint8_t byte) { write(reinterpret_cast<const char *>(&byte), 1); }
};

// Counts the bytes on their way to the next sink: the offsets of the
// cross-reference table come from here.
class CountingSink : public Sink {
public:
    explicit CountingSink(Sink &next) : FNext(next) {}
    using Sink::write;
    void write(const char *data, std::size_t size) override;
    void finish() override { FNext.finish(); }
    std::int64_t count() const noexcept { return FCount; }

private:
    Sink &FNext;
    std::int64_t FCount = 0;
};

// The end of a chain: writes into a TStream (whole writes or EWriteError).
class StreamSink : public Sink {
public:
    explicit StreamSink(TStream &stream) : FStream(stream) {}
    using Sink::write;
    void write(const char *data, std::size_t size) override;

private:
    TStream &FStream;
};

// The end of a chain: appends to a byte array in memory.
class ByteArraySink : public Sink {
public:
    explicit ByteArraySink(QByteArray &bytes) : FBytes(bytes) {}
    using Sink::write;
    void write(const char *data, std::size_t size) override;

private:
    QByteArray &FBytes;
};

} // namespace vellora::pdf
