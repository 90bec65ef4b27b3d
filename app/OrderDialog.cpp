#include "app/OrderDialog.h"

#include "app/FormSettings.h"
#include "app/MainForm.h"
#include "app/PluginStatus.h"
#include "imagelist/ImageListView.h"
#include "model/ImageInfo.h"
#include "model/ImageInfos.h"
#include "model/PhotoArea.h"
#include "model/PhotoPaper.h"
#include "model/PhotoTurn.h"
#include "plugins/SPIBmp.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QCoreApplication>
#include <QDataStream>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIODevice>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStyle>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <memory>
#include <numeric>
#include <vector>

namespace vellora {

namespace {

const QString kForms = QStringLiteral("Forms");
const QString kSourceKey = QStringLiteral("frmOrder.lvSource");
const QString kDestKey = QStringLiteral("frmOrder.lvDest");
const QString kRowsMime = QStringLiteral("application/x-vellora-order-rows");

// Rows of a selection, ascending and once each.
QList<int> selectedRows(const QTreeView &view) {
    QList<int> rows;
    for (const QModelIndex &index : view.selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

} // namespace

// The records of one list in the order shown. Moves between the lists go
// through the dialog, which owns the rules (sorting, enabling).
class TOrderListModel : public QAbstractTableModel {
public:
    using DropHandler = std::function<void(TOrderListModel &from, const QList<int> &rows, int row)>;

    explicit TOrderListModel(QObject *parent) : QAbstractTableModel(parent) {}

    const QList<TImageInfo *> &Records() const noexcept { return FRecords; }
    TImageInfo *Record(int row) const { return row >= 0 && row < FRecords.size() ? FRecords[row] : nullptr; }
    DropHandler OnDrop;
    // Set once both lists exist: drops are taken only from these models.
    QList<TOrderListModel *> FPeers;

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(FRecords.size()); }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 3; }

