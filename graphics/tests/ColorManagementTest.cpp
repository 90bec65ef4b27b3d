// Colour management: tagged copies of an sRGB photo made by LittleCMS's own
// tool (jpgicc) with Debian's colord profiles, and by Qt's colour engine for
// PNG, must decode back to the original's colours; with the switch off the
// stored pixels come out untouched.
#include "exif/JpegDecoder.h"
#include "exif/JpegEncoder.h"
#include "exif/JpegProfile.h"
#include "graphics/ColorManagement.h"
#include "graphics/GraphicClass.h"
#include "graphics/JpegImage.h"
#include "testsupport/TestSupport.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QSysInfo>
#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace vellora;

namespace {

const QString kColord = QStringLiteral("/usr/share/color/icc/colord/");

// One folder for the whole run: the tagged copies are made once.
const QString &dir()
{
    static const QString d = test::scratchDir(QStringLiteral("color-management"));
    return d;
}

// Smooth colours over the whole sRGB range (saturated corners, greys, skin
// tones), little JPEG loss.
QImage originalImage()
{
    QImage image(96, 64, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int r = x * 255 / 95;
            const int g = y * 255 / 63;
            const int b = 255 - (x + y) * 255 / 158;
            image.setPixel(x, y, qRgb(r, g, b));
        }
    return image;
}

QString originalJpeg()
{
    const QString path = dir() + QStringLiteral("/original.jpg");
    if (!QFile::exists(path)) {
        QImageWriter writer(path, "jpeg");
        writer.setQuality(98);
        EXPECT_TRUE(writer.write(originalImage()));
    }
    return path;
}

void run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    ASSERT_TRUE(p.waitForFinished(30000)) << program.toStdString();
    ASSERT_EQ(p.exitCode(), 0) << program.toStdString() << ": " << p.readAllStandardError().toStdString();
}

// The original converted into the profile's space and tagged with it, by jpgicc.
QString taggedCopy(const QString &profile)
{
    const QString path = dir() + QStringLiteral("/tagged-") + profile + QStringLiteral(".jpg");
    if (!QFile::exists(path))
        run(QStringLiteral("jpgicc"), {QStringLiteral("-q98"), QStringLiteral("-o") + kColord + profile + QStringLiteral(".icc"),
                                       QStringLiteral("-e"), originalJpeg(), path});
    return path;
}

// Root mean square difference of two images' RGB, on a 0 … 1 scale.
double rmse(const QImage &a, const QImage &b)
{
    EXPECT_EQ(a.size(), b.size());
    if (a.size() != b.size())
        return 1;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const double dr = qRed(p) - qRed(q), dg = qGreen(p) - qGreen(q), db = qBlue(p) - qBlue(q);
            sum += dr * dr + dg * dg + db * db;
        }
    return std::sqrt(sum / (3.0 * a.width() * a.height())) / 255.0;
}

QImage decode(const QString &path)
{
    return TJpegImage::decodeJpeg(test::readFile(path), TJPEGScale::jsFullSize);
}

// The stored numbers as libjpeg gives them, with no colour work.
QImage rawPixels(const QByteArray &jpeg)
{
    jpeg::DecodeOptions options;
    options.layout = jpeg::PixelLayout::Bgrx;
    const jpeg::Pixels p = jpeg::Decode(jpeg, options);
    return QImage(reinterpret_cast<const uchar *>(p.data.constData()), p.width, p.height, p.width * 4,
                  QImage::Format_RGB32)
        .copy();
}

} // namespace

TEST(ColorManagement, TaggedJpegsDecodeInTheOriginalsColoursAndAsStoredWhenOff)
{
    const QImage original = decode(originalJpeg());
    for (const QString &profile : {QStringLiteral("ProPhotoRGB"), QStringLiteral("AdobeRGB1998"),
                                  QStringLiteral("SwappedRedAndGreen"), QStringLiteral("WideGamutRGB")}) {
        SCOPED_TRACE(profile.toStdString());
        const QString tagged = taggedCopy(profile);
        {
            TColorManageScope on(true);
            QString problem;
            const QImage converted = TJpegImage::decodeJpeg(test::readFile(tagged), TJPEGScale::jsFullSize, nullptr, &problem);
            EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
            EXPECT_LT(rmse(converted, original), 0.012);
            // LittleCMS's own tool, converting back to sRGB, agrees.
            const QString reference = dir() + QStringLiteral("/reference-") + profile + QStringLiteral(".jpg");
            run(QStringLiteral("jpgicc"), {QStringLiteral("-q100"), tagged, reference});
            EXPECT_LT(rmse(converted, rawPixels(test::readFile(reference))), 0.008);
            // Reduced decodes are converted the same way.
            const QImage eighth = TJpegImage::decodeJpeg(test::readFile(tagged), TJPEGScale::jsQuarter);
            EXPECT_LT(rmse(eighth, TJpegImage::decodeJpeg(test::readFile(originalJpeg()), TJPEGScale::jsQuarter)), 0.015);
        }
        TColorManageScope off(false);
        const QImage stored = decode(tagged);
        EXPECT_EQ(stored, rawPixels(test::readFile(tagged)));
        EXPECT_GT(rmse(stored, original), 0.02) << "the tagged copy must differ from the original to test anything";
    }
}

