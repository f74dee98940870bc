#include "backup_job.h"
#include "drive_kind.h"
#include "crafted_backups.h"
#include "file_size_limit.h"
#include "lzw.h"
#include "temp_dir.h"
#include "unit_image.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kravinb;
using kravin::test::readBytes;
using kravin::test::TempDir;
using kravin::test::writeBytes;

namespace {

// A work folder with a card (unit and analog file) and a station file.
struct Project {
    TempDir dir;
    fs::path work = dir.path() / "work";
    fs::path keep = dir.path() / "keep";
    fs::path backups = dir.path() / "backups";
    Project()
    {
        fs::create_directories(work / "STN02");
        fs::create_directories(backups);
        writeBytes((work / "STN02/CARD3.KRAB").string(), kravin::test::unitDataImage(3));
        writeBytes((work / "STN02/AC3.KRAB").string(), kravin::test::analogImage(3));
        writeBytes((work / "STN02/STNINF.KRAB").string(), kravin::test::unitDataImage(9));
    }
    std::vector<unsigned char> file(const std::string& rel) const { return readBytes((work / rel).string()); }
};

BkcHeader headerFor(int station, int card)
{
    BkcHeader h;
    h.project = "PLANT";
    h.cardName = "QV200   ";
    h.version = "0108";
    h.unitText = "UNIT1";
    h.station = station;
    h.card = card;
    h.time = 1700000000;
    return h;
}

// Writes a backup of station/card with every member it has.
WriteStatus backUp(const Project& p, int station, int card, const fs::path& out)
{
    const CardFiles files = GetCardFileInfo(p.work, station, card);
    BkcWriter w(out);
    WriteStatus s = w.Create(headerFor(station, card));
    for (int k = 0; k < files.count && s == WriteStatus::Ok; ++k) s = w.AddMember(k, files.member[k]);
    return s == WriteStatus::Ok ? w.Finish() : s;
}

RestoreTarget target(const Project& p, int station, int card) { return {p.work, station, card, p.keep}; }

}  // namespace

TEST(BackupJob, CardBackupRestoresByteIdenticalIntoAnotherSlot)
{
    Project p;
    const fs::path bkc = p.backups / "S02C3.BKC";
    ASSERT_EQ(backUp(p, 2, 3, bkc), WriteStatus::Ok);
    BkcHeader h;
    ASSERT_EQ(CheckBackupHeader(bkc, &h), HeaderCheck::Ok);
    EXPECT_EQ(h.member[0].size, 361300u);
    EXPECT_EQ(h.member[1].size, 1480000u);
    EXPECT_EQ(h.member[1].offset, 128 + h.member[0].packed);
    EXPECT_EQ(fs::file_size(bkc), 128u + h.member[0].packed + h.member[1].packed);

    BkcHeader restored;
    ASSERT_EQ(RestoreBackup(bkc, target(p, 5, 12), {}, &restored), RestoreStatus::Ok);
    EXPECT_EQ(p.file("STN05/CARDC.KRAB"), p.file("STN02/CARD3.KRAB"));
    EXPECT_EQ(p.file("STN05/ACC.KRAB"), p.file("STN02/AC3.KRAB"));
    EXPECT_EQ(restored.unitText, "UNIT1");
    EXPECT_FALSE(fs::exists(p.keep)) << "the keep folder goes when the restore ends";
}

TEST(BackupJob, StationBackupHasOneMember)
{
    Project p;
    const fs::path bkc = p.backups / "S02CX.BKC";
    ASSERT_EQ(backUp(p, 2, -1, bkc), WriteStatus::Ok);
    const auto bytes = readBytes(bkc.string());
    for (int i = 76; i < 88; ++i) EXPECT_EQ(bytes[i], 0) << i;
    BkcHeader h;
    ASSERT_EQ(CheckBackupHeader(bkc, &h), HeaderCheck::Ok);
    EXPECT_EQ(h.memberCount(), 1);
    ASSERT_EQ(RestoreBackup(bkc, target(p, 9, -1), {}, nullptr), RestoreStatus::Ok);
    EXPECT_EQ(p.file("STN09/STNINF.KRAB"), p.file("STN02/STNINF.KRAB"));
    // A station backup never lands on a card and the other way round.
    EXPECT_EQ(RestoreBackup(bkc, target(p, 9, 0), {}, nullptr), RestoreStatus::Damaged);
}

