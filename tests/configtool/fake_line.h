// A serial line in memory: what the host writes is recorded, and a responder decides
// which bytes the controller sends back.
#pragma once

#include "serial_line.h"
#include "transfer.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace qvcfg::test {

class FakeLine : public SerialLine {
public:
    // Called with each write of the host; returns the bytes that arrive in answer.
    std::function<std::vector<std::uint8_t>(const std::vector<std::uint8_t>&)> responder;
    std::vector<std::vector<std::uint8_t>> writes;
    std::deque<std::uint8_t> rx;
    bool openOk = true;
    bool open = false;
    int opens = 0;

    bool Open(const std::string&, int) override
    {
        ++opens;
        open = openOk;
        return open;
    }
    void Close() override { open = false; }
    bool IsOpen() const override { return open; }
    long Queued() override { return static_cast<long>(rx.size()); }
    bool Read(std::uint8_t* dst, std::size_t n) override
    {
        if (rx.size() < n) return false;
        for (std::size_t i = 0; i < n; ++i) dst[i] = rx[i];
        rx.erase(rx.begin(), rx.begin() + static_cast<std::ptrdiff_t>(n));
        return true;
    }
    bool Write(const std::uint8_t* src, std::size_t n) override
    {
        writes.emplace_back(src, src + n);
        if (responder) {
            const auto reply = responder(writes.back());
            rx.insert(rx.end(), reply.begin(), reply.end());
        }
        return true;
    }
    void Purge(bool) override { rx.clear(); }
};

// Waits that end at once, so failing exchanges take no time.
inline TransferTiming FastTiming()
{
    TransferTiming t;
    t.poll = std::chrono::milliseconds(0);
    t.bytePolls = 3;
    t.stxCycles = 3;
    t.retryPause = std::chrono::milliseconds(0);
    t.quiet = std::chrono::milliseconds(0);
    return t;
}

inline std::vector<std::uint8_t> Block(std::uint8_t number, std::uint8_t type, const std::vector<std::uint8_t>& data,
                                       std::uint8_t end)
{
    std::vector<std::uint8_t> b(data.size() + 9);
    b.resize(BuildBlock(b.data(), number, type, data.data(), data.size(), end));
    return b;
}

}  // namespace qvcfg::test
