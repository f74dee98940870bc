// The communication terminal connection editor on the sample tables: drawing a
// connection with break points, the PC link, jump names, block and device
// drops with their silent and spoken refusals, device removal, and undo/redo
// leaving the project files byte-identical.
#include "dentan_editor.h"

#include "scripted_prompt.h"
#include "unit_fixture.h"
#include "unit_undo_host.h"

#include <deque>
#include <fstream>
#include <map>

namespace kravin::wiring::comm {
namespace {

using model::Answer;

class NoSystemDialogs : public editors::SystemDialogs {
public:
    std::optional<ModelChoice> selectModel(int, int) override { return std::nullopt; }
    std::optional<int> selectRnh6Type() override { return rnh6; }
    std::optional<std::string> inputId(const std::string&) override { return std::string("0001"); }
    std::optional<int> cardCount(const editors::CardCountRange& r) override { return r.minimum; }
    std::optional<std::string> selectVersion(int, int) override { return std::nullopt; }
    std::optional<int> rnh6 = 0;
};

class DenTanEditorTest : public test::UnitFixture, public DenTanHost {
protected:
    void SetUp() override
    {
        UnitFixture::SetUp();
        host = std::make_unique<model::UnitUndoHost>(*unit);
        undo = std::make_unique<model::CStationUndo>(*host);
        blockHost = std::make_unique<editors::blocks::UnitBlockUndoHost>(*unit);
        blockUndo = std::make_unique<model::CBlockUndo>(*blockHost);
        system = std::make_unique<editors::SystemCommands>(*unit, *undo, prompt, dialogs);
        // The station store reaches this editor's layers and jump labels.
        host->view = [this]() -> model::UndoView* { return editor.get(); };
        // Station 0 RNH6; card 1 sends CDO 11 and CAO 13; card 2 receives CDI 11 and CAI 13.
        placeStation(0, "RNH6", "1.10", 10, 20);
        writeUnit(0, -1, {{0, "00SYS"}});
        placeCard(0, 1, "QV200", "1.00", 40, 20);
        writeUnit(0, 0, {{0, "00SYS"}, {11, "32CDO"}, {13, "34CAO"}, {14, "34CAO"}});
        placeCard(0, 2, "QV200", "1.00", 70, 20);
        writeUnit(0, 1, {{0, "00SYS"}, {11, "31CDI"}, {13, "33CAI"}, {15, "31CDI"}, {19, "33CAI"}});
        editor = std::make_unique<DenTanEditor>(*unit, *undo, *blockUndo, prompt, *system, *this);
        editor->rebuild();
    }

    // DenTanHost
    bool online() const override { return isOnline; }
    std::optional<std::string> chooseFunction(const editors::FunctionChoices& choices) override
    {
        EXPECT_FALSE(choices.lines.empty());
        if (functions.empty()) {
            ADD_FAILURE() << "unscripted block selection";
            return std::nullopt;
        }
        auto f = functions.front();
        functions.pop_front();
        return f;
    }
    void message(int id) override { messages.push_back(id); }
    void setModified() override { ++modified; }
    void tableRebuilt(const model::CommLinkTable&) override { ++rebuilds; }
    std::optional<DevicePlace> deviceLayout(const std::string&, const std::string&) override
    {
        if (places.empty()) {
            ADD_FAILURE() << "unscripted Device Layout";
            return std::nullopt;
        }
        auto p = places.front();
        places.pop_front();
        return p;
    }

    static TerminalRef term(int station, int card, int number) { return {{station, card}, number - 11}; }
    const model::CommLinkTerminal& at(int station, int card, int number)
    {
        return *editor->table().terminal(station, card, number);
    }

    // The tables and every file of the work folder.
    std::string state()
    {
        std::string out;
        for (int s = 0; s < model::kStations; ++s)
            for (int c = 0; c <= model::kCardSlots; ++c)
                out += std::to_string(unit->unitKind(s, c)) + "/" + std::to_string(unit->unitVersionIndex(s, c)) + "/" +
                       (c == 0 ? tables.stationUnitText[s] : tables.cardUnitText[s][c - 1]) + ";";
        for (const auto& e : std::filesystem::recursive_directory_iterator(work.str())) {
            if (!e.is_regular_file()) continue;
            std::ifstream in(e.path(), std::ios::binary);
            out += e.path().filename().string() + ":" + std::string(std::istreambuf_iterator<char>(in), {}) + "|";
        }
        return out;
    }

    // Pixel point inside a terminal's zone of a box, at pitch 16 without scroll.
    struct Pixel {
        int x, y;
    };
    Pixel terminalPixel(int station, int card, int index)
    {
        const model::CommLinkSlot& s = *editor->table().slot(station, card);
        return {(s.x + (index % 8) * 3 + 2) * 16, (index < 8 ? s.y - 3 : s.y + 4) * 16};
    }
    bool drop(int station, int card, int index, const std::string& block)
    {
        const Pixel p = terminalPixel(station, card, index);
        return editor->dropCommBlock(p.x, p.y, 16, 0, 0, block);
    }

