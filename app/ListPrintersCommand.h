// vellora --list-printers [--json]: the printers with their paper sizes
// (name, number, size, margins), trays, resolutions, capabilities and the
// default printer.
#pragma once

#include "app/CommandLine.h"

namespace vellora::app {

int listPrintersCommand(const ParsedArgs &args);

} // namespace vellora::app
