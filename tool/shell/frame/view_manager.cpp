#include "view_manager.h"

namespace kravin::shell {

ViewManager::ViewManager(FrameHost& host, ViewHooks& hooks) : host_(host), hooks_(hooks) {}

Placement ViewManager::defaultPlacement(ViewKind kind)
{
    switch (kind) {
    case ViewKind::System: return {true, 0, 0, 1001, 482};
    case ViewKind::AnaTan:
    case ViewKind::DenTan: return {true, 0, 0, 796, 482};
    case ViewKind::SeqBlk: return {true, 0, 0, 826, 482};
    case ViewKind::Ladder: return {true, 0, 0, 931, 482};
    case ViewKind::Ht9: return {true, 50, 10, 700, 500};
    case ViewKind::BlkList: return {true, 0, 0, 961, 487};
    case ViewKind::Print: return {true, 0, 0, 10, 10};
    case ViewKind::Ninth: break;
    }
    return {true, 0, 0, 400, 300};
}

void ViewManager::reset()
{
    for (auto& s : slots_) {
        s.state = SlotClosed;
        s.viewValue = 0;
    }
    reopenFlags_ = 0;
    commandFlags_ = AppCommandFlags{};
}

bool ViewManager::canLeave(ViewKind wiringKind)
{
    return !frameExists(wiringKind) || hooks_.commitWiringEdit(wiringKind);
}

bool ViewManager::checkLadderSaved()
{
    return !hooks_.ladderPending() || hooks_.commitLadder();
}

void ViewManager::toSeqForm()
{
    if (reopenFlags_ & ReopenSystemAfterBlk) reopenFlags_ = (reopenFlags_ & ~ReopenSystemAfterBlk) | ReopenSystemAfterSeq;
    if (reopenFlags_ & ReopenDenTanAfterBlk) reopenFlags_ = (reopenFlags_ & ~ReopenDenTanAfterBlk) | ReopenDenTanAfterSeq;
}

void ViewManager::toBlkForm()
{
    if (reopenFlags_ & ReopenSystemAfterSeq) reopenFlags_ = (reopenFlags_ & ~ReopenSystemAfterSeq) | ReopenSystemAfterBlk;
    if (reopenFlags_ & ReopenDenTanAfterSeq) reopenFlags_ = (reopenFlags_ & ~ReopenDenTanAfterSeq) | ReopenDenTanAfterBlk;
}

bool ViewManager::takeFlag(int bit)
{
    if (!(reopenFlags_ & bit)) return false;
    reopenFlags_ &= ~bit;
    return true;
}

int ViewManager::create(ViewKind kind)
{
    ViewSlot& s = slot(kind);
    FrameGeometry geometry;
    geometry.rect = placementSaved(kind) && s.placement.valid ? s.placement : defaultPlacement(kind);
    geometry.maximized = maximizedChildren_ && kind != ViewKind::Print;
    geometry.hidden = kind == ViewKind::Print;
    hooks_.prepareFrame(kind);
    if (!host_.createFrame(kind, geometry)) {
        // A frame that could not be made leaves its slot free for the next try.
        s.state = SlotClosed;
        s.hasFrame = false;
        return -1;
    }
    s.hasFrame = true;
    if (kind != ViewKind::Print && s.state == SlotOpening) s.state = SlotOpen;
    hooks_.frameOpened(kind);
    return 0;
}

void ViewManager::close(ViewKind kind)
{
    if (frameExists(kind)) host_.destroyFrame(kind);
    // A host that did not report the destruction still leaves the slot free.
    if (frameExists(kind)) frameDestroyed(kind, {});
}

bool ViewManager::raiseIfPresent(ViewKind kind, bool repaint)
{
    const int st = state(kind);
    if (st == SlotClosed) return false;
    if (st != SlotOpening) host_.raiseFrame(kind, repaint);
    return true;
}

int ViewManager::openSystem() { return openSystemOrDenTan(ViewKind::System); }
int ViewManager::openDenTan() { return openSystemOrDenTan(ViewKind::DenTan); }
int ViewManager::openBlkList() { return openBlkListOrAnaTan(ViewKind::BlkList); }
int ViewManager::openAnaTan() { return openBlkListOrAnaTan(ViewKind::AnaTan); }

int ViewManager::openSystemOrDenTan(ViewKind kind)
{
    if (!canLeave(ViewKind::AnaTan)) return -1;
    if (frameExists(ViewKind::Ladder)) {
        if (!checkLadderSaved()) return -1;
        toSeqForm();
        reopenFlags_ &= ~(ReopenSeqAfterLadder | ReopenBlkListAfterSeq | ReopenAnaTanAfterSeq);
        close(ViewKind::Ladder);
    }
    if (frameExists(ViewKind::SeqBlk)) {
        toSeqForm();
        reopenFlags_ &= ~(ReopenBlkListAfterSeq | ReopenAnaTanAfterSeq);
        close(ViewKind::SeqBlk);
    }
    const bool replaced = frameExists(ViewKind::BlkList) || frameExists(ViewKind::AnaTan);
    close(ViewKind::BlkList);
    close(ViewKind::AnaTan);
    // The views those frames had replaced come back after this one is made;
    // this one stays in front of them.
    if (replaced)
        host_.post([this, kind] {
            if (frameExists(kind)) host_.raiseFrame(kind, false);
        });

    if (raiseIfPresent(kind, kind == ViewKind::System)) return 0;
    hooks_.resetStartValues(kind);
    setState(kind, SlotOpening);
    return create(kind);
}

int ViewManager::openBlkListOrAnaTan(ViewKind kind)
{
    if (!canLeave(ViewKind::DenTan)) return -1;
    const int bit = kind == ViewKind::BlkList ? ReopenBlkListAfterSeq : ReopenAnaTanAfterSeq;
    if (frameExists(ViewKind::Ladder)) {
        if (!checkLadderSaved()) return -1;
        toBlkForm();
        reopenFlags_ = (reopenFlags_ & ~ReopenSeqAfterLadder) | bit;
        close(ViewKind::Ladder);
    }
    if (frameExists(ViewKind::SeqBlk)) {
        toBlkForm();
        reopenFlags_ |= bit;
        close(ViewKind::SeqBlk);
    }
    if (!hooks_.unitAllowsBlockViews()) return -1;

    if (raiseIfPresent(kind, false)) return 0;
    hooks_.resetStartValues(kind);
    setState(kind, SlotOpening);
    if (frameExists(ViewKind::System)) {
        close(ViewKind::System);
        commandFlags_.systemCommand = false;
        reopenFlags_ |= ReopenSystemAfterBlk;
    }
    if (frameExists(ViewKind::DenTan)) {
        close(ViewKind::DenTan);
        commandFlags_.denTanCommand = false;
        reopenFlags_ |= ReopenDenTanAfterBlk;
    }
    return create(kind);
}

int ViewManager::openSeqBlk()
{
    if (!canLeave(ViewKind::AnaTan) || !canLeave(ViewKind::DenTan)) return -1;
    if (frameExists(ViewKind::Ladder)) {
        if (!checkLadderSaved()) return -1;
        close(ViewKind::Ladder);
    }
    if (!hooks_.unitAllowsBlockViews()) return -1;

    if (raiseIfPresent(ViewKind::SeqBlk, false)) return 0;
    hooks_.resetStartValues(ViewKind::SeqBlk);
    setState(ViewKind::SeqBlk, SlotOpening);
    if (frameExists(ViewKind::System)) {
        reopenFlags_ |= ReopenSystemAfterSeq;
        commandFlags_.systemCommand = false;
        close(ViewKind::System);
    }
    if (frameExists(ViewKind::DenTan)) {
        reopenFlags_ |= ReopenDenTanAfterSeq;
        commandFlags_.denTanCommand = false;
        close(ViewKind::DenTan);
    }
    if (frameExists(ViewKind::BlkList)) {
        reopenFlags_ |= ReopenBlkListAfterSeq;
        close(ViewKind::BlkList);
    }
    if (frameExists(ViewKind::AnaTan)) {
        reopenFlags_ |= ReopenAnaTanAfterSeq;
        close(ViewKind::AnaTan);
    }
    return create(ViewKind::SeqBlk);
}

int ViewManager::openLadder()
{
    if (raiseIfPresent(ViewKind::Ladder, false)) return 0;
    hooks_.resetStartValues(ViewKind::Ladder);
    setState(ViewKind::Ladder, SlotOpening);
    return create(ViewKind::Ladder);
}

int ViewManager::openHt9()
{
    if (raiseIfPresent(ViewKind::Ht9, false)) return 0;
    if (!hooks_.chooseHt9Connection()) return -1;
    hooks_.resetStartValues(ViewKind::Ht9);
    setState(ViewKind::Ht9, SlotOpening);
    const int result = create(ViewKind::Ht9);
    if (result == 0) commandFlags_.ht9Command = false;
    return result;
}

int ViewManager::openPrint()
{
    if (frameExists(ViewKind::Print)) return 0;
    setState(ViewKind::Print, SlotOpening);
    return create(ViewKind::Print);
}

void ViewManager::closePrint() { close(ViewKind::Print); }

int ViewManager::open(ViewKind kind)
{
    switch (kind) {
    case ViewKind::System: return openSystem();
    case ViewKind::DenTan: return openDenTan();
    case ViewKind::BlkList: return openBlkList();
    case ViewKind::AnaTan: return openAnaTan();
    case ViewKind::SeqBlk: return openSeqBlk();
    case ViewKind::Ladder: return openLadder();
    case ViewKind::Ht9: return openHt9();
    case ViewKind::Print: return openPrint();
    case ViewKind::Ninth: break;
    }
    return -1;
}

void ViewManager::closeAllViews()
{
    const bool was = closingAll_.exchange(true);
    for (ViewKind kind : {ViewKind::Ladder, ViewKind::SeqBlk, ViewKind::AnaTan, ViewKind::BlkList, ViewKind::DenTan,
                          ViewKind::System})
        close(kind);
    closingAll_ = was;
}

bool ViewManager::frameMayClose(ViewKind kind)
{
    switch (kind) {
    case ViewKind::Ladder:
        if (hooks_.ladderPending() && !hooks_.confirmDiscardLadder()) return false;
        hooks_.restoreLadderBackup();
        return true;
    case ViewKind::AnaTan:
    case ViewKind::DenTan: return hooks_.commitWiringEdit(kind);
    default: return true;
    }
}

void ViewManager::frameDestroyed(ViewKind kind, const Placement& placement)
{
    ViewSlot& s = slot(kind);
    if (!s.hasFrame) return;
    if (placementSaved(kind) && placement.valid) s.placement = placement;
    hooks_.frameClosing(kind);
    s.state = SlotClosed;
    s.hasFrame = false;
    // The HT-9 command comes back with its view gone.
    if (kind == ViewKind::Ht9) commandFlags_.ht9Command = true;
    if (closingAll_) return;

    std::vector<ViewKind> reopen;
    auto takeSeqBits = [&] {
        if (takeFlag(ReopenSystemAfterSeq)) reopen.push_back(ViewKind::System);
        if (takeFlag(ReopenDenTanAfterSeq)) reopen.push_back(ViewKind::DenTan);
        if (takeFlag(ReopenBlkListAfterSeq)) reopen.push_back(ViewKind::BlkList);
        if (takeFlag(ReopenAnaTanAfterSeq)) reopen.push_back(ViewKind::AnaTan);
    };
    switch (kind) {
    case ViewKind::AnaTan:
    case ViewKind::BlkList: {
        const ViewKind partner = kind == ViewKind::AnaTan ? ViewKind::BlkList : ViewKind::AnaTan;
        if (!frameExists(partner) && state(ViewKind::SeqBlk) == SlotClosed) {
            if (takeFlag(ReopenSystemAfterBlk)) reopen.push_back(ViewKind::System);
            if (takeFlag(ReopenDenTanAfterBlk)) reopen.push_back(ViewKind::DenTan);
        }
        break;
    }
    case ViewKind::SeqBlk:
        if (!frameExists(ViewKind::Ladder)) takeSeqBits();
        break;
    case ViewKind::Ladder:
        if (takeFlag(ReopenSeqAfterLadder))
            reopen.push_back(ViewKind::SeqBlk);
        else
            takeSeqBits();
        break;
    default: break;
    }
    // The views reopen once this destruction is over, each one finished
    // before the next, since every opener makes its frame at once.
    if (!reopen.empty()) host_.post([this, reopen] { runReopens(reopen); });
}

void ViewManager::runReopens(const std::vector<ViewKind>& kinds)
{
    // A block or sequence view opened since the close stays: the views it
    // replaced are not brought back over it.
    for (ViewKind kind : {ViewKind::BlkList, ViewKind::AnaTan, ViewKind::SeqBlk, ViewKind::Ladder})
        if (state(kind) != SlotClosed) return;
    for (ViewKind kind : kinds) {
        if (closingAll_) return;
        open(kind);
    }
}

}  // namespace kravin::shell
