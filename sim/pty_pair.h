// The pseudo-terminal pair of a simulator: the master it serves (non-blocking) and
// one slave descriptor it keeps open, raw at the given speed, so that clients can
// close and reopen the device.
#pragma once

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace simpty {

// Fills master, slave and path as far as it gets (the caller closes what was
// opened); on failure `what` names the step and errno holds the reason.
inline bool OpenPtyPair(speed_t speed, int& master, int& slave, std::string& path, const char*& what)
{
    master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) return what = "posix_openpt", false;
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0) return what = "grantpt/unlockpt", false;
    char name[128] = {};
    if (::ptsname_r(master, name, sizeof name) != 0) return what = "ptsname", false;
    path = name;
    slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) return what = "open slave", false;
    termios tio{};
    if (::tcgetattr(slave, &tio) != 0) return what = "tcgetattr", false;
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(slave, TCSANOW, &tio) != 0) return what = "tcsetattr", false;
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    return true;
}

}  // namespace simpty
