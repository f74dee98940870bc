// Copy and paste of a card through the real main frame and the system clipboard.
#include "KRAVinA.h"
#include "clipboard.h"
#include "command_ids.h"
#include "shared_dialogs.h"
#include "modal_script.h"
#include "shell_fixture.h"
#include "small_dialogs.h"
#include "system_view_logic.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QListWidget>
#include <QMimeData>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace kravin::shell {
namespace {

using test::ShellFixture;
namespace syscmd = editors::syscmd;

using test::answerNextDialog;

class ClipboardRoad : public ShellFixture {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(start());
        ASSERT_NO_FATAL_FAILURE(writeQv200Unit({{0, "00SYS"}, {30, "76PVA"}}));
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

    // A double click on the slot with the model chosen in the Model Selection dialog.
    void placeByDoubleClick(int s, int c, const std::string& model, const std::string& version)
    {
        answerNextDialog<editors::ModelSelectDialog>([model, version](editors::ModelSelectDialog* d) {
            const auto models = d->modelList()->findItems(QString::fromStdString(model), Qt::MatchStartsWith);
            ASSERT_FALSE(models.isEmpty());
            d->modelList()->setCurrentItem(models.front());
            const auto versions = d->versionList()->findItems(QString::fromStdString(version), Qt::MatchExactly);
            ASSERT_FALSE(versions.isEmpty());
            d->versionList()->setCurrentItem(versions.front());
            d->accept();
        });
        QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, cellPoint(s, c));
    }
    static void answerCardCount(int n)
    {
        answerNextDialog<editors::CardCountDialog>([n](editors::CardCountDialog* d) {
            d->edit()->setValue(n);
            d->accept();
        });
    }

