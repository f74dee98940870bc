// Switching projects through the real main frame: the undo histories of one
// project never reach the next, and a File > Open that is cancelled or refused
// leaves the open project and its views as they were.
#include "analog_dialogs.h"
#include "anatan_page.h"
#include "child_frame.h"
#include "open_view.h"
#include "dentan_page.h"
#include "block_list_page.h"
#include "sequence_views.h"
#include "shared_dialogs.h"
#include "system_view_logic.h"
#include "view_bar.h"
#include "wiring_road.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>
#include <filesystem>
#include <map>

namespace kravin::shell {
namespace {

using test::WiringRoad;

// Every comment the analog view asks for is "pump".
struct AnalogDialogs final : test::ScriptedAnalogDialogs {
    AnalogDialogs() { commentText = "pump"; }
};

class CommDialogs final : public wiring::comm::DenTanDialogs, public model::CommentDialog {
public:
    std::optional<wiring::comm::DevicePlace> deviceLayout(const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> jumpName() override { return std::nullopt; }
    std::optional<std::pair<int, std::uint32_t>> lineFormat(int, std::uint32_t) override { return std::nullopt; }
    model::CommentDialog* commentDialog() override { return this; }
    bool run(model::CommentDialogData& d) override
    {
        d.text = "PUMP";
        d.colour = 0x00FFFF;
        return true;
    }
};

using Files = std::map<std::string, std::vector<char>>;

enum class Edit { Station, Block, Sequence, Ladder, Analog, AnalogLayer, Comm, CommLayer };

const char* editName(Edit e)
{
    switch (e) {
    case Edit::Station: return "station";
    case Edit::Block: return "block";
    case Edit::Sequence: return "sequence";
    case Edit::Ladder: return "ladder";
    case Edit::Analog: return "analog";
    case Edit::AnalogLayer: return "analog layer";
    case Edit::Comm: return "communication";
    case Edit::CommLayer: return "communication layer";
    }
    return "";
}

class ProjectSwitchRoad : public WiringRoad {
protected:
    std::string pathA, pathB;
    AnalogDialogs analogDialogs;
    CommDialogs commDialogs;

    static QPoint at(double x, double y) { return {static_cast<int>(x * 16), static_cast<int>(y * 16)}; }

    // Station 0 with QV200 cards in slots 1 and 2 and an empty station 1, saved as
    // A and copied to B; A stays open.
    void makeProjects()
    {
        start();
        placeStation(0, "RNH6", 2, 6);
        placeCard(0, 1, "QV200", 2, 20);
        placeCard(0, 2, "QV200", 30, 20);
        placeStation(1, "63NW", 2, 40);
        pathA = saveProject("A");
        pathB = dir / "other.KRA";
        std::filesystem::copy_file(pathA, pathB);
    }

    // File > Open of path; a modified project is not saved.
    void openProject(const std::string& path)
    {
        // A ladder edit its translation rejects is dropped first (7000), then the
        // project's own changes are offered for saving.
        if (app->sequenceViews()->ladderInEditMode()) {
            prompt.answer(7000, model::Answer::Ok);
            if (session().projectRecord.modified) prompt.answer(7001, model::Answer::No);
        } else if (asksToSave()) {
            prompt.answer(7001, model::Answer::No);
        }
        prompt.file(path);
        ASSERT_TRUE(frame().trigger(cmd::FileOpen));
        ASSERT_EQ(session().projectRecord.path, path);
        ASSERT_EQ(session().projectRecord.modified, 0);
    }

    bool asksToSave() { return session().projectRecord.modified || app->sequenceViews()->ladderPending(); }

    Files workFiles()
    {
        Files out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(work()))
            if (e.is_regular_file()) out[e.path().lexically_relative(work()).string()] = test::fileBytes(e.path());
        return out;
    }

    sequence::SeqBlkView* seqPage() { return test::openView<sequence::SeqBlkView>(frame(), ViewKind::SeqBlk); }
    ladder::LadderView* ladderPage() { return test::openView<ladder::LadderView>(frame(), ViewKind::Ladder); }
    ShellBlockListView* listPage()
    {
        ChildFrame* f = frame().frame(ViewKind::BlkList);
        return f ? qobject_cast<ShellBlockListView*>(f->view()) : nullptr;
    }

