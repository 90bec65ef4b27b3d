// The image-list view: its two item views (icons and report), properties and
// list operations.
#include "imagelist/ImageListView.h"
#include "imagelist/ImageListViewPrivate.h"

#include "settings/Helpers.h"

#include <QApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QStackedLayout>
#include <QThread>
#include <QTreeView>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vellora {

// --- View ------------------------------------------------------------------------

TImageListView::TImageListView(QWidget *parent)
    : QWidget(parent), FItems(std::make_unique<TImageListViewItems>(this))
{
    FSelColor = palette().color(QPalette::Active, QPalette::Highlight);
    FThumbnailClass = &BitmapClass();
    FImageClasses.AddBuiltInFormats();
    FModel = new TImageListModel(this);
    FSelection = new QItemSelectionModel(FModel, this);
    FDelegate = new TThumbnailDelegate(this);
    FPlainDelegate = new QStyledItemDelegate(this);
    FWorkers = std::make_unique<TThumbnailWorkers>(this);

    FListView = new QListView(this);
    FListView->setObjectName(QStringLiteral("imageListIcons"));
    FListView->setModel(FModel);
    FListView->setSelectionModel(FSelection);
    FListView->setMovement(QListView::Static);
    FListView->setUniformItemSizes(true);
    FListView->setLayoutMode(QListView::Batched);
    FListView->setBatchSize(200);
    FListView->setResizeMode(QListView::Adjust);
    FListView->setSpacing(4);
    FListView->setMouseTracking(true);
    FListView->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    // Photo names often differ only in their number at the end: a name cut
    // short keeps its end.
    FListView->setTextElideMode(Qt::ElideMiddle);

    FTreeView = new QTreeView(this);
    FTreeView->setObjectName(QStringLiteral("imageListReport"));
    FTreeView->setModel(FModel);
    FTreeView->setSelectionModel(FSelection);
    FTreeView->setRootIsDecorated(false);
    FTreeView->setItemsExpandable(false);
    FTreeView->setUniformRowHeights(true);
    FTreeView->setAllColumnsShowFocus(true);
    FTreeView->setTextElideMode(Qt::ElideMiddle);
    FTreeView->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    FTreeView->header()->setStretchLastSection(false);
    FTreeView->header()->setSectionsMovable(false);
    FTreeView->header()->setSectionsClickable(true);

    FStack = new QStackedLayout(this);
    FStack->setContentsMargins(0, 0, 0, 0);
    FStack->addWidget(FListView);
    FStack->addWidget(FTreeView);

    for (QAbstractItemView *v : {static_cast<QAbstractItemView *>(FListView), static_cast<QAbstractItemView *>(FTreeView)}) {
        v->installEventFilter(this);
        v->viewport()->installEventFilter(this);
        connect(v, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &) {
            if (OnDblClick)
                OnDblClick(*this);
        });
    }
    connect(FTreeView->header(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (OnColumnClick)
            OnColumnClick(*this, section);
    });
    connect(FTreeView->header(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (section >= 0 && section < ColumnCount())
            FColumns[static_cast<std::size_t>(section)].Width = size;
    });
    connect(FSelection, &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &selected, const QItemSelection &deselected) {
                if (!OnSelectItem)
                    return;
                auto report = [this](const QItemSelection &sel, bool on) {
                    for (const QModelIndex &i : sel.indexes())
                        if (i.column() == 0 && i.row() < FItems->Count())
                            OnSelectItem(*this, FItems->Item(i.row()), on);
                };
                report(deselected, false);
                report(selected, true);
            });

    connect(FModel, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { measureListNames(first, last); });
    connect(FModel, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                if (topLeft.column() == 0)
                    measureListNames(topLeft.row(), bottomRight.row());
            });
    // Removing keeps the width (a wider cell cuts nothing); a new list is measured afresh.
    connect(FModel, &QAbstractItemModel::modelReset, this, [this] {
        FListTextWidth = -1;
        updateListCell();
    });

    updateBackColor();
    applyViewStyle();
}

TImageListView::~TImageListView()
{
    FDestroying = true;
    FReserve.clear();
    FWorkers.reset();   // cancels and waits
    FCache.Close();
    if (FOwnsTempFile && !FTempFileName.isEmpty())
        QFile::remove(FTempFileName);
    // The views go first: their last signals must not reach a half-destroyed view.
    FSelection->disconnect(this);
    delete FTreeView;
    delete FListView;
    FTreeView = nullptr;
    FListView = nullptr;
    FItems.reset();
}

