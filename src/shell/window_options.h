// The window's command line: its documented options, and nothing it does not know stops it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qdu {

struct WindowOptions {
    bool simulate = false;
    std::string scenario = "default";
    std::string state_file;
    int tab = 0;
    bool start_check = false;
    bool quick_check = false;
    bool close_check_when_done = false;
    std::string history_file;  // empty: $QDU_HISTORY or the user's data folder
    bool open_history = false;
};

extern const char* const kWindowUsage;

struct WindowOptionsParse {
    std::optional<int> exit_code;  // set when the program should stop here
    std::string out;               // for standard output (the usage, on --help)
    std::string err;               // warnings and errors for standard error
};

// `args` without the program name, after Qt took its own options.
WindowOptionsParse parse_window_options(const std::vector<std::string>& args,
                                        WindowOptions& options);

}  // namespace qdu
