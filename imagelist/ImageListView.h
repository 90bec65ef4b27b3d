// TImageListView: the list control of the print list. One item model holds
// the items in list order (column 0 the caption, then the sub-items); a
// QListView shows the thumbnail, icon, small-icon and list styles and a
// QTreeView the report style, both on one selection model. Thumbnails are
// made once (from the Exif thumbnail when there is one), reduced to
// ThumbSize and appended to the thumbnail cache file; decoding runs on
// worker threads, storing and every event on the UI thread.
//
// The item collection lives in vellora::imagelist because the model already
// has a TImageListItems (the paper's view of the list); the collection
// implements that interface, so TPhotoPaper::SetInfos(&view.Items()) works.
// Everything here lives on the UI thread; errors of files and decoders never
// leave the view (items just stay without a thumbnail).
#pragma once

#include "graphics/Geometry.h"
#include "graphics/GraphicClass.h"
#include "graphics/GraphicClassList.h"
#include "imagelist/Thumbnail.h"
#include "imagelist/ThumbnailCache.h"
#include "model/ImageListItems.h"

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

class QAbstractItemDelegate;
class QAbstractItemView;
class QItemSelectionModel;
class QListView;
class QPainter;
class QStackedLayout;
class QTreeView;

namespace vellora {

class TImageInfo;
class TImageListView;
class TImageListItem;
class TImageListModel;
class TThumbnailDelegate;
class TThumbnailWorkers;
namespace imagelist {
class TImageListItems;
}
// The view's item collection under a name that does not clash with the model's.
using TImageListViewItems = imagelist::TImageListItems;

// Ordinals are stored in the settings file: never reorder.
enum class TImageViewStyle : std::uint8_t { ivsIcon, ivsSmallIcon, ivsList, ivsReport, ivsThumbnail };
enum class TMakeThreadPriority : std::uint8_t { mpLower, mpNormal, mpHigher };
enum class TSortType : std::uint8_t { stNone, stData, stText, stBoth };

// Custom-draw state of an item, a set over TCustomDrawStateItem ordinals.
enum class TCustomDrawStateItem : std::uint8_t { cdsSelected, cdsGrayed, cdsDisabled, cdsChecked, cdsFocused,
                                                 cdsDefault, cdsHot, cdsMarked, cdsIndeterminate };
using TCustomDrawState = std::uint32_t;
constexpr TCustomDrawState CustomDrawFlag(TCustomDrawStateItem s) { return 1u << static_cast<unsigned>(s); }

// A host's picture list (LargeImages / SmallImages): pictures picked by an
// item's ImageIndex.
struct TImageList {
    QList<QPixmap> Images;
    const QPixmap *Picture(int index) const
    {
        return index >= 0 && index < Images.size() ? &Images[index] : nullptr;
    }
};

struct TListColumn {
    QString Caption;
    int Width = 50;
    Qt::Alignment Alignment = Qt::AlignLeft;
};

// Events. Every one runs on the UI thread.
using TILVDrawThumbEvent = std::function<void(TImageListView &Sender, TImageListItem &Item, TCustomDrawState State,
                                              QPainter &Canvas, const QRect &IconRect)>;
using TILVMakeThumbEvent = std::function<void(TImageListView &Sender, TImageListItem &Item)>;
using TILVLoadImageEvent = std::function<void(TImageListView &Sender, TImageListItem &Item, QImage &ABitmap,
                                              bool &Handled)>;
// The host's picture of an item as a loader a worker runs (with UseThread),
// so the item is made like a file-backed one; an empty loader leaves the
// item to OnLoadImage and its file. Asked on the UI thread; the loader must
// not touch the view or its items.
using TILVImageLoaderEvent = std::function<std::function<QImage()>(TImageListView &Sender, TImageListItem &Item)>;
// Return True to add the file; set Canceled to stop the loop.
using TILVProgress = std::function<bool(int FileCount, int ACount, const QString &FileName, bool &Canceled)>;
using TILVNotifyEvent = std::function<void(TImageListView &Sender)>;
using TLVCompareEvent = std::function<void(TImageListView &Sender, TImageListItem &Item1, TImageListItem &Item2,
                                           int Data, int &Compare)>;
using TLVColumnClickEvent = std::function<void(TImageListView &Sender, int ColumnIndex)>;
using TLVItemEvent = std::function<void(TImageListView &Sender, TImageListItem &Item)>;
using TLVSelectItemEvent = std::function<void(TImageListView &Sender, TImageListItem *Item, bool Selected)>;
using TLVEditedEvent = std::function<void(TImageListView &Sender, TImageListItem &Item, QString &S)>;
using TLVCacheErrorEvent = std::function<void(TImageListView &Sender, const QString &Message)>;

// One item: a file, its caption and sub-items, check and data, and its
// thumbnail state (ImagePos 0 = none yet, -1 = the file was missing).
class TImageListItem {
public:
    TImageListItem(const TImageListItem &) = delete;
    TImageListItem &operator=(const TImageListItem &) = delete;