    // Where two states part (a state is too long to print).
    static std::string firstDifference(const std::string& a, const std::string& b)
    {
        std::size_t i = 0;
        while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
        if (i == a.size() && i == b.size()) return "same";
        const std::size_t from = i > 40 ? i - 40 : 0;
        return "at " + std::to_string(i) + ": " + a.substr(from, 60) + " / " + b.substr(from, 60);
    }

    test::ScriptedPrompt prompt;
    NoSystemDialogs dialogs;
    std::unique_ptr<model::UnitUndoHost> host;
    std::unique_ptr<model::CStationUndo> undo;
    std::unique_ptr<editors::blocks::UnitBlockUndoHost> blockHost;
    std::unique_ptr<model::CBlockUndo> blockUndo;
    std::unique_ptr<editors::SystemCommands> system;
    std::unique_ptr<DenTanEditor> editor;
    std::deque<std::optional<DevicePlace>> places;
    std::deque<std::optional<std::string>> functions;
    std::vector<int> messages;
    bool isOnline = false;
    int modified = 0, rebuilds = 0;
};

TEST(DenTanDiagramTest, CaptionsLabelRowsAnchorsAndClamps)
{
    EXPECT_EQ(BoxCaption(10, -1, "RNH6    ", "2"), "Station:0A  Card:Y-Bus  RNH6     2");
    EXPECT_EQ(BoxCaption(0x3f, 11, "QV200   ", ""), "Station:3F  Card:B  QV200   ");
    struct Row {
        int kind, index, expected;
    };
    // Y = 100, (c, d, e, f) = (4, 2, 3, 1): the label sits at the terminal's outer tip.
    for (const Row& r : {Row{1, 0, 96}, Row{1, 8, 105}, Row{3, 9, 105}, Row{2, 0, 94}, Row{2, 15, 107},
                         Row{4, 0, 93}, Row{4, 8, 108}, Row{0, 3, 0}})
        EXPECT_EQ(DenTanLabelOffset(r.kind, r.index, 100, 4, 2, 3, 1), r.expected) << r.kind << "/" << r.index;
    int x = -1, y = -1;
    DeviceDropAnchor(3, 2, &x, &y);  // near the top-left corner
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(0, 4));
    DeviceDropAnchor(20, 10, &x, &y);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(7, 9));
    TerminalAnchor(10, 20, 9, &x, &y);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(15, 25));
    EXPECT_EQ(ClampPointCount(200), 30);
    EXPECT_EQ(ClampPointCount(-3), 0);
    EXPECT_EQ(CommBlockKind("cao"), 4);
    EXPECT_EQ(CommBlockKind("SYS"), 0);
    EXPECT_EQ(FarEndY(25, 1, 2, 19), 27);  // digital, far end on the bottom row
    EXPECT_EQ(FarEndY(16, 3, 4, 11), 13);  // analog, top row
    EXPECT_EQ(FarEndY(16, 3, 3, 11), 16);
}

TEST(DenTanDiagramTest, NamedEndsAtOnePointCountInTableOrder)
{
    auto table = std::make_unique<model::CommLinkTable>();
    for (int c : {0, 3}) {
        model::CommLinkTerminal& t = *table->terminal(2, c, 12);
        t.kind = 1;
        t.text = {'J', '1'};
        t.startX = 50;
        t.startY = 60;
    }
    table->terminal(1, 0, 11)->kind = 2;  // unnamed: not counted
    table->terminal(1, 0, 11)->endX = 50;
    table->terminal(1, 0, 11)->endY = 60;
    EXPECT_EQ(CountSharedEnds(*table, 2, 0, 1, 50, 60), 0);
    EXPECT_EQ(CountSharedEnds(*table, 2, 3, 1, 50, 60), 1);   // the second stacks one pitch off
    EXPECT_EQ(CountSharedEnds(*table, 64, -1, 0, 50, 60), 2); // a pending mark counts every end
}

