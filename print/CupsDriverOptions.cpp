#include "print/CupsDriverOptions.h"

#include <QByteArray>
#include <QStringList>
#include <cups/ppd.h>
#include <algorithm>
#include <cmath>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) && __has_include(<sanitizer/lsan_interface.h>)
#include <sanitizer/lsan_interface.h>
// libcups keeps the printer's defaults read for conflict checks with the
// printer information and does not free them with it: not ours to fix.
#define VELLORA_LIBCUPS_LEAKS_BELOW __lsan::ScopedDisabler libcupsLeaks
#else
#define VELLORA_LIBCUPS_LEAKS_BELOW
#endif

// The PPD interface is the only one that gives a driver's groups, texts and
// constraints; libcups marks it deprecated.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

// libcups looks texts up only in the user's language, where most IPP
// keywords are untranslated; its English catalogue has them all. The lookup
// is exported but not declared in the installed headers.
extern "C" const char *_cupsLangString(cups_lang_t *lang, const char *message);

namespace vellora {

namespace {

struct PpdFile {
    ppd_file_t *ppd = nullptr;
    ~PpdFile()
    {
        if (ppd)
            ppdClose(ppd);
    }
};

QString text(const char *s, const char *fallback)
{
    return QString::fromUtf8(s && *s ? s : fallback);
}

void addOption(const ppd_option_t &o, const QString &group, bool installable, TDriverOptions &out)
{
    const QString keyword = QString::fromUtf8(o.keyword);
    if (IsStandardDriverKeyword(keyword))
        return;
    TDriverOption option;
    option.keyword = keyword;
    option.text = text(o.text, o.keyword);
    option.group = group;
    option.kind = o.ui == PPD_UI_BOOLEAN    ? TDriverOptionKind::dokBoolean
                  : o.ui == PPD_UI_PICKMANY ? TDriverOptionKind::dokPickMany
                                            : TDriverOptionKind::dokPickOne;
    option.readOnly = installable;
    QStringList marked;
    for (int i = 0; i < o.num_choices; ++i) {
        const ppd_choice_t &c = o.choices[i];
        option.choices.push_back({QString::fromUtf8(c.choice), text(c.text, c.choice)});
        if (c.marked)
            marked << QString::fromUtf8(c.choice);
    }
    option.defaultChoice = marked.isEmpty() ? QString::fromUtf8(o.defchoice) : marked.join(QLatin1Char(','));
    out.options.push_back(std::move(option));
}

void addGroup(const ppd_group_t &g, TCupsDriverInfo &info)
{
    const bool installable = qstrcmp(g.name, "InstallableOptions") == 0;
    const QString name = text(g.text, g.name);
    for (int i = 0; i < g.num_options; ++i) {
        const ppd_option_t &o = g.options[i];
        if (qstrcmp(o.keyword, "InputSlot") == 0) {
            for (int c = 0; c < o.num_choices; ++c) {
                const QString choice = QString::fromUtf8(o.choices[c].choice);
                info.inputSlotForSource.emplace(MediaSourceForInputSlot(choice), choice);
                info.inputSlotText.emplace(choice, text(o.choices[c].text, o.choices[c].choice));
            }
        }
        addOption(o, name, installable, info.options);
    }
    for (int i = 0; i < g.num_subgroups; ++i)
        addGroup(g.subgroups[i], info);
}

// Pairs of choices the printer cannot do together, as libcups judges them
// from the printer's job-constraints-supported, the other options at their
// defaults. libcups matches a rule's "resolver-name" member like any other,
// so each rule is tried with its own name among the given options.
void addIppConstraints(cups_dest_t *dest, cups_dinfo_t *info, TDriverOptions &out)
{
    ipp_attribute_t *rules = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest, info, "job-constraints");
    for (int r = 0; rules && r < ippGetCount(rules); ++r) {
        ipp_t *rule = ippGetCollection(rules, r);
        ipp_attribute_t *resolver = ippFindAttribute(rule, "resolver-name", IPP_TAG_NAME);
        const char *ruleName = resolver ? ippGetString(resolver, 0, nullptr) : nullptr;
        if (!ruleName)
            continue;
        // The rule's members that are options of ours, in our order.
        std::vector<const TDriverOption *> members;
        for (const TDriverOption &o : out.options) {
            if (ippFindAttribute(rule, o.keyword.toUtf8().constData(), IPP_TAG_ZERO))
                members.push_back(&o);
        }
        for (size_t i = 0; i < members.size(); ++i) {
            const QByteArray a = members[i]->keyword.toUtf8();
            for (size_t j = i + 1; j < members.size(); ++j) {
                const QByteArray b = members[j]->keyword.toUtf8();
                for (const TDriverChoice &ca : members[i]->choices) {
                    const QByteArray va = ca.choice.toUtf8();
                    for (const TDriverChoice &cb : members[j]->choices) {
                        const QByteArray vb = cb.choice.toUtf8();
                        cups_option_t *given = nullptr;
                        int numGiven = cupsAddOption(b.constData(), vb.constData(), 0, &given);
                        numGiven = cupsAddOption("resolver-name", ruleName, numGiven, &given);
                        int numConflicts = 0;
                        cups_option_t *conflicts = nullptr;
                        int found = 0;
                        {
                            VELLORA_LIBCUPS_LEAKS_BELOW;
                            found = cupsCopyDestConflicts(CUPS_HTTP_DEFAULT, dest, info, numGiven, given,
                                                          a.constData(), va.constData(), &numConflicts,
                                                          &conflicts, nullptr, nullptr);
                        }
                        const char *other = cupsGetOption(b.constData(), numConflicts, conflicts);
                        const TDriverConstraint c{members[i]->keyword, ca.choice, members[j]->keyword, cb.choice};
                        if (found == 1 && other && vb == other
                            && std::find(out.constraints.begin(), out.constraints.end(), c) == out.constraints.end())
                            out.constraints.push_back(c);
                        cupsFreeOptions(numConflicts, conflicts);
                        cupsFreeOptions(numGiven, given);
                    }
                }
            }
        }
    }
}

// Duplex, colour mode and resolution of a printer without a PPD, from its
// -supported attributes, when the printer offers a choice and
// job-creation-attributes did not name them.
void addStandardIppOptions(cups_dest_t *dest, cups_dinfo_t *info, TDriverOptions &out)
{
    for (const char *name : {"sides", "print-color-mode", "printer-resolution"}) {
        if (out.find(QLatin1String(name)))
            continue;
        ipp_attribute_t *supported = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest, info, name);
        if (!supported || ippGetCount(supported) < 2)
            continue;
        const bool resolution = ippGetValueTag(supported) == IPP_TAG_RESOLUTION;
        TDriverOption option;
        option.keyword = QLatin1String(name);
        option.text = CupsText(cupsLocalizeDestOption(CUPS_HTTP_DEFAULT, dest, info, name), name, name);
        auto valueOf = [&](ipp_attribute_t *a, int i) {
            if (!resolution)
                return QString::fromUtf8(ippGetString(a, i, nullptr));
            int y = 0;
            ipp_res_t units = IPP_RES_PER_INCH;
            const int x = ippGetResolution(a, i, &y, &units);
            if (units != IPP_RES_PER_INCH)
                return QString();
            return x == y ? QStringLiteral("%1dpi").arg(x) : QStringLiteral("%1x%2dpi").arg(x).arg(y);
        };
        for (int c = 0; c < ippGetCount(supported); ++c) {
            const QString value = valueOf(supported, c);
            if (value.isEmpty() || option.find(value))
                continue;
            QString text;
            if (resolution) {
                const auto [x, y] = ParseResolutionChoice(value);
                text = x == y ? QStringLiteral("%1 dpi").arg(x) : QStringLiteral("%1×%2 dpi").arg(x).arg(y);
            } else {
                const QByteArray v = value.toUtf8();
                text = CupsText(cupsLocalizeDestValue(CUPS_HTTP_DEFAULT, dest, info, name, v.constData()),
                                QByteArray(name) + '.' + v, v);
            }
            option.choices.push_back({value, text});
        }
        if (ipp_attribute_t *def = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, name))
            option.defaultChoice = valueOf(def, 0);
        if (!option.find(option.defaultChoice))
            option.defaultChoice = option.choices.empty() ? QString() : option.choices.front().choice;
        if (option.choices.size() > 1)
            out.options.push_back(std::move(option));
    }
}

