// The standard papers Vellora knows without a printer: what the layout dialog
// offers when no printer is installed (or for a layout only exported), and
// the names --paper accepts. Also the one limit on a sheet's size that the
// dialog, the designer, document reading and the command line share.
#pragma once

#include <QString>
#include <QStringList>
#include <span>

namespace vellora {

struct TStandardPaper {
    const char16_t *name;    // shown and stored as the paper size name ("A4", "L判")
    const char *alias;       // ASCII name for the command line ("A4", "L"), or null
    double width, height;    // portrait, mm
    int number;              // public paper size number; 256 (user-defined) when it has none
};

// In the order the dialog lists them.
std::span<const TStandardPaper> StandardPapers();

// The paper of a name (the Japanese name, or an ASCII alias; case does not
// matter, nor "判" after L and 2L), or null.
const TStandardPaper *FindStandardPaper(const QString &name);

// "A4 (210 × 297 mm)": a list entry.
QString StandardPaperCaption(const TStandardPaper &paper);

// The names --paper accepts besides WIDTHxHEIGHT, for the help text.
QStringList StandardPaperAliases();

// The longest side of a sheet Vellora lays out, in mm: A0's long side and a
// little more. A page of this size still fits in memory at the export
// resolution; a larger one would be designed and then fail to print.
inline constexpr double kMaxPaperMM = 1200.0;
// The shortest side a sheet may have.
inline constexpr double kMinPaperMM = 1.0;

// Whether a width and height are within the limits.
bool PaperSizeAllowed(double widthMM, double heightMM);
// The message for a size outside them.
QString PaperSizeLimitMessage();

} // namespace vellora
