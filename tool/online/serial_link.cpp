#include "serial_link.h"

#include <algorithm>
#include <cstring>

namespace kravin::online {

namespace {
constexpr std::size_t kReadChunk = 128;
}

SerialLinkSettings SerialLinkSettings::fromProfile(int comTimeSeconds, std::string ht9Id)
{
    SerialLinkSettings s;
    if (comTimeSeconds > 0) s.replyTimeout = std::chrono::seconds(comTimeSeconds);
    s.programmingUnitId = std::move(ht9Id);
    return s;
}

SerialLink::SerialLink(SerialLinkSettings settings, UnitIdSource unitId)
    : settings_(std::move(settings)), unitId_(std::move(unitId))
{
}

void SerialLink::setSettings(SerialLinkSettings settings)
{
    std::lock_guard lock(mutex_);
    settings_ = std::move(settings);
}

void SerialLink::setUnitIdSource(UnitIdSource unitId)
{
    std::lock_guard lock(mutex_);
    unitId_ = std::move(unitId);
}

void SerialLink::resetExchangeLocked()
{
    input_.clear();
    owed_.clear();
    lastCommand_.clear();
    awaiting_ = false;
    unsettled_ = false;
    dropToCr_ = false;
}

int SerialLink::OpenComPort(int baudIndex, const std::string& portName)
{
    std::lock_guard lock(mutex_);
    port_.close();
    resetExchangeLocked();
    baudRate_ = BaudRateOfIndex(baudIndex);
    if (portName.empty()) {
        error_ = "no port name";
        return -1;
    }
    if (!port_.open(PortDevicePath(portName), baudRate_)) {
        error_ = port_.lastError();
        return -1;
    }
    error_.clear();
    return 0;
}

int SerialLink::CloseComPort()
{
    std::lock_guard lock(mutex_);
    port_.close();
    resetExchangeLocked();
    return 0;
}

void SerialLink::oweReplyLocked(std::chrono::milliseconds allowed)
{
    if (!awaiting_) return;
    awaiting_ = false;
    owed_.push_back({lastCommand_, lastSent_, allowed, lastSent_ + allowed});
}

void SerialLink::oweReplyLocked()
{
    oweReplyLocked(settings_.replyTimeout * std::max(settings_.lateReplyTimeouts, 1));
}

void SerialLink::popAnsweredLocked(SerialPort::Clock::time_point now)
{
    owed_.pop_front();
    // A device answers in order: it starts on the next reply only now.
    if (!owed_.empty()) owed_.front().until = std::max(owed_.front().until, now + owed_.front().allowed);
}

void SerialLink::dropOwedLineLocked(const std::string& line)
{
    // The device answers in order: an owed reply that this line can't be was lost.
    while (!owed_.empty() && !ReplyCanAnswer(line, owed_.front().command)) owed_.pop_front();
    if (!owed_.empty()) popAnsweredLocked(SerialPort::Clock::now());
}

void SerialLink::collectOwedRepliesLocked(std::string_view next)
{
    char chunk[kReadChunk];
    // What has come in already.
    for (;;) {
        const long n = port_.readSome(chunk, sizeof chunk, SerialPort::Clock::now());
        if (n <= 0) break;
        input_.append({chunk, static_cast<std::size_t>(n)});
    }
    while (auto line = input_.take(kMaxFrameLength)) dropOwedLineLocked(*line);
    // A repeat of the command that timed out needs no wait: a late reply answers it too.
    auto otherCommandOwed = [&] {
        return std::any_of(owed_.begin(), owed_.end(), [&](const OwedReply& o) { return o.command != next; });
    };
    while (otherCommandOwed()) {
        const OwedReply& oldest = owed_.front();
        if (SerialPort::Clock::now() >= oldest.until) {
            owed_.pop_front();
            unsettled_ = true;
            continue;
        }
        const long n = port_.readSome(chunk, sizeof chunk, oldest.until);
        if (n < 0) break;
        input_.append({chunk, static_cast<std::size_t>(n)});
        while (auto line = input_.take(kMaxFrameLength)) dropOwedLineLocked(*line);
    }
}

bool SerialLink::writeLocked(std::string_view bytes)
{
    if (!port_.isOpen()) {
        error_ = "port not open";
        return false;
    }
    // A command that was never answered nor timed out (nobody read its reply) owes one.
    oweReplyLocked();
    const bool lateRepliesExpected = !owed_.empty();
    collectOwedRepliesLocked(bytes);
    // A late reply may be arriving right now: the part of it not here yet is not an answer.
    if (lateRepliesExpected) dropToCr_ = input_.pendingSize() > 0 || port_.bytesWaiting() > 0;
    input_.clear();
    port_.drainInput();
    lastCommand_.assign(bytes);
    lastSent_ = SerialPort::Clock::now();
    awaiting_ = true;
    if (!port_.write(bytes)) {
        error_ = port_.lastError();
        return false;
    }
    return true;
}

bool SerialLink::ComWrite(const char* data, int length)
{
    std::lock_guard lock(mutex_);
    if (!data || length < 0) {
        error_ = "no data";
        return false;
    }
    return writeLocked({data, static_cast<std::size_t>(length)});
}

bool SerialLink::SendPuFrame(const char* command, int length, int useUnitId)
{
    std::lock_guard lock(mutex_);
    if (!command || length <= 0) {
        error_ = "no command";
        return false;
    }
    std::string id = useUnitId ? (unitId_ ? unitId_() : std::string()) : settings_.programmingUnitId;
    std::string frame = BuildFrame(id, {command, static_cast<std::size_t>(length)});
    if (frame.empty()) {
        error_ = "command can't be framed (no final CR, or longer than " +
                 std::to_string(kMaxFramedCommand) + " bytes)";
        return false;
    }
    return writeLocked(frame);
}

std::string SerialLink::settleLocked(std::string line, std::size_t maxLength)
{
    const auto settle = std::min(settings_.lateReplySettle, settings_.replyTimeout);
    const auto giveUp = SerialPort::Clock::now() + settings_.replyTimeout;
    char chunk[kReadChunk];
    for (;;) {
        while (auto next = input_.take(maxLength)) {
            if (ReplyCanAnswer(*next, lastCommand_)) line = std::move(*next);
        }
        const auto now = SerialPort::Clock::now();
        if (now >= giveUp) break;
        const long n = port_.readSome(chunk, sizeof chunk, std::min(now + settle, giveUp));
        if (n <= 0) {
            // Quiet after the line: the link is in step with the device again.
            if (n == 0 && input_.pendingSize() == 0) unsettled_ = false;
            break;
        }
        input_.append({chunk, static_cast<std::size_t>(n)});
    }
    return line;
}

int SerialLink::readLineLocked(char* buffer, int maxLength)
{
    if (!buffer || maxLength <= 0) return 0;
    if (!port_.isOpen()) {
        error_ = "port not open";
        return -1;
    }
    const auto max = static_cast<std::size_t>(maxLength);
    const auto deadline = SerialPort::Clock::now() + settings_.replyTimeout;
    for (;;) {
        if (dropToCr_) dropToCr_ = !input_.dropThroughCr();
        if (auto whole = input_.peekLine(); whole && !lastCommand_.empty() && !ReplyCanAnswer(*whole, lastCommand_)) {
            input_.drop(whole->size());  // a stray reply
            continue;
        }
        if (auto line = input_.take(max)) {
            if (!owed_.empty()) {
                // Only replies of earlier tries of this same command are owed now (see
                // writeLocked): the oldest is this line, and this try's reply is owed
                // instead. The device takes about as long over it as it took over that
                // one (allowed twice that, the excess at most a time-out).
                const auto now = SerialPort::Clock::now();
                const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(now - owed_.front().sent);
                popAnsweredLocked(now);
                oweReplyLocked(took + std::min(took, settings_.replyTimeout));
                if (owed_.size() == 1) owed_.front().until = now + owed_.front().allowed;
            } else {
                awaiting_ = false;
                if (unsettled_) *line = settleLocked(std::move(*line), max);
            }
            std::memcpy(buffer, line->data(), line->size());
            return static_cast<int>(line->size());
        }
        char chunk[kReadChunk];
        long n = port_.readSome(chunk, sizeof chunk, deadline);
        if (n < 0) {
            error_ = port_.lastError();
            return -1;
        }
        if (n == 0) {
            oweReplyLocked();
            error_ = "no reply within the reply time-out";
            return -1;
        }
        input_.append({chunk, static_cast<std::size_t>(n)});
    }
}

int SerialLink::ComReadLine(char* buffer, int maxLength)
{
    std::lock_guard lock(mutex_);
    return readLineLocked(buffer, maxLength);
}

int SerialLink::ReceivePuFrame(char* payload, int length)
{
    std::lock_guard lock(mutex_);
    if (!payload || length <= 0) return 0;
    const int maxLine = std::min(length + static_cast<int>(kFrameOverhead), static_cast<int>(kMaxFrameLength));
    char line[kMaxFrameLength] = {};
    int n = readLineLocked(line, maxLine);
    if (n < 0) return -1;
    std::string unitId = unitId_ ? unitId_() : std::string();
    ParsedFrame frame = ParseFrame({line, static_cast<std::size_t>(n)}, unitId, settings_.programmingUnitId);
    frameStatus_ = frame.status;
    if (frame.status != FrameStatus::Ok) {
        error_ = FrameStatusText(frame.status);
        return 0;
    }
    std::string text = frame.text + kCr;
    std::memset(payload, 0, static_cast<std::size_t>(length));
    std::memcpy(payload, text.data(), std::min(text.size(), static_cast<std::size_t>(length)));
    return static_cast<int>(text.size());
}

bool SerialLink::isOpen() const
{
    std::lock_guard lock(mutex_);
    return port_.isOpen();
}

int SerialLink::baudRate() const
{
    std::lock_guard lock(mutex_);
    return baudRate_;
}

int SerialLink::pendingInput() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(input_.pendingSize()) + port_.bytesWaiting();
}

std::string SerialLink::lastError() const
{
    std::lock_guard lock(mutex_);
    return error_;
}

FrameStatus SerialLink::lastFrameStatus() const
{
    std::lock_guard lock(mutex_);
    return frameStatus_;
}

}  // namespace kravin::online
