// Making thumbnails: finding the Exif thumbnail of a JPEG, decoding it or the
// whole image (JPEGs at the largest DCT reduction that still covers the
// thumbnail), reducing to a square of ThumbSize, and reading pixel sizes
// from headers. These functions touch no shared state and may run on any
// thread (plug-in formats are serialised); they read files through the
// bounds-checked reader and report failure by their result, never by an
// exception.
#pragma once

#include "graphics/Geometry.h"
#include "imagelist/ThumbnailCache.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class QIODevice;

namespace vellora {

struct TGraphicClass;

// Ordinals are stored in the settings file: never reorder.
enum class TIVThumbnailMode : std::uint8_t { tmDraft, tmFine };

// The position of the TIFF header of an Exif APP1 segment whose marker lies
// within searchBytes after the start-of-image marker; 0 when there is none.
std::int64_t FindExifOffset(const QString &fileName, int searchBytes);
std::int64_t FindExifOffset(QIODevice &device, int searchBytes);

// Facts read from an Exif block (bytes from the TIFF header on).
struct TExifThumbnail {
    QByteArray Jpeg;        // the compressed thumbnail, to the end of the block
    TIntSize ExifSize;      // pixel size from the Exif IFD (0 when absent)
};
// The thumbnail exists only when IFD1 says compression 6 with a non-zero
// offset; false otherwise and on any malformed structure.
bool ParseExifThumbnail(const QByteArray &tiff, TExifThumbnail &result);

// The frame size of a JPEG from its SOF marker, walking the segments; false
// when the file is not a JPEG or has no readable frame header.
bool ReadJpegFrameSize(QIODevice &device, TIntSize &size);

// The image's pixel size from headers only: the JPEG frame, else the Exif
// values, else the format's header. (0, 0) when unknown.
TIntSize ReadImageSize(const QString &fileName, const TGraphicClass *graphicClass);

// The size a W × H image gets in a square of size (only reductions).
QSize ThumbnailSizeFor(QSize full, int size);
// Reduces the bitmap in place to fit a square of size (24 bits per pixel
// afterwards); tmDraft takes the nearest pixel, tmFine averages areas.
void ResampleThumbnail(QImage &bitmap, int size, TIVThumbnailMode mode);
// The same reduction from an already reduced source: the target size is
// given and the scale is taken per axis.
QImage ResampleTo(const QImage &source, QSize target, TIVThumbnailMode mode);

// One thumbnail job, as handed to a worker.
struct TThumbJob {
    QString Path;
    int ThumbSize = 160;
    TIVThumbnailMode Mode = TIVThumbnailMode::tmFine;
    int SearchBytes = 32;
    bool NeedSize = true;                        // the item's size is still 0
    const TGraphicClass *GraphicClass = nullptr; // decoder picked by the registry
    const TGraphicClass *ThumbnailClass = nullptr;
    std::shared_ptr<std::atomic_bool> Stop;
    // The host's picture in place of the file's (an image kept inside a
    // document): run on the worker, so it must touch nothing of the view.
    std::function<QImage()> Load;
};

struct TThumbJobResult {
    bool Exists = false;
    std::int64_t ExifOffset = 0;
    bool FromExif = false;
    TIntSize ImageSize;         // full size; (0, 0) when not found
    QImage Thumb;               // RGB888, null when no thumbnail could be made
    QByteArray Encoded;         // Thumb saved with the thumbnail class
    TThumbFileStamp Stamp;
};

// Decodes bytes of an image with its class on a worker thread; plug-in
// classes, not known to be reentrant, one at a time. Null when they do not
// decode.
QImage DecodeOnWorker(const TGraphicClass &graphicClass, const QByteArray &data, const QString &fileName) noexcept;

// Runs the job: the host's picture when it gives one, else the Exif
// thumbnail first, else the whole image. Never throws.
TThumbJobResult RunThumbJob(const TThumbJob &job) noexcept;
// Only the full-image path (the Exif thumbnail failed or is absent).
bool MakeFromImageFile(const TThumbJob &job, TThumbJobResult &result) noexcept;
bool MakeFromExifFile(const TThumbJob &job, TThumbJobResult &result) noexcept;

} // namespace vellora
