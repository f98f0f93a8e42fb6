#include "platform/RegularFile.h"

#include <windows.h>

#include "platform/win32/FileAccess.h"

namespace platform {

FileRead ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& out) {
    out.clear();
    HANDLE file = CreateFileW(win32::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::Missing
                                                                              : FileRead::Failed;
    }
    // A named pipe, a console or a device is not a file to read whole.
    FileRead result = FileRead::Ok;
    LARGE_INTEGER size{};
    if (GetFileType(file) != FILE_TYPE_DISK) {
        result = FileRead::NotRegular;
    } else if (!GetFileSizeEx(file, &size)) {
        result = FileRead::Failed;
    } else if (static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
        result = FileRead::TooLarge;
    }
    char buffer[8192];
    while (result == FileRead::Ok) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            result = FileRead::Failed;
        } else if (got == 0) {
            break;
        } else if (out.size() + got > maxBytes) {
            result = FileRead::TooLarge;  // grew while being read
        } else {
            out.append(buffer, got);
        }
    }
    CloseHandle(file);
    if (result != FileRead::Ok) out.clear();
    return result;
}

}  // namespace platform
