#include "settings/Helpers.h"

#include "settings/Codepage.h"
#include "settings/Version.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

namespace vellora {

// --- THashList ----------------------------------------------------------------

namespace {

int compareKeys(const THashItem &a, const THashItem &b) noexcept
{
    if (a.UInt != b.UInt)
        return a.UInt < b.UInt ? -1 : 1;
    if (a.LInt != b.LInt)
        return a.LInt < b.LInt ? -1 : 1;
    return 0;
}

std::int64_t bigEndian64(const std::uint8_t *p)
{
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v = (v << 8) | p[i];
    return static_cast<std::int64_t>(v);
}

} // namespace

THashItem THashItem::FromDigest(const TDigest &digest)
{
    THashItem item;
    item.UInt = bigEndian64(digest.data());
    item.LInt = bigEndian64(digest.data() + 8);
    return item;
}

TDigest StringMD5(const QString &s)
{
    QByteArray units;
    units.reserve(s.size() * 2);
    for (const QChar c : s) {
        units.append(static_cast<char>(c.unicode() & 0xFF));
        units.append(static_cast<char>(c.unicode() >> 8));
    }
    const QByteArray md5 = QCryptographicHash::hash(units, QCryptographicHash::Md5);
    TDigest digest{};
    std::copy(md5.begin(), md5.end(), digest.begin());
    return digest;
}

std::size_t THashList::checked(int index) const
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("THashList: list index out of bounds (" + std::to_string(index) + ")");
    return static_cast<std::size_t>(index);
}

int THashList::settle(std::size_t index)
{
    // Towards the front past every greater key, then towards the back past
    // every smaller or equal one (equal keys keep their order: a moved item
    // goes behind its equals).
    while (index > 0 && compareKeys(FItems[index - 1], FItems[index]) > 0) {
        std::swap(FItems[index - 1], FItems[index]);
        --index;
    }
    while (index + 1 < FItems.size() && compareKeys(FItems[index + 1], FItems[index]) < 0) {
        std::swap(FItems[index + 1], FItems[index]);
        ++index;
    }
    return static_cast<int>(index);
}

int THashList::Add(const THashItem &item)
{
    if (!FDuplicates && IndexOf(item) >= 0)
        return -1;
    FItems.push_back(item);
    std::size_t index = FItems.size() - 1;
    while (index > 0 && compareKeys(FItems[index - 1], FItems[index]) > 0) {
        std::swap(FItems[index - 1], FItems[index]);
        --index;
    }
    return static_cast<int>(index);
}

int THashList::AddValue(const TDigest &value)
{
    return Add(THashItem::FromDigest(value));
}

int THashList::AddString(const QString &s)
{
    return AddValue(StringMD5(s));
}

int THashList::Insert(int /*index*/, const THashItem &item)
{
    return Add(item);
}

int THashList::IndexOf(const THashItem &item) const
{
    int lo = 0;
    int hi = Count() - 1;
    // A few halving steps narrow the range; the rest is a short scan.
    for (int step = 0; step < 3 && lo < hi; ++step) {
        const int mid = lo + (hi - lo) / 2;
        const int c = compareKeys(item, FItems[static_cast<std::size_t>(mid)]);
        if (c < 0) {
            hi = mid;
        } else if (c > 0) {
            lo = mid;
        } else {
            int found = mid;
            while (found > 0 && FItems[static_cast<std::size_t>(found - 1)].SameKey(item))
                --found;
            return found;
        }
    }
    for (int i = lo; i <= hi; ++i) {
        const int c = compareKeys(FItems[static_cast<std::size_t>(i)], item);
        if (c == 0)
            return i;
        if (c > 0)
            break;
    }
    return -1;
}

int THashList::Find(const THashItem &item, int startIndex, bool inclusive) const
{
    int i = inclusive ? startIndex : startIndex + 1;
    for (i = std::max(i, 0); i < Count(); ++i) {
        if (FItems[static_cast<std::size_t>(i)].SameKey(item))
            return i;
    }
    return -1;
}

int THashList::FindValue(const TDigest &value, int startIndex, bool inclusive) const
{
    return Find(THashItem::FromDigest(value), startIndex, inclusive);
}

int THashList::FindString(const QString &s, int startIndex, bool inclusive) const
{
    return FindValue(StringMD5(s), startIndex, inclusive);
}

bool THashList::IsDuplication(const THashItem &item) const
{
    const int first = IndexOf(item);
    return first >= 0 && first + 1 < Count() && FItems[static_cast<std::size_t>(first + 1)].SameKey(item);
}

void THashList::ReplaceValue(int index, const TDigest &value)
{
    THashItem &item = FItems.at(checked(index));
    const THashItem key = THashItem::FromDigest(value);
    item.UInt = key.UInt;
    item.LInt = key.LInt;
    settle(static_cast<std::size_t>(index));
}

void THashList::Delete(int index)
{
    FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(checked(index)));
}

