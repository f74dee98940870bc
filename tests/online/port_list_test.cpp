#include "port_list.h"

#include "pty_server.h"
#include "serial_link.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace kravin::online;

namespace {

struct Names {
    char descriptions[PortList::kMaxPorts][64];
    char names[PortList::kMaxPorts][64];
};

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class PortListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (auto& s : sims) {
            s = std::make_unique<qvsim::PtyServer>(std::vector<qvsim::SimCard>{qvsim::DefaultCard()});
            std::string error;
            ASSERT_TRUE(s->start(error)) << error;
        }
    }
    std::string pty(int i) const { return sims[static_cast<std::size_t>(i)]->devicePath(); }

    std::unique_ptr<qvsim::PtyServer> sims[2];
    PortList list;
    std::unique_ptr<Names> out = std::make_unique<Names>();
};

TEST_F(PortListTest, ExtraPathsFromTheSetting)
{
    kravin::test::TempDir dir;
    const std::string file = dir / "plain-file";
    std::ofstream(file) << "x";
    PortSources sources;
    sources.systemPorts = false;
    sources.useEnvironment = false;
    // Missing paths, plain files and repeats are left out.
    sources.extraPortsSetting = pty(0) + "; /nonexistent/ttyQV9 ;" + file + "," + pty(1) + " " + pty(0);
    ASSERT_EQ(EnumerateSerialPorts(list, sources, out->descriptions, out->names), 2);
    EXPECT_STREQ(out->names[0], pty(0).c_str());
    EXPECT_STREQ(out->descriptions[0], pty(0).c_str());
    EXPECT_STREQ(out->names[1], pty(1).c_str());
    EXPECT_EQ(list.GetPortCount(), 2);
    EXPECT_EQ(list.GetPortName(1), pty(1));
    EXPECT_EQ(list.GetPortDescription(0), pty(0));
}

TEST_F(PortListTest, ExtraPathsFromTheEnvironment)
{
    ScopedEnv env(kExtraPortsEnvironment, pty(1) + ":" + pty(0));
    PortSources sources;
    sources.systemPorts = false;
    sources.extraPortsSetting = pty(0);
    ASSERT_EQ(EnumerateSerialPorts(list, sources, out->descriptions, out->names), 2);
    EXPECT_EQ(list.GetPortName(0), pty(0));  // setting first, then the environment
    EXPECT_EQ(list.GetPortName(1), pty(1));

    sources.useEnvironment = false;
    EXPECT_EQ(EnumerateSerialPorts(list, sources, nullptr, nullptr), 1);
}

TEST_F(PortListTest, LinkToAPseudoTerminalKeepsItsNameWhereverItPoints)
{
    // ./run.sh hands the tool a link that it points at each run's simulator.
    kravin::test::TempDir dir;
    const std::string link = dir / "qvsim";
    const std::string dangling = dir / "gone";
    std::filesystem::create_symlink(pty(0), link);
    std::filesystem::create_symlink(dir / "nothing-here", dangling);
    PortSources sources;
    sources.systemPorts = false;
    sources.useEnvironment = false;
    // The link stands for its device, whichever of the two names comes first.
    for (const std::string& setting : {pty(0) + ";" + link + ";" + dangling, link + ";" + pty(0)}) {
        SCOPED_TRACE(setting);
        sources.extraPortsSetting = setting;
        ASSERT_EQ(EnumerateSerialPorts(list, sources, out->descriptions, out->names), 1);
        EXPECT_STREQ(out->names[0], link.c_str());
        EXPECT_STREQ(out->descriptions[0], link.c_str());
    }

    // The next run's simulator: the same name opens it.
    std::filesystem::remove(link);
    std::filesystem::create_symlink(pty(1), link);
    sources.extraPortsSetting = link;
    ASSERT_EQ(EnumerateSerialPorts(list, sources, nullptr, nullptr), 1);
    ASSERT_EQ(list.GetPortName(0), link);
    SerialLink serial;
    ASSERT_EQ(serial.OpenComPort(1, list.GetPortName(0)), 0) << serial.lastError();
    ASSERT_TRUE(serial.ComWrite("G00\r", 4));
    char reply[4] = {};
    EXPECT_EQ(serial.ComReadLine(reply, 4), 4);
    EXPECT_EQ(std::string(reply, 4), "COK\r");
    EXPECT_TRUE(sims[1]->waitForHandled(1, std::chrono::seconds(5)));
    EXPECT_EQ(sims[0]->receivedLines().size(), 0u);
}

TEST_F(PortListTest, SystemPortsComeFirstAndEveryNameOpens)
{
    PortSources sources;
    sources.useEnvironment = false;
    sources.extraPortsSetting = pty(0);
    const int count = EnumerateSerialPorts(list, sources, out->descriptions, out->names);
    ASSERT_GE(count, 1);
    EXPECT_EQ(list.GetPortName(count - 1), pty(0));
    for (int i = 0; i < count; ++i) {
        EXPECT_FALSE(list.GetPortName(i).empty());
        EXPECT_FALSE(list.GetPortDescription(i).empty());
        EXPECT_LT(std::strlen(out->names[i]), 64u);
    }
}

TEST_F(PortListTest, RebuildReplacesTheOldList)
{
    PortSources sources;
    sources.systemPorts = false;
    sources.useEnvironment = false;
    sources.extraPortsSetting = pty(0) + ";" + pty(1);
    EXPECT_EQ(EnumerateSerialPorts(list, sources, nullptr, nullptr), 2);
    sources.extraPortsSetting = "";
    EXPECT_EQ(EnumerateSerialPorts(list, sources, out->descriptions, out->names), 0);
    EXPECT_EQ(list.GetPortCount(), 0);
}

TEST(PortListLimits, IndexOutsideTheListGivesEmptyText)
{
    PortList list;
    EXPECT_EQ(list.GetPortName(0), "");
    ASSERT_TRUE(list.add({"ttyS0", "Serial (ttyS0)"}));
    EXPECT_FALSE(list.add({"ttyS0", "again"}));
    for (int index : {-1, 1, 1000}) {
        EXPECT_EQ(list.GetPortName(index), "");
        EXPECT_EQ(list.GetPortDescription(index), "");
    }
    EXPECT_EQ(list.GetPortName(0), "ttyS0");
}

TEST(PortListLimits, HoldsAtMost256Entries)
{
    PortList list;
    for (int i = 0; i < 300; ++i) list.add({"tty" + std::to_string(i), "x"});
    EXPECT_EQ(list.GetPortCount(), PortList::kMaxPorts);
    EXPECT_EQ(list.GetPortName(255), "tty255");
}

TEST(PortListText, IsDigitText)
{
    struct Case {
        const char* text;
        int allowColon;
        bool digits;
    };
    const Case cases[] = {
        {"123", 0, true},  {"0", 0, true},     {"", 0, false},   {nullptr, 1, false},
        {"12:30", 0, false}, {"12:30", 1, true}, {":", 1, true},  {"1a", 1, false},
        {" 1", 0, false},  {"-1", 0, false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsDigitText(c.text, c.allowColon), c.digits) << (c.text ? c.text : "null");
}

TEST(PortListText, SplitPortPaths)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitPortPaths(""), V{});
    EXPECT_EQ(SplitPortPaths("/dev/pts/3"), V{"/dev/pts/3"});
    EXPECT_EQ(SplitPortPaths(" /dev/a;;/dev/b:/dev/c,\t/dev/d\n"), (V{"/dev/a", "/dev/b", "/dev/c", "/dev/d"}));
}

}  // namespace
