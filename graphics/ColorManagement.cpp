#include "graphics/ColorManagement.h"

#include <QColorSpace>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <lcms2.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

namespace vellora {

namespace {

std::atomic<bool> gColorManage{false};

// QImage::Format_RGB32 holds 0xAARRGGBB words in the machine's byte order.
constexpr cmsUInt32Number kRgb32Type = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TYPE_BGRA_8 : TYPE_ARGB_8;
constexpr int kAlphaByte = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? 3 : 0;

// A profile handle that closes itself.
struct ProfileCloser {
    void operator()(void *profile) const noexcept
    {
        if (profile)
            cmsCloseProfile(profile);
    }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

Profile sRgb()
{
    return Profile(cmsCreate_sRGBProfile());
}

cmsUInt32Number intentOf(TRenderIntent intent)
{
    return intent == TRenderIntent::riRelativeColorimetric ? INTENT_RELATIVE_COLORIMETRIC : INTENT_PERCEPTUAL;
}

cmsUInt32Number flagsOf(bool blackPointCompensation)
{
    return blackPointCompensation ? cmsFLAGS_BLACKPOINTCOMPENSATION : 0;
}

// Colours out of the printer's gamut show as a middle grey in the soft proof.
void setAlarmColour()
{
    static std::once_flag once;
    std::call_once(once, [] {
        cmsUInt16Number alarm[cmsMAXCHANNELS] = {};
        alarm[0] = alarm[1] = alarm[2] = 0x8080;
        cmsSetAlarmCodes(alarm);
    });
}

// Whether a conversion leaves every colour where it was (give or take the
// rounding of one step): then the source is sRGB in all but its bytes.
bool isIdentity(cmsHTRANSFORM transform)
{
    constexpr int kSteps = 9;
    std::vector<std::uint8_t> in(kSteps * kSteps * kSteps * 4);
    std::size_t at = 0;
    for (int r = 0; r < kSteps; ++r)
        for (int g = 0; g < kSteps; ++g)
            for (int b = 0; b < kSteps; ++b) {
                in[at++] = static_cast<std::uint8_t>(std::min(255, b * 32));
                in[at++] = static_cast<std::uint8_t>(std::min(255, g * 32));
                in[at++] = static_cast<std::uint8_t>(std::min(255, r * 32));
                in[at++] = 0xFF;
            }
    std::vector<std::uint8_t> out(in.size(), 0xFF);
    cmsDoTransform(transform, in.data(), out.data(), static_cast<cmsUInt32Number>(in.size() / 4));
    for (std::size_t i = 0; i < in.size(); ++i)
        if (std::abs(int(in[i]) - int(out[i])) > 1)
            return false;
    return true;
}

QString profileSpaceName(cmsColorSpaceSignature space)
{
    switch (space) {
    case cmsSigRgbData: return QStringLiteral("RGB");
    case cmsSigCmykData: return QStringLiteral("CMYK");
    case cmsSigGrayData: return QStringLiteral("grey");
    default: return QStringLiteral("an unusual colour space's");
    }
}

} // namespace

struct TColorTransform::Handles {
    cmsHTRANSFORM plain = nullptr;      // RGB32 in place, or ink amounts to RGB32
    cmsHTRANSFORM inverted = nullptr;   // Adobe's inverted CMYK to RGB32
    ~Handles()
    {
        if (plain)
            cmsDeleteTransform(plain);
        if (inverted)
            cmsDeleteTransform(inverted);
    }
};

TColorTransform::~TColorTransform() = default;

void TColorTransform::convertRow(const std::uint8_t *in, std::uint8_t *out, int width, bool inverted) const noexcept
{
    if (width <= 0)
        return;
    cmsHTRANSFORM t = FCmyk && inverted ? FHandles->inverted : FHandles->plain;
    cmsDoTransform(t, in, out, static_cast<cmsUInt32Number>(width));
    if (FCmyk)   // the output has no alpha of its own to keep
        for (int x = 0; x < width; ++x)
            out[x * 4 + kAlphaByte] = 0xFF;
}

void TColorTransform::Apply(QImage &image) const
{
    if (image.isNull() || FCmyk)
        return;
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return;
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        std::uint8_t *row = image.scanLine(y);
        convertRow(row, row, width, false);
    }
}

// Makes transforms; the friend that may build a TColorTransform.
struct TransformFactory {
    static std::shared_ptr<TColorTransform> make(bool cmyk, cmsHTRANSFORM plain, cmsHTRANSFORM inverted)
    {
        std::shared_ptr<TColorTransform> t(new TColorTransform);
        t->FCmyk = cmyk;
        t->FHandles = std::make_unique<TColorTransform::Handles>();
        t->FHandles->plain = plain;
        t->FHandles->inverted = inverted;
        return t;
    }

