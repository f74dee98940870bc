// The ladder view: paints the grid of the group being edited and turns key,
// mouse and menu events into calls of the ladder editor.
#pragma once

#include "ladder_editor.h"
#include "ladder_paint.h"
#include "prompt.h"
#include "seq_session.h"
#include "string_table.h"

#include <QAbstractScrollArea>

#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace kravin::ladder {

struct LadderViewContext {
    sequence::SequenceSession* session = nullptr;
    model::Prompt* prompt = nullptr;
    res::Language language = res::Language::English;
    std::function<bool()> online;
    // The monitored values while the ladder is monitored; nothing otherwise.
    std::function<std::optional<LadderMonitorValues>()> monitorValues;
    std::function<void()> toggleKeyHelp;
    // The Select Contact dialog on (block, terminal); true for OK.
    std::function<bool(int& group, int& item)> browseContact;
    // Replaces the operand dialogs and the unit's terminal data (tests).
    LadderEditorHost* host = nullptr;
    LadderStyle style;
    // Read at each drawing: the Option dialog may change them.
    std::function<bool()> gridShown;
    std::function<QColor()> background;
};

class LadderView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit LadderView(LadderViewContext context, QWidget* parent = nullptr);
    ~LadderView() override;

    LadderEditor& editor() { return *editor_; }
    LadderContext& ladder() { return context_.session->ladder; }

    // Edit commands of the frame (undo, redo, cut, copy, paste, delete), the
    // popup and palette commands 40438..40456 and the redraw 40606.
    Q_INVOKABLE bool isCommandEnabled(int id) const;
    Q_INVOKABLE void runCommand(int id);
    // Applies a scroll request, the scroll range and repaints.
    void redraw();
    // The terminal names under the elements are read again.
    void forgetNames()
    {
        names_.clear();
        unitRead_ = false;
    }
    // Paints the whole content area into an image (tests, benchmarks).
    void paintContent(QPainter& p, const QRect& area);

Q_SIGNALS:
    // The grid changed through an edit.
    void edited();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    class DialogHost;
    bool online() const { return context_.online && context_.online(); }
    bool moveCursorTo(const QPoint& viewPoint);
    void after(EditResult result, bool page = false, int pageDelta = 0);
    void ensureCursorVisible();
    void updateScrollRange();
    QString nameOf(int kk, int nn, bool coil);
    QString menuText(int id) const;

    LadderViewContext context_;
    std::unique_ptr<DialogHost> dialogs_;
    std::unique_ptr<LadderEditor> editor_;
    std::map<int, QString> names_;
    LadderTextCache texts_;
    bool unitRead_ = false;
};

}  // namespace kravin::ladder
