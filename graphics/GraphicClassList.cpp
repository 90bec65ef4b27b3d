#include "graphics/GraphicClassList.h"

#include "graphics/QvIcon.h"

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

// Units that register their own classes with the picture loader: the icon
// unit, for "ico" with the description "アイコン".
const TGraphicClass *selfRegisteredPictureClass(const QString &ext)
{
    if (ext.compare(QLatin1Char('.') + QvIconPictureExtension(), Qt::CaseInsensitive) == 0)
        return &IconClass();
    return nullptr;
}

} // namespace

const TGraphicClass *PictureClassForExtension(const QString &ext)
{
    if (const TGraphicClass *cls = selfRegisteredPictureClass(ext))
        return cls;
    const struct {
        const char *ext;
        const TGraphicClass &(*cls)();
    } formats[] = {
        {".jpg", JpegImageClass},   {".jpeg", JpegImageClass},  {".jpe", JpegImageClass},
        {".bmp", BitmapClass},      {".dib", BitmapClass},      {".png", PngImageClass},
        {".gif", GifImageClass},    {".ico", IconClass},        {".tif", TiffImageClass},
        {".tiff", TiffImageClass},  {".wmf", MetafileClass},    {".emf", EnhMetafileClass},
        {".pcd", PhotoCdClass},     {".psd", PhotoshopClass},   {".pdd", PhotoshopClass},
        {".psp", PaintShopProClass}, {".webp", WebpImageClass},
    };
    for (const auto &f : formats)
        if (ext.compare(QLatin1String(f.ext), Qt::CaseInsensitive) == 0)
            return &f.cls();
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
