#include "settings/Errors.h"

#include <cstring>

namespace vellora {

static QString formatWhere(const QString &source, std::int64_t offset, const QString &what)
{
    QString where = source.isEmpty() ? QStringLiteral("data") : source;
    if (offset >= 0)
        where += QStringLiteral(" (offset %1)").arg(offset);
    return where + QStringLiteral(": ") + what;
}

FormatError::FormatError(const QString &source, std::int64_t offset, const QString &what)
    : Error(formatWhere(source, offset, what)), FOffset(offset)
{
}

FormatError::FormatError(const QString &what) : Error(what) {}

IoError::IoError(const QString &path, int errorNumber, const QString &what)
    : Error(errorNumber != 0
                ? QStringLiteral("%1: %2 (%3)").arg(path, what, QString::fromLocal8Bit(std::strerror(errorNumber)))
                : QStringLiteral("%1: %2").arg(path, what)),
      FPath(path), FErrno(errorNumber)
{
}

QString errorMessage(const std::exception &e)
{
    return QString::fromUtf8(e.what());
}

} // namespace vellora
