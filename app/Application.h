// The graphical program: creates the application and the program-wide
// objects in their order, shows the main window, runs the event loop and
// frees everything in reverse order.
#pragma once

#include <QString>
#include <QStringList>

class QIcon;

namespace vellora::app {

// The one application ID: desktop file, icon name and the window's desktop
// file name.
inline constexpr char kApplicationId[] = "org.vellora.Vellora";

// Runs the main window; returns the exit status (2 without a display).
int runWindow(int argc, char **argv);

// Command-line paths as the window takes them: file URIs become paths.
QStringList windowPaths(const QStringList &arguments);

// The program's and the document's icons.
QIcon applicationIcon();
QIcon documentIcon();

} // namespace vellora::app
