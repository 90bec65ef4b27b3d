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
