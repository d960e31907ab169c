// Command traces as `qdu --trace` prints them.
#pragma once

#include <string>

#include "drive/transport.h"

namespace qdu {

// One attempt as text lines: the command, its data-out bytes (up to the last non-zero one)
// and the outcome. Every line ends in a newline.
std::string format_command_trace(const CommandTrace& trace);

std::string hex_bytes(std::span<const std::uint8_t> bytes);

// Sense key, ASC and ASCQ as "6/28/00".
std::string sense_text(const SenseCode& code);
// What a sense says, in a few words for users ("a field of the command is not valid").
std::string sense_words(const SenseCode& code);

}  // namespace qdu
