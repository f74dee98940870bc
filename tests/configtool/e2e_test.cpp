// QVCFG's operations against the controller simulator over a real pseudo-terminal.
#include "config_db.h"
#include "config_io.h"
#include "messages.h"
#include "qv_com.h"
#include "qvcfg_sim.h"
#include "temp_dir.h"
#include "trend.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace qvcfg::test {
namespace {

using qvcfgsim::Fault;

TransferTiming QuickTiming()
{
    TransferTiming t;
    t.poll = std::chrono::milliseconds(2);
    t.bytePolls = 150;
    t.stxCycles = 500;
    t.retryPause = std::chrono::milliseconds(50);
    t.quiet = std::chrono::milliseconds(30);
    return t;
}

class EndToEnd : public ::testing::Test {
protected:
    void Start(qvcfgsim::SimSettings s = {})
    {
        s.replyTimeout = std::chrono::milliseconds(400);
        s.verbose = std::getenv("QVCFGSIM_VERBOSE") != nullptr;
        sim = std::make_unique<qvcfgsim::Server>(s);
        std::string error;
        ASSERT_TRUE(sim->Start(error)) << error;
        com = std::make_unique<QVCom>(std::make_unique<CTransfer>(nullptr, QuickTiming()));
        com->SetPort(sim->DevicePath());
        reader = std::make_unique<ConfigReader>(&db, com.get());
        writer = std::make_unique<ConfigWriter>(&db, com.get());
    }

    void TearDown() override
    {
        if (sim) sim->Stop();
    }

    kravin::test::TempDir dir;
    std::unique_ptr<qvcfgsim::Server> sim;
    ConfigDB db;
    std::unique_ptr<QVCom> com;
    std::unique_ptr<ConfigReader> reader;
    std::unique_ptr<ConfigWriter> writer;
};

TEST_F(EndToEnd, UploadWriteReadDownload)
{
    Start();
    ASSERT_EQ(reader->Upload(), 0);
    EXPECT_EQ(db.GetState(), ConfigDB::kFromDevice);
    EXPECT_STREQ(ModelName(db.GetModel()), "QV200");
    int major = 0, minor = 0;
    db.GetLcdVersion(major, minor);
    EXPECT_EQ(major * 10 + minor, 23);

    ASSERT_EQ(writer->WriteFile(dir / "QV200.cfg"), 0);
    EXPECT_EQ(kravin::test::readBytes(dir / "QV200.cfg"), sim->Config());

    // A file of another controller, with its own network settings and a changed brightness.
    Bytes file = kravin::test::readBytes(dir / "QV200.cfg");
    PutU16(file, 40, 1);
    file[132] = 172;
    file[122] = 99;
    kravin::test::writeBytes(dir / "site.cfg", file);
    ASSERT_EQ(reader->ReadFile(dir / "site.cfg"), 0);
    EXPECT_EQ(db.GetState(), ConfigDB::kFromFile);

    int error = -1;
    ASSERT_EQ(writer->Download(&error), 0);
    EXPECT_EQ(sim->Downloads(), 1);
    const Bytes now = sim->Config();
    EXPECT_EQ(GetU16(now, 40), 1);
    EXPECT_EQ(now[132], 10);  // the controller keeps its network fields
    EXPECT_EQ(now[122], 7);
    EXPECT_FALSE(com->Transfer().IsOpen());
}

TEST_F(EndToEnd, TrendUploadToCsv)
{
    qvcfgsim::SimSettings s;
    s.model = "QV200C";
    s.trendSamples = 400;
    s.trendNewest = 10;
    Start(s);
    TrendReader trendReader(com.get());
    Bytes image;
    int model = -1;
    std::string name;
    ASSERT_EQ(trendReader.Read(image, model, name), 0);
    EXPECT_EQ(model, 5);
    EXPECT_EQ(name, "20261210_080000");
    TrendWriter trendWriter;
    ASSERT_EQ(trendWriter.Write(image, dir / (name + ".csv"), model), 0);
    const auto bytes = kravin::test::readBytes(dir / "20261210_080000.csv");
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.rfind("QV200B Short trend data\r\n", 0), 0u);
    EXPECT_NE(text.find("\r\nNumber of samples,400\r\n"), std::string::npos);
}

