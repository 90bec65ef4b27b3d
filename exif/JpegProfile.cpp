#include "exif/JpegProfile.h"

#include "exif/ExifInfo.h"

#include <QBuffer>
#include <QIODevice>

#include <array>
#include <cstdint>
#include <cstring>
#include <map>

namespace vellora::jpeg {

namespace {

constexpr char kIccSignature[] = "ICC_PROFILE";   // followed by its 0 byte
constexpr int kIccHeaderBytes = 14;                // signature, 0, sequence number, count
// An Exif block ending further into the file than this is not looked into
// for the Adobe RGB mark (it comes first in camera files).
constexpr qint64 kMaxExifHead = qint64{1} << 20;

struct Chunks {
    int count = 0;
    std::map<int, QByteArray> parts;   // by sequence number
    qint64 bytes = 0;
    QString problem;
};

bool readExact(QIODevice &device, char *out, qint64 n)
{
    return device.read(out, n) == n;
}

void addChunk(Chunks &chunks, const QByteArray &segment)
{
    if (!chunks.problem.isEmpty())
        return;
    const int sequence = static_cast<std::uint8_t>(segment[12]);
    const int count = static_cast<std::uint8_t>(segment[13]);
    if (count == 0 || sequence == 0 || sequence > count) {
        chunks.problem = QStringLiteral("colour profile chunk %1 of %2 is out of sequence").arg(sequence).arg(count);
        return;
    }
    if (chunks.count != 0 && chunks.count != count) {
        chunks.problem = QStringLiteral("colour profile chunks disagree on their count (%1 and %2)").arg(chunks.count).arg(count);
        return;
    }
    chunks.count = count;
    if (chunks.parts.count(sequence)) {
        chunks.problem = QStringLiteral("colour profile chunk %1 appears twice").arg(sequence);
        return;
    }
    chunks.bytes += segment.size() - kIccHeaderBytes;
    if (chunks.bytes > static_cast<qint64>(kMaxIccProfileBytes)) {
        chunks.problem = QStringLiteral("colour profile is larger than %1 MB").arg(kMaxIccProfileBytes >> 20);
        return;
    }
    chunks.parts.emplace(sequence, segment.mid(kIccHeaderBytes));
}

void finishChunks(Chunks &chunks, ColorInfo &info)
{
    if (chunks.count == 0 && chunks.problem.isEmpty())
        return;
    if (chunks.problem.isEmpty() && static_cast<int>(chunks.parts.size()) != chunks.count)
        chunks.problem = QStringLiteral("colour profile has %1 of its %2 chunks").arg(chunks.parts.size()).arg(chunks.count);
    if (!chunks.problem.isEmpty()) {
        info.problem = chunks.problem;
        return;
    }
    QByteArray profile;
    profile.reserve(chunks.bytes);
    for (const auto &[sequence, part] : chunks.parts)
        profile += part;
    if (profile.isEmpty())
        info.problem = QStringLiteral("colour profile is empty");
    else
        info.iccProfile = profile;
}

bool isStartOfFrame(int marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

} // namespace

ColorInfo ReadColorInfo(QIODevice &device) noexcept
{
    ColorInfo info;
    Chunks chunks;
    qint64 exifEnd = -1;
    try {
        if (!device.isOpen() || !device.seek(0))
            return info;
        std::array<char, 2> soi{};
        if (!readExact(device, soi.data(), 2) || static_cast<std::uint8_t>(soi[0]) != 0xFF
            || static_cast<std::uint8_t>(soi[1]) != 0xD8)
            return info;
        for (;;) {
            char byte = 0;
            if (!device.getChar(&byte))
                break;
            if (static_cast<std::uint8_t>(byte) != 0xFF)
                break;   // not a marker where one must be: stop looking
            int marker = 0xFF;
            while (marker == 0xFF) {   // fill bytes
                if (!device.getChar(&byte))
                    break;
                marker = static_cast<std::uint8_t>(byte);
            }
            if (marker == 0xFF || marker == 0xD9 || marker == 0xDA)
                break;   // end of data, end of image or the first scan
            if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
                continue;   // markers without a length
            std::array<char, 2> lengthBytes{};
            if (!readExact(device, lengthBytes.data(), 2))
                break;
            const int length = (static_cast<std::uint8_t>(lengthBytes[0]) << 8) | static_cast<std::uint8_t>(lengthBytes[1]);
            if (length < 2)
                break;
            const qint64 payload = length - 2;
            const qint64 start = device.pos();
            if (marker == 0xE2 && payload >= kIccHeaderBytes) {
                QByteArray segment = device.read(payload);
                if (segment.size() != payload) {
                    if (segment.startsWith(QByteArray(kIccSignature, sizeof kIccSignature)))
                        chunks.problem = QStringLiteral("colour profile is cut off");
                    break;
                }
                if (segment.startsWith(QByteArray(kIccSignature, sizeof kIccSignature)))
                    addChunk(chunks, segment);
            } else if (marker == 0xE1 && payload >= 6 && exifEnd < 0) {
                std::array<char, 6> id{};
                if (!readExact(device, id.data(), 6))
                    break;
                if (std::memcmp(id.data(), "Exif\0\0", 6) == 0)
                    exifEnd = start + payload;
            } else if (isStartOfFrame(marker) && payload >= 6) {
                std::array<char, 6> frame{};
                if (!readExact(device, frame.data(), 6))
                    break;
                info.components = static_cast<std::uint8_t>(frame[5]);
            }
            if (!device.seek(start + payload))
                break;
        }
        // The Exif reader reads the head of the file up to the end of the
        // Exif segment, as it reads any JPEG stream.
        if (exifEnd > 0 && exifEnd <= kMaxExifHead && device.seek(0)) {
            QByteArray head = device.read(exifEnd);
            const bool whole = head.size() == exifEnd;
            head += QByteArray("\xFF\xD9", 2);   // ends the stream where the reader looks for more
            info.exifAdobeRgb = whole && ExifMarksAdobeRgb(head);
        }
    } catch (...) {
        // Out of memory for a chunk: the photo is drawn as sRGB.
        chunks.problem = QStringLiteral("colour profile cannot be read");
    }
    try {
        finishChunks(chunks, info);
    } catch (...) {
        info.iccProfile.clear();
        info.problem = QStringLiteral("colour profile cannot be read");
    }
    return info;
}

ColorInfo ReadColorInfo(const QByteArray &jpeg) noexcept
{
    QByteArray shared = jpeg;   // QBuffer wants a non-const array; no copy is made
    QBuffer buffer(&shared);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    return ReadColorInfo(buffer);
}

} // namespace vellora::jpeg
