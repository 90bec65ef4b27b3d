#include "graphics/GraphicClass.h"

#include "graphics/ColorManagement.h"
#include "graphics/JpegImage.h"
#include "graphics/QvIcon.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <cerrno>

namespace vellora {

void TGraphic::LoadFromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw IoError(path, errno, QStringLiteral("cannot open the image file"));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw IoError(path, errno, QStringLiteral("cannot read the image file"));
    LoadFromDataWithName(data, path);
}

void TGraphic::LoadFromStream(TStream &stream)
{
    LoadFromData(stream.ReadBytes(stream.Remaining()));
}

void TGraphic::LoadFromData(const QByteArray &data)
{
    LoadFromDataWithName(data, QString());
}

void TGraphic::LoadFromDataWithName(const QByteArray &data, const QString &fileName)
{
    FColorProblem.clear();
    QImage image = fileName.isEmpty() ? decode(data) : decodeNamed(data, fileName);
    if (image.isNull())
        throw EGraphicError(QStringLiteral("%1: the data holds no image").arg(FClass->Name));
    QString problem;
    FImage = ColorManagedImage(std::move(image), &problem);
    if (!problem.isEmpty())
        FColorProblem = problem;
    FData = data;
}

void TGraphic::SaveToFile(const QString &path) const
{
    TFileStream stream(path, TFileStream::Mode::Create);
    SaveToStream(stream);
}

void TGraphic::SaveToStream(TStream &stream) const
{
    stream.WriteBytes(SaveToData());
}

QByteArray TGraphic::SaveToData() const
{
    if (!FData.isEmpty() || FImage.isNull())
        return FData;
    return encode(FImage);
}

void TGraphic::SetImage(const QImage &image)
{
    FImage = image;
    FData.clear();
}

void TGraphic::Draw(QPainter &painter, const QRectF &target) const
{
    if (!FImage.isNull())
        painter.drawImage(target, FImage);
}

QByteArray TGraphic::encode(const QImage &image) const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, FClass->Format);
    if (!writer.write(image))
        throw EGraphicError(QStringLiteral("%1: cannot save (%2)").arg(FClass->Name, writer.errorString()));
    return bytes;
}

QImage TQtImage::decode(const QByteArray &data)
{
    const QByteArray format = GraphicClass().Format;
    if (!QImageReader::supportedImageFormats().contains(format))
        throw EGraphicError(QStringLiteral("%1: unsupported format (no decoder for %2 is installed)")
                                .arg(GraphicClass().Name, QString::fromLatin1(format)));
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    reader.setAutoDetectImageFormat(false);
    QImage image;
    if (!reader.read(&image))
        throw EGraphicError(QStringLiteral("%1: cannot decode (%2)").arg(GraphicClass().Name, reader.errorString()));
    return image;
}

QByteArray TQtImage::encode(const QImage &image) const
{
    if (!QImageWriter::supportedImageFormats().contains(GraphicClass().Format))
        throw EGraphicError(QStringLiteral("%1: unsupported format for saving").arg(GraphicClass().Name));
    return TGraphic::encode(image);
}

namespace {

std::unique_ptr<TGraphic> qtGraphic(const TGraphicClass &cls)
{
    return std::make_unique<TQtImage>(cls);
}

} // namespace

// Each class is one object for the whole program; registries point to it.
const TGraphicClass &BitmapClass()
{
    static const TGraphicClass cls{QStringLiteral("Bitmap"), QByteArray("bmp"), [] { return qtGraphic(cls); }};
    return cls;
}

const TGraphicClass &IconClass()
{
    // Icons are read by the icon unit's own class (Qt's reader is its fallback).
    static const TGraphicClass cls{QStringLiteral("Icon"), QByteArray("ico"), [] { return CreateQvIconGraphic(); }};
    return cls;
}

const TGraphicClass &MetafileClass()
{
    static const TGraphicClass cls{QStringLiteral("Windows metafile"), QByteArray("wmf"), [] { return qtGraphic(cls); }};
    return cls;
}

