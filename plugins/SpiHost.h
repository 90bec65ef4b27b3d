// TSpiHost: the program's side of vellora-spi-host, the helper process in
// which every plug-in call runs. Starts the helper on first use and again
// after it died; a plug-in whose call killed the helper, or stayed silent
// longer than the time limit (no reply, no progress), is disabled for the
// session and named once through the log. Replies are outside input and
// are checked before use. Calls are serialized: any thread may call.
#pragma once

#include "settings/Errors.h"

#include <vellora/spi.h>

#include <QByteArray>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <span>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace spiproto {
enum class Received;
struct Message;
} // namespace spiproto

namespace vellora {

// A plug-in call that gave no answer: the helper died, timed out, refused
// the request or could not be started.
class ESpiHostError : public Error {
public:
    using Error::Error;
};

struct TPluginDescription {
    bool Loaded = false;
    QString Error;                 // why the file could not be loaded
    std::uint64_t Handle = 0;      // the helper's module handle, for display
    std::uint32_t Exports = 0;     // bit i: spiproto::kExportNames[i] is exported
    std::vector<QByteArray> Infos; // plug-in information 0, 1, then filter/description pairs
};

// The bytes a picture call reads: a file from an offset, or memory from an
// offset. Memory is handed to the helper in a memfd made on first use.
class TSpiSource {
public:
    static TSpiSource FromFile(const QString &fileName, std::int64_t offset = 0);
    static TSpiSource FromMemory(std::span<const std::uint8_t> bytes, std::int64_t offset = 0);
    ~TSpiSource();
    TSpiSource(TSpiSource &&other) noexcept;
    TSpiSource(const TSpiSource &) = delete;
    TSpiSource &operator=(const TSpiSource &) = delete;

    bool IsFile() const noexcept { return FIsFile; }
    const QString &FileName() const noexcept { return FFileName; }
    std::int64_t Offset() const noexcept { return FOffset; }
    void SetOffset(std::int64_t offset) noexcept { FOffset = offset; }
    std::span<const std::uint8_t> Bytes() const noexcept { return FBytes; }
    int MemoryFd() const;   // -1 when it cannot be made

private:
    TSpiSource() = default;
    bool FIsFile = true;
    QString FFileName;
    std::span<const std::uint8_t> FBytes;
    std::int64_t FOffset = 0;
    mutable int FMemFd = -1;
};

// A decoded picture in the BMP file form, mapped from the helper's memfd.
// Checked on arrival: Bytes() is a complete BMP file image whose header and
// pixel block agree.
class TSpiPicture {
public:
    TSpiPicture() = default;
    ~TSpiPicture();
    TSpiPicture(const TSpiPicture &) = delete;
    TSpiPicture &operator=(const TSpiPicture &) = delete;

    bool Empty() const noexcept { return FSize == 0; }
    std::span<const std::uint8_t> Bytes() const noexcept { return {FData, FSize}; }
    // The info header with its masks and colour table.
    std::span<const std::uint8_t> Info() const noexcept { return {FData + 14, FInfoSize}; }
    std::span<const std::uint8_t> Bits() const noexcept { return {FData + FBitsOffset, FBitsSize}; }
    void Clear();

private:
    friend class TSpiHost;
    std::uint8_t *FData = nullptr;
    std::size_t FMapSize = 0;      // the mapping: file header space, info, bits
    std::size_t FSize = 0;         // the BMP file image within it
    std::size_t FInfoSize = 0;     // header, masks and colour table actually used
    std::size_t FBitsOffset = 0;
    std::size_t FBitsSize = 0;     // the computed pixel block
};

// Checks a bitmap header as a plug-in returned it: info (header, masks and
// colours) and a pixel block of bitsSize bytes. Gives the used header size
// and the pixel block size the header implies, or an explanation.
struct TDibCheck {
    bool Ok = false;
    QString Problem;
    std::size_t InfoSize = 0;      // biSize + masks + 4 × colours
    std::size_t BitsSize = 0;      // stride × |height|
};
TDibCheck CheckPluginDib(std::span<const std::uint8_t> info, std::uint64_t bitsSize);

// The readers of the helper's replies (payloads after the message header);
// false when a payload is malformed.
bool DecodeLoadedReply(std::span<const std::uint8_t> payload, TPluginDescription &description);
bool DecodePictureInfoReply(std::span<const std::uint8_t> payload, std::int32_t &result, TPictureInfo &info,
                            QByteArray &text);
bool DecodePictureReply(std::span<const std::uint8_t> payload, std::int32_t &result, std::uint64_t &infoSize,
                        std::uint64_t &bitsSize, std::uint64_t &bitsOffset);

// A plug-in trouble as the user is told of it: which plug-in (empty for the
// helper itself), why, in Japanese, and whether the plug-in is now disabled
// for the session.
struct TPluginProblem {
    QString Plugin;
    QString Reason;
    bool Disabled = false;
};

class TSpiHost {
public:
    using TLog = std::function<void(const QString &)>;
    using TProblemEvent = std::function<void(const TPluginProblem &)>;
    // num of denom; true asks the plug-in to stop.
    using TProgress = std::function<bool(std::int32_t num, std::int32_t denom)>;

