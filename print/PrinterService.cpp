#include "print/PrinterService.h"

#include <cmath>
#include <utility>

namespace vellora {

TDeviceGeometry geometryFor(const TPaperEntry &paper, const TDeviceSettings &settings, int dpiX, int dpiY)
{
    TDeviceGeometry g;
    g.dpiX = dpiX;
    g.dpiY = dpiY;
    int w = paper.widthTenthMM, h = paper.lengthTenthMM;
    if (settings.paperSize == 256 && settings.paperWidth > 0 && settings.paperLength > 0) {
        w = settings.paperWidth;
        h = settings.paperLength;
    }
    // Margins in hundredths of a millimetre: left, top, right, bottom.
    int m[4] = {paper.left, paper.top, paper.right, paper.bottom};
    if (settings.orientation == 2) {
        // Landscape turns the sheet a quarter to the left: the portrait top
        // margin becomes the left one, and so on round the sheet.
        std::swap(w, h);
        const int l = m[0];
        m[0] = m[1];
        m[1] = m[2];
        m[2] = m[3];
        m[3] = l;
    }
    auto px = [](double hundredthsMM, int dpi) {
        return static_cast<int>(std::lround(hundredthsMM * dpi / 2540.0));
    };
    g.paperWidth = px(w * 10.0, dpiX);
    g.paperHeight = px(h * 10.0, dpiY);
    g.offsetX = px(m[0], dpiX);
    g.offsetY = px(m[1], dpiY);
    g.pageWidth = g.paperWidth - g.offsetX - px(m[2], dpiX);
    g.pageHeight = g.paperHeight - g.offsetY - px(m[3], dpiY);
    g.mmPageWidth = static_cast<int>(std::lround((w * 10.0 - m[0] - m[2]) / 10.0));
    g.mmPageHeight = static_cast<int>(std::lround((h * 10.0 - m[1] - m[3]) / 10.0));
    return g;
}

} // namespace vellora
