// The stream encoders of the PDF writer: ASCII base-85, Flate (zlib, level 9)
// and run-length, each a sink that encodes what it is given and passes the
// result on. TPDFEncoder and its descendants are the stream-to-stream form
// the image and font objects use. Flate throws ECompressionError.
#pragma once

#include "pdf/Sink.h"
#include "settings/Errors.h"

#include <QImage>
#include <array>
#include <memory>
#include <vector>

struct z_stream_s;

namespace vellora::pdf {

class ECompressionError : public Error {
public:
    using Error::Error;
};

// ASCII base-85 without the leading "<~": groups of four bytes become five
// characters ("z" for a zero group), a line break once a line holds 100
// characters and more data follows, "~>" at the end.
class ASCII85Sink : public Sink {
public:
    explicit ASCII85Sink(Sink &next) : FNext(next) {}
    using Sink::write;
    void write(const char *data, std::size_t size) override;
    void finish() override;

private:
    void emitGroup(std::size_t count);

    Sink &FNext;
    std::array<std::uint8_t, 4> FGroup{};
    std::size_t FGroupSize = 0;
    std::size_t FLineLength = 0;
    bool FBreakPending = false;   // a break is due before the next characters
};

// PDF RunLengthDecode data: runs of at most 128 bytes, end-of-data byte 128.
class RunLengthSink : public Sink {
public:
    explicit RunLengthSink(Sink &next) : FNext(next) {}
    using Sink::write;
    void write(const char *data, std::size_t size) override;
    void finish() override;

private:
    void add(std::uint8_t byte);
    void flush();

    Sink &FNext;
    std::vector<std::uint8_t> FRun;
    bool FRepeat = false;
};

// A zlib stream (header and checksum) at the best compression, in 32 KiB blocks.
class FlateSink : public Sink {
public:
    explicit FlateSink(Sink &next);
    ~FlateSink() override;
    FlateSink(const FlateSink &) = delete;
    FlateSink &operator=(const FlateSink &) = delete;
    using Sink::write;
    void write(const char *data, std::size_t size) override;
    void finish() override;

    static constexpr std::size_t kBlockSize = 32768;

private:
    void deflateSome(int flush);

    Sink &FNext;
    std::unique_ptr<z_stream_s> FZ;
    std::vector<char> FOut;
    bool FFinished = false;
};

// Writes a bitmap as 8-bit RGB samples: rows from top to bottom, per pixel red,
// green, blue, rows packed without gaps. The image is drawn on white first, so
// transparent parts come out white.
void writeRgbSamples(Sink &sink, const QImage &image);

// The stream-to-stream encoders.
class TPDFEncoder {
public:
    virtual ~TPDFEncoder() = default;
    // Encodes from Source's current position to its end, appending to Dest.
    virtual void Encode(TStream &Source, TStream &Dest);
    // Turns a bitmap into samples, encodes them and appends them to Stream.
    virtual void EncodeBitmap(TStream &Stream, const QImage &ABitmap);

protected:
    // The sink that encodes into next; the base class copies.
    virtual std::unique_ptr<Sink> makeSink(Sink &next);
};

class TPDFASCII85Encoder : public TPDFEncoder {
protected:
    std::unique_ptr<Sink> makeSink(Sink &next) override { return std::make_unique<ASCII85Sink>(next); }
};

class TPDFFlateEncoder : public TPDFEncoder {
protected:
    std::unique_ptr<Sink> makeSink(Sink &next) override { return std::make_unique<FlateSink>(next); }
};

class TPDFRunLengthEncoder : public TPDFEncoder {
protected:
    std::unique_ptr<Sink> makeSink(Sink &next) override { return std::make_unique<RunLengthSink>(next); }
};

} // namespace vellora::pdf
