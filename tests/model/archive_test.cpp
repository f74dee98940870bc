#include "archive.h"

#include "model_test_util.h"
#include "zip_writer.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <zip.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <future>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace kravin::model;
using kravin::test::readBytes;
using kravin::test::TempDir;
using kravin::test::FileSizeLimit;
using kravin::test::noise;
using kravin::test::runQuiet;
using kravin::test::shellQuoted;
using kravin::test::writeBytes;

namespace {

std::vector<unsigned char> pattern(std::size_t size, unsigned seed)
{
    std::vector<unsigned char> v(size);
    std::mt19937 rng(seed);
    for (std::size_t i = 0; i < size; ++i) v[i] = (i % 7 == 0) ? static_cast<unsigned char>(rng()) : 0;
    return v;
}

// A small work folder shaped like a project.
void makeProjectFolder(const std::string& root)
{
    fs::create_directories(root + "/STN00");
    fs::create_directories(root + "/STN01/empty");
    writeBytes(root + "/KRAVin.KRAB", pattern(148992, 1));
    writeBytes(root + "/STN00/STNINF.KRAB", pattern(361300, 2));
    writeBytes(root + "/STN00/CARD0.KRAB", pattern(361300, 3));
    writeBytes(root + "/STN01/ACX.KRAB", pattern(20000, 4));
}

bool sameTree(const std::string& a, const std::string& b)
{
    return runQuiet("diff -r " + shellQuoted(a) + " " + shellQuoted(b)) == 0;
}

// An archive with the given entries (name, content), made with libzip; a link
// entry when the content starts with "->".
void makeZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries)
{
    int err = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(za, nullptr);
    std::vector<std::string> contents;  // alive until the archive is written
    contents.reserve(entries.size());
    for (const auto& [name, content] : entries) {
        const bool link = content.rfind("->", 0) == 0;
        const std::string& data = contents.emplace_back(link ? content.substr(2) : content);
        zip_source_t* src = zip_source_buffer(za, data.data(), data.size(), 0);
        const zip_int64_t idx = zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_RAW);
        ASSERT_GE(idx, 0) << name;
        if (link)
            zip_file_set_external_attributes(za, static_cast<zip_uint64_t>(idx), 0, ZIP_OPSYS_UNIX,
                                             static_cast<zip_uint32_t>(S_IFLNK | 0777) << 16);
    }
    ASSERT_EQ(zip_close(za), 0);
}

