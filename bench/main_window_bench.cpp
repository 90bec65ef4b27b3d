// The main window under load: time from construction to the window shown;
// "select all" on 10,000 entries (time and how often the status bar text
// changes); a 1,000-photo and a 10,000-photo folder added, each with its
// wall and CPU time and the longest UI stall, so that adding can be seen to
// grow in step with the list. Figures and goals are printed side by side;
// nothing is asserted.
//
// Usage: main_window_bench [SCRATCH_FOLDER] [PHOTO.jpg]
#include "app/MainForm.h"
#include "imagelist/ImageListView.h"
#include "model/Document.h"
#include "model/ImageInfos.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
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

struct AddFigures {
    double WallMs = 0;
    double CpuMs = 0;     // the whole process, thumbnail workers included
    double UiCpuMs = 0;   // the UI thread alone
    double LongestGapMs = 0;
    int Entries = 0;
};

// A folder added through AddFolder in a fresh window, with a 10 ms timer
// measuring the UI stalls. The thumbnails still being made afterwards are
// not waited for.
AddFigures measureAdd(const QString &folder)
{
    AddFigures f;
    vellora::TfrmMain w;
    w.show();
    QApplication::processEvents();
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
    w.AddFolder(folder);
    QApplication::processEvents();
    f.WallMs = msSince(t);
    f.CpuMs = cpuMs(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
    f.UiCpuMs = cpuMs(CLOCK_THREAD_CPUTIME_ID) - ui0;
    f.LongestGapMs = std::max(f.LongestGapMs, msSince(gap));
    tick.stop();
    f.Entries = w.ListView()->Items().Count();
    return f;
}

// `count` names for one small JPEG: hard links where the file system allows,
// copies otherwise.
bool fillFolder(const QString &folder, const QString &photo, int count)
{
    if (!QDir().mkpath(folder))
        return false;
    for (int i = 0; i < count; ++i) {
        const QString name = folder + QStringLiteral("/IMG_%1.jpg").arg(i, 5, 10, QLatin1Char('0'));
        if (::link(QFile::encodeName(photo).constData(), QFile::encodeName(name).constData()) != 0
            && !QFile::copy(photo, name))
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

// The folder saved as a link document, then opened in a fresh window:
// wall and UI-thread CPU time of the open.
AddFigures measureOpen(const QString &folder, const QString &document)
{
    {
        vellora::TfrmMain w;
        w.AddFolder(folder);
        w.Images().SetSaveType(vellora::TFileSaveType::fstLink);
        vellora::SaveDocumentFile(document, w.Paper(), w.Images());
    }
    AddFigures f;
    vellora::TfrmMain w;
    w.show();
    QApplication::processEvents();
    QElapsedTimer t;
    t.start();
    const double ui0 = cpuMs(CLOCK_THREAD_CPUTIME_ID);
    w.OpenDocument(document);
    QApplication::processEvents();
    f.WallMs = msSince(t);
    f.UiCpuMs = cpuMs(CLOCK_THREAD_CPUTIME_ID) - ui0;
    f.Entries = w.ListView()->Items().Count();
    return f;
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
    QString photo = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
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
    const QString big = scratch.path() + QStringLiteral("/ten-thousand");
    const QString folder = scratch.path() + QStringLiteral("/one-thousand");
    if (!fillFolder(big, photo, 10000) || !fillFolder(folder, photo, 1000)) {
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
    const AddFigures small = measureAdd(folder);
    const AddFigures large = measureAdd(big);
    // (4) A 1,000-entry link document opened.
    const AddFigures opened = measureOpen(folder, scratch.path() + QStringLiteral("/one-thousand.vlpf"));

    std::printf("\n%-44s %12s   %s\n", "", "measured", "goal");
    std::printf("%-44s %9.1f ms   %s\n", "construction to window shown", shownMs, "-");
    std::printf("%-44s %9.1f ms   %s\n", "select all, 10,000 entries", selectMs, "< 100 ms");
    std::printf("%-44s %9.1f ms   %s\n", "  the same, status bar watched", selectCountedMs, "-");
    std::printf("%-44s %12d   %s\n", "  status bar text changes", selectChanges, "1");
    auto report = [](const char *title, const AddFigures &f, const char *goal) {
        std::printf("%-44s %9.1f ms   %s\n", title, f.WallMs, goal);
        std::printf("%-44s %9.1f ms   %s\n", "  CPU time (all threads)", f.CpuMs, "-");
        std::printf("%-44s %9.1f ms   %s\n", "  CPU time of the UI thread", f.UiCpuMs, "-");
        std::printf("%-44s %9.1f ms   %s\n", "  longest gap of a 10 ms timer", f.LongestGapMs, "-");
        std::printf("%-44s %12d\n", "  entries added", f.Entries);
    };
    report("add 1,000-photo folder, total", small, "< 2000 ms");
    report("add 10,000-photo folder, total", large, "-");
    std::printf("%-44s %9.1f ms   %s\n", "open a 1,000-entry link document", opened.WallMs, "< 2000 ms");
    std::printf("%-44s %9.1f ms   %s\n", "  CPU time of the UI thread", opened.UiCpuMs, "-");
    std::printf("%-44s %12d\n", "  entries listed", opened.Entries);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%-44s %9ld MB   %s\n", "peak memory of the whole run", usage.ru_maxrss / 1024, "-");
    if (small.UiCpuMs > 0)
        std::printf("%-44s %11.1fx   %s\n", "10,000 against 1,000, UI thread CPU", large.UiCpuMs / small.UiCpuMs,
                    "about 10x");
    return 0;
}
