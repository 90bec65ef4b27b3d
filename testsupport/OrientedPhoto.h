// Small photos for tests of Exif orientation: an asymmetric marker picture,
// the way a camera stores it for each orientation (made with Qt's own
// turns, independent of the program's), and JPEG bytes carrying just an
// orientation tag.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRgb>

namespace vellora::test {

inline constexpr QRgb kMarkerTopLeft = 0xFFFF0000;    // red
inline constexpr QRgb kMarkerTopRight = 0xFF00C000;   // green
inline constexpr QRgb kMarkerRest = 0xFF0000FF;       // blue

// Upright: blue, with a red quarter in the top-left corner and a green one in
// the top-right corner, so that every turn and mirror gives another picture.
QImage markerPicture(int width, int height);

// The stored pixels of an upright picture for Exif orientation 1 to 8 (any
// other value: the picture itself).
QImage storedForOrientation(const QImage &upright, int orientation);

// The image as a JPEG (quality 95) with an Exif block in front of the rest
// whose only entry is the orientation, any 16-bit value; without an Exif
// block when orientation is negative.
QByteArray jpegWithOrientation(const QImage &image, int orientation);

// Writes jpegWithOrientation(storedForOrientation(markerPicture(w, h), o), o)
// to path; false when it cannot be written.
bool writeOrientedMarker(const QString &path, int width, int height, int orientation);

} // namespace vellora::test
