/* vellora/spi.h: the interface of Vellora image plug-ins.
 *
 * A plug-in is a shared object named "*.spi" that exports, with C linkage,
 * the functions below (those its kind needs; see GetPluginInfo). Vellora
 * loads plug-ins with dlopen in a helper process, so a plug-in that crashes
 * or hangs cannot take the program down; export nothing but these functions.
 *
 * Kinds, reported as plug-in information 0:
 *   "00IN"  picture reader: GetPluginInfo, IsSupported, GetPictureInfo,
 *           GetPicture, optionally GetPreview
 *   "00AM"  archive reader: GetPluginInfo, IsSupported, GetArchiveInfo,
 *           GetFileInfo, GetFile
 *   "00XN"  exporter: GetPluginInfo
 * Information 1 is the plug-in's own description; 2 and 3, 4 and 5, ... are
 * pairs of an extension filter ("*.pic;*.pi") and a format description.
 * Texts are UTF-8 (a text that is not valid UTF-8 is read as CP932).
 * File names are the file system's bytes.
 *
 * Memory a plug-in hands to the caller (picture header, pixels, the text of
 * TPictureInfo.hInfo) is allocated with SpiAlloc and freed by the caller
 * with SpiFree; both are inline here, so plug-in and caller agree on them.
 */
#ifndef VELLORA_SPI_H
#define VELLORA_SPI_H

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Results. */
#define SPI_NOT_IMPLEMENTED (-1)
#define SPI_SUCCESS 0
#define SPI_ABORT 1            /* the progress callback asked to stop */
#define SPI_UNKNOWN_FORMAT 2
#define SPI_BROKEN_DATA 3
#define SPI_NO_MEMORY 4
#define SPI_MEMORY_ERROR 5
#define SPI_FILE_READ_ERROR 6
#define SPI_WINDOW_ERROR 7
#define SPI_INTERNAL_ERROR 8
#define SPI_FILE_WRITE_ERROR 9
#define SPI_END_OF_FILE 10

/* The source argument of the picture functions. */
#define SPI_SOURCE_FILE 0      /* buf: file name; len: offset of the picture in the file */
#define SPI_SOURCE_MEMORY 1    /* buf: the bytes; len: their count */
#define SPI_SOURCE_MASK 7

/* IsSupported receives this many bytes of the file's start (zero-padded). */
#define SPI_HEADER_WINDOW 2048

/* A block of memory that records its own size. */
typedef void *SpiHandle;

/* The helper process that runs plug-ins supplies this allocator, so that it
 * can hand large pictures on without copying them; elsewhere (a plug-in
 * loaded by another program) it is absent and malloc serves. */
typedef struct SpiAllocator {
    void *(*alloc)(size_t size);
    void (*release)(void *block);
} SpiAllocator;
extern const SpiAllocator SpiHostAllocator __attribute__((weak));

static inline SpiHandle SpiAlloc(size_t size)
{
    const size_t total = sizeof(size_t) * 2 + (size ? size : 1);
    size_t *block;
    if (size > (size_t)-1 - sizeof(size_t) * 4)
        return NULL;
    block = (size_t *)(&SpiHostAllocator ? SpiHostAllocator.alloc(total) : malloc(total));
    if (!block)
        return NULL;
    block[0] = size;
    block[1] = 0x5350494du; /* marks a block of ours */
    return block + 2;
}

static inline size_t SpiSize(SpiHandle handle)
{
    return handle ? ((const size_t *)handle)[-2] : 0;
}

static inline void SpiFree(SpiHandle handle)
{
    if (!handle)
        return;
    if (&SpiHostAllocator)
        SpiHostAllocator.release((size_t *)handle - 2);
    else
        free((size_t *)handle - 2);
}

#pragma pack(push, 1)

typedef struct TPictureInfo {
    int32_t left;
    int32_t top;
    int32_t width;
    int32_t height;
    uint16_t x_density;
    uint16_t y_density;
    int16_t colorDepth;
    SpiHandle hInfo;          /* a text the plug-in may allocate (SpiAlloc), or NULL */
} TPictureInfo;

