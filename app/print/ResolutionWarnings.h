// Telling the user, where the decision is made, that a photo will print soft
// (below 150 ppi): the list before printing or exporting, and in the print
// preview the ppi of the cell under the mouse and a mark on each soft cell.
// UI thread only.
#pragma once

#include "model/PhotoPaper.h"
#include "model/ResolutionCheck.h"

#include <QObject>
#include <QRect>
#include <functional>
#include <map>
#include <vector>

class QLabel;
class QPainter;
class QWidget;

namespace vellora {

class TExtIniFile;
class TfrmPrev;
class TPhotoPaper;
class TPrintOptions;

// Before a print or an export: when photos of the run print below 150 ppi,
// one warning lists them with "続行" and "キャンセル" and "今後表示しない"
// (kept as WarnLowResolution in section Option). True to go on. Finding them
// draws every page, so a check that takes more than a moment shows the
// progress window over `parent`; its "中止" answers between pages and stops
// the print or export (false), leaving everything as it was.
bool ConfirmLowResolution(QWidget *parent, TPhotoPaper &paper, const TPrintOptions &options, TExtIniFile *ini);

// Tests answer the warning here instead of a modal window: given the lines,
// return whether to go on and set dontShowAgain as the box would.
using TLowResolutionAsk = std::function<bool(const QStringList &lines, bool &dontShowAgain)>;
void SetLowResolutionAsk(TLowResolutionAsk ask);

// Tests see the check's pages go by here (after each page, before the
// progress window's "中止" is read) and may cancel the check.
void SetLowResolutionProgress(TResolutionCheckProgress progress);

// The preview's part: listens to the photos each made page drew, marks the
// soft cells on the preview picture (never on the page) and shows the ppi of
// the cell under the mouse in the status bar ("lblPpi"). Owned by the window.
class TPreviewResolution : public QObject {
    Q_OBJECT
public:
    explicit TPreviewResolution(TfrmPrev &preview);
    ~TPreviewResolution() override;

    // What the page's cells drew, by 0-based cell: ppi, 0 where nothing was drawn.
    std::map<int, double> CellPpi(int page) const;
    // The status text for a point of the preview picture (its logical pixels).
    QString TextAt(QPoint picturePoint) const;
    QLabel *Label() const noexcept { return FLabel; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void drawMarks(QPainter &canvas, const QRect &sheet);
    int cellAt(QPoint picturePoint) const;
    double mmToPixels() const;

    TfrmPrev &FPreview;
    TPhotoPaper *FPaper = nullptr;
    TPhotoDrawnEvent FPrevious;
    QLabel *FLabel;
    QRect FSheet;                           // the sheet on the picture last composed
    std::map<int, std::map<int, double>> FPages;   // page (1-based) -> cell -> ppi
};

} // namespace vellora
