// A QV controller as QVCFG sees it, served on a pseudo-terminal: the block protocol
// (checked blocks, ACK/NAK, resends), the status, configuration and short-trend images,
// a configuration download, and faults injected for tests.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qvcfgsim {

using Bytes = std::vector<std::uint8_t>;

enum class Fault {
    Nak,            // the next received blocks are answered NAK
    BadCrc,         // the next response blocks carry a wrong CRC
    NoReply,        // the next received blocks get no answer at all
    Slow,           // the next answers come after the slow delay
    Noise,          // noise bytes before the next response blocks
    BadComplement,  // the next response blocks carry a wrong complement byte
    Oversize,       // the next response blocks announce 1025 data bytes
    WrongNumber,    // the next response blocks carry a wrong sequence number
    WrongType,      // the next response blocks carry an unexpected type letter
    NoEot,          // no EOT after the host's final block
    ShortStatus,    // the next status answers hold only two bytes
};

const char* FaultName(Fault f);
bool ParseFault(const std::string& name, Fault& out);

struct SimSettings {
    std::string model = "QV200";
    // Paces both directions to the rate the host set on the line (8N1).
    bool pace = false;
    // A response block not answered within this time is sent again.
    std::chrono::milliseconds replyTimeout{3500};
    std::chrono::milliseconds slowDelay{300};
    int trendSamples = 400;
    int trendNewest = 10;
    // Error code reported after an accepted download (status byte 2).
    int deviceError = 0;
    // Device code of the status answer; -1 for the model's own.
    int deviceCode = -1;
    bool verbose = false;
};

// Device code of a model name ("QV200" -> 20); -1 for an unknown name.
int DeviceCodeOf(const std::string& model);
// The configuration image a controller of the model holds at first.
Bytes InitialConfig(const std::string& model);
// A short-trend image with `samples` samples ending at ring index `newest`.
Bytes SampleTrend(int samples, int newest);

class Server {
public:
    explicit Server(SimSettings settings = {});
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Opens the pseudo-terminal (keeping one slave descriptor so that the host can close
    // and reopen it) and starts serving. False with error set on failure.
    bool Start(std::string& error);
    void Stop();
    const std::string& DevicePath() const { return path_; }

    // The next `count` occasions of the fault; count < 0: every occasion.
    void InjectFault(Fault f, int count = 1);

    Bytes Config() const;
    void SetConfig(Bytes image);
    Bytes Trend() const;
    void SetTrend(Bytes image);
    // Downloads accepted so far, and the status error byte now.
    int Downloads() const;
    int StatusError() const;
    // Bytes received and sent so far.
    std::uint64_t BytesIn() const { return bytesIn_; }
    std::uint64_t BytesOut() const { return bytesOut_; }

private:
    enum class Got { Ok, Bad, Timeout };
    struct Block {
        std::uint8_t number = 0, type = 0, end = 0;
        Bytes data;
    };

    void Run();
    bool Take(Fault f);
    int ReadByte(std::chrono::milliseconds timeout);  // -1 on time-out or stop
    bool ReadExact(std::uint8_t* dst, std::size_t n, std::chrono::milliseconds timeout);
    Got ReadBlockAfterStx(Block& out);
    void Drain();
    bool Write(const std::uint8_t* p, std::size_t n);
    bool WriteByte(std::uint8_t b);
    bool Answer(std::uint8_t b);  // ACK or NAK, after the slow fault
    bool WaitEnq();
    bool Respond(std::uint8_t type, const Bytes& payload);
    bool ReceiveData(std::uint8_t type, Bytes& out);
    void HandleCommand(const Block& cmd);
    void Accept(const Bytes& image);
    void Sleep(std::chrono::microseconds d);
    void WaitLine();
    std::chrono::microseconds ByteTime() const;
    void Log(const std::string& text) const;

    SimSettings settings_;
    mutable std::mutex mutex_;
    std::map<Fault, int> faults_;
    Bytes config_;
    Bytes trend_;
    int downloads_ = 0;
    int statusError_ = 0;
    int pushback_ = -1;

    int master_ = -1;
    int slave_ = -1;
    int wake_ = -1;
    std::string path_;
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> bytesIn_{0}, bytesOut_{0};
    std::chrono::steady_clock::time_point lineFree_{};
    std::thread thread_;
};

}  // namespace qvcfgsim
