#include "config_db.h"
#include "config_io.h"
#include "image_fixture.h"
#include "messages.h"
#include "qv_com.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sys/stat.h>

namespace qvcfg::test {
namespace {

namespace fs = std::filesystem;

// Plays the controller at the command layer.
class FakeCom : public QVCom {
public:
    Bytes device;
    int uploadResult = 0;
    int downloadResult = 0;
    int deviceError = 0;
    std::vector<Bytes> downloads;
    int UploadConfig(Bytes& out) override
    {
        out = device;
        return uploadResult;
    }
    int DownloadConfig(const Bytes& image, int, int count, int* error) override
    {
        if (downloadResult == -4 && error) *error = deviceError;
        if (downloadResult == 0) downloads.emplace_back(image.begin(), image.begin() + count);
        return downloadResult;
    }
};

TEST(ConfigReader, ReadFileCodes)
{
    kravin::test::TempDir dir;
    ConfigDB db;
    ConfigReader reader(&db, nullptr);
    EXPECT_EQ(reader.ReadFile(dir / "missing.cfg"), -1);
    kravin::test::writeBytes(dir / "empty.cfg", {});
    EXPECT_EQ(reader.ReadFile(dir / "empty.cfg"), -4);
    kravin::test::writeBytes(dir / "foreign.cfg", MakeImage(300, 3, 2));
    EXPECT_EQ(reader.ReadFile(dir / "foreign.cfg"), -3);
    Bytes huge = MakeImage(200, 3, 2);
    huge.resize(3 << 20);
    kravin::test::writeBytes(dir / "huge.cfg", huge);
    EXPECT_EQ(reader.ReadFile(dir / "huge.cfg"), -4);
    kravin::test::writeBytes(dir / "QV200.cfg", MakeImage(200, 3, 2));
    EXPECT_EQ(reader.ReadFile(dir / "QV200.cfg"), 0);
    EXPECT_EQ(db.GetPath(), dir / "QV200.cfg");
}

// A FIFO, a device and a folder named as a .cfg file: "could not be opened" at
// once, never a wait for a writer or a read without end; the store keeps its image.
TEST(ConfigReader, OnlyRegularFilesAreRead)
{
    kravin::test::TempDir dir;
    ConfigDB db;
    ConfigReader reader(&db, nullptr);
    kravin::test::writeBytes(dir / "QV200.cfg", MakeImage(200, 3, 2));
    ASSERT_EQ(reader.ReadFile(dir / "QV200.cfg"), 0);
    ASSERT_EQ(::mkfifo((dir / "pipe.cfg").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir / "zero.cfg");
    fs::create_directories(dir / "folder.cfg");
    for (const char* name : {"pipe.cfg", "zero.cfg", "folder.cfg"}) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(reader.ReadFile(dir / name), -1) << name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << name;
        EXPECT_EQ(db.GetPath(), dir / "QV200.cfg") << name;
    }
    // Writing never opens them either.
    ConfigWriter writer(&db, nullptr);
    for (const char* name : {"pipe.cfg", "zero.cfg", "folder.cfg"}) EXPECT_EQ(writer.WriteFile(dir / name), -1) << name;
    EXPECT_TRUE(fs::is_fifo(dir / "pipe.cfg"));
    EXPECT_TRUE(fs::is_directory(dir / "folder.cfg"));
}

TEST(ConfigReader, UploadCodes)
{
    FakeCom com;
    ConfigDB db;
    ConfigReader reader(&db, &com);
    struct Case {
        int comResult;
        Bytes image;
        int result;
    };
    for (const Case& c : {Case{-1, {}, -6}, Case{-2, {}, -7}, Case{0, {}, -4}, Case{0, MakeImage(1200, 3, 2), -3},
                          Case{0, MakeImage(3200, 3, 2), 0}}) {
        com.uploadResult = c.comResult;
        com.device = c.image;
        EXPECT_EQ(reader.Upload(), c.result) << c.comResult;
    }
    EXPECT_EQ(db.GetState(), ConfigDB::kFromDevice);
    EXPECT_EQ(db.GetModel(), 6);
}

TEST(ConfigWriter, FilesAreWrittenWholeOrNotAtAll)
{
    kravin::test::TempDir dir;
    ConfigDB db;
    ConfigWriter writer(&db, nullptr);
    EXPECT_EQ(writer.WriteFile(dir / "none.cfg"), -3);
    EXPECT_EQ(writer.ExportCsv(dir / "none.csv"), -3);
    EXPECT_FALSE(fs::exists(dir / "none.cfg"));
    EXPECT_FALSE(fs::exists(dir / "none.csv"));

    ASSERT_EQ(db.LoadFromFile(MakeImage(200, 1, 1), "a.cfg"), 0);
    ASSERT_EQ(writer.WriteFile(dir / "a.cfg"), 0);
    EXPECT_EQ(fs::file_size(dir / "a.cfg"), 1024u);
    EXPECT_EQ(writer.WriteFile(dir / "missing/a.cfg"), -1);

    // A folder in the file's place cannot be created as the file; it stays, and no
    // temporary file stays.
    fs::create_directory(dir / "taken.cfg");
    EXPECT_EQ(writer.WriteFile(dir / "taken.cfg"), -1);
    EXPECT_TRUE(fs::is_directory(dir / "taken.cfg"));
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 2);
}

TEST(ConfigWriter, DownloadMergesAndMapsCodes)
{
    FakeCom com;
    ConfigDB db;
    ConfigWriter writer(&db, &com);
    int error = -1;
    EXPECT_EQ(writer.Download(&error), -3);

    Bytes held = MakeImage(200, 3, 2);
    PutU16(held, 40, 0);
    ASSERT_EQ(db.LoadFromFile(held, "h.cfg"), 0);
    Bytes device = MakeImage(200, 3, 2, 2, 30);
    device[132] = 10;
    com.device = device;
    ASSERT_EQ(writer.Download(&error), 0);
    ASSERT_EQ(com.downloads.size(), 1u);
    EXPECT_EQ(com.downloads[0].size(), 2048u);
    EXPECT_EQ(GetU16(com.downloads[0], 40), 0);
    EXPECT_EQ(com.downloads[0][132], 10);

    struct Case {
        const char* name;
        int uploadResult;
        Bytes device;
        int downloadResult;
        int result;
    };
    const Case cases[] = {
        {"no port", -1, {}, 0, -4},
        {"no controller", -2, {}, 0, -5},
        {"unknown model code", 0, MakeImage(999, 3, 2), 0, -8},
        {"device image of the wrong size", 0, MakeImage(200, 1, 1, 2, 0), 0, 0},
        {"another model", 0, MakeImage(210, 3, 2), 0, 0},
        {"bad magic", 0, Bytes(2048, 0), 0, -9},
        {"refused by the controller", 0, device, -4, -7},
        {"lost during the download", 0, device, -2, -5},
    };
    for (const Case& c : cases) {
        com.downloads.clear();
        com.uploadResult = c.uploadResult;
        com.device = c.device;
        com.downloadResult = c.downloadResult;
        com.deviceError = 12;
        error = 0;
        EXPECT_EQ(writer.Download(&error), c.result) << c.name;
        if (c.result != 0) {
            EXPECT_TRUE(com.downloads.empty()) << c.name;
        }
        if (c.result == -7) {
            EXPECT_EQ(error, 12);
        }
    }
    // A controller of another model gets the held settings in its own image.
    com.downloads.clear();
    com.uploadResult = com.downloadResult = 0;
    com.device = MakeImage(210, 3, 2);
    com.device[122] = 9;
    ASSERT_EQ(writer.Download(&error), 0);
    ASSERT_EQ(com.downloads.size(), 1u);
    EXPECT_EQ(GetU16(com.downloads[0], 6), 210);
    EXPECT_EQ(com.downloads[0][122], 9);
    EXPECT_EQ(GetU16(com.downloads[0], 40), 0);
    EXPECT_EQ(GetWriteErrorText(-7, 12), "Device error (Error code: 12)");
    EXPECT_EQ(GetWriteErrorText(-6, 0), "");
}

TEST(Messages, OperationCodeTexts)
{
    EXPECT_EQ(GetReadErrorText(-1), "Failed to open file");
    EXPECT_EQ(GetReadErrorText(-3), "Illegal data (Error code: 01)");
    EXPECT_EQ(GetReadErrorText(-4), "Illegal data (Error code: 02)");
    EXPECT_EQ(GetReadErrorText(-7), "Failed to communicate");
    EXPECT_EQ(GetReadErrorText(-8), "");
    EXPECT_EQ(GetWriteErrorText(-5, 0), "Failed to communicate");
    EXPECT_EQ(GetWriteErrorText(-9, 0), "Illegal data (Error code: 02)");
    EXPECT_EQ(TrendReadErrorText(-3), "Unsupported device");
    EXPECT_EQ(TrendReadErrorText(-4), "Illegal data");
    EXPECT_EQ(TrendWriteErrorText(-3), "Illegal data");
    EXPECT_EQ(DefaultCfgName(9), "QV200W.cfg");
    EXPECT_EQ(DefaultCsvName(10), "");
}

}  // namespace
}  // namespace qvcfg::test
