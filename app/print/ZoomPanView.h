// TZoomPanView: a scrolling view of one picture (the owner composes it at the
// zoom it wants) that pans by dragging with the left button in steps of 4
// pixels and scrolls with the wheel; Ctrl+wheel asks the owner to zoom.
// Pictures carry their device pixel ratio, so they stay crisp on high-DPI
// screens. UI thread only.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>

namespace vellora {

class TZoomPanView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TZoomPanView(QWidget *parent = nullptr);

    // The picture in device-independent pixels is image size / its DPR.
    void SetPicture(const QImage &picture);
    const QImage &Picture() const noexcept { return FPicture; }
    QSize PictureSize() const;          // device-independent pixels
    void SetBackColor(const QColor &color);

    // Moves the scroll positions by minus the pointer movement, rounded
    // toward zero to a multiple of 4 pixels; returns the movement used.
    QPoint PanBy(const QPoint &pointerMove);

signals:
    void zoomRequested(int steps);      // Ctrl+wheel: positive zooms in

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void updateScrollBars();

    QImage FPicture;
    QColor FBackColor{192, 192, 192};
    bool FDragging = false;
    QPoint FOldMousePos;
};

} // namespace vellora
