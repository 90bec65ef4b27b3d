// vellora --export / --print, run as the real executable: outputs checked by
// independent readers, argument errors, cancel by SIGINT and a real job
// through the private print server.
#include "model/Document.h"
#include "model/ImageInfos.h"
#include "model/PhotoPaper.h"
#include "print/tests/PrintTestSupport.h"
#include "testsupport/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QPainter>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

using namespace vellora::test;

namespace {

// Five solid-colour photos, the sort order of their names being A..E.
QString photoFolder()
{
    const QString dir = scratchDir(QStringLiteral("export-photos"));
    const QColor colors[] = {QColor(220, 30, 30), QColor(30, 180, 40), QColor(30, 40, 220), QColor(230, 200, 20),
                             QColor(150, 30, 160)};
    for (int i = 0; i < 5; ++i) {
        const QString path = QStringLiteral("%1/%2.jpg").arg(dir).arg(QLatin1Char(static_cast<char>('a' + i)));
        if (!QFile::exists(path)) {
            QImage image(120, 90, QImage::Format_RGB32);
            image.fill(colors[i]);
            image.save(path, "JPEG", 95);
        }
    }
    return dir;
}

QString freshDir(const QString &name)
{
    const QString dir = scratchDir(name);
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    return dir;
}

struct Result {
    int exitCode = -1;
    QString err;
};

// Without a printing system to ask, the program exports as on a machine
// without printers (the document's paper, no margins).
QProcessEnvironment noPrinterEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), QStringLiteral("/nonexistent/vellora-test.sock"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

Result runVellora(const QStringList &args, const QProcessEnvironment &env = noPrinterEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VELLORA_EXE), args);
    Result r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "vellora did not finish: " << args.join(' ').toStdString();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QString pdfInfo(const QString &pdf, const QString &key)
{
    const QString info = runTool(QStringLiteral("pdfinfo"), {pdf});
    const QRegularExpression re(QStringLiteral("^") + key + QStringLiteral(":\\s*(.*)$"),
                                QRegularExpression::MultilineOption);
    return re.match(info).captured(1).trimmed();
}

} // namespace

