#include "exif/JpegEncoder.h"

#include "exif/JpegLib.h"

#include <cstdlib>
#include <algorithm>
#include <cstring>

namespace vellora::jpeg {

namespace {

struct Rows {
    const std::uint8_t *pixels;
    std::size_t stride;
    int width;
    int height;
    PixelLayout layout;
    const unsigned char *icc;   // may be null
    unsigned int iccSize;
};

// Holds setjmp: trivially destructible locals only. On success *result is a
// malloc'ed buffer the caller frees; on failure it is freed here.
bool compress(const Rows *rows, int quality, unsigned char **result, unsigned long *resultSize,
              detail::ErrorManager *errors)
{
    jpeg_compress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = detail::initErrors(*errors);
    *result = nullptr;
    *resultSize = 0;
    if (setjmp(errors->jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(*result);
        *result = nullptr;
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, result, resultSize);
    cinfo.image_width = static_cast<JDIMENSION>(rows->width);
    cinfo.image_height = static_cast<JDIMENSION>(rows->height);
    switch (rows->layout) {
    case PixelLayout::Rgb:
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        break;
    case PixelLayout::Bgrx:
        cinfo.input_components = 4;
        cinfo.in_color_space = JCS_EXT_BGRX;
        break;
    case PixelLayout::Xrgb:
        cinfo.input_components = 4;
        cinfo.in_color_space = JCS_EXT_XRGB;
        break;
    }
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    if (rows->icc && rows->iccSize > 0)
        jpeg_write_icc_profile(&cinfo, rows->icc, rows->iccSize);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<std::uint8_t *>(rows->pixels + rows->stride * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

QByteArray Encode(const std::uint8_t *pixels, std::size_t stride, int width, int height, PixelLayout layout,
                  int quality, const QByteArray &iccProfile)
{
    if (!pixels || width <= 0 || height <= 0 || width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION)
        throw JpegError(QStringLiteral("cannot encode an image of %1 x %2 pixels").arg(width).arg(height));
    if (stride < std::size_t(width) * std::size_t(BytesPerPixel(layout)))
        throw JpegError(QStringLiteral("rows of %1 bytes are too short for %2 pixels").arg(stride).arg(width));
    // 255 chunks of 65519 bytes at most; a larger profile is not one.
    if (iccProfile.size() > 255 * 65519)
        throw JpegError(QStringLiteral("colour profile of %1 bytes is too large to embed").arg(iccProfile.size()));
    const Rows rows{pixels, stride, width, height, layout,
                    iccProfile.isEmpty() ? nullptr : reinterpret_cast<const unsigned char *>(iccProfile.constData()),
                    static_cast<unsigned int>(iccProfile.size())};
    detail::ErrorManager errors;
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    if (!compress(&rows, quality, &buffer, &size, &errors))
        throw JpegError(QString::fromLocal8Bit(errors.message));
    QByteArray bytes;
    try {
        bytes = QByteArray(reinterpret_cast<const char *>(buffer), static_cast<qsizetype>(size));
    } catch (...) {
        std::free(buffer);
        throw;
    }
    std::free(buffer);
    return bytes;
}

QByteArray Encode(const Pixels &image, int quality)
{
    const std::size_t stride = std::size_t(std::max(image.width, 0)) * std::size_t(BytesPerPixel(image.layout));
    if (image.width <= 0 || image.height <= 0
        || static_cast<std::size_t>(image.data.size()) < stride * std::size_t(image.height))
        throw JpegError(QStringLiteral("nothing to encode"));
    return Encode(reinterpret_cast<const std::uint8_t *>(image.data.constData()), stride, image.width, image.height,
                  image.layout, quality);
}

} // namespace vellora::jpeg
