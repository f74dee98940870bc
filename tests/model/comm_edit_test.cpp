#include "comm_edit.h"

#include "scripted_prompt.h"
#include "unit_fixture.h"

#include <fstream>
#include <map>

namespace kravin::test {
namespace {

using model::CommLinkEditState;
using model::CommLinkEnd;

std::map<std::string, std::string> folderBytes(const std::filesystem::path& root)
{
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) continue;
        std::ifstream in(e.path(), std::ios::binary);
        std::string bytes(e.file_size(), '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out[e.path().string()] = std::move(bytes);
    }
    return out;
}

class CommEditTest : public UnitFixture {
protected:
    void SetUp() override
    {
        UnitFixture::SetUp();
        const std::map<int, std::string> rnh6 = {{0, "00SYS"}, {11, "31CDI"}, {12, "31CDI"}, {13, "31CDI"},
                                                 {14, "32CDO"}};
        placeStation(0, "RNH6", "1.10", 10, 20);
        writeUnit(0, -1, rnh6);
        placeCard(0, 1, "QV200", "1.00", 40, 20);
        writeUnit(0, 0, {{0, "00SYS"}, {11, "32CDO"}, {12, "31CDI"}, {13, "31CDI"}}, {{11, 0, "SENDER"}});
        placeCard(0, 2, "QV200", "1.00", 70, 20);
        writeUnit(0, 1, {{0, "00SYS"}, {11, "31CDI"}, {12, "32CDO"}}, {{11, 0, "RECV"}, {11, 2, "1"}});
        placeStation(1, "RNH6", "1.10", 10, 60);
        writeUnit(1, -1, rnh6);
        placeCard(1, 1, "QV200", "1.00", 40, 60);
        writeUnit(1, 0, {{0, "00SYS"}, {11, "31CDI"}, {12, "32CDO"}});
        placeCard(1, 2, "TQRQ", "1.00", 70, 60);
        writeUnit(1, 1, {{0, "00SYS"}, {11, "34CAO"}});
        placeStation(2, "RNH6", "1.10", 10, 100);
        placeCard(2, 1, "TQRC", "1.00", 40, 100, "10000");
        placeCard(2, 2, "TQRC$", "1.00", 70, 100);
        writeUnit(2, 0, {{0, "00SYS"}, {1, "01TQC"}, {13, "33CAI"}},
                  {{1, 11, "33"}, {1, 12, "9FF000"}, {1, 13, "9FF000"}});
        rebuild();
    }

    void rebuild() { model::BuildCommConnectionTable(*unit, table); }

    CommLinkEditState link(int pattern, CommLinkEnd a, CommLinkEnd b, CommLinkEnd c = {})
    {
        CommLinkEditState e;
        e.pattern = pattern;
        e.a = a;
        e.b = b;
        e.c = c;
        e.pointCount = 2;
        e.pointX = {5, 6};
        e.pointY = {7, 8};
        e.value = 3;
        e.colour = 0xABCDEF;
        e.text = "LNK";
        e.defaultColour = 0x111111;
        e.defaultValue = 9;
        return e;
    }

    // Items 11, 12, 13, 18, 19 of a terminal's group.
    std::vector<std::string> linkItems(int s, int card, int terminal)
    {
        std::vector<std::string> out;
        for (int item : {11, 12, 13, 18, 19}) out.push_back(unitItem(s, card, terminal, item));
        return out;
    }

    int make(const CommLinkEditState& e) { return model::MakeCommConnection(*unit, table, e, prompt); }