std::vector<std::string> listFolder(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(Archive, PackedProjectPassesUnzipAndUnpacksToTheSameTree)
{
    TempDir dir;
    const std::string work = dir / "work";
    makeProjectFolder(work);
    const std::string kra = dir / "Plant.KRA";
    ASSERT_TRUE(ZipFolder(kra, work)) << ZipFolder(kra, work).detail;

    EXPECT_EQ(runQuiet("unzip -t -q " + shellQuoted(kra)), 0);
    ASSERT_EQ(runQuiet("unzip -q " + shellQuoted(kra) + " -d " + shellQuoted(dir / "byunzip")), 0);
    EXPECT_TRUE(sameTree(work, dir / "byunzip"));
    EXPECT_TRUE(TestArchive(kra));

    ASSERT_TRUE(UnzipArchive(kra, dir / "ours"));
    EXPECT_TRUE(sameTree(work, dir / "ours"));
    EXPECT_EQ(listFolder(dir.str()), (std::vector<std::string>{"Plant.KRA", "byunzip", "ours", "work"}))
        << "no temporary file is left beside the archive";
}

TEST(Archive, FolderZippedByZipOpens)
{
    TempDir dir;
    const std::string work = dir / "work";
    makeProjectFolder(work);
    const std::string kra = dir / "ByZip.KRA";
    ASSERT_EQ(runQuiet("cd " + shellQuoted(work) + " && zip -r -q -1 " + shellQuoted(kra) + " ."), 0);
    ASSERT_TRUE(UnzipArchive(kra, dir / "out"));
    EXPECT_TRUE(sameTree(work, dir / "out"));
    EXPECT_TRUE(TestArchive(kra));
}

TEST(Archive, SaveReplacesTheOldArchiveWhole)
{
    TempDir dir;
    const std::string work = dir / "work";
    makeProjectFolder(work);
    writeBytes(work + "/STN00/CARD5.KRAB", pattern(1000, 9));
    const std::string kra = dir / "P.KRA";
    ASSERT_TRUE(ZipFolder(kra, work));
    // A file deleted from the work folder does not survive in the archive.
    fs::remove(work + "/STN00/CARD5.KRAB");
    ASSERT_TRUE(ZipFolder(kra, work));
    ASSERT_TRUE(UnzipArchive(kra, dir / "out"));
    EXPECT_FALSE(fs::exists(dir / "out/STN00/CARD5.KRAB"));
    EXPECT_TRUE(sameTree(work, dir / "out"));
}

TEST(Archive, SaveThroughALinkReplacesTheArchiveItNames)
{
    TempDir dir;
    makeProjectFolder(dir / "work");
    fs::create_directories(dir / "store");
    ASSERT_TRUE(ZipFolder(dir / "store/P.KRA", dir / "work"));
    fs::create_symlink(dir / "store/P.KRA", dir / "Link.KRA");
    writeBytes(dir / "work/NEW.KRAB", {1, 2, 3});
    ASSERT_TRUE(ZipFolder(dir / "Link.KRA", dir / "work"));
    EXPECT_TRUE(fs::is_symlink(dir / "Link.KRA"));
    ASSERT_TRUE(UnzipArchive(dir / "store/P.KRA", dir / "out"));
    EXPECT_TRUE(fs::exists(dir / "out/NEW.KRAB"));
}

TEST(Archive, FailedSaveKeepsTheOldArchive)
{
    TempDir dir;
    const std::string work = dir / "work";
    makeProjectFolder(work);
    const std::string kra = dir / "P.KRA";
    ASSERT_TRUE(ZipFolder(kra, work));
    const auto before = readBytes(kra);

    // Data that does not compress, larger than what the "disk" takes.
    writeBytes(work + "/STN00/CARD1.KRAB", noise(1 << 20, 5));
    ArchiveResult r;
    {
        FileSizeLimit limit(before.size() + 4096);
        r = ZipFolder(kra, work);
    }
    EXPECT_FALSE(r);
    EXPECT_NE(r.code, 0);
    EXPECT_FALSE(r.detail.empty());
    EXPECT_EQ(readBytes(kra), before);
    EXPECT_EQ(listFolder(dir.str()), (std::vector<std::string>{"P.KRA", "work"}));

    // A vanished work folder fails the same way.
    const ArchiveResult gone = ZipFolder(kra, dir / "nowhere");
    EXPECT_EQ(gone.code, kArchiveNoFolder);
    EXPECT_EQ(readBytes(kra), before);
}

TEST(Archive, EntriesLeavingTheFolderAreRefused)
{
    const std::vector<std::string> names = {
        "../evil",       "..\\evil",    "/tmp/evil-abs", "\\evil",           "a/../../evil",
        "a\\..\\..\\evil", "C:/evil",   "C:\\evil",      "STN00/../../evil",
    };
    for (const std::string& name : names) {
        TempDir dir;
        const std::string kra = dir / "bad.KRA";
        makeZip(kra, {{"KRAVin.KRAB", "header"}, {name, "payload"}});
        const std::string work = dir / "deep/work";
        const ArchiveResult r = UnzipArchive(kra, work);
        EXPECT_EQ(r.code, kArchiveUnsafeEntry) << name;
        EXPECT_EQ(r.detail, name);
        EXPECT_FALSE(fs::exists(dir / "deep/evil")) << name;
        EXPECT_FALSE(fs::exists(dir / "evil")) << name;
        EXPECT_FALSE(fs::exists("/tmp/evil-abs")) << name;
        EXPECT_FALSE(fs::exists(work + "/KRAVin.KRAB")) << "nothing is extracted from an unsafe archive";
    }
}

TEST(Archive, LinksAreRefused)
{
    TempDir dir;
    const std::string kra = dir / "link.KRA";
    makeZip(kra, {{"STN00", "->" + dir.str()}, {"STN00/evil", "payload"}});
    EXPECT_EQ(UnzipArchive(kra, dir / "work").code, kArchiveUnsafeEntry);
    EXPECT_FALSE(fs::exists(dir / "evil"));

    // The same made by zip, which stores links as links with -y.
    fs::create_directories(dir / "src");
    fs::create_symlink("/etc/passwd", dir / "src/passwd");
    const std::string byZip = dir / "zip.KRA";
    ASSERT_EQ(runQuiet("cd " + shellQuoted(dir / "src") + " && zip -q -y " + shellQuoted(byZip) + " passwd"), 0);
    EXPECT_EQ(UnzipArchive(byZip, dir / "work2").code, kArchiveUnsafeEntry);
    EXPECT_FALSE(fs::is_symlink(dir / "work2/passwd"));
}

TEST(Archive, BackslashSeparatorsOfWindowsArchivesAreAccepted)
{
    TempDir dir;
    const std::string kra = dir / "win.KRA";
    makeZip(kra, {{"./", ""}, {"KRAVin.KRAB", "header"}, {"STN00\\CARD0.KRAB", "card"}, {".\\STN01\\ACX.KRAB", "ac"}});
    ASSERT_TRUE(UnzipArchive(kra, dir / "work"));
    EXPECT_EQ(readBytes(dir / "work/STN00/CARD0.KRAB"), (std::vector<unsigned char>{'c', 'a', 'r', 'd'}));
    EXPECT_TRUE(fs::exists(dir / "work/STN01/ACX.KRAB"));
}

TEST(Archive, DamagedArchiveFailsTheTest)
{
    TempDir dir;
    const std::string work = dir / "work";
    makeProjectFolder(work);
    const std::string kra = dir / "P.KRA";
    ASSERT_TRUE(ZipFolder(kra, work));
    auto bytes = readBytes(kra);
    // Flip bytes inside the first entry's compressed data (after its local header).
    for (std::size_t i = 60; i < 80; ++i) bytes[i] ^= 0x5A;
    writeBytes(kra, bytes);
    EXPECT_FALSE(TestArchive(kra));
    EXPECT_FALSE(UnzipArchive(kra, dir / "out"));

    writeBytes(kra, std::vector<unsigned char>(bytes.begin(), bytes.begin() + 200));  // truncated
    EXPECT_FALSE(TestArchive(kra));
    EXPECT_FALSE(UnzipArchive(kra, dir / "out2"));
}

TEST(Archive, OldFormatOnlyWhenItLooksLikeOne)
{
    TempDir dir;
    fs::create_directories(dir / "old");
    fs::create_directories(dir / "other");
    writeBytes(dir / "old/kravin.kra", pattern(144640, 7));
    writeBytes(dir / "old/ACX.KRA", pattern(360000, 8));
    writeBytes(dir / "other/Plant.KRA", noise(5000, 1));
    fs::create_directories(dir / "short");
    writeBytes(dir / "short/KRAVin.KRA", pattern(2000, 7));  // a damaged old header, shorter than its layout
    makeProjectFolder(dir / "work");
    ASSERT_TRUE(ZipFolder(dir / "old/zipped.KRA", dir / "work"));
    auto damaged = readBytes(dir / "old/zipped.KRA");
    damaged.resize(100);
    writeBytes(dir / "old/damaged.KRA", damaged);

    struct Case {
        std::string path;
        bool old;
    };
    const Case cases[] = {
        {dir / "old/kravin.kra", true},
        {dir / "old/ACX.KRA", true},
        {dir / "old/zipped.KRA", false},   // a ZIP
        {dir / "old/damaged.KRA", false},  // a damaged ZIP is no old project
        {dir / "other/Plant.KRA", false},  // no old header beside it
        {dir / "short/KRAVin.KRA", true},
        {dir / "missing.KRA", false},
    };
    for (const Case& c : cases) EXPECT_EQ(LooksLikeOldProject(c.path), c.old) << c.path;
}

TEST(Archive, LockedArchiveIsRefusedToASecondOpener)
{
    TempDir dir;
    makeProjectFolder(dir / "work");
    const std::string kra = dir / "P.KRA";
    ASSERT_TRUE(ZipFolder(kra, dir / "work"));
    EXPECT_EQ(ProbeArchiveAccess(kra), 0);
    EXPECT_EQ(ProbeArchiveAccess(dir / "none.KRA"), ENOENT);
    EXPECT_EQ(ProbeArchiveAccess(dir / "work"), EISDIR);
    {
        FileLock lock;
        ASSERT_TRUE(lock.acquire(kra));
        EXPECT_EQ(ProbeArchiveAccess(kra), EACCES);
        FileLock second;
        EXPECT_FALSE(second.acquire(kra));
        // The lock holds across processes too: flock from a shell is refused.
        EXPECT_NE(runQuiet("flock -n -s " + shellQuoted(kra) + " true"), 0);
    }
    EXPECT_EQ(ProbeArchiveAccess(kra), 0);
    EXPECT_EQ(runQuiet("flock -n -s " + shellQuoted(kra) + " true"), 0);
}

TEST(Archive, StaleWorkFoldersAreSweptLiveOnesKept)
{
    TempDir dir;
    const std::string stale = MakeTempWorkFolder(dir.str());
    const std::string live = MakeTempWorkFolder(dir.str());
    ASSERT_NE(stale, live);
    EXPECT_EQ(fs::path(stale).parent_path(), dir.path());
    EXPECT_EQ(fs::path(stale).filename().string().size(), 38u);
    fs::create_directories(stale + "/STN00");
    writeBytes(stale + "/KRAVin.KRAB", pattern(100, 1));
    WorkFolderLock held;
    ASSERT_TRUE(held.acquire(live));
    fs::create_directories(dir / "not-a-guid");
    fs::create_directories(dir / "{12345678-1234}");

    EXPECT_EQ(RemoveStaleWorkFolders(dir.str()), 1);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::exists(dir / "not-a-guid"));
    EXPECT_TRUE(fs::exists(dir / "{12345678-1234}"));
    held.release();
    EXPECT_EQ(RemoveStaleWorkFolders(dir.str()), 1);
    EXPECT_FALSE(fs::exists(live));
}

