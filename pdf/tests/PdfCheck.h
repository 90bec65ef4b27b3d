// Runs the independent PDF readers on a written file: qpdf --check (no
// warnings), pdfinfo (page count and size), pdftoppm and mutool draw (the
// pages render). Reports failures through GoogleTest.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

namespace vellora::pdf::test {

struct ProcessResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ProcessResult runTool(const QString &program, const QStringList &arguments);

// Every reader accepts the file, pdfinfo reports pageCount pages of the given
// size in points (compared to 0.01). Adds GoogleTest failures otherwise.
void checkPdf(const QString &path, int pageCount, double widthPt, double heightPt);

// Renders one page (1-based) with pdftoppm at the given resolution.
QImage renderPage(const QString &path, int page, int dpi);

} // namespace vellora::pdf::test
