// Drawing, check boxes and caption editing of items in the thumbnail style.
#pragma once

#include "imagelist/ImageListView.h"

#include <QStyledItemDelegate>

namespace vellora {

class TThumbnailDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TThumbnailDelegate(TImageListView *view) : QStyledItemDelegate(view), FView(view) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

    // Layout of a cell: the icon square on top, the caption lines below.
    QRect iconRect(const QRect &cell) const;
    QRect labelRect(const QRect &cell) const;
    QRect checkRect(const QRect &cell) const;
    // The picture, made smaller when centred it would meet the check box.
    QImage clearOfBox(const QImage &picture, const QRect &cell) const;
    int captionLines() const { return 2; }

private:
    TImageListView *FView;
};

} // namespace vellora
