#include "exif/ExifInfo.h"

#include "exif/JpegDecoder.h"
#include "exif/JpegEncoder.h"
#include "settings/Codepage.h"
#include "settings/ByteReader.h"
#include "settings/Stream.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace vellora {

namespace {

constexpr std::uint16_t kTagImageDescription = 270;
constexpr std::uint16_t kTagOrientation = 274;
constexpr std::uint16_t kTagCompression = 259;
constexpr std::uint16_t kTagJpegInterchangeFormat = 513;
constexpr std::uint16_t kTagJpegInterchangeFormatLength = 514;
constexpr std::uint16_t kTagExifIfd = 34665;
constexpr std::uint16_t kTagInteroperabilityIfd = 40965;
constexpr std::uint16_t kTagDateTimeOriginal = 36867;
constexpr std::uint16_t kTagUserComment = 37510;
constexpr std::uint16_t kTagSubsecTimeOriginal = 37521;

enum Format : std::uint8_t {
    fmtByte = 1, fmtAscii, fmtShort, fmtLong, fmtRational, fmtSByte, fmtUndefined,
    fmtSShort, fmtSLong, fmtSRational, fmtFloat, fmtDouble,
};

// Bytes per value of each TIFF field type; 0 for type 0 and unknown types.
std::size_t formatSize(std::uint8_t format)
{
    static const std::uint8_t kSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    return format < std::size(kSizes) ? kSizes[format] : 0;
}

// Puts the stream back where it was, also when an error passes.
class PositionGuard {
public:
    explicit PositionGuard(TStream &stream) : FStream(stream), FPosition(stream.Position()) {}
    ~PositionGuard() { FStream.SetPosition(FPosition); }
    PositionGuard(const PositionGuard &) = delete;
    PositionGuard &operator=(const PositionGuard &) = delete;

private:
    TStream &FStream;
    std::int64_t FPosition;
};

// JPEG marker words are big-endian whatever the Exif byte order.
std::uint16_t readWord(TStream &stream)
{
    std::uint8_t b[2];
    stream.ReadBuffer(b, 2);
    return static_cast<std::uint16_t>((b[0] << 8) | b[1]);
}

bool isStartOfFrame(std::uint16_t marker)
{
    if (marker < 0xFFC0 || marker > 0xFFCF)
        return false;
    // C4 (Huffman tables), C8 (reserved) and CC (arithmetic conditioning) are not frames.
    return marker != 0xFFC4 && marker != 0xFFC8 && marker != 0xFFCC;
}

bool isStartOfScanOrEnd(std::uint16_t marker)
{
    return marker == 0xFFDA || marker == 0xFFD9;
}

// The frame size from the start-of-frame segment. A short stream raises
// EReadError; a header that reaches the scan or stops looking like JPEG
// segments has no frame size, so that only header bytes are ever read.
void readFrameSize(TStream &stream, int &width, int &height)
{
    width = 0;
    height = 0;
    PositionGuard guard(stream);
    if (stream.Remaining() < 2 || readWord(stream) != 0xFFD8)
        return;
    for (;;) {
        const std::uint16_t marker = readWord(stream);
        if ((marker >> 8) != 0xFF || isStartOfScanOrEnd(marker))
            return;
        const std::uint16_t length = readWord(stream);
        if (isStartOfFrame(marker)) {
            stream.Seek(1, SeekOrigin::Current);
            height = readWord(stream);
            width = readWord(stream);
            return;
        }
        stream.Seek(std::int64_t(length) - 2, SeekOrigin::Current);
    }
}

// Whether the APP1 segment at position holds Exif data (and not, say, XMP).
bool isExifSegment(TStream &stream, std::int64_t position)
{
    char id[4];
    stream.SetPosition(position + 4);
    return stream.Read(id, 4) == 4 && std::memcmp(id, "Exif", 4) == 0;
}

// Position of the Exif APP1 marker, or −1. Never raises.
std::int64_t findApp1(TStream &stream, std::int32_t searchBytes)
{
    try {
        PositionGuard guard(stream);
        if (readWord(stream) != 0xFFD8)
            return -1;
        std::uint16_t marker = readWord(stream);
        if ((marker >> 8) == 0xFF && (marker & 0xFF) >= 0xE0 && (marker & 0xFF) <= 0xEF) {
            std::int64_t markerPos = stream.Position() - 2;
            for (;;) {
                // An APP1 that is not Exif (XMP comes first in some files) is passed over.
                if (marker == 0xFFE1 && isExifSegment(stream, markerPos))
                    return markerPos;
                if ((marker >> 8) != 0xFF || isStartOfScanOrEnd(marker))
                    return -1;
                stream.SetPosition(markerPos + 2);
                const std::uint16_t length = readWord(stream);
                if (length < 2)
                    return -1;
                markerPos += 2 + length;
                stream.SetPosition(markerPos);
                marker = readWord(stream);
            }
        }
        // The file does not begin with APPn segments: look for the marker in
        // the next few bytes.
        std::int32_t count = 0;
        for (;;) {
            std::uint8_t b = stream.ReadU8();
            ++count;
            if (b == 0xFF) {
                if (stream.ReadU8() == 0xE1)
                    return stream.Position() - 2;
                stream.Seek(-1, SeekOrigin::Current);
            }
            if (count > searchBytes)
                return -1;
        }
    } catch (...) {
        return -1;
    }
}

template <typename T>
T valueOf(const TEntryItems &list, std::uint16_t tag, TExifIFD ifd, std::uint8_t format, int index)
{
    const TEntryItem *item = list.Find(tag, ifd);
    if (!item || item->Format() != format)
        return T(0);
    return static_cast<T>(item->RawValue(index));
}

// Reads one IFD at base + offset into list; returns the next-IFD offset.
std::uint32_t readIfd(ByteReader &reader, std::size_t base, std::uint32_t offset, TExifIFD ifd,
                      TEntryItems &list, const std::function<void(TEntryItem &, ByteReader &)> &readEntry)
{
    reader.seek(base + offset);
    const std::uint16_t count = reader.u16();
    if (std::size_t(count) * 12 > reader.remaining())
        reader.fail(QStringLiteral("IFD of %1 entries exceeds the %2 bytes left").arg(count).arg(reader.remaining()));
    for (std::uint16_t i = 0; i < count; ++i) {
        TEntryItem &item = list.Add(ifd);
        readEntry(item, reader);
    }
    return reader.u32();
}

} // namespace

