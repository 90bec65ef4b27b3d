// Which photos of a print run will print soft: below 150 source pixels per
// printed inch. Found before printing or exporting by laying the run's pages
// out at a low resolution, through the same drawing (and so the same size
// rules, rotation and reduced decoding) as the run itself. UI thread.
#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace vellora {

class TImageInfo;
class TPhotoPaper;
class TPrintOptions;

// Below this a photo is said to print soft; the command line warns at it too.
inline constexpr double kLowResolutionPpi = 150;

struct TLowResolutionPhoto {
    const TImageInfo *info = nullptr;
    int page = 0;     // 1-based
    int cell = 0;     // 0-based on the page
    double ppi = 0;
};

// Told after each page of the check: `page` pages of `pages` are done (both
// counted within the chosen range). Setting `cancel` ends the check there.
using TResolutionCheckProgress = std::function<void(int page, int pages, bool &cancel)>;

// Every photo of the pages the options choose that prints below `threshold`.
// Prepares the paper's slots as a run does; the paper's OnPhotoDrawn is kept.
// Each page decodes its photos (reduced), so a long run takes a while: with
// `onPage`, the caller sees the pages go by and may stop; `canceled` (when
// given) tells whether it did, and then the result covers only the pages done.
std::vector<TLowResolutionPhoto> FindLowResolutionPhotos(TPhotoPaper &paper, const TPrintOptions &options,
                                                         double threshold = kLowResolutionPpi,
                                                         const TResolutionCheckProgress &onPage = {},
                                                         bool *canceled = nullptr);

// "IMG_0001.JPG: 96 ppi (2 ページ、エリア 3)".
QString LowResolutionLine(const TLowResolutionPhoto &photo);

} // namespace vellora
