// vellora --export pdf|jpeg --output PREFIX and vellora --print [--printer
// NAME]: the print run from the command line. The print list comes from image
// paths and folders (and a document, when this build reads them); a quick
// layout (--paper, --landscape, --grid, --margins, --spacing, --fit) sets up
// the paper. Progress goes to standard error, SIGINT cancels between pages.
// Exit status: 0 done, 1 failed, 2 bad arguments, 130 cancelled.
#pragma once

#include "app/CommandLine.h"

namespace vellora::app {

int runExport(const ParsedArgs &args);

} // namespace vellora::app
