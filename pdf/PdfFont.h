// Text fonts of the PDF writer: TCanvasFont (the font a page's canvas draws
// text with) and TPDFFont, the base of the font objects a page's resources
// name ("/F0", "/F1", ...). Until embedded TrueType and composite fonts are
// written, the base class stands for the standard Courier faces, whose glyphs
// are all 600/1000 em wide, so measured and drawn text agree.
#pragma once

#include "pdf/PdfObject.h"
#include "settings/Font.h"

#include <QString>
#include <cstdint>
#include <functional>
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

class TPDFFont : public TPDFObject {
public:
    TPDFFont(TQvPDFObjects *AOwner, TCanvasFont *ACanvasFont);

    const QString &Name() const noexcept { return FName; }
    void SetName(const QString &name) { FName = name; }
    const QString &BaseFont() const noexcept { return FBaseFont; }
    bool Bold() const noexcept { return FBold; }
    bool Italic() const noexcept { return FItalic; }
    TPDFFontType FontType() const noexcept { return FFontType; }
    const QString &CustomName() const noexcept { return FCustomName; }
    // The canvas font this object currently sets text for (its size goes into Tf).
    TCanvasFont *CanvasFont() const noexcept { return FCanvasFont; }
    void SetCanvasFont(TCanvasFont *font) { FCanvasFont = font; }

    // Same bold, italic and type (and face for custom fonts).
    bool Matches(const TCanvasFont &font) const;

    virtual bool IsWide() const;                 // the Japanese standard types
    virtual int Descent() const;                 // thousandths, negative below the baseline
    virtual int CharWidth(char16_t c) const;     // thousandths
    virtual bool CanBury() const { return false; }
    virtual std::uint16_t GlyphCode(char16_t unit) { return unit; }
    virtual void MarkUsed(char16_t code) { FUsed.insert(code); }
    const std::set<char16_t> &UsedCodes() const noexcept { return FUsed; }

    // "/F0 10.00 Tf".
    void WriteStream(Sink &out) const;
    void WriteBody(Sink &out) override;

protected:
    QString FBaseFont;
    bool FBold = false;
    TCanvasFont *FCanvasFont = nullptr;
    QString FCustomName;
    TPDFFontType FFontType = TPDFFontType::pfoCentury;
    bool FItalic = false;
    QString FName;
    std::set<char16_t> FUsed;
};

} // namespace vellora::pdf
