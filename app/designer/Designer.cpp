#include "app/designer/Designer.h"

#include "app/FormSettings.h"
#include "app/controls/NumberEdit.h"
#include "app/designer/DesignerUndo.h"
#include "app/designer/GridDialog.h"
#include "app/designer/PositioningDialog.h"
#include "app/layout/DialogParts.h"
#include "app/layout/PropImageDialog.h"
#include "app/layout/PropTextDialog.h"
#include "app/layout/SelAreaDialog.h"
#include "model/Background.h"
#include "model/ImageArea.h"
#include "model/PhotoArea.h"
#include "model/PhotoAreas.h"
#include "model/PhotoPaper.h"
#include "model/TextArea.h"
#include "settings/IniFile.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPaintEvent>
#include <QRubberBand>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <exception>

namespace vellora {

namespace {

const QString kSection = QStringLiteral("Designer");
const QColor kSurfaceGrey(128, 128, 128);   // 8421504
const QColor kCellSilver(192, 192, 192);    // 12632256
const QColor kCellAreaBlue(166, 202, 240);  // the sky blue the area chooser outlines free areas in
// A surface side never exceeds what a widget can be.
constexpr int kMaxPagePixels = 5000000;
// A page too small to see even at the largest rate (a sheet of a tenth of a
// millimetre) is still drawn as a small box, so that the user sees where it
// lies; areas keep their true scale from its top-left corner.
constexpr int kMinPagePixels = 8;
// A new area's size in mm, less where the page is smaller.
constexpr double kNewAreaWidth = 20;
constexpr double kNewAreaHeight = 10;
constexpr int kNudgeMergeId = 1;

QIcon glyphIcon(const QString &glyph)
{
    QPixmap pm(20, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f = p.font();
    f.setPixelSize(glyph.size() > 2 ? 8 : 13);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(40, 40, 40));
    p.drawText(QRect(0, 0, 20, 20), Qt::AlignCenter, glyph);
    return QIcon(pm);
}

} // namespace

TDesignerSettings ReadDesignerSettings(const TExtIniFile *ini)
{
    TDesignerSettings s;
    if (!ini)
        return s;
    s.GridAdsorp = ini->ReadBool(kSection, QStringLiteral("GridAdsorp"), false);
    s.GridColor = ini->ReadColor(kSection, QStringLiteral("GridColor"), 15780518);
    s.GridStep = SaneGridStep(ini->ReadFloat(kSection, QStringLiteral("GridStep"), kDefaultGridStep));
    s.GridVisible = ini->ReadBool(kSection, QStringLiteral("GridVisible"), false);
    s.GridOrigin = SaneGridOrigin(ini->ReadInt(kSection, QStringLiteral("GridOrigin"), 0));
    return s;
}

// --- TfrmDesigner -----------------------------------------------------------

TfrmDesigner::TfrmDesigner(QWidget *parent, TExtIniFile *ini, double ppi, TDesignerOpeners openers)
    : QDialog(parent), FIni(ini), FOpeners(std::move(openers)), FItems(std::make_unique<TPrintItemList>()),
      FUndo(new QUndoStack(this))
{
    setObjectName(QStringLiteral("frmDesigner"));
    setWindowTitle(tr("デザイナ"));
    setSizeGripEnabled(true);
    if (!(ppi > 0)) {
        const QScreen *screen = QGuiApplication::primaryScreen();
        ppi = screen ? screen->logicalDotsPerInchX() : 96.0;
    }
    FPpi = ppi;
    FItems->SetPixelsPerInch(FPpi);
    FItems->SetOnSelect([this](TPrintItem *) { ItemSelect(); });

    if (!FOpeners.SelectArea)
        FOpeners.SelectArea = [this](QWidget *p, TPhotoPaper &paper, int &index) {
            TfrmSelArea dialog(p, FIni);
            dialog.SetPaper(&paper);
            dialog.SetSelectionMode(TSelectionMode::smSelect);
            dialog.SetSelected(index);
            if (dialog.exec() != QDialog::Accepted)
                return false;
            index = dialog.Selected();
            return true;
        };
    if (!FOpeners.TextProperties)
        FOpeners.TextProperties = [this](QWidget *p, TTextArea &area, TEditMode mode) {
            TfrmPropText dialog(p, FIni);
            dialog.SetEditMode(mode);
            dialog.SetArea(&area);
            return dialog.exec() == QDialog::Accepted;
        };
    if (!FOpeners.ImageProperties)
        FOpeners.ImageProperties = [this](QWidget *p, TImageArea &area) {
            TfrmPropImage dialog(p, FIni);
            dialog.SetArea(&area);
            return dialog.exec() == QDialog::Accepted;
        };
    if (!FOpeners.Positioning)
        FOpeners.Positioning = [](QWidget *p, THorzAlign &horz, TVertAlign &vert) {
            TfrmPositioning dialog(p);
            if (dialog.exec() != QDialog::Accepted)
                return false;
            horz = dialog.HorzAlign();
            vert = dialog.VertAlign();
            return true;
        };
    if (!FOpeners.GridSettings)
        FOpeners.GridSettings = [](QWidget *p, TExtIniFile *file, TDesignerSettings &settings) {
            TfrmGrid dialog(p, file);
            dialog.SetGridVisible(settings.GridVisible);
            if (dialog.exec() != QDialog::Accepted)
                return false;
            settings = dialog.Settings();
            return true;
        };
    if (!FOpeners.ShowError)
        FOpeners.ShowError = [](QWidget *p, const QString &message) { vellora::ShowError(p, message); };

    createActions();
    createControls();
    readSettings();
    if (FIni)
        ReadForm(*FIni, QStringLiteral("Forms"), objectName(), this);
    ItemSelect();
}

TfrmDesigner::~TfrmDesigner()
{
    if (FIni) {
        FIni->WriteBool(kSection, QStringLiteral("GridVisible"), actGrid->isChecked());
        WriteForm(*FIni, QStringLiteral("Forms"), objectName(), this);
    }
    FGestureStart.clear();
    FItems.reset();
}

void TfrmDesigner::createActions()
{
    auto make = [this](const char *name, const QString &caption, const QString &hint, const QString &glyph,
                       const QKeySequence &key = {}) {
        auto *a = new QAction(caption, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setToolTip(hint);
        a->setStatusTip(hint);
        if (!glyph.isEmpty())
            a->setIcon(glyphIcon(glyph));
        if (!key.isEmpty())
            a->setShortcut(key);
        addAction(a);
        return a;
    };
    actModeAll = make("actModeAll", tr("全体編集(&A)"), tr("全体編集モード"), tr("全"));
    actModeArea = make("actModeArea", tr("エリア編集(&R)..."), tr("エリア編集モード"),
                       tr("エ"));
    actModeAll->setCheckable(true);
    actModeArea->setCheckable(true);
    actModeAll->setChecked(true);
    grpMode = new QActionGroup(this);
    grpMode->setExclusive(true);
    grpMode->addAction(actModeAll);
    grpMode->addAction(actModeArea);
    actChangeArea = make("actChangeArea", tr("エリア変更(&H)..."), tr("エリア変更"),
                         tr("変"), QKeySequence(QStringLiteral("Ctrl+J")));
    actApply = make("actApply", tr("適用して閉じる(&A)"), tr("閉じる"), QString());
    actAddText = make("actAddText", tr("テキスト領域の追加(&T)"), tr("テキスト領域の追加"),
                      QStringLiteral("T"));
    actAddImage = make("actAddImage", tr("画像領域の追加(&I)"), tr("画像領域の追加"),
                       tr("画"));
    actProperty = make("actProperty", tr("領域のプロパティ(&R)..."), tr("プロパティ"),
                       QStringLiteral("P"), QKeySequence(QStringLiteral("Ctrl+P")));
    actDelete = make("actDelete", tr("領域の削除(&D)"), tr("削除"), QStringLiteral("×"));
    actMoveTop = make("actMoveTop", tr("最前面へ(&F)"), tr("最前面へ"), QStringLiteral("⇈"),
                      QKeySequence(QStringLiteral("Ctrl+T")));
    actMoveBottom = make("actMoveBottom", tr("最背面へ(&B)"), tr("最背面へ"),
                         QStringLiteral("⇊"), QKeySequence(QStringLiteral("Ctrl+B")));
    actMoveNext = make("actMoveNext", tr("1つ前へ(&N)"), tr("1つ前へ"), QStringLiteral("↑"),
                       QKeySequence(QStringLiteral("Ctrl+E")));
    // Ctrl+P belongs to the property command alone: a shortcut shared by two
    // actions would fire neither.
    actMovePrior = make("actMovePrior", tr("1つ後ろへ(&P)"), tr("1つ後ろへ"),
                        QStringLiteral("↓"));
    actPosition = make("actPosition", tr("整列(&O)..."), tr("整列"), tr("整"));
    actUpScale = make("actUpScale", tr("拡大(&U)"), tr("拡大"), QStringLiteral("+"),
                      QKeySequence(QStringLiteral("Ctrl+U")));
    actDownScale = make("actDownScale", tr("縮小(&D)"), tr("縮小"), QStringLiteral("−"),
                        QKeySequence(QStringLiteral("Ctrl+N")));
    actSameScale = make("actSameScale", tr("等倍(&S)"), tr("等倍"), QStringLiteral("1:1"),
                        QKeySequence(QStringLiteral("Ctrl+Alt+S")));
    actWidthScale = make("actWidthScale", tr("幅に合わせる(&W)"), tr("幅に合わせる"),
                         QStringLiteral("↔"), QKeySequence(QStringLiteral("Ctrl+W")));
    actAllScale = make("actAllScale", tr("全体(&A)"), tr("全体"), QStringLiteral("□"),
                       QKeySequence(QStringLiteral("Ctrl+Alt+A")));
    actGrid = make("actGrid", tr("グリッドのON/OFF(&G)"), tr("グリッド"), QStringLiteral("#"),
                   QKeySequence(QStringLiteral("Ctrl+G")));
    actGrid->setCheckable(true);
    mitSetGrid = make("mitSetGrid", tr("グリッドの設定(&R)..."), QString(), QString());
    actUndo = make("actUndo", tr("元に戻す(&U)"), tr("元に戻す"), QString(),
                   QKeySequence(QStringLiteral("Ctrl+Z")));
    actRedo = make("actRedo", tr("やり直し(&R)"), tr("やり直し"), QString());
    actRedo->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Shift+Z")), QKeySequence(QStringLiteral("Ctrl+Y"))});
    actSelectAll = make("actSelectAll", tr("すべて選択(&A)"), tr("すべて選択"), QString(),
                        QKeySequence(QStringLiteral("Ctrl+A")));
    actCopy = make("actCopy", tr("コピー(&C)"), tr("コピー"), QString(),
                   QKeySequence(QStringLiteral("Ctrl+C")));
    actPaste = make("actPaste", tr("貼り付け(&P)"), tr("貼り付け"), QString(),
                    QKeySequence(QStringLiteral("Ctrl+V")));
    actDuplicate = make("actDuplicate", tr("複製(&L)"), tr("複製"), QString(),
                        QKeySequence(QStringLiteral("Ctrl+D")));
    actUndo->setEnabled(false);
    actRedo->setEnabled(false);
    actPaste->setEnabled(false);
    actChangeArea->setEnabled(false);

    connect(actModeAll, &QAction::triggered, this, &TfrmDesigner::modeAll);
    connect(actModeArea, &QAction::triggered, this, [this] { modeArea(true); });
    connect(actChangeArea, &QAction::triggered, this, [this] { modeArea(false); });
    connect(actApply, &QAction::triggered, this, &QDialog::accept);
    connect(actAddText, &QAction::triggered, this, [this] { AddArea(true); });
    connect(actAddImage, &QAction::triggered, this, [this] { AddArea(false); });
    connect(actProperty, &QAction::triggered, this, &TfrmDesigner::openProperties);
    connect(actDelete, &QAction::triggered, this, &TfrmDesigner::DeleteSelected);
    connect(actMoveTop, &QAction::triggered, this, [this] { MoveSelected(0); });
    connect(actMoveBottom, &QAction::triggered, this, [this] { MoveSelected(1); });
    connect(actMoveNext, &QAction::triggered, this, [this] { MoveSelected(2); });
    connect(actMovePrior, &QAction::triggered, this, [this] { MoveSelected(3); });
    connect(actPosition, &QAction::triggered, this, &TfrmDesigner::openPositioning);
    connect(actUpScale, &QAction::triggered, this, [this] { ChangeShowRate(ShowRate() + 20); });
    connect(actDownScale, &QAction::triggered, this, [this] { ChangeShowRate(ShowRate() - 20); });
    connect(actSameScale, &QAction::triggered, this, [this] { ChangeShowRate(100); });
    connect(actWidthScale, &QAction::triggered, this, &TfrmDesigner::FitWidth);
    connect(actAllScale, &QAction::triggered, this, &TfrmDesigner::FitAll);
    connect(actGrid, &QAction::toggled, this, [this] {
        if (imgDesign)
            imgDesign->update();
    });
    connect(mitSetGrid, &QAction::triggered, this, &TfrmDesigner::openGrid);
    connect(actUndo, &QAction::triggered, this, [this] {
        cancelGesture();
        FUndo->undo();
    });
    connect(actRedo, &QAction::triggered, this, [this] {
        cancelGesture();
        FUndo->redo();
    });
    connect(FUndo, &QUndoStack::canUndoChanged, actUndo, &QAction::setEnabled);
    connect(FUndo, &QUndoStack::canRedoChanged, actRedo, &QAction::setEnabled);
    connect(actSelectAll, &QAction::triggered, this, &TfrmDesigner::SelectAll);
    connect(actCopy, &QAction::triggered, this, &TfrmDesigner::CopySelected);
    connect(actPaste, &QAction::triggered, this, &TfrmDesigner::Paste);
    connect(actDuplicate, &QAction::triggered, this, &TfrmDesigner::Duplicate);
}

void TfrmDesigner::createControls()
{
    auto *menu = new QMenuBar(this);
    menu->setObjectName(QStringLiteral("mnuMain"));
    QMenu *file = menu->addMenu(tr("ファイル(&F)"));
    file->setObjectName(QStringLiteral("mitFile"));
    file->addAction(actApply);
    QMenu *editMenu = menu->addMenu(tr("編集(&E)"));
    editMenu->setObjectName(QStringLiteral("mitEdit"));
    editMenu->addActions({actUndo, actRedo});
    editMenu->addSeparator();
    editMenu->addActions({actCopy, actPaste, actDuplicate});
    editMenu->addSeparator();
    editMenu->addAction(actSelectAll);
    QMenu *area = menu->addMenu(tr("印刷領域(&A)"));
    area->setObjectName(QStringLiteral("mitArea"));
    area->addActions({actModeAll, actModeArea, actChangeArea});
    area->addSeparator();
    area->addActions({actAddText, actAddImage});
    area->addSeparator();
    area->addActions({actProperty, actDelete});
    area->addSeparator();
    area->addActions({actMoveTop, actMoveBottom, actMoveNext, actMovePrior});
    area->addSeparator();
    area->addAction(actPosition);
    QMenu *view = menu->addMenu(tr("表示(&V)"));
    view->setObjectName(QStringLiteral("mitView"));
    view->addActions({actUpScale, actDownScale, actSameScale, actWidthScale, actAllScale});
    view->addSeparator();
    view->addActions({actGrid, mitSetGrid});

    pmnItem = new QMenu(this);
    pmnItem->setObjectName(QStringLiteral("pmnItem"));
    pmnItem->addAction(actProperty);
    pmnItem->addSeparator();
    pmnItem->addActions({actMoveTop, actMoveBottom, actMoveNext, actMovePrior});
    pmnItem->addSeparator();
    pmnItem->addAction(actPosition);
    pmnItem->addSeparator();
    pmnItem->addAction(actDelete);

    auto *tbrMain = new QToolBar(this);
    tbrMain->setObjectName(QStringLiteral("tbrMain"));
    tbrMain->setIconSize(QSize(20, 20));
    tbrMain->addActions({actModeAll, actModeArea, actChangeArea});
    tbrMain->addSeparator();
    tbrMain->addActions({actAddText, actAddImage});
    tbrMain->addSeparator();
    tbrMain->addActions({actProperty, actDelete});
    tbrMain->addSeparator();
    tbrMain->addActions({actMoveTop, actMoveBottom, actMoveNext, actMovePrior});
    tbrMain->addSeparator();
    tbrMain->addActions({actPosition, actGrid});

    auto number = [this](const char *name, double min, double max, int figure, double step) {
        auto *e = new TUpdownNumberEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->SetFigure(figure);
        e->SetFixed(figure > 0);
        e->SetIncrement(step);
        e->SetMin(min);
        e->SetMax(max);
        e->SetLimit(true);
        e->setFixedWidth(figure > 0 ? 84 : 60);
        return e;
    };
    auto *tbrView = new QToolBar(this);
    tbrView->setObjectName(QStringLiteral("tbrView"));
    tbrView->setIconSize(QSize(20, 20));
    edtShowRate = number("edtShowRate", kMinShowRate, kMaxShowRate, 0, 25);
    edtShowRate->SetValue(100);
    edtShowRate->setToolTip(tr("表示倍率"));
    tbrView->addWidget(edtShowRate);
    tbrView->addWidget(new QLabel(QStringLiteral("% "), this));
    tbrView->addActions({actUpScale, actDownScale, actSameScale, actWidthScale, actAllScale});
    tbrView->addSeparator();
    edtLeftPos = number("edtLeftPos", -kMaxDesignMM, kMaxDesignMM, 2, 0.1);
    edtTopPos = number("edtTopPos", -kMaxDesignMM, kMaxDesignMM, 2, 0.1);
    edtWidth = number("edtWidth", 0, kMaxDesignMM, 2, 0.1);
    edtHeight = number("edtHeight", 0, kMaxDesignMM, 2, 0.1);
    const QString captions[] = {tr("水平(&X):"), tr("垂直(&Y):"), tr("幅(&W):"),
                                tr("高さ(&H):")};
    TUpdownNumberEdit *edits[] = {edtLeftPos, edtTopPos, edtWidth, edtHeight};
    for (int tag = 0; tag < 4; ++tag) {
        TUpdownNumberEdit *e = edits[tag];
        e->setProperty("tag", tag);
        auto *l = new QLabel(captions[tag], this);
        l->setBuddy(e);
        tbrView->addWidget(l);
        tbrView->addWidget(e);
        e->installEventFilter(this);
        connect(e, &TNumberEdit::valueChanged, this, [this, tag](double v) {
            if (!FLoadingEdits)
                applyEdit(tag, v);
        });
    }
    connect(edtShowRate, &TNumberEdit::valueChanged, this, [this](double v) {
        if (!FLoadingEdits)
            ChangeShowRate(static_cast<int>(v));
    });

    scrDesign = new QScrollArea(this);
    scrDesign->setObjectName(QStringLiteral("scrDesign"));
    scrDesign->setWidgetResizable(false);
    scrDesign->setBackgroundRole(QPalette::Dark);
    imgDesign = new TDesignSurface(this);
    scrDesign->setWidget(imgDesign);

    auto *status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("stbMain"));
    status->setSizeGripEnabled(false);
    stbStatus = new QLabel(this);
    stbStatus->setObjectName(QStringLiteral("stbStatus"));
    status->addWidget(stbStatus, 1);

    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(0);
    main->setMenuBar(menu);
    main->addWidget(tbrMain);
    main->addWidget(tbrView);
    main->addWidget(scrDesign, 1);
    main->addWidget(status);
    resize(900, 680);
}

void TfrmDesigner::readSettings()
{
    FSettings = ReadDesignerSettings(FIni);
    actGrid->setChecked(FSettings.GridVisible);
}

void TfrmDesigner::SetPaper(TPhotoPaper *paper)
{
    FPaper = paper;
    FUndo->clear();
    SetEditMode(TEditMode::emPaper, 0);
}

TAreas &TfrmDesigner::CurrentAreas() const
{
    return FEditArea ? FEditArea->Areas() : FPaper->Areas();
}

int TfrmDesigner::currentListId() const
{
    return FEditMode == TEditMode::emArea ? FEditAreaIndex : kPaperList;
}

void TfrmDesigner::SetEditMode(TEditMode mode, int areaIndex)
{
    if (!FPaper)
        return;
    if (mode == TEditMode::emArea && (areaIndex < 0 || areaIndex >= FPaper->PhotoAreas().Count()))
        mode = TEditMode::emPaper;
    FEditMode = mode;
    FEditAreaIndex = mode == TEditMode::emArea ? areaIndex : 0;
    const std::vector<int> none;
    CreateItems(&none);
    UpdateStatusText();
    FitAll();
}

QString TfrmDesigner::StatusText() const
{
    if (!FPaper)
        return QString();
    if (FEditMode == TEditMode::emArea && FEditArea)
        return tr("エリアサイズ: %1×%2 mm　エリア番号: %3")
            .arg(static_cast<double>(FEditArea->Width()), 0, 'f', 2)
            .arg(static_cast<double>(FEditArea->Height()), 0, 'f', 2)
            .arg(FEditAreaIndex + 1);
    return tr("用紙サイズ: %1×%2 mm")
        .arg(static_cast<double>(FPaper->PaperWidth()), 0, 'f', 2)
        .arg(static_cast<double>(FPaper->PaperHeight()), 0, 'f', 2);
}

void TfrmDesigner::UpdateStatusText()
{
    stbStatus->setText(StatusText());
}

TPrintItem *TfrmDesigner::makeItem(TCustomArea *area)
{
    TPrintItem *item = FItems->Add(area, imgDesign);
    connect(item, &TPrintItem::pressed, this, &TfrmDesigner::itemPressed);
    connect(item, &TPrintItem::doubleClicked, this, &TfrmDesigner::itemDoubleClicked);
    connect(item, &TPrintItem::dragStarted, this, &TfrmDesigner::dragStarted);
    connect(item, &TPrintItem::dragMoved, this, &TfrmDesigner::dragMoved);
    connect(item, &TPrintItem::sizingStarted, this, &TfrmDesigner::sizingStarted);
    connect(item, &TPrintItem::sizingMoved, this, &TfrmDesigner::sizingMoved);
    connect(item, &TPrintItem::released, this, &TfrmDesigner::mouseReleased);
    connect(item, &TPrintItem::menuRequested, this, &TfrmDesigner::itemMenu);
    item->Adjust();
    return item;
}

void TfrmDesigner::CreateItems(const std::vector<int> *selection)
{
    std::vector<const TCustomArea *> remembered;
    if (!selection)
        for (TPrintItem *item : FItems->SelectedItems())
            remembered.push_back(item->Item());
    FGestureStart.clear();
    FItems->Clear();
    FItems->SetPixelsPerInch(FPpi);
    FEditArea = FEditMode == TEditMode::emArea ? FPaper->PhotoAreas().Items(FEditAreaIndex) : nullptr;
    DrawDesign();
    TAreas &areas = CurrentAreas();
    std::vector<bool> selected(static_cast<size_t>(areas.Count()), false);
    for (int i = 0; i < areas.Count(); ++i) {
        makeItem(areas.Items(i));
        if (selection)
            selected[static_cast<size_t>(i)] = std::find(selection->begin(), selection->end(), i) != selection->end();
        else
            selected[static_cast<size_t>(i)] =
                std::find(remembered.begin(), remembered.end(), areas.Items(i)) != remembered.end();
    }
    FItems->SetSelection(selected);
    actChangeArea->setEnabled(FEditMode == TEditMode::emArea);
    ItemSelect();
}

TFloatPoint TfrmDesigner::GridOriginMM() const
{
    if (FPaper && FEditMode == TEditMode::emPaper && FSettings.GridOrigin == TGridOrigin::goArea
        && FPaper->PhotoAreas().Count() > 0) {
        const TPhotoArea *first = FPaper->PhotoAreas().Items(0);
        return FloatPoint(first->Left(), first->Top());
    }
    return FloatPoint(0, 0);
}

Extended TfrmDesigner::GridDrawStepNow() const
{
    if (!actGrid->isChecked() || !(FSettings.GridStep >= kMinGridStep))
        return 0;
    return GridDrawStep(FSettings.GridStep, Scale());
}

TSnap TfrmDesigner::snap() const
{
    TSnap s;
    s.on = FSettings.GridAdsorp;
    s.step = FSettings.GridStep;
    const TFloatPoint o = GridOriginMM();
    s.originX = o.X;
    s.originY = o.Y;
    return s;
}

void TfrmDesigner::DrawDesign()
{
    if (!FPaper)
        return;
    const TDesignScale scale = Scale();
    const Extended pw = FEditArea ? FEditArea->Width() : FPaper->PaperWidth();
    const Extended ph = FEditArea ? FEditArea->Height() : FPaper->PaperHeight();
    const int w = std::clamp(scale.ToPixels(pw), kMinPagePixels, kMaxPagePixels);
    const int h = std::clamp(scale.ToPixels(ph), kMinPagePixels, kMaxPagePixels);
    FPrintableRect = QRect(w, h, w, h);
    FItems->SetOffsets(QPoint(w, h));
    imgDesign->resize(3 * w, 3 * h);
    FItems->Adjust();
    scrDesign->horizontalScrollBar()->setSingleStep(std::max(1, w / 10));
    scrDesign->verticalScrollBar()->setSingleStep(std::max(1, h / 10));
    imgDesign->update();
}

void TfrmDesigner::ChangeShowRate(int rate)
{
    rate = ClampShowRate(rate);
    QScrollBar *bars[] = {scrDesign->horizontalScrollBar(), scrDesign->verticalScrollBar()};
    double fraction[2];
    bool visible[2];
    for (int i = 0; i < 2; ++i) {
        visible[i] = bars[i]->maximum() > 0;
        fraction[i] = visible[i] ? double(bars[i]->value()) / bars[i]->maximum() : 0.5;
    }
    FItems->SetShowRate(rate);
    FLoadingEdits = true;
    edtShowRate->SetValue(rate);
    FLoadingEdits = false;
    DrawDesign();
    for (int i = 0; i < 2; ++i)
        bars[i]->setValue(static_cast<int>(std::lround(fraction[i] * bars[i]->maximum())));
}

void TfrmDesigner::setRateKeepingCentre(int rate, const QPoint *anchorViewport)
{
    const QPoint v = anchorViewport ? *anchorViewport : QPoint(scrDesign->viewport()->width() / 2,
                                                              scrDesign->viewport()->height() / 2);
    QScrollBar *hb = scrDesign->horizontalScrollBar(), *vb = scrDesign->verticalScrollBar();
    const QPoint p = v + QPoint(hb->value(), vb->value());
    const TDesignScale before = Scale();
    const Extended mx = before.ToMM(p.x() - FItems->Offsets().x());
    const Extended my = before.ToMM(p.y() - FItems->Offsets().y());
    FItems->SetShowRate(ClampShowRate(rate));
    FLoadingEdits = true;
    edtShowRate->SetValue(ShowRate());
    FLoadingEdits = false;
    DrawDesign();
    const TDesignScale after = Scale();
    hb->setValue(FItems->Offsets().x() + after.ToPixels(mx) - v.x());
    vb->setValue(FItems->Offsets().y() + after.ToPixels(my) - v.y());
}

void TfrmDesigner::FitWidth()
{
    if (!FPaper)
        return;
    const Extended pw = FEditArea ? FEditArea->Width() : FPaper->PaperWidth();
    const int px = std::max(1, MMToPixel100(pw, FPpi));
    QScrollBar *vb = scrDesign->verticalScrollBar();
    const bool vVisible = vb->maximum() > 0;
    const double vf = vVisible ? double(vb->value()) / vb->maximum() : 0.5;
    FItems->SetShowRate(ClampShowRate(static_cast<long long>(double(scrDesign->viewport()->width()) / px * 100)));
    FLoadingEdits = true;
    edtShowRate->SetValue(ShowRate());
    FLoadingEdits = false;
    DrawDesign();
    QScrollBar *hb = scrDesign->horizontalScrollBar();
    hb->setValue(hb->maximum() / 2);
    vb->setValue(static_cast<int>(std::lround(vf * vb->maximum())));
}

void TfrmDesigner::FitAll()
{
    if (!FPaper)
        return;
    const Extended pw = FEditArea ? FEditArea->Width() : FPaper->PaperWidth();
    const Extended ph = FEditArea ? FEditArea->Height() : FPaper->PaperHeight();
    const int wpx = std::max(1, MMToPixel100(pw, FPpi));
    const int hpx = std::max(1, MMToPixel100(ph, FPpi));
    // The surface is three pages wide and high, so both scroll bars show once
    // it is drawn: fit into the viewport they leave, with a little room for
    // the page's outline, or the page's bottom and right edge are cut off.
    const QSize client = scrDesign->maximumViewportSize()
                         - QSize(scrDesign->verticalScrollBar()->sizeHint().width() + kFitMargin,
                                 scrDesign->horizontalScrollBar()->sizeHint().height() + kFitMargin);
    const double r = 100.0 * std::min(double(std::max(1, client.width())) / wpx,
                                      double(std::max(1, client.height())) / hpx);
    FItems->SetShowRate(ClampShowRate(static_cast<long long>(r)));
    FLoadingEdits = true;
    edtShowRate->SetValue(ShowRate());
    FLoadingEdits = false;
    DrawDesign();
    for (QScrollBar *b : {scrDesign->horizontalScrollBar(), scrDesign->verticalScrollBar()})
        b->setValue(b->maximum() / 2);
}

void TfrmDesigner::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (FFitOnShow) {
        FFitOnShow = false;
        // The viewport has its size only once the layout has run.
        QTimer::singleShot(0, this, &TfrmDesigner::FitAll);
    }
}

