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

namespace vellora {

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
    void SetShowRate(int rate);        // 20..200
    int Margin() const noexcept { return FMargin; }

    // The zoom steps: +20 (past 200 back to 100) and -20 (not below 20).
    static int ZoomInRate(int rate);
    static int ZoomOutRate(int rate);
    // The largest rate at which the picture fits the width (or the whole
    // view) with the margins and without a scroll bar.
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

private:
    void load();
    void compose();
    void rateEntered();
    void pageEntered();
    void updateControls();

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
    QString FError;
};

} // namespace vellora
