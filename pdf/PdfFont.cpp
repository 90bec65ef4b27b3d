#include "pdf/PdfFont.h"

#include "pdf/AdobeJapan1.h"
#include "pdf/PdfText.h"
#include "pdf/QvPDF.h"
#include "settings/Codepage.h"
#include "settings/Errors.h"

#include <QCryptographicHash>
#include <QFont>
#include <QGuiApplication>
#include <QRawFont>
#include <array>
#include <cmath>
#include <mutex>

namespace vellora::pdf {

QString SystemFontName(TPDFFontType type)
{
    switch (type) {
    case TPDFFontType::pfoCentury: return QStringLiteral("Century");
    case TPDFFontType::pfoArial: return QStringLiteral("Arial");
    case TPDFFontType::pfoCourier: return QStringLiteral("Courier New");
    case TPDFFontType::pfoMS_Mincho: return QStringLiteral("ＭＳ 明朝");
    case TPDFFontType::pfoMS_Gothic: return QStringLiteral("ＭＳ ゴシック");
    case TPDFFontType::pfoMS_PMincho: return QStringLiteral("ＭＳ Ｐ明朝");
    case TPDFFontType::pfoMS_PGothic: return QStringLiteral("ＭＳ Ｐゴシック");
    case TPDFFontType::pfoCustom: break;
    }
    return QString();
}

// --- TCanvasFont

void TCanvasFont::changed()
{
    if (OnChange)
        OnChange();
}

void TCanvasFont::SetBold(bool v)
{
    if (v == FBold)
        return;
    FBold = v;
    FCanBury = 0;
    changed();
}

void TCanvasFont::SetCanBury(int v)
{
    if (v == FCanBury)
        return;
    FCanBury = v;
    changed();
}

void TCanvasFont::SetColor(TColor v)
{
    if (v == FColor)
        return;
    FColor = v;
    changed();
}

void TCanvasFont::SetCustomName(const QString &v)
{
    if (v == FCustomName && FName == TPDFFontType::pfoCustom)
        return;
    FCustomName = v;
    FName = TPDFFontType::pfoCustom;
    FCanBury = 0;
    changed();
}

void TCanvasFont::SetItalic(bool v)
{
    if (v == FItalic)
        return;
    FItalic = v;
    FCanBury = 0;
    changed();
}

void TCanvasFont::SetName(TPDFFontType v)
{
    if (v == FName)
        return;
    FName = v;
    if (v != TPDFFontType::pfoCustom) {
        FCustomName = SystemFontName(v);
        FCanBury = -1;
    } else {
        FCanBury = 0;
    }
    changed();
}

void TCanvasFont::SetRenderMode(TPDFTextRenderMode v)
{
    if (v == FRenderMode)
        return;
    FRenderMode = v;
    changed();
}

void TCanvasFont::SetScale(double v)
{
    if (v == FScale)
        return;
    FScale = v;
    changed();
}

void TCanvasFont::SetSize(double v)
{
    if (v == FSize)
        return;
    FSize = v;
    changed();
}

void TCanvasFont::SetStrokeColor(TColor v)
{
    if (v == FStrokeColor)
        return;
    FStrokeColor = v;
    changed();
}

void TCanvasFont::Assign(const TCanvasFont &source)
{
    const bool differs = FBold != source.FBold || FCanBury != source.FCanBury || FColor != source.FColor
        || FCustomName != source.FCustomName || FItalic != source.FItalic || FName != source.FName
        || FRenderMode != source.FRenderMode || FScale != source.FScale || FSize != source.FSize
        || FStrokeColor != source.FStrokeColor;
    if (!differs)
        return;
    FBold = source.FBold;
    FCanBury = source.FCanBury;
    FColor = source.FColor;
    FCustomName = source.FCustomName;
    FItalic = source.FItalic;
    FName = source.FName;
    FRenderMode = source.FRenderMode;
    FScale = source.FScale;
    FSize = source.FSize;
    FStrokeColor = source.FStrokeColor;
    changed();
}

void TCanvasFont::Assign(const TFont &source)
{
    TCanvasFont copy = *this;
    copy.OnChange = nullptr;
    copy.SetCustomName(source.Name);
    copy.SetSize(source.Size());
    copy.SetBold(source.Style.contains(TFontStyle::fsBold));
    copy.SetColor(source.Color);
    Assign(copy);
}

// --- names and faces

QString EncodeName(const QString &S)
{
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    for (const char c : EncodeCp932(S)) {
        const auto b = static_cast<std::uint8_t>(c);
        out += QLatin1Char('#');
        out += QLatin1Char(digits[b >> 4]);
        out += QLatin1Char(digits[b & 15]);
    }
    return out;
}

namespace {

bool isJapaneseType(TPDFFontType type)
{
    return type == TPDFFontType::pfoMS_Mincho || type == TPDFFontType::pfoMS_Gothic
        || type == TPDFFontType::pfoMS_PMincho || type == TPDFFontType::pfoMS_PGothic;
}

const char *tableBaseFont(TPDFFontType type)
{
    switch (type) {
    case TPDFFontType::pfoCentury: return "/Century";
    case TPDFFontType::pfoArial: return "/Arial";
    case TPDFFontType::pfoCourier: return "/Courier";
    case TPDFFontType::pfoMS_Mincho: return "/#82#6C#82#72#20#96#BE#92#A9";
    case TPDFFontType::pfoMS_Gothic: return "/#82#6C#82#72#20#83#53#83#56#83#62#83#4E";
    case TPDFFontType::pfoMS_PMincho: return "/#82#6C#82#72#20#82#6F#96#BE#92#A9";
    case TPDFFontType::pfoMS_PGothic: return "/#82#6C#82#72#20#82#6F#83#53#83#56#83#62#83#4E";
    case TPDFFontType::pfoCustom: break;
    }
    return "";
}

// The Debian faces that stand in for the standard types, and the family the
// font engine is asked for when the file is missing.
struct StandardFace {
    const char *folder;
    std::array<const char *, 4> files;   // regular, bold, italic, bold italic
    const char *family;
};

const StandardFace &standardFace(TPDFFontType type)
{
    static const StandardFace century{"/usr/share/fonts/opentype/urw-base35/",
                                      {"C059-Roman.otf", "C059-Bold.otf", "C059-Italic.otf", "C059-BdIta.otf"}, "C059"};
    static const StandardFace arial{"/usr/share/fonts/truetype/liberation2/",
                                    {"LiberationSans-Regular.ttf", "LiberationSans-Bold.ttf",
                                     "LiberationSans-Italic.ttf", "LiberationSans-BoldItalic.ttf"},
                                    "Liberation Sans"};
    static const StandardFace courier{"/usr/share/fonts/truetype/liberation2/",
                                      {"LiberationMono-Regular.ttf", "LiberationMono-Bold.ttf",
                                       "LiberationMono-Italic.ttf", "LiberationMono-BoldItalic.ttf"},
                                      "Liberation Mono"};
    static const StandardFace mincho{"/usr/share/fonts/opentype/ipafont-mincho/",
                                     {"ipam.ttf", "ipam.ttf", "ipam.ttf", "ipam.ttf"}, "IPAMincho"};
    static const StandardFace gothic{"/usr/share/fonts/opentype/ipafont-gothic/",
                                     {"ipag.ttf", "ipag.ttf", "ipag.ttf", "ipag.ttf"}, "IPAGothic"};
    static const StandardFace pmincho{"/usr/share/fonts/opentype/ipafont-mincho/",
                                      {"ipamp.ttf", "ipamp.ttf", "ipamp.ttf", "ipamp.ttf"}, "IPAPMincho"};
    static const StandardFace pgothic{"/usr/share/fonts/opentype/ipafont-gothic/",
                                      {"ipagp.ttf", "ipagp.ttf", "ipagp.ttf", "ipagp.ttf"}, "IPAPGothic"};
    switch (type) {
    case TPDFFontType::pfoArial: return arial;
    case TPDFFontType::pfoCourier: return courier;
    case TPDFFontType::pfoMS_Mincho: return mincho;
    case TPDFFontType::pfoMS_Gothic: return gothic;
    case TPDFFontType::pfoMS_PMincho: return pmincho;
    case TPDFFontType::pfoMS_PGothic: return pgothic;
    default: return century;
    }
}

std::unique_ptr<TFontTableSource> engineFace(const QString &family, bool bold, bool italic)
{
    // The font engine needs the application's font database.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()) || family.isEmpty())
        return nullptr;
    QFont font(family);
    font.setBold(bold);
    font.setItalic(italic);
    font.setPixelSize(72);
    const QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid())
        return nullptr;
    return std::make_unique<TRawFontTables>(raw);
}

} // namespace

