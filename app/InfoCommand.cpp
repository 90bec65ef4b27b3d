#include "app/InfoCommand.h"

#include "exif/ExifInfo.h"
#include "model/ImageInfo.h"
#include "model/PhotoTurn.h"
#include "graphics/GraphicClassList.h"
#include "plugins/SPIBmp.h"
#include "plugins/PluginSetup.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonDocument>
#include <cstdio>

namespace vellora::app {

namespace {

constexpr std::uint16_t kTagImageDescription = 270;
constexpr std::uint16_t kTagSubsecTimeOriginal = 37521;

const QStringList &imageNameFilters()
{
    static const QStringList filters = {
        QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.jpe"), QStringLiteral("*.jfif"),
        QStringLiteral("*.png"), QStringLiteral("*.bmp"),  QStringLiteral("*.gif"), QStringLiteral("*.tif"),
        QStringLiteral("*.tiff"), QStringLiteral("*.webp"), QStringLiteral("*.ico"),
    };
    return filters;
}

QString commentStyleName(TExifUserCommentStyle style)
{
    switch (style) {
    case TExifUserCommentStyle::ucAscii: return QStringLiteral("ascii");
    case TExifUserCommentStyle::ucJIS: return QStringLiteral("jis");
    case TExifUserCommentStyle::ucUnicode: return QStringLiteral("unicode");
    case TExifUserCommentStyle::ucUndefined: return QStringLiteral("undefined");
    case TExifUserCommentStyle::ucUnknown: break;
    }
    return QStringLiteral("unknown");
}

// Blanks and control characters at both ends go, as the print list trims its comment.
QString trimmedComment(const QString &text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin] <= QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] <= QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

// The shot time with the sub-second digits as milliseconds; an unknown or
// unreadable time, or sub-seconds of 1000 or more, give no time at all.
QJsonValue shotTime(TExifInfo &reader)
{
    try {
        const QDateTime taken = reader.DateTimeOriginal();
        int milliseconds = 0;
        if (reader.TagExists(kTagSubsecTimeOriginal, TExifIFD::eiExif)) {
            milliseconds = reader.SubsecTimeOriginal();
            if (milliseconds < 0 || milliseconds >= 1000)
                return QJsonValue::Null;
        }
        const QTime time = taken.time();
        const QDateTime result(taken.date(), QTime(time.hour(), time.minute(), time.second(), milliseconds),
                               Qt::UTC);
        return result.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
    } catch (const std::exception &) {
        return QJsonValue::Null;
    }
}

QJsonValue thumbnailSize(TExifInfo &reader)
{
    if (!reader.hasEmbeddedThumbnail())
        return QJsonValue::Null;
    try {
        TJPEGImage thumb;
        reader.GetThumbnail(thumb, nullptr);
        return QJsonObject{{QStringLiteral("width"), thumb.Width}, {QStringLiteral("height"), thumb.Height}};
    } catch (const std::exception &) {
        // A broken embedded thumbnail: the list view makes its own.
        return QJsonValue::Null;
    }
}

// The size of a picture only an image plug-in reads (its picture
// information, else the decoded picture); invalid when none reads it.
QSize pluginPictureSize(const QString &path)
{
    const TGraphicClass *cls = PictureClassForExtension(ExtractFileExt(path));
    if (!cls || cls != TSPIs::GetDefaultGraphic())
        return {};
    try {
        TSPIGraphic graphic;
        graphic.LoadFromFile(path);
        const TPictureInfo &info = graphic.Data()->PictureInfo();
        if (!graphic.Data()->PictureInfoIsEmpty() && info.width > 0 && info.height > 0)
            return {info.width, info.height};
        return {graphic.Width(), graphic.Height()};
    } catch (const std::exception &) {
        return {};
    }
}

// The display texts of the print-list entry the file would become, with the
// pixel size read from the image's header (the entry does not know it yet).
void addEntryTexts(QJsonObject &facts, const QString &path)
{
    TImageInfo entry;
    entry.SetFileName(path, TImageLogging::iloLink);
    if (entry.ImageWidth() == 0 || entry.ImageHeight() == 0) {
        QSize size = QImageReader(path).size();
        if (!size.isValid())
            size = pluginPictureSize(path);
        if (size.isValid())
            entry.SetImageSize({size.width(), size.height()});
    }
    facts[QStringLiteral("imageWidth")] = entry.ImageWidth();
    facts[QStringLiteral("imageHeight")] = entry.ImageHeight();
    // The size the photo has when turned upright by its orientation, whether
    // or not this run turns photos.
    const QSize upright = TurnedSize(QSize(entry.ImageWidth(), entry.ImageHeight()),
                                     UprightTurn(static_cast<int>(Ord(entry.Orientation()))));
    facts[QStringLiteral("uprightWidth")] = upright.width();
    facts[QStringLiteral("uprightHeight")] = upright.height();
    facts[QStringLiteral("fileSizeText")] = entry.FileSizeText();
    facts[QStringLiteral("fileTimeText")] = entry.FileTimeText();
    facts[QStringLiteral("imageSizeText")] = entry.ImageSizeText();
    facts[QStringLiteral("shotTimeText")] = entry.ShotTimeText();
}

QString textOf(const QJsonValue &value, const QString &none = QStringLiteral("-"))
{
    return value.isNull() || value.isUndefined() ? none : value.toVariant().toString();
}

QString textReport(const QJsonObject &facts)
{
    QString out = facts[QLatin1String("file")].toString() + QLatin1Char('\n');
    const auto line = [&out](const char *label, const QString &value) {
        out += QStringLiteral("  %1 %2\n").arg(QLatin1String(label), -14).arg(value);
    };
    line("Exif:", facts[QLatin1String("isExif")].toBool() ? QStringLiteral("yes") : QStringLiteral("no"));
    line("Shot time:", textOf(facts[QLatin1String("shotTime")]).replace(QLatin1Char('T'), QLatin1Char(' ')));
    line("Orientation:", textOf(facts[QLatin1String("orientation")]));
    line("Description:", facts[QLatin1String("description")].toString());
    line("Comment:", QStringLiteral("%1 (%2)").arg(facts[QLatin1String("exifComment")].toString(),
                                                  facts[QLatin1String("userCommentStyle")].toString()));
    line("JPEG size:", QStringLiteral("%1 x %2").arg(facts[QLatin1String("jpegWidth")].toInt())
                           .arg(facts[QLatin1String("jpegHeight")].toInt()));
    line("File size:", QStringLiteral("%1 bytes").arg(facts[QLatin1String("fileSize")].toInteger()));
    line("File time:", facts[QLatin1String("fileTime")].toString().replace(QLatin1Char('T'), QLatin1Char(' ')));
    line("Image size:", facts[QLatin1String("imageSizeText")].toString());
    line("Upright size:", QStringLiteral("%1 x %2").arg(facts[QLatin1String("uprightWidth")].toInt())
                              .arg(facts[QLatin1String("uprightHeight")].toInt()));
    line("Shown as:", QStringLiteral("%1 / %2 / %3").arg(facts[QLatin1String("shotTimeText")].toString(),
                                                     facts[QLatin1String("fileTimeText")].toString(),
                                                     facts[QLatin1String("fileSizeText")].toString()));
    const QJsonValue thumb = facts[QLatin1String("thumbnail")];
    line("Thumbnail:", thumb.isObject() ? QStringLiteral("%1 x %2")
                                              .arg(thumb[QLatin1String("width")].toInt())
                                              .arg(thumb[QLatin1String("height")].toInt())
                                        : QStringLiteral("none"));
    return out;
}

} // namespace

