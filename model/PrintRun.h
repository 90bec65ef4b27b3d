// The print run: turns the print list into pages, each cell receiving the
// next image slot, and sends the pages to the printer (a print job, made of
// PDF graphics where the printer takes PDF documents), to JPEG files or to
// one PDF file whose pages each hold the drawn page as a JPEG image (or are
// PDF graphics). Progress and cancel go through the paper's OnBeginPrint / OnPrint,
// between pages only. Errors from drawing, the printer or the files pass on
// after the job or document is closed. UI thread; page images may be
// compressed on one helper thread, which never changes the output.
#pragma once

#include "model/PrintOptions.h"
#include "model/Types.h"

#include <QString>

class QImage;
class QPainter;

namespace vellora {

class TPhotoPaper;

// The resolution of exported pages when there is no printer to take it from.
inline constexpr int kExportDefaultDpi = 300;

// How a PDF export draws its pages: each page as one bitmap (as a print
// preview shows it), or as PDF graphics with the photos' own JPEG bytes and
// real text.
enum class TPdfMode : std::uint8_t { pmRaster, pmVector };

// Choices of a run that the dialogs do not offer.
struct TPrintRunSettings {
    TPdfMode pdfMode = TPdfMode::pmRaster;
    // Resolution of exported page images; 0 takes the printer's (vertical)
    // resolution, or kExportDefaultDpi without a printer.
    int exportDpi = 0;
    // Compress the previous page image while the next page is drawn.
    bool pipelined = true;
    // Threads decoding the photos of the coming pages while a page is drawn:
    // 0 takes QThread::idealThreadCount(), 1 decodes on the drawing thread
    // alone. The pages come out the same whatever the count.
    int decodeThreads = 0;
};

// Fills the paper's PhotoList: StartArea - 1 empty slots (null), then each
// entry of the print list (checked ones only when CheckOnly) repeated by its
// copy count. The print preview uses the same slots. A start area beyond the
// grid (the grid shrank after it was chosen) counts as the last cell, so no
// page is left blank.
void BuildImageSlots(TPhotoPaper &paper, const TPrintOptions &options);

// The start area as the slots use it: 1 ... the number of cells.
std::int32_t EffectiveStartArea(const TPhotoPaper &paper, const TPrintOptions &options);

// The pages a run produces with these options when it prints every page:
// 0 when no image is chosen (the skipped cells alone make no page). The
// print dialog and the preview count with it.
int CountPages(const TPhotoPaper &paper, const TPrintOptions &options);

// Where and how finely pages are drawn. Each axis has its own resolution, so a
// 600 x 300 dpi printer gets undistorted pages.
struct TPageGeometry {
    int dpiX = kExportDefaultDpi, dpiY = kExportDefaultDpi;
    double paperWidth = 0, paperHeight = 0;            // mm
    double left = 0, top = 0, right = 0, bottom = 0;   // unprintable margins, mm
    int widthPx = 0, heightPx = 0;                     // printable area in dpiX x dpiY pixels
};

// The geometry of exported page images: the printer's paper and margins (the
// document's paper without a printer) in square pixels at the printer's
// vertical resolution, or at dpiOverride when it is above 0. Throws when the
// printable page is empty.
TPageGeometry ExportPageGeometry(const TPhotoPaper &paper, int dpiOverride = 0);

// The same page scaled by `scale` in both axes (a preview at some zoom);
// at least one pixel each way.
TPageGeometry ScaledPageGeometry(const TPageGeometry &g, double scale);

// Makes the paper ready to draw pages: image slots for the options and the
// print list as the cells' images. Returns the slot count.
int PreparePages(TPhotoPaper &paper, const TPrintOptions &options);

// Draws page `page` (1-based) of the prepared slots: the cells take the slots
// from (page - 1) x cells on, the page number texts show `page`, and canvas
// pixel (0, 0) is the printable area's top-left corner moved by `adjust` mm.
void DrawPrintPage(TPhotoPaper &paper, int page, QPainter &canvas, const TPageGeometry &g,
                   const TFloatSize &adjust = {});

// Page `page` as an image of the printable area filled white first: what an
// export compresses and what the preview shows. Like DrawPrintPage it keeps
// no state of its own and touches no widget or printer, so it may run on a
// helper thread for a paper and entries which that thread alone uses (the
// preview draws on copies). `adjust` moves the drawing as in DrawPrintPage.
QImage RenderPrintPage(TPhotoPaper &paper, int page, const TPageGeometry &g, const TFloatSize &adjust = {});

// TPhotoPaper::Print with the extra settings; returns the number of pages
// produced (printed, written as JPEG files or placed in the PDF).
int RunPrint(TPhotoPaper &paper, TPrintDest dest, const TPrintOptions *options, const QString &filePath,
             int startNum, const TPrintRunSettings &settings = {});

} // namespace vellora
