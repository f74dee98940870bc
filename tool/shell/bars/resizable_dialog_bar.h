// The dockable bar of a view's frame (toolbox palettes): a dock widget over a
// content widget that keeps one size while docked and one while floating.
#pragma once

#include "bar_layout.h"

#include <QDockWidget>

namespace kravin::shell {

class ResizableDialogBar : public QDockWidget {
    Q_OBJECT
public:
    // Both sizes start as the content's own size.
    ResizableDialogBar(QWidget* content, const QString& title, int id, bool changeDocked, QWidget* parent = nullptr);

    int barId() const { return id_; }
    const DialogBarSizes& sizes() const { return sizes_; }
    // Docked: stretched along the edge it sits on; floating: its floating size.
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Puts the content in; both sizes become its own size.
    void setContent(QWidget* content);

private:
    Qt::DockWidgetArea dockedArea() const;

    DialogBarSizes sizes_;
    int id_;
};

}  // namespace kravin::shell
