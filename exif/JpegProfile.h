// What a JPEG file says about the colours of its pixels: the ICC profile
// carried in APP2 "ICC_PROFILE" segments (reassembled in sequence order and
// bounded in size), the number of components of its frame, and the Exif
// mark of Adobe RGB (ColorSpace "uncalibrated" with the interoperability
// index "R03"). Only the header segments before the first scan are read.
// Never throws: a damaged profile is refused with the reason, and the photo
// is then taken as sRGB. Any thread may call.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>

class QIODevice;

namespace vellora::jpeg {

// Profiles above this are refused: real ones are a few kilobytes (the largest
// printer profiles about 2 MB), and the chunks are held in memory at once.
inline constexpr std::size_t kMaxIccProfileBytes = std::size_t{4} << 20;

struct ColorInfo {
    QByteArray iccProfile;    // the whole profile; empty when there is none or it was refused
    QString problem;          // why a profile that is there was refused; empty otherwise
    int components = 0;       // of the frame (1 grey, 3 YCbCr/RGB, 4 CMYK); 0 when no frame was seen
    bool exifAdobeRgb = false;   // the Exif mark of Adobe RGB
};

// From JPEG bytes in memory.
ColorInfo ReadColorInfo(const QByteArray &jpeg) noexcept;
// From a device positioned anywhere; reads from its start with seeks, so only
// the header segments are read, not the scan data.
ColorInfo ReadColorInfo(QIODevice &device) noexcept;

} // namespace vellora::jpeg
