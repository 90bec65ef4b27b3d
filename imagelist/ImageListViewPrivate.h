// The parts of TImageListView the host does not see: its item model, the
// thumbnail-style delegate and the thumbnail workers. UI thread only, except
// the jobs the workers run.
#pragma once

#include "imagelist/ImageListView.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QThreadPool>
#include <unordered_map>

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

// Runs thumbnail jobs on a private pool; results come back to the view on
// the UI thread, addressed by the item's handle.
class TThumbnailWorkers {
public:
    explicit TThumbnailWorkers(TImageListView *view);
    ~TThumbnailWorkers();

    int MaxJobs() const { return FPool.maxThreadCount(); }
    int Running() const noexcept { return static_cast<int>(FRunning.size()); }
    bool IsRunning(std::uint64_t handle) const { return FRunning.count(handle) != 0; }
    void Start(std::uint64_t handle, TThumbJob job, TMakeThreadPriority priority);
    void Stop(std::uint64_t handle);
    void StopAll();
    // Waits for every started job and delivers its result.
    void WaitAll();
    // Called when a result arrives.
    void Finished(std::uint64_t handle) { FRunning.erase(handle); }

private:
    TImageListView *FView;
    QThreadPool FPool;
    std::unordered_map<std::uint64_t, std::shared_ptr<std::atomic_bool>> FRunning;
};

} // namespace vellora
