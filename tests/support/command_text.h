// Commands in a compact, exact form for comparing whole sequences:
//   "READ F4"              the settings block read
//   "ZERO"                 an all-zero function block
//   "FN 0C 00 01 01 00 00" a function block's bytes 0..6 (the rest must be zero)
//   "SPEED C3"             SET CD SPEED with its vendor byte
// Anything else appears as its command bytes in hex.
#pragma once

#include <string>
#include <vector>

#include "drive/trace.h"
#include "settings/setting_commands.h"
#include "simdrive/recorded_command.h"

namespace qdu::testing {

inline std::string command_text(const RecordedCommand& c) {
    if (c.cdb == read_settings_block_command() && c.direction == DataDirection::DataIn &&
        c.length == 256) {
        return "READ F4";
    }
    if (c.cdb == write_settings_block_command() && c.direction == DataDirection::DataOut &&
        c.length == 256 && c.data_out.size() == 256) {
        bool rest_zero = true;
        for (std::size_t i = 7; i < 256; ++i) {
            rest_zero = rest_zero && c.data_out[i] == 0;
        }
        const std::string head = hex_bytes(std::span(c.data_out).first(7));
        if (!rest_zero) {
            return "FN " + head + " +nonzero";
        }
        return head == "00 00 00 00 00 00 00" ? "ZERO" : "FN " + head;
    }
    if (c.direction == DataDirection::NoData && c.cdb == set_cd_speed_command(c.cdb[10])) {
        return "SPEED " + hex_bytes(std::span(c.cdb).subspan(10, 1));
    }
    return hex_bytes(c.cdb);
}

inline std::vector<std::string> command_texts(const std::vector<RecordedCommand>& commands) {
    std::vector<std::string> texts;
    for (const auto& c : commands) {
        texts.push_back(command_text(c));
    }
    return texts;
}

// Only the commands that change something.
inline std::vector<std::string> writes_only(const std::vector<std::string>& texts) {
    std::vector<std::string> writes;
    for (const auto& t : texts) {
        if (t != "READ F4") {
            writes.push_back(t);
        }
    }
    return writes;
}

}  // namespace qdu::testing
