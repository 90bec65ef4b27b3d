#include "plugins/HostProtocol.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace spiproto {

Writer &Writer::raw(std::uint64_t v, int count)
{
    for (int i = 0; i < count; ++i)
        FBytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    return *this;
}

Writer &Writer::bytes(const void *data, std::size_t size)
{
    u32(static_cast<std::uint32_t>(size));
    const auto *p = static_cast<const std::uint8_t *>(data);
    FBytes.insert(FBytes.end(), p, p + size);
    return *this;
}

const std::vector<std::uint8_t> &Writer::finish()
{
    const std::uint32_t length = static_cast<std::uint32_t>(FBytes.size() - kHeaderSize);
    for (int i = 0; i < 4; ++i)
        FBytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
    return FBytes;
}

std::uint64_t Reader::raw(int count)
{
    if (FFailed || FSize - FPos < static_cast<std::size_t>(count)) {
        FFailed = true;
        return 0;
    }
    std::uint64_t v = 0;
    for (int i = 0; i < count; ++i)
        v |= std::uint64_t(FData[FPos + static_cast<std::size_t>(i)]) << (8 * i);
    FPos += static_cast<std::size_t>(count);
    return v;
}

std::string Reader::str(std::size_t limit)
{
    const std::uint32_t length = u32();
    if (FFailed || length > limit || FSize - FPos < length) {
        FFailed = true;
        return {};
    }
    std::string s(reinterpret_cast<const char *>(FData + FPos), length);
    FPos += length;
    return s;
}

bool sendMessage(int socket, const std::vector<std::uint8_t> &message, int fd)
{
    std::size_t sent = 0;
    bool fdSent = fd < 0;
    while (sent < message.size()) {
        iovec iov{const_cast<std::uint8_t *>(message.data() + sent), message.size() - sent};
        msghdr msg{};
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
        if (!fdSent) {
            std::memset(control, 0, sizeof control);
            msg.msg_control = control;
            msg.msg_controllen = sizeof control;
            cmsghdr *cmsg = CMSG_FIRSTHDR(&msg);
            cmsg->cmsg_level = SOL_SOCKET;
            cmsg->cmsg_type = SCM_RIGHTS;
            cmsg->cmsg_len = CMSG_LEN(sizeof(int));
            std::memcpy(CMSG_DATA(cmsg), &fd, sizeof(int));
        }
        const ssize_t n = sendmsg(socket, &msg, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        fdSent = true;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

namespace {

// Reads exactly size bytes, collecting a passed descriptor.
Received readExactly(int socket, std::uint8_t *out, std::size_t size, int &fd,
                     std::chrono::steady_clock::time_point deadline, bool forever)
{
    std::size_t got = 0;
    while (got < size) {
        int wait = -1;
        if (!forever) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now()).count();
            if (left <= 0)
                return Received::timeout;
            wait = static_cast<int>(left);
        }
        pollfd p{socket, POLLIN, 0};
        const int ready = poll(&p, 1, wait);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return Received::error;
        }
        if (ready == 0)
            return Received::timeout;
        iovec iov{out + got, size - got};
        msghdr msg{};
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 4)];
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = recvmsg(socket, &msg, MSG_CMSG_CLOEXEC);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return errno == ECONNRESET ? Received::closed : Received::error;
        }
        for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
                continue;
            const std::size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (std::size_t i = 0; i < count; ++i) {
                int received;
                std::memcpy(&received, CMSG_DATA(c) + i * sizeof(int), sizeof(int));
                // One descriptor per message; any extra is closed at once.
                if (fd < 0)
                    fd = received;
                else
                    close(received);
            }
        }
        if (n == 0)
            return Received::closed;
        got += static_cast<std::size_t>(n);
    }
    return Received::message;
}

} // namespace

Received receiveMessage(int socket, Message &message, int timeoutMs)
{
    message = Message{};
    const bool forever = timeoutMs < 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(forever ? 0 : timeoutMs);
    std::uint8_t header[kHeaderSize];
    Received r = readExactly(socket, header, kHeaderSize, message.fd, deadline, forever);
    if (r == Received::message) {
        const std::uint32_t length = std::uint32_t(header[0]) | (std::uint32_t(header[1]) << 8)
                                     | (std::uint32_t(header[2]) << 16) | (std::uint32_t(header[3]) << 24);
        message.type = header[4];
        if (length > kMaxPayload) {
            r = Received::error;
        } else {
            message.payload.resize(length);
            r = readExactly(socket, message.payload.data(), length, message.fd, deadline, forever);
        }
    }
    if (r != Received::message && message.fd >= 0) {
        close(message.fd);
        message.fd = -1;
    }
    return r;
}

} // namespace spiproto