TEST_F(DenTanEditorTest, ConnectionWithTwoBreakPointsAndUndoRedoByteIdentical)
{
    const std::string before = state();
    EXPECT_EQ(at(0, 0, 11).kind, 2);
    EXPECT_EQ(at(0, 1, 11).kind, 1);
    // From the sending CDO: mode 4, two bends, then the receiving CDI.
    EXPECT_FALSE(editor->clickTerminal(term(0, 0, 11)));
    EXPECT_EQ(editor->linkMode(), 4);
    EXPECT_TRUE(editor->addBreakPoint(42, 10));
    EXPECT_FALSE(editor->addBreakPoint(42, 10));  // equal to the last
    EXPECT_TRUE(editor->addBreakPoint(72, 10));
    EXPECT_TRUE(editor->clickTerminal(term(0, 1, 11)));
    EXPECT_EQ(editor->linkMode(), 0);
    const model::CommLinkTerminal& r = at(0, 1, 11);
    EXPECT_EQ(r.link, 1);
    EXPECT_EQ(r.points, 2);
    // Stored from the receiving end: the bends reversed.
    EXPECT_EQ(std::make_pair(int(r.pointX[0]), int(r.pointY[0])), std::make_pair(72, 10));
    EXPECT_EQ(std::make_pair(int(r.pointX[1]), int(r.pointY[1])), std::make_pair(42, 10));
    EXPECT_EQ(r.sourceStation, 0);
    EXPECT_EQ(r.sourceCard, 0);
    EXPECT_EQ(std::make_pair(int(r.startX), int(r.startY)), std::make_pair(72, 16));
    EXPECT_EQ(std::make_pair(int(r.endX), int(r.endY)), std::make_pair(42, 16));
    EXPECT_GT(modified, 0);
    const std::string after = state();
    ASSERT_NE(after, before);

    ASSERT_TRUE(editor->canUndo());
    EXPECT_TRUE(editor->undo());
    EXPECT_EQ(firstDifference(state(), before), "same");
    EXPECT_EQ(at(0, 1, 11).link, 0);
    EXPECT_TRUE(editor->redo());
    EXPECT_EQ(firstDifference(state(), after), "same");
    EXPECT_EQ(at(0, 1, 11).link, 1);

    // Deleting the selected connection clears it, in one more step.
    editor->selectLine(LineAtCell(editor->table(), 72, 12, 0.5));
    ASSERT_EQ(editor->selectedLine(), term(0, 1, 11));
    EXPECT_TRUE(editor->deleteSelectedLine());
    EXPECT_EQ(at(0, 1, 11).link, 0);
    EXPECT_TRUE(editor->undo());
    EXPECT_EQ(firstDifference(state(), after), "same");
}

TEST_F(DenTanEditorTest, BreakPointsStopAtThirtyAndStepBackCancels)
{
    editor->clickTerminal(term(0, 1, 13));  // CAI: mode 1
    EXPECT_EQ(editor->linkMode(), 1);
    for (int i = 0; i < 30; ++i) EXPECT_TRUE(editor->addBreakPoint(i, i % 2));
    EXPECT_FALSE(editor->addBreakPoint(99, 99));  // a 31st is not added
    EXPECT_EQ(editor->breakPoints().size(), 30u);
    for (int i = 0; i < 30; ++i) editor->stepBack();
    EXPECT_EQ(editor->linkMode(), 1);
    editor->stepBack();
    EXPECT_EQ(editor->linkMode(), 0);
}

TEST_F(DenTanEditorTest, PcSettingTwiceReturnsToIdleAndFromAReceiverLinksThePc)
{
    editor->pcSetting(term(0, 1, 11));
    EXPECT_EQ(editor->linkMode(), 5);
    editor->pcSetting(term(0, 1, 11));
    EXPECT_EQ(editor->linkMode(), 0);
    EXPECT_FALSE(undo->CanUndo());

    editor->clickTerminal(term(0, 1, 13));  // CAI: mode 1, then PC setting links it to the PC
    editor->pcSetting(term(0, 1, 13));
    EXPECT_EQ(editor->linkMode(), 0);
    EXPECT_EQ(at(0, 1, 13).link, 2);
    EXPECT_TRUE(undo->CanUndo());
}

TEST_F(DenTanEditorTest, WrongPairsAreRefusedWith8122AndLeaveNoStep)
{
    const std::string before = state();
    editor->clickTerminal(term(0, 0, 11));  // CDO
    EXPECT_FALSE(editor->clickTerminal(term(0, 0, 13)));  // to an analog sender
    ASSERT_EQ(prompt.ids(), std::vector<int>{denmsg::InputToInput});
    EXPECT_EQ(editor->linkMode(), 0);
    editor->clickTerminal(term(0, 0, 13));  // CAO
    EXPECT_FALSE(editor->clickTerminal(term(0, 1, 11)));  // to a digital receiver
    EXPECT_EQ(firstDifference(state(), before), "same");
    EXPECT_FALSE(undo->CanUndo());
}