    static TSpiHost &Instance();

    // The helper executable (default: VELLORA_SPI_HOST, else beside the program).
    void SetExecutable(const QString &path);
    QString Executable() const;
    // Milliseconds a call may stay silent (default 30 s).
    void SetTimeout(int milliseconds);
    int Timeout() const;
    // Where plug-in failures are reported (default: standard error).
    void SetLog(TLog log);
    void Log(const QString &message);
    // Told once per plug-in and session of its first trouble (on the thread
    // that met it), for the user.
    void SetOnProblem(TProblemEvent event);
    // The first trouble of each plug-in this session.
    std::vector<TPluginProblem> Problems() const;

    // Stops the call that runs now, from any thread, within 50 ms: the
    // helper is killed (the next call starts a new one) and the call fails
    // with ESpiHostError; the plug-in is not blamed. Calls made after it run.
    void Cancel();
    // Cancel, but only while the running call is one the given thread made:
    // calls of other threads go on. Made again until that thread's call has
    // ended, it stops the call even when it waited behind others.
    void CancelCallOf(std::thread::id caller);
    // The call of this thread failed through Cancel.
    bool Cancelled() const noexcept { return FCancelled.load(); }

    TPluginDescription Load(const QString &plugin);
    std::int32_t IsSupported(const QString &plugin, const QByteArray &fileName,
                             std::span<const std::uint8_t, SPI_HEADER_WINDOW> window);
    std::int32_t GetPictureInfo(const QString &plugin, const TSpiSource &source, TPictureInfo &info,
                                QByteArray &text);
    // A result of 0 with a checked picture; a picture that fails the checks
    // gives SPI_BROKEN_DATA (logged with the plug-in's name).
    std::int32_t GetPicture(const QString &plugin, const TSpiSource &source, bool preview,
                            const TProgress &progress, TSpiPicture &picture);

    // Disabled plug-ins (full paths) of this session.
    bool IsDisabled(const QString &plugin) const;
    // Stops the helper (the next call starts it again).
    void Stop();
    // The helper's process id, or 0 (tests).
    pid_t HostPid() const;

    ~TSpiHost();

private:
    TSpiHost();
    void start();
    void stopLocked();
    void logLocked(const QString &message);
    // Sends and waits for the reply (progress messages go to progress).
    struct Reply;
    Reply call(const QString &plugin, const std::vector<std::uint8_t> &request, int fd, std::uint8_t expected,
               const TProgress *progress = nullptr);
    [[noreturn]] void pluginFailed(const QString &plugin, const QString &why, const QString &reason);
    void problemLocked(const QString &plugin, const QString &reason, bool disabled);
    [[noreturn]] void cancelledLocked(const QString &plugin);
    spiproto::Received receiveCancellable(const QString &plugin, spiproto::Message &message);

    mutable std::mutex FMutex;
    QString FExecutable;
    int FTimeout = 30000;
    TLog FLog;
    pid_t FPid = 0;
    int FSocket = -1;
    int FAbortFd = -1;
    void *FAbortPage = nullptr;
    std::set<QString> FDisabled;
    bool FMissingLogged = false;
    TProblemEvent FOnProblem;
    std::vector<TPluginProblem> FProblems;
    std::mutex FCallLock;          // guards FCallThread
    std::thread::id FCallThread;   // who made the running call
    std::atomic<bool> FCallRunning{false};
    std::atomic<bool> FCancelRequested{false};
    std::atomic<bool> FCancelled{false};
};

} // namespace vellora
