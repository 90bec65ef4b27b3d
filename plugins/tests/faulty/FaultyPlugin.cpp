// Test plug-ins that misbehave in one way each (FAULT names it). Each claims
// every file ending in ".pam" (or FILTER), so that the program tries it first.
#include <vellora/spi.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

#ifndef KIND
#define KIND "00IN"
#endif

#ifndef FILTER
#define FILTER "*.pam"
#define DESCRIPTION "Faulty PAM"
#endif

const char *const kInfo[] = {KIND, "faulty test plug-in (" FAULT ")", FILTER, DESCRIPTION};

bool is(const char *fault)
{
    return std::strcmp(FAULT, fault) == 0;
}

volatile int *volatile gNowhere = nullptr;

} // namespace

extern "C" {

SPI_EXPORT int32_t GetPluginInfo(int32_t infono, char *buf, int32_t buflen)
{
    if (infono < 0 || infono >= 4 || buflen <= 0)
        return 0;
    if (is("garbage-info") && infono == 1) {
        // Claims far more than it wrote, without a terminating zero.
        std::memset(buf, 'x', static_cast<std::size_t>(buflen));
        return 100000;
    }
    std::strncpy(buf, kInfo[infono], static_cast<std::size_t>(buflen) - 1);
    buf[buflen - 1] = '\0';
    return static_cast<int32_t>(std::strlen(buf));
}

SPI_EXPORT int32_t IsSupported(const char *, const void *)
{
    if (is("hang-supported"))
        for (;;)
            pause();
    return 1;
}

SPI_EXPORT int32_t GetPictureInfo(const char *, intptr_t, uint32_t, TPictureInfo *info)
{
    std::memset(info, 0, sizeof *info);
    info->width = 1;
    info->height = 1;
    return SPI_SUCCESS;
}

#ifndef NO_GET_PICTURE
SPI_EXPORT int32_t GetPicture(const char *, intptr_t, uint32_t, SpiHandle *pHBInfo, SpiHandle *pHBm,
                              SpiProgressCallback progress, intptr_t data)
{
    if (progress && is("zero-done")) {
        // Nothing done of nothing, then half.
        progress(3, 0, data);
        progress(1, 2, data);
        return SPI_UNKNOWN_FORMAT;
    }
    if (progress)
        progress(0, 1, data);
    if (is("crash"))
        *gNowhere = 1;
    if (is("abort"))
        std::abort();
    if (is("exit"))
        std::exit(3);
    if (is("hang"))
        for (;;)
            pause();
    if (is("garbage")) {
        // A header that claims 7 bits per pixel and a negative width.
        SpiHandle info = SpiAlloc(40);
        std::memset(info, 0, 40);
        const int32_t header[] = {40, -5, 3};
        std::memcpy(info, header, sizeof header);
        static_cast<uint8_t *>(info)[14] = 7;
        *pHBInfo = info;
        *pHBm = SpiAlloc(16);
        return SPI_SUCCESS;
    }
    if (is("short-bits")) {
        // A sound 8 x 8, 24-bit header with a pixel block of 10 bytes.
        SpiHandle info = SpiAlloc(40);
        std::memset(info, 0, 40);
        const int32_t header[] = {40, 8, 8};
        std::memcpy(info, header, sizeof header);
        static_cast<uint8_t *>(info)[12] = 1;
        static_cast<uint8_t *>(info)[14] = 24;
        *pHBInfo = info;
        *pHBm = SpiAlloc(10);
        return SPI_SUCCESS;
    }
    if (is("foreign-memory")) {
        // Memory from malloc rather than SpiAlloc.
        *pHBInfo = std::calloc(1, 64);
        *pHBm = std::calloc(1, 64);
        return SPI_SUCCESS;
    }
    return SPI_UNKNOWN_FORMAT;
}
#endif

#ifdef ARCHIVE
SPI_EXPORT int32_t GetArchiveInfo(const char *, intptr_t, uint32_t, SpiHandle *)
{
    return SPI_NOT_IMPLEMENTED;
}
SPI_EXPORT int32_t GetFileInfo(const char *, intptr_t, const char *, uint32_t, TFileInfo *)
{
    return SPI_NOT_IMPLEMENTED;
}
SPI_EXPORT int32_t GetFile(const char *, intptr_t, char *, uint32_t, SpiProgressCallback, intptr_t)
{
    return SPI_NOT_IMPLEMENTED;
}
#endif

} // extern "C"

#ifdef CRASH_ON_LOAD
// Crashes while being loaded, before any function is called.
__attribute__((constructor)) static void crashOnLoad()
{
    raise(SIGSEGV);
}
#endif
