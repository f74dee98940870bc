#include "sequence_views.h"

#include "block_setting_dialog.h"
#include "child_frame.h"
#include "KRAVinA.h"
#include "command_ids.h"
#include "ladder_monitor.h"
#include "main_frame.h"
#include "online_monitor.h"
#include "select_contact.h"
#include "shared_dialogs.h"
#include "theme.h"
#include "view_bar.h"
#include "info_bar.h"

#include <QApplication>
#include <QPainter>
#include <QPushButton>

namespace kravin::shell {

SequenceViews::SequenceViews(SequenceViewsContext context)
    : context_(std::move(context)),
      session_(std::make_unique<sequence::SequenceSession>(*context_.unit, *context_.prompt, context_.setModified))
{
    session_->online = context_.online;
    if (context_.commentsShown) session_->ladder.g_ladderShowComments = context_.commentsShown();
    // The ladder replaces the sequential frame, which comes back when it closes.
    MainFrame* frame = context_.frame;
    // Once the ladder's slot holds its frame, so that nothing else reopens.
    connect(frame, &MainFrame::viewShown, this, [frame](int kind) {
        if (kind != static_cast<int>(ViewKind::Ladder)) return;
        frame->post([frame] {
            ViewManager& views = frame->views();
            if (!views.frameExists(ViewKind::Ladder) || !views.frameExists(ViewKind::SeqBlk)) return;
            views.setReopenFlags(views.reopenFlags() | ReopenSeqAfterLadder);
            frame->destroyFrame(ViewKind::SeqBlk);
            frame->refresh();
        });
    });
}

SequenceViews::~SequenceViews()
{
    if (keyHelp_) delete keyHelp_.data();
}

QWidget* SequenceViews::makeView(ViewKind kind)
{
    MainFrame* frame = context_.frame;
    if (kind == ViewKind::SeqBlk) {
        sequence::SeqViewContext c;
        c.session = session_.get();
        c.prompt = context_.prompt;
        c.language = context_.language;
        c.online = context_.online;
        c.openLadder = [this] { openLadder(); };
        c.editMnemonic = context_.editMnemonic ? context_.editMnemonic : [this](int group) { return editMnemonic(group); };
        if (context_.theme) c.style.font = context_.theme->font12;
        auto* view = new sequence::SeqBlkView(std::move(c));
        view->setWindowTitle(res::qmessage(6003, context_.language).trimmed());
        connect(view, &sequence::SeqBlkView::selectionChanged, frame, [frame] { frame->refresh(); });
        return view;
    }
    if (kind == ViewKind::Ladder) {
        ladder::LadderViewContext c;
        c.session = session_.get();
        c.prompt = context_.prompt;
        c.language = context_.language;
        c.online = context_.online;
        c.monitorValues = [this] { return monitorValues(); };
        c.toggleKeyHelp = [this] { toggleKeyHelp(); };
        const res::Language language = context_.language;
        model::UnitContext* unit = context_.unit;
        c.browseContact = [unit, language](int& group, int& item) {
            // Over the Enter Parameter dialog that asked, so the focus goes back to it.
            ladder::SelectContactDialog d(ladder::BuildContactGroups(*unit), group, item, language,
                                          QApplication::activeModalWidget());
            if (d.exec() != QDialog::Accepted) return false;
            group = d.block();
            item = d.terminal();
            return true;
        };
        // The font the print also breaks the terminal comments in.
        c.style.font = ladder::LadderFont();
        c.gridShown = context_.gridShown;
        c.background = context_.background;
        auto* view = new ladder::LadderView(std::move(c));
        connect(view, &ladder::LadderView::edited, this, [this, frame] {
            publishLadderPlan();
            frame->refresh();
        });
        return view;
    }
    return nullptr;
}

sequence::SeqBlkView* SequenceViews::seqView() const
{
    ChildFrame* f = context_.frame->frame(ViewKind::SeqBlk);
    return f ? qobject_cast<sequence::SeqBlkView*>(f->view()) : nullptr;
}

ladder::LadderView* SequenceViews::ladderView() const
{
    ChildFrame* f = context_.frame->frame(ViewKind::Ladder);
    return f ? qobject_cast<ladder::LadderView*>(f->view()) : nullptr;
}

void SequenceViews::decorateFrame(ViewKind kind, ChildFrame& frame)
{
    if (kind != ViewKind::SeqBlk && kind != ViewKind::Ladder) return;
    MainFrame* m = context_.frame;
    const res::Language l = context_.language;
    auto tx = [l](const char* en, const char* ja) { return QString::fromUtf8(l == res::Language::Japanese ? ja : en); };
    model::UnitContext* unit = context_.unit;
    const bool ladder = kind == ViewKind::Ladder;
    auto* info = new InfoBar(ladder ? seqbar::LadderInfo : seqbar::SeqBlkInfo, [unit] {
        InfoBarUnit u;
        if (unit->g_curStation < 0 || unit->g_curCard < 0) return u;
        u.station = unit->g_curStation;
        u.card = unit->g_curCard;
        u.kind = std::string(unit->model());
        u.version = std::string(unit->version());
        return u;
    });
    if (ladder) {
        sequence::SequenceSession* s = session_.get();
        info->paintExtra = [s](QPainter& p, const QRect&) {
            char text[16];
            std::snprintf(text, sizeof text, "GROUP:%02d", s->group());
            p.setPen(Qt::black);
            p.drawText(380, 8 + p.fontMetrics().ascent(), QString::fromLatin1(text));
        };
    }
    frame.addTopBar(info);

    auto* bar = new ViewBar(ladder ? seqbar::LadderBar : seqbar::SeqBlkBar);
    if (!ladder) {
        bar->addButton(seqbar::SeqBlkList, tx("Function Block List", "機能ブロック一覧"), [m] {
            m->views().openBlkList();
            m->refresh();
        });
        bar->addButton(
            seqbar::SeqLadder, tx("Ladder Setting", "ラダー設定"), [this] { openLadder(); },
            [this, m] { return session_->LadderAllowed() && m->views().frameExists(ViewKind::SeqBlk); });
        bar->addCloseButton(seqbar::SeqClose, tx("Close", "閉じる"), [m] { m->destroyFrame(ViewKind::SeqBlk); });
    } else {
        bar->addButton(seqbar::LadderSeq, tx("Sequential Control Block Setting", "シーケンス制御ブロック設定"),
                       [this] { ladderClose(); });
        // From the right edge inward: Close, Cancel, the comment switch, Confirm.
        bar->addRightButton(seqbar::LadderConfirm, tx("Confirm", "確定"), [this] { ladderConfirm(); });
        bar->addRightButton(seqbar::LadderComment, commentCaption(), [this] { ladderToggleComments(); });
        bar->addRightButton(seqbar::LadderCancel, tx("Cancel", "キャンセル"), [this] { ladderCancel(); });
        bar->addCloseButton(seqbar::LadderClose, tx("Close", "閉じる"), [this] { ladderClose(); });
    }
    for (int id : {seqbar::SeqBlkList, seqbar::SeqLadder, seqbar::SeqClose, seqbar::LadderSeq, seqbar::LadderConfirm,
                   seqbar::LadderComment, seqbar::LadderCancel, seqbar::LadderClose})
        if (QPushButton* b = bar->button(id)) b->setFocusPolicy(Qt::NoFocus);
    frame.addTopBar(bar);
    connect(m, &MainFrame::commandsRefreshed, bar, &ViewBar::refresh);
    bar->refresh();
}

QString SequenceViews::commentCaption() const
{
    return res::qmessage(session_->ladder.g_ladderShowComments ? 8201 : 8200, context_.language);
}

void SequenceViews::showLadderState()
{
    if (ladder::LadderView* v = ladderView()) {
        v->forgetNames();
        v->redraw();
        v->setFocus();
    }
}

void SequenceViews::ladderConfirm()
{
    session_->LadderConfirm();
    publishLadderPlan();
    showLadderState();
}

void SequenceViews::ladderToggleComments()
{
    session_->ToggleComments();
    if (context_.storeComments) context_.storeComments(session_->ladder.g_ladderShowComments);
    if (ChildFrame* f = context_.frame->frame(ViewKind::Ladder))
        for (ViewBar* bar : f->findChildren<ViewBar*>())
            if (QPushButton* b = bar->button(seqbar::LadderComment)) b->setText(commentCaption());
    showLadderState();
}

void SequenceViews::ladderCancel()
{
    if (session_->LadderCancel()) context_.frame->destroyFrame(ViewKind::Ladder);
}

void SequenceViews::ladderClose()
{
    if (session_->LadderClose()) {
        context_.frame->destroyFrame(ViewKind::Ladder);
        return;
    }
    showLadderState();
}

namespace {

class MnemonicHost final : public editors::blocks::BlockSettingHost {
public:
    explicit MnemonicHost(std::function<void()> modified) : modified_(std::move(modified)) {}
    void setModified() override
    {
        if (modified_) modified_();
    }

private:
    std::function<void()> modified_;
};

}  // namespace

bool SequenceViews::editMnemonic(int group)
{
    model::UnitContext& unit = *context_.unit;
    if (group < model::kFirstSeqGroup || group > model::kLastSeqGroup) return false;
    std::array<char, model::kUnitHeadSize> head;
    if (unit.ReadUnitImage(head) != 0) return false;
    unit.g_curGroup = group;
    if (unit.LoadBlockItemList() != 0) return false;
    MnemonicHost host(context_.setModified);
    editors::blocks::BlockSettingDialog dialog(unit, *context_.prompt, context_.language, host, context_.frame);
    if (context_.printBlockSetting)
        dialog.setPrint([this, &dialog] { context_.printBlockSetting(&dialog); });
    if (dialog.exec() != QDialog::Accepted) return false;
    for (int i = 0; i < model::kItems; ++i) KRAVinA_Data_Item_Set(group, i, unit.blockItemData.items[i].data());
    for (int j = 0; j < model::kTerminals; ++j) KRAVinA_Data_Term_Set(group, j, unit.blockItemData.terminals[j].data());
    // The head: the unit's 100 block codes, 5 characters each.
    std::array<char, 512> codes{};
    for (int g = 0; g < model::kGroups; ++g)
        std::memcpy(codes.data() + 5 * g, unit.g_unitBlocks[static_cast<std::size_t>(g)].data(), 5);
    if (KRAVinA_Data_Write(unit.g_curStation, unit.libraryCard(), codes.data(), unit.workFolder.c_str()) != 0) {
        context_.prompt->message(sequence::seqmsg::StepsNotWritten, {}, model::Buttons::Ok, model::Icon::Error);
        return false;
    }
    return true;
}

void SequenceViews::openLadder()
{
    MainFrame* frame = context_.frame;
    if (!session_->LadderAllowed()) return;
    ViewManager& views = frame->views();
    views.openLadder();
    frame->refresh();
}

bool SequenceViews::ladderPending() const
{
    return context_.frame->views().frameExists(ViewKind::Ladder) && session_->ladder.g_ladderEdited;
}

bool SequenceViews::ladderInEditMode()
{
    return session_->LadderEditRejected(context_.frame->views().frameExists(ViewKind::Ladder));
}

bool SequenceViews::commitLadder()
{
    if (session_->CommitPending()) return true;
    context_.frame->sendCommand(static_cast<int>(ViewKind::Ladder), cmd::LadderRedraw);
    return false;
}

void SequenceViews::prepareFrame(ViewKind kind)
{
    if (kind == ViewKind::SeqBlk) session_->PrepareSeqView();
    if (kind == ViewKind::Ladder) {
        session_->PrepareLadderView();
        publishLadderPlan();
    }
}

void SequenceViews::frameClosing(ViewKind kind)
{
    if (kind == ViewKind::SeqBlk) session_->SaveSteps();
    if (kind == ViewKind::Ladder) {
        session_->ladder.g_ladderEdited = false;
        // Told once the slot is free.
        if (context_.viewsChanged) context_.frame->post(context_.viewsChanged);
    }
}

bool SequenceViews::seqBlockIsLadder() const { return session_->LadderAllowed(); }

void SequenceViews::forgetProject()
{
    session_->seqUndo.Clear(true);
    session_->group() = -1;
    session_->selectedStep() = -2;
}

void SequenceViews::toggleKeyHelp()
{
    if (!keyHelp_) keyHelp_ = new editors::LadderKeyHelpDialog(context_.language, context_.frame);
    keyHelp_->setVisible(!keyHelp_->isVisible());
}

void SequenceViews::publishLadderPlan()
{
    if (!context_.monitor) return;
    model::UnitContext& unit = *context_.unit;
    online::LadderMonitorPlan plan;
    const bool unitValid =
        unit.g_curStation >= 0 && unit.g_curCard >= 0 && !unit.unitKindName(unit.g_curStation, unit.g_curCard).empty();
    if (unitValid) {
        ladder::UnitTerminalItems items(unit);
        const ladder::LadderAddresses a = ladder::BuildLadderAddresses(session_->ladder.Grid(), items);
        plan.valid = true;
        plan.unit = context_.monitor->CurrentUnit();
        plan.group = session_->group();
        for (int r = 0; r < online::kLadderRows; ++r) {
            for (int c = 0; c < online::kLadderCells; ++c)
                plan.contacts[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] =
                    static_cast<std::int16_t>(a.contacts[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
            plan.coils[static_cast<std::size_t>(r)] = static_cast<std::int16_t>(a.coils[static_cast<std::size_t>(r)]);
        }
    }
    context_.monitor->setLadderPlan(std::move(plan));
    // A monitor already past its preparation takes the new tables at its next cycle.
    if (online::OnlineState* state = context_.monitorState) {
        int prepared = 2;
        state->LadderMonitorState.compare_exchange_strong(prepared, 1);
    }
}

std::optional<ladder::LadderMonitorValues> SequenceViews::monitorValues() const
{
    online::OnlineState* state = context_.monitorState;
    if (!state || !(context_.online && context_.online()) || state->LadderMonitorState.load() != 2) return std::nullopt;
    const auto published = state->Results().ladder;
    if (!published) return std::nullopt;
    ladder::LadderMonitorValues v;
    for (int r = 0; r < ladder::kLadderRows; ++r) {
        for (int c = 0; c < ladder::kLadderCols; ++c)
            v.cells[r][c] = published->contacts[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
        v.coils[r] = published->coils[static_cast<std::size_t>(r)];
    }
    v.activeStep = published->item3;
    return v;
}

}  // namespace kravin::shell
