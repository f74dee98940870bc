// MON.KRAB: its bytes, new files, short and corrupt files, and the online state's load and save.
#include "monitor_file.h"

#include "monitor_engine.h"
#include "monitor_fakes.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace kravin::online;
using namespace kravin::online::test;
using kravin::test::readBytes;
using kravin::test::TempDir;
using kravin::test::writeBytes;

namespace {

std::vector<unsigned char> FreshBytes()
{
    std::vector<unsigned char> b(kMonitorFileSize, 0xFF);
    b[0] = b[1] = b[2] = b[3] = 0;
    return b;
}

MonitorTargets Sample()
{
    MonitorTargets t = FreshMonitorTargets();
    t.station = 0x3F;
    t.card = 15;
    t.spare = {1, 2, 3, 4};
    t.rows[0] = {211, 10, -1, kRowOn, 0x00};
    t.rows[99] = {-1, -1, 8105, kRowOff, 0x7E};
    return t;
}

TEST(MonitorFileBytes, NewImageIsStationZeroCardZeroRestFF)
{
    const MonitorFileBytes b = EncodeMonitorTargets(FreshMonitorTargets());
    EXPECT_EQ(std::vector<unsigned char>(b.begin(), b.end()), FreshBytes());
}

TEST(MonitorFileBytes, LittleEndianFieldsAndRoundTrip)
{
    const MonitorTargets t = Sample();
    const MonitorFileBytes b = EncodeMonitorTargets(t);
    EXPECT_EQ(b[0], 0x3F);
    EXPECT_EQ(b[1], 0x00);
    EXPECT_EQ(b[2], 15);
    EXPECT_EQ(b[4], 1);
    EXPECT_EQ(b[7], 4);
    // Row 0 at offset 8: GGNN 211 = 0x00D3, item 10, GGII -1, ON 255, spare 0.
    const std::vector<unsigned char> row0(b.begin() + 8, b.begin() + 16);
    EXPECT_EQ(row0, (std::vector<unsigned char>{0xD3, 0x00, 0x0A, 0x00, 0xFF, 0xFF, 0xFF, 0x00}));
    // Row 99 at offset 800: GGII 8105 = 0x1FA9, ON 0.
    EXPECT_EQ(b[800 + 4], 0xA9);
    EXPECT_EQ(b[800 + 5], 0x1F);
    EXPECT_EQ(b[800 + 6], 0x00);
    EXPECT_EQ(b[800 + 7], 0x7E);

    const auto back = DecodeMonitorTargets(b);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, t);
}

TEST(MonitorFileBytes, RejectsWhatNoToolWrites)
{
    auto with = [](std::size_t offset, std::vector<unsigned char> patch) {
        std::vector<unsigned char> b = FreshBytes();
        std::copy(patch.begin(), patch.end(), b.begin() + static_cast<long>(offset));
        return b;
    };
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
    } cases[] = {
        {"empty", {}},
        {"short", [] { auto b = FreshBytes(); b.resize(400); return b; }()},
        {"one byte long", [] { auto b = FreshBytes(); b.push_back(0); return b; }()},
        {"station 64", with(0, {64, 0})},
        {"card 16", with(2, {16, 0})},
        {"negative card", with(2, {0xFE, 0xFF})},
        {"ON byte 1", with(8 + 6, {1})},
        {"GGII 10000", with(8 + 4, {0x10, 0x27})},
        {"GGNN -2", with(8 + 5 * 8, {0xFE, 0xFF})},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_FALSE(DecodeMonitorTargets(c.bytes, &why).has_value()) << c.what;
        EXPECT_FALSE(why.empty()) << c.what;
    }
}

class MonitorFileOnDisk : public ::testing::Test {
protected:
    std::string Path() const { return dir / "MON.KRAB"; }
    TempDir dir;
};

TEST_F(MonitorFileOnDisk, MissingFileIsCreatedInANewFolder)
{
    const std::filesystem::path path = dir.path() / "app" / "data" / "MON.KRAB";
    MonitorTargets image = Sample();
    const MonitorFileOutcome out = ReadMonitorFile(path, image);
    EXPECT_EQ(out.result, MonitorFileResult::Created);
    EXPECT_EQ(image, FreshMonitorTargets());
    EXPECT_EQ(readBytes(path.string()), FreshBytes());
}

TEST_F(MonitorFileOnDisk, ShortOrCorruptFileIsReplaced)
{
    const std::vector<std::vector<unsigned char>> bad = {
        {},
        std::vector<unsigned char>(100, 0),
        [] { auto b = FreshBytes(); b[8 + 6] = 7; return b; }(),
        [] { auto b = FreshBytes(); b.resize(2000, 0); return b; }(),
    };
    for (const auto& bytes : bad) {
        writeBytes(Path(), bytes);
        MonitorTargets image = Sample();
        const MonitorFileOutcome out = ReadMonitorFile(Path(), image);
        EXPECT_EQ(out.result, MonitorFileResult::Replaced) << bytes.size();
        EXPECT_FALSE(out.message.empty());
        EXPECT_EQ(image, FreshMonitorTargets());
        EXPECT_EQ(readBytes(Path()), FreshBytes());
    }
}

