// The main window's recovery file: unsaved work written in the background,
// and offered again after the program ended without saving it.
#include "app/MainForm.h"
#include "app/Recovery.h"

#include "app/controls/QvTaskDialog.h"
#include "model/Document.h"
#include "model/DocumentFormat.h"
#include "model/ImageInfo.h"
#include "model/ImageInfos.h"
#include "model/PaperPrinter.h"
#include "model/PhotoPaper.h"
#include "settings/Stream.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>
#include <exception>

namespace vellora {

QString TfrmMain::DefaultRecoveryFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Vellora/recovery");
}

QString TfrmMain::RecoveryFileName() const { return FRecovery ? FRecovery->FileName() : QString(); }

void TfrmMain::EnableRecovery(const QString &folder, int intervalMs) {
    FRecoveryFolder = folder;
    FRecovery = std::make_unique<TRecoveryFile>(folder);
    if (!FRecovery->Ok()) {
        recoveryFailed(FRecovery->Error());
        return;
    }
    if (!FRecoveryTimer) {
        FRecoveryTimer = new QTimer(this);
        FRecoveryTimer->setObjectName(QStringLiteral("tmrRecovery"));
        connect(FRecoveryTimer, &QTimer::timeout, this, [this] { runGuarded([this] { recoveryTick(); }); });
    }
    FRecoveryTimer->start(intervalMs);
}

void TfrmMain::recoveryFailed(const QString &why) {
    // Said once; the program goes on without a recovery file. The text may
    // belong to the recovery object that goes now.
    const QString message = why;
    if (FRecoveryTimer)
        FRecoveryTimer->stop();
    if (FRecovery)
        FRecovery->Remove();
    FRecovery.reset();
    TQvTaskDialog d;
    d.Parent = this;
    d.Title = QStringLiteral("Vellora");
    d.MainIcon = TTaskDialogIcon::tiWarning;
    d.SetInstruction(tr("作業の自動保存ができません"));
    d.SetContent(tr("フォルダ「%1」に書き込めないため、異常終了したときに作業を復元できません。\n%2")
                     .arg(QDir::toNativeSeparators(FRecoveryFolder), message));
    d.Buttons = {TQvCommonButton::cbOk};
    int radio = 0;
    bool checked = false;
    Ask(d, radio, checked);
}

QByteArray TfrmMain::recoverySnapshot() {
    StoreItemStates();
    TMemoryStream out;
    SavePaperToStream(out, *FPaper);
    // The list goes with links to the photos: quick to write, whatever the
    // document's own type. Writing moves entries' storage; it is put back.
    std::vector<std::pair<TImageLogging, std::int64_t>> storage;
    storage.reserve(std::size_t(FImages->Count()));
    for (int i = 0; i < FImages->Count(); ++i)
        storage.emplace_back(FImages->Items(i)->LogMode(), FImages->Items(i)->Position());
    const TFileSaveType type = FImages->SaveType();
    FImages->SetSaveType(TFileSaveType::fstLink);
    struct Restore {
        TfrmMain &w;
        TFileSaveType type;
        const std::vector<std::pair<TImageLogging, std::int64_t>> &storage;
        ~Restore() {
            w.FImages->SetSaveType(type);
            for (int i = 0; i < w.FImages->Count(); ++i)
                w.FImages->Items(i)->RestoreStorage(storage[std::size_t(i)].first, storage[std::size_t(i)].second);
        }
    } restore{*this, type, storage};
    FImages->SaveToStream(out, nullptr);
    return out.Data();
}

void TfrmMain::recoveryTick() {
    if (!FRecovery || !FRecovery->Ok() || FRunning || FProgress)
        return;
    if (!FDocumentModified) {
        // Saved or undone back: nothing to recover any more.
        if (FRecoveryWritten)
            FRecovery->Remove();
        FRecoveryWritten = false;
        return;
    }
    if (FRecoveryWritten && FWrittenCount == FChangeCount)
        return;
    QByteArray bytes;
    try {
        bytes = recoverySnapshot();
    } catch (const std::exception &e) {
        // Not a reason to interrupt the user every 30 seconds: said once.
        recoveryFailed(QString::fromUtf8(e.what()));
        return;
    }
    FWrittenCount = FChangeCount;
    FRecoveryWritten = true;
    TRecoveryInfo info;
    info.Document = FDocument;
    info.SaveType = int(FImages->SaveType());
    info.Version = TRecoveryFile::kVersion;
    FRecovery->Write(std::move(bytes), info, this, [this](const QString &error) {
        if (!error.isEmpty() && FRecovery)
            recoveryFailed(error);
    });
}

bool TfrmMain::WriteRecoveryNow() {
    if (!FRecovery)
        return false;
    recoveryTick();
    if (!FRecovery)
        return false;
    FRecovery->Wait();
    return QFileInfo(FRecovery->FileName()).isFile();
}