    model::CommLinkTable table;
    ScriptedPrompt prompt;
};

TEST_F(CommEditTest, RefusedLinksNameTheirReasonAndWriteNothing)
{
    // B of a re-transmission that has received nothing; two links for the TQRC card.
    ASSERT_EQ(make(link(1, {0, 0, 11}, {2, 1, 11})), 1);
    prompt.clearLog();
    struct Case {
        const char* what;
        CommLinkEditState edit;
        int message;
    } cases[] = {
        {"same card", link(1, {0, 0, 11}, {0, 0, 12}), 9801},
        {"unknown pattern", link(5, {0, 0, 11}, {0, 1, 11}), 9800},
        {"station to station", link(1, {1, -1, 14}, {0, -1, 11}), 9800},
        {"TQRQ to RNH6", link(1, {1, 1, 11}, {0, -1, 11}), 9802},
        {"re-transmission on one card", link(8, {}, {0, 1, 11}, {0, 1, 12}), 9801},
        {"re-transmission of nothing", link(8, {}, {0, 1, 11}, {0, 0, 12}), 9803},
        {"re-transmission to another station of nothing", link(9, {}, {0, 1, 11}, {1, 0, 11}), 9803},
        {"TQRC card to its own slot", link(1, {2, 0, 13}, {2, 1, 12}), 9806},
        {"TQRC card: the same output twice", link(2, {0, 0, 11}, {2, 0, 13}), 9807},
        {"terminal out of range", link(2, {1, 0, 27}, {0, 1, 11}), 9800},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto before = folderBytes(work.path());
        const auto tableBefore = std::make_unique<model::CommLinkTable>(table);
        prompt.clearLog();
        EXPECT_EQ(make(c.edit), 0);
        EXPECT_EQ(prompt.ids(), std::vector<int>{c.message});
        EXPECT_TRUE(folderBytes(work.path()) == before);
        EXPECT_TRUE(*tableBefore == table);
    }
}

TEST_F(CommEditTest, DirectLinksWriteTheSourceIntoTheReceiver)
{
    struct Case {
        const char* what;
        CommLinkEditState edit;
        std::vector<std::string> items;   // 11, 12, 13, 18, 19 of B's group
    } cases[] = {
        {"case 1: cards of one station", link(1, {0, 0, 11}, {0, 1, 11}), {"FF", "0", "11", "10.0", ""}},
        {"case 2: cards of two stations", link(2, {1, 0, 12}, {0, 0, 12}), {"01", "0", "12", "10.0", ""}},
        {"case 6: a card into an RNH6", link(3, {1, 0, 12}, {0, -1, 12}), {"01", "0", "12", "10.0", ""}},
        {"case 7: a station into a card", link(4, {1, -1, 14}, {0, 0, 13}), {"01", "0", "14", "10.0", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompt.clearLog();
        ASSERT_EQ(make(c.edit), 1);
        EXPECT_TRUE(prompt.shown.empty());
        const CommLinkEnd& a = c.edit.a;
        const CommLinkEnd& b = c.edit.b;
        EXPECT_EQ(linkItems(b.station, b.card, b.terminal), c.items);
        const auto* rec = table.terminal(b.station, b.card, b.terminal);
        EXPECT_EQ(rec->link, 1);
        EXPECT_EQ(rec->sourceStation, a.station);
        EXPECT_EQ(rec->sourceCard, a.card);
        EXPECT_EQ(rec->sourceTerminal, a.terminal);
        EXPECT_EQ(rec->points, 2);
        EXPECT_EQ(rec->pointX[1], 6);
        int ex, ey;
        const int ux = a.card < 0 ? tables.stationX[a.station] : tables.cardX[a.station][a.card];
        const int uy = a.card < 0 ? tables.stationY[a.station] : tables.cardY[a.station][a.card];
        model::CommTerminalPosition(ux, uy, a.terminal, &ex, &ey);
        EXPECT_EQ(rec->endX, ex);
        EXPECT_EQ(rec->endY, ey);
        // The rebuilt table reads the same link from the files.
        auto fresh = std::make_unique<model::CommLinkTable>();
        model::BuildCommConnectionTable(*unit, *fresh);
        const auto* again = fresh->terminal(b.station, b.card, b.terminal);
        EXPECT_EQ(again->link, 1);
        EXPECT_EQ(again->sourceTerminal, a.terminal);
        EXPECT_EQ(again->points, 2);
        EXPECT_EQ(again->pointY[1], 8);
        EXPECT_EQ(again->value, 3);
        EXPECT_EQ(std::string(again->text.data()), "LNK");
    }
    EXPECT_EQ(unitItem(0, 1, 11, 0), "RECV");   // the rest of B's block is kept

    // The receiver keeps its source: another one is refused, the same one is drawn again.
    prompt.clearLog();
    EXPECT_EQ(make(link(1, {0, 1, 12}, {0, 0, 12})), 0);
    EXPECT_EQ(prompt.ids(), std::vector<int>{9804});
    EXPECT_EQ(make(link(2, {1, 0, 12}, {0, 0, 12})), 1);
    // One output of a card goes to one RNH6 terminal only.
    prompt.clearLog();
    EXPECT_EQ(make(link(3, {1, 0, 12}, {0, -1, 13})), 0);
    EXPECT_EQ(prompt.ids(), std::vector<int>{9805});
    EXPECT_EQ(make(link(3, {1, 0, 12}, {0, -1, 12})), 1);   // its own terminal again
}

TEST_F(CommEditTest, ReTransmissionWritesBothEnds)
{
    ASSERT_EQ(make(link(1, {0, 0, 11}, {0, 1, 11})), 1);
    // Case 3: B re-transmits to C on another card of the station.
    ASSERT_EQ(make(link(8, {}, {0, 1, 11}, {0, 0, 12})), 1);
    EXPECT_EQ(linkItems(0, 1, 11), (std::vector<std::string>{"FF", "0", "11", "10.0", "1"}));
    EXPECT_EQ(linkItems(0, 0, 12), (std::vector<std::string>{"FF", "1", "11", "10.0", ""}));
    const auto* c = table.terminal(0, 0, 12);
    EXPECT_EQ(c->link, 1);
    EXPECT_EQ(c->sourceCard, 1);
    EXPECT_EQ(c->sourceTerminal, 11);
    EXPECT_EQ(c->points, 2);
    EXPECT_EQ(table.terminal(0, 1, 11)->link, 1);

    // Case 4: to another station.
    ASSERT_EQ(make(link(9, {}, {0, 1, 11}, {1, 0, 11})), 1);
    EXPECT_EQ(linkItems(1, 0, 11), (std::vector<std::string>{"00", "1", "11", "10.0", ""}));
    EXPECT_EQ(table.terminal(1, 0, 11)->sourceStation, 0);

    // Cases 5 and 8: from the other network ("FE").
    ASSERT_EQ(make(link(6, {}, {0, 0, 13}, {1, 0, 11})), 0);   // C already receives from B
    EXPECT_EQ(prompt.ids().back(), 9804);
    ASSERT_EQ(make(link(6, {}, {0, 0, 13}, {0, 1, 11})), 0);   // C holds A
    prompt.clearLog();
    ASSERT_EQ(make(link(6, {}, {0, 1, 11}, {0, 0, 13})), 0);   // B already receives from A
    EXPECT_EQ(prompt.ids(), std::vector<int>{9804});
    ASSERT_EQ(make(link(7, {}, {0, -1, 13}, {0, -1, 12})), 1);
    EXPECT_EQ(linkItems(0, -1, 13), (std::vector<std::string>{"FE", "0", "11", "10.0", "1"}));
    EXPECT_EQ(table.terminal(0, -1, 13)->link, 2);
    EXPECT_EQ(table.terminal(0, -1, 12)->link, 1);
    EXPECT_EQ(table.terminal(0, -1, 12)->sourceTerminal, 13);
}

// A re-transmission draws a second line: the line into B keeps its route, its
// label and its source, and the drawn route is C's own.
TEST_F(CommEditTest, ReTransmissionKeepsTheLineItReTransmitsFrom)
{
    // Card 0 of station 0 also sends on 19 (not on B's default source terminal 11).
    writeUnit(0, 0, {{0, "00SYS"}, {11, "32CDO"}, {12, "31CDI"}, {13, "31CDI"}, {19, "32CDO"}});
    rebuild();
    struct Case {
        const char* what;
        int pattern;
        CommLinkEnd a, b;
        int retransmitPattern;
        CommLinkEnd c;
    } cases[] = {
        {"case 3: cards of one station", 1, {0, 0, 19}, {0, 1, 11}, 8, {0, 0, 12}},
        {"case 4: on to another station", 2, {0, 1, 12}, {1, 0, 11}, 9, {0, 0, 13}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        CommLinkEditState in = link(k.pattern, k.a, k.b);
        in.pointCount = 2;
        in.pointX = {21, 21};
        in.pointY = {3, 50};
        in.text = "";
        ASSERT_EQ(make(in), 1);
        const std::vector<std::string> bItems = linkItems(k.b.station, k.b.card, k.b.terminal);
        const model::DconImage bLine = model::readDcon(k.b.station, k.b.card + 1, k.b.terminal, work.str());
        const model::CommLinkTerminal bEntry = *table.terminal(k.b.station, k.b.card, k.b.terminal);

        CommLinkEditState on = link(k.retransmitPattern, {}, k.b, k.c);
        on.pointCount = 3;
        on.pointX = {90, 90, 33};
        on.pointY = {70, 2, 2};
        on.value = 5;
        on.colour = 0x00FF00;
        ASSERT_EQ(make(on), 1);
        EXPECT_TRUE(prompt.shown.empty());

        // B: its source items, its record and its table entry as they were; item 19 marks it re-transmitting.
        std::vector<std::string> expected = bItems;
        expected[4] = "1";
        EXPECT_EQ(linkItems(k.b.station, k.b.card, k.b.terminal), expected);
        const model::DconImage bAfter = model::readDcon(k.b.station, k.b.card + 1, k.b.terminal, work.str());
        EXPECT_EQ(bAfter.pointCount, 2);
        EXPECT_EQ(bAfter.px, bLine.px);
        EXPECT_EQ(bAfter.py, bLine.py);
        EXPECT_EQ(bAfter.value, bLine.value);
        EXPECT_EQ(bAfter.colour, bLine.colour);
        EXPECT_EQ(bAfter.text, bLine.text);
        // C: the drawn route, linked to B.
        const model::DconImage cLine = model::readDcon(k.c.station, k.c.card + 1, k.c.terminal, work.str());
        EXPECT_EQ(cLine.pointCount, 3);
        EXPECT_EQ(cLine.px[0], 90);
        EXPECT_EQ(cLine.py[2], 2);
        EXPECT_EQ(cLine.value, 5);

        // The table as the editor keeps it and as it is read again from the files.
        auto fresh = std::make_unique<model::CommLinkTable>();
        model::BuildCommConnectionTable(*unit, *fresh);
        // A table record linked to source through points bends.
        const auto linked = [](const model::CommLinkTerminal& r, const CommLinkEnd& source, int points) {
            EXPECT_EQ(r.link, 1);
            EXPECT_EQ(r.sourceStation, source.station);
            EXPECT_EQ(r.sourceCard, static_cast<std::int8_t>(source.card));
            EXPECT_EQ(r.sourceTerminal, source.terminal);
            EXPECT_EQ(r.points, points);
        };
        for (const model::CommLinkTable* t : std::array<const model::CommLinkTable*, 2>{&table, fresh.get()}) {
            const model::CommLinkTerminal& b = *t->terminal(k.b.station, k.b.card, k.b.terminal);
            linked(b, k.a, 2);
            EXPECT_EQ(b.pointX, bEntry.pointX);
            EXPECT_EQ(b.pointY, bEntry.pointY);
            EXPECT_EQ(b.endX, bEntry.endX);
            EXPECT_EQ(b.endY, bEntry.endY);
            const model::CommLinkTerminal& c = *t->terminal(k.c.station, k.c.card, k.c.terminal);
            linked(c, k.b, 3);
            EXPECT_EQ(c.pointX[2], 33);
            EXPECT_EQ(c.endX, b.startX);
            EXPECT_EQ(c.endY, b.startY);
        }
    }
}

TEST_F(CommEditTest, VirtualTqrcSlotsUseTheirCardsLinkItem)
{
    ASSERT_EQ(make(link(2, {0, 0, 11}, {2, 1, 11})), 1);
    EXPECT_EQ(unitItem(2, 0, 1, 12), "000011");
    EXPECT_EQ(unitItem(2, 0, 1, 13), "9FF000");
    rebuild();
    const auto* rec = table.terminal(2, 1, 11);
    EXPECT_EQ(rec->kind, 3);
    EXPECT_EQ(rec->link, 1);
    EXPECT_EQ(rec->sourceTerminal, 11);

    model::DeleteCommConnection(*unit, table, link(0, {}, {2, 1, 11}));
    EXPECT_EQ(unitItem(2, 0, 1, 12), "000000");
    EXPECT_EQ(table.terminal(2, 1, 11)->link, 0);
    EXPECT_EQ(table.terminal(2, 1, 11)->colour, 0x111111u);
}

TEST_F(CommEditTest, DeleteClearsTheReceiverAndLeavesAPlainSender)
{
    ASSERT_EQ(make(link(1, {0, 0, 11}, {0, 1, 11})), 1);
    model::DeleteCommConnection(*unit, table, link(0, {}, {0, 1, 11}));
    // Items 11, 18 and 19 survive; the rest of the group goes back to its defaults.
    EXPECT_EQ(linkItems(0, 1, 11), (std::vector<std::string>{"FF", "0", "0", "10.0", ""}));
    EXPECT_EQ(unitItem(0, 1, 11, 0), "");
    EXPECT_EQ(unitItem(0, 1, 11, 2), "0");
    const auto* rec = table.terminal(0, 1, 11);
    EXPECT_EQ(rec->link, 0);
    EXPECT_EQ(rec->points, 0);
    EXPECT_EQ(rec->endX, 0);
    EXPECT_EQ(rec->value, 9);
    EXPECT_EQ(rec->kind, 1);
    int p, v, c, k;
    char t[17];
    KRAVinA_Proj_Create("T", "", "", work.str().c_str());
    KRAVinA_Dcon_Get(0, 1, 11, &p, &v, &c, &k, t, work.str().c_str());
    EXPECT_EQ(p, 0);
    EXPECT_EQ(v, 3);
    EXPECT_STREQ(t, "");
    // The sender's block is its own.
    EXPECT_EQ(unitItem(0, 0, 11, 0), "SENDER");
    rebuild();
    EXPECT_EQ(table.terminal(0, 1, 11)->link, 0);
}

}  // namespace
}  // namespace kravin::test
