// Another process of this test program, running one test in a role of its own: what fork()
// gives on POSIX, on every system (Windows has no fork).
#pragma once

#include <string>

namespace qdu::testing {

// The role this process was started in (--test-child=ROLE), empty when ctest started it.
const std::string& child_role();
// Called by main before GoogleTest sees the arguments.
void take_child_role(int& argc, char** argv);

class ChildProcess {
public:
    // Starts this program again with only TEST ("Suite.Name") and ROLE.
    ChildProcess(const std::string& test, const std::string& role);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ChildProcess(ChildProcess&& other) noexcept;

    // The exit code, or -1 when it could not be started or did not end normally.
    int wait();

private:
    long long handle_ = -1;
};

}  // namespace qdu::testing