std::optional<THashItem> THashList::Extract(const THashItem &item)
{
    const int index = IndexOf(item);
    if (index < 0)
        return std::nullopt;
    THashItem found = FItems[static_cast<std::size_t>(index)];
    Delete(index);
    return found;
}

int THashList::Remove(const THashItem &item)
{
    const int index = IndexOf(item);
    if (index >= 0)
        Delete(index);
    return index;
}

void THashList::Assign(const THashList &source)
{
    FItems = source.FItems;
    FDuplicates = source.FDuplicates;
}

void THashList::Sort()
{
    std::stable_sort(FItems.begin(), FItems.end(),
                     [](const THashItem &a, const THashItem &b) { return compareKeys(a, b) < 0; });
}

void THashList::Exchange(int, int)
{
    throw Error(std::string("THashList: Can't exchange."));
}

void THashList::Move(int, int)
{
    throw Error(std::string("THashList: Can't move."));
}

// --- Strings on streams ---------------------------------------------------------

QString ReadLegacyStringFromStream(TStream &stream)
{
    QByteArray bytes;
    while (true) {
        const std::uint8_t b = stream.ReadU8();   // EReadError at the end
        if (b == 0)
            break;
        bytes.append(static_cast<char>(b));
    }
    return DecodeCp932(bytes);
}

QString ReadStringFromStream(TStream &stream)
{
    QString s;
    while (true) {
        std::uint8_t unit[2];
        if (stream.Read(unit, 2) != 2)
            break;
        const auto c = static_cast<char16_t>(unit[0] | (unit[1] << 8));
        if (c == 0)
            break;
        s.append(QChar(c));
    }
    return s;
}

std::int64_t WriteStringToStream(TStream &stream, const QString &s)
{
    QByteArray bytes;
    bytes.reserve((s.size() + 1) * 2);
    for (const QChar c : s) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    bytes.append('\0');
    bytes.append('\0');
    stream.WriteBytes(bytes);
    return bytes.size();
}

std::int64_t ReadStringsFromStream(TStream &stream, QStringList &list)
{
    const std::int64_t start = stream.Position();
    const std::uint32_t count = stream.ReadU32();
    // Every string takes at least its 2-byte terminator.
    if (count > stream.Remaining() / 2)
        throw EReadError();
    list.reserve(list.size() + static_cast<qsizetype>(count));
    for (std::uint32_t i = 0; i < count; ++i)
        list.append(ReadStringFromStream(stream));
    return stream.Position() - start;
}

std::int64_t WriteStringsToStream(TStream &stream, const QStringList &list)
{
    stream.WriteU32(static_cast<std::uint32_t>(list.size()));
    std::int64_t written = 4;
    for (const QString &s : list)
        written += WriteStringToStream(stream, s);
    return written;
}

// --- Files and folders -----------------------------------------------------------

