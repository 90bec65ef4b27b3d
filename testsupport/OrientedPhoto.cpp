#include "testsupport/OrientedPhoto.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QTransform>

namespace vellora::test {

QImage markerPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kMarkerRest);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height / 2, QColor::fromRgb(kMarkerTopLeft));
    painter.fillRect(width - width / 2, 0, width / 2, height / 2, QColor::fromRgb(kMarkerTopRight));
    return image;
}

QImage storedForOrientation(const QImage &upright, int orientation)
{
    const QTransform clockwise = QTransform().rotate(90);
    const QTransform anticlockwise = QTransform().rotate(-90);
    // What the camera wrote is the upright picture turned the opposite way
    // of what the orientation asks the viewer to do.
    switch (orientation) {
    case 2: return upright.mirrored(true, false);
    case 3: return upright.transformed(QTransform().rotate(180));
    case 4: return upright.mirrored(false, true);
    case 5: return upright.transformed(clockwise).mirrored(true, false);    // transposed
    case 6: return upright.transformed(anticlockwise);
    case 7: return upright.transformed(clockwise).mirrored(false, true);    // transposed the other way
    case 8: return upright.transformed(clockwise);
    default: return upright;
    }
}

QByteArray jpegWithOrientation(const QImage &image, int orientation)
{
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPEG", 95);
    }
    if (orientation < 0 || !jpeg.startsWith("\xFF\xD8"))
        return jpeg;
    // A little-endian TIFF structure: IFD0 with the one Orientation entry.
    QByteArray tiff("II\x2A\x00\x08\x00\x00\x00", 8);
    auto u16 = [&tiff](unsigned v) { tiff.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); };
    auto u32 = [&u16](unsigned v) { u16(v & 0xFFFF); u16(v >> 16); };
    u16(1);                     // entries
    u16(0x0112);                // Orientation
    u16(3);                     // SHORT
    u32(1);                     // count
    u16(static_cast<unsigned>(orientation) & 0xFFFF);
    u16(0);                     // value padding
    u32(0);                     // no IFD1
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
    const int length = static_cast<int>(body.size()) + 2;
    QByteArray app1("\xFF\xE1", 2);
    app1.append(char((length >> 8) & 0xFF)).append(char(length & 0xFF)).append(body);
    return jpeg.left(2) + app1 + jpeg.mid(2);
}

bool writeOrientedMarker(const QString &path, int width, int height, int orientation)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = jpegWithOrientation(storedForOrientation(markerPicture(width, height), orientation),
                                                 orientation);
    return file.write(bytes) == bytes.size();
}

} // namespace vellora::test
