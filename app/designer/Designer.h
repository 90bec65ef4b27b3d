// TfrmDesigner, the layout designer: places the free areas of a paper (whole
// paper mode) or of one photo area (area mode) with the mouse. It edits the
// given paper in place — the layout dialog's copy — and only closes; the
// layout dialog's OK or Cancel decides what reaches the document. Every change
// is one step of its undo stack. The sub-dialogs are reached through
// injectable openers so that they can be replaced in tests. UI thread only.
#pragma once

#include "app/designer/DesignerGeometry.h"
#include "app/designer/PrintItem.h"
#include "model/Types.h"
#include "settings/Font.h"

#include <QDialog>
#include <functional>
#include <memory>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QRubberBand;
class QScrollArea;
class QUndoStack;

namespace vellora {

class TAreas;
class TCustomArea;
class TDesignSurface;
class TExtIniFile;
class TImageArea;
class TPhotoArea;
class TPhotoPaper;
class TTextArea;
class TUpdownNumberEdit;
class TAreasState;

struct TDesignerSettings;

// The dialogs the designer opens. Each returns true for OK. An opener left
// empty opens the program's dialog.
struct TDesignerOpeners {
    // The photo-area chooser in its select mode; `index` in: preselected, out: chosen.
    std::function<bool(QWidget *parent, TPhotoPaper &paper, int &index)> SelectArea;
    std::function<bool(QWidget *parent, TTextArea &area, TEditMode mode)> TextProperties;
    std::function<bool(QWidget *parent, TImageArea &area)> ImageProperties;
    std::function<bool(QWidget *parent, THorzAlign &horz, TVertAlign &vert)> Positioning;
    // The grid dialog, which writes its settings on OK; `settings` in and out.
    std::function<bool(QWidget *parent, TExtIniFile *ini, TDesignerSettings &settings)> GridSettings;
    std::function<void(QWidget *parent, const QString &message)> ShowError;
};

// The "Designer" settings.
struct TDesignerSettings {
    bool GridAdsorp = false;
    TColor GridColor = 15780518;   // $00F0CAA6
    Extended GridStep = kDefaultGridStep;
    bool GridVisible = false;
    TGridOrigin GridOrigin = TGridOrigin::goPaper;
};
// Values that cannot be used fall back to the defaults; no file gives them all.
TDesignerSettings ReadDesignerSettings(const TExtIniFile *ini);

class TfrmDesigner : public QDialog {
    Q_OBJECT
public:
    // ppi 0: the screen's logical resolution.
    explicit TfrmDesigner(QWidget *parent = nullptr, TExtIniFile *ini = nullptr, double ppi = 0,
                          TDesignerOpeners openers = {});
    ~TfrmDesigner() override;

    TPhotoPaper *Paper() const noexcept { return FPaper; }
    void SetPaper(TPhotoPaper *paper);
    TEditMode EditMode() const noexcept { return FEditMode; }
    int EditAreaIndex() const noexcept { return FEditAreaIndex; }
    void SetEditMode(TEditMode mode, int areaIndex);
    // The list being edited: the paper's or the edited photo area's.
    TAreas &CurrentAreas() const;

    TPrintItemList &Items() const noexcept { return *FItems; }
    TDesignScale Scale() const { return FItems->Scale(); }
    int ShowRate() const noexcept { return FItems->ShowRate(); }
    // Changes the rate keeping each scroll bar's position in proportion.
    void ChangeShowRate(int rate);
    QRect PrintableRect() const noexcept { return FPrintableRect; }
    // The origin grid lines pass through and snapping aims at, mm relative to the page.
    TFloatPoint GridOriginMM() const;
    // The drawing step of the grid now (0 when no grid is drawn).
    Extended GridDrawStepNow() const;
    const TDesignerSettings &Settings() const noexcept { return FSettings; }
    QString StatusText() const;
    TDesignSurface *Surface() const noexcept { return imgDesign; }
    QScrollArea *ScrollArea() const noexcept { return scrDesign; }
    QUndoStack *UndoStack() const noexcept { return FUndo; }

    // Commands (also reached through the actions).
    void AddArea(bool text);
    void DeleteSelected();
    void MoveSelected(int how);   // 0 top, 1 bottom, 2 next, 3 prior
    void AlignSelected(THorzAlign horz, TVertAlign vert);
    void SelectAll();
    void CopySelected();
    void Paste();
    void Duplicate();
    void Nudge(int dx, int dy, Qt::KeyboardModifiers modifiers);
    void CycleSelection(bool backwards);
    void EscapePressed();
    void FitWidth();
    void FitAll();
    // A free area's (left, top, width, height) kept on the sheet and at least
    // kMinAreaMM wide and high, as typed positions and sizes are.
    TFloatRect KeepOnSheet(const TFloatRect &leftTopWidthHeight) const;