// ---------------------------------------------------------------------------

EExifError::EExifError(int code, const QString &text)
    : Error(QStringLiteral("TExifInfo: ") + text), FCode(code)
{
}

QString exifErrorText(int code)
{
    switch (code) {
    case -1: return QCoreApplication::translate("vellora", "ファイルが見つかりません");
    case -2: return QCoreApplication::translate("vellora", "Exif、またはDCF形式ではありません");
    case -3: return QCoreApplication::translate("vellora", "ユーザコメントは不明な形式です");
    case -4: return QCoreApplication::translate("vellora", "ASCII文字以外は書き込みできません");
    case -5: return QCoreApplication::translate("vellora", "不正なストリーム");
    case -6: return QCoreApplication::translate("vellora", "不正なインデックス");
    case -7: return QCoreApplication::translate("vellora", "タグが見つかりません");
    case -8: return QCoreApplication::translate("vellora", "日時は不明です");
    default: return QCoreApplication::translate("vellora", "不明なエラーです");
    }
}

double TExifRational::Value() const noexcept
{
    return static_cast<double>(FNamerator) / static_cast<double>(FDenominator);
}

QString TExifRational::Text() const
{
    const bool negative = (FNamerator < 0) != (FDenominator < 0);
    return QStringLiteral("%1%2/%3")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(FNamerator < 0 ? -FNamerator : FNamerator)
        .arg(FDenominator < 0 ? -FDenominator : FDenominator);
}

std::uint64_t TEntryItem::RawValue(std::int32_t index) const noexcept
{
    if (index < 0 || index >= FDataCount || static_cast<std::size_t>(index) >= FDatas.size())
        return 0;
    return FDatas[static_cast<std::size_t>(index)];
}

TEntryItem &TEntryItems::Add(TExifIFD AIFD)
{
    FItems.push_back(std::make_unique<TEntryItem>());
    FItems.back()->FIFD = AIFD;
    return *FItems.back();
}

int TEntryItems::IFDEntryCount(TExifIFD AIFD) const
{
    return static_cast<int>(std::count_if(FItems.begin(), FItems.end(),
                                          [AIFD](const auto &item) { return item->FIFD == AIFD; }));
}

