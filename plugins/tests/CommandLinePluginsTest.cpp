// The command-line commands read plug-in formats: the plug-ins of the
// user's folder, of the program's folder and of the folder in the settings.
#include "PluginTestSupport.h"

#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

namespace vellora {
namespace {

struct RunResult {
    int exitCode = -1;
    QString out, err;
};

RunResult runVellora(const QStringList &args, const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("CUPS_SERVER"), QStringLiteral("/nonexistent"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VELLORA_EXE), args);
    RunResult r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "vellora did not finish";
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

// A home with a PAM picture in photos/ that Qt cannot read: 60 × 40, one colour.
QString makeHome(const char *name)
{
    const QString home = test::scratchDir(QLatin1String(name));
    QDir().mkpath(home + QStringLiteral("/photos"));
    QFile f(home + QStringLiteral("/photos/photo.pam"));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("P7\nWIDTH 60\nHEIGHT 40\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n");
    for (int i = 0; i < 60 * 40; ++i)
        f.write("\x20\xA0\x40", 3);
    return home;
}

TEST(CommandLinePlugins, ExportReadsAPamThroughThePluginPastACrashingOne)
{
    const QString home = makeHome("cli-export");
    const QString user = home + QStringLiteral("/data/Vellora/plugins");
    QDir().mkpath(user);
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELLORA_FAULTY_DIR "/crash.spi"), user + QStringLiteral("/00-crash.spi")));
    ASSERT_TRUE(QImage(home + QStringLiteral("/photos/photo.pam")).isNull()) << "Qt reads PAM itself";

    const RunResult r = runVellora({QStringLiteral("--export"), QStringLiteral("pdf"), QStringLiteral("--output"),
                              home + QStringLiteral("/out"), QStringLiteral("--dpi"), QStringLiteral("30"),
                              QStringLiteral("--fit"), QStringLiteral("paper"), home + QStringLiteral("/photos")},
                             home);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.err.count(QStringLiteral("00-crash.spi")), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("1 page(s) written")));

    // The page shows the picture's colour.
    QProcess render;
    render.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-png"),
                                              home + QStringLiteral("/out.pdf"), home + QStringLiteral("/page")});
    ASSERT_TRUE(render.waitForFinished(60000));
    const QImage page(home + QStringLiteral("/page-1.png"));
    ASSERT_FALSE(page.isNull());
    const QRgb centre = page.pixel(page.width() / 2, page.height() / 2);
    EXPECT_NEAR(qRed(centre), 0x20, 12);
    EXPECT_NEAR(qGreen(centre), 0xA0, 12);
    EXPECT_NEAR(qBlue(centre), 0x40, 12);
}

TEST(CommandLinePlugins, InfoSearchesTheFolderOfTheSettingsFile)
{
    const QString home = makeHome("cli-info");
    const QString susie = home + QStringLiteral("/susie plug-ins");
    QDir().mkpath(susie);
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELLORA_FAULTY_DIR "/exit.spi"), susie + QStringLiteral("/exit.spi")));
    QDir().mkpath(home + QStringLiteral("/config/Vellora"));
    QFile ini(home + QStringLiteral("/config/Vellora/Vellora.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Option]\r\nSusie=" + susie.toUtf8() + "\r\n");
    ini.close();

    // A folder lists the plug-in formats; the settings folder's plug-in,
    // claiming .pam and found last, is tried first, named, and passed over.
    const RunResult r = runVellora({QStringLiteral("--info"), QStringLiteral("--json"), home + QStringLiteral("/photos")}, home);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject facts = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_TRUE(facts[QLatin1String("file")].toString().endsWith(QLatin1String("photo.pam"))) << r.out.toStdString();
    EXPECT_EQ(facts[QLatin1String("imageWidth")].toInt(), 60);
    EXPECT_EQ(facts[QLatin1String("imageHeight")].toInt(), 40);
    EXPECT_EQ(r.err.count(QStringLiteral("/exit.spi: the plug-in ended its helper process")), 1) << r.err.toStdString();
}

// The helper processes whose parent is pid (their names are vellora-spi-host).
QList<int> helpersOf(qint64 pid)
{
    QList<int> found;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const int child = entry.toInt(&number);
        if (!number)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(child));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // pid (comm) state ppid ...
        const QByteArray line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        const QList<QByteArray> rest = line.mid(close + 2).split(' ');
        if (rest.size() > 1 && rest[1].toLongLong() == pid && line.contains("(vellora-spi-ho"))
            found << child;
    }
    return found;
}

bool alive(int pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close > 0 && line.mid(close + 2, 1) != "Z";   // a zombie has ended
}

TEST(CommandLinePlugins, AHelperBusyInAPluginEndsWhenTheProgramIsKilled)
{
    const QString home = makeHome("cli-killed");
    const QString user = home + QStringLiteral("/data/Vellora/plugins");
    QDir().mkpath(user);
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELLORA_FAULTY_DIR "/hang.spi"), user + QStringLiteral("/00-hang.spi")));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("CUPS_SERVER"), QStringLiteral("/nonexistent"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VELLORA_EXE), {QStringLiteral("--export"), QStringLiteral("pdf"), QStringLiteral("--output"),
                                          home + QStringLiteral("/out"), home + QStringLiteral("/photos")});
    ASSERT_TRUE(p.waitForStarted());
    // The export reaches the hanging plug-in: its helper is then busy.
    QList<int> helpers;
    for (int i = 0; i < 300 && helpers.isEmpty() && p.state() == QProcess::Running; ++i) {
        p.waitForFinished(50);
        helpers = helpersOf(p.processId());
    }
    ASSERT_EQ(helpers.size(), 1) << p.readAllStandardError().toStdString();
    // Until the plug-in sits in its endless pause() (system call 34), so the
    // helper is busy and not waiting for the next request.
    const auto paused = [&] {
        QFile call(QStringLiteral("/proc/%1/syscall").arg(helpers[0]));
        return call.open(QIODevice::ReadOnly) && call.readAll().startsWith("34 ");
    };
    for (int i = 0; i < 200 && !paused(); ++i)
        QThread::msleep(20);
    EXPECT_TRUE(paused());
    ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
    p.waitForFinished();
    bool ended = false;
    for (int i = 0; i < 100 && !ended; ++i) {
        ended = !alive(helpers[0]);
        if (!ended)
            QThread::msleep(20);
    }
    EXPECT_TRUE(ended) << "the helper " << helpers[0] << " outlived the program";
    if (!ended)
        ::kill(helpers[0], SIGKILL);
}

} // namespace
} // namespace vellora
