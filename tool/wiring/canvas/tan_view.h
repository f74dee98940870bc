// The common base of the wiring views: a scroll area over a diagram of
// 4000 x 3390 pixels at 100 %, with a zoom factor, scroll positions in whole
// pitches and the two operations the frames call on the active wiring view.
#pragma once

#include "tan_geometry.h"

#include <QAbstractScrollArea>

namespace kravin::wiring {

class TanView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TanView(QWidget* parent = nullptr);

    double zoom() const { return zoom_; }
    int pitch() const { return ScaleByZoom(kBasePitch, zoom_); }
    // The diagram's size in pixels at the current zoom.
    int canvasWidth() const { return ScaleByZoom(baseWidth_, zoom_); }
    int canvasHeight() const { return ScaleByZoom(baseHeight_, zoom_); }
    // The scroll position rounded down to whole pitches.
    int scrollX() const;
    int scrollY() const;
    void setScroll(int x, int y);

    // Edit/Comment: a comment box at the centre of the visible area.
    virtual bool AddCommentAtCenter() { return false; }
    // Whether the view may be left or closed now.
    virtual bool ConfirmOpenJumps() { return true; }

Q_SIGNALS:
    void zoomChanged(double zoom);

protected:
    void setZoomFactor(double zoom);
    // The diagram's size at 100 % (4000 x 3390 unless a view sets its own).
    void setCanvasBase(int width, int height);
    void updateScrollRanges();
    // Scrolls while a drag runs near an edge; true when the position changed.
    bool autoScroll(int x, int y);
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    double zoom_ = 1.0;
    int baseWidth_ = kCanvasWidth;
    int baseHeight_ = kCanvasHeight;
};

}  // namespace kravin::wiring
