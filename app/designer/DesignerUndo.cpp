#include "app/designer/DesignerUndo.h"

#include "app/designer/Designer.h"
#include "model/Areas.h"
#include "model/DocumentFormat.h"
#include "model/PhotoArea.h"
#include "model/PhotoAreas.h"
#include "model/PhotoPaper.h"
#include "settings/Stream.h"

namespace vellora {

namespace {

TAreas &listOf(TPhotoPaper &paper, int list)
{
    return list == kPaperList ? paper.Areas() : paper.PhotoAreas().Items(list)->Areas();
}

QByteArray bytesOf(const TAreas &areas)
{
    TMemoryStream s;
    SaveAreasToStream(s, areas);
    QByteArray out = s.Data();
    for (int i = 0; i < areas.Count(); ++i) {
        const std::int32_t link = areas.Items(i)->LinkAreaIndex();
        out.append(reinterpret_cast<const char *>(&link), sizeof link);
    }
    return out;
}

} // namespace

TAreasState::TAreasState(TPhotoPaper &paper, int list) : FList(list)
{
    auto take = [&](int id) {
        TAreas &source = listOf(paper, id);
        std::unique_ptr<TAreas> copy = id == kPaperList ? std::make_unique<TAreas>(&paper)
                                                        : std::make_unique<TAreas>(paper.PhotoAreas().Items(id));
        copy->Assign(source);
        FLists.emplace_back(id, std::move(copy));
    };
    if (list == kAllLists) {
        take(kPaperList);
        for (int i = 0; i < paper.PhotoAreas().Count(); ++i)
            take(i);
    } else {
        take(list);
    }
}

TAreasState::~TAreasState() = default;

void TAreasState::Restore(TPhotoPaper &paper) const
{
    for (const auto &[id, areas] : FLists)
        if (id == kPaperList || id < paper.PhotoAreas().Count())
            listOf(paper, id).Assign(*areas);
}

bool TAreasState::SameAs(TPhotoPaper &paper) const
{
    for (const auto &[id, areas] : FLists) {
        if (id != kPaperList && id >= paper.PhotoAreas().Count())
            return false;
        if (bytesOf(listOf(paper, id)) != bytesOf(*areas))
            return false;
    }
    return true;
}

TAreasCommand::TAreasCommand(TfrmDesigner *designer, const QString &text, std::unique_ptr<TAreasState> before,
                             std::vector<int> selBefore, std::vector<int> selAfter, int mergeId)
    : QUndoCommand(text), FDesigner(designer), FBefore(std::move(before)),
      FSelBefore(std::move(selBefore)), FSelAfter(std::move(selAfter)), FMergeId(mergeId)
{
    FAfter = std::make_unique<TAreasState>(*FDesigner->Paper(), FBefore->List());
}

void TAreasCommand::undo()
{
    FDesigner->RestoreState(*FBefore, FSelBefore);
    FDone = false;
}

void TAreasCommand::redo()
{
    if (FDone)
        return;
    FDesigner->RestoreState(*FAfter, FSelAfter);
    FDone = true;
}

bool TAreasCommand::mergeWith(const QUndoCommand *other)
{
    const auto *o = static_cast<const TAreasCommand *>(other);
    if (o->FBefore->List() != FBefore->List())
        return false;
    FAfter = std::make_unique<TAreasState>(*FDesigner->Paper(), FBefore->List());
    FSelAfter = o->FSelAfter;
    return true;
}

} // namespace vellora
