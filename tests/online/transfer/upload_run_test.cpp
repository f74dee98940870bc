// The upload and the network download runs against the controller simulator and the
// simulated bus, with no waits; the value conversion on its own.
#include "KRAVinA.h"
#include "net_download_run.h"
#include "scripted_questions.h"
#include "served_qvsim.h"
#include "shipped_upload.h"
#include "upload_model.h"
#include "upload_run.h"
#include "upload_devices.h"

#include "serial_link.h"
#include "settings.h"
#include "vuken_sim.h"

#include <gtest/gtest.h>

#include <cstring>

#include <memory>

namespace kravin::online {
namespace {

using namespace std::chrono_literals;
using test::ScriptedQuestions;

std::string padded(std::string m)
{
    m.resize(8, ' ');
    return m;
}

UploadItemDef def(const char* type, const char* name = "", const char* range = "") { return {type, name, range}; }

TEST(UploadConversion, ValuesTakeTheProjectsForm)
{
    struct Case {
        const char* reply;
        int group, item;
        UploadItemDef def;
        const char* stored;  // nullptr: refused
    };
    const Case cases[] = {
        {"D12.3456", 1, 11, def("FLOAT2"), "12.35"},
        {"D12.3456", 1, 11, def("FLOAT4"), "12.3456"},
        {"D-0.05", 1, 11, def("FLOAT1"), "-0.1"},
        {"AB:7.5", 1, 11, def("FLOAT2"), "7.50"},
        {"D0042", 1, 11, def("INT4"), "42"},
        {"D-7", 1, 11, def("INT2"), "-7"},
        {"D16", 1, 11, def("FACTORIAL"), "16"},
        {"D4x", 1, 11, def("INT4"), nullptr},
        {"DON", 1, 2, def("FLAG", "\"0:OFF,1:ON\"Operation"), "1"},
        {"D0", 1, 2, def("FLAG", "\"0:OFF,1:ON\"Operation"), "0"},
        {"DMAYBE", 1, 2, def("FLAG", "\"0:OFF,1:ON\"Operation"), nullptr},
        // A FLAG without choices (a CDI's inputs) holds a character of its range.
        {"D1", 11, 20, def("FLAG", "Input 1", "0;1"), "1"},
        {"D0", 11, 20, def("FLAG", "Input 1", "0;1"), "0"},
        {"D2", 11, 20, def("FLAG", "Input 1", "0;1"), nullptr},
        {"D01", 11, 20, def("FLAG", "Input 1", "0;1"), nullptr},
        {"DX", 11, 20, def("FLAG", "Input 1"), "X"},  // no range: as it is
        {"D123456789012", 1, 11, def("FLOAT4"), nullptr},  // "%.4f" wider than 16
        {"DABC", 1, 11, def("FLOAT2"), nullptr},
        {"D", 1, 11, def("FLOAT2"), ""},                    // empty stays empty
        {"D130001", 85, 11, def("STEP"), "130001"},
        {"D*", 85, 12, def("STEP"), nullptr},               // a step shorter than six
        {"D*****9", 85, 12, def("STEP"), "******"},
        {"D0001", 85, 12, def("STEP"), nullptr},
        {"D  QV200", 0, 97, def("CHAR08"), "QV200"},
        {"DTAG-1", 1, 0, def("CHAR08"), "TAG-1"},
    };
    for (const Case& c : cases) {
        std::string why;
        const std::optional<std::string> v = ConvertUploadValue(c.reply, c.group, c.item, c.def, &why);
        if (c.stored) {
            ASSERT_TRUE(v) << c.reply << " " << c.def.type << ": " << why;
            EXPECT_EQ(*v, c.stored) << c.reply << " " << c.def.type;
        } else {
            EXPECT_FALSE(v) << c.reply << " " << c.def.type << " gave " << v.value_or("");
            EXPECT_FALSE(why.empty());
        }
    }
}

TEST(UploadConversion, CardNames)
{
    EXPECT_EQ(UploadDisplayName("TQNH2"), "TQN-H2  ");
    EXPECT_EQ(UploadDisplayName("NK-1    "), "TQNK-1  ");
    EXPECT_EQ(UploadDisplayName("QV200   "), "QV200   ");
    EXPECT_EQ(SpecialCardName(24, false), "TQNH2   ");
    EXPECT_EQ(SpecialCardName(24, true), "TQGH2   ");
    EXPECT_EQ(SpecialCardName(14, true), "TQGV2   ");
    EXPECT_EQ(SpecialCardName(14, false), "");
    EXPECT_EQ(SpecialCardName(16, true), "");
}

class UploadRuns : public ::testing::Test, protected test::ServedQvsim {
protected:
    void SetUp() override { model::LoadCardKindMasters(masters, KRAVIN_SAMPLE_TABLES "/"); }


