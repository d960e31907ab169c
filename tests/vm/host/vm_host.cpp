// The host side of the virtual-machine tests. Starts QEMU with its monitor and a serial line
// connected to us, then serves the guest's requests on that line: tray and medium changes
// through the monitor, disc sizes, and the scenario results, printed one line each.
//
//   qdu_vm_host --label NAME --device ID --disc NAME=ISO... --summary FILE [--timeout S]
//               --qmp SOCKET --channel SOCKET -- qemu-system-x86_64 ARGS...
//
// The QEMU arguments must connect to both sockets as a client (-qmp unix:SOCKET and a serial
// chardev on unix:SOCKET). Exit status 0 when every planned scenario passed.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "line_socket.h"
#include "qmp.h"

namespace qdu::vm {
namespace {

struct Options {
    std::string label;
    std::string device = "cd0";
    std::map<std::string, std::string> discs;
    std::string summary;
    std::string qmp_path;
    std::string channel_path;
    int timeout_seconds = 300;
    std::vector<std::string> qemu;
};

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            options.qemu.assign(argv + i + 1, argv + argc);
            break;
        }
        if (i + 1 >= argc) {
            std::cerr << "qdu_vm_host: " << arg << " needs a value\n";
            return false;
        }
        const std::string value = argv[++i];
        if (arg == "--label") {
            options.label = value;
        } else if (arg == "--device") {
            options.device = value;
        } else if (arg == "--disc") {
            const auto eq = value.find('=');
            if (eq == std::string::npos) {
                std::cerr << "qdu_vm_host: --disc takes NAME=FILE\n";
                return false;
            }
            options.discs[value.substr(0, eq)] = value.substr(eq + 1);
        } else if (arg == "--summary") {
            options.summary = value;
        } else if (arg == "--qmp") {
            options.qmp_path = value;
        } else if (arg == "--channel") {
            options.channel_path = value;
        } else if (arg == "--timeout") {
            options.timeout_seconds = std::stoi(value);
        } else {
            std::cerr << "qdu_vm_host: unknown option " << arg << "\n";
            return false;
        }
    }
    if (options.qemu.empty() || options.qmp_path.empty() || options.channel_path.empty()) {
        std::cerr << "qdu_vm_host: --qmp, --channel and a QEMU command after -- are required\n";
        return false;
    }
    return true;
}

pid_t spawn(const std::vector<std::string>& command) {
    std::vector<char*> args;
    args.reserve(command.size() + 1);
    for (const auto& a : command) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execvp(args[0], args.data());
        std::perror(args[0]);
        ::_exit(127);
    }
    return pid;
}

// Waits for QEMU to end by itself (the guest powers off), then stops it.
int reap(pid_t pid, std::chrono::seconds grace) {
    const auto deadline = Clock::now() + grace;
    int status = 0;
    while (Clock::now() < deadline) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return status;
}

std::string word_after(const std::string& line, std::size_t skip) {
    std::istringstream in(line);
    std::string word;
    for (std::size_t i = 0; i <= skip; ++i) {
        in >> word;
    }
    return word;
}

class Session {
public:
    Session(const Options& options, QmpClient& qmp, LineStream& guest)
        : options_(options), qmp_(qmp), guest_(guest) {}

    // Serves the guest until it says DONE; false when it stopped answering first.
    bool serve(Clock::time_point deadline) {
        for (;;) {
            const auto line = guest_.read_line(deadline);
            if (!line) {
                problem_ = guest_.closed() ? "the guest's line closed" : "the guest went quiet";
                return false;
            }
            if (*line == "DONE") {
                guest_.write_line("OK");
                return true;
            }
            guest_.write_line(answer(*line));
        }
    }

    int passed() const { return passed_; }
    int failed() const { return failed_; }
    const std::string& problem() const { return problem_; }