std::shared_ptr<TFontFace> LoadFontFace(TPDFFontType type, const QString &customName, bool bold, bool italic,
                                        bool checkEmbedding)
{
    // Faces are read once per process: a Japanese face is several megabytes.
    static std::mutex mutex;
    static std::map<QString, std::shared_ptr<TFontFace>> cache;
    const QString key = QStringLiteral("%1|%2|%3|%4|%5")
                            .arg(int(type))
                            .arg(type == TPDFFontType::pfoCustom ? customName : QString())
                            .arg(bold)
                            .arg(italic)
                            .arg(checkEmbedding);
    std::lock_guard lock(mutex);
    if (const auto it = cache.find(key); it != cache.end())
        return it->second;

    auto face = std::make_shared<TFontFace>();
    if (type == TPDFFontType::pfoCustom) {
        face->source = engineFace(customName, bold, italic);
    } else {
        const StandardFace &standard = standardFace(type);
        const std::size_t style = (bold ? 1u : 0u) + (italic ? 2u : 0u);
        face->source = TSfntFile::FromFile(QString::fromLatin1(standard.folder) + QLatin1String(standard.files[style]));
        if (!face->source)
            face->source = engineFace(QString::fromLatin1(standard.family), bold, italic);
    }
    if (face->source) {
        try {
            face->info = ReadFontFace(*face->source);
            face->valid = !face->info.advances.empty();
            if (checkEmbedding && face->valid && face->info.hasGlyf && face->info.hasUnicodeFormat4
                && face->info.MayEmbed()) {
                BuildFontSubset(*face->source, {}, face->info.NoSubsetting());
                face->embeddable = true;
            }
        } catch (const FormatError &) {
            // A damaged face: measured by default widths, never embedded.
            face->valid = false;
            face->embeddable = false;
        }
    }
    cache.emplace(key, face);
    return face;
}

