// The download, compare and group download runs against the controller simulator and the
// simulated bus, with no waits.
#include "compare_run.h"
#include "KRAVinA.h"
#include "download_run.h"
#include "group_download_run.h"
#include "scripted_questions.h"
#include "served_qvsim.h"

#include "serial_link.h"
#include "vuken_sim.h"

#include <gtest/gtest.h>

#include <cstring>

#include <algorithm>
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

TransferCard qv200Card()
{
    TransferCard c;
    c.card = 0;
    c.model = padded("QV200");
    c.version = "1.00";
    c.unitText = std::string(8, '\0');
    c.unitId = "0001";
    c.item51 = "00";
    c.groups = {
        {0, true, {{51, "00"}}, {}},
        {1, true, {{10, "01"}, {11, "100.0"}, {12, "0.0"}}, "01"},
        {2, true, {{10, "21"}, {11, "50.00"}, {12, "-5"}, {13, "1"}}, "21"},
        {81, true, {{10, "81"}, {11, "130001"}, {12, "030000"}, {13, "000000"}, {14, "*"}}, "81"},
    };
    return c;
}

TransferUnit qv200Unit()
{
    TransferUnit u;
    u.station = 0;
    u.startCard = 1;
    u.cards.push_back(qv200Card());
    return u;
}

TransferTiming noWaits() { return {}; }

class SerialRuns : public ::testing::Test, protected test::ServedQvsim {
protected:

    DownloadSetup downloadSetup() const
    {
        DownloadSetup s;
        s.portName = server->devicePath();
        s.baudIndex = 1;
        return s;
    }

    CompareSetup compareSetup() const
    {
        CompareSetup s;
        s.portName = server->devicePath();
        s.baudIndex = 1;
        return s;
    }

    std::string value(int card, int bank, int group, int item)
    {
        std::string v;
        server->withController([&](qvsim::Controller& c) { v = c.value(card, bank, group, item).value_or("?"); });
        return v;
    }

    std::vector<std::string> lines() const { return server->receivedLines(); }

    TransferOutcome download(TransferUnit unit, ScriptedQuestions& q, DownloadSetup s)
    {
        DownloadRun run(link, std::move(unit), std::move(s), q, noWaits());
        run.Run();
        EXPECT_FALSE(link.isOpen());
        lastMessage = run.context().result().messageId();
        lastDetail = run.context().result().detail();
        return run.context().result().outcome();
    }

    int lastMessage = 0;
    std::string lastDetail;

};

TEST_F(SerialRuns, DownloadToABlankDeviceThenCompareFindsNoDifferenceThenOneEditGivesOne)
{
    ASSERT_NO_FATAL_FAILURE(serve({qvsim::BlankCard("QV200", "0001")}));
    ScriptedQuestions q;
    ASSERT_EQ(download(qv200Unit(), q, downloadSetup()), TransferOutcome::Finished);
    EXPECT_TRUE(q.asked().empty());
    EXPECT_EQ(value(0, 0, 1, 11), "100.0");
    EXPECT_EQ(value(0, 0, 2, 12), "-5");
    EXPECT_EQ(value(0, 0, 81, 13), "000000");
    EXPECT_EQ(value(0, 0, 81, 14), "?");  // "000000" closed the group
    EXPECT_EQ(value(0, 0, 0, 1), "0");    // write mode off at the end
    const std::vector<std::string> l = lines();
    ASSERT_GE(l.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(l.end() - 3, l.end()), (std::vector<std::string>{"G00\r", "I01\r", "D0\r"}));

    CompareRun compare(&link, {}, qv200Unit(), compareSetup(), q, noWaits());
    compare.Run();
    EXPECT_EQ(compare.context().result().outcome(), TransferOutcome::Finished);
    EXPECT_EQ(compare.differences(), 0);
    EXPECT_TRUE(q.asked().empty());

    TransferUnit edited = qv200Unit();
    edited.cards[0].groups[2].items[1].text = "51.00";
    CompareRun again(&link, {}, edited, compareSetup(), q, noWaits());
    again.Run();
    EXPECT_EQ(again.context().result().outcome(), TransferOutcome::Finished);
    ASSERT_EQ(q.asked().size(), 1u);
    const ScriptedQuestions::Asked a = q.asked()[0];
    EXPECT_EQ(a.kind, "compare");
    EXPECT_EQ(a.a, 2);
    EXPECT_EQ(a.b, 11);
    EXPECT_EQ(a.device, "50.00");
    EXPECT_EQ(a.project, "51.00");
    EXPECT_FALSE(link.isOpen());
}