// The IPP attributes of a job that are not standard settings and have a
// list of keywords or names to choose from.
TCupsDriverInfo readIpp(cups_dest_t *dest, cups_dinfo_t *info)
{
    TCupsDriverInfo result;
    TDriverOptions &out = result.options;
    // The lookup adds "-supported" to the name it is given.
    ipp_attribute_t *names = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest, info, "job-creation-attributes");
    for (int i = 0; names && i < ippGetCount(names); ++i) {
        const char *name = ippGetString(names, i, nullptr);
        if (!name || IsStandardDriverKeyword(QString::fromUtf8(name)))
            continue;
        // A collection's supported values name its members, not choices.
        if (QByteArray(name).endsWith("-col"))
            continue;
        ipp_attribute_t *supported = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest, info, name);
        if (!supported)
            continue;
        const ipp_tag_t tag = ippGetValueTag(supported);
        if (tag != IPP_TAG_KEYWORD && tag != IPP_TAG_NAME && tag != IPP_TAG_NAMELANG)
            continue;
        TDriverOption option;
        option.keyword = QString::fromUtf8(name);
        option.text = CupsText(cupsLocalizeDestOption(CUPS_HTTP_DEFAULT, dest, info, name), name, name);
        for (int c = 0; c < ippGetCount(supported); ++c) {
            const char *value = ippGetString(supported, c, nullptr);
            if (!value)
                continue;
            const char *valueText = cupsLocalizeDestValue(CUPS_HTTP_DEFAULT, dest, info, name, value);
            option.choices.push_back({QString::fromUtf8(value),
                                      CupsText(valueText, QByteArray(name) + '.' + value, value)});
        }
        // Without a default of the server's the printer decides: the job
        // carries the attribute only when the user picks a value (taking the
        // first value instead would, say, reverse every job's page order).
        if (ipp_attribute_t *def = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, name))
            option.defaultChoice = QString::fromUtf8(ippGetString(def, 0, nullptr));
        if (!option.find(option.defaultChoice))
            option.defaultChoice.clear();
        if (!option.choices.empty())
            out.options.push_back(std::move(option));
    }
    addStandardIppOptions(dest, info, out);
    addIppConstraints(dest, info, out);
    return result;
}

} // namespace

