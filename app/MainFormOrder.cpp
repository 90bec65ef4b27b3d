// The main window's print-order command.
#include "app/MainForm.h"

#include "app/OrderDialog.h"
#include "model/ImageInfo.h"
#include "model/ImageInfos.h"

#include <QAction>
#include <QSet>

namespace vellora {

void TfrmMain::ChangeOrder() {
    // The dialog lists the records as the list shows them.
    StoreItemStates();
    TfrmOrder dialog(this);
    dialog.SetImages(FImages.get());
    if (OnOrderDialog ? !OnOrderDialog(dialog) : dialog.exec() != QDialog::Accepted)
        return;
    const QList<TImageInfo *> order = dialog.Order();
    // Nothing changes unless the result holds every record exactly once.
    const QSet<TImageInfo *> chosen(order.begin(), order.end());
    if (order.size() != FImages->Count() || chosen.size() != order.size())
        return;
    for (int i = 0; i < FImages->Count(); ++i)
        if (!chosen.contains(FImages->Items(i)))
            return;

    SetAutoSort(false);
    StoreItemStates();
    // The records themselves move: their options, checks, selections and
    // embedded positions stay as they are, and no file is read again.
    for (int i = 0; i < int(order.size()); ++i) {
        const int at = FImages->IndexOf(order[i]);
        if (at != i)
            FImages->Move(at, i);
    }
    // The list follows with its items, so thumbnails are not made again.
    auto &items = lvFile->Items();
    lvFile->BeginUpdate();
    for (int i = 0; i < int(order.size()); ++i) {
        int at = i;
        while (at < items.Count() && items.Item(at)->Data() != order[i])
            ++at;
        if (at < items.Count() && at != i)
            items.Move(at, i);
    }
    lvFile->EndUpdate();
    FDocumentModified = true;
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
