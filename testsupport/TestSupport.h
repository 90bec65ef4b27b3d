// Helpers shared by the test executables: where test data lives, the shared
// sample photos (which may be absent on a user's machine) and a fixed font.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

class QTranslator;

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

// Makes a FIFO at `path`, replacing what is there; false when it cannot.
bool makeFifo(const QString &path);

// While alive, opens the given FIFOs for writing again and again, starting
// after `delay`, so that a reader blocked in opening one is let go: a reader
// that should never have opened it then shows as time taken, not as a hung
// test.
class FifoRelease {
public:
    explicit FifoRelease(const QStringList &paths, std::chrono::milliseconds delay = {});
    ~FifoRelease();
    FifoRelease(const FifoRelease &) = delete;
    FifoRelease &operator=(const FifoRelease &) = delete;

private:
    std::atomic_bool FDone{false};
    std::thread FThread;
};

// While alive, the window's texts come in English: the program's English
// translation built beside it (app/translations/vellora_en.qm) is installed on
// the application. Without one the tests see the Japanese source texts.
// Throws std::runtime_error when the translation has not been built.
class EnglishTexts {
public:
    EnglishTexts();
    ~EnglishTexts();
    EnglishTexts(const EnglishTexts &) = delete;
    EnglishTexts &operator=(const EnglishTexts &) = delete;

private:
    std::unique_ptr<QTranslator> FTranslator;
};

} // namespace vellora::test

// Skips the current test with a message when the shared photos are absent.
#define VELLORA_REQUIRE_SHARED_PHOTOS()                                                  \
    do {                                                                                \
        if (::vellora::test::sharedPhotosDir().isEmpty())                               \
            GTEST_SKIP() << "shared sample photos not found beside the project root"; \
    } while (0)
