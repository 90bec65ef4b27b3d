#include "plugins/SPIBmp.h"

#include "graphics/GraphicClassList.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <cstring>
#include <optional>

namespace vellora {

namespace {

constexpr std::size_t kMacBinaryHeader = 128;
constexpr std::size_t kHeaderBuffer = SPI_HEADER_WINDOW + kMacBinaryHeader;   // 2,176 bytes

const char kCouldNotDecode[] = "Susie Plugins could not decode";

std::uint32_t le32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
           | (std::uint32_t(p[3]) << 24);
}

} // namespace

// ---------------------------------------------------------------- decoding

void TInSPIAbleData::progress(TProgressStage stage, int percent, const QString &message)
{
    FLastPercent = percent;
    if (FOnProgress)
        FOnProgress(stage, percent, message);
}

void TInSPIAbleData::Clear()
{
    FPicture.Clear();
    FPictureInfo = TPictureInfo{};
    FPictureInfoText.clear();
    FHasPictureInfo = false;
    FDecodedBy.clear();
}

bool TInSPIAbleData::Load()
{
    // The last stage is reported however the attempt ends.
    struct Finally {
        TInSPIAbleData *self;
        ~Finally()
        {
            try {
                self->progress(TProgressStage::psEnding, 100, QStringLiteral("Loaded Graphic by Susie Plugin"));
            } catch (...) {
            }
        }
    } finally{this};
    progress(TProgressStage::psStarting, 0, QStringLiteral("Loading Graphic by Susie Plugin"));
    Clear();
    progress(TProgressStage::psRunning, 1, QStringLiteral("Seeking enabled Susie Plugins"));
    const TSPIs *spis = TSPIs::Instance();
    if (!spis)
        return false;
    const std::vector<TInSPI *> candidates = spis->CandidatePlugins(FFileName);
    if (candidates.empty())
        return false;
    std::uint8_t buffer[kHeaderBuffer];
    std::memset(buffer, 0, sizeof buffer);
    ReadHeader(buffer, sizeof buffer);
    for (TInSPI *plugin : candidates) {
        for (std::size_t offset : {std::size_t(0), kMacBinaryHeader}) {
            if (offset && !spis->MacBinary())
                break;
            progress(TProgressStage::psRunning, 1,
                     QStringLiteral("Loading by [%1]").arg(QFileInfo(plugin->FileName()).fileName()));
            const std::span<const std::uint8_t, SPI_HEADER_WINDOW> window(buffer + offset, SPI_HEADER_WINDOW);
            if (tryPlugin(*plugin, static_cast<std::int64_t>(offset), spis->GraphicPreview(), window)) {
                FDecodedBy = plugin->FileName();
                return true;
            }
        }
    }
    return false;
}

bool TInSPIAbleData::tryPlugin(TInSPI &plugin, std::int64_t offset, bool preview,
                               std::span<const std::uint8_t, SPI_HEADER_WINDOW> window)
{
    bool aborted = false;
    const TSpiHost::TProgress onProgress = [this, &aborted](std::int32_t num, std::int32_t denom) {
        if (!FOnProgress)
            return false;
        // A plug-in reporting nothing done of nothing keeps the last value.
        if (denom > 0) {
            const std::int64_t done = std::clamp<std::int64_t>(num, 0, denom);
            FLastPercent = static_cast<int>(2 + (done * 97 * 2 + denom) / (2 * std::int64_t(denom)));
        }
        try {
            FOnProgress(TProgressStage::psRunning, FLastPercent, QString());
        } catch (const EAbort &) {
            aborted = true;
        }
        return aborted;
    };
    try {
        if (!plugin.IsSupported(FFileName, window))
            return false;
        const TSpiSource &source = SourceAt(offset);
        FHasPictureInfo = plugin.GetPictureInfo(source, FPictureInfo, FPictureInfoText) == SPI_SUCCESS;
        if (!FHasPictureInfo) {
            FPictureInfo = TPictureInfo{};
            FPictureInfoText.clear();
        }
        if (preview && plugin.GetPreview(source, onProgress, FPicture) != SPI_SUCCESS)
            FPicture.Clear();
        if (FPicture.Empty() && !aborted && plugin.GetPicture(source, onProgress, FPicture) != SPI_SUCCESS)
            FPicture.Clear();
    } catch (const ESpiHostError &) {
        // The plug-in failed (and was named); the next one may read the file,
        // unless the user stopped the reading.
        FPicture.Clear();
        if (TSpiHost::Instance().Cancelled())
            aborted = true;
    }
    if (aborted) {
        // A cancel stops the whole attempt rather than passing to the next plug-in.
        Clear();
        throw EAbort();
    }
    if (!FPicture.Empty())
        return true;
    Clear();
    return false;
}

