#include "graphics/QvIcon.h"

#include "graphics/IconImageReader.h"
#include "graphics/IconImageWriter.h"
#include "settings/ByteReader.h"

#include <QBuffer>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vellora {

QString QvGraphicErrorText(int id)
{
    switch (id) {
    case 0:
        return QStringLiteral("Graphic Error");
    case 1:
        return QStringLiteral("Indistinct error");
    case 2:
        return QStringLiteral("Uncorresponding format");
    case 3:
        return QStringLiteral("Invalid format");
    case 4:
        return QStringLiteral("Image is empty.");
    case 5:
        return QStringLiteral("Failed Creating Handle.");
    case 6:
        return QStringLiteral("Failed Creating Image.");
    default:
        return QString();
    }
}

EQvGraphic::EQvGraphic(int id)
    : EGraphicError(QStringLiteral("ID:%1 %2").arg(id).arg(QvGraphicErrorText(id))), FLastErrorID(id)
{
}

int IconDepth(int bitCount)
{
    if (bitCount <= 1)
        return 1;
    if (bitCount <= 4)
        return 4;
    if (bitCount <= 8)
        return 8;
    if (bitCount <= 14 || bitCount == 16)
        return 16;
    if (bitCount == 15)
        return 15;
    if (bitCount == 32)
        return 32;
    return 24;
}

