// The user-interface font that new documents start with.
#pragma once

#include "settings/Font.h"

namespace vellora {

// The system's default GUI font: its face name and height. (On the old
// desktop systems of major version 6 the program used a fixed face at 9
// points; Linux counts as a later version.)
void SetDefaultUIFont(TFont &font);

} // namespace vellora