QString TPDFCIDSystemInfo::Text() const
{
    return QStringLiteral("<< /Registry (%1)\r\n/Ordering (%2)\r\n/Supplement %3\r\n>>")
        .arg(FRegistryText, FOrdering)
        .arg(FSupplement);
}

// --- TPDFFont

TPDFFont::TPDFFont(TQvPDFObjects *AOwner, TCanvasFont *ACanvasFont) : TPDFObject(AOwner), FCanvasFont(ACanvasFont)
{
    FObjectType = QStringLiteral("/Font");
    if (ACanvasFont) {
        FBold = ACanvasFont->Bold();
        FItalic = ACanvasFont->Italic();
        FFontType = ACanvasFont->Name();
        FCustomName = ACanvasFont->CustomName();
    }
}

TPDFFont::~TPDFFont() = default;

bool TPDFFont::Matches(const TCanvasFont &font) const
{
    if (font.Bold() != FBold || font.Italic() != FItalic || font.Name() != FFontType)
        return false;
    if (FFontType != TPDFFontType::pfoCustom)
        return true;
    if (font.CustomName() != FCustomName)
        return false;
    // The same face asked not to be embedded needs a font of its own.
    const TQvPDF *doc = Document();
    const bool embed = FCanBury && font.CanBury() != -1 && doc && doc->BuryFonts();
    return embed == FEmbedded;
}

bool TPDFFont::IsWide() const
{
    return isJapaneseType(FFontType);
}

int TPDFFont::CharWidth(char32_t c) const
{
    if (c <= 0xFFFF)
        if (const TCMapNode *node = CMaps().Find(std::uint16_t(c)))
            return node->FWidth;
    return CMaps().FDW;
}

void TPDFFont::MarkUsed(char16_t code)
{
    CMaps().Add(code).FUsed = true;
}

int TPDFFont::scaled(double fontUnits) const
{
    return FFace && FFace->valid ? FFace->info.Scale(fontUnits) : int(fontUnits);
}

QString TPDFFont::styleSuffix() const
{
    if (FBold && FItalic)
        return QStringLiteral(",BoldItalic");
    if (FBold)
        return QStringLiteral(",Bold");
    if (FItalic)
        return QStringLiteral(",Italic");
    return QString();
}

void TPDFFont::Setup()
{
    const bool custom = FFontType == TPDFFontType::pfoCustom;
    FFace = LoadFontFace(FFontType, FCustomName, FBold, FItalic, custom);
    const bool refused = custom && FCanvasFont && FCanvasFont->CanBury() == -1;
    FCanBury = custom && FFace->embeddable;
    if (custom && FCanvasFont && !refused)
        FCanvasFont->SetCanBury(FCanBury ? 1 : -1);
    const TQvPDF *doc = Document();
    FEmbedded = FCanBury && !refused && doc && doc->BuryFonts() && IsWide();
    FNotAnsi = isJapaneseType(FFontType) || (custom && FFace->valid && FFace->info.NotAnsi());
    MakeObjects();
    Measure();
    MakeName();
}