TEST_F(DenTanEditorTest, AReceiverReTransmitsToAReceiverOfAnotherStationWithUndo)
{
    // Station 1: a card with a CAI on 13 and a CDI on 11.
    placeStation(1, "RNH6", "1.10", 10, 60);
    writeUnit(1, -1, {{0, "00SYS"}});
    placeCard(1, 1, "QV200", "1.00", 40, 60);
    writeUnit(1, 0, {{0, "00SYS"}, {11, "31CDI"}, {13, "33CAI"}});
    editor->rebuild();

    // A receiver that has received nothing re-transmits nothing: 9803, no step.
    const std::string empty = state();
    editor->clickTerminal(term(0, 1, 19));  // CAI, mode 1
    EXPECT_FALSE(editor->clickTerminal(term(1, 0, 13)));
    EXPECT_EQ(prompt.ids(), std::vector<int>{model::kMsgNotReceived});
    EXPECT_EQ(editor->linkMode(), 0);
    EXPECT_EQ(firstDifference(state(), empty), "same");
    EXPECT_FALSE(undo->CanUndo());

    struct Case {
        const char* name;
        int sender, receiver;  // terminal numbers on station 0's cards 1 and 2
        int pattern;
    };
    for (const Case& c : {Case{"analog", 13, 13, 8}, Case{"digital", 11, 11, 9}}) {
        SCOPED_TRACE(c.name);
        // Card 2 receives from card 1, then re-transmits to station 1.
        editor->clickTerminal(term(0, 1, c.receiver));
        ASSERT_TRUE(editor->clickTerminal(term(0, 0, c.sender)));
        ASSERT_EQ(at(0, 1, c.receiver).link, 1);
        const std::string before = state();
        prompt.clearLog();
        editor->clickTerminal(term(0, 1, c.receiver));
        EXPECT_TRUE(editor->addBreakPoint(60, 40));
        ASSERT_TRUE(editor->clickTerminal(term(1, 0, c.receiver)));
        EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
        EXPECT_EQ(editor->linkMode(), 0);
        const model::CommLinkTerminal& r = at(1, 0, c.receiver);
        EXPECT_EQ(r.link, 1);
        EXPECT_EQ(r.sourceStation, 0);
        EXPECT_EQ(r.sourceCard, 1);
        EXPECT_EQ(r.sourceTerminal, c.receiver);
        EXPECT_EQ(r.points, 1);
        // The new receiver names its source; the re-transmitting terminal is marked.
        EXPECT_EQ(unitItem(1, 0, c.receiver, 11), "00");
        EXPECT_EQ(unitItem(1, 0, c.receiver, 12), "1");
        EXPECT_EQ(unitItem(1, 0, c.receiver, 13), std::to_string(c.receiver));
        EXPECT_EQ(unitItem(0, 1, c.receiver, 19), "1");
        const std::string after = state();

        ASSERT_TRUE(editor->undo());
        EXPECT_EQ(firstDifference(state(), before), "same");
        EXPECT_EQ(at(1, 0, c.receiver).link, 0);
        ASSERT_TRUE(editor->redo());
        EXPECT_EQ(firstDifference(state(), after), "same");
    }
}

TEST_F(DenTanEditorTest, PcSettingWorksOnTheClickedTerminalAndDeletesTheSelectedConnectionFirst)
{
    editor->clickTerminal(term(0, 1, 11));
    ASSERT_TRUE(editor->clickTerminal(term(0, 0, 11)));
    editor->selectLine(term(0, 1, 11));
    ASSERT_EQ(editor->selectedLine(), term(0, 1, 11));
    // Away from a terminal nothing happens.
    editor->pcSetting(TerminalRef{});
    EXPECT_EQ(editor->linkMode(), 0);
    EXPECT_EQ(at(0, 1, 11).link, 1);
    // At a terminal: the selected connection goes, then the PC link waits.
    editor->pcSetting(term(0, 1, 13));
    EXPECT_EQ(at(0, 1, 11).link, 0);
    EXPECT_FALSE(editor->selectedLine().valid());
    EXPECT_EQ(editor->linkMode(), 5);
    EXPECT_TRUE(editor->clickTerminal(term(0, 1, 13)));
    EXPECT_EQ(at(0, 1, 13).link, 2);
}

TEST_F(DenTanEditorTest, JumpNamesPairUpAndANameInUseGives8121)
{
    EXPECT_EQ(editor->addJump("  J1 ", term(0, 0, 11)), 2);  // pending, trimmed
    ASSERT_EQ(editor->pendingJumps().size(), 1u);
    EXPECT_EQ(editor->pendingJumps()[0].name, "J1");
    EXPECT_EQ(editor->openJumpNames(), "J1, ");
    EXPECT_EQ(editor->addJump("J1", term(0, 1, 11)), 1);
    EXPECT_TRUE(editor->pendingJumps().empty());
    const model::CommLinkTerminal& r = at(0, 1, 11);
    EXPECT_EQ(r.link, 1);
    EXPECT_EQ(std::string(r.text.data()), "J1");
    // The name is now a connection's: refused even with no pending mark of it.
    EXPECT_EQ(editor->addJump("J1", term(0, 1, 13)), 0);
    EXPECT_EQ(prompt.ids(), std::vector<int>{denmsg::NameExists});
    EXPECT_TRUE(editor->pendingJumps().empty());
    // A pair of two receivers: 8122.
    EXPECT_EQ(editor->addJump("J2", term(0, 1, 13)), 2);
    EXPECT_EQ(editor->addJump("J2", term(0, 1, 19)), 0);
    EXPECT_EQ(prompt.ids().back(), denmsg::InputToInput);
}

