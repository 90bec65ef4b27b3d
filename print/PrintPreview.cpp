#include "print/PrintPreview.h"

#include <cmath>

namespace vellora {

TPrintPreview::~TPrintPreview()
{
    closeCanvas();
}

void TPrintPreview::closeCanvas()
{
    if (FCanvas) {
        FCanvas->end();
        FCanvas.reset();
    }
}

void TPrintPreview::BeginDoc()
{
    if (FPrinting)
        throw EPrintPreviewError(std::string("TPrintPreview: BeginDoc: Already Printing"));
    FPages.clear();
    FPrinting = true;
    NewPage();
}

void TPrintPreview::NewPage()
{
    if (!FPrinting)
        throw EPrintPreviewError(std::string("TPrintPreview.NewPage: not Printing"));
    QFont font;
    QPen pen;
    QBrush brush;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    const bool carry = FCanvas != nullptr;
    if (carry) {
        font = FCanvas->font();
        pen = FCanvas->pen();
        brush = FCanvas->brush();
        mode = FCanvas->compositionMode();
    }
    closeCanvas();
    FPages.push_back(std::make_unique<QPicture>());
    FCanvas = std::make_unique<QPainter>(FPages.back().get());
    if (carry) {
        FCanvas->setFont(font);
        FCanvas->setPen(pen);
        FCanvas->setBrush(brush);
        FCanvas->setCompositionMode(mode);
    } else {
        // Sizes in the printer's pixels, as a font on the printer would have.
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(9.0 * FDpiY / 72.0))));
        FCanvas->setFont(font);
    }
}

void TPrintPreview::EndDoc()
{
    if (!FPrinting)
        throw EPrintPreviewError(std::string("TPrintPreview.EndDoc: not Printing"));
    closeCanvas();
    FPrinting = false;
}

QPainter &TPrintPreview::Canvas()
{
    if (!FPrinting || !FCanvas)
        throw EPrintPreviewError(std::string("TPrintPreview.GetCanvas: not Printing"));
    return *FCanvas;
}

const QPicture &TPrintPreview::Pages(int index) const
{
    if (FPrinting)
        throw EPrintPreviewError(std::string("TPrinterPreview.GetPage: Pages cannot be used when printing"));
    if (index < 0 || index >= PageCount())
        throw EPrintPreviewError(std::string("TPrinterCanvas.GetPage: Index is out of Range"));
    return *FPages[static_cast<size_t>(index)];
}

void TPrintPreview::Play(QPainter &painter, const QPicture &page, QPoint at)
{
    const bool clipped = painter.hasClipping();
    const QRegion clip = painter.clipRegion();
    painter.setClipping(false);
    // A picture replays scaled by the ratio of the target's resolution to its
    // own; pages are recorded in the printer's pixels, so undo that scaling.
    painter.save();
    painter.translate(at);
    if (QPaintDevice *device = painter.device()) {
        painter.scale(static_cast<double>(page.logicalDpiX()) / device->logicalDpiX(),
                      static_cast<double>(page.logicalDpiY()) / device->logicalDpiY());
    }
    painter.drawPicture(QPoint(0, 0), page);
    painter.restore();
    if (clipped)
        painter.setClipRegion(clip);
}

} // namespace vellora
