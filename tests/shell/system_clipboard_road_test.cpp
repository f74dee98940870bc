// Copy and paste of a card through the real main frame and the system clipboard.
#include "KRAVinA.h"
#include "clipboard.h"
#include "command_ids.h"
#include "shell_fixture.h"
#include "system_view_logic.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>

#include <algorithm>
#include <cstring>

namespace kravin::shell {
namespace {

using test::ShellFixture;
namespace syscmd = editors::syscmd;

class ClipboardRoad : public ShellFixture {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(start());
        const int kind = app->masters().card.find("QV200");
        ASSERT_GT(kind, 0);
        app->systemTables().cardKind[0][0] = kind;
        const std::string folder = session().projectRecord.workFolder;
        char head[500] = {};
        KRAVinA_Data_Get(0, 0, head, folder.c_str());
        std::memset(head, 0, sizeof head);
        std::memcpy(head, "00SYS", 5);
        std::memcpy(head + 5 * 30, "76PVA", 5);
        ASSERT_EQ(KRAVinA_Data_Write(0, 0, head, folder.c_str()), 0);
    }

    ShellSystemView* view() { return app->systemView(); }

    // A viewport point inside the cell of station s, card column c.
    QPoint cellPoint(int s, int c)
    {
        ShellSystemView* v = view();
        const QPoint scroll = v->scrollPosition();
        return QPoint(v->ToZoomed(editors::cellLeft(c) + 20), v->ToZoomed(editors::cellTop(s) + 19)) - scroll;
    }

    // The context menu over a cell (which selects it), and whether it offers a command.
    bool menuOffers(int s, int c, int command)
    {
        const std::vector<int> ids = view()->prepareContextMenu(cellPoint(s, c));
        return std::find(ids.begin(), ids.end(), command) != ids.end();
    }

    std::string item(int s, int libCard, int block, int item)
    {
        char head[500];
        KRAVinA_Data_Get(s, libCard, head, session().projectRecord.workFolder.c_str());
        char v[17] = {};
        KRAVinA_Data_Item_Get(block, item, v);
        return v;
    }
};

TEST_F(ClipboardRoad, CopyACardAndPasteItIntoAnotherSlot)
{
    ASSERT_NE(view(), nullptr);
    // Copy from the card's context menu: the copy is on the system clipboard.
    ASSERT_TRUE(menuOffers(0, 1, syscmd::Copy));
    Q_EMIT view()->commandRequested(syscmd::Copy);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat(model::ClipboardMimeType(QStringLiteral("KRAV3 system data"))));

    // Paste from the empty slot's context menu.
    ASSERT_TRUE(menuOffers(0, 5, syscmd::Paste));
    Q_EMIT view()->commandRequested(syscmd::Paste);
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
    EXPECT_EQ(app->systemTables().cardKind[0][4], app->systemTables().cardKind[0][0]);
    EXPECT_EQ(item(0, 4, 0, 51), "4");
    EXPECT_EQ(session().projectRecord.modified, 1);

    // Edit Paste into slot 7 after a click on it.
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, cellPoint(0, 7));
    frame().refresh();
    ASSERT_TRUE(frame().action(cmd::EditPaste)->isEnabled());
    ASSERT_TRUE(frame().trigger(cmd::EditPaste));
    EXPECT_GT(app->systemTables().cardKind[0][6], 0);
    EXPECT_EQ(item(0, 6, 0, 51), "6");

    // Both pastes undo through Edit Undo.
    frame().refresh();
    ASSERT_TRUE(frame().action(cmd::EditUndo)->isEnabled());
    ASSERT_TRUE(frame().trigger(cmd::EditUndo));
    EXPECT_EQ(app->systemTables().cardKind[0][6], 0);
    ASSERT_TRUE(frame().trigger(cmd::EditUndo));
    EXPECT_EQ(app->systemTables().cardKind[0][4], 0);
}

TEST_F(ClipboardRoad, EditCutMovesTheCard)
{
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, cellPoint(0, 1));
    frame().refresh();
    ASSERT_TRUE(frame().action(cmd::EditCut)->isEnabled());
    ASSERT_TRUE(frame().trigger(cmd::EditCut));
    EXPECT_EQ(app->systemTables().cardKind[0][0], 0);
    ASSERT_TRUE(menuOffers(0, 2, syscmd::Paste));
    Q_EMIT view()->commandRequested(syscmd::Paste);
    EXPECT_GT(app->systemTables().cardKind[0][1], 0);
    EXPECT_EQ(item(0, 1, 0, 51), "1");
}

}  // namespace
}  // namespace kravin::shell
