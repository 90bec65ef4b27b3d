// Draws a 2 × 2 A4 page of 12-megapixel JPEG photos at 300 dpi, once with the
// reduced JPEG decode and once decoding every photo whole, and prints the
// times side by side. Usage: page_draw_bench [scratch folder] [rounds]
#include "model/ImageInfo.h"
#include "model/PhotoPaper.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace vellora;

namespace {

// A 4000 × 3000 photo-like picture: gradients and a pattern, so that the
// JPEG data is of a realistic size.
QString makePhoto(const QString &dir, int n)
{
    const QString path = QStringLiteral("%1/photo%2.jpg").arg(dir).arg(n);
    if (QFileInfo::exists(path))
        return path;
    QImage image(4000, 3000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = qRgb((x * 255 / 4000 + n * 60) & 0xFF, (y * 255 / 3000) & 0xFF, ((x ^ y) >> 3) & 0xFF);
    }
    image.save(path, "JPEG", 90);
    return path;
}

double drawPage(TPhotoPaper &paper, bool scaled)
{
    paper.PhotoAreas().SetScaledDecode(scaled);
    const double dpi = 300;
    QImage page(MMToPixel(paper.PaperWidth(), dpi), MMToPixel(paper.PaperHeight(), dpi), QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    QElapsedTimer timer;
    timer.start();
    paper.Draw(painter, dpi, FloatSize(0, 0));
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath() + QStringLiteral("/vellora-bench");
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    QDir().mkpath(dir);

    TPhotoPaper paper;
    paper.SetPaperSize(FloatSize(210, 297));
    paper.SetMargins(FloatRect(5, 5, 5, 5));
    paper.SetSpace(FloatSize(4, 4));
    paper.SetDivide({2, 2});
    paper.PhotoAreas().AdjustAreas();
    paper.SetPhotoSize(TPhotoSize::psPaper);

    std::vector<std::unique_ptr<TImageInfo>> infos;
    for (int i = 0; i < 4; ++i) {
        infos.push_back(std::make_unique<TImageInfo>());
        infos.back()->SetFileName(makePhoto(dir, i), TImageLogging::iloLink);
        infos.back()->SetImageSize({4000, 3000});
        paper.PhotoList().push_back(infos.back().get());
    }

    std::vector<double> scaled, whole;
    for (int r = 0; r < rounds; ++r) {
        scaled.push_back(drawPage(paper, true));
        whole.push_back(drawPage(paper, false));
    }
    std::sort(scaled.begin(), scaled.end());
    std::sort(whole.begin(), whole.end());
    std::printf("2 x 2 page of 4000 x 3000 JPEGs at 300 dpi, median of %d rounds\n", rounds);
    std::printf("  reduced decode: %8.1f ms\n", scaled[scaled.size() / 2]);
    std::printf("  whole decode:   %8.1f ms\n", whole[whole.size() / 2]);
    return 0;
}