std::vector<int> TfrmDesigner::selectedIndexes() const
{
    std::vector<int> out;
    for (int i = 0; i < FItems->Count(); ++i)
        if (FItems->Items(i)->Selected())
            out.push_back(i);
    return out;
}

void TfrmDesigner::ItemSelect()
{
    const int n = FItems->SelCount();
    actProperty->setEnabled(n == 1);
    actDelete->setEnabled(n >= 1);
    for (QAction *a : {actMoveTop, actMoveBottom, actMoveNext, actMovePrior})
        a->setEnabled(n == 1);
    actPosition->setEnabled(n > 1);
    actCopy->setEnabled(n >= 1);
    actDuplicate->setEnabled(n >= 1);
    for (TUpdownNumberEdit *e : {edtLeftPos, edtTopPos, edtWidth, edtHeight})
        e->setEnabled(n == 1);
    if (n == 1)
        loadEdits();
}

void TfrmDesigner::loadEdits()
{
    TPrintItem *item = FItems->Selected();
    if (!item)
        return;
    const TFloatRect b = item->AreaBounds();
    FLoadingEdits = true;
    edtLeftPos->SetValue(static_cast<double>(b.Left));
    edtTopPos->SetValue(static_cast<double>(b.Top));
    edtWidth->SetValue(static_cast<double>(b.Right));
    edtHeight->SetValue(static_cast<double>(b.Bottom));
    FLoadingEdits = false;
}

