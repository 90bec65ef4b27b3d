#include "pdf/CMap.h"
#include "pdf/FontFile.h"
#include "pdf/PdfFont.h"
#include "pdf/PdfText.h"
#include "pdf/QvPDF.h"
#include "pdf/tests/PdfCheck.h"

#include "settings/Codepage.h"
#include "settings/Errors.h"
#include "testsupport/TestSupport.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace vellora;
using namespace vellora::pdf;
using vellora::pdf::test::runTool;

namespace {

const QString kDejaVu = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
const QString kIpaGothic = QStringLiteral("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf");
const QString kIpaPGothic = QStringLiteral("/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf");
const QString kSample = QStringLiteral("Café 写真 ｶﾅ");

QByteArray bytesOf(const std::function<void(Sink &)> &write)
{
    QByteArray bytes;
    ByteArraySink sink(bytes);
    write(sink);
    return bytes;
}

// A document written to a file; `draw` puts text on its one page.
QString writePdf(const QString &name, bool bury, const std::function<void(TPDFContent &)> &draw)
{
    const QString path = vellora::test::scratchDir(QStringLiteral("fonts")) + QLatin1Char('/') + name;
    TQvPDF doc;
    doc.SetBuryFonts(bury);
    TPDFPage *page = doc.BeginDoc(path);
    draw(*page->Canvas());
    doc.EndDoc();
    return path;
}

struct FontRow {
    QByteArray name, type, encoding, emb, sub, uni;
};

// pdffonts' table, by its fixed columns.
std::vector<FontRow> pdffonts(const QString &path)
{
    const auto result = runTool(QStringLiteral("pdffonts"), {path});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    std::vector<FontRow> rows;
    const QList<QByteArray> lines = result.out.split('\n');
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QByteArray &l = lines[i];
        if (l.size() < 84)
            continue;
        rows.push_back({l.left(36).trimmed(), l.mid(37, 17).trimmed(), l.mid(55, 16).trimmed(), l.mid(72, 3).trimmed(),
                        l.mid(76, 3).trimmed(), l.mid(80, 3).trimmed()});
    }
    return rows;
}

QString pdftotext(const QString &path)
{
    const auto result = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path,
                                                              QStringLiteral("-")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    return QString::fromUtf8(result.out);
}

// The decoded data of one indirect object's stream.
QByteArray streamOf(const QString &path, int object)
{
    return runTool(QStringLiteral("qpdf"), {QStringLiteral("--show-object=%1").arg(object),
                                            QStringLiteral("--filtered-stream-data"), path})
        .out;
}

QByteArray objectOf(const QString &path, int object)
{
    return runTool(QStringLiteral("qpdf"), {QStringLiteral("--show-object=%1").arg(object), path}).out;
}

} // namespace

TEST(FontNames, EncodeNameWritesShiftJisBytes)
{
    // The four Japanese base names of the table are exactly this form of their faces.
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("ＭＳ 明朝"), QStringLiteral("#82#6C#82#72#20#96#BE#92#A9")},
        {QStringLiteral("ＭＳ ゴシック"), QStringLiteral("#82#6C#82#72#20#83#53#83#56#83#62#83#4E")},
        {QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("#82#6C#82#72#20#82#6F#96#BE#92#A9")},
        {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("#82#6C#82#72#20#82#6F#83#53#83#56#83#62#83#4E")},
        {QStringLiteral("Arial"), QStringLiteral("#41#72#69#61#6C")},
        {QString(), QString()},
    };
    for (const auto &[face, encoded] : cases)
        EXPECT_EQ(EncodeName(face).toStdString(), encoded.toStdString());
}

