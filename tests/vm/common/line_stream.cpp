#include "line_stream.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace qdu::vm {

namespace {

int remaining_ms(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(left);
}

}  // namespace

bool wait_readable(int fd, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int n = ::poll(&p, 1, remaining_ms(deadline));
        if (n > 0) {
            return true;
        }
        if (n == 0 || errno != EINTR) {
            return false;
        }
    }
}

Fd& Fd::operator=(Fd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.release();
    }
    return *this;
}

Fd::~Fd() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

int Fd::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

bool write_all(int fd, std::string_view data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::write(fd, data.data() + sent, data.size() - sent);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<std::string> LineStream::read_line(Clock::time_point deadline) {
    for (;;) {
        const auto newline = pending_.find('\n');
        if (newline != std::string::npos) {
            std::string line = pending_.substr(0, newline);
            pending_.erase(0, newline + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return line;
        }
        if (closed_ || !wait_readable(fd_.get(), deadline)) {
            return std::nullopt;
        }
        char chunk[4096];
        const ssize_t n = ::read(fd_.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            closed_ = true;
            return std::nullopt;
        }
        pending_.append(chunk, static_cast<std::size_t>(n));
    }
}

}  // namespace qdu::vm
