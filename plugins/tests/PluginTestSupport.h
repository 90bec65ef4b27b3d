// Helpers of the plug-in tests: the helper process of this build, a log
// that records what plug-in trouble was reported, plug-in folders made of
// copies (so that each test's plug-ins have their own paths), and pictures
// written by ImageMagick.
#pragma once

#include "plugins/SPIs.h"

#include <QImage>
#include <QString>
#include <QStringList>

namespace vellora::test {

// Points the helper at this build's vellora-spi-host; time limit in ms.
void UseTestHost(int timeoutMs = 30000);

// Records the plug-in log while it lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    QStringList Lines() const;
    // Lines that contain text.
    int Count(const QString &text) const;
};

// A fresh folder holding copies of the named plug-ins: "sample" is the
// sample plug-in, any other name a test plug-in ("crash" → crash.spi).
// A name may carry the copy's own name: "sample=b.spi".
QString PluginFolder(const QString &name, const QStringList &plugins);

// Runs /usr/bin/convert with the arguments; false when it fails.
bool Magick(const QStringList &args);

} // namespace vellora::test
