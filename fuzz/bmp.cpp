// Fuzz target: BMP file images through the banded bitmap, then a banding draw
// of the result so that every decoded row is read back.
#include "graphics/BigBitmap.h"

#include <QImage>
#include <QPainter>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                     static_cast<qsizetype>(size));
    vellora::TBigBitmap bitmap;
    try {
        bitmap.LoadFromBytes(bytes, QStringLiteral("fuzz"));
    } catch (const vellora::Error &) {
        return 0;
    }
    if (bitmap.Empty())
        return 0;
    QImage canvas(48, 40, QImage::Format_RGB32);
    canvas.fill(0);
    QPainter painter(&canvas);
    bitmap.SetDrawMode(vellora::TBigBitmapDrawMode::dmUseBanding);
    bitmap.Draw(painter, {40, 0, 0, 300});  // mirrored, enlarged across
    bitmap.SetDrawMode(vellora::TBigBitmapDrawMode::dmUseOriginalDraw);
    bitmap.Draw(painter, {0, 0, 48, 40});
    return 0;
}
