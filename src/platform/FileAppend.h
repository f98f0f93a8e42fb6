#pragma once
// Writing text files under an advisory lock: appending to the daily logs from several threads and processes,
// and writing a whole file the operator chose (saved monitor and event texts).
#include <string>
#include <string_view>

namespace platform {

// Opens `path` for appending (creating the file when missing, never its folder), writes all of `bytes` under
// an exclusive advisory lock and closes it. The file is never truncated. A lock held elsewhere for more than
// about 100 ms, a failed open or a failed write make it return false; the file then holds exactly what it
// held before.
bool AppendFileLocked(const std::string& path, std::string_view bytes);

// Creates `path` (an existing file is emptied), holding an exclusive advisory lock while it writes all of
// `bytes`, and closes it. False when the file cannot be created or locked or is not fully written; when
// another holder has it locked, the file is left as it was.
bool WriteWholeFile(const std::string& path, std::string_view bytes);

}  // namespace platform
