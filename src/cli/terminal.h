// Text from a drive never reaches the terminal as control characters.
#pragma once

#include <string>
#include <string_view>

namespace qdu::cli {

// Replaces C0 and C1 control characters and DEL in UTF-8 text with \xNN.
std::string terminal_safe(std::string_view text);

// Without the blanks some table texts begin or end with.
std::string without_blanks(std::string_view text);

}  // namespace qdu::cli
