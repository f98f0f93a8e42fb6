#pragma once
// The rule that keeps a growing log text (the main window's log box) within bounds: before an append to a
// text of kLogBoxLimit characters or more, its first kLogBoxCut characters go. Characters are UTF-16 code
// units, as a QString counts them. The cut falls at that count, not at a line boundary.
#include <cstddef>
#include <string>
#include <string_view>

namespace oplog {

inline constexpr std::size_t kLogBoxLimit = 9'000'000;
inline constexpr std::size_t kLogBoxCut = 15'000;

// Number of leading characters to remove before appending to a text of `length` characters.
constexpr std::size_t LogBoxCutCount(std::size_t length) {
    return length >= kLogBoxLimit ? kLogBoxCut : 0;
}

// The same for the text itself; the cut is moved one unit on so it never leaves half a surrogate pair.
std::size_t LogBoxCutCount(std::u16string_view text);

// Cut and append in one step, as the box does for every entry.
void AppendToLogBox(std::u16string& text, std::u16string_view entry);

}  // namespace oplog
