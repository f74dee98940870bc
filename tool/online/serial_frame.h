// Programming-unit frames, reply parsers and line assembly: plain functions over bytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kravin::online {

constexpr char kStx = 0x02;
constexpr char kCr = 0x0D;
constexpr std::size_t kAddressLength = 4;
constexpr std::size_t kFrameOverhead = 7;   // frame length minus the CR-terminated command
constexpr std::size_t kMinFrameLength = 8;  // STX, address, two checksum digits, CR
constexpr std::size_t kMaxFrameLength = 128;
constexpr std::size_t kMaxFramedCommand = kMaxFrameLength - kFrameOverhead;  // CR included

// The 4-character frame address made from an ID text: its first four bytes, blank padded.
std::string FrameAddress(std::string_view id);

// Low 8 bits of the byte sum.
std::uint8_t FrameChecksum(std::string_view bytes);

// Wraps a CR-terminated command into STX, address, text, checksum, CR.
// Empty when the command lacks its final CR, holds another CR or is longer than kMaxFramedCommand.
std::string BuildFrame(std::string_view address, std::string_view command);

enum class FrameStatus {
    Ok,
    NoStx,            // the line doesn't start with STX
    TooShort,         // fewer bytes than STX, address, checksum and CR
    NoCr,             // the last byte is not CR
    BadChecksumDigit, // not one of 0-9, A-F
    ChecksumMismatch,
    WrongAddress,
};

struct ParsedFrame {
    FrameStatus status = FrameStatus::TooShort;
    std::string address;
    std::string text;  // without CR
};

// Validates a received frame line (STX .. CR) and takes it apart. The address must equal
// one of the two accepted addresses (compared over 4 bytes).
ParsedFrame ParseFrame(std::string_view line, std::string_view addressA, std::string_view addressB);

const char* FrameStatusText(FrameStatus status);

// The value text of a reply: cut at its first CR, then the text after the first colon,
// or after the first character when there is no colon.
std::string ReplyValueText(std::string_view reply);

// Copies the value text of the first `length` bytes of `reply` into `field` (NUL-terminated,
// truncated to fieldSize - 1).
void StoreReplyField(const char* reply, int length, char* field, std::size_t fieldSize);

// Leading decimal integer (optional sign) after the first colon within `length` bytes, or
// after the first character when there is no colon; 0 when there are no digits. Values
// beyond the int range saturate.
int ParseReplyNumber(const char* reply, int length);

// Whether a received line (plain, or framed: STX and address first) can be the answer to a
// command (plain or framed): a group command is answered "COK" or "CNG", an item or data
// command "D..." or "CNG". Any other command or line is not judged (true).
bool ReplyCanAnswer(std::string_view line, std::string_view command);

// Collects received bytes into lines. A line ends at a CR or when it reaches the maximum
// length; whatever follows stays for the next line.
class LineAssembler {
public:
    void append(std::string_view bytes) { pending_.append(bytes); }
    // A complete line of at most maxLength bytes, or nothing yet.
    std::optional<std::string> take(std::size_t maxLength);
    // The next line up to and including its CR, when one is complete; it stays pending.
    std::optional<std::string> peekLine() const;
    // Drops the first n pending bytes.
    void drop(std::size_t n) { pending_.erase(0, std::min(n, pending_.size())); }
    // Drops the rest of a line: everything up to and including the first CR (true), or
    // everything pending when no CR has come yet (false).
    bool dropThroughCr();
    std::size_t pendingSize() const { return pending_.size(); }
    bool hasCr() const { return pending_.find(kCr) != std::string::npos; }
    void clear() { pending_.clear(); }

private:
    std::string pending_;
};

}  // namespace kravin::online