    // Source profile to sRGB, or refusal; an sRGB-equivalent gives no transform.
    static TSourceColor toSRgb(cmsHPROFILE source, int components)
    {
        const cmsColorSpaceSignature space = cmsGetColorSpace(source);
        const cmsProfileClassSignature cls = cmsGetDeviceClass(source);
        if (cls == cmsSigLinkClass || cls == cmsSigAbstractClass || cls == cmsSigNamedColorClass)
            return {nullptr, QStringLiteral("colour profile is not one of a picture (device link, abstract or named)")};
        const bool fits = (components == 3 && space == cmsSigRgbData) || (components == 4 && space == cmsSigCmykData)
                          || (components == 1 && space == cmsSigGrayData);
        if (!fits)
            return {nullptr, QStringLiteral("%1 colour profile on a picture of %2 channel(s)")
                                 .arg(profileSpaceName(space))
                                 .arg(components)};
        if (components == 1)
            return {};   // grey pixels are decoded to sRGB grey already
        const Profile out = sRgb();
        // Photos rarely repeat a pixel: LittleCMS's one-pixel cache only costs
        // a comparison per pixel.
        const cmsUInt32Number flags = cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOCACHE;
        if (components == 3) {
            cmsHTRANSFORM t = cmsCreateTransform(source, kRgb32Type, out.get(), kRgb32Type, INTENT_PERCEPTUAL, flags);
            if (!t)
                return {nullptr, QStringLiteral("colour profile cannot be used")};
            if (isIdentity(t)) {
                cmsDeleteTransform(t);
                return {};
            }
            return {make(false, t, nullptr), {}};
        }
        cmsHTRANSFORM plain = cmsCreateTransform(source, TYPE_CMYK_8, out.get(), kRgb32Type, INTENT_PERCEPTUAL, flags);
        cmsHTRANSFORM inverted =
            cmsCreateTransform(source, TYPE_CMYK_8_REV, out.get(), kRgb32Type, INTENT_PERCEPTUAL, flags);
        if (!plain || !inverted) {
            if (plain)
                cmsDeleteTransform(plain);
            if (inverted)
                cmsDeleteTransform(inverted);
            return {nullptr, QStringLiteral("colour profile cannot be used")};
        }
        return {make(true, plain, inverted), {}};
    }
};

bool ColorManage() noexcept
{
    return gColorManage.load(std::memory_order_relaxed);
}

void SetColorManage(bool on) noexcept
{
    gColorManage.store(on, std::memory_order_relaxed);
}

namespace {

std::mutex gCacheLock;
std::map<QByteArray, TSourceColor> gCache;   // by the profile's MD5 and the channel count
// Real jobs meet a handful of profiles; a bound keeps a folder of odd files
// from growing the cache without end.
constexpr std::size_t kMaxCachedProfiles = 64;

TSourceColor cached(const QByteArray &key, const std::function<TSourceColor()> &make)
{
    std::lock_guard lock(gCacheLock);
    if (const auto it = gCache.find(key); it != gCache.end())
        return it->second;
    TSourceColor made = make();
    if (gCache.size() >= kMaxCachedProfiles)
        gCache.clear();
    gCache.emplace(key, made);
    return made;
}

} // namespace

TSourceColor SourceColorOfProfile(const QByteArray &icc, int components)
{
    if (icc.isEmpty())
        return {};
    if (static_cast<std::size_t>(icc.size()) > jpeg::kMaxIccProfileBytes)
        return {nullptr, QStringLiteral("colour profile is larger than %1 MB").arg(jpeg::kMaxIccProfileBytes >> 20)};
    QByteArray key = QCryptographicHash::hash(icc, QCryptographicHash::Md5);
    key += static_cast<char>(components);
    return cached(key, [&]() -> TSourceColor {
        const Profile profile(cmsOpenProfileFromMem(icc.constData(), static_cast<cmsUInt32Number>(icc.size())));
        if (!profile)
            return {nullptr, QStringLiteral("colour profile is damaged")};
        return TransformFactory::toSRgb(profile.get(), components);
    });
}

TSourceColor SourceColorOfJpeg(const jpeg::ColorInfo &info)
{
    if (!info.iccProfile.isEmpty()) {
        TSourceColor color = SourceColorOfProfile(info.iccProfile, info.components ? info.components : 3);
        if (color.transform || color.problem.isEmpty() || !info.exifAdobeRgb)
            return color;
        // A refused profile leaves the Exif mark to say what the pixels are.
        const QString problem = color.problem;
        color = SourceColorOfJpeg(jpeg::ColorInfo{{}, {}, info.components, true});
        color.problem = problem;
        return color;
    }
    if (info.exifAdobeRgb && (info.components == 3 || info.components == 0)) {
        return cached(QByteArrayLiteral("Exif Adobe RGB"), []() -> TSourceColor {
            // Adobe RGB (1998): D65, its primaries and a pure gamma of 563/256.
            const cmsCIExyY white{0.3127, 0.3290, 1.0};
            const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
            cmsToneCurve *gamma = cmsBuildGamma(nullptr, 563.0 / 256.0);
            cmsToneCurve *curves[3] = {gamma, gamma, gamma};
            const Profile profile(cmsCreateRGBProfile(&white, &primaries, curves));
            cmsFreeToneCurve(gamma);
            if (!profile)
                return {nullptr, QStringLiteral("Adobe RGB profile cannot be made")};
            return TransformFactory::toSRgb(profile.get(), 3);
        });
    }
    return {nullptr, info.problem};
}

QImage ColorManagedImage(QImage image, QString *problem)
{
    if (!ColorManage() || image.isNull())
        return image;
    const QColorSpace space = image.colorSpace();
    if (!space.isValid() || space == QColorSpace(QColorSpace::SRgb))
        return image;
    const TSourceColor color = SourceColorOfProfile(space.iccProfile(), 3);
    if (problem)
        *problem = color.problem;
    if (!color.transform)
        return image;
    color.transform->Apply(image);
    image.setColorSpace(QColorSpace(QColorSpace::SRgb));
    return image;
}

const QByteArray &SRgbProfileData()
{
    static const QByteArray data = [] {
        const Profile profile = sRgb();
        // Version 2 profiles are understood by every reader of JPEG and PDF
        // (PDF 1.3 takes no later ones).
        cmsSetProfileVersion(profile.get(), 2.1);
        cmsUInt32Number size = 0;
        if (!cmsSaveProfileToMem(profile.get(), nullptr, &size) || size == 0)
            return QByteArray();
        QByteArray bytes(static_cast<qsizetype>(size), '\0');
        if (!cmsSaveProfileToMem(profile.get(), bytes.data(), &size))
            return QByteArray();
        bytes.resize(static_cast<qsizetype>(size));
        return bytes;
    }();
    return data;
}

namespace {

std::mutex gPrinterLock;
std::map<QString, TPrinterColor> gPrinterColors;

} // namespace

TPrinterColor PrinterColorFor(const QString &printer)
{
    std::lock_guard lock(gPrinterLock);
    const auto it = gPrinterColors.find(printer);
    return it == gPrinterColors.end() ? TPrinterColor{} : it->second;
}

void SetPrinterColorFor(const QString &printer, const TPrinterColor &color)
{
    std::lock_guard lock(gPrinterLock);
    if (color.IsNone())
        gPrinterColors.erase(printer);
    else
        gPrinterColors[printer] = color;
}

namespace {

// An output profile from a file, checked to be RGB; null with a reason.
Profile openPrinterProfile(const QString &path, QString *problem)
{
    QFile file(path);
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > static_cast<qint64>(jpeg::kMaxIccProfileBytes) || !file.open(QIODevice::ReadOnly)) {
        if (problem)
            *problem = QStringLiteral("%1: colour profile cannot be read").arg(path);
        return nullptr;
    }
    const QByteArray data = file.readAll();
    Profile profile(cmsOpenProfileFromMem(data.constData(), static_cast<cmsUInt32Number>(data.size())));
    if (!profile || cmsGetColorSpace(profile.get()) != cmsSigRgbData || cmsGetPCS(profile.get()) == 0
        || cmsGetDeviceClass(profile.get()) == cmsSigLinkClass || cmsGetDeviceClass(profile.get()) == cmsSigAbstractClass) {
        if (problem)
            *problem = QStringLiteral("%1: not an RGB output colour profile").arg(path);
        return nullptr;
    }
    return profile;
}

} // namespace