int TEntryItems::IndexOfTag(std::uint16_t ATag, TExifIFD AIFD) const
{
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        if (FItems[i]->FTag == ATag && FItems[i]->FIFD == AIFD)
            return static_cast<int>(i);
    }
    return -1;
}

const TEntryItem *TEntryItems::Find(std::uint16_t ATag, TExifIFD AIFD) const
{
    const int index = IndexOfTag(ATag, AIFD);
    return index < 0 ? nullptr : FItems[static_cast<std::size_t>(index)].get();
}

// ---------------------------------------------------------------------------

TExifInfo::TExifInfo() = default;
TExifInfo::~TExifInfo() = default;

bool TExifInfo::IsExif(const QString &fileName)
{
    TFileStream stream(fileName, TFileStream::Mode::Read);
    return IsExif(stream);
}

bool TExifInfo::IsExif(TStream &stream)
{
    return findApp1(stream, FSearchBytes) >= 0;
}

void TExifInfo::clearEntries()
{
    FEntrys.Clear();
    FThmEntrys.Clear();
    FApp1Position = -1;
    FApp1End = -1;
}

void TExifInfo::fireUpdate()
{
    if (OnUpdate)
        OnUpdate(*this);
}

void TExifInfo::reportError(int code)
{
    bool allowError = true;
    if (OnError)
        OnError(*this, code, allowError);
    if (allowError)
        throw EExifError(code, exifErrorText(code));
}

void TExifInfo::SetImageFileName(const QString &fileName)
{
    FImageFileName = fileName;
    if (fileName.isEmpty())
        return;
    clearEntries();
    if (!QFileInfo::exists(fileName)) {
        FJpegWidth = 0;
        FJpegHeight = 0;
        fireUpdate();
        reportError(-1);
        return;
    }
    TFileStream stream(fileName, TFileStream::Mode::Read);
    readStream(stream);
}

void TExifInfo::ReadExifData(TStream &stream)
{
    clearEntries();
    fireUpdate();
    readStream(stream);
}

void TExifInfo::readStream(TStream &stream)
{
    readFrameSize(stream, FJpegWidth, FJpegHeight);
    FApp1Position = findApp1(stream, FSearchBytes);
    if (FApp1Position < 0) {
        reportError(-2);
        return;
    }
    if (!parse(stream))
        reportError(-5);
}

