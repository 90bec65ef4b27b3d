// The thumbnail workers: a private, niced thread pool whose results come back
// to the view on the UI thread.
#include "imagelist/ThumbnailWorkers.h"
#include "imagelist/ImageListView.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <algorithm>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vellora {

namespace {

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

} // namespace vellora
