// The child frame of one view kind inside the main frame's MDI area.
#pragma once

#include "view_manager.h"

#include <QMdiSubWindow>

#include <functional>

class QDockWidget;
class QMainWindow;

namespace kravin::shell {

class ChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    ChildFrame(ViewKind kind, ViewManager& views, QWidget* parent = nullptr);

    ViewKind kind() const { return kind_; }
    Placement placement() const;
    // The view sits in an inner main window, so bars go above it and docks beside it.
    void setView(QWidget* view);
    QWidget* view() const { return view_; }
    QMainWindow* inner() const { return inner_; }
    // A button or info bar across the top, below the ones added before.
    void addTopBar(QWidget* bar);
    // A dockable bar (toolbox) at an edge.
    void addDockBar(Qt::DockWidgetArea area, QDockWidget* bar);
    // Destroys the frame without asking the view.
    void destroyNow();
    // Told once when the frame goes, whichever way.
    std::function<void(ChildFrame*)> onGone;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void gone();
    // Deletes the frame once no dialog opened from it still runs.
    void deleteWhenIdle();

    ViewKind kind_;
    ViewManager& views_;
    QMainWindow* inner_ = nullptr;
    QWidget* view_ = nullptr;
    bool gone_ = false;
};

// The content of a view whose editor is not plugged in: an empty page.
class PlaceholderView : public QWidget {
    Q_OBJECT
public:
    PlaceholderView(ViewKind kind, const QString& title, QWidget* parent = nullptr);
    ViewKind kind() const { return kind_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ViewKind kind_;
};

}  // namespace kravin::shell
