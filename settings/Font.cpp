#include "settings/Font.h"

#include <cmath>
#include <cstdlib>

namespace vellora {

int TFont::Size() const noexcept
{
    // MulDiv(-Height, 72, 96) with rounding, as the class library computes it.
    return static_cast<int>(std::lround(-static_cast<double>(Height) * 72.0 / kScreenDpi));
}

void TFont::SetSize(int points) noexcept
{
    Height = -static_cast<std::int32_t>(std::lround(static_cast<double>(points) * kScreenDpi / 72.0));
}

QFont TFont::toQFont(double dpi) const
{
    QFont f(Name);
    // A negative height is the character height (em size) in pixels at 96 dpi;
    // a positive one is the cell height, which we approximate by the em size.
    const double pixels = std::abs(static_cast<double>(Height)) * dpi / kScreenDpi;
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
    f.setBold(Style.contains(TFontStyle::fsBold));
    f.setItalic(Style.contains(TFontStyle::fsItalic));
    f.setUnderline(Style.contains(TFontStyle::fsUnderline));
    f.setStrikeOut(Style.contains(TFontStyle::fsStrikeOut));
    if (Pitch == TFontPitch::fpFixed)
        f.setFixedPitch(true);
    return f;
}

} // namespace vellora
