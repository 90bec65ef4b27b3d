// TfrmImagePrev "画像の確認": one print-list entry at a time, in the list's
// order, at a chosen zoom in the zoom/pan view the print preview uses.
// Pictures are loaded like the print run loads them and shown turned as it
// turns them (upright by their Exif orientation while ExifRotate() is on).
// UI thread only.
#pragma once

#include "model/PhotoTurn.h"

#include <QColor>
#include <QDialog>
#include <QImage>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QStatusBar;
class QToolBar;

namespace vellora {

class TImageInfo;
class TImageListView;
class TZoomPanView;

class TfrmImagePrev : public QDialog {
    Q_OBJECT
public:
    TfrmImagePrev(TImageListView &list, const QString &documentFileName, QWidget *parent = nullptr);
    ~TfrmImagePrev() override;

    // The entry shown, 0-based in list order; -1 when the list is empty.
    int Page() const noexcept { return FPage; }
    void SetPage(int index);
    int ShowRate() const noexcept { return FShowRate; }
    void SetShowRate(int rate);        // 1..200 (the steps and the box: 20..200)
    int Margin() const noexcept { return FMargin; }
    // A plug-in reads the shown photo now (the window stays usable).
    bool Loading() const noexcept { return FLoading || FLoadWhenShown; }

    // The zoom steps: +20 (past 200 back to 100) and -20 (not below 20).
    static int ZoomInRate(int rate);
    static int ZoomOutRate(int rate);   // a fitted rate below 20 stays
    // The window size that shows a photo of that size (upright, at 100 %)
    // whole with the margins: at most 80 % of the available screen, but at
    // least minWidth (the bar's) where the whole screen allows. chrome is what
    // the window adds around the photo's view.
    static QSize WindowSizeFor(QSize photo, QSize available, QSize chrome, int minWidth, int margin);
    // The largest rate at which the picture fits the width (or the whole
    // view) with the margins and without a scroll bar; down to 1 %.
    int FitWidthRate() const;
    int FitAllRate() const;

    QAction *actZoomIn;
    QAction *actZoomOut;
    QAction *actActualSize;
    QAction *actFitWidth;
    QAction *actFitAll;
    QAction *actFirstPage;
    QAction *actPriorPage;
    QAction *actNextPage;
    QAction *actLastPage;
    QAction *actClose;
    QComboBox *cmbRate;
    QLineEdit *edtPage;
    QLabel *lblMaxPage;
    TZoomPanView *viwImage;
    QLabel *lblFileName;
    QLabel *lblImageSize;
    QStatusBar *stbMain;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void load();
    void compose();
    void rateEntered();
    void pageEntered();
    void updateControls();
    // Zooms so that the photo's point at anchor (viewport coordinates) stays there.
    void zoomTo(int rate, QPoint anchor);
    QPoint viewCentre() const;
    void fitWindowToPhoto();

    TImageListView &FList;
    QString FDocumentFileName;
    int FPage = -1;
    int FShowRate = 100;
    int FMargin = 10;
    QColor FBackColor{128, 128, 128};
    bool FFirstShow = true;
    QImage FImage;          // decoded, perhaps reduced, turned as shown
    QSize FFullSize;        // the whole image's pixels, turned as shown
    TPixelTurn FTurn;
    int FOrientation = 1;   // Exif orientation of the shown photo
    int FLoadSerial = 0;    // a load finding it changed drops its result
    bool FLoading = false;  // a plug-in reads the photo now
    bool FLoadWhenShown = false;   // a plug-in photo waits for the window to show
    bool FLoadScheduled = false;
    bool FAutoPlaced = false;      // sized around the photo, not by a stored placement
    QToolBar *FBar = nullptr;
    QString FError;
};

} // namespace vellora
