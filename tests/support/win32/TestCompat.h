#pragma once
// Included ahead of every test source of the Windows build: the few POSIX helpers the shared tests use.
#ifdef _WIN32
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

inline std::time_t timegm(std::tm* parts) {
    return _mkgmtime(parts);
}

inline std::tm* gmtime_r(const std::time_t* time, std::tm* parts) {
    return gmtime_s(parts, time) == 0 ? parts : nullptr;
}

// Replaces the trailing "XXXXXX" of `pattern` and creates that folder; the pattern or nullptr, as on POSIX.
inline char* mkdtemp(char* pattern) {
    const std::size_t length = std::strlen(pattern);
    if (length < 6 || std::strcmp(pattern + length - 6, "XXXXXX") != 0) {
        return nullptr;
    }
    static const char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned seed = GetTickCount() ^ (GetCurrentProcessId() << 16) ^ static_cast<unsigned>(length);
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (std::size_t i = length - 6; i < length; ++i) {
            seed = seed * 1103515245u + 12345u + static_cast<unsigned>(attempt);
            pattern[i] = kDigits[(seed >> 16) % (sizeof kDigits - 1)];
        }
        if (CreateDirectoryA(pattern, nullptr)) {
            return pattern;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return nullptr;
        }
    }
    return nullptr;
}
#endif