TEST_F(SerialRuns, StrictDeviceTakesTheDownloadBecauseWriteModeComesFirst)
{
    qvsim::SimCard card = qvsim::BlankCard("QV200", "0001");
    card.strict = true;
    ASSERT_NO_FATAL_FAILURE(serve({card}));
    ScriptedQuestions q;
    EXPECT_EQ(download(qv200Unit(), q, downloadSetup()), TransferOutcome::Finished);
    EXPECT_TRUE(q.asked().empty());
    EXPECT_EQ(value(0, 0, 2, 11), "50.00");
    EXPECT_EQ(value(0, 0, 0, 1), "0");
}

TEST_F(SerialRuns, RejectedItemWithSkipAllAsksOnceAndEndsAsFailedWithTheCount)
{
    ASSERT_NO_FATAL_FAILURE(serve({qvsim::BlankCard("QV200", "0001")}));
    server->setItemFault(2, 11, qvsim::Fault::Cng);
    ScriptedQuestions q;
    q.answer(model::AnswerSkipAll);
    // The device holds less than the project: never a normal end.
    EXPECT_EQ(download(qv200Unit(), q, downloadSetup()), TransferOutcome::Failed);
    EXPECT_EQ(lastMessage, kMsgDownloadIncomplete);
    EXPECT_EQ(lastDetail, "1");
    EXPECT_EQ(q.kinds(), std::vector<std::string>{"missing"});
    EXPECT_EQ(q.asked()[0].a, 2);
    EXPECT_EQ(q.asked()[0].b, 11);
    EXPECT_EQ(value(0, 0, 2, 11), "?");
    EXPECT_EQ(value(0, 0, 2, 12), "-5");  // the items after it still went
    EXPECT_EQ(value(0, 0, 0, 1), "0");
}

// The card type the device reports must be one the masters' card type table lists for the
// unit's model; otherwise the user is asked (OK goes on, Cancel ends the card).
TEST_F(SerialRuns, CardTypeNotListedForTheModelAsksBeforeTheWrites)
{
    CardTypeTable types;
    for (int code = 0; code < 100; ++code) {
        char names[1024] = {};
        KRAVinA_Mast_FiledName_Get(code, names, KRAVIN_SAMPLE_TABLES "/");
        const std::string text(names, ::strnlen(names, sizeof names));
        for (std::size_t at = 0; at + 8 <= text.size(); at += 8) types[static_cast<std::size_t>(code)].push_back(text.substr(at, 8));
    }
    struct Case {
        const char* code;
        const char* model;
        const char* version;
        int answer;  // -1: no question
        TransferOutcome outcome;
    };
    const Case cases[] = {
        {"03", "QV200", "1.00", -1, TransferOutcome::Finished},
        {"10", "QV200X", "1.00", -1, TransferOutcome::Finished},
        {"03", "QV200X", "1.60", -1, TransferOutcome::Finished},  // reports the QV200's code
        {"16", "QV200", "1.00", model::AnswerSkip, TransferOutcome::Finished},
        {"16", "QV200", "1.00", model::AnswerAbort, TransferOutcome::Aborted},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " " + c.version + " reporting " + c.code);
        qvsim::SimCard device = qvsim::BlankCard("QV200", "0001");
        device.bank0[0][96] = c.code;
        ASSERT_NO_FATAL_FAILURE(serve({device}));
        TransferUnit unit = qv200Unit();
        unit.cards[0].model = padded(c.model);
        unit.cards[0].version = c.version;
        DownloadSetup setup = downloadSetup();
        setup.cardTypes = types;
        ScriptedQuestions q;
        if (c.answer >= 0) q.answer(c.answer);
        EXPECT_EQ(download(unit, q, setup), c.outcome);
        EXPECT_EQ(q.kinds(), c.answer >= 0 ? std::vector<std::string>{"confirm"} : std::vector<std::string>{});
        if (c.answer >= 0) {
            EXPECT_EQ(q.asked()[0].a, kMsgCardTypeMismatch);
        }
        EXPECT_EQ(value(0, 0, 1, 11), c.outcome == TransferOutcome::Finished ? "100.0" : "?");
        EXPECT_EQ(value(0, 0, 0, 1), "0");
    }
}

