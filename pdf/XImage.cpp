#include "pdf/XImage.h"

#include "pdf/Encoders.h"

#include "pdf/PdfText.h"
#include "pdf/QvPDF.h"
#include "settings/ByteReader.h"

#include <QFile>
#include <cerrno>

namespace vellora::pdf {

const char *ColorSpaceName(TPDFColorSpace v)
{
    static const char *const names[] = {"/DeviceGray", "/DeviceRGB", "/DeviceCMYK", "/CalGray",
                                        "/CalRGB", "/Lab", "/ICCBased", "/DeviceN",
                                        "/Separation", "/Indexed", "/Pattern"};
    return names[static_cast<int>(v)];
}

const char *IntentName(TPDFIntent v)
{
    static const char *const names[] = {"", "/AbsoluteColorimetric", "/RelativeColorimetric", "/Saturation",
                                        "/Perceptual"};
    return names[static_cast<int>(v)];
}

JpegInfo ReadJpegInfo(const QByteArray &jpeg)
{
    const QString source = QStringLiteral("JPEG data");
    ByteReader r(jpeg, source, Endian::Big);
    if (r.u16() != 0xFFD8)
        throw FormatError(source, 0, QStringLiteral("no start-of-image marker"));
    for (;;) {
        std::uint8_t byte = r.u8();
        if (byte != 0xFF)
            r.fail(QStringLiteral("marker expected"));
        std::uint8_t marker = r.u8();
        while (marker == 0xFF)   // fill bytes before a marker
            marker = r.u8();
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;            // markers without a length
        if (marker == 0xD9 || marker == 0xDA)
            r.fail(QStringLiteral("no frame header before the image data"));
        const std::size_t start = r.pos();
        const std::uint16_t length = r.u16();
        if (length < 2)
            r.fail(QStringLiteral("segment length below 2"));
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            r.u8();   // sample precision
            JpegInfo info;
            info.height = r.u16();
            info.width = r.u16();
            info.components = r.u8();
            if (info.width == 0 || info.height == 0)
                r.fail(QStringLiteral("frame of zero width or height"));
            if (info.components != 1 && info.components != 3 && info.components != 4)
                r.fail(QStringLiteral("unsupported number of colour components"));
            return info;
        }
        r.seek(start);
        r.skip(length);
    }
}

// --- temporary files

void writeTempFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw IoError(path, errno, QStringLiteral("cannot create the temporary file"));
    if (f.write(bytes) != bytes.size() || !f.flush()) {
        const int error = errno;
        f.close();
        QFile::remove(path);
        throw IoError(path, error, QStringLiteral("cannot write the temporary file"));
    }
}

void copyFileToSink(const QString &path, std::int64_t expected, Sink &out)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw IoError(path, errno, QStringLiteral("cannot open the temporary file"));
    char buffer[64 * 1024];
    std::int64_t copied = 0;
    for (;;) {
        const qint64 n = f.read(buffer, sizeof buffer);
        if (n < 0)
            throw IoError(path, errno, QStringLiteral("cannot read the temporary file"));
        if (n == 0)
            break;
        out.write(buffer, static_cast<std::size_t>(n));
        copied += n;
    }
    if (copied != expected)
        throw IoError(path, 0, QStringLiteral("the temporary file was changed"));
}

// --- TPDFIccProfile

TPDFIccProfile::TPDFIccProfile(TQvPDFObjects *AOwner, const QByteArray &icc, int components)
    : TPDFObject(AOwner), FComponents(components)
{
    if (const TQvPDF *doc = Document())
        FFilters.Assign(doc->DefaultFilters());
    ByteArraySink out(FStream);
    FilterChain chain(FFilters, out);
    chain.input().write(icc);
    chain.input().finish();
}

void TPDFIccProfile::WriteBody(Sink &out)
{
    WriteLine(out, std::string_view("<<"));
    WriteLine(out, "/N " + formatInt(FComponents));
    WriteLine(out, std::string(FComponents == 1 ? "/Alternate /DeviceGray" : FComponents == 4 ? "/Alternate /DeviceCMYK"
                                                                                               : "/Alternate /DeviceRGB"));
    WriteLine(out, "/Length " + formatInt(FStream.size()));
    WriteLine(out, QStringLiteral("/Filter ") + FFilters.Text());
    WriteLine(out, std::string_view(">>"));
    WriteLine(out, std::string_view("stream"));
    out.write(FStream);
    WriteText(out, std::string_view(), false, true);
    WriteLine(out, std::string_view("endstream"));
}

// --- TPDFXImage

void TPDFXImage::useRgbColorSpace()
{
    TQvPDF *doc = Document();
    FIccProfile = doc ? doc->RgbProfileObject() : nullptr;
    SetColorSpace(FIccProfile ? TPDFColorSpace::pcsICCBased : TPDFColorSpace::pcsDeviceRGB);
}

TPDFXImage::TPDFXImage(TQvPDFObjects *AOwner) : TPDFXObject(AOwner)
{
    FSubType = QStringLiteral("/Image");
    SetColorSpace(TPDFColorSpace::pcsDeviceRGB);
}

TPDFXImage::~TPDFXImage()
{
    ReleaseData();
}

