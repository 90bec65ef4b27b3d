// Exporting the print list to JPEG files or one PDF file, shared by the main
// window and the command line: which files a run will write (to ask before
// overwriting), and the run itself with the PDF written to a temporary file
// beside the target, so a failed run leaves an existing file untouched.
#pragma once

#include "model/PrintRun.h"

#include <QString>
#include <QStringList>

namespace vellora {

class TPhotoPaper;

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
