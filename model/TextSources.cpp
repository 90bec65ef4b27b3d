#include "model/TextSources.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace vellora {

QString JoinLines(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    return text;
}

namespace {

QString shortDate(const QDateTime &value, const QLocale &locale)
{
    return value.isValid() ? locale.toString(value.date(), QLocale::ShortFormat) : QString();
}

// The locale's long time format without a time zone: the times we show are
// local times as the file system and the camera recorded them.
QString longTime(const QDateTime &value, const QLocale &locale)
{
    if (!value.isValid())
        return QString();
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*")));
    return locale.toString(value.time(), format.trimmed());
}

} // namespace

QString SourceText(TTextSourceType source, const QStringList &lines, const TTextSourceFacts *facts,
                   std::int32_t pageNumber, const QLocale &locale)
{
    if (source == TTextSourceType::tstFix)
        return JoinLines(lines);
    if (!facts)
        return QString();
    const TTextSourceFacts &f = *facts;
    switch (source) {
    case TTextSourceType::tstFix: break;
    case TTextSourceType::tstFileName: {
        const qsizetype slash = f.fileName.lastIndexOf(QLatin1Char('/'));
        return slash < 0 ? f.fileName : f.fileName.mid(slash + 1);
    }
    case TTextSourceType::tstFileSize: return f.fileSizeText;
    case TTextSourceType::tstFileDate: return shortDate(f.fileTime, locale);
    case TTextSourceType::tstFileTime: return longTime(f.fileTime, locale);
    case TTextSourceType::tstImageComment: return JoinLines(f.comment);
    case TTextSourceType::tstImageSize: return f.imageSizeText;
    case TTextSourceType::tstExifDate: return f.isExif ? shortDate(f.shotTime, locale) : QString();
    case TTextSourceType::tstExifTime: return f.isExif ? longTime(f.shotTime, locale) : QString();
    case TTextSourceType::tstExifComment: return f.isExif ? f.exifComment : QString();
    case TTextSourceType::tstExifDescription: return f.isExif ? f.description : QString();
    case TTextSourceType::tstFileDateTime: return f.fileTimeText;
    case TTextSourceType::tstExifDateTime: return f.isExif ? f.shotTimeText : QString();
    case TTextSourceType::tstPageNumber: return QString::number(pageNumber);
    }
    return QString();
}

QString PreviewText(TTextSourceType source, const QStringList &lines)
{
    switch (source) {
    case TTextSourceType::tstFix:
        return lines.isEmpty() ? QCoreApplication::translate("vellora", "指定した固定のテキストが入ります。") : JoinLines(lines);
    case TTextSourceType::tstFileName: return QCoreApplication::translate("vellora", "サンプルファイル名.jpg");
    case TTextSourceType::tstFileSize: return QStringLiteral("00,000 KB");
    case TTextSourceType::tstFileDate:
    case TTextSourceType::tstExifDate: return QStringLiteral("0000/00/00");
    case TTextSourceType::tstFileTime:
    case TTextSourceType::tstExifTime: return QStringLiteral("12:34:56");
    case TTextSourceType::tstImageComment: return QCoreApplication::translate("vellora", "画像に設定したコメントが入ります。");
    case TTextSourceType::tstImageSize: return QStringLiteral("0000×0000");
    case TTextSourceType::tstExifComment: return QCoreApplication::translate("vellora", "Exifのユーザーコメントが入ります。");
    case TTextSourceType::tstExifDescription: return QStringLiteral("Exif Description");
    case TTextSourceType::tstFileDateTime:
    case TTextSourceType::tstExifDateTime: return QStringLiteral("0000/00/00 00:00:00");
    case TTextSourceType::tstPageNumber: return QStringLiteral("00");
    }
    return QString();
}

TTextAngle AdjustedTextAngle(TTextAngle angle, int exifOrientation, TPhotoRotate trueRotate)
{
    // Quarter-turn codes as the rotation rules number them: 0 none, 2 = 90°,
    // 3 = 180°, 4 = 270°.
    int q = 0;
    switch (exifOrientation) {
    case 1: case 2: q = 0; break;          // top-left, top-right
    case 3: case 4: q = 3; break;          // bottom-right, bottom-left
    case 5: case 7: q = 4; break;          // left-top, right-bottom
    case 6: case 8: q = 2; break;          // right-top, left-bottom
    default: return angle;
    }
    // Add the turn the photo was drawn with.
    auto turn = [](int code, int quarters) {
        static constexpr int kOrder[4] = {0, 2, 3, 4};
        int at = 0;
        while (kOrder[at] != code)
            ++at;
        return kOrder[(at + quarters) % 4];
    };
    switch (trueRotate) {
    case TPhotoRotate::pr90: q = turn(q, 1); break;
    case TPhotoRotate::pr180: q = turn(q, 2); break;
    case TPhotoRotate::pr270: q = turn(q, 3); break;
    default: break;
    }
    if (angle == TTextAngle::taNone && q == 3)
        return TTextAngle::taAngle180;
    if (angle == TTextAngle::taAngle90 && q == 2)
        return TTextAngle::taAngle270;
    if (angle == TTextAngle::taAngle180 && q == 0)
        return TTextAngle::taNone;
    if (angle == TTextAngle::taAngle270 && q == 4)
        return TTextAngle::taAngle90;
    return angle;
}

double EffectiveRowPitchMM(double rowPitch, const TFont &font)
{
    return rowPitch != 0 ? rowPitch : font.Size() * 25.4 / 72.0;
}

} // namespace vellora
