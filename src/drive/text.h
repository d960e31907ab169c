// Drive texts: single-byte characters, shown as Latin-1 so that no drive can produce invalid
// UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace qdu {

std::string latin1_to_utf8(std::string_view bytes);

// The bytes from offset `first` up to the first zero byte, never beyond offset `last`.
std::string bytes_as_text(std::span<const std::uint8_t> buffer, std::size_t first,
                          std::size_t last);

// A message that quotes a file's bytes, kept to one printable line: every control character
// becomes `replacement`.
std::string one_line(std::string text, char replacement);

}  // namespace qdu
