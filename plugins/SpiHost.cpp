#include "plugins/SpiHost.h"

#include "plugins/HostProtocol.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vellora {

using namespace spiproto;

namespace {

// How soon a running call notices Cancel.
constexpr int kCancelSliceMs = 50;

std::uint32_t le32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
           | (std::uint32_t(p[3]) << 24);
}

void put32(std::uint8_t *p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

QString statusText(int status)
{
    if (WIFSIGNALED(status)) {
        const char *name = strsignal(WTERMSIG(status));
        return QStringLiteral("signal %1, %2").arg(WTERMSIG(status)).arg(QString::fromLocal8Bit(name ? name : "?"));
    }
    if (WIFEXITED(status))
        return QStringLiteral("exit status %1").arg(WEXITSTATUS(status));
    return QStringLiteral("status %1").arg(status);
}

QString defaultExecutable()
{
    const QByteArray env = qgetenv("VELLORA_SPI_HOST");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return QStringLiteral("vellora-spi-host");
    self[n] = '\0';
    return QFileInfo(QString::fromLocal8Bit(self)).absolutePath() + QStringLiteral("/vellora-spi-host");
}

} // namespace

// ---------------------------------------------------------------- sources

TSpiSource TSpiSource::FromFile(const QString &fileName, std::int64_t offset)
{
    TSpiSource s;
    s.FIsFile = true;
    s.FFileName = fileName;
    s.FOffset = offset;
    return s;
}

TSpiSource TSpiSource::FromMemory(std::span<const std::uint8_t> bytes, std::int64_t offset)
{
    TSpiSource s;
    s.FIsFile = false;
    s.FBytes = bytes;
    s.FOffset = offset;
    return s;
}

TSpiSource::TSpiSource(TSpiSource &&other) noexcept
    : FIsFile(other.FIsFile), FFileName(std::move(other.FFileName)), FBytes(other.FBytes), FOffset(other.FOffset),
      FMemFd(other.FMemFd)
{
    other.FMemFd = -1;
}

TSpiSource::~TSpiSource()
{
    if (FMemFd >= 0)
        close(FMemFd);
}

int TSpiSource::MemoryFd() const
{
    if (FMemFd >= 0 || FIsFile)
        return FMemFd;
    const int fd = memfd_create("vellora-spi-source", MFD_CLOEXEC);
    if (fd < 0)
        return -1;
    std::size_t written = 0;
    while (written < FBytes.size()) {
        const ssize_t n = write(fd, FBytes.data() + written, FBytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            close(fd);
            return -1;
        }
        written += static_cast<std::size_t>(n);
    }
    FMemFd = fd;
    return fd;
}

// ---------------------------------------------------------------- pictures

TSpiPicture::~TSpiPicture()
{
    Clear();
}

void TSpiPicture::Clear()
{
    if (FData)
        munmap(FData, FMapSize);
    FData = nullptr;
    FMapSize = FSize = FInfoSize = FBitsOffset = FBitsSize = 0;
}