TEST(ExportCommand, PdfOfAFolderOnAQuickLayout)
{
  // Pages as images, and pages as PDF graphics with the photos' own bytes.
  for (const char *mode : {"raster", "vector"}) {
    SCOPED_TRACE(mode);
    const QString out = freshDir(QStringLiteral("export-pdf-%1").arg(QLatin1String(mode)));
    const Result r = runVellora({"--export", "pdf", "--pdf-mode", mode, "--output", out + "/album", "--paper", "L",
                                 "--landscape", "--grid", "2x2", "--margins", "5", "--spacing", "2", "--dpi", "60",
                                 photoFolder()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString pdf = out + "/album.pdf";
    EXPECT_TRUE(runTool("qpdf", {"--check", pdf}).contains("No syntax or stream encoding errors"));
    EXPECT_EQ(pdfInfo(pdf, "Pages"), "2");
    // L landscape: 127 × 89 mm.
    EXPECT_TRUE(pdfInfo(pdf, "Page size").contains(QRegularExpression("^360(\\.\\d+)? x 252"))) << pdfInfo(pdf, "Page size").toStdString();
    EXPECT_TRUE(r.err.contains("2 page(s) written")) << r.err.toStdString();
    EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList{"album.pdf"});

    // The first page, rendered independently: four photos in reading order.
    runTool("pdftoppm", {"-r", "60", "-png", "-f", "1", "-l", "1", pdf, out + "/p"});
    const QImage page(out + "/p-1.png");
    ASSERT_FALSE(page.isNull());
    const QPoint centres[] = {{page.width() / 4, page.height() / 4}, {page.width() * 3 / 4, page.height() / 4},
                              {page.width() / 4, page.height() * 3 / 4}, {page.width() * 3 / 4, page.height() * 3 / 4}};
    const QRgb expected[] = {qRgb(220, 30, 30), qRgb(30, 180, 40), qRgb(30, 40, 220), qRgb(230, 200, 20)};
    for (int i = 0; i < 4; ++i) {
        const QRgb got = page.pixel(centres[i]);
        EXPECT_NEAR(qRed(got), qRed(expected[i]), 40) << i;
        EXPECT_NEAR(qGreen(got), qGreen(expected[i]), 40) << i;
        EXPECT_NEAR(qBlue(got), qBlue(expected[i]), 40) << i;
    }
  }
}

TEST(ExportCommand, DocumentWithEmbeddedPhotosExportsAfterItsPhotosAreGone)
{
    // A 2 × 1 document holding the first three photos embedded, saved, and the
    // photos deleted: the export must take layout and images from the document,
    // then append the photos given on the command line.
    const QString dir = freshDir(QStringLiteral("export-document"));
    const QString src = photoFolder();
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        ASSERT_TRUE(QFile::copy(src + "/" + name, dir + "/" + name));
    const QString document = dir + "/album.vlpf";
    {
        vellora::TPhotoPaper paper;
        paper.SetDivide({2, 1});
        paper.PhotoAreas().AdjustAreas();
        vellora::TImageInfos infos;
        infos.SetSaveType(vellora::TFileSaveType::fstStream);
        for (const char *name : {"a.jpg", "b.jpg", "c.jpg"}) {
            vellora::TImageInfo *entry = infos.Add();
            entry->SetFileName(dir + "/" + name, vellora::TImageLogging::iloLink);
            entry->SetChecked(true);
        }
        vellora::SaveDocumentFile(document, paper, infos);
    }
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        ASSERT_TRUE(QFile::remove(dir + "/" + name));

    const Result r = runVellora({"--export", "pdf", "--output", dir + "/out", "--dpi", "40", "--document", document,
                                 src + "/e.jpg"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString pdf = dir + "/out.pdf";
    EXPECT_EQ(pdfInfo(pdf, "Pages"), "2");   // a, b | c, e
    runTool("pdftoppm", {"-r", "30", "-png", "-f", "2", "-l", "2", pdf, dir + "/p"});
    const QImage page(dir + "/p-2.png");
    ASSERT_FALSE(page.isNull());
    const QRgb left = page.pixel(page.width() / 4, page.height() / 2);
    const QRgb right = page.pixel(page.width() * 3 / 4, page.height() / 2);
    EXPECT_NEAR(qBlue(left), 220, 40);    // c.jpg, from the document
    EXPECT_NEAR(qRed(right), 150, 40);    // e.jpg, from the command line
    EXPECT_NEAR(qBlue(right), 160, 40);

    const Result bad = runVellora({"--export", "pdf", "--output", dir + "/x", "--document", dir + "/a.jpg"});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("ドキュメントの読み取りに失敗しました。"))) << bad.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir + "/x.pdf"));
}

TEST(ExportCommand, JpegFilesForAPageRangeFromTheStartNumber)
{
    const QString out = freshDir(QStringLiteral("export-jpeg"));
    const QString photos = photoFolder();
    // 5 photos starting at cell 2 of a 1 × 2 grid: three pages; pages 2-3 wanted.
    const Result r = runVellora({"--export", "jpeg", "--output", out + "/pg", "--grid", "1x2", "--start-area", "2",
                              "--pages", "2-3", "--start-number", "5", "--dpi", "40", "--paper", "100x150", photos});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QDir(out).entryList(QDir::Files, QDir::Name), (QStringList{"pg5.jpg", "pg6.jpg"}));
    const QString facts = runTool("/usr/bin/identify", {"-format", "%w %h %x %U\n", out + "/pg5.jpg"});
    EXPECT_EQ(facts.trimmed(), QStringLiteral("157 236 40 PixelsPerInch"));
}

