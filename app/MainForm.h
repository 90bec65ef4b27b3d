// TfrmMain: the program's main window. Owns the document (the paper and the
// print list), the settings file object, the image-list view and the plug-in
// manager from start to end; offers every command through one set of
// actions shared by the menu, the tool bar and the list's pop-up menu. UI
// thread only. Commands catch their errors and show them in a message box.
#pragma once

#include "imagelist/ImageListView.h"
#include "app/controls/ProgressForm.h"
#include "app/ModifiedFlag.h"
#include "model/Types.h"
#include "settings/IniFile.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QAbstractItemView;
class QActionGroup;
class QFileDialog;
class QLabel;
class QMenu;
class QTimer;
class QToolBar;

namespace vellora {

class TSPIs;

class TDropDst;
class TfrmProgress;
class TImageFileReader;
class TImageInfo;
class TImageInfos;
class TPhotoPaper;
class TPrintOptions;
class TQvOpenPictureDialog;
class TQvTaskDialog;
class TPhotoOption;
class TfrmComment;
class TfrmImageOpt;
class TfrmOrder;
class TRecoveryFile;
class TEntryChecker;
struct TListStep;
struct TPhotoDrawReport;
class TPhotoProblems;

// What a command asks the user to choose from the file system.
enum class TFileQuestion : std::uint8_t { fqOpenImages, fqFolder, fqOpenDocument, fqSaveDocument };

// What UpdateStatus refreshes.
enum class TStatusPanel : std::uint8_t { spSelection, spCounts, spPrinter };
using TStatusPanels = std::uint8_t;   // bits over TStatusPanel ordinals
constexpr TStatusPanels StatusBit(TStatusPanel p) { return TStatusPanels(1u << unsigned(p)); }
inline constexpr TStatusPanels kAllStatus = 7;

// The text shown on a command that a later part of the program provides.
inline constexpr char16_t kPendingHint[] = u"この機能は準備中です。";

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    // Creation steps: paper and print list, placement, column widths,
    // picture filter, labels and status, settings, format registry. The
    // start-up files are loaded by LoadStartupFiles (run it from the event
    // loop once the window shows). `arguments` are the command-line paths.
    explicit TfrmMain(const QStringList &arguments = {}, QWidget *parent = nullptr);
    ~TfrmMain() override;

    // --- what dialogs and the other commands use ---------------------------
    const QString &Document() const noexcept { return FDocument; }
    TImageInfos &Images() noexcept { return *FImages; }
    TPhotoPaper &Paper() noexcept { return *FPaper; }
    int CheckedCount() const;
    bool DocumentModified() const noexcept { return FDocumentModified; }
    // True marks a change the list's undo cannot take back; false is the saved state.
    void SetDocumentModified(bool value) { value ? markPaperModified() : markClean(); }
    TExtIniFile &Ini() noexcept { return iniMain; }
    TImageListView *ListView() const noexcept { return lvFile; }
    // The entry whose data is the record, or null.
    TImageListItem *FindInfoItem(const TImageInfo *info) const;
    // Column widths of any list with a header, section AName, keys "0"...
    void RestoreListView(const QString &name, QAbstractItemView *view);
    void SaveListView(const QString &name, QAbstractItemView *view);
    void RestoreListView(const QString &name, TImageListView *view);
    void SaveListView(const QString &name, TImageListView *view);

    // --- start-up files and the list ------------------------------------------
    void BuildPictureFilter();
    const QString &SusieExt() const noexcept { return FSusieExt; }
    QString PictureFilter() const;          // the image open dialog's filter
    bool IsImageFile(const QString &fileName) const;
    void LoadStartupFiles();
    void AddFolder(const QString &folder);
    void AddImageFile(const QString &fileName);
    TImageListItem *AddInfoItem(TImageInfo *info);
    // Opens a document; a read failure shows "ドキュメントの読み取りに失敗しました。".
    // True when it was opened.
    bool OpenDocument(const QString &fileName);
    void EnableImageActions(bool selected);