namespace {

std::span<const std::uint8_t> bytesOf(const QByteArray &a)
{
    return {reinterpret_cast<const std::uint8_t *>(a.constData()), static_cast<std::size_t>(a.size())};
}

void putU16(QByteArray &out, std::uint32_t v)
{
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}

void setU32(QByteArray &a, qsizetype at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        a[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A reduced image in the QImage format EncodeIconImage expects for depth.
QImage atDepth(const QImage &rgb, int bitCount, int depth)
{
    QImage reduced = ReduceColors(rgb, bitCount);
    if (depth <= 8)
        return reduced;
    const QImage::Format format = depth == 15   ? QImage::Format_RGB555
                                  : depth == 16 ? QImage::Format_RGB16
                                  : depth == 24 ? QImage::Format_RGB888
                                                : QImage::Format_RGB32;
    return reduced.format() == format ? reduced : reduced.convertToFormat(format);
}

QSize iconSizeOf(const TQvIcon *icon)
{
    return icon ? QSize(icon->Width(), icon->Height()) : QSize(32, 32);
}

} // namespace

// ---- TQvIconImage ----

std::unique_ptr<TQvIconImage> TQvIconImage::fromFile(TQvIcon *icon, const QByteArray &file, std::size_t entryOffset)
{
    ByteReader in(file, QStringLiteral("icon file"));
    in.seek(entryOffset);
    const int width = IconSide(in.u8());
    const int height = IconSide(in.u8());
    const std::uint8_t colourCount = in.u8();
    in.skip(5);   // reserved, planes, bit count: the header says
    const std::uint32_t size = in.u32();
    const std::uint32_t offset = in.u32();
    if (!in.has(offset, size))
        throw EQvGraphic(3);
    const TIconLayout layout = IconLayout(bytesOf(file).subspan(offset, size), width, height);

    auto image = std::make_unique<TQvIconImage>(icon);
    image->FWidth = width;
    image->FHeight = height;
    image->FColorCount = colourCount;
    image->FBitCount = static_cast<std::uint16_t>(layout.bits);
    image->FIconMemory = file.mid(static_cast<qsizetype>(entryOffset), kIconEntrySize) + file.mid(offset, size);
    return image;
}

void TQvIconImage::setMemory(QByteArray memory)
{
    FIconMemory = std::move(memory);
    const auto *p = reinterpret_cast<const std::uint8_t *>(FIconMemory.constData());
    FWidth = IconSide(p[0]);
    FHeight = IconSide(p[1]);
    FColorCount = p[2];
    FBitCount = static_cast<std::uint16_t>(p[kIconEntrySize + 14] | (p[kIconEntrySize + 15] << 8));
    FHandle = QImage();
}

void TQvIconImage::Assign(const TQvIconImage &source)
{
    FBitCount = source.FBitCount;
    FColorCount = source.FColorCount;
    FHandle = source.FHandle.copy();
    FWidth = source.FWidth;
    FHeight = source.FHeight;
    FIconMemory = source.FIconMemory;
}

void TQvIconImage::Assign(const QImage &picture)
{
    if (picture.isNull())
        throw EQvGraphic(4);
    const QSize iconSize = iconSizeOf(FIcon);
    const int iconW = iconSize.width();
    const int iconH = iconSize.height();
    if (iconW > kMaxIconSide || iconH > kMaxIconSide)
        throw EQvGraphic(3);

    // Drawn onto black (A) and white (B): B xor A is black where the picture
    // covers and white where it leaves the ground showing.
    QImage a(picture.size(), QImage::Format_RGB888);
    QImage b(picture.size(), QImage::Format_RGB888);
    if (a.isNull() || b.isNull())
        throw EQvGraphic(6);
    a.fill(Qt::black);
    b.fill(Qt::white);
    {
        QPainter pa(&a);
        pa.drawImage(0, 0, picture);
        QPainter pb(&b);
        pb.drawImage(0, 0, picture);
    }
    for (int y = 0; y < b.height(); ++y) {
        const uchar *pa = a.constScanLine(y);
        uchar *pb = b.scanLine(y);
        for (int x = 0; x < 3 * b.width(); ++x)
            pb[x] ^= pa[x];
    }

    double fx = double(iconW) / picture.width();
    double fy = double(iconH) / picture.height();
    switch (FIcon ? FIcon->StretchMode() : TQvIconStretchMode::smAuto) {
    case TQvIconStretchMode::smAuto:
        fx = std::min(fx, 1.0);
        fy = std::min(fy, 1.0);
        break;
    case TQvIconStretchMode::smFit:
        break;
    case TQvIconStretchMode::smProportional:
        fx = fy = std::min({fx, fy, 1.0});
        break;
    }
    const int newW = std::clamp(static_cast<int>(std::lround(picture.width() * fx)), 1, iconW);
    const int newH = std::clamp(static_cast<int>(std::lround(picture.height() * fy)), 1, iconH);
    if (newW != picture.width() || newH != picture.height()) {
        a = StretchBitmap(a, newW, newH);
        b = StretchBitmap(b, newW, newH);
    }
    QImage canvasA(iconW, iconH, QImage::Format_RGB888);
    QImage canvasB(iconW, iconH, QImage::Format_RGB888);
    canvasA.fill(Qt::black);
    canvasB.fill(Qt::white);
    {
        const QPoint at((iconW - newW) / 2, (iconH - newH) / 2);
        QPainter pa(&canvasA);
        pa.drawImage(at, a);
        QPainter pb(&canvasB);
        pb.drawImage(at, b);
    }

    const int bitCount = FIcon ? FIcon->BitCount() : 4;
    const int depth = IconDepth(bitCount);
    const std::size_t pixels = static_cast<std::size_t>(iconW) * static_cast<std::size_t>(iconH);
    std::vector<std::uint8_t> transparent(pixels);
    std::vector<std::uint8_t> alpha(pixels);
    for (int y = 0; y < iconH; ++y) {
        const uchar *pb = canvasB.constScanLine(y);
        for (int x = 0; x < iconW; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(iconW) + x;
            transparent[i] = (pb[3 * x + 2] & 0x80) ? 1 : 0;   // the top bit of blue
            alpha[i] = transparent[i] ? 0 : 255;
        }
    }
    setMemory(EncodeIconImage(atDepth(canvasA, bitCount, depth), depth, transparent, alpha));
}

void TQvIconImage::AssignTo(TGraphic &dest) const
{
    const QImage handle = Handle();
    QImage canvas(handle.size(), QImage::Format_RGB888);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.drawImage(0, 0, handle);
    painter.end();
    dest.SetImage(canvas);
}

QIcon TQvIconImage::ToIcon() const
{
    return QIcon(QPixmap::fromImage(Handle()));
}

QImage TQvIconImage::Handle() const
{
    if (FHandle.isNull() && FIconMemory.size() > static_cast<qsizetype>(kIconEntrySize)) {
        const auto data = bytesOf(FIconMemory).subspan(kIconEntrySize);
        FHandle = DecodeIconImage(data, IconLayout(data, FWidth, FHeight));
    }
    return FHandle;
}

void TQvIconImage::SetHandle(const QImage &image)
{
    if (image.isNull())
        throw EQvGraphic(4);
    if (image.width() > kMaxIconSide || image.height() > kMaxIconSide)
        throw EQvGraphic(3);
    const int depth = FBitCount ? IconDepth(FBitCount) : IconDepth(FIcon ? FIcon->BitCount() : 4);
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const std::size_t pixels = static_cast<std::size_t>(argb.width()) * static_cast<std::size_t>(argb.height());
    std::vector<std::uint8_t> transparent(pixels);
    std::vector<std::uint8_t> alpha(pixels);
    // Below 32 bits only the mask carries transparency: half-covered pixels
    // count as covered, over black as the colour bits of icons are.
    QImage overBlack(argb.size(), QImage::Format_RGB888);
    overBlack.fill(Qt::black);
    {
        QPainter painter(&overBlack);
        painter.drawImage(0, 0, argb);
    }
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(argb.width()) + x;
            alpha[i] = static_cast<std::uint8_t>(qAlpha(row[x]));
            transparent[i] = depth == 32 ? alpha[i] == 0 : alpha[i] < 128;
        }
    }
    const QImage colours = depth == 32 ? argb : atDepth(overBlack, depth, depth);
    setMemory(EncodeIconImage(colours, depth, transparent, alpha));
    FHandle = image.convertToFormat(QImage::Format_ARGB32);
}

