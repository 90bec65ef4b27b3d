// One entry of the print list: an image file (linked by name or embedded in
// the document), the facts taken from the file and its Exif data, a check
// mark, and the per-image options. Lives on the UI thread. Reading a record
// throws EReadError when the stream ends early and FormatError for an unknown
// enumeration byte; writing an embedded image throws Error when it cannot be
// decoded.
#pragma once

#include "exif/ExifInfo.h"
#include "graphics/Geometry.h"
#include "model/Types.h"
#include "settings/Stream.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace vellora {

// A date-time as the document format stores it: days since 30 Dec 1899, the
// time of day as the fraction; local time, 0 for "unknown".
using TDateTime = double;

TDateTime DateTimeFromQt(const QDateTime &value);
// The local date-time of a value (rounded to the millisecond); invalid for a
// value outside the years 1 to 9999.
QDateTime DateTimeToQt(TDateTime value);

// Display texts of the list view's columns; `locale` gives the separators and
// the date and time formats. A time that is no date shows as unknown.
QString FileSizeText(std::int64_t size, const QLocale &locale = QLocale());
QString FileTimeText(TDateTime time, const QLocale &locale = QLocale());
QString ImageSizeText(TIntSize size);
QString ShotTimeText(TDateTime time);

// Per-image options: copies, comment lines and placement settings that
// override the photo area's when their parent mode is pamOrigin.
class TPhotoOption {
public:
    TPhotoOption() = default;
    TPhotoOption(const TPhotoOption &) = delete;
    TPhotoOption &operator=(const TPhotoOption &) = delete;

    const QStringList &Comment() const noexcept { return FComment; }
    QStringList &Comment() noexcept { return FComment; }
    void SetComment(const QStringList &lines) { FComment = lines; }
    std::uint8_t Copies() const noexcept { return FCopies; }
    void SetCopies(std::uint8_t copies) { FCopies = copies; }
    TPhotoAlign HorizontalAlign() const noexcept { return FHorizontalAlign; }
    void SetHorizontalAlign(TPhotoAlign value) { FHorizontalAlign = value; }
    TPhotoAlign VerticalAlign() const noexcept { return FVerticalAlign; }
    void SetVerticalAlign(TPhotoAlign value) { FVerticalAlign = value; }
    TParentMode ParentAlign() const noexcept { return FParentAlign; }
    void SetParentAlign(TParentMode value) { FParentAlign = value; }
    TParentMode ParentRotate() const noexcept { return FParentRotate; }
    void SetParentRotate(TParentMode value) { FParentRotate = value; }
    TParentMode ParentSize() const noexcept { return FParentSize; }
    void SetParentSize(TParentMode value) { FParentSize = value; }
    double PhotoScale() const noexcept { return FPhotoScale; }
    void SetPhotoScale(double value) { FPhotoScale = value; }
    TPhotoSize PhotoSize() const noexcept { return FPhotoSize; }
    void SetPhotoSize(TPhotoSize value) { FPhotoSize = value; }
    TPhotoRotate Rotate() const noexcept { return FRotate; }
    void SetRotate(TPhotoRotate value) { FRotate = value; }
    TPhotoLimitMode ScaleLimit() const noexcept { return FScaleLimit; }
    void SetScaleLimit(TPhotoLimitMode value) { FScaleLimit = value; }
    // The rotation used the last time the image was drawn; never stored.
    TPhotoRotate TrueRotate() const noexcept { return FTrueRotate; }
    void SetTrueRotate(TPhotoRotate value) { FTrueRotate = value; }

    const TNotifyEvent &OnLoad() const noexcept { return FOnLoad; }
    void SetOnLoad(TNotifyEvent handler) { FOnLoad = std::move(handler); }

    // Copies every value, TrueRotate included; not the event.
    void Assign(const TPhotoOption &source);
    void SaveToStream(TStream &stream) const;
    // Replaces the comment lines and values; fires OnLoad at the end.
    void LoadFromStream(TStream &stream);

private:
    QStringList FComment;
    std::uint8_t FCopies = 1;
    TPhotoAlign FHorizontalAlign = TPhotoAlign::paLeftTop;
    TNotifyEvent FOnLoad;
    TParentMode FParentAlign = TParentMode::pamArea;
    TParentMode FParentRotate = TParentMode::pamArea;
    TParentMode FParentSize = TParentMode::pamArea;
    double FPhotoScale = 0.0;
    TPhotoSize FPhotoSize = TPhotoSize::psPhoto;
    TPhotoRotate FRotate = TPhotoRotate::prNone;
    TPhotoLimitMode FScaleLimit = TPhotoLimitMode::plmNone;
    TPhotoRotate FTrueRotate = TPhotoRotate::prNone;
    TPhotoAlign FVerticalAlign = TPhotoAlign::paLeftTop;
};

