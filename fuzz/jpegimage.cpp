// Fuzz target for the JPEG decoder: the header probe and a decode at the
// scale the first byte picks. Errors must come back as EGraphicError.
#include "graphics/JpegImage.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace vellora;
    if (size < 2)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));
    QSize probed;
    const bool headerOk = TJpegImage::probeSize(bytes, probed);
    // Keep the fuzzer's memory within bounds: big claimed sizes are decoded
    // only at an eighth (the size limit itself is tested elsewhere).
    auto scale = static_cast<TJPEGScale>(data[0] % 4);
    if (headerOk && static_cast<std::int64_t>(probed.width()) * probed.height() > 4096 * 4096)
        scale = TJPEGScale::jsEighth;
    try {
        const QImage image = TJpegImage::decodeJpeg(bytes, scale);
        if (!headerOk || image.isNull())
            std::abort();   // a decoded image must have had a readable header
    } catch (const EGraphicError &) {
    }
    return 0;
}
