// Pictures through image plug-ins. TInSPIAbleData runs one decoding attempt
// over the candidate plug-ins (TSPIs::CandidatePlugins) for a file or bytes
// in memory; TSPIGraphic holds the bitmap a plug-in gave; TSPIBitmap is the
// graphic class registered with the picture loader for plug-in formats.
// Pixels reach the program only as a checked BMP file image read by LoadDIB.
// Decoding may run on any thread (the helper serializes the calls).
#pragma once

#include "graphics/BmpReader.h"
#include "graphics/GraphicClass.h"
#include "plugins/SPIs.h"

#include <QList>
#include <QRectF>
#include <QRgb>
#include <functional>
#include <memory>
#include <optional>

class QPainter;

namespace vellora {

// No plug-in could decode the source: an unreadable image.
class EInvalidGraphic : public EGraphicError {
public:
    using EGraphicError::EGraphicError;
};

// The silent abort a progress handler raises to cancel.
class EAbort : public Error {
public:
    EAbort() : Error(std::string("Operation aborted")) {}
};

enum class TProgressStage { psStarting, psRunning, psEnding };
// Raise EAbort to cancel.
using TProgressEvent = std::function<void(TProgressStage stage, int percent, const QString &message)>;

// One decoding attempt's source and result.
class TInSPIAbleData {
public:
    virtual ~TInSPIAbleData() = default;

    // Tries the candidate plug-ins; true when one gave a picture. EAbort
    // when the progress handler cancelled.
    bool Load();
    void Clear();
    bool IsEmpty() const noexcept { return FPicture.Empty(); }
    bool PictureInfoIsEmpty() const noexcept { return !FHasPictureInfo; }

    // The header with its colour table, the pixels, the whole BMP file image.
    std::span<const std::uint8_t> BMInfo() const noexcept { return FPicture.Info(); }
    std::span<const std::uint8_t> BMBits() const noexcept { return FPicture.Bits(); }
    std::span<const std::uint8_t> BMFile() const noexcept { return FPicture.Bytes(); }
    const QString &FileName() const noexcept { return FFileName; }
    const TPictureInfo &PictureInfo() const noexcept { return FPictureInfo; }
    const QByteArray &PictureInfoText() const noexcept { return FPictureInfoText; }
    void SetOnProgress(TProgressEvent handler) { FOnProgress = std::move(handler); }
    // The plug-in that gave the picture (its full path).
    const QString &DecodedBy() const noexcept { return FDecodedBy; }

protected:
    explicit TInSPIAbleData(QString fileName) : FFileName(std::move(fileName)) {}
    // The first length bytes of the source (fewer when it is shorter).
    virtual std::size_t ReadHeader(std::uint8_t *dest, std::size_t length) = 0;
    // The source for the plug-in calls, from offset on.
    virtual const TSpiSource &SourceAt(std::int64_t offset) = 0;
    std::optional<TSpiSource> FSource;

private:
    bool tryPlugin(TInSPI &plugin, std::int64_t offset, bool preview,
                   std::span<const std::uint8_t, SPI_HEADER_WINDOW> window);
    void progress(TProgressStage stage, int percent, const QString &message);

    TSpiPicture FPicture;
    QString FFileName;
    TPictureInfo FPictureInfo{};
    QByteArray FPictureInfoText;
    TProgressEvent FOnProgress;
    bool FHasPictureInfo = false;
    int FLastPercent = 1;
    QString FDecodedBy;
};

// A file: plug-ins get its name and the offset (source flag 0).
class TInSPIAbleFromFile : public TInSPIAbleData {
public:
    explicit TInSPIAbleFromFile(const QString &fileName) : TInSPIAbleData(fileName) {}

protected:
    std::size_t ReadHeader(std::uint8_t *dest, std::size_t length) override;
    const TSpiSource &SourceAt(std::int64_t offset) override;
};

// Bytes in memory (source flag 1); the name, when given, orders the candidates.
class TInSPIAbleFromStream : public TInSPIAbleData {
public:
    TInSPIAbleFromStream(const QByteArray &bytes, const QString &fileName = QString());

protected:
    std::size_t ReadHeader(std::uint8_t *dest, std::size_t length) override;
    const TSpiSource &SourceAt(std::int64_t offset) override;

private:
    QByteArray FMemStream;
};

// A picture decoded by a plug-in, held in its BMP file form.
class TSPIGraphic {
public:
    TSPIGraphic() = default;