std::size_t TInSPIAbleFromFile::ReadHeader(std::uint8_t *dest, std::size_t length)
{
    QFile file(FileName());
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const qint64 n = file.read(reinterpret_cast<char *>(dest), static_cast<qint64>(length));
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

const TSpiSource &TInSPIAbleFromFile::SourceAt(std::int64_t offset)
{
    FSource.emplace(TSpiSource::FromFile(FileName(), offset));
    return *FSource;
}

TInSPIAbleFromStream::TInSPIAbleFromStream(const QByteArray &bytes, const QString &fileName)
    : TInSPIAbleData(fileName), FMemStream(bytes)
{
}

std::size_t TInSPIAbleFromStream::ReadHeader(std::uint8_t *dest, std::size_t length)
{
    const std::size_t n = std::min(length, static_cast<std::size_t>(FMemStream.size()));
    std::memcpy(dest, FMemStream.constData(), n);
    return n;
}

const TSpiSource &TInSPIAbleFromStream::SourceAt(std::int64_t offset)
{
    // One copy for the helper serves every call of this attempt.
    if (!FSource)
        FSource.emplace(TSpiSource::FromMemory(
            {reinterpret_cast<const std::uint8_t *>(FMemStream.constData()), static_cast<std::size_t>(FMemStream.size())}));
    FSource->SetOffset(std::min<std::int64_t>(offset, FMemStream.size()));
    return *FSource;
}

// ---------------------------------------------------------------- TSPIGraphic

void TSPIGraphic::load(std::unique_ptr<TInSPIAbleData> data)
{
    data->SetOnProgress(FOnProgress);
    if (!data->Load())
        throw EInvalidGraphic(std::string(kCouldNotDecode));
    FData = std::move(data);
    DecodeInfo();
}

void TSPIGraphic::LoadFromFile(const QString &fileName)
{
    load(std::make_unique<TInSPIAbleFromFile>(fileName));
}

void TSPIGraphic::LoadFromStream(TStream &stream)
{
    LoadFromStreamWithName(stream, QString());
}

void TSPIGraphic::LoadFromStreamWithName(TStream &stream, const QString &fileName)
{
    LoadFromData(stream.ReadBytes(stream.Remaining()), fileName);
}

void TSPIGraphic::LoadFromData(const QByteArray &data, const QString &fileName)
{
    load(std::make_unique<TInSPIAbleFromStream>(data, fileName));
}

void TSPIGraphic::DecodeInfo()
{
    // The header passed the helper's checks; the used header size counts
    // the header's own size and the bit-field masks, not just 40 bytes.
    const std::span<const std::uint8_t> info = FData->BMInfo();
    const std::uint8_t *p = info.data();
    const std::uint32_t headerSize = le32(p);
    FWidth = static_cast<std::int32_t>(le32(p + 4));
    const std::int32_t height = static_cast<std::int32_t>(le32(p + 8));
    FHeight = height < 0 ? -height : height;
    const int bits = p[14] | (p[15] << 8);
    const std::uint32_t compression = le32(p + 16);
    const std::uint32_t used = le32(p + 32);
    FColorCount = static_cast<int>(used ? used : bits <= 8 ? (1u << bits) : 0);
    const std::size_t masks = compression == 3 && headerSize == 40 ? 12 : 0;
    FInfoSize = info.size();
    FBitsSize = FData->BMBits().size();
    FPalette.clear();
    const std::uint8_t *table = p + headerSize + masks;
    for (int i = 0; i < FColorCount; ++i)
        FPalette << qRgb(table[4 * i + 2], table[4 * i + 1], table[4 * i]);
    FPixelFormatIs4bit = bits == 4;
}

void TSPIGraphic::SaveToStream(TStream &stream) const
{
    stream.WriteBytes(SaveToData());
}

QByteArray TSPIGraphic::SaveToData() const
{
    if (Empty())
        return {};
    const auto file = FData->BMFile();
    return QByteArray(reinterpret_cast<const char *>(file.data()), static_cast<qsizetype>(file.size()));
}

QImage TSPIGraphic::ToImage() const
{
    if (Empty())
        return {};
    return DibToImage(LoadDIB(FData->BMFile(), FData->FileName()));
}

void TSPIGraphic::Draw(QPainter &painter, const QRectF &target) const
{
    if (!Empty())
        painter.drawImage(target, ToImage());
}

namespace {

template <class Load>
TSPIGraphic::TLoadResult createFrom(const Load &loadSpi, const std::function<std::unique_ptr<TGraphic>()> &loadAlt,
                                    bool alternativeFirst)
{
    TSPIGraphic::TLoadResult result;
    const auto trySpi = [&] {
        try {
            result.Spi = loadSpi();
            return true;
        } catch (const EAbort &) {
            throw;
        } catch (const std::exception &) {
            return false;
        }
    };
    const auto tryAlt = [&] {
        try {
            result.Alternative = loadAlt();
            return result.Alternative != nullptr;
        } catch (const std::exception &) {
            return false;
        }
    };
    if (alternativeFirst ? (tryAlt() || trySpi()) : (trySpi() || tryAlt()))
        return result;
    throw EInvalidGraphic(std::string(kCouldNotDecode));
}

} // namespace

TSPIGraphic::TLoadResult TSPIGraphic::CreateFromFile(const QString &fileName, const TGraphicClass *alternativeClass,
                                                     bool alternativeFirst, const TProgressEvent &progress)
{
    return createFrom(
        [&] {
            auto g = std::make_unique<TSPIGraphic>();
            g->SetOnProgress(progress);
            g->LoadFromFile(fileName);
            return g;
        },
        [&]() -> std::unique_ptr<TGraphic> {
            if (!alternativeClass)
                return nullptr;
            std::unique_ptr<TGraphic> g = alternativeClass->Create();
            g->LoadFromFile(fileName);
            return g;
        },
        alternativeFirst);
}

TSPIGraphic::TLoadResult TSPIGraphic::CreateFromStreamWithName(TStream &stream, const QString &fileName,
                                                               const TGraphicClass *alternativeClass,
                                                               bool alternativeFirst, const TProgressEvent &progress)
{
    // Both tries read the same bytes from the stream's position.
    const QByteArray data = stream.ReadBytes(stream.Remaining());
    return createFrom(
        [&] {
            auto g = std::make_unique<TSPIGraphic>();
            g->SetOnProgress(progress);
            g->LoadFromData(data, fileName);
            return g;
        },
        [&]() -> std::unique_ptr<TGraphic> {
            if (!alternativeClass)
                return nullptr;
            std::unique_ptr<TGraphic> g = alternativeClass->Create();
            g->LoadFromData(data);
            return g;
        },
        alternativeFirst);
}

std::unique_ptr<TGraphic> TSPIGraphic::CreateAndAssignToDIBFileReadableGraphic(const TGraphicClass &destClass) const
{
    std::unique_ptr<TGraphic> g = destClass.Create();
    g->LoadFromData(SaveToData());
    return g;
}

std::unique_ptr<TGraphic> TSPIGraphic::CreateAndConvertToDIBFileReadableGraphic(const TGraphicClass &destClass)
{
    std::unique_ptr<TGraphic> g = CreateAndAssignToDIBFileReadableGraphic(destClass);
    FData.reset();
    return g;
}

// ---------------------------------------------------------------- TSPIBitmap

TSPIBitmap::TSPIBitmap() : TGraphic(SPIBitmapClass()) {}

void TSPIBitmap::LoadFromStreamWithName(TStream &stream, const QString &fileName)
{
    const QByteArray data = stream.ReadBytes(stream.Remaining());
    if (fileName.isEmpty())
        LoadFromData(data);
    else
        LoadFromDataWithName(data, fileName);
}

QImage TSPIBitmap::decode(const QByteArray &data)
{
    return decodeNamed(data, QString());
}

QImage TSPIBitmap::decodeNamed(const QByteArray &data, const QString &fileName)
{
    // The decoding's own last stage is not passed on; ours ends the load.
    const TProgressEvent relay = [this](TProgressStage stage, int percent, const QString &message) {
        if (FOnProgress && stage != TProgressStage::psEnding)
            FOnProgress(stage, percent, message);
    };
    std::optional<QImage> image;
    const auto trySpi = [&] {
        TSPIGraphic graphic;
        graphic.SetOnProgress(relay);
        try {
            graphic.LoadFromData(data, fileName);
            image = graphic.ToImage();
        } catch (const EAbort &) {
            throw;
        } catch (const std::exception &) {
        }
        return image.has_value() && !image->isNull();
    };
    const auto tryBitmap = [&] {
        try {
            std::unique_ptr<TGraphic> bitmap = BitmapClass().Create();
            bitmap->LoadFromData(data);
            image = bitmap->Image();
        } catch (const std::exception &) {
        }
        return image.has_value() && !image->isNull();
    };
    const bool bmpFirst = ExtractFileExt(fileName).toUpper() == QLatin1String(".BMP");
    const bool ok = bmpFirst ? (tryBitmap() || trySpi()) : (trySpi() || tryBitmap());
    if (!ok)
        throw EInvalidGraphic(std::string(kCouldNotDecode));
    if (FOnProgress)
        FOnProgress(TProgressStage::psEnding, 100, QStringLiteral("Loaded Graphic"));
    return *image;
}

const TGraphicClass &SPIBitmapClass()
{
    static const TGraphicClass cls{QStringLiteral("Susie Plugin image"), QByteArray("bmp"),
                                   []() -> std::unique_ptr<TGraphic> { return std::make_unique<TSPIBitmap>(); }};
    return cls;
}

bool MayReadThroughPlugin(const QString &fileName)
{
    const TGraphicClass *cls = FindGraphicClass(fileName, false);
    return !cls || cls == &SPIBitmapClass();
}

QImage DibToImage(const TDibImage &dib)
{
    if (dib.Empty())
        return {};
    QImage image;
    const int w = dib.Width;
    const int h = dib.Height;
    if (dib.Bits == 24) {
        image = QImage(w, h, QImage::Format_BGR888);
        for (int y = 0; y < h; ++y)
            std::memcpy(image.scanLine(y), dib.Row(y), static_cast<std::size_t>(w) * 3);
        return image;
    }
    QList<QRgb> palette(dib.Palette.begin(), dib.Palette.end());
    if (dib.Bits == 1) {
        image = QImage(w, h, QImage::Format_Mono);
        palette.resize(2, qRgb(0, 0, 0));
        for (int y = 0; y < h; ++y)
            std::memcpy(image.scanLine(y), dib.Row(y), (static_cast<std::size_t>(w) + 7) / 8);
    } else {
        image = QImage(w, h, QImage::Format_Indexed8);
        palette.resize(256, qRgb(0, 0, 0));
        for (int y = 0; y < h; ++y) {
            const std::uint8_t *src = dib.Row(y);
            uchar *dst = image.scanLine(y);
            if (dib.Bits == 8) {
                std::memcpy(dst, src, static_cast<std::size_t>(w));
            } else {
                for (int x = 0; x < w; ++x)
                    dst[x] = x % 2 ? src[x / 2] & 0x0F : src[x / 2] >> 4;
            }
        }
    }
    image.setColorTable(palette);
    return image;
}

} // namespace vellora