TEST_F(EndToEnd, ControllersWithoutTrendOrWithUnknownCodes)
{
    qvcfgsim::SimSettings s;
    s.model = "QV110";
    Start(s);
    TrendReader trendReader(com.get());
    Bytes image;
    int model = 0;
    std::string name;
    EXPECT_EQ(trendReader.Read(image, model, name), -3);
    ASSERT_EQ(reader->Upload(), 0);
    EXPECT_EQ(writer->Download(nullptr), 0);  // QV110 takes a download

    sim->Stop();
    s.model = "QV200";
    s.deviceCode = 30;
    Start(s);
    EXPECT_EQ(com->UploadTrend(image, model), -5);
    EXPECT_EQ(com->DownloadConfig(sim->Config(), 1, 2048, nullptr), -2);
    EXPECT_EQ(sim->Downloads(), 0);
    EXPECT_EQ(reader->Upload(), 0);  // the configuration upload asks no status
}

TEST_F(EndToEnd, IllegalTrendRingIsRefused)
{
    Start();
    sim->SetTrend(qvcfgsim::SampleTrend(401, 10));
    TrendReader trendReader(com.get());
    Bytes image;
    int model = 0;
    std::string name;
    const int rc = trendReader.Read(image, model, name);
    EXPECT_EQ(rc, -4);
    EXPECT_EQ(TrendReadErrorText(rc), "Illegal data");
}

TEST_F(EndToEnd, PortThatCannotBeOpened)
{
    Start();
    com->SetPort((dir / "no-such-device"));
    EXPECT_EQ(GetReadErrorText(reader->Upload()), "Failed to initialize COM port");
    ASSERT_EQ(db.LoadFromDevice(sim->Config()), 0);
    EXPECT_EQ(GetWriteErrorText(writer->Download(nullptr), 0), "Failed to initialize COM port");
}

TEST_F(EndToEnd, DeviceErrorAfterDownload)
{
    qvcfgsim::SimSettings s;
    s.deviceError = 5;
    Start(s);
    ASSERT_EQ(reader->Upload(), 0);
    int error = 0;
    const int rc = writer->Download(&error);
    EXPECT_EQ(rc, -7);
    EXPECT_EQ(GetWriteErrorText(rc, error), "Device error (Error code: 05)");
}

// Each injected fault: what the upload or download of a configuration ends with.
TEST_F(EndToEnd, InjectedFaults)
{
    struct Case {
        Fault fault;
        int count;
        bool download;
        std::string message;  // "" for success
    };
    const Case cases[] = {
        {Fault::Nak, 2, false, ""},
        {Fault::Nak, 3, false, "Failed to communicate"},
        {Fault::BadCrc, 1, false, ""},
        {Fault::BadCrc, 3, false, "Failed to communicate"},
        {Fault::NoReply, 1, false, ""},
        {Fault::NoReply, 3, false, "Failed to communicate"},
        {Fault::Slow, 2, false, ""},
        {Fault::Noise, 2, false, ""},
        {Fault::BadComplement, 1, false, ""},
        {Fault::Oversize, 1, false, ""},
        {Fault::WrongNumber, 1, false, ""},
        {Fault::WrongType, 1, false, "Failed to communicate"},
        {Fault::ShortStatus, 1, true, "Failed to communicate"},
        {Fault::NoEot, 1, true, "Failed to communicate"},
        {Fault::Nak, 2, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(qvcfgsim::FaultName(c.fault)) + " x" + std::to_string(c.count) +
                     (c.download ? " download" : " upload"));
        if (sim) sim->Stop();
        qvcfgsim::SimSettings s;
        s.slowDelay = std::chrono::milliseconds(100);
        Start(s);
        std::string message;
        if (c.download) {
            ASSERT_EQ(db.LoadFromDevice(sim->Config()), 0);
            sim->InjectFault(c.fault, c.count);
            message = GetWriteErrorText(writer->Download(nullptr), 0);
        } else {
            sim->InjectFault(c.fault, c.count);
            message = GetReadErrorText(reader->Upload());
        }
        EXPECT_EQ(message, c.message);
    }
}

}  // namespace
}  // namespace qvcfg::test
