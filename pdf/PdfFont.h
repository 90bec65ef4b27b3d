// Text fonts of the PDF writer: TCanvasFont (the font a page's canvas draws
// text with) and the font objects a page's resources name ("/F0", "/F1",
// ...): a simple TrueType font for Latin text, or a Type0 font with a
// CIDFontType2 descendant for Japanese text, each with a descriptor and a
// widths object, optionally an embedded subset and a ToUnicode map. Metrics
// come from the face's own tables (a fixed Debian font file for the standard
// types, the font engine's face for custom ones), so widths do not depend on
// hinting or the screen. A face that cannot be read is used unembedded.
#pragma once

#include "pdf/CMap.h"
#include "pdf/Filters.h"
#include "pdf/FontFile.h"
#include "pdf/PdfObject.h"
#include "pdf/PdfTypes.h"
#include "settings/Font.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>

namespace vellora::pdf {

enum class TPDFFontType : std::uint8_t {
    pfoCentury, pfoArial, pfoCourier, pfoMS_Mincho, pfoMS_Gothic, pfoMS_PMincho, pfoMS_PGothic, pfoCustom
};

enum class TPDFTextRenderMode : std::uint8_t {
    ptrDefault, ptrStroke, ptrStrokeFill, ptrClear,
    ptrClipingFill, ptrClipingStroke, ptrClipingStrokeFill, ptrClipingPath
};

// The face the platform measures a standard font type with.
QString SystemFontName(TPDFFontType type);

class TCanvasFont {
public:
    std::function<void()> OnChange;

    bool Bold() const noexcept { return FBold; }
    int CanBury() const noexcept { return FCanBury; }   // 0 unknown, 1 may be embedded, -1 may not
    TColor Color() const noexcept { return FColor; }
    const QString &CustomName() const noexcept { return FCustomName; }
    bool Italic() const noexcept { return FItalic; }
    TPDFFontType Name() const noexcept { return FName; }
    TPDFTextRenderMode RenderMode() const noexcept { return FRenderMode; }
    double Scale() const noexcept { return FScale; }     // horizontal scaling, percent
    double Size() const noexcept { return FSize; }       // points
    TColor StrokeColor() const noexcept { return FStrokeColor; }

    void SetBold(bool v);
    void SetCanBury(int v);
    void SetColor(TColor v);
    void SetCustomName(const QString &v);   // makes the type pfoCustom
    void SetItalic(bool v);
    void SetName(TPDFFontType v);           // standard types: their system face, not embeddable
    void SetRenderMode(TPDFTextRenderMode v);
    void SetScale(double v);
    void SetSize(double v);
    void SetStrokeColor(TColor v);

    // Copies every value (fires one change when anything differs).
    void Assign(const TCanvasFont &source);
    // From a platform font: face (as a custom font), size, bold and colour.
    void Assign(const TFont &source);

private:
    void changed();

    bool FBold = false;
    int FCanBury = 0;
    TColor FColor = clBlack;
    QString FCustomName = SystemFontName(TPDFFontType::pfoCentury);
    bool FItalic = false;
    TPDFFontType FName = TPDFFontType::pfoCentury;
    TPDFTextRenderMode FRenderMode = TPDFTextRenderMode::ptrDefault;
    double FScale = 100;
    double FSize = 10;
    TColor FStrokeColor = clBlack;
};

// "#82#6C..." : the Shift_JIS bytes of S, each as "#" and two upper-case hex digits.
QString EncodeName(const QString &S);

enum class TPDFFontFlag : std::uint8_t {
    pffFixedPitch = 0, pffSerif = 1, pffSymbolic = 2, pffScript = 3, pffNonsymbolic = 5, pffItalic = 6,
    pffAllCap = 16, pffSmallCap = 17, pffForceBold = 18
};

struct TPDFFontFlags {
    std::uint32_t bits = 0;
    bool contains(TPDFFontFlag f) const noexcept { return bits & (1u << static_cast<unsigned>(f)); }
    void include(TPDFFontFlag f) noexcept { bits |= 1u << static_cast<unsigned>(f); }
};

// A face and what was read from it. `valid` is false when no face was found
// or its tables are broken; such a face measures every character as the
// default width.
struct TFontFace {
    std::unique_ptr<TFontTableSource> source;
    TFontFaceInfo info;
    bool valid = false;
    bool embeddable = false;   // TrueType outlines, a Unicode map, fsType allows, subset builds
};

// The face of a standard type (its Debian font file) or of a custom name (the
// font engine's match). Checks embeddability only when asked (it builds a
// trial subset).
std::shared_ptr<TFontFace> LoadFontFace(TPDFFontType type, const QString &customName, bool bold, bool italic,
                                        bool checkEmbedding);

class TPDFFontDescriptor;
class TPDFFontWidths;
class TPDFCIDFont;
class TPDFCMap;
class TPDFFontStream;

class TPDFCIDSystemInfo {
public:
    QString FOrdering = QStringLiteral("Japan1");
    QString FRegistryText = QStringLiteral("Adobe");
    int FSupplement = 2;
    QString Text() const;
};

class TPDFFont : public TPDFObject {
public:
    TPDFFont(TQvPDFObjects *AOwner, TCanvasFont *ACanvasFont);
    ~TPDFFont() override;

