// Undo of the print list and the recovery file on a 10,000-entry list: the
// time of "delete all", its undo and redo; the UI thread's longest gap while
// the recovery file of that list is written (the state is taken on the UI
// thread, the file written on a worker). Figures and goals are printed side
// by side; nothing is asserted.
//
// Usage: list_undo_bench [SCRATCH_FOLDER] [COUNT]
#include "app/MainForm.h"
#include "app/controls/QvTaskDialog.h"
#include "imagelist/ImageListView.h"
#include "model/ImageInfos.h"

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
#include <functional>
#include <unistd.h>

using namespace vellora;

namespace {

double msSince(const QElapsedTimer &t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

double timed(const std::function<void()> &run)
{
    QElapsedTimer t;
    t.start();
    run();
    return msSince(t);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString scratch = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10000;
    QDir().mkpath(scratch);
    QTemporaryDir dir(scratch + QStringLiteral("/list-undo-XXXXXX"));
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    const QString photos = dir.path() + QStringLiteral("/photos");
    QDir().mkpath(photos);
    const QString first = photos + QStringLiteral("/p00000.jpg");
    QImage(64, 48, QImage::Format_RGB32).save(first, "JPEG");
    for (int i = 1; i < count; ++i) {
        const QString name = QStringLiteral("%1/p%2.jpg").arg(photos).arg(i, 5, 10, QLatin1Char('0'));
        if (::link(QFile::encodeName(first).constData(), QFile::encodeName(name).constData()) != 0)
            QFile::copy(first, name);
    }

    TfrmMain w;
    w.OnQuestion = [](TQvTaskDialog &, int &, bool &) { return idYes; };
    w.AddFolder(photos);
    std::printf("entries: %d\n", w.Images().Count());

    const double clear = timed([&] { w.Action(QStringLiteral("mitClearImage"))->trigger(); });
    const double undo = timed([&] { w.Undo(); });
    const double redo = timed([&] { w.Redo(); });
    const double undo2 = timed([&] { w.Undo(); });
    std::printf("delete all: %8.1f ms   (goal <= 200 ms)\n", clear);
    std::printf("undo:       %8.1f ms   (goal <= 200 ms), entries %d\n", undo, w.Images().Count());
    std::printf("redo:       %8.1f ms\n", redo);
    std::printf("undo again: %8.1f ms\n", undo2);

    // The recovery write as the timer starts it, with a heartbeat every
    // millisecond recording the longest gap of the UI thread.
    w.SetDocumentModified(true);
    w.EnableRecovery(dir.path() + QStringLiteral("/recovery"), 5);
    QElapsedTimer beat;
    beat.start();
    qint64 last = 0, longest = 0;
    QTimer heart;
    heart.setInterval(1);
    QObject::connect(&heart, &QTimer::timeout, [&] {
        const qint64 now = beat.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    heart.start();
    QEventLoop loop;
    QTimer::singleShot(600, &loop, &QEventLoop::quit);
    last = beat.nsecsElapsed();
    loop.exec();
    heart.stop();
    w.WriteRecoveryNow();
    std::printf("recovery file: %lld bytes, longest UI gap %.1f ms   (goal <= 50 ms)\n",
                static_cast<long long>(QFileInfo(w.RecoveryFileName()).size()), double(longest) / 1e6);
    const double snapshot = timed([&] {
        w.SetDocumentModified(true);
        w.WriteRecoveryNow();
    });
    std::printf("one write, waited for: %.1f ms\n", snapshot);
    return 0;
}
