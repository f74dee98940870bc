// A hand's drag of a palette tile, delivered as Qt delivers it to the main
// frame's window: it starts on the tile, crosses the frame in small moves
// (the widgets under the pointer get their enter, move and leave events from
// the window), and the release drops only where the last move was taken;
// elsewhere the drag is cancelled.
#pragma once

#include "toolbox_dock.h"

#include <QApplication>
#include <QDropEvent>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QAbstractButton>
#include <QWindow>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace kravin::test {

class HandDrag {
public:
    // Picks the tile of the item named name (opening its category with its
    // button) and starts dragging it. The frame holding the target view is
    // maximised in a large main window, so every point of the view is shown.
    HandDrag(shell::ToolBoxDock& dock, const std::string& name, QWidget* view)
    {
        QWidget* top = dock.window();
        if (top->size().width() < 1900) top->resize(1900, 1400);
        for (QWidget* w = view; w; w = w->parentWidget())
            if (auto* sub = qobject_cast<QMdiSubWindow*>(w); sub && !sub->isMaximized()) sub->showMaximized();
        // Layouts only: a timer a test has set for a dialog of the drop must wait for the drop.
        for (int i = 0; i < 4; ++i) QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        window_ = top->windowHandle();
        top_ = top;
        for (std::size_t c = 0; c < dock.categories().size() && row_ < 0; ++c)
            for (std::size_t i = 0; i < dock.categories()[c].items.size(); ++i)
                if (dock.categories()[c].items[i].name == name) {
                    if (dock.openCategory() != static_cast<int>(c)) dock.categoryButton(static_cast<int>(c))->click();
                    item_ = dock.categories()[c].items[i];
                    row_ = static_cast<int>(i);
                    break;
                }
        if (row_ < 0 || !window_) return;
        QListWidget* list = dock.list();
        list->setCurrentRow(row_);
        at_ = list->viewport()->mapTo(top_, list->visualItemRect(list->item(row_)).center());
        mime_.reset(shell::paletteMime(item_));
        send(at_);
    }
    ~HandDrag()
    {
        if (active()) escape();
    }
    HandDrag(const HandDrag&) = delete;
    HandDrag& operator=(const HandDrag&) = delete;

    bool started() const { return mime_ != nullptr; }
    bool active() const { return mime_ && live_; }
    const shell::PaletteItem& item() const { return item_; }

    // Moves in steps of at most 6 pixels to a point of widget; whether the last move was taken.
    bool moveTo(QWidget* widget, QPoint point)
    {
        const QPoint to = widget->mapTo(top_, point);
        const QPoint from = at_;
        const int steps = std::max(1, static_cast<int>(std::ceil(QLineF(from, to).length() / 6.0)));
        for (int i = 1; i <= steps && active(); ++i) send(from + (to - from) * i / steps);
        return taken_;
    }
    // The button goes up: a drop where the last move was taken, else the drag is cancelled.
    bool release()
    {
        if (!active()) return false;
        live_ = false;
        if (!taken_) {
            leave();
            return false;
        }
        QDropEvent drop(QPointF(at_), Qt::CopyAction, mime_.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window_, &drop);
        return drop.isAccepted();
    }
    // Escape cancels the drag: the widget under the pointer is left.
    void escape()
    {
        if (!active()) return;
        live_ = false;
        leave();
    }

private:
    // One move of the pointer to a window point, as the window system hands it on.
    void send(QPoint p)
    {
        at_ = p;
        QDragMoveEvent move(p, Qt::CopyAction, mime_.get(), Qt::LeftButton, Qt::NoModifier);
        if (!entered_) {
            entered_ = true;
            QDragEnterEvent enter(p, Qt::CopyAction, mime_.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(window_, &enter);
            action_ = enter.isAccepted() ? enter.dropAction() : Qt::IgnoreAction;
        }
        if (action_ != Qt::IgnoreAction) {
            move.setDropAction(action_);
            move.accept();
        }
        QApplication::sendEvent(window_, &move);
        taken_ = move.isAccepted();
        action_ = taken_ ? move.dropAction() : Qt::IgnoreAction;
    }
    void leave()
    {
        QDragLeaveEvent e;
        QApplication::sendEvent(window_, &e);
        entered_ = false;
        taken_ = false;
    }

    QWidget* top_ = nullptr;
    QWindow* window_ = nullptr;
    shell::PaletteItem item_;
    int row_ = -1;
    std::unique_ptr<QMimeData> mime_;
    QPoint at_;
    bool entered_ = false, live_ = true, taken_ = false;
    Qt::DropAction action_ = Qt::IgnoreAction;
};

// Drags the palette item named name from its tile onto the point of view and
// lets go there; whether the view took the drop.
inline bool handDrop(shell::ToolBoxDock& dock, const std::string& name, QWidget* view, QPoint at)
{
    HandDrag drag(dock, name, view);
    EXPECT_TRUE(drag.started()) << name;
    drag.moveTo(view, at);
    return drag.release();
}

}  // namespace kravin::test
