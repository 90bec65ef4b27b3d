// Outside font files as the PDF writer reads them: the table directory, the
// metrics and the Unicode maps. Anything malformed must end in FormatError,
// never in a crash, a read past a table or a runaway loop.
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
        for (const char32_t c : {U' ', U'A', U'é', U'写', U'\U0002000B'})
            (void)info.Advance(info.GlyphFor(c));
        (void)info.Scale(info.advanceWidthMax);
    } catch (const vellora::FormatError &) {
    }
    return 0;
}
