#include "pdf/tests/PdfCheck.h"

#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace vellora::pdf::test {

ProcessResult runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    ProcessResult result;
    if (!process.waitForStarted(10000)) {
        ADD_FAILURE() << program.toStdString() << " did not start";
        return result;
    }
    process.waitForFinished(120000);
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

void checkPdf(const QString &path, int pageCount, double widthPt, double heightPt)
{
    SCOPED_TRACE(path.toStdString());
    const ProcessResult qpdf = runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path});
    EXPECT_EQ(qpdf.exitCode, 0) << qpdf.out.toStdString() << qpdf.err.toStdString();
    EXPECT_TRUE(qpdf.err.isEmpty()) << qpdf.err.toStdString();
    EXPECT_FALSE(qpdf.out.contains("WARNING")) << qpdf.out.toStdString();
    EXPECT_TRUE(qpdf.out.contains("No syntax or stream encoding errors found")) << qpdf.out.toStdString();

    const ProcessResult info = runTool(QStringLiteral("pdfinfo"), {path});
    EXPECT_EQ(info.exitCode, 0) << info.err.toStdString();
    EXPECT_TRUE(info.err.isEmpty()) << info.err.toStdString();
    const QString text = QString::fromUtf8(info.out);
    const auto pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(text);
    EXPECT_TRUE(pages.hasMatch()) << text.toStdString();
    EXPECT_EQ(pages.captured(1).toInt(), pageCount);
    const auto size = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts")).match(text);
    EXPECT_TRUE(size.hasMatch()) << text.toStdString();
    EXPECT_NEAR(size.captured(1).toDouble(), widthPt, 0.01);
    EXPECT_NEAR(size.captured(2).toDouble(), heightPt, 0.01);

    const QString dir = vellora::test::scratchDir(QStringLiteral("render"));
    const ProcessResult poppler = runTool(QStringLiteral("pdftoppm"),
                                          {QStringLiteral("-r"), QStringLiteral("10"), path,
                                           dir + QStringLiteral("/poppler")});
    EXPECT_EQ(poppler.exitCode, 0) << poppler.err.toStdString();
    EXPECT_TRUE(poppler.err.isEmpty()) << poppler.err.toStdString();
    EXPECT_EQ(QDir(dir).entryList({QStringLiteral("poppler*.ppm")}).size(), pageCount);

    const ProcessResult mupdf = runTool(QStringLiteral("mutool"),
                                        {QStringLiteral("draw"), QStringLiteral("-q"), QStringLiteral("-r"),
                                         QStringLiteral("10"), QStringLiteral("-o"),
                                         dir + QStringLiteral("/mupdf-%d.png"), path});
    EXPECT_EQ(mupdf.exitCode, 0) << mupdf.err.toStdString();
    // This mupdf build always says that it has no colour management.
    QByteArray mupdfErrors = mupdf.err;
    mupdfErrors.replace("warning: ICC support is not available\n", "");
    EXPECT_TRUE(mupdfErrors.isEmpty()) << mupdf.err.toStdString();
    EXPECT_EQ(QDir(dir).entryList({QStringLiteral("mupdf-*.png")}).size(), pageCount);
    QDir(dir).removeRecursively();
}

QImage renderPage(const QString &path, int page, int dpi)
{
    const QString dir = vellora::test::scratchDir(QStringLiteral("render"));
    const QString prefix = dir + QStringLiteral("/page");
    const ProcessResult r = runTool(QStringLiteral("pdftoppm"),
                                    {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
                                     QString::number(page), QStringLiteral("-l"), QString::number(page),
                                     QStringLiteral("-singlefile"), path, prefix});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    QImage image(prefix + QStringLiteral(".ppm"));
    QDir(dir).removeRecursively();
    return image;
}

} // namespace vellora::pdf::test
