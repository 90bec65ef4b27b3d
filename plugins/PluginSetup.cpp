#include "plugins/PluginSetup.h"

#include "settings/Helpers.h"
#include "settings/IniFile.h"

#include <QDir>

namespace vellora {

QString SusieFolderSetting()
{
    TExtIniFile ini;
    ini.SetAutoUpdate(false);
    ini.SetFileName(GetSpecialFolder(TSpecialFolder::sfAppData) + QStringLiteral("Vellora/Vellora.ini"));
    ini.SetDefaultFolder(TDefaultFolder::dfUser);
    return ini.ReadStr(QStringLiteral("Option"), QStringLiteral("Susie"), QString());
}

int SearchSusieFolder(TSPIs &spis, const QString &folder)
{
    if (folder.trimmed().isEmpty())
        return 0;
    return spis.Search(QDir(folder).absolutePath() + QStringLiteral("/*.spi"));
}

std::unique_ptr<TSPIs> LoadStandardPlugins()
{
    if (TSPIs::Instance())
        return nullptr;
    auto spis = std::make_unique<TSPIs>();
    spis->SetGraphicPreview(false);
    spis->SetSearchOptions({TSPISearchOption::spsSusieDir, TSPISearchOption::spsAppDir});
    spis->Loaded();
    SearchSusieFolder(*spis, SusieFolderSetting());
    return spis;
}

} // namespace vellora
