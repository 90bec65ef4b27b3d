#include "exif/JpegDecoder.h"

#include "exif/JpegLib.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace vellora::jpeg {

namespace detail {

namespace {

extern "C" void onError(j_common_ptr cinfo)
{
    auto *manager = reinterpret_cast<ErrorManager *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

// Warnings (premature end of data and alike) are not errors: a cut-off photo
// still shows what was read, as it does in other viewers. The first one is
// kept so that a caller can say the photo is damaged; nothing is printed.
extern "C" void onMessage(j_common_ptr cinfo, int level)
{
    auto *manager = reinterpret_cast<ErrorManager *>(cinfo->err);
    if (level < 0 && manager->warning[0] == '\0')
        (*cinfo->err->format_message)(cinfo, manager->warning);
}

} // namespace

jpeg_error_mgr *initErrors(ErrorManager &manager) noexcept
{
    jpeg_error_mgr *pub = jpeg_std_error(&manager.pub);
    manager.pub.error_exit = onError;
    manager.pub.emit_message = onMessage;
    manager.message[0] = '\0';
    manager.warning[0] = '\0';
    return pub;
}

} // namespace detail

namespace {

using detail::ErrorManager;

// Budget of libjpeg's own buffers, the size of the largest decoded picture.
// Progressive and other multi-scan files keep every coefficient of the whole
// picture whatever the reduction, so a few hundred bytes could otherwise
// claim gigabytes.
constexpr long kMaxDecoderMemory = 1L << 30;

// What the setjmp function hands back; plain data.
struct Outcome {
    int width = 0;
    int height = 0;
};

J_COLOR_SPACE colorSpaceOf(PixelLayout layout)
{
    switch (layout) {
    case PixelLayout::Rgb: return JCS_RGB;
    case PixelLayout::Bgrx: return JCS_EXT_BGRX;
    case PixelLayout::Xrgb: return JCS_EXT_XRGB;
    }
    return JCS_RGB;
}

// One row of C, M, Y, K bytes into the layout's RGB. Adobe writes CMYK
// inverted (255 = no ink); others store ink amounts.
void cmykRowToRgb(const std::uint8_t *cmyk, std::uint8_t *out, JDIMENSION width, PixelLayout layout, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        const auto r = static_cast<std::uint8_t>(c * k / 255);
        const auto g = static_cast<std::uint8_t>(m * k / 255);
        const auto b = static_cast<std::uint8_t>(y * k / 255);
        switch (layout) {
        case PixelLayout::Rgb:
            out[0] = r, out[1] = g, out[2] = b;
            out += 3;
            break;
        case PixelLayout::Bgrx:
            out[0] = b, out[1] = g, out[2] = r, out[3] = 0xFF;
            out += 4;
            break;
        case PixelLayout::Xrgb:
            out[0] = 0xFF, out[1] = r, out[2] = g, out[3] = b;
            out += 4;
            break;
        }
    }
}

// The only functions holding setjmp: trivially destructible locals, no C++
// exceptions; false with errors->message set on any failure.

bool readHeader(const unsigned char *data, unsigned long size, Outcome *out, ErrorManager *errors)
{
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = detail::initErrors(*errors);
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

bool decode(const unsigned char *data, unsigned long size, const DecodeOptions *options, PixelSink *sink,
            Outcome *out, ErrorManager *errors)
{
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = detail::initErrors(*errors);
    if (setjmp(errors->jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(options->reduction);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : colorSpaceOf(options->layout);
    jpeg_calc_output_dimensions(&cinfo);
    if (static_cast<std::uint64_t>(cinfo.output_width) * cinfo.output_height > options->maxPixels
        || cinfo.output_width > static_cast<JDIMENSION>(std::numeric_limits<int>::max() / 4)) {
        std::snprintf(errors->message, sizeof errors->message, "image of %u x %u pixels is too large",
                      cinfo.output_width, cinfo.output_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    out->width = static_cast<int>(cinfo.output_width);
    out->height = static_cast<int>(cinfo.output_height);
    std::size_t stride = 0;
    std::uint8_t *pixels = sink->allocate(out->width, out->height, stride);
    const std::size_t rowBytes = std::size_t(cinfo.output_width) * static_cast<std::size_t>(BytesPerPixel(options->layout));
    if (!pixels || stride < rowBytes) {
        std::snprintf(errors->message, sizeof errors->message, "not enough memory for %u x %u pixels",
                      cinfo.output_width, cinfo.output_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    const RowConverter *converter = options->converter;
    const RowConverter *cmykConverter = cmyk && converter && converter->convertsCmyk() ? converter : nullptr;
    const RowConverter *rowConverter = !cmyk && converter && !converter->convertsCmyk() ? converter : nullptr;
    jpeg_start_decompress(&cinfo);
    // CMYK rows go through a row of the codec's own pool (freed with it).
    JSAMPARRAY cmykRow =
        cmyk ? (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, cinfo.output_width * 4, 1)
             : nullptr;
    while (cinfo.output_scanline < cinfo.output_height) {
        std::uint8_t *row = pixels + stride * cinfo.output_scanline;
        if (cmyk) {
            jpeg_read_scanlines(&cinfo, cmykRow, 1);
            if (cmykConverter)
                cmykConverter->convertRow(cmykRow[0], row, out->width, cinfo.saw_Adobe_marker);
            else
                cmykRowToRgb(cmykRow[0], row, cinfo.output_width, options->layout, cinfo.saw_Adobe_marker);
        } else {
            JSAMPROW target = row;
            jpeg_read_scanlines(&cinfo, &target, 1);
            if (rowConverter)
                rowConverter->convertRow(row, row, out->width, false);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

const unsigned char *bytesOf(const QByteArray &data)
{
    return reinterpret_cast<const unsigned char *>(data.constData());
}

class OwnedSink : public PixelSink {
public:
    OwnedSink(QByteArray &data, int bytesPerPixel) : FData(data), FBytesPerPixel(bytesPerPixel) {}
    std::uint8_t *allocate(int width, int height, std::size_t &stride) noexcept override
    {
        const std::uint64_t bytes = std::uint64_t(width) * std::uint64_t(height) * std::uint64_t(FBytesPerPixel);
        if (bytes > static_cast<std::uint64_t>(std::numeric_limits<qsizetype>::max()))
            return nullptr;
        try {
            FData.resize(static_cast<qsizetype>(bytes));
        } catch (...) {
            return nullptr;
        }
        stride = std::size_t(width) * std::size_t(FBytesPerPixel);
        return reinterpret_cast<std::uint8_t *>(FData.data());
    }

private:
    QByteArray &FData;
    int FBytesPerPixel;
};

} // namespace

int BytesPerPixel(PixelLayout layout) noexcept
{
    return layout == PixelLayout::Rgb ? 3 : 4;
}

JpegError::JpegError(const QString &reason) : Error(QStringLiteral("JPEG: %1").arg(reason)), FReason(reason) {}

bool ProbeSize(const QByteArray &jpeg, JpegSize &size)
{
    if (jpeg.isEmpty())
        return false;
    ErrorManager errors;
    Outcome out;
    if (!readHeader(bytesOf(jpeg), static_cast<unsigned long>(jpeg.size()), &out, &errors))
        return false;
    size = JpegSize{out.width, out.height};
    return true;
}

int ReductionFor(JpegSize full, int minWidth, int minHeight) noexcept
{
    for (int denom = 8; denom > 1; denom /= 2) {
        // libjpeg rounds each side up; 64 bits keep any int size from overflowing.
        const std::int64_t w = (static_cast<std::int64_t>(full.width) + denom - 1) / denom;
        const std::int64_t h = (static_cast<std::int64_t>(full.height) + denom - 1) / denom;
        if (w >= minWidth && h >= minHeight)
            return denom;
    }
    return 1;
}

DecodeResult Decode(const QByteArray &jpeg, const DecodeOptions &options, PixelSink &sink)
{
    if (jpeg.isEmpty())
        throw JpegError(QStringLiteral("no data"));
    if (options.reduction != 1 && options.reduction != 2 && options.reduction != 4 && options.reduction != 8)
        throw JpegError(QStringLiteral("reduction 1/%1 is not one of 1, 1/2, 1/4, 1/8").arg(options.reduction));
    ErrorManager errors;
    Outcome out;
    if (!decode(bytesOf(jpeg), static_cast<unsigned long>(jpeg.size()), &options, &sink, &out, &errors))
        throw JpegError(QString::fromLocal8Bit(errors.message));
    return DecodeResult{out.width, out.height, QString::fromLocal8Bit(errors.warning)};
}

Pixels Decode(const QByteArray &jpeg, const DecodeOptions &options)
{
    Pixels pixels;
    pixels.layout = options.layout;
    OwnedSink sink(pixels.data, BytesPerPixel(options.layout));
    const DecodeResult result = Decode(jpeg, options, sink);
    pixels.width = result.width;
    pixels.height = result.height;
    pixels.warning = result.warning;
    return pixels;
}

} // namespace vellora::jpeg