TColorTransformPtr PrinterTransform(const TPrinterColor &printer, QString *problem)
{
    if (printer.IsNone())
        return nullptr;
    const Profile target = openPrinterProfile(printer.profile, problem);
    if (!target)
        return nullptr;
    const Profile source = sRgb();
    cmsHTRANSFORM t = cmsCreateTransform(source.get(), kRgb32Type, target.get(), kRgb32Type, intentOf(printer.intent),
                                         flagsOf(printer.blackPointCompensation));
    if (!t) {
        if (problem)
            *problem = QStringLiteral("%1: colour profile cannot be used").arg(printer.profile);
        return nullptr;
    }
    return TransformFactory::make(false, t, nullptr);
}

TColorTransformPtr SoftProofTransform(const TPrinterColor &printer, bool gamutWarning, QString *problem)
{
    if (printer.IsNone())
        return nullptr;
    const Profile proof = openPrinterProfile(printer.profile, problem);
    if (!proof)
        return nullptr;
    setAlarmColour();
    const Profile source = sRgb();
    const Profile display = sRgb();
    cmsUInt32Number flags = cmsFLAGS_SOFTPROOFING | flagsOf(printer.blackPointCompensation);
    if (gamutWarning)
        flags |= cmsFLAGS_GAMUTCHECK;
    cmsHTRANSFORM t = cmsCreateProofingTransform(source.get(), kRgb32Type, display.get(), kRgb32Type, proof.get(),
                                                 INTENT_RELATIVE_COLORIMETRIC, intentOf(printer.intent), flags);
    if (!t) {
        if (problem)
            *problem = QStringLiteral("%1: colour profile cannot be used").arg(printer.profile);
        return nullptr;
    }
    return TransformFactory::make(false, t, nullptr);
}

