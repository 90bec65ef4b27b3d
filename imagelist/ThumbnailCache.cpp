#include "imagelist/ThumbnailCache.h"

#include "graphics/BmpReader.h"
#include "graphics/GraphicClass.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <QDir>
#include <QRegularExpression>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vellora {

namespace {

constexpr std::int64_t kHeaderBytes = 20;
constexpr qint64 kCopyChunk = 1 << 20;

void putU32(char *p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void putU16(char *p, std::uint16_t v)
{
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>(v >> 8);
}

std::int32_t getI32(const char *p)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<std::uint8_t>(p[i]);
    return static_cast<std::int32_t>(v);
}

QImage dibToImage(const TDibImage &dib)
{
    QImage image(dib.Width, dib.Height, QImage::Format_RGB888);
    if (image.isNull())
        return {};
    for (std::int32_t y = 0; y < dib.Height; ++y) {
        const std::uint8_t *src = dib.Row(y);
        auto *dst = image.scanLine(y);
        for (std::int32_t x = 0; x < dib.Width; ++x) {
            QRgb c = 0;
            if (dib.Bits == 24) {
                const std::uint8_t *p = src + 3 * x;
                c = qRgb(p[2], p[1], p[0]);
            } else {
                const int bit = x * dib.Bits;
                const int shift = 8 - dib.Bits - (bit % 8);
                const unsigned index = (src[bit / 8] >> shift) & ((1u << dib.Bits) - 1);
                c = index < dib.Palette.size() ? dib.Palette[index] : qRgb(0, 0, 0);
            }
            dst[3 * x] = static_cast<uchar>(qRed(c));
            dst[3 * x + 1] = static_cast<uchar>(qGreen(c));
            dst[3 * x + 2] = static_cast<uchar>(qBlue(c));
        }
    }
    return image;
}

} // namespace

TThumbFileStamp TThumbFileStamp::OfFile(const QString &path)
{
    // Asked once per list entry: one stat, without QFileInfo's local-time
    // round trip of the modification time.
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    if (S_ISREG(st.st_mode))
        return {static_cast<std::int64_t>(st.st_size),
                static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000};
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return {info.size(), info.lastModified().toMSecsSinceEpoch()};
}

TDigest ThumbnailKey(const QString &path)
{
    // Only the ASCII letters: the key must not depend on Unicode case tables.
    QString upper = path;
    for (QChar &c : upper)
        if (c.unicode() >= u'a' && c.unicode() <= u'z')
            c = QChar(static_cast<char16_t>(c.unicode() - (u'a' - u'A')));
    return StringMD5(upper);
}

std::int64_t ScanCacheRecords(QIODevice &device, std::int64_t size,
                              const std::function<void(const TCacheRecordInfo &)> &onRecord)
{
    std::int64_t pos = 0;
    char header[kHeaderBytes];
    while (size - pos >= kHeaderBytes) {
        if (!device.seek(pos) || device.read(header, kHeaderBytes) != kHeaderBytes)
            break;
        const std::int32_t length = getI32(header + 16);
        if (length <= 0 || length > size - pos - kHeaderBytes)
            break;
        TCacheRecordInfo info;
        std::memcpy(info.Key.data(), header, 16);
        info.Pos = pos + kHeaderBytes;
        info.Length = length;
        onRecord(info);
        pos = info.Pos + length;
    }
    return pos;
}

QByteArray EncodeThumbnailBmp(const QImage &source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    const int w = image.width();
    const int h = image.height();
    const qsizetype stride = static_cast<qsizetype>(DibStride(24, static_cast<std::uint64_t>(w)));
    const qsizetype imageBytes = stride * h;
    QByteArray out(54 + imageBytes, '\0');
    char *p = out.data();
    p[0] = 'B';
    p[1] = 'M';
    putU32(p + 2, static_cast<std::uint32_t>(out.size()));
    putU32(p + 10, 54);
    putU32(p + 14, 40);
    putU32(p + 18, static_cast<std::uint32_t>(w));
    putU32(p + 22, static_cast<std::uint32_t>(h));
    putU16(p + 26, 1);
    putU16(p + 28, 24);
    putU32(p + 34, static_cast<std::uint32_t>(imageBytes));
    for (int y = 0; y < h; ++y) {
        const uchar *src = image.constScanLine(y);
        char *dst = p + 54 + (h - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            dst[3 * x] = static_cast<char>(src[3 * x + 2]);
            dst[3 * x + 1] = static_cast<char>(src[3 * x + 1]);
            dst[3 * x + 2] = static_cast<char>(src[3 * x]);
        }
    }
    return out;
}

QImage DecodeThumbnail(const QByteArray &data, const TGraphicClass *thumbnailClass)
{
    try {
        if (!thumbnailClass || thumbnailClass == &BitmapClass()) {
            const TDibImage dib = LoadDIB(
                std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t *>(data.constData()),
                                              static_cast<std::size_t>(data.size())),
                QStringLiteral("thumbnail cache"));
            // A thumbnail is small; anything claiming more is not ours.
            if (dib.Empty() || static_cast<std::int64_t>(dib.Width) * dib.Height > (1 << 24))
                return {};
            return dibToImage(dib);
        }
        std::unique_ptr<TGraphic> graphic = thumbnailClass->Create();
        graphic->LoadFromData(data);
        return graphic->Image().convertToFormat(QImage::Format_RGB888);
    } catch (...) {
        return {};
    }
}

