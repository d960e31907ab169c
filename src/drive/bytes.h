// Big-endian fields of command blocks, parameter data and replies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace qdu {

inline std::uint16_t read_be16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>((b[at] << 8) | b[at + 1]);
}

inline std::uint32_t read_be24(std::span<const std::uint8_t> b, std::size_t at) {
    return (std::uint32_t{b[at]} << 16) | (std::uint32_t{b[at + 1]} << 8) | b[at + 2];
}

inline std::uint32_t read_be32(std::span<const std::uint8_t> b, std::size_t at) {
    return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
           (std::uint32_t{b[at + 2]} << 8) | b[at + 3];
}

inline void put_be16(std::span<std::uint8_t> b, std::size_t at, std::uint16_t value) {
    b[at] = static_cast<std::uint8_t>(value >> 8);
    b[at + 1] = static_cast<std::uint8_t>(value);
}

inline void put_be32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t value) {
    b[at] = static_cast<std::uint8_t>(value >> 24);
    b[at + 1] = static_cast<std::uint8_t>(value >> 16);
    b[at + 2] = static_cast<std::uint8_t>(value >> 8);
    b[at + 3] = static_cast<std::uint8_t>(value);
}

}  // namespace qdu
