#include "sequence_views.h"

#include "child_frame.h"
#include "command_ids.h"
#include "ladder_monitor.h"
#include "main_frame.h"
#include "online_monitor.h"
#include "select_contact.h"
#include "shared_dialogs.h"
#include "theme.h"

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
    connect(frame, &MainFrame::viewShown, this, [this, frame](int kind) {
        if (kind != static_cast<int>(ViewKind::Ladder)) return;
        if (context_.viewsChanged) context_.viewsChanged();
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
        c.editMnemonic = context_.editMnemonic;
        if (context_.theme) c.style.font = context_.theme->font12;
        auto* page = new sequence::SeqBlkPage(std::move(c), *context_.unit);
        page->setWindowTitle(res::qmessage(6003, context_.language).trimmed());
        connect(page, &sequence::SeqBlkPage::openBlockListRequested, frame, [frame] {
            frame->views().openBlkList();
            frame->refresh();
        });
        connect(page, &sequence::SeqBlkPage::openLadderRequested, this, [this] { openLadder(); });
        connect(page, &sequence::SeqBlkPage::closeRequested, frame, [frame] { frame->destroyFrame(ViewKind::SeqBlk); });
        connect(page->view(), &sequence::SeqBlkView::selectionChanged, frame, [frame] { frame->refresh(); });
        return page;
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
            ladder::SelectContactDialog d(ladder::BuildContactGroups(*unit), group, item, language);
            if (d.exec() != QDialog::Accepted) return false;
            group = d.block();
            item = d.terminal();
            return true;
        };
        if (context_.theme) c.style.font = context_.theme->font12;
        c.gridShown = context_.gridShown;
        c.background = context_.background;
        auto* page = new sequence::LadderPage(std::move(c), *context_.unit);
        connect(page, &sequence::LadderPage::closeRequested, frame, [frame] { frame->destroyFrame(ViewKind::Ladder); });
        connect(page, &sequence::LadderPage::commentsToggled, this, [this](bool shown) {
            if (context_.storeComments) context_.storeComments(shown);
        });
        connect(page->view(), &ladder::LadderView::edited, this, [this, frame] {
            publishLadderPlan();
            frame->refresh();
        });
        return page;
    }
    return nullptr;
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
