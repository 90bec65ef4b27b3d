#include "app/CommandLine.h"

#include "graphics/ColorManagement.h"

#include "app/Application.h"
#include "app/ListPrintersCommand.h"
#include "app/InfoCommand.h"
#include "app/ExportCommand.h"
#include "app/ShowDocumentCommand.h"
#include "app/print/PrinterColorPanel.h"
#include "model/PhotoTurn.h"
#include "plugins/PluginSetup.h"
#include "settings/Helpers.h"
#include "settings/IniFile.h"
#include "settings/Version.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

namespace vellora::app {

namespace {

struct OptionSpec {
    const char *name;
    bool takesValue;
    bool isCommand;   // selects the command (its value, if any, stays an option)
};

// Every option the program understands. A command's own options are listed
// here too, so that a typo is reported instead of being taken for a path.
const OptionSpec kOptions[] = {
    {"help", false, true},
    {"version", false, true},
    {"info", false, true},
    {"export", true, true},
    {"print", false, true},
    {"show-document", false, true},
    {"list-printers", false, true},
    {"json", false, false},
    {"output", true, false},
    {"printer", true, false},
    {"document", true, false},
    {"pages", true, false},
    {"checked-only", false, false},
    {"start-area", true, false},
    {"start-number", true, false},
    {"copies", true, false},
    {"collate", false, false},
    {"banding", false, false},
    {"paper", true, false},
    {"landscape", false, false},
    {"grid", true, false},
    {"margins", true, false},
    {"spacing", true, false},
    {"fit", true, false},
    {"dpi", true, false},
    {"pdf-mode", true, false},
    {"printer-option", true, false},
    {"exif-rotate", true, false},
    {"color-manage", true, false},
};

const OptionSpec *findOption(const QString &name)
{
    for (const auto &spec : kOptions) {
        if (name == QLatin1String(spec.name))
            return &spec;
    }
    return nullptr;
}

// True when the arguments, without the toolkit's own options, ask for the
// window (no command, no unknown option).
bool withoutToolkitOptions(const QStringList &args)
{
    static const QStringList withValue = {"platform", "platformpluginpath", "platformtheme", "plugin", "style",
                                          "stylesheet", "session", "display", "geometry", "name", "title",
                                          "qwindowgeometry", "qwindowicon", "qwindowtitle", "font", "fn"};
    static const QStringList flags = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    QStringList rest;
    bool pathsOnly = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (!pathsOnly && a == QLatin1String("--"))
            pathsOnly = true;
        if (!pathsOnly && a.startsWith(QLatin1Char('-'))) {
            const QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1).section(QLatin1Char('='), 0, 0);
            if (flags.contains(name))
                continue;
            if (withValue.contains(name)) {
                if (!a.contains(QLatin1Char('=')))
                    ++i;
                continue;
            }
        }
        rest << a;
    }
    try {
        return parseArguments(rest).command.isEmpty();
    } catch (const UsageError &) {
        return false;
    }
}

int printVersion(const ParsedArgs &)
{
    std::printf("%s %s\n", version::kProductName, version::kProductVersion);
    return 0;
}

int printHelp(const ParsedArgs &)
{
    std::fputs(helpText().toUtf8().constData(), stdout);
    return 0;
}

// The commands of this build. A command not listed here is reported as
// unavailable rather than silently ignored.
const std::map<QString, CommandFn> &commands()
{
    static const std::map<QString, CommandFn> table = {
        {QStringLiteral("help"), printHelp},
        {QStringLiteral("version"), printVersion},
        {QStringLiteral("list-printers"), listPrintersCommand},
        {QStringLiteral("info"), runInfo},
        {QStringLiteral("export"), runExport},
        {QStringLiteral("print"), runExport},
        {QStringLiteral("show-document"), runShowDocument},
    };
    return table;
}

} // namespace

