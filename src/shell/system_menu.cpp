#include "shell/system_menu.h"

#include "strings/strings.h"

namespace qdu {

std::vector<SystemMenuItem> system_menu_items() {
    const std::string about(text(101));
    if (about.empty()) {
        return {};
    }
    return {{0, {}}, {kHelpCommand, std::string(text(236))}, {kAboutCommand, about}};
}

SystemCommand system_command(std::uintptr_t command) {
    switch (command & ~std::uintptr_t{0xF}) {
        case kAboutCommand: return SystemCommand::About;
        case kHelpCommand: return SystemCommand::Help;
        default: return SystemCommand::Default;
    }
}

}  // namespace qdu