TEST(FontObjects, TypesNamesFlagsAndDefaultWidths)
{
    struct Case {
        TPDFFontType type;
        bool bold, italic;
        const char *baseFont;   // of the font a page names (for Type0, its CID font adds the style)
        const char *subtype;
        const char *encoding;
        std::uint32_t flags;
        int dw;
        int italicAngle;
    };
    const Case cases[] = {
        {TPDFFontType::pfoCentury, false, false, "/Century", "/TrueType", "/WinAnsiEncoding", 34, 556, 0},
        {TPDFFontType::pfoCentury, true, false, "/Century,Bold", "/TrueType", "/WinAnsiEncoding", 34 + 262144, 574, 0},
        {TPDFFontType::pfoArial, false, true, "/Arial,Italic", "/TrueType", "/WinAnsiEncoding", 32 + 64, 556, -12},
        {TPDFFontType::pfoCourier, true, true, "/Courier,BoldItalic", "/TrueType", "/WinAnsiEncoding",
         32 + 64 + 262144, 600, -12},
        {TPDFFontType::pfoMS_Mincho, false, false, "/#82#6C#82#72#20#96#BE#92#A9", "/Type0", "/UniJIS-UCS2-H", 6,
         1000, 0},
        {TPDFFontType::pfoMS_PGothic, true, false, "/#82#6C#82#72#20#82#6F#83#53#83#56#83#62#83#4E", "/Type0",
         "/UniJIS-UCS2-H", 4 + 262144, 1000, 0},
    };
    TQvPDF doc;
    TMemoryStream out;
    TPDFContent &c = *doc.BeginDoc(out)->Canvas();
    for (const Case &k : cases) {
        SCOPED_TRACE(k.baseFont);
        c.Font().SetName(k.type);
        c.Font().SetBold(k.bold);
        c.Font().SetItalic(k.italic);
        TPDFFont *font = c.PT_SelectFont();
        EXPECT_EQ(font->BaseFont().toStdString(), k.baseFont);
        EXPECT_EQ(font->SubType().toStdString(), k.subtype);
        EXPECT_EQ(font->Encoding().toStdString(), k.encoding);
        EXPECT_EQ(font->CMaps().FDW, k.dw);
        const TPDFFontDescriptor *d = font->FontDescriptor();
        if (auto *type0 = dynamic_cast<TPDFType0Font *>(font)) {
            d = type0->DescendantFont()->FontDescriptor();
            EXPECT_EQ(d->FFontName, type0->DescendantFont()->BaseFont());
        }
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->Flags().bits, k.flags);
        EXPECT_EQ(d->FItalicAngle, k.italicAngle);
        EXPECT_LT(d->FDescent, 0);
        EXPECT_GT(d->FAscent, 0);
        EXPECT_FALSE(font->Embedded());
        // The same canvas font finds the same object again.
        EXPECT_EQ(c.PT_SelectFont(), font);
    }
    // The StemV of the table.
    c.Font().SetName(TPDFFontType::pfoCentury);
    c.Font().SetBold(false);
    c.Font().SetItalic(false);
    EXPECT_EQ(c.PT_SelectFont()->FontDescriptor()->FStemV, 78);
}

