// The manual page and the program's own usage text name the same options,
// and every option they name is one the program takes; the guide's pages
// point only at files that are there.
#include "app/CommandLine.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

using namespace vellora::app;

namespace {

QSet<QString> longOptions(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("--([a-z][a-z-]*[a-z])"));
    QSet<QString> names;
    for (auto it = re.globalMatch(text); it.hasNext();)
        names.insert(it.next().captured(1));
    return names;
}

QString manPageText()
{
    QFile file(QStringLiteral(VELLORA_SOURCE_DIR "/docs/vellora.1"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // roff writes a plain hyphen as "\-".
    return QString::fromUtf8(file.readAll()).replace(QStringLiteral("\\-"), QStringLiteral("-"));
}

} // namespace

TEST(ManPage, NamesTheSameOptionsAsHelpAndTheParserTakesThem)
{
    QProcess p;
    p.start(QStringLiteral(VELLORA_EXE), {"--help"});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QSet<QString> help = longOptions(QString::fromUtf8(p.readAllStandardOutput()));
    const QString page = manPageText();
    ASSERT_FALSE(page.isEmpty());
    const QSet<QString> man = longOptions(page);
    ASSERT_TRUE(help.contains(QStringLiteral("export")) && help.contains(QStringLiteral("color-manage")));

    EXPECT_TRUE((help - man).isEmpty()) << "missing in the manual page: "
                                        << QStringList((help - man).values()).join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE((man - help).isEmpty()) << "missing in --help: "
                                        << QStringList((man - help).values()).join(QLatin1Char(' ')).toStdString();
    for (const QString &name : help) {
        try {
            parseArguments({QStringLiteral("--") + name});
        } catch (const UsageError &e) {
            EXPECT_FALSE(e.message.startsWith(QLatin1String("unknown option"))) << name.toStdString();
        }
    }
}

TEST(ManPage, RendersWithoutWarnings)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("groff"), {"-ww", "-z", "-man", QStringLiteral(VELLORA_SOURCE_DIR "/docs/vellora.1")});
    if (!p.waitForStarted())
        GTEST_SKIP() << "groff is not installed";
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(p.readAll()), QString());
}

TEST(Guide, BothLanguagesHaveTheSamePagesAndEveryLinkAndPictureExists)
{
    const QString root = QStringLiteral(VELLORA_SOURCE_DIR "/docs/guide");
    const auto pages = [&](const char *language) {
        return QDir(root + QLatin1Char('/') + QLatin1String(language)).entryList({"*.html"}, QDir::Files, QDir::Name);
    };
    ASSERT_TRUE(pages("ja").contains(QStringLiteral("index.html")));
    EXPECT_EQ(pages("ja"), pages("en"));

    static const QRegularExpression ref(QStringLiteral("(src|href)=\"([^\"#]*)(?:#[^\"]*)?\""));
    QStringList missing;
    int pictures = 0;
    for (QDirIterator it(root, {"*.html"}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString page = it.next();
        QFile file(page);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        for (auto matches = ref.globalMatch(html); matches.hasNext();) {
            const QRegularExpressionMatch m = matches.next();
            const QString target = m.captured(2);
            if (target.isEmpty())
                continue;
            // Readable without a network: pictures and styles come from here.
            EXPECT_FALSE(m.captured(1) == QLatin1String("src") && target.contains(QLatin1String("//")))
                << page.toStdString() << ": " << target.toStdString();
            if (target.contains(QLatin1String("://")) || target.startsWith(QLatin1String("mailto:")))
                continue;
            if (target.endsWith(QLatin1String(".png")))
                ++pictures;
            if (!QFileInfo(QFileInfo(page).dir(), target).isFile())
                missing << QDir(root).relativeFilePath(page) + QStringLiteral(": ") + target;
        }
        EXPECT_FALSE(html.contains(QLatin1String("<script"))) << page.toStdString();
    }
    EXPECT_GT(pictures, 0);
    EXPECT_TRUE(missing.isEmpty()) << missing.join(QLatin1Char('\n')).toStdString();
}

TEST(Guide, TheSoftwareCentresScreenshotsAreTheGuidesPictures)
{
    QFile file(QStringLiteral(VELLORA_SOURCE_DIR "/app/desktop/org.vellora.Vellora.metainfo.xml"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    static const QRegularExpression image(QStringLiteral("<image>[^<]*/guide/images/([^<]+)</image>"));
    QStringList names;
    for (auto it = image.globalMatch(QString::fromUtf8(file.readAll())); it.hasNext();)
        names << it.next().captured(1);
    ASSERT_FALSE(names.isEmpty());
    for (const QString &name : names)
        EXPECT_TRUE(QFileInfo::exists(QStringLiteral(VELLORA_SOURCE_DIR "/docs/guide/images/") + name)) << name.toStdString();
}
