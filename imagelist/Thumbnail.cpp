#include "imagelist/Thumbnail.h"

#include "graphics/ColorManagement.h"

#include "graphics/GraphicClass.h"
#include "graphics/JpegImage.h"
#include "settings/ByteReader.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <mutex>

namespace vellora {

namespace {

// Decoded pixels we accept for one image; anything larger gets no thumbnail
// instead of the memory and the minutes. JPEGs are decoded reduced, so even
// a 32768-pixel-wide photo stays under their limit.
constexpr std::int64_t kMaxDecodedPixels = std::int64_t(64) << 20;
constexpr std::int64_t kMaxReducedJpegPixels = std::int64_t(16) << 20;
// An Exif block is one APP1 segment.
constexpr qint64 kMaxExifBlock = 65536;

// Plug-in decoders are not known to be reentrant.
std::mutex &pluginMutex()
{
    static std::mutex m;
    return m;
}

bool stopped(const TThumbJob &job)
{
    return job.Stop && job.Stop->load(std::memory_order_relaxed);
}

// Walks IFD0 (at its real offset) for the Exif IFD and reads its pixel size.
TIntSize exifPixelSize(ByteReader &r, std::uint32_t exifIfd)
{
    TIntSize size;
    if (exifIfd == 0)
        return size;
    r.seek(exifIfd);
    const std::uint16_t count = r.u16();
    for (int i = 0; i < count; ++i) {
        const std::uint16_t tag = r.u16();
        if (tag == 0xA002 || tag == 0xA003) {
            const std::uint16_t type = r.u16();
            r.skip(4);
            std::int32_t value = 0;
            if (type == 3) {
                value = r.u16();
                r.skip(2);
            } else {
                value = static_cast<std::int32_t>(r.u32());
            }
            (tag == 0xA002 ? size.cx : size.cy) = std::max(0, value);
        } else {
            r.skip(10);
        }
    }
    return size;
}

QImage toRgb888OnWhite(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB888);
    QImage out(image.size(), QImage::Format_RGB888);
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.drawImage(0, 0, image);
    painter.end();
    return out;
}

double roundEven(double v)
{
    return std::nearbyint(v);   // the default rounding mode rounds halves to even
}

QImage resampleCore(const QImage &src, int w2, int h2, double sx, double sy, TIVThumbnailMode mode)
{
    const int w = src.width();
    const int h = src.height();
    QImage dst(w2, h2, QImage::Format_RGB888);
    dst.fill(Qt::black);
    if (mode == TIVThumbnailMode::tmDraft) {
        std::vector<int> cols(static_cast<std::size_t>(w2));
        for (int x = 0; x < w2; ++x)
            cols[static_cast<std::size_t>(x)] = std::min(w - 1, static_cast<int>(x / sx));
        for (int y = 0; y < h2; ++y) {
            const uchar *s = src.constScanLine(std::min(h - 1, static_cast<int>(y / sy)));
            uchar *d = dst.scanLine(y);
            for (int x = 0; x < w2; ++x) {
                const uchar *p = s + 3 * cols[static_cast<std::size_t>(x)];
                d[3 * x] = p[0];
                d[3 * x + 1] = p[1];
                d[3 * x + 2] = p[2];
            }
        }
        return dst;
    }
    struct Span {
        int first = 0, last = 0, end = 0;
        double firstWeight = 0, endWeight = 0;
    };
    auto spanOf = [](int i, double scale, int limit) {
        const double s0 = i / scale;
        const double s1 = (i + 1) / scale;
        Span s;
        s.first = static_cast<int>(s0);
        s.end = static_cast<int>(s1 + 0.999);
        s.last = std::min(limit - 1, s.end);
        s.firstWeight = 1.0 - (s0 - std::floor(s0));
        s.endWeight = s1 - std::floor(s1);
        return s;
    };
    auto weight = [](const Span &s, int i) {
        if (i == s.first)
            return s.firstWeight;
        if (i == s.end)
            return s.endWeight;
        return 1.0;
    };
    std::vector<Span> colSpans(static_cast<std::size_t>(w2));
    for (int x = 0; x < w2; ++x)
        colSpans[static_cast<std::size_t>(x)] = spanOf(x, sx, w);
    for (int y = 0; y < h2; ++y) {
        const Span rs = spanOf(y, sy, h);
        uchar *d = dst.scanLine(y);
        for (int x = 0; x < w2; ++x) {
            const Span &cs = colSpans[static_cast<std::size_t>(x)];
            double sum[3] = {0, 0, 0};
            double total = 0;
            for (int yy = rs.first; yy <= rs.last; ++yy) {
                const double wy = weight(rs, yy);
                const uchar *s = src.constScanLine(yy);
                for (int xx = cs.first; xx <= cs.last; ++xx) {
                    const double wt = wy * weight(cs, xx);
                    const uchar *p = s + 3 * xx;
                    sum[0] += p[0] * wt;
                    sum[1] += p[1] * wt;
                    sum[2] += p[2] * wt;
                    total += wt;
                }
            }
            if (total <= 0)
                continue;
            for (int c = 0; c < 3; ++c)
                d[3 * x + c] = static_cast<uchar>(roundEven(std::min(255.0, sum[c] / total)));
        }
    }
    return dst;
}

QByteArray encodeThumb(const QImage &thumb, const TGraphicClass *thumbnailClass)
{
    if (!thumbnailClass || thumbnailClass == &BitmapClass())
        return EncodeThumbnailBmp(thumb);
    std::unique_ptr<TGraphic> graphic = thumbnailClass->Create();
    graphic->SetImage(thumb);
    return graphic->SaveToData();
}

// A whole picture far larger than its thumbnail is first reduced smoothly to
// about twice the thumbnail, as the JPEG decoder's own scaling does: the
// draft mode's nearest pixel then looks alike for every source, instead of
// aliasing fine detail of pictures decoded at full size.
QImage reduceSmoothly(const QImage &image, QSize target)
{
    if (image.width() <= 2 * target.width() || image.height() <= 2 * target.height())
        return image;
    return image.scaled(2 * target.width(), 2 * target.height(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB888);
}

bool finish(const TThumbJob &job, QImage image, QSize full, TThumbJobResult &result)
{
    if (image.isNull() || stopped(job))
        return false;
    QSize target = ThumbnailSizeFor(full, job.ThumbSize);
    image = image.convertToFormat(QImage::Format_RGB888);
    if (image.size() == full && job.Mode == TIVThumbnailMode::tmDraft)
        image = reduceSmoothly(image, target);
    if (image.size() == full)
        ResampleThumbnail(image, job.ThumbSize, job.Mode);
    else
        image = ResampleTo(image, target, job.Mode);
    result.Thumb = image;
    result.Encoded = encodeThumb(image, job.ThumbnailClass);
    return !result.Encoded.isEmpty();
}

TJPEGScale scaleCovering(QSize full, QSize target)
{
    static constexpr TJPEGScale scales[] = {TJPEGScale::jsEighth, TJPEGScale::jsQuarter, TJPEGScale::jsHalf};
    int denom = 8;
    for (TJPEGScale s : scales) {
        if (full.width() / denom >= target.width() && full.height() / denom >= target.height())
            return s;
        denom /= 2;
    }
    return TJPEGScale::jsFullSize;
}

} // namespace

// Opens a file only when it is a regular one: a list or a document may
// name a FIFO, which would block the reader for good, or a device, which
// would be read without end.
static bool openRegularFile(QFile &file)
{
    return QFileInfo(file.fileName()).isFile() && file.open(QIODevice::ReadOnly);
}

std::int64_t FindExifOffset(QIODevice &device, int searchBytes)
{
    try {
        const qint64 size = device.size();
        // Everything the search can look at: the window and the 10 bytes after it.
        const QByteArray head = device.read(std::min<qint64>(size, qint64(std::max(searchBytes, 0)) + 16));
        ByteReader r(head, QStringLiteral("JPEG"));
        if (r.u8() != 0xFF || r.u8() != 0xD8)
            return 0;
        std::int64_t limit = std::int64_t(r.pos()) + std::max(searchBytes, 0);
        if (limit >= size)
            limit = size - 1;
        bool found = false;
        do {
            if (!r.has(r.pos(), 2))
                return 0;
            const std::uint8_t a = r.u8();
            const std::uint8_t b = r.u8();
            if (a == 0xFF && b == 0xE1) {
                found = true;
                break;
            }
            r.seek(r.pos() - 1);
        } while (std::int64_t(r.pos()) < limit);
        if (!found)
            return 0;
        r.skip(2);
        const auto id = r.bytes(6);
        const char expect[] = "EXIF";
        for (int i = 0; i < 4; ++i)
            if (std::toupper(id[static_cast<std::size_t>(i)]) != expect[i])
                return 0;
        return static_cast<std::int64_t>(r.pos());
    } catch (const Error &) {
        return 0;
    }
}

std::int64_t FindExifOffset(const QString &fileName, int searchBytes)
{
    QFile file(fileName);
    if (!openRegularFile(file))
        return 0;
    return FindExifOffset(file, searchBytes);
}

bool ParseExifThumbnail(const QByteArray &tiff, TExifThumbnail &result)
{
    try {
        ByteReader r(tiff, QStringLiteral("Exif"));
        r.setEndian(r.u8() == 'M' ? Endian::Big : Endian::Little);
        r.skip(3);
        r.seek(r.u32());
        std::uint32_t exifIfd = 0;
        const std::uint16_t count0 = r.u16();
        for (int i = 0; i < count0; ++i) {
            if (r.u16() == 0x8769) {
                r.skip(6);
                exifIfd = r.u32();
            } else {
                r.skip(10);
            }
        }
        const std::uint32_t ifd1 = r.u32();
        if (ifd1 == 0)
            return false;
        r.seek(ifd1);
        bool isJpeg = false;
        std::uint32_t thumbOffset = 0;
        const std::uint16_t count1 = r.u16();
        for (int i = 0; i < count1; ++i) {
            const std::uint16_t tag = r.u16();
            if (tag == 0x0103) {
                r.skip(6);
                isJpeg = r.u16() == 6;
                r.skip(2);
            } else if (tag == 0x0201) {
                r.skip(6);
                thumbOffset = r.u32();
            } else {
                r.skip(10);
            }
        }
        if (!isJpeg || thumbOffset == 0 || thumbOffset >= static_cast<std::uint32_t>(tiff.size()))
            return false;
        result.Jpeg = tiff.mid(thumbOffset);
        try {
            result.ExifSize = exifPixelSize(r, exifIfd);
        } catch (const Error &) {
            result.ExifSize = {};
        }
        return true;
    } catch (const Error &) {
        return false;
    }
}

bool ReadJpegFrameSize(QIODevice &device, TIntSize &size)
{
    if (!device.seek(0))
        return false;
    auto readBytes = [&device](int n, std::uint8_t *out) {
        return device.read(reinterpret_cast<char *>(out), n) == n;
    };
    std::uint8_t b[8];
    if (!readBytes(2, b) || b[0] != 0xFF || b[1] != 0xD8)
        return false;
    // Segments up to the frame header; a bounded number of steps.
    for (int steps = 0; steps < 4096; ++steps) {
        if (!readBytes(2, b))
            return false;
        if (b[0] != 0xFF)
            return false;
        const std::uint8_t marker = b[1];
        if (marker == 0xFF) {            // fill byte
            device.seek(device.pos() - 1);
            continue;
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01)
            continue;
        if (marker == 0xD9 || marker == 0xDA)
            return false;
        if (!readBytes(2, b))
            return false;
        const int length = (b[0] << 8) | b[1];
        if (length < 2)
            return false;
        const bool sof = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (sof) {
            if (length < 7 || !readBytes(5, b))
                return false;
            size.cy = (b[1] << 8) | b[2];
            size.cx = (b[3] << 8) | b[4];
            return size.cx > 0 && size.cy > 0;
        }
        if (!device.seek(device.pos() + length - 2) || device.pos() > device.size())
            return false;
    }
    return false;
}

TIntSize ReadImageSize(const QString &fileName, const TGraphicClass *graphicClass)
{
    QFile file(fileName);
    if (!openRegularFile(file))
        return {};
    TIntSize size;
    if (ReadJpegFrameSize(file, size))
        return size;
    file.seek(0);
    if (const std::int64_t t = FindExifOffset(file, 32); t > 0) {
        file.seek(t);
        TExifThumbnail exif;
        if (ParseExifThumbnail(file.read(kMaxExifBlock), exif) && exif.ExifSize.cx > 0 && exif.ExifSize.cy > 0)
            return exif.ExifSize;
    }
    file.close();
    QImageReader reader(fileName, graphicClass ? graphicClass->Format : QByteArray());
    const QSize s = reader.size();
    if (s.isValid())
        return {s.width(), s.height()};
    return {};
}

QSize ThumbnailSizeFor(QSize full, int size)
{
    const int w = full.width();
    const int h = full.height();
    if (w <= 0 || h <= 0)
        return full;
    const double s = std::min(double(size) / w, double(size) / h);
    if (!(s > 0 && s < 1))
        return full;
    return {std::max(1, static_cast<int>(roundEven(w * s))), std::max(1, static_cast<int>(roundEven(h * s)))};
}

void ResampleThumbnail(QImage &bitmap, int size, TIVThumbnailMode mode)
{
    bitmap = bitmap.convertToFormat(QImage::Format_RGB888);
    const int w = bitmap.width();
    const int h = bitmap.height();
    if (w <= 0 || h <= 0)
        return;
    const double s = std::min(double(size) / w, double(size) / h);
    if (!(s > 0 && s < 1))
        return;
    const QSize target = ThumbnailSizeFor(bitmap.size(), size);
    bitmap = resampleCore(bitmap, target.width(), target.height(), s, s, mode);
}

QImage ResampleTo(const QImage &source, QSize target, TIVThumbnailMode mode)
{
    const QImage src = source.convertToFormat(QImage::Format_RGB888);
    if (src.isNull() || target.isEmpty())
        return {};
    if (src.size() == target)
        return src;
    return resampleCore(src, target.width(), target.height(), double(target.width()) / src.width(),
                        double(target.height()) / src.height(), mode);
}

bool MakeFromExifFile(const TThumbJob &job, TThumbJobResult &result) noexcept
{
    try {
        QFile file(job.Path);
        if (result.ExifOffset <= 0 || !file.open(QIODevice::ReadOnly) || !file.seek(result.ExifOffset))
            return false;
        TExifThumbnail exif;
        if (!ParseExifThumbnail(file.read(kMaxExifBlock), exif))
            return false;
        QSize thumbSize;
        if (!TJpegImage::probeSize(exif.Jpeg, thumbSize) || std::int64_t(thumbSize.width()) * thumbSize.height() > kMaxDecodedPixels)
            return false;
        // The thumbnail is in the colours of its photo.
        const jpeg::ColorInfo color = ColorManage() ? jpeg::ReadColorInfo(file) : jpeg::ColorInfo{};
        const QImage image = TJpegImage::decodeJpeg(exif.Jpeg, TJPEGScale::jsFullSize, nullptr, nullptr, &color);
        if (image.isNull() || stopped(job))
            return false;
        if (job.NeedSize) {
            // The frame header is the truth; Exif values go stale when a photo is edited.
            TIntSize frame;
            result.ImageSize = ReadJpegFrameSize(file, frame) ? frame : exif.ExifSize;
        }
        QImage thumb = image.convertToFormat(QImage::Format_RGB888);
        ResampleThumbnail(thumb, job.ThumbSize, job.Mode);
        result.Thumb = thumb;
        result.Encoded = encodeThumb(thumb, job.ThumbnailClass);
        result.FromExif = true;
        return !result.Encoded.isEmpty();
    } catch (...) {
        return false;
    }
}

bool MakeFromImageFile(const TThumbJob &job, TThumbJobResult &result) noexcept
{
    try {
        if (!job.GraphicClass || stopped(job))
            return false;
        if (job.GraphicClass == &JpegImageClass()) {
            QFile file(job.Path);
            if (!file.open(QIODevice::ReadOnly))
                return false;
            const QByteArray data = file.readAll();
            QSize full;
            if (!TJpegImage::probeSize(data, full) || full.isEmpty())
                return false;
            const QSize target = ThumbnailSizeFor(full, job.ThumbSize);
            const TJPEGScale scale = scaleCovering(full, target);
            const int denom = 1 << static_cast<int>(scale);
            if ((std::int64_t(full.width()) / denom) * (full.height() / denom) > kMaxReducedJpegPixels)
                return false;
            result.ImageSize = {full.width(), full.height()};
            return finish(job, TJpegImage::decodeJpeg(data, scale), full, result);
        }
        QImage image;
        // A class is read by the toolkit only when the toolkit knows the
        // file: a plug-in class names the form it converts to, not the one
        // it reads, and must decode the file itself.
        QImageReader reader(job.Path, job.GraphicClass->Format);
        if (!job.GraphicClass->Format.isEmpty() && QImageReader::supportedImageFormats().contains(job.GraphicClass->Format)
            && reader.canRead()) {
            reader.setAutoTransform(false);
            const QSize s = reader.size();
            if (s.isValid() && std::int64_t(s.width()) * s.height() > kMaxDecodedPixels)
                return false;
            image = ColorManagedImage(reader.read());
        } else {
            reader.setDevice(nullptr);
            std::lock_guard lock(pluginMutex());
            std::unique_ptr<TGraphic> graphic = job.GraphicClass->Create();
            graphic->LoadFromFile(job.Path);
            image = graphic->Image();
        }
        if (image.isNull())
            return false;
        image = toRgb888OnWhite(image);
        result.ImageSize = {image.width(), image.height()};
        return finish(job, image, image.size(), result);
    } catch (...) {
        return false;
    }
}

QImage DecodeOnWorker(const TGraphicClass &graphicClass, const QByteArray &data, const QString &fileName) noexcept
{
    try {
        const bool qtFormat =
            !graphicClass.Format.isEmpty() && QImageReader::supportedImageFormats().contains(graphicClass.Format);
        std::unique_lock<std::mutex> lock(pluginMutex(), std::defer_lock);
        if (!qtFormat)
            lock.lock();
        std::unique_ptr<TGraphic> graphic = graphicClass.Create();
        graphic->LoadFromDataWithName(data, fileName);
        return graphic->Image();
    } catch (...) {
        return {};
    }
}

TThumbJobResult RunThumbJob(const TThumbJob &job) noexcept
{
    TThumbJobResult result;
    try {
        if (job.Load) {
            // The picture comes from the host; the file, when it is still
            // there, only dates the cache record.
            result.Exists = QFileInfo::exists(job.Path);
            result.Stamp = TThumbFileStamp::OfFile(job.Path);
            QImage image = job.Load();
            if (image.isNull() || stopped(job))
                return result;
            image = toRgb888OnWhite(image);
            const QSize full = image.size();
            if (job.Mode == TIVThumbnailMode::tmDraft)
                image = reduceSmoothly(image, ThumbnailSizeFor(full, job.ThumbSize));
            if (image.size() == full)
                ResampleThumbnail(image, job.ThumbSize, job.Mode);
            else
                image = ResampleTo(image, ThumbnailSizeFor(full, job.ThumbSize), job.Mode);
            result.Encoded = encodeThumb(image, job.ThumbnailClass);
            if (!result.Encoded.isEmpty())
                result.Thumb = image;
            return result;
        }
        result.Exists = QFileInfo::exists(job.Path);
        if (!result.Exists || !QFileInfo(job.Path).isFile())
            return result;
        result.Stamp = TThumbFileStamp::OfFile(job.Path);
        result.ExifOffset = FindExifOffset(job.Path, job.SearchBytes);
        if (stopped(job))
            return result;
        if (result.ExifOffset > 0 && MakeFromExifFile(job, result))
            return result;
        if (!stopped(job))
            MakeFromImageFile(job, result);
    } catch (...) {
        result.Thumb = {};
        result.Encoded.clear();
    }
    return result;
}

} // namespace vellora
