// The main window's print-order command.
#include "app/MainForm.h"

#include "app/OrderDialog.h"
#include "model/ImageInfo.h"
#include "model/ImageInfos.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QHash>

#include <stdexcept>
#include <vector>

namespace vellora {

namespace {

// StoreItemStates in one step, for long lists: checks and selections into
// the records, the records in list order. False (records in their old order)
// when the list's entries are not exactly the records.
bool storeStates(TfrmMain &w) {
    TImageListView &view = *w.ListView();
    auto &items = view.Items();
    std::vector<TImageInfo *> shown;
    shown.reserve(std::size_t(items.Count()));
    for (int i = 0; i < items.Count(); ++i) {
        TImageListItem *item = items.Item(i);
        if (TImageInfo *info = item->Data()) {
            info->SetChecked(item->Checked());
            // By row: an item looks its own row up, which is slow for each of many.
            info->SetSelected(view.SelectionModel()->isSelected(view.SelectionModel()->model()->index(i, 0)));
            shown.push_back(info);
        }
    }
    try {
        w.Images().Reorder(shown);
        return true;
    } catch (const std::invalid_argument &) {
        return false;
    }
}

} // namespace

void TfrmMain::ChangeOrder() {
    // The dialog lists the records as the list shows them.
    if (!storeStates(*this))
        StoreItemStates();
    TfrmOrder dialog(this);
    dialog.SetImages(FImages.get());
    if (OnOrderDialog ? !OnOrderDialog(dialog) : dialog.exec() != QDialog::Accepted)
        return;
    const QList<TImageInfo *> chosen = dialog.Order();
    const std::vector<TImageInfo *> order(chosen.begin(), chosen.end());

    // Checks and selections go into the records, which then move in one
    // step: their options and embedded positions stay as they are, no file
    // is read again, and a result that is not every record once changes
    // nothing.
    if (!storeStates(*this))
        StoreItemStates();
    try {
        FImages->Reorder(order);
    } catch (const std::invalid_argument &) {
        return;
    }
    SetAutoSort(false);
    std::vector<TImageInfo *> before = listOrder();
    // The list follows with its items, so thumbnails are not made again.
    QHash<const TImageInfo *, int> rank;
    rank.reserve(int(order.size()));
    for (int i = 0; i < int(order.size()); ++i)
        rank.insert(order[std::size_t(i)], i);
    lvFile->CustomSort([&rank](TImageListItem &a, TImageListItem &b) {
        return rank.value(a.Data(), -1) - rank.value(b.Data(), -1);
    });
    // An order step is only kept when the order changed, so OK on the order
    // as it was leaves the document unmodified.
    pushOrderStep(std::move(before));
    if (TImageListItem *first = lvFile->Selected())
        lvFile->MakeVisible(first);
    UpdateStatus(kAllStatus);
}

void TfrmMain::connectOrderCommand() {
    QAction *a = Action(QStringLiteral("actOrder"));
    SetActionPending(a, false);
    connect(a, &QAction::triggered, this, [this] {
        // Nothing else starts while a loop with a progress window runs.
        if (FProgress)
            return;
        runGuarded([this] { ChangeOrder(); });
    });
}

} // namespace vellora
