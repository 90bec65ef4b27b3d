#include "model/Areas.h"

namespace vellora {

TCustomArea *TAreas::Add(std::unique_ptr<TCustomArea> area)
{
    FItems.push_back(std::move(area));
    return FItems.back().get();
}

void TAreas::Assign(const TAreas &source)
{
    if (&source == this)
        return;
    FItems.clear();
    for (const auto &area : source.FItems)
        FItems.push_back(area->Clone());
}

} // namespace vellora
