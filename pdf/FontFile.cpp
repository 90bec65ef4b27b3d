#include "pdf/FontFile.h"

#include "settings/ByteReader.h"
#include "settings/Errors.h"

#include <QFile>
#include <QRawFont>
#include <algorithm>
#include <cmath>

namespace vellora::pdf {

namespace {

std::string tagText(std::uint32_t tag)
{
    return {char(tag >> 24), char((tag >> 16) & 0xFF), char((tag >> 8) & 0xFF), char(tag & 0xFF)};
}

void putU16(QByteArray &out, std::size_t at, std::uint32_t v)
{
    out[qsizetype(at)] = char((v >> 8) & 0xFF);
    out[qsizetype(at + 1)] = char(v & 0xFF);
}

void putU32(QByteArray &out, std::size_t at, std::uint32_t v)
{
    putU16(out, at, v >> 16);
    putU16(out, at + 2, v & 0xFFFF);
}

void appendU16(QByteArray &out, std::uint32_t v)
{
    out.append(char((v >> 8) & 0xFF));
    out.append(char(v & 0xFF));
}

void appendU32(QByteArray &out, std::uint32_t v)
{
    appendU16(out, v >> 16);
    appendU16(out, v & 0xFFFF);
}

void pad4(QByteArray &out)
{
    while (out.size() % 4)
        out.append('\0');
}

} // namespace

// --- sources

TSfntFile::TSfntFile(QByteArray data) : FData(std::move(data))
{
    ByteReader r(FData, QStringLiteral("font file"), Endian::Big);
    const std::uint32_t version = r.u32();
    if (version != 0x00010000 && version != fontTag("true") && version != fontTag("OTTO"))
        r.fail(QStringLiteral("not a TrueType or OpenType font"));
    const std::uint16_t count = r.u16();
    r.skip(6);
    for (int i = 0; i < count; ++i) {
        const std::uint32_t tag = r.u32();
        r.skip(4);
        const std::uint32_t offset = r.u32();
        const std::uint32_t length = r.u32();
        if (!r.has(offset, length))
            r.fail(QStringLiteral("table %1 lies outside the file").arg(QString::fromStdString(tagText(tag))));
        FTables.emplace(tag, std::make_pair(offset, length));
    }
}

QByteArray TSfntFile::Table(std::uint32_t tag) const
{
    const auto it = FTables.find(tag);
    if (it == FTables.end())
        return QByteArray();
    return FData.mid(qsizetype(it->second.first), qsizetype(it->second.second));
}

std::unique_ptr<TSfntFile> TSfntFile::FromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    try {
        return std::make_unique<TSfntFile>(file.readAll());
    } catch (const FormatError &) {
        return nullptr;
    }
}

TRawFontTables::TRawFontTables(const QRawFont &font) : FFont(std::make_unique<QRawFont>(font)) {}

TRawFontTables::~TRawFontTables() = default;

QByteArray TRawFontTables::Table(std::uint32_t tag) const
{
    return FFont->fontTable(tagText(tag).c_str());
}

std::uint32_t TableChecksum(const QByteArray &data)
{
    std::uint32_t sum = 0;
    const auto *p = reinterpret_cast<const std::uint8_t *>(data.constData());
    const std::size_t n = static_cast<std::size_t>(data.size());
    for (std::size_t i = 0; i < n; i += 4) {
        std::uint32_t word = 0;
        for (std::size_t k = 0; k < 4; ++k)
            word = (word << 8) | (i + k < n ? p[i + k] : 0u);
        sum += word;
    }
    return sum;
}

// --- face data

std::uint16_t TFontFaceInfo::GlyphFor(char32_t code) const
{
    if (code <= 0xFFFF) {
        const auto it = std::lower_bound(bmp.begin(), bmp.end(), std::make_pair(std::uint16_t(code), std::uint16_t(0)));
        return it != bmp.end() && it->first == code ? it->second : 0;
    }
    const auto it = std::upper_bound(supplementary.begin(), supplementary.end(), code,
                                     [](char32_t c, const Group &g) { return c < g.first; });
    if (it == supplementary.begin())
        return 0;
    const Group &g = *std::prev(it);
    if (code > g.last)
        return 0;
    const std::uint32_t glyph = g.glyph + (code - g.first);
    return glyph < std::uint32_t(numGlyphs) ? std::uint16_t(glyph) : 0;
}

