#include "pty_server.h"

#include "pty_pair.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace qvsim {

namespace {

constexpr std::size_t kMaxPendingLine = 4096;

int rateOf(speed_t s)
{
    switch (s) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    default: return 0;
    }
}

struct FaultNameEntry {
    Fault fault;
    const char* name;
};
constexpr FaultNameEntry kFaultNames[] = {
    {Fault::None, "none"},           {Fault::NoReply, "no-reply"}, {Fault::Cng, "cng"},
    {Fault::BadChecksum, "bad-checksum"}, {Fault::WrongAddress, "wrong-address"},
    {Fault::Split, "split"},         {Fault::Noise, "noise"},      {Fault::Slow, "slow"},
    {Fault::WrongBaud, "wrong-baud"},
};

}  // namespace

const char* FaultName(Fault f)
{
    for (const auto& e : kFaultNames)
        if (e.fault == f) return e.name;
    return "?";
}

bool ParseFault(std::string_view name, Fault& out)
{
    for (const auto& e : kFaultNames) {
        if (name == e.name) {
            out = e.fault;
            return true;
        }
    }
    return false;
}

PtyServer::PtyServer(std::vector<SimCard> cards) : controller_(std::move(cards)) {}

PtyServer::~PtyServer() { stop(); }

bool PtyServer::start(std::string& error)
{
    auto fail = [&](const char* what) {
        error = std::string(what) + ": " + std::strerror(errno);
        stop();
        return false;
    };
    const char* what = nullptr;
    if (!simpty::OpenPtyPair(B9600, master_, slave_, path_, what)) return fail(what);
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) return fail("eventfd");
    stop_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void PtyServer::stop()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    released_.notify_all();
    if (wake_ >= 0) {
        std::uint64_t one = 1;
        (void)!::write(wake_, &one, sizeof one);
    }
    if (thread_.joinable()) thread_.join();
    for (int* fd : {&master_, &slave_, &wake_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

void PtyServer::injectFault(Fault f, int count)
{
    std::lock_guard lock(mutex_);
    for (int i = 0; i < count; ++i) queued_.push_back(f);
}

void PtyServer::setStandingFault(Fault f)
{
    std::lock_guard lock(mutex_);
    standing_ = f;
}

void PtyServer::setFaultSettings(FaultSettings s)
{
    std::lock_guard lock(mutex_);
    settings_ = std::move(s);
}

void PtyServer::holdReplies()
{
    std::lock_guard lock(mutex_);
    held_ = true;
}

void PtyServer::releaseReplies()
{
    {
        std::lock_guard lock(mutex_);
        held_ = false;
    }
    released_.notify_all();
}

void PtyServer::setExtraAddresses(std::vector<std::string> addresses)
{
    std::lock_guard lock(mutex_);
    controller_.setExtraAddresses(std::move(addresses));
}

void PtyServer::setLogger(std::function<void(const std::string&, const std::string&)> log)
{
    std::lock_guard lock(mutex_);
    log_ = std::move(log);
}

std::vector<std::string> PtyServer::receivedLines() const
{
    std::lock_guard lock(mutex_);
    return lines_;
}

std::size_t PtyServer::handledCount() const
{
    std::lock_guard lock(mutex_);
    return handledCount_;
}

bool PtyServer::waitForHandled(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return handled_.wait_for(lock, timeout, [&] { return handledCount_ >= count; });
}

void PtyServer::withController(const std::function<void(Controller&)>& fn)
{
    std::lock_guard lock(mutex_);
    fn(controller_);
}

int PtyServer::lineBaudRate() const
{
    termios tio{};
    if (slave_ < 0 || ::tcgetattr(slave_, &tio) != 0) return 0;
    return rateOf(::cfgetospeed(&tio));
}

bool PtyServer::sendUnsolicited(const std::string& bytes) { return writeAll(bytes); }

bool PtyServer::writeAll(const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (stop_) return false;
        ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else if (!(n < 0 && errno == EINTR)) {
            return false;
        }
    }
    return true;
}

bool PtyServer::pause(std::chrono::milliseconds d)
{
    // Interruptible by stop().
    pollfd p{wake_, POLLIN, 0};
    ::poll(&p, 1, static_cast<int>(d.count()));
    return !stop_;
}

void PtyServer::setItemFault(int group, int item, Fault f, int count)
{
    std::lock_guard lock(mutex_);
    itemFault_ = {group, item, f, count};
}

bool ParseItemFault(std::string_view text, int& group, int& item)
{
    if (text.size() != 5 || text[2] != '.') return false;
    for (std::size_t i : {0u, 1u, 3u, 4u})
        if (text[i] < '0' || text[i] > '9') return false;
    group = (text[0] - '0') * 10 + (text[1] - '0');
    item = (text[3] - '0') * 10 + (text[4] - '0');
    return true;
}

Fault PtyServer::nextFault()
{
    if (!queued_.empty()) {
        Fault f = queued_.front();
        queued_.pop_front();
        return f;
    }
    return standing_;
}

void PtyServer::handleLine(const std::string& line)
{
    std::unique_lock lock(mutex_);
    lines_.push_back(line);
    Fault fault = nextFault();
    if (itemFault_.kind != Fault::None && itemFault_.count != 0 &&
        controller_.target(line) == std::pair<int, int>{itemFault_.group, itemFault_.item}) {
        fault = itemFault_.kind;
        if (itemFault_.count > 0) --itemFault_.count;
    }
    FaultSettings settings = settings_;
    const int lineRate = lineBaudRate();

    std::string out;
    std::optional<Answer> answer;
    bool garbled = fault == Fault::WrongBaud;
    if (!garbled) {
        // A card at another rate than the line hears garbage and answers garbage.
        int expected = BaudRateOfIndex(controller_.cards()[static_cast<std::size_t>(controller_.activeCard())].baudIndex);
        garbled = lineRate != 0 && lineRate != expected;
    }
    if (garbled) {
        // High bit set: never a CR or an STX.
        for (unsigned char c : line) out.push_back(static_cast<char>(0x80 | (c ^ 0x55)));
    } else if (fault != Fault::NoReply) {
        answer = controller_.handle(line);
        if (answer) {
            if (fault == Fault::Cng) answer->text = "CNG";
            if (fault == Fault::WrongAddress && answer->framed)
                answer->address = answer->address == "ZZZZ" ? "YYYY" : "ZZZZ";
            out = answer->bytes();
            if (fault == Fault::BadChecksum && answer->framed) {
                char& digit = out[out.size() - 2];
                digit = digit == '0' ? '1' : '0';
            }
        }
    }
    auto log = log_;
    released_.wait(lock, [&] { return !held_ || stop_; });
    if (stop_) return;
    lock.unlock();

    if (!out.empty()) {
        if (fault == Fault::Slow && !pause(settings.slowDelay)) return;
        if (fault == Fault::Noise) out = settings.noise + out;
        if (fault == Fault::Split && out.size() > 1) {
            std::size_t half = out.size() / 2;
            writeAll(out.substr(0, half));
            if (!pause(settings.splitPause)) return;
            writeAll(out.substr(half));
        } else {
            writeAll(out);
        }
    }
    if (log) log(line, out);
    lock.lock();
    ++handledCount_;
    handled_.notify_all();
}

void PtyServer::run()
{
    std::string pending;
    char buf[512];
    while (!stop_) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_, POLLIN, 0}};
        int r = ::poll(fds, 2, 500);
        if (stop_) break;
        if (r <= 0) continue;
        if (!(fds[0].revents & POLLIN)) continue;
        ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) continue;
        pending.append(buf, static_cast<std::size_t>(n));
        for (;;) {
            auto cr = pending.find(kCr);
            if (cr == std::string::npos) break;
            std::string line = pending.substr(0, cr + 1);
            pending.erase(0, cr + 1);
            handleLine(line);
            if (stop_) return;
        }
        if (pending.size() > kMaxPendingLine) pending.clear();
    }
}

}  // namespace qvsim
