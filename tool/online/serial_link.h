// The serial programming-unit link: one port, plain CR-terminated commands and STX frames.
#pragma once

#include "serial_frame.h"
#include "serial_port.h"

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace kravin::online {

// What the link takes from the user settings.
struct SerialLinkSettings {
    static constexpr int kDefaultReplySeconds = 10;
    std::chrono::milliseconds replyTimeout{kDefaultReplySeconds * 1000};
    std::string programmingUnitId;  // "HT9_ID"; its first 4 characters address framed commands
    // The device answers every command in order, however late. A reply that missed its
    // time-out is still owed: before any command other than a repeat of the one that
    // timed out goes out, the link waits for the owed replies and drops them. It gives
    // one up as lost when this many reply time-outs have passed since its command was
    // sent, or since the reply before it came, whichever is later.
    int lateReplyTimeouts = 3;
    // After an owed reply was given up as lost it may still come while the next command's
    // reply is awaited: until a reply has been followed by this much quiet (the reply
    // time-out, when shorter), a further line arriving within it replaces the one read.
    std::chrono::milliseconds lateReplySettle{300};

    // From the settings "COM_TIME" (seconds; not above 0 takes the default) and "HT9_ID".
    static SerialLinkSettings fromProfile(int comTimeSeconds, std::string ht9Id);
};

// Gives the unit ID of the loaded unit (block 0 item 52).
using UnitIdSource = std::function<std::string()>;

class SerialLink {
public:
    explicit SerialLink(SerialLinkSettings settings = {}, UnitIdSource unitId = {});
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;

    void setSettings(SerialLinkSettings settings);
    void setUnitIdSource(UnitIdSource unitId);

    // 0 when open, -1 when the port can't be opened or set up (lastError() tells why).
    // An open port is closed first.
    int OpenComPort(int baudIndex, const std::string& portName);
    // Closes an open port; safe when closed. Returns 0.
    int CloseComPort();
    // Drops everything waiting in the input, then writes the bytes. Replies still owed for
    // commands that timed out are awaited and dropped first, unless the bytes repeat that
    // command (its late reply answers the repeat as well). False on a write failure.
    bool ComWrite(const char* data, int length);
    // Frames a CR-terminated command of `length` bytes (CR included) for the unit ID
    // (useUnitId nonzero) or the programming-unit ID, and writes it.
    bool SendPuFrame(const char* command, int length, int useUnitId);
    // Reads one line: up to and including a CR, or maxLength bytes. Returns its length,
    // or -1 when the reply time-out passes first (or the device fails). A complete line
    // that can't answer the last command (a value for a group selection, "COK" for an
    // item or data command) is a stray reply and is dropped.
    int ComReadLine(char* buffer, int maxLength);
    // Reads one framed reply; copies `length` bytes of its zero-filled text (CR appended)
    // into payload. Returns the text length with its CR, 0 when the frame is not valid,
    // -1 when nothing complete arrived in time.
    int ReceivePuFrame(char* payload, int length);

    bool isOpen() const;
    // Received bytes not yet returned by a read.
    int pendingInput() const;
    int baudRate() const;  // of the last open
    std::string lastError() const;
    FrameStatus lastFrameStatus() const;

private:
    int readLineLocked(char* buffer, int maxLength);
    bool writeLocked(std::string_view bytes);
    // Drops the replies owed for commands other than `next`, waiting for them as long as
    // they are expected.
    void collectOwedRepliesLocked(std::string_view next);
    // Counts a line that arrived before the next command went out against the oldest owed reply.
    void dropOwedLineLocked(const std::string& line);
    // After an owed reply was given up: the newest of the lines that follow each other closely.
    std::string settleLocked(std::string line, std::size_t maxLength);
    void resetExchangeLocked();
    // The last command's reply is owed (it timed out, or nobody read it); the device may
    // take `allowed` over it, counted from its sending or from the reply before it.
    void oweReplyLocked(std::chrono::milliseconds allowed);
    void oweReplyLocked();
    // The oldest owed reply has come: the next one is counted from now.
    void popAnsweredLocked(SerialPort::Clock::time_point now);

    struct OwedReply {
        std::string command;                  // the bytes sent
        SerialPort::Clock::time_point sent;
        std::chrono::milliseconds allowed;    // how long the device may take over it
        SerialPort::Clock::time_point until;  // given up as lost after this
    };

    mutable std::mutex mutex_;
    SerialLinkSettings settings_;
    UnitIdSource unitId_;
    SerialPort port_;
    LineAssembler input_;
    int baudRate_ = 0;
    std::string error_;
    FrameStatus frameStatus_ = FrameStatus::Ok;
    std::string lastCommand_;  // the bytes of the last command written
    SerialPort::Clock::time_point lastSent_{};
    bool awaiting_ = false;    // the last command's reply is neither read nor owed yet
    std::deque<OwedReply> owed_;  // replies of timed-out commands not yet seen, oldest first
    bool unsettled_ = false;      // an owed reply was given up; no reply has been followed by quiet since
    bool dropToCr_ = false;       // the start of a line in flight was dropped before a write; drop its rest
};

}  // namespace kravin::online
