// Graphic classes: one decoder per image format. A TGraphic holds one image
// loaded from a file, a stream or bytes, reports its size, draws onto a
// QPainter or gives a QImage, and saves itself in its own format (the bytes
// it was loaded from). A TGraphicClass describes a format and makes empty
// graphics of it; the registry (TGraphicClassList) maps extensions to
// classes. Decoding errors throw EGraphicError; file errors IoError.
// Graphics are plain objects usable on any one thread at a time.
#pragma once

#include "settings/Errors.h"
#include "settings/Stream.h"

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QString>
#include <functional>
#include <memory>

class QPainter;

namespace vellora {

class EGraphicError : public Error {
public:
    using Error::Error;
};

class TGraphic;

struct TGraphicClass {
    QString Name;          // e.g. "JPEG image"; used in messages
    QByteArray Format;     // the short format name, e.g. "jpeg", "png"
    std::function<std::unique_ptr<TGraphic>()> Create;
};

class TGraphic {
public:
    explicit TGraphic(const TGraphicClass &graphicClass) : FClass(&graphicClass) {}
    virtual ~TGraphic() = default;
    TGraphic(const TGraphic &) = delete;
    TGraphic &operator=(const TGraphic &) = delete;

    const TGraphicClass &GraphicClass() const noexcept { return *FClass; }

    void LoadFromFile(const QString &path);
    // Reads from the stream's position to its end.
    void LoadFromStream(TStream &stream);
    // Decodes bytes of the class's format; EGraphicError when they are not.
    // Pictures with a colour space of their own are converted to sRGB
    // while ColorManage() is on (graphics/ColorManagement.h).
    void LoadFromData(const QByteArray &data);
    // As LoadFromData, for classes that also go by the name the bytes came
    // from (a plug-in class tries the plug-ins of the extension first).
    void LoadFromDataWithName(const QByteArray &data, const QString &fileName);

    void SaveToFile(const QString &path) const;
    void SaveToStream(TStream &stream) const;
    // The encoded bytes in this class's format.
    QByteArray SaveToData() const;

    bool Empty() const noexcept { return FImage.isNull(); }
    int Width() const noexcept { return FImage.width(); }
    int Height() const noexcept { return FImage.height(); }
    const QImage &Image() const noexcept { return FImage; }
    // Why the colour profile of the last loaded picture was refused (it is
    // then taken as sRGB); empty when there was none or it was used.
    const QString &ColorProblem() const noexcept { return FColorProblem; }
    // Replaces the picture; saving then encodes it in this class's format.
    void SetImage(const QImage &image);

    // Draws the graphic stretched into target.
    void Draw(QPainter &painter, const QRectF &target) const;

protected:
    // Decodes data into an image; throws EGraphicError.
    virtual QImage decode(const QByteArray &data) = 0;
    virtual QImage decodeNamed(const QByteArray &data, const QString &) { return decode(data); }
    virtual QByteArray encode(const QImage &image) const;
    // For a decoder that converts colours itself.
    void setColorProblem(const QString &problem) { FColorProblem = problem; }

private:
    const TGraphicClass *FClass;
    QImage FImage;
    QByteArray FData;   // the encoded form of FImage
    QString FColorProblem;
};

// A format decoded through Qt's image plugins (bmp, png, gif, ico, tiff, ...).
// When no plugin for the format is installed, loading fails with
// "<Name>: unsupported format (no decoder for <format> is installed)".
class TQtImage : public TGraphic {
public:
    using TGraphic::TGraphic;

protected:
    QImage decode(const QByteArray &data) override;
    QByteArray encode(const QImage &image) const override;
};

// The built-in classes.
const TGraphicClass &BitmapClass();
const TGraphicClass &JpegImageClass();
const TGraphicClass &IconClass();
const TGraphicClass &MetafileClass();
const TGraphicClass &EnhMetafileClass();
const TGraphicClass &PngImageClass();
const TGraphicClass &GifImageClass();
const TGraphicClass &TiffImageClass();
const TGraphicClass &PhotoCdClass();
const TGraphicClass &PhotoshopClass();
const TGraphicClass &PaintShopProClass();
const TGraphicClass &WebpImageClass();

// Content sniffing: the class whose signature the bytes start with (a few KB
// of the file's start suffice), or nullptr.
const TGraphicClass *DetectGraphicClass(const QByteArray &head);
const TGraphicClass *DetectGraphicClassOfFile(const QString &path);

// The extension with its leading dot (".JPG"), or empty when the file name has none.
QString ExtractFileExt(const QString &fileName);

} // namespace vellora
