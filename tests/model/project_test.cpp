#include "project.h"

#include "KRAVinA.h"
#include "scripted_prompt.h"
#include "model_test_util.h"
#include "temp_dir.h"
#include "text_codec.h"

#include <gtest/gtest.h>

#include <zip.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace kravin::model;
using kravin::test::readBytes;
using kravin::test::ScriptedPrompt;
using kravin::test::TempDir;
using kravin::test::FileSizeLimit;
using kravin::test::noise;
using kravin::test::runQuiet;
using kravin::test::shellQuoted;
using kravin::test::writeBytes;

namespace {

const char* const kStationTable = "CARD=QV200   \nUBus\n9600\n3\n1.00\n1.10\nCARD=RNZ6    \nRS\n57600\n5\n2.00\n";
const char* const kCardTable = "CARD=KMQ     \nUBus\n1200\n1\n1.00\n";

// One instance of the tool: its masters, tables, prompt and session.
struct Instance {
    Instance(const CardKindMasters& masters, const ProjectEnvironment& env)
        : session(masters, tables, prompt, env,
                  ProjectHooks{[this] { ++viewsClosed; }, [this] { ++undoCleared; }, [this] { ++monitorApplied; }})
    {
    }
    SystemConfigTables tables;
    ScriptedPrompt prompt;
    int viewsClosed = 0, undoCleared = 0, monitorApplied = 0;
    ProjectSession session;
};

class ProjectRoads : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(StampProjectVersion(), 0);
        fs::create_directories(dir_ / "tbl");
        fs::create_directories(dir_ / "tmp");
        fs::create_directories(dir_ / "Desktop");
        fs::create_directories(dir_ / "proj");
        std::ofstream(dir_ / "tbl/COMCARD.KRAT") << kStationTable;
        std::ofstream(dir_ / "tbl/KBSCARD.KRAT") << kCardTable;
        LoadCardKindMasters(masters_, dir_ / "tbl/");
        env_.tempFolder = dir_ / "tmp";
        env_.desktopFolder = dir_ / "Desktop";
    }

    std::unique_ptr<Instance> instance() { return std::make_unique<Instance>(masters_, env_); }

    // A titled project saved at path, left open in the returned instance.
    std::unique_ptr<Instance> savedProject(const std::string& path, const std::string& name = "Plant")
    {
        auto a = instance();
        a->session.NewProject();
        a->tables.stationKind[0] = 1;
        a->tables.stationVersion[0] = 1;
        a->tables.stationUnitText[0] = "ST0";
        a->tables.cardKind[0][2] = 1;
        a->prompt.dialog([&](ProjectDialogData& d) {
            d.name = name;
            d.comment = "first plant";
            d.location = path;
            return true;
        });
        EXPECT_EQ(a->session.SaveProject(), 0);
        a->prompt.clearLog();
        return a;
    }

    TempDir dir_;
    CardKindMasters masters_;
    ProjectEnvironment env_;
};

}  // namespace

TEST_F(ProjectRoads, NewProjectIsUntitledInAFreshWorkFolder)
{
    auto a = instance();
    a->session.NewProject();
    const ProjectRecord& r = a->session.projectRecord;
    EXPECT_EQ(r.untitled, 1);
    EXPECT_TRUE(r.path.empty());
    EXPECT_EQ(fs::path(r.workFolder).parent_path(), fs::path(env_.tempFolder));
    EXPECT_EQ(fs::path(r.workFolder).filename().string().front(), '{');
    EXPECT_TRUE(fs::exists(r.workFolder + "/KRAVin.KRAB"));
    EXPECT_EQ(r.headerName(), "Untitled");
    EXPECT_EQ(r.headerComment(), "");
    EXPECT_EQ(a->session.g_projectOpen, 1);
    EXPECT_EQ(a->session.g_projectName, "Untitled");
    EXPECT_EQ(r.modified, 0);
    EXPECT_FALSE(r.lock.held());
    EXPECT_TRUE(a->prompt.shown.empty());
    EXPECT_EQ(a->undoCleared, 1);
    EXPECT_EQ(a->monitorApplied, 1);

    const std::string first = r.workFolder;
    a->session.CreateUntitledProject();
    EXPECT_NE(r.workFolder, first);
    EXPECT_FALSE(fs::exists(first)) << "the old work folder goes on New";

    env_.language = kravin::res::Language::Japanese;
    auto b = instance();
    b->session.NewProject();
    EXPECT_EQ(b->session.g_projectName, "\x96\xb3\x91\xe8");  // "無題" in CP932
}