    QVariant data(const QModelIndex &index, int role) const override {
        const TImageInfo *info = Record(index.row());
        if (!info || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        if (role == Qt::ToolTipRole)
            return info->FileName();
        switch (index.column()) {
        case 0: return QFileInfo(info->FileName()).fileName();
        case 1: return info->ShotTimeText();
        case 2: return info->FileTimeText();
        default: return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        switch (section) {
        case 0: return QCoreApplication::translate("vellora::TOrderPreview", "ファイル名");
        case 1: return QCoreApplication::translate("vellora::TOrderPreview", "撮影日時");
        case 2: return QCoreApplication::translate("vellora::TOrderPreview", "更新日時");
        default: return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override {
        if (!index.isValid())
            return Qt::ItemIsDropEnabled;
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled;
    }

    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    QStringList mimeTypes() const override { return {kRowsMime}; }

    QMimeData *mimeData(const QModelIndexList &indexes) const override {
        QList<int> rows;
        for (const QModelIndex &index : indexes)
            rows << index.row();
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << qint64(QCoreApplication::applicationPid()) << quint64(reinterpret_cast<quintptr>(this)) << rows;
        auto *mime = new QMimeData;
        mime->setData(kRowsMime, bytes);
        return mime;
    }

    bool dropMimeData(const QMimeData *mime, Qt::DropAction action, int row, int, const QModelIndex &parent) override {
        if (action != Qt::MoveAction || !mime || !mime->hasFormat(kRowsMime) || !OnDrop)
            return false;
        QDataStream in(mime->data(kRowsMime));
        qint64 pid = 0;
        quint64 from = 0;
        QList<int> rows;
        in >> pid >> from >> rows;
        if (in.status() != QDataStream::Ok || pid != QCoreApplication::applicationPid())
            return false;
        // The pointer is only compared, never followed, until it is known.
        TOrderListModel *source = nullptr;
        for (TOrderListModel *peer : FPeers)
            if (reinterpret_cast<quintptr>(peer) == from)
                source = peer;
        if (!source || rows.isEmpty())
            return false;
        for (int r : rows)
            if (r < 0 || r >= source->rowCount())
                return false;
        if (parent.isValid())
            row = parent.row();
        if (row < 0 || row > rowCount())
            row = rowCount();
        OnDrop(*source, rows, row);
        // The move is done: the dragging view must not remove anything.
        return false;
    }

    void SetRecords(const QList<TImageInfo *> &records) {
        beginResetModel();
        FRecords = records;
        endResetModel();
    }

    void Insert(int row, const QList<TImageInfo *> &records) {
        if (records.isEmpty())
            return;
        row = std::clamp(row, 0, int(FRecords.size()));
        beginInsertRows({}, row, row + int(records.size()) - 1);
        for (int i = 0; i < records.size(); ++i)
            FRecords.insert(row + i, records[i]);
        endInsertRows();
    }

    // Removes the rows (ascending) and returns their records in that order.
    QList<TImageInfo *> Take(const QList<int> &rows) {
        QList<TImageInfo *> taken;
        for (int r : rows)
            taken << FRecords.at(r);
        if (rows.size() == FRecords.size()) {
            SetRecords({});
            return taken;
        }
        // Remove runs of adjacent rows from the end, so earlier rows keep
        // their numbers.
        int end = int(rows.size()) - 1;
        while (end >= 0) {
            int begin = end;
            while (begin > 0 && rows[begin - 1] == rows[begin] - 1)
                --begin;
            beginRemoveRows({}, rows[begin], rows[end]);
            FRecords.remove(rows[begin], rows[end] - rows[begin] + 1);
            endRemoveRows();
            end = begin - 1;
        }
        return taken;
    }

    // Stable ascending sort by the column's value; selections stay on their
    // records.
    void SortBy(int column) {
        auto less = [column](const TImageInfo *a, const TImageInfo *b) {
            if (!a || !b)
                return false;
            return column == 1 ? a->ShotTime() < b->ShotTime() : a->FileTime() < b->FileTime();
        };
        std::vector<int> order(std::size_t(FRecords.size()));
        std::iota(order.begin(), order.end(), 0);
        if (column == 0) {
            // Compare on names taken once, not per comparison.
            QStringList names;
            for (const TImageInfo *info : std::as_const(FRecords))
                names << (info ? QFileInfo(info->FileName()).fileName() : QString());
            std::stable_sort(order.begin(), order.end(),
                             [&names](int a, int b) { return names[a].compare(names[b], Qt::CaseInsensitive) < 0; });
        } else {
            std::stable_sort(order.begin(), order.end(),
                             [&](int a, int b) { return less(FRecords[a], FRecords[b]); });
        }
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        std::vector<int> newRow(order.size());
        QList<TImageInfo *> sorted;
        sorted.reserve(FRecords.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            newRow[std::size_t(order[i])] = int(i);
            sorted << FRecords[order[i]];
        }
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        for (const QModelIndex &index : before)
            after << index.sibling(newRow[std::size_t(index.row())], index.column());
        FRecords = sorted;
        changePersistentIndexList(before, after);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

private:
    QList<TImageInfo *> FRecords;
};

// --- preview ----------------------------------------------------------------------------

TOrderPreview::TOrderPreview(QWidget *parent) : QWidget(parent) {}

void TOrderPreview::SetPicture(const QImage &picture) {
    FPicture = picture;
    update();
}

void TOrderPreview::SetText(const QString &text) {
    FText = text;
    update();
}

void TOrderPreview::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (!FPicture.isNull()) {
        QSize size = FPicture.deviceIndependentSize().toSize();
        if (size.width() > width() || size.height() > height())
            size.scale(this->size(), Qt::KeepAspectRatio);
        const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(target, FPicture);
    }
    if (!FText.isEmpty()) {
        // Over the stand-in picture, on its own backdrop so that it reads.
        const QRect room = rect().adjusted(4, 4, -4, -4);
        QRect box = p.fontMetrics().boundingRect(room, Qt::AlignCenter | Qt::TextWordWrap, FText).adjusted(-4, -2, 4, 2);
        box.moveCenter(rect().center());
        p.fillRect(box, palette().window());
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, FText);
    }
}

// --- the dialog -----------------------------------------------------------------------------

TfrmOrder::TfrmOrder(TfrmMain *owner) : QDialog(owner), FOwner(owner) {
    setObjectName(QStringLiteral("frmOrder"));
    setWindowTitle(tr("印刷順序の変更"));
    Random = [](quint32 bound) { return QRandomGenerator::global()->bounded(bound); };

    FSourceModel = new TOrderListModel(this);
    FDestModel = new TOrderListModel(this);
    for (TOrderListModel *m : {FSourceModel, FDestModel}) {
        m->FPeers = {FSourceModel, FDestModel};
        m->OnDrop = [this, m](TOrderListModel &from, const QList<int> &rows, int row) { moveRecords(from, rows, *m, row); };
    }

    auto makeList = [this](const char *name, TOrderListModel *model) {
        auto *view = new QTreeView(this);
        view->setObjectName(QLatin1String(name));
        view->setModel(model);
        view->setRootIsDecorated(false);
        view->setUniformRowHeights(true);
        view->setAllColumnsShowFocus(true);
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setDragDropMode(QAbstractItemView::DragDrop);
        view->setDefaultDropAction(Qt::MoveAction);
        view->setDropIndicatorShown(true);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        view->header()->setStretchLastSection(false);
        // Wide enough for a date with seconds and milliseconds in a 9-point font.
        view->header()->resizeSection(0, 140);
        view->header()->resizeSection(1, 160);
        view->header()->resizeSection(2, 150);
        view->installEventFilter(this);
        return view;
    };
    lvDest = makeList("lvDest", FDestModel);
    lvSource = makeList("lvSource", FSourceModel);
    lvSource->header()->setSectionsClickable(true);
    lvDest->header()->setSectionsClickable(false);
    connect(lvSource->header(), &QHeaderView::sectionClicked, this, [this](int column) { SortSourceBy(column); });

    auto makeAction = [this](const char *name, const QString &caption, const QList<QKeySequence> &keys,
                             QStyle::StandardPixmap icon) {
        auto *a = new QAction(caption, this);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(caption);
        a->setStatusTip(caption);
        a->setShortcuts(keys);
        a->setIcon(style()->standardIcon(icon));
        addAction(a);
        return a;
    };
    const auto ctrl = Qt::ControlModifier;
    const auto shift = Qt::ShiftModifier;
    actAdd = makeAction("actAdd", tr("追加"), {QKeySequence(ctrl | Qt::Key_Left)}, QStyle::SP_ArrowLeft);
    actAddAll = makeAction("actAddAll", tr("すべて追加"), {QKeySequence(ctrl | shift | Qt::Key_Left)},
                           QStyle::SP_MediaSeekBackward);
    actAddRandom = makeAction("actAddRandom", tr("ランダムに追加"), {QKeySequence(ctrl | Qt::Key_R)},
                              QStyle::SP_ArrowLeft);
    actAddRandomAll = makeAction("actAddRandomAll", tr("すべてランダムに追加"),
                                 {QKeySequence(ctrl | Qt::AltModifier | Qt::Key_R)}, QStyle::SP_MediaSeekBackward);
    actDelete = makeAction("actDelete", tr("削除"), {QKeySequence(ctrl | Qt::Key_Right)}, QStyle::SP_ArrowRight);
    actDeleteAll = makeAction("actDeleteAll", tr("すべて削除"),
                              {QKeySequence(shift | Qt::Key_Delete), QKeySequence(ctrl | shift | Qt::Key_Right)},
                              QStyle::SP_MediaSeekForward);
    connect(actAdd, &QAction::triggered, this, [this] { addSelected(false); });
    connect(actAddAll, &QAction::triggered, this, [this] { addAll(false); });
    connect(actAddRandom, &QAction::triggered, this, [this] { addSelected(true); });
    connect(actAddRandomAll, &QAction::triggered, this, [this] { addAll(true); });
    connect(actDelete, &QAction::triggered, this, [this] { deleteSelected(); });
    connect(actDeleteAll, &QAction::triggered, this, [this] { deleteAll(); });

    pmnSource = new QMenu(this);
    pmnSource->setObjectName(QStringLiteral("pmnSource"));
    pmnSource->addActions({actAdd, actAddAll, actAddRandom, actAddRandomAll});
    pmnDest = new QMenu(this);
    pmnDest->setObjectName(QStringLiteral("pmnDest"));
    pmnDest->addActions({actDelete, actDeleteAll});
    connect(lvSource, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { pmnSource->popup(lvSource->viewport()->mapToGlobal(at)); });
    connect(lvDest, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { pmnDest->popup(lvDest->viewport()->mapToGlobal(at)); });

    // Selecting shows the picture; double click moves an entry across.
    for (QTreeView *view : {lvSource, lvDest}) {
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this, view](const QItemSelection &selected) {
                    updateActions();
                    if (selected.isEmpty())
                        return;
                    const QModelIndex current = view->currentIndex();
                    const int row = current.isValid() && view->selectionModel()->isRowSelected(current.row())
                                        ? current.row()
                                        : selected.indexes().first().row();
                    showPreview(static_cast<TOrderListModel *>(view->model())->Record(row));
                });
    }
    connect(lvSource, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { moveRecords(*FSourceModel, {index.row()}, *FDestModel, -1); });
    connect(lvDest, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { moveRecords(*FDestModel, {index.row()}, *FSourceModel, -1); });

    // The middle panel: the commands, then the picture.
    auto *pnlButtons = new QWidget(this);
    pnlButtons->setObjectName(QStringLiteral("pnlButtons"));
    auto *buttonBox = new QVBoxLayout(pnlButtons);
    buttonBox->setContentsMargins(0, 0, 0, 0);
    for (QAction *a : {actAdd, actAddAll, actAddRandom, actAddRandomAll, actDelete, actDeleteAll}) {
        auto *b = new QToolButton(pnlButtons);
        b->setObjectName(QStringLiteral("btn") + a->objectName().mid(3));
        b->setDefaultAction(a);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        buttonBox->addWidget(b);
        if (a == actAddRandomAll)
            buttonBox->addSpacing(12);
    }
    buttonBox->addSpacing(12);
    imgPrev = new TOrderPreview(pnlButtons);
    imgPrev->setObjectName(QStringLiteral("imgPrev"));
    FPictureRead = new TBackgroundRead(this);
    imgPrev->setMinimumSize(160, 160);
    imgPrev->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    buttonBox->addWidget(imgPrev, 1);

    auto *lists = new QHBoxLayout;
    // The two lists share what the middle panel leaves.
    lists->addWidget(lvDest, 1);
    lists->addWidget(pnlButtons, 0);
    lists->addWidget(lvSource, 1);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    QPushButton *cancel = buttons->addButton(tr("キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *box = new QVBoxLayout(this);
    box->addLayout(lists, 1);
    box->addWidget(buttons);
    resize(1100, 520);

    if (FOwner) {
        ReadForm2(FOwner->Ini(), kForms, this);
        FOwner->RestoreListView(kSourceKey, lvSource);
        FOwner->RestoreListView(kDestKey, lvDest);
    }
    updateActions();
}

TfrmOrder::~TfrmOrder() {
    if (FOwner) {
        FOwner->SaveListView(kSourceKey, lvSource);
        FOwner->SaveListView(kDestKey, lvDest);
        WriteForm2(FOwner->Ini(), kForms, this);
    }
}

void TfrmOrder::SetImages(TImageInfos *images) {
    FImages = images;
    QList<TImageInfo *> records;
    if (images) {
        records.reserve(images->Count());
        for (int i = 0; i < images->Count(); ++i)
            records << images->Items(i);
    }
    FDestModel->SetRecords({});
    FSourceModel->SetRecords(records);
    if (FSortSource >= 0)
        FSourceModel->SortBy(FSortSource);
    updateActions();
}

QList<TImageInfo *> TfrmOrder::Order() const { return FDestModel->Records(); }

QList<TImageInfo *> TfrmOrder::Remaining() const { return FSourceModel->Records(); }

void TfrmOrder::SortSourceBy(int column) {
    if (column < 0 || column > 2)
        return;
    FSortSource = column;
    FSourceModel->SortBy(column);
    lvSource->header()->setSortIndicatorShown(true);
    lvSource->header()->setSortIndicator(column, Qt::AscendingOrder);
}

void TfrmOrder::accept() {
    // Whatever the user did not place follows in source order.
    if (FSourceModel->rowCount() > 0)
        addAll(false);
    QDialog::accept();
}

void TfrmOrder::done(int result) {
    // Closing never waits for a plug-in that hangs.
    FPictureRead->Cancel();
    QDialog::done(result);
}

bool TfrmOrder::PictureLoading() const { return FPictureRead->Busy(); }

bool TfrmOrder::eventFilter(QObject *watched, QEvent *event) {
    // Ctrl+Backspace in the new order takes the selection back, as Ctrl+Right does.
    if (watched == lvDest && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Backspace && key->modifiers() == Qt::ControlModifier) {
            if (actDelete->isEnabled())
                actDelete->trigger();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmOrder::shuffle(QList<TImageInfo *> &records) {
    // Fisher–Yates: every order equally likely with a uniform generator.
    for (qsizetype i = records.size() - 1; i > 0; --i) {
        const auto j = qsizetype(Random(quint32(i + 1)));
        if (j < 0 || j > i)
            continue;   // a generator out of its range changes nothing
        std::swap(records[i], records[j]);
    }
}

void TfrmOrder::addSelected(bool random) {
    const QList<int> rows = selectedRows(*lvSource);
    if (rows.isEmpty())
        return;
    QList<TImageInfo *> records = FSourceModel->Take(rows);
    if (random)
        shuffle(records);
    FDestModel->Insert(FDestModel->rowCount(), records);
    lvDest->scrollToBottom();
    updateActions();
}

void TfrmOrder::addAll(bool random) {
    QList<TImageInfo *> records = FSourceModel->Records();
    if (records.isEmpty())
        return;
    FSourceModel->SetRecords({});
    if (random)
        shuffle(records);
    FDestModel->Insert(FDestModel->rowCount(), records);
    lvDest->scrollToBottom();
    updateActions();
}

void TfrmOrder::deleteSelected() {
    const QList<int> rows = selectedRows(*lvDest);
    if (rows.isEmpty())
        return;
    FSourceModel->Insert(FSourceModel->rowCount(), FDestModel->Take(rows));
    afterSourceChange();
}

void TfrmOrder::deleteAll() {
    const QList<TImageInfo *> records = FDestModel->Records();
    if (records.isEmpty())
        return;
    FDestModel->SetRecords({});
    FSourceModel->Insert(FSourceModel->rowCount(), records);
    afterSourceChange();
}

void TfrmOrder::moveRecords(TOrderListModel &from, const QList<int> &rows, TOrderListModel &to, int row) {
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    if (sorted.isEmpty() || sorted.first() < 0 || sorted.last() >= from.rowCount())
        return;
    if (row < 0)
        row = to.rowCount();
    if (&from == &to)
        row -= int(std::count_if(sorted.begin(), sorted.end(), [row](int r) { return r < row; }));
    to.Insert(row, from.Take(sorted));
    if (&to == FSourceModel) {
        if (&from == &to) {
            // The user ordered the source by hand: it is no longer sorted.
            FSortSource = -1;
            lvSource->header()->setSortIndicatorShown(false);
        }
        afterSourceChange();
    } else {
        updateActions();
    }
}

void TfrmOrder::afterSourceChange() {
    // A sorted source stays sorted when entries come back to it.
    if (FSortSource >= 0)
        FSourceModel->SortBy(FSortSource);
    updateActions();
}

void TfrmOrder::updateActions() {
    const bool sourceEntries = FSourceModel->rowCount() > 0;
    const bool sourceSelection = lvSource->selectionModel()->hasSelection();
    const bool destEntries = FDestModel->rowCount() > 0;
    const bool destSelection = lvDest->selectionModel()->hasSelection();
    actAdd->setEnabled(sourceSelection);
    actAddRandom->setEnabled(sourceSelection);
    actAddAll->setEnabled(sourceEntries);
    actAddRandomAll->setEnabled(sourceEntries);
    actDelete->setEnabled(destSelection);
    actDeleteAll->setEnabled(destEntries);
}

void TfrmOrder::showPreview(TImageInfo *info) {
    FPictureRead->Cancel();
    imgPrev->SetText(QString());
    if (!info) {
        imgPrev->SetPicture(QImage());
        return;
    }
    const QSize box = imgPrev->size().expandedTo(imgPrev->minimumSize()) * devicePixelRatioF();
    const QString document = FOwner ? FOwner->Paper().DocumentFileName() : QString();
    // Only as many pixels as the box shows: a large photo decodes at a DCT
    // reduction.
    auto load = [info, document, box](TLoadedPicture &loaded) {
        try {
            loaded = LoadAreaPicture(*info, document, [box](QSize full) { return full.scaled(box, Qt::KeepAspectRatio); });
        } catch (const std::exception &) {
            loaded = {};   // a damaged record or a vanished document: the thumbnail instead
        }
    };
    if (!MayReadThroughPlugin(info->FileName())) {
        TLoadedPicture loaded;
        load(loaded);
        showLoaded(info, loaded, box);
        return;
    }
    // A plug-in may take long or hang: the thumbnail stands in meanwhile and
    // the dialog stays usable.
    imgPrev->SetPicture(previewPicture(info, nullptr, box));
    imgPrev->SetText(tr("読み込み中…"));
    auto loaded = std::make_shared<TLoadedPicture>();
    FPictureRead->Start([load, loaded] { load(*loaded); },
                        [this, info, loaded, box] { showLoaded(info, *loaded, box); });
}

void TfrmOrder::showLoaded(TImageInfo *info, const TLoadedPicture &loaded, QSize box) {
    const QImage picture = previewPicture(info, &loaded, box);
    imgPrev->SetPicture(picture);
    imgPrev->SetText(picture.isNull() ? tr("画像を読み込めません") : QString());
}

QImage TfrmOrder::previewPicture(TImageInfo *info, const TLoadedPicture *loaded, QSize box) const {
    QImage picture;
    if (loaded)
        picture = ExifRotate() ? TurnImage(loaded->image, UprightTurn(loaded->orientation)) : loaded->image;
    if (picture.isNull() && FOwner)
        if (TImageListItem *item = FOwner->FindInfoItem(info)) {
            FOwner->ListView()->GetThumbnail(item, picture);
            if (ExifRotate())
                picture = TurnImage(picture, UprightTurn(static_cast<int>(Ord(info->Orientation()))));
        }
    if (!picture.isNull() && (picture.width() > box.width() || picture.height() > box.height()))
        picture = picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    picture.setDevicePixelRatio(devicePixelRatioF());
    return picture;
}

} // namespace vellora
