#include "print/CupsService.h"

#include "print/CupsDriverOptions.h"
#include "print/PaperNumbers.h"
#include "settings/Errors.h"

#include <QDir>
#include <QPageSize>
#include <QPdfWriter>
#include <QTemporaryFile>
#include <algorithm>
#include <cmath>
#include <memory>
#include <cups/cups.h>
#include <cups/pwg.h>
#include <set>

namespace vellora {

// The options of one job, owned.
struct CupsJobOptions {
    int count = 0;
    cups_option_t *options = nullptr;
    CupsJobOptions() = default;
    CupsJobOptions(const CupsJobOptions &) = delete;
    CupsJobOptions &operator=(const CupsJobOptions &) = delete;
    ~CupsJobOptions() { cupsFreeOptions(count, options); }
    void add(const char *name, const QString &value)
    {
        count = cupsAddOption(name, value.toUtf8().constData(), count, &options);
    }
};

namespace {

using Options = CupsJobOptions;

// Owners of the libcups objects of one request.
struct DestPtr {
    cups_dest_t *dest = nullptr;
    ~DestPtr() { cupsFreeDests(1, dest); }
};
struct InfoPtr {
    cups_dinfo_t *info = nullptr;
    ~InfoPtr() { cupsFreeDestInfo(info); }
};

QString lastError(const char *what)
{
    return QString::fromLatin1(what) + QStringLiteral(": ") + QString::fromUtf8(cupsLastErrorString());
}

// A destination and its information; throws when the server does not know it.
struct Dest {
    DestPtr dest;
    InfoPtr info;
    explicit Dest(const QString &name)
    {
        dest.dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.toUtf8().constData(), nullptr);
        if (!dest.dest)
            throw Error(lastError("printer not found") + QStringLiteral(" (") + name + QLatin1Char(')'));
        info.info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest.dest);
        if (!info.info)
            throw Error(lastError("printer information not available") + QStringLiteral(" (") + name
                        + QLatin1Char(')'));
    }
    ipp_attribute_t *supported(const char *option) const
    {
        return cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest.dest, info.info, option);
    }
    ipp_attribute_t *defaults(const char *option) const
    {
        return cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest.dest, info.info, option);
    }
    QString defaultString(const char *option) const
    {
        ipp_attribute_t *a = defaults(option);
        const char *s = a ? ippGetString(a, 0, nullptr) : nullptr;
        return s ? QString::fromUtf8(s) : QString();
    }
    QStringList supportedStrings(const char *option) const
    {
        QStringList list;
        if (ipp_attribute_t *a = supported(option)) {
            for (int i = 0; i < ippGetCount(a); ++i) {
                if (const char *s = ippGetString(a, i, nullptr))
                    list << QString::fromUtf8(s);
            }
        }
        return list;
    }
};

// The information of the printer behind a queue that reports no media of
// its own: a queue without a driver passes jobs on to a network printer
// unchanged, and only the printer knows its media and options. Null when
// the queue has media, its device is no IPP printer, or it does not answer.
cups_dinfo_t *deviceInfo(cups_dest_t *queue, cups_dinfo_t *info, bool &asked)
{
    asked = false;
    if (cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, queue, info, CUPS_MEDIA_FLAGS_DEFAULT) > 0)
        return nullptr;
    const char *uri = cupsGetOption("device-uri", queue->num_options, queue->options);
    if (!uri)
        return nullptr;
    const QByteArray device(uri);
    const QByteArray scheme = device.left(device.indexOf(':'));
    if (scheme != "ipp" && scheme != "ipps" && scheme != "dnssd")
        return nullptr;
    // A destination with the device URI only: libcups then addresses the
    // printer itself, whichever ports the server and the printer use.
    QByteArray name("device-uri"), value(device);
    cups_option_t option{name.data(), value.data()};
    cups_dest_t printer{queue->name, nullptr, 0, 1, &option};
    char resource[1024] = "";
    asked = true;
    http_t *http = cupsConnectDest(&printer, CUPS_DEST_FLAGS_DEVICE, 3000, nullptr, resource, sizeof resource,
                                   nullptr, nullptr);
    if (!http)
        return nullptr;
    cups_dinfo_t *result = cupsCopyDestInfo(http, &printer);
    httpClose(http);
    return result;
}

