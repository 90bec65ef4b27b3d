#include "settings/UIFont.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <cmath>

namespace vellora {

void SetDefaultUIFont(TFont &font)
{
    // Without a GUI application Qt has no platform fonts to ask; keep the default.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    const QFont system = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.Name = system.family();
    if (system.pixelSize() > 0)
        font.Height = -system.pixelSize();
    else if (system.pointSizeF() > 0)
        font.Height = -static_cast<std::int32_t>(std::lround(system.pointSizeF() * TFont::kScreenDpi / 72.0));
}

} // namespace vellora
