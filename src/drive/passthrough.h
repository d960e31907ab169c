// The pass-through layer: one request to one device, and what came back.
//
// A result keeps apart what the operating system said (os_error), what the host adapter said
// (host_status, driver_status) and what the drive said (scsi_status and sense). Only a request
// that reached the drive and completed carries a drive answer; a CHECK CONDITION is a delivered
// answer, a failed ioctl is not.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace qdu {

using CommandBlock = std::array<std::uint8_t, 12>;
using SenseData = std::array<std::uint8_t, 18>;

enum class DataDirection : int { DataOut = 0, DataIn = 1, NoData = 2 };

inline constexpr std::uint32_t kCommandTimeoutSeconds = 360;

inline constexpr std::uint8_t kStatusGood = 0x00;
inline constexpr std::uint8_t kStatusCheckCondition = 0x02;

struct ScsiRequest {
    CommandBlock cdb{};
    DataDirection direction = DataDirection::NoData;
    // Exactly the bytes that move: its size is the transfer length.
    std::span<std::uint8_t> data;
    std::uint32_t timeout_seconds = kCommandTimeoutSeconds;
};

enum class Delivery {
    Completed,   // the drive answered; scsi_status and sense are its answer
    OsError,     // the system call failed; os_error holds errno (or the Windows error)
    HostError,   // the adapter or driver gave up (timeout, device gone); see host_status
    DeviceGone,  // the device node no longer answers (unplugged)
};

struct ScsiResult {
    Delivery delivery = Delivery::Completed;
    int os_error = 0;
    int host_status = 0;
    int driver_status = 0;
    std::string detail;  // words for a failed delivery, for traces and messages
    std::uint8_t scsi_status = kStatusGood;
    SenseData sense{};              // fixed format, as the drive sent it or converted to it
    std::uint32_t transferred = 0;  // data bytes that moved, when known

    bool delivered() const { return delivery == Delivery::Completed; }
    bool good() const { return delivered() && scsi_status == kStatusGood; }
};

// One open device. Implementations must leave the request's data untouched for data-in
// requests unless the command completed with status GOOD.
class PassThroughDevice {
public:
    virtual ~PassThroughDevice() = default;
    virtual ScsiResult execute(const ScsiRequest& request) = 0;
};

// Held while the system's media-change notification is off for a drive; dropping it turns
// notification back on.
class MediaNotificationHold {
public:
    virtual ~MediaNotificationHold() = default;
};

enum class OpenError {
    None,
    NotPresent,        // no device behind the letter
    PermissionDenied,  // the device exists but we may not open it
    Busy,              // in exclusive use by another program
    Other,
};

struct OpenResult {
    std::unique_ptr<PassThroughDevice> device;
    OpenError error = OpenError::None;
    int os_error = 0;
    std::string node;     // what commands go through ("/dev/sg1", "simulated")
    std::string message;  // why it failed, or a caveat when it opened with limits
};

// Everything a device node behind a letter can tell before any command is sent.
struct DeviceDescription {
    bool exists = false;
    std::string path;  // the name users know it by ("/dev/sr0", "simulated")
};

// Maps drive letters to devices. The OS provider is the default; tests and --simulate
// install others.
class DeviceProvider {
public:
    virtual ~DeviceProvider() = default;
    virtual OpenResult open(char letter) = 0;
    virtual DeviceDescription describe(char letter) = 0;
    // Null when the notification could not be switched off.
    virtual std::unique_ptr<MediaNotificationHold> suppress_media_notification(char letter) = 0;
};

// The provider used by open_drive; created on first use as the operating system's one.
DeviceProvider& device_provider();
void install_device_provider(std::shared_ptr<DeviceProvider> provider);
std::shared_ptr<DeviceProvider> make_system_device_provider();

// Reads sense in either format into fixed format (key in byte 2, ASC 12, ASCQ 13).
SenseData normalize_sense(std::span<const std::uint8_t> raw);

}  // namespace qdu
