// The choices of one print run: copies, collation, the cell of the first page
// that receives the first image, the page range, checked images only, the
// printer position adjustment (mm) and banding. Not stored in documents.
#pragma once

#include "graphics/Geometry.h"
#include "model/Types.h"

#include <cstdint>

namespace vellora {

class TPrintOptions {
public:
    TFloatSize Adjusts;                 // mm added to the printer's top-left margin
    bool AllPage = true;
    bool CheckOnly = false;
    bool Collate = false;
    std::int8_t Copies = 1;
    std::int32_t LastPage = 999;
    TPrintMode PrintMode = TPrintMode::pmNormal;
    std::int32_t StartArea = 1;         // 1-based cell of the first page
    std::int32_t StartPage = 1;

    void Assign(const TPrintOptions &source) { *this = source; }
};

} // namespace vellora