void TfrmMain::AbandonRecovery() {
    if (FRecoveryTimer)
        FRecoveryTimer->stop();
    if (FRecovery)
        FRecovery->Abandon();
    FRecovery.reset();
}

QString TfrmMain::restoreRecovery(const QString &fileName, const QString &document, int saveType) {
    FImageLinkError = TImageLinkError::ileNone;
    TPhotoPaper paper;
    paper.Assign(*FPaper);
    TImageInfos images;
    images.SetOnImageExist([this](void *, const QString &name, bool &deletion) { doImageExist(name, deletion); });
    try {
        OpenDocumentFile(fileName, paper, images);
    } catch (const std::exception &e) {
        if (PaperPrinter().Paper() == &paper)
            PaperPrinter().SetPaper(FPaper.get());
        const auto *doc = dynamic_cast<const EDocumentError *>(&e);
        return DocumentErrorReason(doc ? doc->reason() : TDocumentErrorReason::derDamaged);
    }
    FPaper->Assign(paper);
    FPaper->SetInfos(&lvFile->Items());
    PaperPrinter().SetPaper(FPaper.get());
    FPaper->SetDocumentFileName(document);
    lvFile->Clear();
    FImages->Clear();
    FImages->SetSaveType(TFileSaveType(saveType));
    FImages->TakeAll(images);
    FDocument = document;
    ClearUndo();
    setDocumentTitle();
    lvFile->BeginUpdate();
    for (int i = 0; i < FImages->Count(); ++i)
        AddInfoItem(FImages->Items(i));
    lvFile->EndUpdate();
    // Unsaved work, whatever the list's place in it.
    markPaperModified();
    FCleanIndex = -1;
    UpdatePaperLabels();
    DrawPaperPreview();
    UpdateStatus(kAllStatus);
    EnableImageActions(lvFile->SelCount() > 0);
    return {};
}

bool TfrmMain::OfferRecovery() {
    const QString folder = FRecoveryFolder.isEmpty() ? DefaultRecoveryFolder() : FRecoveryFolder;
    std::vector<TRecoveryFile::TOrphan> orphans = TRecoveryFile::Orphans(folder);
    auto message = [this](TTaskDialogIcon icon, const QString &instruction, const QString &content) {
        TQvTaskDialog d;
        d.Parent = this;
        d.Title = QStringLiteral("Vellora");
        d.MainIcon = icon;
        d.SetInstruction(instruction);
        d.SetContent(content);
        d.Buttons = {TQvCommonButton::cbOk};
        int radio = 0;
        bool checked = false;
        Ask(d, radio, checked);
    };
    for (TRecoveryFile::TOrphan &orphan : orphans) {
        TRecoveryInfo info;
        const bool infoRead = TRecoveryFile::ReadInfo(orphan.InfoFile, info);
        if (infoRead && info.Version > TRecoveryFile::kVersion) {
            // A newer program can still restore it: it stays.
            message(TTaskDialogIcon::tiWarning, tr("作業を復元できません"),
                    tr("前回終了時の作業は新しいバージョンの Vellora で記録されているため、"
                       "このバージョンでは復元できません。\n%1")
                        .arg(QDir::toNativeSeparators(orphan.DocumentFile)));
            continue;
        }
        if (!infoRead)
            info = TRecoveryInfo{};
        const QString name = info.Document.isEmpty() ? tr("新規ドキュメント") : QFileInfo(info.Document).fileName();
        const QString when = QLocale().toString(QDateTime::fromMSecsSinceEpoch(orphan.Written), QLocale::ShortFormat);
        TQvTaskDialog d;
        d.Parent = this;
        d.Title = QStringLiteral("Vellora");
        d.MainIcon = TTaskDialogIcon::tiQuestion;
        d.SetInstruction(tr("前回終了時の作業を復元しますか？"));
        d.SetContent(tr("%1 の保存されていない変更が残っています（%2 の状態）。\n"
                        "[いいえ]を押すと、この作業は破棄されます。").arg(name, when));
        d.Buttons = {TQvCommonButton::cbYes, TQvCommonButton::cbNo};
        d.DefaultButton = TTaskDialogDefaultButton::tdbYes;
        int radio = 0;
        bool checked = false;
        if (Ask(d, radio, checked) != idYes) {
            TRecoveryFile::Discard(orphan);
            continue;
        }
        const QString error = restoreRecovery(orphan.DocumentFile, info.Document, info.SaveType);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "vellora: %s: %s\n", orphan.DocumentFile.toLocal8Bit().constData(),
                         error.toLocal8Bit().constData());
            message(TTaskDialogIcon::tiError, tr("作業を復元できませんでした"),
                    tr("復元ファイルを読み取れませんでした。%1\n%2")
                        .arg(error, QDir::toNativeSeparators(orphan.DocumentFile)));
            TRecoveryFile::Discard(orphan);
            continue;
        }
        TRecoveryFile::Discard(orphan);
        // The restored work is this process's to keep safe from now on.
        recoveryTick();
        return true;
    }
    return false;
}

} // namespace vellora
