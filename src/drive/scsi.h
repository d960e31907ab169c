// Operation codes, sense keys and buffer IDs shared by the host side and the simulated drive.
#pragma once

#include <cstdint>

namespace qdu::scsi {

inline constexpr std::uint8_t kTestUnitReady = 0x00;
inline constexpr std::uint8_t kRequestSense = 0x03;
inline constexpr std::uint8_t kInquiry = 0x12;
inline constexpr std::uint8_t kStartStopUnit = 0x1B;
inline constexpr std::uint8_t kPreventAllowMediumRemoval = 0x1E;
inline constexpr std::uint8_t kWriteBuffer = 0x3B;
inline constexpr std::uint8_t kReadBuffer = 0x3C;
inline constexpr std::uint8_t kReadTocPmaAtip = 0x43;
inline constexpr std::uint8_t kGetConfiguration = 0x46;
inline constexpr std::uint8_t kReadDiscInformation = 0x51;
inline constexpr std::uint8_t kReadTrackInformation = 0x52;
inline constexpr std::uint8_t kReadDiscStructure = 0xAD;
inline constexpr std::uint8_t kSetCdSpeed = 0xBB;

// READ BUFFER and WRITE BUFFER modes.
inline constexpr std::uint8_t kVendorMode = 0x01;
inline constexpr std::uint8_t kDataMode = 0x02;

// The drive's vendor buffers.
inline constexpr std::uint8_t kIdentificationBuffer = 0xF1;
inline constexpr std::uint8_t kSettingsBuffer = 0xF4;
inline constexpr std::uint8_t kFunctionBuffer = 0xFA;
inline constexpr std::uint8_t kCountersBuffer = 0xF5;
inline constexpr std::uint8_t kRequestBuffer = 0xE1;
inline constexpr std::uint8_t kGeometryBuffer = 0xE0;
inline constexpr std::uint8_t kMeasurementBuffer = 0xE6;

inline constexpr std::uint8_t kSenseNotReady = 0x2;
inline constexpr std::uint8_t kSenseIllegalRequest = 0x5;
inline constexpr std::uint8_t kSenseUnitAttention = 0x6;

}  // namespace qdu::scsi
