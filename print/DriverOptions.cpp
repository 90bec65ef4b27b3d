#include "print/DriverOptions.h"

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
    static const char *const kStandard[] = {"PageSize", "PageRegion", "InputSlot", "Resolution", "Duplex",
                                            "ColorModel", "media", "media-source", "printer-resolution", "sides",
                                            "print-color-mode", "copies", "multiple-document-handling",
                                            "page-ranges", "orientation-requested", "job-name", "collate"};
    return std::any_of(std::begin(kStandard), std::end(kStandard),
                       [&](const char *k) { return keyword == QLatin1String(k); });
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
    std::vector<std::pair<QString, QString>> order(given.begin(), given.end());
    for (const auto &[keyword, value] : options.Defaults()) {
        if (!given.count(keyword))
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
