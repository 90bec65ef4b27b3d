#include "model/ImageInfo.h"

#include "model/PhotoTurn.h"
#include "settings/Helpers.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <cmath>
#include <limits>

namespace vellora {

template <> constexpr std::uint8_t EnumCount<TExifOrientation>() { return 9; }

namespace {

constexpr qint64 kMSecsPerDay = 86400000;
const QDate kDateTimeEpoch(1899, 12, 30);

// The size of an image record's header: the length and the kind.
constexpr std::uint32_t kImageRecordHeader = 5;
constexpr std::uint8_t kKindOwnFormat = 0;
constexpr std::uint8_t kKindPng = 1;

// Sub-second Exif tag of the Exif IFD and the description tag of IFD0.
constexpr std::uint16_t kTagSubsecTimeOriginal = 37521;
constexpr std::uint16_t kTagImageDescription = 270;

// Blanks and control characters at both ends go, as the comment is shown on
// one line.
QString trimControls(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

// Whether the file exists as a regular file. Devices and pipes do not count:
// a name read from a document must never make us block on a read.
bool regularFileExists(const QString &fileName)
{
    return !fileName.isEmpty() && QFileInfo(fileName).isFile();
}

// The shot time with the Exif sub-seconds as its milliseconds; throws when
// they are out of range, like the date-time encoder does.
QDateTime withMilliseconds(const QDateTime &shotTime, std::int32_t milliseconds)
{
    if (milliseconds < 0 || milliseconds >= 1000)
        throw Error(QStringLiteral("invalid sub-second value %1").arg(milliseconds));
    const QTime t = shotTime.time();
    return QDateTime(shotTime.date(), QTime(t.hour(), t.minute(), t.second(), milliseconds));
}

// BMP and PNG files are stored as PNG; note that a name without an extension
// passes this test too, as ";" alone occurs in the list.
bool storedAsPng(const QString &fileName)
{
    const QFileInfo info(fileName);
    const QString ext = info.suffix().isEmpty() && !fileName.endsWith(QLatin1Char('.'))
                            ? QString()
                            : QLatin1Char('.') + info.suffix().toLower();
    return QStringLiteral(".bmp;.dib;.png;").contains(ext + QLatin1Char(';'));
}

// Decodes the file and draws it over white into a 24-bit image, as PNG bytes.
QByteArray pngOverWhite(const QString &fileName)
{
    QImageReader reader(fileName);
    reader.setDecideFormatFromContent(true);
    const QImage source = reader.read();
    if (source.isNull())
        throw Error(QStringLiteral("%1: cannot read the image (%2)").arg(fileName, reader.errorString()));
    QImage canvas(source.size(), QImage::Format_RGB888);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        painter.drawImage(0, 0, source);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!canvas.save(&buffer, "PNG"))
        throw Error(QStringLiteral("%1: cannot convert the image to PNG").arg(fileName));
    return png;
}

// The locale's long time format without its time-zone field: a file time is
// always local, and the zone would only clutter the column.
QString longTimeFormat(const QLocale &locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (quoted || c != QLatin1Char('t'))
            result += c;
    }
    return result.trimmed();
}

QByteArray fileBytes(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw IoError(fileName, 0, file.errorString());
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw IoError(fileName, 0, file.errorString());
    return data;
}

void writeImageRecordHeader(TStream &stream, std::int64_t dataSize, std::uint8_t kind)
{
    // The length field is 32 bits; a larger image would corrupt the document.
    if (dataSize > std::numeric_limits<std::uint32_t>::max() - kImageRecordHeader)
        throw Error(QStringLiteral("an image of %1 bytes is too large to embed").arg(dataSize));
    stream.WriteU32(static_cast<std::uint32_t>(dataSize) + kImageRecordHeader);
    stream.WriteU8(kind);
}

// Reads an image record's length at the current position and checks that the
// record lies within the stream.
std::uint32_t readImageRecordLength(TStream &stream)
{
    const std::int64_t start = stream.Position();
    const std::uint32_t length = stream.ReadU32();
    if (length < kImageRecordHeader)
        throw FormatError(QStringLiteral("image record"), start,
                          QStringLiteral("length %1 is shorter than its header").arg(length));
    if (static_cast<std::int64_t>(length) - 4 > stream.Remaining())
        throw EReadError();
    return length;
}

} // namespace

