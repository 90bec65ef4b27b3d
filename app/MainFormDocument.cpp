// The document commands of the main window: new paper, open, save, save as,
// the question about unsaved changes and the title naming the document.
#include "app/MainForm.h"
#include "app/Recovery.h"

#include "app/controls/QvTaskDialog.h"
#include "model/Document.h"
#include "model/ImageInfos.h"
#include "model/PhotoPaper.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QCoreApplication>
#include <QGuiApplication>

namespace vellora {

namespace {

struct TSaveTypeText {
    const char *Caption;       // translated where shown
    const char *Description;
};

// Indexed by TFileSaveType; the radio button IDs are 100 + the index.
const TSaveTypeText kSaveTypes[3] = {
    {QT_TRANSLATE_NOOP("vellora::TfrmMain", "レイアウト形式"),
     QT_TRANSLATE_NOOP("vellora::TfrmMain", "用紙のレイアウトだけを保存します。画像は保存されません。")},
    {QT_TRANSLATE_NOOP("vellora::TfrmMain", "画像リンク形式"),
     QT_TRANSLATE_NOOP("vellora::TfrmMain", "用紙のレイアウトと、画像ファイル名を保存します。元の画像ファイルの名前を変更したり、"
                                            "削除したりすると画像を印刷できません。")},
    {QT_TRANSLATE_NOOP("vellora::TfrmMain", "画像埋め込み形式"),
     QT_TRANSLATE_NOOP("vellora::TfrmMain", "用紙のレイアウトと画像を保存します。ファイルサイズが大きくなりますが、"
                                            "他のパソコンでも印刷できるなどの利点があります。")},
};

struct WaitCursor {
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace

QString DocumentReadErrorText(const QString &fileName, const QString &reason) {
    return QStringLiteral("%1\n%2\n%3").arg(QCoreApplication::translate("vellora", "ドキュメントの読み取りに失敗しました。"),   // kDocumentReadErrorText
                                                  QDir::toNativeSeparators(fileName), reason);
}

void TfrmMain::setDocumentTitle() {
    const QString name = FDocument.isEmpty() ? tr("新規ドキュメント") : QFileInfo(FDocument).fileName();
    setWindowTitle(QStringLiteral("Vellora 9 - ") + name + QStringLiteral("[*]"));
}

bool TfrmMain::ConfirmSave() {
    if (!FDocumentModified)
        return true;
    const QString name = FDocument.isEmpty() ? tr("新規ドキュメント") : QFileInfo(FDocument).fileName();
    TQvTaskDialog d;
    d.Parent = this;
    d.Title = QStringLiteral("Vellora");
    d.MainIcon = TTaskDialogIcon::tiQuestion;
    d.SetInstruction(tr("保存しますか"));
    d.SetContent(name + tr("は変更されています。") + tr("保存しますか？"));
    d.Buttons = {TQvCommonButton::cbYes, TQvCommonButton::cbNo, TQvCommonButton::cbCancel};
    d.DefaultButton = TTaskDialogDefaultButton::tdbYes;
    int radio = 0;
    bool checked = false;
    switch (Ask(d, radio, checked)) {
    case idYes:
        // A cancelled save dialog keeps the changes: the caller must not go on.
        return SaveCurrent();
    case idNo:
        return true;
    default:
        return false;
    }
}

bool TfrmMain::SaveCurrent() { return FDocument.isEmpty() ? SaveDocumentAs() : SaveDocument(); }

bool TfrmMain::SaveDocument() {
    WaitCursor wait;
    StoreItemStates();
    // The old document is replaced only once the new one is complete; the
    // embedded images of the old one are copied from it.
    QStringList lost;
    SaveDocumentFile(FDocument, *FPaper, *FImages, &lost);
    markClean();
    // The work is in the document now.
    if (FRecovery)
        FRecovery->Remove();
    setDocumentTitle();
    if (!lost.isEmpty())
        reportLostImages(lost);
    return true;
}

void TfrmMain::reportLostImages(const QStringList &fileNames) {
    // The document is saved, but these entries now hold no picture: the
    // user must hear which ones before the originals are needed.
    constexpr int kShown = 20;
    QStringList names;
    for (const QString &name : fileNames.mid(0, kShown))
        names << QFileInfo(name).fileName();
    if (fileNames.size() > kShown)
        names << tr("ほか %1 件").arg(fileNames.size() - kShown);
    TQvTaskDialog d;
    d.Parent = this;
    d.Title = QStringLiteral("Vellora");
    d.MainIcon = TTaskDialogIcon::tiWarning;
    d.SetInstruction(tr("画像データのない画像があります。"));
    d.SetContent(tr("次の画像は元の画像データが見つからないため、画像データなしで保存されました。\n") +
                 names.join(QLatin1Char('\n')));
    d.Buttons = {TQvCommonButton::cbOk};
    int radio = 0;
    bool checked = false;
    Ask(d, radio, checked);
}

bool TfrmMain::SaveDocumentAs() {
    const QStringList chosen = ChooseFiles(TFileQuestion::fqSaveDocument);
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return false;
    QString fileName = chosen.first();
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QString::fromUtf16(kDocumentExtension);

    TQvTaskDialog d;
    d.Parent = this;
    d.Title = tr("保存形式の選択");
    d.MainIcon = TTaskDialogIcon::tiQuestion;
    d.SetInstruction(tr("保存形式を選択してください。"));
    d.Buttons = {TQvCommonButton::cbOk, TQvCommonButton::cbCancel};
    d.DefaultButton = TTaskDialogDefaultButton::tdbOk;
    d.Options = {TQvTaskDialogOption::tdoAllowCancel, TQvTaskDialogOption::tdoExpandFooter};
    d.CollapsedControlText = tr("詳細情報");
    for (int i = 0; i < 3; ++i)
        d.RadioButtons.Add(QCoreApplication::translate("vellora::TfrmMain", kSaveTypes[i].Caption), 100 + i);
    // What keeps the work: the type the document has, links for a new one
    // with photos, the layout alone only when there are no photos.
    const int photos = lvFile->Items().Count();
    const int preselected = !FDocument.isEmpty() ? 100 + int(FImages->SaveType()) : photos > 0 ? 101 : 100;
    auto description = [photos](int id) {
        QString text = QCoreApplication::translate("vellora::TfrmMain", kSaveTypes[id - 100].Description);
        if (id == 100 && photos > 0)
            text += QLatin1Char('\n') + tr("レイアウト形式では、リストの%1枚の画像は保存されません。").arg(photos);
        return text;
    };
    d.DefaultRadioButtonID = preselected;
    d.SetExpandContent(description(preselected));
    if (preselected == 100 && photos > 0)
        d.Options += TQvTaskDialogOption::tdoDefaultExpanded;
    d.OnSelect = [description](TQvTaskDialog &dialog, int id) {
        if (id >= 100 && id <= 102)
            dialog.SetExpandContent(description(id));
    };
    int radio = preselected;
    bool checked = false;
    if (Ask(d, radio, checked) != idOk || radio < 100 || radio > 102)
        return false;

    // Name and type change only when the save succeeds: the old document
    // stays the source of the embedded images until then.
    const QString oldDocument = FDocument;
    const TFileSaveType oldType = FImages->SaveType();
    FImages->SetSaveType(TFileSaveType(radio - 100));
    FDocument = fileName;
    try {
        SaveDocument();
    } catch (...) {
        FDocument = oldDocument;
        FImages->SetSaveType(oldType);
        throw;
    }
    FPaper->SetDocumentFileName(FDocument);
    return true;
}

void TfrmMain::NewPaper() {
    if (!ConfirmSave())
        return;
    if (lvFile->Items().Count() > 0) {
        const int answer = askYesNo(tr("画像を消去しますか"),
                                    tr("リストの画像をすべて消去しますか？"), true);
        if (answer == idYes) {
            lvFile->Clear();
            FImages->Clear();
        } else if (answer != idNo) {
            return;
        }
    }
    FPaper->NewPaper();
    FPaper->SetInfos(&lvFile->Items());
    UpdatePaperLabels();
    DrawPaperPreview();
    ClearUndo();
    markClean();
    if (FRecovery)
        FRecovery->Remove();
    UpdateStatus(kAllStatus);
    EnableImageActions(lvFile->SelCount() > 0);
}

void TfrmMain::OpenPaper() {
    const QStringList chosen = ChooseFiles(TFileQuestion::fqOpenDocument);
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return;
    const QString fileName = chosen.first();
    if (!IsDocumentFile(fileName))
        throw Error(DocumentReadErrorText(fileName, DocumentErrorReason(TDocumentErrorReason::derNotDocument)));
    openDocumentCommand(fileName);
}

void TfrmMain::openDocumentCommand(const QString &fileName) {
    if (!ConfirmSave())
        return;
    if (OpenDocument(fileName)) {
        UpdatePaperLabels();
        DrawPaperPreview();
        EnableImageActions(lvFile->SelCount() > 0);
    }
}

} // namespace vellora