QString CupsText(const char *localized, const QByteArray &key, const QByteArray &raw)
{
    if (localized && *localized && key != localized && raw != localized)
        return QString::fromUtf8(localized);
    // Kept by libcups for the life of the program.
    static cups_lang_t *const english = cupsLangGet("en");
    const char *text = english ? _cupsLangString(english, key.constData()) : nullptr;
    if (text && *text && key != text)
        return QString::fromUtf8(text);
    return QString::fromUtf8(raw);
}

QString CupsMediaText(const QByteArray &media, bool borderless, const char *measured, const QString &ppdText)
{
    static const QByteArray kBorderless("_borderless");
    const QByteArray base = media.endsWith(kBorderless) ? media.chopped(kBorderless.size()) : media;
    QString name = CupsText(nullptr, "media." + base, QByteArray());
    if (name.isEmpty())
        name = ppdText;
    if (name.isEmpty())
        return measured && *measured ? QString::fromUtf8(measured) : QString::fromUtf8(media);
    if (!borderless)
        return name;
    const char *format = _cupsLangString(cupsLangDefault(), "%s (Borderless)");
    const QString pattern = QString::fromUtf8(format ? format : "%s (Borderless)");
    return pattern.contains(QLatin1String("%s")) ? QString(pattern).replace(QLatin1String("%s"), name)
                                                 : name + QStringLiteral(" (Borderless)");
}

