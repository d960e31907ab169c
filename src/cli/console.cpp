#include "cli/console.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <initializer_list>
#else
#include <unistd.h>
#endif

namespace qdu::cli {

#ifdef _WIN32

bool is_terminal(Stream stream) {
    FILE* file = stream == Stream::In ? stdin : stream == Stream::Out ? stdout : stderr;
    return ::_isatty(::_fileno(file)) != 0;
}

bool prepare_console() {
    ::SetConsoleOutputCP(CP_UTF8);
    bool colours = true;
    for (const DWORD id : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        HANDLE handle = ::GetStdHandle(id);
        DWORD mode = 0;
        if (handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode)) {
            colours =
                ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) && colours;
        }
    }
    return colours;
}

#else

bool is_terminal(Stream stream) {
    const int fd = stream == Stream::In    ? STDIN_FILENO
                   : stream == Stream::Out ? STDOUT_FILENO
                                           : STDERR_FILENO;
    return ::isatty(fd) != 0;
}

bool prepare_console() {
    return true;
}

#endif

}  // namespace qdu::cli