    UploadSetup setup(bool bus = false)
    {
        UploadSetup s;
        s.bus = bus;
        if (server) s.portName = server->devicePath();
        s.baudIndex = 1;
        s.station = 2;
        s.card = 1;
        test::UseShippedTables(s, masters);
        return s;
    }

    std::unique_ptr<UploadRun> run(UploadSetup s, BusApi bus = {})
    {
        auto r = std::make_unique<UploadRun>(&link, bus, std::move(s), questions, TransferTiming{});
        r->Run();
        return r;
    }

    model::CardKindMasters masters;
    ScriptedQuestions questions;
};

TEST_F(UploadRuns, AnEmptySlotCreatesTheUnitFromTheDevice)
{
    qvsim::SimCard card = qvsim::DefaultCard();
    card.sampleBlocks = false;  // a group holds only the items it lists
    card.bank0[1].erase(2);  // two items the card lacks
    card.bank0[1].erase(3);
    card.bank0[1][7] = "12.5";
    ASSERT_NO_FATAL_FAILURE(serve({card}));
    questions.answer(model::AnswerSkipAll);
    auto r = run(setup());
    ASSERT_EQ(r->context().result().outcome(), TransferOutcome::Finished) << r->context().result().messageId();
    const UploadStaging& s = r->staging();
    EXPECT_TRUE(s.created);
    EXPECT_EQ(s.model, "QV200   ");
    EXPECT_EQ(s.version, "1.00");
    EXPECT_EQ(s.blockCodes[0], "00SYS");
    EXPECT_EQ(s.blockCodes[1], "01CTL");
    EXPECT_EQ(s.blockCodes[2], "21BCA");
    EXPECT_EQ(s.items.at({1, 7}), "12.5");
    EXPECT_EQ(s.items.at({1, 10}), "01");   // the block number
    EXPECT_EQ(s.items.at({2, 11}), "0000");
    EXPECT_EQ(s.blockCodes[3], "");         // item 10 "**": no block
    EXPECT_EQ(s.items.count({1, 2}), 0u);  // missing on the device: not staged
    const std::vector<std::string> kinds = questions.kinds();
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), "missing"), 1);  // Skip All asks once
    EXPECT_FALSE(link.isOpen());
}

TEST_F(UploadRuns, SequenceEndAndIntegersAndFloats)
{
    qvsim::SimCard card = qvsim::BlankCard("QV200", "0001");
    card.bank0[1] = {{10, "01"}, {3, "F"}, {5, "0016"}, {6, "0042"}, {7, "12.3456"}};
    card.bank0[85] = {{10, "95"}, {11, "130001"}, {12, "030000"}, {13, "050000"}, {14, "130003"}, {15, "000000"}, {16, "130002"}};
    ASSERT_NO_FATAL_FAILURE(serve({card}));
    UploadSetup s = setup();
    s.newUnit = false;
    s.model = padded("QV200");
    s.version = "1.00";
    s.blockCodes[0] = "00SYS";
    s.blockCodes[1] = "01CTL";
    questions.defaultAnswer = model::AnswerSkip;
    auto r = run(s);
    ASSERT_EQ(r->context().result().outcome(), TransferOutcome::Finished) << r->context().result().messageId()
                                                                          << r->context().result().detail();
    const UploadStaging& st = r->staging();
    EXPECT_EQ(st.items.at({1, 6}), "42");     // INT2 0042
    EXPECT_EQ(st.items.at({1, 7}), "12.3");   // FLOAT1
    EXPECT_EQ(st.items.at({1, 5}), "16");     // FACTORIAL
    EXPECT_EQ(st.items.at({1, 3}), "F");      // HEX_FLAG kept
    EXPECT_EQ(st.blockCodes[85], "95SEQ");
    EXPECT_EQ(st.items.at({85, 15}), "000000");
    for (int i = 16; i < 100; ++i) EXPECT_EQ(st.items.at({85, i}), "******") << i;
    // The device's later step was never asked.
    bool in85 = false;
    for (const std::string& line : server->receivedLines()) {
        if (line[0] == 'G') in85 = line == "G85\r";
        EXPECT_FALSE(in85 && line == "I16\r");
    }
}

