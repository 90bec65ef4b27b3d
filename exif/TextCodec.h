// Decoding of the legacy 8-bit and 7-bit Japanese encodings found in Exif
// strings, through iconv. Invalid sequences become U+FFFD; decoding never
// throws and never stops at a zero byte.
#pragma once

#include <QByteArray>
#include <QString>

namespace vellora::exif {

// The 8-bit code page of Exif ASCII strings (CP932).
QString decodeCodePage(const QByteArray &bytes);

// ISO-2022-JP, as used by user comments marked "JIS".
QString decodeIso2022Jp(const QByteArray &bytes);

} // namespace vellora::exif
