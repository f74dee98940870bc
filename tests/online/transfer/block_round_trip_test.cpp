// Every block kind the shipped tables let a unit hold makes the round trip unchanged: placed
// with values other than its defaults (FLOAT values typed with fewer digits than their type
// shows), downloaded to a strict blank simulator, uploaded into an empty slot, compared.
// The kinds come from the tables at run time.
#include "compare_run.h"
#include "download_run.h"
#include "net_download_run.h"
#include "scripted_questions.h"
#include "served_qvsim.h"
#include "shipped_upload.h"
#include "transfer_texts.h"
#include "transfer_unit.h"
#include "upload_model.h"
#include "upload_run.h"
#include "validation.h"

#include "scripted_prompt.h"
#include "serial_link.h"
#include "system_commands.h"
#include "unit_fixture.h"
#include "upload_devices.h"
#include "unit_undo_host.h"
#include "vuken_sim.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <map>
#include <memory>

namespace kravin::online {
namespace {

using namespace std::chrono_literals;

constexpr int kStation = 0;
constexpr int kCard = 1;

std::vector<std::string_view> entries(std::string_view range)
{
    std::vector<std::string_view> out;
    while (!range.empty()) {
        const auto semi = range.find(';');
        if (semi != 0) out.push_back(range.substr(0, semi));
        if (semi == std::string_view::npos) break;
        range.remove_prefix(semi + 1);
    }
    return out;
}

// The first question a run asked, for a failure message.
std::string FirstAsked(const test::ScriptedQuestions& q)
{
    if (q.asked().empty()) return {};
    const test::ScriptedQuestions::Asked& a = q.asked().front();
    return a.kind + " " + std::to_string(a.a) + "." + std::to_string(a.b) + ": " + a.device + " / " + a.project;
}

// A value of the item other than its default, as a user types it; the default where the
// type takes no simple other value. FLOATn values are typed with fewer digits than n.
std::string otherValue(std::string_view type, std::string_view def, std::string_view range)
{
    const auto begins = [&](std::string_view p) { return type.substr(0, p.size()) == p; };
    if (begins("FLAG") || begins("HEX_FLAG") || begins("CHAR_FLAG")) {
        for (std::string_view e : entries(range))
            if (def.empty() || e[0] != def[0]) return std::string(1, e[0]);
    } else if (begins("FACTORIAL") || (begins("INT") && type.size() > 3 && type[3] >= '1' && type[3] <= '8')) {
        const auto list = entries(range);
        for (auto e = list.rbegin(); e != list.rend(); ++e) {
            const std::string_view hi = e->substr(e->find('_') == std::string_view::npos ? 0 : e->find('_') + 1);
            if (hi != def) return std::string(hi);
        }
    } else if (begins("FLOAT") && type.size() == 6) {
        const auto u = range.find('_');
        double lo = 0, hi = 0;
        if (u != std::string_view::npos) {
            std::from_chars(range.data(), range.data() + u, lo);
            std::from_chars(range.data() + u + 1, range.data() + range.size(), hi);
            char text[32];
            const auto r = std::to_chars(text, text + sizeof text, (lo + hi) / 2, std::chars_format::fixed,
                                         type[5] > '1' ? 1 : 0);
            return std::string(text, r.ptr);
        }
    } else if (begins("CHAR") && type.size() == 6) {
        int width = 0;
        std::from_chars(type.data() + 4, type.data() + 6, width);
        return std::string("KRV1234567890123").substr(0, static_cast<std::size_t>(std::min(width, 16)));
    }
    return std::string(def);
}

enum class Road { Serial, Bus };

class BlockRoundTrip : public kravin::test::UnitFixture, protected test::ServedQvsim {
protected:

