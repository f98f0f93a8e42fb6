#pragma once
// The program folder: the executable's folder without trailing separator, also made the current directory.
#include <string>

namespace platform {

// Determines the folder of the running executable, makes it the current directory and remembers it.
// Later calls return the remembered folder.
const std::string& ProgramFolder();

// Replaces the remembered folder (tests lay out a program folder of their own) and makes it current.
void SetProgramFolder(const std::string& folder);

// Joins the program folder and a relative path made of UTF-8 folder names, with '/' as separator.
std::string InProgramFolder(const std::string& relative);

}  // namespace platform
