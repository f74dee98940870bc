#include "services.h"

#include "unit_fixture.h"

#include <QByteArray>

namespace kravin::test {
namespace {

using model::LadderEditHook;

TEST(ModelCodes, EveryControllerAndOthers)
{
    struct Case {
        const char* model;
        int code;
    } cases[] = {{"QV100   ", 1},   {"QV110   ", 2},   {"QV200   ", 16},  {"QV210   ", 32},  {"QV200B  ", 64},
                 {"QV200C  ", 80},  {"QV200D  ", 96},  {"QV200X  ", 112}, {"QV200BX ", 128}, {"QV200E  ", 144},
                 {"QV200W  ", 160}, {"QV210W  ", 176}, {"QV200   more", 16}, {"QV300   ", 0},  {"QV200", 0},
                 {"qv200   ", 0},   {"", 0},           {"RNH6    ", 0}};
    for (const Case& c : cases) EXPECT_EQ(model::GetModelCode(c.model), c.code) << c.model;
}

TEST(DeviceFit, DevicesServeTheirModels)
{
    struct Case {
        const char* model;
        const char* device;
        bool usable;
    } cases[] = {
        {"QV200   ", "QVxxx(JOV-IRDA)", true}, {"QV210W  ", "QVxxx(JOV-US)", true}, {"QV200   ", "TQN(JOV-UM)", false},
        {"TJK5    ", "TJK5(JOV-IRU)", true},   {"TJK5    ", "TJK5(JOV-US)", true},  {"TJK5    ", "TJW(JOV-US)", false},
        {"TJW     ", "TJW(JOV-US)", true},     {"TJW     ", "QVxxx(JOV-US)", false}, {"V8RTU   ", "V8RTU(JOV-US)", true},
        {"V8RTU   ", "TQN(JOV-UM)", false},    {"RNH6    ", "TQN(JOV-UM)", true},   {"RNH6    ", "QVxxx(JOV-US)", false},
        {"RNH6    ", "TQN", false},            {"", "TQN(JOV-UM)", false},         {"RNH6    ", "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(model::IsDeviceUsableForModel(c.model, c.device), c.usable) << c.model << " / " << c.device;
}

class ServicesTest : public UnitFixture {
protected:
    void SetUp() override
    {
        UnitFixture::SetUp();
        placeCard(0, 1, "QV200");
        placeCard(0, 2, "TJW");
        settings.PortAllocation[0] = {"COM1", "COM1", "TJW(JOV-US)", 0};
        settings.PortAllocation[1] = {"COM3", "COM3", "QVxxx(JOV-US)", 1};
        settings.PortAllocation[2] = {"", "", "V8RTU(JOV-US)", 1};
        settings.MON_SPEED = 7;
    }
    model::UserSettings settings;
};

TEST_F(ServicesTest, AllocatedPortOfTheCurrentModel)
{
    std::string port;
    int speed = -1;
    makeCurrent(0, 1);
    EXPECT_EQ(model::GetAllocatedPort(*unit, settings, port, &speed), 1);
    EXPECT_EQ(port, "COM3");
    EXPECT_EQ(speed, 1);   // the kind's 9600
    EXPECT_EQ(settings.MON_SPEED, 1);

    makeCurrent(0, 2);
    settings.MON_SPEED = 7;
    EXPECT_EQ(model::GetAllocatedPort(*unit, settings, port, &speed), 1);
    EXPECT_EQ(port, "COM1");
    EXPECT_EQ(speed, 1);   // TJW: 9600
    EXPECT_EQ(settings.MON_SPEED, 0);

    struct Case {
        const char* what;
        int card;
        const char* kind;
    } refused[] = {{"no model", 5, nullptr}, {"no row", 3, "TJK5"}, {"empty port", 4, "V8RTU"}};
    for (const Case& c : refused) {
        SCOPED_TRACE(c.what);
        if (c.kind) placeCard(0, c.card, c.kind);
        makeCurrent(0, c.card);
        settings.MON_SPEED = 7;
        EXPECT_EQ(model::GetAllocatedPort(*unit, settings, port, &speed), 0);
        EXPECT_EQ(settings.MON_SPEED, 7);
    }
}

TEST_F(ServicesTest, AppDataFolderIsMadeOnce)
{
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(work / "data"));
    std::string path;
    EXPECT_EQ(model::GetAppDataDir(path), 1);
    EXPECT_EQ(path, work / "data/KRAV3");
    EXPECT_TRUE(std::filesystem::is_directory(path));
    std::string again;
    EXPECT_EQ(model::GetAppDataDir(again), 0);
    EXPECT_EQ(again, path);
    if (saved.isNull()) qunsetenv("XDG_DATA_HOME");
    else qputenv("XDG_DATA_HOME", saved);
}

// A ladder editor as the model sees it.
class FakeLadder : public LadderEditHook {
public:
    bool open = true;
    bool edited = true;
    bool objects = false;
    Settle settle = Settle::Committed;
    int settled = 0;
    model::SeqSteps* steps = nullptr;

    bool LadderViewOpen() const override { return open; }
    bool LadderEdited() const override { return edited; }
    bool TranslationObjects() override { return objects; }
    Settle SettleEdit() override
    {
        ++settled;
        if (settle == Settle::Committed) {
            steps->g_stepTable.rows[0][0] = model::MakeStepCode("131111");   // the translation
            edited = false;
        }
        return settle;
    }
};

TEST_F(ServicesTest, OnlyATranslatedLadderEditIsStored)
{
    writeUnit(0, 0, {{81, "95SEQ"}}, {{81, 10, "95"}, {81, 11, "000000"}});
    makeCurrent(0, 1);
    model::SeqSteps steps;
    model::LoadSeqSteps(*unit, steps);
    steps.g_stepTable.rows[0][0] = model::MakeStepCode("UNTRAN");   // an edit never translated

    struct Case {
        const char* what;
        bool open, edited;
        LadderEditHook::Settle settle;
        int result, settled, modified;
        const char* stored;
    } cases[] = {
        {"view closed", false, true, LadderEditHook::Settle::Committed, 0, 0, 0, "000000"},
        {"nothing pending", true, false, LadderEditHook::Settle::Committed, 0, 0, 0, "000000"},
        {"translation refused", true, true, LadderEditHook::Settle::Refused, -1, 1, 0, "000000"},
        {"settled to nothing", true, true, LadderEditHook::Settle::Nothing, 0, 1, 0, "000000"},
        {"translated", true, true, LadderEditHook::Settle::Committed, 0, 1, 1, "131111"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeLadder ladder;
        ladder.open = c.open;
        ladder.edited = c.edited;
        ladder.settle = c.settle;
        ladder.steps = &steps;
        int modified = 0;
        EXPECT_EQ(model::CommitLadderEdit(&ladder, *unit, steps, modified), c.result);
        EXPECT_EQ(ladder.settled, c.settled);
        EXPECT_EQ(modified, c.modified);
        EXPECT_EQ(unitItem(0, 0, 81, 11), c.stored);
    }
    int modified = 0;
    EXPECT_EQ(model::CommitLadderEdit(nullptr, *unit, steps, modified), 0);
}

TEST(PendingEdits, LadderAndWiringViews)
{
    FakeLadder ladder;
    EXPECT_EQ(model::IsLadderEditPending(&ladder), 0);
    ladder.objects = true;
    EXPECT_EQ(model::IsLadderEditPending(&ladder), 1);
    ladder.open = false;
    EXPECT_EQ(model::IsLadderEditPending(&ladder), 0);
    ladder.open = true;
    ladder.edited = false;
    EXPECT_EQ(model::IsLadderEditPending(&ladder), 0);
    EXPECT_EQ(model::IsLadderEditPending(nullptr), 0);

    struct Probe : model::WiringViewProbe {
        int comm = -1, analog = -1;
        int CommViewPendingOperations() const override { return comm; }
        int AnalogViewPendingOperations() const override { return analog; }
    } probe;
    EXPECT_EQ(model::IsViewWindowBusy(&probe), 0);
    EXPECT_EQ(model::IsViewWindowBusy2(&probe), 0);
    probe.comm = 2;
    EXPECT_EQ(model::IsViewWindowBusy(&probe), 1);
    EXPECT_EQ(model::IsViewWindowBusy2(&probe), 0);
    probe.analog = 1;
    EXPECT_EQ(model::IsViewWindowBusy2(&probe), 1);
    EXPECT_EQ(model::IsViewWindowBusy(nullptr), 0);
}

}  // namespace
}  // namespace kravin::test
