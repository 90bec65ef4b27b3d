// Wires the print dialog and the print preview into the main window's print
// commands (TfrmMain::OnPrintDialog / OnPreviewWindow) and makes 印刷 and
// 印刷プレビュー usable. Call once after the main window is made.
#pragma once

namespace vellora {

class TfrmMain;

void InstallPrintWindows(TfrmMain &main);

} // namespace vellora
