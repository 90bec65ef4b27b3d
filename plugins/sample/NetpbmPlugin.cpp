// vellora-netpbm.spi: the sample picture plug-in. Reads PAM, PBM, PGM and
// PPM (plain and raw) through the published plug-in interface; exports that
// interface and nothing else.
#include "Netpbm.h"

#include <vellora/spi.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char *const kInfo[] = {
    "00IN",
    "Netpbm reader (sample plug-in of Vellora)",
    "*.pam",
    "Portable Arbitrary Map",
    "*.pnm;*.ppm;*.pgm;*.pbm",
    "Portable anymap",
};

// The bytes of a source: a mapped file from an offset, or the caller's memory.
class Source {
public:
    Source(const char *buf, intptr_t len, uint32_t flag)
    {
        if ((flag & SPI_SOURCE_MASK) == SPI_SOURCE_MEMORY) {
            if (buf && len >= 0) {
                FData = reinterpret_cast<const std::uint8_t *>(buf);
                FSize = static_cast<std::size_t>(len);
                FOk = true;
            }
            return;
        }
        if (!buf || len < 0)
            return;
        const int fd = open(buf, O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        struct stat st {};
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > len) {
            FMapSize = static_cast<std::size_t>(st.st_size);
            void *map = mmap(nullptr, FMapSize, PROT_READ, MAP_PRIVATE, fd, 0);
            if (map != MAP_FAILED) {
                FMap = map;
                FData = static_cast<const std::uint8_t *>(map) + len;
                FSize = FMapSize - static_cast<std::size_t>(len);
                FOk = true;
            }
        }
        close(fd);
    }
    ~Source()
    {
        if (FMap)
            munmap(FMap, FMapSize);
    }
    Source(const Source &) = delete;
    Source &operator=(const Source &) = delete;

    bool ok() const { return FOk; }
    const std::uint8_t *data() const { return FData; }
    std::size_t size() const { return FSize; }

private:
    void *FMap = nullptr;
    std::size_t FMapSize = 0;
    const std::uint8_t *FData = nullptr;
    std::size_t FSize = 0;
    bool FOk = false;
};

struct ProgressContext {
    SpiProgressCallback callback;
    intptr_t data;
};

int progressThunk(std::uint32_t row, std::uint32_t rows, void *context)
{
    const auto *p = static_cast<ProgressContext *>(context);
    return p->callback(static_cast<int32_t>(row), static_cast<int32_t>(rows), p->data);
}

std::uint8_t *allocBits(std::size_t size, void *context)
{
    auto *handle = static_cast<SpiHandle *>(context);
    *handle = SpiAlloc(size);
    return static_cast<std::uint8_t *>(*handle);
}

int32_t resultCode(netpbm::Result r)
{
    switch (r) {
    case netpbm::Result::ok: return SPI_SUCCESS;
    case netpbm::Result::aborted: return SPI_ABORT;
    case netpbm::Result::unknownFormat: return SPI_UNKNOWN_FORMAT;
    case netpbm::Result::brokenData: return SPI_BROKEN_DATA;
    case netpbm::Result::noMemory: return SPI_NO_MEMORY;
    }
    return SPI_INTERNAL_ERROR;
}

} // namespace

extern "C" {

SPI_EXPORT int32_t GetPluginInfo(int32_t infono, char *buf, int32_t buflen)
{
    const int32_t count = static_cast<int32_t>(sizeof kInfo / sizeof kInfo[0]);
    if (infono < 0 || infono >= count || !buf || buflen <= 0)
        return 0;
    const std::size_t length = std::strlen(kInfo[infono]);
    const std::size_t n = length < static_cast<std::size_t>(buflen - 1) ? length : static_cast<std::size_t>(buflen - 1);
    std::memcpy(buf, kInfo[infono], n);
    buf[n] = '\0';
    return static_cast<int32_t>(n);
}

SPI_EXPORT int32_t IsSupported(const char *, const void *header)
{
    if (!header)
        return 0;
    netpbm::Header h;
    return netpbm::ParseHeader(static_cast<const std::uint8_t *>(header), SPI_HEADER_WINDOW, h) ? 1 : 0;
}

SPI_EXPORT int32_t GetPictureInfo(const char *buf, intptr_t len, uint32_t flag, TPictureInfo *info)
{
    if (!info)
        return SPI_INTERNAL_ERROR;
    const Source source(buf, len, flag);
    if (!source.ok())
        return SPI_FILE_READ_ERROR;
    netpbm::Header h;
    if (!netpbm::ParseHeader(source.data(), source.size(), h))
        return SPI_UNKNOWN_FORMAT;
    std::memset(info, 0, sizeof *info);
    info->width = static_cast<int32_t>(h.width);
    info->height = static_cast<int32_t>(h.height);
    info->colorDepth = static_cast<int16_t>(h.depth >= 2 ? 24 : h.blackAndWhite && h.maxval == 1 ? 1
                                                              : h.maxval <= 15                 ? 4
                                                                                               : 8);
    return SPI_SUCCESS;
}

SPI_EXPORT int32_t GetPicture(const char *buf, intptr_t len, uint32_t flag, SpiHandle *pHBInfo, SpiHandle *pHBm,
                              SpiProgressCallback progress, intptr_t data)
{
    if (!pHBInfo || !pHBm)
        return SPI_INTERNAL_ERROR;
    *pHBInfo = nullptr;
    *pHBm = nullptr;
    const Source source(buf, len, flag);
    if (!source.ok())
        return SPI_FILE_READ_ERROR;
    netpbm::Header h;
    if (!netpbm::ParseHeader(source.data(), source.size(), h))
        return SPI_UNKNOWN_FORMAT;
    netpbm::Bitmap bitmap;
    SpiHandle bits = nullptr;
    ProgressContext context{progress, data};
    const netpbm::Result r = netpbm::Decode(source.data(), source.size(), h, bitmap, allocBits, &bits,
                                            progress ? progressThunk : nullptr, &context);
    if (r != netpbm::Result::ok) {
        SpiFree(bits);
        return resultCode(r);
    }
    SpiHandle info = SpiAlloc(bitmap.info.size());
    if (!info) {
        SpiFree(bits);
        return SPI_NO_MEMORY;
    }
    std::memcpy(info, bitmap.info.data(), bitmap.info.size());
    *pHBInfo = info;
    *pHBm = bits;
    return SPI_SUCCESS;
}

} // extern "C"
