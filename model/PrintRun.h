// The print run: turns the print list into pages, each cell receiving the
// next image slot, and sends the pages to the printer (a print job), to JPEG
// files or to one PDF file whose pages each hold the drawn page as a JPEG
// image. Progress and cancel go through the paper's OnBeginPrint / OnPrint,
// between pages only. Errors from drawing, the printer or the files pass on
// after the job or document is closed. UI thread; page images may be
// compressed on one helper thread, which never changes the output.
#pragma once

#include "model/PrintOptions.h"
#include "model/Types.h"

#include <QString>

namespace vellora {

class TPhotoPaper;

// The resolution of exported pages when there is no printer to take it from.
inline constexpr int kExportDefaultDpi = 300;

// Choices of a run that the dialogs do not offer.
struct TPrintRunSettings {
    // Resolution of exported page images; 0 takes the printer's (vertical)
    // resolution, or kExportDefaultDpi without a printer.
    int exportDpi = 0;
    // Compress the previous page image while the next page is drawn.
    bool pipelined = true;
};

// Fills the paper's PhotoList: StartArea - 1 empty slots (null), then each
// entry of the print list (checked ones only when CheckOnly) repeated by its
// copy count. The print preview uses the same slots.
void BuildImageSlots(TPhotoPaper &paper, const TPrintOptions &options);

// TPhotoPaper::Print with the extra settings; returns the number of pages
// produced (printed, written as JPEG files or placed in the PDF).
int RunPrint(TPhotoPaper &paper, TPrintDest dest, const TPrintOptions *options, const QString &filePath,
             int startNum, const TPrintRunSettings &settings = {});

} // namespace vellora
