// Image plug-ins: TSPI and its kinds describe one plug-in file; TSPIs finds
// and loads plug-ins in the plug-in folders and registers their formats with
// the picture loader. The plug-ins themselves run in the helper process
// (TSpiHost); a TSPI holds what the helper reported and forwards its calls.
// One TSPIs per process, changed on one thread; CandidatePlugins,
// PictureFormats and the forwarded calls may run on any thread, but
// plug-ins are freed (Delete, Clear, destruction) only while nothing decodes.
#pragma once

#include "graphics/GraphicClass.h"
#include "plugins/SpiHost.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <shared_mutex>
#include <span>
#include <vector>

namespace vellora {

class ESPIInvalidSPI : public Error {
public:
    using Error::Error;
};
// "%sは[%s]では使えないSusie Plugin APIです": a function the kind needs is missing.
class ESPIInvalidAPI : public ESPIInvalidSPI {
public:
    using ESPIInvalidSPI::ESPIInvalidSPI;
};
// "%s:Susie Pluginがロードできませんでした"
class ESPIFOpenErrorSPI : public ESPIInvalidSPI {
public:
    using ESPIInvalidSPI::ESPIInvalidSPI;
};
// "TSPIs は複数生成できません"
class ESPIDupCreateSPIs : public Error {
public:
    using Error::Error;
};

// The exports, as bits of TSPI::Exports().
enum TSPIApi : std::uint32_t {
    apiGetPluginInfo = 1u << 0,
    apiConfigurationDlg = 1u << 1,
    apiIsSupported = 1u << 2,
    apiGetPictureInfo = 1u << 3,
    apiGetPicture = 1u << 4,
    apiGetPreview = 1u << 5,
    apiGetArchiveInfo = 1u << 6,
    apiGetFileInfo = 1u << 7,
    apiGetFile = 1u << 8,
};

// One plug-in file. Its kind comes from plug-in information 0.
class TSPI {
public:
    explicit TSPI(const QString &fileName);   // loads through the helper; ESPIFOpenErrorSPI
    virtual ~TSPI() = default;
    TSPI(const TSPI &) = delete;
    TSPI &operator=(const TSPI &) = delete;

    std::uint64_t DllHandle() const noexcept { return FDllHandle; }
    const QString &FileName() const noexcept { return FFileName; }
    const QString &Version() const noexcept { return FVersion; }
    const QString &Infomation() const noexcept { return FInfomation; }
    const QStringList &ExtNames() const noexcept { return FExtNames; }
    const QStringList &FileTypes() const noexcept { return FFileTypes; }
    bool Enabled() const noexcept { return FEnabled; }
    std::uint32_t Exports() const noexcept { return FExports; }

    // Raises ESPIInvalidAPI when a function this kind needs is missing.
    virtual void RequireAPIs() const;
    virtual bool IsEnabled() const { return false; }

    // Whether the plug-in exports the named function (the function itself
    // lives in the helper process).
    bool ProcAddress(const char *procName) const;
    // Information InfoNo as the helper read it (empty when there is none).
    QString GetPluginInfo(int infoNo) const;
    // Settings dialogs of plug-ins are not shown: always SPI_NOT_IMPLEMENTED
    // (ESPIInvalidAPI when the plug-in has none).
    int ConfigurationDlg(void *parent, int fnc) const;

protected:
    TSPI() = default;   // filled by CreateSPI
    void CheckAPI(std::uint32_t api, const char *name) const;

private:
    friend std::unique_ptr<TSPI> CreateSPI(const QString &fileName);
    void init(const TPluginDescription &description);

    std::uint64_t FDllHandle = 0;
    QString FFileName;
    QString FVersion;
    QString FInfomation;
    QStringList FExtNames;
    QStringList FFileTypes;
    bool FEnabled = false;
    std::uint32_t FExports = 0;
    std::vector<QString> FInfos;   // every information entry the helper read
};

class TLoaderSPI : public TSPI {
public:
    using TSPI::TSPI;
    void RequireAPIs() const override;
    // 2,048 bytes of the file's start.
    bool IsSupported(const QString &fileName, std::span<const std::uint8_t, SPI_HEADER_WINDOW> window) const;
};

class TInSPI : public TLoaderSPI {
public:
    using TLoaderSPI::TLoaderSPI;
    void RequireAPIs() const override;
    bool IsEnabled() const override { return true; }
    std::int32_t GetPictureInfo(const TSpiSource &source, TPictureInfo &info, QByteArray &text) const;
    std::int32_t GetPicture(const TSpiSource &source, const TSpiHost::TProgress &progress, TSpiPicture &picture) const;
    // A plug-in without GetPreview gives SPI_NOT_IMPLEMENTED.
    std::int32_t GetPreview(const TSpiSource &source, const TSpiHost::TProgress &progress, TSpiPicture &picture) const;
};

// Archive plug-ins are loaded and listed, never called beyond their information.
class TAmSPI : public TLoaderSPI {
public:
    using TLoaderSPI::TLoaderSPI;
    void RequireAPIs() const override;
    bool IsEnabled() const override { return true; }
};

class TXnSPI : public TSPI {
public:
    using TSPI::TSPI;
};

// The plug-in of a file with the class its kind calls for; nullptr when the
// file cannot be loaded or lacks a function its kind needs.
std::unique_ptr<TSPI> CreateSPI(const QString &fileName);

enum class TSPISearchOption { spsSusieDir, spsAppDir, spsCurrentDir, spsSystemDir, spsWindowsDir };
using TSPISearchOptions = std::vector<TSPISearchOption>;

class TSPIs {
public:
    using TSPISearchingEvent = std::function<void(TSPIs &sender, const QString &fileName, bool &accept)>;
    using TSPISearchEvent = std::function<void(TSPIs &sender, TSPI &plugin, bool &accept)>;
    using TSPIPictureRegisterEvent = std::function<void(TSPIs &sender, TSPI &plugin, const QString &extension,
                                                        const QString &description,
                                                        const TGraphicClass *&graphicClass)>;

