#include "serial_port.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace kravin::online {

namespace {

speed_t speedOf(int baudRate)
{
    switch (baudRate) {
    case 9600: return B9600;
    case 57600: return B57600;
    default: return B1200;
    }
}

std::string systemError(const char* what, const std::string& path)
{
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

}  // namespace

int BaudRateOfIndex(int baudIndex)
{
    static constexpr int kTable[] = {1200, 9600, 57600};
    if (baudIndex < 0 || baudIndex > 2) return kTable[0];
    return kTable[baudIndex];
}

std::string PortDevicePath(std::string_view portName)
{
    if (portName.find('/') != std::string_view::npos) return std::string(portName);
    return "/dev/" + std::string(portName);
}

SerialPort::~SerialPort() { close(); }

bool SerialPort::open(const std::string& devicePath, int baudRate)
{
    close();
    error_.clear();
    int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error_ = systemError("cannot open", devicePath);
        return false;
    }
    auto fail = [&](const char* what) {
        error_ = systemError(what, devicePath);
        ::close(fd);
        return false;
    };
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return fail("port in use:");
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return fail("cannot read the settings of");
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    speed_t speed = speedOf(baudRate);
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0)
        return fail("cannot set the baud rate of");
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) return fail("cannot set up");
    // The settings must have taken.
    termios check{};
    if (::tcgetattr(fd, &check) != 0 || ::cfgetospeed(&check) != speed || (check.c_cflag & CSIZE) != CS8)
        return fail("settings not accepted by");
    // Pseudo-terminals have no modem lines; a refusal there is not an error.
    int lines = TIOCM_DTR | TIOCM_RTS;
    (void)::ioctl(fd, TIOCMBIC, &lines);
    ::tcflush(fd, TCIOFLUSH);
    fd_ = fd;
    return true;
}

void SerialPort::close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

void SerialPort::drainInput()
{
    if (fd_ < 0) return;
    ::tcflush(fd_, TCIFLUSH);
    char scratch[256];
    // Whatever slipped in after the flush.
    for (;;) {
        ssize_t n = ::read(fd_, scratch, sizeof scratch);
        if (n > 0) continue;
        if (n < 0 && errno == EINTR) continue;
        break;
    }
}

bool SerialPort::write(std::string_view bytes)
{
    if (fd_ < 0) {
        error_ = "port not open";
        return false;
    }
    std::size_t done = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (done < bytes.size()) {
        ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            error_ = std::string("write failed: ") + std::strerror(errno);
            return false;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            error_ = "write timed out";
            return false;
        }
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, static_cast<int>(left));
    }
    return true;
}

long SerialPort::readSome(char* buffer, std::size_t maxBytes, Clock::time_point deadline)
{
    if (fd_ < 0) return -1;
    if (maxBytes == 0) return 0;
    for (;;) {
        ssize_t n = ::read(fd_, buffer, maxBytes);
        if (n > 0) return n;
        // With VMIN and VTIME 0 an empty queue reads 0 bytes; a hang-up shows in poll.
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            error_ = std::string("read failed: ") + std::strerror(errno);
            return -1;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return 0;
        pollfd p{fd_, POLLIN, 0};
        int r = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 1000)));
        if (r < 0 && errno != EINTR) {
            error_ = std::string("poll failed: ") + std::strerror(errno);
            return -1;
        }
        if (r > 0 && !(p.revents & POLLIN) && (p.revents & (POLLERR | POLLNVAL | POLLHUP))) {
            error_ = "device error or hang-up";
            return -1;
        }
    }
}

int SerialPort::bytesWaiting() const
{
    if (fd_ < 0) return 0;
    int n = 0;
    if (::ioctl(fd_, FIONREAD, &n) != 0) return 0;
    return n;
}

}  // namespace kravin::online
