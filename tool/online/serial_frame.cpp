#include "serial_frame.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace kravin::online {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Upper-case hexadecimal digit value, or -1.
int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The text a reply's value starts at: after the first colon, else after the first byte.
std::string_view valueStart(std::string_view reply)
{
    auto colon = reply.find(':');
    if (colon != std::string_view::npos) return reply.substr(colon + 1);
    return reply.empty() ? reply : reply.substr(1);
}

std::string_view boundedView(const char* reply, int length)
{
    if (!reply || length <= 0) return {};
    // Stop at a NUL like a C string within the given length.
    auto n = static_cast<std::size_t>(length);
    const void* nul = std::memchr(reply, '\0', n);
    if (nul) n = static_cast<std::size_t>(static_cast<const char*>(nul) - reply);
    return {reply, n};
}

}  // namespace

std::string FrameAddress(std::string_view id)
{
    std::string address(id.substr(0, std::min(id.size(), kAddressLength)));
    if (auto nul = address.find('\0'); nul != std::string::npos) address.resize(nul);
    address.resize(kAddressLength, ' ');
    return address;
}

std::uint8_t FrameChecksum(std::string_view bytes)
{
    unsigned sum = 0;
    for (unsigned char c : bytes) sum += c;
    return static_cast<std::uint8_t>(sum & 0xFF);
}

std::string BuildFrame(std::string_view address, std::string_view command)
{
    if (command.empty() || command.back() != kCr || command.size() > kMaxFramedCommand) return {};
    std::string_view text = command.substr(0, command.size() - 1);
    if (text.find(kCr) != std::string_view::npos) return {};
    std::string body = FrameAddress(address);
    body.append(text);
    std::uint8_t sum = FrameChecksum(body);
    std::string frame;
    frame.reserve(body.size() + 4);
    frame.push_back(kStx);
    frame.append(body);
    frame.push_back(kHexDigits[sum >> 4]);
    frame.push_back(kHexDigits[sum & 0x0F]);
    frame.push_back(kCr);
    return frame;
}

ParsedFrame ParseFrame(std::string_view line, std::string_view addressA, std::string_view addressB)
{
    ParsedFrame out;
    if (line.empty() || line.front() != kStx) {
        out.status = FrameStatus::NoStx;
        return out;
    }
    if (line.size() < kMinFrameLength) {
        out.status = FrameStatus::TooShort;
        return out;
    }
    if (line.back() != kCr) {
        out.status = FrameStatus::NoCr;
        return out;
    }
    std::string_view body = line.substr(1, line.size() - 4);  // address and text
    int high = hexValue(line[line.size() - 3]);
    int low = hexValue(line[line.size() - 2]);
    if (high < 0 || low < 0) {
        out.status = FrameStatus::BadChecksumDigit;
        return out;
    }
    if (FrameChecksum(body) != static_cast<std::uint8_t>(high * 16 + low)) {
        out.status = FrameStatus::ChecksumMismatch;
        return out;
    }
    std::string_view address = body.substr(0, kAddressLength);
    if (address != FrameAddress(addressA) && address != FrameAddress(addressB)) {
        out.status = FrameStatus::WrongAddress;
        return out;
    }
    out.status = FrameStatus::Ok;
    out.address = std::string(address);
    out.text = std::string(body.substr(kAddressLength));
    return out;
}

const char* FrameStatusText(FrameStatus status)
{
    switch (status) {
    case FrameStatus::Ok: return "ok";
    case FrameStatus::NoStx: return "no STX at the start of the frame";
    case FrameStatus::TooShort: return "frame too short";
    case FrameStatus::NoCr: return "frame not ended by CR";
    case FrameStatus::BadChecksumDigit: return "checksum is not two upper-case hexadecimal digits";
    case FrameStatus::ChecksumMismatch: return "checksum mismatch";
    case FrameStatus::WrongAddress: return "frame from another address";
    }
    return "unknown";
}

std::string ReplyValueText(std::string_view reply)
{
    if (auto cr = reply.find(kCr); cr != std::string_view::npos) reply = reply.substr(0, cr);
    return std::string(valueStart(reply));
}

void StoreReplyField(const char* reply, int length, char* field, std::size_t fieldSize)
{
    if (!field || fieldSize == 0) return;
    std::string value = ReplyValueText(boundedView(reply, length));
    std::size_t n = std::min(value.size(), fieldSize - 1);
    std::memcpy(field, value.data(), n);
    std::memset(field + n, 0, fieldSize - n);
}

int ParseReplyNumber(const char* reply, int length)
{
    std::string_view text = valueStart(boundedView(reply, length));
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    long long value = 0;
    bool saturated = false;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        if (!saturated) {
            value = value * 10 + (c - '0');
            if (value > static_cast<long long>(INT_MAX) + 1) saturated = true;
        }
    }
    if (negative) value = -value;
    if (saturated || value > INT_MAX) return negative ? INT_MIN : INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

namespace {

enum class Answer { Group, Value, Any };

// The text of a plain line, or of a frame after its STX and address.
std::string_view LineText(std::string_view line)
{
    if (!line.empty() && line.front() == kStx) return line.substr(std::min(line.size(), 1 + kAddressLength));
    return line;
}

Answer AnswerOfCommand(std::string_view command)
{
    std::string_view text = LineText(command);
    if (text.empty()) return Answer::Any;
    if (text.front() == 'G') return Answer::Group;
    if (text.front() == 'I' || text.front() == 'D') return Answer::Value;
    return Answer::Any;
}

Answer AnswerOfReply(std::string_view line)
{
    std::string_view text = LineText(line);
    if (text.substr(0, 3) == "COK") return Answer::Group;
    if (!text.empty() && text.front() == 'D') return Answer::Value;
    return Answer::Any;
}

}  // namespace

bool ReplyCanAnswer(std::string_view line, std::string_view command)
{
    const Answer expected = AnswerOfCommand(command);
    const Answer got = AnswerOfReply(line);
    return expected == Answer::Any || got == Answer::Any || expected == got;
}

std::optional<std::string> LineAssembler::take(std::size_t maxLength)
{
    if (maxLength == 0) return std::string();
    auto cr = pending_.find(kCr);
    std::size_t n;
    if (cr != std::string::npos && cr < maxLength) {
        n = cr + 1;
    } else if (pending_.size() >= maxLength) {
        n = maxLength;
    } else {
        return std::nullopt;
    }
    std::string line = pending_.substr(0, n);
    pending_.erase(0, n);
    return line;
}

}  // namespace kravin::online

namespace kravin::online {

std::optional<std::string> LineAssembler::peekLine() const
{
    const auto cr = pending_.find(kCr);
    if (cr == std::string::npos) return std::nullopt;
    return pending_.substr(0, cr + 1);
}

bool LineAssembler::dropThroughCr()
{
    const auto cr = pending_.find(kCr);
    if (cr == std::string::npos) {
        pending_.clear();
        return false;
    }
    pending_.erase(0, cr + 1);
    return true;
}

}  // namespace kravin::online