TResolution resolutionOf(ipp_attribute_t *a, int i)
{
    int y = 0;
    ipp_res_t units = IPP_RES_PER_INCH;
    int x = ippGetResolution(a, i, &y, &units);
    if (units == IPP_RES_PER_CM) {
        x = static_cast<int>(std::lround(x * 2.54));
        y = static_cast<int>(std::lround(y * 2.54));
    }
    return {x, y};
}

int tenths(int hundredths)
{
    return (hundredths + 5) / 10;
}

// Duplex, colour mode and resolution are chosen among the printer's own
// options; the standard settings report what was chosen there (the pages'
// resolution included).
void takeStandardFromDriver(TDeviceSettings &s)
{
    for (const auto &[keyword, choice] : s.driverOptions) {
        const auto [name, value] = IppEquivalent(keyword, choice);
        if (name == QLatin1String("sides")) {
            s.duplex = value == QLatin1String("one-sided")              ? 1
                       : value == QLatin1String("two-sided-short-edge") ? 3
                                                                        : 2;
        } else if (name == QLatin1String("print-color-mode")) {
            s.color = value.contains(QLatin1String("monochrome")) || value == QLatin1String("bi-level") ? 1 : 2;
        } else if (name == QLatin1String("printer-resolution")) {
            const auto [x, y] = ParseResolutionChoice(value);
            if (x > 0) {
                s.printQuality = x;
                s.yResolution = y;
            }
        }
    }
}

// The server's message about a queue (why it refuses jobs, as given to
// cupsreject -r): the destination list does not carry it.
QString stateMessage(const char *queue)
{
    char uri[1024];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s", queue);
    ipp_t *request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-state-message");
    ipp_t *response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    QString message;
    if (ipp_attribute_t *a = response ? ippFindAttribute(response, "printer-state-message", IPP_TAG_TEXT) : nullptr)
        message = QString::fromUtf8(ippGetString(a, 0, nullptr));
    ippDelete(response);
    return message;
}

// The queue's default paper: its saved choice, else media-default (libcups'
// own default reads the former only and else assumes Letter), matched by
// its media name, its borderless variant or else its size; A4 when the queue
// has no default or none matches, else the first of the list.
int defaultPaper(const Dest &d, const std::vector<TPaperEntry> &papers)
{
    QByteArray def(cupsGetOption("media", d.dest.dest->num_options, d.dest.dest->options));
    if (def.isEmpty())
        def = d.defaultString("media").toUtf8();
    int width = 0, length = 0;   // hundredths of a millimetre
    if (ipp_attribute_t *col = d.defaults("media-col")) {
        if (ipp_t *c = ippGetCollection(col, 0)) {
            if (ipp_attribute_t *size = ippFindAttribute(c, "media-size", IPP_TAG_BEGIN_COLLECTION)) {
                ipp_t *sc = ippGetCollection(size, 0);
                ipp_attribute_t *x = ippFindAttribute(sc, "x-dimension", IPP_TAG_INTEGER);
                ipp_attribute_t *y = ippFindAttribute(sc, "y-dimension", IPP_TAG_INTEGER);
                width = x ? ippGetInteger(x, 0) : 0;
                length = y ? ippGetInteger(y, 0) : 0;
            }
        }
    }
    if (!def.isEmpty()) {
        // A saved PPD size name ("A4") or a PWG name gives the size too.
        if (const pwg_media_t *m = pwgMediaForPWG(def.constData()); m && m->width > 0)
            width = m->width, length = m->length;
        else if (const pwg_media_t *p = pwgMediaForPPD(def.constData()); p && p->width > 0)
            width = p->width, length = p->length, def = p->pwg;
    }
    static const QByteArray kBorderless("_borderless");
    const QByteArray base = def.endsWith(kBorderless) ? def.chopped(kBorderless.size()) : def;
    if (!base.isEmpty()) {
        for (const QByteArray &name : {def, base, base + kBorderless}) {
            for (const auto &p : papers) {
                if (p.number != 256 && p.media.toUtf8() == name)
                    return p.number;
            }
        }
    }
    if (width > 0 && length > 0) {
        for (const auto &p : papers) {
            if (p.number != 256 && std::abs(p.widthTenthMM * 10 - width) <= 100
                && std::abs(p.lengthTenthMM * 10 - length) <= 100)
                return p.number;
        }
    }
    for (const auto &p : papers) {
        if (p.number == 9)
            return 9;
    }
    return papers.front().number;
}

