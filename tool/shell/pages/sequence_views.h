// The sequential control block and ladder views as the shell hosts them: the
// one sequential session of the current unit, the frames' preparation and
// saving, the ladder's pending edit for the leave and save checks, the ladder
// monitor tables for the monitor worker and its values for the view.
#pragma once

#include "monitor_engine.h"
#include "ladder_view.h"
#include "seq_view.h"
#include "view_manager.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

namespace kravin::editors {
class LadderKeyHelpDialog;
}

namespace kravin::shell {

class ChildFrame;
class MainFrame;
class ModelMonitorContext;
class Theme;
class ViewBar;

// Bar and button ids of the two frames.
namespace seqbar {
constexpr int SeqBlkBar = 270, SeqBlkInfo = 171, LadderBar = 271, LadderInfo = 173;
constexpr int SeqBlkList = 1162, SeqLadder = 1163, SeqClose = 1164;
constexpr int LadderSeq = 1165, LadderConfirm = 1141, LadderComment = 1139, LadderCancel = 1143, LadderClose = 1142;
}  // namespace seqbar

struct SequenceViewsContext {
    model::UnitContext* unit = nullptr;
    model::Prompt* prompt = nullptr;
    res::Language language = res::Language::English;
    MainFrame* frame = nullptr;
    const Theme* theme = nullptr;
    std::function<bool()> online;
    std::function<void()> setModified;
    // The comment switch of the ladder ("SEQ_DSP"), kept with the settings.
    std::function<bool()> commentsShown;
    std::function<void(bool)> storeComments;
    std::function<bool()> gridShown;
    std::function<QColor()> background;
    // The block setting dialog on a sequence group's codes (code-list mode);
    // true when they were stored. Unset: "Mnemonic" stays disabled.
    std::function<bool(int group)> editMnemonic;
    // Print in the Function Block Setting dialog; unset leaves it disabled.
    std::function<void(QWidget* parent)> printBlockSetting;
    // The open views changed: the monitor's snapshot follows.
    std::function<void()> viewsChanged;
    // The monitor: where the ladder's tables go, and its published values.
    ModelMonitorContext* monitor = nullptr;
    online::OnlineState* monitorState = nullptr;
};

class SequenceViews final : public QObject {
    Q_OBJECT
public:
    explicit SequenceViews(SequenceViewsContext context);
    ~SequenceViews() override;

    sequence::SequenceSession& session() { return *session_; }
    QWidget* makeView(ViewKind kind);
    // The info bar and the button bar of the two frames.
    void decorateFrame(ViewKind kind, ChildFrame& frame);
    // The open views, or null.
    sequence::SeqBlkView* seqView() const;
    ladder::LadderView* ladderView() const;

    // The ladder bar's buttons.
    void ladderConfirm();
    void ladderToggleComments();
    void ladderCancel();
    void ladderClose();

    // The view manager's hooks.
    bool ladderPending() const;
    // The open ladder holds an edit its translation rejects.
    bool ladderInEditMode();
    bool commitLadder();
    bool confirmDiscardLadder() { return session_->ConfirmDiscard(); }
    void restoreLadderBackup() { session_->RestoreBackup(); }
    void prepareFrame(ViewKind kind);
    void frameClosing(ViewKind kind);
    bool seqBlockIsLadder() const;
    // Another project came: the sequential history and selection go.
    void forgetProject();

    // The ladder shortcut keys dialog, shown or hidden.
    void toggleKeyHelp();
    // The ladder's monitor tables from the grid as it is now.
    void publishLadderPlan();
    // The monitored values while the ladder is monitored.
    std::optional<ladder::LadderMonitorValues> monitorValues() const;

    // Mnemonic: the Function Block Setting dialog on the group's codes; on OK the
    // block's items and terminals go into the unit file. True when stored.
    bool editMnemonic(int group);

private:
    void openLadder();
    // Redraws the ladder after a settle step and gives it the focus.
    void showLadderState();
    QString commentCaption() const;

    SequenceViewsContext context_;
    std::unique_ptr<sequence::SequenceSession> session_;
    QPointer<editors::LadderKeyHelpDialog> keyHelp_;
};

}  // namespace kravin::shell
