// Windows pass-through: IOCTL_SCSI_PASS_THROUGH_DIRECT on "\\.\X:", and media-change
// notification switched off with IOCTL_STORAGE_MCN_CONTROL on a handle held for the check.
// The Win32 calls sit behind WindowsSystem, so that the backend builds and is tested against a
// stand-in for the system on every platform; the real calls are in windows_system.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "drive/passthrough.h"

namespace qdu {

namespace win {
inline constexpr std::uint32_t kIoctlScsiPassThroughDirect = 0x4D014;
inline constexpr std::uint32_t kIoctlStorageMcnControl = 0x2D0944;
inline constexpr std::uint32_t kGenericRead = 0x80000000;
inline constexpr std::uint32_t kGenericWrite = 0x40000000;
inline constexpr std::uint32_t kAttributeReadOnly = 0x01;
inline constexpr std::uint32_t kAttributeNormal = 0x80;
inline constexpr std::uint32_t kDriveCdrom = 5;  // GetDriveTypeW

// GetLastError values the backend tells apart.
inline constexpr std::uint32_t kErrorInvalidFunction = 1;
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorPathNotFound = 3;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorNotReady = 21;
inline constexpr std::uint32_t kErrorGenFailure = 31;
inline constexpr std::uint32_t kErrorSharingViolation = 32;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorSemTimeout = 121;
inline constexpr std::uint32_t kErrorNoSuchDevice = 433;
inline constexpr std::uint32_t kErrorIoDevice = 1117;
inline constexpr std::uint32_t kErrorDeviceNotConnected = 1167;
}  // namespace win

// SCSI_PASS_THROUGH_DIRECT with the sense area after it, one block used as the input and the
// output of DeviceIoControl. Its layout is the platform's own: 44 bytes with the sense at 48 in
// a 32-bit program, 56 with the sense at 56 in a 64-bit one, because DataBuffer is a pointer;
// Length says which, as the driver requires.
struct SptdBlock {
    std::uint16_t length;
    std::uint8_t scsi_status;  // the drive's status byte, written back by the driver
    std::uint8_t path_id;
    std::uint8_t target_id;
    std::uint8_t lun;
    std::uint8_t cdb_length;
    std::uint8_t sense_info_length;
    std::uint8_t data_in;
    std::uint32_t data_transfer_length;
    std::uint32_t timeout_value;
    void* data_buffer;
    std::uint32_t sense_info_offset;
    std::uint8_t cdb[16];
};

// The 80-byte block of a 32-bit program (sense at 48), 88 bytes in a 64-bit one (sense at 56).
struct SptdWithSense {
    SptdBlock sptd;
    alignas(8) std::uint8_t sense[32];
};

inline constexpr std::size_t kSptdSenseLength = 18;
static_assert(sizeof(void*) == 8 ? sizeof(SptdBlock) == 56 : sizeof(SptdBlock) == 44,
              "SCSI_PASS_THROUGH_DIRECT has the platform's layout");
static_assert(offsetof(SptdBlock, data_buffer) == (sizeof(void*) == 8 ? 24 : 20));
static_assert(offsetof(SptdWithSense, sense) == (sizeof(void*) == 8 ? 56 : 48));

// The Win32 calls the backend makes. Handles are numbers; kInvalidHandle is
// INVALID_HANDLE_VALUE. A failed call sets `error` to what GetLastError said.
class WindowsSystem {
public:
    using Handle = std::intptr_t;
    static constexpr Handle kInvalidHandle = -1;

    virtual ~WindowsSystem() = default;
    // CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, no security,
    // OPEN_EXISTING, attributes, no template).
    virtual Handle create_file(const std::wstring& path, std::uint32_t access,
                               std::uint32_t attributes, std::uint32_t& error) = 0;
    virtual bool device_io_control(Handle handle, std::uint32_t code, void* in,
                                   std::uint32_t in_size, void* out, std::uint32_t out_size,
                                   std::uint32_t& returned, std::uint32_t& error) = 0;
    virtual void close_handle(Handle handle) = 0;
    // GetDriveTypeW of "X:\".
    virtual std::uint32_t drive_type(char letter) = 0;
};

// "\\.\X:" for the letter.
std::wstring windows_device_path(char letter);

// Words for a GetLastError value, for traces and messages.
std::string windows_error_text(std::uint32_t error);

class WindowsDeviceProvider final : public DeviceProvider {
public:
    explicit WindowsDeviceProvider(std::shared_ptr<WindowsSystem> system);

    // Only letters whose drive type is CD/DVD: a hard disk or a memory stick is never the
    // drive, and is never sent the vendor commands the probe sends.
    DeviceDescription describe(char letter) override;
    OpenResult open(char letter) override;
    std::unique_ptr<MediaNotificationHold> suppress_media_notification(char letter) override;

private:
    std::shared_ptr<WindowsSystem> system_;
};

}  // namespace qdu