TEST_F(DenTanEditorTest, BlockDropsSetTheTerminalAndRefuseSilently)
{
    const std::string before = state();
    // Occupied terminal, the RNH6 station box, the bottom edge (a 17th terminal's row): silent.
    EXPECT_FALSE(editor->canDropBlockAt(terminalPixel(0, 0, 0).x, terminalPixel(0, 0, 0).y, 16, 0, 0, "CDI").valid());
    EXPECT_FALSE(drop(0, -1, 3, "CDI"));
    const model::CommLinkSlot& card = *editor->table().slot(0, 0);
    EXPECT_FALSE(editor->dropCommBlock((card.x + 3) * 16, (card.y + 5) * 16, 16, 0, 0, "CDI"));
    EXPECT_FALSE(drop(0, 0, 5, "SYS"));
    EXPECT_TRUE(prompt.ids().empty());
    EXPECT_EQ(firstDifference(state(), before), "same");
    EXPECT_FALSE(undo->CanUndo());

    // A free terminal takes the block: code, table kind, one undo step.
    EXPECT_TRUE(drop(0, 0, 5, "CDI"));
    EXPECT_EQ(unitCode(0, 0, 16), "31CDI");
    EXPECT_EQ(at(0, 0, 16).kind, 1);
    const std::string after = state();
    EXPECT_TRUE(editor->undo());
    EXPECT_EQ(firstDifference(state(), before), "same");
    EXPECT_EQ(at(0, 0, 16).kind, 0);
    EXPECT_TRUE(editor->redo());
    EXPECT_EQ(firstDifference(state(), after), "same");
}

TEST_F(DenTanEditorTest, VirtualCardsTakeOnlyAnalogBlocks)
{
    placeCard(0, 3, "TQRQ", "1.00", 100, 20);
    writeUnit(0, 2, {{0, "00SYS"}});
    placeCard(0, 4, "TQRQ$", "1.00", 100, 40);
    editor->rebuild();
    EXPECT_FALSE(editor->canDropBlockAt(terminalPixel(0, 3, 2).x, terminalPixel(0, 3, 2).y, 16, 0, 0, "CDI").valid());
    EXPECT_TRUE(editor->canDropBlockAt(terminalPixel(0, 3, 2).x, terminalPixel(0, 3, 2).y, 16, 0, 0, "CAI").valid());
}

TEST_F(DenTanEditorTest, RemovingCardThreeOfFiveRemoteCardsClearsThreeToFive)
{
    placeStation(5, "V8RTU", "2.00", 10, 200, "5");
    for (int c = 1; c <= 5; ++c) placeCard(5, c, "V8RTU", "2.00", 10 + 30 * c, 200);
    editor->rebuild();
    prompt.answer(8101, Answer::Ok);
    ASSERT_TRUE(editor->removeDevice({5, 2}));  // card 3 is library card 2
    for (int c = 1; c <= 5; ++c) EXPECT_EQ(unit->unitKindName(5, c).empty(), c >= 3) << c;
    EXPECT_EQ(tables.stationUnitText[5], "2");
    EXPECT_FALSE(editor->table().slot(5, 2)->used);
    // A garbled count digit is refused rather than read past the 16 slots.
    tables.stationUnitText[5] = "Z";
    EXPECT_FALSE(editor->removeDevice({5, 0}));
    EXPECT_EQ(prompt.ids().back(), 8110);
}

TEST_F(DenTanEditorTest, DeviceDropsPlaceTheBoxWhereDroppedAndRefuseOrCancelCleanly)
{
    places.push_back(DevicePlace{3, 1, "1.00"});
    ASSERT_TRUE(editor->dropDevice(40, 30, "QV200", "1.00"));
    EXPECT_EQ(unit->unitKindName(3, 1), "QV200   ");
    EXPECT_EQ(std::make_pair(tables.cardX[3][0], tables.cardY[3][0]), std::make_pair(27, 29));
    EXPECT_TRUE(editor->table().slot(3, 0)->used);

    // A two-slot card on card 16 is refused with 8110 and leaves no step.
    const std::string before = state();
    const bool couldUndo = undo->CanUndo();
    (void)couldUndo;
    places.push_back(DevicePlace{3, 16, "1.00"});
    EXPECT_FALSE(editor->dropDevice(40, 60, "QV200W", "1.00"));
    EXPECT_EQ(prompt.ids().back(), 8110);
    EXPECT_EQ(firstDifference(state(), before), "same");

    // Replacing a unit that holds data: Cancel at 8100 changes nothing, not even the history.
    EXPECT_TRUE(editor->undo());
    const std::string original = state();
    EXPECT_TRUE(editor->redo());
    places.push_back(DevicePlace{0, 1, "1.00"});
    prompt.answer(8100, Answer::Cancel);
    const std::string held = state();
    EXPECT_FALSE(editor->dropDevice(40, 60, "QV200", "1.00"));
    EXPECT_EQ(firstDifference(state(), held), "same");
    EXPECT_TRUE(editor->undo());  // the last step is still the first drop
    EXPECT_EQ(firstDifference(state(), original), "same");

    // Cancel in Device Layout: nothing.
    places.push_back(std::nullopt);
    EXPECT_FALSE(editor->dropDevice(40, 60, "QV200", "1.00"));
}