    const QString &Name() const noexcept { return FName; }
    void SetName(const QString &name) { FName = name; }
    const QString &BaseFont() const noexcept { return FBaseFont; }
    bool Bold() const noexcept { return FBold; }
    bool Italic() const noexcept { return FItalic; }
    TPDFFontType FontType() const noexcept { return FFontType; }
    const QString &CustomName() const noexcept { return FCustomName; }
    const QString &Encoding() const noexcept { return FEncoding; }
    const QString &SubType() const noexcept { return FSubType; }
    // The canvas font this object currently sets text for (its size goes into Tf).
    TCanvasFont *CanvasFont() const noexcept { return FCanvasFont; }
    void SetCanvasFont(TCanvasFont *font) { FCanvasFont = font; }
    TPDFFontDescriptor *FontDescriptor() const noexcept { return FFontDescriptor; }
    const TFontFace *Face() const noexcept { return FFace.get(); }

    // Same bold, italic and type (and face and embedding for custom fonts).
    bool Matches(const TCanvasFont &font) const;

    // A font of the page resources, found by PT_SelectFont (a descendant is not).
    virtual bool Searchable() const { return false; }
    virtual TCMapTree &CMaps() { return FCMaps; }
    const TCMapTree &CMaps() const { return const_cast<TPDFFont *>(this)->CMaps(); }
    virtual int Descent() const { return 0; }       // thousandths, negative below the baseline
    virtual bool IsWide() const;                    // the Japanese standard types
    virtual int CharWidth(char32_t c) const;        // thousandths
    // The face may be embedded (its fsType allows it and its tables are sound).
    bool CanBury() const noexcept { return FCanBury; }
    // The font program goes into the file.
    bool Embedded() const noexcept { return FEmbedded; }
    virtual std::uint16_t GlyphCode(char16_t unit) { return unit; }
    virtual void MarkUsed(char16_t code);

    // Takes type, faces and flags from the canvas font, measures and names
    // the font and makes its dependent objects. Called once, after the
    // object is in the document's list.
    void Setup();
    // Writes S as the string operand of Tj in this font's encoding and marks
    // the codes used; returns the bytes written.
    virtual int WriteTextString(Sink &out, const QString &S);
    // "/F0 10.00 Tf".
    void WriteStream(Sink &out) const;
    void WriteBody(Sink &out) override;

protected:
    virtual void Measure();
    virtual void MakeName();
    virtual void MakeObjects() {}
    virtual void WriteKeys(Sink &) {}
    QString styleSuffix() const;
    int scaled(double fontUnits) const;

    QString FBaseFont;
    bool FBold = false;
    bool FCanBury = false;
    TCanvasFont *FCanvasFont = nullptr;
    TCMapTree FCMaps;
    QString FCustomName;
    bool FEmbedded = false;
    QString FEncoding = QStringLiteral("/WinAnsiEncoding");
    std::shared_ptr<TFontFace> FFace;
    std::uint32_t FFirstChar = 0;
    TPDFFontDescriptor *FFontDescriptor = nullptr;
    TPDFFontType FFontType = TPDFFontType::pfoCentury;
    bool FItalic = false;
    std::uint32_t FLastChar = 255;
    QString FName;
    QString FSubType;
    TPDFFontWidths *FWidthDummy = nullptr;
    int FWinCharSet = 0;
    bool FNotAnsi = false;

