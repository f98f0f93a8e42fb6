#pragma once
// Reading a whole file named by the operator or the configuration: only a regular file, and only up to a
// size the caller names, so a FIFO, a device or a link to one cannot stall the caller or exhaust memory.
#include <cstddef>
#include <string>

namespace platform {

enum class FileRead { Ok, Missing, Failed, NotRegular, TooLarge };

// Reads all of `path` into `out` when it is a regular file of at most `maxBytes` bytes. The open never
// waits (a FIFO without a writer is refused, not waited for). `out` is empty unless the result is Ok.
FileRead ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& out);

// Opens `path` with `flags` (O_CLOEXEC, O_NOCTTY and O_NONBLOCK are added; O_NONBLOCK is taken away again
// once the file is known to be regular) and returns the descriptor, or -1 with errno set: EINVAL when the
// path names something other than a regular file.
int OpenRegularFile(const std::string& path, int flags, int mode = 0666);

}  // namespace platform
