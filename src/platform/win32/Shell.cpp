#include "platform/Shell.h"

// windows.h (through FileAccess.h) before shellapi.h.
#include "platform/win32/FileAccess.h"

#include <shellapi.h>

#include "platform/ProgramFolder.h"

namespace platform {

void OpenDocument(const std::string& path) {
    ShellExecuteW(nullptr, L"open", win32::Widen(NativeSeparators(path)).c_str(), nullptr, nullptr,
                  SW_SHOWNORMAL);
}

void OpenInTextEditor(const std::string& path) {
    // The same command line as "notepad.exe <path>" typed at a prompt, the path quoted so blanks survive.
    const std::wstring parameters =
        path.empty() ? std::wstring() : win32::Widen(QuoteCommandLineArgument(NativeSeparators(path)));
    ShellExecuteW(nullptr, L"open", L"notepad.exe", parameters.empty() ? nullptr : parameters.c_str(),
                  nullptr, SW_SHOWNORMAL);
}

bool AnimateHideWindow(std::uintptr_t nativeWindow, std::chrono::milliseconds duration) {
    // Looked up at each call: a system without it (or a stand-in user32) gets the caller's own fade.
    using AnimateWindowFunction = BOOL(WINAPI*)(HWND, DWORD, DWORD);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) return false;
    const auto animate = reinterpret_cast<AnimateWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(user32, "AnimateWindow")));
    if (animate == nullptr) return false;
    HWND window = reinterpret_cast<HWND>(nativeWindow);
    if (!IsWindow(window)) return false;
    if (!animate(window, static_cast<DWORD>(duration.count()), AW_BLEND | AW_HIDE)) {
        // Refused (a child window, an animation already running): hidden all the same.
        ShowWindow(window, SW_HIDE);
    }
    return true;
}

}  // namespace platform