TEST_F(ProjectRoads, SaveOfAnUntitledProjectAsksForNameAndLocation)
{
    auto a = instance();
    a->session.NewProject();
    a->prompt.dialog([](ProjectDialogData&) { return false; });
    EXPECT_EQ(a->session.SaveProject(), -1);
    EXPECT_EQ(a->session.projectRecord.untitled, 1);
    ASSERT_EQ(a->prompt.dialogData.size(), 1u);
    EXPECT_FALSE(a->prompt.dialogData[0].propertiesMode);
    EXPECT_EQ(a->prompt.dialogData[0].location, "Untitled.KRA");
    EXPECT_EQ(a->prompt.dialogData[0].name, "Untitled");

    const std::string path = dir_ / "proj/Plant.KRA";
    a->session.projectRecord.modified = 1;
    a->prompt.dialog([&](ProjectDialogData& d) {
        d.name = "Plant A";
        d.comment = "boiler house";
        d.location = path;
        d.fileTitle = "Plant.KRA";
        return true;
    });
    EXPECT_EQ(a->session.SaveProject(), 0);
    EXPECT_EQ(a->prompt.ids(), (std::vector<int>{7003}));
    const ProjectRecord& r = a->session.projectRecord;
    EXPECT_EQ(r.path, path);
    EXPECT_EQ(r.fileTitle, "Plant.KRA");
    EXPECT_EQ(r.untitled, 0);
    EXPECT_EQ(r.modified, 0);
    EXPECT_EQ(a->session.g_projectName, "Plant A");
    EXPECT_TRUE(r.lock.held());
    EXPECT_EQ(ProbeArchiveAccess(path), EACCES);
    EXPECT_EQ(runQuiet("unzip -t -q '" + path + "'"), 0);
    EXPECT_TRUE(a->prompt.scriptDone());
}

TEST_F(ProjectRoads, UntitledSaveWithoutBrowsingLandsOnTheDesktop)
{
    auto a = instance();
    a->session.NewProject();
    a->prompt.dialog([](ProjectDialogData&) { return true; });  // keeps the proposed "Untitled.KRA"
    EXPECT_EQ(a->session.SaveProject(), 0);
    EXPECT_EQ(a->session.projectRecord.path, dir_ / "Desktop/Untitled.KRA");
    EXPECT_TRUE(fs::exists(dir_ / "Desktop/Untitled.KRA"));
}

TEST_F(ProjectRoads, SaveAsNamesGetTheArchiveExtension)
{
    struct Case {
        std::string chosen, expected;
    };
    const Case cases[] = {
        {dir_ / "proj/a", dir_ / "proj/a.KRA"},
        {dir_ / "proj/b.kra", dir_ / "proj/b.kra"},
        {dir_ / "proj/c.zip", dir_ / "proj/c.zip.KRA"},
        {"d", dir_ / "Desktop/d.KRA"},
    };
    auto a = savedProject(dir_ / "proj/first.KRA");
    for (const Case& c : cases) {
        a->prompt.file(c.chosen);
        EXPECT_EQ(a->session.SaveProjectAs(), 0) << c.chosen;
        EXPECT_EQ(a->session.projectRecord.path, c.expected);
        EXPECT_TRUE(fs::exists(c.expected)) << c.expected;
        EXPECT_EQ(a->prompt.fileChoices.back().mode, FileMode::Save);
    }
    EXPECT_EQ(a->prompt.fileChoices[1].defaultName, "a.KRA") << "the dialog proposes the file title";
    a->prompt.file(std::nullopt);
    EXPECT_EQ(a->session.SaveProjectAs(), -1);
    EXPECT_EQ(a->session.projectRecord.path, cases[3].expected);
    // The earlier archives are no longer locked; the current one is.
    EXPECT_EQ(ProbeArchiveAccess(dir_ / "proj/first.KRA"), 0);
    EXPECT_EQ(ProbeArchiveAccess(cases[3].expected), EACCES);
}

