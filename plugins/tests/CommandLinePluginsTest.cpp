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

} // namespace
} // namespace vellora