QString MediaSourceForInputSlot(const QString &choice)
{
    // The names the server gives well-known trays; others are the choice in
    // lower case with dashes between words.
    static const std::pair<const char *, const char *> kKnown[] = {
        {"Auto", "auto"}, {"Default", "auto"}, {"Cassette", "main"}, {"PhotoTray", "photo"}, {"CDTray", "disc"},
        {"Multipurpose", "by-pass-tray"}, {"MP", "by-pass-tray"}, {"MPTray", "by-pass-tray"},
        {"LargeCapacity", "large-capacity"}, {"Lower", "bottom"}, {"Middle", "middle"}, {"Upper", "top"},
        {"Side", "side"}, {"Roll", "main-roll"}, {"Roll1", "main-roll"}, {"Roll2", "alternate-roll"},
        {"Manual", "manual"}, {"ManualFeed", "manual"}, {"Envelope", "envelope"}};
    for (const auto &[ppd, ipp] : kKnown) {
        if (choice.compare(QLatin1String(ppd), Qt::CaseInsensitive) == 0)
            return QLatin1String(ipp);
    }
    QString name;
    for (qsizetype i = 0; i < choice.size(); ++i) {
        const QChar ch = choice[i];
        if (ch.isUpper() && i > 0 && choice[i - 1].isLower())
            name += QLatin1Char('-');
        name += ch.isLetterOrNumber() ? ch.toLower() : QLatin1Char('-');
    }
    return name;
}

bool ReadPpdDriverOptions(const QByteArray &path, int numDestOptions, cups_option_t *destOptions, TCupsDriverInfo &out)
{
    PpdFile file;
    file.ppd = ppdOpenFile(path.constData());
    if (!file.ppd)
        return false;
    ppd_file_t *ppd = file.ppd;
    ppdLocalize(ppd);
    ppdMarkDefaults(ppd);
    // The queue's saved choices (lpoptions) of the PPD's own options.
    for (int i = 0; i < numDestOptions; ++i) {
        if (ppdFindOption(ppd, destOptions[i].name))
            ppdMarkOption(ppd, destOptions[i].name, destOptions[i].value);
    }
    out = {};
    for (int i = 0; i < ppd->num_groups; ++i)
        addGroup(ppd->groups[i], out);
    if (ppd_option_t *pageSize = ppdFindOption(ppd, "PageSize")) {
        for (int i = 0; i < ppd->num_sizes; ++i) {
            const ppd_size_t &size = ppd->sizes[i];
            const ppd_choice_t *choice = ppdFindChoice(pageSize, size.name);
            if (!choice || size.width <= 0 || size.length <= 0)
                continue;
            out.pageSizes.push_back({QString::fromUtf8(size.name), text(choice->text, size.name),
                                     static_cast<int>(std::lround(size.width * 2540.0 / 72.0)),
                                     static_cast<int>(std::lround(size.length * 2540.0 / 72.0))});
        }
    }
    for (int i = 0; i < ppd->num_consts; ++i) {
        const ppd_const_t &c = ppd->consts[i];
        out.options.constraints.push_back({QString::fromUtf8(c.option1), QString::fromUtf8(c.choice1),
                                   QString::fromUtf8(c.option2), QString::fromUtf8(c.choice2)});
    }
    return true;
}

TCupsDriverInfo ReadCupsDriverOptions(cups_dest_t *dest, cups_dinfo_t *info)
{
    char path[1024] = "";
    time_t modified = 0;
    const http_status_t status = cupsGetPPD3(CUPS_HTTP_DEFAULT, dest->name, &modified, path, sizeof path);
    if (status == HTTP_STATUS_OK) {
        TCupsDriverInfo out;
        const bool read = ReadPpdDriverOptions(QByteArray(path), dest->num_options, dest->options, out);
        ::unlink(path);
        // A PPD that cannot be read leaves the standard settings alone.
        return read ? out : TCupsDriverInfo{};
    }
    if (path[0])
        ::unlink(path);
    return readIpp(dest, info);
}

} // namespace vellora
