#include "plugins/SPIs.h"

#include "graphics/GraphicClassList.h"
#include "plugins/HostProtocol.h"
#include "plugins/SPIBmp.h"
#include "settings/Codepage.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vellora {

namespace {

TSPIs *gInstance = nullptr;
const TGraphicClass *gDefaultGraphic = nullptr;
bool gDefaultGraphicSet = false;

// Plug-in texts are UTF-8; older ones write CP932.
QString pluginText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = DecodeCp932(bytes);
    return text;
}

QString canonical(const QString &fileName)
{
    const QString path = QFileInfo(fileName).canonicalFilePath();
    return path.isEmpty() ? QFileInfo(fileName).absoluteFilePath() : path;
}

// Plug-in trouble goes where the helper reports its own.
void logMessage(const QString &message)
{
    TSpiHost::Instance().Log(message);
}

} // namespace

// ---------------------------------------------------------------- TSPI

TSPI::TSPI(const QString &fileName)
{
    FFileName = canonical(fileName);
    init(TSpiHost::Instance().Load(FFileName));
}

void TSPI::init(const TPluginDescription &d)
{
    if (!d.Loaded)
        throw ESPIFOpenErrorSPI(QStringLiteral("%1:Susie Pluginがロードできませんでした").arg(FFileName));
    FDllHandle = d.Handle;
    FExports = d.Exports;
    for (const QByteArray &info : d.Infos)
        FInfos.push_back(pluginText(info));
    if (FInfos.size() > 0)
        FVersion = FInfos[0];
    if (FInfos.size() > 1)
        FInfomation = FInfos[1];
    for (std::size_t i = 2; i + 1 < FInfos.size(); i += 2) {
        if (FInfos[i].isEmpty() || FInfos[i + 1].isEmpty())
            break;
        FExtNames << FInfos[i];
        FFileTypes << FInfos[i + 1];
    }
}

void TSPI::CheckAPI(std::uint32_t api, const char *name) const
{
    if (!(FExports & api))
        throw ESPIInvalidAPI(QStringLiteral("%1は[%2]では使えないSusie Plugin APIです")
                                 .arg(QLatin1String(name), FFileName));
}

void TSPI::RequireAPIs() const
{
    CheckAPI(apiGetPluginInfo, "GetPluginInfo");
}

bool TSPI::ProcAddress(const char *procName) const
{
    for (int i = 0; i < spiproto::kExportCount; ++i)
        if (std::strcmp(procName, spiproto::kExportNames[i]) == 0)
            return (FExports >> i) & 1u;
    return false;
}

QString TSPI::GetPluginInfo(int infoNo) const
{
    CheckAPI(apiGetPluginInfo, "GetPluginInfo");
    return infoNo >= 0 && static_cast<std::size_t>(infoNo) < FInfos.size() ? FInfos[static_cast<std::size_t>(infoNo)]
                                                                          : QString();
}

int TSPI::ConfigurationDlg(void *, int) const
{
    CheckAPI(apiConfigurationDlg, "ConfigurationDlg");
    return SPI_NOT_IMPLEMENTED;
}

void TLoaderSPI::RequireAPIs() const
{
    TSPI::RequireAPIs();
    CheckAPI(apiIsSupported, "IsSupported");
}

bool TLoaderSPI::IsSupported(const QString &fileName, std::span<const std::uint8_t, SPI_HEADER_WINDOW> window) const
{
    CheckAPI(apiIsSupported, "IsSupported");
    return TSpiHost::Instance().IsSupported(FileName(), fileName.toLocal8Bit(), window) != 0;
}

void TInSPI::RequireAPIs() const
{
    TLoaderSPI::RequireAPIs();
    CheckAPI(apiGetPictureInfo, "GetPictureInfo");
    CheckAPI(apiGetPicture, "GetPicture");
}

