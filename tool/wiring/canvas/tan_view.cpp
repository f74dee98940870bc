#include "tan_view.h"

#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>

namespace kravin::wiring {

TanView::TanView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    updateScrollRanges();
}

int TanView::scrollX() const { return GridScroll(horizontalScrollBar()->value(), pitch()); }
int TanView::scrollY() const { return GridScroll(verticalScrollBar()->value(), pitch()); }

void TanView::setScroll(int x, int y)
{
    horizontalScrollBar()->setValue(x);
    verticalScrollBar()->setValue(y);
}

void TanView::setZoomFactor(double zoom)
{
    zoom_ = zoom;
    updateScrollRanges();
    Q_EMIT zoomChanged(zoom_);
}

void TanView::setCanvasBase(int width, int height)
{
    baseWidth_ = width;
    baseHeight_ = height;
    updateScrollRanges();
}

void TanView::updateScrollRanges()
{
    const QSize v = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, canvasWidth() - v.width()));
    verticalScrollBar()->setRange(0, std::max(0, canvasHeight() - v.height()));
    horizontalScrollBar()->setSingleStep(pitch());
    verticalScrollBar()->setSingleStep(pitch());
    horizontalScrollBar()->setPageStep(std::max(1, v.width()));
    verticalScrollBar()->setPageStep(std::max(1, v.height()));
}

bool TanView::autoScroll(int x, int y)
{
    const QSize v = viewport()->size();
    const ScrollPoint before{horizontalScrollBar()->value(), verticalScrollBar()->value()};
    const ScrollPoint after = AutoScroll(x, y, v.width(), v.height(), before, pitch(),
                                         horizontalScrollBar()->maximum() + 1, verticalScrollBar()->maximum() + 1);
    if (after == before) return false;
    setScroll(after.x, after.y);
    return true;
}

void TanView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRanges();
}

void TanView::wheelEvent(QWheelEvent* event)
{
    QScrollBar* bar = verticalScrollBar();
    const int v = bar->value();
    const int step = pitch();
    if (event->angleDelta().y() < 0) {
        // The limit is the diagram's height at this zoom.
        if (v + step + viewport()->height() <= canvasHeight()) bar->setValue(v + step);
    } else if (event->angleDelta().y() > 0) {
        bar->setValue(std::max(0, v - step));
    }
    viewport()->update();
    event->accept();
}

void TanView::scrollContentsBy(int, int) { viewport()->update(); }

}  // namespace kravin::wiring
