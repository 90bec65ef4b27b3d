// The image-list view as the main window sets it up (check boxes, draft
// thumbnails on worker threads, thumbnail style, the report columns), for a
// look and for timing.
//   thumb_tool --show FOLDER    shows every image below FOLDER in a window
//   thumb_tool --bench FOLDER   adds every image of FOLDER the way the main
//                               window adds a folder (print-list entry, then
//                               the list item, then pending events), waits
//                               for the last thumbnail and prints wall time,
//                               CPU time, peak memory and the longest UI stall
#include "graphics/ColorManagement.h"
#include "imagelist/ImageListView.h"
#include "model/ImageInfo.h"

#include <QApplication>
#include <QDirIterator>
#include <QEventLoop>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

using namespace vellora;

namespace {

void configure(TImageListView &view)
{
    view.SetCheckBoxes(true);
    view.SetThumbCheckBoxes(true);
    view.SetThumbnailMode(TIVThumbnailMode::tmDraft);
    view.SetUseThread(true);
    view.SetViewStyle(TImageViewStyle::ivsThumbnail);
    view.SetMultiSelect(true);
    view.SetReadOnly(true);
    view.SetHideSelection(false);
    view.SetRowSelect(true);
    const Qt::Alignment right = Qt::AlignRight;
    view.AddColumn(QStringLiteral("ファイル名"), 150);
    view.AddColumn(QStringLiteral("撮影日時"), 70, right);
    view.AddColumn(QStringLiteral("ファイル日時"), 70, right);
    view.AddColumn(QStringLiteral("ファイルサイズ"), 60, right);
    view.AddColumn(QStringLiteral("横×縦"), 60, right);
    view.AddColumn(QStringLiteral("コピー"), 50, right);
}

QStringList imagesBelow(const QString &folder, const TImageListView &view, bool recursive)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files, recursive ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
    while (it.hasNext()) {
        const QString path = it.next();
        if (const_cast<TImageListView &>(view).ImageClasses().IndexOfExtension(ExtractFileExt(path)) >= 0)
            files << path;
    }
    files.sort();
    return files;
}

void addEntry(TImageListView &view, std::vector<std::unique_ptr<TImageInfo>> &infos, const QString &path)
{
    auto info = std::make_unique<TImageInfo>();
    try {
        info->SetFileName(path, TImageLogging::iloLink);
    } catch (const std::exception &) {
        // A broken Exif block still makes an entry, as in the main window.
    }
    TImageListItem *item = view.AddItem(path, info.get());
    if (item) {
        item->SetSubItems({info->ShotTimeText(), info->FileTimeText(), info->FileSizeText(), info->ImageSizeText(),
                           QString::number(1)});
    }
    infos.push_back(std::move(info));
}

int show(const QString &folder)
{
    TImageListView view;
    configure(view);
    view.setWindowTitle(QStringLiteral("Vellora thumbnails: %1").arg(folder));
    view.resize(1000, 760);
    view.show();
    std::vector<std::unique_ptr<TImageInfo>> infos;
    for (const QString &path : imagesBelow(folder, view, true)) {
        addEntry(view, infos, path);
        QCoreApplication::processEvents();
    }
    const int result = QApplication::exec();
    view.Clear();
    return result;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int bench(const QString &folder)
{
    TImageListView view;
    configure(view);
    view.resize(1000, 760);
    view.show();
    const QStringList files = imagesBelow(folder, view, false);

    // The UI thread's longest gap between the ticks of a 5 ms timer.
    QElapsedTimer tick;
    qint64 longest = 0;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&]() {
        longest = std::max(longest, tick.restart());
    });
    QCoreApplication::processEvents();

    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    tick.start();
    timer.start();
    std::vector<std::unique_ptr<TImageInfo>> infos;
    for (const QString &path : files) {
        addEntry(view, infos, path);
        QCoreApplication::processEvents();
    }
    // Wait in the event loop (not a polling loop: that would be counted as the view's CPU time).
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&]() {
        if (view.PendingThumbnails() == 0)
            loop.quit();
    });
    check.start(20);
    if (view.PendingThumbnails() > 0)
        loop.exec();
    const double seconds = double(wall.elapsed()) / 1000.0;
    const double cpu = cpuSeconds() - cpu0;
    timer.stop();
    int made = 0;
    for (int i = 0; i < view.Items().Count(); ++i)
        made += view.Items().Item(i)->Maked() ? 1 : 0;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%d files, %d thumbnails: %.2f s wall, %.2f s cpu, %.0f MB peak, longest UI stall: %lld ms\n",
                int(files.size()), made, seconds, cpu, double(usage.ru_maxrss) / 1024.0,
                static_cast<long long>(longest));
    view.Clear();
    return made == files.size() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // Colour management on, as the main window has it by default.
    vellora::SetColorManage(true);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--show"))
        return show(args[2]);
    if (args.size() == 3 && args[1] == QLatin1String("--bench"))
        return bench(args[2]);
    std::fputs("usage: thumb_tool --show FOLDER | --bench FOLDER\n", stderr);
    return 2;
}
