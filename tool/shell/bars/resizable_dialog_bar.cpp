#include "resizable_dialog_bar.h"

#include <QMainWindow>
#include <QResizeEvent>

namespace kravin::shell {

ResizableDialogBar::ResizableDialogBar(QWidget* content, const QString& title, int id, bool changeDocked,
                                       QWidget* parent)
    : QDockWidget(title, parent), id_(id)
{
    setObjectName(QStringLiteral("bar%1").arg(id));
    sizes_.changeDocked = changeDocked;
    setContent(content);
}

void ResizableDialogBar::setContent(QWidget* content)
{
    setWidget(content);
    const QSize initial = content ? content->sizeHint() : QSize(100, 100);
    sizes_.docked = {initial.width(), initial.height()};
    sizes_.floating = sizes_.docked;
}

Qt::DockWidgetArea ResizableDialogBar::dockedArea() const
{
    if (auto* main = qobject_cast<QMainWindow*>(parentWidget())) return main->dockWidgetArea(const_cast<ResizableDialogBar*>(this));
    return Qt::NoDockWidgetArea;
}

QSize ResizableDialogBar::sizeHint() const
{
    DialogBarSizes s = sizes_;
    BarSize size;
    if (isFloating()) {
        size = s.calcDynamicLayout(0, LM_MRUWIDTH);
    } else {
        const Qt::DockWidgetArea area = dockedArea();
        const bool horizontal = area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea;
        size = s.calcDynamicLayout(0, LM_STRETCH | (horizontal ? LM_HORZ | LM_HORZDOCK : LM_VERTDOCK));
        // Along the edge the dock area decides; across it the docked size holds.
        if (horizontal)
            size.width = sizes_.docked.width;
        else
            size.height = sizes_.docked.height;
    }
    return {size.width, size.height};
}

void ResizableDialogBar::resizeEvent(QResizeEvent* event)
{
    QDockWidget::resizeEvent(event);
    if (!isFloating()) return;
    if (event->size().width() != sizes_.floating.width) sizes_.calcDynamicLayout(event->size().width(), 0);
    if (event->size().height() != sizes_.floating.height) sizes_.calcDynamicLayout(event->size().height(), LM_LENGTHY);
}

}  // namespace kravin::shell
