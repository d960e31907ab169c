// The Win32 calls of the Windows backend, and the system's device provider on Windows.
#include <windows.h>

#include "drive/windows_spti.h"

namespace qdu {

namespace {

class Win32System final : public WindowsSystem {
public:
    Handle create_file(const std::wstring& path, std::uint32_t access, std::uint32_t attributes,
                       std::uint32_t& error) override {
        HANDLE handle = ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, attributes, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            error = ::GetLastError();
            return kInvalidHandle;
        }
        return reinterpret_cast<Handle>(handle);
    }

    bool device_io_control(Handle handle, std::uint32_t code, void* in, std::uint32_t in_size,
                           void* out, std::uint32_t out_size, std::uint32_t& returned,
                           std::uint32_t& error) override {
        DWORD moved = 0;
        const BOOL ok = ::DeviceIoControl(reinterpret_cast<HANDLE>(handle), code, in, in_size, out,
                                          out_size, &moved, nullptr);
        returned = moved;
        error = ok ? 0 : ::GetLastError();
        return ok != FALSE;
    }

    void close_handle(Handle handle) override { ::CloseHandle(reinterpret_cast<HANDLE>(handle)); }

    std::uint32_t drive_type(char letter) override {
        const wchar_t root[] = {static_cast<wchar_t>(letter), L':', L'\\', 0};
        return ::GetDriveTypeW(root);
    }
};

}  // namespace

std::shared_ptr<DeviceProvider> make_system_device_provider() {
    return std::make_shared<WindowsDeviceProvider>(std::make_shared<Win32System>());
}

}  // namespace qdu
