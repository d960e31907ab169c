// Unix-socket plumbing for the host side: listening, accepting with a deadline, and reading
// newline-terminated lines without ever blocking past the deadline.
#pragma once

#include <chrono>
#include <optional>
#include <string>

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

// Binds a listening socket at path (an old socket file there is removed first).
Fd listen_unix(const std::string& path, std::string& error);

// Waits for one connection until the deadline; an empty Fd on timeout or error.
Fd accept_until(const Fd& listener, Clock::time_point deadline, std::string& error);

class LineSocket {
public:
    explicit LineSocket(Fd fd) : fd_(std::move(fd)) {}

    // The next line without its newline; nullopt when the peer closed or the deadline passed
    // (closed() tells which).
    std::optional<std::string> read_line(Clock::time_point deadline);
    bool write_line(const std::string& line);
    bool closed() const { return closed_; }

private:
    Fd fd_;
    std::string pending_;
    bool closed_ = false;
};

}  // namespace qdu::vm
