#pragma once
// The program's arguments in UTF-8. POSIX passes them as they are; Windows passes main() the ANSI code page,
// so the layer reads the wide command line instead.
#include <string>
#include <vector>

namespace platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace platform
