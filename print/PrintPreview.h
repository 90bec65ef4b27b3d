// The page recorder: one QPicture per page, drawn through a QPainter in the
// printer's device pixels. Pages stay after EndDoc until the next BeginDoc.
// Misuse throws EPrintPreviewError. UI thread only.
#pragma once

#include "settings/Errors.h"

#include <QPainter>
#include <QPicture>
#include <memory>
#include <vector>

namespace vellora {

class EPrintPreviewError : public Error {
public:
    using Error::Error;
};

class TPrintPreview {
public:
    TPrintPreview() = default;
    ~TPrintPreview();
    TPrintPreview(const TPrintPreview &) = delete;
    TPrintPreview &operator=(const TPrintPreview &) = delete;

    // The printer's vertical resolution, for the canvas font (9 points).
    void SetDeviceDpiY(int dpi) noexcept { FDpiY = dpi; }

    void BeginDoc();
    void NewPage();
    void EndDoc();
    QPainter &Canvas();
    const QPicture &Pages(int index) const;
    int PageCount() const noexcept { return static_cast<int>(FPages.size()); }
    bool Printing() const noexcept { return FPrinting; }

    // Plays a page onto a painter with no clipping; the painter's clip is
    // restored afterwards.
    static void Play(QPainter &painter, const QPicture &page, QPoint at);

private:
    void closeCanvas();

    bool FPrinting = false;
    int FDpiY = 300;
    std::vector<std::unique_ptr<QPicture>> FPages;
    std::unique_ptr<QPainter> FCanvas;
};

} // namespace vellora
