// Conversions between QString and the legacy Japanese encodings that old
// documents, settings files and Exif strings use, through iconv. Stateless;
// safe on any thread.
#pragma once

#include <QByteArray>
#include <QString>

namespace vellora {

// Bytes in `charset` (an iconv name such as "CP932" or "ISO-2022-JP") to a
// string. Invalid or truncated sequences become U+FFFD; decoding never fails.
QString DecodeCharset(const QByteArray &bytes, const char *charset);
// A string to bytes in `charset`; characters it cannot encode become '?'.
QByteArray EncodeCharset(const QString &text, const char *charset);
// As EncodeCharset, but false (and `out` unspecified) as soon as a character
// cannot be encoded, for callers that must not lose text.
bool EncodeCharsetExact(const QString &text, const char *charset, QByteArray &out);

inline QString DecodeCp932(const QByteArray &bytes) { return DecodeCharset(bytes, "CP932"); }
inline QByteArray EncodeCp932(const QString &text) { return EncodeCharset(text, "CP932"); }
inline QString DecodeIso2022Jp(const QByteArray &bytes) { return DecodeCharset(bytes, "ISO-2022-JP"); }
inline QByteArray EncodeIso2022Jp(const QString &text) { return EncodeCharset(text, "ISO-2022-JP"); }

} // namespace vellora
