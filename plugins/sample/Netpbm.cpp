#include "Netpbm.h"

#include <cstring>

namespace netpbm {

namespace {

bool isSpace(std::uint8_t c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(std::uint8_t c)
{
    return c >= '0' && c <= '9';
}

// A cursor over the input; every read checks the end.
struct Cursor {
    const std::uint8_t *data;
    std::size_t size;
    std::size_t pos = 0;

    bool atEnd() const { return pos >= size; }

    // Skips white space and '#' comments (to the end of their line).
    void skipSpace()
    {
        while (pos < size) {
            if (data[pos] == '#') {
                while (pos < size && data[pos] != '\n' && data[pos] != '\r')
                    ++pos;
            } else if (isSpace(data[pos])) {
                ++pos;
            } else {
                break;
            }
        }
    }

    // A decimal number up to limit, after white space and comments.
    bool number(std::uint32_t &value, std::uint32_t limit = 0xFFFFFFFFu)
    {
        skipSpace();
        if (pos >= size || !isDigit(data[pos]))
            return false;
        std::uint64_t v = 0;
        while (pos < size && isDigit(data[pos])) {
            v = v * 10 + (data[pos] - '0');
            if (v > limit)
                return false;
            ++pos;
        }
        value = static_cast<std::uint32_t>(v);
        return true;
    }

    // One PAM header line's keyword and the rest of the line.
    bool line(const std::uint8_t *&begin, std::size_t &length)
    {
        while (pos < size && isSpace(data[pos]))
            ++pos;
        if (pos >= size)
            return false;
        begin = data + pos;
        while (pos < size && data[pos] != '\n')
            ++pos;
        length = static_cast<std::size_t>(data + pos - begin);
        if (pos < size)
            ++pos;
        return true;
    }
};

bool startsWith(const std::uint8_t *text, std::size_t length, const char *word)
{
    const std::size_t n = std::strlen(word);
    return length >= n && std::memcmp(text, word, n) == 0 && (length == n || isSpace(text[n]));
}

bool lineNumber(const std::uint8_t *text, std::size_t length, const char *word, std::uint32_t &value)
{
    Cursor c{text, length};
    c.pos = std::strlen(word);
    return c.number(value);
}

bool parsePam(Cursor &c, Header &h)
{
    bool haveWidth = false, haveHeight = false, haveDepth = false, haveMaxval = false;
    const std::uint8_t *text = nullptr;
    std::size_t length = 0;
    while (c.line(text, length)) {
        if (text[0] == '#')
            continue;
        if (startsWith(text, length, "ENDHDR")) {
            h.dataOffset = c.pos;
            if (!(haveWidth && haveHeight && haveDepth && haveMaxval))
                return false;
            if (h.depth == 0 || h.depth > 4)
                return false;
            return true;
        }
        if (startsWith(text, length, "WIDTH"))
            haveWidth = lineNumber(text, length, "WIDTH", h.width);
        else if (startsWith(text, length, "HEIGHT"))
            haveHeight = lineNumber(text, length, "HEIGHT", h.height);
        else if (startsWith(text, length, "DEPTH"))
            haveDepth = lineNumber(text, length, "DEPTH", h.depth);
        else if (startsWith(text, length, "MAXVAL"))
            haveMaxval = lineNumber(text, length, "MAXVAL", h.maxval);
        else if (startsWith(text, length, "TUPLTYPE")) {
            std::size_t end = length;
            while (end > 0 && isSpace(text[end - 1]))
                --end;
            const auto endsWith = [&](const char *suffix) {
                const std::size_t n = std::strlen(suffix);
                return end >= n && std::memcmp(text + end - n, suffix, n) == 0;
            };
            h.alpha = endsWith("_ALPHA");
            h.blackAndWhite = endsWith("BLACKANDWHITE");
        } else {
            return false;
        }
    }
    return false;
}

std::uint8_t scale8(std::uint32_t v, std::uint32_t maxval)
{
    if (v >= maxval)
        return 255;
    return static_cast<std::uint8_t>((std::uint64_t(v) * 255 + maxval / 2) / maxval);
}

// Reads samples of the raw (1 or 2 bytes each) or plain (decimal) forms.
struct SampleReader {
    Cursor &c;
    bool plain;
    bool wide;
    std::uint32_t maxval;

    bool next(std::uint32_t &v)
    {
        if (plain) {
            if (!c.number(v, 0xFFFFFFFFu))
                return false;
        } else if (wide) {
            if (c.size - c.pos < 2)
                return false;
            v = (std::uint32_t(c.data[c.pos]) << 8) | c.data[c.pos + 1];
            c.pos += 2;
        } else {
            if (c.pos >= c.size)
                return false;
            v = c.data[c.pos++];
        }
        if (v > maxval)
            v = maxval;
        return true;
    }
};

void put32(std::uint8_t *p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

void makeInfo(Bitmap &out, const Header &h, int bits, const std::vector<std::uint32_t> &palette)
{
    out.info.assign(40 + 4 * palette.size(), 0);
    std::uint8_t *p = out.info.data();
    put32(p, 40);
    put32(p + 4, h.width);
    put32(p + 8, h.height);
    p[12] = 1;
    p[14] = static_cast<std::uint8_t>(bits);
    put32(p + 20, static_cast<std::uint32_t>(out.bitsSize));
    put32(p + 32, static_cast<std::uint32_t>(palette.size()));
    for (std::size_t i = 0; i < palette.size(); ++i)
        put32(p + 40 + 4 * i, palette[i]);
}

std::uint32_t grey(std::uint8_t v)
{
    return (std::uint32_t(v) << 16) | (std::uint32_t(v) << 8) | v;
}

} // namespace

bool HasMagic(const std::uint8_t *data, std::size_t size)
{
    return size >= 3 && data[0] == 'P' && data[1] >= '1' && data[1] <= '7' && isSpace(data[2]);
}

bool ParseHeader(const std::uint8_t *data, std::size_t size, Header &h)
{
    h = Header{};
    if (!HasMagic(data, size))
        return false;
    h.format = static_cast<char>(data[1]);
    Cursor c{data, size, 2};
    if (h.format == '7') {
        if (!parsePam(c, h))
            return false;
    } else {
        if (!c.number(h.width) || !c.number(h.height))
            return false;
        h.depth = h.format == '3' || h.format == '6' ? 3 : 1;
        h.blackAndWhite = h.format == '1' || h.format == '4';
        if (h.blackAndWhite)
            h.maxval = 1;
        else if (!c.number(h.maxval))
            return false;
        // Raw samples begin after exactly one white-space character.
        if (c.pos >= size || !isSpace(data[c.pos]))
            return false;
        h.dataOffset = c.pos + 1;
    }
    if (h.width == 0 || h.height == 0 || h.maxval == 0 || h.maxval > 65535)
        return false;
    if (std::uint64_t(h.width) * h.height > kMaxPixels)
        return false;
    return true;
}

Result Decode(const std::uint8_t *data, std::size_t size, const Header &h, Bitmap &out, Allocate allocate,
              void *allocContext, Progress progress, void *progressContext)
{
    const bool plain = h.format >= '1' && h.format <= '3';
    const bool wide = h.maxval > 255;
    const std::uint64_t samples = std::uint64_t(h.width) * h.height * h.depth;
    const std::size_t left = h.dataOffset <= size ? size - h.dataOffset : 0;
    // The input must be able to hold every sample before anything is allocated.
    if (h.format == '4') {
        if (std::uint64_t((h.width + 7) / 8) * h.height > left)
            return Result::brokenData;
    } else if (plain) {
        if (samples > left)
            return Result::brokenData;
    } else if (samples * (wide ? 2 : 1) > left) {
        return Result::brokenData;
    }

    int bits;
    std::vector<std::uint32_t> palette;
    const bool colour = h.depth >= 2;
    if (colour) {
        bits = 24;
    } else if (h.blackAndWhite && h.maxval == 1) {
        bits = 1;
        // PBM: 1 is black. PAM BLACKANDWHITE: 1 is white.
        palette = h.format == '7' ? std::vector<std::uint32_t>{0x000000, 0xFFFFFF}
                                  : std::vector<std::uint32_t>{0xFFFFFF, 0x000000};
    } else if (h.maxval <= 15) {
        bits = 4;
        for (std::uint32_t v = 0; v <= h.maxval; ++v)
            palette.push_back(grey(scale8(v, h.maxval)));
    } else {
        bits = 8;
        const std::uint32_t entries = h.maxval <= 255 ? h.maxval + 1 : 256;
        for (std::uint32_t v = 0; v < entries; ++v)
            palette.push_back(grey(h.maxval <= 255 ? scale8(v, h.maxval) : static_cast<std::uint8_t>(v)));
    }
    const std::size_t stride = ((std::size_t(bits) * h.width + 31) / 32) * 4;
    out.bitsSize = stride * h.height;
    out.bits = allocate(out.bitsSize, allocContext);
    if (!out.bits)
        return Result::noMemory;
    makeInfo(out, h, bits, palette);

    Cursor c{data, size, h.dataOffset};
    SampleReader reader{c, plain, wide, h.maxval};
    const std::uint32_t step = h.height / 100 + 1;
    for (std::uint32_t y = 0; y < h.height; ++y) {
        if (progress && y % step == 0 && progress(y, h.height, progressContext))
            return Result::aborted;
        std::uint8_t *row = out.bits + std::size_t(h.height - 1 - y) * stride;
        std::memset(row, 0, stride);
        if (h.format == '4') {
            std::memcpy(row, data + c.pos, (h.width + 7) / 8);
            c.pos += (h.width + 7) / 8;
            continue;
        }
        if (bits == 24 && !plain && !wide && h.depth == 3) {
            const std::uint8_t *src = data + c.pos;
            for (std::uint32_t x = 0; x < h.width; ++x) {
                row[3 * x] = src[3 * x + 2];
                row[3 * x + 1] = src[3 * x + 1];
                row[3 * x + 2] = src[3 * x];
            }
            c.pos += std::size_t(h.width) * 3;
            continue;
        }
        for (std::uint32_t x = 0; x < h.width; ++x) {
            std::uint32_t s[4] = {0, 0, 0, 0};
            for (std::uint32_t i = 0; i < h.depth; ++i) {
                if (h.format == '1') {
                    // Plain PBM digits need no separators.
                    c.skipSpace();
                    if (c.atEnd() || (c.data[c.pos] != '0' && c.data[c.pos] != '1'))
                        return Result::brokenData;
                    s[i] = c.data[c.pos++] - '0';
                } else if (!reader.next(s[i])) {
                    return Result::brokenData;
                }
            }
            if (bits == 1) {
                if (s[0])
                    row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            } else if (bits == 4) {
                row[x / 2] |= static_cast<std::uint8_t>(x % 2 ? s[0] : s[0] << 4);
            } else if (bits == 8) {
                row[x] = h.maxval <= 255 ? static_cast<std::uint8_t>(s[0]) : scale8(s[0], h.maxval);
            } else {
                const bool greyAlpha = h.depth == 2;
                const std::uint32_t a = (h.alpha && (greyAlpha || h.depth == 4)) ? s[h.depth - 1] : h.maxval;
                std::uint32_t rgb[3] = {s[0], greyAlpha ? s[0] : s[1], greyAlpha ? s[0] : s[2]};
                for (std::uint32_t &v : rgb) {
                    // Over white: v·a + max·(max − a), divided by max.
                    const std::uint64_t m = h.maxval;
                    v = static_cast<std::uint32_t>((std::uint64_t(v) * a + m * (m - a) + m / 2) / m);
                }
                row[3 * x] = scale8(rgb[2], h.maxval);
                row[3 * x + 1] = scale8(rgb[1], h.maxval);
                row[3 * x + 2] = scale8(rgb[0], h.maxval);
            }
        }
    }
    if (progress && progress(h.height, h.height, progressContext))
        return Result::aborted;
    return Result::ok;
}

} // namespace netpbm
