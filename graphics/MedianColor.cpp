#include "graphics/MedianColor.h"

#include <algorithm>

namespace vellora {

namespace {

// Bin bounds from callers are held to the histogram.
int bin(int i) { return std::clamp(i, 0, 255); }

// Channels of a cube: 0 red, 1 green, 2 blue.
int &startOf(TMedianCube &c, int channel) { return channel == 0 ? c.RStart : channel == 1 ? c.GStart : c.BStart; }
int &lastOf(TMedianCube &c, int channel) { return channel == 0 ? c.RLast : channel == 1 ? c.GLast : c.BLast; }

} // namespace

std::uint64_t TPalHistgram::Count(int startCol, int lastCol) const
{
    std::uint64_t sum = 0;
    for (int i = bin(startCol); i <= bin(lastCol) && startCol <= lastCol; ++i)
        sum += FHistgram[static_cast<std::size_t>(i)];
    return sum;
}

std::uint8_t TPalHistgram::Average(int startCol, int lastCol) const
{
    const std::uint64_t count = Count(startCol, lastCol);
    if (count == 0)
        return 0;
    // Centred on 128 so that the sum stays small; the quotient truncates
    // toward zero like the mean the palettes were tuned with.
    std::int64_t sum = 0;
    for (int i = bin(startCol); i <= bin(lastCol); ++i)
        sum += static_cast<std::int64_t>(i - 128) * FHistgram[static_cast<std::size_t>(i)];
    const std::int64_t mean = sum / static_cast<std::int64_t>(count) + 128;
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(mean, 0, 255));
}

std::uint8_t TPalHistgram::Max(int startCol, int lastCol) const
{
    for (int i = bin(lastCol); i > bin(startCol); --i)
        if (FHistgram[static_cast<std::size_t>(i)] != 0)
            return static_cast<std::uint8_t>(i);
    return static_cast<std::uint8_t>(bin(startCol));
}

std::uint8_t TPalHistgram::Min(int startCol, int lastCol) const
{
    for (int i = bin(startCol); i < bin(lastCol); ++i)
        if (FHistgram[static_cast<std::size_t>(i)] != 0)
            return static_cast<std::uint8_t>(i);
    return static_cast<std::uint8_t>(bin(lastCol));
}

void TMedianColor::SetBitCount(int bits)
{
    FBitCount = static_cast<std::uint8_t>(std::clamp(bits, 1, 8));
}

void TMedianColor::Init()
{
    FRed.Clear();
    FGreen.Clear();
    FBlue.Clear();
    FCubes.clear();
    FCapacity = 0;
    FPalette.clear();
}

void TMedianColor::Add(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    FRed.Add(r);
    FGreen.Add(g);
    FBlue.Add(b);
}

void TMedianColor::Execute()
{
    FCapacity = 1 << FBitCount;
    FCubes.assign(1, TMedianCube{});
    FCubes.reserve(static_cast<std::size_t>(FCapacity));
    for (int round = 0; round < FBitCount; ++round) {
        const std::size_t existing = FCubes.size();
        for (std::size_t i = 0; i < existing; ++i) {
            TMedianCube &cube = FCubes[i];
            const int rRange = cube.RLast - cube.RStart;
            const int gRange = cube.GLast - cube.GStart;
            const int bRange = cube.BLast - cube.BStart;
            int channel = 0;   // red
            if (bRange > gRange && bRange > rRange)
                channel = 2;
            else if (gRange > rRange)
                channel = 1;
            const TPalHistgram &histgram = channel == 0 ? FRed : channel == 1 ? FGreen : FBlue;
            const int start = startOf(cube, channel);
            const int last = lastOf(cube, channel);
            int v = std::max<int>(histgram.Average(start, last), start);
            if (v == start) {
                if (start >= last)
                    continue;
                v = start + 1;
            }
            // The new cube takes the upper part; the cube keeps the lower.
            TMedianCube upper = cube;
            startOf(upper, channel) = v;
            lastOf(cube, channel) = v - 1;
            FCubes.push_back(upper);   // reserved: cube stays valid
        }
    }

    const int entries = FBitCount == 1 ? 2 : FBitCount <= 4 ? 16 : 256;
    FPalette.fill(qRgb(0, 0, 0), entries);
    for (std::size_t i = 0; i < FCubes.size() && i < static_cast<std::size_t>(entries); ++i) {
        const TMedianCube &c = FCubes[i];
        FPalette[static_cast<qsizetype>(i)] = qRgb(FRed.Average(c.RStart, c.RLast), FGreen.Average(c.GStart, c.GLast),
                                                   FBlue.Average(c.BStart, c.BLast));
    }
}

std::uint16_t TMedianColor::GetPaletteIndex(const TRGBTriple &color) const
{
    for (std::size_t i = 0; i < FCubes.size(); ++i)
        if (FCubes[i].Contains(color.rgbtRed, color.rgbtGreen, color.rgbtBlue))
            return static_cast<std::uint16_t>(i);
    return 0;
}

void TPaletteFinder::SetPalette(const TPalette &palette)
{
    FCount = static_cast<int>(std::min<qsizetype>(palette.size(), 256));
    for (int i = 0; i < FCount; ++i) {
        const QRgb c = palette[i];
        FPalette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
                                                 static_cast<std::uint8_t>(qBlue(c)), 0};
    }
    updateMax();
}

void TPaletteFinder::SetTermCount(int n)
{
    FTermCount = std::max(n, 0);
    updateMax();
}

void TPaletteFinder::updateMax()
{
    FMax = FTermCount > 0 && FTermCount < FCount ? FTermCount : FCount;
}

int TPaletteFinder::NearestIndex(std::uint8_t b, std::uint8_t g, std::uint8_t r) const
{
    int best = -1;
    int bestDistance = 0;
    for (int i = 0; i < FMax; ++i) {
        const TPaletteEntry &e = FPalette[static_cast<std::size_t>(i)];
        const int dr = e.peRed - r;
        const int dg = e.peGreen - g;
        const int db = e.peBlue - b;
        const int distance = dr * dr + dg * dg + db * db;
        if (best < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
            if (distance == 0)
                break;
        }
    }
    return best;
}

TRGBTriple TPaletteFinder::NearestRGB(std::uint8_t b, std::uint8_t g, std::uint8_t r) const
{
    const int i = NearestIndex(b, g, r);
    if (i < 0)
        return {};
    const TPaletteEntry &e = FPalette[static_cast<std::size_t>(i)];
    return {e.peBlue, e.peGreen, e.peRed};
}

} // namespace vellora
