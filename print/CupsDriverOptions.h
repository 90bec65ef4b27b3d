// Reading a CUPS queue's own options: from its PPD when it has one, or else
// from the printer's IPP attributes. All PPD calls of the program live in
// CupsDriverOptions.cpp.
#pragma once

#include "print/DriverOptions.h"

#include <cups/cups.h>

namespace vellora {

// What a queue's PPD or IPP attributes tell beyond the standard settings.
struct TCupsDriverInfo {
    TDriverOptions options;
    // The PPD's InputSlot choice of each IPP media-source keyword: a PPD
    // printer's filters read the tray from InputSlot only.
    std::map<QString, QString> inputSlotForSource;
    // The PPD's text of each InputSlot choice ("Tray 1").
    std::map<QString, QString> inputSlotText;
    // The PPD's page sizes: the PageSize choice, its text and its size in
    // hundredths of a millimetre, for naming the media the server lists.
    struct PageSize {
        QString choice, text;
        int width = 0, length = 0;
    };
    std::vector<PageSize> pageSizes;
};

// What CUPS shows for `key` (an IPP attribute name, or "name.value"), given
// what a cupsLocalizeDest... call returned: that text when it is a real
// translation, else CUPS's English text, else `raw` (the keyword itself).
QString CupsText(const char *localized, const QByteArray &key, const QByteArray &raw);

// The name shown for the media keyword `media`: CUPS's English name of the
// size ("A4") when it has one, with the locale's borderless mark when the
// size has no margins; else the PPD's text of the size (`ppdText`, with the
// same mark), else `measured`, what cupsLocalizeDestMedia gave ("69 x 95
// mm"), else the keyword. CUPS's translations other than English name no
// sizes, only their measures.
QString CupsMediaText(const QByteArray &media, bool borderless, const char *measured, const QString &ppdText = {});

// The IPP media-source keyword that the server gives a PPD InputSlot choice.
QString MediaSourceForInputSlot(const QString &choice);

// The options of the PPD file at `path` with the queue's saved defaults
// (`destOptions` of the destination) marked; false when the file cannot be
// read.
bool ReadPpdDriverOptions(const QByteArray &path, int numDestOptions, cups_option_t *destOptions,
                          TCupsDriverInfo &out);

// The destination's options as the server sends them: its PPD when it has
// one, otherwise the non-standard attributes of
// job-creation-attributes-supported with string values. An unreadable PPD
// gives no options (the standard settings remain).
TCupsDriverInfo ReadCupsDriverOptions(cups_dest_t *dest, cups_dinfo_t *info);

} // namespace vellora
