#include "drive/transport.h"

#include <utility>

namespace qdu {

namespace {

std::shared_ptr<DeviceProvider>& provider_slot() {
    static std::shared_ptr<DeviceProvider> provider;
    return provider;
}

CommandObserver& observer_slot() {
    static CommandObserver observer;
    return observer;
}

void notify(const CommandBlock& cdb, DataDirection direction, std::uint32_t length,
            std::span<const std::uint8_t> data, const ScsiResult& result, std::int32_t status) {
    const auto& observer = observer_slot();
    if (!observer) {
        return;
    }
    const auto out = direction == DataDirection::DataOut ? data : std::span<const std::uint8_t>{};
    observer(CommandTrace{cdb, direction, length, out, result, status});
}

bool is_unit_attention(std::int32_t status) {
    return status == MediumMayHaveChanged || status == ResetOccurred;
}

}  // namespace

DeviceProvider& device_provider() {
    auto& provider = provider_slot();
    if (!provider) {
        provider = make_system_device_provider();
    }
    return *provider;
}

void install_device_provider(std::shared_ptr<DeviceProvider> provider) {
    provider_slot() = std::move(provider);
}

const char* command_status_name(std::int32_t status) {
    switch (status) {
        case NoSense: return "NoSense";
        case CommandError: return "CommandError";
        case BecomingReady: return "BecomingReady";
        case InitializationRequired: return "InitializationRequired";
        case LongWriteInProgress: return "LongWriteInProgress";
        case MediumNotPresent: return "MediumNotPresent";
        case CommunicationTimeout: return "CommunicationTimeout";
        case SelfConfigurationFailed: return "SelfConfigurationFailed";
        case MediumMayHaveChanged: return "MediumMayHaveChanged";
        case ResetOccurred: return "ResetOccurred";
        case DeviceUnavailable: return "DeviceUnavailable";
        case BufferTooSmall: return "BufferTooSmall";
        default: return "Unknown";
    }
}

SenseCode sense_code(const SenseData& sense) {
    return SenseCode{static_cast<std::uint8_t>(sense[2] & 0x0F), sense[12], sense[13]};
}

std::int32_t classify_sense(const SenseData& sense) {
    const SenseCode c = sense_code(sense);
    if (c.key == 0 && c.asc == 0 && c.ascq == 0) {
        return NoSense;
    }
    if (c.key == 0x2 && c.asc == 0x04) {
        switch (c.ascq) {
            case 0x01: return BecomingReady;
            case 0x02: return InitializationRequired;
            case 0x08: return LongWriteInProgress;
            default: return CommandError;
        }
    }
    if (c.key == 0x2 && c.asc == 0x3A && c.ascq <= 0x02) {
        return MediumNotPresent;
    }
    if (c.key == 0x4 && c.asc == 0x08 && c.ascq == 0x01) {
        return CommunicationTimeout;
    }
    if (c.key == 0x4 && c.asc == 0x4C && c.ascq == 0x00) {
        return SelfConfigurationFailed;
    }
    if (c.key == 0x6 && c.asc == 0x28 && c.ascq == 0x00) {
        return MediumMayHaveChanged;
    }
    if (c.key == 0x6 && c.asc == 0x29 && c.ascq == 0x00) {
        return ResetOccurred;
    }
    return CommandError;
}

DriveDevice& drive_device() {
    static DriveDevice device;
    return device;
}

CommandBuffers& command_buffers() {
    static CommandBuffers buffers;
    return buffers;
}

bool send_command(const CommandBlock& cdb, DataDirection direction, std::span<std::uint8_t> buffer,
                  std::uint32_t length) {
    DriveDevice& device = drive_device();
    const std::uint32_t moved = direction == DataDirection::NoData ? 0 : length;
    const std::span<const std::uint8_t> shown =
        buffer.size() >= moved ? std::span<const std::uint8_t>(buffer.first(moved))
                               : std::span<const std::uint8_t>{};

    auto refuse = [&](Delivery delivery, std::string detail, std::int32_t status) {
        ScsiResult result;
        result.delivery = delivery;
        result.detail = std::move(detail);
        device.last_undelivered = result;
        device.last_status = status;
        notify(cdb, direction, moved, shown, result, status);
        return false;
    };

    if (direction == DataDirection::NoData && length != 0) {
        return refuse(Delivery::OsError, "a command without data phase was given a length",
                      BufferTooSmall);
    }
    if (buffer.size() < moved) {
        return refuse(Delivery::OsError,
                      "buffer of " + std::to_string(buffer.size()) +
                          " bytes is shorter than the transfer length " + std::to_string(moved),
                      BufferTooSmall);
    }
    if (!device.handle) {
        return refuse(Delivery::OsError, "no drive is open", DeviceUnavailable);
    }

    ScsiRequest request;
    request.cdb = cdb;
    request.direction = direction;
    request.data = buffer.first(moved);
    request.timeout_seconds = kCommandTimeoutSeconds;

    for (int attempt = 1;; ++attempt) {
        const ScsiResult result = device.handle->execute(request);
        if (!result.delivered()) {
            device.last_undelivered = result;
            ++device.undelivered_since_open;
            device.last_status = DeviceUnavailable;
            notify(cdb, direction, moved, shown, result, DeviceUnavailable);
            return false;
        }
        if (result.scsi_status == kStatusGood) {
            notify(cdb, direction, moved, shown, result, device.last_status);
            return true;
        }
        const std::int32_t status = classify_sense(result.sense);
        device.last_status = status;
        notify(cdb, direction, moved, shown, result, status);
        if (!is_unit_attention(status) || attempt >= kMaxUnitAttentionAttempts) {
            if (direction != DataDirection::DataIn) {
                ++device.changes_refused_since_open;
                device.last_refusal = result.sense;
            }
            return false;
        }
    }
}

bool open_drive(char letter) {
    DriveDevice& device = drive_device();
    device.handle.reset();
    device.letter = letter;
    device.open_error = OpenError::None;
    device.open_os_error = 0;
    device.node.clear();
    device.open_message.clear();
    device.undelivered_since_open = 0;
    device.changes_refused_since_open = 0;
    if (letter == 0) {
        return false;
    }
    OpenResult opened = device_provider().open(letter);
    device.open_error = opened.error;
    device.open_os_error = opened.os_error;
    device.node = std::move(opened.node);
    device.open_message = std::move(opened.message);
    device.handle = std::move(opened.device);
    return device.handle != nullptr;
}

bool suppress_media_notification() {
    DriveDevice& device = drive_device();
    device.notify_handle.reset();
    if (device.letter == 0) {
        return false;
    }
    device.notify_handle = device_provider().suppress_media_notification(device.letter);
    return device.notify_handle != nullptr;
}

void restore_media_notification() {
    drive_device().notify_handle.reset();
}

void set_command_observer(CommandObserver observer) {
    observer_slot() = std::move(observer);
}

void reset_drive_access() {
    DriveDevice& device = drive_device();
    device.handle.reset();
    device.notify_handle.reset();
    device = DriveDevice{};
    command_buffers() = CommandBuffers{};
}

}  // namespace qdu