// ---- TQvIcon ----

TQvIcon::TQvIcon() : TGraphic(IconClass()) {}

TQvIcon::~TQvIcon() = default;

void TQvIcon::SetBitCount(int bits)
{
    FBitCount = static_cast<std::uint8_t>(std::clamp(bits, 1, 32));
}

void TQvIcon::SetWidth(int width)
{
    if (width >= 1 && width <= 65534)
        FWidth = width;
}

void TQvIcon::SetHeight(int height)
{
    if (height >= 1 && height <= 65534)
        FHeight = height;
}

void TQvIcon::append(std::unique_ptr<TQvIconImage> image)
{
    image->FIcon = this;
    image->FIndex = Count();
    FImages.push_back(std::move(image));
}

void TQvIcon::AddIcon(const TQvIcon &icon)
{
    // A copy first: icon may be this one.
    std::vector<std::unique_ptr<TQvIconImage>> copies;
    for (const auto &source : icon.FImages) {
        auto image = std::make_unique<TQvIconImage>(this);
        image->Assign(*source);
        copies.push_back(std::move(image));
    }
    for (auto &image : copies)
        append(std::move(image));
    changed();
}

void TQvIcon::AddIcon(const QIcon &icon)
{
    QList<QSize> sizes = icon.availableSizes();
    if (sizes.isEmpty())
        sizes.append(QSize(std::min(FWidth, kMaxIconSide), std::min(FHeight, kMaxIconSide)));
    for (const QSize &size : sizes) {
        if (size.width() > kMaxIconSide || size.height() > kMaxIconSide)
            continue;   // an icon file cannot hold them
        const QImage picture = icon.pixmap(size).toImage();
        if (picture.isNull())
            continue;
        auto image = std::make_unique<TQvIconImage>(this);
        image->FBitCount = 32;
        image->SetHandle(picture);
        append(std::move(image));
    }
    changed();
}

void TQvIcon::AddIcon(const QImage &picture)
{
    auto image = std::make_unique<TQvIconImage>(this);
    image->Assign(picture);
    append(std::move(image));
    changed();
}

void TQvIcon::Assign(const TQvIcon &source)
{
    if (&source == this)
        return;
    FImages.clear();
    AddIcon(source);
}

void TQvIcon::Assign(const QIcon &icon)
{
    FImages.clear();
    AddIcon(icon);
}

void TQvIcon::Assign(const QImage &picture)
{
    FImages.clear();
    AddIcon(picture);
}

void TQvIcon::Assign(const TGraphic &graphic)
{
    if (const auto *icon = dynamic_cast<const TQvIcon *>(&graphic)) {
        Assign(*icon);
        return;
    }
    // Every graphic holds its picture, transparency included, which the
    // image-from-bitmap steps turn into the mask.
    if (graphic.Empty())
        throw EQvGraphic(4);
    Assign(graphic.Image());
}

void TQvIcon::Assign(const QMimeData &mime)
{
    const QString format = QString::fromLatin1(kQvIconClipboardFormat);
    // Our own format first: it keeps every image, a picture only one.
    if (mime.hasFormat(format)) {
        LoadFromClipboardFormat(format, mime.data(format));
        return;
    }
    if (mime.hasImage()) {
        Assign(qvariant_cast<QImage>(mime.imageData()));
        return;
    }
    throw EQvGraphic(3);
}

