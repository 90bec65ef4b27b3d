#include "graphics/GraphicClassList.h"

#include "graphics/QvIcon.h"

#include <mutex>
#include <stdexcept>
#include <string>

namespace vellora {

std::size_t TGraphicClassList::checked(int index, bool allowEnd) const
{
    if (index < 0 || index > Count() || (!allowEnd && index == Count()))
        throw std::out_of_range("TGraphicClassList: list index out of bounds (" + std::to_string(index) + ")");
    return static_cast<std::size_t>(index);
}

const TGraphicClassListItem &TGraphicClassList::Item(int index) const
{
    return FItems[checked(index)];
}

int TGraphicClassList::Add(const QString &extension, const TGraphicClass *graphicClass)
{
    return AddItem(TGraphicClassListItem{extension, graphicClass});
}

int TGraphicClassList::AddItem(const TGraphicClassListItem &item)
{
    FItems.push_back(item);
    return Count() - 1;
}

void TGraphicClassList::Insert(int index, const QString &extension, const TGraphicClass *graphicClass)
{
    InsertItem(index, TGraphicClassListItem{extension, graphicClass});
}

void TGraphicClassList::InsertItem(int index, const TGraphicClassListItem &item)
{
    FItems.insert(FItems.begin() + static_cast<std::ptrdiff_t>(checked(index, true)), item);
}

void TGraphicClassList::Delete(int index)
{
    FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(checked(index)));
}

