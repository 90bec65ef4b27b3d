#include "pdf/PdfFont.h"

#include "pdf/PdfText.h"

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
    FBaseFont = QStringLiteral("/Courier");
    if (FBold && FItalic)
        FBaseFont += QStringLiteral("-BoldOblique");
    else if (FBold)
        FBaseFont += QStringLiteral("-Bold");
    else if (FItalic)
        FBaseFont += QStringLiteral("-Oblique");
}

bool TPDFFont::Matches(const TCanvasFont &font) const
{
    return font.Bold() == FBold && font.Italic() == FItalic && font.Name() == FFontType
        && (FFontType != TPDFFontType::pfoCustom || font.CustomName() == FCustomName);
}

bool TPDFFont::IsWide() const
{
    return FFontType == TPDFFontType::pfoMS_Mincho || FFontType == TPDFFontType::pfoMS_Gothic
        || FFontType == TPDFFontType::pfoMS_PMincho || FFontType == TPDFFontType::pfoMS_PGothic;
}

int TPDFFont::Descent() const
{
    return -157;   // Courier's descender
}

int TPDFFont::CharWidth(char16_t) const
{
    return 600;
}

void TPDFFont::WriteStream(Sink &out) const
{
    const double size = FCanvasFont ? FCanvasFont->Size() : 10.0;
    WriteLine(out, FName + QLatin1Char(' ') + QString::fromLatin1(f2(size)) + QStringLiteral(" Tf"));
}

void TPDFFont::WriteBody(Sink &out)
{
    WriteLine(out, std::string_view("<<"));
    WriteLine(out, QStringLiteral("/Type /Font"));
    WriteLine(out, QStringLiteral("/Subtype /Type1"));
    WriteLine(out, QStringLiteral("/Name ") + FName);
    WriteLine(out, QStringLiteral("/BaseFont ") + FBaseFont);
    WriteLine(out, QStringLiteral("/Encoding /WinAnsiEncoding"));
    WriteLine(out, std::string_view(">>"));
}

} // namespace vellora::pdf
