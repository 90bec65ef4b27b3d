#include "print/DriverOptions.h"

#include <QRegularExpression>
#include <algorithm>

namespace vellora {

namespace {

bool isOff(const QString &choice)
{
    return choice.compare(QLatin1String("None"), Qt::CaseInsensitive) == 0
           || choice.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0
           || choice.compare(QLatin1String("Off"), Qt::CaseInsensitive) == 0;
}

// Whether the constraint's side (keyword, choice) holds for the value.
bool matches(const QString &wanted, const QString &value)
{
    if (wanted.isEmpty())
        return !value.isEmpty() && !isOff(value);
    // A pick-many value holds several choices.
    const QStringList parts = value.split(QLatin1Char(','));
    return parts.contains(wanted);
}

QString valueOf(const TDriverOptions &options, const TDriverValues &values, const QString &keyword)
{
    if (auto it = values.find(keyword); it != values.end())
        return it->second;
    const TDriverOption *o = options.find(keyword);
    return o ? o->defaultChoice : QString();
}

} // namespace

const TDriverChoice *TDriverOption::find(const QString &value) const
{
    for (const auto &c : choices) {
        if (c.choice == value)
            return &c;
    }
    return nullptr;
}

const TDriverOption *TDriverOptions::find(const QString &keyword) const
{
    for (const auto &o : options) {
        if (o.keyword == keyword)
            return &o;
    }
    return nullptr;
}

TDriverValues TDriverOptions::Defaults() const
{
    TDriverValues values;
    for (const auto &o : options) {
        if (!o.defaultChoice.isEmpty())
            values[o.keyword] = o.defaultChoice;
    }
    return values;
}

bool IsStandardDriverKeyword(const QString &keyword)
{
    static const char *const kStandard[] = {"PageSize", "PageRegion", "InputSlot", "media", "media-source",
                                            "copies", "multiple-document-handling", "page-ranges",
                                            "orientation-requested", "job-name", "collate"};
    return std::any_of(std::begin(kStandard), std::end(kStandard),
                       [&](const char *k) { return keyword == QLatin1String(k); });
}

std::pair<int, int> ParseResolutionChoice(const QString &choice)
{
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{2,5})(?:\\s*x\\s*(\\d{2,5}))?\\s*dpi\\s*$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(choice);
    if (!m.hasMatch())
        return {0, 0};
    const int x = m.captured(1).toInt();
    const int y = m.captured(2).isEmpty() ? x : m.captured(2).toInt();
    return {x, y};
}

namespace {

bool containsAny(const QString &text, std::initializer_list<const char *> words)
{
    return std::any_of(words.begin(), words.end(),
                       [&](const char *w) { return text.contains(QLatin1String(w), Qt::CaseInsensitive); });
}

QString resolutionText(std::pair<int, int> r)
{
    return r.first == r.second ? QStringLiteral("%1dpi").arg(r.first) : QStringLiteral("%1x%2dpi").arg(r.first).arg(r.second);
}

// The PPD keyword of each IPP attribute the server maps.
constexpr std::pair<const char *, const char *> kIppForPpd[] = {
    {"Duplex", "sides"}, {"ColorModel", "print-color-mode"}, {"Resolution", "printer-resolution"}};

} // namespace

std::pair<QString, QString> IppEquivalent(const QString &keyword, const QString &choice)
{
    if (keyword == QLatin1String("sides") || keyword == QLatin1String("print-color-mode"))
        return {keyword, choice};
    if (keyword == QLatin1String("printer-resolution") || keyword == QLatin1String("Resolution")) {
        const auto r = ParseResolutionChoice(choice);
        if (r.first <= 0)
            return {};
        return {QStringLiteral("printer-resolution"), resolutionText(r)};
    }
    if (keyword == QLatin1String("Duplex")) {
        if (choice.isEmpty())
            return {};
        if (isOff(choice) || choice.compare(QLatin1String("Simplex"), Qt::CaseInsensitive) == 0)
            return {QStringLiteral("sides"), QStringLiteral("one-sided")};
        if (containsAny(choice, {"NoTumble", "LongEdge", "Long"}))
            return {QStringLiteral("sides"), QStringLiteral("two-sided-long-edge")};
        if (containsAny(choice, {"Tumble", "ShortEdge", "Short"}))
            return {QStringLiteral("sides"), QStringLiteral("two-sided-short-edge")};
        return {};
    }
    if (keyword == QLatin1String("ColorModel")) {
        if (choice.isEmpty())
            return {};
        if (containsAny(choice, {"Gray", "Grey", "Mono", "Black"}))
            return {QStringLiteral("print-color-mode"), QStringLiteral("monochrome")};
        return {QStringLiteral("print-color-mode"), QStringLiteral("color")};
    }
    return {};
}

