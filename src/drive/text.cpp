#include "drive/text.h"

namespace qdu {

std::string latin1_to_utf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text.push_back(c);
        } else {
            text.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            text.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return text;
}

std::string bytes_as_text(std::span<const std::uint8_t> buffer, std::size_t first,
                          std::size_t last) {
    std::string raw;
    for (std::size_t i = first; i <= last && i < buffer.size() && buffer[i] != 0; ++i) {
        raw.push_back(static_cast<char>(buffer[i]));
    }
    return latin1_to_utf8(raw);
}

std::string one_line(std::string text, char replacement) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = replacement;
        }
    }
    return text;
}

}  // namespace qdu
