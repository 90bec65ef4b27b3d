// The thumbnail workers of an image-list view.
#pragma once

#include "imagelist/ImageListView.h"

#include <QThreadPool>
#include <atomic>
#include <memory>
#include <unordered_map>

namespace vellora {

// Runs thumbnail jobs on a private pool; results come back to the view on
// the UI thread, addressed by the item's handle.
class TThumbnailWorkers {
public:
    explicit TThumbnailWorkers(TImageListView *view);
    ~TThumbnailWorkers();

    int MaxJobs() const { return FPool.maxThreadCount(); }
    int Running() const noexcept { return static_cast<int>(FRunning.size()); }
    bool IsRunning(std::uint64_t handle) const { return FRunning.count(handle) != 0; }
    void Start(std::uint64_t handle, TThumbJob job, TMakeThreadPriority priority);
    void Stop(std::uint64_t handle);
    void StopAll();
    // Waits for every started job and delivers its result.
    void WaitAll();
    // Called when a result arrives.
    void Finished(std::uint64_t handle) { FRunning.erase(handle); }

private:
    TImageListView *FView;
    QThreadPool FPool;
    std::unordered_map<std::uint64_t, std::shared_ptr<std::atomic_bool>> FRunning;
};

} // namespace vellora
