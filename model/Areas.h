// Free areas: text and picture areas placed on the paper or inside a photo
// area. TAreas owns them in drawing order.
#pragma once

#include <memory>
#include <vector>

namespace vellora {

// Base of the free areas; each kind copies itself with Clone.
class TCustomArea {
public:
    virtual ~TCustomArea() = default;
    virtual std::unique_ptr<TCustomArea> Clone() const = 0;
};

class TAreas {
public:
    // parent: the paper or the photo area that owns the list.
    explicit TAreas(void *parent = nullptr) : FParent(parent) {}
    TAreas(const TAreas &) = delete;
    TAreas &operator=(const TAreas &) = delete;

    void *Parent() const noexcept { return FParent; }
    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    TCustomArea *Items(int index) const { return FItems.at(static_cast<size_t>(index)).get(); }
    TCustomArea *Add(std::unique_ptr<TCustomArea> area);
    void Clear() { FItems.clear(); }
    // Cleared, then one new area of the same kind per source area, each copied.
    void Assign(const TAreas &source);

private:
    void *FParent = nullptr;
    std::vector<std::unique_ptr<TCustomArea>> FItems;
};

} // namespace vellora
