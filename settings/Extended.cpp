#include "settings/Extended.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

namespace vellora {

namespace {
constexpr bool kNativeX87 = LDBL_MANT_DIG == 64 && LDBL_MAX_EXP == 16384;
constexpr int kBias = 16383;
} // namespace

ExtendedBytes softExtendedToBytes(Extended value)
{
    ExtendedBytes out{};
    const bool negative = std::signbit(value);
    std::uint64_t mantissa = 0;
    int biased = 0;
    if (std::isnan(value)) {
        biased = 0x7FFF;
        mantissa = 0xC000000000000000ull;
    } else if (std::isinf(value)) {
        biased = 0x7FFF;
        mantissa = 0x8000000000000000ull;
    } else if (value != 0) {
        int exponent = 0;
        const Extended fraction = std::frexp(std::fabs(value), &exponent); // [0.5, 1)
        // fraction * 2^64 has at most 64 significant bits, so this is exact.
        mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
        biased = exponent - 1 + kBias;
        if (biased <= 0) {
            // Denormal: the exponent field is 0 and means 2^(1 - bias).
            const int shift = 1 - biased;
            mantissa = shift >= 64 ? 0 : mantissa >> shift;
            biased = 0;
        } else if (biased >= 0x7FFF) {
            biased = 0x7FFF;
            mantissa = 0x8000000000000000ull;
        }
    }
    for (int i = 0; i < 8; ++i)
        out[static_cast<size_t>(i)] = static_cast<std::uint8_t>(mantissa >> (8 * i));
    const unsigned top = static_cast<unsigned>(biased) | (negative ? 0x8000u : 0u);
    out[8] = static_cast<std::uint8_t>(top & 0xFF);
    out[9] = static_cast<std::uint8_t>(top >> 8);
    return out;
}

Extended softExtendedFromBytes(const ExtendedBytes &bytes)
{
    std::uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i)
        mantissa = (mantissa << 8) | bytes[static_cast<size_t>(i)];
    const unsigned top = bytes[8] | (static_cast<unsigned>(bytes[9]) << 8);
    const bool negative = (top & 0x8000u) != 0;
    const int biased = static_cast<int>(top & 0x7FFFu);
    Extended value;
    if (biased == 0x7FFF) {
        value = (mantissa << 1) == 0 ? std::numeric_limits<Extended>::infinity()
                                     : std::numeric_limits<Extended>::quiet_NaN();
    } else {
        const int exponent = (biased == 0 ? 1 : biased) - kBias - 63;
        value = std::ldexp(static_cast<Extended>(mantissa), exponent);
    }
    return negative ? -value : value;
}

ExtendedBytes extendedToBytes(Extended value)
{
    if constexpr (kNativeX87) {
        ExtendedBytes out;
        std::memcpy(out.data(), &value, out.size());
        return out;
    } else {
        return softExtendedToBytes(value);
    }
}

Extended extendedFromBytes(const ExtendedBytes &bytes)
{
    if constexpr (kNativeX87) {
        Extended value = 0;
        std::memcpy(&value, bytes.data(), bytes.size());
        return value;
    } else {
        return softExtendedFromBytes(bytes);
    }
}

} // namespace vellora
