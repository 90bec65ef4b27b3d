#include "app/MainForm.h"
#include "app/ListStep.h"
#include "app/Recovery.h"
#include "app/ExportRun.h"
#include "app/EntryCheck.h"
#include "app/print/ResolutionWarnings.h"

#include "app/Application.h"
#include "app/FormSettings.h"
#include "app/PluginStatus.h"
#include "app/PrinterSetupDialog.h"
#include "app/print/PrinterColorPanel.h"
#include "app/controls/DropDst.h"
#include "app/controls/ProgressForm.h"
#include "app/controls/QvTaskDialog.h"
#include "graphics/GraphicClassList.h"
#include "graphics/QvIcon.h"
#include "model/Document.h"
#include "model/ImageInfo.h"
#include "model/ImageInfos.h"
#include "model/PaperPrinter.h"
#include "model/PhotoPaper.h"
#include "plugins/PluginSetup.h"
#include "plugins/SPIBmp.h"
#include "plugins/SPIs.h"
#include "print/DevicePrint.h"
#include "settings/Helpers.h"
#include "settings/Version.h"

#include <QAbstractItemView>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QHelpEvent>
#include <QListView>
#include <QTreeView>
#include <QToolTip>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QPainter>
#include <QScreen>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <utility>
#include <vector>

namespace vellora {

const TPictureFormat kPictureFormats[12] = {
    {QT_TRANSLATE_NOOP("vellora::TfrmMain", "JPEGイメージ"), "jpg"},
    {QT_TRANSLATE_NOOP("vellora::TfrmMain", "JPEGイメージ"), "jpeg"},
    {QT_TRANSLATE_NOOP("vellora::TfrmMain", "ビットマップ"), "bmp"},
    {"Portable Network Graphics", "png"},
    {QT_TRANSLATE_NOOP("vellora::TfrmMain", "拡張メタファイル"), "emf"},
    {QT_TRANSLATE_NOOP("vellora::TfrmMain", "Windowsメタファイル"), "wmf"},
    {QT_TRANSLATE_NOOP("vellora::TfrmMain", "GIFイメージ"), "gif"},
    {QT_TRANSLATE_NOOP("vellora::TfrmMain", "TIFFイメージ"), "tif"},
    {QT_TRANSLATE_NOOP("vellora::TfrmMain", "TIFFイメージ"), "tiff"},
    {"Kodak Photo CD", "pcd"},
    {QT_TRANSLATE_NOOP("vellora::TfrmMain", "Photoshop イメージ"), "psd"},
    {QT_TRANSLATE_NOOP("vellora::TfrmMain", "PaintShop Pro イメージ"), "psp"},
};

namespace {

const QString kForms = QStringLiteral("Forms");
const QString kRestore = QStringLiteral("Restore");
const QString kOption = QStringLiteral("Option");
const QString kMainImageList = QStringLiteral("MainImageList");

constexpr int kStatusCountsWidth = 200;
constexpr int kStatusPrinterWidth = 250;
constexpr int kStatusMinSelection = 100;

// kPendingHint, translated (spelled out so that lupdate finds it).
QString pendingHint() { return QCoreApplication::translate("vellora::TfrmMain", "この機能は準備中です。"); }

// The class that decodes a built-in format that the list does not know yet,
// when the toolkit has a decoder for it.
const TGraphicClass *extraFormatClass(const QString &ext) {
    const TGraphicClass *c = nullptr;
    if (ext == QLatin1String("tif") || ext == QLatin1String("tiff"))
        c = &TiffImageClass();
    else if (ext == QLatin1String("pcd"))
        c = &PhotoCdClass();
    else if (ext == QLatin1String("psd"))
        c = &PhotoshopClass();
    else if (ext == QLatin1String("psp"))
        c = &PaintShopProClass();
    if (c && QImageReader::supportedImageFormats().contains(c->Format))
        return c;
    return nullptr;
}

QIcon themeIcon(const char *name, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name), QApplication::style()->standardIcon(fallback));
}

} // namespace

// --- creation -----------------------------------------------------------------

TfrmMain::TfrmMain(const QStringList &arguments, QWidget *parent)
    : QMainWindow(parent), FArguments(arguments) {
    setObjectName(QStringLiteral("frmMain"));
    // "[*]" shows the unsaved-changes mark.
    setWindowTitle(tr("Vellora 9 - 新規ドキュメント[*]"));
    setWindowIcon(app::applicationIcon());
    iniMain.SetDefaultFolder(TDefaultFolder::dfAppData);
    iniMain.SetFileName(QStringLiteral("Vellora.ini"));
    SetPrinterColorSettings(&iniMain);   // the printers' output profiles are kept here

    createComponents();
    createActions();
    createMenus();
    connectCommands();
    OnCloseQuery = [](TfrmMain &w) {
        try {
            return w.ConfirmSave();
        } catch (...) {
            // The save failed: the window stays with its changes.
            ShowCurrentException(&w);
            return false;
        }
    };

    // 1. The document.
    FPaper = std::make_unique<TPhotoPaper>();
    FImages = std::make_unique<TImageInfos>();
    wireImages();
    // 2. Placement: the stored state applies only when it is "maximised".
    resize(900, 640);
    ReadForm2(iniMain, kForms, this);
    if (windowState() & Qt::WindowMinimized)
        setWindowState(windowState() & ~Qt::WindowMinimized);
    // A placement on a screen that is gone comes back onto the primary one.
    if (QScreen *primary = QGuiApplication::primaryScreen()) {
        bool visible = false;
        for (QScreen *s : QGuiApplication::screens())
            visible = visible || s->availableGeometry().intersects(geometry().adjusted(40, 40, -40, -40));
        if (!visible)
            move(primary->availableGeometry().topLeft() + QPoint(40, 40));
    }
    // 3. Column widths.
    RestoreListView(kMainImageList, lvFile);
    // 4. Picture formats, the plug-ins' among them; their troubles are told here.
    ConnectPluginsToWindow(*this);
    if (!TSPIs::Instance()) {
        spiMain = std::make_unique<TSPIs>();
        spiMain->SetGraphicPreview(false);
        spiMain->Loaded();
    }
    BuildPictureFilter();
    // 5. Labels and status.
    UpdatePaperLabels();
    UpdateStatus(StatusBit(TStatusPanel::spPrinter) | StatusBit(TStatusPanel::spCounts));
    // 6. Settings.
    RestoreSettings();
    // 7. The model loads images through the list's registry.
    SetImageFormatRegistry(&lvFile->ImageClasses());
    EnableImageActions(false);

    FPrinterTimer = new QTimer(this);
    FPrinterTimer->setObjectName(QStringLiteral("tmrPrinter"));
    FPrinterTimer->setInterval(3000);
    connect(FPrinterTimer, &QTimer::timeout, this, &TfrmMain::checkPrinter);
    if (auto *device = dynamic_cast<TDevicePrint *>(&QvPrint()))
        device->JwPrinter().OnSystemChanged = [this] { UpdateStatus(StatusBit(TStatusPanel::spPrinter)); };
    FPrinterTimer->start();
}

TfrmMain::~TfrmMain() {
    SetPrinterColorSettings(nullptr);
    if (FPrinterTimer)
        FPrinterTimer->stop();
    if (auto *device = dynamic_cast<TDevicePrint *>(&QvPrint()))
        device->JwPrinter().OnSystemChanged = nullptr;
    SaveSettings();
    SaveListView(kMainImageList, lvFile);
    WriteForm2(iniMain, kForms, this);
    // Nothing may point at the records once they go: the list's items, the
    // paper's view of them and the model's format registry.
    SetImageFormatRegistry(nullptr);
    // A normal end: the recovery file goes with the window.
    FRecovery.reset();
    FSteps.clear();
    FAddStep.reset();
    FPaper->SetInfos(nullptr);
    lvFile->Clear();
    FImages.reset();
    FPaper.reset();
    lvFile->CloseCache();
    if (!FCacheFile.isEmpty())
        QFile::remove(FCacheFile);
    // No thumbnail job may still be inside a plug-in when they are unloaded.
    lvFile->WaitForThumbnails();
    spiMain.reset();
}

