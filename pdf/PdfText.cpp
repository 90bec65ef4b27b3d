#include "pdf/PdfText.h"

#include "pdf/PdfFont.h"

#include <charconv>
#include <cmath>

namespace vellora::pdf {

std::string formatFixed(double value, int decimals)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string text(buffer, result.ptr);
    // A value that rounds to zero is written without a sign.
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1);
    return text;
}

std::string formatInt(long long value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string formatPadded(long long value, int width)
{
    std::string digits = formatInt(value < 0 ? -value : value);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

bool EscapeByte(std::uint8_t &byte)
{
    switch (byte) {
    case 8: byte = 'b'; return true;
    case 9: byte = 't'; return true;
    case 10: byte = 'n'; return true;
    case 13: byte = 'r'; return true;
    case '(': case ')': case '\\': return true;
    default: return false;
    }
}

static int putEscaped(Sink &out, std::uint8_t byte, bool escape)
{
    if (escape && EscapeByte(byte)) {
        const char pair[2] = {'\\', static_cast<char>(byte)};
        out.write(pair, 2);
        return 2;
    }
    out.put(byte);
    return 1;
}

static std::uint8_t textByte(char16_t unit)
{
    if (unit >= 0x20 && unit <= 0x7E)
        return static_cast<std::uint8_t>(unit);
    if (unit < 19)
        return static_cast<std::uint8_t>(unit);
    return 0x1F;
}

int WriteText(Sink &out, const QString &text, bool escape, bool addCRLF)
{
    int written = 0;
    for (const QChar c : text)
        written += putEscaped(out, textByte(c.unicode()), escape);
    if (addCRLF) {
        out.write("\r\n", 2);
        written += 2;
    }
    return written;
}

int WriteText(Sink &out, std::string_view text, bool escape, bool addCRLF)
{
    int written = 0;
    if (!escape) {
        bool plain = true;
        for (const char c : text)
            plain = plain && static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) <= 0x7E;
        if (plain) {
            out.write(text);
            written = static_cast<int>(text.size());
        } else {
            for (const char c : text)
                written += putEscaped(out, textByte(static_cast<unsigned char>(c)), false);
        }
    } else {
        for (const char c : text)
            written += putEscaped(out, textByte(static_cast<unsigned char>(c)), true);
    }
    if (addCRLF) {
        out.write("\r\n", 2);
        written += 2;
    }
    return written;
}

static int continueLine(Sink &out)
{
    out.write("\\\r\n", 3);
    return 3;
}

int WriteString(Sink &out, const QString &S, bool AddCRLF, TPDFFont *Font, int Mode)
{
    int written = 1;
    out.write("(", 1);
    bool singleByte = Mode != 1;
    for (const QChar c : S) {
        const char16_t u = c.unicode();
        if (!((u >= 0x20 && u <= 0x7E) || u == '\r' || u == '\n')) {
            singleByte = false;
            break;
        }
    }
    if (singleByte) {
        int count = 0;
        for (const QChar c : S) {
            const auto byte = static_cast<std::uint8_t>(c.unicode());
            if (Font)
                Font->MarkUsed(byte);
            written += putEscaped(out, byte, true);
            if (++count % kStringChunk == 0)
                written += continueLine(out);
        }
    } else {
        if (Mode == 0) {
            out.write("\xFE\xFF", 2);
            written += 2;
        }
        int count = 0;
        for (const QChar c : S) {
            const char16_t u = c.unicode();
            if (Font)
                Font->MarkUsed(u);
            written += putEscaped(out, static_cast<std::uint8_t>(u >> 8), true);
            written += putEscaped(out, static_cast<std::uint8_t>(u & 0xFF), true);
            count += 2;
            if (count % kStringChunk == 0)
                written += continueLine(out);
        }
    }
    out.write(")", 1);
    ++written;
    if (AddCRLF) {
        out.write("\r\n", 2);
        written += 2;
    }
    return written;
}

int WriteHexString(Sink &out, const QString &S, TPDFFont &Font)
{
    static const char digits[] = "0123456789ABCDEF";
    int written = 1;
    out.write("<", 1);
    int bytes = 0;
    for (const QChar c : S) {
        const std::uint16_t code = Font.GlyphCode(c.unicode());
        Font.MarkUsed(c.unicode());
        const char hex[4] = {digits[(code >> 12) & 15], digits[(code >> 8) & 15], digits[(code >> 4) & 15],
                             digits[code & 15]};
        out.write(hex, 4);
        written += 4;
        bytes += 2;
        if (bytes % kStringChunk == 0) {
            out.write("\r\n", 2);
            written += 2;
        }
    }
    out.write(">", 1);
    return written + 1;
}

} // namespace vellora::pdf