class TImageInfo {
public:
    TImageInfo();
    TImageInfo(const TImageInfo &) = delete;
    TImageInfo &operator=(const TImageInfo &) = delete;

    bool Checked() const noexcept { return FChecked; }
    void SetChecked(bool value) { FChecked = value; }
    bool Selected() const noexcept { return FSelected; }
    void SetSelected(bool value) { FSelected = value; }
    const TIntSize &ImageSize() const noexcept { return FImageSize; }
    void SetImageSize(TIntSize size) { FImageSize = size; }
    std::int32_t ImageWidth() const noexcept { return FImageSize.cx; }
    std::int32_t ImageHeight() const noexcept { return FImageSize.cy; }
    // The size as the photo is seen: width and height trade places for Exif
    // orientations 5 to 8 while photos are shown upright (ExifRotate()).
    TIntSize UprightImageSize() const noexcept;

    const QString &Descriptin() const noexcept { return FDescription; }
    const QString &ExifComment() const noexcept { return FExifComment; }
    const QString &FileName() const noexcept { return FFileName; }
    std::int64_t FileSize() const noexcept { return FFileSize; }
    TDateTime FileTime() const noexcept { return FFileTime; }
    bool IsExif() const noexcept { return FIsExif; }
    bool IsExist() const noexcept { return FIsExist; }
    TImageLogging LogMode() const noexcept { return FLogMode; }
    TExifOrientation Orientation() const noexcept { return FOrientation; }
    // For an embedded image: where its image record starts in the document.
    std::int64_t Position() const noexcept { return FPosition; }
    // The document file that holds an embedded image's record (not stored):
    // entries of two documents may share one list. Empty means the document
    // the paper was last opened from or saved to.
    const QString &SourceFile() const noexcept { return FSourceFile; }
    void SetSourceFile(const QString &fileName) { FSourceFile = fileName; }
    TDateTime ShotTime() const noexcept { return FShotTime; }

    TPhotoOption &Options() noexcept { return FOptions; }
    const TPhotoOption &Options() const noexcept { return FOptions; }
    void SetOptions(const TPhotoOption &options) { FOptions.Assign(options); }

    QString FileSizeText(const QLocale &locale = QLocale()) const { return vellora::FileSizeText(FFileSize, locale); }
    QString FileTimeText(const QLocale &locale = QLocale()) const { return vellora::FileTimeText(FFileTime, locale); }
    QString ImageSizeText() const { return vellora::ImageSizeText(FImageSize); }
    QString ShotTimeText() const { return vellora::ShotTimeText(FShotTime); }

    const TNotifyEvent &OnOptionLoad() const noexcept { return FOnOptionLoad; }
    void SetOnOptionLoad(TNotifyEvent handler) { FOnOptionLoad = std::move(handler); }

    // Points the entry at a file and refreshes the facts taken from it. Exif
    // errors other than those of the shot time reach the caller.
    void SetFileName(const QString &fileName, TImageLogging mode);
    // The same through the given Exif reader: an entry not yet in a list may
    // be filled on another thread with that thread's own reader.
    void SetFileName(const QString &fileName, TImageLogging mode, TExifInfo &exif);
    // SetFileName (re-reading the file), then every stored fact over it.
    void Assign(const TImageInfo &source);

    // Writes the entry; with fstStream a linked entry becomes embedded. An
    // embedded entry is followed by its image record: newly embedded ones are
    // read from the file, already embedded ones copied from `backup` (the
    // document holding the record) when given. False when the record had to
    // be written without image data (the file or the backup is missing).
    bool SaveToStream(TStream &stream, TStream *backup, TFileSaveType mode);
    void LoadFromStream(TStream &stream);
    // Puts back the log mode and position an entry had before a save that failed.
    void RestoreStorage(TImageLogging mode, std::int64_t position) noexcept
    {
        FLogMode = mode;
        FPosition = position;
    }

private:
    bool WriteImageRecord(TStream &stream, TStream *backup, bool newlyEmbedded);

    bool FChecked = false;
    QString FDescription;
    QString FExifComment;
    QString FFileName;
    std::int64_t FFileSize = 0;
    TDateTime FFileTime = 0.0;
    TIntSize FImageSize;
    bool FIsExif = false;
    bool FIsExist = false;
    TImageLogging FLogMode = TImageLogging::iloLink;
    TNotifyEvent FOnOptionLoad;
    TPhotoOption FOptions;
    TExifOrientation FOrientation = TExifOrientation::eoReserved;
    std::int64_t FPosition = 0;
    QString FSourceFile;
    bool FSelected = false;
    TDateTime FShotTime = 0.0;
};

} // namespace vellora