TEST_F(DenTanEditorTest, MovedBoxesTakeTheirLinksAlongAndStayOnTheSheet)
{
    editor->clickTerminal(term(0, 0, 11));
    ASSERT_TRUE(editor->clickTerminal(term(0, 1, 11)));
    ASSERT_TRUE(editor->moveBoxes({{0, 0}}, 5, 30));
    EXPECT_EQ(std::make_pair(tables.cardX[0][0], tables.cardY[0][0]), std::make_pair(45, 50));
    EXPECT_EQ(editor->table().slot(0, 0)->x, 45);
    // The receiving end's far point follows the moved sender.
    EXPECT_EQ(std::make_pair(int(at(0, 1, 11).endX), int(at(0, 1, 11).endY)), std::make_pair(47, 46));
    EXPECT_TRUE(editor->undo());
    EXPECT_EQ(std::make_pair(tables.cardX[0][0], tables.cardY[0][0]), std::make_pair(40, 20));
    EXPECT_EQ(std::make_pair(int(at(0, 1, 11).endX), int(at(0, 1, 11).endY)), std::make_pair(42, 16));
    // The system file now holds the old place too: redo and undo again land on the same bytes.
    const std::string base = state();
    EXPECT_TRUE(editor->redo());
    const std::string moved = state();
    EXPECT_NE(firstDifference(moved, base), "same");
    EXPECT_TRUE(editor->undo());
    EXPECT_EQ(firstDifference(state(), base), "same");
    EXPECT_TRUE(editor->redo());
    EXPECT_EQ(firstDifference(state(), moved), "same");
    // Far past the top-left corner: the box stops at column 0, row 4.
    ASSERT_TRUE(editor->moveBoxes({{0, 1}}, -500, -500));
    EXPECT_EQ(std::make_pair(tables.cardX[0][1], tables.cardY[0][1]), std::make_pair(0, 4));
    EXPECT_FALSE(editor->moveBoxes({{0, 1}}, 0, 0));
}

TEST_F(DenTanEditorTest, LineFormatOfTheSelectedConnectionIsWrittenBack)
{
    editor->clickTerminal(term(0, 0, 11));
    ASSERT_TRUE(editor->clickTerminal(term(0, 1, 11)));
    const std::string before = state();
    // Without a selection only new lines take it.
    EXPECT_TRUE(editor->setLineFormat(5, 0x00FF00));
    EXPECT_EQ(firstDifference(state(), before), "same");
    editor->selectLine(term(0, 1, 11));
    EXPECT_TRUE(editor->setLineFormat(6, 0x0000FF));
    EXPECT_EQ(at(0, 1, 11).value, 6);
    EXPECT_EQ(at(0, 1, 11).colour, 0x0000FFu);
    EXPECT_EQ(model::readDcon(0, 2, 11, unit->workFolder).value, 6);
    EXPECT_TRUE(editor->undo());
    EXPECT_EQ(firstDifference(state(), before), "same");
}

TEST_F(DenTanEditorTest, DeleteTerminalClearsItsBlockAndConnectionAsOneStep)
{
    editor->clickTerminal(term(0, 0, 11));
    ASSERT_TRUE(editor->clickTerminal(term(0, 1, 11)));
    const std::string before = state();
    ASSERT_TRUE(editor->deleteTerminal(term(0, 1, 11)));
    EXPECT_EQ(unitCode(0, 1, 11), "");
    EXPECT_EQ(at(0, 1, 11).kind, 0);
    EXPECT_EQ(at(0, 1, 11).link, 0);
    EXPECT_EQ(unitCode(0, 1, 13), "33CAI");  // the others stay
    EXPECT_FALSE(editor->deleteTerminal(term(0, 1, 11)));  // nothing there any more
    EXPECT_TRUE(editor->undo());
    EXPECT_EQ(firstDifference(state(), before), "same");
    EXPECT_EQ(at(0, 1, 11).link, 1);
}

