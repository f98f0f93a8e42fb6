#include "platform/FileAppend.h"

#include "platform/win32/FileAccess.h"

namespace platform {

namespace {

// The file is opened without sharing, so the open itself is the lock. Another process holds it only for the
// length of one write; anything longer is a stuck or foreign holder, and the entry is dropped rather than
// stalling the caller (possibly the UI thread).
constexpr int kOpenAttempts = 50;
constexpr DWORD kOpenRetryMs = 2;  // at most about 100 ms in all

HANDLE OpenExclusive(const std::string& path, DWORD access, int attempts) {
    const std::wstring wide = win32::Widen(path);
    for (int attempt = 0; attempt < attempts; ++attempt) {
        // Opened always, never truncated by the open: whatever the file held stays until it is written.
        HANDLE file =
            CreateFileW(wide.c_str(), access, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            return file;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) {
            break;
        }
        if (attempt + 1 < attempts) {
            Sleep(kOpenRetryMs);
        }
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

bool AppendFileLocked(const std::string& path, std::string_view bytes) {
    HANDLE file = OpenExclusive(path, GENERIC_READ | GENERIC_WRITE, kOpenAttempts);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    LARGE_INTEGER zero{};
    LARGE_INTEGER before{};
    bool ok = SetFilePointerEx(file, zero, &before, FILE_END) && win32::WriteAllBytes(file, bytes);
    if (!ok) {
        // Take back our own half-written bytes (disk full) so the file keeps whole lines only.
        if (SetFilePointerEx(file, before, nullptr, FILE_BEGIN)) {
            SetEndOfFile(file);
        }
    }
    CloseHandle(file);
    return ok;
}

bool WriteWholeFile(const std::string& path, std::string_view bytes) {
    // Written completely beside the file, then moved over it; a file someone else holds open cannot be
    // replaced and is left exactly as it was, and so is the file after any other failure (a full disk, an I/O
    // error).
    switch (win32::ReplaceFileBytes(path, bytes)) {
        case win32::FileReplace::Ok:
            return true;
        case win32::FileReplace::Failed:
            return false;
        case win32::FileReplace::SiblingDenied:
            break;
    }
    // A folder we may not create files in can still hold a file we may write: overwrite it in place (one
    // attempt, never creating it).
    HANDLE file = CreateFileW(win32::Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool ok = win32::WriteAllBytes(file, bytes) && SetEndOfFile(file) && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    return ok;
}

}  // namespace platform
