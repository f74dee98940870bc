// One child frame per view kind: the view slots, the openers with their
// mutual exclusions, the reopen flags and the close vetoes. Window-free: the
// frames are made and destroyed by a FrameHost, the editors answer through
// ViewHooks.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <vector>

namespace kravin::shell {

// Slot order as the child frame tests them.
enum class ViewKind { Ninth, System, AnaTan, DenTan, SeqBlk, Ladder, Ht9, BlkList, Print };
constexpr int kViewKindCount = 9;

enum SlotState { SlotClosed = 0, SlotOpening = 1, SlotOpen = 2, SlotRedraw = 3, SlotRedrawBackground = 4 };

// Reopen flags.
enum ReopenBit : int {
    ReopenSystemAfterSeq = 0x01,
    ReopenDenTanAfterSeq = 0x02,
    ReopenBlkListAfterSeq = 0x04,
    ReopenAnaTanAfterSeq = 0x08,
    ReopenSystemAfterBlk = 0x10,
    ReopenDenTanAfterBlk = 0x20,
    ReopenSeqAfterLadder = 0x40,
};

// A frame rectangle in the frame area; valid = false means none saved.
struct Placement {
    bool valid = false;
    int x = 0, y = 0, width = 0, height = 0;
};

struct FrameGeometry {
    Placement rect;      // always valid: saved placement or the kind's default
    bool maximized = false;
    bool hidden = false; // the print frame
};

struct ViewSlot {
    std::atomic<int> state{SlotClosed};
    int viewValue = 0;  // owned by the view itself
    bool hasFrame = false;
    Placement placement;
};

// Cached command-enable flags the openers clear (the HT-9 one is set again when
// its view closes).
struct AppCommandFlags {
    bool systemCommand = false;
    bool ht9Command = true;
    bool bulkPrint = false;
    bool denTanCommand = false;
};

class FrameHost {
public:
    virtual ~FrameHost() = default;
    // Makes the child frame and its view; false when that failed.
    virtual bool createFrame(ViewKind kind, const FrameGeometry& geometry) = 0;
    // Destroys the frame at once, without asking the view; the host reports it
    // through ViewManager::frameDestroyed before returning.
    virtual void destroyFrame(ViewKind kind) = 0;
    virtual void raiseFrame(ViewKind kind, bool repaint) = 0;
    // Runs task later from the event loop (never inside the current call).
    virtual void post(std::function<void()> task) = 0;
};

// What the editors answer; the defaults suit views that hold no edits.
class ViewHooks {
public:
    virtual ~ViewHooks() = default;
    // The wiring views' commit of their open edits (analog, communication).
    virtual bool commitWiringEdit(ViewKind) { return true; }
    // String id of the view with an open edit (6000 communication, 6001
    // analog, 6002 ladder), 0 when none.
    virtual int editModeViewNameId() { return 0; }
    virtual bool ladderPending() { return false; }
    // Translates and stores a pending ladder edit; false leaves the ladder open
    // on the error.
    virtual bool commitLadder() { return true; }
    // Asks whether a pending ladder edit may be dropped (message 8104).
    virtual bool confirmDiscardLadder() { return true; }
    // Puts the step table back from the copy taken when the ladder opened.
    virtual void restoreLadderBackup() {}
    // A card is selected and it is no communication card.
    virtual bool unitAllowsBlockViews() { return false; }
    // Chooses the HT-9 connection; false = cancelled.
    virtual bool chooseHt9Connection() { return true; }
    // The opener's reset of the view's own start values (slot still closed).
    virtual void resetStartValues(ViewKind) {}
    // Preparation before the frame is made (blocks, steps, ladder grid).
    virtual void prepareFrame(ViewKind) {}
    // The frame is made and its slot holds it.
    virtual void frameOpened(ViewKind) {}
    // Per-kind saving while the frame goes away, before its slot is cleared.
    virtual void frameClosing(ViewKind) {}
    // The current card (0 = the station itself, 1..16) for the View commands.
    virtual int currentCard() { return 0; }
    // The sequential view's selected block carries a ladder program.
    virtual bool seqBlockIsLadder() { return false; }
};

class ViewManager {
public:
    ViewManager(FrameHost& host, ViewHooks& hooks);

    // Openers: 0 opened or activated, -1 refused.
    int openSystem();
    int openDenTan();
    int openBlkList();
    int openAnaTan();
    int openSeqBlk();
    int openLadder();
    int openHt9();
    int open(ViewKind kind);
    // The hidden print frame of a bulk print; closePrint destroys it.
    int openPrint();
    void closePrint();

    // Destroys the six editor frames without reopening anything.
    void closeAllViews();
    // The main window is going: no reopening from here on.
    void beginShutdown() { closingAll_ = true; }

    // The close box of a frame: false vetoes.
    bool frameMayClose(ViewKind kind);
    // The frame is gone (closed by the user or destroyed by the manager);
    // placement is its last rectangle.
    void frameDestroyed(ViewKind kind, const Placement& placement);

    bool frameExists(ViewKind kind) const { return slot(kind).hasFrame; }
    int state(ViewKind kind) const { return slot(kind).state.load(); }
    void setState(ViewKind kind, int state) { slot(kind).state.store(state); }
    ViewSlot& slot(ViewKind kind) { return slots_[static_cast<int>(kind)]; }
    const ViewSlot& slot(ViewKind kind) const { return slots_[static_cast<int>(kind)]; }

    int reopenFlags() const { return reopenFlags_; }
    void setReopenFlags(int flags) { reopenFlags_ = flags; }
    bool closingAllViews() const { return closingAll_.load(); }
    bool maximizedChildren() const { return maximizedChildren_; }
    void setMaximizedChildren(bool on) { maximizedChildren_ = on; }
    AppCommandFlags& commandFlags() { return commandFlags_; }

    // Clears every slot state, the reopen flags and the cached command flags.
    void reset();

    static Placement defaultPlacement(ViewKind kind);
    static bool placementSaved(ViewKind kind) { return kind != ViewKind::Print && kind != ViewKind::Ninth; }

private:
    int openSystemOrDenTan(ViewKind kind);
    int openBlkListOrAnaTan(ViewKind kind);
    // Brings an open frame to the top; true when the slot is not closed.
    bool raiseIfPresent(ViewKind kind, bool repaint);
    int create(ViewKind kind);
    void close(ViewKind kind);
    bool canLeave(ViewKind wiringKind);
    bool checkLadderSaved();
    void toSeqForm();
    void toBlkForm();
    bool takeFlag(int bit);
    void runReopens(const std::vector<ViewKind>& kinds);

    FrameHost& host_;
    ViewHooks& hooks_;
    std::array<ViewSlot, kViewKindCount> slots_;
    int reopenFlags_ = 0;
    std::atomic<bool> closingAll_{false};
    bool maximizedChildren_ = false;
    AppCommandFlags commandFlags_;
};

}  // namespace kravin::shell