bool TExifInfo::parse(TStream &stream)
{
    PositionGuard guard(stream);
    QByteArray segment;
    std::size_t base = 0;
    try {
        // Only the APP1 segment is read; every offset must point inside it.
        stream.SetPosition(FApp1Position + 2);
        const std::uint16_t length = readWord(stream);
        const std::int64_t size = std::min<std::int64_t>(2 + std::int64_t(length), stream.Size() - FApp1Position);
        FApp1End = FApp1Position + size;
        stream.SetPosition(FApp1Position);
        segment = stream.ReadBytes(size);
        ByteReader reader(segment, FImageFileName.isEmpty() ? QStringLiteral("Exif") : FImageFileName,
                          Endian::Big);
        // Pass the segment length and the "Exif" identifier with its two zero bytes.
        reader.seek(2);
        int zeros = 0;
        for (;;) {
            const std::uint8_t b = reader.u8();
            if (b == 0)
                ++zeros;
            else if (zeros >= 2)
                break;
        }
        base = reader.pos() - 1;
        reader.seek(base);
        FOffsetCardinalPoint = FApp1Position + std::int64_t(base);
        FEntrys.FCardinalPoint = FOffsetCardinalPoint;
        FThmEntrys.FCardinalPoint = FOffsetCardinalPoint;
        const std::uint8_t order0 = reader.u8();
        const std::uint8_t order1 = reader.u8();
        FByteOrder = static_cast<std::uint16_t>((order0 << 8) | order1);
        reader.setEndian(FByteOrder == 0x4949 ? Endian::Little : Endian::Big);
        reader.skip(2);
        const std::uint32_t ifd0 = reader.u32();

        const auto readEntry = [base](TEntryItem &item, ByteReader &r) {
            item.FTag = r.u16();
            item.FFormat = static_cast<std::uint8_t>(r.u16());
            item.FExifDataCount = r.u32();
            const std::uint64_t total = std::uint64_t(item.FExifDataCount) * formatSize(item.FFormat);
            const std::size_t valueField = r.pos();
            if (total > 4) {
                item.FOffset = r.u32();
                r.seek(base + item.FOffset);
            }
            if (total > r.remaining())
                r.fail(QStringLiteral("tag %1: %2 value bytes exceed the %3 bytes left")
                           .arg(item.FTag).arg(total).arg(r.remaining()));
            const std::uint32_t count = item.FExifDataCount;
            if (item.FTag == kTagUserComment && item.FIFD == TExifIFD::eiExif && item.FFormat == fmtAscii)
                item.FFormat = fmtUndefined;
            switch (item.FFormat) {
            case fmtAscii:
            case fmtUndefined:
                item.FBlock = r.byteArray(count);
                item.FDataCount = 1;
                break;
            default:
                if (formatSize(item.FFormat) == 0)
                    break;
                item.FDatas.reserve(count);
                for (std::uint32_t i = 0; i < count; ++i) {
                    switch (item.FFormat) {
                    case fmtByte:
                    case fmtSByte: item.FDatas.push_back(r.u8()); break;
                    case fmtShort:
                    case fmtSShort: item.FDatas.push_back(r.u16()); break;
                    case fmtRational:
                    case fmtSRational: {
                        const std::uint64_t num = r.u32();
                        const std::uint64_t den = r.u32();
                        item.FDatas.push_back(num | (den << 32));
                        break;
                    }
                    case fmtDouble: item.FDatas.push_back(r.u64()); break;
                    default: item.FDatas.push_back(r.u32()); break;   // LONG, SLONG, FLOAT
                    }
                }
                item.FDataCount = static_cast<std::int32_t>(count);
            }
            r.seek(valueField + 4);
        };

        TEntryItems *filling = &FEntrys;
        try {
            const std::uint32_t ifd1 = readIfd(reader, base, ifd0, TExifIFD::eiTIFF, FEntrys, readEntry);
            if (const std::uint32_t p = ExifIFDPointer())
                readIfd(reader, base, p, TExifIFD::eiExif, FEntrys, readEntry);
            if (const std::uint32_t p = GPSInfoIFDPointer())
                readIfd(reader, base, p, TExifIFD::eiGPS, FEntrys, readEntry);
            if (const std::uint32_t p = InteroperabilityIFDPointer())
                readIfd(reader, base, p, TExifIFD::eiInteroperability, FEntrys, readEntry);
            if (ifd1 != 0) {
                filling = &FThmEntrys;
                readIfd(reader, base, ifd1, TExifIFD::eiTIFF, FThmEntrys, readEntry);
                if (const std::uint32_t p = ThmExifIFDPointer())
                    readIfd(reader, base, p, TExifIFD::eiExif, FThmEntrys, readEntry);
                if (const std::uint32_t p = ThmInteroperabilityIFDPointer())
                    readIfd(reader, base, p, TExifIFD::eiInteroperability, FThmEntrys, readEntry);
            }
        } catch (...) {
            filling->Clear();
            throw;
        }
    } catch (const std::exception &) {
        return false;
    }
    fireUpdate();
    return true;
}

// --- typed reads -----------------------------------------------------------

std::uint8_t TExifInfo::ReadByte(std::uint16_t ATag, TExifIFD AIFD, int index) const
{
    return valueOf<std::uint8_t>(FEntrys, ATag, AIFD, fmtByte, index);
}

std::uint16_t TExifInfo::ReadShort(std::uint16_t ATag, TExifIFD AIFD, int index) const
{
    return valueOf<std::uint16_t>(FEntrys, ATag, AIFD, fmtShort, index);
}

std::uint32_t TExifInfo::ReadLong(std::uint16_t ATag, TExifIFD AIFD, int index) const
{
    return valueOf<std::uint32_t>(FEntrys, ATag, AIFD, fmtLong, index);
}

std::int16_t TExifInfo::ReadSShort(std::uint16_t ATag, TExifIFD AIFD, int index) const
{
    return static_cast<std::int16_t>(valueOf<std::uint16_t>(FEntrys, ATag, AIFD, fmtSShort, index));
}

