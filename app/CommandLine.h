// The command line: parses the arguments and runs one command. Commands that
// need no display run without a window; the graphical program starts when no
// command option is given.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <map>

namespace vellora::app {

// Options as given: "--name value" pairs, bare flags and the positional paths
// (everything after a lone "--" is a path).
struct ParsedArgs {
    QString command;                       // "info", "export", ... or empty for the window
    std::map<QString, QString> options;    // name without dashes -> value ("" for a flag)
    QStringList paths;
    QStringList printerOptions;            // every --printer-option NAME=CHOICE, in order
};

// Thrown for arguments that cannot be understood; the message is shown as is.
struct UsageError {
    QString message;
};

// Splits argv; `valueOptions` are the options that take a value.
ParsedArgs parseArguments(const QStringList &args);

// A command-line command: gets the parsed arguments, returns the exit status.
using CommandFn = std::function<int(const ParsedArgs &)>;

QString helpText();

// "ExifRotate" of section "Option" in the user's settings file; on when it is
// not there.
bool ExifRotateSetting();
// Sets the program-wide ExifRotate() switch from --exif-rotate on|off, or
// from the settings file without it. UsageError for any other value.
void ApplyExifRotate(const ParsedArgs &args);
// The same for ColorManage() ("Option"/"ColorManage", --color-manage on|off);
// the setting's reader also loads the printers' output profiles.
bool ColorManageSetting();
void ApplyColorManage(const ParsedArgs &args);

int runMain(int argc, char **argv);

} // namespace vellora::app
