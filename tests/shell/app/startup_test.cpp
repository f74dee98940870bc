#include "command_line.h"
#include "field_names.h"
#include "shell_application.h"
#include "startup.h"

#include "KRAVinA.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kravin::shell {
namespace {

class RecordingSteps : public StartupSteps {
public:
    std::vector<std::string> log;
    bool frameOk = true;
    int loadResult = 0;
    bool monitorStops = true;
    std::chrono::milliseconds stopBound{0};

    void registerBusCallback() override { log.push_back("bus callback"); }
    void loadSettings() override { log.push_back("settings"); }
    void stampProjectVersion() override { log.push_back("version"); }
    void createFonts() override { log.push_back("fonts"); }
    void clearProjectHeader() override { log.push_back("clear header"); }
    void clearSystemTables() override { log.push_back("clear tables"); }
    void loadMasters() override { log.push_back("masters"); }
    void loadFieldNames() override { log.push_back("field names"); }
    void resetRuntimeState() override { log.push_back("reset"); }
    bool createMainFrame() override
    {
        log.push_back("frame");
        return frameOk;
    }
    void showMainFrame() override { log.push_back("show"); }
    void startMonitor() override { log.push_back("monitor start"); }
    void newProject() override { log.push_back("new project"); }
    int loadProject(const std::string& path) override
    {
        log.push_back("load " + path);
        return loadResult;
    }
    void openSystemView() override { log.push_back("system view"); }
    bool stopMonitor(std::chrono::milliseconds bound) override
    {
        stopBound = bound;
        log.push_back("monitor stop");
        return monitorStops;
    }
    void cleanupWorkFolder() override { log.push_back("cleanup"); }
    void saveSettings() override { log.push_back("save settings"); }
};

const std::vector<std::string> kPrefix = {"bus callback", "settings",    "version", "fonts", "clear header",
                                          "clear tables", "masters",     "field names", "reset", "frame",
                                          "show",         "monitor start"};

std::vector<std::string> with(std::vector<std::string> tail)
{
    std::vector<std::string> all = kPrefix;
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
}

TEST(Startup, OrderWithAndWithoutAProjectFile)
{
    struct Row {
        std::optional<std::string> path;
        int loadResult;
        std::vector<std::string> tail;
    };
    const Row rows[] = {
        {std::nullopt, 0, {"new project", "system view"}},
        {std::string(), 0, {"new project", "system view"}},
        {std::string("/p/a.KRA"), 0, {"load /p/a.KRA", "system view"}},
        // A project that does not load leaves a new untitled one, never a
        // record pointing at the unreadable archive.
        {std::string("/p/bad.KRA"), -1, {"load /p/bad.KRA", "new project", "system view"}},
    };
    for (const Row& r : rows) {
        RecordingSteps steps;
        steps.loadResult = r.loadResult;
        EXPECT_TRUE(runStartup(steps, r.path));
        EXPECT_EQ(steps.log, with(r.tail));
    }
}

TEST(Startup, NoFrameEndsBeforeAnythingIsShownOrStarted)
{
    RecordingSteps steps;
    steps.frameOk = false;
    EXPECT_FALSE(runStartup(steps, std::nullopt));
    EXPECT_EQ(steps.log.back(), "frame");
}

TEST(Shutdown, MonitorStopsWithinItsBoundBeforeTheWorkFolderGoes)
{
    for (bool stops : {true, false}) {
        RecordingSteps steps;
        steps.monitorStops = stops;
        EXPECT_EQ(runShutdown(steps), stops);
        EXPECT_EQ(steps.log, (std::vector<std::string>{"monitor stop", "cleanup", "save settings"}));
        EXPECT_GT(steps.stopBound.count(), 0);
    }
}

TEST(FieldNames, WholeNamesOnlyAndAtMostSixteen)
{
    FieldNameTable table;
    table[7].count = 3;  // stale content is cleared
    fillFieldNameTable(table, [](int id) -> std::string {
        switch (id) {
        case 0: return "ALPHA   BETA    GAMMA   ";
        case 1: return "ONE     TWO";             // 11 bytes: one whole name
        case 2: return std::string(20 * 8, 'X');  // twenty names
        case 3: return std::string("ABCDEFGH\0IJKLMNOP", 17);  // ends at the NUL
        default: return {};
        }
    });
    EXPECT_EQ(table[0].count, 3);
    EXPECT_STREQ(table[0].names[1].data(), "BETA    ");
    EXPECT_EQ(table[1].count, 1);
    EXPECT_STREQ(table[1].names[0].data(), "ONE     ");
    EXPECT_EQ(table[1].names[1][0], '\0');
    EXPECT_EQ(table[2].count, 16);
    EXPECT_EQ(table[3].count, 1);
    EXPECT_EQ(table[7].count, 0);
    EXPECT_EQ(table[99].count, 0);
}

TEST(FieldNames, ReadFromTheShippedTables)
{
    FieldNameTable table;
    const std::string folder = KRAVIN_SAMPLE_TABLES "/";
    fillFieldNameTable(table, [&folder](int id) {
        char entries[256] = {};
        KRAVinA_Mast_FiledName_Get(id, entries, folder.c_str());
        return std::string(entries);
    });
    int groups = 0;
    for (const FieldNameGroup& g : table) {
        EXPECT_LE(g.count, kFieldNamesPerGroup);
        groups += g.count > 0;
    }
    EXPECT_GT(groups, 0);
}

TEST(Language, SettingOverridesLocale)
{
    EXPECT_EQ(chooseLanguage("", "ja_JP"), res::Language::Japanese);
    EXPECT_EQ(chooseLanguage("", "en_US"), res::Language::English);
    EXPECT_EQ(chooseLanguage("", "C"), res::Language::English);
    EXPECT_EQ(chooseLanguage("en", "ja_JP"), res::Language::English);
    EXPECT_EQ(chooseLanguage("ja", "de_DE"), res::Language::Japanese);
    EXPECT_EQ(chooseLanguage("xx", "ja_JP"), res::Language::Japanese);
}

TEST(CommandLine, ProjectHelpVersionAndErrors)
{
    const auto parse = [](QStringList args) {
        args.prepend(QStringLiteral("KRAVin3"));
        return parseCommandLine(args);
    };
    EXPECT_FALSE(parse({}).projectPath);
    EXPECT_EQ(parse({QStringLiteral("/data/plant.KRA")}).projectPath, "/data/plant.KRA");
    EXPECT_TRUE(parse({QStringLiteral("--help")}).help);
    EXPECT_TRUE(parse({QStringLiteral("-v")}).version);
    EXPECT_FALSE(parse({QStringLiteral("--bogus")}).error.isEmpty());
    EXPECT_FALSE(parse({QStringLiteral("a.KRA"), QStringLiteral("b.KRA")}).error.isEmpty());
    EXPECT_TRUE(parse({}).helpText.contains(QStringLiteral("KRAVin3")));
}

}  // namespace
}  // namespace kravin::shell