// --- Properties ----------------------------------------------------------------

void TImageListView::SetCacheFileName(const QString &value)
{
    if (!FTempFileName.isEmpty() && value.toLower() == FCacheFileName.toLower() && !value.isEmpty())
        return;
    CloseCache();
    if (FOwnsTempFile && !FTempFileName.isEmpty())
        QFile::remove(FTempFileName);
    FOwnsTempFile = false;
    FCacheFileName = value;
    FTempFileName = value;
    FCache.SetFileName(value);
    FCacheErrorReported = false;
    // Positions in the old file mean nothing in the new one.
    std::vector<std::uint64_t> handles;
    for (int i = 0; i < FItems->Count(); ++i) {
        TImageListItem *item = FItems->Item(i);
        if (item->FImagePos > 0) {
            item->FImagePos = 0;
            handles.push_back(item->FHandle);
        }
    }
    for (std::uint64_t h : handles)
        if (TImageListItem *item = itemByHandle(h))
            MakeThumbnail(item);
}

void TImageListView::SetCheckBoxes(bool value)
{
    if (FCheckBoxes == value)
        return;
    FCheckBoxes = value;
    emit FModel->dataChanged(FModel->index(0, 0), FModel->index(std::max(0, FItems->Count() - 1), 0));
    ActiveView()->viewport()->update();
}

void TImageListView::SetLargeImages(TImageList *value)
{
    FLargeImages = value;
    ActiveView()->viewport()->update();
}

void TImageListView::SetSmallImages(TImageList *value)
{
    FSmallImages = value;
    ActiveView()->viewport()->update();
}

void TImageListView::SetPriority(TMakeThreadPriority value)
{
    FPriority = value;
}

void TImageListView::SetSelColor(const QColor &value)
{
    FSelColor = value;
    updateBackColor();
}

void TImageListView::SetSelColorEnabled(bool value)
{
    FSelColorEnabled = value;
    updateBackColor();
}

void TImageListView::updateBackColor()
{
    FBackColor = FSelColorEnabled ? FSelColor : palette().color(QPalette::Active, QPalette::Highlight);
    if (FListView)
        FListView->viewport()->update();
}

void TImageListView::SetThumbCheckBoxes(bool value)
{
    FThumbCheckBoxes = value;
    FListView->viewport()->update();
}

void TImageListView::SetThumbSize(int value)
{
    if (value < 1)
        value = 1;
    if (FThumbSize == value)
        return;
    TImageListItem *top = TopItem();
    FThumbSize = value;
    FMemCache.clear();
    applyViewStyle();
    if (top)
        ActiveView()->scrollTo(FModel->index(top->Index(), 0), QAbstractItemView::PositionAtTop);
}

void TImageListView::SetUseThread(bool value)
{
    if (FUseThread == value)
        return;
    FUseThread = value;
    if (value)
        return;
    // Queued items are made here and now, then the running jobs are awaited.
    std::deque<std::uint64_t> queued;
    queued.swap(FReserve);
    for (std::uint64_t handle : queued) {
        TImageListItem *item = itemByHandle(handle);
        if (!item || item->FDeleting)
            continue;
        item->FQueued = false;
        item->FReserve = false;
        makeInline(*item);
        item->Update();
    }
    WaitForThumbnails();
}

void TImageListView::SetViewStyle(TImageViewStyle value)
{
    if (FViewStyle == value)
        return;
    TImageListItem *top = TopItem();
    const bool focused = ActiveView()->hasFocus();
    FViewStyle = value;
    applyViewStyle();
    QAbstractItemView *v = ActiveView();
    if (top)
        v->scrollTo(FModel->index(top->Index(), 0), QAbstractItemView::PositionAtTop);
    if (focused)
        v->setFocus();
}

