#include "model/ImageInfos.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_map>
#include <utility>

namespace vellora {

namespace {

// The smallest entry record: log mode, three empty strings, Checked, the
// sizes and times, orientation, and an option record without comment lines.
constexpr std::int64_t kMinEntryBytes = 1 + 2 + 1 + 2 + 2 + 8 + 8 + 8 + 8 + 1 + (4 + 1 + 1 + 1 + 8 + 6);

} // namespace

void TImageInfos::Hook(TImageInfo &info)
{
    info.SetOnOptionLoad([this](void *sender) {
        if (FOnLoadOption)
            FOnLoadOption(this, static_cast<TImageInfo *>(sender));
    });
}

std::unique_ptr<TImageInfo> TImageInfos::NewInfo()
{
    auto info = std::make_unique<TImageInfo>();
    Hook(*info);
    return info;
}

TImageInfo *TImageInfos::Add()
{
    FItems.push_back(NewInfo());
    return FItems.back().get();
}

TImageInfo *TImageInfos::Add(std::unique_ptr<TImageInfo> info)
{
    Hook(*info);
    FItems.push_back(std::move(info));
    return FItems.back().get();
}

TImageInfo *TImageInfos::Insert(int index)
{
    if (index < 0 || index > Count())
        throw std::out_of_range("TImageInfos::Insert: index out of range");
    auto it = FItems.insert(FItems.begin() + index, NewInfo());
    return it->get();
}

TImageInfo *TImageInfos::Insert(int index, std::unique_ptr<TImageInfo> info)
{
    if (index < 0 || index > Count())
        throw std::out_of_range("TImageInfos::Insert: index out of range");
    Hook(*info);
    return FItems.insert(FItems.begin() + index, std::move(info))->get();
}

std::unique_ptr<TImageInfo> TImageInfos::Take(int index)
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("TImageInfos::Take: index out of range");
    std::unique_ptr<TImageInfo> info = std::move(FItems[static_cast<std::size_t>(index)]);
    FItems.erase(FItems.begin() + index);
    return info;
}

void TImageInfos::Delete(int index)
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("TImageInfos::Delete: index out of range");
    FItems.erase(FItems.begin() + index);
}

int TImageInfos::IndexOf(const TImageInfo *info) const
{
    const auto it = std::find_if(FItems.begin(), FItems.end(),
                                 [info](const std::unique_ptr<TImageInfo> &item) { return item.get() == info; });
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TImageInfos::Move(int curIndex, int newIndex)
{
    if (curIndex == newIndex)
        return;
    if (curIndex < 0 || curIndex >= Count() || newIndex < 0 || newIndex >= Count())
        throw std::out_of_range("TImageInfos::Move: index out of range");
    auto item = std::move(FItems[static_cast<std::size_t>(curIndex)]);
    FItems.erase(FItems.begin() + curIndex);
    FItems.insert(FItems.begin() + newIndex, std::move(item));
}

void TImageInfos::Reorder(const std::vector<TImageInfo *> &order)
{
    if (order.size() != FItems.size())
        throw std::invalid_argument("TImageInfos::Reorder: not every entry once");
    std::unordered_map<const TImageInfo *, std::size_t> at;
    at.reserve(FItems.size());
    for (std::size_t i = 0; i < FItems.size(); ++i)
        at.emplace(FItems[i].get(), i);
    std::vector<bool> taken(FItems.size(), false);
    for (const TImageInfo *info : order) {
        const auto found = at.find(info);
        if (found == at.end() || taken[found->second])
            throw std::invalid_argument("TImageInfos::Reorder: not every entry once");
        taken[found->second] = true;
    }
    std::vector<std::unique_ptr<TImageInfo>> items;
    items.reserve(FItems.size());
    for (const TImageInfo *info : order)
        items.push_back(std::move(FItems[at[info]]));
    FItems = std::move(items);
}

int TImageInfos::Remove(TImageInfo *item)
{
    const int index = IndexOf(item);
    if (index >= 0)
        Delete(index);
    return index;
}

void TImageInfos::TakeAll(TImageInfos &source)
{
    if (&source == this)
        return;
    FItems.reserve(FItems.size() + source.FItems.size());
    for (auto &item : source.FItems) {
        Hook(*item);
        FItems.push_back(std::move(item));
    }
    source.FItems.clear();
}

QStringList TImageInfos::SaveToStream(TStream &stream, TStream *backup)
{
    return SaveToStream(stream, [backup](const TImageInfo &) { return backup; });
}

QStringList TImageInfos::SaveToStream(TStream &stream, const std::function<TStream *(const TImageInfo &)> &backupOf)
{
    stream.WriteU8(Ord(FSaveType));
    if (FSaveType == TFileSaveType::fstLayout) {
        stream.WriteI32(0);
        return {};
    }
    stream.WriteI32(Count());
    // Saving moves entries into the new file (log mode and position). If the
    // save fails the old document stays, so the entries must point into it
    // again, or the next save would copy the wrong bytes from it.
    std::vector<std::pair<TImageLogging, std::int64_t>> before;
    before.reserve(FItems.size());
    for (const auto &item : FItems)
        before.emplace_back(item->LogMode(), item->Position());
    QStringList lost;
    try {
        for (const auto &item : FItems) {
            TStream *backup = item->LogMode() == TImageLogging::iloStream ? backupOf(*item) : nullptr;
            if (!item->SaveToStream(stream, backup, FSaveType))
                lost << item->FileName();
        }
    } catch (...) {
        for (std::size_t i = 0; i < FItems.size(); ++i)
            FItems[i]->RestoreStorage(before[i].first, before[i].second);
        throw;
    }
    return lost;
}

void TImageInfos::LoadFromStream(TStream &stream)
{
    FSaveType = DecodeEnum<TFileSaveType>(stream.ReadU8(), "TFileSaveType");
    const std::int32_t count = stream.ReadI32();
    // A count the rest of the stream cannot hold is a damaged file; stop
    // before the main window sizes its progress for it.
    if (count < 0 || count > stream.Remaining() / kMinEntryBytes)
        throw EReadError();
    if (FOnLoadStart)
        FOnLoadStart(this, count);
    for (std::int32_t i = 0; i < count; ++i) {
        TImageInfo *info = Add();
        try {
            info->LoadFromStream(stream);
        } catch (...) {
            Remove(info);   // no half-read entry stays behind
            throw;
        }
        if (info->LogMode() == TImageLogging::iloLink && !info->IsExist()) {
            bool deletion = false;
            if (FOnImageExist)
                FOnImageExist(this, info->FileName(), deletion);
            if (deletion)
                Remove(info);
        }
    }
}

} // namespace vellora