bool TfrmDesigner::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn)
        if (auto *e = qobject_cast<TNumberEdit *>(watched))
            FSaveSize = e->Value();
    return QDialog::eventFilter(watched, event);
}

void TfrmDesigner::applyEdit(int tag, double value)
{
    if (FItems->SelCount() != 1)
        return;
    TPrintItem *item = FItems->Selected();
    edit(tag < 2 ? tr("移動") : tr("サイズ変更"), currentListId(), [&] {
        TFloatRect b = item->AreaBounds();
        Extended *field[] = {&b.Left, &b.Top, &b.Right, &b.Bottom};
        if (*field[tag] == static_cast<Extended>(value))
            return false;
        *field[tag] = value;
        b = KeepOnSheet(b);
        item->SetAreaBounds(b);
        return true;
    });
    FSaveSize = value;
    // The edits show what was kept, which a typed value off the sheet is not.
    loadEdits();
    FSaveSize = (tag == 0 ? edtLeftPos : tag == 1 ? edtTopPos : tag == 2 ? edtWidth : edtHeight)->Value();
}

TFloatRect TfrmDesigner::KeepOnSheet(const TFloatRect &leftTopWidthHeight) const
{
    TFloatRect b = leftTopWidthHeight;
    if (!FPaper)
        return b;
    // Positions are relative to the page being edited; a cell's own areas may
    // lie outside the cell (a caption below it) but not off the sheet.
    const Extended sheetLeft = FEditArea ? -FEditArea->Bounds().Left : Extended(0);
    const Extended sheetTop = FEditArea ? -FEditArea->Bounds().Top : Extended(0);
    const Extended sheetW = FPaper->PaperWidth(), sheetH = FPaper->PaperHeight();
    const Extended minSize = kMinAreaMM;
    b.Right = std::clamp(b.Right, minSize, std::max(minSize, sheetW));
    b.Bottom = std::clamp(b.Bottom, minSize, std::max(minSize, sheetH));
    b.Left = std::clamp(b.Left, sheetLeft, std::max(sheetLeft, sheetLeft + sheetW - b.Right));
    b.Top = std::clamp(b.Top, sheetTop, std::max(sheetTop, sheetTop + sheetH - b.Bottom));
    return b;
}

