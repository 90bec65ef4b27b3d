#include "graphics/ColorManagement.h"

#include <QColorSpace>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <lcms2.h>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

namespace vellora {

namespace {

std::atomic<bool> gColorManage{false};
std::atomic<bool> gWideKernel{true};

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

namespace {

// RGB32 pixels through a matrix-shaper profile (three tone curves and a
// matrix: Adobe RGB, Display P3, ProPhoto and most other working spaces) into
// sRGB, the way LittleCMS composes it (curves, source colorants to XYZ D50,
// sRGB's colorants inverted, sRGB's curve inverted) but in one pass of table
// look-ups, several times faster than its general 8-bit path. Processors
// with AVX2 take eight pixels at a time. Immutable once made; any thread.
class MatrixShaper {
public:
    // The conversion of `source` into `target`, or null when either is no
    // plain matrix-shaper RGB profile.
    static std::unique_ptr<MatrixShaper> make(cmsHPROFILE source, cmsHPROFILE target);

    // Through the AVX2 kernel where the processor has it and `wide` allows.
    void convertRow(const std::uint8_t *in, std::uint8_t *out, int width, bool wide) const noexcept;
    bool hasWide() const noexcept { return FWide; }

private:
    void convertScalar(const std::uint8_t *in, std::uint8_t *out, int width) const noexcept;
    void convertWide(const std::uint8_t *in, std::uint8_t *out, int width) const noexcept;

    // Linear sRGB is looked up in FEncode at 14 bits, fine enough that the
    // steepest part of sRGB's curve moves by a fifth of a level per step.
    static constexpr int kOutputBits = 14;
    static constexpr int kOutputSize = 1 << kOutputBits;
    // The scalar kernel keeps kFraction bits below the table's index; a
    // channel's full share is then at most 2^26, so the sum of three cannot
    // overflow even for the widest source gamuts.
    static constexpr int kFraction = 12;
    // Per source channel and stored value: its share of the linear sRGB R, G
    // and B (the fourth slot pads a row to 16 bytes, one vector load).
    std::array<std::array<std::array<std::int32_t, 4>, 256>, 3> FShare{};
    // The wide kernel: linear source values, and the matrix scaled to the
    // table's index.
    std::array<std::array<float, 256>, 3> FLinear{};
    std::array<std::array<float, 3>, 3> FMatrix{};
    bool FWide = false;
    // Linear sRGB to its stored value; three bytes more for the wide
    // kernel's four-byte reads.
    std::array<std::uint8_t, kOutputSize + 3> FEncode{};
};

// Byte offsets of R, G and B in a Format_RGB32 pixel.
constexpr std::array<int, 3> kColourByte = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? std::array<int, 3>{2, 1, 0}
                                                                                           : std::array<int, 3>{1, 2, 3};

using Matrix = std::array<std::array<double, 3>, 3>;

// The columns are the colorants' XYZ (D50, as the profile states them).
bool colorantMatrix(cmsHPROFILE profile, Matrix &m)
{
    const cmsTagSignature tags[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag};
    for (int c = 0; c < 3; ++c) {
        const auto *xyz = static_cast<const cmsCIEXYZ *>(cmsReadTag(profile, tags[c]));
        if (!xyz)
            return false;
        m[0][c] = xyz->X;
        m[1][c] = xyz->Y;
        m[2][c] = xyz->Z;
    }
    return true;
}

bool invert(const Matrix &m, Matrix &inverse)
{
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0])
                       + m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (!std::isfinite(det) || std::abs(det) < 1e-9)
        return false;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            // The cofactor of (c, r), transposed.
            const int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
            inverse[r][c] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / det;
        }
    return true;
}

bool isPlainMatrixShaper(cmsHPROFILE profile)
{
    // A profile may carry tables besides its matrix; LittleCMS then uses the
    // tables, and so must we.
    return cmsGetColorSpace(profile) == cmsSigRgbData && cmsGetPCS(profile) == cmsSigXYZData
           && cmsIsMatrixShaper(profile) && !cmsIsCLUT(profile, INTENT_PERCEPTUAL, LCMS_USED_AS_INPUT)
           && !cmsIsCLUT(profile, INTENT_PERCEPTUAL, LCMS_USED_AS_OUTPUT);
}