void TfrmMain::createComponents() {
    auto *central = new QSplitter(Qt::Horizontal, this);
    central->setObjectName(QStringLiteral("splMain"));
    auto *left = new QWidget(central);
    left->setObjectName(QStringLiteral("pnlPaper"));
    auto *leftBox = new QVBoxLayout(left);
    leftBox->setContentsMargins(4, 4, 4, 4);
    lblPaperName = new QLabel(left);
    lblPaperName->setObjectName(QStringLiteral("lblPaperName"));
    lblPaperSizeName = new QLabel(left);
    lblPaperSizeName->setObjectName(QStringLiteral("lblPaperSizeName"));
    lblPaperSize = new QLabel(left);
    lblPaperSize->setObjectName(QStringLiteral("lblPaperSize"));
    imgPrev = new QLabel(left);
    imgPrev->setObjectName(QStringLiteral("imgPrev"));
    imgPrev->setMinimumSize(1, 1);
    imgPrev->setAlignment(Qt::AlignCenter);
    imgPrev->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    imgPrev->installEventFilter(this);
    leftBox->addWidget(lblPaperName);
    leftBox->addWidget(lblPaperSizeName);
    leftBox->addWidget(lblPaperSize);
    leftBox->addWidget(imgPrev, 1);
    left->setMinimumWidth(120);

    lvFile = new TImageListView(central);
    lvFile->setObjectName(QStringLiteral("lvFile"));
    lvFile->SetCheckBoxes(true);
    lvFile->SetThumbCheckBoxes(true);
    lvFile->SetMultiSelect(true);
    lvFile->SetReadOnly(true);
    lvFile->SetRowSelect(true);
    lvFile->SetHideSelection(false);   // the selection stays seen while the focus is elsewhere
    lvFile->SetThumbnailMode(TIVThumbnailMode::tmDraft);
    lvFile->SetUseThread(true);
    lvFile->AddColumn(tr("ファイル名"), 150);
    lvFile->AddColumn(tr("撮影日時"), 70, Qt::AlignRight);
    lvFile->AddColumn(tr("ファイル日時"), 70, Qt::AlignRight);
    lvFile->AddColumn(tr("ファイルサイズ"), 60, Qt::AlignRight);
    lvFile->AddColumn(tr("横×縦"), 60, Qt::AlignRight);
    lvFile->AddColumn(tr("コピー"), 50, Qt::AlignRight);
    lvFile->SetSortIndicator(0, false);   // the header makes room for its arrow before the widths are fitted
    fitDefaultColumns();
    lvFile->SetViewStyle(TImageViewStyle::ivsThumbnail);
    lvFile->SetSortType(TSortType::stData);
    lvFile->OnCompare = [this](TImageListView &, TImageListItem &a, TImageListItem &b, int, int &result) {
        result = compareItems(a, b);
    };
    lvFile->OnInsert = [this](TImageListView &, TImageListItem &) {
        UpdateStatus(StatusBit(TStatusPanel::spCounts));
    };
    lvFile->OnItemChecked = [this](TImageListView &, TImageListItem &item) {
        UpdateStatus(StatusBit(TStatusPanel::spCounts));
        // A click on the check box or Space: the user's own tick. Space
        // ticks the whole selection at once, which undo takes back at once.
        if (FQuietChecks == 0 && item.Data()) {
            if (FTickOpen && FStepIndex > 0 && FStepIndex == int(FSteps.size()) && FSteps.back().get() == FTickStep) {
                FTickStep->Checks.emplace_back(item.Data(), !item.Checked());
                listChanged();
                return;
            }
            auto step = std::make_unique<TListStep>(TListStep::Kind::Checks);
            step->Checks.emplace_back(item.Data(), !item.Checked());
            FTickStep = step.get();
            pushStep(std::move(step));
            if (!FTickOpen) {
                FTickOpen = true;
                QTimer::singleShot(0, this, [this] { FTickOpen = false; });
            }
        }
    };
    lvFile->OnSelectItem = [this](TImageListView &, TImageListItem *, bool) {
        // A whole selection change arrives item by item; refresh once.
        if (!FSelectionQueued) {
            FSelectionQueued = true;
            QTimer::singleShot(0, this, [this] {
                FSelectionQueued = false;
                if (!lvFile)
                    return;
                UpdateStatus(StatusBit(TStatusPanel::spCounts) | StatusBit(TStatusPanel::spSelection));
                EnableImageActions(lvFile->SelCount() > 0);
            });
        }
    };
    lvFile->OnDblClick = [this](TImageListView &) {
        if (QAction *a = Action(QStringLiteral("actPreviewImage")); a && a->isEnabled())
            a->trigger();
    };
    lvFile->OnAfterDrawThumbnail = [this](TImageListView &view, TImageListItem &item, TCustomDrawState, QPainter &canvas,
                                          const QRect &iconRect) {
        if (const TImageInfo *info = item.Data())
            DrawCopyCount(canvas, iconRect, info->Options().Copies(), view.font());
        // Top right: the check box has the top left corner.
        if (!EntryProblem(item).isEmpty()) {
            const int size = std::clamp(iconRect.width() / 7, 12, 24);
            DrawEntryMarker(canvas, QRect(iconRect.right() - size - 4, iconRect.top() + 4, size, size), size);
        }
    };
    lvFile->OnCacheError = [](TImageListView &, const QString &message) {
        std::fprintf(stderr, "vellora: thumbnail cache: %s\n", message.toLocal8Bit().constData());
    };
    central->addWidget(left);
    central->addWidget(lvFile);
    central->setStretchFactor(0, 0);
    central->setStretchFactor(1, 1);
    central->setSizes({200, 700});
    setCentralWidget(central);

    stsMain = new QStatusBar(this);
    stsMain->setObjectName(QStringLiteral("stsMain"));
    stsMain->setSizeGripEnabled(true);
    // The panels are placed by hand: fixed widths on the right, the first
    // panel takes the rest but keeps its minimum, and what does not fit is
    // cut off instead of widening the window.
    FStatusHost = new QWidget(stsMain);
    FStatusHost->setObjectName(QStringLiteral("pnlStatus"));
    FStatusHost->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    for (int i = 0; i < 3; ++i) {
        auto *panel = new QLabel(FStatusHost);
        panel->setObjectName(QStringLiteral("stsPanel%1").arg(i));
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        FStatusPanels[i] = panel;
    }
    FStatusHost->setFixedHeight(FStatusPanels[0]->sizeHint().height() + 2);
    FStatusHost->installEventFilter(this);
    stsMain->addWidget(FStatusHost, 1);
    setStatusBar(stsMain);

    dlgTask = new TQvTaskDialog(this);
    dlgTask->setObjectName(QStringLiteral("dlgTask"));
    drpImage = new TDropDst(this);
    drpImage->setObjectName(QStringLiteral("drpImage"));
    drpImage->SetControl(lvFile);
    drpImage->SetOnFileDrop([this](TDropDst &, const QStringList &files, int, int) { fileDropped(files); });
}

// --- actions and menus ----------------------------------------------------------

QAction *TfrmMain::makeAction(const char *name, const QString &caption, const QKeySequence &shortcut,
                              const QString &hint, bool needsSelection) {
    auto *a = new QAction(caption, this);
    a->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty()) {
        a->setShortcut(shortcut);
        // Also while the focus is in the list or a tool window of ours.
        a->setShortcutContext(Qt::WindowShortcut);
    }
    a->setProperty("hint", hint);
    a->setToolTip(hint.isEmpty() ? QString(caption).remove(QLatin1Char('&')) : hint);
    a->setStatusTip(hint);
    if (needsSelection)
        FSelActions << a;
    addAction(a);
    return a;
}

