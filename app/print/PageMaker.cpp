#include "app/print/PageMaker.h"

#include "model/ImageInfo.h"
#include "model/PhotoArea.h"
#include "model/PhotoPaper.h"
#include "model/PhotoPlacement.h"
#include "plugins/SPIBmp.h"
#include "plugins/SpiHost.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMetaObject>
#include <QPainter>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

namespace vellora {

// The helper's own copy of the layout; it draws one page at a time on it.
struct TPageMaker::Snapshot {
    TPhotoPaper paper;
    // What the cells report while the page itself is drawn (helper thread).
    bool reporting = false;
    std::vector<TPhotoDrawReport> reports;
};

struct TPageMaker::Job {
    std::shared_ptr<Snapshot> snapshot;
    int page = 0;
    TPageGeometry g;
    std::int64_t firstSlot = 0;
    std::uint64_t urgentCount = 0;   // urgent requests made before this one
    std::uint64_t serial = 0;        // set when the helper takes it
    // The page's pageSlots: copies of the entries (null for an empty slot) and
    // the entries they were copied from, which learn what drawing found out.
    std::vector<std::unique_ptr<TImageInfo>> copies;
    std::vector<TImageInfo *> originals;

    QSize size() const { return {g.widthPx, g.heightPx}; }
};

// What drawing a cell tells its entry: the pixel size read from the
// picture's header and the rotation used.
struct TPageMaker::Learned {
    TImageInfo *original = nullptr;
    TIntSize imageSize;
    TPhotoRotate trueRotate = TPhotoRotate::prNone;
};

struct TPageMaker::Result {
    QImage image;
    QString error;
    std::vector<Learned> learned;
    // The cells' reports, with the entries they were copied from.
    std::vector<TPhotoDrawReport> reports;
    bool abandoned = false;   // no longer wanted: nothing to report
};

// Decoded pictures, most recent first, within a memory budget. A picture is
// known by where its bytes come from (and that file's size and time, so an
// edited file is read again) and by its DCT reduction, so a picture taken
// from here is the very one a decode would give.
class TPageMaker::Pictures {
public:
    static QString keyOf(const TImageInfo &info, const QString &documentFileName, int reduction)
    {
        const bool embedded = info.LogMode() == TImageLogging::iloStream;
        const QString &file = !embedded ? info.FileName()
                              : info.SourceFile().isEmpty() ? documentFileName
                                                            : info.SourceFile();
        const QFileInfo stat(file);
        return QStringLiteral("%1|%2|%3|%4|%5")
            .arg(embedded ? QString::number(info.Position()) : QStringLiteral("-"), file)
            .arg(stat.size())
            .arg(stat.lastModified().toMSecsSinceEpoch())
            .arg(reduction);
    }
    const TLoadedPicture *find(const QString &key)
    {
        const auto it = std::find_if(FKept.begin(), FKept.end(), [&](const Kept &k) { return k.key == key; });
        if (it == FKept.end())
            return nullptr;
        FKept.splice(FKept.begin(), FKept, it);
        return &FKept.front().picture;
    }
    void keep(const QString &key, const TLoadedPicture &picture)
    {
        if (picture.image.isNull() || find(key))
            return;
        FKept.push_front({key, picture});
        FBytes += picture.image.sizeInBytes();
        // The newest picture stays even when it alone is over the budget.
        while (FKept.size() > 1 && (FBytes > kBudget || FKept.size() > kMaxPictures)) {
            FBytes -= FKept.back().picture.image.sizeInBytes();
            FKept.pop_back();
        }
    }

private:
    // The photos of a few display-size pages.
    static constexpr qint64 kBudget = 32LL << 20;
    static constexpr std::size_t kMaxPictures = 24;
    struct Kept {
        QString key;
        TLoadedPicture picture;
    };
    std::list<Kept> FKept;
    qint64 FBytes = 0;
};

// The threads that read a picture through a plug-in now.
class TPageMaker::PluginReaders {
public:
    TLoadedPicture load(const TImageInfo &info, const QString &documentFileName, const TNeededPixels &needed)
    {
        if (!MayReadThroughPlugin(info.FileName()))
            return LoadAreaPicture(info, documentFileName, needed);
        struct Entry {
            PluginReaders &readers;
            explicit Entry(PluginReaders &r) : readers(r)
            {
                std::lock_guard lock(readers.FLock);
                readers.FThreads.push_back(std::this_thread::get_id());
            }
            ~Entry()
            {
                std::lock_guard lock(readers.FLock);
                auto &t = readers.FThreads;
                t.erase(std::find(t.begin(), t.end(), std::this_thread::get_id()));
            }
        } entry(*this);
        return LoadAreaPicture(info, documentFileName, needed);
    }
    void Cancel()
    {
        std::lock_guard lock(FLock);
        for (const std::thread::id &t : FThreads)
            TSpiHost::Instance().CancelCallOf(t);
    }

private:
    std::mutex FLock;
    std::vector<std::thread::id> FThreads;
};

namespace {

// Thrown by the first pass's needed-pixels function once it knows what a
// cell needs: the picture is decoded afterwards, beside the others.
struct Probed {};

// What the first pass learns of a cell, and the picture found for it.
struct CellPicture {
    const TImageInfo *info = nullptr;
    int cell = 0;
    bool probed = false;   // a JPEG: full and need are known, not decoded yet
    QSize full, need;
    QString key;
    bool ready = false;
    TLoadedPicture picture;
};

} // namespace

TPageMaker::TPageMaker(QObject *parent)
    : QObject(parent), FPictures(std::make_unique<Pictures>()), FPluginReaders(std::make_unique<PluginReaders>())
{
    FThread = std::thread([this] { run(); });
}

TPageMaker::~TPageMaker()
{
    {
        std::lock_guard lock(FMutex);
        FStop = true;
        FQueue.clear();
    }
    FWake.notify_all();
    // A plug-in that hangs would hold the window's closing for its whole
    // time limit: its call is stopped (again on every turn, as the call may
    // still be queued behind another thread's).
    while (!FRunEnded.load()) {
        FPluginReaders->Cancel();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    FThread.join();
}

void TPageMaker::SetPaper(TPhotoPaper *paper)
{
    CancelQueued();
    FPaper = paper;
    FSnapshot.reset();
    if (!paper)
        return;
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->paper.Assign(*paper);
    // The copy draws only the pageSlots each request brings.
    snapshot->paper.SetInfos(nullptr);
    snapshot->paper.PhotoAreas().SetScaledDecode(paper->PhotoAreas().ScaledDecode());
    Snapshot *self = snapshot.get();
    snapshot->paper.SetOnPhotoDrawn([self](const TPhotoDrawReport &report) {
        if (self->reporting)
            self->reports.push_back(report);
    });
    FSnapshot = std::move(snapshot);
}

bool TPageMaker::IsPending(int page, const TPageGeometry &g) const
{
    const QSize size(g.widthPx, g.heightPx);
    std::lock_guard lock(FMutex);
    if (takenLocked(page, size))
        return true;
    return std::any_of(FQueue.begin(), FQueue.end(),
                       [&](const auto &job) { return job->page == page && job->size() == size; });
}

bool TPageMaker::takenLocked(int page, QSize size) const
{
    return std::any_of(FTaken.begin(), FTaken.end(), [&](const Taken &t) {
        return t.snapshot == FSnapshot.get() && t.page == page && t.size == size;
    });
}

void TPageMaker::CancelQueued()
{
    std::lock_guard lock(FMutex);
    FQueue.clear();
}

bool TPageMaker::superseded(const Job &job)
{
    std::lock_guard lock(FMutex);
    if (FStop)
        return true;
    if (job.urgentCount == FUrgentCount || (job.page == FUrgentPage && job.size() == FUrgentSize))
        return false;
    untakeLocked(job.serial);
    return true;
}

void TPageMaker::untakeLocked(std::uint64_t serial)
{
    const auto it = std::find_if(FTaken.begin(), FTaken.end(), [&](const Taken &t) { return t.serial == serial; });
    if (it != FTaken.end())
        FTaken.erase(it);
}

void TPageMaker::Request(int page, const TPageGeometry &g, bool urgent)
{
    if (!FPaper || !FSnapshot || page < 1)
        return;
    const QSize size(g.widthPx, g.heightPx);
    {
        std::lock_guard lock(FMutex);
        if (urgent) {
            FQueue.erase(std::remove_if(FQueue.begin(), FQueue.end(),
                                        [&](const auto &job) { return job->page != page || job->size() != size; }),
                         FQueue.end());
            // A page being made that is not this one is given up as soon as
            // the helper notices; a plug-in read it waits for is stopped, so
            // that the helper is free for this page at once.
            ++FUrgentCount;
            FUrgentPage = page;
            FUrgentSize = size;
            const bool otherTaken = std::any_of(FTaken.begin(), FTaken.end(), [&](const Taken &t) {
                return t.snapshot != FSnapshot.get() || t.page != page || t.size != size;
            });
            if (otherTaken)
                FPluginReaders->Cancel();
        }
        for (const auto &job : FQueue) {
            if (job->page == page && job->size() == size)
                return;
        }
        if (takenLocked(page, size))
            return;
    }

    auto job = std::make_unique<Job>();
    job->snapshot = FSnapshot;
    job->page = page;
    job->g = g;
    {
        std::lock_guard lock(FMutex);
        job->urgentCount = FUrgentCount;
    }
    const std::int64_t cells =
        std::max<std::int64_t>(static_cast<std::int64_t>(FPaper->Divide().cx) * FPaper->Divide().cy, 1);
    job->firstSlot = (static_cast<std::int64_t>(page) - 1) * cells;
    // Copies of the entries, made here: an entry belongs to the UI thread and
    // drawing writes into it.
    const std::vector<TImageInfo *> &pageSlots = FPaper->PhotoList();
    const std::int64_t end = std::min(job->firstSlot + cells, static_cast<std::int64_t>(pageSlots.size()));
    for (std::int64_t i = job->firstSlot; i < end; ++i) {
        TImageInfo *original = pageSlots[static_cast<std::size_t>(i)];
        std::unique_ptr<TImageInfo> copy;
        if (original) {
            copy = std::make_unique<TImageInfo>();
            try {
                copy->Assign(*original);
            } catch (const std::exception &) {
                // Copying reads the file's facts again; a file whose Exif
                // block was damaged since cannot be copied. The page is then
                // drawn here, on the paper itself, as the print run does.
                makeHere(page, g);
                return;
            }
        }
        job->copies.push_back(std::move(copy));
        job->originals.push_back(original);
    }
    {
        std::lock_guard lock(FMutex);
        if (urgent)
            FQueue.push_front(std::move(job));
        else
            FQueue.push_back(std::move(job));
    }
    FWake.notify_one();
}

void TPageMaker::makeHere(int page, const TPageGeometry &g)
{
    // Drawn on the paper itself, which tells its own OnPhotoDrawn.
    Result result;
    try {
        result.image = RenderPrintPage(*FPaper, page, g);
    } catch (const std::exception &e) {
        result.error = QString::fromUtf8(e.what());
    }
    // Reported from the event loop, as a page made by the helper is.
    QMetaObject::invokeMethod(
        this,
        [this, snapshot = FSnapshot, page, size = QSize(g.widthPx, g.heightPx), result = std::move(result)] {
            deliver(snapshot, 0, page, size, result);   // never taken: no serial
        },
        Qt::QueuedConnection);
}

void TPageMaker::run()
{
    struct Ended {
        std::atomic<bool> &flag;
        ~Ended() { flag = true; }
    } ended{FRunEnded};
    for (;;) {
        std::unique_ptr<Job> job;
        {
            std::unique_lock lock(FMutex);
            FWake.wait(lock, [this] { return FStop || !FQueue.empty(); });
            if (FStop)
                return;
            job = std::move(FQueue.front());
            FQueue.pop_front();
            job->serial = ++FSerial;
            FTaken.push_back({job->serial, job->snapshot.get(), job->page, job->size()});
        }
        Result result;
        TPhotoPaper &paper = job->snapshot->paper;
        std::vector<TImageInfo *> &pageSlots = paper.PhotoList();
        try {
            pageSlots.assign(static_cast<std::size_t>(job->firstSlot), nullptr);
            for (const auto &copy : job->copies)
                pageSlots.push_back(copy.get());
            make(*job, result);
        } catch (const std::exception &e) {
            result.error = QString::fromUtf8(e.what());
        } catch (...) {
            result.error = QStringLiteral("The page could not be made");
        }
        // The cells still point at the copies; nothing may reach them later.
        paper.SetPictureLoader({});
        job->snapshot->reporting = false;
        job->snapshot->reports.clear();
        pageSlots.clear();
        for (int i = 0; i < paper.PhotoAreas().Count(); ++i)
            paper.PhotoAreas().Items(i)->SetImageInfo(nullptr);

        QMetaObject::invokeMethod(
            this,
            [this, snapshot = job->snapshot, serial = job->serial, page = job->page, size = job->size(),
             result = std::move(result)] { deliver(snapshot, serial, page, size, result); },
            Qt::QueuedConnection);
    }
}

// Draws the page twice. The first pass, on a one-pixel canvas, only learns
// which photo each cell draws and how many of its pixels it needs (by
// stopping each JPEG load once its header has told that); those photos are
// then decoded side by side, or taken from the kept ones, and the second
// pass draws the page with them. The pictures are the ones the cells would
// have decoded themselves, so the page is the print run's.
void TPageMaker::make(Job &job, Result &result)
{
    if (superseded(job)) {
        result.abandoned = true;
        return;
    }
    TPhotoPaper &paper = job.snapshot->paper;
    const QString documentFileName = paper.DocumentFileName();
    std::vector<CellPicture> cells;

    paper.SetPictureLoader([&](const TImageInfo &info, int cell, const TNeededPixels &needed) {
        CellPicture c;
        c.info = &info;
        c.cell = cell;
        try {
            c.picture = FPluginReaders->load(info, documentFileName, [&](QSize full) -> QSize {
                c.full = full;
                c.need = needed ? needed(full) : QSize();
                c.probed = true;
                throw Probed{};
            });
            c.ready = true;   // not a JPEG: decoded (or found unreadable) already
        } catch (const Probed &) {
            const int reduction = c.need.isEmpty() ? 1
                                                   : ChooseDecodeReduction(c.full.width(), c.full.height(),
                                                                           c.need.width(), c.need.height());
            c.key = Pictures::keyOf(info, documentFileName, reduction);
            if (const TLoadedPicture *kept = FPictures->find(c.key)) {
                c.picture = *kept;
                c.ready = true;
            }
        } catch (...) {
            // Left to the second pass, which fails as the print run would.
        }
        cells.push_back(std::move(c));
        return TLoadedPicture{};
    });
    {
        QImage probe(1, 1, QImage::Format_RGB32);
        QPainter canvas(&probe);
        try {
            DrawPrintPage(paper, job.page, canvas, job.g);
        } catch (...) {
            cells.clear();   // the second pass meets the same fault and reports it
        }
    }

    // The decodes: this thread and one more per spare core take them in turn.
    std::vector<CellPicture *> todo;
    for (CellPicture &c : cells) {
        if (c.probed && !c.ready)
            todo.push_back(&c);
    }
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i; (i = next++) < todo.size();) {
            if (superseded(job))
                return;
            CellPicture &c = *todo[i];
            const QSize need = c.need;
            try {
                c.picture = FPluginReaders->load(*c.info, documentFileName, [need](QSize) { return need; });
                c.ready = true;
            } catch (...) {
                // Decoded again by the second pass, which reports the fault.
            }
        }
    };
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::future<void>> running;
    for (std::size_t i = 1; i < std::min(todo.size(), cores); ++i)
        running.push_back(std::async(std::launch::async, work));
    work();
    for (auto &r : running)
        r.get();
    if (superseded(job)) {
        result.abandoned = true;
        return;
    }
    for (const CellPicture *c : todo) {
        if (c->ready)
            FPictures->keep(c->key, c->picture);
    }

