// Undo for the designer: a TAreasState is a full copy (Assign) of one free-area
// list — the paper's or one photo area's — or of all of them, and a
// TAreasCommand swaps such states in and out. Copies rather than replayed
// operations, because drawing may change an area (a fixed picture is turned
// once) and the chooser can rewrite many lists at a time. UI thread only.
#pragma once

#include <QUndoCommand>
#include <memory>
#include <vector>

namespace vellora {

class TAreas;
class TPhotoPaper;
class TfrmDesigner;

// List identifiers: the paper's free areas, a photo area's index, or all.
inline constexpr int kPaperList = -1;
inline constexpr int kAllLists = -2;

class TAreasState {
public:
    TAreasState(TPhotoPaper &paper, int list);
    ~TAreasState();
    int List() const noexcept { return FList; }
    // Copies the state back into the paper's lists.
    void Restore(TPhotoPaper &paper) const;
    // The paper's lists equal this state (compared as stored bytes and links).
    bool SameAs(TPhotoPaper &paper) const;

private:
    int FList;
    std::vector<std::pair<int, std::unique_ptr<TAreas>>> FLists;
};

class TAreasCommand : public QUndoCommand {
public:
    // `before` is the state the change started from; the state after is
    // taken now. The change has already been made: the first redo does nothing.
    TAreasCommand(TfrmDesigner *designer, const QString &text, std::unique_ptr<TAreasState> before,
                  std::vector<int> selBefore, std::vector<int> selAfter, int mergeId);
    void undo() override;
    void redo() override;
    int id() const override { return FMergeId; }
    bool mergeWith(const QUndoCommand *other) override;

private:
    TfrmDesigner *FDesigner;
    std::unique_ptr<TAreasState> FBefore, FAfter;
    std::vector<int> FSelBefore, FSelAfter;
    int FMergeId;
    bool FDone = true;
};

} // namespace vellora
