#include "app/designer/PrintItem.h"

#include "model/Areas.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>

namespace vellora {

namespace {

const QColor kOutlineGrey(128, 128, 128);   // 8421504

Qt::CursorShape cursorFor(unsigned sides)
{
    switch (sides) {
    case 1: case 4: return Qt::SizeHorCursor;
    case 2: case 8: return Qt::SizeVerCursor;
    case 1 | 2: case 4 | 8: return Qt::SizeFDiagCursor;
    case 4 | 2: case 1 | 8: return Qt::SizeBDiagCursor;
    default: return Qt::ArrowCursor;
    }
}

} // namespace

TPrintItem::TPrintItem(TCustomArea *area, TPrintItemList *list, QWidget *surface)
    : QWidget(surface), FItem(area), FList(list)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

void TPrintItem::SetSelected(bool value)
{
    if (FSelected == value)
        return;
    FSelected = value;
    update();
    FList->NotifySelect(this);
}

TFloatRect TPrintItem::AreaBounds() const
{
    const TFloatRect &b = FItem->Bounds();
    return FloatRect(b.Left, b.Top, b.Right - b.Left, b.Bottom - b.Top);
}

void TPrintItem::SetAreaBounds(const TFloatRect &ltwh)
{
    FItem->SetBounds(FloatRect(ltwh.Left, ltwh.Top, ltwh.Left + ltwh.Right, ltwh.Top + ltwh.Bottom));
    Adjust();
}

QRect TPrintItem::PixelRect() const
{
    return FList->Scale().ToPixelRect(FItem->Bounds(), FList->Offsets());
}

void TPrintItem::Adjust()
{
    const QRect r = PixelRect();
    if (r != geometry())
        setGeometry(r);
    update();
}

void TPrintItem::Invalidate()
{
    ++FRevision;
    update();
}

void TPrintItem::CancelMouse()
{
    if (FDragging || FSizing || FPressed)
        FCancelled = true;
    FDragging = FSizing = false;
}

const QImage &TPrintItem::rendering()
{
    const qreal dpr = devicePixelRatioF();
    const QSize px(qMax(1, qRound(width() * dpr)), qMax(1, qRound(height() * dpr)));
    const int rate = FList->ShowRate();
    if (FCache.size() != px || FCacheRate != rate || FCacheRevision != FRevision
        || FCache.devicePixelRatio() != dpr) {
        FCache = QImage(px, QImage::Format_ARGB32_Premultiplied);
        FCache.fill(Qt::transparent);
        QPainter p(&FCache);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        const double resolution = FList->PixelsPerInch() * rate / 100.0 * dpr;
        FItem->Draw(p, resolution, true, FloatPoint(-FItem->Left(), -FItem->Top()));
        p.end();
        FCache.setDevicePixelRatio(dpr);
        FCacheRate = rate;
        FCacheRevision = FRevision;
    }
    return FCache;
}

void TPrintItem::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(0, 0, rendering());
    if (!FSelected)
        return;
    p.setPen(kOutlineGrey);
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, width() - 1, height() - 1);
    const int w = width(), h = height();
    if (w > 6 && h > 6) {
        p.fillRect(0, 0, 6, 6, kOutlineGrey);
        p.fillRect(w - 6, h - 6, 6, 6, kOutlineGrey);
        if (w > 13)
            p.fillRect(w - 6, 0, 6, 6, kOutlineGrey);
        if (h > 13)
            p.fillRect(0, h - 6, 6, 6, kOutlineGrey);
    }
}

QPoint TPrintItem::toSurface(QPointF local) const
{
    return local.toPoint() + pos();
}

void TPrintItem::mousePressEvent(QMouseEvent *event)
{
    // The surface takes the focus first, so that a value typed into an edit
    // reaches the selected item before this click changes the selection.
    if (parentWidget())
        parentWidget()->setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::LeftButton) {
        FPressed = true;
        FCancelled = false;
        FMouseDownPos = toSurface(event->position());
        FMouseOffsets = event->position().toPoint();
        FMouseSides = MouseSidesAt(FMouseOffsets.x(), FMouseOffsets.y(), width(), height());
        emit pressed(this, event->modifiers());
    } else if (event->button() == Qt::RightButton) {
        emit pressed(this, Qt::NoModifier);
    }
    event->accept();
}

