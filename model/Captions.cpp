#include "model/Captions.h"

#include "model/PhotoPaper.h"
#include "model/TextArea.h"

namespace vellora {

namespace {

bool shrinks(const TCaptionSpec &spec)
{
    return spec.position != TCaptionPosition::cpInsideBottom;
}

// The cell height once the captions have their room.
double cellHeightAfter(const TPhotoPaper &paper, const TCaptionSpec &spec)
{
    const int rows = paper.VertDivide();
    const double extra = shrinks(spec) ? spec.height : 0.0;
    const double used = static_cast<double>(paper.MarginTop() + paper.MarginBottom())
                        + (rows - 1) * static_cast<double>(paper.Space().cy) + rows * extra;
    return (static_cast<double>(paper.PaperHeight()) - used) / rows;
}

} // namespace

bool CaptionFits(const TPhotoPaper &paper, const TCaptionSpec &spec)
{
    if (!(spec.height > 0))
        return false;
    const double h = cellHeightAfter(paper, spec);
    return shrinks(spec) ? h > 0 : h > spec.height;
}

bool ApplyCaptions(TPhotoPaper &paper, const TCaptionSpec &spec)
{
    if (!CaptionFits(paper, spec))
        return false;
    const double c = spec.height;
    if (shrinks(spec)) {
        // The caption takes its height from the margin on its side and from
        // every gap between rows, so each cell loses exactly that height.
        TFloatRect m = paper.Margins();
        if (spec.position == TCaptionPosition::cpBelow)
            m.Bottom += c;
        else
            m.Top += c;
        paper.SetMargins(m);
        if (paper.VertDivide() > 1) {
            const TFloatSize s = paper.Space();
            paper.SetSpace(FloatSize(static_cast<double>(s.cx), static_cast<double>(s.cy) + c));
        }
    }
    TPhotoAreas &cells = paper.PhotoAreas();
    for (int i = 0; i < cells.Count(); ++i) {
        TPhotoArea &cell = *cells.Items(i);
        const double w = static_cast<double>(cell.Width());
        const double h = static_cast<double>(cell.Height());
        TTextArea *t = cell.Areas().AddText();
        t->SetLinkAreaIndex(i);
        t->SetSource(spec.source);
        t->SetParentFont(spec.parentFont);
        if (!spec.parentFont)
            t->SetFont(spec.font);
        t->SetHorzAlignment(THorzAlignment::haCenter);
        t->SetVertAlignment(TVertAlignment::vaCenter);
        // A long name shrinks to the cell's width rather than running out.
        t->SetFitMode(TTextFitMode::tfmSize);
        switch (spec.position) {
        case TCaptionPosition::cpBelow: t->SetBounds(FloatRect(0, h, w, h + c)); break;
        case TCaptionPosition::cpAbove: t->SetBounds(FloatRect(0, -c, w, 0)); break;
        case TCaptionPosition::cpInsideBottom: t->SetBounds(FloatRect(0, h - c, w, h)); break;
        }
    }
    return true;
}

} // namespace vellora
