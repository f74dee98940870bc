#include "anatan_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>

namespace kravin::test {
namespace {

using wiring::AnaTanEditor;

TEST_F(AnaTanFixture, ReadsBlocksTerminalsAndLines)
{
    const wiring::AnalogDiagram& d = editor->diagram();
    // Blocks without analog terminals are not drawn.
    EXPECT_FALSE(d.blocks[0].drawn);
    EXPECT_FALSE(d.blocks[1].drawn);
    EXPECT_FALSE(d.blocks[80].drawn);
    const wiring::DiagramBlock& ads = d.blocks[30];
    ASSERT_TRUE(ads.drawn);
    EXPECT_EQ(ads.inputs.size(), 4u);
    ASSERT_EQ(ads.outputs.size(), 1u);
    EXPECT_EQ(ads.outputs[0].terminal, 4);
    EXPECT_EQ(ads.outputs[0].item, 20);
    EXPECT_EQ(ads.codeText, "ADS(51)");
    const wiring::DiagramInput* in = d.input(31, 11);
    ASSERT_NE(in, nullptr);
    EXPECT_TRUE(in->connected);
    EXPECT_EQ(in->sourceBlock, 30);
    EXPECT_EQ(in->sourceOutput, 0);
    EXPECT_EQ(in->line.kind, 2);
    EXPECT_FALSE(d.input(30, 12)->connected);
}

TEST(AnaTanDiagram, ReferencesAndBoxWidths)
{
    struct Case {
        const char* text;
        bool valid;
    } refs[] = {{"3004", true}, {"0000", false}, {"3000", true}, {"3099", false}, {"30", false},
                {"A004", false}, {"99", false},  {"0512", true}, {"0400", true}};
    for (const Case& c : refs) {
        char text[16] = {};
        std::memcpy(text, c.text, std::strlen(c.text));
        EXPECT_EQ(wiring::ParseSourceRef(text).valid, c.valid) << c.text;
    }
    // Six outputs: 18 + 1 cells; two inputs and three outputs: 15 + 1.
    EXPECT_EQ(wiring::BlockBoxWidth(0, 6), 19);
    EXPECT_EQ(wiring::BlockBoxWidth(2, 3), 16);
}

TEST_F(AnaTanFixture, ReferencesOutsideTheRangeMeanNotConnected)
{
    writeUnit(0, 0, {{30, "51ADS"}, {31, "60LAG"}}, {{31, 11, "1A04"}});
    line(31, 11, {{1, 1}});
    unit->LoadUnitBlocks(1);
    editor->reload();
    EXPECT_FALSE(editor->diagram().input(31, 11)->connected);
    writeUnit(0, 0, {{30, "51ADS"}, {31, "60LAG"}}, {{31, 11, "3004"}});
    // A point count of 100 in the file (the library stores a signed byte) reads as 30.
    {
        std::fstream f(work.path() / model::aconPath(0, 1), std::ios::in | std::ios::out | std::ios::binary);
        ASSERT_TRUE(f);
        f.seekp(static_cast<std::streamoff>(148 * (100 * 31 + 11) + 8));
        f.put(100);
    }
    acon(31, 12);
    model::readAcon(0, 2, 0, 0, work.str());  // the library drops its cached copy
    unit->LoadUnitBlocks(1);
    editor->reload();
    EXPECT_EQ(editor->diagram().input(31, 11)->line.kind, 30);
}

TEST_F(AnaTanFixture, DropPlacesTheBlockLeftOfAndAboveTheCell)
{
    struct Case {
        int cellX, cellY, group, x, y;
    } cases[] = {{5, 5, 33, 0, 7}, {20, 30, 34, 12, 27}, {30, 9, 35, 22, 7}, {30, 11, 36, 22, 8}};
    for (const Case& c : cases) {
        host->groups.push_back(c.group);
        ASSERT_TRUE(editor->ChangeFunction(px(c.cellX), py(c.cellY), "51", "ADS"));
        EXPECT_EQ(unitCode(0, 0, c.group), "51ADS");
        EXPECT_EQ(position(c.group), std::make_pair(c.x, c.y));
        // Items take the definition's defaults.
        EXPECT_EQ(unitItem(0, 0, c.group, 11), "0000");
        EXPECT_EQ(unitItem(0, 0, c.group, 7), "1.00");
    }
    EXPECT_EQ(host->askedCodes, std::vector<std::string>(std::size(cases), "51ADS"));
    // Cancel in Select Group changes nothing.
    const auto before = files();
    host->groups.push_back(std::nullopt);
    EXPECT_FALSE(editor->ChangeFunction(px(40), py(40), "51", "ADS"));
    EXPECT_EQ(files(), before);
}

TEST_F(AnaTanFixture, DropOnAnOccupiedBlockAsksFirst)
{
    const auto before = files();
    const bool couldUndo = host->store.CanUndo();
    host->groups.push_back(31);
    prompt.answer(wiring::kMsgReplaceFunction, model::Answer::Cancel);
    EXPECT_FALSE(editor->ChangeFunction(px(40), py(40), "51", "ADS"));
    EXPECT_EQ(model::test::changedFiles(before, files()), std::vector<std::string>{});
    // Cancel leaves no empty step behind.
    EXPECT_EQ(host->store.CanUndo(), couldUndo);
    EXPECT_FALSE(host->store.hasPending());

    host->groups.push_back(31);
    prompt.answer(wiring::kMsgReplaceFunction, model::Answer::Ok);
    ASSERT_TRUE(editor->ChangeFunction(px(40), py(40), "51", "ADS"));
    EXPECT_EQ(unitCode(0, 0, 31), "51ADS");
    EXPECT_EQ(acon(31, 11).kind, 0);
    EXPECT_FALSE(editor->diagram().input(31, 11)->connected);
    // One undo puts the old block back.
    ASSERT_TRUE(editor->Undo());
    EXPECT_EQ(unitCode(0, 0, 31), "60LAG");
    EXPECT_EQ(unitItem(0, 0, 31, 11), "3004");
}

TEST_F(AnaTanFixture, DeleteFunctionEmptiesTheBlockButNeverBlocksZeroOneAndEighty)
{
    for (int b : {0, 1, 80}) EXPECT_FALSE(editor->DeleteFunction(b, false)) << b;
    EXPECT_EQ(unitCode(0, 0, 0), "00SYS");
    EXPECT_EQ(unitCode(0, 0, 80), "94SSW");

    prompt.answer(wiring::kMsgDeleteFunction, model::Answer::Cancel);
    EXPECT_FALSE(editor->DeleteFunction(30, true));
    EXPECT_EQ(unitCode(0, 0, 30), "51ADS");

    prompt.answer(wiring::kMsgDeleteFunction, model::Answer::Ok);
    ASSERT_TRUE(editor->DeleteFunction(30, true));
    EXPECT_EQ(unitCode(0, 0, 30), "");
    for (int i : {7, 10, 20}) EXPECT_EQ(unitItem(0, 0, 30, i), "") << i;
    char term[21] = {};
    KRAVinA_Data_Term_Get(30, 0, term);
    EXPECT_EQ(std::string(term), "");
    // The line into it and the line out of it are gone.
    EXPECT_FALSE(editor->diagram().blocks[30].drawn);
    EXPECT_FALSE(editor->diagram().input(31, 11)->connected);
    EXPECT_TRUE(host->modified);
}

TEST_F(AnaTanFixture, JumpPairCompletesAndRefusalsChangeNothing)
{
    // Open mark at the output of block 32.
    host->labels.push_back(" J1 ");
    ASSERT_TRUE(editor->AddJumpAt(32, 2, 0));
    ASSERT_EQ(editor->openJumps().size(), 1u);
    EXPECT_EQ(editor->openJumps().front().name, "J1");

    // The same name on another output: 8122, nothing changes.
    const auto before = files();
    host->labels.push_back("J1");
    EXPECT_FALSE(editor->AddJumpAt(30, 2, 0));
    EXPECT_EQ(prompt.ids().back(), wiring::kMsgJumpSameSide);
    EXPECT_EQ(editor->openJumps().size(), 1u);
    EXPECT_EQ(files(), before);

    // At an input it completes the pair.
    host->labels.push_back("J1");
    ASSERT_TRUE(editor->AddJumpAt(30, 1, 1));
    EXPECT_TRUE(editor->openJumps().empty());
    EXPECT_EQ(unitItem(0, 0, 30, 12), "3204");
    const model::AconImage a = acon(30, 12);
    EXPECT_EQ(std::string(a.text.data()), "J1");
    EXPECT_TRUE(editor->diagram().input(30, 12)->connected);

    // A name some line carries already: 8121, nothing changes.
    const auto after = files();
    host->labels.push_back("J1");
    EXPECT_FALSE(editor->AddJumpAt(31, 2, 0));
    EXPECT_EQ(prompt.ids().back(), wiring::kMsgJumpExists);
    EXPECT_TRUE(editor->openJumps().empty());
    EXPECT_EQ(files(), after);

    // One undo takes the pair back, open mark included.
    ASSERT_TRUE(editor->Undo());
    EXPECT_EQ(unitItem(0, 0, 30, 12), "0000");
    ASSERT_EQ(editor->openJumps().size(), 1u);
    EXPECT_EQ(editor->openJumps().front().block, 32);
}

TEST_F(AnaTanFixture, AClickPicksAnOpenMarkAndDeleteRemovesIt)
{
    host->labels.push_back("M1");
    ASSERT_TRUE(editor->AddJumpAt(32, 2, 0));
    // Block 32 at (60, 40): the mark below its output stands at column 62 from row 48.
    ASSERT_TRUE(editor->pressLeft(px(62), py(50), false));
    editor->releaseLeft(px(62), py(50));
    ASSERT_EQ(editor->selectedJumps().size(), 1u);
    ASSERT_TRUE(editor->DeleteSelection());
    EXPECT_TRUE(editor->openJumps().empty());
    EXPECT_TRUE(editor->selectedJumps().empty());
    ASSERT_TRUE(editor->Undo());
    ASSERT_EQ(editor->openJumps().size(), 1u);
    EXPECT_EQ(editor->openJumps().front().name, "M1");
}

TEST_F(AnaTanFixture, LeavingWithOpenMarksAsks)
{
    EXPECT_TRUE(editor->ConfirmOpenJumps());
    host->labels.push_back("A");
    host->labels.push_back("B");
    ASSERT_TRUE(editor->AddJumpAt(32, 2, 0));
    ASSERT_TRUE(editor->AddJumpAt(31, 2, 0));
    prompt.answer(wiring::kMsgJumpsOpen, model::Answer::Cancel);
    EXPECT_FALSE(editor->ConfirmOpenJumps());
    ASSERT_FALSE(prompt.shown.empty());
    EXPECT_EQ(prompt.shown.back().args, (model::MessageArgs{std::string("A, B, ")}));
    EXPECT_EQ(res::message(8102, res::Language::English, prompt.shown.back().args),
              "Jump to A, B,  is not completed. \n\nAre you sure to discard?");
    prompt.answer(wiring::kMsgJumpsOpen, model::Answer::Ok);
    EXPECT_TRUE(editor->ConfirmOpenJumps());
}

TEST_F(AnaTanFixture, GroupMoveIsOneUndoStep)
{
    const auto p30 = position(30), p31 = position(31), p32 = position(32);
    editor->SelectAll();
    ASSERT_EQ(editor->moveList().records().size(), 3u);
    // Press inside block 31's box, drag three cells right and two down.
    const int x = px(24) + 2, y = py(40) + 2;
    ASSERT_TRUE(editor->pressLeft(x, y, false));
    editor->moveMouse(x + 16, y, true);
    editor->moveMouse(x + 48, y + 32, true);
    ASSERT_TRUE(editor->releaseLeft(x + 48, y + 32));
    EXPECT_EQ(position(30), std::make_pair(p30.first + 3, p30.second + 2));
    EXPECT_EQ(position(32), std::make_pair(p32.first + 3, p32.second + 2));
    ASSERT_TRUE(host->store.CanUndo());
    ASSERT_TRUE(editor->Undo());
    EXPECT_EQ(position(30), p30);
    EXPECT_EQ(position(31), p31);
    EXPECT_EQ(position(32), p32);
    EXPECT_FALSE(host->store.CanUndo());
    ASSERT_TRUE(editor->Redo());
    EXPECT_EQ(position(31), std::make_pair(p31.first + 3, p31.second + 2));
}

TEST_F(AnaTanFixture, FormatChangeKeepsPointsAndLabel)
{
    line(31, 11, {{15, 30}, {15, 22}}, "LB");
    editor->reload();
    ASSERT_TRUE(editor->SelectConnectionLine(31, 11));
    host->formats.push_back(wiring::LineFormatChoice{1, 2, 0x00FF00});
    ASSERT_TRUE(editor->LineFormat());
    const model::AconImage a = acon(31, 11);
    EXPECT_EQ(a.value, 6);
    EXPECT_EQ(a.colour, 0x00FF00);
    EXPECT_EQ(a.kind, 2);
    EXPECT_EQ(a.px[1], 15);
    EXPECT_EQ(a.py[1], 22);
    EXPECT_EQ(std::string(a.text.data()), "LB");
    EXPECT_EQ(host->kind, 6);
}

TEST_F(AnaTanFixture, DrawsALineWithTwoBendsFromAnOutputToAnInput)
{
    // Block 32's output pin is at column 62, row 48; block 30's input 2 (IN2) at column 25, row 6.
    ASSERT_TRUE(editor->pressLeft(px(62), py(46), false));
    ASSERT_EQ(editor->line().mode, 2);
    editor->moveMouse(px(62), py(55), false);  // vertical run down
    editor->pressLeft(px(62), py(55), false);
    editor->moveMouse(px(25), py(55) + 3, false);  // horizontal run left
    editor->pressLeft(px(25), py(55) + 3, false);
    ASSERT_EQ(editor->line().points.size(), 2u);
    ASSERT_TRUE(editor->pressLeft(px(25) + 4, py(8), false));
    EXPECT_EQ(editor->line().mode, 0);
    EXPECT_EQ(unitItem(0, 0, 30, 12), "3204");
    const model::AconImage a = acon(30, 12);
    ASSERT_EQ(a.kind, 2);
    // Stored from the input end.
    EXPECT_EQ(std::make_pair(a.px[0], a.py[0]), std::make_pair(25, 55));
    EXPECT_EQ(std::make_pair(a.px[1], a.py[1]), std::make_pair(62, 55));
    ASSERT_TRUE(editor->Undo());
    EXPECT_EQ(unitItem(0, 0, 30, 12), "0000");
}

// Every analog output of the card's blocks, drawn by hand into BCA's IN1, reads
// back as the line drawn: the output at terminal index 0 as much as the others.
TEST_F(AnaTanFixture, EveryShippedAnalogOutputConnectsAndReadsBack)
{
    // The block codes of the card's table and the groups each may take.
    std::map<std::string, std::vector<int>> groupsOf;
    for (int g = 2; g < model::kGroups; ++g)
        for (int i = 0; i < unit->validBlockCount[static_cast<std::size_t>(g)]; ++i)
            groupsOf[std::string(unit->validBlocks[static_cast<std::size_t>(g)].data() + 5 * i, 5)].push_back(g);
    const auto bca = std::find_if(groupsOf.begin(), groupsOf.end(), [](const auto& e) { return e.first.substr(2) == "BCA"; });
    ASSERT_NE(bca, groupsOf.end());
    const int dest = bca->second.front();
    const std::string bcaCode = bca->first;
    int outputs = 0, atIndexZero = 0;
    for (const auto& [code, groups] : groupsOf) {
        const auto other = std::find_if(groups.begin(), groups.end(), [&](int g) { return g != dest; });
        if (other == groups.end()) continue;
        const int source = *other;
        writeUnit(0, 0, {{0, "00SYS"}, {1, "01CTL"}, {80, "94SSW"}, {source, code}, {dest, bcaCode}});
        place(source, 20, 60);
        place(dest, 20, 20);
        unit->LoadUnitBlocks(1);
        editor->reload();
        const auto drawnOutputs = editor->diagram().blocks[static_cast<std::size_t>(source)].outputs;
        for (std::size_t j = 0; j < drawnOutputs.size(); ++j) {
            SCOPED_TRACE(code + " output " + drawnOutputs[j].name);
            ++outputs;
            if (drawnOutputs[j].terminal == 0) ++atIndexZero;
            const double column = 20 + 3.0 * static_cast<double>(j) + 1.5;
            ASSERT_TRUE(editor->pressLeft(px(column), py(66.5), false));
            ASSERT_EQ(editor->line().mode, 2);
            editor->pressLeft(px(21.5), py(17.5), false);
            ASSERT_EQ(editor->line().mode, 0);
            // Read again from the files, as the view and the print read it.
            wiring::AnalogDiagram d;
            wiring::ReadAnalogDiagram(*unit, d, false);
            const wiring::DiagramInput* in = d.input(dest, 11);
            ASSERT_NE(in, nullptr);
            EXPECT_TRUE(in->connected);
            EXPECT_EQ(in->sourceBlock, source);
            EXPECT_EQ(in->sourceOutput, static_cast<int>(j));
            editor->reload();
            EXPECT_TRUE(editor->diagram().input(dest, 11)->connected);
        }
    }
    EXPECT_GT(outputs, 10);
    EXPECT_GT(atIndexZero, 3);
}

TEST_F(AnaTanFixture, InputToInputLeavesTheLineInProgress)
{
    ASSERT_TRUE(editor->pressLeft(px(22), py(8), false));  // block 30 input 0
    ASSERT_EQ(editor->line().mode, 1);
    editor->pressLeft(px(62), py(38), false);               // block 32 input 0
    EXPECT_EQ(editor->line().mode, 1);
    // Right button drops the line without bends.
    editor->pressRight(px(62), py(38));
    EXPECT_EQ(editor->line().mode, 0);
    // The first context menu after that is swallowed.
    EXPECT_FALSE(editor->contextMenu(px(100), py(100)).shown);
    EXPECT_TRUE(editor->contextMenu(px(100), py(100)).shown);
}

TEST_F(AnaTanFixture, LineHitToleranceIsSixteenPixelsAtAnyZoom)
{
    // Line 32.OT1 -> 30.IN1: straight from (22, 5) to (62, 48).
    line(30, 11, {{22, 60}, {62, 60}});
    editor->reload();
    for (int pitch : {8, 32}) {
        editor->setView(pitch, 0, 0);
        int b = -1, item = -1, k = -1;
        // The horizontal segment at row 60, columns 22..62.
        const int x = px(40), y = py(60);
        EXPECT_TRUE(editor->FindConnectionLineAt(x, y + 16, &b, &item, &k)) << pitch;
        EXPECT_EQ(b, 30);
        EXPECT_EQ(item, 11);
        EXPECT_FALSE(editor->FindConnectionLineAt(x, y + 17, &b, &item, &k)) << pitch;
    }
}

TEST_F(AnaTanFixture, FigureOverABlockWinsTheClick)
{
    ASSERT_TRUE(editor->figures()->AddFigure(25, 10, 0));
    ASSERT_TRUE(editor->pressLeft(px(25), py(10), false));
    EXPECT_TRUE(editor->figures()->HasEntries());
    EXPECT_FALSE(editor->moveList().IsSelected());
    editor->releaseLeft(px(25), py(10));
    // Beside the figure the block is taken.
    ASSERT_TRUE(editor->pressLeft(px(30) + 2, py(11) + 2, false));
    EXPECT_TRUE(editor->moveList().contains(30));
    EXPECT_FALSE(editor->figures()->HasEntries());
}

TEST_F(AnaTanFixture, NothingChangesWhileOnline)
{
    host->isOnline = true;
    const auto before = files();
    host->groups.push_back(33);
    EXPECT_FALSE(editor->ChangeFunction(px(50), py(50), "51", "ADS"));
    EXPECT_FALSE(editor->DeleteFunction(30, false));
    EXPECT_FALSE(editor->pressLeft(px(22), py(8), false));
    EXPECT_FALSE(editor->AlignLeft());
    EXPECT_FALSE(editor->Undo());
    EXPECT_FALSE(editor->contextMenu(px(22), py(8)).shown);
    EXPECT_EQ(files(), before);
    EXPECT_GE(host->beeps, 5);
}

TEST_F(AnaTanFixture, BendPointsAddAndDelete)
{
    ASSERT_TRUE(editor->SelectConnectionLine(31, 11));
    // Segment 0 runs from the input (22, 35) to the first bend (15, 30).
    ASSERT_TRUE(editor->AddBreakpoint({18, 33}));
    model::AconImage a = acon(31, 11);
    ASSERT_EQ(a.kind, 3);
    EXPECT_EQ(std::make_pair(a.px[0], a.py[0]), std::make_pair(18, 32));
    ASSERT_TRUE(editor->DeleteBreakpoint({15, 23}));
    a = acon(31, 11);
    ASSERT_EQ(a.kind, 2);
    EXPECT_EQ(std::make_pair(a.px[1], a.py[1]), std::make_pair(15, 30));
}

TEST_F(AnaTanFixture, DoubleClickOpensBlockSettingAndOkWritesTheBlock)
{
    // Cancel: the files stay as they were and no undo step appears.
    const auto before = files();
    host->setting = [] { return false; };
    EXPECT_FALSE(editor->doubleClick(px(28), py(10)));
    EXPECT_EQ(host->settings, 1);
    EXPECT_EQ(files(), before);
    EXPECT_FALSE(host->store.CanUndo());

    host->setting = [this] {
        auto& item = unit->blockItemData.items[7];
        item.fill(0);
        std::memcpy(item.data(), "2.50", 4);
        return true;
    };
    ASSERT_TRUE(editor->doubleClick(px(28), py(10)));
    EXPECT_EQ(unitItem(0, 0, 30, 7), "2.50");
    ASSERT_TRUE(editor->Undo());
    EXPECT_NE(unitItem(0, 0, 30, 7), "2.50");
}

TEST_F(AnaTanFixture, RemoteStationBlockSettingComesBackToItsCardHoweverItEnds)
{
    placeStation(1, "V8RTU");
    placeCard(1, 1, "V8RTU");
    placeCard(1, 3, "V8RTU");
    writeUnit(1, 0, {{0, "00SYS"}, {1, "01RIO"}});
    writeUnit(1, 2, {{0, "00SYS"}, {1, "01RIO"}, {30, "51ADS"}});
    makeCurrent(1, 3);
    editor->open();
    for (bool ok : {false, true}) {
        host->setting = [ok] { return ok; };
        EXPECT_EQ(editor->BlockSetting(0), ok);
        // The dialog ran on card 1; the view's card is current again.
        EXPECT_EQ(host->settingCard, 1);
        EXPECT_EQ(unit->g_curCard, 3) << ok;
        EXPECT_EQ(std::string(unit->model()).substr(0, 5), "V8RTU");
    }
}

TEST_F(AnaTanFixture, ContextMenuOffersWhatLiesUnderThePoint)
{
    using namespace wiring::anacmd;
    struct Case {
        const char* what;
        int x, y;
        std::vector<int> entries;
    } cases[] = {
        {"connected input", px(22), py(37), {LineFormat, AddJump, 0, SelectLine, DeleteLine, 0, DrawJunction, 0, ResetOrigin}},
        {"free input", px(25), py(7), {LineFormat, AddJump, 0, DrawJunction, 0, ResetOrigin}},
        {"output", px(22) + 4, py(16), {LineFormat, 0, AddJump, 0, DrawJunction, 0, ResetOrigin}},
        {"block box", px(28), py(10), {DeleteFunction, 0, ItemHelp, 0, DrawJunction, 0, ResetOrigin}},
        {"empty cell", px(150), py(150), {LineFormat, 0, DrawJunction, 0, ResetOrigin}},
    };
    for (const Case& c : cases) {
        editor->moveList().Clear();
        const wiring::ContextMenu menu = editor->contextMenu(c.x, c.y);
        EXPECT_TRUE(menu.shown) << c.what;
        EXPECT_EQ(menu.entries, c.entries) << c.what;
    }
    // A selected line offers its bend points.
    editor->moveList().Clear();
    ASSERT_TRUE(editor->SelectConnectionLine(31, 11));
    EXPECT_EQ(editor->contextMenu(px(150), py(150)).entries,
              (std::vector<int>{LineFormat, 0, AddBreakpoint, DeleteBreakpoint, 0, DeleteLine, 0, DrawJunction, 0,
                                ResetOrigin}));
    // 40434 from the input's menu deletes the line into it.
    editor->SelectConnectionLine(31, 11);
    editor->contextMenu(px(22), py(37));
    ASSERT_TRUE(editor->runCommand(DeleteLine));
    EXPECT_EQ(unitItem(0, 0, 31, 11), "");
    EXPECT_FALSE(editor->diagram().input(31, 11)->connected);
}

}  // namespace
}  // namespace kravin::test