void TfrmMain::createActions() {
    using K = QKeySequence;
    const auto ctrl = Qt::ControlModifier;
    const auto shift = Qt::ShiftModifier;
    struct Def {
        const char *name;
        const char *caption;
        QKeyCombination key;
        const char *hint;
        bool sel;
        bool pending;
    };
    const QKeyCombination none{};
    const Def defs[] = {
        {"mitNewPaper", QT_TR_NOOP("新規作成(&N)"), none, "", false, true},
        {"actOpenPaper", QT_TR_NOOP("開く(&O)..."), ctrl | Qt::Key_O, QT_TR_NOOP("用紙を開く"), false, true},
        {"actSavePaper", QT_TR_NOOP("上書き保存(&S)"), ctrl | Qt::Key_S, QT_TR_NOOP("上書き保存"), false, true},
        {"actSaveAs", QT_TR_NOOP("名前を付けて保存(&A)..."), none, QT_TR_NOOP("名前を付けて保存"), false, true},
        {"mitExport", QT_TR_NOOP("エクスポート(&E)..."), none, "", false, true},
        {"actLayout", QT_TR_NOOP("用紙レイアウト(&L)..."), ctrl | Qt::Key_L, QT_TR_NOOP("用紙レイアウト"), false, true},
        {"actPrint", QT_TR_NOOP("印刷(&P)..."), none, QT_TR_NOOP("印刷"), false, true},
        {"actPrintPreview", QT_TR_NOOP("印刷プレビュー(&V)..."), ctrl | Qt::Key_P, QT_TR_NOOP("印刷プレビュー"), false, true},
        {"mitPrinter", QT_TR_NOOP("プリンタの設定(&R)..."), none, "", false, false},
        {"mitAdjustPos", QT_TR_NOOP("印刷位置の微調整(&D)..."), none, "", false, true},
        {"mitExit", QT_TR_NOOP("終了(&X)"), none, "", false, false},
        {"actSelectAll", QT_TR_NOOP("すべて選択(&A)"), none, "", false, true},
        {"actClearSelection", QT_TR_NOOP("選択の解除(&D)"), none, "", false, true},
        {"actRevSelection", QT_TR_NOOP("選択の反転(&R)"), none, "", false, true},
        {"actCheck", QT_TR_NOOP("チェック(&C)"), none, "", true, true},
        {"actClearCheck", QT_TR_NOOP("チェックの解除(&U)"), none, "", true, true},
        {"actRevCheck", QT_TR_NOOP("チェックの反転(&E)"), none, "", true, true},
        {"actOrder", QT_TR_NOOP("順序の指定(&O)..."), Qt::Key_F3, QT_TR_NOOP("印刷順序"), false, true},
        {"actMoveUp", QT_TR_NOOP("上へ移動(&U)"), ctrl | Qt::Key_Up, QT_TR_NOOP("上へ"), true, true},
        {"actMoveDown", QT_TR_NOOP("下へ移動(&D)"), ctrl | Qt::Key_Down, QT_TR_NOOP("下へ"), true, true},
        {"actMoveFirst", QT_TR_NOOP("先頭へ移動(&F)"), shift | ctrl | Qt::Key_Up, QT_TR_NOOP("先頭へ"), true, true},
        {"actMoveLast", QT_TR_NOOP("末尾へ移動(&L)"), shift | ctrl | Qt::Key_Down, QT_TR_NOOP("末尾へ"), true, true},
        {"actAddImage", QT_TR_NOOP("画像の追加(&I)..."), ctrl | Qt::Key_I, QT_TR_NOOP("画像の追加"), false, true},
        {"actAddFolder", QT_TR_NOOP("フォルダ内一括追加(&F)"), none, QT_TR_NOOP("フォルダ追加"), false, true},
        {"actDeleteImage", QT_TR_NOOP("リストから削除(&D)..."), none, QT_TR_NOOP("削除"), true, true},
        {"mitClearImage", QT_TR_NOOP("すべてをリストから削除(&C)..."), none, "", false, true},
        {"actComment", QT_TR_NOOP("コメントの設定(&M)..."), ctrl | Qt::Key_M, QT_TR_NOOP("コメント"), true, true},
        {"actCopies", QT_TR_NOOP("コピー枚数の設定(&O)..."), Qt::Key_F2, QT_TR_NOOP("コピー枚数"), true, true},
        {"actImageProp", QT_TR_NOOP("プロパティ(&P)..."), Qt::Key_F4, QT_TR_NOOP("プロパティ"), true, true},
        {"actPreviewImage", QT_TR_NOOP("画像の確認(&V)..."), Qt::Key_F10, QT_TR_NOOP("画像確認"), true, true},
        {"actViewStyle", QT_TR_NOOP("表示形式(&V)"), ctrl | Qt::Key_W, QT_TR_NOOP("表示形式"), false, true},
        {"actViewThumb", QT_TR_NOOP("サムネイル(&T)"), none, "", false, true},
        {"actViewList", QT_TR_NOOP("一覧(&L)"), none, "", false, true},
        {"actViewDetail", QT_TR_NOOP("詳細(&D)"), none, "", false, true},
        {"actAutoSort", QT_TR_NOOP("自動ソート(&A)"), none, QT_TR_NOOP("ソート"), false, true},
        {"actSortFileName", QT_TR_NOOP("ファイル名(&F)"), none, "", false, true},
        {"actSortShotDate", QT_TR_NOOP("撮影日時(&D)"), none, "", false, true},
        {"actSortFileDate", QT_TR_NOOP("ファイル日時(&A)"), none, "", false, true},
        {"actSortFileSize", QT_TR_NOOP("ファイルサイズ(&S)"), none, "", false, true},
        {"actSortImageWidth", QT_TR_NOOP("画像サイズ(横優先)(&W)"), none, "", false, true},
        {"actSortImageHeight", QT_TR_NOOP("画像サイズ(縦優先)(&H)"), none, "", false, true},
        {"actSortCopies", QT_TR_NOOP("コピー枚数(&C)"), none, "", false, true},
        {"mitOption", QT_TR_NOOP("オプションの設定(&O)..."), none, "", false, true},
        {"mitShowHelp", QT_TR_NOOP("ヘルプの表示(&S)"), none, "", false, true},
        {"mitShowTextFile", QT_TR_NOOP("Vellora.txtの表示(&T)"), none, "", false, false},
        {"mitAbout", QT_TR_NOOP("バージョン情報(&A)..."), none, "", false, false},
    };
    for (const Def &d : defs) {
        QAction *a = makeAction(d.name, tr(d.caption),
                                d.key == none ? K() : K(d.key), *d.hint ? tr(d.hint) : QString(), d.sel);
        if (d.pending)
            SetActionPending(a, true);
    }

    // Undo and redo of list edits; Ctrl+Shift+Z is the other common redo key.
    QAction *undo = makeAction("actUndo", tr("元に戻す(&U)"), K(ctrl | Qt::Key_Z), tr("元に戻す"), false);
    QAction *redo = makeAction("actRedo", tr("やり直し(&R)"), K(ctrl | Qt::Key_Y), tr("やり直し"), false);
    redo->setShortcuts({K(ctrl | Qt::Key_Y), K(ctrl | shift | Qt::Key_Z)});
    undo->setIcon(themeIcon("edit-undo", QStyle::SP_ArrowBack));
    redo->setIcon(themeIcon("edit-redo", QStyle::SP_ArrowForward));
    undo->setEnabled(false);
    redo->setEnabled(false);
    connect(undo, &QAction::triggered, this, [this] { runGuarded([this] { Undo(); }); });
    connect(redo, &QAction::triggered, this, [this] { runGuarded([this] { Redo(); }); });

    FViewGroup = new QActionGroup(this);
    FViewGroup->setObjectName(QStringLiteral("grpViewStyle"));
    const std::pair<const char *, TImageViewStyle> views[] = {{"actViewThumb", TImageViewStyle::ivsThumbnail},
                                                              {"actViewList", TImageViewStyle::ivsList},
                                                              {"actViewDetail", TImageViewStyle::ivsReport}};
    for (const auto &[name, style] : views) {
        QAction *a = Action(QString::fromLatin1(name));
        a->setCheckable(true);
        a->setData(int(style));
        FViewGroup->addAction(a);
    }
    FSortGroup = new QActionGroup(this);
    FSortGroup->setObjectName(QStringLiteral("grpSort"));
    const char *sorts[] = {"actSortFileName", "actSortShotDate", "actSortFileDate", "actSortFileSize",
                           "actSortImageWidth", "actSortImageHeight", "actSortCopies"};
    for (int tag = 0; tag < 7; ++tag) {
        QAction *a = Action(QString::fromLatin1(sorts[tag]));
        a->setCheckable(true);
        a->setData(tag);   // TSortColumn ordinal
        FSortGroup->addAction(a);
    }
    FAutoSortAction = Action(QStringLiteral("actAutoSort"));
    FAutoSortAction->setCheckable(true);

    // Icons where the desktop has fitting ones.
    const std::tuple<const char *, const char *, QStyle::StandardPixmap> icons[] = {
        {"actOpenPaper", "document-open", QStyle::SP_DialogOpenButton},
        {"actSavePaper", "document-save", QStyle::SP_DialogSaveButton},
        {"actSaveAs", "document-save-as", QStyle::SP_DriveFDIcon},
        {"actLayout", "document-page-setup", QStyle::SP_FileDialogDetailedView},
        {"actPrint", "document-print", QStyle::SP_ComputerIcon},
        {"actPrintPreview", "document-print-preview", QStyle::SP_FileDialogContentsView},
        {"actOrder", "view-sort-ascending", QStyle::SP_FileDialogListView},
        {"actMoveUp", "go-up", QStyle::SP_ArrowUp},
        {"actMoveDown", "go-down", QStyle::SP_ArrowDown},
        {"actMoveFirst", "go-top", QStyle::SP_MediaSkipBackward},
        {"actMoveLast", "go-bottom", QStyle::SP_MediaSkipForward},
        {"actAddImage", "list-add", QStyle::SP_FileIcon},
        {"actAddFolder", "folder-new", QStyle::SP_DirIcon},
        {"actDeleteImage", "list-remove", QStyle::SP_TrashIcon},
        {"actComment", "document-edit", QStyle::SP_FileDialogInfoView},
        {"actCopies", "edit-copy", QStyle::SP_FileLinkIcon},
        {"actImageProp", "document-properties", QStyle::SP_MessageBoxInformation},
        {"actPreviewImage", "zoom-in", QStyle::SP_DesktopIcon},
        {"actViewStyle", "view-list-icons", QStyle::SP_FileDialogListView},
        {"actAutoSort", "view-sort-descending", QStyle::SP_BrowserReload},
    };
    for (const auto &[name, theme, fallback] : icons)
        Action(QString::fromLatin1(name))->setIcon(themeIcon(theme, fallback));

    connect(Action(QStringLiteral("mitPrinter")), &QAction::triggered, this,
            [this] { runGuarded([this] { PrinterSetup(); }); });
    connect(Action(QStringLiteral("mitShowTextFile")), &QAction::triggered, this,
            [this] { runGuarded([this] { ShowTextFile(); }); });
    connect(Action(QStringLiteral("mitExit")), &QAction::triggered, this, &QWidget::close);
    connect(Action(QStringLiteral("mitAbout")), &QAction::triggered, this, &TfrmMain::showAbout);
    connect(Action(QStringLiteral("actPrint")), &QAction::triggered, this,
            [this] { runGuarded([this] { RunPrintCommands(false); }); });
    connect(Action(QStringLiteral("actPrintPreview")), &QAction::triggered, this,
            [this] { runGuarded([this] { RunPrintCommands(true); }); });
    connectExportCommands();
    connectOrderCommand();
}

