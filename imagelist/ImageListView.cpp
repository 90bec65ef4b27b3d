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

namespace {

constexpr std::size_t kMemCacheEntries = 96;

// The niceness of a worker thread. Thread priorities of the normal Linux
// scheduler are ignored, so the workers are niced instead: below the UI
// thread, which must stay responsive while every core decodes.
int workerNice(TMakeThreadPriority p)
{
    switch (p) {
    case TMakeThreadPriority::mpLower:
        return 10;
    case TMakeThreadPriority::mpNormal:
        return 5;
    case TMakeThreadPriority::mpHigher:
        return 2;
    }
    return 5;
}

void applyNice(int nice)
{
    // Per thread on Linux; a pool thread that was niced further keeps that
    // (raising it again needs privileges), which only slows it.
    setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), nice);
}

} // namespace

// --- Workers -------------------------------------------------------------------

TThumbnailWorkers::TThumbnailWorkers(TImageListView *view) : FView(view)
{
    FPool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    FPool.setExpiryTimeout(2000);
}

TThumbnailWorkers::~TThumbnailWorkers()
{
    StopAll();
    FPool.waitForDone();
}

void TThumbnailWorkers::Start(std::uint64_t handle, TThumbJob job, TMakeThreadPriority priority)
{
    auto stop = std::make_shared<std::atomic_bool>(false);
    job.Stop = stop;
    FRunning[handle] = stop;
    QPointer<TImageListView> view(FView);
    const int nice = workerNice(priority);
    FPool.start([view, handle, job, nice]() {
        applyNice(nice);
        TThumbJobResult result = RunThumbJob(job);
        if (job.Stop->load())
            result = TThumbJobResult{};
        // Delivered on the UI thread; dropped when the view is gone.
        QMetaObject::invokeMethod(
            view.data(), [view, handle, result]() {
                if (view)
                    view->jobDone(handle, result);
            },
            Qt::QueuedConnection);
    });
}

void TThumbnailWorkers::Stop(std::uint64_t handle)
{
    const auto it = FRunning.find(handle);
    if (it != FRunning.end())
        it->second->store(true);
}

void TThumbnailWorkers::StopAll()
{
    for (auto &[handle, stop] : FRunning)
        stop->store(true);
}

void TThumbnailWorkers::WaitAll()
{
    FPool.waitForDone();
    QCoreApplication::sendPostedEvents(FView, QEvent::MetaCall);
}

// --- Model ---------------------------------------------------------------------

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
    FListView->setLayoutMode(QListView::Batched);
    FStack->setCurrentWidget(FViewStyle == TImageViewStyle::ivsReport ? static_cast<QWidget *>(FTreeView)
                                                                       : static_cast<QWidget *>(FListView));
    FListView->doItemsLayout();
    FModel->columnsChanged();
    applyColumns();
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

// --- Items and thumbnails --------------------------------------------------------

TImageListItem *TImageListView::itemByHandle(std::uint64_t handle) const
{
    return FItems->itemByHandle(handle);
}

void TImageListView::itemKeyChanged(TImageListItem &item)
{
    item.FCaption = item.ImageFileName();
    item.FHash = ThumbnailKey(item.FAbsoluteName);
    item.FImagePos = 0;
    item.FMemThumb = QImage();
    item.Update();
    DoCaptionChange(item);
    if (item.FDeleting)
        return;
    OpenCache();
    const std::int64_t pos = FCache.Find(item.FAbsoluteName, TThumbFileStamp::OfFile(item.FAbsoluteName));
    if (pos > 0) {
        item.FImagePos = pos;
        item.Update();
        return;
    }
    if (!IsImage(&item))
        return;
    // A thumbnail already being made for this path reaches this item too.
    for (const TImageListItem *other : FItems->itemsOfPath(item.FAbsoluteName))
        if (other != &item && (other->FReserve || other->FQueued))
            return;
    RequestThumbnail(item);
}

void TImageListView::MakeThumbnail(TImageListItem *Item)
{
    if (!Item || Item->FDeleting || Item->FReserve || Item->FQueued)
        return;
    RequestThumbnail(*Item);
}

