// The item and the item collection of the image-list view.
#include "imagelist/ImageListView.h"
#include "imagelist/ImageListViewPrivate.h"

#include <QFileInfo>
#include <QItemSelectionModel>
#include <stdexcept>

namespace vellora {

namespace {

std::uint32_t nextId(std::uint32_t id)
{
    return id == 0xFFFFFFFEu ? 0 : id + 1;
}

} // namespace

// --- TImageListItem -----------------------------------------------------------

int TImageListItem::Index() const
{
    return FView->Items().IndexOf(this);
}

void TImageListItem::SetCaption(const QString &value)
{
    if (FCaption == value)
        return;
    FCaption = value;
    Update();
}

void TImageListItem::SetSubItems(const QStringList &value)
{
    FSubItems = value;
    Update();
}

void TImageListItem::AddSubItem(const QString &value)
{
    FSubItems.append(value);
    Update();
}

void TImageListItem::SetSubItem(int index, const QString &value)
{
    if (index < 0)
        throw std::out_of_range("sub-item index");
    while (static_cast<int>(FSubItems.size()) <= index)
        FSubItems.append(QString());
    FSubItems[index] = value;
    Update();
}

void TImageListItem::SetChecked(bool value)
{
    if (FChecked == value)
        return;
    FChecked = value;
    FView->Items().checkedChanged(value);
    Update();
    if (FView->OnItemChecked)
        FView->OnItemChecked(*FView, *this);
}

bool TImageListItem::Selected() const
{
    const int row = Index();
    return row >= 0 && FView->SelectionModel()->isSelected(FView->Model()->index(row, 0));
}

void TImageListItem::SetSelected(bool value)
{
    const int row = Index();
    if (row < 0)
        return;
    FView->SelectionModel()->select(FView->Model()->index(row, 0),
                                    (value ? QItemSelectionModel::Select : QItemSelectionModel::Deselect)
                                        | QItemSelectionModel::Rows);
}

bool TImageListItem::Focused() const
{
    return FView->ItemFocused() == this;
}

void TImageListItem::SetFocused(bool value)
{
    if (value)
        FView->SetItemFocused(this);
    else if (Focused())
        FView->SetItemFocused(nullptr);
}

void TImageListItem::SetImageIndex(int value)
{
    FImageIndex = value;
    Update();
}

void TImageListItem::SetAbsoluteName(const QString &value)
{
    FView->Items().pathChanging(this, value);
    FAbsoluteName = value;
    FImageSize = {};
    if (Index() >= 0)
        FView->itemKeyChanged(*this);
}

QString TImageListItem::FilePath() const
{
    const qsizetype slash = FAbsoluteName.lastIndexOf(u'/');
    return slash < 0 ? QString() : FAbsoluteName.left(slash + 1);
}

QString TImageListItem::ImageFileName() const
{
    return FAbsoluteName.mid(FAbsoluteName.lastIndexOf(u'/') + 1);
}

int TImageListItem::ImageWidth()
{
    if (FImageSize.cx == 0 || FImageSize.cy == 0)
        FImageSize = ReadImageSize(FAbsoluteName,
                                   FindGraphicClass(FAbsoluteName, false));
    return FImageSize.cx;
}

int TImageListItem::ImageHeight()
{
    ImageWidth();
    return FImageSize.cy;
}

bool TImageListItem::IsImage() const
{
    return FView->IsImage(this);
}

void TImageListItem::Assign(const TImageListItem &source)
{
    if (&source == this)
        return;
    FCaption = source.FCaption;
    FSubItems = source.FSubItems;
    if (FChecked != source.FChecked)
        FView->Items().checkedChanged(source.FChecked);
    FChecked = source.FChecked;
    FData = source.FData;
    FImageIndex = source.FImageIndex;
    FView->Items().pathChanging(this, source.FAbsoluteName);
    FAbsoluteName = source.FAbsoluteName;
    FHash = source.FHash;
    FImageSize = source.FImageSize;
    FImagePos = source.FImagePos;
    FReserve = source.FReserve;
    FMemThumb = source.FMemThumb;
    const std::uint32_t id = FView->Items().freeId(source.FItemID, this);
    FView->Items().idChanging(this, id);
    FItemID = id;
    Update();
}

void TImageListItem::Update()
{
    const int row = Index();
    if (row >= 0)
        FView->Model()->rowChanged(row);
}

void TImageListItem::MakeVisible(bool partialOK)
{
    FView->MakeVisible(this, partialOK);
}

void TImageListItem::Delete()
{
    FView->Delete(this);
}

// --- TImageListItems ----------------------------------------------------------

namespace imagelist {

TImageListItems::~TImageListItems() = default;

TImageListItem *TImageListItems::Item(int index) const
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("image list item index");
    return FItems[static_cast<std::size_t>(index)].get();
}

std::uint32_t TImageListItems::freeId(std::uint32_t from, const TImageListItem *except) const
{
    std::uint32_t id = from;
    // A full list of 2^32 items cannot exist, so this ends.
    for (;;) {
        const auto it = FById.find(id);
        if (it == FById.end() || it->second == except)
            return id;
        id = nextId(id);
    }
}

TImageListItem *TImageListItems::itemByHandle(std::uint64_t handle) const
{
    const auto it = FByHandle.find(handle);
    return it == FByHandle.end() ? nullptr : it->second;
}

std::vector<TImageListItem *> TImageListItems::itemsOfPath(const QString &path) const
{
    std::vector<TImageListItem *> found;
    const auto [first, last] = FByPath.equal_range(path);
    for (auto it = first; it != last; ++it)
        found.push_back(it->second);
    return found;
}

void TImageListItems::registerItem(TImageListItem *item)
{
    FLive.insert(item);
    FByHandle[item->FHandle] = item;
    FById[item->FItemID] = item;
    FByPath.emplace(item->FAbsoluteName, item);
    if (item->FChecked)
        ++FCheckedCount;
}

void TImageListItems::unregisterItem(TImageListItem *item)
{
    FLive.erase(item);
    FByHandle.erase(item->FHandle);
    if (const auto it = FById.find(item->FItemID); it != FById.end() && it->second == item)
        FById.erase(it);
    erasePath(item);
    if (item->FChecked)
        --FCheckedCount;
}

void TImageListItems::erasePath(TImageListItem *item)
{
    const auto [first, last] = FByPath.equal_range(item->FAbsoluteName);
    for (auto it = first; it != last; ++it)
        if (it->second == item) {
            FByPath.erase(it);
            return;
        }
}

void TImageListItems::pathChanging(TImageListItem *item, const QString &newPath)
{
    if (!FLive.count(item))
        return;
    erasePath(item);
    FByPath.emplace(newPath, item);
}

void TImageListItems::idChanging(TImageListItem *item, std::uint32_t newId)
{
    if (!FLive.count(item))
        return;
    if (const auto it = FById.find(item->FItemID); it != FById.end() && it->second == item)
        FById.erase(it);
    FById[newId] = item;
}

int TImageListItems::sortedIndex(TImageListItem &item) const
{
    // Upper bound: equal items keep their order of arrival.
    int lo = 0;
    int hi = Count();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (FView->compareItems(item, *FItems[static_cast<std::size_t>(mid)]) < 0)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

TImageListItem *TImageListItems::AddItem(std::unique_ptr<TImageListItem> item, int Index)
{
    if (Index < -1 || Index > Count())
        throw std::out_of_range("image list insert index");
    const bool fresh = item->FItemID == 0 && item->FHandle == 0;
    item->FItemID = freeId(fresh ? FMaxID : item->FItemID, nullptr);
    FMaxID = nextId(item->FItemID);
    item->FHandle = FView->FNextHandle++;
    // The caption is known before the sort looks at the item.
    item->FCaption = item->ImageFileName();
    if (Index == -1) {
        const TSortType sort = FView->SortType();
        const bool byData = (sort == TSortType::stData || sort == TSortType::stBoth) && FView->OnCompare;
        const bool byText = sort == TSortType::stText || sort == TSortType::stBoth;
        Index = byData || byText ? sortedIndex(*item) : Count();
    }
    TImageListItem *raw = item.get();
    const std::uint64_t handle = raw->FHandle;
    FView->Model()->beginInsert(Index);
    FItems.insert(FItems.begin() + Index, std::move(item));
    registerItem(raw);
    if (Index == Count() - 1 && FIndexedBelow == Index) {
        raw->FIndex = Index;
        FIndexedBelow = Count();
    } else {
        orderChangedFrom(Index);
    }
    FView->Model()->endInsert();
    FView->itemKeyChanged(*raw);
    // The handlers may delete the item: look it up by its handle.
    if (FView->OnInsert && itemByHandle(handle))
        FView->OnInsert(*FView, *raw);
    return itemByHandle(handle);
}

TImageListItem *TImageListItems::Add(const QString &FileName)
{
    return Insert(-1, FileName);
}

TImageListItem *TImageListItems::Insert(int Index, const QString &FileName)
{
    std::unique_ptr<TImageListItem> item(new TImageListItem(FView));
    item->FAbsoluteName = FileName;
    return AddItem(std::move(item), Index);
}

void TImageListItems::Delete(int Index)
{
    TImageListItem *item = Item(Index);
    if (item->FDeleting)
        return;
    item->FDeleting = true;
    FView->itemRemoved(*item);
    // The handler may have changed the list.
    Index = IndexOf(item);
    if (Index < 0)
        return;
    FView->Model()->beginRemove(Index);
    std::unique_ptr<TImageListItem> owned = std::move(FItems[static_cast<std::size_t>(Index)]);
    FItems.erase(FItems.begin() + Index);
    unregisterItem(owned.get());
    orderChangedFrom(Index);
    FView->Model()->endRemove();
    if (FItems.empty())
        FMaxID = 0;
}

void TImageListItems::Clear()
{
    BeginUpdate();
    for (int i = Count() - 1; i >= 0; --i)
        if (i < Count())
            Delete(i);
    FMaxID = 0;
    EndUpdate();
}

void TImageListItems::Exchange(int Index1, int Index2)
{
    Item(Index1);
    Item(Index2);
    if (Index1 == Index2)
        return;
    std::vector<int> order(static_cast<std::size_t>(Count()));
    for (int i = 0; i < Count(); ++i)
        order[static_cast<std::size_t>(i)] = i;
    std::swap(order[static_cast<std::size_t>(Index1)], order[static_cast<std::size_t>(Index2)]);
    FView->Model()->reorder(order, FItems);
}

void TImageListItems::Move(int CurIndex, int NewIndex)
{
    Item(CurIndex);
    if (NewIndex < 0 || NewIndex > Count())
        throw std::out_of_range("image list move index");
    if (NewIndex == CurIndex || NewIndex == CurIndex + 1)
        return;
    FView->Model()->beginMove(CurIndex, NewIndex);
    std::unique_ptr<TImageListItem> item = std::move(FItems[static_cast<std::size_t>(CurIndex)]);
    FItems.erase(FItems.begin() + CurIndex);
    FItems.insert(FItems.begin() + (NewIndex > CurIndex ? NewIndex - 1 : NewIndex), std::move(item));
    orderChangedFrom(std::min(CurIndex, NewIndex));
    FView->Model()->endMove();
}

int TImageListItems::IndexOf(const TImageListItem *item) const
{
    // Only a live item may be looked at: callers hold on to deleted ones.
    if (!item || !FLive.count(item))
        return -1;
    if (item->FIndex < 0 || item->FIndex >= FIndexedBelow) {
        for (int i = FIndexedBelow; i < Count(); ++i)
            FItems[static_cast<std::size_t>(i)]->FIndex = i;
        FIndexedBelow = Count();
    }
    return item->FIndex;
}

TImageListItem *TImageListItems::ItemById(std::uint32_t ID) const
{
    const auto it = FById.find(ID);
    return it == FById.end() ? nullptr : it->second;
}

void TImageListItems::Assign(const TImageListItems &source)
{
    if (&source == this)
        return;
    BeginUpdate();
    Clear();
    for (const auto &from : source.FItems) {
        std::unique_ptr<TImageListItem> item(new TImageListItem(FView));
        item->FAbsoluteName = from->FAbsoluteName;
        item->FItemID = from->FItemID;
        item->FCaption = from->FCaption;
        item->FSubItems = from->FSubItems;
        item->FChecked = from->FChecked;
        item->FData = from->FData;
        item->FImageIndex = from->FImageIndex;
        AddItem(std::move(item), Count());
    }
    EndUpdate();
}

void TImageListItems::BeginUpdate()
{
    FView->BeginUpdate();
}

void TImageListItems::EndUpdate()
{
    FView->EndUpdate();
}

} // namespace imagelist

} // namespace vellora