    // The view an edit is made in, on card 1 of station 0.
    void openView(Edit e)
    {
        switch (e) {
        case Edit::Station:
            ASSERT_TRUE(frame().views().frameExists(ViewKind::System) || frame().trigger(cmd::ViewSystem));
            app->unitSelection().select(1, 1);
            break;
        case Edit::Block:
            app->unitSelection().select(0, 1);
            app->unitSelection().loadUnitBlocks();
            ASSERT_TRUE(frame().trigger(cmd::ViewBlkList));
            ASSERT_NE(listPage(), nullptr);
            break;
        case Edit::Sequence:
        case Edit::Ladder:
            app->unitSelection().select(0, 1);
            app->unitSelection().loadUnitBlocks();
            ASSERT_TRUE(frame().trigger(cmd::ViewSeqBlk));
            ASSERT_NE(seqPage(), nullptr);
            if (e == Edit::Ladder) {
                QTest::mouseClick(seqPage()->viewport(), Qt::LeftButton, {}, QPoint(10 + 30, 19));
                if (!app->sequenceViews()->session().GroupEnabled(81))
                    seqPage()->runCommand(sequence::seqcmd::EnableSetting);
                QTest::mouseDClick(seqPage()->viewport(), Qt::LeftButton, {}, QPoint(30, 50));
                QCoreApplication::processEvents();
                ASSERT_NE(ladderPage(), nullptr);
            }
            break;
        case Edit::Analog:
        case Edit::AnalogLayer:
            app->unitSelection().select(0, 1);
            ASSERT_TRUE(frame().trigger(cmd::ViewAnaTan));
            ASSERT_NE(app->anaTanPage(), nullptr);
            app->anaTanPage()->view()->setDialogs(&analogDialogs);
            app->anaTanPage()->resize(1200, 1000);
            break;
        case Edit::Comm:
        case Edit::CommLayer:
            ASSERT_TRUE(frame().trigger(cmd::ViewDenTan));
            ASSERT_NE(app->denTanPage(), nullptr);
            app->denTanPage()->view()->setDialogs(&commDialogs);
            app->denTanPage()->resize(1400, 900);
            break;
        }
    }

    // One edit in the open view, as the user makes it.
    void edit(Edit e)
    {
        switch (e) {
        case Edit::Station:
            ASSERT_TRUE(app->placeDevice("QV200", "1.00")) << ::testing::PrintToString(prompt.ids());
            break;
        case Edit::Block: {
            QTimer::singleShot(0, [] {
                auto* d = qobject_cast<editors::ListSelectDialog*>(QApplication::activeModalWidget());
                ASSERT_NE(d, nullptr);
                const auto found = d->list()->findItems(QStringLiteral("PVA"), Qt::MatchStartsWith);
                if (!found.isEmpty()) d->list()->setCurrentItem(found.front());
                d->accept();
            });
            QTest::mouseDClick(listPage()->viewport(), Qt::LeftButton, {}, listPage()->cellCentre(31));
            break;
        }
        case Edit::Sequence:
            QTest::mouseClick(seqPage()->viewport(), Qt::LeftButton, {}, QPoint(10 + 30, 19));
            seqPage()->runCommand(app->sequenceViews()->session().GroupEnabled(81) ? sequence::seqcmd::DisableSetting
                                                                                    : sequence::seqcmd::EnableSetting);
            break;
        case Edit::Ladder:
            QTest::keyClick(ladderPage(), Qt::Key_Down);
            QTimer::singleShot(0, [] {
                QWidget* w = QApplication::activeModalWidget();
                ASSERT_NE(w, nullptr);
                w->findChild<QLineEdit*>()->setText(QStringLiteral("1115"));
                w->findChild<QPushButton*>(QStringLiteral("IDOK"))->click();
            });
            QTest::keyClick(ladderPage(), 'a');
            ASSERT_TRUE(ladderPage()->editor().undo().CanUndo());
            break;
        case Edit::Analog:
            analogDialogs.groups = {30};
            dropPaletteItem(*app->anaTanPage()->palette(), app->anaTanPage()->view()->viewport(), "ADS", at(20, 20));
            break;
        case Edit::AnalogLayer:
        case Edit::CommLayer:
            ASSERT_TRUE(frame().trigger(cmd::EditComment));
            break;
        case Edit::Comm:
            dropPaletteItem(*app->denTanPage()->palette(), app->denTanPage()->view()->viewport(), "CDO", at(3.5, 17));
            break;
        }
        frame().refresh();
        ASSERT_TRUE(frame().action(cmd::EditUndo)->isEnabled());
    }

