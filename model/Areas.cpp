#include "model/Areas.h"

#include "model/ImageArea.h"
#include "model/PhotoArea.h"
#include "model/PhotoAreas.h"
#include "model/PhotoPaper.h"
#include "model/TextArea.h"

#include <algorithm>

namespace vellora {

// --- TCustomArea

TCustomArea::TCustomArea(TAreas *owner) : FOwner(owner)
{
    // Inside a cell a new area shows that cell's photo.
    if (owner && owner->ParentCell())
        FLinkAreaIndex = std::max(0, owner->ParentCell()->Index());
}

int TCustomArea::Index() const
{
    return FOwner ? FOwner->IndexOf(this) : -1;
}

TPhotoPaper *TCustomArea::Paper() const
{
    return FOwner ? FOwner->Paper() : nullptr;
}

TImageInfo *TCustomArea::LinkedImage() const
{
    const TPhotoPaper *paper = Paper();
    if (!paper || FLinkAreaIndex < 0 || FLinkAreaIndex >= paper->PhotoAreas().Count())
        return nullptr;
    return paper->PhotoAreas().Items(FLinkAreaIndex)->ImageInfo();
}

void TCustomArea::Assign(const TCustomArea &source)
{
    if (&source == this)
        return;
    FBackground.Assign(source.FBackground);
    FBounds = source.FBounds;
    FAngle = source.FAngle;
    FLinkAreaIndex = source.FLinkAreaIndex;
}

void TCustomArea::CopyFrom(const TCustomArea &source)
{
    const std::int32_t ownLink = FLinkAreaIndex;
    Assign(source);
    FLinkAreaIndex = ownLink;
}

void TCustomArea::Draw(QPainter &canvas, double resolution, bool preview, const TFloatPoint &origin)
{
    const TFloatRect rect = CanvasRect(origin);
    const TBackFill &fill = FBackground.Fill();
    const bool invisible = fill.Style() == TFillStyle::fisNone || fill.ClearLevel() == 100;
    if (!(preview && invisible && HasContent(preview)))
        fill.Draw(canvas, resolution, rect, preview);
    DrawContent(canvas, resolution, preview, origin);
    FBackground.Frame().Draw(canvas, resolution, rect, preview);
}

void TCustomArea::DrawContent(QPainter &, double, bool, const TFloatPoint &) {}

// --- TAreas

TAreas::~TAreas() = default;

TPhotoPaper *TAreas::Paper() const
{
    if (FPaper)
        return FPaper;
    if (FCell && FCell->Parent())
        return FCell->Parent()->Paper();
    return nullptr;
}

const TFont *TAreas::ParentFont() const
{
    const TPhotoPaper *paper = Paper();
    return paper ? &paper->Font() : nullptr;
}

TCustomArea *TAreas::append(std::unique_ptr<TCustomArea> area)
{
    FItems.push_back(std::move(area));
    return FItems.back().get();
}

TTextArea *TAreas::AddText()
{
    return static_cast<TTextArea *>(append(std::make_unique<TTextArea>(this)));
}

TImageArea *TAreas::AddImage()
{
    return static_cast<TImageArea *>(append(std::make_unique<TImageArea>(this)));
}

TTextArea *TAreas::InsertText(int index)
{
    if (index < 0 || index >= Count())
        return AddText();
    auto it = FItems.insert(FItems.begin() + index, std::make_unique<TTextArea>(this));
    return static_cast<TTextArea *>(it->get());
}

void TAreas::Delete(int index)
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("TAreas::Delete: index out of range");
    FItems.erase(FItems.begin() + index);
}

int TAreas::IndexOf(const TCustomArea *item) const
{
    for (size_t i = 0; i < FItems.size(); ++i) {
        if (FItems[i].get() == item)
            return static_cast<int>(i);
    }
    return -1;
}

void TAreas::Move(int curIndex, int newIndex)
{
    if (curIndex == newIndex)
        return;
    if (curIndex < 0 || curIndex >= Count() || newIndex < 0 || newIndex >= Count())
        throw std::out_of_range("TAreas::Move: index out of range");
    auto item = std::move(FItems[static_cast<size_t>(curIndex)]);
    FItems.erase(FItems.begin() + curIndex);
    FItems.insert(FItems.begin() + newIndex, std::move(item));
}

void TAreas::Remove(TCustomArea *item)
{
    const int index = IndexOf(item);
    if (index >= 0)
        FItems.erase(FItems.begin() + index);
}

void TAreas::Assign(const TAreas &source)
{
    if (&source == this)
        return;
    FItems.clear();
    for (const auto &area : source.FItems)
        append(area->CreateSameClass(this))->Assign(*area);
}

void TAreas::CopyFrom(const TAreas &source)
{
    if (&source == this)
        return;
    FItems.clear();
    for (const auto &area : source.FItems)
        append(area->CreateSameClass(this))->CopyFrom(*area);
}

void TAreas::Draw(QPainter &canvas, double resolution, bool preview, const TFloatPoint &origin)
{
    // In list order: later areas paint over earlier ones.
    for (const auto &area : FItems)
        area->Draw(canvas, resolution, preview, origin);
}

} // namespace vellora
