// The qvcfgsim program as the README starts it: the first line is its pseudo-terminal,
// and QVCFG's commands work against it.
#include "config_db.h"
#include "qv_com.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace qvcfg::test {
namespace {

class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args)
    {
        int out[2];
        if (::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<char*> argv{const_cast<char*>(QVCFGSIM_PATH)};
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(QVCFGSIM_PATH, argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        std::FILE* f = ::fdopen(out[0], "r");
        char line[256] = {};
        if (f && std::fgets(line, sizeof line, f)) path_ = line;
        if (!path_.empty() && path_.back() == '\n') path_.pop_back();
        if (f) std::fclose(f);
    }
    ~SimProcess()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    const std::string& Path() const { return path_; }

private:
    pid_t pid_ = -1;
    std::string path_;
};

TEST(QvcfgsimProgram, ServesItsModelOnThePrintedDevice)
{
    SimProcess sim({"--model", "QV200D", "--no-pace"});
    ASSERT_EQ(sim.Path().rfind("/dev/pts/", 0), 0u) << sim.Path();
    QVCom com;
    com.SetPort(sim.Path());
    Bytes image;
    ASSERT_EQ(com.UploadConfig(image), 0);
    ConfigDB db;
    ASSERT_EQ(db.LoadFromDevice(image), 0);
    EXPECT_STREQ(ModelName(db.GetModel()), "QV200D");
    int model = 0;
    Bytes trend;
    ASSERT_EQ(com.UploadTrend(trend, model), 0);
    EXPECT_EQ(model, 6);
    EXPECT_EQ(trend.size(), 13034u);
}

TEST(QvcfgsimProgram, RefusesUnknownOptions)
{
    SimProcess sim({"--model", "QV999"});
    EXPECT_TRUE(sim.Path().empty());
}

}  // namespace
}  // namespace qvcfg::test
