// Pages as PDF graphics. TVectorCanvas is a paint device: the paper draws on
// it with the same QPainter code as on a bitmap, and its paint engine turns
// each call into PDF operators (paths, text in the document's fonts, images)
// at the page's pixel grid mapped to points. Photo cells place a JPEG's own
// bytes through TPhotoPassThrough, each file once per document. A page that
// uses something a PDF 1.3 page cannot express (transparency, blend modes,
// gradient or pattern brushes) is reported by Unsupported(), and the caller
// draws that page as a bitmap instead. UI thread (one painter at a time);
// throws what the PDF writer throws.
#pragma once

#include "model/PhotoArea.h"
#include "model/PrintRun.h"

#include <QByteArray>
#include <QHash>
#include <QPaintDevice>
#include <memory>
#include <vector>

namespace vellora {

namespace pdf {
class TQvPDF;
class TPDFPage;
class TPDFXImage;
} // namespace pdf

class TVectorPaintEngine;

class TVectorCanvas : public QPaintDevice, public TPhotoPassThrough {
public:
    // Pages of the printable area of `g` (its pixel grid, dpiX = dpiY) in
    // the document `pdf`, which must outlive the canvas.
    TVectorCanvas(pdf::TQvPDF &pdf, const TPageGeometry &g);
    ~TVectorCanvas() override;

    // Starts collecting the drawing of `page`; a painter may then be opened.
    void BeginPage(pdf::TPDFPage *page);
    // Writes what was drawn into the page's content (after the painter ended).
    void EndPage();
    // Whether the page drawn since BeginPage used something it could not write.
    bool Unsupported() const noexcept;
    // Photos placed from their own bytes so far (each counted once).
    int PassThroughCount() const noexcept { return static_cast<int>(FSources.size()); }

    QPaintEngine *paintEngine() const override;

    std::optional<Source> PassThroughSource(const TImageInfo &info, const QString &documentFileName) override;
    void PlacePassThrough(QPainter &canvas, const Source &source, const QRect &cell,
                          const std::optional<QTransform> &sourceToCanvas) override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    struct Embedded {
        pdf::TPDFXImage *image = nullptr;   // owned by the document
        Source source;
    };

    pdf::TQvPDF &FPdf;
    TPageGeometry FGeometry;
    pdf::TPDFPage *FPage = nullptr;
    std::unique_ptr<TVectorPaintEngine> FEngine;
    QHash<QString, int> FByKey;           // source key → index in FSources, or -1 when not fit
    std::vector<Embedded> FSources;
};

} // namespace vellora