void TfrmMain::createMenus() {
    auto act = [this](const char *name) { return Action(QString::fromLatin1(name)); };
    auto fill = [&](QMenu *menu, std::initializer_list<const char *> names) {
        for (const char *n : names) {
            if (n == nullptr)
                menu->addSeparator();
            else
                menu->addAction(act(n));
        }
    };
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("mnuMain"));
    QMenu *file = bar->addMenu(tr("ファイル(&F)"));
    file->setObjectName(QStringLiteral("mitFile"));
    fill(file, {"mitNewPaper", "actOpenPaper", "actSavePaper", "actSaveAs", "mitExport", nullptr, "actLayout",
                "actPrint", "actPrintPreview", "mitPrinter", "mitAdjustPos", nullptr, "mitExit"});
    QMenu *edit = bar->addMenu(tr("編集(&E)"));
    edit->setObjectName(QStringLiteral("mitEdit"));
    fill(edit, {"actUndo", "actRedo", nullptr, "actSelectAll", "actClearSelection", "actRevSelection", nullptr, "actCheck", "actClearCheck",
                "actRevCheck", nullptr});
    QMenu *order = edit->addMenu(tr("印刷順序(&O)"));
    order->setObjectName(QStringLiteral("mitOrder"));
    fill(order, {"actOrder", nullptr, "actMoveUp", "actMoveDown", "actMoveFirst", "actMoveLast"});
    QMenu *image = bar->addMenu(tr("画像(&I)"));
    image->setObjectName(QStringLiteral("mitImage"));
    fill(image, {"actAddImage", "actAddFolder", nullptr, "actDeleteImage", "mitClearImage", nullptr, "actComment",
                 "actCopies", "actImageProp", nullptr, "actPreviewImage"});
    QMenu *view = bar->addMenu(tr("表示(&V)"));
    view->setObjectName(QStringLiteral("mitView"));
    QMenu *styles = view->addMenu(tr("表示形式(&V)"));
    styles->setObjectName(QStringLiteral("mitViewStyle"));
    fill(styles, {"actViewThumb", "actViewList", "actViewDetail"});
    QMenu *sort = view->addMenu(tr("ソート(&S)"));
    sort->setObjectName(QStringLiteral("mitSort"));
    fill(sort, {"actAutoSort", nullptr, "actSortFileName", "actSortShotDate", "actSortFileDate", "actSortFileSize",
                "actSortImageWidth", "actSortImageHeight", "actSortCopies"});
    QMenu *tools = bar->addMenu(tr("ツール(&T)"));
    tools->setObjectName(QStringLiteral("mitTools"));
    fill(tools, {"mitOption"});
    QMenu *help = bar->addMenu(tr("ヘルプ(&H)"));
    help->setObjectName(QStringLiteral("mitHelp"));
    fill(help, {"mitShowHelp", "mitShowTextFile", "mitAbout"});

    tbrMain = addToolBar(tr("ツールバー"));
    tbrMain->setObjectName(QStringLiteral("tbrMain"));
    tbrMain->setMovable(false);
    tbrMain->setIconSize(QSize(24, 24));
    for (const char *n : std::initializer_list<const char *>{"actOpenPaper", "actSavePaper", "actSaveAs", nullptr, "actLayout", "actPrint",
                          "actPrintPreview", nullptr, "actOrder", "actMoveUp", "actMoveDown", "actMoveFirst",
                          "actMoveLast", nullptr, "actAddImage", "actAddFolder", "actDeleteImage", nullptr,
                          "actComment", "actCopies", "actImageProp", "actPreviewImage", nullptr}) {
        if (n == nullptr)
            tbrMain->addSeparator();
        else
            tbrMain->addAction(act(n));
    }
    tbrMain->addAction(act("actViewStyle"));
    if (auto *b = qobject_cast<QToolButton *>(tbrMain->widgetForAction(act("actViewStyle")))) {
        b->setMenu(styles);
        b->setPopupMode(QToolButton::MenuButtonPopup);
    }
    tbrMain->addSeparator();
    tbrMain->addAction(act("actAutoSort"));
    if (auto *b = qobject_cast<QToolButton *>(tbrMain->widgetForAction(act("actAutoSort")))) {
        auto *columns = new QMenu(b);
        columns->setObjectName(QStringLiteral("pmnSort"));
        fill(columns, {"actSortFileName", "actSortShotDate", "actSortFileDate", "actSortFileSize",
                       "actSortImageWidth", "actSortImageHeight", "actSortCopies"});
        b->setMenu(columns);
        b->setPopupMode(QToolButton::MenuButtonPopup);
    }

    pmnFile = new QMenu(this);
    pmnFile->setObjectName(QStringLiteral("pmnFile"));
    fill(pmnFile, {"actImageProp", "actComment", "actCopies", nullptr, "actDeleteImage", nullptr, "actMoveUp",
                   "actMoveDown", "actMoveFirst", "actMoveLast", nullptr, "actSelectAll", "actClearSelection",
                   "actRevSelection", nullptr, "actCheck", "actClearCheck", "actRevCheck"});
    lvFile->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lvFile, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &p) { pmnFile->popup(lvFile->mapToGlobal(p)); });
}

QAction *TfrmMain::Action(const QString &name) const { return findChild<QAction *>(name, Qt::FindDirectChildrenOnly); }

void TfrmMain::SetActionPending(QAction *action, bool pending) {
    if (!action)
        return;
    action->setProperty("pending", pending);
    if (pending) {
        action->setEnabled(false);
        action->setToolTip(pendingHint());
        action->setStatusTip(pendingHint());
        return;
    }
    const QString hint = action->property("hint").toString();
    action->setToolTip(hint.isEmpty() ? action->text().remove(QLatin1Char('&')) : hint);
    action->setStatusTip(hint);
    action->setEnabled(!FSelActions.contains(action) || (lvFile && lvFile->SelCount() > 0));
}

bool TfrmMain::ActionPending(const QAction *action) const { return action && action->property("pending").toBool(); }

void TfrmMain::EnableImageActions(bool selected) {
    for (QAction *a : std::as_const(FSelActions))
        if (!ActionPending(a))
            a->setEnabled(selected);
}

// --- settings -------------------------------------------------------------------------