    // Each block kind of a model version with the first group that takes it.
    static std::map<std::string, int> blockKinds(const std::string& model, const std::string& version)
    {
        std::string m = model;
        m.resize(8, ' ');
        std::map<std::string, int> kinds;
        for (int g = 0; g < 100; ++g) {
            char list[KRAVINA_GROUP_BUFFER_SIZE] = {};
            const int n = KRAVinA_Valid_Block_Get(g == 0 ? 1 : 0, m.c_str(), version.c_str(), g, list, KRAVIN_SAMPLE_TABLES "/");
            for (int i = 0; i < n && i < KRAVINA_GROUP_CODES_MAX; ++i) {
                const std::string code(list + i * KRAVINA_BLOCK_CODE_SIZE, ::strnlen(list + i * KRAVINA_BLOCK_CODE_SIZE, 5));
                if (!code.empty()) kinds.emplace(code, g);
            }
        }
        return kinds;
    }

    // Places the blocks (group -> code) on the unit beside those it holds, with their
    // defaults, then sets every item of its blocks that the chooser gives another value the
    // item's check takes. The typed FLOAT texts shorter than their type are counted.
    void placeBlocks(int station, int card, std::map<int, std::string> codes)
    {
        const std::map<int, std::string> placed = codes;
        for (int g = 0; g < model::kGroups; ++g) {
            const std::string held = unitCode(station, card - 1, g);
            if (!held.empty()) codes.emplace(g, held);
        }
        writeUnit(station, card - 1, codes);
        makeCurrent(station, card, 0);
        for (const auto& [g, code] : codes) {
            unit->g_curGroup = g;
            if (placed.count(g)) unit->WriteItemDefaults(g);
            // Each group's values follow its own block's definition, a held one's too; a block
            // the kind's tables do not define (a TQRC card's group 80) has no items.
            if (unit->LoadBlockDefinition(unit->model(), unit->version(), unit->blockId(g)) != 0) continue;
            for (int i = 0; i < model::kItems; ++i) {
                const model::ItemDefinition& d = unit->itemDefinitions[static_cast<std::size_t>(i)];
                const std::string_view type = model::fieldView(d.type);
                // The block number, the unit's own identity and a TQRC card's virtual card
                // kinds (its used ports) stay as placed.
                if (i == 10 || (g == 0 && (i <= 1 || i >= 48))) continue;
                if (g == 1 && unit->modelStartsWith("TQRC ") && i % 17 == 11) continue;
                std::string value = otherValue(type, model::fieldView(d.defaultValue), model::fieldView(d.range));
                if (g >= 81 && g <= 92 && i >= 11) value = i == 11 ? "130001" : i == 12 ? "000000" : "******";
                std::string checked = value;
                if (model::ValidateItemInput(*unit, prompt, 1, i, checked) != 0) continue;
                if (checked != value) ++shortFloats;
                KRAVinA_Data_Item_Set(g, i, kravin::test::itemText(value).data());
            }
        }
        char head[500] = {};
        for (const auto& [g, code] : codes) std::memcpy(head + 5 * g, code.data(), std::min<std::size_t>(code.size(), 5));
        ASSERT_EQ(KRAVinA_Data_Write(station, card - 1, head, work.str().c_str()), 0);
    }

    TransferUnit copy(int station, int card)
    {
        makeCurrent(station, card, 0);
        TransferUnitResult r = CopyTransferUnit(*unit);
        EXPECT_TRUE(r.unit);
        return r.unit.value_or(TransferUnit{});
    }

    UploadSetup uploadSetup()
    {
        UploadSetup s;
        if (server) s.portName = server->devicePath();
        s.station = kStation;
        s.card = kCard;
        test::UseShippedTables(s, masters);
        return s;
    }

    // Every downloaded item of the card came back with its text (an empty one the bus does
    // not answer stays as the project has it). Items 51 and 52 of group 0 are the station's
    // and the unit's own, which the download writes in forms of their own. The second unit
    // of a QV200W/QV210W device is written from group 11 on.
    static void expectSame(const TransferCard& sent, const UploadStaging& back)
    {
        for (const TransferGroup& g : sent.groups) {
            if (!g.hasBlock || (IsSecondSubUnit(sent) && g.group < 11)) continue;
            for (const TransferItem& i : g.items) {
                if (g.group == 0 && (i.item == 51 || i.item == 52)) continue;
                const auto it = back.items.find({g.group, i.item});
                if (it == back.items.end() && i.text.empty()) continue;
                ASSERT_NE(it, back.items.end()) << g.group << "." << i.item;
                EXPECT_EQ(it->second, i.text) << g.group << "." << i.item << " " << i.type;
            }
        }
    }