TEST(BackupJob, ExistingFileIsReplacedUnderItsCanonicalName)
{
    Project p;
    const fs::path bkc = p.backups / "S02C3.BKC";
    ASSERT_EQ(backUp(p, 2, 3, bkc), WriteStatus::Ok);
    writeBytes((p.work / "STN02/card1.krab").string(), {1, 2, 3});
    ASSERT_EQ(RestoreBackup(bkc, target(p, 2, 1), {}, nullptr), RestoreStatus::Ok);
    EXPECT_FALSE(fs::exists(p.work / "STN02/card1.krab"));
    EXPECT_EQ(p.file("STN02/CARD1.KRAB"), p.file("STN02/CARD3.KRAB"));
}

TEST(BackupJob, FullDiskKeepsThePreviousBackup)
{
    Project p;
    const fs::path bkc = p.backups / "S02C3.BKC";
    ASSERT_EQ(backUp(p, 2, -1, bkc), WriteStatus::Ok);  // an older, smaller backup under the name
    const auto before = readBytes(bkc.string());
    WriteStatus s;
    {
        kravin::test::FileSizeLimit limit(before.size() + 100);
        s = backUp(p, 2, 3, bkc);
    }
    EXPECT_EQ(s, WriteStatus::DiskFull);
    EXPECT_EQ(readBytes(bkc.string()), before);
    for (const auto& e : fs::directory_iterator(p.backups)) EXPECT_EQ(e.path().filename(), "S02C3.BKC");
}

TEST(BackupJob, BackupWithNoMemberWrittenIsNoneAndKeepsThePreviousBackup)
{
    Project p;
    const fs::path bkc = p.backups / "S02C3.BKC";
    ASSERT_EQ(backUp(p, 2, 3, bkc), WriteStatus::Ok);
    const auto before = readBytes(bkc.string());
    // The unit file cut short: member 0 cannot be read, and the user goes on.
    fs::resize_file(p.work / "STN02/CARD3.KRAB", 1000);
    BkcWriter w(bkc);
    ASSERT_EQ(w.Create(headerFor(2, 3)), WriteStatus::Ok);
    EXPECT_EQ(w.AddMember(0, p.work / "STN02/CARD3.KRAB"), WriteStatus::CannotRead);
    EXPECT_EQ(w.Finish(), WriteStatus::Empty);
    EXPECT_EQ(readBytes(bkc.string()), before);
    for (const auto& e : fs::directory_iterator(p.backups)) EXPECT_EQ(e.path().filename(), "S02C3.BKC");
}

TEST(BackupJob, UnreadableMemberIsReported)
{
    Project p;
    BkcWriter w(p.backups / "x.BKC");
    ASSERT_EQ(w.Create(headerFor(2, 3)), WriteStatus::Ok);
    EXPECT_EQ(w.AddMember(0, p.work / "STN02/missing.KRAB"), WriteStatus::CannotRead);
    w.Abort();
    EXPECT_TRUE(fs::is_empty(p.backups));
    BkcWriter nowhere(p.work / "STN02/CARD3.KRAB/x.BKC");  // a file where a folder should be
    EXPECT_EQ(nowhere.Create(headerFor(2, 3)), WriteStatus::CannotCreate);
}

