#include "imagelist/ListViewConnector.h"

#include "imagelist/ImageListView.h"

#include <QHeaderView>
#include <QTreeView>
#include <algorithm>

namespace vellora {

int TListViewConnector::ColumnCount() const
{
    if (FImageList)
        return FImageList->ColumnCount();
    return FListView && FListView->model() ? FListView->header()->count() : 0;
}

int TListViewConnector::Width(int index) const
{
    if (index < 0 || index >= ColumnCount())
        return 0;
    if (FImageList)
        return FImageList->Column(index).Width;
    return FListView->header()->sectionSize(index);
}

void TListViewConnector::SetWidth(int index, int width)
{
    if (index < 0 || index >= ColumnCount())
        return;
    if (FImageList)
        FImageList->SetColumnWidth(index, std::max(0, width));
    else
        FListView->header()->resizeSection(index, std::max(0, width));
}

} // namespace vellora
