// Small shared services: a sorted list of 128-bit digests (the thumbnail
// cache index), the MD5 of a text, strings on binary streams, file and folder
// helpers and the program's version strings. The stream readers throw
// EReadError on short or oversized input; the file helpers report failure by
// their result and never throw.
#pragma once

#include "settings/Stream.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace vellora {

using TDigest = std::array<std::uint8_t, 16>;

// One digest as two signed 64-bit halves (big-endian reading of the bytes)
// plus a data word that belongs to the user of the list.
struct THashItem {
    std::int64_t UInt = 0;
    std::int64_t LInt = 0;
    std::uint32_t Data = 0;

    static THashItem FromDigest(const TDigest &digest);
    bool SameKey(const THashItem &other) const noexcept { return UInt == other.UInt && LInt == other.LInt; }
};

// MD5 of the string's UTF-16LE code units (no terminator).
TDigest StringMD5(const QString &s);

// Items kept in ascending (UInt, LInt) order, compared as signed numbers;
// equal keys keep their insertion order. Errors: Error for refused Exchange
// and Move, std::out_of_range for a bad index.
class THashList {
public:
    explicit THashList(bool duplicates = true) : FDuplicates(duplicates) {}

    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    bool Duplicates() const noexcept { return FDuplicates; }
    void SetDuplicates(bool value) noexcept { FDuplicates = value; }

    const THashItem &Item(int index) const { return FItems.at(checked(index)); }
    std::uint32_t Data(int index) const { return Item(index).Data; }
    void SetData(int index, std::uint32_t value) { FItems.at(checked(index)).Data = value; }

    int Add(const THashItem &item);           // index, or -1 when not added
    int AddValue(const TDigest &value);
    int AddString(const QString &s);
    int Insert(int index, const THashItem &item);  // the index is ignored: the list stays sorted

    int IndexOf(const THashItem &item) const;  // lowest index with an equal key, or -1
    int IndexOfValue(const TDigest &value) const { return IndexOf(THashItem::FromDigest(value)); }
    int IndexOfString(const QString &s) const { return IndexOfValue(StringMD5(s)); }

    // Linear search from startIndex (startIndex + 1 when not inclusive).
    int Find(const THashItem &item, int startIndex, bool inclusive) const;
    int FindValue(const TDigest &value, int startIndex, bool inclusive) const;
    int FindString(const QString &s, int startIndex, bool inclusive) const;

    bool IsDuplication(const THashItem &item) const;  // the key occurs at least twice

    // New key for an item; it moves to its sorted place.
    void ReplaceValue(int index, const TDigest &value);

    void Delete(int index);
    std::optional<THashItem> Extract(const THashItem &item);  // first item with the key
    int Remove(const THashItem &item);                        // its former index, or -1
    void Clear() noexcept { FItems.clear(); }
    void Assign(const THashList &source);
    void Sort();

    [[noreturn]] void Exchange(int index1, int index2);
    [[noreturn]] void Move(int curIndex, int newIndex);

private:
    std::size_t checked(int index) const;
    int settle(std::size_t index);   // moves FItems[index] to its sorted place

    std::vector<THashItem> FItems;
    bool FDuplicates = true;
};

// --- Strings on binary streams -------------------------------------------

// Bytes up to a 0 byte, decoded as CP932 (the legacy documents' code page).
// EReadError when the stream ends before the 0 byte.
QString ReadLegacyStringFromStream(TStream &stream);
// UTF-16LE units up to a 0 unit or the end of the stream.
QString ReadStringFromStream(TStream &stream);
// The units and a 0 unit; returns the bytes written (2 × length + 2).
std::int64_t WriteStringToStream(TStream &stream, const QString &s);
// A 32-bit count and that many strings, appended to list; returns the bytes
// read. A count that cannot fit in what remains is an EReadError.
std::int64_t ReadStringsFromStream(TStream &stream, QStringList &list);
std::int64_t WriteStringsToStream(TStream &stream, const QStringList &list);

// --- Files and folders ----------------------------------------------------

// Attribute bits of TFileInfo::Attr.
inline constexpr int faReadOnly = 0x01;
inline constexpr int faHidden = 0x02;
inline constexpr int faDirectory = 0x10;
inline constexpr int faArchive = 0x20;   // every regular file
inline constexpr int faSymLink = 0x400;

struct TFileInfo {
    int Attr = 0;
    QDateTime CreateTime;       // local time; birth time, or the status change time where there is none
    QString FileName;           // full path
    QDateTime LastAccessTime;   // local time
    QDateTime LastWriteTime;    // local time
    std::int64_t Size = 0;
};

// FileName when free; else <name without extension><Separator><n><Suffix><ext>, n = 1, 2, ...
QString MakeUniqueFileName(const QString &fileName, const QString &separator = QString(),
                           const QString &suffix = QString());
// Creates a new empty file named <Prefix>XXXXXX.tmp in folder (the temporary
// folder when empty); false when the system refuses.
bool CreateTempFileName(const QString &folder, const QString &prefix, QString &fileName);
bool GetFileInformation(const QString &path, TFileInfo &info);
// Absolute, with symbolic links and "." / ".." resolved where the path
// exists; a missing tail is kept as given.
QString ExpandLongFileName(const QString &path);
QString IncludeTrailingPathDelimiter(const QString &path);
bool SameFolder(const QString &a, const QString &b);
// Full paths of the non-folder entries of path (its parent when path is not a
// folder) that match mask ("*.*" matches every name, letters in any case).
bool ListFolderFiles(const QString &path, const QString &mask, QStringList &list);

enum class TSpecialFolder { sfTemporary, sfAppData };
// With a trailing delimiter: $TMPDIR or /tmp; $XDG_CONFIG_HOME or ~/.config.
QString GetSpecialFolder(TSpecialFolder kind);

// --- Program information ----------------------------------------------------

// Version strings of the program file (fileName empty or the running
// program); keys 0..9: Comments, CompanyName, FileDescription, FileVersion,
// InternalName, LegalCopyright, LegalTrademarks, OriginalFilename,
// ProductName, ProductVersion. False for other files and other keys.
bool GetVersionInfo(const QString &fileName, int key, QString &value);

// The old desktop system's version classes; Linux counts as a later version.
int WindowsKindOf(int major, int minor, bool ntPlatform);
int GetWindowsKind();
bool IsWindows6();

} // namespace vellora