TEST(ExportCommand, BadArgumentsAreRefusedBeforeAnythingIsWritten)
{
    const QString out = freshDir(QStringLiteral("export-bad"));
    const QString photos = photoFolder();
    const QString prefix = out + "/x";
    struct Case {
        QStringList args;
        int exitCode;
        const char *message;
    };
    const Case cases[] = {
        {{"--export", "gif", "--output", prefix, photos}, 2, "--export needs pdf or jpeg"},
        {{"--export", "pdf", photos}, 2, "needs --output"},
        {{"--export", "pdf", "--output", prefix, "--grid", "0x2", photos}, 2, "--grid needs COLSxROWS"},
        {{"--export", "pdf", "--output", prefix, "--grid", "2by2", photos}, 2, "--grid needs"},
        {{"--export", "pdf", "--output", prefix, "--grid", "100x1", photos}, 2, "each from 1 to 99"},
        {{"--export", "pdf", "--output", prefix, "--pages", "3-1", photos}, 2, "--pages needs"},
        {{"--export", "pdf", "--output", prefix, "--fit", "wide", photos}, 2, "--fit needs"},
        {{"--export", "pdf", "--output", prefix, "--margins", "-3", photos}, 2, "--margins needs"},
        {{"--export", "pdf", "--output", prefix, "--margins", "200", "--paper", "L", photos}, 2, "no room"},
        {{"--export", "pdf", "--output", prefix, "--paper", "Z9", photos}, 2, "--paper needs"},
        // The sheet limit the layout dialog and documents share.
        {{"--export", "pdf", "--output", prefix, "--paper", "1500x200", photos}, 2, "(1 to 1200)"},
        {{"--export", "pdf", "--output", prefix, "--grid", "2x2", "--start-area", "5", photos}, 2,
         "--start-area needs a whole number from 1 to 4"},
        {{"--export", "pdf", "--output", prefix, "--copies", "2", photos}, 2, "--copies belongs to --print"},
        {{"--export", "pdf", "--output", prefix, "--pdf-mode", "vectors", photos}, 2, "--pdf-mode needs raster or vector"},
        {{"--print", "--pdf-mode", "vector", photos}, 2, "--pdf-mode belongs to --export"},
        {{"--print", "--output", prefix, photos}, 2, "--output belongs to --export"},
        {{"--export", "pdf", "--output", prefix, "--bogus", photos}, 2, "unknown option --bogus"},
        {{"--export", "pdf", "--output", prefix, photos + "/missing.jpg"}, 1, "missing.jpg: no such file"},
        {{"--export", "pdf", "--output", prefix}, 1, "no images to print"},
        {{"--export", "pdf", "--output", out + "/no/such/dir/x", photos}, 1, "the output folder does not exist"},
        {{"--export", "pdf", "--output", prefix, "--pages", "9-9", photos}, 1, "no page lies in the page range"},
    };
    for (const Case &c : cases) {
        const Result r = runVellora(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(c.message))) << c.args.join(' ').toStdString() << "\n"
                                                              << r.err.toStdString();
    }
    EXPECT_TRUE(QDir(out).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

TEST(ExportCommand, UnwritableOutputFolderIsReported)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write into any folder";
    const QString out = freshDir(QStringLiteral("export-readonly"));
    QFile::setPermissions(out, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const Result r = runVellora({"--export", "pdf", "--output", out + "/x", photoFolder()});
    QFile::setPermissions(out, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("not writable")) << r.err.toStdString();
}

TEST(ExportCommand, InterruptLeavesAPdfOfThePagesProduced)
{
    const QString out = freshDir(QStringLiteral("export-sigint"));
    QStringList args{"--export", "pdf", "--output", out + "/long", "--grid", "1x1", "--dpi", "40"};
    for (int i = 0; i < 40; ++i)
        args << photoFolder();   // 200 pages, far more than are drawn before the signal lands
    QProcess p;
    p.setProcessEnvironment(noPrinterEnvironment());
    p.start(QStringLiteral(VELLORA_EXE), args);
    ASSERT_TRUE(p.waitForStarted());
    p.setReadChannel(QProcess::StandardError);
    QByteArray err;
    while (!err.contains("page 3 of") && p.state() == QProcess::Running) {
        if (p.waitForReadyRead(60000))
            err += p.readAllStandardError();
        else
            break;
    }
    ASSERT_TRUE(err.contains("page 3 of")) << err.toStdString();
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(120000));
    err += p.readAllStandardError();
    EXPECT_EQ(p.exitCode(), 130) << err.toStdString();
    const QRegularExpressionMatch m = QRegularExpression("cancelled after (\\d+) page").match(QString::fromLocal8Bit(err));
    ASSERT_TRUE(m.hasMatch()) << err.toStdString();
    const int produced = m.captured(1).toInt();
    EXPECT_GE(produced, 2);
    EXPECT_LT(produced, 200);
    const QString pdf = out + "/long.pdf";
    EXPECT_TRUE(runTool("qpdf", {"--check", pdf}).contains("No syntax or stream encoding errors"));
    EXPECT_EQ(pdfInfo(pdf, "Pages").toInt(), produced);
}


