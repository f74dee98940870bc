#include "transfer.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace qvcfg {

std::uint16_t CalcCrc16(std::size_t length, const std::uint8_t* bytes)
{
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < length; ++i) {
        crc = static_cast<std::uint16_t>(crc ^ (bytes[i] << 8));
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return static_cast<std::uint16_t>(crc ^ 0xFFFF);
}

std::size_t BuildBlock(std::uint8_t* out, std::uint8_t number, std::uint8_t type, const std::uint8_t* data,
                       std::size_t length, std::uint8_t end)
{
    length = std::min(length, kMaxBlockData);
    out[0] = kStx;
    out[1] = number;
    out[2] = static_cast<std::uint8_t>(number ^ 0xFF);
    out[3] = type;
    out[4] = static_cast<std::uint8_t>(length >> 8);
    out[5] = static_cast<std::uint8_t>(length);
    if (length) std::memcpy(out + 6, data, length);
    out[6 + length] = end;
    const std::uint16_t crc = CalcCrc16(length + 7, out);
    out[7 + length] = static_cast<std::uint8_t>(crc >> 8);
    out[8 + length] = static_cast<std::uint8_t>(crc);
    return length + 9;
}

CTransfer::CTransfer(std::unique_ptr<SerialLine> line, TransferTiming timing)
    : line_(line ? std::move(line) : std::make_unique<PosixSerialLine>()), timing_(timing)
{
}

CTransfer::~CTransfer() { line_->Close(); }

bool CTransfer::Open(const std::string& device, int baud)
{
    line_->Close();
    return line_->Open(device, baud);
}

void CTransfer::Close() { line_->Close(); }

void CTransfer::Pause(std::chrono::milliseconds d) const
{
    if (d.count() > 0) std::this_thread::sleep_for(d);
}

bool CTransfer::WaitForBytes(std::size_t n, std::uint8_t* dst, const std::atomic<bool>* cancel)
{
    for (int i = 0; i < timing_.bytePolls; ++i) {
        if (Cancelled(cancel)) return false;
        const long queued = line_->Queued();
        if (queued < 0) return false;
        if (static_cast<std::size_t>(queued) >= n) return line_->Read(dst, n);
        Pause(timing_.poll);
    }
    return false;
}

bool CTransfer::WaitForStx()
{
    for (int i = 0; i < timing_.stxCycles; ++i) {
        long queued = line_->Queued();
        if (queued < 0) return false;
        while (queued-- > 0) {
            std::uint8_t b = 0;
            if (!line_->Read(&b, 1)) return false;
            if (b == kStx) return true;
        }
        Pause(timing_.poll);
    }
    return false;
}

void CTransfer::DrainInput()
{
    long before = line_->Queued();
    for (;;) {
        Pause(timing_.quiet);
        const long after = line_->Queued();
        if (after == before || after < 0) break;
        before = after;
    }
    line_->Purge(false);
}

bool CTransfer::WriteBytes(const std::uint8_t* p, std::size_t n) { return line_->IsOpen() && line_->Write(p, n); }

CTransfer::Reply CTransfer::WaitReply(std::uint8_t& byte, const std::atomic<bool>* cancel)
{
    if (!WaitForBytes(1, &byte, cancel)) return Reply::None;
    if (byte == kAck) return Reply::Ack;
    if (byte == kNak) return Reply::Nak;
    return Reply::Other;
}

bool CTransfer::Transmit(std::size_t n, bool needEot, bool retryOnStrayAfterAck, const std::atomic<bool>* cancel)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!WriteBytes(block_.data(), n)) return false;
        std::uint8_t byte = 0;
        switch (WaitReply(byte, cancel)) {
        case Reply::None:
            if (Cancelled(cancel)) return false;
            Pause(timing_.retryPause);
            continue;
        case Reply::Nak:
            continue;  // the block is sent again
        case Reply::Other:
            return false;
        case Reply::Ack:
            break;
        }
        if (!needEot) return true;
        if (!WaitForBytes(1, &byte, cancel)) return false;
        if (byte == kEot) return true;
        if (!retryOnStrayAfterAck) return false;
    }
    return false;
}