void TImageListView::applyViewStyle()
{
    const int cell = FThumbSize + 8;
    switch (FViewStyle) {
    case TImageViewStyle::ivsThumbnail:
        FListView->setItemDelegate(FDelegate);
        FListView->setViewMode(QListView::IconMode);
        FListView->setFlow(QListView::LeftToRight);
        FListView->setWrapping(true);
        FListView->setIconSize(QSize(cell, cell));
        FListView->setWordWrap(true);
        break;
    case TImageViewStyle::ivsIcon:
        FListView->setItemDelegate(FPlainDelegate);
        FListView->setViewMode(QListView::IconMode);
        FListView->setFlow(QListView::LeftToRight);
        FListView->setWrapping(true);
        FListView->setIconSize(QSize(32, 32));
        FListView->setWordWrap(true);
        break;
    case TImageViewStyle::ivsSmallIcon:
    case TImageViewStyle::ivsList:
        FListView->setItemDelegate(FPlainDelegate);
        FListView->setViewMode(QListView::ListMode);
        FListView->setFlow(FViewStyle == TImageViewStyle::ivsList ? QListView::TopToBottom : QListView::LeftToRight);
        FListView->setWrapping(true);
        FListView->setIconSize(QSize(16, 16));
        FListView->setWordWrap(false);
        break;
    case TImageViewStyle::ivsReport:
        break;
    }
    FListView->setMovement(QListView::Static);
    FListView->setUniformItemSizes(true);
    // The list style lays out in columns, which a batched layout leaves at
    // its first batch; with cells all alike one pass is cheap at any count.
    FListView->setLayoutMode(FViewStyle == TImageViewStyle::ivsList ? QListView::SinglePass : QListView::Batched);
    FListTextWidth = -1;
    if (FViewStyle == TImageViewStyle::ivsList)
        updateListCell();
    else
        FListView->setGridSize(QSize());
    FStack->setCurrentWidget(FViewStyle == TImageViewStyle::ivsReport ? static_cast<QWidget *>(FTreeView)
                                                                       : static_cast<QWidget *>(FListView));
    FListView->doItemsLayout();
    FModel->columnsChanged();
    applyColumns();
}

void TImageListView::measureListNames(int first, int last)
{
    if (FViewStyle != TImageViewStyle::ivsList || FDestroying)
        return;
    const bool whole = FListTextWidth < 0;
    if (whole) {
        first = 0;
        last = FItems->Count() - 1;
        FListTextWidth = 0;
    }
    const QFontMetrics metrics(FListView->font());
    int widest = FListTextWidth;
    for (int row = std::max(0, first); row <= last && row < FItems->Count(); ++row)
        widest = std::max(widest, metrics.horizontalAdvance(FItems->Item(row)->Caption()));
    if (widest == FListTextWidth && !whole)
        return;
    FListTextWidth = widest;
    updateListCell();
}

void TImageListView::updateListCell()
{
    if (FViewStyle != TImageViewStyle::ivsList || FDestroying)
        return;
    if (FListTextWidth < 0) {
        measureListNames(0, FItems->Count() - 1);
        return;
    }
    // Every cell is as wide as the widest name asks, so no name is cut while
    // the view is wide enough; a name wider than the view is cut in the
    // middle (the elide mode), keeping its end and extension.
    QSize cell(FListTextWidth + 24, FListView->fontMetrics().height() + 4);
    if (FItems->Count() > 0) {
        QStyleOptionViewItem option;
        option.initFrom(FListView);
        option.font = FListView->font();
        option.decorationSize = FListView->iconSize();
        option.textElideMode = FListView->textElideMode();
        const QModelIndex first = FModel->index(0, 0);
        const QSize hint = FListView->itemDelegateForIndex(first)->sizeHint(option, first);
        const int overhead = hint.width() - QFontMetrics(option.font).horizontalAdvance(FItems->Item(0)->Caption());
        // A little taller than the hint, so underscores below the baseline show.
        cell = QSize(FListTextWidth + std::max(0, overhead) + 4, hint.height() + 2);
    }
    cell.setWidth(std::max(16, std::min(cell.width(), FListView->viewport()->width() - 2)));
    if (FListView->gridSize() != cell)
        FListView->setGridSize(cell);
}

