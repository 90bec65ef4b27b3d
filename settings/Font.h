// TFont: the font description the document stores and the text code draws
// with, in the class library's terms: a face name, a character set, a colour
// ($00BBGGRR), a height (negative: character height in pixels at 96 dpi;
// positive: cell height), a pitch and a style.
#pragma once

#include <QFont>
#include <QString>
#include <cstdint>

namespace vellora {

using TColor = std::uint32_t;             // $00BBGGRR
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;

enum class TFontPitch : std::uint8_t { fpDefault, fpVariable, fpFixed };

enum class TFontStyle : std::uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };

// A set of TFontStyle values (bit = 1 << ordinal).
struct TFontStyles {
    std::uint8_t bits = 0;
    bool contains(TFontStyle s) const noexcept { return bits & (1u << static_cast<unsigned>(s)); }
    void include(TFontStyle s) noexcept { bits = static_cast<std::uint8_t>(bits | (1u << static_cast<unsigned>(s))); }
    void exclude(TFontStyle s) noexcept { bits = static_cast<std::uint8_t>(bits & ~(1u << static_cast<unsigned>(s))); }
    friend bool operator==(TFontStyles, TFontStyles) = default;
};

class TFont {
public:
    static constexpr int kScreenDpi = 96;  // the resolution Height refers to

    QString Name = QStringLiteral("IPAGothic");
    std::uint8_t Charset = 1;             // DEFAULT_CHARSET
    TColor Color = clBlack;
    std::int32_t Height = -12;
    TFontPitch Pitch = TFontPitch::fpDefault;
    TFontStyles Style;

    // Point size derived from Height (the class library's Size property).
    int Size() const noexcept;
    void SetSize(int points) noexcept;

    // A QFont with the same face and style whose character height, drawn on a
    // canvas of `dpi` pixels per inch, matches Height's at 96 dpi.
    QFont toQFont(double dpi = kScreenDpi) const;

    friend bool operator==(const TFont &, const TFont &) = default;
};

} // namespace vellora
