// A folder of the fuzz target's own for the files it writes each run, in memory where there is
// such a folder; removed when the target ends.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace qdu::fuzzing {

inline const std::string& scratch_folder(const char* name) {
    struct Folder {
        std::string path;
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const Folder made{[name] {
        std::string in_memory = std::string("/dev/shm/") + name + "-XXXXXX";
        std::string fallback = std::string("/tmp/") + name + "-XXXXXX";
        if (::mkdtemp(in_memory.data()) != nullptr) {
            return in_memory;
        }
        if (::mkdtemp(fallback.data()) == nullptr) {
            __builtin_trap();
        }
        return fallback;
    }()};
    return made.path;
}

}  // namespace qdu::fuzzing
