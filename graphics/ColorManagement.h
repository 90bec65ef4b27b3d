// Colour management on LittleCMS 2. Photos carry their colours in many
// spaces (Display P3 from phones, Adobe RGB from cameras, ProPhoto from
// editors); the program draws, shows and writes sRGB. A picture's profile is
// turned into one conversion to sRGB (perceptual, black-point compensation),
// made once per profile (keyed by the profile's MD5) and shared; a profile
// that means sRGB is recognised and gives no conversion at all. The printer's
// output profile and the soft proof of the print preview are conversions from
// sRGB made the same way.
//
// Everything here is safe on any thread (decode workers call it); the
// program-wide switch is atomic. Nothing throws for a bad profile: it is
// refused with a reason and the picture is taken as sRGB.
#pragma once

#include "exif/JpegDecoder.h"
#include "exif/JpegProfile.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

namespace vellora {

// Whether pictures are converted by their colour profiles (and written
// tagged as sRGB). Off until the program applies the user's choice at start
// (the settings' "Option"/"ColorManage", default on, or --color-manage);
// while off, pixels are drawn as stored, exactly as without colour management.
bool ColorManage() noexcept;
void SetColorManage(bool on) noexcept;

// Sets the switch for the lifetime of the object and puts the old value back.
class TColorManageScope {
public:
    explicit TColorManageScope(bool on) noexcept : FOld(ColorManage()) { SetColorManage(on); }
    ~TColorManageScope() { SetColorManage(FOld); }
    TColorManageScope(const TColorManageScope &) = delete;
    TColorManageScope &operator=(const TColorManageScope &) = delete;

private:
    bool FOld;
};

// Whether the matrix-shaper path may take eight pixels at a time with AVX2
// where the processor has it (the default); off, every processor runs the
// same scalar kernel. For tests and measurements of both kernels.
void SetWideColorKernel(bool allowed) noexcept;

enum class TRenderIntent : std::uint8_t { riPerceptual, riRelativeColorimetric };

// One conversion of 8-bit pixels, made by the functions below. Converts rows
// of QImage::Format_RGB32 / ARGB32 pixels in place (alpha left alone) or,
// for a CMYK source, C, M, Y, K rows into them.
class TColorTransform final : public jpeg::RowConverter {
public:
    ~TColorTransform();
    TColorTransform(const TColorTransform &) = delete;
    TColorTransform &operator=(const TColorTransform &) = delete;

    bool convertsCmyk() const noexcept override { return FCmyk; }
    void convertRow(const std::uint8_t *in, std::uint8_t *out, int width, bool inverted) const noexcept override;

    // Whether RGB pixels go through the program's own matrix-shaper path
    // (source profiles of three curves and a matrix) instead of LittleCMS's
    // general one; its results differ from LittleCMS's by at most
    // kFastPathTolerance levels, or it is not used.
    bool UsesMatrixShaperPath() const noexcept;
    static constexpr int kFastPathTolerance = 1;

    // Converts the image in place; any format (non-32-bit ones become
    // Format_RGB32 or Format_ARGB32 first). Not for CMYK conversions.
    void Apply(QImage &image) const;

    struct Handles;   // LittleCMS transforms; defined in the .cpp

private:
    friend struct TransformFactory;
    TColorTransform() = default;
    bool FCmyk = false;
    std::unique_ptr<Handles> FHandles;
};
using TColorTransformPtr = std::shared_ptr<const TColorTransform>;

// What to do with the pixels of one picture.
struct TSourceColor {
    TColorTransformPtr transform;   // null: the pixels are (taken as) sRGB
    QString problem;                // why a profile it carries was refused
};

// The conversion from an ICC profile to sRGB for pixels of `components`
// channels (3 RGB, 4 CMYK, 1 grey: grey pixels take grey profiles as they are).
TSourceColor SourceColorOfProfile(const QByteArray &icc, int components);
// What a JPEG's header says: its profile, else the Exif Adobe RGB mark.
TSourceColor SourceColorOfJpeg(const jpeg::ColorInfo &info);

// An image decoded by Qt's readers, converted by its QColorSpace (PNG iCCP,
// sRGB and gAMA/cHRM chunks, TIFF and other embedded profiles) while
// ColorManage() is on; returned as it is otherwise or when it is sRGB.
// `problem`, when given, receives why its profile was refused.
QImage ColorManagedImage(QImage image, QString *problem = nullptr);

// The sRGB profile (ICC version 2, for the widest range of readers) that
// tags what the program writes: JPEG pages and the images of PDF files.
const QByteArray &SRgbProfileData();

// The printer's output profile and how to convert into it.
struct TPrinterColor {
    QString profile;   // path of an ICC output profile; empty: none
    TRenderIntent intent = TRenderIntent::riPerceptual;
    bool blackPointCompensation = true;
    bool IsNone() const noexcept { return profile.isEmpty(); }
    friend bool operator==(const TPrinterColor &, const TPrinterColor &) = default;
};

// The output profile chosen for each printer, by the printer's name (kept
// with that printer's options; the window stores it in the settings file).
// Any thread may read it.
TPrinterColor PrinterColorFor(const QString &printer);
void SetPrinterColorFor(const QString &printer, const TPrinterColor &color);

// sRGB into the printer's profile (what printed pages are sent as); null
// with `problem` set when the profile cannot be used, null without one for none.
TColorTransformPtr PrinterTransform(const TPrinterColor &printer, QString *problem = nullptr);
// sRGB as the printer will render it, shown in sRGB again (soft proof);
// colours the printer cannot reach become grey when `gamutWarning`.
TColorTransformPtr SoftProofTransform(const TPrinterColor &printer, bool gamutWarning, QString *problem = nullptr);

// RGB output profiles of the system's and the user's colour folders
// (/usr/share/color/icc, $XDG_DATA_HOME/icc, ~/.color/icc), searched two
// levels deep, sorted by their description.
struct TProfileEntry {
    QString path;
    QString description;
};
QList<TProfileEntry> FindPrinterProfiles();
// The description of a profile file, or empty when it is no RGB profile that
// can take output.
QString PrinterProfileDescription(const QString &path);

} // namespace vellora
