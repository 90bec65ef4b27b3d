// Outside JPEG bytes placed into a PDF page: the frame header is read to size
// the image; anything malformed must end in FormatError, never in a crash.
#include "pdf/QvPDF.h"
#include "pdf/XImage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    try {
        vellora::pdf::ReadJpegInfo(bytes);
    } catch (const vellora::FormatError &) {
        return 0;
    }
    vellora::TMemoryStream out;
    vellora::pdf::TQvPDF doc;
    doc.BeginDoc(out)->Canvas()->DrawJPEGImage(vellora::pdf::TPDFRect{0, 0, 100, 100}, bytes);
    doc.EndDoc();
    return 0;
}
