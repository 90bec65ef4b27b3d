// Colour-depth changes of QImages for icon images and small palettes:
// reducing to 1, 4, 8, 15, 16, 24 or 32 bits per pixel (mean-cut palettes,
// optional Floyd-Steinberg diffusion), and area-averaging stretch.
//
// Depths map onto QImage formats: 1 = Format_Mono (most significant bit
// first), 4 = Format_Indexed8 with at most 16 colours, 8 = Format_Indexed8,
// 15 = Format_RGB555, 16 = Format_RGB16, 24 = Format_RGB888, 32 =
// Format_RGB32 or Format_ARGB32. Other formats count as 32 bits, like the
// screen's. Any thread; nothing throws but std::bad_alloc.
#pragma once

#include "graphics/MedianColor.h"

#include <QImage>

namespace vellora {

// Bits per pixel of an image in the sense above.
int PixelDepth(const QImage &image);

// The first of 1, 4, 8, 15, 16, 24, 32 that is at least bits.
int ReducedDepth(int bits);

// Source at ReducedDepth(bits). Deeper sources going to 8 bits or fewer get
// a mean-cut palette of bits (or palette itself when usePalette), are
// diffused onto it when dither is set, and take their nearest entries.
QImage ReduceColors(const QImage &source, int bits, const TPalette &palette = {}, bool usePalette = false,
                    bool dither = false);

// Floyd-Steinberg diffusion of a 24-bit image (converted first when it is
// not) onto palette; searches at most termCount entries when 0 < termCount.
void DiffuseToPalette(QImage &image, const TPalette &palette, int termCount = 0);

// Area-averaging stretch to width x height (each at least 1); keeps the
// source's depth.
QImage StretchBitmap(const QImage &source, int width, int height);

} // namespace vellora