TEST_F(DenTanEditorTest, NoEditWhileOnline)
{
    const std::string before = state();
    isOnline = true;
    EXPECT_FALSE(editor->clickTerminal(term(0, 0, 11)));
    EXPECT_EQ(editor->linkMode(), 0);
    EXPECT_FALSE(drop(0, 0, 5, "CDI"));
    EXPECT_EQ(editor->addJump("J", term(0, 0, 11)), 0);
    EXPECT_FALSE(editor->removeDevice({0, 0}));
    EXPECT_FALSE(editor->dropDevice(40, 30, "QV200", "1.00"));
    EXPECT_FALSE(editor->chooseBlock(term(0, 1, 12)));
    EXPECT_FALSE(editor->addJunction(30, 30));
    editor->selectAll();
    EXPECT_FALSE(editor->moveSelection(2, 2));
    EXPECT_FALSE(editor->align(0));
    EXPECT_FALSE(editor->deleteSelection());
    EXPECT_EQ(firstDifference(state(), before), "same");
}

TEST_F(DenTanEditorTest, BoxesSelectByClickCtrlAndRubberBand)
{
    EXPECT_EQ(editor->selectBox({0, 0}, false), 1);
    EXPECT_EQ(editor->selectBox({0, 1}, true), 1);
    EXPECT_EQ(editor->selectBox({0, 1}, false), 2);  // already selected: the selection stays for a drag
    EXPECT_EQ(editor->selectBox({0, 0}, true), 0);   // Ctrl on a selected box takes it out
    EXPECT_EQ(editor->selectedBoxes(), (std::vector<UnitRef>{{0, 1}}));
    EXPECT_EQ(editor->selectBox({5, 3}, false), 0);  // no box there
    EXPECT_EQ(editor->selectedBoxes(), (std::vector<UnitRef>{{0, 1}}));

    // A comment and a junction inside the band, another comment half outside it.
    model::CommentRecord inside;
    inside.x = 50, inside.y = 30, inside.width = 5, inside.height = 5, inside.inUse = model::kSlotUsed;
    model::CommentRecord across = inside;
    across.x = 98;
    ASSERT_TRUE(editor->comments()->AddRecord(inside));
    ASSERT_TRUE(editor->comments()->AddRecord(across));
    ASSERT_TRUE(editor->addJunction(60, 33));
    // The station's box (10..35) is only partly inside.
    editor->selectInside(100, 40, 20, 10, false);
    EXPECT_EQ(editor->selectedBoxes(), (std::vector<UnitRef>{{0, 0}, {0, 1}}));
    EXPECT_EQ(editor->comments()->selection().size(), 1u);
    EXPECT_TRUE(editor->comments()->isSelected(0));
    EXPECT_TRUE(editor->figures()->isSelected(0));
    editor->clearSelection();
    EXPECT_FALSE(editor->hasSelection());
    editor->selectAll();
    EXPECT_EQ(editor->selectedBoxes().size(), 3u);
}

TEST_F(DenTanEditorTest, WaitingJumpLabelSelectsAndDeletesAsOneUndoStep)
{
    ASSERT_EQ(editor->addJump("J1", term(0, 0, 14)), 2);  // CAO, top row: label from row 13 up
    EXPECT_EQ(editor->jumpAt(51, 10), 0);
    EXPECT_EQ(editor->jumpAt(51, 18), -1);  // inside the box, not on the label
    EXPECT_EQ(editor->jumpAt(60, 10), -1);
    editor->toggleJump(0);
    ASSERT_EQ(editor->selectedJumps().size(), 1u);
    editor->toggleJump(0);
    EXPECT_TRUE(editor->selectedJumps().empty());
    editor->toggleJump(0);
    EXPECT_TRUE(editor->deleteSelection());
    EXPECT_TRUE(editor->pendingJumps().empty());
    EXPECT_TRUE(editor->undo());
    ASSERT_EQ(editor->pendingJumps().size(), 1u);
    EXPECT_EQ(editor->pendingJumps()[0].name, "J1");
    EXPECT_EQ(editor->pendingJumps()[0].terminal, term(0, 0, 14));
    EXPECT_TRUE(editor->redo());
    EXPECT_TRUE(editor->pendingJumps().empty());
}

TEST_F(DenTanEditorTest, FreeTerminalTakesTheChosenBlockAndCancelLeavesNothing)
{
    const std::string before = state();
    functions = {std::nullopt};
    EXPECT_FALSE(editor->chooseBlock(term(0, 1, 12)));
    EXPECT_FALSE(undo->CanUndo());
    EXPECT_EQ(firstDifference(state(), before), "same");
    EXPECT_FALSE(editor->chooseBlock(term(0, 1, 11)));  // has a block already: no dialog
    EXPECT_FALSE(editor->chooseBlock(term(0, -1, 12)));  // RNH6 takes none
    functions = {std::string("CAI 33")};
    EXPECT_TRUE(editor->chooseBlock(term(0, 1, 12)));
    EXPECT_EQ(at(0, 1, 12).kind, 3);
    EXPECT_TRUE(editor->undo());
    EXPECT_EQ(firstDifference(state(), before), "same");
}

