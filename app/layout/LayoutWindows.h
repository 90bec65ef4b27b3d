#pragma once

namespace vellora {

class TfrmMain;

// Connects the main window's layout and print-position commands to their
// dialogs and makes them usable.
void InstallLayoutWindows(TfrmMain &main);

} // namespace vellora