QString MakeUniqueFileName(const QString &fileName, const QString &separator, const QString &suffix)
{
    if (!QFileInfo::exists(fileName))
        return fileName;
    // The extension is what follows the last dot of the last component.
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const qsizetype split = dot > slash ? dot : fileName.size();
    const QString stem = fileName.left(split);
    const QString ext = fileName.mid(split);
    for (qint64 n = 1;; ++n) {
        const QString candidate = stem + separator + QString::number(n) + suffix + ext;
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

bool CreateTempFileName(const QString &folder, const QString &prefix, QString &fileName)
{
    const QString dir = folder.isEmpty() ? GetSpecialFolder(TSpecialFolder::sfTemporary)
                                         : IncludeTrailingPathDelimiter(folder);
    QByteArray pattern = QFile::encodeName(dir + prefix + QStringLiteral("XXXXXX.tmp"));
    const int fd = ::mkstemps(pattern.data(), 4);
    if (fd < 0)
        return false;
    ::close(fd);
    fileName = QFile::decodeName(pattern);
    return true;
}

bool GetFileInformation(const QString &path, TFileInfo &info)
{
    const QFileInfo fi(path);
    if (!fi.exists() && !fi.isSymLink())
        return false;
    info = TFileInfo();
    int attr = 0;
    if (fi.isDir())
        attr |= faDirectory;
    else
        attr |= faArchive;
    if (fi.fileName().startsWith(QLatin1Char('.')))
        attr |= faHidden;
    if (!fi.isWritable())
        attr |= faReadOnly;
    if (fi.isSymLink())
        attr |= faSymLink;
    info.Attr = attr;
    info.FileName = QDir::cleanPath(fi.absoluteFilePath());
    info.Size = fi.isDir() ? 0 : fi.size();
    const QDateTime birth = fi.birthTime();
    info.CreateTime = (birth.isValid() ? birth : fi.metadataChangeTime()).toLocalTime();
    info.LastAccessTime = fi.lastRead().toLocalTime();
    info.LastWriteTime = fi.lastModified().toLocalTime();
    return true;
}

QString ExpandLongFileName(const QString &path)
{
    if (path.isEmpty())
        return path;
    const QString absolute = QDir::cleanPath(QDir(QDir::currentPath()).absoluteFilePath(path));
    // Resolve the longest leading part that exists; keep the rest as given.
    QString head = absolute;
    QString tail;
    while (!head.isEmpty()) {
        const QString canonical = QFileInfo(head).canonicalFilePath();
        if (!canonical.isEmpty()) {
            QString result = canonical;
            if (!tail.isEmpty())
                result = (result.endsWith(QLatin1Char('/')) ? result : result + QLatin1Char('/')) + tail;
            if (path.endsWith(QLatin1Char('/')) && !result.endsWith(QLatin1Char('/')))
                result += QLatin1Char('/');
            return result;
        }
        const qsizetype slash = head.lastIndexOf(QLatin1Char('/'));
        if (slash < 0)
            break;
        const QString part = head.mid(slash + 1);
        tail = tail.isEmpty() ? part : part + QLatin1Char('/') + tail;
        head = slash == 0 ? QStringLiteral("/") : head.left(slash);
    }
    return absolute;
}

QString IncludeTrailingPathDelimiter(const QString &path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

bool SameFolder(const QString &a, const QString &b)
{
    return IncludeTrailingPathDelimiter(a).compare(IncludeTrailingPathDelimiter(b), Qt::CaseInsensitive) == 0;
}

bool ListFolderFiles(const QString &path, const QString &mask, QStringList &list)
{
    list.clear();
    QFileInfo fi(path);
    QString folder = fi.isDir() ? fi.absoluteFilePath() : fi.absolutePath();
    if (!QFileInfo(folder).isDir())
        return false;
    QDir dir(folder);
    // "*.*" is the old wildcard for every name, with or without a dot.
    const QString pattern = (mask.isEmpty() || mask == QLatin1String("*.*")) ? QStringLiteral("*") : mask;
    dir.setNameFilters({pattern});
    dir.setFilter(QDir::Files | QDir::Hidden | QDir::System);
    dir.setSorting(QDir::Unsorted);
    for (const QString &name : dir.entryList()) {
        if (!QFileInfo(dir.filePath(name)).isDir())
            list.append(dir.filePath(name));
    }
    return true;
}

QString GetSpecialFolder(TSpecialFolder kind)
{
    QString folder;
    switch (kind) {
    case TSpecialFolder::sfTemporary:
        folder = qEnvironmentVariable("TMPDIR");
        if (folder.isEmpty())
            folder = QStringLiteral("/tmp");
        folder = ExpandLongFileName(folder);
        break;
    case TSpecialFolder::sfAppData:
        folder = qEnvironmentVariable("XDG_CONFIG_HOME");
        // A relative value is invalid by the XDG rules and is ignored.
        if (folder.isEmpty() || !folder.startsWith(QLatin1Char('/')))
            folder = QDir::homePath() + QStringLiteral("/.config");
        break;
    }
    return IncludeTrailingPathDelimiter(folder);
}

// --- Program information ------------------------------------------------------

bool GetVersionInfo(const QString &fileName, int key, QString &value)
{
    value.clear();
    if (!fileName.isEmpty()) {
        // Only the running program carries the compiled-in version data.
        const QString self = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
        const QString asked = QFileInfo(fileName).canonicalFilePath();
        if (self.isEmpty() || asked != self)
            return false;
    }
    switch (key) {
    case 0: value = QString(); break;                                        // Comments
    case 1: value = QString::fromUtf8(version::kCompanyName); break;
    case 2: value = QString::fromUtf8(version::kFileDescription); break;
    case 3: value = QString::fromUtf8(version::kFileVersion); break;
    case 4: value = QStringLiteral("vellora"); break;                        // InternalName
    case 5: value = QString(); break;                                        // LegalCopyright
    case 6: value = QString(); break;                                        // LegalTrademarks
    case 7: value = QStringLiteral("vellora"); break;                        // OriginalFilename
    case 8: value = QString::fromUtf8(version::kProductName); break;
    case 9: value = QString::fromUtf8(version::kProductVersion); break;
    default: return false;
    }
    value = value.trimmed();
    return true;
}

int WindowsKindOf(int major, int minor, bool ntPlatform)
{
    if (major == 6)
        return 0;
    if (major == 5 && minor == 2)
        return 1;
    if (major == 5 && minor == 1)
        return 2;
    if (major == 5 && minor == 0)
        return 3;
    if (major == 4 && minor == 90)
        return 4;
    if (major == 4 && minor == 10)
        return 5;
    if (major == 4 && minor == 0)
        return ntPlatform ? 6 : 7;
    return 8;
}

int GetWindowsKind()
{
    return 8;
}

bool IsWindows6()
{
    return GetWindowsKind() == 0;
}

} // namespace vellora
