// Ctrl-C as a request the program answers, rather than the end of the process.
#pragma once

#include <atomic>

namespace qdu::cli {

// While one exists, Ctrl-C sets interrupted() instead of ending the program.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    static bool interrupted();
};

}  // namespace qdu::cli