void TPrintItem::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint local = event->position().toPoint();
    if (!(event->buttons() & Qt::LeftButton)) {
        FMouseSides = MouseSidesAt(local.x(), local.y(), width(), height());
        const Qt::CursorShape shape = cursorFor(FMouseSides);
        if (shape != FCurCursor) {
            FCurCursor = shape;
            setCursor(shape);
        }
        return;
    }
    if (!FPressed || FCancelled)
        return;
    const QPoint now = toSurface(event->position());
    if (!FDragging && !FSizing) {
        if (now == FMouseDownPos)
            return;
        if (FMouseSides != 0) {
            FSizing = true;
            emit sizingStarted(this);
        } else {
            FDragging = true;
            emit dragStarted(this, event->modifiers());
        }
    }
    if (FDragging)
        emit dragMoved(this, FMouseDownPos, now);
    else if (FSizing)
        emit sizingMoved(this, FMouseDownPos, now);
}

void TPrintItem::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // Reported while Dragging() and Sizing() still tell which gesture ends.
    if ((FDragging || FSizing) && !FCancelled)
        emit released(this);
    FPressed = FDragging = FSizing = false;
    FCancelled = false;
}

void TPrintItem::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked(this);
}

void TPrintItem::contextMenuEvent(QContextMenuEvent *event)
{
    emit menuRequested(this, event->globalPos());
}

// --- TPrintItemList ---------------------------------------------------------

TPrintItemList::~TPrintItemList()
{
    FSilent = true;
    for (TPrintItem *item : FItems)
        delete item;
}

TPrintItem *TPrintItemList::Add(TCustomArea *area, QWidget *surface)
{
    auto *item = new TPrintItem(area, this, surface);
    FItems.push_back(item);
    item->show();
    return item;
}

void TPrintItemList::Adjust()
{
    for (TPrintItem *item : FItems)
        item->Adjust();
}

void TPrintItemList::Clear()
{
    FSilent = true;
    for (TPrintItem *item : FItems)
        delete item;
    FItems.clear();
    FSilent = false;
    NotifySelect(nullptr);
}

void TPrintItemList::Delete(int index)
{
    TPrintItem *item = FItems.at(static_cast<size_t>(index));
    FItems.erase(FItems.begin() + index);
    FSilent = true;
    delete item;
    FSilent = false;
    NotifySelect(nullptr);
}

void TPrintItemList::ClearSelection()
{
    SetSelection(std::vector<bool>(FItems.size(), false));
}

void TPrintItemList::SetSelection(const std::vector<bool> &selected)
{
    bool changed = false;
    FSilent = true;
    for (size_t i = 0; i < FItems.size(); ++i) {
        const bool want = i < selected.size() && selected[i];
        if (FItems[i]->Selected() != want) {
            FItems[i]->SetSelected(want);
            changed = true;
        }
    }
    FSilent = false;
    if (changed)
        NotifySelect(nullptr);
}

int TPrintItemList::SelCount() const
{
    int n = 0;
    for (TPrintItem *item : FItems)
        n += item->Selected() ? 1 : 0;
    return n;
}

TPrintItem *TPrintItemList::Selected() const
{
    for (TPrintItem *item : FItems)
        if (item->Selected())
            return item;
    return nullptr;
}

std::vector<TPrintItem *> TPrintItemList::SelectedItems() const
{
    std::vector<TPrintItem *> out;
    for (TPrintItem *item : FItems)
        if (item->Selected())
            out.push_back(item);
    return out;
}

int TPrintItemList::IndexOf(const TPrintItem *item) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i] == item)
            return static_cast<int>(i);
    return -1;
}

} // namespace vellora
