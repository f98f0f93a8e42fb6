#pragma once
// Helpers shared by the Win32 implementations: UTF-8 <-> UTF-16 for every path handed to the system, kernel
// handles kept in the int fields of the platform classes, and the whole-file reads and replacements of the
// INI files.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::win32 {

// UTF-8 -> UTF-16 and back (invalid sequences become U+FFFD).
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// Kernel handles carry only 32 significant bits (sign-extended), so they fit the int fields of the shared
// headers without loss.
inline int HandleToInt(HANDLE handle) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(handle));
}
inline HANDLE IntToHandle(int value) {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(value));
}

enum class FileRead { Ok, Missing, Failed };

// Reads the whole file into `out` (emptied first). Missing: the file or its folder does not exist.
FileRead ReadFileBytes(const std::string& path, std::string& out);

enum class FileReplace { Ok, SiblingDenied, Failed };

// Replaces the file's contents by writing a sibling temporary file and moving it over the target, so that a
// failure leaves either the old or the new contents, never a part of them. SiblingDenied: the folder refused
// the temporary file for lack of permission (nothing was written).
FileReplace ReplaceFileBytes(const std::string& path, std::string_view content);

// Writes all of `bytes` to `file` at its current position.
bool WriteAllBytes(HANDLE file, std::string_view bytes);

}  // namespace platform::win32
