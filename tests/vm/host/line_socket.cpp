#include "line_socket.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qdu::vm {

Fd listen_unix(const std::string& path, std::string& error) {
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) {
        error = "socket path too long: " + path;
        return {};
    }
    Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd) {
        error = std::string("socket: ") + std::strerror(errno);
        return {};
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    ::unlink(path.c_str());
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd.get(), 1) != 0) {
        error = "cannot listen on " + path + ": " + std::strerror(errno);
        return {};
    }
    return fd;
}

Fd accept_until(const Fd& listener, Clock::time_point deadline, std::string& error) {
    if (!wait_readable(listener.get(), deadline)) {
        error = "nobody connected in time";
        return {};
    }
    Fd fd(::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!fd) {
        error = std::string("accept: ") + std::strerror(errno);
    }
    return fd;
}

}  // namespace qdu::vm