TEST(Archive, DeleteFolderTreeDoesNotFollowLinks)
{
    TempDir dir;
    fs::create_directories(dir / "keep");
    writeBytes(dir / "keep/file", {1, 2, 3});
    fs::create_directories(dir / "tree/sub");
    fs::create_directory_symlink(dir / "keep", dir / "tree/sub/link");
    EXPECT_TRUE(DeleteFolderTree(dir / "tree", true));
    EXPECT_FALSE(fs::exists(dir / "tree"));
    EXPECT_TRUE(fs::exists(dir / "keep/file"));
    EXPECT_FALSE(DeleteFolderTree(dir / "tree", true));
}

namespace {

// An archive written entry by entry with the tool's own writer: contents are
// compressed once and may be repeated cheaply (a 2 MB archive of 2 GB of zeros).
struct Entry {
    std::string name;
    const zipw::Compressed* data;  // a folder when null
};

void writeArchive(const std::string& path, const std::vector<Entry>& entries)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    zipw::Writer writer(fd);
    for (const Entry& e : entries) {
        if (e.data)
            writer.addFile(e.name, 0644, 0, *e.data);
        else
            writer.addFolder(e.name, 0755, 0);
    }
    EXPECT_TRUE(writer.finish()) << writer.error();
    ::close(fd);
}

