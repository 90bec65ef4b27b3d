// vellora --show-document FILE: the layout and the print list of a document
// file as one JSON object whose keys are the model's property names,
// enumerations as their value names and lengths in millimetres. A file that
// cannot be read gives the read message on standard error and status 1.
#pragma once

#include "app/CommandLine.h"

#include <QJsonObject>

namespace vellora {
class TImageInfos;
class TPhotoPaper;
}

namespace vellora::app {

// The document as the command prints it; `fileName` is where embedded
// images are read from.
QJsonObject documentJson(const TPhotoPaper &paper, const TImageInfos &images, const QString &fileName);

int runShowDocument(const ParsedArgs &args);

} // namespace vellora::app
