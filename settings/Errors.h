// Exception classes shared by every library. Messages are UTF-8; the
// application shows them as they are, the command line prints them.
#pragma once

#include <QString>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace vellora {

// Base of our own errors; the message is UTF-8.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string &message) : std::runtime_error(message) {}
    explicit Error(const QString &message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};

// A short read from a stream, with the class library's text.
class EReadError : public Error {
public:
    EReadError() : Error(std::string("Stream read error")) {}
    using Error::Error;
};

// A short write to a stream, with the class library's text.
class EWriteError : public Error {
public:
    EWriteError() : Error(std::string("Stream write error")) {}
    using Error::Error;
};

// Malformed outside data: says where (file or source name, offset) and what.
// what(): "album.vlpf (offset 1234): string list count 4000000000 exceeds the 52 bytes left"
class FormatError : public Error {
public:
    FormatError(const QString &source, std::int64_t offset, const QString &what);
    explicit FormatError(const QString &what);
    std::int64_t offset() const noexcept { return FOffset; }

private:
    std::int64_t FOffset = -1;
};

// A failed file system operation: the path and errno.
class IoError : public Error {
public:
    IoError(const QString &path, int errorNumber, const QString &what);
    const QString &path() const noexcept { return FPath; }
    int errorNumber() const noexcept { return FErrno; }

private:
    QString FPath;
    int FErrno = 0;
};

// The message of any exception, for showing to the user.
QString errorMessage(const std::exception &e);

} // namespace vellora
