// A serial device over POSIX termios: raw 8N1, no flow control, millisecond time-outs.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace kravin::online {

// Baud rate of a baud index: 0 = 1200, 1 = 9600, 2 = 57600; any other index 1200.
int BaudRateOfIndex(int baudIndex);

// Device path of a port name: a name with a slash is a path, any other lives in /dev.
std::string PortDevicePath(std::string_view portName);

class SerialPort {
public:
    using Clock = std::chrono::steady_clock;

    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens the device exclusively for this process (advisory lock), sets raw 8N1 at the
    // baud rate, lines DTR/RTS off where the device allows it, and purges both directions.
    // False with lastError() set when the device can't be opened or set up.
    bool open(const std::string& devicePath, int baudRate);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    const std::string& lastError() const { return error_; }

    // Reads and drops everything waiting in the input queue.
    void drainInput();
    // Writes all bytes; false on a failed or incomplete write.
    bool write(std::string_view bytes);
    // Reads up to maxBytes that arrive before the deadline. Returns the count (0 when the
    // deadline passed first) or -1 on a device error.
    long readSome(char* buffer, std::size_t maxBytes, Clock::time_point deadline);
    // Bytes waiting in the input queue.
    int bytesWaiting() const;

private:
    int fd_ = -1;
    std::string error_;
};

}  // namespace kravin::online
