// Fuzz target of the Exif reader: reads arbitrary bytes as a JPEG stream and
// asks every question the program asks. Errors are fine; crashes, hangs,
// sanitizer reports and huge allocations are not.
#include "exif/ExifInfo.h"
#include "settings/Stream.h"

#include <cstddef>
#include <cstdint>

using namespace vellora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    TMemoryStream stream(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    TExifInfo info;
    info.OnError = [](TExifInfo &, int, bool &allowError) { allowError = false; };
    info.SetSearchBytes(size > 0 ? data[0] : 16);
    try {
        info.IsExif(stream);
        info.ReadExifData(stream);
    } catch (const std::exception &) {
        return 0;
    }
    try {
        info.DateTimeOriginal();
    } catch (const std::exception &) {
    }
    info.SubsecTimeOriginal();
    info.UserCommentStyle();
    info.UserComment();
    info.ImageDescription();
    info.Orientation();
    info.ReadRational(282, TExifIFD::eiTIFF).Text();
    info.ThmCompression();
    info.ThmJPEGInterchangeFormat();
    // Only the embedded thumbnail: reducing a whole fuzzed image is libjpeg's business.
    if (info.hasEmbeddedThumbnail()) {
        try {
            TRgbBitmap bitmap;
            info.GetThumbnail(bitmap, &stream);
        } catch (const std::exception &) {
        }
    }
    return 0;
}
