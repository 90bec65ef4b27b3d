// Baseline JPEG encoding with libjpeg-turbo, from rows in one of the
// decoder's pixel layouts. No shared state: any thread may encode. Throws
// jpeg::JpegError.
#pragma once

#include "exif/JpegDecoder.h"

namespace vellora::jpeg {

// quality 0 … 100; stride is the distance in bytes between rows. A non-empty
// `iccProfile` is written into APP2 "ICC_PROFILE" segments (split in chunks
// as readers expect) to say what the numbers mean.
QByteArray Encode(const std::uint8_t *pixels, std::size_t stride, int width, int height, PixelLayout layout,
                  int quality, const QByteArray &iccProfile = {});

// Pixels whose data is shorter than their size says are refused.
QByteArray Encode(const Pixels &image, int quality);

} // namespace vellora::jpeg
