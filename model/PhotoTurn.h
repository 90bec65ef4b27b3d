// Turning photos upright by their Exif orientation: the program-wide switch
// that says whether it is done, the eight turns (the mirrored ones too) as
// one small value that combines with the quarter turns of the rotation rules,
// and the pixel work — a turned copy, and a nearest-pixel stretch that turns
// while it copies so that a large photo is never walked twice. Pure functions
// apart from the switch, which is atomic (decode workers read it).
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QTransform>

namespace vellora {

// Whether photos are drawn, shown and measured upright. Off until the program
// applies the user's choice at start (the settings' "Option"/"ExifRotate",
// default on, or --exif-rotate); while off, stored pixels are placed as they
// are.
bool ExifRotate() noexcept;
void SetExifRotate(bool on) noexcept;

// Sets the switch for the lifetime of the object and puts the old value back.
class TExifRotateScope {
public:
    explicit TExifRotateScope(bool on) noexcept : FOld(ExifRotate()) { SetExifRotate(on); }
    ~TExifRotateScope() { SetExifRotate(FOld); }
    TExifRotateScope(const TExifRotateScope &) = delete;
    TExifRotateScope &operator=(const TExifRotateScope &) = delete;

private:
    bool FOld;
};

// One of the eight ways to lay a picture down: first mirrored left to right
// (when `mirror`), then turned clockwise by `quarters` quarter turns.
struct TPixelTurn {
    bool mirror = false;
    int quarters = 0;   // 0 to 3

    bool IsIdentity() const noexcept { return !mirror && quarters == 0; }
    // Width and height trade places.
    bool Across() const noexcept { return quarters % 2 != 0; }
    friend bool operator==(const TPixelTurn &, const TPixelTurn &) = default;
};

// The turn that makes a picture stored with Exif orientation 1 to 8 upright;
// any other value (unknown, 0, out of range) turns nothing.
TPixelTurn UprightTurn(int exifOrientation) noexcept;
// `turn` followed by further quarter turns clockwise (any integer).
TPixelTurn ThenQuarters(TPixelTurn turn, int quarters) noexcept;
// The size of a picture of `size` after the turn.
QSize TurnedSize(QSize size, TPixelTurn turn) noexcept;

// The pixel of a width × height source that lands on (x, y) of its turned image.
QPoint TurnedSourcePixel(int x, int y, int width, int height, TPixelTurn turn) noexcept;
// The mapping of source coordinates onto the turned picture stretched into
// `target` (continuous coordinates, for a painter).
QTransform TurnedTargetTransform(QSize source, const QRect &target, TPixelTurn turn);

// A turned copy, 32 bits per pixel (with alpha when the source has it); the
// source itself when nothing is turned, a null image stays null.
QImage TurnImage(const QImage &source, TPixelTurn turn);

// Stretches the turned `source` into `target` of `dest` by nearest pixel, in
// one pass over the destination pixels that the target covers inside `dest`
// (the rest is cut off and left as it was). Both images must be
// Format_RGB32 or Format_ARGB32; other formats are converted first.
void StretchTurned(QImage &dest, const QRect &target, const QImage &source, TPixelTurn turn);

} // namespace vellora