TEST(ColorManagement, SRgbAndUntaggedPhotosAreLeftAsTheyAre)
{
    TColorManageScope on(true);
    const QByteArray untagged = test::readFile(originalJpeg());
    EXPECT_EQ(TJpegImage::decodeJpeg(untagged, TJPEGScale::jsFullSize), rawPixels(untagged));
    // Tagged with an sRGB profile (colord's, not the one we write): recognised,
    // no conversion, no problem.
    const QString srgb = taggedCopy(QStringLiteral("sRGB"));
    const QByteArray bytes = test::readFile(srgb);
    const TSourceColor color = SourceColorOfJpeg(jpeg::ReadColorInfo(bytes));
    EXPECT_FALSE(color.transform);
    EXPECT_TRUE(color.problem.isEmpty());
    EXPECT_EQ(TJpegImage::decodeJpeg(bytes, TJPEGScale::jsFullSize), rawPixels(bytes));
    // Our own sRGB profile too.
    EXPECT_FALSE(SourceColorOfProfile(SRgbProfileData(), 3).transform);
    EXPECT_TRUE(SourceColorOfProfile(SRgbProfileData(), 3).problem.isEmpty());
}

TEST(ColorManagement, TheExifAdobeRgbMarkWithoutAProfileIsHonoured)
{
    const QString path = dir() + QStringLiteral("/exif-r03.jpg");
    if (!QFile::exists(path)) {
        // Adobe RGB numbers without a profile, marked in Exif as cameras do.
        run(QStringLiteral("jpgicc"), {QStringLiteral("-q98"), QStringLiteral("-o") + kColord + QStringLiteral("AdobeRGB1998.icc"),
                                       originalJpeg(), path});
        run(QStringLiteral("exiftool"), {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                                         QStringLiteral("-ColorSpace#=65535"), QStringLiteral("-InteropIndex=R03"), path});
    }
    const QImage original = decode(originalJpeg());
    ASSERT_TRUE(jpeg::ReadColorInfo(test::readFile(path)).iccProfile.isEmpty());
    TColorManageScope on(true);
    EXPECT_LT(rmse(decode(path), original), 0.012);
    TColorManageScope off(false);
    EXPECT_GT(rmse(decode(path), original), 0.02);
}

TEST(ColorManagement, PngWithAnIccProfileIsConverted)
{
    // Qt's own colour engine makes the tagged copy: an independent converter.
    const QByteArray icc = test::readFile(kColord + QStringLiteral("AdobeRGB1998.icc"));
    const QColorSpace adobe = QColorSpace::fromIccProfile(icc);
    ASSERT_TRUE(adobe.isValid());
    QImage source = originalImage();
    source.setColorSpace(QColorSpace::SRgb);
    const QImage tagged = source.convertedToColorSpace(adobe);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(tagged.save(&buffer, "PNG"));
    ASSERT_TRUE(png.contains("iCCP"));

    std::unique_ptr<TGraphic> graphic = PngImageClass().Create();
    {
        TColorManageScope on(true);
        graphic->LoadFromData(png);
        EXPECT_LT(rmse(graphic->Image(), originalImage()), 0.008);
        EXPECT_TRUE(graphic->ColorProblem().isEmpty());
    }
    TColorManageScope off(false);
    graphic->LoadFromData(png);
    EXPECT_EQ(graphic->Image().convertToFormat(QImage::Format_RGB32), tagged.convertToFormat(QImage::Format_RGB32));
}