void TQvIcon::AssignTo(QMimeData &mime) const
{
    QString format;
    QByteArray data;
    SaveToClipboardFormat(format, data);
    if (data.isEmpty())
        return;
    mime.setData(format, data);
    mime.setImageData(displayImage());
}

void TQvIcon::AssignTo(TGraphic &dest) const
{
    if (auto *icon = dynamic_cast<TQvIcon *>(&dest)) {
        icon->Assign(*this);
        return;
    }
    int w = FWidth, h = FHeight, bits = FBitCount;
    const int index = NearestIcon(w, h, bits);
    if (index < 0)
        throw EQvGraphic(4);
    Images(index).AssignTo(dest);
}

QIcon TQvIcon::ToIcon() const
{
    QIcon icon;
    for (const auto &image : FImages)
        icon.addPixmap(QPixmap::fromImage(image->Handle()));
    return icon;
}

void TQvIcon::CopyToClipboard() const
{
    auto mime = std::make_unique<QMimeData>();
    AssignTo(*mime);
    QGuiApplication::clipboard()->setMimeData(mime.release());   // the clipboard owns it
}

void TQvIcon::PasteFromClipboard()
{
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    if (!mime)
        throw EQvGraphic(4);
    Assign(*mime);
}

void TQvIcon::ClearImages()
{
    FImages.clear();
    changed();
}

void TQvIcon::Draw(QPainter &painter, const QRectF &target) const
{
    const QPaintDevice *device = painter.device();
    const double ratio = device ? device->devicePixelRatioF() : 1.0;
    const QRectF onDevice = painter.transform().mapRect(target);
    int w = static_cast<int>(std::lround(onDevice.width() * ratio));
    int h = static_cast<int>(std::lround(onDevice.height() * ratio));
    int bits = device ? device->depth() : 32;
    const int index = NearestIcon(w, h, bits);
    if (index < 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, Images(index).Handle());
    painter.restore();
}

void TQvIcon::parse(const QByteArray &data)
{
    ByteReader in(data, QStringLiteral("icon file"));
    if (!in.has(0, 6))
        throw EQvGraphic(3);
    in.skip(2);   // reserved
    if (in.u16() != 1)
        throw EQvGraphic(2);
    const std::size_t count = in.u16();
    if (!in.has(6, count * kIconEntrySize))
        throw EQvGraphic(3);
    std::vector<std::unique_ptr<TQvIconImage>> images;
    for (std::size_t i = 0; i < count; ++i)
        images.push_back(TQvIconImage::fromFile(this, data, 6 + i * kIconEntrySize));
    FImages.clear();
    for (auto &image : images)
        append(std::move(image));
    if (!FImages.empty()) {
        FWidth = FImages.front()->Width();
        FHeight = FImages.front()->Height();
    }
}

void TQvIcon::readWithQt(const QByteArray &data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    reader.setDecideFormatFromContent(false);
    std::vector<std::unique_ptr<TQvIconImage>> images;
    const int count = std::max(reader.imageCount(), 1);
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        const QImage picture = reader.read();
        if (picture.isNull() || picture.width() > kMaxIconSide || picture.height() > kMaxIconSide)
            continue;
        auto image = std::make_unique<TQvIconImage>(this);
        image->FBitCount = 32;
        image->SetHandle(picture);
        images.push_back(std::move(image));
    }
    if (images.empty())
        throw EQvGraphic(3);
    FImages.clear();
    for (auto &image : images)
        append(std::move(image));
    FWidth = FImages.front()->Width();
    FHeight = FImages.front()->Height();
}

void TQvIcon::LoadFromData(const QByteArray &data)
{
    TGraphic::LoadFromData(data);
}

void TQvIcon::LoadFromStream(TStream &stream)
{
    TGraphic::LoadFromStream(stream);
}

QImage TQvIcon::decode(const QByteArray &data)
{
    try {
        try {
            parse(data);
        } catch (const FormatError &) {
            throw EQvGraphic(3);   // the reader checks ahead; this only guards
        }
    } catch (const EQvGraphic &error) {
        if (!FQtFallback)
            throw;
        try {
            readWithQt(data);
        } catch (const EQvGraphic &) {
            throw error;   // our reader's reason, not the fallback's
        }
    }
    return displayImage();
}

void TQvIcon::SaveToStream(TStream &stream) const
{
    stream.WriteBytes(SaveToData());
}

