#include "drive/trace.h"

#include <cstdio>

namespace qdu {

namespace {

const char* direction_word(DataDirection direction) {
    switch (direction) {
        case DataDirection::DataOut: return "out";
        case DataDirection::DataIn: return "in";
        case DataDirection::NoData: return "none";
    }
    return "none";
}

std::string status_word(std::uint8_t status) {
    switch (status) {
        case 0x02: return "CHECK CONDITION";
        case 0x04: return "CONDITION MET";
        case 0x08: return "BUSY";
        case 0x18: return "RESERVATION CONFLICT";
        case 0x28: return "TASK SET FULL";
        case 0x30: return "ACA ACTIVE";
        case 0x40: return "TASK ABORTED";
        default: {
            char text[16];
            std::snprintf(text, sizeof text, "STATUS %02X", status);
            return text;
        }
    }
}

}  // namespace

std::string hex_bytes(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
        if (i != 0) {
            text.push_back(' ');
        }
        text += hex;
    }
    return text;
}

std::string format_command_trace(const CommandTrace& trace) {
    std::string text = "> " + hex_bytes(trace.cdb) + "  " + direction_word(trace.direction) + " " +
                       std::to_string(trace.length) + "\n";
    if (trace.direction == DataDirection::DataOut && trace.length != 0) {
        std::size_t used = trace.data_out.size();
        while (used > 0 && trace.data_out[used - 1] == 0) {
            --used;
        }
        text += "  data";
        if (used != 0) {
            text += " " + hex_bytes(trace.data_out.first(used));
        }
        text += "\n";
    }
    const ScsiResult& result = trace.result;
    if (!result.delivered()) {
        return text + "< NOT DELIVERED " + result.detail + "\n";
    }
    if (result.scsi_status == kStatusGood) {
        return text + "< GOOD\n";
    }
    return text + "< " + status_word(result.scsi_status) + " " +
           sense_text(sense_code(result.sense)) + " status " + std::to_string(trace.status) + "\n";
}

std::string sense_text(const SenseCode& code) {
    char text[16];
    std::snprintf(text, sizeof text, "%X/%02X/%02X", unsigned{code.key}, unsigned{code.asc},
                  unsigned{code.ascq});
    return text;
}

std::string sense_words(const SenseCode& code) {
    struct Known {
        std::uint8_t asc;
        int ascq;  // -1: any
        const char* words;
    };
    static constexpr Known kKnown[] = {
        {0x20, 0x00, "the drive does not know the command"},
        {0x24, 0x00, "a field of the command is not valid"},
        {0x26, 0x00, "a value of the settings sent is not valid"},
        {0x2C, 0x00, "the command came out of sequence"},
        {0x3A, -1, "there is no disc"},
        {0x04, 0x01, "the drive is becoming ready"},
    };
    for (const Known& k : kKnown) {
        if (k.asc == code.asc && (k.ascq < 0 || k.ascq == code.ascq)) {
            return k.words;
        }
    }
    static constexpr const char* kKeys[16] = {
        "no sense",       "recovered error", "not ready",      "medium error",
        "hardware error", "illegal request", "unit attention", "data protect",
        "blank check",    "vendor specific", "copy aborted",   "aborted command",
        "equal",          "volume overflow", "miscompare",     "reserved"};
    return kKeys[code.key & 0x0F];
}

}  // namespace qdu
