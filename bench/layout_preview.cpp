// Timings of the layout dialog's live pictures: the schematic preview of a
// 99 × 99 grid (copy of the paper, the edits applied, DrawLayout) and the
// background sample of a 6000 × 4000 picture fill. Prints milliseconds.
#include "model/PaperPrinter.h"
#include "model/PhotoPaper.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <ctime>

using namespace vellora;

namespace {

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// Best wall and CPU time of several runs: on a shared machine the CPU time
// is the steadier figure.
struct Timing {
    double wall = 1e9;
    double cpu = 1e9;
};

template <typename F>
Timing bestOf(int runs, F &&f)
{
    Timing best;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        const double c = cpuMs();
        f();
        best.cpu = std::min(best.cpu, cpuMs() - c);
        best.wall = std::min(best.wall, static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    TPhotoPaper paper;
    paper.SetDivide({99, 99});
    paper.SetSpace(FloatSize(0.5, 0.5));
    TPhotoPaper scratch;
    QImage canvas(240, 320, QImage::Format_RGB32);
    const Timing preview = bestOf(10, [&] {
        scratch.Assign(paper);
        scratch.SetMargins(FloatRect(5, 5, 5, 5));
        scratch.SetDivide({99, 99});
        scratch.SetSpace(FloatSize(0.5, 0.5));
        canvas.fill(Qt::white);
        QPainter p(&canvas);
        scratch.DrawLayout(p, canvas.width(), canvas.height());
    });
    std::printf("layout preview, 99 x 99 grid (Assign + apply + DrawLayout): %.1f ms wall, %.1f ms cpu\n",
                preview.wall, preview.cpu);
    const Timing assign = bestOf(10, [&] { scratch.Assign(paper); });
    const Timing draw = bestOf(10, [&] {
        QPainter p(&canvas);
        scratch.DrawLayout(p, canvas.width(), canvas.height());
    });
    std::printf("  of which Assign %.1f ms (%.1f cpu), DrawLayout %.1f ms (%.1f cpu)\n", assign.wall, assign.cpu,
                draw.wall, draw.cpu);

    QImage picture(6000, 4000, QImage::Format_RGB888);
    picture.fill(QColor(200, 120, 40));
    TBackground back;
    back.Fill().SetStyle(TFillStyle::fisImage);
    back.Fill().SetBitmap(picture);
    back.Fill().SetImageDrawStyle(TImageDrawMode::idmProportional);
    QImage sample(120, 80, QImage::Format_RGB32);
    const double mmPerPx = 25.4 / 96;
    const Timing fill = bestOf(5, [&] {
        sample.fill(Qt::white);
        QPainter p(&sample);
        back.Draw(p, 96, FloatRect(8 * mmPerPx, 8 * mmPerPx, 112 * mmPerPx, 72 * mmPerPx), true);
    });
    std::printf("background sample, 6000 x 4000 picture fill: %.2f ms wall, %.2f ms cpu\n", fill.wall, fill.cpu);
    PaperPrinter().SetPaper(nullptr);
    return 0;
}