    void LoadFromFile(const QString &fileName);
    void LoadFromStream(TStream &stream);
    void LoadFromStreamWithName(TStream &stream, const QString &fileName);
    void LoadFromData(const QByteArray &data, const QString &fileName = QString());
    void SetOnProgress(TProgressEvent handler) { FOnProgress = std::move(handler); }

    // A BMP file.
    void SaveToStream(TStream &stream) const;
    QByteArray SaveToData() const;
    void Draw(QPainter &painter, const QRectF &target) const;

    bool Empty() const noexcept { return !FData || FData->IsEmpty(); }
    int Width() const noexcept { return FWidth; }
    int Height() const noexcept { return FHeight; }
    const QList<QRgb> &GetPalette() const noexcept { return FPalette; }
    bool PixelFormatIs4bit() const noexcept { return FPixelFormatIs4bit; }
    int ColorCount() const noexcept { return FColorCount; }
    const TInSPIAbleData *Data() const noexcept { return FData.get(); }
    // The pixels through LoadDIB (indexed for 1 to 8 bits, else RGB).
    QImage ToImage() const;

    struct TLoadResult {
        std::unique_ptr<TSPIGraphic> Spi;          // when the plug-ins won
        std::unique_ptr<TGraphic> Alternative;     // when the alternative class won
    };
    // Tries the plug-ins and the alternative class (nullptr: none) in the
    // order given; EInvalidGraphic "Susie Plugins could not decode" when
    // neither reads the source.
    static TLoadResult CreateFromFile(const QString &fileName, const TGraphicClass *alternativeClass,
                                      bool alternativeFirst, const TProgressEvent &progress = {});
    static TLoadResult CreateFromStreamWithName(TStream &stream, const QString &fileName,
                                                const TGraphicClass *alternativeClass, bool alternativeFirst,
                                                const TProgressEvent &progress = {});
    // A graphic of destClass (one that reads BMP files) with this picture;
    // the Convert form also frees the decoded data.
    std::unique_ptr<TGraphic> CreateAndAssignToDIBFileReadableGraphic(const TGraphicClass &destClass) const;
    std::unique_ptr<TGraphic> CreateAndConvertToDIBFileReadableGraphic(const TGraphicClass &destClass);

private:
    void load(std::unique_ptr<TInSPIAbleData> data);
    void DecodeInfo();

    std::unique_ptr<TInSPIAbleData> FData;
    TProgressEvent FOnProgress;
    int FWidth = 0;
    int FHeight = 0;
    QList<QRgb> FPalette;
    std::size_t FInfoSize = 0;
    std::size_t FBitsSize = 0;
    int FColorCount = 0;
    bool FPixelFormatIs4bit = false;
};

// The graphic class of plug-in formats: ".bmp" files try the bitmap class
// first, everything else the plug-ins first; the other is the second try.
class TSPIBitmap : public TGraphic {
public:
    TSPIBitmap();
    void SetOnProgress(TProgressEvent handler) { FOnProgress = std::move(handler); }
    void LoadFromStreamWithName(TStream &stream, const QString &fileName);

protected:
    QImage decode(const QByteArray &data) override;
    QImage decodeNamed(const QByteArray &data, const QString &fileName) override;

private:
    TProgressEvent FOnProgress;
};

const TGraphicClass &SPIBitmapClass();

// Whether reading the file may call a plug-in: only the built-in decoders
// are known to come back at once.
bool MayReadThroughPlugin(const QString &fileName);

// A BMP file image as LoadDIB reads it, as a QImage.
QImage DibToImage(const TDibImage &dib);

} // namespace vellora