bool TfrmDesigner::edit(const QString &text, int list, const std::function<bool()> &change, int mergeId)
{
    if (!FPaper)
        return false;
    auto before = std::make_unique<TAreasState>(*FPaper, list);
    const std::vector<int> selBefore = selectedIndexes();
    try {
        if (!change())
            return false;
    } catch (const std::exception &e) {
        before->Restore(*FPaper);
        CreateItems(&selBefore);
        fail(QString::fromUtf8(e.what()));
        return false;
    }
    if (before->SameAs(*FPaper))
        return false;
    FUndo->push(new TAreasCommand(this, text, std::move(before), selBefore, selectedIndexes(), mergeId));
    return true;
}

void TfrmDesigner::fail(const QString &message)
{
    FOpeners.ShowError(this, message);
}

void TfrmDesigner::RestoreState(const TAreasState &state, const std::vector<int> &selection)
{
    FGestureStart.clear();
    FGestureBefore.reset();
    state.Restore(*FPaper);
    if (state.List() == kAllLists || state.List() == currentListId())
        CreateItems(&selection);
    else
        CreateItems();
}

// --- Mouse on items -----------------------------------------------------------

void TfrmDesigner::itemPressed(TPrintItem *item, Qt::KeyboardModifiers modifiers)
{
    if (item->Selected())
        return;
    if (!(modifiers & (Qt::ShiftModifier | Qt::ControlModifier)))
        FItems->ClearSelection();
    item->SetSelected(true);
}