    friend class TPDFFontDescriptor;
    friend class TPDFCIDFont;
};

// Latin text in WinAnsi bytes; characters beyond it are written as "?".
class TPDFTrueTypeFont : public TPDFFont {
public:
    TPDFTrueTypeFont(TQvPDFObjects *AOwner, TCanvasFont *ACanvasFont);
    bool Searchable() const override { return true; }
    int Descent() const override;
    bool IsWide() const override { return false; }
    int CharWidth(char32_t c) const override;
    void MarkUsed(char16_t code) override;
    int WriteTextString(Sink &out, const QString &S) override;
    // "[w w ... ]" from the first to the last used code.
    void WriteWidths(Sink &out) const;

protected:
    void Measure() override;
    void MakeName() override;
    void MakeObjects() override;
    void WriteKeys(Sink &out) override;

private:
    std::pair<std::uint32_t, std::uint32_t> usedRange() const;
};

// Japanese (or embedded) text: a composite font with one CID font.
class TPDFType0Font : public TPDFFont {
public:
    TPDFType0Font(TQvPDFObjects *AOwner, TCanvasFont *ACanvasFont);
    bool Searchable() const override { return true; }
    int Descent() const override;
    bool IsWide() const override { return true; }
    int CharWidth(char32_t c) const override;
    std::uint16_t GlyphCode(char16_t unit) override;
    int WriteTextString(Sink &out, const QString &S) override;
    void Prepare() override;
    TPDFCIDFont *DescendantFont() const noexcept { return FDiscendantFonts; }
    TPDFCMap *ToUnicode() const noexcept { return FToUnicode; }
    // Glyphs written (embedded fonts) with the text each stands for.
    const std::map<std::uint16_t, QString> &UsedGlyphs() const noexcept { return FUsedGlyphs; }
    // Sets the subset tag ("ABCDEF+") in front of the names.
    void TagSubset(const QString &tag);

protected:
    void Measure() override;
    void MakeName() override;
    void MakeObjects() override;
    void WriteKeys(Sink &out) override;

private:
    TPDFCIDFont *FDiscendantFonts = nullptr;
    TPDFCMap *FToUnicode = nullptr;
    std::map<std::uint16_t, QString> FUsedGlyphs;
};

class TPDFCIDFont : public TPDFFont {
public:
    TPDFCIDFont(TQvPDFObjects *AOwner, TPDFType0Font *AParent);
    using TPDFFont::CMaps;
    TCMapTree &CMaps() override;
    bool IsWide() const override { return true; }
    TPDFType0Font *ParentFont() const noexcept { return FParentFont; }
    TPDFCIDSystemInfo &CIDSystemInfo() noexcept { return FCIDSystemInfo; }
    void SetBaseFont(const QString &name) { FBaseFont = name; }
    // "[" CID widths "]": the used characters whose width is not the default.
    void WriteWidths(Sink &out) const;
    // (CID, width) of every used character, by CID.
    TCMapCodeList UsedWidths() const;
    void MakeParts(const TPDFFont &parent);

protected:
    void WriteKeys(Sink &out) override;

private:
    TPDFCIDSystemInfo FCIDSystemInfo;
    TPDFType0Font *FParentFont;
};

class TPDFFontDescriptor : public TPDFObject {
public:
    TPDFFontDescriptor(TQvPDFObjects *AOwner, TPDFFont *AParent);
    void Prepare() override;
    void WriteBody(Sink &out) override;
    TPDFFontFlags Flags() const noexcept { return FFlags; }
    TPDFFontStream *FontFile2() const noexcept { return FFontFile2; }

    int FAscent = 0;
    int FAvgWidth = 0;
    int FCapHeight = 0;
    QString FCharSet;
    int FDescent = 0;
    TPDFFontFlags FFlags;
    TPDFRect FFontBBox;
    QString FFontName;
    int FItalicAngle = 0;
    int FLeading = 0;
    int FMaxWidth = 0;
    int FMissingWidth = 0;
    int FStemH = 0;
    int FStemV = 0;
    int FXHeight = 0;

private:
    TPDFFontStream *FFontFile2 = nullptr;
    TPDFFont *FParentFont;
};

class TPDFFontWidths : public TPDFObject {
public:
    TPDFFontWidths(TQvPDFObjects *AOwner, TPDFFont *AFont) : TPDFObject(AOwner), FFont(AFont) {}
    void WriteBody(Sink &out) override;

private:
    TPDFFont *FFont;
};

// The embedded font program: a TrueType subset, encoded by the document's filters.
class TPDFFontStream : public TPDFObject {
public:
    explicit TPDFFontStream(TQvPDFObjects *AOwner);
    // Builds the subset of the glyphs the font used; throws FormatError when
    // the face's tables do not allow it.
    void Bury(TPDFFont &Font);
    std::int64_t Length1() const noexcept { return FLength1; }
    const QByteArray &Buffer() const noexcept { return FBuffer; }
    void WriteBody(Sink &out) override;
    void ReleaseData() override { FBuffer = QByteArray(); }

private:
    QByteArray FBuffer;
    std::int8_t FEarlyChange = 0;
    TPDFFilters FFilters;
    std::int64_t FLength1 = 0;
};

// The ToUnicode map of an embedded composite font.
class TPDFCMap : public TPDFObject {
public:
    TPDFCMap(TQvPDFObjects *AOwner, TPDFType0Font *AFont);
    void Prepare() override;
    void WriteBody(Sink &out) override;
    const QByteArray &Buffer() const noexcept { return FBuffer; }

private:
    QByteArray FBuffer;
    TPDFCIDSystemInfo FCIDSystemInfo;
    QString FCMapName;
    TPDFType0Font *FFont;
};

// A new font object of the class the canvas font needs, set up and numbered.
TPDFFont *MakeFont(TQvPDFObjects &objects, TCanvasFont &font, bool buryFonts);

} // namespace vellora::pdf
