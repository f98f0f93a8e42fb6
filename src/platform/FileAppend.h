#pragma once
// Writing text files under an advisory lock: appending to the daily logs from several threads and processes,
// and writing a whole file the operator chose (saved monitor and event texts).
#include <string>
#include <string_view>

namespace platform {

// Opens `path` for appending (creating the file when missing, never its folder), writes all of `bytes` under
// an exclusive advisory lock and closes it. Only a regular file is appended to: a symbolic link at `path` is
// not followed and a FIFO or device is refused without waiting. The file is never truncated. A lock held
// elsewhere for more than about 100 ms, a failed open or a failed write make it return false; the file then
// holds exactly what it held before.
bool AppendFileLocked(const std::string& path, std::string_view bytes);

// Replaces the content of `path` (a regular file or a missing one; a link's target) with `bytes`: they are
// written completely to a sibling file that then takes the file's place, while the old file is held under an
// exclusive advisory lock. False when the file is not regular, is locked elsewhere or cannot be written; the
// old content then stays as it was. Where the folder refuses new files, an existing file is overwritten in
// place instead.
bool WriteWholeFile(const std::string& path, std::string_view bytes);

}  // namespace platform