std::int32_t TExifInfo::ReadSLong(std::uint16_t ATag, TExifIFD AIFD, int index) const
{
    return static_cast<std::int32_t>(valueOf<std::uint32_t>(FEntrys, ATag, AIFD, fmtSLong, index));
}

double TExifInfo::ReadDouble(std::uint16_t ATag, TExifIFD AIFD, int index) const
{
    const std::uint64_t bits = valueOf<std::uint64_t>(FEntrys, ATag, AIFD, fmtDouble, index);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

float TExifInfo::ReadFloat(std::uint16_t ATag, TExifIFD AIFD, int index) const
{
    const std::uint32_t bits = valueOf<std::uint32_t>(FEntrys, ATag, AIFD, fmtFloat, index);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

QString TExifInfo::ReadAscii(std::uint16_t ATag, TExifIFD AIFD) const
{
    const TEntryItem *item = FEntrys.Find(ATag, AIFD);
    if (!item || item->Format() != fmtAscii)
        return QString();
    const QByteArray &block = item->Block();
    const qsizetype end = block.indexOf('\0');
    return DecodeCp932(end < 0 ? block : block.left(end));
}

const TExifRational &TExifInfo::ReadRational(std::uint16_t ATag, TExifIFD AIFD, int index)
{
    FRationalValue.Set(0, 0);
    const TEntryItem *item = FEntrys.Find(ATag, AIFD);
    if (!item)
        return FRationalValue;
    const std::uint64_t raw = item->RawValue(index);
    const auto num = static_cast<std::uint32_t>(raw);
    const auto den = static_cast<std::uint32_t>(raw >> 32);
    if (item->Format() == fmtRational)
        FRationalValue.Set(num, den);
    else if (item->Format() == fmtSRational)
        FRationalValue.Set(static_cast<std::int32_t>(num), static_cast<std::int32_t>(den));
    return FRationalValue;
}

// --- properties ------------------------------------------------------------

QString TExifInfo::DateTimeOriginalText() const
{
    return ReadAscii(kTagDateTimeOriginal, TExifIFD::eiExif);
}

QDateTime TExifInfo::DateTimeOriginal() const
{
    const QString text = DateTimeOriginalText();
    if (!text.contains(QLatin1Char(':')))
        throw EExifError(-8, exifErrorText(-8));
    const auto field = [&text](qsizetype from, qsizetype length) {
        bool ok = false;
        const int value = text.mid(from, length).trimmed().toInt(&ok);
        return ok ? value : 65535;
    };
    const int year = field(0, 4), month = field(5, 2), day = field(8, 2);
    const int hour = field(11, 2), minute = field(14, 2), second = field(17, 2);
    for (int v : {year, month, day, hour, minute, second}) {
        if (v == 65535)
            throw EExifError(-8, exifErrorText(-8));
    }
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        throw Error(QStringLiteral("'%1' is not a valid date and time").arg(text));
    return QDateTime(date, time, Qt::UTC);
}

std::int32_t TExifInfo::SubsecTimeOriginal()
{
    const TEntryItem *item = FEntrys.Find(kTagSubsecTimeOriginal, TExifIFD::eiExif);
    if (!item) {
        reportError(-7);
        return 0;
    }
    bool ok = false;
    const std::int32_t value = ReadAscii(kTagSubsecTimeOriginal, TExifIFD::eiExif).trimmed().toInt(&ok);
    if (!ok) {
        reportError(-8);
        return 0;
    }
    return value;
}

TExifUserCommentStyle TExifInfo::UserCommentStyle() const
{
    const TEntryItem *item = FEntrys.Find(kTagUserComment, TExifIFD::eiExif);
    if (!item)
        return TExifUserCommentStyle::ucUnknown;
    QByteArray code = item->Block().left(8);
    code.replace('\0', QByteArray());
    code = code.toUpper();
    if (code == "UNICODE")
        return TExifUserCommentStyle::ucUnicode;
    if (code == "JIS")
        return TExifUserCommentStyle::ucJIS;
    if (code.isEmpty())
        return TExifUserCommentStyle::ucUndefined;
    if (code == "ASCII")
        return TExifUserCommentStyle::ucAscii;
    return TExifUserCommentStyle::ucUnknown;
}

QString TExifInfo::UserComment() const
{
    const TEntryItem *item = FEntrys.Find(kTagUserComment, TExifIFD::eiExif);
    if (!item)
        return QString();
    const QByteArray text = item->Block().mid(8);
    switch (UserCommentStyle()) {
    case TExifUserCommentStyle::ucJIS:
        return DecodeIso2022Jp(text);
    case TExifUserCommentStyle::ucUnicode: {
        const auto unitAt = [&text](qsizetype i, bool bigEndian) {
            const auto a = static_cast<std::uint8_t>(text[2 * i]);
            const auto b = static_cast<std::uint8_t>(text[2 * i + 1]);
            return static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
        };
        const qsizetype units = text.size() / 2;
        qsizetype first = 0;
        bool bigEndian = true;
        if (units > 0) {
            const char16_t mark = unitAt(0, true);
            if (mark == 0xFFFE) {
                bigEndian = false;
                first = 1;
            } else if (mark == 0xFEFF) {
                first = 1;
            }
        }
        QString result;
        result.reserve(units - first);
        for (qsizetype i = first; i < units; ++i)
            result.append(QChar(unitAt(i, bigEndian)));
        return result;
    }
    default:
        return DecodeCp932(text);
    }
}

QString TExifInfo::ImageDescription()
{
    if (!TagExists(kTagImageDescription, TExifIFD::eiTIFF)) {
        reportError(-7);
        return QString();
    }
    return ReadAscii(kTagImageDescription, TExifIFD::eiTIFF);
}

TExifOrientation TExifInfo::Orientation() const
{
    if (!TagExists(kTagOrientation, TExifIFD::eiTIFF))
        return TExifOrientation::eoTopLeft;
    const std::uint16_t value = ReadShort(kTagOrientation, TExifIFD::eiTIFF);
    return value > 8 ? TExifOrientation::eoReserved : static_cast<TExifOrientation>(value);
}

std::uint32_t TExifInfo::ThmExifIFDPointer() const
{
    return valueOf<std::uint32_t>(FThmEntrys, kTagExifIfd, TExifIFD::eiTIFF, fmtLong, 0);
}

std::uint32_t TExifInfo::ThmInteroperabilityIFDPointer() const
{
    return valueOf<std::uint32_t>(FThmEntrys, kTagInteroperabilityIfd, TExifIFD::eiExif, fmtLong, 0);
}

std::uint16_t TExifInfo::ThmCompression()
{
    if (!ThmTagExists(kTagCompression, TExifIFD::eiTIFF)) {
        reportError(-7);
        return 0;
    }
    return valueOf<std::uint16_t>(FThmEntrys, kTagCompression, TExifIFD::eiTIFF, fmtShort, 0);
}

std::uint32_t TExifInfo::ThmJPEGInterchangeFormat()
{
    if (!ThmTagExists(kTagJpegInterchangeFormat, TExifIFD::eiTIFF)) {
        reportError(-7);
        return 0;
    }
    return valueOf<std::uint32_t>(FThmEntrys, kTagJpegInterchangeFormat, TExifIFD::eiTIFF, fmtLong, 0);
}

// --- thumbnails ------------------------------------------------------------

namespace {

// Thumbnails are made from images of at most this many decoded pixels.
constexpr std::uint64_t kMaxThumbnailSourcePixels = 64ULL * 1024 * 1024;

jpeg::JpegSize headerSize(const QByteArray &data)
{
    jpeg::JpegSize size;
    if (!jpeg::ProbeSize(data, size))
        throw jpeg::JpegError(QStringLiteral("no readable JPEG header"));
    return size;
}

} // namespace

bool TExifInfo::hasEmbeddedThumbnail() const
{
    return ThmTagExists(kTagCompression, TExifIFD::eiTIFF)
        && valueOf<std::uint16_t>(FThmEntrys, kTagCompression, TExifIFD::eiTIFF, fmtShort, 0) == 6
        && valueOf<std::uint32_t>(FThmEntrys, kTagJpegInterchangeFormat, TExifIFD::eiTIFF, fmtLong, 0) != 0;
}

void TExifInfo::GetThumbnail(TJPEGImage &thumb, TStream *stream)
{
    std::unique_ptr<TFileStream> file;
    if (!stream) {
        file = std::make_unique<TFileStream>(FImageFileName, TFileStream::Mode::Read);
        stream = file.get();
    }
    if (hasEmbeddedThumbnail()) {
        PositionGuard guard(*stream);
        const std::int64_t start = FOffsetCardinalPoint
            + valueOf<std::uint32_t>(FThmEntrys, kTagJpegInterchangeFormat, TExifIFD::eiTIFF, fmtLong, 0);
        const std::uint32_t length =
            valueOf<std::uint32_t>(FThmEntrys, kTagJpegInterchangeFormatLength, TExifIFD::eiTIFF, fmtLong, 0);
        // Without a length the thumbnail can only reach the end of the Exif segment.
        std::int64_t end = length != 0 ? start + length : FApp1End;
        end = std::min(end, stream->Size());
        if (start >= end)
            throw EExifError(-5, exifErrorText(-5));
        stream->SetPosition(start);
        thumb.Data = stream->ReadBytes(end - start);
        const jpeg::JpegSize size = headerSize(thumb.Data);
        thumb.Width = size.width;
        thumb.Height = size.height;
        return;
    }
    // No embedded thumbnail: reduce the whole image to fit 160 × 120.
    QByteArray whole = stream->ReadBytes(stream->Remaining());
    const jpeg::JpegSize size = headerSize(whole);
    if (size.width <= 0 || size.height <= 0)
        throw EExifError(-5, exifErrorText(-5));
    const double scale = std::min({160.0 / size.width, 120.0 / size.height, 1.0});
    const int width = std::max(1, static_cast<int>(size.width * scale));
    const int height = std::max(1, static_cast<int>(size.height * scale));
    jpeg::DecodeOptions options;
    options.reduction = jpeg::ReductionFor(size, width, height);
    options.maxPixels = kMaxThumbnailSourcePixels;
    const jpeg::Pixels decoded = jpeg::Decode(whole, options);
    whole.clear();
    jpeg::Pixels reduced;
    reduced.width = width;
    reduced.height = height;
    reduced.data.resize(qsizetype(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const int sy = static_cast<int>(std::int64_t(y) * decoded.height / height);
        for (int x = 0; x < width; ++x) {
            const int sx = static_cast<int>(std::int64_t(x) * decoded.width / width);
            std::memcpy(reduced.data.data() + (qsizetype(y) * width + x) * 3,
                        decoded.data.constData() + (qsizetype(sy) * decoded.width + sx) * 3, 3);
        }
    }
    thumb.Data = jpeg::Encode(reduced, 90);
    thumb.Width = width;
    thumb.Height = height;
}

void TExifInfo::GetThumbnail(TRgbBitmap &thumb, TStream *stream)
{
    TJPEGImage jpegThumb;
    GetThumbnail(jpegThumb, stream);
    jpeg::DecodeOptions options;
    options.maxPixels = kMaxThumbnailSourcePixels;
    const jpeg::Pixels pixels = jpeg::Decode(jpegThumb.Data, options);
    thumb.Pixels = pixels.data;
    thumb.Width = pixels.width;
    thumb.Height = pixels.height;
}

TExifInfo &ExifInfo()
{
    static TExifInfo instance;
    return instance;
}

int ExifOrientationOf(const QByteArray &data) noexcept
{
    try {
        TMemoryStream stream(data);
        TExifInfo reader;
        // A damaged block only means that nothing is known.
        reader.OnError = [](TExifInfo &, int, bool &allowError) { allowError = false; };
        if (!reader.IsExif(stream))
            return 1;
        reader.ReadExifData(stream);
        const int value = static_cast<int>(reader.Orientation());
        return value >= 1 && value <= 8 ? value : 1;
    } catch (...) {
        return 1;
    }
}

bool ExifMarksAdobeRgb(const QByteArray &data) noexcept
{
    constexpr std::uint16_t kTagColorSpace = 40961;
    constexpr std::uint16_t kTagInteropIndex = 1;
    try {
        TMemoryStream stream(data);
        TExifInfo reader;
        reader.OnError = [](TExifInfo &, int, bool &allowError) { allowError = false; };
        if (!reader.IsExif(stream))
            return false;
        reader.ReadExifData(stream);
        return reader.ReadShort(kTagColorSpace, TExifIFD::eiExif) == 0xFFFF
               && reader.ReadAscii(kTagInteropIndex, TExifIFD::eiInteroperability).trimmed() == QLatin1String("R03");
    } catch (...) {
        return false;
    }
}

} // namespace vellora
