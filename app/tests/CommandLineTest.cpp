#include "app/Application.h"
#include "app/CommandLine.h"
#include "graphics/ColorManagement.h"
#include "model/PhotoTurn.h"
#include "settings/Version.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vellora::app;

TEST(CommandLine, OptionsValuesAndPathsAreSeparated)
{
    const ParsedArgs a = parseArguments({"--export", "pdf", "--output=out/album", "--json", "a.jpg", "--", "--b.jpg"});
    EXPECT_EQ(a.command, "export");
    EXPECT_EQ(a.options.at("export"), "pdf");
    EXPECT_EQ(a.options.at("output"), "out/album");
    EXPECT_TRUE(a.options.count("json"));
    EXPECT_EQ(a.paths, QStringList({"a.jpg", "--b.jpg"}));
}

TEST(CommandLine, BadArgumentsAreUsageErrors)
{
    EXPECT_THROW(parseArguments({"--nonsense"}), UsageError);
    EXPECT_THROW(parseArguments({"--output"}), UsageError);
    EXPECT_THROW(parseArguments({"--json=1"}), UsageError);
    EXPECT_THROW(parseArguments({"--info", "--print"}), UsageError);
}

TEST(CommandLine, VersionAndHelpRunWithoutADisplay)
{
    QProcess p;
    p.start(QStringLiteral(VELLORA_EXE), {"--version"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).trimmed(),
              QStringLiteral("%1 %2").arg(vellora::version::kProductName, vellora::version::kProductVersion));

    p.start(QStringLiteral(VELLORA_EXE), {"--help"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardOutput().contains("--export"));

    p.start(QStringLiteral(VELLORA_EXE), {"--bogus"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardError().contains("unknown option --bogus"));
}

TEST(CommandLine, WindowWithoutADisplayExitsWithAMessage)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VELLORA_EXE), {"photo.jpg"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardError().contains("no display"));
    // A toolkit option is no usage error, an unknown one still is.
    p.start(QStringLiteral(VELLORA_EXE), {"--style", "fusion", "photo.jpg"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardError().contains("no display"));
}

TEST(CommandLine, WindowPathsTakeFileUris)
{
    EXPECT_EQ(windowPaths({"file:///tmp/a%20b.jpg", "rel/c.jpg", "--", "-x.jpg", "file:///tmp/Jos%C3%A9.vlpf"}),
              (QStringList{"/tmp/a b.jpg", "rel/c.jpg", "-x.jpg", QStringLiteral("/tmp/José.vlpf")}));
}

TEST(CommandLine, ExifRotateComesFromTheOptionElseFromTheSetting)
{
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    auto setting = [&config](const char *line) {
        QDir().mkpath(config.path() + QStringLiteral("/Vellora"));
        QFile ini(config.path() + QStringLiteral("/Vellora/Vellora.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QByteArray("[Option]\n") + line + "\n");
    };
    const bool old = vellora::ExifRotate();
    const struct {
        const char *iniLine;   // null: no settings file
        QStringList args;
        bool expected;
    } cases[] = {
        {nullptr, {"--info", "a.jpg"}, true},                 // on unless set otherwise
        {"ExifRotate=0", {"--info", "a.jpg"}, false},
        {"ExifRotate=1", {"--info", "a.jpg"}, true},
        {"ExifRotate=0", {"--exif-rotate", "on", "--info", "a.jpg"}, true},
        {"ExifRotate=1", {"--exif-rotate=OFF", "--info", "a.jpg"}, false},
    };
    for (const auto &c : cases) {
        QFile::remove(config.path() + QStringLiteral("/Vellora/Vellora.ini"));
        if (c.iniLine)
            setting(c.iniLine);
        vellora::SetExifRotate(!c.expected);
        ApplyExifRotate(parseArguments(c.args));
        EXPECT_EQ(vellora::ExifRotate(), c.expected) << c.args.join(' ').toStdString();
    }
    EXPECT_THROW(ApplyExifRotate(parseArguments({"--exif-rotate", "yes"})), UsageError);
    vellora::SetExifRotate(old);
    qputenv("XDG_CONFIG_HOME", oldConfig);

    QProcess p;
    p.start(QStringLiteral(VELLORA_EXE), {"--exif-rotate", "sideways", "--info", "a.jpg"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardError().contains("--exif-rotate takes on or off"));
}

TEST(CommandLine, ColorManageComesFromTheSettingOrTheOptionAndPrinterProfilesFromTheSettings)
{
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    const bool old = vellora::ColorManage();
    const struct {
        const char *ini;   // null: no settings file
        QStringList args;
        bool expected;
    } cases[] = {
        {nullptr, {"--info", "a.jpg"}, true},   // on unless set otherwise
        {"[Option]\nColorManage=0\n", {"--info", "a.jpg"}, false},
        {"[Option]\nColorManage=0\n", {"--color-manage", "on", "--info", "a.jpg"}, true},
        {"[Option]\nColorManage=1\n", {"--color-manage=off", "--info", "a.jpg"}, false},
    };
    for (const auto &c : cases) {
        QFile::remove(config.path() + QStringLiteral("/Vellora/Vellora.ini"));
        if (c.ini) {
            QDir().mkpath(config.path() + QStringLiteral("/Vellora"));
            QFile ini(config.path() + QStringLiteral("/Vellora/Vellora.ini"));
            ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
            ini.write(c.ini);
        }
        vellora::SetColorManage(!c.expected);
        ApplyColorManage(parseArguments(c.args));
        EXPECT_EQ(vellora::ColorManage(), c.expected) << c.args.join(' ').toStdString();
    }
    EXPECT_THROW(ApplyColorManage(parseArguments({"--color-manage", "maybe"})), UsageError);
    // A printer's output profile is read with the setting.
    QFile ini(config.path() + QStringLiteral("/Vellora/Vellora.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[PrinterColor]\nPhoto Printer=/p/paper.icc|1|0\n");
    ini.close();
    ApplyColorManage(parseArguments({"--info", "a.jpg"}));
    const vellora::TPrinterColor color = vellora::PrinterColorFor(QStringLiteral("Photo Printer"));
    EXPECT_EQ(color.profile, QStringLiteral("/p/paper.icc"));
    EXPECT_EQ(color.intent, vellora::TRenderIntent::riRelativeColorimetric);
    EXPECT_FALSE(color.blackPointCompensation);
    vellora::SetPrinterColorFor(QStringLiteral("Photo Printer"), {});
    vellora::SetColorManage(old);
    qputenv("XDG_CONFIG_HOME", oldConfig);
}