TEST(ColorManagement, BadOrMismatchedProfilesAreRefusedAndThePhotoTakenAsSRgb)
{
    TColorManageScope on(true);
    const QByteArray prophoto = test::readFile(kColord + QStringLiteral("ProPhotoRGB.icc"));
    QByteArray garbage = prophoto;
    garbage.replace(36, 4, "xxxx");   // the 'acsp' signature
    struct Case {
        const char *name;
        QByteArray profile;
        int components;
        const char *problem;
    };
    const Case cases[] = {
        {"damaged", garbage, 3, "damaged"},
        {"cut off", prophoto.left(200), 3, "damaged"},
        {"RGB profile on grey pixels", prophoto, 1, "RGB colour profile on a picture of 1 channel"},
        {"RGB profile on CMYK pixels", prophoto, 4, "RGB colour profile on a picture of 4 channel"},
        {"random bytes", QByteArray(3000, '\x5A'), 3, "damaged"},
    };
    for (const Case &c : cases) {
        const TSourceColor color = SourceColorOfProfile(c.profile, c.components);
        EXPECT_FALSE(color.transform) << c.name;
        EXPECT_TRUE(color.problem.contains(QLatin1String(c.problem))) << c.name << ": " << color.problem.toStdString();
    }
    // Embedded in a JPEG, a damaged profile leaves the pixels as stored and says why.
    const QImage original = decode(originalJpeg());
    const QImage rgb = original.convertToFormat(QImage::Format_RGB32);
    const QByteArray tagged = jpeg::Encode(rgb.constBits(), static_cast<std::size_t>(rgb.bytesPerLine()), rgb.width(),
                                           rgb.height(), jpeg::PixelLayout::Bgrx, 95, garbage);
    QString problem;
    const QImage decoded = TJpegImage::decodeJpeg(tagged, TJPEGScale::jsFullSize, nullptr, &problem);
    EXPECT_EQ(decoded, rawPixels(tagged));
    EXPECT_TRUE(problem.contains(QLatin1String("damaged"))) << problem.toStdString();
}

TEST(ColorManagement, TheSRgbProfileWeWriteIsAVersion2RgbDisplayProfile)
{
    const QByteArray &icc = SRgbProfileData();
    ASSERT_GT(icc.size(), 128);
    EXPECT_EQ(static_cast<quint8>(icc[8]), 2);            // major version
    EXPECT_EQ(icc.mid(12, 4), QByteArray("mntr"));
    EXPECT_EQ(icc.mid(16, 4), QByteArray("RGB "));
    EXPECT_EQ(icc.mid(36, 4), QByteArray("acsp"));
    // Qt reads it as sRGB-like: its primaries are sRGB's.
    const QColorSpace space = QColorSpace::fromIccProfile(icc);
    ASSERT_TRUE(space.isValid());
    EXPECT_EQ(space.primaries(), QColorSpace::Primaries::SRgb);
}

namespace {

QByteArray savedProfile(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    EXPECT_TRUE(cmsSaveProfileToMem(profile, nullptr, &size));
    QByteArray bytes(static_cast<qsizetype>(size), '\0');
    EXPECT_TRUE(cmsSaveProfileToMem(profile, bytes.data(), &size));
    cmsCloseProfile(profile);
    return bytes;
}

// An RGB profile of D65 white, the given primaries and tone curve.
QByteArray rgbProfile(const cmsCIExyYTRIPLE &primaries, cmsToneCurve *curve)
{
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    cmsToneCurve *curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    return savedProfile(profile);
}

// Display P3: P3 primaries, D65, sRGB's curve (as phones embed it).
QByteArray displayP3()
{
    const cmsFloat64Number srgbCurve[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    return rgbProfile({{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}},
                      cmsBuildParametricToneCurve(nullptr, 4, srgbCurve));
}

// Adobe RGB's primaries with a curve whose black is lifted: black-point
// compensation then moves every dark colour, which a plain matrix cannot do.
QByteArray liftedBlack()
{
    const cmsFloat64Number curve[7] = {2.2, 0.9, 0.0, 0.0, 0.0, 0.05, 0.05};   // (0.9 x)^2.2 + 0.05
    return rgbProfile({{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}},
                      cmsBuildParametricToneCurve(nullptr, 5, curve));
}

} // namespace

// Our own matrix-shaper path against LittleCMS's transform made here the
// way the program makes it, over every fourth level of each channel (275,000
// colours, far more than the path is checked on when made).
TEST(ColorManagement, TheMatrixShaperPathGivesLittleCmsResultsWithinOneLevel)
{
    struct Case {
        const char *name;
        QByteArray profile;
        bool ownPath;   // expected to take the program's own path
    };
    const Case cases[] = {
        {"Adobe RGB", test::readFile(kColord + QStringLiteral("AdobeRGB1998.icc")), true},
        {"ProPhoto", test::readFile(kColord + QStringLiteral("ProPhotoRGB.icc")), true},
        {"Wide Gamut", test::readFile(kColord + QStringLiteral("WideGamutRGB.icc")), true},
        {"Swapped red and green", test::readFile(kColord + QStringLiteral("SwappedRedAndGreen.icc")), true},
        {"Rec. 709", test::readFile(kColord + QStringLiteral("Rec709.icc")), true},
        {"Display P3", displayP3(), true},
        {"lifted black", liftedBlack(), false},
    };
    constexpr cmsUInt32Number kType = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TYPE_BGRA_8 : TYPE_ARGB_8;
    std::vector<std::uint8_t> grid;
    for (int r = 0; r <= 256; r += 4)
        for (int g = 0; g <= 256; g += 4)
            for (int b = 0; b <= 256; b += 4) {
                const QRgb pixel = qRgb(std::min(r, 255), std::min(g, 255), std::min(b, 255));
                const auto *bytes = reinterpret_cast<const std::uint8_t *>(&pixel);
                grid.insert(grid.end(), bytes, bytes + 4);
            }
    const int n = static_cast<int>(grid.size() / 4);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.profile.isEmpty());
        const TSourceColor color = SourceColorOfProfile(c.profile, 3);
        ASSERT_TRUE(color.transform) << color.problem.toStdString();
        EXPECT_EQ(color.transform->UsesMatrixShaperPath(), c.ownPath);

