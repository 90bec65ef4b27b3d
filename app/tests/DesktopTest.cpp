#include "app/Application.h"

#include "model/DocumentFormat.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

using namespace vellora;

namespace {

int run(const QString &program, const QStringList &args, QString *output = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(300000))
        return -1;
    if (output)
        *output = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

TEST(Desktop, InstallGivesDesktopFileMimeTypeIconsGuideManPageAndMetainfo) {
    QTemporaryDir prefix;
    QString log;
    ASSERT_EQ(run(QStringLiteral(VELLORA_CMAKE),
                  {"--install", QStringLiteral(VELLORA_BUILD_DIR), "--prefix", prefix.path(), "--component",
                   "Unspecified"},
                  &log),
              0)
        << log.toStdString();
    const QString share = prefix.path() + QStringLiteral("/share");
    const QString id = QString::fromLatin1(app::kApplicationId);
    const QString desktop = share + QStringLiteral("/applications/") + id + QStringLiteral(".desktop");
    ASSERT_TRUE(QFileInfo::exists(prefix.path() + QStringLiteral("/bin/vellora")));
    ASSERT_EQ(run(QStringLiteral("desktop-file-validate"), {desktop}, &log), 0) << log.toStdString();
    const QString entry = QString::fromUtf8(test::readFile(desktop));
    EXPECT_TRUE(entry.contains(QStringLiteral("\nExec=vellora %F\n")));
    EXPECT_TRUE(entry.contains(QStringLiteral("\nGenericName[ja]=写真印刷\n")));
    EXPECT_TRUE(entry.contains(QStringLiteral("application/x-vellora-document;")));
    EXPECT_TRUE(entry.contains(QStringLiteral("\nIcon=") + id + QLatin1Char('\n')));
    for (const char *size : {"16x16", "48x48", "256x256"}) {
        EXPECT_TRUE(QFileInfo::exists(share + QStringLiteral("/icons/hicolor/%1/apps/").arg(QLatin1String(size)) + id
                                      + QStringLiteral(".png")));
        EXPECT_TRUE(QFileInfo::exists(share + QStringLiteral("/icons/hicolor/%1/mimetypes/").arg(QLatin1String(size))
                                      + QStringLiteral("application-x-vellora-document.png")));
    }
    EXPECT_TRUE(QFileInfo::exists(share + QStringLiteral("/doc/vellora/Vellora.txt")));

    // The guide with its pictures, the manual page and the AppStream data.
    for (const char *language : {"ja", "en"})
        EXPECT_TRUE(QFileInfo::exists(share + QStringLiteral("/doc/vellora/html/%1/index.html").arg(QLatin1String(language))));
    EXPECT_TRUE(QFileInfo::exists(share + QStringLiteral("/doc/vellora/html/images/main-window.png")));
    EXPECT_TRUE(QFileInfo::exists(share + QStringLiteral("/man/man1/vellora.1.gz")));
    const QString metainfo = share + QStringLiteral("/metainfo/") + id + QStringLiteral(".metainfo.xml");
    ASSERT_TRUE(QFileInfo::exists(metainfo));
    EXPECT_TRUE(QString::fromUtf8(test::readFile(metainfo))
                    .contains(QStringLiteral("<launchable type=\"desktop-id\">") + id + QStringLiteral(".desktop<")));
    if (run(QStringLiteral("appstreamcli"), {"--version"}) == 0)
        EXPECT_EQ(run(QStringLiteral("appstreamcli"), {"validate", "--no-net", metainfo}, &log), 0) << log.toStdString();

    // The MIME type, by name and by content, as the desktop sees it. GIO
    // (what file managers use) asks in a fresh process: Qt's own database
    // keeps the folders it found for a few seconds, so an earlier test in
    // this process could hide the installed type.
    ASSERT_EQ(run(QStringLiteral("update-mime-database"), {share + QStringLiteral("/mime")}, &log), 0)
        << log.toStdString();
    QTemporaryDir files;
    const QString named = files.path() + QStringLiteral("/アルバム.VLPF");
    const QString unnamed = files.path() + QStringLiteral("/album.bin");
    for (const QString &path : {named, unnamed}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(kDocumentSignature) + QByteArray(64, '\0'));
    }
    const auto contentType = [&](const QString &path, const QByteArray &dataDirs) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_DIRS"), QString::fromUtf8(dataDirs));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("gio"), {"info", "-a", "standard::content-type", path});
        p.waitForFinished(60000);
        return QString::fromUtf8(p.readAllStandardOutput());
    };
    const QByteArray withInstall = share.toUtf8() + ":/usr/share";
    for (const QString &path : {named, unnamed}) {
        EXPECT_TRUE(contentType(path, withInstall).contains(QStringLiteral("content-type: application/x-vellora-document")))
            << path.toStdString();
        EXPECT_FALSE(contentType(path, "/usr/share").contains(QStringLiteral("x-vellora-document")))
            << "known without the install: " << path.toStdString();
    }
}

TEST(Desktop, ProgramAndDocumentIconsAreThere) {
    for (const QIcon &icon : {app::applicationIcon(), app::documentIcon()}) {
        EXPECT_FALSE(icon.isNull());
        EXPECT_EQ(icon.availableSizes().size(), 7);
        EXPECT_FALSE(icon.pixmap(32, 32).isNull());
    }
}
