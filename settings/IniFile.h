// TExtIniFile: the user settings file, sections of name=value lines held in
// memory and written back whole (at once after each write with UpdateAtOnce,
// otherwise when the object is destroyed). Knows where the file lives, its
// text encoding, and how compound values (window placement, bounds, fonts,
// string lists) are stored as families of keys. UI thread only. Never
// throws for file or value problems: reads fall back to their defaults and
// load and save failures are swallowed.
#pragma once

#include "settings/Font.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTime>
#include <cstdint>
#include <functional>
#include <vector>

namespace vellora {

enum class TDefaultFolder : std::uint8_t { dfAppData, dfApplication, dfUser, dfWindows };
enum class TIniEncoding : std::uint8_t { ieDefault, ieUnicode, ieUTF8 };

// A top-level window's placement as the settings file stores it: the
// window's normal-state rectangle (right and bottom exclusive), the show
// command (0 hidden, 1 normal, 2 minimised, 3 maximised) and positions.
struct TWindowPlacement {
    std::uint32_t Flags = 0;
    std::uint32_t ShowCmd = 1;
    QPoint MinPosition{-1, -1};
    QPoint MaxPosition{-1, -1};
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

inline constexpr std::uint32_t kShowHidden = 0;
inline constexpr std::uint32_t kShowNormal = 1;
inline constexpr std::uint32_t kShowMinimized = 2;
inline constexpr std::uint32_t kShowMaximized = 3;

class TExtIniFile {
public:
    using TNotifyEvent = std::function<void(TExtIniFile &)>;

    TExtIniFile();
    ~TExtIniFile();
    TExtIniFile(const TExtIniFile &) = delete;
    TExtIniFile &operator=(const TExtIniFile &) = delete;

    // Properties.
    bool AutoUpdate() const noexcept { return FAutoUpdate; }
    void SetAutoUpdate(bool value) noexcept { FAutoUpdate = value; }
    bool CaseSensitive() const noexcept { return FCaseSensitive; }
    void SetCaseSensitive(bool value) noexcept { FCaseSensitive = value; }
    TDefaultFolder DefaultFolder() const noexcept { return FDefaultFolder; }
    void SetDefaultFolder(TDefaultFolder value);
    TIniEncoding Encoding() const noexcept { return FEncoding; }
    void SetEncoding(TIniEncoding value) noexcept { FEncoding = value; }
    const QString &FileName() const noexcept { return FFileName; }
    void SetFileName(const QString &value);
    bool UpdateAtOnce() const noexcept { return FUpdateAtOnce; }
    void SetUpdateAtOnce(bool value);
    void SetOnLoad(TNotifyEvent handler) { FOnLoad = std::move(handler); }
    void SetOnUpdate(TNotifyEvent handler) { FOnUpdate = std::move(handler); }

    QString AbsoluteFileName() const { return FFolderPath + FIniFileName; }
    const QString &FolderPath() const noexcept { return FFolderPath; }
    bool Modified() const noexcept { return FModified; }
    int SectionCount() const noexcept { return static_cast<int>(FSections.size()); }

    // The folder a base-folder choice stands for, with a trailing delimiter
    // (empty for dfUser), created with its parents when missing.
    QString FolderOf(TDefaultFolder folder) const;

    // File operations.
    void Reload();
    void Update();
    void Clear();
    void Erase();
    bool Copy(const QString &dest) const;
    bool Rename(TDefaultFolder newFolder, const QString &newName);

    // The in-memory copy as file bytes in the current encoding, and back;
    // the file operations go through these.
    QByteArray SaveToData() const;
    void LoadFromData(const QByteArray &data);

    // Sections and keys.
    bool SectionExists(const QString &section) const;
    bool ItemExists(const QString &section, const QString &item) const;
    void EraseSection(const QString &section);
    bool RenameSection(const QString &section, const QString &newSection);
    void ReadSection(const QString &section, QStringList &list) const;
    void ReadSectionName(QStringList &list) const;
    void DeleteItem(const QString &section, const QString &item);

