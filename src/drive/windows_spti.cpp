#include "drive/windows_spti.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace qdu {

namespace {

using Handle = WindowsSystem::Handle;

// A gone drive: unplugged, or its handle no longer refers to a device.
bool means_gone(std::uint32_t error) {
    return error == win::kErrorDeviceNotConnected || error == win::kErrorNoSuchDevice ||
           error == win::kErrorFileNotFound || error == win::kErrorInvalidHandle;
}

// Data moves through a buffer of our own, aligned for any adapter: the caller's buffer may not
// be, and it must stay untouched unless the command ends GOOD.
class AlignedBuffer {
public:
    explicit AlignedBuffer(std::size_t size)
        : size_(size),
          data_(size == 0 ? nullptr
                          : static_cast<std::uint8_t*>(::operator new(size, kAlignment))) {}
    ~AlignedBuffer() {
        if (data_ != nullptr) {
            ::operator delete(data_, kAlignment);
        }
    }
    AlignedBuffer(const AlignedBuffer&) = delete;
    AlignedBuffer& operator=(const AlignedBuffer&) = delete;
    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    static constexpr std::align_val_t kAlignment{64};
    std::size_t size_;
    std::uint8_t* data_;
};

class WindowsDevice final : public PassThroughDevice {
public:
    WindowsDevice(std::shared_ptr<WindowsSystem> system, Handle handle, char letter)
        : system_(std::move(system)), handle_(handle), letter_(letter) {}
    ~WindowsDevice() override { system_->close_handle(handle_); }
    WindowsDevice(const WindowsDevice&) = delete;
    WindowsDevice& operator=(const WindowsDevice&) = delete;

    ScsiResult execute(const ScsiRequest& request) override {
        AlignedBuffer bounce(request.data.size());
        if (bounce.size() > 0) {
            std::memcpy(bounce.data(), request.data.data(), bounce.size());
        }
        SptdWithSense block;
        std::memset(&block, 0, sizeof block);
        block.sptd.length = sizeof(SptdBlock);
        block.sptd.cdb_length = 12;
        block.sptd.sense_info_length = kSptdSenseLength;
        block.sptd.data_in = static_cast<std::uint8_t>(request.direction);
        block.sptd.data_transfer_length = static_cast<std::uint32_t>(bounce.size());
        block.sptd.timeout_value = request.timeout_seconds;
        block.sptd.data_buffer = bounce.data();
        block.sptd.sense_info_offset = offsetof(SptdWithSense, sense);
        std::memcpy(block.sptd.cdb, request.cdb.data(), request.cdb.size());

        ScsiResult result;
        std::uint32_t returned = 0;
        std::uint32_t error = 0;
        if (!system_->device_io_control(handle_, win::kIoctlScsiPassThroughDirect, &block,
                                        sizeof block, &block, sizeof block, returned, error)) {
            result.os_error = static_cast<int>(error);
            result.detail = R"(\\.\)" + std::string(1, letter_) + ": " + windows_error_text(error);
            if (means_gone(error)) {
                result.delivery = Delivery::DeviceGone;
            } else if (error == win::kErrorSemTimeout) {
                result.delivery = Delivery::HostError;
            } else {
                result.delivery = Delivery::OsError;
            }
            return result;
        }
        // The status every time; the sense only with a CHECK CONDITION, as far as it came.
        result.scsi_status = block.sptd.scsi_status;
        if (result.scsi_status == kStatusCheckCondition) {
            const std::size_t sense_length =
                std::min<std::size_t>(block.sptd.sense_info_length, kSptdSenseLength);
            result.sense =
                normalize_sense(std::span<const std::uint8_t>(block.sense, sense_length));
        }
        // The driver writes back how many bytes moved.
        result.transferred = std::min<std::uint32_t>(block.sptd.data_transfer_length,
                                                     static_cast<std::uint32_t>(bounce.size()));
        if (request.direction == DataDirection::DataIn && result.scsi_status == kStatusGood &&
            bounce.size() > 0) {
            std::memcpy(request.data.data(), bounce.data(), bounce.size());
        }
        return result;
    }

private:
    std::shared_ptr<WindowsSystem> system_;
    Handle handle_;
    char letter_;
};

// Closing the handle is what turns the notification back on.
class WindowsNotificationHold final : public MediaNotificationHold {
public:
    WindowsNotificationHold(std::shared_ptr<WindowsSystem> system, Handle handle)
        : system_(std::move(system)), handle_(handle) {}
    ~WindowsNotificationHold() override { system_->close_handle(handle_); }
    WindowsNotificationHold(const WindowsNotificationHold&) = delete;
    WindowsNotificationHold& operator=(const WindowsNotificationHold&) = delete;

private:
    std::shared_ptr<WindowsSystem> system_;
    Handle handle_;
};

}  // namespace

