#include "settings/Codepage.h"

#include <gtest/gtest.h>

using namespace vellora;

TEST(Codepage, JapaneseTextRoundTripsThroughBothLegacyEncodings)
{
    const QString text = QStringLiteral("写真=ｶﾒﾗ ABC");
    // Bytes as iconv -f UTF-8 -t CP932 / ISO-2022-JP gives them.
    EXPECT_EQ(EncodeCp932(text), QByteArray("\x8e\xca\x90\x5e=\xb6\xd2\xd7 ABC"));
    EXPECT_EQ(DecodeCp932(EncodeCp932(text)), text);
    EXPECT_EQ(EncodeIso2022Jp(QStringLiteral("日本")), QByteArray("\x1b$BF|K\\\x1b(B"));
    EXPECT_EQ(DecodeIso2022Jp(QByteArray("\x1b$BF|K\\\x1b(B")), QStringLiteral("日本"));
    EXPECT_EQ(DecodeCp932(QByteArray()), QString());
}

TEST(Codepage, DamagedInputAndUnencodableTextAreReplacedNotDropped)
{
    // A lead byte with a bad trail byte, a byte never valid, and a lead byte cut off at the end.
    EXPECT_EQ(DecodeCp932(QByteArray("a\x81\x20" "b\xff" "c\x82", 7)),
              QStringLiteral("a\uFFFD b\uFFFDc\uFFFD"));

    const QString mixed = QStringLiteral("日本😀語");
    QByteArray exact;
    EXPECT_FALSE(EncodeCharsetExact(mixed, "CP932", exact));
    EXPECT_TRUE(EncodeCharsetExact(QStringLiteral("日本語"), "CP932", exact));
    EXPECT_EQ(exact, QByteArray("\x93\xfa\x96\x7b\x8c\xea"));
    EXPECT_EQ(DecodeCp932(EncodeCp932(mixed)), QStringLiteral("日本?語"));
    // The '?' stands outside the double-byte mode of ISO-2022-JP.
    EXPECT_EQ(DecodeIso2022Jp(EncodeIso2022Jp(mixed)), QStringLiteral("日本?語"));
}