int TGraphicClassList::IndexOfExtension(const QString &ext) const
{
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        if (FItems[i].Extension.compare(ext, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

int TGraphicClassList::IndexOfClass(const TGraphicClass *graphicClass) const
{
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        if (FItems[i].GraphicClass == graphicClass)
            return static_cast<int>(i);
    }
    return -1;
}

bool TGraphicClassList::sameEntry(const TGraphicClassListItem &a, const TGraphicClassListItem &b)
{
    return a.GraphicClass == b.GraphicClass && a.Extension.compare(b.Extension, Qt::CaseInsensitive) == 0;
}

int TGraphicClassList::indexOfEntry(const TGraphicClassListItem &item) const
{
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        if (sameEntry(FItems[i], item))
            return static_cast<int>(i);
    }
    return -1;
}

void TGraphicClassList::Assign(const TGraphicClassList &listA, TListAssignOp op, const TGraphicClassList *listB)
{
    // Copy the source first: it may be this very list.
    const TGraphicClassList source = listB ? *listB : listA;
    if (listB)
        FItems = listA.FItems;
    const auto inSource = [&source](const TGraphicClassListItem &item) { return source.indexOfEntry(item) >= 0; };
    switch (op) {
    case TListAssignOp::laCopy:
        FItems = source.FItems;
        break;
    case TListAssignOp::laAnd:
        std::erase_if(FItems, [&](const TGraphicClassListItem &item) { return !inSource(item); });
        break;
    case TListAssignOp::laOr:
        for (const auto &item : source.FItems)
            if (indexOfEntry(item) < 0)
                FItems.push_back(item);
        break;
    case TListAssignOp::laXor: {
        std::vector<TGraphicClassListItem> onlyInSource;
        for (const auto &item : source.FItems)
            if (indexOfEntry(item) < 0)
                onlyInSource.push_back(item);
        std::erase_if(FItems, inSource);
        FItems.insert(FItems.end(), onlyInSource.begin(), onlyInSource.end());
        break;
    }
    case TListAssignOp::laSrcUnique:
        std::erase_if(FItems, inSource);
        break;
    case TListAssignOp::laDestUnique: {
        std::vector<TGraphicClassListItem> onlyInSource;
        for (const auto &item : source.FItems)
            if (indexOfEntry(item) < 0)
                onlyInSource.push_back(item);
        FItems = std::move(onlyInSource);
        break;
    }
    }
}

void TGraphicClassList::AddBuiltInFormats()
{
    Add(QStringLiteral(".bmp"), &BitmapClass());
    Add(QStringLiteral(".jpg"), &JpegImageClass());
    Add(QStringLiteral(".jpeg"), &JpegImageClass());
    Add(QStringLiteral(".ico"), &IconClass());
    Add(QStringLiteral(".wmf"), &MetafileClass());
    Add(QStringLiteral(".emf"), &EnhMetafileClass());
    Add(QStringLiteral(".png"), &PngImageClass());
    Add(QStringLiteral(".gif"), &GifImageClass());
}

namespace {

TGraphicClassList *gRegistry = nullptr;

TGraphicClassList &builtInRegistry()
{
    static TGraphicClassList list = [] {
        TGraphicClassList l;
        l.AddBuiltInFormats();
        return l;
    }();
    return list;
}

} // namespace

TGraphicClassList &ImageFormatRegistry()
{
    return gRegistry ? *gRegistry : builtInRegistry();
}

void SetImageFormatRegistry(TGraphicClassList *registry)
{
    gRegistry = registry;
}

const TGraphicClass *FindGraphicClass(const QString &fileName, bool sniffContent)
{
    const TGraphicClassList &registry = ImageFormatRegistry();
    const int index = registry.IndexOfExtension(ExtractFileExt(fileName));
    if (index >= 0)
        return registry.GraphicClass(index);
    return sniffContent ? DetectGraphicClassOfFile(fileName) : nullptr;
}

namespace {

struct PictureFormatRegistry {
    PictureFormatRegistry();
    std::mutex mutex;
    std::vector<TRegisteredPictureFormat> formats;
};

PictureFormatRegistry::PictureFormatRegistry()
{
    const struct {
        const char *ext;
        const char *description;
        const TGraphicClass &(*cls)();
    } builtIn[] = {
        {"jpg", "JPEG Image File", JpegImageClass},     {"jpeg", "JPEG Image File", JpegImageClass},
        {"jpe", "JPEG Image File", JpegImageClass},     {"bmp", "Bitmaps", BitmapClass},
        {"dib", "Bitmaps", BitmapClass},                {"png", "Portable Network Graphics", PngImageClass},
        {"gif", "GIF Image", GifImageClass},
        {"tif", "TIFF Image", TiffImageClass},          {"tiff", "TIFF Image", TiffImageClass},
        {"wmf", "Metafiles", MetafileClass},            {"emf", "Enhanced Metafiles", EnhMetafileClass},
        {"pcd", "Kodak Photo CD", PhotoCdClass},        {"psd", "Photoshop Image", PhotoshopClass},
        {"pdd", "Photoshop Image", PhotoshopClass},     {"psp", "PaintShop Pro Image", PaintShopProClass},
        {"webp", "WebP Image", WebpImageClass},
    };
    for (const auto &f : builtIn)
        formats.push_back({QLatin1String(f.ext), QLatin1String(f.description), &f.cls()});
    // The icon unit registers its own class.
    formats.push_back({QvIconPictureExtension(), QvIconPictureDescription(), &IconClass()});
}

PictureFormatRegistry &pictureFormats()
{
    static PictureFormatRegistry registry;
    return registry;
}

QString normalExtension(const QString &extension)
{
    return (extension.startsWith(QLatin1Char('.')) ? extension.mid(1) : extension).toLower();
}

} // namespace

void RegisterPictureFormat(const QString &extension, const QString &description, const TGraphicClass *graphicClass)
{
    const QString ext = normalExtension(extension);
    if (ext.isEmpty() || !graphicClass)
        return;
    PictureFormatRegistry &r = pictureFormats();
    std::lock_guard lock(r.mutex);
    for (TRegisteredPictureFormat &f : r.formats) {
        if (f.Extension == ext && f.GraphicClass == graphicClass) {
            f.Description = description;
            return;
        }
    }
    r.formats.push_back({ext, description, graphicClass});
}

void UnregisterPictureClass(const TGraphicClass *graphicClass)
{
    PictureFormatRegistry &r = pictureFormats();
    std::lock_guard lock(r.mutex);
    std::erase_if(r.formats, [graphicClass](const TRegisteredPictureFormat &f) { return f.GraphicClass == graphicClass; });
}

std::vector<TRegisteredPictureFormat> PictureFormats()
{
    PictureFormatRegistry &r = pictureFormats();
    std::lock_guard lock(r.mutex);
    return r.formats;
}

const TGraphicClass *PictureClassForExtension(const QString &ext)
{
    if (!ext.startsWith(QLatin1Char('.')))
        return nullptr;
    const QString wanted = normalExtension(ext);
    PictureFormatRegistry &r = pictureFormats();
    std::lock_guard lock(r.mutex);
    for (auto it = r.formats.rbegin(); it != r.formats.rend(); ++it)
        if (it->Extension == wanted)
            return it->GraphicClass;
    return nullptr;
}

std::unique_ptr<TGraphic> LoadGraphicFile(const QString &fileName)
{
    const TGraphicClass *cls = FindGraphicClass(fileName, true);
    if (!cls)
        throw EGraphicError(QStringLiteral("%1: unknown image format").arg(fileName));
    std::unique_ptr<TGraphic> graphic = cls->Create();
    graphic->LoadFromFile(fileName);
    return graphic;
}

} // namespace vellora
