// Writes a 100-page text PDF, each page 40 lines of Japanese and Latin text
// in four fonts (a standard Latin and Japanese type, an embedded custom
// Japanese face, an embedded Latin face), and reports the time, the file
// size and the peak memory; then the same pages without embedding, side by side.
//
// Usage: pdf_font_bench [output folder] [pages]
#include "pdf/QvPDF.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>
#include <sys/resource.h>

using namespace vellora::pdf;

namespace {

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A line of kanji and kana that changes from page to page, so the subsets grow.
QString japaneseLine(int page, int line)
{
    QString text = QStringLiteral("写真の印刷 %1-%2 ").arg(page).arg(line);
    for (int i = 0; i < 24; ++i)
        text += QChar(char16_t(0x4E00 + (page * 131 + line * 29 + i * 7) % 0x2000));
    return text + QStringLiteral(" ｶﾅ");
}

void writeDocument(const QString &path, int pages, bool bury)
{
    TQvPDF doc;
    doc.SetBuryFonts(bury);
    TPDFPage *page = doc.BeginDoc(path);
    for (int p = 0; p < pages; ++p) {
        if (p > 0)
            page = doc.NewPage();
        TPDFContent &c = *page->Canvas();
        c.Font().SetSize(9);
        for (int line = 0; line < 40; ++line) {
            const double y = 800 - 19 * line;
            switch (line % 4) {
            case 0: c.Font().SetName(TPDFFontType::pfoArial); break;
            case 1: c.Font().SetName(TPDFFontType::pfoMS_Gothic); break;
            case 2: c.Font().SetCustomName(QStringLiteral("IPAMincho")); break;
            case 3: c.Font().SetCustomName(QStringLiteral("DejaVu Sans")); break;
            }
            if (line % 4 == 0 || line % 4 == 3)
                c.TextOut(30, y, QStringLiteral("Café photographs, page %1 line %2: The quick brown fox.").arg(p).arg(line));
            else
                c.TextOut(30, y, japaneseLine(p, line));
        }
    }
    doc.EndDoc();
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    const int pages = argc > 2 ? std::atoi(argv[2]) : 100;
    QDir().mkpath(folder);
    for (const bool bury : {true, false}) {
        const QString path = folder + (bury ? QStringLiteral("/pdf_font_bench_embedded.pdf")
                                            : QStringLiteral("/pdf_font_bench_plain.pdf"));
        QElapsedTimer timer;
        timer.start();
        writeDocument(path, pages, bury);
        const double seconds = double(timer.elapsed()) / 1000.0;
        std::printf("%-9s %d pages: %.2f s, %.1f KB, peak resident %.1f MB\n", bury ? "embedded" : "plain", pages,
                    seconds, double(QFileInfo(path).size()) / 1024.0, double(peakKiB()) / 1024.0);
    }
    return 0;
}
