#include "channel.h"

#include <fcntl.h>
#include <termios.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace qdu::vm {

namespace {

// The host answers monitor requests within seconds; tray moves are instant in QEMU.
constexpr auto kAnswerTimeout = std::chrono::seconds(60);

Fd open_raw(const std::string& device) {
    Fd fd(::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!fd) {
        throw std::runtime_error("cannot open " + device + ": " + std::strerror(errno));
    }
    termios tio{};
    if (::tcgetattr(fd.get(), &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B115200);
        ::cfsetospeed(&tio, B115200);
        ::tcsetattr(fd.get(), TCSANOW, &tio);
    }
    ::tcflush(fd.get(), TCIOFLUSH);
    return fd;
}

}  // namespace

Channel::Channel(const std::string& device) : line_(open_raw(device)) {}

std::string Channel::ask(const std::string& request) {
    std::string line = request;
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::replace(line.begin(), line.end(), '\r', ' ');
    if (!line_.write_line(line)) {
        throw std::runtime_error(std::string("host line write failed: ") + std::strerror(errno));
    }
    auto answer = line_.read_line(Clock::now() + kAnswerTimeout);
    if (!answer) {
        throw std::runtime_error(line_.closed() ? "the host line closed"
                                                : "the host did not answer");
    }
    return *answer;
}

}  // namespace qdu::vm