    void download(const TransferUnit& sent, test::ScriptedQuestions& q, int baudIndex = 1)
    {
        DownloadSetup d;
        d.portName = server->devicePath();
        d.baudIndex = baudIndex;
        DownloadRun run(link, sent, d, q, TransferTiming{});
        run.Run();
        ASSERT_EQ(run.context().result().outcome(), TransferOutcome::Finished)
            << run.context().result().messageId() << " " << run.context().result().detail() << " "
            << ::testing::PrintToString(server->receivedLines());
    }

    // Downloads each unit, uploads the device into an empty slot (the units come back in
    // that order), compares each unit: no question, no difference.
    void roundTrip(const std::vector<TransferUnit>& sent, UploadSetup setup)
    {
        test::ScriptedQuestions q;
        q.defaultAnswer = model::AnswerAbort;
        for (const TransferUnit& u : sent) ASSERT_NO_FATAL_FAILURE(download(u, q, setup.baudIndex));

        UploadRun upload(&link, {}, setup, q, TransferTiming{});
        upload.Run();
        ASSERT_EQ(upload.context().result().outcome(), TransferOutcome::Finished)
            << upload.context().result().messageId() << " " << upload.context().result().detail();
        ASSERT_EQ(upload.units().size(), sent.size());
        for (std::size_t u = 0; u < sent.size(); ++u) {
            SCOPED_TRACE("unit " + std::to_string(u + 1));
            EXPECT_EQ(upload.units()[u].model, sent[u].cards.front().model);
            expectSame(sent[u].cards.front(), upload.units()[u]);
        }
        uploaded = upload.units();

        for (const TransferUnit& u : sent) {
            CompareSetup c;
            c.portName = server->devicePath();
            c.baudIndex = setup.baudIndex;
            CompareRun compare(&link, {}, u, c, q, TransferTiming{});
            compare.Run();
            EXPECT_EQ(compare.context().result().outcome(), TransferOutcome::Finished);
            EXPECT_EQ(compare.differences(), 0);
        }
        EXPECT_TRUE(q.asked().empty()) << FirstAsked(q);
    }
    void roundTrip(const TransferUnit& sent) { roundTrip(std::vector<TransferUnit>{sent}, uploadSetup()); }

    // Places a device as the system view does (its default blocks, its questions answered).
    void placeDevice(int station, int card, const std::string& kind, const std::string& version)
    {
        struct Answers : editors::SystemDialogs {
            std::optional<ModelChoice> selectModel(int, int) override { return std::nullopt; }
            std::optional<int> selectRnh6Type() override { return 13; }  // CAO 11-18, CAI 19-26
            std::optional<std::string> inputId(const std::string&) override { return "1234"; }
            std::optional<int> cardCount(const editors::CardCountRange&) override { return cards; }
            std::optional<std::string> selectVersion(int, int) override { return std::nullopt; }
            int cards = 0;
        } answers;
        answers.cards = stationCards;
        model::UnitUndoHost host(*unit);
        model::CStationUndo undo(host);
        editors::SystemCommands commands(*unit, undo, prompt, answers);
        makeCurrent(station, card, 0);
        ASSERT_EQ(commands.PlaceDevice(false, kind, version, false), editors::SystemCommands::Result::Done) << kind;
    }

