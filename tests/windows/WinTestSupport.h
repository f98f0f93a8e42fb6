#pragma once
// Helpers of the Windows tests: the folders of the build, the COM port the test script mapped to the relay
// simulator, and child processes.
#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/FileAccess.h"

namespace wintest {

// The folder of this test executable (build/windows/tests), in UTF-8.
inline std::string ExecutableFolder() {
    std::vector<wchar_t> path(32768);
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::wstring full(path.data(), n);
    return platform::win32::Narrow(full.substr(0, full.find_last_of(L"\\/")));
}

// The program folder of the build (build/windows/bin): the tools and the shipped configuration.
inline std::string ProgramDir() {
    return ExecutableFolder() + "\\..\\bin";
}

// The COM port that reaches the relay simulator, when the test script set one up (VARN_WINE_COM_PORT).
inline std::optional<int> RelayComPort() {
    const char* value = std::getenv("VARN_WINE_COM_PORT");
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    const int port = std::atoi(value);
    return port > 0 ? std::optional<int>(port) : std::nullopt;
}

// A child process, ended (if still running) and closed when this goes out of scope.
class Child {
  public:
    explicit Child(const std::wstring& commandLine) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring line = commandLine;
        started_ = CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &startup, &info_) != 0;
    }
    ~Child() {
        if (!started_) return;
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, 5000);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const { return started_; }
    // The exit code, or nothing when it did not end within `ms`.
    std::optional<DWORD> Wait(DWORD ms) {
        if (!started_ || WaitForSingleObject(info_.hProcess, ms) != WAIT_OBJECT_0) return std::nullopt;
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

  private:
    PROCESS_INFORMATION info_{};
    bool started_ = false;
};

}  // namespace wintest
