// Decodes the photos of the coming pages of a print run on a pool of worker
// threads while the current page is drawn and compressed. Installed as the
// paper's picture loader for the length of a run; the UI thread owns it.
//
// A photo's decode size depends on how its cell places it, which only the
// drawing knows. So the workers decode at the size the same cell needed for
// a photo of the same pixel size on an earlier page, and the loader checks,
// on the UI thread, that the drawing now needs that very reduction; when not,
// the photo is decoded again on the spot. The pages are therefore the same
// byte for byte whatever the number of threads.
//
// Workers read only the entries' file names and storage (never changed
// during a run) and the image files; the model is touched on the UI thread
// alone. Images that cannot be read, damaged document records included,
// come back as a picture with a problem instead of an exception.
#pragma once

#include "model/PhotoArea.h"

#include <QSize>
#include <QString>
#include <QThreadPool>

#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>

namespace vellora {

class TPhotoPaper;

// How the UI thread waits while a print run reads a picture (work reads it
// and may run on any thread): by default it simply runs. The window installs
// a wait that keeps it responsive, so that a plug-in that hangs can be
// stopped (the picture then comes back with a problem).
using TPictureWait = std::function<void(const std::function<void()> &work)>;
void SetPictureWait(TPictureWait wait);
void WaitForPicture(const std::function<void()> &work);

class PicturePrefetcher {
public:
    // Several 12-MP photos decoded for the export's 300 dpi, one decoded
    // whole for a 600-dpi printer.
    static constexpr std::int64_t kDefaultWaitingBudget = std::int64_t{64} << 20;

    // threads 0 takes QThread::idealThreadCount(); below 0 (or 1 with no
    // spare core to speak of) still works, decoding on the UI thread.
    // At most `waitingBudget` bytes of decoded photos wait for their cells
    // (at least one photo always may).
    PicturePrefetcher(TPhotoPaper &paper, int threads, std::int64_t waitingBudget = kDefaultWaitingBudget);
    ~PicturePrefetcher();
    PicturePrefetcher(const PicturePrefetcher &) = delete;
    PicturePrefetcher &operator=(const PicturePrefetcher &) = delete;

    // Before page `page` (1-based) of the paper's slots is drawn: starts
    // decoding the photos of the pages after it.
    void prepare(int page);

    // The paper's picture loader.
    TLoadedPicture load(const TImageInfo &info, int cell, const TNeededPixels &needed);

    // How many pictures came from the workers (for the tests).
    int prefetchedCount() const noexcept { return FHits; }
    // The most photos that were queued or waiting at once (for the tests).
    int mostWaiting() const noexcept { return FMostWaiting; }

private:
    struct Decoded {
        TLoadedPicture picture;
        // The full size the worker asked the needed pixels for, and its
        // answer; an invalid full size when it did not ask (not a JPEG, or
        // no header).
        QSize askedFull;
        QSize guess;
        bool skipped = false;   // nothing known yet to decode this cell's photo by
    };
    struct Job {
        const TImageInfo *info = nullptr;
        std::future<Decoded> result;
        std::int64_t bytes = 0;   // what its picture is expected to hold
    };
    struct Need {
        QSize full;
        QSize need;
        bool scaled = true;   // false: the drawing asked for the whole image
    };

    Decoded decodeAhead(const TImageInfo *info, const QString &documentFileName, int cell);
    // The needed pixels a worker decodes by; false when the cell has never drawn.
    bool guessNeed(int cell, QSize full, QSize &need);
    // The bytes a photo decoded for `cell` is expected to take, by the last
    // photo the cell drew.
    std::int64_t expectedBytes(int cell);
    void remember(int cell, QSize full, const TNeededPixels &needed, QSize need);

    TPhotoPaper &FPaper;
    int FCells = 1;
    int FPagesAhead = 1;
    std::int64_t FNextSlot = 0;   // first slot not queued yet
    int FHits = 0;
    int FMostWaiting = 0;
    std::int64_t FWaitingBudget;
    std::map<std::int64_t, Job> FJobs;   // by slot
    std::mutex FNeedsLock;
    std::map<int, Need> FNeeds;   // by cell, of the last photo the cell drew
    std::unique_ptr<QThreadPool> FPool;   // last: its threads go first
};

// A picture of an entry loaded now, where an unreadable document record is a
// problem of the picture like an unreadable file (the run goes on).
TLoadedPicture LoadPictureForRun(const TImageInfo &info, const QString &documentFileName,
                                 const TNeededPixels &needed);

} // namespace vellora
