#include "accounts.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "line_stream.h"

namespace qdu::vm {

namespace {

void drop_to(const Account& account) {
    if (::setgroups(account.groups.size(), account.groups.data()) != 0 ||
        ::setgid(account.gid) != 0 || ::setuid(account.uid) != 0) {
        throw std::runtime_error(std::string("cannot become the user: ") + std::strerror(errno));
    }
    if (::geteuid() != account.uid || ::setuid(0) == 0) {
        throw std::runtime_error("still privileged after dropping to the user");
    }
}

}  // namespace

void run_as(const Account& account, Check& check, const std::function<void(Check&)>& body) {
    int pipe_fds[2];
    if (::pipe(pipe_fds) != 0) {
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    if (pid == 0) {
        ::close(pipe_fds[0]);
        Check mine;
        try {
            drop_to(account);
            reset_drive_access();
            install_device_provider(make_system_device_provider());
            body(mine);
        } catch (const std::exception& e) {
            mine.expect(false, std::string("stopped: ") + e.what());
        }
        write_all(pipe_fds[1], mine.serialize());
        ::_exit(0);
    }
    ::close(pipe_fds[1]);
    std::string text;
    char chunk[1024];
    for (;;) {
        const ssize_t n = ::read(pipe_fds[0], chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        text.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(pipe_fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    check.merge(text);
    check.expect(WIFEXITED(status) && WEXITSTATUS(status) == 0,
                 "the user's process ended abnormally (status " + std::to_string(status) + ")");
}

void set_node_access(const std::string& path, uid_t owner, gid_t group, mode_t mode) {
    if (::chown(path.c_str(), owner, group) != 0 || ::chmod(path.c_str(), mode) != 0) {
        throw std::runtime_error("cannot set the access of " + path + ": " + std::strerror(errno));
    }
}

}  // namespace qdu::vm
