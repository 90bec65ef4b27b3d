#include "print/PaperNumbers.h"

#include <QByteArray>
#include <cstdint>
#include <iterator>

namespace vellora {

namespace {

struct PaperName {
    int number;
    const char *media;
};

// The public paper size numbers and the media names they stand for. Sizes
// that exist only as the turned form of another (the "transverse" and
// "rotated" numbers) are left out: the media is the same sheet, and the
// number of its upright form is the one a printer lists.
constexpr PaperName kPapers[] = {
    {1, "na_letter_8.5x11in"},
    {3, "na_ledger_11x17in"},
    {5, "na_legal_8.5x14in"},
    {6, "na_invoice_5.5x8.5in"},
    {7, "na_executive_7.25x10.5in"},
    {8, "iso_a3_297x420mm"},
    {9, "iso_a4_210x297mm"},
    {11, "iso_a5_148x210mm"},
    {12, "jis_b4_257x364mm"},
    {13, "jis_b5_182x257mm"},
    {14, "na_foolscap_8.5x13in"},
    {15, "na_quarto_8.5x10.83in"},
    {16, "na_10x14_10x14in"},
    {19, "na_number-9_3.875x8.875in"},
    {20, "na_number-10_4.125x9.5in"},
    {21, "na_number-11_4.5x10.375in"},
    {22, "na_number-12_4.75x11in"},
    {23, "na_number-14_5x11.5in"},
    {24, "na_c_17x22in"},
    {25, "na_d_22x34in"},
    {26, "na_e_34x44in"},
    {27, "iso_dl_110x220mm"},
    {28, "iso_c5_162x229mm"},
    {29, "iso_c3_324x458mm"},
    {30, "iso_c4_229x324mm"},
    {31, "iso_c6_114x162mm"},
    {32, "iso_c6c5_114x229mm"},
    {33, "iso_b4_250x353mm"},
    {34, "iso_b5_176x250mm"},
    {35, "iso_b6_125x176mm"},
    {36, "om_italian_110x230mm"},
    {37, "na_monarch_3.875x7.5in"},
    {38, "na_personal_3.625x6.5in"},
    {39, "na_fanfold-us_11x14.875in"},
    {40, "na_fanfold-eur_8.5x12in"},
    {43, "jpn_hagaki_100x148mm"},
    {44, "na_9x11_9x11in"},
    {45, "na_10x11_10x11in"},
    {46, "na_10x15_10x15in"},
    {47, "om_invite_220x220mm"},
    {50, "na_letter-extra_9.5x12in"},
    {51, "na_legal-extra_9.5x15in"},
    {52, "na_arch-b_12x18in"},
    {53, "iso_a4-extra_235.5x322.3mm"},
    {57, "na_super-a_8.94x14in"},
    {58, "na_super-b_13x19in"},
    {59, "na_letter-plus_8.5x12.69in"},
    {60, "om_folio_210x330mm"},
    {64, "iso_a5-extra_174x235mm"},
    {65, "iso_b5-extra_201x276mm"},
    {66, "iso_a2_420x594mm"},
    {69, "jpn_oufuku_148x200mm"},
    {70, "iso_a6_105x148mm"},
    {71, "jpn_kaku2_240x332mm"},
    {72, "jpn_kaku3_216x277mm"},
    {73, "jpn_chou3_120x235mm"},
    {74, "jpn_chou4_90x205mm"},
    {88, "jis_b6_128x182mm"},
    {89, "na_index-4x6_4x6in"},
    {90, "na_12x11_12x11in"},
    {91, "jpn_you4_105x235mm"},
    {93, "prc_16k_146x215mm"},
    {94, "prc_32k_97x151mm"},
    {96, "prc_1_102x165mm"},
    {97, "prc_2_102x176mm"},
    {98, "prc_4_110x208mm"},
    {99, "prc_5_110x220mm"},
    {100, "prc_6_120x230mm"},
    {101, "prc_7_160x230mm"},
    {102, "prc_8_120x309mm"},
    {103, "prc_10_324x458mm"},
};

// The numbers given to media outside the table: FNV-1a (32 bit) of the media
// name's UTF-8 bytes, folded into 0x1000..0x7FFF. The range stays clear of
// the public numbers, of 256 (user-defined) and of negative 16-bit values.
constexpr int kOwnFirst = 0x1000;
constexpr int kOwnEnd = 0x8000;

std::uint32_t fnv1a(const QByteArray &bytes)
{
    std::uint32_t h = 2166136261u;
    for (char c : bytes) {
        h ^= static_cast<std::uint8_t>(c);
        h *= 16777619u;
    }
    return h;
}

} // namespace

int paperNumberForMedia(const QString &media)
{
    const QByteArray utf8 = media.toUtf8();
    for (const auto &p : kPapers) {
        if (utf8 == p.media)
            return p.number;
    }
    return kOwnFirst + static_cast<int>(fnv1a(utf8) % static_cast<std::uint32_t>(kOwnEnd - kOwnFirst));
}

QString mediaForPaperNumber(int number)
{
    for (const auto &p : kPapers) {
        if (p.number == number)
            return QString::fromLatin1(p.media);
    }
    return {};
}

QString customMediaName(int widthTenthMM, int lengthTenthMM)
{
    auto mm = [](int tenths) {
        QString s = QString::number(tenths / 10);
        if (tenths % 10 != 0)
            s += QLatin1Char('.') + QString::number(tenths % 10);
        return s;
    };
    const QString size = mm(widthTenthMM) + QLatin1Char('x') + mm(lengthTenthMM) + QLatin1String("mm");
    return QLatin1String("custom_") + size + QLatin1Char('_') + size;
}

int binNumberForSource(const QString &source)
{
    static const struct {
        int number;
        const char *source;
    } kBins[] = {
        {1, "top"}, {2, "bottom"}, {3, "middle"}, {4, "manual"}, {5, "envelope"},
        {7, "auto"}, {11, "large-capacity"}, {14, "main"}, {15, "alternate"},
    };
    for (const auto &b : kBins) {
        if (source == QLatin1String(b.source))
            return b.number;
    }
    return 0;
}

} // namespace vellora
