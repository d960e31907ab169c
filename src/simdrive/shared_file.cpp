#include "simdrive/shared_file.h"

#include <algorithm>
#include <system_error>

#ifdef _WIN32
// windows.h first: the others build on it.
// clang-format off
#include <windows.h>
#include <knownfolders.h>
#include <process.h>
#include <shlobj.h>
// clang-format on

#include <atomic>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#endif

namespace qdu {

#ifdef _WIN32

namespace {

std::wstring wide(const std::string& utf8) {
    const int n =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string words(DWORD error) {
    return std::system_category().message(static_cast<int>(error));
}

// What another process holding the file for a moment looks like: its open without
// FILE_SHARE_DELETE, or a replaced file still being deleted.
bool momentary(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_LOCK_VIOLATION;
}

// Runs `attempt` (true when done, else GetLastError() says why) until it succeeds, fails for
// another reason, or about a second has passed. 0 on success.
template <typename Attempt>
DWORD patiently(Attempt attempt) {
    constexpr int kTries = 50;
    for (int tried = 1;; ++tried) {
        if (attempt()) {
            return 0;
        }
        const DWORD error = ::GetLastError();
        if (!momentary(error) || tried == kTries) {
            return error;
        }
        ::Sleep(20);
    }
}

}  // namespace

FileLock::FileLock(const std::string& path) {
    HANDLE h = ::CreateFileW(wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error_ = words(::GetLastError());
        return;
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
}

FileLock::~FileLock() {
    if (valid()) {
        ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
    }
}

void FileLock::lock() {
    if (valid()) {
        OVERLAPPED whole{};
        ::LockFileEx(reinterpret_cast<HANDLE>(handle_), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &whole);
    }
}

void FileLock::unlock() {
    if (valid()) {
        OVERLAPPED whole{};
        ::UnlockFileEx(reinterpret_cast<HANDLE>(handle_), 0, 1, 0, &whole);
    }
}

std::string user_cache_folder() {
    PWSTR folder = nullptr;
    std::string utf8;
    if (::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder) == S_OK) {
        const int n = ::WideCharToMultiByte(CP_UTF8, 0, folder, -1, nullptr, 0, nullptr, nullptr);
        utf8.resize(static_cast<std::size_t>(n > 0 ? n - 1 : 0));
        ::WideCharToMultiByte(CP_UTF8, 0, folder, -1, utf8.data(), n, nullptr, nullptr);
    }
    ::CoTaskMemFree(folder);
    return utf8;
}

std::string replace_file(const std::string& path, const std::string& text) {
    static std::atomic<unsigned> counter{0};
    const std::string temporary =
        path + ".tmp" + std::to_string(::_getpid()) + "-" + std::to_string(++counter);
    HANDLE h = ::CreateFileW(wide(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return words(::GetLastError());
    }
    DWORD error = 0;
    std::size_t done = 0;
    while (error == 0 && done < text.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1 << 20));
        if (!::WriteFile(h, text.data() + done, chunk, &written, nullptr) || written == 0) {
            error = ::GetLastError();
        }
        done += written;
    }
    if (error == 0 && !::FlushFileBuffers(h)) {
        error = ::GetLastError();
    }
    ::CloseHandle(h);
    if (error == 0) {
        error = patiently([&] {
            return ::MoveFileExW(wide(temporary).c_str(), wide(path).c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        });
    }
    if (error != 0) {
        ::DeleteFileW(wide(temporary).c_str());
        return words(error);
    }
    return {};
}

SharedRead read_shared_file(const std::string& path) {
    SharedRead result;
    HANDLE h = INVALID_HANDLE_VALUE;
    // Shared for deletion too, so that this read never stops another process's replacement.
    const DWORD error = patiently([&] {
        h = ::CreateFileW(wide(path).c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        return h != INVALID_HANDLE_VALUE;
    });
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        return result;
    }
    result.exists = true;
    if (error != 0) {
        result.error = words(error);
        return result;
    }
    std::string buffer(1 << 16, '\0');
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(h, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            result.error = words(::GetLastError());
            break;
        }
        if (got == 0) {
            break;
        }
        result.text.append(buffer.data(), got);
    }
    ::CloseHandle(h);
    return result;
}

#else

std::string user_cache_folder() {
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg) {
        return xdg;
    }
    if (const char* home = std::getenv("HOME"); home && *home) {
        return std::string(home) + "/.cache";
    }
    return {};
}

FileLock::FileLock(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error_ = std::generic_category().message(errno);
        return;
    }
    handle_ = fd;
}

FileLock::~FileLock() {
    if (valid()) {
        ::close(static_cast<int>(handle_));
    }
}

void FileLock::lock() {
    if (valid()) {
        while (::flock(static_cast<int>(handle_), LOCK_EX) != 0 && errno == EINTR) {
        }
    }
}

void FileLock::unlock() {
    if (valid()) {
        ::flock(static_cast<int>(handle_), LOCK_UN);
    }
}

std::string replace_file(const std::string& path, const std::string& text) {
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return std::generic_category().message(errno);
    }
    std::size_t done = 0;
    int error = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return std::generic_category().message(error);
    }
    return {};
}

SharedRead read_shared_file(const std::string& path) {
    SharedRead result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) {
            result.exists = true;
            result.error = std::generic_category().message(errno);
        }
        return result;
    }
    result.exists = true;
    std::string buffer(1 << 16, '\0');
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            result.error = std::generic_category().message(errno);
            break;
        }
        if (n == 0) {
            break;
        }
        result.text.append(buffer.data(), static_cast<std::size_t>(n));
    }
    ::close(fd);
    return result;
}

#endif

}  // namespace qdu
