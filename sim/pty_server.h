// Serves a Controller over a pseudo-terminal, with fault injection for tests.
#pragma once

#include "controller.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qvsim {

enum class Fault {
    None,
    NoReply,       // the command is swallowed
    Cng,           // "CNG" instead of the reply
    BadChecksum,   // framed reply with a wrong sum (a plain reply is sent as it is)
    WrongAddress,  // framed reply from another address, with a correct sum
    Split,         // the reply in two writes with a pause between
    Noise,         // noise bytes (no CR) written just before the reply
    Slow,          // the reply after a delay
    WrongBaud,     // garbled bytes, as when the two sides run at different rates
};

const char* FaultName(Fault f);
bool ParseFault(std::string_view name, Fault& out);
// "GG.II": the group and item a fault is aimed at.
bool ParseItemFault(std::string_view text, int& group, int& item);

struct FaultSettings {
    std::chrono::milliseconds slowDelay{300};
    std::chrono::milliseconds splitPause{50};
    std::string noise = "\x7f#?~";
};

class PtyServer {
public:
    explicit PtyServer(std::vector<SimCard> cards);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Opens the pseudo-terminal pair (holding one slave descriptor, so that clients can
    // close and reopen it) and starts answering. False with error set on failure.
    bool start(std::string& error);
    void stop();
    const std::string& devicePath() const { return path_; }

    // Faults: one queued fault for each of the next replies, then the standing fault.
    void injectFault(Fault f, int count = 1);
    void setStandingFault(Fault f);
    // A fault for the item and data commands of one item: count times (-1 always).
    void setItemFault(int group, int item, Fault f, int count = -1);
    void setFaultSettings(FaultSettings s);
    // While held, replies wait (until released or stopped) before they are written.
    void holdReplies();
    void releaseReplies();
    void setExtraAddresses(std::vector<std::string> addresses);
    // Called with each received line and the bytes written for it (may be empty).
    void setLogger(std::function<void(const std::string&, const std::string&)> log);

    // Raw lines received so far (CR included).
    std::vector<std::string> receivedLines() const;
    // Waits until `count` lines have been answered (or swallowed); false on time-out.
    bool waitForHandled(std::size_t count, std::chrono::milliseconds timeout) const;
    std::size_t handledCount() const;
    // Writes bytes to the client outside any exchange.
    bool sendUnsolicited(const std::string& bytes);
    // The rate the line is set to now (the client's setting), 0 when unknown.
    int lineBaudRate() const;
    // Runs fn on the controller under the server's lock.
    void withController(const std::function<void(Controller&)>& fn);

private:
    void run();
    void handleLine(const std::string& line);
    bool writeAll(const std::string& bytes);
    bool pause(std::chrono::milliseconds d);
    Fault nextFault();

    mutable std::mutex mutex_;
    mutable std::condition_variable handled_;
    std::condition_variable released_;
    bool held_ = false;
    Controller controller_;
    std::deque<Fault> queued_;
    Fault standing_ = Fault::None;
    struct ItemFault {
        int group = -1, item = -1;
        Fault kind = Fault::None;
        int count = 0;
    } itemFault_;
    FaultSettings settings_;
    std::function<void(const std::string&, const std::string&)> log_;
    std::vector<std::string> lines_;
    std::size_t handledCount_ = 0;

    int master_ = -1;
    int slave_ = -1;
    int wake_ = -1;  // eventfd that ends the poll
    std::string path_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace qvsim
