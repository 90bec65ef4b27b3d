// Captions in one step: one text area per photo area, linked to that cell and
// showing one of the text sources (file name, shooting date, ...), with the
// cells made smaller so that a caption above or below does not cover the
// photo. The areas are the designer's own kind of free areas and stay
// editable there. UI thread (works on a paper).
#pragma once

#include "model/Types.h"
#include "settings/Font.h"

namespace vellora {

class TPhotoPaper;

enum class TCaptionPosition : std::uint8_t {
    cpBelow,         // under the photo; the cells lose the caption's height
    cpAbove,         // over the photo; likewise
    cpInsideBottom,  // over the bottom of the photo, which keeps its size
};

struct TCaptionSpec {
    TTextSourceType source = TTextSourceType::tstFileName;
    TCaptionPosition position = TCaptionPosition::cpBelow;
    double height = 6.0;    // mm
    TFont font;
    bool parentFont = true; // the paper's font instead of `font`
};

// The caption height must leave the cells a positive height.
bool CaptionFits(const TPhotoPaper &paper, const TCaptionSpec &spec);

// Adds the captions (margins and spacing grow by the caption's height for
// cpBelow and cpAbove, so each cell is that much lower). Returns false, and
// changes nothing, when the caption does not fit.
bool ApplyCaptions(TPhotoPaper &paper, const TCaptionSpec &spec);

} // namespace vellora
