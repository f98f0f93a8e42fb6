#pragma once
// Saving an operator's text (monitor and event texts) as the system's text files: code page 936 bytes,
// CR LF line ends, no byte-order mark, nothing after the last character.
#include <string>

namespace ui {

// The text as it goes into the file: every line end becomes CR LF, then code page 936.
std::string TextFileBytes(const std::string& utf8Text);

// Replaces `path` with TextFileBytes(utf8Text), written completely before it takes the old file's place.
// False when the file cannot be written; an existing file then keeps its old content.
bool WriteTextFile(const std::string& path, const std::string& utf8Text);

}  // namespace ui
