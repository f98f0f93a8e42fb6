#pragma once
// The temporary file a whole-file write fills before it takes the target's place: in the target's folder,
// under a short name of fixed length, so that a target whose own name is near the system's limit can still
// be replaced.
#include <cstdint>
#include <string>

namespace platform {

// `target`'s folder (up to its last separator: '/', on Windows also '\') followed by "~" + 8 hexadecimal
// digits + ".tmp". Each call gives another name (a counter mixed with `processId`); a caller that meets an
// existing file asks again.
std::string NextSiblingTempPath(const std::string& target, std::uint32_t processId);

}  // namespace platform
