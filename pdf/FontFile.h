// TrueType/OpenType font data for the PDF writer: the tables of a face
// (fetched from the font engine or cut out of a font file), the metrics and
// code maps read from them, and the subset font program that is embedded.
// Every read goes through ByteReader: broken tables throw FormatError, never
// read past their bytes. Plain data; safe to use from one thread at a time.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

class QRawFont;

namespace vellora::pdf {

// Four-character table tag as a big-endian number ("glyf" = 0x676C7966).
constexpr std::uint32_t fontTag(const char (&t)[5])
{
    return (std::uint32_t(std::uint8_t(t[0])) << 24) | (std::uint32_t(std::uint8_t(t[1])) << 16)
        | (std::uint32_t(std::uint8_t(t[2])) << 8) | std::uint32_t(std::uint8_t(t[3]));
}

// The tables of a face by tag; an absent table is an empty array.
class TFontTableSource {
public:
    virtual ~TFontTableSource() = default;
    virtual QByteArray Table(std::uint32_t tag) const = 0;
};

// The tables of a font file held in memory (a single face: "true",
// 0x00010000 or "OTTO"). Throws FormatError for a damaged directory.
class TSfntFile : public TFontTableSource {
public:
    explicit TSfntFile(QByteArray data);
    QByteArray Table(std::uint32_t tag) const override;
    // Reads a file; null when it cannot be read or is not a font.
    static std::unique_ptr<TSfntFile> FromFile(const QString &path);

private:
    QByteArray FData;
    std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>> FTables;   // offset, length
};

// The tables the font engine returns for a face.
class TRawFontTables : public TFontTableSource {
public:
    explicit TRawFontTables(const QRawFont &font);
    ~TRawFontTables() override;
    QByteArray Table(std::uint32_t tag) const override;

private:
    std::unique_ptr<QRawFont> FFont;
};

// The checksum of a table: the sum of its big-endian 32-bit words, a final
// partial word padded with zero bytes.
std::uint32_t TableChecksum(const QByteArray &data);

// What the PDF writer needs to know about a face, read from its tables.
struct TFontFaceInfo {
    // head
    int unitsPerEm = 1000;
    int indexToLocFormat = 0;
    int xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    // hhea
    int ascender = 0, descender = 0, lineGap = 0, advanceWidthMax = 0;
    // OS/2
    bool hasOS2 = false;
    std::uint16_t fsType = 0;
    std::uint32_t codePageRange1 = 0;
    int winAscent = 0, winDescent = 0;
    int capHeight = 0, xHeight = 0, avgCharWidth = 0;
    int familyClass = 0;
    // post
    double italicAngle = 0;
    bool fixedPitch = false;
    // name: the English family name
    QString familyName;
    // maxp
    int numGlyphs = 0;
    // TrueType outlines (glyf and loca)
    bool hasGlyf = false;
    // The Unicode subtable of platform 3, encoding 1, format 4 was found.
    bool hasUnicodeFormat4 = false;

    std::vector<std::uint16_t> advances;                 // per glyph, font units
    std::vector<std::pair<std::uint16_t, std::uint16_t>> bmp;   // (code, glyph) of format 4, by code
    struct Group {
        char32_t first, last;
        std::uint32_t glyph;   // of `first`
    };
    std::vector<Group> supplementary;                    // code points above U+FFFF (format 12), ascending

    // Shift_JIS (JIS/Japan) is among the face's code pages.
    bool NotAnsi() const noexcept { return codePageRange1 & (1u << 17); }
    // fsType: restricted licence (2) and bitmap-only (0x0200) forbid embedding outlines.
    bool MayEmbed() const noexcept { return (fsType & 0x000F) != 2 && !(fsType & 0x0200); }
    // fsType 0x0100: the face may only be embedded whole.
    bool NoSubsetting() const noexcept { return fsType & 0x0100; }

    std::uint16_t GlyphFor(char32_t code) const;          // 0 when not mapped
    int Advance(std::uint16_t glyph) const;               // font units
    // value × 1000 / unitsPerEm, rounded.
    int Scale(double value) const;
};

// Reads the face's tables. A face without glyf or without head or hmtx still
// gives what it has; damaged tables throw FormatError.
TFontFaceInfo ReadFontFace(const TFontTableSource &source);

// A TrueType font program holding glyph 0, the glyphs in `used` and the
// components of composite glyphs among them; every other glyph keeps its
// number with no outline. `whole` keeps every glyph. Tables OS/2, cvt, fpgm,
// glyf, head, hhea, hmtx, loca, maxp, post, prep (those present), 4-byte
// aligned, with their checksums and head's checkSumAdjustment. Throws
// FormatError when the face has no usable TrueType outlines.
QByteArray BuildFontSubset(const TFontTableSource &source, const std::set<std::uint16_t> &used, bool whole = false);

} // namespace vellora::pdf