std::int32_t TInSPI::GetPictureInfo(const TSpiSource &source, TPictureInfo &info, QByteArray &text) const
{
    CheckAPI(apiGetPictureInfo, "GetPictureInfo");
    return TSpiHost::Instance().GetPictureInfo(FileName(), source, info, text);
}

std::int32_t TInSPI::GetPicture(const TSpiSource &source, const TSpiHost::TProgress &progress,
                                TSpiPicture &picture) const
{
    CheckAPI(apiGetPicture, "GetPicture");
    return TSpiHost::Instance().GetPicture(FileName(), source, false, progress, picture);
}

std::int32_t TInSPI::GetPreview(const TSpiSource &source, const TSpiHost::TProgress &progress,
                                TSpiPicture &picture) const
{
    if (!(Exports() & apiGetPreview))
        return SPI_NOT_IMPLEMENTED;
    return TSpiHost::Instance().GetPicture(FileName(), source, true, progress, picture);
}

void TAmSPI::RequireAPIs() const
{
    TLoaderSPI::RequireAPIs();
    CheckAPI(apiGetArchiveInfo, "GetArchiveInfo");
    CheckAPI(apiGetFileInfo, "GetFileInfo");
    CheckAPI(apiGetFile, "GetFile");
}

std::unique_ptr<TSPI> CreateSPI(const QString &fileName)
{
    const QString path = canonical(fileName);
    try {
        // The helper keeps the module loaded; the probe's description is the
        // plug-in's, so one load serves both steps.
        const TPluginDescription d = TSpiHost::Instance().Load(path);
        const QString version = d.Loaded && !d.Infos.empty() ? pluginText(d.Infos[0]) : QString();
        std::unique_ptr<TSPI> plugin;
        if (version == QLatin1String("00IN"))
            plugin.reset(new TInSPI());
        else if (version == QLatin1String("00AM"))
            plugin.reset(new TAmSPI());
        else if (version == QLatin1String("00XN"))
            plugin.reset(new TXnSPI());
        else
            plugin.reset(new TSPI());
        plugin->FFileName = path;
        plugin->init(d);
        plugin->RequireAPIs();
        plugin->FEnabled = plugin->IsEnabled();
        return plugin;
    } catch (const ESPIInvalidSPI &e) {
        logMessage(e.message());
    } catch (const ESpiHostError &) {
        // Named by the helper's log already.
    }
    return nullptr;
}

// ---------------------------------------------------------------- TSPIs

TSPIs::TSPIs()
{
    if (gInstance)
        throw ESPIDupCreateSPIs(QStringLiteral("TSPIs は複数生成できません"));
    gInstance = this;
}

TSPIs::~TSPIs()
{
    Clear();
    if (gInstance == this)
        gInstance = nullptr;
}

TSPIs *TSPIs::Instance()
{
    return gInstance;
}

void TSPIs::SetDefaultGraphic(const TGraphicClass *graphicClass)
{
    gDefaultGraphic = graphicClass;
    gDefaultGraphicSet = true;
}

const TGraphicClass *TSPIs::GetDefaultGraphic()
{
    return gDefaultGraphicSet ? gDefaultGraphic : &SPIBitmapClass();
}

void TSPIs::Loaded()
{
    if (FAutoSearch)
        Search(QStringLiteral("*.spi"));
}

QStringList TSPIs::FoldersOf(TSPISearchOption option)
{
    switch (option) {
    case TSPISearchOption::spsSusieDir: {
        QString data = qEnvironmentVariable("XDG_DATA_HOME");
        if (data.isEmpty())
            data = QDir::homePath() + QStringLiteral("/.local/share");
        return {data + QStringLiteral("/Vellora/plugins")};
    }
    case TSPISearchOption::spsAppDir: {
        const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
        const QString dir = QFileInfo(exe).absolutePath();
        return {dir, QDir::cleanPath(dir + QStringLiteral("/../lib/vellora/plugins"))};
    }
    case TSPISearchOption::spsCurrentDir:
        return {QDir::currentPath()};
    case TSPISearchOption::spsSystemDir:
        return {QStringLiteral(VELLORA_SYSTEM_PLUGIN_DIR)};
    case TSPISearchOption::spsWindowsDir:
        return {};
    }
    return {};
}

