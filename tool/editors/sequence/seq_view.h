// The sequential control block view: the twelve group tabs, the step boxes of
// each group and the branch lines of the current group.
#pragma once

#include "prompt.h"
#include "seq_session.h"
#include "string_table.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>

#include <functional>

class QPainter;

namespace kravin::sequence {

struct SeqStyle {
    QColor background{255, 255, 255};
    QColor text{0, 0, 0};
    QColor selected{0, 255, 0};
    QColor enabled{192, 192, 192};
    QColor disabled{128, 128, 128};
    QColor light{255, 255, 255};
    QColor dark{96, 96, 96};
    QColor line{255, 0, 0};
    QFont font;
};

struct SeqPaintState {
    const model::SeqSteps* steps = nullptr;
    int group = -1;
    int selectedStep = -2;
};

// Draws tabs, boxes and lines in content coordinates; rows outside area are skipped.
void DrawSeqBlocks(QPainter& p, const SeqPaintState& state, const SeqStyle& style, const QRect& area);

struct SeqViewContext {
    SequenceSession* session = nullptr;
    model::Prompt* prompt = nullptr;
    res::Language language = res::Language::English;
    std::function<bool()> online;
    // Opens the ladder view on the selection.
    std::function<void()> openLadder;
    // The group's codes in the block setting dialog, true when they were
    // stored; unset: the command is disabled.
    std::function<bool(int group)> editMnemonic;
    SeqStyle style;
};

class SeqBlkView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit SeqBlkView(SeqViewContext context, QWidget* parent = nullptr);

    SequenceSession& session() { return *context_.session; }
    Q_INVOKABLE bool isCommandEnabled(int id) const;
    Q_INVOKABLE void runCommand(int id);
    void paintContent(QPainter& p, const QRect& area);
    // The hit of a point of the viewport.
    SeqHit hitAt(const QPoint& viewPoint) const;

Q_SIGNALS:
    // The selection or the groups changed (the bar's Ladder Setting follows).
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool online() const { return context_.online && context_.online(); }
    void updateScrollRange();
    void changed();

    SeqViewContext context_;
};

}  // namespace kravin::sequence
