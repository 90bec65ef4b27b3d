// The designer's on-screen items: one TPrintItem per free area, a child
// widget of the design surface placed from the area's bounds in mm, and the
// TPrintItemList that owns them in the areas' list order (so later items stack
// over earlier ones, as the areas print). Items report the mouse to the
// designer; they never change an area on their own except through
// SetAreaBounds. UI thread only.
#pragma once

#include "app/designer/DesignerGeometry.h"

#include <QImage>
#include <QWidget>
#include <functional>
#include <vector>

namespace vellora {

class TCustomArea;
class TPrintItemList;

class TPrintItem : public QWidget {
    Q_OBJECT
public:
    TPrintItem(TCustomArea *area, TPrintItemList *list, QWidget *surface);

    TCustomArea *Item() const noexcept { return FItem; }
    TPrintItemList *List() const noexcept { return FList; }
    bool Selected() const noexcept { return FSelected; }
    void SetSelected(bool value);
    bool Dragging() const noexcept { return FDragging; }
    bool Sizing() const noexcept { return FSizing; }
    QPoint MouseOffsets() const noexcept { return FMouseOffsets; }
    unsigned MouseSides() const noexcept { return FMouseSides; }
    // Where the left button went down, in surface pixels.
    QPoint MouseDownPos() const noexcept { return FMouseDownPos; }

    // Left, top, width and height in mm (Right and Bottom hold the sizes).
    TFloatRect AreaBounds() const;
    void SetAreaBounds(const TFloatRect &ltwh);
    // Places the widget from the area's bounds.
    void Adjust();
    // The area's bounds as surface pixels (right and bottom exclusive).
    QRect PixelRect() const;
    // Drops the cached rendering (the area's look changed).
    void Invalidate();
    // Forgets a drag or resize in progress; moves until the button is
    // released are ignored.
    void CancelMouse();

signals:
    void pressed(TPrintItem *item, Qt::KeyboardModifiers modifiers);
    void doubleClicked(TPrintItem *item);
    void dragStarted(TPrintItem *item, Qt::KeyboardModifiers modifiers);
    // The pointer in surface pixels, from where the button went down.
    void dragMoved(TPrintItem *item, QPoint down, QPoint now);
    void sizingStarted(TPrintItem *item);
    void sizingMoved(TPrintItem *item, QPoint down, QPoint now);
    void released(TPrintItem *item);
    void menuRequested(TPrintItem *item, QPoint globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QPoint toSurface(QPointF local) const;
    const QImage &rendering();

    TCustomArea *FItem;
    TPrintItemList *FList;
    Qt::CursorShape FCurCursor = Qt::ArrowCursor;
    bool FDragging = false;
    bool FSizing = false;
    bool FPressed = false;
    bool FCancelled = false;
    bool FSelected = false;
    QPoint FMouseDownPos;
    QPoint FMouseOffsets;
    unsigned FMouseSides = 0;
    QImage FCache;
    int FCacheRate = 0;
    int FCacheRevision = -1;
    int FRevision = 0;
};

class TPrintItemList {
public:
    using TSelectEvent = std::function<void(TPrintItem *item)>;

    TPrintItemList() = default;
    TPrintItemList(const TPrintItemList &) = delete;
    TPrintItemList &operator=(const TPrintItemList &) = delete;
    ~TPrintItemList();

    QPoint Offsets() const noexcept { return FOffsets; }
    void SetOffsets(QPoint offsets) noexcept { FOffsets = offsets; }
    double PixelsPerInch() const noexcept { return FPixelsPerInch; }
    void SetPixelsPerInch(double ppi) noexcept { FPixelsPerInch = ppi; }
    int ShowRate() const noexcept { return FShowRate; }
    void SetShowRate(int rate) noexcept { FShowRate = ClampShowRate(rate); }
    TDesignScale Scale() const { return TDesignScale(FPixelsPerInch, FShowRate); }
    void SetOnSelect(TSelectEvent handler) { FOnSelect = std::move(handler); }
    // OnSelect: raised by items whose selection changed, and after Clear and Delete.
    void NotifySelect(TPrintItem *item) const
    {
        if (FOnSelect && !FSilent)
            FOnSelect(item);
    }

    TPrintItem *Add(TCustomArea *area, QWidget *surface);
    void Adjust();
    void Clear();
    void Delete(int index);
    void ClearSelection();
    int SelCount() const;
    // The first selected item, or null.
    TPrintItem *Selected() const;
    std::vector<TPrintItem *> SelectedItems() const;
    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    TPrintItem *Items(int index) const { return FItems.at(static_cast<size_t>(index)); }
    int IndexOf(const TPrintItem *item) const;
    // Changes several selections and reports once.
    void SetSelection(const std::vector<bool> &selected);

private:
    std::vector<TPrintItem *> FItems;   // widgets owned by the surface, freed here
    QPoint FOffsets;
    double FPixelsPerInch = 96;
    int FShowRate = 100;
    TSelectEvent FOnSelect;
    bool FSilent = false;
};

} // namespace vellora