zipw::Compressed compressed(const std::vector<unsigned char>& bytes)
{
    zipw::Compressed c;
    EXPECT_TRUE(zipw::Compress(bytes.data(), bytes.size(), c));
    return c;
}

bool emptyOrMissing(const std::string& folder)
{
    return !fs::exists(folder) || fs::is_empty(folder);
}

}  // namespace

TEST(Archive, ArchivesNoProjectCouldMakeAreRefusedBeforeAnythingIsWritten)
{
    const ExtractLimits project = ExtractLimits::Project();
    ASSERT_GT(project.entries, 64u * 17 * 3 + 1) << "room for every file of a full project";
    ASSERT_EQ(project.entrySize, 1480000u);
    ASSERT_GT(project.total, 64ull * 17 * (361300 + 1480000 + 2496));
    ASSERT_LT(project.total, 1ull << 31);

    const auto header = compressed(pattern(148992, 1));
    const auto tiny = compressed({1});
    const auto fullAnalog = compressed(std::vector<unsigned char>(1480000));
    const auto overSize = compressed(std::vector<unsigned char>(1480001));
    std::vector<Entry> tooMany = {{"KRAVin.KRAB", &header}};
    for (std::uint64_t i = 0; i < project.entries; ++i) tooMany.push_back({"F" + std::to_string(i), &tiny});
    std::vector<Entry> tooMuch = {{"KRAVin.KRAB", &header}};  // 2 GiB of zeros in files of the right size
    for (int i = 0; tooMuch.size() * 1480000ull <= (2ull << 30); ++i)
        tooMuch.push_back({"STN" + std::to_string(i / 17) + "/AC" + std::to_string(i % 17), &fullAnalog});

    struct Case {
        const char* what;
        std::vector<Entry> entries;
        int code;
        std::uint64_t freeSpace = std::uint64_t{1} << 40;
    };
    const std::vector<Case> cases = {
        {"more entries than a project holds", tooMany, kArchiveTooLarge},
        {"an entry larger than any project file", {{"KRAVin.KRAB", &header}, {"STN00/ACX.KRAB", &overSize}},
         kArchiveTooLarge},
        {"more data than a project holds", tooMuch, kArchiveTooLarge},
        {"no project header", {{"STN00/", nullptr}, {"STN00/CARD0.KRAB", &tiny}}, kArchiveNotProject},
        {"header in a folder only", {{"STN00/KRAVin.KRAB", &header}}, kArchiveNotProject},
        {"names differing in case", {{"KRAVin.KRAB", &header}, {"STN00/CARD0.KRAB", &tiny}, {"stn00/card0.krab", &tiny}},
         kArchiveNameClash},
        {"a file and a folder of one name", {{"KRAVin.KRAB", &header}, {"STN00", &tiny}, {"STN00/", nullptr}},
         kArchiveNameClash},
        {"too little room on the volume", {{"KRAVin.KRAB", &header}, {"STN00/ACX.KRAB", &fullAnalog}},
         kArchiveNoSpace, 1000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string kra = dir / "hostile.KRA";
        writeArchive(kra, c.entries);
        EXPECT_LT(fs::file_size(kra), 16u << 20);
        ExtractLimits limits = project;
        limits.freeSpace = [&](const std::string&) { return std::optional<std::uint64_t>(c.freeSpace); };
        const ArchiveResult r = UnzipArchive(kra, dir / "work", limits);
        EXPECT_EQ(r.code, c.code) << r.detail;
        EXPECT_FALSE(r.detail.empty());
        EXPECT_TRUE(emptyOrMissing(dir / "work")) << "nothing was extracted";
    }

    // A real project within the limits still opens, with the volume's real free space.
    TempDir dir;
    makeProjectFolder(dir / "work");
    ASSERT_TRUE(ZipFolder(dir / "P.KRA", dir / "work"));
    EXPECT_TRUE(UnzipArchive(dir / "P.KRA", dir / "out"));
}

// An entry that inflates past its declared size is stopped, and what was extracted
// before it goes again: a fresh work folder is gone, one that was there keeps only
// what it held.
TEST(Archive, EntryHoldingMoreThanItsSizeIsRefusedAndLeavesNothing)
{
    TempDir dir;
    const auto header = compressed(pattern(148992, 1));
    auto liar = compressed(std::vector<unsigned char>(1 << 20, 'x'));
    liar.size = 100;  // the directory says 100 bytes; the data inflates to 1 MiB
    const auto good = compressed(pattern(2496, 3));
    writeArchive(dir / "liar.KRA",
                 {{"KRAVin.KRAB", &header}, {"STN01/", nullptr}, {"STN01/AC0.KRAB", &good}, {"STN00/CARD0.KRAB", &liar}});
    EXPECT_FALSE(TestArchive(dir / "liar.KRA"));

    EXPECT_FALSE(UnzipArchive(dir / "liar.KRA", dir / "fresh/work"));
    EXPECT_FALSE(fs::exists(dir / "fresh"));

    fs::create_directories(dir / "there/STN01");
    writeBytes(dir / "there/mine.txt", {'m'});
    writeBytes(dir / "there/STN01/CARD5.KRAB", {'5'});
    EXPECT_FALSE(UnzipArchive(dir / "liar.KRA", dir / "there"));
    std::vector<std::string> left;
    for (const auto& e : fs::recursive_directory_iterator(dir / "there"))
        left.push_back(fs::relative(e.path(), dir / "there").generic_string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"STN01", "STN01/CARD5.KRAB", "mine.txt"}));
}

