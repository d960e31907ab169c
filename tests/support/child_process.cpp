#include "support/child_process.h"

#include <cstring>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
extern char** environ;
#endif

namespace qdu::testing {

namespace {

std::string g_role;
constexpr const char* kRoleFlag = "--test-child=";

#ifdef _WIN32
std::wstring wide(const std::string& text) {
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring result(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, result.data(), size);
    result.resize(static_cast<size_t>(size) - 1);
    return result;
}
#endif

}  // namespace

const std::string& child_role() {
    return g_role;
}

void take_child_role(int& argc, char** argv) {
    int kept = 0;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], kRoleFlag, std::strlen(kRoleFlag)) == 0) {
            g_role = argv[i] + std::strlen(kRoleFlag);
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
}

ChildProcess::ChildProcess(const std::string& test, const std::string& role) {
    const std::string filter = "--gtest_filter=" + test;
    const std::string role_argument = kRoleFlag + role;
#ifdef _WIN32
    wchar_t self[MAX_PATH * 4] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
    // The arguments carry no quotes of their own, so plain quoting is enough.
    std::wstring line = L"\"" + std::wstring(self) + L"\" \"" + wide(filter) + L"\" \"" +
                        wide(role_argument) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (::CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                         &process)) {
        ::CloseHandle(process.hThread);
        handle_ = reinterpret_cast<long long>(process.hProcess);
    }
#else
    char self[PATH_MAX] = {};
    if (::readlink("/proc/self/exe", self, sizeof self - 1) <= 0) {
        return;
    }
    std::vector<std::string> args = {self, filter, role_argument};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, self, nullptr, nullptr, argv.data(), environ) == 0) {
        handle_ = pid;
    }
#endif
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)) {}

ChildProcess::~ChildProcess() {
    wait();
}

int ChildProcess::wait() {
    if (handle_ == -1) {
        return -1;
    }
    int code = -1;
#ifdef _WIN32
    const HANDLE process = reinterpret_cast<HANDLE>(handle_);
    DWORD exit_code = 0;
    if (::WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 &&
        ::GetExitCodeProcess(process, &exit_code)) {
        code = static_cast<int>(exit_code);
    }
    ::CloseHandle(process);
#else
    int status = 0;
    if (::waitpid(static_cast<pid_t>(handle_), &status, 0) > 0 && WIFEXITED(status)) {
        code = WEXITSTATUS(status);
    }
#endif
    handle_ = -1;
    return code;
}

}  // namespace qdu::testing