TEST_F(ProjectRoads, OpenLoadsTheArchiveAndRefusesTheOpenOneAndMissingFiles)
{
    const std::string path = dir_ / "proj/Plant.KRA";
    savedProject(path, "Plant B").reset();  // saved and closed

    auto b = instance();
    b->session.NewProject();
    const std::string untitledFolder = b->session.projectRecord.workFolder;
    b->prompt.file(path);
    EXPECT_EQ(b->session.OpenProjectDialog(), 0);
    EXPECT_TRUE(b->prompt.shown.empty());
    const ProjectRecord& r = b->session.projectRecord;
    EXPECT_EQ(r.path, path);
    EXPECT_EQ(r.fileTitle, "Plant.KRA");
    EXPECT_EQ(r.untitled, 0);
    EXPECT_EQ(r.modified, 0);
    EXPECT_FALSE(fs::exists(untitledFolder));
    EXPECT_TRUE(fs::exists(r.workFolder + "/KRAVin.KRAB"));
    EXPECT_EQ(b->session.g_projectName, "Plant B");
    EXPECT_EQ(b->session.g_projectComment, "first plant");
    EXPECT_EQ(b->tables.stationKind[0], 1);
    EXPECT_EQ(b->tables.stationVersion[0], 1);
    EXPECT_EQ(b->tables.stationUnitText[0], "ST0");
    EXPECT_EQ(b->tables.cardKind[0][2], 1);
    EXPECT_EQ(b->viewsClosed, 1);
    EXPECT_EQ(ProbeArchiveAccess(path), EACCES);

    // The open archive again, a missing file, a cancelled dialog: nothing changes.
    const std::string folder = r.workFolder;
    b->prompt.file(path);
    EXPECT_EQ(b->session.OpenProjectDialog(), -1);
    b->prompt.file(dir_ / "proj/none.KRA");
    EXPECT_EQ(b->session.OpenProjectDialog(), -1);
    b->prompt.file(std::nullopt);
    EXPECT_EQ(b->session.OpenProjectDialog(), -1);
    EXPECT_EQ(b->prompt.ids(), (std::vector<int>{7011, 7010}));
    EXPECT_EQ(r.workFolder, folder);
    EXPECT_EQ(r.path, path);
    EXPECT_EQ(b->viewsClosed, 1);
}

TEST_F(ProjectRoads, SecondOpenerIsRefused)
{
    const std::string path = dir_ / "proj/Plant.KRA";
    auto a = savedProject(path);
    const auto bytes = readBytes(path);

    auto b = instance();
    b->prompt.file(path);
    EXPECT_EQ(b->session.OpenProjectDialog(), 0);
    EXPECT_EQ(b->prompt.ids(), (std::vector<int>{7018}));
    EXPECT_EQ(b->session.projectRecord.untitled, 1) << "the failed open leaves an untitled project";
    EXPECT_TRUE(b->session.projectRecord.path.empty());
    EXPECT_EQ(b->session.g_projectName, "Untitled");
    EXPECT_EQ(readBytes(path), bytes);
    EXPECT_TRUE(a->session.projectRecord.lock.held());

    // Once the first closes it, it opens.
    a->session.CleanupWorkFolder();
    b->prompt.clearLog();
    b->prompt.file(path);
    EXPECT_EQ(b->session.OpenProjectDialog(), 0);
    EXPECT_TRUE(b->prompt.shown.empty());
    EXPECT_EQ(b->session.g_projectName, "Plant");
}

TEST_F(ProjectRoads, FailedSaveKeepsTheOldArchiveAndTheRecord)
{
    const std::string path = dir_ / "proj/Plant.KRA";
    auto a = savedProject(path);
    const auto before = readBytes(path);
    ProjectRecord& r = a->session.projectRecord;
    fs::create_directories(r.workFolder + "/STN00");
    writeBytes(r.workFolder + "/STN00/CARD1.KRAB", noise(1 << 20));
    r.modified = 1;
    int result = 0;
    {
        FileSizeLimit limit(before.size() + 200000);
        result = a->session.SaveProject();
    }
    EXPECT_NE(result, 0);
    EXPECT_EQ(a->prompt.ids(), (std::vector<int>{7013}));
    EXPECT_EQ(a->prompt.texts.size(), 1u) << "the archiver's report is shown";
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(r.modified, 1);
    EXPECT_EQ(r.untitled, 0);
    EXPECT_EQ(r.path, path);
    EXPECT_EQ(ProbeArchiveAccess(path), EACCES) << "the old archive stays locked";
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "proj"), fs::directory_iterator()), 1)
        << "no temporary file is left";
}