TEST(Archive, EntryWhoseDataDoesNotMatchItsCrcOrEndsEarlyIsRefused)
{
    const auto header = compressed(pattern(148992, 1));
    auto wrongCrc = compressed(pattern(361300, 2));
    wrongCrc.crc ^= 1;
    auto zerosWrongCrc = compressed(std::vector<unsigned char>(1 << 20, 0));  // only zero pages
    zerosWrongCrc.crc ^= 0x80000000u;
    auto storedWrongCrc = compressed(noise(5000, 3));
    ASSERT_EQ(storedWrongCrc.method, 0);
    storedWrongCrc.crc ^= 1;
    auto cut = compressed(pattern(361300, 4));
    cut.bytes.resize(cut.bytes.size() / 2);
    const std::vector<std::pair<const char*, const zipw::Compressed*>> cases = {
        {"deflated, CRC off", &wrongCrc},
        {"zero pages, CRC off", &zerosWrongCrc},
        {"stored, CRC off", &storedWrongCrc},
        {"deflate stream cut short", &cut},
    };
    for (const auto& [what, data] : cases) {
        SCOPED_TRACE(what);
        TempDir dir;
        writeArchive(dir / "bad.KRA", {{"KRAVin.KRAB", &header}, {"STN00/CARD0.KRAB", data}});
        EXPECT_FALSE(UnzipArchive(dir / "bad.KRA", dir / "work"));
        EXPECT_FALSE(TestArchive(dir / "bad.KRA"));
        EXPECT_NE(runQuiet("unzip -t -q " + shellQuoted(dir / "bad.KRA")), 0) << "unzip agrees";
    }
}

