// Big-endian fields in the replies the simulated drive builds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qdu {

inline void put_be16(std::vector<std::uint8_t>& data, std::size_t at, std::uint16_t value) {
    data[at] = static_cast<std::uint8_t>(value >> 8);
    data[at + 1] = static_cast<std::uint8_t>(value);
}

inline void put_be32(std::vector<std::uint8_t>& data, std::size_t at, std::uint32_t value) {
    data[at] = static_cast<std::uint8_t>(value >> 24);
    data[at + 1] = static_cast<std::uint8_t>(value >> 16);
    data[at + 2] = static_cast<std::uint8_t>(value >> 8);
    data[at + 3] = static_cast<std::uint8_t>(value);
}

}  // namespace qdu