TEST_F(SerialRuns, NoReplyThenAbortSendsWriteModeOffAndEndsAborted)
{
    ASSERT_NO_FATAL_FAILURE(serve({qvsim::BlankCard("QV200", "0001")}));
    server->setItemFault(2, 11, qvsim::Fault::NoReply, 1);
    ScriptedQuestions q;
    q.answer(model::AnswerAbort);
    EXPECT_EQ(download(qv200Unit(), q, downloadSetup()), TransferOutcome::Aborted);
    EXPECT_EQ(q.kinds(), std::vector<std::string>{"comm"});
    EXPECT_EQ(value(0, 0, 0, 1), "0");
    EXPECT_EQ(value(0, 0, 81, 10), "?");  // nothing after the abort
    const std::vector<std::string> l = lines();
    EXPECT_EQ(l.back(), "D0\r");
}

TEST_F(SerialRuns, StopEndsAfterTheStepWithWriteModeOff)
{
    ASSERT_NO_FATAL_FAILURE(serve({qvsim::BlankCard("QV200", "0001")}));
    ScriptedQuestions q;
    DownloadRun run(link, qv200Unit(), downloadSetup(), q, noWaits());
    TransferContext& c = run.context();
    c.progress = [&c](const TransferProgress& p) {
        if (p.group == 2) c.RequestStop();
    };
    run.Run();
    EXPECT_EQ(run.context().result().outcome(), TransferOutcome::Stopped);
    EXPECT_EQ(value(0, 0, 81, 10), "?");
    EXPECT_EQ(value(0, 0, 0, 1), "0");
}

TEST_F(SerialRuns, V8rtuStationIsDownloadedCardByCard)
{
    std::vector<qvsim::SimCard> cards;
    for (const char* sel : {"0", "1", "2"}) {
        qvsim::SimCard c = qvsim::BlankCard("V8RTU", "0009");
        c.selector = sel;
        cards.push_back(c);
    }
    ASSERT_NO_FATAL_FAILURE(serve(cards));
    TransferUnit u;
    u.station = 5;
    u.startCard = 0;
    u.v8rtu = u.v8rtuStation = true;
    u.cardCount = 3;
    for (int i = 0; i < 3; ++i) {
        TransferCard c;
        c.card = i;
        c.model = padded("V8RTU");
        c.unitText = std::string(8, '\0');
        c.groups = {{0, true, {{51, "xx"}, {52, "xx"}}, {}},
                    {2, true, {{10, "21"}, {11, "1" + std::to_string(i)}}, "21"}};
        u.cards.push_back(c);
    }
    ScriptedQuestions q;
    ASSERT_EQ(download(u, q, downloadSetup()), TransferOutcome::Finished);
    EXPECT_TRUE(q.asked().empty());
    const std::vector<std::string> l = lines();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(value(i, 0, 2, 11), "1" + std::to_string(i)) << i;
        EXPECT_EQ(value(i, 0, 0, 1), "0") << i;
    }
    EXPECT_EQ(value(0, 0, 0, 51), "05");  // the station, "%02X"
    EXPECT_EQ(value(0, 0, 0, 52), "3");   // the card count
    // Later cards begin at group 2: the station holds groups 0 and 1 once for its cards.
    EXPECT_EQ(std::count(l.begin(), l.end(), std::string("I51\r")), 1);
    EXPECT_EQ(value(2, 0, 0, 52), "3");
}

