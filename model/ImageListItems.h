// The ordered items of the image-list view as the model sees them: each item
// has a check mark and the print-list entry it shows (not owned). The paper
// reaches the list through this; the list view keeps it in step with what it
// shows (or derives from it). Lives on the UI thread.
#pragma once

#include <stdexcept>
#include <vector>

namespace vellora {

class TImageInfo;

class TImageListItems {
public:
    struct Item {
        bool Checked = false;
        TImageInfo *Data = nullptr;
    };

    virtual ~TImageListItems() = default;

    virtual int Count() const { return static_cast<int>(FItems.size()); }
    virtual bool Checked(int index) const { return at(index).Checked; }
    virtual void SetChecked(int index, bool checked) { at(index).Checked = checked; }
    virtual TImageInfo *Data(int index) const { return at(index).Data; }

    void Add(TImageInfo *data, bool checked = false) { FItems.push_back({checked, data}); }
    void Clear() { FItems.clear(); }

private:
    const Item &at(int index) const { return FItems.at(static_cast<std::size_t>(index)); }
    Item &at(int index) { return FItems.at(static_cast<std::size_t>(index)); }

    std::vector<Item> FItems;
};

} // namespace vellora
