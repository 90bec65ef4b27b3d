// The subset of an outside font file that the PDF writer embeds: loca, glyf
// and composite glyphs are followed only within their tables, and a damaged
// face ends in FormatError.
#include "pdf/FontFile.h"
#include "settings/Errors.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    try {
        const vellora::pdf::TSfntFile file(bytes);
        const vellora::pdf::TFontFaceInfo info = vellora::pdf::ReadFontFace(file);
        std::set<std::uint16_t> used;
        for (const char32_t c : {U'A', U'é', U'写', U'\U0002000B'})
            used.insert(info.GlyphFor(c));
        // Glyph numbers beyond the face are ignored, not followed.
        used.insert(static_cast<std::uint16_t>(size));
        const QByteArray subset = vellora::pdf::BuildFontSubset(file, used, size % 7 == 0);
        // The subset is itself a font that reads back.
        vellora::pdf::ReadFontFace(vellora::pdf::TSfntFile(subset));
    } catch (const vellora::FormatError &) {
    }
    return 0;
}
