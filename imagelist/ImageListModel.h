// The item model behind both views of the image list: one row per item,
// columns from the view's column list. UI thread only.
#pragma once

#include "imagelist/ImageListView.h"

#include <QAbstractTableModel>
#include <memory>
#include <vector>

namespace vellora {

class TImageListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TImageListModel(TImageListView *view) : QAbstractTableModel(view), FView(view) {}

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Notifications from the collection.
    void beginInsert(int row) { beginInsertRows(QModelIndex(), row, row); }
    void endInsert() { endInsertRows(); }
    void beginRemove(int row) { beginRemoveRows(QModelIndex(), row, row); }
    void endRemove() { endRemoveRows(); }
    bool beginMove(int from, int to) { return beginMoveRows(QModelIndex(), from, from, QModelIndex(), to); }
    void endMove() { endMoveRows(); }
    void beginReset() { beginResetModel(); }
    void endReset() { endResetModel(); }
    // Reorders rows: newOrder[i] is the old row that goes to row i.
    void reorder(const std::vector<int> &newOrder, std::vector<std::unique_ptr<TImageListItem>> &items);
    void rowChanged(int row);
    void columnsChanged();

private:
    TImageListView *FView;
    int FColumns = 1;
};

} // namespace vellora
