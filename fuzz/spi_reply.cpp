// Fuzz target: the program's readers of the plug-in helper's replies and the
// check of the bitmap a plug-in returns. The first byte picks the reader.
#include "plugins/SpiHost.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::span<const std::uint8_t> payload(data + 1, size - 1);
    switch (data[0] % 4) {
    case 0: {
        vellora::TPluginDescription d;
        vellora::DecodeLoadedReply(payload, d);
        break;
    }
    case 1: {
        std::int32_t result = 0;
        TPictureInfo info;
        QByteArray text;
        vellora::DecodePictureInfoReply(payload, result, info, text);
        break;
    }
    case 2: {
        std::int32_t result = 0;
        std::uint64_t infoSize = 0, bitsSize = 0, bitsOffset = 0;
        vellora::DecodePictureReply(payload, result, infoSize, bitsSize, bitsOffset);
        break;
    }
    default: {
        // A header and the claimed size of its pixel block.
        if (payload.size() < 8)
            break;
        std::uint64_t bitsSize = 0;
        for (int i = 0; i < 8; ++i)
            bitsSize |= std::uint64_t(payload[static_cast<std::size_t>(i)]) << (8 * i);
        vellora::CheckPluginDib(payload.subspan(8), bitsSize);
        break;
    }
    }
    return 0;
}
