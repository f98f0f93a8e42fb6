#include "platform/win32/FileAccess.h"

#include <cstdint>

#include "platform/SiblingFile.h"

namespace platform::win32 {

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf8.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(needed > 0 ? needed : 0), L'\0');
    if (needed > 0) {
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), needed);
    }
    return wide;
}

std::string Narrow(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
    if (needed > 0) {
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), needed, nullptr, nullptr);
    }
    return utf8;
}

FileRead ReadFileBytes(const std::string& path, std::string& out) {
    out.clear();
    HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::Missing
                                                                              : FileRead::Failed;
    }
    char buffer[8192];
    FileRead result = FileRead::Ok;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            result = FileRead::Failed;
            break;
        }
        if (got == 0) {
            break;
        }
        out.append(buffer, got);
    }
    CloseHandle(file);
    if (result != FileRead::Ok) {
        out.clear();
    }
    return result;
}

bool WriteAllBytes(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() > 0x10000000u ? 0x10000000u : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

FileReplace ReplaceFileBytes(const std::string& path, std::string_view content) {
    const std::wstring target = Widen(path);
    std::wstring temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temp = Widen(NextSiblingTempPath(path, static_cast<std::uint32_t>(GetCurrentProcessId())));
        file =
            CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_ACCESS_DENIED) {
                return FileReplace::SiblingDenied;
            }
            if (error != ERROR_FILE_EXISTS) {
                return FileReplace::Failed;
            }
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        return FileReplace::Failed;
    }
    bool ok = WriteAllBytes(file, content) && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    ok = ok && MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        DeleteFileW(temp.c_str());
    }
    return ok ? FileReplace::Ok : FileReplace::Failed;
}

}  // namespace platform::win32