void TImageListView::RequestThumbnail(TImageListItem &item)
{
    // A picture the host supplies goes to the workers whether or not the
    // file is still there.
    const bool hosted = FUseThread && hostLoader(item);
    if (!hosted && ::access(QFile::encodeName(item.FAbsoluteName).constData(), F_OK) != 0) {
        item.FImagePos = -1;
        makeInline(item);
        return;
    }
    if (!FUseThread) {
        makeInline(item);
        return;
    }
    item.FQueued = true;
    FReserve.push_back(item.FHandle);
    pumpQueue();
}

TThumbJob TImageListView::makeJob(const TImageListItem &item) const
{
    TThumbJob job;
    job.Path = item.FAbsoluteName;
    job.ThumbSize = FThumbSize;
    job.Mode = FThumbnailMode;
    job.SearchBytes = FSearchBytes;
    job.NeedSize = item.FImageSize.cx == 0;
    const int cls = FImageClasses.IndexOfExtension(ExtractFileExt(job.Path));
    job.GraphicClass = cls >= 0 ? FImageClasses.GraphicClass(cls) : nullptr;
    job.ThumbnailClass = FThumbnailClass;
    return job;
}

std::function<QImage()> TImageListView::hostLoader(TImageListItem &item)
{
    return OnImageLoader ? OnImageLoader(*this, item) : std::function<QImage()>();
}

bool TImageListView::hostImage(std::uint64_t handle)
{
    TImageListItem *item = itemByHandle(handle);
    if (!item || item->FDeleting)
        return true;
    QImage bitmap;
    bool handled = false;
    DoLoadImage(*item, bitmap, handled);
    // The handler may have deleted the item.
    item = itemByHandle(handle);
    if (!item || item->FDeleting)
        return true;
    if (!handled)
        return false;
    if (bitmap.isNull())
        return true;
    if (bitmap.hasAlphaChannel()) {
        QImage white(bitmap.size(), QImage::Format_RGB888);
        white.fill(Qt::white);
        QPainter painter(&white);
        painter.drawImage(0, 0, bitmap);
        painter.end();
        bitmap = white;
    }
    ResampleThumbnail(bitmap, FThumbSize, FThumbnailMode);
    QByteArray encoded;
    try {
        if (FThumbnailClass == &BitmapClass()) {
            encoded = EncodeThumbnailBmp(bitmap);
        } else {
            std::unique_ptr<TGraphic> g = FThumbnailClass->Create();
            g->SetImage(bitmap);
            encoded = g->SaveToData();
        }
    } catch (...) {
        return true;
    }
    storeFor(*item, bitmap, encoded, TThumbFileStamp::OfFile(item->FAbsoluteName));
    return true;
}

void TImageListView::makeInline(TImageListItem &item)
{
    const std::uint64_t handle = item.FHandle;
    if (hostImage(handle))
        return;
    TImageListItem *still = itemByHandle(handle);
    if (!still || still->FImagePos == -1)
        return;
    jobDone(handle, RunThumbJob(makeJob(*still)));
}

void TImageListView::promoteVisible(TImageListItem &item)
{
    // Items on screen go first: the user is looking at them.
    if (!item.FQueued || FReserve.empty() || FReserve.front() == item.FHandle)
        return;
    const auto it = std::find(FReserve.begin(), FReserve.end(), item.FHandle);
    if (it != FReserve.end())
        std::rotate(FReserve.begin(), it, it + 1);
}

void TImageListView::pumpQueue()
{
    while (!FDestroying && FUseThread && !FReserve.empty() && FWorkers->Running() < FWorkers->MaxJobs()) {
        const std::uint64_t handle = FReserve.front();
        FReserve.pop_front();
        TImageListItem *item = itemByHandle(handle);
        if (!item || item->FDeleting)
            continue;   // deleted while waiting
        item->FQueued = false;
        startJob(*item);
    }
}

