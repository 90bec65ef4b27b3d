// vellora --info [--json] PATH...: the facts a print-list entry takes from
// each image file (Exif date, orientation, description, comment, sizes, file
// facts, embedded thumbnail). Folders stand for the image files directly in
// them. One JSON object per file and line with --json; a file that cannot be
// read gives an entry with its error and the exit status 1.
#pragma once

#include "app/CommandLine.h"

#include <QJsonObject>
#include <QStringList>

namespace vellora::app {

// Files as given; folders replaced by their image files (not recursive),
// sorted by name.
QStringList expandImagePaths(const QStringList &paths);

// The facts of one file as the JSON object of the command's output; a file
// that fails gives {"file", "error"}.
QJsonObject imageFacts(const QString &path);

int runInfo(const ParsedArgs &args);

} // namespace vellora::app
