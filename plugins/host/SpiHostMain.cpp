// vellora-spi-host: runs image plug-ins on behalf of the program, so that a
// plug-in that crashes, aborts, exits, hangs or writes wild only ends this
// process. Requests arrive on the socket at fd 3; the abort flag of the
// running picture call is the first word of the shared page at fd 4. The
// program restarts this process when it dies and checks everything it sends.
#include "plugins/HostProtocol.h"

#include <vellora/spi.h>

#include <atomic>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <cstdlib>
#include <string>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace spiproto;

struct Plugin {
    void *handle = nullptr;
    void *fns[kExportCount] = {};
};

std::map<std::string, Plugin> gPlugins;

// Large blocks of SpiAlloc live in memfds: the pixels then go to the program
// as they are. The block begins 16 bytes before a page boundary, so that the
// handle (after SpiAlloc's two words) starts the second page; the first page
// takes the BMP file header and the info header.
constexpr std::size_t kSharedThreshold = std::size_t(1) << 20;
constexpr std::size_t kPrefix = 4096;
constexpr std::size_t kBlockHeader = 2 * sizeof(std::size_t);

struct SharedBlock {
    int fd = -1;
    void *base = nullptr;
    std::size_t mapSize = 0;
};
std::mutex gSharedMutex;   // plug-ins may allocate from threads of their own
std::map<void *, SharedBlock> gShared;

void *hostAlloc(std::size_t size)
{
    if (size < kSharedThreshold)
        return std::malloc(size);
    const std::size_t mapSize = kPrefix - kBlockHeader + size;
    const int fd = memfd_create("vellora-spi-pixels", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return nullptr;
    void *base = MAP_FAILED;
    if (ftruncate(fd, static_cast<off_t>(mapSize)) == 0)
        base = mmap(nullptr, mapSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    void *block = static_cast<char *>(base) + kPrefix - kBlockHeader;
    std::lock_guard lock(gSharedMutex);
    gShared[block] = SharedBlock{fd, base, mapSize};
    return block;
}

void releaseShared(const SharedBlock &b)
{
    munmap(b.base, b.mapSize);
    close(b.fd);
}

void hostRelease(void *block)
{
    {
        std::lock_guard lock(gSharedMutex);
        if (auto it = gShared.find(block); it != gShared.end()) {
            const SharedBlock b = it->second;
            gShared.erase(it);
            releaseShared(b);
            return;
        }
    }
    std::free(block);
}

// The memfd block behind a handle, taken out of the allocator's care.
bool takeShared(SpiHandle handle, SharedBlock &out)
{
    std::lock_guard lock(gSharedMutex);
    const auto it = gShared.find(static_cast<char *>(handle) - kBlockHeader);
    if (it == gShared.end())
        return false;
    out = it->second;
    gShared.erase(it);
    return true;
}
std::atomic<std::int32_t> *gAbort = nullptr;
int gSocket = kSocketFd;

void reply(Writer &w, int fd = -1)
{
    if (!sendMessage(gSocket, w.finish(), fd))
        _exit(0);
}

void fail(const std::string &message)
{
    Writer w(rpFailed);
    w.str(message);
    reply(w);
}

// The plug-in, loaded on first use; nullptr after a failure was replied.
Plugin *plugin(const std::string &path, std::string *error = nullptr)
{
    if (auto it = gPlugins.find(path); it != gPlugins.end())
        return &it->second;
    dlerror();
    void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char *e = dlerror();
        if (error)
            *error = e ? e : "dlopen failed";
        return nullptr;
    }
    Plugin p;
    p.handle = handle;
    for (int i = 0; i < kExportCount; ++i)
        p.fns[i] = dlsym(handle, kExportNames[i]);
    return &gPlugins.emplace(path, p).first->second;
}

std::string pluginInfo(Plugin &p, int32_t number)
{
    char buffer[256];
    std::memset(buffer, 0, sizeof buffer);
    const auto fn = reinterpret_cast<SpiGetPluginInfoFn>(p.fns[0]);
    int32_t n = fn(number, buffer, 255);
    buffer[255] = '\0';
    if (n <= 0)
        return {};
    const std::size_t length = strnlen(buffer, 255);
    return std::string(buffer, std::min<std::size_t>(length, static_cast<std::size_t>(n)));
}

void handleLoad(Reader &r)
{
    const std::string path = r.str();
    std::string error;
    Plugin *p = plugin(path, &error);
    Writer w(rpLoaded);
    if (!p) {
        w.u8(0).str(error).u64(0).u32(0).u32(0);
        reply(w);
        return;
    }
    std::uint32_t exports = 0;
    for (int i = 0; i < kExportCount; ++i)
        if (p->fns[i])
            exports |= 1u << i;
    std::vector<std::string> infos;
    if (p->fns[0]) {
        infos.push_back(pluginInfo(*p, 0));
        infos.push_back(pluginInfo(*p, 1));
        for (int32_t n = 2; infos.size() + 2 <= kMaxInfos; n += 2) {
            std::string filter = pluginInfo(*p, n);
            std::string description = filter.empty() ? std::string() : pluginInfo(*p, n + 1);
            if (filter.empty() || description.empty())
                break;
            infos.push_back(std::move(filter));
            infos.push_back(std::move(description));
        }
    }
    w.u8(1).str({}).u64(reinterpret_cast<std::uintptr_t>(p->handle)).u32(exports);
    w.u32(static_cast<std::uint32_t>(infos.size()));
    for (const std::string &s : infos)
        w.str(s);
    reply(w);
}

void handleIsSupported(Reader &r)
{
    const std::string path = r.str();
    const std::string fileName = r.str();
    const std::string window = r.str();
    std::string error;
    Plugin *p = plugin(path, &error);
    if (!p || !p->fns[2] || window.size() != SPI_HEADER_WINDOW) {
        fail(p ? "IsSupported cannot be called" : error);
        return;
    }
    const auto fn = reinterpret_cast<SpiIsSupportedFn>(p->fns[2]);
    Writer w(rpResult);
    w.i32(fn(fileName.c_str(), window.data()));
    reply(w);
}

// A source of a picture call: the file name, or the mapped memfd.
struct Source {
    std::string fileName;
    void *map = nullptr;
    std::size_t mapSize = 0;
    const char *buf = nullptr;
    intptr_t len = 0;
    uint32_t flag = 0;

    ~Source()
    {
        if (map)
            munmap(map, mapSize);
    }
};

bool readSource(Reader &r, int fd, Source &s)
{
    const std::uint8_t kind = r.u8();
    s.fileName = r.str();
    const std::int64_t offset = r.i64();
    const std::uint64_t size = r.u64();
    if (r.failed() || offset < 0)
        return false;
    if (kind == kSourceFile) {
        s.buf = s.fileName.c_str();
        s.len = static_cast<intptr_t>(offset);
        s.flag = SPI_SOURCE_FILE;
        return true;
    }
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || static_cast<std::uint64_t>(st.st_size) < size
        || static_cast<std::uint64_t>(offset) > size)
        return false;
    if (size > 0) {
        s.map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (s.map == MAP_FAILED) {
            s.map = nullptr;
            return false;
        }
        s.mapSize = size;
    }
    static const char empty = 0;
    s.buf = s.map ? static_cast<const char *>(s.map) + offset : &empty;
    s.len = static_cast<intptr_t>(size - static_cast<std::uint64_t>(offset));
    s.flag = SPI_SOURCE_MEMORY;
    return true;
}