void TPDFFont::Measure()
{
    TCMapTree &map = CMaps();
    const TFontFaceInfo &info = FFace->info;
    const bool valid = FFace->valid;
    // A face that could not be read keeps text measurable with fixed widths.
    if (FNotAnsi)
        map.FDW = 1000;
    else if (FFontType == TPDFFontType::pfoCustom && FEmbedded)
        map.FDW = 500;
    else
        map.FDW = valid ? info.Scale(info.Advance(info.GlyphFor(U'0'))) : 600;

    if (!FFontDescriptor)
        return;
    TPDFFontDescriptor &d = *FFontDescriptor;
    const int ascent = valid ? info.Scale(info.winAscent) : 800;
    const int descent = valid ? info.Scale(info.winDescent) : 200;
    d.FAscent = ascent;
    d.FCapHeight = ascent;
    d.FDescent = -descent;
    d.FAvgWidth = map.FDW;
    d.FMissingWidth = map.FDW;
    d.FLeading = valid ? info.Scale(info.winAscent + info.winDescent - info.unitsPerEm) : 0;
    d.FMaxWidth = valid ? info.Scale(info.advanceWidthMax) : 1000;
    d.FFontBBox = TPDFRect{double(d.FDescent), double(d.FDescent), double(d.FDescent + d.FMaxWidth), double(ascent)};
    d.FStemV = FFontType == TPDFFontType::pfoCentury ? (FBold ? 156 : 78) : 0;
    switch (FFontType) {
    case TPDFFontType::pfoCentury: d.FFlags.bits = 34; break;
    case TPDFFontType::pfoArial:
    case TPDFFontType::pfoCourier: d.FFlags.bits = 32; break;
    case TPDFFontType::pfoMS_Mincho:
    case TPDFFontType::pfoMS_PMincho: d.FFlags.bits = 6; break;
    case TPDFFontType::pfoMS_Gothic:
    case TPDFFontType::pfoMS_PGothic: d.FFlags.bits = 4; break;
    case TPDFFontType::pfoCustom: {
        d.FFlags.bits = FNotAnsi ? 4 : 32;
        const int family = info.familyClass >> 8;
        if (family >= 1 && family <= 7 && family != 6)
            d.FFlags.include(TPDFFontFlag::pffSerif);
        if (family == 10)
            d.FFlags.include(TPDFFontFlag::pffScript);
        break;
    }
    }
    if (FBold)
        d.FFlags.include(TPDFFontFlag::pffForceBold);
    if (FItalic) {
        d.FFlags.include(TPDFFontFlag::pffItalic);
        d.FItalicAngle = static_cast<int>(std::lround(info.italicAngle));
    }
}

void TPDFFont::MakeName()
{
    if (FFontType == TPDFFontType::pfoCustom) {
        const QString family = FFace->valid && !FFace->info.familyName.isEmpty() ? FFace->info.familyName : FCustomName;
        FBaseFont = QLatin1Char('/') + EncodeName(family);
    } else {
        FBaseFont = QString::fromLatin1(tableBaseFont(FFontType));
    }
}

int TPDFFont::WriteTextString(Sink &out, const QString &S)
{
    return WriteString(out, S, false, this, IsWide() ? 1 : 0);
}

void TPDFFont::WriteStream(Sink &out) const
{
    const double size = FCanvasFont ? FCanvasFont->Size() : 10.0;
    WriteLine(out, FName + QLatin1Char(' ') + QString::fromLatin1(f2(size)) + QStringLiteral(" Tf"));
}

void TPDFFont::WriteBody(Sink &out)
{
    WriteLine(out, std::string_view("<<"));
    WriteLine(out, QStringLiteral("/Type ") + FObjectType);
    WriteLine(out, QStringLiteral("/Subtype ") + FSubType);
    if (!FName.isEmpty())
        WriteLine(out, QStringLiteral("/Name ") + FName);
    WriteLine(out, QStringLiteral("/BaseFont ") + FBaseFont);
    WriteKeys(out);
    if (FFontDescriptor)
        WriteLine(out, QStringLiteral("/FontDescriptor ") + FFontDescriptor->ReferenceString());
    WriteLine(out, std::string_view(">>"));
}

// --- TPDFTrueTypeFont

namespace {

// WinAnsi (code page 1252) byte of a character; -1 when it has none.
int winAnsiByte(char32_t c)
{
    static const std::map<char32_t, int> table = [] {
        std::map<char32_t, int> t;
        for (int b = 0; b < 256; ++b) {
            if (b < 0x80 || b >= 0xA0) {
                t.emplace(char32_t(b), b);
                continue;
            }
            const QString s = DecodeCharset(QByteArray(1, char(b)), "CP1252");
            if (s.size() == 1 && s[0] != QChar(0xFFFD))
                t.emplace(char32_t(s[0].unicode()), b);
        }
        return t;
    }();
    const auto it = table.find(c);
    return it == table.end() ? -1 : it->second;
}

char32_t winAnsiChar(int byte)
{
    static const std::array<char32_t, 256> table = [] {
        std::array<char32_t, 256> t{};
        for (int b = 0; b < 256; ++b) {
            if (b < 0x80 || b >= 0xA0) {
                t[std::size_t(b)] = char32_t(b);
                continue;
            }
            const QString s = DecodeCharset(QByteArray(1, char(b)), "CP1252");
            t[std::size_t(b)] = s.size() == 1 && s[0] != QChar(0xFFFD) ? char32_t(s[0].unicode()) : 0;
        }
        return t;
    }();
    return table[std::size_t(byte & 0xFF)];
}

// Code points of a UTF-16 string; a lone surrogate stands for itself.
template <class F>
void forEachCodePoint(const QString &S, F visit)
{
    for (qsizetype i = 0; i < S.size(); ++i) {
        const char16_t u = S[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < S.size() && QChar::isLowSurrogate(S[i + 1].unicode())) {
            visit(QChar::surrogateToUcs4(u, S[i + 1].unicode()), S.mid(i, 2));
            ++i;
        } else {
            visit(char32_t(u), S.mid(i, 1));
        }
    }
}

} // namespace