void TImageListView::SetSortIndicator(int column, bool descending)
{
    QHeaderView *header = FTreeView->header();
    header->setSortIndicatorShown(column >= 0);
    header->setSortIndicator(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void TImageListView::SetMultiSelect(bool value)
{
    FMultiSelect = value;
    const auto mode = value ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection;
    FListView->setSelectionMode(mode);
    FTreeView->setSelectionMode(mode);
}

void TImageListView::SetReadOnly(bool value)
{
    FReadOnly = value;
}

void TImageListView::SetHideSelection(bool value)
{
    FHideSelection = value;
    ActiveView()->viewport()->update();
}

void TImageListView::SetRowSelect(bool value)
{
    FRowSelect = value;
    FTreeView->setSelectionBehavior(value ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    FTreeView->setAllColumnsShowFocus(value);
}

void TImageListView::SetSortType(TSortType value)
{
    if (FSortType == value)
        return;
    FSortType = value;
    if (value != TSortType::stNone)
        AlphaSort();
}

const TListColumn &TImageListView::Column(int index) const
{
    if (index < 0 || index >= ColumnCount())
        throw std::out_of_range("list column index");
    return FColumns[static_cast<std::size_t>(index)];
}

int TImageListView::AddColumn(const QString &caption, int width, Qt::Alignment alignment)
{
    FColumns.push_back({caption, width, alignment});
    FModel->columnsChanged();
    applyColumns();
    return ColumnCount() - 1;
}

void TImageListView::SetColumnWidth(int index, int width)
{
    Column(index);
    FColumns[static_cast<std::size_t>(index)].Width = std::max(0, width);
    applyColumns();
}

void TImageListView::SetColumnCaption(int index, const QString &caption)
{
    Column(index);
    FColumns[static_cast<std::size_t>(index)].Caption = caption;
    FModel->columnsChanged();
}

void TImageListView::ClearColumns()
{
    FColumns.clear();
    FModel->columnsChanged();
}

void TImageListView::applyColumns()
{
    QHeaderView *header = FTreeView->header();
    header->setVisible(ColumnCount() > 0);
    for (int i = 0; i < ColumnCount(); ++i)
        if (header->sectionSize(i) != FColumns[static_cast<std::size_t>(i)].Width)
            header->resizeSection(i, FColumns[static_cast<std::size_t>(i)].Width);
}

TImageListItem *TImageListView::itemAt(const QModelIndex &index) const
{
    if (!index.isValid() || index.row() >= FItems->Count())
        return nullptr;
    return FItems->Item(index.row());
}

TImageListItem *TImageListView::ItemFocused() const
{
    return itemAt(FSelection->currentIndex());
}

void TImageListView::SetItemFocused(TImageListItem *item)
{
    if (!item) {
        FSelection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return;
    }
    FSelection->setCurrentIndex(FModel->index(item->Index(), 0), QItemSelectionModel::NoUpdate);
}

TImageListItem *TImageListView::Selected() const
{
    const std::vector<std::pair<int, int>> spans = selectedSpans();
    return spans.empty() ? nullptr : FItems->Item(spans.front().first);
}

void TImageListView::SetSelected(TImageListItem *item)
{
    FSelection->clearSelection();
    if (item) {
        const QModelIndex index = FModel->index(item->Index(), 0);
        FSelection->setCurrentIndex(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

TImageListItem *TImageListView::TopItem() const
{
    if (FItems->Count() == 0)
        return nullptr;
    QAbstractItemView *v = ActiveView();
    for (int y = 0; y < 24; y += 4)
        for (int x = 0; x < 24; x += 4)
            if (TImageListItem *item = itemAt(v->indexAt(QPoint(x, y))))
                return item;
    return FItems->Item(0);
}

void TImageListView::SetThumbnailClass(const TGraphicClass *value)
{
    FThumbnailClass = value ? value : &BitmapClass();
    DoChangeThumbnailClass();
}

// --- Virtuals -------------------------------------------------------------------

void TImageListView::DoAfterDrawThumbnail(TImageListItem &Item, TCustomDrawState State, QPainter &Canvas,
                                          const QRect &IconRect)
{
    if (OnAfterDrawThumbnail)
        OnAfterDrawThumbnail(*this, Item, State, Canvas, IconRect);
}

void TImageListView::DoBeforeDrawThumbnail(TImageListItem &Item, TCustomDrawState State, QPainter &Canvas,
                                           const QRect &IconRect)
{
    if (OnBeforeDrawThumbnail)
        OnBeforeDrawThumbnail(*this, Item, State, Canvas, IconRect);
}

void TImageListView::DoCaptionChange(TImageListItem &Item)
{
    if (OnCaptionChange)
        OnCaptionChange(*this, Item);
}

void TImageListView::DoMakeThumbnail(TImageListItem &Item)
{
    if (OnMakeThumbnail)
        OnMakeThumbnail(*this, Item);
}

void TImageListView::DoLoadImage(TImageListItem &Item, QImage &ABitmap, bool &Handled)
{
    if (OnLoadImage)
        OnLoadImage(*this, Item, ABitmap, Handled);
}

void TImageListView::DoChangeThumbnailClass()
{
    if (OnChangeThumbnailClass)
        OnChangeThumbnailClass(*this);
}

void TImageListView::changeEvent(QEvent *event)
{
    if (!FDestroying && (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange)) {
        updateBackColor();
        ActiveView()->viewport()->update();
    }
    QWidget::changeEvent(event);
}

bool TImageListView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && FListView && watched == FListView->viewport())
        updateListCell();
    if (event->type() == QEvent::KeyPress && (watched == FListView || watched == FTreeView)) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Space && FCheckBoxes && key->modifiers() == Qt::NoModifier) {
            // Space sets the whole selection to the opposite of the focused item's check.
            TImageListItem *focused = ItemFocused();
            const bool check = focused ? !focused->Checked() : true;
            std::vector<std::uint64_t> handles;
            for (int i = 0; i < FItems->Count(); ++i)
                if (FSelection->isSelected(FModel->index(i, 0)))
                    handles.push_back(FItems->Item(i)->FHandle);
            if (handles.empty() && focused)
                handles.push_back(focused->FHandle);
            for (std::uint64_t h : handles)
                if (TImageListItem *item = itemByHandle(h))
                    item->SetChecked(check);
            return true;
        }
    }
    if (!FDestroying && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) && watched == ActiveView())
        ActiveView()->viewport()->update();
    return QWidget::eventFilter(watched, event);
}

// --- List operations ----------------------------------------------------------------

int TImageListView::AddImageFiles(const QString &Path, bool ClearItems, const TILVProgress &AProgress)
{
    QStringList files;
    ListFolderFiles(Path, QStringLiteral("*.*"), files);
    if (ClearItems)
        Clear();
    int added = 0;
    const int count = static_cast<int>(files.size());
    for (int i = 0; i < count; ++i) {
        const QString &file = files[i];
        bool add = true;
        if (AProgress) {
            bool canceled = false;
            add = AProgress(count, i + 1, file, canceled);
            if (canceled)
                break;
        }
        if (add && FImageClasses.IndexOfExtension(ExtractFileExt(file)) >= 0) {
            AddItem(file, nullptr);
            ++added;
        }
    }
    return added;
}

TImageListItem *TImageListView::AddItem(const QString &FileName, TImageInfo *AObject)
{
    std::unique_ptr<TImageListItem> item(new TImageListItem(this));
    item->FAbsoluteName = FileName;
    item->FData = AObject;
    return FItems->AddItem(std::move(item), -1);
}

void TImageListView::Clear()
{
    FItems->Clear();
}

void TImageListView::Delete(TImageListItem *Item)
{
    if (!Item)
        return;
    const int index = FItems->IndexOf(Item);
    if (index >= 0)
        FItems->Delete(index);
}

TImageListItem *TImageListView::FindFileName(int StartIndex, const QString &FileName, bool Partial, bool Inclusive,
                                             bool Wrap) const
{
    const int count = FItems->Count();
    if (count == 0)
        return nullptr;
    auto namePart = [](const QString &p) { return p.mid(p.lastIndexOf(u'/') + 1); };
    const QString wanted = Partial ? namePart(FileName) : FileName;
    int i = Inclusive ? StartIndex : StartIndex + 1;
    for (int compared = 0; compared < count; ++compared) {
        if (i >= count) {
            if (!Wrap)
                return nullptr;
            i = 0;
        }
        if (i < 0)
            i = 0;
        if (compared > 0 && i == StartIndex)
            return nullptr;
        if (!Inclusive && i == StartIndex)
            return nullptr;
        const QString &name = FItems->Item(i)->FAbsoluteName;
        if (QString::compare(Partial ? namePart(name) : name, wanted, Qt::CaseInsensitive) == 0)
            return FItems->Item(i);
        ++i;
    }
    return nullptr;
}

std::vector<std::pair<int, int>> TImageListView::selectedSpans() const
{
    std::vector<std::pair<int, int>> spans;
    for (const QItemSelectionRange &range : FSelection->selection())
        if (range.isValid() && !range.parent().isValid() && range.left() <= 0 && range.right() >= 0)
            spans.emplace_back(range.top(), std::min(range.bottom(), FItems->Count() - 1));
    std::sort(spans.begin(), spans.end());
    // Ranges of one selection may overlap: merge them so rows count once.
    std::vector<std::pair<int, int>> merged;
    for (const auto &span : spans) {
        if (span.first > span.second)
            continue;
        if (!merged.empty() && span.first <= merged.back().second + 1)
            merged.back().second = std::max(merged.back().second, span.second);
        else
            merged.push_back(span);
    }
    return merged;
}

int TImageListView::SelCount() const
{
    int n = 0;
    for (const auto &[first, last] : selectedSpans())
        n += last - first + 1;
    return n;
}

void TImageListView::SelectAll()
{
    if (FItems->Count() == 0)
        return;
    FSelection->select(QItemSelection(FModel->index(0, 0), FModel->index(FItems->Count() - 1, FModel->columnCount() - 1)),
                       QItemSelectionModel::Select);
}

void TImageListView::ClearSelection()
{
    FSelection->clearSelection();
}

void TImageListView::DeleteSelected()
{
    BeginUpdate();
    std::vector<std::uint64_t> handles;
    for (int i = 0; i < FItems->Count(); ++i)
        if (FSelection->isSelected(FModel->index(i, 0)))
            handles.push_back(FItems->Item(i)->FHandle);
    for (auto it = handles.rbegin(); it != handles.rend(); ++it)
        Delete(itemByHandle(*it));
    EndUpdate();
}

int TImageListView::compareItems(TImageListItem &a, TImageListItem &b) const
{
    if (OnCompare && FSortType != TSortType::stText) {
        int result = 0;
        OnCompare(*const_cast<TImageListView *>(this), a, b, 0, result);
        return result;
    }
    return QString::localeAwareCompare(a.FCaption, b.FCaption);
}

bool TImageListView::CustomSort(const std::function<int(TImageListItem &, TImageListItem &)> &compare)
{
    const int count = FItems->Count();
    std::vector<int> order(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        order[static_cast<std::size_t>(i)] = i;
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        return compare(*FItems->Item(x), *FItems->Item(y)) < 0;
    });
    FModel->reorder(order, FItems->FItems);
    return true;
}

