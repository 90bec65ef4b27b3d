#include "app/Application.h"
#include "app/CommandLine.h"
#include "settings/Version.h"

#include <QProcess>
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
