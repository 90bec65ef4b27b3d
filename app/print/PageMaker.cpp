#include "app/print/PageMaker.h"

#include "model/ImageInfo.h"
#include "model/PhotoPaper.h"

#include <QMetaObject>
#include <algorithm>

namespace vellora {

// The helper's own copy of the layout; it draws one page at a time on it.
struct TPageMaker::Snapshot {
    TPhotoPaper paper;
};

struct TPageMaker::Job {
    std::shared_ptr<Snapshot> snapshot;
    int page = 0;
    TPageGeometry g;
    std::int64_t firstSlot = 0;
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

TPageMaker::TPageMaker(QObject *parent) : QObject(parent)
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
    QImage image;
    QString error;
    try {
        image = RenderPrintPage(*FPaper, page, g);
    } catch (const std::exception &e) {
        error = QString::fromUtf8(e.what());
    }
    // Reported from the event loop, as a page made by the helper is.
    QMetaObject::invokeMethod(
        this,
        [this, snapshot = FSnapshot, page, size = QSize(g.widthPx, g.heightPx), image, error] {
            deliver(snapshot, page, size, image, error, {});
        },
        Qt::QueuedConnection);
}

void TPageMaker::run()
{
    for (;;) {
        std::unique_ptr<Job> job;
        {
            std::unique_lock lock(FMutex);
            FWake.wait(lock, [this] { return FStop || !FQueue.empty(); });
            if (FStop)
                return;
            job = std::move(FQueue.front());
            FQueue.pop_front();
            FTaken.push_back({job->snapshot.get(), job->page, job->size()});
        }
        QImage image;
        QString error;
        std::vector<Learned> learned;
        TPhotoPaper &paper = job->snapshot->paper;
        std::vector<TImageInfo *> &pageSlots = paper.PhotoList();
        try {
            pageSlots.assign(static_cast<std::size_t>(job->firstSlot), nullptr);
            for (const auto &copy : job->copies)
                pageSlots.push_back(copy.get());
            image = RenderPrintPage(paper, job->page, job->g);
            for (std::size_t i = 0; i < job->copies.size(); ++i) {
                if (const TImageInfo *copy = job->copies[i].get())
                    learned.push_back({job->originals[i], copy->ImageSize(), copy->Options().TrueRotate()});
            }
        } catch (const std::exception &e) {
            error = QString::fromUtf8(e.what());
        } catch (...) {
            error = QStringLiteral("The page could not be made");
        }
        // The cells still point at the copies; nothing may reach them later.
        pageSlots.clear();
        for (int i = 0; i < paper.PhotoAreas().Count(); ++i)
            paper.PhotoAreas().Items(i)->SetImageInfo(nullptr);

        QMetaObject::invokeMethod(
            this,
            [this, snapshot = job->snapshot, page = job->page, size = job->size(), image = std::move(image),
             error = std::move(error), learned = std::move(learned)] {
                deliver(snapshot, page, size, image, error, learned);
            },
            Qt::QueuedConnection);
    }
}

void TPageMaker::deliver(const std::shared_ptr<Snapshot> &snapshot, int page, QSize size, const QImage &image,
                         const QString &error, const std::vector<Learned> &learned)
{
    {
        std::lock_guard lock(FMutex);
        const auto it = std::find_if(FTaken.begin(), FTaken.end(), [&](const Taken &t) {
            return t.snapshot == snapshot.get() && t.page == page && t.size == size;
        });
        if (it != FTaken.end())
            FTaken.erase(it);
    }
    // A page of a paper that was replaced since is of no use.
    if (snapshot != FSnapshot)
        return;
    for (const Learned &l : learned) {
        if (l.original->ImageWidth() <= 0 || l.original->ImageHeight() <= 0)
            l.original->SetImageSize(l.imageSize);
        l.original->Options().SetTrueRotate(l.trueRotate);
    }
    emit pageMade(page, size, image, error);
}

} // namespace vellora