TEST_F(UploadRuns, SpecialCodeAskedByGroup98)
{
    for (bool present : {false, true}) {
        qvsim::SimCard card = qvsim::BlankCard("QV200", "0001");
        card.bank0[0][96] = "24";
        card.bank0[0][99] = "1.00";
        if (!present) card.blank = false;  // only the groups it lists
        if (!present) card.bank0.erase(98);
        ASSERT_NO_FATAL_FAILURE(serve({card}));
        UploadSetup s = setup();
        // The sample masters know no TQ cards: give this run's copy the two kinds.
        for (const char* name : {"TQNH2", "TQGH2"}) {
            int k = 1;
            while (!s.masters.card.name[static_cast<std::size_t>(k)].empty()) ++k;
            s.masters.card.name[static_cast<std::size_t>(k)] = padded(name);
            s.masters.card.versions[static_cast<std::size_t>(k)][0] = "1.00";
        }
        std::string described;
        s.describe = [&described](const std::string& model, const std::string&) {
            described = model;
            UploadModelInfo info;
            info.validCodes[0] = {"00SYS"};
            info.blocks["00SYS"][11] = def("INT4", "Scan counter");
            return std::optional<UploadModelInfo>(info);
        };
        auto r = run(s);
        ASSERT_EQ(r->context().result().outcome(), TransferOutcome::Finished) << r->context().result().messageId();
        EXPECT_EQ(r->staging().model, present ? "TQGH2   " : "TQNH2   ");
        EXPECT_EQ(described, present ? "TQGH2" : "TQNH2");
        const auto lines = server->receivedLines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), "G98\r"), lines.end());
        link.CloseComPort();
    }
}

TEST_F(UploadRuns, UnlistedVersionForcedOrCancelled)
{
    qvsim::SimCard card = qvsim::DefaultCard();
    card.bank0[0][99] = "9.99";
    ASSERT_NO_FATAL_FAILURE(serve({card}));
    questions.answer(model::AnswerSkip);     // Forced Execute
    questions.answer(model::AnswerSkipAll);  // the missing items
    auto forced = run(setup());
    ASSERT_EQ(forced->context().result().outcome(), TransferOutcome::Finished);
    EXPECT_EQ(forced->staging().version, masters.card.versions[static_cast<std::size_t>(masters.card.find("QV200"))][0]);
    EXPECT_EQ(questions.kinds().front(), "version");

    questions.answer(model::AnswerAbort);  // Cancel
    auto cancelled = run(setup());
    EXPECT_EQ(cancelled->context().result().outcome(), TransferOutcome::Aborted);
    EXPECT_EQ(cancelled->context().result().messageId(), 0);  // no message
}

TEST_F(UploadRuns, UnknownCodeBadTypeAndNoReplyFail)
{
    struct Case {
        const char* type;
        bool silent;
        int message;
    };
    const Case cases[] = {{"77", false, kMsgUnknownCardType}, {"7", false, kMsgBadDeviceValue},
                          {"16", true, kMsgUploadCommError}};
    for (const Case& c : cases) {
        qvsim::SimCard card = qvsim::DefaultCard();
        card.bank0[0][96] = c.type;
        ASSERT_NO_FATAL_FAILURE(serve({card}));
        if (c.silent) server->setStandingFault(qvsim::Fault::NoReply);
        auto r = run(setup());
        EXPECT_EQ(r->context().result().outcome(), TransferOutcome::Failed) << c.type;
        EXPECT_EQ(r->context().result().messageId(), c.message) << c.type;
        EXPECT_FALSE(link.isOpen());
    }
}

TEST_F(UploadRuns, StopAndAbortEndWithoutAFinishedStaging)
{
    qvsim::SimCard card = qvsim::DefaultCard();
    card.sampleBlocks = false;  // a group holds only the items it lists
    card.bank0[1].erase(2);
    ASSERT_NO_FATAL_FAILURE(serve({card}));
    questions.answer(model::AnswerAbort);  // the first missing item
    auto aborted = run(setup());
    EXPECT_EQ(aborted->context().result().outcome(), TransferOutcome::Aborted);
    EXPECT_EQ(aborted->context().result().messageId(), kMsgUploadStopped);

    UploadRun stopped(&link, {}, setup(), questions, TransferTiming{});
    stopped.context().progress = [&stopped](const TransferProgress& p) {
        if (p.group == 1) stopped.context().RequestStop();
    };
    questions.defaultAnswer = model::AnswerSkip;
    stopped.Run();
    EXPECT_EQ(stopped.context().result().outcome(), TransferOutcome::Stopped);
    EXPECT_EQ(stopped.context().result().messageId(), 0);  // Stop shows no message
}

TEST_F(UploadRuns, Bank2GroupsLandInTheirBank0Groups)
{
    qvsim::SimCard card = qvsim::BlankCard("KMQ", "0001");
    card.bank0[1] = {{10, "01"}, {11, "0005"}};
    card.bank2[1] = {{10, "41"}, {11, "0007"}};
    card.bank2[14] = {{10, "41"}, {11, "0009"}};
    ASSERT_NO_FATAL_FAILURE(serve({card}));
    UploadSetup s = setup();
    s.newUnit = false;
    s.model = padded("KMQ");
    s.version = "1.00";
    s.describe = [](const std::string&, const std::string&) {
        UploadModelInfo info;
        info.validCodes[0] = {"00SYS"};
        info.validCodes[1] = {"01CTL"};
        info.blocks["01CTL"][11] = def("INT4");
        for (int g : {4, 5, 6, 7, 8, 9, 10, 27, 28, 29, 70, 71, 93, 94}) info.validCodes[static_cast<std::size_t>(g)] = {"41ADD"};
        info.blocks["41ADD"][11] = def("INT4");
        return std::optional<UploadModelInfo>(info);
    };
    auto r = run(s);
    ASSERT_EQ(r->context().result().outcome(), TransferOutcome::Finished) << r->context().result().messageId();
    const UploadStaging& st = r->staging();
    EXPECT_EQ(st.items.at({1, 11}), "5");
    EXPECT_EQ(st.blockCodes[4], "41ADD");
    EXPECT_EQ(st.items.at({4, 11}), "7");
    EXPECT_EQ(st.items.at({94, 11}), "9");
    EXPECT_EQ(st.blockCodes[5], "");  // bank 2 group 2 has no block
    int bank = -1;
    server->withController([&bank](qvsim::Controller& c) { bank = c.bank(); });
    EXPECT_EQ(bank, 0);  // the run ends in bank 0
}