    TSPIs();    // ESPIDupCreateSPIs when one exists
    ~TSPIs();
    TSPIs(const TSPIs &) = delete;
    TSPIs &operator=(const TSPIs &) = delete;

    // The process's instance, or nullptr.
    static TSPIs *Instance();

    bool MacBinary() const noexcept { return FMacBinary; }
    void SetMacBinary(bool value) noexcept { FMacBinary = value; }
    bool GraphicPreview() const noexcept { return FPreview; }
    void SetGraphicPreview(bool value) noexcept { FPreview = value; }
    bool AutoSearch() const noexcept { return FAutoSearch; }
    void SetAutoSearch(bool value) noexcept { FAutoSearch = value; }
    const TSPISearchOptions &SearchOptions() const noexcept { return FSearchOptions; }
    void SetSearchOptions(TSPISearchOptions value) { FSearchOptions = std::move(value); }
    void SetOnSearch(TSPISearchEvent e) { FOnSearch = std::move(e); }
    void SetOnSearching(TSPISearchingEvent e) { FOnSearching = std::move(e); }
    void SetOnPictureRegister(TSPIPictureRegisterEvent e) { FOnPictureRegister = std::move(e); }
    TInSPI *GraphicForcedLoader() const noexcept { return FGraphicForcedLoader; }
    void SetGraphicForcedLoader(TInSPI *plugin) noexcept { FGraphicForcedLoader = plugin; }

    // The class registered for plug-in formats (TSPIBitmap's at start).
    static void SetDefaultGraphic(const TGraphicClass *graphicClass);
    static const TGraphicClass *GetDefaultGraphic();

    // With AutoSearch: Search("*.spi").
    void Loaded();
    // A wildcard with a folder searches that folder; a bare pattern searches
    // the folders of SearchOptions. Gives the number of plug-ins added.
    int Search(const QString &wildCard);
    // The folders a search option stands for (existing or not).
    static QStringList FoldersOf(TSPISearchOption option);

    int Add(std::unique_ptr<TSPI> plugin);
    void Insert(int index, std::unique_ptr<TSPI> plugin);
    void Delete(int index);
    void Remove(TSPI *plugin);
    int IndexOf(const TSPI *plugin) const;
    // By full path (canonical, compared case-sensitively).
    int IndexOfSPIName(const QString &spiName) const;
    void Exchange(int index1, int index2);
    void Clear();
    int Count() const noexcept { return static_cast<int>(FPlugins.size()); }
    TSPI *Plugin(int index) const;
    // Every plug-in of the list.
    std::vector<TSPI *> FindPluginList() const;

    // The picture plug-ins to try for a file name, in order: only the forced
    // loader when set; else every enabled TInSPI, those whose filters match
    // the extension moved to the front (the last match first).
    std::vector<TInSPI *> CandidatePlugins(const QString &fileName) const;

    // (extension without dot, description) of every loaded picture plug-in's
    // formats, in list order, without duplicates.
    std::vector<std::pair<QString, QString>> PictureFormats() const;

private:
    void searchFolder(const QString &folder, const QString &pattern, int &added);
    void registerFormats(TSPI &plugin);

    mutable std::shared_mutex FListMutex;   // guards FPlugins against other threads' readers
    std::vector<std::unique_ptr<TSPI>> FPlugins;
    TSPISearchOptions FSearchOptions{TSPISearchOption::spsSusieDir, TSPISearchOption::spsAppDir};
    TSPISearchEvent FOnSearch;
    TSPISearchingEvent FOnSearching;
    TSPIPictureRegisterEvent FOnPictureRegister;
    bool FAutoSearch = true;
    bool FMacBinary = true;
    bool FPreview = false;
    TInSPI *FGraphicForcedLoader = nullptr;
};

// The extensions a filter text names: "*.pic;*.pi" gives pic and pi (split at
// ';' from the right end; each piece loses everything up to its first '.').
QStringList ExtensionsOfFilter(const QString &filter);

// Qt file dialog filters of the loaded picture plug-ins' formats: one
// "description (*.ext)" per format. Empty without a TSPIs.
QStringList SusieFilterEntries();
// "*.ext" of every loaded picture plug-in format.
QStringList SusieExtensionPatterns();

} // namespace vellora
