#include "platform/WindowLink.h"

#include <condition_variable>
#include <cstdint>
#include <future>
#include <mutex>
#include <thread>

#include "platform/win32/FileAccess.h"

// Real windows and WM_COPYDATA: a receiver is a hidden top-level window with the exact title (FindWindow does
// not see message-only windows), owned and pumped by its own thread. Titles go through the wide functions,
// so the same title is found whatever the system's ANSI code page is.
namespace platform {

namespace {

constexpr wchar_t kClassName[] = L"VarnLinkReceiver";

HWND ToHwnd(WindowHandle handle) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle));
}

WindowHandle FromHwnd(HWND hwnd) {
    return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(hwnd));
}

bool Send(HWND target, WindowHandle sender, std::uint64_t dwData, std::span<const std::uint8_t> bytes,
          int timeoutMs) {
    if (target == nullptr || bytes.size() > kMaxCopyDataBytes) {
        return false;
    }
    COPYDATASTRUCT data{};
    data.dwData = static_cast<ULONG_PTR>(dwData);
    data.cbData = static_cast<DWORD>(bytes.size());
    data.lpData = bytes.empty() ? nullptr : const_cast<std::uint8_t*>(bytes.data());
    DWORD_PTR result = 0;
    // Delivered is success: what the receiver returns is not looked at (a server need not return TRUE).
    return SendMessageTimeoutW(target, WM_COPYDATA, static_cast<WPARAM>(sender),
                               reinterpret_cast<LPARAM>(&data), SMTO_NORMAL | SMTO_ABORTIFHUNG,
                               static_cast<UINT>(timeoutMs > 0 ? timeoutMs : 0), &result) != 0;
}

HWND FindByTitle(const std::string& title) {
    if (title.empty()) {
        return nullptr;
    }
    return FindWindowW(nullptr, win32::Widen(title).c_str());
}

}  // namespace

struct LinkReceiver::State {
    mutable std::mutex mutex;
    std::thread thread;
    HWND hwnd = nullptr;
    std::string title;
    Handler handler;
    GaveUp gaveUp;

    void Run(std::wstring wideTitle, std::promise<HWND> created);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

std::optional<std::string> LinkFolder() {
    return std::nullopt;  // window messages need no folder on this system
}

void SetLinkFolderOverride(const std::string&) {}

LRESULT CALLBACK LinkReceiver::State::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message) {
        case WM_COPYDATA: {
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (state == nullptr || data == nullptr || data->cbData > kMaxCopyDataBytes ||
                (data->cbData > 0 && data->lpData == nullptr)) {
                return FALSE;
            }
            CopyDataMessage received;
            received.sender = static_cast<WindowHandle>(wParam);
            received.dwData = data->dwData;
            received.bytes =
                std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(data->lpData), data->cbData);
            if (state->handler) {
                state->handler(received);
            }
            return TRUE;
        }
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

void LinkReceiver::State::Run(std::wstring wideTitle, std::promise<HWND> created) {
    static std::once_flag registered;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    std::call_once(registered, [instance] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &State::WindowProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = kClassName;
        RegisterClassW(&windowClass);
    });
    // A hidden top-level window: never shown, but found by its title.
    HWND window = CreateWindowExW(0, kClassName, wideTitle.c_str(), WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                                  nullptr, instance, this);
    created.set_value(window);
    if (window == nullptr) {
        return;
    }
    MSG message;
    BOOL got = 0;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // -1: the message loop failed; the window can no longer receive anything.
    if (got < 0 && gaveUp) {
        gaveUp();
    }
}

LinkReceiver::LinkReceiver() : state_(std::make_unique<State>()) {}

LinkReceiver::~LinkReceiver() {
    Stop();
}

bool LinkReceiver::Start(const std::string& title, Handler handler, GaveUp gaveUp) {
    std::lock_guard lock(state_->mutex);
    if (state_->hwnd != nullptr || state_->thread.joinable()) {
        return false;
    }
    if (FindByTitle(title) != nullptr) {
        return false;  // another live window has this title
    }
    state_->handler = std::move(handler);
    state_->gaveUp = std::move(gaveUp);
    std::promise<HWND> created;
    std::future<HWND> window = created.get_future();
    state_->thread = std::thread(&State::Run, state_.get(), win32::Widen(title), std::move(created));
    state_->hwnd = window.get();
    if (state_->hwnd == nullptr) {
        state_->thread.join();
        return false;
    }
    state_->title = title;
    return true;
}

bool LinkReceiver::SetTitle(const std::string& title) {
    HWND window = nullptr;
    {
        std::lock_guard lock(state_->mutex);
        window = state_->hwnd;
    }
    if (window == nullptr) {
        return false;
    }
    HWND holder = FindByTitle(title);
    if (holder != nullptr && holder != window) {
        return false;
    }
    // Not under the mutex: the receiver's thread handles the change and may be inside the handler.
    if (!SetWindowTextW(window, win32::Widen(title).c_str())) {
        return false;
    }
    std::lock_guard lock(state_->mutex);
    state_->title = title;
    return true;
}

void LinkReceiver::Stop() {
    std::thread thread;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->hwnd != nullptr) {
            PostMessageW(state_->hwnd, WM_CLOSE, 0, 0);
        }
        state_->hwnd = nullptr;
        state_->title.clear();
        thread = std::move(state_->thread);
    }
    if (thread.joinable()) {
        thread.join();
    }
}

bool LinkReceiver::Running() const {
    std::lock_guard lock(state_->mutex);
    return state_->hwnd != nullptr;
}

WindowHandle LinkReceiver::Handle() const {
    std::lock_guard lock(state_->mutex);
    return FromHwnd(state_->hwnd);
}

std::string LinkReceiver::Title() const {
    std::lock_guard lock(state_->mutex);
    return state_->title;
}

bool WindowExists(const std::string& title) {
    return FindByTitle(title) != nullptr;
}

bool SendCopyData(const std::string& title, WindowHandle sender, std::uint64_t dwData,
                  std::span<const std::uint8_t> bytes, int timeoutMs) {
    if (bytes.size() > kMaxCopyDataBytes) {
        return false;
    }
    return Send(FindByTitle(title), sender, dwData, bytes, timeoutMs);
}

bool SendCopyDataToHandle(WindowHandle target, WindowHandle sender, std::uint64_t dwData,
                          std::span<const std::uint8_t> bytes, int timeoutMs) {
    HWND window = ToHwnd(target);
    if (target == 0 || !IsWindow(window)) {
        return false;
    }
    return Send(window, sender, dwData, bytes, timeoutMs);
}

}  // namespace platform
