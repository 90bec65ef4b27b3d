// Fuzz target for the settings file reader. The first byte picks the
// encoding, the rest is the file. Every value is read back through the typed
// readers, and saving and loading must settle on stable bytes.
#include "settings/IniFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace vellora;
    static TExtIniFile &ini = []() -> TExtIniFile & {
        static TExtIniFile object;
        object.SetAutoUpdate(false);   // never write next to the fuzzer
        return object;
    }();
    if (size == 0)
        return 0;
    ini.SetEncoding(static_cast<TIniEncoding>(data[0] % 3));
    ini.LoadFromData(QByteArray(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1)));

    QStringList sections;
    ini.ReadSectionName(sections);
    for (const QString &section : sections) {
        QStringList lines;
        ini.ReadSection(section, lines);
        for (const QString &line : lines) {
            const QString item = line.section(QLatin1Char('='), 0, 0);
            ini.ReadStr(section, item, QString());
            ini.ReadInt(section, item, 0);
            ini.ReadCardinal(section, item, 0);
            ini.ReadFloat(section, item, 0);
            ini.ReadCurr(section, item, 0);
            ini.ReadDateTime(section, item, QDateTime());
            QStringList list;
            ini.ReadList(section, item, list);
            TFont font;
            ini.ReadFont(section, item, font);
            TWindowPlacement placement;
            ini.ReadPlacement(section, item, placement);
        }
    }

    // The first save may normalise text no encoding can hold (lone UTF-16
    // surrogates); after that, saving and loading must be stable and keep
    // every section.
    const int sectionCount = ini.SectionCount();
    ini.LoadFromData(ini.SaveToData());
    const QByteArray second = ini.SaveToData();
    ini.LoadFromData(second);
    if (ini.SectionCount() != sectionCount || ini.SaveToData() != second)
        std::abort();
    return 0;
}
