// Paper size and bin numbers. Documents store the common desktop paper size
// numbers (1 Letter, 9 A4, 43 Japanese postcard, 256 user-defined, ...); the
// printing system names media by their self-describing names
// ("iso_a4_210x297mm"). This maps one to the other.
#pragma once

#include <QString>

namespace vellora {

// The number of a media name. Names in the table get their public number;
// any other name gets a number of its own in 0x1000..0x7FFF, a hash of the
// name, so the same media has the same number in every run and on every
// machine (see PaperNumbers.cpp). Never 256 or below for an unknown name.
int paperNumberForMedia(const QString &media);

// The media name of a public number, or an empty string.
QString mediaForPaperNumber(int number);

// A media name for a user-defined size in tenths of a millimetre
// ("custom_100x148mm_100x148mm").
QString customMediaName(int widthTenthMM, int lengthTenthMM);

// The bin number of an input tray name ("auto" 7, "manual" 4, ...), or 0 when
// the name is not one of the public bins.
int binNumberForSource(const QString &source);

} // namespace vellora
