#include "app/ExportCommand.h"

#include "app/ExportRun.h"
#include "app/InfoCommand.h"
#include "model/Document.h"
#include "model/ImageInfo.h"
#include "model/ImageInfos.h"
#include "model/ImageListItems.h"
#include "model/PhotoPaper.h"
#include "model/PrintRun.h"
#include "model/StandardPapers.h"
#include "print/DevicePrint.h"
#include "settings/Errors.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <unistd.h>

namespace vellora::app {

namespace {

// Below this a photo is warned about: its pixels show on paper.
constexpr double kLowResolutionPpi = 150;

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void onInterrupt(int)
{
    gInterrupted = 1;
}

// SIGINT asks the run to stop before its next page; the previous handler is
// back when the run is over.
class InterruptGuard {
public:
    InterruptGuard()
    {
        gInterrupted = 0;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &FOld);
    }
    ~InterruptGuard() { sigaction(SIGINT, &FOld, nullptr); }
    InterruptGuard(const InterruptGuard &) = delete;
    InterruptGuard &operator=(const InterruptGuard &) = delete;

private:
    struct sigaction FOld {};
};

QString option(const ParsedArgs &args, const char *name)
{
    const auto it = args.options.find(QLatin1String(name));
    return it == args.options.end() ? QString() : it->second;
}

bool has(const ParsedArgs &args, const char *name)
{
    return args.options.count(QLatin1String(name)) != 0;
}

[[noreturn]] void usage(const QString &message)
{
    throw UsageError{message};
}

int intOption(const ParsedArgs &args, const char *name, int low, int high)
{
    bool ok = false;
    const int value = option(args, name).toInt(&ok);
    if (!ok || value < low || value > high)
        usage(QStringLiteral("--%1 needs a whole number from %2 to %3, not \"%4\"")
                  .arg(QLatin1String(name)).arg(low).arg(high).arg(option(args, name)));
    return value;
}

double mmOption(const ParsedArgs &args, const char *name)
{
    bool ok = false;
    // Always a dot: command lines must not depend on the user's locale.
    const double value = option(args, name).toDouble(&ok);
    if (!ok || !(value >= 0) || value > 1000)
        usage(QStringLiteral("--%1 needs millimetres from 0 to 1000, not \"%2\"")
                  .arg(QLatin1String(name), option(args, name)));
    return value;
}

// "2x3" (also with an upper-case X or ×): two numbers from 1 to max.
std::pair<double, double> pairOption(const ParsedArgs &args, const char *name, double max, bool whole)
{
    static const QRegularExpression re(QStringLiteral("^\\s*([0-9]+(?:\\.[0-9]+)?)\\s*[xX×]\\s*([0-9]+(?:\\.[0-9]+)?)\\s*$"));
    const QRegularExpressionMatch m = re.match(option(args, name));
    const double a = m.hasMatch() ? m.captured(1).toDouble() : 0;
    const double b = m.hasMatch() ? m.captured(2).toDouble() : 0;
    const bool isWhole = !m.captured(1).contains(QLatin1Char('.')) && !m.captured(2).contains(QLatin1Char('.'));
    if (!m.hasMatch() || a < 1 || b < 1 || a > max || b > max || (whole && !isWhole))
        usage(QStringLiteral("--%1 needs %2, not \"%3\"")
                  .arg(QLatin1String(name),
                       whole ? QStringLiteral("COLSxROWS, each from 1 to %1").arg(max)
                             : QStringLiteral("a paper name or WIDTHxHEIGHT in mm (1 to %1)").arg(max),
                       option(args, name)));
    return {a, b};
}

void applyLayout(const ParsedArgs &args, TPhotoPaper &paper)
{
    if (has(args, "paper")) {
        const QString name = option(args, "paper");
        const TStandardPaper *spec = FindStandardPaper(name);
        paper.StoreOrientation(TQvOrientation::qotPortrait);
        if (spec) {
            paper.SetPaperSize(FloatSize(spec->width, spec->height));
            paper.SetPaperSizeNumber(spec->number);
            paper.SetPaperSizeName(QString::fromUtf16(spec->name));
        } else {
            const auto [w, h] = pairOption(args, "paper", kMaxPaperMM, false);
            if (!PaperSizeAllowed(w, h))
                usage(QStringLiteral("--paper %1: %2").arg(name, PaperSizeLimitMessage()));
            paper.SetPaperSize(FloatSize(w, h));
            paper.SetPaperSizeNumber(kUserPaperSizeNumber);
            paper.SetPaperSizeName(QString());
        }
    }
    if (has(args, "landscape"))
        paper.SetOrientation(TQvOrientation::qotLandscape);
    if (has(args, "grid")) {
        const auto [cols, rows] = pairOption(args, "grid", 99, true);
        paper.SetDivide({static_cast<std::int32_t>(cols), static_cast<std::int32_t>(rows)});
    }
    if (has(args, "margins")) {
        const double m = mmOption(args, "margins");
        paper.SetMargins(FloatRect(m, m, m, m));
    }
    if (has(args, "spacing")) {
        const double s = mmOption(args, "spacing");
        paper.SetSpace(FloatSize(s, s));
    }
    if (has(args, "fit")) {
        const QString fit = option(args, "fit").toLower();
        const std::pair<const char *, TPhotoSize> fits[] = {{"photo", TPhotoSize::psPhoto},
                                                            {"paper", TPhotoSize::psPaper},
                                                            {"large", TPhotoSize::psLarge},
                                                            {"scale", TPhotoSize::psScale}};
        bool found = false;
        for (const auto &[text, value] : fits) {
            if (fit == QLatin1String(text)) {
                paper.SetPhotoSize(value);
                found = true;
            }
        }
        if (!found)
            usage(QStringLiteral("--fit needs photo, paper, large or scale, not \"%1\"").arg(option(args, "fit")));
    }
    const double usableW = static_cast<double>(paper.PaperWidth() - paper.MarginLeft() - paper.MarginRight());
    const double usableH = static_cast<double>(paper.PaperHeight() - paper.MarginTop() - paper.MarginBottom());
    if (usableW <= 0 || usableH <= 0)
        usage(QStringLiteral("the margins leave no room on the paper"));
    paper.PhotoAreas().AdjustAreas();
}

// The printer's own options, set on the printer the run will use (the named
// one, else the current one) and checked as the printer takes them.
void applyPrinterOptions(const QStringList &given, const QString &printerName)
{
    auto *device = dynamic_cast<TDevicePrint *>(&QvPrint());
    if (!device || device->PrinterNames().isEmpty())
        throw Error(QString::fromUtf8(kNoPrinterMessage));
    if (!printerName.isEmpty())
        device->SetPrinterIndex(static_cast<int>(device->PrinterNames().indexOf(printerName)));
    TJwPrinter &jw = device->JwPrinter();
    const QString printer = device->CurrentPrinterName();
    const TDriverOptions options = jw.DriverOptions();
    // By the printer's own keywords, or for duplex, colour mode and
    // resolution also by the other name of the same setting (the IPP name on
    // a PPD queue, the PPD keyword on a queue without one).
    TDriverValues wanted;
    for (const QString &item : given) {
        const qsizetype eq = item.indexOf(QLatin1Char('='));
        if (eq <= 0)
            usage(QStringLiteral("--printer-option needs NAME=CHOICE, not \"%1\"").arg(item));
        const QString keyword = item.left(eq), choice = item.mid(eq + 1);
        const TDriverChoiceMatch match = MatchDriverChoice(options, keyword, choice);
        const TDriverOption *o = options.find(match.keyword);
        if (!o)
            throw Error(QStringLiteral("%1: the printer %2 has no such option (see --list-printers --json)")
                            .arg(keyword, printer));
        if (o->readOnly)
            throw Error(QStringLiteral("%1: installable hardware of the printer %2, set on the queue, not per job")
                            .arg(keyword, printer));
        QStringList choices;
        for (const TDriverChoice &c : o->choices)
            choices << c.choice;
        QString chosen = match.choice;
        if (chosen.isEmpty() && o->kind == TDriverOptionKind::dokPickMany && o->keyword == keyword) {
            const QStringList parts = choice.split(QLatin1Char(','));
            if (std::all_of(parts.begin(), parts.end(), [&](const QString &p) { return choices.contains(p); }))
                chosen = choice;
        }
        if (chosen.isEmpty())
            throw Error(QStringLiteral("%1=%2: not a choice of the printer %3 (%4: %5)")
                            .arg(keyword, choice, printer, o->keyword, choices.join(QStringLiteral(", "))));
        wanted[o->keyword] = chosen;
    }
    // Checked once every option is known, so that their order does not
    // matter: each against the others given and the defaults of the rest.
    TDriverValues values = jw.DriverValues();
    for (const auto &[keyword, choice] : wanted)
        values[keyword] = choice;
    for (const auto &[keyword, choice] : wanted) {
        const auto conflicts = DriverConflicts(options, values, keyword, choice);
        if (!conflicts.empty())
            throw Error(QStringLiteral("%1=%2: the printer %3 cannot do this together with %4=%5")
                            .arg(keyword, choice, printer, conflicts.front().first, conflicts.front().second));
    }
    for (const auto &[keyword, choice] : wanted)
        jw.SetDriverValue(keyword, choice);
    device->ApplySettings();
}

void applyOptions(const ParsedArgs &args, TPhotoPaper &paper)
{
    TPrintOptions &opts = paper.PrintOptions();
    if (has(args, "pages")) {
        static const QRegularExpression re(QStringLiteral("^\\s*([0-9]{1,5})\\s*(?:-\\s*([0-9]{1,5})\\s*)?$"));
        const QRegularExpressionMatch m = re.match(option(args, "pages"));
        const int first = m.captured(1).toInt();
        const int last = m.captured(2).isEmpty() ? first : m.captured(2).toInt();
        if (!m.hasMatch() || first < 1 || last < first || last > 65535)
            usage(QStringLiteral("--pages needs A-B (or one page number) with 1 <= A <= B, not \"%1\"")
                      .arg(option(args, "pages")));
        opts.AllPage = false;
        opts.StartPage = first;
        opts.LastPage = last;
    }
    opts.CheckOnly = has(args, "checked-only");
    opts.Collate = has(args, "collate");
    if (has(args, "copies"))
        opts.Copies = static_cast<std::int8_t>(intOption(args, "copies", 1, 99));
    const int cells = paper.Divide().cx * paper.Divide().cy;
    if (has(args, "start-area"))
        opts.StartArea = intOption(args, "start-area", 1, cells);
    opts.PrintMode = has(args, "banding") ? TPrintMode::pmBanding : TPrintMode::pmNormal;
}

// The print list: entries the caller owns, all checked (a path given on the
// command line is meant to be printed).
void addImages(const QStringList &paths, TImageInfos &infos, TImageListItems &list)
{
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!info.exists())
            throw Error(QStringLiteral("%1: no such file or folder").arg(path));
    }
    for (const QString &file : expandImagePaths(paths)) {
        const QFileInfo info(file);
        if (!info.isFile() || !info.isReadable())
            throw Error(QStringLiteral("%1: not a readable file").arg(file));
        TImageInfo *entry = infos.Add();
        try {
            entry->SetFileName(info.absoluteFilePath(), TImageLogging::iloLink);
        } catch (const std::exception &e) {
            throw Error(QStringLiteral("%1: %2").arg(file, QString::fromUtf8(e.what())));
        }
        entry->SetChecked(true);
        list.Add(entry, true);
    }
}