int CTransfer::Send(std::uint8_t command, const std::uint8_t* commandData, std::size_t commandLength,
                    std::uint8_t dataType, const std::uint8_t* data, std::size_t dataLength,
                    const std::atomic<bool>* cancel)
{
    if (!line_->IsOpen()) return 0;
    line_->Purge(true);
    std::uint8_t number = 0;
    if (command != 0) {
        const std::size_t n = BuildBlock(block_.data(), 0, command, commandData, commandLength, dataType ? kEtx : kEtb);
        if (!Transmit(n, dataType == 0, false, cancel)) return 0;
        number = 1;
    }
    if (dataType == 0 || dataLength == 0) return 1;
    for (std::size_t off = 0; off < dataLength; off += kMaxBlockData, ++number) {
        const std::size_t chunk = std::min(kMaxBlockData, dataLength - off);
        const bool last = off + chunk >= dataLength;
        const std::size_t n = BuildBlock(block_.data(), number, dataType, data + off, chunk, last ? kEtb : kEtx);
        if (!Transmit(n, last, true, cancel)) return 0;
    }
    return 1;
}

int CTransfer::Request(std::uint8_t command, const std::uint8_t* commandData, std::size_t commandLength,
                       std::uint8_t responseType, std::uint8_t* buffer, std::size_t capacity, std::size_t& received,
                       const std::atomic<bool>* cancel)
{
    received = 0;
    if (!line_->IsOpen()) return 0;
    line_->Purge(true);
    const std::size_t n = BuildBlock(block_.data(), 0, command, commandData, commandLength, kEtx);
    if (!Transmit(n, false, false, cancel)) return 0;
    const std::uint8_t enq = kEnq;
    if (!WriteBytes(&enq, 1)) return 0;

    const std::uint8_t nak = kNak, ack = kAck, eot = kEot;
    std::uint8_t expected = 0;
    for (;;) {
        int tries = 0;
        bool accepted = false;
        std::uint8_t* const blk = block_.data();
        while (!accepted) {
            if (tries >= 3) return 0;
            if (!WaitForStx()) return 0;
            blk[0] = kStx;
            const bool header = WaitForBytes(5, blk + 1, nullptr);
            const std::size_t length = header ? (std::size_t{blk[4]} << 8 | blk[5]) : 0;
            if (!header || blk[2] != static_cast<std::uint8_t>(blk[1] ^ 0xFF) ||
                (blk[3] != kNoDataType && blk[1] != expected) || length > kMaxBlockData) {
                if (Cancelled(cancel)) return 0;
                DrainInput();
                if (!WriteBytes(&nak, 1)) return 0;
                ++tries;
                continue;
            }
            if (blk[3] != kNoDataType && blk[3] != responseType) return 0;
            if (length != 0 && !WaitForBytes(length, blk + 6, cancel)) {
                if (Cancelled(cancel)) return 0;
                ++tries;
                continue;
            }
            if (!WaitForBytes(3, blk + 6 + length, cancel) || (blk[6 + length] != kEtx && blk[6 + length] != kEtb)) {
                if (Cancelled(cancel)) return 0;
                ++tries;
                continue;
            }
            const std::uint16_t crc = static_cast<std::uint16_t>(blk[7 + length] << 8 | blk[8 + length]);
            if (crc != CalcCrc16(length + 7, blk)) {
                if (!WriteBytes(&nak, 1)) return 0;
                ++tries;
                continue;
            }
            accepted = true;
            if (received + length <= capacity) {
                if (length) std::memcpy(buffer + received, blk + 6, length);
                received += length;
            }
            if (!WriteBytes(&ack, 1)) return 0;
            if (blk[6 + length] == kEtb) {
                if (!WriteBytes(&eot, 1)) return 0;
                if (blk[3] == kNoDataType) received = 0;
                return 1;
            }
            ++expected;
        }
    }
}

}  // namespace qvcfg
