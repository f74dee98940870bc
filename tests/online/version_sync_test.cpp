#include "pty_server.h"
#include "version_sync.h"

#include <gtest/gtest.h>

#include <chrono>

namespace kravin::online {
namespace {

using namespace std::chrono_literals;
using qvsim::Fault;

qvsim::SimCard card(const std::string& number, const std::string& version)
{
    qvsim::SimCard c;
    c.model = "QV200";
    c.baudIndex = 1;
    c.bank0[0] = {{0, "0"}, {52, "0012"}, {96, number}, {99, version}};
    return c;
}

class VersionSyncSession : public ::testing::Test {
protected:
    void serve(qvsim::SimCard c)
    {
        server = std::make_unique<qvsim::PtyServer>(std::vector<qvsim::SimCard>{std::move(c)});
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
        SerialLinkSettings s;
        s.replyTimeout = 2s;
        s.programmingUnitId = "PU01";
        link.setSettings(s);
        ASSERT_EQ(link.OpenComPort(1, server->devicePath()), 0) << link.lastError();
    }
    void TearDown() override
    {
        link.CloseComPort();
        if (server) server->stop();
    }

    SerialLink link{SerialLinkSettings{}, [] { return std::string("0012"); }};
    std::unique_ptr<qvsim::PtyServer> server;
};

TEST_F(VersionSyncSession, ReadsModelNumberAndVersionPlainAndFramed)
{
    serve(card("16", "1.00"));
    for (const bool framed : {false, true}) {
        const SyncResult r = ReadUnitIdentity(link, framed);
        ASSERT_EQ(r.status, SyncStatus::Ok) << framed;
        EXPECT_EQ(r.unit.modelNumber, 16);
        EXPECT_EQ(r.unit.version, "1.00");
        EXPECT_EQ(r.unit.table, 0);
    }
}

TEST_F(VersionSyncSession, FourRefusalsOrBadRepliesAreACommunicationError)
{
    struct Case {
        const char* what;
        std::string number, version;
        Fault fault;
    };
    const Case cases[] = {
        {"G00 refused four times", "16", "1.00", Fault::Cng},
        {"model number not digits", "1X", "1.00", Fault::None},
        {"model number too short", "7", "1.00", Fault::None},
        {"version too short", "16", "1.0", Fault::None},
    };
    for (const Case& c : cases) {
        serve(card(c.number, c.version));
        if (c.fault != Fault::None) server->setStandingFault(c.fault);
        const SyncResult r = ReadUnitIdentity(link, false);
        EXPECT_EQ(r.status, SyncStatus::CommunicationError) << c.what;
        link.CloseComPort();
        server->stop();
    }
}

TEST_F(VersionSyncSession, CancelStopsBetweenExchanges)
{
    serve(card("16", "1.00"));
    int asked = 0;
    const SyncResult r = ReadUnitIdentity(link, false, [&] { return ++asked > 1; });
    EXPECT_EQ(r.status, SyncStatus::Cancelled);
}

TEST_F(VersionSyncSession, FamilyQueryPicksTheTable)
{
    qvsim::SimCard c = card("24", "2.10");
    c.bank0[98] = {{10, "1"}};  // group 98 answers "COK" and item 10 a value: the second family
    serve(c);
    SyncResult r = ReadUnitIdentity(link, false);
    ASSERT_EQ(r.status, SyncStatus::Ok);
    EXPECT_EQ(r.unit.table, 2);
    EXPECT_EQ(FamilyModel(24, r.unit.table), "TQGV2   ");
    link.CloseComPort();
    server->stop();
    serve(card("24", "2.10"));  // no group 98: the first family
    r = ReadUnitIdentity(link, false);
    ASSERT_EQ(r.status, SyncStatus::Ok);
    EXPECT_EQ(r.unit.table, 1);
    EXPECT_EQ(FamilyModel(24, 1), "TQNH2   ");
}

TEST(VersionSyncModelCheck, NumbersNamesAndChoices)
{
    const auto none = [](const std::vector<std::string>&) -> std::optional<std::string> { return std::nullopt; };
    const auto second = [](const std::vector<std::string>& names) -> std::optional<std::string> { return names[1]; };
    // The unit's identity as plain values (the table is made of literals).
    struct Unit {
        int modelNumber, table;
        const char* version;
    };
    struct Case {
        const char* what;
        Unit unit;
        const char* current;
        std::vector<std::string> names;
        bool choose;
        int expected;
    };
    const Case cases[] = {
        {"0 on a 63WH", {0, 0, "1.00"}, "63WH    ", {}, false, 0},
        {"0 on another", {0, 0, "1.00"}, "QV200   ", {}, false, 8123},
        {"one name, same", {16, 0, "1.00"}, "QV200   ", {"QV200   "}, false, 0},
        {"one name, other", {16, 0, "1.00"}, "QV210   ", {"QV200   "}, false, 8123},
        {"several, chosen", {20, 0, "1.00"}, "QV210   ", {"QV200   ", "QV210   "}, true, 0},
        {"several, cancelled", {20, 0, "1.00"}, "QV210   ", {"QV200   ", "QV210   "}, false, 8305},
        {"family, second table", {29, 2, "1.00"}, "TQGB2   ", {}, false, 0},
        {"family, other model", {29, 1, "1.00"}, "TQGB2   ", {}, false, 8123},
        {"14 first table chooses", {14, 1, "1.00"}, "TQNW    ", {"TQNW    ", "TQNW2   "}, true, 8123},
        {"no names", {50, 0, "1.00"}, "QV200   ", {}, false, 8123},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckUnitModel(UnitIdentity{c.unit.modelNumber, c.unit.table, c.unit.version}, c.current, c.names,
                                 c.choose ? second : none),
                  c.expected)
            << c.what;
}

}  // namespace
}  // namespace kravin::online
