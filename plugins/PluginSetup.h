// Plug-ins for the parts of the program without the main window (the
// command-line commands), and the filter texts the main window's open
// dialog and extension list take from the loaded plug-ins.
#pragma once

#include "plugins/SPIs.h"

#include <QString>
#include <memory>

namespace vellora {

// The folder of the settings key "Susie" in section "Option" of the user's
// settings file (empty when unset). Reads only; never writes the file.
QString SusieFolderSetting();

// Searches folder (a folder, not a pattern) for "*.spi"; nothing when empty.
int SearchSusieFolder(TSPIs &spis, const QString &folder);

// Makes the process's plug-in manager as the main window has it (search
// options {spsSusieDir, spsAppDir}, no preview), searches the standard
// folders and then the settings folder. nullptr when a TSPIs exists already.
std::unique_ptr<TSPIs> LoadStandardPlugins();

} // namespace vellora