QString PrinterProfileDescription(const QString &path)
{
    const Profile profile = openPrinterProfile(path, nullptr);
    if (!profile)
        return {};
    std::array<wchar_t, 256> text{};
    const cmsUInt32Number n =
        cmsGetProfileInfo(profile.get(), cmsInfoDescription, "en", "US", text.data(), static_cast<cmsUInt32Number>(text.size()));
    QString description = n > 0 ? QString::fromWCharArray(text.data()).trimmed() : QString();
    return description.isEmpty() ? QFileInfo(path).completeBaseName() : description;
}

QList<TProfileEntry> FindPrinterProfiles()
{
    QStringList folders{QStringLiteral("/usr/share/color/icc")};
    const QString home = QDir::homePath();
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME", home + QStringLiteral("/.local/share"));
    folders << dataHome + QStringLiteral("/icc") << home + QStringLiteral("/.color/icc");
    QList<TProfileEntry> found;
    QStringList seen;
    // A folder of thousands of files is not read to the end.
    constexpr int kMaxFiles = 1000;
    int looked = 0;
    for (const QString &folder : folders) {
        QDirIterator it(folder, {QStringLiteral("*.icc"), QStringLiteral("*.icm"), QStringLiteral("*.ICC"), QStringLiteral("*.ICM")},
                        QDir::Files | QDir::Readable, QDirIterator::Subdirectories);
        while (it.hasNext() && looked < kMaxFiles) {
            const QString path = it.next();
            const QString canonical = QFileInfo(path).canonicalFilePath();
            if (seen.contains(canonical) || QDir(folder).relativeFilePath(path).count(QLatin1Char('/')) > 2)
                continue;
            ++looked;
            seen << canonical;
            const QString description = PrinterProfileDescription(path);
            if (!description.isEmpty())
                found.append({path, description});
        }
    }
    std::sort(found.begin(), found.end(), [](const TProfileEntry &a, const TProfileEntry &b) {
        return a.description.localeAwareCompare(b.description) < 0;
    });
    return found;
}

} // namespace vellora
