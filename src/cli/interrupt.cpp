#include "cli/interrupt.h"

#include <csignal>

namespace qdu::cli {

namespace {

std::atomic<bool> g_interrupted{false};
struct sigaction g_previous {};

extern "C" void on_interrupt(int) {
    g_interrupted = true;
}

}  // namespace

InterruptGuard::InterruptGuard() {
    g_interrupted = false;
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &g_previous);
}

InterruptGuard::~InterruptGuard() {
    sigaction(SIGINT, &g_previous, nullptr);
}

bool InterruptGuard::interrupted() {
    return g_interrupted;
}

}  // namespace qdu::cli
