// The messages between the program and vellora-spi-host, over a Unix socket:
// a 4-byte little-endian payload length, a 1-byte type, the payload. File
// descriptors (a source held in memory, the picture's pixels) travel beside
// a message as SCM_RIGHTS. Plain C++ without Qt, shared by both sides. The
// program reads the host's replies as outside input: every read is checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace spiproto {

inline constexpr std::size_t kHeaderSize = 5;
// Larger payloads are refused (the pixels travel in a memfd, not here).
inline constexpr std::uint32_t kMaxPayload = 1u << 20;
// The most information entries read from one plug-in.
inline constexpr std::uint32_t kMaxInfos = 512;
// The file descriptor numbers the host finds its socket and its abort flag at.
inline constexpr int kSocketFd = 3;
inline constexpr int kAbortFd = 4;

enum Type : std::uint8_t {
    // Requests.
    rqLoad = 1,          // str plugin
    rqIsSupported = 2,   // str plugin, str file name, bytes window
    rqPictureInfo = 3,   // str plugin, u8 source, str file name, i64 offset, u64 size [+ fd]
    rqPicture = 4,       // as rqPictureInfo, then u8 preview
    // Replies.
    rpLoaded = 101,      // u8 ok, str error, u64 handle, u32 exports, u32 n, n × str
    rpResult = 102,      // i32
    rpPictureInfo = 103, // i32 result, i32 left, top, width, height, u16 xd, yd, i16 depth, str text
    rpProgress = 104,    // i32 num, i32 denom
    rpPicture = 105,     // i32 result, u64 info size, u64 bits size, u64 bits offset [+ fd when result is 0]
    rpFailed = 106,      // str message
};

// Source kinds of rqPictureInfo and rqPicture.
inline constexpr std::uint8_t kSourceFile = 0;
inline constexpr std::uint8_t kSourceMemory = 1;   // the bytes are in the attached memfd

// Export bits of rpLoaded, in the order of kExportNames.
inline constexpr const char *kExportNames[] = {
    "GetPluginInfo", "ConfigurationDlg", "IsSupported", "GetPictureInfo", "GetPicture",
    "GetPreview",    "GetArchiveInfo",   "GetFileInfo", "GetFile",
};
inline constexpr int kExportCount = 9;

// The picture memfd: the space of a BMP file header (the program writes it
// after checking), the info header with its colour table, and at the bits
// offset the pixels.
inline constexpr std::size_t kFileHeaderSpace = 14;

class Writer {
public:
    explicit Writer(Type type) : FBytes(kHeaderSize, 0) { FBytes[4] = type; }
    Writer &u8(std::uint8_t v) { FBytes.push_back(v); return *this; }
    Writer &u16(std::uint16_t v) { return raw(v, 2); }
    Writer &u32(std::uint32_t v) { return raw(v, 4); }
    Writer &u64(std::uint64_t v) { return raw(v, 8); }
    Writer &i32(std::int32_t v) { return u32(static_cast<std::uint32_t>(v)); }
    Writer &i64(std::int64_t v) { return u64(static_cast<std::uint64_t>(v)); }
    Writer &bytes(const void *data, std::size_t size);
    Writer &str(const std::string &s) { return bytes(s.data(), s.size()); }
    // The message with its length filled in.
    const std::vector<std::uint8_t> &finish();

private:
    Writer &raw(std::uint64_t v, int count);
    std::vector<std::uint8_t> FBytes;
};

// Reads a payload; any read past the end sets failed() and gives zeros.
class Reader {
public:
    Reader(const std::uint8_t *data, std::size_t size) : FData(data), FSize(size) {}
    std::uint8_t u8() { return static_cast<std::uint8_t>(raw(1)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(raw(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(raw(4)); }
    std::uint64_t u64() { return raw(8); }
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::int64_t i64() { return static_cast<std::int64_t>(u64()); }
    // A length-prefixed string of at most limit bytes.
    std::string str(std::size_t limit = kMaxPayload);
    bool failed() const { return FFailed; }
    // All read and nothing left over.
    bool complete() const { return !FFailed && FPos == FSize; }

private:
    std::uint64_t raw(int count);
    const std::uint8_t *FData;
    std::size_t FSize;
    std::size_t FPos = 0;
    bool FFailed = false;
};

// Sends one message with an optional file descriptor; false on failure.
bool sendMessage(int socket, const std::vector<std::uint8_t> &message, int fd = -1);

// The result of receiving: a message, the other end closed, or an error.
enum class Received { message, closed, error, timeout };

struct Message {
    std::uint8_t type = 0;
    std::vector<std::uint8_t> payload;
    int fd = -1;                     // owned by the receiver when not -1
};

// Receives one message; waits at most timeoutMs (negative: forever).
Received receiveMessage(int socket, Message &message, int timeoutMs);

} // namespace spiproto