class BusTransfers : public ::testing::Test {
protected:
    void SetUp() override
    {
        vuken_sim_reset();
        model::LoadCardKindMasters(masters, KRAVIN_SAMPLE_TABLES "/");
    }
    void TearDown() override { vuken_sim_reset(); }
    std::vector<VukenJournalEntry> journal()
    {
        std::vector<VukenJournalEntry> out;
        for (long i = 0; i < vuken_sim_journal_size(); ++i) {
            VukenJournalEntry e{};
            vuken_sim_journal_entry(i, &e);
            out.push_back(e);
        }
        return out;
    }
    std::string item(int station, int card, int g, int i)
    {
        char b[32] = {};
        return vuken_sim_get_item(station, card, g, i, b, sizeof b) < 0 ? "?" : b;
    }
    model::CardKindMasters masters;
    ScriptedQuestions questions;
};

TEST_F(BusTransfers, NetworkDownloadOrderThenUploadGivesTheSameValues)
{
    vuken_sim_add_card(4, 2);
    TransferUnit unit;
    unit.station = 4;
    unit.startCard = 3;
    TransferCard card;
    card.card = 2;
    card.model = padded("QV200");
    card.version = "1.00";
    card.groups = {
        {0, true, {{11, "1000"}, {97, "QV200"}}, {}},
        {1, true, {{10, "01"}, {11, "0000000"}, {12, "0000"}}, "01"},
        {2, true, {{10, "21"}, {11, "0105"}}, "21"},
    };
    unit.cards.push_back(card);
    NetDownloadSetup setup;
    setup.blockCodes[0] = "00SYS";
    setup.blockCodes[1] = "01CTL";
    setup.blockCodes[2] = "21BCA";
    NetDownloadRun download(BusApi::Vuken(), unit, setup, questions, TransferTiming{});
    download.Run();
    ASSERT_EQ(download.context().result().outcome(), TransferOutcome::Finished);
    std::vector<std::string> writes;
    for (const VukenJournalEntry& e : journal()) {
        EXPECT_EQ(e.address, 4 << 5 | 2);
        EXPECT_EQ(e.operation, VUKEN_OP_WRITE);
        writes.push_back(std::to_string(e.group) + "." + std::to_string(e.item) + "=" + e.data);
    }
    const std::vector<std::string> expected{"0.1=1",  "0.95=1",        "0.11=1000", "0.1=0",  "0.97=QV200",
                                            "0.1=1",  "1.10=01",       "0.1=0",   "1.11=0000000", "1.12=0000",
                                            "0.1=1",  "2.10=21",       "0.1=0",   "2.11=0105", "0.1=0"};
    EXPECT_EQ(writes, expected);

    // The upload over the bus reads it back.
    UploadSetup s;
    s.bus = true;
    s.station = 4;
    s.card = 3;
    s.newUnit = false;
    s.model = padded("QV200");
    s.version = "1.00";
    s.blockCodes[0] = "00SYS";
    s.masters = masters;
    const model::CardKindMasters* m = &masters;
    s.describe = [m](const std::string& model, const std::string& version) {
        return DescribeUploadModel(*m, KRAVIN_SAMPLE_TABLES "/", model, version);
    };
    questions.defaultAnswer = model::AnswerSkipAll;
    UploadRun upload(nullptr, BusApi::Vuken(), s, questions, TransferTiming{});
    upload.Run();
    ASSERT_EQ(upload.context().result().outcome(), TransferOutcome::Finished) << upload.context().result().messageId();
    EXPECT_EQ(upload.staging().blockCodes[1], "01CTL");
    EXPECT_EQ(upload.staging().blockCodes[2], "21BCA");
    EXPECT_EQ(upload.staging().items.at({1, 11}), "0000000");
    EXPECT_EQ(upload.staging().items.at({2, 11}), "0105");
    EXPECT_EQ(get_kilnbus_status(), VUKEN_STATUS_CLOSED);
}