    TImageListView *ListView() const noexcept { return FView; }
    int Index() const;

    QString Caption() const { return FCaption; }
    void SetCaption(const QString &value);
    const QStringList &SubItems() const noexcept { return FSubItems; }
    void SetSubItems(const QStringList &value);
    void AddSubItem(const QString &value);
    void SetSubItem(int index, const QString &value);   // grows the list with empty texts

    bool Checked() const noexcept { return FChecked; }
    void SetChecked(bool value);
    bool Selected() const;
    void SetSelected(bool value);
    bool Focused() const;
    void SetFocused(bool value);
    TImageInfo *Data() const noexcept { return FData; }
    void SetData(TImageInfo *value) noexcept { FData = value; }
    int ImageIndex() const noexcept { return FImageIndex; }
    void SetImageIndex(int value);

    const QString &AbsoluteName() const noexcept { return FAbsoluteName; }
    // Resets the image size and recomputes caption, key and thumbnail.
    void SetAbsoluteName(const QString &value);
    QString FilePath() const;        // folder with trailing separator
    QString ImageFileName() const;   // name without folder
    // Computed on first use while either is 0 (headers only, no decode).
    int ImageWidth();
    int ImageHeight();
    TIntSize ImageSize() const noexcept { return FImageSize; }
    // A size already read from the file's header elsewhere: spares reading
    // it again on first use.
    void SetImageSize(TIntSize value) noexcept { FImageSize = value; }
    bool IsImage() const;
    std::uint32_t ItemID() const noexcept { return FItemID; }
    bool Maked() const noexcept { return FImagePos > 0; }
    std::int64_t ImagePos() const noexcept { return FImagePos; }
    const TDigest &Hash() const noexcept { return FHash; }
    bool Reserve() const noexcept { return FReserve; }

    // Copies caption, sub-items, check, data, image index, path, key, image
    // size, cache position and FReserve; the ID becomes the source's raised
    // until no other item of this list has it.
    void Assign(const TImageListItem &source);

    void Update();                          // repaints the item
    void MakeVisible(bool partialOK = true);
    void Delete();

private:
    friend class imagelist::TImageListItems;
    friend class TImageListView;
    friend class TImageListModel;
    explicit TImageListItem(TImageListView *view) : FView(view) {}

    TImageListView *FView;
    QString FCaption;
    QStringList FSubItems;
    bool FChecked = false;
    TImageInfo *FData = nullptr;
    int FImageIndex = -1;

    QString FAbsoluteName;
    TDigest FHash{};
    std::int64_t FImagePos = 0;
    TIntSize FImageSize;
    std::uint32_t FItemID = 0;
    bool FReserve = false;
    bool FDeleting = false;
    bool FQueued = false;
    std::uint64_t FHandle = 0;   // never reused within a view: workers find their item by it
    mutable int FIndex = -1;     // row, trusted only below the collection's FIndexedBelow
    QImage FMemThumb;            // the thumbnail when the cache file could not take it
};

namespace imagelist {

// The view's items in list (print) order; owns them. Also the paper's view
// of the list (check marks and entries).
class TImageListItems : public vellora::TImageListItems {
public:
    explicit TImageListItems(TImageListView *view) : FView(view) {}
    ~TImageListItems() override;
    TImageListItems(const TImageListItems &) = delete;
    TImageListItems &operator=(const TImageListItems &) = delete;

