// The texts a text area writes: what each source gives for an image of the
// print list, the samples a preview shows, the angle adjustment that keeps a
// text upright with its photo, and the default line pitch.
#pragma once

#include "graphics/Geometry.h"
#include "model/Types.h"
#include "settings/Font.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>

namespace vellora {

// The facts of one print-list entry that text sources show, taken from the
// entry when the area draws.
struct TTextSourceFacts {
    QString fileName;              // full path
    QString fileSizeText;
    QDateTime fileTime;            // invalid when unknown
    QString fileTimeText;
    QStringList comment;
    QString imageSizeText;
    bool isExif = false;
    QDateTime shotTime;            // invalid when unknown
    QString shotTimeText;
    QString exifComment;
    QString description;
};

// Lines as one text, each followed by a line break.
QString JoinLines(const QStringList &lines);

// The printed text of a source. facts is null when the linked cell draws no
// image: then every source but tstFix gives the empty text.
QString SourceText(TTextSourceType source, const QStringList &lines, const TTextSourceFacts *facts,
                   std::int32_t pageNumber, const QLocale &locale = QLocale());
// The sample a preview shows for a source.
QString PreviewText(TTextSourceType source, const QStringList &lines);

// The writer's angle for an area whose text follows the photo's way up:
// exifOrientation is the Exif orientation value (1 to 8; anything else means
// none and leaves the angle alone), trueRotate the rotation the photo was
// drawn with.
TTextAngle AdjustedTextAngle(TTextAngle angle, int exifOrientation, TPhotoRotate trueRotate);

// Line pitch of a text area: rowPitch when it is not 0, else the font's size
// in points as mm.
double EffectiveRowPitchMM(double rowPitch, const TFont &font);

} // namespace vellora
