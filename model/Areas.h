// Free areas: text and picture rectangles the user places on the paper or
// inside a photo area. TAreas owns them in drawing order (later areas paint
// over earlier ones); each area's bounds are mm relative to its owner's
// top-left corner (the sheet or the cell). UI thread only.
#pragma once

#include "graphics/Geometry.h"
#include "model/Background.h"
#include "settings/Font.h"

#include <memory>
#include <vector>

class QPainter;

namespace vellora {

class TAreas;
class TImageInfo;
class TPhotoArea;
class TPhotoPaper;
class TTextArea;
class TImageArea;

class TCustomArea {
public:
    explicit TCustomArea(TAreas *owner);
    TCustomArea(const TCustomArea &) = delete;
    TCustomArea &operator=(const TCustomArea &) = delete;
    virtual ~TCustomArea() = default;

    // A new, default area of this area's own class (the class library's
    // ItemClass.Create), owned by `owner`.
    virtual std::unique_ptr<TCustomArea> CreateSameClass(TAreas *owner) const = 0;

    TTextAngle Angle() const noexcept { return FAngle; }
    void SetAngle(TTextAngle angle) noexcept { FAngle = angle; }
    TBackground &Background() noexcept { return FBackground; }
    const TBackground &Background() const noexcept { return FBackground; }
    void SetBackground(const TBackground &background) { FBackground.Assign(background); }
    const TFloatRect &Bounds() const noexcept { return FBounds; }
    void SetBounds(const TFloatRect &bounds) noexcept { FBounds = bounds; }
    Extended Left() const noexcept { return FBounds.Left; }
    Extended Top() const noexcept { return FBounds.Top; }
    Extended Right() const noexcept { return FBounds.Right; }
    Extended Bottom() const noexcept { return FBounds.Bottom; }
    void SetLeft(Extended v) noexcept { FBounds.Left = v; }
    void SetTop(Extended v) noexcept { FBounds.Top = v; }
    void SetRight(Extended v) noexcept { FBounds.Right = v; }
    void SetBottom(Extended v) noexcept { FBounds.Bottom = v; }
    std::int32_t LinkAreaIndex() const noexcept { return FLinkAreaIndex; }
    void SetLinkAreaIndex(std::int32_t index) noexcept { FLinkAreaIndex = index; }
    TAreas *Owner() const noexcept { return FOwner; }
    int Index() const;
    // The paper the area belongs to, directly or through its cell; may be null.
    TPhotoPaper *Paper() const;
    // The image the linked cell is drawing now, or null when the index names
    // no cell of the paper or that cell is empty on this page.
    TImageInfo *LinkedImage() const;

    // Copies background, bounds, angle and link index; descendants add theirs
    // when the source is of their class.
    virtual void Assign(const TCustomArea &source);
    // Like Assign, but keeps this area's own link index.
    void CopyFrom(const TCustomArea &source);

    // origin: where the owner's top-left corner lies on the canvas, mm.
    virtual void Draw(QPainter &canvas, double resolution, bool preview, const TFloatPoint &origin);

protected:
    virtual void DrawContent(QPainter &canvas, double resolution, bool preview, const TFloatPoint &origin);
    // Whether DrawContent puts anything of the area's own on the canvas. Where
    // it does, a preview leaves out the "(透明)" mark of an invisible fill,
    // which would only sit under the content.
    virtual bool HasContent(bool /*preview*/) const { return false; }
    TFloatRect CanvasRect(const TFloatPoint &origin) const
    {
        return OffsetFloatRect(FBounds, origin.X, origin.Y);
    }

private:
    TTextAngle FAngle = TTextAngle::taNone;
    TBackground FBackground;
    TFloatRect FBounds{0, 0, 20, 10};
    std::int32_t FLinkAreaIndex = 0;
    TAreas *FOwner = nullptr;
};

class TAreas {
public:
    explicit TAreas(TPhotoPaper *paper) : FPaper(paper) {}
    explicit TAreas(TPhotoArea *cell) : FCell(cell) {}
    TAreas(const TAreas &) = delete;
    TAreas &operator=(const TAreas &) = delete;
    ~TAreas();

    // Exactly one of the two is set.
    TPhotoPaper *ParentPaper() const noexcept { return FPaper; }
    TPhotoArea *ParentCell() const noexcept { return FCell; }
    // The paper, directly or through the owning cell; may be null for a cell
    // that has no collection.
    TPhotoPaper *Paper() const;
    // The paper's font, which text areas with ParentFont use; null without a paper.
    const TFont *ParentFont() const;

    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    TCustomArea *Items(int index) const { return FItems.at(static_cast<size_t>(index)).get(); }
    TTextArea *AddText();
    TImageArea *AddImage();
    // An index outside the list appends.
    TTextArea *InsertText(int index);
    void Clear() { FItems.clear(); }
    void Delete(int index);
    int IndexOf(const TCustomArea *item) const;
    void Move(int curIndex, int newIndex);
    void Remove(TCustomArea *item);

    // Cleared, then one new area of each source area's class, copied with
    // Assign (CopyFrom keeps the new areas' own link index).
    void Assign(const TAreas &source);
    void CopyFrom(const TAreas &source);

    void Draw(QPainter &canvas, double resolution, bool preview, const TFloatPoint &origin);

private:
    TCustomArea *append(std::unique_ptr<TCustomArea> area);

    TPhotoPaper *FPaper = nullptr;
    TPhotoArea *FCell = nullptr;
    std::vector<std::unique_ptr<TCustomArea>> FItems;
};

} // namespace vellora
