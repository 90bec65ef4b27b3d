// One undoable edit of the print list. A step keeps only what the edit
// changed; applying it swaps that with the list's present state, so the same
// call undoes and redoes. Entries taken out of the list live on in the step
// that took them (the list's other steps refer to them by address). UI thread.
#pragma once

#include "model/ImageInfo.h"
#include "model/Types.h"

#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

namespace vellora {

struct TListStep {
    enum class Kind : std::uint8_t { Checks, Options, Order, Entries };

    struct Entry {
        TImageInfo *Info = nullptr;
        std::unique_ptr<TImageInfo> Owned;   // set while the entry is out of the list
        int ListIndex = 0;
        int RecordIndex = 0;
        bool Checked = false;
        bool Selected = false;
        QStringList Texts;   // the entry's column texts, so they need not be made again
    };

    explicit TListStep(Kind kind) : Kind_(kind) {}

    Kind Kind_;
    // Checks: each entry and its other check mark.
    std::vector<std::pair<TImageInfo *, bool>> Checks;
    // Options: each entry and its other options (copies, placement, comment).
    std::vector<std::pair<TImageInfo *, std::unique_ptr<TPhotoOption>>> Options;
    // Order: the other list order.
    std::vector<TImageInfo *> Order;
    // Entries: added or removed entries; Present tells which way it goes next.
    std::vector<Entry> Entries;
    bool Present = true;
};

} // namespace vellora
