// The serial programming-unit link: one port, plain CR-terminated commands and STX frames.
#pragma once

#include "serial_frame.h"
#include "serial_port.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <string>

namespace kravin::online {

// What the link takes from the user settings.
struct SerialLinkSettings {
    static constexpr int kDefaultReplySeconds = 10;
    std::chrono::milliseconds replyTimeout{kDefaultReplySeconds * 1000};
    std::string programmingUnitId;  // "HT9_ID"; its first 4 characters address framed commands
    // After a reply time-out the next command waits until nothing has arrived for this
    // long (the reply time-out, when shorter), so that a late reply is dropped rather
    // than read as the next command's answer.
    std::chrono::milliseconds lateReplyQuiet{2000};
    // A late reply can still come while the next command's reply is awaited (the device
    // answers in order): until a reply has been followed by this much quiet (the reply
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
    // Drops everything waiting in the input (after a reply time-out, also what arrives
    // until the line is quiet), then writes the bytes. False on a write failure.
    bool ComWrite(const char* data, int length);
    // Frames a CR-terminated command of `length` bytes (CR included) for the unit ID
    // (useUnitId nonzero) or the programming-unit ID, and writes it.
    bool SendPuFrame(const char* command, int length, int useUnitId);
    // Reads one line: up to and including a CR, or maxLength bytes. Returns its length,
    // or -1 when the reply time-out passes first (or the device fails).
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
    void awaitQuietLineLocked();
    // After a time-out: the newest of the lines that follow each other closely.
    std::string settleLocked(std::string line, std::size_t maxLength);

    mutable std::mutex mutex_;
    SerialLinkSettings settings_;
    UnitIdSource unitId_;
    SerialPort port_;
    LineAssembler input_;
    int baudRate_ = 0;
    std::string error_;
    FrameStatus frameStatus_ = FrameStatus::Ok;
    bool lateReplyPossible_ = false;  // the last read timed out
    bool unsettled_ = false;          // a read timed out; no reply has been followed by quiet since
};

}  // namespace kravin::online
