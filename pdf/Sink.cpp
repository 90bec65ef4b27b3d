#include "pdf/Sink.h"

namespace vellora::pdf {

void CountingSink::write(const char *data, std::size_t size)
{
    FNext.write(data, size);
    FCount += static_cast<std::int64_t>(size);
}

void StreamSink::write(const char *data, std::size_t size)
{
    FStream.WriteBuffer(data, static_cast<std::int64_t>(size));
}

void ByteArraySink::write(const char *data, std::size_t size)
{
    FBytes.append(data, static_cast<qsizetype>(size));
}

} // namespace vellora::pdf