    // The model's interface (used by the paper during a print run).
    int Count() const override { return static_cast<int>(FItems.size()); }
    bool Checked(int index) const override { return Item(index)->Checked(); }
    void SetChecked(int index, bool checked) override { Item(index)->SetChecked(checked); }
    TImageInfo *Data(int index) const override { return Item(index)->Data(); }

    TImageListItem *Item(int index) const;       // std::out_of_range for a bad index
    TImageListItem *operator[](int index) const { return Item(index); }
    TImageListView *Owner() const noexcept { return FView; }

    // A new item for the file, appended (or placed by the sort when the view
    // sorts by data); its key is computed and its thumbnail found or requested.
    TImageListItem *Add(const QString &FileName);
    TImageListItem *Insert(int Index, const QString &FileName);
    void Delete(int Index);
    void Clear();
    void Exchange(int Index1, int Index2);
    // NewIndex counts before the removal (like beginMoveRows): Move(i, i)
    // and Move(i, i + 1) change nothing.
    void Move(int CurIndex, int NewIndex);
    int IndexOf(const TImageListItem *Item) const;
    TImageListItem *ItemById(std::uint32_t ID) const;
    int CheckedCount() const noexcept { return FCheckedCount; }
    // Copies every item of source (paths, texts, states).
    void Assign(const TImageListItems &source);
    void BeginUpdate();
    void EndUpdate();
    std::uint32_t MaxID() const noexcept { return FMaxID; }

private:
    friend class vellora::TImageListView;
    friend class vellora::TImageListItem;
    friend class vellora::TImageListModel;
    // Takes item; Index -1 appends. Gives it an ID (its own or FMaxID),
    // raised by 1 until free (0xFFFFFFFE is followed by 0).
    TImageListItem *AddItem(std::unique_ptr<TImageListItem> item, int Index);
    std::uint32_t freeId(std::uint32_t from, const TImageListItem *except) const;
    int sortedIndex(TImageListItem &item) const;
    TImageListItem *itemByHandle(std::uint64_t handle) const;
    // The items of the path (the view's order is not kept).
    std::vector<TImageListItem *> itemsOfPath(const QString &path) const;
    // Bookkeeping of the lookups below; every change of an item's path, ID
    // or check mark and every change of the order goes through these.
    void registerItem(TImageListItem *item);
    void unregisterItem(TImageListItem *item);
    void pathChanging(TImageListItem *item, const QString &newPath);
    void erasePath(TImageListItem *item);
    void idChanging(TImageListItem *item, std::uint32_t newId);
    void checkedChanged(bool nowChecked) noexcept { FCheckedCount += nowChecked ? 1 : -1; }
    void orderChangedFrom(int index) noexcept { FIndexedBelow = std::min(FIndexedBelow, index); }

    TImageListView *FView;
    std::vector<std::unique_ptr<TImageListItem>> FItems;
    std::uint32_t FMaxID = 0;
    // Adding, finding a finished thumbnail's item and the status counts
    // would otherwise each walk the whole list, which makes adding a long
    // list grow with the square of its length.
    std::unordered_set<const TImageListItem *> FLive;
    std::unordered_map<std::uint64_t, TImageListItem *> FByHandle;
    std::unordered_map<std::uint32_t, TImageListItem *> FById;
    std::unordered_multimap<QString, TImageListItem *> FByPath;
    mutable int FIndexedBelow = 0;   // items before this row know their row
    int FCheckedCount = 0;
};

} // namespace imagelist

class TImageListView : public QWidget {
    Q_OBJECT
public:
    explicit TImageListView(QWidget *parent = nullptr);
    ~TImageListView() override;

