// Fuzz target: a thumbnail cache file. Its records are indexed the way an
// opened cache does it, and every record's bytes are read back as a stored
// thumbnail; then the same bytes go through a real cache file once.
#include "imagelist/ThumbnailCache.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <cstdint>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const std::int64_t end = vellora::ScanCacheRecords(buffer, buffer.size(), [&](const vellora::TCacheRecordInfo &r) {
        if (r.Pos < 20 || r.Length <= 0 || r.Pos + r.Length > bytes.size())
            __builtin_trap();   // the scan must only report records that are there
        vellora::DecodeThumbnail(bytes.mid(r.Pos, r.Length), nullptr);
    });
    if (end < 0 || end > bytes.size())
        __builtin_trap();

    static const QString path = QDir::tempPath() + QStringLiteral("/vellora-fuzz-thumbcache-%1.tmp").arg(::getpid());
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(bytes);
    }
    vellora::TThumbnailCache cache;
    cache.SetFileName(path);
    if (cache.Open()) {
        const std::int64_t pos = cache.Find(QStringLiteral("/fuzz.jpg"), {});
        if (pos > 0)
            vellora::DecodeThumbnail(cache.Read(pos), nullptr);
        cache.Store(QStringLiteral("/new.jpg"), QByteArray(60, 'x'), {});
        if (cache.ValidEnd() != end + 80)
            __builtin_trap();   // the torn tail is cut, the new record follows the last whole one
    }
    cache.Close();
    QFile::remove(path);
    return 0;
}