TPDFTrueTypeFont::TPDFTrueTypeFont(TQvPDFObjects *AOwner, TCanvasFont *ACanvasFont) : TPDFFont(AOwner, ACanvasFont)
{
    FSubType = QStringLiteral("/TrueType");
}

void TPDFTrueTypeFont::MakeObjects()
{
    FFontDescriptor = Owner()->Add<TPDFFontDescriptor>(this);
    FWidthDummy = Owner()->Add<TPDFFontWidths>(this);
}

void TPDFTrueTypeFont::MakeName()
{
    TPDFFont::MakeName();
    FBaseFont += styleSuffix();
    FFontDescriptor->FFontName = FBaseFont;
}

void TPDFTrueTypeFont::Measure()
{
    FFirstChar = 0;
    FLastChar = 255;
    TPDFFont::Measure();
    const TFontFaceInfo &info = FFace->info;
    for (int code = 0; code < 256; ++code) {
        TCMapNode &node = FCMaps.Add(std::uint16_t(code));
        const char32_t c = winAnsiChar(code);
        node.FSourceCode = std::uint16_t(c);
        node.FCode = FFace->valid ? info.GlyphFor(c) : 0;
        node.FWidth = std::uint16_t(FFace->valid ? info.Scale(info.Advance(node.FCode)) : FCMaps.FDW);
    }
}

int TPDFTrueTypeFont::Descent() const
{
    return FFontDescriptor ? FFontDescriptor->FDescent : 0;
}

int TPDFTrueTypeFont::CharWidth(char32_t c) const
{
    const int byte = winAnsiByte(c);
    return TPDFFont::CharWidth(char32_t(byte < 0 ? '?' : byte));
}

void TPDFTrueTypeFont::MarkUsed(char16_t code)
{
    if (code < 256)
        FCMaps.Add(code).FUsed = true;
}

int TPDFTrueTypeFont::WriteTextString(Sink &out, const QString &S)
{
    int written = 1;
    out.write("(", 1);
    int count = 0;
    forEachCodePoint(S, [&](char32_t c, const QString &) {
        const int code = winAnsiByte(c);
        auto byte = static_cast<std::uint8_t>(code < 0 ? '?' : code);
        MarkUsed(byte);
        if (EscapeByte(byte)) {
            const char pair[2] = {'\\', static_cast<char>(byte)};
            out.write(pair, 2);
            written += 2;
        } else {
            out.put(byte);
            ++written;
        }
        if (++count % kStringChunk == 0) {
            out.write("\\\r\n", 3);
            written += 3;
        }
    });
    out.write(")", 1);
    return written + 1;
}

std::pair<std::uint32_t, std::uint32_t> TPDFTrueTypeFont::usedRange() const
{
    std::uint32_t first = 256, last = 0;
    for (std::uint32_t code = 0; code < 256; ++code)
        if (const TCMapNode *node = FCMaps.Find(std::uint16_t(code)); node && node->FUsed) {
            first = std::min(first, code);
            last = std::max(last, code);
        }
    if (first > last)
        return {32, 32};
    return {first, last};
}

void TPDFTrueTypeFont::WriteKeys(Sink &out)
{
    const auto [first, last] = usedRange();
    WriteLine(out, "/FirstChar " + formatInt(first));
    WriteLine(out, "/LastChar " + formatInt(last));
    WriteLine(out, QStringLiteral("/Widths ") + FWidthDummy->ReferenceString());
    WriteLine(out, QStringLiteral("/Encoding ") + FEncoding);
}

void TPDFTrueTypeFont::WriteWidths(Sink &out) const
{
    const auto [first, last] = usedRange();
    WriteText(out, std::string_view("["));
    int n = 0;
    for (std::uint32_t code = first; code <= last; ++code) {
        const TCMapNode *node = FCMaps.Find(std::uint16_t(code));
        WriteText(out, formatInt(node ? node->FWidth : FCMaps.FDW) + ' ');
        if (++n % 9 == 0)
            WriteText(out, std::string_view(), false, true);
    }
    WriteText(out, std::string_view(" ]"), false, true);
}

// --- TPDFType0Font

TPDFType0Font::TPDFType0Font(TQvPDFObjects *AOwner, TCanvasFont *ACanvasFont) : TPDFFont(AOwner, ACanvasFont)
{
    FSubType = QStringLiteral("/Type0");
    FEncoding = QStringLiteral("/UniJIS-UCS2-H");
}

void TPDFType0Font::MakeObjects()
{
    FDiscendantFonts = Owner()->Add<TPDFCIDFont>(this);
    FDiscendantFonts->MakeParts(*this);
    if (FEmbedded)
        FToUnicode = Owner()->Add<TPDFCMap>(this);
}

