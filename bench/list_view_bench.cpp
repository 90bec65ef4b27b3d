// The image list's list style ("一覧") with 20,000 entries: the time to switch
// to it, to reach the last entry (End), and the longest stall while paging
// through the columns, against the 100 ms a user still takes for smooth.
// Figures are printed; nothing is asserted.
#include "imagelist/ImageListModel.h"
#include "imagelist/ImageListView.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QListView>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>

using namespace vellora;

namespace {

double msSince(const QElapsedTimer &t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

void settle(QWidget *view)
{
    view->repaint();
    QApplication::processEvents();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
    TImageListView view;
    view.SetCheckBoxes(true);
    view.resize(1000, 700);
    view.show();
    QElapsedTimer t;
    t.start();
    view.BeginUpdate();
    for (int i = 0; i < count; ++i)
        view.Items().Add(QStringLiteral("/photos/2026/DSC_%1_夏休みの海.txt").arg(i + 1, 5, 10, QLatin1Char('0')));
    view.EndUpdate();
    std::printf("add %d entries:          %8.1f ms\n", count, msSince(t));

    t.restart();
    view.SetViewStyle(TImageViewStyle::ivsList);
    settle(view.ListView()->viewport());
    std::printf("switch to the list style: %8.1f ms\n", msSince(t));

    QListView *list = view.ListView();
    list->setFocus();
    t.restart();
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
    QApplication::sendEvent(list, &end);
    settle(list->viewport());
    const QRect last = list->visualRect(view.Model()->index(count - 1, 0));
    std::printf("End to the last entry:    %8.1f ms (visible: %s)\n", msSince(t),
                list->viewport()->rect().contains(last) ? "yes" : "no");

    QScrollBar *bar = list->horizontalScrollBar();
    bar->setValue(0);
    settle(list->viewport());
    double worst = 0;
    double worstMove = 0;
    double painting = 0;
    int steps = 0;
    QElapsedTimer whole;
    whole.start();
    for (int v = 0; v <= bar->maximum(); v += std::max(1, bar->pageStep())) {
        t.restart();
        bar->setValue(v);
        QApplication::processEvents();
        const double moved = msSince(t);
        QElapsedTimer paint;
        paint.start();
        list->viewport()->repaint();
        painting += msSince(paint);
        worstMove = std::max(worstMove, moved);
        worst = std::max(worst, msSince(t));
        ++steps;
    }
    std::printf("page through %d pages:    %8.1f ms, longest stall %.1f ms (goal: under 100 ms)\n", steps,
                msSince(whole), worst);
    std::printf("  of which moving (layout) at most %.1f ms; painting %.1f ms a page on average\n", worstMove,
                painting / std::max(1, steps));
    return 0;
}