bool TImageListView::AlphaSort()
{
    return CustomSort([this](TImageListItem &a, TImageListItem &b) { return compareItems(a, b); });
}

void TImageListView::Arrange()
{
    FListView->doItemsLayout();
}

void TImageListView::BeginUpdate()
{
    if (FUpdateCount++ == 0) {
        FListView->setUpdatesEnabled(false);
        FTreeView->setUpdatesEnabled(false);
    }
}

void TImageListView::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0) {
        FListView->setUpdatesEnabled(true);
        FTreeView->setUpdatesEnabled(true);
    }
}

void TImageListView::MakeVisible(TImageListItem *Item, bool PartialOK)
{
    if (!Item)
        return;
    (void)PartialOK;
    ActiveView()->scrollTo(FModel->index(Item->Index(), 0), QAbstractItemView::EnsureVisible);
}

void TImageListView::UpdateItem(TImageListItem *Item)
{
    if (Item)
        Item->Update();
}

TImageListItem *TImageListView::GetItemAt(int x, int y) const
{
    QAbstractItemView *v = ActiveView();
    return itemAt(v->indexAt(v->viewport()->mapFrom(this, QPoint(x, y))));
}

void TImageListView::EditCaption(TImageListItem *Item)
{
    if (!Item || FReadOnly)
        return;
    ActiveView()->edit(FModel->index(Item->Index(), 0));
}

bool TImageListView::IsEditing() const
{
    if (FEditing)
        return true;
    for (const QLineEdit *editor : ActiveView()->findChildren<QLineEdit *>())
        if (editor->isVisible())
            return true;
    return false;
}

QAbstractItemView *TImageListView::ActiveView() const
{
    if (FViewStyle == TImageViewStyle::ivsReport)
        return FTreeView;
    return FListView;
}

QRect TImageListView::ItemCellRect(const TImageListItem *Item) const
{
    if (!Item)
        return {};
    return FListView->visualRect(FModel->index(Item->Index(), 0));
}


} // namespace vellora
