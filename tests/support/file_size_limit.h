// Simulates a full disk: files of this process cannot grow beyond a size while the
// object lives (writes past it fail with EFBIG instead of raising SIGXFSZ).
#pragma once

#include <atomic>
#include <csignal>
#include <sys/resource.h>

namespace kravin::test {

class FileSizeLimit {
public:
    // ignoreSignal false leaves SIGXFSZ to whatever the program under test set.
    explicit FileSizeLimit(rlim_t bytes, bool ignoreSignal = true) : ignored_(ignoreSignal)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        if (ignored_) previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit r = saved_;
        r.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        if (ignored_) std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    bool ignored_;
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
};

// Counts SIGXFSZ instead of the default end of the process while it lives, so that
// a test sees whether the program under test left the signal to end it.
class FileSizeSignalCounter {
public:
    FileSizeSignalCounter()
    {
        count() = 0;
        previous_ = std::signal(SIGXFSZ, [](int) { ++count(); });
    }
    ~FileSizeSignalCounter() { std::signal(SIGXFSZ, previous_); }
    FileSizeSignalCounter(const FileSizeSignalCounter&) = delete;
    FileSizeSignalCounter& operator=(const FileSizeSignalCounter&) = delete;

    static std::atomic<int>& count()
    {
        static std::atomic<int> n{0};
        return n;
    }

private:
    void (*previous_)(int) = SIG_DFL;
};

}  // namespace kravin::test