    // --- Properties ---------------------------------------------------------
    const QString &CacheFileName() const noexcept { return FCacheFileName; }
    // Closes the cache when the name changes; empty = a private file in the
    // temporary folder.
    void SetCacheFileName(const QString &value);
    const QString &TempFileName() const noexcept { return FTempFileName; }
    bool CheckBoxes() const noexcept { return FCheckBoxes; }
    void SetCheckBoxes(bool value);
    TImageList *LargeImages() const noexcept { return FLargeImages; }
    void SetLargeImages(TImageList *value);
    TImageList *SmallImages() const noexcept { return FSmallImages; }
    void SetSmallImages(TImageList *value);
    bool MakeThumb() const noexcept { return FMakeThumb; }
    void SetMakeThumb(bool value) noexcept { FMakeThumb = value; }
    TMakeThreadPriority Priority() const noexcept { return FPriority; }
    void SetPriority(TMakeThreadPriority value);
    int SearchBytes() const noexcept { return FSearchBytes; }
    void SetSearchBytes(int value) noexcept { FSearchBytes = value < 0 ? 0 : value; }
    QColor SelColor() const noexcept { return FSelColor; }
    void SetSelColor(const QColor &value);
    bool SelColorEnabled() const noexcept { return FSelColorEnabled; }
    void SetSelColorEnabled(bool value);
    QColor BackColor() const noexcept { return FBackColor; }
    bool ThumbCheckBoxes() const noexcept { return FThumbCheckBoxes; }
    void SetThumbCheckBoxes(bool value);
    TIVThumbnailMode ThumbnailMode() const noexcept { return FThumbnailMode; }
    void SetThumbnailMode(TIVThumbnailMode value) noexcept { FThumbnailMode = value; }
    int ThumbSize() const noexcept { return FThumbSize; }
    void SetThumbSize(int value);
    bool UseThread() const noexcept { return FUseThread; }
    void SetUseThread(bool value);
    TImageViewStyle ViewStyle() const noexcept { return FViewStyle; }
    void SetViewStyle(TImageViewStyle value);
    bool MultiSelect() const noexcept { return FMultiSelect; }
    void SetMultiSelect(bool value);
    bool ReadOnly() const noexcept { return FReadOnly; }
    void SetReadOnly(bool value);
    bool HideSelection() const noexcept { return FHideSelection; }
    void SetHideSelection(bool value);
    bool RowSelect() const noexcept { return FRowSelect; }
    void SetRowSelect(bool value);
    TSortType SortType() const noexcept { return FSortType; }
    // Turning sorting on sorts once.
    void SetSortType(TSortType value);

    // Report columns.
    int ColumnCount() const noexcept { return static_cast<int>(FColumns.size()); }
    const TListColumn &Column(int index) const;
    int AddColumn(const QString &caption, int width = 50, Qt::Alignment alignment = Qt::AlignLeft);
    void SetColumnWidth(int index, int width);
    void SetColumnCaption(int index, const QString &caption);
    void ClearColumns();

    bool CacheActive() const noexcept { return FCache.Active(); }
    TGraphicClassList &ImageClasses() noexcept { return FImageClasses; }
    TImageListViewItems &Items() noexcept { return *FItems; }
    const TImageListViewItems &Items() const noexcept { return *FItems; }
    TImageListItem *ItemFocused() const;
    void SetItemFocused(TImageListItem *item);
    TImageListItem *Selected() const;   // the first selected item in list order
    void SetSelected(TImageListItem *item);   // selects only it (none: clears)
    TImageListItem *TopItem() const;
    const TGraphicClass *ThumbnailClass() const noexcept { return FThumbnailClass; }
    void SetThumbnailClass(const TGraphicClass *value);   // fires DoChangeThumbnailClass