        cmsHPROFILE source = cmsOpenProfileFromMem(c.profile.constData(), static_cast<cmsUInt32Number>(c.profile.size()));
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        cmsHTRANSFORM reference = cmsCreateTransform(source, kType, srgb, kType, INTENT_PERCEPTUAL,
                                                     cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOCACHE);
        ASSERT_TRUE(reference);
        std::vector<std::uint8_t> expected(grid.size());
        cmsDoTransform(reference, grid.data(), expected.data(), static_cast<cmsUInt32Number>(n));
        cmsDeleteTransform(reference);
        cmsCloseProfile(srgb);
        cmsCloseProfile(source);
        // Both kernels (the AVX2 one runs only where the processor has it).
        for (const bool wide : {true, false}) {
            SCOPED_TRACE(wide ? "wide kernel" : "scalar kernel");
            SetWideColorKernel(wide);
            std::vector<std::uint8_t> ours = grid;
            // An odd width: the wide kernel's last few pixels too.
            color.transform->convertRow(ours.data(), ours.data(), n, false);
            int largest = 0, differing = 0;
            for (std::size_t i = 0; i < grid.size(); i += 4) {
                QRgb want = 0, got = 0;
                std::memcpy(&want, &expected[i], 4);
                std::memcpy(&got, &ours[i], 4);
                const int d = std::max({std::abs(qRed(want) - qRed(got)), std::abs(qGreen(want) - qGreen(got)),
                                        std::abs(qBlue(want) - qBlue(got))});
                largest = std::max(largest, d);
                differing += d > 0;
                EXPECT_EQ(qAlpha(got), 255);
            }
            EXPECT_LE(largest, TColorTransform::kFastPathTolerance);
            if (!c.ownPath) {
                EXPECT_EQ(largest, 0) << "LittleCMS's own path must give its own pixels";
            }
            std::printf("%-22s %s own path %d  largest difference %d  colours differing %.2f %%\n", c.name,
                        wide ? "wide  " : "scalar", color.transform->UsesMatrixShaperPath(), largest, 100.0 * differing / n);
        }
        SetWideColorKernel(true);
    }
}

TEST(ColorManagement, ACmykJpegWithAProfileIsConvertedByIt)
{
    const QString profile = QStringLiteral("/usr/share/color/icc/ghostscript/default_cmyk.icc");
    ASSERT_TRUE(QFile::exists(profile)) << "needs libgs-common";
    const QString cmyk = dir() + QStringLiteral("/cmyk.jpg");
    const QString reference = dir() + QStringLiteral("/cmyk-reference.jpg");
    if (!QFile::exists(reference)) {
        // jpgicc writes Adobe's inverted YCCK with the profile embedded; the
        // reference is its own conversion back (perceptual, black-point
        // compensation, as the program converts).
        run(QStringLiteral("jpgicc"), {QStringLiteral("-q98"), QStringLiteral("-o") + profile, QStringLiteral("-e"),
                                       originalJpeg(), cmyk});
        run(QStringLiteral("jpgicc"), {QStringLiteral("-q100"), QStringLiteral("-b"), cmyk, reference});
    }
    const QByteArray bytes = test::readFile(cmyk);
    const jpeg::ColorInfo info = jpeg::ReadColorInfo(bytes);
    ASSERT_EQ(info.components, 4);
    ASSERT_FALSE(info.iccProfile.isEmpty());

    const QImage expected = rawPixels(test::readFile(reference));
    QImage converted, naive;
    {
        TColorManageScope on(true);
        QString problem;
        converted = TJpegImage::decodeJpeg(bytes, TJPEGScale::jsFullSize, nullptr, &problem);
        EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
    }
    {
        TColorManageScope off(false);
        naive = decode(cmyk);
    }
    EXPECT_LT(rmse(converted, expected), 0.006);
    EXPECT_GT(rmse(naive, expected), 3 * rmse(converted, expected)) << "the profile must matter to test anything";
    std::printf("CMYK: converted %.4f, naive %.4f RMSE from LittleCMS's tool\n", rmse(converted, expected),
                rmse(naive, expected));
}
