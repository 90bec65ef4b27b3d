// Exporting the print list to JPEG files or one PDF file, shared by the main
// window and the command line: which files a run will write (to ask before
// overwriting), and the run itself with the PDF written to a temporary file
// beside the target, so a failed run leaves an existing file untouched.
#pragma once

#include "model/PrintRun.h"

#include <QString>
#include <QStringList>

#include <exception>

namespace vellora {

class TPhotoPaper;
struct TPhotoDrawReport;

// Why the run cannot write these files, in words for the user (a missing
// folder, a folder where a file should go, no permission); empty when
// nothing stands in the way as far as can be told before drawing.
QString ExportWriteProblem(const QStringList &targets);

// An error of a run in words for the user: the file and the reason
// (`target` names what was being written when the error does not).
QString RunErrorText(const std::exception &e, const QString &target);

// The photos a run could not use or printed blurred, collected from the
// paper's OnPhotoDrawn: the same facts the command line prints.
class TPhotoProblems {
public:
    static constexpr int kLowResolutionPpi = 150;
    // What the cell of `page` did with its photo.
    void Add(const TPhotoDrawReport &report, int page);
    bool Empty() const noexcept { return FLines.isEmpty(); }
    int Unreadable() const noexcept { return FUnreadable; }
    int LowResolution() const noexcept { return FLowResolution; }
    // One line per photo and cell, at most `shown` of them and a count of the rest.
    QString Text(int shown = 20) const;

private:
    QStringList FLines;
    QStringList FSeen;   // unreadable files, each named once
    int FUnreadable = 0;
    int FLowResolution = 0;
};

// Pages the run will produce with these options (the print list, checked
// images only when asked, the start cell and the page range).
int ExportPageCount(TPhotoPaper &paper, const TPrintOptions &options);

// The files a run writes: prefix + ".pdf", or prefix + number + ".jpg" for
// each page produced, numbers from startNum.
QStringList ExportTargets(TPhotoPaper &paper, const TPrintOptions &options, TPrintDest dest,
                          const QString &prefix, int startNum);

// RunPrint for the export destinations. A PDF goes to a temporary file in
// the target's folder and replaces the target only when the run ends
// (finished or cancelled) with at least one page; on an error or without
// pages the temporary file is removed and the target stays as it was.
int RunExport(TPhotoPaper &paper, TPrintDest dest, const TPrintOptions *options, const QString &prefix,
              int startNum, const TPrintRunSettings &settings = {});

} // namespace vellora