    // --- paper, status, printing -------------------------------------------------
    void UpdatePaperLabels();
    void DrawPaperPreview();
    void UpdateStatus(TStatusPanels panels);
    QString StatusText(int panel) const;
    int StatusPanelWidth(int panel) const;
    // Runs the print run on the printer with a progress window.
    void PrintPaper();
    // After the layout dialog's OK: take its paper.
    void ApplyLayout(const TPhotoPaper &edited);
    // After the print-position dialog's OK.
    void ApplyAdjustment(double leftMM, double topMM);
    // Printer setup (the menu command without its error box).
    void PrinterSetup();
    // The thumbnail cache file in "Option"/"CachePath" (falls back to the
    // temporary folder when that folder cannot take it).
    QString NewCacheFileName();
    const QString &CacheFile() const noexcept { return FCacheFile; }
    // The read-me text beside the program, or in the installed doc folder.
    QString ReadmeFileName() const;
    void ShowTextFile();
    TfrmProgress *Progress() const { return FProgress; }

    // --- export, options, help ------------------------------------------------
    // The export dialog, then the run with a progress window and a result.
    void ExportPaper();
    // The options dialog; a new plug-in folder rebuilds the picture filter,
    // a new cache folder moves the thumbnail cache.
    void ChangeOptions();
    // Opens the help file: the one the user picked before, the guide
    // installed with the program (in the window's language), or one the
    // user picks now.
    void ShowHelp();
    QString FindHelpFile() const;
    // The folder the help is looked for from (the program's folder; tests
    // point it elsewhere).
    void SetHelpProgramFolder(const QString &folder) { FHelpProgramFolder = folder; }
    // The image viewer on the first selected entry.
    void PreviewImage();
    // The print-order dialog; on OK the list takes the chosen order.
    void ChangeOrder();
    // Runs the filled-in print-order dialog (true: OK); shown modally when unset.
    std::function<bool(TfrmOrder &)> OnOrderDialog;

    // --- commands that other parts of the program provide -------------------
    QAction *Action(const QString &name) const;
    // Makes a command usable (its handler is connected by the caller) or
    // puts it back to "この機能は準備中です。".
    void SetActionPending(QAction *action, bool pending);
    bool ActionPending(const QAction *action) const;
    // The print dialog and preview window return 100 / 101 as described at
    // RunPrintCommands; other results end the command.
    std::function<int(TfrmMain &)> OnPrintDialog;
    std::function<int(TfrmMain &)> OnPreviewWindow;
    // Print dialog (startWithPreview false) or preview first; 100 from the
    // dialog prints, 101 opens the preview; 100 from the preview opens the
    // dialog, 101 prints. A loop, so alternating never nests.
    void RunPrintCommands(bool startWithPreview);
    // The close query (unsaved changes); true lets the window close.
    // ConfirmSave unless replaced.
    std::function<bool(TfrmMain &)> OnCloseQuery;

    // --- questions ----------------------------------------------------------------
    // Every task-dialog question of the commands goes through Ask: the
    // dialog is shown, or handed to OnQuestion when set (tests, scripts),
    // which returns the button and fills the radio button and check box.
    int Ask(TQvTaskDialog &dialog, int &radio, bool &checked);
    std::function<int(TQvTaskDialog &, int &radio, bool &checked)> OnQuestion;
    // The file and folder dialogs: chosen paths, empty when cancelled.
    // OnChooseFiles replaces the system dialogs when set.
    QStringList ChooseFiles(TFileQuestion question);
    // The folder a file or folder dialog starts in.
    QString DialogFolder(TFileQuestion question) const;
    std::function<QStringList(TFileQuestion, const QString &start)> OnChooseFiles;
    // Run the filled-in comment and image option dialogs (true: OK); when
    // unset they are shown modally.
    std::function<bool(TfrmComment &)> OnCommentDialog;
    std::function<bool(TfrmImageOpt &)> OnImageOptionDialog;

    // --- list commands --------------------------------------------------------------
    void AddImages();
    void AddFolderCommand();
    void DeleteImages();
    void ClearImages();
    void CheckSelected(int how);   // 0 uncheck, 1 check, 2 invert
    void MoveUp();
    void MoveDown();
    void MoveFirst();
    void MoveLast();
    void SortOnce();
    void SortByColumn(int column);
    void SetAutoSort(bool on);
    void SetViewStyle(TImageViewStyle style);
    void NextViewStyle();
    void EditComment();
    // tag 0: copies page, 1: placement page.
    void EditImageOptions(int tag);
    // Records in list order, with the shown check marks and selection.
    void StoreItemStates();
    // Why the entry's photo cannot be printed (missing, unreadable, not a
    // picture, cut short); empty when nothing is known to be wrong.
    QString EntryProblem(const TImageListItem &item);

