// Fuzz target for reading colour profiles: the first byte picks the path.
// 0: JPEG bytes, whose APP2 chunks are reassembled (and the Exif Adobe RGB
// mark read) and handed to LittleCMS; when that gives a conversion, a small
// decode runs through it. 1, 3, 4: the bytes as a whole ICC profile for
// pixels of that many channels. Nothing may crash, hang or leak; a bad
// profile must come back as a refusal with a reason.
#include "exif/JpegProfile.h"
#include "graphics/ColorManagement.h"
#include "graphics/JpegImage.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace vellora;
    if (size < 2)
        return 0;
    SetColorManage(true);
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));
    const int mode = data[0] % 4;
    if (mode == 0) {
        const jpeg::ColorInfo info = jpeg::ReadColorInfo(bytes);
        if (!info.iccProfile.isEmpty() && !info.problem.isEmpty())
            std::abort();   // a profile is either taken or refused
        if (static_cast<std::size_t>(info.iccProfile.size()) > jpeg::kMaxIccProfileBytes)
            std::abort();
        const TSourceColor color = SourceColorOfJpeg(info);
        if (color.transform) {
            QSize full;
            // Only small pictures are decoded: the decoder is fuzzed elsewhere.
            if (TJpegImage::probeSize(bytes, full) && std::int64_t(full.width()) * full.height() <= (1 << 16)) {
                try {
                    (void)TJpegImage::decodeJpeg(bytes, TJPEGScale::jsFullSize);
                } catch (const EGraphicError &) {
                }
            }
        }
        return 0;
    }
    const int components = mode == 1 ? 3 : mode == 2 ? 4 : 1;
    const TSourceColor color = SourceColorOfProfile(bytes, components);
    if (color.transform) {
        // The conversion must work on a row of any colours.
        std::uint8_t row[4 * 64];
        for (int i = 0; i < 4 * 64; ++i)
            row[i] = static_cast<std::uint8_t>(i * 37);
        std::uint8_t out[4 * 64];
        color.transform->convertRow(row, color.transform->convertsCmyk() ? out : row, 64, false);
    }
    return 0;
}
