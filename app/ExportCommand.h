// vellora --export pdf|jpeg --output PREFIX and vellora --print [--printer
// NAME]: the print run from the command line. The print list comes from image
// paths and folders (and a document, when this build reads them); a quick
// layout (--paper, --landscape, --grid, --margins, --spacing, --fit) sets up
// the paper. Progress goes to standard error, SIGINT cancels between pages.
// An image that cannot be read is named on standard error and its cell left
// without a photo; photos that print below 150 ppi are warned about.
// Exit status: 0 done, 1 failed, 2 bad arguments, 3 finished but some images
// could not be read, 130 cancelled.
#pragma once

#include "app/CommandLine.h"

namespace vellora::app {

inline constexpr int kExitSomeImagesUnreadable = 3;

int runExport(const ParsedArgs &args);

} // namespace vellora::app
