// The constant table of media kinds the audio CD check looks up, and the looked-up entry.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace qdu {

struct MediaTypeEntry {
    std::uint32_t type_code;
    std::uint32_t family_code;
    std::string_view name;
    std::optional<std::string_view> capacity;  // the last row has none
};

extern const std::array<MediaTypeEntry, 32> MediaTypeTable;

struct CurrentMediumRecord {
    const MediaTypeEntry* entry = &MediaTypeTable[0];
    std::uint32_t media_class = 0;
};

// Created on first use with row 0 (CD-ROM) and class 0.
CurrentMediumRecord& CurrentMedium();

// Selects the first row with this type code; a code in no row changes nothing.
void find_media_type(std::uint32_t type_code);
std::uint32_t media_class(std::uint32_t type_code);

}  // namespace qdu