TEST_F(SerialRuns, GroupDownloadWritesOnlyItsGroupAndBank2SendsTheShownNumber)
{
    qvsim::SimCard card = qvsim::BlankCard("KMQ", "0001");
    card.bank2[3] = {};
    ASSERT_NO_FATAL_FAILURE(serve({card}));
    TransferCard g;
    g.card = 0;
    g.model = padded("KMQ");
    g.unitText = std::string(8, '\0');
    g.groups = {{6, true, {{10, "41"}, {11, "7.5"}}, "41"}};
    GroupDownloadSetup s;
    s.portName = server->devicePath();
    s.shownGroup = 3;
    s.bank2 = true;
    ScriptedQuestions q;
    GroupDownloadRun run(link, g, s, q, noWaits());
    run.Run();
    EXPECT_EQ(run.context().result().outcome(), TransferOutcome::Finished);
    EXPECT_EQ(value(0, 2, 3, 11), "7.5");
    EXPECT_EQ(value(0, 2, 3, 10), "41");
    EXPECT_EQ(value(0, 0, 6, 11), "?");
    const std::vector<std::string> l = lines();
    EXPECT_NE(std::find(l.begin(), l.end(), "G03\r"), l.end());
    EXPECT_EQ(std::find(l.begin(), l.end(), "G06\r"), l.end());
}

TEST_F(SerialRuns, GroupDownloadEndsFailedAfterRepeatedGroupFailures)
{
    ASSERT_NO_FATAL_FAILURE(serve({qvsim::BlankCard("QV200", "0001")}));
    server->setStandingFault(qvsim::Fault::NoReply);
    GroupDownloadSetup s;
    s.portName = server->devicePath();
    s.shownGroup = 2;
    TransferCard g = qv200Card();
    g.groups = {g.groups[2]};
    ScriptedQuestions q;
    GroupDownloadRun run(link, g, s, q, noWaits());
    run.Run();
    EXPECT_EQ(run.context().result().outcome(), TransferOutcome::Failed);
    EXPECT_EQ(run.context().result().messageId(), kMsgDownloadCommError);
    EXPECT_EQ(server->receivedLines(), std::vector<std::string>(4, "G02\r"));
}

TEST_F(SerialRuns, IrCardGoesFramedAndWritesTheStationItemAtTheEnd)
{
    ASSERT_NO_FATAL_FAILURE(serve({qvsim::BlankCard("QV200", "0001")}));
    TransferUnit u = qv200Unit();
    u.cards[0].irCard = true;
    u.cards[0].item51 = "0a";                // the station's item 51
    u.cards[0].groups[0].items[0].text = "0A";
    ScriptedQuestions q;
    ASSERT_EQ(download(u, q, downloadSetup()), TransferOutcome::Finished);
    EXPECT_TRUE(q.asked().empty());
    EXPECT_EQ(value(0, 0, 2, 11), "50.00");
    EXPECT_EQ(value(0, 0, 0, 51), "0A");  // its second character in upper case
    EXPECT_EQ(value(0, 0, 0, 1), "0");
    for (const std::string& line : lines()) EXPECT_EQ(line[0], '\x02') << line;

    CompareRun compare(&link, {}, u, compareSetup(), q, noWaits());
    compare.Run();
    EXPECT_EQ(compare.context().result().outcome(), TransferOutcome::Finished);
    EXPECT_TRUE(q.asked().empty());
}