TEST(BackupJob, DamagedOrTruncatedBackupsLeaveTheProjectUntouched)
{
    Project p;
    const fs::path bkc = p.backups / "S02C3.BKC";
    ASSERT_EQ(backUp(p, 2, 3, bkc), WriteStatus::Ok);
    const auto good = readBytes(bkc.string());
    BkcHeader h;
    ASSERT_EQ(CheckBackupHeader(bkc, &h), HeaderCheck::Ok);

    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"cut inside member 1", {good.begin(), good.end() - 10}});
    auto flipped = good;
    for (std::size_t i = 128 + h.member[0].packed / 2; i < 128 + h.member[0].packed / 2 + 64; ++i) flipped[i] ^= 0xA5;
    cases.push_back({"garbled member 0", flipped});
    auto bigger = good;
    bigger[65] ^= 0x10;  // member 0 claims another size
    cases.push_back({"member size too big", bigger});
    auto smaller = good;
    smaller[64] -= 1;  // one byte less than the member holds
    cases.push_back({"member size too small", smaller});
    auto endEarly = good;
    endEarly[128] = 0xFF;  // the end code first
    endEarly[129] = 0x80;
    cases.push_back({"end code first", endEarly});

    const auto unitBefore = p.file("STN02/CARD3.KRAB");
    const auto acBefore = p.file("STN02/AC3.KRAB");
    for (const Case& c : cases) {
        const fs::path bad = p.backups / "bad.BKC";
        writeBytes(bad.string(), c.bytes);
        bool accepted = false;
        RestoreHooks hooks;
        hooks.accept = [&](const BkcHeader&) { return accepted = true; };
        EXPECT_EQ(RestoreBackup(bad, target(p, 2, 3), hooks, nullptr), RestoreStatus::Damaged) << c.what;
        EXPECT_EQ(p.file("STN02/CARD3.KRAB"), unitBefore) << c.what;
        EXPECT_EQ(p.file("STN02/AC3.KRAB"), acBefore) << c.what;
        std::vector<std::vector<unsigned char>> members;
        BkcHeader header;
        EXPECT_EQ(ReadBackup(c.bytes, header, members), RestoreStatus::Damaged) << c.what;
    }
    for (const auto& e : fs::directory_iterator(p.work / "STN02"))
        EXPECT_NE(e.path().filename().string()[0], '.') << "temporary file left: " << e.path();
}

TEST(BackupJob, CancelAfterTheFirstMemberAndRefusalChangeNothing)
{
    Project p;
    const fs::path bkc = p.backups / "S02C3.BKC";
    ASSERT_EQ(backUp(p, 2, 3, bkc), WriteStatus::Ok);
    writeBytes((p.work / "STN02/CARD4.KRAB").string(), kravin::test::unitDataImage(4));
    writeBytes((p.work / "STN02/AC4.KRAB").string(), kravin::test::analogImage(4));
    const auto unitBefore = p.file("STN02/CARD4.KRAB");
    const auto acBefore = p.file("STN02/AC4.KRAB");

    RestoreHooks cancel;
    std::vector<int> steps;
    cancel.step = [&](int k, const BkcHeader&) {
        steps.push_back(k);
        return k == 0;
    };
    EXPECT_EQ(RestoreBackup(bkc, target(p, 2, 4), cancel, nullptr), RestoreStatus::Cancelled);
    EXPECT_EQ(steps, (std::vector<int>{0, 1}));

    RestoreHooks refuse;
    std::string model, version;
    refuse.accept = [&](const BkcHeader& h) {
        model = h.cardName;
        version = h.version;
        return false;
    };
    refuse.step = [&](int, const BkcHeader&) {
        ADD_FAILURE() << "no member after a refusal";
        return true;
    };
    EXPECT_EQ(RestoreBackup(bkc, target(p, 2, 4), refuse, nullptr), RestoreStatus::Refused);
    EXPECT_EQ(model, "QV200   ");
    EXPECT_EQ(version, "0108");

    EXPECT_EQ(p.file("STN02/CARD4.KRAB"), unitBefore);
    EXPECT_EQ(p.file("STN02/AC4.KRAB"), acBefore);
}

TEST(BackupJob, CardBackupWithoutAnalogFileKeepsTheTargetsAnalogFile)
{
    Project p;
    fs::remove(p.work / "STN02/AC3.KRAB");
    const fs::path bkc = p.backups / "S02C3.BKC";
    ASSERT_EQ(backUp(p, 2, 3, bkc), WriteStatus::Ok);
    BkcHeader h;
    ASSERT_EQ(CheckBackupHeader(bkc, &h), HeaderCheck::Ok);
    EXPECT_EQ(h.memberCount(), 1);
    writeBytes((p.work / "STN02/Ac5.krab").string(), kravin::test::analogImage(5));
    ASSERT_EQ(RestoreBackup(bkc, target(p, 2, 5), {}, nullptr), RestoreStatus::Ok);
    EXPECT_EQ(p.file("STN02/Ac5.krab"), kravin::test::analogImage(5)) << "only the backup's own members are written";
    EXPECT_EQ(p.file("STN02/CARD5.KRAB"), p.file("STN02/CARD3.KRAB"));
    EXPECT_FALSE(fs::exists(p.keep));
}

