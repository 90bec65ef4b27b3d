// The window's language: Japanese, the language the texts are written in,
// or English through the translation built from translations/vellora_en.ts.
// The choice is made once at start-up (setting "Language" of section
// "Option": auto, ja or en); auto follows the user's locale. UI thread only.
#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;

namespace vellora::app {

// "ja" or "en" for a setting (auto, ja, en; anything else counts as auto)
// and the user's locale: auto means Japanese for a Japanese locale, English
// for every other one.
QString ResolveLanguage(const QString &setting, const QLocale &locale);

// The setting as stored ("auto" when not set), read where the main window
// keeps its settings.
QString LanguageSetting();

// The folders searched for vellora_<lang>.qm, in order: beside the program
// (the build tree), then the installed share/vellora/translations.
QStringList TranslationFolders();

// Installs the translators for a language on the application: the program's
// own for English, Qt's for its standard texts (buttons, file dialogs).
// Returns false when the program's translation was not found (the window then
// stays Japanese). The translators live as long as the application.
bool InstallLanguage(const QString &language, const QStringList &folders = TranslationFolders());

// The language the window shows: the one installed at start-up, or what the
// locale gives when none was (the tests).
QString WindowLanguage();

} // namespace vellora::app
