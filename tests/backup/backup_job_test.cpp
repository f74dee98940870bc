#include "backup_job.h"
#include "file_size_limit.h"
#include "temp_dir.h"
#include "unit_image.h"

#include <gtest/gtest.h>

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

TEST(BackupJob, CardBackupWithoutAnalogFileRemovesTheTargetsAnalogFile)
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
    EXPECT_FALSE(FindNoCase(p.work / "STN02", "AC5.KRAB"));
    EXPECT_EQ(p.file("STN02/CARD5.KRAB"), p.file("STN02/CARD3.KRAB"));
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