int TFontFaceInfo::Advance(std::uint16_t glyph) const
{
    if (advances.empty())
        return unitsPerEm / 2;
    return advances[std::min<std::size_t>(glyph, advances.size() - 1)];
}

int TFontFaceInfo::Scale(double value) const
{
    return static_cast<int>(std::lround(value * 1000.0 / unitsPerEm));
}

namespace {

void readCmapFormat4(ByteReader &r, std::size_t start, TFontFaceInfo &info)
{
    r.seek(start);
    r.skip(6);   // format, length, language
    const std::uint16_t segCountX2 = r.u16();
    const std::size_t segCount = segCountX2 / 2;
    r.skip(6);
    const std::size_t ends = r.pos();
    const std::size_t starts = ends + segCountX2 + 2;
    const std::size_t deltas = starts + segCountX2;
    const std::size_t rangeOffsets = deltas + segCountX2;
    if (!r.has(ends, std::size_t(segCountX2) * 4 + 2))
        r.fail(QStringLiteral("cmap segments past the end"));
    std::vector<std::uint16_t> glyphOf(0x10000, 0);
    std::uint32_t next = 0;   // segments ascend; overlapping codes are taken once
    for (std::size_t i = 0; i < segCount; ++i) {
        r.seek(ends + 2 * i);
        const std::uint32_t end = r.u16();
        r.seek(starts + 2 * i);
        const std::uint32_t first = r.u16();
        r.seek(deltas + 2 * i);
        const std::uint16_t delta = r.u16();
        const std::size_t rangeAt = rangeOffsets + 2 * i;
        r.seek(rangeAt);
        const std::uint16_t rangeOffset = r.u16();
        for (std::uint32_t code = std::max(first, next); code <= end && code < 0xFFFF; ++code) {
            std::uint16_t glyph = 0;
            if (rangeOffset == 0) {
                glyph = std::uint16_t(code + delta);
            } else {
                const std::size_t at = rangeAt + rangeOffset + 2 * (code - first);
                if (r.has(at, 2)) {
                    r.seek(at);
                    glyph = r.u16();
                    if (glyph != 0)
                        glyph = std::uint16_t(glyph + delta);
                }
            }
            glyphOf[code] = glyph;
        }
        next = std::max(next, end + 1);
    }
    info.bmp.clear();
    for (std::uint32_t code = 0; code < 0x10000; ++code)
        if (glyphOf[code] != 0 && glyphOf[code] < info.numGlyphs)
            info.bmp.emplace_back(std::uint16_t(code), glyphOf[code]);
}

void readCmapFormat12(ByteReader &r, std::size_t start, TFontFaceInfo &info, bool withBmp)
{
    r.seek(start);
    r.skip(12);   // format, reserved, length, language
    const std::uint32_t groups = r.u32();
    if (!r.has(r.pos(), std::size_t(groups) * 12))
        r.fail(QStringLiteral("cmap groups past the end"));
    std::uint32_t next = 0;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> bmp;
    for (std::uint32_t g = 0; g < groups; ++g) {
        const std::uint32_t first = r.u32();
        const std::uint32_t last = std::min<std::uint32_t>(r.u32(), 0x10FFFF);
        const std::uint32_t glyph = r.u32();
        const std::uint32_t from = std::max(first, next);
        if (from > last || glyph > 0xFFFF)
            continue;
        // Code points above the BMP are kept as groups; they may span a million codes.
        if (last > 0xFFFF) {
            const std::uint32_t high = std::max<std::uint32_t>(from, 0x10000);
            info.supplementary.push_back({high, last, glyph + (high - first)});
        }
        if (withBmp)
            for (std::uint32_t code = from; code <= std::min<std::uint32_t>(last, 0xFFFF); ++code) {
                const std::uint32_t gid = glyph + (code - first);
                if (gid != 0 && gid < std::uint32_t(info.numGlyphs))
                    bmp.emplace_back(std::uint16_t(code), std::uint16_t(gid));
            }
        if (last >= next)
            next = last + 1;
    }
    if (withBmp)
        info.bmp = std::move(bmp);
}

void readCmap(const QByteArray &table, TFontFaceInfo &info)
{
    ByteReader r(table, QStringLiteral("cmap"), Endian::Big);
    r.skip(2);
    const std::uint16_t count = r.u16();
    std::size_t format4 = 0, format12 = 0;
    bool has4 = false, has12 = false;
    for (int i = 0; i < count; ++i) {
        const std::uint16_t platform = r.u16();
        const std::uint16_t encoding = r.u16();
        const std::uint32_t offset = r.u32();
        if (!r.has(offset, 2))
            continue;
        const std::size_t here = r.pos();
        r.seek(offset);
        const std::uint16_t format = r.u16();
        r.seek(here);
        if (platform == 3 && encoding == 1 && format == 4 && !has4) {
            format4 = offset;
            has4 = true;
        } else if (platform == 3 && encoding == 10 && format == 12 && !has12) {
            format12 = offset;
            has12 = true;
        }
    }
    info.hasUnicodeFormat4 = has4;
    if (has4)
        readCmapFormat4(r, format4, info);
    if (has12)
        readCmapFormat12(r, format12, info, !has4);
}

QString readFamilyName(const QByteArray &table)
{
    ByteReader r(table, QStringLiteral("name"), Endian::Big);
    r.skip(2);
    const std::uint16_t count = r.u16();
    const std::uint16_t storage = r.u16();
    QString windows, mac, other;
    for (int i = 0; i < count; ++i) {
        const std::uint16_t platform = r.u16();
        const std::uint16_t encoding = r.u16();
        const std::uint16_t language = r.u16();
        const std::uint16_t nameId = r.u16();
        const std::uint16_t length = r.u16();
        const std::uint16_t offset = r.u16();
        if (nameId != 1 || !r.has(std::size_t(storage) + offset, length))
            continue;
        const QByteArray bytes = table.mid(qsizetype(storage) + offset, length);
        if (platform == 3 && (encoding == 1 || encoding == 0)) {
            QString text;
            for (qsizetype k = 0; k + 1 < bytes.size(); k += 2)
                text.append(QChar(char16_t((std::uint8_t(bytes[k]) << 8) | std::uint8_t(bytes[k + 1]))));
            if (language == 0x409 && windows.isEmpty())
                windows = text;
            else if (other.isEmpty())
                other = text;
        } else if (platform == 1 && encoding == 0 && language == 0 && mac.isEmpty()) {
            mac = QString::fromLatin1(bytes);
        }
    }
    return !windows.isEmpty() ? windows : !mac.isEmpty() ? mac : other;
}

} // namespace