    // --- Events ---------------------------------------------------------------
    TILVDrawThumbEvent OnAfterDrawThumbnail;
    TILVDrawThumbEvent OnBeforeDrawThumbnail;
    TILVMakeThumbEvent OnCaptionChange;
    TILVNotifyEvent OnChangeThumbnailClass;
    TILVLoadImageEvent OnLoadImage;
    TILVImageLoaderEvent OnImageLoader;
    TILVMakeThumbEvent OnMakeThumbnail;
    TLVColumnClickEvent OnColumnClick;
    TLVCompareEvent OnCompare;
    TILVNotifyEvent OnDblClick;
    TLVItemEvent OnInsert;
    TLVItemEvent OnDeletion;
    TLVItemEvent OnItemChecked;
    TLVSelectItemEvent OnSelectItem;
    TLVEditedEvent OnEdited;
    // The cache file refused a write; reported once per opened file.
    TLVCacheErrorEvent OnCacheError;

    // --- Methods --------------------------------------------------------------
    int AddImageFiles(const QString &Path, bool ClearItems, const TILVProgress &AProgress = {});
    TImageListItem *AddItem(const QString &FileName, TImageInfo *AObject);
    void Clear();
    void ClearCache();
    void CloseCache();
    void OpenCache();
    void DeleteCache(const QString &FileName);
    void Delete(TImageListItem *Item);
    TImageListItem *FindFileName(int StartIndex, const QString &FileName, bool Partial, bool Inclusive,
                                 bool Wrap) const;
    bool GetThumbnail(TImageListItem *Item, QImage &Thumb);
    bool IsExif(const TImageListItem *Item) const;
    bool IsImage(const TImageListItem *Item) const;
    void MakeThumbnail(TImageListItem *Item);

    int SelCount() const;
    void SelectAll();
    void ClearSelection();
    void DeleteSelected();
    // Stable sort of the items by OnCompare (by caption without a handler).
    bool AlphaSort();
    bool CustomSort(const std::function<int(TImageListItem &, TImageListItem &)> &compare);
    void Arrange();
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const noexcept { return FUpdateCount > 0; }
    void MakeVisible(TImageListItem *Item, bool PartialOK = true);
    void UpdateItem(TImageListItem *Item);
    TImageListItem *GetItemAt(int x, int y) const;   // in this widget's coordinates
    // Starts editing the item's caption (not while ReadOnly).
    void EditCaption(TImageListItem *Item);
    bool IsEditing() const;

    // Waits until every running thumbnail job has been stored (tests, tools).
    void WaitForThumbnails();
    // Jobs queued or running.
    int PendingThumbnails() const;

    // The widgets, for hosts that tune them and for tests.
    QListView *ListView() const noexcept { return FListView; }
    QTreeView *TreeView() const noexcept { return FTreeView; }
    // The report header's sort arrow on column (none below 0), pointing down
    // when descending.
    void SetSortIndicator(int column, bool descending);
    QAbstractItemView *ActiveView() const;
    TImageListModel *Model() const noexcept { return FModel; }
    QItemSelectionModel *SelectionModel() const noexcept { return FSelection; }
    // The cell, icon and label rectangles of an item in the thumbnail style,
    // in the list view's viewport coordinates.
    QRect ItemCellRect(const TImageListItem *Item) const;

protected:
    virtual void DoAfterDrawThumbnail(TImageListItem &Item, TCustomDrawState State, QPainter &Canvas,
                                      const QRect &IconRect);
    virtual void DoBeforeDrawThumbnail(TImageListItem &Item, TCustomDrawState State, QPainter &Canvas,
                                       const QRect &IconRect);
    virtual void DoCaptionChange(TImageListItem &Item);
    virtual void DoMakeThumbnail(TImageListItem &Item);
    virtual void DoLoadImage(TImageListItem &Item, QImage &ABitmap, bool &Handled);
    virtual void DoChangeThumbnailClass();

    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class imagelist::TImageListItems;
    friend class TImageListItem;
    friend class TImageListModel;
    friend class TThumbnailDelegate;
    friend class TThumbnailWorkers;

