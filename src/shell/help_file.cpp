#include "shell/help_file.h"

namespace qdu {

std::string help_file_name(std::string_view model_name, bool japanese_japan) {
    std::string name;
    for (const char c : model_name) {
        const bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (safe) {
            name.push_back(c);
        }
    }
    return name + (japanese_japan ? "_Japanese.chm" : "_English.chm");
}

}  // namespace qdu