// Painting text and pictures needs a GUI application; without a display the
// offscreen platform serves.
std::unique_ptr<QGuiApplication> ensureGuiApplication()
{
    if (QGuiApplication::instance())
        return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "vellora";
    static char *argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

class Progress {
public:
    Progress() : FTerminal(isatty(STDERR_FILENO) != 0) {}

    void begin(int slotCount, int cells, int firstPage, int lastPage)
    {
        FPages = (slotCount + cells - 1) / cells;
        FFirst = firstPage;
        FLast = std::min(lastPage, FPages);
    }
    void page(int number)
    {
        if (number < FFirst || number > FLast)
            return;
        if (!FTerminal) {
            std::fprintf(stderr, "page %d of %d\n", number, FPages);
            return;
        }
        const int width = 30;
        const int total = FLast - FFirst + 1;
        const int done = number - FFirst;
        const int filled = total > 0 ? done * width / total : width;
        std::fprintf(stderr, "\r[%s%s] page %d of %d", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                     std::string(static_cast<std::size_t>(width - filled), ' ').c_str(), number, FPages);
        std::fflush(stderr);
        FOpenLine = true;
    }
    void end()
    {
        if (FOpenLine)
            std::fputc('\n', stderr);
        FOpenLine = false;
    }

private:
    bool FTerminal;
    bool FOpenLine = false;
    int FPages = 0, FFirst = 1, FLast = 0;
};

int run(const ParsedArgs &args)
{
    const bool printing = args.command == QLatin1String("print");
    TPrintDest dest = TPrintDest::pdPrinter;
    QString prefix;
    if (!printing) {
        const QString kind = option(args, "export").toLower();
        if (kind == QLatin1String("pdf"))
            dest = TPrintDest::pdPDF;
        else if (kind == QLatin1String("jpeg") || kind == QLatin1String("jpg"))
            dest = TPrintDest::pdJpeg;
        else
            usage(QStringLiteral("--export needs pdf or jpeg, not \"%1\"").arg(option(args, "export")));
        prefix = option(args, "output");
        if (prefix.isEmpty())
            usage(QStringLiteral("--export needs --output PREFIX"));
        if (dest == TPrintDest::pdPDF && prefix.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
            prefix.chop(4);
        const QFileInfo folder(QFileInfo(prefix).absolutePath());
        if (!folder.isDir())
            throw Error(QStringLiteral("%1: the output folder does not exist").arg(folder.filePath()));
        if (!folder.isWritable())
            throw Error(QStringLiteral("%1: the output folder is not writable").arg(folder.filePath()));
    } else if (has(args, "output")) {
        usage(QStringLiteral("--output belongs to --export"));
    }
    for (const char *exportOnly : {"start-number", "dpi", "pdf-mode"}) {
        if (printing && has(args, exportOnly))
            usage(QStringLiteral("--%1 belongs to --export").arg(QLatin1String(exportOnly)));
    }
    for (const char *printOnly : {"printer", "copies", "collate", "printer-option"}) {
        if (!printing && has(args, printOnly))
            usage(QStringLiteral("--%1 belongs to --print").arg(QLatin1String(printOnly)));
    }
    const std::unique_ptr<QGuiApplication> app = ensureGuiApplication();
    SetQvPrint(MakeSystemPrint());
    if (printing && QvPrint().PrinterNames().isEmpty() && !SystemPrintServerReachable())
        throw Error(QString::fromUtf8(kPrintServerDownMessage));

    TPhotoPaper paper;
    TImageInfos infos;
    TImageListItems list;
    if (has(args, "document")) {
        // The document's layout and print list come first; paths given as
        // well are appended, and layout options given override its layout.
        const QString document = option(args, "document");
        try {
            OpenDocumentFile(document, paper, infos);
        } catch (const EDocumentError &e) {
            throw Error(QStringLiteral("%1: %2 (%3)").arg(document, e.message(), e.detail()));
        }
        for (int i = 0; i < infos.Count(); ++i)
            list.Add(infos.Items(i), infos.Items(i)->Checked());
    }
    if (printing && has(args, "printer")) {
        const QString name = option(args, "printer");
        if (!QvPrint().PrinterNames().contains(name))
            throw Error(QStringLiteral("%1: no such printer (see --list-printers)").arg(name));
        paper.SetPrinterName(name);
    }
    if (printing) {
        // A queue that refuses jobs is named with the server's reason.
        if (auto *device = dynamic_cast<TDevicePrint *>(&QvPrint())) {
            const QString name = paper.PrinterName().isEmpty() ? device->CurrentPrinterName() : paper.PrinterName();
            if (const TPrinterEntry *e = device->JwPrinter().Entry(name); e && !e->accepting)
                throw Error(QStringLiteral("%1: the printer does not accept jobs (%2)")
                                .arg(name, e->stateMessage.isEmpty() ? QStringLiteral("rejecting jobs") : e->stateMessage));
        }
    }
    if (printing && !args.printerOptions.isEmpty())
        applyPrinterOptions(args.printerOptions, paper.PrinterName());
    applyLayout(args, paper);
    applyOptions(args, paper);
    const int startNumber = has(args, "start-number") ? intOption(args, "start-number", 0, 999999999) : 1;
    TPrintRunSettings settings;
    if (has(args, "dpi"))
        settings.exportDpi = intOption(args, "dpi", 10, 1200);
    if (has(args, "pdf-mode")) {
        const QString mode = option(args, "pdf-mode").toLower();
        if (mode == QLatin1String("vector"))
            settings.pdfMode = TPdfMode::pmVector;
        else if (mode != QLatin1String("raster"))
            usage(QStringLiteral("--pdf-mode needs raster or vector, not \"%1\"").arg(option(args, "pdf-mode")));
    }

    addImages(args.paths, infos, list);
    if (list.Count() == 0)
        throw Error(QStringLiteral("no images to print: give image files or folders"));
    paper.SetInfos(&list);

    Progress progress;
    const TPrintOptions &opts = paper.PrintOptions();
    paper.SetOnBeginPrint([&](void *, std::int32_t slotCount) {
        progress.begin(slotCount, paper.Divide().cx * paper.Divide().cy, opts.AllPage ? 1 : opts.StartPage,
                       opts.AllPage ? 65535 : opts.LastPage);
    });
    // Photos that could not be read are named once each; the run goes on
    // without them and ends with its own exit status.
    std::set<QString> unreadable;
    std::set<QString> colorWarned;   // photos whose colour profile was refused, named once each
    paper.SetOnPhotoDrawn([&](const TPhotoDrawReport &report) {
        const QString name = report.info ? report.info->FileName() : QString();
        if (!report.problem.isEmpty()) {
            if (!unreadable.insert(name).second)
                return;
            progress.end();
            std::fprintf(stderr, "vellora: %s: %s (%s)\n", name.toLocal8Bit().constData(),
                         report.problem.toLocal8Bit().constData(), report.drawn ? "drawn in part" : "cell left empty");
        }
        if (!report.colorProblem.isEmpty() && colorWarned.insert(name).second) {
            progress.end();
            std::fprintf(stderr, "vellora: %s: %s; drawn as sRGB\n", name.toLocal8Bit().constData(),
                         report.colorProblem.toLocal8Bit().constData());
        }
        if (report.drawn && report.effectivePpi > 0 && report.effectivePpi < kLowResolutionPpi) {
            progress.end();
            std::fprintf(stderr, "vellora: %s: %d ppi in cell %d of page %d; it may print blurred\n",
                         name.toLocal8Bit().constData(), static_cast<int>(std::lround(report.effectivePpi)),
                         report.cell + 1, paper.PrintingInfo().piNowPage);
        }
    });
    bool canceled = false;
    paper.SetOnPrint([&](void *, std::int32_t page, std::int32_t, bool &cancel) {
        if (gInterrupted) {
            cancel = true;
            canceled = true;
            return;
        }
        progress.page(page);
    });

    int produced = 0;
    {
        InterruptGuard guard;
        try {
            produced = RunExport(paper, dest, nullptr, prefix, startNumber, settings);
        } catch (...) {
            progress.end();
            throw;
        }
        progress.end();
    }
    if (produced == 0 && !canceled)
        throw Error(opts.CheckOnly ? QStringLiteral("nothing to print: no image is checked")
                                   : QStringLiteral("nothing to print: no page lies in the page range"));
    QString where;
    switch (dest) {
    case TPrintDest::pdPDF: where = prefix + QStringLiteral(".pdf"); break;
    case TPrintDest::pdJpeg:
        where = QStringLiteral("%1%2.jpg … %1%3.jpg").arg(prefix).arg(startNumber).arg(startNumber + produced - 1);
        break;
    case TPrintDest::pdPrinter: where = QvPrint().CurrentPrinterName(); break;
    }
    if (canceled) {
        if (dest == TPrintDest::pdPrinter || produced == 0)
            std::fprintf(stderr, "vellora: cancelled; nothing was %s\n", printing ? "printed" : "written");
        else
            std::fprintf(stderr, "vellora: cancelled after %d page(s): %s\n", produced, where.toLocal8Bit().constData());
        return 130;
    }
    std::fprintf(stderr, "%d page(s) %s %s\n", produced, printing ? "sent to" : "written:",
                 where.toLocal8Bit().constData());
    if (!unreadable.empty()) {
        std::fprintf(stderr, "vellora: finished, but %zu image(s) could not be read\n", unreadable.size());
        return kExitSomeImagesUnreadable;
    }
    return 0;
}

} // namespace

int runExport(const ParsedArgs &args)
{
    try {
        return run(args);
    } catch (const UsageError &e) {
        std::fprintf(stderr, "vellora: %s\n", e.message.toLocal8Bit().constData());
        return 2;
    }
}

} // namespace vellora::app
