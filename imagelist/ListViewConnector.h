// TListViewConnector: the column count and column widths of a report view,
// for saving and restoring them. Holds the view, does not own it. UI thread.
#pragma once

class QTreeView;

namespace vellora {

class TImageListView;

class TListViewConnector {
public:
    explicit TListViewConnector(TImageListView *listView) : FImageList(listView) {}
    explicit TListViewConnector(QTreeView *listView) : FListView(listView) {}

    int ColumnCount() const;
    // Width of the column at index; 0 for an index out of range.
    int Width(int index) const;
    // Ignored for an index out of range; a negative width becomes 0.
    void SetWidth(int index, int width);

private:
    TImageListView *FImageList = nullptr;
    QTreeView *FListView = nullptr;
};

} // namespace vellora
