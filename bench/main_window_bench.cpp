// The main window under load: time from construction to the window shown;
// "select all" on 10,000 entries (time and how often the status bar text
// changes); a 1,000-photo and a 10,000-photo folder of one small JPEG added,
// each with its wall and CPU time and the longest UI stall, so that adding
// can be seen to grow in step with the list; a 1,000-entry link document
// opened. Given a folder of camera-like photos (CORPUS), also: 1,000 of
// them added twice (the second run warm), once more with auto sort on,
// 1,000 PNGs added, a 1,000-entry link document of the photos opened, and
// an embedded document of about 2 GB built from them and opened. Every
// phase reports its memory: resident size before and after and the peak
// within the phase (the kernel's peak is reset at the start of each).
// Figures and goals are printed side by side; nothing is asserted.
//
// Usage: main_window_bench [SCRATCH_FOLDER] [PHOTO.jpg|-] [CORPUS_FOLDER]
#include "app/MainForm.h"
#include "imagelist/ImageListView.h"
#include "model/Document.h"
#include "model/ImageInfo.h"
#include "model/ImageInfos.h"
#include "model/PhotoPaper.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

using namespace vellora;

namespace {

double msSince(const QElapsedTimer &t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

double cpuMs(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// A line of /proc/self/status ("VmRSS", "VmHWM") in MB.
double statusMb(const char *key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::stod(line.substr(prefix.size())) / 1024.0;
    return 0;
}

// Starts the kernel's peak resident size afresh from the current size.
void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Figures {
    double WallMs = 0;
    double CpuMs = 0;     // the whole process, worker threads included
    double UiCpuMs = 0;   // the UI thread alone
    double LongestGapMs = 0;
    int Entries = 0;
    double RssBeforeMb = 0, RssAfterMb = 0, PeakMb = 0;
};

// Runs the action in the window with a 10 ms timer measuring the UI stalls,
// then lets the events queued by then through. The thumbnails still being
// made afterwards are not waited for.
Figures measure(TfrmMain &w, const std::function<void()> &action)
{
    Figures f;
    QApplication::processEvents();
    f.RssBeforeMb = statusMb("VmRSS");
    resetPeak();
    QElapsedTimer gap;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        f.LongestGapMs = std::max(f.LongestGapMs, msSince(gap));
        gap.start();
    });
    tick.start();
    gap.start();
    QElapsedTimer t;
    t.start();
    const double cpu0 = cpuMs(CLOCK_PROCESS_CPUTIME_ID), ui0 = cpuMs(CLOCK_THREAD_CPUTIME_ID);
    action();
    QApplication::processEvents();
    f.WallMs = msSince(t);
    f.CpuMs = cpuMs(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
    f.UiCpuMs = cpuMs(CLOCK_THREAD_CPUTIME_ID) - ui0;
    f.LongestGapMs = std::max(f.LongestGapMs, msSince(gap));
    tick.stop();
    f.Entries = w.ListView()->Items().Count();
    f.RssAfterMb = statusMb("VmRSS");
    f.PeakMb = statusMb("VmHWM");
    return f;
}

// A folder added through AddFolder in a fresh window.
Figures measureAdd(const QString &folder)
{
    TfrmMain w;
    w.show();
    return measure(w, [&] { w.AddFolder(folder); });
}

// `count` names for the given files in turn: hard links where the file
// system allows, copies otherwise.
bool fillFolder(const QString &folder, const QStringList &files, int count, const QString &pattern)
{
    if (!QDir().mkpath(folder))
        return false;
    for (int i = 0; i < count; ++i) {
        const QString &file = files[i % files.size()];
        QString name = folder + QLatin1Char('/') + pattern.arg(i, 4, 10, QLatin1Char('0'));
        if (name.contains(QLatin1String("%2")))
            name = name.arg(QFileInfo(file).fileName());
        if (::link(QFile::encodeName(file).constData(), QFile::encodeName(name).constData()) != 0
            && !QFile::copy(file, name))
            return false;
    }
    return true;
}

// Counts the changes of the status bar text seen between events and inside
// the list's per-entry selection callback.
class StatusWatch : public QObject {
public:
    explicit StatusWatch(TfrmMain &w) : FWindow(w), FLast(text()) {}
    void sample()
    {
        const QString now = text();
        if (now != FLast) {
            ++FChanges;
            FLast = now;
        }
    }
    int Changes() const { return FChanges; }

protected:
    bool eventFilter(QObject *, QEvent *) override
    {
        sample();
        return false;
    }

private:
    QString text() const { return FWindow.StatusText(0) + QLatin1Char('\n') + FWindow.StatusText(1); }
    TfrmMain &FWindow;
    QString FLast;
    int FChanges = 0;
};

// The folder's photos saved as a document of the given type.
bool saveFolderAs(const QString &folder, const QString &document, TFileSaveType type)
{
    vellora::TfrmMain w;
    w.AddFolder(folder);
    w.Images().SetSaveType(type);
    try {
        vellora::SaveDocumentFile(document, w.Paper(), w.Images());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "main_window_bench: cannot save %s: %s\n", qPrintable(document), e.what());
        return false;
    }
    return true;
}

// A document opened with OpenDocument in a fresh window; with `arriving`,
// then the thumbnails the workers make taken in, the event loop running
// until none is pending.
Figures measureOpen(const QString &document, Figures *arriving = nullptr)
{
    vellora::TfrmMain w;
    w.show();
    const Figures opened = measure(w, [&] { w.OpenDocument(document); });
    if (arriving)
        *arriving = measure(w, [&] {
            QEventLoop loop;
            QTimer poll;
            poll.setInterval(5);
            QObject::connect(&poll, &QTimer::timeout, [&] {
                if (w.ListView()->PendingThumbnails() == 0)
                    loop.quit();
            });
            poll.start();
            loop.exec();
        });
    return opened;
}

void line(const char *title, double value, const char *unit, const char *goal)
{
    std::printf("%-48s %9.1f %-3s %s\n", title, value, unit, goal);
}

void report(const char *title, const Figures &f, const char *goal, const char *gapGoal = "-")
{
    line(title, f.WallMs, "ms", goal);
    line("  CPU time (all threads)", f.CpuMs, "ms", "-");
    line("  CPU time of the UI thread", f.UiCpuMs, "ms", "-");
    line("  longest gap of a 10 ms timer", f.LongestGapMs, "ms", gapGoal);
    std::printf("%-48s %9d\n", "  entries", f.Entries);
    std::printf("%-48s %5.0f / %4.0f / %4.0f MB\n", "  resident before / after / peak", f.RssBeforeMb, f.RssAfterMb,
                f.PeakMb);
}

// Entries whose pixel size is the expected one (read when listed, before
// any thumbnail could have been made for most of them).
int sizedEntries(TfrmMain &w, TIntSize expected)
{
    int n = 0;
    for (int i = 0; i < w.Images().Count(); ++i)
        if (w.Images().Items(i)->ImageSize() == expected)
            ++n;
    return n;
}

// PNG copies of the first photos of the corpus at half their size, made
// once and kept in `folder` for later runs.
QStringList pngCorpus(const QStringList &photos, const QString &folder, int count)
{
    QDir().mkpath(folder);
    QStringList made;
    for (int i = 0; i < count && i < photos.size(); ++i) {
        const QString png = folder + QStringLiteral("/PNG_%1.png").arg(i + 1, 4, 10, QLatin1Char('0'));
        if (!QFileInfo::exists(png)) {
            QImage image(photos[i]);
            if (image.isNull() || !image.scaled(image.width() / 2, image.height() / 2).save(png + QStringLiteral(".part"), "PNG")
                || !QFile::rename(png + QStringLiteral(".part"), png))
                return {};
        }
        made << png;
    }
    return made;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    const QString scratchRoot = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    QDir().mkpath(scratchRoot);
    QTemporaryDir scratch(scratchRoot + QStringLiteral("/main-window-XXXXXX"));
    if (!config.isValid() || !scratch.isValid()) {
        std::fprintf(stderr, "main_window_bench: cannot make temporary folders\n");
        return 1;
    }

    // One small JPEG: the given one, else a made 640 x 480 picture.
    QString photo = argc > 2 && std::string(argv[2]) != "-" ? QString::fromLocal8Bit(argv[2]) : QString();
    if (photo.isEmpty()) {
        photo = scratch.path() + QStringLiteral("/photo.jpg");
        QImage img(640, 480, QImage::Format_RGB32);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                img.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
        if (!img.save(photo, "JPEG", 85)) {
            std::fprintf(stderr, "main_window_bench: cannot write %s\n", qPrintable(photo));
            return 1;
        }
    }
    const QString corpus = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    const QString big = scratch.path() + QStringLiteral("/ten-thousand");
    const QString folder = scratch.path() + QStringLiteral("/one-thousand");
    if (!fillFolder(big, {photo}, 10000, QStringLiteral("IMG_%1.jpg")) || !fillFolder(folder, {photo}, 1000, QStringLiteral("IMG_%1.jpg"))) {
        std::fprintf(stderr, "main_window_bench: cannot fill the photo folders\n");
        return 1;
    }

    // (1) Start-up.
    QElapsedTimer t;
    t.start();
    double shownMs = 0;
    {
        TfrmMain w;
        const double constructedMs = msSince(t);
        w.show();
        QApplication::processEvents();
        shownMs = msSince(t);
        std::printf("start-up: constructed %.1f ms, shown %.1f ms\n", constructedMs, shownMs);
    }

    // (2) Select all on 10,000 entries.
    double selectMs = 0, selectCountedMs = 0;
    int selectChanges = 0, selected = 0;
    double addBigMs = 0;
    {
        TfrmMain w;
        w.show();
        QApplication::processEvents();
        t.start();
        w.AddFolder(big);
        QApplication::processEvents();
        addBigMs = msSince(t);
        const int entries = w.ListView()->Items().Count();

        QAction *selectAll = w.Action(QStringLiteral("actSelectAll"));
        QAction *clear = w.Action(QStringLiteral("actClearSelection"));
        t.start();
        selectAll->trigger();
        QApplication::processEvents();
        selectMs = msSince(t);
        selected = w.ListView()->SelCount();

        // Again with the status bar watched (the watching costs time, so it
        // is a separate run).
        clear->trigger();
        QApplication::processEvents();
        StatusWatch watch(w);
        auto previous = w.ListView()->OnSelectItem;
        w.ListView()->OnSelectItem = [&](TImageListView &view, TImageListItem *item, bool sel) {
            if (previous)
                previous(view, item, sel);
            watch.sample();
        };
        app.installEventFilter(&watch);
        t.start();
        selectAll->trigger();
        QApplication::processEvents();
        selectCountedMs = msSince(t);
        watch.sample();
        app.removeEventFilter(&watch);
        selectChanges = watch.Changes();
        w.ListView()->OnSelectItem = previous;
        std::printf("select all: %d entries (added in %.0f ms), %d selected\n", entries, addBigMs, selected);
    }

    // (3) A 1,000-photo and a 10,000-photo folder in the same run: ten
    // times the photos should take about ten times as long.
    const Figures small = measureAdd(folder);
    const Figures large = measureAdd(big);
    // (4) A 1,000-entry link document opened.
    const QString smallDocument = scratch.path() + QStringLiteral("/one-thousand.vlpf");
    const Figures opened = saveFolderAs(folder, smallDocument, TFileSaveType::fstLink) ? measureOpen(smallDocument) : Figures{};
    QDir(big).removeRecursively();

    std::printf("\n%-48s %13s %s\n", "", "measured", "goal");
    line("construction to window shown", shownMs, "ms", "-");
    line("select all, 10,000 entries", selectMs, "ms", "< 100 ms");
    line("  the same, status bar watched", selectCountedMs, "ms", "-");
    std::printf("%-48s %9d     %s\n", "  status bar text changes", selectChanges, "1");
    report("add 1,000-photo folder (small JPEG), total", small, "< 2000 ms", "<= 100 ms");
    report("add 10,000-photo folder (small JPEG), total", large, "-", "<= 100 ms");
    if (small.UiCpuMs > 0)
        std::printf("%-48s %8.1fx     %s\n", "  10,000 against 1,000, UI thread CPU", large.UiCpuMs / small.UiCpuMs,
                    "about 10x");
    report("open a 1,000-entry link document (small)", opened, "< 2000 ms");
    std::fflush(stdout);

    if (corpus.isEmpty()) {
        std::printf("\n(no corpus folder given: the camera-like photo phases are skipped)\n");
        return 0;
    }
    QStringList photos;
    for (const QString &name : QDir(corpus).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name))
        photos << corpus + QLatin1Char('/') + name;
    if (photos.isEmpty()) {
        std::fprintf(stderr, "main_window_bench: no JPEGs in %s\n", qPrintable(corpus));
        return 1;
    }
    const QImage first(photos.first());
    const TIntSize photoSize{first.width(), first.height()};
    std::printf("\ncorpus: %lld photos of %d x %d, %.1f MB each on average\n", static_cast<long long>(photos.size()),
                photoSize.cx, photoSize.cy, [&] {
                    double bytes = 0;
                    for (const QString &p : photos)
                        bytes += static_cast<double>(QFileInfo(p).size());
                    return bytes / static_cast<double>(photos.size()) / 1e6;
                }());
    // What one full decode costs: the listing must stay far below 1,000 of these.
    t.start();
    for (int i = 0; i < 3; ++i)
        (void)QImage(photos[i % photos.size()]);
    const double decodeMs = msSince(t) / 3;

