// TThumbnailCache: the thumbnail cache file and its in-memory index. The
// file is a plain sequence of records (16-byte key, signed 32-bit length L,
// L bytes of thumbnail), only ever appended to. Positions are 64-bit; the
// newest record of a key wins; records made during this run remember their
// exact path and the file's size and time, so a changed file or a path that
// differs only in case is not given a wrong thumbnail. The file is outside
// input: it is read bounds-checked, and a torn or corrupt tail is cut off
// before the next append. UI thread only; nothing here throws.
#pragma once

#include "settings/Helpers.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class QIODevice;

namespace vellora {

struct TGraphicClass;

// Size and modification time of an image file when its thumbnail was made.
struct TThumbFileStamp {
    std::int64_t Size = -1;
    std::int64_t MTimeMs = 0;
    bool Known() const noexcept { return Size >= 0; }
    friend bool operator==(const TThumbFileStamp &, const TThumbFileStamp &) = default;
    static TThumbFileStamp OfFile(const QString &path);
};

// The cache key: MD5 of the path's UTF-16LE units with only a–z upper-cased.
TDigest ThumbnailKey(const QString &path);

// One record found by ScanCacheRecords: key, data position (record start +
// 20) and length.
struct TCacheRecordInfo {
    TDigest Key{};
    std::int64_t Pos = 0;
    std::int32_t Length = 0;
};

// Walks the records of a cache file of the given size from its start. Stops
// at the first record whose header is short or whose length is ≤ 0 or runs
// past the end; returns the end of the last whole record (where a torn tail
// begins).
std::int64_t ScanCacheRecords(QIODevice &device, std::int64_t size,
                              const std::function<void(const TCacheRecordInfo &)> &onRecord);

// A 24-bit bottom-up BMP file of the image (what the bitmap class stores).
QByteArray EncodeThumbnailBmp(const QImage &image);
// Decodes stored thumbnail bytes with the class (BMP through the
// bounds-checked reader); a null image when they are not readable.
QImage DecodeThumbnail(const QByteArray &data, const TGraphicClass *thumbnailClass);

class TThumbnailCache {
public:
    TThumbnailCache();
    ~TThumbnailCache();
    TThumbnailCache(const TThumbnailCache &) = delete;
    TThumbnailCache &operator=(const TThumbnailCache &) = delete;

    const QString &FileName() const noexcept { return FFileName; }
    void SetFileName(const QString &fileName);   // closes an open file

    bool Active() const noexcept { return FFile != nullptr; }
    bool Writable() const noexcept { return FWritable; }
    // Creates the file when missing (mode 0600, a symbolic link is refused),
    // opens it for reading and writing (reading only when it may not be
    // written) and indexes it. False when it cannot be opened at all.
    bool Open();
    void Close();
    // Empties the file and the index (reopening it).
    bool Clear();

    // The position of the thumbnail for path, or 0: the newest record of the
    // key, skipping records made this run for another spelling of the path
    // and giving none when the record made for it is older than the file.
    std::int64_t Find(const QString &path, const TThumbFileStamp &stamp) const;
    bool HasKey(const TDigest &key) const;
    // Appends a record; its data position, or 0 when it could not be written
    // (then the file is left as before and LastError says why).
    std::int64_t Store(const QString &path, const QByteArray &data, const TThumbFileStamp &stamp);
    // The bytes of the record whose data starts at pos; empty when there is
    // none or reading fails.
    QByteArray Read(std::int64_t pos) const;
    // Removes every record of the key, moving the later records down in
    // chunks. False when the file could not be rewritten.
    bool Delete(const TDigest &key);

    int RecordCount() const noexcept { return static_cast<int>(FRecordCount); }
    std::int64_t ValidEnd() const noexcept { return FValidEnd; }
    const QString &LastError() const noexcept { return FLastError; }

private:
    struct Record {
        std::int64_t Pos = 0;
        std::int32_t Length = 0;
        QString Path;             // exact path, for records made while open
        TThumbFileStamp Stamp;
    };
    void loadIndex();
    void addRecord(const TDigest &key, Record record);
    const std::vector<Record> *recordsOf(const TDigest &key) const;
    bool cutTail();
    void lock();
    void unlock();

    QString FFileName;
    std::unique_ptr<QFile> FFile;
    bool FWritable = false;
    THashList FIndex{false};                    // key → slot in FRecords (Data)
    std::vector<std::vector<Record>> FRecords;  // per key, oldest first
    std::unordered_map<std::int64_t, std::int32_t> FLengthAt;   // data position → length
    std::size_t FRecordCount = 0;
    std::int64_t FValidEnd = 0;
    QString FLastError;
    int FLockFd = -1;   // holds a shared lock on the file while the name is ours
};

// Removes thumbnail cache files of earlier runs that ended without deleting
// them: files of this user in folder (the temporary folder when empty) with
// the names NewThumbnailCacheFileName makes, at least minAgeSeconds old,
// locked by no running view, and made of whole cache records. The number
// removed.
int SweepStaleThumbnailCaches(const QString &folder, std::int64_t minAgeSeconds = 60);

} // namespace vellora
