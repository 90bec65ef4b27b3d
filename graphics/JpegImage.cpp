#include "graphics/JpegImage.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace vellora {

namespace {

// Largest decoded image we accept: 1 GiB of RGB32 pixels. Camera photos are
// far below; a forged header claiming 65535 x 65535 is refused up front.
constexpr std::uint64_t kMaxPixels = std::uint64_t(1) << 28;

// The decoder's own buffers get the same budget. Progressive and other
// multi-scan files keep every coefficient of the whole picture whatever the
// output scale, so a few hundred bytes could otherwise claim gigabytes.
constexpr long kMaxDecoderMemory = 1L << 30;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    char warning[JMSG_LENGTH_MAX];   // the first warning, for callers that report it
};

extern "C" void onError(j_common_ptr cinfo)
{
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

extern "C" void onMessage(j_common_ptr cinfo, int level)
{
    // Warnings (premature end of data and alike) are not errors: a cut-off
    // photo still shows what was read, as it does in other viewers. The first
    // one is kept so that a caller can say the photo is damaged.
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    if (level < 0 && err->warning[0] == '\0')
        (*cinfo->err->format_message)(cinfo, err->warning);
}

// Where decoded rows go. Plain data so it can live beside setjmp.
struct Output {
    int width = 0;
    int height = 0;
    bool cmyk = false;          // rows hold C, M, Y, K bytes
    bool adobeInverted = false; // ... stored inverted, as Adobe writes them
    // Gives a buffer of height rows of 4 × width bytes; nullptr refuses it.
    std::uint8_t *(*allocate)(void *context, int width, int height) noexcept = nullptr;
    void *context = nullptr;
};

// The only function holding setjmp: trivially destructible locals, no C++
// exceptions; returns false with `message` set on any failure.
bool runDecompress(const std::uint8_t *data, std::size_t size, unsigned scaleDenom, bool headerOnly,
                   Output &out, char (&message)[JMSG_LENGTH_MAX], char (*warning)[JMSG_LENGTH_MAX] = nullptr)
{
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    err.message[0] = '\0';
    err.warning[0] = '\0';
    if (setjmp(err.jump)) {
        std::memcpy(message, err.message, sizeof message);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    if (headerOnly) {
        out.width = static_cast<int>(cinfo.image_width);
        out.height = static_cast<int>(cinfo.image_height);
        jpeg_destroy_decompress(&cinfo);
        return true;
    }
    cinfo.scale_num = 1;
    cinfo.scale_denom = scaleDenom;
    out.cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = out.cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_calc_output_dimensions(&cinfo);
    if (static_cast<std::uint64_t>(cinfo.output_width) * cinfo.output_height > kMaxPixels) {
        std::snprintf(message, sizeof message, "image of %u x %u pixels is too large", cinfo.output_width,
                      cinfo.output_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    out.adobeInverted = cinfo.saw_Adobe_marker;
    const std::size_t stride = static_cast<std::size_t>(out.width) * 4;
    std::uint8_t *pixels = out.allocate(out.context, out.width, out.height);
    if (!pixels) {
        std::snprintf(message, sizeof message, "not enough memory for %d x %d pixels", out.width, out.height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    if (warning)
        std::memcpy(*warning, err.warning, sizeof *warning);
    return true;
}

// Compresses RGB32 rows; the same setjmp rules as above. On success *result
// holds a malloc'ed buffer the caller frees.
bool runCompress(const std::uint8_t *pixels, std::size_t stride, int width, int height, int quality,
                 unsigned char **result, unsigned long *resultSize, char (&message)[JMSG_LENGTH_MAX])
{
    jpeg_compress_struct cinfo;
    ErrorManager err;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    err.message[0] = '\0';
    *result = nullptr;
    *resultSize = 0;
    if (setjmp(err.jump)) {
        std::memcpy(message, err.message, sizeof message);
        jpeg_destroy_compress(&cinfo);
        std::free(*result);
        *result = nullptr;
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, result, resultSize);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<std::uint8_t *>(pixels + stride * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

std::uint8_t *allocateImage(void *context, int width, int height) noexcept
{
    auto *image = static_cast<QImage *>(context);
    try {
        // RGB32 rows are exactly 4 × width bytes; CMYK rows are converted in place.
        *image = QImage(width, height, QImage::Format_RGB32);
    } catch (...) {
        return nullptr;
    }
    return image->isNull() ? nullptr : image->bits();
}

void cmykToRgb(QImage &image, bool inverted)
{
    for (int y = 0; y < image.height(); ++y) {
        std::uint8_t *p = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, p += 4) {
            int c = p[0], m = p[1], ye = p[2], k = p[3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                ye = 255 - ye;
                k = 255 - k;
            }
            // Now 255 means no ink; BGRX order in memory.
            p[2] = static_cast<std::uint8_t>(c * k / 255);
            p[1] = static_cast<std::uint8_t>(m * k / 255);
            p[0] = static_cast<std::uint8_t>(ye * k / 255);
            p[3] = 0xFF;
        }
    }
}

unsigned denominator(TJPEGScale scale)
{
    switch (scale) {
    case TJPEGScale::jsFullSize: return 1;
    case TJPEGScale::jsHalf: return 2;
    case TJPEGScale::jsQuarter: return 4;
    case TJPEGScale::jsEighth: return 8;
    }
    return 1;
}

} // namespace

TJpegImage::TJpegImage() : TGraphic(JpegImageClass()) {}

QImage TJpegImage::decodeJpeg(const QByteArray &data, TJPEGScale scale, QString *warning)
{
    if (data.isEmpty())
        throw EGraphicError(QStringLiteral("JPEG image: no data"));
    QImage image;
    Output out;
    out.allocate = allocateImage;
    out.context = &image;
    char message[JMSG_LENGTH_MAX] = {};
    char warned[JMSG_LENGTH_MAX] = {};
    if (!runDecompress(reinterpret_cast<const std::uint8_t *>(data.constData()),
                       static_cast<std::size_t>(data.size()), denominator(scale), false, out, message, &warned))
        throw EGraphicError(QStringLiteral("JPEG image: %1").arg(QString::fromLocal8Bit(message)));
    if (warning)
        *warning = QString::fromLocal8Bit(warned);
    if (out.cmyk)
        cmykToRgb(image, out.adobeInverted);
    return image;
}

bool TJpegImage::probeSize(const QByteArray &data, QSize &size)
{
    if (data.isEmpty())
        return false;
    Output out;
    char message[JMSG_LENGTH_MAX] = {};
    if (!runDecompress(reinterpret_cast<const std::uint8_t *>(data.constData()),
                       static_cast<std::size_t>(data.size()), 1, true, out, message))
        return false;
    size = QSize(out.width, out.height);
    return true;
}

QImage TJpegImage::decode(const QByteArray &data)
{
    return decodeJpeg(data, FScale);
}

QByteArray TJpegImage::encode(const QImage &image) const
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX] = {};
    if (rgb.isNull()
        || !runCompress(rgb.constBits(), static_cast<std::size_t>(rgb.bytesPerLine()), rgb.width(), rgb.height(), 90,
                        &buffer, &size, message))
        throw EGraphicError(QStringLiteral("JPEG image: cannot save (%1)").arg(QString::fromLocal8Bit(message)));
    QByteArray bytes(reinterpret_cast<const char *>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return bytes;
}

} // namespace vellora