TEST(ExportCommand, PrintsARealJobThroughThePrintServer)
{
    VELLORA_REQUIRE_CUPS();
    TestQueue queue(QStringLiteral("VelloraExport"));
    ASSERT_TRUE(queue.ok());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), privateCupsServer());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const Result r = runVellora({"--print", "--printer", queue.name(), "--paper", "A4", "--grid", "2x2", "--pages", "2",
                              "--start-area", "2", photoFolder()},
                             env);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_TRUE(queue.waitIdle());
    ASSERT_TRUE(QFile::exists(queue.output()));
    // Five photos from cell 2: two pages, of which only the second is printed.
    EXPECT_EQ(pdfInfo(queue.output(), "Pages"), "1");
    EXPECT_TRUE(pdfInfo(queue.output(), "Page size").startsWith("595")) << pdfInfo(queue.output(), "Page size").toStdString();
}

TEST(ExportCommand, PrinterOptionsAreListedAndSentWithTheJob)
{
    VELLORA_REQUIRE_CUPS();
    TestQueue queue(QStringLiteral("VelloraCliOptions"));
    ASSERT_TRUE(queue.ok());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), privateCupsServer());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    QProcess list;
    list.setProcessEnvironment(env);
    list.start(QStringLiteral(VELLORA_EXE), {QStringLiteral("--list-printers"), QStringLiteral("--json")});
    ASSERT_TRUE(list.waitForFinished(60000));
    const QJsonObject root = QJsonDocument::fromJson(list.readAllStandardOutput()).object();
    QJsonObject ret, duplexer;
    for (const auto &p : root[QStringLiteral("printers")].toArray()) {
        for (const auto &o : p.toObject()[QStringLiteral("options")].toArray()) {
            if (p.toObject()[QStringLiteral("name")] == queue.name() && o.toObject()[QStringLiteral("name")] == "ret")
                ret = o.toObject();
            if (p.toObject()[QStringLiteral("name")] == "VelloraPS" && o.toObject()[QStringLiteral("name")] == "Option1")
                duplexer = o.toObject();
        }
    }
    EXPECT_EQ(ret[QStringLiteral("default")].toString(), "notset");
    EXPECT_EQ(ret[QStringLiteral("choices")].toArray().size(), 5);
    EXPECT_TRUE(duplexer[QStringLiteral("read_only")].toBool());
    EXPECT_EQ(duplexer[QStringLiteral("kind")].toString(), "boolean");

    struct Case {
        QStringList option;
        int exitCode;
        const char *message;
    } const refused[] = {
        {{"--printer-option", "nosuch=1"}, 1, "no such option"},
        {{"--printer-option", "ret=shiny"}, 1, "not a choice"},
        {{"--printer-option", "ret"}, 2, "NAME=CHOICE"},
    };
    const QStringList base{"--print", "--printer", queue.name(), "--grid", "2x2", photoFolder()};
    for (const Case &c : refused) {
        const Result r = runVellora(c.option + base, env);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(c.message))) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(queue.output()));

    const Result r = runVellora(QStringList{"--printer-option", "ret=dark", "--printer-option", "lowsupplies=stop"} + base, env);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_TRUE(queue.waitIdle());
    EXPECT_EQ(jobAttribute(0, "ret", queue.name()), "dark");
    EXPECT_EQ(jobAttribute(0, "lowsupplies", queue.name()), "stop");
}