    // The second pass: each cell takes its picture when it asks for the same
    // photo with the same need; anything else is loaded as usual.
    std::size_t at = 0;
    paper.SetPictureLoader([&](const TImageInfo &info, int cell, const TNeededPixels &needed) {
        if (at < cells.size() && cells[at].info == &info && cells[at].cell == cell) {
            CellPicture &c = cells[at++];
            if (c.ready && (!c.probed || (needed ? needed(c.full) : QSize()) == c.need))
                return c.picture;
        }
        return FPluginReaders->load(info, documentFileName, needed);
    });
    job.snapshot->reports.clear();
    job.snapshot->reporting = true;
    result.image = RenderPrintPage(paper, job.page, job.g);
    job.snapshot->reporting = false;

    for (std::size_t i = 0; i < job.copies.size(); ++i) {
        if (const TImageInfo *copy = job.copies[i].get())
            result.learned.push_back({job.originals[i], copy->ImageSize(), copy->Options().TrueRotate()});
    }
    for (TPhotoDrawReport report : job.snapshot->reports) {
        for (std::size_t i = 0; i < job.copies.size(); ++i) {
            if (job.copies[i].get() == report.info)
                report.info = job.originals[i];
        }
        result.reports.push_back(report);
    }
}

void TPageMaker::deliver(const std::shared_ptr<Snapshot> &snapshot, std::uint64_t serial, int page, QSize size,
                         const Result &result)
{
    {
        std::lock_guard lock(FMutex);
        untakeLocked(serial);
    }
    // A page of a paper that was replaced since is of no use.
    if (snapshot != FSnapshot || result.abandoned)
        return;
    for (const Learned &l : result.learned) {
        if (l.original->ImageWidth() <= 0 || l.original->ImageHeight() <= 0)
            l.original->SetImageSize(l.imageSize);
        l.original->Options().SetTrueRotate(l.trueRotate);
    }
    if (!result.reports.empty() && FPaper->OnPhotoDrawn()) {
        // As while the paper draws the page itself: the page being drawn is
        // the paper's current one.
        TPrintingInfo info = FPaper->PrintingInfo();
        info.piNowPage = page;
        FPaper->SetPrintingInfo(info);
        const TPhotoDrawnEvent handler = FPaper->OnPhotoDrawn();
        for (const TPhotoDrawReport &report : result.reports)
            handler(report);
    }
    emit pageMade(page, size, result.image, result.error);
}

} // namespace vellora
