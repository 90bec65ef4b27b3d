// Palette building for colour reduction: TPalHistgram counts one colour
// channel, TMedianColor cuts the colour range at histogram means into up to
// 256 cubes and gives their palette, TPaletteFinder finds the nearest entry
// of a palette. Colours here are 24-bit triples in blue, green, red order
// (a bitmap's byte order), not the program's $00BBGGRR colour values.
// Plain objects for one thread at a time; nothing throws.
#pragma once

#include <QList>
#include <QRgb>
#include <array>
#include <cstdint>
#include <vector>

namespace vellora {

struct TRGBTriple {
    std::uint8_t rgbtBlue = 0;
    std::uint8_t rgbtGreen = 0;
    std::uint8_t rgbtRed = 0;
    friend bool operator==(const TRGBTriple &, const TRGBTriple &) = default;
};

// A palette as Qt's colour tables hold it (alpha ignored).
using TPalette = QList<QRgb>;

using THistgramCountArray = std::array<std::uint32_t, 256>;

class TPalHistgram {
public:
    TPalHistgram() { Clear(); }

    void Add(std::uint8_t value) { ++FHistgram[value]; }
    // Every bin starts at 1, so each value counts once before any is added.
    void Clear() { FHistgram.fill(1); }
    // Sum of bins startCol..lastCol; 0 when lastCol < startCol.
    std::uint64_t Count(int startCol, int lastCol) const;
    // Truncated mean of startCol..lastCol (0 when they hold nothing).
    std::uint8_t Average(int startCol, int lastCol) const;
    // Highest non-empty bin, not below startCol; lowest, not above lastCol.
    std::uint8_t Max(int startCol, int lastCol) const;
    std::uint8_t Min(int startCol, int lastCol) const;

    const THistgramCountArray &Histgram() const noexcept { return FHistgram; }

private:
    THistgramCountArray FHistgram{};
};

struct TMedianCube {
    int RStart = 0, RLast = 255;
    int GStart = 0, GLast = 255;
    int BStart = 0, BLast = 255;

    bool Contains(int r, int g, int b) const noexcept
    {
        return r >= RStart && r <= RLast && g >= GStart && g <= GLast && b >= BStart && b <= BLast;
    }
};

class TMedianColor {
public:
    TMedianColor() { Init(); }

    std::uint8_t BitCount() const noexcept { return FBitCount; }
    void SetBitCount(int bits);            // 0 gives 1, above 8 gives 8

    // Clears the histograms and the cubes.
    void Init();
    void Add(const TRGBTriple &color) { Add(color.rgbtRed, color.rgbtGreen, color.rgbtBlue); }
    void Add(std::uint8_t r, std::uint8_t g, std::uint8_t b);
    // Cuts BitCount rounds and builds the palette.
    void Execute();
    // The first cube holding the colour, 0 when none does.
    std::uint16_t GetPaletteIndex(const TRGBTriple &color) const;

    // Number of cubes made by Execute.
    int Count() const noexcept { return static_cast<int>(FCubes.size()); }
    int Capacity() const noexcept { return FCapacity; }
    const std::vector<TMedianCube> &Cubes() const noexcept { return FCubes; }
    // 2 entries for 1 bit, 16 for 2..4, 256 for 5..8; entries past Count are black.
    const TPalette &Palette() const noexcept { return FPalette; }

private:
    std::uint8_t FBitCount = 8;
    TPalHistgram FBlue, FGreen, FRed;
    int FCapacity = 0;
    std::vector<TMedianCube> FCubes;
    TPalette FPalette;
};

struct TPaletteEntry {
    std::uint8_t peRed = 0, peGreen = 0, peBlue = 0, peFlags = 0;
};
using TPaletteEntryArray = std::array<TPaletteEntry, 256>;

class TPaletteFinder {
public:
    // Reads up to 256 entries.
    void SetPalette(const TPalette &palette);
    int TermCount() const noexcept { return FTermCount; }
    // Limits the search to the first n entries (0: no limit).
    void SetTermCount(int n);

    int Count() const noexcept { return FCount; }
    // Index of the nearest entry by squared distance, the first on ties;
    // -1 when the palette is empty.
    int NearestIndex(std::uint8_t b, std::uint8_t g, std::uint8_t r) const;
    int NearestIndex(const TRGBTriple &color) const { return NearestIndex(color.rgbtBlue, color.rgbtGreen, color.rgbtRed); }
    // The nearest entry's colour (black when the palette is empty).
    TRGBTriple NearestRGB(std::uint8_t b, std::uint8_t g, std::uint8_t r) const;
    TRGBTriple NearestRGB(const TRGBTriple &color) const { return NearestRGB(color.rgbtBlue, color.rgbtGreen, color.rgbtRed); }

private:
    void updateMax();

    int FCount = 0;
    int FMax = 0;
    TPaletteEntryArray FPalette{};
    int FTermCount = 0;
};

} // namespace vellora
