// TPageMaker: makes pages of the print run for the print preview on one
// helper thread, so that the window never waits for four photos to be
// decoded. The helper draws on its own copy of the paper's layout and on
// copies of the entries of the page's cells, taken on the UI thread when a
// page is asked for; it never touches the document, the printer or a widget.
// Made pages (or the error that stopped one) come back through pageMade, on
// the thread the maker lives on, after the paper's OnPhotoDrawn has heard of
// each photo the page drew (in drawing order, with the paper's entries), as
// when the paper draws a page itself. Requests and SetPaper: that thread only.
//
// A page's photos are decoded side by side on the free cores, and decoded
// photos are kept for a while: a zoom step that needs the same reduction of
// a photo, or another copy of it, decodes nothing.
#pragma once

#include "model/PrintRun.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vellora {

class TImageInfo;
class TPhotoPaper;

class TPageMaker : public QObject {
    Q_OBJECT
public:
    explicit TPageMaker(QObject *parent = nullptr);
    // Drops what is queued and waits for the page being made.
    ~TPageMaker() override;

    // Takes a copy of the paper's layout. The paper's slots must be prepared
    // (PreparePages); requests read them when they are made. Drops queued
    // pages; a page being made for the previous paper is not reported.
    void SetPaper(TPhotoPaper *paper);
    // Queues page `page` (1-based) at geometry `g`. An urgent request (the
    // page the user waits for) replaces every queued request: pages asked
    // for ahead, or for a zoom or page left since, are no longer wanted. A
    // page already queued or being made at the same geometry is not asked
    // for twice.
    void Request(int page, const TPageGeometry &g, bool urgent);
    // Whether that page at that geometry is queued, being made, or made and
    // not reported yet.
    bool IsPending(int page, const TPageGeometry &g) const;
    // Drops every queued request (not the page being made).
    void CancelQueued();

signals:
    // A page is made (image) or failed (error, image null). `size` is the
    // requested geometry's size in pixels: it tells which zoom the page is for.
    void pageMade(int page, QSize size, const QImage &image, const QString &error);

private:
    struct Snapshot;
    struct Job;
    struct Learned;
    struct Result;
    class Pictures;
    void run();
    void make(Job &job, Result &result);
    // Whether a newer urgent request has made the job useless. A job given
    // up stops counting as taken at once, so asking for its page again
    // queues it anew instead of waiting for a page that will not come.
    bool superseded(const Job &job);
    void makeHere(int page, const TPageGeometry &g);
    void deliver(const std::shared_ptr<Snapshot> &snapshot, std::uint64_t serial, int page, QSize size,
                 const Result &result);

    TPhotoPaper *FPaper = nullptr;
    std::shared_ptr<Snapshot> FSnapshot;

    mutable std::mutex FMutex;
    std::condition_variable FWake;
    std::deque<std::unique_ptr<Job>> FQueue;      // next job first
    struct Taken {
        std::uint64_t serial;
        const Snapshot *snapshot;
        int page;
        QSize size;
    };
    std::vector<Taken> FTaken;                    // being made, or made and not reported yet
    bool takenLocked(int page, QSize size) const;
    void untakeLocked(std::uint64_t serial);
    std::uint64_t FSerial = 0;   // numbers the jobs taken
    bool FStop = false;
    // Counts urgent requests; the last one's page and size.
    std::uint64_t FUrgentCount = 0;
    int FUrgentPage = 0;
    QSize FUrgentSize;
    std::unique_ptr<Pictures> FPictures;   // the helper's alone
    class PluginReaders;
    std::unique_ptr<PluginReaders> FPluginReaders;   // picture reads that may wait for a plug-in now
    std::atomic<bool> FRunEnded{false};
    std::thread FThread;
};

} // namespace vellora
