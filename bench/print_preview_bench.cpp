// The print preview of a 2 × 2 A4 grid of 12-megapixel JPEG photos without a
// printer (the export's pages at 300 dpi): time to the first page shown, time
// for the next page (after a pause on the page, and without one) and for a
// zoom step (stand-in and sharp page), and peak memory after stepping through
// 100 pages. Pages are made on a helper thread; every time runs until the
// page is on screen. Every cell links to a file name of its own. Prints figures and goals; asserts nothing.
// Usage: print_preview_bench [scratch folder] [pages]
//
// With --job it measures instead the memory of one print job of the same
// pages sent to a printer: the in-memory printing system's printer (which
// logs every page image by design) or, given the socket of a print server
// (scripts/test-services.sh start), its VelloraPDF queue. Peak memory is per
// process, so each size is a run of its own.
// Usage: print_preview_bench --job <pages> [scratch folder] [print server socket]
#include "app/print/PreviewForm.h"
#include "model/ImageInfo.h"
#include "model/ImageListItems.h"
#include "model/PhotoPaper.h"
#include "model/PrintRun.h"
#include "print/CupsService.h"
#include "print/DevicePrint.h"
#include "print/MemoryService.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/resource.h>
#include <vector>

using namespace vellora;

namespace {

// A camera-like 4000 × 3000 picture: a gradient under noise, so that the JPEG
// is of a real photo's size (several MB at quality 90).
QString makePhoto(const QString &dir, int n)
{
    const QString path = QStringLiteral("%1/preview%2.jpg").arg(dir).arg(n);
    if (QFileInfo::exists(path))
        return path;
    QImage image(4000, 3000, QImage::Format_RGB32);
    QRandomGenerator random(static_cast<quint32>(n + 1));
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int noise = static_cast<int>(random.bounded(48)) - 24;
            line[x] = qRgb(std::clamp(x * 255 / 4000 + n * 50 % 128 + noise, 0, 255),
                           std::clamp(y * 255 / 3000 + noise, 0, 255),
                           std::clamp(128 + (x - y) * 64 / 4000 + noise, 0, 255));
        }
    }
    image.save(path, "JPEG", 90);
    return path;
}

double peakRssMB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double currentRssMB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096.0 / (1024.0 * 1024.0) : 0;
}