    // (5) 1,000 camera-like photos (hard links to the corpus), twice.
    const QString cameraFolder = scratch.path() + QStringLiteral("/camera");
    if (!fillFolder(cameraFolder, photos, 1000, QStringLiteral("P%1_%2"))) {
        std::fprintf(stderr, "main_window_bench: cannot fill %s\n", qPrintable(cameraFolder));
        return 1;
    }
    Figures cameraFirst, camera, cameraSorted, pngs;
    int cameraSized = 0, pngSized = 0, sorts = 0, unsortedSorts = 0;
    {
        TfrmMain w;
        w.show();
        cameraFirst = measure(w, [&] { w.AddFolder(cameraFolder); });
    }
    {
        TfrmMain w;
        w.show();
        QObject::connect(w.ListView()->ActiveView()->model(), &QAbstractItemModel::layoutChanged, [&] { ++unsortedSorts; });
        camera = measure(w, [&] { w.AddFolder(cameraFolder); });
        cameraSized = sizedEntries(w, photoSize);
    }
    // (6) The same with auto sort by shot date: the model's layout changes
    // count the sorts.
    {
        TfrmMain w;
        w.show();
        w.Action(QStringLiteral("actSortShotDate"))->trigger();
        w.SetAutoSort(true);
        QObject::connect(w.ListView()->ActiveView()->model(), &QAbstractItemModel::layoutChanged, [&] { ++sorts; });
        cameraSorted = measure(w, [&] { w.AddFolder(cameraFolder); });
        w.SetAutoSort(false);
    }
    // (7) 1,000 PNGs: hard links to 24 PNGs at half the photos' size.
    const QStringList pngFiles = pngCorpus(photos, scratchRoot + QStringLiteral("/main-window-png"), 24);
    const QString pngFolder = scratch.path() + QStringLiteral("/png");
    TIntSize pngSize;
    if (!pngFiles.isEmpty() && fillFolder(pngFolder, pngFiles, 1000, QStringLiteral("N%1_%2"))) {
        pngSize = {photoSize.cx / 2, photoSize.cy / 2};
        TfrmMain w;
        w.show();
        pngs = measure(w, [&] { w.AddFolder(pngFolder); });
        pngSized = sizedEntries(w, pngSize);
    } else {
        std::fprintf(stderr, "main_window_bench: cannot make the PNGs\n");
    }
    // (8) A 1,000-entry link document of the photos.
    const QString cameraDocument = scratch.path() + QStringLiteral("/camera.vlpf");
    const Figures cameraOpened =
        saveFolderAs(cameraFolder, cameraDocument, TFileSaveType::fstLink) ? measureOpen(cameraDocument) : Figures{};
    // (9) An embedded document of about 2 GB: enough of the photos for
    // 2 GiB of image records.
    double averageBytes = 0;
    for (const QString &p : photos)
        averageBytes += static_cast<double>(QFileInfo(p).size());
    averageBytes /= static_cast<double>(photos.size());
    const int embeddedCount = static_cast<int>(2.0 * 1024 * 1024 * 1024 / averageBytes) + 1;
    const QString embeddedFolder = scratch.path() + QStringLiteral("/embedded");
    const QString embeddedDocument = scratch.path() + QStringLiteral("/embedded.vlpf");
    Figures embeddedOpened, embeddedAgain, embeddedThumbs, embeddedThumbsAgain;
    double embeddedReadMs = 0, embeddedReadPeakMb = 0;
    double embeddedSaveMs = 0;
    std::int64_t embeddedBytes = 0;
    if (fillFolder(embeddedFolder, photos, embeddedCount, QStringLiteral("E%1_%2"))) {
        t.start();
        if (saveFolderAs(embeddedFolder, embeddedDocument, TFileSaveType::fstStream)) {
            embeddedSaveMs = msSince(t);
            embeddedBytes = QFileInfo(embeddedDocument).size();
            // The document alone, without a window: reading its entries.
            {
                TPhotoPaper paper;
                TImageInfos images;
                resetPeak();
                t.start();
                OpenDocumentFile(embeddedDocument, paper, images);
                embeddedReadMs = msSince(t);
                embeddedReadPeakMb = statusMb("VmHWM");
            }
            embeddedOpened = measureOpen(embeddedDocument, &embeddedThumbs);
            embeddedAgain = measureOpen(embeddedDocument, &embeddedThumbsAgain);
        }
    }
    QFile::remove(embeddedDocument);
    QDir(embeddedFolder).removeRecursively();

