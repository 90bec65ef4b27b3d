#include "exif/JpegCodec.h"

#include "settings/Errors.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace vellora::exif {

namespace {

// Budget of libjpeg's own buffers. Progressive and other multi-scan files keep
// every coefficient of the whole picture whatever the output scale, so a few
// hundred bytes could otherwise claim gigabytes.
constexpr long kMaxDecoderMemory = 1L << 30;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void onJpegError(j_common_ptr cinfo)
{
    auto *manager = reinterpret_cast<ErrorManager *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

// Corrupt-data warnings would otherwise go to standard error.
extern "C" void onJpegMessage(j_common_ptr) {}

void initErrors(ErrorManager &manager)
{
    jpeg_std_error(&manager.pub);
    manager.pub.error_exit = onJpegError;
    manager.pub.output_message = onJpegMessage;
    manager.message[0] = '\0';
}

[[noreturn]] void fail(const char *message)
{
    throw Error(QStringLiteral("JPEG: %1").arg(QString::fromLocal8Bit(message)));
}

// The functions below hold setjmp; their locals are trivially destructible
// and everything they fill lives in the caller's frame.

bool readSize(const unsigned char *data, unsigned long size, JpegSize *out, ErrorManager *errors)
{
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = &errors->pub;
    if (setjmp(errors->jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);
    out->width = static_cast<int>(cinfo.image_width);
    out->height = static_cast<int>(cinfo.image_height);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool decode(const unsigned char *data, unsigned long size, int minWidth, int minHeight, long long maxPixels,
            RgbPixels *out, ErrorManager *errors)
{
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = &errors->pub;
    if (setjmp(errors->jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    cinfo.scale_num = 1;
    cinfo.scale_denom = 1;
    for (unsigned denom = 8; denom > 1; denom /= 2) {
        if (cinfo.image_width / denom >= static_cast<unsigned>(minWidth)
            && cinfo.image_height / denom >= static_cast<unsigned>(minHeight)) {
            cinfo.scale_denom = denom;
            break;
        }
    }
    jpeg_start_decompress(&cinfo);
    if (static_cast<long long>(cinfo.output_width) * cinfo.output_height > maxPixels
        || cinfo.output_components != 3) {
        std::snprintf(errors->message, sizeof errors->message, "image of %ux%u pixels refused",
                      cinfo.output_width, cinfo.output_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    out->width = static_cast<int>(cinfo.output_width);
    out->height = static_cast<int>(cinfo.output_height);
    const std::size_t stride = std::size_t(cinfo.output_width) * 3;
    out->pixels.resize(static_cast<qsizetype>(stride * cinfo.output_height));
    auto *base = reinterpret_cast<unsigned char *>(out->pixels.data());
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = base + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool encode(const RgbPixels *image, int quality, unsigned char **buffer, unsigned long *size,
            ErrorManager *errors)
{
    jpeg_compress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = &errors->pub;
    if (setjmp(errors->jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, buffer, size);
    cinfo.image_width = static_cast<JDIMENSION>(image->width);
    cinfo.image_height = static_cast<JDIMENSION>(image->height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t stride = std::size_t(image->width) * 3;
    auto *base = reinterpret_cast<const unsigned char *>(image->pixels.constData());
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<unsigned char *>(base + stride * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

const unsigned char *bytesOf(const QByteArray &data)
{
    return reinterpret_cast<const unsigned char *>(data.constData());
}

} // namespace

JpegSize jpegSize(const QByteArray &jpeg)
{
    ErrorManager errors;
    initErrors(errors);
    JpegSize size;
    if (!readSize(bytesOf(jpeg), static_cast<unsigned long>(jpeg.size()), &size, &errors))
        fail(errors.message);
    return size;
}

RgbPixels decodeJpeg(const QByteArray &jpeg, int minWidth, int minHeight, long long maxPixels)
{
    ErrorManager errors;
    initErrors(errors);
    RgbPixels image;
    if (!decode(bytesOf(jpeg), static_cast<unsigned long>(jpeg.size()), minWidth, minHeight, maxPixels, &image,
                &errors))
        fail(errors.message);
    return image;
}

QByteArray encodeJpeg(const RgbPixels &image, int quality)
{
    if (image.width <= 0 || image.height <= 0)
        throw Error(QStringLiteral("JPEG: nothing to encode"));
    ErrorManager errors;
    initErrors(errors);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    const bool ok = encode(&image, quality, &buffer, &size, &errors);
    QByteArray result;
    if (ok)
        result = QByteArray(reinterpret_cast<const char *>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    if (!ok)
        fail(errors.message);
    return result;
}

} // namespace vellora::exif
