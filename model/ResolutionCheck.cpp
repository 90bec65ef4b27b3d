#include "model/ResolutionCheck.h"

#include "exif/JpegDecoder.h"
#include "model/ImageInfo.h"
#include "model/PhotoPaper.h"
#include "model/PrintRun.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace vellora {

namespace {

// Fine enough that rounding the placed photo to whole pixels moves the
// figure by well under one ppi, coarse enough that a page costs little.
constexpr int kCheckDpi = 36;

// The figure needs only a photo's pixel size and orientation, which its list
// entry knows once the list has read the picture's header: no photo is
// decoded, so a long run is checked at once and a plug-in that hangs is never
// asked. A linked JPEG whose size is not known yet has it read from its
// header; any other photo of unknown size is passed over here, and the run's
// own report still names it if it prints soft.
TLoadedPicture knownSize(const TImageInfo &info)
{
    const bool embedded = info.LogMode() == TImageLogging::iloStream;
    if (!embedded && !QFileInfo(info.FileName()).isFile())
        return {};
    QSize size(info.ImageWidth(), info.ImageHeight());
    if (size.isEmpty() && !embedded) {
        // The frame header follows the Exif block and its thumbnail.
        constexpr qint64 kHeadBytes = 128 * 1024;
        QFile file(info.FileName());
        jpeg::JpegSize probed;
        if (file.open(QIODevice::ReadOnly) && jpeg::ProbeSize(file.read(kHeadBytes), probed))
            size = QSize(probed.width, probed.height);
    }
    if (size.isEmpty())
        return {};
    TLoadedPicture stand;
    stand.image = QImage(1, 1, QImage::Format_RGB32);
    stand.image.fill(Qt::white);
    stand.fullSize = size;
    stand.orientation = static_cast<int>(Ord(info.Orientation()));
    return stand;
}

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
    struct RestoreLoader {
        TPhotoPaper &paper;
        TPictureLoader loader;
        ~RestoreLoader() { paper.SetPictureLoader(std::move(loader)); }
    } restoreLoader{paper, paper.PictureLoader()};
    // Linked image areas keep what they show: the stand-in is no picture.
    paper.SetPictureLoader([](const TImageInfo &info, int cell, const TNeededPixels &) {
        return cell == kLinkedAreaCell ? TLoadedPicture{} : knownSize(info);
    });
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