TEST(BackupJob, ListShowsTheBackupsOfTheTargetKind)
{
    Project p;
    ASSERT_EQ(backUp(p, 2, 3, p.backups / "S02C3.BKC"), WriteStatus::Ok);
    ASSERT_EQ(backUp(p, 2, 3, p.backups / "other.bkc"), WriteStatus::Ok);
    ASSERT_EQ(backUp(p, 2, -1, p.backups / "S02CX.BKC"), WriteStatus::Ok);
    writeBytes((p.backups / "short.BKC").string(), std::vector<unsigned char>(127, 0));
    auto wrong = readBytes((p.backups / "S02C3.BKC").string());
    wrong[0] = 'k';
    writeBytes((p.backups / "magic.BKC").string(), wrong);
    auto cut = readBytes((p.backups / "S02C3.BKC").string());
    cut.resize(cut.size() / 2);
    writeBytes((p.backups / "cut.BKC").string(), cut);
    writeBytes((p.backups / "notes.txt").string(), {1});

    std::vector<std::pair<std::string, bool>> cards, stations;
    for (const auto& e : ListBackups(p.backups, false)) cards.emplace_back(e.path.filename().string(), e.damaged);
    for (const auto& e : ListBackups(p.backups, true)) stations.emplace_back(e.path.filename().string(), e.damaged);
    EXPECT_EQ(cards, (std::vector<std::pair<std::string, bool>>{{"S02C3.BKC", false}, {"cut.BKC", true}, {"other.bkc", false}}));
    EXPECT_EQ(stations, (std::vector<std::pair<std::string, bool>>{{"S02CX.BKC", false}}));
}

TEST(BackupJob, CraftedBackupsNeverReachTheProject)
{
    Project p;
    const auto unitBefore = p.file("STN02/CARD3.KRAB");
    const auto acBefore = p.file("STN02/AC3.KRAB");
    const auto crafted = kravin::test::craftedBackups(headerFor(2, 3), unitBefore, acBefore);
    for (const auto& c : crafted) {
        const fs::path bad = p.backups / "bad.BKC";
        writeBytes(bad.string(), c.bytes);
        EXPECT_LE(c.bytes.size(), kMaxBackupSize) << c.what;
        EXPECT_EQ(RestoreBackup(bad, target(p, 2, 3), {}, nullptr), RestoreStatus::Damaged) << c.what;
        EXPECT_EQ(p.file("STN02/CARD3.KRAB"), unitBefore) << c.what;
        EXPECT_EQ(p.file("STN02/AC3.KRAB"), acBefore) << c.what;
        std::vector<std::vector<unsigned char>> members;
        BkcHeader header;
        EXPECT_EQ(ReadBackup(c.bytes, header, members), RestoreStatus::Damaged) << c.what;
    }
    // Nothing was written, not even a temporary file or the keep folder.
    for (const auto& e : fs::directory_iterator(p.work / "STN02"))
        EXPECT_NE(e.path().filename().string()[0], '.') << "temporary file left: " << e.path();
    EXPECT_FALSE(fs::exists(p.keep));

    // The flipped first byte decodes cleanly to a unit file of the right size:
    // only the check of the unit file itself refuses it.
    const auto flipped = std::find_if(crafted.begin(), crafted.end(),
                                      [](const auto& c) { return c.what == "first compressed byte flipped"; });
    ASSERT_NE(flipped, crafted.end());
    const auto h = DecodeHeader(flipped->bytes.data(), flipped->bytes.size());
    ASSERT_TRUE(h && HeaderFitsFile(*h, flipped->bytes.size()));
    std::vector<unsigned char> unit;
    ASSERT_EQ(LzwDecodeMember({flipped->bytes.data() + 128, h->member[0].packed}, h->member[0].size, unit), LzwStatus::Ok);
    EXPECT_EQ(std::string(unit.begin(), unit.begin() + 5), "10SYS");
}

