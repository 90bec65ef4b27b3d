// Image XObjects: TPDFXImage holds an image's dictionary values and its data,
// either a JPEG file's bytes unchanged (DCT pass-through) or 8-bit RGB samples
// encoded by the filter list. The data stays in memory while its page is
// drawn and moves to a temporary file when the page is finished. Throws
// FormatError for JPEG data without a usable frame header, IoError for the
// temporary file.
#pragma once

#include "pdf/Filters.h"
#include "pdf/PdfObject.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace vellora::pdf {

enum class TPDFColorSpace : std::uint8_t {
    pcsDeviceGray, pcsDeviceRGB, pcsDeviceCMYK, pcsCalGray, pcsCalRGB, pcsLab,
    pcsICCBased, pcsDeviceN, pcsSparation, pcsIndexed, pcsPattern
};
using TPDFImageColorSpace = TPDFColorSpace;

enum class TPDFIntent : std::uint8_t {
    pinNone, pinAbsoluteColorimetric, pinRelativeColorimetric, pinSaturation, pinPerceptual
};

const char *ColorSpaceName(TPDFColorSpace v);
const char *IntentName(TPDFIntent v);   // "" for pinNone

// What a JPEG file's frame header says.
struct JpegInfo {
    int width = 0;
    int height = 0;
    int components = 0;
};
// Reads the first frame header; FormatError when there is none or it is unusable.
JpegInfo ReadJpegInfo(const QByteArray &jpeg);

class TPDFXObject : public TPDFObject {
public:
    explicit TPDFXObject(TQvPDFObjects *AOwner) : TPDFObject(AOwner) { FObjectType = QStringLiteral("/XObject"); }
    const QString &SubType() const noexcept { return FSubType; }

protected:
    QString FSubType;
};

// An ICC profile stream, the body of an /ICCBased colour space; one per
// document, shared by its images.
class TPDFIccProfile : public TPDFObject {
public:
    TPDFIccProfile(TQvPDFObjects *AOwner, const QByteArray &icc, int components);
    void WriteBody(Sink &out) override;

private:
    QByteArray FStream;   // the profile through the document's default filters
    TPDFFilters FFilters;
    int FComponents;
};

class TPDFXImage : public TPDFXObject {
public:
    explicit TPDFXImage(TQvPDFObjects *AOwner);
    ~TPDFXImage() override;

    TPDFColorSpace ColorSpace() const noexcept { return FColorSpace; }
    void SetColorSpace(TPDFColorSpace v);   // also sets Decode
    const QString &Decode() const noexcept { return FDecode; }
    std::uint8_t BitsPerComponent() const noexcept { return FBitsPerComponent; }
    void SetBitsPerComponent(std::uint8_t v) { FBitsPerComponent = v; }
    TPDFFilters &Filters() noexcept { return FFilters; }
    int Height() const noexcept { return FHeight; }
    void SetHeight(int v) { FHeight = v; }
    int Width() const noexcept { return FWidth; }
    void SetWidth(int v) { FWidth = v; }
    bool ImageMask() const noexcept { return FImageMask; }
    void SetImageMask(bool v);              // true: 1 bit per component, mask object dropped
    TPDFIntent Intent() const noexcept { return FIntent; }
    void SetIntent(TPDFIntent v) { FIntent = v; }
    bool Interpolate() const noexcept { return FInterpolate; }
    void SetInterpolate(bool v) { FInterpolate = v; }
    std::int64_t Length() const noexcept { return FLength; }
    TPDFXImage *Mask() const;
    void SetMask(TPDFXImage *mask);         // the old mask object leaves the document
    const QString &Name() const noexcept { return FName; }
    void SetName(const QString &v) { FName = v; }

    void ClearFilters() { FFilters.Clear(); }
    // The shared ICC colour space an /ICCBased image refers to (the
    // document's RgbProfileObject(), which the paths below pick for RGB
    // images).
    TPDFIccProfile *IccProfile() const noexcept { return FIccProfile; }
    // Gives the image a colour space of its own (a photo's embedded profile).
    void SetIccProfile(TPDFIccProfile *profile);
    // Reverses every component: CMYK JPEGs written by Adobe software store
    // their inks inverted.
    void SetInvertedDecode(int components);
    // The bitmap path: RGB samples on white through the document's default filters.
    void WriteImage(const QImage &Image);
    // The JPEG path: the bytes are kept unchanged behind /DCTDecode.
    void WriteJPEG(const QByteArray &Jpeg, const JpegInfo &info);

    // The encoded data while it is in memory (empty once in its file).
    const QByteArray &Data() const noexcept { return FStream; }
    void SaveToTempFile(const QString &path);
    void WriteBody(Sink &out) override;
    void ReleaseData() override;

private:
    // RGB: the document's ICC colour space when it has one, else DeviceRGB.
    void useRgbColorSpace();

    TPDFColorSpace FColorSpace = TPDFColorSpace::pcsDeviceRGB;
    TPDFIccProfile *FIccProfile = nullptr;   // owned by the document's object list
    QString FDecode;
    std::uint8_t FBitsPerComponent = 8;
    TPDFFilters FFilters;
    int FHeight = 0;
    bool FImageMask = false;
    TPDFIntent FIntent = TPDFIntent::pinNone;
    bool FInterpolate = false;
    bool FInverted = false;   // /Decode written (it is the default otherwise)
    std::int64_t FLength = 0;
    int FMask = -1;
    QString FName;
    QByteArray FStream;
    int FWidth = 0;
    QString FTempFile;
};

// Copies a file into a sink in blocks and deletes nothing; IoError when it
// cannot be read or is shorter than expected.
void copyFileToSink(const QString &path, std::int64_t expected, Sink &out);
// Writes bytes to a new file; IoError on failure (a partial file is removed).
void writeTempFile(const QString &path, const QByteArray &bytes);

} // namespace vellora::pdf