// The end of a card writes the station's item 51 only when the station holds one: a card
// whose station has no record keeps the item 51 it was just given, download and group
// download alike.
TEST_F(SerialRuns, EndOfCardNeverBlanksItem51)
{
    struct Case {
        bool group;             // the group download of group 0
        const char* station51;  // the station's item 51 ("" no station record)
        const char* device51;   // the device's item 51 afterwards
    };
    for (const Case& c : {Case{false, "", "0"}, Case{true, "", "0"}, Case{false, "  ", "0"}, Case{false, "0a", "0A"},
                          Case{true, "0a", "0A"}}) {
        SCOPED_TRACE(std::string(c.group ? "group download, station " : "download, station ") + "\"" + c.station51 +
                     "\"");
        ASSERT_NO_FATAL_FAILURE(serve({qvsim::BlankCard("QV200", "0001")}));
        TransferUnit u = qv200Unit();
        TransferCard& card = u.cards[0];
        card.item51 = c.station51;
        card.groups[0].items[0].text = "0";
        ScriptedQuestions q;
        if (c.group) {
            GroupDownloadSetup s;
            s.portName = server->devicePath();
            s.shownGroup = 0;
            TransferCard g = card;
            g.groups = {card.groups[0]};
            GroupDownloadRun run(link, g, s, q, noWaits());
            run.Run();
            EXPECT_EQ(run.context().result().outcome(), TransferOutcome::Finished);
        } else {
            EXPECT_EQ(download(u, q, downloadSetup()), TransferOutcome::Finished);
        }
        EXPECT_TRUE(q.asked().empty());
        EXPECT_EQ(value(0, 0, 0, 51), c.device51) << ::testing::PrintToString(lines());
        const std::vector<std::string> l = lines();
        EXPECT_EQ(std::find(l.begin(), l.end(), "D\r"), l.end());
    }
}

// Groups 0 and 1 of a V8RTU station live on its first card: a compare started at a later
// card passes them, over the serial link and over the bus.
TEST_F(SerialRuns, CompareFromALaterV8rtuCardPassesGroups0And1)
{
    TransferUnit u;
    u.station = 3;
    u.startCard = 2;
    u.v8rtu = true;
    u.cardCount = 2;
    TransferCard c;
    c.card = 1;
    c.model = padded("V8RTU");
    c.unitText = std::string(8, '\0');
    c.groups = {{0, true, {{11, "7"}, {51, "03"}, {52, "2"}}, {}},
                {1, true, {{10, "01"}, {11, "5"}}, "01"},
                {2, true, {{10, "21"}, {11, "12"}}, "21"}};
    u.cards.push_back(c);

    // Serial: the card behind selector 1 holds group 2 only.
    std::vector<qvsim::SimCard> device;
    for (const char* sel : {"0", "1"}) {
        qvsim::SimCard k = qvsim::BlankCard("V8RTU", "0009");
        k.selector = sel;
        device.push_back(k);
    }
    device[1].bank0[2] = {{10, "21"}, {11, "12"}};
    ASSERT_NO_FATAL_FAILURE(serve(device));
    {
        ScriptedQuestions q;
        q.defaultAnswer = model::AnswerAbort;
        CompareRun compare(&link, {}, u, compareSetup(), q, noWaits());
        compare.Run();
        EXPECT_EQ(compare.context().result().outcome(), TransferOutcome::Finished);
        EXPECT_TRUE(q.asked().empty()) << ::testing::PrintToString(q.kinds());
        EXPECT_EQ(compare.differences(), 0);
        const std::vector<std::string> l = lines();
        EXPECT_EQ(std::find(l.begin(), l.end(), "G01\r"), l.end()) << ::testing::PrintToString(l);
    }

    // Bus: card 2's address (station << 5 | 1) holds group 2 only.
    vuken_sim_reset();
    vuken_sim_add_card(3, 1);
    vuken_sim_set_item(3, 1, 2, 10, "21");
    vuken_sim_set_item(3, 1, 2, 11, "12");
    {
        ScriptedQuestions q;
        q.defaultAnswer = model::AnswerAbort;
        CompareSetup s;
        s.bus = true;
        CompareRun compare(nullptr, BusApi::Vuken(), u, s, q, noWaits());
        compare.Run();
        EXPECT_EQ(compare.context().result().outcome(), TransferOutcome::Finished);
        EXPECT_TRUE(q.asked().empty()) << ::testing::PrintToString(q.kinds());
        for (long i = 0; i < vuken_sim_journal_size(); ++i) {
            VukenJournalEntry e{};
            vuken_sim_journal_entry(i, &e);
            EXPECT_EQ(e.group, 2) << e.address << ":" << e.group << "." << e.item;
        }
        EXPECT_EQ(vuken_sim_journal_size(), 2);
    }
    vuken_sim_reset();
}

