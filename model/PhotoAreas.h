// The grid cells of a paper, numbered row by row: cell r + h × Divide.cx is
// column r of row h. Owns its cells.
#pragma once

#include "model/PhotoArea.h"

#include <QRect>
#include <memory>
#include <vector>

class QPainter;

namespace vellora {

class TPhotoPaper;
class TImageListItems;

class TPhotoAreas {
public:
    explicit TPhotoAreas(TPhotoPaper *paper) : FPaper(paper) {}
    TPhotoAreas(const TPhotoAreas &) = delete;
    TPhotoAreas &operator=(const TPhotoAreas &) = delete;

    TPhotoPaper *Paper() const noexcept { return FPaper; }
    std::int32_t ImageIndex() const noexcept { return FImageIndex; }
    void SetImageIndex(std::int32_t index) noexcept { FImageIndex = index; }
    TImageListItems *Images() const noexcept { return FImages; }
    void SetImages(TImageListItems *images) noexcept { FImages = images; }
    // Whether cells decode JPEG photos at a DCT reduction that still has the
    // pixels they need (on; off only to compare timings).
    bool ScaledDecode() const noexcept { return FScaledDecode; }
    void SetScaledDecode(bool enabled) noexcept { FScaledDecode = enabled; }

    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    TPhotoArea *Items(int index) const { return FItems.at(static_cast<size_t>(index)).get(); }
    int IndexOf(const TPhotoArea *area) const;
    TPhotoArea *Add();
    TPhotoArea *Insert(int index);
    void Delete(int index);
    void Clear() { FItems.clear(); }

    // Divides the paper into the grid and gives every cell its bounds.
    void AdjustAreas();
    // Copies the paper's inherited settings into every cell.
    void AdjustProperties();
    // Collection copy: cleared, then one new cell per source cell, each copied.
    void Assign(const TPhotoAreas &source);

    // One page: every cell draws the image of its slot (ImageIndex + i in the
    // paper's PhotoList); a cell without one draws nothing at all.
    void Draw(QPainter &canvas, double resolution, const TFloatSize &origin);
    void DrawLayout(QPainter &canvas, const QRect &sheet, double bai) const;

    // A cell's settings changed.
    void Changed(TPhotoArea *) {}

private:
    std::int32_t FImageIndex = 0;
    TImageListItems *FImages = nullptr;
    TPhotoPaper *FPaper = nullptr;
    bool FScaledDecode = true;
    std::vector<std::unique_ptr<TPhotoArea>> FItems;
};

} // namespace vellora