TThumbnailCache::TThumbnailCache() = default;

TThumbnailCache::~TThumbnailCache()
{
    Close();
    unlock();
}

void TThumbnailCache::SetFileName(const QString &fileName)
{
    Close();
    if (fileName != FFileName)
        unlock();
    FFileName = fileName;
    lock();
}

void TThumbnailCache::lock()
{
    // A shared lock for as long as the name is ours: the start-up sweep of
    // another run passes over a file that some run still uses.
    if (FLockFd >= 0 || FFileName.isEmpty())
        return;
    FLockFd = ::open(QFile::encodeName(FFileName).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (FLockFd >= 0 && ::flock(FLockFd, LOCK_SH | LOCK_NB) != 0) {
        ::close(FLockFd);
        FLockFd = -1;
    }
}

void TThumbnailCache::unlock()
{
    if (FLockFd >= 0)
        ::close(FLockFd);
    FLockFd = -1;
}

bool TThumbnailCache::Open()
{
    if (Active())
        return true;
    FLastError.clear();
    const QByteArray path = QFile::encodeName(FFileName);
    // Never follow a link: the name is often in a shared temporary folder.
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    FWritable = fd >= 0;
    if (fd < 0 && (errno == EACCES || errno == EROFS))
        fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        FLastError = QStringLiteral("%1: %2").arg(FFileName, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, FWritable ? QIODevice::ReadWrite : QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        FLastError = file->errorString();
        return false;
    }
    FFile = std::move(file);
    lock();
    loadIndex();
    return true;
}

void TThumbnailCache::Close()
{
    FFile.reset();
    FIndex.Clear();
    FRecords.clear();
    FLengthAt.clear();
    FRecordCount = 0;
    FValidEnd = 0;
    FWritable = false;
}

bool TThumbnailCache::Clear()
{
    Close();
    if (QFile::exists(FFileName)) {
        QFile file(FFileName);
        if (QFileInfo(FFileName).isSymLink() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            FLastError = file.errorString();
            Open();
            return false;
        }
    }
    return Open();
}

void TThumbnailCache::loadIndex()
{
    FIndex.Clear();
    FRecords.clear();
    FLengthAt.clear();
    FRecordCount = 0;
    FValidEnd = ScanCacheRecords(*FFile, FFile->size(), [this](const TCacheRecordInfo &info) {
        addRecord(info.Key, Record{info.Pos, info.Length, {}, {}});
    });
}

void TThumbnailCache::addRecord(const TDigest &key, Record record)
{
    const THashItem item = THashItem::FromDigest(key);
    int index = FIndex.IndexOf(item);
    if (index < 0) {
        THashItem added = item;
        added.Data = static_cast<std::uint32_t>(FRecords.size());
        FRecords.emplace_back();
        index = FIndex.Add(added);
    }
    FLengthAt[record.Pos] = record.Length;
    FRecords[FIndex.Data(index)].push_back(std::move(record));
    ++FRecordCount;
}

const std::vector<TThumbnailCache::Record> *TThumbnailCache::recordsOf(const TDigest &key) const
{
    const int index = FIndex.IndexOfValue(key);
    return index < 0 ? nullptr : &FRecords[FIndex.Data(index)];
}

bool TThumbnailCache::HasKey(const TDigest &key) const
{
    const auto *records = recordsOf(key);
    return records && !records->empty();
}

std::int64_t TThumbnailCache::Find(const QString &path, const TThumbFileStamp &stamp) const
{
    const auto *records = recordsOf(ThumbnailKey(path));
    if (!records)
        return 0;
    for (auto it = records->rbegin(); it != records->rend(); ++it) {
        if (it->Path.isEmpty())
            return it->Pos;          // from an earlier run: the key is all we know
        if (it->Path != path)
            continue;                // another file whose path differs only in case
        return it->Stamp == stamp ? it->Pos : 0;
    }
    return 0;
}

bool TThumbnailCache::cutTail()
{
    if (FFile->size() == FValidEnd)
        return true;
    return FFile->resize(FValidEnd);
}

std::int64_t TThumbnailCache::Store(const QString &path, const QByteArray &data, const TThumbFileStamp &stamp)
{
    if (!Open())
        return 0;
    if (!FWritable) {
        FLastError = QStringLiteral("%1: the file cannot be written").arg(FFileName);
        return 0;
    }
    if (data.isEmpty() || data.size() > INT32_MAX - kHeaderBytes) {
        FLastError = QStringLiteral("thumbnail of %1 bytes").arg(data.size());
        return 0;
    }
    const TDigest key = ThumbnailKey(path);
    QByteArray record(kHeaderBytes, '\0');
    std::memcpy(record.data(), key.data(), 16);
    putU32(record.data() + 16, static_cast<std::uint32_t>(data.size()));
    record += data;
    const std::int64_t start = FValidEnd;
    bool ok = cutTail() && FFile->seek(start) && FFile->write(record) == record.size() && FFile->flush();
    if (!ok) {
        FLastError = FFile->errorString();
        FFile->unsetError();
        // Leave no half record behind.
        if (!FFile->resize(start))
            FFile->unsetError();
        return 0;
    }
    FValidEnd = start + record.size();
    addRecord(key, Record{start + kHeaderBytes, static_cast<std::int32_t>(data.size()), path, stamp});
    return start + kHeaderBytes;
}

QByteArray TThumbnailCache::Read(std::int64_t pos) const
{
    if (!Active() || pos < kHeaderBytes)
        return {};
    // The length comes from the index, never from bytes read at a guessed place.
    const auto found = FLengthAt.find(pos);
    const std::int32_t length = found == FLengthAt.end() ? 0 : found->second;
    if (length <= 0 || !FFile->seek(pos))
        return {};
    QByteArray data = FFile->read(length);
    if (data.size() != length)
        return {};
    return data;
}

bool TThumbnailCache::Delete(const TDigest &key)
{
    if (!Open())
        return false;
    const auto *dropList = recordsOf(key);
    if (!dropList || dropList->empty())
        return true;
    if (!FWritable) {
        FLastError = QStringLiteral("%1: the file cannot be written").arg(FFileName);
        return false;
    }
    // All records in file order with the dropped ones marked.
    struct Entry {
        TDigest Key;
        Record R;
        bool Drop;
    };
    std::vector<Entry> all;
    all.reserve(FRecordCount);
    for (int i = 0; i < FIndex.Count(); ++i) {
        const THashItem &item = FIndex.Item(i);
        TDigest k{};
        for (int b = 0; b < 8; ++b) {
            k[b] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(item.UInt) >> (56 - 8 * b));
            k[8 + b] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(item.LInt) >> (56 - 8 * b));
        }
        const bool drop = item.SameKey(THashItem::FromDigest(key));
        for (const Record &r : FRecords[item.Data])
            all.push_back({k, r, drop});
    }
    std::sort(all.begin(), all.end(), [](const Entry &a, const Entry &b) { return a.R.Pos < b.R.Pos; });

    std::int64_t write = 0;
    std::vector<char> buffer(static_cast<std::size_t>(kCopyChunk));
    std::vector<Entry> kept;
    bool ok = true;
    for (Entry &e : all) {
        const std::int64_t start = e.R.Pos - kHeaderBytes;
        const std::int64_t length = kHeaderBytes + e.R.Length;
        if (e.Drop)
            continue;
        if (start != write) {
            // Later records move down; the write position never passes the read one.
            for (std::int64_t done = 0; ok && done < length;) {
                const qint64 n = std::min<std::int64_t>(kCopyChunk, length - done);
                ok = FFile->seek(start + done) && FFile->read(buffer.data(), n) == n && FFile->seek(write + done)
                     && FFile->write(buffer.data(), n) == n;
                done += n;
            }
        }
        if (!ok)
            break;
        e.R.Pos = write + kHeaderBytes;
        kept.push_back(e);
        write += length;
    }
    ok = ok && FFile->flush() && FFile->resize(write);
    if (!ok) {
        FLastError = FFile->errorString();
        // The file may be half moved: index what it now holds.
        FFile->unsetError();
        loadIndex();
        return false;
    }
    FIndex.Clear();
    FRecords.clear();
    FLengthAt.clear();
    FRecordCount = 0;
    for (Entry &e : kept)
        addRecord(e.Key, std::move(e.R));
    FValidEnd = write;
    return true;
}