TEST(ExportCommand, TwoSidedGreyAtTheBestResolutionByEitherNameInEitherOrder)
{
    VELLORA_REQUIRE_CUPS();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), privateCupsServer());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    QProcess list;
    list.setProcessEnvironment(env);
    list.start(QStringLiteral(VELLORA_EXE), {QStringLiteral("--list-printers"), QStringLiteral("--json")});
    ASSERT_TRUE(list.waitForFinished(60000));
    QMap<QString, QJsonObject> printers;
    for (const auto &p : QJsonDocument::fromJson(list.readAllStandardOutput()).object()[QStringLiteral("printers")].toArray())
        printers[p.toObject()[QStringLiteral("name")].toString()] = p.toObject();
    QStringList options;
    for (const auto &o : printers[QStringLiteral("VelloraColor")][QStringLiteral("options")].toArray())
        options << o.toObject()[QStringLiteral("name")].toString();
    for (const char *keyword : {"Duplex", "Resolution", "ColorModel"})
        EXPECT_TRUE(options.contains(QLatin1String(keyword))) << keyword;
    // The cups-pdf queue's own default, A4; a refusing queue listed with its state.
    EXPECT_EQ(printers[QStringLiteral("VelloraCupsPdf")][QStringLiteral("paper_number")].toInt(), 9);
    ASSERT_TRUE(printers.contains(QStringLiteral("VelloraClosed")));
    EXPECT_FALSE(printers[QStringLiteral("VelloraClosed")][QStringLiteral("accepting_jobs")].toBool(true));

    const QStringList base{"--print", "--printer", "VelloraColor", "--grid", "1x1", "--pages", "1", photoFolder()};
    const QStringList orders[] = {
        {"--printer-option", "sides=two-sided-long-edge", "--printer-option", "print-color-mode=monochrome",
         "--printer-option", "printer-resolution=1200dpi"},
        {"--printer-option", "Resolution=1200dpi", "--printer-option", "ColorModel=Gray", "--printer-option",
         "Duplex=DuplexNoTumble"},
    };
    for (const QStringList &given : orders) {
        const Result r = runVellora(given + base, env);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const std::pair<const char *, const char *> expected[] = {{"Duplex", "DuplexNoTumble"},
                                                                  {"sides", "two-sided-long-edge"},
                                                                  {"ColorModel", "Gray"},
                                                                  {"print-color-mode", "monochrome"},
                                                                  {"printer-resolution", "1200dpi"}};
        for (const auto &[name, value] : expected)
            EXPECT_EQ(jobAttribute(0, name, QStringLiteral("VelloraColor")), QLatin1String(value)) << name;
    }
    // Without the duplexer: refused with the reason, whichever name is used.
    const Result bare = runVellora({"--printer-option", "sides=two-sided-long-edge", "--print", "--printer",
                                    "VelloraNoDuplex", "--grid", "1x1", photoFolder()},
                                   env);
    EXPECT_EQ(bare.exitCode, 1);
    EXPECT_TRUE(bare.err.contains("OptionDuplex=False")) << bare.err.toStdString();
    // A queue that refuses jobs says so, with the server's reason.
    const Result closed = runVellora({"--print", "--printer", "VelloraClosed", "--grid", "1x1", photoFolder()}, env);
    EXPECT_EQ(closed.exitCode, 1);
    EXPECT_TRUE(closed.err.contains("does not accept jobs")) << closed.err.toStdString();
}

