#include "view_manager.h"

#include <gtest/gtest.h>

#include <deque>
#include <set>
#include <string>
#include <vector>

namespace kravin::shell {
namespace {

const char* name(ViewKind k)
{
    static const char* names[] = {"Ninth", "System", "AnaTan", "DenTan", "SeqBlk", "Ladder", "Ht9", "BlkList", "Print"};
    return names[static_cast<int>(k)];
}

// Frames as a set; every call is logged; posted tasks wait for runPosted().
class FakeHost : public FrameHost {
public:
    ViewManager* views = nullptr;
    std::set<ViewKind> frames;
    std::vector<std::string> log;
    std::deque<std::function<void()>> posted;
    std::set<ViewKind> failing;
    std::vector<FrameGeometry> geometries;

    bool createFrame(ViewKind kind, const FrameGeometry& g) override
    {
        log.push_back(std::string("create ") + name(kind));
        geometries.push_back(g);
        if (failing.count(kind)) return false;
        frames.insert(kind);
        return true;
    }
    void destroyFrame(ViewKind kind) override
    {
        log.push_back(std::string("destroy ") + name(kind));
        frames.erase(kind);
        views->frameDestroyed(kind, {true, 5, 6, 300, 200});
    }
    void raiseFrame(ViewKind kind, bool repaint) override
    {
        log.push_back(std::string(repaint ? "repaint " : "raise ") + name(kind));
    }
    void post(std::function<void()> task) override
    {
        log.push_back("post");
        posted.push_back(std::move(task));
    }
    void runPosted()
    {
        while (!posted.empty()) {
            auto task = std::move(posted.front());
            posted.pop_front();
            task();
        }
    }
    // The user closes a frame with its close box.
    bool userClose(ViewKind kind)
    {
        if (!views->frameMayClose(kind)) return false;
        frames.erase(kind);
        log.push_back(std::string("closed ") + name(kind));
        views->frameDestroyed(kind, {true, 1, 2, 3, 4});
        return true;
    }
};

class FakeHooks : public ViewHooks {
public:
    bool unitOk = true;
    std::set<ViewKind> refusingCommit;
    bool pending = false;
    bool ladderTranslates = true;
    bool discardAllowed = true;
    int restored = 0;
    std::vector<std::string> closing;

    bool commitWiringEdit(ViewKind k) override { return !refusingCommit.count(k); }
    bool ladderPending() override { return pending; }
    bool commitLadder() override { return ladderTranslates; }
    bool confirmDiscardLadder() override { return discardAllowed; }
    void restoreLadderBackup() override { ++restored; }
    bool unitAllowsBlockViews() override { return unitOk; }
    void frameClosing(ViewKind k) override { closing.push_back(name(k)); }
};

class ViewManagerTest : public ::testing::Test {
protected:
    FakeHost host;
    FakeHooks hooks;
    ViewManager views{host, hooks};

    void SetUp() override { host.views = &views; }