void TfrmDesigner::itemDoubleClicked(TPrintItem *item)
{
    if (item->Selected() && FItems->SelCount() == 1)
        openProperties();
}

void TfrmDesigner::beginGesture()
{
    FGestureBefore = std::make_unique<TAreasState>(*FPaper, currentListId());
    FGestureSelection = selectedIndexes();
    FGestureStart.clear();
    for (TPrintItem *i : FItems->SelectedItems())
        FGestureStart.emplace_back(i, i->Item()->Bounds());
}

void TfrmDesigner::endGesture(const QString &text)
{
    if (!FGestureBefore)
        return;
    std::unique_ptr<TAreasState> before = std::move(FGestureBefore);
    FGestureStart.clear();
    if (!before->SameAs(*FPaper))
        FUndo->push(new TAreasCommand(this, text, std::move(before), FGestureSelection, selectedIndexes(), -1));
}

void TfrmDesigner::cancelGesture()
{
    if (!FGestureBefore)
        return;
    for (auto &[item, bounds] : FGestureStart) {
        item->Item()->SetBounds(bounds);
        item->Adjust();
    }
    for (int i = 0; i < FItems->Count(); ++i)
        FItems->Items(i)->CancelMouse();
    FGestureStart.clear();
    FGestureBefore.reset();
    if (FItems->SelCount() == 1)
        loadEdits();
}