    // The block codes of a unit file.
    std::string blockCodes(int s, int libCard)
    {
        char head[512] = {};
        KRAVinA_Data_Get(s, libCard, head, session().projectRecord.workFolder.c_str());
        return std::string(head, 500);
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

// A QV200 with its sequential program: groups 81 and 82 in use, 83..92 off
// with empty steps ("******"), group 83's marker left blank.
TEST_F(ClipboardRoad, APastedCardHoldsEveryItemOfItsSource)
{
    const auto set = [](int block, int item, const char* text) {
        char field[17] = {};
        std::strncpy(field, text, 16);
        KRAVinA_Data_Item_Set(block, item, field);
    };
    ASSERT_NO_FATAL_FAILURE(writeQv200Unit({{0, "00SYS"}, {30, "76PVA"}, {81, "95SEQ"}, {82, "95SEQ"}}, [&] {
        for (int b = 81; b <= 92; ++b) {
            set(b, 10, b <= 82 ? "95" : b == 83 ? "" : "**");
            for (int i = 11; i < 100; ++i) set(b, i, "******");
        }
        set(81, 11, "130000");
        set(81, 12, "070101");
        set(81, 13, "000000");
        set(82, 11, "000000");
    }));
    view()->update();
    ASSERT_TRUE(menuOffers(0, 1, syscmd::Copy));
    Q_EMIT view()->commandRequested(syscmd::Copy);
    ASSERT_TRUE(menuOffers(0, 5, syscmd::Paste));
    Q_EMIT view()->commandRequested(syscmd::Paste);
    ASSERT_EQ(app->systemTables().cardKind[0][4], app->systemTables().cardKind[0][0]);

    const std::string folder = session().projectRecord.workFolder;
    const auto items = [&](int libCard) {
        char head[512];
        KRAVinA_Data_Get(0, libCard, head, folder.c_str());
        std::vector<std::string> out;
        for (int b = 0; b < 100; ++b)
            for (int i = 0; i < 100; ++i) {
                char v[17] = {};
                KRAVinA_Data_Item_Get(b, i, v);
                out.emplace_back(v);
            }
        return out;
    };
    std::vector<std::string> source = items(0);
    const std::vector<std::string> pasted = items(4);
    ASSERT_EQ(source[100 * 84 + 50], "******");
    // The two items the paste sets itself.
    source[51] = "4";
    source[100 * 83 + 10] = "**";
    std::vector<std::string> differ;
    for (std::size_t k = 0; k < source.size(); ++k)
        if (pasted[k] != source[k])
            differ.push_back(std::to_string(k / 100) + "/" + std::to_string(k % 100) + "=" + pasted[k]);
    EXPECT_TRUE(differ.empty()) << differ.size() << " items differ, first " << differ.front();
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

TEST_F(ClipboardRoad, PasteIsOfferedOnAnOccupiedCardOnceACardWasCopied)
{
    const int kind = app->systemTables().cardKind[0][0];
    app->systemTables().cardKind[0][1] = kind;
    EXPECT_FALSE(menuOffers(0, 2, syscmd::Paste));
    ASSERT_TRUE(menuOffers(0, 1, syscmd::Copy));
    Q_EMIT view()->commandRequested(syscmd::Copy);
    ASSERT_TRUE(menuOffers(0, 2, syscmd::Paste));
    prompt.answer(8100, model::Answer::Ok);
    Q_EMIT view()->commandRequested(syscmd::Paste);
    EXPECT_EQ(item(0, 1, 30, 0).empty(), item(0, 0, 30, 0).empty());
    EXPECT_EQ(item(0, 1, 0, 51), "1");
    EXPECT_EQ(session().projectRecord.modified, 1);
}

TEST_F(ClipboardRoad, ARemoteStationOfSixCardsArrivesWholeInAnotherProject)
{
    // Station 3: V8RTU with card 1, then six cards through "Change the number of cards".
    answerCardCount(1);
    placeByDoubleClick(3, 0, "V8RTU", "2.00");
    ASSERT_GT(app->systemTables().stationKind[3], 0);
    placeByDoubleClick(3, 1, "V8RTU", "2.00");
    ASSERT_GT(app->systemTables().cardKind[3][0], 0) << ::testing::PrintToString(prompt.ids());
    answerCardCount(6);
    ASSERT_TRUE(menuOffers(3, 1, syscmd::ChangeCardCount));
    Q_EMIT view()->commandRequested(syscmd::ChangeCardCount);
    for (int c = 0; c < 6; ++c) ASSERT_GT(app->systemTables().cardKind[3][c], 0) << c;
    ASSERT_EQ(blockCodes(3, 5).substr(0, 5), "00SYS");
    std::vector<std::string> codes;
    for (int c = 0; c < 6; ++c) codes.push_back(blockCodes(3, c) + "/" + std::to_string(app->systemTables().cardKind[3][c]));
    const int stationKind = app->systemTables().stationKind[3];

    // Saved and opened again (as a second instance would find it), then copied.
    const std::string source = dir / "remote.KRA";
    prompt.dialog([=](model::ProjectDialogData& d) {
        d.name = "Remote";
        d.location = source;
        return true;
    });
    ASSERT_TRUE(frame().trigger(cmd::FileSave));
    ASSERT_TRUE(frame().trigger(cmd::FileNew));
    prompt.file(source);
    ASSERT_TRUE(frame().trigger(cmd::FileOpen));
    for (int c = 0; c < 6; ++c) {
        SCOPED_TRACE(c + 1);
        EXPECT_EQ(blockCodes(3, c) + "/" + std::to_string(app->systemTables().cardKind[3][c]), codes[static_cast<std::size_t>(c)]);
    }

    ASSERT_TRUE(menuOffers(3, 0, syscmd::BulkCopyV8rtu));
    Q_EMIT view()->commandRequested(syscmd::BulkCopyV8rtu);

    // Another project takes the copy into station 5.
    ASSERT_TRUE(frame().trigger(cmd::FileNew));
    ASSERT_NE(view(), nullptr);
    prompt.clearLog();
    ASSERT_TRUE(menuOffers(5, 0, syscmd::BulkPasteV8rtu));
    Q_EMIT view()->commandRequested(syscmd::BulkPasteV8rtu);
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
    EXPECT_EQ(app->systemTables().stationKind[5], stationKind);
    EXPECT_EQ(app->systemTables().stationUnitText[5].substr(0, 1), "6");
    for (int c = 0; c < 6; ++c) {
        SCOPED_TRACE(c + 1);
        EXPECT_EQ(blockCodes(5, c) + "/" + std::to_string(app->systemTables().cardKind[5][c]), codes[static_cast<std::size_t>(c)]);
    }
    EXPECT_EQ(app->systemTables().cardKind[5][6], 0);

    // Saved and opened again, the station is still whole.
    const std::string path = dir / "pasted.KRA";
    prompt.dialog([=](model::ProjectDialogData& d) {
        d.name = "Pasted";
        d.location = path;
        return true;
    });
    ASSERT_TRUE(frame().trigger(cmd::FileSave));
    ASSERT_TRUE(frame().trigger(cmd::FileNew));
    prompt.file(path);
    ASSERT_TRUE(frame().trigger(cmd::FileOpen));
    EXPECT_EQ(app->systemTables().stationKind[5], stationKind);
    for (int c = 0; c < 6; ++c) {
        SCOPED_TRACE(c + 1);
        EXPECT_EQ(blockCodes(5, c) + "/" + std::to_string(app->systemTables().cardKind[5][c]), codes[static_cast<std::size_t>(c)]);
    }
}

}  // namespace
}  // namespace kravin::shell
