#include "model/ResolutionCheck.h"

#include "model/ImageInfo.h"
#include "model/PhotoPaper.h"
#include "model/PrintRun.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace vellora {

namespace {

// Fine enough that rounding the placed photo to whole pixels moves the
// figure by well under one ppi, coarse enough that a page costs little.
constexpr int kCheckDpi = 36;

} // namespace

std::vector<TLowResolutionPhoto> FindLowResolutionPhotos(TPhotoPaper &paper, const TPrintOptions &options,
                                                         double threshold, const TResolutionCheckProgress &onPage,
                                                         bool *canceled)
{
    if (canceled)
        *canceled = false;
    std::vector<TLowResolutionPhoto> found;
    const int pages = CountPages(paper, options);
    if (pages <= 0)
        return found;
    const int first = options.AllPage ? 1 : std::max(1, options.StartPage);
    const int last = options.AllPage ? pages : std::min(pages, options.LastPage);
    if (first > last)
        return found;
    PreparePages(paper, options);

    const TPhotoDrawnEvent previous = paper.OnPhotoDrawn();
    struct Restore {
        TPhotoPaper &paper;
        TPhotoDrawnEvent handler;
        ~Restore() { paper.SetOnPhotoDrawn(std::move(handler)); }
    } restore{paper, previous};
    int page = first;
    paper.SetOnPhotoDrawn([&](const TPhotoDrawReport &report) {
        if (report.drawn && report.effectivePpi > 0 && report.effectivePpi < threshold)
            found.push_back({report.info, page, report.cell, report.effectivePpi});
    });
    TPageGeometry g = ExportPageGeometry(paper, kCheckDpi);
    // The device's margins do not change how photos are scaled; a small
    // canvas of the whole sheet is enough.
    QImage canvas(std::max(1, g.widthPx), std::max(1, g.heightPx), QImage::Format_RGB32);
    for (; page <= last; ++page) {
        canvas.fill(Qt::white);
        {
            QPainter p(&canvas);
            DrawPrintPage(paper, page, p, g);
        }
        if (onPage) {
            bool cancel = false;
            onPage(page - first + 1, last - first + 1, cancel);
            if (cancel) {
                if (canceled)
                    *canceled = true;
                break;
            }
        }
    }
    return found;
}

QString LowResolutionLine(const TLowResolutionPhoto &photo)
{
    const QString name = photo.info ? QFileInfo(photo.info->FileName()).fileName() : QString();
    return QCoreApplication::translate("vellora", "%1: %2 ppi (%3 ページ、エリア %4)")
        .arg(name)
        .arg(static_cast<int>(std::lround(photo.ppi)))
        .arg(photo.page)
        .arg(photo.cell + 1);
}

} // namespace vellora