TEST(Archive, PipeOrDeviceAtTheArchivePathIsRefusedWithoutWaiting)
{
    TempDir dir;
    const std::string fifo = dir / "pipe.KRA";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Call {
        const char* what;
        std::function<int()> run;
        int code;
    };
    const std::vector<Call> calls = {
        {"probe", [&] { return ProbeArchiveAccess(fifo); }, EINVAL},
        {"extract", [&] { return UnzipArchive(fifo, dir / "work").code; }, kArchiveNotRegular},
        {"test", [&] { return TestArchive(fifo).code; }, kArchiveNotRegular},
        {"old format", [&] { return int(LooksLikeOldProject(fifo)); }, 0},
        {"device", [&] { return UnzipArchive("/dev/zero", dir / "work").code; }, kArchiveNotRegular},
    };
    for (const Call& call : calls) {
        SCOPED_TRACE(call.what);
        auto result = std::async(std::launch::async, call.run);
        if (result.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ADD_FAILURE() << "blocked on the pipe";
            const int unblock = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);  // lets a blocked reader go
            result.wait();
            if (unblock >= 0) ::close(unblock);
            continue;
        }
        EXPECT_EQ(result.get(), call.code);
    }
    EXPECT_EQ(ProbeArchive(fifo).detail, fifo + ": not a regular file");
}