    // Scenarios the guest planned but never reported count as failures.
    void fail_unreported(const std::string& why) {
        for (const auto& name : planned_) {
            if (reported_.count(name) == 0) {
                print(false, name, "not reported: " + why);
            }
        }
        if (planned_.empty()) {
            print(false, "boot", why);
        }
    }

private:
    std::string answer(const std::string& line) {
        const std::string verb = word_after(line, 0);
        if (verb == "HELLO") {
            return "OK";
        }
        if (verb == "PLAN") {
            std::istringstream in(line.substr(4));
            for (std::string name; in >> name;) {
                planned_.push_back(name);
            }
            return "OK";
        }
        if (verb == "RESULT") {
            const std::string verdict = word_after(line, 1);
            const std::string name = word_after(line, 2);
            const auto at = line.find(name, line.find(verdict) + verdict.size());
            std::string detail = line.substr(at + name.size());
            if (!detail.empty() && detail.front() == ' ') {
                detail.erase(0, 1);
            }
            reported_.insert(name);
            print(verdict == "PASS", name, detail);
            return "OK";
        }
        if (verb == "LOG") {
            std::cout << "        " << options_.label << " | " << line.substr(4) << std::endl;
            return "OK";
        }
        if (verb == "TRAY") {
            const QmpReply reply = qmp_.execute("query-block");
            if (!reply.ok) {
                return "ERR " + reply.error;
            }
            const TrayState state = tray_state(reply.value, options_.device);
            if (!state.found) {
                return "ERR no drive " + options_.device + " in query-block";
            }
            return std::string("OK open=") + (state.tray_open ? "1" : "0") +
                   " locked=" + (state.locked ? "1" : "0") +
                   " inserted=" + (state.inserted ? "1" : "0");
        }
        if (verb == "EJECT") {
            return reply_of(qmp_.execute("eject", {{"id", options_.device}}));
        }
        if (verb == "OPEN-TRAY") {
            return reply_of(qmp_.execute("blockdev-open-tray", {{"id", options_.device}}));
        }
        if (verb == "CLOSE-TRAY") {
            return reply_of(qmp_.execute("blockdev-close-tray", {{"id", options_.device}}));
        }
        if (verb == "CHANGE" || verb == "SECTORS") {
            const auto disc = options_.discs.find(word_after(line, 1));
            if (disc == options_.discs.end()) {
                return "ERR unknown disc " + word_after(line, 1);
            }
            if (verb == "SECTORS") {
                struct stat st {};
                if (::stat(disc->second.c_str(), &st) != 0) {
                    return "ERR cannot stat " + disc->second;
                }
                return "OK " + std::to_string(st.st_size / 2048);
            }
            return reply_of(
                qmp_.execute("blockdev-change-medium", {{"id", options_.device},
                                                        {"filename", disc->second},
                                                        {"format", "raw"},
                                                        {"read-only-mode", "read-only"}}));
        }
        return "ERR unknown request " + verb;
    }

    static std::string reply_of(const QmpReply& reply) {
        return reply.ok ? "OK" : "ERR " + reply.error;
    }

    void print(bool pass, const std::string& name, const std::string& detail) {
        (pass ? passed_ : failed_) += 1;
        std::cout << (pass ? "  ok    " : "  FAIL  ") << options_.label << "/" << name
                  << (detail.empty() ? "" : ": " + detail) << std::endl;
    }

    const Options& options_;
    QmpClient& qmp_;
    LineStream& guest_;
    std::vector<std::string> planned_;
    std::set<std::string> reported_;
    int passed_ = 0;
    int failed_ = 0;
    std::string problem_;
};

int run(const Options& options) {
    std::string error;
    Fd qmp_listener = listen_unix(options.qmp_path, error);
    Fd channel_listener = qmp_listener ? listen_unix(options.channel_path, error) : Fd();
    if (!channel_listener) {
        std::cerr << "qdu_vm_host: " << error << "\n";
        return 2;
    }
    const pid_t qemu = spawn(options.qemu);
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::seconds(options.timeout_seconds);

    int passed = 0;
    int failed = 0;
    Fd qmp_fd = accept_until(qmp_listener, start + std::chrono::seconds(30), error);
    Fd guest_fd =
        qmp_fd ? accept_until(channel_listener, start + std::chrono::seconds(30), error) : Fd();
    if (!guest_fd) {
        std::cout << "  FAIL  " << options.label << "/boot: QEMU did not connect: " << error
                  << std::endl;
        failed = 1;
    } else {
        QmpClient qmp(std::move(qmp_fd));
        LineStream guest(std::move(guest_fd));
        Session session(options, qmp, guest);
        if (!qmp.start(start + std::chrono::seconds(30), error)) {
            session.fail_unreported(error);
        } else if (!session.serve(deadline)) {
            session.fail_unreported(session.problem());
        }
        passed = session.passed();
        failed = session.failed();
    }
    reap(qemu, std::chrono::seconds(20));

    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count();
    std::cout << "        " << options.label << ": " << passed << " passed, " << failed
              << " failed in " << seconds << " s" << std::endl;
    if (!options.summary.empty()) {
        std::ofstream(options.summary, std::ios::app) << passed << " " << failed << "\n";
    }
    return failed == 0 && passed > 0 ? 0 : 1;
}

}  // namespace
}  // namespace qdu::vm

int main(int argc, char** argv) {
    // A guest or QEMU that goes away shows as a failed write, not as a signal.
    ::signal(SIGPIPE, SIG_IGN);
    qdu::vm::Options options;
    if (!qdu::vm::parse(argc, argv, options)) {
        return 2;
    }
    return qdu::vm::run(options);
}
