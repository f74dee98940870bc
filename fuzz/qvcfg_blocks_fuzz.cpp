// The input is what a controller sends QVCFG: chunks (a length byte, then that many
// bytes), one delivered after each write of the host. The host receives a response and
// sends a configuration; every outcome must be a plain result, never more data than room.
#include "fuzz_support.h"
#include "transfer.h"

#include <algorithm>
#include <deque>
#include <vector>

using namespace kravin::fuzz;

namespace {

class ReplayLine : public qvcfg::SerialLine {
public:
    ReplayLine(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Open(const std::string&, int) override { return open_ = true; }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    long Queued() override { return static_cast<long>(rx_.size()); }
    bool Read(std::uint8_t* dst, std::size_t n) override
    {
        if (rx_.size() < n) return false;
        std::copy_n(rx_.begin(), n, dst);
        rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(n));
        return true;
    }
    bool Write(const std::uint8_t*, std::size_t) override
    {
        if (pos_ < size_) {
            const std::size_t n = std::min<std::size_t>(data_[pos_], size_ - pos_ - 1);
            rx_.insert(rx_.end(), data_ + pos_ + 1, data_ + pos_ + 1 + n);
            pos_ += n + 1;
        }
        return open_;
    }
    void Purge(bool) override { rx_.clear(); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    std::deque<std::uint8_t> rx_;
    bool open_ = false;
};

qvcfg::TransferTiming NoWaits()
{
    qvcfg::TransferTiming t;
    t.poll = t.retryPause = t.quiet = std::chrono::milliseconds(0);
    t.bytePolls = 2;
    t.stxCycles = 2;
    return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    {
        qvcfg::CTransfer transfer(std::make_unique<ReplayLine>(data, size), NoWaits());
        require(transfer.Open("fuzz", 57600));
        std::vector<std::uint8_t> buffer(2048);
        std::size_t received = 12345;
        const int rc = transfer.Request('G', reinterpret_cast<const std::uint8_t*>("CONFIG"), 6, 'g', buffer.data(),
                                        buffer.size(), received);
        require(rc == 0 || rc == 1);
        require(received <= buffer.size());
        require(rc == 1 || received == 0 || received <= buffer.size());
    }
    {
        qvcfg::CTransfer transfer(std::make_unique<ReplayLine>(data, size), NoWaits());
        require(transfer.Open("fuzz", 57600));
        const std::vector<std::uint8_t> image(2048, 0x5A);
        const int rc = transfer.Send('P', reinterpret_cast<const std::uint8_t*>("CONFIG"), 6, 'p', image.data(),
                                     image.size());
        require(rc == 0 || rc == 1);
    }
    return 0;
}
