#include "app/Language.h"

#include "settings/Helpers.h"
#include "settings/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace vellora::app {

QString ResolveLanguage(const QString &setting, const QLocale &locale) {
    const QString value = setting.trimmed().toLower();
    if (value == QLatin1String("ja") || value == QLatin1String("en"))
        return value;
    return locale.language() == QLocale::Japanese ? QStringLiteral("ja") : QStringLiteral("en");
}

QString LanguageSetting() {
    // Read where the main window keeps it, without making the folder.
    TExtIniFile ini;
    ini.SetAutoUpdate(false);
    ini.SetFileName(GetSpecialFolder(TSpecialFolder::sfAppData) + QStringLiteral("Vellora/Vellora.ini"));
    ini.SetDefaultFolder(TDefaultFolder::dfUser);
    return ini.ReadStr(QStringLiteral("Option"), QStringLiteral("Language"), QStringLiteral("auto"));
}

QStringList TranslationFolders() {
    const QString exe = QCoreApplication::applicationDirPath();
    return {exe + QStringLiteral("/translations"),
            QDir::cleanPath(exe + QStringLiteral("/../share/vellora/translations"))};
}

namespace {
QString g_installed;   // set once at start-up, UI thread
}

QString WindowLanguage() {
    return g_installed.isEmpty() ? ResolveLanguage(QString(), QLocale()) : g_installed;
}

bool InstallLanguage(const QString &language, const QStringList &folders) {
    auto *app = QCoreApplication::instance();
    // Qt's own texts (standard buttons, file dialogs); English needs none.
    if (language != QLatin1String("en")) {
        auto *qt = new QTranslator(app);
        if (qt->load(QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(qt);
        else
            delete qt;
    }
    // The texts are written in Japanese: only other languages need ours.
    if (language == QLatin1String("ja")) {
        g_installed = language;
        return true;
    }
    auto *own = new QTranslator(app);
    for (const QString &folder : folders)
        if (own->load(QStringLiteral("vellora_") + language, folder)) {
            QCoreApplication::installTranslator(own);
            g_installed = language;
            return true;
        }
    delete own;
    return false;
}

} // namespace vellora::app