void handlePictureInfo(Reader &r, int fd)
{
    const std::string path = r.str();
    Source s;
    if (!readSource(r, fd, s)) {
        fail("bad picture source");
        return;
    }
    std::string error;
    Plugin *p = plugin(path, &error);
    if (!p || !p->fns[3]) {
        fail(p ? "GetPictureInfo cannot be called" : error);
        return;
    }
    TPictureInfo info;
    std::memset(&info, 0, sizeof info);
    const int32_t result = reinterpret_cast<SpiGetPictureInfoFn>(p->fns[3])(s.buf, s.len, s.flag, &info);
    std::string text;
    if (info.hInfo) {
        if (result == SPI_SUCCESS) {
            const char *t = static_cast<const char *>(info.hInfo);
            text.assign(t, strnlen(t, std::min<std::size_t>(SpiSize(info.hInfo), 65536)));
        }
        SpiFree(info.hInfo);
    }
    Writer w(rpPictureInfo);
    w.i32(result).i32(info.left).i32(info.top).i32(info.width).i32(info.height);
    w.u16(info.x_density).u16(info.y_density).u16(static_cast<std::uint16_t>(info.colorDepth)).str(text);
    reply(w);
}

int32_t progress(int32_t num, int32_t denom, intptr_t)
{
    Writer w(rpProgress);
    w.i32(num).i32(denom);
    reply(w);
    return gAbort && gAbort->load() ? 1 : 0;
}

// Memory the plug-in handed over must be ours: a block of SpiAlloc. The
// word before a foreign block is the allocator's; reading it is not an error.
__attribute__((no_sanitize("address"))) bool isSpiBlock(SpiHandle h)
{
    return h && reinterpret_cast<const std::size_t *>(h)[-1] == 0x5350494du;
}


