// The program's one JPEG decoder, on libjpeg-turbo: a header-only size probe
// and decoding with DCT scaling (1/2, 1/4, 1/8) into rows of RGB bytes or of
// 32-bit pixels. Grey, RGB, YCbCr and (Adobe) CMYK JPEGs all decode to RGB.
// Needs no more of Qt than Core; the graphics library wraps it into QImage.
// Holds no shared state: any thread may decode, each call on its own data.
// Failures throw JpegError with libjpeg's message.
#pragma once

#include "settings/Errors.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace vellora::jpeg {

// The byte order of one decoded pixel.
enum class PixelLayout : std::uint8_t {
    Rgb,    // R, G, B
    Bgrx,   // B, G, R, 0xFF: QImage::Format_RGB32 on a little-endian machine
    Xrgb,   // 0xFF, R, G, B: the same on a big-endian one
};

int BytesPerPixel(PixelLayout layout) noexcept;

// Largest decoded image accepted unless the caller asks for less: 1 GiB of
// 32-bit pixels. Camera photos are far below; a forged header claiming
// 65535 × 65535 is refused before anything is allocated.
inline constexpr std::uint64_t kMaxPixels = std::uint64_t(1) << 28;

// what() is "JPEG: " and the reason; reason() is the reason alone.
class JpegError : public Error {
public:
    explicit JpegError(const QString &reason);
    const QString &reason() const noexcept { return FReason; }

private:
    QString FReason;
};

struct JpegSize {
    int width = 0;
    int height = 0;
};

// The full pixel size from the header alone; false when the bytes do not
// begin with a readable JPEG header (empty data included).
bool ProbeSize(const QByteArray &jpeg, JpegSize &size);

// The largest reduction (1, 2, 4 or 8) whose decode is still at least
// minWidth × minHeight pixels.
int ReductionFor(JpegSize full, int minWidth, int minHeight) noexcept;

// Where decoded rows go. allocate is asked once, after the header is read,
// for height rows of width pixels; it returns the first row and sets the
// distance between rows (at least width × bytes per pixel), or returns
// nullptr to refuse. It must not throw: it runs inside the codec.
class PixelSink {
public:
    virtual std::uint8_t *allocate(int width, int height, std::size_t &stride) noexcept = 0;

protected:
    ~PixelSink() = default;
};

// Converts the colours of decoded rows as they come out of the codec, while
// they are still in the cache (a colour-managed photo costs one pass over
// its reduced pixels, no more). Runs inside the codec: must not throw.
class RowConverter {
public:
    // True for a converter of CMYK rows, false for one of rows in the layout.
    virtual bool convertsCmyk() const noexcept = 0;
    // CMYK: `in` holds C, M, Y, K bytes (`inverted`: Adobe's 255 = no ink)
    // and `out` receives the layout's pixels. Otherwise in == out, in place.
    virtual void convertRow(const std::uint8_t *in, std::uint8_t *out, int width, bool inverted) const noexcept = 0;

protected:
    ~RowConverter() = default;
};

struct DecodeOptions {
    int reduction = 1;   // 1, 2, 4 or 8; each side of the result is rounded up
    PixelLayout layout = PixelLayout::Rgb;
    std::uint64_t maxPixels = kMaxPixels;   // of the decoded (reduced) image
    // Applied when its kind (CMYK or not) matches the file's; else ignored.
    const RowConverter *converter = nullptr;
};

struct DecodeResult {
    int width = 0;
    int height = 0;
    // The codec's first warning (a cut-off file decodes in part), else empty.
    QString warning;
};

// Decodes the whole image into the sink's rows.
DecodeResult Decode(const QByteArray &jpeg, const DecodeOptions &options, PixelSink &sink);

// Decoded pixels that own their rows (stride = width × bytes per pixel).
struct Pixels {
    QByteArray data;
    int width = 0;
    int height = 0;
    PixelLayout layout = PixelLayout::Rgb;
    QString warning;
};

Pixels Decode(const QByteArray &jpeg, const DecodeOptions &options);

} // namespace vellora::jpeg
