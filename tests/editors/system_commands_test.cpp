// The system configuration commands on the sample tables: placing, removing and
// counting cards, their refusals and questions, and undo/redo of each change.
#include "blocks/block_setting_logic.h"
#include "group_records.h"
#include "scripted_prompt.h"
#include "small_dialog_logic.h"
#include "system_commands.h"
#include "unit_fixture.h"
#include "unit_undo_host.h"

#include <deque>
#include <fstream>
#include <map>

namespace kravin::editors {
namespace {

using model::Answer;

// Dialog answers in order; an unscripted dialog fails the test and cancels.
class ScriptedDialogs : public SystemDialogs {
public:
    std::deque<std::optional<ModelChoice>> models;
    std::deque<std::optional<int>> rnh6Types;
    std::deque<std::optional<std::string>> ids;
    std::deque<std::optional<int>> counts;
    std::deque<std::optional<std::string>> versions;
    std::vector<CardCountRange> ranges;  // the count dialogs shown

    std::optional<ModelChoice> selectModel(int, int) override { return next(models, "model"); }
    std::optional<int> selectRnh6Type() override { return next(rnh6Types, "RNH6 type"); }
    std::optional<std::string> inputId(const std::string&) override { return next(ids, "ID"); }
    std::optional<int> cardCount(const CardCountRange& range) override
    {
        ranges.push_back(range);
        return next(counts, "card count");
    }
    std::optional<std::string> selectVersion(int, int) override { return next(versions, "version"); }

private:
    template <class T>
    static std::optional<T> next(std::deque<std::optional<T>>& q, const char* what)
    {
        if (q.empty()) {
            ADD_FAILURE() << "unscripted " << what << " dialog";
            return std::nullopt;
        }
        auto v = q.front();
        q.pop_front();
        return v;
    }
};

class SystemCommandsTest : public test::UnitFixture {
protected:
    void SetUp() override
    {
        UnitFixture::SetUp();
        host = std::make_unique<model::UnitUndoHost>(*unit);
        host->modified = [this] { ++modifiedCount; };
        undo = std::make_unique<model::CStationUndo>(*host);
        SystemCommandHooks hooks;
        hooks.setModified = [this] { ++modifiedCount; };
        commands = std::make_unique<SystemCommands>(*unit, *undo, prompt, dialogs, hooks);
    }

    void select(int s, int card)
    {
        unit->g_curStation = s;
        unit->g_curCard = card;
        unit->SelectCurrentUnit();
    }

    SystemCommands::Result place(int s, int card, const std::string& kind, const std::string& version = "1.00")
    {
        select(s, card);
        dialogs.models.push_back(SystemDialogs::ModelChoice{kind, version});
        return commands->ChangeDevice();
    }

    std::string kindAt(int s, int card) { return unit->unitKindName(s, card); }

    // Every file of the work folder with its bytes.
    std::map<std::string, std::string> files()
    {
        std::map<std::string, std::string> out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(work.str())) {
            if (!e.is_regular_file()) continue;
            std::ifstream in(e.path(), std::ios::binary);
            out[std::filesystem::relative(e.path(), work.str()).string()] =
                std::string(std::istreambuf_iterator<char>(in), {});
        }
        return out;
    }

    // The tables and the unit files, to compare a state with another.
    struct State {
        std::string tables;
        std::map<std::string, std::string> files;
        bool operator==(const State&) const = default;
    };
    State state()
    {
        std::string t;
        for (int s = 0; s < model::kStations; ++s)
            for (int c = 0; c <= model::kCardSlots; ++c) {
                const int k = unit->unitKind(s, c);
                const int v = unit->unitVersionIndex(s, c);
                const std::string& text = c == 0 ? tables.stationUnitText[s] : tables.cardUnitText[s][c - 1];
                const int x = c == 0 ? tables.stationX[s] : tables.cardX[s][c - 1];
                const int y = c == 0 ? tables.stationY[s] : tables.cardY[s][c - 1];
                t += std::to_string(k) + "/" + std::to_string(v) + "/" + text + "/" + std::to_string(x) + "," +
                     std::to_string(y) + ";";
            }
        return {t, files()};
    }

    // A V8RTU station at s with cards 1..n, all of version.
    void remoteStation(int s, int n, const std::string& version)
    {
        placeStation(s, "V8RTU", version, 0, 0, std::string(1, "0123456789ABCDEF"[n]));
        for (int c = 1; c <= n; ++c) placeCard(s, c, "V8RTU", version);
    }