TDibCheck CheckPluginDib(std::span<const std::uint8_t> info, std::uint64_t bitsSize)
{
    TDibCheck check;
    const auto fail = [&check](const QString &problem) {
        check.Problem = problem;
        return check;
    };
    if (info.size() < 40)
        return fail(QStringLiteral("bitmap header of %1 bytes, below 40").arg(info.size()));
    const std::uint8_t *p = info.data();
    const std::uint32_t headerSize = le32(p);
    const std::int32_t width = static_cast<std::int32_t>(le32(p + 4));
    const std::int32_t height = static_cast<std::int32_t>(le32(p + 8));
    const std::uint16_t bits = static_cast<std::uint16_t>(p[14] | (p[15] << 8));
    const std::uint32_t compression = le32(p + 16);
    const std::uint32_t used = le32(p + 32);
    if (headerSize < 40 || headerSize > info.size())
        return fail(QStringLiteral("bitmap header size %1 outside 40..%2").arg(headerSize).arg(info.size()));
    if (width <= 0 || height == 0 || height == INT32_MIN)
        return fail(QStringLiteral("bitmap size %1 x %2").arg(width).arg(height));
    const std::uint64_t rows = height < 0 ? std::uint64_t(-std::int64_t(height)) : std::uint64_t(height);
    if (std::uint64_t(width) * rows > (std::uint64_t(1) << 28))
        return fail(QStringLiteral("bitmap of %1 x %2 pixels is too large").arg(width).arg(rows));
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return fail(QStringLiteral("%1 bits per pixel").arg(bits));
    if (compression != 0 && !(compression == 3 && (bits == 16 || bits == 32)))
        return fail(QStringLiteral("compression %1 with %2 bits per pixel").arg(compression).arg(bits));
    const std::uint64_t colours = used ? used : bits <= 8 ? (1u << bits) : 0;
    if ((bits <= 8 && colours > (1u << bits)) || colours > 256)
        return fail(QStringLiteral("%1 colours with %2 bits per pixel").arg(colours).arg(bits));
    const std::uint64_t masks = compression == 3 && headerSize == 40 ? 12 : 0;
    const std::uint64_t infoSize = headerSize + masks + 4 * colours;
    if (infoSize > info.size())
        return fail(QStringLiteral("bitmap header needs %1 bytes, %2 given").arg(infoSize).arg(info.size()));
    const std::uint64_t stride = ((std::uint64_t(bits) * std::uint64_t(width) + 31) / 32) * 4;
    const std::uint64_t needed = stride * rows;   // below 2^28 · 32 / 8 · 2: no overflow
    if (bitsSize < needed)
        return fail(QStringLiteral("pixel block of %1 bytes, %2 needed").arg(bitsSize).arg(needed));
    check.Ok = true;
    check.InfoSize = static_cast<std::size_t>(infoSize);
    check.BitsSize = static_cast<std::size_t>(needed);
    return check;
}

// ---------------------------------------------------------------- replies

bool DecodeLoadedReply(std::span<const std::uint8_t> payload, TPluginDescription &d)
{
    Reader r(payload.data(), payload.size());
    d = TPluginDescription{};
    d.Loaded = r.u8() != 0;
    d.Error = QString::fromLocal8Bit(r.str(4096));
    d.Handle = r.u64();
    d.Exports = r.u32() & ((1u << kExportCount) - 1);
    // The count is cut at what the payload can hold.
    const std::uint32_t count = std::min(r.u32(), kMaxInfos);
    for (std::uint32_t i = 0; i < count && !r.failed(); ++i) {
        const std::string s = r.str(255);
        if (!r.failed())
            d.Infos.emplace_back(s.data(), static_cast<qsizetype>(s.size()));
    }
    return r.complete();
}

bool DecodePictureInfoReply(std::span<const std::uint8_t> payload, std::int32_t &result, TPictureInfo &info,
                            QByteArray &text)
{
    Reader r(payload.data(), payload.size());
    std::memset(&info, 0, sizeof info);
    result = r.i32();
    info.left = r.i32();
    info.top = r.i32();
    info.width = r.i32();
    info.height = r.i32();
    info.x_density = r.u16();
    info.y_density = r.u16();
    info.colorDepth = r.i16();
    const std::string s = r.str(65536);
    text = QByteArray(s.data(), static_cast<qsizetype>(s.size()));
    return r.complete();
}

bool DecodePictureReply(std::span<const std::uint8_t> payload, std::int32_t &result, std::uint64_t &infoSize,
                        std::uint64_t &bitsSize, std::uint64_t &bitsOffset)
{
    Reader r(payload.data(), payload.size());
    result = r.i32();
    infoSize = r.u64();
    bitsSize = r.u64();
    bitsOffset = r.u64();
    return r.complete();
}

// ---------------------------------------------------------------- the host

struct TSpiHost::Reply {
    Message message;
    Reply() = default;
    Reply(Reply &&other) noexcept : message(std::move(other.message)) { other.message.fd = -1; }
    Reply(const Reply &) = delete;
    Reply &operator=(const Reply &) = delete;
    ~Reply()
    {
        if (message.fd >= 0)
            close(message.fd);
    }
};

TSpiHost &TSpiHost::Instance()
{
    static TSpiHost host;
    return host;
}

TSpiHost::TSpiHost() : FExecutable(defaultExecutable())
{
    FLog = [](const QString &message) { std::fprintf(stderr, "vellora: %s\n", message.toLocal8Bit().constData()); };
}

TSpiHost::~TSpiHost()
{
    std::lock_guard lock(FMutex);
    stopLocked();
}

