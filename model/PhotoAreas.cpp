#include "model/PhotoAreas.h"

#include "model/PhotoPaper.h"

namespace vellora {

int TPhotoAreas::IndexOf(const TPhotoArea *area) const
{
    // Every new free area asks its cell for its index; a scan each time made
    // filling all cells of a large grid quadratic in the number of cells.
    if (!area)
        return -1;
    const int hint = area->FIndexHint;
    if (hint >= 0 && hint < Count() && FItems[static_cast<size_t>(hint)].get() == area)
        return hint;
    for (size_t i = 0; i < FItems.size(); ++i) {
        if (FItems[i].get() == area) {
            area->FIndexHint = static_cast<int>(i);
            return static_cast<int>(i);
        }
    }
    return -1;
}

TPhotoArea *TPhotoAreas::Add()
{
    FItems.push_back(std::make_unique<TPhotoArea>(this));
    FItems.back()->FIndexHint = Count() - 1;
    return FItems.back().get();
}

TPhotoArea *TPhotoAreas::Insert(int index)
{
    index = std::clamp(index, 0, Count());
    auto it = FItems.insert(FItems.begin() + index, std::make_unique<TPhotoArea>(this));
    return it->get();
}

void TPhotoAreas::Delete(int index)
{
    FItems.erase(FItems.begin() + index);
}

void TPhotoAreas::AdjustAreas()
{
    if (FPaper->State().contains(TObjectState::obsCreating))
        return;
    const TIntSize divide = FPaper->Divide();
    const long long n = static_cast<long long>(divide.cx) * divide.cy;
    while (Count() < n)
        Add();
    while (Count() > n)
        Delete(Count() - 1);

    const TFloatRect &m = FPaper->Margins();
    const TFloatSize &space = FPaper->Space();
    const TFloatSize &size = FPaper->PaperSize();
    // Computed in extended precision, then kept as 8-byte doubles.
    const double w = static_cast<double>((size.cx - m.Left - m.Right - (divide.cx - 1) * space.cx) / divide.cx);
    const double h = static_cast<double>((size.cy - m.Top - m.Bottom - (divide.cy - 1) * space.cy) / divide.cy);
    for (int row = 0; row < divide.cy; ++row) {
        const double top = static_cast<double>(m.Top + row * (space.cy + h));
        for (int col = 0; col < divide.cx; ++col) {
            const double left = static_cast<double>(m.Left + col * (space.cx + w));
            Items(col + row * divide.cx)->AdjustBounds(FloatRect(left, top, Extended(left) + w, Extended(top) + h));
        }
    }
}

void TPhotoAreas::AdjustProperties()
{
    for (auto &cell : FItems)
        cell->AdjustProperties();
}

void TPhotoAreas::Assign(const TPhotoAreas &source)
{
    if (&source == this)
        return;
    FItems.clear();
    for (const auto &cell : source.FItems) {
        Add()->Assign(*cell);
    }
}

void TPhotoAreas::Draw(QPainter &canvas, double resolution, const TFloatSize &origin)
{
    // Every cell learns its image before any cell draws, so that a cell's own
    // free area linked to a later cell shows this page's image, not the last
    // page's.
    const std::vector<TImageInfo *> &photoList = FPaper->PhotoList();
    for (int i = 0; i < Count(); ++i) {
        const long long k = static_cast<long long>(i) + FImageIndex;
        const bool inRange = k >= 0 && k < static_cast<long long>(photoList.size());
        Items(i)->SetImageInfo(inRange ? photoList[static_cast<size_t>(k)] : nullptr);
    }
    for (int i = 0; i < Count(); ++i) {
        TPhotoArea *cell = Items(i);
        if (TImageInfo *item = cell->ImageInfo())
            cell->Draw(canvas, resolution, false, item, origin);
    }
}

void TPhotoAreas::DrawLayout(QPainter &canvas, const QRect &sheet, double bai) const
{
    for (const auto &cell : FItems)
        cell->DrawLayout(canvas, sheet, bai);
}

} // namespace vellora