std::unique_ptr<MatrixShaper> MatrixShaper::make(cmsHPROFILE source, cmsHPROFILE target)
{
    if (!isPlainMatrixShaper(source) || !isPlainMatrixShaper(target))
        return nullptr;
    Matrix from{}, to{}, toInverse{};
    if (!colorantMatrix(source, from) || !colorantMatrix(target, to) || !invert(to, toInverse))
        return nullptr;
    Matrix m{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m[r][c] = toInverse[r][0] * from[0][c] + toInverse[r][1] * from[1][c] + toInverse[r][2] * from[2][c];
    // Real working spaces stay well inside this; wild numbers from a damaged
    // profile are left to LittleCMS rather than to the fixed-point tables.
    for (const auto &row : m)
        for (const double v : row)
            if (!std::isfinite(v) || std::abs(v) > 16)
                return nullptr;

    // sRGB's three curves are one; a target with different ones is not ours to take.
    const auto *red = static_cast<const cmsToneCurve *>(cmsReadTag(target, cmsSigRedTRCTag));
    const auto *green = static_cast<const cmsToneCurve *>(cmsReadTag(target, cmsSigGreenTRCTag));
    const auto *blue = static_cast<const cmsToneCurve *>(cmsReadTag(target, cmsSigBlueTRCTag));
    if (!red || !green || !blue)
        return nullptr;
    for (int v = 0; v < 256; v += 5) {
        const auto x = static_cast<cmsFloat32Number>(v / 255.0);
        if (cmsEvalToneCurveFloat(red, x) != cmsEvalToneCurveFloat(green, x)
            || cmsEvalToneCurveFloat(red, x) != cmsEvalToneCurveFloat(blue, x))
            return nullptr;
    }

    const cmsTagSignature trcs[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    auto shaper = std::make_unique<MatrixShaper>();
    constexpr double kTop = kOutputSize - 1;
    for (int c = 0; c < 3; ++c) {
        const auto *curve = static_cast<const cmsToneCurve *>(cmsReadTag(source, trcs[c]));
        if (!curve)
            return nullptr;
        for (int v = 0; v < 256; ++v) {
            const double linear = cmsEvalToneCurveFloat(curve, static_cast<cmsFloat32Number>(v / 255.0));
            if (!std::isfinite(linear) || std::abs(linear) > 16)
                return nullptr;
            shaper->FLinear[c][v] = static_cast<float>(linear);
            for (int out = 0; out < 3; ++out) {
                const double share = std::clamp(m[out][c] * linear * kTop * (1 << kFraction), -double(1 << 28), double(1 << 28));
                shaper->FShare[c][v][out] = static_cast<std::int32_t>(std::lround(share));
            }
        }
    }
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            shaper->FMatrix[r][c] = static_cast<float>(m[r][c] * kTop);
    cmsToneCurve *encode = cmsReverseToneCurve(red);
    if (!encode)
        return nullptr;
    for (int i = 0; i < kOutputSize; ++i) {
        const double value = cmsEvalToneCurveFloat(encode, static_cast<cmsFloat32Number>(i / kTop));
        shaper->FEncode[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(std::clamp(std::lround(value * 255.0), 0L, 255L));
    }
    cmsFreeToneCurve(encode);
#if defined(__x86_64__) && defined(__GNUC__)
    shaper->FWide = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#endif
    return shaper;
}

void MatrixShaper::convertRow(const std::uint8_t *in, std::uint8_t *out, int width, bool wide) const noexcept
{
    if (!FWide || !wide) {
        convertScalar(in, out, width);
        return;
    }
    const int whole = width & ~7;
    convertWide(in, out, whole);
    if (whole == width)
        return;
    // The last few pixels through the same kernel, so that a pixel's result
    // does not depend on where in its row it stands.
    std::uint8_t tail[32] = {};
    const auto rest = static_cast<std::size_t>(width - whole) * 4;
    std::memcpy(tail, in + std::size_t(whole) * 4, rest);
    convertWide(tail, tail, 8);
    std::memcpy(out + std::size_t(whole) * 4, tail, rest);
}

void MatrixShaper::convertScalar(const std::uint8_t *in, std::uint8_t *out, int width) const noexcept
{
    constexpr int kR = kColourByte[0], kG = kColourByte[1], kB = kColourByte[2];
    constexpr std::int32_t kMax = (kOutputSize - 1) << kFraction;
    for (int x = 0; x < width; ++x, in += 4, out += 4) {
        const std::array<std::int32_t, 4> &r = FShare[0][in[kR]];
        const std::array<std::int32_t, 4> &g = FShare[1][in[kG]];
        const std::array<std::int32_t, 4> &b = FShare[2][in[kB]];
        std::int32_t sum[4];
        for (int i = 0; i < 4; ++i)
            sum[i] = (std::clamp(r[i] + g[i] + b[i], 0, kMax) + (1 << (kFraction - 1))) >> kFraction;
        const std::uint8_t alpha = in[kAlphaByte];
        out[kR] = FEncode[static_cast<std::size_t>(sum[0])];
        out[kG] = FEncode[static_cast<std::size_t>(sum[1])];
        out[kB] = FEncode[static_cast<std::size_t>(sum[2])];
        out[kAlphaByte] = alpha;
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
// Eight pixels a time (0xAARRGGBB words): the linear values gathered, the
// matrix in single precision, the stored values gathered from FEncode.
__attribute__((target("avx2,fma"))) void MatrixShaper::convertWide(const std::uint8_t *in, std::uint8_t *out,
                                                                      int width) const noexcept
{
    const __m256i byte = _mm256_set1_epi32(0xFF);
    const __m256 zero = _mm256_setzero_ps();
    const __m256 top = _mm256_set1_ps(float(kOutputSize - 1));
    const __m256 half = _mm256_set1_ps(0.5f);
    __m256 m[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m[r][c] = _mm256_set1_ps(FMatrix[r][c]);
    const auto *encode = reinterpret_cast<const int *>(FEncode.data());
    for (int x = 0; x + 8 <= width; x += 8) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(in + std::size_t(x) * 4));
        const __m256 r = _mm256_i32gather_ps(FLinear[0].data(), _mm256_and_si256(_mm256_srli_epi32(p, 16), byte), 4);
        const __m256 g = _mm256_i32gather_ps(FLinear[1].data(), _mm256_and_si256(_mm256_srli_epi32(p, 8), byte), 4);
        const __m256 b = _mm256_i32gather_ps(FLinear[2].data(), _mm256_and_si256(p, byte), 4);
        __m256i result = _mm256_andnot_si256(_mm256_set1_epi32(0x00FFFFFF), p);   // alpha kept
        for (int o = 0; o < 3; ++o) {
            __m256 v = _mm256_fmadd_ps(m[o][0], r, _mm256_fmadd_ps(m[o][1], g, _mm256_mul_ps(m[o][2], b)));
            v = _mm256_min_ps(_mm256_max_ps(v, zero), top);
            const __m256i index = _mm256_cvttps_epi32(_mm256_add_ps(v, half));
            const __m256i stored = _mm256_and_si256(_mm256_i32gather_epi32(encode, index, 1), byte);
            result = _mm256_or_si256(result, _mm256_sllv_epi32(stored, _mm256_set1_epi32(16 - 8 * o)));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + std::size_t(x) * 4), result);
    }
}
#else
void MatrixShaper::convertWide(const std::uint8_t *in, std::uint8_t *out, int width) const noexcept
{
    convertScalar(in, out, width);
}
#endif

// The largest difference, in stored levels, between the two conversions over
// a grid of colours and the full grey and primary ramps.
int largestDifference(const MatrixShaper &fast, cmsHTRANSFORM reference)
{
    std::vector<std::uint8_t> in;
    auto add = [&in](int r, int g, int b) {
        std::uint8_t pixel[4] = {};
        pixel[kColourByte[0]] = static_cast<std::uint8_t>(r);
        pixel[kColourByte[1]] = static_cast<std::uint8_t>(g);
        pixel[kColourByte[2]] = static_cast<std::uint8_t>(b);
        pixel[kAlphaByte] = 0xFF;
        in.insert(in.end(), pixel, pixel + 4);
    };
    for (int r = 0; r < 256; r += 15)
        for (int g = 0; g < 256; g += 15)
            for (int b = 0; b < 256; b += 15)
                add(r, g, b);
    for (int v = 0; v < 256; ++v) {
        add(v, v, v);
        add(v, 0, 0);
        add(0, v, 0);
        add(0, 0, v);
    }
    const int n = static_cast<int>(in.size() / 4);
    std::vector<std::uint8_t> ours(in.size()), theirs(in.size());
    cmsDoTransform(reference, in.data(), theirs.data(), static_cast<cmsUInt32Number>(n));
    int largest = 0;
    // Both kernels: either may run, by the processor and the switch.
    for (const bool wide : {false, true}) {
        if (wide && !fast.hasWide())
            break;
        fast.convertRow(in.data(), ours.data(), n, wide);
        for (std::size_t i = 0; i < in.size(); ++i)
            if (i % 4 != static_cast<std::size_t>(kAlphaByte))
                largest = std::max(largest, std::abs(int(ours[i]) - int(theirs[i])));
    }
    return largest;
}

} // namespace

struct TColorTransform::Handles {
    cmsHTRANSFORM plain = nullptr;      // RGB32 in place, or ink amounts to RGB32
    cmsHTRANSFORM inverted = nullptr;   // Adobe's inverted CMYK to RGB32
    std::unique_ptr<MatrixShaper> fast;   // when set, does what `plain` does
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
    if (FHandles->fast) {
        FHandles->fast->convertRow(in, out, width, gWideKernel.load(std::memory_order_relaxed));
        return;
    }
    cmsHTRANSFORM t = FCmyk && inverted ? FHandles->inverted : FHandles->plain;
    cmsDoTransform(t, in, out, static_cast<cmsUInt32Number>(width));
    if (FCmyk)   // the output has no alpha of its own to keep
        for (int x = 0; x < width; ++x)
            out[x * 4 + kAlphaByte] = 0xFF;
}

bool TColorTransform::UsesMatrixShaperPath() const noexcept
{
    return FHandles && FHandles->fast;
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
            std::shared_ptr<TColorTransform> made = make(false, t, nullptr);
            // Our own matrix-shaper path only where it gives LittleCMS's
            // result (within the rounding of one level); black-point
            // compensation, for one, is no longer a no-op when a source's
            // black is above zero.
            std::unique_ptr<MatrixShaper> fast = MatrixShaper::make(source, out.get());
            if (fast && largestDifference(*fast, t) <= TColorTransform::kFastPathTolerance)
                made->FHandles->fast = std::move(fast);
            return {made, {}};
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

void SetWideColorKernel(bool allowed) noexcept
{
    gWideKernel.store(allowed, std::memory_order_relaxed);
}

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
