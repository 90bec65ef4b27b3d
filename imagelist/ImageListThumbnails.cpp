// Thumbnails of the image list: requesting, making inline or on the workers,
// storing in the memory and file caches, and the cache file itself.
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

} // namespace

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

// --- Free functions ---------------------------------------------------------------------

QString NewThumbnailCacheFileName(const QString &folder)
{
    // Files a crashed run left behind go before a new one is made.
    SweepStaleThumbnailCaches(folder);
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

} // namespace vellora