    // Called by the undo commands.
    void RestoreState(const TAreasState &state, const std::vector<int> &selection);

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class TDesignSurface;

    void createActions();
    void createControls();
    void readSettings();
    // Keeps the selected areas selected, or selects the given indexes.
    void CreateItems(const std::vector<int> *selection = nullptr);
    void DrawDesign();
    void UpdateStatusText();
    void ItemSelect();
    void loadEdits();
    void applyEdit(int tag, double value);
    void setRateKeepingCentre(int rate, const QPoint *anchorViewport);
    TSnap snap() const;
    std::vector<int> selectedIndexes() const;
    int currentListId() const;
    TPrintItem *makeItem(TCustomArea *area);

    void itemPressed(TPrintItem *item, Qt::KeyboardModifiers modifiers);
    void itemDoubleClicked(TPrintItem *item);
    void dragStarted(TPrintItem *item, Qt::KeyboardModifiers modifiers);
    void dragMoved(TPrintItem *item, QPoint down, QPoint now);
    void sizingStarted(TPrintItem *item);
    void sizingMoved(TPrintItem *item, QPoint down, QPoint now);
    void mouseReleased(TPrintItem *item);
    void itemMenu(TPrintItem *item, QPoint globalPos);

    void bandPressed(QPoint p, Qt::KeyboardModifiers modifiers);
    void bandMoved(QPoint p);
    void bandReleased(QPoint p, Qt::KeyboardModifiers modifiers);
    void wheel(QPoint surfacePos, int delta, Qt::KeyboardModifiers modifiers);

    void modeAll();
    void modeArea(bool changeMarks);
    void openProperties();
    void openPositioning();
    void openGrid();

    // Runs an edit of the current list (or every list) as one undo step; an
    // exception leaves the areas as they were and is shown.
    // The change returns false when it made none (a dialog cancelled).
    bool edit(const QString &text, int list, const std::function<bool()> &change, int mergeId = -1);
    void beginGesture();
    void endGesture(const QString &text);
    void cancelGesture();
    void fail(const QString &message);

    TExtIniFile *FIni;
    double FPpi;
    TDesignerOpeners FOpeners;
    TDesignerSettings FSettings;

    TPhotoArea *FEditArea = nullptr;
    int FEditAreaIndex = 0;
    TEditMode FEditMode = TEditMode::emPaper;
    std::unique_ptr<TPrintItemList> FItems;
    TPhotoPaper *FPaper = nullptr;
    QRect FPrintableRect;
    double FSaveSize = 0;
    bool FSelecting = false;
    bool FBandPressed = false;
    QPoint FSelFrom, FSelTo;
    bool FLoadingEdits = false;
    bool FFitOnShow = true;

    // A drag or resize in progress: the list's state and each selected
    // item's bounds at its start.
    std::unique_ptr<TAreasState> FGestureBefore;
    std::vector<int> FGestureSelection;
    std::vector<std::pair<TPrintItem *, TFloatRect>> FGestureStart;
    bool FGestureChanged = false;

    std::unique_ptr<TAreas> FClipboard;
    QUndoStack *FUndo;

    TDesignSurface *imgDesign;
    QScrollArea *scrDesign;
    QLabel *stbStatus;
    TUpdownNumberEdit *edtShowRate;
    TUpdownNumberEdit *edtLeftPos, *edtTopPos, *edtWidth, *edtHeight;
    QMenu *pmnItem;
    QActionGroup *grpMode;
    QAction *actModeAll, *actModeArea, *actChangeArea, *actApply, *actAddText, *actAddImage, *actProperty,
        *actDelete, *actMoveTop, *actMoveBottom, *actMoveNext, *actMovePrior, *actPosition, *actUpScale,
        *actDownScale, *actSameScale, *actWidthScale, *actAllScale, *actGrid, *mitSetGrid, *actUndo, *actRedo,
        *actSelectAll, *actCopy, *actPaste, *actDuplicate;
};

// The design surface: grey around a white page, the grid and the photo
// areas' outlines, painted for the exposed region only; the items are its
// children. Mouse on the empty surface draws the selection band.
class TDesignSurface : public QWidget {
    Q_OBJECT
public:
    explicit TDesignSurface(TfrmDesigner *designer);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;

private:
    TfrmDesigner *FDesigner;
    QRubberBand *FBand;
    friend class TfrmDesigner;
};

// Opens the designer on `paper` (the layout dialog's copy), modal.
void ExecuteDesigner(QWidget *parent, TPhotoPaper &paper, TExtIniFile *ini = nullptr);

} // namespace vellora
