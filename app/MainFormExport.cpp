// The main window's export, options, help and image viewer commands.
#include "app/MainForm.h"
#include "graphics/ColorManagement.h"

#include "app/ExportDialog.h"
#include "app/ExportRun.h"
#include "app/print/ResolutionWarnings.h"
#include "app/FormSettings.h"
#include "app/ImagePrevDialog.h"
#include "app/Language.h"
#include "app/OptionDialog.h"
#include "app/SelHelpDialog.h"
#include "app/controls/ProgressForm.h"
#include "app/controls/QvTaskDialog.h"
#include "model/ImageInfos.h"
#include "model/PhotoPaper.h"
#include "model/ImageInfo.h"
#include "model/PhotoTurn.h"
#include "print/DevicePrint.h"
#include "settings/Helpers.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTimer>
#include <QUrl>

namespace vellora {

namespace {

const QString kRestore = QStringLiteral("Restore");
const QString kOption = QStringLiteral("Option");
constexpr int kExportQuality = 90;
constexpr int kOpenFolderID = 100;

struct TMessage {
    QString Instruction;
    QString Text;
    TTaskDialogIcon Icon = TTaskDialogIcon::tiError;
    TQvCommonButtons Buttons{TQvCommonButton::cbOk};
    TTaskDialogDefaultButton Default = TTaskDialogDefaultButton::tdbOk;
    QString OpenFolder;   // a "フォルダを開く" button when set
};

TMessage errorMessage(const QString &instruction, const QString &text) {
    TMessage m;
    m.Instruction = instruction;
    m.Text = text;
    return m;
}

int showMessage(QWidget *parent, const QString &title, const TMessage &m) {
    TQvTaskDialog box;
    box.Parent = parent;
    box.Title = title;
    box.SetInstruction(m.Instruction);
    box.SetContent(m.Text);
    box.MainIcon = m.Icon;
    box.Buttons = m.Buttons;
    box.DefaultButton = m.Default;
    if (!m.OpenFolder.isEmpty()) {
        box.Options += TQvTaskDialogOption::tdoCommandLinks;
        box.CustomButtons.Add(QCoreApplication::translate("vellora::TfrmMain", "フォルダを開く"), kOpenFolderID);
    }
    int button = 0, radio = 0;
    bool checked = false;
    // Through the window's question hook, which tests and scripts answer.
    TfrmMain *window = nullptr;
    for (QWidget *w = parent; w && !window; w = w->parentWidget())
        window = qobject_cast<TfrmMain *>(w);
    if (window)
        button = window->Ask(box, radio, checked);
    else
        box.Execute(button, radio, checked);
    if (button == kOpenFolderID)
        QDesktopServices::openUrl(QUrl::fromLocalFile(m.OpenFolder));
    return button;
}

// The resolution exported pages get: the printer's vertical one, else the
// default.
int exportDpi() {
    auto *device = dynamic_cast<TDevicePrint *>(&QvPrint());
    if (device && !device->PrinterNames().isEmpty() && device->DPI().cy > 0)
        return device->DPI().cy;
    return kExportDefaultDpi;
}

// A list of names for a message: the first few and how many more.
QString nameList(const QStringList &files) {
    constexpr int shown = 8;
    QStringList lines;
    for (int i = 0; i < files.size() && i < shown; ++i)
        lines << QFileInfo(files[i]).fileName();
    if (files.size() > shown)
        lines << QCoreApplication::translate("vellora::TfrmMain", "ほか %1 個").arg(files.size() - shown);
    return lines.join(QLatin1Char('\n'));
}

// Folders compared as the file system sees them: resolved, case-sensitive.
QString resolvedFolder(const QString &folder) {
    if (folder.isEmpty())
        return {};
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

QString problemSummary(const TPhotoProblems &problems) {
    QStringList head;
    if (problems.Unreadable() > 0)
        head << QCoreApplication::translate("vellora::TfrmMain", "読み取れなかった画像: %1個").arg(problems.Unreadable());
    if (problems.LowResolution() > 0)
        head << QCoreApplication::translate("vellora::TfrmMain", "解像度が%1 ppi未満の画像: %2か所").arg(TPhotoProblems::kLowResolutionPpi).arg(problems.LowResolution());
    return head.join(QLatin1Char('\n')) + QLatin1Char('\n') + problems.Text();
}

} // namespace

void TfrmMain::ExportPaper() {
    if (FRunning)
        return;
    const QString title = tr("エクスポート");
    if (FImages->Count() == 0 || lvFile->Items().Count() == 0) {
        showMessage(this, title, errorMessage(tr("エクスポートに失敗しました"),
                                              tr("エクスポートできる画像がありません。")));
        return;
    }
    TPrintOptions options = FPaper->PrintOptions();
    TfrmExport dialog(iniMain, this);
    dialog.SetOutputInfo(exportDpi(), kExportQuality);
    const auto takeRange = [&options](const TfrmExport &d) {
        options.AllPage = d.AllPage();
        options.StartPage = d.StartPage();
        options.LastPage = d.LastPage();
    };
    dialog.OnConfirm = [&](TfrmExport &d) {
        takeRange(d);
        const QStringList files = ExportTargets(*FPaper, options, d.ExportType(), d.FileName(), d.StartNumber());
        if (files.isEmpty()) {
            showMessage(&d, title,
                        errorMessage(tr("エクスポートするページがありません"),
                                     options.CheckOnly ? tr("チェックした画像がありません。")
                                                       : tr("指定したページの範囲に出力するページがありません。")));
            return false;
        }
        // What would stop the run is said now, before any page is drawn.
        if (const QString problem = ExportWriteProblem(files); !problem.isEmpty()) {
            showMessage(&d, title, errorMessage(tr("エクスポートできません"), problem));
            return false;
        }
        QStringList existing;
        for (const QString &f : files)
            if (QFileInfo::exists(f))
                existing << f;
        if (existing.isEmpty())
            return true;
        TMessage ask = errorMessage(tr("ファイルを上書きしますか"),
                                    tr("次のファイルはすでにあります。\n%1").arg(nameList(existing)));
        ask.Icon = TTaskDialogIcon::tiWarning;
        ask.Buttons = {TQvCommonButton::cbYes, TQvCommonButton::cbNo};
        ask.Default = TTaskDialogDefaultButton::tdbNo;
        return showMessage(&d, title, ask) == idYes;
    };
    const bool ok = dialog.exec() == QDialog::Accepted;
    const QString fileName = dialog.FileName();
    const int startNumber = dialog.StartNumber();
    const TPrintDest dest = dialog.ExportType();
    TPrintRunSettings runSettings;
    runSettings.pdfMode = dialog.PdfMode();
    takeRange(dialog);
    if (!ok || !confirmLowResolution(options))
        return;

    int produced = 0;
    TPhotoProblems problems;
    bool canceled = false;
    try {
        canceled = runWithProgress(
            tr("エクスポートしています"), true,
            [&] { produced = RunExport(*FPaper, dest, &options, fileName, startNumber, runSettings); },
            [&problems](const TPhotoDrawReport &report, int page) { problems.Add(report, page); });
    } catch (const std::bad_alloc &) {
        throw;
    } catch (const std::exception &e) {
        const QString target = dest == TPrintDest::pdPDF ? fileName + QStringLiteral(".pdf") : fileName + QStringLiteral("*.jpg");
        showMessage(this, title, errorMessage(tr("エクスポートに失敗しました"), RunErrorText(e, target)));
        return;
    }

    const QString folder = QFileInfo(fileName).absolutePath();
    QString written;
    if (dest == TPrintDest::pdPDF)
        written = QFileInfo(fileName + QStringLiteral(".pdf")).fileName();
    else if (produced == 1)
        written = QFileInfo(fileName + QString::number(startNumber) + QStringLiteral(".jpg")).fileName();
    else if (produced > 1)
        written = QStringLiteral("%1 … %2")
                      .arg(QFileInfo(fileName + QString::number(startNumber) + QStringLiteral(".jpg")).fileName(),
                           QFileInfo(fileName + QString::number(std::int64_t(startNumber) + produced - 1)
                                     + QStringLiteral(".jpg")).fileName());
    TMessage result;
    result.Icon = TTaskDialogIcon::tiInformation;
    if (produced == 0) {
        result.Instruction = canceled ? tr("エクスポートを中止しました")
                                      : tr("エクスポートするページがありません");
        result.Text = canceled ? tr("ファイルは書き込まれていません。") : QString();
        result.Icon = canceled ? TTaskDialogIcon::tiInformation : TTaskDialogIcon::tiWarning;
    } else {
        result.Instruction = canceled ? tr("エクスポートを中止しました")
                                      : tr("エクスポートが終了しました");
        result.Text = tr("%1ページを書き込みました。\n%2\n%3").arg(produced).arg(folder, written);
        result.OpenFolder = folder;
    }
    if (!problems.Empty()) {
        // Pages with blank, partial or blurred cells are not a plain success.
        result.Instruction = canceled ? tr("エクスポートを中止しました。問題のある画像があります")
                                      : tr("エクスポートは終了しましたが、問題のある画像があります");
        result.Icon = TTaskDialogIcon::tiWarning;
        result.Text = problemSummary(problems) + QStringLiteral("\n\n") + result.Text;
    }
    showMessage(this, title, result);
}

void TfrmMain::reportPhotoProblems(const QString &title, const QString &instruction, const QString &done,
                                   const TPhotoProblems &problems) {
    TMessage m = errorMessage(instruction, problemSummary(problems) + (done.isEmpty() ? QString() : QStringLiteral("\n\n") + done));
    m.Icon = TTaskDialogIcon::tiWarning;
    showMessage(this, title, m);
}

void TfrmMain::ChangeOptions() {
    const QString temp = IncludeTrailingPathDelimiter(QDir::tempPath());
    const QString oldSusie = iniMain.ReadDirectory(kOption, QStringLiteral("Susie"), QString());
    const QString oldCache = iniMain.ReadDirectory(kOption, QStringLiteral("CachePath"), temp);
    const bool oldRotate = ExifRotate();
    const bool oldColor = ColorManage();
    TfrmOption dialog(iniMain, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (ExifRotate() != oldRotate || ColorManage() != oldColor) {
        lvFile->ActiveView()->viewport()->update();
        DrawPaperPreview();
    }
    const QString newSusie = iniMain.ReadDirectory(kOption, QStringLiteral("Susie"), QString());
    const QString newCache = iniMain.ReadDirectory(kOption, QStringLiteral("CachePath"), temp);
    if (resolvedFolder(oldSusie) != resolvedFolder(newSusie))
        BuildPictureFilter();
    // Thumbnails are kept as shown: switching colour management makes them
    // again, in a new cache file.
    if (resolvedFolder(oldCache) == resolvedFolder(newCache) && ColorManage() == oldColor)
        return;
    const QString name = NewThumbnailCacheFileName(IncludeTrailingPathDelimiter(newCache));
    if (name.isEmpty()) {
        // The old cache goes on; the setting keeps the folder it lies in.
        iniMain.WriteDirectory(kOption, QStringLiteral("CachePath"), oldCache);
        showMessage(this, tr("オプション"),
                    errorMessage(tr("テンポラリフォルダを変更できません"),
                                 tr("フォルダ「%1」にファイルを作れません。").arg(newCache)));
        return;
    }
    lvFile->CloseCache();
    if (!FCacheFile.isEmpty())
        QFile::remove(FCacheFile);
    FCacheFile = name;
    lvFile->SetCacheFileName(FCacheFile);
    auto &items = lvFile->Items();
    for (int i = 0; i < items.Count(); ++i)
        lvFile->MakeThumbnail(items[i]);
}

QString TfrmMain::FindHelpFile() const {
    const QString dir = FHelpProgramFolder.isEmpty() ? QCoreApplication::applicationDirPath() : FHelpProgramFolder;
    const QString docs = QDir::cleanPath(dir + QStringLiteral("/../share/doc/vellora"));
    // A help file of the program's own name, as older installations had.
    for (const QString &folder : {dir, docs})
        for (const char *ext : {".html", ".pdf", ".chm", ".hlp"}) {
            const QString file = folder + QStringLiteral("/vellora") + QLatin1String(ext);
            if (QFileInfo(file).isFile())
                return file;
        }
    // The guide, in the window's language first. Installed, share/ lies
    // beside bin/; an uninstalled build has it beside app/.
    const bool japanese = app::WindowLanguage() == QLatin1String("ja");
    const QStringList languages = japanese ? QStringList{QStringLiteral("ja"), QStringLiteral("en")}
                                           : QStringList{QStringLiteral("en"), QStringLiteral("ja")};
    for (const QString &language : languages) {
        const QString file = docs + QStringLiteral("/html/%1/index.html").arg(language);
        if (QFileInfo(file).isFile())
            return file;
    }
    return {};
}

void TfrmMain::ShowHelp() {
    const QString key = QStringLiteral("HelpFile");
    QString file = iniMain.ReadStr(kRestore, key, QString());
    if (file.isEmpty() || !QFileInfo(file).isFile()) {
        // A guide found with the program is not stored: the next look
        // follows the window's language and a moved installation.
        file = FindHelpFile();
        if (file.isEmpty()) {
            TfrmSelHelp dialog(this);
            if (dialog.exec() == QDialog::Accepted && QFileInfo(dialog.HelpFileName()).isFile())
                file = QFileInfo(dialog.HelpFileName()).absoluteFilePath();
            if (file.isEmpty())
                return;
            iniMain.WriteStr(kRestore, key, file);
        }
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
        showMessage(this, tr("ヘルプの表示"),
                    errorMessage(tr("ヘルプファイルを開けませんでした"), file));
}

void TfrmMain::PreviewImage() {
    TImageListItem *item = lvFile->Selected();
    if (!item)
        return;
    TfrmImagePrev dialog(*lvFile, FPaper->DocumentFileName(), this);
    const QString forms = QStringLiteral("Forms");
    const QString name = QStringLiteral("frmImagePrev");
    ReadForm(iniMain, forms, name, &dialog);
    dialog.SetPage(item->Index());
    dialog.exec();
    WriteForm(iniMain, forms, name, &dialog);
}

void TfrmMain::connectExportCommands() {
    const std::pair<const char *, void (TfrmMain::*)()> commands[] = {
        {"mitExport", &TfrmMain::ExportPaper},
        {"mitOption", &TfrmMain::ChangeOptions},
        {"mitShowHelp", &TfrmMain::ShowHelp},
        {"actPreviewImage", &TfrmMain::PreviewImage},
    };
    for (const auto &[name, handler] : commands) {
        QAction *a = Action(QString::fromLatin1(name));
        SetActionPending(a, false);
        connect(a, &QAction::triggered, this, [this, handler] { runGuarded([this, handler] { (this->*handler)(); }); });
    }
}

} // namespace vellora
