// The arithmetic by which a photo area places its photo: resolving automatic
// rotation, the size rules and the scale limit, alignment, the white border
// band and the output rectangle in device pixels; the bitmap rotation used for
// photos and image areas; and the choice of a reduced JPEG decode that still
// has every pixel the placement needs. Pure functions, no drawing.
#pragma once

#include "graphics/Geometry.h"
#include "model/Types.h"

#include <QImage>
#include <cstdint>

namespace vellora {

// prAuto becomes pr90 when the cell and the image have opposite orientations
// (one taller than wide, the other wider than tall); anything else, including
// a square cell, a square image or an unknown size (0 × 0), stays as it was.
TPhotoRotate ResolveAutoRotate(TPhotoRotate rotate, Extended cellWidthMM, Extended cellHeightMM,
                               std::int32_t imageWidth, std::int32_t imageHeight);

// Quarter turns clockwise of a rotation rule: 1 for pr90, 2 for pr180, 3 for
// pr270, 0 otherwise.
int QuarterTurns(TPhotoRotate rotate);
// Quarter turns clockwise of a free area's angle: 0 to 3.
int QuarterTurnsOf(TTextAngle angle);

// Everything the placement depends on. cellRect is the cell on the canvas in mm
// (bounds less the page origin); pictureWidth/Height are the photo's pixels
// after rotation.
struct TPlacementInput {
    TFloatRect cellRect;
    double resolution = 300;                 // dpi, both directions
    std::int32_t pictureWidth = 0;
    std::int32_t pictureHeight = 0;
    TPhotoSize photoSize = TPhotoSize::psPhoto;
    double photoScale = 1.0;
    TPhotoLimitMode scaleLimit = TPhotoLimitMode::plmNone;
    double protrudeWidth = 0;                // mm, psLarge only
    TPhotoAlign horizontalAlign = TPhotoAlign::paCenter;
    TPhotoAlign verticalAlign = TPhotoAlign::paCenter;
    bool border = false;
    double borderWidth = 0;                  // mm
};

struct TPhotoPlacement {
    double scale = 1.0;
    std::int32_t photoWidth = 0;             // the scaled photo, px
    std::int32_t photoHeight = 0;
    TPixelRect output;                       // the cell bitmap on the canvas, px
    std::int32_t offsetX = 0;                // the photo's top-left inside the cell bitmap
    std::int32_t offsetY = 0;
};

// Requires a non-empty picture (the size rules divide by its size).
TPhotoPlacement ComputePlacement(const TPlacementInput &in);

// How finely a placed photo prints: its source pixels per inch of paper,
// after the size rule and the scale limit (the resolution over the scale).
// 0 for a placement without a scale.
double EffectiveResolution(const TPlacementInput &in, const TPhotoPlacement &place);

// A new image turned clockwise by 90, 180 or 270 degrees (any other angle
// gives a copy). Same format and colour table as the source.
QImage RotateBitmap(const QImage &source, int angle);

// The largest JPEG reduction 1, 2, 4 or 8 whose decoded size (each side
// rounded up, as the decoder does) is still at least needWidth × needHeight.
int ChooseDecodeReduction(std::int32_t fullWidth, std::int32_t fullHeight, std::int32_t needWidth,
                          std::int32_t needHeight);

} // namespace vellora
