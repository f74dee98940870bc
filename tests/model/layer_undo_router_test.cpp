#include "layer_undo_router.h"

#include "layer_fakes.h"
#include "undo_fakes.h"

#include <gtest/gtest.h>

namespace kravin::model {
namespace {

using test::Files;
using test::FakeView;

class Host : public BlockUndoHost, public StationUndoHost {
public:
    explicit Host(std::string folder) : folder_(std::move(folder)) {}
    int station() const override { return 1; }
    int card() const override { return 2; }
    std::string workFolder() const override { return folder_; }
    int currentGroup() const override { return 0; }
    bool specialGroupMode() const override { return false; }
    void setCurrentGroup(int, bool) override {}
    BlockCode blockCode(int) const override { return {}; }
    void setBlockCode(int, const BlockCode&) override {}
    UndoView* activeView() override { return view; }
    void setModified() override {}
    SystemConfigTables& tables() override { return t; }
    const CardKindMasters& masters() const override { return m; }
    int currentStation() const override { return 1; }
    int currentCard() const override { return 2; }
    void selectUnit(int, int) override {}

    std::string folder_;
    SystemConfigTables t;
    CardKindMasters m;
    UndoView* view = nullptr;
};

struct RouterTest : ::testing::Test {
    test::ProjectFolder project;
    Host host{project.str()};
    CBlockUndo blockStore{host};
    CStationUndo stationStore{host};
    LayerUndoRouter router{blockStore, stationStore, [this] { return host.view; }};
    test::ScriptedDialog dialog;
    LayerEnv env{nullptr, nullptr, &router};

    std::unique_ptr<FakeView> open(WiringViewKind kind)
    {
        auto view = kind == WiringViewKind::Analog
                        ? std::make_unique<FakeView>(kind, project.str(), commentFileName(1, 2), figureFileName(1, 2), env)
                        : std::make_unique<FakeView>(kind, project.str(), kCommCommentFile, kCommFigureFile, env);
        host.view = view.get();
        return view;
    }
};

TEST_F(RouterTest, MultiDeleteUndoesAsOneStepInEitherView)
{
    for (auto kind : {WiringViewKind::Analog, WiringViewKind::Comm}) {
        auto view = open(kind);
        CUndoRing& store = kind == WiringViewKind::Analog ? static_cast<CUndoRing&>(blockStore) : stationStore;
        for (int i = 0; i < 6; ++i) ASSERT_TRUE(view->comments.AddAt(i * 10, 1, dialog));
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(view->figures.AddFigure(i, 40, 0xFF));
        const Files before = project.files();
        view->comments.SelectAll();
        view->comments.DeleteSelected();
        view->figures.SelectAll();
        view->figures.DeleteSelected();
        const Files after = project.files();
        auto undo = [&] { return kind == WiringViewKind::Analog ? blockStore.Undo() : stationStore.Undo(); };
        auto redo = [&] { return kind == WiringViewKind::Analog ? blockStore.Redo() : stationStore.Redo(); };
        ASSERT_EQ(undo(), StepResult::Restored);
        ASSERT_EQ(undo(), StepResult::Restored);
        EXPECT_EQ(test::changedFiles(project.files(), before), std::vector<std::string>{});
        for (int s = 0; s < 6; ++s) EXPECT_TRUE(view->comments.used(s));
        ASSERT_EQ(redo(), StepResult::Restored);
        ASSERT_EQ(redo(), StepResult::Restored);
        EXPECT_EQ(test::changedFiles(project.files(), after), std::vector<std::string>{});
        EXPECT_FALSE(store.CanRedo());
    }
}

TEST_F(RouterTest, AddThatCompactsUndoesToTheSameBytes)
{
    auto view = open(WiringViewKind::Analog);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(view->comments.AddAt(i * 10, 1, dialog));
    view->comments.SelectAt(11, 2, false);
    view->comments.SelectAt(21, 2, true);
    view->comments.DeleteSelected();  // slots 1 and 2 free
    const Files before = project.files();
    dialog.text = "new";
    ASSERT_TRUE(view->comments.AddAt(50, 1, dialog));
    EXPECT_EQ(view->comments.record(1).x, 30);
    const Files after = project.files();
    ASSERT_EQ(blockStore.Undo(), StepResult::Restored);
    EXPECT_EQ(test::changedFiles(project.files(), before), std::vector<std::string>{});
    EXPECT_EQ(view->comments.record(3).x, 30);
    ASSERT_EQ(blockStore.Redo(), StepResult::Restored);
    EXPECT_EQ(test::changedFiles(project.files(), after), std::vector<std::string>{});
}

TEST_F(RouterTest, MovesOfManyBoxesStayWithinTheFourStepHistory)
{
    auto view = open(WiringViewKind::Comm);
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(view->comments.AddAt(i * 10, 1, dialog));
    const Files before = project.files();
    view->comments.SelectAll();
    for (int step = 0; step < 4; ++step) {
        view->comments.BeginDrag(0, 0);
        view->comments.SetDragPoint(1, 2);
        view->comments.MoveSelected();
    }
    for (int step = 0; step < 4; ++step) ASSERT_EQ(stationStore.Undo(), StepResult::Restored);
    EXPECT_EQ(stationStore.Undo(), StepResult::Nothing);
    EXPECT_EQ(test::changedFiles(project.files(), before), std::vector<std::string>{});
}

TEST_F(RouterTest, OtherViewsRecordNothing)
{
    auto view = open(WiringViewKind::Analog);
    host.view = nullptr;
    ASSERT_TRUE(view->comments.AddAt(1, 1, dialog));
    ASSERT_TRUE(view->figures.AddFigure(1, 1, 0));
    EXPECT_FALSE(blockStore.CanUndo());
    EXPECT_FALSE(stationStore.CanUndo());
}

}  // namespace
}  // namespace kravin::model
