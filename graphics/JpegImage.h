// TJpegImage: the JPEG graphic class, a QImage face on the program's JPEG
// decoder (exif/JpegDecoder). It can decode at 1/2, 1/4 or 1/8 of the full
// size through the codec's DCT scaling, which is much faster than decoding in
// full and shrinking, for callers that draw photos small. Grey, RGB, YCbCr
// and (Adobe) CMYK JPEGs decode straight into QImage::Format_RGB32 rows.
// Throws EGraphicError with the codec's message on corrupt data. The static
// functions hold no shared state and may run on any thread.
#pragma once

#include "exif/JpegProfile.h"
#include "graphics/GraphicClass.h"

#include <QSize>

namespace vellora {

enum class TJPEGScale : std::uint8_t { jsFullSize, jsHalf, jsQuarter, jsEighth };

class TJpegImage : public TGraphic {
public:
    TJpegImage();

    TJPEGScale Scale() const noexcept { return FScale; }
    // Takes effect at the next load (decoding again is the caller's choice).
    void SetScale(TJPEGScale scale) noexcept { FScale = scale; }
    // A profile written into the encoded form (APP2), to say what the
    // numbers mean; empty (the default) writes none.
    void SetIccProfile(const QByteArray &icc) { FIccProfile = icc; }

    // Decodes a whole JPEG at a scale. `warning`, when given, receives the
    // codec's first warning (a cut-off file decodes in part), else empty.
    // While ColorManage() is on, the pixels are converted to sRGB by the
    // file's colour profile (or its Exif Adobe RGB mark) as they are decoded;
    // `colorOf` names another JPEG's colours instead (an Exif thumbnail is in
    // those of its photo), and `colorProblem` receives why a profile was
    // refused (the picture is then taken as sRGB).
    static QImage decodeJpeg(const QByteArray &data, TJPEGScale scale, QString *warning = nullptr,
                             QString *colorProblem = nullptr, const jpeg::ColorInfo *colorOf = nullptr);
    // The full-size dimensions from the header alone; false when the bytes
    // are not a readable JPEG header.
    static bool probeSize(const QByteArray &data, QSize &size);

protected:
    QImage decode(const QByteArray &data) override;
    QByteArray encode(const QImage &image) const override;

private:
    TJPEGScale FScale = TJPEGScale::jsFullSize;
    QByteArray FIccProfile;
};

} // namespace vellora
