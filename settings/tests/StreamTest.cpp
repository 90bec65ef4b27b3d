#include "settings/ByteReader.h"
#include "settings/Stream.h"

#include <gtest/gtest.h>

using namespace vellora;

TEST(Stream, TypedValuesRoundTripLittleEndian)
{
    TMemoryStream s;
    s.WriteU8(0xAB);
    s.WriteU16(0x1234);
    s.WriteI32(-2);
    s.WriteDouble(1.5);
    s.WriteExtended(107.5L);
    s.WriteBool(true);
    EXPECT_EQ(s.Size(), 1 + 2 + 4 + 8 + 10 + 1);
    EXPECT_EQ(s.Data().mid(1, 2), QByteArray("\x34\x12", 2));

    s.SetPosition(0);
    EXPECT_EQ(s.ReadU8(), 0xAB);
    EXPECT_EQ(s.ReadU16(), 0x1234);
    EXPECT_EQ(s.ReadI32(), -2);
    EXPECT_EQ(s.ReadDouble(), 1.5);
    EXPECT_EQ(s.ReadExtended(), 107.5L);
    EXPECT_TRUE(s.ReadBool());
    EXPECT_THROW(s.ReadU8(), EReadError);
}

TEST(Stream, ShortReadsThrowAndHugeCountsDoNotAllocate)
{
    TMemoryStream s(QByteArray("\x01\x02\x03", 3));
    EXPECT_THROW(s.ReadU32(), EReadError);
    s.SetPosition(0);
    EXPECT_THROW(s.ReadBytes(std::int64_t(1) << 40), EReadError);
    try {
        s.ReadBytes(4);
        FAIL() << "no error";
    } catch (const EReadError &e) {
        EXPECT_STREQ(e.what(), "Stream read error");
    }
}

TEST(ByteReader, EndianAndBoundsAreChecked)
{
    const QByteArray data("\x12\x34\x56\x78", 4);
    ByteReader le(data, QStringLiteral("sample"));
    EXPECT_EQ(le.u32(), 0x78563412u);
    ByteReader be(data, QStringLiteral("sample"), Endian::Big);
    EXPECT_EQ(be.u16(), 0x1234);
    EXPECT_EQ(be.u16(), 0x5678);
    try {
        be.u8();
        FAIL() << "no error";
    } catch (const FormatError &e) {
        EXPECT_EQ(e.offset(), 4);
        EXPECT_EQ(e.message(), QStringLiteral("sample (offset 4): 1 bytes needed, 0 left"));
    }
    EXPECT_THROW(be.seek(5), FormatError);
    EXPECT_FALSE(be.has(2, std::size_t(-1)));
    EXPECT_THROW(checkedMultiply(std::size_t(1) << 40, std::size_t(1) << 40, std::size_t(-1), QStringLiteral("x")),
                 FormatError);
}
