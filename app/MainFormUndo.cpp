// Undo and redo of the main window's print-list edits, and the modified mark
// that follows them.
#include "app/ListStep.h"
#include "app/MainForm.h"

#include "model/ImageInfo.h"
#include "model/ImageInfos.h"

#include <QAction>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <numeric>

namespace vellora {

namespace {

struct QuietChecks {
    int &depth;
    explicit QuietChecks(int &d) : depth(d) { ++depth; }
    ~QuietChecks() { --depth; }
    QuietChecks(const QuietChecks &) = delete;
    QuietChecks &operator=(const QuietChecks &) = delete;
};

} // namespace

bool TfrmMain::listCounts() const {
    // A layout-only document that has a file stores no list; a new document
    // has not chosen what it stores yet, so its list is kept.
    return FImages && !(FImages->SaveType() == TFileSaveType::fstLayout && !FDocument.isEmpty());
}

void TfrmMain::listChanged() {
    ++FChangeCount;
    if (listCounts())
        FDocumentModified = true;
}

void TfrmMain::markClean() {
    FCleanIndex = FStepIndex;
    FPaperModified = false;
    FDocumentModified = false;
}

void TfrmMain::markPaperModified() {
    ++FChangeCount;
    FPaperModified = true;
    FDocumentModified = true;
}

void TfrmMain::ClearUndo() {
    FSteps.clear();
    FStepIndex = 0;
    FCleanIndex = FDocumentModified ? -1 : 0;
    if (QAction *a = Action(QStringLiteral("actUndo")))
        a->setEnabled(false);
    if (QAction *a = Action(QStringLiteral("actRedo")))
        a->setEnabled(false);
}

void TfrmMain::pushStep(std::unique_ptr<TListStep> step) {
    if (FStepIndex < int(FSteps.size())) {
        FSteps.erase(FSteps.begin() + FStepIndex, FSteps.end());
        if (FCleanIndex > FStepIndex)
            FCleanIndex = -1;
    }
    FSteps.push_back(std::move(step));
    ++FStepIndex;
    listChanged();
    afterUndoRedo();
}

void TfrmMain::afterUndoRedo() {
    Action(QStringLiteral("actUndo"))->setEnabled(CanUndo());
    Action(QStringLiteral("actRedo"))->setEnabled(CanRedo());
}

void TfrmMain::Undo() {
    if (!CanUndo() || FProgress)
        return;
    --FStepIndex;
    applyStep(*FSteps[std::size_t(FStepIndex)]);
    ++FChangeCount;
    if (listCounts())
        FDocumentModified = FPaperModified || FStepIndex != FCleanIndex;
    afterUndoRedo();
}

void TfrmMain::Redo() {
    if (!CanRedo() || FProgress)
        return;
    applyStep(*FSteps[std::size_t(FStepIndex)]);
    ++FStepIndex;
    ++FChangeCount;
    if (listCounts())
        FDocumentModified = FPaperModified || FStepIndex != FCleanIndex;
    afterUndoRedo();
}

std::vector<TImageInfo *> TfrmMain::listOrder() const {
    const auto &items = lvFile->Items();
    std::vector<TImageInfo *> order;
    order.reserve(std::size_t(items.Count()));
    for (int i = 0; i < items.Count(); ++i)
        order.push_back(items.Item(i)->Data());
    return order;
}

void TfrmMain::pushOrderStep(std::vector<TImageInfo *> before) {
    // Adds with auto sort on sort the new entries in; their step covers it.
    if (FAddDepth > 0 || before == listOrder())
        return;
    auto step = std::make_unique<TListStep>(TListStep::Kind::Order);
    step->Order = std::move(before);
    pushStep(std::move(step));
}

void TfrmMain::beginAdd() {
    if (FAddDepth++ == 0)
        FAddStep = std::make_unique<TListStep>(TListStep::Kind::Entries);
}

void TfrmMain::endAdd() {
    if (--FAddDepth > 0)
        return;
    std::unique_ptr<TListStep> step = std::move(FAddStep);
    if (step && !step->Entries.empty())
        pushStep(std::move(step));
}

void TfrmMain::noteAdded(TImageInfo *info) {
    if (FAddStep) {
        TListStep::Entry e;
        e.Info = info;
        FAddStep->Entries.push_back(std::move(e));
    }
    listChanged();
}

void TfrmMain::removeEntries(const QList<TImageInfo *> &infos) {
    if (infos.isEmpty())
        return;
    auto step = std::make_unique<TListStep>(TListStep::Kind::Entries);
    for (TImageInfo *info : infos) {
        TListStep::Entry e;
        e.Info = info;
        step->Entries.push_back(std::move(e));
    }
    applyStep(*step);
    pushStep(std::move(step));
}

TImageListItem *TfrmMain::insertInfoItem(int index, TImageInfo *info, bool checked, bool selected,
                                         const QStringList *texts) {
    TImageListItem *item = lvFile->Items().Insert(index, info->FileName());
    item->SetData(info);
    {
        QuietChecks quiet(FQuietChecks);
        item->SetChecked(checked);
    }
    if (selected)
        item->SetSelected(true);
    if (info->LogMode() == TImageLogging::iloStream) {
        item->SetCaption(QFileInfo(info->FileName()).fileName());
        lvFile->MakeThumbnail(item);
    }
    if (info->ImageWidth() > 0 && info->ImageHeight() > 0)
        item->SetImageSize(TIntSize{info->ImageWidth(), info->ImageHeight()});
    // Nothing of the record changed while it was out of the list.
    if (texts && !texts->isEmpty())
        item->SetSubItems(*texts);
    else
        setSubItems(*item, *info);
    return item;
}

void TfrmMain::applyStep(TListStep &step) {
    auto &items = lvFile->Items();
    QHash<const TImageInfo *, TImageListItem *> itemOf;
    auto indexItems = [&] {
        itemOf.reserve(items.Count());
        for (int i = 0; i < items.Count(); ++i)
            itemOf.insert(items.Item(i)->Data(), items.Item(i));
    };
    switch (step.Kind_) {
    case TListStep::Kind::Checks: {
        indexItems();
        QuietChecks quiet(FQuietChecks);
        lvFile->BeginUpdate();
        for (auto &[info, other] : step.Checks)
            if (TImageListItem *item = itemOf.value(info)) {
                const bool now = item->Checked();
                item->SetChecked(other);
                other = now;
            }
        lvFile->EndUpdate();
        UpdateStatus(StatusBit(TStatusPanel::spCounts));
        break;
    }
    case TListStep::Kind::Options: {
        indexItems();
        for (auto &[info, other] : step.Options) {
            auto now = std::make_unique<TPhotoOption>();
            now->Assign(info->Options());
            info->SetOptions(*other);
            other = std::move(now);
            if (TImageListItem *item = itemOf.value(info)) {
                setSubItems(*item, *info);
                lvFile->UpdateItem(item);
            }
        }
        UpdateStatus(StatusBit(TStatusPanel::spSelection));
        break;
    }
    case TListStep::Kind::Order: {
        std::vector<TImageInfo *> now = listOrder();
        QHash<const TImageInfo *, int> rank;
        rank.reserve(int(step.Order.size()));
        for (int i = 0; i < int(step.Order.size()); ++i)
            rank.insert(step.Order[std::size_t(i)], i);
        lvFile->CustomSort([&rank](TImageListItem &a, TImageListItem &b) {
            return rank.value(a.Data(), -1) - rank.value(b.Data(), -1);
        });
        step.Order = std::move(now);
        break;
    }
    case TListStep::Kind::Entries: {
        std::vector<std::size_t> byList(step.Entries.size());
        std::iota(byList.begin(), byList.end(), std::size_t(0));
        std::vector<std::size_t> byRecord = byList;
        lvFile->SetSortType(TSortType::stNone);
        lvFile->BeginUpdate();
        if (step.Present) {
            QHash<const TImageInfo *, int> listIndex, recordIndex;
            listIndex.reserve(items.Count());
            for (int i = 0; i < items.Count(); ++i)
                listIndex.insert(items.Item(i)->Data(), i);
            recordIndex.reserve(FImages->Count());
            for (int i = 0; i < FImages->Count(); ++i)
                recordIndex.insert(FImages->Items(i), i);
            for (TListStep::Entry &e : step.Entries) {
                e.ListIndex = listIndex.value(e.Info, -1);
                e.RecordIndex = recordIndex.value(e.Info, -1);
                if (e.ListIndex >= 0) {
                    e.Checked = items.Item(e.ListIndex)->Checked();
                    e.Selected = items.Item(e.ListIndex)->Selected();
                    e.Texts = items.Item(e.ListIndex)->SubItems();
                }
            }
            std::sort(byList.begin(), byList.end(), [&](std::size_t a, std::size_t b) {
                return step.Entries[a].ListIndex > step.Entries[b].ListIndex;
            });
            std::sort(byRecord.begin(), byRecord.end(), [&](std::size_t a, std::size_t b) {
                return step.Entries[a].RecordIndex > step.Entries[b].RecordIndex;
            });
            if (int(step.Entries.size()) == items.Count()) {
                lvFile->Clear();
            } else {
                for (std::size_t k : byList)
                    if (const int at = step.Entries[k].ListIndex; at >= 0) {
                        items.Item(at)->SetData(nullptr);
                        items.Delete(at);
                    }
            }
            for (std::size_t k : byRecord)
                if (const int at = step.Entries[k].RecordIndex; at >= 0)
                    step.Entries[k].Owned = FImages->Take(at);
        } else {
            std::sort(byList.begin(), byList.end(), [&](std::size_t a, std::size_t b) {
                return step.Entries[a].ListIndex < step.Entries[b].ListIndex;
            });
            std::sort(byRecord.begin(), byRecord.end(), [&](std::size_t a, std::size_t b) {
                return step.Entries[a].RecordIndex < step.Entries[b].RecordIndex;
            });
            for (std::size_t k : byRecord) {
                TListStep::Entry &e = step.Entries[k];
                if (e.Owned)
                    FImages->Insert(std::clamp(e.RecordIndex, 0, FImages->Count()), std::move(e.Owned));
            }
            for (std::size_t k : byList) {
                const TListStep::Entry &e = step.Entries[k];
                if (e.ListIndex >= 0)
                    insertInfoItem(std::min(e.ListIndex, items.Count()), e.Info, e.Checked, e.Selected, &e.Texts);
            }
        }
        step.Present = !step.Present;
        lvFile->EndUpdate();
        lvFile->SetSortType(TSortType::stData);
        if (lvFile->ViewStyle() == TImageViewStyle::ivsThumbnail)
            lvFile->Arrange();
        UpdateStatus(kAllStatus);
        EnableImageActions(lvFile->SelCount() > 0);
        break;
    }
    }
}

} // namespace vellora