QByteArray TQvIcon::SaveToData() const
{
    QByteArray out;
    putU16(out, 0);
    putU16(out, 1);
    putU16(out, static_cast<std::uint32_t>(FImages.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + kIconEntrySize * FImages.size());
    QByteArray bodies;
    for (const auto &image : FImages) {
        QByteArray memory = image->FIconMemory;
        if (memory.size() < static_cast<qsizetype>(kIconEntrySize))
            throw EQvGraphic(4);
        const std::uint32_t size = static_cast<std::uint32_t>(memory.size() - static_cast<qsizetype>(kIconEntrySize));
        QByteArray entry = memory.left(kIconEntrySize);
        setU32(entry, 8, size);
        setU32(entry, 12, offset);
        out.append(entry);
        bodies.append(memory.constData() + kIconEntrySize, size);
        offset += size;
    }
    return out + bodies;
}

QByteArray TQvIcon::encode(const QImage &) const
{
    return SaveToData();
}

void TQvIcon::SaveToClipboardFormat(QString &format, QByteArray &data) const
{
    if (Empty())
        return;
    format = QString::fromLatin1(kQvIconClipboardFormat);
    data = SaveToData();
}

void TQvIcon::LoadFromClipboardFormat(const QString &format, const QByteArray &data)
{
    if (format != QLatin1String(kQvIconClipboardFormat))
        throw EQvGraphic(3);
    if (data.isEmpty())
        throw EQvGraphic(4);
    LoadFromData(data);
}

int TQvIcon::NearestIcon(int &width, int &height, int &bitCount) const
{
    int best = -1;
    int bestDistance = 0;
    int bestDepth = 0;
    for (std::size_t i = 0; i < FImages.size(); ++i) {
        const TQvIconImage &image = *FImages[i];
        const int distance = std::abs(image.Width() - width) + std::abs(image.Height() - height);
        const int depth = std::abs(image.BitCount() - bitCount);
        if (best < 0 || distance < bestDistance || (distance == bestDistance && depth < bestDepth)) {
            best = static_cast<int>(i);
            bestDistance = distance;
            bestDepth = depth;
        }
    }
    if (best >= 0) {
        width = FImages[static_cast<std::size_t>(best)]->Width();
        height = FImages[static_cast<std::size_t>(best)]->Height();
        bitCount = FImages[static_cast<std::size_t>(best)]->BitCount();
    }
    return best;
}

TPalette TQvIcon::Palette() const
{
    int w = FWidth, h = FHeight, bits = FBitCount;
    const int index = NearestIcon(w, h, bits);
    if (index < 0)
        return {};
    const QByteArray &memory = Images(index).IconMemory();
    const auto data = bytesOf(memory).subspan(kIconEntrySize);
    return IconPalette(data, IconLayout(data, Images(index).Width(), Images(index).Height()));
}

bool TQvIcon::Empty() const noexcept
{
    return std::all_of(FImages.begin(), FImages.end(), [](const auto &image) { return image->Empty(); });
}

void TQvIcon::SetLargestAsPicture(bool on)
{
    FLargestAsPicture = on;
    changed();
}

QImage TQvIcon::displayImage() const
{
    if (FLargestAsPicture) {
        // A picture is scaled to its place afterwards: the most pixels, then
        // the deepest colours, make the best of it.
        int best = -1;
        for (int i = 0; i < Count(); ++i) {
            const TQvIconImage &image = Images(i);
            if (image.Handle().isNull())
                continue;
            if (best < 0)
                best = i;
            const TQvIconImage &b = Images(best);
            const qint64 area = qint64(image.Width()) * image.Height();
            const qint64 bestArea = qint64(b.Width()) * b.Height();
            if (area > bestArea || (area == bestArea && image.BitCount() > b.BitCount()))
                best = i;
        }
        if (best >= 0)
            return Images(best).Handle();
    }
    // The picture a true-colour canvas shows at the icon's own size.
    int w = FWidth, h = FHeight, bits = 32;
    const int index = NearestIcon(w, h, bits);
    return index < 0 ? QImage() : Images(index).Handle();
}

void TQvIcon::changed()
{
    SetImage(displayImage());
}

std::unique_ptr<TGraphic> CreateQvIconGraphic()
{
    auto icon = std::make_unique<TQvIcon>();
    icon->SetQtFallback(true);
    icon->SetLargestAsPicture(true);
    return icon;
}

QString QvIconPictureExtension()
{
    return QStringLiteral("ico");
}

QString QvIconPictureDescription()
{
    return QCoreApplication::translate("vellora", "アイコン");
}

} // namespace vellora
