#include "graphics/JpegImage.h"

#include "graphics/ColorManagement.h"

#include "exif/JpegDecoder.h"
#include "exif/JpegEncoder.h"

#include <QSysInfo>

namespace vellora {

namespace {

// QImage::Format_RGB32 holds 0xFFRRGGBB words in the machine's byte order.
constexpr jpeg::PixelLayout kRgb32Layout =
    QSysInfo::ByteOrder == QSysInfo::LittleEndian ? jpeg::PixelLayout::Bgrx : jpeg::PixelLayout::Xrgb;

// Decoded rows go straight into the QImage the caller gets.
class ImageSink : public jpeg::PixelSink {
public:
    std::uint8_t *allocate(int width, int height, std::size_t &stride) noexcept override
    {
        try {
            FImage = QImage(width, height, QImage::Format_RGB32);
        } catch (...) {
            return nullptr;
        }
        if (FImage.isNull())
            return nullptr;
        stride = static_cast<std::size_t>(FImage.bytesPerLine());
        return FImage.bits();
    }
    QImage take() { return std::move(FImage); }

private:
    QImage FImage;
};

int denominator(TJPEGScale scale)
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

QImage TJpegImage::decodeJpeg(const QByteArray &data, TJPEGScale scale, QString *warning, QString *colorProblem,
                              const jpeg::ColorInfo *colorOf)
{
    jpeg::DecodeOptions options;
    options.reduction = denominator(scale);
    options.layout = kRgb32Layout;
    TSourceColor color;
    if (ColorManage()) {
        color = SourceColorOfJpeg(colorOf ? *colorOf : jpeg::ReadColorInfo(data));
        options.converter = color.transform.get();
    }
    if (colorProblem)
        *colorProblem = color.problem;
    ImageSink sink;
    try {
        const jpeg::DecodeResult result = jpeg::Decode(data, options, sink);
        if (warning)
            *warning = result.warning;
    } catch (const jpeg::JpegError &e) {
        throw EGraphicError(QStringLiteral("JPEG image: %1").arg(e.reason()));
    }
    return sink.take();
}

bool TJpegImage::probeSize(const QByteArray &data, QSize &size)
{
    jpeg::JpegSize probed;
    if (!jpeg::ProbeSize(data, probed))
        return false;
    size = QSize(probed.width, probed.height);
    return true;
}

QImage TJpegImage::decode(const QByteArray &data)
{
    QString problem;
    QImage image = decodeJpeg(data, FScale, nullptr, &problem);
    setColorProblem(problem);
    return image;
}

QByteArray TJpegImage::encode(const QImage &image) const
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    try {
        if (rgb.isNull())
            throw jpeg::JpegError(QStringLiteral("no image"));
        return jpeg::Encode(rgb.constBits(), static_cast<std::size_t>(rgb.bytesPerLine()), rgb.width(), rgb.height(),
                            kRgb32Layout, 90, FIccProfile);
    } catch (const jpeg::JpegError &e) {
        throw EGraphicError(QStringLiteral("JPEG image: cannot save (%1)").arg(e.reason()));
    }
}

} // namespace vellora
