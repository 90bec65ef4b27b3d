#include "print/tests/PrintTestSupport.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <algorithm>
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

QString jobAttribute(int jobId, const char *name, const QString &queue)
{
    if (jobId == 0) {
        cups_job_t *jobs = nullptr;
        const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.toUtf8().constData(), 0, CUPS_WHICHJOBS_ALL);
        for (int i = 0; i < count; ++i)
            jobId = std::max(jobId, jobs[i].id);
        cupsFreeJobs(count, jobs);
    }
    ipp_t *request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr,
                 QStringLiteral("ipp://localhost/jobs/%1").arg(jobId).toUtf8().constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "all");
    ipp_t *response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    QString value;
    if (ipp_attribute_t *a = response ? ippFindAttribute(response, name, IPP_TAG_ZERO) : nullptr) {
        if (ippGetValueTag(a) == IPP_TAG_RESOLUTION) {
            int y = 0;
            ipp_res_t units = IPP_RES_PER_INCH;
            const int x = ippGetResolution(a, 0, &y, &units);
            value = x == y ? QStringLiteral("%1dpi").arg(x) : QStringLiteral("%1x%2dpi").arg(x).arg(y);
        } else if (ippGetValueTag(a) == IPP_TAG_INTEGER) {
            value = QString::number(ippGetInteger(a, 0));
        } else {
            value = QString::fromUtf8(ippGetString(a, 0, nullptr));
        }
    }
    ippDelete(response);
    return value;
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

TestQueue::TestQueue(const QString &name, bool withPpd, const QString &device) : FName(name)
{
    FOutput = QStringLiteral(VELLORA_BUILD_DIR "/cups/out/") + name + QStringLiteral(".pdf");
    QFile::remove(FOutput);
    QStringList args{QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                     device.isEmpty() ? QStringLiteral("file://") + FOutput : device};
    if (withPpd)
        args << QStringLiteral("-m") << QStringLiteral("lsb/usr/cupsfilters/Generic-PDF_Printer-PDF.ppd");
    QProcess p;
    p.start(QStringLiteral("lpadmin"), args);
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
