// The item model both views of the image list show.
#include "imagelist/ImageListModel.h"
#include "imagelist/ImageListView.h"

#include <QApplication>
#include <QFileInfo>
#include <QStyle>

namespace vellora {

int TImageListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : FView->Items().Count();
}

int TImageListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : FColumns;
}

QVariant TImageListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= FView->Items().Count())
        return {};
    const TImageListItem *item = FView->Items().Item(index.row());
    const int col = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (col == 0)
            return item->Caption();
        return col - 1 < item->SubItems().size() ? item->SubItems()[col - 1] : QString();
    case Qt::CheckStateRole:
        if (col == 0 && FView->CheckBoxes())
            return item->Checked() ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::DecorationRole: {
        if (col != 0 || FView->ViewStyle() == TImageViewStyle::ivsThumbnail)
            return {};
        const TImageList *list =
            FView->ViewStyle() == TImageViewStyle::ivsIcon ? FView->LargeImages() : FView->SmallImages();
        if (const QPixmap *p = list ? list->Picture(item->ImageIndex()) : nullptr)
            return *p;
        return {};
    }
    case Qt::ToolTipRole:
        return item->AbsoluteName();
    case Qt::TextAlignmentRole:
        if (FView->ViewStyle() == TImageViewStyle::ivsReport && col < FView->ColumnCount())
            return QVariant::fromValue(FView->Column(col).Alignment | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

bool TImageListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.column() != 0)
        return false;
    TImageListItem *item = FView->Items().Item(index.row());
    if (role == Qt::CheckStateRole) {
        item->SetChecked(value.toInt() == Qt::Checked);
        return true;
    }
    if (role == Qt::EditRole && !FView->ReadOnly()) {
        QString text = value.toString();
        if (FView->OnEdited)
            FView->OnEdited(*FView, *item, text);
        item->SetCaption(text);
        return true;
    }
    return false;
}

QVariant TImageListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= FView->ColumnCount())
        return {};
    if (role == Qt::DisplayRole)
        return FView->Column(section).Caption;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(FView->Column(section).Alignment | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags TImageListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    if (index.column() == 0) {
        if (!FView->ReadOnly())
            f |= Qt::ItemIsEditable;
        if (FView->CheckBoxes())
            f |= Qt::ItemIsUserCheckable;
    }
    return f;
}

void TImageListModel::reorder(const std::vector<int> &newOrder, std::vector<std::unique_ptr<TImageListItem>> &items)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(newOrder.size());
    std::vector<std::unique_ptr<TImageListItem>> sorted(items.size());
    for (std::size_t i = 0; i < newOrder.size(); ++i) {
        sorted[i] = std::move(items[static_cast<std::size_t>(newOrder[i])]);
        newRowOf[static_cast<std::size_t>(newOrder[i])] = static_cast<int>(i);
    }
    items = std::move(sorted);
    FView->Items().orderChangedFrom(0);
    const QModelIndexList old = persistentIndexList();
    QModelIndexList moved;
    moved.reserve(old.size());
    for (const QModelIndex &i : old)
        moved.append(index(newRowOf[static_cast<std::size_t>(i.row())], i.column()));
    changePersistentIndexList(old, moved);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TImageListModel::rowChanged(int row)
{
    emit dataChanged(index(row, 0), index(row, FColumns - 1));
}

void TImageListModel::columnsChanged()
{
    const int wanted = std::max(1, FView->ColumnCount());
    if (wanted > FColumns) {
        beginInsertColumns(QModelIndex(), FColumns, wanted - 1);
        FColumns = wanted;
        endInsertColumns();
    } else if (wanted < FColumns) {
        beginRemoveColumns(QModelIndex(), wanted, FColumns - 1);
        FColumns = wanted;
        endRemoveColumns();
    }
    emit headerDataChanged(Qt::Horizontal, 0, FColumns - 1);
}

} // namespace vellora
