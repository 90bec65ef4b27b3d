#include "model/PicturePrefetcher.h"

#include "graphics/GraphicClass.h"
#include "graphics/GraphicClassList.h"
#include "model/ImageInfo.h"
#include "model/PhotoPaper.h"
#include "model/PhotoPlacement.h"
#include "settings/Errors.h"

#include <QThread>

#include <algorithm>
#include <cmath>

namespace vellora {

namespace {

// Only JPEGs are decoded ahead: they are what takes the time, and other
// formats may go through image plug-ins, which stay on the drawing thread.
bool decodesAhead(const TImageInfo &info)
{
    return PictureClassForExtension(ExtractFileExt(info.FileName()).toLower()) == &JpegImageClass();
}

int reductionFor(QSize full, QSize need)
{
    if (need.isEmpty())
        return 1;
    return ChooseDecodeReduction(full.width(), full.height(), need.width(), need.height());
}

} // namespace

namespace {

TPictureWait &pictureWait()
{
    static TPictureWait wait;
    return wait;
}

} // namespace

void SetPictureWait(TPictureWait wait)
{
    pictureWait() = std::move(wait);
}

void WaitForPicture(const std::function<void()> &work)
{
    if (pictureWait())
        pictureWait()(work);
    else
        work();
}

TLoadedPicture LoadPictureForRun(const TImageInfo &info, const QString &documentFileName, const TNeededPixels &needed)
{
    try {
        return LoadAreaPicture(info, documentFileName, needed);
    } catch (const Error &e) {
        // A linked file that cannot be read already comes back as a problem;
        // an embedded image whose record is damaged is no different to the
        // person printing.
        return TLoadedPicture{{}, {}, 1, QStringLiteral("unreadable image record (%1)").arg(QString::fromUtf8(e.what()))};
    }
}

PicturePrefetcher::PicturePrefetcher(TPhotoPaper &paper, int threads, std::int64_t waitingBudget)
    : FPaper(paper), FWaitingBudget(waitingBudget)
{
    FCells = std::max(1, paper.Divide().cx * paper.Divide().cy);
    if (threads == 0)
        threads = QThread::idealThreadCount();
    if (threads > 1) {
        FPool = std::make_unique<QThreadPool>();
        FPool->setMaxThreadCount(threads);
        // Enough pages ahead to keep every worker on two photos; no more, as
        // each decoded photo waiting for its page holds memory.
        FPagesAhead = std::max(1, (2 * threads + FCells - 1) / FCells);
    }
}

PicturePrefetcher::~PicturePrefetcher()
{
    if (FPool) {
        FPool->clear();
        FPool->waitForDone();
    }
}

void PicturePrefetcher::prepare(int page)
{
    if (!FPool)
        return;
    // Jobs of pages already drawn (a page range skips pages) are dropped.
    const std::int64_t firstSlot = (static_cast<std::int64_t>(page) - 1) * FCells;
    for (auto it = FJobs.begin(); it != FJobs.end() && it->first < firstSlot;)
        it = FJobs.erase(it);
    FNextSlot = std::max(FNextSlot, firstSlot);
    // Until one photo is drawn nothing tells the workers how large to decode.
    if (FNeeds.empty())
        return;
    std::int64_t waiting = 0;
    for (const auto &[slot, job] : FJobs)
        waiting += job.bytes;
    const std::vector<TImageInfo *> &photoSlots = FPaper.PhotoList();
    const std::int64_t end = std::min(static_cast<std::int64_t>(photoSlots.size()),
                                      (static_cast<std::int64_t>(page) + FPagesAhead) * FCells);
    const QString documentFileName = FPaper.DocumentFileName();
    for (; FNextSlot < end; ++FNextSlot) {
        const std::int64_t slot = FNextSlot;
        const TImageInfo *info = photoSlots[static_cast<std::size_t>(slot)];
        if (!info || !decodesAhead(*info))
            continue;
        const int cell = static_cast<int>(slot % FCells);
        // Photos decoded for a printer's resolution are tens of megabytes
        // each: no more wait than the budget holds, but always one, so that
        // the next photo is being decoded while this one is drawn.
        const std::int64_t bytes = expectedBytes(cell);
        if (!FJobs.empty() && waiting + bytes > FWaitingBudget)
            break;
        waiting += bytes;
        auto task = std::make_shared<std::packaged_task<Decoded()>>(
            [this, info, documentFileName, cell] { return decodeAhead(info, documentFileName, cell); });
        FJobs[slot] = Job{info, task->get_future(), bytes};
        FPool->start([task] { (*task)(); });
        FMostWaiting = std::max(FMostWaiting, static_cast<int>(FJobs.size()));
    }
}

std::int64_t PicturePrefetcher::expectedBytes(int cell)
{
    std::lock_guard lock(FNeedsLock);
    auto it = FNeeds.find(cell);
    if (it == FNeeds.end())
        it = FNeeds.begin();
    if (it == FNeeds.end())
        return 0;
    const Need &known = it->second;
    const int r = known.scaled ? reductionFor(known.full, known.need) : 1;
    return std::int64_t{4} * ((known.full.width() + r - 1) / r) * ((known.full.height() + r - 1) / r);
}

PicturePrefetcher::Decoded PicturePrefetcher::decodeAhead(const TImageInfo *info, const QString &documentFileName,
                                                          int cell)
{
    Decoded out;
    bool known = true;
    out.picture = LoadPictureForRun(*info, documentFileName, [&](QSize full) {
        out.askedFull = full;
        known = guessNeed(cell, full, out.guess);
        // Without a guess the cheapest decode; it is then done again.
        return known ? out.guess : QSize(1, 1);
    });
    out.skipped = !known;
    return out;
}

bool PicturePrefetcher::guessNeed(int cell, QSize full, QSize &need)
{
    std::lock_guard lock(FNeedsLock);
    auto it = FNeeds.find(cell);
    if (it == FNeeds.end())
        it = FNeeds.begin();
    if (it == FNeeds.end())
        return false;
    const Need &known = it->second;
    if (!known.scaled || known.need.isEmpty() || known.full == full) {
        need = known.scaled ? known.need : QSize();
        return true;
    }
    // A photo of another size: the same share of it.
    need = QSize(static_cast<int>(std::ceil(double(known.need.width()) * full.width() / known.full.width())),
                 static_cast<int>(std::ceil(double(known.need.height()) * full.height() / known.full.height())));
    return true;
}

void PicturePrefetcher::remember(int cell, QSize full, const TNeededPixels &needed, QSize need)
{
    std::lock_guard lock(FNeedsLock);
    FNeeds[cell] = Need{full, need, static_cast<bool>(needed)};
}

TLoadedPicture PicturePrefetcher::load(const TImageInfo &info, int cell, const TNeededPixels &needed)
{
    if (cell == kLinkedAreaCell) {
        // A linked area's whole photo: neither a cell's decode ahead nor a
        // lesson for the next ones.
        TLoadedPicture picture;
        WaitForPicture([&] { picture = LoadPictureForRun(info, FPaper.DocumentFileName(), needed); });
        return picture;
    }
    const std::int64_t slot = static_cast<std::int64_t>(FPaper.PhotoAreas().ImageIndex()) + cell;
    const QString documentFileName = FPaper.DocumentFileName();
    auto job = FJobs.find(slot);
    if (job != FJobs.end() && job->second.info == &info) {
        Decoded decoded;
        WaitForPicture([&] { decoded = job->second.result.get(); });
        FJobs.erase(job);
        // A place in the budget is free again.
        prepare(FPaper.PhotoAreas().ImageIndex() / FCells + 1);
        if (!decoded.askedFull.isValid()) {
            // Not a decodable JPEG: the needed pixels played no part.
            ++FHits;
            return std::move(decoded.picture);
        }
        const QSize need = needed ? needed(decoded.askedFull) : QSize();
        remember(cell, decoded.askedFull, needed, need);
        if (!decoded.skipped && decoded.picture.reduction == reductionFor(decoded.askedFull, need)) {
            ++FHits;
            return std::move(decoded.picture);
        }
        TLoadedPicture again;
        WaitForPicture([&] { again = LoadPictureForRun(info, documentFileName, needed); });
        return again;
    }
    QSize asked;
    QSize answer;
    TNeededPixels recording;
    if (needed) {
        recording = [&](QSize full) {
            asked = full;
            answer = needed(full);
            return answer;
        };
    } else {
        // Still learn the full size, to decode the next photos whole as well.
        recording = [&](QSize full) {
            asked = full;
            return QSize();
        };
    }
    TLoadedPicture picture;
    WaitForPicture([&] { picture = LoadPictureForRun(info, documentFileName, recording); });
    if (asked.isValid() && !asked.isEmpty()) {
        remember(cell, asked, needed, answer);
        prepare(FPaper.PhotoAreas().ImageIndex() / FCells + 1);
    }
    return picture;
}

} // namespace vellora