TEST_F(BusTransfers, FourFailedWritesAskAndSkipRetriesTheSameWrite)
{
    vuken_sim_add_card(0, 0);
    TransferUnit unit;
    unit.station = 0;
    unit.startCard = 1;
    TransferCard card;
    card.card = 0;
    card.model = padded("QV200");
    card.groups = {{2, true, {{10, "21"}, {11, "0105"}}, "21"}};
    unit.cards.push_back(card);
    NetDownloadSetup setup;
    setup.clearEeprom = false;
    setup.blockCodes[2] = "21BCA";
    vuken_sim_fail_item_times(0, 0, 2, 11, VUKEN_ERR_NO_ITEM, 5);
    questions.answer(model::AnswerSkip);
    NetDownloadRun run(BusApi::Vuken(), unit, setup, questions, TransferTiming{});
    run.Run();
    ASSERT_EQ(run.context().result().outcome(), TransferOutcome::Finished);
    ASSERT_EQ(questions.asked().size(), 1u);
    EXPECT_EQ(questions.asked()[0].device, "(((((  Group:02 Item:11  )))))");
    EXPECT_EQ(item(0, 0, 2, 11), "0105");

    // Abort: the unit's download mode is switched off before the bus goes.
    vuken_sim_fail_item_times(0, 0, 2, 11, VUKEN_ERR_NO_ITEM, 4);
    questions.answer(model::AnswerAbort);
    NetDownloadRun aborted(BusApi::Vuken(), unit, setup, questions, TransferTiming{});
    aborted.Run();
    EXPECT_EQ(aborted.context().result().outcome(), TransferOutcome::Aborted);
    const auto j = journal();
    ASSERT_FALSE(j.empty());
    EXPECT_EQ(j.back().group, 0);
    EXPECT_EQ(j.back().item, 1);
    EXPECT_STREQ(j.back().data, "0");
    EXPECT_EQ(item(0, 0, 0, 1), "0");
}

// A V8RTU unit of station 5 for the network download: the given library cards, each with
// one function block in group 30.
TransferUnit v8rtuNetUnit(std::vector<int> cards, int cardCount, bool fromStation)
{
    TransferUnit unit;
    unit.station = 5;
    unit.v8rtu = true;
    unit.v8rtuStation = fromStation;
    unit.cardCount = cardCount;
    unit.startCard = fromStation ? 0 : cards.front() + 1;
    for (int lib : cards) {
        TransferCard card;
        card.card = lib;
        card.model = padded("V8RTU");
        card.version = "1.00";
        card.groups = {{30, true, {{10, "51"}, {11, "010" + std::to_string(lib)}}, "51"}};
        unit.cards.push_back(card);
    }
    return unit;
}

std::string describe(const VukenJournalEntry& e)
{
    return std::string(e.operation == VUKEN_OP_WRITE ? "W " : "R ") + std::to_string(e.address & 31) + ":" +
           std::to_string(e.group) + "." + std::to_string(e.item) + (e.operation == VUKEN_OP_WRITE ? "=" + std::string(e.data) : "");
}

// Before the first write the station's remote card is checked: its mode switched off
// (then a long wait), and its card count raised when it holds fewer cards than the project.
TEST_F(BusTransfers, V8rtuNetworkDownloadChecksTheRemoteCardFirst)
{
    struct Case {
        const char* mode;
        const char* held;
        std::vector<std::string> check;  // the requests before the first card's write
        bool longWait;
    };
    const Case cases[] = {
        {"1", "1", {"R 0:0.1", "W 0:0.1=0", "R 0:0.52", "W 0:0.1=1", "W 0:0.52=2"}, true},
        {"0", "1", {"R 0:0.1", "R 0:0.52", "W 0:0.1=1", "W 0:0.52=2"}, false},
        {"0", "2", {"R 0:0.1", "R 0:0.52"}, false},
        {"1", "3", {"R 0:0.1", "W 0:0.1=0", "R 0:0.52"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("mode ") + c.mode + ", cards held " + c.held);
        vuken_sim_reset();
        for (int lib : {0, 1}) vuken_sim_add_card(5, lib);
        vuken_sim_set_item(5, 0, 0, 1, c.mode);
        vuken_sim_set_item(5, 0, 0, 52, c.held);
        NetDownloadSetup setup;
        setup.clearEeprom = false;
        setup.blockCodes[30] = "51ADS";
        std::vector<std::string> sent;
        NetDownloadRun run(BusApi::Vuken(), v8rtuNetUnit({0, 1}, 2, true), setup, questions, TransferTiming{});
        run.context().progress = [&sent](const TransferProgress& p) {
            if (sent.empty() || sent.back() != p.sent) sent.push_back(p.sent);
        };
        run.Run();
        ASSERT_EQ(run.context().result().outcome(), TransferOutcome::Finished);
        std::vector<std::string> requests;
        for (const VukenJournalEntry& e : journal()) requests.push_back(describe(e));
        ASSERT_GT(requests.size(), c.check.size());
        EXPECT_EQ(std::vector<std::string>(requests.begin(), requests.begin() + static_cast<long>(c.check.size())), c.check);
        EXPECT_EQ(requests[c.check.size()], "W 0:30.10=51");
        // The mode goes off once, at the station's address, after the last card.
        EXPECT_EQ(requests.back(), "W 0:0.1=0");
        EXPECT_EQ(std::count(requests.begin() + static_cast<long>(c.check.size()), requests.end(), "W 1:0.1=0"), 0);
        EXPECT_EQ(run.context().waited() >= std::chrono::milliseconds(5000), c.longWait);
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.front(), kRemoteCardCheckText);
    }
}