int TSPIs::Search(const QString &wildCard)
{
    int added = 0;
    const qsizetype slash = wildCard.lastIndexOf(QLatin1Char('/'));
    if (slash >= 0) {
        searchFolder(wildCard.left(slash + 1), wildCard.mid(slash + 1), added);
        return added;
    }
    for (TSPISearchOption option : FSearchOptions)
        for (const QString &folder : FoldersOf(option))
            searchFolder(folder, wildCard, added);
    return added;
}

void TSPIs::searchFolder(const QString &folder, const QString &pattern, int &added)
{
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return;
    QStringList files;
    for (const QFileInfo &info : dir.entryInfoList({pattern}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
        const QString path = canonical(info.filePath());
        if (QFileInfo(path).isFile() && IndexOfSPIName(path) < 0)
            files << path;
    }
    for (const QString &file : files) {
        bool accept = true;
        if (FOnSearching)
            FOnSearching(*this, file, accept);
        if (!accept || IndexOfSPIName(file) >= 0)
            continue;
        std::unique_ptr<TSPI> plugin = CreateSPI(file);
        if (!plugin)
            continue;
        try {
            accept = true;
            if (FOnSearch)
                FOnSearch(*this, *plugin, accept);
        } catch (const std::exception &) {
            continue;   // the plug-in is freed
        }
        if (accept) {
            Add(std::move(plugin));
            ++added;
        }
    }
}

int TSPIs::Add(std::unique_ptr<TSPI> plugin)
{
    const int index = Count();
    Insert(index, std::move(plugin));
    return index;
}

void TSPIs::Insert(int index, std::unique_ptr<TSPI> plugin)
{
    if (!plugin)
        return;
    index = std::clamp(index, 0, Count());
    TSPI &p = *plugin;
    {
        std::unique_lock lock(FListMutex);
        FPlugins.insert(FPlugins.begin() + index, std::move(plugin));
    }
    registerFormats(p);
}

namespace {

// Unregisters the plug-in class when the program ends; made after the
// picture loader's registry, so it runs before that is gone.
struct UnregisterAtExit {
    ~UnregisterAtExit() { UnregisterPictureClass(&SPIBitmapClass()); }
};

} // namespace

void TSPIs::registerFormats(TSPI &plugin)
{
    if (!dynamic_cast<TInSPI *>(&plugin))
        return;
    vellora::PictureFormats();   // the registry exists before the guard below
    static const UnregisterAtExit guard;
    for (qsizetype i = 0; i < plugin.ExtNames().size(); ++i) {
        const QString description = plugin.FileTypes().value(i);
        for (const QString &ext : ExtensionsOfFilter(plugin.ExtNames()[i])) {
            const TGraphicClass *cls = GetDefaultGraphic();
            if (FOnPictureRegister)
                FOnPictureRegister(*this, plugin, ext, description, cls);
            if (cls)
                RegisterPictureFormat(ext, description, cls);
        }
    }
}

void TSPIs::Delete(int index)
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("TSPIs: list index out of bounds");
    std::unique_lock lock(FListMutex);
    if (FGraphicForcedLoader == FPlugins[static_cast<std::size_t>(index)].get())
        FGraphicForcedLoader = nullptr;
    FPlugins.erase(FPlugins.begin() + index);
}

void TSPIs::Remove(TSPI *plugin)
{
    const int index = IndexOf(plugin);
    if (index >= 0)
        Delete(index);
}

int TSPIs::IndexOf(const TSPI *plugin) const
{
    for (std::size_t i = 0; i < FPlugins.size(); ++i)
        if (FPlugins[i].get() == plugin)
            return static_cast<int>(i);
    return -1;
}

