#include "exif/TextCodec.h"

#include <cerrno>
#include <iconv.h>
#include <string>

namespace vellora::exif {

namespace {

// Converts with iconv into UTF-8; an invalid or incomplete sequence becomes
// U+FFFD and decoding goes on one byte later, so outside bytes cannot stop it.
QString decode(const char *encoding, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return QString();
    iconv_t cd = iconv_open("UTF-8", encoding);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return QString::fromLatin1(bytes);   // the C library lacks the code page
    std::string out;
    char buffer[1024];
    char *in = const_cast<char *>(bytes.constData());
    std::size_t inLeft = static_cast<std::size_t>(bytes.size());
    while (inLeft > 0) {
        char *outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL: replace one byte and start afresh in the initial shift state.
        out.append("\xEF\xBF\xBD");
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // Flush a pending shift sequence.
    char *outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    iconv_close(cd);
    return QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size()));
}

} // namespace

QString decodeCodePage(const QByteArray &bytes)
{
    return decode("CP932", bytes);
}

QString decodeIso2022Jp(const QByteArray &bytes)
{
    // The -2 variant reads everything plain ISO-2022-JP does, plus the
    // extensions some writers emit.
    return decode("ISO-2022-JP-2", bytes);
}

} // namespace vellora::exif