    // Key lookup or request for a new or renamed item.
    void itemKeyChanged(TImageListItem &item);
    void RequestThumbnail(TImageListItem &item);
    void makeInline(TImageListItem &item);
    bool hostImage(std::uint64_t handle);
    TThumbJob makeJob(const TImageListItem &item) const;
    std::function<QImage()> hostLoader(TImageListItem &item);
    void startJob(TImageListItem &item);
    void pumpQueue();
    void jobDone(std::uint64_t handle, const TThumbJobResult &result);
    bool StoreThumbnail(TImageListItem &item, const QImage &thumb, const QByteArray &encoded);
    void storeFor(TImageListItem &item, const QImage &thumb, const QByteArray &encoded,
                  const TThumbFileStamp &stamp);
    void itemRemoved(TImageListItem &item);
    void updateBackColor();
    void applyViewStyle();
    // The list style's cells: measured names of rows first..last, and the
    // one cell size of every entry.
    void measureListNames(int first, int last);
    void updateListCell();
    void applyColumns();
    void updateGeometry2();
    void sortIfNeeded();
    int compareItems(TImageListItem &a, TImageListItem &b) const;
    TImageListItem *itemAt(const QModelIndex &index) const;
    void reportCacheError(const QString &message);
    const QImage *memoryThumb(const TImageListItem &item);
    void promoteVisible(TImageListItem &item);
    TImageListItem *itemByHandle(std::uint64_t handle) const;
    // Rows whose first column is selected, as sorted disjoint [first, last]
    // spans, read from the selection's ranges rather than row by row.
    std::vector<std::pair<int, int>> selectedSpans() const;

    QColor FBackColor;
    TThumbnailCache FCache;
    QString FCacheFileName;
    TImageListItem *FCheckingItem = nullptr;
    TImageListItem *FEditing = nullptr;
    TGraphicClassList FImageClasses;
    TImageList *FLargeImages = nullptr;
    TImageList *FSmallImages = nullptr;
    bool FMakeThumb = true;
    TMakeThreadPriority FPriority = TMakeThreadPriority::mpNormal;
    std::deque<std::uint64_t> FReserve;   // queued items by handle, FIFO
    int FSearchBytes = 32;
    QColor FSelColor;
    bool FSelColorEnabled = false;
    QString FTempFileName;
    bool FThumbCheckBoxes = false;
    const TGraphicClass *FThumbnailClass = nullptr;
    TIVThumbnailMode FThumbnailMode = TIVThumbnailMode::tmFine;
    int FThumbSize = 160;
    bool FUseThread = false;
    TImageViewStyle FViewStyle = TImageViewStyle::ivsIcon;

    bool FCheckBoxes = false;
    bool FMultiSelect = false;
    bool FReadOnly = false;
    bool FHideSelection = true;
    bool FRowSelect = false;
    TSortType FSortType = TSortType::stNone;
    std::vector<TListColumn> FColumns;
    int FUpdateCount = 0;
    bool FDestroying = false;
    bool FCacheErrorReported = false;
    bool FOwnsTempFile = false;   // the view made its own cache file and removes it
    std::uint64_t FNextHandle = 1;
    int FListTextWidth = -1;   // widest name in the list style, pixels; -1 = measure again

    std::unique_ptr<TImageListViewItems> FItems;
    TImageListModel *FModel = nullptr;
    QItemSelectionModel *FSelection = nullptr;
    QStackedLayout *FStack = nullptr;
    QListView *FListView = nullptr;
    QTreeView *FTreeView = nullptr;
    TThumbnailDelegate *FDelegate = nullptr;
    QAbstractItemDelegate *FPlainDelegate = nullptr;   // the other list styles
    std::unique_ptr<TThumbnailWorkers> FWorkers;
    // A few decoded thumbnails of visible items, so painting does not read
    // the file for every frame.
    struct MemEntry {
        std::uint64_t handle;
        std::int64_t pos;
        QImage image;
    };
    std::vector<MemEntry> FMemCache;
};

// A new cache file name in folder (the temporary folder when empty): a
// created "vlt" temporary file, or else a free "Vellora<4 hex digits>.tmp"
// (numbered when taken), created exclusively. Empty when both fail. Stale
// cache files of earlier runs in the folder are swept first.
QString NewThumbnailCacheFileName(const QString &folder);

// The copy-count badge of the main window in the lower right of iconRect.
void DrawCopyCount(QPainter &canvas, const QRect &iconRect, int copies, const QFont &font);

} // namespace vellora