void TSpiHost::SetExecutable(const QString &path)
{
    std::lock_guard lock(FMutex);
    FExecutable = path;
    FMissingLogged = false;
}

QString TSpiHost::Executable() const
{
    std::lock_guard lock(FMutex);
    return FExecutable;
}

void TSpiHost::SetTimeout(int milliseconds)
{
    std::lock_guard lock(FMutex);
    FTimeout = milliseconds;
}

int TSpiHost::Timeout() const
{
    std::lock_guard lock(FMutex);
    return FTimeout;
}

void TSpiHost::SetLog(TLog log)
{
    std::lock_guard lock(FMutex);
    FLog = std::move(log);
}

bool TSpiHost::IsDisabled(const QString &plugin) const
{
    std::lock_guard lock(FMutex);
    return FDisabled.count(plugin) != 0;
}

void TSpiHost::Stop()
{
    std::lock_guard lock(FMutex);
    stopLocked();
}

pid_t TSpiHost::HostPid() const
{
    std::lock_guard lock(FMutex);
    return FPid;
}

void TSpiHost::Log(const QString &message)
{
    TLog log;
    {
        std::lock_guard lock(FMutex);
        log = FLog;
    }
    if (log)
        log(message);
}

void TSpiHost::logLocked(const QString &message)
{
    if (FLog)
        FLog(message);
}

void TSpiHost::SetOnProblem(TProblemEvent event)
{
    std::lock_guard lock(FMutex);
    FOnProblem = std::move(event);
}

std::vector<TPluginProblem> TSpiHost::Problems() const
{
    std::lock_guard lock(FMutex);
    return FProblems;
}

void TSpiHost::problemLocked(const QString &plugin, const QString &reason, bool disabled)
{
    for (const TPluginProblem &p : FProblems)
        if (p.Plugin == plugin)
            return;
    FProblems.push_back(TPluginProblem{plugin, reason, disabled});
    if (FOnProblem)
        FOnProblem(FProblems.back());
}

void TSpiHost::Cancel()
{
    // Taken up by the running call within a wait slice; between calls it
    // has nothing to stop, and the next call starts afresh.
    if (FCallRunning.load())
        FCancelRequested.store(true);
}

void TSpiHost::CancelCallOf(std::thread::id caller)
{
    std::lock_guard lock(FCallLock);
    if (FCallRunning.load() && FCallThread == caller)
        FCancelRequested.store(true);
}

Received TSpiHost::receiveCancellable(const QString &plugin, Message &message)
{
    // Waits in short slices for the helper's next message, so that Cancel
    // is answered at once; the whole message is read once it has begun.
    int silent = 0;
    for (;;) {
        if (FCancelRequested.load())
            cancelledLocked(plugin);
        pollfd p{FSocket, POLLIN, 0};
        const int slice = std::min(kCancelSliceMs, std::max(1, FTimeout - silent));
        const int n = poll(&p, 1, slice);
        if (n > 0)
            return receiveMessage(FSocket, message, FTimeout);
        if (n < 0 && errno != EINTR)
            return Received::error;
        if (n == 0 && (silent += slice) >= FTimeout)
            return Received::timeout;
    }
}

void TSpiHost::cancelledLocked(const QString &plugin)
{
    stopLocked();
    FCancelled.store(true);
    throw ESpiHostError(QStringLiteral("%1: the call was cancelled").arg(plugin));
}