// Sends a PDF document, read from its current position on, as one job;
// throws when the server refuses it or the data does not get through.
void sendDocument(const QString &printer, const QString &jobTitle, const Options &options, QIODevice &pdf,
                  int &lastJobId)
{
    Dest d(printer);
    int jobId = 0;
    const QByteArray title = jobTitle.toUtf8();
    if (cupsCreateDestJob(CUPS_HTTP_DEFAULT, d.dest.dest, d.info.info, &jobId, title.constData(),
                          options.count, options.options) > IPP_STATUS_OK_IGNORED_OR_SUBSTITUTED)
        throw Error(lastError("the print job was refused"));
    bool sent = cupsStartDestDocument(CUPS_HTTP_DEFAULT, d.dest.dest, d.info.info, jobId, title.constData(),
                                      CUPS_FORMAT_PDF, 0, nullptr, 1) == HTTP_STATUS_CONTINUE;
    // Sent in pieces: a job's file is never held in memory whole.
    while (sent && !pdf.atEnd()) {
        const QByteArray chunk = pdf.read(1 << 20);
        sent = !chunk.isEmpty()
               && cupsWriteRequestData(CUPS_HTTP_DEFAULT, chunk.constData(), static_cast<size_t>(chunk.size()))
                      == HTTP_STATUS_CONTINUE;
    }
    sent = sent
           && cupsFinishDestDocument(CUPS_HTTP_DEFAULT, d.dest.dest, d.info.info)
                  <= IPP_STATUS_OK_IGNORED_OR_SUBSTITUTED;
    if (!sent) {
        const QString message = lastError("the print job could not be sent");
        cupsCancelDestJob(CUPS_HTTP_DEFAULT, d.dest.dest, jobId);
        throw Error(message);
    }
    lastJobId = jobId;
}

// Pages drawn into a PDF document spooled to a temporary file, sent as one
// job at the end. A page of photos at printer resolution is megabytes of
// PDF, so a document in memory would grow with every page.
class CupsJobImpl : public TPrinterJob {
public:
    CupsJobImpl(QString printer, QString title, Options *options, TDeviceGeometry g, int *lastJobId)
        : FPrinter(std::move(printer)), FTitle(std::move(title)), FOptions(options), FLastJobId(lastJobId)
    {
        FSpool.setFileTemplate(QDir::tempPath() + QStringLiteral("/vellora-job-XXXXXX.pdf"));
        if (!FSpool.open())
            throw Error(QStringLiteral("cannot create the print job's spool file: %1").arg(FSpool.errorString()));
        FWriter = std::make_unique<QPdfWriter>(&FSpool);
        FWriter->setResolution(g.dpiX);
        FWriter->setPageSize(QPageSize(QSizeF(g.paperWidth * 72.0 / g.dpiX, g.paperHeight * 72.0 / g.dpiY),
                                       QPageSize::Point, QString(), QPageSize::ExactMatch));
        FWriter->setPageMargins(QMarginsF(0, 0, 0, 0));
        FWriter->setTitle(FTitle);
        FWriter->setCreator(QStringLiteral("Vellora"));
        if (!FPainter.begin(FWriter.get()))
            throw Error(QStringLiteral("cannot start the print job's pages"));
        FOrigin = QTransform::fromScale(1.0, static_cast<double>(g.dpiX) / g.dpiY)
                      .translate(g.offsetX, g.offsetY);
        FPainter.setTransform(FOrigin);
    }
    ~CupsJobImpl() override
    {
        if (FPainter.isActive())
            FPainter.end();
    }
    QPainter &Canvas() override { return FPainter; }
    void NewPage() override
    {
        FWriter->newPage();
        FPainter.setTransform(FOrigin);
    }
    void Abort() override
    {
        if (FPainter.isActive())
            FPainter.end();
    }
    void End() override
    {
        FPainter.end();
        if (!FSpool.flush() || !FSpool.seek(0))
            throw Error(QStringLiteral("cannot write the print job's spool file: %1").arg(FSpool.errorString()));
        sendDocument(FPrinter, FTitle, *FOptions, FSpool, *FLastJobId);
    }

private:
    QString FPrinter;
    QString FTitle;
    std::unique_ptr<Options> FOptions;
    int *FLastJobId;
    QTemporaryFile FSpool;
    std::unique_ptr<QPdfWriter> FWriter;
    QPainter FPainter;
    QTransform FOrigin;
};

} // namespace

