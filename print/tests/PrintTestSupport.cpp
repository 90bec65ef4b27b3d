#include "print/tests/PrintTestSupport.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <cups/cups.h>

namespace vellora::test {

QString privateCupsServer()
{
    static const QString server = [] {
        QFile ready(QStringLiteral(VELLORA_BUILD_DIR "/cups/ready"));
        if (!ready.open(QIODevice::ReadOnly))
            return QString();
        const QString socket = QString::fromUtf8(ready.readAll()).trimmed();
        if (!QFileInfo(socket).exists())
            return QString();
        qputenv("CUPS_SERVER", socket.toUtf8());
        cupsSetServer(socket.toUtf8().constData());
        return socket;
    }();
    return server;
}

QString runTool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " failed: " << p.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

TestQueue::TestQueue(const QString &name) : FName(name)
{
    FOutput = QStringLiteral(VELLORA_BUILD_DIR "/cups/out/") + name + QStringLiteral(".pdf");
    QFile::remove(FOutput);
    QProcess p;
    p.start(QStringLiteral("lpadmin"),
            {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"), QStringLiteral("file://") + FOutput,
             QStringLiteral("-m"), QStringLiteral("lsb/usr/cupsfilters/Generic-PDF_Printer-PDF.ppd")});
    FOk = p.waitForFinished(60000) && p.exitCode() == 0;
    if (!FOk)
        ADD_FAILURE() << "lpadmin: " << p.readAllStandardError().toStdString();
}

TestQueue::~TestQueue()
{
    QProcess::execute(QStringLiteral("lpadmin"), {QStringLiteral("-x"), FName});
}

bool TestQueue::waitIdle() const
{
    QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired()) {
        cups_job_t *jobs = nullptr;
        const int active = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, FName.toUtf8().constData(), 0, CUPS_WHICHJOBS_ACTIVE);
        cupsFreeJobs(active, jobs);
        if (active == 0)
            return true;
        // The scheduler offers no wait for a queue to drain; ask again shortly.
        QThread::msleep(100);
    }
    return false;
}

} // namespace vellora::test