TDriverChoiceMatch MatchDriverChoice(const TDriverOptions &options, const QString &keyword, const QString &choice)
{
    if (const TDriverOption *o = options.find(keyword))
        return {o->keyword, o->find(choice) ? choice : QString()};
    // The other name of the same setting: an IPP name on a PPD queue, or a
    // PPD keyword on a queue without one.
    QString other;
    for (const auto &[ppd, ipp] : kIppForPpd) {
        if (keyword == QLatin1String(ipp))
            other = QLatin1String(ppd);
        else if (keyword == QLatin1String(ppd))
            other = QLatin1String(ipp);
    }
    const TDriverOption *o = other.isEmpty() ? nullptr : options.find(other);
    if (!o)
        return {};
    const auto wanted = IppEquivalent(keyword, choice);
    if (wanted.first.isEmpty())
        return {o->keyword, {}};
    // A PPD may offer several choices for one mode ("Gray", "KGray"): the
    // first wins.
    for (const TDriverChoice &c : o->choices) {
        if (IppEquivalent(o->keyword, c.choice) == wanted)
            return {o->keyword, c.choice};
    }
    return {o->keyword, {}};
}

namespace {

std::vector<std::pair<QString, QString>> conflicts(const TDriverOptions &options, const TDriverValues &values,
                                                   const QString &keyword, const QString &choice, bool useDefaults)
{
    std::vector<std::pair<QString, QString>> found;
    auto check = [&](const QString &k1, const QString &c1, const QString &k2, const QString &c2) {
        if (k1 != keyword || k2 == keyword || !matches(c1, choice))
            return;
        QString other;
        if (auto it = values.find(k2); it != values.end())
            other = it->second;
        else if (useDefaults)
            other = valueOf(options, values, k2);
        if (matches(c2, other)) {
            const std::pair<QString, QString> item{k2, other};
            if (std::find(found.begin(), found.end(), item) == found.end())
                found.push_back(item);
        }
    };
    for (const auto &c : options.constraints) {
        check(c.keyword1, c.choice1, c.keyword2, c.choice2);
        check(c.keyword2, c.choice2, c.keyword1, c.choice1);
    }
    return found;
}

} // namespace

std::vector<std::pair<QString, QString>> DriverConflicts(const TDriverOptions &options, const TDriverValues &values,
                                                         const QString &keyword, const QString &choice)
{
    return conflicts(options, values, keyword, choice, true);
}

TDriverValues CheckedDriverValues(const TDriverOptions &options, const TDriverValues &values)
{
    TDriverValues given;
    for (const auto &[keyword, value] : values) {
        const TDriverOption *o = options.find(keyword);
        if (!o || o->readOnly)
            continue;
        const QStringList parts = o->kind == TDriverOptionKind::dokPickMany ? value.split(QLatin1Char(','))
                                                                              : QStringList{value};
        const bool known = !parts.isEmpty() && std::all_of(parts.begin(), parts.end(), [&](const QString &p) {
            return o->find(p) != nullptr;
        });
        if (known)
            given[keyword] = value;
    }
    // Given values first, then the defaults; a value in conflict with one
    // taken before it gives way to its default or else to its first free
    // choice, as a driver resolves it.
    // Installable hardware comes first: it is what it is, and a choice
    // that needs a part that is not installed gives way.
    std::vector<std::pair<QString, QString>> order;
    for (const auto &o : options.options) {
        if (o.readOnly && !o.defaultChoice.isEmpty())
            order.emplace_back(o.keyword, o.defaultChoice);
    }
    order.insert(order.end(), given.begin(), given.end());
    for (const auto &[keyword, value] : options.Defaults()) {
        if (!given.count(keyword) && !(options.find(keyword) && options.find(keyword)->readOnly))
            order.emplace_back(keyword, value);
    }
    TDriverValues accepted;
    for (const auto &[keyword, value] : order) {
        QString chosen = value;
        const TDriverOption *o = options.find(keyword);
        if (o && !o->readOnly && !conflicts(options, accepted, keyword, chosen, false).empty()) {
            QStringList candidates{o->defaultChoice};
            for (const auto &c : o->choices)
                candidates << c.choice;
            for (const QString &candidate : candidates) {
                if (!candidate.isEmpty() && conflicts(options, accepted, keyword, candidate, false).empty()) {
                    chosen = candidate;
                    break;
                }
            }
        }
        accepted[keyword] = chosen;
    }
    return accepted;
}

} // namespace vellora