TEST_F(MonitorFileOnDisk, ExistingFileIsReadAsItIs)
{
    ASSERT_TRUE(WriteMonitorFile(Path(), Sample()));
    const auto before = readBytes(Path());
    MonitorTargets image;
    EXPECT_EQ(ReadMonitorFile(Path(), image).result, MonitorFileResult::Loaded);
    EXPECT_EQ(image, Sample());
    EXPECT_EQ(readBytes(Path()), before);
    EXPECT_FALSE(std::filesystem::exists(Path() + ".tmp"));
}

TEST_F(MonitorFileOnDisk, UnwritablePlaceFailsAndKeepsTheImage)
{
    // The folder can't be made: a plain file stands where it would go.
    writeBytes(dir / "app", {1, 2, 3});
    const std::filesystem::path path = dir.path() / "app" / "MON.KRAB";
    MonitorTargets image = Sample();
    const MonitorFileOutcome out = ReadMonitorFile(path, image);
    EXPECT_EQ(out.result, MonitorFileResult::Failed);
    EXPECT_FALSE(out.message.empty());
    EXPECT_EQ(image, Sample());
    EXPECT_FALSE(WriteMonitorFile(path, image));
    EXPECT_EQ(readBytes(dir / "app"), (std::vector<unsigned char>{1, 2, 3}));
}

TEST_F(MonitorFileOnDisk, OnlineStateLoadsAppliesAndSaves)
{
    auto context = std::make_shared<FakeContext>();
    context->appDataDir = dir.str();
    context->resolveTo = 10;
    OnlineState state(context, nullptr);

    ASSERT_EQ(state.LoadMonitorFile(), 1);
    EXPECT_EQ(state.LastMonitorFileOutcome().result, MonitorFileResult::Created);
    EXPECT_EQ(context->applyCalls, 1);
    EXPECT_EQ(state.MonitorFilePath(), dir.path() / "MON.KRAB");

    MonitorTargets t = Sample();
    t.rows[0].resolvedItem = -1;
    state.SetTargets(t);
    ASSERT_EQ(state.SaveMonitorFile(), 1);
    state.SetTargets(FreshMonitorTargets());
    ASSERT_EQ(state.LoadMonitorFile(), 1);
    EXPECT_EQ(state.LastMonitorFileOutcome().result, MonitorFileResult::Loaded);
    EXPECT_EQ(context->applyCalls, 2);
    EXPECT_EQ(state.Targets().station, 0x3F);
    EXPECT_EQ(state.Targets().rows[0].resolvedItem, 10);  // resolved again by the target's blocks
    EXPECT_EQ(state.Targets().rows[99], Sample().rows[99]);

    // A file the user can't get at: 0, the image as it was, no target reload.
    std::filesystem::remove(dir.path() / "MON.KRAB");
    std::filesystem::create_directory(dir.path() / "MON.KRAB");
    const MonitorTargets kept = state.Targets();
    EXPECT_EQ(state.LoadMonitorFile(), 0);
    EXPECT_EQ(state.Targets(), kept);
    EXPECT_EQ(context->applyCalls, 2);
    EXPECT_EQ(state.SaveMonitorFile(), 0);
}

TEST_F(MonitorFileOnDisk, FolderOfTheContextElseTheFallbackElseNone)
{
    auto context = std::make_shared<FakeContext>();
    OnlineState state(context, nullptr);
    const MonitorTargets before = state.Targets();
    EXPECT_TRUE(state.MonitorFilePath().empty());
    EXPECT_EQ(state.LoadMonitorFile(), 0);  // never a file in the working folder
    EXPECT_EQ(state.LastMonitorFileOutcome().result, MonitorFileResult::Failed);
    EXPECT_EQ(state.SaveMonitorFile(), 0);
    EXPECT_EQ(state.Targets(), before);
    EXPECT_EQ(context->applyCalls, 0);

    state.SetAppDataFallback(dir / "fallback");
    EXPECT_EQ(state.MonitorFilePath(), dir.path() / "fallback" / "MON.KRAB");
    context->appDataDir = dir / "own";
    EXPECT_EQ(state.MonitorFilePath(), dir.path() / "own" / "MON.KRAB");
    EXPECT_EQ(state.LoadMonitorFile(), 1);
    EXPECT_EQ(readBytes(dir / "own/MON.KRAB"), FreshBytes());
}

}  // namespace