TEST_F(DenTanEditorTest, BreakPointsOfTheSelectedLineDragAddAndDeleteWithUndo)
{
    // CAO 13 of card 0 (anchor 48,16) up, across and down to CAI 13 of card 1 (anchor 78,16).
    editor->clickTerminal(term(0, 0, 13));
    editor->addBreakPoint(48, 10);
    editor->addBreakPoint(78, 10);
    ASSERT_TRUE(editor->clickTerminal(term(0, 1, 13)));
    editor->selectLine(term(0, 1, 13));
    EXPECT_EQ(editor->breakPointAt(78.3, 10.2, 0.5), 0);
    EXPECT_EQ(editor->breakPointAt(63, 10, 0.5), -1);
    const std::string before = state();

    // Two moves of one drag are one undo step.
    EXPECT_TRUE(editor->dragBreakPoint(0, 78, 8));
    EXPECT_TRUE(editor->dragBreakPoint(0, 78, 6));
    EXPECT_FALSE(editor->dragBreakPoint(0, 78, 6));  // not moved
    EXPECT_TRUE(editor->endBreakPointDrag());
    EXPECT_EQ(std::make_pair(int(at(0, 1, 13).pointX[0]), int(at(0, 1, 13).pointY[0])), std::make_pair(78, 6));
    const std::string dragged = state();
    EXPECT_TRUE(editor->undo());
    EXPECT_EQ(firstDifference(state(), before), "same");
    EXPECT_TRUE(editor->redo());
    EXPECT_EQ(firstDifference(state(), dragged), "same");

    // A new point goes on the nearest segment, between the two it splits.
    editor->selectLine(term(0, 1, 13));
    EXPECT_TRUE(editor->addBreakPointAt(63.2, 9.4));
    const model::CommLinkTerminal& r = at(0, 1, 13);
    ASSERT_EQ(r.points, 3);
    EXPECT_EQ(std::make_pair(int(r.pointX[1]), int(r.pointY[1])), std::make_pair(63, 9));
    EXPECT_EQ(std::make_pair(int(r.pointX[2]), int(r.pointY[2])), std::make_pair(48, 10));
    EXPECT_FALSE(editor->deleteBreakPointAt(70, 2));  // no point near
    EXPECT_TRUE(editor->deleteBreakPointAt(63, 9));
    EXPECT_EQ(firstDifference(state(), dragged), "same");
    // A 31st point is refused.
    for (int i = 0; i < 28; ++i) ASSERT_TRUE(editor->addBreakPointAt(60, 9));
    EXPECT_EQ(at(0, 1, 13).points, 30);
    EXPECT_FALSE(editor->addBreakPointAt(60, 9));
    EXPECT_EQ(at(0, 1, 13).points, 30);
    // Nothing without a selected line, nothing online.
    editor->selectLine({});
    EXPECT_FALSE(editor->addBreakPointAt(60, 9));
    editor->selectLine(term(0, 1, 13));
    isOnline = true;
    EXPECT_FALSE(editor->dragBreakPoint(0, 70, 3));
    EXPECT_FALSE(editor->deleteBreakPointAt(78, 6));
}

TEST_F(DenTanEditorTest, JunctionsAlignAndSelectedBoxesDeleteWithOneQuestion)
{
    editor->setLineDefaults(5, 0x0000FF);
    ASSERT_TRUE(editor->addJunction(30, 40));
    EXPECT_EQ(editor->figures()->record(0).colour, 0x0000FF);
    EXPECT_TRUE(std::filesystem::exists(work.path() / model::kCommFigureFile));
    EXPECT_TRUE(editor->undo());
    EXPECT_FALSE(editor->figures()->used(0));
    EXPECT_TRUE(editor->redo());
    EXPECT_TRUE(editor->figures()->used(0));
    editor->figures()->Select(0);
    EXPECT_TRUE(editor->deleteJunctions());
    EXPECT_FALSE(editor->figures()->used(0));

    editor->selectBox({0, 1}, false);
    editor->align(0);
    EXPECT_EQ(editor->table().slot(0, 1)->x, 1);
    EXPECT_FALSE(editor->hasSelection());

    const std::string before = state();
    editor->selectBox({0, 0}, false);
    editor->selectBox({0, 1}, true);
    prompt.answer(8101, Answer::Cancel);
    EXPECT_FALSE(editor->deleteSelection());
    EXPECT_EQ(firstDifference(state(), before), "same");
    editor->selectBox({0, 0}, false);
    editor->selectBox({0, 1}, true);
    prompt.answer(8101, Answer::Ok);
    EXPECT_TRUE(editor->deleteSelection());
    EXPECT_FALSE(editor->table().slot(0, 0)->used);
    EXPECT_FALSE(editor->table().slot(0, 1)->used);
    const std::vector<int> asked = prompt.ids();
    EXPECT_EQ(std::count(asked.begin(), asked.end(), 8101), 2);  // once per Delete
}

}  // namespace
}  // namespace kravin::wiring::comm