void TfrmMain::RestoreListView(const QString &name, QAbstractItemView *view) {
    QHeaderView *header = nullptr;
    if (auto *tree = qobject_cast<QTreeView *>(view))
        header = tree->header();
    else if (auto *table = qobject_cast<QTableView *>(view))
        header = table->horizontalHeader();
    if (!header)
        return;
    for (int i = 0; i < header->count(); ++i) {
        const int w = iniMain.ReadInt(name, QString::number(i), header->sectionSize(i));
        if (w > 0 && w <= 10000)
            header->resizeSection(i, w);
    }
}

void TfrmMain::SaveListView(const QString &name, QAbstractItemView *view) {
    QHeaderView *header = nullptr;
    if (auto *tree = qobject_cast<QTreeView *>(view))
        header = tree->header();
    else if (auto *table = qobject_cast<QTableView *>(view))
        header = table->horizontalHeader();
    if (!header)
        return;
    for (int i = 0; i < header->count(); ++i)
        iniMain.WriteInt(name, QString::number(i), header->sectionSize(i));
}

void TfrmMain::RestoreListView(const QString &name, TImageListView *view) {
    for (int i = 0; i < view->ColumnCount(); ++i) {
        const int w = iniMain.ReadInt(name, QString::number(i), view->Column(i).Width);
        // A damaged width keeps the column's own.
        if (w > 0 && w <= 10000)
            view->SetColumnWidth(i, w);
    }
}

void TfrmMain::SaveListView(const QString &name, TImageListView *view) {
    for (int i = 0; i < view->ColumnCount(); ++i)
        iniMain.WriteInt(name, QString::number(i), view->Column(i).Width);
}

void TfrmMain::RestoreSettings() {
    int style = iniMain.ReadInt(kRestore, QStringLiteral("ViewStyle"), int(TImageViewStyle::ivsThumbnail));
    if (style < int(TImageViewStyle::ivsList) || style > int(TImageViewStyle::ivsThumbnail))
        style = int(TImageViewStyle::ivsThumbnail);
    lvFile->SetViewStyle(TImageViewStyle(style));
    installEntryMarkers();
    for (QAction *a : FViewGroup->actions())
        a->setChecked(a->data().toInt() == style);
    Action(QStringLiteral("actAutoSort"))->setChecked(iniMain.ReadBool(kRestore, QStringLiteral("AutoSort"), false));
    int sortCol = iniMain.ReadInt(kRestore, QStringLiteral("SortCol"), 0);
    if (sortCol < 0 || sortCol > 6)
        sortCol = 0;
    FSortCol = TSortColumn(sortCol);
    UpdateSortChecks();
    double left = iniMain.ReadFloat(kRestore, QStringLiteral("AdjustLeft"), 0.0);
    double top = iniMain.ReadFloat(kRestore, QStringLiteral("AdjustTop"), 0.0);
    // An adjustment is a few millimetres; anything else is a damaged value.
    if (!std::isfinite(left) || std::abs(left) > 1000)
        left = 0;
    if (!std::isfinite(top) || std::abs(top) > 1000)
        top = 0;
    FPaper->PrintOptions().Adjusts = FloatSize(left, top);
    FCacheFile = NewCacheFileName();
    lvFile->SetCacheFileName(FCacheFile);
}

void TfrmMain::SaveSettings() {
    iniMain.WriteInt(kRestore, QStringLiteral("ViewStyle"), int(lvFile->ViewStyle()));
    iniMain.WriteBool(kRestore, QStringLiteral("AutoSort"), Action(QStringLiteral("actAutoSort"))->isChecked());
    iniMain.WriteInt(kRestore, QStringLiteral("SortCol"), int(FSortCol));
}

void TfrmMain::UpdateSortChecks() {
    for (QAction *a : FSortGroup->actions())
        a->setChecked(a->data().toInt() == int(FSortCol));
    // The details view's header shows the column and the direction.
    static constexpr int kColumnOf[] = {0, 1, 2, 3, 4, 4, 5};   // by TSortColumn
    lvFile->SetSortIndicator(kColumnOf[std::size_t(FSortCol)], FSortDescending);
}

QString TfrmMain::NewCacheFileName() {
    const QString temp = IncludeTrailingPathDelimiter(QDir::tempPath());
    QString folder = iniMain.ReadDirectory(kOption, QStringLiteral("CachePath"), temp);
    if (folder.isEmpty())
        folder = temp;
    QString name = NewThumbnailCacheFileName(IncludeTrailingPathDelimiter(folder));
    // Thumbnails must not vanish because the chosen folder cannot take them.
    if (name.isEmpty() && folder != temp)
        name = NewThumbnailCacheFileName(temp);
    return name;
}

// --- status bar, labels, preview --------------------------------------------------------

int TfrmMain::CheckedCount() const { return lvFile->Items().CheckedCount(); }

void TfrmMain::UpdateStatus(TStatusPanels panels) {
    if (panels & StatusBit(TStatusPanel::spPrinter))
        FStatusPanels[2]->setText(FPaper->PrinterName());
    if (panels & StatusBit(TStatusPanel::spCounts))
        FStatusPanels[1]->setText(tr("画像:%1 チェック:%2 選択:%3")
                                      .arg(lvFile->Items().Count())
                                      .arg(CheckedCount())
                                      .arg(lvFile->SelCount()));
    if (panels & StatusBit(TStatusPanel::spCounts))
        layoutStatus();   // the counts may have grown past their panel
    if (panels & StatusBit(TStatusPanel::spSelection)) {
        QString text;
        if (TImageListItem *item = lvFile->Selected(); item && item->Data()) {
            const TImageInfo &info = *item->Data();
            text = tr("%1 コピー:%2 撮影日:%3 説明:%4")
                       .arg(item->Caption())
                       .arg(info.Options().Copies())
                       .arg(info.ShotTimeText(), info.Options().Comment().join(QLatin1Char(' ')));
            if (const QString problem = EntryProblem(*item); !problem.isEmpty())
                text = QStringLiteral("⚠ %1 - %2").arg(problem, text);
        }
        FStatusPanels[0]->setText(text);
    }
}

QString TfrmMain::StatusText(int panel) const { return FStatusPanels[panel]->text(); }

int TfrmMain::StatusPanelWidth(int panel) const { return FStatusPanels[panel]->width(); }

void TfrmMain::layoutStatus() {
    const int h = FStatusHost->height();
    // The counts are never cut: their panel grows with them.
    const int counts = std::max(kStatusCountsWidth, FStatusPanels[1]->sizeHint().width() + 8);
    const int first = std::max(kStatusMinSelection, FStatusHost->width() - counts - kStatusPrinterWidth);
    FStatusPanels[0]->setGeometry(0, 0, first, h);
    FStatusPanels[1]->setGeometry(first, 0, counts, h);
    FStatusPanels[2]->setGeometry(first + counts, 0, kStatusPrinterWidth, h);
}

void TfrmMain::UpdatePaperLabels() {
    lblPaperName->setText(FPaper->PaperName());
    lblPaperSizeName->setText(FPaper->PaperSizeName());
    // One decimal with thousands separators, whatever the user's locale.
    const QLocale locale(QLocale::Japanese, QLocale::Japan);
    lblPaperSize->setText(QStringLiteral("%1×%2 mm")
                              .arg(locale.toString(double(FPaper->PaperWidth()), 'f', 1),
                                   locale.toString(double(FPaper->PaperHeight()), 'f', 1)));
}

void TfrmMain::DrawPaperPreview() {
    const QSize size = imgPrev->contentsRect().size();
    // Too small to show anything of the layout.
    if (size.width() < 11 || size.height() < 11) {
        imgPrev->setPixmap(QPixmap());
        return;
    }
    const qreal dpr = imgPrev->devicePixelRatioF();
    const QSize pixels(int(std::lround(size.width() * dpr)), int(std::lround(size.height() * dpr)));
    QImage image(pixels, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter canvas(&image);
        FPaper->DrawLayout(canvas, pixels.width(), pixels.height());
    }
    image.setDevicePixelRatio(dpr);
    imgPrev->setPixmap(QPixmap::fromImage(image));
}