TCupsService::TCupsService(const QString &server)
{
    if (!server.isEmpty())
        cupsSetServer(server.toUtf8().constData());
}

std::vector<TPrinterEntry> TCupsService::Printers()
{
    cups_dest_t *dests = nullptr;
    // The program asks every few seconds, also while the server is away: a
    // connection of its own, bounded like the printers' (libcups' default
    // connection would wait half a minute for a host that does not answer).
    std::unique_ptr<http_t, decltype(&httpClose)> server(
        httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 3000, nullptr), &httpClose);
    if (server)
        httpSetTimeout(server.get(), 3.0, nullptr, nullptr);
    const int count = server ? cupsGetDests2(server.get(), &dests) : 0;
    // No destination and a failed request: the server is not there (as
    // opposed to a server without printers).
    const ipp_status_t status = cupsLastError();
    FReachable = server && (count > 0 || status <= IPP_STATUS_OK_EVENTS_COMPLETE || status == IPP_STATUS_ERROR_NOT_FOUND);
    std::vector<TPrinterEntry> list;
    for (int i = 0; i < count; ++i) {
        const cups_dest_t &d = dests[i];
        if (d.instance)
            continue;
        TPrinterEntry e;
        e.name = QString::fromUtf8(d.name);
        // A queue that refuses jobs is still listed, with its state: the
        // user learns why it cannot print rather than that it is gone.
        const char *accepting = cupsGetOption("printer-is-accepting-jobs", d.num_options, d.options);
        e.accepting = !(accepting && std::string_view(accepting) == "false");
        if (const char *message = cupsGetOption("printer-state-message", d.num_options, d.options))
            e.stateMessage = QString::fromUtf8(message);
        if (!e.accepting && e.stateMessage.isEmpty())
            e.stateMessage = stateMessage(d.name);
        if (const char *location = cupsGetOption("printer-location", d.num_options, d.options))
            e.location = QString::fromUtf8(location);
        e.isDefault = d.is_default != 0;
        if (const char *uri = cupsGetOption("device-uri", d.num_options, d.options))
            e.port = QString::fromUtf8(uri);
        list.push_back(e);
    }
    cupsFreeDests(count, dests);
    std::sort(list.begin(), list.end(), [](const auto &a, const auto &b) { return a.name < b.name; });
    // Printers and their media may have changed: read the lists again. What
    // a network printer said (or that it did not answer) is kept a while:
    // asking it again on every poll would stall the program on a printer
    // that is switched off.
    const auto now = std::chrono::steady_clock::now();
    for (auto it = FCache.begin(); it != FCache.end();) {
        const auto listed = [&](const TPrinterEntry &e) { return e.name == it->first; };
        const bool keep = it->second.deviceAsked && now - *it->second.deviceAsked < std::chrono::minutes(1)
                          && std::any_of(list.begin(), list.end(), listed);
        it = keep ? std::next(it) : FCache.erase(it);
    }
    return list;
}

QStringList TCupsService::Ports()
{
    QStringList ports;
    for (const auto &p : Printers()) {
        if (!p.port.isEmpty())
            ports << p.port;
    }
    ports.removeDuplicates();
    return ports;
}