TEST(ExportCommand, TheConflictCheckDoesNotDependOnTheOrderOfTheOptions)
{
    VELLORA_REQUIRE_CUPS();
    // Glossy paper needs the photo feed; the main tray is the default.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), privateCupsServer());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QStringList base{"--print", "--printer", "VelloraPhoto", "--grid", "1x1", "--pages", "1", photoFolder()};
    const QStringList glossy{"--printer-option", "VelloraPaper=Glossy"};
    const QStringList photoFeed{"--printer-option", "VelloraFeed=Photo"};
    const QStringList mainFeed{"--printer-option", "VelloraFeed=Main"};
    for (const QStringList &given : {glossy + photoFeed, photoFeed + glossy}) {
        const Result r = runVellora(given + base, env);
        EXPECT_EQ(r.exitCode, 0) << given.join(' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_EQ(jobAttribute(0, "VelloraPaper", QStringLiteral("VelloraPhoto")), "Glossy");
        EXPECT_EQ(jobAttribute(0, "VelloraFeed", QStringLiteral("VelloraPhoto")), "Photo");
    }
    for (const QStringList &given : {glossy, glossy + mainFeed, mainFeed + glossy}) {
        const Result r = runVellora(given + base, env);
        EXPECT_EQ(r.exitCode, 1) << given.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("cannot do this together")) << r.err.toStdString();
    }
}

TEST(ExportCommand, PrintingWithoutAPrintServerSaysSo)
{
    // No server behind the socket: not "no printer installed".
    const QProcessEnvironment env = noPrinterEnvironment();
    const Result print = runVellora({"--print", photoFolder()}, env);
    EXPECT_EQ(print.exitCode, 1);
    EXPECT_TRUE(print.err.contains("Cannot connect to the print server")) << print.err.toStdString();
    const Result list = runVellora({"--list-printers"}, env);
    EXPECT_EQ(list.exitCode, 1);
    EXPECT_TRUE(list.err.contains("Cannot connect to the print server")) << list.err.toStdString();
}

TEST(ExportCommand, AQueueWithoutAPpdListsReadableOptionsAndSendsThem)
{
    VELLORA_REQUIRE_CUPS();
    TestQueue queue(QStringLiteral("VelloraCliNoPpd"), false);
    ASSERT_TRUE(queue.ok());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), privateCupsServer());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // A Japanese user: CUPS has no Japanese text for these keywords, so its
    // English ones are shown rather than the keywords.
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("ja_JP.UTF-8"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("ja_JP.UTF-8"));

    QProcess list;
    list.setProcessEnvironment(env);
    list.start(QStringLiteral(VELLORA_EXE), {QStringLiteral("--list-printers"), QStringLiteral("--json")});
    ASSERT_TRUE(list.waitForFinished(60000));
    QJsonObject scaling, delivery;
    for (const auto &p : QJsonDocument::fromJson(list.readAllStandardOutput()).object()[QStringLiteral("printers")].toArray()) {
        if (p.toObject()[QStringLiteral("name")] != queue.name())
            continue;
        for (const auto &o : p.toObject()[QStringLiteral("options")].toArray()) {
            if (o.toObject()[QStringLiteral("name")] == "print-scaling")
                scaling = o.toObject();
            if (o.toObject()[QStringLiteral("name")] == "page-delivery")
                delivery = o.toObject();
        }
    }
    EXPECT_EQ(scaling[QStringLiteral("text")].toString(), "Print Scaling");
    QStringList texts;
    for (const auto &c : scaling[QStringLiteral("choices")].toArray())
        texts << c.toObject()[QStringLiteral("choice")].toString() + QLatin1Char('=') + c.toObject()[QStringLiteral("text")].toString();
    EXPECT_TRUE(texts.contains(QStringLiteral("fit=Fit")) && texts.contains(QStringLiteral("none=None")))
        << texts.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(delivery[QStringLiteral("text")].toString(), "Page Delivery");
    EXPECT_EQ(delivery[QStringLiteral("default")].toString(), "");

    const Result r = runVellora({"--print", "--printer", queue.name(), "--printer-option", "print-scaling=fit",
                                 "--grid", "2x2", photoFolder()},
                                env);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_TRUE(queue.waitIdle());
    EXPECT_EQ(jobAttribute(0, "print-scaling", queue.name()), "fit");
    EXPECT_EQ(jobAttribute(0, "page-delivery", queue.name()), "") << "not chosen, not sent";
}

