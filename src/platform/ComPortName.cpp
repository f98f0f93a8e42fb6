// COM port names as the host knows them; shared by the POSIX and the Win32 serial ports.
#include <cstdio>

#include "platform/SerialPort.h"

namespace platform {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string ComPortName(int port) {
    if (port < 1) {
        return {};
    }
    char name[32];
    std::snprintf(name, sizeof name, port > 9 ? "\\\\.\\COM%d" : "COM%d", port);
    return name;
}

std::optional<int> ComPortNumber(std::string_view name) {
    if (StartsWithNoCase(name, "\\\\.\\")) {
        name.remove_prefix(4);
    }
    if (!StartsWithNoCase(name, "COM")) {
        return std::nullopt;
    }
    name.remove_prefix(3);
    if (name.empty() || name.size() > 6) {
        return std::nullopt;
    }
    int number = 0;
    for (char c : name) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        number = number * 10 + (c - '0');
    }
    if (number < 1) {
        return std::nullopt;
    }
    return number;
}

}  // namespace platform
