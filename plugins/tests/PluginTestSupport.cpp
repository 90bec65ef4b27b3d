#include "PluginTestSupport.h"

#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <mutex>

namespace vellora::test {

namespace {

std::mutex gLogMutex;
QStringList gLog;

} // namespace

void UseTestHost(int timeoutMs)
{
    TSpiHost::Instance().SetExecutable(QStringLiteral(VELLORA_SPI_HOST_EXE));
    TSpiHost::Instance().SetTimeout(timeoutMs);
}

LogCapture::LogCapture()
{
    {
        std::lock_guard lock(gLogMutex);
        gLog.clear();
    }
    TSpiHost::Instance().SetLog([](const QString &line) {
        std::lock_guard lock(gLogMutex);
        gLog << line;
    });
}

LogCapture::~LogCapture()
{
    TSpiHost::Instance().SetLog(nullptr);
}

QStringList LogCapture::Lines() const
{
    std::lock_guard lock(gLogMutex);
    return gLog;
}

int LogCapture::Count(const QString &text) const
{
    int n = 0;
    for (const QString &line : Lines())
        n += line.contains(text) ? 1 : 0;
    return n;
}

QString PluginFolder(const QString &name, const QStringList &plugins)
{
    const QString folder = scratchDir(QStringLiteral("plugins-") + name);
    for (const QString &spec : plugins) {
        const QString plugin = spec.section(QLatin1Char('='), 0, 0);
        QString target = spec.section(QLatin1Char('='), 1);
        const QString source = plugin == QLatin1String("sample")
                                   ? QStringLiteral(VELLORA_SAMPLE_SPI)
                                   : QStringLiteral(VELLORA_FAULTY_DIR "/") + plugin + QStringLiteral(".spi");
        if (target.isEmpty())
            target = QFileInfo(source).fileName();
        EXPECT_TRUE(QFile::copy(source, folder + QLatin1Char('/') + target)) << source.toStdString();
    }
    return folder;
}

bool Magick(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/convert"), args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << "convert " << args.join(QLatin1Char(' ')).toStdString() << ": "
                      << p.readAllStandardError().toStdString();
        return false;
    }
    return true;
}

} // namespace vellora::test