const TGraphicClass &EnhMetafileClass()
{
    static const TGraphicClass cls{QStringLiteral("Enhanced metafile"), QByteArray("emf"), [] { return qtGraphic(cls); }};
    return cls;
}

const TGraphicClass &PngImageClass()
{
    static const TGraphicClass cls{QStringLiteral("PNG image"), QByteArray("png"), [] { return qtGraphic(cls); }};
    return cls;
}

const TGraphicClass &GifImageClass()
{
    static const TGraphicClass cls{QStringLiteral("GIF image"), QByteArray("gif"), [] { return qtGraphic(cls); }};
    return cls;
}

const TGraphicClass &TiffImageClass()
{
    static const TGraphicClass cls{QStringLiteral("TIFF image"), QByteArray("tiff"), [] { return qtGraphic(cls); }};
    return cls;
}

const TGraphicClass &PhotoCdClass()
{
    static const TGraphicClass cls{QStringLiteral("Kodak Photo CD image"), QByteArray("pcd"), [] { return qtGraphic(cls); }};
    return cls;
}

const TGraphicClass &PhotoshopClass()
{
    static const TGraphicClass cls{QStringLiteral("Photoshop image"), QByteArray("psd"), [] { return qtGraphic(cls); }};
    return cls;
}

const TGraphicClass &PaintShopProClass()
{
    static const TGraphicClass cls{QStringLiteral("PaintShop Pro image"), QByteArray("psp"), [] { return qtGraphic(cls); }};
    return cls;
}

const TGraphicClass &WebpImageClass()
{
    static const TGraphicClass cls{QStringLiteral("WebP image"), QByteArray("webp"), [] { return qtGraphic(cls); }};
    return cls;
}

const TGraphicClass &JpegImageClass()
{
    static const TGraphicClass cls{QStringLiteral("JPEG image"), QByteArray("jpeg"),
                                   []() -> std::unique_ptr<TGraphic> { return std::make_unique<TJpegImage>(); }};
    return cls;
}

const TGraphicClass *DetectGraphicClass(const QByteArray &head)
{
    const auto at = [&head](qsizetype offset, const QByteArray &signature) {
        return head.size() >= offset + signature.size() && head.mid(offset, signature.size()) == signature;
    };
    if (at(0, QByteArray("\xFF\xD8\xFF", 3)))
        return &JpegImageClass();
    if (at(0, QByteArray("\x89PNG\r\n\x1A\n", 8)))
        return &PngImageClass();
    if (at(0, "GIF87a") || at(0, "GIF89a"))
        return &GifImageClass();
    if (at(0, "II*" + QByteArray(1, '\0')) || at(0, "MM" + QByteArray(1, '\0') + "*"))
        return &TiffImageClass();
    if (at(0, "RIFF") && at(8, "WEBP"))
        return &WebpImageClass();
    if (at(0, "8BPS"))
        return &PhotoshopClass();
    if (at(0, "Paint Shop Pro Image File"))
        return &PaintShopProClass();
    if (at(0, QByteArray("\x01\0\0\0", 4)) && at(40, " EMF"))
        return &EnhMetafileClass();
    if (at(0, QByteArray("\xD7\xCD\xC6\x9A", 4)) || at(0, QByteArray("\x01\0\x09\0\0\x03", 6))
        || at(0, QByteArray("\x02\0\x09\0\0\x03", 6)))
        return &MetafileClass();
    if (at(0, QByteArray("\0\0\x01\0", 4)) && head.size() >= 6 && (head[4] != 0 || head[5] != 0))
        return &IconClass();
    if (at(0, "BM") && head.size() >= 14)
        return &BitmapClass();
    if (at(0x800, "PCD_IPI"))
        return &PhotoCdClass();
    return nullptr;
}

const TGraphicClass *DetectGraphicClassOfFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    return DetectGraphicClass(file.read(4096));
}

QString ExtractFileExt(const QString &fileName)
{
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > slash ? fileName.mid(dot) : QString();
}

} // namespace vellora
