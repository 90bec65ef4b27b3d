// The print list as saved with a document: an owning, ordered list of
// TImageInfo entries, the save type, and the events through which loading
// reports to the main window. Lives on the UI thread. Loading throws
// EReadError when the stream ends early or a count cannot fit in it.
#pragma once

#include "model/ImageInfo.h"
#include "model/Types.h"
#include "settings/Stream.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace vellora {

class TImageInfos {
public:
    TImageInfos() = default;
    TImageInfos(const TImageInfos &) = delete;
    TImageInfos &operator=(const TImageInfos &) = delete;

    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    TImageInfo *Items(int index) const { return FItems.at(static_cast<std::size_t>(index)).get(); }
    TImageInfo *operator[](int index) const { return Items(index); }

    TFileSaveType SaveType() const noexcept { return FSaveType; }
    void SetSaveType(TFileSaveType type) { FSaveType = type; }

    void SetOnImageExist(TImageExistEvent handler) { FOnImageExist = std::move(handler); }
    void SetOnLoadOption(TImageSortEvent handler) { FOnLoadOption = std::move(handler); }
    void SetOnLoadStart(TLoadStartEvent handler) { FOnLoadStart = std::move(handler); }

    // New entries whose option loads are reported through OnLoadOption.
    TImageInfo *Add();
    TImageInfo *Insert(int index);   // index 0..Count
    // Appends an entry made elsewhere (filled on another thread, say).
    TImageInfo *Add(std::unique_ptr<TImageInfo> info);
    // Puts back an entry taken with Take (undo keeps entries alive that way).
    TImageInfo *Insert(int index, std::unique_ptr<TImageInfo> info);   // index 0..Count
    // Removes the entry without freeing it.
    std::unique_ptr<TImageInfo> Take(int index);
    void Clear() { FItems.clear(); }
    void Delete(int index);
    int IndexOf(const TImageInfo *info) const;   // -1 when not in the list
    void Move(int curIndex, int newIndex);
    // Removes and frees the entry; returns its former index or -1.
    int Remove(TImageInfo *item);
    // Moves every entry of source to the end of this list, in order; their
    // option loads are then reported through this list's OnLoadOption.
    void TakeAll(TImageInfos &source);
    // Puts the entries in the given order in one step. The order must hold
    // every entry exactly once; otherwise std::invalid_argument and the list
    // is unchanged.
    void Reorder(const std::vector<TImageInfo *> &order);

    // Save type, count (0 for fstLayout) and, unless fstLayout, every entry
    // saved with the save type as its mode. The file names of the entries
    // whose image records had to be written without image data come back.
    QStringList SaveToStream(TStream &stream, TStream *backup);
    // The same with each embedded entry's records copied from the stream
    // backupOf gives for it (null: none).
    QStringList SaveToStream(TStream &stream, const std::function<TStream *(const TImageInfo &)> &backupOf);
    // Appends the stored entries; fires OnLoadStart with the count, and
    // OnImageExist for each linked entry whose file is missing.
    void LoadFromStream(TStream &stream);

private:
    std::unique_ptr<TImageInfo> NewInfo();
    // Reports the entry's option loads through OnLoadOption.
    void Hook(TImageInfo &info);

    std::vector<std::unique_ptr<TImageInfo>> FItems;
    TImageExistEvent FOnImageExist;
    TImageSortEvent FOnLoadOption;
    TLoadStartEvent FOnLoadStart;
    TFileSaveType FSaveType = TFileSaveType::fstLayout;
};

} // namespace vellora
