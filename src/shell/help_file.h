// The help file's name: the drive's model name and the user's language.
#pragma once

#include <string>
#include <string_view>

namespace qdu {

// The model name comes from the drive, so only letters, digits, '-' and '_' of it are kept:
// a drive cannot make the program open a path or an address of its choosing.
std::string help_file_name(std::string_view model_name, bool japanese_japan);

}  // namespace qdu
