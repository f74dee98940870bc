// The communication terminal connection view through the real main frame:
// blocks dropped from its palette on two cards, the two terminals connected
// with the mouse through a bend, saved and opened again with the same diagram.
#include "child_frame.h"
#include "command_ids.h"
#include "dentan_page.h"
#include "palette_rules.h"
#include "shell_fixture.h"
#include "toolbox_dock.h"
#include "unit_files.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTest>

#include <filesystem>
#include <fstream>

namespace kravin::shell {
namespace {

using test::ShellFixture;

class NoDialogs final : public wiring::comm::DenTanDialogs {
public:
    std::optional<wiring::comm::DevicePlace> deviceLayout(const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> jumpName() override { return std::nullopt; }
    std::optional<std::pair<int, std::uint32_t>> lineFormat(int, std::uint32_t) override { return std::nullopt; }
};

std::vector<char> bytesOf(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class DenTanPageTest : public ShellFixture {
protected:
    DenTanPage* page() { return app->denTanPage(); }
    QWidget* viewport() { return page()->view()->viewport(); }
    static QPoint cell(double x, double y) { return {static_cast<int>(x * 16), static_cast<int>(y * 16)}; }

    // Station 0 (RNH6) with QV200 cards in slots 1 and 2, saved as plant.KRA.
    std::string saveFixtureProject()
    {
        model::SystemConfigTables& t = app->systemTables();
        t.stationKind[0] = app->masters().station.find("RNH6");
        t.stationX[0] = 2, t.stationY[0] = 6;
        for (int c : {0, 1}) {
            t.cardKind[0][c] = app->masters().card.find("QV200");
            t.cardX[0][c] = 2 + 28 * c;
            t.cardY[0][c] = 20;
        }
        EXPECT_GT(t.stationKind[0], 0);
        EXPECT_GT(t.cardKind[0][0], 0);
        const std::string path = dir / "plant.KRA";
        prompt.dialog([=](model::ProjectDialogData& d) {
            d.name = "Plant";
            d.location = path;
            return true;
        });
        EXPECT_TRUE(frame().trigger(cmd::FileSave));
        return path;
    }

    void open()
    {
        ASSERT_TRUE(frame().trigger(cmd::ViewDenTan));
        ASSERT_NE(page(), nullptr);
        page()->view()->setDialogs(&dialogs);
        page()->resize(1400, 900);
    }

    void dropItem(const std::string& name, QPoint at)
    {
        PaletteItem item;
        for (const PaletteCategory& c : page()->palette()->categories())
            for (const PaletteItem& i : c.items)
                if (i.name == name) item = i;
        ASSERT_EQ(item.name, name);
        std::unique_ptr<QMimeData> mime(paletteMime(item));
        QDragEnterEvent enter(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport(), &drop);
    }

    std::filesystem::path work() { return session().projectRecord.workFolder; }

    NoDialogs dialogs;
};

TEST_F(DenTanPageTest, ConnectTwoCardsSaveAndReopenGiveTheSameDiagram)
{
    start();
    const std::string path = saveFixtureProject();
    open();
    EXPECT_EQ(frame().frame(ViewKind::DenTan)->view(), page());
    EXPECT_TRUE(page()->palette()->isVisible());
    const auto& table = page()->view()->editor().table();
    ASSERT_TRUE(table.slot(0, -1)->used);
    ASSERT_TRUE(table.slot(0, 1)->used);

    // CDO on card 0's first terminal (top row), CDI on card 1's ninth (bottom row).
    dropItem("CDO", cell(3.5, 17));
    dropItem("CDI", cell(31.5, 24));
    ASSERT_EQ(table.terminal(0, 0, 11)->kind, 2);
    ASSERT_EQ(table.terminal(0, 1, 19)->kind, 1);
    EXPECT_TRUE(frame().action(cmd::EditUndo)->isEnabled());

    // From the CDO up, across, and down into the CDI.
    QWidget* vp = viewport();
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(3.5, 17));
    ASSERT_EQ(page()->view()->editor().linkMode(), 4);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(4, 12));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(60, 12));
    ASSERT_EQ(page()->view()->editor().breakPoints().size(), 2u);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(31.5, 24));
    const model::CommLinkTerminal& r = *table.terminal(0, 1, 19);
    ASSERT_EQ(r.link, 1);
    EXPECT_EQ(r.points, 2);
    EXPECT_EQ(r.sourceCard, 0);
    EXPECT_EQ(r.sourceTerminal, 11);
    const auto before = std::make_unique<model::CommLinkTable>(table);

    ASSERT_TRUE(frame().trigger(cmd::FileSave));
    const auto dcon = work() / model::dconPath(0, 2);
    const std::vector<char> dconBytes = bytesOf(dcon);
    ASSERT_FALSE(dconBytes.empty());

    ASSERT_TRUE(frame().trigger(cmd::FileNew));
    EXPECT_FALSE(frame().views().frameExists(ViewKind::DenTan));
    prompt.file(path);
    ASSERT_TRUE(frame().trigger(cmd::FileOpen));
    EXPECT_EQ(bytesOf(work() / model::dconPath(0, 2)), dconBytes);
    open();
    EXPECT_TRUE(page()->view()->editor().table() == *before);
}

TEST_F(DenTanPageTest, DoubleClickOnABoxOpensItsFunctionBlockList)
{
    start();
    saveFixtureProject();
    open();
    QTest::mouseDClick(viewport(), Qt::LeftButton, Qt::NoModifier, cell(40, 20));
    EXPECT_EQ(app->unitContext().g_curStation, 0);
    EXPECT_EQ(app->unitContext().g_curCard, 2);
    EXPECT_TRUE(frame().views().frameExists(ViewKind::BlkList));
}

TEST_F(DenTanPageTest, PaletteHoldsModelsAndTheFourBlocksAndNothingStartsOnline)
{
    start();
    saveFixtureProject();
    open();
    const auto& cats = page()->palette()->categories();
    ASSERT_EQ(cats.size(), 3u);
    std::vector<std::string> cards, blocks;
    for (const PaletteItem& i : cats[1].items) cards.push_back(i.name);
    for (const PaletteItem& i : cats[2].items) blocks.push_back(i.name + i.code);
    EXPECT_NE(std::find(cards.begin(), cards.end(), "QV200"), cards.end());
    EXPECT_EQ(std::find(cards.begin(), cards.end(), "TQRQ$"), cards.end());
    EXPECT_EQ(blocks, (std::vector<std::string>{"CDI31", "CDO32", "CAI33", "CAO34"}));
    // Help of a communication block whose document is missing: 7016.
    page()->palette()->openCategory(2);
    ASSERT_TRUE(page()->palette()->onItemHelp);
    page()->palette()->onItemHelp(&cats[2].items[0]);
    EXPECT_EQ(prompt.ids().back(), kMsgNoTerminalHelp);
    frame().applyZoomText(QStringLiteral("200%"));
    EXPECT_EQ(page()->view()->pitch(), 32);
    app->online().online = true;
    EXPECT_FALSE(page()->dragAllowed());
    EXPECT_FALSE(frame().action(cmd::EditUndo)->isEnabled());
    app->online().online = false;
}

}  // namespace
}  // namespace kravin::shell
