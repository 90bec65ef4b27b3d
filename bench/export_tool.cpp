// Helper of the export benchmark. Two jobs:
//   export_tool corpus DIR N   N camera-like 4000 × 3000 JPEGs (deterministic)
//   export_tool floor DIR DPI [THREADS]
//                              the libjpeg-turbo floor of a 2 × 2 A4 export:
//                              decode every photo at the DCT scale the cell
//                              needs, copy it unscaled into its cell and
//                              encode one page image per four, the pages
//                              shared out among THREADS threads (default:
//                              one per core)
//   export_tool thumbfloor DIR the floor of making thumbnails without Exif
//                              thumbnails: every JPEG of DIR read and decoded
//                              at 1/8 on all cores, nothing else
// Prints the floor's wall time in seconds. The copy is there so that the
// encoder sees photo content: a blank page encodes several times faster and
// would set the floor too low.
#include "graphics/ColorManagement.h"
#include "graphics/JpegImage.h"
#include "graphics/GraphicClass.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>
#include <cstdio>

using namespace vellora;

namespace {

int corpus(const QString &dir, int count)
{
    QDir().mkpath(dir);
    std::uint32_t seed = 12345;
    for (int n = 0; n < count; ++n) {
        QImage image(4000, 3000, QImage::Format_RGB32);
        // Smooth gradients with fine noise: compresses like a photo (a few MB).
        for (int y = 0; y < image.height(); ++y) {
            auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int noise = static_cast<int>(seed >> 28) - 8;
                const int r = (x * 255 / 4000 + n * 37 + noise) & 0xFF;
                const int g = (y * 255 / 3000 + n * 11 + noise) & 0xFF;
                const int b = ((x + y) * 255 / 7000 + noise + 64) & 0xFF;
                row[x] = qRgb(r, g, b);
            }
        }
        TJpegImage jpeg;
        jpeg.SetImage(image);
        jpeg.SaveToFile(QStringLiteral("%1/IMG_%2.jpg").arg(dir).arg(n + 1, 4, 10, QLatin1Char('0')));
    }
    return 0;
}

// The pages are shared out among `threads` threads, each decoding, copying
// and encoding whole pages: the floor on that many cores.
int floorTime(const QString &dir, int dpi, int threads)
{
    const QStringList names = QDir(dir).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    const int pageW = static_cast<int>(210 * dpi / 25.4 + 0.5), pageH = static_cast<int>(297 * dpi / 25.4 + 0.5);
    const int cellW = pageW / 2, cellH = pageH / 2;
    const int pages = static_cast<int>((names.size() + 3) / 4);
    QElapsedTimer timer;
    timer.start();
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    auto work = [&]() {
        QImage page(pageW, pageH, QImage::Format_RGB32);
        for (int p = next++; p < pages && !failed; p = next++) {
            page.fill(Qt::white);
            for (int slot = 0; slot < 4 && p * 4 + slot < names.size(); ++slot) {
                QFile file(dir + QLatin1Char('/') + names[p * 4 + slot]);
                if (!file.open(QIODevice::ReadOnly)) {
                    failed = true;
                    return;
                }
                QSize size;
                const QByteArray data = file.readAll();
                if (!TJpegImage::probeSize(data, size)) {
                    failed = true;
                    return;
                }
                // The largest reduction that still covers the cell (rotated to portrait).
                const int need = std::max(pageW / 2 * 1000 / size.height(), pageH / 2 * 1000 / size.width());
                const TJPEGScale scale = need <= 125 ? TJPEGScale::jsEighth : need <= 250 ? TJPEGScale::jsQuarter
                                         : need <= 500 ? TJPEGScale::jsHalf : TJPEGScale::jsFullSize;
                const QImage photo = TJpegImage::decodeJpeg(data, scale);
                QPainter painter(&page);
                painter.drawImage(QPoint(slot % 2 * cellW, slot / 2 * cellH), photo,
                                  QRect(0, 0, std::min(cellW, photo.width()), std::min(cellH, photo.height())));
            }
            TJpegImage jpeg;
            jpeg.SetImage(page);
            if (jpeg.SaveToData().isEmpty())
                failed = true;
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    for (std::thread &t : pool)
        t.join();
    std::printf("%.2f\n", static_cast<double>(timer.elapsed()) / 1000.0);
    return failed ? 1 : 0;
}

int thumbFloor(const QString &dir)
{
    const QFileInfoList files = QDir(dir).entryInfoList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    QElapsedTimer timer;
    timer.start();
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    std::vector<std::thread> threads;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned t = 0; t < cores; ++t)
        threads.emplace_back([&]() {
            for (int i = next++; i < files.size(); i = next++) {
                QFile file(files[i].filePath());
                if (!file.open(QIODevice::ReadOnly) || TJpegImage::decodeJpeg(file.readAll(), TJPEGScale::jsEighth).isNull())
                    failed = true;
            }
        });
    for (std::thread &t : threads)
        t.join();
    std::printf("%.2f\n", static_cast<double>(timer.elapsed()) / 1000.0);
    return failed ? 1 : 0;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    // Colour management as the program has it by default, unless the
    // benchmark asks for the photos' stored pixels (VELLORA_BENCH_COLOR_MANAGE=0).
    vellora::SetColorManage(qEnvironmentVariable("VELLORA_BENCH_COLOR_MANAGE", QStringLiteral("1")) != QLatin1String("0"));
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("corpus"))
        return corpus(args[2], args[3].toInt());
    if ((args.size() == 4 || args.size() == 5) && args[1] == QLatin1String("floor"))
        return floorTime(args[2], args[3].toInt(),
                         args.size() == 5 ? std::max(1, args[4].toInt()) : QThread::idealThreadCount());
    if (args.size() == 3 && args[1] == QLatin1String("thumbfloor"))
        return thumbFloor(args[2]);
    std::fputs("usage: export_tool corpus DIR N | floor DIR DPI [THREADS] | thumbfloor DIR\n", stderr);
    return 2;
}