    // Typed values.
    QString ReadStr(const QString &section, const QString &item, const QString &def) const;
    void WriteStr(const QString &section, const QString &item, const QString &value);
    std::int32_t ReadInt(const QString &section, const QString &item, std::int32_t def) const;
    void WriteInt(const QString &section, const QString &item, std::int32_t value);
    std::int64_t ReadInt64(const QString &section, const QString &item, std::int64_t def) const;
    void WriteInt64(const QString &section, const QString &item, std::int64_t value);
    std::uint32_t ReadCardinal(const QString &section, const QString &item, std::uint32_t def) const;
    void WriteCardinal(const QString &section, const QString &item, std::uint32_t value);
    TColor ReadColor(const QString &section, const QString &item, TColor def) const;
    void WriteColor(const QString &section, const QString &item, TColor value);
    bool ReadBool(const QString &section, const QString &item, bool def) const;
    void WriteBool(const QString &section, const QString &item, bool value);
    double ReadFloat(const QString &section, const QString &item, double def) const;
    void WriteFloat(const QString &section, const QString &item, double value);
    double ReadCurr(const QString &section, const QString &item, double def) const;  // 4 decimals
    void WriteCurr(const QString &section, const QString &item, double value);
    QDateTime ReadDateTime(const QString &section, const QString &item, const QDateTime &def) const;
    void WriteDateTime(const QString &section, const QString &item, const QDateTime &value);
    QDate ReadDate(const QString &section, const QString &item, const QDate &def) const;
    void WriteDate(const QString &section, const QString &item, const QDate &value);
    QTime ReadTime(const QString &section, const QString &item, const QTime &def) const;
    void WriteTime(const QString &section, const QString &item, const QTime &value);
    QString ReadDirectory(const QString &section, const QString &item, const QString &def) const;
    void WriteDirectory(const QString &section, const QString &item, const QString &value);

    // Families of keys.
    void ReadList(const QString &section, const QString &item, QStringList &list) const;
    void WriteList(const QString &section, const QString &item, const QStringList &list);
    void ReadFont(const QString &section, const QString &item, TFont &font) const;
    void WriteFont(const QString &section, const QString &item, const TFont &font);
    // bounds: left, top, width, height; each absent key keeps its value.
    void ReadBounds(const QString &section, const QString &item, QRect &bounds) const;
    void WriteBounds(const QString &section, const QString &item, const QRect &bounds);
    void ReadPos(const QString &section, const QString &item, QPoint &pos) const;
    void ReadSize(const QString &section, const QString &item, QSize &size) const;
    // The stored placement of a "FORM" family; absent keys keep the values of
    // placement. The window mapping lives with the widgets (app/FormSettings).
    void ReadPlacement(const QString &section, const QString &item, TWindowPlacement &placement) const;
    void WriteForm(const QString &section, const QString &item, const TWindowPlacement &placement,
                   int state, QSize clientSize);

    // Date-time as days since 1899-12-30 (fraction: time of day), and back.
    static double DateTimeToDays(const QDateTime &value);
    static QDateTime DaysToDateTime(double days);
    // The float text of the file: general format, 15 significant digits.
    static QString FloatToText(double value);
    static bool TextToFloat(const QString &text, double &value);

private:
    struct Section {
        QString Header;       // with its brackets
        QStringList Lines;
    };

    QString bracketed(const QString &section) const;
    int indexOfSection(const QString &section) const;
    // The line index of the key (and its section's index), or -1.
    int findValue(const QString &section, const QString &item, QString &value,
                  int *sectionIndex = nullptr) const;
    void setValue(const QString &section, const QString &item, const QString &value);
    void saveToFile(bool skipIfEmpty);
    void changed();   // saves at once when UpdateAtOnce
    QString defaultFileName() const;

    QString FAppName;
    bool FAutoUpdate = true;
    bool FCaseSensitive = false;
    TDefaultFolder FDefaultFolder = TDefaultFolder::dfApplication;
    TIniEncoding FEncoding = TIniEncoding::ieDefault;
    QString FFileName;
    QString FFolderPath;
    QString FIniFileName;
    bool FModified = false;
    TNotifyEvent FOnLoad;
    TNotifyEvent FOnUpdate;
    std::vector<Section> FSections;
    bool FUpdateAtOnce = false;
};

} // namespace vellora
