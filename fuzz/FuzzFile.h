// The program reads documents from their files as it goes (seeks past
// embedded images, short reads at the end), not from a copy in memory, so
// the targets hand their input to the readers as a file.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <unistd.h>

namespace vellora::fuzz {

// Writes the input to this process's own file (the same path on every call,
// removed when the process ends normally) and returns its name.
inline QString WriteInputFile(const char *target, const std::uint8_t *data, std::size_t size)
{
    struct Owned {
        QString path;
        ~Owned() { QFile::remove(path); }
    };
    static const Owned owned{QDir::tempPath() + QStringLiteral("/%1-%2.input").arg(QLatin1String(target)).arg(::getpid())};
    const QString &path = owned.path;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size)) != static_cast<qint64>(size))
        __builtin_trap();   // the harness itself failed, not the reader
    return path;
}

} // namespace vellora::fuzz