TEST(BackupJob, OnlyFilesTheProjectCouldHoldAreBackedUp)
{
    Project p;
    struct Case {
        const char* what;
        int member;
        std::vector<unsigned char> bytes;
    };
    auto badHead = kravin::test::unitDataImage(3);
    badHead[0] = '1';
    const Case cases[] = {
        {"empty unit file", 0, {}},
        {"unit file one byte long", 0, std::vector<unsigned char>(361301, 0)},
        {"unit file with a bad head", 0, badHead},
        {"analog file one byte short", 1, std::vector<unsigned char>(1479999, 0)},
    };
    for (const Case& c : cases) {
        writeBytes((p.work / "STN02/member.KRAB").string(), c.bytes);
        BkcWriter w(p.backups / "x.BKC");
        ASSERT_EQ(w.Create(headerFor(2, 3)), WriteStatus::Ok);
        if (c.member == 1) {
            ASSERT_EQ(w.AddMember(0, p.work / "STN02/CARD3.KRAB"), WriteStatus::Ok);
        }
        EXPECT_EQ(w.AddMember(c.member, p.work / "STN02/member.KRAB"), WriteStatus::CannotRead) << c.what;
    }
}

// A FIFO, a device and a folder where a file is expected: refused at once, never read.
TEST(BackupJob, OnlyRegularFilesAreOpened)
{
    Project p;
    const fs::path fifo = p.dir.path() / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path zero = p.dir.path() / "zero";
    fs::create_symlink("/dev/zero", zero);
    const fs::path folder = p.dir.path() / "folder";
    fs::create_directories(folder);

    for (const fs::path& path : {fifo, zero, folder}) {
        const auto start = std::chrono::steady_clock::now();
        std::vector<unsigned char> bytes;
        EXPECT_EQ(ReadRegularFile(path, 1 << 20, bytes), FileRead::NotRegular) << path;
        EXPECT_EQ(CheckBackupHeader(path, nullptr), HeaderCheck::Missing) << path;
        EXPECT_EQ(RestoreBackup(path, target(p, 2, 3), {}, nullptr), RestoreStatus::Damaged) << path;
        BkcWriter w(p.backups / "x.BKC");
        ASSERT_EQ(w.Create(headerFor(2, 3)), WriteStatus::Ok);
        EXPECT_EQ(w.AddMember(0, path), WriteStatus::CannotRead) << path;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << path;
    }
    // A regular file larger than the bound is refused before it is read.
    writeBytes((p.backups / "big.BKC").string(), std::vector<unsigned char>(kMaxBackupSize + 1, 0));
    std::vector<unsigned char> bytes;
    EXPECT_EQ(ReadRegularFile(p.backups / "big.BKC", kMaxBackupSize, bytes), FileRead::TooLarge);
    EXPECT_TRUE(bytes.empty());
}

namespace {

// The temporary files of backups named name in folder.
std::vector<fs::path> tempsOf(const fs::path& folder, const std::string& name)
{
    std::vector<fs::path> found;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().rfind("." + name + ".", 0) == 0) found.push_back(e.path());
    return found;
}

// A child process that runs until its parent lets it go (or the parent's test ends).
struct HeldChild {
    pid_t pid = -1;
    int go = -1;  // the parent's end: closing it lets the child end
    void release()
    {
        if (go >= 0) ::close(go);
        go = -1;
        if (pid > 0) ::waitpid(pid, nullptr, 0);
        pid = -1;
    }
    ~HeldChild() { release(); }
};

}  // namespace

