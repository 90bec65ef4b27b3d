// The printer's own options (a driver's settings beyond the standard device
// settings): what they are, which choices they offer, what they are set to by
// default and which combinations the printer cannot do. They come from the
// queue's PPD or, without one, from the printer's IPP attributes. Options
// that the standard settings already cover (paper, tray, resolution, duplex,
// colour) are left out, so each setting appears once. Nothing here throws.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <vector>

namespace vellora {

enum class TDriverOptionKind : std::uint8_t { dokPickOne, dokPickMany, dokBoolean };

struct TDriverChoice {
    QString choice;             // the value sent with a job
    QString text;               // shown to the user
    bool operator==(const TDriverChoice &) const = default;
};

struct TDriverOption {
    QString keyword;
    QString text;
    QString group;              // the group's text, empty for none
    TDriverOptionKind kind = TDriverOptionKind::dokPickOne;
    std::vector<TDriverChoice> choices;
    QString defaultChoice;      // the queue's saved default
    bool readOnly = false;      // installable hardware: shown, not changed per job
    bool operator==(const TDriverOption &) const = default;

    const TDriverChoice *find(const QString &choice) const;
};

// Two choices that cannot be made together. An empty choice stands for any
// choice that turns the option on (not "None", "False" or "Off").
struct TDriverConstraint {
    QString keyword1, choice1, keyword2, choice2;
    bool operator==(const TDriverConstraint &) const = default;
};

// Chosen values, keyword -> choice.
using TDriverValues = std::map<QString, QString>;

struct TDriverOptions {
    std::vector<TDriverOption> options;
    std::vector<TDriverConstraint> constraints;
    bool operator==(const TDriverOptions &) const = default;

    const TDriverOption *find(const QString &keyword) const;
    // The defaults of every option.
    TDriverValues Defaults() const;
};

// The keywords of the standard settings, which the lists leave out.
bool IsStandardDriverKeyword(const QString &keyword);

// The options whose chosen values conflict with choosing `choice` for
// `keyword` (the other option's keyword and value). Values not given are the
// defaults. Empty when the choice is free.
std::vector<std::pair<QString, QString>> DriverConflicts(const TDriverOptions &options, const TDriverValues &values,
                                                         const QString &keyword, const QString &choice);

// Keeps the values a printer takes: known keywords with one of their choices
// (several comma-separated ones for pick-many) and not read-only; the rest
// fall back to the defaults. Whatever conflicts with an earlier value (in
// keyword order) goes back to its default too.
TDriverValues CheckedDriverValues(const TDriverOptions &options, const TDriverValues &values);

} // namespace vellora