const TCupsService::Details &TCupsService::details(const QString &printer)
{
    if (auto it = FCache.find(printer); it != FCache.end())
        return it->second;
    Dest d(printer);
    Details det;
    bool asked = false;
    if (cups_dinfo_t *device = deviceInfo(d.dest.dest, d.info.info, asked)) {
        cupsFreeDestInfo(d.info.info);
        d.info.info = device;
    }
    if (asked)
        det.deviceAsked = std::chrono::steady_clock::now();
    TDeviceLists &lists = det.lists;
    TDeviceSettings &s = det.defaults;
    using C = TJwPrintCap;
    s.fields.include(C::jwPcOrientation);
    TCupsDriverInfo driver = ReadCupsDriverOptions(d.dest.dest, d.info.info);
    // The PPD's name of a size the server names only by its measures.
    auto ppdSize = [&](const cups_size_t &size) -> const TCupsDriverInfo::PageSize * {
        for (const auto &p : driver.pageSizes) {
            if (std::abs(p.width - size.width) <= 100 && std::abs(p.length - size.length) <= 100)
                return &p;
        }
        return nullptr;
    };

    // Media with their margins. Each media name is listed once; numbers of
    // media outside the public table that happen to meet are moved on to the
    // next free number.
    const unsigned flags = CUPS_MEDIA_FLAGS_DEFAULT;
    const int mediaCount = cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, d.dest.dest, d.info.info, flags);
    std::unique_ptr<http_t, decltype(&httpClose)> server(nullptr, &httpClose);
    std::set<int> used;
    std::set<QString> names;
    for (int i = 0; i < mediaCount; ++i) {
        cups_size_t size{};
        if (!cupsGetDestMediaByIndex(CUPS_HTTP_DEFAULT, d.dest.dest, d.info.info, i, flags, &size))
            continue;
        const QString media = QString::fromUtf8(size.media);
        if (!names.insert(media).second || size.width <= 0 || size.length <= 0)
            continue;
        int number = paperNumberForMedia(media);
        while (number > 256 && used.count(number))
            number = number + 1 < 0x8000 ? number + 1 : 0x1000;
        if (used.count(number))
            continue;
        used.insert(number);
        // libcups measures a size only over a connection of its own.
        if (!server)
            server.reset(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 3000, nullptr));
        const char *measured =
            server ? cupsLocalizeDestMedia(server.get(), d.dest.dest, d.info.info, flags, &size) : nullptr;
        const bool borderless = !size.left && !size.top && !size.right && !size.bottom;
        const TCupsDriverInfo::PageSize *ppd = ppdSize(size);
        if (ppd)
            det.pageSizeForPaper[number] = ppd->choice;
        lists.papers.push_back({number, CupsMediaText(size.media, borderless, measured, ppd ? ppd->text : QString()), media,
                                tenths(size.width), tenths(size.length), size.left, size.top, size.right, size.bottom});
    }
    // A size of the public table under a name of the PPD's own (cups-pdf's
    // A4 is "custom_209.9x297.04mm") is that size: documents name it by its
    // public number, unless the list has that size under its own name.
    for (auto &p : lists.papers) {
        if (p.number <= 256)
            continue;
        const pwg_media_t *pwg = pwgMediaForSize(p.widthTenthMM * 10, p.lengthTenthMM * 10);
        const int known = pwg ? paperNumberForMedia(QString::fromUtf8(pwg->pwg)) : 0;
        if (known <= 0 || known >= 256 || used.count(known))
            continue;
        used.insert(known);
        if (auto it = det.pageSizeForPaper.find(p.number); it != det.pageSizeForPaper.end()) {
            det.pageSizeForPaper[known] = it->second;
            det.pageSizeForPaper.erase(it);
        }
        p.number = known;
    }
    // Custom sizes: "custom_min_WxHunit" and "custom_max_..." among the media.
    const QStringList mediaSupported = d.supportedStrings("media");
    const bool custom = std::any_of(mediaSupported.begin(), mediaSupported.end(),
                                    [](const QString &m) { return m.startsWith(QLatin1String("custom_max_")); });
    if (custom && !lists.papers.empty()) {
        TPaperEntry user = lists.papers.front();
        user.number = 256;
        user.name = QStringLiteral("ユーザー定義サイズ");
        user.media = QStringLiteral("custom");
        lists.papers.push_back(user);
        s.fields.include(C::jwPcPaperlength);
        s.fields.include(C::jwPcPaperWidth);
    }
    if (!lists.papers.empty()) {
        lists.avail.include(TJwAvailInfo::jwAvPaperSize);
        s.fields.include(C::jwPcPaperSize);
        s.fields.include(C::jwPcFormName);
        s.paperSize = defaultPaper(d, lists.papers);
    }

    QStringList sources = d.supportedStrings("media-source");
    sources.removeDuplicates();   // a PPD's "Default" and "Auto" are both "auto"
    for (qsizetype i = 0; i < sources.size(); ++i) {
        int number = binNumberForSource(sources[i]);
        if (number == 0)
            number = 257 + static_cast<int>(i);   // beyond the public bins, in list order
        // The text may be the value itself when there is no translation: the
        // value stays alive while the text is read.
        const QByteArray value = sources[i].toUtf8();
        const char *text = cupsLocalizeDestValue(CUPS_HTTP_DEFAULT, d.dest.dest, d.info.info, "media-source",
                                                 value.constData());
        QString name = CupsText(text, "media-source." + value, value);
        // A tray the server has no words for is named by the PPD.
        if (name == sources[i]) {
            if (auto slot = driver.inputSlotForSource.find(sources[i]); slot != driver.inputSlotForSource.end()) {
                if (auto t = driver.inputSlotText.find(slot->second); t != driver.inputSlotText.end())
                    name = t->second;
            }
        }
        lists.bins.push_back({number, name, sources[i]});
    }
    if (!lists.bins.empty()) {
        lists.avail.include(TJwAvailInfo::jwAvBin);
        s.fields.include(C::jwPcDefaultSource);
        s.defaultSource = lists.bins.front().number;
        const QString def = d.defaultString("media-source");
        for (const auto &b : lists.bins) {
            if (b.source == def)
                s.defaultSource = b.number;
        }
    }

    if (ipp_attribute_t *a = d.supported("printer-resolution")) {
        for (int i = 0; i < ippGetCount(a); ++i)
            lists.resolutions.push_back(resolutionOf(a, i));
    }
    if (ipp_attribute_t *a = d.defaults("printer-resolution"))
        det.defaultResolution = resolutionOf(a, 0);
    if (det.defaultResolution.x <= 0 && !lists.resolutions.empty())
        det.defaultResolution = lists.resolutions.front();
    if (det.defaultResolution.x <= 0)
        det.defaultResolution = {300, 300};
    if (!lists.resolutions.empty()) {
        lists.avail.include(TJwAvailInfo::jwAvQuality);
        s.fields.include(C::jwPcPrintQuality);
        s.fields.include(C::jwPcYResolution);
        s.printQuality = det.defaultResolution.x;
        s.yResolution = det.defaultResolution.y;
    }

    if (ipp_attribute_t *a = d.supported("copies")) {
        int upper = 1;
        ippGetRange(a, 0, &upper);
        if (upper > 1) {
            lists.maxCopies = std::min(upper, 9999);
            lists.avail.include(TJwAvailInfo::jwAvMaxCopies);
            s.fields.include(C::jwPcCopies);
        }
    }
    const QStringList handling = d.supportedStrings("multiple-document-handling");
    if (s.fields.contains(C::jwPcCopies)
        && handling.contains(QLatin1String("separate-documents-collated-copies"))) {
        s.fields.include(C::jwPcCollate);
        s.collate = d.defaultString("multiple-document-handling")
                            == QLatin1String("separate-documents-uncollated-copies")
                        ? 0
                        : 1;
    }
    if (d.supportedStrings("print-color-mode").contains(QLatin1String("color"))) {
        s.fields.include(C::jwPcColor);
        s.color = d.defaultString("print-color-mode") == QLatin1String("monochrome") ? 1 : 2;
    }
    if (d.supportedStrings("sides").contains(QLatin1String("two-sided-long-edge"))) {
        s.fields.include(C::jwPcDuplex);
        const QString sides = d.defaultString("sides");
        s.duplex = sides == QLatin1String("two-sided-long-edge") ? 2
                   : sides == QLatin1String("two-sided-short-edge") ? 3
                                                                    : 1;
    }
    if (d.supported("media-type"))
        s.fields.include(C::jwPcMediaType);
    if (const char *uri = cupsGetOption("device-uri", d.dest.dest->num_options, d.dest.dest->options))
        s.port = QString::fromUtf8(uri);
    det.driverOptions = std::move(driver.options);
    det.inputSlotForSource = std::move(driver.inputSlotForSource);
    s.driverOptions = CheckedDriverValues(det.driverOptions, {});
    takeStandardFromDriver(s);
    return FCache.emplace(printer, std::move(det)).first->second;
}

