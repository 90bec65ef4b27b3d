// Fuzz target: icon files through the icon class's own reader, then every
// image's picture, a drawing that picks by size, and a write that must read
// back to the same bytes.
#include "graphics/QvIcon.h"

#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                     static_cast<qsizetype>(size));
    vellora::TQvIcon icon;
    try {
        icon.LoadFromData(bytes);
    } catch (const vellora::EGraphicError &) {
        return 0;   // the only error picture loading expects; others end the run
    }
    for (int i = 0; i < icon.Count(); ++i)
        if (icon.Images(i).Handle().isNull())
            std::abort();
    QImage canvas(40, 24, QImage::Format_RGB32);
    canvas.fill(0);
    QPainter painter(&canvas);
    icon.Draw(painter, QRectF(0, 0, 40, 24));
    painter.end();
    (void)icon.Palette();

    const QByteArray written = icon.SaveToData();
    vellora::TQvIcon again;
    again.LoadFromData(written);
    if (again.Count() != icon.Count() || again.SaveToData() != written)
        std::abort();
    return 0;
}