void TSpiHost::start()
{
    const QByteArray path = FExecutable.toLocal8Bit();
    if (access(path.constData(), X_OK) != 0) {
        const QString message = QStringLiteral("the plug-in helper %1 cannot be run; image plug-ins are not used")
                                    .arg(FExecutable);
        if (!FMissingLogged) {
            logLocked(message);
            problemLocked(QString(),
                          QCoreApplication::translate("vellora", "補助プログラム %1 を実行できないため、画像プラグインは使われません").arg(FExecutable),
                          false);
        }
        FMissingLogged = true;
        throw ESpiHostError(message);
    }
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        throw ESpiHostError(QStringLiteral("cannot make a socket for the plug-in helper: %1")
                                .arg(QString::fromLocal8Bit(strerror(errno))));
    const int abortFd = memfd_create("vellora-spi-abort", MFD_CLOEXEC);
    void *page = abortFd >= 0 && ftruncate(abortFd, 4096) == 0
                     ? mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, abortFd, 0)
                     : MAP_FAILED;
    // Above the numbers the child moves them to, so dup2 cannot clobber one.
    const int childSocket = fcntl(pair[1], F_DUPFD_CLOEXEC, 10);
    const int childAbort = abortFd >= 0 ? fcntl(abortFd, F_DUPFD_CLOEXEC, 10) : -1;
    close(pair[1]);
    if (page == MAP_FAILED || childSocket < 0 || childAbort < 0) {
        close(pair[0]);
        for (int fd : {abortFd, childSocket, childAbort})
            if (fd >= 0)
                close(fd);
        if (page != MAP_FAILED)
            munmap(page, 4096);
        throw ESpiHostError(QStringLiteral("cannot prepare the plug-in helper"));
    }
    char *const argv[] = {const_cast<char *>(path.constData()), nullptr};
    const pid_t pid = fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        dup2(childSocket, kSocketFd);
        dup2(childAbort, kAbortFd);
        execv(argv[0], argv);
        _exit(127);
    }
    close(childSocket);
    close(childAbort);
    if (pid < 0) {
        close(pair[0]);
        close(abortFd);
        munmap(page, 4096);
        throw ESpiHostError(QStringLiteral("cannot start the plug-in helper"));
    }
    FPid = pid;
    FSocket = pair[0];
    FAbortFd = abortFd;
    FAbortPage = page;
}