void TfrmDesigner::dragStarted(TPrintItem *item, Qt::KeyboardModifiers modifiers)
{
    if (!item->Selected()) {
        if (!(modifiers & (Qt::ShiftModifier | Qt::ControlModifier)))
            FItems->ClearSelection();
        item->SetSelected(true);
    }
    beginGesture();
}

void TfrmDesigner::dragMoved(TPrintItem *item, QPoint down, QPoint now)
{
    if (!FGestureBefore)
        return;
    const TDesignScale scale = Scale();
    int dx = now.x() - down.x();
    int dy = now.y() - down.y();
    const QPoint offsets = FItems->Offsets();
    const TFloatRect *dragged = nullptr;
    for (const auto &[i, bounds] : FGestureStart) {
        const QRect r = scale.ToPixelRect(bounds, offsets);
        dx = ClampMove(r.left(), r.width(), dx, imgDesign->width());
        dy = ClampMove(r.top(), r.height(), dy, imgDesign->height());
        if (i == item)
            dragged = &bounds;
    }
    Extended ex = scale.ToMM(dx), ey = scale.ToMM(dy);
    const TSnap s = snap();
    if (s.active() && dragged) {
        ex += SnapSpan(dragged->Left + ex, dragged->Right + ex, s.originX, s.step);
        ey += SnapSpan(dragged->Top + ey, dragged->Bottom + ey, s.originY, s.step);
    }
    for (auto &[i, bounds] : FGestureStart) {
        i->Item()->SetBounds(OffsetFloatRect(bounds, ex, ey));
        i->Adjust();
    }
    if (FItems->SelCount() == 1)
        loadEdits();
}

void TfrmDesigner::sizingStarted(TPrintItem *item)
{
    item->SetSelected(true);
    beginGesture();
}

void TfrmDesigner::sizingMoved(TPrintItem *item, QPoint down, QPoint now)
{
    if (!FGestureBefore)
        return;
    const TFloatRect *start = nullptr;
    for (const auto &[i, bounds] : FGestureStart)
        if (i == item)
            start = &bounds;
    if (!start)
        return;
    const TDesignScale scale = Scale();
    const unsigned sides = item->MouseSides();
    const TSnap s = snap();
    const TSpan h = ResizeSpan({start->Left, start->Right}, sides & 1, sides & 4, scale.ToMM(now.x() - down.x()),
                               s.active(), s.originX, s.step);
    const TSpan v = ResizeSpan({start->Top, start->Bottom}, sides & 2, sides & 8, scale.ToMM(now.y() - down.y()),
                               s.active(), s.originY, s.step);
    item->Item()->SetBounds(FloatRect(h.low, v.low, h.high, v.high));
    item->Adjust();
    if (FItems->SelCount() == 1)
        loadEdits();
}

void TfrmDesigner::mouseReleased(TPrintItem *item)
{
    endGesture(item->Sizing() ? tr("サイズ変更") : tr("移動"));
}

void TfrmDesigner::itemMenu(TPrintItem *item, QPoint globalPos)
{
    if (!item->Selected()) {
        FItems->ClearSelection();
        item->SetSelected(true);
    }
    pmnItem->popup(globalPos);
}

// --- The band and the wheel -----------------------------------------------------

void TfrmDesigner::bandPressed(QPoint p, Qt::KeyboardModifiers)
{
    FBandPressed = true;
    FSelecting = false;
    FSelFrom = FSelTo = p;
}

void TfrmDesigner::bandMoved(QPoint p)
{
    if (!FBandPressed)
        return;
    FSelecting = true;
    FSelTo = p;
    imgDesign->FBand->setGeometry(QRect(FSelFrom, FSelTo).normalized());
    imgDesign->FBand->show();
    imgDesign->FBand->raise();
}

void TfrmDesigner::bandReleased(QPoint p, Qt::KeyboardModifiers modifiers)
{
    if (!FBandPressed)
        return;
    FBandPressed = false;
    imgDesign->FBand->hide();
    if (!FSelecting) {
        FItems->ClearSelection();
        return;
    }
    FSelecting = false;
    FSelTo = p;
    const bool add = modifiers & (Qt::ShiftModifier | Qt::ControlModifier);
    std::vector<bool> selected(static_cast<size_t>(FItems->Count()));
    for (int i = 0; i < FItems->Count(); ++i) {
        TPrintItem *item = FItems->Items(i);
        selected[static_cast<size_t>(i)] = (add && item->Selected()) || InsideBand(item->geometry(), FSelFrom, FSelTo);
    }
    FItems->SetSelection(selected);
}

void TfrmDesigner::wheel(QPoint surfacePos, int delta, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & Qt::ControlModifier) {
        const QPoint v = surfacePos - QPoint(scrDesign->horizontalScrollBar()->value(),
                                             scrDesign->verticalScrollBar()->value());
        setRateKeepingCentre(ShowRate() + 20 * delta / 120, &v);
        return;
    }
    QScrollBar *bar = scrDesign->verticalScrollBar();
    if (bar->maximum() <= 0 && scrDesign->horizontalScrollBar()->maximum() > 0)
        bar = scrDesign->horizontalScrollBar();
    bar->setValue(bar->value() - delta * bar->singleStep() / 120);
}

// --- Commands -----------------------------------------------------------------

void TfrmDesigner::AddArea(bool text)
{
    if (!FPaper)
        return;
    edit(text ? tr("テキスト領域の追加") : tr("画像領域の追加"), currentListId(), [&] {
        TAreas &areas = CurrentAreas();
        TCustomArea *area = text ? static_cast<TCustomArea *>(areas.AddText()) : areas.AddImage();
        if (FEditMode == TEditMode::emArea)
            area->SetLinkAreaIndex(FEditAreaIndex);
        // In the middle of the view, but on the page: a view scrolled off
        // it, or a page smaller than the area, would put it beside the paper.
        const Extended pageWidth = FEditArea ? FEditArea->Width() : FPaper->PaperWidth();
        const Extended pageHeight = FEditArea ? FEditArea->Height() : FPaper->PaperHeight();
        const Extended width = pageWidth > 0 ? std::min<Extended>(kNewAreaWidth, pageWidth) : kNewAreaWidth;
        const Extended height = pageHeight > 0 ? std::min<Extended>(kNewAreaHeight, pageHeight) : kNewAreaHeight;
        const TDesignScale scale = Scale();
        const int x = (scrDesign->viewport()->width() - scale.ToPixels(width)) / 2
                      + scrDesign->horizontalScrollBar()->value();
        const int y = (scrDesign->viewport()->height() - scale.ToPixels(height)) / 2
                      + scrDesign->verticalScrollBar()->value();
        const Extended left =
            std::clamp<Extended>(scale.ToMM(x - FPrintableRect.left()), 0, std::max<Extended>(0, pageWidth - width));
        const Extended top =
            std::clamp<Extended>(scale.ToMM(y - FPrintableRect.top()), 0, std::max<Extended>(0, pageHeight - height));
        area->SetBounds(FloatRect(left, top, left + width, top + height));
        TPrintItem *item = makeItem(area);
        FItems->ClearSelection();
        item->SetSelected(true);
        return true;
    });
}