TEST(Archive, SaveOverAnArchiveAnotherInstanceHoldsIsRefused)
{
    TempDir dir;
    makeProjectFolder(dir / "work");
    const std::string kra = dir / "P.KRA";
    ASSERT_TRUE(ZipFolder(kra, dir / "work"));
    const auto before = readBytes(kra);

    FileLock other;  // the instance that has P.KRA open
    ASSERT_TRUE(other.acquire(kra));
    writeBytes(dir / "work/NEW.KRAB", {1});
    FileLock mine;
    EXPECT_EQ(ZipFolder(kra, dir / "work", &mine).code, kArchiveHeld);
    EXPECT_EQ(ZipFolder(kra, dir / "work").code, kArchiveHeld);
    EXPECT_EQ(readBytes(kra), before);
    EXPECT_FALSE(mine.held());
    EXPECT_TRUE(other.holds(kra));
    other.release();

    // Our own archive is saved over, and the new one is ours, locked, at once.
    ASSERT_TRUE(ZipFolder(kra, dir / "work", &mine));
    EXPECT_TRUE(mine.holds(kra));
    EXPECT_EQ(ProbeArchiveAccess(kra), EACCES);
    writeBytes(dir / "work/NEW2.KRAB", {2});
    ASSERT_TRUE(ZipFolder(kra, dir / "work", &mine));
    EXPECT_TRUE(mine.holds(kra));
    ASSERT_TRUE(UnzipArchive(kra, dir / "out"));
    EXPECT_TRUE(fs::exists(dir / "out/NEW2.KRAB"));
}

TEST(Archive, TemporaryFilesOfKilledSavesGoAtTheNextSave)
{
    TempDir dir;
    const std::string work = dir / "work";
    makeProjectFolder(work);
    for (int i = 0; i < 24; ++i) writeBytes(work + "/STN00/N" + std::to_string(i), noise(4 << 20, i));
    fs::create_directories(dir / "proj");
    const std::string kra = dir / "proj/P.KRA";

    // A save killed midway leaves its temporary file.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ZipFolder(kra, work);
        ::_exit(0);
    }
    auto leftovers = [&] {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir / "proj")) names.push_back(e.path().filename().string());
        return names;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (leftovers().empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the save ended before it was killed";
    const auto left = leftovers();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].rfind(".P.KRA.KRAVin-save.", 0), 0u) << left[0];

    // One of a save still running (locked), and files that only look alike, stay.
    const std::string live = dir / "proj/.P.KRA.KRAVin-save.Live01";
    writeBytes(live, {1});
    FileLock running;
    ASSERT_TRUE(running.acquire(live));
    for (const char* name : {"notes.KRAVin-save.abcdef", ".P.KRA.KRAVin-save.toolong7", ".P.KRA.XXXXXX"})
        writeBytes(dir / (std::string("proj/") + name), {1});

    fs::remove_all(work + "/STN00");
    ASSERT_TRUE(ZipFolder(kra, work));
    auto after = leftovers();
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, (std::vector<std::string>{".P.KRA.KRAVin-save.Live01", ".P.KRA.KRAVin-save.toolong7",
                                               ".P.KRA.XXXXXX", "P.KRA", "notes.KRAVin-save.abcdef"}));
    running.release();
    EXPECT_EQ(RemoveStaleSaveFiles(dir / "proj"), 1);
    EXPECT_FALSE(fs::exists(live));
}

