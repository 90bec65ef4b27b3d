#include "settings/Extended.h"

#include <gtest/gtest.h>
#include <cmath>
#include <limits>

using namespace vellora;

namespace {

struct KnownExtended {
    long double value;
    ExtendedBytes bytes;
};

// Byte images of the x87 format, worked out by hand from its definition.
const KnownExtended kKnown[] = {
    {1.0L, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
    {-2.0L, {0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0}},
    {0.5L, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x3F}},
    {210.0L, {0, 0, 0, 0, 0, 0, 0, 0xD2, 0x06, 0x40}},
    {0.0L, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {25.4L, {0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0xCB, 0x03, 0x40}},
};

} // namespace

TEST(Extended, KnownValuesHaveTheirByteImages)
{
    for (const auto &k : kKnown) {
        EXPECT_EQ(extendedToBytes(k.value), k.bytes) << static_cast<double>(k.value);
        EXPECT_EQ(softExtendedToBytes(k.value), k.bytes) << static_cast<double>(k.value);
        EXPECT_EQ(extendedFromBytes(k.bytes), k.value);
        EXPECT_EQ(softExtendedFromBytes(k.bytes), k.value);
    }
}

TEST(Extended, SoftwareConversionMatchesTheNativeOneBitForBit)
{
    const long double values[] = {
        1.0L / 3.0L, -123456.789L, 1e-4000L, std::numeric_limits<long double>::denorm_min(),
        std::numeric_limits<long double>::max(), -0.0L, 107.5L, 297.0L / 3.0L,
        std::numeric_limits<long double>::infinity(),
    };
    for (long double v : values) {
        const ExtendedBytes soft = softExtendedToBytes(v);
        EXPECT_EQ(soft, extendedToBytes(v)) << static_cast<double>(v);
        const long double back = softExtendedFromBytes(soft);
        EXPECT_EQ(std::signbit(back), std::signbit(v));
        EXPECT_EQ(back, v);
    }
    EXPECT_TRUE(std::isnan(softExtendedFromBytes(softExtendedToBytes(std::nanl("")))));
}