double ms(const QElapsedTimer &timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Runs the event loop until the preview shows its current page made for its
// current zoom.
void waitReady(const TfrmPrev &prev)
{
    while (!prev.PageReady())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// A user looking at the page until the helper has made the page ahead (at
// most 30 s): the event loop runs meanwhile.
void waitMadeAhead(const TfrmPrev &prev, int madeBefore)
{
    const QDeadlineTimer deadline(30000);
    while (prev.PagesMade() <= madeBefore && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, static_cast<int>(deadline.remainingTime()));
}

double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3)
           + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// A print job of `pages` pages (each cell a file name of its own), and the
// memory it takes.
int runJob(const QString &dir, int pages, const QString &server)
{
    std::shared_ptr<TFakeSystem> system;
    if (server.isEmpty()) {
        system = std::make_shared<TFakeSystem>();
        system->devices.push_back(TMemoryService::StandardDevice(QStringLiteral("Fake")));
        SetQvPrint(std::make_unique<TDevicePrint>(std::make_unique<TJwPrinter>(std::make_unique<TMemoryService>(system))));
    } else {
        SetQvPrint(std::make_unique<TDevicePrint>(std::make_unique<TJwPrinter>(std::make_unique<TCupsService>(server))));
    }
    const int kFiles = 6;
    QStringList files;
    for (int i = 0; i < kFiles; ++i)
        files << QFileInfo(makePhoto(dir, i)).absoluteFilePath();
    const QString slotDir = dir + QStringLiteral("/slots");
    QDir().mkpath(slotDir);
    TPhotoPaper paper;
    paper.SetPaperSize(FloatSize(210, 297));
    paper.SetMargins(FloatRect(5, 5, 5, 5));
    paper.SetSpace(FloatSize(4, 4));
    paper.SetDivide({2, 2});
    paper.PhotoAreas().AdjustAreas();
    if (!server.isEmpty())
        paper.SetPrinterName(QStringLiteral("VelloraPDF"));
    TImageListItems list;
    std::vector<std::unique_ptr<TImageInfo>> infos;
    for (int i = 0; i < pages * 4; ++i) {
        const QString slot = QStringLiteral("%1/%2.jpg").arg(slotDir).arg(i);
        QFile::remove(slot);
        if (!QFile::link(files[i % kFiles], slot)) {
            std::fprintf(stderr, "cannot link %s\n", qPrintable(slot));
            return 1;
        }
        infos.push_back(std::make_unique<TImageInfo>());
        infos.back()->SetFileName(slot, TImageLogging::iloLink);
        list.Add(infos.back().get(), true);
    }
    paper.SetInfos(&list);
    const double before = currentRssMB();
    QElapsedTimer timer;
    timer.start();
    const int printed = RunPrint(paper, TPrintDest::pdPrinter, nullptr, QString(), 1);
    const double seconds = ms(timer) / 1000;
    std::printf("print job of %d pages (2 x 2 on A4, %d photos) to %s: %.1f s\n", printed, pages * 4,
                server.isEmpty() ? "the in-memory printer" : "VelloraPDF on the print server", seconds);
    std::printf("  memory: %.0f MB before the job, %.0f MB after, %.0f MB peak\n", before, currentRssMB(),
                peakRssMB());
    if (system) {
        qint64 logged = 0;
        for (const TFakeJob &job : system->jobs) {
            for (const QImage &page : job.pages)
                logged += page.sizeInBytes();
        }
        std::printf("  the in-memory printer's log of page images: %.0f MB\n",
                    static_cast<double>(logged) / (1024.0 * 1024.0));
    }
    return printed == pages ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc > 2 && qstrcmp(argv[1], "--job") == 0) {
        const QString dir = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QDir::tempPath() + QStringLiteral("/vellora-bench");
        QDir().mkpath(dir);
        return runJob(dir, std::max(1, std::atoi(argv[2])), argc > 4 ? QString::fromLocal8Bit(argv[4]) : QString());
    }
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath() + QStringLiteral("/vellora-bench");
    const int pages = argc > 2 ? std::max(2, std::atoi(argv[2])) : 100;
    QDir().mkpath(dir);

    // No printer: the preview shows the export's pages.
    auto system = std::make_shared<TFakeSystem>();
    SetQvPrint(std::make_unique<TDevicePrint>(std::make_unique<TJwPrinter>(std::make_unique<TMemoryService>(system))));

    const int kFiles = 6;
    QStringList files;
    for (int i = 0; i < kFiles; ++i)
        files << makePhoto(dir, i);
    std::printf("%d photos of 4000 x 3000 (JPEG quality 90, %.1f MB each on average) in %s\n", kFiles,
                [&] {
                    double sum = 0;
                    for (const QString &f : files)
                        sum += static_cast<double>(QFileInfo(f).size());
                    return sum / kFiles / (1024.0 * 1024.0);
                }(),
                qPrintable(dir));

    TPhotoPaper paper;
    paper.SetPaperSize(FloatSize(210, 297));
    paper.SetMargins(FloatRect(5, 5, 5, 5));
    paper.SetSpace(FloatSize(4, 4));
    paper.SetDivide({2, 2});
    paper.PhotoAreas().AdjustAreas();
    TImageListItems list;
    std::vector<std::unique_ptr<TImageInfo>> infos;
    // Every cell a photo of its own: a link of its own name to one of the
    // files, so that no photo is decoded once for two cells (the preview
    // keeps decoded photos by file).
    const QString slotDir = dir + QStringLiteral("/slots");
    QDir().mkpath(slotDir);
    for (int i = 0; i < pages * 4; ++i) {
        const QString slot = QStringLiteral("%1/%2.jpg").arg(slotDir).arg(i);
        QFile::remove(slot);
        if (!QFile::link(QFileInfo(files[i % kFiles]).absoluteFilePath(), slot)) {
            std::fprintf(stderr, "cannot link %s\n", qPrintable(slot));
            return 1;
        }
        infos.push_back(std::make_unique<TImageInfo>());
        infos.back()->SetFileName(slot, TImageLogging::iloLink);
        list.Add(infos.back().get(), true);
    }
    paper.SetInfos(&list);
    const double rssBefore = currentRssMB();

    QElapsedTimer timer;
    timer.start();
    TfrmPrev prev;
    prev.resize(1000, 800);
    prev.SetPaper(&paper);
    prev.show();
    QApplication::processEvents();
    const double windowShown = ms(timer);
    waitReady(prev);
    const double firstPage = ms(timer);

    // The next page once the helper has made it ahead (while the user looks
    // at the current one), and the next page at once (made while waiting).
    std::vector<double> nextAfterPause, nextAtOnce, zoomStandIn, zoomSharp;
    int madeAhead = 0;
    for (int i = 0; i < 5; ++i) {
        waitMadeAhead(prev, prev.PagesMade());
        timer.restart();
        prev.actPageNext->trigger();
        madeAhead += prev.PageReady() ? 1 : 0;
        waitReady(prev);
        nextAfterPause.push_back(ms(timer));
    }
    for (int i = 0; i < 5; ++i) {
        timer.restart();
        prev.actPageNext->trigger();
        waitReady(prev);
        nextAtOnce.push_back(ms(timer));
    }
    prev.SetShowRate(60);
    waitReady(prev);
    for (int i = 0; i < 5; ++i) {
        waitMadeAhead(prev, prev.PagesMade());
        timer.restart();
        prev.actShowUp->trigger();      // 60 → 80 → ... → 160, each a new page size
        QApplication::processEvents();
        zoomStandIn.push_back(ms(timer));
        waitReady(prev);
        zoomSharp.push_back(ms(timer));
    }
    prev.actShowAll->trigger();
    waitReady(prev);

    prev.actPageFirst->trigger();
    waitReady(prev);
    const int madeBeforeWalk = prev.PagesMade();
    const double cpuBeforeWalk = cpuMs();
    timer.restart();
    for (int i = 1; i <= prev.PageMax(); ++i) {
        prev.actPageNext->trigger();
        waitReady(prev);
    }
    const double walk = ms(timer);
    const double walkCpu = cpuMs() - cpuBeforeWalk;
    const int walkMade = prev.PagesMade() - madeBeforeWalk;

    auto line = [](const char *what, const std::vector<double> &v, const char *goal) {
        std::printf("  %-34s%8.1f ms   %s (max %.1f ms)\n", what, median(v), goal,
                    *std::max_element(v.begin(), v.end()));
    };
    std::printf("print preview, 2 x 2 on A4, no printer (export geometry, 300 dpi), %d pages (%d photos)\n",
                prev.PageMax() + 1, static_cast<int>(infos.size()));
    std::printf("  window shown (page being made):  %8.1f ms\n", windowShown);
    std::printf("  first page shown:                 %8.1f ms   goal < 1000 ms\n", firstPage);
    line("next page, made ahead:", nextAfterPause, "goal < 100 ms");
    std::printf("    (%d of 5 were shown without waiting)\n", madeAhead);
    line("next page at once (median of 5):", nextAtOnce, "             ");
    line("zoom step, stand-in shown:", zoomStandIn, "goal < 100 ms");
    line("zoom step, sharp page shown:", zoomSharp, "             ");
    std::printf("  all %d pages stepped at once:     %8.1f s    (%.1f ms a page), %d pages made\n",
                prev.PageMax() + 1, walk / 1000, walk / std::max(1, prev.PageMax()), walkMade);
    std::printf("    cpu time: %.1f ms a page made\n", walkCpu / std::max(1, walkMade));
    std::printf("  pages kept: %d (%.0f MB)\n", prev.PagesKept(),
                static_cast<double>(prev.KeptBytes()) / (1024.0 * 1024.0));
    std::printf("  memory: %.0f MB before the preview, %.0f MB now, %.0f MB peak   goal: bounded\n", rssBefore,
                currentRssMB(), peakRssMB());
    return 0;
}
