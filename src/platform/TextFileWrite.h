#pragma once
// Writing a whole file that the operator chose (saved monitor and event texts).
#include <string>
#include <string_view>

namespace platform {

// Creates `path` (an existing file is emptied), holding an exclusive advisory lock while it writes all of
// `bytes`, and closes it. False when the file cannot be created or locked or is not fully written; when
// another holder has it locked, the file is left as it was.
bool WriteWholeFile(const std::string& path, std::string_view bytes);

}  // namespace platform