TEST_F(ProjectRoads, FailedSaveAsKeepsPathAndLock)
{
    const std::string path = dir_ / "proj/Plant.KRA";
    auto a = savedProject(path);
    a->prompt.file(dir_ / "missing-folder/Other.KRA");
    EXPECT_NE(a->session.SaveProjectAs(), 0);
    EXPECT_EQ(a->prompt.ids(), (std::vector<int>{7013}));
    EXPECT_EQ(a->session.projectRecord.path, path);
    EXPECT_EQ(a->session.projectRecord.fileTitle, "Plant.KRA");
    EXPECT_EQ(ProbeArchiveAccess(path), EACCES);
}

TEST_F(ProjectRoads, SaveOverAProjectAnotherInstanceHasOpenIsRefused)
{
    const std::string held = dir_ / "proj/P.KRA";
    auto a = savedProject(held, "Held");  // instance A works on P.KRA
    const auto bytes = readBytes(held);
    const std::string mine = dir_ / "proj/Mine.KRA";
    auto b = savedProject(mine, "Mine");

    // Save As onto A's project, and an untitled project saved there.
    b->prompt.file(held);
    EXPECT_EQ(b->session.SaveProjectAs(), EACCES);
    auto c = instance();
    c->session.NewProject();
    c->prompt.dialog([&](ProjectDialogData& d) {
        d.name = "Other";
        d.location = held;
        return true;
    });
    EXPECT_EQ(c->session.SaveProject(), EACCES);
    for (Instance* i : {b.get(), c.get()}) {
        EXPECT_EQ(i->prompt.ids(), (std::vector<int>{7018}));
        EXPECT_TRUE(i->prompt.texts.empty());
    }
    EXPECT_EQ(readBytes(held), bytes);
    EXPECT_TRUE(a->session.projectRecord.lock.holds(held));
    EXPECT_EQ(b->session.projectRecord.path, mine);
    EXPECT_TRUE(b->session.projectRecord.lock.holds(mine));
    EXPECT_EQ(c->session.projectRecord.untitled, 1);

    // A fourth instance is still refused P.KRA while A has it.
    auto d = instance();
    d->prompt.file(held);
    d->session.OpenProjectDialog();
    EXPECT_EQ(d->prompt.ids(), (std::vector<int>{7018}));

    // A saves its own project as often as it likes, and keeps it locked throughout.
    a->session.projectRecord.modified = 1;
    EXPECT_EQ(a->session.SaveProject(), 0);
    EXPECT_EQ(a->prompt.ids(), (std::vector<int>{7003}));
    EXPECT_TRUE(a->session.projectRecord.lock.holds(held));
}

