// The serial block protocol: numbered blocks of at most 1024 data bytes protected by a
// CRC-16, each answered by ACK or NAK, an exchange closed by EOT.
#pragma once

#include "serial_line.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace qvcfg {

inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kEtx = 0x03;
inline constexpr std::uint8_t kEot = 0x04;
inline constexpr std::uint8_t kEnq = 0x05;
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kNak = 0x15;
inline constexpr std::uint8_t kEtb = 0x17;
inline constexpr std::uint8_t kNoDataType = '*';
inline constexpr std::size_t kMaxBlockData = 1024;
inline constexpr std::size_t kMaxBlock = kMaxBlockData + 9;

// CRC-16/GENIBUS: polynomial 0x1021, initial 0xFFFF, final XOR 0xFFFF.
std::uint16_t CalcCrc16(std::size_t length, const std::uint8_t* bytes);

// Writes one block into out (room for kMaxBlock bytes); returns its length.
std::size_t BuildBlock(std::uint8_t* out, std::uint8_t number, std::uint8_t type, const std::uint8_t* data,
                       std::size_t length, std::uint8_t end);

// The pacing of the waits. The defaults are those of the controllers; tests shorten them.
struct TransferTiming {
    std::chrono::milliseconds poll{10};      // sleep between polls of the receive queue
    int bytePolls = 300;                     // polls while waiting for bytes (about 3 s)
    int stxCycles = 1200;                    // cycles while waiting for a block's STX (about 12 s)
    std::chrono::milliseconds retryPause{2000};  // pause before resending after silence
    std::chrono::milliseconds quiet{100};    // a line this long quiet has been drained
};

class CTransfer {
public:
    explicit CTransfer(std::unique_ptr<SerialLine> line = nullptr, TransferTiming timing = {});
    virtual ~CTransfer();
    CTransfer(const CTransfer&) = delete;
    CTransfer& operator=(const CTransfer&) = delete;

    // Closes a port still open, opens and configures the device. True when ready.
    virtual bool Open(const std::string& device, int baud);
    // Sends a command block and, with a data type letter, the data as data blocks.
    // A command letter of 0 skips the command block. 1 on success, 0 on failure.
    virtual int Send(std::uint8_t command, const std::uint8_t* commandData, std::size_t commandLength,
                     std::uint8_t dataType, const std::uint8_t* data, std::size_t dataLength,
                     const std::atomic<bool>* cancel = nullptr);
    // Sends a command block and ENQ, then receives the response blocks into buffer.
    // 1 on a complete response with received = the data bytes stored; 0 on failure.
    virtual int Request(std::uint8_t command, const std::uint8_t* commandData, std::size_t commandLength,
                        std::uint8_t responseType, std::uint8_t* buffer, std::size_t capacity, std::size_t& received,
                        const std::atomic<bool>* cancel = nullptr);
    virtual void Close();

    bool IsOpen() const { return line_->IsOpen(); }
    const TransferTiming& Timing() const { return timing_; }

private:
    enum class Reply { Ack, Nak, Other, None };

    bool Cancelled(const std::atomic<bool>* cancel) const { return cancel && cancel->load(); }
    bool WaitForBytes(std::size_t n, std::uint8_t* dst, const std::atomic<bool>* cancel);
    bool WaitForStx();
    void DrainInput();
    bool WriteBytes(const std::uint8_t* p, std::size_t n);
    Reply WaitReply(std::uint8_t& byte, const std::atomic<bool>* cancel);
    // Transmits the block in block_ (length n) up to three times. With `needEot` the
    // exchange ends only on ACK followed by EOT.
    bool Transmit(std::size_t n, bool needEot, bool retryOnStrayAfterAck, const std::atomic<bool>* cancel);
    void Pause(std::chrono::milliseconds d) const;

    std::unique_ptr<SerialLine> line_;
    TransferTiming timing_;
    std::array<std::uint8_t, kMaxBlock> block_{};
};

}  // namespace qvcfg