ParsedArgs parseArguments(const QStringList &args)
{
    ParsedArgs parsed;
    bool pathsOnly = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (pathsOnly || !arg.startsWith(QLatin1String("--")) || arg == QLatin1String("-")) {
            parsed.paths << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            pathsOnly = true;
            continue;
        }
        QString name = arg.mid(2);
        QString value;
        bool hasInlineValue = false;
        if (const qsizetype eq = name.indexOf(QLatin1Char('=')); eq >= 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
            hasInlineValue = true;
        }
        const OptionSpec *spec = findOption(name);
        if (!spec)
            throw UsageError{QStringLiteral("unknown option --%1 (see --help)").arg(name)};
        if (spec->takesValue && !hasInlineValue) {
            if (i + 1 >= args.size())
                throw UsageError{QStringLiteral("option --%1 needs a value").arg(name)};
            value = args[++i];
        } else if (!spec->takesValue && hasInlineValue) {
            throw UsageError{QStringLiteral("option --%1 takes no value").arg(name)};
        }
        if (spec->isCommand) {
            if (!parsed.command.isEmpty() && parsed.command != name)
                throw UsageError{QStringLiteral("--%1 and --%2 cannot be combined").arg(parsed.command, name)};
            parsed.command = name;
        }
        parsed.options[name] = value;
        if (name == QLatin1String("printer-option"))
            parsed.printerOptions << value;   // may be given many times
    }
    return parsed;
}

bool ExifRotateSetting()
{
    // Read where the main window keeps it, without making the folder.
    TExtIniFile ini;
    ini.SetAutoUpdate(false);
    ini.SetFileName(GetSpecialFolder(TSpecialFolder::sfAppData) + QStringLiteral("Vellora/Vellora.ini"));
    ini.SetDefaultFolder(TDefaultFolder::dfUser);
    return ini.ReadBool(QStringLiteral("Option"), QStringLiteral("ExifRotate"), true);
}

void ApplyExifRotate(const ParsedArgs &args)
{
    const auto it = args.options.find(QStringLiteral("exif-rotate"));
    if (it == args.options.end()) {
        SetExifRotate(ExifRotateSetting());
        return;
    }
    const QString value = it->second.trimmed().toLower();
    if (value == QLatin1String("on"))
        SetExifRotate(true);
    else if (value == QLatin1String("off"))
        SetExifRotate(false);
    else
        throw UsageError{QStringLiteral("--exif-rotate takes on or off, not \"%1\"").arg(it->second)};
}

bool ColorManageSetting()
{
    TExtIniFile ini;
    ini.SetAutoUpdate(false);
    ini.SetFileName(GetSpecialFolder(TSpecialFolder::sfAppData) + QStringLiteral("Vellora/Vellora.ini"));
    ini.SetDefaultFolder(TDefaultFolder::dfUser);
    // The printers' output profiles come from the same file.
    LoadPrinterColors(ini);
    return ini.ReadBool(QStringLiteral("Option"), QStringLiteral("ColorManage"), true);
}

void ApplyColorManage(const ParsedArgs &args)
{
    // Also reads the printers' output profiles, whatever the switch says.
    const bool setting = ColorManageSetting();
    const auto it = args.options.find(QStringLiteral("color-manage"));
    if (it == args.options.end()) {
        SetColorManage(setting);
        return;
    }
    const QString value = it->second.trimmed().toLower();
    if (value == QLatin1String("on"))
        SetColorManage(true);
    else if (value == QLatin1String("off"))
        SetColorManage(false);
    else
        throw UsageError{QStringLiteral("--color-manage takes on or off, not \"%1\"").arg(it->second)};
}

