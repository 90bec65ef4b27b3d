// Fuzz target: the sample plug-in's Netpbm parser, header and samples, with
// the rows written into a block of exactly the size the decoder asked for.
#include "Netpbm.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    netpbm::Header header;
    if (!netpbm::ParseHeader(data, size, header))
        return 0;
    // Keep the fuzzer's memory bounded; the input bounds raw pictures anyway.
    if (std::uint64_t(header.width) * header.height > (std::uint64_t(1) << 22))
        return 0;
    std::vector<std::uint8_t> rows;
    netpbm::Bitmap bitmap;
    int calls = 0;
    netpbm::Decode(
        data, size, header, bitmap,
        [](std::size_t n, void *context) {
            auto *v = static_cast<std::vector<std::uint8_t> *>(context);
            v->resize(n);
            return v->data();
        },
        &rows,
        [](std::uint32_t row, std::uint32_t total, void *context) {
            ++*static_cast<int *>(context);
            return row > total ? 1 : 0;
        },
        &calls);
    return 0;
}