TDeviceSettings TCupsService::DefaultSettings(const QString &printer)
{
    return details(printer).defaults;
}

TDeviceLists TCupsService::Lists(const QString &printer, const TDeviceSettings &)
{
    return details(printer).lists;
}

TDeviceSettings TCupsService::Merge(const QString &printer, const TDeviceSettings &settings)
{
    const Details &det = details(printer);
    TDeviceSettings s = settings;
    const bool known = std::any_of(det.lists.papers.begin(), det.lists.papers.end(),
                                   [&](const TPaperEntry &p) { return p.number == s.paperSize; });
    if (!known)
        s.paperSize = det.defaults.paperSize;
    if (det.lists.maxCopies > 0)
        s.copies = std::clamp(s.copies, 1, det.lists.maxCopies);
    s.driverOptions = CheckedDriverValues(det.driverOptions, s.driverOptions);
    takeStandardFromDriver(s);
    return s;
}

TDeviceGeometry TCupsService::Geometry(const QString &printer, const TDeviceSettings &settings)
{
    const Details &det = details(printer);
    TPaperEntry paper{9, QStringLiteral("A4"), QStringLiteral("iso_a4_210x297mm"), 2100, 2970, 0, 0, 0, 0};
    for (const auto &p : det.lists.papers) {
        if (p.number == settings.paperSize) {
            paper = p;
            break;
        }
    }
    TResolution r = det.defaultResolution;
    if (settings.printQuality > 0)
        r = {settings.printQuality, settings.yResolution > 0 ? settings.yResolution : settings.printQuality};
    return geometryFor(paper, settings, r.x, r.y);
}

