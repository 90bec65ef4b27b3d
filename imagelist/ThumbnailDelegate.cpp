// Drawing and mouse handling of items in the thumbnail style.
#include "imagelist/ImageListViewPrivate.h"
#include "model/ImageInfo.h"
#include "model/PhotoTurn.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextLayout>

namespace vellora {

namespace {

// The disabled look: every pixel ORed with a white / mid-grey checkerboard,
// grey where x + y is even.
QImage disabledImage(const QImage &source)
{
    QImage image = source.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y) {
        uchar *p = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const uchar mask = (x + y) % 2 == 0 ? 128 : 255;
            p[3 * x] |= mask;
            p[3 * x + 1] |= mask;
            p[3 * x + 2] |= mask;
        }
    }
    return image;
}

// Wrapped caption lines within width, the last one elided.
QStringList wrapCaption(const QString &text, const QFont &font, int width, int maxLines)
{
    QStringList lines;
    QTextLayout layout(text, font);
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        if (lines.size() == maxLines - 1) {
            const QString rest = text.mid(line.textStart());
            lines.append(QFontMetrics(font).elidedText(rest, Qt::ElideRight, width));
            break;
        }
        lines.append(text.mid(line.textStart(), line.textLength()));
    }
    layout.endLayout();
    return lines;
}

} // namespace

QRect TThumbnailDelegate::iconRect(const QRect &cell) const
{
    const int side = FView->ThumbSize() + 8;
    return {cell.left(), cell.top(), cell.width(), side};
}

QRect TThumbnailDelegate::labelRect(const QRect &cell) const
{
    const QRect icon = iconRect(cell);
    return {cell.left(), icon.bottom() + 1, cell.width(), cell.bottom() - icon.bottom()};
}

QRect TThumbnailDelegate::checkRect(const QRect &cell) const
{
    // The top-left corner: centred portrait and landscape pictures both leave
    // it free, where a box further right would sit on every portrait.
    return {iconRect(cell).topLeft() + QPoint(4, 4), QSize(16, 16)};
}

QImage TThumbnailDelegate::clearOfBox(const QImage &picture, const QRect &cell) const
{
    // A centred picture clears the box when it starts below the box's row or
    // right of its column, with a pixel of air; one near the square, or any
    // in a small cell, is drawn just small enough for the nearer of the two.
    const QRect icon = iconRect(cell);
    const QRect box = checkRect(cell).adjusted(-1, -1, 1, 1);
    const int maxWidth = cell.width() - 2 * (box.right() + 1 - cell.left());
    const int maxHeight = icon.height() - 2 * (box.bottom() + 1 - icon.top());
    const int w = picture.width();
    const int h = picture.height();
    if (w <= maxWidth || h <= maxHeight || maxWidth <= 0 || maxHeight <= 0)
        return picture;
    // Whole pixels, rounded down, so the centred picture cannot reach the box.
    const QSize byWidth(maxWidth, std::max(1, int(qint64(h) * maxWidth / w)));
    const QSize byHeight(std::max(1, int(qint64(w) * maxHeight / h)), maxHeight);
    const QSize size = byWidth.width() * byWidth.height() >= byHeight.width() * byHeight.height() ? byWidth : byHeight;
    return picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QSize TThumbnailDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    const int side = FView->ThumbSize() + 8;
    return {side, side + captionLines() * option.fontMetrics.height() + 6};
}

void TThumbnailDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (index.row() >= FView->Items().Count())
        return;
    TImageListItem &item = *FView->Items().Item(index.row());
    const QAbstractItemView *view = FView->ActiveView();
    const QRect cell = option.rect;
    const QRect icon = iconRect(cell);
    const bool enabled = FView->isEnabled();
    const bool focused = view->hasFocus();
    const bool hot = (option.state & QStyle::State_MouseOver) != 0;
    const bool selected = (option.state & QStyle::State_Selected) && (!FView->HideSelection() || focused);

    TCustomDrawState state = 0;
    if (option.state & QStyle::State_Selected)
        state |= CustomDrawFlag(TCustomDrawStateItem::cdsSelected);
    if (!enabled)
        state |= CustomDrawFlag(TCustomDrawStateItem::cdsDisabled);
    if (item.Checked())
        state |= CustomDrawFlag(TCustomDrawStateItem::cdsChecked);
    if (option.state & QStyle::State_HasFocus)
        state |= CustomDrawFlag(TCustomDrawStateItem::cdsFocused);
    if (hot)
        state |= CustomDrawFlag(TCustomDrawStateItem::cdsHot);

    painter->save();
    // 1-2: the frame.
    const QColor silver(0xC0, 0xC0, 0xC0);
    const QColor frame = selected && enabled && focused ? FView->BackColor() : silver;
    painter->setBrush(Qt::NoBrush);
    if (selected && enabled) {
        QPen pen(frame, 3);
        pen.setJoinStyle(Qt::MiterJoin);
        painter->setPen(pen);
        // A 3-pixel line centred on the inset-by-3 rectangle covers pixels 2..4 in from the cell edge.
        painter->drawRect(QRectF(cell).adjusted(3.5, 3.5, -3.5, -3.5));
    } else {
        painter->setPen(QPen(hot && enabled ? frame : QColor(0xE9, 0xE9, 0xE9), 1));
        painter->drawRect(QRectF(cell).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    QColor textColor = option.palette.color(QPalette::Active, QPalette::Text);
    if (!enabled)
        textColor = option.palette.color(QPalette::Disabled, QPalette::Text);
    else if (hot)
        textColor = FView->BackColor();
    FView->DoBeforeDrawThumbnail(item, state, *painter, icon);

    // 3: the picture, 1:1 and centred in the cell's width and the icon's height.
    const QImage *thumb = FView->memoryThumb(item);
    QImage picture;
    if (thumb) {
        // The cache keeps the stored pixels; an upright photo is turned here.
        picture = *thumb;
        if (ExifRotate() && item.Data())
            picture = TurnImage(picture, UprightTurn(static_cast<int>(Ord(item.Data()->Orientation()))));
    } else if (const QPixmap *p = FView->LargeImages() ? FView->LargeImages()->Picture(item.ImageIndex()) : nullptr) {
        picture = p->toImage();
    } else {
        picture = QImage(FView->ThumbSize(), FView->ThumbSize(), QImage::Format_RGB888);
        picture.fill(option.palette.color(QPalette::Base));
        FView->promoteVisible(item);
    }
    const bool boxes = FView->ThumbCheckBoxes() && FView->CheckBoxes();
    if (boxes)
        picture = clearOfBox(picture, cell);
    if (!enabled)
        picture = disabledImage(picture);
    picture.setDevicePixelRatio(1.0);
    const QPoint at(cell.left() + (cell.width() - picture.width()) / 2,
                    icon.top() + (icon.height() - picture.height()) / 2);
    // A thumbnail made for a larger ThumbSize must not spill into other cells.
    painter->save();
    painter->setClipRect(QRect(cell.left(), icon.top(), cell.width(), icon.height()));
    painter->drawImage(at, picture);
    painter->restore();

    // 4: the check box.
    if (boxes) {
        QStyleOptionButton box;
        box.rect = checkRect(cell);
        box.state = (item.Checked() ? QStyle::State_On : QStyle::State_Off)
                    | (enabled ? QStyle::State_Enabled : QStyle::State_None);
        box.palette = option.palette;
        QStyle *style = view->style();
        style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, view);
    }

    // 5: the caption, unless it is being edited.
    if (FView->FEditing != &item) {
        const QRect label = labelRect(cell).translated(0, -3).adjusted(2, 0, -2, 0);
        painter->setPen(textColor);
        painter->setFont(option.font);
        const int lineHeight = option.fontMetrics.height();
        const int maxLines = std::max(1, label.height() / std::max(1, lineHeight));
        const QStringList lines = wrapCaption(item.Caption(), option.font, label.width(), maxLines);
        int y = label.top() + 3;
        for (const QString &line : lines) {
            painter->drawText(QRect(label.left(), y, label.width(), lineHeight), Qt::AlignHCenter | Qt::AlignTop, line);
            y += lineHeight;
        }
    }

    // 6: the focus rectangle, then the host's decoration.
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.rect = cell;
        focus.state = option.state;
        focus.palette = option.palette;
        focus.backgroundColor = option.palette.color(QPalette::Base);
        view->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, view);
    }
    FView->DoAfterDrawThumbnail(item, state, *painter, icon);
    painter->restore();
}

bool TThumbnailDelegate::editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                                     const QModelIndex &index)
{
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease
        && event->type() != QEvent::MouseButtonDblClick)
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    auto *mouse = static_cast<QMouseEvent *>(event);
    if (mouse->button() != Qt::LeftButton || !FView->ThumbCheckBoxes() || !FView->CheckBoxes()
        || index.row() >= FView->Items().Count())
        return false;
    TImageListItem *item = FView->Items().Item(index.row());
    const bool inBox = checkRect(option.rect).contains(mouse->position().toPoint());
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        if (!inBox)
            return false;
        FView->FCheckingItem = item;
        return true;
    }
    // Release: toggles when it ends on the item the press began on.
    TImageListItem *pressed = FView->FCheckingItem;
    FView->FCheckingItem = nullptr;
    if (pressed != item)
        return false;
    item->SetChecked(!item->Checked());
    return true;
}

QWidget *TThumbnailDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const
{
    if (FView->ReadOnly() || index.row() >= FView->Items().Count())
        return nullptr;
    auto *editor = new QLineEdit(parent);
    editor->setObjectName(QStringLiteral("captionEditor"));
    editor->setAlignment(Qt::AlignHCenter);
    FView->FEditing = FView->Items().Item(index.row());
    return editor;
}

void TThumbnailDelegate::destroyEditor(QWidget *editor, const QModelIndex &index) const
{
    FView->FEditing = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
}

void TThumbnailDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                              const QModelIndex &) const
{
    const QRect label = labelRect(option.rect).translated(0, -3);
    editor->setGeometry(label.left(), label.top(), label.width(), editor->sizeHint().height());
}

void DrawCopyCount(QPainter &canvas, const QRect &iconRect, int copies, const QFont &font)
{
    const QString text = QString::number(copies);
    const QFontMetrics fm(font);
    const int w = fm.horizontalAdvance(text);
    const int h = fm.height();
    const int right = iconRect.left() + iconRect.width();
    const int bottom = iconRect.top() + iconRect.height();
    const QRect textRect(right - w - 16, bottom - h - 4, w, h);
    canvas.save();
    canvas.setFont(font);
    canvas.fillRect(textRect, Qt::white);
    canvas.setPen(Qt::black);
    canvas.drawText(textRect, Qt::AlignLeft | Qt::AlignTop, text);
    const QRect frame = textRect.adjusted(-2, -2, 2, 2).translated(-1, -1);
    canvas.setBrush(Qt::NoBrush);
    canvas.drawRect(frame.adjusted(0, 0, -1, -1));
    canvas.restore();
}


} // namespace vellora