TEST(Archive, PackIsTheSameWhateverTheWorkersAndZerosStayHoles)
{
    TempDir dir;
    const std::string work = dir / "work";
    makeProjectFolder(work);
    for (int s = 2; s < 12; ++s) {
        const std::string stn = work + "/STN" + std::to_string(s);
        fs::create_directories(stn);
        for (int c = 0; c < 6; ++c) writeBytes(stn + "/CARD" + std::to_string(c) + ".KRAB", pattern(361300, s * 16 + c));
    }
    std::vector<unsigned char> zeros(1480000, 0);
    zeros[700000] = 7;  // one value amid zeros, as in a sparse connection file
    writeBytes(work + "/STN00/ACX.KRAB", zeros);
    writeBytes(work + "/STN00/AC0.KRAB", std::vector<unsigned char>(1480000, 0));

    ASSERT_TRUE(ZipFolder(dir / "a.KRA", work));
    ASSERT_TRUE(ZipFolder(dir / "b.KRA", work));
    EXPECT_EQ(readBytes(dir / "a.KRA"), readBytes(dir / "b.KRA")) << "entries in name order, whatever thread packs them";
    EXPECT_EQ(runQuiet("zip -T -q " + shellQuoted(dir / "a.KRA")), 0);

    ASSERT_TRUE(UnzipArchive(dir / "a.KRA", dir / "out"));
    EXPECT_TRUE(sameTree(work, dir / "out"));
    struct stat st;
    ASSERT_EQ(::stat((dir / "out/STN00/AC0.KRAB").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 1480000);
    EXPECT_LT(st.st_blocks * 512, 64 * 1024) << "a file of zeros takes (next to) no room";
    ASSERT_EQ(::stat((dir / "out/STN00/ACX.KRAB").c_str(), &st), 0);
    EXPECT_LT(st.st_blocks * 512, 64 * 1024);
}

namespace {

std::vector<unsigned char> inflateRaw(const zipw::Compressed& c)
{
    if (c.method == 0) return c.bytes;
    std::vector<unsigned char> out(c.size + 1);
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, -MAX_WBITS), Z_OK);
    z.next_in = const_cast<unsigned char*>(c.bytes.data());
    z.avail_in = static_cast<uInt>(c.bytes.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(z.avail_in, 0u) << "nothing after the final block";
    out.resize(z.total_out);
    inflateEnd(&z);
    return out;
}

}  // namespace

// Zero runs go into the stream as ready-made pieces between flushed parts: every shape
// of data around them must come back byte for byte, in about the room zlib takes.
TEST(Archive, ZeroRunsDeflateToTheSameBytesInAboutTheRoomOfZlib)
{
    const auto with = [](std::size_t size, std::vector<std::pair<std::size_t, std::size_t>> noisy) {
        std::vector<unsigned char> v(size, 0);
        for (auto [at, n] : noisy) {
            const std::vector<unsigned char> p = pattern(n, static_cast<unsigned>(at + n));
            std::copy(p.begin(), p.end(), v.begin() + static_cast<std::ptrdiff_t>(at));
        }
        return v;
    };
    const struct {
        const char* what;
        std::vector<unsigned char> data;
    } cases[] = {
        {"empty", {}},
        {"zeros only", with(1480000, {})},
        {"zeros, a whole number of 4 KiB", with(5 * 1024 * 1024, {})},
        {"a byte amid zeros", with(1480000, {{700000, 1}})},
        {"data, zeros, data", with(361300, {{0, 5000}, {300000, 61300}})},
        {"zeros then data", with(200000, {{150001, 49999}})},
        {"data then zeros with a ragged end", with(200003, {{0, 9000}})},
        {"zero runs just too short", with(300000, {{0, 1}, {32767, 1}, {65534, 1}, {98301, 1}})},
        {"many runs", with(2000000, {{40000, 100}, {400000, 3}, {1200000, 70000}, {1999999, 1}})},
        {"no zeros", pattern(100000, 9)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const zipw::Compressed z = compressed(c.data);
        EXPECT_EQ(z.size, c.data.size());
        EXPECT_EQ(z.crc, crc32_z(0, c.data.data(), c.data.size()));
        EXPECT_EQ(inflateRaw(z), c.data);
        uLongf plain = compressBound(static_cast<uLong>(c.data.size()));
        std::vector<unsigned char> ref(plain);
        ASSERT_EQ(compress2(ref.data(), &plain, c.data.data(), static_cast<uLong>(c.data.size()), 1), Z_OK);
        EXPECT_LE(z.bytes.size(), plain + plain / 20 + 64) << "zlib level 1 makes " << plain;
    }

    TempDir dir;
    std::vector<zipw::Compressed> packed;
    for (const auto& c : cases) packed.push_back(compressed(c.data));
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < packed.size(); ++i) entries.push_back({"F" + std::to_string(i), &packed[i]});
    writeArchive(dir / "z.KRA", entries);
    EXPECT_EQ(runQuiet("unzip -t -q " + shellQuoted(dir / "z.KRA")), 0);
}