std::unique_ptr<CupsJobOptions> TCupsService::jobOptions(const QString &printer, const TDeviceSettings &settings)
{
    const Details &det = details(printer);
    // Paper and tray against the printer's constraints (A4 from the
    // envelope feeder, duplex on a size the duplexer cannot turn).
    TDriverValues chosen = CheckedDriverValues(det.driverOptions, settings.driverOptions);
    for (const auto &[keyword, choice] : StandardChoices(printer, settings))
        chosen[keyword] = choice;
    for (const char *standard : {"PageSize", "InputSlot"}) {
        const auto it = chosen.find(QLatin1String(standard));
        if (it == chosen.end())
            continue;
        const auto conflicts = DriverConflicts(det.driverOptions, chosen, it->first, it->second);
        if (!conflicts.empty())
            throw Error(QStringLiteral("the printer %1 cannot print with %2=%3 together with %4=%5")
                            .arg(printer, it->first, it->second, conflicts.front().first, conflicts.front().second));
    }
    using C = TJwPrintCap;
    auto options = std::make_unique<Options>();
    const TJwPrintCaps caps = det.defaults.fields;
    if (settings.paperSize == 256 && settings.paperWidth > 0 && settings.paperLength > 0) {
        options->add("media", customMediaName(settings.paperWidth, settings.paperLength));
    } else {
        for (const auto &p : det.lists.papers) {
            if (p.number == settings.paperSize && p.number != 256)
                options->add("media", p.media);
        }
    }
    for (const auto &b : det.lists.bins) {
        if (caps.contains(C::jwPcDefaultSource) && b.number == settings.defaultSource) {
            options->add("media-source", b.source);
            if (auto slot = det.inputSlotForSource.find(b.source); slot != det.inputSlotForSource.end())
                options->add("InputSlot", slot->second);
        }
    }
    if (caps.contains(C::jwPcCopies) && settings.copies > 1) {
        options->add("copies", QString::number(settings.copies));
        const bool collate = !caps.contains(C::jwPcCollate) || settings.collate == 1;
        options->add("collate", collate ? QStringLiteral("true") : QStringLiteral("false"));
        options->add("multiple-document-handling", collate
                                                       ? QStringLiteral("separate-documents-collated-copies")
                                                       : QStringLiteral("separate-documents-uncollated-copies"));
    }
    // The printer's own options, as the printer takes them; installable
    // hardware is the queue's business, not the job's. Duplex, colour mode
    // and resolution go as the PPD keyword and as the IPP attribute the
    // server maps it to, so that both say the same.
    std::set<QString> sent;
    for (const auto &[keyword, choice] : CheckedDriverValues(det.driverOptions, settings.driverOptions)) {
        const TDriverOption *o = det.driverOptions.find(keyword);
        if (!o || o->readOnly)
            continue;
        options->add(keyword.toUtf8().constData(), choice);
        sent.insert(keyword);
        const auto [name, value] = IppEquivalent(keyword, choice);
        if (!name.isEmpty() && name != keyword && !sent.count(name)) {
            options->add(name.toUtf8().constData(), value);
            sent.insert(name);
        }
    }
    if (caps.contains(C::jwPcDuplex) && !sent.count(QStringLiteral("sides"))) {
        options->add("sides", settings.duplex == 1   ? QStringLiteral("one-sided")
                              : settings.duplex == 3 ? QStringLiteral("two-sided-short-edge")
                                                     : QStringLiteral("two-sided-long-edge"));
    }
    if (caps.contains(C::jwPcColor) && !sent.count(QStringLiteral("print-color-mode")))
        options->add("print-color-mode", settings.color == 2 ? QStringLiteral("color") : QStringLiteral("monochrome"));
    if (caps.contains(C::jwPcPrintQuality) && settings.printQuality > 0
        && !sent.count(QStringLiteral("printer-resolution"))) {
        const int y = settings.yResolution > 0 ? settings.yResolution : settings.printQuality;
        options->add("printer-resolution", y == settings.printQuality
                                               ? QString::number(y) + QStringLiteral("dpi")
                                               : QString::number(settings.printQuality) + QLatin1Char('x')
                                                     + QString::number(y) + QStringLiteral("dpi"));
    }
    return options;
}