TFontFaceInfo ReadFontFace(const TFontTableSource &source)
{
    TFontFaceInfo info;
    const QByteArray head = source.Table(fontTag("head"));
    if (!head.isEmpty()) {
        ByteReader r(head, QStringLiteral("head"), Endian::Big);
        r.seek(18);
        const int upem = r.u16();
        info.unitsPerEm = upem >= 16 ? upem : 1000;
        r.seek(36);
        info.xMin = r.i16();
        info.yMin = r.i16();
        info.xMax = r.i16();
        info.yMax = r.i16();
        r.seek(50);
        info.indexToLocFormat = r.i16();
    }
    const QByteArray maxp = source.Table(fontTag("maxp"));
    if (!maxp.isEmpty()) {
        ByteReader r(maxp, QStringLiteral("maxp"), Endian::Big);
        r.seek(4);
        info.numGlyphs = r.u16();
    }
    const QByteArray hhea = source.Table(fontTag("hhea"));
    int metrics = 0;
    if (!hhea.isEmpty()) {
        ByteReader r(hhea, QStringLiteral("hhea"), Endian::Big);
        r.seek(4);
        info.ascender = r.i16();
        info.descender = r.i16();
        info.lineGap = r.i16();
        info.advanceWidthMax = r.u16();
        r.seek(34);
        metrics = r.u16();
    }
    const QByteArray hmtx = source.Table(fontTag("hmtx"));
    if (!hmtx.isEmpty() && metrics > 0) {
        ByteReader r(hmtx, QStringLiteral("hmtx"), Endian::Big);
        const int count = std::max(info.numGlyphs, metrics);
        info.advances.reserve(std::size_t(count));
        for (int g = 0; g < metrics; ++g) {
            info.advances.push_back(r.u16());
            r.skip(2);
        }
        info.advances.resize(std::size_t(count), info.advances.back());
        if (info.numGlyphs == 0)
            info.numGlyphs = count;
    }
    const QByteArray os2 = source.Table(fontTag("OS/2"));
    if (!os2.isEmpty()) {
        ByteReader r(os2, QStringLiteral("OS/2"), Endian::Big);
        const std::uint16_t version = r.u16();
        info.avgCharWidth = r.i16();
        r.skip(4);
        info.fsType = r.u16();
        r.seek(30);
        info.familyClass = r.i16();
        r.seek(74);
        info.winAscent = r.u16();
        info.winDescent = r.u16();
        if (version >= 1)
            info.codePageRange1 = r.u32();
        if (version >= 2 && r.has(86, 6)) {
            r.seek(86);
            info.xHeight = r.i16();
            info.capHeight = r.i16();
        }
        info.hasOS2 = true;
    }
    if (!info.hasOS2 || info.winAscent + info.winDescent == 0) {
        info.winAscent = info.ascender;
        info.winDescent = -info.descender;
    }
    if (info.capHeight == 0)
        info.capHeight = info.winAscent;
    const QByteArray post = source.Table(fontTag("post"));
    if (!post.isEmpty()) {
        ByteReader r(post, QStringLiteral("post"), Endian::Big);
        r.seek(4);
        info.italicAngle = r.i32() / 65536.0;
        r.seek(12);
        info.fixedPitch = r.u32() != 0;
    }
    const QByteArray name = source.Table(fontTag("name"));
    if (!name.isEmpty())
        info.familyName = readFamilyName(name);
    info.hasGlyf = !source.Table(fontTag("glyf")).isEmpty() && !source.Table(fontTag("loca")).isEmpty();
    const QByteArray cmap = source.Table(fontTag("cmap"));
    if (!cmap.isEmpty() && info.numGlyphs > 0)
        readCmap(cmap, info);
    return info;
}

