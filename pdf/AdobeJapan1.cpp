#include "pdf/AdobeJapan1.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace vellora::pdf {

namespace {

struct Range {
    std::uint16_t first;
    std::uint16_t last;
    std::uint16_t cid;
};

constexpr Range kRanges[] = {
#include "pdf/AdobeJapan1Table.inc"
};

} // namespace

int AdobeJapan1CID(char16_t code)
{
    const auto it = std::upper_bound(std::begin(kRanges), std::end(kRanges), code,
                                     [](char16_t c, const Range &r) { return c < r.first; });
    if (it == std::begin(kRanges))
        return -1;
    const Range &r = *std::prev(it);
    return code <= r.last ? r.cid + (code - r.first) : -1;
}

} // namespace vellora::pdf
