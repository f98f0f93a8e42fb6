#pragma once
// Saving an operator's text (monitor and event texts) as the system's text files: code page 936 bytes,
// CR LF line ends, no byte-order mark, nothing after the last character.
#include <string>

namespace ui {

// The text as it goes into the file: every line end becomes CR LF, then code page 936.
std::string TextFileBytes(const std::string& utf8Text);

// Creates `path` (an existing file is emptied) and writes TextFileBytes(utf8Text). False when the file
// cannot be created or fully written.
bool WriteTextFile(const std::string& path, const std::string& utf8Text);

}  // namespace ui