// --- subset

namespace {

// Glyph offsets from loca, checked to ascend within glyf.
std::vector<std::uint32_t> readLoca(const QByteArray &loca, int format, int numGlyphs, std::size_t glyfSize)
{
    ByteReader r(loca, QStringLiteral("loca"), Endian::Big);
    std::vector<std::uint32_t> offsets(std::size_t(numGlyphs) + 1);
    for (auto &offset : offsets)
        offset = format == 0 ? std::uint32_t(r.u16()) * 2 : r.u32();
    for (std::size_t g = 0; g + 1 < offsets.size(); ++g)
        if (offsets[g] > offsets[g + 1])
            r.fail(QStringLiteral("glyph %1 ends before it starts").arg(g));
    if (offsets.back() > glyfSize)
        r.fail(QStringLiteral("glyphs reach past glyf"));
    return offsets;
}

// Adds the components of a composite glyph to `pending`.
void addComponents(const QByteArray &glyf, std::uint32_t from, std::uint32_t to, std::vector<std::uint16_t> &pending)
{
    if (to - from < 10)
        return;
    ByteReader r(glyf, QStringLiteral("glyf"), Endian::Big);
    r.seek(from);
    if (r.i16() >= 0)
        return;
    r.seek(from + 10);
    std::uint16_t flags = 0;
    do {
        if (r.pos() + 4 > to)
            r.fail(QStringLiteral("composite glyph runs past its end"));
        flags = r.u16();
        pending.push_back(r.u16());
        r.skip(flags & 0x0001 ? 4 : 2);
        if (flags & 0x0008)
            r.skip(2);
        else if (flags & 0x0040)
            r.skip(4);
        else if (flags & 0x0080)
            r.skip(8);
    } while (flags & 0x0020);
}

} // namespace

