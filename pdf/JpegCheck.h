// Whether a JPEG file's own bytes may go into a PDF behind /DCTDecode: a
// reader must be able to decode them as they are. Accepted are baseline,
// extended and progressive Huffman frames of 8-bit samples with 1, 3 or 4
// components, a sane frame size, intact restart markers and an end-of-image
// marker. Anything else (arithmetic coding, 12-bit or lossless frames, a cut
// file) is named so the caller can decode and embed pixels instead. Walks the
// whole file once, never decodes; never throws.
#pragma once

#include "pdf/XImage.h"

#include <QByteArray>
#include <QString>

namespace vellora::pdf {

struct JpegEmbedCheck {
    JpegInfo info;
    // CMYK written by Adobe software (an APP14 "Adobe" segment): its inks
    // are stored inverted and need a reversed /Decode.
    bool adobeInverted = false;
    // Why the bytes cannot be embedded as they are; empty when they can.
    QString problem;
    bool Fit() const noexcept { return problem.isEmpty(); }
};

// Frames above this many pixels are not embedded as they are (readers
// refuse or choke on them); the caller decodes a reduced copy instead.
inline constexpr std::int64_t kMaxEmbeddedJpegPixels = std::int64_t{1} << 28;

JpegEmbedCheck CheckJpegForEmbedding(const QByteArray &jpeg) noexcept;

} // namespace vellora::pdf
