#include "child_frame.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDockWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QPainter>
#include <QToolBar>

namespace kravin::shell {

ChildFrame::ChildFrame(ViewKind kind, ViewManager& views, QWidget* parent)
    : QMdiSubWindow(parent), kind_(kind), views_(views)
{
    setAttribute(Qt::WA_DeleteOnClose);
}

void ChildFrame::setView(QWidget* view)
{
    inner_ = new QMainWindow;
    inner_->setObjectName(QStringLiteral("innerFrame"));
    // The frame's title follows the view's.
    inner_->setWindowTitle(view->windowTitle());
    inner_->setCentralWidget(view);
    view_ = view;
    setWidget(inner_);
}

void ChildFrame::addTopBar(QWidget* bar)
{
    if (!inner_) return;
    auto* strip = new QToolBar(inner_);
    strip->setObjectName(QStringLiteral("strip_") + bar->objectName());
    strip->setMovable(false);
    strip->setFloatable(false);
    strip->toggleViewAction()->setEnabled(false);
    strip->setContextMenuPolicy(Qt::PreventContextMenu);
    bar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    strip->addWidget(bar);
    inner_->addToolBarBreak(Qt::TopToolBarArea);
    inner_->addToolBar(Qt::TopToolBarArea, strip);
}

void ChildFrame::addDockBar(Qt::DockWidgetArea area, QDockWidget* bar)
{
    if (inner_) inner_->addDockWidget(area, bar);
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
    deleteWhenIdle();
}

void ChildFrame::deleteWhenIdle()
{
    // A dialog the view runs lives on its caller's stack and returns into the
    // view: the frame waits for it, then goes.
    for (QDialog* d : findChildren<QDialog*>())
        if (d->isVisible() && d->isModal()) {
            connect(d, &QObject::destroyed, this, &ChildFrame::deleteWhenIdle, Qt::QueuedConnection);
            return;
        }
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