void TImageListView::startJob(TImageListItem &item)
{
    const std::uint64_t handle = item.FHandle;
    // The host may supply the picture itself (embedded images): through a
    // loader the worker runs, else here.
    std::function<QImage()> loader = hostLoader(item);
    if (!loader && hostImage(handle))
        return;
    TImageListItem *still = itemByHandle(handle);
    if (!still || still->FDeleting)
        return;
    TThumbJob job = makeJob(*still);
    job.Load = std::move(loader);
    still->FReserve = true;
    FWorkers->Start(handle, std::move(job), FPriority);
}

void TImageListView::jobDone(std::uint64_t handle, const TThumbJobResult &result)
{
    FWorkers->Finished(handle);
    if (TImageListItem *item = itemByHandle(handle); item && !item->FDeleting) {
        item->FReserve = false;
        // A host's picture arrives even when the file is gone.
        if (!result.Thumb.isNull()) {
            if (item->FImageSize.cx == 0 && result.ImageSize.cx > 0)
                item->FImageSize = result.ImageSize;
            storeFor(*item, result.Thumb, result.Encoded, result.Stamp);
        } else if (!result.Exists) {
            item->FImagePos = -1;
            item->Update();
        }
    }
    pumpQueue();
}

void TImageListView::storeFor(TImageListItem &item, const QImage &thumb, const QByteArray &encoded,
                              const TThumbFileStamp &stamp)
{
    const QString path = item.FAbsoluteName;
    const std::int64_t pos = encoded.isEmpty() ? 0 : FCache.Store(path, encoded, stamp);
    if (pos == 0)
        reportCacheError(FCache.LastError());
    // Every item of this path gets it (one may have been added while the
    // job ran), in list order.
    std::vector<TImageListItem *> same = FItems->itemsOfPath(path);
    if (same.size() > 1)
        std::sort(same.begin(), same.end(),
                  [this](const TImageListItem *a, const TImageListItem *b) { return FItems->IndexOf(a) < FItems->IndexOf(b); });
    std::vector<std::uint64_t> handles;
    for (const TImageListItem *other : same)
        if (!other->FDeleting)
            handles.push_back(other->FHandle);
    for (std::uint64_t h : handles) {
        TImageListItem *target = itemByHandle(h);
        if (!target || target->FDeleting)
            continue;
        if (target->FImageSize.cx == 0)
            target->FImageSize = item.FImageSize;
        target->FImagePos = pos;
        target->FMemThumb = pos > 0 ? QImage() : thumb;
        target->Update();
        DoMakeThumbnail(*target);
    }
}

bool TImageListView::StoreThumbnail(TImageListItem &item, const QImage &thumb, const QByteArray &encoded)
{
    storeFor(item, thumb, encoded, TThumbFileStamp::OfFile(item.FAbsoluteName));
    return item.FImagePos > 0;
}

void TImageListView::reportCacheError(const QString &message)
{
    if (FCacheErrorReported)
        return;
    FCacheErrorReported = true;
    if (OnCacheError)
        OnCacheError(*this, message);
}

void TImageListView::itemRemoved(TImageListItem &item)
{
    if (FCheckingItem == &item)
        FCheckingItem = nullptr;
    if (FEditing == &item)
        FEditing = nullptr;
    if (item.FReserve)
        FWorkers->Stop(item.FHandle);
    std::erase_if(FMemCache, [&item](const MemEntry &e) { return e.handle == item.FHandle; });
    if (OnDeletion)
        OnDeletion(*this, item);
}

const QImage *TImageListView::memoryThumb(const TImageListItem &item)
{
    if (!item.FMemThumb.isNull())
        return &item.FMemThumb;
    if (item.FImagePos <= 0)
        return nullptr;
    for (auto it = FMemCache.begin(); it != FMemCache.end(); ++it)
        if (it->handle == item.FHandle && it->pos == item.FImagePos) {
            if (it != FMemCache.begin())
                std::rotate(FMemCache.begin(), it, it + 1);
            return &FMemCache.front().image;
        }
    QImage image;
    if (!GetThumbnail(const_cast<TImageListItem *>(&item), image) || image.isNull())
        return nullptr;
    if (FMemCache.size() >= kMemCacheEntries)
        FMemCache.pop_back();
    FMemCache.insert(FMemCache.begin(), MemEntry{item.FHandle, item.FImagePos, image});
    return &FMemCache.front().image;
}

