// The qvsim program as a user runs it.
#include "serial_link.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;

namespace {

struct Child {
    pid_t pid = -1;
    int out = -1;  // the child's standard output
};

Child start(const std::vector<std::string>& args)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDERR_FILENO);
        std::vector<char*> argv{const_cast<char*>(QVSIM_PATH)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(QVSIM_PATH, argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    return {pid, pipeFds[0]};
}

// Everything the child writes until it closes its output, or until the bound.
std::string readOutput(int fd, bool firstLineOnly)
{
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    char buf[256];
    while (std::chrono::steady_clock::now() < deadline) {
        if (firstLineOnly && text.find('\n') != std::string::npos) break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 200) <= 0) continue;
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        text.append(buf, static_cast<std::size_t>(n));
    }
    return text;
}

// Exit status, or -1 when the child had to be killed.
int finish(Child& run)
{
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    int status = 0;
    while (::waitpid(run.pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(run.pid, SIGKILL);
            ::waitpid(run.pid, &status, 0);
            ::close(run.out);
            return -1;
        }
        std::this_thread::sleep_for(10ms);
    }
    ::close(run.out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(QvsimProgram, HelpAndBadOptions)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string output;  // part of standard output
    };
    kravin::test::TempDir dir;
    std::ofstream(dir / "bad.txt") << "card QV200 12\n";
    const std::vector<Case> cases = {
        {{"--help"}, 0, "Usage: qvsim"},
        {{"--bogus"}, 2, ""},
        {{"--fault", "sparks"}, 2, ""},
        {{"--slow-ms", "-4"}, 2, ""},
        {{"--pu-id", "12345"}, 2, ""},
        {{"--config", dir / "missing.txt"}, 2, ""},
        {{"--config", dir / "bad.txt"}, 2, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        Child run = start(c.args);
        ASSERT_GT(run.pid, 0);
        std::string out = readOutput(run.out, false);
        EXPECT_EQ(finish(run), c.status);
        EXPECT_NE(out.find(c.output), std::string::npos);
    }
}

TEST(QvsimProgram, AnswersOnThePrintedDeviceAndEndsOnSigterm)
{
    kravin::test::TempDir dir;
    std::ofstream(dir / "cards.txt") << "card QV210 0042 baud=2\n01.10 = 01\n01.11 = 3.5\n";
    Child run = start({"--config", dir / "cards.txt", "--pu-id", "PU01", "--fault-once", "cng"});
    ASSERT_GT(run.pid, 0);
    std::string line = readOutput(run.out, true);
    ASSERT_NE(line.find('\n'), std::string::npos) << line;
    const std::string path = line.substr(0, line.find('\n'));

    kravin::online::SerialLinkSettings settings;
    settings.programmingUnitId = "PU01";
    kravin::online::SerialLink link(settings, [] { return std::string("0042"); });
    ASSERT_EQ(link.OpenComPort(2, path), 0) << link.lastError();
    char reply[32] = {};
    ASSERT_TRUE(link.ComWrite("G01\r", 4));
    ASSERT_EQ(link.ComReadLine(reply, 4), 4);
    EXPECT_EQ(std::string(reply, 4), "CNG\r");  // the one injected fault
    ASSERT_TRUE(link.ComWrite("G01\r", 4));
    ASSERT_EQ(link.ComReadLine(reply, 4), 4);
    EXPECT_EQ(std::string(reply, 4), "COK\r");
    ASSERT_TRUE(link.SendPuFrame("I11\r", 4, 0));
    ASSERT_EQ(link.ReceivePuFrame(reply, 21), 5);
    EXPECT_EQ(std::string(reply, 5), "D3.5\r");
    link.CloseComPort();

    ::kill(run.pid, SIGTERM);
    EXPECT_EQ(finish(run), 0);
}

TEST(QvsimProgram, StateWrittenAtTheEndLoadsAgain)
{
    // A station download writes the card count into the unit ID item; the state written
    // at SIGTERM serves again with that value.
    kravin::test::TempDir dir;
    std::ofstream(dir / "q.txt") << "card QV200 0001 baud=1\n";
    const std::vector<std::string> args = {"--config", dir / "q.txt", "--state", dir / "stq.txt"};
    auto exchange = [](const std::string& path, const std::vector<std::pair<std::string, std::string>>& script) {
        kravin::online::SerialLink link(kravin::online::SerialLinkSettings{}, [] { return std::string("0001"); });
        ASSERT_EQ(link.OpenComPort(1, path), 0) << link.lastError();
        for (const auto& [command, reply] : script) {
            char buf[32] = {};
            ASSERT_TRUE(link.ComWrite(command.c_str(), static_cast<int>(command.size())));
            const int n = link.ComReadLine(buf, static_cast<int>(sizeof buf) - 1);
            EXPECT_EQ(std::string(buf, static_cast<std::size_t>(std::max(n, 0))), reply) << command;
        }
        link.CloseComPort();
    };
    for (const char* expected : {"D0001\r", "D2\r"}) {
        Child run = start(args);
        ASSERT_GT(run.pid, 0);
        const std::string line = readOutput(run.out, true);
        ASSERT_EQ(line.rfind("/dev/", 0), 0u) << "run with unit ID " << expected << ": " << line;
        const std::string path = line.substr(0, line.find('\n'));
        exchange(path, {{"G00\r", "COK\r"}, {"I52\r", expected}, {"D2\r", "D2\r"}});
        ::kill(run.pid, SIGTERM);
        EXPECT_EQ(finish(run), 0);
    }
}

// The text of a file of the source tree.
std::string sourceFile(const std::string& relative)
{
    std::ifstream in(std::string(KRAVIN_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(SimulatorReadme, CommandsNameProgramsTheRunTreeHoldsAfterRunSh)
{
    // A user who ran ./run.sh has build/run with the programs it builds; a shell example
    // starts a program of that tree only after building it there, and names no other tree.
    std::set<std::string> runTargets;
    const std::string runSh = sourceFile("run.sh");
    const std::regex targets(R"(cmake --build [^\n]*--target ([^\n]*))");
    const std::regex word(R"([A-Za-z0-9_]+)");
    for (std::sregex_iterator m(runSh.begin(), runSh.end(), targets), end; m != end; ++m) {
        const std::string list = (*m)[1];
        for (std::sregex_iterator w(list.begin(), list.end(), word); w != end; ++w) runTargets.insert(w->str());
    }
    ASSERT_TRUE(runTargets.count("qvsim")) << runSh;

    for (const char* readme : {"README.md", "sim/README.md"}) {
        SCOPED_TRACE(readme);
        std::istringstream text(sourceFile(readme));
        std::string line;
        bool inShell = false;
        std::set<std::string> built = runTargets;
        int examples = 0;
        while (std::getline(text, line)) {
            if (line.rfind("```", 0) == 0) {
                inShell = line == "```sh";
                built = runTargets;
                continue;
            }
            if (!inShell) continue;
            const std::string command = line.substr(0, line.find('#'));
            std::smatch m;
            if (std::regex_search(command, m, std::regex(R"(cmake --build build/run\b.*--target (.*))"))) {
                const std::string list = m[1];
                for (std::sregex_iterator w(list.begin(), list.end(), word), end; w != end; ++w) built.insert(w->str());
                continue;
            }
            EXPECT_EQ(command.find("build/test/"), std::string::npos) << line;
            const std::regex program(R"(build/run/bin/([A-Za-z0-9_]+))");
            for (std::sregex_iterator p(command.begin(), command.end(), program), end; p != end; ++p) {
                ++examples;
                EXPECT_TRUE(built.count((*p)[1])) << line;
            }
        }
        EXPECT_GT(examples, 0);
    }
}

// The output of a shell command line, without its final newline; empty when it failed.
std::string shell(const std::string& command)
{
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return out;
    char buf[256];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    if (::pclose(p) != 0) return {};
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

TEST(QvsimProgram, EveryRunOfRunShGivesTheSimulatorTheSamePortName)
{
    // Two runs, as ./run.sh starts the simulator and names its port; the first simulator
    // ends after the second has started, so the two pseudo-terminals differ.
    kravin::test::TempDir dir;
    const std::string env = "XDG_RUNTIME_DIR='" + dir.path().string() + "' ";
    std::vector<Child> runs;
    std::vector<std::string> names, ptys;
    for (int runNo = 0; runNo < 2; ++runNo) {
        SCOPED_TRACE(runNo);
        runs.push_back(start({}));
        ASSERT_GT(runs.back().pid, 0);
        std::string line = readOutput(runs.back().out, true);
        ASSERT_NE(line.find('\n'), std::string::npos) << line;
        ptys.push_back(line.substr(0, line.find('\n')));
        names.push_back(shell(env + QVSIM_PORT_LINK " " + ptys.back()));
        ASSERT_FALSE(names.back().empty());
        EXPECT_LT(names.back().size(), 64u);  // a port name the settings keep whole

        kravin::online::SerialLink link;
        ASSERT_EQ(link.OpenComPort(1, names.back()), 0) << link.lastError();
        char reply[4] = {};
        ASSERT_TRUE(link.ComWrite("G00\r", 4));
        ASSERT_EQ(link.ComReadLine(reply, 4), 4);
        EXPECT_EQ(std::string(reply, 4), "COK\r");
        link.CloseComPort();
    }
    EXPECT_NE(ptys[0], ptys[1]);
    EXPECT_EQ(names[0], names[1]);
    EXPECT_EQ(names[0], (dir.path() / "kravin" / "qvsim").string());

    // The first run's clean-up leaves the second run's name alone; the second's removes it.
    ::kill(runs[0].pid, SIGTERM);
    EXPECT_EQ(finish(runs[0]), 0);
    EXPECT_EQ(shell(env + QVSIM_PORT_LINK " --remove " + ptys[0] + " && echo done"), "done");
    EXPECT_TRUE(std::filesystem::is_symlink(names[1]));
    ::kill(runs[1].pid, SIGTERM);
    EXPECT_EQ(finish(runs[1]), 0);
    EXPECT_EQ(shell(env + QVSIM_PORT_LINK " --remove " + ptys[1] + " && echo done"), "done");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(names[1])));
}

}  // namespace