void TSpiHost::stopLocked()
{
    if (FSocket >= 0)
        close(FSocket);
    FSocket = -1;
    if (FPid > 0) {
        kill(FPid, SIGKILL);
        int status = 0;
        while (waitpid(FPid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    FPid = 0;
    if (FAbortPage)
        munmap(FAbortPage, 4096);
    FAbortPage = nullptr;
    if (FAbortFd >= 0)
        close(FAbortFd);
    FAbortFd = -1;
}

void TSpiHost::pluginFailed(const QString &plugin, const QString &why, const QString &reason)
{
    if (FDisabled.insert(plugin).second) {
        logLocked(QStringLiteral("%1: %2; the plug-in is disabled for this session").arg(plugin, why));
        problemLocked(plugin, reason, true);
    }
    throw ESpiHostError(QStringLiteral("%1: %2").arg(plugin, why));
}

TSpiHost::Reply TSpiHost::call(const QString &plugin, const std::vector<std::uint8_t> &request, int fd,
                               std::uint8_t expected, const TProgress *progress)
{
    if (FDisabled.count(plugin))
        throw ESpiHostError(QStringLiteral("%1: the plug-in is disabled for this session").arg(plugin));
    FCancelRequested.store(false);
    FCancelled.store(false);
    if (FSocket < 0)
        start();
    // Cancel may stop the call from now on, until it is over.
    {
        std::lock_guard lock(FCallLock);
        FCallThread = std::this_thread::get_id();
        FCallRunning.store(true);
    }
    struct Running {
        std::atomic<bool> &running;
        ~Running() { running.store(false); }
    } running{FCallRunning};
    const auto died = [&](const QString &how) {
        if (FCancelRequested.load())
            cancelledLocked(plugin);
        int status = 0;
        pid_t done = 0;
        if (FPid > 0) {
            // Give a dying helper a moment to be reaped, so the reason is known.
            for (int i = 0; i < 200 && (done = waitpid(FPid, &status, WNOHANG)) == 0; ++i)
                usleep(5000);
            if (done == FPid)
                FPid = 0;
        }
        const QString why = done > 0 ? QStringLiteral("the plug-in ended its helper process (%1)").arg(statusText(status))
                                     : how;
        const QString reason = done <= 0 ? QCoreApplication::translate("vellora", "プラグインの補助プロセスが応答しなくなりました")
                               : WIFSIGNALED(status)
                                   ? QCoreApplication::translate("vellora", "プラグインが異常終了しました（シグナル %1）").arg(WTERMSIG(status))
                                   : QCoreApplication::translate("vellora", "プラグインが処理の途中で終了しました（終了コード %1）").arg(WEXITSTATUS(status));
        stopLocked();
        pluginFailed(plugin, why, reason);
    };
    if (!sendMessage(FSocket, request, fd))
        died(QStringLiteral("the helper process stopped answering"));
    for (;;) {
        Reply reply;
        const Received r = receiveCancellable(plugin, reply.message);
        if (r == Received::timeout) {
            if (FCancelRequested.load())
                cancelledLocked(plugin);
            stopLocked();
            pluginFailed(plugin, QStringLiteral("no answer within %1 s; the call was stopped").arg(FTimeout / 1000.0),
                         QCoreApplication::translate("vellora", "%1 秒以内に応答がなかったため、呼び出しを打ち切りました").arg(FTimeout / 1000.0));
        }
        if (r != Received::message)
            died(QStringLiteral("the helper process stopped answering"));
        const Message &m = reply.message;
        if (m.type == rpProgress && progress) {
            Reader rd(m.payload.data(), m.payload.size());
            const std::int32_t num = rd.i32();
            const std::int32_t denom = rd.i32();
            if (!rd.complete()) {
                stopLocked();
                pluginFailed(plugin, QStringLiteral("its helper process sent a malformed progress message"), QCoreApplication::translate("vellora", "プラグインの補助プロセスが不正な応答を返しました"));
            }
            bool stop = false;
            try {
                stop = (*progress)(num, denom);
            } catch (...) {
                // The call must finish before the exception may pass on.
                static_cast<std::atomic<std::int32_t> *>(FAbortPage)->store(1);
                Reply rest = call(plugin, {}, -1, expected, nullptr);
                throw;
            }
            if (stop)
                static_cast<std::atomic<std::int32_t> *>(FAbortPage)->store(1);
            continue;
        }
        if (m.type == rpProgress)
            continue;
        if (m.type == rpFailed) {
            Reader rd(m.payload.data(), m.payload.size());
            const QString text = QStringLiteral("%1: %2").arg(plugin, QString::fromUtf8(rd.str(4096)));
            logLocked(text);
            throw ESpiHostError(text);
        }
        if (m.type != expected) {
            stopLocked();
            pluginFailed(plugin, QStringLiteral("its helper process sent an unexpected reply (%1)").arg(m.type),
                         QCoreApplication::translate("vellora", "プラグインの補助プロセスが不正な応答を返しました"));
        }
        return reply;
    }
}

TPluginDescription TSpiHost::Load(const QString &plugin)
{
    std::lock_guard lock(FMutex);
    Writer w(rqLoad);
    w.str(plugin.toLocal8Bit().toStdString());
    Reply reply = call(plugin, w.finish(), -1, rpLoaded);
    TPluginDescription d;
    if (!DecodeLoadedReply(reply.message.payload, d)) {
        stopLocked();
        pluginFailed(plugin, QStringLiteral("its helper process sent a malformed description"), QCoreApplication::translate("vellora", "プラグインの補助プロセスが不正な応答を返しました"));
    }
    return d;
}

std::int32_t TSpiHost::IsSupported(const QString &plugin, const QByteArray &fileName,
                                   std::span<const std::uint8_t, SPI_HEADER_WINDOW> window)
{
    std::lock_guard lock(FMutex);
    Writer w(rqIsSupported);
    w.str(plugin.toLocal8Bit().toStdString()).str(fileName.toStdString()).bytes(window.data(), window.size());
    Reply reply = call(plugin, w.finish(), -1, rpResult);
    Reader r(reply.message.payload.data(), reply.message.payload.size());
    const std::int32_t result = r.i32();
    if (!r.complete()) {
        stopLocked();
        pluginFailed(plugin, QStringLiteral("its helper process sent a malformed result"), QCoreApplication::translate("vellora", "プラグインの補助プロセスが不正な応答を返しました"));
    }
    return result;
}

namespace {

// The common part of the picture requests; the memfd of a memory source.
int writeSource(Writer &w, const QString &plugin, const TSpiSource &source)
{
    w.str(plugin.toLocal8Bit().toStdString());
    if (source.IsFile()) {
        w.u8(kSourceFile).str(source.FileName().toLocal8Bit().toStdString()).i64(source.Offset()).u64(0);
        return -1;
    }
    const int fd = source.MemoryFd();
    if (fd < 0)
        throw ESpiHostError(QStringLiteral("cannot hand the picture's bytes to the plug-in helper"));
    w.u8(kSourceMemory).str({}).i64(source.Offset()).u64(source.Bytes().size());
    return fd;
}

} // namespace

std::int32_t TSpiHost::GetPictureInfo(const QString &plugin, const TSpiSource &source, TPictureInfo &info,
                                      QByteArray &text)
{
    std::lock_guard lock(FMutex);
    Writer w(rqPictureInfo);
    const int fd = writeSource(w, plugin, source);
    Reply reply = call(plugin, w.finish(), fd, rpPictureInfo);
    std::int32_t result = 0;
    if (!DecodePictureInfoReply(reply.message.payload, result, info, text)) {
        stopLocked();
        pluginFailed(plugin, QStringLiteral("its helper process sent a malformed picture information"), QCoreApplication::translate("vellora", "プラグインの補助プロセスが不正な応答を返しました"));
    }
    return result;
}

std::int32_t TSpiHost::GetPicture(const QString &plugin, const TSpiSource &source, bool preview,
                                  const TProgress &progress, TSpiPicture &picture)
{
    std::lock_guard lock(FMutex);
    picture.Clear();
    Writer w(rqPicture);
    const int fd = writeSource(w, plugin, source);
    w.u8(preview ? 1 : 0);
    if (FSocket >= 0)
        static_cast<std::atomic<std::int32_t> *>(FAbortPage)->store(0);
    Reply reply = call(plugin, w.finish(), fd, rpPicture, progress ? &progress : nullptr);
    std::int32_t result = 0;
    std::uint64_t infoSize = 0, bitsSize = 0, bitsOffset = 0;
    if (!DecodePictureReply(reply.message.payload, result, infoSize, bitsSize, bitsOffset)) {
        stopLocked();
        pluginFailed(plugin, QStringLiteral("its helper process sent a malformed picture reply"), QCoreApplication::translate("vellora", "プラグインの補助プロセスが不正な応答を返しました"));
    }
    if (result != SPI_SUCCESS)
        return result;
    const auto rejected = [&](const QString &why) {
        logLocked(QStringLiteral("%1: picture rejected: %2").arg(plugin, why));
        problemLocked(plugin, QCoreApplication::translate("vellora", "プラグインが不正な画像データを返しました（%1）").arg(why), false);
        return SPI_BROKEN_DATA;
    };
    const int memfd = reply.message.fd;
    struct stat st {};
    if (memfd < 0 || fstat(memfd, &st) != 0)
        return rejected(QStringLiteral("no pixels came back"));
    // A sealed size: the mapping cannot shrink under us.
    const int seals = fcntl(memfd, F_GET_SEALS);
    if (seals < 0 || !(seals & F_SEAL_SHRINK))
        return rejected(QStringLiteral("the pixel memory is not sealed"));
    const std::uint64_t fileSize = static_cast<std::uint64_t>(st.st_size);
    // Header space, info and pixels, in this order and within the memory.
    if (infoSize > fileSize || bitsSize > fileSize || bitsOffset > fileSize
        || kFileHeaderSpace + infoSize > bitsOffset || bitsOffset + bitsSize != fileSize)
        return rejected(QStringLiteral("sizes %1 + %2 at %3 do not match the pixel memory of %4 bytes")
                            .arg(infoSize).arg(bitsSize).arg(bitsOffset).arg(fileSize));
    void *map = mmap(nullptr, fileSize, PROT_READ | PROT_WRITE, MAP_PRIVATE, memfd, 0);
    if (map == MAP_FAILED)
        return rejected(QStringLiteral("the pixel memory cannot be mapped"));
    picture.FData = static_cast<std::uint8_t *>(map);
    picture.FMapSize = fileSize;
    const TDibCheck check = CheckPluginDib({picture.FData + kFileHeaderSpace, infoSize}, bitsSize);
    if (!check.Ok) {
        picture.Clear();
        return rejected(check.Problem);
    }
    picture.FInfoSize = check.InfoSize;
    picture.FBitsOffset = static_cast<std::size_t>(bitsOffset);
    picture.FBitsSize = check.BitsSize;
    // The BMP file header, written into our private copy of the first page.
    std::uint8_t *h = picture.FData;
    h[0] = 'B';
    h[1] = 'M';
    put32(h + 2, static_cast<std::uint32_t>(std::min<std::uint64_t>(picture.FBitsOffset + check.BitsSize, UINT32_MAX)));
    put32(h + 6, 0);
    put32(h + 10, static_cast<std::uint32_t>(picture.FBitsOffset));
    picture.FSize = picture.FBitsOffset + check.BitsSize;
    return SPI_SUCCESS;
}

} // namespace vellora