    // A frame that exists already (as left behind by earlier commands).
    void adopt(ViewKind k)
    {
        views.slot(k).hasFrame = true;
        views.setState(k, SlotOpen);
        host.frames.insert(k);
    }
    std::set<ViewKind> open() const { return host.frames; }
};

TEST_F(ViewManagerTest, OpenerMakesOneFramePerKindAndRaisesAnOpenOne)
{
    EXPECT_EQ(views.openSystem(), 0);
    EXPECT_EQ(views.state(ViewKind::System), SlotOpen);
    EXPECT_EQ(views.openSystem(), 0);
    EXPECT_EQ(views.openDenTan(), 0);
    EXPECT_EQ(views.openDenTan(), 0);
    EXPECT_EQ(host.log, (std::vector<std::string>{"create System", "repaint System", "create DenTan", "raise DenTan"}));
}

TEST_F(ViewManagerTest, OpenerInOpeningStateDoesNothing)
{
    for (ViewKind k : {ViewKind::System, ViewKind::BlkList, ViewKind::SeqBlk, ViewKind::Ladder, ViewKind::Ht9}) {
        views.setState(k, SlotOpening);
        EXPECT_EQ(views.open(k), 0) << name(k);
    }
    EXPECT_TRUE(host.log.empty());
}

TEST_F(ViewManagerTest, FailedCreationFreesTheSlot)
{
    host.failing.insert(ViewKind::System);
    EXPECT_EQ(views.openSystem(), -1);
    EXPECT_EQ(views.state(ViewKind::System), SlotClosed);
    EXPECT_FALSE(views.frameExists(ViewKind::System));
    host.failing.clear();
    EXPECT_EQ(views.openSystem(), 0);
    EXPECT_TRUE(views.frameExists(ViewKind::System));
}

TEST_F(ViewManagerTest, SequentialViewClosesFourViewsAndReopensThemAfterItIsGone)
{
    for (ViewKind k : {ViewKind::System, ViewKind::DenTan, ViewKind::BlkList, ViewKind::AnaTan}) adopt(k);
    ASSERT_EQ(views.openSeqBlk(), 0);
    EXPECT_EQ(open(), std::set<ViewKind>{ViewKind::SeqBlk});
    EXPECT_EQ(views.reopenFlags(), 0x0F);
    EXPECT_TRUE(host.posted.empty());  // closing for the sequential view reopens nothing

    host.log.clear();
    ASSERT_TRUE(host.userClose(ViewKind::SeqBlk));
    // Nothing opens inside the destruction: the chain is posted.
    EXPECT_EQ(host.log, (std::vector<std::string>{"closed SeqBlk", "post"}));
    EXPECT_EQ(views.reopenFlags(), 0);
    host.runPosted();
    // In order, each opener complete before the next; the block list takes
    // the place of System and Communication as its own opener does.
    const std::vector<std::string> creates = [&] {
        std::vector<std::string> c;
        for (const auto& l : host.log)
            if (l.rfind("create", 0) == 0) c.push_back(l);
        return c;
    }();
    EXPECT_EQ(creates, (std::vector<std::string>{"create System", "create DenTan", "create BlkList", "create AnaTan"}));
    EXPECT_EQ(open(), (std::set<ViewKind>{ViewKind::BlkList, ViewKind::AnaTan}));
    EXPECT_EQ(views.reopenFlags(), 0x30);
}

TEST_F(ViewManagerTest, BlockListReplacesSystemUntilTheLastOfTheBlockViewsCloses)
{
    views.openSystem();
    ASSERT_EQ(views.openBlkList(), 0);
    EXPECT_EQ(open(), std::set<ViewKind>{ViewKind::BlkList});
    EXPECT_EQ(views.reopenFlags(), ReopenSystemAfterBlk);
    ASSERT_EQ(views.openAnaTan(), 0);

    host.userClose(ViewKind::BlkList);
    host.runPosted();
    EXPECT_FALSE(views.frameExists(ViewKind::System));  // analog still open
    host.userClose(ViewKind::AnaTan);
    host.runPosted();
    EXPECT_EQ(open(), std::set<ViewKind>{ViewKind::System});
    EXPECT_EQ(views.reopenFlags(), 0);
}

TEST_F(ViewManagerTest, LadderCloseReopensSequentialOnlyWhenAsked)
{
    views.openSystem();
    views.openSeqBlk();
    views.setReopenFlags(views.reopenFlags() | ReopenSeqAfterLadder);
    views.openLadder();
    host.userClose(ViewKind::SeqBlk);  // ladder still open: nothing yet
    EXPECT_TRUE(host.posted.empty());
    host.userClose(ViewKind::Ladder);
    host.runPosted();
    EXPECT_EQ(open(), std::set<ViewKind>{ViewKind::SeqBlk});
    EXPECT_EQ(views.reopenFlags(), ReopenSystemAfterSeq);
}

TEST_F(ViewManagerTest, RefusedReopenDoesNotStopTheChain)
{
    views.openSystem();
    views.openSeqBlk();
    views.setReopenFlags(views.reopenFlags() | ReopenBlkListAfterSeq);
    hooks.unitOk = false;
    host.userClose(ViewKind::SeqBlk);
    host.runPosted();
    EXPECT_EQ(open(), std::set<ViewKind>{ViewKind::System});
}

TEST_F(ViewManagerTest, UnitCheckGuardsTheBlockOpeners)
{
    hooks.unitOk = false;
    EXPECT_EQ(views.openBlkList(), -1);
    EXPECT_EQ(views.openAnaTan(), -1);
    EXPECT_EQ(views.openSeqBlk(), -1);
    EXPECT_TRUE(open().empty());
    EXPECT_EQ(views.openLadder(), 0);  // no guard of its own
}

TEST_F(ViewManagerTest, WiringViewVetoesLeaving)
{
    views.openSystem();
    views.openAnaTan();
    hooks.refusingCommit.insert(ViewKind::AnaTan);
    EXPECT_EQ(views.openSystem(), -1);
    EXPECT_EQ(views.openSeqBlk(), -1);
    EXPECT_FALSE(views.frameMayClose(ViewKind::AnaTan));
    EXPECT_EQ(open(), std::set<ViewKind>{ViewKind::AnaTan});
    EXPECT_EQ(views.openBlkList(), 0);  // guarded by the communication view only
}

TEST_F(ViewManagerTest, LadderThatDoesNotTranslateStaysOpen)
{
    views.openLadder();
    hooks.pending = true;
    hooks.ladderTranslates = false;
    EXPECT_EQ(views.openSystem(), -1);
    EXPECT_EQ(views.openBlkList(), -1);
    EXPECT_EQ(views.openSeqBlk(), -1);
    EXPECT_EQ(open(), std::set<ViewKind>{ViewKind::Ladder});
    hooks.ladderTranslates = true;
    EXPECT_EQ(views.openSystem(), 0);
    EXPECT_EQ(open(), std::set<ViewKind>{ViewKind::System});
}

TEST_F(ViewManagerTest, LadderCloseBoxAsksOnlyWithPendingEdit)
{
    views.openLadder();
    hooks.pending = true;
    hooks.discardAllowed = false;
    EXPECT_FALSE(host.userClose(ViewKind::Ladder));
    EXPECT_EQ(hooks.restored, 0);
    hooks.discardAllowed = true;
    EXPECT_TRUE(host.userClose(ViewKind::Ladder));
    EXPECT_EQ(hooks.restored, 1);
    views.openLadder();
    hooks.pending = false;
    hooks.discardAllowed = false;  // not asked
    EXPECT_TRUE(host.userClose(ViewKind::Ladder));
    EXPECT_EQ(hooks.restored, 2);
}

TEST_F(ViewManagerTest, CloseAllViewsKeepsFlagsAndReopensNothing)
{
    views.openSystem();
    views.openDenTan();
    views.openSeqBlk();
    views.openLadder();
    ASSERT_EQ(views.reopenFlags(), 0x03);
    hooks.closing.clear();
    views.closeAllViews();
    EXPECT_TRUE(open().empty());
    EXPECT_TRUE(host.posted.empty());
    EXPECT_EQ(views.reopenFlags(), 0x03);
    EXPECT_FALSE(views.closingAllViews());
    EXPECT_EQ(hooks.closing, (std::vector<std::string>{"Ladder", "SeqBlk"}));
}

TEST_F(ViewManagerTest, ChainPostedBeforeShutdownDoesNotRun)
{
    views.openSystem();
    views.openSeqBlk();
    host.userClose(ViewKind::SeqBlk);
    views.beginShutdown();
    host.runPosted();
    EXPECT_TRUE(open().empty());
}

TEST_F(ViewManagerTest, PlacementIsKeptAndUsedForTheNextFrame)
{
    views.setMaximizedChildren(true);
    views.openSystem();
    EXPECT_EQ(host.geometries.back().rect.width, 1001);
    EXPECT_TRUE(host.geometries.back().maximized);
    host.userClose(ViewKind::System);
    views.openSystem();
    const Placement& p = host.geometries.back().rect;
    EXPECT_EQ((std::vector<int>{p.x, p.y, p.width, p.height}), (std::vector<int>{1, 2, 3, 4}));

    views.openPrint();
    EXPECT_TRUE(host.geometries.back().hidden);
    EXPECT_FALSE(host.geometries.back().maximized);
    EXPECT_EQ(views.state(ViewKind::Print), SlotOpening);  // never reaches open
    views.closePrint();
    EXPECT_FALSE(views.slot(ViewKind::Print).placement.valid);
}

TEST_F(ViewManagerTest, Ht9OpenerClearsItsCommandFlagAndHonoursCancel)
{
    struct CancelHooks : FakeHooks {
        bool chooseHt9Connection() override { return false; }
    } cancel;
    ViewManager other(host, cancel);
    host.views = &other;
    EXPECT_EQ(other.openHt9(), -1);
    EXPECT_TRUE(other.commandFlags().ht9Command);
    host.views = &views;
    EXPECT_EQ(views.openHt9(), 0);
    EXPECT_FALSE(views.commandFlags().ht9Command);
}

}  // namespace
}  // namespace kravin::shell
