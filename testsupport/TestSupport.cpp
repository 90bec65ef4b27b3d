#include "testsupport/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QTranslator>
#include <QUuid>
#include <gtest/gtest.h>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vellora::test {

QString testDataPath(const QString &relative)
{
    return QStringLiteral(VELLORA_SOURCE_DIR "/testdata/") + relative;
}

QString sharedPhotosDir()
{
    const QString dir = QStringLiteral(VELLORA_SHARED_DIR "/photos");
    return QFileInfo(dir).isDir() ? dir : QString();
}

QString scratchDir(const QString &name)
{
    const QString dir = QStringLiteral(VELLORA_BINARY_DIR "/scratch/") + name + QLatin1Char('-')
        + QUuid::createUuid().toString(QUuid::WithoutBraces).left(8);
    QDir().mkpath(dir);
    return dir;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return f.readAll();
}

QString testFontPath()
{
    return QStringLiteral("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf");
}

QString testFontFamily()
{
    static const QString family = [] {
        const int id = QFontDatabase::addApplicationFont(testFontPath());
        if (id < 0)
            return QString();
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QString() : families.first();
    }();
    return family;
}

bool makeFifo(const QString &path)
{
    QFile::remove(path);
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

FifoRelease::FifoRelease(const QStringList &paths, std::chrono::milliseconds delay)
{
    std::vector<QByteArray> names;
    for (const QString &path : paths)
        names.push_back(QFile::encodeName(path));
    FThread = std::thread([this, names = std::move(names), delay] {
        const auto start = std::chrono::steady_clock::now();
        while (!FDone) {
            if (std::chrono::steady_clock::now() - start >= delay) {
                for (const QByteArray &name : names) {
                    const int writer = ::open(name.constData(), O_WRONLY | O_NONBLOCK);
                    if (writer >= 0)
                        ::close(writer);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
}

FifoRelease::~FifoRelease()
{
    FDone = true;
    FThread.join();
}

EnglishTexts::EnglishTexts() : FTranslator(std::make_unique<QTranslator>()) {
    const QString folder = QStringLiteral(VELLORA_BINARY_DIR "/app/translations");
    if (!FTranslator->load(QStringLiteral("vellora_en"), folder))
        throw std::runtime_error("vellora_en.qm not found in " + folder.toStdString());
    QCoreApplication::installTranslator(FTranslator.get());
}

EnglishTexts::~EnglishTexts() { QCoreApplication::removeTranslator(FTranslator.get()); }

} // namespace vellora::test
