// Small libjpeg-turbo helpers of the Exif reader: the pixel size of a JPEG,
// decoding to 24-bit RGB (with DCT scaling) and encoding. Failures throw
// vellora::Error with libjpeg's message; nothing is thrown across libjpeg.
#pragma once

#include <QByteArray>

namespace vellora::exif {

struct RgbPixels {
    QByteArray pixels;   // rows of width × 3 bytes, top row first
    int width = 0;
    int height = 0;
};

struct JpegSize {
    int width = 0;
    int height = 0;
};

// Reads the header only.
JpegSize jpegSize(const QByteArray &jpeg);

// Decodes the image, letting libjpeg scale it down by 1/2, 1/4 or 1/8 as long
// as the result stays at least minWidth × minHeight. Images above
// maxPixels decoded pixels are refused.
RgbPixels decodeJpeg(const QByteArray &jpeg, int minWidth, int minHeight, long long maxPixels);

// Baseline JPEG of the pixels at the given quality (0 … 100).
QByteArray encodeJpeg(const RgbPixels &image, int quality);

} // namespace vellora::exif