TEST_F(SerialRuns, SecondSubUnitOfAQv200wStartsAtGroup11AfterItsPreamble)
{
    qvsim::SimCard first = qvsim::BlankCard("QV200W", "0001");
    qvsim::SimCard second = qvsim::BlankCard("QV200W", "0002");
    second.selector = "1";
    ASSERT_NO_FATAL_FAILURE(serve({first, second}));
    TransferUnit u = qv200Unit();
    TransferCard& c = u.cards[0];
    c.model = padded("QV200W");
    c.unitText[0] = 1;
    c.groups.push_back({11, true, {{10, "31"}, {11, "7"}}, "31"});
    ScriptedQuestions q;
    ASSERT_EQ(download(u, q, downloadSetup()), TransferOutcome::Finished);
    const std::vector<std::string> l = lines();
    ASSERT_GE(l.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(l.begin(), l.begin() + 3), (std::vector<std::string>{"G00\r", "I00\r", "D1\r"}));
    EXPECT_EQ(value(1, 0, 11, 11), "7");  // the second sub-unit got group 11
    EXPECT_EQ(value(1, 0, 2, 11), "?");   // and nothing below it
    EXPECT_EQ(value(0, 0, 11, 11), "?");
}

TEST_F(SerialRuns, Bank2GroupsFollowBank0UnderTheirNumbers)
{
    qvsim::SimCard card = qvsim::BlankCard("KMQ", "0001");
    card.bank2[3] = {};
    ASSERT_NO_FATAL_FAILURE(serve({card}));
    TransferUnit u = qv200Unit();
    TransferCard& c = u.cards[0];
    c.model = padded("KMQ");
    c.groups.insert(c.groups.begin() + 3, {6, true, {{10, "41"}, {11, "6.5"}}, "41"});
    ScriptedQuestions q;
    ASSERT_EQ(download(u, q, downloadSetup()), TransferOutcome::Finished);
    EXPECT_TRUE(q.asked().empty());
    EXPECT_EQ(value(0, 2, 3, 11), "6.5");  // group 6 is bank 2 group 3
    EXPECT_EQ(value(0, 0, 6, 11), "?");
    EXPECT_EQ(value(0, 0, 2, 11), "50.00");
    EXPECT_EQ(value(0, 0, 0, 0), "0");     // bank 0 selected again at the end
}

TEST(DownloadBounds, AboveNinetyNineDoesNotStart)
{
    struct Case {
        int b[4];
        bool ok;
    };
    for (const Case& c : {Case{{0, 99, 0, 99}, true}, Case{{0, 100, 0, 99}, false}, Case{{5, 7, 0, 100}, false},
                          Case{{-1, 9, 0, 9}, false}, Case{{99, 99, 99, 99}, true}}) {
        DownloadSetup s;
        s.bank0First = c.b[0];
        s.bank0Last = c.b[1];
        s.bank2First = c.b[2];
        s.bank2Last = c.b[3];
        EXPECT_EQ(ValidDownloadBounds(s), c.ok) << c.b[0] << " " << c.b[1] << " " << c.b[2] << " " << c.b[3];
    }
}