    bool anyHistory()
    {
        bool any = app->stationUndo().CanUndo() || app->stationUndo().CanRedo() || app->blockUndo().CanUndo() ||
                   app->blockUndo().CanRedo() || app->sequenceViews()->session().seqUndo.CanUndo() ||
                   app->sequenceViews()->session().seqUndo.CanRedo();
        if (ladderPage()) any = any || ladderPage()->editor().undo().CanUndo();
        return any;
    }
};

TEST_F(ProjectSwitchRoad, NoHistoryOfOneProjectReachesTheNext)
{
    makeProjects();
    openProject(pathB);
    prompt.clearLog();
    for (Edit e : {Edit::Station, Edit::Block, Edit::Sequence, Edit::Ladder, Edit::Analog, Edit::AnalogLayer,
                   Edit::Comm, Edit::CommLayer}) {
        SCOPED_TRACE(editName(e));
        openProject(pathA);
        openView(e);
        edit(e);
        openProject(pathB);
        EXPECT_EQ(app->unitContext().g_curStation, -1);
        EXPECT_FALSE(anyHistory());
        openView(e);
        // The ladder opens on a group enabled in B: that edit is B's own.
        const Files before = workFiles();
        const int modified = session().projectRecord.modified;
        if (e == Edit::Ladder) {
            EXPECT_FALSE(ladderPage()->editor().undo().CanUndo());
        } else {
            EXPECT_FALSE(anyHistory());
            frame().refresh();
            EXPECT_FALSE(frame().action(cmd::EditUndo)->isEnabled());
            EXPECT_FALSE(frame().action(cmd::EditRedo)->isEnabled());
        }
        frame().trigger(cmd::EditUndo);
        frame().trigger(cmd::EditRedo);
        EXPECT_TRUE(workFiles() == before);
        EXPECT_EQ(session().projectRecord.modified, modified);
    }
}

TEST_F(ProjectSwitchRoad, ACancelledOrRefusedOpenLeavesEveryViewWorking)
{
    makeProjects();
    for (Edit e : {Edit::Station, Edit::Block, Edit::Sequence, Edit::Ladder, Edit::Analog, Edit::Comm}) {
        for (const bool refused : {false, true}) {
            SCOPED_TRACE(std::string(editName(e)) + (refused ? " refused" : " cancelled"));
            openProject(refused ? pathB : pathA);
            openView(e);
            const int station = app->unitContext().g_curStation, card = app->unitContext().g_curCard;
            const Files before = workFiles();
            prompt.clearLog();
            // Cancel in the file dialog, or the open project chosen again.
            std::vector<int> asked;
            if (asksToSave()) {
                prompt.answer(7001, model::Answer::No);
                asked.push_back(7001);
            }
            if (refused) asked.push_back(7011);
            prompt.file(refused ? std::optional<std::string>(session().projectRecord.path) : std::nullopt);
            frame().trigger(cmd::FileOpen);
            EXPECT_EQ(prompt.ids(), asked);
            prompt.clearLog();
            EXPECT_EQ(app->unitContext().g_curStation, station);
            EXPECT_EQ(app->unitContext().g_curCard, card);
            ASSERT_NE(frame().frame(e == Edit::Station    ? ViewKind::System
                                    : e == Edit::Block    ? ViewKind::BlkList
                                    : e == Edit::Sequence ? ViewKind::SeqBlk
                                    : e == Edit::Ladder   ? ViewKind::Ladder
                                    : e == Edit::Analog   ? ViewKind::AnaTan
                                                          : ViewKind::DenTan),
                      nullptr);
            edit(e);
            EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
            if (e == Edit::Ladder) {
                // The ladder's edit stays pending until it is settled.
                EXPECT_TRUE(app->sequenceViews()->ladderPending());
            } else {
                EXPECT_TRUE(workFiles() != before);
                EXPECT_EQ(session().projectRecord.modified, 1);
            }
            // The edit's undo history is the one of this project.
            frame().refresh();
            EXPECT_TRUE(frame().action(cmd::EditUndo)->isEnabled());
        }
    }
}

}  // namespace
}  // namespace kravin::shell
