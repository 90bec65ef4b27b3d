#include "pdf/Encoders.h"
#include "pdf/Filters.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <zlib.h>

using namespace vellora;
using namespace vellora::pdf;

namespace {

template <class S>
QByteArray encode(const QByteArray &input)
{
    QByteArray out;
    ByteArraySink sink(out);
    S encoder(sink);
    encoder.write(input);
    encoder.finish();
    return out;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(static_cast<char>(v));
    return b;
}

} // namespace

TEST(ASCII85, KnownGroups)
{
    struct Case {
        QByteArray input;
        QByteArray expected;
    };
    const Case cases[] = {
        {bytes({0, 0, 0, 0}), "z~>"},
        {bytes({0}), "!!~>"},
        {bytes({0, 0}), "!!!~>"},
        {QByteArray("Man "), "9jqo^~>"},
        {QByteArray("Man"), "9jqo~>"},
        {bytes({0, 0, 0, 0, 0, 0, 0, 0}), "zz~>"},
        {bytes({0xFF, 0xFF, 0xFF, 0xFF}), "s8W-!~>"},
        {QByteArray(), "~>"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(encode<ASCII85Sink>(c.input), c.expected) << c.input.toHex().toStdString();
}

TEST(ASCII85, BreaksLinesOnlyWhenMoreDataFollows)
{
    // 20 groups of five characters fill a line of exactly 100.
    const QByteArray full(80, 'x');
    const QByteArray exact = encode<ASCII85Sink>(full);
    EXPECT_FALSE(exact.contains("\r\n"));
    EXPECT_EQ(exact.size(), 102);

    const QByteArray more = encode<ASCII85Sink>(full + "x");
    ASSERT_EQ(more.indexOf("\r\n"), 100);
    EXPECT_EQ(more.mid(102), encode<ASCII85Sink>("x"));
}

TEST(RunLength, EdgeCases)
{
    struct Case {
        const char *name;
        QByteArray input;
        QByteArray expected;
    };
    QByteArray distinct128, distinct129;
    for (int i = 0; i < 129; ++i)
        (i < 128 ? distinct128 : distinct129).append(static_cast<char>(i));
    distinct129.prepend(distinct128);
    const Case cases[] = {
        {"empty", QByteArray(), bytes({0x80})},
        {"single", "A", bytes({0x00, 'A', 0x80})},
        {"repeat then literal", "AAAB", bytes({0xFE, 0x41, 0x00, 0x42, 0x80})},
        {"literal then repeat", "ABB", bytes({0x00, 'A', 0xFF, 'B', 0x80})},
        {"literal", "ABC", bytes({0x02, 'A', 'B', 'C', 0x80})},
        {"repeat of 128", QByteArray(128, 'A'), bytes({0x81, 'A', 0x80})},
        {"repeat of 129", QByteArray(129, 'A'), bytes({0x81, 'A', 0x00, 'A', 0x80})},
        {"repeat of 130", QByteArray(130, 'A'), bytes({0x81, 'A', 0xFF, 'A', 0x80})},
        {"literal of 128", distinct128, bytes({0x7F}) + distinct128 + bytes({0x80})},
        {"literal of 129", distinct129, bytes({0x7F}) + distinct128 + bytes({0x00, 0x80, 0x80})},
    };
    for (const Case &c : cases)
        EXPECT_EQ(encode<RunLengthSink>(c.input).toHex(' ').toStdString(), c.expected.toHex(' ').toStdString())
            << c.name;
}

TEST(Flate, RoundTripsThroughZlibAcrossBlocks)
{
    QByteArray input;
    auto *rng = QRandomGenerator::global();
    for (int i = 0; i < 100000; ++i)
        input.append(static_cast<char>(rng->bounded(4) + 'a'));   // several 32 KiB blocks
    const QByteArray packed = encode<FlateSink>(input);
    ASSERT_GE(packed.size(), 2);
    EXPECT_EQ(static_cast<unsigned char>(packed[0]), 0x78);      // zlib header
    EXPECT_EQ(static_cast<unsigned char>(packed[1]), 0xDA);      // ... at the best compression

    QByteArray unpacked(input.size(), Qt::Uninitialized);
    uLongf length = static_cast<uLongf>(unpacked.size());
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef *>(unpacked.data()), &length,
                         reinterpret_cast<const Bytef *>(packed.constData()), static_cast<uLong>(packed.size())),
              Z_OK);
    EXPECT_EQ(length, static_cast<uLongf>(input.size()));
    EXPECT_EQ(unpacked, input);
}

TEST(Filters, TextNamesOnlyEnabledFiltersInListOrder)
{
    struct Case {
        std::vector<TPDFFilter> list;
        const char *text;
    };
    using F = TPDFFilter;
    const Case cases[] = {
        {{}, "[]"},
        {{F::pfiFlateDecode}, "[/FlateDecode]"},
        {{F::pfiASCIIHexDecode}, "[]"},
        {{F::pfiLZWDecode, F::pfiFlateDecode}, "[/FlateDecode]"},
        {{F::pfiASCII85Decode, F::pfiRunLengthDecode, F::pfiFlateDecode},
         "[/ASCII85Decode /RunLengthDecode /FlateDecode]"},
        {{F::pfiFlateDecode, F::pfiFlateDecode}, "[/FlateDecode]"},
    };
    for (const Case &c : cases) {
        TPDFFilters filters;
        for (F f : c.list)
            filters.Add(f);
        EXPECT_EQ(filters.Text().toStdString(), c.text);
    }
}

TEST(Filters, ListOperations)
{
    using F = TPDFFilter;
    TPDFFilters filters;
    EXPECT_EQ(filters.Add(F::pfiFlateDecode), 0);
    EXPECT_EQ(filters.Add(F::pfiASCII85Decode), 1);
    EXPECT_EQ(filters.Add(F::pfiFlateDecode), 0);   // already there
    filters.Insert(0, F::pfiRunLengthDecode);
    EXPECT_EQ(filters.Text().toStdString(), "[/RunLengthDecode /FlateDecode /ASCII85Decode]");
    filters.Move(2, 0);
    EXPECT_EQ(filters.Text().toStdString(), "[/ASCII85Decode /RunLengthDecode /FlateDecode]");
    filters.Remove(F::pfiRunLengthDecode);
    EXPECT_EQ(filters.IndexOf(F::pfiRunLengthDecode), -1);
    EXPECT_THROW(filters.Delete(5), std::out_of_range);

    TPDFFilters copy;
    TPDFFilterSet none;
    copy.SetEnabledFilters(none);
    copy.Assign(filters);
    EXPECT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.Text().toStdString(), "[]");   // the enabled set is not copied
}

TEST(FilterChain, EncodesSoThatListOrderDecodes)
{
    using F = TPDFFilter;
    TPDFFilters filters;
    filters.Add(F::pfiASCII85Decode);
    filters.Add(F::pfiRunLengthDecode);
    QByteArray out;
    ByteArraySink sink(out);
    FilterChain chain(filters, sink);
    chain.input().write("AAAB");
    chain.input().finish();
    // A reader applies ASCII85Decode first, then RunLengthDecode.
    EXPECT_EQ(out, encode<ASCII85Sink>(bytes({0xFE, 0x41, 0x00, 0x42, 0x80})));
}
