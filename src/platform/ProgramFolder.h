#pragma once
// The program folder: the executable's folder without trailing separator, also made the current directory.
// An installed program, whose folder its users cannot write, gives each user a program folder of their own.
#include <string>

namespace platform {

// The file whose presence beside the executable marks an installed program.
inline constexpr char kPerUserMarker[] = "per-user-program-folder";

// Determines the program folder (ProgramFolderFor the executable's folder), makes it the current directory
// and remembers it. Later calls return the remembered folder.
const std::string& ProgramFolder();

// The program folder for an executable in `executableFolder`: that folder itself, unless it holds
// kPerUserMarker. Then it is the user's own folder $XDG_DATA_HOME/varn (~/.local/share/varn), brought up to
// date on every call: the working folders are created, each file of the installed 配置文件 the user does not
// have yet is copied (made new with the permissions the umask leaves), and 帮助文件/help.pdf links to the
// installed document. Nothing the user has is replaced. When the user's folder cannot be used (not a folder
// of this user that the user may write), the executable's folder.
std::string ProgramFolderFor(const std::string& executableFolder);

struct ProgramFolderChoice {
    std::string folder;
    // For the operator when an installed program's per-user folder cannot be used (it is a file, a folder of
    // another user, or cannot be made): the folder, the reason and the folder used instead. Else empty.
    std::string problem;
};

// ProgramFolderFor with the reason why the user's own folder was not taken.
ProgramFolderChoice ChooseProgramFolder(const std::string& executableFolder);

// The problem text of the folder ProgramFolder() chose (determining it first), empty when there was none.
std::string UnusableUserFolderText();

// Replaces the remembered folder (tests lay out a program folder of their own) and makes it current.
void SetProgramFolder(const std::string& folder);

// Joins the program folder and a relative path made of UTF-8 folder names ('/' between them), in the
// system's own form (NativeSeparators).
std::string InProgramFolder(const std::string& relative);

// `path` with the system's separator, as the operator reads paths and the shell takes them: on Windows every
// '/' becomes '\'; elsewhere it is returned unchanged.
std::string NativeSeparators(std::string path);

}  // namespace platform