    // The existing cards of a V8RTU station as the upload reads them.
    static UploadSetup v8rtuCards(UploadSetup s, const TransferUnit& sent, int startCard)
    {
        s.newUnit = false;
        s.card = startCard;
        s.model = sent.cards.front().model;
        s.version = sent.cards.front().version;
        s.stationIsV8rtu = s.v8rtu = true;
        s.cardCount = sent.cardCount;
        for (const TransferCard& c : sent.cards) {
            UploadCardSetup card;
            card.card = c.card + 1;
            card.model = c.model;
            card.version = c.version;
            card.blockCodes[0] = "00SYS";  // the other groups' blocks are read from the device
            s.v8rtuCards.push_back(card);
        }
        return s;
    }

    static constexpr int kRtuStation = 5;
    static constexpr const char* kKinds[3] = {"31CDI", "32CDO", "33CAI"};

    // A blank device of three cards on the road.
    void serveBlankStation(Road road)
    {
        if (road == Road::Serial) {
            std::vector<qvsim::SimCard> device;
            for (const char* sel : {"0", "1", "2"}) {
                qvsim::SimCard c = qvsim::BlankCard("V8RTU", "0009");
                c.selector = sel;
                c.strict = true;
                device.push_back(c);
            }
            ASSERT_NO_FATAL_FAILURE(serve(device));
            return;
        }
        kravin::test::BlankBusV8rtuStation(kRtuStation, 3);
    }

    void v8rtuStationRoundTrip(Road road)
    {
        ASSERT_NO_FATAL_FAILURE(serveBlankStation(road));
        stationCards = 3;
        ASSERT_NO_FATAL_FAILURE(placeDevice(kRtuStation, 0, "V8RTU", "1.00"));
        for (int card = 1; card <= 3; ++card) {
            ASSERT_NO_FATAL_FAILURE(placeDevice(kRtuStation, card, "V8RTU", "1.00"));
            ASSERT_NO_FATAL_FAILURE(placeBlocks(kRtuStation, card, {{10 + card, kKinds[card - 1]}}));
        }
        const TransferUnit sent = copy(kRtuStation, 0);
        ASSERT_TRUE(sent.v8rtuStation);
        ASSERT_EQ(sent.cards.size(), 3u);

        test::ScriptedQuestions q;
        q.defaultAnswer = model::AnswerAbort;
        const bool bus = road == Road::Bus;
        if (bus) {
            NetDownloadRun download(BusApi::Vuken(), sent, NetDownloadSetup{}, q, TransferTiming{});
            download.Run();
            ASSERT_EQ(download.context().result().outcome(), TransferOutcome::Finished)
                << download.context().result().messageId();
        } else {
            ASSERT_NO_FATAL_FAILURE(download(sent, q));
        }

        UploadSetup s = uploadSetup();
        s.station = kRtuStation;
        s.bus = bus;
        // An empty value over the bus is no reply: the device's own serial number, lot and
        // hardware code, which the project holds empty and the download wrote so, are asked
        // about once (Skip All), and nothing else is asked.
        test::ScriptedQuestions empty;
        empty.defaultAnswer = bus ? model::AnswerSkipAll : model::AnswerAbort;
        UploadRun upload(bus ? nullptr : &link, bus ? BusApi::Vuken() : BusApi{}, v8rtuCards(s, sent, 0), empty,
                         TransferTiming{});
        upload.Run();
        ASSERT_EQ(upload.context().result().outcome(), TransferOutcome::Finished)
            << upload.context().result().messageId() << " " << upload.context().result().detail();
        EXPECT_EQ(empty.kinds(), std::vector<std::string>(bus ? 1 : 0, "missing"));
        ASSERT_EQ(upload.units().size(), 3u);
        for (std::size_t c = 0; c < 3; ++c) {
            SCOPED_TRACE(c + 1);
            EXPECT_EQ(upload.units()[c].blockCodes[1], "01RIO");
            EXPECT_EQ(upload.units()[c].blockCodes[11 + c], kKinds[c]);
            expectSame(sent.cards[c], upload.units()[c]);
        }

        CompareSetup c;
        c.bus = bus;
        if (!bus) c.portName = server->devicePath();
        CompareRun compare(bus ? nullptr : &link, bus ? BusApi::Vuken() : BusApi{}, sent, c, q, TransferTiming{});
        compare.Run();
        EXPECT_EQ(compare.context().result().outcome(), TransferOutcome::Finished);
        EXPECT_EQ(compare.differences(), 0);
        EXPECT_TRUE(q.asked().empty()) << FirstAsked(q);
        if (bus) vuken_sim_reset();
    }