// Started from a card of a V8RTU station, the download writes the mode off at the
// station's address only when that card is the station's last.
TEST_F(BusTransfers, V8rtuCardDownloadEndsTheModeAtTheStationOnlyFromTheLastCard)
{
    struct Case {
        int lib;
        std::vector<std::string> tail;
    };
    const Case cases[] = {
        {1, {"W 1:30.10=51", "W 1:30.11=0101", "W 0:0.1=0"}},  // the last of two cards
        {0, {"R 0:0.52", "W 0:30.10=51", "W 0:30.11=0100"}},   // the first: the mode stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lib);
        vuken_sim_reset();
        for (int lib : {0, 1}) vuken_sim_add_card(5, lib);
        vuken_sim_set_item(5, 0, 0, 1, "0");
        vuken_sim_set_item(5, 0, 0, 52, "2");
        NetDownloadSetup setup;
        setup.clearEeprom = false;
        setup.blockCodes[30] = "51ADS";
        NetDownloadRun run(BusApi::Vuken(), v8rtuNetUnit({c.lib}, 2, false), setup, questions, TransferTiming{});
        run.Run();
        ASSERT_EQ(run.context().result().outcome(), TransferOutcome::Finished);
        std::vector<std::string> requests;
        for (const VukenJournalEntry& e : journal()) requests.push_back(describe(e));
        ASSERT_GE(requests.size(), c.tail.size());
        EXPECT_EQ(std::vector<std::string>(requests.end() - static_cast<long>(c.tail.size()), requests.end()), c.tail);
    }
}

// The network group download of a V8RTU card selects the card, then writes the mode on
// before the group's items and off after them, all at the card's address.
TEST_F(BusTransfers, V8rtuNetworkGroupDownloadSelectsTheCardAndWritesTheModeAround)
{
    for (int lib : {0, 1}) vuken_sim_add_card(5, lib);
    vuken_sim_set_item(5, 0, 0, 1, "0");
    vuken_sim_set_item(5, 0, 0, 52, "2");
    NetDownloadSetup setup;
    setup.groupMode = true;
    setup.blockCodes[30] = "51ADS";
    NetDownloadRun run(BusApi::Vuken(), v8rtuNetUnit({1}, 2, false), setup, questions, TransferTiming{});
    run.Run();
    ASSERT_EQ(run.context().result().outcome(), TransferOutcome::Finished);
    std::vector<std::string> requests;
    for (const VukenJournalEntry& e : journal()) requests.push_back(describe(e));
    const std::vector<std::string> expected{"R 0:0.1",      "R 0:0.52",       "W 1:0.0=1", "W 1:0.1=1",
                                            "W 1:30.10=51", "W 1:30.11=0101", "W 1:0.1=0"};
    EXPECT_EQ(requests, expected);
}

UploadSetup v8rtuSetup(UploadSetup s, int startCard, int projectCount)
{
    s.newUnit = false;
    s.card = startCard;
    s.model = padded("V8RTU");
    s.version = "1.00";
    s.stationIsV8rtu = true;
    s.v8rtu = true;
    s.cardCount = projectCount;
    for (int c = startCard > 1 ? startCard : 1; c <= (startCard > 1 ? startCard : projectCount); ++c) {
        UploadCardSetup card;
        card.card = c;
        card.model = padded("V8RTU");
        card.version = "1.00";
        card.blockCodes[0] = "00SYS";
        s.v8rtuCards.push_back(card);
    }
    return s;
}

