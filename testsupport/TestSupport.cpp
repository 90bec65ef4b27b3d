#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QUuid>
#include <gtest/gtest.h>

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

} // namespace vellora::test