std::wstring windows_device_path(char letter) {
    return std::wstring(LR"(\\.\)") + static_cast<wchar_t>(letter) + L":";
}

std::string windows_error_text(std::uint32_t error) {
    switch (error) {
        case win::kErrorInvalidFunction: return "the driver does not take this request";
        case win::kErrorFileNotFound:
        case win::kErrorPathNotFound: return "there is no such device";
        case win::kErrorAccessDenied: return "access is denied";
        case win::kErrorInvalidHandle: return "the device's handle is no longer valid";
        case win::kErrorNotReady: return "the device is not ready";
        case win::kErrorGenFailure: return "the device does not work";
        case win::kErrorSharingViolation: return "another program has the device to itself";
        case win::kErrorInvalidParameter: return "the request was refused as malformed";
        case win::kErrorSemTimeout: return "the request timed out";
        case win::kErrorNoSuchDevice:
        case win::kErrorDeviceNotConnected: return "the device is gone (unplugged)";
        case win::kErrorIoDevice: return "an I/O error occurred on the device";
        default: return "Windows error " + std::to_string(error);
    }
}

WindowsDeviceProvider::WindowsDeviceProvider(std::shared_ptr<WindowsSystem> system)
    : system_(std::move(system)) {}

DeviceDescription WindowsDeviceProvider::describe(char letter) {
    if (letter < 'C' || letter > 'Z' || system_->drive_type(letter) != win::kDriveCdrom) {
        return {};
    }
    return {true, std::string(1, letter) + ":"};
}

OpenResult WindowsDeviceProvider::open(char letter) {
    OpenResult result;
    const std::string name = R"(\\.\)" + std::string(1, letter) + ":";
    if (!describe(letter).exists) {
        result.error = OpenError::NotPresent;
        return result;
    }
    std::uint32_t error = 0;
    const Handle handle =
        system_->create_file(windows_device_path(letter), win::kGenericRead | win::kGenericWrite,
                             win::kAttributeNormal, error);
    if (handle == WindowsSystem::kInvalidHandle) {
        result.os_error = static_cast<int>(error);
        switch (error) {
            case win::kErrorFileNotFound:
            case win::kErrorPathNotFound: result.error = OpenError::NotPresent; break;
            case win::kErrorAccessDenied:
                result.error = OpenError::PermissionDenied;
                result.message = "Windows denied read and write access to " + name +
                                 "; run the program as an administrator";
                break;
            case win::kErrorSharingViolation:
                result.error = OpenError::Busy;
                result.message = "another program has " + name +
                                 " to itself; close it (a burning or ripping program) and try "
                                 "again";
                break;
            default:
                result.error = OpenError::Other;
                result.message = name + ": " + windows_error_text(error);
                break;
        }
        return result;
    }
    result.device = std::make_unique<WindowsDevice>(system_, handle, letter);
    result.node = name;
    return result;
}

std::unique_ptr<MediaNotificationHold> WindowsDeviceProvider::suppress_media_notification(
    char letter) {
    std::uint32_t error = 0;
    // No access rights are needed to switch the notification: a query-only handle.
    const Handle handle =
        system_->create_file(windows_device_path(letter), 0, win::kAttributeReadOnly, error);
    if (handle == WindowsSystem::kInvalidHandle) {
        return nullptr;
    }
    std::uint32_t off = 1;
    std::uint32_t returned = 0;
    if (!system_->device_io_control(handle, win::kIoctlStorageMcnControl, &off, sizeof off, nullptr,
                                    0, returned, error)) {
        system_->close_handle(handle);
        return nullptr;
    }
    return std::make_unique<WindowsNotificationHold>(system_, handle);
}

}  // namespace qdu
