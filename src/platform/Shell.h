#pragma once
// Handing a file to the desktop: a document to the program the desktop opens it with, a text file to the
// text editor, and a top-level window's fade-out where the system animates it itself. Paths are UTF-8.
// Nothing here waits for the started program or reports whether it could show the file: the desktop does.
#include <chrono>
#include <cstdint>
#include <string>

namespace platform {

// The desktop's "open" for `path`, its window shown normally.
void OpenDocument(const std::string& path);

// The text editor with `path` (none: the editor alone). The path reaches it as one argument, blanks and all.
void OpenInTextEditor(const std::string& path);

// Hides the top-level window `nativeWindow` (the system's window handle) with the system's blending animation
// over `duration`, returning when it is hidden. False, with the window untouched, where the system has no
// such animation; the caller then fades it by other means.
bool AnimateHideWindow(std::uintptr_t nativeWindow, std::chrono::milliseconds duration);

// The file URL the desktop's opener is given for `path` on Linux: "file://" and the absolute path, with every
// byte but unreserved characters and '/' percent-encoded.
std::string FileUrl(const std::string& path);

// `argument` as one argument on a Windows command line: quoted when it holds a blank, a tab or a quote (or is
// empty), with quotes and the backslashes before them escaped as the C runtime reads them back.
std::string QuoteCommandLineArgument(const std::string& argument);

}  // namespace platform
