// The Exif reader: finds the Exif APP1 segment of a JPEG file or stream,
// parses its TIFF structure into two entry lists (the main image's IFD0 with
// its Exif, GPS and Interoperability IFDs; the thumbnail's IFD1 with its
// sub-IFDs) and answers typed questions by tag.
//
// Only the header segments of a file are read, never its scan data. Stream
// positions are absolute positions in the stream handed in. Errors are raised
// as EExifError (after OnError had a chance to suppress them), stream read
// errors as EReadError, file errors as IoError. Not thread-safe: the one
// program-wide instance (ExifInfo()) lives on the user-interface thread.
#pragma once

#include "exif/ExifTypes.h"
#include "settings/Errors.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace vellora {

class TStream;
class TExifInfo;

// "TExifInfo: " followed by the text of the error code.
class EExifError : public Error {
public:
    EExifError(int code, const QString &text);
    int code() const noexcept { return FCode; }

private:
    int FCode;
};

// The text belonging to an error code (−1 … −8; anything else is unknown).
QString exifErrorText(int code);

// A rational value. The numerator keeps its historical spelling.
class TExifRational {
public:
    std::int64_t Namerator() const noexcept { return FNamerator; }
    std::int64_t Denominator() const noexcept { return FDenominator; }
    void Set(std::int64_t namerator, std::int64_t denominator) noexcept
    {
        FNamerator = namerator;
        FDenominator = denominator;
    }
    // Namerator / Denominator; infinite or NaN for a zero denominator.
    double Value() const noexcept;
    // "3/4", "-3/4" when exactly one of the two is negative.
    QString Text() const;

private:
    // 64-bit so that unsigned RATIONAL parts above 2^31 keep their value.
    std::int64_t FDenominator = 0;
    std::int64_t FNamerator = 0;
};

// One IFD entry and its values. ASCII and UNDEFINED values are held as one
// block of bytes; every other type as one value per element.
class TEntryItem {
public:
    std::uint16_t Tag() const noexcept { return FTag; }
    std::uint8_t Format() const noexcept { return FFormat; }
    TExifIFD IFD() const noexcept { return FIFD; }
    std::int32_t DataCount() const noexcept { return FDataCount; }
    std::uint32_t ExifDataCount() const noexcept { return FExifDataCount; }
    std::uint32_t Offset() const noexcept { return FOffset; }
    std::uint32_t DataOffset() const noexcept { return FDataOffset; }
    std::uint32_t Position() const noexcept { return FPosition; }

    // The raw value at index (for BYTE … LONG its number, for the rational
    // types the numerator in the low and the denominator in the high 32 bits,
    // for FLOAT and DOUBLE the bit pattern); 0 outside 0 … DataCount − 1.
    std::uint64_t RawValue(std::int32_t index) const noexcept;
    // The block of an ASCII or UNDEFINED entry (empty for other types).
    const QByteArray &Block() const noexcept { return FBlock; }

private:
    friend class TExifInfo;
    friend class TEntryItems;

    std::int32_t FDataCount = 0;
    std::uint32_t FDataOffset = 0;
    std::vector<std::uint64_t> FDatas;
    QByteArray FBlock;
    std::uint32_t FExifDataCount = 0;
    std::uint8_t FFormat = 0;
    TExifIFD FIFD = TExifIFD::eiTIFF;
    std::uint32_t FOffset = 0;
    std::uint32_t FPosition = 0;
    std::uint16_t FTag = 0;
};

// The entries of one image (main or thumbnail) in the order they were read.
class TEntryItems {
public:
    std::int64_t CardinalPoint() const noexcept { return FCardinalPoint; }
    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    const TEntryItem &Items(int index) const { return *FItems.at(static_cast<std::size_t>(index)); }

    TEntryItem &Add(TExifIFD AIFD);
    void Clear() { FItems.clear(); }
    int IFDEntryCount(TExifIFD AIFD) const;
    // Index of the first entry with this tag in this IFD, −1 if none.
    int IndexOfTag(std::uint16_t ATag, TExifIFD AIFD) const;
    const TEntryItem *Find(std::uint16_t ATag, TExifIFD AIFD) const;

private:
    friend class TExifInfo;
    std::int64_t FCardinalPoint = 0;
    std::vector<std::unique_ptr<TEntryItem>> FItems;
};

// A JPEG image held as its encoded bytes, with its pixel size.
struct TJPEGImage {
    QByteArray Data;
    int Width = 0;
    int Height = 0;
};

// A 24-bit bitmap: rows of Width × 3 bytes (R, G, B), top row first.
struct TRgbBitmap {
    QByteArray Pixels;
    int Width = 0;
    int Height = 0;
};

// (ErrCode, AllowError): clear AllowError to suppress the exception.
using TExifReadErrorEvent = std::function<void(TExifInfo &sender, int errCode, bool &allowError)>;
using TExifNotifyEvent = std::function<void(TExifInfo &sender)>;

class TExifInfo {
public:
    TExifInfo();
    ~TExifInfo();
    TExifInfo(const TExifInfo &) = delete;
    TExifInfo &operator=(const TExifInfo &) = delete;

    // True when an Exif APP1 segment is found; never raises for a stream.
    // The file variant raises IoError when the file cannot be opened.
    bool IsExif(const QString &fileName);
    bool IsExif(TStream &stream);