void handlePicture(Reader &r, int fd)
{
    const std::string path = r.str();
    Source s;
    const bool sourceOk = readSource(r, fd, s);
    const bool preview = r.u8() != 0;
    if (!sourceOk || r.failed()) {
        fail("bad picture source");
        return;
    }
    std::string error;
    Plugin *p = plugin(path, &error);
    const int slot = preview ? 5 : 4;
    if (!p || !p->fns[slot]) {
        fail(p ? "GetPicture cannot be called" : error);
        return;
    }
    if (gAbort)
        gAbort->store(0);
    SpiHandle info = nullptr, bits = nullptr;
    const int32_t result =
        reinterpret_cast<SpiGetPictureFn>(p->fns[slot])(s.buf, s.len, s.flag, &info, &bits, progress, 0);
    Writer w(rpPicture);
    if (result != SPI_SUCCESS || !isSpiBlock(info) || !isSpiBlock(bits)) {
        if (result == SPI_SUCCESS) {
            fail("the plug-in returned memory not allocated with SpiAlloc");
            return;
        }
        if (isSpiBlock(info))
            SpiFree(info);
        if (isSpiBlock(bits))
            SpiFree(bits);
        w.i32(result).u64(0).u64(0).u64(0);
        reply(w);
        return;
    }
    const std::size_t infoSize = SpiSize(info);
    const std::size_t bitsSize = SpiSize(bits);
    SharedBlock shared;
    if (kFileHeaderSpace + infoSize <= kPrefix - kBlockHeader && takeShared(bits, shared)
        && shared.mapSize == kPrefix + bitsSize) {
        // The pixels stay where the plug-in wrote them; the headers go in front.
        std::memcpy(static_cast<char *>(shared.base) + kFileHeaderSpace, info, infoSize);
        SpiFree(info);
        munmap(shared.base, shared.mapSize);
        fcntl(shared.fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
        w.i32(result).u64(infoSize).u64(bitsSize).u64(kPrefix);
        reply(w, shared.fd);
        close(shared.fd);
        return;
    }
    // The pixels are freed however the copy ends.
    struct FreeBits {
        SharedBlock &shared;
        SpiHandle bits;
        ~FreeBits()
        {
            if (shared.fd >= 0)
                releaseShared(shared);
            else
                SpiFree(bits);
        }
    } freeBits{shared, bits};
    const std::size_t total = kFileHeaderSpace + infoSize + bitsSize;
    const int out = memfd_create("vellora-spi-picture", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    void *map = MAP_FAILED;
    if (out >= 0 && ftruncate(out, static_cast<off_t>(total)) == 0)
        // Populated at once: one pass instead of a page fault per page.
        map = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, out, 0);
    if (map == MAP_FAILED) {
        if (out >= 0)
            close(out);
        SpiFree(info);
        fail("no memory for the picture");
        return;
    }
    auto *dest = static_cast<std::uint8_t *>(map);
    std::memcpy(dest + kFileHeaderSpace, info, infoSize);
    std::memcpy(dest + kFileHeaderSpace + infoSize, bits, bitsSize);
    munmap(map, total);
    // Sealed, so that the program can map it without fear of it shrinking.
    fcntl(out, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    SpiFree(info);
    w.i32(result).u64(infoSize).u64(bitsSize).u64(kFileHeaderSpace + infoSize);
    reply(w, out);
    close(out);
}

} // namespace

// The allocator of SpiAlloc in this process (see vellora/spi.h).
extern "C" __attribute__((visibility("default"))) const SpiAllocator SpiHostAllocator = {hostAlloc, hostRelease};

// A plug-in may keep this process busy for ever, while the program ends,
// even abnormally. A watch ends this process with the program: the socket's
// other end closes with the program, and the parent changes when it is gone.
// (A parent-death signal would follow the program's thread that started
// this process, and such threads come and go.)
void watchProgram()
{
    const pid_t program = getppid();
    if (program == 1)
        _exit(0);
    std::thread([program] {
        for (;;) {
            pollfd p{gSocket, POLLRDHUP, 0};
            const int n = poll(&p, 1, 200);
            if (getppid() != program || (n > 0 && (p.revents & (POLLHUP | POLLRDHUP | POLLERR | POLLNVAL))))
                _exit(0);
        }
    }).detach();
}

int main()
{
    // Whatever a plug-in prints must not reach the program as a reply.
    dup2(STDERR_FILENO, STDOUT_FILENO);
    watchProgram();
    void *page = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, kAbortFd, 0);
    if (page != MAP_FAILED)
        gAbort = static_cast<std::atomic<std::int32_t> *>(page);
    for (;;) {
        Message m;
        if (receiveMessage(gSocket, m, -1) != Received::message)
            _exit(0);   // the program is gone; skip the plug-ins' destructors
        Reader r(m.payload.data(), m.payload.size());
        switch (m.type) {
        case rqLoad: handleLoad(r); break;
        case rqIsSupported: handleIsSupported(r); break;
        case rqPictureInfo: handlePictureInfo(r, m.fd); break;
        case rqPicture: handlePicture(r, m.fd); break;
        default: fail("unknown request"); break;
        }
        if (m.fd >= 0)
            close(m.fd);
    }
}