TEST(TransferResultValue, TheFirstEndStays)
{
    TransferResult r;
    EXPECT_FALSE(r.ended());
    EXPECT_TRUE(r.Set(TransferOutcome::Failed, 8300));
    EXPECT_FALSE(r.Set(TransferOutcome::Finished));
    EXPECT_EQ(r.outcome(), TransferOutcome::Failed);
    EXPECT_EQ(r.messageId(), 8300);
}

// ---- Over the simulated bus ----

class BusCompare : public ::testing::Test {
protected:
    void SetUp() override
    {
        vuken_sim_reset();
        vuken_sim_add_card(1, 0);
        vuken_sim_set_item(1, 0, 1, 10, "01");
        vuken_sim_set_item(1, 0, 1, 11, "100.0");
        unit.station = 1;
        unit.startCard = 1;
        TransferCard c = qv200Card();
        c.groups = {c.groups[1]};
        c.groups[0].items.pop_back();
        unit.cards.push_back(c);
        setup.bus = true;
        setup.busNotReadyTicks = 5;
    }
    void TearDown() override { vuken_sim_reset(); }

    TransferOutcome run(ScriptedQuestions& q)
    {
        CompareRun r(nullptr, BusApi::Vuken(), unit, setup, q, noWaits());
        r.Run();
        messageId = r.context().result().messageId();
        return r.context().result().outcome();
    }

    long readsOf(int item) const
    {
        long n = 0;
        for (long i = 0; i < vuken_sim_journal_size(); ++i) {
            VukenJournalEntry e{};
            vuken_sim_journal_entry(i, &e);
            n += e.operation == VUKEN_OP_READ && e.group == 1 && e.item == item;
        }
        return n;
    }

    TransferUnit unit;
    CompareSetup setup;
    int messageId = 0;
};

TEST_F(BusCompare, ThreeFailedReadsRetrySilentlyTheFourthAsks)
{
    vuken_sim_fail_item_times(1, 0, 1, 11, VUKEN_ERR_NO_ITEM, 3);
    ScriptedQuestions q;
    EXPECT_EQ(run(q), TransferOutcome::Finished);
    EXPECT_TRUE(q.asked().empty());
    EXPECT_EQ(readsOf(11), 4);

    vuken_sim_fail_item_times(1, 0, 1, 11, VUKEN_ERR_NO_ITEM, 4);
    EXPECT_EQ(run(q), TransferOutcome::Finished);
    ASSERT_EQ(q.kinds(), std::vector<std::string>{"comm"});
    EXPECT_EQ(q.asked()[0].device, "(((((  Group:01 Item:11  )))))");
    EXPECT_EQ(readsOf(11), 4 + 5);
    EXPECT_EQ(get_kilnbus_status(), VUKEN_STATUS_CLOSED);
}

TEST_F(BusCompare, ABusThatNeverComesUpIsShown)
{
    vuken_sim_not_ready_cycles(1000);
    ScriptedQuestions q;
    EXPECT_EQ(run(q), TransferOutcome::Failed);
    EXPECT_EQ(messageId, kMsgBusNotReadyTransfer);
    EXPECT_EQ(vuken_sim_journal_size(), 0);
}

TEST_F(BusCompare, DifferenceShowsBothValues)
{
    vuken_sim_set_item(1, 0, 1, 11, "99.0");
    ScriptedQuestions q;
    EXPECT_EQ(run(q), TransferOutcome::Finished);
    ASSERT_EQ(q.kinds(), std::vector<std::string>{"compare"});
    EXPECT_EQ(q.asked()[0].device, "99.0");
    EXPECT_EQ(q.asked()[0].project, "100.0");
}

}  // namespace
}  // namespace kravin::online