TDateTime DateTimeFromQt(const QDateTime &value)
{
    const QDateTime local = value.toLocalTime();
    const double days = static_cast<double>(kDateTimeEpoch.daysTo(local.date()));
    const double fraction = static_cast<double>(local.time().msecsSinceStartOfDay()) / kMSecsPerDay;
    // Before the epoch the fraction still counts forward from midnight.
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime DateTimeToQt(TDateTime value)
{
    // 1 Jan 0001 to 31 Dec 9999; anything else (a damaged document) is no date.
    if (!std::isfinite(value) || value < -693593.0 || value >= 2958466.0)
        return {};
    const double days = std::trunc(value);
    auto msecs = static_cast<qint64>(std::llround(std::fabs(value - days) * kMSecsPerDay));
    qint64 wholeDays = static_cast<qint64>(days);
    if (msecs >= kMSecsPerDay) {
        msecs -= kMSecsPerDay;
        wholeDays += value >= 0 ? 1 : -1;
    }
    return QDateTime(kDateTimeEpoch.addDays(wholeDays), QTime::fromMSecsSinceStartOfDay(static_cast<int>(msecs)));
}

QString FileSizeText(std::int64_t size, const QLocale &locale)
{
    const auto value = static_cast<double>(size);
    if (size < 2048)
        return locale.toString(value, 'f', 0) + QCoreApplication::translate("vellora", " バイト");
    if (size < 2097152)
        return locale.toString(value / 1024, 'f', 1) + QStringLiteral(" KB");
    return locale.toString(value / 1048576, 'f', 2) + QStringLiteral(" MB");
}

QString FileTimeText(TDateTime time, const QLocale &locale)
{
    if (time == 0)
        return QStringLiteral("-");
    const QDateTime dt = DateTimeToQt(time);
    if (!dt.isValid())
        return QStringLiteral("-");
    QString text = locale.toString(dt.date(), QLocale::ShortFormat);
    if (dt.time() != QTime(0, 0))
        text += QLatin1Char(' ') + locale.toString(dt.time(), longTimeFormat(locale));
    return text;
}

TIntSize TImageInfo::UprightImageSize() const noexcept
{
    const int orientation = static_cast<int>(FOrientation);
    if (ExifRotate() && orientation >= 5 && orientation <= 8)
        return {FImageSize.cy, FImageSize.cx};
    return FImageSize;
}

QString ImageSizeText(TIntSize size)
{
    if (size.cx == 0 || size.cy == 0)
        return QCoreApplication::translate("vellora", "(なし)");
    return QCoreApplication::translate("vellora", "%1×%2 ピクセル").arg(size.cx).arg(size.cy);
}

QString ShotTimeText(TDateTime time)
{
    if (time == 0)
        return QCoreApplication::translate("vellora", "(なし)");
    const QDateTime dt = DateTimeToQt(time);
    if (!dt.isValid())
        return QCoreApplication::translate("vellora", "(なし)");
    // Fixed separators and C digits: the text must not depend on the locale.
    return dt.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")) + QLatin1Char('.') +
           QString::number(dt.time().msec());
}

// ---------------------------------------------------------------------------

void TPhotoOption::Assign(const TPhotoOption &source)
{
    if (&source == this)
        return;
    FComment = source.FComment;
    FCopies = source.FCopies;
    FHorizontalAlign = source.FHorizontalAlign;
    FParentAlign = source.FParentAlign;
    FParentRotate = source.FParentRotate;
    FParentSize = source.FParentSize;
    FPhotoScale = source.FPhotoScale;
    FPhotoSize = source.FPhotoSize;
    FRotate = source.FRotate;
    FScaleLimit = source.FScaleLimit;
    FTrueRotate = source.FTrueRotate;
    FVerticalAlign = source.FVerticalAlign;
}

void TPhotoOption::SaveToStream(TStream &stream) const
{
    WriteStringsToStream(stream, FComment);
    stream.WriteU8(FCopies);
    stream.WriteU8(Ord(FHorizontalAlign));
    stream.WriteU8(Ord(FVerticalAlign));
    stream.WriteDouble(FPhotoScale);
    stream.WriteU8(Ord(FPhotoSize));
    stream.WriteU8(Ord(FScaleLimit));
    stream.WriteU8(Ord(FRotate));
    stream.WriteU8(Ord(FParentAlign));
    stream.WriteU8(Ord(FParentRotate));
    stream.WriteU8(Ord(FParentSize));
}

void TPhotoOption::LoadFromStream(TStream &stream)
{
    // Read into locals first so that a short record leaves the options as they were.
    QStringList comment;
    ReadStringsFromStream(stream, comment);
    const std::uint8_t copies = stream.ReadU8();
    const auto horizontalAlign = DecodeEnum<TPhotoAlign>(stream.ReadU8(), "TPhotoAlign");
    const auto verticalAlign = DecodeEnum<TPhotoAlign>(stream.ReadU8(), "TPhotoAlign");
    const double photoScale = stream.ReadDouble();
    const auto photoSize = DecodeEnum<TPhotoSize>(stream.ReadU8(), "TPhotoSize");
    const auto scaleLimit = DecodeEnum<TPhotoLimitMode>(stream.ReadU8(), "TPhotoLimitMode");
    const auto rotate = DecodeEnum<TPhotoRotate>(stream.ReadU8(), "TPhotoRotate");
    const auto parentAlign = DecodeEnum<TParentMode>(stream.ReadU8(), "TParentMode");
    const auto parentRotate = DecodeEnum<TParentMode>(stream.ReadU8(), "TParentMode");
    const auto parentSize = DecodeEnum<TParentMode>(stream.ReadU8(), "TParentMode");

    FComment = std::move(comment);
    FCopies = copies;
    FHorizontalAlign = horizontalAlign;
    FVerticalAlign = verticalAlign;
    FPhotoScale = photoScale;
    FPhotoSize = photoSize;
    FScaleLimit = scaleLimit;
    FRotate = rotate;
    FParentAlign = parentAlign;
    FParentRotate = parentRotate;
    FParentSize = parentSize;
    if (FOnLoad)
        FOnLoad(this);
}

// ---------------------------------------------------------------------------

TImageInfo::TImageInfo()
{
    FOptions.SetOnLoad([this](void *) {
        if (FOnOptionLoad)
            FOnOptionLoad(this);
    });
}

void TImageInfo::SetFileName(const QString &fileName, TImageLogging mode)
{
    SetFileName(fileName, mode, ExifInfo());
}

void TImageInfo::SetFileName(const QString &fileName, TImageLogging mode, TExifInfo &exif)
{
    FFileName = fileName;
    FLogMode = mode;
    if (mode == TImageLogging::iloStream || !regularFileExists(fileName)) {
        FIsExif = false;
        FShotTime = 0;
        FFileSize = 0;
        FFileTime = 0;
        FImageSize = {};
        FOrientation = TExifOrientation::eoReserved;
        return;
    }

    TFileInfo file;
    if (GetFileInformation(fileName, file) && file.LastWriteTime.isValid()) {
        FFileSize = file.Size;
        FFileTime = DateTimeFromQt(file.LastWriteTime);
    } else {
        FFileSize = 0;
        FFileTime = 0;
    }

    FIsExif = exif.IsExif(fileName);
    if (!FIsExif) {
        FShotTime = 0;
        FExifComment.clear();
        FDescription.clear();
        FOrientation = TExifOrientation::eoReserved;
        return;
    }

    exif.SetImageFileName(fileName);
    try {
        QDateTime shot = exif.DateTimeOriginal();
        if (exif.TagExists(kTagSubsecTimeOriginal, TExifIFD::eiExif))
            shot = withMilliseconds(shot, exif.SubsecTimeOriginal());
        if (!shot.isValid())
            throw Error(QStringLiteral("invalid shot time"));
        FShotTime = DateTimeFromQt(shot);
    } catch (const std::exception &) {
        // A missing or malformed date only means the shot time is unknown.
        FShotTime = 0;
    }
    FExifComment = trimControls(exif.UserComment());
    if (exif.TagExists(kTagImageDescription, TExifIFD::eiTIFF))
        FDescription = exif.ImageDescription();
    FOrientation = exif.Orientation();
}

void TImageInfo::Assign(const TImageInfo &source)
{
    if (&source == this)
        return;
    SetFileName(source.FFileName, source.FLogMode);
    FChecked = source.FChecked;
    FDescription = source.FDescription;
    FExifComment = source.FExifComment;
    FFileSize = source.FFileSize;
    FFileTime = source.FFileTime;
    FImageSize = source.FImageSize;
    FIsExif = source.FIsExif;
    FIsExist = source.FIsExist;
    FOptions.Assign(source.FOptions);
    FOrientation = source.FOrientation;
    FPosition = source.FPosition;
    FSourceFile = source.FSourceFile;
    FSelected = source.FSelected;
    FShotTime = source.FShotTime;
}

bool TImageInfo::SaveToStream(TStream &stream, TStream *backup, TFileSaveType mode)
{
    const TImageLogging oldMode = FLogMode;
    if (mode == TFileSaveType::fstStream)
        FLogMode = TImageLogging::iloStream;

    stream.WriteU8(Ord(FLogMode));
    WriteStringToStream(stream, FFileName);
    stream.WriteBool(FChecked);
    WriteStringToStream(stream, FDescription);
    WriteStringToStream(stream, FExifComment);
    stream.WriteI64(FFileSize);
    stream.WriteDouble(FFileTime);
    stream.WriteI32(FImageSize.cx);
    stream.WriteI32(FImageSize.cy);
    stream.WriteDouble(FShotTime);
    stream.WriteU8(Ord(FOrientation));
    FOptions.SaveToStream(stream);

    if (FLogMode == TImageLogging::iloStream) {
        try {
            return WriteImageRecord(stream, backup, oldMode == TImageLogging::iloLink);
        } catch (...) {
            FLogMode = oldMode;   // not embedded anywhere yet
            throw;
        }
    }
    return true;
}

bool TImageInfo::WriteImageRecord(TStream &stream, TStream *backup, bool newlyEmbedded)
{
    const std::int64_t start = stream.Position();
    bool complete = true;
    if (newlyEmbedded && regularFileExists(FFileName)) {
        const bool png = storedAsPng(FFileName);
        // Any other format keeps the file's own bytes, so a JPEG is stored
        // exactly as the camera wrote it.
        const QByteArray data = png ? pngOverWhite(FFileName) : fileBytes(FFileName);
        writeImageRecordHeader(stream, data.size(), png ? kKindPng : kKindOwnFormat);
        stream.WriteBytes(data);
    } else if (!newlyEmbedded && backup) {
        if (FPosition < 0 || FPosition > backup->Size())
            throw EReadError();
        backup->SetPosition(FPosition);
        const std::uint32_t length = readImageRecordLength(*backup);
        const std::uint8_t kind = backup->ReadU8();
        const std::int64_t dataSize = length - kImageRecordHeader;
        writeImageRecordHeader(stream, dataSize, kind);
        if (dataSize > 0)   // CopyFrom(…, 0) would copy the whole backup
            stream.CopyFrom(*backup, dataSize);
    } else {
        writeImageRecordHeader(stream, 0, kKindOwnFormat);
        complete = false;
    }
    FPosition = start;
    return complete;
}

void TImageInfo::LoadFromStream(TStream &stream)
{
    const auto logMode = DecodeEnum<TImageLogging>(stream.ReadU8(), "TImageLogging");
    const QString fileName = ReadStringFromStream(stream);
    try {
        SetFileName(fileName, logMode);
    } catch (const std::exception &) {
        // The stored facts follow and replace whatever the file gave; a linked
        // photo whose Exif block has since been damaged must not make the
        // whole document unreadable.
        FFileName = fileName;
        FLogMode = logMode;
        FIsExif = false;
    }
    FChecked = stream.ReadBool();
    FIsExist = regularFileExists(FFileName);
    FDescription = ReadStringFromStream(stream);
    FExifComment = ReadStringFromStream(stream);
    FFileSize = stream.ReadI64();
    FFileTime = stream.ReadDouble();
    FImageSize.cx = stream.ReadI32();
    FImageSize.cy = stream.ReadI32();
    FShotTime = stream.ReadDouble();
    FOrientation = DecodeEnum<TExifOrientation>(stream.ReadU8(), "TExifOrientation");
    FOptions.LoadFromStream(stream);

    if (FLogMode == TImageLogging::iloStream) {
        FPosition = stream.Position();
        const std::uint32_t length = readImageRecordLength(stream);
        stream.Seek(static_cast<std::int64_t>(length) - 4, SeekOrigin::Current);
    }
}

} // namespace vellora