void TfrmDesigner::DeleteSelected()
{
    if (!FPaper || FItems->SelCount() == 0)
        return;
    edit(tr("領域の削除"), currentListId(), [&] {
        TAreas &areas = CurrentAreas();
        for (int i = FItems->Count() - 1; i >= 0; --i)
            if (FItems->Items(i)->Selected()) {
                FItems->Delete(i);
                areas.Delete(i);
            }
        return true;
    });
}

void TfrmDesigner::MoveSelected(int how)
{
    if (!FPaper || FItems->SelCount() != 1)
        return;
    const int index = FItems->IndexOf(FItems->Selected());
    const int count = FItems->Count();
    int target = index;
    switch (how) {
    case 0: target = count - 1; break;
    case 1: target = 0; break;
    case 2: target = index + 1 < count ? index + 1 : index; break;
    default: target = index > 0 ? index - 1 : index; break;
    }
    if (target == index)
        return;
    edit(tr("重なり順の変更"), currentListId(), [&] {
        CurrentAreas().Move(index, target);
        CreateItems();
        return true;
    });
}

void TfrmDesigner::AlignSelected(THorzAlign horz, TVertAlign vert)
{
    const std::vector<TPrintItem *> items = FItems->SelectedItems();
    if (items.empty())
        return;
    edit(tr("整列"), currentListId(), [&] {
        std::vector<TFloatRect> rects;
        for (TPrintItem *i : items)
            rects.push_back(i->Item()->Bounds());
        const std::vector<TFloatRect> aligned = AlignRects(rects, horz, vert);
        for (size_t k = 0; k < items.size(); ++k) {
            items[k]->Item()->SetBounds(aligned[k]);
            items[k]->Adjust();
        }
        return true;
    });
    if (FItems->SelCount() == 1)
        loadEdits();
}

void TfrmDesigner::SelectAll()
{
    FItems->SetSelection(std::vector<bool>(static_cast<size_t>(FItems->Count()), true));
}

namespace {

TCustomArea *appendCopy(TAreas &to, const TCustomArea &source)
{
    TCustomArea *copy = dynamic_cast<const TTextArea *>(&source) ? static_cast<TCustomArea *>(to.AddText())
                                                                 : to.AddImage();
    copy->Assign(source);
    return copy;
}

} // namespace

void TfrmDesigner::CopySelected()
{
    if (!FPaper || FItems->SelCount() == 0)
        return;
    FClipboard = std::make_unique<TAreas>(FPaper);
    for (TPrintItem *i : FItems->SelectedItems())
        appendCopy(*FClipboard, *i->Item());
    actPaste->setEnabled(true);
}

void TfrmDesigner::Paste()
{
    if (!FPaper || !FClipboard || FClipboard->Count() == 0)
        return;
    std::vector<const TCustomArea *> sources;
    for (int i = 0; i < FClipboard->Count(); ++i)
        sources.push_back(FClipboard->Items(i));
    edit(tr("貼り付け"), currentListId(), [&] {
        TAreas &areas = CurrentAreas();
        std::vector<bool> selected(static_cast<size_t>(areas.Count()), false);
        for (const TCustomArea *s : sources) {
            TCustomArea *copy = appendCopy(areas, *s);
            if (FEditMode == TEditMode::emArea)
                copy->SetLinkAreaIndex(FEditAreaIndex);
            copy->SetBounds(OffsetFloatRect(s->Bounds(), FSettings.GridStep, FSettings.GridStep));
            makeItem(copy);
            selected.push_back(true);
        }
        FItems->SetSelection(selected);
        return true;
    });
}

void TfrmDesigner::Duplicate()
{
    if (!FPaper || FItems->SelCount() == 0)
        return;
    std::unique_ptr<TAreas> keep = std::move(FClipboard);
    CopySelected();
    Paste();
    FClipboard = std::move(keep);
    actPaste->setEnabled(FClipboard && FClipboard->Count() > 0);
}

void TfrmDesigner::Nudge(int dx, int dy, Qt::KeyboardModifiers modifiers)
{
    const std::vector<TPrintItem *> items = FItems->SelectedItems();
    if (items.empty() || FGestureBefore)
        return;
    const TSnap s = snap();
    const Extended step = s.active() ? s.step : (modifiers & Qt::ShiftModifier) ? 1.0L : 0.1L;
    edit(tr("移動"), currentListId(), [&] {
        for (TPrintItem *i : items) {
            i->Item()->SetBounds(OffsetFloatRect(i->Item()->Bounds(), dx * step, dy * step));
            i->Adjust();
        }
        return true;
    }, kNudgeMergeId);
    if (FItems->SelCount() == 1)
        loadEdits();
}

void TfrmDesigner::CycleSelection(bool backwards)
{
    const int count = FItems->Count();
    if (count == 0)
        return;
    TPrintItem *first = FItems->Selected();
    int index = first ? FItems->IndexOf(first) : (backwards ? 0 : count - 1);
    index = (index + (backwards ? count - 1 : 1)) % count;
    std::vector<bool> selected(static_cast<size_t>(count), false);
    selected[static_cast<size_t>(index)] = true;
    FItems->SetSelection(selected);
}

void TfrmDesigner::EscapePressed()
{
    if (FGestureBefore) {
        cancelGesture();
        return;
    }
    if (FBandPressed) {
        FBandPressed = FSelecting = false;
        imgDesign->FBand->hide();
        return;
    }
    FItems->ClearSelection();
}

void TfrmDesigner::modeAll()
{
    actModeAll->setChecked(true);
    if (FEditMode != TEditMode::emPaper)
        SetEditMode(TEditMode::emPaper, 0);
}

void TfrmDesigner::modeArea(bool changeMarks)
{
    if (!FPaper)
        return;
    const TEditMode oldMode = FEditMode;
    const std::vector<int> oldSelection = selectedIndexes();
    auto before = std::make_unique<TAreasState>(*FPaper, kAllLists);
    // The chooser may paste over or clear the edited list: no item may keep
    // pointing at an area while it runs.
    cancelGesture();
    FItems->Clear();
    int index = FEditMode == TEditMode::emArea ? FEditAreaIndex : 0;
    bool ok = false;
    try {
        ok = FOpeners.SelectArea(this, *FPaper, index);
    } catch (const std::exception &e) {
        before->Restore(*FPaper);
        fail(QString::fromUtf8(e.what()));
        ok = false;
    }
    const bool changed = !before->SameAs(*FPaper);
    if (ok && index >= 0 && index < FPaper->PhotoAreas().Count()) {
        if (changeMarks)
            actModeArea->setChecked(true);
        SetEditMode(TEditMode::emArea, index);
    } else {
        (oldMode == TEditMode::emPaper ? actModeAll : actModeArea)->setChecked(true);
        const std::vector<int> none;
        CreateItems(changed ? &none : &oldSelection);
    }
    if (changed)
        FUndo->push(new TAreasCommand(this, tr("エリアの領域の変更"), std::move(before), {}, {}, -1));
}