int SweepStaleThumbnailCaches(const QString &folder, std::int64_t minAgeSeconds)
{
    // Only our own names: "vlt" + six characters (a made temporary file) or
    // "Vellora" + four hex digits and a number (the fallback name).
    static const QRegularExpression ours(QStringLiteral("^(vlt[A-Za-z0-9]{6}|Vellora[0-9A-F]{4}[0-9]*)\\.tmp$"));
    const QDir dir(folder.isEmpty() ? QDir::tempPath() : folder);
    const std::int64_t now = QDateTime::currentSecsSinceEpoch();
    int removed = 0;
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!ours.match(name).hasMatch())
            continue;
        const QString path = dir.filePath(name);
        const QByteArray native = QFile::encodeName(path);
        const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat st {};
        // Ours: a regular file of this user, not touched for a while (a run
        // that is starting has not locked its new file yet), that no run
        // holds, and that reads as whole cache records.
        bool stale = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid()
                     && now - std::int64_t(st.st_mtime) >= minAgeSeconds && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (stale && st.st_size > 0) {
            QFile file;
            stale = file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)
                    && ScanCacheRecords(file, st.st_size, [](const TCacheRecordInfo &) {}) == st.st_size;
        }
        // Removed while the lock is held, so no run can take it up meanwhile.
        if (stale && ::unlink(native.constData()) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}

} // namespace vellora