    test::ScriptedPrompt prompt;
    ScriptedDialogs dialogs;
    std::unique_ptr<model::UnitUndoHost> host;
    std::unique_ptr<model::CStationUndo> undo;
    std::unique_ptr<SystemCommands> commands;
    int modifiedCount = 0;
};

TEST_F(SystemCommandsTest, RemovingARemoteCardRemovesItAndTheCardsAfterItAndUndoesAsOne)
{
    remoteStation(4, 6, "2.00");
    const State before = state();
    select(4, 3);
    prompt.answer(sysmsg::ConfirmDelete, Answer::Ok);
    EXPECT_EQ(commands->RemoveDevice(), SystemCommands::Result::Done);
    EXPECT_EQ(tables.stationUnitText[4], "2");
    for (int c = 1; c <= 6; ++c) EXPECT_EQ(kindAt(4, c).empty(), c >= 3) << c;
    EXPECT_GT(modifiedCount, 0);

    ASSERT_TRUE(commands->canUndo());
    EXPECT_EQ(commands->Undo(), SystemCommands::Result::Done);
    EXPECT_EQ(state().tables, before.tables);
    EXPECT_EQ(tables.stationUnitText[4], "6");
}

TEST_F(SystemCommandsTest, RemovingIsAskedFirstAndCancelKeepsEverything)
{
    placeCard(2, 5, "QV200");
    const State before = state();
    select(2, 5);
    prompt.answer(sysmsg::ConfirmDelete, Answer::Cancel);
    EXPECT_EQ(commands->RemoveDevice(), SystemCommands::Result::Cancelled);
    EXPECT_EQ(state(), before);
    EXPECT_FALSE(commands->canUndo());
}

TEST_F(SystemCommandsTest, RemoteCardsFollowTheStationVersion)
{
    struct Case {
        std::string stationVersion;
        int card;
        std::string cardVersion;
        bool placed;
    } cases[] = {
        {"1.00", 9, "1.00", false},  // a 1.00 station takes 8 cards
        {"1.00", 8, "1.00", true},
        {"2.00", 9, "2.00", true},
        {"2.00", 3, "1.00", false},  // another version than the station's
    };
    for (const Case& c : cases) {
        tables.clear();
        remoteStation(1, c.card - 1, c.stationVersion);
        prompt.clearLog();
        const auto r = place(1, c.card, "V8RTU", c.cardVersion);
        EXPECT_EQ(r == SystemCommands::Result::Done, c.placed) << c.stationVersion << " card " << c.card;
        EXPECT_EQ(!kindAt(1, c.card).empty(), c.placed);
        if (!c.placed) {
            EXPECT_EQ(prompt.ids(), std::vector<int>{sysmsg::CannotApply});
        }
    }
}

TEST_F(SystemCommandsTest, TwoSlotCardTakesTwoSlotsIsRefusedOnTheLastAndGoesWhole)
{
    EXPECT_EQ(place(0, 16, "QV200W"), SystemCommands::Result::Refused);
    EXPECT_TRUE(kindAt(0, 16).empty());
    EXPECT_FALSE(commands->canUndo());

    // The next slot is taken by another card.
    placeCard(0, 8, "QV200");
    EXPECT_EQ(place(0, 7, "QV210W"), SystemCommands::Result::Refused);
    EXPECT_TRUE(kindAt(0, 7).empty());

    ASSERT_EQ(place(0, 3, "QV200W"), SystemCommands::Result::Done);
    EXPECT_TRUE(editors::modelIs(kindAt(0, 3), "QV200W"));
    EXPECT_TRUE(editors::modelIs(kindAt(0, 4), "QV200W"));
    EXPECT_EQ(tables.cardUnitText[0][2], "");
    EXPECT_EQ(tables.cardUnitText[0][3], std::string(1, '\x01'));

    select(0, 3);
    prompt.answer(sysmsg::ConfirmDelete, Answer::Ok);
    ASSERT_EQ(commands->RemoveDevice(), SystemCommands::Result::Done);
    EXPECT_TRUE(kindAt(0, 3).empty());
    EXPECT_TRUE(kindAt(0, 4).empty());
    EXPECT_EQ(kindAt(0, 8).substr(0, 5), "QV200");
}

TEST_F(SystemCommandsTest, VirtualCardCountSetsThePatternAndTheFollowingSlots)
{
    dialogs.counts.push_back(3);
    ASSERT_EQ(place(5, 2, "TQRQ"), SystemCommands::Result::Done);
    EXPECT_EQ(tables.cardUnitText[5][1], "11100");
    for (int c = 3; c <= 5; ++c) EXPECT_TRUE(editors::modelIs(kindAt(5, c), "TQRQ$")) << c;
    EXPECT_TRUE(kindAt(5, 6).empty());
    ASSERT_EQ(dialogs.ranges.size(), 1u);
    EXPECT_EQ(dialogs.ranges[0].maximum, 5);

    select(5, 2);
    dialogs.counts.push_back(0);
    ASSERT_EQ(commands->ChangeCardCount(), SystemCommands::Result::Done);
    EXPECT_EQ(tables.cardUnitText[5][1], "00000");
    for (int c = 3; c <= 7; ++c) EXPECT_TRUE(kindAt(5, c).empty()) << c;
    EXPECT_EQ(dialogs.ranges[1].current, 3);  // proposed: the cards present

    // A card in the way of a virtual card is never overwritten.
    placeCard(5, 4, "QV200");
    select(5, 2);
    dialogs.counts.push_back(4);
    EXPECT_EQ(commands->ChangeCardCount(), SystemCommands::Result::Refused);
    EXPECT_EQ(tables.cardUnitText[5][1], "00000");
    EXPECT_EQ(kindAt(5, 4).substr(0, 5), "QV200");
}

TEST_F(SystemCommandsTest, ChangingADeviceCarriesItsValuesOverToTheNewVersion)
{
    SystemCommandHooks hooks;
    hooks.rebuildBlockTerminals = [this] { blocks::RebuildBlockTerminals(*unit, prompt, model::savedGroupRecords()[0]); };
    commands = std::make_unique<SystemCommands>(*unit, *undo, prompt, dialogs, hooks);
    placeCard(3, 2, "QV200");
    writeUnit(3, 1, {{0, "00SYS"}, {31, "76PVA"}}, {{31, 7, "5.00"}});

    prompt.answer(sysmsg::PartOfDataLost, Answer::Ok);
    ASSERT_EQ(place(3, 2, "QV200", "1.10"), SystemCommands::Result::Done);
    char head[500] = {};
    ASSERT_EQ(KRAVinA_Data_Get(3, 1, head, work.str().c_str()), 0);
    EXPECT_EQ(std::string(head + 5 * 31, 5), "76PVA");
    EXPECT_EQ(test::readItemText(31, 7), "5.00");  // the new default would read "1.00"
}

TEST_F(SystemCommandsTest, CancelAtTheReplaceQuestionChangesNothing)
{
    placeCard(3, 2, "QV200");
    writeUnit(3, 1, {{0, "00SYS"}, {1, "01PID"}}, {{1, 20, "KEEP"}});
    const State before = state();
    select(3, 2);
    dialogs.models.push_back(SystemDialogs::ModelChoice{"QV210", "1.00"});
    prompt.answer(sysmsg::PartOfDataLost, Answer::Cancel);
    EXPECT_EQ(commands->ChangeDevice(), SystemCommands::Result::Cancelled);
    EXPECT_EQ(state(), before);
    EXPECT_FALSE(commands->canUndo());
    EXPECT_EQ(modifiedCount, 0);
}

TEST_F(SystemCommandsTest, PlaceUndoRedoGiveBackTheSameTablesAndFiles)
{
    placeStation(0, "63NW");
    const State before = state();
    ASSERT_EQ(place(0, 1, "QV200"), SystemCommands::Result::Done);
    const State after = state();
    EXPECT_NE(after, before);
    EXPECT_EQ(unitCode(0, 0, 0), "00SYS");
    EXPECT_EQ(unitCode(0, 0, 80), "94SSW");
    EXPECT_FALSE(unitCode(0, 0, 1).empty());

    ASSERT_EQ(commands->Undo(), SystemCommands::Result::Done);
    EXPECT_EQ(state(), before);
    ASSERT_TRUE(commands->canRedo());
    ASSERT_EQ(commands->Redo(), SystemCommands::Result::Done);
    EXPECT_EQ(state(), after);
    EXPECT_EQ(commands->Redo(), SystemCommands::Result::Cancelled);  // nothing further
}

TEST_F(SystemCommandsTest, PlacedCardCarriesItsNumberAsPasteWritesIt)
{
    placeStation(0, "63NW");
    // Card slot k shows k - 1 as one upper-case hex digit, the form paste writes.
    for (const auto& [card, number] : std::vector<std::pair<int, std::string>>{{1, "0"}, {10, "9"}, {12, "B"}, {16, "F"}}) {
        ASSERT_EQ(place(0, card, "QV200"), SystemCommands::Result::Done) << card;
        EXPECT_EQ(unitItem(0, card - 1, 0, 51), number) << card;
    }
}

TEST_F(SystemCommandsTest, RemoteStationCountsAndVersionChange)
{
    // A new station asks for its card count (mode 1 for version 1).
    select(6, 0);
    dialogs.models.push_back(SystemDialogs::ModelChoice{"V8RTU", "1.00"});
    dialogs.counts.push_back(4);
    ASSERT_EQ(commands->ChangeDevice(), SystemCommands::Result::Done);
    EXPECT_EQ(tables.stationUnitText[6], "4");
    ASSERT_EQ(dialogs.ranges.size(), 1u);
    EXPECT_EQ(dialogs.ranges[0].mode, 1);
    EXPECT_EQ(dialogs.ranges[0].maximum, 8);

    // The count goes up from card 1's kind and down again.
    placeCard(6, 1, "V8RTU", "1.00");
    tables.stationUnitText[6] = "1";
    select(6, 1);
    dialogs.counts.push_back(3);
    ASSERT_EQ(commands->ChangeCardCount(), SystemCommands::Result::Done);
    EXPECT_EQ(tables.stationUnitText[6], "3");
    EXPECT_TRUE(editors::modelIs(kindAt(6, 3), "V8RTU"));
    EXPECT_EQ(unitCode(6, 2, 0), "00SYS");
    select(6, 0);
    dialogs.counts.push_back(1);
    ASSERT_EQ(commands->ChangeCardCount(), SystemCommands::Result::Done);
    EXPECT_EQ(tables.stationUnitText[6], "1");
    EXPECT_TRUE(kindAt(6, 2).empty());

    // A version change keeps the station and moves its cards to the version; it can be undone.
    const State beforeChange = state();
    select(6, 0);
    dialogs.models.push_back(SystemDialogs::ModelChoice{"V8RTU", "2.00"});
    prompt.answer(sysmsg::PartOfDataLost, Answer::Ok);
    ASSERT_EQ(commands->ChangeDevice(), SystemCommands::Result::Done);
    EXPECT_EQ(masters.station.versions[tables.stationKind[6]][tables.stationVersion[6]], "2.00");
    EXPECT_EQ(masters.card.versions[tables.cardKind[6][0]][tables.cardVersion[6][0]], "2.00");
    ASSERT_TRUE(commands->canUndo());
    ASSERT_EQ(commands->Undo(), SystemCommands::Result::Done);
    EXPECT_EQ(state().tables, beforeChange.tables);
}

TEST_F(SystemCommandsTest, CardCountsOutsideTheirRangeAreRefused)
{
    // A count of 9 cards on a version 1 station cannot take the version.
    placeStation(7, "V8RTU", "2.00", 0, 0, "9");
    select(7, 0);
    dialogs.models.push_back(SystemDialogs::ModelChoice{"V8RTU", "1.00"});
    EXPECT_EQ(commands->ChangeDevice(), SystemCommands::Result::Refused);
    EXPECT_EQ(prompt.ids(), std::vector<int>{sysmsg::TooManyCards});

    // A text that holds no count is never used as one.
    prompt.clearLog();
    tables.stationUnitText[7] = "Z";
    select(7, 0);
    EXPECT_EQ(commands->ChangeCardCount(), SystemCommands::Result::Refused);
    EXPECT_EQ(prompt.ids(), std::vector<int>{sysmsg::CannotApply});
    EXPECT_TRUE(dialogs.ranges.empty());
}

TEST_F(SystemCommandsTest, Rnh6StationGetsItsTypeAndTerminalBlocks)
{
    select(9, 0);
    dialogs.models.push_back(SystemDialogs::ModelChoice{"RNH6", "1.00"});
    dialogs.rnh6Types.push_back(13);
    ASSERT_EQ(commands->ChangeDevice(), SystemCommands::Result::Done);
    EXPECT_EQ(tables.stationUnitText[9], "R1");
    EXPECT_EQ(unitCode(9, -1, 11), "34CAO");
    EXPECT_EQ(unitCode(9, -1, 18), "34CAO");
    EXPECT_EQ(unitCode(9, -1, 19), "33CAI");
    EXPECT_EQ(unitCode(9, -1, 26), "33CAI");
    EXPECT_EQ(unitCode(9, -1, 27), "");

    // Cancel at the type abandons.
    select(10, 0);
    dialogs.models.push_back(SystemDialogs::ModelChoice{"RNH6", "1.00"});
    dialogs.rnh6Types.push_back(std::nullopt);
    EXPECT_EQ(commands->ChangeDevice(), SystemCommands::Result::Cancelled);
    EXPECT_TRUE(kindAt(10, 0).empty());
}

TEST_F(SystemCommandsTest, IdOfATjk5IsAskedOnPlacementAndChanged)
{
    select(11, 0);
    dialogs.models.push_back(SystemDialogs::ModelChoice{"TJK5", "1.00"});
    dialogs.ids.push_back(std::string("0042"));
    ASSERT_EQ(commands->ChangeDevice(), SystemCommands::Result::Done);
    EXPECT_EQ(unitItem(11, -1, 0, 52), "0042");

    select(11, 0);
    dialogs.ids.push_back(std::string("0777"));
    ASSERT_EQ(commands->ChangeIdNo(), SystemCommands::Result::Done);
    EXPECT_EQ(unitItem(11, -1, 0, 52), "0777");
    ASSERT_EQ(commands->Undo(), SystemCommands::Result::Done);
    EXPECT_EQ(unitItem(11, -1, 0, 52), "0042");

    // A unit whose ID item holds no four characters.
    placeStation(12, "TJK5");
    writeUnit(12, -1, {{0, "00SYS"}});
    select(12, 0);
    prompt.clearLog();
    EXPECT_EQ(commands->ChangeIdNo(), SystemCommands::Result::Refused);
    EXPECT_EQ(prompt.ids(), std::vector<int>{sysmsg::IdNotFound});
}

TEST_F(SystemCommandsTest, SelectVersionReplacesOnlyForAnotherVersion)
{
    placeCard(1, 1, "QV200", "1.00");
    select(1, 1);
    dialogs.versions.push_back(std::string("1.00"));
    EXPECT_EQ(commands->SelectVersion(), SystemCommands::Result::Done);
    EXPECT_FALSE(commands->canUndo());

    dialogs.versions.push_back(std::string("1.20"));
    prompt.answer(sysmsg::PartOfDataLost, Answer::Ok);
    ASSERT_EQ(commands->SelectVersion(), SystemCommands::Result::Done);
    EXPECT_EQ(masters.card.versions[tables.cardKind[1][0]][tables.cardVersion[1][0]], "1.20");
    EXPECT_TRUE(commands->canUndo());
}

TEST_F(SystemCommandsTest, SelectGroupListsTheGroupsOfTheUnitThatAllowACode)
{
    placeCard(1, 1, "QV200", "1.00");
    makeCurrent(1, 1);
    ASSERT_GT(unit->validBlockCount[1], 0);
    const std::string code(unit->validBlocks[1].data(), 5);
    const GroupChoice c = buildGroupChoice(code, *unit);
    EXPECT_NE(std::find(c.groups.begin(), c.groups.end(), "1"), c.groups.end());
    EXPECT_TRUE(buildGroupChoice("ZZZZZ", *unit).groups.empty());
}

TEST(CardCountDialog, RangesAndChecks)
{
    struct Case {
        int mode, card;
        std::string model, text;
        int current;
        int min, max, proposed;
    } cases[] = {
        {0, 16, "QV200   ", "", 0, 0, 0, 0},
        {0, 14, "QV200   ", "", 0, 0, 2, 2},
        {0, 3, "QV200   ", "", 0, 0, 5, 5},
        {0, 3, "TQRQ    ", "10110", 0, 0, 5, 3},
        {1, 0, "V8RTU   ", "", 6, 1, 8, 6},
        {2, 0, "V8RTU   ", "", 12, 1, 16, 12},
    };
    for (const Case& c : cases) {
        const CardCountRange r = cardCountRange(c.mode, c.card, c.model, c.text, c.current);
        EXPECT_EQ(r.minimum, c.min) << c.mode << "/" << c.card;
        EXPECT_EQ(r.maximum, c.max) << c.mode << "/" << c.card;
        EXPECT_EQ(r.current, c.proposed) << c.mode << "/" << c.card;
    }
    const CardCountRange registration = cardCountRange(1, 0, "V8RTU   ", "", 1);
    EXPECT_EQ(checkCardCount(registration, 9), 7105);
    EXPECT_EQ(checkCardCount(registration, 0), 7105);
    EXPECT_EQ(checkCardCount(registration, 8), 0);
    EXPECT_EQ(checkCardCount(cardCountRange(0, 16, "QV200   ", "", 0), 1), 7104);
    EXPECT_EQ(registration.captionId(), 9002);
    EXPECT_EQ(cardCountRange(0, 1, "", "", 0).labelId(), 9001);
}

TEST(ItemMissingDialog, DetailNamesGroupAndItem)
{
    EXPECT_EQ(itemMissingDetail(3, 7), "(Gr03 It07)");
    EXPECT_EQ(itemMissingDetail(99, 0), "(Gr99 It00)");
}

}  // namespace
}  // namespace kravin::editors
