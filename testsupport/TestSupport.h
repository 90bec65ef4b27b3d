// Helpers shared by the test executables: where test data lives, the shared
// sample photos (which may be absent on a user's machine) and a fixed font.
#pragma once

#include <QByteArray>
#include <QString>

namespace vellora::test {

// The project's own test data: <source>/testdata/<relative>.
QString testDataPath(const QString &relative);

// The shared sample photos folder, or an empty string when it does not exist.
QString sharedPhotosDir();

// A scratch folder under the build tree that exists; unique per call.
QString scratchDir(const QString &name);

// Reads a whole file; fails the current test when it cannot.
QByteArray readFile(const QString &path);

// Registers the fixed Japanese font of the tests (IPA Gothic) with Qt once and
// returns its family name.
QString testFontFamily();

// Path of the IPA Gothic TrueType file.
QString testFontPath();

} // namespace vellora::test

// Skips the current test with a message when the shared photos are absent.
#define VELLORA_REQUIRE_SHARED_PHOTOS()                                                  \
    do {                                                                                \
        if (::vellora::test::sharedPhotosDir().isEmpty())                               \
            GTEST_SKIP() << "shared sample photos not found beside the project root"; \
    } while (0)