void TPDFType0Font::Measure()
{
    // The descriptor belongs to the CID font; it is measured from this font's face.
    FFontDescriptor = FDiscendantFonts->FontDescriptor();
    TPDFFont::Measure();
    FFontDescriptor = nullptr;
    if (!FFace->valid)
        return;
    const TFontFaceInfo &info = FFace->info;
    for (const auto &[code, glyph] : info.bmp) {
        TCMapNode &node = FCMaps.Add(code);
        node.FCode = glyph;
        node.FWidth = std::uint16_t(info.Scale(info.Advance(glyph)));
    }
    FCMaps.FFontStream = FFace->source->Table(fontTag("cmap"));
}

void TPDFType0Font::MakeName()
{
    TPDFFont::MakeName();
    FDiscendantFonts->SetBaseFont(FBaseFont + styleSuffix());
    FDiscendantFonts->FontDescriptor()->FFontName = FDiscendantFonts->BaseFont();
    if (FEmbedded) {
        FDiscendantFonts->CIDSystemInfo().FOrdering = QStringLiteral("Identity");
        FDiscendantFonts->CIDSystemInfo().FSupplement = 0;
        FEncoding = QStringLiteral("/Identity-H");
    }
}

void TPDFType0Font::TagSubset(const QString &tag)
{
    auto tagged = [&tag](const QString &name) { return QLatin1Char('/') + tag + QLatin1Char('+') + name.mid(1); };
    FBaseFont = tagged(FBaseFont);
    FDiscendantFonts->SetBaseFont(tagged(FDiscendantFonts->BaseFont()));
    FDiscendantFonts->FontDescriptor()->FFontName = FDiscendantFonts->BaseFont();
}

void TPDFType0Font::Prepare()
{
    if (!FEmbedded)
        return;
    // The tag names this subset: six capitals drawn from its glyphs.
    QCryptographicHash hash(QCryptographicHash::Md5);
    for (const auto &entry : FUsedGlyphs) {
        const char bytes[2] = {char(entry.first >> 8), char(entry.first & 0xFF)};
        hash.addData(QByteArrayView(bytes, 2));
    }
    const QByteArray digest = hash.result();
    QString tag;
    for (int i = 0; i < 6; ++i)
        tag += QLatin1Char(char('A' + std::uint8_t(digest[i]) % 26));
    TagSubset(tag);
}

int TPDFType0Font::Descent() const
{
    return FDiscendantFonts ? FDiscendantFonts->FontDescriptor()->FDescent : 0;
}

int TPDFType0Font::CharWidth(char32_t c) const
{
    if (FEmbedded) {
        const TFontFaceInfo &info = FFace->info;
        return FFace->valid ? info.Scale(info.Advance(info.GlyphFor(c))) : FCMaps.FDW;
    }
    return TPDFFont::CharWidth(c);
}

std::uint16_t TPDFType0Font::GlyphCode(char16_t unit)
{
    return FEmbedded ? FFace->info.GlyphFor(unit) : unit;
}

int TPDFType0Font::WriteTextString(Sink &out, const QString &S)
{
    if (!FEmbedded)
        return WriteString(out, S, false, this, 1);
    // Glyph numbers as four hexadecimal digits; a character outside the BMP is one glyph.
    static const char digits[] = "0123456789ABCDEF";
    int written = 1;
    out.write("<", 1);
    int bytes = 0;
    forEachCodePoint(S, [&](char32_t c, const QString &text) {
        const std::uint16_t glyph = FFace->info.GlyphFor(c);
        if (glyph != 0)
            FUsedGlyphs.emplace(glyph, text);
        const char hex[4] = {digits[glyph >> 12], digits[(glyph >> 8) & 15], digits[(glyph >> 4) & 15],
                             digits[glyph & 15]};
        out.write(hex, 4);
        written += 4;
        bytes += 2;
        if (bytes % kStringChunk == 0) {
            out.write("\r\n", 2);
            written += 2;
        }
    });
    out.write(">", 1);
    return written + 1;
}

void TPDFType0Font::WriteKeys(Sink &out)
{
    WriteLine(out, QStringLiteral("/Encoding ") + FEncoding);
    WriteLine(out, QStringLiteral("/DescendantFonts [") + FDiscendantFonts->ReferenceString() + QLatin1Char(']'));
    if (FToUnicode)
        WriteLine(out, QStringLiteral("/ToUnicode ") + FToUnicode->ReferenceString());
}

// --- TPDFCIDFont

TPDFCIDFont::TPDFCIDFont(TQvPDFObjects *AOwner, TPDFType0Font *AParent)
    : TPDFFont(AOwner, AParent->CanvasFont()), FParentFont(AParent)
{
    FSubType = QStringLiteral("/CIDFontType2");
    FWinCharSet = 128;
}

void TPDFCIDFont::MakeParts(const TPDFFont &parent)
{
    FFace = parent.FFace;
    FEmbedded = parent.FEmbedded;
    FCanBury = parent.FCanBury;
    FFontDescriptor = Owner()->Add<TPDFFontDescriptor>(this);
    FWidthDummy = Owner()->Add<TPDFFontWidths>(this);
}

TCMapTree &TPDFCIDFont::CMaps()
{
    return FParentFont->CMaps();
}