// Every temporary file that no running writer holds goes at the next backup or
// restore, however new it is; the file of a backup still at work stays.
TEST(BackupJob, TemporaryFilesOfKilledWritersAreSwept)
{
    Project p;
    const fs::path bkc = p.backups / "S02C3.BKC";
    // Backups killed while they write each leave their temporary file behind, which
    // the next one sweeps as it starts.
    std::vector<fs::path> killed;
    for (int i = 0; i < 4; ++i) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            BkcWriter w(bkc);
            if (w.Create(headerFor(2, 3)) == WriteStatus::Ok) w.AddMember(0, p.work / "STN02/CARD3.KRAB");
            ::kill(::getpid(), SIGKILL);
            ::_exit(1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        const std::vector<fs::path> left = tempsOf(p.backups, "S02C3.BKC");
        ASSERT_EQ(left.size(), 1u) << "after killed backup " << i + 1;
        EXPECT_TRUE(killed.empty() || left[0] != killed.back());
        killed.push_back(left[0]);
    }

    // A backup at work in another process holds its file until it ends.
    int ready[2], go[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(go), 0);
    HeldChild running;
    running.pid = ::fork();
    ASSERT_GE(running.pid, 0);
    if (running.pid == 0) {
        ::close(go[1]);
        BkcWriter w(p.backups / "S02C5.BKC");
        const char ok = w.Create(headerFor(2, 5)) == WriteStatus::Ok ? 1 : 0;
        char c = 0;
        if (::write(ready[1], &ok, 1) != 1 || ::read(go[0], &c, 1) < 0) ::_exit(2);
        ::_exit(0);  // ends without removing its file
    }
    running.go = go[1];
    ::close(go[0]);
    ::close(ready[1]);
    char ok = 0;
    const ssize_t got = ::read(ready[0], &ok, 1);
    ::close(ready[0]);
    ASSERT_EQ(got, 1);
    ASSERT_EQ(ok, 1);
    const std::vector<fs::path> runningTemp = tempsOf(p.backups, "S02C5.BKC");
    ASSERT_EQ(runningTemp.size(), 1u);
    // Beside them: a fresh file nobody holds, and files that are not ours.
    writeBytes((p.backups / ".S02C4.BKC.Ab12Cd").string(), {1});
    const char* const others[] = {".notes.txt.Ab12Cd", ".S02C6.BKC.tmp", "S02C7.BKC.Ab12Cd", ".S02C8.BKC.Ab-2Cd"};
    for (const char* name : others) writeBytes((p.backups / name).string(), {1});

    // The next backup into the folder sweeps every unheld file of its own kind.
    ASSERT_EQ(backUp(p, 2, 3, bkc), WriteStatus::Ok);
    for (const fs::path& f : killed) EXPECT_FALSE(fs::exists(f)) << f;
    EXPECT_FALSE(fs::exists(p.backups / ".S02C4.BKC.Ab12Cd"));
    EXPECT_TRUE(fs::exists(runningTemp[0])) << "held by a running backup";
    for (const char* name : others) EXPECT_TRUE(fs::exists(p.backups / name)) << name;

    // Once that backup has ended, its file goes too: a restore sweeps its source
    // folder and the temporary unit files of the station folder.
    running.release();
    ASSERT_TRUE(fs::exists(runningTemp[0]));
    writeBytes((p.work / "STN02/.CARD4.KRAB.Qq11Rr").string(), {1});
    writeBytes((p.work / "STN02/.KRAVin.KRAB.Qq11Rr").string(), {1});
    ASSERT_EQ(RestoreBackup(bkc, target(p, 2, 6), {}, nullptr), RestoreStatus::Ok);
    EXPECT_FALSE(fs::exists(runningTemp[0]));
    EXPECT_FALSE(fs::exists(p.work / "STN02/.CARD4.KRAB.Qq11Rr"));
    EXPECT_TRUE(fs::exists(p.work / "STN02/.KRAVin.KRAB.Qq11Rr"));
    for (const char* name : others) EXPECT_TRUE(fs::exists(p.backups / name)) << name;
}

// A volume without a block device (memory, network) is no removable disk, also for a
// folder not made yet; a replaced lookup answers until the system's is put back.
TEST(DriveKindLookup, MemoryVolumeIsFixedAndTheLookupCanBeReplaced)
{
    if (!fs::is_directory("/dev/shm")) GTEST_SKIP() << "no memory volume at /dev/shm";
    const fs::path folder = "/dev/shm/not/made/yet";
    EXPECT_EQ(GetDriveKind(folder), DriveKind::Fixed);
    const DriveKindLookup before = SetDriveKindLookup([](const fs::path&) { return DriveKind::Removable; });
    EXPECT_EQ(GetDriveKind(folder), DriveKind::Removable);
    SetDriveKindLookup(before);
    EXPECT_EQ(GetDriveKind(folder), DriveKind::Fixed);
}