int TSPIs::IndexOfSPIName(const QString &spiName) const
{
    const QString path = canonical(spiName);
    for (std::size_t i = 0; i < FPlugins.size(); ++i)
        if (FPlugins[i]->FileName() == path)
            return static_cast<int>(i);
    return -1;
}

void TSPIs::Exchange(int index1, int index2)
{
    if (index1 < 0 || index1 >= Count() || index2 < 0 || index2 >= Count())
        throw std::out_of_range("TSPIs: list index out of bounds");
    std::unique_lock lock(FListMutex);
    std::swap(FPlugins[static_cast<std::size_t>(index1)], FPlugins[static_cast<std::size_t>(index2)]);
}

void TSPIs::Clear()
{
    std::unique_lock lock(FListMutex);
    FGraphicForcedLoader = nullptr;
    FPlugins.clear();
}

TSPI *TSPIs::Plugin(int index) const
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("TSPIs: list index out of bounds");
    return FPlugins[static_cast<std::size_t>(index)].get();
}

std::vector<TSPI *> TSPIs::FindPluginList() const
{
    std::vector<TSPI *> list;
    for (const auto &p : FPlugins)
        list.push_back(p.get());
    return list;
}

std::vector<TInSPI *> TSPIs::CandidatePlugins(const QString &fileName) const
{
    std::shared_lock lock(FListMutex);
    if (FGraphicForcedLoader)
        return {FGraphicForcedLoader};
    const QString ext = ExtractFileExt(fileName);
    std::vector<TInSPI *> list;
    TSpiHost &host = TSpiHost::Instance();
    for (const auto &p : FPlugins) {
        auto *in = dynamic_cast<TInSPI *>(p.get());
        if (!in || !in->Enabled() || host.IsDisabled(in->FileName()))
            continue;
        bool matches = false;
        if (!ext.isEmpty()) {
            for (const QString &filter : in->ExtNames())
                for (const QString &e : ExtensionsOfFilter(filter))
                    matches = matches || ext.mid(1).compare(e, Qt::CaseInsensitive) == 0;
        }
        if (matches)
            list.insert(list.begin(), in);
        else
            list.push_back(in);
    }
    return list;
}

std::vector<std::pair<QString, QString>> TSPIs::PictureFormats() const
{
    std::shared_lock lock(FListMutex);
    std::vector<std::pair<QString, QString>> formats;
    for (const auto &p : FPlugins) {
        if (!dynamic_cast<TInSPI *>(p.get()))
            continue;
        for (qsizetype i = 0; i < p->ExtNames().size(); ++i) {
            for (const QString &ext : ExtensionsOfFilter(p->ExtNames()[i])) {
                const QString lower = ext.toLower();
                if (std::none_of(formats.begin(), formats.end(), [&](const auto &f) { return f.first == lower; }))
                    formats.emplace_back(lower, p->FileTypes().value(i));
            }
        }
    }
    return formats;
}

QStringList ExtensionsOfFilter(const QString &filter)
{
    QStringList result;
    const QStringList pieces = filter.split(QLatin1Char(';'));
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
        const qsizetype dot = it->indexOf(QLatin1Char('.'));
        const QString ext = (dot >= 0 ? it->mid(dot + 1) : *it).trimmed();
        if (!ext.isEmpty() && !ext.contains(QLatin1Char('*')) && !ext.contains(QLatin1Char('?')))
            result << ext;
    }
    return result;
}

QStringList SusieFilterEntries()
{
    QStringList entries;
    if (const TSPIs *spis = TSPIs::Instance())
        for (const auto &[ext, description] : spis->PictureFormats())
            entries << QStringLiteral("%1 (*.%2)").arg(description, ext);
    return entries;
}

QStringList SusieExtensionPatterns()
{
    QStringList patterns;
    if (const TSPIs *spis = TSPIs::Instance())
        for (const auto &format : spis->PictureFormats())
            patterns << QStringLiteral("*.") + format.first;
    return patterns;
}

} // namespace vellora
