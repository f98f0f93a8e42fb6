#include "platform/CommandLine.h"

// clang-format off
#include "platform/win32/FileAccess.h"  // windows.h, which shellapi.h needs first
#include <shellapi.h>
// clang-format on

namespace platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        arguments.push_back(win32::Narrow(wide[i]));
    }
    LocalFree(wide);
    return arguments;
}

}  // namespace platform
