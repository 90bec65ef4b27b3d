// Small JPEG files with Exif blocks, built in code for the thumbnail tests.
#pragma once

#include "graphics/JpegImage.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QSize>
#include <initializer_list>

namespace vellora::test::JpegBuilder {

inline QByteArray encode(const QImage &image)
{
    TJpegImage jpeg;
    jpeg.SetImage(image.convertToFormat(QImage::Format_RGB32));
    return jpeg.SaveToData();
}

inline QByteArray smallJpeg(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::red);
    return encode(image);
}

inline void putLe16(QByteArray &b, int v)
{
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}

inline void putLe32(QByteArray &b, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

inline void entry(QByteArray &b, int tag, int type, quint32 count, quint32 value)
{
    putLe16(b, tag);
    putLe16(b, type);
    putLe32(b, count);
    if (type == 3) {
        putLe16(b, int(value));
        putLe16(b, 0);
    } else {
        putLe32(b, value);
    }
}

// A little-endian TIFF block: IFD0 with the Exif pointer, the Exif IFD with
// the pixel size, IFD1 with compression and the thumbnail after it.
inline QByteArray exifBlock(const QByteArray &thumb, int compression, QSize pixelSize)
{
    QByteArray b("II*\0", 4);
    putLe32(b, 8);
    // IFD0 at 8: 1 entry → 8 + 2 + 12 + 4 = 26.
    const quint32 exifIfd = 26;
    const quint32 ifd1 = exifIfd + 2 + 2 * 12 + 4;   // 56
    const quint32 thumbAt = ifd1 + 2 + 3 * 12 + 4;   // 98
    putLe16(b, 1);
    entry(b, 0x8769, 4, 1, exifIfd);
    putLe32(b, ifd1);
    putLe16(b, 2);
    entry(b, 0xA002, 3, 1, quint32(pixelSize.width()));
    entry(b, 0xA003, 4, 1, quint32(pixelSize.height()));
    putLe32(b, 0);
    putLe16(b, 3);
    entry(b, 0x0103, 3, 1, quint32(compression));
    entry(b, 0x0201, 4, 1, thumbAt);
    entry(b, 0x0202, 4, 1, quint32(thumb.size()));
    putLe32(b, 0);
    b.append(thumb);
    return b;
}

inline QByteArray segment(int marker, const QByteArray &data)
{
    QByteArray s;
    s.append(char(0xFF));
    s.append(char(marker));
    const int length = int(data.size()) + 2;
    s.append(char(length >> 8));
    s.append(char(length & 0xFF));
    return s + data;
}

inline QByteArray app1Exif(const QByteArray &tiff)
{
    return segment(0xE1, QByteArray("Exif\0\0", 6) + tiff);
}

// SOI, the segments, then the rest of a small real JPEG (without its SOI).
inline QByteArray jpegWithSegments(std::initializer_list<QByteArray> segments, const QByteArray &body = QByteArray())
{
    QByteArray out("\xFF\xD8", 2);
    for (const QByteArray &s : segments)
        out += s;
    out += (body.isEmpty() ? smallJpeg(QSize(8, 8)) : body).mid(2);
    return out;
}

inline QByteArray jpegWithExif(const QImage &photo, const QByteArray &tiff)
{
    return jpegWithSegments({app1Exif(tiff)}, encode(photo));
}

inline void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

} // namespace vellora::test::JpegBuilder
