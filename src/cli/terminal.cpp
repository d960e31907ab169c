#include "cli/terminal.h"

#include <cstdio>

namespace qdu::cli {

namespace {

std::string escaped(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02X", value);
    return text;
}

}  // namespace

std::string terminal_safe(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            out += escaped(c);
        } else if (c == 0xC2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            out += escaped(static_cast<unsigned char>(text[i + 1]));  // C1 control
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string without_blanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    return first == std::string_view::npos ? std::string()
                                           : std::string(text.substr(first, last - first + 1));
}

}  // namespace qdu::cli
