#include "pdf/Encoders.h"

#include <QPainter>
#include <zlib.h>

namespace vellora::pdf {

namespace {

// Passes bytes on unchanged; finish() goes to the next sink.
class CopySink : public Sink {
public:
    explicit CopySink(Sink &next) : FNext(next) {}
    using Sink::write;
    void write(const char *data, std::size_t size) override { FNext.write(data, size); }
    void finish() override { FNext.finish(); }

private:
    Sink &FNext;
};

} // namespace

// --- ASCII base-85

void ASCII85Sink::write(const char *data, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        FGroup[FGroupSize++] = static_cast<std::uint8_t>(data[i]);
        if (FGroupSize == 4) {
            emitGroup(4);
            FGroupSize = 0;
        }
    }
}

void ASCII85Sink::emitGroup(std::size_t count)
{
    if (FBreakPending) {
        FNext.write("\r\n", 2);
        FLineLength = 0;
        FBreakPending = false;
    }
    for (std::size_t i = count; i < 4; ++i)
        FGroup[i] = 0;
    std::uint32_t value = (std::uint32_t(FGroup[0]) << 24) | (std::uint32_t(FGroup[1]) << 16)
        | (std::uint32_t(FGroup[2]) << 8) | std::uint32_t(FGroup[3]);
    if (count == 4 && value == 0) {
        FNext.write("z", 1);
        FLineLength += 1;
    } else {
        char digits[5];
        for (int i = 4; i >= 0; --i) {
            digits[i] = static_cast<char>(value % 85 + 33);
            value /= 85;
        }
        FNext.write(digits, count + 1);
        FLineLength += count + 1;
    }
    // Only a group that more data follows may end its line.
    if (FLineLength >= 100)
        FBreakPending = true;
}

void ASCII85Sink::finish()
{
    if (FGroupSize > 0)
        emitGroup(FGroupSize);
    FGroupSize = 0;
    FNext.write("~>", 2);
    FNext.finish();
}

// --- run-length

void RunLengthSink::write(const char *data, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        add(static_cast<std::uint8_t>(data[i]));
}

void RunLengthSink::add(std::uint8_t byte)
{
    if (FRun.empty()) {
        FRun.push_back(byte);
        FRepeat = false;
        return;
    }
    if (byte == FRun.back()) {
        if (!FRepeat && FRun.size() >= 2) {
            // The repeated byte leaves the literal run and starts a repeat run.
            FRun.pop_back();
            flush();
            FRun.assign(2, byte);
        } else {
            FRun.push_back(byte);
        }
        FRepeat = true;
    } else {
        if (FRepeat) {
            flush();
            FRun.push_back(byte);
            FRepeat = false;
            return;
        }
        FRun.push_back(byte);
    }
    if (FRun.size() >= 128)
        flush();
}

void RunLengthSink::flush()
{
    const std::size_t n = FRun.size();
    if (n == 0)
        return;
    if (FRepeat) {
        FNext.put(static_cast<std::uint8_t>(257 - n));
        FNext.put(FRun.front());
    } else {
        FNext.put(static_cast<std::uint8_t>(n - 1));
        FNext.write(reinterpret_cast<const char *>(FRun.data()), n);
    }
    FRun.clear();
    FRepeat = false;
}

void RunLengthSink::finish()
{
    flush();
    FNext.put(128);
    FNext.finish();
}

// --- Flate

FlateSink::FlateSink(Sink &next) : FNext(next), FZ(std::make_unique<z_stream_s>()), FOut(kBlockSize)
{
    *FZ = z_stream_s{};
    if (deflateInit(FZ.get(), Z_BEST_COMPRESSION) != Z_OK)
        throw ECompressionError(std::string("zlib: cannot start compression"));
}

FlateSink::~FlateSink()
{
    deflateEnd(FZ.get());
}

void FlateSink::deflateSome(int flush)
{
    for (;;) {
        FZ->next_out = reinterpret_cast<Bytef *>(FOut.data());
        FZ->avail_out = static_cast<uInt>(FOut.size());
        const int rc = deflate(FZ.get(), flush);
        if (rc == Z_STREAM_ERROR)
            throw ECompressionError(std::string("zlib: compression failed"));
        const std::size_t produced = FOut.size() - FZ->avail_out;
        if (produced > 0)
            FNext.write(FOut.data(), produced);
        if (flush == Z_FINISH ? rc == Z_STREAM_END : FZ->avail_out != 0)
            return;
    }
}

void FlateSink::write(const char *data, std::size_t size)
{
    if (FFinished)
        throw std::logic_error("FlateSink: write after finish");
    while (size > 0) {
        const std::size_t block = std::min(size, kBlockSize);
        FZ->next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
        FZ->avail_in = static_cast<uInt>(block);
        deflateSome(Z_NO_FLUSH);
        data += block;
        size -= block;
    }
}

void FlateSink::finish()
{
    if (FFinished)
        return;
    FFinished = true;
    FZ->next_in = nullptr;
    FZ->avail_in = 0;
    deflateSome(Z_FINISH);
    FNext.finish();
}

// --- samples

void writeRgbSamples(Sink &sink, const QImage &image)
{
    QImage rgb(image.size(), QImage::Format_RGB888);
    rgb.fill(Qt::white);
    {
        QPainter painter(&rgb);
        painter.drawImage(0, 0, image);
    }
    const auto rowBytes = static_cast<std::size_t>(rgb.width()) * 3;
    for (int y = 0; y < rgb.height(); ++y)
        sink.write(reinterpret_cast<const char *>(rgb.constScanLine(y)), rowBytes);
}

// --- stream encoders

std::unique_ptr<Sink> TPDFEncoder::makeSink(Sink &next)
{
    return std::make_unique<CopySink>(next);
}

void TPDFEncoder::Encode(TStream &Source, TStream &Dest)
{
    StreamSink out(Dest);
    const auto sink = makeSink(out);
    char buffer[FlateSink::kBlockSize];
    for (;;) {
        const std::int64_t n = Source.Read(buffer, sizeof buffer);
        if (n <= 0)
            break;
        sink->write(buffer, static_cast<std::size_t>(n));
    }
    sink->finish();
}

void TPDFEncoder::EncodeBitmap(TStream &Stream, const QImage &ABitmap)
{
    StreamSink out(Stream);
    const auto sink = makeSink(out);
    writeRgbSamples(*sink, ABitmap);
    sink->finish();
}

} // namespace vellora::pdf