TEST(FontObjects, TrueTypeWidthsCoverTheUsedCodesInWinAnsi)
{
    TQvPDF doc;
    TMemoryStream out;
    TPDFContent &c = *doc.BeginDoc(out)->Canvas();
    c.Font().SetName(TPDFFontType::pfoArial);
    c.Font().SetSize(10);
    c.TextOut(10, 10, QStringLiteral("Café 写"));
    // "é" is the one WinAnsi byte E9, "写" has none and becomes "?"; no UTF-16 with FE FF.
    EXPECT_TRUE(c.Bytes().contains(QByteArray("(Caf\xE9 ?) Tj")));
    auto *font = dynamic_cast<TPDFTrueTypeFont *>(c.PT_SelectFont());
    ASSERT_NE(font, nullptr);
    const QByteArray widths = bytesOf([&](Sink &s) { font->WriteWidths(s); });
    const QByteArray keys = bytesOf([&](Sink &s) { font->WriteBody(s); });
    EXPECT_TRUE(keys.contains("/FirstChar 32\r\n/LastChar 233\r\n")) << keys.toStdString();
    // Liberation Sans: space 278, "?" 556, "C" 722, "a" 556, "f" 278, "é" 556; nine values a line.
    const QList<QByteArray> values = widths.simplified().replace("[", "").replace("]", "").trimmed().split(' ');
    ASSERT_EQ(values.size(), 233 - 32 + 1);
    for (const auto &[code, width] : {std::pair{32, 278}, {'?', 556}, {'C', 722}, {'a', 556}, {'f', 278}, {0xE9, 556}})
        EXPECT_EQ(values[code - 32].toInt(), width) << code;
    EXPECT_EQ(widths.split('\n').size(), (233 - 32 + 1 + 8) / 9 + 1);
    // Measuring agrees with the drawn widths: 722 + 556 + 278 + 556 at 10 points.
    EXPECT_DOUBLE_EQ(c.TextWidthEx(QStringLiteral("Café"), false, false, false), 21.12);
}

TEST(FontObjects, JapaneseWidthsAreKeyedByAdobeJapan1Cids)
{
    TQvPDF doc;
    TMemoryStream out;
    TPDFContent &c = *doc.BeginDoc(out)->Canvas();
    c.Font().SetName(TPDFFontType::pfoMS_PGothic);
    c.TextOut(10, 10, QStringLiteral("Ca~ｶﾅ写"));
    // UCS-2 codes without a byte-order mark.
    EXPECT_TRUE(c.Bytes().contains(QByteArray("(\0C\0a\0~\xFF\x76\xFF\x85\x51\x99) Tj", 17)))
        << c.Bytes().toHex(' ').toStdString();
    auto *font = dynamic_cast<TPDFType0Font *>(c.PT_SelectFont());
    ASSERT_NE(font, nullptr);
    const QByteArray w = bytesOf([&](Sink &s) { font->DescendantFont()->WriteWidths(s); }).simplified();
    // IPAPGothic: "C" 725 (CID 36), "a" 550 (CID 66), "~" 500 (CID 95), the
    // half-width kana 500 (CIDs 348, 363); "写" takes the default 1000.
    EXPECT_EQ(w.toStdString(), "[ 36 [725 ] 66 [550 ] 95 [500 ] 348 [500 ] 363 [500 ] ]");
    const QByteArray keys = bytesOf([&](Sink &s) { font->DescendantFont()->WriteBody(s); });
    EXPECT_TRUE(keys.contains("/DW 1000\r\n")) << keys.toStdString();
    EXPECT_TRUE(keys.contains("/CIDSystemInfo << /Registry (Adobe)\r\n/Ordering (Japan1)\r\n/Supplement 2\r\n>>"));
}

TEST(FontObjects, CidWidthRunsUseTheRangeForm)
{
    TQvPDF doc;
    TMemoryStream out;
    TPDFContent &c = *doc.BeginDoc(out)->Canvas();
    c.Font().SetName(TPDFFontType::pfoMS_Gothic);
    c.TextOut(10, 10, QStringLiteral("ABCDxy"));   // fixed pitch: six half widths, CIDs 34-37 and 89-90
    auto *font = dynamic_cast<TPDFType0Font *>(c.PT_SelectFont());
    ASSERT_NE(font, nullptr);
    const QByteArray w = bytesOf([&](Sink &s) { font->DescendantFont()->WriteWidths(s); }).simplified();
    EXPECT_EQ(w.toStdString(), "[ 34 37 500 89 [500 500 ] ]");
}

