#include "child_frame.h"
#include "command_ids.h"
#include "online_monitor.h"
#include "shell_fixture.h"
#include "system_view_logic.h"

#include <QComboBox>
#include <QImage>
#include <QTest>

namespace kravin::shell {
namespace {

using editors::Cell;
using test::ShellFixture;

constexpr int kStation = 1;
constexpr int kCard = 1;  // card column 1, slot label "0"

// First kind of a master whose name passes keep.
template <class Keep>
int firstKind(const model::CardKindMaster& master, Keep keep)
{
    for (int k = 1; k < model::kKindEntries; ++k)
        if (!master.name[k].empty() && keep(master.name[k])) return k;
    return -1;
}

class SystemViewPageTest : public ShellFixture {
protected:
    ShellSystemView* view() { return app->systemView(); }

    // Pixels of the occupied colour inside a cell: an occupied cell is filled with it.
    int occupiedPixels(Cell cell)
    {
        ShellSystemView* v = view();
        const QImage image = v->viewport()->grab().toImage();
        const editors::IntRect r = editors::cellRect(cell, v->zoom());
        int n = 0;
        for (int y = r.y; y < r.y + r.height && y < image.height(); ++y)
            for (int x = r.x; x < r.x + r.width && x < image.width(); ++x)
                n += image.pixelColor(x, y) == QColor(192, 192, 192);
        return n;
    }
    bool looksOccupied(Cell cell) { return occupiedPixels(cell) > 44 * 38 / 2; }

    // A station with one card that has a block list, saved as plant.KRA.
    std::string saveFixtureProject()
    {
        const int station = firstKind(app->masters().station, [](const std::string&) { return true; });
        const int card = firstKind(app->masters().card, [](const std::string& n) {
            return editors::hasBlockList(n) && !editors::isTwoSlotModel(n) && !editors::modelIs(n, "V8RTU");
        });
        EXPECT_GT(station, 0);
        EXPECT_GT(card, 0);
        model::SystemConfigTables& t = app->systemTables();
        t.stationKind[kStation] = station;
        t.cardKind[kStation][kCard - 1] = card;
        const std::string path = dir / "plant.KRA";
        prompt.dialog([=](model::ProjectDialogData& d) {
            d.name = "Plant";
            d.location = path;
            return true;
        });
        EXPECT_TRUE(frame().trigger(cmd::FileSave));
        return path;
    }
};

TEST_F(SystemViewPageTest, OpenedProjectShowsItsCardsAndNewClearsThem)
{
    start();
    ASSERT_NE(view(), nullptr);
    EXPECT_EQ(frame().frame(ViewKind::System)->view(), view());
    EXPECT_FALSE(looksOccupied({kStation, kCard}));
    const std::string path = saveFixtureProject();

    ASSERT_TRUE(frame().trigger(cmd::FileNew));
    ASSERT_NE(view(), nullptr);
    EXPECT_EQ(app->systemTables().cardKind[kStation][kCard - 1], 0);
    EXPECT_FALSE(looksOccupied({kStation, 0}));
    EXPECT_FALSE(looksOccupied({kStation, kCard}));

    prompt.file(path);
    ASSERT_TRUE(frame().trigger(cmd::FileOpen));
    ASSERT_NE(view(), nullptr);
    EXPECT_TRUE(looksOccupied({kStation, 0}));
    EXPECT_TRUE(looksOccupied({kStation, kCard}));
    EXPECT_FALSE(looksOccupied({kStation, kCard + 1}));
    EXPECT_FALSE(editors::cellText(app->masters(), app->systemTables(), {kStation, kCard}, {}).name.empty());

    ASSERT_TRUE(frame().trigger(cmd::FileNew));
    EXPECT_FALSE(looksOccupied({kStation, kCard}));
    EXPECT_EQ(app->unitSelection().current().station, -1);
}

TEST_F(SystemViewPageTest, OpeningAProjectResolvesTheMonitorTarget)
{
    start();
    const std::string path = saveFixtureProject();
    online::OnlineState& state = app->onlineMonitor()->state();
    online::MonitorTargets targets = state.Targets();
    targets.station = kStation;
    targets.card = kCard - 1;
    targets.rows[0].ggnn = 9901;       // a group the card does not use
    targets.rows[0].resolvedItem = 7;
    state.SetTargets(targets);
    ASSERT_TRUE(frame().trigger(cmd::FileNew));

    prompt.file(path);
    ASSERT_TRUE(frame().trigger(cmd::FileOpen));
    const model::MonitorTargetUnit& target = app->unitContext().monitorTarget;
    EXPECT_EQ(target.station, kStation);
    EXPECT_EQ(target.card, kCard);
    EXPECT_EQ(std::string(target.model.data(), target.model.size()),
              app->masters().card.name[app->systemTables().cardKind[kStation][kCard - 1]].substr(0, 8));
    EXPECT_EQ(state.Targets().rows[0].resolvedItem, -1);
    EXPECT_TRUE(app->monitorContext().UnitAt(kStation, kCard - 1).exists);
}

TEST_F(SystemViewPageTest, ClickSelectsTheCurrentUnitAndTheEditRulesFollowIt)
{
    start();
    saveFixtureProject();
    ShellSystemView* v = view();
    ASSERT_NE(v, nullptr);
    frame().refresh();
    EXPECT_FALSE(frame().action(cmd::EditDelete)->isEnabled());

    const editors::IntRect r = editors::cellRect({kStation, kCard}, v->zoom());
    const QPoint centre(r.x + r.width / 2, r.y + r.height / 2);
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, centre);
    EXPECT_EQ(app->unitContext().g_curStation, kStation);
    EXPECT_EQ(app->unitContext().g_curCard, kCard);
    EXPECT_FALSE(app->unitSelection().current().model.empty());
    frame().refresh();
    EXPECT_TRUE(frame().action(cmd::EditDelete)->isEnabled());
    EXPECT_TRUE(frame().action(cmd::EditCut)->isEnabled());
    EXPECT_FALSE(frame().action(cmd::EditPaste)->isEnabled());  // no clipboard yet

    // Online, the view enables no Edit command.
    app->online().online = true;
    frame().refresh();
    EXPECT_FALSE(frame().action(cmd::EditDelete)->isEnabled());
    app->online().online = false;

    // A double click on the card opens its function block list through the view manager.
    QTest::mouseDClick(v->viewport(), Qt::LeftButton, {}, centre);
    EXPECT_TRUE(frame().views().frameExists(ViewKind::BlkList));
}

TEST_F(SystemViewPageTest, ZoomBoxAndRedrawReachTheView)
{
    start();
    ShellSystemView* v = view();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(frame().zoomBox()->currentText(), QStringLiteral("100%"));
    EXPECT_EQ(frame().applyZoomText(QStringLiteral("50%")), 0);
    EXPECT_EQ(v->zoomPercent(), 50);

    // 40600 asks for a full repaint by the slot protocol; the paint puts the slot back.
    v->viewport()->grab();
    ASSERT_EQ(frame().views().state(ViewKind::System), SlotOpen);
    EXPECT_TRUE(frame().sendCommand(static_cast<int>(ViewKind::System), cmd::SystemRedraw));
    EXPECT_EQ(frame().views().state(ViewKind::System), SlotRedrawBackground);
    v->viewport()->grab();
    EXPECT_EQ(frame().views().state(ViewKind::System), SlotOpen);
}

}  // namespace
}  // namespace kravin::shell