TCMapCodeList TPDFCIDFont::UsedWidths() const
{
    TCMapCodeList list;
    if (FEmbedded) {
        const TFontFaceInfo &info = FFace->info;
        for (const auto &entry : FParentFont->UsedGlyphs())
            list.emplace_back(entry.first, std::uint32_t(info.Scale(info.Advance(entry.first))));
    } else {
        // Not embedded: the reader finds glyphs by Adobe-Japan1 CID, so the widths are keyed by it.
        CMaps().ForEach([&list](const TCMapNode &node) {
            if (!node.FUsed)
                return;
            const int cid = AdobeJapan1CID(node.FSourceCode);
            if (cid >= 0)
                list.emplace_back(std::uint32_t(cid), node.FWidth);
        });
    }
    list.Sort();
    list.erase(std::unique(list.begin(), list.end(), [](const auto &a, const auto &b) { return a.first == b.first; }),
               list.end());
    return list;
}

void TPDFCIDFont::WriteWidths(Sink &out) const
{
    const int dw = CMaps().FDW;
    TCMapCodeList list = UsedWidths();
    list.erase(std::remove_if(list.begin(), list.end(), [dw](const auto &e) { return int(e.second) == dw; }),
               list.end());
    WriteText(out, std::string_view("["), false, true);
    std::size_t i = 0;
    while (i < list.size()) {
        // A group of consecutive CIDs.
        std::size_t end = i + 1;
        while (end < list.size() && list[end].first == list[end - 1].first + 1)
            ++end;
        std::size_t k = i;
        auto runEnd = [&list, end](std::size_t from) {
            std::size_t to = from + 1;
            while (to < end && list[to].second == list[from].second)
                ++to;
            return to;
        };
        while (k < end) {
            // Three or more equal widths: "first last width".
            if (const std::size_t same = runEnd(k); same - k >= 3) {
                WriteLine(out, formatInt(list[k].first) + ' ' + formatInt(list[same - 1].first) + ' '
                                   + formatInt(list[k].second));
                k = same;
                continue;
            }
            // Otherwise a list up to the next such run: "first [w w ...]".
            std::size_t stop = k;
            while (stop < end && runEnd(stop) - stop < 3)
                stop = runEnd(stop);
            WriteText(out, formatInt(list[k].first) + " [");
            int n = 0;
            for (std::size_t m = k; m < stop; ++m) {
                WriteText(out, formatInt(list[m].second) + ' ');
                if (++n % 9 == 0 && m + 1 < stop)
                    WriteText(out, std::string_view(), false, true);
            }
            WriteLine(out, std::string_view("]"));
            k = stop;
        }
        i = end;
    }
    WriteText(out, std::string_view("]"), false, true);
}

void TPDFCIDFont::WriteKeys(Sink &out)
{
    WriteLine(out, QStringLiteral("/CIDSystemInfo ") + FCIDSystemInfo.Text());
    WriteLine(out, "/DW " + formatInt(CMaps().FDW));
    WriteLine(out, QStringLiteral("/W ") + FWidthDummy->ReferenceString());
}

// --- TPDFFontDescriptor

TPDFFontDescriptor::TPDFFontDescriptor(TQvPDFObjects *AOwner, TPDFFont *AParent)
    : TPDFObject(AOwner), FParentFont(AParent)
{
    FObjectType = QStringLiteral("/FontDescriptor");
}

void TPDFFontDescriptor::Prepare()
{
    if (!FParentFont->Embedded() || FFontFile2)
        return;
    auto *stream = Owner()->Add<TPDFFontStream>();
    try {
        stream->Bury(*FParentFont);
        FFontFile2 = stream;
    } catch (const FormatError &) {
        // The face changed or was damaged after it was checked: the text keeps
        // its ToUnicode map and readers substitute a face.
        Owner()->Remove(stream);
    }
}

void TPDFFontDescriptor::WriteBody(Sink &out)
{
    WriteLine(out, std::string_view("<<"));
    WriteLine(out, QStringLiteral("/Type ") + FObjectType);
    WriteLine(out, "/Ascent " + formatInt(FAscent));
    WriteLine(out, "/CapHeight " + formatInt(FCapHeight));
    WriteLine(out, "/Descent " + formatInt(FDescent));
    WriteLine(out, "/Flags " + formatInt(FFlags.bits));
    WriteLine(out, QStringLiteral("/FontBBox ") + RectToString(FFontBBox));
    WriteLine(out, QStringLiteral("/FontName ") + FFontName);
    WriteLine(out, "/ItalicAngle " + formatInt(FItalicAngle));
    WriteLine(out, "/StemV " + formatInt(FStemV));
    WriteLine(out, "/AvgWidth " + formatInt(FAvgWidth));
    WriteLine(out, "/Leading " + formatInt(FLeading));
    WriteLine(out, "/MaxWidth " + formatInt(FMaxWidth));
    WriteLine(out, "/MissingWidth " + formatInt(FMissingWidth));
    if (FStemH != 0)
        WriteLine(out, "/StemH " + formatInt(FStemH));
    if (FXHeight != 0)
        WriteLine(out, "/XHeight " + formatInt(FXHeight));
    if (!FCharSet.isEmpty())
        WriteLine(out, QStringLiteral("/CharSet ") + FCharSet);
    if (FFontFile2)
        WriteLine(out, QStringLiteral("/FontFile2 ") + FFontFile2->ReferenceString());
    WriteLine(out, std::string_view(">>"));
}