QByteArray BuildFontSubset(const TFontTableSource &source, const std::set<std::uint16_t> &used, bool whole)
{
    QByteArray head = source.Table(fontTag("head"));
    const QByteArray loca = source.Table(fontTag("loca"));
    const QByteArray glyf = source.Table(fontTag("glyf"));
    const QByteArray maxp = source.Table(fontTag("maxp"));
    for (const auto &[table, name] : {std::pair<const QByteArray *, const char *>(&head, "head"), std::pair(&loca, "loca"), std::pair(&glyf, "glyf"),
                                      std::pair(&maxp, "maxp")})
        if (table->isEmpty())
            throw FormatError(QStringLiteral("the face has no %1 table").arg(QLatin1String(name)));
    if (source.Table(fontTag("hhea")).isEmpty() || source.Table(fontTag("hmtx")).isEmpty())
        throw FormatError(QStringLiteral("the face has no horizontal metrics"));

    ByteReader headReader(head, QStringLiteral("head"), Endian::Big);
    headReader.seek(50);
    const int format = headReader.i16();
    if (format != 0 && format != 1)
        headReader.fail(QStringLiteral("unknown index-to-location format"));
    ByteReader maxpReader(maxp, QStringLiteral("maxp"), Endian::Big);
    maxpReader.seek(4);
    const int numGlyphs = maxpReader.u16();
    if (numGlyphs == 0)
        maxpReader.fail(QStringLiteral("no glyphs"));
    const std::vector<std::uint32_t> offsets = readLoca(loca, format, numGlyphs, std::size_t(glyf.size()));

    // Glyph 0, the used glyphs and, transitively, their components.
    std::vector<bool> keep(std::size_t(numGlyphs), whole);
    std::vector<std::uint16_t> pending(used.begin(), used.end());
    pending.push_back(0);
    while (!pending.empty()) {
        const std::uint16_t g = pending.back();
        pending.pop_back();
        if (g >= numGlyphs || keep[g])
            continue;
        keep[g] = true;
        addComponents(glyf, offsets[g], offsets[g + 1], pending);
    }

    QByteArray newGlyf;
    std::vector<std::uint32_t> newOffsets(std::size_t(numGlyphs) + 1);
    for (int g = 0; g < numGlyphs; ++g) {
        newOffsets[std::size_t(g)] = std::uint32_t(newGlyf.size());
        if (keep[std::size_t(g)]) {
            newGlyf.append(glyf.constData() + offsets[std::size_t(g)],
                           qsizetype(offsets[std::size_t(g) + 1] - offsets[std::size_t(g)]));
            pad4(newGlyf);
        }
    }
    newOffsets.back() = std::uint32_t(newGlyf.size());
    // Short offsets count words up to 0x1FFFE; a larger program needs long ones.
    const int newFormat = format == 0 && newGlyf.size() > 0x1FFFE ? 1 : format;
    QByteArray newLoca;
    for (const std::uint32_t offset : newOffsets) {
        if (newFormat == 0)
            appendU16(newLoca, offset / 2);
        else
            appendU32(newLoca, offset);
    }
    putU16(head, 50, std::uint32_t(newFormat));
    putU32(head, 8, 0);   // checkSumAdjustment, set once the file is whole

    static constexpr std::uint32_t order[] = {fontTag("OS/2"), fontTag("cvt "), fontTag("fpgm"), fontTag("glyf"),
                                              fontTag("head"), fontTag("hhea"), fontTag("hmtx"), fontTag("loca"),
                                              fontTag("maxp"), fontTag("post"), fontTag("prep")};
    std::vector<std::pair<std::uint32_t, QByteArray>> tables;
    for (const std::uint32_t tag : order) {
        QByteArray data = tag == fontTag("glyf")   ? newGlyf
            : tag == fontTag("loca")               ? newLoca
            : tag == fontTag("head")               ? head
                                                   : source.Table(tag);
        if (!data.isEmpty())
            tables.emplace_back(tag, std::move(data));
    }

    const std::uint32_t count = std::uint32_t(tables.size());
    std::uint32_t power = 1, selector = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++selector;
    }
    QByteArray file;
    appendU32(file, 0x00010000);
    appendU16(file, count);
    appendU16(file, power * 16);
    appendU16(file, selector);
    appendU16(file, count * 16 - power * 16);
    std::uint32_t offset = 12 + 16 * count;
    std::size_t headAt = 0;
    for (const auto &[tag, data] : tables) {
        appendU32(file, tag);
        appendU32(file, TableChecksum(data));
        appendU32(file, offset);
        appendU32(file, std::uint32_t(data.size()));
        if (tag == fontTag("head"))
            headAt = offset;
        offset += (std::uint32_t(data.size()) + 3) & ~3u;
    }
    for (const auto &entry : tables) {
        file.append(entry.second);
        pad4(file);
    }
    putU32(file, headAt + 8, 0xB1B0AFBAu - TableChecksum(file));
    return file;
}

} // namespace vellora::pdf