void TfrmMain::installEntryMarkers() {
    // The list view puts its own delegates back when the style changes.
    auto *marker = findChild<TEntryMarkerDelegate *>(QStringLiteral("dlgEntryMarker"));
    if (!marker) {
        marker = new TEntryMarkerDelegate([this](int row) {
            auto &items = lvFile->Items();
            return row >= 0 && row < items.Count() ? EntryProblem(*items.Item(row)) : QString();
        }, this);
        marker->setObjectName(QStringLiteral("dlgEntryMarker"));
        for (QAbstractItemView *v : {static_cast<QAbstractItemView *>(lvFile->ListView()),
                                     static_cast<QAbstractItemView *>(lvFile->TreeView())})
            if (v)
                v->viewport()->installEventFilter(this);
    }
    if (lvFile->TreeView())
        lvFile->TreeView()->setItemDelegate(marker);
    if (lvFile->ListView() && lvFile->ViewStyle() != TImageViewStyle::ivsThumbnail)
        lvFile->ListView()->setItemDelegate(marker);
}

QString TfrmMain::EntryProblem(const TImageListItem &item) {
    if (!item.Data())
        return {};
    if (!FEntryChecker)
        FEntryChecker = std::make_unique<TEntryChecker>(lvFile->ImageClasses());
    return FEntryChecker->Problem(*item.Data());
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::ToolTip && lvFile &&
        ((lvFile->ListView() && watched == lvFile->ListView()->viewport()) ||
         (lvFile->TreeView() && watched == lvFile->TreeView()->viewport()))) {
        // A broken entry's tip says what is wrong with it.
        auto *help = static_cast<QHelpEvent *>(event);
        QAbstractItemView *view = lvFile->ActiveView();
        const QModelIndex index = view ? view->indexAt(help->pos()) : QModelIndex();
        if (index.isValid() && index.row() < lvFile->Items().Count()) {
            TImageListItem *item = lvFile->Items().Item(index.row());
            if (const QString problem = EntryProblem(*item); !problem.isEmpty()) {
                QToolTip::showText(help->globalPos(), QStringLiteral("%1\n%2").arg(item->AbsoluteName(), problem), view);
                return true;
            }
        }
    }
    if (watched == imgPrev && event->type() == QEvent::Resize)
        DrawPaperPreview();
    else if (watched == FStatusHost && event->type() == QEvent::Resize)
        layoutStatus();
    return QMainWindow::eventFilter(watched, event);
}

// --- picture formats and start-up files --------------------------------------------------

void TfrmMain::BuildPictureFilter() {
    FSusieExt.clear();
    FSusieFilter.clear();
    TGraphicClassList &registry = lvFile->ImageClasses();
    for (const TPictureFormat &f : kPictureFormats) {
        const QString ext = QString::fromLatin1(f.Extension);
        const QString dotted = QLatin1Char('.') + ext;
        // The dialog offers only what the list accepts: a format without a
        // decoder here is left out rather than refused after choosing.
        if (registry.IndexOfExtension(dotted) < 0) {
            const TGraphicClass *c = extraFormatClass(ext);
            if (!c)
                continue;
            registry.Add(dotted, c);
        }
        if (!FSusieExt.isEmpty())
            FSusieExt += QLatin1Char(';');
        FSusieExt += QStringLiteral("*.") + ext;
        FSusieFilter += QStringLiteral("|%1(*.%2)|*.%2").arg(tr(f.Description), ext);
    }
    addRegisteredFormats();
    if (!spiMain)
        return;
    SearchSusieFolder(*spiMain, iniMain.ReadStr(kOption, QStringLiteral("Susie"), QString()));
    for (const auto &[ext, description] : spiMain->PictureFormats()) {
        const QString dotted = QLatin1Char('.') + ext;
        // A built-in format keeps its own decoder and its one filter entry.
        const int index = registry.IndexOfExtension(dotted);
        if (index < 0)
            registry.Add(dotted, &SPIBitmapClass());
        else if (registry.GraphicClass(index) != &SPIBitmapClass())
            continue;
        FSusieExt += QStringLiteral(";*.") + ext;
        FSusieFilter += QStringLiteral("|%1(*.%2)|*.%2").arg(description, ext);
    }
}

// Formats the list decodes beyond the classic ones above (icons), so that
// every file the list takes can also be chosen; plug-in formats follow later.
void TfrmMain::addRegisteredFormats() {
    const TGraphicClassList &registry = lvFile->ImageClasses();
    const QStringList listed = FSusieExt.split(QLatin1Char(';'));
    for (int i = 0; i < registry.Count(); ++i) {
        const TGraphicClassListItem &item = registry.Item(i);
        const QString ext = item.Extension.mid(1).toLower();
        if (!item.GraphicClass || item.GraphicClass == &SPIBitmapClass() || ext.isEmpty()
            || listed.contains(QStringLiteral("*.") + ext))
            continue;
        const QString description = item.GraphicClass == &IconClass() ? QvIconPictureDescription() : item.GraphicClass->Name;
        FSusieExt += QStringLiteral(";*.") + ext;
        FSusieFilter += QStringLiteral("|%1(*.%2)|*.%2").arg(description, ext);
    }
}

QString TfrmMain::PictureFilter() const {
    return tr("すべての画像ファイル(%1)|%1").arg(FSusieExt) + FSusieFilter;
}

bool TfrmMain::IsImageFile(const QString &fileName) const {
    const QString ext = ExtractFileExt(fileName);
    return !ext.isEmpty() && lvFile->ImageClasses().IndexOfExtension(ext) >= 0;
}

void TfrmMain::LoadStartupFiles() {
    QString document = iniMain.ReadStr(kOption, QStringLiteral("AutoLoad"), QString());
    for (const QString &path : std::as_const(FArguments)) {
        const QFileInfo fi(path);
        if (!fi.exists()) {
            std::fprintf(stderr, "vellora: %s: no such file or folder, skipped\n", path.toLocal8Bit().constData());
            continue;
        }
        if (fi.isDir())
            AddFolder(fi.absoluteFilePath());
        else if (IsDocumentFile(fi.absoluteFilePath()))
            document = fi.absoluteFilePath();
        else if (IsImageFile(path))
            AddImageFile(fi.absoluteFilePath());
    }
    if (!document.isEmpty() && QFileInfo(document).isFile()) {
        OpenDocument(document);
        UpdatePaperLabels();
        DrawPaperPreview();
    }
    // What the program loaded by itself is not the user's change.
    ClearUndo();
    markClean();
}

bool TfrmMain::confirmStopAdding() {
    TQvTaskDialog d;
    d.Parent = FProgress ? static_cast<QWidget *>(FProgress.data()) : this;
    d.Title = QStringLiteral("Vellora");
    d.MainIcon = TTaskDialogIcon::tiQuestion;
    d.SetInstruction(tr("画像の追加を中止しますか？"));
    d.SetContent(tr("画像の追加を中止するには、[はい]を押します。"));
    d.Buttons = {TQvCommonButton::cbYes, TQvCommonButton::cbNo};
    d.DefaultButton = TTaskDialogDefaultButton::tdbNo;
    int radio = 0;
    bool checked = false;
    return Ask(d, radio, checked) == idYes;
}

void TfrmMain::AddImageFile(const QString &fileName) {
    TImageInfo *info = FImages->Add();
    try {
        info->SetFileName(fileName, TImageLogging::iloLink);
    } catch (const std::exception &e) {
        // A damaged Exif block: the photo still prints; list it with the
        // facts read so far rather than stopping a whole folder.
        std::fprintf(stderr, "vellora: %s: %s\n", fileName.toLocal8Bit().constData(), e.what());
    }
    AddInfoItem(info);
    beginAdd();
    noteAdded(info);
    endAdd();
}

TImageListItem *TfrmMain::AddInfoItem(TImageInfo *info) { return addInfoItem(info, {}); }

TImageListItem *TfrmMain::addInfoItem(TImageInfo *info, TIntSize knownSize) {
    TImageListItem *item = lvFile->AddItem(info->FileName(), info);
    item->SetSelected(info->Selected());
    ++FQuietChecks;
    item->SetChecked(info->Checked());
    --FQuietChecks;
    if (info->LogMode() == TImageLogging::iloStream) {
        item->SetCaption(QFileInfo(info->FileName()).fileName());
        lvFile->MakeThumbnail(item);
    }
    if (knownSize.cx > 0 && knownSize.cy > 0)
        item->SetImageSize(knownSize);
    // An embedded image whose file is gone has no size the entry can read:
    // the stored one stays.
    if (const TIntSize size{item->ImageWidth(), item->ImageHeight()}; size.cx > 0 && size.cy > 0)
        info->SetImageSize(size);
    setSubItems(*item, *info);
    return item;
}