typedef struct TFileInfo {
    unsigned char method[8];
    uintptr_t position;
    uintptr_t compsize;
    uintptr_t filesize;
    int64_t timestamp;        /* seconds since 1970 */
    char path[200];
    char filename[200];
    uint32_t crc;
} TFileInfo;

/* The picture header that GetPicture returns: the Windows BITMAPINFOHEADER,
 * followed by the colour table (and, for bit fields, the three masks before it). */
typedef struct SpiBitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;         /* positive: bottom-up rows */
    uint16_t biPlanes;
    uint16_t biBitCount;      /* 1, 4, 8, 16, 24 or 32 */
    uint32_t biCompression;   /* 0 BI_RGB, 3 BI_BITFIELDS */
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
} SpiBitmapInfoHeader;

#pragma pack(pop)

/* Progress of GetPicture: num of denom done. A non-zero result asks the
 * plug-in to stop; it then returns SPI_ABORT. */
typedef int32_t (*SpiProgressCallback)(int32_t num, int32_t denom, intptr_t data);

/* The exports. */
typedef int32_t (*SpiGetPluginInfoFn)(int32_t infono, char *buf, int32_t buflen);
typedef int32_t (*SpiIsSupportedFn)(const char *filename, const void *header);
typedef int32_t (*SpiGetPictureInfoFn)(const char *buf, intptr_t len, uint32_t flag, TPictureInfo *info);
typedef int32_t (*SpiGetPictureFn)(const char *buf, intptr_t len, uint32_t flag, SpiHandle *pHBInfo,
                                   SpiHandle *pHBm, SpiProgressCallback progress, intptr_t data);
typedef int32_t (*SpiGetArchiveInfoFn)(const char *buf, intptr_t len, uint32_t flag, SpiHandle *lphInf);
typedef int32_t (*SpiGetFileInfoFn)(const char *buf, intptr_t len, const char *filename, uint32_t flag,
                                    TFileInfo *info);
typedef int32_t (*SpiGetFileFn)(const char *src, intptr_t len, char *dest, uint32_t flag,
                                SpiProgressCallback progress, intptr_t data);
typedef int32_t (*SpiConfigurationDlgFn)(void *parent, int32_t fnc);

#if defined(__GNUC__)
#define SPI_EXPORT __attribute__((visibility("default")))
#else
#define SPI_EXPORT
#endif

/* Declarations for plug-in authors: define only those of your kind. */
SPI_EXPORT int32_t GetPluginInfo(int32_t infono, char *buf, int32_t buflen);
SPI_EXPORT int32_t IsSupported(const char *filename, const void *header);
SPI_EXPORT int32_t GetPictureInfo(const char *buf, intptr_t len, uint32_t flag, TPictureInfo *info);
SPI_EXPORT int32_t GetPicture(const char *buf, intptr_t len, uint32_t flag, SpiHandle *pHBInfo, SpiHandle *pHBm,
                              SpiProgressCallback progress, intptr_t data);
SPI_EXPORT int32_t GetPreview(const char *buf, intptr_t len, uint32_t flag, SpiHandle *pHBInfo, SpiHandle *pHBm,
                              SpiProgressCallback progress, intptr_t data);
SPI_EXPORT int32_t GetArchiveInfo(const char *buf, intptr_t len, uint32_t flag, SpiHandle *lphInf);
SPI_EXPORT int32_t GetFileInfo(const char *buf, intptr_t len, const char *filename, uint32_t flag,
                               TFileInfo *info);
SPI_EXPORT int32_t GetFile(const char *src, intptr_t len, char *dest, uint32_t flag, SpiProgressCallback progress,
                           intptr_t data);
SPI_EXPORT int32_t ConfigurationDlg(void *parent, int32_t fnc);

#ifdef __cplusplus
}
#endif

#endif /* VELLORA_SPI_H */