    kravin::test::ScriptedPrompt prompt;
    int shortFloats = 0;
    int stationCards = 2;  // the card count the placement of a station or a TQRC card is given
    std::vector<UploadStaging> uploaded;  // the units of the last round trip's upload
};

TEST_F(BlockRoundTrip, EveryBlockKindOfAQv200Card)
{
    const std::map<std::string, int> kinds = blockKinds("QV200", "1.00");
    ASSERT_GE(kinds.size(), 27u);
    const std::string system = "00SYS";
    ASSERT_EQ(kinds.count(system), 1u);
    for (const auto& [code, group] : kinds) {
        SCOPED_TRACE(code + " in group " + std::to_string(group));
        qvsim::SimCard blank = qvsim::BlankCard("QV200", "0001");
        blank.strict = true;
        ASSERT_NO_FATAL_FAILURE(serve({blank}));
        placeCard(kStation, kCard, "QV200", "1.00");
        writeUnit(kStation, kCard - 1, {});  // the slot's earlier blocks go
        std::map<int, std::string> codes{{0, system}};
        codes[group] = code;
        ASSERT_NO_FATAL_FAILURE(placeBlocks(kStation, kCard, codes));
        ASSERT_NO_FATAL_FAILURE(roundTrip(copy(kStation, kCard)));
        server->stop();
    }
    EXPECT_GT(shortFloats, 0) << "no FLOAT value was typed short";
}

// The first block code the tables give a group of a model version; empty when none.
std::string firstCode(const std::string& kind, const std::string& version, int group)
{
    std::string m = kind;
    m.resize(8, ' ');
    char list[KRAVINA_GROUP_BUFFER_SIZE] = {};
    if (KRAVinA_Valid_Block_Get(0, m.c_str(), version.c_str(), group, list, KRAVIN_SAMPLE_TABLES "/") < 1) return {};
    return std::string(list, ::strnlen(list, 5));
}

// The device kinds with rules of their own, placed as the system view places them (their
// default blocks), given values other than the defaults, downloaded at their kind's speed
// and uploaded into an empty project.
TEST_F(BlockRoundTrip, DeviceKindsWithRulesOfTheirOwn)
{
    const struct Row {
        const char* kind;
        int card;         // 0 the station
        int baudIndex;    // the kind's speed in the card master
        int units;        // a QV200W/QV210W device is two units in two slots
        const char* id;   // group 0 item 52 (an IR card is addressed by it)
    } rows[] = {
        {"QV200W", 1, 2, 2, "0001"},
        {"QV210W", 3, 2, 2, "0001"},
        {"TQRC", 1, 1, 1, "0001"},  // two used ports, as the card count dialog gave them
        {"RNH6", 0, 1, 1, "0001"},  // I/O type R1: CAO in groups 11-18, CAI in 19-26
        {"TJK5", 1, 0, 1, "1234"},  // the ID the placement asked for
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        tables = {};
        ASSERT_NO_FATAL_FAILURE(useTables(kravin::test::sampleTables()));
        ASSERT_NO_FATAL_FAILURE(placeDevice(kStation, row.card, row.kind, "1.00"));
        std::vector<TransferUnit> sent;
        std::vector<qvsim::SimCard> device;
        for (int u = 0; u < row.units; ++u) {
            const int card = row.card + u;
            // The second unit of a two-slot device shows no blocks below group 6 and is
            // written from group 11 on: it gets a block there.
            std::map<int, std::string> extra;
            if (u == 1) extra[11] = firstCode(row.kind, "1.00", 11);
            ASSERT_NO_FATAL_FAILURE(placeBlocks(kStation, card, extra));
            sent.push_back(copy(kStation, card));
            qvsim::SimCard blank = qvsim::BlankCard(row.kind, u == 0 ? row.id : "0002");
            blank.baudIndex = row.baudIndex;
            blank.selector = std::to_string(u);
            blank.strict = true;
            device.push_back(blank);
        }
        ASSERT_NO_FATAL_FAILURE(serve(device));

        UploadSetup s = uploadSetup();
        s.card = row.card;
        s.baudIndex = row.baudIndex;
        s.irCard = sent.front().cards.front().irCard;
        s.unitId = row.id;
        ASSERT_NO_FATAL_FAILURE(useTables(kravin::test::sampleTables()));
        ASSERT_NO_FATAL_FAILURE(roundTrip(sent, s));
        if (std::string(row.kind) == "TQRC") {
            EXPECT_EQ(UploadTqrcPorts(uploaded.front()), 2);
        }
        server->stop();
    }
}


// A V8RTU station of three cards, placed as the system view places it (each card with a
// communication block of its own), downloaded from the station and uploaded card by card,
// over the serial link or the simulated bus: the station holds groups 0 and 1 once, and
// every card comes back whole.
TEST_F(BlockRoundTrip, V8rtuStationOfThreeCardsOverTheSerialLink) { v8rtuStationRoundTrip(Road::Serial); }
TEST_F(BlockRoundTrip, V8rtuStationOfThreeCardsOverTheBus) { v8rtuStationRoundTrip(Road::Bus); }

// The communication blocks of a V8RTU card over the simulated bus: network download from the
// card, network upload of the card, network compare.
TEST_F(BlockRoundTrip, V8rtuCommunicationBlocksOverTheBus)
{
    const int station = 6;
    placeStation(station, "V8RTU", "1.00", 0, 0, "1");
    placeCard(station, 1, "V8RTU");
    for (const char* code : {"31CDI", "32CDO", "33CAI", "34CAO"}) {
        SCOPED_TRACE(code);
        kravin::test::BlankBusV8rtuStation(station, 1);
        const std::map<int, std::string> codes{{0, "00SYS"}, {1, "01RIO"}, {11, code}};
        ASSERT_NO_FATAL_FAILURE(placeBlocks(station, 1, codes));
        const TransferUnit sent = copy(station, 1);
        ASSERT_EQ(sent.cards.size(), 1u);

        test::ScriptedQuestions q;
        q.defaultAnswer = model::AnswerAbort;
        NetDownloadSetup d;
        for (const auto& [g, c] : codes) d.blockCodes[static_cast<std::size_t>(g)] = c;
        NetDownloadRun download(BusApi::Vuken(), sent, d, q, TransferTiming{});
        download.Run();
        ASSERT_EQ(download.context().result().outcome(), TransferOutcome::Finished) << download.context().result().messageId();

        UploadSetup s = uploadSetup();
        s.bus = true;
        s.station = station;
        // The bus does not answer an item that holds nothing (the unit's empty texts): Skip All.
        test::ScriptedQuestions empty;
        empty.defaultAnswer = model::AnswerSkipAll;
        UploadRun upload(nullptr, BusApi::Vuken(), v8rtuCards(s, sent, 1), empty, TransferTiming{});
        upload.Run();
        ASSERT_EQ(upload.context().result().outcome(), TransferOutcome::Finished)
            << upload.context().result().messageId() << " " << upload.context().result().detail();
        ASSERT_EQ(upload.units().size(), 1u);
        EXPECT_EQ(upload.units()[0].blockCodes[11], code);
        expectSame(sent.cards[0], upload.units()[0]);

        CompareSetup c;
        c.bus = true;
        CompareRun compare(nullptr, BusApi::Vuken(), sent, c, q, TransferTiming{});
        compare.Run();
        EXPECT_EQ(compare.context().result().outcome(), TransferOutcome::Finished);
        EXPECT_EQ(compare.differences(), 0);
        EXPECT_TRUE(q.asked().empty()) << FirstAsked(q);
    }
    vuken_sim_reset();
}

}  // namespace
}  // namespace kravin::online
