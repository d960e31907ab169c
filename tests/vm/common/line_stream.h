// Line-at-a-time I/O over any descriptor (a socket on the host, a serial port in the guest):
// newline-terminated lines, never blocking past a deadline.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace qdu::vm {

using Clock = std::chrono::steady_clock;

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    Fd& operator=(Fd&& other) noexcept;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd();

    int get() const { return fd_; }
    int release();
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Waits until fd is readable; false when the deadline passed first.
bool wait_readable(int fd, Clock::time_point deadline);

// Writes all of `data`; false when the descriptor will take no more.
bool write_all(int fd, std::string_view data);

class LineStream {
public:
    explicit LineStream(Fd fd) : fd_(std::move(fd)) {}

    // The next line without its newline; nullopt when the peer closed or the deadline passed
    // (closed() tells which).
    std::optional<std::string> read_line(Clock::time_point deadline);
    bool write_line(const std::string& line) { return write_all(fd_.get(), line + "\n"); }
    bool closed() const { return closed_; }
    int fd() const { return fd_.get(); }

private:
    Fd fd_;
    std::string pending_;
    bool closed_ = false;
};

}  // namespace qdu::vm