namespace {

// A photo whose compressed data is large enough to be cut in its scan data.
QByteArray noisyJpeg()
{
    QImage image(400, 300, QImage::Format_RGB32);
    std::uint32_t seed = 12345;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            image.setPixel(x, y, 0xFF000000u | (seed >> 8));
        }
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return data;
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(data), data.size());
}

} // namespace

TEST(ExportCommand, UnreadableImagesAreNamedAndTheRunGoesOnWithExitStatus3)
{
    const QString dir = freshDir(QStringLiteral("export-unreadable"));
    const QString good = photoFolder() + "/a.jpg";
    const QByteArray jpeg = noisyJpeg();
    ASSERT_GT(jpeg.size(), 20000);
    QByteArray random(5000, '\0');
    std::uint32_t seed = 99;
    for (char &c : random) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 24);
    }
    random[0] = 'x';

    // A document linking a photo that has gone since.
    const QString gone = dir + "/gone.jpg";
    writeFile(gone, jpeg);
    const QString document = dir + "/linked.vlpf";
    {
        vellora::TPhotoPaper paper;
        vellora::TImageInfos infos;
        infos.SetSaveType(vellora::TFileSaveType::fstLink);
        for (const QString &path : {good, gone}) {
            vellora::TImageInfo *entry = infos.Add();
            entry->SetFileName(path, vellora::TImageLogging::iloLink);
            entry->SetChecked(true);
        }
        vellora::SaveDocumentFile(document, paper, infos);
    }
    ASSERT_TRUE(QFile::remove(gone));

    struct Case {
        const char *name;
        QByteArray data;
        const char *reason;
        const char *outcome;
    };
    const Case cases[] = {
        {"zero.jpg", QByteArray(), "empty file", "cell left empty"},
        {"random.jpg", random, "not a JPEG file", "cell left empty"},
        {"cut-2.jpg", jpeg.left(2), "damaged JPEG header", "cell left empty"},
        {"cut-300.jpg", jpeg.left(300), "damaged JPEG header", "cell left empty"},
        {"cut-half.jpg", jpeg.left(jpeg.size() / 2), "Premature end of JPEG file", "drawn in part"},
        {"cut-end.jpg", jpeg.left(jpeg.size() - 2), "Premature end of JPEG file", "drawn in part"},
        {"gone.jpg", QByteArray(), "No such file", "cell left empty"},
    };
    // Qt's note about a missing runtime folder is no message of ours.
    QProcessEnvironment env = noPrinterEnvironment();
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString bad = dir + "/" + c.name;
        const bool missing = QLatin1String(c.name) == QLatin1String("gone.jpg");
        if (!missing)
            writeFile(bad, c.data);
        const QString out = dir + "/out-" + c.name;
        const QStringList args = missing ? QStringList{"--export", "pdf", "--output", out, "--dpi", "30", "--document",
                                                       document}
                                         : QStringList{"--export", "pdf", "--output", out, "--dpi", "30", good, bad};
        const Result r = runVellora(args, env);
        EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("vellora: %1: ").arg(bad) + QLatin1String(c.reason)))
            << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("(%1)").arg(QLatin1String(c.outcome)))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("finished, but 1 image(s) could not be read")) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains("XDG_RUNTIME_DIR")) << r.err.toStdString();
        EXPECT_TRUE(runTool("qpdf", {"--check", out + ".pdf"}).contains("No syntax or stream encoding errors"));
        EXPECT_EQ(pdfInfo(out + ".pdf", "Pages"), "2");
    }
}

