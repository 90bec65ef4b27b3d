// The print-list commands of the main window: adding, deleting, selecting,
// checking, moving, sorting, the view style, comments and image options.
#include "app/MainForm.h"
#include "app/ListStep.h"
#include "app/EntryCheck.h"

#include "app/CommentDialog.h"
#include "app/ImageFileReader.h"
#include "app/ImageOptionDialog.h"
#include "app/controls/PictureDialogs.h"
#include "app/controls/ProgressForm.h"
#include "app/controls/QvTaskDialog.h"
#include "graphics/GraphicClass.h"
#include "graphics/GraphicClassList.h"
#include "imagelist/Thumbnail.h"
#include "model/ImageInfo.h"
#include "model/ImageInfos.h"
#include "settings/Helpers.h"
#include "settings/Stream.h"

#include <QAction>
#include <QActionGroup>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>

#include <stdexcept>

namespace vellora {

namespace {

// Lends the window's progress slot to one loop and gives it back after.
struct ProgressSlot {
    QPointer<TfrmProgress> &slot;
    QPointer<TfrmProgress> previous;
    ProgressSlot(QPointer<TfrmProgress> &s, TfrmProgress *p) : slot(s), previous(s) { slot = p; }
    ~ProgressSlot() { slot = previous; }
    ProgressSlot(const ProgressSlot &) = delete;
    ProgressSlot &operator=(const ProgressSlot &) = delete;
};

// The entries added while it lives make one undo step.
struct AddGroup {
    std::function<void()> end;
    AddGroup(std::function<void()> b, std::function<void()> e) : end(std::move(e)) { b(); }
    ~AddGroup() { end(); }
    AddGroup(const AddGroup &) = delete;
    AddGroup &operator=(const AddGroup &) = delete;
};

struct UpdateLock {
    TImageListView &view;
    explicit UpdateLock(TImageListView &v) : view(v) { view.BeginUpdate(); }
    ~UpdateLock() { view.EndUpdate(); }
    UpdateLock(const UpdateLock &) = delete;
    UpdateLock &operator=(const UpdateLock &) = delete;
};

// Enough of an embedded image for an Exif block that starts where the list
// looks for one (the segment holds at most 64 KB).
constexpr std::int64_t kEmbeddedHeadBytes = 68 * 1024;

// Where an embedded entry's picture lies, taken on the UI thread so that a
// thumbnail worker can read it without touching the entry or the view.
struct EmbeddedSource {
    QString Document;
    std::int64_t Position = -1;
    QString FileName;
    int SearchBytes = 0;
    const TGraphicClass *ByExtension = nullptr;   // the class of the file name's extension
};

EmbeddedSource embeddedSource(const TImageInfo &info, const QString &document, TImageListView &view) {
    const TGraphicClassList &classes = view.ImageClasses();
    const int index = classes.IndexOfExtension(ExtractFileExt(info.FileName()));
    return {document, info.Position(), info.FileName(), view.SearchBytes(),
            index >= 0 ? classes.GraphicClass(index) : nullptr};
}

// The picture of an embedded entry, read from its image record in the
// document that holds it: the Exif thumbnail when the bytes are an Exif JPEG
// that has one, else the image itself (PNG for kind 1, else the class of the
// file name's extension, else the class the bytes show). Null when the
// document or the record is missing or damaged, or nothing decodes it.
// Safe on a worker thread.
QImage embeddedPicture(const EmbeddedSource &source) {
    if (source.Document.isEmpty() || !QFileInfo(source.Document).isFile())
        return {};
    try {
        TFileStream stream(source.Document, TFileStream::Mode::Read);
        if (source.Position < 0 || source.Position > stream.Size() - 5)
            return {};
        stream.SetPosition(source.Position);
        const std::uint32_t length = stream.ReadU32();
        const std::uint8_t kind = stream.ReadU8();
        // A length beyond the file is a damaged record: nothing is
        // allocated for it.
        if (length <= 5 || std::int64_t(length) - 5 > stream.Remaining())
            return {};
        const std::int64_t size = std::int64_t(length) - 5;
        const std::int64_t start = stream.Position();
        // The Exif block sits at the start of the image: a photo of
        // megabytes with an Exif thumbnail costs one small read.
        {
            const std::int64_t headBytes = std::max<std::int64_t>(kEmbeddedHeadBytes, source.SearchBytes + 66 * 1024);
            QByteArray head = stream.ReadBytes(std::min(size, headBytes));
            QBuffer buffer(&head);
            buffer.open(QIODevice::ReadOnly);
            if (const std::int64_t tiff = FindExifOffset(buffer, source.SearchBytes); tiff > 0) {
                TExifThumbnail exif;
                if (ParseExifThumbnail(head.mid(tiff), exif)) {
                    QImage thumb = QImage::fromData(exif.Jpeg, "JPEG");
                    if (!thumb.isNull())
                        return thumb;
                }
            }
        }
        stream.SetPosition(start);
        QByteArray data = stream.ReadBytes(size);
        const TGraphicClass *graphicClass = kind == 1 ? &PngImageClass() : source.ByExtension;
        if (!graphicClass)
            graphicClass = DetectGraphicClass(data.left(4096));
        if (!graphicClass)
            return {};
        return DecodeOnWorker(*graphicClass, data, source.FileName);
    } catch (const std::exception &) {
        return {};
    }
}

} // namespace

// --- questions ------------------------------------------------------------------------

int TfrmMain::Ask(TQvTaskDialog &dialog, int &radio, bool &checked) {
    if (OnQuestion)
        return OnQuestion(dialog, radio, checked);
    int button = 0;
    dialog.Execute(button, radio, checked);
    return button;
}

int TfrmMain::askYesNo(const QString &instruction, const QString &content, bool withCancel) {
    TQvTaskDialog d;
    d.Parent = this;
    d.Title = QStringLiteral("Vellora");
    d.MainIcon = TTaskDialogIcon::tiQuestion;
    d.SetInstruction(instruction);
    d.SetContent(content);
    d.Buttons = {TQvCommonButton::cbYes, TQvCommonButton::cbNo};
    if (withCancel)
        d.Buttons += TQvCommonButton::cbCancel;
    d.DefaultButton = TTaskDialogDefaultButton::tdbYes;
    int radio = 0;
    bool checked = false;
    return Ask(d, radio, checked);
}

QString TfrmMain::DialogFolder(TFileQuestion question) const {
    // Pictures come from where the last ones came from, documents from where
    // the current one lives; either falls back on the other, then on home,
    // so no dialog opens on a folder-less view. Folders gone since are passed.
    const QString pictures = FSelectPath;
    const QString document = FDocument.isEmpty() ? QString() : QFileInfo(FDocument).absolutePath();
    const bool forDocument = question == TFileQuestion::fqOpenDocument || question == TFileQuestion::fqSaveDocument;
    for (const QString &folder : forDocument ? QStringList{document, pictures} : QStringList{pictures, document})
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    return QDir::homePath();
}

QStringList TfrmMain::ChooseFiles(TFileQuestion question) {
    const QString start = DialogFolder(question);
    if (OnChooseFiles)
        return OnChooseFiles(question, start);
    switch (question) {
    case TFileQuestion::fqOpenImages: {
        TQvOpenPictureDialog d(this);
        d.SetFilter(PictureFilter());
        d.setFileMode(QFileDialog::ExistingFiles);
        d.setDirectory(start);
        return d.exec() == QDialog::Accepted ? d.selectedFiles() : QStringList();
    }
    case TFileQuestion::fqFolder: {
        TFolderDialog d;
        d.Title = tr("フォルダの選択");
        d.Folder = start;
        d.Parent = this;
        return d.Execute() ? QStringList{d.Folder} : QStringList();
    }
    case TFileQuestion::fqOpenDocument: {
        QFileDialog d(this);
        d.setOption(QFileDialog::DontUseNativeDialog);
        d.setFileMode(QFileDialog::ExistingFile);
        // "*" rather than "*.*": names without a dot are files too.
        d.setNameFilters({tr("Vellora ドキュメント (*.vlpf *.VLPF)"), tr("すべてのファイル (*)")});
        d.setDirectory(start);
        return d.exec() == QDialog::Accepted ? d.selectedFiles() : QStringList();
    }
    case TFileQuestion::fqSaveDocument: {
        QFileDialog d(this, tr("ドキュメントに名前を付けて保存"));
        d.setOption(QFileDialog::DontUseNativeDialog);
        d.setAcceptMode(QFileDialog::AcceptSave);
        d.setNameFilters({tr("Vellora ドキュメント (*.vlpf)")});
        d.setDefaultSuffix(QStringLiteral("vlpf"));
        d.setDirectory(start);
        if (!FDocument.isEmpty())
            d.selectFile(QFileInfo(FDocument).fileName());
        return d.exec() == QDialog::Accepted ? d.selectedFiles() : QStringList();
    }
    }
    return {};
}

// --- adding ---------------------------------------------------------------------------

void TfrmMain::AddImages() {
    const QStringList files = ChooseFiles(TFileQuestion::fqOpenImages);
    if (files.isEmpty())
        return;
    FSelectPath = QFileInfo(files.first()).absolutePath();
    AddGroup group([this] { beginAdd(); }, [this] { endAdd(); });
    TfrmProgress progress(this);
    ProgressSlot slot(FProgress, &progress);
    progress.SetMax(int(files.size()));
    progress.SetVisibleStop(false);
    progress.SetOnCancel([this](TfrmProgress &, bool &accept) { accept = FClosing || confirmStopAdding(); });
    progress.Start();
    // What the user picked is added whatever its extension.
    TImageFileReader reader(files, lvFile->ImageClasses(), false);
    addFromReader(reader, progress, false);
    UpdateStatus(StatusBit(TStatusPanel::spCounts));
}

void TfrmMain::AddFolderCommand() {
    const QStringList chosen = ChooseFiles(TFileQuestion::fqFolder);
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return;
    FSelectPath = chosen.first();
    AddFolder(FSelectPath);
}

void TfrmMain::AddFolder(const QString &folder) {
    if (!QFileInfo(folder).isDir())
        return;
    TfrmProgress progress(this);
    ProgressSlot slot(FProgress, &progress);
    progress.SetMax(0);
    progress.SetVisibleStop(false);
    progress.SetOnCancel([this](TfrmProgress &, bool &accept) { accept = confirmStopAdding(); });
    // The window shows at once; the folder is listed on the reader's thread.
    progress.Start();
    const std::unique_ptr<TImageFileReader> reader = TImageFileReader::ForFolder(folder, lvFile->ImageClasses());
    addFromReader(*reader, progress, false);
    UpdateStatus(StatusBit(TStatusPanel::spCounts));
}

void TfrmMain::addDroppedFiles(const QStringList &collected) {
    TfrmProgress progress(this);
    ProgressSlot slot(FProgress, &progress);
    progress.SetMax(int(collected.size()));
    progress.SetVisibleStop(false);
    progress.Start();
    TImageFileReader reader(collected, lvFile->ImageClasses());
    addFromReader(reader, progress, true);
}

void TfrmMain::addFromReader(TImageFileReader &reader, TfrmProgress &progress, bool pathPrompt) {
    AddGroup group([this] { beginAdd(); }, [this] { endAdd(); });
    // Entries go in in slices of about this long with the events let
    // through between them: the window stays live however large the folder.
    constexpr std::int64_t kSliceNs = 25'000'000;
    struct Finish {
        TfrmMain &w;
        TfrmProgress &progress;
        TImageFileReader &reader;
        ~Finish() {
            reader.Stop();
            w.FAppending = false;
            w.lvFile->EndUpdate();
            progress.Finish();
        }
    } finish{*this, progress, reader};
    lvFile->BeginUpdate();
    bool counted = false;
    for (;;) {
        if (progress.Canceled() || FClosing)
            return;
        if (!counted && reader.Count() >= 0) {
            progress.SetMax(reader.Count());
            counted = true;
        }
        QElapsedTimer slice;
        slice.start();
        QString last;
        int added = 0;
        bool stop = false;
        // Auto sort sorts once per slice rather than placing every entry.
        FAppending = true;
        while (!stop && slice.nsecsElapsed() < kSliceNs) {
            std::vector<TImageFileReader::TEntry> entries = reader.Take(16);
            if (entries.empty())
                break;
            for (TImageFileReader::TEntry &entry : entries) {
                if (progress.Canceled() || FClosing) {
                    stop = true;
                    break;
                }
                last = entry.FileName;
                progress.StepIt();
                if (!entry.Info)
                    continue;
                if (!entry.Error.isEmpty())
                    std::fprintf(stderr, "vellora: %s: %s\n", entry.FileName.toLocal8Bit().constData(),
                                 entry.Error.toLocal8Bit().constData());
                TImageInfo *info = FImages->Add(std::move(entry.Info));
                addInfoItem(info, entry.ImageSize);
                noteAdded(info);
                ++added;
            }
        }
        FAppending = false;
        if (added > 0 && Action(QStringLiteral("actAutoSort"))->isChecked())
            SortOnce();
        if (!last.isEmpty())
            progress.SetPrompt(pathPrompt ? last : QFileInfo(last).fileName());
        if (stop || reader.Finished())
            return;
        if (last.isEmpty())
            reader.Wait(10);
        progress.ProcessMessages(true);
    }
}

// --- deleting -------------------------------------------------------------------------

void TfrmMain::DeleteImages() {
    if (lvFile->SelCount() == 0)
        return;
    if (askYesNo(tr("画像を削除しますか"), tr("選択した画像を削除してよろしいですか？"), false) != idYes)
        return;
    // The step keeps the entries, so the delete can be undone.
    QList<TImageInfo *> selected;
    auto &items = lvFile->Items();
    for (int i = 0; i < items.Count(); ++i)
        if (items.Item(i)->Selected() && items.Item(i)->Data())
            selected << items.Item(i)->Data();
    removeEntries(selected);
}

void TfrmMain::ClearImages() {
    if (askYesNo(tr("画像を削除しますか"), tr("すべての画像を削除してよろしいですか？"), false) != idYes)
        return;
    QList<TImageInfo *> all;
    all.reserve(FImages->Count());
    for (int i = 0; i < FImages->Count(); ++i)
        all << FImages->Items(i);
    // Entries without a record (none should exist) go as well.
    if (all.isEmpty())
        lvFile->Clear();
    removeEntries(all);
    UpdateStatus(kAllStatus);
    EnableImageActions(false);
}

// --- checks ---------------------------------------------------------------------------

void TfrmMain::CheckSelected(int how) {
    auto step = std::make_unique<TListStep>(TListStep::Kind::Checks);
    {
        UpdateLock lock(*lvFile);
        ++FQuietChecks;
        auto &items = lvFile->Items();
        for (int i = 0; i < items.Count(); ++i) {
            TImageListItem *item = items.Item(i);
            if (!item->Selected())
                continue;
            const bool before = item->Checked();
            item->SetChecked(how == 2 ? !before : how == 1);
            if (item->Checked() != before && item->Data())
                step->Checks.emplace_back(item->Data(), before);
        }
        --FQuietChecks;
    }
    if (!step->Checks.empty())
        pushStep(std::move(step));
    UpdateStatus(StatusBit(TStatusPanel::spCounts));
}

// --- moves ------------------------------------------------------------------------------

// A selected block at the edge stays where it is, in its order: an entry
// moves only past an unselected neighbour.
void TfrmMain::MoveUp() {
    if (lvFile->SelCount() == 0)
        return;
    SetAutoSort(false);
    std::vector<TImageInfo *> before = listOrder();
    auto &items = lvFile->Items();
    UpdateLock lock(*lvFile);
    for (int i = 1; i < items.Count(); ++i)
        if (items.Item(i)->Selected() && !items.Item(i - 1)->Selected())
            items.Move(i, i - 1);
    pushOrderStep(std::move(before));
}

void TfrmMain::MoveDown() {
    if (lvFile->SelCount() == 0)
        return;
    SetAutoSort(false);
    std::vector<TImageInfo *> before = listOrder();
    auto &items = lvFile->Items();
    UpdateLock lock(*lvFile);
    for (int i = items.Count() - 2; i >= 0; --i)
        if (items.Item(i)->Selected() && !items.Item(i + 1)->Selected())
            items.Move(i, i + 2);
    pushOrderStep(std::move(before));
}

void TfrmMain::MoveFirst() {
    if (lvFile->SelCount() == 0)
        return;
    SetAutoSort(false);
    std::vector<TImageInfo *> before = listOrder();
    auto &items = lvFile->Items();
    UpdateLock lock(*lvFile);
    int target = 0;
    for (int i = 0; i < items.Count(); ++i) {
        if (!items.Item(i)->Selected())
            continue;
        if (i != target)
            items.Move(i, target);
        ++target;
    }
    pushOrderStep(std::move(before));
}

void TfrmMain::MoveLast() {
    if (lvFile->SelCount() == 0)
        return;
    SetAutoSort(false);
    std::vector<TImageInfo *> before = listOrder();
    auto &items = lvFile->Items();
    UpdateLock lock(*lvFile);
    int target = items.Count();
    for (int i = items.Count() - 1; i >= 0; --i) {
        if (!items.Item(i)->Selected())
            continue;
        items.Move(i, target);
        --target;
    }
    pushOrderStep(std::move(before));
}

// --- sorting and the view ----------------------------------------------------------------

void TfrmMain::SortOnce() {
    FCustomSort = true;
    struct Reset {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{FCustomSort};
    std::vector<TImageInfo *> before = listOrder();
    lvFile->CustomSort([this](TImageListItem &a, TImageListItem &b) { return compareItems(a, b); });
    pushOrderStep(std::move(before));
}

void TfrmMain::SortByColumn(int column) {
    static constexpr TSortColumn kByColumn[] = {TSortColumn::socFileName, TSortColumn::socShotDate,
                                                TSortColumn::socFileDate, TSortColumn::socFileSize,
                                                TSortColumn::socImageWidth, TSortColumn::socCopies};
    if (column < 0 || column >= int(std::size(kByColumn)))
        return;
    const TSortColumn old = FSortCol;
    if (column == 4) {
        // Width, then height; each pair of clicks turns the order round:
        // width up, height up, width down, height down.
        const bool bySize = old == TSortColumn::socImageWidth || old == TSortColumn::socImageHeight;
        if (old == TSortColumn::socImageWidth) {
            FSortCol = TSortColumn::socImageHeight;
        } else {
            FSortCol = TSortColumn::socImageWidth;
            FSortDescending = bySize && !FSortDescending;
        }
    } else {
        FSortCol = kByColumn[column];
        // A second click on the same column turns the order round.
        FSortDescending = old == FSortCol && !FSortDescending;
    }
    UpdateSortChecks();
    SortOnce();
}

void TfrmMain::SetAutoSort(bool on) {
    QAction *a = Action(QStringLiteral("actAutoSort"));
    a->setChecked(on);
    if (on)
        SortOnce();
}

void TfrmMain::SetViewStyle(TImageViewStyle style) {
    UpdateLock lock(*lvFile);
    lvFile->SetViewStyle(style);
    installEntryMarkers();
    for (QAction *a : FViewGroup->actions())
        a->setChecked(a->data().toInt() == int(style));
}

void TfrmMain::NextViewStyle() {
    switch (lvFile->ViewStyle()) {
    case TImageViewStyle::ivsList: SetViewStyle(TImageViewStyle::ivsReport); break;
    case TImageViewStyle::ivsReport: SetViewStyle(TImageViewStyle::ivsThumbnail); break;
    default: SetViewStyle(TImageViewStyle::ivsList); break;
    }
}

// --- comment and options ------------------------------------------------------------------

void TfrmMain::EditComment() {
    QList<TImageInfo *> selected;
    auto &items = lvFile->Items();
    for (int i = 0; i < items.Count(); ++i)
        if (items.Item(i)->Selected() && items.Item(i)->Data())
            selected << items.Item(i)->Data();
    if (selected.isEmpty())
        return;
    QStringList lines;
    bool same = true;
    const QStringList &first = selected.first()->Options().Comment();
    for (TImageInfo *info : std::as_const(selected)) {
        lines += info->Options().Comment();
        same = same && info->Options().Comment() == first;
    }
    if (!same && askYesNo(tr("コメントを編集しますか"),
                          tr("複数の画像に異なるコメントが設定されています。コメントを編集すると、"
                             "すべてに同じコメントが設定されます。コメントを編集しますか？"),
                          false) != idYes)
        return;
    TfrmComment dialog(this, &iniMain);
    dialog.SetLines(same ? first : lines);
    if (OnCommentDialog ? !OnCommentDialog(dialog) : dialog.exec() != QDialog::Accepted)
        return;
    const QStringList text = dialog.Lines();
    auto step = std::make_unique<TListStep>(TListStep::Kind::Options);
    for (TImageInfo *info : std::as_const(selected)) {
        auto before = std::make_unique<TPhotoOption>();
        before->Assign(info->Options());
        info->Options().SetComment(text);
        step->Options.emplace_back(info, std::move(before));
    }
    pushStep(std::move(step));
    UpdateStatus(StatusBit(TStatusPanel::spSelection));
}

void TfrmMain::EditImageOptions(int tag) {
    QList<TImageInfo *> selected;
    auto &items = lvFile->Items();
    for (int i = 0; i < items.Count(); ++i)
        if (items.Item(i)->Selected() && items.Item(i)->Data())
            selected << items.Item(i)->Data();
    // GetSelectedOption: the first selected record's options.
    if (selected.isEmpty())
        return;
    if (selected.size() >= 2 &&
        askYesNo(tr("設定を変更しますか"),
                 tr("複数の画像が選択されています。設定を変更すると、すべての選択画像の設定が同じになります。"
                    "設定を変更してもよろしいですか？"),
                 false) != idYes)
        return;
    TPhotoOption &option = selected.first()->Options();
    auto step = std::make_unique<TListStep>(TListStep::Kind::Options);
    for (TImageInfo *info : std::as_const(selected)) {
        auto before = std::make_unique<TPhotoOption>();
        before->Assign(info->Options());
        step->Options.emplace_back(info, std::move(before));
    }
    TfrmImageOpt dialog(this, &iniMain);
    dialog.SetOption(option);
    dialog.SetPage(tag == 0 ? 1 : 0);
    if (OnImageOptionDialog ? !OnImageOptionDialog(dialog) : dialog.exec() != QDialog::Accepted)
        return;
    dialog.GetOption(option);
    for (TImageInfo *info : std::as_const(selected)) {
        if (info != selected.first()) {
            // Other records keep their own comments: copies for ten photos
            // must not replace nine comments with the first one.
            const QStringList own = info->Options().Comment();
            info->SetOptions(option);
            if (!dialog.CommentEdited())
                info->Options().SetComment(own);
        }
        // Setting options raises no event: refresh every entry ourselves.
        if (TImageListItem *item = FindInfoItem(info)) {
            setSubItems(*item, *info);
            lvFile->UpdateItem(item);
        }
    }
    pushStep(std::move(step));
    UpdateStatus(StatusBit(TStatusPanel::spSelection));
}

// --- records ------------------------------------------------------------------------------

void TfrmMain::StoreItemStates() {
    auto &items = lvFile->Items();
    // Records follow the list, so a saved document reopens in the order
    // shown: in one step when every record has its entry (the usual case;
    // a search per entry would grow with the square of the list).
    std::vector<TImageInfo *> order;
    order.reserve(std::size_t(items.Count()));
    for (int i = 0; i < items.Count(); ++i)
        if (TImageInfo *info = items.Item(i)->Data()) {
            info->SetChecked(items.Item(i)->Checked());
            info->SetSelected(items.Item(i)->Selected());
            order.push_back(info);
        }
    try {
        FImages->Reorder(order);
        return;
    } catch (const std::invalid_argument &) {
    }
    int next = 0;
    for (int i = 0; i < items.Count(); ++i) {
        TImageInfo *info = items.Item(i)->Data();
        if (!info)
            continue;
        info->SetChecked(items.Item(i)->Checked());
        info->SetSelected(items.Item(i)->Selected());
        // Records follow the list, so a saved document reopens in the
        // order shown.
        const int at = FImages->IndexOf(info);
        if (at >= 0) {
            if (at != next)
                FImages->Move(at, next);
            ++next;
        }
    }
}

// --- wiring -----------------------------------------------------------------------------

void TfrmMain::connectCommands() {
    auto on = [this](const char *name, std::function<void()> handler) {
        QAction *a = Action(QString::fromLatin1(name));
        SetActionPending(a, false);
        connect(a, &QAction::triggered, this, [this, handler = std::move(handler)] {
            // Nothing else starts while a loop with a progress window runs.
            if (FProgress)
                return;
            runGuarded(handler);
        });
    };
    on("actAddImage", [this] { AddImages(); });
    on("actAddFolder", [this] { AddFolderCommand(); });
    on("actDeleteImage", [this] { DeleteImages(); });
    on("mitClearImage", [this] { ClearImages(); });
    on("actSelectAll", [this] { lvFile->SelectAll(); });
    on("actClearSelection", [this] { lvFile->ClearSelection(); });
    on("actRevSelection", [this] {
        UpdateLock lock(*lvFile);
        auto &items = lvFile->Items();
        for (int i = 0; i < items.Count(); ++i)
            items.Item(i)->SetSelected(!items.Item(i)->Selected());
    });
    on("actCheck", [this] { CheckSelected(1); });
    on("actClearCheck", [this] { CheckSelected(0); });
    on("actRevCheck", [this] { CheckSelected(2); });
    on("actMoveUp", [this] { MoveUp(); });
    on("actMoveDown", [this] { MoveDown(); });
    on("actMoveFirst", [this] { MoveFirst(); });
    on("actMoveLast", [this] { MoveLast(); });
    on("actViewThumb", [this] { SetViewStyle(TImageViewStyle::ivsThumbnail); });
    on("actViewList", [this] { SetViewStyle(TImageViewStyle::ivsList); });
    on("actViewDetail", [this] { SetViewStyle(TImageViewStyle::ivsReport); });
    on("actViewStyle", [this] { NextViewStyle(); });
    on("actAutoSort", [this] {
        // The action has toggled itself already.
        if (Action(QStringLiteral("actAutoSort"))->isChecked())
            SortOnce();
    });
    for (QAction *a : FSortGroup->actions()) {
        SetActionPending(a, false);
        connect(a, &QAction::triggered, this, [this, a] {
            FSortCol = TSortColumn(a->data().toInt());
            FSortDescending = false;
            UpdateSortChecks();
            runGuarded([this] { SortOnce(); });
        });
    }
    on("actComment", [this] { EditComment(); });
    Action(QStringLiteral("actCopies"))->setData(0);
    Action(QStringLiteral("actImageProp"))->setData(1);
    on("actCopies", [this] { EditImageOptions(0); });
    on("actImageProp", [this] { EditImageOptions(1); });
    lvFile->OnColumnClick = [this](TImageListView &, int column) { runGuarded([this, column] { SortByColumn(column); }); };
    // Embedded entries read their pictures from the document that holds
    // them: on a thumbnail worker, or here when the view has none.
    lvFile->OnLoadImage = [this](TImageListView &view, TImageListItem &item, QImage &bitmap, bool &handled) {
        const TImageInfo *info = item.Data();
        handled = info && info->LogMode() == TImageLogging::iloStream;
        if (handled)
            bitmap = embeddedPicture(
                embeddedSource(*info, info->SourceFile().isEmpty() ? FDocument : info->SourceFile(), view));
    };
    lvFile->OnImageLoader = [this](TImageListView &view, TImageListItem &item) -> std::function<QImage()> {
        const TImageInfo *info = item.Data();
        if (!info || info->LogMode() != TImageLogging::iloStream)
            return {};
        return [source = embeddedSource(*info, info->SourceFile().isEmpty() ? FDocument : info->SourceFile(), view)] {
            return embeddedPicture(source);
        };
    };
    lvFile->OnMakeThumbnail = [this](TImageListView &, TImageListItem &item) {
        TImageInfo *info = item.Data();
        // A finished thumbnail may change what is known about the file.
        if (info && FEntryChecker)
            FEntryChecker->Forget(info);
        if (info && info->ImageWidth() == 0) {
            info->SetImageSize(TIntSize{item.ImageWidth(), item.ImageHeight()});
            item.SetSubItem(3, ImageSizeText(info->UprightImageSize()));
        }
    };

    on("mitNewPaper", [this] { NewPaper(); });
    on("actOpenPaper", [this] { OpenPaper(); });
    on("actSavePaper", [this] { SaveCurrent(); });
    on("actSaveAs", [this] { SaveDocumentAs(); });
    Action(QStringLiteral("mitNewPaper"))->setShortcut(QKeySequence(Qt::ControlModifier | Qt::Key_N));
    Action(QStringLiteral("actSaveAs"))->setShortcut(QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_S));
    Action(QStringLiteral("actSelectAll"))->setShortcut(QKeySequence(Qt::ControlModifier | Qt::Key_A));
    Action(QStringLiteral("actDeleteImage"))->setShortcut(QKeySequence(Qt::Key_Delete));
    for (const char *name : {"mitNewPaper", "actSaveAs", "actSelectAll", "actDeleteImage"})
        Action(QString::fromLatin1(name))->setShortcutContext(Qt::WindowShortcut);
}

} // namespace vellora
