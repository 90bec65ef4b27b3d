// Which photos of a print run will print soft: below 150 source pixels per
// printed inch. Found before printing or exporting by laying the run's pages
// out at a low resolution, through the same drawing (and so the same size
// rules, rotation and reduced decoding) as the run itself. UI thread.
#pragma once

#include <QString>
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

// Every photo of the pages the options choose that prints below `threshold`.
// Prepares the paper's slots as a run does; the paper's OnPhotoDrawn is kept.
std::vector<TLowResolutionPhoto> FindLowResolutionPhotos(TPhotoPaper &paper, const TPrintOptions &options,
                                                         double threshold = kLowResolutionPpi);

// "IMG_0001.JPG: 96 ppi (2 ページ、エリア 3)".
QString LowResolutionLine(const TLowResolutionPhoto &photo);

} // namespace vellora