    // --- documents ------------------------------------------------------------------
    void NewPaper();
    void OpenPaper();
    // True when saved.
    bool SaveCurrent();
    bool SaveDocumentAs();
    bool SaveDocument();
    // True when the caller may go on (saved, not wanted, or clean).
    bool ConfirmSave();

    // --- undo of print-list edits -------------------------------------------------
    // Each step keeps what one edit changed (the entries removed, the marks,
    // options or order before), never a copy of the list. Undoing back to
    // the saved state clears the modified mark.
    void Undo();
    void Redo();
    bool CanUndo() const noexcept { return FStepIndex > 0; }
    bool CanRedo() const noexcept { return FStepIndex < int(FSteps.size()); }
    // Forgets every step (a document was opened or the list replaced).
    void ClearUndo();

    // --- recovery file ----------------------------------------------------------------
    // While the document is modified its state is written at most every
    // intervalMs to this process's file in `folder` (normally
    // $XDG_DATA_HOME/Vellora/recovery), on a worker thread; a normal close or
    // a save removes it. A folder that cannot be written disables it with one
    // warning.
    void EnableRecovery(const QString &folder, int intervalMs = 30000);
    static QString DefaultRecoveryFolder();
    QString RecoveryFileName() const;
    // Writes now when the document is modified and waits for the write (the
    // timer's work, for tests and benchmarks). True when a file was written.
    bool WriteRecoveryNow();
    // Offers the files other, ended processes left behind, newest first, and
    // restores the one the user takes. True when one was restored.
    bool OfferRecovery();
    // Stops writing and leaves the file as a killed process would (tests).
    void AbandonRecovery();

    // Components.
    TImageListView *lvFile;
    QLabel *imgPrev;
    QLabel *lblPaperName;
    QLabel *lblPaperSizeName;
    QLabel *lblPaperSize;
    QStatusBar *stsMain;
    TExtIniFile iniMain;
    TQvTaskDialog *dlgTask;
    TDropDst *drpImage;
    QMenu *pmnFile;   // the list's pop-up menu
    QToolBar *tbrMain;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addRegisteredFormats();   // registry formats beyond the classic list
    void createComponents();
    void createActions();
    void createMenus();
    void wireImages();
    void RestoreSettings();
    void SaveSettings();
    void UpdateSortChecks();
    void layoutStatus();
    void checkPrinter();
    void showAbout();
    void fileDropped(const QStringList &files);
    void addDroppedFiles(const QStringList &files);
    // Takes what the reader reads into the list under the progress window.
    void addFromReader(TImageFileReader &reader, TfrmProgress &progress, bool pathPrompt);
    // AddInfoItem with the pixel size when it is known already.
    TImageListItem *addInfoItem(TImageInfo *info, TIntSize knownSize);
    // Open's steps after the file is chosen: the save question, the document.
    void openDocumentCommand(const QString &fileName);
    void doLoadStart(int count);
    void doImageExist(const QString &fileName, bool &deletion);
    void doLoadOption(TImageInfo *info);
    void setSubItems(TImageListItem &item, const TImageInfo &info);
    int compareItems(TImageListItem &a, TImageListItem &b) const;
    void runGuarded(const std::function<void()> &command);
    // Runs a print run under a progress window ("prompt", then "prompt - Nページ"
    // per page, cancel between pages); nothing stays wired to the window on
    // any path. True when a cancel was asked.
    // onDrawn hears what each cell did with its photo.
    bool runWithProgress(const QString &prompt, bool pumpEvents, const std::function<void()> &run,
                         const std::function<void(const TPhotoDrawReport &, int page)> &onDrawn = {});
    // The soft-photo warning before a run; its check counts as running (no
    // printer polling, no second run) while its progress window may let input
    // through. False when the user declined or canceled the check.
    bool confirmLowResolution(const TPrintOptions &options);
    // After a print or an export: the photos that could not be used or print blurred.
    void reportPhotoProblems(const QString &title, const QString &instruction, const QString &done,
                             const TPhotoProblems &problems);
    void connectExportCommands();
    void connectOrderCommand();
    void fitDefaultColumns();
    bool confirmStopAdding();
    void connectCommands();
    void setDocumentTitle();
    void reportLostImages(const QStringList &fileNames);
    void listChanged();
    // True when the document stores the list: list edits then count as
    // changes. A named layout-only document does not; a new one always does.
    bool listCounts() const;
    void markClean();
    void markPaperModified();
    // Records an edit already made; the step's next apply undoes it.
    void pushStep(std::unique_ptr<TListStep> step);
    void applyStep(TListStep &step);
    void afterUndoRedo();
    std::vector<TImageInfo *> listOrder() const;
    void pushOrderStep(std::vector<TImageInfo *> before);
    void beginAdd();
    void endAdd();
    void noteAdded(TImageInfo *info);
    void removeEntries(const QList<TImageInfo *> &infos);
    TImageListItem *insertInfoItem(int index, TImageInfo *info, bool checked, bool selected,
                                   const QStringList *texts = nullptr);
    void recoveryTick();
    QByteArray recoverySnapshot();
    // Empty when restored, else why not.
    QString restoreRecovery(const QString &fileName, const QString &document, int saveType);
    void recoveryFailed(const QString &message);
    int askYesNo(const QString &instruction, const QString &content, bool withCancel);
    QAction *makeAction(const char *name, const QString &caption, const QKeySequence &shortcut,
                        const QString &hint, bool needsSelection);