void TfrmDesigner::openProperties()
{
    if (!FPaper || FItems->SelCount() != 1)
        return;
    TPrintItem *item = FItems->Selected();
    TCustomArea *area = item->Item();
    edit(tr("領域のプロパティ"), currentListId(), [&] {
        bool ok = false;
        if (auto *t = dynamic_cast<TTextArea *>(area))
            ok = FOpeners.TextProperties(this, *t, FEditMode);
        else if (auto *i = dynamic_cast<TImageArea *>(area))
            ok = FOpeners.ImageProperties(this, *i);
        if (ok) {
            item->Invalidate();
            item->Adjust();
        }
        return ok;
    });
    if (FItems->SelCount() == 1)
        loadEdits();
}

void TfrmDesigner::openPositioning()
{
    if (FItems->SelCount() < 2)
        return;
    THorzAlign h = THorzAlign::haNone;
    TVertAlign v = TVertAlign::vaNone;
    try {
        if (!FOpeners.Positioning(this, h, v))
            return;
    } catch (const std::exception &e) {
        fail(QString::fromUtf8(e.what()));
        return;
    }
    AlignSelected(h, v);
}

void TfrmDesigner::openGrid()
{
    TDesignerSettings s = FSettings;
    s.GridVisible = actGrid->isChecked();
    try {
        if (!FOpeners.GridSettings(this, FIni, s))
            return;
    } catch (const std::exception &e) {
        fail(QString::fromUtf8(e.what()));
        return;
    }
    const bool visible = s.GridVisible;
    if (FIni)
        s = ReadDesignerSettings(FIni);
    s.GridStep = SaneGridStep(static_cast<double>(s.GridStep));
    s.GridVisible = visible;
    FSettings = s;
    actGrid->setChecked(visible);
    imgDesign->update();
}

// --- Keys ---------------------------------------------------------------------

void TfrmDesigner::keyPressEvent(QKeyEvent *event)
{
    // A window, not a question: Esc does not close it.
    if (event->key() == Qt::Key_Escape) {
        EscapePressed();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmDesigner::closeEvent(QCloseEvent *event)
{
    cancelGesture();
    QDialog::closeEvent(event);
}

// --- TDesignSurface -------------------------------------------------------------

TDesignSurface::TDesignSurface(TfrmDesigner *designer)
    : QWidget(nullptr), FDesigner(designer), FBand(new QRubberBand(QRubberBand::Rectangle, this))
{
    setObjectName(QStringLiteral("imgDesign"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    FBand->hide();
}

void TDesignSurface::paintEvent(QPaintEvent *event)
{
    const TfrmDesigner &d = *FDesigner;
    const QRect r = event->rect();
    QPainter p(this);
    p.fillRect(r, kSurfaceGrey);
    const QRect page = d.FPrintableRect;
    p.fillRect(page.intersected(r), Qt::white);
    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(page.adjusted(0, 0, -1, -1));
    if (!d.FPaper)
        return;
    const TDesignScale scale = d.Scale();
    const QPoint off = d.FItems->Offsets();
    const Extended s = d.GridDrawStepNow();
    if (s > 0) {
        p.setPen(ToQColor(d.FSettings.GridColor));
        const TFloatPoint o = d.GridOriginMM();
        auto lines = [&](int from, int to, int offset, Extended origin, auto draw) {
            const Extended lo = scale.ToMM(from - offset), hi = scale.ToMM(to - offset);
            const Extended m0 = std::floor((lo - origin) / s) - 1, m1 = std::ceil((hi - origin) / s) + 1;
            for (Extended m = m0; m <= m1; ++m) {
                const int at = offset + scale.ToPixels(origin + m * s);
                if (at >= from && at <= to)
                    draw(at);
            }
        };
        lines(r.left(), r.right(), off.x(), o.X, [&](int x) { p.drawLine(x, r.top(), x, r.bottom()); });
        lines(r.top(), r.bottom(), off.y(), o.Y, [&](int y) { p.drawLine(r.left(), y, r.right(), y); });
    }
    if (d.FEditMode == TEditMode::emPaper) {
        p.setPen(kCellSilver);
        const TPhotoAreas &cells = d.FPaper->PhotoAreas();
        for (int i = 0; i < cells.Count(); ++i) {
            const QRect c = scale.ToPixelRect(cells.Items(i)->Bounds(), off);
            if (c.adjusted(-1, -1, 1, 1).intersects(r))
                p.drawRect(c.adjusted(0, 0, -1, -1));
        }
        // Every cell's own free areas (captions and the like) print too; they
        // are shown, fainter and outlined, though edited in area mode.
        const double resolution = d.FItems->PixelsPerInch() * d.ShowRate() / 100.0;
        for (int i = 0; i < cells.Count(); ++i) {
            TPhotoArea &cell = *cells.Items(i);
            const TFloatPoint corner = cell.Bounds().TopLeft();
            for (int k = 0; k < cell.Areas().Count(); ++k) {
                TCustomArea &area = *cell.Areas().Items(k);
                const QRect a = scale.ToPixelRect(OffsetFloatRect(area.Bounds(), corner.X, corner.Y), off).normalized();
                if (!a.adjusted(-1, -1, 1, 1).intersects(r))
                    continue;
                p.save();
                p.setOpacity(0.75);
                p.translate(off);
                try {
                    area.Draw(p, resolution, true, corner);
                } catch (const std::exception &) {
                    // A picture that cannot be read leaves the outline alone.
                }
                p.restore();
                p.setPen(QPen(kCellAreaBlue, 1, Qt::DashLine));
                p.setBrush(Qt::NoBrush);
                p.drawRect(a.adjusted(0, 0, -1, -1));
            }
        }
    }
}

void TDesignSurface::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::LeftButton)
        FDesigner->bandPressed(event->position().toPoint(), event->modifiers());
}

void TDesignSurface::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        FDesigner->bandMoved(event->position().toPoint());
}

void TDesignSurface::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        FDesigner->bandReleased(event->position().toPoint(), event->modifiers());
}

void TDesignSurface::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    if (delta == 0)
        return;
    QPoint at = event->position().toPoint();
    FDesigner->wheel(at, delta, event->modifiers());
    event->accept();
}

bool TDesignSurface::event(QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(event);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            FDesigner->CycleSelection(k->key() == Qt::Key_Backtab || (k->modifiers() & Qt::ShiftModifier));
            return true;
        }
    }
    return QWidget::event(event);
}

void TDesignSurface::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Delete: FDesigner->DeleteSelected(); break;
    case Qt::Key_Left: FDesigner->Nudge(-1, 0, event->modifiers()); break;
    case Qt::Key_Right: FDesigner->Nudge(1, 0, event->modifiers()); break;
    case Qt::Key_Up: FDesigner->Nudge(0, -1, event->modifiers()); break;
    case Qt::Key_Down: FDesigner->Nudge(0, 1, event->modifiers()); break;
    case Qt::Key_Escape: FDesigner->EscapePressed(); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void ExecuteDesigner(QWidget *parent, TPhotoPaper &paper, TExtIniFile *ini)
{
    TfrmDesigner designer(parent, ini);
    designer.SetPaper(&paper);
    designer.exec();
}

} // namespace vellora
