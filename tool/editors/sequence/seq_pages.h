// The sequential control block and ladder views as their child frames hold
// them: the info bar that paints the current unit, the button bar and the view.
#pragma once

#include "ladder_view.h"
#include "seq_view.h"

#include <QWidget>

#include <optional>

class QPushButton;

namespace kravin::sequence {

// The current unit (and, for the ladder, the group) painted in one strip.
class UnitInfoBar : public QWidget {
    Q_OBJECT
public:
    UnitInfoBar(model::UnitContext& unit, std::function<int()> group, QWidget* parent = nullptr);
    // The texts painted, left to right.
    QStringList texts() const;
    QSize sizeHint() const override { return {500, 26}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    model::UnitContext& unit_;
    std::function<int()> group_;
};

// Button ids of the bars.
namespace barid {
constexpr int SeqBlkList = 1162, SeqLadder = 1163, SeqClose = 1164;
constexpr int LadderSeq = 1165, LadderConfirm = 1141, LadderComment = 1139, LadderCancel = 1143, LadderClose = 1142;
}  // namespace barid

class SeqBlkPage : public QWidget {
    Q_OBJECT
public:
    SeqBlkPage(SeqViewContext context, model::UnitContext& unit, QWidget* parent = nullptr);
    SeqBlkView* view() const { return view_; }
    QPushButton* button(int id) const;
    UnitInfoBar* infoBar() const { return info_; }

    Q_INVOKABLE bool isCommandEnabled(int id) const { return view_->isCommandEnabled(id); }
    Q_INVOKABLE void runCommand(int id);
    // Ladder Setting follows the selection and the frame.
    void updateButtons();

Q_SIGNALS:
    void openBlockListRequested();
    void openLadderRequested();
    void closeRequested();

private:
    SeqBlkView* view_;
    UnitInfoBar* info_;
    QPushButton *blkList_, *ladder_, *close_;
};

class LadderPage : public QWidget {
    Q_OBJECT
public:
    LadderPage(ladder::LadderViewContext context, model::UnitContext& unit, QWidget* parent = nullptr);
    ladder::LadderView* view() const { return view_; }
    QPushButton* button(int id) const;
    UnitInfoBar* infoBar() const { return info_; }
    SequenceSession& session() { return *session_; }

    Q_INVOKABLE bool isCommandEnabled(int id) const { return view_->isCommandEnabled(id); }
    Q_INVOKABLE void runCommand(int id) { view_->runCommand(id); }

    void confirm();
    void toggleComments();
    void cancel();
    void closeLadder();

Q_SIGNALS:
    // The frame goes now (the step table is settled or restored).
    void closeRequested();
    // The comment switch changed: the settings are to be saved.
    void commentsToggled(bool shown);

private:
    void commentCaption();
    void showError();

    SequenceSession* session_;
    res::Language language_;
    ladder::LadderView* view_;
    UnitInfoBar* info_;
    QPushButton *seq_, *confirm_, *comment_, *cancel_, *close_;
};

}  // namespace kravin::sequence
