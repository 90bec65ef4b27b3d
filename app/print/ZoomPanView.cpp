#include "app/print/ZoomPanView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

namespace vellora {

TZoomPanView::TZoomPanView(QWidget *parent) : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    viewport()->setCursor(Qt::OpenHandCursor);
}

void TZoomPanView::SetPicture(const QImage &picture)
{
    FPicture = picture;
    updateScrollBars();
    viewport()->update();
}

QSize TZoomPanView::PictureSize() const
{
    const double dpr = FPicture.devicePixelRatio() > 0 ? FPicture.devicePixelRatio() : 1.0;
    return (QSizeF(FPicture.size()) / dpr).toSize();
}

void TZoomPanView::SetBackColor(const QColor &color)
{
    FBackColor = color;
    viewport()->update();
}

void TZoomPanView::updateScrollBars()
{
    const QSize size = PictureSize();
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, size.width() - view.width()));
    verticalScrollBar()->setRange(0, std::max(0, size.height() - view.height()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setPageStep(view.height());
    horizontalScrollBar()->setSingleStep(16);
    verticalScrollBar()->setSingleStep(16);
}

QPoint TZoomPanView::PanBy(const QPoint &pointerMove)
{
    // Rounded toward zero to whole steps of 4 pixels.
    const QPoint step((pointerMove.x() / 4) * 4, (pointerMove.y() / 4) * 4);
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() - step.x());
    verticalScrollBar()->setValue(verticalScrollBar()->value() - step.y());
    return step;
}

void TZoomPanView::paintEvent(QPaintEvent *)
{
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), FBackColor);
    if (FPicture.isNull())
        return;
    const QSize size = PictureSize();
    // A picture smaller than the view is centred.
    const int x = size.width() < viewport()->width() ? (viewport()->width() - size.width()) / 2
                                                       : -horizontalScrollBar()->value();
    const int y = size.height() < viewport()->height() ? (viewport()->height() - size.height()) / 2
                                                         : -verticalScrollBar()->value();
    p.drawImage(QPoint(x, y), FPicture);
}

void TZoomPanView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TZoomPanView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        FDragging = true;
        FOldMousePos = event->position().toPoint();
        viewport()->setCursor(Qt::ClosedHandCursor);
    }
}

void TZoomPanView::mouseMoveEvent(QMouseEvent *event)
{
    if (!FDragging)
        return;
    const QPoint used = PanBy(event->position().toPoint() - FOldMousePos);
    // The part of the movement below one step waits for the next move.
    FOldMousePos += used;
}

void TZoomPanView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        FDragging = false;
        viewport()->setCursor(Qt::OpenHandCursor);
    }
}

void TZoomPanView::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (event->modifiers() & Qt::ControlModifier) {
        if (delta != 0)
            emit zoomRequested(delta > 0 ? 1 : -1);
        event->accept();
        return;
    }
    // The vertical bar, or the horizontal one when only that is shown.
    QScrollBar *bar = verticalScrollBar()->maximum() > 0 || horizontalScrollBar()->maximum() == 0
                          ? verticalScrollBar()
                          : horizontalScrollBar();
    bar->setValue(bar->value() - delta);
    event->accept();
}

} // namespace vellora