// --- TPDFFontWidths

void TPDFFontWidths::WriteBody(Sink &out)
{
    if (auto *cid = dynamic_cast<TPDFCIDFont *>(FFont))
        cid->WriteWidths(out);
    else if (auto *trueType = dynamic_cast<TPDFTrueTypeFont *>(FFont))
        trueType->WriteWidths(out);
    else
        WriteLine(out, std::string_view("[ ]"));
}

// --- TPDFFontStream

TPDFFontStream::TPDFFontStream(TQvPDFObjects *AOwner) : TPDFObject(AOwner)
{
    if (const TQvPDF *doc = Document()) {
        FFilters.Assign(doc->DefaultFilters());
        FFilters.SetEnabledFilters(doc->DefaultFilters().EnabledFilters());
    }
}

void TPDFFontStream::Bury(TPDFFont &Font)
{
    auto *cid = dynamic_cast<TPDFCIDFont *>(&Font);
    const TFontFace *face = Font.Face();
    if (!face || !face->source)
        throw FormatError(QStringLiteral("no face to embed"));
    std::set<std::uint16_t> used;
    if (cid)
        for (const auto &entry : cid->ParentFont()->UsedGlyphs())
            used.insert(entry.first);
    const QByteArray program = BuildFontSubset(*face->source, used, face->info.NoSubsetting());
    FLength1 = program.size();
    FBuffer.clear();
    ByteArraySink sink(FBuffer);
    FilterChain chain(FFilters, sink);
    chain.input().write(program);
    chain.input().finish();
}

void TPDFFontStream::WriteBody(Sink &out)
{
    WriteLine(out, std::string_view("<<"));
    WriteLine(out, QStringLiteral("/Filter ") + FFilters.Text());
    WriteLine(out, "/Length " + formatInt(FBuffer.size()));
    WriteLine(out, "/Length1 " + formatInt(FLength1));
    if (FFilters.IndexOf(TPDFFilter::pfiLZWDecode) >= 0
        && FFilters.EnabledFilters().contains(TPDFFilter::pfiLZWDecode))
        WriteLine(out, "/EarlyChange " + formatInt(FEarlyChange));
    WriteLine(out, std::string_view(">>"));
    WriteLine(out, std::string_view("stream"));
    out.write(FBuffer);
    WriteText(out, std::string_view(), false, true);
    WriteLine(out, std::string_view("endstream"));
}

// --- TPDFCMap

TPDFCMap::TPDFCMap(TQvPDFObjects *AOwner, TPDFType0Font *AFont) : TPDFObject(AOwner), FFont(AFont) {}

void TPDFCMap::Prepare()
{
    FCIDSystemInfo = FFont->DescendantFont()->CIDSystemInfo();
    FCMapName = FFont->BaseFont() + QStringLiteral("+0");
    std::vector<TToUnicodeEntry> entries;
    for (const auto &[glyph, text] : FFont->UsedGlyphs())
        entries.push_back({glyph, text});
    FBuffer = ToUnicodeProgram(std::move(entries), FCIDSystemInfo.Text(), FCMapName);
}

void TPDFCMap::WriteBody(Sink &out)
{
    WriteLine(out, std::string_view("<<"));
    WriteLine(out, "/Length " + formatInt(FBuffer.size()));
    WriteLine(out, std::string_view(">>"));
    WriteLine(out, std::string_view("stream"));
    out.write(FBuffer);
    WriteLine(out, std::string_view("endstream"));
}

// --- making fonts

TPDFFont *MakeFont(TQvPDFObjects &objects, TCanvasFont &font, bool buryFonts)
{
    TPDFFont *made = nullptr;
    switch (font.Name()) {
    case TPDFFontType::pfoCentury:
    case TPDFFontType::pfoArial:
    case TPDFFontType::pfoCourier: made = objects.Add<TPDFTrueTypeFont>(&font); break;
    case TPDFFontType::pfoCustom: {
        const auto face = LoadFontFace(font.Name(), font.CustomName(), font.Bold(), font.Italic(), true);
        const bool notAnsi = face->valid && face->info.NotAnsi();
        if (notAnsi || (buryFonts && face->embeddable && font.CanBury() != -1))
            made = objects.Add<TPDFType0Font>(&font);
        else
            made = objects.Add<TPDFTrueTypeFont>(&font);
        break;
    }
    default: made = objects.Add<TPDFType0Font>(&font); break;
    }
    made->Setup();
    return made;
}

} // namespace vellora::pdf
