#include "channel.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace qdu::vm {

namespace {

// The host answers monitor requests within seconds; tray moves are instant in QEMU.
constexpr int kAnswerTimeoutMs = 60000;

}  // namespace

Channel::Channel(const std::string& device) {
    fd_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) {
        throw std::runtime_error("cannot open " + device + ": " + std::strerror(errno));
    }
    termios tio{};
    if (::tcgetattr(fd_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B115200);
        ::cfsetospeed(&tio, B115200);
        ::tcsetattr(fd_, TCSANOW, &tio);
    }
    ::tcflush(fd_, TCIOFLUSH);
}

Channel::~Channel() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::string Channel::ask(const std::string& request) {
    std::string data = request;
    for (char& c : data) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    data += '\n';
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::write(fd_, data.data() + sent, data.size() - sent);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            throw std::runtime_error(std::string("host line write failed: ") +
                                     std::strerror(errno));
        }
        sent += static_cast<std::size_t>(n);
    }
    return read_line();
}

std::string Channel::read_line() {
    for (;;) {
        const auto newline = pending_.find('\n');
        if (newline != std::string::npos) {
            std::string line = pending_.substr(0, newline);
            pending_.erase(0, newline + 1);
            return line;
        }
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, kAnswerTimeoutMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            throw std::runtime_error("the host did not answer");
        }
        char chunk[512];
        const ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            throw std::runtime_error("the host line closed");
        }
        pending_.append(chunk, static_cast<std::size_t>(n));
    }
}

}  // namespace qdu::vm
