#include "child_frame.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QPainter>

namespace kravin::shell {

ChildFrame::ChildFrame(ViewKind kind, ViewManager& views, QWidget* parent)
    : QMdiSubWindow(parent), kind_(kind), views_(views)
{
    setAttribute(Qt::WA_DeleteOnClose);
}

Placement ChildFrame::placement() const
{
    const QRect r = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    if (!r.isValid()) return {};
    return {true, r.x(), r.y(), r.width(), r.height()};
}

void ChildFrame::gone()
{
    if (gone_) return;
    gone_ = true;
    if (onGone) onGone(this);
}

void ChildFrame::destroyNow()
{
    if (gone_) return;
    hide();
    if (QMdiArea* area = mdiArea()) area->removeSubWindow(this);
    gone();
    deleteLater();
}

void ChildFrame::closeEvent(QCloseEvent* event)
{
    if (!gone_ && !views_.frameMayClose(kind_)) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
    if (event->isAccepted()) gone();
}

void ChildFrame::changeEvent(QEvent* event)
{
    QMdiSubWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isVisible()) views_.setMaximizedChildren(isMaximized());
}

PlaceholderView::PlaceholderView(ViewKind kind, const QString& title, QWidget* parent)
    : QWidget(parent), kind_(kind)
{
    setWindowTitle(title);
    setAutoFillBackground(false);
}

void PlaceholderView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
}

}  // namespace kravin::shell