void TfrmMain::setSubItems(TImageListItem &item, const TImageInfo &info) {
    item.SetSubItems(QStringList{info.ShotTimeText(), info.FileTimeText(), info.FileSizeText(),
                                 ImageSizeText(info.UprightImageSize()),
                                 QString::number(info.Options().Copies())});
}

TImageListItem *TfrmMain::FindInfoItem(const TImageInfo *info) const {
    if (!info)
        return nullptr;
    const auto &items = lvFile->Items();
    for (int i = 0; i < items.Count(); ++i)
        if (items.Item(i)->Data() == info)
            return items.Item(i);
    return nullptr;
}

void TfrmMain::fileDropped(const QStringList &files) {
    // One drop is one step, however many folders it holds.
    beginAdd();
    struct End {
        TfrmMain &w;
        ~End() { w.endAdd(); }
    } end{*this};
    QStringList collected;
    QString document;
    for (const QString &path : files) {
        if (QFileInfo(path).isDir())
            AddFolder(path);
        else if (IsDocumentFile(path)) {
            // A document is opened as Open would, after the images; of
            // several, the first.
            if (document.isEmpty())
                document = path;
        } else
            collected << path;
    }
    if (!collected.isEmpty())
        addDroppedFiles(collected);
    if (!document.isEmpty())
        openDocumentCommand(document);
}

int TfrmMain::compareItems(TImageListItem &a, TImageListItem &b) const {
    // Only auto sort or a one-off sort orders the list; otherwise insertion
    // order stands.
    if (!FCustomSort && (FAppending || !FAutoSortAction->isChecked()))
        return 0;
    const TImageInfo *x = a.Data();
    const TImageInfo *y = b.Data();
    if (!x || !y)
        return 0;
    auto cmp = [](auto l, auto r) { return l < r ? -1 : (r < l ? 1 : 0); };
    const int order = [&] {
        switch (FSortCol) {
        case TSortColumn::socFileName: return a.Caption().compare(b.Caption(), Qt::CaseInsensitive);
        case TSortColumn::socShotDate: return cmp(x->ShotTime(), y->ShotTime());
        case TSortColumn::socFileDate: return cmp(x->FileTime(), y->FileTime());
        case TSortColumn::socFileSize: return cmp(x->FileSize(), y->FileSize());
        // By the size the column shows: upright.
        case TSortColumn::socImageWidth: {
            const TIntSize l = x->UprightImageSize(), r = y->UprightImageSize();
            const int c = cmp(l.cx, r.cx);
            return c != 0 ? c : cmp(l.cy, r.cy);
        }
        case TSortColumn::socImageHeight: {
            const TIntSize l = x->UprightImageSize(), r = y->UprightImageSize();
            const int c = cmp(l.cy, r.cy);
            return c != 0 ? c : cmp(l.cx, r.cx);
        }
        case TSortColumn::socCopies: return cmp(x->Options().Copies(), y->Options().Copies());
        }
        return 0;
    }();
    return FSortDescending ? -order : order;
}

// --- the document -------------------------------------------------------------------------

void TfrmMain::wireImages() {
    FImages->SetOnLoadStart([this](void *, std::int32_t count) { doLoadStart(count); });
    FImages->SetOnImageExist([this](void *, const QString &fileName, bool &deletion) {
        doImageExist(fileName, deletion);
    });
    FImages->SetOnLoadOption([this](void *, TImageInfo *info) { doLoadOption(info); });
    FPaper->SetInfos(&lvFile->Items());
}

void TfrmMain::doLoadStart(int count) {
    FClearOnLoad = false;
    if (lvFile->Items().Count() == 0 || count <= 0)
        return;
    TQvTaskDialog d;
    d.Parent = this;
    d.Title = tr("画像の読み込み");
    d.MainIcon = TTaskDialogIcon::tiQuestion;
    d.SetInstruction(tr("画像の読み込み方法を選択してください。"));
    d.SetContent(tr("リストに画像を追加するか、リストを消去して新規に読み込むかを選択します。"));
    d.Buttons = {TQvCommonButton::cbOk};
    d.RadioButtons.Add(tr("現在のリストに追加する"), 100);
    d.RadioButtons.Add(tr("現在のリストを消去して新規に読み込む"), 101);
    d.DefaultRadioButtonID = 100;
    int radio = 0;
    bool checked = false;
    Ask(d, radio, checked);
    // Clearing waits until the document has been read: a failed read must
    // leave the list as it was.
    FClearOnLoad = radio == 101;
}

void TfrmMain::doImageExist(const QString &fileName, bool &deletion) {
    using E = TImageLinkError;
    if (FImageLinkError == E::ileNone || FImageLinkError == E::ileDelete || FImageLinkError == E::ileNoDelete) {
        TQvTaskDialog d;
        d.Parent = this;
        d.Title = tr("存在しないファイルの確認");
        d.MainIcon = TTaskDialogIcon::tiQuestion;
        d.SetInstruction(tr("以下のファイルは存在しません。リストから除外しますか？"));
        d.SetContent(tr("存在しないファイル\n") + fileName);
        d.Options = {TQvTaskDialogOption::tdoCommandLinks};
        d.CustomButtons.Add(tr("はい。リストから除外します。"), 100);
        d.CustomButtons.Add(tr("いいえ。除外しません。"), 101);
        d.DefaultButton = TTaskDialogDefaultButton::tdbCustom;
        d.CustomDefaultButtonID = 101;
        d.VerificationText = tr("選択した処理をすべてに適用する");
        d.Checked = false;
        int radio = 0;
        bool checked = false;
        const int button = Ask(d, radio, checked);
        int state = button == 100 ? int(E::ileDelete) : int(E::ileNoDelete);
        if (checked)
            state += 2;
        FImageLinkError = E(state);
    }
    deletion = FImageLinkError == E::ileDelete || FImageLinkError == E::ileDeleteAll;
}

void TfrmMain::doLoadOption(TImageInfo *info) {
    if (TImageListItem *item = FindInfoItem(info))
        setSubItems(*item, *info);
}

bool TfrmMain::OpenDocument(const QString &fileName) {
    FImageLinkError = TImageLinkError::ileNone;
    FClearOnLoad = false;
    // The document is read into a scratch paper and list: a failure leaves
    // the current document untouched. The scratch paper starts as a copy of
    // the current one, so print options and what older files do not store
    // keep their values.
    TPhotoPaper paper;
    paper.Assign(*FPaper);
    TImageInfos images;
    images.SetOnLoadStart([this](void *, std::int32_t count) { doLoadStart(count); });
    images.SetOnImageExist([this](void *, const QString &name, bool &deletion) { doImageExist(name, deletion); });
    try {
        OpenDocumentFile(fileName, paper, images);
    } catch (const std::exception &e) {
        // Reading the paper binds the printer to the scratch copy.
        if (PaperPrinter().Paper() == &paper)
            PaperPrinter().SetPaper(FPaper.get());
        const auto *doc = dynamic_cast<const EDocumentError *>(&e);
        if (doc)
            std::fprintf(stderr, "vellora: %s: %s\n", fileName.toLocal8Bit().constData(),
                         doc->detail().toLocal8Bit().constData());
        ShowException(this, Error(DocumentReadErrorText(
                                fileName, DocumentErrorReason(doc ? doc->reason() : TDocumentErrorReason::derDamaged,
                                                              doc ? doc->errorNumber() : 0))));
        return false;
    }
    FPaper->Assign(paper);
    FPaper->SetInfos(&lvFile->Items());
    PaperPrinter().SetPaper(FPaper.get());
    if (FClearOnLoad) {
        lvFile->Clear();
        FImages->Clear();
    }
    const int first = FImages->Count();
    FImages->SetSaveType(images.SaveType());
    FImages->TakeAll(images);
    FDocument = fileName;
    FPaper->SetDocumentFileName(fileName);
    ClearUndo();
    markClean();
    // Entries kept from before are not in the file just opened.
    if (first > 0) {
        FCleanIndex = -1;
        listChanged();
    }
    setDocumentTitle();
    lvFile->BeginUpdate();
    for (int i = first; i < FImages->Count(); ++i)
        AddInfoItem(FImages->Items(i));
    lvFile->EndUpdate();
    UpdateStatus(kAllStatus);
    return true;
}

// --- printing and the paper ------------------------------------------------------------