bool TImageListView::GetThumbnail(TImageListItem *Item, QImage &Thumb)
{
    if (!Item)
        return false;
    if (Item->FImagePos > 0) {
        OpenCache();
        const QImage image = DecodeThumbnail(FCache.Read(Item->FImagePos), FThumbnailClass);
        if (image.isNull())
            return false;
        Thumb = image;
        return true;
    }
    if (!Item->FMemThumb.isNull()) {
        Thumb = Item->FMemThumb;
        return true;
    }
    const TImageList *list = FLargeImages ? FLargeImages : FSmallImages;
    if (const QPixmap *p = list ? list->Picture(Item->FImageIndex) : nullptr) {
        Thumb = p->toImage();
        return true;
    }
    return false;
}

bool TImageListView::IsExif(const TImageListItem *Item) const
{
    return Item && FindExifOffset(Item->FAbsoluteName, FSearchBytes) > 0;
}

bool TImageListView::IsImage(const TImageListItem *Item) const
{
    return Item && FImageClasses.IndexOfExtension(ExtractFileExt(Item->FAbsoluteName)) >= 0;
}

void TImageListView::WaitForThumbnails()
{
    FWorkers->WaitAll();
    // Results delivered above may have started queued jobs.
    while (FWorkers->Running() > 0)
        FWorkers->WaitAll();
}

int TImageListView::PendingThumbnails() const
{
    return static_cast<int>(FReserve.size()) + FWorkers->Running();
}

// --- Cache -------------------------------------------------------------------------

void TImageListView::OpenCache()
{
    if (FCache.Active())
        return;
    if (FTempFileName.isEmpty()) {
        // No name from the host: a private file in the temporary folder.
        FTempFileName = NewThumbnailCacheFileName(QString());
        FOwnsTempFile = !FTempFileName.isEmpty();
        FCache.SetFileName(FTempFileName);
    }
    if (!FCache.Open())
        reportCacheError(FCache.LastError());
}

void TImageListView::CloseCache()
{
    FCache.Close();
    FMemCache.clear();
}

void TImageListView::ClearCache()
{
    FMemCache.clear();
    if (FTempFileName.isEmpty()) {
        OpenCache();
        return;
    }
    FCache.Clear();
    for (int i = 0; i < FItems->Count(); ++i) {
        FItems->Item(i)->FImagePos = 0;
        FItems->Item(i)->FMemThumb = QImage();
    }
    FModel->rowChanged(0);
    ActiveView()->viewport()->update();
}

void TImageListView::DeleteCache(const QString &FileName)
{
    OpenCache();
    const TDigest key = ThumbnailKey(FileName);
    if (!FCache.HasKey(key))
        return;
    if (!FCache.Delete(key))
        reportCacheError(FCache.LastError());
    FMemCache.clear();
    for (int i = 0; i < FItems->Count(); ++i) {
        TImageListItem *item = FItems->Item(i);
        if (item->FImagePos > 0)
            item->FImagePos = FCache.Find(item->FAbsoluteName, TThumbFileStamp::OfFile(item->FAbsoluteName));
    }
    ActiveView()->viewport()->update();
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

// --- Free functions ---------------------------------------------------------------------

QString NewThumbnailCacheFileName(const QString &folder)
{
    QString name;
    if (CreateTempFileName(folder, QStringLiteral("vlt"), name))
        return name;
    const QString dir =
        IncludeTrailingPathDelimiter(folder.isEmpty() ? GetSpecialFolder(TSpecialFolder::sfTemporary) : folder);
    const QString base =
        dir + QStringLiteral("Vellora%1").arg(QRandomGenerator::global()->bounded(65535), 4, 16, QLatin1Char('0')).toUpper();
    for (int n = 0; n < 10000; ++n) {
        const QString candidate = base + (n == 0 ? QString() : QString::number(n)) + QStringLiteral(".tmp");
        const int fd = ::open(QFile::encodeName(candidate).constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                              0600);
        if (fd >= 0) {
            ::close(fd);
            return candidate;
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
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
