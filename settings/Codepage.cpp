#include "settings/Codepage.h"

#include <cerrno>
#include <iconv.h>
#include <vector>

namespace vellora {

namespace {

// Owns an iconv descriptor.
class Converter {
public:
    Converter(const char *to, const char *from) : FCd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid())
            iconv_close(FCd);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;
    bool valid() const { return FCd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return FCd; }

private:
    iconv_t FCd;
};

// Writes a stateful encoding's return to its initial shift state.
void flushShiftState(iconv_t cd, QByteArray &out)
{
    char buffer[64];
    char *outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, static_cast<qsizetype>(sizeof buffer - outLeft));
}

// Encodes text; on a character the charset lacks either gives up (exact) or
// writes '?' in the initial shift state and goes on.
bool encode(const QString &text, const char *charset, QByteArray &result, bool exact)
{
    result.clear();
    if (text.isEmpty())
        return true;
    Converter cd(charset, "UTF-16LE");
    if (!cd.valid())
        return false;
    std::vector<char> out(4096);
    char *in = reinterpret_cast<char *>(const_cast<char16_t *>(reinterpret_cast<const char16_t *>(text.utf16())));
    size_t inLeft = static_cast<size_t>(text.size()) * 2;
    bool complete = true;
    while (inLeft > 0) {
        char *outPtr = out.data();
        size_t outLeft = out.size();
        const size_t rc = iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft);
        const int err = errno;
        result.append(out.data(), static_cast<qsizetype>(out.size() - outLeft));
        if (rc != static_cast<size_t>(-1))
            break;
        if (err == E2BIG)
            continue;
        complete = false;
        if (exact)
            return false;
        // A character the charset lacks (or a lone surrogate): one '?' for it,
        // outside any double-byte mode so that it stays a '?'.
        flushShiftState(cd.get(), result);
        result.append('?');
        const bool pair = inLeft >= 4 && QChar::isHighSurrogate(*reinterpret_cast<const char16_t *>(in));
        in += pair ? 4 : 2;
        inLeft -= pair ? 4 : 2;
    }
    flushShiftState(cd.get(), result);
    return complete;
}

} // namespace

QString DecodeCharset(const QByteArray &bytes, const char *charset)
{
    if (bytes.isEmpty())
        return QString();
    Converter cd("UTF-16LE", charset);
    if (!cd.valid())
        return QString::fromLatin1(bytes);
    QString result;
    result.reserve(bytes.size());
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    std::vector<char> out(4096);
    while (inLeft > 0) {
        char *outPtr = out.data();
        size_t outLeft = out.size();
        const size_t rc = iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft);
        const int err = errno;
        result += QString::fromUtf16(reinterpret_cast<const char16_t *>(out.data()),
                                     static_cast<qsizetype>((out.size() - outLeft) / 2));
        if (rc != static_cast<size_t>(-1))
            break;
        if (err == E2BIG)
            continue;
        // EILSEQ or EINVAL (truncated at the end): replace one byte and go on.
        result += QChar(0xFFFD);
        ++in;
        --inLeft;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
    return result;
}

QByteArray EncodeCharset(const QString &text, const char *charset)
{
    QByteArray result;
    if (!encode(text, charset, result, false) && result.isEmpty() && !text.isEmpty())
        return text.toLatin1();   // unknown charset
    return result;
}

bool EncodeCharsetExact(const QString &text, const char *charset, QByteArray &out)
{
    return encode(text, charset, out, true);
}

} // namespace vellora