void TfrmMain::RunPrintCommands(bool startWithPreview) {
    enum class Next { None, Dialog, Preview, Print } next = startWithPreview ? Next::Preview : Next::Dialog;
    while (next != Next::None) {
        int result = 0;
        switch (next) {
        case Next::Dialog:
            result = OnPrintDialog ? OnPrintDialog(*this) : 0;
            next = result == 100 ? Next::Print : result == 101 ? Next::Preview : Next::None;
            break;
        case Next::Preview:
            result = OnPreviewWindow ? OnPreviewWindow(*this) : 0;
            next = result == 100 ? Next::Dialog : result == 101 ? Next::Print : Next::None;
            break;
        case Next::Print:
            PrintPaper();
            next = Next::None;
            break;
        case Next::None:
            break;
        }
    }
}

void TfrmMain::PrintPaper() {
    if (FRunning)
        return;
    auto *device = dynamic_cast<TDevicePrint *>(&QvPrint());
    if (!device || device->PrinterNames().isEmpty())
        throw EJwPrinterNoPrinter(std::string("TJwPrinter.CheckNoPrinter: No Printer"));
    if (!confirmLowResolution(FPaper->PrintOptions()))
        return;
    TPhotoProblems problems;
    const bool canceled = runWithProgress(tr("印刷しています"), false,
                    [this] { FPaper->Print(TPrintDest::pdPrinter, nullptr, QString(), 1); },
                    [&problems](const TPhotoDrawReport &report, int page) { problems.Add(report, page); });
    // A print that went well needs no box; one with problems says which photos.
    if (!problems.Empty())
        reportPhotoProblems(tr("印刷"),
                            canceled ? tr("印刷を中止しました。問題のある画像があります")
                                     : tr("印刷は終了しましたが、問題のある画像があります"),
                            QString(), problems);
}

bool TfrmMain::confirmLowResolution(const TPrintOptions &options) {
    FRunning = true;
    FPrinterTimer->stop();
    struct Cleanup {
        TfrmMain &w;
        ~Cleanup() {
            w.FRunning = false;
            w.FPrinterTimer->start();
        }
    } cleanup{*this};
    return ConfirmLowResolution(this, *FPaper, options, &iniMain);
}

bool TfrmMain::runWithProgress(const QString &prompt, bool pumpEvents, const std::function<void()> &run,
                               const std::function<void(const TPhotoDrawReport &, int page)> &onDrawn) {
    TfrmProgress progress(this);
    progress.SetMax(FImages->Count());
    progress.SetPrompt(prompt);
    progress.SetVisibleStop(false);
    FProgress = &progress;
    FRunning = true;
    FPrinterTimer->stop();
    // Whatever happens in the run, nothing stays wired to this progress window.
    struct Cleanup {
        TfrmMain &w;
        TfrmProgress &p;
        ~Cleanup() {
            w.FPaper->SetOnPrint(nullptr);
            w.FPaper->SetOnBeginPrint(nullptr);
            w.FPaper->SetOnPhotoDrawn(nullptr);
            p.Finish();
            w.FProgress = nullptr;
            w.FRunning = false;
            w.FPrinterTimer->start();
        }
    } cleanup{*this, progress};
    bool canceled = false;
    FPaper->SetOnBeginPrint([&progress](void *, std::int32_t countMax) {
        progress.SetMax(countMax);
        progress.SetPosition(0);
    });
    FPaper->SetOnPrint([this, &progress, &canceled, &prompt, pumpEvents](void *, std::int32_t page,
                                                                       std::int32_t index, bool &cancel) {
        progress.SetPosition(index);
        progress.SetPrompt(tr("%1 - %2ページ").arg(prompt).arg(page));
        if (pumpEvents)
            progress.ProcessMessages();
        cancel = progress.Canceled() || FClosing;
        canceled = canceled || cancel;
    });
    if (onDrawn)
        FPaper->SetOnPhotoDrawn([this, &onDrawn](const TPhotoDrawReport &report) {
            onDrawn(report, FPaper->PrintingInfo().piNowPage);
        });
    progress.Start();
    run();
    return canceled;
}

void TfrmMain::ApplyLayout(const TPhotoPaper &edited) {
    FPaper->Assign(edited);
    FPaper->SetInfos(&lvFile->Items());
    UpdatePaperLabels();
    DrawPaperPreview();
    UpdateStatus(StatusBit(TStatusPanel::spPrinter));
    markPaperModified();
}

void TfrmMain::ApplyAdjustment(double leftMM, double topMM) {
    FPaper->PrintOptions().Adjusts = FloatSize(leftMM, topMM);
    iniMain.WriteFloat(kRestore, QStringLiteral("AdjustLeft"), leftMM);
    iniMain.WriteFloat(kRestore, QStringLiteral("AdjustTop"), topMM);
}

void TfrmMain::PrinterSetup() {
    if (!ExecuteSystemPrinterSetup(this))
        return;
    const TQvPrint &print = QvPrint();
    if (double(FPaper->PaperWidth()) == print.MMPaperWidth() && double(FPaper->PaperHeight()) == print.MMPaperHeight())
        return;
    FPaper->AdjustPaper();
    UpdatePaperLabels();
    DrawPaperPreview();
    UpdateStatus(StatusBit(TStatusPanel::spPrinter));
    markPaperModified();
}

void TfrmMain::checkPrinter() {
    if (FRunning)
        return;
    if (auto *device = dynamic_cast<TDevicePrint *>(&QvPrint())) {
        try {
            device->JwPrinter().CheckSystemChanged();
        } catch (const std::exception &) {
            // The print server may be away for a moment; the next tick asks again.
        }
    }
}

// --- help and the rest --------------------------------------------------------------------

QString TfrmMain::ReadmeFileName() const {
    const QString dir = QCoreApplication::applicationDirPath();
    const QString exe = QCoreApplication::applicationFilePath();
    const QStringList candidates = {
        dir + QStringLiteral("/Vellora.txt"),
        QFileInfo(exe).path() + QLatin1Char('/') + QFileInfo(exe).completeBaseName() + QStringLiteral(".txt"),
        QDir::cleanPath(dir + QStringLiteral("/../share/doc/vellora/Vellora.txt")),
    };
    for (const QString &c : candidates)
        if (QFileInfo(c).isFile())
            return c;
    return {};
}

void TfrmMain::ShowTextFile() {
    const QString file = ReadmeFileName();
    // Without a program for text files the desktop opens nothing and says
    // nothing; tell the user where the file is instead.
    if (file.isEmpty())
        throw std::runtime_error(tr("Vellora.txt が見つかりません。").toStdString());
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
        throw std::runtime_error(tr("%1 を開けませんでした。").arg(QDir::toNativeSeparators(file)).toStdString());
}

void TfrmMain::showAbout() {
    QDialog about(this);
    about.setObjectName(QStringLiteral("dlgAbout"));
    about.setWindowTitle(tr("バージョン情報"));
    auto *box = new QHBoxLayout(&about);
    auto *icon = new QLabel(&about);
    icon->setPixmap(app::applicationIcon().pixmap(48, 48));
    box->addWidget(icon, 0, Qt::AlignTop);
    auto *texts = new QVBoxLayout;
    auto *name = new QLabel(QString::fromUtf8(version::kProductName), &about);
    name->setObjectName(QStringLiteral("lblName"));
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    name->setFont(big);
    auto *ver = new QLabel(tr("バージョン %1").arg(QString::fromUtf8(version::kProductVersion)), &about);
    ver->setObjectName(QStringLiteral("lblVersion"));
    auto *desc = new QLabel(tr("デジタル写真の印刷"), &about);
    auto *ok = new QPushButton(QStringLiteral("OK"), &about);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, &about, &QDialog::accept);
    texts->addWidget(name);
    texts->addWidget(ver);
    texts->addWidget(desc);
    texts->addWidget(ok, 0, Qt::AlignRight);
    box->addLayout(texts);
    about.exec();
}

void TfrmMain::runGuarded(const std::function<void()> &command) {
    try {
        command();
    } catch (const EJwPrinterNoPrinter &) {
        ShowException(this, std::runtime_error(tr("プリンタがインストールされていません。").toStdString()));
    } catch (...) {
        ShowCurrentException(this);
    }
}

void TfrmMain::closeEvent(QCloseEvent *event) {
    if (FRunning || FProgress) {
        // A close request during a run cancels the run; the window stays.
        if (FProgress)
            FProgress->cancelClicked();
        event->ignore();
        return;
    }
    if (OnCloseQuery && !OnCloseQuery(*this)) {
        event->ignore();
        return;
    }
    FClosing = true;
    event->accept();
}

} // namespace vellora
