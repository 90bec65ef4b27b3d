#include "settings/IniFile.h"

#include "settings/Codepage.h"
#include "settings/Helpers.h"
#include "settings/Version.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace vellora {

namespace {

const QByteArray kBomUtf8("\xEF\xBB\xBF", 3);
const QByteArray kBomUtf16LE("\xFF\xFE", 2);
const QByteArray kBomUtf16BE("\xFE\xFF", 2);

QString decodeUtf16(const QByteArray &bytes, qsizetype start, bool bigEndian)
{
    QString text;
    text.reserve((bytes.size() - start) / 2);
    // A trailing odd byte (a truncated file) is dropped.
    for (qsizetype i = start; i + 1 < bytes.size(); i += 2) {
        const auto b0 = static_cast<std::uint8_t>(bytes[i]);
        const auto b1 = static_cast<std::uint8_t>(bytes[i + 1]);
        text.append(QChar(static_cast<char16_t>(bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0)));
    }
    return text;
}

QByteArray encodeUtf16LE(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (const QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

bool startsWith(const QByteArray &data, const QByteArray &mark)
{
    return data.startsWith(mark);
}

// The old integer syntax: leading blanks, a sign, then decimal digits or "$"
// and hexadecimal digits, nothing after. Hexadecimal values may use all the
// bits of the type (so $FFFFFFFF is -1 as a 32-bit value); decimal values
// must fit the signed range.
template <typename T>
std::optional<T> parseInteger(QString text)
{
    using U = std::make_unsigned_t<T>;
    if (text.size() >= 2 && text[0] == QLatin1Char('0') && (text[1] == QLatin1Char('x') || text[1] == QLatin1Char('X')))
        text = QLatin1Char('$') + text.mid(2);
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    bool hex = false;
    if (i < text.size() && text[i] == QLatin1Char('$')) {
        hex = true;
        ++i;
    }
    if (i >= text.size())
        return std::nullopt;
    const unsigned base = hex ? 16 : 10;
    const U limit = hex ? std::numeric_limits<U>::max()
                        : static_cast<U>(static_cast<U>(std::numeric_limits<T>::max()) + (negative ? 1u : 0u));
    U value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        if (digit < 0 || static_cast<unsigned>(digit) >= base)
            return std::nullopt;
        if (value > (limit - static_cast<U>(digit)) / base)
            return std::nullopt;
        value = static_cast<U>(value * base + static_cast<U>(digit));
    }
    if (negative)
        value = static_cast<U>(U(0) - value);
    return static_cast<T>(value);
}

constexpr double kMinDays = -693593.0;   // 0001-01-01
constexpr double kMaxDays = 2958466.0;   // 10000-01-01, exclusive
const QDate kEpoch(1899, 12, 30);

} // namespace

// --- Lifecycle --------------------------------------------------------------

TExtIniFile::TExtIniFile()
    : FAppName(QString::fromUtf8(version::kProductName))
{
    FFolderPath = FolderOf(TDefaultFolder::dfApplication);
    FIniFileName = defaultFileName();
    Reload();
}

TExtIniFile::~TExtIniFile()
{
    if (FAutoUpdate && !FUpdateAtOnce)
        Update();
}

QString TExtIniFile::defaultFileName() const
{
    return FFileName.isEmpty() ? FAppName + QStringLiteral(".ini") : FFileName;
}

QString TExtIniFile::FolderOf(TDefaultFolder folder) const
{
    QString path;
    switch (folder) {
    case TDefaultFolder::dfAppData:
        path = GetSpecialFolder(TSpecialFolder::sfAppData) + FAppName;
        break;
    case TDefaultFolder::dfApplication:
        path = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                            : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
        break;
    case TDefaultFolder::dfUser:
        return QString();
    case TDefaultFolder::dfWindows: {
        // The system-wide configuration folder stands in for the system folder.
        const QStringList dirs = qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
        path = dirs.isEmpty() ? QStringLiteral("/etc/xdg") : dirs.first();
        break;
    }
    }
    if (path.isEmpty())
        return path;
    path = IncludeTrailingPathDelimiter(path);
    if (!QFileInfo(path).isDir())
        QDir().mkpath(path);   // failure shows later as a failed save, which is swallowed
    return path;
}

void TExtIniFile::SetDefaultFolder(TDefaultFolder value)
{
    if (FAutoUpdate)
        saveToFile(true);
    FDefaultFolder = value;
    FFolderPath = FolderOf(value);
    Reload();
}

void TExtIniFile::SetFileName(const QString &value)
{
    if (FAutoUpdate)
        saveToFile(true);
    FFileName = value;
    FIniFileName = defaultFileName();
    Reload();
}

void TExtIniFile::SetUpdateAtOnce(bool value)
{
    FUpdateAtOnce = value;
    if (value)
        Update();
}

void TExtIniFile::Reload()
{
    Clear();
    FModified = false;
    QFile file(AbsoluteFileName());
    if (!file.exists() || QFileInfo(file).isDir())
        return;
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return;
    LoadFromData(data);
    FModified = false;
    if (FOnLoad)
        FOnLoad(*this);
}

void TExtIniFile::LoadFromData(const QByteArray &data)
{
    FSections.clear();
    QString text;
    switch (FEncoding) {
    case TIniEncoding::ieDefault:
        if (startsWith(data, kBomUtf8))
            text = QString::fromUtf8(data.mid(3));
        else if (startsWith(data, kBomUtf16LE))
            text = decodeUtf16(data, 2, false);
        else if (startsWith(data, kBomUtf16BE))
            text = decodeUtf16(data, 2, true);
        else
            text = DecodeCp932(data);
        break;
    case TIniEncoding::ieUnicode:
        text = decodeUtf16(data, startsWith(data, kBomUtf16LE) ? 2 : 0, false);
        break;
    case TIniEncoding::ieUTF8:
        text = QString::fromUtf8(startsWith(data, kBomUtf8) ? data.mid(3) : data);
        break;
    }

    Section *current = nullptr;
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start <= n) {
        qsizetype end = start;
        while (end < n && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
            ++end;
        if (end - start >= 2) {
            const QString line = text.mid(start, end - start);
            if (line.front() == QLatin1Char('[') && line.back() == QLatin1Char(']')) {
                FSections.push_back(Section{line, {}});
                current = &FSections.back();
            } else if (current) {
                current->Lines.append(line);
            }
        }
        if (end >= n)
            break;
        start = end + 1;
        if (text[end] == QLatin1Char('\r') && start < n && text[start] == QLatin1Char('\n'))
            ++start;
    }
    FModified = true;
}

QByteArray TExtIniFile::SaveToData() const
{
    QString text;
    const QString crlf = QStringLiteral("\r\n");
    for (const Section &section : FSections) {
        text += section.Header + crlf;
        for (const QString &line : section.Lines)
            text += line + crlf;
        text += crlf;
    }
    switch (FEncoding) {
    case TIniEncoding::ieDefault: {
        QByteArray bytes;
        if (EncodeCharsetExact(text, "CP932", bytes))
            return bytes;
        // Text the legacy code page cannot hold would be lost; such a file is
        // written as UTF-8 with its mark, which this reader detects.
        return kBomUtf8 + text.toUtf8();
    }
    case TIniEncoding::ieUnicode:
        return kBomUtf16LE + encodeUtf16LE(text);
    case TIniEncoding::ieUTF8:
        return kBomUtf8 + text.toUtf8();
    }
    return {};
}

void TExtIniFile::saveToFile(bool skipIfEmpty)
{
    if (skipIfEmpty && FSections.empty())
        return;
    const QString path = AbsoluteFileName();
    if (FIniFileName.isEmpty())
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    const QByteArray data = SaveToData();
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return;
    }
    if (file.commit())
        FModified = false;
}

