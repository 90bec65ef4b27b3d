// How text, numbers and strings become bytes of a PDF file: WriteText for the
// fixed texts (one byte per UTF-16 unit), the literal and hexadecimal string
// forms, and numbers formatted exactly with a full stop whatever the locale.
#pragma once

#include "pdf/Sink.h"

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

namespace vellora::pdf {

class TPDFFont;

inline constexpr int kStringChunk = 32700;   // units (or bytes) between string line continuations

// "%.Nf" without the locale.
std::string formatFixed(double value, int decimals);
inline std::string f2(double value) { return formatFixed(value, 2); }
std::string formatInt(long long value);
// "%W.Wd": zero-padded to width digits.
std::string formatPadded(long long value, int width);

// Writes each UTF-16 unit as one byte: printable ASCII as itself, units below
// 19 as their value, anything else as 0x1F. Escapes like a literal string's
// content when asked, appends CR LF when asked; returns the bytes written.
int WriteText(Sink &out, const QString &text, bool escape = false, bool addCRLF = false);
int WriteText(Sink &out, std::string_view text, bool escape = false, bool addCRLF = false);
inline int WriteLine(Sink &out, std::string_view text) { return WriteText(out, text, false, true); }
inline int WriteLine(Sink &out, const QString &text) { return WriteText(out, text, false, true); }

// Bytes 8, 9, 10, 13 become b, t, n, r; those and "(", ")", "\" need a
// backslash (returns true); every other byte stays as it is.
bool EscapeByte(std::uint8_t &byte);

// A literal string "(...)": single bytes when Mode is not 1 and every
// character is printable ASCII, CR or LF; otherwise UTF-16BE units (Mode 0
// starts with FE FF). Long strings continue with backslash CR LF. Every code
// written is marked as used in Font when one is given. Returns the bytes written.
int WriteString(Sink &out, const QString &S, bool AddCRLF = false, TPDFFont *Font = nullptr, int Mode = 0);

// "<...>": each unit's glyph code from the font as four upper-case hex digits.
int WriteHexString(Sink &out, const QString &S, TPDFFont &Font);

} // namespace vellora::pdf
