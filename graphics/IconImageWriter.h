// Writes one icon image in the form icon files store it (see
// IconImageReader.h). Any thread; EQvGraphic 3 for sizes an entry cannot hold.
#pragma once

#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <vector>

namespace vellora {

// The directory entry (its data offset 0) and the image's data. colours is
// in the QImage format of depth (1, 4, 8, 15, 16, 24 or 32; see
// ColorReduction.h): 15 is stored as 16-bit 5-5-5, 16 as 5-6-5 bit fields.
// transparent holds a flag per pixel (the mask), alpha a value per pixel
// (used at 32 bits), both row by row from the top.
QByteArray EncodeIconImage(const QImage &colours, int depth, const std::vector<std::uint8_t> &transparent,
                           const std::vector<std::uint8_t> &alpha);

} // namespace vellora