TEST(ToUnicode, RunsStayWithinAHighByteAndBlocksHoldAHundredLines)
{
    std::vector<TToUnicodeEntry> entries;
    for (std::uint16_t code = 0x00FE; code <= 0x0101; ++code)   // one delta, but across a high byte of code
        entries.push_back({code, QString(QChar(char16_t(code + 0x10)))});
    entries.push_back({0x0300, QStringLiteral("\U0002000B")});    // a surrogate pair
    for (std::uint16_t i = 0; i < 120; ++i)                       // 120 single mappings
        entries.push_back({std::uint16_t(0x1000 + 2 * i), QString(QChar(char16_t(0x3000 + 7 * i)))});
    entries.push_back({0x2000, QString(QChar(char16_t(0x30FF)))});   // Unicode would cross 0x3100
    entries.push_back({0x2001, QString(QChar(char16_t(0x3100)))});
    const QString program = QString::fromLatin1(ToUnicodeProgram(entries, QStringLiteral("<< >>"), QStringLiteral("/X+0")));
    EXPECT_TRUE(program.contains(QStringLiteral("<00FE> <00FF> <010E>\r\n"))) << program.toStdString();
    EXPECT_TRUE(program.contains(QStringLiteral("<0100> <0101> <0110>\r\n")));
    EXPECT_TRUE(program.contains(QStringLiteral("<0300> <D840DC0B>\r\n")));
    EXPECT_TRUE(program.contains(QStringLiteral("<2000> <30FF>\r\n")));
    EXPECT_TRUE(program.contains(QStringLiteral("<2001> <3100>\r\n")));
    EXPECT_TRUE(program.contains(QStringLiteral("<0000> <FFFF>\r\nendcodespacerange")));
    // 123 single mappings: blocks of 100 and 23; the two ranges in one block.
    EXPECT_TRUE(program.contains(QStringLiteral("100 beginbfchar\r\n")));
    EXPECT_TRUE(program.contains(QStringLiteral("23 beginbfchar\r\n")));
    EXPECT_TRUE(program.contains(QStringLiteral("2 beginbfrange\r\n")));
    EXPECT_EQ(program.count(QStringLiteral("endbfchar")), 2);
}

TEST(FontFiles, FsTypeDecidesEmbedding)
{
    QByteArray dejavu = vellora::test::readFile(kDejaVu);
    ASSERT_FALSE(dejavu.isEmpty());
    const TSfntFile original(dejavu);
    const QByteArray os2 = original.Table(fontTag("OS/2"));
    const qsizetype at = dejavu.indexOf(os2);
    ASSERT_GT(at, 0);
    struct Case {
        std::uint16_t fsType;
        bool mayEmbed, whole;
    };
    for (const Case &k : {Case{0x0000, true, false}, Case{0x0002, false, false}, Case{0x0004, true, false},
                          Case{0x0008, true, false}, Case{0x0200, false, false}, Case{0x0100, true, true}}) {
        QByteArray patched = dejavu;
        patched[at + 8] = char(k.fsType >> 8);
        patched[at + 9] = char(k.fsType & 0xFF);
        const TSfntFile file(patched);
        const TFontFaceInfo info = ReadFontFace(file);
        EXPECT_EQ(info.MayEmbed(), k.mayEmbed) << k.fsType;
        EXPECT_EQ(info.NoSubsetting(), k.whole) << k.fsType;
        EXPECT_FALSE(info.NotAnsi());
    }
    // A face that may only go in whole keeps every outline.
    const TFontFaceInfo info = ReadFontFace(original);
    const QByteArray whole = BuildFontSubset(original, {}, true);
    const QByteArray subset = BuildFontSubset(original, {info.GlyphFor(U'A')});
    EXPECT_EQ(TSfntFile(whole).Table(fontTag("glyf")).size(), original.Table(fontTag("glyf")).size());
    EXPECT_LT(TSfntFile(subset).Table(fontTag("glyf")).size(), 1000);
}

