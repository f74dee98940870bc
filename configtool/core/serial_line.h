// The serial port as the block protocol sees it: open by device path, the count of
// received bytes waiting, reads of bytes already received, writes, purges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qvcfg {

class SerialLine {
public:
    virtual ~SerialLine() = default;
    // Opens and configures the port (8 data bits, no parity, one stop bit, no flow
    // control, raw). False when the port cannot be opened or configured; nothing is kept open.
    virtual bool Open(const std::string& device, int baud) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Bytes waiting in the receive queue; -1 on an error.
    virtual long Queued() = 0;
    // Reads exactly n bytes that are already queued.
    virtual bool Read(std::uint8_t* dst, std::size_t n) = 0;
    // Writes all bytes and waits until they have left the transmit buffer.
    virtual bool Write(const std::uint8_t* src, std::size_t n) = 0;
    // Discards received bytes not read yet, and with `transmit` bytes not sent yet.
    virtual void Purge(bool transmit) = 0;
};

// A POSIX terminal device (serial port or pseudo-terminal), locked while open.
class PosixSerialLine : public SerialLine {
public:
    ~PosixSerialLine() override;
    bool Open(const std::string& device, int baud) override;
    void Close() override;
    bool IsOpen() const override { return fd_ >= 0; }
    long Queued() override;
    bool Read(std::uint8_t* dst, std::size_t n) override;
    bool Write(const std::uint8_t* src, std::size_t n) override;
    void Purge(bool transmit) override;

private:
    int fd_ = -1;
};

}  // namespace qvcfg