TEST_F(ProjectRoads, OpenFailureShowsItsReasonBesideTheCode)
{
    const std::string fifo = dir_ / "proj/Pipe.KRA";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string manyEntries = dir_ / "proj/Many.KRA";
    {
        int err = 0;
        zip_t* za = zip_open(manyEntries.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
        ASSERT_NE(za, nullptr);
        zip_file_add(za, "KRAVin.KRAB", zip_source_buffer(za, "h", 1, 0), 0);
        for (int i = 0; i < 10000; ++i) zip_dir_add(za, ("D" + std::to_string(i)).c_str(), 0);
        ASSERT_EQ(zip_close(za), 0);
    }
    struct Case {
        std::string path;
        std::int64_t code;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {fifo, EINVAL, fifo + ": not a regular file"},
        {manyEntries, kArchiveTooLarge, manyEntries + ": 10001 entries, more than a project holds"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        auto a = instance();
        a->prompt.file(c.path);
        auto opened = std::async(std::launch::async, [&] { return a->session.OpenProjectDialog(); });
        ASSERT_EQ(opened.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "the open hangs";
        EXPECT_EQ(opened.get(), 0);
        EXPECT_EQ(a->prompt.ids(), (std::vector<int>{7012}));
        EXPECT_EQ(std::get<std::int64_t>(a->prompt.shown.at(0).args.at(0)), c.code);
        EXPECT_EQ(a->prompt.texts, (std::vector<std::string>{c.reason}));
        EXPECT_EQ(a->session.projectRecord.untitled, 1);
    }
}

TEST_F(ProjectRoads, OpenAndSaveSweepTemporaryFilesOfKilledSaves)
{
    const std::string path = dir_ / "proj/Plant.KRA";
    savedProject(path).reset();
    const std::string stale = dir_ / "proj/.Plant.KRA.KRAVin-save.a1B2c3";
    writeBytes(stale, noise(1000));
    auto a = instance();
    a->prompt.file(path);
    a->session.OpenProjectDialog();
    EXPECT_FALSE(fs::exists(stale)) << "open";

    writeBytes(stale, noise(1000));
    a->session.projectRecord.modified = 1;
    EXPECT_EQ(a->session.SaveProject(), 0);
    EXPECT_FALSE(fs::exists(stale)) << "save";
}

TEST_F(ProjectRoads, PropertiesEditNameAndCommentOfATitledProject)
{
    auto u = instance();
    u->session.NewProject();
    EXPECT_EQ(u->session.EditProjectProperties(), 0);
    EXPECT_TRUE(u->prompt.dialogData.empty()) << "an untitled project has no properties";

    const std::string path = dir_ / "proj/Plant.KRA";
    auto a = savedProject(path);
    ProjectRecord& r = a->session.projectRecord;
    a->prompt.dialog([](ProjectDialogData& d) {
        d.name = "changed";
        d.fileTitle = "Browsed.KRA";
        return false;
    });
    EXPECT_EQ(a->session.EditProjectProperties(), -1);
    EXPECT_EQ(r.headerName(), "Plant");
    EXPECT_EQ(r.modified, 0);
    EXPECT_EQ(r.fileTitle, "Browsed.KRA") << "only the browsed file title survives Cancel";
    ASSERT_EQ(a->prompt.dialogData.size(), 1u);
    EXPECT_TRUE(a->prompt.dialogData[0].propertiesMode);
    EXPECT_EQ(a->prompt.dialogData[0].location, path);
    EXPECT_EQ(a->prompt.dialogData[0].comment, "first plant");

    const std::string longName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ABCD";  // 40 characters
    a->prompt.dialog([&](ProjectDialogData& d) {
        d.name = longName;
        d.comment = "new comment";
        return true;
    });
    EXPECT_EQ(a->session.EditProjectProperties(), 0);
    EXPECT_EQ(r.headerName(), longName.substr(0, 31));
    EXPECT_EQ(a->session.g_projectName, longName.substr(0, 31));
    EXPECT_EQ(a->session.g_projectComment, "new comment");
    EXPECT_EQ(r.modified, 1);
    const auto header = readBytes(r.workFolder + "/KRAVin.KRAB");
    EXPECT_EQ(std::string(header.begin() + 64, header.begin() + 64 + 31), longName.substr(0, 31));
    EXPECT_EQ(header[64 + 31], 0);
}

TEST_F(ProjectRoads, CloseRemovesTheWorkFolderAndReleasesTheLock)
{
    const std::string path = dir_ / "proj/Plant.KRA";
    auto a = savedProject(path);
    const std::string folder = a->session.projectRecord.workFolder;
    EXPECT_EQ(a->session.CleanupWorkFolder(), 0);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(a->session.projectRecord.workFolder.empty());
    EXPECT_TRUE(a->session.projectRecord.path.empty());
    EXPECT_EQ(ProbeArchiveAccess(path), 0);
    EXPECT_TRUE(fs::exists(path));
    EXPECT_TRUE(fs::is_empty(env_.tempFolder));
}

namespace {

// An old-format project folder: its header "KRAVin.KRA" in the oldest layout.
std::string makeOldProject(const std::string& folder, const std::string& name)
{
    fs::create_directories(folder + "/STN00");
    std::vector<unsigned char> header(144640, 0);
    std::memcpy(header.data(), name.data(), name.size());
    const char kind[5] = {'Q', 'V', '2', '0', '0'};
    std::memcpy(header.data() + 1024, kind, 5);  // station 0
    std::memcpy(header.data() + 1024 + 10, "1.00", 4);
    writeBytes(folder + "/KRAVin.KRA", header);
    writeBytes(folder + "/STN00/STNINF.KRA", std::vector<unsigned char>(361300, 0));
    return folder + "/KRAVin.KRA";
}

}  // namespace

TEST_F(ProjectRoads, OldFormatProjectIsOfferedForConversion)
{
    const std::string old = makeOldProject(dir_ / "old", "Old plant");
    auto a = instance();
    a->prompt.file(old);
    a->prompt.answer(7004, Answer::Ok);
    EXPECT_EQ(a->session.OpenProjectDialog(), 0);
    EXPECT_EQ(a->prompt.ids(), (std::vector<int>{7004}));
    const ProjectRecord& r = a->session.projectRecord;
    EXPECT_EQ(r.untitled, 1);
    EXPECT_TRUE(r.path.empty());
    EXPECT_FALSE(r.lock.held());
    EXPECT_EQ(a->session.g_projectName, "Old plant");
    EXPECT_TRUE(fs::exists(r.workFolder + "/STN00/STNINF.KRAB"));
    EXPECT_EQ(a->tables.stationKind[0], 1);
    // Saving asks for a name.
    a->prompt.dialog([&](ProjectDialogData& d) {
        EXPECT_EQ(d.name, "Old plant");
        d.location = dir_ / "proj/Converted.KRA";
        return true;
    });
    EXPECT_EQ(a->session.SaveProject(), 0);
    EXPECT_TRUE(fs::exists(dir_ / "proj/Converted.KRA"));

    auto b = instance();
    b->prompt.file(old);
    b->prompt.answer(7004, Answer::Cancel);
    EXPECT_EQ(b->session.OpenProjectDialog(), 0);
    EXPECT_EQ(b->session.g_projectName, "Untitled");
    EXPECT_EQ(b->session.projectRecord.untitled, 1);
}

TEST_F(ProjectRoads, DamagedOrForeignArchivesAreNotOfferedForConversion)
{
    const std::string path = dir_ / "proj/Plant.KRA";
    savedProject(path).reset();
    auto bytes = readBytes(path);
    bytes.resize(bytes.size() / 2);
    writeBytes(dir_ / "proj/Damaged.KRA", bytes);
    writeBytes(dir_ / "proj/Foreign.KRA", noise(4000));
    fs::create_directories(dir_ / "photos");
    writeBytes(dir_ / "photos/a.jpg", noise(100));
    ASSERT_TRUE(ZipFolder(dir_ / "proj/Photos.KRA", dir_ / "photos"));  // a ZIP, but no project

    for (const char* name : {"Damaged.KRA", "Foreign.KRA", "Photos.KRA"}) {
        auto a = instance();
        a->prompt.file(dir_ / (std::string("proj/") + name));
        EXPECT_EQ(a->session.OpenProjectDialog(), 0);
        EXPECT_EQ(a->prompt.ids(), (std::vector<int>{7012})) << name;
        ASSERT_EQ(a->prompt.shown.size(), 1u);
        EXPECT_NE(std::get<std::int64_t>(a->prompt.shown[0].args.at(0)), 0);
        EXPECT_EQ(a->session.projectRecord.untitled, 1);
        EXPECT_EQ(std::distance(fs::directory_iterator(env_.tempFolder), fs::directory_iterator()), 1)
            << "the failed extraction's folder is gone";
    }
}

TEST_F(ProjectRoads, ArchiveWithEscapingEntriesIsRefused)
{
    const std::string path = dir_ / "proj/Evil.KRA";
    int err = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(za, nullptr);
    static const char payload[] = "payload";
    zip_file_add(za, "KRAVin.KRAB", zip_source_buffer(za, payload, 7, 0), 0);
    zip_file_add(za, "..\\..\\evil.txt", zip_source_buffer(za, payload, 7, 0), ZIP_FL_ENC_RAW);
    ASSERT_EQ(zip_close(za), 0);

    auto a = instance();
    a->prompt.file(path);
    EXPECT_EQ(a->session.OpenProjectDialog(), 0);
    EXPECT_EQ(a->prompt.ids(), (std::vector<int>{7032}));
    EXPECT_EQ(std::get<std::string>(a->prompt.shown[0].args.at(0)), "..\\..\\evil.txt");
    EXPECT_FALSE(fs::exists(dir_ / "evil.txt"));
    EXPECT_FALSE(fs::exists(dir_ / "tmp/../evil.txt"));
    EXPECT_EQ(a->session.projectRecord.untitled, 1);
}

TEST_F(ProjectRoads, NewerProjectWarnsAndAsksBeforeItIsSavedInTheOlderLayout)
{
    // A project written by version 9.0.0.
    const std::string folder = dir_ / "newer";
    KRAVinA_Proj_Set_Version("ORVANTEK KRAV3 Version 9.0.0");
    ASSERT_EQ(KRAVinA_Proj_Create("Future", "", "", folder.c_str()), 1);
    ASSERT_EQ(StampProjectVersion(), 0);
    const std::string path = dir_ / "proj/Future.KRA";
    ASSERT_TRUE(ZipFolder(path, folder));

    auto a = instance();
    a->prompt.file(path);
    EXPECT_EQ(a->session.OpenProjectDialog(), 0);
    EXPECT_EQ(a->prompt.ids(), (std::vector<int>{7005}));
    EXPECT_EQ(a->session.g_projectName, "Future");
    EXPECT_TRUE(a->session.newerVersionProject);

    const auto before = readBytes(path);
    a->prompt.answer(7031, Answer::No);
    EXPECT_EQ(a->session.SaveProject(), -1);
    EXPECT_EQ(readBytes(path), before);
    a->prompt.answer(7031, Answer::Yes);
    EXPECT_EQ(a->session.SaveProject(), 0);
    EXPECT_EQ(a->prompt.ids(), (std::vector<int>{7005, 7031, 7031, 7003}));
    EXPECT_FALSE(a->session.newerVersionProject);
}

TEST_F(ProjectRoads, UnknownKindsAreReportedAndKept)
{
    // A project whose card 0 of station 5 is of a kind the masters lack.
    const std::string folder = dir_ / "unknown";
    ASSERT_EQ(KRAVinA_Proj_Create("P", "", "", folder.c_str()), 1);
    ASSERT_EQ(KRAVinA_Proj_Update_Sys(1, 5, 0, "ZZZ     ", "U", "1.00", "", 3, 4, folder.c_str()), 0);
    const std::string path = dir_ / "proj/Plant.KRA";
    ASSERT_TRUE(ZipFolder(path, folder));

    auto b = instance();
    b->prompt.file(path);
    EXPECT_EQ(b->session.OpenProjectDialog(), 0);
    EXPECT_EQ(b->prompt.ids(), (std::vector<int>{7030}));
    EXPECT_EQ(std::get<std::int64_t>(b->prompt.shown[0].args.at(0)), 1);
    EXPECT_EQ(b->tables.cardKind[5][0], 0);
    ASSERT_EQ(b->session.SaveProject(), 0);
    b->session.CleanupWorkFolder();

    auto c = instance();
    c->prompt.file(path);
    EXPECT_EQ(c->session.OpenProjectDialog(), 0);
    char kind[8];
    int x = 0, y = 0;
    KRAVinA_Proj_Get_Sys(5, 0, kind, nullptr, nullptr, nullptr, &x, &y);
    EXPECT_EQ(std::string(kind, 8), "ZZZ     ");
    EXPECT_EQ(x, 3);
}

TEST_F(ProjectRoads, StartRemovesWorkFoldersOfCrashedRunsOnly)
{
    auto live = instance();
    live->session.NewProject();
    const std::string crashed = MakeTempWorkFolder(env_.tempFolder);
    fs::create_directories(crashed + "/STN00");
    writeBytes(crashed + "/KRAVin.KRAB", noise(100));

    auto next = instance();
    EXPECT_FALSE(fs::exists(crashed));
    EXPECT_TRUE(fs::exists(live->session.projectRecord.workFolder + "/KRAVin.KRAB"));
}

TEST(FormatNowText, HasTheFixedShape)
{
    const std::string t = FormatNowText();
    ASSERT_EQ(t.size(), 19u);
    for (std::size_t i : {4u, 7u}) EXPECT_EQ(t[i], '/');
    EXPECT_EQ(t[10], ' ');
    for (std::size_t i : {13u, 16u}) EXPECT_EQ(t[i], ':');
}