TEST(FontFiles, BrokenTablesAreRefusedWithoutCrashing)
{
    const QByteArray dejavu = vellora::test::readFile(kDejaVu);
    const TSfntFile file(dejavu);
    // Cut tables, a loca that runs backwards, a composite that points past its glyph.
    class Patched : public TFontTableSource {
    public:
        Patched(const TFontTableSource &base, std::uint32_t tag, QByteArray data)
            : FBase(base), FTag(tag), FData(std::move(data)) {}
        QByteArray Table(std::uint32_t tag) const override { return tag == FTag ? FData : FBase.Table(tag); }

    private:
        const TFontTableSource &FBase;
        std::uint32_t FTag;
        QByteArray FData;
    };
    for (const char *tag : {"cmap", "hmtx", "hhea", "head", "OS/2", "name", "post", "maxp"}) {
        const std::uint32_t t = fontTag(*reinterpret_cast<const char(*)[5]>(tag));
        const Patched cut(file, t, file.Table(t).left(5));
        EXPECT_THROW(ReadFontFace(cut), FormatError) << tag;
    }
    QByteArray loca = file.Table(fontTag("loca"));
    loca[10] = char(0xFF);   // glyph 2 starts far beyond its end
    EXPECT_THROW(BuildFontSubset(Patched(file, fontTag("loca"), loca), {}), FormatError);
    const QByteArray noGlyf;
    EXPECT_THROW(BuildFontSubset(Patched(file, fontTag("glyf"), noGlyf), {}), FormatError);
    EXPECT_THROW(TSfntFile(dejavu.left(40)), FormatError);
    EXPECT_THROW(TSfntFile(QByteArray("OTTO\0\0", 6)), FormatError);
}

TEST(FontPdf, EveryTypeEmbeddedAndNotReadsBack)
{
    const QString path = writePdf(QStringLiteral("types.pdf"), true, [](TPDFContent &c) {
        double y = 800;
        auto show = [&](const QString &text) {
            c.TextOut(40, y, text);
            y -= 24;
        };
        for (const TPDFFontType type : {TPDFFontType::pfoCentury, TPDFFontType::pfoArial, TPDFFontType::pfoCourier}) {
            c.Font().SetName(type);
            show(QStringLiteral("Café"));
        }
        for (const TPDFFontType type : {TPDFFontType::pfoMS_Mincho, TPDFFontType::pfoMS_Gothic,
                                        TPDFFontType::pfoMS_PMincho, TPDFFontType::pfoMS_PGothic}) {
            c.Font().SetName(type);
            show(kSample);
        }
        c.Font().SetCustomName(QStringLiteral("IPAPGothic"));
        show(kSample + QStringLiteral(" \U0002000B"));
        EXPECT_EQ(c.Font().CanBury(), 1);   // from the face's fsType
        c.Font().SetCanBury(-1);            // the same face kept out of the file
        show(kSample);
        c.Font().SetCustomName(QStringLiteral("DejaVu Sans"));
        show(QStringLiteral("Café"));
    });
    vellora::pdf::test::checkPdf(path, 1, 595, 842);

    const std::vector<FontRow> rows = pdffonts(path);
    ASSERT_EQ(rows.size(), 10u);
    struct Expected {
        QByteArray name;   // a subset tag is checked apart
        const char *type, *encoding, *emb, *sub, *uni;
    };
    const Expected expected[] = {
        {"Century", "TrueType", "WinAnsi", "no", "no", "no"},
        {"Arial", "TrueType", "WinAnsi", "no", "no", "no"},
        {"Courier", "TrueType", "WinAnsi", "no", "no", "no"},
        {EncodeCp932(QStringLiteral("ＭＳ 明朝")), "CID TrueType", "UniJIS-UCS2-H", "no", "no", "no"},
        {EncodeCp932(QStringLiteral("ＭＳ ゴシック")), "CID TrueType", "UniJIS-UCS2-H", "no", "no", "no"},
        {EncodeCp932(QStringLiteral("ＭＳ Ｐ明朝")), "CID TrueType", "UniJIS-UCS2-H", "no", "no", "no"},
        {EncodeCp932(QStringLiteral("ＭＳ Ｐゴシック")), "CID TrueType", "UniJIS-UCS2-H", "no", "no", "no"},
        {"+IPAPGothic", "CID TrueType", "Identity-H", "yes", "yes", "yes"},
        {"IPAPGothic", "CID TrueType", "UniJIS-UCS2-H", "no", "no", "no"},
        {"+DejaVu Sans", "CID TrueType", "Identity-H", "yes", "yes", "yes"},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].name.toStdString());
        const Expected &e = expected[i];
        if (e.name.startsWith('+'))
            EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Z]{6}\\") + QString::fromLatin1(e.name) + QLatin1Char('$'))
                            .match(QString::fromLatin1(rows[i].name))
                            .hasMatch());
        else
            EXPECT_EQ(rows[i].name, e.name);
        EXPECT_EQ(rows[i].type, e.type);
        EXPECT_EQ(rows[i].encoding, e.encoding);
        EXPECT_EQ(rows[i].emb, e.emb);
        EXPECT_EQ(rows[i].sub, e.sub);
        EXPECT_EQ(rows[i].uni, e.uni);
    }

    const QStringList lines = pdftotext(path).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QStringList expectedText = {QStringLiteral("Café"), QStringLiteral("Café"), QStringLiteral("Café"),
                                      kSample, kSample, kSample, kSample, kSample + QStringLiteral(" \U0002000B"),
                                      kSample, QStringLiteral("Café"), QStringLiteral("\f")};
    EXPECT_EQ(lines.join(QLatin1Char('|')).toStdString(), expectedText.join(QLatin1Char('|')).toStdString());
}