// Each card of a V8RTU station is read after its selection; card 1's count decides which
// cards there are: cards past it go, missing ones are made and read as well.
TEST_F(UploadRuns, V8rtuStationIsReadCardByCardAsCard1CountsThem)
{
    struct Case {
        const char* count;  // on the device
        int start, project;
        std::vector<int> read;
        std::optional<int> newCount;
        std::vector<int> created;
    };
    const Case cases[] = {
        {"3", 0, 3, {1, 2, 3}, std::nullopt, {}},
        {"2", 1, 3, {1, 2}, 2, {}},
        {"3", 0, 2, {1, 2, 3}, 3, {3}},
        {"9", 2, 2, {2}, std::nullopt, {}},  // one later card: the count is not its business
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "device count " << c.count << ", start " << c.start);
        ASSERT_NO_FATAL_FAILURE(serve(kravin::test::V8rtuDevice(3, c.count)));
        questions.defaultAnswer = model::AnswerSkip;
        auto r = run(v8rtuSetup(setup(), c.start, c.project));
        ASSERT_EQ(r->context().result().outcome(), TransferOutcome::Finished)
            << r->context().result().messageId() << r->context().result().detail();
        std::vector<int> read, created;
        for (const UploadStaging& u : r->units()) {
            read.push_back(u.card);
            if (u.created) created.push_back(u.card);
            EXPECT_EQ(u.model, "V8RTU   ");
            EXPECT_EQ(u.items.at({11, 0}), std::to_string(100 + u.card - 1)) << "card " << u.card << " read from its own card";
            EXPECT_EQ(u.items.at({0, 11}), "100") << "the station's group 0 for card " << u.card;
        }
        EXPECT_EQ(read, c.read);
        EXPECT_EQ(created, c.created);
        EXPECT_EQ(r->cardCount(), c.newCount);
        // Every card is selected by G00, I00 and its digit before it is read.
        const std::vector<std::string> lines = server->receivedLines();
        for (int card : c.read) {
            const std::string digit = "D" + std::string(1, "0123456789ABCDEF"[card - 1]) + "\r";
            bool selected = false;
            for (std::size_t i = 2; i < lines.size(); ++i)
                selected = selected || (lines[i - 2] == "G00\r" && lines[i - 1] == "I00\r" && lines[i] == digit);
            EXPECT_TRUE(selected) << "card " << card;
        }
    }
}

TEST_F(UploadRuns, V8rtuCardCountOutsideOneToSixteenIsRefused)
{
    for (const char* count : {"17", "0", "x", "123"}) {
        SCOPED_TRACE(count);
        ASSERT_NO_FATAL_FAILURE(serve(kravin::test::V8rtuDevice(2, count)));
        auto r = run(v8rtuSetup(setup(), 0, 2));
        EXPECT_EQ(r->context().result().outcome(), TransferOutcome::Failed);
        EXPECT_EQ(r->context().result().messageId(), kMsgBadDeviceValue);
        EXPECT_FALSE(link.isOpen());
    }
}

// Into an empty slot a QV200W device comes as two units, the second into the next slot;
// the first unit is selected again at the end.
TEST_F(UploadRuns, NewQv200wDeviceFillsTwoSlotsOneUnitEach)
{
    ASSERT_NO_FATAL_FAILURE(serve(kravin::test::Qv200wDevice()));
    questions.defaultAnswer = model::AnswerSkip;
    UploadSetup s = setup();
    s.card = 3;
    auto r = run(s);
    ASSERT_EQ(r->context().result().outcome(), TransferOutcome::Finished)
        << r->context().result().messageId() << r->context().result().detail();
    ASSERT_EQ(r->units().size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const UploadStaging& u = r->units()[static_cast<std::size_t>(i)];
        EXPECT_EQ(u.card, 3 + i);
        EXPECT_TRUE(u.created);
        EXPECT_EQ(u.model, "QV200W  ");
        EXPECT_EQ(u.unitText, std::string(1, static_cast<char>(i)));
        EXPECT_EQ(u.items.at({0, 11}), std::to_string(200 + i));
    }
    const std::vector<std::string> lines = server->receivedLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()), (std::vector<std::string>{"G00\r", "I00\r", "D0\r"}));

    // No room for the second unit: refused before anything is read.
    struct Refused {
        int card;
        bool nextEmpty;
    };
    for (const Refused& c : {Refused{16, true}, Refused{3, false}}) {
        SCOPED_TRACE(c.card);
        ASSERT_NO_FATAL_FAILURE(serve(kravin::test::Qv200wDevice()));
        UploadSetup refused = setup();
        refused.card = c.card;
        refused.nextSlotEmpty = c.nextEmpty;
        auto f = run(refused);
        EXPECT_EQ(f->context().result().outcome(), TransferOutcome::Failed);
        EXPECT_EQ(f->context().result().messageId(), kMsgCannotUpload);
        EXPECT_TRUE(f->units().empty());
    }
}

TEST_F(UploadRuns, ExistingQv200wUnitIsReadFromItsOwnSubUnit)
{
    for (int sub : {0, 1}) {
        SCOPED_TRACE(sub);
        ASSERT_NO_FATAL_FAILURE(serve(kravin::test::Qv200wDevice()));
        questions.defaultAnswer = model::AnswerSkip;
        UploadSetup s = setup();
        s.newUnit = false;
        s.model = padded("QV200W");
        s.version = "1.00";
        s.blockCodes[0] = "00SYS";
        s.unitText = std::string(1, static_cast<char>(sub));
        auto r = run(s);
        ASSERT_EQ(r->context().result().outcome(), TransferOutcome::Finished) << r->context().result().messageId();
        ASSERT_EQ(r->units().size(), 1u);
        EXPECT_EQ(r->staging().items.at({0, 11}), std::to_string(200 + sub));
        EXPECT_FALSE(r->staging().unitText) << "an existing unit keeps its text";
    }
}