    QStringList FArguments;
    bool FCustomSort = false;
    QAction *FAutoSortAction = nullptr;   // asked on every comparison of a sort
    QString FDocument;
    TModifiedFlag FDocumentModified{this};
    TImageLinkError FImageLinkError = TImageLinkError::ileNone;
    std::unique_ptr<TImageInfos> FImages;
    std::unique_ptr<TPhotoPaper> FPaper;
    QString FSelectPath;
    TSortColumn FSortCol = TSortColumn::socFileName;
    bool FSortDescending = false;   // a second click on the column's header
    QString FSusieExt;
    QString FSusieFilter;
    std::unique_ptr<TSPIs> spiMain;   // the image plug-ins, for the window's whole life
    QString FCacheFile;
    QActionGroup *FViewGroup = nullptr;
    QActionGroup *FSortGroup = nullptr;
    QTimer *FPrinterTimer = nullptr;
    QPointer<TfrmProgress> FProgress;
    bool FRunning = false;
    bool FClosing = false;
    QList<QAction *> FSelActions;
    QList<QAction *> FPendingActions;
    QLabel *FStatusPanels[3] = {};
    QWidget *FStatusHost = nullptr;
    bool FSelectionQueued = false;
    bool FClearOnLoad = false;
    bool FAppending = false;   // entries go in unsorted; auto sort follows once
    std::vector<std::unique_ptr<TListStep>> FSteps;
    int FStepIndex = 0;      // steps before it are done
    int FCleanIndex = 0;     // the step index of the saved state; -1 when gone
    bool FPaperModified = false;
    int FQuietChecks = 0;    // check marks set by the program, not by the user
    TListStep *FTickStep = nullptr;   // the user's ticks of this event make one step
    bool FTickOpen = false;
    int FAddDepth = 0;
    std::unique_ptr<TListStep> FAddStep;
    std::unique_ptr<TRecoveryFile> FRecovery;
    std::unique_ptr<TEntryChecker> FEntryChecker;
    void installEntryMarkers();
    QTimer *FRecoveryTimer = nullptr;
    std::uint64_t FChangeCount = 0;     // raised with every change of the document
    std::uint64_t FWrittenCount = 0;    // FChangeCount at the last recovery write
    bool FRecoveryWritten = false;      // this process's recovery file exists
    QString FRecoveryFolder;
    QString FHelpProgramFolder;
};

// "ドキュメントの読み取りに失敗しました。", the file and why, one per line.
QString DocumentReadErrorText(const QString &fileName, const QString &reason);

// The twelve built-in picture formats of the open dialog, in order.
struct TPictureFormat {
    const char *Description;   // translated where shown
    const char *Extension;
};
extern const TPictureFormat kPictureFormats[12];

} // namespace vellora