QString helpText()
{
    return QStringLiteral(
        "Usage:\n"
        "  vellora [PATH...]                     open the main window with these images and document\n"
        "  vellora --info [--json] PATH...       facts a print-list entry takes from each image\n"
        "  vellora --export pdf|jpeg --output PREFIX [options] [PATH...]\n"
        "                                        export the print run to one PDF or to JPEG files\n"
        "  vellora --print [--printer NAME] [options] [PATH...]\n"
        "                                        print the print run on a printer\n"
        "  vellora --show-document FILE          a document's layout and print list as JSON\n"
        "  vellora --list-printers [--json]      printers with their papers and capabilities\n"
        "  vellora --help | --version\n"
        "\n"
        "Print options: --document FILE, --pages A-B, --checked-only, --start-area N,\n"
        "  --start-number N, --copies N, --collate, --banding, --dpi N (exported pages),\n"
        "  --pdf-mode raster|vector (pages as images, the default; or photos embedded as\n"
        "  they are, with real text),\n"
        "  --printer-option NAME=CHOICE (the printer's own options, see --list-printers --json;\n"
        "  duplex, colour mode and resolution also by their IPP names, e.g. sides=two-sided-long-edge,\n"
        "  print-color-mode=monochrome, printer-resolution=1200dpi)\n"
        "Quick layout: --paper NAME|WxH (A3-A6, B4-B6, A3plus, L, 2L, KG, Postcard, 6giri, 4giri,\n"
        "  Letter, Legal, 4x6in, 5x7in, 8x10in, or the Japanese names), --landscape, --grid COLSxROWS, --margins MM,\n"
        "  --spacing MM, --fit photo|paper|large|scale\n"
        "Photos: --exif-rotate on|off turns photos upright by their Exif orientation\n"
        "  (default: the setting ExifRotate of section Option, on when not set);\n"
        "  --color-manage on|off converts photos by their colour profiles to sRGB and tags\n"
        "  the output as sRGB (default: the setting ColorManage of section Option, on)\n"
        "A lone -- ends the options, so that a path may begin with a dash.\n"
        "Exit status: 0 done, 1 failed, 2 bad arguments, 3 finished, but some images\n"
        "  could not be read (each is named on standard error), 130 cancelled.\n");
}

namespace {

QtMessageHandler gQtHandler = nullptr;

// Qt's note that it made up a runtime folder says nothing about the
// command's work (machines without a login session lack the variable).
void withoutRuntimeDirNote(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (gQtHandler)
        gQtHandler(type, context, message);
}

} // namespace

int runMain(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    ParsedArgs parsed;
    try {
        parsed = parseArguments(args);
    } catch (const UsageError &e) {
        // Qt's own options ("-platform xcb", "--style fusion") are no error:
        // the window's start-up takes them out.
        if (!withoutToolkitOptions(args)) {
            std::fprintf(stderr, "vellora: %s\n", e.message.toLocal8Bit().constData());
            return 2;
        }
        return runWindow(argc, argv);
    }
    if (parsed.command.isEmpty())
        return runWindow(argc, argv);
    try {
        ApplyExifRotate(parsed);
        ApplyColorManage(parsed);
    } catch (const UsageError &e) {
        std::fprintf(stderr, "vellora: %s\n", e.message.toLocal8Bit().constData());
        return 2;
    }

    const auto &table = commands();
    const auto it = table.find(parsed.command);
    if (it == table.end()) {
        std::fprintf(stderr, "vellora: --%s is not available in this build\n",
                     parsed.command.toLocal8Bit().constData());
        return 2;
    }
    QCoreApplication::setApplicationName(QLatin1String(version::kProductName));
    gQtHandler = qInstallMessageHandler(withoutRuntimeDirNote);
    try {
        // Commands that read pictures read the formats of the image plug-ins too.
        std::unique_ptr<TSPIs> plugins;
        if (parsed.command == QLatin1String("info") || parsed.command == QLatin1String("export")
            || parsed.command == QLatin1String("print"))
            plugins = LoadStandardPlugins();
        return it->second(parsed);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "vellora: %s\n", e.what());
        return 1;
    }
}

} // namespace vellora::app