// A TQRC card's used ports each take a slot above it: counted from port 1 while read and
// not "0..."; a card whose ports would run past slot 16 is refused before anything is kept.
TEST_F(UploadRuns, TqrcPortsTakeTheSlotsAboveAndNeverRunPastTheLast)
{
    using Items = std::map<std::pair<int, int>, std::string>;
    const struct {
        Items items;
        int ports;
    } counted[] = {
        {{}, 0},
        {{{{1, 11}, "33"}}, 1},
        {{{{1, 11}, "33"}, {{1, 28}, "34"}, {{1, 45}, "00"}, {{1, 62}, "33"}}, 2},
        {{{{1, 11}, "33"}, {{1, 45}, "33"}}, 1},  // port 2 not read: the count ends there
        {{{{1, 11}, "3"}, {{1, 28}, "3"}, {{1, 45}, "3"}, {{1, 62}, "3"}, {{1, 79}, "3"}, {{1, 96}, "3"}}, 5},
        {{{{1, 11}, ""}}, 0},
    };
    for (const auto& c : counted) {
        UploadStaging st;
        st.items = c.items;
        EXPECT_EQ(UploadTqrcPorts(st), c.ports) << ::testing::PrintToString(c.items);
    }

    for (const auto& [card, fits] : {std::pair{13, true}, std::pair{14, false}}) {
        SCOPED_TRACE(card);
        qvsim::SimCard device = qvsim::BlankCard("TQRC", "0001");
        device.bank0[1] = {{10, "01"}, {11, "33"}, {28, "33"}, {45, "34"}};
        ASSERT_NO_FATAL_FAILURE(serve({device}));
        questions.defaultAnswer = model::AnswerSkip;
        UploadSetup s = setup();
        s.card = card;
        s.newUnit = false;
        s.model = padded("TQRC");
        s.version = "1.00";
        s.blockCodes[1] = "01TQC";
        s.describe = [](const std::string&, const std::string&) {
            UploadModelInfo info;
            info.validCodes[1] = {"01TQC"};
            for (int i = 11; i <= 79; i += 17) info.blocks["01TQC"][static_cast<std::size_t>(i)] = def("CHAR02");
            return std::optional<UploadModelInfo>(info);
        };
        auto r = run(s);
        EXPECT_EQ(r->context().result().outcome(), fits ? TransferOutcome::Finished : TransferOutcome::Failed);
        if (fits) {
            EXPECT_EQ(UploadTqrcPorts(r->staging()), 3);
        } else {
            EXPECT_EQ(r->context().result().messageId(), kMsgCannotUpload);
            EXPECT_TRUE(r->units().empty());
        }
    }
}

// Over the bus each V8RTU card is selected by a write of its digit to its own address
// before its items are read there.
TEST_F(BusTransfers, V8rtuCardsAreSelectedByAWriteBeforeTheirReads)
{
    for (int lib = 0; lib < 2; ++lib) {
        vuken_sim_add_card(5, lib);
        vuken_sim_set_item(5, lib, 0, 11, std::to_string(100 + lib).c_str());
    }
    vuken_sim_set_item(5, 0, 0, 52, "2");
    UploadSetup s;
    s.bus = true;
    s.station = 5;
    s.masters = masters;
    const model::CardKindMasters* m = &masters;
    s.describe = [m](const std::string& model, const std::string& version) {
        return DescribeUploadModel(*m, KRAVIN_SAMPLE_TABLES "/", model, version);
    };
    s = v8rtuSetup(s, 0, 2);
    questions.defaultAnswer = model::AnswerSkipAll;
    UploadRun r(nullptr, BusApi::Vuken(), s, questions, TransferTiming{});
    r.Run();
    ASSERT_EQ(r.context().result().outcome(), TransferOutcome::Finished) << r.context().result().messageId();
    ASSERT_EQ(r.units().size(), 2u);
    EXPECT_EQ(r.units()[0].items.at({0, 11}), "100");
    EXPECT_EQ(r.units()[1].items.at({0, 11}), "101");
    EXPECT_FALSE(r.cardCount());

    int selected = -1;  // the card last selected
    for (const VukenJournalEntry& e : journal()) {
        if (e.operation == VUKEN_OP_WRITE) {
            EXPECT_EQ(std::string(e.data), std::to_string(e.address & 31));
            EXPECT_EQ(e.group, 0);
            EXPECT_EQ(e.item, 0);
            selected = e.address & 31;
        } else {
            EXPECT_EQ(e.address, 5 << 5 | selected) << "a read of a card not selected";
        }
    }
    EXPECT_EQ(selected, 1);
}

}  // namespace
}  // namespace kravin::online