    std::printf("\n%-48s %13s %s\n", "", "measured", "goal");
    line("one full decode of a corpus photo", decodeMs, "ms", "-");
    report("add 1,000 camera-like photos, first run", cameraFirst, "-", "<= 100 ms");
    report("add 1,000 camera-like photos, warm", camera, "< 3000 ms", "<= 100 ms");
    std::printf("%-48s %9d     %s\n", "  entries with their pixel size when listed", cameraSized, "1000");
    std::printf("%-48s %9d     %s\n", "  layout changes of the list", unsortedSorts, "0");
    report("the same with auto sort by shot date", cameraSorted, "-", "<= 100 ms");
    std::printf("%-48s %9d     %s\n", "  sorts (layout changes of the list)", sorts, "one per batch");
    report("add 1,000 PNGs", pngs, "-", "<= 100 ms");
    std::printf("%-48s %9d     %s\n", "  entries with their pixel size when listed", pngSized, "1000");
    report("open a 1,000-entry link document (photos)", cameraOpened, "< 2000 ms");
    std::printf("%-48s %9d\n", "embedded document: entries", embeddedCount);
    line("  size", static_cast<double>(embeddedBytes) / 1e6, "MB", "about 2 GB");
    line("  saved in", embeddedSaveMs, "ms", "-");
    line("  its entries read (OpenDocumentFile)", embeddedReadMs, "ms", "-");
    line("  peak resident size while reading them", embeddedReadPeakMb, "MB", "far below 2 GB");
    report("open the embedded document in the window", embeddedOpened, "-", "<= 100 ms");
    report("  its thumbnails arriving afterwards", embeddedThumbs, "-", "<= 100 ms");
    report("  the same again (page cache warm)", embeddedAgain, "-", "<= 100 ms");
    report("  its thumbnails arriving afterwards", embeddedThumbsAgain, "-", "<= 100 ms");
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%-48s %9ld MB\n", "peak memory of the whole run", usage.ru_maxrss / 1024);
    return 0;
}
