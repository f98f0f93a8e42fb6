#pragma once
// Appending to a shared text file (the daily logs) from several threads and processes.
#include <string>
#include <string_view>

namespace platform {

// Opens `path` for appending (creating the file when missing, never its folder), writes all of `bytes` under
// an exclusive advisory lock and closes it. The file is never truncated. A lock held elsewhere for more than
// about 100 ms, a failed open or a failed write make it return false; the file then holds exactly what it
// held before.
bool AppendFileLocked(const std::string& path, std::string_view bytes);

}  // namespace platform
