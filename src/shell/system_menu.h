// The two items the window adds to its system menu, and what a system-menu command means.
// Kept apart from Qt and Win32 so that the rules hold, and are tested, everywhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qdu {

constexpr unsigned kHelpCommand = 32;
constexpr unsigned kAboutCommand = 16;

struct SystemMenuItem {
    unsigned command = 0;  // 0: a separator
    std::string text;
};

// A separator, HELP and the version item, in the user-interface language; nothing at all when
// the version item's text is empty.
std::vector<SystemMenuItem> system_menu_items();

enum class SystemCommand { About, Help, Default };
// By the command identifier with its four low bits cleared, which the system uses itself.
SystemCommand system_command(std::uintptr_t command);

}  // namespace qdu