TEST(ExportCommand, ALandscapePhotoInAPortraitCellIsTurnedAndALowResolutionIsWarned)
{
    const QString dir = freshDir(QStringLiteral("export-turned"));
    QImage photo(300, 200, QImage::Format_RGB32);
    photo.fill(QColor(0, 0, 255));
    QPainter(&photo).fillRect(0, 0, 150, 200, QColor(255, 0, 0));
    ASSERT_TRUE(photo.save(dir + "/wide.jpg", "JPEG", 95));

    const Result r = runVellora({"--export", "pdf", "--output", dir + "/out", "--paper", "100x150", "--margins", "0",
                                 "--dpi", "50", dir + "/wide.jpg"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    // 200 source pixels across 100 mm once turned.
    EXPECT_TRUE(r.err.contains(QStringLiteral("vellora: %1/wide.jpg: 51 ppi in cell 1 of page 1; it may print blurred")
                                   .arg(dir)))
        << r.err.toStdString();
    runTool("pdftoppm", {"-r", "50", "-png", dir + "/out.pdf", dir + "/p"});
    const QImage page(dir + "/p-1.png");
    ASSERT_FALSE(page.isNull());
    // Turned clockwise the red left half is on top; unturned, the top would be white.
    const QRgb top = page.pixel(page.width() / 2, page.height() / 4);
    const QRgb bottom = page.pixel(page.width() / 2, page.height() * 3 / 4);
    EXPECT_TRUE(qRed(top) > 200 && qBlue(top) < 60) << std::hex << top;
    EXPECT_TRUE(qBlue(bottom) > 200 && qRed(bottom) < 60) << std::hex << bottom;
}

TEST(ExportCommand, GarbledEmbeddedImagesAreNamedAndTheRunGoesOn)
{
    // A document holding three photos embedded; the middle record's image is
    // then garbled on disk. (A record whose length no longer fits makes the
    // whole document unreadable, which the document tests cover.)
    const QString dir = freshDir(QStringLiteral("export-garbled-record"));
    const QString src = photoFolder();
    const QString document = dir + "/album.vlpf";
    {
        vellora::TPhotoPaper paper;
        vellora::TImageInfos infos;
        infos.SetSaveType(vellora::TFileSaveType::fstStream);
        for (const char *name : {"a.jpg", "b.jpg", "c.jpg"}) {
            vellora::TImageInfo *entry = infos.Add();
            entry->SetFileName(src + "/" + name, vellora::TImageLogging::iloLink);
            entry->SetChecked(true);
        }
        vellora::SaveDocumentFile(document, paper, infos);
    }
    const QByteArray good = readFile(document);
    const QByteArray photo = readFile(src + "/b.jpg");
    const qsizetype data = good.indexOf(photo);
    ASSERT_GT(data, 5);

    struct Case {
        const char *name;
        qsizetype from, to;   // bytes of the image overwritten
        const char *reason;
    } cases[] = {
        {"all of it", 0, photo.size(), "not a JPEG file"},
        {"its header", 2, 200, "damaged JPEG header"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray damaged = good;
        for (qsizetype i = data + c.from; i < data + c.to; ++i)
            damaged[i] = static_cast<char>(i * 37 + 1);
        writeFile(dir + "/damaged.vlpf", damaged);
        const QString out = dir + "/out";
        QFile::remove(out + ".pdf");
        const Result r =
            runVellora({"--export", "pdf", "--output", out, "--dpi", "30", "--document", dir + "/damaged.vlpf"});
        EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("vellora: %1/b.jpg: %2").arg(src, QLatin1String(c.reason))))
            << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("(cell left empty)")) << r.err.toStdString();
        EXPECT_EQ(pdfInfo(out + ".pdf", "Pages"), "3");
    }
}
