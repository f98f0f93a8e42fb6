#include "platform/NamedMutex.h"

#include "platform/win32/FileAccess.h"

namespace platform {

NamedMutex::~NamedMutex() {
    Release();
}

void NamedMutex::Release() {
    if (fd_ != -1) {
        CloseHandle(win32::IntToHandle(fd_));
    }
    fd_ = -1;
    alreadyExisted_ = false;
}

bool NamedMutex::Create(const std::string& name) {
    Release();
    // Created without taking ownership: the name itself is the signal; the handle keeps it alive.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, win32::Widen(name).c_str());
    if (mutex == nullptr) {
        return false;
    }
    alreadyExisted_ = GetLastError() == ERROR_ALREADY_EXISTS;
    fd_ = win32::HandleToInt(mutex);
    return true;
}

}  // namespace platform
