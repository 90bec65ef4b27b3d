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
    // Keep each run within the fuzzer's memory and time: a few hundred bytes
    // may claim a huge picture, which decodes (as grey after the data ends)
    // in time linear in its size. Big claimed sizes are decoded at an eighth,
    // bigger ones only probed (the size limit itself is tested elsewhere).
    constexpr std::int64_t kMaxOutputPixels = std::int64_t(1) << 22;
    auto scale = static_cast<TJPEGScale>(data[0] % 4);
    const std::int64_t pixels = headerOk ? std::int64_t(probed.width()) * probed.height() : 0;
    const std::int64_t denominator = std::int64_t(1) << static_cast<int>(scale);
    if (pixels / (denominator * denominator) > kMaxOutputPixels)
        scale = TJPEGScale::jsEighth;
    if (pixels / 64 > kMaxOutputPixels)
        return 0;
    try {
        const QImage image = TJpegImage::decodeJpeg(bytes, scale);
        if (!headerOk || image.isNull())
            std::abort();   // a decoded image must have had a readable header
    } catch (const EGraphicError &) {
    }
    return 0;
}
