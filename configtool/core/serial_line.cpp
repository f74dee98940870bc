#include "serial_line.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace qvcfg {

namespace {

bool SpeedOf(int baud, speed_t& out)
{
    switch (baud) {
    case 1200: out = B1200; return true;
    case 2400: out = B2400; return true;
    case 4800: out = B4800; return true;
    case 9600: out = B9600; return true;
    case 19200: out = B19200; return true;
    case 38400: out = B38400; return true;
    case 57600: out = B57600; return true;
    case 115200: out = B115200; return true;
    default: return false;
    }
}

}  // namespace

PosixSerialLine::~PosixSerialLine() { Close(); }

bool PosixSerialLine::Open(const std::string& device, int baud)
{
    Close();
    speed_t speed;
    if (device.empty() || !SpeedOf(baud, speed)) return false;
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    termios tio{};
    // Not shared: a second user of the device is refused while we hold it.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::tcgetattr(fd, &tio) != 0) {
        ::close(fd);
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0 || ::tcsetattr(fd, TCSANOW, &tio) != 0) {
        ::close(fd);
        return false;
    }
    // DTR and RTS held off; a pseudo-terminal has no modem lines, so the result is not checked.
    int lines = TIOCM_DTR | TIOCM_RTS;
    (void)::ioctl(fd, TIOCMBIC, &lines);
    ::tcflush(fd, TCIFLUSH);
    fd_ = fd;
    return true;
}

void PosixSerialLine::Close()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

long PosixSerialLine::Queued()
{
    int n = 0;
    if (fd_ < 0 || ::ioctl(fd_, FIONREAD, &n) != 0) return -1;
    return n;
}

bool PosixSerialLine::Read(std::uint8_t* dst, std::size_t n)
{
    std::size_t done = 0;
    int idle = 0;
    while (fd_ >= 0 && done < n) {
        const ssize_t r = ::read(fd_, dst + done, n - done);
        if (r > 0) {
            done += static_cast<std::size_t>(r);
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && errno != EAGAIN) return false;
        // The bytes were counted as queued; give the driver a moment, but not forever.
        pollfd p{fd_, POLLIN, 0};
        if (++idle > 10 || ::poll(&p, 1, 100) < 0) return false;
    }
    return fd_ >= 0;
}

bool PosixSerialLine::Write(const std::uint8_t* src, std::size_t n)
{
    std::size_t done = 0;
    int stalls = 0;
    while (fd_ >= 0 && done < n) {
        const ssize_t w = ::write(fd_, src + done, n - done);
        if (w > 0) {
            done += static_cast<std::size_t>(w);
            stalls = 0;
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && errno != EAGAIN) return false;
        pollfd p{fd_, POLLOUT, 0};
        if (++stalls > 50 || ::poll(&p, 1, 100) < 0) return false;
    }
    if (fd_ < 0) return false;
    ::tcdrain(fd_);
    return true;
}

void PosixSerialLine::Purge(bool)
{
    // Every write has already drained, so only received bytes are left to discard. Flushing
    // the output of a pseudo-terminal would drop bytes its peer has not read yet.
    if (fd_ >= 0) ::tcflush(fd_, TCIFLUSH);
}

}  // namespace qvcfg