QStringList expandImagePaths(const QStringList &paths)
{
    QStringList result;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!info.isDir()) {
            result << path;
            continue;
        }
        const QStringList names =
            QDir(path).entryList(imageNameFilters() + SusieExtensionPatterns(), QDir::Files, QDir::Name);
        for (const QString &name : names)
            result << QDir(path).filePath(name);
    }
    return result;
}

QJsonObject imageFacts(const QString &path)
{
    QJsonObject facts{{QStringLiteral("file"), path}};
    TExifInfo &reader = ExifInfo();
    // "Not Exif" is an answer here, not an error.
    reader.OnError = [](TExifInfo &, int code, bool &allowError) { allowError = code != -2; };
    try {
        reader.SetImageFileName(path);
        const bool isExif = reader.App1Position() >= 0;
        const QFileInfo file(path);
        facts[QStringLiteral("isExif")] = isExif;
        facts[QStringLiteral("shotTime")] = isExif ? shotTime(reader) : QJsonValue(QJsonValue::Null);
        facts[QStringLiteral("orientation")] = isExif ? static_cast<int>(reader.Orientation()) : 0;
        facts[QStringLiteral("description")] =
            reader.TagExists(kTagImageDescription, TExifIFD::eiTIFF) ? reader.ImageDescription() : QString();
        facts[QStringLiteral("exifComment")] = trimmedComment(reader.UserComment());
        facts[QStringLiteral("userCommentStyle")] = commentStyleName(reader.UserCommentStyle());
        facts[QStringLiteral("jpegWidth")] = reader.JpegWidth();
        facts[QStringLiteral("jpegHeight")] = reader.JpegHeight();
        facts[QStringLiteral("fileSize")] = file.size();
        facts[QStringLiteral("fileTime")] =
            file.lastModified().toLocalTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
        facts[QStringLiteral("thumbnail")] = thumbnailSize(reader);
        addEntryTexts(facts, path);
    } catch (const std::exception &e) {
        reader.OnError = nullptr;
        return QJsonObject{{QStringLiteral("file"), path}, {QStringLiteral("error"), errorMessage(e)}};
    }
    reader.OnError = nullptr;
    return facts;
}

int runInfo(const ParsedArgs &args)
{
    if (args.paths.isEmpty()) {
        std::fputs("vellora: --info needs at least one file or folder\n", stderr);
        return 2;
    }
    const bool json = args.options.count(QStringLiteral("json")) != 0;
    int status = 0;
    for (const QString &path : expandImagePaths(args.paths)) {
        const QJsonObject facts = imageFacts(path);
        const bool failed = facts.contains(QLatin1String("error"));
        if (failed)
            status = 1;
        if (json) {
            std::fputs(QJsonDocument(facts).toJson(QJsonDocument::Compact).constData(), stdout);
            std::fputc('\n', stdout);
        } else if (failed) {
            std::fprintf(stderr, "vellora: %s: %s\n", path.toLocal8Bit().constData(),
                         facts[QLatin1String("error")].toString().toLocal8Bit().constData());
        } else {
            std::fputs(textReport(facts).toLocal8Bit().constData(), stdout);
        }
    }
    return status;
}

} // namespace vellora::app