TEST(FontPdf, EmbeddedSubsetHoldsEveryUsedOutline)
{
    // DejaVu Sans draws "é" as a composite of "e" and the accent.
    const QString text = QStringLiteral("Café ÅÉ");
    const QString path = writePdf(QStringLiteral("subset.pdf"), true, [&](TPDFContent &c) {
        c.Font().SetCustomName(QStringLiteral("DejaVu Sans"));
        c.TextOut(40, 700, text);
    });
    vellora::pdf::test::checkPdf(path, 1, 595, 842);
    // The font program is the one stream with a Length1.
    int programObject = -1;
    for (int object = 1; object < 20 && programObject < 0; ++object)
        if (objectOf(path, object).contains("/Length1"))
            programObject = object;
    ASSERT_GT(programObject, 0);
    const QByteArray program = streamOf(path, programObject);
    const QString fontPath = vellora::test::scratchDir(QStringLiteral("fonts")) + QStringLiteral("/subset.ttf");
    {
        QFile f(fontPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(program);
    }

    // FreeType (through the font engine) draws every used glyph, composites included.
    const QRawFont subset(program, 72);
    ASSERT_TRUE(subset.isValid());
    const TFontFaceInfo face = ReadFontFace(*TSfntFile::FromFile(kDejaVu));
    for (const QChar c : text) {
        if (c == QLatin1Char(' '))
            continue;
        const std::uint16_t glyph = face.GlyphFor(c.unicode());
        EXPECT_FALSE(subset.pathForGlyph(glyph).isEmpty()) << QString(c).toStdString();
    }
    // An unused glyph has no outline left.
    EXPECT_TRUE(subset.pathForGlyph(face.GlyphFor(U'Z')).isEmpty());

    // fontTools: checksums, the whole-file adjustment, the directory's search fields, the outlines.
    const QString script = QStringLiteral(R"(
import struct, sys
from fontTools.ttLib import TTFont
data = open(sys.argv[1], 'rb').read()
n, sr, es, rs = struct.unpack('>HHHH', data[4:12])
assert (n, sr, es, rs) == (11, 128, 3, 48), (n, sr, es, rs)
assert sum(struct.unpack('>%dI' % (len(data) // 4), data)) & 0xFFFFFFFF == 0xB1B0AFBA
font = TTFont(sys.argv[1], checkChecksums=2)
cmap = TTFont('%1').getBestCmap()
glyf = font['glyf']
for ch in sys.argv[2]:
    if ch == ' ':
        continue
    g = glyf[cmap[ord(ch)]]
    assert g.numberOfContours != 0, ch
    if g.isComposite():
        for c in g.components:
            assert glyf[c.glyphName].numberOfContours > 0, c.glyphName
print('ok')
)").arg(kDejaVu);
    const auto check = runTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, fontPath, text});
    EXPECT_EQ(check.exitCode, 0) << check.err.toStdString();
    EXPECT_EQ(check.out.trimmed(), "ok");
}

TEST(FontPdf, TwoHundredKanjiMakeASmallSubset)
{
    const TFontFaceInfo face = ReadFontFace(*TSfntFile::FromFile(kIpaGothic));
    QString kanji;
    for (char16_t u = 0x4E00; kanji.size() < 200; u = char16_t(u + 37))
        if (face.GlyphFor(u) != 0)
            kanji += QChar(u);
    QString programInfo;
    const QString path = writePdf(QStringLiteral("kanji.pdf"), true, [&](TPDFContent &c) {
        c.Font().SetCustomName(QStringLiteral("IPAGothic"));
        c.Font().SetSize(8);
        for (int line = 0; line < 10; ++line)
            c.TextOut(20, 800 - 20 * line, kanji.mid(20 * line, 20));
    });
    vellora::pdf::test::checkPdf(path, 1, 595, 842);
    const QRegularExpression length1(QStringLiteral("/Length1 (\\d+)"));
    long long size = -1;
    for (int object = 1; object < 20 && size < 0; ++object)
        if (const auto m = length1.match(QString::fromLatin1(objectOf(path, object))); m.hasMatch())
            size = m.captured(1).toLongLong();
    const qint64 faceSize = QFile(kIpaGothic).size();
    ASSERT_GT(faceSize, 5'000'000);
    EXPECT_GT(size, 0);
    EXPECT_LT(size, faceSize / 10);
    EXPECT_EQ(pdftotext(path).remove(QLatin1Char('\n')).remove(QLatin1Char('\f')).toStdString(), kanji.toStdString());
}

TEST(FontPdf, ReaderDrawsTextAsWideAsTheFontEngine)
{
    // One line of IPAPGothic at 40 points, drawn by mutool and by QPainter at 72 dpi.
    const QString text = QStringLiteral("Café 写真 ｶﾅ");
    for (const bool bury : {true, false}) {
        SCOPED_TRACE(bury);
        const QString path = writePdf(QStringLiteral("wide.pdf"), bury, [&](TPDFContent &c) {
            c.Font().SetName(TPDFFontType::pfoMS_PGothic);
            if (bury)
                c.Font().SetCustomName(QStringLiteral("IPAPGothic"));
            c.Font().SetSize(40);
            c.TextOut(20, 400, text);
        });
        const QString png = vellora::test::scratchDir(QStringLiteral("fonts")) + QStringLiteral("/wide.png");
        const auto draw = runTool(QStringLiteral("mutool"), {QStringLiteral("draw"), QStringLiteral("-q"),
                                                             QStringLiteral("-r"), QStringLiteral("72"),
                                                             QStringLiteral("-o"), png, path});
        ASSERT_EQ(draw.exitCode, 0) << draw.err.toStdString();
        const QImage pdf = QImage(png).convertToFormat(QImage::Format_Grayscale8);

        QImage qt(pdf.size(), QImage::Format_Grayscale8);
        qt.fill(Qt::white);
        {
            QPainter p(&qt);
            QRawFont raw(kIpaPGothic, 40, QFont::PreferNoHinting);
            QFont font(raw.familyName());
            font.setPixelSize(40);
            font.setHintingPreference(QFont::PreferNoHinting);
            p.setFont(font);
            p.setPen(Qt::black);
            p.drawText(QPointF(20, 842 - 400), text);
        }
        auto inkColumns = [](const QImage &image) {
            int left = image.width(), right = -1;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (image.constScanLine(y)[x] < 128) {
                        left = std::min(left, x);
                        right = std::max(right, x);
                    }
            return std::pair(left, right);
        };
        const auto [pdfLeft, pdfRight] = inkColumns(pdf);
        const auto [qtLeft, qtRight] = inkColumns(qt);
        EXPECT_NEAR(pdfLeft, qtLeft, 3);
        // Unembedded, the reader substitutes a face but places glyphs by the written widths.
        EXPECT_NEAR(pdfRight, qtRight, bury ? 3 : 8);
    }
}

TEST(FontPdf, TheFaceDecidesWhetherItIsEmbedded)
{
    // DejaVu Sans under another family name, with the licence bits set as given.
    const QByteArray dejavu = vellora::test::readFile(kDejaVu);
    const QByteArray os2 = TSfntFile(dejavu).Table(fontTag("OS/2"));
    struct Case {
        const char *family;   // "DejaVu " + four letters, as long as "DejaVu Sans"
        std::uint16_t fsType;
        const char *type, *emb;
        int canBury;
        bool whole;
    };
    for (const Case &k : {Case{"DejaVu Rstr", 0x0002, "TrueType", "no", -1, false},
                          Case{"DejaVu Bmap", 0x0200, "TrueType", "no", -1, false},
                          Case{"DejaVu Whol", 0x0100, "CID TrueType", "yes", 1, true}}) {
        SCOPED_TRACE(k.family);
        QByteArray patched = dejavu;
        const qsizetype at = patched.indexOf(os2);
        patched[at + 8] = char(k.fsType >> 8);
        patched[at + 9] = char(k.fsType & 0xFF);
        const QString family = QString::fromLatin1(k.family);
        const QByteArray sans = QStringLiteral("DejaVu Sans").toUtf8();
        patched.replace(sans, family.toUtf8());
        QByteArray wideSans, wideFamily;
        for (const QChar c : QStringLiteral("DejaVu Sans"))
            wideSans += QByteArray(1, '\0') + char(c.unicode());
        for (const QChar c : family)
            wideFamily += QByteArray(1, '\0') + char(c.unicode());
        patched.replace(wideSans, wideFamily);
        ASSERT_GE(QFontDatabase::addApplicationFontFromData(patched), 0);

        int canBury = 0;
        const QString path = writePdf(QStringLiteral("licence.pdf"), true, [&](TPDFContent &c) {
            c.Font().SetCustomName(family);
            c.TextOut(40, 700, QStringLiteral("Café"));
            canBury = c.Font().CanBury();
        });
        vellora::pdf::test::checkPdf(path, 1, 595, 842);
        EXPECT_EQ(canBury, k.canBury);
        const std::vector<FontRow> rows = pdffonts(path);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_TRUE(rows[0].name.endsWith(k.family)) << rows[0].name.toStdString();
        EXPECT_EQ(rows[0].type, k.type);
        EXPECT_EQ(rows[0].emb, k.emb);
        EXPECT_EQ(pdftotext(path).trimmed().toStdString(), "Café");
        if (k.whole) {
            // May not be subset: every outline goes in.
            const QRegularExpression length1(QStringLiteral("/Length1 (\\d+)"));
            long long size = -1;
            for (int object = 1; object < 20 && size < 0; ++object)
                if (const auto m = length1.match(QString::fromLatin1(objectOf(path, object))); m.hasMatch())
                    size = m.captured(1).toLongLong();
            EXPECT_GE(size, TSfntFile(dejavu).Table(fontTag("glyf")).size());
        }
    }
}
