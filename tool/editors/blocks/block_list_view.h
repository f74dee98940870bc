// The function block list view: the 100 groups of the current unit as a
// 10 x 10 map of cells, with selection, double-click, the context menu, the
// Edit commands and zoom. The rules live in BlockListEditor.
#pragma once

#include "block_list_logic.h"
#include "font_faces.h"
#include "string_table.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>

#include <atomic>
#include <functional>

class QPainter;

namespace kravin::editors::blocks {

struct BlockListStyle {
    QColor background{255, 255, 255};
    QColor text{0, 0, 0};
    QColor used{192, 192, 192};
    QColor empty{255, 255, 255};
    QColor selected{0, 255, 0};
    QColor raisedLight{255, 255, 255};
    QColor raisedDark{127, 127, 127};
    QColor sunkenLight{192, 192, 192};
    QColor sunkenDark{127, 127, 127};
    QString fontFamily = res::latinFontFamily();
};

// Paints the header and the cells of the list (zoomed content coordinates;
// the painter's origin is the content origin).
class BlockListPainter {
public:
    explicit BlockListPainter(BlockListStyle style = {}) : style_(std::move(style)) {}
    const BlockListStyle& style() const { return style_; }
    void paint(QPainter& painter, const model::UnitContext& unit, int selected, double zoom, bool header);

private:
    QFont font(int pixelHeight, double zoom) const;
    BlockListStyle style_;
};

class BlockListView : public QAbstractScrollArea {
    Q_OBJECT
public:
    BlockListView(BlockListEditor& editor, model::UnitContext& unit, res::Language language,
                  BlockListStyle style = {}, QWidget* parent = nullptr);

    BlockListEditor& editor() { return editor_; }
    // The view slot's state: a redraw request (3..6) is answered by the next paint.
    std::atomic<int>* slotState = nullptr;
    void SetZoom(int percent);
    double zoom() const { return zoom_; }
    // The group under a viewport point, -1 none.
    int groupAt(const QPoint& point) const;
    // The viewport point of a group's cell centre (for tests and palettes).
    QPoint cellCentre(int group) const;

    // Runs a command of the menu or the Edit menu; false when it is not enabled.
    bool execute(int command);
    bool isEnabled(int command) const { return editor_.commandEnabled(command); }
    // The palette's drop: the function given by name on the group at a point.
    bool changeFunctionAt(const QPoint& point, const std::string& functionName);
    // Bank button: switches the bank and repaints.
    void switchBank();
    // The commands of a context menu at a point (the group is selected).
    std::vector<int> contextMenuAt(const QPoint& point);

Q_SIGNALS:
    // A group's block changed (the analog view and others follow).
    void blocksChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool refuseOnline();
    void updateScrollBars();
    QPoint contentPoint(const QPoint& viewportPoint) const;
    void edited(EditResult result);

    BlockListEditor& editor_;
    model::UnitContext& unit_;
    res::Language language_;
    BlockListPainter painter_;
    double zoom_ = 1.0;
};

}  // namespace kravin::editors::blocks
