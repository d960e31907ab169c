// The one command transport to the current drive.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "drive/passthrough.h"

namespace qdu {

// Stored in DriveDevice::last_status when a command fails. The numbers are an interface:
// callers compare against them. 3 and 4 are never produced.
enum CommandStatus : std::int32_t {
    NoSense = 0,
    CommandError = 1,
    BecomingReady = 2,
    InitializationRequired = 5,
    LongWriteInProgress = 6,
    MediumNotPresent = 7,
    CommunicationTimeout = 8,
    SelfConfigurationFailed = 9,
    MediumMayHaveChanged = 10,
    ResetOccurred = 11,
    // The request never reached a drive: nothing open, the system call failed, the device
    // vanished or the adapter gave up.
    DeviceUnavailable = 12,
    // The caller's buffer cannot hold the transfer; nothing was sent.
    BufferTooSmall = 13,
};

const char* command_status_name(std::int32_t status);

// Sense key, ASC and ASCQ of fixed-format sense data.
struct SenseCode {
    std::uint8_t key = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
};
SenseCode sense_code(const SenseData& sense);
std::int32_t classify_sense(const SenseData& sense);

struct DriveDevice {
    char letter = 0;
    std::unique_ptr<PassThroughDevice> handle;
    std::unique_ptr<MediaNotificationHold> notify_handle;
    std::int32_t last_status = NoSense;

    // What the last open_drive found out, for messages to the user.
    OpenError open_error = OpenError::None;
    int open_os_error = 0;
    std::string node;
    std::string open_message;
    // Why the last undelivered request did not reach the drive, and how many did not since
    // the drive was opened.
    ScsiResult last_undelivered;
    long undelivered_since_open = 0;
    // Commands that would change the drive (no data in) and that it answered with a failure
    // since it was opened, and the last one's sense: so that a caller who ignores a setter's
    // result can still tell the user the drive refused.
    long changes_refused_since_open = 0;
    SenseData last_refusal{};
};

DriveDevice& drive_device();

inline constexpr std::size_t kCommandBufferSize = 4096;

struct CommandBuffers {
    std::array<std::uint8_t, kCommandBufferSize> data_in{};
    std::array<std::uint8_t, kCommandBufferSize> data_out{};
};

CommandBuffers& command_buffers();

// A unit attention is reported once and then cleared, so a working drive answers the repeat
// differently; this bound only stops a drive that never does.
inline constexpr int kMaxUnitAttentionAttempts = 16;

// Sends one command to the current drive. True when the drive completed it with GOOD; false
// otherwise, with the reason in last_status. `buffer` must hold at least `length` bytes.
bool send_command(const CommandBlock& cdb, DataDirection direction,
                  std::span<std::uint8_t> buffer = {}, std::uint32_t length = 0);

bool open_drive(char letter);
bool suppress_media_notification();
void restore_media_notification();

// Every attempt, as it is sent and answered (including refused ones and repeats).
struct CommandTrace {
    const CommandBlock& cdb;
    DataDirection direction;
    std::uint32_t length;
    std::span<const std::uint8_t> data_out;  // empty unless direction is DataOut
    const ScsiResult& result;
    std::int32_t status;  // CommandStatus of a failure; unused on GOOD
};
using CommandObserver = std::function<void(const CommandTrace&)>;
void set_command_observer(CommandObserver observer);

// Closes the current drive and returns every process-wide drive record to its first state.
// The installed device provider stays.
void reset_drive_access();

}  // namespace qdu
