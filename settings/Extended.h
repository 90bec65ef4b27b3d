// The 10-byte x87 double-extended format that document files store every
// millimetre coordinate in (64-bit mantissa with explicit integer bit, 15-bit
// exponent biased by 16383, sign; little-endian).
//
// In memory a coordinate is a `long double`. Where that is the x87 type the
// bytes are copied; elsewhere they are converted in software, which is also
// always compiled so that it can be tested on every machine.
#pragma once

#include <array>
#include <cstdint>

namespace vellora {

using Extended = long double;
using ExtendedBytes = std::array<std::uint8_t, 10>;

ExtendedBytes extendedToBytes(Extended value);
Extended extendedFromBytes(const ExtendedBytes &bytes);

// Software conversions, independent of the compiler's long double.
ExtendedBytes softExtendedToBytes(Extended value);
Extended softExtendedFromBytes(const ExtendedBytes &bytes);

} // namespace vellora