    const QString &ImageFileName() const noexcept { return FImageFileName; }
    // Clears both lists and reads the named file.
    void SetImageFileName(const QString &fileName);
    // The same for a stream positioned at the start of JPEG data.
    void ReadExifData(TStream &stream);

    bool TagExists(std::uint16_t ATag, TExifIFD AIFD) const { return FEntrys.IndexOfTag(ATag, AIFD) >= 0; }
    bool ThmTagExists(std::uint16_t ATag, TExifIFD AIFD) const { return FThmEntrys.IndexOfTag(ATag, AIFD) >= 0; }

    const TEntryItems &Entrys() const noexcept { return FEntrys; }
    const TEntryItems &ThmEntrys() const noexcept { return FThmEntrys; }

    std::int64_t App1Position() const noexcept { return FApp1Position; }
    std::uint16_t ByteOrder() const noexcept { return FByteOrder; }
    std::int64_t OffsetCardinalPoint() const noexcept { return FOffsetCardinalPoint; }
    int JpegWidth() const noexcept { return FJpegWidth; }
    int JpegHeight() const noexcept { return FJpegHeight; }

    std::int32_t SearchBytes() const noexcept { return FSearchBytes; }
    void SetSearchBytes(std::int32_t value) noexcept { FSearchBytes = value < 0 ? 0 : value; }

    // Typed reads of the main list: 0 (or "") when the entry is missing, has
    // another type or the index is outside its values.
    std::uint8_t ReadByte(std::uint16_t ATag, TExifIFD AIFD, int index = 0) const;
    std::uint16_t ReadShort(std::uint16_t ATag, TExifIFD AIFD, int index = 0) const;
    std::uint32_t ReadLong(std::uint16_t ATag, TExifIFD AIFD, int index = 0) const;
    std::int16_t ReadSShort(std::uint16_t ATag, TExifIFD AIFD, int index = 0) const;
    std::int32_t ReadSLong(std::uint16_t ATag, TExifIFD AIFD, int index = 0) const;
    double ReadDouble(std::uint16_t ATag, TExifIFD AIFD, int index = 0) const;
    float ReadFloat(std::uint16_t ATag, TExifIFD AIFD, int index = 0) const;
    QString ReadAscii(std::uint16_t ATag, TExifIFD AIFD) const;
    // RATIONAL or SRATIONAL; the result is one object that every read overwrites.
    const TExifRational &ReadRational(std::uint16_t ATag, TExifIFD AIFD, int index = 0);

    QString DateTimeOriginalText() const;
    // The camera's clock reading, without time zone (held as UTC so that no
    // zone rule shifts it). Raises "日時は不明です" when there is none.
    QDateTime DateTimeOriginal() const;
    std::int32_t SubsecTimeOriginal();
    TExifUserCommentStyle UserCommentStyle() const;
    QString UserComment() const;
    QString ImageDescription();
    TExifOrientation Orientation() const;
    std::uint32_t ExifIFDPointer() const { return ReadLong(34665, TExifIFD::eiTIFF); }
    std::uint32_t GPSInfoIFDPointer() const { return ReadLong(34853, TExifIFD::eiTIFF); }
    std::uint32_t InteroperabilityIFDPointer() const { return ReadLong(40965, TExifIFD::eiExif); }
    std::uint32_t ThmExifIFDPointer() const;
    std::uint32_t ThmInteroperabilityIFDPointer() const;
    std::uint16_t ThmCompression();
    std::uint32_t ThmJPEGInterchangeFormat();

    // True when the thumbnail list points at an embedded JPEG thumbnail.
    bool hasEmbeddedThumbnail() const;
    // The embedded JPEG thumbnail, or the whole image reduced to fit
    // 160 × 120. A null stream opens ImageFileName.
    void GetThumbnail(TJPEGImage &thumb, TStream *stream);
    void GetThumbnail(TRgbBitmap &thumb, TStream *stream);

    TExifReadErrorEvent OnError;
    TExifNotifyEvent OnUpdate;

private:
    void clearEntries();
    void fireUpdate();
    void reportError(int code);
    void readStream(TStream &stream);
    bool parse(TStream &stream);

    std::int64_t FApp1Position = -1;
    std::int64_t FApp1End = -1;   // end of the APP1 segment, for a thumbnail without length
    std::uint16_t FByteOrder = 0;
    TEntryItems FEntrys;
    QString FImageFileName;
    int FJpegHeight = 0;
    int FJpegWidth = 0;
    std::int64_t FOffsetCardinalPoint = 0;
    TExifRational FRationalValue;
    std::int32_t FSearchBytes = 16;
    TEntryItems FThmEntrys;
};

// The one reader of the program, created on first use.
TExifInfo &ExifInfo();

// The Exif orientation (1 to 8) of image bytes in memory; 1 when they hold
// no Exif block, a damaged one or a value outside 1 to 8. Uses a reader of
// its own, so any thread may call it; never throws.
int ExifOrientationOf(const QByteArray &data) noexcept;

// True when image bytes carry the Exif mark of Adobe RGB: ColorSpace
// "uncalibrated" (0xFFFF) with the interoperability index "R03". Like
// ExifOrientationOf, any thread; never throws.
bool ExifMarksAdobeRgb(const QByteArray &data) noexcept;

} // namespace vellora
