#include "pdf/JpegCheck.h"

#include <cstdint>
#include <cstring>

namespace vellora::pdf {

namespace {

std::uint16_t be16(const QByteArray &b, qsizetype at)
{
    return static_cast<std::uint16_t>((static_cast<std::uint8_t>(b[at]) << 8) | static_cast<std::uint8_t>(b[at + 1]));
}

JpegEmbedCheck refused(JpegEmbedCheck check, const char *why)
{
    check.problem = QString::fromLatin1(why);
    return check;
}

} // namespace

JpegEmbedCheck CheckJpegForEmbedding(const QByteArray &jpeg) noexcept
{
    JpegEmbedCheck check;
    const qsizetype size = jpeg.size();
    if (size < 4 || static_cast<std::uint8_t>(jpeg[0]) != 0xFF || static_cast<std::uint8_t>(jpeg[1]) != 0xD8)
        return refused(check, "no start-of-image marker");
    qsizetype at = 2;
    bool frame = false;
    bool inScan = false;
    bool adobe = false;
    int nextRestart = 0;
    for (;;) {
        if (inScan) {
            // Entropy-coded data: only stuffed bytes, fill bytes and restart
            // markers in their order may appear before the next marker.
            // Most of a file is scan data: find the next 0xFF with memchr.
            const void *mark = std::memchr(jpeg.constData() + at, 0xFF, static_cast<std::size_t>(size - at));
            at = mark ? static_cast<const char *>(mark) - jpeg.constData() : size;
            if (at + 1 >= size)
                return refused(check, "the file is cut short");
            const auto next = static_cast<std::uint8_t>(jpeg[at + 1]);
            if (next == 0x00 || next == 0xFF) {
                at += next == 0x00 ? 2 : 1;
                continue;
            }
            if (next >= 0xD0 && next <= 0xD7) {
                if (next - 0xD0 != nextRestart)
                    return refused(check, "damaged restart markers");
                nextRestart = (nextRestart + 1) % 8;
                at += 2;
                continue;
            }
            inScan = false;
        }
        if (at + 1 >= size)
            return refused(check, "the file is cut short");
        if (static_cast<std::uint8_t>(jpeg[at]) != 0xFF)
            return refused(check, "marker expected");
        auto marker = static_cast<std::uint8_t>(jpeg[at + 1]);
        at += 2;
        if (marker == 0xFF) {   // fill byte before a marker
            --at;
            continue;
        }
        if (marker == 0xD9) {
            if (!frame)
                return refused(check, "no frame header");
            check.adobeInverted = adobe && check.info.components == 4;
            return check;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            return refused(check, "restart marker outside the image data");
        if (at + 2 > size)
            return refused(check, "the file is cut short");
        const std::uint16_t length = be16(jpeg, at);
        if (length < 2 || at + length > size)
            return refused(check, "the file is cut short");
        const bool sof = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (sof) {
            if (frame)
                return refused(check, "more than one frame");
            if (marker != 0xC0 && marker != 0xC1 && marker != 0xC2)
                return refused(check, "arithmetic-coded, lossless or hierarchical frame");
            if (length < 8)
                return refused(check, "the frame header is cut short");
            if (static_cast<std::uint8_t>(jpeg[at + 2]) != 8)
                return refused(check, "samples are not 8 bits");
            check.info.height = be16(jpeg, at + 3);
            check.info.width = be16(jpeg, at + 5);
            check.info.components = static_cast<std::uint8_t>(jpeg[at + 7]);
            if (check.info.width == 0 || check.info.height == 0)
                return refused(check, "frame of zero width or height");
            if (static_cast<std::int64_t>(check.info.width) * check.info.height > kMaxEmbeddedJpegPixels)
                return refused(check, "frame too large");
            if (check.info.components != 1 && check.info.components != 3 && check.info.components != 4)
                return refused(check, "unsupported number of colour components");
            frame = true;
        } else if (marker == 0xEE && length >= 7 && jpeg.mid(at + 2, 5) == QByteArray("Adobe", 5)) {
            adobe = true;
        } else if (marker == 0xDA) {
            if (!frame)
                return refused(check, "image data before the frame header");
            inScan = true;
            nextRestart = 0;
        }
        at += length;
    }
}

} // namespace vellora::pdf