void TPDFXImage::SetColorSpace(TPDFColorSpace v)
{
    FColorSpace = v;
    switch (v) {
    case TPDFColorSpace::pcsDeviceGray:
    case TPDFColorSpace::pcsCalGray:
    case TPDFColorSpace::pcsSparation:
        FDecode = QStringLiteral("[0.0 1.0]");
        break;
    case TPDFColorSpace::pcsDeviceRGB:
    case TPDFColorSpace::pcsCalRGB:
        FDecode = QStringLiteral("[0.0 1.0 0.0 1.0 0.0 1.0]");
        break;
    case TPDFColorSpace::pcsDeviceCMYK:
        FDecode = QStringLiteral("[0.0 1.0 0.0 1.0 0.0 1.0 0.0 1.0]");
        break;
    case TPDFColorSpace::pcsLab:
        FDecode = QStringLiteral("[0 100 %1 %2 %3 %4]").arg(-100).arg(100).arg(-100).arg(100);
        break;
    case TPDFColorSpace::pcsIndexed:
        FDecode = QStringLiteral("[0 %1]").arg((1 << FBitsPerComponent) - 1);
        break;
    default:
        FDecode.clear();
        break;
    }
}

TPDFXImage *TPDFXImage::Mask() const
{
    return FMask >= 0 ? static_cast<TPDFXImage *>(FRefs[FMask]) : nullptr;
}

void TPDFXImage::SetMask(TPDFXImage *mask)
{
    TPDFXImage *old = Mask();
    if (old == mask)
        return;
    if (old) {
        FRefs.Extract(old);
        FMask = -1;
        FOwner->Remove(old);
    }
    if (mask)
        FMask = FRefs.Add(mask);
}

void TPDFXImage::SetImageMask(bool v)
{
    FImageMask = v;
    if (v) {
        FBitsPerComponent = 1;
        SetMask(nullptr);
    }
}

void TPDFXImage::WriteImage(const QImage &Image)
{
    FWidth = Image.width();
    FHeight = Image.height();
    useRgbColorSpace();
    FBitsPerComponent = 8;
    if (const TQvPDF *doc = Document())
        FFilters.Assign(doc->DefaultFilters());
    FStream.clear();
    ByteArraySink out(FStream);
    FilterChain chain(FFilters, out);
    writeRgbSamples(chain.input(), Image);
    chain.input().finish();
    FLength = FStream.size();
}

void TPDFXImage::WriteJPEG(const QByteArray &Jpeg, const JpegInfo &info)
{
    FWidth = info.width;
    FHeight = info.height;
    // A grey or CMYK JPEG needs its own colour space; calling it RGB makes
    // readers reject or miscolour it.
    if (info.components == 1)
        SetColorSpace(TPDFColorSpace::pcsDeviceGray);
    else if (info.components == 4)
        SetColorSpace(TPDFColorSpace::pcsDeviceCMYK);
    else
        useRgbColorSpace();
    FBitsPerComponent = 8;
    FFilters.Clear();
    FFilters.Add(TPDFFilter::pfiDCTDecode);
    TPDFFilterSet enabled = FFilters.EnabledFilters();
    enabled.include(TPDFFilter::pfiDCTDecode);
    FFilters.SetEnabledFilters(enabled);
    FStream = Jpeg;
    FLength = FStream.size();
}

void TPDFXImage::SetIccProfile(TPDFIccProfile *profile)
{
    FIccProfile = profile;
    SetColorSpace(profile ? TPDFColorSpace::pcsICCBased : TPDFColorSpace::pcsDeviceRGB);
}

void TPDFXImage::SetInvertedDecode(int components)
{
    FInverted = true;
    FDecode.clear();
    for (int i = 0; i < components; ++i)
        FDecode += i == 0 ? QStringLiteral("1 0") : QStringLiteral(" 1 0");
    FDecode = QLatin1Char('[') + FDecode + QLatin1Char(']');
}

void TPDFXImage::SaveToTempFile(const QString &path)
{
    if (!FTempFile.isEmpty())
        return;
    writeTempFile(path, FStream);
    FTempFile = path;
    FLength = FStream.size();
    FStream = QByteArray();
}

void TPDFXImage::WriteBody(Sink &out)
{
    WriteLine(out, std::string_view("<<"));
    WriteLine(out, QStringLiteral("/Type ") + FObjectType);
    WriteLine(out, QStringLiteral("/Subtype ") + FSubType);
    if (!FName.isEmpty())   // a mask is drawn by no page and has no name
        WriteLine(out, QStringLiteral("/Name ") + FName);
    WriteLine(out, "/Width " + formatInt(FWidth));
    WriteLine(out, "/Height " + formatInt(FHeight));
    if (FColorSpace == TPDFColorSpace::pcsICCBased && FIccProfile)
        WriteLine(out, QStringLiteral("/ColorSpace [/ICCBased ") + FIccProfile->ReferenceString() + QLatin1Char(']'));
    else
        WriteLine(out, std::string("/ColorSpace ") + ColorSpaceName(FColorSpace));
    WriteLine(out, "/BitsPerComponent " + formatInt(FBitsPerComponent));
    WriteLine(out, "/Length " + formatInt(FLength));
    WriteLine(out, QStringLiteral("/Filter ") + FFilters.Text());
    if (FInverted)
        WriteLine(out, QStringLiteral("/Decode ") + FDecode);
    if (FIntent != TPDFIntent::pinNone)
        WriteLine(out, std::string("/Intent ") + IntentName(FIntent));
    if (FImageMask)
        WriteLine(out, std::string_view("/ImageMask true"));
    if (FInterpolate)
        WriteLine(out, std::string_view("/Interpolate true"));
    WriteLine(out, std::string_view(">>"));
    WriteLine(out, std::string_view("stream"));
    if (FTempFile.isEmpty())
        out.write(FStream);
    else
        copyFileToSink(FTempFile, FLength, out);
    WriteText(out, std::string_view(), false, true);
    WriteLine(out, std::string_view("endstream"));
}

void TPDFXImage::ReleaseData()
{
    FStream = QByteArray();
    if (!FTempFile.isEmpty()) {
        QFile::remove(FTempFile);
        FTempFile.clear();
    }
}

} // namespace vellora::pdf
