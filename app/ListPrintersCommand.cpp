#include "app/ListPrintersCommand.h"

#include "print/CupsService.h"
#include "print/DevicePrint.h"
#include "print/JwPrinter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace vellora::app {

namespace {

const char *const kCapNames[] = {
    "orientation", "paper-size", "paper-length", "paper-width", "scale", "copies",
    "bin", "print-quality", "color", "duplex", "y-resolution", "truetype-option",
    "collate", "form-name", "log-pixels", "media-type", "dither-type",
};

// The printer's own options: what --printer-option NAME=CHOICE accepts.
QJsonArray describeOptions(const TDriverOptions &options)
{
    static const char *const kKinds[] = {"pick-one", "pick-many", "boolean"};
    QJsonArray list;
    for (const TDriverOption &o : options.options) {
        QJsonArray choices;
        for (const TDriverChoice &c : o.choices)
            choices.append(QJsonObject{{QStringLiteral("choice"), c.choice}, {QStringLiteral("text"), c.text}});
        QJsonArray conflicts;
        for (const TDriverConstraint &c : options.constraints) {
            if (c.keyword1 == o.keyword)
                conflicts.append(QJsonObject{{QStringLiteral("choice"), c.choice1},
                                             {QStringLiteral("option"), c.keyword2},
                                             {QStringLiteral("option_choice"), c.choice2}});
        }
        QJsonObject item{{QStringLiteral("name"), o.keyword},
                         {QStringLiteral("text"), o.text},
                         {QStringLiteral("group"), o.group},
                         {QStringLiteral("kind"), QLatin1String(kKinds[static_cast<int>(o.kind)])},
                         {QStringLiteral("default"), o.defaultChoice},
                         {QStringLiteral("read_only"), o.readOnly},
                         {QStringLiteral("choices"), choices}};
        if (!conflicts.isEmpty())
            item[QStringLiteral("conflicts")] = conflicts;
        list.append(item);
    }
    return list;
}

QJsonObject describe(TJwPrinter &jw, const QString &name)
{
    QJsonObject printer;
    printer[QStringLiteral("name")] = name;
    printer[QStringLiteral("port")] = jw.Port();
    if (const TPrinterEntry *e = jw.Entry(name)) {
        printer[QStringLiteral("location")] = e->location;
        printer[QStringLiteral("accepting_jobs")] = e->accepting;
        printer[QStringLiteral("state_message")] = e->stateMessage;
    }
    const TJwPrintCaps caps = jw.PrintCaps();
    QJsonArray capNames;
    for (int i = 0; i < static_cast<int>(std::size(kCapNames)); ++i) {
        if (caps.contains(static_cast<TJwPrintCap>(i)))
            capNames.append(QLatin1String(kCapNames[i]));
    }
    printer[QStringLiteral("capabilities")] = capNames;
    const TJwAvailInfos avail = jw.AvailInfos();
    QJsonArray papers;
    if (caps.contains(TJwPrintCap::jwPcPaperSize) && avail.contains(TJwAvailInfo::jwAvPaperSize)) {
        for (const TPaperEntry &p : jw.Papers()) {
            QJsonObject o;
            o[QStringLiteral("name")] = p.name;
            o[QStringLiteral("number")] = p.number;
            o[QStringLiteral("media")] = p.media;
            o[QStringLiteral("width_mm")] = p.widthTenthMM / 10.0;
            o[QStringLiteral("height_mm")] = p.lengthTenthMM / 10.0;
            o[QStringLiteral("margins_mm")] = QJsonArray{p.left / 100.0, p.top / 100.0, p.right / 100.0, p.bottom / 100.0};
            papers.append(o);
        }
        printer[QStringLiteral("paper_number")] = jw.PaperSizeNumber();
    }
    printer[QStringLiteral("papers")] = papers;
    QJsonArray bins;
    if (caps.contains(TJwPrintCap::jwPcDefaultSource) && avail.contains(TJwAvailInfo::jwAvBin)) {
        const QStringList names = jw.BinNames();
        for (int i = 0; i < names.size(); ++i)
            bins.append(QJsonObject{{QStringLiteral("name"), names[i]}});
    }
    printer[QStringLiteral("trays")] = bins;
    QJsonArray resolutions;
    if (caps.contains(TJwPrintCap::jwPcPrintQuality) && avail.contains(TJwAvailInfo::jwAvQuality)) {
        for (const TResolution &r : jw.Resolutions())
            resolutions.append(QJsonArray{r.x, r.y});
    }
    printer[QStringLiteral("resolutions")] = resolutions;
    if (caps.contains(TJwPrintCap::jwPcCopies) && avail.contains(TJwAvailInfo::jwAvMaxCopies))
        printer[QStringLiteral("max_copies")] = jw.MaxCopies();
    printer[QStringLiteral("options")] = describeOptions(jw.DriverOptions());
    return printer;
}

void printText(const QJsonArray &printers, const QString &defaultName)
{
    QString out;
    for (const auto &value : printers) {
        const QJsonObject p = value.toObject();
        const QString name = p[QStringLiteral("name")].toString();
        out += name + (name == defaultName ? QStringLiteral(" (default)\n") : QStringLiteral("\n"));
        out += QStringLiteral("  port: ") + p[QStringLiteral("port")].toString() + QLatin1Char('\n');
        if (!p[QStringLiteral("location")].toString().isEmpty())
            out += QStringLiteral("  location: ") + p[QStringLiteral("location")].toString() + QLatin1Char('\n');
        if (!p[QStringLiteral("accepting_jobs")].toBool(true)) {
            const QString message = p[QStringLiteral("state_message")].toString();
            out += QStringLiteral("  state: not accepting jobs") + (message.isEmpty() ? QString() : QStringLiteral(" (") + message + QLatin1Char(')'))
                   + QLatin1Char('\n');
        }
        QStringList caps;
        for (const auto &c : p[QStringLiteral("capabilities")].toArray())
            caps << c.toString();
        out += QStringLiteral("  capabilities: ") + caps.join(QStringLiteral(", ")) + QLatin1Char('\n');
        if (p.contains(QStringLiteral("max_copies")))
            out += QStringLiteral("  maximum copies: %1\n").arg(p[QStringLiteral("max_copies")].toInt());
        QStringList res;
        for (const auto &r : p[QStringLiteral("resolutions")].toArray())
            res << QStringLiteral("%1x%2").arg(r.toArray()[0].toInt()).arg(r.toArray()[1].toInt());
        out += QStringLiteral("  resolutions (dpi): ") + res.join(QStringLiteral(", ")) + QLatin1Char('\n');
        QStringList trays;
        for (const auto &t : p[QStringLiteral("trays")].toArray())
            trays << t.toObject()[QStringLiteral("name")].toString();
        out += QStringLiteral("  trays: ") + trays.join(QStringLiteral(", ")) + QLatin1Char('\n');
        for (const auto &v : p[QStringLiteral("options")].toArray()) {
            const QJsonObject o = v.toObject();
            QStringList choices;
            for (const auto &c : o[QStringLiteral("choices")].toArray())
                choices << c.toObject()[QStringLiteral("choice")].toString();
            out += QStringLiteral("  option %1=%2 (%3)%4: %5\n")
                       .arg(o[QStringLiteral("name")].toString(), o[QStringLiteral("default")].toString(),
                            o[QStringLiteral("text")].toString(),
                            o[QStringLiteral("read_only")].toBool() ? QStringLiteral(", read-only") : QString(),
                            choices.join(QStringLiteral(", ")));
        }
        out += QStringLiteral("  papers (number, name, size mm, margins left/top/right/bottom mm):\n");
        for (const auto &v : p[QStringLiteral("papers")].toArray()) {
            const QJsonObject o = v.toObject();
            const QJsonArray m = o[QStringLiteral("margins_mm")].toArray();
            out += QStringLiteral("    %1  %2  %3 x %4  %5/%6/%7/%8\n")
                       .arg(o[QStringLiteral("number")].toInt())
                       .arg(o[QStringLiteral("name")].toString())
                       .arg(o[QStringLiteral("width_mm")].toDouble())
                       .arg(o[QStringLiteral("height_mm")].toDouble())
                       .arg(m[0].toDouble())
                       .arg(m[1].toDouble())
                       .arg(m[2].toDouble())
                       .arg(m[3].toDouble());
        }
    }
    std::fputs(out.toUtf8().constData(), stdout);
}

} // namespace

int listPrintersCommand(const ParsedArgs &args)
{
    const bool json = args.options.count(QStringLiteral("json")) > 0;
    TJwPrinter jw(std::make_unique<TCupsService>());
    QStringList names;
    try {
        names = jw.PrinterNames();
    } catch (const EJwPrinterServerDown &) {
        std::fprintf(stderr, "%s\n", kPrintServerDownMessage);
        return 1;
    } catch (const EJwPrinterNoPrinter &) {
        // Listed as none below.
    }
    QJsonArray printers;
    for (int i = 0; i < names.size(); ++i) {
        jw.SetIndex(i);
        printers.append(describe(jw, names[i]));
    }
    const QString defaultName = jw.DefaultPrinterName();
    if (json) {
        QJsonObject root;
        root[QStringLiteral("printers")] = printers;
        root[QStringLiteral("default")] = defaultName.isEmpty() ? QJsonValue() : QJsonValue(defaultName);
        std::fputs(QJsonDocument(root).toJson(QJsonDocument::Indented).constData(), stdout);
    } else if (names.isEmpty()) {
        std::printf("%s\n", kNoPrinterMessage);
    } else {
        printText(printers, defaultName);
    }
    return 0;
}

} // namespace vellora::app