void TExtIniFile::Update()
{
    saveToFile(false);
    if (FOnUpdate)
        FOnUpdate(*this);
}

void TExtIniFile::Clear()
{
    FSections.clear();
    FModified = true;
}

void TExtIniFile::Erase()
{
    Clear();
    if (FUpdateAtOnce)
        Update();
}

bool TExtIniFile::Copy(const QString &dest) const
{
    QFile source(AbsoluteFileName());
    if (!source.exists() || !source.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = source.readAll();
    QSaveFile target(dest);
    if (!target.open(QIODevice::WriteOnly) || target.write(data) != data.size())
        return false;
    return target.commit();
}

bool TExtIniFile::Rename(TDefaultFolder newFolder, const QString &newName)
{
    const QString folder = newFolder == TDefaultFolder::dfUser ? QFileInfo(newName).absolutePath()
                                                               : FolderOf(newFolder);
    if (!folder.isEmpty() && !QFileInfo(folder).isDir())
        QDir().mkpath(folder);
    if (!QFileInfo(folder).isDir())
        return false;
    const QString target = newFolder == TDefaultFolder::dfUser ? newName : folder + newName;
    const QString current = AbsoluteFileName();
    const bool same = QFileInfo(target).absoluteFilePath() == QFileInfo(current).absoluteFilePath();
    // The old file is removed only once its copy is in place.
    if (!same && (!QFileInfo::exists(current) || Copy(target)))
        QFile::remove(current);
    FDefaultFolder = newFolder;
    FFileName = newName;
    const QFileInfo info(target);
    FIniFileName = info.fileName();
    FFolderPath = IncludeTrailingPathDelimiter(info.absolutePath());
    return true;
}

// --- Sections and keys ------------------------------------------------------------

QString TExtIniFile::bracketed(const QString &section) const
{
    if (section.isEmpty())
        return section;
    QString name = section;
    if (!name.startsWith(QLatin1Char('[')))
        name.prepend(QLatin1Char('['));
    if (!name.endsWith(QLatin1Char(']')) || name.size() == 1)
        name.append(QLatin1Char(']'));
    return name;
}

int TExtIniFile::indexOfSection(const QString &section) const
{
    if (section.isEmpty())
        return -1;
    const QString header = bracketed(section);
    const Qt::CaseSensitivity cs = FCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (std::size_t i = 0; i < FSections.size(); ++i) {
        if (FSections[i].Header.compare(header, cs) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

int TExtIniFile::findValue(const QString &section, const QString &item, QString &value, int *sectionIndex) const
{
    value.clear();
    const int s = indexOfSection(section);
    if (sectionIndex)
        *sectionIndex = s;
    if (s < 0)
        return -1;
    const Qt::CaseSensitivity cs = FCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const QStringList &lines = FSections[static_cast<std::size_t>(s)].Lines;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qsizetype eq = lines[i].indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        if (QStringView(lines[i]).left(eq).compare(item, cs) == 0) {
            value = lines[i].mid(eq + 1);
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TExtIniFile::setValue(const QString &section, const QString &item, const QString &value)
{
    int s = indexOfSection(section);
    if (s < 0) {
        FSections.push_back(Section{bracketed(section), {}});
        s = static_cast<int>(FSections.size()) - 1;
    }
    QString old;
    const int line = findValue(section, item, old);
    QStringList &lines = FSections[static_cast<std::size_t>(s)].Lines;
    const QString text = item + QLatin1Char('=') + value;
    if (!value.isEmpty() && line >= 0) {
        lines[line] = text;
    } else {
        if (line >= 0)
            lines.removeAt(line);
        lines.append(text);
    }
    FModified = true;
}

void TExtIniFile::changed()
{
    if (FUpdateAtOnce)
        Update();
}

bool TExtIniFile::SectionExists(const QString &section) const
{
    return indexOfSection(section) >= 0;
}

bool TExtIniFile::ItemExists(const QString &section, const QString &item) const
{
    QString value;
    return findValue(section, item, value) >= 0;
}

void TExtIniFile::EraseSection(const QString &section)
{
    const int s = indexOfSection(section);
    if (s >= 0)
        FSections.erase(FSections.begin() + s);
    FModified = true;
    changed();
}

bool TExtIniFile::RenameSection(const QString &section, const QString &newSection)
{
    const int s = indexOfSection(section);
    if (s < 0 || newSection.isEmpty() || indexOfSection(newSection) >= 0)
        return false;
    FSections[static_cast<std::size_t>(s)].Header = bracketed(newSection);
    FModified = true;
    return true;
}

void TExtIniFile::ReadSection(const QString &section, QStringList &list) const
{
    list.clear();
    const int s = indexOfSection(section);
    if (s >= 0)
        list = FSections[static_cast<std::size_t>(s)].Lines;
}

void TExtIniFile::ReadSectionName(QStringList &list) const
{
    list.clear();
    for (const Section &section : FSections)
        list.append(section.Header.mid(1, section.Header.size() - 2));
}

namespace {

const char *const kFormSuffixes[] = {".flags", ".show", ".mx", ".my", ".left", ".top",
                                     ".right", ".bottom", ".state", ".cwidth", ".cheight"};
const char *const kBoundsSuffixes[] = {".left", ".top", ".width", ".height"};
const char *const kFontSuffixes[] = {".charset", ".color", ".height", ".name", ".pitch",
                                     ".b", ".i", ".u", ".s"};

} // namespace

void TExtIniFile::DeleteItem(const QString &section, const QString &item)
{
    QString value;
    int s = -1;
    const int line = findValue(section, item, value, &s);
    if (line < 0)
        return;
    FSections[static_cast<std::size_t>(s)].Lines.removeAt(line);

    const auto removeKey = [&](const QString &name) {
        QString ignored;
        int si = -1;
        const int li = findValue(section, name, ignored, &si);
        if (li >= 0)
            FSections[static_cast<std::size_t>(si)].Lines.removeAt(li);
    };
    const auto removeFamily = [&](const auto &suffixes) {
        for (const char *suffix : suffixes)
            removeKey(item + QLatin1String(suffix));
    };
    if (value.compare(QLatin1String("FORM"), Qt::CaseInsensitive) == 0) {
        removeFamily(kFormSuffixes);
    } else if (value.compare(QLatin1String("BOUNDS"), Qt::CaseInsensitive) == 0) {
        removeFamily(kBoundsSuffixes);
    } else if (value.compare(QLatin1String("FONT"), Qt::CaseInsensitive) == 0) {
        removeFamily(kFontSuffixes);
    } else if (value.compare(QLatin1String("LIST"), Qt::CaseInsensitive) == 0) {
        const std::int32_t count = ReadInt(section, item + QStringLiteral(".count"), 0);
        removeKey(item + QStringLiteral(".count"));
        for (std::int32_t i = 0; i < count; ++i)
            removeKey(item + QLatin1Char('.') + QString::number(i));
    }
    FModified = true;
    changed();
}

// --- Typed values -------------------------------------------------------------------

QString TExtIniFile::ReadStr(const QString &section, const QString &item, const QString &def) const
{
    QString value;
    return findValue(section, item, value) >= 0 ? value : def;
}

void TExtIniFile::WriteStr(const QString &section, const QString &item, const QString &value)
{
    setValue(section, item, value);
    changed();
}

std::int32_t TExtIniFile::ReadInt(const QString &section, const QString &item, std::int32_t def) const
{
    QString value;
    if (findValue(section, item, value) < 0)
        return def;
    return parseInteger<std::int32_t>(value).value_or(def);
}

void TExtIniFile::WriteInt(const QString &section, const QString &item, std::int32_t value)
{
    WriteStr(section, item, QString::number(value));
}

std::int64_t TExtIniFile::ReadInt64(const QString &section, const QString &item, std::int64_t def) const
{
    QString value;
    if (findValue(section, item, value) < 0)
        return def;
    return parseInteger<std::int64_t>(value).value_or(def);
}

void TExtIniFile::WriteInt64(const QString &section, const QString &item, std::int64_t value)
{
    WriteStr(section, item, QString::number(value));
}

std::uint32_t TExtIniFile::ReadCardinal(const QString &section, const QString &item, std::uint32_t def) const
{
    QString value;
    if (findValue(section, item, value) < 0)
        return def;
    const auto v = parseInteger<std::int64_t>(value);
    return v ? static_cast<std::uint32_t>(static_cast<std::uint64_t>(*v)) : def;
}

void TExtIniFile::WriteCardinal(const QString &section, const QString &item, std::uint32_t value)
{
    WriteStr(section, item, QString::number(value));
}

TColor TExtIniFile::ReadColor(const QString &section, const QString &item, TColor def) const
{
    return static_cast<TColor>(ReadInt(section, item, static_cast<std::int32_t>(def)));
}

void TExtIniFile::WriteColor(const QString &section, const QString &item, TColor value)
{
    WriteStr(section, item, QStringLiteral("$%1").arg(value, 8, 16, QLatin1Char('0')).toUpper());
}

bool TExtIniFile::ReadBool(const QString &section, const QString &item, bool def) const
{
    QString value;
    if (findValue(section, item, value) < 0)
        return def;
    return value == QLatin1String("1") || value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

void TExtIniFile::WriteBool(const QString &section, const QString &item, bool value)
{
    WriteStr(section, item, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QString TExtIniFile::FloatToText(double value)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? QStringLiteral("NAN") : value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0.0)
        return QStringLiteral("0");
    // Digits and exponent at 15 significant digits, locale-free.
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    const std::string sci(buffer, r.ptr);
    const std::size_t e = sci.find('e');
    std::string mantissa = sci.substr(0, e);
    const int exponent = std::stoi(sci.substr(e + 1));
    const bool negative = mantissa[0] == '-';
    std::string digits;
    for (const char c : mantissa)
        if (c >= '0' && c <= '9')
            digits += c;
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    std::string out = negative ? "-" : "";
    if (exponent >= 15 || std::fabs(value) < 1e-5) {
        out += digits[0];
        if (digits.size() > 1)
            out += '.' + digits.substr(1);
        out += 'E' + std::to_string(exponent);
    } else if (exponent < 0) {
        out += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else {
        const auto intDigits = static_cast<std::size_t>(exponent + 1);
        if (digits.size() <= intDigits) {
            out += digits + std::string(intDigits - digits.size(), '0');
        } else {
            out += digits.substr(0, intDigits) + '.' + digits.substr(intDigits);
        }
    }
    return QString::fromLatin1(out.c_str());
}

bool TExtIniFile::TextToFloat(const QString &text, double &value)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    const QByteArray latin = trimmed.toLatin1();
    double v = 0;
    const char *begin = latin.constData();
    if (*begin == '+')
        ++begin;
    const auto r = std::from_chars(begin, latin.constData() + latin.size(), v);
    if (r.ec == std::errc() && r.ptr == latin.constData() + latin.size() && std::isfinite(v)) {
        value = v;
        return true;
    }
    // Files written by older versions used the user's decimal separator.
    bool ok = false;
    v = QLocale::system().toDouble(trimmed, &ok);
    if (ok && std::isfinite(v)) {
        value = v;
        return true;
    }
    return false;
}

double TExtIniFile::ReadFloat(const QString &section, const QString &item, double def) const
{
    QString text;
    if (findValue(section, item, text) < 0)
        return def;
    double v = 0;
    return TextToFloat(text, v) ? v : def;
}

void TExtIniFile::WriteFloat(const QString &section, const QString &item, double value)
{
    WriteStr(section, item, FloatToText(value));
}

namespace {

constexpr double kMaxCurrency = 922337203685477.5807;

double roundCurrency(double value)
{
    return std::round(value * 10000.0) / 10000.0;
}

} // namespace

double TExtIniFile::ReadCurr(const QString &section, const QString &item, double def) const
{
    QString text;
    if (findValue(section, item, text) < 0)
        return def;
    double v = 0;
    if (!TextToFloat(text, v) || std::fabs(v) > kMaxCurrency)
        return def;
    return roundCurrency(v);
}

void TExtIniFile::WriteCurr(const QString &section, const QString &item, double value)
{
    WriteStr(section, item, FloatToText(roundCurrency(value)));
}

double TExtIniFile::DateTimeToDays(const QDateTime &value)
{
    const double days = static_cast<double>(kEpoch.daysTo(value.date()));
    const double fraction = value.time().msecsSinceStartOfDay() / 86400000.0;
    // Before the epoch the time of day still counts forward from midnight.
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime TExtIniFile::DaysToDateTime(double days)
{
    if (!std::isfinite(days) || days < kMinDays || days >= kMaxDays)
        return QDateTime();
    const double whole = std::trunc(days);
    const double fraction = std::fabs(days - whole);
    auto msecs = static_cast<qint64>(std::llround(fraction * 86400000.0));
    qint64 dayNumber = static_cast<qint64>(whole);
    if (msecs >= 86400000) {
        msecs -= 86400000;
        dayNumber += days >= 0 ? 1 : -1;
    }
    return QDateTime(kEpoch.addDays(dayNumber), QTime::fromMSecsSinceStartOfDay(static_cast<int>(msecs)));
}

QDateTime TExtIniFile::ReadDateTime(const QString &section, const QString &item, const QDateTime &def) const
{
    QString text;
    if (findValue(section, item, text) < 0)
        return def;
    double v = 0;
    if (!TextToFloat(text, v))
        return def;
    const QDateTime dt = DaysToDateTime(v);
    return dt.isValid() ? dt : def;
}

void TExtIniFile::WriteDateTime(const QString &section, const QString &item, const QDateTime &value)
{
    WriteFloat(section, item, DateTimeToDays(value));
}

QDate TExtIniFile::ReadDate(const QString &section, const QString &item, const QDate &def) const
{
    const QDateTime dt = ReadDateTime(section, item, QDateTime());
    return dt.isValid() ? dt.date() : def;
}

void TExtIniFile::WriteDate(const QString &section, const QString &item, const QDate &value)
{
    WriteDateTime(section, item, QDateTime(value, QTime(0, 0)));
}

QTime TExtIniFile::ReadTime(const QString &section, const QString &item, const QTime &def) const
{
    const QDateTime dt = ReadDateTime(section, item, QDateTime());
    return dt.isValid() ? dt.time() : def;
}

void TExtIniFile::WriteTime(const QString &section, const QString &item, const QTime &value)
{
    WriteDateTime(section, item, QDateTime(kEpoch, value));
}

QString TExtIniFile::ReadDirectory(const QString &section, const QString &item, const QString &def) const
{
    const QString value = ReadStr(section, item, def);
    return value.isEmpty() ? value : IncludeTrailingPathDelimiter(value);
}

void TExtIniFile::WriteDirectory(const QString &section, const QString &item, const QString &value)
{
    setValue(section, item, value.isEmpty() ? value : IncludeTrailingPathDelimiter(value));
}

// --- Families -------------------------------------------------------------------------

void TExtIniFile::ReadList(const QString &section, const QString &item, QStringList &list) const
{
    list.clear();
    const std::int32_t count = ReadInt(section, item + QStringLiteral(".count"), 0);
    for (std::int32_t i = 0; i < count; ++i) {
        QString value;
        if (findValue(section, item + QLatin1Char('.') + QString::number(i), value) >= 0)
            list.append(value);
    }
}

void TExtIniFile::WriteList(const QString &section, const QString &item, const QStringList &list)
{
    const std::int32_t oldCount = ReadInt(section, item + QStringLiteral(".count"), 0);
    setValue(section, item, QStringLiteral("LIST"));
    setValue(section, item + QStringLiteral(".count"), QString::number(list.size()));
    for (qsizetype i = 0; i < list.size(); ++i)
        setValue(section, item + QLatin1Char('.') + QString::number(i), list[i]);
    for (std::int32_t i = oldCount - 1; i >= list.size(); --i) {
        QString ignored;
        int s = -1;
        const int line = findValue(section, item + QLatin1Char('.') + QString::number(i), ignored, &s);
        if (line >= 0)
            FSections[static_cast<std::size_t>(s)].Lines.removeAt(line);
    }
    changed();
}

void TExtIniFile::ReadFont(const QString &section, const QString &item, TFont &font) const
{
    const QString p = item + QLatin1Char('.');
    font.Charset = static_cast<std::uint8_t>(ReadInt(section, p + QStringLiteral("charset"), font.Charset));
    font.Color = ReadColor(section, p + QStringLiteral("color"), font.Color);
    font.Height = ReadInt(section, p + QStringLiteral("height"), font.Height);
    font.Name = ReadStr(section, p + QStringLiteral("name"), font.Name);
    if (ItemExists(section, p + QStringLiteral("pitch"))) {
        const std::int32_t pitch = ReadInt(section, p + QStringLiteral("pitch"), 1);
        font.Pitch = pitch == 0 ? TFontPitch::fpDefault : pitch == 2 ? TFontPitch::fpFixed : TFontPitch::fpVariable;
    }
    const std::pair<const char *, TFontStyle> styles[] = {
        {"b", TFontStyle::fsBold}, {"i", TFontStyle::fsItalic},
        {"u", TFontStyle::fsUnderline}, {"s", TFontStyle::fsStrikeOut}};
    for (const auto &[suffix, style] : styles) {
        const QString key = p + QLatin1String(suffix);
        if (!ItemExists(section, key))
            continue;
        if (ReadBool(section, key, false))
            font.Style.include(style);
        else
            font.Style.exclude(style);
    }
}

void TExtIniFile::WriteFont(const QString &section, const QString &item, const TFont &font)
{
    const QString p = item + QLatin1Char('.');
    const auto b = [](bool v) { return v ? QStringLiteral("1") : QStringLiteral("0"); };
    setValue(section, item, QStringLiteral("FONT"));
    setValue(section, p + QStringLiteral("charset"), QString::number(font.Charset));
    setValue(section, p + QStringLiteral("color"),
             QStringLiteral("$%1").arg(font.Color, 8, 16, QLatin1Char('0')).toUpper());
    setValue(section, p + QStringLiteral("height"), QString::number(font.Height));
    setValue(section, p + QStringLiteral("name"), font.Name);
    const int pitch = font.Pitch == TFontPitch::fpDefault ? 0 : font.Pitch == TFontPitch::fpFixed ? 2 : 1;
    setValue(section, p + QStringLiteral("pitch"), QString::number(pitch));
    setValue(section, p + QStringLiteral("b"), b(font.Style.contains(TFontStyle::fsBold)));
    setValue(section, p + QStringLiteral("i"), b(font.Style.contains(TFontStyle::fsItalic)));
    setValue(section, p + QStringLiteral("u"), b(font.Style.contains(TFontStyle::fsUnderline)));
    setValue(section, p + QStringLiteral("s"), b(font.Style.contains(TFontStyle::fsStrikeOut)));
    changed();
}

void TExtIniFile::ReadBounds(const QString &section, const QString &item, QRect &bounds) const
{
    const QString p = item + QLatin1Char('.');
    const int left = ReadInt(section, p + QStringLiteral("left"), bounds.x());
    const int top = ReadInt(section, p + QStringLiteral("top"), bounds.y());
    const int width = ReadInt(section, p + QStringLiteral("width"), bounds.width());
    const int height = ReadInt(section, p + QStringLiteral("height"), bounds.height());
    bounds = QRect(left, top, width, height);
}

void TExtIniFile::WriteBounds(const QString &section, const QString &item, const QRect &bounds)
{
    const QString p = item + QLatin1Char('.');
    setValue(section, item, QStringLiteral("BOUNDS"));
    setValue(section, p + QStringLiteral("left"), QString::number(bounds.x()));
    setValue(section, p + QStringLiteral("top"), QString::number(bounds.y()));
    setValue(section, p + QStringLiteral("width"), QString::number(bounds.width()));
    setValue(section, p + QStringLiteral("height"), QString::number(bounds.height()));
    changed();
}

void TExtIniFile::ReadPos(const QString &section, const QString &item, QPoint &pos) const
{
    const QString p = item + QLatin1Char('.');
    pos = QPoint(ReadInt(section, p + QStringLiteral("left"), pos.x()),
                 ReadInt(section, p + QStringLiteral("top"), pos.y()));
}

void TExtIniFile::ReadSize(const QString &section, const QString &item, QSize &size) const
{
    const QString p = item + QLatin1Char('.');
    size = QSize(ReadInt(section, p + QStringLiteral("width"), size.width()),
                 ReadInt(section, p + QStringLiteral("height"), size.height()));
}

void TExtIniFile::ReadPlacement(const QString &section, const QString &item, TWindowPlacement &placement) const
{
    const QString p = item + QLatin1Char('.');
    placement.Flags = ReadCardinal(section, p + QStringLiteral("flags"), placement.Flags);
    placement.MaxPosition = QPoint(ReadInt(section, p + QStringLiteral("mx"), placement.MaxPosition.x()),
                                   ReadInt(section, p + QStringLiteral("my"), placement.MaxPosition.y()));
    placement.Left = ReadInt(section, p + QStringLiteral("left"), placement.Left);
    placement.Top = ReadInt(section, p + QStringLiteral("top"), placement.Top);
    placement.Right = ReadInt(section, p + QStringLiteral("right"), placement.Right);
    placement.Bottom = ReadInt(section, p + QStringLiteral("bottom"), placement.Bottom);
    placement.ShowCmd = ReadCardinal(section, p + QStringLiteral("show"), placement.ShowCmd);
}

void TExtIniFile::WriteForm(const QString &section, const QString &item, const TWindowPlacement &placement,
                            int state, QSize clientSize)
{
    const QString p = item + QLatin1Char('.');
    setValue(section, item, QStringLiteral("FORM"));
    setValue(section, p + QStringLiteral("flags"), QString::number(placement.Flags));
    setValue(section, p + QStringLiteral("show"), QString::number(placement.ShowCmd));
    setValue(section, p + QStringLiteral("mx"), QString::number(placement.MaxPosition.x()));
    setValue(section, p + QStringLiteral("my"), QString::number(placement.MaxPosition.y()));
    setValue(section, p + QStringLiteral("left"), QString::number(placement.Left));
    setValue(section, p + QStringLiteral("top"), QString::number(placement.Top));
    setValue(section, p + QStringLiteral("right"), QString::number(placement.Right));
    setValue(section, p + QStringLiteral("bottom"), QString::number(placement.Bottom));
    setValue(section, p + QStringLiteral("state"), QString::number(state));
    setValue(section, p + QStringLiteral("cwidth"), QString::number(clientSize.width()));
    setValue(section, p + QStringLiteral("cheight"), QString::number(clientSize.height()));
    changed();
}

} // namespace vellora
