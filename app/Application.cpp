#include "app/Application.h"

#include "app/CommandLine.h"
#include "app/Language.h"
#include "app/MainForm.h"
#include "app/controls/QvTaskDialog.h"
#include "app/layout/LayoutWindows.h"
#include "app/print/PrintWindows.h"
#include "exif/ExifInfo.h"
#include "model/PaperPrinter.h"
#include "print/DevicePrint.h"
#include "settings/Version.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

// The icons are compiled into this static library; nothing refers to them
// by name, so the linker would drop them unless they are registered here.
static void initIconResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)done;
}

namespace vellora::app {

namespace {

bool hasDisplay(int argc, char **argv) {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "-platform" || a == "--platform" || a.startsWith("-platform=") || a.startsWith("--platform="))
            return true;
    }
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

QIcon iconFrom(const QString &base) {
    initIconResources();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1-%2.png").arg(base).arg(size), QSize(size, size));
    return icon;
}

} // namespace

QIcon applicationIcon() { return iconFrom(QStringLiteral("vellora")); }
QIcon documentIcon() { return iconFrom(QStringLiteral("vellora-document")); }

QStringList windowPaths(const QStringList &arguments) {
    ParsedArgs parsed = parseArguments(arguments);
    QStringList paths;
    for (const QString &p : std::as_const(parsed.paths)) {
        if (p.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
            const QUrl url(p);
            if (url.isLocalFile()) {
                paths << url.toLocalFile();
                continue;
            }
        }
        paths << p;
    }
    return paths;
}

int runWindow(int argc, char **argv) {
    if (!hasDisplay(argc, argv)) {
        std::fputs("vellora: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not set);\n"
                   "         the command-line commands work without one, see vellora --help\n",
                   stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(version::kProductName));
    QApplication::setApplicationVersion(QString::fromUtf8(version::kProductVersion));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kApplicationId));
    QApplication::setWindowIcon(applicationIcon());
    // Japanese for a Japanese locale, English otherwise, unless the options
    // say which; a missing translation leaves the window in Japanese.
    const QString language = ResolveLanguage(LanguageSetting(), QLocale::system());
    if (!InstallLanguage(language))
        std::fprintf(stderr, "vellora: no %s translation found, the window stays Japanese\n",
                     language.toLatin1().constData());

    QStringList paths;
    try {
        paths = windowPaths(QApplication::arguments().mid(1));
        ApplyExifRotate(parseArguments(QApplication::arguments().mid(1)));
        ApplyColorManage(parseArguments(QApplication::arguments().mid(1)));
    } catch (const UsageError &e) {
        std::fprintf(stderr, "vellora: %s\n", e.message.toLocal8Bit().constData());
        return 2;
    }

    // Program-wide objects, in their order. The metafile and icon formats
    // are built into the format registry; printers come first.
    std::unique_ptr<TQvPrint> previousPrint = SetQvPrint(MakeSystemPrint());
    ExifInfo();
    PaperPrinter();
    ChooseTaskDialogImplementation();

    int status = 0;
    {
        TfrmMain frmMain(paths);
        InstallLayoutWindows(frmMain);
        InstallPrintWindows(frmMain);
        frmMain.show();
        // The window shows first; the files load from the event loop.
        QTimer::singleShot(0, &frmMain, [&frmMain] {
            try {
                frmMain.LoadStartupFiles();
                // This process's recovery file first: the offer then sees
                // only what ended processes left behind.
                frmMain.EnableRecovery(TfrmMain::DefaultRecoveryFolder());
                frmMain.OfferRecovery();
            } catch (const std::exception &e) {
                std::fprintf(stderr, "vellora: %s\n", e.what());
            }
        });
        status = QApplication::exec();
    }
    // In reverse: the printer abstraction goes last.
    SetQvPrint(std::move(previousPrint));
    return status;
}

} // namespace vellora::app
