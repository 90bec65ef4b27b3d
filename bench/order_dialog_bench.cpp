// The print-order dialog on 2,000 entries: filling, a sort per column, adds
// and deletes, the preview of a 12-megapixel JPEG, and the main window taking
// the new order. Figures and goals are printed side by side; nothing is
// asserted.
//
// Usage: order_dialog_bench [SCRATCH_FOLDER]
#include "app/MainForm.h"
#include "app/OrderDialog.h"
#include "imagelist/ImageListView.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>

#include <cstdio>

using namespace vellora;

namespace {

double msSince(const QElapsedTimer &t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

void row(const char *what, double ms, double goalMs) {
    std::printf("%-44s %9.1f ms   goal %6.0f ms\n", what, ms, goalMs);
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const QString scratch = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    QDir().mkpath(scratch);
    QTemporaryDir dir(scratch + QStringLiteral("/order-XXXXXX"));
    QTemporaryDir config(scratch + QStringLiteral("/order-config-XXXXXX"));
    if (!dir.isValid() || !config.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());

    // 2,000 small files whose modification times are not in name order, and
    // one 12-megapixel photo for the preview.
    constexpr int kCount = 2000;
    QImage small(16, 12, QImage::Format_RGB32);
    small.fill(Qt::darkCyan);
    QStringList files;
    for (int i = 0; i < kCount; ++i) {
        const QString path = dir.path() + QStringLiteral("/IMG_%1.png").arg(i, 5, 10, QLatin1Char('0'));
        if (!small.save(path, "PNG"))
            return 1;
        QFile f(path);
        if (f.open(QIODevice::ReadWrite))
            f.setFileTime(QDateTime({2021, 1, 1}, {0, 0}).addSecs(qint64(i) * 7919 % kCount * 60),
                          QFileDevice::FileModificationTime);
        files << path;
    }
    QImage big(4000, 3000, QImage::Format_RGB32);
    big.fill(Qt::darkGreen);
    const QString photo = dir.path() + QStringLiteral("/big.jpg");
    if (!big.save(photo, "JPEG", 90))
        return 1;

    TfrmMain w;
    for (const QString &f : std::as_const(files))
        w.AddImageFile(f);
    w.AddImageFile(photo);
    w.lvFile->WaitForThumbnails();

    std::printf("print order, %d entries\n", kCount + 1);
    QElapsedTimer okTimer;
    w.OnOrderDialog = [&](TfrmOrder &d) {
        d.show();
        QApplication::processEvents();
        QElapsedTimer t;
        t.start();
        d.SetImages(&w.Images());
        row("fill the source list", msSince(t), 100);
        for (int column : {0, 1, 2}) {
            t.restart();
            d.SortSourceBy(column);
            row(column == 0 ? "sort by name" : column == 1 ? "sort by shot time" : "sort by file time", msSince(t), 100);
        }
        d.lvSource->selectAll();
        t.restart();
        d.actAdd->trigger();
        row("add all selected", msSince(t), 100);
        t.restart();
        d.actDeleteAll->trigger();
        row("delete all", msSince(t), 100);
        t.restart();
        d.actAddRandomAll->trigger();
        row("add all at random", msSince(t), 100);
        d.actDeleteAll->trigger();
        const int last = d.lvSource->model()->rowCount() - 1;
        int at = 0;
        for (int r = 0; r <= last; ++r)
            if (d.lvSource->model()->index(r, 0).data().toString() == QStringLiteral("big.jpg"))
                at = r;
        t.restart();
        d.lvSource->setCurrentIndex(d.lvSource->model()->index(at, 0));
        row("preview of the 12-megapixel photo", msSince(t), 50);
        t.restart();
        d.findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
        row("OK (all left appended)", msSince(t), 100);
        okTimer.start();
        return true;
    };
    w.Action(QStringLiteral("actOrder"))->trigger();
    row("main window takes the order", msSince(okTimer), 100);
    return 0;
}
