#include "cli/interrupt.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <csignal>

namespace qdu::cli {

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void on_interrupt(int) {
    g_interrupted = true;
}

#ifdef _WIN32
// Ctrl-C and Ctrl-Break become a request; closing the console still ends the program.
BOOL WINAPI on_console_event(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        g_interrupted = true;
        return TRUE;
    }
    return FALSE;
}

// A SIGINT raised inside the process is the same request; the C runtime delivers it by itself.
using Handler = void (*)(int);
Handler g_previous = SIG_DFL;
#else
struct sigaction g_previous {};
#endif

}  // namespace

InterruptGuard::InterruptGuard() {
    g_interrupted = false;
#ifdef _WIN32
    ::SetConsoleCtrlHandler(on_console_event, TRUE);
    g_previous = std::signal(SIGINT, on_interrupt);
#else
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &g_previous);
#endif
}

InterruptGuard::~InterruptGuard() {
#ifdef _WIN32
    std::signal(SIGINT, g_previous == SIG_ERR ? SIG_DFL : g_previous);
    ::SetConsoleCtrlHandler(on_console_event, FALSE);
#else
    sigaction(SIGINT, &g_previous, nullptr);
#endif
}

bool InterruptGuard::interrupted() {
    return g_interrupted;
}

}  // namespace qdu::cli