std::unique_ptr<TPrinterJob> TCupsService::StartJob(const QString &printer, const TDeviceSettings &settings,
                                                    const QString &title)
{
    std::unique_ptr<Options> options = jobOptions(printer, settings);
    const TDeviceGeometry g = Geometry(printer, settings);
    return std::make_unique<CupsJobImpl>(printer, title, options.release(), g, &FLastJobId);
}

void TCupsService::PrintPdf(const QString &printer, const TDeviceSettings &settings, const QString &title,
                            QIODevice &pdf)
{
    const std::unique_ptr<Options> options = jobOptions(printer, settings);
    sendDocument(printer, title, *options, pdf, FLastJobId);
}

TDriverValues TCupsService::StandardChoices(const QString &printer, const TDeviceSettings &settings)
{
    const Details &det = details(printer);
    TDriverValues values;
    if (auto it = det.pageSizeForPaper.find(settings.paperSize); it != det.pageSizeForPaper.end())
        values[QStringLiteral("PageSize")] = it->second;
    for (const auto &b : det.lists.bins) {
        if (b.number != settings.defaultSource)
            continue;
        if (auto slot = det.inputSlotForSource.find(b.source); slot != det.inputSlotForSource.end())
            values[QStringLiteral("InputSlot")] = slot->second;
    }
    return values;
}

TDriverOptions TCupsService::DriverOptions(const QString &printer)
{
    return details(printer).driverOptions;
}

QStringList TCupsService::StateReasons(const QString &printer)
{
    // Asked afresh each time: the state changes while the program runs.
    DestPtr dest;
    dest.dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, printer.toUtf8().constData(), nullptr);
    if (!dest.dest)
        return {};
    QStringList reasons;
    if (const char *state = cupsGetOption("printer-state", dest.dest->num_options, dest.dest->options);
        state && std::string_view(state) == "5")
        reasons << QStringLiteral("paused");
    if (const char *r = cupsGetOption("printer-state-reasons", dest.dest->num_options, dest.dest->options)) {
        for (const QString &reason : QString::fromUtf8(r).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (reason != QLatin1String("none") && !reasons.contains(reason))
                reasons << reason;
        }
    }
    return reasons;
}

} // namespace vellora
