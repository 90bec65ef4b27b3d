// The printer's own options (a driver's settings beyond the standard device
// settings): what they are, which choices they offer, what they are set to by
// default and which combinations the printer cannot do. They come from the
// queue's PPD or, without one, from the printer's IPP attributes. Paper and
// tray are left out (the layout and the setup dialog own them); duplex,
// resolution and colour mode are options like the vendor's, so that their
// constraints and installable hardware hold for them too. Nothing here throws.
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

// The IPP attribute and value that a PPD's Duplex, ColorModel or Resolution
// choice stands for ("sides" "two-sided-long-edge", "print-color-mode"
// "monochrome", "printer-resolution" "1200dpi"), as the server maps them.
// An IPP name with a value is returned as it is; empty for anything else.
std::pair<QString, QString> IppEquivalent(const QString &keyword, const QString &choice);

// The option of `options` that `keyword`=`choice` names: the keyword itself
// when the printer has it, else the PPD keyword for an IPP name or the IPP
// name for a PPD keyword, with the choice that means the same. Empty when
// nothing matches (the keyword of the result then says which option was
// found, if any, for the message).
struct TDriverChoiceMatch {
    QString keyword;            // the printer's own keyword, empty when none
    QString choice;             // its choice, empty when none means the same
};
TDriverChoiceMatch MatchDriverChoice(const TDriverOptions &options, const QString &keyword, const QString &choice);

// A resolution choice ("600dpi", "600x1200dpi"), or {0, 0}.
std::pair<int, int> ParseResolutionChoice(const QString &choice);

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
