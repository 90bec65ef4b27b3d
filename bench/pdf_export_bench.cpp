// Writes a 500-page PDF with one full-page 2 MB JPEG per page, the way the
// export does, and reports the time and the peak memory of the process.
// Fails when the peak resident memory reaches the limit (150 MB), since the
// writer is meant to hold about one page at a time.
//
// Usage: pdf_export_bench [output folder] [pages]
#include "pdf/QvPDF.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QRandomGenerator>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

using namespace vellora;
using namespace vellora::pdf;

namespace {

constexpr double kLimitMB = 150;

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Noise compresses badly, so a modest picture gives a JPEG of about 2 MB.
QByteArray makeJpeg(qsizetype minimumBytes)
{
    int width = 1000;
    for (;;) {
        const int height = width * 3 / 4;
        QImage image(width, height, QImage::Format_RGB888);
        auto *rng = QRandomGenerator::global();
        for (int y = 0; y < height; ++y) {
            uchar *line = image.scanLine(y);
            for (int x = 0; x < width * 3; ++x)
                line[x] = static_cast<uchar>(rng->bounded(256));
        }
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPG", 92);
        if (jpeg.size() >= minimumBytes)
            return jpeg;
        width += 100;
    }
}

// The resident memory now, from /proc/self/statm.
double residentMB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    const double pages = fields.size() > 1 ? fields[1].toDouble() : 0;
    return pages * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    const int pages = argc > 2 ? std::atoi(argv[2]) : 500;
    const QString path = folder + QStringLiteral("/pdf_export_bench.pdf");

    const QByteArray jpeg = makeJpeg(2'000'000);
    const long beforeKiB = peakKiB();

    double writingMB = residentMB();
    QElapsedTimer timer;
    timer.start();
    try {
        TQvPDF doc;
        doc.SetCreator(QStringLiteral("pdf_export_bench"));
        doc.SetDefaultPageWidth(841.89);
        doc.SetDefaultPageHeight(595.28);
        TPDFPage *page = doc.BeginDoc(path);
        for (int i = 0; i < pages; ++i) {
            if (i > 0)
                page = doc.NewPage();
            // A fresh buffer per page, as each exported sheet is compressed anew.
            const QByteArray sheet(jpeg.constData(), jpeg.size());
            page->Canvas()->DrawJPEGImage(TPDFRect{14.17, 14.17, 827.72, 581.11}, sheet, true);
            writingMB = std::max(writingMB, residentMB());
        }
        doc.EndDoc();
        writingMB = std::max(writingMB, residentMB());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "pdf_export_bench: %s\n", e.what());
        QFile::remove(path);
        return 1;
    }
    const qint64 elapsedMs = timer.elapsed();
    const qint64 size = QFileInfo(path).size();
    QFile::remove(path);

    const double peakMB = static_cast<double>(peakKiB()) / 1024.0;
    const double beforeMB = static_cast<double>(beforeKiB) / 1024.0;
    const double seconds = static_cast<double>(elapsedMs) / 1000.0;
    const double sizeMB = static_cast<double>(size) / 1048576.0;
    std::printf("pdf_export_bench: %d pages, JPEG %lld bytes, file %lld bytes\n", pages,
                static_cast<long long>(jpeg.size()), static_cast<long long>(size));
    std::printf("pdf_export_bench: %.2f s (%.1f MB/s), peak memory %.1f MB (%.1f MB before writing, "
                "at most %.1f MB resident between pages)\n",
                seconds, seconds > 0 ? sizeMB / seconds : 0.0, peakMB, beforeMB, writingMB);
    if (peakMB >= kLimitMB) {
        std::fprintf(stderr, "pdf_export_bench: peak memory %.1f MB is over %.0f MB\n", peakMB, kLimitMB);
        return 1;
    }
    return 0;
}
