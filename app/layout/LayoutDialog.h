// TfrmLayout, the paper layout dialog: printer and paper size, margins, the
// grid and its spacing, the default font and how photos sit in the areas. It
// edits its own copy of a paper (FPaper); the caller takes the copy back with
// Assign on OK. Paper size, orientation and printer changes reach the printer
// at once; on Cancel the printer is made to follow the caller's paper again.
// UI thread only.
#pragma once

#include "model/PhotoPaper.h"

#include "app/controls/NumberEdit.h"

#include <QDialog>
#include <functional>

class QButtonGroup;
class QComboBox;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTreeWidget;

namespace vellora {

class TBackgroundSample;
struct TCaptionSpec;
class TColorBox;
class TExtIniFile;
class TFontControls;
class TLayoutPreview;

// Shows the printer setup dialog; true when the user pressed OK. Unset, the
// program's own printer setup ("プリンタの設定") runs; tests put theirs here.
using TPrinterSetupFunc = std::function<bool(QWidget *parent)>;
void SetPrinterSetupFunc(TPrinterSetupFunc func);

// Where, among the printer's paper entries (names and size numbers in list
// order), a document's paper belongs: its name, else its size number, else
// the user-defined size 256 when offered; -1 when none fits.
int FindPaperSizeEntry(const QStringList &names, const std::vector<int> &numbers, const QString &name, int number);

class TfrmLayout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmLayout(QWidget *parent = nullptr, TExtIniFile *ini = nullptr);
    ~TfrmLayout() override;

    // Copies the paper in and loads the controls.
    void SetPaper(const TPhotoPaper &paper);
    TPhotoPaper &Paper() noexcept { return FPaper; }

    // Writes the controls into FPaper in the order the paper needs (the
    // division before the spacing, which re-grids).
    void ApplyControls();

    void done(int result) override;

private:
    void buildPaperPage(QWidget *page);
    void buildLayoutPage(QWidget *page);
    void buildAreaPage(QWidget *page);
    void loadControls();
    void loadPrinterPaper();
    void selectPaperEntry();
    // typed: the text being typed counts (the preview), else the edits' values.
    void applyTo(TPhotoPaper &paper, bool typed) const;
    static int typedDivision(const TNumberEdit *edit);
    void recomputeAreaSize();
    void schedulePreview();
    void refreshPreview();
    void updateEnabling();
    // The caption the controls ask for; false when "なし" is chosen.
    bool captionSpec(const TPhotoPaper &paper, TCaptionSpec &spec) const;
    bool hasPrinter() const;
    // The paper list shows the built-in standard papers: without a printer,
    // or when the user picks a paper for export only.
    bool standardList() const;
    void standardListToggled();
    void standardPaperChosen(int index);
    void setCustomEnabled(bool enabled);

    void paperSizeChosen(int index);
    void orientationChosen(int id);
    void customSizeLeft();
    void changePrinter();
    void adjustPaper();
    void setAreaSize();
    void editBackground();
    void areaSettings();
    void designer();
    void accept() override;

    TPhotoPaper *FPreviousBinding;   // taken before FPaper rebinds the printer binder
    TPhotoPaper FPaper;
    TPhotoPaper FScratch;            // FPaper plus the unapplied edits, for the preview
    const TPhotoPaper *FSource = nullptr;
    TExtIniFile *FIni;
    bool FLoading = false;
    bool FPrinterTouched = false;
    bool FPreviewPending = false;
    bool FScratchStale = true;
    std::vector<int> FPaperNumbers;

    QTreeWidget *tvPages;
    QStackedWidget *pages;
    TLayoutPreview *imgLayout;
    // "用紙サイズ"
    QComboBox *cmbPaperSize;
    QButtonGroup *rdgOrientation;
    TUpdownNumberEdit *edtPaperWidth, *edtPaperHeight;
    QPushButton *btnAdjustPaper, *btnChangePrinter;
    QLineEdit *edtCurrentPrinter;
    QCheckBox *chkStandardPapers;
    // "基本レイアウト"
    TUpdownNumberEdit *edtMarginLeft, *edtMarginRight, *edtMarginTop, *edtMarginBottom;
    TNumberEdit *edtAreaWidth, *edtAreaHeight;
    QPushButton *btnSetAreaSize;
    TUpdownNumberEdit *edtDivHorz, *edtDivVert;
    TUpdownNumberEdit *edtSpaceHorz, *edtSpaceVert;
    QComboBox *cmbFonts, *cmbFontSize;
    TColorBox *cmbFontColor;
    QPushButton *btnSetFont;
    TFontControls *FFontControls;
    // "写真エリア"
    QRadioButton *rdoRotateNone, *rdoRotateAuto, *rdoRotateAngle;
    QComboBox *cmbRotateAngle, *cmbPhotoSize, *cmbSizeLimit, *cmbHorzAlign, *cmbVertAlign;
    TUpdownNumberEdit *edtProtrudeWidth, *edtPhotoScale, *edtBorderWidth;
    QCheckBox *chkFrame;
    TBackgroundSample *imgAreaBack;
    QCheckBox *chkPrintBackground;
    QComboBox *cmbCaptionSource, *cmbCaptionPosition, *cmbCaptionFontSize;
    TUpdownNumberEdit *edtCaptionHeight;
    QPushButton *btnAreaBackground;
    // bottom
    QPushButton *btnDesigner, *btnArea, *btnOk, *btnCancel;
};

// The layout command: runs the dialog on a copy of `paper` and takes the
// copy back on OK. Returns whether the user pressed OK.
bool ExecuteLayout(TPhotoPaper &paper, QWidget *parent = nullptr, TExtIniFile *ini = nullptr);

} // namespace vellora
